#include <gtest/gtest.h>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

using namespace plat;

namespace {

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

class SimRegistryTest : public ::testing::Test {
protected:
    sim::SimWindows win;
    sim::SimRegistry& reg = win.Registry();
};

TEST_F(SimRegistryTest, AStandardUserMayReadButNotWriteTheMachinesKeys) {
    reg.SetString(HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut", "");
    win.SetStandardUser(true);
    for (Hkey root : {HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT}) {
        Hkey key = 0;
        EXPECT_EQ(reg.RegCreateKeyEx(root, "lnkfile", KEY_ALL_ACCESS, key), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg.RegCreateKeyEx(root, "New", KEY_READ, key), ERROR_ACCESS_DENIED);
        EXPECT_EQ(reg.RegSetValueEx(root, "x", REG_SZ, Bytes("1")), ERROR_ACCESS_DENIED);
    }
    Hkey key = 0;
    ASSERT_EQ(reg.RegOpenKeyEx(HKEY_CLASSES_ROOT, "lnkfile", KEY_READ, key), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteValue(key, "IsShortcut"), ERROR_ACCESS_DENIED);
    reg.RegCloseKey(key);
    ASSERT_EQ(reg.RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Classes\\lnkfile", KEY_ALL_ACCESS, key),
              ERROR_SUCCESS);
    EXPECT_EQ(reg.RegSetValueEx(key, "IsShortcut", REG_SZ, Bytes("")), ERROR_SUCCESS);
    reg.RegCloseKey(key);
    win.SetStandardUser(false);
    ASSERT_EQ(reg.RegCreateKeyEx(HKEY_LOCAL_MACHINE, "New", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, KeepsValueBytesExactlyAsWritten) {
    Hkey key = 0;
    ASSERT_EQ(reg.RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Velant\\Pro", KEY_ALL_ACCESS, key),
              ERROR_SUCCESS);
    std::vector<std::uint8_t> doubleNul = Bytes(std::string("on\0\0", 4));
    ASSERT_EQ(reg.RegSetValueEx(key, "Mode", REG_SZ, doubleNul), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegCloseKey(key), ERROR_SUCCESS);

    auto v = reg.Get(HKEY_CURRENT_USER, "Software\\Velant\\Pro", "Mode");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, REG_SZ);
    EXPECT_EQ(v->bytes, doubleNul);
    EXPECT_EQ(reg.GetString(HKEY_CURRENT_USER, "Software\\Velant\\Pro", "Mode"), "on");
    EXPECT_TRUE(win.Contains("RegSetValueEx(HKCU\\Software\\Velant\\Pro, \"Mode\", 1, \"on\\0\\0\")"));
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST_F(SimRegistryTest, NamesAreCaseInsensitiveAndSlashesAtEitherEndAreAccepted) {
    Hkey key = 0;
    ASSERT_EQ(reg.RegOpenKeyEx(HKEY_CURRENT_USER, "\\control panel\\DESKTOP\\", KEY_READ, key),
              ERROR_SUCCESS);
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(reg.RegQueryValueEx(key, "screensaveactive", type, data), ERROR_SUCCESS);
    EXPECT_EQ(data, Bytes(std::string("1\0", 2)));
    EXPECT_EQ(win.Journal().back(), "RegOpenKeyEx(HKCU, \"\\control panel\\DESKTOP\\\", 131097)");
    reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, HandlesAreCheckedForValidityAndAccess) {
    Hkey key = 0;
    ASSERT_EQ(reg.RegOpenKeyEx(HKEY_CURRENT_USER, "Control Panel\\Desktop", KEY_READ, key), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegSetValueEx(key, "Wallpaper", REG_SZ, Bytes("x")), ERROR_ACCESS_DENIED);
    EXPECT_EQ(reg.RegCloseKey(key), ERROR_SUCCESS);
    std::uint32_t type;
    std::vector<std::uint8_t> data;
    EXPECT_EQ(reg.RegQueryValueEx(key, "Wallpaper", type, data), sim::ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg.RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Missing", KEY_READ, key), ERROR_FILE_NOT_FOUND);
}

TEST_F(SimRegistryTest, DeleteKeyRefusesSubkeysAndEnumIsSorted) {
    reg.CreateKey(HKEY_CURRENT_USER, "Software\\V\\b");
    reg.CreateKey(HKEY_CURRENT_USER, "Software\\V\\A");
    EXPECT_EQ(reg.RegDeleteKey(HKEY_CURRENT_USER, "Software\\V"), ERROR_ACCESS_DENIED);

    Hkey key = 0;
    ASSERT_EQ(reg.RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\V", KEY_READ, key), ERROR_SUCCESS);
    std::string name;
    EXPECT_EQ(reg.RegEnumKey(key, 0, name), ERROR_SUCCESS);
    EXPECT_EQ(name, "A");
    EXPECT_EQ(reg.RegEnumKey(key, 1, name), ERROR_SUCCESS);
    EXPECT_EQ(name, "b");
    EXPECT_EQ(reg.RegEnumKey(key, 2, name), sim::ERROR_NO_MORE_ITEMS);
    reg.RegCloseKey(key);

    EXPECT_EQ(reg.RegDeleteKey(HKEY_CURRENT_USER, "Software\\V\\A"), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteKey(HKEY_CURRENT_USER, "Software\\V\\B"), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteKey(HKEY_CURRENT_USER, "Software\\V"), ERROR_SUCCESS);
    EXPECT_FALSE(reg.HasKey(HKEY_CURRENT_USER, "Software\\V"));
}

TEST_F(SimRegistryTest, ValueNamesKeepInsertionOrder) {
    reg.SetString(HKEY_LOCAL_MACHINE, "Software\\X", "zeta", "1");
    reg.SetDword(HKEY_LOCAL_MACHINE, "Software\\X", "alpha", 7);
    reg.SetString(HKEY_LOCAL_MACHINE, "Software\\X", "ZETA", "2");
    EXPECT_EQ(reg.ValueNames(HKEY_LOCAL_MACHINE, "Software\\X"), (std::vector<std::string>{"zeta", "alpha"}));
    EXPECT_EQ(reg.GetDword(HKEY_LOCAL_MACHINE, "Software\\X", "Alpha"), 7u);

    // The program sees the same order, values of every type included.
    Hkey key = 0;
    ASSERT_EQ(reg.RegOpenKeyEx(HKEY_LOCAL_MACHINE, "Software\\X", KEY_READ, key), ERROR_SUCCESS);
    std::string name;
    EXPECT_EQ(reg.RegEnumValue(key, 0, name), ERROR_SUCCESS);
    EXPECT_EQ(name, "zeta");
    EXPECT_EQ(reg.RegEnumValue(key, 1, name), ERROR_SUCCESS);
    EXPECT_EQ(name, "alpha");
    EXPECT_EQ(reg.RegEnumValue(key, 2, name), sim::ERROR_NO_MORE_ITEMS);
    reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, InjectedDenialsAndWriteFailures) {
    reg.DenyAccess(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    Hkey key = 0;
    EXPECT_EQ(reg.RegCreateKeyEx(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                 KEY_WRITE, key),
              ERROR_ACCESS_DENIED);
    EXPECT_FALSE(key);

    reg.FailWrites(HKEY_CURRENT_USER, "Software\\Velant");
    EXPECT_EQ(reg.RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Velant", KEY_ALL_ACCESS, key),
              ERROR_WRITE_FAULT);
    reg.CreateKey(HKEY_CURRENT_USER, "Software\\Velant");
    ASSERT_EQ(reg.RegCreateKeyEx(HKEY_CURRENT_USER, "Software\\Velant", KEY_ALL_ACCESS, key), ERROR_SUCCESS);
    EXPECT_EQ(reg.RegSetValueEx(key, "A", REG_SZ, Bytes("1")), ERROR_WRITE_FAULT);
    reg.FailWrites(HKEY_CURRENT_USER, "Software\\Velant", 0);
    win.FailNext("RegSetValueEx", ERROR_DISK_FULL);
    EXPECT_EQ(reg.RegSetValueEx(key, "A", REG_SZ, Bytes("1")), ERROR_DISK_FULL);
    EXPECT_EQ(reg.RegSetValueEx(key, "A", REG_SZ, Bytes("1")), ERROR_SUCCESS);
    reg.RegCloseKey(key);
    EXPECT_EQ(reg.Operations().size(), 6u);
}

TEST_F(SimRegistryTest, SizedQueryReportsWhatDoesNotFit) {
    reg.Set(HKEY_CURRENT_USER, "Software\\Velant", "Blob", REG_BINARY, {1, 2, 3, 4, 5});
    Hkey key = 0;
    ASSERT_EQ(reg.RegOpenKeyEx(HKEY_CURRENT_USER, "Software\\Velant", KEY_READ, key), ERROR_SUCCESS);
    std::uint8_t buffer[8] = {9, 9, 9, 9, 9, 9, 9, 9};
    std::uint32_t type = 0, size = 4;
    EXPECT_EQ(reg.RegQueryValueExBuffer(key, "Blob", type, buffer, size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(buffer[0], 9);  // untouched
    size = 0;
    EXPECT_EQ(reg.RegQueryValueExBuffer(key, "Blob", type, nullptr, size), ERROR_SUCCESS);
    EXPECT_EQ(size, 5u);
    size = sizeof buffer;
    EXPECT_EQ(reg.RegQueryValueExBuffer(key, "blob", type, buffer, size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(size, 5u);
    EXPECT_EQ(buffer[4], 5);
    EXPECT_EQ(buffer[5], 9);
    EXPECT_EQ(reg.RegQueryValueExBuffer(key, "None", type, buffer, size), ERROR_FILE_NOT_FOUND);
    reg.RegCloseKey(key);
}

TEST_F(SimRegistryTest, PerformanceDataComesFromTheProviderAtEachQuery) {
    std::uint8_t buffer[16] = {};
    std::uint32_t type = 0, size = sizeof buffer;
    EXPECT_EQ(reg.RegQueryValueExBuffer(HKEY_PERFORMANCE_DATA, "238", type, buffer, size),
              ERROR_FILE_NOT_FOUND);
    int calls = 0;
    reg.SetPerformanceData(
        "238", [&] { return std::vector<std::uint8_t>(static_cast<std::size_t>(++calls * 10), 7); });
    EXPECT_EQ(reg.RegQueryValueExBuffer(HKEY_PERFORMANCE_DATA, "238", type, buffer, size), ERROR_SUCCESS);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(type, REG_BINARY);
    size = sizeof buffer;
    // The second answer no longer fits; the size is not reported for performance data.
    EXPECT_EQ(reg.RegQueryValueExBuffer(HKEY_PERFORMANCE_DATA, "238", type, buffer, size), ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof buffer);
    std::vector<std::uint8_t> whole;
    EXPECT_EQ(reg.RegQueryValueEx(HKEY_PERFORMANCE_DATA, "238", type, whole), ERROR_SUCCESS);
    EXPECT_EQ(whole.size(), 30u);
    EXPECT_EQ(
        win.CallJournal().Matching("RegQueryValueEx("),
        (std::vector<std::string>{"RegQueryValueEx(HKPD, \"238\", 16)", "RegQueryValueEx(HKPD, \"238\", 16)",
                                  "RegQueryValueEx(HKPD, \"238\", 16)", "RegQueryValueEx(HKPD, \"238\")"}));
    reg.SetPerformanceData("238", nullptr);
    EXPECT_EQ(reg.RegQueryValueEx(HKEY_PERFORMANCE_DATA, "238", type, whole), ERROR_FILE_NOT_FOUND);
}

}  // namespace
