#pragma once
// The window's title bar in Windows' dark or light colours, where the window
// manager offers the choice (Windows 10 1809 and later); elsewhere, Wine
// included, the call does nothing and the title bar stays as the system draws it.
#include "platform/win32/WinApi.h"

namespace win32 {

// True when the window manager took the request.
bool UseDarkTitleBar(HWND wnd, bool dark);

}  // namespace win32
