// Files through Win32Kernel: whole-file I/O, replacing a file, finding by pattern.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/win32/Win32Kernel.h"

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
    ASSERT_NE(exact, 0u);
    EXPECT_EQ(data.name, "three.bmp");
    EXPECT_EQ(data.size, 3u);
    EXPECT_FALSE(k.FindNextFile(exact, data));
    EXPECT_TRUE(k.FindClose(exact));
    EXPECT_EQ(k.FindFirstFile(dir + "\\*.gif", data), 0u);
}

}  // namespace
