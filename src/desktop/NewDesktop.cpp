#include "desktop/NewDesktop.h"

#include "platform/RegKey.h"
#include "platform/constants.h"

namespace {

constexpr std::uint32_t kShcnfFlushNoWait = 0x2000;

}  // namespace

TNewDesktop::TNewDesktop(std::string name, plat::IUser& user, plat::IShell& shell, plat::IRegistry& registry)
    : TComponent(std::move(name)), FUser(user), FShell(shell), FRegistry(registry) {
    FindShellWindows();
}

void TNewDesktop::FindShellWindows() {
    auto& u = FUser;
    ShellWindows w;
    w.defView = u.FindWindowEx(u.FindWindow("Progman", nullptr), 0, "Shelldll_Defview", nullptr);
    w.desktopListView = u.FindWindowEx(w.defView, 0, "SysListView32", "");
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
    FWindows = w;
}

const TNewDesktop::ShellWindows& TNewDesktop::Shell() {
    // After the shell restarts every handle is dead; a shell that was not running
    // at start-up may have come since. Either way, look the windows up again.
    const plat::Hwnd all[] = {FWindows.defView,    FWindows.desktopListView, FWindows.taskBar,
                              FWindows.trayClock,  FWindows.appSwitchBar,    FWindows.quickLaunch,
                              FWindows.startButton};
    for (plat::Hwnd h : all) {
        if (!h || !FUser.IsWindow(h)) {
            FindShellWindows();
            break;
        }
    }
    return FWindows;
}

void TNewDesktop::SetShown(bool& field, bool value, plat::Hwnd ShellWindows::*window) {
    if (field == value) return;
    field = value;
    FUser.ShowWindow(Shell().*window, value ? plat::SW_SHOW : plat::SW_HIDE);
}

// The whole icon view, not only its list view, so that nothing of it stays drawn.
void TNewDesktop::SetShowDesktop(bool value) { SetShown(FShowDesktop, value, &ShellWindows::defView); }
void TNewDesktop::SetShowTaskBar(bool value) { SetShown(FShowTaskBar, value, &ShellWindows::taskBar); }
void TNewDesktop::SetShowTrayClock(bool value) { SetShown(FShowTrayClock, value, &ShellWindows::trayClock); }
void TNewDesktop::SetShowAppSwitchBar(bool value) {
    SetShown(FShowAppSwitchBar, value, &ShellWindows::appSwitchBar);
}
void TNewDesktop::SetShowQuickLaunch(bool value) {
    SetShown(FShowQuickLaunch, value, &ShellWindows::quickLaunch);
}
void TNewDesktop::SetShowStartButton(bool value) {
    SetShown(FShowStartButton, value, &ShellWindows::startButton);
}

void TNewDesktop::SetShowArrows(bool value) {
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

void TNewDesktop::ApplyIconColors(plat::ColorRef textColor, plat::ColorRef backColor, bool transparent,
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

void TNewDesktop::RefreshActiveDesktop() {
    std::uintptr_t result = 0;
    FUser.SendMessageTimeout(plat::HWND_BROADCAST, plat::WM_SETTINGCHANGE, plat::SPI_SETNONCLIENTMETRICS, 0,
                             plat::SMTO_ABORTIFHUNG, 1000, &result);
}

void TNewDesktop::RestoreDefaultColors() {
    // Writing the desktop colour back unchanged makes the system send
    // WM_SYSCOLORCHANGE, and the desktop falls back to its own caption colours.
    const int element = plat::COLOR_BACKGROUND;
    const plat::ColorRef colour = FUser.GetSysColor(plat::COLOR_BACKGROUND);
    FUser.SetSysColors(1, &element, &colour);
}

void TNewDesktop::RebuildIcons() {
    FShell.SHChangeNotify(plat::SHCNE_ASSOCCHANGED, kShcnfFlushNoWait, nullptr, nullptr);
}
