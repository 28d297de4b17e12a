// Times the desktop submenu on the simulated Windows:
//   rebuild for a desktop of 2,000 entries (200 folders, 1,800 files), with the
//       renderer's entries and small icons and without, against the bare
//       enumeration of the same folder through the same kernel (the floor any
//       rebuild stands on); the ratio is printed as a counter;
//   a burst of 1,000 file changes on a watched desktop, which must give
//       exactly one rebuild (the run fails otherwise); the counters say how
//       many rebuilds and how many hand-offs from the worker there were.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "desktop/FolderMenu.h"
#include "desktop/FolderMonitor.h"
#include "platform/sim/SimWindows.h"
#include "ui/Application.h"

namespace {

const std::string kDesk = "C:\\Users\\Bench\\Desktop";
const std::string kBurstDesk = "C:\\Users\\Burst\\Desktop";
constexpr int kFolders = 200;
constexpr int kFiles = 1800;
constexpr int kBurst = 1000;

class CountingRenderer : public IMenuEntryRenderer {
public:
    void CreateEntry(TMenuItem& item, plat::Hicon icon) override { live[&item] = icon; }
    void DestroyEntry(TMenuItem& item) override { live.erase(&item); }
    std::map<const TMenuItem*, plat::Hicon> live;
};

// One simulated Windows with the generated desktop, made once for all runs.
struct Desktop {
    sim::SimWindows win;
    plat::Platform p = win.platform();
    TApplication app{p.user, p.dialogs};

    Desktop() {
        std::vector<std::string> names;
        for (int i = 0; i < kFolders; ++i) names.push_back("D" + std::to_string(i));
        for (int i = 0; i < kFiles; ++i) {
            static const char* const kinds[] = {".lnk", ".TXT", ".doc", ".url", ".Jpg"};
            names.push_back((i % 3 ? "file " : "Shortcut to ") + std::to_string(i) + kinds[i % 5]);
        }
        std::shuffle(names.begin(), names.end(), std::mt19937(2001));
        for (const auto& n : names) {
            if (n[0] == 'D')
                win.Kernel().MakeDirectory(kDesk + "\\" + n);
            else
                win.Kernel().WriteText(kDesk + "\\" + n, "x");
        }
        win.Kernel().MakeDirectory(kBurstDesk);
    }
};

Desktop& Shared() {
    static Desktop desktop;
    return desktop;
}

double SecondsOf(const std::function<void()>& work, int rounds) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
}

std::size_t Enumerate(plat::IKernel& kernel, const std::string& folder) {
    std::vector<std::string> names;
    plat::FindData data;
    const plat::Handle find = kernel.FindFirstFile(folder + "\\*.*", data);
    if (find) {
        do names.push_back(data.name);
        while (kernel.FindNextFile(find, data));
        kernel.FindClose(find);
    }
    return names.size();
}

void BM_EnumerateDesktop(benchmark::State& state) {
    Desktop& d = Shared();
    std::size_t n = 0;
    for (auto _ : state) benchmark::DoNotOptimize(n = Enumerate(d.p.kernel, kDesk));
    state.counters["entries"] = static_cast<double>(n);
}
BENCHMARK(BM_EnumerateDesktop)->Unit(benchmark::kMillisecond);

// What the simulation alone spends on the entries' small icons (asking for them
// and destroying them), which the rebuild with a renderer includes.
void BM_SmallIconsOnly(benchmark::State& state) {
    Desktop& d = Shared();
    std::vector<std::string> paths;
    plat::FindData data;
    const plat::Handle find = d.p.kernel.FindFirstFile(kDesk + "\\*.*", data);
    do
        if (data.name != "." && data.name != "..") paths.push_back(kDesk + "\\" + data.name);
    while (d.p.kernel.FindNextFile(find, data));
    d.p.kernel.FindClose(find);
    std::vector<plat::Hicon> icons;
    for (auto _ : state) {
        icons.clear();
        for (const auto& path : paths) icons.push_back(d.p.shell.SHGetFileInfoSmallIcon(path));
        for (plat::Hicon icon : icons) d.p.user.DestroyIcon(icon);
    }
    state.counters["icons"] = static_cast<double>(paths.size());
}
BENCHMARK(BM_SmallIconsOnly)->Unit(benchmark::kMillisecond);

void RebuildDesktopMenu(benchmark::State& state, bool withRenderer) {
    Desktop& d = Shared();
    TMenuItem root("MainPopup_Desktop", "Desktop");
    CountingRenderer renderer;
    TFolderMenu menu("FolderMenu1", d.p.user, d.p.kernel, d.p.shell, d.app);
    menu.SetMenuItem(&root);
    if (withRenderer) menu.SetEntryRenderer(&renderer);
    menu.SetFolderName(kDesk);
    for (auto _ : state) menu.Rebuild();

    if (root.Items().size() != kFolders + kFiles + 1) state.SkipWithError("the submenu is incomplete");
    if (withRenderer && renderer.live.size() != root.Items().size())
        state.SkipWithError("entries out of step");
    state.counters["entries"] = static_cast<double>(root.Items().size());
    // The same folder's bare enumeration, timed in the same run.
    const double floor = SecondsOf([&] { Enumerate(d.p.kernel, kDesk); }, 20);
    const double ours = SecondsOf([&] { menu.Rebuild(); }, 5);
    state.counters["enum_ms"] = floor * 1e3;
    state.counters["ratio_to_enum"] = ours / floor;
}

void BM_RebuildDesktopMenu(benchmark::State& state) { RebuildDesktopMenu(state, true); }
BENCHMARK(BM_RebuildDesktopMenu)->Unit(benchmark::kMillisecond);

void BM_RebuildDesktopMenuPlain(benchmark::State& state) { RebuildDesktopMenu(state, false); }
BENCHMARK(BM_RebuildDesktopMenuPlain)->Unit(benchmark::kMillisecond);

// 1,000 files written while the main thread keeps serving its messages; virtual
// time runs 400 ms meanwhile.
void WriteBurst(sim::SimWindows& win) {
    for (int i = 0; i < kBurst; ++i) {
        win.Kernel().WriteText(kBurstDesk + "\\copy " + std::to_string(i) + ".txt", "x");
        win.Advance(i % 25 == 24 ? 10 : 0);
    }
}

void DeleteBurst(sim::SimKernel& kernel) {
    for (int i = 0; i < kBurst; ++i) kernel.DeleteFile(kBurstDesk + "\\copy " + std::to_string(i) + ".txt");
}

// The same burst on an unwatched desktop: what the simulation spends on the files
// and the message loop alone.
void BM_BurstUnwatched(benchmark::State& state) {
    Desktop& d = Shared();
    for (auto _ : state) {
        WriteBurst(d.win);
        state.PauseTiming();
        DeleteBurst(d.win.Kernel());
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BurstUnwatched)->Unit(benchmark::kMillisecond)->UseRealTime();

// The burst on the watched desktop: then the 500 ms delay ends and the submenu
// is rebuilt. Everything, the final rebuild included, is timed.
void BM_ChangeBurst(benchmark::State& state) {
    Desktop& d = Shared();
    sim::SimKernel& kernel = d.win.Kernel();
    std::size_t rebuilds = 0, handOffs = 0, iterations = 0;
    for (auto _ : state) {
        TMenuItem root("MainPopup_Desktop", "Desktop");
        TFolderMenu menu("FolderMenu1", d.p.user, d.p.kernel, d.p.shell, d.app);
        menu.SetMenuItem(&root);
        menu.SetFolderName(kBurstDesk);
        TFolderMonitor monitor("RxDesktopMonitor1", d.p.kernel, d.p.user);
        monitor.SetDelayTime(500);
        std::size_t round = 0;
        monitor.OnChange = [&] {
            ++round;
            menu.Rebuild();
        };
        monitor.SetFolderName(kBurstDesk);
        monitor.SetActive(true);
        d.win.ClearJournal();
        const std::string posts = "PostMessage(" + std::to_string(monitor.WindowHandle().Value()) + ",";

        WriteBurst(d.win);
        // The worker may still hand over a last change; take it before time moves on.
        const plat::Handle watch = monitor.Thread()->NotifyHandle();
        for (int quiet = 0; quiet < 3;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            d.win.ProcessMessages();
            quiet = d.win.User().PendingMessages() == 0 && !kernel.IsSignalled(watch) ? quiet + 1 : 0;
        }
        d.win.Advance(500);
        rebuilds += round;
        handOffs += d.win.CallJournal().Count(posts);
        ++iterations;
        // Every copy, and the parent folder's entry.
        const bool whole = round == 1 && root.Items().size() == kBurst + 1;

        state.PauseTiming();
        monitor.SetActive(false);
        DeleteBurst(kernel);
        state.ResumeTiming();
        if (!whole) {
            state.SkipWithError(("not exactly one full rebuild: " + std::to_string(round) + " rebuilds, " +
                                 std::to_string(root.Items().size()) + " items")
                                    .c_str());
            break;
        }
    }
    state.counters["rebuilds_per_burst"] = static_cast<double>(rebuilds) / static_cast<double>(iterations);
    state.counters["handoffs_per_burst"] = static_cast<double>(handOffs) / static_cast<double>(iterations);
}
BENCHMARK(BM_ChangeBurst)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
