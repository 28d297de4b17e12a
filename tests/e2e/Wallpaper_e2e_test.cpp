// The rotating wallpaper for real: pictures in the list become the desktop's
// wallpaper at start-up and on "Apply", and the shell draws them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "E2eSupport.h"
#include "resource.h"
#include "../wallpaper/JpegEncoder.h"

using namespace e2e;

namespace {

std::string WriteSolidJpeg(const std::string& name, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string path = std::string(temp) + name;
    wptest::JpegOptions options;
    // As large as the test desktop, so the picture covers it however the shell lays it out.
    options.width = 1024;
    options.height = 768;
    auto data = wptest::EncodeJpeg(options, [&](int, int, int c) { return c == 0 ? r : c == 1 ? g : b; });
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()), data.size());
    return path;
}

std::string WallpaperBitmap() {
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\Velant! Pro 2001 wallpaper.bmp";
}

std::string SystemWallpaper() {
    char path[MAX_PATH] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, path, 0);
    return path;
}

bool Near(COLORREF c, int r, int g, int b) {
    return std::abs(GetRValue(c) - r) < 40 && std::abs(GetGValue(c) - g) < 40 && std::abs(GetBValue(c) - b) < 40;
}

}  // namespace

TEST(WallpaperE2e, StartupAppliesTheFirstPictureAndApplyTheOther) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    DeleteFileA(WallpaperBitmap().c_str());
    const std::string red = WriteSolidJpeg("velant-e2e-red.jpg", 220, 20, 20);
    const std::string blue = WriteSolidJpeg("velant-e2e-blue.JPG", 20, 20, 220);
    const std::string listKey = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";
    WriteString(HKEY_CURRENT_USER, listKey, "Count", "2");
    WriteString(HKEY_CURRENT_USER, listKey, "Item0", red);
    WriteString(HKEY_CURRENT_USER, listKey, "Item1", blue);
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckWallStartup_Checked", "True");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckStretch_Checked", "True");

    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(WaitFor([] { return GetFileAttributesA(WallpaperBitmap().c_str()) != INVALID_FILE_ATTRIBUTES; }));
    EXPECT_TRUE(WaitFor([] { return _stricmp(SystemWallpaper().c_str(), WallpaperBitmap().c_str()) == 0; }))
        << SystemWallpaper();
    auto style = ReadValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "WallpaperStyle");
    ASSERT_TRUE(style);
    EXPECT_EQ(style->bytes, SzBytes("2"));
    EXPECT_TRUE(WaitFor([] { return Near(ScreenPixel(8, 8), 220, 20, 20); }, 5000))
        << std::hex << ScreenPixel(8, 8);
    Screenshot(nullptr, "wallpaper-startup");

    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(1);
    HWND list = app.Control(IDC_WALLLIST);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_WALLLIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    SendMessageA(app.Control(IDC_BTNAPPLYWALL), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([] { return Near(ScreenPixel(8, 8), 20, 20, 220); }, 5000))
        << std::hex << ScreenPixel(8, 8);
    Screenshot(nullptr, "wallpaper-apply");
    ASSERT_TRUE(app.Close());
}
