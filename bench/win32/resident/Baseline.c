/* The baseline of the resident-cost measurement: a program that adds one
 * notification icon and then only waits in GetMessage. Whatever the resident
 * program costs above this is its own. Closed by WM_CLOSE to its window. */
#include <windows.h>
#include <shellapi.h>

static NOTIFYICONDATAA icon;

static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_CLOSE) {
        Shell_NotifyIconA(NIM_DELETE, &icon);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(wnd, msg, w, l);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmd, int show) {
    WNDCLASSA wc = {0};
    MSG msg;
    HWND wnd;
    (void)prev, (void)cmd, (void)show;
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.lpszClassName = "VelantBaselineWnd";
    RegisterClassA(&wc);
    wnd = CreateWindowExA(0, wc.lpszClassName, "Baseline", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL, instance,
                          NULL);
    icon.cbSize = sizeof icon;
    icon.hWnd = wnd;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    lstrcpyA(icon.szTip, "Baseline");
    Shell_NotifyIconA(NIM_ADD, &icon);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
    return 0;
}
