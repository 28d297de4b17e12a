// The CPU meter's own work per caption-clock tick: one sample (the performance-data
// query and the walk to every instance's counter, or the processor-times query),
// then the count and every instance's load. The simulated Windows hands over a
// synthetic "Processor" object with 2, 8 or 64 processors plus "_Total"; the cost
// of the system's side of the query is measured by bench/win32/cpu_sample_bench.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "platform/sim/SimWindows.h"
#include "system/PerfDataBuilder.h"
#include "system/CpuMeter.h"

namespace {

constexpr std::int64_t Second = 10000000;

// Two snapshots one second apart, served in turn so that every sample has an interval.
std::vector<std::vector<std::uint8_t>> Snapshots(int processors) {
    std::vector<std::vector<std::uint8_t>> out;
    for (int s = 0; s < 2; ++s) {
        std::vector<std::int64_t> idle;
        for (int i = 0; i <= processors; ++i) idle.push_back(100 * Second + s * (Second / (i % 4 + 1)));
        // Objects the query also returns around the one sought, as Windows does.
        perftest::Object before{230, {6, 142, 144}, std::vector<std::vector<std::int64_t>>(4, {1, 2, 3})};
        out.push_back(perftest::PerfDataBuilder()
                          .At({2001, 1, 15, 10, 0, s, 0})
                          .Add(before)
                          .Add(perftest::ProcessorObject(idle))
                          .Build());
    }
    return out;
}

void RunTicks(benchmark::State& state, TCpuMeter& meter) {
    double sink = 0;
    for (auto _ : state) {
        meter.SampleProcessorData();
        const int count = meter.ProcessorCount();
        for (int i = 0; i < count; ++i) sink += meter.ProcessorLoad(i);
    }
    benchmark::DoNotOptimize(sink);
}

void BM_SamplePerformanceData(benchmark::State& state) {
    const int processors = static_cast<int>(state.range(0));
    sim::SimWindows win;
    auto snapshots = Snapshots(processors);
    std::size_t next = 0;
    win.Registry().SetPerformanceData("238", [&] { return snapshots[next++ % 2]; });
    TCpuMeter meter(win.Kernel(), win.Registry());
    meter.SampleProcessorData();  // the buffer has grown to fit before timing
    RunTicks(state, meter);
    state.counters["bytes"] = static_cast<double>(snapshots[0].size());
}
BENCHMARK(BM_SamplePerformanceData)->Arg(2)->Arg(8)->Arg(64)->Unit(benchmark::kMicrosecond);

void BM_SampleProcessorTimes(benchmark::State& state) {
    const int processors = static_cast<int>(state.range(0));
    sim::SimWindows win;  // no performance data: the meter reads processor times
    std::vector<plat::ProcessorTimes> times(static_cast<std::size_t>(processors),
                                            {Second, 2 * Second, Second});
    win.Kernel().SetProcessorTimes(times);
    TCpuMeter meter(win.Kernel(), win.Registry());
    meter.SampleProcessorData();
    RunTicks(state, meter);
}
BENCHMARK(BM_SampleProcessorTimes)->Arg(2)->Arg(8)->Arg(64)->Unit(benchmark::kMicrosecond);

}  // namespace
