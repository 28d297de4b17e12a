// Pictures that only the system's codecs read (PNG, GIF) become the desktop's
// wallpaper: the bitmap handed to the shell holds their exact pixels, and the
// desktop shows them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "Pictures.h"

#include <shlobj.h>

#include "resource.h"

using namespace e2e;

namespace {

std::uint32_t Le32(const std::vector<std::uint8_t>& d, std::size_t at) {
    return static_cast<std::uint32_t>(d.at(at) | d.at(at + 1) << 8 | d.at(at + 2) << 16 | d.at(at + 3) << 24);
}

// Every pixel of the wallpaper bitmap against the picture, as "" or the first difference.
std::string CompareBitmap(const std::vector<std::uint8_t>& bmp, int width, int height, const Painter& paint) {
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') return "not a bitmap file";
    if (static_cast<int>(Le32(bmp, 18)) != width || static_cast<int>(Le32(bmp, 22)) != height)
        return "size " + std::to_string(Le32(bmp, 18)) + " x " + std::to_string(Le32(bmp, 22));
    if ((bmp[28] | bmp[29] << 8) != 24) return "not 24 bits per pixel";
    const std::size_t offset = Le32(bmp, 10), stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    if (bmp.size() < offset + stride * height) return "truncated";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = bmp.data() + offset + stride * (height - 1 - y) + 3 * x;
            const COLORREF want = paint(x, y);
            if (p[2] != GetRValue(want) || p[1] != GetGValue(want) || p[0] != GetBValue(want))
                return "pixel (" + std::to_string(x) + "," + std::to_string(y) + ")";
        }
    return "";
}

// The desktop shows the picture's four quadrants around the screen's centre:
// stretched over the screen, or at its own size in the middle where the
// shell (Wine's) draws every wallpaper centred.
bool DesktopShows(int width, int height, const Painter& paint) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    const int dx = std::min(w, width) / 4, dy = std::min(h, height) / 4;
    return WaitFor(
        [&] {
            return Near(ScreenPixel(w / 2 - dx, h / 2 - dy), paint(0, 0)) &&
                   Near(ScreenPixel(w / 2 + dx, h / 2 - dy), paint(width - 1, 0)) &&
                   Near(ScreenPixel(w / 2 - dx, h / 2 + dy), paint(0, height - 1)) &&
                   Near(ScreenPixel(w / 2 + dx, h / 2 + dy), paint(width - 1, height - 1));
        },
        5000);
}

// The program's message box on show, whoever owns it, or null.
HWND ErrorBox(App& app) {
    struct Find {
        DWORD pid;
        HWND found;
    } find{0, nullptr};
    GetWindowThreadProcessId(app.MainWindow(), &find.pid);
    EnumWindows(
        [](HWND wnd, LPARAM lParam) -> BOOL {
            auto* f = reinterpret_cast<Find*>(lParam);
            DWORD pid = 0;
            GetWindowThreadProcessId(wnd, &pid);
            char cls[16] = {};
            GetClassNameA(wnd, cls, sizeof cls);
            if (pid != f->pid || std::string(cls) != "#32770" || !IsWindowVisible(wnd) ||
                !GetDlgItem(wnd, 0xFFFF))
                return TRUE;
            f->found = wnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&find));
    return find.found;
}

// The text of the message box the program shows, once it is up; the box is closed.
std::string TakeErrorBox(App& app) {
    HWND box = nullptr;
    if (!WaitFor([&] { return (box = ErrorBox(app)) != nullptr; }, 5000)) return "(no error box)";
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); }, 5000);
    return text;
}

// An error box left open would hold the program's window and its closing.
void DismissErrorBox(App& app) {
    if (ErrorBox(app)) ADD_FAILURE() << "an error was reported: " << TakeErrorBox(app);
}

// A user's click on a list entry, posted: an error box would hold a sent message.
void SelectEntry(App& app, int index) {
    HWND list = app.Control(IDC_WALLLIST);
    SendMessageA(list, LB_SETCURSEL, index, 0);
    PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_WALLLIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

}  // namespace

TEST(FormatsE2e, PngAndGifBecomeTheWallpaperWithTheirOwnPixelsAndAnUnreadableFileChangesNothing) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    DeleteFileA(WallpaperBitmap().c_str());
    // Odd sizes, so every row of the bitmap carries padding; the GIF mirrored,
    // so the change shows at each corner.
    const int pw = 301, ph = 201, gw = 63, gh = 47;
    const Painter png = Quadrants(pw, ph, false), gif = Quadrants(gw, gh, true);
    const std::string pngPath = WriteTempFile("velant-e2e-quadrants.png", EncodePng(pw, ph, png));
    const std::string gifPath = WriteTempFile("velant-e2e-quadrants.GIF", EncodeGif(gw, gh, gif));
    const std::string listKey = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";
    const std::string brokenPath =
        WriteTempFile("velant-e2e-broken.png", {'n', 'o', 't', ' ', 'a', ' ', 'P', 'N', 'G'});
    WriteString(HKEY_CURRENT_USER, listKey, "Count", "3");
    WriteString(HKEY_CURRENT_USER, listKey, "Item0", pngPath);
    WriteString(HKEY_CURRENT_USER, listKey, "Item1", gifPath);
    WriteString(HKEY_CURRENT_USER, listKey, "Item2", brokenPath);
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckWallStartup_Checked", "True");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckStretch_Checked", "True");
    // Pictures other than bitmaps and JPEG are read only with this switch on.
    WriteString(HKEY_CURRENT_USER, "Software\\Corvane\\Velant! Pro 2001\\More", "ckAllPictures", "true");

    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(
        WaitFor([] { return GetFileAttributesA(WallpaperBitmap().c_str()) != INVALID_FILE_ATTRIBUTES; }));
    EXPECT_TRUE(WaitFor([] { return _stricmp(SystemWallpaper().c_str(), WallpaperBitmap().c_str()) == 0; }))
        << SystemWallpaper();
    EXPECT_EQ(CompareBitmap(ReadFileBytes(WallpaperBitmap()), pw, ph, png), "");
    EXPECT_TRUE(DesktopShows(pw, ph, png));
    Screenshot(nullptr, "formats-png-startup");
    DismissErrorBox(app);

    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(1);
    HWND list = app.Control(IDC_WALLLIST);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 3);

    // The preview shows the PNG, stretched to its box as "Stretch" is checked.
    SelectEntry(app, 0);
    HWND preview = app.Control(IDC_WIMG);
    Shot shot;
    EXPECT_TRUE(WaitFor(
        [&] {
            shot = Capture(preview);
            const int w = shot.width, h = shot.height;
            return Near(shot.Pixel(w / 4, h / 4), png(0, 0)) &&
                   Near(shot.Pixel(3 * w / 4, h / 4), png(pw - 1, 0)) &&
                   Near(shot.Pixel(w / 4, 3 * h / 4), png(0, ph - 1)) &&
                   Near(shot.Pixel(3 * w / 4, 3 * h / 4), png(pw - 1, ph - 1));
        },
        5000))
        << std::hex << shot.Pixel(shot.width / 4, shot.height / 4);
    Screenshot(app.MainWindow(), "formats-png-preview");

    SelectEntry(app, 1);
    PostMessageA(app.Control(IDC_BTNAPPLYWALL), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([&] { return CompareBitmap(ReadFileBytes(WallpaperBitmap()), gw, gh, gif).empty(); }, 5000))
        << CompareBitmap(ReadFileBytes(WallpaperBitmap()), gw, gh, gif);
    DismissErrorBox(app);

    // A file no decoder reads: selecting and applying it say so, and the wallpaper stays.
    const std::string error = "Cannot decode picture \"" + brokenPath + "\".";
    SelectEntry(app, 2);
    std::string shown = TakeErrorBox(app);
    EXPECT_EQ(shown.rfind(error, 0), 0u) << "on selection: " << shown;
    PostMessageA(app.Control(IDC_BTNAPPLYWALL), BM_CLICK, 0, 0);
    shown = TakeErrorBox(app);
    EXPECT_EQ(shown.rfind(error, 0), 0u) << "on apply: " << shown;
    EXPECT_EQ(CompareBitmap(ReadFileBytes(WallpaperBitmap()), gw, gh, gif), "");
    EXPECT_EQ(_stricmp(SystemWallpaper().c_str(), WallpaperBitmap().c_str()), 0) << SystemWallpaper();

    // The configuration window stands over the middle of the desktop.
    ShowWindow(app.MainWindow(), SW_HIDE);
    EXPECT_TRUE(DesktopShows(gw, gh, gif));
    Screenshot(nullptr, "formats-gif-apply");
    DismissErrorBox(app);
    ASSERT_TRUE(app.Close());
    DeleteFileA(pngPath.c_str());
    DeleteFileA(gifPath.c_str());
    DeleteFileA(brokenPath.c_str());
}
