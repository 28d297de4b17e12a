#include "desktop/FolderMonitor.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/constants.h"
#include "platform/error.h"
#include "platform/sim/SimWindows.h"

namespace {

using namespace std::chrono_literals;

const std::string kDesk = "C:\\Users\\Desk";

// Waits, in real time, for what another thread does; false after five seconds.
template <class Pred>
bool WaitUntil(Pred pred) {
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (!pred()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class FolderMonitorTest : public ::testing::Test {
protected:
    FolderMonitorTest() {
        win.Kernel().MakeDirectory(kDesk + "\\Sub");
        baseHandles = win.Kernel().OpenHandleCount();
    }
    // Every worker, also one let go, has closed its handles before the simulation goes.
    void TearDown() override { EXPECT_TRUE(WorkersGone()); }

    bool WorkersGone() {
        return WaitUntil(
            [&] { return win.Kernel().WatchCount() == 0 && win.Kernel().OpenHandleCount() == baseHandles; });
    }

    std::unique_ptr<TFolderMonitor> MakeMonitor(std::uint32_t delay = 500) {
        auto m = std::make_unique<TFolderMonitor>("RxDesktopMonitor1", p.kernel, p.user);
        m->SetDelayTime(delay);
        m->OnChange = [this] { ++changes; };
        m->SetFolderName(kDesk);
        return m;
    }

    std::size_t PostsTo(plat::Hwnd wnd) const {
        return win.CallJournal().Count("PostMessage(" + std::to_string(wnd.Value()) + ",");
    }
    // The worker has posted a change since `before` posts and it waits in the queue
    // (the journal has the call a moment before the queue has the message).
    bool Posted(plat::Hwnd wnd, std::size_t before) {
        return WaitUntil([&] { return PostsTo(wnd) > before && win.User().PendingMessages() > 0; });
    }

    // Something changes in the folder (or as `change` does); the worker hands the
    // change over and the main thread takes it. Returns once the worker waits again.
    template <class Change>
    void HandOff(TFolderMonitor& m, Change change) {
        ASSERT_NE(m.Thread(), nullptr);
        const plat::Handle watch = m.Thread()->NotifyHandle();
        const std::size_t before = PostsTo(m.WindowHandle());
        change();
        ASSERT_TRUE(Posted(m.WindowHandle(), before)) << "no change handed over";
        win.ProcessMessages();
        ASSERT_TRUE(WaitUntil([&] { return !win.Kernel().IsSignalled(watch); }))
            << "the worker did not re-arm";
    }
    void HandOff(TFolderMonitor& m) {
        HandOff(m, [&] { win.Kernel().TouchFolder(kDesk); });
    }

    sim::SimWindows win;
    plat::Platform p = win.platform();
    std::size_t baseHandles = 0;
    int changes = 0;
};

TEST_F(FolderMonitorTest, FilterSetsMapToTheSystemsFlagsAndErrorsReadAsTheSystemsText) {
    EXPECT_EQ(ChangeNotifyMask(kDefaultChangeFilter), 0x01Bu);
    EXPECT_EQ(ChangeNotifyMask(fnAttributes), 0x004u);
    EXPECT_EQ(ChangeNotifyMask(fnLastAccess | fnCreation), 0x060u);
    EXPECT_EQ(ChangeNotifyMask(fnSecurity), 0x100u);
    EXPECT_EQ(ChangeNotifyMask(0), 0u);
    EXPECT_EQ(Win32ErrorMessage(p.kernel, 5), "Win32 Error.  Code: 5.\nAccess is denied.");
    EXPECT_EQ(Win32ErrorMessage(p.kernel, 1), "Win32 Error.  Code: 1.\nIncorrect function.");
}

TEST_F(FolderMonitorTest, ActiveWhileAWorkerWatchesAnExistingFolder) {
    TFolderMonitor m("RxDesktopMonitor1", p.kernel, p.user);
    EXPECT_FALSE(m.Active());
    EXPECT_EQ(m.DelayTime(), 0u);
    EXPECT_EQ(m.Filter(), kDefaultChangeFilter);
    EXPECT_TRUE(m.MonitorSubtree());
    EXPECT_EQ(m.FolderName(), "");

    m.SetActive(true);  // no folder yet
    EXPECT_FALSE(m.Active());
    m.SetFolderName(kDesk);
    EXPECT_EQ(win.Count("FindFirstChangeNotification("), 0u);

    m.SetActive(true);
    EXPECT_TRUE(m.Active());
    EXPECT_TRUE(win.Contains("FindFirstChangeNotification(\"C:\\Users\\Desk\", 1, 27)"));
    EXPECT_EQ(win.Kernel().WatchCount(), 1u);

    // Another folder, or another subtree flag: a new worker for it.
    m.SetFolderName(kDesk + "\\Sub");
    m.SetMonitorSubtree(false);
    EXPECT_TRUE(m.Active());
    EXPECT_TRUE(win.Contains("FindFirstChangeNotification(\"C:\\Users\\Desk\\Sub\", 1, 27)"));
    EXPECT_TRUE(win.Contains("FindFirstChangeNotification(\"C:\\Users\\Desk\\Sub\", 0, 27)"));
    ASSERT_TRUE(WaitUntil([&] { return win.Kernel().WatchCount() == 1; }));

    m.SetActive(false);
    EXPECT_FALSE(m.Active());
    EXPECT_TRUE(WorkersGone());
    EXPECT_EQ(win.Count("FindCloseChangeNotification("), 3u);

    // A folder that does not exist, or a file: silently inactive.
    m.SetFolderName("C:\\Users\\Gone");
    m.SetActive(true);
    EXPECT_FALSE(m.Active());
    win.Kernel().WriteText(kDesk + "\\file.txt", "x");
    m.SetFolderName(kDesk + "\\file.txt");
    m.SetActive(true);
    EXPECT_FALSE(m.Active());

    // The form's assignments run the setters.
    m.FolderName = kDesk;
    m.Active = true;
    EXPECT_TRUE(m.Active());
    m.Active = false;
    EXPECT_FALSE(m.Active());
}

TEST_F(FolderMonitorTest, SwitchingOnWaitsForTheEndOfLoading) {
    TFolderMonitor m("RxDesktopMonitor1", p.kernel, p.user);
    m.BeginLoading();
    m.SetFolderName(kDesk);
    m.SetActive(true);
    EXPECT_FALSE(m.Active());
    EXPECT_EQ(win.Count("FindFirstChangeNotification("), 0u);
    m.Loaded();
    EXPECT_TRUE(m.Active());
    EXPECT_EQ(win.Count("FindFirstChangeNotification("), 1u);
}

TEST_F(FolderMonitorTest, TheSystemRefusingToWatchAFolderIsAnErrorAndLeavesNothingOpen) {
    auto m = MakeMonitor();
    // Without a stop event the worker could never be stopped, so it is not started either.
    const std::pair<const char*, long> failures[] = {
        {"FindFirstChangeNotification", 8}, {"FindFirstChangeNotification", 87}, {"CreateEvent", 6}};
    for (const auto& [call, code] : failures) {
        win.FailNext(call, code);
        try {
            m->SetActive(true);
            ADD_FAILURE() << call << ": no error";
        } catch (const EVelantError& e) {
            EXPECT_EQ(std::string(e.what()), "Win32 Error.  Code: " + std::to_string(code) + ".\n" +
                                                 win.Kernel().FormatMessage(code))
                << call;
        }
        EXPECT_FALSE(m->Active());
        EXPECT_TRUE(WorkersGone());
    }
    EXPECT_EQ(win.Kernel().FormatMessage(8),
              "Not enough memory resources are available to process this command.");

    m->SetActive(true);
    EXPECT_TRUE(m->Active());
}

TEST_F(FolderMonitorTest, ARefusedFilterPutsTheOldOneBackAndKeepsWatching) {
    auto m = MakeMonitor();
    m->SetActive(true);
    win.FailNext("FindFirstChangeNotification");
    EXPECT_THROW(m->SetFilter(fnAttributes), EVelantError);
    EXPECT_EQ(m->Filter(), kDefaultChangeFilter);
    EXPECT_TRUE(m->Active());
    EXPECT_EQ(win.CallJournal().Matching("FindFirstChangeNotification("),
              (std::vector<std::string>{"FindFirstChangeNotification(\"C:\\Users\\Desk\", 1, 27)",
                                        "FindFirstChangeNotification(\"C:\\Users\\Desk\", 1, 4)",
                                        "FindFirstChangeNotification(\"C:\\Users\\Desk\", 1, 27)"}));
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    win.Advance(500);
    EXPECT_EQ(changes, 1);

    // An inactive monitor only stores the filter.
    m->SetActive(false);
    m->SetFilter(fnFileName | fnLastWrite);
    EXPECT_FALSE(m->Active());
    m->SetActive(true);
    EXPECT_TRUE(win.Contains("FindFirstChangeNotification(\"C:\\Users\\Desk\", 1, 17)"));
}

TEST_F(FolderMonitorTest, ChangesAreCoalescedForTheDelayWhichALaterChangeDoesNotExtend) {
    auto m = MakeMonitor(500);
    m->SetActive(true);

    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    EXPECT_TRUE(m->DelayPending());
    EXPECT_TRUE(win.Contains("SetTimer(" + std::to_string(m->WindowHandle().Value()) + ", 1, 500)"));
    win.Advance(300);
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    win.Advance(199);
    EXPECT_EQ(changes, 0);
    win.Advance(1);
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(m->DelayPending());
    EXPECT_TRUE(win.Contains("KillTimer(" + std::to_string(m->WindowHandle().Value()) + ", 1)"));
    win.Advance(2000);
    EXPECT_EQ(changes, 1);

    // The next change starts a new period.
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    win.Advance(500);
    EXPECT_EQ(changes, 2);
}

TEST_F(FolderMonitorTest, ChangingTheDelayWhileOneIsPending) {
    auto m = MakeMonitor(500);
    m->SetActive(true);
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    win.Advance(100);

    // A new length restarts the pending delay with it.
    m->SetDelayTime(200);
    EXPECT_EQ(m->DelayTime(), 200u);
    win.Advance(199);
    EXPECT_EQ(changes, 0);
    win.Advance(1);
    EXPECT_EQ(changes, 1);

    // Zero drops the pending notification; from then on each change is raised at once.
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    m->SetDelayTime(0);
    EXPECT_FALSE(m->DelayPending());
    win.Advance(5000);
    EXPECT_EQ(changes, 1);
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    EXPECT_EQ(changes, 2);
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(win.User().TimerCount(), 0u);
}

TEST_F(FolderMonitorTest, TheSubtreeIsWatchedUnlessSwitchedOff) {
    auto m = MakeMonitor(0);
    m->SetActive(true);
    ASSERT_NO_FATAL_FAILURE(HandOff(*m, [&] { win.Kernel().WriteText(kDesk + "\\Sub\\new.txt", "x"); }));
    EXPECT_EQ(changes, 1);

    m->SetMonitorSubtree(false);
    ASSERT_TRUE(m->Active());
    // The system signals (or not) as the file is written.
    win.Kernel().WriteText(kDesk + "\\Sub\\other.txt", "x");
    EXPECT_FALSE(win.Kernel().IsSignalled(m->Thread()->NotifyHandle()));
    ASSERT_NO_FATAL_FAILURE(HandOff(*m, [&] { win.Kernel().WriteText(kDesk + "\\top.txt", "x"); }));
    EXPECT_EQ(changes, 2);
}

// The worker and the hand-off between the threads.
class FolderMonitorThreadTest : public FolderMonitorTest {};

TEST_F(FolderMonitorThreadTest, EachChangeRunsOnTheMainThreadWhileTheWorkerWaits) {
    auto m = MakeMonitor(0);
    std::thread::id ranOn;
    bool workerStillWaiting = false;
    m->OnChange = [&] {
        ++changes;
        ranOn = std::this_thread::get_id();
        // The worker re-arms its notification only after the main thread is done.
        workerStillWaiting = win.Kernel().IsSignalled(m->Thread()->NotifyHandle());
    };
    m->SetActive(true);
    const plat::Handle watch = m->Thread()->NotifyHandle();

    win.Kernel().TouchFolder(kDesk);
    ASSERT_TRUE(Posted(m->WindowHandle(), 0));
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(win.Kernel().IsSignalled(watch));
    EXPECT_EQ(changes, 0);
    win.ProcessMessages();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(ranOn, std::this_thread::get_id());
    EXPECT_TRUE(workerStillWaiting);
    EXPECT_TRUE(WaitUntil([&] { return !win.Kernel().IsSignalled(watch); }));
}

TEST_F(FolderMonitorThreadTest, StoppingNeverWaitsForTheWorker) {
    auto m = MakeMonitor();
    m->SetActive(true);
    m->SetActive(false);
    EXPECT_TRUE(WorkersGone());

    // Closing the program while the worker waits in the kernel.
    m->SetActive(true);
    m.reset();
    EXPECT_TRUE(WorkersGone());
}

TEST_F(FolderMonitorThreadTest, AChangeHandedOverByAWorkerLetGoReachesNobody) {
    auto m = MakeMonitor(0);
    m->SetActive(true);

    // Switched off while the worker waits for the main thread.
    std::size_t before = PostsTo(m->WindowHandle());
    win.Kernel().TouchFolder(kDesk);
    ASSERT_TRUE(Posted(m->WindowHandle(), before));
    m->SetActive(false);
    EXPECT_TRUE(WorkersGone());
    win.ProcessMessages();
    EXPECT_EQ(changes, 0);

    // Restarted on another folder meanwhile: only the new worker's changes count.
    m->SetActive(true);
    before = PostsTo(m->WindowHandle());
    win.Kernel().TouchFolder(kDesk);
    ASSERT_TRUE(Posted(m->WindowHandle(), before));
    m->SetFolderName(kDesk + "\\Sub");
    ASSERT_TRUE(WaitUntil([&] { return win.Kernel().WatchCount() == 1; }));
    win.ProcessMessages();
    EXPECT_EQ(changes, 0);
    ASSERT_NO_FATAL_FAILURE(HandOff(*m, [&] { win.Kernel().TouchFolder(kDesk + "\\Sub"); }));
    EXPECT_EQ(changes, 1);

    // Destroyed with a change on its way.
    before = PostsTo(m->WindowHandle());
    win.Kernel().TouchFolder(kDesk + "\\Sub");
    ASSERT_TRUE(Posted(m->WindowHandle(), before));
    m.reset();
    EXPECT_TRUE(WorkersGone());
    win.ProcessMessages();
    EXPECT_EQ(changes, 1);
}

TEST_F(FolderMonitorThreadTest, AHandlerMayStopTheMonitorOrFail) {
    auto m = MakeMonitor(0);
    m->OnChange = [&] {
        ++changes;
        throw EVelantError("The handler failed.");
    };
    m->SetActive(true);
    const plat::Handle watch = m->Thread()->NotifyHandle();
    win.Kernel().TouchFolder(kDesk);
    ASSERT_TRUE(Posted(m->WindowHandle(), 0));
    EXPECT_THROW(win.ProcessMessages(), EVelantError);
    // The worker went on regardless.
    ASSERT_TRUE(WaitUntil([&] { return !win.Kernel().IsSignalled(watch); }));
    m->OnChange = [&] {
        ++changes;
        m->SetActive(false);
    };
    const std::size_t before = PostsTo(m->WindowHandle());
    win.Kernel().TouchFolder(kDesk);
    ASSERT_TRUE(Posted(m->WindowHandle(), before));
    win.ProcessMessages();
    EXPECT_EQ(changes, 2);
    EXPECT_FALSE(m->Active());
    EXPECT_TRUE(WorkersGone());
}

TEST_F(FolderMonitorThreadTest, AFailedWaitOrReArmEndsTheWorkerButTheMonitorStaysActive) {
    auto m = MakeMonitor(0);
    win.FailNext("WaitForMultipleObjects", 6);
    m->SetActive(true);
    ASSERT_TRUE(WaitUntil([&] { return m->Thread()->FinishedLoop(); }));
    EXPECT_EQ(m->Thread()->ErrorCode(), 6);
    EXPECT_TRUE(m->Active());
    EXPECT_TRUE(WorkersGone());
    // Letting go of a finished worker destroys it at once.
    m->SetActive(false);
    EXPECT_FALSE(m->Active());

    m->SetActive(true);
    win.FailNext("FindNextChangeNotification", 5);
    win.Kernel().TouchFolder(kDesk);
    ASSERT_TRUE(Posted(m->WindowHandle(), 0));
    win.ProcessMessages();
    EXPECT_EQ(changes, 1);
    ASSERT_TRUE(WaitUntil([&] { return m->Thread()->FinishedLoop(); }));
    EXPECT_EQ(m->Thread()->ErrorCode(), 5);
    EXPECT_TRUE(m->Active());
    EXPECT_TRUE(WorkersGone());
    m->SetActive(false);
    m->SetActive(true);
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    EXPECT_EQ(changes, 2);
}

TEST_F(FolderMonitorThreadTest, AWorkerOnItsOwnHandsOverThroughItsWindow) {
    std::unique_ptr<TNotifyThread> worker;
    const plat::Hwnd wnd =
        p.user.CreateHiddenWindow("Probe", [&](std::uint32_t msg, plat::WParam tag, plat::LParam) {
            if (msg == plat::WM_USER && worker && tag == worker->Tag()) worker->CallNotify();
            return plat::LResult{0};
        });
    int calls = 0;
    worker = std::make_unique<TNotifyThread>(p.kernel, p.user, kDesk, true, kDefaultChangeFilter, wnd,
                                             plat::WM_USER, 7);
    ASSERT_FALSE(worker->Failed());
    worker->SetCallback([&](TNotifyThread& sender) {
        ++calls;
        EXPECT_EQ(&sender, worker.get());
    });
    win.Kernel().TouchFolder(kDesk);
    ASSERT_TRUE(Posted(wnd, 0));
    EXPECT_TRUE(win.Contains("PostMessage(" + std::to_string(wnd.Value()) + ", 0x0400, 7, 0)"));
    win.ProcessMessages();
    EXPECT_EQ(calls, 1);
    ASSERT_TRUE(WaitUntil([&] { return !win.Kernel().IsSignalled(worker->NotifyHandle()); }));

    // Destroying it while it waits for a main thread that never answers.
    win.Kernel().TouchFolder(kDesk);
    ASSERT_TRUE(Posted(wnd, 1));
    worker.reset();
    EXPECT_TRUE(WorkersGone());
    win.ProcessMessages();
    EXPECT_EQ(calls, 1);

    // A stopped worker whose loop has ended is destroyed at once when let go.
    worker = std::make_unique<TNotifyThread>(p.kernel, p.user, kDesk, true, kDefaultChangeFilter, wnd,
                                             plat::WM_USER, 8);
    worker->Stop();
    ASSERT_TRUE(WaitUntil([&] { return worker->FinishedLoop(); }));
    EXPECT_TRUE(worker->Terminated());
    TNotifyThread::Release(std::move(worker));
    EXPECT_TRUE(WorkersGone());
    p.user.DestroyWindow(wnd);
}

TEST_F(FolderMonitorThreadTest, DestroyingTheMonitorUnhooksItsPendingDelay) {
    auto m = MakeMonitor(500);
    m->SetActive(true);
    ASSERT_NO_FATAL_FAILURE(HandOff(*m));
    const std::string wnd = std::to_string(m->WindowHandle().Value());
    win.ClearJournal();
    m.reset();
    const auto journal = win.Journal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.front(), "KillTimer(" + wnd + ", 1)");
    EXPECT_TRUE(win.Contains("DestroyWindow(" + wnd + ")"));
    EXPECT_EQ(win.User().TimerCount(), 0u);
    win.Advance(1000);
    EXPECT_EQ(changes, 0);
}

}  // namespace
