#include "platform/sim/SimUser.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace sim {

namespace {
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOWMINNOACTIVE = 7;
constexpr int SW_FORCEMINIMIZE = 11;
constexpr std::uint32_t MinimumTimerMs = 10;  // USER_TIMER_MINIMUM
constexpr std::size_t MaxDeliveriesPerRun = 1000000;
const char* DesktopPath = "Control Panel\\Desktop";

std::string Dec(std::uintptr_t v) { return std::to_string(v); }
template <class Tag>
std::string Dec(plat::THandle<Tag> h) {
    return std::to_string(h.Value());
}
std::string Dec(plat::LParam v) { return std::to_string(v); }
}  // namespace

SimUser::SimUser(SimJournal& journal, SimClock& clock, SimRegistry& registry)
    : journal_(journal), clock_(clock), registry_(registry) {
    desktop_ = plat::Hwnd{nextWindow_++};
    WindowState d;
    d.handle = desktop_;
    d.className = "#32769";
    d.visible = true;
    windows_[desktop_] = d;

    metrics_ = {{plat::SM_CXSCREEN, 1024}, {plat::SM_CYSCREEN, 768}, {11, 32}, {12, 32}, {49, 16}, {50, 16}};
    deviceCaps_ = {{plat::LOGPIXELSY, 96}, {88, 96}};  // LOGPIXELSX too
    // The classic Windows 2000 scheme.
    const plat::ColorRef defaults[] = {0xC8D0D4, 0xA56E3A, 0x6A240A, 0x808080, 0xC8D0D4, 0xFFFFFF, 0x000000,
                                       0x000000, 0x000000, 0xFFFFFF, 0xC8D0D4, 0xC8D0D4, 0x808080, 0x6A240A,
                                       0xFFFFFF, 0xC8D0D4, 0x808080, 0x808080, 0x000000, 0xC8D0D4, 0xFFFFFF,
                                       0x404040, 0xC8D0D4, 0x000000, 0xE1FFFF, 0xB5B5B5, 0x800000, 0xF0CAA6,
                                       0xC0C0C0, 0x6A240A, 0xC8D0D4};
    for (int i = 0; i < static_cast<int>(std::size(defaults)); ++i) sysColors_[i] = defaults[i];
}

// ---------------------------------------------------------------- windows

WindowState* SimUser::Find(plat::Hwnd wnd) {
    auto it = windows_.find(wnd);
    return it == windows_.end() ? nullptr : &it->second;
}

const WindowState* SimUser::Find(plat::Hwnd wnd) const {
    auto it = windows_.find(wnd);
    return it == windows_.end() ? nullptr : &it->second;
}

plat::Hwnd SimUser::NewWindowLocked(plat::Hwnd parent, const std::string& className, const std::string& title,
                                    bool visible, bool program, plat::WndProc proc) {
    if (parent == desktop_) parent = 0;
    if (parent && !Find(parent)) throw std::invalid_argument("no such parent window");
    plat::Hwnd h{nextWindow_++};
    WindowState w;
    w.handle = h;
    w.className = className;
    w.title = title;
    w.parent = parent;
    w.visible = visible;
    w.programOwned = program;
    w.proc = std::move(proc);
    w.placement.showCmd = plat::SW_SHOWNORMAL;
    w.placement.normalPosition = {0, 0, 400, 300};
    windows_[h] = std::move(w);
    if (parent)
        Find(parent)->children.push_back(h);
    else
        topLevel_.push_back(h);
    return h;
}

plat::Hwnd SimUser::CreateHiddenWindow(const std::string& className, plat::WndProc proc) {
    journal_.Add("CreateHiddenWindow(" + fmt::Quote(className) + ")");
    if (journal_.Fails("CreateHiddenWindow")) return 0;
    plat::Hwnd h;
    {
        std::lock_guard lock(mu_);
        h = NewWindowLocked(0, className, "", false, true, std::move(proc));
    }
    Deliver(h, plat::WM_CREATE, 0, 0);
    return h;
}

plat::Hwnd SimUser::AddWindow(plat::Hwnd parent, const std::string& className, const std::string& title,
                              bool visible, plat::WndProc proc) {
    std::lock_guard lock(mu_);
    return NewWindowLocked(parent, className, title, visible, false, std::move(proc));
}

void SimUser::CollectTreeLocked(plat::Hwnd wnd, std::vector<plat::Hwnd>& out) const {
    const WindowState* w = Find(wnd);
    if (!w) return;
    out.push_back(wnd);
    for (plat::Hwnd c : w->children) CollectTreeLocked(c, out);
}

void SimUser::RemoveWindowsLocked(const std::vector<plat::Hwnd>& wnds) {
    for (plat::Hwnd h : wnds) {
        WindowState* w = Find(h);
        if (!w) continue;
        if (w->parent) {
            if (WindowState* p = Find(w->parent)) std::erase(p->children, h);
        } else {
            std::erase(topLevel_, h);
        }
        for (auto it = timers_.begin(); it != timers_.end();)
            it = it->first.first == h ? timers_.erase(it) : std::next(it);
        std::erase_if(hotKeys_, [&](const HotKeyRegistration& r) { return r.wnd == h; });
        if (foreground_ == h) foreground_ = 0;
        if (focus_ == h) focus_ = 0;
        windows_.erase(h);
    }
}

bool SimUser::DestroyWindow(plat::Hwnd wnd) {
    journal_.Add("DestroyWindow(" + Dec(wnd) + ")");
    if (journal_.Fails("DestroyWindow")) return false;
    std::vector<plat::Hwnd> tree;
    {
        std::lock_guard lock(mu_);
        if (wnd == desktop_ || !Find(wnd)) return false;
        if (destroying_.count(wnd)) return true;
        CollectTreeLocked(wnd, tree);
        for (plat::Hwnd h : tree) destroying_.insert(h);
    }
    for (plat::Hwnd h : tree) {
        bool program;
        {
            std::lock_guard lock(mu_);
            const WindowState* w = Find(h);
            program = w && w->programOwned;
        }
        if (program) Deliver(h, plat::WM_DESTROY, 0, 0);
    }
    std::lock_guard lock(mu_);
    RemoveWindowsLocked(tree);
    for (plat::Hwnd h : tree) destroying_.erase(h);
    return true;
}

bool SimUser::IsWindow(plat::Hwnd wnd) {
    std::lock_guard lock(mu_);
    return Find(wnd) != nullptr;
}

bool SimUser::Matches(const WindowState& w, const char* className, const char* windowName) const {
    if (className && !IEquals(w.className, className)) return false;
    if (windowName && !IEquals(w.title, windowName)) return false;
    return true;
}

plat::Hwnd SimUser::FindWindow(const char* className, const char* windowName) {
    if (journal_.Fails("FindWindow")) return 0;
    std::lock_guard lock(mu_);
    for (plat::Hwnd h : topLevel_)
        if (Matches(*Find(h), className, windowName)) return h;
    return 0;
}

plat::Hwnd SimUser::FindWindowEx(plat::Hwnd parent, plat::Hwnd childAfter, const char* className,
                                 const char* windowName) {
    if (journal_.Fails("FindWindowEx")) return 0;
    std::lock_guard lock(mu_);
    const std::vector<plat::Hwnd>* list = &topLevel_;
    if (parent && parent != desktop_) {
        const WindowState* p = Find(parent);
        if (!p) return 0;
        list = &p->children;
    }
    auto it = list->begin();
    if (childAfter) {
        it = std::find(list->begin(), list->end(), childAfter);
        if (it == list->end()) return 0;
        ++it;
    }
    for (; it != list->end(); ++it)
        if (Matches(*Find(*it), className, windowName)) return *it;
    return 0;
}

bool SimUser::ShowWindow(plat::Hwnd wnd, int cmdShow) {
    journal_.Add("ShowWindow(" + Dec(wnd) + ", " + std::to_string(cmdShow) + ")");
    if (journal_.Fails("ShowWindow")) return false;
    bool wasVisible, visible, wasMinimized, minimized, program;
    {
        std::lock_guard lock(mu_);
        WindowState* w = Find(wnd);
        if (!w) return false;
        wasVisible = w->visible;
        wasMinimized = w->placement.showCmd == static_cast<std::uint32_t>(plat::SW_SHOWMINIMIZED);
        w->visible = cmdShow != plat::SW_HIDE;
        switch (cmdShow) {
            case plat::SW_MINIMIZE:
            case plat::SW_SHOWMINIMIZED:
            case SW_SHOWMINNOACTIVE:
            case SW_FORCEMINIMIZE:
                w->placement.showCmd = plat::SW_SHOWMINIMIZED;
                break;
            case plat::SW_RESTORE:
            case plat::SW_SHOWNORMAL:
                w->placement.showCmd = plat::SW_SHOWNORMAL;
                break;
            case SW_SHOWMAXIMIZED:
                w->placement.showCmd = SW_SHOWMAXIMIZED;
                break;
            default:
                break;
        }
        visible = w->visible;
        minimized = w->placement.showCmd == static_cast<std::uint32_t>(plat::SW_SHOWMINIMIZED);
        program = w->programOwned;
    }
    if (program && visible != wasVisible) Deliver(wnd, plat::WM_SHOWWINDOW, visible ? 1 : 0, 0);
    if (program && minimized != wasMinimized)
        Deliver(wnd, plat::WM_SIZE, minimized ? plat::SIZE_MINIMIZED : 0, 0);
    return wasVisible;
}

bool SimUser::IsWindowVisible(plat::Hwnd wnd) {
    std::lock_guard lock(mu_);
    // Visible only when every ancestor is, as Windows answers.
    for (const WindowState* w = Find(wnd); w; w = w->parent ? Find(w->parent) : nullptr)
        if (!w->visible) return false;
    return Find(wnd) != nullptr;
}

plat::LResult SimUser::Deliver(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
    plat::WndProc proc;
    std::optional<plat::LResult> builtIn;
    {
        std::lock_guard lock(mu_);
        WindowState* w = Find(wnd);
        if (!w) return 0;
        w->received.push_back({wnd, msg, wParam, lParam});
        if (msg == plat::WM_SETTEXT) {
            w->title = lParam ? reinterpret_cast<const char*>(lParam) : "";
            builtIn = 1;
        } else if (msg == plat::WM_GETTEXT) {
            char* buffer = reinterpret_cast<char*>(lParam);
            std::size_t n = 0;
            if (buffer && wParam > 0) {
                n = std::min<std::size_t>(wParam - 1, w->title.size());
                std::memcpy(buffer, w->title.data(), n);
                buffer[n] = '\0';
            }
            return static_cast<plat::LResult>(n);
        } else if (msg == WM_GETTEXTLENGTH) {
            return static_cast<plat::LResult>(w->title.size());
        } else if (IEquals(w->className, "SysListView32")) {
            auto& lv = w->listView;
            switch (msg) {
                case plat::LVM_GETITEMCOUNT:
                    builtIn = lv.itemCount;
                    break;
                case LVM_GETTEXTCOLOR:
                    builtIn = lv.textColor;
                    break;
                case plat::LVM_GETTEXTBKCOLOR:
                    builtIn = lv.textBkColor;
                    break;
                case plat::LVM_SETTEXTCOLOR:
                    lv.textColor = static_cast<plat::ColorRef>(lParam);
                    builtIn = 1;
                    break;
                case plat::LVM_SETTEXTBKCOLOR:
                    lv.textBkColor = static_cast<plat::ColorRef>(lParam);
                    builtIn = 1;
                    break;
                case plat::LVM_REDRAWITEMS:
                    ++lv.redraws;
                    builtIn = 1;
                    break;
                default:
                    break;
            }
        }
        if (w->programOwned || !builtIn) proc = w->proc;
    }
    if (proc) {
        plat::LResult r = proc(msg, wParam, lParam);
        return builtIn ? *builtIn : r;
    }
    return builtIn.value_or(0);
}

std::vector<plat::Hwnd> SimUser::Targets(plat::Hwnd wnd) {
    std::lock_guard lock(mu_);
    if (wnd == plat::HWND_BROADCAST) return topLevel_;
    const WindowState* w = Find(wnd);
    if (!w || w->hung) return {};
    return {wnd};
}

plat::LResult SimUser::SendMessage(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam,
                                   plat::LParam lParam) {
    journal_.Add("SendMessage(" + Dec(wnd) + ", " + fmt::Msg(msg) + ", " + Dec(wParam) + ", " + Dec(lParam) +
                 ")");
    if (journal_.Fails("SendMessage")) return 0;
    plat::LResult result = 0;
    for (plat::Hwnd h : Targets(wnd)) result = Deliver(h, msg, wParam, lParam);
    return wnd == plat::HWND_BROADCAST ? 0 : result;
}

plat::LResult SimUser::SendMessageTimeout(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam,
                                          plat::LParam lParam, std::uint32_t flags, std::uint32_t timeoutMs,
                                          std::uintptr_t* result) {
    journal_.Add("SendMessageTimeout(" + Dec(wnd) + ", " + fmt::Msg(msg) + ", " + Dec(wParam) + ", " +
                 Dec(lParam) + ", " + std::to_string(flags) + ", " + std::to_string(timeoutMs) + ")");
    if (result) *result = 0;
    if (journal_.Fails("SendMessageTimeout")) return 0;
    if (wnd != plat::HWND_BROADCAST) {
        std::lock_guard lock(mu_);
        const WindowState* w = Find(wnd);
        if (!w || w->hung) return 0;  // a hung window times out, with or without SMTO_ABORTIFHUNG
    }
    plat::LResult r = 0;
    for (plat::Hwnd h : Targets(wnd)) r = Deliver(h, msg, wParam, lParam);
    if (result && wnd != plat::HWND_BROADCAST) *result = static_cast<std::uintptr_t>(r);
    return 1;
}

void SimUser::PostLocked(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
    queue_.push_back({clock_.Now(), {wnd, msg, wParam, lParam}});
}

void SimUser::PostToTopLevel(std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
    std::lock_guard lock(mu_);
    for (plat::Hwnd h : topLevel_) PostLocked(h, msg, wParam, lParam);
}

bool SimUser::PostMessage(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
    journal_.Add("PostMessage(" + Dec(wnd) + ", " + fmt::Msg(msg) + ", " + Dec(wParam) + ", " + Dec(lParam) +
                 ")");
    if (journal_.Fails("PostMessage")) return false;
    std::lock_guard lock(mu_);
    if (wnd == plat::HWND_BROADCAST) {
        for (plat::Hwnd h : topLevel_) PostLocked(h, msg, wParam, lParam);
        return true;
    }
    if (wnd != 0 && !Find(wnd)) return false;
    PostLocked(wnd, msg, wParam, lParam);  // 0: a thread message, only WM_QUIT means anything
    return true;
}

std::uint32_t SimUser::RegisterWindowMessage(const std::string& name) {
    if (journal_.Fails("RegisterWindowMessage")) return 0;
    std::lock_guard lock(mu_);
    auto [it, added] = registeredMessages_.try_emplace(Lower(name), nextRegistered_);
    if (added) ++nextRegistered_;
    return it->second;
}

bool SimUser::ProcessMessages() { return Run(clock_.Now()); }

void SimUser::Advance(std::uint64_t ms) { Run(clock_.Now() + ms); }

bool SimUser::Run(std::uint64_t target) {
    bool sawQuit = false;
    for (std::size_t n = 0;; ++n) {
        if (n > MaxDeliveriesPerRun) throw std::runtime_error("sim: endless stream of messages");
        Message m;
        std::uint64_t due = 0;
        {
            std::lock_guard lock(mu_);
            auto best = timers_.end();
            for (auto it = timers_.begin(); it != timers_.end(); ++it) {
                if (it->first.first == 0 || it->second.due > target) continue;
                if (best == timers_.end() || it->second.due < best->second.due ||
                    (it->second.due == best->second.due && it->second.seq < best->second.seq))
                    best = it;
            }
            if (!queue_.empty() && (best == timers_.end() || queue_.front().due <= best->second.due)) {
                due = queue_.front().due;
                m = queue_.front().message;
                queue_.pop_front();
            } else if (best != timers_.end()) {
                due = best->second.due;
                m = {best->first.first, plat::WM_TIMER, best->first.second, 0};
                std::uint64_t now = std::max(clock_.Now(), due);
                std::uint64_t next = due + best->second.interval;
                best->second.due = next > now ? next : now + best->second.interval;
            } else {
                break;
            }
        }
        clock_.AdvanceTo(due);
        if (m.msg == WM_QUIT) {
            quit_ = true;
            sawQuit = true;
            continue;
        }
        Deliver(m.wnd, m.msg, m.wParam, m.lParam);
    }
    clock_.AdvanceTo(target);
    return !sawQuit;
}

std::size_t SimUser::PendingMessages() const {
    std::lock_guard lock(mu_);
    return queue_.size();
}

plat::Hwnd SimUser::GetForegroundWindow() {
    std::lock_guard lock(mu_);
    return foreground_;
}

bool SimUser::AllowSetForegroundWindow(std::uint32_t processId) {
    journal_.Add("AllowSetForegroundWindow(" + std::to_string(processId) + ")");
    return !journal_.Fails("AllowSetForegroundWindow");
}

bool SimUser::SetForegroundWindow(plat::Hwnd wnd) {
    journal_.Add("SetForegroundWindow(" + Dec(wnd) + ")");
    if (journal_.Fails("SetForegroundWindow")) return false;
    std::lock_guard lock(mu_);
    if (!Find(wnd)) return false;
    foreground_ = wnd;
    return true;
}

plat::Hwnd SimUser::SetFocus(plat::Hwnd wnd) {
    journal_.Add("SetFocus(" + Dec(wnd) + ")");
    if (journal_.Fails("SetFocus")) return 0;
    std::lock_guard lock(mu_);
    if (wnd && !Find(wnd)) return 0;
    plat::Hwnd previous = focus_;
    focus_ = wnd;
    return previous;
}

plat::Hwnd SimUser::GetDesktopWindow() { return desktop_; }

std::string SimUser::GetWindowText(plat::Hwnd wnd, int maxCount) {
    if (journal_.Fails("GetWindowText")) return {};
    std::lock_guard lock(mu_);
    const WindowState* w = Find(wnd);
    if (!w || maxCount <= 0) return {};
    return w->title.substr(0, static_cast<std::size_t>(maxCount - 1));
}

int SimUser::GetWindowTextLength(plat::Hwnd wnd) {
    if (journal_.Fails("GetWindowTextLength")) return 0;
    std::lock_guard lock(mu_);
    const WindowState* w = Find(wnd);
    return w ? static_cast<int>(w->title.size()) : 0;
}

bool SimUser::SetWindowText(plat::Hwnd wnd, const std::string& text) {
    journal_.Add("SetWindowText(" + Dec(wnd) + ", " + fmt::Quote(text) + ")");
    if (journal_.Fails("SetWindowText")) return false;
    if (!IsWindow(wnd)) return false;
    Deliver(wnd, plat::WM_SETTEXT, 0, reinterpret_cast<plat::LParam>(text.c_str()));
    return true;
}

bool SimUser::GetWindowPlacement(plat::Hwnd wnd, plat::WindowPlacement& placement) {
    if (journal_.Fails("GetWindowPlacement")) return false;
    std::lock_guard lock(mu_);
    const WindowState* w = Find(wnd);
    if (!w) return false;
    placement = w->placement;
    return true;
}

bool SimUser::GetCursorPos(plat::Point& pt) {
    if (journal_.Fails("GetCursorPos")) return false;
    pt = cursor_;
    return true;
}

short SimUser::GetKeyState(int virtKey) { return keysDown_.count(virtKey) ? static_cast<short>(-32768) : 0; }

void SimUser::SetKeyDown(int vk, bool down) {
    if (down)
        keysDown_.insert(vk);
    else
        keysDown_.erase(vk);
}

// ---------------------------------------------------------------- timers

std::uintptr_t SimUser::SetTimer(plat::Hwnd wnd, std::uintptr_t id, std::uint32_t elapseMs) {
    journal_.Add("SetTimer(" + Dec(wnd) + ", " + Dec(id) + ", " + std::to_string(elapseMs) + ")");
    if (journal_.Fails("SetTimer")) return 0;
    std::lock_guard lock(mu_);
    if (wnd && !Find(wnd)) return 0;
    if (!wnd) id = nextThreadTimer_++;
    std::uint32_t interval = std::max(elapseMs, MinimumTimerMs);
    timers_[{wnd, id}] = Timer{interval, clock_.Now() + interval, timerSeq_++};
    return id ? id : 1;
}

bool SimUser::KillTimer(plat::Hwnd wnd, std::uintptr_t id) {
    journal_.Add("KillTimer(" + Dec(wnd) + ", " + Dec(id) + ")");
    if (journal_.Fails("KillTimer")) return false;
    std::lock_guard lock(mu_);
    return timers_.erase({wnd, id}) > 0;
}

bool SimUser::HasTimer(plat::Hwnd wnd, std::uintptr_t id) const {
    std::lock_guard lock(mu_);
    return timers_.count({wnd, id}) > 0;
}

std::optional<std::uint32_t> SimUser::TimerInterval(plat::Hwnd wnd, std::uintptr_t id) const {
    std::lock_guard lock(mu_);
    auto it = timers_.find({wnd, id});
    if (it == timers_.end()) return std::nullopt;
    return it->second.interval;
}

std::size_t SimUser::TimerCount() const {
    std::lock_guard lock(mu_);
    return timers_.size();
}

// ---------------------------------------------------------------- hotkeys

namespace {
constexpr std::uint32_t ModifierMask = plat::MOD_ALT | plat::MOD_CONTROL | plat::MOD_SHIFT | plat::MOD_WIN;
}

bool SimUser::RegisterHotKey(plat::Hwnd wnd, int id, std::uint32_t modifiers, std::uint32_t vk) {
    journal_.Add("RegisterHotKey(" + Dec(wnd) + ", " + std::to_string(id) + ", " + std::to_string(modifiers) +
                 ", " + fmt::Vk(vk) + ")");
    if (journal_.Fails("RegisterHotKey")) return false;
    if (wnd && !IsWindow(wnd)) return false;
    std::uint32_t mods = modifiers & ModifierMask;
    if (heldHotKeys_.count({mods, vk})) return false;
    for (const auto& r : hotKeys_)
        if ((r.modifiers & ModifierMask) == mods && r.vk == vk) return false;
    hotKeys_.push_back({wnd, id, modifiers, vk});
    return true;
}

bool SimUser::UnregisterHotKey(plat::Hwnd wnd, int id) {
    journal_.Add("UnregisterHotKey(" + Dec(wnd) + ", " + std::to_string(id) + ")");
    if (journal_.Fails("UnregisterHotKey")) return false;
    auto it = std::find_if(hotKeys_.begin(), hotKeys_.end(),
                           [&](const HotKeyRegistration& r) { return r.wnd == wnd && r.id == id; });
    if (it == hotKeys_.end()) return false;
    hotKeys_.erase(it);
    return true;
}

void SimUser::HoldHotKey(std::uint32_t modifiers, std::uint32_t vk) {
    heldHotKeys_.insert({modifiers & ModifierMask, vk});
}

bool SimUser::PressHotKey(std::uint32_t modifiers, std::uint32_t vk) {
    std::uint32_t mods = modifiers & ModifierMask;
    for (const auto& r : hotKeys_) {
        if ((r.modifiers & ModifierMask) == mods && r.vk == vk) {
            std::lock_guard lock(mu_);
            PostLocked(r.wnd, plat::WM_HOTKEY, static_cast<plat::WParam>(r.id),
                       static_cast<plat::LParam>(mods | vk << 16));
            return true;
        }
    }
    passedHotKeys_.push_back({mods, vk});
    return false;
}

// ---------------------------------------------------------------- system parameters

void SimUser::WriteDesktopValue(const std::string& name, const std::string& text) {
    registry_.SetString(plat::HKEY_CURRENT_USER, DesktopPath, name, text);
}

void SimUser::SetScreenSaverState(bool active, int timeoutSeconds) {
    screenSaverActive_ = active;
    screenSaverTimeout_ = timeoutSeconds;
}

bool SimUser::SystemParametersInfo(std::uint32_t action, std::uint32_t uiParam, void* pvParam,
                                   std::uint32_t winIni) {
    std::string pv = action == plat::SPI_SETDESKWALLPAPER ? fmt::Quote(static_cast<const char*>(pvParam))
                                                          : fmt::Ptr(pvParam);
    journal_.Add("SystemParametersInfo(" + std::to_string(action) + ", " + std::to_string(uiParam) + ", " +
                 pv + ", " + std::to_string(winIni) + ")");
    if (journal_.Fails("SystemParametersInfo")) return false;
    const bool profile = (winIni & plat::SPIF_UPDATEINIFILE) != 0;
    bool isSet = true;
    switch (action) {
        case plat::SPI_GETSCREENSAVETIMEOUT:
            if (!pvParam) return false;
            *static_cast<int*>(pvParam) = screenSaverTimeout_;
            isSet = false;
            break;
        case plat::SPI_SETSCREENSAVETIMEOUT:
            screenSaverTimeout_ = static_cast<int>(uiParam);
            if (profile) WriteDesktopValue("ScreenSaveTimeOut", std::to_string(uiParam));
            break;
        case plat::SPI_GETSCREENSAVEACTIVE:
            if (!pvParam) return false;
            *static_cast<std::int32_t*>(pvParam) = screenSaverActive_ ? 1 : 0;
            isSet = false;
            break;
        case plat::SPI_SETSCREENSAVEACTIVE:
            screenSaverActive_ = uiParam != 0;
            if (profile) WriteDesktopValue("ScreenSaveActive", uiParam ? "1" : "0");
            break;
        case plat::SPI_SETDESKWALLPAPER:
            wallpaper_ = pvParam ? static_cast<const char*>(pvParam) : "";
            if (profile) WriteDesktopValue("Wallpaper", wallpaper_);
            break;
        case SPI_GETDESKWALLPAPER: {
            if (!pvParam || uiParam == 0) return false;
            std::size_t n = std::min<std::size_t>(uiParam - 1, wallpaper_.size());
            std::memcpy(pvParam, wallpaper_.data(), n);
            static_cast<char*>(pvParam)[n] = '\0';
            isSet = false;
            break;
        }
        case plat::SPI_SETDRAGFULLWINDOWS:
            dragFullWindows_ = uiParam != 0;
            if (profile) WriteDesktopValue("DragFullWindows", uiParam ? "1" : "0");
            break;
        case SPI_GETDRAGFULLWINDOWS:
            if (!pvParam) return false;
            *static_cast<std::int32_t*>(pvParam) = dragFullWindows_ ? 1 : 0;
            isSet = false;
            break;
        case SPI_GETSCREENSAVERRUNNING:
            if (!pvParam) return false;
            *static_cast<std::int32_t*>(pvParam) = screenSaverRunning_ ? 1 : 0;
            isSet = false;
            break;
        default:
            break;
    }
    if (isSet && (winIni & plat::SPIF_SENDWININICHANGE)) PostToTopLevel(plat::WM_SETTINGCHANGE, action, 0);
    return true;
}

int SimUser::GetSystemMetrics(int index) {
    auto it = metrics_.find(index);
    return it == metrics_.end() ? 0 : it->second;
}

int SimUser::GetScreenDeviceCaps(int index) {
    auto it = deviceCaps_.find(index);
    return it == deviceCaps_.end() ? 0 : it->second;
}

bool SimUser::EnumDisplayMonitors(const plat::MonitorEnumProc& proc) {
    if (journal_.Fails("EnumDisplayMonitors")) return false;
    const std::vector<plat::Rect> screen = {
        {0, 0, GetSystemMetrics(plat::SM_CXSCREEN), GetSystemMetrics(plat::SM_CYSCREEN)}};
    for (const plat::Rect& monitor : monitors_.empty() ? screen : monitors_)
        if (!proc(monitor)) break;
    return true;
}

plat::ColorRef SimUser::GetSysColor(int index) {
    auto it = sysColors_.find(index);
    return it == sysColors_.end() ? 0 : it->second;
}

bool SimUser::SetSysColors(int count, const int* elements, const plat::ColorRef* colors) {
    std::string idx = "[", col = "[";
    for (int i = 0; i < count; ++i) {
        if (i) {
            idx += ", ";
            col += ", ";
        }
        idx += std::to_string(elements[i]);
        col += fmt::Color(colors[i]);
    }
    journal_.Add("SetSysColors(" + std::to_string(count) + ", " + idx + "], " + col + "])");
    if (journal_.Fails("SetSysColors")) return false;
    for (int i = 0; i < count; ++i) sysColors_[elements[i]] = colors[i];
    PostToTopLevel(WM_SYSCOLORCHANGE, 0, 0);
    return true;
}

// ---------------------------------------------------------------- menus

plat::Hmenu SimUser::CreatePopupMenu() {
    journal_.Add("CreatePopupMenu()");
    if (journal_.Fails("CreatePopupMenu")) return 0;
    plat::Hmenu h{nextMenu_++};
    menus_[h] = MenuState{};
    return h;
}

void SimUser::DestroyMenuTree(plat::Hmenu menu) {
    auto it = menus_.find(menu);
    if (it == menus_.end() || !it->second.alive) return;
    it->second.alive = false;
    for (const auto& item : it->second.items)
        if (item.submenu) DestroyMenuTree(item.submenu);
}

bool SimUser::DestroyMenu(plat::Hmenu menu) {
    journal_.Add("DestroyMenu(" + Dec(menu) + ")");
    if (journal_.Fails("DestroyMenu")) return false;
    auto it = menus_.find(menu);
    if (it == menus_.end() || !it->second.alive) return false;
    DestroyMenuTree(menu);
    return true;
}

bool SimUser::AppendMenu(plat::Hmenu menu, std::uint32_t flags, std::uintptr_t idOrSubmenu,
                         const std::string& text) {
    journal_.Add("AppendMenu(" + Dec(menu) + ", " + std::to_string(flags) + ", " + Dec(idOrSubmenu) + ", " +
                 fmt::Quote(text) + ")");
    if (journal_.Fails("AppendMenu")) return false;
    auto it = menus_.find(menu);
    if (it == menus_.end() || !it->second.alive) return false;
    MenuItem item{flags, idOrSubmenu, text, 0};
    if (flags & plat::MF_POPUP) {
        auto sub = menus_.find(plat::Hmenu{idOrSubmenu});
        if (sub == menus_.end() || !sub->second.alive) return false;
        item.submenu = plat::Hmenu{idOrSubmenu};
    }
    it->second.items.push_back(item);
    return true;
}

bool SimUser::SetMenuDefaultItem(plat::Hmenu menu, std::uint32_t id, std::uint32_t byPosition) {
    journal_.Add("SetMenuDefaultItem(" + Dec(menu) + ", " + std::to_string(id) + ", " +
                 std::to_string(byPosition) + ")");
    if (journal_.Fails("SetMenuDefaultItem")) return false;
    auto it = menus_.find(menu);
    if (it == menus_.end() || !it->second.alive) return false;
    if (id == 0xFFFFFFFFu) {
        it->second.defaultItem.reset();
        return true;
    }
    it->second.defaultItem = id;
    it->second.defaultByPosition = byPosition != 0;
    return true;
}

int SimUser::TrackPopupMenu(plat::Hmenu menu, std::uint32_t flags, int x, int y, int /*reserved*/,
                            plat::Hwnd owner) {
    journal_.Add("TrackPopupMenu(" + Dec(menu) + ", " + std::to_string(flags) + ", " + std::to_string(x) +
                 ", " + std::to_string(y) + ", " + Dec(owner) + ")");
    if (journal_.Fails("TrackPopupMenu")) return 0;
    auto it = menus_.find(menu);
    if (it == menus_.end() || !it->second.alive || !IsWindow(owner)) return 0;
    tracked_.push_back(menu);
    std::uintptr_t choice = 0;
    if (!menuChoices_.empty()) {
        choice = menuChoices_.front();
        menuChoices_.pop_front();
    }
    if (flags & TPM_RETURNCMD) return static_cast<int>(choice);
    if (choice) {
        std::lock_guard lock(mu_);
        PostLocked(owner, plat::WM_COMMAND, choice, 0);
    }
    return 1;
}

const MenuState& SimUser::Menu(plat::Hmenu menu) const { return menus_.at(menu); }

std::size_t SimUser::LiveMenuCount() const {
    return static_cast<std::size_t>(
        std::count_if(menus_.begin(), menus_.end(), [](const auto& m) { return m.second.alive; }));
}

// ---------------------------------------------------------------- icons

plat::Hicon SimUser::NewIcon(const std::string& source) {
    plat::Hicon h{nextIcon_++};
    icons_[h] = {source, true};
    return h;
}

plat::Hicon SimUser::LoadAppIcon() {
    journal_.Add("LoadAppIcon()");
    if (journal_.Fails("LoadAppIcon")) return 0;
    return NewIcon("app");
}

bool SimUser::DestroyIcon(plat::Hicon icon) {
    journal_.Add("DestroyIcon(" + Dec(icon) + ")");
    if (journal_.Fails("DestroyIcon")) return false;
    auto it = icons_.find(icon);
    if (it == icons_.end() || !it->second.second) return false;
    it->second.second = false;
    return true;
}

std::size_t SimUser::LiveIconCount() const {
    return static_cast<std::size_t>(
        std::count_if(icons_.begin(), icons_.end(), [](const auto& i) { return i.second.second; }));
}

void SimUser::ForgetHistory() {
    std::lock_guard lock(mu_);
    for (auto& [h, w] : windows_) w.received = {};
    std::erase_if(menus_, [](const auto& m) { return !m.second.alive; });
    std::erase_if(icons_, [](const auto& i) { return !i.second.second; });
    tracked_ = {};
    passedHotKeys_ = {};
}

std::string SimUser::IconSource(plat::Hicon icon) const {
    auto it = icons_.find(icon);
    return it == icons_.end() ? std::string() : it->second.first;
}

// ---------------------------------------------------------------- test helpers

WindowState SimUser::Window(plat::Hwnd wnd) const {
    std::lock_guard lock(mu_);
    return windows_.at(wnd);
}

std::vector<Message> SimUser::Received(plat::Hwnd wnd) const {
    std::lock_guard lock(mu_);
    const WindowState* w = Find(wnd);
    return w ? w->received : std::vector<Message>{};
}

bool SimUser::Post(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
    std::lock_guard lock(mu_);
    if (!Find(wnd)) return false;
    PostLocked(wnd, msg, wParam, lParam);
    return true;
}

plat::LResult SimUser::Send(plat::Hwnd wnd, std::uint32_t msg, plat::WParam wParam, plat::LParam lParam) {
    return Deliver(wnd, msg, wParam, lParam);
}

void SimUser::ClearReceived() {
    std::lock_guard lock(mu_);
    for (auto& [h, w] : windows_) w.received.clear();
}

std::vector<plat::Hwnd> SimUser::TopLevelWindows() const {
    std::lock_guard lock(mu_);
    return topLevel_;
}

std::vector<plat::Hwnd> SimUser::ProgramWindows() const {
    std::lock_guard lock(mu_);
    std::vector<plat::Hwnd> out;
    for (const auto& [h, w] : windows_)
        if (w.programOwned) out.push_back(h);
    return out;
}

void SimUser::SetListViewItemCount(plat::Hwnd listView, int count) {
    std::lock_guard lock(mu_);
    windows_.at(listView).listView.itemCount = count;
}

void SimUser::SetHung(plat::Hwnd wnd, bool hung) {
    std::lock_guard lock(mu_);
    windows_.at(wnd).hung = hung;
}

const ShellWindowHandles& SimUser::CreateShellWindows() {
    std::lock_guard lock(mu_);
    if (shell_.progman && Find(shell_.progman)) return shell_;
    ShellWindowHandles s;
    s.progman = NewWindowLocked(0, "Progman", "Program Manager", true, false, {});
    s.defView = NewWindowLocked(s.progman, "SHELLDLL_DefView", "", true, false, {});
    s.listView = NewWindowLocked(s.defView, "SysListView32", "FolderView", true, false, {});
    auto& lv = Find(s.listView)->listView;
    lv.textColor = 0xFFFFFF;
    lv.textBkColor = plat::CLR_NONE;
    lv.itemCount = 8;
    s.tray = NewWindowLocked(0, "Shell_TrayWnd", "", true, false, {});
    s.trayNotify = NewWindowLocked(s.tray, "TrayNotifyWnd", "", true, false, {});
    s.clock = NewWindowLocked(s.trayNotify, "TrayClockWClass", "", true, false, {});
    s.rebar = NewWindowLocked(s.tray, "ReBarWindow32", "", true, false, {});
    s.taskSwitch = NewWindowLocked(s.rebar, "MSTaskSwWClass", "Running Applications", true, false, {});
    s.tabControl = NewWindowLocked(s.taskSwitch, "SysTabControl32", "Tasks", true, false, {});
    s.toolbar = NewWindowLocked(s.rebar, "ToolbarWindow32", "Quick Launch", true, false, {});
    s.startButton = NewWindowLocked(s.tray, "Button", "Start", true, false, {});
    shell_ = s;
    return shell_;
}

plat::Hwnd SimUser::MoveDesktopViewToWorkerW() {
    std::lock_guard lock(mu_);
    if (!Find(shell_.defView)) return 0;
    shell_.wallpaperWorker = NewWindowLocked(0, "WorkerW", "", true, false, {});
    shell_.viewWorker = NewWindowLocked(0, "WorkerW", "", true, false, {});
    ReparentLocked(shell_.defView, shell_.viewWorker);
    return shell_.viewWorker;
}

void SimUser::ReparentLocked(plat::Hwnd wnd, plat::Hwnd parent) {
    if (parent == desktop_) parent = 0;
    WindowState& w = windows_.at(wnd);
    if (parent && !Find(parent)) throw std::invalid_argument("no such parent window");
    if (w.parent)
        std::erase(Find(w.parent)->children, wnd);
    else
        std::erase(topLevel_, wnd);
    w.parent = parent;
    if (parent)
        Find(parent)->children.push_back(wnd);
    else
        topLevel_.push_back(wnd);
}

void SimUser::Reparent(plat::Hwnd wnd, plat::Hwnd parent) {
    std::lock_guard lock(mu_);
    ReparentLocked(wnd, parent);
}

void SimUser::RemoveWindow(plat::Hwnd wnd) {
    std::lock_guard lock(mu_);
    std::vector<plat::Hwnd> tree;
    CollectTreeLocked(wnd, tree);
    RemoveWindowsLocked(tree);
}

void SimUser::DestroyShellWindows() {
    std::lock_guard lock(mu_);
    std::vector<plat::Hwnd> tree;
    CollectTreeLocked(shell_.progman, tree);
    CollectTreeLocked(shell_.tray, tree);
    CollectTreeLocked(shell_.viewWorker, tree);
    CollectTreeLocked(shell_.wallpaperWorker, tree);
    RemoveWindowsLocked(tree);
    shell_ = ShellWindowHandles{};
}

void SimUser::BroadcastTaskbarCreated() {
    std::uint32_t msg;
    std::vector<plat::Hwnd> targets;
    {
        std::lock_guard lock(mu_);
        auto [it, added] = registeredMessages_.try_emplace(Lower("TaskbarCreated"), nextRegistered_);
        if (added) ++nextRegistered_;
        msg = it->second;
        for (plat::Hwnd h : topLevel_)
            if (Find(h)->programOwned) targets.push_back(h);
    }
    for (plat::Hwnd h : targets) Deliver(h, msg, 0, 0);
}

}  // namespace sim
