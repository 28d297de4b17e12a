#pragma once
// Handle and value types shared by every platform family. The host build has no
// Windows headers, so handles are plain integers with the same width as Win32's.
#include <cstdint>
#include <string>

namespace plat {

using Hwnd = std::uintptr_t;
using Hkey = std::uintptr_t;
using Hmenu = std::uintptr_t;
using Hicon = std::uintptr_t;
using Handle = std::uintptr_t;
using Pidl = std::uintptr_t;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;
using ColorRef = std::uint32_t;  // 0x00BBGGRR

struct Point {
    int x = 0;
    int y = 0;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

struct WindowPlacement {
    std::uint32_t flags = 0;
    std::uint32_t showCmd = 0;
    Point minPosition;
    Point maxPosition;
    Rect normalPosition;
};

struct SystemTime {
    int year = 0, month = 0, dayOfWeek = 0, day = 0;
    int hour = 0, minute = 0, second = 0, milliseconds = 0;
};

}  // namespace plat
