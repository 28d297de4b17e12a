#include "app/ClockFormat.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/sim/SimWindows.h"

namespace {

// dayOfWeek is left at 0 on purpose: the weekday must come from the date.
plat::SystemTime At(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    plat::SystemTime t;
    t.year = year;
    t.month = month;
    t.day = day;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    t.milliseconds = ms;
    return t;
}

// Monday 7 December 2026, 14:05:09.
const plat::SystemTime kAfternoon = At(2026, 12, 7, 14, 5, 9, 42);

// An en-US locale as ReadClockLocale builds it, written out so the pattern tests
// do not depend on the simulated kernel.
TClockLocale EnUs() {
    TClockLocale l;
    l.shortDateFormat = "M/d/yyyy";
    l.longDateFormat = "dddd, MMMM d, yyyy";
    l.shortTimeFormat = "h:mm ampm";
    l.longTimeFormat = "h:mm:ss ampm";
    l.longMonthNames = {"January", "February", "March",     "April",   "May",      "June",
                        "July",    "August",   "September", "October", "November", "December"};
    l.shortMonthNames = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    l.longDayNames = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    l.shortDayNames = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    l.eraName = "A.D.";
    return l;
}

std::string Fmt(const std::string& pattern, const plat::SystemTime& t = kAfternoon,
                const TClockLocale& locale = EnUs()) {
    return FormatClockPattern(pattern, t, locale);
}

// ---------------------------------------------------------------------------------------

TEST(ClockFormatPatterns, TheWindowsDesignPatterns) {
    EXPECT_EQ(Fmt("'Today is: ' dd.mm.yyyy"), "Today is:  07.12.2026");
    EXPECT_EQ(Fmt("'Time is: ' hh.mm.ss"), "Time is:  14.05.09");
}

TEST(ClockFormatPatterns, DayMonthYearNumbersAndNames) {
    const auto jan3 = At(2005, 1, 3, 8, 0, 0);  // a Monday
    EXPECT_EQ(Fmt("d dd m mm", jan3), "3 03 1 01");
    EXPECT_EQ(Fmt("y yy yyy yyyy", jan3), "05 05 2005 2005");
    EXPECT_EQ(Fmt("yyyy yy", At(987, 6, 1, 0, 0, 1)), "0987 87");
    EXPECT_EQ(Fmt("ddd dddd aaa aaaa"), "Mon Monday Mon Monday");
    EXPECT_EQ(Fmt("mmm mmmm mmmmmm"), "Dec December December");
    EXPECT_EQ(Fmt("e ee g gg"), "2026 2026 A.D. A.D.");
    EXPECT_EQ(Fmt("e", At(33, 1, 1, 1, 0, 0)), "33");  // the era year has no padding
}

TEST(ClockFormatPatterns, WeekdayComesFromTheDate) {
    EXPECT_EQ(Fmt("dddd", At(2000, 2, 29, 12, 0, 0)), "Tuesday");  // leap day of a 400-year
    EXPECT_EQ(Fmt("dddd", At(1900, 3, 1, 12, 0, 0)), "Thursday");  // after a skipped leap day
    EXPECT_EQ(Fmt("aaaa", At(2026, 12, 6, 12, 0, 0)), "Sunday");
    EXPECT_EQ(Fmt("ddd", At(2026, 12, 12, 12, 0, 0)), "Sat");
}

TEST(ClockFormatPatterns, TimeFields) {
    const auto early = At(2026, 1, 2, 3, 4, 5, 7);
    EXPECT_EQ(Fmt("h hh hhh", early), "3 03 03");
    EXPECT_EQ(Fmt("n nn nnn s ss sss", early), "4 04 04 5 05 05");
    EXPECT_EQ(Fmt("z zz zzz zzzz", early), "7 7 007 007");
    EXPECT_EQ(Fmt("zzz", At(2026, 1, 2, 3, 4, 5, 999)), "999");
}

TEST(ClockFormatPatterns, LettersInEitherCase) {
    EXPECT_EQ(Fmt("DD.MM.YYYY HH:NN:SS"), "07.12.2026 14:05:09");
    EXPECT_EQ(Fmt("Dd dDdD AAA"), "07 Monday Mon");
    EXPECT_EQ(Fmt("HH:MM"), "14:05");
}

TEST(ClockFormatPatterns, OtherCharactersStandForThemselves) {
    EXPECT_EQ(Fmt("[x-b!] q"), "[x-b!] q");
    EXPECT_EQ(Fmt("a aa ab"), "a aa ab");  // too short for a day name or am/pm
    EXPECT_EQ(Fmt("aaaaa"), "Mondaya");
    EXPECT_EQ(Fmt("\xC3\xA9t\xC3\xA9"),
              "\xC3\xA9"
              "2:05 PM"
              "\xC3\xA9");  // é t é
}

// ---------------------------------------------------------------------------------------

TEST(ClockFormatMonthOrMinutes, MinutesRightAfterAnHour) {
    EXPECT_EQ(Fmt("hh.mm.ss"), "14.05.09");
    EXPECT_EQ(Fmt("dd.mm.yyyy"), "07.12.2026");
    EXPECT_EQ(Fmt("h:m"), "14:5");
    EXPECT_EQ(Fmt("m/d h"), "12/7 14");
}

TEST(ClockFormatMonthOrMinutes, QuotedLettersDoNotCount) {
    EXPECT_EQ(Fmt("hh 'h' mm"), "14 h 05");
    EXPECT_EQ(Fmt("hh \"d\" mm"), "14 d 05");
    EXPECT_EQ(Fmt("dd 'h' mm"), "07 h 12");
}

TEST(ClockFormatMonthOrMinutes, TheNearestPatternLetterDecides) {
    EXPECT_EQ(Fmt("hh yy mm"), "14 26 12");
    EXPECT_EQ(Fmt("hh:mm mm"), "14:05 12");     // the nearest letter is the first mm
    EXPECT_EQ(Fmt("hh am/pm mm"), "02 pm 12");  // am/pm stands between
    EXPECT_EQ(Fmt("hh x mm"), "14 x 05");       // x is no pattern letter
    EXPECT_EQ(Fmt("hh:mmm"), "14:Dec");         // names are always months
}

// ---------------------------------------------------------------------------------------

TEST(ClockFormatTwelveHour, AmPmKeepsTheCaseAsWritten) {
    EXPECT_EQ(Fmt("hh.mm am/pm"), "02.05 pm");
    EXPECT_EQ(Fmt("hh.mm AM/PM"), "02.05 PM");
    EXPECT_EQ(Fmt("hh.mm Am/pM"), "02.05 pM");
    EXPECT_EQ(Fmt("hh.mm Am/pM", At(2026, 12, 7, 9, 5, 0)), "09.05 Am");
    EXPECT_EQ(Fmt("h a/p"), "2 p");
    EXPECT_EQ(Fmt("h A/p", At(2026, 12, 7, 9, 5, 0)), "9 A");
}

TEST(ClockFormatTwelveHour, NoonAndMidnight) {
    EXPECT_EQ(Fmt("h am/pm", At(2026, 12, 7, 12, 0, 0)), "12 pm");
    EXPECT_EQ(Fmt("hh am/pm", At(2026, 12, 7, 0, 30, 0)), "12 am");
    EXPECT_EQ(Fmt("h a/p", At(2026, 12, 7, 0, 0, 1)), "12 a");
    EXPECT_EQ(Fmt("h am/pm", At(2026, 12, 7, 23, 0, 0)), "11 pm");
    EXPECT_EQ(Fmt("h am/pm", At(2026, 12, 7, 11, 0, 0)), "11 am");
    EXPECT_EQ(Fmt("h", At(2026, 12, 7, 0, 0, 1)), "0");  // the 24-hour clock without am/pm
    EXPECT_EQ(Fmt("hh", At(2026, 12, 7, 23, 0, 0)), "23");
}

TEST(ClockFormatTwelveHour, AmpmGivesTheLocaleStrings) {
    TClockLocale de = EnUs();
    de.timeAMString = "vorm.";
    de.timePMString = "nachm.";
    EXPECT_EQ(Fmt("h ampm", kAfternoon, de), "2 nachm.");
    EXPECT_EQ(Fmt("h AMPM", At(2026, 12, 7, 0, 15, 0), de), "12 vorm.");
    // The designator is a word, not a pattern: the M of "AM" stays an M.
    EXPECT_EQ(Fmt("ampm", At(2026, 12, 7, 8, 0, 0)), "AM");
}

TEST(ClockFormatTwelveHour, OnlyTheFirstUnquotedAUpToTheNextHourCounts) {
    EXPECT_EQ(Fmt("h 'am/pm'"), "14 am/pm");     // quoted: text, and 24-hour
    EXPECT_EQ(Fmt("h \"a\" am/pm"), "2 a pm");   // the quoted a is skipped
    EXPECT_EQ(Fmt("h h am/pm"), "14 2 pm");      // another h comes first
    EXPECT_EQ(Fmt("h 'h' am/pm"), "2 h pm");     // a quoted h does not stop the search
    EXPECT_EQ(Fmt("h aaa am/pm"), "14 Mon pm");  // the first a begins a day name
    EXPECT_EQ(Fmt("h :nn a/p"), "2 :05 p");
    EXPECT_EQ(Fmt("hh:nn 'x"), "14:05 x");  // unterminated quote ends the search
}

// ---------------------------------------------------------------------------------------

TEST(ClockFormatQuotes, QuotedTextIsCopied) {
    EXPECT_EQ(Fmt("'dd mm yy hh' dd"), "dd mm yy hh 07");
    EXPECT_EQ(Fmt("\"c t am/pm\""), "c t am/pm");
    EXPECT_EQ(Fmt("\"it's\" d"), "it's 7");  // the other quote is plain text inside
    EXPECT_EQ(Fmt("'say \"hi\"'"), "say \"hi\"");
    EXPECT_EQ(Fmt("'a/b:c'"), "a/b:c");  // no separators in quoted text
    EXPECT_EQ(Fmt("''d\"\""), "7");
}

TEST(ClockFormatQuotes, AnUnterminatedQuoteTakesTheRestAsText) {
    EXPECT_EQ(Fmt("d 'hh mm"), "7 hh mm");
    EXPECT_EQ(Fmt("d \"hh mm"), "7 hh mm");
    EXPECT_EQ(Fmt("d '"), "7 ");
    // The pattern's bytes end before the quote would close.
    const std::string buffer = "yyyy 'abc'";
    EXPECT_EQ(Fmt(buffer.substr(0, 8)), "2026 ab");
}

// ---------------------------------------------------------------------------------------

TEST(ClockFormatLocalePatterns, SeparatorsComeFromTheLocale) {
    TClockLocale l = EnUs();
    l.dateSeparator = "-";
    l.timeSeparator = ".";
    EXPECT_EQ(Fmt("d/m/yyyy hh:mm:ss", kAfternoon, l), "7-12-2026 14.05.09");
    EXPECT_EQ(Fmt("h am/pm", kAfternoon, l), "2 pm");  // the slash of am/pm is no separator
    EXPECT_EQ(Fmt("c", kAfternoon, l), "12-7-2026 2.05.09 PM");
    l.dateSeparator = " / ";
    EXPECT_EQ(Fmt("d/m", kAfternoon, l), "7 / 12");
}

TEST(ClockFormatLocalePatterns, CAndAnEmptyPattern) {
    EXPECT_EQ(Fmt("c"), "12/7/2026 2:05:09 PM");
    EXPECT_EQ(Fmt(""), "12/7/2026 2:05:09 PM");
    EXPECT_EQ(Fmt("", At(2026, 12, 7, 0, 0, 0)), "12/7/2026");
    EXPECT_EQ(Fmt("c", At(2026, 12, 7, 0, 0, 0, 500)), "12/7/2026");  // milliseconds do not count
    EXPECT_EQ(Fmt("", At(2026, 12, 7, 0, 0, 1)), "12/7/2026 12:00:01 AM");
    EXPECT_EQ(Fmt("", At(2026, 12, 7, 0, 1, 0)), "12/7/2026 12:01:00 AM");
    EXPECT_EQ(Fmt("[c]"), "[12/7/2026 2:05:09 PM]");
}

TEST(ClockFormatLocalePatterns, LocaleDatesAndTimes) {
    EXPECT_EQ(Fmt("ddddd"), "12/7/2026");
    EXPECT_EQ(Fmt("dddddd"), "Monday, December 7, 2026");
    EXPECT_EQ(Fmt("ddddddddd"), "Monday, December 7, 2026");
    EXPECT_EQ(Fmt("t"), "2:05 PM");
    EXPECT_EQ(Fmt("tt"), "2:05:09 PM");
    EXPECT_EQ(Fmt("t", At(2026, 12, 7, 9, 5, 0)), "9:05 AM");

    TClockLocale de = EnUs();
    de.dateSeparator = ".";
    de.shortDateFormat = "dd.MM.yyyy";
    de.longDateFormat = "dddd, d. MMMM yyyy";
    de.shortTimeFormat = "hh:mm";
    de.longTimeFormat = "hh:mm:ss";
    EXPECT_EQ(Fmt("c", At(2026, 12, 7, 9, 5, 3), de), "07.12.2026 09:05:03");
    EXPECT_EQ(Fmt("dddddd tt", kAfternoon, de), "Monday, 7. December 2026 14:05:09");
    // A locale format's own letters follow their own neighbours: in "h:mm" the mm are
    // minutes even after a pattern whose last letter was a d.
    EXPECT_EQ(Fmt("dd t", kAfternoon, de), "07 14:05");
}

TEST(ClockFormatLocalePatterns, NestingStopsAtTheSecondLevel) {
    TClockLocale l = EnUs();
    l.shortDateFormat = "c";
    EXPECT_EQ(Fmt("c", kAfternoon, l), " 2:05:09 PM");  // the inner c is left out
    EXPECT_EQ(Fmt("ddddd", kAfternoon, l), "");

    l = EnUs();
    l.shortDateFormat = "<ddddd|dddddd|t|tt|c|d>";
    l.longDateFormat = "{ddddd}";
    l.longTimeFormat = "(tt)";
    EXPECT_EQ(Fmt("ddddd", kAfternoon, l), "<|||||7>");
    EXPECT_EQ(Fmt("dddddd", kAfternoon, l), "{}");
    EXPECT_EQ(Fmt("c", kAfternoon, l), "<|||||7> ()");
    // An era name or designator is copied at any depth.
    l.longTimeFormat = "g ampm";
    EXPECT_EQ(Fmt("tt", kAfternoon, l), "A.D. PM");
}

// ---------------------------------------------------------------------------------------

TEST(ClockFormatLimits, TheResultIsCutAt256) {
    EXPECT_EQ(Fmt(std::string(300, 'x')), std::string(256, 'x'));
    EXPECT_EQ(Fmt(std::string(256, 'x')), std::string(256, 'x'));
    EXPECT_EQ(Fmt("'" + std::string(1000, 'q') + "'"), std::string(256, 'q'));

    std::string pattern, expected;
    for (int i = 0; i < 60; ++i) {
        pattern += "dddd ";
        expected += "Monday ";
    }
    EXPECT_EQ(Fmt(pattern), expected.substr(0, 256));

    TClockLocale l = EnUs();
    l.longMonthNames[11] = std::string(400, 'M');
    EXPECT_EQ(Fmt("d mmmm", kAfternoon, l), "7 " + std::string(254, 'M'));
    l.timeSeparator = std::string(100, ':');
    EXPECT_EQ(Fmt("ct:t:t", kAfternoon, l).size(), 256u);
}

TEST(ClockFormatLimits, NoCharacterIsCutInTwo) {
    const std::string eAcute = "\xC3\xA9";
    std::string pattern = "x", expected = "x";
    for (int i = 0; i < 200; ++i) pattern += eAcute;
    for (int i = 0; i < 127; ++i) expected += eAcute;
    EXPECT_EQ(Fmt(pattern), expected);  // 255 bytes: the 128th é would straddle the limit

    std::string even;
    for (int i = 0; i < 200; ++i) even += eAcute;
    EXPECT_EQ(Fmt(even).size(), 256u);
}

// ---------------------------------------------------------------------------------------

class ClockFormatLocale : public ::testing::Test {
protected:
    sim::SimWindows win;
};

TEST_F(ClockFormatLocale, ReadsNamesSundayFirst) {
    const TClockLocale l = ReadClockLocale(win.Kernel());
    EXPECT_EQ(l.longDayNames[0], "Sunday");
    EXPECT_EQ(l.longDayNames[1], "Monday");
    EXPECT_EQ(l.longDayNames[6], "Saturday");
    EXPECT_EQ(l.shortDayNames[0], "Sun");
    EXPECT_EQ(l.shortDayNames[6], "Sat");
    EXPECT_EQ(l.longMonthNames[0], "January");
    EXPECT_EQ(l.longMonthNames[11], "December");
    EXPECT_EQ(l.shortMonthNames[8], "Sep");
    EXPECT_EQ(l.dateSeparator, "/");
    EXPECT_EQ(l.timeSeparator, ":");
    EXPECT_EQ(l.timeAMString, "AM");
    EXPECT_EQ(l.timePMString, "PM");
    EXPECT_EQ(l.eraName, "A.D.");

    EXPECT_EQ(FormatClockPattern("dddd ddd mmmm mmm", At(2026, 12, 6, 1, 0, 0), l),
              "Sunday Sun December Dec");
}

TEST_F(ClockFormatLocale, TimeFormatsFollowTheClockAndLeadingZeroChoices) {
    TClockLocale l = ReadClockLocale(win.Kernel());
    EXPECT_EQ(l.shortDateFormat, "M/d/yyyy");
    EXPECT_EQ(l.longDateFormat, "dddd, MMMM d, yyyy");
    EXPECT_EQ(l.shortTimeFormat, "h:mm ampm");
    EXPECT_EQ(l.longTimeFormat, "h:mm:ss ampm");
    EXPECT_EQ(FormatClockPattern("", kAfternoon, l), "12/7/2026 2:05:09 PM");
    EXPECT_EQ(FormatClockPattern("dddddd", kAfternoon, l), "Monday, December 7, 2026");

    win.Kernel().SetLocaleInfo(sim::LOCALE_ITIME, "1");
    win.Kernel().SetLocaleInfo(sim::LOCALE_ITLZERO, "1");
    l = ReadClockLocale(win.Kernel());
    EXPECT_EQ(l.shortTimeFormat, "hh:mm");
    EXPECT_EQ(l.longTimeFormat, "hh:mm:ss");
    EXPECT_EQ(FormatClockPattern("t|tt", At(2026, 12, 7, 9, 5, 3), l), "09:05|09:05:03");

    win.Kernel().SetLocaleInfo(sim::LOCALE_ITIME, "0");
    l = ReadClockLocale(win.Kernel());
    EXPECT_EQ(FormatClockPattern("tt", At(2026, 12, 7, 0, 5, 3), l), "12:05:03 AM");
}

TEST_F(ClockFormatLocale, AGermanLocale) {
    auto& k = win.Kernel();
    k.SetLocaleInfo(sim::LOCALE_SDATE, ".");
    k.SetLocaleInfo(sim::LOCALE_STIME, ":");
    k.SetLocaleInfo(sim::LOCALE_SSHORTDATE, "dd.MM.yyyy");
    k.SetLocaleInfo(sim::LOCALE_SLONGDATE, "dddd, d. MMMM yyyy");
    k.SetLocaleInfo(sim::LOCALE_ITIME, "1");
    k.SetLocaleInfo(sim::LOCALE_ITLZERO, "1");
    k.SetLocaleInfo(sim::LOCALE_S1159, "");
    k.SetLocaleInfo(sim::LOCALE_S2359, "");
    k.SetLocaleInfo(sim::LOCALE_SDAYNAME1, "Montag");
    k.SetLocaleInfo(sim::LOCALE_SDAYNAME1 + 6, "Sonntag");
    k.SetLocaleInfo(sim::LOCALE_SABBREVDAYNAME1 + 6, "So");
    k.SetLocaleInfo(sim::LOCALE_SMONTHNAME1 + 11, "Dezember");
    k.SetLocaleInfo(sim::LOCALE_SABBREVMONTHNAME1 + 2, "M\xC3\xA4r");
    const TClockLocale l = ReadClockLocale(k);
    EXPECT_EQ(l.longDayNames[0], "Sonntag");
    EXPECT_EQ(l.shortDayNames[0], "So");
    EXPECT_EQ(l.longDayNames[1], "Montag");
    EXPECT_EQ(l.shortMonthNames[2], "M\xC3\xA4r");
    EXPECT_EQ(l.timeAMString, "");

    EXPECT_EQ(FormatClockPattern("c", At(2026, 12, 7, 9, 5, 3), l), "07.12.2026 09:05:03");
    EXPECT_EQ(FormatClockPattern("dddddd", kAfternoon, l), "Montag, 7. Dezember 2026");
    EXPECT_EQ(FormatClockPattern("d/m/yy", kAfternoon, l), "7.12.26");
}

TEST_F(ClockFormatLocale, SeparatorsFromTheLocale) {
    win.Kernel().SetLocaleInfo(sim::LOCALE_SDATE, "-");
    win.Kernel().SetLocaleInfo(sim::LOCALE_STIME, ".");
    const TClockLocale l = ReadClockLocale(win.Kernel());
    EXPECT_EQ(FormatClockPattern("d/m h:n:s", kAfternoon, l), "7-12 14.5.9");
    EXPECT_EQ(FormatClockPattern("c", kAfternoon, l), "12-7-2026 2.05.09 PM");
}

TEST_F(ClockFormatLocale, AFailingLocaleKeepsTheSeparatorsAndStillFormats) {
    win.SetFailing("GetLocaleInfo", true);
    const TClockLocale l = ReadClockLocale(win.Kernel());
    win.SetFailing("GetLocaleInfo", false);
    EXPECT_EQ(l.dateSeparator, "/");
    EXPECT_EQ(l.timeSeparator, ":");
    EXPECT_EQ(FormatClockPattern("dd/mm hh:mm dddd", kAfternoon, l), "07/12 14:05 ");
    EXPECT_EQ(FormatClockPattern("", kAfternoon, l), " 2:05:09 ");
}

}  // namespace
