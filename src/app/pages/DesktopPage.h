#pragma once
// The "Desktop/Hotkeys" page: desktop icons and taskbar parts, the icon
// captions' colours, shortcut arrows, the Recycle Bin's name, window and
// desktop switches, and which of the program's hotkeys are held.
#include <string>

#include "app/AppContext.h"
#include "app/services/DesktopLook.h"
#include "desktop/DesktopIcons.h"
#include "desktop/RegistryAccess.h"
#include "system/HotKeys.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/FormLayout.h"

// The components the page drives.
struct TDesktopPageParts {
    TDesktopIcons& icons;
    TDesktopLook& look;
    TColorDialog& colorDialog;
    TRegistryAccess& registry;
    THotKeys& hotKeys;
    TMenuItem*& hideIconsItem;  // "Hide desktop icons", whose check mark mirrors the box
};

class TDesktopPage {
public:
    TDesktopPage(TAppContext& context, TDesktopPageParts parts) : FContext(context), FParts(parts) {}

    TTabSheet tab{"TabSheet4", "Desktop/Hotkeys"};
    TCheckBox ckDesktopIcons{"ckDesktopIcons", "Desktop icons", true};
    TCheckBox ckTaskbar{"ckTaskbar", "Taskbar", true};
    TCheckBox ckTrayClock{"ckTrayClock", "Tray clock", true};
    TCheckBox ckStartButton{"ckStartButton", "Start button", true};
    TCheckBox ckArrows{"ckArrows", "Shortcut arrows", false};
    TCheckBox ckTransparent{"ckTransparent", "Transparent Icons", true};
    TLabel lblIcon{"lblIcon", "My computer"};
    TButton textColorButton{"RxSpeedButton24", "Text color"};
    TButton backColorButton{"RxSpeedButton25", "Back color"};
    TButton defaultColorsButton{"RxSpeedButton16", "Default"};
    TCheckBox ckCheckTrans{"ckCheckTrans", "Check and apply transparency at intervals", false};
    TButton desktopPropertiesButton{"RxSpeedButton26", "Desktop properties"};
    TButton renameRecycleBinButton{"RxSpeedButton27", "Rename Recycle bin"};
    TEdit recycleBinName{"Edit1", "Edit1"};
    TCheckBox ckDragFullWindows{"ckDragFullWindows", "Drag full windows", false};
    TCheckBox ckAWinTrack{"ckAWinTrack", "Active window tracking", false};
    TCheckBox ckActiveDesktop{"ckActiveDesktop", "Active desktop", false};
    TCheckBox ckHotEnable{"ckHotEnable", "Enable hotkeys:", false};
    TCheckBox ckHotScr{"ckHotScr", "Run screensaver [Win+S]", false};
    TCheckBox ckHotWall{"ckHotWall", "Change wallpaper [Win+W]", false};
    TCheckBox ckHotHideIcons{"ckHotHideIcons", "Hide/Show icons [Ctrl+Win+I]", false};
    TCheckBox ckHotCd{"ckHotCd", "Open/Close Cd [Ctrl+Win+O/C]", false};
    TCheckBox ckHotShutdown{"ckHotShutdown", "Quick shutdown [Ctrl+Alt+Win+X]", false};
    TCheckBox ckTransparency{"ckTransparency", "Apply transparency [Ctrl+Alt+T]", false};

    // The captions' colours and the boxes' looks as the page is drawn.
    void Describe();
    void Wire();
    // The one-shot shell commands and switches of the page.
    void WireShellSwitches();
    void AddRows(TFormLayout& rows);

    // The desktop's parts as the boxes say, at start-up.
    void ApplyDesktopParts();
    // A click on "Desktop icons" as the user would make it.
    void ClickDesktopIcons();
    // Disables, with a hint, the taskbar boxes whose part this Windows lacks.
    void ShowMissingShellParts();
    // The Recycle Bin's name as the user sees it, into the box.
    void ReadRecycleBinName();
    bool ShellSupportsActiveDesktop();
    bool ActiveDesktopEnabled();

    // Each combination is held only while "Enable hotkeys:" and its own box are checked.
    void AddProgramHotKeys();
    void UpdateHotKeyEntries();
    // The hotkey's box is checked: it may act.
    bool HotKeyHeld(int index) const;

private:
    void ckDesktopIconsClick();
    void ckTransparentClick();
    void TextColorButtonClick();
    void BackColorButtonClick();
    void DefaultColorsButtonClick();
    void ckHotEnableClick();
    void OpenDisplayProperties();
    void RenameRecycleBin();
    void ckDragFullWindowsClick();
    void ckAWinTrackClick();
    void SetActiveDesktop(bool enable);
    void ckActiveDesktopClick();
    const TCheckBox& HotKeyBox(int index) const;

    TAppContext& FContext;
    TDesktopPageParts FParts;
    // recycleBinName holds the name the last read found; a rename needs one.
    bool FRecycleBinNameRead = false;
};
