#include "system/PowerCommands.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

#include "platform/sim/SimWindows.h"

namespace {

static_assert(sizeof(TRebootOperation) == 1);
static_assert(static_cast<int>(TRebootOperation::roLogOff) == 0);
static_assert(static_cast<int>(TRebootOperation::roReboot) == 1);
static_assert(static_cast<int>(TRebootOperation::roShutDown) == 2);
static_assert(static_cast<int>(TRebootOperation::roSuspend) == 3);
static_assert(static_cast<int>(TRebootOperation::roHibernate) == 4);

const std::string kOn = "AdjustPrivilege(\"SeShutdownPrivilege\", 1)";
const std::string kOff = "AdjustPrivilege(\"SeShutdownPrivilege\", 0)";

class RebootTest : public ::testing::Test {
protected:
    // The privilege on, the request, the privilege off: the whole journal of one command.
    std::vector<std::string> Around(const std::string& request) { return {kOn, request, kOff}; }

    sim::SimWindows win;
    TPowerCommands reboot{"WinReboot1", win.Power()};
};

TEST_F(RebootTest, StartsAsAPlainReboot) {
    EXPECT_EQ(reboot.Name(), "WinReboot1");
    EXPECT_EQ(reboot.Operation, TRebootOperation::roReboot);
    EXPECT_FALSE(reboot.PowerOff);
    EXPECT_FALSE(reboot.ForceTerminateProcesses);
    EXPECT_TRUE(reboot.Execute());
    EXPECT_EQ(win.Journal(), Around("ExitWindowsEx(2, 0)"));
    EXPECT_FALSE(win.Power().PrivilegeEnabled("SeShutdownPrivilege"));
}

// ---- logon operations: the flags of ExitWindowsEx ----

struct FlagCase {
    const char* name;
    TRebootOperation operation;
    bool powerOff;
    bool force;
    unsigned flags;
};

class ExitFlags : public RebootTest, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(ExitFlags, ExitWindowsExGetsTheOperationsFlags) {
    reboot.Operation = GetParam().operation;
    reboot.PowerOff = GetParam().powerOff;
    reboot.ForceTerminateProcesses = GetParam().force;
    EXPECT_TRUE(reboot.Execute());
    EXPECT_EQ(win.Journal(), Around("ExitWindowsEx(" + std::to_string(GetParam().flags) + ", 0)"));
    EXPECT_EQ(reboot.ExitFlags(), GetParam().flags);
}

INSTANTIATE_TEST_SUITE_P(
    Operations, ExitFlags,
    ::testing::Values(FlagCase{"LogOff", TRebootOperation::roLogOff, false, false, 0},
                      FlagCase{"LogOffForced", TRebootOperation::roLogOff, false, true, 4},
                      FlagCase{"Reboot", TRebootOperation::roReboot, false, false, 2},
                      FlagCase{"RebootForced", TRebootOperation::roReboot, false, true, 6},
                      FlagCase{"ShutDown", TRebootOperation::roShutDown, false, false, 1},
                      FlagCase{"ShutDownForced", TRebootOperation::roShutDown, false, true, 5},
                      FlagCase{"ShutDownPowerOff", TRebootOperation::roShutDown, true, false, 9},
                      FlagCase{"ShutDownPowerOffForced", TRebootOperation::roShutDown, true, true, 13},
                      FlagCase{"LogOffPowerOff", TRebootOperation::roLogOff, true, false, 8},
                      FlagCase{"RebootPowerOffForced", TRebootOperation::roReboot, true, true, 14}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- suspend and hibernate ----

TEST_F(RebootTest, SuspendAndHibernateUseThePowerStateWithTheForceFlagAsItStands) {
    reboot.Operation = TRebootOperation::roSuspend;
    EXPECT_TRUE(reboot.Execute());
    EXPECT_EQ(win.Journal(), Around("SetSystemPowerState(1, 0)"));

    win.ClearJournal();
    reboot.Operation = TRebootOperation::roHibernate;
    EXPECT_TRUE(reboot.Execute());
    EXPECT_EQ(win.Journal(), Around("SetSystemPowerState(0, 0)"));

    // The force flag left behind by an earlier forced shutdown carries over;
    // PowerOff means nothing to a power state.
    win.ClearJournal();
    reboot.Operation = TRebootOperation::roShutDown;
    reboot.ForceTerminateProcesses = true;
    reboot.Execute();
    reboot.Operation = TRebootOperation::roSuspend;
    reboot.PowerOff = true;
    reboot.Execute();
    reboot.Operation = TRebootOperation::roHibernate;
    reboot.Execute();
    EXPECT_EQ(win.Journal(),
              (std::vector<std::string>{kOn, "ExitWindowsEx(5, 0)", kOff, kOn, "SetSystemPowerState(1, 1)",
                                        kOff, kOn, "SetSystemPowerState(0, 1)", kOff}));
    EXPECT_EQ(win.Count("ExitWindowsEx("), 1u);
}

// ---- failures ----

TEST_F(RebootTest, RefusedPrivilegeStillMakesTheRequest) {
    win.SetFailing("AdjustPrivilege", true);
    reboot.Operation = TRebootOperation::roShutDown;
    EXPECT_TRUE(reboot.Execute());
    EXPECT_EQ(win.Journal(), Around("ExitWindowsEx(1, 0)"));

    win.ClearJournal();
    reboot.Operation = TRebootOperation::roHibernate;
    EXPECT_TRUE(reboot.Execute());
    EXPECT_EQ(win.Journal(), Around("SetSystemPowerState(0, 0)"));
}

TEST_F(RebootTest, RefusedRequestReturnsFalseAndStillDropsThePrivilege) {
    for (auto op : {TRebootOperation::roLogOff, TRebootOperation::roReboot, TRebootOperation::roShutDown,
                    TRebootOperation::roSuspend, TRebootOperation::roHibernate}) {
        SCOPED_TRACE(static_cast<int>(op));
        bool powerState = op == TRebootOperation::roSuspend || op == TRebootOperation::roHibernate;
        win.FailNext(powerState ? "SetSystemPowerState" : "ExitWindowsEx");
        win.ClearJournal();
        reboot.Operation = op;
        EXPECT_FALSE(reboot.Execute());
        ASSERT_EQ(win.Journal().size(), 3u);
        EXPECT_EQ(win.Journal().front(), kOn);
        EXPECT_EQ(win.Journal().back(), kOff);
        EXPECT_FALSE(win.Power().PrivilegeEnabled("SeShutdownPrivilege"));
        // Nothing else changes: the component keeps its settings.
        EXPECT_EQ(reboot.Operation, op);
        EXPECT_FALSE(reboot.ForceTerminateProcesses);
        EXPECT_FALSE(reboot.PowerOff);
    }
}

}  // namespace
