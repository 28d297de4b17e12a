#include "platform/sim/SimClock.h"

namespace sim {

SimClock::SimClock() {
    // A weekday morning; nothing depends on it except tests that set their own.
    tickAtZero_ = 1000000;
    localAtZero_ = DaysFromCivil(2001, 1, 15) * 86400000LL + 10LL * 3600000LL;
}

std::uint64_t SimClock::Now() const {
    std::lock_guard lock(mu_);
    return now_;
}

void SimClock::AdvanceTo(std::uint64_t ms) {
    std::lock_guard lock(mu_);
    if (ms > now_) now_ = ms;
}

void SimClock::Advance(std::uint64_t ms) {
    std::lock_guard lock(mu_);
    now_ += ms;
}

std::uint32_t SimClock::TickCount() const {
    std::lock_guard lock(mu_);
    return static_cast<std::uint32_t>(tickAtZero_ + now_);
}

void SimClock::SetTickCount(std::uint32_t tick) {
    std::lock_guard lock(mu_);
    tickAtZero_ = static_cast<std::uint32_t>(tick - static_cast<std::uint32_t>(now_));
}

plat::SystemTime SimClock::LocalTime() const {
    std::lock_guard lock(mu_);
    return FromMilliseconds(localAtZero_ + static_cast<std::int64_t>(now_));
}

void SimClock::SetLocalTime(int year, int month, int day, int hour, int minute, int second, int ms) {
    std::int64_t t = DaysFromCivil(year, month, day) * 86400000LL + hour * 3600000LL + minute * 60000LL +
                     second * 1000LL + ms;
    std::lock_guard lock(mu_);
    localAtZero_ = t - static_cast<std::int64_t>(now_);
}

std::int64_t SimClock::DaysFromCivil(int year, int month, int day) {
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t mp = (month + 9) % 12;
    std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

plat::SystemTime SimClock::FromMilliseconds(std::int64_t t) {
    std::int64_t days = t >= 0 ? t / 86400000LL : (t - 86399999LL) / 86400000LL;
    std::int64_t rem = t - days * 86400000LL;
    std::int64_t z = days + 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    std::int64_t doe = z - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    plat::SystemTime st;
    st.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    st.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    st.year = static_cast<int>(yoe + era * 400 + (st.month <= 2 ? 1 : 0));
    st.dayOfWeek = static_cast<int>(((days % 7) + 7 + 4) % 7);
    st.hour = static_cast<int>(rem / 3600000);
    st.minute = static_cast<int>(rem / 60000 % 60);
    st.second = static_cast<int>(rem / 1000 % 60);
    st.milliseconds = static_cast<int>(rem % 1000);
    return st;
}

}  // namespace sim
