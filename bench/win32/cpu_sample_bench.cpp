// The CPU meter's cost per sample on the real system, from each source it can use:
// the "Processor" performance object (HKEY_PERFORMANCE_DATA "238") and the
// system's processor times. Run it on Windows or under Wine:
//   scripts/wine-run.sh build/windows/bench/bench_cpu_sample_bench.exe [seconds per timing]
// It first says what the system offers, then times, each for a while and as the
// best of five rounds:
//   - one meter sample as the caption clock takes it (SampleProcessorData, then
//     ProcessorCount and every ProcessorLoad), with the source the meter chose;
//   - the performance-data query alone, into a buffer already big enough;
//   - the processor-times query alone.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/constants.h"
#include "platform/error.h"
#include "platform/win32/Win32Kernel.h"
#include "platform/win32/Win32Registry.h"
#include "system/CpuMeter.h"

namespace {

using Clock = std::chrono::steady_clock;

// Microseconds per call: the best of five rounds of about `seconds` / 5 each.
double MicrosecondsPerCall(const std::function<void()>& call, double seconds) {
    double best = 1e300;
    for (int round = 0; round < 5; ++round) {
        long calls = 0;
        auto start = Clock::now();
        auto end = start + std::chrono::duration<double>(seconds / 5);
        Clock::time_point now;
        do {
            call();
            ++calls;
        } while ((now = Clock::now()) < end);
        double elapsed = std::chrono::duration<double, std::micro>(now - start).count();
        best = std::min(best, elapsed / static_cast<double>(calls));
    }
    return best;
}

std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    if (at + 4 > b.size()) return 0;
    return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16) |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 2.0;
    win32::Win32Kernel kernel;
    win32::Win32Registry registry;

    // What the performance data holds, grown as the meter grows its buffer.
    std::vector<std::uint8_t> buffer(8192);
    std::uint32_t type = 0, size = 0;
    long rc = plat::ERROR_MORE_DATA;
    int steps = 0;
    for (; steps < 4096 && rc == plat::ERROR_MORE_DATA; ++steps) {
        if (steps) buffer.resize(buffer.size() + 4096);
        size = static_cast<std::uint32_t>(buffer.size());
        rc = registry.RegQueryValueExBuffer(plat::HKEY_PERFORMANCE_DATA, "238", type, buffer.data(), size);
    }
    bool processorObject = false;
    std::uint32_t objects = 0;
    if (rc == plat::ERROR_SUCCESS) {
        buffer.resize(size);
        objects = U32(buffer, perf_layout::DataBlockNumObjectTypes);
        std::size_t object = U32(buffer, perf_layout::DataBlockHeaderLength);
        for (std::uint32_t i = 0; i < objects && object + perf_layout::ObjectTypeSize <= size; ++i) {
            if (U32(buffer, object + perf_layout::ObjectNameTitleIndex) == 238) processorObject = true;
            std::uint32_t length = U32(buffer, object + perf_layout::ObjectTotalByteLength);
            if (!length) break;
            object += length;
        }
    }
    std::printf(
        "performance data \"238\": rc %ld, %u bytes after %d quer%s, %u object(s), Processor object: %s\n",
        rc, rc == plat::ERROR_SUCCESS ? size : 0u, steps, steps == 1 ? "y" : "ies", objects,
        processorObject ? "yes" : "no");

    std::vector<plat::ProcessorTimes> processors;
    plat::ProcessorTimes total;
    bool times = kernel.GetProcessorTimes(processors, total);
    if (!times)
        std::printf("processor times: none\n");
    else if (processors.empty())
        std::printf("processor times: the total only (GetSystemTimes)\n");
    else
        std::printf("processor times: %zu processors (NtQuerySystemInformation)\n", processors.size());

    try {
        TCpuMeter meter(kernel, registry);
        meter.SampleProcessorData();
        const int count = meter.ProcessorCount();
        std::printf("meter: %d instance(s), source: %s\n", count,
                    processorObject ? "performance data" : "processor times");
        // The readout over one quiet second, as the caption clock shows it.
        kernel.Sleep(1000);
        meter.SampleProcessorData();
        std::printf("loads over 1 s:");
        for (int i = 0; i < count; ++i) std::printf(" %d%%", static_cast<int>(meter.ProcessorLoad(i) * 100));
        std::printf("\n");
        double sink = 0;
        double perSample = MicrosecondsPerCall(
            [&] {
                meter.SampleProcessorData();
                for (int i = 0; i < meter.ProcessorCount(); ++i) sink += meter.ProcessorLoad(i);
            },
            seconds);
        std::printf("meter sample, count and loads: %10.2f us per sample\n", perSample);
        if (sink != sink) std::printf("(nan)\n");
    } catch (const EVelantError& e) {
        std::printf("meter: %s\n", e.what());
    }

    if (rc == plat::ERROR_SUCCESS) {
        std::vector<std::uint8_t> scratch(buffer.size() + 65536);
        double query = MicrosecondsPerCall(
            [&] {
                std::uint32_t t = 0, s = static_cast<std::uint32_t>(scratch.size());
                registry.RegQueryValueExBuffer(plat::HKEY_PERFORMANCE_DATA, "238", t, scratch.data(), s);
            },
            seconds);
        std::printf("performance-data query alone:   %10.2f us per query\n", query);
    }
    if (times) {
        double query = MicrosecondsPerCall([&] { kernel.GetProcessorTimes(processors, total); }, seconds);
        std::printf("processor-times query alone:    %10.2f us per query\n", query);
    }
    registry.RegCloseKey(plat::HKEY_PERFORMANCE_DATA);
    return 0;
}
