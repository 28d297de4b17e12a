#include "system/Screensaver.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

class ScreensaverTest : public ::testing::Test {
protected:
    void SystemTimeout(int seconds) {
        win.User().SystemParametersInfo(plat::SPI_SETSCREENSAVETIMEOUT, static_cast<std::uint32_t>(seconds),
                                        nullptr, 0);
        win.ClearJournal();
    }
    int SystemTimeoutSeconds() {
        int seconds = 0;
        win.User().SystemParametersInfo(plat::SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0);
        return seconds;
    }
    sim::SimWindows win;
    plat::Platform p = win.platform();
};

TEST_F(ScreensaverTest, TimeoutReadsInWholeMinutesRoundedDown) {
    for (auto [seconds, minutes] : {std::pair{90, 1}, {3599, 59}, {7200, 120}, {59, 0}}) {
        SystemTimeout(seconds);
        TScreensaver scr("MyScreensaver1", p.user, p.kernel);
        EXPECT_EQ(scr.GetTimeOut(), minutes) << seconds;
        EXPECT_EQ(scr.Timeout(), minutes);
    }
}

TEST_F(ScreensaverTest, OnlyANewTimeoutFromOneToSixtyMinutesIsApplied) {
    SystemTimeout(600);
    TScreensaver scr("MyScreensaver1", p.user, p.kernel);
    win.ClearJournal();
    for (int refused : {0, 61, -5, 10}) scr.SetTimeOut(refused);
    EXPECT_EQ(win.Count("SystemParametersInfo("), 0u);
    scr.SetTimeOut(5);
    EXPECT_EQ(win.Journal(), std::vector<std::string>{"SystemParametersInfo(15, 300, null, 0)"});
    EXPECT_EQ(SystemTimeoutSeconds(), 300);
    // The comparison is with the value applied last, not with the system's.
    SystemTimeout(1200);
    scr.SetTimeOut(5);
    EXPECT_EQ(SystemTimeoutSeconds(), 1200);
    // A refused call still counts as applied.
    win.FailNext("SystemParametersInfo");
    scr.SetTimeOut(60);
    EXPECT_EQ(scr.Timeout(), 60);
}

TEST_F(ScreensaverTest, StateIsReadLiveAndSwitchedWithoutTouchingTheProfile) {
    TScreensaver scr("MyScreensaver1", p.user, p.kernel);
    EXPECT_TRUE(scr.State());
    EXPECT_TRUE(scr.TurnScrOff());
    EXPECT_FALSE(scr.State());
    scr.SetState(true);
    EXPECT_TRUE(scr.State());
    EXPECT_EQ(win.CallJournal().Matching("SystemParametersInfo(17"),
              (std::vector<std::string>{"SystemParametersInfo(17, 0, null, 0)",
                                        "SystemParametersInfo(17, 1, null, 0)"}));
    win.FailNext("SystemParametersInfo");
    EXPECT_FALSE(scr.State());
}

TEST_F(ScreensaverTest, RunAndConfigure) {
    TScreensaver scr("MyScreensaver1", p.user, p.kernel);
    scr.StartScreensaver();
    EXPECT_TRUE(win.Contains("SendMessage(" + std::to_string(win.User().GetDesktopWindow().Value()) +
                             ", 0x0112, 61760, 0)"));
    // No screensaver configured: nothing to run.
    scr.ConfigureScreensaver();
    EXPECT_EQ(win.Count("WinExec("), 0u);
    // The path is quoted, so that one with spaces runs the program it names.
    win.Kernel().WriteText("c:\\windows\\system.ini",
                           "[boot]\r\nSCRNSAVE.EXE=C:\\Program Files\\My Savers\\stars.scr\r\n");
    scr.ConfigureScreensaver();
    EXPECT_EQ(win.CallJournal().Matching("WinExec("),
              std::vector<std::string>{"WinExec(\"\"C:\\Program Files\\My Savers\\stars.scr\" /c\", 5)"});
}

}  // namespace
