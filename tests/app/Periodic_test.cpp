// The main window's periodic work and the "Desktop/Hotkeys" page: caption clock,
// general poll, desktop appearance, screensaver group and hotkeys.
#include <gtest/gtest.h>
#include <functional>

#include <memory>
#include <string>
#include <vector>

#include "app/MainForm.h"
#include "platform/constants.h"
#include "platform/sim/SimWindows.h"
#include "FormHarness.h"

namespace {

constexpr plat::Hkey HKCU = plat::HKEY_CURRENT_USER;
const std::string kStore = "Software\\Corvane\\Velant! Pro 2001";
const std::string kMain = "Software\\Corvane\\Velant! Pro 2001\\Main";

class PeriodicTest : public ::testing::Test {
protected:
    PeriodicTest() {
        app.Title = "Velant! Pro 2001";
        win.SetLocalTime(2026, 12, 7, 14, 5, 8);
    }
    TMainForm& Start() {
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
        return *form;
    }
    void Stored(const std::string& name, const std::string& text) {
        win.Registry().SetString(HKCU, kStore, name, text);
    }
    plat::Hwnd Window(const std::string& title, bool visible = true) {
        return win.User().AddWindow(0, "Notepad", title, visible);
    }
    std::string Title(plat::Hwnd h) { return win.User().Window(h).title; }
    void Foreground(plat::Hwnd h) { win.User().SetForegroundWindow(h); }
    // Two processors, the second one busy for a quarter of each second.
    void BusyProcessors() { cpu.Start(win.Kernel()); }
    void OneSecondOfWork() { cpu.OneSecond(win.Kernel()); }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<TMainForm> form;
    TwoProcessors cpu;
    const sim::ShellWindowHandles& shell = win.User().ShellWindows();
};

// ---- the caption clock ----

TEST_F(PeriodicTest, StoredClockStampsTheForegroundCaptionAboutASecondLater) {
    Stored("ckWinClock_Checked", "True");
    const plat::Hwnd letter = Window("Letter - Editor");
    Foreground(letter);
    Start();
    EXPECT_EQ(Title(letter), "Letter - Editor");
    win.Advance(1000);
    EXPECT_EQ(Title(letter), "Letter - Editor    [Today is:  07.12.2026 Time is:  14.05.09]");
    win.Advance(1000);
    EXPECT_EQ(Title(letter), "Letter - Editor    [Today is:  07.12.2026 Time is:  14.05.10]");
}

TEST_F(PeriodicTest, TheStampFollowsTheForegroundAndLeavesOtherTextAlone) {
    const plat::Hwnd report = Window("Report [draft] - Editor");
    const plat::Hwnd spaced = Window("Wide    Title");
    Foreground(report);
    auto& f = Start();
    f.mainPage.edtDate.SetText("");
    f.mainPage.edtTime.SetText("hh:mm");
    f.mainPage.ckWinClock.SetChecked(true);
    win.Advance(1000);
    // An empty date field leaves the single space.
    EXPECT_EQ(Title(report), "Report [draft] - Editor    [ 14:05]");
    Foreground(spaced);
    win.Advance(1000);
    EXPECT_EQ(Title(spaced), "Wide    Title    [ 14:05]");
    EXPECT_EQ(Title(report), "Report [draft] - Editor");
    // A caption the program changed meanwhile is left as it is, even one longer than the stamp.
    const std::string renamed = "Renamed - Another Editor";
    ASSERT_GT(renamed.size(), std::string("    [ 14:05]").size());
    win.User().Send(spaced, plat::WM_SETTEXT, 0, reinterpret_cast<plat::LParam>(renamed.c_str()));
    f.mainPage.ckWinClock.SetChecked(false);
    EXPECT_EQ(Title(spaced), renamed);
}

TEST_F(PeriodicTest, EmptyOrHiddenForegroundWindowsAreNotStamped) {
    const plat::Hwnd letter = Window("Letter");
    const plat::Hwnd untitled = Window("");
    const plat::Hwnd hidden = Window("Hidden", false);
    Foreground(letter);
    auto& f = Start();
    f.mainPage.edtTime.SetText("hh");
    f.mainPage.ckWinClock.SetChecked(true);
    win.Advance(1000);
    const std::string stamped = Title(letter);
    EXPECT_NE(stamped, "Letter");
    for (plat::Hwnd other : {untitled, hidden}) {
        Foreground(other);
        win.Advance(3000);
        EXPECT_EQ(Title(other), other == hidden ? "Hidden" : "");
        EXPECT_EQ(Title(letter), stamped);  // keeps its stamp until another is stamped
    }
}

TEST_F(PeriodicTest, SwitchingTheClockOffOrClosingCleansTheCaptions) {
    const plat::Hwnd letter = Window("Letter");
    Foreground(letter);
    auto& f = Start();
    f.mainPage.ckWinClock.SetChecked(true);
    win.Advance(1000);
    f.mainPage.ckWinClock.SetChecked(false);
    EXPECT_EQ(Title(letter), "Letter");
    win.Advance(3000);
    EXPECT_EQ(Title(letter), "Letter");
    f.mainPage.ckWinClock.SetChecked(true);
    win.Advance(1000);
    EXPECT_NE(Title(letter), "Letter");
    f.Close();
    EXPECT_EQ(Title(letter), "Letter");
}

TEST_F(PeriodicTest, LongCaptionsAndLongStampsComeOffWhole) {
    std::string longCaption;
    while (longCaption.size() < 250) longCaption += "Quarterly figures (final) - ";
    longCaption.resize(250);
    // A caption just under the old limit of 255 characters, and a date pattern
    // whose stamp alone passes it.
    const std::pair<std::string, std::string> cases[] = {{longCaption, "dd.mm.yyyy"},
                                                         {"Letter", std::string(600, 'x')}};
    for (const auto& [caption, datePattern] : cases) {
        SCOPED_TRACE(datePattern.size());
        form.reset();
        const plat::Hwnd first = Window(caption);
        const plat::Hwnd second = Window(caption + " (2)");
        const std::vector<std::pair<plat::Hwnd, std::string>> originals = {{first, caption},
                                                                           {second, caption + " (2)"}};
        auto allRestored = [&] {
            for (const auto& [wnd, text] : originals) EXPECT_EQ(Title(wnd), text);
        };
        auto stampedOnce = [&](plat::Hwnd wnd, const std::string& text) {
            const std::string title = Title(wnd);
            EXPECT_EQ(title.rfind("    ["), text.size()) << title;
            EXPECT_GT(title.size(), 255u);  // past what a 256-character buffer holds
        };
        Foreground(first);
        auto& f = Start();
        f.mainPage.edtDate.SetText(datePattern);
        f.mainPage.ckWinClock.SetChecked(true);
        win.Advance(2000);  // the second tick replaces the first stamp
        stampedOnce(first, caption);
        Foreground(second);
        win.Advance(1000);
        stampedOnce(second, caption + " (2)");
        EXPECT_EQ(Title(first), caption);
        f.mainPage.ckWinClock.SetChecked(false);
        allRestored();
        f.mainPage.ckWinClock.SetChecked(true);
        win.Advance(1000);
        Foreground(first);
        win.Advance(1000);
        f.Close();
        allRestored();
    }
}

TEST_F(PeriodicTest, CpuLoadShowsTheLastProcessorMeasuredFromTheFirstTick) {
    BusyProcessors();
    const plat::Hwnd letter = Window("Letter");
    Foreground(letter);
    auto& f = Start();
    f.mainPage.ckCPU.SetChecked(true);
    for (int i = 0; i < 4; ++i) {
        OneSecondOfWork();
        win.Advance(250);
    }
    // Not 99 %: the first readout already measures a real interval. The last
    // instance is the whole machine: (0 + 25 %) / 2.
    EXPECT_EQ(Title(letter), "Letter    [ Cpu load: 12%]");
    EXPECT_TRUE(win.Dialogs().MessageBoxes().empty());
}

TEST_F(PeriodicTest, AFailingMeterIsReportedOnceAndDoesNotStopTheClock) {
    const plat::Hwnd letter = Window("Letter");
    Foreground(letter);
    auto& f = Start();
    f.mainPage.ckCPU.SetChecked(true);
    win.Advance(5000);
    EXPECT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    EXPECT_EQ(Title(letter), "Letter");
    // The clock alone goes on without the meter.
    f.mainPage.edtTime.SetText("hh");
    f.mainPage.ckCPU.SetChecked(false);
    f.mainPage.ckWinClock.SetChecked(true);
    win.Advance(1000);
    EXPECT_EQ(Title(letter), "Letter    [Today is:  07.12.2026 14]");
    // Once it has worked, a new failure is reported again.
    BusyProcessors();
    f.mainPage.ckCPU.SetChecked(true);
    win.Advance(1000);
    EXPECT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    win.SetFailing("GetProcessorTimes", true);
    win.Advance(5000);
    EXPECT_EQ(win.Dialogs().MessageBoxes().size(), 2u);
}

// ---- the general poll ----

TEST_F(PeriodicTest, ScreensaverSwitchedElsewhereShowsWithinOneTickAndIsKept) {
    auto& f = Start();
    EXPECT_TRUE(f.mainPage.ckScrEnable.Checked());
    win.User().SetScreenSaverState(false, 900);
    win.ClearJournal();
    win.Advance(1000);
    EXPECT_FALSE(f.mainPage.ckScrEnable.Checked());
    EXPECT_FALSE(f.menuPage.MainPopup_ScreensaverEnabled->Checked());
    EXPECT_EQ(f.menuPage.MainPopup_ScreensaverEnabled->Caption, "Screensaver disabled");
    // The timeout too: shown and kept as the choice, never written back.
    EXPECT_EQ(f.mainPage.ScrTimeout.Value(), 15);
    EXPECT_EQ(win.Registry().GetString(HKCU, kStore, "ScrTimeout_Value"), "15");
    EXPECT_EQ(win.Count("SystemParametersInfo(15,"), 0u);
    form.reset();
    win.ClearJournal();
    auto& again = Start();
    EXPECT_EQ(again.mainPage.ScrTimeout.Value(), 15);
    EXPECT_EQ(win.User().ScreenSaverTimeout(), 900);
    EXPECT_EQ(win.Count("SystemParametersInfo(15,") + win.Count("SystemParametersInfo(17,"), 0u);
}

TEST_F(PeriodicTest, TransparencyIsReappliedOnlyOnTheDesktopAndOnlyWhenLost) {
    Stored("ckCheckTrans_Checked", "True");
    const plat::Hwnd other = Window("Other");
    Foreground(other);
    Start();
    const std::string redraw = "SendMessage(" + std::to_string(shell.listView.Value()) + ", 0x1026";
    win.User().SendMessage(shell.listView, plat::LVM_SETTEXTBKCOLOR, 0, 0xC0C0C0);
    win.ClearJournal();
    win.Advance(3000);
    EXPECT_EQ(win.Count(redraw), 0u);
    Foreground(shell.progman);
    win.Advance(1000);
    EXPECT_EQ(win.Count(redraw), 1u);
    EXPECT_EQ(win.User().Window(shell.listView).listView.textBkColor, plat::CLR_NONE);
    win.Advance(3000);
    EXPECT_EQ(win.Count(redraw), 1u);
}

TEST_F(PeriodicTest, OnTodaysShellTheCheckFindsTheIconsInTheirWorkerWAndMissingPartsDisableTheirBoxes) {
    Stored("ckCheckTrans_Checked", "True");
    Stored("ckTrayClock_Checked", "False");
    const plat::Hwnd worker = win.User().MoveDesktopViewToWorkerW();
    win.User().RemoveWindow(shell.trayNotify);
    win.User().RemoveWindow(shell.startButton);
    auto& f = Start();
    const std::string noClock = "This version of Windows has no tray clock that can be hidden.";
    EXPECT_FALSE(f.desktopPage.ckTrayClock.Enabled());
    EXPECT_EQ(f.desktopPage.ckTrayClock.Hint, noClock);
    EXPECT_FALSE(f.desktopPage.ckTrayClock.Checked()) << "the stored choice stays";
    EXPECT_FALSE(f.desktopPage.ckStartButton.Enabled());
    EXPECT_EQ(f.desktopPage.ckStartButton.Hint,
              "This version of Windows has no start button that can be hidden.");
    EXPECT_TRUE(f.desktopPage.ckTaskbar.Enabled());
    EXPECT_EQ(f.desktopPage.ckTaskbar.Hint, "");

    // A click on that desktop makes its WorkerW the foreground window.
    win.User().SendMessage(shell.listView, plat::LVM_SETTEXTBKCOLOR, 0, 0xC0C0C0);
    Foreground(shell.wallpaperWorker);
    win.Advance(2000);
    EXPECT_EQ(win.User().Window(shell.listView).listView.textBkColor, 0xC0C0C0u);
    Foreground(worker);
    win.Advance(1000);
    EXPECT_EQ(win.User().Window(shell.listView).listView.textBkColor, plat::CLR_NONE);
    win.ClearJournal();
    win.Advance(2000);
    EXPECT_EQ(win.Count("SendMessage(" + std::to_string(shell.listView.Value()) + ", 0x1026"), 0u)
        << "already transparent";
    f.desktopPage.ckTransparent.SetChecked(false);
    EXPECT_EQ(win.User().Window(shell.listView).listView.textBkColor, 0xC0C0C0u) << "the caption colours";

    // A shell that has the parts again enables the boxes when the window shows.
    win.User().DestroyShellWindows();
    win.User().CreateShellWindows();
    win.ClearJournal();
    f.Show();
    EXPECT_EQ(win.Count("RegSetValueEx(HKCU\\" + kStore + ", \"ckTrayClock_Checked\""), 0u)
        << "not written again";
    EXPECT_TRUE(f.desktopPage.ckTrayClock.Enabled());
    EXPECT_EQ(f.desktopPage.ckTrayClock.Hint, "");
    EXPECT_TRUE(f.desktopPage.ckStartButton.Enabled());
    f.Close();
    EXPECT_EQ(win.Registry().GetString(HKCU, kStore, "ckTrayClock_Checked"), "False");
}

// ---- desktop appearance ----

TEST_F(PeriodicTest, StoredSwitchesHideTheShellAndClosingShowsItAgain) {
    Stored("ckTaskbar_Checked", "False");
    Stored("ckTrayClock_Checked", "False");
    Stored("ckDesktopIcons_Checked", "False");
    auto& f = Start();
    EXPECT_FALSE(win.User().Window(shell.tray).visible);
    EXPECT_FALSE(win.User().Window(shell.clock).visible);
    EXPECT_FALSE(win.User().Window(shell.defView).visible);
    f.Close();
    for (plat::Hwnd h : {shell.tray, shell.clock, shell.defView, shell.tabControl, shell.startButton})
        EXPECT_TRUE(win.User().Window(h).visible) << h;
}

TEST_F(PeriodicTest, ColourButtonsReapplyEvenWhenCancelled) {
    auto& f = Start();
    win.Dialogs().NextColor(std::nullopt);
    f.desktopPage.textColorButton.Click();
    EXPECT_EQ(f.desktopPage.lblIcon.Font.Color, 0x00FF00u);
    EXPECT_EQ(win.User().Window(shell.listView).listView.textColor, 0x00FF00u);
    win.Dialogs().NextColor(0x0000FFu);
    f.desktopPage.textColorButton.Click();
    EXPECT_EQ(win.User().Window(shell.listView).listView.textColor, 0x0000FFu);
    f.desktopPage.ckTransparent.SetChecked(false);
    win.Dialogs().NextColor(0x00FFFFu);
    f.desktopPage.backColorButton.Click();
    EXPECT_EQ(win.User().Window(shell.listView).listView.textBkColor, 0x00FFFFu);
    f.desktopPage.ckCheckTrans.SetChecked(true);
    f.desktopPage.defaultColorsButton.Click();
    EXPECT_FALSE(f.desktopPage.ckCheckTrans.Checked());
    EXPECT_EQ(win.Count("SetSysColors("), 1u);
}

TEST_F(PeriodicTest, HideIconsItemBoxAndHotkeyAllFollowTheIconsRealState) {
    Stored("ckHotEnable_Checked", "True");
    Stored("ckHotHideIcons_Checked", "True");
    auto& f = Start();
    // Each step toggles the icons; the item's mark and the box must always agree with them.
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"menu", [&] { f.menuPage.MainPopup_Hideicons->Click(); }},
        {"hotkey",
         [&] {
             ASSERT_TRUE(win.User().PressHotKey(plat::MOD_CONTROL | plat::MOD_WIN, 0x49));
             win.ProcessMessages();
         }},
        {"menu", [&] { f.menuPage.MainPopup_Hideicons->Click(); }},
        {"box", [&] { f.desktopPage.ckDesktopIcons.Toggle(); }},
        {"menu", [&] { f.menuPage.MainPopup_Hideicons->Click(); }},
    };
    bool shown = true;
    for (const auto& [by, step] : steps) {
        step();
        shown = !shown;
        EXPECT_EQ(win.User().Window(shell.defView).visible, shown) << by;
        EXPECT_EQ(f.desktopPage.ckDesktopIcons.Checked(), shown) << by;
        EXPECT_EQ(f.menuPage.MainPopup_Hideicons->Checked(), !shown) << by;
    }
}

// ---- screensaver group ----

TEST_F(PeriodicTest, StartUpAppliesOnlyStoredScreensaverValuesAndShowsTheLiveValues) {
    win.User().SetScreenSaverState(false, 90);
    Stored("ScrTimeout_Value", "5");
    auto& f = Start();
    EXPECT_FALSE(win.User().ScreenSaverActive());
    EXPECT_EQ(win.Count("SystemParametersInfo(17,"), 0u);
    EXPECT_EQ(win.CallJournal().Matching("SystemParametersInfo(15,"),
              std::vector<std::string>{"SystemParametersInfo(15, 300, null, 0)"});
    EXPECT_FALSE(f.mainPage.ckScrEnable.Checked());
    EXPECT_EQ(f.mainPage.ScrTimeout.Value(), 5);
    f.mainPage.ScrTimeout.SetText("61");
    EXPECT_EQ(f.mainPage.ScrTimeout.Text(), "61");
    EXPECT_EQ(win.Count("SystemParametersInfo(15,"), 1u);
}

TEST_F(PeriodicTest, PopupScreensaverItemMovesTheBoxAndSavesItAtOnce) {
    auto& f = Start();
    f.menuPage.MainPopup_ScreensaverEnabled->Click();
    EXPECT_FALSE(win.User().ScreenSaverActive());
    EXPECT_FALSE(f.mainPage.ckScrEnable.Checked());
    EXPECT_EQ(f.menuPage.MainPopup_ScreensaverEnabled->Caption, "Screensaver disabled");
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "ckScrEnable"), "false");
}

TEST_F(PeriodicTest, RunScreensaverOnStartupComesLast) {
    Stored("ckAutorunScr_Checked", "True");
    Start();
    const auto all = win.Journal();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back(),
              "SendMessage(" + std::to_string(win.User().GetDesktopWindow().Value()) + ", 0x0112, 61760, 0)");
}

// ---- hotkeys ----

TEST_F(PeriodicTest, FirstRunTakesNoCombinationFromOtherPrograms) {
    Start();
    EXPECT_TRUE(win.User().HotKeys().empty());
    EXPECT_FALSE(win.User().PressHotKey(plat::MOD_WIN, 0x53));
}

TEST_F(PeriodicTest, OnlyCombinationsSwitchedOnByBothBoxesAreHeld) {
    Stored("ckHotEnable_Checked", "True");
    Stored("ckHotScr_Checked", "True");
    Stored("ckHotCd_Checked", "True");
    auto& f = Start();
    std::vector<int> ids;
    for (const auto& r : win.User().HotKeys()) ids.push_back(r.id);
    EXPECT_EQ(ids, (std::vector<int>{0, 3, 4}));
    EXPECT_TRUE(win.User().PressHotKey(plat::MOD_WIN, 0x53));
    win.ProcessMessages();
    EXPECT_TRUE(win.Contains("SendMessage(" + std::to_string(f.Handle().Value()) + ", 0x0112, 61760, 0)"));
    f.desktopPage.ckTransparency.SetChecked(true);
    EXPECT_EQ(win.User().HotKeys().size(), 4u);
    f.desktopPage.ckHotEnable.SetChecked(false);
    EXPECT_TRUE(win.User().HotKeys().empty());
    EXPECT_EQ(win.Registry().GetString(HKCU, kMain, "ckHotEnable"), "false");
    EXPECT_FALSE(win.User().PressHotKey(plat::MOD_WIN, 0x53));
    f.desktopPage.ckHotEnable.SetChecked(true);
    EXPECT_EQ(win.User().HotKeys().size(), 4u);
}

TEST_F(PeriodicTest, TransparencyHotkeyIgnoresTheLabelAndCdHotkeysReportMciErrors) {
    Stored("ckHotEnable_Checked", "True");
    Stored("ckTransparency_Checked", "True");
    Stored("ckHotCd_Checked", "True");
    Stored("ckTransparent_Checked", "False");
    Stored("lblIcon_Transparent", "False");
    Start();
    EXPECT_NE(win.User().Window(shell.listView).listView.textBkColor, plat::CLR_NONE);
    win.User().PressHotKey(plat::MOD_CONTROL | plat::MOD_ALT, 0x54);
    win.ProcessMessages();
    EXPECT_EQ(win.User().Window(shell.listView).listView.textBkColor, plat::CLR_NONE);
    win.Multimedia().SetNoCdDevice(true);
    win.User().PressHotKey(plat::MOD_CONTROL | plat::MOD_WIN, 0x4F);
    win.ProcessMessages();
    EXPECT_TRUE(win.Contains("mciSendString(\"Set cdaudio door open wait\")"));
    ASSERT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    EXPECT_FALSE(win.Dialogs().MessageBoxes()[0].text.empty());
}

}  // namespace
