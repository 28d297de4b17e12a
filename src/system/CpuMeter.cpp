#include "system/CpuMeter.h"

#include <algorithm>
#include <cstring>

#include "platform/RegKey.h"
#include "platform/constants.h"
#include "platform/error.h"

namespace {

constexpr const char* ProcessorObjectName = "238";
constexpr std::uint32_t ProcessorObjectIndex = 238;
constexpr std::uint32_t ProcessorTimeCounterIndex = 6;
constexpr std::uint32_t InitialBufferSize = 8192;
constexpr std::uint32_t BufferGrowth = 4096;
// Performance data that still does not fit at this size is taken as a failed
// query rather than grown into without end.
constexpr std::uint32_t MaximumBufferSize = 16u << 20;

constexpr const char* NoVersionMessage = "Can't get the Windows version";
constexpr const char* IndexMessage = "CPU index out of bounds";
constexpr const char* NoObjectMessage = "Unable to locate the \"Processor\" performance object";
constexpr const char* NoCounterMessage = "Unable to locate the \"% of CPU usage\" performance counter";
constexpr const char* NoStartMessage = "Unable to start performance monitoring";
constexpr const char* NoStatDataMessage = "Unable to read performance data";
constexpr const char* MalformedMessage = "The performance data is malformed";

constexpr const char* CpuUsageValue = "KERNEL\\CPUUsage";

// Reads little-endian fields of the performance buffer; any field that does not lie
// wholly inside the data the system returned is an error, never a read beyond it.
class TPerfReader {
public:
    TPerfReader(const std::uint8_t* data, std::uint32_t size) : FData(data), FSize(size) {}

    std::uint32_t Size() const { return FSize; }

    std::uint16_t U16(std::uint64_t at) const {
        std::uint8_t b[2];
        Copy(at, b, sizeof b);
        return static_cast<std::uint16_t>(b[0] | b[1] << 8);
    }
    std::uint32_t U32(std::uint64_t at) const {
        std::uint8_t b[4];
        Copy(at, b, sizeof b);
        return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
               static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    std::int64_t I64(std::uint64_t at) const {
        std::uint8_t b[8];
        Copy(at, b, sizeof b);
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i) v = v << 8 | b[i];
        return static_cast<std::int64_t>(v);
    }
    plat::SystemTime Time(std::uint64_t at) const {
        Check(at, perf_layout::SystemTimeSize);
        plat::SystemTime t;
        t.year = U16(at);
        t.month = U16(at + 2);
        t.dayOfWeek = U16(at + 4);
        t.day = U16(at + 6);
        t.hour = U16(at + 8);
        t.minute = U16(at + 10);
        t.second = U16(at + 12);
        t.milliseconds = U16(at + 14);
        return t;
    }

private:
    void Check(std::uint64_t at, std::size_t length) const {
        if (at > FSize || FSize - at < length) throw EVelantError(MalformedMessage);
    }
    void Copy(std::uint64_t at, std::uint8_t* out, std::size_t length) const {
        Check(at, length);
        std::memcpy(out, FData + at, length);
    }

    const std::uint8_t* FData;
    std::uint32_t FSize;
};

// Differences of counters that only grow, without overflow even when they wrap.
std::int64_t Delta(std::int64_t current, std::int64_t previous) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(current) -
                                     static_cast<std::uint64_t>(previous));
}

}  // namespace

TCpuMeter::TCpuMeter(plat::IKernel& kernel, plat::IRegistry& registry)
    : FKernel(kernel), FRegistry(registry), FBuffer(InitialBufferSize, 0), FBufferSize(InitialBufferSize) {
    plat::OsVersionInfo version;
    version.osVersionInfoSize = plat::OSVERSIONINFOA_SIZE;
    if (!FKernel.GetVersionEx(version)) throw EVelantError(NoVersionMessage);
    FIsNT = version.platformId == plat::VER_PLATFORM_WIN32_NT;
}

TCpuMeter::~TCpuMeter() { StopProcessorStatistics(); }

// ---------------------------------------------------------------- public

void TCpuMeter::SampleProcessorData() {
    if (FIsNT)
        SampleNT();
    else
        Sample95();
}

int TCpuMeter::ProcessorCount() {
    if (!FIsNT) return 1;
    if (FProcessorCount < 0) SampleProcessorData();
    return FProcessorCount;
}

double TCpuMeter::ProcessorLoad(int index) {
    if (!FIsNT) {
        if (index != 0) throw EVelantError(IndexMessage);
        if (!FStatisticsStarted) SampleProcessorData();
        return FLastPercentage / 100.0;
    }
    if (FProcessorCount < 0) SampleProcessorData();
    if (index < 0 || index >= FProcessorCount) throw EVelantError(IndexMessage);
    const auto i = static_cast<std::size_t>(index);
    std::int64_t idle = Delta(FCurrentValues[i], FPreviousValues[i]);
    if (FSource == TSource::srProcessorTimes) {
        std::int64_t interval = Delta(FCurrentTotals[i], FPreviousTotals[i]);
        if (interval == 0) return 0;
        return 1.0 - static_cast<double>(idle) / static_cast<double>(interval);
    }
    if (index >= FSampledInstances) return 0;
    if (FCurrentTime == FPreviousTime) return 0;
    return 1.0 - static_cast<double>(idle) / static_cast<double>(Delta(FCurrentTime, FPreviousTime));
}

void TCpuMeter::StopProcessorStatistics() {
    if (FIsNT || !FStatisticsStarted) return;
    FStatisticsStarted = false;
    FRegistry.RegCloseKey(FStatisticsKey);
    FStatisticsKey = 0;
    // Reading the value under StopStat is what stops the statistic.
    plat::Hkey key = 0;
    if (FRegistry.RegOpenKeyEx(plat::HKEY_DYN_DATA, "PerfStats\\StopStat", plat::KEY_ALL_ACCESS, key) ==
        plat::ERROR_SUCCESS) {
        const plat::RegKey opened(FRegistry, key);
        ReadCpuUsage(key);
    }
}

// ---------------------------------------------------------------- NT family

void TCpuMeter::SampleNT() {
    if (FSource != TSource::srProcessorTimes) {
        std::uint32_t dataSize = 0;
        if (QueryPerformanceData(dataSize) == plat::ERROR_SUCCESS) {
            if (auto object = FindProcessorObject(dataSize)) {
                FSource = TSource::srPerformanceData;
                ReadProcessorObject(*object, dataSize);
                return;
            }
        }
        // Once the performance data has delivered the object, its absence is an
        // error; until then the system's processor times may stand in for it.
        if (FSource == TSource::srPerformanceData || !ReadProcessorTimes())
            throw EVelantError(NoObjectMessage);
        FSource = TSource::srProcessorTimes;
        return;
    }
    if (!ReadProcessorTimes()) throw EVelantError(NoObjectMessage);
}

long TCpuMeter::QueryPerformanceData(std::uint32_t& dataSize) {
    for (;;) {
        std::uint32_t type = 0;
        std::uint32_t size = FBufferSize;
        long rc = FRegistry.RegQueryValueExBuffer(plat::HKEY_PERFORMANCE_DATA, ProcessorObjectName, type,
                                                  FBuffer.data(), size);
        if (rc != plat::ERROR_MORE_DATA) {
            dataSize = rc == plat::ERROR_SUCCESS ? std::min(size, FBufferSize) : 0;
            return rc;
        }
        // The size the call reports is undefined for performance data: grow by steps.
        if (FBufferSize > MaximumBufferSize - BufferGrowth) return rc;
        FBufferSize += BufferGrowth;
        FBuffer.resize(FBufferSize, 0);
    }
}

std::optional<std::size_t> TCpuMeter::FindProcessorObject(std::uint32_t dataSize) const {
    using namespace perf_layout;
    TPerfReader data(FBuffer.data(), dataSize);
    std::uint32_t objects = data.U32(DataBlockNumObjectTypes);
    std::uint64_t object = data.U32(DataBlockHeaderLength);
    for (std::uint32_t i = 0; i < objects; ++i) {
        if (data.U32(object + ObjectNameTitleIndex) == ProcessorObjectIndex)
            return static_cast<std::size_t>(object);
        std::uint32_t length = data.U32(object + ObjectTotalByteLength);
        if (length == 0) throw EVelantError(MalformedMessage);
        object += length;
    }
    return std::nullopt;
}

void TCpuMeter::ReadProcessorObject(std::size_t object, std::uint32_t dataSize) {
    using namespace perf_layout;
    TPerfReader data(FBuffer.data(), dataSize);
    if (data.U32(object + ObjectTotalByteLength) > dataSize - object) throw EVelantError(MalformedMessage);
    auto numInstances = static_cast<std::int32_t>(data.U32(object + ObjectNumInstances));
    std::uint64_t instances = numInstances > 0 ? static_cast<std::uint64_t>(numInstances) : 0;
    std::uint64_t instance = object + data.U32(object + ObjectDefinitionLength);
    // Each instance takes at least its definition and a counter block: a count that
    // cannot fit in the data is damage, not a machine with that many processors.
    if (instance > dataSize ||
        instances > (dataSize - instance) / (InstanceDefinitionSize + CounterBlockSize))
        throw EVelantError(MalformedMessage);
    if (FProcessorCount < 0) SetProcessorCount(static_cast<int>(instances));

    std::uint32_t counters = data.U32(object + ObjectNumCounters);
    std::uint64_t definition = object + data.U32(object + ObjectHeaderLength);
    std::optional<std::uint32_t> counterOffset;
    for (std::uint32_t j = 0; j < counters; ++j) {
        if (data.U32(definition + CounterNameTitleIndex) == ProcessorTimeCounterIndex) {
            counterOffset = data.U32(definition + CounterOffset);
            break;
        }
        std::uint32_t length = data.U32(definition + CounterByteLength);
        if (length == 0) throw EVelantError(MalformedMessage);
        definition += length;
    }
    if (!counterOffset) throw EVelantError(NoCounterMessage);

    // A later sample with fewer instances than the first is read only as far as it goes.
    const auto present =
        static_cast<int>(std::min<std::uint64_t>(instances, static_cast<std::uint64_t>(FProcessorCount)));
    for (int i = 0; i < present; ++i) {
        std::uint64_t block = instance + data.U32(instance + InstanceByteLength);
        FSampleValues[static_cast<std::size_t>(i)] = data.I64(block + *counterOffset);
        instance = block + data.U32(block + CounterBlockByteLength);
    }
    std::uint64_t fileTime = 0;
    if (!FKernel.SystemTimeToFileTime(data.Time(DataBlockSystemTime), fileTime))
        throw EVelantError(MalformedMessage);

    for (std::size_t i = 0; i < static_cast<std::size_t>(present); ++i) {
        FPreviousValues[i] = FCurrentValues[i];
        FCurrentValues[i] = FSampleValues[i];
    }
    FSampledInstances = present;
    FPreviousTime = FCurrentTime;
    FCurrentTime = static_cast<std::int64_t>(fileTime);
}

bool TCpuMeter::ReadProcessorTimes() {
    plat::ProcessorTimes total;
    if (!FKernel.GetProcessorTimes(FTimes, total)) return false;
    // Each processor, then all of them together; or the total alone.
    if (FProcessorCount < 0) SetProcessorCount(static_cast<int>(FTimes.size()) + 1);
    const auto count = static_cast<std::size_t>(FProcessorCount);
    for (std::size_t i = 0; i < count; ++i) {
        FPreviousValues[i] = FCurrentValues[i];
        FPreviousTotals[i] = FCurrentTotals[i];
        const plat::ProcessorTimes* times = i + 1 == count      ? &total
                                            : i < FTimes.size() ? &FTimes[i]
                                                                : nullptr;
        // A processor gone from the answer keeps its last reading: no interval, no load.
        if (!times) continue;
        FCurrentValues[i] = times->idle;
        FCurrentTotals[i] = times->kernel + times->user;
    }
    FSampledInstances = FProcessorCount;
    return true;
}

void TCpuMeter::SetProcessorCount(int count) {
    FProcessorCount = count;
    const auto n = static_cast<std::size_t>(count);
    FCurrentValues.assign(n, 0);
    FPreviousValues.assign(n, 0);
    FSampleValues.assign(n, 0);
    FCurrentTotals.assign(n, 0);
    FPreviousTotals.assign(n, 0);
}

// ---------------------------------------------------------------- 95 family

void TCpuMeter::Sample95() {
    if (!FStatisticsStarted) {
        // Reading the value under StartStat is what starts the statistic.
        {
            plat::Hkey key = 0;
            if (FRegistry.RegOpenKeyEx(plat::HKEY_DYN_DATA, "PerfStats\\StartStat", plat::KEY_ALL_ACCESS,
                                       key) != plat::ERROR_SUCCESS)
                throw EVelantError(NoStartMessage);
            const plat::RegKey opened(FRegistry, key);
            ReadCpuUsage(key);
        }
        plat::Hkey data = 0;
        if (FRegistry.RegOpenKeyEx(plat::HKEY_DYN_DATA, "PerfStats\\StatData", plat::KEY_READ, data) !=
            plat::ERROR_SUCCESS)
            throw EVelantError(NoStatDataMessage);
        FStatisticsKey = data;
        FStatisticsStarted = true;
    }
    ReadCpuUsage(FStatisticsKey);
}

void TCpuMeter::ReadCpuUsage(plat::Hkey key) {
    // The value lands on the last percentage as the system writes it: nothing on
    // failure, only the bytes it has on a shorter value.
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(FLastPercentage >> (8 * i));
    std::uint32_t type = 0;
    std::uint32_t size = sizeof bytes;
    if (FRegistry.RegQueryValueExBuffer(key, CpuUsageValue, type, bytes, size) != plat::ERROR_SUCCESS) return;
    FLastPercentage = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                      static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}
