#include "ui/win32/Dpi.h"

#include <cstring>

namespace win32 {

namespace {

// Looked up once: older systems (and older Wine) do not export them.
template <class Fn>
Fn User32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleA("user32.dll");
    if (!user32) return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(user32, name)));
}

int SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int WindowDpi(HWND wnd) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn forWindow = User32Function<Fn>("GetDpiForWindow");
    if (forWindow && wnd)
        if (const UINT dpi = forWindow(wnd)) return static_cast<int>(dpi);
    return SystemDpi();
}

int SystemMetricForDpi(int index, int dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const Fn forDpi = User32Function<Fn>("GetSystemMetricsForDpi");
    if (forDpi) return forDpi(index, static_cast<UINT>(dpi));
    // The system's own metrics are at its own density.
    return ::MulDiv(::GetSystemMetrics(index), dpi, SystemDpi());
}

LOGFONTA MenuFontForDpi(int dpi) {
    // The wide structure: the per-dpi query has no ANSI form.
    using Fn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const Fn forDpi = User32Function<Fn>("SystemParametersInfoForDpi");
    LOGFONTA lf{};
    NONCLIENTMETRICSW wide{};
    wide.cbSize = sizeof wide;
    if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof wide, &wide, 0, static_cast<UINT>(dpi))) {
        const LOGFONTW& w = wide.lfMenuFont;
        lf.lfHeight = w.lfHeight;
        lf.lfWidth = w.lfWidth;
        lf.lfWeight = w.lfWeight;
        lf.lfItalic = w.lfItalic;
        lf.lfCharSet = w.lfCharSet;
        lf.lfQuality = w.lfQuality;
        lf.lfPitchAndFamily = w.lfPitchAndFamily;
        ::WideCharToMultiByte(CP_ACP, 0, w.lfFaceName, -1, lf.lfFaceName, LF_FACESIZE, nullptr, nullptr);
        return lf;
    }
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (::SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        lf = metrics.lfMenuFont;
        lf.lfHeight = ::MulDiv(lf.lfHeight, dpi, SystemDpi());
    } else {
        std::strcpy(lf.lfFaceName, "Segoe UI");
        lf.lfHeight = -::MulDiv(12, dpi, 96);
    }
    return lf;
}

}  // namespace win32
