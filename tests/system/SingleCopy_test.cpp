#include "system/SingleCopy.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

class SingleCopyTest : public ::testing::Test {
protected:
    sim::SimWindows win;
    plat::Platform p = win.platform();
    int programs = 0;
    int Program() { return ++programs, 7; }
};

TEST_F(SingleCopyTest, ALaterStartShowsTheRunningCopysWindowAndEndsWithoutRunning) {
    auto first = std::make_unique<TSingleCopy>(p.kernel, p.user);
    int later = -1;
    std::uint32_t show = 0;
    plat::Hwnd form = 0;
    EXPECT_EQ(first->Run([&] {
        form = win.User().AddWindow(0, "TQuorvForm", "Velant! Pro 2001", false);
        TSingleCopy second(p.kernel, p.user);
        show = p.user.RegisterWindowMessage("Velant! Pro 2001 show");
        later = second.Run([&] { return Program(); });
        return Program();
    }),
              7);
    EXPECT_EQ(later, 0);
    EXPECT_EQ(programs, 1) << "the later start built nothing";
    EXPECT_TRUE(first->IsShowRequest(show));
    EXPECT_EQ(win.Count("CreateMutex(0, \"Local\\Velant! Pro 2001\")"), 2u);
    EXPECT_TRUE(win.Contains("AllowSetForegroundWindow(4294967295)"));
    win.User().Advance(0);
    ASSERT_FALSE(win.User().Received(form).empty());
    EXPECT_EQ(win.User().Received(form).back().msg, show);

    // Once no copy holds the name, a start runs again.
    first.reset();
    EXPECT_EQ(TSingleCopy(p.kernel, p.user).Run([&] { return Program(); }), 7);
    EXPECT_EQ(programs, 2);
}

TEST_F(SingleCopyTest, AStartingOrUnreachableCopyIsWaitedForOnlyAWhile) {
    TSingleCopy first(p.kernel, p.user);
    first.Run([&] {
        const std::uint64_t start = win.Clock().Now();
        EXPECT_EQ(TSingleCopy(p.kernel, p.user).Run([&] { return Program(); }), 0);
        EXPECT_EQ(win.Clock().Now() - start, TSingleCopy::kWindowWaitMs) << "no window came";
        EXPECT_EQ(win.Count("PostMessage("), 0u);
        return 0;
    });
    // A name another user or an elevated copy made cannot be opened: that copy runs.
    win.FailNext("CreateMutex", plat::ERROR_ACCESS_DENIED);
    EXPECT_EQ(TSingleCopy(p.kernel, p.user).Run([&] { return Program(); }), 0);
    // Without a mutex at all the program still runs rather than not at all.
    win.FailNext("CreateMutex", 1450);
    EXPECT_EQ(TSingleCopy(p.kernel, p.user).Run([&] { return Program(); }), 7);
    EXPECT_EQ(programs, 1);
}

}  // namespace
