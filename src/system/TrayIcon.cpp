#include "system/TrayIcon.h"

#include <algorithm>
#include <cstring>

#include "platform/constants.h"

namespace {
constexpr std::uintptr_t kCycleTimerId = 1;
}

TTrayIcon::TTrayIcon(std::string name, plat::IUser& user, plat::IShell& shell, TApplication& app,
                     TForm& owner)
    : TComponent(std::move(name)), FUser(user), FShell(shell), FApp(app), FOwner(owner) {
    FWnd = FUser.CreateHiddenWindow(
        "TCoolTrayIconWnd",
        [this](std::uint32_t msg, plat::WParam w, plat::LParam l) { return IconWindowProc(msg, w, l); });
    // The shell sends this to every top-level window when it re-creates the
    // taskbar; without re-adding the icon the resident program is unreachable.
    FTaskbarCreated = FUser.RegisterWindowMessage("TaskbarCreated");
    FApp.OnMinimize = [this] {
        if (MinimizeToTray) MinimizeToNotificationArea();
    };
}

TTrayIcon::~TTrayIcon() {
    RemoveIcon();
    if (FIcon) FUser.DestroyIcon(FIcon);
    if (FCycleIcons) FUser.KillTimer(FWnd, kCycleTimerId);
    FUser.DestroyWindow(FWnd);
    FApp.OnMinimize = nullptr;
}

void TTrayIcon::FillIconData() {
    FData = plat::NotifyIconData{};
    FData.cbSize = 88;
    FData.wnd = FWnd;
    FData.id = 1;
    FData.flags = plat::NIF_MESSAGE | plat::NIF_ICON | plat::NIF_TIP;
    FData.callbackMessage = plat::WM_TRAYNOTIFY;
    FData.icon = FIcon;
    if (!FHint.empty() && FShowHint) {
        std::size_t n = std::min<std::size_t>(FHint.size(), sizeof(FData.tip) - 1);
        std::memcpy(FData.tip, FHint.data(), n);
    }
}

bool TTrayIcon::AddIcon() {
    FillIconData();
    bool ok = FShell.Shell_NotifyIcon(plat::NIM_ADD, FData);
    FIconVisible = true;
    return ok;
}

bool TTrayIcon::RemoveIcon() {
    FillIconData();
    bool ok = FShell.Shell_NotifyIcon(plat::NIM_DELETE, FData);
    FIconVisible = false;
    return ok;
}

bool TTrayIcon::UpdateIcon() {
    FillIconData();
    return FShell.Shell_NotifyIcon(plat::NIM_MODIFY, FData);
}

void TTrayIcon::SetIconVisible(bool value) {
    if (value)
        AddIcon();
    else
        RemoveIcon();
}

void TTrayIcon::SetIcon(plat::Hicon icon) {
    if (FIcon && FIcon != icon) FUser.DestroyIcon(FIcon);
    FIcon = icon;
    UpdateIcon();
}

void TTrayIcon::SetHint(const std::string& value) {
    FHint = value;
    UpdateIcon();
}

void TTrayIcon::SetShowHint(bool value) {
    FShowHint = value;
    UpdateIcon();
}

void TTrayIcon::SetCycleIcons(bool value) {
    FCycleIcons = value;
    if (value) {
        FNextImage = 0;
        if (FCycleInterval > 0) FUser.SetTimer(FWnd, kCycleTimerId, FCycleInterval);
    } else {
        FUser.KillTimer(FWnd, kCycleTimerId);
    }
}

void TTrayIcon::SetCycleInterval(std::uint32_t value) {
    FCycleInterval = value;
    if (FCycleIcons && value > 0) FUser.SetTimer(FWnd, kCycleTimerId, value);
}

void TTrayIcon::NextCycleIcon() {
    if (!IconList.empty()) {
        if (FNextImage >= IconList.size()) FNextImage = 0;
        FIcon = IconList[FNextImage];
        if (OnCycle) OnCycle(static_cast<int>(FNextImage));
        UpdateIcon();
        FNextImage = FNextImage + 1 >= IconList.size() ? 0 : FNextImage + 1;
    }
}

void TTrayIcon::HideApplication() { FOwner.Hide(); }

void TTrayIcon::MinimizeToNotificationArea() {
    HideApplication();
    AddIcon();
}

void TTrayIcon::Loaded() {
    FLoaded = true;
    if (StartMinimized) FApp.ShowMainForm = false;
    UpdateIcon();
    SetIconVisible(FIconVisible);
}

plat::LResult TTrayIcon::IconWindowProc(std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
    if (msg == plat::WM_TRAYNOTIFY) {
        if (Enabled) FApp.Dispatch([&] { HandleMouse(static_cast<std::uint32_t>(lParam)); });
        return 0;
    }
    if (msg == plat::WM_QUERYENDSESSION) return 1;
    if (msg == plat::WM_TIMER && wParam == kCycleTimerId) {
        FApp.Dispatch([&] { NextCycleIcon(); });
        return 0;
    }
    if (FTaskbarCreated != 0 && msg == FTaskbarCreated) {
        if (FLoaded && FIconVisible) AddIcon();
        return 0;
    }
    return 0;
}

void TTrayIcon::HandleMouse(std::uint32_t mouseMsg) {
    unsigned shift = 0;
    if (FUser.GetKeyState(plat::VK_SHIFT) < 0) shift |= ssShift;
    if (FUser.GetKeyState(plat::VK_MENU) < 0) shift |= ssAlt;
    if (FUser.GetKeyState(plat::VK_CONTROL) < 0) shift |= ssCtrl;
    plat::Point pt;
    FUser.GetCursorPos(pt);

    switch (mouseMsg) {
        case plat::WM_MOUSEMOVE:
            if (OnMouseMove) OnMouseMove(shift, pt.x, pt.y);
            break;
        case plat::WM_LBUTTONDOWN:
            if (OnMouseDown) OnMouseDown(TMouseButton::mbLeft, shift | ssLeft, pt.x, pt.y);
            FClicked = true;
            if (LeftPopup) OpenPopupMenu();
            break;
        case plat::WM_LBUTTONUP:
            if (FClicked) {
                FClicked = false;
                if (OnClick) OnClick();
            }
            if (OnMouseUp) OnMouseUp(TMouseButton::mbLeft, shift | ssLeft, pt.x, pt.y);
            break;
        case plat::WM_LBUTTONDBLCLK:
            if (OnDblClick) OnDblClick();
            if (PopupMenu && PopupMenu->AutoPopup && !LeftPopup) {
                for (auto& item : PopupMenu->Items.Items())
                    if (item->Default) {
                        item->Click();
                        break;
                    }
            }
            break;
        case plat::WM_RBUTTONDOWN:
            if (OnMouseDown) OnMouseDown(TMouseButton::mbRight, shift | ssRight, pt.x, pt.y);
            OpenPopupMenu();
            break;
        case plat::WM_RBUTTONUP:
            if (OnMouseUp) OnMouseUp(TMouseButton::mbRight, shift | ssRight, pt.x, pt.y);
            break;
        case plat::WM_MBUTTONDOWN:
            if (OnMouseDown) OnMouseDown(TMouseButton::mbMiddle, shift | ssMiddle, pt.x, pt.y);
            break;
        case plat::WM_MBUTTONUP:
            if (OnMouseUp) OnMouseUp(TMouseButton::mbMiddle, shift | ssMiddle, pt.x, pt.y);
            break;
        default:
            break;
    }
}

void TTrayIcon::OpenPopupMenu() {
    if (!PopupMenu || !PopupMenu->AutoPopup || !PopupMenu->OnPopup) return;
    plat::Point pt;
    if (!FUser.GetCursorPos(pt)) return;
    FUser.ProcessMessages();
    FUser.SetForegroundWindow(FOwner.Handle());
    PopupMenu->OnPopup(pt.x, pt.y);
    FUser.PostMessage(FOwner.Handle(), plat::WM_NULL, 0, 0);
}
