#pragma once
// The timer list: several timed events served by one system timer. The events
// hold their design values here; scheduling them comes with the periodic work.
#include <string>
#include <vector>

#include "ui/Component.h"
#include "ui/Controls.h"

class TRxTimerEvent : public TComponent {
public:
    TRxTimerEvent(std::string name, int interval, bool enabled)
        : TComponent(std::move(name)), Interval(interval), Enabled(enabled) {}
    int Interval;
    bool Enabled;
    bool Cycled = true;
    int RepeatCount = 0;
    TNotifyEvent OnTimer;
};

class TRxTimerList : public TComponent {
public:
    explicit TRxTimerList(std::string name) : TComponent(std::move(name)) {}
    void Add(TRxTimerEvent& event) { Events.push_back(&event); }
    std::vector<TRxTimerEvent*> Events;
    bool Active = true;
};
