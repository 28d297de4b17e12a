#pragma once
// The "Wallpaper" page: the list and its editing, the preview and its
// transforms, the layout boxes, the timed change's switches and interval, and
// scanning a folder for pictures.
#include <string>
#include <vector>

#include "app/AppContext.h"
#include "app/services/DesktopLook.h"
#include "app/services/WallpaperRotation.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/FormLayout.h"
#include "wallpaper/FileScanner.h"
#include "wallpaper/FolderBrowser.h"

// The components the page drives.
struct TWallpaperPageParts {
    TWallpaperRotation& rotation;
    TDesktopLook& look;
    TFileScanner& scanner;
    TFolderBrowser& folderBrowser;
    TSaveDialog& saveDialog;
    TOpenPictureDialog& openDialog;
};

class TWallpaperPage {
public:
    TWallpaperPage(TAppContext& context, TWallpaperPageParts parts) : FContext(context), FParts(parts) {}

    TTabSheet tab{"TabSheet3", "Wallpaper"};
    TListBox wallpaperList{"WallList"};
    TImage preview{"WImg", 230, 170};
    TButton btnApplyWall{"btnApplyWall", "Apply"};
    TButton flipButton{"RxSpeedButton17", "Flip"};
    TButton reverseButton{"RxSpeedButton18", "Reverse"};
    TButton saveButton{"RxSpeedButton19", "Save"};
    TButton browseButton{"RxSpeedButton20", "Browse"};
    TButton addFileButton{"RxSpeedButton21", "Add file"};
    TButton deleteButton{"RxSpeedButton22", "Delete"};
    TButton clearAllButton{"RxSpeedButton23", "Clear all"};
    TCheckBox ckStretch{"ckStretch", "Stretch", false};
    TCheckBox ckTile{"ckTile", "Tile", false};
    TCheckBox ckWallStartup{"ckWallStartup", "On startup", false};
    TCheckBox ckChangeWp{"ckChangeWp", "Every:", false};
    TEdit CheckTime{"CheckTime", "15"};
    TCheckBox ckWallRandom{"ckWallRandom", "Randomize wallpapers", false};
    TLabel lblScanProgress{"lblScanProgress", ""};

    // Handlers and the scanner's and dialogs' settings.
    void Wire();
    void AddRows(TFormLayout& rows);

    void ScanFinished(const std::vector<std::string>& filesList, int filesCount, int filesSize);
    // The pictures of a folder: what "Browse" does once the folder is chosen.
    void ScanFolder(const std::string& folder);

private:
    void CheckTimeChange();
    void wallpaperListClick();
    void ckStretchClick();
    void ckTileClick();
    void ckWallRandomClick();
    void btnApplyWallClick();
    void FlipButtonClick();
    void ReverseButtonClick();
    void SaveButtonClick();
    void BrowseButtonClick();
    void AddFileButtonClick();
    void DeleteButtonClick();
    void ClearAllButtonClick();

    TAppContext& FContext;
    TWallpaperPageParts FParts;
};
