#include <gtest/gtest.h>

#include <thread>
#include <type_traits>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

using namespace plat;

namespace {

// No handle kind converts to another, and a bare integer becomes one only when
// asked for by name.
template <class A, class... Others>
constexpr bool Distinct = ((!std::is_convertible_v<A, Others> && !std::is_convertible_v<Others, A>)&&...);
static_assert(Distinct<Hwnd, Hkey, Hmenu, Hicon, Handle, Pidl> &&
              Distinct<Hkey, Hmenu, Hicon, Handle, Pidl> && Distinct<Hmenu, Hicon, Handle, Pidl> &&
              Distinct<Hicon, Handle, Pidl> && Distinct<Handle, Pidl>);
static_assert(Distinct<std::uintptr_t, Hwnd, Hkey, Hmenu, Hicon, Handle, Pidl>);

class SimUserTest : public ::testing::Test {
protected:
    sim::SimWindows win;
    sim::SimUser& user = win.User();
    std::vector<sim::Message> seen;

    Hwnd ProgramWindow(const std::string& cls = "TVelantHidden") {
        return user.CreateHiddenWindow(cls, [this](std::uint32_t msg, WParam w, LParam l) -> LResult {
            seen.push_back({0, msg, w, l});
            return 77;
        });
    }
    std::vector<std::uint32_t> SeenMessages() const {
        std::vector<std::uint32_t> out;
        for (auto& m : seen) out.push_back(m.msg);
        return out;
    }
};

TEST_F(SimUserTest, ShellWindowsAreFoundAsOnWindows) {
    const auto& s = user.ShellWindows();
    EXPECT_EQ(user.FindWindow("progman", "Program Manager"), s.progman);
    Hwnd defView = user.FindWindowEx(s.progman, 0, "SHELLDLL_DefView", nullptr);
    EXPECT_EQ(defView, s.defView);
    EXPECT_EQ(user.FindWindowEx(defView, 0, "SysListView32", nullptr), s.listView);
    EXPECT_EQ(user.FindWindowEx(defView, 0, "SysListView32", "FolderView"), s.listView);
    EXPECT_FALSE(user.FindWindowEx(defView, 0, "SysListView32", ""));
    Hwnd tray = user.FindWindow("Shell_TrayWnd", nullptr);
    EXPECT_EQ(user.FindWindowEx(user.FindWindowEx(tray, 0, "TrayNotifyWnd", nullptr), 0, "TrayClockWClass",
                                nullptr),
              s.clock);
    Hwnd rebar = user.FindWindowEx(tray, 0, "ReBarWindow32", nullptr);
    EXPECT_EQ(user.FindWindowEx(rebar, s.taskSwitch, nullptr, nullptr), s.toolbar);
    EXPECT_EQ(user.FindWindowEx(tray, 0, "Button", nullptr), s.startButton);
    EXPECT_TRUE(win.Journal().empty());
}

TEST_F(SimUserTest, ListViewAnswersColourMessages) {
    Hwnd lv = user.ShellWindows().listView;
    EXPECT_EQ(user.SendMessage(lv, LVM_GETITEMCOUNT, 0, 0), 8);
    EXPECT_EQ(static_cast<ColorRef>(user.SendMessage(lv, LVM_GETTEXTBKCOLOR, 0, 0)), CLR_NONE);
    EXPECT_EQ(user.SendMessage(lv, LVM_SETTEXTCOLOR, 0, 0x0000FF), 1);
    EXPECT_EQ(user.SendMessage(lv, LVM_SETTEXTBKCOLOR, 0, 0x00FF00), 1);
    user.SendMessage(lv, LVM_REDRAWITEMS, 0, 7);
    auto state = user.Window(lv).listView;
    EXPECT_EQ(state.textColor, 0x0000FFu);
    EXPECT_EQ(state.textBkColor, 0x00FF00u);
    EXPECT_EQ(state.redraws, 1);
    EXPECT_EQ(win.Journal()[2], "SendMessage(" + std::to_string(lv.Value()) + ", 0x1024, 0, 255)");
}

TEST_F(SimUserTest, TextMessagesAndGetWindowTextTruncation) {
    Hwnd h = user.AddWindow(0, "Notepad", "Untitled - Notepad");
    char buffer[9];
    EXPECT_EQ(user.SendMessage(h, WM_GETTEXT, sizeof buffer, reinterpret_cast<LParam>(buffer)), 8);
    EXPECT_STREQ(buffer, "Untitled");
    EXPECT_TRUE(user.SetWindowText(h, "x"));
    EXPECT_EQ(user.GetWindowText(h, 256), "x");
    EXPECT_EQ(user.GetWindowText(user.ShellWindows().progman, 5), "Prog");
    // Long captions are kept whole.
    const std::string caption(700, 'c');
    EXPECT_TRUE(user.SetWindowText(h, caption));
    EXPECT_EQ(user.GetWindowTextLength(h), 700);
    EXPECT_EQ(user.GetWindowText(h, 701), caption);
    EXPECT_EQ(user.GetWindowTextLength(0), 0);
}

TEST_F(SimUserTest, ProgramWindowsGetMessagesSynchronouslyAndBroadcasts) {
    Hwnd h = ProgramWindow();
    EXPECT_EQ(SeenMessages(), std::vector<std::uint32_t>{WM_CREATE});
    EXPECT_FALSE(user.IsWindowVisible(h));
    EXPECT_EQ(user.SendMessage(h, WM_USER, 1, 2), 77);
    user.BroadcastTaskbarCreated();
    std::uint32_t taskbarCreated = user.RegisterWindowMessage("TaskbarCreated");
    EXPECT_GE(taskbarCreated, 0xC000u);
    EXPECT_EQ(user.RegisterWindowMessage("taskbarcreated"), taskbarCreated);
    EXPECT_NE(user.RegisterWindowMessage("Other"), taskbarCreated);
    user.SendMessage(HWND_BROADCAST, WM_NULL, 0, 0);
    EXPECT_EQ(SeenMessages(), (std::vector<std::uint32_t>{WM_CREATE, WM_USER, taskbarCreated, WM_NULL}));
    EXPECT_EQ(user.Received(user.ShellWindows().tray).size(), 1u);  // only the broadcast

    EXPECT_TRUE(user.DestroyWindow(h));
    EXPECT_EQ(seen.back().msg, WM_DESTROY);
    EXPECT_FALSE(user.IsWindow(h));
}

TEST_F(SimUserTest, MinimiseSendsSizeAndShowMessages) {
    Hwnd h = ProgramWindow();
    user.ShowWindow(h, SW_SHOW);
    user.ShowWindow(h, SW_MINIMIZE);
    WindowPlacement p;
    ASSERT_TRUE(user.GetWindowPlacement(h, p));
    EXPECT_EQ(p.showCmd, static_cast<std::uint32_t>(SW_SHOWMINIMIZED));
    EXPECT_EQ(SeenMessages(), (std::vector<std::uint32_t>{WM_CREATE, WM_SHOWWINDOW, WM_SIZE}));
    EXPECT_EQ(seen.back().wParam, SIZE_MINIMIZED);
}

TEST_F(SimUserTest, AdvanceDeliversTimersAndPostsInTimeOrder) {
    Hwnd h = ProgramWindow();
    seen.clear();
    std::uint32_t start = win.Kernel().GetTickCount();
    std::vector<std::uint32_t> ticksAtTimer;
    user.SetTimer(h, 1, 100);
    user.SetTimer(h, 2, 250);
    user.PostMessage(h, WM_USER, 5, 0);
    win.Advance(500);
    std::vector<std::pair<std::uint32_t, WParam>> got;
    for (auto& m : seen) got.push_back({m.msg, m.wParam});
    std::vector<std::pair<std::uint32_t, WParam>> expected = {{WM_USER, 5},  {WM_TIMER, 1}, {WM_TIMER, 1},
                                                              {WM_TIMER, 2}, {WM_TIMER, 1}, {WM_TIMER, 1},
                                                              {WM_TIMER, 1}, {WM_TIMER, 2}};
    EXPECT_EQ(got, expected);
    EXPECT_EQ(win.Kernel().GetTickCount() - start, 500u);
    EXPECT_TRUE(user.KillTimer(h, 1));
    EXPECT_FALSE(user.KillTimer(h, 1));
    EXPECT_TRUE(win.Contains("SetTimer(" + std::to_string(h.Value()) + ", 1, 100)"));
}

TEST_F(SimUserTest, SleepDoesNotDeliverAndLateTimerFiresOnce) {
    Hwnd h = ProgramWindow();
    seen.clear();
    user.SetTimer(h, 1, 100);
    win.Kernel().Sleep(1000);
    EXPECT_TRUE(seen.empty());
    EXPECT_TRUE(win.ProcessMessages());
    EXPECT_EQ(seen.size(), 1u);
    win.Advance(99);
    EXPECT_EQ(seen.size(), 1u);
    win.Advance(1);
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(SimUserTest, PostMessageFromAWorkerThreadIsDeliveredOnTheMainThread) {
    Hwnd h = ProgramWindow();
    seen.clear();
    std::thread worker([&] {
        for (int i = 0; i < 200; ++i) user.PostMessage(h, WM_USER + 7, static_cast<WParam>(i), 0);
    });
    while (seen.size() < 200) win.Advance(1);
    worker.join();
    for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i].wParam, i);
}

TEST_F(SimUserTest, QuitStopsProcessMessages) {
    user.PostMessage(0, sim::WM_QUIT, 0, 0);
    EXPECT_FALSE(win.ProcessMessages());
    EXPECT_TRUE(user.QuitReceived());
}

TEST_F(SimUserTest, HotKeysAreRefusedWhenHeldAndPressesArePosted) {
    Hwnd h = ProgramWindow();
    seen.clear();
    user.HoldHotKey(MOD_CONTROL | MOD_ALT, 'D');
    EXPECT_FALSE(user.RegisterHotKey(h, 1, MOD_CONTROL | MOD_ALT, 'D'));
    EXPECT_TRUE(user.RegisterHotKey(h, 2, MOD_WIN, 'W'));
    EXPECT_FALSE(user.RegisterHotKey(h, 3, MOD_WIN, 'W'));
    EXPECT_EQ(win.Journal()[2], "RegisterHotKey(" + std::to_string(h.Value()) + ", 2, 8, 0x57)");

    EXPECT_TRUE(user.PressHotKey(MOD_WIN, 'W'));
    EXPECT_FALSE(user.PressHotKey(MOD_SHIFT, 'W'));
    win.ProcessMessages();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].msg, WM_HOTKEY);
    EXPECT_EQ(seen[0].wParam, 2u);
    EXPECT_EQ(seen[0].lParam, static_cast<LParam>(MOD_WIN | 'W' << 16));
    EXPECT_EQ(user.PassedHotKeys().size(), 1u);
    EXPECT_TRUE(user.UnregisterHotKey(h, 2));
    EXPECT_FALSE(user.PressHotKey(MOD_WIN, 'W'));
}

TEST_F(SimUserTest, SystemParametersWriteTheProfileAndBroadcast) {
    ProgramWindow();
    seen.clear();
    win.ClearJournal();
    ASSERT_TRUE(user.SystemParametersInfo(SPI_SETSCREENSAVEACTIVE, 0, nullptr, SPIF_UPDATEINIFILE));
    EXPECT_EQ(win.Registry().Get(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveActive")->bytes,
              (std::vector<std::uint8_t>{'0', 0}));
    char path[] = "C:\\WINDOWS\\Velant.bmp";
    user.SystemParametersInfo(SPI_SETDESKWALLPAPER, 0, path, SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE);
    EXPECT_EQ(win.Registry().GetString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper"), path);
    user.SystemParametersInfo(SPI_SETSCREENSAVETIMEOUT, 300, nullptr, 0);
    int timeout = 0;
    user.SystemParametersInfo(SPI_GETSCREENSAVETIMEOUT, 0, &timeout, 0);
    EXPECT_EQ(timeout, 300);
    EXPECT_EQ(win.Registry().GetString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveTimeOut"),
              "600");

    EXPECT_TRUE(seen.empty());  // the broadcast is posted
    win.ProcessMessages();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].msg, WM_SETTINGCHANGE);
    EXPECT_EQ(seen[0].wParam, SPI_SETDESKWALLPAPER);
    EXPECT_EQ(win.Journal(), (std::vector<std::string>{
                                 "SystemParametersInfo(17, 0, null, 1)",
                                 "SystemParametersInfo(20, 0, \"C:\\WINDOWS\\Velant.bmp\", 3)",
                                 "SystemParametersInfo(15, 300, null, 0)",
                                 "SystemParametersInfo(14, 0, ptr, 0)",
                             }));
}

TEST_F(SimUserTest, PopupMenuModelAndScriptedChoice) {
    Hwnd h = ProgramWindow();
    seen.clear();
    Hmenu sub = user.CreatePopupMenu();
    user.AppendMenu(sub, MF_STRING, 11, "Next");
    Hmenu menu = user.CreatePopupMenu();
    user.AppendMenu(menu, MF_STRING | MF_CHECKED, 1, "Active");
    user.AppendMenu(menu, MF_SEPARATOR, 0, "");
    user.AppendMenu(menu, MF_POPUP, sub.Value(), "Wallpaper");
    user.SetMenuDefaultItem(menu, 1, 0);

    user.NextMenuChoice(11);
    EXPECT_EQ(user.TrackPopupMenu(menu, TPM_RIGHTBUTTON | sim::TPM_RETURNCMD, 5, 6, 0, h), 11);
    EXPECT_EQ(user.TrackPopupMenu(menu, TPM_RIGHTBUTTON | sim::TPM_RETURNCMD, 5, 6, 0, h), 0);
    user.NextMenuChoice(1);
    EXPECT_EQ(user.TrackPopupMenu(menu, TPM_RIGHTBUTTON, 5, 6, 0, h), 1);
    win.ProcessMessages();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].msg, WM_COMMAND);
    EXPECT_EQ(seen[0].wParam, 1u);

    EXPECT_TRUE(user.DestroyMenu(menu));
    EXPECT_EQ(user.LiveMenuCount(), 0u);
    const sim::MenuState& m = user.Menu(menu);
    ASSERT_EQ(m.items.size(), 3u);
    EXPECT_EQ(m.items[0].flags, MF_CHECKED);
    EXPECT_EQ(m.items[2].submenu, sub);
    EXPECT_EQ(user.Menu(sub).items[0].text, "Next");
    EXPECT_EQ(m.defaultItem, 1u);
}

}  // namespace
