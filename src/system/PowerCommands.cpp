#include "system/PowerCommands.h"

#include "platform/constants.h"

TPowerCommands::TPowerCommands(std::string name, plat::IPower& power)
    : TComponent(std::move(name)), FPower(power) {}

std::uint32_t TPowerCommands::ExitFlags() const {
    std::uint32_t flags = plat::EWX_REBOOT;
    switch (Operation) {
        case TRebootOperation::roLogOff:
            flags = plat::EWX_LOGOFF;
            break;
        case TRebootOperation::roShutDown:
            flags = plat::EWX_SHUTDOWN;
            break;
        default:
            break;
    }
    if (PowerOff) flags |= plat::EWX_POWEROFF;
    if (ForceTerminateProcesses) flags |= plat::EWX_FORCE;
    return flags;
}

bool TPowerCommands::Execute() {
    // Without the privilege (a system without security, or a user lacking the
    // right) the request is still made: the system decides.
    SetShutdownPrivilege(true);
    bool accepted = false;
    if (Operation == TRebootOperation::roSuspend || Operation == TRebootOperation::roHibernate)
        accepted =
            FPower.SetSystemPowerState(Operation == TRebootOperation::roSuspend, ForceTerminateProcesses);
    else
        accepted = FPower.ExitWindowsEx(ExitFlags(), 0);
    SetShutdownPrivilege(false);
    return accepted;
}

bool TPowerCommands::SetShutdownPrivilege(bool enable) {
    return FPower.AdjustPrivilege("SeShutdownPrivilege", enable);
}
