#pragma once
// Virtual time shared by the families: a tick count and a local clock that move
// only when a test (or Sleep) moves them, so timing-dependent behaviour is exact.
#include <cstdint>
#include <mutex>

#include "platform/types.h"

namespace sim {

class SimClock {
public:
    SimClock();

    // Milliseconds of virtual time since the simulation started.
    std::uint64_t Now() const;
    void AdvanceTo(std::uint64_t ms);  // never moves backwards
    void Advance(std::uint64_t ms);

    // GetTickCount: wraps at 2^32 like Windows'.
    std::uint32_t TickCount() const;
    void SetTickCount(std::uint32_t tick);

    // The local clock; dayOfWeek is computed (0 = Sunday), milliseconds kept.
    plat::SystemTime LocalTime() const;
    void SetLocalTime(int year, int month, int day, int hour, int minute, int second, int ms = 0);

    // Calendar helpers (proleptic Gregorian).
    static std::int64_t DaysFromCivil(int year, int month, int day);
    static plat::SystemTime FromMilliseconds(std::int64_t msSinceEpoch1970);

private:
    mutable std::mutex mu_;
    std::uint64_t now_ = 0;
    std::uint32_t tickAtZero_ = 0;
    std::int64_t localAtZero_ = 0;  // ms since 1970 at Now() == 0
};

}  // namespace sim
