// Formatting and parsing of numbers and dates. The input's first line is a
// format string, every further line a value. Each value is parsed as an
// integer, a number and a date; what parses is formatted back and parsed
// again, and must come back the same. The format string goes to Format
// with the values, and to FormatFloat and FormatDateTime.
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "Exceptions.h"
#include "FuzzSupport.h"
#include "SysUtils.h"
#include "Variant.h"

namespace {

std::vector<std::string_view> lines(std::string_view text)
{
    std::vector<std::string_view> out;
    size_t start = 0;
    while (start <= text.size() && out.size() < 64) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return out;
}

template <class F>
void tolerate(F f)
{
    try {
        f();
    } catch (const Exception&) {
        // A refused format or value is an answer, not a fault.
    }
}

void roundTripInteger(std::string_view text)
{
    int64_t value = 0;
    if (!TryStrToInt64(text, value)) return;
    const std::string written = IntToStr(value);
    FUZZ_CHECK(StrToInt64(written) == value, written);
    FUZZ_CHECK(Format("%d", {Variant(value)}) == written, written);
}

void roundTripFloat(std::string_view text)
{
    Extended value = 0;
    if (!TryStrToFloat(text, value) || !std::isfinite(static_cast<double>(value))) return;
    // FloatToStr keeps 15 significant digits: its own text reads back to
    // itself.
    const std::string written = FloatToStr(value);
    Extended again = 0;
    FUZZ_CHECK(TryStrToFloat(written, again), written);
    FUZZ_CHECK(FloatToStr(again) == written, written + " then " + FloatToStr(again));
    const long double tolerance = 1e-14L * std::fabs(static_cast<long double>(value)) + 1e-300L;
    FUZZ_CHECK(std::fabs(static_cast<long double>(again - value)) <= tolerance, written);
    for (TFloatFormat f : {ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency})
        for (int digits : {0, 2, 18})
            tolerate([&] {
                const std::string s = FloatToStrF(value, f, 15, digits);
                FUZZ_CHECK(s.find('\0') == std::string::npos, s);
            });
    for (const char* fmt : {"%.2f", "%.18f", "%n", "%m", "%e", "%g", "%.0f"})
        tolerate([&] {
            const std::string s = Format(fmt, {Variant(static_cast<double>(value))});
            FUZZ_CHECK(s.find('\0') == std::string::npos, std::string(fmt) + " " + written);
        });
    // Fixed-point text of the value reads back within its last digit.
    if (std::fabs(static_cast<double>(value)) < 1e15) {
        const std::string fixed = FloatToStrF(value, ffFixed, 18, 6);
        Extended back = 0;
        FUZZ_CHECK(TryStrToFloat(fixed, back), fixed);
        FUZZ_CHECK(std::fabs(static_cast<double>(back - value)) <= 5e-7 + 1e-14 * std::fabs(static_cast<double>(value)), fixed);
    }
}

void roundTripDate(std::string_view text)
{
    TDateTime value = 0;
    if (TryStrToDate(text, value)) {
        const std::string written = DateToStr(value);
        TDateTime again = 0;
        FUZZ_CHECK(TryStrToDate(written, again) && again == value, written);
    }
    if (TryStrToDateTime(text, value)) {
        tolerate([&] { DateTimeToStr(value); });
        tolerate([&] { TimeToStr(value); });
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096) return 0;
    const std::vector<std::string_view> parts = lines(fuzz_support::bytes(data, size));
    const std::string_view format = parts.empty() ? std::string_view() : parts[0];
    std::vector<Variant> args;
    for (size_t i = 1; i < parts.size(); ++i) {
        const std::string_view text = parts[i];
        roundTripInteger(text);
        roundTripFloat(text);
        roundTripDate(text);
        int64_t n = 0;
        Extended x = 0;
        if (TryStrToInt64(text, n)) args.emplace_back(n);
        else if (TryStrToFloat(text, x)) args.emplace_back(static_cast<double>(x));
        else args.emplace_back(std::string(text));
        if (TryStrToFloat(text, x)) {
            tolerate([&] { FormatFloat(format, x); });
            tolerate([&] { FormatDateTime(format, static_cast<TDateTime>(x)); });
        }
    }
    tolerate([&] { Format(format, args); });
    tolerate([&] { FormatMaskText(format, parts.size() > 1 ? parts[1] : std::string_view()); });
    return 0;
}
