#include "app/MainForm.h"

#include <utility>

#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "ui/Convert.h"

namespace {

constexpr const char* kTitle = "Velant! Pro 2001";

}  // namespace

TMainForm::TMainForm(plat::Platform& platform, TApplication& app)
    : TForm("QuorvForm"),
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
      FPlatform(platform),
      FApp(app) {
    Caption = kTitle;

    pageControl.Pages = {&mainTab, &wallpaperTab, &desktopTab, &menuTab, &moreTab};
    ckWinClock.Bold = true;
    ckCPU.Bold = true;
    ckAutorun.Hint = "Launch Velant! 2000 Windows startup";
    ckWinClock.Hint = "Enable/disable window titlebar clock";
    ckScrEnable.Hint =
        "Allows to disable your default screensaver.\r\n"
        "Useful when running time critical applications (like burning cdrom)";
    ckAutorunScr.Hint =
        "A simple but effective security options.\r\n"
        "Launch default screensaver on Windows startup:\r\n"
        "if it is password protected you'll prevent\r\n"
        "other users form accessing your PC";
    ckKeepScrDisabled.Hint =
        "If checked, it will keep screensaver disabled\r\n"
        " after closing the program.\r\n"
        "If not checked, screensaver will be\r\n"
        "enabled again on closing program";
    recycleBinName.Hint = "Not in Win98ME";
    ckActiveDesktop.SetEnabled(false);

    lblIcon.Font.Color = 0x00FF00;
    lblIcon.SetColor(0xC0C0C0);
    lblIcon.SetTransparent(true);

    BuildPopupMenu();
    // The popup menu is drawn by the renderer: a bold caption bar on a gradient
    // with raised bevels and a separator, items without extra spacing.
    menuRenderer.VSpace = 0;
    menuRenderer.CaptionBar.SetActive(true);
    menuRenderer.CaptionBar.SetCaption(kTitle);
    menuRenderer.CaptionBar.SetFontStyle(fsBold);
    menuRenderer.CaptionBar.SetPaintOptions(opDrawBevels | opDrawGradient | opDrawSeparator);
    menuRenderer.CaptionBar.SetBevelInner(TBevelCut::bvRaised);
    menuRenderer.CaptionBar.SetBevelOuter(TBevelCut::bvRaised);
    menuRenderer.AddEntries(trayMenu.Items);
    trayMenu.OwnerDraw = true;

    // "Desktop" lists the desktop folder and follows its changes, half a second
    // after the first of a burst.
    desktopMenu.SetMenuItem(MainPopup_Desktop);
    desktopMenu.SetEntryRenderer(&DesktopEntries);
    desktopMenu.OnClick = [this](TMenuItem& item) { DesktopMenuClick(item); };
    desktopMonitor.SetDelayTime(500);
    desktopMonitor.OnChange = [this] { DesktopFolderChanged(); };

    captionTimer.OnTimer = [this] { CaptionTimerTimer(); };
    wallpaperTimer.OnTimer = [this] { WallpaperTimerTimer(); };
    pollTimer.OnTimer = [this] { PollTimerTimer(); };
    timers.Add(captionTimer);
    timers.Add(wallpaperTimer);
    timers.Add(pollTimer);
    timers.SetActive(true);

    hotKeys.SetActive(true);
    hotKeys.OnHotKey = [this](TComponent& sender, int index) { HotKeyPressed(sender, index); };

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
    ckAutorun.OnClick = [this] { ckAutorunClick(); };

    // The system's screensaver settings are the user's: the controls start from
    // them and nothing is applied here. The handlers are not wired yet, so the
    // stored values restored later act on these as a user's change would.
    ckScrEnable.SetChecked(screensaver.State());
    ScrTimeout.SetValue(screensaver.Timeout());
    ShowScreensaverItem(ckScrEnable.Checked());

    saveDialog.Title = "Save picture as";
    saveDialog.Filter = "Bitmaps (*.bmp)|*.bmp";
    saveDialog.DefaultExt = "bmp";
    openPictureDialog.Filter =
        "All (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg)|*.jpg|"
        "JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp";

    trayIcon.SetHint(kTitle);
    trayIcon.SetShowHint(true);
    trayIcon.SetIcon(platform.user.LoadAppIcon());
    trayIcon.PopupMenu = &trayMenu;
    trayIcon.LeftPopup = true;
    trayIcon.StartMinimized = true;
    trayIcon.MinimizeToTray = true;
    trayIcon.OnDblClick = [this] { TrayIconDblClick(); };
    trayMenu.AutoPopup = false;

    // Events of the window and its controls.
    OnCloseQuery = [this](bool& canClose) { FormCloseQuery(canClose); };
    OnClose = [this] { FormClose(); };
    OnHide = [this] { FormHide(); };
    GroupPriority.OnClick = [this] { GroupPriorityClick(); };
    clearRecentNowButton.OnClick = [this] { ClearRecentDocuments(); };
    closeButton.OnClick = [this] { CloseButtonClick(); };
    minimizeButton.OnClick = [this] { MinimizeButtonClick(); };
    MainPop_Configure->OnClick = [this] { MainPop_ConfigureClick(); };
    MainPop_Close->OnClick = [this] { MainPop_CloseClick(); };
    MainPopup_ClearRecent->OnClick = [this] { ClearRecentDocuments(); };

    WireWallpaperPage();
    WireDesktopPage();
    WireShellCommands();
    WirePopupMenu();
    WirePowerMenu();
    WireMorePage();
    RegisterComponents();
}

TMainForm::~TMainForm() { Destroying(); }

void TMainForm::BuildPopupMenu() {
    auto item = [this](TMenuItem& parent, const char* name, const char* caption) {
        auto& it = parent.Add(std::make_unique<TMenuItem>(name, caption));
        Register(it);
        return &it;
    };
    TMenuItem& root = trayMenu.Items;
    MainPopup_MyComputer = item(root, "MainPopup_MyComputer", "My Computer");
    MainPopup_Desktop = item(root, "MainPopup_Desktop", "Desktop");
    MainPopup_Controlpanel = item(root, "MainPopup_Controlpanel", "Control panel");
    MainPopup_ClearRecent = item(root, "MainPopup_ClearRecent", "Clear recent docs");
    MainPop_Cd = item(root, "MainPop_Cd", "Cd-Rom");
    SubPop_Open = item(*MainPop_Cd, "SubPop_Open", "Open tray");
    SubPop_Open->Hint = "Open tray";
    SubPop_Close = item(*MainPop_Cd, "SubPop_Close", "Close tray");
    SubPop_Close->Hint = "Close tray";
    sepAfterCd = item(root, "N5", "-");
    sepAfterCd->SetVisible(false);
    MainPopup_ChangeWall = item(root, "MainPopup_ChangeWall", "Change wallpaper");
    MainPopup_Hideicons = item(root, "MainPopup_Hideicons", "Hide desktop icons");
    sepAfterDesktopItems = item(root, "N4", "-");
    sepAfterDesktopItems->SetVisible(false);
    MainPopup_Power = item(root, "MainPopup_Power", "Power manager");
    SubLogoff = item(*MainPopup_Power, "SubLogoff", "Log Off");
    SubReboot = item(*MainPopup_Power, "SubReboot", "Reboot");
    SubShutdown = item(*MainPopup_Power, "SubShutdown", "Shutdown");
    SubDontaskconfirm = item(*MainPopup_Power, "SubDontaskconfirm", "Don't ask confirm");
    sepBeforeSleep = item(*MainPopup_Power, "N6", "-");
    SubSuspend = item(*MainPopup_Power, "SubSuspend", "Suspend");
    SubHibernate = item(*MainPopup_Power, "SubHibernate", "Hibernate");
    sepBeforeScreensaver = item(root, "N3", "-");
    sepBeforeScreensaver->SetVisible(false);
    MainPopup_Startscreensaver = item(root, "MainPopup_Startscreensaver", "Start screensaver");
    MainPopup_ScreensaverEnabled = item(root, "MainPopup_ScreensaverEnabled", "Screensaver enabled");
    MainPopup_ScreensaverEnabled->SetChecked(true);
    sepBeforeConfigure = item(root, "N2", "-");
    sepBeforeConfigure->SetVisible(false);
    MainPop_Configure = item(root, "MainPop_Configure", "Configure...");
    MainPop_Configure->Default = true;
    sepBeforeClose = item(root, "N1", "-");
    MainPop_Close = item(root, "MainPop_Close", "Close Velant! Pro 2001");
}

void TMainForm::RegisterComponents() {
    FLayout = DescribeControls();
    // The popup menu's items were registered as the menu was built.
    for (const TControlRow& row : FLayout)
        if (FindComponent(row.Component().Name()) != &row.Component()) Register(row.Component());
    settingsStore.StoredProps = StoredProps(FLayout);
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
    if (ShellSupportsActiveDesktop()) {
        ckActiveDesktop.SetChecked(ActiveDesktopEnabled());
        ckActiveDesktop.SetEnabled(true);
    }
    wallpaperList.HorizontalExtent = 400;

    KeepScreensaverChangesMadeInWindows();
    // Errors while restoring are not the user's concern at start-up.
    try {
        settingsStore.RestoreStoredSettings();
    } catch (const EVelantError& error) {
        plat::Trace(FPlatform.kernel, "Restoring the settings", error);
    }
    LoadMoreSettings();
    // The box tells the truth about the logon entry: a first run has none, and
    // another program may have removed or added it since the last close.
    try {
        ckAutorun.SetChecked(autostart.Exists());
    } catch (const EVelantError& error) {
        plat::Trace(FPlatform.kernel, "Reading the logon entry", error);
        // A value the logon cannot run is no entry, so the box shows none. Its
        // handler stays out of this: unchecking would delete another tool's value
        // before the user has asked for anything.
        TNotifyEvent click = std::move(ckAutorun.OnClick);
        ckAutorun.OnClick = nullptr;
        ckAutorun.SetChecked(false);
        ckAutorun.OnClick = std::move(click);
    }

    desktopIcons.SetShowDesktop(ckDesktopIcons.Checked());
    desktopIcons.SetShowTrayClock(ckTrayClock.Checked());
    desktopIcons.SetShowTaskBar(ckTaskbar.Checked());
    desktopIcons.SetShowStartButton(ckStartButton.Checked());
    desktopIcons.SetShowArrows(ckArrows.Checked());

    for (auto& [box, item] : VisibilitySwitches()) {
        if (item == MainPopup_Desktop) {
            // A monitor that cannot watch the folder is reported; the rest of the
            // start-up does not depend on it.
            try {
                desktopMonitor.SetFolderName(systemPaths.DeskTop);
                desktopMonitor.SetActive(ckDesktop.Checked());
            } catch (const EVelantError& error) {
                FApp.HandleException(error);
            }
            desktopMenu.SetFolderName(systemPaths.DeskTop);
        }
        item->SetVisible(box->Checked());
    }
    UpdateMenuSeparators();
    RefreshDesktopMenu(true);

    // An unwritable settings key must not cost the steps after this one.
    try {
        ApplyPriority();
    } catch (const EVelantError& error) {
        plat::Trace(FPlatform.kernel, "Setting the priority", error);
    }

    // A stored "Enable hotkeys:" of false matches the box's design state, so the
    // restore ran nothing: switch the list to it here, before anything registers.
    hotKeys.SetActive(ckHotEnable.Checked());
    AddProgramHotKeys();

    MinutesLeft = StrToIntDef(CheckTime.Text(), 0);
    // A picture that cannot be read is reported and must not keep the program from starting.
    if (ckWallStartup.Checked()) FApp.Dispatch([this] { ChangeWallpaper(); });
    ApplyIconColors();

    ckScrEnable.SetChecked(screensaver.State());
    ScrTimeout.SetValue(screensaver.GetTimeOut());
    RecordScreensaverProfile();
    if (ckAutorunScr.Checked()) screensaver.StartScreensaver();
}

void TMainForm::FormCloseQuery(bool& canClose) {
    desktopIcons.SetShowDesktop(true);
    desktopIcons.SetShowTrayClock(true);
    desktopIcons.SetShowTaskBar(true);
    desktopIcons.SetShowAppSwitchBar(true);
    desktopIcons.SetShowStartButton(true);
    if (ckClearRecDocs.Checked()) ClearRecentDocuments();
    canClose = true;
}

void TMainForm::FormClose() {
    // A folder scan or a menu rebuild runs in a nested message loop, and the
    // close may come from it: both end at their next step, so the program ends
    // at once.
    fileScanner.Stop();
    FApp.Terminate();
    RestoreCaptions();
    // A screensaver switched off through the program comes back when the program
    // ends, written to the profile, unless the user asked to keep it off. One that
    // was off before, or was switched off elsewhere, is none of the program's business.
    if (!ckScrEnable.Checked() && !ckKeepScrDisabled.Checked() && FScreensaverSwitchedOff) {
        FPlatform.user.SystemParametersInfo(plat::SPI_SETSCREENSAVEACTIVE, 1, nullptr,
                                            plat::SPIF_UPDATEINIFILE | plat::SPIF_SENDCHANGE);
        // The program's own change of the profile is no choice of the user's.
        RecordScreensaverProfile();
    }
}

void TMainForm::FormHide() { ClearPreview(); }

void TMainForm::MainPop_ConfigureClick() {
    Show();
    FApp.Restore();
}

void TMainForm::TrayIconDblClick() { MainPop_ConfigureClick(); }

void TMainForm::MainPop_CloseClick() { Close(); }

void TMainForm::CloseButtonClick() { Close(); }

void TMainForm::MinimizeButtonClick() { FApp.Minimize(); }

void TMainForm::GroupPriorityClick() { ApplyPriority(); }

void TMainForm::ckAutorunClick() { autostart.SetAutostart(ckAutorun.Checked()); }

// --- operations ---

void TMainForm::ApplyPriority() {
    const int index = GroupPriority.ItemIndex();
    static const int kThreadPriority[] = {plat::THREAD_PRIORITY_IDLE, plat::THREAD_PRIORITY_NORMAL,
                                          plat::THREAD_PRIORITY_HIGHEST};
    if (index >= 0 && index <= 2) {
        auto& k = FPlatform.kernel;
        k.SetPriorityClass(k.GetCurrentProcess(), plat::NORMAL_PRIORITY_CLASS);
        k.SetThreadPriority(k.GetCurrentThread(), kThreadPriority[index]);
    }
    WriteRegistryText(kMainKey, "GroupPriority", std::to_string(index));
}

void TMainForm::ClearRecentDocuments() { FPlatform.shell.SHAddToRecentDocs(plat::SHARD_PATH, nullptr); }

bool TMainForm::ShellSupportsActiveDesktop() {
    auto& k = FPlatform.kernel;
    const std::string path = k.GetWindowsDirectory() + "\\system\\shell32.dll";
    if (k.GetFileVersionInfoSize(path) == 0) return false;
    std::vector<std::uint8_t> block;
    plat::FixedFileVersion version;
    if (!k.GetFileVersionInfo(path, block) || !k.VerQueryFixedFileInfo(block, version)) return false;
    const unsigned major = version.fileVersionMS >> 16;
    const unsigned minor = version.fileVersionMS & 0xFFFF;
    return (major > 3 && minor > 70) || major > 4;
}

bool TMainForm::ActiveDesktopEnabled() {
    if (!ShellSupportsActiveDesktop()) return false;
    const auto desktop = FPlatform.shell.CreateActiveDesktop();
    if (!desktop) return false;
    plat::ActiveDesktopOptions options;
    options.dwSize = 12;
    if (!desktop->GetDesktopItemOptions(options)) return false;
    return options.fActiveDesktop != 0;
}

// --- mirror values ---

void TMainForm::WriteRegistryText(const std::string& key, const std::string& name, const std::string& text) {
    auto k = plat::RegKey::CreateOrThrow(FPlatform.registry, plat::HKEY_CURRENT_USER, key);
    // Two terminating zero bytes: outside readers of these values expect them.
    if (k.WriteString(name, text, true) != plat::ERROR_SUCCESS)
        throw EVelantError("Failed to set data for '" + name + "'");
}

std::string TMainForm::ReadRegistryText(const std::string& key, const std::string& name,
                                         const std::string& def) {
    auto k = plat::RegKey::CreateOrThrow(FPlatform.registry, plat::HKEY_CURRENT_USER, key);
    return k.ReadString(name).value_or(def);
}

void TMainForm::SaveCheckBoxSetting(const TCheckBox& box) {
    WriteRegistryText(kMainKey, box.Name(), box.Checked() ? "true" : "false");
}

void TMainForm::SaveEditSetting(const TEdit& edit) { WriteRegistryText(kMainKey, edit.Name(), edit.Text()); }

void TMainForm::LoadEditSetting(TEdit& edit) { edit.SetText(ReadRegistryText(kMainKey, edit.Name(), "")); }

void TMainForm::SaveListSetting(const TListBox& list) {
    const std::string key = std::string("Software\\Corvane\\Velant! Pro 2001\\") + list.Name();
    const std::string total = list.Name() + " TotalItems";
    // Written in slices like the settings store's own copy: this export is of
    // the list as it is now.
    const std::vector<std::string> items = list.Items();
    TListWriteSlices slices(FApp, FListExports);
    auto k = plat::RegKey::CreateOrThrow(FPlatform.registry, plat::HKEY_CURRENT_USER, key);
    // Two terminating zero bytes: outside readers of these values expect them.
    auto set = [&k](const std::string& name, const std::string& text) {
        if (k.WriteString(name, text, true) != plat::ERROR_SUCCESS)
            throw EVelantError("Failed to set data for '" + name + "'");
    };
    // The count of the last index goes first, as "0", and again at the end:
    // the same values in the same order as writing it before every item, at
    // half the registry round trips.
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (slices.Superseded(i)) return;
        if (i == 0) set(total, "0");
        set("Item" + std::to_string(i), items[i]);
    }
    if (!items.empty()) set(total, std::to_string(items.size() - 1));

    // Items of an earlier, longer list must not outlive it.
    std::vector<std::string> stale;
    std::string name;
    for (std::uint32_t i = 0;; ++i) {
        if (slices.Superseded(i)) return;
        if (FPlatform.registry.RegEnumValue(k.Get(), i, name) != plat::ERROR_SUCCESS) break;
        if (auto index = ListItemIndex(name); index && *index >= static_cast<int>(items.size()))
            stale.push_back(name);
    }
    for (std::size_t i = 0; i < stale.size(); ++i) {
        if (slices.Superseded(i)) return;
        if (k.DeleteValue(stale[i]) != plat::ERROR_SUCCESS)
            throw EVelantError("Failed to delete value '" + stale[i] + "'");
    }
}
