#pragma once
// Windows, messages, timers, hotkeys, system parameters and colours, cursor and
// keys, popup menus (user32 and the screen's device caps).
#include <cstdint>
#include <functional>
#include <string>

#include "platform/types.h"

namespace plat {

// Told each display monitor's rectangle in virtual-screen coordinates; false stops the enumeration.
using MonitorEnumProc = std::function<bool(const Rect& monitor)>;

// The procedure of a window the program creates; returns the message's result.
using WndProc = std::function<LResult(std::uint32_t msg, WParam wParam, LParam lParam)>;

class IUser {
public:
    virtual ~IUser() = default;

    // An ordinary hidden top-level window (never message-only, so it hears the
    // shell's broadcasts) whose messages go to proc.
    virtual Hwnd CreateHiddenWindow(const std::string& className, WndProc proc) = 0;
    virtual bool DestroyWindow(Hwnd wnd) = 0;
    virtual bool IsWindow(Hwnd wnd) = 0;

    // A null class or title pointer matches any; an empty title matches only untitled windows.
    virtual Hwnd FindWindow(const char* className, const char* windowName) = 0;
    virtual Hwnd FindWindowEx(Hwnd parent, Hwnd childAfter, const char* className,
                              const char* windowName) = 0;
    virtual bool ShowWindow(Hwnd wnd, int cmdShow) = 0;
    virtual bool IsWindowVisible(Hwnd wnd) = 0;
    virtual LResult SendMessage(Hwnd wnd, std::uint32_t msg, WParam wParam, LParam lParam) = 0;
    virtual LResult SendMessageTimeout(Hwnd wnd, std::uint32_t msg, WParam wParam, LParam lParam,
                                       std::uint32_t flags, std::uint32_t timeoutMs,
                                       std::uintptr_t* result) = 0;
    virtual bool PostMessage(Hwnd wnd, std::uint32_t msg, WParam wParam, LParam lParam) = 0;
    virtual std::uint32_t RegisterWindowMessage(const std::string& name) = 0;
    // Dispatches the messages waiting for this thread; false when WM_QUIT was seen.
    virtual bool ProcessMessages() = 0;

    virtual Hwnd GetForegroundWindow() = 0;
    virtual bool SetForegroundWindow(Hwnd wnd) = 0;
    // Lets the process (or every one, ASFW_ANY) take the foreground this process may give.
    virtual bool AllowSetForegroundWindow(std::uint32_t processId) = 0;
    virtual Hwnd SetFocus(Hwnd wnd) = 0;
    virtual Hwnd GetDesktopWindow() = 0;
    // At most maxCount - 1 characters, as GetWindowText with a buffer of maxCount.
    virtual std::string GetWindowText(Hwnd wnd, int maxCount) = 0;
    // Characters in the caption, without the terminating null; 0 for none or no window.
    virtual int GetWindowTextLength(Hwnd wnd) = 0;
    virtual bool SetWindowText(Hwnd wnd, const std::string& text) = 0;
    virtual bool GetWindowPlacement(Hwnd wnd, WindowPlacement& placement) = 0;

    virtual bool GetCursorPos(Point& pt) = 0;
    virtual short GetKeyState(int virtKey) = 0;

    virtual std::uintptr_t SetTimer(Hwnd wnd, std::uintptr_t id, std::uint32_t elapseMs) = 0;
    virtual bool KillTimer(Hwnd wnd, std::uintptr_t id) = 0;

    virtual bool RegisterHotKey(Hwnd wnd, int id, std::uint32_t modifiers, std::uint32_t vk) = 0;
    virtual bool UnregisterHotKey(Hwnd wnd, int id) = 0;

    // pvParam as Win32 defines it for the action: a char* path, a BOOL* or int* out value, or null.
    virtual bool SystemParametersInfo(std::uint32_t action, std::uint32_t uiParam, void* pvParam,
                                      std::uint32_t winIni) = 0;
    virtual int GetSystemMetrics(int index) = 0;
    virtual int GetScreenDeviceCaps(int index) = 0;
    // EnumDisplayMonitors over the whole virtual screen (no device context, no
    // clip), proc told each monitor's rcMonitor; false when it failed.
    virtual bool EnumDisplayMonitors(const MonitorEnumProc& proc) = 0;
    virtual ColorRef GetSysColor(int index) = 0;
    virtual bool SetSysColors(int count, const int* elements, const ColorRef* colors) = 0;

    virtual Hmenu CreatePopupMenu() = 0;
    virtual bool DestroyMenu(Hmenu menu) = 0;
    virtual bool AppendMenu(Hmenu menu, std::uint32_t flags, std::uintptr_t idOrSubmenu,
                            const std::string& text) = 0;
    virtual bool SetMenuDefaultItem(Hmenu menu, std::uint32_t id, std::uint32_t byPosition) = 0;
    // Returns the chosen command id with TPM_RETURNCMD, otherwise non-zero on success.
    virtual int TrackPopupMenu(Hmenu menu, std::uint32_t flags, int x, int y, int reserved, Hwnd owner) = 0;

    virtual Hicon LoadAppIcon() = 0;
    virtual bool DestroyIcon(Hicon icon) = 0;
};

}  // namespace plat
