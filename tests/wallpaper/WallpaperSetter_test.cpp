#include "wallpaper/WallpaperSetter.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/error.h"
#include "platform/sim/SimWindows.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
const std::string kDesktop = "Control Panel\\desktop";

std::string SetWallpaper(const std::string& path) {
    return "SystemParametersInfo(20, 0, \"" + path + "\", 3)";
}

class WallpaperSetterTest : public ::testing::Test {
protected:
    void File(const std::string& path) { win.Kernel().WriteText(path, "BM"); }
    std::vector<std::string> Sets() { return win.CallJournal().Matching("SystemParametersInfo(20,"); }

    sim::SimWindows win;
    TWallpaperSetter wp{"Wallpaper1", win.Kernel(), win.Registry(), win.User()};
};

TEST_F(WallpaperSetterTest, StartsWithTheWindowsFolderAndNoFile) {
    EXPECT_EQ(wp.FileDir(), "C:\\WINDOWS");
    EXPECT_EQ(wp.FileName(), "");
}

TEST_F(WallpaperSetterTest, FileNameTakesOnlyAnExistingBitmapFile) {
    File("C:\\pics\\a.bmp");
    File("C:\\pics\\b.BMP");
    File("C:\\pics\\c.Bmp");
    File("C:\\pics\\d.jpg");
    File("C:\\pics\\e.bmp.txt");
    win.Kernel().MakeDirectory("C:\\pics\\folder.bmp");
    struct Case {
        const char* path;
        bool taken;
    };
    const Case cases[] = {
        {"C:\\pics\\a.bmp", true},      {"C:\\pics\\b.BMP", true},        {"C:\\pics\\c.Bmp", true},
        {"C:\\pics\\d.jpg", false},     {"C:\\pics\\missing.bmp", false}, {"", false},
        {"C:\\pics\\e.bmp.txt", false}, {"C:\\pics\\folder.bmp", false},  {"C:\\pics\\a", false},
    };
    for (const auto& c : cases) {
        wp.SetFileName("C:\\pics\\a.bmp");
        wp.SetFileName("C:\\pics\\c.Bmp");  // a known previous value
        wp.SetFileName(c.path);
        EXPECT_EQ(wp.FileName(), c.taken ? std::string(c.path) : "C:\\pics\\c.Bmp") << c.path;
    }
}

TEST_F(WallpaperSetterTest, FileNameCannotBeClearedAndTheNextApplyShowsThePreviousFile) {
    File("C:\\pics\\a.bmp");
    wp.SetFileName("C:\\pics\\a.bmp");
    wp.SetFileName("");
    win.Kernel().DeleteFile("C:\\pics\\a.bmp");
    wp.SetFileName("C:\\pics\\a.bmp");  // no longer exists
    EXPECT_EQ(wp.FileName(), "C:\\pics\\a.bmp");
    win.ClearJournal();
    wp.ApplyWallpaper();
    EXPECT_EQ(Sets(), (std::vector<std::string>{SetWallpaper("C:\\pics\\a.bmp")}));
    EXPECT_EQ(win.User().Wallpaper(), "C:\\pics\\a.bmp");
    EXPECT_EQ(win.Registry().GetString(HKCU, "Control Panel\\Desktop", "Wallpaper"), "C:\\pics\\a.bmp");
}

TEST_F(WallpaperSetterTest, SettingFileNameAppliesNothing) {
    File("C:\\pics\\a.bmp");
    win.ClearJournal();
    wp.SetFileName("C:\\pics\\a.bmp");
    EXPECT_TRUE(Sets().empty());
}

TEST_F(WallpaperSetterTest, FileDirTakesOnlyAFolderHoldingABitmap) {
    File("C:\\walls\\one.BMP");
    File("C:\\jpegs\\one.jpg");
    win.Kernel().MakeDirectory("C:\\empty");
    struct Case {
        const char* dir;
        const char* result;
    };
    const Case cases[] = {
        {"C:\\walls", "C:\\walls"},   {"C:\\jpegs", "C:\\walls"}, {"C:\\empty", "C:\\walls"},
        {"C:\\missing", "C:\\walls"}, {"", "C:\\walls"},
    };
    for (const auto& c : cases) {
        wp.SetFileDir(c.dir);
        EXPECT_EQ(wp.FileDir(), c.result) << c.dir;
    }
}

TEST_F(WallpaperSetterTest, WithoutFileNameABitmapOfTheFolderIsApplied) {
    File("C:\\walls\\only.bmp");
    wp.SetFileDir("C:\\walls");
    for (std::uint32_t tick : {0u, 1u, 12345u, 0xFFFFFFFFu}) {
        win.Clock().SetTickCount(tick);
        win.ClearJournal();
        wp.ApplyWallpaper();
        EXPECT_EQ(Sets(), (std::vector<std::string>{SetWallpaper("C:\\walls\\only.bmp")})) << tick;
    }
}

TEST_F(WallpaperSetterTest, RandomFallbackCanChooseEveryBitmapTheLastOneIncluded) {
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) File(std::string("C:\\walls\\") + name);
    File("C:\\walls\\d.jpg");
    wp.SetFileDir("C:\\walls");
    std::set<std::string> chosen;
    for (std::uint32_t i = 0; i < 60; ++i) {
        win.Clock().SetTickCount(500 + i * 7919);
        win.ClearJournal();
        wp.ApplyWallpaper();
        ASSERT_EQ(Sets().size(), 1u);
        chosen.insert(win.User().Wallpaper());
    }
    EXPECT_EQ(chosen, (std::set<std::string>{"C:\\walls\\a.bmp", "C:\\walls\\b.bmp", "C:\\walls\\c.bmp"}));
}

TEST_F(WallpaperSetterTest, FolderWithoutBitmapsAppliesNothing) {
    // The default folder, the Windows folder, holds no bitmap in a fresh simulation.
    wp.ApplyWallpaper();
    EXPECT_TRUE(Sets().empty());
}

TEST_F(WallpaperSetterTest, StretchAndTileStoreTheirTextAndEachAppliesOnce) {
    File("C:\\pics\\a.bmp");
    wp.SetFileName("C:\\pics\\a.bmp");
    struct Case {
        bool stretch, tile;
        const char* style;
        const char* tileText;
    };
    const Case cases[] = {
        {true, false, "2", "0"},
        {false, true, "0", "1"},
        {false, false, "0", "0"},
    };
    for (const auto& c : cases) {
        win.ClearJournal();
        wp.SetStretch(c.stretch);
        wp.SetTile(c.tile);
        EXPECT_EQ(win.Registry().Get(HKCU, kDesktop, "WallpaperStyle"),
                  (sim::SimRegistry::Value{plat::REG_SZ, {static_cast<std::uint8_t>(c.style[0]), 0}}));
        EXPECT_EQ(win.Registry().Get(HKCU, kDesktop, "TileWallpaper"),
                  (sim::SimRegistry::Value{plat::REG_SZ, {static_cast<std::uint8_t>(c.tileText[0]), 0}}));
        EXPECT_EQ(Sets(), (std::vector<std::string>{SetWallpaper("C:\\pics\\a.bmp"),
                                                    SetWallpaper("C:\\pics\\a.bmp")}));
        EXPECT_EQ(wp.Stretch(), c.stretch);
        EXPECT_EQ(wp.Tile(), c.tile);
        // The first apply already sees the new style, the tile value follows.
        const auto all = win.Journal();
        std::vector<std::string> order;
        for (const auto& e : all)
            if (e.find("\"WallpaperStyle\"") != std::string::npos)
                order.push_back("style");
            else if (e.find("\"TileWallpaper\"") != std::string::npos)
                order.push_back("tile");
            else if (e.rfind("SystemParametersInfo(20,", 0) == 0)
                order.push_back("apply");
        EXPECT_EQ(order, (std::vector<std::string>{"style", "apply", "tile", "apply"}));
    }
}

TEST_F(WallpaperSetterTest, GettersReadTheShellsValues) {
    auto& reg = win.Registry();
    struct Case {
        const char* style;
        bool stretch;
    };
    for (const Case c :
         {Case{"2", true}, Case{"0", false}, Case{"1", false}, Case{"abc", false}, Case{" 2", true}}) {
        reg.SetString(HKCU, kDesktop, "WallpaperStyle", c.style);
        EXPECT_EQ(wp.Stretch(), c.stretch) << c.style;
    }
    reg.RemoveKey(HKCU, kDesktop);
    EXPECT_FALSE(wp.Stretch());
    EXPECT_THROW(wp.Tile(), EVelantError) << "a missing tile value is a conversion error";
    reg.SetString(HKCU, kDesktop, "TileWallpaper", "x");
    EXPECT_THROW(wp.Tile(), EVelantError);
}

TEST_F(WallpaperSetterTest, RefusedStyleWriteRaisesAndAppliesNothing) {
    File("C:\\pics\\a.bmp");
    wp.SetFileName("C:\\pics\\a.bmp");
    win.Registry().FailWrites(HKCU, kDesktop);
    win.ClearJournal();
    EXPECT_THROW(wp.SetStretch(true), EVelantError);
    EXPECT_THROW(wp.SetTile(false), EVelantError);
    EXPECT_TRUE(Sets().empty());
    EXPECT_EQ(win.Registry().OpenHandleCount(), 0u);
}

}  // namespace
