#include "app/services/CaptionClock.h"

#include <cmath>

#include "app/ClockFormat.h"
#include "platform/error.h"

void TCaptionClock::Update() {
    const bool on = FControls.clock.Checked() || FControls.cpu.Checked();
    if (on && !FTimer.Enabled()) {
        // The meter measures between two samples: without this one the first
        // readout would compare against nothing and show nonsense. A failure here
        // shows at the first tick.
        try {
            FMeter.SampleProcessorData();
        } catch (const EVelantError& error) {
            plat::Trace(FContext.platform.kernel, "Sampling the processor load", error);
        }
    }
    FTimer.SetEnabled(on);
    if (!on) RestoreCaptions();
}

std::string TCaptionClock::RemoveClockText(const std::string& text, const std::string& stamp) {
    // Only our own stamp goes: brackets and spaces of the program's own title stay.
    if (stamp.empty() || text.size() < stamp.size() ||
        text.compare(text.size() - stamp.size(), stamp.size(), stamp) != 0)
        return text;
    return text.substr(0, text.size() - stamp.size());
}

std::string TCaptionClock::ReadCaption(plat::Hwnd wnd) {
    // The whole caption, however long: a stamp cut off at the end could never be
    // recognised and taken out again.
    const int length = FContext.platform.user.GetWindowTextLength(wnd);
    return length > 0 ? FContext.platform.user.GetWindowText(wnd, length + 1) : std::string();
}

void TCaptionClock::CleanCaption(plat::Hwnd wnd) {
    if (!wnd) return;
    auto it = FStamps.find(wnd);
    if (it == FStamps.end()) return;
    const std::string caption = ReadCaption(wnd);
    const std::string clean = RemoveClockText(caption, it->second);
    if (clean != caption) FContext.platform.user.SetWindowText(wnd, clean);
    FStamps.erase(it);
}

void TCaptionClock::RestoreCaptions() {
    CleanCaption(FStampedWindow);
    CleanCaption(FCurrentWindow);
}

std::string TCaptionClock::FormatClockText(bool showClock) {
    if (!showClock) return {};
    plat::SystemTime now;
    FContext.platform.kernel.GetLocalTime(now);
    const TClockLocale locale = ReadClockLocale(FContext.platform.kernel);
    // The space belongs to the date's pattern: an empty date field gives just the
    // space, while an empty time field falls back to the full date and time.
    return FormatClockPattern(FDatePattern + " ", now, locale) +
           FormatClockPattern(FTimePattern, now, locale);
}

void TCaptionClock::Tick() {
    std::string cpuText;
    try {
        FMeter.SampleProcessorData();
        const int count = FMeter.ProcessorCount();
        // The last processor's load is the one shown.
        for (int i = 0; i < count; ++i) {
            const double percent = std::trunc(FMeter.ProcessorLoad(i) * 100);
            cpuText = std::to_string(
                std::isfinite(percent) && std::fabs(percent) < 1e9 ? static_cast<long>(percent) : 0);
        }
        FCpuFailureReported = false;
    } catch (const EVelantError& error) {
        // Without the load in the caption the meter's trouble is not the clock's.
        if (FControls.cpu.Checked()) {
            // A meter that fails would fail again every second: report it once,
            // and again only after it has worked in between.
            if (!FCpuFailureReported) {
                FCpuFailureReported = true;
                throw;
            }
            plat::Trace(FContext.platform.kernel, "Sampling the processor load", error);
            return;
        }
        plat::Trace(FContext.platform.kernel, "Sampling the processor load", error);
        cpuText.clear();
    }
    const std::string cpuPart = FControls.cpu.Checked() ? " Cpu load: " + cpuText + "%" : "";
    FTimePattern = FControls.time.Text();
    FDatePattern = FControls.date.Text();

    auto& u = FContext.platform.user;
    FCurrentWindow = u.GetForegroundWindow();
    const std::string current = ReadCaption(FCurrentWindow);
    if (current.empty() || !u.IsWindowVisible(FCurrentWindow)) return;

    const auto previous = FStamps.find(FCurrentWindow);
    const std::string caption =
        RemoveClockText(current, previous == FStamps.end() ? std::string() : previous->second);
    const std::string stamp = "    [" + FormatClockText(FControls.clock.Checked()) + cpuPart + "]";
    u.SetWindowText(FCurrentWindow, caption + stamp);
    FStamps[FCurrentWindow] = stamp;

    if (FCurrentWindow != FStampedWindow) {
        CleanCaption(FStampedWindow);
        FStampedWindow = FCurrentWindow;
    }
}
