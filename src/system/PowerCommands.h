#pragma once
// Log off, reboot, shut down, suspend and hibernate.
#include <cstdint>
#include <string>

#include "platform/power.h"
#include "ui/Component.h"

// Stored as one byte, 0 to 4, in this order.
enum class TRebootOperation : std::uint8_t { roLogOff, roReboot, roShutDown, roSuspend, roHibernate };

class TPowerCommands : public TComponent {
public:
    TPowerCommands(std::string name, plat::IPower& power);

    // Plain fields: the menu handlers set them and then call Execute.
    TRebootOperation Operation = TRebootOperation::roReboot;
    // For the three logon operations: also switch the power off.
    bool PowerOff = false;
    // Programs are closed without being asked, or the system suspends without asking them.
    bool ForceTerminateProcesses = false;

    // True when the system accepted the request. The shutdown privilege is held
    // only for the duration of the call.
    bool Execute();

    // The ExitWindowsEx flags for the current properties (logon operations only).
    std::uint32_t ExitFlags() const;

private:
    bool SetShutdownPrivilege(bool enable);

    plat::IPower& FPower;
};
