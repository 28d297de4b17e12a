// Windows, messages and system parameters through Win32User, and the
// notification icon through Win32Shell. Uses the Windows headers' own constants.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32Multimedia.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32User.h"

namespace {

struct Received {
    std::uint32_t msg;
    plat::WParam wParam;
    plat::LParam lParam;
};

class Win32UserTest : public ::testing::Test {
protected:
    plat::Hwnd MakeWindow(const char* className) {
        return user.CreateHiddenWindow(
            className, [this](std::uint32_t msg, plat::WParam w, plat::LParam l) -> plat::LResult {
                if (msg >= WM_USER) received.push_back({msg, w, l});
                return 0;
            });
    }
    bool Got(std::uint32_t msg, plat::WParam w, plat::LParam l) const {
        for (const auto& r : received)
            if (r.msg == msg && r.wParam == w && r.lParam == l) return true;
        return false;
    }

    win32::Win32User user;
    std::vector<Received> received;
};

TEST_F(Win32UserTest, HiddenWindowIsAnInvisibleTopLevelWindow) {
    plat::Hwnd wnd = MakeWindow("VelantTestHidden1");
    ASSERT_TRUE(wnd);
    EXPECT_TRUE(user.IsWindow(wnd));
    EXPECT_FALSE(user.IsWindowVisible(wnd));
    // FindWindow never sees message-only windows; it sees this one.
    EXPECT_EQ(user.FindWindow("VelantTestHidden1", nullptr), wnd);
    EXPECT_EQ(::GetParent(win32::ToWin(wnd)), nullptr);
    EXPECT_TRUE(user.DestroyWindow(wnd));
    EXPECT_FALSE(user.IsWindow(wnd));
}

TEST_F(Win32UserTest, PostedMessageReachesTheProcedure) {
    plat::Hwnd wnd = MakeWindow("VelantTestHidden2");
    ASSERT_TRUE(wnd);
    ASSERT_TRUE(user.PostMessage(wnd, WM_USER + 1024, 7, 0x204));
    EXPECT_TRUE(user.ProcessMessages());
    EXPECT_TRUE(Got(WM_USER + 1024, 7, 0x204));
    user.DestroyWindow(wnd);
}

TEST_F(Win32UserTest, RegisteredBroadcastMessageReachesTheHiddenWindow) {
    plat::Hwnd wnd = MakeWindow("VelantTestHidden3");
    ASSERT_TRUE(wnd);
    std::uint32_t msg = user.RegisterWindowMessage("VelantTestBroadcast");
    ASSERT_GE(msg, 0xC000u);
    EXPECT_EQ(user.RegisterWindowMessage("VelantTestBroadcast"), msg);
    // What the shell does with "TaskbarCreated" when it restarts.
    std::uintptr_t result = 0;
    user.SendMessageTimeout(win32::FromWin(HWND_BROADCAST), msg, 3, 4, SMTO_ABORTIFHUNG, 2000, &result);
    user.ProcessMessages();
    EXPECT_TRUE(Got(msg, 3, 4));
    user.DestroyWindow(wnd);
}

TEST_F(Win32UserTest, ProcessMessagesReportsQuitAndLeavesItForTheMainLoop) {
    ::PostQuitMessage(3);
    EXPECT_FALSE(user.ProcessMessages());
    MSG m;
    ASSERT_TRUE(::PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(Win32UserTest, MainLoopPassesMessagesThroughTheFilterAndEndsAtQuit) {
    plat::Hwnd wnd = MakeWindow("VelantTestHidden4");
    ASSERT_TRUE(wnd);
    user.SetMessageFilter([](MSG& m) { return m.message == WM_USER + 1; });
    ASSERT_TRUE(user.PostMessage(wnd, WM_USER + 1, 1, 0));
    ASSERT_TRUE(user.PostMessage(wnd, WM_USER + 2, 2, 0));
    ::PostQuitMessage(5);
    EXPECT_EQ(user.RunMessageLoop(nullptr), 5);
    EXPECT_FALSE(Got(WM_USER + 1, 1, 0)) << "the filter consumed it";
    EXPECT_TRUE(Got(WM_USER + 2, 2, 0));
    user.SetMessageFilter(nullptr);
    user.DestroyWindow(wnd);
}

TEST_F(Win32UserTest, ScreensaverTimeoutIsReadable) {
    int seconds = -1;
    ASSERT_TRUE(user.SystemParametersInfo(SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0));
    EXPECT_GE(seconds, 0);
    BOOL active = 2;
    ASSERT_TRUE(user.SystemParametersInfo(SPI_GETSCREENSAVEACTIVE, 0, &active, 0));
    EXPECT_TRUE(active == TRUE || active == FALSE);
}

TEST_F(Win32UserTest, PopupMenuTakesItems) {
    plat::Hmenu menu = user.CreatePopupMenu();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(user.AppendMenu(menu, MF_STRING, 10, "Configure"));
    EXPECT_TRUE(user.AppendMenu(menu, MF_SEPARATOR, 0, ""));
    EXPECT_TRUE(user.SetMenuDefaultItem(menu, 10, 0));
    EXPECT_EQ(::GetMenuItemCount(win32::ToWin(menu)), 2);
    EXPECT_TRUE(user.DestroyMenu(menu));
}

TEST_F(Win32UserTest, NotifyIconAddModifyDelete) {
    win32::Win32Shell shell;
    plat::Hwnd wnd = MakeWindow("VelantTestTray");
    ASSERT_TRUE(wnd);
    plat::Hicon icon = user.LoadAppIcon();
    ASSERT_TRUE(icon);

    plat::NotifyIconData nid;
    nid.wnd = wnd;
    nid.id = 1;
    nid.flags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.callbackMessage = WM_USER + 1024;
    nid.icon = icon;
    std::snprintf(nid.tip, sizeof nid.tip, "%s", "Velant! Pro 2001");
    EXPECT_TRUE(shell.Shell_NotifyIcon(NIM_ADD, nid));
    std::snprintf(nid.tip, sizeof nid.tip, "%s", "changed");
    nid.flags = NIF_TIP;
    EXPECT_TRUE(shell.Shell_NotifyIcon(NIM_MODIFY, nid));
    EXPECT_TRUE(shell.Shell_NotifyIcon(NIM_DELETE, nid));
    // Gone: neither a second delete nor a modify finds it.
    EXPECT_FALSE(shell.Shell_NotifyIcon(NIM_DELETE, nid));
    EXPECT_FALSE(shell.Shell_NotifyIcon(NIM_MODIFY, nid));

    EXPECT_TRUE(user.DestroyIcon(icon));
    user.DestroyWindow(wnd);
}

TEST(Win32Dialogs, FilterBecomesNulSeparatedPairs) {
    const std::string converted = win32::Win32Dialogs::ConvertFilter("Pictures|*.bmp;*.jpg|All files|*.*");
    EXPECT_EQ(converted, std::string("Pictures\0*.bmp;*.jpg\0All files\0*.*\0\0", 36));
    EXPECT_EQ(win32::Win32Dialogs::ConvertFilter(""), "");
}

// A dialog of this process, as a user would see it.
BOOL CALLBACK FindOwnDialog(HWND wnd, LPARAM found) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    char cls[16] = {};
    GetClassNameA(wnd, cls, sizeof cls);
    if (pid != GetCurrentProcessId() || std::string(cls) != "#32770" || !IsWindowVisible(wnd)) return TRUE;
    *reinterpret_cast<HWND*>(found) = wnd;
    return FALSE;
}

TEST(Win32Dialogs, ColourDialogOpensAndCancellingKeepsTheColour) {
    win32::Win32Dialogs dialogs;
    std::atomic<bool> returned{false};
    std::atomic<bool> seen{false};
    std::thread user([&] {
        for (int i = 0; i < 1000 && !returned; ++i) {
            HWND dialog = nullptr;
            EnumWindows(FindOwnDialog, reinterpret_cast<LPARAM>(&dialog));
            if (dialog) {
                seen = true;
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            Sleep(10);
        }
    });
    plat::ColorRef color = RGB(1, 2, 3);
    const bool chosen = dialogs.ChooseColor(0, color);
    returned = true;
    user.join();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(chosen);
    EXPECT_EQ(color, RGB(1, 2, 3));
}

TEST(Win32Multimedia, CommandsReachTheMediaControlInterface) {
    win32::Win32Multimedia mm;
    // A query whose answer has nowhere to go: the interface itself says so.
    EXPECT_EQ(mm.mciSendString("sysinfo all quantity"), static_cast<std::uint32_t>(MCIERR_PARAM_OVERFLOW));
    std::string text;
    EXPECT_TRUE(mm.mciGetErrorString(MCIERR_INVALID_DEVICE_NAME, text, 128));
    EXPECT_FALSE(text.empty());
}

}  // namespace
