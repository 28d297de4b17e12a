#pragma once
// The simulated kernel32: virtual time, the locale, priorities, files on the host
// file system under a root folder, change notifications, events and waits, drives,
// WinExec, INI files and version information.
//
// Files
// - "C:\WINDOWS\x.bmp" is <root>/C/WINDOWS/x.bmp: one folder per drive letter
//   (upper case), "\" or "/" as separators. Each component is looked up
//   case-insensitively among existing entries; a new one is created as spelled.
//   A path without a drive letter is not found (ERROR_PATH_NOT_FOUND).
// - The constructor creates C:\WINDOWS\system32, C:\TEMP and the program's folder
//   with an empty VelantPro.exe in it.
// - FindFirstFile matches "*" and "?" case-insensitively ("*.*" matches every
//   name, "x.*" also matches "x"), lists names sorted case-insensitively, and, as
//   Windows does, includes "." and ".." outside a drive's root. 0 when none match.
// - Attributes (FindFirstFile, FindNextFile, GetFileAttributes):
//   FILE_ATTRIBUTE_DIRECTORY (0x10) for folders, FILE_ATTRIBUTE_ARCHIVE (0x20) for
//   files, unless SetAttributes gave an entry others (read-only 0x01, hidden 0x02,
//   system 0x04, ...). A folder always keeps 0x10; a file left with no bit reports
//   FILE_ATTRIBUTE_NORMAL (0x80). Deleting or replacing an entry forgets its bits.
//   A host symbolic link is what Windows shows for a junction or a link: an entry
//   of its target's kind (a folder when it leads to one) with
//   FILE_ATTRIBUTE_REPARSE_POINT (0x400) added; listing through it lists the target.
// - Errors: ERROR_FILE_NOT_FOUND (2), ERROR_PATH_NOT_FOUND (3) when the folder is
//   missing, ERROR_ACCESS_DENIED (5) for a folder where a file is expected,
//   ERROR_SHARING_VIOLATION (32) for a locked file, ERROR_DISK_FULL (112).
// - Disk full: with SetDiskFreeBytes(n), a WriteFile of more than n bytes writes
//   the first n bytes (a partial file stays behind, as on Windows) and returns
//   ERROR_DISK_FULL; successful writes use up the free space.
// - A locked file (LockFile) can be neither read, written, deleted nor replaced,
//   nor replace another file.
// - Files through a handle: CreateFile opens for GENERIC_WRITE with CREATE_ALWAYS,
//   refusing what WriteFile would, or for GENERIC_READ with OPEN_EXISTING, refusing
//   what ReadFile would (share modes are not checked; anything else fails with
//   ERROR_INVALID_PARAMETER). ReadFile reads from the pointer, 0 bytes at the end;
//   SetFilePointerEx moves from FILE_BEGIN (0), FILE_CURRENT (1) or FILE_END (2);
//   WriteFile writes at the pointer, past the end too, and, with the disk full,
//   what fits (ERROR_DISK_FULL); FlushFileBuffers does nothing (the host keeps what
//   was written when a process dies); CloseHandle closes the file and, for a file
//   opened for writing, signals the watchers. Reads are not journaled.
// - Every change by WriteFile, DeleteFile, ReplaceFile, CreateDirectory,
//   RemoveDirectory, the test helpers that write, or TouchFolder signals the
//   change notifications watching the folder (or an ancestor, with subtree).
//
// Waits: events, change notifications and process handles are real objects on a
// mutex and condition variable, safe to use from any thread; timeouts are real
// milliseconds. A change notification stays signalled until
// FindNextChangeNotification. All of SimKernel is thread-safe.
//
// Collation (CompareString), a stand-in for the user locale's, whatever the
// locale argument: UTF-8 characters compare first by kind and letter, with
// symbols and punctuation (ASCII ones by code, "_" among them) before digits
// before letters, and other characters after the Latin letters by code point;
// then by accent, an accented Latin-1 letter ("Ä", "é", "ñ") sorting right after
// its base letter and before the next one; then, unless NORM_IGNORECASE,
// lower case before upper case. Windows' word sort (hyphens and apostrophes
// ignored) and expansions ("ß" as "ss", "Æ" as "AE") are not modelled: such
// letters count as accented forms of their first letter, "Þ" follows "z".
// Not journaled; an injected failure returns 0.
//
// Locale (GetLocaleInfo), en-US values, settable with SetLocaleInfo; the
// LOCALE_NOUSEROVERRIDE and LOCALE_RETURN_NUMBER bits are ignored. Answered:
// LOCALE_SDECIMAL ".", LOCALE_STHOUSAND ",", LOCALE_SDATE "/", LOCALE_STIME ":",
// LOCALE_SSHORTDATE "M/d/yyyy", LOCALE_SLONGDATE "dddd, MMMM d, yyyy",
// LOCALE_STIMEFORMAT "h:mm:ss tt", LOCALE_SSHORTTIME "h:mm tt", LOCALE_IDATE "0",
// LOCALE_ITIME "0", LOCALE_ITLZERO "0", LOCALE_S1159 "AM", LOCALE_S2359 "PM",
// LOCALE_IFIRSTDAYOFWEEK "6", LOCALE_SDAYNAME1..7 "Monday".."Sunday",
// LOCALE_SABBREVDAYNAME1..7 "Mon".."Sun", LOCALE_SMONTHNAME1..12 "January"..,
// LOCALE_SABBREVMONTHNAME1..12 "Jan"..; anything else gives "".
//
// Journal entries:
//   Sleep(<ms>)   SetPriorityClass(<process>, <class>)   SetThreadPriority(<thread>, <priority>)
//   CreateDirectory("<path>")  RemoveDirectory("<path>")  DeleteFile("<path>")
//   WriteFile("<path>", <size>)  ReplaceFile("<from>", "<to>")
//   CreateFile("<path>", <access>, <share>, <disposition>, <flags>)  (for writing)  WriteFile(<handle>, <size>)
//   FindFirstChangeNotification("<path>", <subtree>, <filter>)
//   FindCloseChangeNotification(<handle>)   WinExec("<cmdLine>", <show>)
//   CreateMutex(<initialOwner>, "<name>")
//   OutputDebugString("<text>")
// Injected failures return ERROR_ACCESS_DENIED for the calls that return codes.
// Standard user (SetStandardUser): as for a user without administrator rights on
// today's Windows, WriteFile, ReplaceFile, CreateDirectory, RemoveDirectory and
// DeleteFile in C:\WINDOWS, C:\Program Files or C:\Program Files (x86) fail
// with ERROR_ACCESS_DENIED (the calls returning BOOL set it as the last error).
// Last error (per thread): FindFirstChangeNotification, FindNextChangeNotification,
// CreateEvent, CreateMutex, WaitForMultipleObjects and CreateDirectory set it when they fail, to the injected
// code (ERROR_ACCESS_DENIED when none is given) or to Windows' code for the cause;
// FormatMessage answers SystemMessageText. CreateMutex sets ERROR_ALREADY_EXISTS
// when it opens a mutex of that name that another open handle keeps alive (names
// compare exactly, as kernel object names do), and 0 when it makes a new one; the
// ownership of a mutex is not modelled.
//
// Version and processor times (pure queries, not journaled):
// - GetVersionEx answers an NT system (platform 2, version 5.1.2600) unless
//   SetVersion says otherwise, and fails, as Windows does, unless the caller's
//   osVersionInfoSize is 148 or 156.
// - SystemTimeToFileTime converts any valid date from 1601 to 30827 and refuses
//   out-of-range fields (month 13, 30 February, hour 24...).
// - GetProcessorTimes fails until a test gives times: SetProcessorTimes for one
//   entry per processor (the total is their sum), SetSystemTimes for only the
//   total, as where the per-processor query is unavailable.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/constants.h"
#include "platform/kernel.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimJournal.h"

namespace sim {

constexpr long ERROR_PATH_NOT_FOUND = 3;
constexpr long ERROR_SHARING_VIOLATION = 32;
constexpr long ERROR_ALREADY_EXISTS = 183;
constexpr long ERROR_DIR_NOT_EMPTY = 145;
constexpr std::uint32_t FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr std::uint32_t FILE_ATTRIBUTE_REPARSE_POINT = 0x400;
constexpr std::uint32_t DRIVE_NO_ROOT_DIR = 1;
constexpr std::uint32_t DRIVE_REMOVABLE = 2;
constexpr std::uint32_t DRIVE_FIXED = 3;
constexpr std::uint32_t DRIVE_REMOTE = 4;
constexpr std::uint32_t DRIVE_CDROM = 5;

constexpr std::uint32_t LOCALE_SDECIMAL = 0x0E;
constexpr std::uint32_t LOCALE_STHOUSAND = 0x0F;
constexpr std::uint32_t LOCALE_SDATE = 0x1D;
constexpr std::uint32_t LOCALE_STIME = 0x1E;
constexpr std::uint32_t LOCALE_SSHORTDATE = 0x1F;
constexpr std::uint32_t LOCALE_SLONGDATE = 0x20;
constexpr std::uint32_t LOCALE_IDATE = 0x21;
constexpr std::uint32_t LOCALE_ITIME = 0x23;
constexpr std::uint32_t LOCALE_ITLZERO = 0x25;
constexpr std::uint32_t LOCALE_S1159 = 0x28;
constexpr std::uint32_t LOCALE_S2359 = 0x29;
constexpr std::uint32_t LOCALE_SDAYNAME1 = 0x2A;          // Monday; ..7 = 0x30 Sunday
constexpr std::uint32_t LOCALE_SABBREVDAYNAME1 = 0x31;    // ..0x37
constexpr std::uint32_t LOCALE_SMONTHNAME1 = 0x38;        // ..0x43
constexpr std::uint32_t LOCALE_SABBREVMONTHNAME1 = 0x44;  // ..0x4F
constexpr std::uint32_t LOCALE_SSHORTTIME = 0x79;
constexpr std::uint32_t LOCALE_STIMEFORMAT = 0x1003;
constexpr std::uint32_t LOCALE_IFIRSTDAYOFWEEK = 0x100C;

// FormatMessage's text for the codes the simulation produces (Windows' own
// English texts); "" for any other code, as when the system has no text.
std::string SystemMessageText(std::uint32_t code);

class SimKernel : public plat::IKernel {
public:
    // `root` must exist; the simulated drives live below it.
    SimKernel(SimJournal& journal, SimClock& clock, std::filesystem::path root);
    ~SimKernel() override;

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

    // ---- Test helpers (not journaled) ----
    const std::filesystem::path& Root() const { return root_; }
    // Where a Windows path lives on the host; nullopt without a drive letter.
    std::optional<std::filesystem::path> HostPath(const std::string& winPath) const;
    // Create parent folders as needed and signal watchers.
    void WriteBytes(const std::string& winPath, const std::vector<std::uint8_t>& bytes);
    void WriteText(const std::string& winPath, const std::string& text);
    void MakeDirectory(const std::string& winPath);
    std::optional<std::vector<std::uint8_t>> FileBytes(const std::string& winPath) const;
    std::string FileText(const std::string& winPath) const;  // "" when missing
    bool Exists(const std::string& winPath) const;
    std::vector<std::string> ListFolder(const std::string& winPath) const;  // sorted names

    // The attribute bits an existing file or folder reports from now on (see Files).
    void SetAttributes(const std::string& winPath, std::uint32_t attributes);
    void LockFile(const std::string& winPath, bool locked = true);
    void SetDiskFreeBytes(std::optional<std::uint64_t> bytes);
    void SetDiskFull(bool full) { SetDiskFreeBytes(full ? std::optional<std::uint64_t>(0) : std::nullopt); }
    // Signals the change notifications watching this folder, as any change in it would.
    void TouchFolder(const std::string& winPath);

    void SetStandardUser(bool on) { standardUser_ = on; }
    void SetDrive(char letter, std::uint32_t driveType);  // DRIVE_NO_ROOT_DIR (or 0) removes it
    void SetFileVersion(const std::string& winPath, int major, int minor, int build = 0, int revision = 0);
    void SetLocaleInfo(std::uint32_t lcType, const std::string& value);
    void SetVersion(std::uint32_t platformId, std::uint32_t major, std::uint32_t minor,
                    std::uint32_t build = 0, const std::string& csdVersion = "");
    void SetProcessorTimes(std::vector<plat::ProcessorTimes> processors);
    void SetSystemTimes(const plat::ProcessorTimes& total);
    void ClearProcessorTimes();  // neither source answers

    // Kernel objects: a process handle as ShellExecuteEx hands out (signal it when
    // the process ends), signalling any waitable handle, and leak checks.
    plat::Handle NewProcessHandle();
    bool SignalHandle(plat::Handle handle);
    bool IsHandleOpen(plat::Handle handle) const;
    bool IsSignalled(plat::Handle handle) const;
    std::size_t OpenHandleCount() const;  // kernel objects, find handles and open files
    std::size_t WatchCount() const;       // open change notifications
    std::size_t FindHandleCount() const;  // open FindFirstFile listings

    // ---- Benchmark options (all off by default) ----
    // For timing the program and the disk rather than the simulation (switch the
    // journal's recording off too):
    // - streamListings: FindFirstFile and FindNextFile read the folder as they go,
    //   in the order the host file system gives, "." and ".." wherever it lists
    //   them, drive roots included; nothing is sorted up front, and the attribute
    //   table is consulted only once SetAttributes has filled it.
    // - fetchSizes, sizeWanted: Windows lists each entry's size with its name,
    //   while here a size costs one statx. fetchSizes false reports every size as
    //   0; sizeWanted, when set, limits the calls to the names it accepts (the
    //   others report 0; it is called with the kernel locked). Streamed listings only.
    // - plainCollation: CompareString answers byte order with ASCII letters folded
    //   (IKernel's own answer) instead of the stand-in collation, whose cost is the
    //   simulation's, not the program's.
    struct BenchmarkOptions {
        bool streamListings = false;
        bool fetchSizes = true;
        std::function<bool(std::string_view name)> sizeWanted;
        bool plainCollation = false;
    };
    void SetBenchmarkOptions(BenchmarkOptions options);

    std::uint32_t PriorityClass() const { return priorityClass_; }
    int ThreadPriority() const { return threadPriority_; }

private:
    enum class Kind { Event, Change, Process, Mutex };
    struct Waitable {
        Kind kind = Kind::Event;
        bool manualReset = true;
        bool signalled = false;
        std::string folder;  // change notifications: the watched folder's key
        bool subtree = false;
        std::string name;  // named mutexes
    };
    struct DirCloser {
        void operator()(void* dir) const;
    };
    struct FindState {
        std::vector<plat::FindData> entries;
        std::size_t next = 0;
        // A streamed listing: the open host folder (a DIR*), its Windows path and the name pattern.
        std::unique_ptr<void, DirCloser> dir;
        std::string folder;
        std::string pattern;
    };

    // Lower-case canonical Windows path ("c:\windows\x.bmp") for tables and comparisons.
    static std::string Key(const std::string& winPath);
    static std::string ParentKey(const std::string& key);
    // Refused to a standard user (see the header comment).
    bool Protected(const std::string& winPath) const;
    std::optional<std::filesystem::path> HostPathLocked(const std::string& winPath) const;
    void NotifyLocked(const std::string& changedPathKey);
    bool LockedLocked(const std::string& winPath) const;
    std::uint32_t AttributesLocked(const std::string& winPath, bool directory) const;
    plat::Handle NewHandleLocked();
    void WriteBytesLocked(const std::string& winPath, const std::vector<std::uint8_t>& bytes);
    plat::Handle FindFirstStreamedLocked(const std::string& folder, const std::string& pattern,
                                         plat::FindData& data);
    bool FindNextStreamedLocked(FindState& state, plat::FindData& data);

    SimJournal& journal_;
    SimClock& clock_;
    std::filesystem::path root_;

    mutable std::mutex mu_;
    std::condition_variable cv_;
    std::map<plat::Handle, std::shared_ptr<Waitable>> waitables_;
    std::map<plat::Handle, FindState> finds_;
    struct OpenFile {
        int fd = -1;
        std::string path;
        std::uint64_t position = 0;
        bool writing = true;
    };
    std::map<plat::Handle, OpenFile> files_;
    BenchmarkOptions benchmark_;
    std::atomic<bool> plainCollation_{false};  // read without the lock
    std::uintptr_t nextHandle_ = 0x100;

    std::set<std::string> locked_;
    std::map<std::string, std::uint32_t> attributes_;  // by Key, where SetAttributes gave them
    std::optional<std::uint64_t> diskFree_;
    std::atomic<bool> standardUser_{false};
    std::map<char, std::uint32_t> drives_;
    struct Version {
        int major, minor, build, revision;
    };
    std::map<std::string, Version> versions_;
    std::map<std::uint32_t, std::string> locale_;
    plat::OsVersionInfo osVersion_;
    bool hasProcessorTimes_ = false;
    std::vector<plat::ProcessorTimes> processorTimes_;  // empty: only the total is known
    plat::ProcessorTimes totalTimes_;
    std::uint32_t priorityClass_ = plat::NORMAL_PRIORITY_CLASS;
    int threadPriority_ = plat::THREAD_PRIORITY_NORMAL;
};

}  // namespace sim
