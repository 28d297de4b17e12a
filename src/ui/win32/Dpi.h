#pragma once
// The pixel density a window is shown at, and system sizes at that density.
// The per-window functions came with Windows 10 (1607); where the system lacks
// them the answer is the system-wide density, which is then the only one.
#include "platform/win32/WinApi.h"

namespace win32 {

// Pixels per inch of the monitor the window is on (96 is 100 %).
int WindowDpi(HWND wnd);
// A length designed at 96 pixels per inch, at dpi.
inline int ScaleToDpi(int pixels, int dpi) { return ::MulDiv(pixels, dpi, 96); }
// GetSystemMetrics as at dpi.
int SystemMetricForDpi(int index, int dpi);
// The system's menu font as at dpi.
LOGFONTA MenuFontForDpi(int dpi);

}  // namespace win32
