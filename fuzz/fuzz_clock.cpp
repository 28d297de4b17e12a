// Formats a clock pattern against a time and a locale taken from the input:
//   bytes 0-8   the date and time, folded into valid ranges
//   then lines  the pattern, then the short date, long date, short time and long
//               time formats of the locale (missing lines keep en-US formats)
// The result must stay within the length limit, and a pattern of quoted plain
// text must come back as that text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/ClockFormat.h"

namespace {

TClockLocale BaseLocale() {
    TClockLocale l;
    l.shortDateFormat = "M/d/yyyy";
    l.longDateFormat = "dddd, MMMM d, yyyy";
    l.shortTimeFormat = "h:mm ampm";
    l.longTimeFormat = "h:mm:ss ampm";
    l.eraName = "A.D.";
    const char* months[] = {"January", "February", "March",     "April",   "May",      "June",
                            "July",    "August",   "September", "October", "November", "December"};
    const char* days[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    for (int i = 0; i < 12; ++i) {
        l.longMonthNames[i] = months[i];
        l.shortMonthNames[i] = std::string(months[i]).substr(0, 3);
    }
    for (int i = 0; i < 7; ++i) {
        l.longDayNames[i] = days[i];
        l.shortDayNames[i] = std::string(days[i]).substr(0, 3);
    }
    return l;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kTimeBytes = 9;
    if (size < kTimeBytes) return 0;
    plat::SystemTime t;
    t.year = 1601 + (data[0] | data[1] << 8) % 8400;  // SYSTEMTIME's range
    t.month = 1 + data[2] % 12;
    t.day = 1 + data[3] % DaysInMonth(t.year, t.month);
    t.hour = data[4] % 24;
    t.minute = data[5] % 60;
    t.second = data[6] % 60;
    t.milliseconds = (data[7] | data[8] << 8) % 1000;
    t.dayOfWeek = data[0] % 7;  // deliberately unrelated to the date

    const std::string input(reinterpret_cast<const char*>(data) + kTimeBytes, size - kTimeBytes);
    TClockLocale locale = BaseLocale();
    std::string* lines[] = {nullptr, &locale.shortDateFormat, &locale.longDateFormat, &locale.shortTimeFormat,
                            &locale.longTimeFormat};
    std::string pattern;
    std::size_t start = 0;
    for (std::string* target : lines) {
        const std::size_t end = input.find('\n', start);
        const std::string line =
            input.substr(start, end == std::string::npos ? std::string::npos : end - start);
        *(target ? target : &pattern) = line;
        if (end == std::string::npos) break;
        start = end + 1;
    }

    const std::string result = FormatClockPattern(pattern, t, locale);
    if (result.size() > kMaxClockTextLength) __builtin_trap();

    // Quoted text without its own quote character is copied, cut at the limit (a
    // short text, so there is no multi-byte character to keep whole at the cut).
    if (pattern.find('\'') == std::string::npos && pattern.size() <= kMaxClockTextLength &&
        FormatClockPattern("'" + pattern + "'", t, locale) != pattern)
        __builtin_trap();
    return 0;
}
