#pragma once
// Move-only owners of Win32 handles, one per kind, so that every early return and
// every exception gives its handle back to the system exactly once.
#include "platform/types.h"
#include "platform/win32/WinApi.h"

#include <cstdint>
#include <utility>

namespace win32 {

// The platform interfaces carry each handle kind as its own integer type; these
// are the only places it turns into Windows' type of the same kind and back.
inline HWND ToWin(plat::Hwnd h) { return reinterpret_cast<HWND>(h.Value()); }
inline HKEY ToWin(plat::Hkey h) { return reinterpret_cast<HKEY>(h.Value()); }
inline HMENU ToWin(plat::Hmenu h) { return reinterpret_cast<HMENU>(h.Value()); }
inline HICON ToWin(plat::Hicon h) { return reinterpret_cast<HICON>(h.Value()); }
inline HANDLE ToWin(plat::Handle h) { return reinterpret_cast<HANDLE>(h.Value()); }
inline PIDLIST_ABSOLUTE ToWin(plat::Pidl h) { return reinterpret_cast<PIDLIST_ABSOLUTE>(h.Value()); }

inline plat::Hwnd FromWin(HWND h) { return plat::Hwnd{reinterpret_cast<std::uintptr_t>(h)}; }
inline plat::Hkey FromWin(HKEY h) { return plat::Hkey{reinterpret_cast<std::uintptr_t>(h)}; }
inline plat::Hmenu FromWin(HMENU h) { return plat::Hmenu{reinterpret_cast<std::uintptr_t>(h)}; }
inline plat::Hicon FromWin(HICON h) { return plat::Hicon{reinterpret_cast<std::uintptr_t>(h)}; }
inline plat::Handle FromWin(HANDLE h) { return plat::Handle{reinterpret_cast<std::uintptr_t>(h)}; }
inline plat::Pidl FromWin(PIDLIST_ABSOLUTE h) { return plat::Pidl{reinterpret_cast<std::uintptr_t>(h)}; }

// Traits name the empty value and the release call of one handle kind.
template <class Traits>
class UniqueHandleT {
public:
    using pointer = typename Traits::pointer;

    UniqueHandleT() = default;
    explicit UniqueHandleT(pointer h) : FHandle(h) {}
    ~UniqueHandleT() { reset(); }
    UniqueHandleT(const UniqueHandleT&) = delete;
    UniqueHandleT& operator=(const UniqueHandleT&) = delete;
    UniqueHandleT(UniqueHandleT&& other) noexcept : FHandle(other.release()) {}
    UniqueHandleT& operator=(UniqueHandleT&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    pointer get() const { return FHandle; }
    explicit operator bool() const { return FHandle != Traits::invalid(); }
    pointer release() { return std::exchange(FHandle, Traits::invalid()); }
    void reset(pointer h = Traits::invalid()) {
        pointer old = std::exchange(FHandle, h);
        if (old != Traits::invalid()) Traits::close(old);
    }
    // For out-parameters of the API (RegOpenKeyEx(..., key.put())).
    pointer* put() {
        reset();
        return &FHandle;
    }

private:
    pointer FHandle = Traits::invalid();
};

struct HkeyTraits {
    using pointer = HKEY;
    static HKEY invalid() { return nullptr; }
    static void close(HKEY h) { ::RegCloseKey(h); }
};

// Kernel objects (files, events, tokens, processes): null is "none".
struct KernelHandleTraits {
    using pointer = HANDLE;
    static HANDLE invalid() { return nullptr; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};

// CreateFile reports failure with INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits {
    using pointer = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using pointer = HANDLE;
    static HANDLE invalid() { return INVALID_HANDLE_VALUE; }
    static void close(HANDLE h) { ::FindClose(h); }
};

struct HwndTraits {
    using pointer = HWND;
    static HWND invalid() { return nullptr; }
    static void close(HWND h) { ::DestroyWindow(h); }
};

struct HiconTraits {
    using pointer = HICON;
    static HICON invalid() { return nullptr; }
    static void close(HICON h) { ::DestroyIcon(h); }
};

struct HmenuTraits {
    using pointer = HMENU;
    static HMENU invalid() { return nullptr; }
    static void close(HMENU h) { ::DestroyMenu(h); }
};

template <class T>
struct GdiTraits {
    using pointer = T;
    static T invalid() { return nullptr; }
    static void close(T h) { ::DeleteObject(h); }
};

// Item id lists the shell allocates for the caller (SHBrowseForFolder's choice).
struct IdListTraits {
    using pointer = PIDLIST_ABSOLUTE;
    static PIDLIST_ABSOLUTE invalid() { return nullptr; }
    static void close(PIDLIST_ABSOLUTE p) { ::CoTaskMemFree(p); }
};

using UniqueHkey = UniqueHandleT<HkeyTraits>;
using UniqueHandle = UniqueHandleT<KernelHandleTraits>;
using UniqueFile = UniqueHandleT<FileHandleTraits>;
using UniqueFind = UniqueHandleT<FindHandleTraits>;
using UniqueHwnd = UniqueHandleT<HwndTraits>;
using UniqueHicon = UniqueHandleT<HiconTraits>;
using UniqueHmenu = UniqueHandleT<HmenuTraits>;
using UniqueHfont = UniqueHandleT<GdiTraits<HFONT>>;
using UniqueHbrush = UniqueHandleT<GdiTraits<HBRUSH>>;
using UniqueHbitmap = UniqueHandleT<GdiTraits<HBITMAP>>;
using UniqueHpen = UniqueHandleT<GdiTraits<HPEN>>;
using UniqueIdList = UniqueHandleT<IdListTraits>;

// A window's device context from GetDC, released to the same window.
class WindowDC {
public:
    explicit WindowDC(HWND wnd) : FWnd(wnd), FDC(::GetDC(wnd)) {}
    ~WindowDC() {
        if (FDC) ::ReleaseDC(FWnd, FDC);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return FDC; }
    explicit operator bool() const { return FDC != nullptr; }

private:
    HWND FWnd;
    HDC FDC;
};

// Selects a GDI object into a DC and puts the previous one back, so that an
// object is never deleted while still selected.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) : FDC(dc), FOld(::SelectObject(dc, obj)) {}
    ~SelectGuard() {
        if (FOld && FOld != HGDI_ERROR) ::SelectObject(FDC, FOld);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC FDC;
    HGDIOBJ FOld;
};

}  // namespace win32
