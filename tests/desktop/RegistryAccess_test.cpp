#include "desktop/RegistryAccess.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "desktop/TextSplitter.h"
#include "desktop/SystemPath.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "platform/sim/SimWindows.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
constexpr plat::Hkey HKCR = plat::HKEY_CLASSES_ROOT;
constexpr plat::Hkey HKLM = plat::HKEY_LOCAL_MACHINE;
const std::string kRecycleBin = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";

std::vector<std::uint8_t> Sz(const std::string& text) {
    std::vector<std::uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

template <class T>
std::vector<std::uint8_t> Raw(const T& value) {
    std::vector<std::uint8_t> bytes(sizeof(T));
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

// A variant as text, so results compare and print whatever kind they hold.
std::string Show(const TVariant& v) {
    struct Visitor {
        std::string operator()(std::monostate) const { return "empty"; }
        std::string operator()(std::int32_t i) const { return "int " + std::to_string(i); }
        std::string operator()(double d) const { return "double " + std::to_string(d); }
        std::string operator()(TCurrency c) const { return "currency " + std::to_string(c.scaled); }
        std::string operator()(TDateTime t) const { return "date " + std::to_string(t.days); }
        std::string operator()(bool b) const { return b ? "bool true" : "bool false"; }
        std::string operator()(const std::string& s) const { return "string \"" + s + "\""; }
        std::string operator()(TSmallInt s) const { return "small " + std::to_string(s.value); }
    };
    return std::visit(Visitor{}, v);
}

class RegistryHelperTest : public ::testing::Test {
protected:
    sim::SimWindows win;
    sim::SimRegistry& reg = win.Registry();
    TRegistryAccess helper{"RegistryEnhanced1", win.Registry()};
};

// ---- key and name handling ----

TEST_F(RegistryHelperTest, TrimKeyDropsOneTrailingAndOneLeadingSeparator) {
    struct Case {
        const char* key;
        const char* trimmed;
    };
    const Case cases[] = {
        {"", ""},
        {"Control Panel\\Mouse\\", "Control Panel\\Mouse"},
        {"\\Control Panel\\desktop\\", "Control Panel\\desktop"},
        {"CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}", "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}"},
        {"\\", ""},
        {"\\a", "a"},
        {"a\\\\", "a\\"},
        {"\\\\a\\\\", "\\a\\"},
    };
    for (const auto& c : cases) {
        helper.Key = c.key;
        EXPECT_EQ(helper.TrimKey(), c.trimmed) << '"' << c.key << '"';
    }
}

TEST_F(RegistryHelperTest, NameSplitsIntoSubKeyPathAndValueName) {
    struct Case {
        const char* name;
        const char* path;
        const char* valueName;
    };
    const Case cases[] = {
        {"", "", ""},
        {"DragFullWindows", "", "DragFullWindows"},
        {"Sub\\Value", "\\Sub", "Value"},
        {"A\\B\\Value", "\\A\\B", "Value"},
        {"A\\\\B", "\\A", "B"},      // runs of separators give no empty pieces
        {"\\Value", "", "\\Value"},  // one piece: the name as given
        {"Sub\\", "", "Sub\\"},
        {"\\A\\B\\", "\\A", "B"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(helper.ValuePath(c.name), c.path) << '"' << c.name << '"';
        EXPECT_EQ(helper.ValueName(c.name), c.valueName) << '"' << c.name << '"';
    }
}

// ---- writing ----

TEST_F(RegistryHelperTest, TrailingSeparatorOfTheKeyOpensTheKeyBelowTheRoot) {
    helper.Key = "Control Panel\\Mouse\\";
    helper.WriteValue("ActiveWindowTracking", std::int32_t{1});
    auto v = reg.Get(HKCU, "Control Panel\\Mouse", "ActiveWindowTracking");
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->type, plat::REG_DWORD);
    EXPECT_EQ(v->bytes, Raw(std::int32_t{1}));
    EXPECT_FALSE(reg.HasKey(HKCU, "Control Panel\\Mouse\\Control Panel"));
}

TEST_F(RegistryHelperTest, NameWithSubKeyWritesInThatSubKeyCreatingIt) {
    helper.Key = "Software\\Test";
    helper.WriteValue("Deep\\Deeper\\Value", std::string("x"));
    EXPECT_EQ(reg.Get(HKCU, "Software\\Test\\Deep\\Deeper", "Value"),
              (sim::SimRegistry::Value{plat::REG_SZ, Sz("x")}));
    EXPECT_TRUE(reg.ValueNames(HKCU, "Software\\Test").empty());
}

TEST_F(RegistryHelperTest, EmptyNameAddressesTheDefaultValue) {
    helper.RootKey = TRootKey::hkClassesRoot;
    helper.Key = kRecycleBin;
    helper.WriteValue("", std::string("Trash"));
    EXPECT_EQ(reg.Get(HKCR, kRecycleBin, ""), (sim::SimRegistry::Value{plat::REG_SZ, Sz("Trash")}));
    TVariant result;
    helper.ReadValue("", std::string("fallback"), result);
    EXPECT_EQ(Show(result), Show(TVariant(std::string("Trash"))));
}

TEST_F(RegistryHelperTest, EachVariantKindIsWrittenAsItsRegistryType) {
    struct Case {
        const char* name;
        TVariant value;
        std::optional<sim::SimRegistry::Value> stored;  // nullopt: nothing written
    };
    const std::vector<Case> cases = {
        {"Int", std::int32_t{-2}, sim::SimRegistry::Value{plat::REG_DWORD, {0xFE, 0xFF, 0xFF, 0xFF}}},
        {"Double", 1.5, sim::SimRegistry::Value{plat::REG_BINARY, Raw(1.5)}},
        {"Currency", TCurrency{12345}, sim::SimRegistry::Value{plat::REG_BINARY, Raw(std::int64_t{12345})}},
        {"Date", TDateTime{36892.5}, sim::SimRegistry::Value{plat::REG_BINARY, Raw(36892.5)}},
        {"True", true, sim::SimRegistry::Value{plat::REG_DWORD, {1, 0, 0, 0}}},
        {"False", false, sim::SimRegistry::Value{plat::REG_DWORD, {0, 0, 0, 0}}},
        {"String", std::string("1"), sim::SimRegistry::Value{plat::REG_SZ, {'1', 0}}},
        {"Empty", std::string(), sim::SimRegistry::Value{plat::REG_SZ, {0}}},
        {"Small", TSmallInt{5}, std::nullopt},
        {"Nothing", std::monostate{}, std::nullopt},
    };
    helper.Key = "Software\\Kinds";
    for (const auto& c : cases) {
        helper.WriteValue(c.name, c.value);
        EXPECT_EQ(reg.Get(HKCU, "Software\\Kinds", c.name), c.stored) << c.name;
    }
}

TEST_F(RegistryHelperTest, SmallIntegerWritesNoValue) {
    helper.Key = "Control Panel\\Mouse\\";
    win.ClearJournal();
    helper.WriteValue("ActiveWindowTracking", TSmallInt{1});
    EXPECT_EQ(win.Count("RegSetValueEx("), 0u);
    EXPECT_FALSE(reg.Get(HKCU, "Control Panel\\Mouse", "ActiveWindowTracking").has_value());
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST_F(RegistryHelperTest, BinaryIntegerIsFourLittleEndianBytes) {
    struct Case {
        std::int32_t value;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {0, {0, 0, 0, 0}},
        {1, {1, 0, 0, 0}},
        {0x01020304, {4, 3, 2, 1}},
        {-1, {0xFF, 0xFF, 0xFF, 0xFF}},
    };
    helper.Key = "Control Panel\\Mouse\\";
    for (const auto& c : cases) {
        helper.WriteBinaryInteger("ActiveWindowTracking", c.value);
        EXPECT_EQ(reg.Get(HKCU, "Control Panel\\Mouse", "ActiveWindowTracking"),
                  (sim::SimRegistry::Value{plat::REG_BINARY, c.bytes}))
            << c.value;
    }
}

TEST_F(RegistryHelperTest, EmptyKeyDoesNothing) {
    win.ClearJournal();
    helper.WriteValue("Name", std::string("x"));
    helper.WriteBinaryInteger("Name", 1);
    TVariant result = std::string("kept");
    helper.ReadValue("Name", std::string("default"), result);
    EXPECT_EQ(Show(result), Show(TVariant(std::string("kept"))));
    EXPECT_TRUE(win.Journal().empty());
}

TEST_F(RegistryHelperTest, RefusedWriteRaisesAndReleasesTheKey) {
    helper.Key = "Software\\Locked";
    reg.CreateKey(HKCU, "Software\\Locked");
    reg.FailWrites(HKCU, "Software\\Locked");
    EXPECT_THROW(helper.WriteValue("V", std::string("x")), EVelantError);
    EXPECT_THROW(helper.WriteBinaryInteger("V", 0), EVelantError);
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST_F(RegistryHelperTest, KeyThatCannotBeOpenedWritesNothingAndReadsTheDefault) {
    helper.Key = "Software\\Denied";
    reg.DenyAccess(HKCU, "Software\\Denied");
    EXPECT_NO_THROW(helper.WriteValue("V", std::string("x")));
    TVariant result;
    helper.ReadValue("V", std::int32_t{7}, result);
    EXPECT_EQ(Show(result), Show(TVariant(std::int32_t{7})));
}

TEST_F(RegistryHelperTest, RootKeyChoosesTheRoot) {
    helper.RootKey = TRootKey::hkLocalMachine;
    helper.Key = "Software\\Velant";
    helper.WriteValue("V", std::string("m"));
    EXPECT_EQ(reg.GetString(HKLM, "Software\\Velant", "V"), "m");
    EXPECT_FALSE(reg.Get(HKCU, "Software\\Velant", "V").has_value());
}

// ---- reading ----

TEST_F(RegistryHelperTest, ReadGivesTheValueByItsStoredType) {
    const std::string key = "Software\\Read";
    reg.SetString(HKCU, key, "Sz", "text");
    reg.Set(HKCU, key, "Expand", plat::REG_EXPAND_SZ, Sz("%WINDIR%\\x"));
    reg.SetDword(HKCU, key, "Dword", 0x80000001u);
    reg.Set(HKCU, key, "Binary", plat::REG_BINARY, {1, 2, 3, 4, 5});
    reg.Set(HKCU, key, "Multi", plat::REG_MULTI_SZ, {'a', 0, 0});
    struct Case {
        const char* name;
        TVariant expected;
    };
    const std::vector<Case> cases = {
        {"Sz", std::string("text")},          {"Expand", std::string("%WINDIR%\\x")},
        {"Dword", std::int32_t(-2147483647)}, {"Binary", std::int32_t{5}},
        {"Multi", std::string("default")},    {"Missing", std::string("default")},
    };
    helper.Key = key;
    for (const auto& c : cases) {
        TVariant result = std::int32_t{-99};
        helper.ReadValue(c.name, std::string("default"), result);
        EXPECT_EQ(Show(result), Show(c.expected)) << c.name;
    }
}

TEST_F(RegistryHelperTest, MissingValueGivesTheDefaultNotAnEmptyString) {
    helper.RootKey = TRootKey::hkClassesRoot;
    helper.Key = kRecycleBin;
    reg.CreateKey(HKCR, kRecycleBin);
    TVariant result;
    helper.ReadValue("", true, result);
    EXPECT_EQ(Show(result), Show(TVariant(true)));
    helper.Key = "CLSID\\NoSuchKey";
    helper.ReadValue("", true, result);
    EXPECT_EQ(Show(result), Show(TVariant(true)));
    EXPECT_FALSE(reg.HasKey(HKCR, "CLSID\\NoSuchKey")) << "reading creates no key";
}

// ---- the splitter ----

TEST(BreakApart, EmptyPiecesAreKeptOnlyWhenAllowed) {
    struct Case {
        const char* text;
        const char* separator;
        std::vector<std::string> withoutEmpty;
        std::vector<std::string> withEmpty;
    };
    const Case cases[] = {
        {"one\\\\two", "\\", {"one", "two"}, {"one", "", "two"}},
        {"\\a\\", "\\", {"a"}, {"", "a", ""}},
        {"", "\\", {}, {""}},
        {"plain", "\\", {"plain"}, {"plain"}},
        {"a, b, , c", ", ", {"a", "b", "c"}, {"a", "b", "", "c"}},
        {"x--y", "--", {"x", "y"}, {"x", "y"}},
    };
    for (const auto& c : cases) {
        TTextSplitter b("BrkApart");
        b.BreakString = c.separator;
        b.BaseString = c.text;
        b.AllowEmptyString = false;
        b.BreakApart();
        EXPECT_EQ(b.StringList, c.withoutEmpty) << '"' << c.text << '"';
        b.AllowEmptyString = true;
        b.BreakApart();
        EXPECT_EQ(b.StringList, c.withEmpty) << '"' << c.text << '"';
    }
}

// ---- system paths ----

const std::string kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const std::string kCurrentVersion = "Software\\Microsoft\\Windows\\CurrentVersion";

TEST(SystemPath, ReadsTheSystemFoldersAndTheStoredShellFolders) {
    sim::SimWindows win;
    auto& reg = win.Registry();
    reg.SetString(HKCU, kShellFolders, "DeskTop", "C:\\Users\\me\\Desktop\\");
    reg.SetString(HKCU, kShellFolders, "Start Menu", "C:\\Users\\me\\Start Menu");
    reg.SetString(HKCU, kShellFolders, "My Pictures", "C:\\Users\\me\\Pictures");
    reg.SetString(HKCU, kShellFolders, "Local AppData", "C:\\Users\\me\\Local");
    reg.SetString(HKLM, kCurrentVersion, "ProgramFilesPath", "C:\\Program Files");
    reg.SetString(HKLM, kCurrentVersion, "WallPaperDir", "C:\\WINDOWS\\Web\\Wallpaper");
    // Reading the machine's folders needs no administrator rights.
    win.SetStandardUser(true);

    TSystemPath paths("SystemPath1", win.Kernel(), reg);
    EXPECT_EQ(paths.Windows, "C:\\WINDOWS");
    EXPECT_EQ(paths.System, "C:\\WINDOWS\\system32");
    EXPECT_EQ(paths.Temp, "C:\\TEMP\\");
    EXPECT_EQ(paths.DeskTop, "C:\\Users\\me\\Desktop\\") << "read as stored";
    EXPECT_EQ(paths.StartMenu, "C:\\Users\\me\\Start Menu");
    EXPECT_EQ(paths.MyPictures, "C:\\Users\\me\\Pictures");
    EXPECT_EQ(paths.LocalAppData, "C:\\Users\\me\\Local");
    EXPECT_EQ(paths.Favorites, "") << "a missing value is empty";
    EXPECT_EQ(paths.ProgramFiles, "C:\\Program Files");
    EXPECT_EQ(paths.WallPaper, "C:\\WINDOWS\\Web\\Wallpaper");
    EXPECT_EQ(paths.ComponentVersion, "2.00.00.00");
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST(SystemPath, OneValueOfAnotherTypeLeavesOnlyThatPropertyEmpty) {
    sim::SimWindows win;
    auto& reg = win.Registry();
    reg.SetString(HKCU, kShellFolders, "AppData", "C:\\Users\\me\\AppData");
    reg.SetDword(HKCU, kShellFolders, "Cookies", 1);
    reg.SetString(HKCU, kShellFolders, "DeskTop", "C:\\Users\\me\\Desktop");
    reg.SetString(HKCU, kShellFolders, "Content", "C:\\Cache");
    reg.Set(HKLM, kCurrentVersion, "MediaPath", plat::REG_BINARY, {1, 2});
    reg.SetString(HKLM, kCurrentVersion, "SystemRoot", "C:\\WINDOWS");

    TSystemPath paths("SystemPath1", win.Kernel(), reg);
    EXPECT_EQ(paths.Cookies, "");
    EXPECT_EQ(paths.AppData, "C:\\Users\\me\\AppData");
    EXPECT_EQ(paths.DeskTop, "C:\\Users\\me\\Desktop");
    EXPECT_EQ(paths.Content, "C:\\Cache") << "values after the bad one are read too";
    EXPECT_EQ(paths.Media, "");
    EXPECT_EQ(paths.SystemRoot, "C:\\WINDOWS");
    EXPECT_EQ(reg.OpenHandleCount(), 0u);
}

TEST(SystemPath, KeysThatCannotBeOpenedLeaveTheirGroupEmpty) {
    sim::SimWindows win;
    auto& reg = win.Registry();
    reg.SetString(HKCU, kShellFolders, "DeskTop", "C:\\Users\\me\\Desktop");
    reg.SetString(HKLM, kCurrentVersion, "SystemRoot", "C:\\WINDOWS");
    reg.DenyAccess(HKCU, kShellFolders);

    TSystemPath paths("SystemPath1", win.Kernel(), reg);
    EXPECT_EQ(paths.DeskTop, "");
    EXPECT_EQ(paths.SystemRoot, "C:\\WINDOWS");
    EXPECT_EQ(paths.Windows, "C:\\WINDOWS");

    reg.RemoveKey(HKLM, kCurrentVersion);
    reg.DenyAccess(HKCU, kShellFolders, false);
    TSystemPath again("SystemPath1", win.Kernel(), reg);
    EXPECT_EQ(again.DeskTop, "C:\\Users\\me\\Desktop");
    EXPECT_EQ(again.SystemRoot, "");
    EXPECT_FALSE(reg.HasKey(HKLM, kCurrentVersion)) << "looking up creates no key";
}

}  // namespace
