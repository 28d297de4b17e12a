// Program entry: the application object, the main form and its window, and the
// message loop that runs until the form has closed.
// The program's headers come before the Windows headers: platform/constants.h
// names the same constants that windows.h defines as macros.
#include "app/MainForm.h"
#include "app/RemoteCommands.h"
#include "app/resources/resource.h"
#include "menu/win32/MenuMessages.h"
#include "system/ColorMode.h"
#include "system/Commands.h"
#include "system/SingleCopy.h"
#include "ui/Application.h"

#include "ui/win32/DarkTitleBar.h"
#include "ui/win32/Dpi.h"
#include "ui/win32/FormView.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/WinApi.h"
#include "system/win32/CommandChannel.h"

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
int RunProgram(win32::Win32Platform& win32Platform, const TSingleCopy& singleCopy,
               const std::optional<TCommand>& command) {
    // Begun once the icon is in, ended after the form is gone.
    std::optional<OleSession> ole;

    plat::Platform platform = win32Platform.platform();
    TApplication app(platform.user, platform.dialogs);
    app.Title = "Velant! Pro 2001";
    win32Platform.User().SetErrorHandler([&app](const std::exception& e) { app.HandleException(e); });

    int exitCode = 0;
    {
        TMainForm form(platform, app);
        TRemoteCommands remote(form, platform.kernel);
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
        form.MessageHook = [&form, &view, &app, &singleCopy, &remote, &platform](
                               std::uint32_t msg, plat::WParam wParam, plat::LParam lParam,
                               plat::LResult& result) {
            if (msg == WM_COPYDATA) {
                // Another start's command: answered once checked, so that start
                // ends while this copy carries it out.
                const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
                std::optional<TCommand> accepted;
                if (!win32::SentByThisUser(reinterpret_cast<HWND>(wParam))) {
                    platform.kernel.OutputDebugString(
                        "A command message from another user's window was refused.");
                    result = PackAnswer(TCommandAnswer::caBadMessage);
                    return true;
                }
                result = data ? remote.Receive(data->dwData, data->lpData, data->cbData, accepted)
                              : PackAnswer(TCommandAnswer::caBadMessage);
                if (accepted) {
                    ::ReplyMessage(result);
                    app.Dispatch([&] { remote.Execute(*accepted); });
                }
                return true;
            }
            if (singleCopy.IsShowRequest(msg)) {
                // Another start of the program: show the window as the icon's double click does.
                app.Dispatch([&form] { form.ShowConfiguration(); });
                result = 0;
                return true;
            }
            return win32::RoutePopupMenuMessage(form.menuRenderer, form.menuPage.trayMenu, view.Window(), msg,
                                                wParam, lParam, result);
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
                               std::uint32_t msg, plat::WParam wParam, plat::LParam lParam,
                               plat::LResult& result) {
            if (msg == WM_SETTINGCHANGE &&
                TColorMode::IsModeChange(
                    reinterpret_cast<const char*>(static_cast<std::uintptr_t>(lParam))) &&
                colorMode.Refresh())
                followColorMode();
            return next(msg, wParam, lParam, result);
        };
        win32Platform.User().SetDialogWindow(view.Window());
        win32Platform.User().SetMessageFilter([&view](MSG& m) { return view.PreTranslateMessage(m); });

        // The rest of the start-up sequence; the notification icon decided whether
        // the window shows (it stays hidden when the program starts resident).
        app.Dispatch([&] { form.Loaded(); });
        // Without a running copy to take it, the start's command is this copy's own.
        if (command && !view.Closed() && !app.Terminated()) {
            TCommand own = *command;
            const plat::LResult answer = remote.Prepare(own);
            if (answer == PackAnswer(TCommandAnswer::caDone))
                app.Dispatch([&] { remote.Execute(own); });
            else
                win32::TellUser(OutcomeOf(answer, *command).text, app.Title);
        }
        if (!view.Closed() && !app.Terminated())
            exitCode = win32Platform.User().RunMessageLoop([&app] { return app.Terminated(); });

        app.Dispatch([&] { form.Destroying(); });
        win32Platform.User().SetDialogWindow(nullptr);
        win32Platform.User().SetMessageFilter(nullptr);
    }
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR cmdLine, int) {
    constexpr const char* kTitle = "Velant! Pro 2001";
    TCommandLine line = ParseCommandLine(cmdLine ? cmdLine : "");
    if (line.command) win32::MakePathsFull(*line.command);
    if (line.error.empty() && line.command) line.error = CheckCommand(*line.command);
    if (!line.error.empty()) {
        win32::TellUser(line.error, kTitle);
        return kUsageExitCode;
    }
    std::optional<TSingleCopy::THandOver> handOver;
    if (line.command)
        handOver = TSingleCopy::THandOver{kCommandMagic, EncodeCommand(*line.command),
                                          [&line, kTitle](std::optional<plat::LResult> answer) {
                                              const TCommandOutcome outcome =
                                                  OutcomeOf(answer, *line.command);
                                              if (!outcome.text.empty())
                                                  win32::TellUser(outcome.text, kTitle);
                                              return outcome.exitCode;
                                          }};

    win32::Win32Platform win32Platform(IDI_VELANT);
    plat::Platform platform = win32Platform.platform();
    TSingleCopy singleCopy(platform.kernel, platform.user);
    return singleCopy.Run([&] { return RunProgram(win32Platform, singleCopy, line.command); },
                          handOver ? &*handOver : nullptr);
}
