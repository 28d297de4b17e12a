// The notification icon's popup menu: popping it up, the visibility switches
// with their separators, and the "Desktop" submenu's refresh.
#include "app/MainForm.h"

void TMainForm::WirePopupMenu() {
    trayIcon.OnMouseUp = [this](TMouseButton button, unsigned shift, int x, int y) {
        TrayIconMouseUp(button, shift, x, y);
    };
    OnMenuCommand = [this](std::uintptr_t id) {
        FApp.Dispatch([this, id] { trayMenu.DispatchCommand(id); });
    };

    for (auto& [box, item] : VisibilitySwitches())
        box->OnClick = [this, box = box, item = item] { VisibilitySwitchClick(*box, *item); };
}

std::vector<std::pair<TCheckBox*, TMenuItem*>> TMainForm::VisibilitySwitches() {
    return {
        {&ckMycomputer, MainPopup_MyComputer},
        {&ckDesktop, MainPopup_Desktop},
        {&ckControlPanel, MainPopup_Controlpanel},
        {&ckCdRom, MainPop_Cd},
        {&ckClearRecent, MainPopup_ClearRecent},
        {&ckChangeW, MainPopup_ChangeWall},
        {&ckHide, MainPopup_Hideicons},
        {&ckPower, MainPopup_Power},
        {&ckStartScr, MainPopup_Startscreensaver},
        {&ckEnableScr, MainPopup_ScreensaverEnabled},
    };
}

void TMainForm::TrayIconMouseUp(TMouseButton button, unsigned, int x, int y) {
    if (button != TMouseButton::mbRight) return;
    trayMenu.Popup(FPlatform.user, x, y, Handle());
}

void TMainForm::VisibilitySwitchClick(TCheckBox& box, TMenuItem& item) {
    item.SetVisible(box.Checked());
    SaveCheckBoxSetting(box);
    UpdateMenuSeparators();
    RefreshDesktopMenu(box.Checked());
}

void TMainForm::UpdateMenuSeparators() {
    sepAfterCd->SetVisible(ckMycomputer.Checked() || ckDesktop.Checked() || ckControlPanel.Checked() ||
                   ckCdRom.Checked() || ckClearRecent.Checked());
    sepAfterDesktopItems->SetVisible(ckChangeW.Checked() || ckHide.Checked());
    sepBeforeScreensaver->SetVisible(ckPower.Checked());
    sepBeforeConfigure->SetVisible(ckStartScr.Checked() || ckEnableScr.Checked());
}

void TMainForm::RefreshDesktopMenu(bool rebuild) {
    if (rebuild) desktopMenu.Rebuild();
}

void TMainForm::DesktopMenuClick(TMenuItem& item) { desktopMenu.OpenEntry(item); }

void TMainForm::DesktopFolderChanged() { RefreshDesktopMenu(ckDesktop.Checked()); }
