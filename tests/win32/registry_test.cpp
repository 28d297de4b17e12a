// The registry through Win32Registry: values come back byte for byte as written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/win32/Win32Registry.h"
#include "system/CpuMeter.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class Win32RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = "Software\\VelantTests\\Registry" +
               std::string(::testing::UnitTest::GetInstance()->current_test_info()->name());
        ASSERT_EQ(reg.RegCreateKeyEx(plat::HKEY_CURRENT_USER, path, plat::KEY_ALL_ACCESS, key),
                  plat::ERROR_SUCCESS);
        ASSERT_TRUE(key);
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

TEST_F(Win32RegistryTest, DeletedValueIsGoneAndNoLongerCounted) {
    ASSERT_EQ(reg.RegSetValueEx(key, "Gone", plat::REG_SZ, Bytes{'x', 0}), plat::ERROR_SUCCESS);
    ASSERT_EQ(reg.RegSetValueEx(key, "Kept", plat::REG_SZ, Bytes{'y', 0}), plat::ERROR_SUCCESS);
    std::uint32_t values = 0;
    ASSERT_EQ(reg.RegQueryInfoKey(key, values), plat::ERROR_SUCCESS);
    EXPECT_EQ(values, 2u);
    EXPECT_EQ(reg.RegDeleteValue(key, "Gone"), plat::ERROR_SUCCESS);
    ASSERT_EQ(reg.RegQueryInfoKey(key, values), plat::ERROR_SUCCESS);
    EXPECT_EQ(values, 1u);
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
    EXPECT_FALSE(again);
}

TEST_F(Win32RegistryTest, PredefinedRootsReachTheSameKeysAsWindowsOwn) {
    // The program's root constants are zero-extended; Windows' are sign-extended.
    ASSERT_EQ(reg.RegSetValueEx(key, "Mark", plat::REG_SZ, Bytes{'m', 0}), plat::ERROR_SUCCESS);
    plat::Hkey again = 0;
    ASSERT_EQ(reg.RegOpenKeyEx(plat::HKEY_CURRENT_USER, path, plat::KEY_READ, again), plat::ERROR_SUCCESS);
    std::uint32_t type = 0;
    Bytes read;
    EXPECT_EQ(reg.RegQueryValueEx(again, "Mark", type, read), plat::ERROR_SUCCESS);
    reg.RegCloseKey(again);
    plat::Hkey desktop = 0;
    EXPECT_EQ(
        reg.RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Control Panel\\Desktop", plat::KEY_ALL_ACCESS, desktop),
        plat::ERROR_SUCCESS);
    if (desktop) reg.RegCloseKey(desktop);
}

TEST_F(Win32RegistryTest, SizedQueryReportsTheLengthNeeded) {
    const Bytes written{1, 2, 3, 4, 5, 6};
    ASSERT_EQ(reg.RegSetValueEx(key, "Blob", plat::REG_BINARY, written), plat::ERROR_SUCCESS);
    std::uint8_t buffer[8] = {};
    std::uint32_t type = 0, size = 4;
    EXPECT_EQ(reg.RegQueryValueExBuffer(key, "Blob", type, buffer, size), plat::ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    size = 0;
    EXPECT_EQ(reg.RegQueryValueExBuffer(key, "Blob", type, nullptr, size), plat::ERROR_SUCCESS);
    EXPECT_EQ(size, 6u);
    size = sizeof buffer;
    ASSERT_EQ(reg.RegQueryValueExBuffer(key, "Blob", type, buffer, size), plat::ERROR_SUCCESS);
    EXPECT_EQ(type, plat::REG_BINARY);
    EXPECT_EQ(Bytes(buffer, buffer + size), written);
}

// What the system publishes under HKEY_PERFORMANCE_DATA "238". Windows answers with
// the "Processor" object; Wine answers with a data block and no objects. Either way
// the answer is a well-formed data block that fits in the buffer eventually.
TEST_F(Win32RegistryTest, PerformanceDataForTheProcessorObject) {
    Bytes buffer(8192);
    std::uint32_t type = 0, size = 0;
    long rc = plat::ERROR_MORE_DATA;
    for (int step = 0; step < 64 && rc == plat::ERROR_MORE_DATA; ++step) {
        if (step) buffer.resize(buffer.size() + 4096);
        size = static_cast<std::uint32_t>(buffer.size());
        rc = reg.RegQueryValueExBuffer(plat::HKEY_PERFORMANCE_DATA, "238", type, buffer.data(), size);
    }
    reg.RegCloseKey(plat::HKEY_PERFORMANCE_DATA);
    ASSERT_EQ(rc, plat::ERROR_SUCCESS);
    ASSERT_GE(size, perf_layout::DataBlockSize);
    const char signature[] = {'P', 0, 'E', 0, 'R', 0, 'F', 0};
    EXPECT_TRUE(std::equal(signature, signature + 8, buffer.begin()));
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(buffer[at] | buffer[at + 1] << 8 | buffer[at + 2] << 16 |
                                          static_cast<std::uint32_t>(buffer[at + 3]) << 24);
    };
    EXPECT_LE(u32(perf_layout::DataBlockTotalByteLength), size);
    std::size_t object = u32(perf_layout::DataBlockHeaderLength);
    bool processor = false;
    for (std::uint32_t i = 0; i < u32(perf_layout::DataBlockNumObjectTypes); ++i) {
        ASSERT_LE(object + perf_layout::ObjectTypeSize, size);
        processor = processor || u32(object + perf_layout::ObjectNameTitleIndex) == 238;
        object += u32(object + perf_layout::ObjectTotalByteLength);
    }
    RecordProperty("objects", static_cast<int>(u32(perf_layout::DataBlockNumObjectTypes)));
    RecordProperty("processor_object", processor ? "yes" : "no");
    std::printf("performance data \"238\": %u bytes, %u objects, Processor object: %s\n", size,
                u32(perf_layout::DataBlockNumObjectTypes), processor ? "yes" : "no");
}

}  // namespace

// Last in the file: <windows.h> defines macros with the names of the program's own
// constants used above. The meter's record offsets must match the system's headers.
#include <windows.h>
#include <winperf.h>

#include <cstddef>

static_assert(perf_layout::DataBlockTotalByteLength == offsetof(PERF_DATA_BLOCK, TotalByteLength));
static_assert(perf_layout::DataBlockHeaderLength == offsetof(PERF_DATA_BLOCK, HeaderLength));
static_assert(perf_layout::DataBlockNumObjectTypes == offsetof(PERF_DATA_BLOCK, NumObjectTypes));
static_assert(perf_layout::DataBlockSystemTime == offsetof(PERF_DATA_BLOCK, SystemTime));
static_assert(perf_layout::SystemTimeSize == sizeof(SYSTEMTIME));
static_assert(perf_layout::DataBlockSize == sizeof(PERF_DATA_BLOCK));
static_assert(perf_layout::ObjectTotalByteLength == offsetof(PERF_OBJECT_TYPE, TotalByteLength));
static_assert(perf_layout::ObjectDefinitionLength == offsetof(PERF_OBJECT_TYPE, DefinitionLength));
static_assert(perf_layout::ObjectHeaderLength == offsetof(PERF_OBJECT_TYPE, HeaderLength));
static_assert(perf_layout::ObjectNameTitleIndex == offsetof(PERF_OBJECT_TYPE, ObjectNameTitleIndex));
static_assert(perf_layout::ObjectNumCounters == offsetof(PERF_OBJECT_TYPE, NumCounters));
static_assert(perf_layout::ObjectNumInstances == offsetof(PERF_OBJECT_TYPE, NumInstances));
static_assert(perf_layout::ObjectTypeSize == sizeof(PERF_OBJECT_TYPE));
static_assert(perf_layout::CounterByteLength == offsetof(PERF_COUNTER_DEFINITION, ByteLength));
static_assert(perf_layout::CounterNameTitleIndex == offsetof(PERF_COUNTER_DEFINITION, CounterNameTitleIndex));
static_assert(perf_layout::CounterOffset == offsetof(PERF_COUNTER_DEFINITION, CounterOffset));
static_assert(perf_layout::CounterDefinitionSize == sizeof(PERF_COUNTER_DEFINITION));
static_assert(perf_layout::InstanceByteLength == offsetof(PERF_INSTANCE_DEFINITION, ByteLength));
static_assert(perf_layout::InstanceDefinitionSize == sizeof(PERF_INSTANCE_DEFINITION));
static_assert(perf_layout::CounterBlockByteLength == offsetof(PERF_COUNTER_BLOCK, ByteLength));
static_assert(perf_layout::CounterBlockSize == sizeof(PERF_COUNTER_BLOCK));
