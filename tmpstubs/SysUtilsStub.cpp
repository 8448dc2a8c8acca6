// TEMPORARY: stands in for the core's SysUtils until its branch lands.
#include <charconv>
#include <chrono>
#include <cmath>
#include <ctime>
#include <string>

#include "SysUtils.h"

std::string IntToStr(int64_t v) { return std::to_string(v); }
std::string FloatToStr(Extended v)
{
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(v), std::chars_format::general, 15);
    return std::string(buf, r.ptr);
}
std::string UpperCase(std::string_view s)
{
    std::string o(s);
    for (auto& c : o)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    return o;
}
std::string LowerCase(std::string_view s)
{
    std::string o(s);
    for (auto& c : o)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return o;
}
bool SameText(std::string_view a, std::string_view b) { return UpperCase(a) == UpperCase(b); }
std::string Trim(std::string_view s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
    return std::string(s.substr(b, e - b));
}
int32_t StrToInt(std::string_view s)
{
    std::string t = Trim(s);
    int32_t v = 0;
    auto r = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || r.ec != std::errc() || r.ptr != t.data() + t.size()) throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
    return v;
}
static ClockFunction g_clock;
void SetClock(ClockFunction c) { g_clock = std::move(c); }
TDateTime Now()
{
    if (g_clock) return g_clock();
    auto t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) + (tm.tm_hour * 3600 + tm.tm_min * 60 + tm.tm_sec) / 86400.0;
}
TDateTime EncodeDate(int y, int m, int d)
{
    using namespace std::chrono;
    auto days = sys_days(year(y) / month(static_cast<unsigned>(m)) / day(static_cast<unsigned>(d))) - sys_days(year(1899) / December / 30);
    return static_cast<double>(days.count());
}
void DecodeDate(TDateTime dt, int& y, int& m, int& d)
{
    using namespace std::chrono;
    auto base = sys_days(year(1899) / December / 30) + days(static_cast<int>(std::floor(dt)));
    year_month_day ymd(base);
    y = int(ymd.year());
    m = static_cast<int>(unsigned(ymd.month()));
    d = static_cast<int>(unsigned(ymd.day()));
}
void DecodeTime(TDateTime dt, int& h, int& mi, int& s, int& ms)
{
    double f = dt - std::floor(dt);
    long long t = std::llround(f * 86400000.0);
    h = static_cast<int>(t / 3600000);
    mi = static_cast<int>(t / 60000 % 60);
    s = static_cast<int>(t / 1000 % 60);
    ms = static_cast<int>(t % 1000);
}
TDateTime EncodeTime(int h, int mi, int s, int ms) { return (h * 3600000.0 + mi * 60000.0 + s * 1000.0 + ms) / 86400000.0; }
