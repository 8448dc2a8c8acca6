// Text forms of numbers: FloatToStr, FloatToStrF, FormatFloat, StrToFloat,
// and the integer conversions. Each table row is an input and its text.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <string_view>

#include "SysUtils.h"
#include "SysUtilsTests.h"

namespace {

struct FloatText {
    Extended value;
    const char* text;
};

struct Formatted {
    const char* format;
    Extended value;
    const char* text;
};

void expectFloatToStr(std::initializer_list<FloatText> rows)
{
    for (const FloatText& r : rows) EXPECT_EQ(FloatToStr(r.value), r.text) << r.text;
}

void expectFormatFloat(std::initializer_list<Formatted> rows)
{
    for (const Formatted& r : rows) EXPECT_EQ(FormatFloat(r.format, r.value), r.text) << r.format << " -> " << r.text;
}

TEST(FloatToStr, GeneralFormatDropsTrailingZeros)
{
    expectFloatToStr({{105.0, "105"}, {0.5, "0.5"}, {-2.25, "-2.25"}, {0, "0"}, {1234567.125, "1234567.125"}});
}

TEST(FloatToStr, FifteenSignificantDigits)
{
    // Naive shortest-round-trip output gives 0.30000000000000004.
    expectFloatToStr({{0.1 + 0.2, "0.3"}, {1.0 / 3.0, "0.333333333333333"}, {2.0 / 3.0, "0.666666666666667"},
                      {100.0 / 7.0, "14.2857142857143"}});
    // Extended input keeps its own digits.
    expectFloatToStr({{1.0L / 3.0L, "0.333333333333333"}, {28.8L / 9.6L, "3"}});
}

TEST(FloatToStr, ExponentRule)
{
    // Exponent form once the integer part needs more than 15 digits ...
    expectFloatToStr({{123456789012345.0, "123456789012345"}, {999999999999999.0, "999999999999999"}, {1e15, "1E15"},
                      {1234567890123456.0, "1.23456789012346E15"}, {-1e20, "-1E20"}});
    // ... a value that rounds up to 16 integer digits counts as one too ...
    expectFloatToStr({{999999999999999.9, "1E15"}});
    // ... and below 0.0001 (0.0001 itself stays fixed).
    expectFloatToStr({{0.0001, "0.0001"}, {0.00012, "0.00012"}, {0.00001, "1E-5"}, {0.000099, "9.9E-5"}, {1.5e-7, "1.5E-7"},
                      {1e-300, "1E-300"}, {std::numeric_limits<double>::max(), "1.79769313486232E308"}});
    expectFloatToStr({{1e4000L, "1E4000"}});  // beyond double: Extended range
}

TEST(FloatToStr, SpecialValuesAndTheDecimalSeparator)
{
    expectFloatToStr({{-0.0, "0"}, {std::numeric_limits<double>::quiet_NaN(), "NAN"}, {std::numeric_limits<double>::infinity(), "INF"},
                      {-std::numeric_limits<double>::infinity(), "-INF"}});
    SettingsGuard guard;
    FormatSettings().DecimalSeparator = ',';
    expectFloatToStr({{1.5, "1,5"}, {1.5e-7, "1,5E-7"}});
}

TEST(FloatToStrF, Formats)
{
    const struct {
        Extended value;
        TFloatFormat format;
        int precision, digits;
        const char* text;
    } rows[] = {
        {1234.5, ffGeneral, 15, 0, "1234.5"},         {1234.5, ffGeneral, 3, 0, "1.23E3"},
        {1e20, ffGeneral, 15, 3, "1E020"},            {1234.5, ffExponent, 4, 2, "1.235E+03"},
        {-0.00012345, ffExponent, 3, 0, "-1.23E-4"},  {0, ffExponent, 3, 1, "0.00E+0"},
        {1234.5, ffFixed, 15, 2, "1234.50"},          {0.125, ffFixed, 15, 2, "0.13"},
        {-0.125, ffFixed, 15, 2, "-0.13"},            {123.456, ffFixed, 4, 2, "123.50"},
        {1234.5, ffFixed, 15, 0, "1235"},             {1e20, ffFixed, 15, 2, "1E20"},
        {1234567.891, ffNumber, 15, 2, "1,234,567.89"}, {-999.999, ffNumber, 15, 2, "-1,000.00"},
        {0.5, ffNumber, 15, 0, "1"},
        // Rounding to zero shows no sign.
        {-0.001, ffFixed, 15, 2, "0.00"},             {-0.001, ffCurrency, 15, 2, "\xEF\xBF\xA5" "0.00"},
    };
    for (const auto& r : rows) EXPECT_EQ(FloatToStrF(r.value, r.format, r.precision, r.digits), r.text) << r.text;
}

// The exact decimal text rounded half away from zero to `decimals` places.
std::string roundedDecimal(std::string_view exact, int decimals)
{
    const bool negative = exact.front() == '-';
    if (negative) exact.remove_prefix(1);
    const size_t point = exact.find('.');
    std::string digits(exact.substr(0, point));
    std::string fraction(point == std::string_view::npos ? "" : exact.substr(point + 1));
    fraction.resize(static_cast<size_t>(decimals) + 1, '0');
    digits += fraction;
    const bool up = digits.back() >= '5';
    digits.pop_back();
    for (size_t i = digits.size(); up && i-- > 0;) {
        if (digits[i] != '9') {
            ++digits[i];
            break;
        }
        digits[i] = '0';
        if (i == 0) digits.insert(digits.begin(), '1');
    }
    std::string out = digits.substr(0, digits.size() - decimals);
    if (decimals > 0) out += "." + digits.substr(digits.size() - decimals);
    const bool zero = out.find_first_not_of("0.") == std::string::npos;
    return negative && !zero ? "-" + out : out;
}

TEST(FloatToStrF, ValuesBelowATenthAtEveryPrecision)
{
    // Every digit before the first significant one is a zero: these once
    // came out as NUL or stack bytes.
    const char* const values[] = {"0.05", "0.07", "0.00001", "0.00012", "0.0999", "0.0995", "0.099999999999999",
                                  "0.000000000000001", "0.000000000000000001", "0.0000000000000000005"};
    for (const char* text : values) {
        for (const bool negative : {false, true}) {
            const std::string exact = negative ? std::string("-") + text : text;
            const Extended v = StrToFloat(exact);
            for (int decimals = 0; decimals <= 18; ++decimals) {
                const std::string expected = roundedDecimal(exact, decimals);
                const std::string f = "%." + IntToStr(decimals);
                SCOPED_TRACE(exact + " " + f);
                EXPECT_EQ(Format(f + "f", {v}), expected);
                EXPECT_EQ(Format(f + "n", {v}), expected);
                EXPECT_EQ(Format(f + "m", {v}), "\xEF\xBF\xA5" + expected);
                EXPECT_EQ(FloatToStrF(v, ffFixed, 15, decimals), expected);
                EXPECT_EQ(FloatToStrF(v, ffNumber, 15, decimals), expected);
            }
        }
    }
    // Precision below the decimals: the digits past it are zeros too.
    EXPECT_EQ(FloatToStrF(0.0123456789, ffFixed, 3, 18), "0.012300000000000000");
    EXPECT_EQ(FloatToStrF(-0.0123456789, ffFixed, 1, 4), "-0.0100");
    EXPECT_EQ(Format("%8.2f|", {0.07}), "    0.07|");
}

TEST(FloatToStrF, CurrencyFollowsSettings)
{
    const std::string yen = "\xEF\xBF\xA5";
    EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), yen + "1,234.50");
    EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), yen + "-1,234.50");
    SettingsGuard guard;
    FormatSettings().CurrencyString = "$";
    const char* const negative[16] = {"($1.50)", "-$1.50",  "$-1.50",  "$1.50-",  "(1.50$)",  "-1.50$",
                                      "1.50-$",  "1.50$-",  "-1.50 $", "-$ 1.50", "1.50 $-",  "$ 1.50-",
                                      "$ -1.50", "1.50- $", "($ 1.50)", "(1.50 $)"};
    for (int i = 0; i < 16; ++i) {
        FormatSettings().NegCurrFormat = static_cast<uint8_t>(i);
        EXPECT_EQ(FloatToStrF(-1.5, ffCurrency, 15, 2), negative[i]) << i;
    }
    const char* const positive[4] = {"$1.50", "1.50$", "$ 1.50", "1.50 $"};
    for (int i = 0; i < 4; ++i) {
        FormatSettings().CurrencyFormat = static_cast<uint8_t>(i);
        EXPECT_EQ(FloatToStrF(1.5, ffCurrency, 15, 2), positive[i]) << i;
    }
}

TEST(CurrToStr, FourDecimalsAtMost)
{
    const std::pair<double, const char*> rows[] = {
        {1.5, "1.5"}, {-0.0001, "-0.0001"}, {12.34567, "12.3457"}, {100, "100"}, {922337203685477.0, "922337203685477"}};
    for (const auto& [value, text] : rows) EXPECT_EQ(CurrToStr(value), text);
}

TEST(FormatFloat, Placeholders)
{
    expectFormatFloat({{"0.00", 1234.5, "1234.50"}, {"#,##0.00", 1234567.891, "1,234,567.89"}, {"#,##0.00", -1234567.891, "-1,234,567.89"},
                       {"#,##0", 5, "5"},           {"0.##", 1.5, "1.5"},                    {"0.##", 2, "2"},
                       {"0.#0", 1.5, "1.50"},       {"000", 5, "005"},                       {"0#", 5, "05"},
                       {"#.##", 0.5, ".5"},         {"#.##", 0, ""},                         {"0", 123456, "123456"},
                       {".00", 12.5, "12.50"},      {"0.0000", 0.00012, "0.0001"},           {"", 0.1 + 0.2, "0.3"}});
}

TEST(FormatFloat, RoundsHalfAwayFromZeroOnDecimalDigits)
{
    expectFormatFloat({{"0.00", 0.125, "0.13"}, {"0.00", -0.125, "-0.13"}, {"0", 2.5, "3"}, {"0", 3.5, "4"}, {"0", -2.5, "-3"}});
    // Binary values just below a half: taken to 15 digits first.
    expectFormatFloat({{"0.00", 1.005, "1.01"}, {"0.00", 2.675, "2.68"}, {"0.00", 1.045, "1.05"}, {"0.0", 0.05, "0.1"},
                       {"0.00", 9.995, "10.00"}, {"#,##0.00", 999999.995, "1,000,000.00"}});
}

TEST(FormatFloat, Sections)
{
    const char* f = "#,##0.00;(#,##0.00);\"zero\"";
    expectFormatFloat({{f, 1234.5, "1,234.50"}, {f, -1234.5, "(1,234.50)"}, {f, 0, "zero"}});
    // A value that rounds to zero takes the zero section, or shows no sign.
    expectFormatFloat({{f, -0.001, "zero"}, {f, 0.004, "zero"}, {"0.00", -0.001, "0.00"}, {"0", -0.4, "0"}});
    // Empty sections fall back to the positive one (with the minus sign).
    expectFormatFloat({{"0.0;;'nil'", -2, "-2.0"}, {"0.0;(0.0)", 0, "0.0"}, {"0.0;(0.0);", 0, "0.0"}});
    expectFormatFloat({{"0 'a;b'", 7, "7 a;b"}});  // ';' inside quotes does not split
}

TEST(FormatFloat, LiteralsScientificAndHugeValues)
{
    expectFormatFloat({{"\"$\"0.00", 5, "$5.00"}, {"\"$\"0.00", -5, "-$5.00"}, {"0.00'%'", 12.5, "12.50%"},
                       {"0 \xE5\x85\x83", 12, "12 \xE5\x85\x83"}, {"'#0' 0", 3, "#0 3"}, {"'unterminated 0", 3, "unterminated 0"}});
    expectFormatFloat({{"0.00E+00", 12345, "1.23E+04"}, {"0.00E+00", 0.00012345, "1.23E-04"}, {"0.00E-00", 12345, "1.23E04"},
                       {"0.00e-0", 0.00012345, "1.23e-4"}, {"0.###E+0", 1500, "1.5E+3"},       {"00.0E+0", 12345, "12.3E+3"},
                       {"0.0E+0", 0, "0.0E+0"},            {"0.00E+00", -12345, "-1.23E+04"},   {"0.0E+0", 9.96, "1.0E+1"}});
    // Values too large for the format use the general one.
    expectFormatFloat({{"0.00", 1e20, "1E20"}, {"0", 123456789012345678.0, "123456789012346000"},
                       {"0.00", std::numeric_limits<double>::infinity(), "INF"}});
}

TEST(StrToFloat, PlatformSyntax)
{
    // Extended precision: the text's own value, not a double's.
    const std::pair<const char*, Extended> rows[] = {
        {"1.5", 1.5L},  {"  -2.25  ", -2.25L}, {"+3", 3.0L},        {"5.", 5.0L}, {".5", 0.5L},
        {"1e3", 1000.0L}, {"1.5E-3", 0.0015L}, {"0.1", 0.1L},       {"1e-5000", 0.0L}};
    for (const auto& [text, value] : rows) EXPECT_EQ(StrToFloat(text), value) << text;
    EXPECT_TRUE(std::isinf(StrToFloat("-INF")));
    EXPECT_TRUE(std::isnan(StrToFloat("nan")));
    EXPECT_EQ(StrToFloat(FloatToStr(1.5e-7)), 1.5e-7L);
}

TEST(StrToFloat, ShortAndLongTextsAgree)
{
    // Short texts take a fast path; padding with zeros forces the full
    // conversion, which must give the very same Extended value.
    const char* const texts[] = {"0.1", "2.675", "123456789.123456789", "9999999999999999999", "1.7976931348623157e308",
                                 "4.9e-324", "0.3e-20", "7e27", "1234567890123456789e-27", "3.14159265358979323"};
    for (const char* t : texts) {
        std::string padded(t);
        const size_t e = padded.find('e');
        padded.insert(e == std::string::npos ? padded.size() : e, padded.find('.') == std::string::npos ? ".000000000000000000000" : "000000000000000000000");
        EXPECT_EQ(StrToFloat(t), StrToFloat(padded)) << t;
    }
}

TEST(StrToFloat, RejectsWhatThePlatformRejectsAndFollowsTheDecimalSeparator)
{
    for (const char* bad : {"", " ", "1,5", "1.2.3", "1e", "e5", "-", ".", "1 2", "0x10", "1e99999", "12abc"}) {
        Extended v;
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    }
    ExpectConvertError([] { StrToFloat("abc"); }, "'abc' is not a valid floating point value");
    EXPECT_EQ(StrToFloatDef("x", 7), 7.0L);
    // The settings' separator, not the C locale's.
    SettingsGuard guard;
    FormatSettings().DecimalSeparator = ',';
    EXPECT_EQ(StrToFloat("1,5"), 1.5L);
    Extended v;
    EXPECT_FALSE(TryStrToFloat("1.5", v));
}

TEST(IntegerText, IntToStrAndHex)
{
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(-5000000000LL, 1), "FFFFFFFED5FA0E00");
}

TEST(IntegerText, StrToIntForms)
{
    const std::pair<const char*, int32_t> ints[] = {{"  42 ", 42},  {"-17", -17},  {"+8", 8},           {"$1F", 31},
                                                    {"0x1f", 31},   {"-$10", -16}, {"$FFFFFFFF", -1},   {"2147483647", INT32_MAX},
                                                    {"-2147483648", INT32_MIN}};
    for (const auto& [text, value] : ints) EXPECT_EQ(StrToInt(text), value) << text;
    const std::pair<const char*, int64_t> int64s[] = {{"9223372036854775807", INT64_MAX}, {"-9223372036854775808", INT64_MIN},
                                                      {"$FFFFFFFFFFFFFFFF", -1},          {"5000000000", 5000000000LL}};
    for (const auto& [text, value] : int64s) EXPECT_EQ(StrToInt64(text), value) << text;
}

TEST(IntegerText, StrToIntErrors)
{
    for (const char* bad : {"", "  ", "2147483648", "-2147483649", "1.5", "12a", "$", "0x", "1 2", "$100000000", "--1"}) {
        int32_t v;
        EXPECT_FALSE(TryStrToInt(bad, v)) << bad;
    }
    int64_t v64;
    EXPECT_FALSE(TryStrToInt64("9223372036854775808", v64));
    ExpectConvertError([] { StrToInt(" 99999999999 "); }, "' 99999999999 ' is not a valid integer value");
    EXPECT_EQ(StrToIntDef("x", -3), -3);
    EXPECT_EQ(StrToInt64Def("7", 0), 7);
}

}  // namespace
