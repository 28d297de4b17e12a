#include "app/ClockFormat.h"

#include <cstdint>
#include <string_view>
#include <utility>

namespace {

// GetLocaleInfo LCTYPEs (Win32 values).
constexpr std::uint32_t kLocaleSDate = 0x1D;       // LOCALE_SDATE
constexpr std::uint32_t kLocaleSTime = 0x1E;       // LOCALE_STIME
constexpr std::uint32_t kLocaleSShortDate = 0x1F;  // LOCALE_SSHORTDATE
constexpr std::uint32_t kLocaleSLongDate = 0x20;   // LOCALE_SLONGDATE
constexpr std::uint32_t kLocaleITime = 0x23;       // LOCALE_ITIME: "1" is the 24-hour clock
constexpr std::uint32_t kLocaleITLZero = 0x25;     // LOCALE_ITLZERO: "1" is a leading zero
constexpr std::uint32_t kLocaleS1159 = 0x28;       // LOCALE_S1159
constexpr std::uint32_t kLocaleS2359 = 0x29;       // LOCALE_S2359
constexpr std::uint32_t kLocaleSDayName1 = 0x2A;   // LOCALE_SDAYNAME1, Monday
constexpr std::uint32_t kLocaleSAbbrevDayName1 = 0x31;
constexpr std::uint32_t kLocaleSMonthName1 = 0x38;
constexpr std::uint32_t kLocaleSAbbrevMonthName1 = 0x44;

// The program knows the Gregorian calendar only, and IKernel has no calendar
// information to name its era from.
constexpr const char* kGregorianEraName = "A.D.";

// The user's pattern is level 1; a locale format met in it is level 2. A locale
// format met inside that one would be level 3 and is left out, which is what
// stops a locale whose short date says "c" from expanding forever.
constexpr int kMaxPatternLevel = 2;

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// True when `text` at `pos` starts with `word` (lower case), in either case.
bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view word) {
    if (text.size() - pos < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i)
        if (Lower(text[pos + i]) != word[i]) return false;
    return true;
}

long long FloorDiv(long long a, long long b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

// 0 = Sunday, proleptic Gregorian; the caller's dayOfWeek only when the month is
// no month at all.
int WeekDay(const plat::SystemTime& t) {
    if (t.month < 1 || t.month > 12) return t.dayOfWeek;
    static constexpr int kMonthOffset[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    const long long y = static_cast<long long>(t.year) - (t.month < 3 ? 1 : 0);
    const long long w =
        y + FloorDiv(y, 4) - FloorDiv(y, 100) + FloorDiv(y, 400) + kMonthOffset[t.month - 1] + t.day;
    return static_cast<int>(((w % 7) + 7) % 7);
}

template <std::size_t N>
const std::string& NameAt(const std::array<std::string, N>& names, long long index) {
    static const std::string none;
    return index >= 0 && index < static_cast<long long>(N) ? names[static_cast<std::size_t>(index)] : none;
}

class TClockWriter {
public:
    TClockWriter(const plat::SystemTime& time, const TClockLocale& locale) : FTime(time), FLocale(locale) {}

    void Format(std::string_view pattern, int level);
    std::string Result();

private:
    // One byte beyond the limit is kept so that Result() can tell whether the
    // cut falls inside a multi-byte character.
    bool Full() const { return FText.size() > kMaxClockTextLength; }
    void Append(std::string_view text) {
        const std::size_t room = kMaxClockTextLength + 1 - FText.size();
        FText.append(text.substr(0, room < text.size() ? room : text.size()));
    }
    void AppendNumber(long long value, int digits);
    // A locale format, as a pattern one level further down.
    void Nested(const std::string& format, int level) {
        if (level < kMaxPatternLevel) Format(format, level + 1);
    }
    bool TwelveHourAhead(std::string_view pattern, std::size_t pos) const;
    bool AppendAToken(std::string_view pattern, std::size_t& pos);

    const plat::SystemTime& FTime;
    const TClockLocale& FLocale;
    std::string FText;
};

void TClockWriter::AppendNumber(long long value, int digits) {
    const bool negative = value < 0;
    unsigned long long magnitude =
        negative ? 0ull - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    char buffer[24];
    char* first = buffer + sizeof buffer;
    do {
        *--first = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    while (buffer + sizeof buffer - first < digits) *--first = '0';
    if (negative) *--first = '-';
    Append(std::string_view(first, static_cast<std::size_t>(buffer + sizeof buffer - first)));
}

// Whether an hour at `pos` is on the 12-hour clock: the first unquoted "a" after
// it, before any further unquoted "h", must begin am/pm, a/p or ampm.
bool TClockWriter::TwelveHourAhead(std::string_view pattern, std::size_t pos) const {
    while (pos < pattern.size()) {
        const char c = pattern[pos];
        if (c == '\'' || c == '"') {
            const std::size_t close = pattern.find(c, pos + 1);
            if (close == std::string_view::npos) return false;
            pos = close + 1;
            continue;
        }
        const char lc = Lower(c);
        if (lc == 'h') return false;
        if (lc == 'a')
            return StartsWithNoCase(pattern, pos, "am/pm") || StartsWithNoCase(pattern, pos, "a/p") ||
                   StartsWithNoCase(pattern, pos, "ampm");
        ++pos;
    }
    return false;
}

// The patterns beginning with "a"; false (nothing consumed) for a plain letter a.
bool TClockWriter::AppendAToken(std::string_view pattern, std::size_t& pos) {
    const bool morning = FTime.hour < 12;
    if (StartsWithNoCase(pattern, pos, "am/pm")) {
        // The two letters as written, so "AM/PM" gives "PM" and "am/pm" gives "pm".
        Append(pattern.substr(morning ? pos : pos + 3, 2));
        pos += 5;
    } else if (StartsWithNoCase(pattern, pos, "a/p")) {
        Append(pattern.substr(morning ? pos : pos + 2, 1));
        pos += 3;
    } else if (StartsWithNoCase(pattern, pos, "ampm")) {
        // The designators, like the era name, are words rather than formats: read
        // as a pattern, the "M" of "AM" would become a month.
        Append(morning ? FLocale.timeAMString : FLocale.timePMString);
        pos += 4;
    } else if (StartsWithNoCase(pattern, pos, "aaaa")) {
        Append(NameAt(FLocale.longDayNames, WeekDay(FTime)));
        pos += 4;
    } else if (StartsWithNoCase(pattern, pos, "aaa")) {
        Append(NameAt(FLocale.shortDayNames, WeekDay(FTime)));
        pos += 3;
    } else {
        return false;
    }
    return true;
}

void TClockWriter::Format(std::string_view pattern, int level) {
    // The latest pattern letter seen in this pattern (lower case), for telling
    // minutes from months; quoted text and plain characters leave it alone.
    char lastLetter = 0;
    std::size_t pos = 0;
    while (pos < pattern.size() && !Full()) {
        const char c = pattern[pos];
        const char lc = Lower(c);
        // A run of the same pattern letter, in either case, is one pattern ("Dd" is
        // "dd"). Counted only for those letters, so that a long run of anything
        // else costs no more than its length.
        std::size_t count = 1;
        if (std::string_view("cdegmyhnszt").find(lc) != std::string_view::npos)
            while (pos + count < pattern.size() && Lower(pattern[pos + count]) == lc) ++count;

        switch (lc) {
            case '\'':
            case '"': {
                // An unclosed quote takes the rest of the pattern as text.
                const std::size_t close = pattern.find(c, pos + 1);
                const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
                Append(pattern.substr(pos + 1, end - pos - 1));
                pos = close == std::string_view::npos ? pattern.size() : close + 1;
                continue;
            }
            case '/':
                Append(FLocale.dateSeparator);
                ++pos;
                continue;
            case ':':
                Append(FLocale.timeSeparator);
                ++pos;
                continue;
            case 'a':
                if (AppendAToken(pattern, pos)) {
                    lastLetter = 'a';
                } else {
                    Append(pattern.substr(pos, 1));
                    ++pos;
                }
                continue;
            case 'c':
                if (level < kMaxPatternLevel) {
                    Nested(FLocale.shortDateFormat, level);
                    if (FTime.hour != 0 || FTime.minute != 0 || FTime.second != 0) {
                        Append(" ");
                        Nested(FLocale.longTimeFormat, level);
                    }
                }
                break;
            case 'd':
                if (count <= 2)
                    AppendNumber(FTime.day, static_cast<int>(count));
                else if (count == 3)
                    Append(NameAt(FLocale.shortDayNames, WeekDay(FTime)));
                else if (count == 4)
                    Append(NameAt(FLocale.longDayNames, WeekDay(FTime)));
                else if (count == 5)
                    Nested(FLocale.shortDateFormat, level);
                else
                    Nested(FLocale.longDateFormat, level);
                break;
            case 'e':
                // Gregorian only: the era's year is the year.
                AppendNumber(FTime.year, 1);
                break;
            case 'g':
                Append(FLocale.eraName);
                break;
            case 'm':
                if (count <= 2 && lastLetter == 'h')
                    AppendNumber(FTime.minute, static_cast<int>(count));
                else if (count <= 2)
                    AppendNumber(FTime.month, static_cast<int>(count));
                else if (count == 3)
                    Append(NameAt(FLocale.shortMonthNames, FTime.month - 1LL));
                else
                    Append(NameAt(FLocale.longMonthNames, FTime.month - 1LL));
                break;
            case 'y':
                if (count <= 2)
                    AppendNumber(((FTime.year % 100) + 100) % 100, 2);
                else
                    AppendNumber(FTime.year, 4);
                break;
            case 'h': {
                int hour = FTime.hour;
                if (TwelveHourAhead(pattern, pos + count)) {
                    if (hour == 0)
                        hour = 12;
                    else if (hour > 12)
                        hour -= 12;
                }
                AppendNumber(hour, count >= 2 ? 2 : 1);
                break;
            }
            case 'n':
                AppendNumber(FTime.minute, count >= 2 ? 2 : 1);
                break;
            case 's':
                AppendNumber(FTime.second, count >= 2 ? 2 : 1);
                break;
            case 'z':
                AppendNumber(FTime.milliseconds, count >= 3 ? 3 : 1);
                break;
            case 't':
                Nested(count == 1 ? FLocale.shortTimeFormat : FLocale.longTimeFormat, level);
                break;
            default:
                Append(pattern.substr(pos, 1));
                ++pos;
                continue;
        }
        // Only pattern letters get here; the whole run is consumed.
        lastLetter = lc;
        pos += count;
    }
}

std::string TClockWriter::Result() {
    if (FText.size() > kMaxClockTextLength) {
        // Back off to the start of a UTF-8 character cut in two by the limit.
        auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
        std::size_t cut = kMaxClockTextLength;
        while (cut > kMaxClockTextLength - 3 && continuation(FText[cut])) --cut;
        if (cut == kMaxClockTextLength || static_cast<unsigned char>(FText[cut]) < 0xC0)
            cut = kMaxClockTextLength;  // no character cut in two (or no valid UTF-8 to keep whole)
        FText.resize(cut);
    }
    return std::move(FText);
}

}  // namespace

TClockLocale ReadClockLocale(plat::IKernel& kernel) {
    TClockLocale locale;
    if (std::string s = kernel.GetLocaleInfo(kLocaleSDate); !s.empty()) locale.dateSeparator = s;
    if (std::string s = kernel.GetLocaleInfo(kLocaleSTime); !s.empty()) locale.timeSeparator = s;

    // The system's date formats read the same here (d, M, y, g, quoted text).
    locale.shortDateFormat = kernel.GetLocaleInfo(kLocaleSShortDate);
    locale.longDateFormat = kernel.GetLocaleInfo(kLocaleSLongDate);

    // The system's time formats ("h:mm:ss tt") cannot be used: there "tt" is the
    // AM/PM designator and "H" the 24-hour clock, while here "tt" is the long time
    // and every h follows am/pm. So they are built from the 12/24-hour and
    // leading-zero choices; ":" stands for the locale's separator.
    const std::string hour = kernel.GetLocaleInfo(kLocaleITLZero) == "1" ? "hh" : "h";
    const std::string designator = kernel.GetLocaleInfo(kLocaleITime) == "1" ? "" : " ampm";
    locale.shortTimeFormat = hour + ":mm" + designator;
    locale.longTimeFormat = hour + ":mm:ss" + designator;

    // Empty on a 24-hour locale, which is how the system says there are none.
    locale.timeAMString = kernel.GetLocaleInfo(kLocaleS1159);
    locale.timePMString = kernel.GetLocaleInfo(kLocaleS2359);

    for (std::uint32_t i = 0; i < 12; ++i) {
        locale.shortMonthNames[i] = kernel.GetLocaleInfo(kLocaleSAbbrevMonthName1 + i);
        locale.longMonthNames[i] = kernel.GetLocaleInfo(kLocaleSMonthName1 + i);
    }
    // The system numbers the days from Monday; the clock's weekday 0 is Sunday.
    for (std::uint32_t day = 0; day < 7; ++day) {
        const std::uint32_t fromMonday = (day + 6) % 7;
        locale.shortDayNames[day] = kernel.GetLocaleInfo(kLocaleSAbbrevDayName1 + fromMonday);
        locale.longDayNames[day] = kernel.GetLocaleInfo(kLocaleSDayName1 + fromMonday);
    }
    locale.eraName = kGregorianEraName;
    return locale;
}

std::string FormatClockPattern(const std::string& pattern, const plat::SystemTime& time,
                               const TClockLocale& locale) {
    TClockWriter writer(time, locale);
    writer.Format(pattern.empty() ? std::string_view("c") : std::string_view(pattern), 1);
    return writer.Result();
}
