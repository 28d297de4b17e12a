// The resident program acting on the desktop for real: the caption clock, the
// system hotkeys, the taskbar and desktop icons, the screensaver timeout, and
// the notification icon's popup menu with the commands behind it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <cstdio>
#include <string>
#include <vector>

#include "E2eSupport.h"
#include "resource.h"

#include <commctrl.h>
#include <shellapi.h>

using namespace e2e;

namespace {

const char* const kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char* const kRunValue = "Velant! Pro 2001";

// The fixture's shell windows and editors, for as long as the object lives.
class FixtureShell {
public:
    // Waits for every window the tests look for: on a busy machine the taskbar's
    // clock may come a moment after the icon view.
    FixtureShell() {
        if (FProcess.Started()) WaitFor([this] { return Letter() && Report() && ListView() && Clock(); });
    }
    HWND Letter() const { return FindWindowA("VelantFixtureEditor", nullptr) ? Editor("Letter") : nullptr; }
    HWND Report() const { return Editor("Report"); }
    HWND DefView() const {
        return FindWindowExA(FindWindowA("Progman", nullptr), nullptr, "SHELLDLL_DefView", nullptr);
    }
    HWND ListView() const { return FindWindowExA(DefView(), nullptr, "SysListView32", nullptr); }
    HWND Clock() const {
        return FindWindowExA(
            FindWindowExA(FindWindowA("Shell_TrayWnd", nullptr), nullptr, "TrayNotifyWnd", nullptr), nullptr,
            "TrayClockWClass", nullptr);
    }
    std::string Status() const { return Caption(FindWindowA("VelantFixtureStatus", nullptr)); }

    static std::string Caption(HWND wnd) {
        char text[512] = {};
        SendMessageTimeoutA(wnd, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            1000, nullptr);
        return text;
    }

private:
    static HWND Editor(const char* prefix) {
        HWND found = nullptr;
        for (HWND w = FindWindowExA(nullptr, nullptr, "VelantFixtureEditor", nullptr); w && !found;
             w = FindWindowExA(nullptr, w, "VelantFixtureEditor", nullptr))
            if (Caption(w).rfind(prefix, 0) == 0) found = w;
        return found;
    }
    FixtureProcess FProcess;
};

void Foreground(HWND wnd) {
    // Our own windows may pass the foreground on; ask the way a click would.
    AllowSetForegroundWindow(ASFW_ANY);
    SetForegroundWindow(wnd);
    WaitFor([wnd] { return GetForegroundWindow() == wnd; }, 3000);
}

// Keys as the X server delivers them: through xdotool on the display Wine draws on.
bool XKeys(const std::string& keys) {
    if (!XDoTool("key --delay 80 " + keys)) return false;
    Sleep(500);
    return true;
}

std::string Stamp(const SYSTEMTIME& t) {
    char date[64];
    std::snprintf(date, sizeof date, "Today is:  %02d.%02d.%04d Time is:  ", t.wDay, t.wMonth, t.wYear);
    return date;
}

// "    [Today is:  dd.mm.yyyy Time is:  hh.mm.ss]" at the end of the caption.
bool Stamped(const std::string& caption, const std::string& title) {
    SYSTEMTIME t;
    GetLocalTime(&t);
    const std::string head = title + "    [" + Stamp(t);
    if (caption.rfind(head, 0) != 0) return false;
    const std::string rest = caption.substr(head.size());
    return rest.size() == 9 && rest[2] == '.' && rest[5] == '.' && rest[8] == ']';
}

void Click(App& app, int id) { SendMessageA(app.Control(id), BM_CLICK, 0, 0); }

void FreshSettings() {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(""), SPIF_UPDATEINIFILE);
    if (HKEY run; RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
        RegDeleteValueA(run, kRunValue);
        RegCloseKey(run);
    }
}

// Two small bitmaps in the stored wallpaper list: the setter copies them as they are.
void StoreTwoPictures() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::vector<std::string> pictures;
    for (const char* name : {"velant-e2e-a.bmp", "velant-e2e-b.bmp"}) {
        const std::string path = std::string(temp) + name;
        BITMAPFILEHEADER fh{};
        BITMAPINFOHEADER ih{};
        ih.biSize = sizeof ih;
        ih.biWidth = 4;
        ih.biHeight = 4;
        ih.biPlanes = 1;
        ih.biBitCount = 24;
        std::vector<std::uint8_t> pixels(4 * 4 * 3, name[14] == 'a' ? 0x40 : 0xC0);
        fh.bfType = 0x4D42;
        fh.bfOffBits = sizeof fh + sizeof ih;
        fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
        if (FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(&fh, sizeof fh, 1, f);
            std::fwrite(&ih, sizeof ih, 1, f);
            std::fwrite(pixels.data(), 1, pixels.size(), f);
            std::fclose(f);
        }
        pictures.push_back(path);
    }
    const std::string listKey = std::string(kSectionKey) + ".WallList_Items";
    WriteString(HKEY_CURRENT_USER, listKey, "Count", "2");
    WriteString(HKEY_CURRENT_USER, listKey, "Item0", pictures[0]);
    WriteString(HKEY_CURRENT_USER, listKey, "Item1", pictures[1]);
}

std::string StoredWallpaper() {
    auto v = ReadValue(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper");
    return v ? std::string(v->bytes.begin(), v->bytes.end()) : std::string();
}

// Opens the icon's popup menu as a right-button release does; its window, or null.
HWND OpenPopupMenu(App& app) {
    PostMessageA(app.TrayWindow(), WM_USER + 1024, 1, WM_RBUTTONDOWN);
    PostMessageA(app.TrayWindow(), WM_USER + 1024, 1, WM_RBUTTONUP);
    HWND popup = nullptr;
    WaitFor([&] { return (popup = FindWindowA("#32768", nullptr)) && IsWindowVisible(popup); }, 5000);
    return popup && IsWindowVisible(popup) ? popup : nullptr;
}

// "Desktop", the second item, opened with the keyboard; its first entry is then selected.
void OpenDesktopSubmenu(HWND popup) {
    PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(popup, WM_KEYDOWN, VK_RIGHT, 0);
    Sleep(800);
}

}  // namespace

TEST(DesktopE2e, CaptionClockFollowsTheForegroundAndIsCleanedWhenOffAndAtExit) {
    FreshSettings();
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckWinClock_Checked", "True");
    FixtureShell shell;
    ASSERT_TRUE(shell.Letter() && shell.Report());
    Foreground(shell.Letter());

    App app;
    ASSERT_TRUE(app.Start());
    const DWORD started = GetTickCount();
    ASSERT_TRUE(
        WaitFor([&] { return Stamped(FixtureShell::Caption(shell.Letter()), "Letter - Editor"); }, 4000))
        << FixtureShell::Caption(shell.Letter());
    EXPECT_LE(GetTickCount() - started, 2500u);
    Screenshot(shell.Letter(), "clock-caption");

    Foreground(shell.Report());
    EXPECT_TRUE(WaitFor(
        [&] { return Stamped(FixtureShell::Caption(shell.Report()), "Report [draft] - Editor"); }, 3000))
        << FixtureShell::Caption(shell.Report());
    EXPECT_TRUE(WaitFor([&] { return FixtureShell::Caption(shell.Letter()) == "Letter - Editor"; }, 3000));

    // Switched off from the window: the stamp goes at once, brackets of the title stay.
    ASSERT_TRUE(app.ShowThroughIcon());
    Click(app, IDC_CKWINCLOCK);
    EXPECT_TRUE(
        WaitFor([&] { return FixtureShell::Caption(shell.Report()) == "Report [draft] - Editor"; }, 3000))
        << FixtureShell::Caption(shell.Report());
    Click(app, IDC_CKWINCLOCK);
    Foreground(shell.Report());
    EXPECT_TRUE(WaitFor(
        [&] { return Stamped(FixtureShell::Caption(shell.Report()), "Report [draft] - Editor"); }, 3000));
    ASSERT_TRUE(app.Close());
    EXPECT_EQ(FixtureShell::Caption(shell.Report()), "Report [draft] - Editor");
}

namespace {

// The notification area holds the program's icon: modifying nothing succeeds
// only for an icon it has.
bool IconShown(const App& app) {
    NOTIFYICONDATAA nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = app.TrayWindow();
    nid.uID = 1;
    return Shell_NotifyIconA(NIM_MODIFY, &nid) != FALSE;
}

}  // namespace

// A shell restart as the program meets it: the shell's windows go, and the
// notification area's icons with them; a new shell makes new windows and
// announces itself with "TaskbarCreated".
TEST(DesktopE2e, AfterAShellRestartTheIconIsBackAndTheSwitchesActOnTheNewWindows) {
    FreshSettings();
    auto shell = std::make_unique<FixtureShell>();
    ASSERT_TRUE(shell->ListView());
    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(WaitFor([&] { return IconShown(app); }, 5000));

    shell.reset();
    NOTIFYICONDATAA nid{};
    nid.cbSize = sizeof nid;
    nid.hWnd = app.TrayWindow();
    nid.uID = 1;
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &nid));
    ASSERT_FALSE(IconShown(app));
    shell = std::make_unique<FixtureShell>();
    ASSERT_TRUE(shell->ListView() && shell->Clock());
    PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitFor([&] { return IconShown(app); }, 5000)) << "the icon is back";

    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(2);
    Click(app, IDC_CKDESKTOPICONS);
    Click(app, IDC_CKTRAYCLOCK);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(shell->DefView()); }, 3000)) << "the new icon view";
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(shell->Clock()); }, 3000)) << "the new clock";
    Click(app, IDC_CKDESKTOPICONS);
    Click(app, IDC_CKTRAYCLOCK);
    EXPECT_TRUE(
        WaitFor([&] { return IsWindowVisible(shell->DefView()) && IsWindowVisible(shell->Clock()); }, 3000));
    EXPECT_EQ(app.OwnedDialog(), nullptr) << "nothing is reported";
    ASSERT_TRUE(app.Close());
}

TEST(DesktopE2e, StoredSwitchesHideTheTaskbarAndIconsAndColourTheCaptions) {
    FreshSettings();
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckTaskbar_Checked", "False");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckTrayClock_Checked", "False");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckDesktopIcons_Checked", "False");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ScrTimeout_Value", "5");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckCheckTrans_Checked", "True");
    FixtureShell shell;
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    ASSERT_TRUE(taskbar && shell.Clock() && shell.ListView());
    ASSERT_TRUE(IsWindowVisible(taskbar));

    App app;
    ASSERT_TRUE(app.Start());
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(taskbar); }, 5000));
    EXPECT_FALSE(IsWindowVisible(shell.DefView()));
    EXPECT_FALSE(IsWindowVisible(shell.Clock()));
    // The caption colours of the design: lime text on no background. Start-up
    // colours the captions some steps after it hides the taskbar, so on a busy
    // machine they may come a moment later (the timeout follows the colours).
    WaitFor([&] { return SendMessageA(shell.ListView(), LVM_GETTEXTCOLOR, 0, 0) == 0x00FF00; }, 5000);
    EXPECT_EQ(SendMessageA(shell.ListView(), LVM_GETTEXTCOLOR, 0, 0), 0x00FF00);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageA(shell.ListView(), LVM_GETTEXTBKCOLOR, 0, 0)), CLR_NONE);
    // A stored timeout of five minutes is the system's 300 seconds.
    UINT seconds = 0;
    SystemParametersInfoA(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0);
    EXPECT_EQ(seconds, 300u);
    Screenshot(nullptr, "desktop-hidden-taskbar");
    // A click on the desktop brings the periodic check: the captions are made
    // transparent again.
    SendMessageA(shell.ListView(), LVM_SETTEXTBKCOLOR, 0, 0xC0C0C0);
    Foreground(FindWindowA("Progman", nullptr));
    EXPECT_TRUE(WaitFor(
        [&] {
            return static_cast<COLORREF>(SendMessageA(shell.ListView(), LVM_GETTEXTBKCOLOR, 0, 0)) ==
                   CLR_NONE;
        },
        4000));

    ASSERT_TRUE(app.Close());
    EXPECT_TRUE(IsWindowVisible(taskbar));
    EXPECT_TRUE(IsWindowVisible(shell.DefView()));
    EXPECT_TRUE(IsWindowVisible(shell.Clock()));
}

// Windows ends the logon: asked first, the program shows the shell parts it hid
// and agrees; told that the session ends, it writes its settings, as no close follows.
TEST(DesktopE2e, LogOffShowsTheHiddenShellAgainAndSavesTheSettings) {
    FreshSettings();
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckTaskbar_Checked", "False");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckDesktopIcons_Checked", "False");
    FixtureShell shell;
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    ASSERT_TRUE(taskbar && shell.DefView());
    App app;
    ASSERT_TRUE(app.Start());
    ASSERT_TRUE(
        WaitFor([&] { return !IsWindowVisible(taskbar) && !IsWindowVisible(shell.DefView()); }, 5000));

    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutA(app.MainWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                    10000, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    EXPECT_TRUE(IsWindowVisible(taskbar));
    EXPECT_TRUE(IsWindowVisible(shell.DefView()));

    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    ASSERT_TRUE(SendMessageTimeoutA(app.MainWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_NORMAL,
                                    10000, &answer));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "ckTaskbar_Checked"), SzBytes("False"));
    EXPECT_EQ(ValueBytes(HKEY_CURRENT_USER, kSectionKey, "ckDesktopIcons_Checked"), SzBytes("False"));
    ASSERT_TRUE(app.Close());
}

TEST(DesktopE2e, WinWChangesTheWallpaperOnlyWhileTheHotkeysAreOn) {
    FreshSettings();
    StoreTwoPictures();
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckHotEnable_Checked", "True");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckHotWall_Checked", "True");
    FixtureShell shell;
    Foreground(shell.Letter());

    App app;
    ASSERT_TRUE(app.Start());
    auto wallpaper = [] { return StoredWallpaper(); };
    const std::string before = wallpaper();
    Foreground(shell.Letter());
    ASSERT_TRUE(XKeys("super+w"));
    EXPECT_TRUE(WaitFor(
        [&] { return wallpaper().find("Velant! Pro 2001 wallpaper.bmp") != std::string::npos; }, 5000))
        << before << " / " << wallpaper();
    EXPECT_EQ(shell.Status(), "ready") << "the combination belongs to the program";

    // Master switch off: Win+W goes to the program in front again.
    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(2);
    Click(app, IDC_CKHOTENABLE);
    EXPECT_FALSE(app.Checked(IDC_CKHOTENABLE));
    Click(app, IDC_MINIMIZEBUTTON);  // "Minimize": back to the icon
    WaitFor([&] { return !IsWindowVisible(app.MainWindow()); }, 3000);
    Foreground(shell.Letter());
    EXPECT_EQ(GetForegroundWindow(), shell.Letter());
    ASSERT_TRUE(XKeys("super+w"));
    EXPECT_TRUE(WaitFor([&] { return shell.Status() == "key Win+W"; }, 3000)) << shell.Status();
    ASSERT_TRUE(app.Close());
}

TEST(DesktopE2e, PopupMenuMatchesTheSwitchesAndItsCommandsWork) {
    FreshSettings();
    StoreTwoPictures();
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckPower_Checked", "False");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckMycomputer_Checked", "False");
    App app;
    ASSERT_TRUE(app.Start());

    HWND popup = OpenPopupMenu(app);
    ASSERT_TRUE(popup);
    Sleep(300);
    Screenshot(nullptr, "popup-menu");
    // Dismissed: nothing runs.
    PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(popup); }, 3000));
    EXPECT_EQ(StoredWallpaper().find("Velant! Pro 2001 wallpaper.bmp"), std::string::npos);

    // Wine cannot read another process's menu, so the order is checked by position:
    // with "My Computer" switched off, "Change wallpaper" is the fifth command
    // (the fifth would be the "Cd-Rom" submenu otherwise).
    popup = OpenPopupMenu(app);
    ASSERT_TRUE(popup);
    for (int i = 0; i < 5; ++i) PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(WaitFor(
        [] { return StoredWallpaper().find("Velant! Pro 2001 wallpaper.bmp") != std::string::npos; }, 5000))
        << StoredWallpaper();

    // "Open tray" without a CD device: the device's error in a box, and the program goes on.
    ASSERT_TRUE(app.ShowThroughIcon());
    PostMessageA(app.Control(IDC_OPENTRAYBUTTON), BM_CLICK, 0, 0);
    HWND box = nullptr;
    // The message box: a dialog with the program's title.
    const bool shown =
        WaitFor([&] { return (box = FindWindowA("#32770", "Velant! Pro 2001")) != nullptr; }, 8000);
    if (!shown) Screenshot(nullptr, "cd-tray-missing");
    ASSERT_TRUE(shown);
    Screenshot(box, "cd-tray-error");
    std::string text;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char cls[32] = {};
        GetClassNameA(c, cls, sizeof cls);
        if (_stricmp(cls, "Static") == 0 && text.empty()) text = FixtureShell::Caption(c);
    }
    EXPECT_FALSE(text.empty());
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(box); }, 3000));
    EXPECT_TRUE(app.Running());

    // The autorun box shows that no logon entry exists; checking writes it, unchecking deletes it.
    EXPECT_FALSE(app.Checked(IDC_CKAUTORUN));
    Click(app, IDC_CKAUTORUN);
    auto entry = ReadValue(HKEY_CURRENT_USER, kRunKey, kRunValue);
    ASSERT_TRUE(entry);
    const std::string quoted(entry->bytes.begin(), entry->bytes.end());
    EXPECT_EQ(quoted.front(), '"');
    EXPECT_NE(quoted.find("VelantPro.exe\""), std::string::npos) << quoted;
    Click(app, IDC_CKAUTORUN);
    EXPECT_FALSE(ReadValue(HKEY_CURRENT_USER, kRunKey, kRunValue));
    ASSERT_TRUE(app.Close());
}

namespace {

// Windows' dark mode for apps, switched as the Settings app does: the value, then
// the broadcast that names it. Put back to the light mode at the end of the scope.
class AppsMode {
public:
    ~AppsMode() { Set(true); }
    void Set(bool light) {
        const char* key = "Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
        const DWORD value = light ? 1 : 0;
        RegSetKeyValueA(HKEY_CURRENT_USER, key, "AppsUseLightTheme", REG_DWORD, &value, sizeof value);
        SendMessageTimeoutA(HWND_BROADCAST, WM_SETTINGCHANGE, 0,
                            reinterpret_cast<LPARAM>("ImmersiveColorSet"), SMTO_ABORTIFHUNG, 3000, nullptr);
    }
};

// The brightest channel of the colour most pixels of the shot's right half have:
// the menu's background there, beside the bar.
int BackgroundBrightness(const Shot& shot) {
    std::map<COLORREF, int> counts;
    for (int y = 0; y < shot.height; ++y)
        for (int x = shot.width / 2; x < shot.width; ++x) ++counts[shot.Pixel(x, y)];
    if (counts.empty()) return -1;
    const COLORREF c = std::max_element(counts.begin(), counts.end(), [](auto& a, auto& b) {
                           return a.second < b.second;
                       })->first;
    return std::max({GetRValue(c), GetGValue(c), GetBValue(c)});
}

}  // namespace

TEST(DesktopE2e, PopupMenuFollowsTheAppsDarkModeWhileRunning) {
    FreshSettings();
    AppsMode mode;
    mode.Set(true);
    App app;
    ASSERT_TRUE(app.Start());
    auto shoot = [&app](const char* name) {
        HWND popup = OpenPopupMenu(app);
        if (!popup) return Shot{};
        Sleep(300);
        const Shot shot = Capture(popup);
        shot.Save(name);
        PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        WaitFor([&] { return !IsWindowVisible(popup); }, 3000);
        return shot;
    };
    EXPECT_GT(BackgroundBrightness(shoot("popup-menu-light")), 0xA0);
    mode.Set(false);
    EXPECT_LT(BackgroundBrightness(shoot("popup-menu-dark")), 0x50);
    mode.Set(true);
    EXPECT_GT(BackgroundBrightness(shoot("popup-menu-light-again")), 0xA0);
    ASSERT_TRUE(app.Close());
}

TEST(DesktopE2e, DesktopSubmenuFollowsTheDesktopFolderAndOpensItsEntries) {
    FreshSettings();
    auto desktopValue =
        ReadValue(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                  "Desktop");
    ASSERT_TRUE(desktopValue);
    const std::string desktop(desktopValue->bytes.begin(),
                              std::find(desktopValue->bytes.begin(), desktopValue->bytes.end(), '\0'));
    CreateDirectoryA(desktop.c_str(), nullptr);
    // Only our entries on the desktop, so that their places in the submenu are known.
    const std::string folder = desktop + "\\velant-e2e-folder";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string note = desktop + "\\velant-e2e-note.txt";
    const std::string later = desktop + "\\velant-e2e-later.txt";
    DeleteFileA(later.c_str());
    if (FILE* f = std::fopen(note.c_str(), "w")) {
        std::fputs("Velant", f);
        std::fclose(f);
    }

    App app;
    ASSERT_TRUE(app.Start());
    // A file that appears while the program runs shows in the submenu.
    if (FILE* f = std::fopen(later.c_str(), "w")) std::fclose(f);
    Sleep(1500);

    HWND popup = OpenPopupMenu(app);
    ASSERT_TRUE(popup);
    OpenDesktopSubmenu(popup);
    Screenshot(nullptr, "popup-desktop-submenu");
    // Folders come first, in order: "..", the parent, then our folder; the files
    // follow. Opening the submenu selects its first entry, so one step down
    // reaches the folder, which opens in a folder window.
    PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    Sleep(500);
    Screenshot(nullptr, "popup-desktop-entry");
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    HWND opened = nullptr;
    EXPECT_TRUE(
        WaitFor([&] { return (opened = FindWindowA(nullptr, "velant-e2e-folder")) != nullptr; }, 10000));
    if (opened) PostMessageA(opened, WM_CLOSE, 0, 0);
    WaitFor([&] { return !IsWindow(opened); }, 3000);

    // Renamed and a file deleted while the program runs: the submenu follows, and
    // the same place now opens the renamed folder.
    const std::string renamed = desktop + "\\velant-e2e-renamed";
    ASSERT_TRUE(MoveFileA(folder.c_str(), renamed.c_str()));
    DeleteFileA(note.c_str());
    Sleep(1500);
    popup = OpenPopupMenu(app);
    ASSERT_TRUE(popup);
    OpenDesktopSubmenu(popup);
    PostMessageA(popup, WM_KEYDOWN, VK_DOWN, 0);
    Sleep(300);
    Screenshot(nullptr, "popup-desktop-renamed");
    PostMessageA(popup, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(
        WaitFor([&] { return (opened = FindWindowA(nullptr, "velant-e2e-renamed")) != nullptr; }, 10000));
    if (opened) PostMessageA(opened, WM_CLOSE, 0, 0);
    RemoveDirectoryA(renamed.c_str());
    ASSERT_TRUE(app.Close());
    DeleteFileA(note.c_str());
    DeleteFileA(later.c_str());
    RemoveDirectoryA(folder.c_str());
}
