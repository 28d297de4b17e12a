#pragma once
// The screensaver as the user chose it: what the program switched off, what
// Windows has now, and what the profile held when the program last looked.
// The program's own switches last for the session; the user's choices in
// Windows' settings go to the profile. The profile's values as the program last
// saw them tell, at the next start, whether the user changed them in Windows
// meanwhile: then Windows' values are kept as the stored choices.
#include <string>

#include "app/AppContext.h"
#include "system/Screensaver.h"
#include "ui/Controls.h"

struct TScreensaverControls {
    TCheckBox& enabled;
    TSpinEdit& timeout;
    TCheckBox& keepDisabled;
    TMenuItem*& menuItem;  // "Screensaver enabled", made with the popup menu
};

class TScreensaverChoice {
public:
    TScreensaverChoice(TAppContext& context, TScreensaver& screensaver, TScreensaverControls controls)
        : FContext(context), FScreensaver(screensaver), FControls(controls) {}

    // The controls start from the system's settings; nothing is applied.
    void ShowSystemState();
    void EnabledClicked();
    void TimeoutChanged();
    void MenuItemClicked();
    // The poll's step: a change made elsewhere shows and is kept.
    void FollowSystem();
    // The popup item's check mark and caption for the screensaver's state.
    void ShowMenuItem(bool on);

    void RecordProfile();
    void KeepChangesMadeInWindows();
    // At close: a screensaver the program switched off comes back, unless the
    // user asked to keep it off.
    void RestoreAtClose();

private:
    std::string Profile();

    TAppContext& FContext;
    TScreensaver& FScreensaver;
    TScreensaverControls FControls;
    // The program's last switch of the screensaver turned it off: only then does
    // closing turn it on again.
    bool FSwitchedOff = false;
};
