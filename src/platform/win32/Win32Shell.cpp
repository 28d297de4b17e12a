#include "platform/win32/Win32Shell.h"

#include "platform/win32/WinApi.h"
#include "platform/win32/ComPtr.h"
#include "platform/win32/Handles.h"

#include <cstring>
#include <exception>
#include <memory>

namespace win32 {

namespace {

HWND W(plat::Hwnd wnd) { return ToWin(wnd); }

// The Active Desktop object and its interface, as constants rather than
// __uuidof, so that nothing depends on the compiler's COM extensions.
constexpr GUID kClsidActiveDesktop = {
    0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
constexpr GUID kIidActiveDesktop = {
    0xF490EB00, 0x1240, 0x11D1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};

// Keeps COM initialised on this thread for as long as it lives, when it was the
// one to initialise it; a thread already in another apartment model is used as it is.
class ComScope {
public:
    ComScope() : FInitialised(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (FInitialised) ::CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    const bool FInitialised;
};

// One Active Desktop object: what is set on it is applied by the same object.
// The interface is released before COM is let go (members go in reverse order).
class Win32ActiveDesktop final : public plat::IActiveDesktop {
public:
    bool Create() {
        return SUCCEEDED(::CoCreateInstance(kClsidActiveDesktop, nullptr, CLSCTX_INPROC_SERVER,
                                            kIidActiveDesktop, FDesktop.putVoid())) &&
               FDesktop;
    }

    bool GetDesktopItemOptions(plat::ActiveDesktopOptions& options) override {
        COMPONENTSOPT opt{};
        opt.dwSize = sizeof opt;
        if (FAILED(FDesktop->GetDesktopItemOptions(&opt, 0))) return false;
        options.fEnableComponents = opt.fEnableComponents;
        options.fActiveDesktop = opt.fActiveDesktop;
        return true;
    }

    bool SetDesktopItemOptions(const plat::ActiveDesktopOptions& options) override {
        COMPONENTSOPT opt{};
        opt.dwSize = sizeof opt;
        opt.fEnableComponents = options.fEnableComponents;
        opt.fActiveDesktop = options.fActiveDesktop;
        return SUCCEEDED(FDesktop->SetDesktopItemOptions(&opt, 0));
    }

    bool ApplyChanges(std::uint32_t flags) override { return SUCCEEDED(FDesktop->ApplyChanges(flags)); }

private:
    ComScope FCom;
    ComPtr<::IActiveDesktop> FDesktop;
};

PIDLIST_ABSOLUTE Pidl(plat::Pidl p) { return ToWin(p); }

}  // namespace

bool Win32Shell::Shell_NotifyIcon(std::uint32_t message, const plat::NotifyIconData& data) {
    NOTIFYICONDATAA nid{};
    // The first-version record: every shell since Windows 95 understands it.
    nid.cbSize = NOTIFYICONDATAA_V1_SIZE;
    nid.hWnd = W(data.wnd);
    nid.uID = data.id;
    nid.uFlags = data.flags;
    nid.uCallbackMessage = data.callbackMessage;
    nid.hIcon = ToWin(data.icon);
    static_assert(sizeof data.tip <= sizeof nid.szTip);
    std::memcpy(nid.szTip, data.tip, sizeof data.tip);
    nid.szTip[sizeof data.tip - 1] = '\0';
    return ::Shell_NotifyIconA(message, &nid) != FALSE;
}

std::intptr_t Win32Shell::ShellExecute(plat::Hwnd owner, const char* verb, const char* file,
                                       const char* parameters, const char* directory, int show) {
    return reinterpret_cast<std::intptr_t>(
        ::ShellExecuteA(W(owner), verb, file, parameters, directory, show));
}

bool Win32Shell::ShellExecuteEx(plat::ShellExecuteInfo& info) {
    SHELLEXECUTEINFOA sei{};
    sei.cbSize = sizeof sei;
    sei.fMask = info.mask;
    sei.hwnd = W(info.wnd);
    sei.lpVerb = info.verb;
    sei.lpFile = info.file;
    sei.lpParameters = info.parameters;
    sei.lpDirectory = info.directory;
    sei.nShow = info.show;
    sei.lpIDList = ToWin(info.idList);
    BOOL ok = ::ShellExecuteExA(&sei);
    info.process = FromWin(sei.hProcess);
    return ok != FALSE;
}

long Win32Shell::SHGetSpecialFolderLocation(plat::Hwnd owner, int csidl, plat::Pidl& idList) {
    PIDLIST_ABSOLUTE pidl = nullptr;
    HRESULT hr = ::SHGetSpecialFolderLocation(W(owner), csidl, &pidl);
    idList = SUCCEEDED(hr) ? FromWin(pidl) : plat::Pidl{};
    return hr;
}

bool Win32Shell::SHGetPathFromIDList(plat::Pidl idList, std::string& path) {
    // The A function fills at most MAX_PATH bytes; long paths need the wide
    // one, converted to UTF-8 like every other text of the program.
    std::wstring wide(32768, L'\0');
    if (!::SHGetPathFromIDListEx(Pidl(idList), wide.data(), static_cast<DWORD>(wide.size()),
                                 GPFIDL_DEFAULT)) {
        path.clear();
        return false;
    }
    wide.resize(std::wcslen(wide.c_str()));
    int n = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr,
                                  nullptr);
    path.assign(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), path.data(), n, nullptr,
                          nullptr);
    return true;
}

void Win32Shell::FreeIDList(plat::Pidl idList) { ::CoTaskMemFree(Pidl(idList)); }

plat::Hicon Win32Shell::SHGetFileInfoSmallIcon(const std::string& path) {
    SHFILEINFOA info{};
    if (!::SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON)) return 0;
    return FromWin(info.hIcon);
}

void Win32Shell::SHChangeNotify(long eventId, std::uint32_t flags, const void* item1, const void* item2) {
    ::SHChangeNotify(eventId, flags, item1, item2);
}

void Win32Shell::SHAddToRecentDocs(std::uint32_t flags, const char* path) {
    ::SHAddToRecentDocs(flags, path);
}

std::unique_ptr<plat::IActiveDesktop> Win32Shell::CreateActiveDesktop() {
    auto desktop = std::make_unique<Win32ActiveDesktop>();
    if (!desktop->Create()) return nullptr;
    return desktop;
}

namespace {

// What the folder dialog's callback works with; lpData carries it.
struct BrowseContext {
    Win32Shell* shell;
    const plat::BrowseInfo* info;
    std::exception_ptr error;  // thrown by the program's handler, raised once the dialog is closed
};

// Selects the initial folder once the dialog is up, and lets the program
// answer each change of selection with the OK button's state and a status line.
int CALLBACK BrowseCallback(HWND wnd, UINT msg, LPARAM param, LPARAM data) {
    auto* context = reinterpret_cast<BrowseContext*>(data);
    if (!context) return 0;
    const plat::BrowseInfo& info = *context->info;
    if (msg == BFFM_INITIALIZED && !info.initialFolder.empty()) {
        ::SendMessageA(wnd, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(info.initialFolder.c_str()));
    } else if (msg == BFFM_SELCHANGED && info.selChanged && !context->error) {
        std::string path;
        if (!context->shell->SHGetPathFromIDList(static_cast<plat::Pidl>(param), path)) path.clear();
        plat::BrowseSelection reply;
        try {
            reply = info.selChanged(path);
        } catch (...) {
            // The exception cannot travel through the shell's frames.
            context->error = std::current_exception();
            return 0;
        }
        if (reply.enableOK != -1) ::SendMessageA(wnd, BFFM_ENABLEOK, reply.enableOK, reply.enableOK);
        if (!reply.statusText.empty())
            ::SendMessageA(wnd, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(reply.statusText.c_str()));
    }
    return 0;
}

}  // namespace

bool Win32Shell::SHBrowseForFolder(const plat::BrowseInfo& info, std::string& path) {
    char display[MAX_PATH * 3] = {};
    BrowseContext context{this, &info, nullptr};
    BROWSEINFOA bi{};
    bi.lpfn = &BrowseCallback;
    bi.lParam = reinterpret_cast<LPARAM>(&context);
    bi.hwndOwner = W(info.owner);
    bi.pidlRoot = Pidl(info.root);
    bi.pszDisplayName = display;
    bi.lpszTitle = info.title.c_str();
    bi.ulFlags = info.flags;
    const UniqueIdList chosen(::SHBrowseForFolderA(&bi));
    if (context.error) std::rethrow_exception(context.error);
    if (!chosen) return false;
    return SHGetPathFromIDList(FromWin(chosen.get()), path);
}

long Win32Shell::SHQueryUserNotificationState(std::uint32_t& state) {
    QUERY_USER_NOTIFICATION_STATE s = QUNS_ACCEPTS_NOTIFICATIONS;
    const HRESULT result = ::SHQueryUserNotificationState(&s);
    if (SUCCEEDED(result)) state = static_cast<std::uint32_t>(s);
    return result;
}

}  // namespace win32
