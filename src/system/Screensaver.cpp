#include "system/Screensaver.h"

#include <cstdint>

#include "platform/constants.h"

TScreensaver::TScreensaver(std::string name, plat::IUser& user, plat::IKernel& kernel)
    : TComponent(std::move(name)), FUser(user), FKernel(kernel) {
    FCachedTimeout = GetTimeOut();
}

void TScreensaver::StartScreensaver() {
    FUser.SendMessage(FUser.GetDesktopWindow(), plat::WM_SYSCOMMAND, plat::SC_SCREENSAVE, 0);
}

bool TScreensaver::TurnScrOn() {
    return FUser.SystemParametersInfo(plat::SPI_SETSCREENSAVEACTIVE, 1, nullptr, 0);
}

bool TScreensaver::TurnScrOff() {
    return FUser.SystemParametersInfo(plat::SPI_SETSCREENSAVEACTIVE, 0, nullptr, 0);
}

bool TScreensaver::State() {
    int active = 0;  // a BOOL
    return FUser.SystemParametersInfo(plat::SPI_GETSCREENSAVEACTIVE, 0, &active, 0) && active != 0;
}

void TScreensaver::SetState(bool value) {
    FUser.SystemParametersInfo(plat::SPI_SETSCREENSAVEACTIVE, value ? 1 : 0, nullptr, 0);
}

int TScreensaver::GetTimeOut() {
    int seconds = 0;
    if (!FUser.SystemParametersInfo(plat::SPI_GETSCREENSAVETIMEOUT, 0, &seconds, 0)) return 0;
    return seconds / 60;
}

void TScreensaver::SetTimeOut(int minutes) {
    if (minutes == FCachedTimeout) return;
    // 0 and negative values wrap to large unsigned ones and fail the range test.
    if (static_cast<std::uint32_t>(minutes) - 1u >= 60u) return;
    FUser.SystemParametersInfo(plat::SPI_SETSCREENSAVETIMEOUT, static_cast<std::uint32_t>(minutes) * 60u,
                               nullptr, 0);
    FCachedTimeout = minutes;
}

std::string TScreensaver::GetScreensaver() {
    // A fixed path, not derived from the Windows directory: that is where the
    // display settings of the older systems keep the choice.
    return FKernel.GetPrivateProfileString("boot", "SCRNSAVE.EXE", "", 2048, "c:\\windows\\system.ini");
}

void TScreensaver::ConfigureScreensaver() {
    const std::string path = GetScreensaver();
    if (path.empty()) return;  // nothing configured: nothing to run
    // Quoted, so that a path with spaces names the program and not its first word.
    FKernel.WinExec("\"" + path + "\" /c", plat::SW_SHOW);
}
