#pragma once
// Shell (shell32): notification icon, ShellExecute(Ex), special folders, file
// icons, change notifications to the shell, recent documents, Active Desktop,
// folder browser, the user's notification state.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/types.h"

namespace plat {

// The first-version notify-icon record (88 bytes on the system's side).
struct NotifyIconData {
    std::uint32_t cbSize = 88;
    Hwnd wnd = 0;
    std::uint32_t id = 0;
    std::uint32_t flags = 0;
    std::uint32_t callbackMessage = 0;
    Hicon icon = 0;
    char tip[64] = {};
};

struct ShellExecuteInfo {
    std::uint32_t cbSize = 60;
    std::uint32_t mask = 0;
    Hwnd wnd = 0;
    const char* verb = nullptr;
    const char* file = nullptr;
    const char* parameters = nullptr;
    const char* directory = nullptr;
    int show = 0;
    Pidl idList = 0;
    Handle process = 0;  // out, with SEE_MASK_NOCLOSEPROCESS
};

struct ActiveDesktopOptions {
    std::uint32_t dwSize = 12;
    std::int32_t fEnableComponents = 0;
    std::int32_t fActiveDesktop = 0;
};

// One Active Desktop object (IActiveDesktop). Options set on it stay pending on
// that object until the same object applies them.
class IActiveDesktop {
public:
    virtual ~IActiveDesktop() = default;
    virtual bool GetDesktopItemOptions(ActiveDesktopOptions& options) = 0;
    virtual bool SetDesktopItemOptions(const ActiveDesktopOptions& options) = 0;
    virtual bool ApplyChanges(std::uint32_t flags) = 0;
};

// What the folder dialog is sent when its selection changes: BFFM_ENABLEOK with
// enableOK unless it is -1, BFFM_SETSTATUSTEXT with statusText unless it is empty.
struct BrowseSelection {
    int enableOK = -1;
    std::string statusText;
};

struct BrowseInfo {
    Hwnd owner = 0;
    Pidl root = 0;
    std::string title;
    std::uint32_t flags = 0;
    std::string initialFolder;  // selected when the dialog opens (BFFM_SETSELECTION)
    // BFFM_SELCHANGED, with the new selection's path ("" for an item outside the
    // file system); none leaves the dialog as it is.
    std::function<BrowseSelection(const std::string& path)> selChanged;
};

class IShell {
public:
    virtual ~IShell() = default;

    virtual bool Shell_NotifyIcon(std::uint32_t message, const NotifyIconData& data) = 0;
    virtual std::intptr_t ShellExecute(Hwnd owner, const char* verb, const char* file, const char* parameters,
                                       const char* directory, int show) = 0;
    virtual bool ShellExecuteEx(ShellExecuteInfo& info) = 0;
    virtual long SHGetSpecialFolderLocation(Hwnd owner, int csidl, Pidl& idList) = 0;
    virtual bool SHGetPathFromIDList(Pidl idList, std::string& path) = 0;
    virtual void FreeIDList(Pidl idList) = 0;
    // Small icon of a file or folder (the caller destroys it); 0 when none.
    virtual Hicon SHGetFileInfoSmallIcon(const std::string& path) = 0;
    virtual void SHChangeNotify(long eventId, std::uint32_t flags, const void* item1, const void* item2) = 0;
    virtual void SHAddToRecentDocs(std::uint32_t flags, const char* path) = 0;
    // A new Active Desktop object; null when it cannot be created.
    virtual std::unique_ptr<IActiveDesktop> CreateActiveDesktop() = 0;
    // The chosen folder's path, or false when the user cancelled.
    virtual bool SHBrowseForFolder(const BrowseInfo& info, std::string& path) = 0;
    // Whether the user is busy (QUNS_BUSY, a full-screen game, a presentation) or
    // free for notifications; the result is an HRESULT, 0 on success.
    virtual long SHQueryUserNotificationState(std::uint32_t& state) = 0;
};

}  // namespace plat
