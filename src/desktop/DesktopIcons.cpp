#include "desktop/DesktopIcons.h"

#include "platform/RegKey.h"
#include "platform/constants.h"

namespace {

constexpr std::uint32_t kShcnfFlushNoWait = 0x2000;

}  // namespace

TDesktopIcons::TDesktopIcons(std::string name, plat::IUser& user, plat::IShell& shell,
                             plat::IRegistry& registry)
    : TComponent(std::move(name)), FUser(user), FShell(shell), FRegistry(registry) {
    FindShellWindows();
}

plat::Hwnd TDesktopIcons::FindDesktopView(plat::IUser& user, const char* progmanTitle, const char* viewTitle,
                                          plat::Hwnd* host) {
    const plat::Hwnd progman = user.FindWindow("Progman", progmanTitle);
    plat::Hwnd view = user.FindWindowEx(progman, 0, "SHELLDLL_DefView", viewTitle);
    plat::Hwnd top = progman;
    // Several WorkerW windows exist; the one that draws the wallpaper holds no view.
    for (plat::Hwnd worker = 0; !view;) {
        worker = user.FindWindowEx(0, worker, "WorkerW", nullptr);
        if (!worker) break;
        view = user.FindWindowEx(worker, 0, "SHELLDLL_DefView", viewTitle);
        top = worker;
    }
    if (host) *host = view ? top : plat::Hwnd{};
    return view;
}

plat::Hwnd TDesktopIcons::FindDesktopListView(plat::IUser& user, plat::Hwnd view) {
    // The view holds one list view, titled "FolderView" on today's Windows and
    // untitled on older ones: any title will do.
    return user.FindWindowEx(view, 0, "SysListView32", nullptr);
}

void TDesktopIcons::FindShellWindows() {
    auto& u = FUser;
    ShellWindows w;
    w.defView = FindDesktopView(u, nullptr, nullptr);
    w.desktopListView = FindDesktopListView(u, w.defView);
    w.taskBar = u.FindWindow("Shell_TrayWnd", nullptr);
    w.trayClock =
        u.FindWindowEx(u.FindWindowEx(u.FindWindow("Shell_TrayWnd", nullptr), 0, "TrayNotifyWnd", nullptr), 0,
                       "TrayClockWClass", nullptr);
    w.appSwitchBar = u.FindWindowEx(
        u.FindWindowEx(u.FindWindowEx(u.FindWindow("Shell_TrayWnd", nullptr), 0, "ReBarWindow32", nullptr), 0,
                       "MSTaskSwWClass", nullptr),
        0, "SysTabControl32", nullptr);
    w.quickLaunch =
        u.FindWindowEx(u.FindWindowEx(u.FindWindow("Shell_TrayWnd", nullptr), 0, "ReBarWindow32", nullptr), 0,
                       "ToolbarWindow32", nullptr);
    w.startButton = u.FindWindowEx(u.FindWindow("Shell_TrayWnd", nullptr), 0, "Button", nullptr);
    // Windows 8 and 10 make the start button a window of its own class.
    if (!w.startButton)
        w.startButton = u.FindWindowEx(u.FindWindow("Shell_TrayWnd", nullptr), 0, "Start", nullptr);
    FWindows = w;
}

// The parts of a taskbar are made with it, so a part missing from a living
// taskbar stays missing (Windows 11 has no clock window): only a taskbar or a
// desktop view that is new since the last look is worth another search. The
// shell moves the view between Progman and a WorkerW by changing its parent,
// which keeps its handle.
bool TDesktopIcons::ShellChanged() {
    const ShellWindows& w = FWindows;
    if (!w.taskBar || !w.defView) return true;
    const plat::Hwnd held[] = {w.defView,      w.desktopListView, w.taskBar,    w.trayClock,
                               w.appSwitchBar, w.quickLaunch,     w.startButton};
    for (plat::Hwnd h : held)
        if (h && !FUser.IsWindow(h)) return true;
    return false;
}

const TDesktopIcons::ShellWindows& TDesktopIcons::Shell() {
    if (ShellChanged()) FindShellWindows();
    return FWindows;
}

void TDesktopIcons::SetShown(bool& field, bool value, plat::Hwnd ShellWindows::*window) {
    if (field == value) return;
    field = value;
    FUser.ShowWindow(Shell().*window, value ? plat::SW_SHOW : plat::SW_HIDE);
}

// The whole icon view, not only its list view, so that nothing of it stays drawn.
void TDesktopIcons::SetShowDesktop(bool value) { SetShown(FShowDesktop, value, &ShellWindows::defView); }
void TDesktopIcons::SetShowTaskBar(bool value) {
    if (FShowTaskBar == value) return;
    SetShown(FShowTaskBar, value, &ShellWindows::taskBar);
    // One more taskbar on each other monitor; monitors come and go, so they are
    // looked up at each switch.
    for (plat::Hwnd tray = 0;;) {
        tray = FUser.FindWindowEx(0, tray, "Shell_SecondaryTrayWnd", nullptr);
        if (!tray) break;
        FUser.ShowWindow(tray, value ? plat::SW_SHOW : plat::SW_HIDE);
    }
}
void TDesktopIcons::SetShowTrayClock(bool value) {
    SetShown(FShowTrayClock, value, &ShellWindows::trayClock);
}
void TDesktopIcons::SetShowAppSwitchBar(bool value) {
    SetShown(FShowAppSwitchBar, value, &ShellWindows::appSwitchBar);
}
void TDesktopIcons::SetShowQuickLaunch(bool value) {
    SetShown(FShowQuickLaunch, value, &ShellWindows::quickLaunch);
}
void TDesktopIcons::SetShowStartButton(bool value) {
    SetShown(FShowStartButton, value, &ShellWindows::startButton);
}

void TDesktopIcons::SetShowArrows(bool value) {
    if (value == FShowArrows) return;
    FShowArrows = value;
    {
        auto key = plat::RegKey::Create(FRegistry, plat::HKEY_CLASSES_ROOT, "lnkfile", plat::KEY_ALL_ACCESS);
        if (key.Valid()) {
            if (value)
                key.WriteString("IsShortcut", "");
            else
                key.DeleteValue("IsShortcut");
        }
    }
    RebuildIcons();
}

void TDesktopIcons::ApplyIconColors(plat::ColorRef textColor, plat::ColorRef backColor, bool transparent,
                                    bool refreshAD) {
    const plat::Hwnd list = Shell().desktopListView;
    FUser.SendMessage(list, plat::LVM_SETTEXTBKCOLOR, 0, transparent ? plat::CLR_NONE : backColor);
    FUser.SendMessage(list, plat::LVM_SETTEXTCOLOR, 0, textColor);
    if (refreshAD) {
        RefreshActiveDesktop();
    } else {
        const auto count = static_cast<int>(FUser.SendMessage(list, plat::LVM_GETITEMCOUNT, 0, 0));
        FUser.SendMessage(list, plat::LVM_REDRAWITEMS, 0, static_cast<plat::LParam>(count - 1));
    }
}

void TDesktopIcons::RefreshActiveDesktop() {
    std::uintptr_t result = 0;
    FUser.SendMessageTimeout(plat::HWND_BROADCAST, plat::WM_SETTINGCHANGE, plat::SPI_SETNONCLIENTMETRICS, 0,
                             plat::SMTO_ABORTIFHUNG, 1000, &result);
}

void TDesktopIcons::RestoreDefaultColors() {
    // Writing the desktop colour back unchanged makes the system send
    // WM_SYSCOLORCHANGE, and the desktop falls back to its own caption colours.
    const int element = plat::COLOR_BACKGROUND;
    const plat::ColorRef colour = FUser.GetSysColor(plat::COLOR_BACKGROUND);
    FUser.SetSysColors(1, &element, &colour);
}

void TDesktopIcons::RebuildIcons() {
    FShell.SHChangeNotify(plat::SHCNE_ASSOCCHANGED, kShcnfFlushNoWait, nullptr, nullptr);
}
