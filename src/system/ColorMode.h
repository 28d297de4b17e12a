#pragma once
// Whether the program draws its own parts dark: Windows' apps are in dark mode
// ("AppsUseLightTheme" 0 under the user's personalisation key) and no high-contrast
// scheme is on, whose colours always win. Anything else, a missing or odd value
// included, is the light look the program has always had.
#include "platform/registry.h"
#include "platform/user.h"

class TColorMode {
public:
    TColorMode(plat::IRegistry& registry, plat::IUser& user);

    bool Dark() const { return FDark; }
    // Reads the settings again; true when the answer differs from the last one.
    bool Refresh();
    // Whether the area a WM_SETTINGCHANGE names (its lParam text, which may be
    // null) is the one Windows announces a change of the apps' mode with.
    static bool IsModeChange(const char* area);

private:
    bool ReadDark();

    plat::IRegistry& FRegistry;
    plat::IUser& FUser;
    bool FDark = false;
};
