#include "system/SingleCopy.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

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

TEST_F(SingleCopyTest, ALaterStartWithACommandSendsItAndEndsWithTheAnswersCode) {
    TSingleCopy first(p.kernel, p.user);
    std::optional<plat::LResult> seen;
    TSingleCopy::THandOver command{0x1234, {1, 'a', 0}, [&](std::optional<plat::LResult> answer) {
                                       seen = answer;
                                       return answer ? static_cast<int>(*answer) : -1;
                                   }};
    EXPECT_EQ(first.Run(
                  [&] {
                      std::vector<std::uint8_t> received;
                      plat::WParam sender = 0;
                      const plat::Hwnd form = win.User().CreateHiddenWindow(
                          "TQuorvForm", [&](std::uint32_t msg, plat::WParam w, plat::LParam l) {
                              if (msg != plat::WM_COPYDATA) return plat::LResult{0};
                              const auto* data = reinterpret_cast<const plat::CopyData*>(l);
                              EXPECT_EQ(data->dwData, 0x1234u);
                              received.assign(static_cast<const std::uint8_t*>(data->lpData),
                                              static_cast<const std::uint8_t*>(data->lpData) + data->cbData);
                              sender = w;
                              return plat::LResult{42};
                          });
                      EXPECT_EQ(TSingleCopy(p.kernel, p.user).Run([&] { return Program(); }, &command), 42);
                      EXPECT_EQ(received, command.message);
                      EXPECT_NE(sender, 0u) << "the message names a window of the sender's";
                      EXPECT_FALSE(p.user.IsWindow(plat::Hwnd{sender})) << "and that window is gone";
                      win.User().DestroyWindow(form);
                      return 7;
                  },
                  &command),
              7)
        << "the first start runs the program, command or not";
    EXPECT_EQ(programs, 0);
    EXPECT_EQ(seen, 42);
    // No window came: the answer is none.
    EXPECT_EQ(TSingleCopy(p.kernel, p.user).Run([&] { return Program(); }, &command), -1);
    EXPECT_EQ(seen, std::nullopt);
}

}  // namespace
