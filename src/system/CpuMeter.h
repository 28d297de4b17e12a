#pragma once
// The processor-load meter behind the caption clock's " Cpu load: " readout.
//
// NT family: each sample reads the "Processor" performance object (title index
// 238) from HKEY_PERFORMANCE_DATA and keeps, per instance, the last two readings
// of its "% Processor Time" counter (title index 6), which grows with the
// instance's idle time in 100-ns units; the load is one minus the idle share of
// the interval between the two samples' time stamps.
//
// Where the performance data has no "Processor" object (Wine publishes none), the
// meter reads the system's processor times instead, and stays with them. It then
// reports one instance per processor followed by one for all of them together,
// the same shape the "Processor" object has with its "_Total" instance, so the
// last instance is the whole machine either way.
//
// 95 family: the kernel's dynamic statistics under HKEY_DYN_DATA deliver the load
// as a ready percentage of the one processor.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "platform/kernel.h"
#include "platform/registry.h"

// Field offsets of the published performance-data records (winperf.h) as Windows
// x86-64 lays them out, read little-endian from the raw buffer.
namespace perf_layout {
// PERF_DATA_BLOCK
inline constexpr std::size_t DataBlockTotalByteLength = 20;
inline constexpr std::size_t DataBlockHeaderLength = 24;
inline constexpr std::size_t DataBlockNumObjectTypes = 28;
inline constexpr std::size_t DataBlockSystemTime = 36;  // SYSTEMTIME, eight 16-bit fields
inline constexpr std::size_t SystemTimeSize = 16;
inline constexpr std::size_t DataBlockSize = 88;
// PERF_OBJECT_TYPE
inline constexpr std::size_t ObjectTotalByteLength = 0;
inline constexpr std::size_t ObjectDefinitionLength = 4;
inline constexpr std::size_t ObjectHeaderLength = 8;
inline constexpr std::size_t ObjectNameTitleIndex = 12;
inline constexpr std::size_t ObjectNumCounters = 32;
inline constexpr std::size_t ObjectNumInstances = 40;
inline constexpr std::size_t ObjectTypeSize = 64;
// PERF_COUNTER_DEFINITION
inline constexpr std::size_t CounterByteLength = 0;
inline constexpr std::size_t CounterNameTitleIndex = 4;
inline constexpr std::size_t CounterOffset = 36;
inline constexpr std::size_t CounterDefinitionSize = 40;
// PERF_INSTANCE_DEFINITION
inline constexpr std::size_t InstanceByteLength = 0;
inline constexpr std::size_t InstanceDefinitionSize = 24;
// PERF_COUNTER_BLOCK
inline constexpr std::size_t CounterBlockByteLength = 0;
inline constexpr std::size_t CounterBlockSize = 4;
}  // namespace perf_layout

class TCpuMeter {
public:
    // Asks the system's version; raises "Can't get the Windows version" when it cannot.
    TCpuMeter(plat::IKernel& kernel, plat::IRegistry& registry);
    ~TCpuMeter();
    TCpuMeter(const TCpuMeter&) = delete;
    TCpuMeter& operator=(const TCpuMeter&) = delete;

    // Takes a new sample. A sample that fails raises and leaves the readings as they were.
    void SampleProcessorData();
    // Instances measured, fixed by the first sample (NT family); 1 on the 95 family.
    int ProcessorCount();
    // Load of one instance between the last two samples: 0 idle, 1 fully busy. Not
    // clamped: the performance data's millisecond time stamps can place it a little
    // outside 0..1.
    double ProcessorLoad(int index);
    // Stops the 95 family's kernel statistic if it was started.
    void StopProcessorStatistics();

private:
    enum class TSource { srUnknown, srPerformanceData, srProcessorTimes };

    void SampleNT();
    void Sample95();
    long QueryPerformanceData(std::uint32_t& dataSize);
    // Offset of the "Processor" object in the performance buffer, if the data holds one.
    std::optional<std::size_t> FindProcessorObject(std::uint32_t dataSize) const;
    void ReadProcessorObject(std::size_t object, std::uint32_t dataSize);
    bool ReadProcessorTimes();
    void SetProcessorCount(int count);
    void ReadCpuUsage(plat::Hkey key);

    plat::IKernel& FKernel;
    plat::IRegistry& FRegistry;

    bool FIsNT = false;
    std::vector<std::uint8_t> FBuffer;
    std::uint32_t FBufferSize = 0;
    int FProcessorCount = -1;
    TSource FSource = TSource::srUnknown;
    // Per instance: the last two readings, and the new ones while a sample is read
    // (so that a sample that fails halfway changes nothing).
    std::vector<std::int64_t> FCurrentValues, FPreviousValues, FSampleValues;
    // Instances present in the latest sample; the others read as idle.
    int FSampledInstances = 0;
    std::int64_t FCurrentTime = 0, FPreviousTime = 0;
    // With processor times each instance has its own interval (kernel + user time).
    std::vector<std::int64_t> FCurrentTotals, FPreviousTotals;
    std::vector<plat::ProcessorTimes> FTimes;

    bool FStatisticsStarted = false;
    plat::Hkey FStatisticsKey = 0;
    std::uint32_t FLastPercentage = 0;
};
