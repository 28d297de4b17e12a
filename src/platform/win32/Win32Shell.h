#pragma once
// shell32 and the Active Desktop object behind IShell.
#include "platform/shell.h"

namespace win32 {

class Win32Shell final : public plat::IShell {
public:
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
};

}  // namespace win32
