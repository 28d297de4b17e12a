#pragma once
// The main window, as the composition of the program: it creates the components
// that face the system, the five pages of the configuration window and the
// services they share, wires their events together, and runs the start-up,
// the periodic poll and the close.
#include <string>

#include "app/AppContext.h"
#include "app/TimerList.h"
#include "app/pages/DesktopPage.h"
#include "app/pages/MainPage.h"
#include "app/pages/MenuPage.h"
#include "app/pages/MorePage.h"
#include "app/pages/WallpaperPage.h"
#include "app/services/CaptionClock.h"
#include "app/services/DesktopLook.h"
#include "app/services/ScreensaverChoice.h"
#include "app/services/WallpaperRotation.h"
#include "app/settings/FormStorage.h"
#include "app/settings/Settings.h"
#include "desktop/DesktopIcons.h"
#include "desktop/FolderMenu.h"
#include "desktop/FolderMonitor.h"
#include "desktop/RegistryAccess.h"
#include "desktop/SystemPath.h"
#include "menu/MenuRenderer.h"
#include "platform/platform.h"
#include "system/Autostart.h"
#include "system/CpuMeter.h"
#include "system/HotKeys.h"
#include "system/PowerCommands.h"
#include "system/Screensaver.h"
#include "system/TrayIcon.h"
#include "ui/Application.h"
#include "ui/Controls.h"
#include "ui/Dialogs.h"
#include "ui/Form.h"
#include "ui/FormLayout.h"
#include "wallpaper/FileScanner.h"
#include "wallpaper/FolderBrowser.h"
#include "wallpaper/WallpaperSetter.h"

class TMainForm : public TForm {
    plat::Platform& FPlatform;
    TApplication& FApp;

public:
    TMainForm(plat::Platform& platform, TApplication& app);
    ~TMainForm() override;

    // The form has been built: components finish loading, then FormCreate runs.
    void Loaded();
    // The first part of Loaded on its own: the hotkey list and the notification
    // icon, which need none of the window's controls. The entry runs it before it
    // builds them, so the icon appears without waiting for the pages; it runs once.
    void LoadResidentComponents();
    // Every component with its page and dialog id.
    const TFormLayout& Layout() const { return FLayout; }

    // "Configure...", a double click on the icon, or a later start's request.
    void ShowConfiguration();

    TSettings settings;
    TAppContext context;

    // --- the configuration window's pages, in the window's order ---
    TPageControl pageControl{"PageControl1"};
    TMainPage mainPage;
    TWallpaperPage wallpaperPage;
    TDesktopPage desktopPage;
    TMenuPage menuPage;
    TMorePage morePage;

    // --- components, in declaration order ---
    // The processor-load meter lives for the whole run, before any component.
    TCpuMeter cpuMeter;
    TTimerList timers;
    TTimerEvent captionTimer{"TitleBarTimer", 1000, false};
    TTimerEvent wallpaperTimer{"WallPaperTimer", 60000, true};
    TTimerEvent pollTimer{"General", 1000, true};
    TColorDialog colorDialog{"ClrDlg"};
    TRegistryAccess registryAccess;
    TSystemPath systemPaths;
    TFileScanner fileScanner;
    TFolderBrowser folderBrowser;
    THotKeys hotKeys;
    TTrayIcon trayIcon;
    TAutostart autostart;
    TFolderMonitor desktopMonitor;
    // Outlives the folder menu, whose entries it removes from the renderer.
    TMenuRenderer menuRenderer{"CoolMenu1"};
    TFolderMenu desktopMenu;
    TSaveDialog saveDialog{"SaveDialog1"};
    TOpenPictureDialog openPictureDialog{"OpenPictureDialog1"};
    TPowerCommands power;
    TWallpaperSetter wallpaperSetter;
    TDesktopIcons desktopIcons;
    TFormStorage settingsStore;
    TScreensaver screensaver;

    // --- what the pages share ---
    TDesktopLook look;
    TWallpaperRotation rotation;
    TScreensaverChoice screensaverChoice;
    TCaptionClock captionClock;

private:
    void FormCreate();
    void FormCloseQuery(bool& canClose);
    void FormClose();
    void HotKeyPressed(int index);
    // The periodic poll: the screensaver's state and the captions' transparency.
    void PollTimerTimer();
    void StartScreensaver();
    // The popup menu as the visibility switches say, with the "Desktop" submenu.
    void ShowChosenMenuItems();
    // Registers the components and gives the settings store its values.
    void RegisterComponents();
    TFormLayout DescribeControls();

    TFormLayout FLayout;
    bool FResidentComponentsLoaded = false;
};
