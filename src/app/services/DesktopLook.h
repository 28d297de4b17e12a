#pragma once
// The desktop's look as the "Desktop/Hotkeys" page sets it: the icon captions'
// colours and transparency, applied again after anything that makes the shell
// redraw the desktop and, when asked, by the poll.
#include "app/AppContext.h"
#include "desktop/DesktopIcons.h"
#include "ui/Controls.h"

struct TLookControls {
    TLabel& sample;  // the captions' colours and transparency
    TCheckBox& activeDesktop;
    TCheckBox& checkAtIntervals;
};

class TDesktopLook {
public:
    TDesktopLook(TAppContext& context, TDesktopIcons& icons, TLookControls controls)
        : FContext(context), FIcons(icons), FControls(controls) {}

    // The colour step after anything that makes the shell redraw the desktop.
    void ApplyIconColors();
    // The captions' colours with a transparent background, whatever the box says.
    void ApplyTransparency();
    bool IconCaptionsTransparent();
    // The poll's step: a desktop clicked while its captions lost their
    // transparency gets it back.
    void CheckTransparency();

private:
    TAppContext& FContext;
    TDesktopIcons& FIcons;
    TLookControls FControls;
};
