#pragma once
// Privileges, ExitWindowsEx and the system power state behind IPower.
#include "platform/power.h"

namespace win32 {

class Win32Power final : public plat::IPower {
public:
    bool AdjustPrivilege(const std::string& privilege, bool enable) override;
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override;
    bool SetSystemPowerState(bool suspend, bool force) override;
    bool GetSystemPowerStatus(plat::SystemPowerStatus& status) override;
};

}  // namespace win32
