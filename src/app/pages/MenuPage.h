#pragma once
// The "Popup menu/Start menu" page and the popup menu it shapes: which items
// the notification icon's menu shows, with their separators and the "Desktop"
// submenu, the power submenu, and the special folders of the start menu.
#include <string>
#include <utility>
#include <vector>

#include "app/AppContext.h"
#include "desktop/FolderMenu.h"
#include "system/PowerCommands.h"
#include "ui/Controls.h"
#include "ui/FormLayout.h"

class TMenuPage {
public:
    TMenuPage(TAppContext& context, TFolderMenu& desktopMenu, TPowerCommands& power)
        : FContext(context), FDesktopMenu(desktopMenu), FPower(power) {}

    TTabSheet tab{"TabSheet2", "Popup menu/Start menu"};
    TCheckBox ckMycomputer{"ckMycomputer", "Show My Computer", true};
    TCheckBox ckDesktop{"ckDesktop", "Show Desktop shortcuts", true};
    TCheckBox ckControlPanel{"ckControlPanel", "Show control panel", true};
    TCheckBox ckCdRom{"ckCdRom", "Show Cd-Rom", true};
    TCheckBox ckClearRecent{"ckClearRecent", "Show 'Clear recent documents'", true};
    TCheckBox ckChangeW{"ckChangeW", "Show 'Change wallpaper'", true};
    TCheckBox ckHide{"ckHide", "Show 'Hide desktop icons'", true};
    TCheckBox ckPower{"ckPower", "Show 'Power manager'", true};
    TCheckBox ckStartScr{"ckStartScr", "Show 'Start screensaver'", true};
    TCheckBox ckEnableScr{"ckEnableScr", "Show 'Enable screensaver'", true};
    TButton addControlPanelButton{"RxSpeedButton4", "Add"};
    TButton deleteControlPanelButton{"RxSpeedButton6", "Delete"};
    TButton addPrintersButton{"RxSpeedButton13", "Add"};
    TButton deletePrintersButton{"RxSpeedButton14", "Delete"};
    TButton addUrlHistoryButton{"RxSpeedButton10", "Add"};
    TButton deleteUrlHistoryButton{"RxSpeedButton8", "Delete"};
    TButton addRecycleBinButton{"RxSpeedButton7", "Add"};
    TButton deleteRecycleBinButton{"RxSpeedButton11", "Delete"};
    // The pictures of the four start-menu rows, in the rows' order on the page.
    TShellIcon imgControlPanel{"imgControlPanel"};
    TShellIcon imgPrinters{"imgPrinters"};
    TShellIcon imgUrlHistory{"imgUrlHistory"};
    TShellIcon imgRecycleBin{"imgRecycleBin"};

    // --- the notification icon's popup menu ---
    TPopupMenu trayMenu{"RxPopupMenu1"};
    TMenuItem* MainPopup_MyComputer = nullptr;
    TMenuItem* MainPopup_Desktop = nullptr;
    TMenuItem* MainPopup_Controlpanel = nullptr;
    TMenuItem* MainPopup_ClearRecent = nullptr;
    TMenuItem* MainPop_Cd = nullptr;
    TMenuItem* SubPop_Open = nullptr;
    TMenuItem* SubPop_Close = nullptr;
    TMenuItem* sepAfterCd = nullptr;
    TMenuItem* MainPopup_ChangeWall = nullptr;
    TMenuItem* MainPopup_Hideicons = nullptr;
    TMenuItem* sepAfterDesktopItems = nullptr;
    TMenuItem* MainPopup_Power = nullptr;
    TMenuItem* SubLogoff = nullptr;
    TMenuItem* SubReboot = nullptr;
    TMenuItem* SubShutdown = nullptr;
    TMenuItem* SubDontaskconfirm = nullptr;
    TMenuItem* sepBeforeSleep = nullptr;
    TMenuItem* SubSuspend = nullptr;
    TMenuItem* SubHibernate = nullptr;
    TMenuItem* sepBeforeScreensaver = nullptr;
    TMenuItem* MainPopup_Startscreensaver = nullptr;
    TMenuItem* MainPopup_ScreensaverEnabled = nullptr;
    TMenuItem* sepBeforeConfigure = nullptr;
    TMenuItem* MainPop_Configure = nullptr;
    TMenuItem* sepBeforeClose = nullptr;
    TMenuItem* MainPop_Close = nullptr;

    // Makes the popup menu's items, each registered with the form.
    void BuildPopupMenu();
    // The start-menu rows and the special folders' items.
    void Wire();
    void WireVisibilitySwitches();
    void WirePowerMenu();
    void AddRows(TFormLayout& rows);

    // Each visibility switch with the item it shows or hides.
    std::vector<std::pair<TCheckBox*, TMenuItem*>> VisibilitySwitches();
    void UpdateMenuSeparators();
    void RefreshDesktopMenu(bool rebuild);
    void Popup(int x, int y);
    void OpenSpecialFolder(int csidl);
    void LogonCommand(TRebootOperation operation);

private:
    void VisibilitySwitchClick(TCheckBox& box, TMenuItem& item);
    void PowerCommand(TRebootOperation operation);
    // The user's start menu folder; from the shell when the registry has none.
    std::string StartMenuPath();
    void AddStartMenuFolder(const std::string& folderName);
    void RemoveStartMenuFolder(const std::string& folderName);

    TAppContext& FContext;
    TFolderMenu& FDesktopMenu;
    TPowerCommands& FPower;
};
