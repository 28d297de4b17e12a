#include "app/services/ScreensaverChoice.h"

#include <optional>

#include "app/settings/FormStorage.h"
#include "app/settings/Settings.h"
#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"

void TScreensaverChoice::ShowSystemState() {
    FControls.enabled.SetChecked(FScreensaver.State());
    FControls.timeout.SetValue(FScreensaver.Timeout());
    ShowMenuItem(FControls.enabled.Checked());
}

void TScreensaverChoice::EnabledClicked() {
    const bool on = FControls.enabled.Checked();
    if (on)
        FScreensaver.TurnScrOn();
    else
        FScreensaver.TurnScrOff();
    FSwitchedOff = !on;
    ShowMenuItem(on);
}

void TScreensaverChoice::ShowMenuItem(bool on) {
    FControls.menuItem->SetChecked(on);
    FControls.menuItem->SetCaption(on ? "Screensaver enabled" : "Screensaver disabled");
}

void TScreensaverChoice::TimeoutChanged() { FScreensaver.SetTimeOut(FControls.timeout.Value()); }

void TScreensaverChoice::MenuItemClicked() {
    TMenuItem& item = *FControls.menuItem;
    item.SetChecked(!item.Checked());
    FContext.platform.user.SystemParametersInfo(plat::SPI_SETSCREENSAVEACTIVE, item.Checked() ? 1 : 0,
                                                nullptr, 0);
    FSwitchedOff = !item.Checked();
    FControls.enabled.SetChecked(item.Checked());
    FContext.settings.Save(FControls.enabled, TStoredIn::MainMirror);
}

void TScreensaverChoice::FollowSystem() {
    const bool active = FScreensaver.State();
    // Following a change made elsewhere is no switch of the program's own.
    const bool switchedOff = FSwitchedOff;
    FControls.enabled.SetChecked(active);
    FSwitchedOff = switchedOff;
    ShowMenuItem(active);
    // A timeout changed elsewhere is shown and kept as the choice, not applied
    // again. Under a minute (or a failed read) tells nothing.
    if (const int minutes = FScreensaver.GetTimeOut(); minutes > 0 && minutes != FScreensaver.Timeout()) {
        FScreensaver.FollowTimeOut(minutes);
        FControls.timeout.SetValue(minutes);
    }
}

std::string TScreensaverChoice::Profile() {
    auto& p = FContext.platform;
    auto key =
        plat::RegKey::Open(p.registry, plat::HKEY_CURRENT_USER, "Control Panel\\Desktop", plat::KEY_READ);
    auto read = [&](const char* name) {
        try {
            return key.Valid() ? key.ReadString(name).value_or("") : std::string();
        } catch (const EVelantError& error) {
            plat::Trace(p.kernel, std::string("Reading ") + name, error);
            return std::string();
        }
    };
    return read("ScreenSaveActive") + "," + read("ScreenSaveTimeOut");
}

void TScreensaverChoice::RecordProfile() {
    try {
        FContext.settings.WriteText(TStoredIn::MainMirror, "ScreensaverProfile", Profile());
    } catch (const EVelantError& error) {
        plat::Trace(FContext.platform.kernel, "Recording the screensaver profile", error);
    }
}

void TScreensaverChoice::KeepChangesMadeInWindows() {
    std::optional<std::string> recorded;
    try {
        recorded = FContext.settings.ReadText(TStoredIn::MainMirror, "ScreensaverProfile");
    } catch (const EVelantError& error) {
        plat::Trace(FContext.platform.kernel, "Reading ScreensaverProfile", error);
    }
    // Without a record (a first run, or a record that cannot be read) the stored
    // choices stand, as they always did.
    if (recorded && *recorded != Profile()) {
        // The boxes show what Windows has; the restore then finds nothing to apply.
        try {
            FContext.store.StoreCurrentValue(FControls.enabled.Name() + ".Checked");
            FContext.store.StoreCurrentValue(FControls.timeout.Name() + ".Value");
        } catch (const EVelantError& error) {
            plat::Trace(FContext.platform.kernel, "Keeping the screensaver settings", error);
        }
    }
}

void TScreensaverChoice::RestoreAtClose() {
    // One that was off before, or was switched off elsewhere, is none of the
    // program's business.
    if (FControls.enabled.Checked() || FControls.keepDisabled.Checked() || !FSwitchedOff) return;
    FContext.platform.user.SystemParametersInfo(plat::SPI_SETSCREENSAVEACTIVE, 1, nullptr,
                                                plat::SPIF_UPDATEINIFILE | plat::SPIF_SENDCHANGE);
    // The program's own change of the profile is no choice of the user's.
    RecordProfile();
}
