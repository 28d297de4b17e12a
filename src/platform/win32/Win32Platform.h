#pragma once
// The real Windows: one implementation of every platform family, bundled.
#include "platform/platform.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32Imaging.h"
#include "platform/win32/Win32Kernel.h"
#include "platform/win32/Win32Multimedia.h"
#include "platform/win32/Win32Power.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32User.h"

namespace win32 {

class Win32Platform {
public:
    // appIconId: the program's icon among its resources.
    explicit Win32Platform(int appIconId = 0) : FUser(appIconId) {}
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    plat::Platform platform() {
        return {FUser, FRegistry, FShell, FKernel, FMultimedia, FPower, FDialogs, FImaging};
    }
    Win32User& User() { return FUser; }

private:
    Win32User FUser;
    Win32Registry FRegistry;
    Win32Shell FShell;
    Win32Kernel FKernel;
    Win32Multimedia FMultimedia;
    Win32Power FPower;
    Win32Dialogs FDialogs;
    Win32Imaging FImaging;
};

}  // namespace win32
