// Hands the meter the input as the performance data the system answers for the
// "Processor" object, sample after sample, and reads every instance's load.
// Damaged data may raise; it may not read outside the data, loop or crash.
//
// The input is split at the first "\n--\n" (when present) into two answers, so
// that the second sample, which is read against the count the first one fixed,
// can differ from it; without a split both samples get the same answer.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/error.h"
#include "platform/sim/SimWindows.h"
#include "system/CpuMeter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string kSplit = "\n--\n";
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t split = input.find(kSplit);
    std::vector<std::uint8_t> answers[2];
    answers[0].assign(data, data + (split == std::string::npos ? size : split));
    answers[1] = split == std::string::npos
                     ? answers[0]
                     : std::vector<std::uint8_t>(data + split + kSplit.size(), data + size);

    // The meter only reads from the system, so one simulated Windows serves every input.
    static sim::SimWindows win;
    win.CallJournal().SetRecording(false);
    int sample = 0;
    win.Registry().SetPerformanceData("238", [&] { return answers[sample < 2 ? sample : 1]; });
    TCpuMeter meter(win.Kernel(), win.Registry());
    for (sample = 0; sample < 3; ++sample) {
        try {
            meter.SampleProcessorData();
            const int count = meter.ProcessorCount();
            if (count < 0) __builtin_trap();
            for (int i = 0; i < count; ++i) {
                volatile double load = meter.ProcessorLoad(i);
                (void)load;
            }
        } catch (const EVelantError&) {
        }
    }
    win.Registry().SetPerformanceData("238", {});
    return 0;
}
