#pragma once
// The clock and processor load stamped into the foreground window's caption,
// and taken out again when the window loses the stamp's turn or the program ends.
#include <map>
#include <string>

#include "app/AppContext.h"
#include "app/TimerList.h"
#include "system/CpuMeter.h"
#include "ui/Controls.h"

struct TClockControls {
    TCheckBox& clock;  // "Window titlebar clock"
    TCheckBox& cpu;    // "Show CPU Load"
    TEdit& date;
    TEdit& time;
};

class TCaptionClock {
public:
    TCaptionClock(TAppContext& context, TTimerEvent& timer, TCpuMeter& meter, TClockControls controls)
        : FContext(context), FTimer(timer), FMeter(meter), FControls(controls) {}

    // Runs the timer while either box is checked; takes the stamp out when none is.
    void Update();
    // One second: the stamp of the window in front now.
    void Tick();
    void RestoreCaptions();
    // The text without the stamp that was appended to it, when it still ends with it.
    static std::string RemoveClockText(const std::string& text, const std::string& stamp);

private:
    std::string ReadCaption(plat::Hwnd wnd);
    std::string FormatClockText(bool showClock);
    // Takes the stamp out of one window's caption, if the window still carries it.
    void CleanCaption(plat::Hwnd wnd);

    TAppContext& FContext;
    TTimerEvent& FTimer;
    TCpuMeter& FMeter;
    TClockControls FControls;
    // The foreground window of the latest tick, the window stamped last, the
    // stamp each window carries, the patterns of the tick.
    plat::Hwnd FCurrentWindow = 0;
    plat::Hwnd FStampedWindow = 0;
    std::map<plat::Hwnd, std::string> FStamps;
    std::string FDatePattern;
    std::string FTimePattern;
    bool FCpuFailureReported = false;
};
