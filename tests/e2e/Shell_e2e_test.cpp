// The program against the shell as Windows 10 and 11 lay it out: the desktop's
// icon view in a WorkerW, a taskbar without start button and clock window, a
// start button of class "Start" and a second taskbar on another monitor.
#include <gtest/gtest.h>

#include <string>

#include "E2eSupport.h"
#include "resource.h"

#include <commctrl.h>

using namespace e2e;

namespace {

// The fixture's shell in one of today's layouts, for as long as the object lives.
class TodaysShell {
public:
    explicit TodaysShell(const char* layout) : FProcess(std::string("/layout=") + layout) {
        if (FProcess.Started())
            WaitFor([this] { return ListView() && FindWindowA("VelantFixtureEditor", nullptr); });
    }
    // The top-level window that holds the icon view: Progman or a WorkerW.
    HWND ViewHost() const {
        HWND progman = FindWindowA("Progman", nullptr);
        if (FindWindowExA(progman, nullptr, "SHELLDLL_DefView", nullptr)) return progman;
        for (HWND w = FindWindowExA(nullptr, nullptr, "WorkerW", nullptr); w;
             w = FindWindowExA(nullptr, w, "WorkerW", nullptr))
            if (FindWindowExA(w, nullptr, "SHELLDLL_DefView", nullptr)) return w;
        return nullptr;
    }
    HWND DefView() const { return FindWindowExA(ViewHost(), nullptr, "SHELLDLL_DefView", nullptr); }
    HWND ListView() const { return FindWindowExA(DefView(), nullptr, "SysListView32", nullptr); }
    HWND Taskbar() const { return FindWindowA("Shell_TrayWnd", nullptr); }

private:
    FixtureProcess FProcess;
};

bool Shown(HWND wnd) { return (GetWindowLongA(wnd, GWL_STYLE) & WS_VISIBLE) != 0; }

std::string StoredText(const char* name) {
    const auto bytes = ValueBytes(HKEY_CURRENT_USER, kSectionKey, name);
    return std::string(bytes.begin(), bytes.end()).c_str();
}

void Click(App& app, int id) { SendMessageA(app.Control(id), BM_CLICK, 0, 0); }

// The mouse as the X server moves it, over a point of Wine's desktop.
bool XMouseTo(POINT pt) {
    return XDoTool("search --name \"Default - Wine desktop\" mousemove --window %1 " + std::to_string(pt.x) +
                   " " + std::to_string(pt.y));
}

// The text of the program's tooltip while it shows, else "".
std::string ShownTip(HWND owner) {
    DWORD program = 0;
    GetWindowThreadProcessId(owner, &program);
    for (HWND w = FindWindowExA(nullptr, nullptr, TOOLTIPS_CLASSA, nullptr); w;
         w = FindWindowExA(nullptr, w, TOOLTIPS_CLASSA, nullptr)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != program || !IsWindowVisible(w)) continue;
        char text[512] = {};
        SendMessageTimeoutA(w, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            1000, nullptr);
        return text;
    }
    return "";
}

TEST(ShellE2e, Windows11IconsInAWorkerWAndTheBoxesOfMissingPartsDisabled) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckDesktopIcons_Checked", "False");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckTrayClock_Checked", "False");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckCheckTrans_Checked", "True");
    TodaysShell shell("win11");
    HWND worker = shell.ViewHost();
    char cls[32] = {};
    GetClassNameA(worker, cls, sizeof cls);
    ASSERT_STREQ(cls, "WorkerW");
    ASSERT_TRUE(shell.ListView());
    ASSERT_FALSE(FindWindowExA(shell.Taskbar(), nullptr, "TrayNotifyWnd", nullptr))
        << "the fixture's taskbar";
    ASSERT_FALSE(FindWindowExA(shell.Taskbar(), nullptr, "Button", nullptr));

    App app;
    ASSERT_TRUE(app.Start());
    EXPECT_TRUE(WaitFor([&] { return !Shown(shell.DefView()); }, 5000));
    EXPECT_EQ(SendMessageA(shell.ListView(), LVM_GETTEXTCOLOR, 0, 0), 0x00FF00);
    EXPECT_EQ(static_cast<COLORREF>(SendMessageA(shell.ListView(), LVM_GETTEXTBKCOLOR, 0, 0)), CLR_NONE);
    EXPECT_TRUE(Shown(shell.Taskbar()));

    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(2);
    EXPECT_FALSE(IsWindowEnabled(app.Control(IDC_CKTRAYCLOCK)));
    EXPECT_FALSE(IsWindowEnabled(app.Control(IDC_CKSTARTBUTTON)));
    EXPECT_TRUE(IsWindowEnabled(app.Control(IDC_CKTASKBAR)));
    EXPECT_FALSE(app.Checked(IDC_CKTRAYCLOCK)) << "the stored choice stays";
    // The disabled box says why when the mouse rests on it.
    RECT box{};
    GetWindowRect(app.Control(IDC_CKTRAYCLOCK), &box);
    ASSERT_TRUE(XMouseTo({box.left + 20, (box.top + box.bottom) / 2}));
    EXPECT_TRUE(WaitFor(
        [&] {
            return ShownTip(app.MainWindow()) ==
                   "This version of Windows has no tray clock that can be hidden.";
        },
        5000))
        << ShownTip(app.MainWindow());
    Screenshot(app.MainWindow(), "desktop-page-windows11");
    Click(app, IDC_CKDESKTOPICONS);
    EXPECT_TRUE(WaitFor([&] { return Shown(shell.DefView()); }, 3000));

    // A click on that desktop makes the WorkerW the foreground window; the
    // periodic check makes the captions transparent again there.
    SendMessageA(shell.ListView(), LVM_SETTEXTBKCOLOR, 0, 0xC0C0C0);
    Click(app, IDC_MINIMIZEBUTTON);  // "Minimize"
    AllowSetForegroundWindow(ASFW_ANY);
    SetForegroundWindow(worker);
    EXPECT_TRUE(WaitFor([&] { return GetForegroundWindow() == worker; }, 3000));
    EXPECT_TRUE(WaitFor(
        [&] {
            return static_cast<COLORREF>(SendMessageA(shell.ListView(), LVM_GETTEXTBKCOLOR, 0, 0)) ==
                   CLR_NONE;
        },
        4000));

    Click(app, IDC_CKDESKTOPICONS);
    ASSERT_TRUE(app.Close());
    EXPECT_TRUE(Shown(shell.DefView()));
    EXPECT_EQ(StoredText("ckTrayClock_Checked"), "False");
}

TEST(ShellE2e, Windows10StartButtonOfClassStartAndTheSecondTaskbarFollowTheSwitches) {
    DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckTaskbar_Checked", "False");
    WriteString(HKEY_CURRENT_USER, kSectionKey, "ckStartButton_Checked", "False");
    TodaysShell shell("win10");
    HWND tray = shell.Taskbar();
    HWND start = FindWindowExA(tray, nullptr, "Start", nullptr);
    HWND second = FindWindowA("Shell_SecondaryTrayWnd", nullptr);
    ASSERT_TRUE(start && second) << "the fixture's taskbar";

    App app;
    ASSERT_TRUE(app.Start());
    EXPECT_TRUE(WaitFor([&] { return !Shown(tray) && !Shown(second) && !Shown(start); }, 5000));
    EXPECT_TRUE(Shown(shell.DefView()));
    ASSERT_TRUE(app.ShowThroughIcon());
    app.SelectPage(2);
    for (int id : {IDC_CKTASKBAR, IDC_CKTRAYCLOCK, IDC_CKSTARTBUTTON})
        EXPECT_TRUE(IsWindowEnabled(app.Control(id))) << id;
    Click(app, IDC_CKTASKBAR);
    EXPECT_TRUE(WaitFor([&] { return Shown(tray) && Shown(second); }, 3000));
    Click(app, IDC_CKTASKBAR);
    EXPECT_TRUE(WaitFor([&] { return !Shown(tray) && !Shown(second); }, 3000));

    ASSERT_TRUE(app.Close());
    EXPECT_TRUE(Shown(tray));
    EXPECT_TRUE(Shown(second));
    EXPECT_TRUE(Shown(start));
}

}  // namespace
