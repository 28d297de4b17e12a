#include "platform/win32/Win32Kernel.h"

#include "platform/win32/WinApi.h"

#include <climits>
#include <cstring>

#include "platform/win32/Handles.h"

#undef GetVersionEx
#undef CompareString

namespace win32 {

namespace {

HANDLE H(plat::Handle h) { return ToWin(h); }
plat::Handle P(HANDLE h) { return FromWin(h); }

// Calls an API of the "fill this buffer, return the length" shape, growing the
// buffer when the answer says it was too small.
template <class F>
std::string BufferString(F call) {
    std::string buffer(MAX_PATH, '\0');
    for (int attempt = 0; attempt < 8; ++attempt) {
        DWORD n = call(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        buffer.assign(buffer.size() < n ? n + 1 : buffer.size() * 2, '\0');
    }
    return {};
}

void Fill(const WIN32_FIND_DATAA& fd, plat::FindData& data) {
    data.attributes = fd.dwFileAttributes;
    data.size = (static_cast<std::uint64_t>(fd.nFileSizeHigh) << 32) | fd.nFileSizeLow;
    data.name = fd.cFileName;
}

}  // namespace

std::string Win32Kernel::GetWindowsDirectory() {
    return BufferString([](char* b, DWORD n) { return ::GetWindowsDirectoryA(b, n); });
}

std::string Win32Kernel::GetSystemDirectory() {
    return BufferString([](char* b, DWORD n) { return ::GetSystemDirectoryA(b, n); });
}

std::string Win32Kernel::GetTempPath() {
    return BufferString([](char* b, DWORD n) { return ::GetTempPathA(n, b); });
}

std::string Win32Kernel::GetModuleFileName() {
    // GetModuleFileName truncates silently and returns the buffer size.
    std::string buffer(MAX_PATH, '\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return buffer;
        }
        if (buffer.size() >= 32768 * 3) return {};
        buffer.assign(buffer.size() * 2, '\0');
    }
}

std::uint32_t Win32Kernel::GetTickCount() { return ::GetTickCount(); }

void Win32Kernel::GetLocalTime(plat::SystemTime& time) {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    time = {st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::string Win32Kernel::GetLocaleInfo(std::uint32_t lcType) {
    int n = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, lcType, nullptr, 0);
    if (n <= 0) return {};
    std::string buffer(static_cast<size_t>(n), '\0');
    n = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, lcType, buffer.data(), n);
    if (n <= 0) return {};
    buffer.resize(static_cast<size_t>(n) - 1);  // without the terminating NUL
    return buffer;
}

// The strings are UTF-8 (the program's ANSI code page), which the ANSI
// CompareStringA would take for the system's code page on older systems: compare
// their UTF-16 forms. The buffers stay with the thread, as a sort calls this
// for every pair it looks at.
int Win32Kernel::CompareString(std::uint32_t locale, std::uint32_t flags, std::string_view a,
                               std::string_view b) {
    thread_local std::wstring wa, wb;
    auto widen = [](std::string_view text, std::wstring& out) {
        if (text.size() > static_cast<std::size_t>(INT_MAX / 2)) return false;
        const int n = static_cast<int>(text.size());
        if (n == 0) {
            out.clear();
            return true;
        }
        const int wide = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), n, nullptr, 0);
        if (wide <= 0) return false;
        out.resize(static_cast<std::size_t>(wide));
        return ::MultiByteToWideChar(CP_UTF8, 0, text.data(), n, out.data(), wide) == wide;
    };
    if (!widen(a, wa) || !widen(b, wb)) return 0;
    return ::CompareStringW(locale, flags, wa.data(), static_cast<int>(wa.size()), wb.data(),
                            static_cast<int>(wb.size()));
}

void Win32Kernel::Sleep(std::uint32_t ms) { ::Sleep(ms); }

plat::Handle Win32Kernel::GetCurrentProcess() { return P(::GetCurrentProcess()); }

plat::Handle Win32Kernel::GetCurrentThread() { return P(::GetCurrentThread()); }

bool Win32Kernel::SetPriorityClass(plat::Handle process, std::uint32_t priorityClass) {
    return ::SetPriorityClass(H(process), priorityClass) != FALSE;
}

bool Win32Kernel::SetThreadPriority(plat::Handle thread, int priority) {
    return ::SetThreadPriority(H(thread), priority) != FALSE;
}

plat::Handle Win32Kernel::FindFirstFile(const std::string& pattern, plat::FindData& data) {
    WIN32_FIND_DATAA fd{};
    HANDLE find = ::FindFirstFileA(pattern.c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return 0;
    Fill(fd, data);
    return P(find);
}

bool Win32Kernel::FindNextFile(plat::Handle find, plat::FindData& data) {
    WIN32_FIND_DATAA fd{};
    if (!::FindNextFileA(H(find), &fd)) return false;
    Fill(fd, data);
    return true;
}

bool Win32Kernel::FindClose(plat::Handle find) { return ::FindClose(H(find)) != FALSE; }

std::uint32_t Win32Kernel::GetFileAttributes(const std::string& path) {
    return ::GetFileAttributesA(path.c_str());
}

bool Win32Kernel::CreateDirectory(const std::string& path) {
    return ::CreateDirectoryA(path.c_str(), nullptr) != FALSE;
}

bool Win32Kernel::RemoveDirectory(const std::string& path) {
    return ::RemoveDirectoryA(path.c_str()) != FALSE;
}

bool Win32Kernel::DeleteFile(const std::string& path) { return ::DeleteFileA(path.c_str()) != FALSE; }

long Win32Kernel::ReadFile(const std::string& path, std::vector<std::uint8_t>& data) {
    data.clear();
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return static_cast<long>(::GetLastError());
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return static_cast<long>(::GetLastError());
    if (size.QuadPart > 0x7FFFFFFF) return ERROR_NOT_ENOUGH_MEMORY;
    data.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < data.size()) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &got,
                        nullptr)) {
            long rc = static_cast<long>(::GetLastError());
            data.clear();
            return rc;
        }
        if (got == 0) break;  // the file shrank meanwhile
        done += got;
    }
    data.resize(done);
    return ERROR_SUCCESS;
}

long Win32Kernel::WriteFile(const std::string& path, const std::vector<std::uint8_t>& data) {
    UniqueFile file(::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return static_cast<long>(::GetLastError());
    size_t done = 0;
    while (done < data.size()) {
        DWORD wrote = 0;
        if (!::WriteFile(file.get(), data.data() + done, static_cast<DWORD>(data.size() - done), &wrote,
                         nullptr))
            return static_cast<long>(::GetLastError());
        done += wrote;
    }
    if (!::FlushFileBuffers(file.get())) return static_cast<long>(::GetLastError());
    return ERROR_SUCCESS;
}

long Win32Kernel::ReplaceFile(const std::string& from, const std::string& to) {
    if (::MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return ERROR_SUCCESS;
    return static_cast<long>(::GetLastError());
}

plat::Handle Win32Kernel::CreateFile(const std::string& path, std::uint32_t desiredAccess,
                                     std::uint32_t shareMode, std::uint32_t creationDisposition,
                                     std::uint32_t flagsAndAttributes) {
    HANDLE h = ::CreateFileA(path.c_str(), desiredAccess, shareMode, nullptr, creationDisposition,
                             flagsAndAttributes, nullptr);
    return h == INVALID_HANDLE_VALUE ? 0 : P(h);
}

bool Win32Kernel::ReadFile(plat::Handle file, void* buffer, std::uint32_t bytes, std::uint32_t& read) {
    DWORD done = 0;
    const BOOL ok = ::ReadFile(H(file), buffer, bytes, &done, nullptr);
    read = done;
    return ok != FALSE;
}

bool Win32Kernel::SetFilePointerEx(plat::Handle file, std::int64_t distance, std::uint32_t moveMethod) {
    LARGE_INTEGER to{};
    to.QuadPart = distance;
    return ::SetFilePointerEx(H(file), to, nullptr, moveMethod) != FALSE;
}

bool Win32Kernel::WriteFile(plat::Handle file, const void* buffer, std::uint32_t bytes,
                            std::uint32_t& written) {
    DWORD done = 0;
    const BOOL ok = ::WriteFile(H(file), buffer, bytes, &done, nullptr);
    written = done;
    return ok != FALSE;
}

bool Win32Kernel::FlushFileBuffers(plat::Handle file) { return ::FlushFileBuffers(H(file)) != FALSE; }

plat::Handle Win32Kernel::FindFirstChangeNotification(const std::string& path, bool subtree,
                                                      std::uint32_t filter) {
    HANDLE h = ::FindFirstChangeNotificationA(path.c_str(), subtree, filter);
    return h == INVALID_HANDLE_VALUE ? 0 : P(h);
}

bool Win32Kernel::FindNextChangeNotification(plat::Handle change) {
    return ::FindNextChangeNotification(H(change)) != FALSE;
}

bool Win32Kernel::FindCloseChangeNotification(plat::Handle change) {
    return ::FindCloseChangeNotification(H(change)) != FALSE;
}

plat::Handle Win32Kernel::CreateEvent(bool manualReset, bool initialState) {
    return P(::CreateEventA(nullptr, manualReset, initialState, nullptr));
}

bool Win32Kernel::SetEvent(plat::Handle event) { return ::SetEvent(H(event)) != FALSE; }

plat::Handle Win32Kernel::CreateMutex(bool initialOwner, const std::string& name) {
    return P(::CreateMutexA(nullptr, initialOwner, name.c_str()));
}

bool Win32Kernel::CloseHandle(plat::Handle handle) { return ::CloseHandle(H(handle)) != FALSE; }

std::uint32_t Win32Kernel::WaitForSingleObject(plat::Handle handle, std::uint32_t ms) {
    return ::WaitForSingleObject(H(handle), ms);
}

std::uint32_t Win32Kernel::WaitForMultipleObjects(std::uint32_t count, const plat::Handle* handles,
                                                  bool waitAll, std::uint32_t ms) {
    if (count == 0 || count > MAXIMUM_WAIT_OBJECTS) return WAIT_FAILED;
    HANDLE list[MAXIMUM_WAIT_OBJECTS];
    for (std::uint32_t i = 0; i < count; ++i) list[i] = H(handles[i]);
    return ::WaitForMultipleObjects(count, list, waitAll, ms);
}

std::uint32_t Win32Kernel::GetLogicalDrives() { return ::GetLogicalDrives(); }

std::uint32_t Win32Kernel::GetDriveType(const std::string& root) { return ::GetDriveTypeA(root.c_str()); }

std::uint32_t Win32Kernel::WinExec(const std::string& cmdLine, int show) {
    return ::WinExec(cmdLine.c_str(), static_cast<UINT>(show));
}

std::string Win32Kernel::GetPrivateProfileString(const std::string& section, const std::string& key,
                                                 const std::string& def, std::uint32_t size,
                                                 const std::string& file) {
    if (size == 0) return {};
    std::string buffer(size, '\0');
    DWORD n = ::GetPrivateProfileStringA(section.c_str(), key.c_str(), def.c_str(), buffer.data(), size,
                                         file.c_str());
    buffer.resize(n);
    return buffer;
}

std::uint32_t Win32Kernel::GetFileVersionInfoSize(const std::string& path) {
    DWORD handle = 0;
    return ::GetFileVersionInfoSizeA(path.c_str(), &handle);
}

bool Win32Kernel::GetFileVersionInfo(const std::string& path, std::vector<std::uint8_t>& block) {
    DWORD size = GetFileVersionInfoSize(path);
    if (size == 0) return false;
    block.assign(size, 0);
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) {
        block.clear();
        return false;
    }
    return true;
}

bool Win32Kernel::VerQueryFixedFileInfo(const std::vector<std::uint8_t>& block,
                                        plat::FixedFileVersion& info) {
    if (block.empty()) return false;
    // VerQueryValue wants a writable block (it may convert in place).
    std::vector<std::uint8_t> copy(block);
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(copy.data(), "\\", &value, &length) || !value || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    info.fileVersionMS = fixed->dwFileVersionMS;
    info.fileVersionLS = fixed->dwFileVersionLS;
    return true;
}

// ---------------------------------------------------------------- version, time, processors

bool Win32Kernel::GetVersionEx(plat::OsVersionInfo& info) {
    // Room for the EX form; Windows reads the size the caller set and refuses others.
    OSVERSIONINFOEXA v{};
    v.dwOSVersionInfoSize = info.osVersionInfoSize;
    if (!::GetVersionExA(reinterpret_cast<OSVERSIONINFOA*>(&v))) return false;
    info.majorVersion = v.dwMajorVersion;
    info.minorVersion = v.dwMinorVersion;
    info.buildNumber = v.dwBuildNumber;
    info.platformId = v.dwPlatformId;
    info.csdVersion = std::string(v.szCSDVersion, ::strnlen(v.szCSDVersion, sizeof v.szCSDVersion));
    return true;
}

bool Win32Kernel::SystemTimeToFileTime(const plat::SystemTime& time, std::uint64_t& fileTime) {
    const int fields[] = {time.year, time.month,  time.dayOfWeek, time.day,
                          time.hour, time.minute, time.second,    time.milliseconds};
    for (int f : fields)
        if (f < 0 || f > 0xFFFF) return false;
    SYSTEMTIME st{static_cast<WORD>(time.year),      static_cast<WORD>(time.month),
                  static_cast<WORD>(time.dayOfWeek), static_cast<WORD>(time.day),
                  static_cast<WORD>(time.hour),      static_cast<WORD>(time.minute),
                  static_cast<WORD>(time.second),    static_cast<WORD>(time.milliseconds)};
    FILETIME ft{};
    if (!::SystemTimeToFileTime(&st, &ft)) return false;
    fileTime = static_cast<std::uint64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
    return true;
}

namespace {

// SYSTEM_PROCESSOR_PERFORMANCE_INFORMATION, one per processor of the caller's group.
struct ProcessorPerformance {
    LARGE_INTEGER idleTime;
    LARGE_INTEGER kernelTime;  // includes idle time
    LARGE_INTEGER userTime;
    LARGE_INTEGER reserved1[2];
    ULONG reserved2;
};
static_assert(sizeof(ProcessorPerformance) == 48);

constexpr ULONG SystemProcessorPerformanceInformation = 8;
constexpr LONG StatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

std::int64_t FromFileTime(const FILETIME& ft) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime);
}

}  // namespace

bool Win32Kernel::GetProcessorTimes(std::vector<plat::ProcessorTimes>& processors,
                                    plat::ProcessorTimes& total) {
    if (!ntLookedUp_) {
        ntLookedUp_ = true;
        if (HMODULE ntdll = ::GetModuleHandleA("ntdll.dll"))
            ntQuerySystemInformation_ =
                reinterpret_cast<void*>(::GetProcAddress(ntdll, "NtQuerySystemInformation"));
    }
    if (ntQuerySystemInformation_) {
        // A function pointer through void(*)() keeps -Wcast-function-type quiet.
        auto query = reinterpret_cast<NtQuerySystemInformationFn>(
            reinterpret_cast<void (*)()>(ntQuerySystemInformation_));
        // 64 processors per group on x64: one buffer holds them all, grown if ever needed.
        if (processorBuffer_.empty()) processorBuffer_.resize(64 * sizeof(ProcessorPerformance));
        for (int attempt = 0; attempt < 4; ++attempt) {
            ULONG length = 0;
            LONG status = query(SystemProcessorPerformanceInformation, processorBuffer_.data(),
                                static_cast<ULONG>(processorBuffer_.size()), &length);
            if (status == StatusInfoLengthMismatch && length > processorBuffer_.size()) {
                processorBuffer_.resize(length);
                continue;
            }
            if (status < 0) break;
            const std::size_t count = length / sizeof(ProcessorPerformance);
            if (count == 0) break;
            processors.resize(count);
            total = {};
            for (std::size_t i = 0; i < count; ++i) {
                ProcessorPerformance p;
                std::memcpy(&p, processorBuffer_.data() + i * sizeof p, sizeof p);
                processors[i] = {p.idleTime.QuadPart, p.kernelTime.QuadPart, p.userTime.QuadPart};
                total.idle += processors[i].idle;
                total.kernel += processors[i].kernel;
                total.user += processors[i].user;
            }
            return true;
        }
    }
    FILETIME idle{}, kernel{}, user{};
    if (!::GetSystemTimes(&idle, &kernel, &user)) return false;
    processors.clear();
    total = {FromFileTime(idle), FromFileTime(kernel), FromFileTime(user)};
    return true;
}

std::uint32_t Win32Kernel::GetLastError() { return ::GetLastError(); }

std::string Win32Kernel::FormatMessage(std::uint32_t messageId) {
    char* buffer = nullptr;
    const DWORD n = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        messageId, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = n && buffer ? std::string(buffer, n) : std::string();
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    return text;
}

void Win32Kernel::OutputDebugString(const std::string& text) { ::OutputDebugStringA((text + "\n").c_str()); }

}  // namespace win32
