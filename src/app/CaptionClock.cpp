// The periodic work of the main window: the clock and processor load stamped
// into the foreground window's caption, and the general poll.
#include <cmath>

#include "app/ClockFormat.h"
#include "app/MainForm.h"
#include "platform/error.h"

void TMainForm::ckWinClockClick() { UpdateCaptionClock(); }

void TMainForm::ckCPUClick() { UpdateCaptionClock(); }

void TMainForm::UpdateCaptionClock() {
    const bool on = ckWinClock.Checked() || ckCPU.Checked();
    if (on && !captionTimer.Enabled()) {
        // The meter measures between two samples: without this one the first
        // readout would compare against nothing and show nonsense. A failure here
        // shows at the first tick.
        try {
            cpuMeter.SampleProcessorData();
        } catch (const EVelantError& error) {
            plat::Trace(FPlatform.kernel, "Sampling the processor load", error);
        }
    }
    captionTimer.SetEnabled(on);
    if (!on) RestoreCaptions();
}

std::string TMainForm::RemoveClockText(const std::string& text, const std::string& stamp) {
    // Only our own stamp goes: brackets and spaces of the program's own title stay.
    if (stamp.empty() || text.size() < stamp.size() ||
        text.compare(text.size() - stamp.size(), stamp.size(), stamp) != 0)
        return text;
    return text.substr(0, text.size() - stamp.size());
}

std::string TMainForm::ReadCaption(plat::Hwnd wnd) {
    // The whole caption, however long: a stamp cut off at the end could never be
    // recognised and taken out again.
    const int length = FPlatform.user.GetWindowTextLength(wnd);
    return length > 0 ? FPlatform.user.GetWindowText(wnd, length + 1) : std::string();
}

void TMainForm::CleanCaption(plat::Hwnd wnd) {
    if (!wnd) return;
    auto it = FStamps.find(wnd);
    if (it == FStamps.end()) return;
    const std::string caption = ReadCaption(wnd);
    const std::string clean = RemoveClockText(caption, it->second);
    if (clean != caption) FPlatform.user.SetWindowText(wnd, clean);
    FStamps.erase(it);
}

void TMainForm::RestoreCaptions() {
    CleanCaption(FStampedWindow);
    CleanCaption(FCurrentWindow);
}

std::string TMainForm::FormatClockText(bool showClock) {
    if (!showClock) return {};
    plat::SystemTime now;
    FPlatform.kernel.GetLocalTime(now);
    const TClockLocale locale = ReadClockLocale(FPlatform.kernel);
    // The space belongs to the date's pattern: an empty date field gives just the
    // space, while an empty time field falls back to the full date and time.
    return FormatClockPattern(FDatePattern + " ", now, locale) +
           FormatClockPattern(FTimePattern, now, locale);
}

void TMainForm::CaptionTimerTimer() {
    std::string cpuText;
    try {
        cpuMeter.SampleProcessorData();
        const int count = cpuMeter.ProcessorCount();
        // The last processor's load is the one shown.
        for (int i = 0; i < count; ++i) {
            const double percent = std::trunc(cpuMeter.ProcessorLoad(i) * 100);
            cpuText = std::to_string(
                std::isfinite(percent) && std::fabs(percent) < 1e9 ? static_cast<long>(percent) : 0);
        }
        FCpuFailureReported = false;
    } catch (const EVelantError& error) {
        // Without the load in the caption the meter's trouble is not the clock's.
        if (ckCPU.Checked()) {
            // A meter that fails would fail again every second: report it once,
            // and again only after it has worked in between.
            if (!FCpuFailureReported) {
                FCpuFailureReported = true;
                throw;
            }
            plat::Trace(FPlatform.kernel, "Sampling the processor load", error);
            return;
        }
        plat::Trace(FPlatform.kernel, "Sampling the processor load", error);
        cpuText.clear();
    }
    const std::string cpuPart = ckCPU.Checked() ? " Cpu load: " + cpuText + "%" : "";
    FTimePattern = edtTime.Text();
    FDatePattern = edtDate.Text();

    auto& u = FPlatform.user;
    FCurrentWindow = u.GetForegroundWindow();
    const std::string current = ReadCaption(FCurrentWindow);
    if (current.empty() || !u.IsWindowVisible(FCurrentWindow)) return;

    const auto previous = FStamps.find(FCurrentWindow);
    const std::string caption =
        RemoveClockText(current, previous == FStamps.end() ? std::string() : previous->second);
    const std::string stamp = "    [" + FormatClockText(ckWinClock.Checked()) + cpuPart + "]";
    u.SetWindowText(FCurrentWindow, caption + stamp);
    FStamps[FCurrentWindow] = stamp;

    if (FCurrentWindow != FStampedWindow) {
        CleanCaption(FStampedWindow);
        FStampedWindow = FCurrentWindow;
    }
}

void TMainForm::PollTimerTimer() {
    SyncScreensaverState();
    CheckTransparency();
}
