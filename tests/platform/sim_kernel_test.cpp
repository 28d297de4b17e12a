#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>
#include <thread>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

using namespace plat;

namespace {

class SimKernelTest : public ::testing::Test {
protected:
    sim::SimWindows win;
    sim::SimKernel& k = win.Kernel();

    std::vector<std::string> Find(const std::string& pattern) {
        std::vector<std::string> names;
        FindData d;
        Handle h = k.FindFirstFile(pattern, d);
        if (!h) return names;
        do names.push_back(d.name);
        while (k.FindNextFile(h, d));
        k.FindClose(h);
        return names;
    }
};

TEST_F(SimKernelTest, WindowsPathsMapUnderTheRoot) {
    EXPECT_EQ(k.GetWindowsDirectory(), "C:\\WINDOWS");
    EXPECT_EQ(k.GetTempPath(), "C:\\TEMP\\");
    std::vector<std::uint8_t> bytes{'B', 'M', 0, 1};
    EXPECT_EQ(k.WriteFile("c:\\windows\\Velant.bmp", bytes), ERROR_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(win.Root() / "C" / "WINDOWS" / "Velant.bmp"));
    std::vector<std::uint8_t> read;
    EXPECT_EQ(k.ReadFile("C:\\WINDOWS\\VELANT.BMP", read), ERROR_SUCCESS);
    EXPECT_EQ(read, bytes);
    EXPECT_EQ(k.GetFileAttributes("C:\\WINDOWS"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(k.GetFileAttributes("C:\\nothing"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(k.ReadFile("C:\\nothing\\x", read), sim::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(win.Journal().back(), "WriteFile(\"c:\\windows\\Velant.bmp\", 4)");
}

TEST_F(SimKernelTest, FindFilesWithWildcardsSortedWithDotEntries) {
    k.WriteText("C:\\Pics\\b.JPG", "x");
    k.WriteText("C:\\Pics\\a.bmp", "xy");
    k.WriteText("C:\\Pics\\readme", "");
    k.MakeDirectory("C:\\Pics\\Sub");
    EXPECT_EQ(Find("C:\\Pics\\*"), (std::vector<std::string>{".", "..", "a.bmp", "b.JPG", "readme", "Sub"}));
    EXPECT_EQ(Find("C:\\Pics\\*.jpg"), std::vector<std::string>{"b.JPG"});
    EXPECT_EQ(Find("C:\\Pics\\?.?mp"), std::vector<std::string>{"a.bmp"});
    EXPECT_EQ(Find("C:\\Pics\\readme.*"), std::vector<std::string>{"readme"});
    EXPECT_TRUE(Find("C:\\Pics\\*.gif").empty());
    FindData d;
    Handle h = k.FindFirstFile("C:\\Pics\\a.bmp", d);
    EXPECT_EQ(d.size, 2u);
    EXPECT_EQ(d.attributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    k.FindClose(h);
    EXPECT_EQ(k.OpenHandleCount(), 0u);
}

TEST_F(SimKernelTest, DirectoriesAndReplace) {
    EXPECT_TRUE(k.CreateDirectory("C:\\Data"));
    EXPECT_FALSE(k.CreateDirectory("C:\\Data"));
    EXPECT_FALSE(k.CreateDirectory("C:\\No\\Parent"));
    k.WriteText("C:\\Data\\new.tmp", "new");
    k.WriteText("C:\\Data\\old.bmp", "old");
    EXPECT_FALSE(k.RemoveDirectory("C:\\Data"));
    EXPECT_EQ(k.ReplaceFile("C:\\Data\\new.tmp", "C:\\Data\\old.bmp"), ERROR_SUCCESS);
    EXPECT_EQ(k.FileText("C:\\Data\\old.bmp"), "new");
    EXPECT_FALSE(k.Exists("C:\\Data\\new.tmp"));
    EXPECT_TRUE(k.DeleteFile("C:\\Data\\old.bmp"));
    EXPECT_TRUE(k.RemoveDirectory("C:\\Data"));
}

TEST_F(SimKernelTest, AStandardUserCannotWriteIntoTheWindowsFolderOrProgramFiles) {
    k.WriteText("C:\\WINDOWS\\old.bmp", "x");
    win.SetStandardUser(true);
    for (const char* folder : {"C:\\WINDOWS", "c:\\windows\\Web", "C:\\Program Files\\App"}) {
        const std::string file = std::string(folder) + "\\new.bmp";
        EXPECT_EQ(k.WriteFile(file, {1}), ERROR_ACCESS_DENIED) << folder;
        EXPECT_FALSE(k.CreateDirectory(std::string(folder) + "\\Sub")) << folder;
        EXPECT_EQ(k.GetLastError(), static_cast<std::uint32_t>(ERROR_ACCESS_DENIED));
    }
    EXPECT_FALSE(k.DeleteFile("C:\\WINDOWS\\old.bmp"));
    EXPECT_EQ(k.ReplaceFile("C:\\TEMP\\x", "C:\\WINDOWS\\old.bmp"), ERROR_ACCESS_DENIED);
    EXPECT_EQ(k.FileText("C:\\WINDOWS\\old.bmp"), "x") << "reading goes on";
    EXPECT_EQ(k.WriteFile("C:\\WINDOWS2.bmp", {1}), ERROR_SUCCESS) << "only the folder itself";
    EXPECT_TRUE(k.CreateDirectory("C:\\TEMP\\Mine"));
    win.SetStandardUser(false);
    EXPECT_EQ(k.WriteFile("C:\\WINDOWS\\new.bmp", {1}), ERROR_SUCCESS);
}

TEST_F(SimKernelTest, DiskFullLeavesPartialFileAndLockedFilesRefuse) {
    k.SetDiskFreeBytes(3);
    EXPECT_EQ(k.WriteFile("C:\\TEMP\\a.tmp", {1, 2, 3, 4, 5}), ERROR_DISK_FULL);
    EXPECT_EQ(k.FileBytes("C:\\TEMP\\a.tmp"), (std::vector<std::uint8_t>{1, 2, 3}));
    k.SetDiskFull(false);
    k.WriteText("C:\\TEMP\\b.bmp", "b");
    k.LockFile("C:\\TEMP\\B.BMP");
    std::vector<std::uint8_t> data;
    EXPECT_EQ(k.ReadFile("C:\\TEMP\\b.bmp", data), sim::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(k.WriteFile("C:\\TEMP\\b.bmp", {1}), sim::ERROR_SHARING_VIOLATION);
    EXPECT_EQ(k.ReplaceFile("C:\\TEMP\\a.tmp", "C:\\TEMP\\b.bmp"), sim::ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(k.DeleteFile("C:\\TEMP\\b.bmp"));
    EXPECT_EQ(k.FileText("C:\\TEMP\\b.bmp"), "b");
}

TEST_F(SimKernelTest, ChangeNotificationWakesAWorkerThread) {
    k.MakeDirectory("C:\\Watched\\Deep");
    Handle change = k.FindFirstChangeNotification("C:\\Watched", true, 1);
    Handle stop = k.CreateEvent(true, false);
    ASSERT_TRUE(change);
    std::atomic<int> changes{0};
    std::thread worker([&] {
        Handle handles[] = {stop, change};
        for (;;) {
            std::uint32_t r = k.WaitForMultipleObjects(2, handles, false, INFINITE);
            if (r != WAIT_OBJECT_0 + 1) break;
            ++changes;
            k.FindNextChangeNotification(change);
        }
    });
    k.WriteText("C:\\Watched\\Deep\\x.jpg", "x");
    while (changes == 0) std::this_thread::yield();
    k.SetEvent(stop);
    worker.join();
    EXPECT_GE(changes.load(), 1);
    EXPECT_EQ(k.WaitForSingleObject(change, 0), WAIT_TIMEOUT);
    k.TouchFolder("C:\\Watched");
    EXPECT_EQ(k.WaitForSingleObject(change, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(k.FindCloseChangeNotification(change));
    EXPECT_TRUE(k.CloseHandle(stop));
    EXPECT_EQ(k.OpenHandleCount(), 0u);
}

TEST_F(SimKernelTest, AutoResetEventsAndTimeouts) {
    Handle e = k.CreateEvent(false, true);
    EXPECT_EQ(k.WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(k.WaitForSingleObject(e, 5), WAIT_TIMEOUT);
    EXPECT_EQ(k.WaitForSingleObject(Handle{12345}, 0), WAIT_FAILED);
    k.CloseHandle(e);
}

TEST_F(SimKernelTest, VersionInfoComesFromTheTable) {
    EXPECT_EQ(k.GetFileVersionInfoSize("C:\\WINDOWS\\system\\shell32.dll"), 0u);
    k.SetFileVersion("C:\\WINDOWS\\system\\shell32.dll", 4, 71);
    std::uint32_t size = k.GetFileVersionInfoSize("c:\\windows\\SYSTEM\\shell32.dll");
    ASSERT_GT(size, 0u);
    std::vector<std::uint8_t> block;
    ASSERT_TRUE(k.GetFileVersionInfo("C:\\WINDOWS\\system\\shell32.dll", block));
    EXPECT_EQ(block.size(), size);
    FixedFileVersion v;
    ASSERT_TRUE(k.VerQueryFixedFileInfo(block, v));
    EXPECT_EQ(v.fileVersionMS, (4u << 16) | 71u);
}

TEST_F(SimKernelTest, ClockLocaleAndPriorities) {
    win.SetLocalTime(2001, 12, 31, 23, 59, 59);
    win.Advance(1500);
    SystemTime t;
    k.GetLocalTime(t);
    EXPECT_EQ(t.year, 2002);
    EXPECT_EQ(t.month, 1);
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.dayOfWeek, 2);  // a Tuesday
    EXPECT_EQ(t.second, 0);
    EXPECT_EQ(t.milliseconds, 500);
    win.Clock().SetTickCount(0xFFFFFFF0u);
    win.Advance(32);
    EXPECT_EQ(k.GetTickCount(), 16u);

    EXPECT_EQ(k.GetLocaleInfo(sim::LOCALE_STIMEFORMAT), "h:mm:ss tt");
    EXPECT_EQ(k.GetLocaleInfo(sim::LOCALE_SDAYNAME1), "Monday");
    EXPECT_EQ(k.GetLocaleInfo(sim::LOCALE_SABBREVMONTHNAME1 + 11), "Dec");
    k.SetLocaleInfo(sim::LOCALE_STIME, ".");
    EXPECT_EQ(k.GetLocaleInfo(sim::LOCALE_STIME), ".");

    EXPECT_TRUE(k.SetThreadPriority(k.GetCurrentThread(), THREAD_PRIORITY_IDLE));
    EXPECT_EQ(win.Journal().back(), "SetThreadPriority(-2, -15)");
    EXPECT_EQ(k.ThreadPriority(), THREAD_PRIORITY_IDLE);
}

TEST_F(SimKernelTest, PrivateProfileStrings) {
    k.WriteText("C:\\WINDOWS\\win.ini", "[Desktop]\r\nWallpaper = C:\\a.bmp\r\n[Other]\r\nx=1\r\n");
    EXPECT_EQ(k.GetPrivateProfileString("desktop", "WALLPAPER", "", 256, "C:\\WINDOWS\\win.ini"),
              "C:\\a.bmp");
    EXPECT_EQ(k.GetPrivateProfileString("Desktop", "x", "def", 256, "C:\\WINDOWS\\win.ini"), "def");
    EXPECT_EQ(k.GetPrivateProfileString("Desktop", "Wallpaper", "", 3, "C:\\WINDOWS\\win.ini"), "C:");
}

TEST_F(SimKernelTest, VersionAndFileTimes) {
    OsVersionInfo v;
    EXPECT_FALSE(k.GetVersionEx(v));  // the record size must be set, as on Windows
    v.osVersionInfoSize = OSVERSIONINFOA_SIZE;
    ASSERT_TRUE(k.GetVersionEx(v));
    EXPECT_EQ(v.platformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(v.majorVersion, 5u);
    EXPECT_EQ(v.osVersionInfoSize, OSVERSIONINFOA_SIZE);
    k.SetVersion(VER_PLATFORM_WIN32_WINDOWS, 4, 90, 3000, " A ");
    v.osVersionInfoSize = OSVERSIONINFOEXA_SIZE;
    ASSERT_TRUE(k.GetVersionEx(v));
    EXPECT_EQ(v.platformId, VER_PLATFORM_WIN32_WINDOWS);
    EXPECT_EQ(v.minorVersion, 90u);
    EXPECT_EQ(v.csdVersion, " A ");
    win.FailNext("GetVersionEx");
    EXPECT_FALSE(k.GetVersionEx(v));

    auto fileTime = [&](int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) -> std::int64_t {
        SystemTime t;
        t.year = y, t.month = mo, t.day = d, t.hour = h, t.minute = mi, t.second = s, t.milliseconds = ms;
        std::uint64_t ft = 0;
        return k.SystemTimeToFileTime(t, ft) ? static_cast<std::int64_t>(ft) : -1;
    };
    EXPECT_EQ(fileTime(1601, 1, 1), 0);
    EXPECT_EQ(fileTime(1970, 1, 1), 116444736000000000);
    EXPECT_EQ(fileTime(1970, 1, 1, 0, 0, 1, 500), 116444736015000000);
    EXPECT_EQ(fileTime(2000, 2, 29, 23, 59, 59, 999) - fileTime(2000, 2, 29), 863999990000);
    EXPECT_EQ(fileTime(2001, 2, 29), -1);
    EXPECT_EQ(fileTime(2001, 13, 1), -1);
    EXPECT_EQ(fileTime(2001, 1, 1, 24), -1);
    EXPECT_EQ(fileTime(1600, 12, 31), -1);
    EXPECT_EQ(fileTime(2001, 1, 1, 0, 0, 0, 1000), -1);
}

TEST_F(SimKernelTest, ProcessorTimesPerProcessorOrTotalOnly) {
    std::vector<ProcessorTimes> cpus{{1, 1, 1}};
    ProcessorTimes total;
    EXPECT_FALSE(k.GetProcessorTimes(cpus, total));
    k.SetProcessorTimes({{10, 30, 5}, {20, 25, 1}});
    ASSERT_TRUE(k.GetProcessorTimes(cpus, total));
    ASSERT_EQ(cpus.size(), 2u);
    EXPECT_EQ(cpus[1].kernel, 25);
    EXPECT_EQ(total.idle, 30);
    EXPECT_EQ(total.kernel, 55);
    EXPECT_EQ(total.user, 6);
    k.SetSystemTimes({7, 8, 9});
    ASSERT_TRUE(k.GetProcessorTimes(cpus, total));
    EXPECT_TRUE(cpus.empty());
    EXPECT_EQ(total.user, 9);
    win.FailNext("GetProcessorTimes");
    EXPECT_FALSE(k.GetProcessorTimes(cpus, total));
    k.ClearProcessorTimes();
    EXPECT_FALSE(k.GetProcessorTimes(cpus, total));
}

TEST_F(SimKernelTest, AttributeBitsGivenToAnEntryAreWhatFindAndGetFileAttributesReport) {
    k.WriteText("C:\\Pics\\plain.bmp", "x");
    k.WriteText("C:\\Pics\\ro.bmp", "x");
    k.WriteText("C:\\Pics\\none.bmp", "x");
    k.MakeDirectory("C:\\Pics\\Hidden");
    k.SetAttributes("C:\\pics\\RO.bmp", 0x01 | 0x02 | 0x04);  // read-only, hidden, system; no archive bit
    k.SetAttributes("C:\\Pics\\none.bmp", 0);
    k.SetAttributes("C:\\Pics\\Hidden", 0x02);
    std::filesystem::create_directory_symlink(*k.HostPath("C:\\Pics\\Hidden"),
                                              *k.HostPath("C:\\Pics") / "Link");
    std::map<std::string, std::uint32_t> found;
    FindData d;
    Handle h = k.FindFirstFile("C:\\Pics\\*.*", d);
    ASSERT_TRUE(h);
    do found[d.name] = d.attributes;
    while (k.FindNextFile(h, d));
    k.FindClose(h);
    EXPECT_EQ(found["plain.bmp"], 0x20u);
    EXPECT_EQ(found["ro.bmp"], 0x07u);
    EXPECT_EQ(found["none.bmp"], 0x80u) << "a file without bits is FILE_ATTRIBUTE_NORMAL";
    EXPECT_EQ(found["Hidden"], 0x12u);
    EXPECT_EQ(found["Link"], 0x410u) << "a link to a folder is a folder and a reparse point";
    EXPECT_EQ(k.GetFileAttributes("C:\\Pics\\Link"), 0x410u);
    EXPECT_EQ(k.GetFileAttributes("C:\\Pics\\ro.bmp"), 0x07u);
    // A file made anew under a deleted one's name starts with the default bits.
    EXPECT_TRUE(k.DeleteFile("C:\\Pics\\ro.bmp"));
    k.WriteText("C:\\Pics\\ro.bmp", "new");
    EXPECT_EQ(k.GetFileAttributes("C:\\Pics\\ro.bmp"), 0x20u);
}

// What benchmarks switch off must not change what a listing says, only how it is read.
TEST_F(SimKernelTest, BenchmarkOptionsKeepWhatListingsSayAndFailuresStillFail) {
    k.WriteText("C:\\Pics\\b.JPG", "x");
    k.WriteText("C:\\Pics\\a.bmp", "xy");
    k.WriteText("C:\\Pics\\ro.txt", "xyz");
    k.MakeDirectory("C:\\Pics\\Sub");
    k.SetAttributes("C:\\Pics\\ro.txt", 0x01);
    std::filesystem::create_directory_symlink(*k.HostPath("C:\\Pics\\Sub"), *k.HostPath("C:\\Pics") / "Via");
    using Listing = std::map<std::string, std::pair<std::uint32_t, std::uint64_t>>;  // attributes, size
    auto list = [&](const std::string& pattern) {
        Listing found;
        FindData d;
        Handle h = k.FindFirstFile(pattern, d);
        if (!h) return found;
        do found[d.name] = {d.attributes, d.size};
        while (k.FindNextFile(h, d));
        k.FindClose(h);
        return found;
    };
    const Listing sorted = list("c:\\pics\\*.*");
    ASSERT_EQ(sorted.size(), 7u);
    EXPECT_EQ(sorted.at("Via").first, 0x410u);
    sim::SimKernel::BenchmarkOptions options;
    options.streamListings = true;
    k.SetBenchmarkOptions(options);
    EXPECT_EQ(list("c:\\pics\\*.*"), sorted) << "found without its spelling, with the given attributes";
    EXPECT_EQ(list("C:\\Pics\\*.jpg"), (Listing{{"b.JPG", {0x20u, 1u}}}));
    EXPECT_TRUE(list("C:\\Nowhere\\*.*").empty());
    options.sizeWanted = [](std::string_view name) { return name == "a.bmp"; };
    k.SetBenchmarkOptions(options);
    Listing some = list("C:\\Pics\\*.*");
    EXPECT_EQ(some["a.bmp"].second, 2u);
    EXPECT_EQ(some["ro.txt"], std::make_pair(0x01u, std::uint64_t{0}));
    options.fetchSizes = false;
    k.SetBenchmarkOptions(options);
    EXPECT_EQ(list("C:\\Pics\\*.*")["a.bmp"].second, 0u);
    EXPECT_EQ(k.OpenHandleCount(), 0u);

    // "_" sorts before letters in the stand-in collation, after them in byte order.
    EXPECT_EQ(k.CompareString(0, NORM_IGNORECASE, "_x", "a"), CSTR_LESS_THAN);
    options.plainCollation = true;
    k.SetBenchmarkOptions(options);
    EXPECT_EQ(k.CompareString(0, NORM_IGNORECASE, "_x", "a"), CSTR_GREATER_THAN);

    win.ClearJournal();
    win.CallJournal().SetRecording(false);
    EXPECT_TRUE(k.CreateDirectory("C:\\Quiet"));
    win.CallJournal().FailNext("CreateDirectory");
    EXPECT_FALSE(k.CreateDirectory("C:\\Loud"));
    EXPECT_TRUE(win.Journal().empty());
}

TEST_F(SimKernelTest, CompareStringCollatesUnlikeByteOrder) {
    struct Case {
        const char* a;
        const char* b;
        std::uint32_t flags;
        int expected;
    };
    const Case cases[] = {
        {"a.bmp", "B.bmp", NORM_IGNORECASE, CSTR_LESS_THAN},  // bytes: 'B' < 'a'
        {"B.bmp", "b.BMP", NORM_IGNORECASE, CSTR_EQUAL},
        {"b", "B", 0, CSTR_LESS_THAN},                           // lower case first when case counts
        {"_a.bmp", "1.bmp", NORM_IGNORECASE, CSTR_LESS_THAN},    // punctuation before digits
        {"9.bmp", "a.bmp", NORM_IGNORECASE, CSTR_LESS_THAN},     // digits before letters
        {"Z.bmp", "_.bmp", NORM_IGNORECASE, CSTR_GREATER_THAN},  // bytes: 'Z' < '_'
        {"\xC3\x84rger", "b", NORM_IGNORECASE, CSTR_LESS_THAN},  // "Ärger": an accented A sorts with A
        {"\xC3\x84rger", "Arger", NORM_IGNORECASE, CSTR_GREATER_THAN},
        {"\xC3\xA4rger", "\xC3\x84RGER", NORM_IGNORECASE, CSTR_EQUAL},
        {"\xC3\x84"
         "a",
         "Ab", NORM_IGNORECASE, CSTR_LESS_THAN},                    // the letters decide before accents
        {"\xC3\xBE", "z", NORM_IGNORECASE, CSTR_GREATER_THAN},      // thorn after z
        {"\xE4\xB8\x80", "z", NORM_IGNORECASE, CSTR_GREATER_THAN},  // other scripts after Latin
        {"C:\\a", "C:\\a.bmp", NORM_IGNORECASE, CSTR_LESS_THAN},
        {"", "", NORM_IGNORECASE, CSTR_EQUAL},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(k.CompareString(LOCALE_USER_DEFAULT, c.flags, c.a, c.b), c.expected)
            << c.a << " vs " << c.b;
        EXPECT_EQ(k.CompareString(LOCALE_USER_DEFAULT, c.flags, c.b, c.a), 4 - c.expected)
            << c.b << " vs " << c.a;
    }
    win.FailNext("CompareString");
    EXPECT_EQ(k.CompareString(LOCALE_USER_DEFAULT, NORM_IGNORECASE, "a", "b"), 0);
}

}  // namespace
