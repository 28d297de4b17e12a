#pragma once
// Builds performance data as HKEY_PERFORMANCE_DATA returns it on x86-64 Windows:
// a PERF_DATA_BLOCK with the system's name, then each object (PERF_OBJECT_TYPE,
// its PERF_COUNTER_DEFINITIONs, then per instance a PERF_INSTANCE_DEFINITION with
// its UTF-16 name and a PERF_COUNTER_BLOCK holding the 64-bit counters). Offsets
// are written out here from winperf.h on their own, so that the meter's reading
// of them is checked against an independent account of the layout.
#include <cstdint>
#include <string>
#include <vector>

namespace perftest {

struct Object {
    std::uint32_t titleIndex = 238;
    std::vector<std::uint32_t> counters;  // title indexes; counter k sits at 8 + 8k in the block
    // values[i][k]: instance i, counter k
    std::vector<std::vector<std::int64_t>> values;
};

struct Time {
    int year = 2001, month = 1, day = 15, hour = 10, minute = 0, second = 0, ms = 0;
};

class PerfDataBuilder {
public:
    PerfDataBuilder& At(const Time& time) {
        time_ = time;
        return *this;
    }
    PerfDataBuilder& Add(Object object) {
        objects_.push_back(std::move(object));
        return *this;
    }

    std::vector<std::uint8_t> Build() const {
        std::vector<std::uint8_t> out(88, 0);
        const char* sig = "PERF";
        for (int i = 0; i < 4; ++i) out[static_cast<std::size_t>(2 * i)] = static_cast<std::uint8_t>(sig[i]);
        Put32(out, 8, 1);     // LittleEndian
        Put32(out, 12, 1);    // Version
        Put32(out, 16, 1);    // Revision
        Put32(out, 32, 238);  // DefaultObject
        const int fields[] = {time_.year,   time_.month,  1,       time_.day, time_.hour,
                              time_.minute, time_.second, time_.ms};
        for (int i = 0; i < 8; ++i) Put16(out, 36 + 2 * static_cast<std::size_t>(i), fields[i]);
        Put64(out, 56, 123456789);  // PerfTime
        Put64(out, 64, 10000000);   // PerfFreq
        Put64(out, 72, 0);          // PerfTime100nSec
        std::size_t name = AppendName(out, "SIM");
        Put32(out, 80, static_cast<std::uint32_t>(name));        // SystemNameLength
        Put32(out, 84, 88);                                      // SystemNameOffset
        Put32(out, 24, static_cast<std::uint32_t>(out.size()));  // HeaderLength
        Put32(out, 28, static_cast<std::uint32_t>(objects_.size()));
        for (const Object& object : objects_) AppendObject(out, object);
        Put32(out, 20, static_cast<std::uint32_t>(out.size()));  // TotalByteLength
        return out;
    }

    static void Put16(std::vector<std::uint8_t>& b, std::size_t at, int v) {
        b[at] = static_cast<std::uint8_t>(v);
        b[at + 1] = static_cast<std::uint8_t>(v >> 8);
    }
    static void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
    static void Put64(std::vector<std::uint8_t>& b, std::size_t at, std::int64_t v) {
        auto u = static_cast<std::uint64_t>(v);
        for (int i = 0; i < 8; ++i)
            b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(u >> (8 * i));
    }

    // Where the first object starts in what Build() returns.
    static constexpr std::size_t FirstObject = 96;

private:
    // UTF-16 text with its NUL, padded to 8 bytes; returns the byte length with the NUL.
    static std::size_t AppendName(std::vector<std::uint8_t>& out, const std::string& text) {
        std::size_t length = (text.size() + 1) * 2;
        for (char c : text) {
            out.push_back(static_cast<std::uint8_t>(c));
            out.push_back(0);
        }
        out.push_back(0);
        out.push_back(0);
        while (out.size() % 8) out.push_back(0);
        return length;
    }

    static void AppendObject(std::vector<std::uint8_t>& out, const Object& object) {
        const std::size_t start = out.size();
        const std::size_t counters = object.counters.size();
        out.resize(start + 64 + 40 * counters, 0);
        Put32(out, start + 4, static_cast<std::uint32_t>(64 + 40 * counters));  // DefinitionLength
        Put32(out, start + 8, 64);                                              // HeaderLength
        Put32(out, start + 12, object.titleIndex);
        Put32(out, start + 20, object.titleIndex + 1);  // ObjectHelpTitleIndex
        Put32(out, start + 28, 100);                    // DetailLevel: novice
        Put32(out, start + 32, static_cast<std::uint32_t>(counters));
        Put32(out, start + 40, static_cast<std::uint32_t>(object.values.size()));  // NumInstances
        Put64(out, start + 48, 123456789);
        Put64(out, start + 56, 10000000);
        const std::uint32_t blockLength = static_cast<std::uint32_t>(8 + 8 * counters);
        for (std::size_t k = 0; k < counters; ++k) {
            std::size_t def = start + 64 + 40 * k;
            Put32(out, def, 40);  // ByteLength
            Put32(out, def + 4, object.counters[k]);
            Put32(out, def + 12, object.counters[k] + 1);                 // CounterHelpTitleIndex
            Put32(out, def + 24, 100);                                    // DetailLevel
            Put32(out, def + 28, 0x25450500);                             // PERF_100NSEC_TIMER_INV
            Put32(out, def + 32, 8);                                      // CounterSize
            Put32(out, def + 36, static_cast<std::uint32_t>(8 + 8 * k));  // CounterOffset
        }
        for (std::size_t i = 0; i < object.values.size(); ++i) {
            const std::size_t inst = out.size();
            out.resize(inst + 24, 0);
            const bool total = i + 1 == object.values.size() && i > 0;
            std::size_t name = AppendName(out, total ? "_Total" : std::to_string(i));
            Put32(out, inst, static_cast<std::uint32_t>(out.size() - inst));  // ByteLength
            Put32(out, inst + 12, 0xFFFFFFFFu);                               // UniqueID: PERF_NO_UNIQUE_ID
            Put32(out, inst + 16, 24);                                        // NameOffset
            Put32(out, inst + 20, static_cast<std::uint32_t>(name));          // NameLength
            const std::size_t block = out.size();
            out.resize(block + blockLength, 0);
            Put32(out, block, blockLength);
            for (std::size_t k = 0; k < counters && k < object.values[i].size(); ++k)
                Put64(out, block + 8 + 8 * k, object.values[i][k]);
        }
        Put32(out, start, static_cast<std::uint32_t>(out.size() - start));  // TotalByteLength
    }

    Time time_;
    std::vector<Object> objects_;
};

// The "Processor" object as Windows publishes it, with "% Processor Time" (6)
// among other counters, for the given idle readings (the last one is "_Total").
inline Object ProcessorObject(const std::vector<std::int64_t>& idle) {
    Object object;
    object.titleIndex = 238;
    object.counters = {142, 144, 6, 1746, 1748};  // user, privileged, processor, idle, C1 time
    for (std::int64_t v : idle) object.values.push_back({v / 4, v / 8, v, v / 2, 7});
    return object;
}

}  // namespace perftest
