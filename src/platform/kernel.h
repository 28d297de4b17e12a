#pragma once
// System (kernel32 and version): directories, tick count, priorities, files and
// find handles, change notifications, events and waits, drives, WinExec, version
// information, the local time and the user's locale, the system's processor times.
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "platform/types.h"

// <windows.h> maps GetVersionEx to GetVersionExA; the interface keeps the Win32 name.
#ifdef GetVersionEx
#undef GetVersionEx
#endif
#ifdef CompareString
#undef CompareString
#endif
#ifdef OutputDebugString
#undef OutputDebugString
#endif
#ifdef CreateFile
#undef CreateFile
#endif
#ifdef CreateMutex
#undef CreateMutex
#endif

namespace plat {

struct FindData {
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    std::string name;  // without the folder
};

struct FixedFileVersion {
    std::uint32_t fileVersionMS = 0;
    std::uint32_t fileVersionLS = 0;
};

// OSVERSIONINFOA. The caller sets osVersionInfoSize (148, or 156 for the EX form)
// as Win32 requires; any other size makes GetVersionEx fail.
struct OsVersionInfo {
    std::uint32_t osVersionInfoSize = 0;
    std::uint32_t majorVersion = 0;
    std::uint32_t minorVersion = 0;
    std::uint32_t buildNumber = 0;
    std::uint32_t platformId = 0;  // VER_PLATFORM_WIN32_WINDOWS (1) or VER_PLATFORM_WIN32_NT (2)
    std::string csdVersion;
};

// Times a processor has spent since boot, in 100-ns units. Kernel time includes
// idle time, as Windows counts it.
struct ProcessorTimes {
    std::int64_t idle = 0;
    std::int64_t kernel = 0;
    std::int64_t user = 0;
};

class IKernel {
public:
    virtual ~IKernel() = default;

    virtual std::string GetWindowsDirectory() = 0;
    virtual std::string GetSystemDirectory() = 0;
    virtual std::string GetTempPath() = 0;
    virtual std::string GetModuleFileName() = 0;
    virtual std::uint32_t GetTickCount() = 0;
    virtual void GetLocalTime(SystemTime& time) = 0;
    // LOCALE_USER_DEFAULT information (GetLocaleInfo), by LCTYPE.
    virtual std::string GetLocaleInfo(std::uint32_t lcType) = 0;
    // The order of two UTF-8 strings in a locale's collation (CompareString with
    // NORM_IGNORECASE and the like): CSTR_LESS_THAN, CSTR_EQUAL or CSTR_GREATER_THAN,
    // 0 when it fails. Stand-in kernels of tests get byte order with ASCII letters
    // folded, which sorts plain names as the shell does.
    virtual int CompareString(std::uint32_t locale, std::uint32_t flags, std::string_view a,
                              std::string_view b) {
        (void)locale;
        const bool ignoreCase = flags & 0x1;  // NORM_IGNORECASE
        const auto* pa = reinterpret_cast<const unsigned char*>(a.data());
        const auto* pb = reinterpret_cast<const unsigned char*>(b.data());
        const std::size_t n = a.size() < b.size() ? a.size() : b.size();
        for (std::size_t i = 0; i < n; ++i) {
            unsigned x = pa[i], y = pb[i];
            if (x == y) continue;
            if (ignoreCase) {
                if (x - 'a' < 26u) x -= 'a' - 'A';
                if (y - 'a' < 26u) y -= 'a' - 'A';
            }
            if (x != y) return x < y ? 1 : 3;
        }
        return a.size() == b.size() ? 2 : a.size() < b.size() ? 1 : 3;
    }
    virtual void Sleep(std::uint32_t ms) = 0;

    virtual Handle GetCurrentProcess() = 0;
    virtual Handle GetCurrentThread() = 0;
    virtual bool SetPriorityClass(Handle process, std::uint32_t priorityClass) = 0;
    virtual bool SetThreadPriority(Handle thread, int priority) = 0;

    virtual Handle FindFirstFile(const std::string& pattern, FindData& data) = 0;  // 0 when none
    virtual bool FindNextFile(Handle find, FindData& data) = 0;
    virtual bool FindClose(Handle find) = 0;
    virtual std::uint32_t GetFileAttributes(const std::string& path) = 0;
    virtual bool CreateDirectory(const std::string& path) = 0;
    virtual bool RemoveDirectory(const std::string& path) = 0;
    virtual bool DeleteFile(const std::string& path) = 0;
    // Whole-file I/O; errors are Win32 codes (0 on success).
    virtual long ReadFile(const std::string& path, std::vector<std::uint8_t>& data) = 0;
    virtual long WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) = 0;
    // MoveFileEx with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH.
    virtual long ReplaceFile(const std::string& from, const std::string& to) = 0;
    // A file read or written in pieces: CreateFile (without security attributes or
    // template), ReadFile on the handle, or SetFilePointerEx (without the new position),
    // WriteFile on the handle and FlushFileBuffers; then CloseHandle. CreateFile answers
    // 0, not INVALID_HANDLE_VALUE, when it fails; every failure sets GetLastError.
    // Stand-in kernels of tests need not answer these: by default they fail.
    virtual Handle CreateFile(const std::string& path, std::uint32_t desiredAccess, std::uint32_t shareMode,
                              std::uint32_t creationDisposition, std::uint32_t flagsAndAttributes) {
        (void)path, (void)desiredAccess, (void)shareMode, (void)creationDisposition, (void)flagsAndAttributes;
        return 0;
    }
    virtual bool ReadFile(Handle file, void* buffer, std::uint32_t bytes, std::uint32_t& read) {
        (void)file, (void)buffer, (void)bytes;
        read = 0;
        return false;
    }
    virtual bool SetFilePointerEx(Handle file, std::int64_t distance, std::uint32_t moveMethod) {
        (void)file, (void)distance, (void)moveMethod;
        return false;
    }
    virtual bool WriteFile(Handle file, const void* buffer, std::uint32_t bytes, std::uint32_t& written) {
        (void)file, (void)buffer, (void)bytes;
        written = 0;
        return false;
    }
    virtual bool FlushFileBuffers(Handle file) {
        (void)file;
        return false;
    }

    virtual Handle FindFirstChangeNotification(const std::string& path, bool subtree,
                                               std::uint32_t filter) = 0;
    virtual bool FindNextChangeNotification(Handle change) = 0;
    virtual bool FindCloseChangeNotification(Handle change) = 0;
    virtual Handle CreateEvent(bool manualReset, bool initialState) = 0;
    virtual bool SetEvent(Handle event) = 0;
    // A named mutex (no security attributes). When one of that name exists, the
    // handle is to it and GetLastError says ERROR_ALREADY_EXISTS; 0 on failure
    // (ERROR_ACCESS_DENIED when another user or integrity level made it).
    virtual Handle CreateMutex(bool initialOwner, const std::string& name) = 0;
    virtual bool CloseHandle(Handle handle) = 0;
    virtual std::uint32_t WaitForSingleObject(Handle handle, std::uint32_t ms) = 0;
    virtual std::uint32_t WaitForMultipleObjects(std::uint32_t count, const Handle* handles, bool waitAll,
                                                 std::uint32_t ms) = 0;

    virtual std::uint32_t GetLogicalDrives() = 0;
    virtual std::uint32_t GetDriveType(const std::string& root) = 0;
    virtual std::uint32_t WinExec(const std::string& cmdLine, int show) = 0;
    virtual std::string GetPrivateProfileString(const std::string& section, const std::string& key,
                                                const std::string& def, std::uint32_t size,
                                                const std::string& file) = 0;

    virtual std::uint32_t GetFileVersionInfoSize(const std::string& path) = 0;
    virtual bool GetFileVersionInfo(const std::string& path, std::vector<std::uint8_t>& block) = 0;
    // VerQueryValue with the sub-block "\".
    virtual bool VerQueryFixedFileInfo(const std::vector<std::uint8_t>& block, FixedFileVersion& info) = 0;

    // Stand-in kernels of tests need not answer these: by default they fail as the
    // Win32 calls do when the system cannot answer.
    virtual bool GetVersionEx(OsVersionInfo& info) {
        (void)info;
        return false;
    }
    // 100-ns intervals since 1601-01-01 (FILETIME); false for an invalid date or time.
    virtual bool SystemTimeToFileTime(const SystemTime& time, std::uint64_t& fileTime) {
        (void)time;
        (void)fileTime;
        return false;
    }
    // Per-processor times (NtQuerySystemInformation, SystemProcessorPerformanceInformation)
    // and their sum in `total`. Where only the sum is known (GetSystemTimes),
    // `processors` comes back empty. False when neither source answers.
    virtual bool GetProcessorTimes(std::vector<ProcessorTimes>& processors, ProcessorTimes& total) {
        (void)processors;
        (void)total;
        return false;
    }
    // The calling thread's last error code (GetLastError); 0 where nobody recorded one.
    virtual std::uint32_t GetLastError() { return 0; }
    // The system's own text for an error code (FormatMessage with FORMAT_MESSAGE_FROM_SYSTEM |
    // FORMAT_MESSAGE_IGNORE_INSERTS), without its trailing line break; "" when the system has none.
    virtual std::string FormatMessage(std::uint32_t messageId) {
        (void)messageId;
        return {};
    }
    // A line for whoever watches the debugger output; stand-in kernels drop it.
    virtual void OutputDebugString(const std::string& text) { (void)text; }
};

// An error the program goes on after, on purpose, still leaves a line in the
// debugger output: what was being done, and the error's text.
inline void Trace(IKernel& kernel, const std::string& doing, const std::exception& error) {
    kernel.OutputDebugString(doing + ": " + error.what());
}

}  // namespace plat
