#pragma once
// kernel32, version.dll and ntdll's processor times behind IKernel.
#include "platform/kernel.h"

// Included after <windows.h>, the interface's header no longer undoes its macro.
#ifdef GetVersionEx
#undef GetVersionEx
#endif
#ifdef CompareString
#undef CompareString
#endif
#ifdef CreateFile
#undef CreateFile
#endif

namespace win32 {

class Win32Kernel final : public plat::IKernel {
public:
    std::string GetWindowsDirectory() override;
    std::string GetSystemDirectory() override;
    std::string GetTempPath() override;
    std::string GetModuleFileName() override;
    std::uint32_t GetTickCount() override;
    void GetLocalTime(plat::SystemTime& time) override;
    std::string GetLocaleInfo(std::uint32_t lcType) override;
    int CompareString(std::uint32_t locale, std::uint32_t flags, std::string_view a,
                      std::string_view b) override;
    void Sleep(std::uint32_t ms) override;

    plat::Handle GetCurrentProcess() override;
    plat::Handle GetCurrentThread() override;
    bool SetPriorityClass(plat::Handle process, std::uint32_t priorityClass) override;
    bool SetThreadPriority(plat::Handle thread, int priority) override;

    plat::Handle FindFirstFile(const std::string& pattern, plat::FindData& data) override;
    bool FindNextFile(plat::Handle find, plat::FindData& data) override;
    bool FindClose(plat::Handle find) override;
    std::uint32_t GetFileAttributes(const std::string& path) override;
    bool CreateDirectory(const std::string& path) override;
    bool RemoveDirectory(const std::string& path) override;
    bool DeleteFile(const std::string& path) override;
    long ReadFile(const std::string& path, std::vector<std::uint8_t>& data) override;
    long WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) override;
    long ReplaceFile(const std::string& from, const std::string& to) override;
    plat::Handle CreateFile(const std::string& path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                            std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) override;
    bool ReadFile(plat::Handle file, void* buffer, std::uint32_t bytes, std::uint32_t& read) override;
    bool SetFilePointerEx(plat::Handle file, std::int64_t distance, std::uint32_t moveMethod) override;
    bool WriteFile(plat::Handle file, const void* buffer, std::uint32_t bytes,
                   std::uint32_t& written) override;
    bool FlushFileBuffers(plat::Handle file) override;

    plat::Handle FindFirstChangeNotification(const std::string& path, bool subtree,
                                             std::uint32_t filter) override;
    bool FindNextChangeNotification(plat::Handle change) override;
    bool FindCloseChangeNotification(plat::Handle change) override;
    plat::Handle CreateEvent(bool manualReset, bool initialState) override;
    bool SetEvent(plat::Handle event) override;
    plat::Handle CreateMutex(bool initialOwner, const std::string& name) override;
    bool CloseHandle(plat::Handle handle) override;
    std::uint32_t WaitForSingleObject(plat::Handle handle, std::uint32_t ms) override;
    std::uint32_t WaitForMultipleObjects(std::uint32_t count, const plat::Handle* handles, bool waitAll,
                                         std::uint32_t ms) override;

    std::uint32_t GetLogicalDrives() override;
    std::uint32_t GetDriveType(const std::string& root) override;
    std::uint32_t WinExec(const std::string& cmdLine, int show) override;
    std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                        const std::string& def, std::uint32_t size,
                                        const std::string& file) override;

    std::uint32_t GetFileVersionInfoSize(const std::string& path) override;
    bool GetFileVersionInfo(const std::string& path, std::vector<std::uint8_t>& block) override;
    bool VerQueryFixedFileInfo(const std::vector<std::uint8_t>& block, plat::FixedFileVersion& info) override;

    bool GetVersionEx(plat::OsVersionInfo& info) override;
    bool SystemTimeToFileTime(const plat::SystemTime& time, std::uint64_t& fileTime) override;
    bool GetProcessorTimes(std::vector<plat::ProcessorTimes>& processors,
                           plat::ProcessorTimes& total) override;
    std::uint32_t GetLastError() override;
    std::string FormatMessage(std::uint32_t messageId) override;
    void OutputDebugString(const std::string& text) override;

private:
    // NtQuerySystemInformation, looked up in ntdll on first use (null when absent).
    void* ntQuerySystemInformation_ = nullptr;
    bool ntLookedUp_ = false;
    std::vector<std::uint8_t> processorBuffer_;
};

}  // namespace win32
