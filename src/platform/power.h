#pragma once
// Power (advapi32, user32 and kernel32): the shutdown privilege, ExitWindowsEx,
// suspend and hibernate, the power source.
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

// SYSTEM_POWER_STATUS; 255 (and -1 for the times) is "unknown".
struct SystemPowerStatus {
    std::uint8_t ACLineStatus = 255;
    std::uint8_t BatteryFlag = 255;
    std::uint8_t BatteryLifePercent = 255;
    std::uint8_t SystemStatusFlag = 0;
    std::uint32_t BatteryLifeTime = 0xFFFFFFFFu;
    std::uint32_t BatteryFullLifeTime = 0xFFFFFFFFu;
};

class IPower {
public:
    virtual ~IPower() = default;

    // OpenProcessToken, LookupPrivilegeValue and AdjustTokenPrivileges in one step,
    // for the current process; false when any of them fails.
    virtual bool AdjustPrivilege(const std::string& privilege, bool enable) = 0;
    virtual bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
    virtual bool SetSystemPowerState(bool suspend, bool force) = 0;
    virtual bool GetSystemPowerStatus(SystemPowerStatus& status) = 0;
};

}  // namespace plat
