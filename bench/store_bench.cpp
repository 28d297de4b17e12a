// The settings store with a big wallpaper list, on the simulated Windows:
//   start-up (the form built and its settings restored) with 50,000 stored
//       pictures and with none;
//   showing the configuration window and its "Close" with the 50,000 unchanged.
// The counters say how many of the list's values each showing reads and each
// close writes: on Windows each is a round trip to the registry, the cost that
// matters under Wine (bench/win32/big_list.sh times that).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "app/MainForm.h"
#include "platform/constants.h"
#include "platform/sim/SimWindows.h"

namespace {

constexpr int kPictures = 50000;
const std::string kList = "Software\\Corvane\\Velant! Pro 2001.WallList_Items";

struct Program {
    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};
    std::unique_ptr<TMainForm> form;

    explicit Program(int pictures) {
        app.Title = "Velant! Pro 2001";
        win.CallJournal().SetRecording(false);
        auto& reg = win.Registry();
        reg.SetString(plat::HKEY_CURRENT_USER, kList, "Count", std::to_string(pictures));
        for (int i = 0; i < pictures; ++i)
            reg.SetString(plat::HKEY_CURRENT_USER, kList, "Item" + std::to_string(i),
                          "C:\\My Pictures\\Folder " + std::to_string(i / 500) + "\\photo " +
                              std::to_string(i) + ".jpg");
    }
    TMainForm& Start() {
        form.reset();
        form = std::make_unique<TMainForm>(p, app);
        form->Loaded();
        return *form;
    }
    std::size_t ListReads() { return win.Registry().ValueReads(plat::HKEY_CURRENT_USER, kList); }
};

void Start(benchmark::State& state, int pictures) {
    Program program(pictures);
    for (auto _ : state) program.Start();
    if (program.form->wallpaperPage.wallpaperList.Count() != pictures)
        state.SkipWithError("the list did not come back");
}
void BM_StartEmptyList(benchmark::State& state) { Start(state, 0); }
void BM_Start50000(benchmark::State& state) { Start(state, kPictures); }
BENCHMARK(BM_StartEmptyList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Start50000)->Unit(benchmark::kMillisecond);

void BM_Show50000(benchmark::State& state) {
    Program program(kPictures);
    TMainForm& f = program.Start();
    std::size_t reads = 0, shows = 0;
    for (auto _ : state) {
        const std::size_t before = program.ListReads();
        f.ShowConfiguration();
        reads += program.ListReads() - before;
        ++shows;
        state.PauseTiming();
        f.Close();
        state.ResumeTiming();
    }
    if (f.wallpaperPage.wallpaperList.Count() != kPictures) state.SkipWithError("the list changed");
    state.counters["list_reads_per_show"] = static_cast<double>(reads) / static_cast<double>(shows);
}
BENCHMARK(BM_Show50000)->Unit(benchmark::kMillisecond);

void BM_Close50000Unchanged(benchmark::State& state) {
    Program program(kPictures);
    TMainForm& f = program.Start();
    program.win.CallJournal().SetRecording(true);
    std::size_t writes = 0, closes = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.ShowConfiguration();
        program.win.ClearJournal();
        state.ResumeTiming();
        f.Close();
        writes += program.win.Count("RegSetValueEx(HKCU\\" + kList);
        ++closes;
    }
    state.counters["list_writes_per_close"] = static_cast<double>(writes) / static_cast<double>(closes);
}
BENCHMARK(BM_Close50000Unchanged)->Unit(benchmark::kMillisecond);

}  // namespace
