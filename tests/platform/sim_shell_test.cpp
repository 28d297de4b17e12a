// The shell, multimedia, power and dialog families and the shared journal.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

using namespace plat;

namespace {

NotifyIconData IconData(Hwnd wnd, std::uint32_t flags, const char* tip) {
    NotifyIconData d;
    d.wnd = wnd;
    d.id = 1;
    d.flags = flags;
    d.callbackMessage = WM_TRAYNOTIFY;
    d.icon = Hicon{5};
    std::strncpy(d.tip, tip, sizeof d.tip - 1);
    return d;
}

class SimShellTest : public ::testing::Test {
protected:
    sim::SimWindows win;
    sim::SimShell& shell = win.Shell();
    std::vector<std::uint32_t> seen;
    Hwnd wnd =
        win.User().CreateHiddenWindow("TVelantTray", [this](std::uint32_t msg, WParam, LParam) -> LResult {
            seen.push_back(msg);
            return 0;
        });
};

TEST_F(SimShellTest, NotifyIconFollowsExplorerRules) {
    auto d = IconData(wnd, NIF_MESSAGE | NIF_ICON | NIF_TIP, "Velant");
    EXPECT_TRUE(shell.Shell_NotifyIcon(NIM_ADD, d));
    EXPECT_FALSE(shell.Shell_NotifyIcon(NIM_ADD, d));
    EXPECT_EQ(win.Journal().back(),
              "Shell_NotifyIcon(NIM_ADD, " + std::to_string(wnd.Value()) + ", 1, 7, 0x0800, 5, \"Velant\")");
    auto tipOnly = IconData(wnd, NIF_TIP, "Velant - on");
    EXPECT_TRUE(shell.Shell_NotifyIcon(NIM_MODIFY, tipOnly));
    ASSERT_EQ(shell.Icons().size(), 1u);
    EXPECT_EQ(shell.Icons()[0].tip, "Velant - on");
    EXPECT_EQ(shell.Icons()[0].icon, Hicon{5});

    EXPECT_TRUE(shell.ClickIcon(wnd, 1, WM_RBUTTONUP));
    win.ProcessMessages();
    EXPECT_EQ(seen.back(), WM_TRAYNOTIFY);

    EXPECT_TRUE(shell.Shell_NotifyIcon(NIM_DELETE, d));
    EXPECT_FALSE(shell.Shell_NotifyIcon(NIM_DELETE, d));
    EXPECT_FALSE(shell.Shell_NotifyIcon(NIM_MODIFY, d));
}

TEST_F(SimShellTest, ShellRestartLosesIconsUntilTheProgramReAddsThem) {
    auto d = IconData(wnd, NIF_MESSAGE | NIF_ICON | NIF_TIP, "Velant");
    ASSERT_TRUE(shell.Shell_NotifyIcon(NIM_ADD, d));
    win.User().DestroyShellWindows();
    EXPECT_TRUE(shell.Icons().empty());
    EXPECT_FALSE(shell.Shell_NotifyIcon(NIM_ADD, d));  // no taskbar
    EXPECT_FALSE(win.User().FindWindow("Shell_TrayWnd", nullptr));
    win.User().CreateShellWindows();
    win.User().BroadcastTaskbarCreated();
    EXPECT_EQ(seen.back(), win.User().RegisterWindowMessage("TaskbarCreated"));
    EXPECT_TRUE(shell.Shell_NotifyIcon(NIM_ADD, d));
    EXPECT_EQ(shell.Icons().size(), 1u);
}

TEST_F(SimShellTest, SpecialFoldersIconsAndExecute) {
    Pidl pidl = 0;
    ASSERT_EQ(shell.SHGetSpecialFolderLocation(0, CSIDL_DESKTOPDIRECTORY, pidl), 0);
    std::string path;
    EXPECT_TRUE(shell.SHGetPathFromIDList(pidl, path));
    EXPECT_EQ(path, "C:\\Documents and Settings\\User\\Desktop");
    shell.FreeIDList(pidl);
    ASSERT_EQ(shell.SHGetSpecialFolderLocation(0, CSIDL_DRIVES, pidl), 0);
    EXPECT_FALSE(shell.SHGetPathFromIDList(pidl, path));
    shell.FreeIDList(pidl);
    EXPECT_EQ(shell.LiveIdLists(), 0u);

    Hicon a = shell.SHGetFileInfoSmallIcon("C:\\WINDOWS");
    Hicon b = shell.SHGetFileInfoSmallIcon("C:\\WINDOWS");
    EXPECT_TRUE(a);
    EXPECT_NE(a, b);
    EXPECT_FALSE(shell.SHGetFileInfoSmallIcon("C:\\missing"));
    EXPECT_EQ(win.User().LiveIconCount(), 2u);

    EXPECT_GT(shell.ShellExecute(wnd, "open", "C:\\WINDOWS", nullptr, nullptr, SW_SHOWNORMAL), 32);
    EXPECT_EQ(win.Journal().back(),
              "ShellExecute(" + std::to_string(wnd.Value()) + ", \"open\", \"C:\\WINDOWS\", null, null, 1)");
    ShellExecuteInfo info;
    info.mask = SEE_MASK_NOCLOSEPROCESS;
    info.file = "control.exe";
    ASSERT_TRUE(shell.ShellExecuteEx(info));
    EXPECT_TRUE(win.Kernel().IsHandleOpen(info.process));
    EXPECT_TRUE(win.Kernel().CloseHandle(info.process));

    shell.SHAddToRecentDocs(SHARD_PATH, nullptr);
    shell.SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_FLUSHNOWAIT, nullptr, nullptr);
    EXPECT_EQ(win.Count("SHAddToRecentDocs(2, null)"), 1u);
    EXPECT_EQ(win.Journal().back(), "SHChangeNotify(0x08000000, 0x2000, null, null)");
}

TEST_F(SimShellTest, BrowseAndActiveDesktopAreScripted) {
    std::string path;
    BrowseInfo info;
    info.owner = wnd;
    info.title = "Pick";
    info.initialFolder = "C:\\WINDOWS";
    EXPECT_FALSE(shell.SHBrowseForFolder(info, path));
    shell.NextBrowseResult("C:\\Pics");
    EXPECT_TRUE(shell.SHBrowseForFolder(info, path));
    EXPECT_EQ(path, "C:\\Pics");
    EXPECT_EQ(win.Journal().back(),
              "SHBrowseForFolder(" + std::to_string(wnd.Value()) + ", \"Pick\", 0, \"C:\\WINDOWS\")");
    EXPECT_EQ(shell.LastBrowseInfo()->initialFolder, "C:\\WINDOWS");
}

TEST_F(SimShellTest, ActiveDesktopOptionsArePendingOnTheirObjectUntilItApplies) {
    ActiveDesktopOptions o;
    o.fActiveDesktop = -1;
    auto setter = shell.CreateActiveDesktop();
    ASSERT_TRUE(setter);
    EXPECT_TRUE(setter->SetDesktopItemOptions(o));
    ActiveDesktopOptions back;
    EXPECT_TRUE(setter->GetDesktopItemOptions(back));
    EXPECT_EQ(back.fActiveDesktop, -1);
    // Neither the system nor another object sees what was not applied, and
    // applying on another object applies nothing.
    auto other = shell.CreateActiveDesktop();
    EXPECT_TRUE(other->GetDesktopItemOptions(back));
    EXPECT_EQ(back.fActiveDesktop, 0);
    EXPECT_TRUE(other->ApplyChanges(15));
    EXPECT_EQ(shell.DesktopItemOptions().fActiveDesktop, 0);
    EXPECT_TRUE(setter->ApplyChanges(15));
    EXPECT_EQ(shell.DesktopItemOptions().fActiveDesktop, -1);
    EXPECT_TRUE(shell.CreateActiveDesktop()->GetDesktopItemOptions(back));
    EXPECT_EQ(back.fActiveDesktop, -1);
    EXPECT_EQ(win.Journal().back(), "CreateActiveDesktop()");
    shell.SetActiveDesktopAvailable(false);
    EXPECT_EQ(shell.CreateActiveDesktop(), nullptr);
}

TEST(SimMultimediaTest, CdCommandsAndErrorTexts) {
    sim::SimWindows win;
    auto& mm = win.Multimedia();
    EXPECT_EQ(mm.mciSendString("open cdaudio alias cd wait"), 0u);
    EXPECT_EQ(mm.mciSendString("set cd door open wait"), 0u);
    EXPECT_EQ(mm.mciSendString("close cd"), 0u);
    EXPECT_EQ(mm.mciSendString("set cd door closed"), sim::MCIERR_INVALID_DEVICE_NAME);
    mm.SetNoCdDevice(true);
    std::uint32_t err = mm.mciSendString("set cdaudio door open wait");
    EXPECT_EQ(err, sim::MCIERR_INVALID_DEVICE_NAME);
    std::string text;
    ASSERT_TRUE(mm.mciGetErrorString(err, text, 128));
    EXPECT_EQ(text, "The specified device is not open or is not recognized by MCI.");
    EXPECT_FALSE(mm.mciGetErrorString(9999, text, 128));
    mm.NextMciResult(276);
    EXPECT_EQ(mm.mciSendString("anything"), 276u);
    EXPECT_EQ(win.Journal()[4], "mciSendString(\"set cdaudio door open wait\")");
}

TEST(SimPowerTest, JournalsAndFailsOnDemand) {
    sim::SimWindows win;
    auto& p = win.Power();
    EXPECT_TRUE(p.AdjustPrivilege("SeShutdownPrivilege", true));
    win.FailNext("ExitWindowsEx");
    EXPECT_FALSE(p.ExitWindowsEx(EWX_SHUTDOWN | EWX_FORCE, 0));
    EXPECT_TRUE(p.ExitWindowsEx(EWX_SHUTDOWN, 0));
    win.SetFailing("SetSystemPowerState", true);
    EXPECT_FALSE(p.SetSystemPowerState(true, false));
    EXPECT_FALSE(p.SetSystemPowerState(true, false));
    EXPECT_EQ(win.Journal(), (std::vector<std::string>{
                                 "AdjustPrivilege(\"SeShutdownPrivilege\", 1)",
                                 "ExitWindowsEx(5, 0)",
                                 "ExitWindowsEx(1, 0)",
                                 "SetSystemPowerState(1, 0)",
                                 "SetSystemPowerState(1, 0)",
                             }));
    EXPECT_TRUE(p.PrivilegeEnabled("seshutdownprivilege"));
}

TEST(SimDialogsTest, AnswersFromTheScript) {
    sim::SimWindows win;
    auto& d = win.Dialogs();
    EXPECT_EQ(d.MessageBox(0, "Delete?", "Velant", MB_YESNO | MB_ICONQUESTION), IDYES);
    EXPECT_EQ(d.MessageBox(0, "Done", "Velant", MB_OK), IDOK);
    d.NextMessageBoxAnswer(IDNO);
    EXPECT_EQ(d.MessageBox(0, "Delete?", "Velant", MB_YESNO), IDNO);
    EXPECT_EQ(d.MessageBoxes()[2].answer, IDNO);
    EXPECT_EQ(win.Journal()[0], "MessageBox(0, \"Delete?\", \"Velant\", 36)");

    ColorRef c = 0x123456;
    EXPECT_FALSE(d.ChooseColor(0, c));
    d.NextColor(0x00FF00);
    EXPECT_TRUE(d.ChooseColor(0, c));
    EXPECT_EQ(c, 0x00FF00u);

    FileDialogOptions o;
    o.filter = "Bitmaps|*.bmp";
    d.NextSaveFileName("C:\\out.bmp");
    EXPECT_TRUE(d.GetSaveFileName(o));
    EXPECT_EQ(o.fileName, "C:\\out.bmp");
    EXPECT_FALSE(d.GetOpenFileName(o));
    EXPECT_EQ(d.LastFileDialog()->filter, "Bitmaps|*.bmp");
}

TEST(SimJournalTest, CountsPrefixesAndStartsClean) {
    sim::SimWindows win;
    EXPECT_TRUE(win.Journal().empty());
    auto platform = win.platform();
    platform.user.SendMessageTimeout(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0, SMTO_ABORTIFHUNG, 100, nullptr);
    platform.user.SendMessage(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0);
    EXPECT_EQ(win.Count("SendMessage"), 2u);
    EXPECT_EQ(win.Count("SendMessage("), 1u);
    win.ClearJournal();
    EXPECT_EQ(win.Count(""), 0u);
}

}  // namespace
