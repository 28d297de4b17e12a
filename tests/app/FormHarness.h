#pragma once
// Pieces the whole-form tests share: a stand-in for the main window's view and
// processors that the CPU meter sees at work.
#include <vector>

#include "platform/constants.h"
#include "platform/sim/SimWindows.h"
#include "ui/Form.h"

// The main window as the menu sees it: a window that hands menu commands to the form.
class SimFormView : public IFormView {
public:
    SimFormView(sim::SimWindows& win, TForm& form) {
        FWnd = win.User().CreateHiddenWindow("TQuorvForm",
                                             [&form](std::uint32_t msg, plat::WParam w, plat::LParam l) {
                                                 if (msg == plat::WM_COMMAND && l == 0 && form.OnMenuCommand)
                                                     form.OnMenuCommand(w & 0xFFFF);
                                                 return plat::LResult{0};
                                             });
    }
    plat::Hwnd Handle() override { return FWnd; }
    void ShowForm() override {}
    void HideForm() override {}
    void FocusControl(TControl&) override {}

private:
    plat::Hwnd FWnd = 0;
};

// Two processors, the second one busy for a quarter of each second.
struct TwoProcessors {
    std::vector<plat::ProcessorTimes> times{2};
    void Start(sim::SimKernel& kernel) {
        times = {{0, 0, 0}, {0, 0, 0}};
        kernel.SetProcessorTimes(times);
    }
    void OneSecond(sim::SimKernel& kernel) {
        times[0].idle += 10'000'000, times[0].kernel += 10'000'000;
        times[1].idle += 7'500'000, times[1].kernel += 8'000'000, times[1].user += 2'000'000;
        kernel.SetProcessorTimes(times);
    }
};
