// The "More" page for real: its switches write their own key at once, Fill and
// Fit store the shell's own style values and the desktop shows the picture, and
// the shuffled order goes on over restarts of the program.
#include <gtest/gtest.h>

#include <set>

#include "../wallpaper/JpegEncoder.h"
#include "E2eSupport.h"
#include "Pictures.h"

#include <shlobj.h>

#include "resource.h"

using namespace e2e;

namespace {

constexpr const char* kMoreKey = "Software\\Corvane\\Velant! Pro 2001\\More";
constexpr const char* kListKey = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";

// A 24-bit bitmap file in the temporary folder.
std::string WriteBitmap(const std::string& name, int width, int height, const Painter& paint) {
    return WriteTempFile(name, EncodeBitmap(width, height, paint));
}

// The colour of the wallpaper bitmap's first pixel, as the program wrote it.
COLORREF WallpaperColour() {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(WallpaperBitmap());
    if (bytes.size() < 57) return CLR_INVALID;
    return RGB(bytes[56], bytes[55], bytes[54]);
}

}  // namespace

TEST(MoreE2e, ThePageShowsItsSwitchesAndEachWritesItsOwnKeyAtOnce) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(4);
    EXPECT_EQ(app.Text(IDC_CKALLPICTURES), "All picture types");
    EXPECT_EQ(app.Text(IDC_GROUPLAYOUT_1), "Fill");
    EXPECT_EQ(app.Text(IDC_GROUPLAYOUT_2), "Fit");
    EXPECT_EQ(app.Text(IDC_CKSHUFFLE), "Shuffle without repeats");
    EXPECT_EQ(SendMessageA(app.Control(IDC_GROUPLAYOUT_0), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kMoreKey)) << "showing the page writes nothing";
    Screenshot(app.MainWindow(), "page-more");

    SendMessageA(app.Control(IDC_CKPAUSEBATTERY), BM_CLICK, 0, 0);
    SendMessageA(app.Control(IDC_GROUPLAYOUT_2), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([] { return !ValueBytes(HKEY_CURRENT_USER, kMoreKey, "GroupLayout").empty(); }));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kMoreKey, "ckPauseBattery"), SzBytes("true", 2));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kMoreKey, "GroupLayout"), SzBytes("2", 2));
    app.SelectPage(1);
    EXPECT_FALSE(IsWindowEnabled(app.Control(IDC_CKSTRETCH))) << "the layout is chosen on the other page";
    ASSERT_TRUE(app.Close());
    EXPECT_TRUE(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "GroupLayout_ItemIndex").empty());
}

// A picture of four coloured quadrants, twice as wide as high, so that Fill
// crops it at the sides and Fit leaves bands above and below on a 4:3 screen.
TEST(MoreE2e, FillAndFitStoreTheShellsStylesAndTheDesktopShowsThePicture) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    const int w = 512, h = 256;
    const std::string picture = WriteBitmap("velant-e2e-quadrants.bmp", w, h, Quadrants(w, h));
    const std::string other =
        WriteBitmap("velant-e2e-grey.bmp", 8, 8, [](int, int) { return RGB(90, 90, 90); });
    struct Case {
        const char* name;
        const char* index;
        const char* style;
    };
    for (const Case c : {Case{"fill", "1", "10"}, Case{"fit", "2", "6"}}) {
        SCOPED_TRACE(c.name);
        DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        WriteString(HKEY_CURRENT_USER, kListKey, "Count", "2");
        WriteString(HKEY_CURRENT_USER, kListKey, "Item0", picture);
        WriteString(HKEY_CURRENT_USER, kListKey, "Item1", other);
        WriteString(HKEY_CURRENT_USER, kSectionKey, "ckWallStartup_Checked", "True");
        WriteString(HKEY_CURRENT_USER, kSectionKey, "ckTile_Checked", "True");
        WriteString(HKEY_CURRENT_USER, kMoreKey, "GroupLayout", c.index);
        App app;
        ASSERT_TRUE(app.Start());
        EXPECT_TRUE(WaitFor([&] {
            return ValueBytes(HKEY_CURRENT_USER, "Control Panel\\Desktop", "WallpaperStyle") ==
                   SzBytes(c.style);
        }));
        EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, "Control Panel\\Desktop", "TileWallpaper"), SzBytes("0"))
            << "Tile is checked, yet the scaled layout is not tiled";

        // Every layout that keeps the picture's proportions puts its middle in the
        // middle of the screen: just around it lie the four quadrants.
        const int cx = sw / 2, cy = sh / 2;
        const POINT around[4] = {
            {cx - 20, cy - 20}, {cx + 20, cy - 20}, {cx - 20, cy + 20}, {cx + 20, cy + 20}};
        const bool shown = WaitFor(
            [&] {
                for (int q = 0; q < 4; ++q)
                    if (!Near(ScreenPixel(around[q].x, around[q].y), kQuadrants[q])) return false;
                return true;
            },
            5000);
        EXPECT_TRUE(shown) << Hex(ScreenPixel(around[0].x, around[0].y));
        Screenshot(nullptr, std::string("wallpaper-") + c.name);

        // The corners tell the layouts apart: Fill covers them with the picture's
        // corners, Fit and a centred picture leave the desktop's colour there.
        // Of the work area: the taskbar covers the screen's lower corners.
        RECT work{0, 0, sw, sh};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        const POINT corners[4] = {{work.left + 4, work.top + 4},
                                  {work.right - 5, work.top + 4},
                                  {work.left + 4, work.bottom - 5},
                                  {work.right - 5, work.bottom - 5}};
        int pictureCorners = 0;
        for (int q = 0; q < 4; ++q)
            pictureCorners += Near(ScreenPixel(corners[q].x, corners[q].y), kQuadrants[q]);
        const bool fill = std::string(c.name) == "fill";
        if (fill && pictureCorners == 0) {
            // This desktop does not scale (Wine's draws every style but tiled centred).
            const POINT inside = {cx - w / 2 + 4, cy - h / 2 + 4};
            EXPECT_TRUE(Near(ScreenPixel(inside.x, inside.y), kQuadrants[0]))
                << "centred at its own size: " << Hex(ScreenPixel(inside.x, inside.y));
            std::printf("fill: the desktop draws the picture centred at its own size, not scaled\n");
        } else {
            EXPECT_EQ(pictureCorners, fill ? 4 : 0) << Hex(ScreenPixel(corners[0].x, corners[0].y)) << " "
                                                    << Hex(ScreenPixel(corners[3].x, corners[3].y));
        }
        ASSERT_TRUE(app.Close());
    }
}

// A photo twice the screen's size each way: Fill writes it at half its size, the
// screen's exactly, and covers the desktop to its corners; the page's own Stretch
// still writes it at its full size (Wine's desktop draws that one unscaled).
TEST(MoreE2e, FillWritesALargePhotoAtTheScreensSizeAndStillCoversIt) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    wptest::JpegOptions options;
    options.width = 2 * sw;
    options.height = 2 * sh;
    options.fullChroma = true;
    const Painter paint = Quadrants(options.width, options.height);
    const std::string photo =
        WriteTempFile("velant-e2e-photo.jpg", wptest::EncodeJpeg(options, [&](int x, int y, int c) {
                          const COLORREF colour = paint(x, y);
                          return c == 0 ? GetRValue(colour) : c == 1 ? GetGValue(colour) : GetBValue(colour);
                      }));
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(scale == 1 ? "fill" : "stretch");
        DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        DeleteFileA(WallpaperBitmap().c_str());
        WriteString(HKEY_CURRENT_USER, kListKey, "Count", "1");
        WriteString(HKEY_CURRENT_USER, kListKey, "Item0", photo);
        WriteString(HKEY_CURRENT_USER, kSectionKey, "ckWallStartup_Checked", "True");
        WriteString(HKEY_CURRENT_USER, kSectionKey, "ckStretch_Checked", "True");
        WriteString(HKEY_CURRENT_USER, kMoreKey, "GroupLayout", scale == 1 ? "1" : "0");
        App app;
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(
            WaitFor([] { return GetFileAttributesA(WallpaperBitmap().c_str()) != INVALID_FILE_ATTRIBUTES; }));
        const std::vector<std::uint8_t> bmp = ReadFileBytes(WallpaperBitmap());
        ASSERT_GE(bmp.size(), 54u);
        EXPECT_EQ(*reinterpret_cast<const LONG*>(&bmp[18]), scale * sw);
        EXPECT_EQ(*reinterpret_cast<const LONG*>(&bmp[22]), scale * sh);

        if (scale != 1) {
            ASSERT_TRUE(app.Close());
            continue;
        }
        RECT work{0, 0, sw, sh};
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
        const POINT corners[4] = {{work.left + 4, work.top + 4},
                                  {work.right - 5, work.top + 4},
                                  {work.left + 4, work.bottom - 5},
                                  {work.right - 5, work.bottom - 5}};
        EXPECT_TRUE(WaitFor(
            [&] {
                for (int q = 0; q < 4; ++q)
                    if (!Near(ScreenPixel(corners[q].x, corners[q].y), kQuadrants[q])) return false;
                return true;
            },
            5000))
            << Hex(ScreenPixel(corners[0].x, corners[0].y)) << " "
            << Hex(ScreenPixel(corners[3].x, corners[3].y));
        ASSERT_TRUE(app.Close());
    }
}

TEST(MoreE2e, TheShuffledOrderGoesOnOverRestarts) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    const COLORREF colours[4] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200), RGB(200, 200, 0)};
    WriteString(HKEY_CURRENT_USER, kListKey, "Count", "4");
    for (int i = 0; i < 4; ++i) {
        const std::string path = WriteBitmap("velant-e2e-shuffle" + std::to_string(i) + ".bmp", 16, 16,
                                             [&](int, int) { return colours[i]; });
        WriteString(HKEY_CURRENT_USER, kListKey, "Item" + std::to_string(i), path);
    }
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckWallStartup_Checked", "True");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckWallRandom_Checked", "True");
    WriteString(HKEY_CURRENT_USER, kMoreKey, "ckShuffle", "true");

    // Each start changes the wallpaper once: five starts are a round and the
    // first of the next.
    std::vector<int> shown;
    for (int start = 0; start < 5; ++start) {
        DeleteFileA(WallpaperBitmap().c_str());
        App app;
        ASSERT_TRUE(app.Start());
        ASSERT_TRUE(WaitFor([] { return WallpaperColour() != CLR_INVALID; })) << "start " << start;
        ASSERT_TRUE(app.Close());
        int index = -1;
        for (int i = 0; i < 4; ++i)
            if (WallpaperColour() == colours[i]) index = i;
        ASSERT_NE(index, -1) << Hex(WallpaperColour());
        shown.push_back(index);
    }
    EXPECT_EQ(std::set<int>(shown.begin(), shown.begin() + 4).size(), 4u) << "every picture once a round";
    EXPECT_NE(shown[4], shown[3]) << "the next round does not open with the last picture";
    std::printf("shuffled over restarts: %d %d %d %d | %d\n", shown[0], shown[1], shown[2], shown[3],
                shown[4]);
}
