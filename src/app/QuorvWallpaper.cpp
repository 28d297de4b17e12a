// The "Wallpaper" page of the main form: the list, its rotation, the timed
// change, the preview and its transforms, scanning and the file dialogs.
#include <random>

#include "app/QuorvFrm.h"
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
TPictureKind TQuorvForm::KindOf(const std::string& path) const {
    const TPictureKind kind = PictureKindOf(path);
    return kind == TPictureKind::pkSystem && !ckAllPictures.Checked() ? TPictureKind::pkNone : kind;
}

void TQuorvForm::WireWallpaperPage() {
    btnApplyWall.OnClick = [this] { btnApplyWallClick(); };
    RxSpeedButton17.OnClick = [this] { RxSpeedButton17Click(); };
    RxSpeedButton18.OnClick = [this] { RxSpeedButton18Click(); };
    RxSpeedButton19.OnClick = [this] { RxSpeedButton19Click(); };
    RxSpeedButton20.OnClick = [this] { RxSpeedButton20Click(); };
    RxSpeedButton21.OnClick = [this] { RxSpeedButton21Click(); };
    RxSpeedButton22.OnClick = [this] { RxSpeedButton22Click(); };
    RxSpeedButton23.OnClick = [this] { RxSpeedButton23Click(); };
    WallList.OnClick = [this] { WallListClick(); };
    ckStretch.OnClick = [this] { ckStretchClick(); };
    ckTile.OnClick = [this] { ckTileClick(); };
    ckWallStartup.OnClick = [this] { SaveCheckBoxSetting(ckWallStartup); };
    ckChangeWp.OnClick = [this] { SaveCheckBoxSetting(ckChangeWp); };
    ckWallRandom.OnClick = [this] { ckWallRandomClick(); };
    CheckTime.OnChange = [this] { CheckTimeChange(); };
    MainPopup_ChangeWall->OnClick = [this] { MainPopup_ChangeWallClick(); };
    FilesScan1.FileMask = "*.bmp, *.jpg";
    FilesScan1.Attributes = {};
    FilesScan1.SortedList = true;
    FilesScan1.ScanOptions = TScanOptions::soSpecifiedDir;
    FilesScan1.Recursive = true;
    FilesScan1.OnEndProcess = [this](TFilesScan&, const std::vector<std::string>& list, int count, int size) {
        FilesScan1EndProcess(list, count, size);
    };
    FilesScan1.OnProcess = [this](TFilesScan&, const std::string& folder, int found, int) {
        lblScanProgress.Caption = folder + "  (" + std::to_string(found) + " pictures)";
        lblScanProgress.SetVisible(false);
        lblScanProgress.SetVisible(true);
    };
    FWallpaperFolder = FindWallpaperFolder();
    // The setter's own pictures, shown until the first change, are the bitmap
    // an earlier run left there.
    Wallpaper1.SetFileDir(FWallpaperFolder);
    FolderBrowser1.BrowseFlags = bfStatusText;
    FolderBrowser1.OnChangeFolder = [this](const std::string& folder, int& enabledOK,
                                           std::string& statusText) {
        FolderBrowser1ChangeFolder(folder, enabledOK, statusText);
    };
}

// A user without administrator rights may not write into the Windows folder, so
// the bitmap lives in the user's own local application data.
std::string TQuorvForm::FindWallpaperFolder() {
    std::string base;
    plat::Pidl list = 0;
    if (FPlatform.shell.SHGetSpecialFolderLocation(0, plat::CSIDL_LOCAL_APPDATA, list) == 0 && list) {
        const plat::TOwnedIdList owned(FPlatform.shell, list);
        FPlatform.shell.SHGetPathFromIDList(list, base);
    }
    if (base.empty()) base = SystemPath1.LocalAppData;
    return base.empty() ? SystemPath1.Windows : base + "\\Velant! Pro 2001";
}

std::string TQuorvForm::WallpaperBitmapPath() const {
    return FWallpaperFolder + "\\Velant! Pro 2001 wallpaper.bmp";
}

void TQuorvForm::MakeWallpaperFolder() {
    auto& k = FPlatform.kernel;
    const auto attrs = k.GetFileAttributes(FWallpaperFolder);
    if (attrs != plat::INVALID_FILE_ATTRIBUTES && (attrs & plat::FILE_ATTRIBUTE_DIRECTORY)) return;
    if (k.CreateDirectory(FWallpaperFolder)) return;
    throw EVelantError("Cannot create folder \"" + FWallpaperFolder + "\". " +
                       SystemErrorText(k, static_cast<long>(k.GetLastError())));
}

void TQuorvForm::ClearPreview() { WImg.SetPicture(nullptr); }

void TQuorvForm::ChangeWallpaper() {
    const int count = WallList.Count();
    if (count < 1) return;
    if (count >= 2 && ckWallRandom.Checked() && ckShuffle.Checked()) {
        ShuffleWallpaper();
        return;
    }
    // A one-entry list is applied too: its entry is the wallpaper. From no
    // selection or the last entry, the sequence starts again at the first.
    int next = count == 1 ? 0 : (WallList.ItemIndex() + 1) % count;
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
        if (change.Apply(WallList.Items()[index], index)) return;
    }
}

TQuorvForm::TUnattendedChange::~TUnattendedChange() {
    if (FFirstFailure) FForm.FApp.HandleException(*FFirstFailure);
}

bool TQuorvForm::TUnattendedChange::Apply(const std::string& path, int index) {
    if (!FileExists(FForm.FPlatform.kernel, path)) return false;
    // A folder that cannot be made is no fault of the picture's: the change ends there.
    if (FForm.KindOf(path) != TPictureKind::pkNone) FForm.MakeWallpaperFolder();
    const int selected = FForm.WallList.ItemIndex();
    FForm.WallList.SetItemIndex(index);
    try {
        FForm.ApplyWallpaperFile(path);
        return true;
    } catch (const std::exception& error) {
        FForm.WallList.SetItemIndex(selected);
        // Nobody may be there to click a box away at every round: each picture
        // is reported once a run, and one change shows one box at most.
        if (!FForm.FUnreadablePictures.insert(path).second || FFirstFailure)
            plat::Trace(FForm.FPlatform.kernel, "Changing the wallpaper", error);
        else
            FFirstFailure.emplace(error.what());
        return false;
    }
}

void TQuorvForm::ApplySelectedWallpaper() {
    const int index = WallList.ItemIndex();
    if (WallList.Count() < 1 || index < 0) return;
    const std::string path = WallList.Items()[index];
    if (!FileExists(FPlatform.kernel, path)) {
        WallList.Delete(index);
        return;
    }
    ApplyWallpaperFile(path);
}

void TQuorvForm::ApplyWallpaperFile(const std::string& path) {
    if (KindOf(path) != TPictureKind::pkNone) {
        MakeWallpaperFolder();
        try {
            ConvertPictureToBitmap(FPlatform.kernel, FPlatform.imaging, path, WallpaperBitmapPath());
        } catch (const std::exception& error) {
            // A change the timer made while the user looked elsewhere must say
            // which picture of the list is at fault.
            const std::string text = error.what();
            if (text.find(path) != std::string::npos) throw;
            throw EVelantError(path + ": " + text);
        }
        ClearPreview();
        Wallpaper1.SetFileName(WallpaperBitmapPath());
    }
    // Any other file writes nothing: the current bitmap (or the setter's own
    // choice when there is none yet) is shown again in the current style.
    if (ApplyScaleStyle()) return;
    Wallpaper1.SetStretch(ckStretch.Checked());
    Wallpaper1.SetTile(ckTile.Checked());
}

void TQuorvForm::WallPaperTimerTimer() {
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

void TQuorvForm::CheckTimeChange() {
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

void TQuorvForm::WallListClick() {
    ClearPreview();
    const int index = WallList.ItemIndex();
    if (index < 0) return;
    const std::string path = WallList.Items()[index];
    if (KindOf(path) == TPictureKind::pkNone) return;
    if (!FileExists(FPlatform.kernel, path)) {
        FPlatform.dialogs.MessageBox(Handle(),
                                     "File " + path +
                                         " has been moved, renamed or deleted.\r"
                                         "Deleting entry and updating list...",
                                     FApp.Title, plat::MB_OK | plat::MB_ICONINFORMATION);
        WallList.Delete(index);
        return;
    }
    WImg.SetPicture(std::make_shared<TBitmap>(LoadPictureFile(FPlatform.kernel, FPlatform.imaging, path)));
}

void TQuorvForm::ckStretchClick() {
    ckTile.SetChecked(!ckStretch.Checked());
    WImg.SetStretch(ckStretch.Checked());
    SaveCheckBoxSetting(ckStretch);
}

void TQuorvForm::ckTileClick() {
    ckStretch.SetChecked(!ckTile.Checked());
    SaveCheckBoxSetting(ckTile);
}

void TQuorvForm::ckWallRandomClick() {
    WallList.SetItemIndex(WallList.Count() > 0 ? 0 : -1);
    SaveCheckBoxSetting(ckWallRandom);
}

void TQuorvForm::MainPopup_ChangeWallClick() {
    ChangeWallpaper();
    ClearPreview();
    ApplyIconColors();
}

void TQuorvForm::btnApplyWallClick() {
    ApplySelectedWallpaper();
    ClearPreview();
    ApplyIconColors();
}

void TQuorvForm::RxSpeedButton17Click() {
    if (const auto* picture = WImg.Picture())
        WImg.SetPicture(std::make_shared<TBitmap>(MirrorBitmap(false, true, *picture)));
}

void TQuorvForm::RxSpeedButton18Click() {
    if (const auto* picture = WImg.Picture())
        WImg.SetPicture(std::make_shared<TBitmap>(MirrorBitmap(true, false, *picture)));
}

void TQuorvForm::RxSpeedButton19Click() {
    plat::FileDialogOptions options;
    options.owner = Handle();
    options.title = SaveDialog1.Title;
    options.filter = SaveDialog1.Filter;
    options.defaultExt = SaveDialog1.DefaultExt;
    // Beside the picture it came from, never in the program's own folder, where
    // an uninstall would leave the user's file behind.
    if (const int index = WallList.ItemIndex(); index >= 0) {
        const std::string& source = WallList.Items()[index];
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
    const TBitmap* picture = WImg.Picture();
    if (!picture) {
        FPlatform.dialogs.MessageBox(Handle(), "There is no picture to save.", FApp.Title,
                                     plat::MB_OK | plat::MB_ICONINFORMATION);
        return;
    }
    SaveBmpFile(FPlatform.kernel, path, *picture);
    WallList.Add(path);
    WallList.SetSorted(true);
    SaveListSetting(WallList);
}

void TQuorvForm::RxSpeedButton20Click() {
    FolderBrowser1.Owner = Handle();
    if (!FolderBrowser1.Execute()) return;
    FilesScan1.ScanDir = FolderBrowser1.Folder;
    FilesScan1.Execute();
}

void TQuorvForm::FilesScan1EndProcess(const std::vector<std::string>& filesList, int filesCount,
                                      int /*filesSize*/) {
    lblScanProgress.Caption.clear();
    lblScanProgress.SetVisible(false);
    // A scan the closing window stopped found only part of the folder; the
    // list and its stored copy keep what the user had.
    if (FilesScan1.Stopped()) return;
    if (filesCount <= 0) return;
    WallList.SetItems(filesList);
    SaveListSetting(WallList);
}

// The dialog's tree shows only names; the status line says which folder will be scanned.
void TQuorvForm::FolderBrowser1ChangeFolder(const std::string& folder, int& /*enabledOK*/,
                                            std::string& statusText) {
    statusText = folder;
}

void TQuorvForm::RxSpeedButton21Click() {
    plat::FileDialogOptions options;
    options.owner = Handle();
    options.filter = OpenPictureDialog1.Filter;
    if (!FPlatform.dialogs.GetOpenFileName(options)) return;
    WallList.Add(options.fileName);
    WallList.SetSorted(true);
}

void TQuorvForm::RxSpeedButton22Click() {
    if (WallList.ItemIndex() >= 0) WallList.Delete(WallList.ItemIndex());
    ClearPreview();
}

void TQuorvForm::RxSpeedButton23Click() {
    WallList.Clear();
    ClearPreview();
}
