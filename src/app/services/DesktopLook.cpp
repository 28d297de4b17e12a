#include "app/services/DesktopLook.h"

#include "platform/constants.h"

void TDesktopLook::ApplyIconColors() {
    const TLabel& sample = FControls.sample;
    FIcons.ApplyIconColors(sample.Font.Color, sample.Color(), sample.Transparent(),
                           FControls.activeDesktop.Checked());
}

void TDesktopLook::ApplyTransparency() {
    FIcons.ApplyIconColors(FControls.sample.Font.Color, FControls.sample.Color(), true,
                           FControls.activeDesktop.Checked());
}

bool TDesktopLook::IconCaptionsTransparent() {
    auto& u = FContext.platform.user;
    const plat::Hwnd list =
        TDesktopIcons::FindDesktopListView(u, TDesktopIcons::FindDesktopView(u, "Program Manager", ""));
    return static_cast<plat::ColorRef>(u.SendMessage(list, plat::LVM_GETTEXTBKCOLOR, 0, 0)) == plat::CLR_NONE;
}

void TDesktopLook::CheckTransparency() {
    if (!FControls.checkAtIntervals.Checked()) return;
    auto& u = FContext.platform.user;
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
    ApplyTransparency();
}
