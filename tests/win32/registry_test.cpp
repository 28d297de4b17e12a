// The registry through Win32Registry: values come back byte for byte as written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/win32/Win32Registry.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = "Software\\VelantTests\\Registry" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_EQ(reg.RegCreateKeyEx(plat::HKEY_CURRENT_USER, path, plat::KEY_ALL_ACCESS, key),
                  plat::ERROR_SUCCESS);
        ASSERT_NE(key, 0u);
    }
    void TearDown() override {
        if (key) reg.RegCloseKey(key);
        plat::Hkey parent = 0;
        if (reg.RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Software\\VelantTests", plat::KEY_ALL_ACCESS,
                             parent) == plat::ERROR_SUCCESS) {
            std::string child = path.substr(path.rfind('\\') + 1);
            plat::Hkey sub = 0;
            if (reg.RegOpenKeyEx(parent, child, plat::KEY_ALL_ACCESS, sub) == plat::ERROR_SUCCESS) {
                std::string name;
                while (reg.RegEnumKey(sub, 0, name) == plat::ERROR_SUCCESS)
                    if (reg.RegDeleteKey(sub, name) != plat::ERROR_SUCCESS) break;
                reg.RegCloseKey(sub);
            }
            reg.RegDeleteKey(parent, child);
            reg.RegCloseKey(parent);
            // Refused while another test's key is still there.
            reg.RegDeleteKey(plat::HKEY_CURRENT_USER, "Software\\VelantTests");
        }
    }

    win32::Win32Registry reg;
    std::string path;
    plat::Hkey key = 0;
};

TEST_F(Win32RegistryTest, StringWithTwoTrailingNulsComesBackExactly) {
    const Bytes written{'d', 'd', '.', 'm', 'm', 0, 0};
    ASSERT_EQ(reg.RegSetValueEx(key, "Text", plat::REG_SZ, written), plat::ERROR_SUCCESS);
    std::uint32_t type = 0;
    Bytes read;
    ASSERT_EQ(reg.RegQueryValueEx(key, "Text", type, read), plat::ERROR_SUCCESS);
    EXPECT_EQ(type, plat::REG_SZ);
    EXPECT_EQ(read, written);
}

TEST_F(Win32RegistryTest, DwordAndBinaryRoundTrip) {
    const Bytes dword{0x78, 0x56, 0x34, 0x12};
    const Bytes binary{0x00, 0xFF, 0x10, 0x00, 0x7F};
    ASSERT_EQ(reg.RegSetValueEx(key, "Number", plat::REG_DWORD, dword), plat::ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueEx(key, "Blob", plat::REG_BINARY, binary), plat::ERROR_SUCCESS);
    std::uint32_t type = 0;
    Bytes read;
    ASSERT_EQ(reg.RegQueryValueEx(key, "Number", type, read), plat::ERROR_SUCCESS);
    EXPECT_EQ(type, plat::REG_DWORD);
    EXPECT_EQ(read, dword);
    ASSERT_EQ(reg.RegQueryValueEx(key, "Blob", type, read), plat::ERROR_SUCCESS);
    EXPECT_EQ(type, plat::REG_BINARY);
    EXPECT_EQ(read, binary);
}

TEST_F(Win32RegistryTest, LargeValueIsReadWhole) {
    Bytes big(100000);
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<std::uint8_t>(i * 7);
    ASSERT_EQ(reg.RegSetValueEx(key, "Big", plat::REG_BINARY, big), plat::ERROR_SUCCESS);
    std::uint32_t type = 0;
    Bytes read;
    ASSERT_EQ(reg.RegQueryValueEx(key, "Big", type, read), plat::ERROR_SUCCESS);
    EXPECT_EQ(read, big);
}

TEST_F(Win32RegistryTest, DeletedValueIsGone) {
    ASSERT_EQ(reg.RegSetValueEx(key, "Gone", plat::REG_SZ, Bytes{'x', 0}), plat::ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteValue(key, "Gone"), plat::ERROR_SUCCESS);
    std::uint32_t type = 0;
    Bytes read;
    EXPECT_EQ(reg.RegQueryValueEx(key, "Gone", type, read), plat::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg.RegDeleteValue(key, "Gone"), plat::ERROR_FILE_NOT_FOUND);
}

TEST_F(Win32RegistryTest, DeleteKeyRefusesSubkeysThenRemovesKeyAndValues) {
    plat::Hkey parent = 0, child = 0;
    ASSERT_EQ(reg.RegCreateKeyEx(key, "Parent", plat::KEY_ALL_ACCESS, parent), plat::ERROR_SUCCESS);
    ASSERT_EQ(reg.RegCreateKeyEx(parent, "Child", plat::KEY_ALL_ACCESS, child), plat::ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueEx(child, "v", plat::REG_SZ, Bytes{'1', 0}), plat::ERROR_SUCCESS);
    reg.RegCloseKey(child);

    std::string name;
    ASSERT_EQ(reg.RegEnumKey(parent, 0, name), plat::ERROR_SUCCESS);
    EXPECT_EQ(name, "Child");
    EXPECT_EQ(reg.RegEnumKey(parent, 1, name), 259);  // ERROR_NO_MORE_ITEMS
    reg.RegCloseKey(parent);

    EXPECT_NE(reg.RegDeleteKey(key, "Parent"), plat::ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteKey(key, "Parent\\Child"), plat::ERROR_SUCCESS);
    EXPECT_EQ(reg.RegDeleteKey(key, "Parent"), plat::ERROR_SUCCESS);
    plat::Hkey again = 0;
    EXPECT_EQ(reg.RegOpenKeyEx(key, "Parent", plat::KEY_READ, again), plat::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(again, 0u);
}

TEST_F(Win32RegistryTest, PredefinedRootsReachTheSameKeysAsWindowsOwn) {
    // The program's root constants are zero-extended; Windows' are sign-extended.
    ASSERT_EQ(reg.RegSetValueEx(key, "Mark", plat::REG_SZ, Bytes{'m', 0}), plat::ERROR_SUCCESS);
    plat::Hkey again = 0;
    ASSERT_EQ(reg.RegOpenKeyEx(plat::HKEY_CURRENT_USER, path, plat::KEY_READ, again),
              plat::ERROR_SUCCESS);
    std::uint32_t type = 0;
    Bytes read;
    EXPECT_EQ(reg.RegQueryValueEx(again, "Mark", type, read), plat::ERROR_SUCCESS);
    reg.RegCloseKey(again);
    plat::Hkey desktop = 0;
    EXPECT_EQ(reg.RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Control Panel\\Desktop", plat::KEY_ALL_ACCESS,
                               desktop),
              plat::ERROR_SUCCESS);
    if (desktop) reg.RegCloseKey(desktop);
}

}  // namespace
