// The wallpaper page for real: pictures in the list become the desktop's
// wallpaper at start-up and on "Apply" and the shell draws them; the preview
// shows the selected picture; "Browse" scans a folder while the window answers.
#include <gtest/gtest.h>

#include <algorithm>

#include "E2eSupport.h"
#include "Pictures.h"

#include <commctrl.h>
#include <shlobj.h>

#include "resource.h"
#include "../wallpaper/JpegEncoder.h"

using namespace e2e;

namespace {

std::string WriteSolidJpeg(const std::string& name, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    wptest::JpegOptions options;
    // As large as the test desktop, so the picture covers it however the shell lays it out.
    options.width = 1024;
    options.height = 768;
    return WriteTempFile(name, wptest::EncodeJpeg(options, [&](int, int, int c) {
                             return c == 0 ? r : c == 1 ? g : b;
                         }));
}

std::string WriteQuadrantJpeg(const std::string& name, int width, int height) {
    wptest::JpegOptions options;
    options.width = width;
    options.height = height;
    options.fullChroma = true;
    const Painter paint = Quadrants(width, height);
    return WriteTempFile(
        name, wptest::EncodeJpeg(options, [&](int x, int y, int c) {
            const COLORREF colour = paint(x, y);
            return c == 0 ? GetRValue(colour) : c == 1 ? GetGValue(colour) : GetBValue(colour);
        }));
}

// Clicks a list entry the way the list box reports a user's click.
void SelectEntry(App& app, int index) {
    HWND list = app.Control(IDC_WALLLIST);
    SendMessageA(list, LB_SETCURSEL, index, 0);
    SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_WALLLIST, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(list));
}

// Pixels of the preview, from a screenshot of the preview control; positions
// from its top left.
struct Probe {
    int x, y;
};
bool PreviewShows(App& app, std::initializer_list<std::pair<Probe, COLORREF>> want, Shot* last = nullptr) {
    HWND preview = app.Control(IDC_WIMG);
    return WaitFor(
        [&] {
            Shot shot = Capture(preview);
            bool all = true;
            for (const auto& [at, color] : want) all = all && Near(shot.Pixel(at.x, at.y), color);
            if (last) *last = std::move(shot);
            return all;
        },
        5000);
}

std::string Describe(const Shot& shot, std::initializer_list<Probe> probes) {
    std::string text;
    for (const Probe& p : probes)
        text +=
            "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")=" + Hex(shot.Pixel(p.x, p.y)) + " ";
    return text;
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
    ASSERT_TRUE(
        WaitFor([] { return GetFileAttributesA(WallpaperBitmap().c_str()) != INVALID_FILE_ATTRIBUTES; }));
    EXPECT_TRUE(WaitFor([] { return _stricmp(SystemWallpaper().c_str(), WallpaperBitmap().c_str()) == 0; }))
        << SystemWallpaper();
    auto style = ReadValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "WallpaperStyle");
    ASSERT_TRUE(style);
    EXPECT_EQ(style->bytes, SzBytes("2"));
    EXPECT_TRUE(WaitFor([] { return Near(ScreenPixel(8, 8), RGB(220, 20, 20)); }, 5000))
        << std::hex << ScreenPixel(8, 8);
    Screenshot(nullptr, "wallpaper-startup");

    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(1);
    ASSERT_EQ(SendMessageA(app.Control(IDC_WALLLIST), LB_GETCOUNT, 0, 0), 2);
    SelectEntry(app, 1);
    SendMessageA(app.Control(IDC_BTNAPPLYWALL), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitFor([] { return Near(ScreenPixel(8, 8), RGB(20, 20, 220)); }, 5000))
        << std::hex << ScreenPixel(8, 8);
    Screenshot(nullptr, "wallpaper-apply");
    ASSERT_TRUE(app.Close());
}

TEST(WallpaperE2e, SelectingAJpegShowsItInThePreviewAtItsSizeOrStretched) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    // Smaller than the 230 x 170 box, so the unstretched picture leaves background.
    const std::string picture = WriteQuadrantJpeg("velant-e2e-quadrants.jpg", 160, 120);
    const std::string listKey = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";
    WriteString(HKEY_CURRENT_USER, listKey, "Count", "1");
    WriteString(HKEY_CURRENT_USER, listKey, "Item0", picture);

    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(1);
    HWND preview = app.Control(IDC_WIMG);
    ASSERT_TRUE(preview);
    RECT box;
    GetClientRect(preview, &box);
    const int dpi = static_cast<int>(GetDpiForWindow(preview));
    EXPECT_EQ(box.right, MulDiv(230, dpi, 96)) << "the preview box is 230 x 170 at 96 dpi";
    EXPECT_EQ(box.bottom, MulDiv(170, dpi, 96));
    const COLORREF background = GetSysColor(COLOR_BTNFACE);
    const std::initializer_list<Probe> probes = {{40, 30},  {120, 30},  {40, 90},  {120, 90},
                                                 {200, 30}, {40, 150},  {57, 42},  {172, 42},
                                                 {57, 127}, {172, 127}, {200, 160}};
    Shot shot;
    EXPECT_TRUE(PreviewShows(app, {{{40, 30}, background}, {{200, 160}, background}}, &shot))
        << "an empty preview is plain background: " << Describe(shot, probes);

    SelectEntry(app, 0);
    // At its own size from the top left: each quadrant where it belongs, the
    // background right of and below the picture.
    EXPECT_TRUE(PreviewShows(app,
                             {{{40, 30}, kQuadrants[kTopLeft]},
                              {{120, 30}, kQuadrants[kTopRight]},
                              {{40, 90}, kQuadrants[kBottomLeft]},
                              {{120, 90}, kQuadrants[kBottomRight]},
                              {{200, 30}, background},
                              {{40, 150}, background}},
                             &shot))
        << Describe(shot, probes);
    Screenshot(app.MainWindow(), "wallpaper-preview");

    // "Stretch" scales it to the whole box, proportions aside.
    SendMessageA(app.Control(IDC_CKSTRETCH), BM_CLICK, 0, 0);
    EXPECT_TRUE(app.Checked(IDC_CKSTRETCH));
    EXPECT_TRUE(PreviewShows(app,
                             {{{57, 42}, kQuadrants[kTopLeft]},
                              {{172, 42}, kQuadrants[kTopRight]},
                              {{57, 127}, kQuadrants[kBottomLeft]},
                              {{172, 127}, kQuadrants[kBottomRight]},
                              {{200, 30}, kQuadrants[kTopRight]},
                              {{40, 150}, kQuadrants[kBottomLeft]}},
                             &shot))
        << Describe(shot, probes);
    Screenshot(app.MainWindow(), "wallpaper-preview-stretched");

    // "Flip" mirrors left and right, and the preview follows at once.
    SendMessageA(app.Control(IDC_FLIPBUTTON), BM_CLICK, 0, 0);
    EXPECT_TRUE(PreviewShows(app,
                             {{{57, 42}, kQuadrants[kTopRight]},
                              {{172, 42}, kQuadrants[kTopLeft]},
                              {{57, 127}, kQuadrants[kBottomRight]},
                              {{172, 127}, kQuadrants[kBottomLeft]}},
                             &shot))
        << Describe(shot, probes);

    // "Delete" removes the entry and empties the preview.
    SendMessageA(app.Control(IDC_DELETEBUTTON), BM_CLICK, 0, 0);
    EXPECT_TRUE(PreviewShows(app, {{{57, 42}, background}, {{172, 127}, background}}, &shot))
        << Describe(shot, probes);
    ASSERT_TRUE(app.Close());
    DeleteFileA(picture.c_str());
}

namespace {

constexpr const char* kScanFolder = "velant-e2e-scan";

// A folder tree of empty files: in each subfolder, pictures in both letter
// cases among other files. Returns the number of pictures.
int MakeScanTree(const std::string& root, int folders, int perFolder) {
    CreateDirectoryA(root.c_str(), nullptr);
    int pictures = 0;
    for (int f = 0; f < folders; ++f) {
        const std::string dir = root + "\\album" + std::to_string(f);
        CreateDirectoryA(dir.c_str(), nullptr);
        static const char* const ext[] = {".jpg", ".txt", ".BMP", ".png"};
        for (int i = 0; i < perFolder; ++i) {
            const char* e = ext[i % 4];
            const std::string path = dir + "\\img" + std::to_string(i) + e;
            HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
            if (e[1] == 'j' || e[1] == 'B') ++pictures;
        }
    }
    return pictures;
}

void RemoveTree(const std::string& root) {
    std::string from = root;
    from.push_back('\0');  // a double-NUL list of one
    SHFILEOPSTRUCTA op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationA(&op);
}

}  // namespace

TEST(WallpaperE2e, TheListScrollsToTheEndOfItsLongestEntry) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    const std::string listKey = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";
    // Not a picture, so selecting it shows no message about a missing file.
    const std::string longEntry = "C:\\" + std::string(280, 'W') + ".txt";
    WriteString(HKEY_CURRENT_USER, listKey, "Count", "2");
    WriteString(HKEY_CURRENT_USER, listKey, "Item0", "C:\\short.jpg");
    WriteString(HKEY_CURRENT_USER, listKey, "Item1", longEntry);

    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(1);
    HWND list = app.Control(IDC_WALLLIST);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 2);
    // 280 capital W are far wider than 1000 pixels in any list font.
    EXPECT_GT(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), 1000);

    SelectEntry(app, 1);
    SendMessageA(app.Control(IDC_DELETEBUTTON), BM_CLICK, 0, 0);
    ASSERT_EQ(SendMessageA(list, LB_GETCOUNT, 0, 0), 1);
    EXPECT_EQ(SendMessageA(list, LB_GETHORIZONTALEXTENT, 0, 0), 400) << "never narrower than 400 pixels";
    ASSERT_TRUE(app.Close());
}

TEST(WallpaperE2e, BrowseScansTheChosenFolderAndShowsItsProgress) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    // At the root of C:, where the picker lists it (it leaves out hidden
    // folders, and the temporary folder may be one).
    const std::string root = std::string("C:\\") + kScanFolder;
    RemoveTree(root);
    const int pictures = MakeScanTree(root, 250, 40);

    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(1);
    HWND label = app.Control(IDC_LBLSCANPROGRESS);
    HWND list = app.Control(IDC_WALLLIST);
    ASSERT_TRUE(label && list);

    // "Browse" opens the shell's folder picker, which returns only when closed:
    // the click is posted. The picker is then pointed at the folder the way
    // its owner's callback would, and confirmed once it shows that folder
    // (confirming anything else would scan some other tree).
    PostMessageA(app.Control(IDC_BROWSEBUTTON), BM_CLICK, 0, 0);
    HWND picker = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (picker = app.OwnedDialog()) != nullptr; }));
    HWND tree = FindWindowExA(picker, nullptr, WC_TREEVIEWA, nullptr);
    ASSERT_TRUE(tree);
    void* remoteRoot = app.CopyIntoProcess(root);
    ASSERT_TRUE(remoteRoot);
    SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remoteRoot));
    const bool chosen = WaitFor([&] { return app.TreeSelection(tree) == kScanFolder; }, 5000);
    Screenshot(app.MainWindow(), "wallpaper-browse-picker");
    if (!chosen) {
        SendMessageA(picker, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        FAIL() << "the picker shows " << app.TreeSelection(tree) << ", not " << root;
    }
    PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(picker, IDOK)));

    // While the scan runs, the label names the folder being read and the
    // pictures found so far, and the window answers at once.
    std::vector<std::string> seen;
    DWORD slowestDuringScan = 0, slowest = 0;
    bool painted = false;
    const bool ended = WaitFor(
        [&] {
            const DWORD start = GetTickCount();
            char text[512] = {};
            DWORD_PTR len = 0;
            if (SendMessageTimeoutA(label, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                                    SMTO_NORMAL, 10000, &len)) {
                const DWORD answer = GetTickCount() - start;
                slowest = std::max(slowest, answer);
                if (text[0]) slowestDuringScan = std::max(slowestDuringScan, answer);
                if (text[0] && (seen.empty() || seen.back() != text)) seen.push_back(text);
                // What the user sees: dark text pixels in the label's rectangle.
                if (text[0] && !painted && IsWindowVisible(label)) {
                    const Shot shot = Capture(label);
                    for (int y = 0; y < shot.height && !painted; ++y)
                        for (int x = 0; x < shot.width && !painted; ++x) {
                            const COLORREF c = shot.Pixel(x, y);
                            painted = GetRValue(c) + GetGValue(c) + GetBValue(c) < 200;
                        }
                    if (painted) Screenshot(app.MainWindow(), "wallpaper-scan-progress");
                }
            }
            return SendMessageA(list, LB_GETCOUNT, 0, 0) == pictures;
        },
        60000);
    ASSERT_TRUE(ended) << "the list never held the " << pictures
                       << " pictures: " << SendMessageA(list, LB_GETCOUNT, 0, 0) << " entries, "
                       << seen.size() << " progress texts, the last " << (seen.empty() ? "" : seen.back());
    ASSERT_FALSE(seen.empty()) << "no progress was shown";
    for (const std::string& text : seen) {
        EXPECT_EQ(text.rfind(root, 0), 0u) << text;
        EXPECT_NE(text.find(" pictures)"), std::string::npos) << text;
    }
    EXPECT_GE(seen.size(), 2u) << "the label follows the scan from folder to folder";
    EXPECT_TRUE(painted) << "the progress text never reached the screen";
    EXPECT_LT(slowestDuringScan, 500u) << "the window must answer during the scan";
    EXPECT_TRUE(
        WaitFor([&] { return app.Text(IDC_LBLSCANPROGRESS).empty() && !IsWindowVisible(label); }, 5000))
        << "the label goes once the scan has ended: " << app.Text(IDC_LBLSCANPROGRESS);
    std::printf(
        "scan progress: %zu texts seen, the last \"%s\"; slowest answer %lu ms during the scan, "
        "%lu ms in all\n",
        seen.size(), seen.back().c_str(), static_cast<unsigned long>(slowestDuringScan),
        static_cast<unsigned long>(slowest));

    // The list holds every picture below the folder, sorted by path.
    wchar_t first[MAX_PATH] = {};
    SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(first));
    const std::wstring want = L"C:\\velant-e2e-scan\\album0\\img0.jpg";
    EXPECT_TRUE(want == first);
    Screenshot(app.MainWindow(), "wallpaper-scan-done");
    ASSERT_TRUE(app.Close());
    RemoveTree(root);
}
