#pragma once
// user32 behind IUser: windows, messages, timers, hotkeys, system parameters,
// popup menus.
#include "platform/win32/WinApi.h"

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/user.h"
#include "platform/win32/Window.h"

namespace win32 {

class Win32User final : public plat::IUser {
public:
    // appIconId: the program's icon among the module's resources (0: none, the stock one).
    explicit Win32User(int appIconId = 0);
    ~Win32User() override;

    // The one message pump: waits for messages and hands each on as ProcessMessages
    // does, until WM_QUIT (whose code it returns) or until `done` says so.
    int RunMessageLoop(const std::function<bool()>& done);

    // The top-level window whose keyboard navigation IsDialogMessage handles.
    void SetDialogWindow(HWND wnd) { FDialogWnd = wnd; }
    HWND DialogWindow() const { return FDialogWnd; }
    // Sees each message before the dialog navigation; true when it consumed it.
    void SetMessageFilter(std::function<bool(MSG&)> filter) { FFilter = std::move(filter); }
    // Where an exception thrown by a hidden window's procedure is reported.
    void SetErrorHandler(std::function<void(const std::exception&)> handler) {
        FOnError = std::move(handler);
    }

    plat::Hwnd CreateHiddenWindow(const std::string& className, plat::WndProc proc) override;
    bool DestroyWindow(plat::Hwnd wnd) override;
    bool IsWindow(plat::Hwnd wnd) override;
    plat::Hwnd FindWindow(const char* className, const char* windowName) override;
    plat::Hwnd FindWindowEx(plat::Hwnd parent, plat::Hwnd childAfter, const char* className,
                            const char* windowName) override;
    bool ShowWindow(plat::Hwnd wnd, int cmdShow) override;
    bool IsWindowVisible(plat::Hwnd wnd) override;
    plat::LResult SendMessage(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam,
                              plat::LParam lParam) override;
    plat::LResult SendMessageTimeout(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam,
                                     plat::LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                                     std::uintptr_t* result) override;
    bool PostMessage(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) override;
    std::uint32_t RegisterWindowMessage(const std::string& name) override;
    bool ProcessMessages() override;

    plat::Hwnd GetForegroundWindow() override;
    bool SetForegroundWindow(plat::Hwnd wnd) override;
    bool AllowSetForegroundWindow(std::uint32_t processId) override;
    plat::Hwnd SetFocus(plat::Hwnd wnd) override;
    plat::Hwnd GetDesktopWindow() override;
    std::string GetWindowText(plat::Hwnd wnd, int maxCount) override;
    int GetWindowTextLength(plat::Hwnd wnd) override;
    bool SetWindowText(plat::Hwnd wnd, const std::string& text) override;
    bool GetWindowPlacement(plat::Hwnd wnd, plat::WindowPlacement& placement) override;

    bool GetCursorPos(plat::Point& pt) override;
    short GetKeyState(int virtKey) override;

    std::uintptr_t SetTimer(plat::Hwnd wnd, std::uintptr_t id, std::uint32_t elapseMs) override;
    bool KillTimer(plat::Hwnd wnd, std::uintptr_t id) override;
    bool RegisterHotKey(plat::Hwnd wnd, int id, std::uint32_t modifiers, std::uint32_t vk) override;
    bool UnregisterHotKey(plat::Hwnd wnd, int id) override;

    bool SystemParametersInfo(std::uint32_t action, std::uint32_t uiParam, void* pvParam,
                              std::uint32_t winIni) override;
    int GetSystemMetrics(int index) override;
    int GetScreenDeviceCaps(int index) override;
    bool EnumDisplayMonitors(const plat::MonitorEnumProc& proc) override;
    plat::ColorRef GetSysColor(int index) override;
    bool SetSysColors(int count, const int* elements, const plat::ColorRef* colors) override;

    plat::Hmenu CreatePopupMenu() override;
    bool DestroyMenu(plat::Hmenu menu) override;
    bool AppendMenu(plat::Hmenu menu, std::uint32_t flags, std::uintptr_t idOrSubmenu,
                    const std::string& text) override;
    bool SetMenuDefaultItem(plat::Hmenu menu, std::uint32_t id, std::uint32_t byPosition) override;
    int TrackPopupMenu(plat::Hmenu menu, std::uint32_t flags, int x, int y, int reserved,
                       plat::Hwnd owner) override;

    plat::Hicon LoadAppIcon() override;
    bool DestroyIcon(plat::Hicon icon) override;

private:
    class HiddenWindow;
    // The filter, the dialog navigation, then the window procedure.
    void Deliver(MSG& msg);
    int FAppIconId = 0;
    HWND FDialogWnd = nullptr;
    std::function<bool(MSG&)> FFilter;
    std::function<void(const std::exception&)> FOnError;
    std::map<HWND, std::unique_ptr<HiddenWindow>> FHidden;
};

}  // namespace win32
