#pragma once
// The system screensaver's switch and timeout. The system is the only store of
// the screensaver's state; the component remembers just the last timeout applied.
#include <string>

#include "platform/kernel.h"
#include "platform/user.h"
#include "ui/Component.h"

class TScreensaver : public TComponent {
public:
    TScreensaver(std::string name, plat::IUser& user, plat::IKernel& kernel);

    void StartScreensaver();
    bool TurnScrOn();
    bool TurnScrOff();
    // Live: asks the system every time.
    bool State();
    void SetState(bool value);
    // Whole minutes; the system keeps seconds.
    int GetTimeOut();
    // Applies 1..60 minutes when different from the last value applied.
    void SetTimeOut(int minutes);
    int Timeout() const { return FCachedTimeout; }
    // A timeout set elsewhere becomes the last one applied, so that showing it
    // in the editor applies nothing.
    void FollowTimeOut(int minutes) { FCachedTimeout = minutes; }
    // The screensaver program's path from the boot section of system.ini.
    std::string GetScreensaver();
    void ConfigureScreensaver();

private:
    plat::IUser& FUser;
    plat::IKernel& FKernel;
    int FCachedTimeout = 0;
};
