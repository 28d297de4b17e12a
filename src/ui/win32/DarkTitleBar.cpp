#include "ui/win32/DarkTitleBar.h"

#include "platform/win32/OnDemand.h"

namespace win32 {

namespace {

// DWMWA_USE_IMMERSIVE_DARK_MODE, and the number Windows 10 before 2004 knew it by.
constexpr DWORD kImmersiveDarkMode = 20;
constexpr DWORD kImmersiveDarkModeBefore2004 = 19;

}  // namespace

bool UseDarkTitleBar(HWND wnd, bool dark) {
    // Looked up at run time: the program starts where dwmapi is missing or lacks it.
    using Fn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static const Fn setAttribute = OnDemand<Fn>("dwmapi.dll", "DwmSetWindowAttribute");
    if (!setAttribute || !wnd) return false;
    const BOOL value = dark ? TRUE : FALSE;
    if (FAILED(setAttribute(wnd, kImmersiveDarkMode, &value, sizeof value)) &&
        FAILED(setAttribute(wnd, kImmersiveDarkModeBefore2004, &value, sizeof value)))
        return false;
    // A shown title bar keeps its old colours until its frame is drawn again.
    if (::IsWindowVisible(wnd))
        ::SetWindowPos(wnd, nullptr, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return true;
}

}  // namespace win32
