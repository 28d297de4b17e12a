#pragma once
// The simulated shell32: the notification area, ShellExecute(Ex), special
// folders and id lists, file icons, change notifications to the shell, recent
// documents, Active Desktop and the folder browser.
//
// Notification icons behave as Explorer's: NIM_ADD fails for an icon that exists
// (same window + id) or when there is no taskbar (no Shell_TrayWnd);
// NIM_MODIFY / NIM_DELETE fail for a missing icon; NIM_MODIFY changes only the
// fields its flags name. When the shell goes away (SimUser::DestroyShellWindows)
// its icons go with it, which is why programs re-add them on "TaskbarCreated".
//
// Special folders (SHGetSpecialFolderLocation + SHGetPathFromIDList): defaults
//   CSIDL_DESKTOPDIRECTORY  C:\Documents and Settings\User\Desktop
//   CSIDL_STARTMENU         C:\Documents and Settings\User\Start Menu
//   CSIDL_LOCAL_APPDATA     C:\Documents and Settings\User\Local Settings\Application Data
//   CSIDL_DRIVES, CSIDL_CONTROLS  virtual: an id list without a path
// (the folders with a path are created on disk). Unknown CSIDLs give E_INVALIDARG.
// Id lists are distinct handles; FreeIDList releases them (LiveIdLists for leaks).
//
// Journal entries:
//   Shell_NotifyIcon(NIM_ADD|NIM_MODIFY|NIM_DELETE|<n>, <hwnd>, <id>, <flags>, 0x<callbackMsg>, <icon>, "<tip>")
//   ShellExecute(<owner>, "<verb>"|null, "<file>"|null, "<parameters>"|null, "<directory>"|null, <show>)
//   ShellExecuteEx(<mask>, <hwnd>, "<verb>"|null, "<file>"|null, "<parameters>"|null, "<directory>"|null, <show>, <idList>)
//   SHChangeNotify(0x<event 8 digits>, 0x<flags 4 digits>, <item1 ptr>, <item2 ptr>)
//   SHAddToRecentDocs(<flags>, "<path>"|null)
//   CreateActiveDesktop()   SetDesktopItemOptions(<fEnableComponents>, <fActiveDesktop>)   ApplyChanges(<flags>)
//
//   SHQueryUserNotificationState()   answers the state SetUserNotificationState
//   set (QUNS_ACCEPTS_NOTIFICATIONS until then); an injected failure gives E_FAIL
//
// Active Desktop objects (CreateActiveDesktop) each start from the system's
// applied options. Options set on an object are pending on that object only; its
// ApplyChanges makes them the system's, and an object dropped without applying
// changes nothing.
//   SHBrowseForFolder(<owner>, "<title>", <flags>, "<initialFolder>")
//   BFFM_ENABLEOK(<enable>)   BFFM_SETSTATUSTEXT("<text>")   (sent to an open folder dialog)
//
// The folder dialog: a test queues its result (NextBrowseResult) and the
// selection changes the user makes while it is open (NextBrowseSelections); each
// change runs the program's selChanged and the messages it asks for. The dialog
// opens with OK enabled and an empty status line, which shows text only with
// BIF_STATUSTEXT (0x0004).
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/shell.h"
#include "platform/sim/SimJournal.h"
#include "platform/sim/SimKernel.h"
#include "platform/sim/SimUser.h"

namespace sim {

constexpr long E_INVALIDARG = static_cast<long>(0x80070057u);
constexpr std::intptr_t SE_ERR_FNF = 2;

struct NotifyIcon {
    plat::Hwnd wnd = 0;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;  // every NIF_ flag ever set
    std::uint32_t callbackMessage = 0;
    plat::Hicon icon = 0;
    std::string tip;
    plat::Hwnd tray = 0;  // the taskbar that holds it
};

class SimShell : public plat::IShell {
public:
    SimShell(SimJournal& journal, SimUser& user, SimKernel& kernel);

    bool Shell_NotifyIcon(std::uint32_t message, const plat::NotifyIconData& data) override;
    std::intptr_t ShellExecute(plat::Hwnd owner, const char* verb, const char* file, const char* parameters,
                               const char* directory, int show) override;
    bool ShellExecuteEx(plat::ShellExecuteInfo& info) override;
    long SHGetSpecialFolderLocation(plat::Hwnd owner, int csidl, plat::Pidl& idList) override;
    bool SHGetPathFromIDList(plat::Pidl idList, std::string& path) override;
    void FreeIDList(plat::Pidl idList) override;
    plat::Hicon SHGetFileInfoSmallIcon(const std::string& path) override;
    void SHChangeNotify(long eventId, std::uint32_t flags, const void* item1, const void* item2) override;
    void SHAddToRecentDocs(std::uint32_t flags, const char* path) override;
    std::unique_ptr<plat::IActiveDesktop> CreateActiveDesktop() override;
    bool SHBrowseForFolder(const plat::BrowseInfo& info, std::string& path) override;
    long SHQueryUserNotificationState(std::uint32_t& state) override;

    // ---- Test helpers ----
    // The icons in the current taskbar, in the order they were added.
    std::vector<NotifyIcon> Icons() const;
    std::optional<NotifyIcon> Icon(plat::Hwnd wnd, std::uint32_t id) const;
    // The user acts on an icon: posts its callback message (wParam id, lParam
    // mouseMessage such as WM_RBUTTONUP) to the owner; false when there is no such icon.
    bool ClickIcon(plat::Hwnd wnd, std::uint32_t id, std::uint32_t mouseMessage);

    // ShellExecute's result (above 32 is success; default 42).
    void SetShellExecuteResult(std::intptr_t result) { shellExecuteResult_ = result; }
    // The process handle ShellExecuteEx hands out with SEE_MASK_NOCLOSEPROCESS;
    // 0 (default) makes a fresh kernel process handle each time.
    void SetShellExecuteProcess(plat::Handle process) { process_ = process; }
    plat::Handle LastProcess() const { return lastProcess_; }

    void SetSpecialFolder(int csidl, const std::string& path);  // "" makes it virtual
    void RemoveSpecialFolder(int csidl);
    std::size_t LiveIdLists() const { return pidls_.size(); }

    // Active Desktop: the system's applied options, and whether the object can be created.
    plat::ActiveDesktopOptions DesktopItemOptions() const { return activeDesktop_; }
    void SetAppliedDesktopItemOptions(const plat::ActiveDesktopOptions& options) { activeDesktop_ = options; }
    void SetActiveDesktopAvailable(bool available) { activeDesktopAvailable_ = available; }

    // The next SHBrowseForFolder returns this folder; nullopt = the user cancels.
    // Queued in order; with nothing queued the user cancels.
    void NextBrowseResult(std::optional<std::string> folder) { browse_.push_back(std::move(folder)); }
    // What the program last asked the folder browser for.
    const std::optional<plat::BrowseInfo>& LastBrowseInfo() const { return lastBrowse_; }
    // Paths the user selects, in order, in the next folder dialog before it closes
    // ("" for an item outside the file system).
    void NextBrowseSelections(std::vector<std::string> paths) { selections_ = std::move(paths); }
    // What the last folder dialog showed when it closed.
    const std::string& BrowseStatusText() const { return browseStatus_; }
    bool BrowseOKEnabled() const { return browseOK_; }

    // What the user is doing, as SHQueryUserNotificationState reports it (QUNS_...).
    void SetUserNotificationState(std::uint32_t state) { notificationState_ = state; }

private:
    class ActiveDesktop;

    bool TrayAlive(plat::Hwnd tray) const;

    SimJournal& journal_;
    SimUser& user_;
    SimKernel& kernel_;
    std::vector<NotifyIcon> icons_;
    std::intptr_t shellExecuteResult_ = 42;
    plat::Handle process_ = 0;
    plat::Handle lastProcess_ = 0;
    std::map<int, std::string> folders_;  // csidl → path ("" = virtual)
    std::map<plat::Pidl, std::pair<int, std::string>> pidls_;
    std::uintptr_t nextPidl_ = 0x80000;
    plat::ActiveDesktopOptions activeDesktop_;
    bool activeDesktopAvailable_ = true;
    std::deque<std::optional<std::string>> browse_;
    std::optional<plat::BrowseInfo> lastBrowse_;
    std::vector<std::string> selections_;
    std::string browseStatus_;
    bool browseOK_ = true;
    std::uint32_t notificationState_ = plat::QUNS_ACCEPTS_NOTIFICATIONS;
};

}  // namespace sim
