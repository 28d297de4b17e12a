#include "app/TimerList.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

class TimerListTest : public ::testing::Test {
protected:
    TimerListTest() {
        // The program's three events, joined in its order.
        for (TTimerEvent* e : {&titleBar, &wallPaper, &general}) {
            e->OnTimer = [this, e] { fired.push_back(e->Name()); };
            list.Add(*e);
        }
    }
    int Fired(const std::string& name) const {
        int n = 0;
        for (const auto& f : fired) n += f == name;
        return n;
    }
    std::string LastSetTimer() const {
        std::string last;
        for (const auto& e : win.Journal())
            if (e.rfind("SetTimer(", 0) == 0) last = e;
        return last;
    }
    std::string SetTimerEntry(int ms) const {
        return "SetTimer(" + std::to_string(list.WindowHandle().Value()) + ", 1, " + std::to_string(ms) + ")";
    }
    // A WM_TIMER delivered now, outside the system timer's own rhythm.
    void TimerMessage() { win.User().SendMessage(list.WindowHandle(), plat::WM_TIMER, 1, 0); }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    TTimerList list{"RxTimerList1", p.user, p.kernel, app};
    TTimerEvent titleBar{"TitleBarTimer", 1000, false};
    TTimerEvent wallPaper{"WallPaperTimer", 60000, true};
    TTimerEvent general{"General", 1000, true};
    std::vector<std::string> fired;
};

TEST_F(TimerListTest, EventsAreSortedByIntervalAndNumberedInJoiningOrder) {
    ASSERT_EQ(list.Events().size(), 3u);
    EXPECT_EQ(list.Events()[0], &titleBar);
    EXPECT_EQ(list.Events()[1], &general);
    EXPECT_EQ(list.Events()[2], &wallPaper);
    EXPECT_EQ(titleBar.Handle(), 1);
    EXPECT_EQ(wallPaper.Handle(), 2);
    EXPECT_EQ(general.Handle(), 3);
    // A later interval change does not re-sort.
    general.SetInterval(90000);
    EXPECT_EQ(list.Events()[1], &general);
}

TEST_F(TimerListTest, OneSystemTimerServesEveryEventAtItsOwnInterval) {
    list.SetActive(true);
    EXPECT_TRUE(list.Active());
    EXPECT_EQ(list.Period(), 1000);
    EXPECT_EQ(LastSetTimer(), SetTimerEntry(1000));
    win.Advance(10 * 60000);
    EXPECT_EQ(Fired("WallPaperTimer"), 10);
    EXPECT_EQ(Fired("General"), 600);
    EXPECT_EQ(Fired("TitleBarTimer"), 0);
    EXPECT_EQ(win.Count("SetTimer("), 1u);
}

TEST_F(TimerListTest, TheLongestIntervalFiresFirstInARound) {
    list.SetActive(true);
    titleBar.SetEnabled(true);
    win.Advance(60000);
    ASSERT_GE(fired.size(), 3u);
    const std::vector<std::string> lastRound(fired.end() - 3, fired.end());
    EXPECT_EQ(lastRound, (std::vector<std::string>{"WallPaperTimer", "General", "TitleBarTimer"}));
}

TEST_F(TimerListTest, EnablingOutOfStepShortensThePeriodUntilTheEventsAlign) {
    list.SetActive(true);
    win.Advance(5000);
    win.Advance(400);
    titleBar.SetEnabled(true);
    EXPECT_EQ(list.Period(), 200);
    EXPECT_EQ(LastSetTimer(), SetTimerEntry(200));
    EXPECT_EQ(titleBar.RunCount(), 0);
    // The clock's first tick comes about one interval later, and both keep their rhythm.
    win.Advance(999);
    EXPECT_EQ(Fired("TitleBarTimer"), 0);
    win.Advance(1);
    EXPECT_EQ(Fired("TitleBarTimer"), 1);
    win.Advance(10000);
    EXPECT_EQ(Fired("TitleBarTimer"), 11);
    EXPECT_EQ(Fired("General"), 16);
}

TEST_F(TimerListTest, AFiringMayComeUpToFiftyMillisecondsEarly) {
    TTimerList solo{"solo", p.user, p.kernel, app};
    TTimerEvent slow{"slow", 10000, true};
    int runs = 0;
    slow.OnTimer = [&] { ++runs; };
    solo.Add(slow);
    solo.SetActive(true);
    win.Advance(9949);
    win.User().SendMessage(solo.WindowHandle(), plat::WM_TIMER, 1, 0);
    EXPECT_EQ(runs, 0);
    win.Advance(1);
    win.User().SendMessage(solo.WindowHandle(), plat::WM_TIMER, 1, 0);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(slow.LastRun(), win.Kernel().GetTickCount());
}

TEST_F(TimerListTest, SettingsThatChangeNothingOrOnlyDisableDoNotTouchTheSystemTimer) {
    list.SetActive(true);
    const auto before = win.Count("SetTimer(");
    general.SetEnabled(true);
    general.SetInterval(1000);
    titleBar.SetEnabled(false);
    general.SetEnabled(false);
    EXPECT_EQ(win.Count("SetTimer("), before);
    EXPECT_FALSE(general.Enabled());
    general.SetInterval(3000);
    EXPECT_EQ(win.Count("SetTimer("), before + 1);
}

TEST_F(TimerListTest, ARepeatCountStopsTheEventAndAnEmptyListStopsItself) {
    int finished = 0;
    list.OnFinish = [&] { ++finished; };
    wallPaper.SetEnabled(false);
    general.Cycled = false;
    general.RepeatCount = 2;
    list.SetActive(true);
    std::vector<int> handles;
    list.OnTimers = [&](int handle) { handles.push_back(handle); };
    win.Advance(5000);
    EXPECT_EQ(Fired("General"), 2);
    EXPECT_EQ(handles, (std::vector<int>{3, 3}));
    EXPECT_FALSE(general.Enabled());
    EXPECT_FALSE(list.Active());
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(list.WindowHandle());
    // Enabling again starts a new count, but the stopped list stays stopped.
    general.SetEnabled(true);
    EXPECT_EQ(general.RunCount(), 0);
    win.Advance(5000);
    EXPECT_EQ(Fired("General"), 2);
}

TEST_F(TimerListTest, AnErrorEndsTheRoundIsReportedAndTheListGoesOn) {
    app.Title = "Velant! Pro 2001";
    int failures = 1;
    wallPaper.SetInterval(1000);  // all three due in the same rounds; handles keep their order
    titleBar.SetEnabled(true);
    wallPaper.OnTimer = [&] {
        fired.push_back("WallPaperTimer");
        if (failures-- > 0) throw std::runtime_error("Unable to read performance data");
    };
    list.SetActive(true);
    win.Advance(1000);
    ASSERT_EQ(win.Dialogs().MessageBoxes().size(), 1u);
    EXPECT_EQ(win.Dialogs().MessageBoxes()[0].text, "Unable to read performance data");
    // pollTimer and the clock come after it in this round: they wait for the next one.
    EXPECT_EQ(Fired("General"), 0);
    win.Advance(1000);
    EXPECT_EQ(Fired("General"), 1);
    EXPECT_EQ(Fired("TitleBarTimer"), 1);
    EXPECT_TRUE(list.Active());
}

TEST_F(TimerListTest, NoTimerLeftStopsTheListWithAnError) {
    win.FailNext("SetTimer");
    EXPECT_THROW(
        {
            try {
                list.SetActive(true);
            } catch (const std::exception& e) {
                EXPECT_STREQ(e.what(), "Not enough timers available");
                throw;
            }
        },
        std::exception);
    EXPECT_FALSE(list.Active());
    win.Advance(5000);
    EXPECT_TRUE(fired.empty());
}

TEST_F(TimerListTest, DeactivatingKillsTheTimerAndDestroysTheWindow) {
    list.SetActive(true);
    const plat::Hwnd wnd = list.WindowHandle();
    list.SetActive(false);
    EXPECT_TRUE(win.Contains("KillTimer(" + std::to_string(wnd.Value()) + ", 1)"));
    EXPECT_TRUE(win.Contains("DestroyWindow(" + std::to_string(wnd.Value()) + ")"));
    win.Advance(5000);
    EXPECT_TRUE(fired.empty());
}

}  // namespace
