// The "Desktop/Hotkeys" page and the screensaver group: desktop appearance,
// screensaver switch and timeout, the system hotkeys, the CD tray.
#include <iterator>

#include "app/MainForm.h"
#include "platform/RegKey.h"
#include "platform/constants.h"

void TMainForm::WireDesktopPage() {
    ckDesktopIcons.OnClick = [this] { ckDesktopIconsClick(); };
    ckTaskbar.OnClick = [this] { ckTaskbarClick(); };
    ckTrayClock.OnClick = [this] { ckTrayClockClick(); };
    ckStartButton.OnClick = [this] { ckStartButtonClick(); };
    ckArrows.OnClick = [this] { ckArrowsClick(); };
    ckTransparent.OnClick = [this] { ckTransparentClick(); };
    textColorButton.OnClick = [this] { TextColorButtonClick(); };
    backColorButton.OnClick = [this] { BackColorButtonClick(); };
    defaultColorsButton.OnClick = [this] { DefaultColorsButtonClick(); };
    MainPopup_Hideicons->OnClick = [this] { MainPopup_HideiconsClick(); };

    ckScrEnable.OnClick = [this] { ckScrEnableClick(); };
    ScrTimeout.OnChange = [this] { ScrTimeoutChange(); };
    runScreensaverButton.OnClick = [this] { RunScreensaverButtonClick(); };
    configureScreensaverButton.OnClick = [this] { ConfigureScreensaverButtonClick(); };
    MainPopup_Startscreensaver->OnClick = [this] { MainPopup_StartscreensaverClick(); };
    MainPopup_ScreensaverEnabled->OnClick = [this] { MainPopup_ScreensaverEnabledClick(); };

    ckHotEnable.OnClick = [this] { ckHotEnableClick(); };
    for (TCheckBox* box : {&ckHotScr, &ckHotWall, &ckHotHideIcons, &ckHotCd, &ckHotShutdown, &ckTransparency})
        box->OnClick = [this] { UpdateHotKeyEntries(); };

    openTrayButton.OnClick = [this] { CdTrayCommand(true); };
    closeTrayButton.OnClick = [this] { CdTrayCommand(false); };
    SubPop_Open->OnClick = [this] { CdTrayCommand(true); };
    SubPop_Close->OnClick = [this] { CdTrayCommand(false); };

    ckWinClock.OnClick = [this] { ckWinClockClick(); };
    ckCPU.OnClick = [this] { ckCPUClick(); };

    ShowMissingShellParts();
    BeforeShowHooks.push_back([this] { ShowMissingShellParts(); });
}

// --- desktop appearance ---

void TMainForm::ApplyIconColors() {
    desktopIcons.ApplyIconColors(lblIcon.Font.Color, lblIcon.Color(), lblIcon.Transparent(), ckActiveDesktop.Checked());
}

void TMainForm::ckDesktopIconsClick() {
    desktopIcons.SetShowDesktop(ckDesktopIcons.Checked());
    // The box is the one record of the icons' state; the menu's check mark is
    // only its mirror, so every path that toggles the box (the menu item, the
    // hotkey, a click on the page, a restored setting) moves the mark with it.
    MainPopup_Hideicons->SetChecked(!ckDesktopIcons.Checked());
}
void TMainForm::ckTaskbarClick() { desktopIcons.SetShowTaskBar(ckTaskbar.Checked()); }
void TMainForm::ckTrayClockClick() { desktopIcons.SetShowTrayClock(ckTrayClock.Checked()); }
void TMainForm::ckStartButtonClick() { desktopIcons.SetShowStartButton(ckStartButton.Checked()); }
void TMainForm::ckArrowsClick() { desktopIcons.SetShowArrows(ckArrows.Checked()); }

void TMainForm::ckTransparentClick() {
    lblIcon.SetTransparent(ckTransparent.Checked());
    ApplyIconColors();
}

void TMainForm::TextColorButtonClick() {
    if (colorDialog.Execute(FPlatform.dialogs, Handle())) {
        lblIcon.Font.Color = colorDialog.Color;
        lblIcon.Font.Changed();
    }
    ApplyIconColors();
}

void TMainForm::BackColorButtonClick() {
    if (colorDialog.Execute(FPlatform.dialogs, Handle())) lblIcon.SetColor(colorDialog.Color);
    ApplyIconColors();
}

void TMainForm::DefaultColorsButtonClick() {
    desktopIcons.RestoreDefaultColors();
    ckCheckTrans.SetChecked(false);
}

void TMainForm::MainPopup_HideiconsClick() { ClickDesktopIcons(); }

void TMainForm::ClickDesktopIcons() {
    // Button down, a pause a real click would have, button up: the box toggles
    // as under the user's mouse and runs its own handler.
    FPlatform.kernel.Sleep(50);
    ckDesktopIcons.Toggle();
}

bool TMainForm::IconCaptionsTransparent() {
    auto& u = FPlatform.user;
    const plat::Hwnd list =
        TDesktopIcons::FindDesktopListView(u, TDesktopIcons::FindDesktopView(u, "Program Manager", ""));
    return static_cast<plat::ColorRef>(u.SendMessage(list, plat::LVM_GETTEXTBKCOLOR, 0, 0)) == plat::CLR_NONE;
}

void TMainForm::CheckTransparency() {
    if (!ckCheckTrans.Checked()) return;
    auto& u = FPlatform.user;
    const plat::Hwnd progman = u.FindWindow("Progman", nullptr);
    const plat::Hwnd foreground = u.GetForegroundWindow();
    if (!foreground) return;
    if (foreground != progman) {
        // A click on a desktop whose icons the shell moved into a WorkerW makes
        // that WorkerW the foreground window, not Progman.
        plat::Hwnd host = 0;
        TDesktopIcons::FindDesktopView(u, nullptr, nullptr, &host);
        if (foreground != host) return;
    }
    if (IconCaptionsTransparent()) return;
    desktopIcons.ApplyIconColors(lblIcon.Font.Color, lblIcon.Color(), true, ckActiveDesktop.Checked());
}

// The taskbar's check boxes where this Windows has no such part: the box cannot
// act, and says why. Its stored state stays as it is for a Windows that has one.
void TMainForm::ShowMissingShellParts() {
    struct Part {
        TCheckBox& box;
        bool present;
        const char* hint;
    };
    const bool taskBar = desktopIcons.HasTaskBar();
    const Part parts[] = {
        {ckTaskbar, taskBar, "This version of Windows has no taskbar that can be hidden."},
        {ckTrayClock, taskBar && desktopIcons.HasTrayClock(),
         "This version of Windows has no tray clock that can be hidden."},
        {ckStartButton, taskBar && desktopIcons.HasStartButton(),
         "This version of Windows has no start button that can be hidden."},
    };
    // The boxes' look is no choice of the user's: the settings store, which writes
    // a stored box at its every change, must not write them for it.
    const struct Pause {
        TFormStorage& store;
        bool active = store.Active;
        ~Pause() { store.Active = active; }
    } pause{settingsStore};
    settingsStore.Active = false;
    for (const Part& part : parts) {
        part.box.SetHint(part.present ? "" : part.hint);
        part.box.SetEnabled(part.present);
    }
}

// --- screensaver ---

void TMainForm::ckScrEnableClick() {
    const bool on = ckScrEnable.Checked();
    if (on)
        screensaver.TurnScrOn();
    else
        screensaver.TurnScrOff();
    FScreensaverSwitchedOff = !on;
    ShowScreensaverItem(on);
}

void TMainForm::ShowScreensaverItem(bool on) {
    MainPopup_ScreensaverEnabled->SetChecked(on);
    MainPopup_ScreensaverEnabled->SetCaption(on ? "Screensaver enabled" : "Screensaver disabled");
}

void TMainForm::ScrTimeoutChange() { screensaver.SetTimeOut(ScrTimeout.Value()); }

void TMainForm::RunScreensaverButtonClick() { screensaver.StartScreensaver(); }

void TMainForm::ConfigureScreensaverButtonClick() { screensaver.ConfigureScreensaver(); }

void TMainForm::MainPopup_StartscreensaverClick() {
    FPlatform.user.SendMessage(Handle(), plat::WM_SYSCOMMAND, plat::SC_SCREENSAVE, 0);
}

void TMainForm::MainPopup_ScreensaverEnabledClick() {
    TMenuItem& item = *MainPopup_ScreensaverEnabled;
    item.SetChecked(!item.Checked());
    FPlatform.user.SystemParametersInfo(plat::SPI_SETSCREENSAVEACTIVE, item.Checked() ? 1 : 0, nullptr, 0);
    FScreensaverSwitchedOff = !item.Checked();
    ckScrEnable.SetChecked(item.Checked());
    SaveCheckBoxSetting(ckScrEnable);
}

void TMainForm::SyncScreensaverState() {
    const bool active = screensaver.State();
    // Following a change made elsewhere is no switch of the program's own.
    const bool switchedOff = FScreensaverSwitchedOff;
    ckScrEnable.SetChecked(active);
    FScreensaverSwitchedOff = switchedOff;
    ShowScreensaverItem(active);
    // A timeout changed elsewhere is shown and kept as the choice, not applied
    // again. Under a minute (or a failed read) tells nothing.
    if (const int minutes = screensaver.GetTimeOut(); minutes > 0 && minutes != screensaver.Timeout()) {
        screensaver.FollowTimeOut(minutes);
        ScrTimeout.SetValue(minutes);
    }
}

std::string TMainForm::ScreensaverProfile() {
    auto key = plat::RegKey::Open(FPlatform.registry, plat::HKEY_CURRENT_USER, "Control Panel\\Desktop",
                                  plat::KEY_READ);
    auto read = [&](const char* name) {
        try {
            return key.Valid() ? key.ReadString(name).value_or("") : std::string();
        } catch (const EVelantError& error) {
            plat::Trace(FPlatform.kernel, std::string("Reading ") + name, error);
            return std::string();
        }
    };
    return read("ScreenSaveActive") + "," + read("ScreenSaveTimeOut");
}

void TMainForm::RecordScreensaverProfile() {
    try {
        WriteRegistryText(kMainKey, "ScreensaverProfile", ScreensaverProfile());
    } catch (const EVelantError& error) {
        plat::Trace(FPlatform.kernel, "Recording the screensaver profile", error);
    }
}

void TMainForm::KeepScreensaverChangesMadeInWindows() {
    std::optional<std::string> recorded;
    try {
        auto key = plat::RegKey::Open(FPlatform.registry, plat::HKEY_CURRENT_USER, kMainKey, plat::KEY_READ);
        if (key.Valid()) recorded = key.ReadString("ScreensaverProfile");
    } catch (const EVelantError& error) {
        plat::Trace(FPlatform.kernel, "Reading ScreensaverProfile", error);
    }
    // Without a record (a first run, or a record that cannot be read) the stored
    // choices stand, as they always did.
    if (recorded && *recorded != ScreensaverProfile()) {
        // The boxes show what Windows has; the restore then finds nothing to apply.
        try {
            settingsStore.StoreCurrentValue("ckScrEnable.Checked");
            settingsStore.StoreCurrentValue("ScrTimeout.Value");
        } catch (const EVelantError& error) {
            plat::Trace(FPlatform.kernel, "Keeping the screensaver settings", error);
        }
    }
}

// --- hotkeys ---

namespace {

struct ProgramHotKey {
    THotKeyModifiers modifiers;
    char letter;
};

// In index order: the index is the identifier the system reports.
constexpr ProgramHotKey kProgramHotKeys[] = {
    {hmWin, 'S'},          {hmWin, 'W'},          {hmCtrl | hmWin, 'I'},
    {hmCtrl | hmWin, 'O'}, {hmCtrl | hmWin, 'C'}, {hmCtrl | hmAlt | hmWin, 'X'},
    {hmCtrl | hmAlt, 'T'},
};

constexpr int kProgramHotKeyCount = static_cast<int>(std::size(kProgramHotKeys));

}  // namespace

// The box that switches a combination on; one box serves both CD combinations.
const TCheckBox& TMainForm::HotKeyBox(int index) const {
    const TCheckBox* boxes[] = {&ckHotScr, &ckHotWall,     &ckHotHideIcons, &ckHotCd,
                                &ckHotCd,  &ckHotShutdown, &ckTransparency};
    return *boxes[index];
}

void TMainForm::AddProgramHotKeys() {
    for (int i = 0; i < kProgramHotKeyCount; ++i)
        hotKeys.AddHotKey(hkLetter(kProgramHotKeys[i].letter), kProgramHotKeys[i].modifiers,
                         HotKeyBox(i).Checked());
}

void TMainForm::UpdateHotKeyEntries() {
    if (hotKeys.Count() < kProgramHotKeyCount) return;  // the boxes are restored before the combinations exist
    for (int i = 0; i < kProgramHotKeyCount; ++i) hotKeys.SetEnabled(i, HotKeyBox(i).Checked());
}

void TMainForm::ckHotEnableClick() {
    SaveCheckBoxSetting(ckHotEnable);
    hotKeys.SetActive(ckHotEnable.Checked());
}

void TMainForm::HotKeyPressed(TComponent&, int index) {
    if (index < 0 || index >= kProgramHotKeyCount || !HotKeyBox(index).Checked()) return;
    switch (index) {
        case 0:
            FPlatform.user.SendMessage(Handle(), plat::WM_SYSCOMMAND, plat::SC_SCREENSAVE, 0);
            break;
        case 1:
            ChangeWallpaper();
            ApplyIconColors();
            break;
        case 2:
            ClickDesktopIcons();
            break;
        case 3:
            CdTrayCommand(true);
            break;
        case 4:
            CdTrayCommand(false);
            break;
        case 5:
            LogonCommand(TRebootOperation::roShutDown);
            break;
        case 6:
            desktopIcons.ApplyIconColors(lblIcon.Font.Color, lblIcon.Color(), true, ckActiveDesktop.Checked());
            break;
    }
}

// --- CD tray ---

void TMainForm::CdTrayCommand(bool open) {
    auto& mm = FPlatform.multimedia;
    const std::uint32_t error =
        mm.mciSendString(open ? "Set cdaudio door open wait" : "Set cdaudio door closed wait");
    if (error == 0) return;
    std::string text;
    mm.mciGetErrorString(error, text, 127);
    FPlatform.dialogs.MessageBox(Handle(), text, FApp.Title, plat::MB_OK);
}
