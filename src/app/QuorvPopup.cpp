// The notification icon's popup menu: popping it up, the visibility switches
// with their separators, and the "Desktop" submenu's refresh.
#include "app/QuorvFrm.h"

void TQuorvForm::WirePopupMenu() {
    CoolTrayIcon1.OnMouseUp = [this](TMouseButton button, unsigned shift, int x, int y) {
        CoolTrayIcon1MouseUp(button, shift, x, y);
    };
    OnMenuCommand = [this](std::uintptr_t id) {
        FApp.Dispatch([this, id] { RxPopupMenu1.DispatchCommand(id); });
    };

    for (auto& [box, item] : VisibilitySwitches())
        box->OnClick = [this, box = box, item = item] { VisibilitySwitchClick(*box, *item); };
}

std::vector<std::pair<TCheckBox*, TMenuItem*>> TQuorvForm::VisibilitySwitches() {
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

void TQuorvForm::CoolTrayIcon1MouseUp(TMouseButton button, unsigned, int x, int y) {
    if (button != TMouseButton::mbRight) return;
    RxPopupMenu1.Popup(FPlatform.user, x, y, Handle());
}

void TQuorvForm::VisibilitySwitchClick(TCheckBox& box, TMenuItem& item) {
    item.SetVisible(box.Checked());
    SaveCheckBoxSetting(box);
    UpdateMenuSeparators();
    RefreshDesktopMenu(box.Checked());
}

void TQuorvForm::UpdateMenuSeparators() {
    N5->SetVisible(ckMycomputer.Checked() || ckDesktop.Checked() || ckControlPanel.Checked() ||
                   ckCdRom.Checked() || ckClearRecent.Checked());
    N4->SetVisible(ckChangeW.Checked() || ckHide.Checked());
    N3->SetVisible(ckPower.Checked());
    N2->SetVisible(ckStartScr.Checked() || ckEnableScr.Checked());
}

void TQuorvForm::RefreshDesktopMenu(bool rebuild) {
    if (rebuild) FolderMenu1.Rebuild();
}

void TQuorvForm::FolderMenu1Click(TMenuItem& item) { FolderMenu1.OpenEntry(item); }

void TQuorvForm::RxDesktopMonitor1Change() { RefreshDesktopMenu(ckDesktop.Checked()); }
