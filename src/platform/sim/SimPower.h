#pragma once
// The simulated shutdown privilege and power calls: journaled, never acting.
// Results come from failure injection (SimJournal::FailNext / SetFailing by name).
//
// Journal entries:
//   AdjustPrivilege("<privilege>", <enable>)
//   ExitWindowsEx(<flags>, <reason>)
//   SetSystemPowerState(<suspend>, <force>)
//   GetSystemPowerStatus()   answers the status SetPowerStatus set (on mains
//                            power until then)
#include <string>
#include <vector>

#include "platform/power.h"
#include "platform/sim/SimJournal.h"

namespace sim {

class SimPower : public plat::IPower {
public:
    explicit SimPower(SimJournal& journal) : journal_(journal) {}

    bool AdjustPrivilege(const std::string& privilege, bool enable) override;
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    bool SetSystemPowerState(bool suspend, bool force) override;
    bool GetSystemPowerStatus(plat::SystemPowerStatus& status) override;

    // The power source and battery as GetSystemPowerStatus reports them.
    void SetPowerStatus(const plat::SystemPowerStatus& status) { status_ = status; }

    // Privileges currently enabled by AdjustPrivilege.
    bool PrivilegeEnabled(const std::string& privilege) const;

private:
    SimJournal& journal_;
    std::vector<std::string> enabled_;
    plat::SystemPowerStatus status_ = OnMains();

    static plat::SystemPowerStatus OnMains() {
        plat::SystemPowerStatus status;
        status.ACLineStatus = 1;
        status.BatteryFlag = 128;  // no system battery
        return status;
    }
};

}  // namespace sim
