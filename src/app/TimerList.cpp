#include "app/TimerList.h"

#include <algorithm>
#include <climits>

#include "platform/constants.h"
#include "platform/error.h"

namespace {

constexpr std::uintptr_t kTimerId = 1;
constexpr int kMinPeriod = 100;
// A firing may come this much early, so that a period that does not divide an
// interval exactly does not push the event a whole period late.
constexpr std::int64_t kTolerance = 50;

}  // namespace

// --- events ---

TTimerEvent::~TTimerEvent() {
    if (FList) std::erase(FList->FEvents, this);
}

void TTimerEvent::SetInterval(int value) {
    if (value == FInterval) return;
    FInterval = value;
    if (FList) FList->EventChanged();
}

void TTimerEvent::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    if (!value) return;
    FRunCount = 0;
    if (FList) {
        FLastRun = FList->FKernel.GetTickCount();
        FList->EventChanged();
    }
}

// --- the list ---

TTimerList::TTimerList(std::string name, plat::IUser& user, plat::IKernel& kernel, TApplication& app)
    : TComponent(std::move(name)), FUser(user), FKernel(kernel), FApp(app) {}

TTimerList::~TTimerList() {
    if (FWnd) {
        FUser.KillTimer(FWnd, kTimerId);
        FUser.DestroyWindow(FWnd);
    }
    for (TTimerEvent* e : FEvents) e->FList = nullptr;
}

void TTimerList::Add(TTimerEvent& event) {
    event.FList = this;
    event.FHandle = ++FSequence;
    event.FLastRun = FKernel.GetTickCount();
    FEvents.push_back(&event);
    Sort();
    EventChanged();
}

void TTimerList::Sort() {
    std::stable_sort(FEvents.begin(), FEvents.end(),
                     [](const TTimerEvent* a, const TTimerEvent* b) { return a->FInterval < b->FInterval; });
}

void TTimerList::EventChanged() {
    if (!FActive) return;
    CalculatePeriod();
    UpdateTimer();
}

void TTimerList::SetActive(bool value) {
    if (value == FActive) return;
    if (value) {
        FWnd = FUser.CreateHiddenWindow(
            "TRxTimerListWindow",
            [this](std::uint32_t msg, plat::WParam wParam, plat::LParam) -> plat::LResult {
                if (msg == plat::WM_TIMER && wParam == kTimerId) Timer();
                return 0;
            });
        FActive = true;
        const std::uint32_t now = FKernel.GetTickCount();
        for (TTimerEvent* e : FEvents)
            if (e->FEnabled) e->FLastRun = now;
        CalculatePeriod();
        Sort();
        UpdateTimer();
    } else {
        FActive = false;
        if (FWnd) {
            FUser.KillTimer(FWnd, kTimerId);
            FUser.DestroyWindow(FWnd);
            FWnd = 0;
        }
        if (OnFinish) OnFinish();
    }
}

void TTimerList::CalculatePeriod() {
    if (FEvents.empty()) {
        FPeriod = 0;
        return;
    }
    const std::uint32_t now = FKernel.GetTickCount();
    std::int64_t period = INT_MAX;
    for (const TTimerEvent* e : FEvents) {
        if (!e->FEnabled || e->FInterval <= 0) continue;
        // The tick count wraps every 49.7 days; the unsigned difference stays right.
        const std::int64_t elapsed = static_cast<std::uint32_t>(now - e->FLastRun);
        period = std::min({period, static_cast<std::int64_t>(e->FInterval), e->FInterval - elapsed});
    }
    if (period < kMinPeriod) period = kMinPeriod;
    if (period == INT_MAX) {
        FPeriod = 0;
        return;
    }
    // Shrink the step until every interval is a multiple of it, so that the
    // events stay in phase with the one timer.
    while (period > kMinPeriod) {
        auto misfit = std::find_if(FEvents.begin(), FEvents.end(),
                                   [period](const TTimerEvent* e) { return e->FInterval % period != 0; });
        if (misfit == FEvents.end()) break;
        period -= (*misfit)->FInterval % period;
    }
    FPeriod = static_cast<int>(std::max<std::int64_t>(period, kMinPeriod));
}

void TTimerList::UpdateTimer() {
    if (FWnd) FUser.KillTimer(FWnd, kTimerId);
    const bool anyEnabled =
        std::any_of(FEvents.begin(), FEvents.end(), [](const TTimerEvent* e) { return e->FEnabled; });
    if (!anyEnabled) {
        SetActive(false);
        return;
    }
    if (FPeriod > 0 && FWnd && FUser.SetTimer(FWnd, kTimerId, static_cast<std::uint32_t>(FPeriod)) == 0) {
        SetActive(false);
        throw EVelantError("Not enough timers available");
    }
}

void TTimerList::Timer() {
    if (!FActive) {
        UpdateTimer();
        return;
    }
    // An error ends the round; the events not yet visited wait for the next one.
    FApp.Dispatch([this] { Round(); });
}

void TTimerList::Round() {
    const std::uint32_t now = FKernel.GetTickCount();
    bool disabled = false;
    // Longest interval first. Handlers may change the list's state, so walk a copy.
    const std::vector<TTimerEvent*> events = FEvents;
    for (auto it = events.rbegin(); it != events.rend(); ++it) {
        TTimerEvent& e = **it;
        if (!e.FEnabled) continue;
        const std::int64_t elapsed = static_cast<std::uint32_t>(now - e.FLastRun);
        if (elapsed < e.FInterval - kTolerance) continue;
        e.FLastRun = now;
        ++e.FRunCount;
        e.FEnabled = e.Cycled || e.FRunCount < e.RepeatCount;
        if (!e.FEnabled) disabled = true;
        if (e.OnTimer) e.OnTimer();
        if (OnTimers) OnTimers(e.FHandle);
    }
    if (!disabled || !FActive) return;
    if (std::any_of(FEvents.begin(), FEvents.end(), [](const TTimerEvent* ev) { return ev->FEnabled; })) {
        CalculatePeriod();
        UpdateTimer();
    } else {
        SetActive(false);
    }
}
