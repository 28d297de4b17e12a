#pragma once
// Desktop icons, taskbar parts and icon caption colours. The shell is reached only
// through its windows' handles, list-view messages, one registry value and two
// notifications.
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/types.h"
#include "platform/user.h"
#include "ui/Component.h"

class TDesktopIcons : public TComponent {
public:
    TDesktopIcons(std::string name, plat::IUser& user, plat::IShell& shell, plat::IRegistry& registry);

    bool ShowDesktop() const { return FShowDesktop; }
    void SetShowDesktop(bool value);
    bool ShowTaskBar() const { return FShowTaskBar; }
    void SetShowTaskBar(bool value);
    bool ShowTrayClock() const { return FShowTrayClock; }
    void SetShowTrayClock(bool value);
    bool ShowAppSwitchBar() const { return FShowAppSwitchBar; }
    void SetShowAppSwitchBar(bool value);
    bool ShowQuickLaunch() const { return FShowQuickLaunch; }
    void SetShowQuickLaunch(bool value);
    bool ShowStartButton() const { return FShowStartButton; }
    void SetShowStartButton(bool value);
    bool ShowArrows() const { return FShowArrows; }
    void SetShowArrows(bool value);

    // Stored only: the colour operation takes its colours and flags as arguments.
    plat::ColorRef TextColor = 0xFFFFFF;
    plat::ColorRef BackColor = 0x000000;
    bool Transparent = true;
    bool RefreshAD = false;

    void ApplyIconColors(plat::ColorRef textColor, plat::ColorRef backColor, bool transparent,
                         bool refreshAD);
    void RefreshActiveDesktop();
    void RestoreDefaultColors();
    void RebuildIcons();

    plat::Hwnd DesktopListView() { return Shell().desktopListView; }
    // Whether this shell has the part at all: Windows 11's taskbar has neither a
    // clock window nor a start button of its own.
    bool HasTaskBar() { return Shell().taskBar != 0; }
    bool HasTrayClock() { return Shell().trayClock != 0; }
    bool HasStartButton() { return Shell().startButton != 0; }

    // The shell view that draws the desktop icons: under Progman, or under the
    // top-level WorkerW the shell moves it to (after a wallpaper slideshow or an
    // animated wallpaper change). `host` receives the top-level window holding it.
    static plat::Hwnd FindDesktopView(plat::IUser& user, const char* progmanTitle, const char* viewTitle,
                                      plat::Hwnd* host = nullptr);
    // The list view of the desktop's icons inside that view.
    static plat::Hwnd FindDesktopListView(plat::IUser& user, plat::Hwnd view);

private:
    struct ShellWindows {
        plat::Hwnd desktopListView = 0, defView = 0, taskBar = 0, trayClock = 0, appSwitchBar = 0,
                   quickLaunch = 0, startButton = 0;
    };
    bool ShellChanged();
    void FindShellWindows();
    // The handles, found again when the shell has been restarted since.
    const ShellWindows& Shell();
    void SetShown(bool& field, bool value, plat::Hwnd ShellWindows::*window);

    plat::IUser& FUser;
    plat::IShell& FShell;
    plat::IRegistry& FRegistry;
    ShellWindows FWindows;
    bool FShowDesktop = true;
    bool FShowTaskBar = true;
    bool FShowTrayClock = true;
    bool FShowAppSwitchBar = true;
    bool FShowQuickLaunch = true;
    bool FShowStartButton = true;
    bool FShowArrows = false;
};
