#include "platform/sim/SimShell.h"

#include <algorithm>
#include <cstring>

#include "platform/constants.h"

namespace sim {

namespace {
constexpr std::uint32_t NIM_SETFOCUS = 3;
constexpr std::uint32_t NIM_SETVERSION = 4;
constexpr long E_FAIL = static_cast<long>(0x80004005u);

std::string NimName(std::uint32_t message) {
    switch (message) {
        case plat::NIM_ADD:
            return "NIM_ADD";
        case plat::NIM_MODIFY:
            return "NIM_MODIFY";
        case plat::NIM_DELETE:
            return "NIM_DELETE";
        default:
            return std::to_string(message);
    }
}
}  // namespace

SimShell::SimShell(SimJournal& journal, SimUser& user, SimKernel& kernel)
    : journal_(journal), user_(user), kernel_(kernel) {
    SetSpecialFolder(plat::CSIDL_DESKTOPDIRECTORY, "C:\\Documents and Settings\\User\\Desktop");
    SetSpecialFolder(plat::CSIDL_STARTMENU, "C:\\Documents and Settings\\User\\Start Menu");
    SetSpecialFolder(plat::CSIDL_LOCAL_APPDATA,
                     "C:\\Documents and Settings\\User\\Local Settings\\Application Data");
    SetSpecialFolder(plat::CSIDL_DRIVES, "");
    SetSpecialFolder(plat::CSIDL_CONTROLS, "");
}

bool SimShell::TrayAlive(plat::Hwnd tray) const {
    return tray != 0 && tray == user_.ShellWindows().tray && user_.IsWindow(tray);
}

bool SimShell::Shell_NotifyIcon(std::uint32_t message, const plat::NotifyIconData& data) {
    std::string tip(data.tip, strnlen(data.tip, sizeof data.tip));
    journal_.Add("Shell_NotifyIcon(" + NimName(message) + ", " + std::to_string(data.wnd.Value()) + ", " +
                 std::to_string(data.id) + ", " + std::to_string(data.flags) + ", " +
                 fmt::Msg(data.callbackMessage) + ", " + std::to_string(data.icon.Value()) + ", " +
                 fmt::Quote(tip) + ")");
    if (journal_.Fails("Shell_NotifyIcon")) return false;
    plat::Hwnd tray = user_.ShellWindows().tray;
    if (!TrayAlive(tray)) return false;
    std::erase_if(icons_, [&](const NotifyIcon& i) { return i.tray != tray; });
    auto it = std::find_if(icons_.begin(), icons_.end(),
                           [&](const NotifyIcon& i) { return i.wnd == data.wnd && i.id == data.id; });
    auto apply = [&](NotifyIcon& icon) {
        icon.flags |= data.flags;
        if (data.flags & plat::NIF_MESSAGE) icon.callbackMessage = data.callbackMessage;
        if (data.flags & plat::NIF_ICON) icon.icon = data.icon;
        if (data.flags & plat::NIF_TIP) icon.tip = tip;
    };
    switch (message) {
        case plat::NIM_ADD: {
            if (it != icons_.end()) return false;
            NotifyIcon icon;
            icon.wnd = data.wnd;
            icon.id = data.id;
            icon.tray = tray;
            apply(icon);
            icons_.push_back(icon);
            return true;
        }
        case plat::NIM_MODIFY:
            if (it == icons_.end()) return false;
            apply(*it);
            return true;
        case plat::NIM_DELETE:
            if (it == icons_.end()) return false;
            icons_.erase(it);
            return true;
        case NIM_SETFOCUS:
        case NIM_SETVERSION:
            return it != icons_.end();
        default:
            return false;
    }
}

std::vector<NotifyIcon> SimShell::Icons() const {
    std::vector<NotifyIcon> out;
    for (const auto& i : icons_)
        if (TrayAlive(i.tray)) out.push_back(i);
    return out;
}

std::optional<NotifyIcon> SimShell::Icon(plat::Hwnd wnd, std::uint32_t id) const {
    for (const auto& i : Icons())
        if (i.wnd == wnd && i.id == id) return i;
    return std::nullopt;
}

bool SimShell::ClickIcon(plat::Hwnd wnd, std::uint32_t id, std::uint32_t mouseMessage) {
    auto icon = Icon(wnd, id);
    if (!icon || !(icon->flags & plat::NIF_MESSAGE)) return false;
    return user_.Post(wnd, icon->callbackMessage, id, static_cast<plat::LParam>(mouseMessage));
}

std::intptr_t SimShell::ShellExecute(plat::Hwnd owner, const char* verb, const char* file,
                                     const char* parameters, const char* directory, int show) {
    journal_.Add("ShellExecute(" + std::to_string(owner.Value()) + ", " + fmt::Quote(verb) + ", " +
                 fmt::Quote(file) + ", " + fmt::Quote(parameters) + ", " + fmt::Quote(directory) + ", " +
                 std::to_string(show) + ")");
    if (auto f = journal_.Fails("ShellExecute")) return *f ? *f : SE_ERR_FNF;
    return shellExecuteResult_;
}

bool SimShell::ShellExecuteEx(plat::ShellExecuteInfo& info) {
    journal_.Add("ShellExecuteEx(" + std::to_string(info.mask) + ", " + std::to_string(info.wnd.Value()) +
                 ", " + fmt::Quote(info.verb) + ", " + fmt::Quote(info.file) + ", " +
                 fmt::Quote(info.parameters) + ", " + fmt::Quote(info.directory) + ", " +
                 std::to_string(info.show) + ", " + std::to_string(info.idList.Value()) + ")");
    info.process = 0;
    if (journal_.Fails("ShellExecuteEx") || shellExecuteResult_ <= 32) return false;
    if (info.mask & plat::SEE_MASK_NOCLOSEPROCESS) {
        info.process = process_ ? process_ : kernel_.NewProcessHandle();
        lastProcess_ = info.process;
    }
    return true;
}

void SimShell::SetSpecialFolder(int csidl, const std::string& path) {
    folders_[csidl] = path;
    if (!path.empty()) kernel_.MakeDirectory(path);
}

void SimShell::RemoveSpecialFolder(int csidl) { folders_.erase(csidl); }

long SimShell::SHGetSpecialFolderLocation(plat::Hwnd /*owner*/, int csidl, plat::Pidl& idList) {
    idList = 0;
    if (auto f = journal_.Fails("SHGetSpecialFolderLocation")) return *f ? *f : E_FAIL;
    auto it = folders_.find(csidl);
    if (it == folders_.end()) return E_INVALIDARG;
    idList = plat::Pidl{nextPidl_++};
    pidls_[idList] = {csidl, it->second};
    return 0;
}

bool SimShell::SHGetPathFromIDList(plat::Pidl idList, std::string& path) {
    if (journal_.Fails("SHGetPathFromIDList")) return false;
    auto it = pidls_.find(idList);
    if (it == pidls_.end() || it->second.second.empty()) return false;
    path = it->second.second;
    return true;
}

void SimShell::FreeIDList(plat::Pidl idList) { pidls_.erase(idList); }

plat::Hicon SimShell::SHGetFileInfoSmallIcon(const std::string& path) {
    if (journal_.Fails("SHGetFileInfoSmallIcon")) return 0;
    if (!kernel_.Exists(path)) return 0;
    return user_.NewIcon("file:" + path);
}

void SimShell::SHChangeNotify(long eventId, std::uint32_t flags, const void* item1, const void* item2) {
    journal_.Add("SHChangeNotify(" + fmt::Hex(static_cast<std::uint32_t>(eventId), 8) + ", " +
                 fmt::Hex(flags, 4) + ", " + fmt::Ptr(item1) + ", " + fmt::Ptr(item2) + ")");
}

void SimShell::SHAddToRecentDocs(std::uint32_t flags, const char* path) {
    journal_.Add("SHAddToRecentDocs(" + std::to_string(flags) + ", " + fmt::Quote(path) + ")");
}

class SimShell::ActiveDesktop final : public plat::IActiveDesktop {
public:
    explicit ActiveDesktop(SimShell& shell) : shell_(shell), options_(shell.activeDesktop_) {}

    bool GetDesktopItemOptions(plat::ActiveDesktopOptions& options) override {
        if (shell_.journal_.Fails("GetDesktopItemOptions")) return false;
        options = options_;
        return true;
    }

    bool SetDesktopItemOptions(const plat::ActiveDesktopOptions& options) override {
        shell_.journal_.Add("SetDesktopItemOptions(" + std::to_string(options.fEnableComponents) + ", " +
                            std::to_string(options.fActiveDesktop) + ")");
        if (shell_.journal_.Fails("SetDesktopItemOptions")) return false;
        options_ = options;
        return true;
    }

    bool ApplyChanges(std::uint32_t flags) override {
        shell_.journal_.Add("ApplyChanges(" + std::to_string(flags) + ")");
        if (shell_.journal_.Fails("ApplyChanges")) return false;
        shell_.activeDesktop_ = options_;
        return true;
    }

private:
    SimShell& shell_;
    plat::ActiveDesktopOptions options_;  // pending until applied
};

std::unique_ptr<plat::IActiveDesktop> SimShell::CreateActiveDesktop() {
    journal_.Add("CreateActiveDesktop()");
    if (journal_.Fails("CreateActiveDesktop") || !activeDesktopAvailable_) return nullptr;
    return std::make_unique<ActiveDesktop>(*this);
}

bool SimShell::SHBrowseForFolder(const plat::BrowseInfo& info, std::string& path) {
    journal_.Add("SHBrowseForFolder(" + std::to_string(info.owner.Value()) + ", " + fmt::Quote(info.title) +
                 ", " + std::to_string(info.flags) + ", " + fmt::Quote(info.initialFolder) + ")");
    lastBrowse_ = info;
    if (journal_.Fails("SHBrowseForFolder")) return false;
    browseStatus_.clear();
    browseOK_ = true;
    const auto selections = std::move(selections_);
    selections_.clear();
    for (const std::string& selected : selections) {
        if (!info.selChanged) break;
        const plat::BrowseSelection reply = info.selChanged(selected);
        if (reply.enableOK != -1) {
            journal_.Add("BFFM_ENABLEOK(" + std::to_string(reply.enableOK) + ")");
            browseOK_ = reply.enableOK != 0;
        }
        if (!reply.statusText.empty()) {
            journal_.Add("BFFM_SETSTATUSTEXT(" + fmt::Quote(reply.statusText) + ")");
            if (info.flags & 0x0004) browseStatus_ = reply.statusText;  // BIF_STATUSTEXT
        }
    }
    if (browse_.empty()) return false;
    auto choice = browse_.front();
    browse_.pop_front();
    if (!choice) return false;
    path = *choice;
    return true;
}

long SimShell::SHQueryUserNotificationState(std::uint32_t& state) {
    journal_.Add("SHQueryUserNotificationState()");
    if (journal_.Fails("SHQueryUserNotificationState")) return E_FAIL;
    state = notificationState_;
    return 0;
}

}  // namespace sim
