// Dates and times: encoding, FormatDateTime, the parsers and the clock.
//
// TDateTime counts days since 1899-12-30. Before that day the value is
// negative and its fraction still counts forward from midnight of the day
// Trunc(value) names: -1.25 is 1899-12-29 06:00.

#include <sys/time.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <memory>
#include <mutex>
#include <optional>

#include "SysUtils.h"
#include "SysUtilsInternal.h"

using namespace sysutils_detail;

namespace {

constexpr int64_t kDateDelta = 693594;  // days from 0001-01-01 (day 1) to 1899-12-30
constexpr int64_t kMSecsPerDay = 86400000;

const uint16_t kCumulativeDays[2][13] = {
    {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334, 365},
    {0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335, 366},
};

// A date-time split into whole days (1 = 0001-01-01) and milliseconds.
struct TimeStamp {
    int64_t date;
    int time;
};

TimeStamp toTimeStamp(TDateTime dt)
{
    // Raises for NaN and infinities. Days far outside 0001..9999 decode as
    // no date whatever their number: held where adding the offset cannot
    // overflow.
    constexpr int64_t kFar = int64_t(1) << 40;
    const int64_t days = std::clamp<int64_t>(Trunc(dt), -kFar, kFar);
    int64_t ms = Round(std::fabs(Frac(static_cast<Extended>(dt))) * kMSecsPerDay);
    TimeStamp ts{kDateDelta + days, static_cast<int>(ms)};
    // A fraction a hair below one day rounds to the next midnight, not to
    // the hour 24.
    if (ms >= kMSecsPerDay) {
        ts.time = static_cast<int>(ms - kMSecsPerDay);
        ++ts.date;
    }
    return ts;
}

struct DateParts {
    int year = 0, month = 0, day = 0;
};

// Dates outside 0001-01-01 .. 9999-12-31 decode as 0-0-0.
DateParts decodeDays(int64_t t)
{
    DateParts p;
    if (t <= 0 || t > 3652059) return p;
    --t;
    int64_t y = 1 + (t / 146097) * 400;
    t %= 146097;
    int64_t i = t / 36524;
    int64_t d = t % 36524;
    if (i == 4) {
        --i;
        d += 36524;
    }
    y += i * 100;
    y += (d / 1461) * 4;
    d %= 1461;
    i = d / 365;
    d %= 365;
    if (i == 4) {
        --i;
        d += 365;
    }
    y += i;
    const auto& table = kCumulativeDays[IsLeapYear(static_cast<int>(y)) ? 1 : 0];
    int m = 1;
    while (d >= table[m]) ++m;
    p.year = static_cast<int>(y);
    p.month = m;
    p.day = static_cast<int>(d - table[m - 1] + 1);
    return p;
}

int dayOfWeek(int64_t stampDate)
{
    return static_cast<int>(((stampDate % 7) + 7) % 7) + 1;
}

// Date and time joined so that a date before 1899-12-30 keeps the time
// counting forward from its midnight.
TDateTime composeDateTime(TDateTime date, TDateTime time)
{
    return date < 0 ? date - time : date + time;
}

}  // namespace

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    if (month < 1 || month > 12) return 0;
    const auto& table = kCumulativeDays[IsLeapYear(year) ? 1 : 0];
    return table[month] - table[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& out)
{
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return false;
    const int64_t y = year - 1;
    const int64_t days = y * 365 + y / 4 - y / 100 + y / 400 + kCumulativeDays[IsLeapYear(year) ? 1 : 0][month - 1] + day;
    out = static_cast<TDateTime>(days - kDateDelta);
    return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& out)
{
    if (hour < 0 || hour >= 24 || min < 0 || min >= 60 || sec < 0 || sec >= 60 || msec < 0 || msec >= 1000)
        return false;
    const int64_t ms = ((hour * 60 + min) * 60 + sec) * 1000LL + msec;
    out = static_cast<TDateTime>(ms) / kMSecsPerDay;
    return true;
}

TDateTime EncodeDate(int year, int month, int day)
{
    TDateTime dt;
    if (!TryEncodeDate(year, month, day, dt)) throw EConvertError("Invalid argument to date encode");
    return dt;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec)
{
    TDateTime dt;
    if (!TryEncodeTime(hour, min, sec, msec, dt)) throw EConvertError("Invalid argument to time encode");
    return dt;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day)
{
    const DateParts p = decodeDays(toTimeStamp(dt).date);
    year = p.year;
    month = p.month;
    day = p.day;
}

void DecodeTime(TDateTime dt, int& hour, int& min, int& sec, int& msec)
{
    int t = toTimeStamp(dt).time;
    msec = t % 1000;
    t /= 1000;
    sec = t % 60;
    t /= 60;
    min = t % 60;
    hour = t / 60;
}

int DayOfWeek(TDateTime dt)
{
    return dayOfWeek(toTimeStamp(dt).date);
}

// ---- FormatDateTime

namespace {

bool startsWithNoCase(std::string_view s, size_t pos, std::string_view word)
{
    if (pos + word.size() > s.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if ((s[pos + i] | 0x20) != (word[i] | 0x20)) return false;
    return true;
}

char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

class DateTimeWriter {
public:
    explicit DateTimeWriter(TDateTime dt) : dt_(dt) {}

    void append(std::string_view format, int level);
    std::string out;

private:
    const TimeStamp& stamp()
    {
        if (!stamp_) stamp_ = toTimeStamp(dt_);
        return *stamp_;
    }
    const DateParts& date()
    {
        if (!date_) date_ = decodeDays(stamp().date);
        return *date_;
    }
    int hour() { return stamp().time / 3600000; }
    int minute() { return stamp().time / 60000 % 60; }
    int second() { return stamp().time / 1000 % 60; }
    int msec() { return stamp().time % 1000; }
    int weekDay() { return dayOfWeek(stamp().date) - 1; }  // 0 = Sunday

    void number(int v, int minDigits) { appendInt(out, v, minDigits); }
    bool twelveHourClockAhead(std::string_view format, size_t pos) const;

    TDateTime dt_;
    std::optional<TimeStamp> stamp_;
    std::optional<DateParts> date_;
    char lastToken_ = ' ';
    bool twelveHour_ = false;
};

// After an hour specifier: an am/pm marker before the next hour specifier
// switches the hour to the 12-hour clock.
bool DateTimeWriter::twelveHourClockAhead(std::string_view format, size_t pos) const
{
    bool quoted = false;
    for (size_t i = pos; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '\'' || c == '"') {
            quoted = !quoted;
        } else if (!quoted && (c == 'a' || c == 'A')) {
            return startsWithNoCase(format, i, "am/pm") || startsWithNoCase(format, i, "a/p") ||
                   startsWithNoCase(format, i, "ampm");
        } else if (!quoted && (c == 'h' || c == 'H')) {
            return false;
        }
    }
    return false;
}

void DateTimeWriter::append(std::string_view format, int level)
{
    // Nested formats (c, ddddd, t ...) may name each other; two levels are
    // enough for every sensible format and stop a cycle.
    if (level > 2) return;
    const TFormatSettings& fs = FormatSettings();
    size_t i = 0;
    while (i < format.size()) {
        const char starter = format[i];
        char token = upperAscii(starter);
        if (token >= 'A' && token <= 'Z') {
            if (token == 'M' && lastToken_ == 'H') token = 'N';  // "mm" after "hh" is minutes
            lastToken_ = token;
        }
        size_t count = 1;
        auto takeCount = [&] {
            while (i + count < format.size() && format[i + count] == starter) ++count;
        };
        switch (token) {
        case 'Y': {
            takeCount();
            if (count <= 2)
                number(date().year % 100, 2);
            else
                number(date().year, 4);
            break;
        }
        case 'E':
            takeCount();
            number(date().year, count >= 2 ? 2 : 1);
            break;
        case 'G':
            takeCount();  // era names exist only for calendars with eras
            break;
        case 'M':
            takeCount();
            if (count <= 2)
                number(date().month, static_cast<int>(count));
            else if (date().month >= 1)
                out += count == 3 ? fs.ShortMonthNames[date().month - 1] : fs.LongMonthNames[date().month - 1];
            break;
        case 'D':
            takeCount();
            switch (count) {
            case 1:
            case 2: number(date().day, static_cast<int>(count)); break;
            case 3: out += fs.ShortDayNames[weekDay()]; break;
            case 4: out += fs.LongDayNames[weekDay()]; break;
            case 5: append(fs.ShortDateFormat, level + 1); break;
            default: append(fs.LongDateFormat, level + 1); break;
            }
            break;
        case 'H': {
            takeCount();
            int h = hour();
            if (twelveHour_ || twelveHourClockAhead(format, i + count)) {
                if (h == 0)
                    h = 12;
                else if (h > 12)
                    h -= 12;
            }
            number(h, count >= 2 ? 2 : 1);
            break;
        }
        case 'N':
            takeCount();
            number(minute(), count >= 2 ? 2 : 1);
            break;
        case 'S':
            takeCount();
            number(second(), count >= 2 ? 2 : 1);
            break;
        case 'Z':
            takeCount();
            number(msec(), count <= 2 ? 1 : 3);
            break;
        case 'T':
            takeCount();
            append(count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, level + 1);
            break;
        case 'C': {
            takeCount();
            append(fs.ShortDateFormat, level + 1);
            if (stamp().time != 0) {
                out += ' ';
                append(fs.LongTimeFormat, level + 1);
            }
            break;
        }
        case 'A': {
            if (startsWithNoCase(format, i, "am/pm")) {
                out.append(format.substr(hour() >= 12 ? i + 3 : i, 2));
                count = 5;
                twelveHour_ = true;
            } else if (startsWithNoCase(format, i, "a/p")) {
                out += format[hour() >= 12 ? i + 2 : i];
                count = 3;
                twelveHour_ = true;
            } else if (startsWithNoCase(format, i, "ampm")) {
                out += hour() < 12 ? fs.TimeAMString : fs.TimePMString;
                count = 4;
                twelveHour_ = true;
            } else if (startsWithNoCase(format, i, "aaaa")) {
                out += fs.LongDayNames[weekDay()];
                count = 4;
            } else if (startsWithNoCase(format, i, "aaa")) {
                out += fs.ShortDayNames[weekDay()];
                count = 3;
            } else {
                out += starter;
            }
            break;
        }
        case '/':
            out += fs.DateSeparator;
            break;
        case ':':
            out += fs.TimeSeparator;
            break;
        case '\'':
        case '"': {
            const size_t end = format.find(starter, i + 1);
            const size_t stop = end == std::string_view::npos ? format.size() : end;
            out.append(format.substr(i + 1, stop - i - 1));
            count = stop + 1 - i;
            if (end == std::string_view::npos) count = format.size() - i;
            break;
        }
        default:
            out += starter;
            break;
        }
        i += count;
    }
}

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime dt)
{
    DateTimeWriter w(dt);
    w.append(format.empty() ? std::string_view("c") : format, 0);
    return std::move(w.out);
}

std::string DateToStr(TDateTime dt) { return FormatDateTime("ddddd", dt); }
std::string TimeToStr(TDateTime dt) { return FormatDateTime("tt", dt); }
std::string DateTimeToStr(TDateTime dt) { return FormatDateTime("c", dt); }

// ---- The clock

namespace {

struct ClockHolder {
    std::mutex mutex;
    std::shared_ptr<const ClockFunction> clock;
};

ClockHolder& clockHolder()
{
    static ClockHolder holder;
    return holder;
}

TDateTime systemNow()
{
    timeval tv{};
    gettimeofday(&tv, nullptr);
    tm local{};
    const time_t seconds = tv.tv_sec;
    localtime_r(&seconds, &local);
    TDateTime date = 0;
    TDateTime time = 0;
    TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
    // A leap second (tm_sec 60) is held at 59.
    TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                  static_cast<int>(tv.tv_usec / 1000), time);
    return composeDateTime(date, time);
}

}  // namespace

void SetClock(ClockFunction clock)
{
    auto& h = clockHolder();
    std::lock_guard lock(h.mutex);
    if (clock)
        h.clock = std::make_shared<const ClockFunction>(std::move(clock));
    else
        h.clock.reset();
}

TDateTime Now()
{
    std::shared_ptr<const ClockFunction> clock;
    {
        auto& h = clockHolder();
        std::lock_guard lock(h.mutex);
        clock = h.clock;
    }
    return clock ? (*clock)() : systemNow();
}

TDateTime Date()
{
    return static_cast<TDateTime>(Trunc(Now()));
}

TDateTime Time()
{
    // Through the parts, so that the time equals EncodeTime's value exactly
    // rather than carrying the rounding of date + time.
    int h, m, sec, ms;
    DecodeTime(Now(), h, m, sec, ms);
    return EncodeTime(h, m, sec, ms);
}

// ---- Parsing dates and times

namespace {

class DateScanner {
public:
    explicit DateScanner(std::string_view s) : s_(s) {}

    bool atEnd()
    {
        skipBlanks();
        return pos_ >= s_.size();
    }
    bool scanDate(TDateTime& out);
    bool scanTime(TDateTime& out);

private:
    void skipBlanks()
    {
        while (pos_ < s_.size() && static_cast<unsigned char>(s_[pos_]) <= ' ') ++pos_;
    }
    bool scanChar(char c)
    {
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    // Digits (blanks before them skipped); `length` is how many were read.
    bool scanNumber(int& value, int& length)
    {
        skipBlanks();
        const size_t start = pos_;
        value = 0;
        while (pos_ < s_.size() && s_[pos_] >= '0' && s_[pos_] <= '9' && value < 1000) value = value * 10 + (s_[pos_++] - '0');
        length = static_cast<int>(pos_ - start);
        return length > 0;
    }
    bool scanWord(std::string_view word)
    {
        skipBlanks();
        if (word.empty() || !startsWithNoCase(s_, pos_, word)) return false;
        pos_ += word.size();
        return true;
    }
    int scanMeridiem()
    {
        const TFormatSettings& fs = FormatSettings();
        if (scanWord(fs.TimeAMString) || scanWord("AM")) return 0;
        if (scanWord(fs.TimePMString) || scanWord("PM")) return 12;
        return -1;
    }

    std::string_view s_;
    size_t pos_ = 0;
};

enum DateOrder { doMDY, doDMY, doYMD };

DateOrder dateOrder(std::string_view shortDateFormat)
{
    for (char c : shortDateFormat) {
        switch (upperAscii(c)) {
        case 'Y': return doYMD;
        case 'M': return doMDY;
        case 'D': return doDMY;
        default: break;
        }
    }
    return doMDY;
}

int currentYear()
{
    int y, m, d;
    DecodeDate(Now(), y, m, d);
    return y;
}

bool DateScanner::scanDate(TDateTime& out)
{
    const TFormatSettings& fs = FormatSettings();
    int n1, n2, n3, l1, l2, l3;
    if (!scanNumber(n1, l1)) return false;
    // The settings' separator, or '/' which people type as well; one text
    // uses one separator throughout.
    skipBlanks();
    char sep = fs.DateSeparator;
    if (!scanChar(sep)) {
        if (sep == '/' || !scanChar('/')) return false;
        sep = '/';
    }
    if (!scanNumber(n2, l2)) return false;
    int y, m, d, yearLength;
    const DateOrder order = dateOrder(fs.ShortDateFormat);
    if (scanChar(sep)) {
        if (!scanNumber(n3, l3)) return false;
        switch (order) {
        case doMDY: y = n3; yearLength = l3; m = n1; d = n2; break;
        case doDMY: y = n3; yearLength = l3; m = n2; d = n1; break;
        default: y = n1; yearLength = l1; m = n2; d = n3; break;
        }
        if (yearLength <= 2) {
            // Two-digit years fall into the window of 100 years that ends
            // TwoDigitYearCenturyWindow years after this year.
            const int window = fs.TwoDigitYearCenturyWindow;
            const int base = currentYear() - window;
            y += base / 100 * 100;
            if (window > 0 && y < base) y += 100;
        }
    } else {
        y = currentYear();
        if (order == doDMY) {
            d = n1;
            m = n2;
        } else {
            m = n1;
            d = n2;
        }
    }
    scanChar(sep);
    skipBlanks();
    return TryEncodeDate(y, m, d, out);
}

bool DateScanner::scanTime(TDateTime& out)
{
    const TFormatSettings& fs = FormatSettings();
    int baseHour = scanMeridiem();
    int hour, min = 0, sec = 0, msec = 0, length;
    if (!scanNumber(hour, length)) return false;
    if (scanChar(fs.TimeSeparator)) {
        if (!scanNumber(min, length)) return false;
        if (scanChar(fs.TimeSeparator)) {
            if (!scanNumber(sec, length)) return false;
            if (scanChar(fs.DecimalSeparator)) {
                // Fractions of a second: ".5" is 500 ms.
                if (!scanNumber(msec, length) || length > 3) return false;
                for (; length < 3; ++length) msec *= 10;
            }
        }
    }
    if (baseHour < 0) baseHour = scanMeridiem();
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12) return false;
        if (hour == 12) hour = 0;
        hour += baseHour;
    }
    skipBlanks();
    return TryEncodeTime(hour, min, sec, msec, out);
}

}  // namespace

namespace {

// The whole text (blanks aside) must be one date or one time.
bool scanWhole(std::string_view s, bool (DateScanner::*scan)(TDateTime&), TDateTime& out)
{
    DateScanner sc(s);
    TDateTime v;
    if (!(sc.*scan)(v) || !sc.atEnd()) return false;
    out = v;
    return true;
}

}  // namespace

bool TryStrToDate(std::string_view s, TDateTime& out) { return scanWhole(s, &DateScanner::scanDate, out); }
bool TryStrToTime(std::string_view s, TDateTime& out) { return scanWhole(s, &DateScanner::scanTime, out); }

bool TryStrToDateTime(std::string_view s, TDateTime& out)
{
    DateScanner sc(s);
    TDateTime d = 0;
    TDateTime t = 0;
    if (sc.scanDate(d) && (sc.atEnd() || (sc.scanTime(t) && sc.atEnd()))) {
        out = composeDateTime(d, t);
        return true;
    }
    return TryStrToTime(s, out);
}

namespace {

TDateTime parseOrRaise(bool (*tryParse)(std::string_view, TDateTime&), std::string_view s, const char* what)
{
    TDateTime v;
    if (!tryParse(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid " + what);
    return v;
}

}  // namespace

TDateTime StrToDate(std::string_view s) { return parseOrRaise(TryStrToDate, s, "date"); }
TDateTime StrToTime(std::string_view s) { return parseOrRaise(TryStrToTime, s, "time"); }
TDateTime StrToDateTime(std::string_view s) { return parseOrRaise(TryStrToDateTime, s, "date and time"); }
