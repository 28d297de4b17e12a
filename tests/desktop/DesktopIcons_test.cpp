#include "desktop/DesktopIcons.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

std::string H(plat::Hwnd h) { return std::to_string(h.Value()); }

class DesktopIconsTest : public ::testing::Test {
protected:
    sim::SimWindows win;
    plat::Platform p = win.platform();
    const sim::ShellWindowHandles& shell = win.User().ShellWindows();
};

TEST_F(DesktopIconsTest, EachSwitchShowsOrHidesItsOwnShellWindowOnlyOnAChange) {
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    win.ClearJournal();
    md.SetShowDesktop(true);
    md.SetShowTaskBar(true);
    md.SetShowArrows(false);
    EXPECT_TRUE(win.Journal().empty());

    md.SetShowDesktop(false);
    md.SetShowTaskBar(false);
    md.SetShowTrayClock(false);
    md.SetShowAppSwitchBar(false);
    md.SetShowQuickLaunch(false);
    md.SetShowStartButton(false);
    md.SetShowDesktop(false);
    EXPECT_EQ(win.Journal(), (std::vector<std::string>{
                                 "ShowWindow(" + H(shell.defView) + ", 0)",
                                 "ShowWindow(" + H(shell.tray) + ", 0)",
                                 "ShowWindow(" + H(shell.clock) + ", 0)",
                                 "ShowWindow(" + H(shell.tabControl) + ", 0)",
                                 "ShowWindow(" + H(shell.toolbar) + ", 0)",
                                 "ShowWindow(" + H(shell.startButton) + ", 0)",
                             }));
    EXPECT_FALSE(win.User().Window(shell.defView).visible);
    EXPECT_TRUE(win.User().Window(shell.listView).visible);
    md.SetShowTaskBar(true);
    EXPECT_TRUE(win.Contains("ShowWindow(" + H(shell.tray) + ", 5)"));
}

TEST_F(DesktopIconsTest, AfterTheShellRestartsTheSwitchesActOnItsNewWindows) {
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    win.User().DestroyShellWindows();
    const sim::ShellWindowHandles fresh = win.User().CreateShellWindows();
    md.SetShowTrayClock(false);
    EXPECT_FALSE(win.User().Window(fresh.clock).visible);
    md.ApplyIconColors(0x00FF00, 0, true, false);
    EXPECT_EQ(win.User().Window(fresh.listView).listView.textBkColor, plat::CLR_NONE);
}

TEST_F(DesktopIconsTest, WithoutAShellNothingFailsLoudly) {
    win.User().DestroyShellWindows();
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    md.SetShowDesktop(false);
    md.ApplyIconColors(0xFFFFFF, 0, false, false);
    EXPECT_FALSE(md.ShowDesktop());
}

TEST_F(DesktopIconsTest, ShortcutArrowsWriteOrDeleteTheMarkerThenRebuildIcons) {
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    const std::string notify = "SHChangeNotify(0x08000000, 0x2000, null, null)";
    md.SetShowArrows(true);
    auto value = win.Registry().Get(plat::HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut");
    ASSERT_TRUE(value.has_value());
    EXPECT_EQ(value->type, plat::REG_SZ);
    EXPECT_EQ(win.Count(notify), 1u);
    md.SetShowArrows(false);
    EXPECT_FALSE(win.Registry().Get(plat::HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut").has_value());
    EXPECT_EQ(win.Count(notify), 2u);
    // A key that cannot be opened skips the write, not the notification.
    win.FailNext("RegCreateKeyEx");
    md.SetShowArrows(true);
    EXPECT_FALSE(win.Registry().Get(plat::HKEY_CLASSES_ROOT, "lnkfile", "IsShortcut").has_value());
    EXPECT_EQ(win.Count(notify), 3u);
}

// In either layout of the icon view: under Progman, or moved into a WorkerW.
class IconColoursTest : public DesktopIconsTest, public ::testing::WithParamInterface<bool> {};

TEST_P(IconColoursTest, GoToTheDesktopListView) {
    if (GetParam()) win.User().MoveDesktopViewToWorkerW();
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    const std::string lv = H(shell.listView);
    win.User().SetListViewItemCount(shell.listView, 7);
    win.ClearJournal();
    md.ApplyIconColors(0x00FF00, 0xC0C0C0, false, false);
    EXPECT_EQ(win.Journal(), (std::vector<std::string>{
                                 "SendMessage(" + lv + ", 0x1026, 0, 12632256)",
                                 "SendMessage(" + lv + ", 0x1024, 0, 65280)",
                                 "SendMessage(" + lv + ", 0x1004, 0, 0)",
                                 "SendMessage(" + lv + ", 0x1015, 0, 6)",
                             }));
    // Transparent ignores the background; an empty desktop still redraws (to -1).
    win.User().SetListViewItemCount(shell.listView, 0);
    win.ClearJournal();
    md.ApplyIconColors(0x0000FF, 0x123456, true, false);
    EXPECT_EQ(win.User().Window(shell.listView).listView.textBkColor, plat::CLR_NONE);
    EXPECT_EQ(win.User().Window(shell.listView).listView.textColor, 0x0000FFu);
    EXPECT_TRUE(win.Contains("SendMessage(" + lv + ", 0x1015, 0, -1)"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, IconColoursTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "InWorkerW" : "UnderProgman"; });

TEST_F(DesktopIconsTest, ActiveDesktopRefreshBroadcastsInsteadOfRedrawing) {
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    md.ApplyIconColors(0, 0, true, true);
    EXPECT_EQ(win.Count("SendMessage(" + H(shell.listView) + ", 0x1015"), 0u);
    EXPECT_TRUE(win.Contains("SendMessageTimeout(65535, 0x001A, 42, 0, 2, 1000)"));
}

TEST_F(DesktopIconsTest, DefaultColoursRewriteTheDesktopColour) {
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    const plat::ColorRef desktop = win.User().GetSysColor(plat::COLOR_BACKGROUND);
    char expected[64];
    std::snprintf(expected, sizeof expected, "SetSysColors(1, [1], [0x%06X])", desktop);
    md.RestoreDefaultColors();
    EXPECT_TRUE(win.Contains(expected)) << win.Journal().back();
}

}  // namespace

namespace {

// The layouts of today's shell: the icon view in a WorkerW, a taskbar whose
// start button is of class "Start" with a second taskbar on another monitor,
// and Windows 11's taskbar without a start button or clock window.
class ShellLayoutTest : public DesktopIconsTest {};

TEST_F(ShellLayoutTest, TheIconViewIsFoundInTheWorkerWAndFollowedWhenItMoves) {
    const plat::Hwnd worker = win.User().MoveDesktopViewToWorkerW();
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    EXPECT_EQ(md.DesktopListView(), shell.listView);
    md.SetShowDesktop(false);
    EXPECT_FALSE(win.User().Window(shell.defView).visible);
    md.ApplyIconColors(0x00FF00, 0, true, false);
    EXPECT_EQ(win.User().Window(shell.listView).listView.textColor, 0x00FF00u);

    // The shell takes the view back and drops its WorkerW windows; later a new
    // view comes up in a WorkerW of its own.
    win.User().Reparent(shell.defView, shell.progman);
    win.User().RemoveWindow(worker);
    win.User().RemoveWindow(shell.wallpaperWorker);
    md.ApplyIconColors(0x0000FF, 0, true, false);
    EXPECT_EQ(win.User().Window(shell.listView).listView.textColor, 0x0000FFu);
    win.User().RemoveWindow(shell.defView);
    const plat::Hwnd host = win.User().AddWindow(0, "WorkerW", "");
    const plat::Hwnd view = win.User().AddWindow(host, "SHELLDLL_DefView", "");
    const plat::Hwnd list = win.User().AddWindow(view, "SysListView32", "FolderView");
    md.SetShowDesktop(true);
    EXPECT_TRUE(win.Contains("ShowWindow(" + H(view) + ", 5)"));
    EXPECT_EQ(md.DesktopListView(), list);
}

TEST_F(ShellLayoutTest, StartButtonOfClassStartAndSecondaryTaskbarsFollowTheSwitches) {
    win.User().RemoveWindow(shell.startButton);
    const plat::Hwnd start = win.User().AddWindow(shell.tray, "Start", "Start");
    const plat::Hwnd second = win.User().AddWindow(0, "Shell_SecondaryTrayWnd", "");
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    win.ClearJournal();
    md.SetShowStartButton(false);
    md.SetShowTaskBar(false);
    md.SetShowTaskBar(true);
    EXPECT_EQ(win.Journal(), (std::vector<std::string>{
                                 "ShowWindow(" + H(start) + ", 0)",
                                 "ShowWindow(" + H(shell.tray) + ", 0)",
                                 "ShowWindow(" + H(second) + ", 0)",
                                 "ShowWindow(" + H(shell.tray) + ", 5)",
                                 "ShowWindow(" + H(second) + ", 5)",
                             }));
}

TEST_F(ShellLayoutTest, PartsThisTaskbarLacksAreReportedAndNotSoughtOnEveryCall) {
    TDesktopIcons classic("MD", p.user, p.shell, p.registry);
    EXPECT_TRUE(classic.HasTaskBar() && classic.HasTrayClock() && classic.HasStartButton());
    win.User().RemoveWindow(shell.trayNotify);
    win.User().RemoveWindow(shell.startButton);
    TDesktopIcons md("MD", p.user, p.shell, p.registry);
    EXPECT_TRUE(md.HasTaskBar());
    EXPECT_FALSE(md.HasTrayClock());
    EXPECT_FALSE(md.HasStartButton());
    // While the shell stays as it is, the handles held are used as they are.
    win.SetFailing("FindWindow", true);
    win.ClearJournal();
    md.SetShowTrayClock(false);
    md.SetShowTaskBar(false);
    EXPECT_EQ(win.Journal(),
              (std::vector<std::string>{"ShowWindow(0, 0)", "ShowWindow(" + H(shell.tray) + ", 0)"}));
}

}  // namespace
