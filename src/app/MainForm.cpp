#include "app/MainForm.h"

#include <utility>

#include "platform/constants.h"
#include "platform/error.h"

namespace {

constexpr const char* kTitle = "Velant! Pro 2001";

}  // namespace

TMainForm::TMainForm(plat::Platform& platform, TApplication& app)
    : TForm("QuorvForm"),
      FPlatform(platform),
      FApp(app),
      settings(platform, app),
      context{platform, app, *this, settings, settingsStore},
      mainPage(context, autostart, screensaver, screensaverChoice, captionClock),
      wallpaperPage(context, {rotation, look, fileScanner, folderBrowser, saveDialog, openPictureDialog}),
      desktopPage(context,
                  {desktopIcons, look, colorDialog, registryAccess, hotKeys, menuPage.MainPopup_Hideicons}),
      menuPage(context, desktopMenu, power),
      morePage(context, rotation, fileScanner),
      cpuMeter(platform.kernel, platform.registry),
      timers("RxTimerList1", platform.user, platform.kernel, app),
      registryAccess("RegistryEnhanced1", platform.registry),
      systemPaths("SystemPath1", platform.kernel, platform.registry),
      fileScanner("FilesScan1", platform.kernel, [&app] { app.ProcessMessages(); }),
      folderBrowser("FolderBrowser1", platform.shell, 0),
      hotKeys("HotKey", platform.user),
      trayIcon("CoolTrayIcon1", platform.user, platform.shell, app, *this),
      autostart("Autostart1", platform.registry, platform.kernel, app.Title),
      desktopMonitor("RxDesktopMonitor1", platform.kernel, platform.user),
      desktopMenu("FolderMenu1", platform.user, platform.kernel, platform.shell, app),
      power("WinReboot1", platform.power),
      wallpaperSetter("Wallpaper1", platform.kernel, platform.registry, platform.user),
      desktopIcons("MD", platform.user, platform.shell, platform.registry),
      settingsStore("FormStorage1", platform.registry, platform.user, platform.kernel, *this, app),
      screensaver("MyScreensaver1", platform.user, platform.kernel),
      look(context, desktopIcons,
           {desktopPage.lblIcon, desktopPage.ckActiveDesktop, desktopPage.ckCheckTrans}),
      rotation(context, wallpaperSetter, systemPaths, look,
               {wallpaperPage.wallpaperList, wallpaperPage.preview, wallpaperPage.ckWallRandom,
                wallpaperPage.ckStretch, wallpaperPage.ckTile, wallpaperPage.ckChangeWp,
                wallpaperPage.CheckTime, morePage.ckAllPictures, morePage.GroupLayout, morePage.ckShuffle,
                morePage.ckPauseFullScreen, morePage.ckPauseBattery}),
      screensaverChoice(context, screensaver,
                        {mainPage.ckScrEnable, mainPage.ScrTimeout, mainPage.ckKeepScrDisabled,
                         menuPage.MainPopup_ScreensaverEnabled}),
      captionClock(context, captionTimer, cpuMeter,
                   {mainPage.ckWinClock, mainPage.ckCPU, mainPage.edtDate, mainPage.edtTime}) {
    Caption = kTitle;

    pageControl.Pages = {&mainPage.tab, &wallpaperPage.tab, &desktopPage.tab, &menuPage.tab, &morePage.tab};
    mainPage.Describe();
    desktopPage.Describe();

    menuPage.BuildPopupMenu();
    // The popup menu is drawn by the renderer: a bold caption bar on a gradient
    // with raised bevels and a separator, items without extra spacing.
    menuRenderer.VSpace = 0;
    menuRenderer.CaptionBar.SetActive(true);
    menuRenderer.CaptionBar.SetCaption(kTitle);
    menuRenderer.CaptionBar.SetFontStyle(fsBold);
    menuRenderer.CaptionBar.SetPaintOptions(opDrawBevels | opDrawGradient | opDrawSeparator);
    menuRenderer.CaptionBar.SetBevelInner(TBevelCut::bvRaised);
    menuRenderer.CaptionBar.SetBevelOuter(TBevelCut::bvRaised);
    menuRenderer.AddEntries(menuPage.trayMenu.Items);
    menuPage.trayMenu.OwnerDraw = true;

    // "Desktop" lists the desktop folder and follows its changes, half a second
    // after the first of a burst.
    desktopMenu.SetMenuItem(menuPage.MainPopup_Desktop);
    desktopMenu.SetEntryRenderer(&menuRenderer);
    desktopMenu.OnClick = [this](TMenuItem& item) { desktopMenu.OpenEntry(item); };
    desktopMonitor.SetDelayTime(500);
    desktopMonitor.OnChange = [this] { menuPage.RefreshDesktopMenu(menuPage.ckDesktop.Checked()); };

    captionTimer.OnTimer = [this] { captionClock.Tick(); };
    wallpaperTimer.OnTimer = [this] { rotation.TimerTick(); };
    pollTimer.OnTimer = [this] { PollTimerTimer(); };
    timers.Add(captionTimer);
    timers.Add(wallpaperTimer);
    timers.Add(pollTimer);
    timers.SetActive(true);

    hotKeys.SetActive(true);
    hotKeys.OnHotKey = [this](TComponent&, int index) { HotKeyPressed(index); };

    // A logon entry of the wrong type must not keep the program from starting;
    // the box then shows no entry and a click replaces it. Each step runs even
    // after a failed one: the start-up's own write request must be spent here,
    // or the user's first click would be taken for it and keep the bad value.
    const auto startUpStep = [this](auto step) {
        try {
            step();
        } catch (const EVelantError& error) {
            plat::Trace(FPlatform.kernel, "Reading the logon entry", error);
        }
    };
    startUpStep([this] { autostart.SetAppName(kTitle); });
    startUpStep([this] { autostart.SetAutostart(true); });
    startUpStep([this] { autostart.SetStartNextLogon(false); });
    startUpStep([this] { autostart.SetGlobal(false); });

    // The system's screensaver settings are the user's: the controls start from
    // them and nothing is applied here. The handlers are not wired yet, so the
    // stored values restored later act on these as a user's change would.
    screensaverChoice.ShowSystemState();

    saveDialog.Title = "Save picture as";
    saveDialog.Filter = "Bitmaps (*.bmp)|*.bmp";
    saveDialog.DefaultExt = "bmp";
    openPictureDialog.Filter =
        "All (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg)|*.jpg|"
        "JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp";

    trayIcon.SetHint(kTitle);
    trayIcon.SetShowHint(true);
    trayIcon.SetIcon(platform.user.LoadAppIcon());
    trayIcon.PopupMenu = &menuPage.trayMenu;
    trayIcon.LeftPopup = true;
    trayIcon.StartMinimized = true;
    trayIcon.MinimizeToTray = true;
    trayIcon.OnDblClick = [this] { ShowConfiguration(); };
    menuPage.trayMenu.AutoPopup = false;

    // Events of the window, and the popup menu's items that act on more than one page.
    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
    OnClose = [this] { FormClose(); };
    OnHide = [this] { rotation.ClearPreview(); };
    menuPage.MainPop_Configure->OnClick = [this] { ShowConfiguration(); };
    menuPage.MainPop_Close->OnClick = [this] { Close(); };
    menuPage.MainPopup_ClearRecent->OnClick = [this] { mainPage.ClearRecentDocuments(); };
    menuPage.MainPopup_ChangeWall->OnClick = [this] {
        rotation.ChangeWallpaper();
        rotation.ClearPreview();
        look.ApplyIconColors();
    };
    menuPage.MainPopup_Hideicons->OnClick = [this] { desktopPage.ClickDesktopIcons(); };
    menuPage.MainPopup_Startscreensaver->OnClick = [this] { StartScreensaver(); };
    menuPage.MainPopup_ScreensaverEnabled->OnClick = [this] { screensaverChoice.MenuItemClicked(); };
    menuPage.SubPop_Open->OnClick = [this] { mainPage.CdTrayCommand(true); };
    menuPage.SubPop_Close->OnClick = [this] { mainPage.CdTrayCommand(false); };
    trayIcon.OnMouseUp = [this](TMouseButton button, unsigned, int x, int y) {
        if (button == TMouseButton::mbRight) menuPage.Popup(x, y);
    };
    OnMenuCommand = [this](std::uintptr_t id) {
        FApp.Dispatch([this, id] { menuPage.trayMenu.DispatchCommand(id); });
    };
    pageControl.OnEnter = [this] { desktopPage.ReadRecycleBinName(); };

    mainPage.Wire();
    wallpaperPage.Wire();
    desktopPage.Wire();
    desktopPage.WireShellSwitches();
    menuPage.Wire();
    menuPage.WireVisibilitySwitches();
    menuPage.WirePowerMenu();
    morePage.Wire();
    RegisterComponents();
}

TMainForm::~TMainForm() { Destroying(); }

void TMainForm::RegisterComponents() {
    FLayout = DescribeControls();
    // The popup menu's items were registered as the menu was built.
    for (const TControlRow& row : FLayout)
        if (FindComponent(row.Component().Name()) != &row.Component()) Register(row.Component());
    settingsStore.StoredProps = StoredProperties();
}

void TMainForm::LoadResidentComponents() {
    if (FResidentComponentsLoaded) return;
    FResidentComponentsLoaded = true;
    hotKeys.Loaded();
    trayIcon.Loaded();
}

void TMainForm::Loaded() {
    LoadResidentComponents();
    settingsStore.Loaded();
    FormCreate();
}

// --- start-up and shut-down ---

void TMainForm::FormCreate() {
    if (desktopPage.ShellSupportsActiveDesktop()) {
        desktopPage.ckActiveDesktop.SetChecked(desktopPage.ActiveDesktopEnabled());
        desktopPage.ckActiveDesktop.SetEnabled(true);
    }
    wallpaperPage.wallpaperList.HorizontalExtent = 400;

    screensaverChoice.KeepChangesMadeInWindows();
    // Errors while restoring are not the user's concern at start-up.
    try {
        settingsStore.RestoreStoredSettings();
    } catch (const EVelantError& error) {
        plat::Trace(FPlatform.kernel, "Restoring the settings", error);
    }
    morePage.Load([this](const std::string& name) { return FindComponent(name); });
    mainPage.ShowLogonEntry();

    desktopPage.ApplyDesktopParts();
    ShowChosenMenuItems();

    // An unwritable settings key must not cost the steps after this one.
    try {
        mainPage.ApplyPriority();
    } catch (const EVelantError& error) {
        plat::Trace(FPlatform.kernel, "Setting the priority", error);
    }

    // A stored "Enable hotkeys:" of false matches the box's design state, so the
    // restore ran nothing: switch the list to it here, before anything registers.
    hotKeys.SetActive(desktopPage.ckHotEnable.Checked());
    desktopPage.AddProgramHotKeys();

    rotation.StartCountdown();
    // A picture that cannot be read is reported and must not keep the program from starting.
    if (wallpaperPage.ckWallStartup.Checked()) FApp.Dispatch([this] { rotation.ChangeWallpaper(); });
    look.ApplyIconColors();

    mainPage.ckScrEnable.SetChecked(screensaver.State());
    mainPage.ScrTimeout.SetValue(screensaver.GetTimeOut());
    screensaverChoice.RecordProfile();
    if (mainPage.ckAutorunScr.Checked()) screensaver.StartScreensaver();
}

void TMainForm::ShowChosenMenuItems() {
    for (auto& [box, item] : menuPage.VisibilitySwitches()) {
        if (item == menuPage.MainPopup_Desktop) {
            // A monitor that cannot watch the folder is reported; the rest of the
            // start-up does not depend on it.
            try {
                desktopMonitor.SetFolderName(systemPaths.DeskTop);
                desktopMonitor.SetActive(menuPage.ckDesktop.Checked());
            } catch (const EVelantError& error) {
                FApp.HandleException(error);
            }
            desktopMenu.SetFolderName(systemPaths.DeskTop);
        }
        item->SetVisible(box->Checked());
    }
    menuPage.UpdateMenuSeparators();
    menuPage.RefreshDesktopMenu(true);
}

void TMainForm::FormCloseQuery(bool& canClose) {
    desktopIcons.SetShowDesktop(true);
    desktopIcons.SetShowTrayClock(true);
    desktopIcons.SetShowTaskBar(true);
    desktopIcons.SetShowAppSwitchBar(true);
    desktopIcons.SetShowStartButton(true);
    if (mainPage.ckClearRecDocs.Checked()) mainPage.ClearRecentDocuments();
    canClose = true;
}

void TMainForm::FormClose() {
    // A folder scan or a menu rebuild runs in a nested message loop, and the
    // close may come from it: both end at their next step, so the program ends
    // at once.
    fileScanner.Stop();
    FApp.Terminate();
    captionClock.RestoreCaptions();
    screensaverChoice.RestoreAtClose();
}

void TMainForm::ShowConfiguration() {
    Show();
    FApp.Restore();
}

void TMainForm::StartScreensaver() {
    FPlatform.user.SendMessage(Handle(), plat::WM_SYSCOMMAND, plat::SC_SCREENSAVE, 0);
}

// --- periodic work and hotkeys ---

void TMainForm::PollTimerTimer() {
    screensaverChoice.FollowSystem();
    look.CheckTransparency();
}

void TMainForm::HotKeyPressed(int index) {
    if (!desktopPage.HotKeyHeld(index)) return;
    switch (index) {
        case 0:
            StartScreensaver();
            break;
        case 1:
            rotation.ChangeWallpaperNow();
            break;
        case 2:
            desktopPage.ClickDesktopIcons();
            break;
        case 3:
            mainPage.CdTrayCommand(true);
            break;
        case 4:
            mainPage.CdTrayCommand(false);
            break;
        case 5:
            menuPage.LogonCommand(TRebootOperation::roShutDown);
            break;
        case 6:
            look.ApplyTransparency();
            break;
    }
}
