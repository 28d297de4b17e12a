// The cost of the periodic work: one round of the timer list with the program's
// three events, and one caption-clock tick of the main window (processor load,
// both patterns, reading and writing the foreground caption), on the simulation.
#include <benchmark/benchmark.h>

#include <memory>

#include "app/MainForm.h"
#include "app/TimerList.h"
#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

// One WM_TIMER round in which the three events are due and run empty handlers.
void BM_TimerListRound(benchmark::State& state) {
    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app(p.user, p.dialogs);
    TTimerList list("RxTimerList1", p.user, p.kernel, app);
    TTimerEvent titleBar("TitleBarTimer", 1000, true), wallPaper("WallPaperTimer", 60000, true),
        general("General", 1000, true);
    long fired = 0;
    for (TTimerEvent* e : {&titleBar, &wallPaper, &general}) {
        e->OnTimer = [&fired] { ++fired; };
        list.Add(*e);
    }
    list.SetActive(true);
    for (auto _ : state) {
        win.Clock().Advance(60000);  // every event due
        win.User().SendMessage(list.WindowHandle(), plat::WM_TIMER, 1, 0);
    }
    state.counters["events_per_round"] = benchmark::Counter(static_cast<double>(fired) / state.iterations());
}
BENCHMARK(BM_TimerListRound);

// One caption-clock tick with the clock and the processor load shown.
void BM_CaptionClockTick(benchmark::State& state) {
    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app(p.user, p.dialogs);
    app.Title = "Velant! Pro 2001";
    std::vector<plat::ProcessorTimes> times(2);
    win.Kernel().SetProcessorTimes(times);
    const plat::Hwnd editor = win.User().AddWindow(0, "Notepad", "Letter - Editor");
    win.User().SetForegroundWindow(editor);
    auto form = std::make_unique<TMainForm>(p, app);
    form->Loaded();
    form->mainPage.ckWinClock.SetChecked(true);
    form->mainPage.ckCPU.SetChecked(true);
    for (auto _ : state) {
        times[0].idle += 10'000'000, times[0].kernel += 10'000'000;
        times[1].idle += 5'000'000, times[1].kernel += 10'000'000;
        win.Kernel().SetProcessorTimes(times);
        win.Clock().Advance(1000);
        form->captionClock.Tick();
    }
    benchmark::DoNotOptimize(win.User().Window(editor).title);
}
BENCHMARK(BM_CaptionClockTick);

}  // namespace
