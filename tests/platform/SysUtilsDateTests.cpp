// Dates and times: encoding, FormatDateTime, parsing, the clock.

#include <gtest/gtest.h>

#include <cmath>

#include "SysUtils.h"
#include "SysUtilsTests.h"

namespace {

// Pins the clock for a test and restores the system clock after it.
class ClockGuard {
public:
    explicit ClockGuard(TDateTime now) { SetClock([now] { return now; }); }
    ~ClockGuard() { SetClock({}); }
};

TDateTime at(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0, int ms = 0)
{
    return EncodeDate(y, m, d) + EncodeTime(hh, nn, ss, ms);
}

// FormatDateTime of `dt` in each format gives its text.
void expectFormats(TDateTime dt, std::initializer_list<std::pair<const char*, const char*>> rows)
{
    for (const auto& [format, text] : rows) EXPECT_EQ(FormatDateTime(format, dt), text) << format;
}

// Each text parses to its value.
template <class Parse>
void expectParsed(Parse parse, std::initializer_list<std::pair<const char*, TDateTime>> rows)
{
    for (const auto& [text, value] : rows) EXPECT_EQ(parse(text), value) << text;
}

TEST(DateEncoding, DaysSince18991230)
{
    const struct {
        int y, m, d;
        TDateTime value;
    } days[] = {{1899, 12, 30, 0.0}, {1900, 1, 1, 2.0}, {2000, 1, 1, 36526.0}, {1899, 12, 29, -1.0}, {1, 1, 1, -693593.0}, {9999, 12, 31, 2958465.0}};
    for (const auto& r : days) EXPECT_EQ(EncodeDate(r.y, r.m, r.d), r.value) << r.y << '-' << r.m << '-' << r.d;
    EXPECT_EQ(EncodeTime(12, 0, 0, 0), 0.5);
    EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
}

TEST(DateEncoding, InvalidArgumentsRaise)
{
    // 1900 is not a leap year, 2000 is.
    for (const auto& [y, m, d] : {std::tuple{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1}, {10000, 1, 1}, {2020, 13, 1}})
        EXPECT_THROW(EncodeDate(y, m, d), EConvertError) << y << '-' << m << '-' << d;
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    ExpectConvertError([] { EncodeDate(2020, 4, 31); }, "Invalid argument to date encode");
    ExpectConvertError([] { EncodeTime(24, 0, 0, 0); }, "Invalid argument to time encode");
    TDateTime dt;
    EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, dt));
    EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, dt));
}

TEST(DateEncoding, DecodeRoundTripsEveryDay)
{
    // Walks four centuries day by day, across the 100- and 400-year rules.
    int y, m, d;
    int year = 1800, month = 1, day = 1;
    for (TDateTime dt = EncodeDate(1800, 1, 1); dt <= EncodeDate(2201, 1, 1); dt += 1) {
        DecodeDate(dt, y, m, d);
        ASSERT_EQ(y, year);
        ASSERT_EQ(m, month);
        ASSERT_EQ(d, day);
        if (++day > DaysInMonth(year, month)) {
            day = 1;
            if (++month > 12) {
                month = 1;
                ++year;
            }
        }
    }
}

TEST(DateEncoding, NegativeValuesCountTimeForward)
{
    int y, m, d, hh, nn, ss, ms;
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, hh, nn, ss, ms);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
    EXPECT_EQ(hh, 6);
    DecodeDate(-0.75, y, m, d);
    DecodeTime(-0.75, hh, nn, ss, ms);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991230);
    EXPECT_EQ(hh, 18);
    EXPECT_EQ(StrToDateTime("1899-12-29 06:00:00"), -1.25);
}

TEST(DateEncoding, TimeRoundsToMillisecondsWithoutHour24)
{
    int hh, nn, ss, ms;
    DecodeTime(EncodeTime(13, 45, 30, 250), hh, nn, ss, ms);
    EXPECT_EQ(hh, 13);
    EXPECT_EQ(nn, 45);
    EXPECT_EQ(ss, 30);
    EXPECT_EQ(ms, 250);
    // A hair before midnight is the next day's 00:00, never 24:00.
    const TDateTime late = EncodeDate(2026, 12, 6) + 0.99999999999;
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss.zzz", late), "2026-12-07 00:00:00.000");
}

TEST(DateEncoding, DaysFarOutsideTheCalendarAreNoDate)
{
    // Near the ends of the 64-bit range the day count must not overflow.
    for (const TDateTime far : {9.2233720368547e18, -9.2233720368547e18, 1e15, -1e15}) {
        int y = -1, m = -1, d = -1;
        DecodeDate(far, y, m, d);
        EXPECT_EQ(y + m + d, 0) << far;
        EXPECT_NO_THROW(DayOfWeek(far)) << far;
    }
}

TEST(DateEncoding, CalendarHelpers)
{
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // Saturday
    EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 6)), 1);   // Sunday
    EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 25)), 2);  // negative value, Monday
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2023, 2), 28);
    EXPECT_EQ(DaysInMonth(2023, 13), 0);
}

TEST(FormatDateTime, OrderNumberFormat)
{
    const TDateTime dt = at(2026, 12, 6, 14, 5, 9);
    // Upper-case letters work, and "MM" after "HH" means minutes.
    expectFormats(dt, {{"yyyy-mm-dd-HHMMSS", "2026-12-06-140509"}, {"hh:mm", "14:05"}, {"hh 'h' mm", "14 h 05"},
                       {"mm/dd hh:mm mm", "12-06 14:05 12"}, {"hhmmm", "1405"}});
}

TEST(FormatDateTime, Specifiers)
{
    expectFormats(at(2026, 3, 7, 9, 8, 7, 45),
                  {{"d dd m mm yy yyyy y yyy", "7 07 3 03 26 2026 26 2026"}, {"h hh n nn s ss", "9 09 8 08 7 07"},
                   {"z zz zzz", "45 45 045"}, {"e ee gg", "2026 2026 "}, {"ddddd", "2026-03-07"},
                   {"dddddd", "2026\xE5\xB9\xB4" "3\xE6\x9C\x88" "7\xE6\x97\xA5"}, {"t", "09:08"}, {"tt", "09:08:07"},
                   {"yyyy/mm/dd hh:nn", "2026-03-07 09:08"}, {"'yyyy' \"mm\" x", "yyyy mm x"}, {"'open", "open"}});
}

TEST(FormatDateTime, ChineseNames)
{
    const TDateTime dt = at(2026, 12, 6);  // a Sunday
    EXPECT_EQ(FormatDateTime("mmm", dt), "\xE5\x8D\x81\xE4\xBA\x8C\xE6\x9C\x88");                     // 十二月
    EXPECT_EQ(FormatDateTime("mmmm", at(2026, 1, 1)), "\xE4\xB8\x80\xE6\x9C\x88");                    // 一月
    EXPECT_EQ(FormatDateTime("ddd", dt), "\xE6\x98\x9F\xE6\x9C\x9F\xE6\x97\xA5");                     // 星期日
    EXPECT_EQ(FormatDateTime("dddd", at(2026, 12, 12)), "\xE6\x98\x9F\xE6\x9C\x9F\xE5\x85\xAD");       // 星期六
    EXPECT_EQ(FormatDateTime("aaaa", dt), "\xE6\x98\x9F\xE6\x9C\x9F\xE6\x97\xA5");
    const TFormatSettings& fs = FormatSettings();
    EXPECT_EQ(fs.ShortMonthNames[10], "\xE5\x8D\x81\xE4\xB8\x80\xE6\x9C\x88");  // 十一月
    EXPECT_EQ(fs.LongDayNames[1], "\xE6\x98\x9F\xE6\x9C\x9F\xE4\xB8\x80");       // 星期一
}

TEST(FormatDateTime, TwelveHourClock)
{
    EXPECT_EQ(FormatDateTime("h:nn am/pm", at(2026, 1, 1, 0, 5)), "12:05 am");
    EXPECT_EQ(FormatDateTime("h:nn AM/PM", at(2026, 1, 1, 13, 5)), "1:05 PM");
    EXPECT_EQ(FormatDateTime("h:nn a/p", at(2026, 1, 1, 12, 0)), "12:00 p");
    EXPECT_EQ(FormatDateTime("hh:nn ampm", at(2026, 1, 1, 15, 30)), "03:30 \xE4\xB8\x8B\xE5\x8D\x88");  // 下午
    EXPECT_EQ(FormatDateTime("ampm h", at(2026, 1, 1, 9, 0)), "\xE4\xB8\x8A\xE5\x8D\x88 9");            // 上午
    // A marker after the next hour specifier does not count for this one.
    EXPECT_EQ(FormatDateTime("hh \"am/pm\" hh am/pm", at(2026, 1, 1, 15, 0)), "15 am/pm 03 pm");
}

TEST(FormatDateTime, DefaultTextLeavesOutMidnightAndCannotLoop)
{
    EXPECT_EQ(DateTimeToStr(at(2026, 12, 6)), "2026-12-06");
    EXPECT_EQ(DateTimeToStr(at(2026, 12, 6, 14, 5, 9)), "2026-12-06 14:05:09");
    EXPECT_EQ(FormatDateTime("c", at(2026, 12, 6, 0, 0, 1)), "2026-12-06 00:00:01");
    EXPECT_EQ(FormatDateTime("", at(2026, 12, 6, 8)), "2026-12-06 08:00:00");
    EXPECT_EQ(DateToStr(at(2026, 12, 6, 8)), "2026-12-06");
    EXPECT_EQ(TimeToStr(at(2026, 12, 6, 8, 1, 2)), "08:01:02");
    EXPECT_EQ(DateTimeToStr(0), "1899-12-30");
    // A short date format naming "c" cannot loop.
    SettingsGuard guard;
    FormatSettings().ShortDateFormat = "ddddd c";
    EXPECT_NO_THROW(FormatDateTime("c", at(2026, 1, 1)));
}

TEST(StrToDate, ShortDateOrderAndSeparators)
{
    expectParsed(StrToDate, {{"2026-12-06", EncodeDate(2026, 12, 6)}, {" 2026-1-6 ", EncodeDate(2026, 1, 6)},
                             {"2026/12/06", EncodeDate(2026, 12, 6)}});
    TDateTime dt;
    for (const char* bad : {"2026-12/06", "2026-02-30", "2026-12-06x", "", "06.12.2026"}) EXPECT_FALSE(TryStrToDate(bad, dt)) << bad;
    ExpectConvertError([] { StrToDate("32-13-2026"); }, "'32-13-2026' is not a valid date");
}

TEST(StrToDate, TwoDigitYearsAndMissingYear)
{
    ClockGuard clock(at(2026, 5, 1));
    // Four digits are taken as written.
    expectParsed(StrToDate, {{"30-1-2", EncodeDate(2030, 1, 2)}, {"76-1-2", EncodeDate(1976, 1, 2)}, {"75-1-2", EncodeDate(2075, 1, 2)},
                             {"99-12-31", EncodeDate(1999, 12, 31)}, {"0030-1-2", EncodeDate(30, 1, 2)}, {"12-6", EncodeDate(2026, 12, 6)}});
}

TEST(StrToDate, OtherOrders)
{
    SettingsGuard guard;
    FormatSettings().ShortDateFormat = "dd/mm/yyyy";
    FormatSettings().DateSeparator = '/';
    EXPECT_EQ(StrToDate("06/12/2026"), EncodeDate(2026, 12, 6));
    FormatSettings().ShortDateFormat = "m/d/yy";
    EXPECT_EQ(StrToDate("12/6/2026"), EncodeDate(2026, 12, 6));
}

TEST(StrToTime, Forms)
{
    expectParsed(StrToTime, {{"14:05:09", EncodeTime(14, 5, 9, 0)}, {"14:05", EncodeTime(14, 5, 0, 0)}, {"14", EncodeTime(14, 0, 0, 0)},
                             {"2:05 pm", EncodeTime(14, 5, 0, 0)}, {"12:00 AM", 0.0},
                             {"\xE4\xB8\x8B\xE5\x8D\x88 3:00", EncodeTime(15, 0, 0, 0)}});  // 下午
    // Fractions of a second are fractions, not a millisecond count.
    expectParsed(StrToTime, {{"10:00:00.5", EncodeTime(10, 0, 0, 500)}, {"10:00:00.025", EncodeTime(10, 0, 0, 25)}});
    TDateTime t;
    for (const char* bad : {"25:00", "13:00 pm", "10:00:00.1234", "10:"}) EXPECT_FALSE(TryStrToTime(bad, t)) << bad;
    EXPECT_THROW(StrToTime("noon"), EConvertError);
}

TEST(StrToDateTime, DateTimeAndTimeAlone)
{
    EXPECT_EQ(StrToDateTime("2026-12-06 14:05:09"), at(2026, 12, 6, 14, 5, 9));
    EXPECT_EQ(StrToDateTime("2026-12-06"), at(2026, 12, 6));
    EXPECT_EQ(StrToDateTime("14:05"), EncodeTime(14, 5, 0, 0));
    EXPECT_EQ(StrToDateTime(DateTimeToStr(at(2026, 12, 6, 23, 59, 59))), at(2026, 12, 6, 23, 59, 59));
    TDateTime dt;
    EXPECT_FALSE(TryStrToDateTime("2026-12-06 14:05:09 trailing", dt));
    ExpectConvertError([] { StrToDateTime("tomorrow"); }, "'tomorrow' is not a valid date and time");
}

TEST(Clock, InjectableAndRestorable)
{
    {
        ClockGuard clock(at(2026, 12, 6, 14, 5, 9));
        EXPECT_EQ(Now(), at(2026, 12, 6, 14, 5, 9));
        EXPECT_EQ(Date(), at(2026, 12, 6));
        EXPECT_EQ(Time(), EncodeTime(14, 5, 9, 0));
        EXPECT_EQ("ZEZO-" + FormatDateTime("yyyy-mm-dd-HHMMSS", Now()), "ZEZO-2026-12-06-140509");
    }
    // Back on the system clock: some date after this code was written.
    EXPECT_GT(Now(), at(2024, 1, 1));
    EXPECT_LT(Time(), 1.0);
}

}  // namespace
