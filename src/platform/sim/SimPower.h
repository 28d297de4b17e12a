#pragma once
// The simulated shutdown privilege and power calls: journaled, never acting.
// Results come from failure injection (SimJournal::FailNext / SetFailing by name).
//
// Journal entries:
//   AdjustPrivilege("<privilege>", <enable>)
//   ExitWindowsEx(<flags>, <reason>)
//   SetSystemPowerState(<suspend>, <force>)
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

    // Privileges currently enabled by AdjustPrivilege.
    bool PrivilegeEnabled(const std::string& privilege) const;

private:
    SimJournal& journal_;
    std::vector<std::string> enabled_;
};

}  // namespace sim
