#pragma once
// The one window base class: the static window procedure finds the object bound
// at WM_NCCREATE and hands it every message.
#include "platform/win32/WinApi.h"

#include <string>

#include "platform/win32/Handles.h"

namespace win32 {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Handle() const { return FWnd.get(); }

    // Registers the class once per process, with this base's procedure.
    static bool RegisterWindowClass(const std::string& className, HICON icon = nullptr,
                                    HBRUSH background = nullptr);

protected:
    // Creates the window bound to this object; false when CreateWindowEx fails.
    bool Create(const std::string& className, const std::string& title, DWORD style, DWORD exStyle, int x,
                int y, int width, int height, HWND parent);
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // Destroys the window now, while the derived object can still hear it go.
    void Destroy() { FWnd.reset(); }

private:
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
    UniqueHwnd FWnd;
};

}  // namespace win32
