#include "system/CpuMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "PerfDataBuilder.h"
#include "platform/constants.h"
#include "platform/error.h"
#include "platform/sim/SimWindows.h"

using perftest::PerfDataBuilder;
using perftest::ProcessorObject;

namespace {

const std::string NoObject = "Unable to locate the \"Processor\" performance object";
const std::string NoCounter = "Unable to locate the \"% of CPU usage\" performance counter";
const std::string Malformed = "The performance data is malformed";
const std::string OutOfBounds = "CPU index out of bounds";

// The error text a call raises, or "" when it raises none.
template <class F>
std::string ErrorOf(F call) {
    try {
        call();
    } catch (const EVelantError& e) {
        return e.what();
    }
    return {};
}

// 100-ns units
constexpr std::int64_t Second = 10000000;

perftest::Time At(int second, int ms = 0) { return {2001, 1, 15, 10, 0, second, ms}; }

class CpuUsageTest : public ::testing::Test {
protected:
    void SetUp() override {
        win.Registry().SetPerformanceData("238", [this] { return data; });
    }

    // Performance data with the "Processor" object holding these idle readings.
    void Publish(const perftest::Time& time, const std::vector<std::int64_t>& idle) {
        data = PerfDataBuilder().At(time).Add(ProcessorObject(idle)).Build();
    }

    // The readout's arithmetic: load × 100 truncated.
    static int Percent(double load) { return static_cast<int>(load * 100); }

    std::vector<std::string> Queries() { return win.CallJournal().Matching("RegQueryValueEx(HKPD"); }

    sim::SimWindows win;
    std::vector<std::uint8_t> data;
};

// ---------------------------------------------------------------- start

TEST_F(CpuUsageTest, NeedsTheWindowsVersion) {
    win.FailNext("GetVersionEx");
    EXPECT_EQ(ErrorOf([&] { TCpuMeter meter(win.Kernel(), win.Registry()); }),
              "Can't get the Windows version");
    // The sim, as Windows, refuses any record size but the two real ones: the meter
    // passes a valid one.
    EXPECT_EQ(ErrorOf([&] { TCpuMeter meter(win.Kernel(), win.Registry()); }), "");
}

// ---------------------------------------------------------------- NT: performance data

TEST_F(CpuUsageTest, TwoSamplesGiveTheBusyShareOfTheInterval) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    Publish(At(0), {100 * Second, 90 * Second, 95 * Second});
    meter.SampleProcessorData();
    ASSERT_EQ(meter.ProcessorCount(), 3);
    // The first reading compares with nothing (zeros and time 0): just below 1.
    EXPECT_EQ(Percent(meter.ProcessorLoad(2)), 99);

    // One second later: instance 0 idled 0.25 s, instance 1 the whole second, and
    // _Total, their average, 0.625 s.
    Publish(At(1), {100 * Second + Second / 4, 91 * Second, 95 * Second + Second * 5 / 8});
    meter.SampleProcessorData();
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.75);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(1), 0.0);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(2), 0.375);

    // Idle time that outruns the millisecond time stamps is not clamped.
    Publish(At(2), {100 * Second + Second / 4 + Second + Second / 10, 92 * Second, 96 * Second});
    meter.SampleProcessorData();
    EXPECT_NEAR(meter.ProcessorLoad(0), -0.1, 1e-12);

    EXPECT_EQ(ErrorOf([&] { meter.ProcessorLoad(3); }), OutOfBounds);
    EXPECT_EQ(ErrorOf([&] { meter.ProcessorLoad(-1); }), OutOfBounds);
    // One query per sample, of the whole object into the initial buffer.
    EXPECT_EQ(Queries(), std::vector<std::string>(3, "RegQueryValueEx(HKPD, \"238\", 8192)"));
}

TEST_F(CpuUsageTest, CountAndLoadTakeTheFirstSampleThemselves) {
    Publish(At(0), {5 * Second, 5 * Second});
    {
        TCpuMeter meter(win.Kernel(), win.Registry());
        EXPECT_EQ(meter.ProcessorCount(), 2);
        EXPECT_EQ(Queries().size(), 1u);
        EXPECT_EQ(meter.ProcessorCount(), 2);
        EXPECT_EQ(Queries().size(), 1u);
    }
    {
        TCpuMeter meter(win.Kernel(), win.Registry());
        EXPECT_EQ(Percent(meter.ProcessorLoad(1)), 99);
        EXPECT_EQ(Queries().size(), 2u);
        // Stopping does nothing on NT.
        win.ClearJournal();
        meter.StopProcessorStatistics();
        EXPECT_TRUE(win.Journal().empty());
    }
}

TEST_F(CpuUsageTest, SameTimeStampReadsZero) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    Publish(At(7, 250), {Second, Second});
    meter.SampleProcessorData();
    Publish(At(7, 250), {Second + 10, Second + 10});
    meter.SampleProcessorData();
    EXPECT_EQ(meter.ProcessorLoad(0), 0.0);
    EXPECT_EQ(meter.ProcessorLoad(1), 0.0);
}

TEST_F(CpuUsageTest, BufferGrowsInStepsUntilTheDataFitsAndNeverShrinks) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    // 160 processors and _Total: a bit more than 8192 + 4096 bytes.
    std::vector<std::int64_t> idle(161, Second);
    Publish(At(0), idle);
    ASSERT_GT(data.size(), 12288u);
    ASSERT_LE(data.size(), 16384u);
    meter.SampleProcessorData();
    EXPECT_EQ(Queries(), (std::vector<std::string>{"RegQueryValueEx(HKPD, \"238\", 8192)",
                                                   "RegQueryValueEx(HKPD, \"238\", 12288)",
                                                   "RegQueryValueEx(HKPD, \"238\", 16384)"}));
    EXPECT_EQ(meter.ProcessorCount(), 161);

    // Smaller data later still goes into the grown buffer; the count stays.
    win.ClearJournal();
    Publish(At(1), {Second + Second / 2, 2 * Second});
    meter.SampleProcessorData();
    EXPECT_EQ(Queries(), std::vector<std::string>{"RegQueryValueEx(HKPD, \"238\", 16384)"});
    EXPECT_EQ(meter.ProcessorCount(), 161);
}

TEST_F(CpuUsageTest, FindsTheObjectAndCounterWhereverTheyAre) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    auto publish = [&](int second, std::int64_t idle) {
        perftest::Object process{
            230, {6, 142}, {{1, 2}, {3, 4}, {5, 6}}};  // "Process", also with a counter 6
        perftest::Object processor{238, {1746, 142, 144, 6}, {{0, 0, 0, idle}, {0, 0, 0, idle}}};
        perftest::Object memory{4, {26}, {}};
        data = PerfDataBuilder().At(At(second)).Add(process).Add(memory).Add(processor).Build();
    };
    publish(0, 10 * Second);
    meter.SampleProcessorData();
    publish(1, 10 * Second + Second / 5);
    meter.SampleProcessorData();
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(1), 0.8);
    EXPECT_EQ(meter.ProcessorCount(), 2);
}

TEST_F(CpuUsageTest, InstanceCountIsFixedByTheFirstSample) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    Publish(At(0), {Second, Second, 2 * Second});
    meter.SampleProcessorData();
    ASSERT_EQ(meter.ProcessorCount(), 3);

    // Fewer instances: the walk stops at this sample's count; the missing one reads idle.
    Publish(At(1), {Second + Second / 2, Second + Second / 2});
    meter.SampleProcessorData();
    EXPECT_EQ(meter.ProcessorCount(), 3);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.5);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(1), 0.5);
    EXPECT_EQ(meter.ProcessorLoad(2), 0.0);

    // More instances: only the first three are read.
    Publish(At(2), {2 * Second, 2 * Second, 2 * Second + Second / 10, 9 * Second});
    meter.SampleProcessorData();
    EXPECT_EQ(meter.ProcessorCount(), 3);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.5);
    EXPECT_EQ(ErrorOf([&] { meter.ProcessorLoad(3); }), OutOfBounds);
}

TEST_F(CpuUsageTest, MissingCounterIsAnErrorThatKeepsTheReadings) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    Publish(At(0), {Second, Second});
    meter.SampleProcessorData();
    Publish(At(1), {Second + Second / 4, Second + Second / 4});
    meter.SampleProcessorData();
    ASSERT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.75);

    perftest::Object noCounter{238, {142, 144}, {{9, 9}, {9, 9}}};
    data = PerfDataBuilder().At(At(2)).Add(noCounter).Build();
    EXPECT_EQ(ErrorOf([&] { meter.SampleProcessorData(); }), NoCounter);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.75);

    // The performance data has had the object: its absence now is an error even
    // where processor times could stand in.
    win.Kernel().SetProcessorTimes({{1, 2, 3}});
    data = PerfDataBuilder().At(At(3)).Add({4, {26}, {}}).Build();
    EXPECT_EQ(ErrorOf([&] { meter.SampleProcessorData(); }), NoObject);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.75);
}

TEST_F(CpuUsageTest, MalformedDataIsAnErrorNeverAReadOutside) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    Publish(At(0), {Second, Second});
    meter.SampleProcessorData();
    Publish(At(1), {Second + Second / 4, Second + Second / 4});
    meter.SampleProcessorData();
    const std::vector<std::uint8_t> good = PerfDataBuilder().At(At(2)).Add(ProcessorObject({0, 0})).Build();

    auto expectMalformed = [&](const std::vector<std::uint8_t>& bytes, const std::string& what) {
        data = bytes;
        EXPECT_EQ(ErrorOf([&] { meter.SampleProcessorData(); }), Malformed) << what;
        EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.75) << what;
    };
    // Cut anywhere: every field read lies inside what the query returned.
    for (std::size_t length = 0; length < good.size(); ++length)
        expectMalformed({good.begin(), good.begin() + static_cast<std::ptrdiff_t>(length)},
                        "cut at " + std::to_string(length));

    const std::size_t object = PerfDataBuilder::FirstObject;
    const std::size_t firstInstance = object + 64 + 40 * 5;
    auto patched = [&](std::size_t at, std::uint32_t value) {
        auto bytes = good;
        PerfDataBuilder::Put32(bytes, at, value);
        return bytes;
    };
    expectMalformed(patched(24, 0x7FFFFFF0), "header length past the end");
    expectMalformed(patched(object + 40, 0x7FFFFFFF), "instance count that cannot fit");
    expectMalformed(patched(object + 4, 0xFFFFFFF0), "definition length past the end");
    expectMalformed(patched(object + 64 + 40 * 2 + 36, 0xFFFFFF00), "counter offset past the end");
    expectMalformed(patched(firstInstance, 0x10000000), "instance length past the end");
    {
        auto fewer = PerfDataBuilder().At(At(2)).Add({4, {26}, {}}).Build();
        PerfDataBuilder::Put32(fewer, 28, 3);
        expectMalformed(fewer, "more objects than there are");
    }
    {
        // An object of length 0 before the one sought.
        auto two = PerfDataBuilder().At(At(2)).Add({4, {26}, {}}).Add(ProcessorObject({0, 0})).Build();
        PerfDataBuilder::Put32(two, object, 0);
        expectMalformed(two, "object of length 0");
    }
    {
        auto badTime = good;
        PerfDataBuilder::Put16(badTime, 36 + 2, 13);
        expectMalformed(badTime, "month 13");
    }
    // A negative instance count (an object without instances) means none.
    data = patched(object + 40, 0xFFFFFFFFu);
    meter.SampleProcessorData();
    EXPECT_EQ(meter.ProcessorCount(), 2);
    EXPECT_EQ(meter.ProcessorLoad(0), 0.0);
}

// ---------------------------------------------------------------- NT: processor times

TEST_F(CpuUsageTest, FallsBackToProcessorTimesWithoutTheObject) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    // The performance data answers, but without a "Processor" object (as Wine's does).
    data = PerfDataBuilder().At(At(0)).Build();
    // Kernel time includes idle time.
    win.Kernel().SetProcessorTimes(
        {{10 * Second, 12 * Second, 4 * Second}, {20 * Second, 21 * Second, 3 * Second}});
    meter.SampleProcessorData();
    ASSERT_EQ(meter.ProcessorCount(), 3);  // two processors and their total
    EXPECT_EQ(Queries().size(), 1u);

    win.Kernel().SetProcessorTimes(
        {{10 * Second + Second / 4, 12 * Second + Second / 2, 4 * Second + Second / 2},
         {20 * Second + Second, 22 * Second, 3 * Second}});
    meter.SampleProcessorData();
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.75);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(1), 0.0);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(2), 1 - 1.25 / 2);
    // The choice holds: the performance data is not asked again, even once it has the object.
    Publish(At(2), {Second, Second});
    meter.SampleProcessorData();
    EXPECT_EQ(Queries().size(), 1u);
    // Unchanged times: no interval, no load.
    EXPECT_EQ(meter.ProcessorLoad(2), 0.0);

    // A processor gone from the answer reads idle; the total stays last.
    win.Kernel().SetProcessorTimes({{11 * Second, 13 * Second + Second / 2, 5 * Second}});
    meter.SampleProcessorData();
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.5);
    EXPECT_EQ(meter.ProcessorLoad(1), 0.0);
    EXPECT_EQ(meter.ProcessorCount(), 3);

    // Once chosen, their failure is the object's absence.
    win.Kernel().ClearProcessorTimes();
    EXPECT_EQ(ErrorOf([&] { meter.SampleProcessorData(); }), NoObject);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.5);
}

TEST_F(CpuUsageTest, FallsBackWhenTheQueryFailsAndToTheTotalAlone) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    win.SetFailing("RegQueryValueEx", true, plat::ERROR_FILE_NOT_FOUND);
    win.Kernel().SetSystemTimes({4 * Second, 6 * Second, 2 * Second});
    EXPECT_EQ(meter.ProcessorCount(), 1);
    win.Kernel().SetSystemTimes({4 * Second + Second / 10, 6 * Second + Second / 2, 2 * Second + Second / 2});
    meter.SampleProcessorData();
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.9);
    EXPECT_EQ(ErrorOf([&] { meter.ProcessorLoad(1); }), OutOfBounds);
}

TEST_F(CpuUsageTest, WithNeitherSourceTheObjectIsMissingUntilOneAnswers) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    data = PerfDataBuilder().At(At(0)).Add({4, {26}, {}}).Build();
    EXPECT_EQ(ErrorOf([&] { meter.SampleProcessorData(); }), NoObject);
    EXPECT_EQ(ErrorOf([&] { meter.ProcessorCount(); }), NoObject);
    EXPECT_EQ(ErrorOf([&] { meter.ProcessorLoad(0); }), NoObject);
    win.FailNext("GetProcessorTimes");
    win.Kernel().SetProcessorTimes({{1, 2, 3}});
    EXPECT_EQ(ErrorOf([&] { meter.SampleProcessorData(); }), NoObject);
    // Nothing was chosen yet: the performance data is asked again, and now has the object.
    Publish(At(1), {Second, Second});
    meter.SampleProcessorData();
    EXPECT_EQ(meter.ProcessorCount(), 2);
    EXPECT_EQ(Queries().size(), 5u);
}

// ---------------------------------------------------------------- 95 family

class CpuUsage95Test : public CpuUsageTest {
protected:
    void SetUp() override {
        CpuUsageTest::SetUp();
        win.Kernel().SetVersion(plat::VER_PLATFORM_WIN32_WINDOWS, 4, 10, 2222);
        for (const char* key : {"PerfStats\\StartStat", "PerfStats\\StatData", "PerfStats\\StopStat"})
            SetPercent(key, 0);
    }
    void SetPercent(const std::string& key, std::uint32_t percent) {
        win.Registry().Set(plat::HKEY_DYN_DATA, key, "KERNEL\\CPUUsage", plat::REG_BINARY,
                           {static_cast<std::uint8_t>(percent), 0, 0, 0});
    }
    std::vector<std::string> Opens() { return win.CallJournal().Matching("RegOpenKeyEx("); }
};

TEST_F(CpuUsage95Test, KernelStatisticGivesTheOneProcessorsPercentage) {
    {
        TCpuMeter meter(win.Kernel(), win.Registry());
        EXPECT_EQ(meter.ProcessorCount(), 1);
        EXPECT_TRUE(Opens().empty());  // the count needs no sample here
        SetPercent("PerfStats\\StatData", 37);
        // The first reading starts the statistic.
        EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.37);
        EXPECT_EQ(Opens(), (std::vector<std::string>{"RegOpenKeyEx(HKDD, \"PerfStats\\StartStat\", 983103)",
                                                     "RegOpenKeyEx(HKDD, \"PerfStats\\StatData\", 131097)"}));
        EXPECT_EQ(win.Registry().OpenHandleCount(), 1u);  // StatData stays open

        SetPercent("PerfStats\\StatData", 82);
        meter.SampleProcessorData();
        EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.82);
        EXPECT_EQ(ErrorOf([&] { meter.ProcessorLoad(1); }), OutOfBounds);
        EXPECT_EQ(ErrorOf([&] { meter.ProcessorLoad(-1); }), OutOfBounds);
        EXPECT_EQ(Opens().size(), 2u);
        EXPECT_TRUE(Queries().empty());
    }
    // Destroying it stops the statistic through StopStat and closes everything.
    EXPECT_EQ(Opens().back(), "RegOpenKeyEx(HKDD, \"PerfStats\\StopStat\", 983103)");
    EXPECT_EQ(win.Registry().OpenHandleCount(), 0u);
}

TEST_F(CpuUsage95Test, OpenFailuresHaveTheirOwnErrors) {
    TCpuMeter meter(win.Kernel(), win.Registry());
    win.Registry().DenyAccess(plat::HKEY_DYN_DATA, "PerfStats\\StartStat");
    EXPECT_EQ(ErrorOf([&] { meter.SampleProcessorData(); }), "Unable to start performance monitoring");
    win.Registry().DenyAccess(plat::HKEY_DYN_DATA, "PerfStats\\StartStat", false);

    win.Registry().RemoveKey(plat::HKEY_DYN_DATA, "PerfStats\\StatData");
    SetPercent("PerfStats\\StartStat", 12);
    EXPECT_EQ(ErrorOf([&] { meter.SampleProcessorData(); }), "Unable to read performance data");
    EXPECT_EQ(win.Registry().OpenHandleCount(), 0u);

    // Not started: the next sample opens both keys again.
    win.ClearJournal();
    SetPercent("PerfStats\\StatData", 55);
    meter.SampleProcessorData();
    EXPECT_EQ(Opens().size(), 2u);
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.55);

    // A missing value leaves the last percentage; a failing StopStat is ignored.
    win.Registry().RemoveKey(plat::HKEY_DYN_DATA, "PerfStats\\StatData");
    win.Registry().CreateKey(plat::HKEY_DYN_DATA, "PerfStats\\StatData");
    meter.SampleProcessorData();
    EXPECT_DOUBLE_EQ(meter.ProcessorLoad(0), 0.55);
    win.Registry().DenyAccess(plat::HKEY_DYN_DATA, "PerfStats\\StopStat");
    meter.StopProcessorStatistics();
    EXPECT_EQ(win.Registry().OpenHandleCount(), 0u);
    meter.StopProcessorStatistics();  // already stopped: nothing
    EXPECT_EQ(Opens().size(), 3u);
}

}  // namespace
