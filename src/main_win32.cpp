// Program entry: the application object, the main form and its window, and the
// message loop that runs until the form has closed.
// The program's headers come before the Windows headers: platform/constants.h
// names the same constants that windows.h defines as macros.
#include "app/MainForm.h"
#include "app/resources/resource.h"
#include "system/ColorMode.h"
#include "system/SingleCopy.h"
#include "ui/Application.h"

#include "ui/win32/DarkTitleBar.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/FormView.h"
#include "menu/win32/Win32MenuCanvas.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinApi.h"

#include <optional>

namespace {

// COM on this thread for as long as the program runs (the Active Desktop object
// and the shell's folder browser need it; OLE for drag and drop in the dialogs).
class OleSession {
public:
    OleSession() : FOk(SUCCEEDED(::OleInitialize(nullptr))) {}
    ~OleSession() {
        if (FOk) ::OleUninitialize();
    }
    OleSession(const OleSession&) = delete;
    OleSession& operator=(const OleSession&) = delete;

private:
    bool FOk;
};

// The program as the session's only copy runs it.
int RunProgram(win32::Win32Platform& win32Platform, const TSingleCopy& singleCopy) {
    // Begun once the icon is in, ended after the form is gone.
    std::optional<OleSession> ole;

    plat::Platform platform = win32Platform.platform();
    TApplication app(platform.user, platform.dialogs);
    app.Title = "Velant! Pro 2001";
    win32Platform.User().SetErrorHandler([&app](const std::exception& e) { app.HandleException(e); });

    int exitCode = 0;
    {
        TMainForm form(platform, app);
        // The icon is all a resident start shows, and it needs only its own hidden
        // window: it goes in before the configuration window's controls are built,
        // which takes longer than everything else at start.
        app.Dispatch([&] { form.LoadResidentComponents(); });
        // What only the window's controls and the rest of the start-up need.
        INITCOMMONCONTROLSEX icc{};
        icc.dwSize = sizeof icc;
        icc.dwICC = ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
        ::InitCommonControlsEx(&icc);
        ole.emplace();
        // Shown by the view, so it goes after the view's windows.
        win32::UniqueHicon sampleIcon;
        win32::FormView view(form, form.Layout(), app, app.Title, "TQuorvForm", IDI_VELANT);
        if (!view.Attach()) {
            platform.dialogs.MessageBox(0, "The main window could not be created.", app.Title,
                                        MB_OK | MB_ICONERROR);
            return 1;
        }
        // The sample of the desktop icon's caption sits under an icon of its own:
        // resource 16 of shell32 is the computer icon on Windows and Wine alike.
        if (HMODULE shell32 = ::GetModuleHandleA("shell32.dll")) {
            const int size = win32::SystemMetricForDpi(SM_CXICON, win32::WindowDpi(view.Window()));
            sampleIcon.reset(
                static_cast<HICON>(::LoadImageA(shell32, MAKEINTRESOURCEA(16), IMAGE_ICON, size, size, 0)));
            if (sampleIcon)
                ::SendMessageA(view.DialogItem(IDD_PAGE_DESKTOP, IDC_ICONPICTURE), STM_SETICON,
                               reinterpret_cast<WPARAM>(sampleIcon.get()), 0);
        }
        // The popup menu's items are drawn by the form's menu renderer; the
        // system names them by command id (or submenu handle), the renderer by item.
        form.MessageHook = [&form, &view, &app, &singleCopy](std::uint32_t msg, plat::WParam wParam,
                                                             plat::LParam lParam, plat::LResult& result) {
            if (singleCopy.IsShowRequest(msg)) {
                // Another start of the program: show the window as the icon's double click does.
                app.Dispatch([&form] { form.TrayIconDblClick(); });
                result = 0;
                return true;
            }
            if (msg == WM_MENUCHAR) {
                // Owner-drawn items have no text for the system to find a typed letter in.
                const auto menu = static_cast<std::uintptr_t>(lParam);
                const TMenuItem* popup = menu == form.trayMenu.Handle().Value()
                                             ? &form.trayMenu.Items
                                             : form.trayMenu.ItemFor(menu);
                if (!popup) return false;
                result = win32::MenuCharResult(*popup, wParam);
                return true;
            }
            if (msg == WM_MEASUREITEM && wParam == 0) {
                auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
                if (mis->CtlType != ODT_MENU) return false;
                mis->itemData = reinterpret_cast<ULONG_PTR>(form.trayMenu.ItemFor(mis->itemID));
            } else if (msg == WM_DRAWITEM && wParam == 0) {
                auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
                if (dis->CtlType != ODT_MENU) return false;
                dis->itemData = reinterpret_cast<ULONG_PTR>(form.trayMenu.ItemFor(dis->itemID));
            }
            LRESULT r = 0;
            const bool handled =
                win32::RouteMenuRendererMessage(form.menuRenderer, view.Window(), msg, wParam, lParam, r);
            result = r;
            return handled;
        };
        // The popup menu and the title bar follow Windows' dark mode for apps, as
        // it is at start and whenever the user switches it.
        TColorMode colorMode(platform.registry, platform.user);
        const auto followColorMode = [&form, &view, &colorMode] {
            form.menuRenderer.SetTheme(colorMode.Dark() ? TMenuTheme::mtDark : TMenuTheme::mtSystem);
            win32::UseDarkTitleBar(view.Window(), colorMode.Dark());
        };
        followColorMode();
        form.MessageHook = [&colorMode, followColorMode, next = std::move(form.MessageHook)](
                               std::uint32_t msg, plat::WParam wParam, plat::LParam lParam, plat::LResult& result) {
            if (msg == WM_SETTINGCHANGE &&
                TColorMode::IsModeChange(reinterpret_cast<const char*>(static_cast<std::uintptr_t>(lParam))) &&
                colorMode.Refresh())
                followColorMode();
            return next(msg, wParam, lParam, result);
        };
        win32Platform.User().SetDialogWindow(view.Window());
        win32Platform.User().SetMessageFilter([&view](MSG& m) { return view.PreTranslateMessage(m); });

        // The rest of the start-up sequence; the notification icon decided whether
        // the window shows (it stays hidden when the program starts resident).
        app.Dispatch([&] { form.Loaded(); });
        if (!view.Closed() && !app.Terminated())
            exitCode = win32Platform.User().RunMessageLoop([&app] { return app.Terminated(); });

        app.Dispatch([&] { form.Destroying(); });
        win32Platform.User().SetDialogWindow(nullptr);
        win32Platform.User().SetMessageFilter(nullptr);
    }
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    win32::Win32Platform win32Platform(IDI_VELANT);
    plat::Platform platform = win32Platform.platform();
    TSingleCopy singleCopy(platform.kernel, platform.user);
    return singleCopy.Run([&] { return RunProgram(win32Platform, singleCopy); });
}
