#pragma once
// Power (advapi32 and user32): the shutdown privilege, ExitWindowsEx, suspend and hibernate.
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace plat {

class IPower {
public:
    virtual ~IPower() = default;

    // OpenProcessToken, LookupPrivilegeValue and AdjustTokenPrivileges in one step,
    // for the current process; false when any of them fails.
    virtual bool AdjustPrivilege(const std::string& privilege, bool enable) = 0;
    virtual bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) = 0;
    virtual bool SetSystemPowerState(bool suspend, bool force) = 0;
};

}  // namespace plat
