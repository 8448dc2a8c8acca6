// TEMPORARY STUB: minimal stand-ins for SysUtils and Variant until their
// branches land. Delete this file then.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "SysUtils.h"
#include "Variant.h"

TFormatSettings::TFormatSettings() {}
TFormatSettings& FormatSettings()
{
    static TFormatSettings s;
    return s;
}
std::string IntToStr(int64_t v) { return std::to_string(v); }
int64_t StrToInt64(std::string_view s)
{
    std::string t(s);
    if (t.empty()) throw EConvertError("'" + t + "' is not a valid integer value");
    char* end;
    long long v = std::strtoll(t.c_str(), &end, 10);
    if (*end) throw EConvertError("'" + t + "' is not a valid integer value");
    return v;
}
int32_t StrToInt(std::string_view s) { return (int32_t)StrToInt64(s); }
std::string FloatToStr(Extended v)
{
    char b[64];
    std::snprintf(b, sizeof b, "%.15Lg", v);
    std::string s(b);
    auto e = s.find('e');
    if (e != std::string::npos) {
        std::string m = s.substr(0, e), ex = s.substr(e + 1);
        int x = std::atoi(ex.c_str());
        s = m + "E" + std::to_string(x);
    }
    return s;
}
Extended StrToFloat(std::string_view s)
{
    std::string t(s);
    char* end;
    long double v = std::strtold(t.c_str(), &end);
    if (t.empty() || *end) throw EConvertError("'" + t + "' is not a valid floating point value");
    return v;
}
std::string Format(std::string_view format, std::span<const Variant> args)
{
    if (format == "%2.2f") {
        char b[64];
        std::snprintf(b, sizeof b, "%2.2f", args[0].rawDouble());
        return b;
    }
    return std::string(format);
}
std::string DateToStr(TDateTime) { return "1899-12-30"; }
int CompareText(std::string_view a, std::string_view b)
{
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        int x = std::tolower((unsigned char)a[i]), y = std::tolower((unsigned char)b[i]);
        if (x != y) return x - y;
    }
    return (int)a.size() - (int)b.size();
}
bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }
std::string LowerCase(std::string_view s)
{
    std::string t(s);
    for (char& c : t) c = (char)std::tolower((unsigned char)c);
    return t;
}
int64_t Variant::toInt64() const { return u_.l; }
double Variant::toDouble() const { return u_.d; }
TDateTime Variant::toDate() const { return u_.d; }
std::string Variant::toString() const { return vt_ == varString ? *static_cast<std::string*>(u_.p) : std::string(); }
void Variant::release() noexcept {}
Variant::Variant(std::string_view s) : vt_(varString) { u_.p = new std::string(s); }
Variant::Variant(const char* s) : Variant(std::string_view(s)) {}
