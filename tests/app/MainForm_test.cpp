#include "app/MainForm.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"
#include "wallpaper/Picture.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
const std::string kStore = "Software\\Corvane\\Velant! Pro 2001";
const std::string kMain = "Software\\Corvane\\Velant! Pro 2001\\Main";
const std::string kShell32 = "C:\\WINDOWS\\system\\shell32.dll";

class MainFormTest : public ::testing::Test {
protected:
    MainFormTest() { app.Title = "Velant! Pro 2001"; }

    TMainForm& Start() {
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
        return *form;
    }
    std::vector<std::string> Calls(const std::string& prefix) { return win.CallJournal().Matching(prefix); }
    // The priority calls, in order.
    std::vector<std::string> PriorityCalls() {
        std::vector<std::string> out;
        for (const auto& e : win.Journal())
            if (e.rfind("SetPriorityClass(", 0) == 0 || e.rfind("SetThreadPriority(", 0) == 0)
                out.push_back(e);
        return out;
    }
    std::optional<sim::NotifyIcon> TrayIcon() { return win.Shell().Icon(form->trayIcon.Handle(), 1); }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<TMainForm> form;
};

// ---- start-up ----

TEST_F(MainFormTest, StartsResidentWithItsIconAndNoWindow) {
    auto& f = Start();
    auto icon = TrayIcon();
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->tip, "Velant! Pro 2001");
    EXPECT_EQ(icon->callbackMessage, 2048u);
    EXPECT_EQ(win.Shell().Icons().size(), 1u);
    EXPECT_FALSE(f.Showing());
    EXPECT_FALSE(app.ShowMainForm);
    EXPECT_EQ(f.Caption, "Velant! Pro 2001");
    EXPECT_EQ(f.wallpaperPage.wallpaperList.HorizontalExtent, 400);
    EXPECT_TRUE(win.Dialogs().MessageBoxes().empty());
}

// The program entry puts the icon in before it builds the window's controls, and
// runs the rest of the start-up afterwards.
TEST_F(MainFormTest, IconCanGoInAheadOfTheStartUpSequenceAndIsAddedOnce) {
    form = std::make_unique<TMainForm>(p, app);
    form->LoadResidentComponents();
    ASSERT_TRUE(TrayIcon().has_value());
    EXPECT_FALSE(app.ShowMainForm);
    EXPECT_FALSE(win.Registry().Get(HKCU, kMain, "GroupPriority")) << "the start-up sequence waits";

    form->Loaded();
    EXPECT_EQ(win.Count("Shell_NotifyIcon(NIM_ADD"), 1u);
    EXPECT_EQ(win.Shell().Icons().size(), 1u);
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "GroupPriority"), "-1");
    EXPECT_FALSE(form->Showing());
}

TEST_F(MainFormTest, FirstRunMakesNoPriorityCallAndStoresNoSelection) {
    Start();
    EXPECT_EQ(win.Count("SetPriorityClass("), 0u);
    EXPECT_EQ(win.Count("SetThreadPriority("), 0u);
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "GroupPriority"), "-1");
}

TEST_F(MainFormTest, StoredPriorityIsAppliedToTheMainThreadOnly) {
    struct Case {
        const char* stored;
        int thread;
    };
    for (const Case c : {Case{"0", -15}, Case{"1", 0}, Case{"2", 2}}) {
        form.reset();
        win.ClearJournal();
        win.Registry().SetString(HKCU, kStore, "GroupPriority_ItemIndex", c.stored);
        Start();
        // Once when the restore changes the selection, once by the start-up step.
        const std::string cls = "SetPriorityClass(-1, 32)";
        const std::string thr = "SetThreadPriority(-2, " + std::to_string(c.thread) + ")";
        EXPECT_EQ(PriorityCalls(), (std::vector<std::string>{cls, thr, cls, thr})) << c.stored;
        EXPECT_EQ(win.Kernel().PriorityClass(), 0x20u);
        EXPECT_EQ(win.Kernel().ThreadPriority(), c.thread);
        EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "GroupPriority"), c.stored);
    }
}

TEST_F(MainFormTest, ChoosingAPriorityAppliesAndStoresIt) {
    auto& f = Start();
    win.ClearJournal();
    f.mainPage.GroupPriority.SetItemIndex(2);
    EXPECT_EQ(PriorityCalls(),
              (std::vector<std::string>{"SetPriorityClass(-1, 32)", "SetThreadPriority(-2, 2)"}));
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "GroupPriority"), "2");
    f.mainPage.GroupPriority.SetItemIndex(2);
    EXPECT_EQ(PriorityCalls().size(), 2u) << "choosing the selected item again changes nothing";
}

// ---- Active Desktop support from the shell library's version ----

struct ShellVersion {
    std::optional<std::pair<int, int>> version;  // nullopt: no shell32.dll version data
    bool supported;
};

class ActiveDesktopSupport : public MainFormTest, public ::testing::WithParamInterface<ShellVersion> {};

TEST_P(ActiveDesktopSupport, FollowsTheShellLibraryVersion) {
    const auto& c = GetParam();
    if (c.version) win.Kernel().SetFileVersion(kShell32, c.version->first, c.version->second);
    auto& f = Start();
    EXPECT_EQ(f.desktopPage.ShellSupportsActiveDesktop(), c.supported);
    EXPECT_EQ(f.desktopPage.ckActiveDesktop.Enabled(), c.supported);
    if (!c.supported) {
        EXPECT_FALSE(f.desktopPage.ckActiveDesktop.Checked());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Versions, ActiveDesktopSupport,
    ::testing::Values(ShellVersion{std::nullopt, false}, ShellVersion{std::make_pair(4, 0), false},
                      ShellVersion{std::make_pair(4, 70), false}, ShellVersion{std::make_pair(4, 71), true},
                      ShellVersion{std::make_pair(4, 72), true}, ShellVersion{std::make_pair(5, 0), true},
                      ShellVersion{std::make_pair(6, 1), true}, ShellVersion{std::make_pair(3, 99), false}));

TEST_F(MainFormTest, ActiveDesktopBoxShowsTheCurrentStateWhenSupported) {
    win.Kernel().SetFileVersion(kShell32, 5, 0);
    plat::ActiveDesktopOptions on;
    on.fEnableComponents = 1;
    on.fActiveDesktop = 1;
    win.Shell().SetAppliedDesktopItemOptions(on);
    auto& f = Start();
    EXPECT_TRUE(f.desktopPage.ckActiveDesktop.Enabled());
    EXPECT_TRUE(f.desktopPage.ckActiveDesktop.Checked());
    // Switching takes effect on the system, and leaves the components setting alone.
    for (const bool enable : {false, true}) {
        const std::size_t applied = win.Count("ApplyChanges(15)");
        f.desktopPage.ckActiveDesktop.SetChecked(enable);
        EXPECT_EQ(win.Shell().DesktopItemOptions().fActiveDesktop, enable ? -1 : 0) << enable;
        EXPECT_EQ(win.Shell().DesktopItemOptions().fEnableComponents, 1) << enable;
        EXPECT_EQ(win.Count("ApplyChanges(15)"), applied + 1) << enable;
    }
}

TEST_F(MainFormTest, VersionInfoThatCannotBeReadCountsAsNotSupported) {
    win.Kernel().SetFileVersion(kShell32, 5, 0);
    win.SetFailing("GetFileVersionInfo", true);
    EXPECT_FALSE(Start().desktopPage.ShellSupportsActiveDesktop());
    EXPECT_FALSE(form->desktopPage.ckActiveDesktop.Enabled());
}

// ---- shut-down ----

TEST_F(MainFormTest, ClosingClearsRecentDocumentsOnlyWhenAsked) {
    for (bool clear : {false, true}) {
        form.reset();
        auto& f = Start();
        f.mainPage.ckClearRecDocs.SetChecked(clear);
        win.ClearJournal();
        f.mainPage.closeButton.Click();  // "Close"
        EXPECT_EQ(win.Count("SHAddToRecentDocs("), clear ? 1u : 0u);
        if (clear) {
            EXPECT_TRUE(win.Contains("SHAddToRecentDocs(2, null)"));
        }
    }
}

TEST_F(MainFormTest, ClearNowAndThePopupItemClearAtOnceWhateverTheBox) {
    auto& f = Start();
    ASSERT_FALSE(f.mainPage.ckClearRecDocs.Checked());
    win.ClearJournal();
    f.mainPage.clearRecentNowButton.Click();  // "Clear now"
    f.menuPage.MainPopup_ClearRecent->Click();
    EXPECT_EQ(Calls("SHAddToRecentDocs("),
              (std::vector<std::string>{"SHAddToRecentDocs(2, null)", "SHAddToRecentDocs(2, null)"}));
}

TEST_F(MainFormTest, ClosingReEnablesTheScreensaverUnlessEnabledOrKeptOff) {
    struct Case {
        bool scrEnable, keepDisabled, reEnabled;
    };
    const Case cases[] = {
        {false, false, true},
        {false, true, false},
        {true, false, false},
        {true, true, false},
    };
    for (const auto& c : cases) {
        form.reset();
        win.User().SetScreenSaverState(true, 600);
        auto& f = Start();
        f.mainPage.ckScrEnable.SetChecked(c.scrEnable);
        f.mainPage.ckKeepScrDisabled.SetChecked(c.keepDisabled);
        win.ClearJournal();
        f.menuPage.MainPop_Close->Click();
        const std::string where = std::to_string(c.scrEnable) + "/" + std::to_string(c.keepDisabled);
        EXPECT_EQ(win.Count("SystemParametersInfo(17,"), c.reEnabled ? 1u : 0u) << where;
        if (c.reEnabled) {
            EXPECT_TRUE(win.Contains("SystemParametersInfo(17, 1, null, 3)")) << where;
            EXPECT_TRUE(win.User().ScreenSaverActive()) << where;
            // Made permanent in the profile, where other programs read it.
            EXPECT_EQ(win.Registry().GetString(HKCU, "Control Panel\\Desktop", "ScreenSaveActive"), "1")
                << where;
        } else {
            // Left as the check box put it.
            EXPECT_EQ(win.User().ScreenSaverActive(), c.scrEnable) << where;
        }
    }
}

TEST_F(MainFormTest, ShutDownClearsRecentDocumentsBeforeSavingAndReEnablesAfter) {
    auto& f = Start();
    f.mainPage.ckClearRecDocs.SetChecked(true);
    f.mainPage.ckScrEnable.SetChecked(false);
    win.ClearJournal();
    f.Close();
    const auto all = win.Journal();
    auto at = [&](const std::string& prefix) {
        for (std::size_t i = 0; i < all.size(); ++i)
            if (all[i].rfind(prefix, 0) == 0) return i;
        return all.size();
    };
    const auto recent = at("SHAddToRecentDocs(");
    const auto save = at("RegSetValueEx(HKCU\\" + kStore + ", \"FormVersion\"");
    const auto screensaver = at("SystemParametersInfo(17,");
    ASSERT_LT(screensaver, all.size());
    EXPECT_LT(recent, save);
    EXPECT_LT(save, screensaver);
}

TEST_F(MainFormTest, DestroyingTheFormRemovesTheIcon) {
    Start();
    const auto wnd = form->trayIcon.Handle();
    form.reset();
    EXPECT_TRUE(win.Shell().Icons().empty());
    EXPECT_FALSE(win.User().IsWindow(wnd));
}

// ---- showing, minimising ----

TEST_F(MainFormTest, DoubleClickOnTheIconShowsTheWindowAndRestoresTheApplication) {
    auto& f = Start();
    win.Registry().SetString(HKCU, kStore, "ckCPU_Checked", "True");
    ASSERT_TRUE(win.Shell().ClickIcon(f.trayIcon.Handle(), 1, plat::WM_LBUTTONDBLCLK));
    EXPECT_FALSE(f.Showing()) << "nothing happens before the message is delivered";
    win.ProcessMessages();
    EXPECT_TRUE(f.Showing());
    EXPECT_FALSE(app.Minimized());
    EXPECT_TRUE(f.mainPage.ckCPU.Checked()) << "showing reloads the stored values";
}

TEST_F(MainFormTest, ConfigurePopupItemShowsTheWindow) {
    auto& f = Start();
    f.menuPage.MainPop_Configure->Click();
    EXPECT_TRUE(f.Showing());
}

TEST_F(MainFormTest, MinimiseHidesTheWindowAndAddsTheIconAgain) {
    auto& f = Start();
    f.ShowConfiguration();
    ASSERT_TRUE(f.Showing());
    const auto addsBefore = win.Count("Shell_NotifyIcon(NIM_ADD");
    f.mainPage.minimizeButton.Click();  // "Minimize"
    EXPECT_FALSE(f.Showing());
    EXPECT_TRUE(app.Minimized());
    EXPECT_EQ(win.Count("Shell_NotifyIcon(NIM_ADD"), addsBefore + 1);
    EXPECT_TRUE(TrayIcon().has_value());

    // And back from the icon again.
    win.Shell().ClickIcon(f.trayIcon.Handle(), 1, plat::WM_LBUTTONDBLCLK);
    win.ProcessMessages();
    EXPECT_TRUE(f.Showing());
    EXPECT_FALSE(app.Minimized());
}

TEST_F(MainFormTest, IconComesBackAfterTheShellRestarts) {
    auto& f = Start();
    win.User().DestroyShellWindows();
    EXPECT_FALSE(TrayIcon().has_value());
    win.User().CreateShellWindows();
    win.User().BroadcastTaskbarCreated();
    auto icon = TrayIcon();
    ASSERT_TRUE(icon.has_value());
    EXPECT_EQ(icon->tip, "Velant! Pro 2001");
    EXPECT_EQ(icon->wnd, f.trayIcon.Handle());
}

TEST_F(MainFormTest, HidingTheWindowEmptiesThePreview) {
    auto& f = Start();
    win.Kernel().WriteBytes("C:\\pics\\a.bmp", EncodeBmp(TBitmap(4, 3)));
    f.ShowConfiguration();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\a.bmp"});
    f.wallpaperPage.wallpaperList.Click(0);
    ASSERT_NE(f.wallpaperPage.preview.Picture(), nullptr);
    f.mainPage.minimizeButton.Click();
    EXPECT_EQ(f.wallpaperPage.preview.Picture(), nullptr);
}

// ---- errors at the dispatch boundary ----

TEST_F(MainFormTest, AnErrorInATimedHandlerIsReportedAndTheProgramGoesOn) {
    win.Kernel().WriteText("C:\\pics\\broken.bmp", "this is no bitmap");
    win.Kernel().WriteBytes("C:\\pics\\good.bmp", EncodeBmp(TBitmap(8, 8)));
    auto& f = Start();
    f.wallpaperPage.wallpaperList.SetItems({"C:\\pics\\broken.bmp", "C:\\pics\\good.bmp"});
    f.wallpaperPage.CheckTime.SetText("1");
    f.wallpaperPage.ckChangeWp.SetChecked(true);
    win.ClearJournal();

    win.Advance(60000);  // the change picks the broken entry and goes on to the next
    ASSERT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    const auto& box = win.Dialogs().MessageBoxes()[0];
    EXPECT_FALSE(box.text.empty());
    EXPECT_EQ(box.caption, "Velant! Pro 2001");
    EXPECT_EQ(box.type, plat::MB_OK | plat::MB_ICONERROR);
    EXPECT_EQ(win.Count("SystemParametersInfo(20, 0, \"" + f.rotation.WallpaperBitmapPath() + "\", 3)"), 2u);

    win.Advance(60000);  // the next minute goes on
    EXPECT_EQ(win.Count("SystemParametersInfo(20, 0, \"" + f.rotation.WallpaperBitmapPath() + "\", 3)"), 4u);
    EXPECT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
}

TEST_F(MainFormTest, AnErrorInAnIconHandlerIsReportedAndTheIconKeepsWorking) {
    auto& f = Start();
    int clicks = 0;
    f.trayIcon.OnClick = [&] {
        if (++clicks == 1) throw std::runtime_error("first click failed");
    };
    const auto wnd = f.trayIcon.Handle();
    for (int i = 0; i < 2; ++i) {
        win.Shell().ClickIcon(wnd, 1, plat::WM_LBUTTONDOWN);
        win.Shell().ClickIcon(wnd, 1, plat::WM_LBUTTONUP);
        win.ProcessMessages();
    }
    EXPECT_EQ(clicks, 2);
    ASSERT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    EXPECT_EQ(win.Dialogs().MessageBoxes()[0].text, "first click failed");
}

TEST(MainFormTraceTest, ErrorsStartUpGoesOnAfterLeaveATrace) {
    struct Case {
        const char* what;
        const char* path;
        const char* name;
        const char* trace;
    };
    const Case cases[] = {
        {"a stored value", "Software\\Corvane\\Velant! Pro 2001", "ckWinClock_Checked",
         "Reading ckWinClock.Checked: Invalid data type for 'ckWinClock_Checked'"},
        {"a shell folder", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", "Cookies",
         "Reading Cookies: Invalid data type for 'Cookies'"},
        {"the logon entry", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Velant! Pro 2001",
         "Reading the logon entry: Invalid data type for 'Velant! Pro 2001'"},
    };
    for (const auto& c : cases) {
        sim::SimWindows win;
        plat::Platform p = win.platform();
        TApplication app{p.user, p.dialogs};
        win.Registry().SetDword(HKCU, c.path, c.name, 1);
        TMainForm form(p, app);
        form.Loaded();
        EXPECT_TRUE(win.Contains("OutputDebugString(\"" + std::string(c.trace) + "\")")) << c.what;
        EXPECT_TRUE(win.Dialogs().MessageBoxes().empty()) << c.what;
        // The box shows no entry, and the user's click writes one (over a bad one too).
        const std::string run = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
        EXPECT_FALSE(form.mainPage.ckAutorun.Checked()) << c.what;
        form.mainPage.ckAutorun.SetChecked(true);
        EXPECT_EQ(win.Registry().Get(HKCU, run, "Velant! Pro 2001").value().type, plat::REG_SZ) << c.what;
        EXPECT_EQ(win.Registry().GetString(HKCU, run, "Velant! Pro 2001"),
                  "\"C:\\Program Files\\Velant\\VelantPro.exe\"")
            << c.what;
    }
}

// ---- the user's screensaver, the desktop monitor at start-up, the Recycle Bin's name ----

TEST_F(MainFormTest, StartUpAppliesOnlyStoredScreensaverChoicesAndCloseRestoresOnlyWhatItSwitchedOff) {
    struct Case {
        const char* what;
        bool systemOn;
        int systemSeconds;
        const char* storedEnabled;  // nullptr: nothing stored
        const char* storedMinutes;
        bool onAfterStart;
        int secondsAfterStart;
        bool offElsewhere;  // the display settings switch it off while the program runs
        bool onAfterClose;
        // The profile's values the last run saw; Windows' own are "1,600". Others:
        // the user changed them in Windows' settings while the program was closed.
        const char* recorded = nullptr;
    };
    const Case cases[] = {
        {"first run, system off", false, 600, nullptr, nullptr, false, 600, false, false},
        {"stored off, system on", true, 600, "False", nullptr, false, 600, false, true},
        {"stored off, system off", false, 600, "False", nullptr, false, 600, false, false},
        {"stored on, system off", false, 600, "True", nullptr, true, 600, false, true},
        {"two hours stay", true, 7200, "True", "120", true, 7200, false, true},
        {"stored five minutes", true, 600, nullptr, "5", true, 300, false, true},
        {"off elsewhere", true, 600, nullptr, nullptr, true, 600, true, false},
        {"a new logon, the profile as seen", true, 600, "False", "5", false, 300, false, true, "1,600"},
        {"changed in Windows meanwhile", true, 900, "False", "5", true, 900, false, true, "1,300"},
        {"off in Windows meanwhile", false, 600, "True", nullptr, false, 600, false, false, "0,600"},
    };
    for (const auto& c : cases) {
        form.reset();
        win.Registry().RemoveKey(HKCU, "Software\\Corvane");
        if (c.storedEnabled) win.Registry().SetString(HKCU, kStore, "ckScrEnable_Checked", c.storedEnabled);
        if (c.storedMinutes) win.Registry().SetString(HKCU, kStore, "ScrTimeout_Value", c.storedMinutes);
        if (c.recorded) win.Registry().SetString(HKCU, kMain, "ScreensaverProfile", c.recorded);
        win.User().SetScreenSaverState(c.systemOn, c.systemSeconds);
        win.ClearJournal();
        auto& f = Start();
        EXPECT_EQ(win.User().ScreenSaverActive(), c.onAfterStart) << c.what;
        EXPECT_EQ(win.User().ScreenSaverTimeout(), c.secondsAfterStart) << c.what;
        EXPECT_EQ(win.Count("SystemParametersInfo(17,"), c.onAfterStart == c.systemOn ? 0u : 1u) << c.what;
        EXPECT_EQ(win.Count("SystemParametersInfo(15,"), c.secondsAfterStart == c.systemSeconds ? 0u : 1u)
            << c.what;
        EXPECT_EQ(f.menuPage.MainPopup_ScreensaverEnabled->Checked(), c.onAfterStart) << c.what;
        EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "ScreensaverProfile"), "1,600") << c.what;
        if (c.recorded && std::string(c.recorded) != "1,600") {
            EXPECT_EQ(win.Registry().GetString(HKCU, kStore, "ckScrEnable_Checked"),
                      c.systemOn ? "True" : "False");
            EXPECT_EQ(win.Registry().GetString(HKCU, kStore, "ScrTimeout_Value"),
                      std::to_string(c.systemSeconds / 60));
        }
        if (c.offElsewhere) {
            win.User().SetScreenSaverState(false, c.secondsAfterStart);
            win.Advance(1000);
        }
        f.Close();
        EXPECT_EQ(win.User().ScreenSaverActive(), c.onAfterClose) << c.what;
        const bool reEnabled = !c.onAfterStart && c.onAfterClose;
        EXPECT_EQ(win.Count("SystemParametersInfo(17, 1, null, 3)"), reEnabled ? 1u : 0u) << c.what;
    }
}

TEST_F(MainFormTest, AMonitorThatCannotWatchTheDesktopIsReportedAndStartUpGoesOn) {
    const std::string desk = "C:\\Documents and Settings\\User\\Desktop";
    win.Registry().SetString(HKCU, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                             "DeskTop", desk);
    win.Kernel().MakeDirectory(desk);
    for (const char* box : {"ckHotEnable_Checked", "ckHotWall_Checked", "ckAutorunScr_Checked"})
        win.Registry().SetString(HKCU, kStore, box, "True");
    win.SetFailing("FindFirstChangeNotification", true);
    auto& f = Start();
    ASSERT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    EXPECT_EQ(win.Dialogs().MessageBoxes()[0].text.rfind("Win32 Error.  Code: ", 0), 0u);
    EXPECT_FALSE(f.desktopMonitor.Active());
    // The later steps ran: a hotkey is held, the screensaver started last.
    EXPECT_EQ(win.Count("RegisterHotKey("), 1u);
    EXPECT_EQ(win.Journal().back(),
              "SendMessage(" + std::to_string(win.User().GetDesktopWindow().Value()) + ", 0x0112, 61760, 0)");
}

TEST_F(MainFormTest, RecycleBinIsRenamedOnlyWithANameThatWasReadAndIsNotEmpty) {
    const std::string key = "CLSID\\{645FF040-5081-101B-9F08-00AA002F954E}";
    const std::string unread = "The Recycle Bin's current name could not be read, so it cannot be renamed.";
    auto& f = Start();
    auto rename = [&] {
        win.Dialogs().NextMessageBoxAnswer(plat::IDYES);
        f.desktopPage.renameRecycleBinButton.Click();
        return win.Dialogs().MessageBoxes().back().text;
    };
    EXPECT_EQ(rename(), unread) << "the design text was never read";
    f.desktopPage.ReadRecycleBinName();  // nothing stored
    EXPECT_EQ(rename(), unread);
    win.Registry().SetDword(plat::HKEY_CLASSES_ROOT, key, "", 1);
    f.desktopPage.ReadRecycleBinName();
    EXPECT_EQ(f.desktopPage.recycleBinName.Text(), "Edit1") << "a number is no name";
    EXPECT_EQ(rename(), unread);
    EXPECT_EQ(win.Count("RegSetValueEx(HKCU\\Software\\Classes"), 0u);

    win.Registry().SetString(plat::HKEY_CLASSES_ROOT, key, "", "Bin");
    f.desktopPage.ReadRecycleBinName();
    f.desktopPage.recycleBinName.SetText("  ");
    EXPECT_EQ(rename(), "Please type a name for the Recycle Bin.");
    EXPECT_EQ(win.Dialogs().MessageBoxes().back().type, plat::MB_OK | plat::MB_ICONINFORMATION);
    f.desktopPage.recycleBinName.SetText("Trash");
    EXPECT_EQ(rename(), "NOT for Windows 98 ME\rContinue?");
    EXPECT_EQ(win.Registry().GetString(plat::HKEY_CURRENT_USER, "Software\\Classes\\" + key, ""), "Trash");
}

}  // namespace
