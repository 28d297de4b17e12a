#include "system/WindowedComponent.h"

plat::Hwnd TWindowedComponent::Handle() {
    if (!FHiddenWnd)
        FHiddenWnd = FUser.CreateHiddenWindow(
            FClassName, [this](std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
                return HiddenWndProc(msg, wParam, lParam);
            });
    return FHiddenWnd;
}

plat::LResult TWindowedComponent::HiddenWndProc(std::uint32_t, plat::WParam, plat::LParam) { return 0; }

void TWindowedComponent::DestroyHiddenWindow() {
    if (!FHiddenWnd) return;
    const plat::Hwnd wnd = FHiddenWnd;
    FUser.DestroyWindow(wnd);
    FHiddenWnd = 0;
}
