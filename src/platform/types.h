#pragma once
// Handle and value types shared by every platform family. The host build has no
// Windows headers, so a handle holds an integer with the same width as Win32's;
// each kind is its own type, so a window cannot be passed where a menu is meant.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

namespace plat {

// Zero is "no handle" for every kind, as Win32's null, and may be written 0 or
// nullptr; any other integer becomes a handle, and a handle its integer, only on
// purpose (Value), where a family hands it to Windows or writes it down.
template <class Tag>
class THandle {
public:
    constexpr THandle() = default;
    constexpr THandle(std::nullptr_t) {}
    constexpr explicit THandle(std::uintptr_t value) : FValue(value) {}

    constexpr std::uintptr_t Value() const { return FValue; }
    constexpr explicit operator bool() const { return FValue != 0; }

    friend constexpr bool operator==(THandle a, THandle b) { return a.FValue == b.FValue; }
    friend constexpr bool operator!=(THandle a, THandle b) { return a.FValue != b.FValue; }
    friend constexpr bool operator<(THandle a, THandle b) { return a.FValue < b.FValue; }
    friend constexpr bool operator<=(THandle a, THandle b) { return a.FValue <= b.FValue; }
    friend constexpr bool operator>(THandle a, THandle b) { return a.FValue > b.FValue; }
    friend constexpr bool operator>=(THandle a, THandle b) { return a.FValue >= b.FValue; }

private:
    std::uintptr_t FValue = 0;
};

// Test failures and traces print a handle as its number.
template <class Char, class Traits, class Tag>
std::basic_ostream<Char, Traits>& operator<<(std::basic_ostream<Char, Traits>& out, THandle<Tag> h) {
    return out << h.Value();
}

using Hwnd = THandle<struct HwndTag>;
using Hkey = THandle<struct HkeyTag>;
using Hmenu = THandle<struct HmenuTag>;
using Hicon = THandle<struct HiconTag>;
using Handle = THandle<struct KernelHandleTag>;  // files, events, processes, notifications
using Pidl = THandle<struct PidlTag>;
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

// WM_COPYDATA's argument, laid out as COPYDATASTRUCT.
struct CopyData {
    std::uintptr_t dwData = 0;
    std::uint32_t cbData = 0;
    const void* lpData = nullptr;
};

struct SystemTime {
    int year = 0, month = 0, dayOfWeek = 0, day = 0;
    int hour = 0, minute = 0, second = 0, milliseconds = 0;
};

}  // namespace plat

namespace std {
template <class Tag>
struct hash<plat::THandle<Tag>> {
    std::size_t operator()(plat::THandle<Tag> h) const noexcept {
        return std::hash<std::uintptr_t>()(h.Value());
    }
};
}  // namespace std
