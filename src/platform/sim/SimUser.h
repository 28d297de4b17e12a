#pragma once
// The simulated user32: windows and messages, virtual-time timers, hotkeys,
// system parameters and colours, popup menus and icons.
//
// Windows
// - Handles start at 0x20000 and are never reused. Top-level windows keep their
//   creation order, which is the order FindWindow(Ex) searches.
// - Program windows come from CreateHiddenWindow: hidden, untitled, top-level,
//   their messages go to the WndProc given (WM_CREATE is sent before the call
//   returns, WM_DESTROY on destruction, parent before children). Windows of other
//   programs come from AddWindow / CreateShellWindows; a test may give them a
//   procedure to answer messages the simulation does not.
// - Class names and titles compare case-insensitively; a null pointer matches any,
//   "" matches only untitled windows.
// - SendMessage delivers synchronously; WM_SETTEXT updates the title (and reaches
//   a program window's procedure too); WM_GETTEXT and WM_GETTEXTLENGTH are answered
//   from the title; SysListView32 windows answer LVM_GETITEMCOUNT, LVM_GETTEXTCOLOR,
//   LVM_SETTEXTCOLOR, LVM_GETTEXTBKCOLOR, LVM_SETTEXTBKCOLOR, LVM_REDRAWITEMS.
//   HWND_BROADCAST reaches every top-level window. Every delivered message is
//   recorded per window (Received), whatever window it reached.
// - ShowWindow sends WM_SHOWWINDOW when visibility changes and WM_SIZE
//   (SIZE_MINIMIZED / 0) when the window is minimised or restored.
//
// Time and the queue
// - PostMessage is thread-safe (the folder monitor posts from its worker).
// - Advance(ms) moves virtual time forward and delivers, in time order, posted
//   messages and due WM_TIMERs (posted messages first at equal times), one handler
//   at a time. Timers are periodic, at least 10 ms, keyed by window + id; a late
//   timer fires once, not once per missed period. ProcessMessages() is Advance(0).
//   A posted WM_QUIT (0x0012) is not dispatched: ProcessMessages returns false and
//   QuitReceived() becomes true.
//
// System parameters (SystemParametersInfo)
// - Answers SPI_GET/SETSCREENSAVETIMEOUT (seconds), SPI_GET/SETSCREENSAVEACTIVE,
//   SPI_SETDESKWALLPAPER / SPI_GETDESKWALLPAPER (0x73), SPI_SETDRAGFULLWINDOWS /
//   SPI_GETDRAGFULLWINDOWS (38), SPI_GETSCREENSAVERRUNNING (0x72); any other action
//   succeeds without effect. With SPIF_UPDATEINIFILE the value is written where
//   Windows writes it: HKCU\Control Panel\Desktop, REG_SZ with one NUL,
//   "ScreenSaveActive" "1"/"0", "ScreenSaveTimeOut" seconds, "Wallpaper" path,
//   "DragFullWindows" "1"/"0". With SPIF_SENDWININICHANGE a WM_SETTINGCHANGE
//   (wParam = action, lParam = 0) is posted to every top-level window.
// - SetSysColors posts WM_SYSCOLORCHANGE (0x0015) to every top-level window.
// - EnumDisplayMonitors reports SetMonitors' rectangles (one screen-sized monitor
//   by default); it changes nothing, so it is not journaled, and fails on demand.
//
// Journal entries (see SimJournal.h for the formatting rules):
//   CreateHiddenWindow("<class>")        DestroyWindow(<hwnd>)
//   ShowWindow(<hwnd>, <cmd>)             SetWindowText(<hwnd>, "<text>")
//   SendMessage(<hwnd>, 0x<msg>, <w>, <l>)
//   SendMessageTimeout(<hwnd>, 0x<msg>, <w>, <l>, <flags>, <timeout>)
//   PostMessage(<hwnd>, 0x<msg>, <w>, <l>)
//   SetForegroundWindow(<hwnd>)           SetFocus(<hwnd>)
//   AllowSetForegroundWindow(<processId>)
//   SetTimer(<hwnd>, <id>, <ms>)          KillTimer(<hwnd>, <id>)
//   RegisterHotKey(<hwnd>, <id>, <mods>, 0x<vk>)   UnregisterHotKey(<hwnd>, <id>)
//   SystemParametersInfo(<action>, <ui>, <pv>, <winIni>)  pv: null, "<path>" for
//       SPI_SETDESKWALLPAPER, otherwise ptr
//   SetSysColors(<count>, [<index>, ...], [0x<colour>, ...])
//   CreatePopupMenu()  AppendMenu(<menu>, <flags>, <id>, "<text>")
//   SetMenuDefaultItem(<menu>, <id>, <byPosition>)   DestroyMenu(<menu>)
//   TrackPopupMenu(<menu>, <flags>, <x>, <y>, <owner>)
//   LoadAppIcon()  DestroyIcon(<icon>)
// Messages sent or posted by the simulation itself (timers, broadcasts, hotkey
// presses) are not journaled; they show in Received().
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimJournal.h"
#include "platform/sim/SimRegistry.h"
#include "platform/user.h"

namespace sim {

constexpr std::uint32_t WM_GETTEXTLENGTH = 0x000E;
constexpr std::uint32_t WM_QUIT = 0x0012;
constexpr std::uint32_t WM_SYSCOLORCHANGE = 0x0015;
constexpr std::uint32_t LVM_GETTEXTCOLOR = 0x1023;
constexpr std::uint32_t TPM_RETURNCMD = 0x0100;
constexpr std::uint32_t SPI_GETDRAGFULLWINDOWS = 38;
constexpr std::uint32_t SPI_GETSCREENSAVERRUNNING = 0x72;
constexpr std::uint32_t SPI_GETDESKWALLPAPER = 0x73;

struct Message {
    plat::Hwnd wnd = 0;
    std::uint32_t msg = 0;
    plat::WParam wParam = 0;
    plat::LParam lParam = 0;
    bool operator==(const Message&) const = default;
};

struct ListViewState {
    plat::ColorRef textColor = 0x000000;
    plat::ColorRef textBkColor = 0xFFFFFF;
    int itemCount = 0;
    int redraws = 0;  // LVM_REDRAWITEMS received
};

struct WindowState {
    plat::Hwnd handle = 0;
    std::string className;
    std::string title;
    plat::Hwnd parent = 0;             // 0 for top-level windows
    std::vector<plat::Hwnd> children;  // creation order
    bool visible = false;
    bool programOwned = false;
    bool hung = false;  // SendMessageTimeout with SMTO_ABORTIFHUNG gives up on it
    plat::WndProc proc;
    ListViewState listView;
    plat::WindowPlacement placement;
    std::vector<Message> received;
};

// The shell's windows as CreateShellWindows builds them.
struct ShellWindowHandles {
    plat::Hwnd progman = 0;      // "Progman" "Program Manager"
    plat::Hwnd defView = 0;      // "SHELLDLL_DefView" ""
    plat::Hwnd listView = 0;     // "SysListView32" "FolderView", the desktop icons
    plat::Hwnd tray = 0;         // "Shell_TrayWnd" ""
    plat::Hwnd trayNotify = 0;   // "TrayNotifyWnd" ""
    plat::Hwnd clock = 0;        // "TrayClockWClass" ""
    plat::Hwnd rebar = 0;        // "ReBarWindow32" ""
    plat::Hwnd taskSwitch = 0;   // "MSTaskSwWClass" "Running Applications"
    plat::Hwnd tabControl = 0;   // "SysTabControl32" "Tasks"
    plat::Hwnd toolbar = 0;      // "ToolbarWindow32" "Quick Launch"
    plat::Hwnd startButton = 0;  // "Button" "Start"
    // After MoveDesktopViewToWorkerW: the top-level "WorkerW" that holds defView,
    // and the empty one behind it that draws the wallpaper.
    plat::Hwnd viewWorker = 0;
    plat::Hwnd wallpaperWorker = 0;
};

struct MenuItem {
    std::uint32_t flags = 0;
    std::uintptr_t id = 0;  // the submenu's handle for MF_POPUP items
    std::string text;
    plat::Hmenu submenu = 0;
};

struct MenuState {
    std::vector<MenuItem> items;
    std::optional<std::uint32_t> defaultItem;
    bool defaultByPosition = false;
    bool alive = true;  // false after DestroyMenu; the model stays readable
};

struct HotKeyRegistration {
    plat::Hwnd wnd = 0;
    int id = 0;
    std::uint32_t modifiers = 0;
    std::uint32_t vk = 0;
};

class SimUser : public plat::IUser {
public:
    SimUser(SimJournal& journal, SimClock& clock, SimRegistry& registry);

    plat::Hwnd CreateHiddenWindow(const std::string& className, plat::WndProc proc) override;
    bool DestroyWindow(plat::Hwnd wnd) override;
    bool IsWindow(plat::Hwnd wnd) override;
    plat::Hwnd FindWindow(const char* className, const char* windowName) override;
    plat::Hwnd FindWindowEx(plat::Hwnd parent, plat::Hwnd childAfter, const char* className,
                            const char* windowName) override;
    bool ShowWindow(plat::Hwnd wnd, int cmdShow) override;
    bool IsWindowVisible(plat::Hwnd wnd) override;
    plat::LResult SendMessage(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam,
                              plat::LParam lParam) override;
    plat::LResult SendMessageTimeout(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam,
                                     plat::LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                                     std::uintptr_t* result) override;
    bool PostMessage(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) override;
    std::uint32_t RegisterWindowMessage(const std::string& name) override;
    bool ProcessMessages() override;

    plat::Hwnd GetForegroundWindow() override;
    bool SetForegroundWindow(plat::Hwnd wnd) override;
    bool AllowSetForegroundWindow(std::uint32_t processId) override;
    plat::Hwnd SetFocus(plat::Hwnd wnd) override;
    plat::Hwnd GetDesktopWindow() override;
    std::string GetWindowText(plat::Hwnd wnd, int maxCount) override;
    int GetWindowTextLength(plat::Hwnd wnd) override;
    bool SetWindowText(plat::Hwnd wnd, const std::string& text) override;
    bool GetWindowPlacement(plat::Hwnd wnd, plat::WindowPlacement& placement) override;

    bool GetCursorPos(plat::Point& pt) override;
    short GetKeyState(int virtKey) override;

    std::uintptr_t SetTimer(plat::Hwnd wnd, std::uintptr_t id, std::uint32_t elapseMs) override;
    bool KillTimer(plat::Hwnd wnd, std::uintptr_t id) override;

    bool RegisterHotKey(plat::Hwnd wnd, int id, std::uint32_t modifiers, std::uint32_t vk) override;
    bool UnregisterHotKey(plat::Hwnd wnd, int id) override;

    bool SystemParametersInfo(std::uint32_t action, std::uint32_t uiParam, void* pvParam,
                              std::uint32_t winIni) override;
    int GetSystemMetrics(int index) override;
    int GetScreenDeviceCaps(int index) override;
    bool EnumDisplayMonitors(const plat::MonitorEnumProc& proc) override;
    plat::ColorRef GetSysColor(int index) override;
    bool SetSysColors(int count, const int* elements, const plat::ColorRef* colors) override;

    plat::Hmenu CreatePopupMenu() override;
    bool DestroyMenu(plat::Hmenu menu) override;
    bool AppendMenu(plat::Hmenu menu, std::uint32_t flags, std::uintptr_t idOrSubmenu,
                    const std::string& text) override;
    bool SetMenuDefaultItem(plat::Hmenu menu, std::uint32_t id, std::uint32_t byPosition) override;
    int TrackPopupMenu(plat::Hmenu menu, std::uint32_t flags, int x, int y, int reserved,
                       plat::Hwnd owner) override;

    plat::Hicon LoadAppIcon() override;
    bool DestroyIcon(plat::Hicon icon) override;

    // ---- Test helpers (not journaled) ----

    // A window of another program; parent 0 makes it top-level.
    plat::Hwnd AddWindow(plat::Hwnd parent, const std::string& className, const std::string& title,
                         bool visible = true, plat::WndProc proc = {});
    // A copy of the window's state; throws std::out_of_range for an unknown handle.
    WindowState Window(plat::Hwnd wnd) const;
    std::vector<Message> Received(plat::Hwnd wnd) const;
    // Another program (or the system) posts a message to a window; false when the
    // window does not exist.
    bool Post(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam);
    // Another program sends a message: delivered synchronously, its result returned.
    plat::LResult Send(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam);
    void ClearReceived();
    std::vector<plat::Hwnd> TopLevelWindows() const;
    std::vector<plat::Hwnd> ProgramWindows() const;  // alive, in creation order
    void SetListViewItemCount(plat::Hwnd listView, int count);
    void SetHung(plat::Hwnd wnd, bool hung);

    // Builds the shell's windows (idempotent); DestroyShellWindows simulates the
    // shell going away (a restart is Destroy, Create, BroadcastTaskbarCreated).
    const ShellWindowHandles& CreateShellWindows();
    void DestroyShellWindows();
    const ShellWindowHandles& ShellWindows() const { return shell_; }
    // The layout of Windows 8 to 11 after a wallpaper slideshow or message 0x052C
    // to Progman: defView (with its list view) moves into a new top-level WorkerW,
    // created after an empty WorkerW; Progman keeps no view. Returns the view's WorkerW.
    plat::Hwnd MoveDesktopViewToWorkerW();
    // Another program's window changes parent (0: top-level, last in the order).
    void Reparent(plat::Hwnd wnd, plat::Hwnd parent);
    // Another program's window and its children vanish, without messages.
    void RemoveWindow(plat::Hwnd wnd);
    // Sends the registered "TaskbarCreated" message to every top-level program window.
    void BroadcastTaskbarCreated();

    // Moves virtual time; see the header comment.
    void Advance(std::uint64_t ms);
    std::size_t PendingMessages() const;
    bool QuitReceived() const { return quit_; }

    bool HasTimer(plat::Hwnd wnd, std::uintptr_t id) const;
    std::optional<std::uint32_t> TimerInterval(plat::Hwnd wnd, std::uintptr_t id) const;
    std::size_t TimerCount() const;

    // Another program holds this combination: RegisterHotKey of it fails.
    void HoldHotKey(std::uint32_t modifiers, std::uint32_t vk);
    // The user presses the combination: WM_HOTKEY (wParam id, lParam mods | vk << 16)
    // is posted to the registered owner and true returned; otherwise the press
    // reaches other programs (PassedHotKeys) and false is returned.
    bool PressHotKey(std::uint32_t modifiers, std::uint32_t vk);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> PassedHotKeys() const { return passedHotKeys_; }
    std::vector<HotKeyRegistration> HotKeys() const { return hotKeys_; }

    // Popup menus. A destroyed menu's model stays readable (alive = false).
    const MenuState& Menu(plat::Hmenu menu) const;  // throws std::out_of_range
    std::size_t LiveMenuCount() const;
    std::vector<plat::Hmenu> TrackedMenus() const { return tracked_; }
    // The next TrackPopupMenu picks this command id (0 = the user dismisses the menu);
    // queued in order; with nothing queued the menu is dismissed.
    void NextMenuChoice(std::uintptr_t id) { menuChoices_.push_back(id); }

    // System parameters as Windows holds them now.
    bool ScreenSaverActive() const { return screenSaverActive_; }
    int ScreenSaverTimeout() const { return screenSaverTimeout_; }
    std::string Wallpaper() const { return wallpaper_; }
    bool DragFullWindows() const { return dragFullWindows_; }
    void SetScreenSaverState(bool active, int timeoutSeconds);
    void SetScreenSaverRunning(bool running) { screenSaverRunning_ = running; }
    void SetWallpaperState(const std::string& path) { wallpaper_ = path; }
    void SetDragFullWindowsState(bool on) { dragFullWindows_ = on; }
    void SetSystemMetric(int index, int value) { metrics_[index] = value; }
    // The display monitors; none set, one of SM_CXSCREEN x SM_CYSCREEN at the origin.
    void SetMonitors(std::vector<plat::Rect> monitors) { monitors_ = std::move(monitors); }
    void SetDeviceCaps(int index, int value) { deviceCaps_[index] = value; }
    void SetSysColorState(int index, plat::ColorRef color) { sysColors_[index] = color; }
    void SetCursor(plat::Point pt) { cursor_ = pt; }
    void SetKeyDown(int vk, bool down);

    // Icons: distinct handles from 0x60000, with where they came from.
    plat::Hicon NewIcon(const std::string& source);
    std::size_t LiveIconCount() const;
    std::string IconSource(plat::Hicon icon) const;  // "" for unknown

    // Drops what the simulation keeps only for tests to read afterwards (messages
    // received, destroyed menus and icons, tracked menus, passed hotkeys), so that
    // over a long run its memory shows only what the program holds.
    void ForgetHistory();

private:
    struct Timer {
        std::uint32_t interval = 0;
        std::uint64_t due = 0;
        std::uint64_t seq = 0;
    };
    struct Posted {
        std::uint64_t due = 0;
        Message message;
    };

    WindowState* Find(plat::Hwnd wnd);
    const WindowState* Find(plat::Hwnd wnd) const;
    plat::Hwnd NewWindowLocked(plat::Hwnd parent, const std::string& className, const std::string& title,
                               bool visible, bool program, plat::WndProc proc);
    void CollectTreeLocked(plat::Hwnd wnd, std::vector<plat::Hwnd>& out) const;
    void ReparentLocked(plat::Hwnd wnd, plat::Hwnd parent);
    void RemoveWindowsLocked(const std::vector<plat::Hwnd>& wnds);
    bool Matches(const WindowState& w, const char* className, const char* windowName) const;
    // Delivers synchronously (the lock must not be held).
    plat::LResult Deliver(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam);
    std::vector<plat::Hwnd> Targets(plat::Hwnd wnd);
    void PostLocked(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam);
    void PostToTopLevel(std::uint32_t msg, plat::WParam wParam, plat::LParam lParam);
    void WriteDesktopValue(const std::string& name, const std::string& text);
    void DestroyMenuTree(plat::Hmenu menu);
    bool Run(std::uint64_t target);  // false when a WM_QUIT was dequeued

    SimJournal& journal_;
    SimClock& clock_;
    SimRegistry& registry_;
    mutable std::mutex mu_;  // windows, queue and timers: PostMessage arrives from other threads

    std::map<plat::Hwnd, WindowState> windows_;
    std::vector<plat::Hwnd> topLevel_;
    std::uintptr_t nextWindow_ = 0x20000;
    plat::Hwnd desktop_ = 0;
    plat::Hwnd foreground_ = 0;
    plat::Hwnd focus_ = 0;
    std::set<plat::Hwnd> destroying_;
    ShellWindowHandles shell_;

    std::deque<Posted> queue_;
    std::map<std::pair<plat::Hwnd, std::uintptr_t>, Timer> timers_;
    std::uint64_t timerSeq_ = 0;
    std::uintptr_t nextThreadTimer_ = 0x7FF0;
    bool quit_ = false;

    std::map<std::string, std::uint32_t> registeredMessages_;  // lower-case name
    std::uint32_t nextRegistered_ = 0xC000;

    std::vector<HotKeyRegistration> hotKeys_;
    std::set<std::pair<std::uint32_t, std::uint32_t>> heldHotKeys_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> passedHotKeys_;

    std::map<plat::Hmenu, MenuState> menus_;
    std::uintptr_t nextMenu_ = 0x40000;
    std::vector<plat::Hmenu> tracked_;
    std::deque<std::uintptr_t> menuChoices_;

    std::map<plat::Hicon, std::pair<std::string, bool>> icons_;  // source, alive
    std::uintptr_t nextIcon_ = 0x60000;

    bool screenSaverActive_ = true;
    int screenSaverTimeout_ = 600;
    bool screenSaverRunning_ = false;
    std::string wallpaper_;
    bool dragFullWindows_ = true;
    std::map<int, int> metrics_;
    std::vector<plat::Rect> monitors_;
    std::map<int, int> deviceCaps_;
    std::map<int, plat::ColorRef> sysColors_;
    plat::Point cursor_;
    std::set<int> keysDown_;
};

}  // namespace sim
