#pragma once
// The timer list: several timed events served by one system timer on a hidden
// window. The timer's period is the largest step that fits every interval and the
// time left to the next due event, so one WM_TIMER stream drives all periodic work.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/kernel.h"
#include "platform/user.h"
#include "ui/Application.h"
#include "ui/Component.h"
#include "ui/Controls.h"

class TTimerList;

class TTimerEvent : public TComponent {
public:
    TTimerEvent(std::string name, int interval, bool enabled)
        : TComponent(std::move(name)), FInterval(interval), FEnabled(enabled) {}
    ~TTimerEvent() override;

    int Interval() const { return FInterval; }
    // A new interval makes the list recompute its period.
    void SetInterval(int value);
    bool Enabled() const { return FEnabled; }
    // Enabling restarts the event's count and measures its interval from now.
    void SetEnabled(bool value);

    bool Cycled = true;
    int RepeatCount = 0;
    TNotifyEvent OnTimer;

    int Handle() const { return FHandle; }
    int RunCount() const { return FRunCount; }
    std::uint32_t LastRun() const { return FLastRun; }

private:
    friend class TTimerList;
    int FInterval;
    bool FEnabled;
    int FHandle = 0;
    int FRunCount = 0;
    std::uint32_t FLastRun = 0;
    TTimerList* FList = nullptr;
};

class TTimerList : public TComponent {
public:
    TTimerList(std::string name, plat::IUser& user, plat::IKernel& kernel, TApplication& app);
    ~TTimerList() override;

    // Joins an event: it gets the next handle, and the list is re-sorted by interval.
    void Add(TTimerEvent& event);

    bool Active() const { return FActive; }
    void SetActive(bool value);

    // Sorted by interval (equal intervals keep their joining order).
    const std::vector<TTimerEvent*>& Events() const { return FEvents; }
    // The system timer's period in ms; 0 when nothing is due.
    int Period() const { return FPeriod; }
    plat::Hwnd WindowHandle() const { return FWnd; }

    TNotifyEvent OnFinish;
    std::function<void(int handle)> OnTimers;

private:
    friend class TTimerEvent;
    void EventChanged();
    void CalculatePeriod();
    void UpdateTimer();
    void Sort();
    void Timer();
    void Round();

    plat::IUser& FUser;
    plat::IKernel& FKernel;
    TApplication& FApp;
    std::vector<TTimerEvent*> FEvents;
    bool FActive = false;
    int FPeriod = 0;
    int FSequence = 0;
    plat::Hwnd FWnd = 0;
};
