#include "app/pages/WallpaperPage.h"

#include "app/resources/resource.h"
#include "app/settings/Settings.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "ui/Convert.h"
#include "wallpaper/Picture.h"
#include "wallpaper/SafeFile.h"

void TWallpaperPage::Wire() {
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
    ckWallStartup.OnClick = [this] { FContext.settings.Save(ckWallStartup, TStoredIn::MainMirror); };
    ckChangeWp.OnClick = [this] { FContext.settings.Save(ckChangeWp, TStoredIn::MainMirror); };
    ckWallRandom.OnClick = [this] { ckWallRandomClick(); };
    CheckTime.OnChange = [this] { CheckTimeChange(); };
    FParts.scanner.FileMask = "*.bmp, *.jpg";
    FParts.scanner.Attributes = {};
    FParts.scanner.SortedList = true;
    FParts.scanner.ScanOptions = TScanOptions::soSpecifiedDir;
    FParts.scanner.Recursive = true;
    FParts.scanner.OnEndProcess = [this](TFileScanner&, const std::vector<std::string>& list, int count,
                                         int size) { ScanFinished(list, count, size); };
    FParts.scanner.OnProcess = [this](TFileScanner&, const std::string& folder, int found, int) {
        lblScanProgress.Caption = folder + "  (" + std::to_string(found) + " pictures)";
        lblScanProgress.SetVisible(false);
        lblScanProgress.SetVisible(true);
    };
    FParts.rotation.SetUp();
    FParts.folderBrowser.BrowseFlags = bfStatusText;
    // The dialog's tree shows only names; the status line says which folder will be scanned.
    FParts.folderBrowser.OnChangeFolder = [](const std::string& folder, int&, std::string& statusText) {
        statusText = folder;
    };
}

void TWallpaperPage::AddRows(TFormLayout& rows) {
    rows.insert(rows.end(), {
                                {wallpaperList, tab, IDC_WALLLIST, kHorizontalExtent},
                                {preview, tab, IDC_WIMG},
                                {btnApplyWall, tab, IDC_BTNAPPLYWALL},
                                {flipButton, tab, IDC_FLIPBUTTON},
                                {reverseButton, tab, IDC_REVERSEBUTTON},
                                {saveButton, tab, IDC_SAVEBUTTON},
                                {browseButton, tab, IDC_BROWSEBUTTON},
                                {addFileButton, tab, IDC_ADDFILEBUTTON},
                                {deleteButton, tab, IDC_DELETEBUTTON},
                                {clearAllButton, tab, IDC_CLEARALLBUTTON},
                                {ckStretch, tab, IDC_CKSTRETCH},
                                {ckTile, tab, IDC_CKTILE},
                                {ckWallStartup, tab, IDC_CKWALLSTARTUP},
                                {ckChangeWp, tab, IDC_CKCHANGEWP},
                                {CheckTime, tab, IDC_CHECKTIME},
                                {ckWallRandom, tab, IDC_CKWALLRANDOM},
                                {lblScanProgress, tab, IDC_LBLSCANPROGRESS},
                            });
}

void TWallpaperPage::CheckTimeChange() {
    const std::string text = CheckTime.Text();
    if (text.empty()) {
        CheckTime.SetText("15");
        return;
    }
    if (IsValidInteger(text)) {
        if (text == "0") CheckTime.SetText("15");
        FParts.rotation.StartCountdown();
        FContext.settings.Save(CheckTime, TStoredIn::MainMirror);
        return;
    }
    FContext.platform.dialogs.MessageBox(FContext.form.Handle(), "This is not a valid number",
                                         FContext.app.Title, plat::MB_OK);
    CheckTime.SetText("15");
}

void TWallpaperPage::wallpaperListClick() {
    FParts.rotation.ClearPreview();
    const int index = wallpaperList.ItemIndex();
    if (index < 0) return;
    const std::string path = wallpaperList.Items()[index];
    if (FParts.rotation.KindOf(path) == TPictureKind::pkNone) return;
    if (!FileExists(FContext.platform.kernel, path)) {
        FContext.platform.dialogs.MessageBox(FContext.form.Handle(),
                                             "File " + path +
                                                 " has been moved, renamed or deleted.\r"
                                                 "Deleting entry and updating list...",
                                             FContext.app.Title, plat::MB_OK | plat::MB_ICONINFORMATION);
        wallpaperList.Delete(index);
        return;
    }
    preview.SetPicture(std::make_shared<TBitmap>(
        LoadPictureFile(FContext.platform.kernel, FContext.platform.imaging, path)));
}

void TWallpaperPage::ckStretchClick() {
    ckTile.SetChecked(!ckStretch.Checked());
    preview.SetStretch(ckStretch.Checked());
    FContext.settings.Save(ckStretch, TStoredIn::MainMirror);
}

void TWallpaperPage::ckTileClick() {
    ckStretch.SetChecked(!ckTile.Checked());
    FContext.settings.Save(ckTile, TStoredIn::MainMirror);
}

void TWallpaperPage::ckWallRandomClick() {
    wallpaperList.SetItemIndex(wallpaperList.Count() > 0 ? 0 : -1);
    FContext.settings.Save(ckWallRandom, TStoredIn::MainMirror);
}

void TWallpaperPage::btnApplyWallClick() {
    FParts.rotation.ApplySelectedWallpaper();
    FParts.rotation.ClearPreview();
    FParts.look.ApplyIconColors();
}

void TWallpaperPage::FlipButtonClick() {
    if (const auto* picture = preview.Picture())
        preview.SetPicture(std::make_shared<TBitmap>(MirrorBitmap(false, true, *picture)));
}

void TWallpaperPage::ReverseButtonClick() {
    if (const auto* picture = preview.Picture())
        preview.SetPicture(std::make_shared<TBitmap>(MirrorBitmap(true, false, *picture)));
}

void TWallpaperPage::SaveButtonClick() {
    plat::FileDialogOptions options;
    options.owner = FContext.form.Handle();
    options.title = FParts.saveDialog.Title;
    options.filter = FParts.saveDialog.Filter;
    options.defaultExt = FParts.saveDialog.DefaultExt;
    // Beside the picture it came from, never in the program's own folder, where
    // an uninstall would leave the user's file behind.
    if (const int index = wallpaperList.ItemIndex(); index >= 0) {
        const std::string& source = wallpaperList.Items()[index];
        if (const auto slash = source.rfind('\\'); slash != std::string::npos)
            options.initialDir = source.substr(0, slash == 2 ? 3 : slash);
    }
    if (!FContext.platform.dialogs.GetSaveFileName(options)) return;

    // Whatever name was typed, the file holds bitmap data, so it gets a bitmap's name.
    std::string path = options.fileName;
    if (const TPictureKind kind = FParts.rotation.KindOf(path); kind != TPictureKind::pkBitmap) {
        // A picture's kind comes from the extension after its name's last dot.
        if (kind != TPictureKind::pkNone) path.resize(path.rfind('.'));
        path += ".bmp";
    }
    const TBitmap* picture = preview.Picture();
    if (!picture) {
        FContext.platform.dialogs.MessageBox(FContext.form.Handle(), "There is no picture to save.",
                                             FContext.app.Title, plat::MB_OK | plat::MB_ICONINFORMATION);
        return;
    }
    SaveBmpFile(FContext.platform.kernel, path, *picture);
    wallpaperList.Add(path);
    wallpaperList.SetSorted(true);
    FContext.settings.ExportList(wallpaperList);
}

void TWallpaperPage::BrowseButtonClick() {
    FParts.folderBrowser.Owner = FContext.form.Handle();
    if (!FParts.folderBrowser.Execute()) return;
    ScanFolder(FParts.folderBrowser.Folder);
}

void TWallpaperPage::ScanFolder(const std::string& folder) {
    FParts.scanner.ScanDir = folder;
    FParts.scanner.Execute();
}

void TWallpaperPage::ScanFinished(const std::vector<std::string>& filesList, int filesCount,
                                  int /*filesSize*/) {
    lblScanProgress.Caption.clear();
    lblScanProgress.SetVisible(false);
    // A scan the closing window stopped found only part of the folder; the
    // list and its stored copy keep what the user had.
    if (FParts.scanner.Stopped()) return;
    if (filesCount <= 0) return;
    wallpaperList.SetItems(filesList);
    FContext.settings.ExportList(wallpaperList);
}

void TWallpaperPage::AddFileButtonClick() {
    plat::FileDialogOptions options;
    options.owner = FContext.form.Handle();
    options.filter = FParts.openDialog.Filter;
    if (!FContext.platform.dialogs.GetOpenFileName(options)) return;
    wallpaperList.Add(options.fileName);
    wallpaperList.SetSorted(true);
}

void TWallpaperPage::DeleteButtonClick() {
    if (wallpaperList.ItemIndex() >= 0) wallpaperList.Delete(wallpaperList.ItemIndex());
    FParts.rotation.ClearPreview();
}

void TWallpaperPage::ClearAllButtonClick() {
    wallpaperList.Clear();
    FParts.rotation.ClearPreview();
}
