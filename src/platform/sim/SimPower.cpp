#include "platform/sim/SimPower.h"

#include <algorithm>

namespace sim {

bool SimPower::AdjustPrivilege(const std::string& privilege, bool enable) {
    journal_.Add("AdjustPrivilege(" + fmt::Quote(privilege) + ", " + (enable ? "1" : "0") + ")");
    if (journal_.Fails("AdjustPrivilege")) return false;
    std::erase_if(enabled_, [&](const std::string& p) { return IEquals(p, privilege); });
    if (enable) enabled_.push_back(privilege);
    return true;
}

bool SimPower::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
    journal_.Add("ExitWindowsEx(" + std::to_string(flags) + ", " + std::to_string(reason) + ")");
    return !journal_.Fails("ExitWindowsEx");
}

bool SimPower::SetSystemPowerState(bool suspend, bool force) {
    journal_.Add(std::string("SetSystemPowerState(") + (suspend ? "1" : "0") + ", " + (force ? "1" : "0") +
                 ")");
    return !journal_.Fails("SetSystemPowerState");
}

bool SimPower::GetSystemPowerStatus(plat::SystemPowerStatus& status) {
    journal_.Add("GetSystemPowerStatus()");
    if (journal_.Fails("GetSystemPowerStatus")) return false;
    status = status_;
    return true;
}

bool SimPower::PrivilegeEnabled(const std::string& privilege) const {
    return std::any_of(enabled_.begin(), enabled_.end(),
                       [&](const std::string& p) { return IEquals(p, privilege); });
}

}  // namespace sim
