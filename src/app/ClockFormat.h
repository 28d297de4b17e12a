#pragma once
// The caption clock's date and time patterns: a small pattern language (d, m, y,
// h, n, s, z, am/pm, quoted text…) formatted against one local time and the
// user's locale. Pure functions; the clock tick reads the locale and the time.
#include <array>
#include <cstddef>
#include <string>

#include "platform/kernel.h"
#include "platform/types.h"

// A formatted clock text never exceeds this many bytes (a multi-byte UTF-8
// character that would straddle the limit is left out whole).
inline constexpr std::size_t kMaxClockTextLength = 256;

// The user's locale as the clock needs it.
struct TClockLocale {
    std::string dateSeparator = "/", timeSeparator = ":";
    std::string shortDateFormat, longDateFormat;  // pattern texts
    std::string shortTimeFormat, longTimeFormat;  // pattern texts (built, see ReadClockLocale)
    std::string timeAMString = "AM", timePMString = "PM";
    std::array<std::string, 12> shortMonthNames, longMonthNames;  // January first
    std::array<std::string, 7> shortDayNames, longDayNames;       // Sunday first
    std::string eraName;                                          // for "g"
};

// Reads the user's locale through GetLocaleInfo. A separator the system does not
// give keeps its default; everything else is taken as the system gives it.
TClockLocale ReadClockLocale(plat::IKernel& kernel);

// Formats `time` with `pattern`; an empty pattern counts as "c". The result is
// cut at kMaxClockTextLength, and formatting stops once it is reached, so any
// pattern takes bounded memory. The weekday comes from the date itself, not
// from time.dayOfWeek. Any pattern and any field values are accepted.
std::string FormatClockPattern(const std::string& pattern, const plat::SystemTime& time,
                               const TClockLocale& locale);
