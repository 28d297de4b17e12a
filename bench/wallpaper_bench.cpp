// Times the wallpaper libraries against the reference tools on the same input
// in one run and prints each ratio (ours / reference; below 1 means faster):
//   JPEG to wallpaper bitmap    vs  djpeg -bmp  (and the conversion's peak memory)
//   the same for Fill on 1920 x 1080  vs  djpeg -ppm to /dev/null (the full-size
//                               decode alone), beside djpeg -scale 3/8 -bmp
//   folder scan, sorted         vs  find DIR -iname '*.bmp' -o -iname '*.jpg' | sort -f
//   the same with sizes         vs  find DIR \( ... \) -printf '%s %p\n' | sort -f
//   mask matching               vs  fnmatch(FNM_CASEFOLD)
// plus the pathological mask's time. Inputs are generated once under
// $VELANT_BENCH_DIR (default /tmp/velant-bench) and reused.
#include <benchmark/benchmark.h>
#include <fnmatch.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "../tests/wallpaper/JpegEncoder.h"
#include "platform/sim/SimClock.h"
#include "platform/sim/SimJournal.h"
#include "platform/sim/SimKernel.h"
#include "wallpaper/FileScanner.h"
#include "wallpaper/Jpeg.h"
#include "wallpaper/Masks.h"
#include "wallpaper/SafeFile.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

fs::path BenchDir() {
    const char* dir = std::getenv("VELANT_BENCH_DIR");
    return dir ? fs::path(dir) : fs::path("/tmp/velant-bench");
}

// Everything lives under BenchDir()/C, which the kernel shows as C:\.
fs::path Root() { return BenchDir() / "C"; }

fs::path ExistingBenchDir() {
    fs::create_directories(BenchDir());
    return BenchDir();
}

// The simulated kernel over BenchDir() with nothing recorded, listings read
// straight from the disk and a plain collation, so a run times the libraries
// and the disk rather than the simulation.
class TBenchKernel {
public:
    explicit TBenchKernel(sim::SimKernel::BenchmarkOptions options = {})
        : FKernel(FJournal, FClock, ExistingBenchDir()) {
        FJournal.SetRecording(false);
        options.streamListings = true;
        options.plainCollation = true;
        FKernel.SetBenchmarkOptions(std::move(options));
    }
    sim::SimKernel& operator*() { return FKernel; }

private:
    sim::SimJournal FJournal;
    sim::SimClock FClock;
    sim::SimKernel FKernel;
};

double CpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Processor time (user and system) of this process or of the reference
// tools it waited for: the machine may be shared, and wall time then
// measures the neighbours as much as the program.
class TCpuMeter {
public:
    explicit TCpuMeter(benchmark::State& state, int who)
        : FState(state), FWho(who), FStart(CpuSeconds(who)) {}
    ~TCpuMeter() {
        FState.counters["cpu_ms"] =
            benchmark::Counter((CpuSeconds(FWho) - FStart) * 1e3 / static_cast<double>(FState.iterations()));
    }

private:
    benchmark::State& FState;
    int FWho;
    double FStart;
};

int Run(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A 6000 x 4000 photo stand-in: smooth gradients with fine texture, so the
// entropy decoder has real work, at a camera's usual quality and subsampling.
const fs::path& BigJpeg() {
    static const fs::path path = [] {
        const fs::path p = Root() / "big.jpg";
        if (!fs::exists(p)) {
            fs::create_directories(Root());
            wptest::JpegOptions o;
            o.width = 6000;
            o.height = 4000;
            o.quality = 90;
            const auto data = wptest::EncodeJpeg(o, [](int x, int y, int c) {
                const unsigned noise =
                    (static_cast<unsigned>(x) * 2654435761u ^ static_cast<unsigned>(y) * 40503u) >> 27;
                return static_cast<std::uint8_t>((x / 24 + y / 16 + c * 60 + noise) & 0xFF);
            });
            std::ofstream(p, std::ios::binary)
                .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
        }
        return p;
    }();
    return path;
}

// 1,000 folders (10 x 100) holding 100 files each, a mix of pictures in
// several letter cases and other types.
const fs::path& Tree() {
    static const fs::path path = [] {
        const fs::path tree = Root() / "tree";
        const fs::path done = Root() / "tree.done";
        if (!fs::exists(done)) {
            fs::remove_all(tree);
            static const char* const ext[] = {".jpg", ".BMP", ".txt",  ".png",
                                              ".Jpg", ".bmp", ".jpeg", ".doc"};
            for (int a = 0; a < 10; ++a)
                for (int b = 0; b < 100; ++b) {
                    const fs::path dir = tree / ("album" + std::to_string(a)) / ("Roll_" + std::to_string(b));
                    fs::create_directories(dir);
                    for (int f = 0; f < 100; ++f)
                        std::ofstream(dir / ("IMG_" + std::to_string(f * 37 % 1000) + "_" +
                                             std::to_string(f) + ext[f % 8]))
                            << "x";
                }
            std::ofstream(done) << "ok";
        }
        return tree;
    }();
    return path;
}

std::vector<std::string> TreeNames() {
    std::vector<std::string> names;
    for (const auto& e : fs::recursive_directory_iterator(Tree()))
        names.push_back(e.path().filename().string());
    return names;
}

// A line of /proc/self/status in kB ("VmRSS", "VmHWM"), -1 when absent.
long StatusKb(const char* field) {
    std::ifstream in("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) return std::strtol(line.c_str() + prefix.size(), nullptr, 10);
    return -1;
}

void ConvertStreamed(plat::IKernel& kernel) { ConvertJpegToBitmap(kernel, "C:\\big.jpg", "C:\\ours.bmp"); }
// "Fill" on a 1920 x 1080 monitor: the picture decoded at the eighth that still covers it.
constexpr plat::ScaleBox kFillBox{1920, 1080, true};
void ConvertFill(plat::IKernel& kernel) {
    ConvertJpegToBitmap(kernel, "C:\\big.jpg", "C:\\fill.bmp", kFillBox);
}
void ConvertWholeImage(plat::IKernel& kernel) {
    WriteFileReplacing(kernel, "C:\\whole.bmp", DecodeJpegToBmpFile(ReadWholeFile(kernel, "C:\\big.jpg")));
}

// How far one conversion raises the peak resident size of a fresh process (this
// program started again with --peak-memory) above its size at rest, in MB, so
// that nothing the benchmarks did before (the allocator keeps freed memory for
// later) counts. The child resets its high-water mark to the present size
// (clear_refs 5), converts once and reads the mark again (VmHWM, the figure
// getrusage reports as ru_maxrss).
long PeakAboveRestKb(const std::string& which) {
    TBenchKernel kernel;
    std::ofstream("/proc/self/clear_refs") << "5";
    const long rest = StatusKb("VmRSS");
    if (which == "streamed")
        ConvertStreamed(*kernel);
    else if (which == "fill")
        ConvertFill(*kernel);
    else
        ConvertWholeImage(*kernel);
    const long peak = StatusKb("VmHWM");
    return rest < 0 || peak < 0 ? -1 : peak - rest;
}

double PeakAboveRestMb(const std::string& which) {
    const std::string cmd = "/proc/" + std::to_string(getpid()) + "/exe --peak-memory " + which;
    FILE* out = popen(cmd.c_str(), "r");
    if (!out) return -1;
    long kb = -1;
    if (std::fscanf(out, "%ld", &kb) != 1) kb = -1;
    pclose(out);
    return kb < 0 ? -1 : static_cast<double>(kb) / 1024;
}

bool SameFiles(const fs::path& a, const fs::path& b) {
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    if (!x || !y) return false;
    return std::equal(std::istreambuf_iterator<char>(x), std::istreambuf_iterator<char>(),
                      std::istreambuf_iterator<char>(y), std::istreambuf_iterator<char>());
}

void BM_JpegToWallpaper(benchmark::State& state) {
    TBenchKernel kernel;
    BigJpeg();
    TCpuMeter cpu(state, RUSAGE_SELF);
    for (auto _ : state) ConvertStreamed(*kernel);
}

void BM_JpegToWallpaperFill(benchmark::State& state) {
    TBenchKernel kernel;
    BigJpeg();
    TCpuMeter cpu(state, RUSAGE_SELF);
    for (auto _ : state) ConvertFill(*kernel);
}

// The conversion as it was before the rows were streamed: the whole file image
// decoded into one buffer, then written out, for a same-run comparison.
void BM_JpegToWallpaperWholeImage(benchmark::State& state) {
    TBenchKernel kernel;
    BigJpeg();
    TCpuMeter cpu(state, RUSAGE_SELF);
    for (auto _ : state) ConvertWholeImage(*kernel);
}

void BM_Djpeg(benchmark::State& state) {
    const std::string in = BigJpeg().string(), out = (Root() / "djpeg.bmp").string();
    TCpuMeter cpu(state, RUSAGE_CHILDREN);
    for (auto _ : state)
        if (Run({"djpeg", "-bmp", "-outfile", out, in}) != 0) state.SkipWithError("djpeg failed");
}

// The full-size decode alone: the floor of any full-size conversion.
void BM_DjpegDecodeOnly(benchmark::State& state) {
    const std::string in = BigJpeg().string();
    TCpuMeter cpu(state, RUSAGE_CHILDREN);
    for (auto _ : state)
        if (Run({"djpeg", "-ppm", "-outfile", "/dev/null", in}) != 0) state.SkipWithError("djpeg failed");
}

// The library's own tool decoding at the scale Fill on 1920 x 1080 takes.
void BM_DjpegScaled(benchmark::State& state) {
    const std::string in = BigJpeg().string(), out = (Root() / "djpeg-scaled.bmp").string();
    TCpuMeter cpu(state, RUSAGE_CHILDREN);
    for (auto _ : state)
        if (Run({"djpeg", "-scale", "3/8", "-bmp", "-outfile", out, in}) != 0)
            state.SkipWithError("djpeg failed");
}

enum TSizes { szNone, szCounted, szEvery };

const char* const kFindMasks = "-iname '*.bmp' -o -iname '*.jpg'";

// What find prints, and the total size of those files, for checking the scan.
struct TTreeTruth {
    std::vector<std::string> paths;  // host paths, in byte order
    std::int32_t size = 0;
};
const TTreeTruth& Truth() {
    static const TTreeTruth truth = [] {
        TTreeTruth t;
        const fs::path out = BenchDir() / "find.txt";
        Run({"sh", "-c", "find '" + Tree().string() + "' " + kFindMasks + " > '" + out.string() + "'"});
        std::ifstream in(out);
        for (std::string line; std::getline(in, line);) {
            t.paths.push_back(line);
            std::error_code ec;
            if (fs::is_regular_file(line, ec))
                t.size = static_cast<std::int32_t>(static_cast<std::uint32_t>(t.size) +
                                                   static_cast<std::uint32_t>(fs::file_size(line, ec)));
        }
        std::sort(t.paths.begin(), t.paths.end());
        return t;
    }();
    return truth;
}

// The scanner's list as host paths in byte order, to hold against find's.
std::vector<std::string> HostPaths(const std::vector<std::string>& list) {
    std::vector<std::string> paths;
    for (std::string p : list) {
        for (char& c : p)
            if (c == '\\') c = '/';
        paths.push_back((BenchDir() / "C" / p.substr(3)).string());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The same scan with the file sizes it adds up fetched three ways:
// szCounted, a stat for each file the masks match, the sizes the scanner
// reads; szEvery, a stat for every file, as a literal copy of Windows'
// listing would; szNone, no sizes, the same information find works with.
void BM_ScanTree(benchmark::State& state) {
    const auto sizes = static_cast<TSizes>(state.range(0));
    const std::string fileMask = "*.bmp, *.jpg";
    const auto masks = ParseMaskList(fileMask);
    sim::SimKernel::BenchmarkOptions options;
    options.fetchSizes = sizes != szNone;
    if (sizes == szCounted)
        options.sizeWanted = [&masks](std::string_view name) {
            for (const TMask& m : masks)
                if (m.MatchesName(name)) return true;
            return false;
        };
    TBenchKernel kernel(std::move(options));
    Tree();
    TFileScanner scan("FilesScan1", *kernel);
    scan.FileMask = fileMask;
    scan.Attributes = {};
    scan.SortedList = true;
    scan.ScanOptions = TScanOptions::soSpecifiedDir;
    scan.ScanDir = "C:\\tree";
    {
        TCpuMeter cpu(state, RUSAGE_SELF);
        for (auto _ : state) {
            scan.Execute();
            benchmark::DoNotOptimize(scan.FilesList().data());
        }
    }
    state.counters["files"] = scan.FilesCount();
    // Every variant must give find's list; the ones with sizes the true total.
    if (HostPaths(scan.FilesList()) != Truth().paths)
        state.SkipWithError("the scan's list differs from find's");
    else if (sizes != szNone && scan.FilesSize() != Truth().size)
        state.SkipWithError("the scan's total size is wrong");
}

void BM_FindSort(benchmark::State& state) {
    const std::string cmd =
        "find '" + Tree().string() + "' " + kFindMasks + " | LC_ALL=C sort -f > /dev/null";
    TCpuMeter cpu(state, RUSAGE_CHILDREN);
    for (auto _ : state)
        if (Run({"sh", "-c", cmd}) != 0) state.SkipWithError("find failed");
}

// find reading each file's size as well, as the scan's total needs: the like-for-like
// reference for the rows with sizes.
void BM_FindSizesSort(benchmark::State& state) {
    const std::string cmd = "find '" + Tree().string() + "' \\( " + kFindMasks +
                            " \\) -printf '%s %p\\n' | LC_ALL=C sort -f > /dev/null";
    TCpuMeter cpu(state, RUSAGE_CHILDREN);
    for (auto _ : state)
        if (Run({"sh", "-c", cmd}) != 0) state.SkipWithError("find failed");
}

const std::vector<std::string>& Names() {
    static const std::vector<std::string> names = TreeNames();
    return names;
}

void BM_MasksOurs(benchmark::State& state) {
    const auto masks = ParseMaskList("*.bmp, *.jpg");
    TCpuMeter cpu(state, RUSAGE_SELF);
    for (auto _ : state) {
        int hits = 0;
        for (const auto& n : Names())
            for (const TMask& m : masks)
                if (m.MatchesName(n)) {
                    ++hits;
                    break;
                }
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Names().size()));
}

void BM_Fnmatch(benchmark::State& state) {
    TCpuMeter cpu(state, RUSAGE_SELF);
    for (auto _ : state) {
        int hits = 0;
        for (const auto& n : Names())
            if (fnmatch("*.bmp", n.c_str(), FNM_CASEFOLD) == 0 ||
                fnmatch("*.jpg", n.c_str(), FNM_CASEFOLD) == 0)
                ++hits;
        benchmark::DoNotOptimize(hits);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * Names().size()));
}

void BM_PathologicalMask(benchmark::State& state) {
    std::string mask;
    for (int i = 0; i < 30; ++i) mask += "*a";
    const TMask m(mask + "b");
    const std::string name(static_cast<std::size_t>(state.range(0)), 'a');
    for (auto _ : state) benchmark::DoNotOptimize(m.MatchesName(name));
}

BENCHMARK(BM_JpegToWallpaper)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->UseRealTime();
BENCHMARK(BM_JpegToWallpaperWholeImage)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->UseRealTime();
BENCHMARK(BM_Djpeg)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->UseRealTime();
BENCHMARK(BM_JpegToWallpaperFill)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->UseRealTime();
BENCHMARK(BM_DjpegDecodeOnly)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->UseRealTime();
BENCHMARK(BM_DjpegScaled)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->UseRealTime();
BENCHMARK(BM_ScanTree)
    ->Arg(szCounted)
    ->Arg(szEvery)
    ->Arg(szNone)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5)
    ->Repetitions(3)
    ->UseRealTime();
BENCHMARK(BM_FindSort)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->UseRealTime();
BENCHMARK(BM_FindSizesSort)->Unit(benchmark::kMillisecond)->Iterations(5)->Repetitions(3)->UseRealTime();
BENCHMARK(BM_MasksOurs)->Unit(benchmark::kMillisecond)->Repetitions(3)->UseRealTime();
BENCHMARK(BM_Fnmatch)->Unit(benchmark::kMillisecond)->Repetitions(3)->UseRealTime();
BENCHMARK(BM_PathologicalMask)->Arg(255)->Arg(10000)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Keeps each benchmark's best repetition (time per iteration) for the ratios.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> best;     // wall ns per iteration
    std::map<std::string, double> bestCpu;  // processor ms per iteration
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs) {
            if (r.run_type != Run::RT_Iteration || r.iterations == 0 || r.error_occurred) continue;
            const double ns = r.real_accumulated_time * 1e9 / static_cast<double>(r.iterations);
            const std::string name = r.benchmark_name().substr(0, r.benchmark_name().find("/repeats"));
            auto it = best.find(name);
            if (it == best.end() || ns < it->second) best[name] = ns;
            if (auto c = r.counters.find("cpu_ms"); c != r.counters.end()) {
                auto ci = bestCpu.find(name);
                if (ci == bestCpu.end() || c->second.value < ci->second) bestCpu[name] = c->second.value;
            }
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--peak-memory") {
        std::printf("%ld\n", PeakAboveRestKb(argv[2]));
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    BigJpeg();  // generate inputs before anything is timed
    Tree();
    Names();
    Truth();
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    auto find = [&](const std::map<std::string, double>& m, const std::string& prefix) {
        for (const auto& [name, value] : m)
            if (name.rfind(prefix + "/", 0) == 0 || name == prefix) return value;
        return -1.0;
    };
    auto ratio = [&](const char* label, const char* ours, const char* ref, double target) {
        const double o = find(reporter.best, ours), r = find(reporter.best, ref);
        const double oc = find(reporter.bestCpu, ours), rc = find(reporter.bestCpu, ref);
        if (o < 0 || r < 0) return;
        std::printf("%-40s wall %8.2f / %8.2f ms = %.3f   cpu %8.2f / %8.2f ms = %.3f   (target <= %.2f)\n",
                    label, o / 1e6, r / 1e6, o / r, oc, rc, oc / rc, target);
    };
    std::printf("\nRatios, ours / reference (best of the repetitions):\n");
    ratio("JPEG 6000x4000 to BMP vs djpeg -bmp", "BM_JpegToWallpaper", "BM_Djpeg", 0.35);
    ratio("  same, whole image in memory", "BM_JpegToWallpaperWholeImage", "BM_Djpeg", 0.35);
    if (find(reporter.best, "BM_JpegToWallpaper") >= 0) {
        std::printf("%-40s %.1f MB (target <= 8)\n", "  peak memory above rest", PeakAboveRestMb("streamed"));
        std::printf("%-40s %.1f MB\n", "  same, whole image in memory", PeakAboveRestMb("whole"));
        std::printf("%-40s %s\n", "  same bytes as the whole image's file",
                    SameFiles(Root() / "ours.bmp", Root() / "whole.bmp") ? "yes" : "NO");
    }
    ratio("Fill 1920x1080 vs djpeg -ppm /dev/null", "BM_JpegToWallpaperFill", "BM_DjpegDecodeOnly", 0.40);
    ratio("  same vs djpeg -scale 3/8 -bmp", "BM_JpegToWallpaperFill", "BM_DjpegScaled", 1.00);
    if (find(reporter.best, "BM_JpegToWallpaperFill") >= 0) {
        std::error_code ec;
        const auto size = fs::file_size(Root() / "fill.bmp", ec);
        std::printf("%-40s %.2f MB (target <= 10.5)\n", "  bitmap written",
                    ec ? -1.0 : static_cast<double>(size) / (1024 * 1024));
        std::printf("%-40s %.1f MB (target < 8)\n", "  peak memory above rest", PeakAboveRestMb("fill"));
    }
    const auto scanRow = [](TSizes sizes) { return "BM_ScanTree/" + std::to_string(sizes); };
    ratio("scan 100k files, sizes vs find|sort -f", scanRow(szCounted).c_str(), "BM_FindSort", 1.00);
    ratio("  same, a stat for every file", scanRow(szEvery).c_str(), "BM_FindSort", 1.00);
    ratio("  same, no sizes", scanRow(szNone).c_str(), "BM_FindSort", 1.00);
    ratio("scan, sizes vs find -printf '%s %p'|sort", scanRow(szCounted).c_str(), "BM_FindSizesSort", 1.00);
    ratio("  same, a stat for every file", scanRow(szEvery).c_str(), "BM_FindSizesSort", 1.00);
    ratio("mask matching vs fnmatch", "BM_MasksOurs", "BM_Fnmatch", 1.00);
    for (const char* p : {"BM_PathologicalMask/255", "BM_PathologicalMask/10000"}) {
        auto it = reporter.best.find(std::string(p) + "/real_time");
        if (it == reporter.best.end()) it = reporter.best.find(p);
        if (it != reporter.best.end()) std::printf("%-34s %9.3f us per match\n", p, it->second / 1e3);
    }
    benchmark::Shutdown();
    return 0;
}
