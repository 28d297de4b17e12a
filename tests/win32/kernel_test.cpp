// Files through Win32Kernel: whole-file I/O, replacing a file, finding by pattern.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/win32/Win32Kernel.h"
#include "platform/win32/Win32Registry.h"
#include "system/CpuMeter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Win32KernelTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = k.GetTempPath() + "velant-kernel-" +
              std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        k.CreateDirectory(dir);
        ASSERT_NE(k.GetFileAttributes(dir) & plat::FILE_ATTRIBUTE_DIRECTORY, 0u);
    }
    void TearDown() override {
        for (const auto& name : Names("*")) k.DeleteFile(dir + "\\" + name);
        k.RemoveDirectory(dir);
    }
    std::vector<std::string> Names(const std::string& pattern) {
        std::vector<std::string> names;
        plat::FindData data;
        plat::Handle find = k.FindFirstFile(dir + "\\" + pattern, data);
        if (!find) return names;
        do {
            if (!(data.attributes & plat::FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.name);
        } while (k.FindNextFile(find, data));
        EXPECT_TRUE(k.FindClose(find));
        std::sort(names.begin(), names.end());
        return names;
    }

    win32::Win32Kernel k;
    std::string dir;
};

TEST_F(Win32KernelTest, WriteThenReadGivesTheSameBytes) {
    const Bytes data{'B', 'M', 0, 1, 2, 0xFF};
    ASSERT_EQ(k.WriteFile(dir + "\\a.bin", data), 0);
    Bytes read;
    ASSERT_EQ(k.ReadFile(dir + "\\a.bin", read), 0);
    EXPECT_EQ(read, data);
    EXPECT_EQ(k.ReadFile(dir + "\\missing.bin", read), plat::ERROR_FILE_NOT_FOUND);
    EXPECT_TRUE(read.empty());
}

TEST_F(Win32KernelTest, ReplaceFileMovesTheNewFileOverTheOld) {
    ASSERT_EQ(k.WriteFile(dir + "\\wall.bmp", Bytes{'o', 'l', 'd'}), 0);
    ASSERT_EQ(k.WriteFile(dir + "\\wall.tmp", Bytes{'n', 'e', 'w', '!'}), 0);
    ASSERT_EQ(k.ReplaceFile(dir + "\\wall.tmp", dir + "\\wall.bmp"), 0);
    Bytes read;
    ASSERT_EQ(k.ReadFile(dir + "\\wall.bmp", read), 0);
    EXPECT_EQ(read, (Bytes{'n', 'e', 'w', '!'}));
    EXPECT_EQ(k.GetFileAttributes(dir + "\\wall.tmp"), plat::INVALID_FILE_ATTRIBUTES);
    // A missing source leaves the target alone.
    EXPECT_NE(k.ReplaceFile(dir + "\\none.tmp", dir + "\\wall.bmp"), 0);
    ASSERT_EQ(k.ReadFile(dir + "\\wall.bmp", read), 0);
    EXPECT_EQ(read.size(), 4u);
}

TEST_F(Win32KernelTest, FindFirstFileMatchesThePattern) {
    for (const char* name : {"one.jpg", "two.JPG", "three.bmp", "four.jpeg"})
        ASSERT_EQ(k.WriteFile(dir + "\\" + name, Bytes(3, 'x')), 0);
    std::vector<std::string> jpgs = Names("*.jpg");
    // Windows also matches a pattern against short names; with 3-letter
    // extensions only the .jpg files qualify, in any letter case.
    EXPECT_EQ(jpgs, (std::vector<std::string>{"one.jpg", "two.JPG"}));
    plat::FindData data;
    plat::Handle exact = k.FindFirstFile(dir + "\\three.bmp", data);
    ASSERT_TRUE(exact);
    EXPECT_EQ(data.name, "three.bmp");
    EXPECT_EQ(data.size, 3u);
    EXPECT_FALSE(k.FindNextFile(exact, data));
    EXPECT_TRUE(k.FindClose(exact));
    EXPECT_FALSE(k.FindFirstFile(dir + "\\*.gif", data));
}

TEST_F(Win32KernelTest, AFailedWatchLeavesItsCodeAndTheSystemsTextForIt) {
    EXPECT_FALSE(k.FindFirstChangeNotification(dir + "\\missing", false, 1));
    const std::uint32_t code = k.GetLastError();
    EXPECT_TRUE(code == 2 || code == 3) << code;
    const std::string text = k.FormatMessage(code);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
    EXPECT_NE(text.back(), '\r');
}

TEST(Win32KernelSystem, VersionAndFileTimes) {
    win32::Win32Kernel k;
    plat::OsVersionInfo v;
    EXPECT_FALSE(k.GetVersionEx(v));  // no record size
    v.osVersionInfoSize = plat::OSVERSIONINFOA_SIZE;
    ASSERT_TRUE(k.GetVersionEx(v));
    EXPECT_EQ(v.platformId, plat::VER_PLATFORM_WIN32_NT);
    EXPECT_GE(v.majorVersion, 5u);
    v.osVersionInfoSize = plat::OSVERSIONINFOEXA_SIZE;
    EXPECT_TRUE(k.GetVersionEx(v));

    plat::SystemTime t;
    t.year = 1970, t.month = 1, t.day = 1, t.second = 1, t.milliseconds = 500;
    std::uint64_t ft = 0;
    ASSERT_TRUE(k.SystemTimeToFileTime(t, ft));
    EXPECT_EQ(ft, 116444736015000000u);
    t.month = 13;
    EXPECT_FALSE(k.SystemTimeToFileTime(t, ft));
    t.month = 2, t.day = 30;
    EXPECT_FALSE(k.SystemTimeToFileTime(t, ft));
}

TEST(Win32KernelSystem, CompareStringCollatesUtf8WithoutCase) {
    win32::Win32Kernel k;
    const auto compare = [&k](const char* a, const char* b) {
        return k.CompareString(plat::LOCALE_USER_DEFAULT, plat::NORM_IGNORECASE, a, b);
    };
    EXPECT_EQ(compare("a.bmp", "B.bmp"), plat::CSTR_LESS_THAN);
    EXPECT_EQ(compare("B.BMP", "b.bmp"), plat::CSTR_EQUAL);
    // UTF-8 text, whatever the ANSI code page: "Ärger" sorts among the A's.
    EXPECT_EQ(compare("\xC3\x84rger", "b"), plat::CSTR_LESS_THAN);
    EXPECT_EQ(compare("\xC3\xA4rger", "\xC3\x84RGER"), plat::CSTR_EQUAL);
    EXPECT_EQ(compare("", ""), plat::CSTR_EQUAL);
}

// Keeps one processor busy for about `ms` milliseconds.
void Spin(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    volatile unsigned x = 0;
    while (std::chrono::steady_clock::now() < end) x = x + 1;
}

TEST(Win32KernelSystem, ProcessorTimesGrowAndAddUp) {
    win32::Win32Kernel k;
    std::vector<plat::ProcessorTimes> before, after;
    plat::ProcessorTimes totalBefore, totalAfter;
    ASSERT_TRUE(k.GetProcessorTimes(before, totalBefore));
    Spin(300);
    ASSERT_TRUE(k.GetProcessorTimes(after, totalAfter));
    ASSERT_FALSE(after.empty()) << "no per-processor times";
    ASSERT_EQ(before.size(), after.size());
    plat::ProcessorTimes sum;
    for (const auto& p : after) {
        EXPECT_GE(p.kernel, p.idle);  // kernel time includes idle time
        sum.idle += p.idle, sum.kernel += p.kernel, sum.user += p.user;
    }
    EXPECT_EQ(sum.idle, totalAfter.idle);
    EXPECT_EQ(sum.kernel, totalAfter.kernel);
    EXPECT_EQ(sum.user, totalAfter.user);
    std::int64_t elapsed = (totalAfter.kernel + totalAfter.user) - (totalBefore.kernel + totalBefore.user);
    // About 0.3 s on every processor, in 100-ns units.
    EXPECT_GT(elapsed, 1000000 * static_cast<std::int64_t>(after.size()));
    EXPECT_GE(totalAfter.idle, totalBefore.idle);
}

// The meter on the real system: whichever source it settles on, the readings are
// loads, and spinning one processor shows in the machine's total (the last instance).
TEST(Win32KernelSystem, CpuMeterReadsTheRunningSystem) {
    win32::Win32Kernel k;
    win32::Win32Registry reg;
    TCpuMeter meter(k, reg);
    meter.SampleProcessorData();
    const int count = meter.ProcessorCount();
    ASSERT_GE(count, 1);
    Spin(500);
    meter.SampleProcessorData();
    ASSERT_EQ(meter.ProcessorCount(), count);
    for (int i = 0; i < count; ++i) {
        double load = meter.ProcessorLoad(i);
        EXPECT_GE(load, -0.05) << "instance " << i;
        EXPECT_LE(load, 1.05) << "instance " << i;
    }
    const int processors = count > 1 ? count - 1 : 1;
    EXPECT_GT(meter.ProcessorLoad(count - 1), 0.5 / processors);
    ::testing::Test::RecordProperty("instances", count);
}

}  // namespace
