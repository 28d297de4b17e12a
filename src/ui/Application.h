#pragma once
// The application object: title, pending messages, minimise and restore, and the
// default error report at every dispatch boundary.
#include <exception>
#include <string>

#include "platform/dialogs.h"
#include "platform/user.h"
#include "ui/Controls.h"

class TApplication {
public:
    TApplication(plat::IUser& user, plat::IDialogs& dialogs) : FUser(user), FDialogs(dialogs) {}

    std::string Title;
    // The owner window of message boxes (the main form, once it has a window).
    plat::Hwnd MainWindow = 0;
    // Cleared by the notification icon when the program starts resident.
    bool ShowMainForm = true;

    // The default error report: a message box with the error's text; the program goes on.
    void HandleException(const std::exception& error);
    // Runs one handler at a dispatch boundary (message, timer round, hotkey).
    // Every standard error is reported here, not only the program's own: running
    // out of memory or a broken invariant (std::logic_error) in one handler is shown
    // like any other failure, never passed over, and the next message still runs.
    template <class F>
    void Dispatch(F&& handler) {
        try {
            handler();
        } catch (const std::exception& error) {
            HandleException(error);
        }
    }

    void ProcessMessages() { FUser.ProcessMessages(); }
    bool Minimized() const { return FMinimized; }
    void Minimize();
    void Restore();
    TNotifyEvent OnMinimize;
    TNotifyEvent OnRestore;

    // Ask the message loop to end (the main form has closed).
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }

private:
    plat::IUser& FUser;
    plat::IDialogs& FDialogs;
    bool FMinimized = false;
    bool FTerminated = false;
};
