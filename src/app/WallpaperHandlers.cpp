// The "Wallpaper" page of the main form: the list, its rotation, the timed
// change, the preview and its transforms, scanning and the file dialogs.
#include <random>

#include "app/MainForm.h"
#include "platform/Owned.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "ui/Convert.h"
#include "wallpaper/Jpeg.h"
#include "wallpaper/Picture.h"
#include "wallpaper/SafeFile.h"

namespace {

bool FileExists(plat::IKernel& kernel, const std::string& path) {
    const auto attrs = kernel.GetFileAttributes(path);
    return attrs != plat::INVALID_FILE_ATTRIBUTES && !(attrs & plat::FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

// The system's codecs read pictures only for a user who asked for every picture
// type on the "More" page; otherwise a PNG in a stored list is an entry of an
// unknown kind, as it always was.
TPictureKind TMainForm::KindOf(const std::string& path) const {
    const TPictureKind kind = PictureKindOf(path);
    return kind == TPictureKind::pkSystem && !ckAllPictures.Checked() ? TPictureKind::pkNone : kind;
}

void TMainForm::WireWallpaperPage() {
    btnApplyWall.OnClick = [this] { btnApplyWallClick(); };
    flipButton.OnClick = [this] { FlipButtonClick(); };
    reverseButton.OnClick = [this] { ReverseButtonClick(); };
    saveButton.OnClick = [this] { SaveButtonClick(); };
    browseButton.OnClick = [this] { BrowseButtonClick(); };
    addFileButton.OnClick = [this] { AddFileButtonClick(); };
    deleteButton.OnClick = [this] { DeleteButtonClick(); };
    clearAllButton.OnClick = [this] { ClearAllButtonClick(); };
    wallpaperList.OnClick = [this] { wallpaperListClick(); };
    ckStretch.OnClick = [this] { ckStretchClick(); };
    ckTile.OnClick = [this] { ckTileClick(); };
    ckWallStartup.OnClick = [this] { SaveCheckBoxSetting(ckWallStartup); };
    ckChangeWp.OnClick = [this] { SaveCheckBoxSetting(ckChangeWp); };
    ckWallRandom.OnClick = [this] { ckWallRandomClick(); };
    CheckTime.OnChange = [this] { CheckTimeChange(); };
    MainPopup_ChangeWall->OnClick = [this] { MainPopup_ChangeWallClick(); };
    fileScanner.FileMask = "*.bmp, *.jpg";
    fileScanner.Attributes = {};
    fileScanner.SortedList = true;
    fileScanner.ScanOptions = TScanOptions::soSpecifiedDir;
    fileScanner.Recursive = true;
    fileScanner.OnEndProcess = [this](TFileScanner&, const std::vector<std::string>& list, int count, int size) {
        ScanFinished(list, count, size);
    };
    fileScanner.OnProcess = [this](TFileScanner&, const std::string& folder, int found, int) {
        lblScanProgress.Caption = folder + "  (" + std::to_string(found) + " pictures)";
        lblScanProgress.SetVisible(false);
        lblScanProgress.SetVisible(true);
    };
    FWallpaperFolder = FindWallpaperFolder();
    // The setter's own pictures, shown until the first change, are the bitmap
    // an earlier run left there.
    wallpaperSetter.SetFileDir(FWallpaperFolder);
    folderBrowser.BrowseFlags = bfStatusText;
    folderBrowser.OnChangeFolder = [this](const std::string& folder, int& enabledOK,
                                           std::string& statusText) {
        BrowseFolderChanged(folder, enabledOK, statusText);
    };
}

// A user without administrator rights may not write into the Windows folder, so
// the bitmap lives in the user's own local application data.
std::string TMainForm::FindWallpaperFolder() {
    std::string base;
    plat::Pidl list = 0;
    if (FPlatform.shell.SHGetSpecialFolderLocation(0, plat::CSIDL_LOCAL_APPDATA, list) == 0 && list) {
        const plat::TOwnedIdList owned(FPlatform.shell, list);
        FPlatform.shell.SHGetPathFromIDList(list, base);
    }
    if (base.empty()) base = systemPaths.LocalAppData;
    return base.empty() ? systemPaths.Windows : base + "\\Velant! Pro 2001";
}

std::string TMainForm::WallpaperBitmapPath() const {
    return FWallpaperFolder + "\\Velant! Pro 2001 wallpaper.bmp";
}

void TMainForm::MakeWallpaperFolder() {
    auto& k = FPlatform.kernel;
    const auto attrs = k.GetFileAttributes(FWallpaperFolder);
    if (attrs != plat::INVALID_FILE_ATTRIBUTES && (attrs & plat::FILE_ATTRIBUTE_DIRECTORY)) return;
    if (k.CreateDirectory(FWallpaperFolder)) return;
    throw EVelantError("Cannot create folder \"" + FWallpaperFolder + "\". " +
                       SystemErrorText(k, static_cast<long>(k.GetLastError())));
}

void TMainForm::ClearPreview() { preview.SetPicture(nullptr); }

void TMainForm::ChangeWallpaper() {
    const int count = wallpaperList.Count();
    if (count < 1) return;
    if (count >= 2 && ckWallRandom.Checked() && ckShuffle.Checked()) {
        ShuffleWallpaper();
        return;
    }
    // A one-entry list is applied too: its entry is the wallpaper. From no
    // selection or the last entry, the sequence starts again at the first.
    int next = count == 1 ? 0 : (wallpaperList.ItemIndex() + 1) % count;
    if (count >= 2 && ckWallRandom.Checked()) {
        std::mt19937 random(FPlatform.kernel.GetTickCount());
        std::uniform_int_distribution<int> pick(0, count - 1);
        next = pick(random);
    }
    // A picture on a drive or share that is away for the moment, or one that
    // cannot be read, keeps its place in the list; the change goes on with the
    // next entry that can be read.
    TUnattendedChange change(*this);
    for (int tried = 0; tried < count; ++tried) {
        const int index = (next + tried) % count;
        if (change.Apply(wallpaperList.Items()[index], index)) return;
    }
}

TMainForm::TUnattendedChange::~TUnattendedChange() {
    if (FFirstFailure) FForm.FApp.HandleException(*FFirstFailure);
}

bool TMainForm::TUnattendedChange::Apply(const std::string& path, int index) {
    if (!FileExists(FForm.FPlatform.kernel, path)) return false;
    // A folder that cannot be made is no fault of the picture's: the change ends there.
    if (FForm.KindOf(path) != TPictureKind::pkNone) FForm.MakeWallpaperFolder();
    const int selected = FForm.wallpaperList.ItemIndex();
    FForm.wallpaperList.SetItemIndex(index);
    try {
        FForm.ApplyWallpaperFile(path);
        return true;
    } catch (const std::exception& error) {
        FForm.wallpaperList.SetItemIndex(selected);
        // Nobody may be there to click a box away at every round: each picture
        // is reported once a run, and one change shows one box at most.
        if (!FForm.FUnreadablePictures.insert(path).second || FFirstFailure)
            plat::Trace(FForm.FPlatform.kernel, "Changing the wallpaper", error);
        else
            FFirstFailure.emplace(error.what());
        return false;
    }
}

void TMainForm::ApplySelectedWallpaper() {
    const int index = wallpaperList.ItemIndex();
    if (wallpaperList.Count() < 1 || index < 0) return;
    const std::string path = wallpaperList.Items()[index];
    if (!FileExists(FPlatform.kernel, path)) {
        wallpaperList.Delete(index);
        return;
    }
    ApplyWallpaperFile(path);
}

void TMainForm::ApplyWallpaperFile(const std::string& path) {
    if (KindOf(path) != TPictureKind::pkNone) {
        MakeWallpaperFolder();
        try {
            ConvertPictureToBitmap(FPlatform.kernel, FPlatform.imaging, path, WallpaperBitmapPath(),
                                   LayoutBox());
        } catch (const std::exception& error) {
            // A change the timer made while the user looked elsewhere must say
            // which picture of the list is at fault.
            const std::string text = error.what();
            if (text.find(path) != std::string::npos) throw;
            throw EVelantError(path + ": " + text);
        }
        ClearPreview();
        wallpaperSetter.SetFileName(WallpaperBitmapPath());
    }
    // Any other file writes nothing: the current bitmap (or the setter's own
    // choice when there is none yet) is shown again in the current style.
    if (ApplyScaleStyle()) return;
    wallpaperSetter.SetStretch(ckStretch.Checked());
    wallpaperSetter.SetTile(ckTile.Checked());
}

void TMainForm::WallpaperTimerTimer() {
    if (!ckChangeWp.Checked()) return;
    // A change that falls due while the user is busy waits for the first tick
    // after: one change then, not the ones missed.
    if (MinutesLeft == 1 && ChangePaused()) return;
    --MinutesLeft;
    if (MinutesLeft != 0) return;
    // An interval that cannot be read back keeps the one in the box: the
    // countdown starts again either way.
    try {
        LoadEditSetting(CheckTime);
    } catch (const EVelantError& error) {
        plat::Trace(FPlatform.kernel, "Reading CheckTime", error);
    }
    MinutesLeft = StrToIntDef(CheckTime.Text(), 0);
    ChangeWallpaper();
    ApplyIconColors();
}

void TMainForm::CheckTimeChange() {
    const std::string text = CheckTime.Text();
    if (text.empty()) {
        CheckTime.SetText("15");
        return;
    }
    if (IsValidInteger(text)) {
        if (text == "0") CheckTime.SetText("15");
        MinutesLeft = StrToIntDef(CheckTime.Text(), 0);
        SaveEditSetting(CheckTime);
        return;
    }
    FPlatform.dialogs.MessageBox(Handle(), "This is not a valid number", FApp.Title, plat::MB_OK);
    CheckTime.SetText("15");
}

void TMainForm::wallpaperListClick() {
    ClearPreview();
    const int index = wallpaperList.ItemIndex();
    if (index < 0) return;
    const std::string path = wallpaperList.Items()[index];
    if (KindOf(path) == TPictureKind::pkNone) return;
    if (!FileExists(FPlatform.kernel, path)) {
        FPlatform.dialogs.MessageBox(Handle(),
                                     "File " + path +
                                         " has been moved, renamed or deleted.\r"
                                         "Deleting entry and updating list...",
                                     FApp.Title, plat::MB_OK | plat::MB_ICONINFORMATION);
        wallpaperList.Delete(index);
        return;
    }
    preview.SetPicture(std::make_shared<TBitmap>(LoadPictureFile(FPlatform.kernel, FPlatform.imaging, path)));
}

void TMainForm::ckStretchClick() {
    ckTile.SetChecked(!ckStretch.Checked());
    preview.SetStretch(ckStretch.Checked());
    SaveCheckBoxSetting(ckStretch);
}

void TMainForm::ckTileClick() {
    ckStretch.SetChecked(!ckTile.Checked());
    SaveCheckBoxSetting(ckTile);
}

void TMainForm::ckWallRandomClick() {
    wallpaperList.SetItemIndex(wallpaperList.Count() > 0 ? 0 : -1);
    SaveCheckBoxSetting(ckWallRandom);
}

void TMainForm::MainPopup_ChangeWallClick() {
    ChangeWallpaper();
    ClearPreview();
    ApplyIconColors();
}

void TMainForm::btnApplyWallClick() {
    ApplySelectedWallpaper();
    ClearPreview();
    ApplyIconColors();
}

void TMainForm::FlipButtonClick() {
    if (const auto* picture = preview.Picture())
        preview.SetPicture(std::make_shared<TBitmap>(MirrorBitmap(false, true, *picture)));
}

void TMainForm::ReverseButtonClick() {
    if (const auto* picture = preview.Picture())
        preview.SetPicture(std::make_shared<TBitmap>(MirrorBitmap(true, false, *picture)));
}

void TMainForm::SaveButtonClick() {
    plat::FileDialogOptions options;
    options.owner = Handle();
    options.title = saveDialog.Title;
    options.filter = saveDialog.Filter;
    options.defaultExt = saveDialog.DefaultExt;
    // Beside the picture it came from, never in the program's own folder, where
    // an uninstall would leave the user's file behind.
    if (const int index = wallpaperList.ItemIndex(); index >= 0) {
        const std::string& source = wallpaperList.Items()[index];
        if (const auto slash = source.rfind('\\'); slash != std::string::npos)
            options.initialDir = source.substr(0, slash == 2 ? 3 : slash);
    }
    if (!FPlatform.dialogs.GetSaveFileName(options)) return;

    // Whatever name was typed, the file holds bitmap data, so it gets a bitmap's name.
    std::string path = options.fileName;
    if (const TPictureKind kind = KindOf(path); kind != TPictureKind::pkBitmap) {
        // A picture's kind comes from the extension after its name's last dot.
        if (kind != TPictureKind::pkNone) path.resize(path.rfind('.'));
        path += ".bmp";
    }
    const TBitmap* picture = preview.Picture();
    if (!picture) {
        FPlatform.dialogs.MessageBox(Handle(), "There is no picture to save.", FApp.Title,
                                     plat::MB_OK | plat::MB_ICONINFORMATION);
        return;
    }
    SaveBmpFile(FPlatform.kernel, path, *picture);
    wallpaperList.Add(path);
    wallpaperList.SetSorted(true);
    SaveListSetting(wallpaperList);
}

void TMainForm::BrowseButtonClick() {
    folderBrowser.Owner = Handle();
    if (!folderBrowser.Execute()) return;
    fileScanner.ScanDir = folderBrowser.Folder;
    fileScanner.Execute();
}

void TMainForm::ScanFinished(const std::vector<std::string>& filesList, int filesCount,
                                      int /*filesSize*/) {
    lblScanProgress.Caption.clear();
    lblScanProgress.SetVisible(false);
    // A scan the closing window stopped found only part of the folder; the
    // list and its stored copy keep what the user had.
    if (fileScanner.Stopped()) return;
    if (filesCount <= 0) return;
    wallpaperList.SetItems(filesList);
    SaveListSetting(wallpaperList);
}

// The dialog's tree shows only names; the status line says which folder will be scanned.
void TMainForm::BrowseFolderChanged(const std::string& folder, int& /*enabledOK*/,
                                            std::string& statusText) {
    statusText = folder;
}

void TMainForm::AddFileButtonClick() {
    plat::FileDialogOptions options;
    options.owner = Handle();
    options.filter = openPictureDialog.Filter;
    if (!FPlatform.dialogs.GetOpenFileName(options)) return;
    wallpaperList.Add(options.fileName);
    wallpaperList.SetSorted(true);
}

void TMainForm::DeleteButtonClick() {
    if (wallpaperList.ItemIndex() >= 0) wallpaperList.Delete(wallpaperList.ItemIndex());
    ClearPreview();
}

void TMainForm::ClearAllButtonClick() {
    wallpaperList.Clear();
    ClearPreview();
}
