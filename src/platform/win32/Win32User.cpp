#include "platform/win32/Win32User.h"

#include <vector>

namespace win32 {

namespace {

HWND H(plat::Hwnd wnd) { return ToWin(wnd); }
plat::Hwnd P(HWND wnd) { return FromWin(wnd); }
HMENU M(plat::Hmenu menu) { return ToWin(menu); }

}  // namespace

// A hidden top-level window whose messages go to a procedure the program gives.
class Win32User::HiddenWindow final : public Window {
public:
    HiddenWindow(plat::WndProc proc, const std::function<void(const std::exception&)>& onError)
        : FProc(std::move(proc)), FOnError(onError) {}

    bool Create(const std::string& className) {
        // WS_POPUP without WS_VISIBLE: a real top-level window, so the shell's
        // broadcasts (TaskbarCreated) reach it, yet nothing is ever shown.
        return Window::Create(className, className, WS_POPUP, WS_EX_TOOLWINDOW, 0, 0, 0, 0, nullptr);
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
        // Until Create returns the program's procedure cannot know its handle.
        if (!FProc || msg == WM_GETMINMAXINFO || msg == WM_NCCREATE || msg == WM_NCCALCSIZE ||
            msg == WM_CREATE)
            return Window::HandleMessage(msg, wParam, lParam);
        LRESULT result = 0;
        try {
            result = FProc(msg, wParam, lParam);
        } catch (const std::exception& e) {
            if (FOnError)
                FOnError(e);
            else
                ::OutputDebugStringA((std::string("Window message: ") + e.what() + "\n").c_str());
        }
        // The program's procedure has no DefWindowProc to call: the system's own
        // messages keep their default answers (a hidden window must never veto
        // the end of the session, nor be destroyed by a stray WM_CLOSE).
        if (msg == WM_CLOSE) return 0;
        if (msg < WM_USER && msg != WM_POWERBROADCAST && msg != WM_DEVICECHANGE)
            return Window::HandleMessage(msg, wParam, lParam);
        return result;
    }

private:
    plat::WndProc FProc;
    const std::function<void(const std::exception&)>& FOnError;
};

Win32User::Win32User(int appIconId) : FAppIconId(appIconId) {}
Win32User::~Win32User() = default;

plat::Hwnd Win32User::CreateHiddenWindow(const std::string& className, plat::WndProc proc) {
    if (!Window::RegisterWindowClass(className)) return 0;
    auto window = std::make_unique<HiddenWindow>(std::move(proc), FOnError);
    if (!window->Create(className)) return 0;
    HWND wnd = window->Handle();
    FHidden[wnd] = std::move(window);
    return P(wnd);
}

bool Win32User::DestroyWindow(plat::Hwnd wnd) {
    auto it = FHidden.find(H(wnd));
    if (it != FHidden.end()) {
        FHidden.erase(it);  // the owner destroys the window
        return true;
    }
    return ::DestroyWindow(H(wnd)) != FALSE;
}

bool Win32User::IsWindow(plat::Hwnd wnd) { return ::IsWindow(H(wnd)) != FALSE; }

plat::Hwnd Win32User::FindWindow(const char* className, const char* windowName) {
    return P(::FindWindowA(className, windowName));
}

plat::Hwnd Win32User::FindWindowEx(plat::Hwnd parent, plat::Hwnd childAfter, const char* className,
                                   const char* windowName) {
    return P(::FindWindowExA(H(parent), H(childAfter), className, windowName));
}

bool Win32User::ShowWindow(plat::Hwnd wnd, int cmdShow) { return ::ShowWindow(H(wnd), cmdShow); }

bool Win32User::IsWindowVisible(plat::Hwnd wnd) { return ::IsWindowVisible(H(wnd)) != FALSE; }

plat::LResult Win32User::SendMessage(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam,
                                     plat::LParam lParam) {
    return ::SendMessageA(H(wnd), msg, wParam, lParam);
}

plat::LResult Win32User::SendMessageTimeout(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam,
                                            plat::LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                                            std::uintptr_t* result) {
    DWORD_PTR r = 0;
    LRESULT ok = ::SendMessageTimeoutA(H(wnd), msg, wParam, lParam, flags, timeoutMs, &r);
    if (result) *result = r;
    return ok;
}

bool Win32User::PostMessage(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
    return ::PostMessageA(H(wnd), msg, wParam, lParam) != FALSE;
}

std::uint32_t Win32User::RegisterWindowMessage(const std::string& name) {
    return ::RegisterWindowMessageA(name.c_str());
}

bool Win32User::ProcessMessages() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // The main loop must still see it and end the program.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        Deliver(msg);
    }
    return true;
}

int Win32User::RunMessageLoop(const std::function<bool()>& done) {
    MSG msg;
    for (;;) {
        const BOOL got = ::GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0) return static_cast<int>(msg.wParam);  // WM_QUIT
        if (got == -1) return 1;
        Deliver(msg);
        if (done && done()) return 0;
    }
}

void Win32User::Deliver(MSG& msg) {
    if (FFilter && FFilter(msg)) return;
    if (FDialogWnd && ::IsDialogMessageA(FDialogWnd, &msg)) return;
    ::TranslateMessage(&msg);
    ::DispatchMessageA(&msg);
}

plat::Hwnd Win32User::GetForegroundWindow() { return P(::GetForegroundWindow()); }

bool Win32User::SetForegroundWindow(plat::Hwnd wnd) { return ::SetForegroundWindow(H(wnd)); }

bool Win32User::AllowSetForegroundWindow(std::uint32_t processId) {
    return ::AllowSetForegroundWindow(processId) != FALSE;
}

plat::Hwnd Win32User::SetFocus(plat::Hwnd wnd) { return P(::SetFocus(H(wnd))); }

plat::Hwnd Win32User::GetDesktopWindow() { return P(::GetDesktopWindow()); }

std::string Win32User::GetWindowText(plat::Hwnd wnd, int maxCount) {
    if (maxCount <= 0) return {};
    std::vector<char> buffer(static_cast<size_t>(maxCount) + 1, '\0');
    int n = ::GetWindowTextA(H(wnd), buffer.data(), maxCount);
    return std::string(buffer.data(), n > 0 ? static_cast<size_t>(n) : 0);
}

int Win32User::GetWindowTextLength(plat::Hwnd wnd) { return ::GetWindowTextLengthA(H(wnd)); }

bool Win32User::SetWindowText(plat::Hwnd wnd, const std::string& text) {
    return ::SetWindowTextA(H(wnd), text.c_str()) != FALSE;
}

bool Win32User::GetWindowPlacement(plat::Hwnd wnd, plat::WindowPlacement& placement) {
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    if (!::GetWindowPlacement(H(wnd), &wp)) return false;
    placement.flags = wp.flags;
    placement.showCmd = wp.showCmd;
    placement.minPosition = {wp.ptMinPosition.x, wp.ptMinPosition.y};
    placement.maxPosition = {wp.ptMaxPosition.x, wp.ptMaxPosition.y};
    placement.normalPosition = {wp.rcNormalPosition.left, wp.rcNormalPosition.top, wp.rcNormalPosition.right,
                                wp.rcNormalPosition.bottom};
    return true;
}

bool Win32User::GetCursorPos(plat::Point& pt) {
    POINT p{};
    if (!::GetCursorPos(&p)) return false;
    pt = {p.x, p.y};
    return true;
}

short Win32User::GetKeyState(int virtKey) { return ::GetKeyState(virtKey); }

std::uintptr_t Win32User::SetTimer(plat::Hwnd wnd, std::uintptr_t id, std::uint32_t elapseMs) {
    return ::SetTimer(H(wnd), id, elapseMs, nullptr);
}

bool Win32User::KillTimer(plat::Hwnd wnd, std::uintptr_t id) { return ::KillTimer(H(wnd), id); }

bool Win32User::RegisterHotKey(plat::Hwnd wnd, int id, std::uint32_t modifiers, std::uint32_t vk) {
    return ::RegisterHotKey(H(wnd), id, modifiers, vk) != FALSE;
}

bool Win32User::UnregisterHotKey(plat::Hwnd wnd, int id) { return ::UnregisterHotKey(H(wnd), id) != FALSE; }

bool Win32User::SystemParametersInfo(std::uint32_t action, std::uint32_t uiParam, void* pvParam,
                                     std::uint32_t winIni) {
    return ::SystemParametersInfoA(action, uiParam, pvParam, winIni) != FALSE;
}

int Win32User::GetSystemMetrics(int index) { return ::GetSystemMetrics(index); }

int Win32User::GetScreenDeviceCaps(int index) {
    WindowDC dc(nullptr);
    return dc ? ::GetDeviceCaps(dc.get(), index) : 0;
}

namespace {

BOOL CALLBACK EachMonitor(HMONITOR, HDC, LPRECT rect, LPARAM data) {
    const auto& proc = *reinterpret_cast<const plat::MonitorEnumProc*>(data);
    return proc(plat::Rect{rect->left, rect->top, rect->right, rect->bottom}) ? TRUE : FALSE;
}

}  // namespace

bool Win32User::EnumDisplayMonitors(const plat::MonitorEnumProc& proc) {
    return ::EnumDisplayMonitors(nullptr, nullptr, EachMonitor, reinterpret_cast<LPARAM>(&proc)) != FALSE;
}

plat::ColorRef Win32User::GetSysColor(int index) { return ::GetSysColor(index); }

bool Win32User::SetSysColors(int count, const int* elements, const plat::ColorRef* colors) {
    std::vector<COLORREF> values(colors, colors + (count > 0 ? count : 0));
    return ::SetSysColors(count, elements, values.data()) != FALSE;
}

plat::Hmenu Win32User::CreatePopupMenu() { return FromWin(::CreatePopupMenu()); }

bool Win32User::DestroyMenu(plat::Hmenu menu) { return ::DestroyMenu(M(menu)) != FALSE; }

bool Win32User::AppendMenu(plat::Hmenu menu, std::uint32_t flags, std::uintptr_t idOrSubmenu,
                           const std::string& text) {
    const char* item = (flags & MF_SEPARATOR) ? nullptr : text.c_str();
    if (!(flags & MF_OWNERDRAW)) return ::AppendMenuA(M(menu), flags, idOrSubmenu, item) != FALSE;
    // Appended as text first, so that the caption stays readable (accessibility,
    // other programs), then switched to drawing by the owner.
    if (!::AppendMenuA(M(menu), flags & ~MF_OWNERDRAW, idOrSubmenu, item)) return false;
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    const int last = ::GetMenuItemCount(M(menu)) - 1;
    if (!::GetMenuItemInfoA(M(menu), static_cast<UINT>(last), TRUE, &info)) return false;
    info.fType |= MFT_OWNERDRAW;
    return ::SetMenuItemInfoA(M(menu), static_cast<UINT>(last), TRUE, &info) != FALSE;
}

bool Win32User::SetMenuDefaultItem(plat::Hmenu menu, std::uint32_t id, std::uint32_t byPosition) {
    return ::SetMenuDefaultItem(M(menu), id, byPosition) != FALSE;
}

int Win32User::TrackPopupMenu(plat::Hmenu menu, std::uint32_t flags, int x, int y, int reserved,
                              plat::Hwnd owner) {
    return ::TrackPopupMenu(M(menu), flags, x, y, reserved, H(owner), nullptr);
}

plat::Hicon Win32User::LoadAppIcon() {
    // The notification area wants the small size at the screen's density (24 pixels
    // at 150 %); LoadIconMetric takes the nearest image of the icon group and scales
    // it down rather than up. LoadImage at the system's small size is the fallback.
    HICON icon = nullptr;
    if (FAppIconId != 0) {
        const HINSTANCE module = ::GetModuleHandleA(nullptr);
        if (FAILED(::LoadIconMetric(module, MAKEINTRESOURCEW(FAppIconId), LIM_SMALL, &icon))) icon = nullptr;
        if (!icon)
            icon = static_cast<HICON>(::LoadImageA(module, MAKEINTRESOURCEA(FAppIconId), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXSMICON),
                                                   ::GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    }
    if (!icon) {
        // A module without our icon (the test program): a copy of the stock one,
        // so the caller may destroy what it got.
        icon = ::CopyIcon(::LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION)));
    }
    return FromWin(icon);
}

bool Win32User::DestroyIcon(plat::Hicon icon) { return ::DestroyIcon(ToWin(icon)) != FALSE; }

}  // namespace win32
