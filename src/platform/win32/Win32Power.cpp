#include "platform/win32/Win32Power.h"

#include "platform/win32/WinApi.h"

#include "platform/win32/Handles.h"

namespace win32 {

bool Win32Power::AdjustPrivilege(const std::string& privilege, bool enable) {
    UniqueHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.put()))
        return false;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    if (!::LookupPrivilegeValueA(nullptr, privilege.c_str(), &tp.Privileges[0].Luid)) return false;
    tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    if (!::AdjustTokenPrivileges(token.get(), FALSE, &tp, sizeof tp, nullptr, nullptr)) return false;
    // AdjustTokenPrivileges succeeds even when the privilege was not granted.
    return ::GetLastError() == ERROR_SUCCESS;
}

bool Win32Power::ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) {
    return ::ExitWindowsEx(flags, reason) != FALSE;
}

bool Win32Power::SetSystemPowerState(bool suspend, bool force) {
    return ::SetSystemPowerState(suspend, force) != FALSE;
}

bool Win32Power::GetSystemPowerStatus(plat::SystemPowerStatus& status) {
    SYSTEM_POWER_STATUS s{};
    if (!::GetSystemPowerStatus(&s)) return false;
    status.ACLineStatus = s.ACLineStatus;
    status.BatteryFlag = s.BatteryFlag;
    status.BatteryLifePercent = s.BatteryLifePercent;
    // MinGW's headers name the fourth byte Reserved1: it is the saver flag.
    status.SystemStatusFlag = reinterpret_cast<const BYTE*>(&s)[3];
    status.BatteryLifeTime = s.BatteryLifeTime;
    status.BatteryFullLifeTime = s.BatteryFullLifeTime;
    return true;
}

}  // namespace win32
