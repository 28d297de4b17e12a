#include "platform/win32/Window.h"

#include <exception>
#include <string>

namespace win32 {

Window::~Window() {
    // The derived part is gone by now: detach so that the messages of the
    // window's destruction reach DefWindowProc, not a half-destroyed object.
    if (HWND wnd = FWnd.get()) ::SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
}

bool Window::RegisterWindowClass(const std::string& className, HICON icon, HBRUSH background) {
    HINSTANCE instance = ::GetModuleHandleA(nullptr);
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExA(instance, className.c_str(), &existing)) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Window::StaticWndProc;
    wc.hInstance = instance;
    wc.hIcon = icon;
    wc.hCursor = ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = className.c_str();
    return ::RegisterClassExA(&wc) != 0;
}

bool Window::Create(const std::string& className, const std::string& title, DWORD style, DWORD exStyle, int x,
                    int y, int width, int height, HWND parent) {
    HWND wnd = ::CreateWindowExA(exStyle, className.c_str(), title.c_str(), style, x, y, width, height,
                                 parent, nullptr, ::GetModuleHandleA(nullptr), this);
    // WM_NCCREATE stored the handle already; the owner takes it here.
    FWnd.release();
    FWnd.reset(wnd);
    return wnd != nullptr;
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    return ::DefWindowProcA(FWnd.get(), msg, wParam, lParam);
}

LRESULT CALLBACK Window::StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<Window*>(cs->lpCreateParams);
        ::SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        // Messages sent during CreateWindowEx need the handle before it returns.
        if (self) self->FWnd.release(), self->FWnd.reset(wnd);
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrA(wnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcA(wnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        LRESULT r = self->HandleMessage(msg, wParam, lParam);
        self->FWnd.release();  // the system has destroyed it
        return r;
    }
    // An exception must not unwind through the system's frames; handlers catch
    // their own at the dispatch boundary, this is the last guard.
    try {
        return self->HandleMessage(msg, wParam, lParam);
    } catch (const std::exception& error) {
        ::OutputDebugStringA((std::string("Window message: ") + error.what() + "\n").c_str());
    } catch (...) {
        ::OutputDebugStringA("Window message: an error of unknown type\n");
    }
    return ::DefWindowProcA(wnd, msg, wParam, lParam);
}

}  // namespace win32
