// Text forms of numbers: FloatToStr, FloatToStrF, FormatFloat, StrToFloat,
// and the integer conversions.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "SysUtils.h"
#include "SysUtilsTests.h"

namespace {

TEST(FloatToStr, GeneralFormatDropsTrailingZeros)
{
    EXPECT_EQ(FloatToStr(105.0), "105");
    EXPECT_EQ(FloatToStr(0.5), "0.5");
    EXPECT_EQ(FloatToStr(-2.25), "-2.25");
    EXPECT_EQ(FloatToStr(0), "0");
    EXPECT_EQ(FloatToStr(1234567.125), "1234567.125");
}

TEST(FloatToStr, FifteenSignificantDigits)
{
    // Naive shortest-round-trip output gives 0.30000000000000004.
    EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
    EXPECT_EQ(FloatToStr(1.0 / 3.0), "0.333333333333333");
    EXPECT_EQ(FloatToStr(2.0 / 3.0), "0.666666666666667");
    EXPECT_EQ(FloatToStr(100.0 / 7.0), "14.2857142857143");
    // Extended input keeps its own digits.
    EXPECT_EQ(FloatToStr(1.0L / 3.0L), "0.333333333333333");
    EXPECT_EQ(FloatToStr(28.8L / 9.6L), "3");
}

TEST(FloatToStr, ExponentRule)
{
    // Exponent form once the integer part needs more than 15 digits ...
    EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
    EXPECT_EQ(FloatToStr(999999999999999.0), "999999999999999");
    EXPECT_EQ(FloatToStr(1e15), "1E15");
    EXPECT_EQ(FloatToStr(1234567890123456.0), "1.23456789012346E15");
    EXPECT_EQ(FloatToStr(-1e20), "-1E20");
    // ... a value that rounds up to 16 integer digits counts as one too ...
    EXPECT_EQ(FloatToStr(999999999999999.9), "1E15");
    // ... and below 0.0001 (0.0001 itself stays fixed).
    EXPECT_EQ(FloatToStr(0.0001), "0.0001");
    EXPECT_EQ(FloatToStr(0.00012), "0.00012");
    EXPECT_EQ(FloatToStr(0.00001), "1E-5");
    EXPECT_EQ(FloatToStr(0.000099), "9.9E-5");
    EXPECT_EQ(FloatToStr(1.5e-7), "1.5E-7");
    EXPECT_EQ(FloatToStr(1e-300), "1E-300");
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::max()), "1.79769313486232E308");
    EXPECT_EQ(FloatToStr(1e4000L), "1E4000");  // beyond double: Extended range
}

TEST(FloatToStr, SpecialValues)
{
    EXPECT_EQ(FloatToStr(-0.0), "0");
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::quiet_NaN()), "NAN");
    EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
    EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
}

TEST(FloatToStr, FollowsDecimalSeparator)
{
    SettingsGuard guard;
    FormatSettings().DecimalSeparator = ',';
    EXPECT_EQ(FloatToStr(1.5), "1,5");
    EXPECT_EQ(FloatToStr(1.5e-7), "1,5E-7");
}

TEST(FloatToStrF, Formats)
{
    EXPECT_EQ(FloatToStrF(1234.5, ffGeneral, 15, 0), "1234.5");
    EXPECT_EQ(FloatToStrF(1234.5, ffGeneral, 3, 0), "1.23E3");
    EXPECT_EQ(FloatToStrF(1e20, ffGeneral, 15, 3), "1E020");
    EXPECT_EQ(FloatToStrF(1234.5, ffExponent, 4, 2), "1.235E+03");
    EXPECT_EQ(FloatToStrF(-0.00012345, ffExponent, 3, 0), "-1.23E-4");
    EXPECT_EQ(FloatToStrF(0, ffExponent, 3, 1), "0.00E+0");
    EXPECT_EQ(FloatToStrF(1234.5, ffFixed, 15, 2), "1234.50");
    EXPECT_EQ(FloatToStrF(0.125, ffFixed, 15, 2), "0.13");
    EXPECT_EQ(FloatToStrF(-0.125, ffFixed, 15, 2), "-0.13");
    EXPECT_EQ(FloatToStrF(123.456, ffFixed, 4, 2), "123.50");
    EXPECT_EQ(FloatToStrF(1234.5, ffFixed, 15, 0), "1235");
    EXPECT_EQ(FloatToStrF(1e20, ffFixed, 15, 2), "1E20");
    EXPECT_EQ(FloatToStrF(1234567.891, ffNumber, 15, 2), "1,234,567.89");
    EXPECT_EQ(FloatToStrF(-999.999, ffNumber, 15, 2), "-1,000.00");
    EXPECT_EQ(FloatToStrF(0.5, ffNumber, 15, 0), "1");
}

TEST(FloatToStrF, RoundingToZeroShowsNoSign)
{
    EXPECT_EQ(FloatToStrF(-0.001, ffFixed, 15, 2), "0.00");
    EXPECT_EQ(FloatToStrF(-0.001, ffCurrency, 15, 2), "\xEF\xBF\xA5" "0.00");
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
    EXPECT_EQ(CurrToStr(1.5), "1.5");
    EXPECT_EQ(CurrToStr(-0.0001), "-0.0001");
    EXPECT_EQ(CurrToStr(12.34567), "12.3457");
    EXPECT_EQ(CurrToStr(100), "100");
    EXPECT_EQ(CurrToStr(922337203685477.0), "922337203685477");
}

TEST(FormatFloat, Placeholders)
{
    EXPECT_EQ(FormatFloat("0.00", 1234.5), "1234.50");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
    EXPECT_EQ(FormatFloat("#,##0.00", -1234567.891), "-1,234,567.89");
    EXPECT_EQ(FormatFloat("#,##0", 5), "5");
    EXPECT_EQ(FormatFloat("0.##", 1.5), "1.5");
    EXPECT_EQ(FormatFloat("0.##", 2), "2");
    EXPECT_EQ(FormatFloat("0.#0", 1.5), "1.50");
    EXPECT_EQ(FormatFloat("000", 5), "005");
    EXPECT_EQ(FormatFloat("0#", 5), "05");
    EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
    EXPECT_EQ(FormatFloat("#.##", 0), "");
    EXPECT_EQ(FormatFloat("0", 123456), "123456");
    EXPECT_EQ(FormatFloat(".00", 12.5), "12.50");
    EXPECT_EQ(FormatFloat("0.0000", 0.00012), "0.0001");
    EXPECT_EQ(FormatFloat("", 0.1 + 0.2), "0.3");
}

TEST(FormatFloat, RoundsHalfAwayFromZeroOnDecimalDigits)
{
    EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
    EXPECT_EQ(FormatFloat("0.00", -0.125), "-0.13");
    EXPECT_EQ(FormatFloat("0", 2.5), "3");
    EXPECT_EQ(FormatFloat("0", 3.5), "4");
    EXPECT_EQ(FormatFloat("0", -2.5), "-3");
    // Binary values just below a half: taken to 15 digits first.
    EXPECT_EQ(FormatFloat("0.00", 1.005), "1.01");
    EXPECT_EQ(FormatFloat("0.00", 2.675), "2.68");
    EXPECT_EQ(FormatFloat("0.00", 1.045), "1.05");
    EXPECT_EQ(FormatFloat("0.0", 0.05), "0.1");
    EXPECT_EQ(FormatFloat("0.00", 9.995), "10.00");
    EXPECT_EQ(FormatFloat("#,##0.00", 999999.995), "1,000,000.00");
}

TEST(FormatFloat, Sections)
{
    const char* f = "#,##0.00;(#,##0.00);\"zero\"";
    EXPECT_EQ(FormatFloat(f, 1234.5), "1,234.50");
    EXPECT_EQ(FormatFloat(f, -1234.5), "(1,234.50)");
    EXPECT_EQ(FormatFloat(f, 0), "zero");
    // A value that rounds to zero takes the zero section, or shows no sign.
    EXPECT_EQ(FormatFloat(f, -0.001), "zero");
    EXPECT_EQ(FormatFloat(f, 0.004), "zero");
    EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");
    EXPECT_EQ(FormatFloat("0", -0.4), "0");
    // Empty sections fall back to the positive one (with the minus sign).
    EXPECT_EQ(FormatFloat("0.0;;'nil'", -2), "-2.0");
    EXPECT_EQ(FormatFloat("0.0;(0.0)", 0), "0.0");
    EXPECT_EQ(FormatFloat("0.0;(0.0);", 0), "0.0");
    // ';' inside quotes does not split.
    EXPECT_EQ(FormatFloat("0 'a;b'", 7), "7 a;b");
}

TEST(FormatFloat, Literals)
{
    EXPECT_EQ(FormatFloat("\"$\"0.00", 5), "$5.00");
    EXPECT_EQ(FormatFloat("\"$\"0.00", -5), "-$5.00");
    EXPECT_EQ(FormatFloat("0.00'%'", 12.5), "12.50%");
    EXPECT_EQ(FormatFloat("0 \xE5\x85\x83", 12), "12 \xE5\x85\x83");  // 元
    EXPECT_EQ(FormatFloat("'#0' 0", 3), "#0 3");
    EXPECT_EQ(FormatFloat("'unterminated 0", 3), "unterminated 0");
}

TEST(FormatFloat, Scientific)
{
    EXPECT_EQ(FormatFloat("0.00E+00", 12345), "1.23E+04");
    EXPECT_EQ(FormatFloat("0.00E+00", 0.00012345), "1.23E-04");
    EXPECT_EQ(FormatFloat("0.00E-00", 12345), "1.23E04");
    EXPECT_EQ(FormatFloat("0.00e-0", 0.00012345), "1.23e-4");
    EXPECT_EQ(FormatFloat("0.###E+0", 1500), "1.5E+3");
    EXPECT_EQ(FormatFloat("00.0E+0", 12345), "12.3E+3");
    EXPECT_EQ(FormatFloat("0.0E+0", 0), "0.0E+0");
    EXPECT_EQ(FormatFloat("0.00E+00", -12345), "-1.23E+04");
    EXPECT_EQ(FormatFloat("0.0E+0", 9.96), "1.0E+1");
}

TEST(FormatFloat, HugeValuesUseGeneralFormat)
{
    EXPECT_EQ(FormatFloat("0.00", 1e20), "1E20");
    EXPECT_EQ(FormatFloat("0", 123456789012345678.0), "123456789012346000");
    EXPECT_EQ(FormatFloat("0.00", std::numeric_limits<double>::infinity()), "INF");
}

TEST(StrToFloat, PlatformSyntax)
{
    EXPECT_EQ(StrToFloat("1.5"), 1.5L);
    EXPECT_EQ(StrToFloat("  -2.25  "), -2.25L);
    EXPECT_EQ(StrToFloat("+3"), 3.0L);
    EXPECT_EQ(StrToFloat("5."), 5.0L);
    EXPECT_EQ(StrToFloat(".5"), 0.5L);
    EXPECT_EQ(StrToFloat("1e3"), 1000.0L);
    EXPECT_EQ(StrToFloat("1.5E-3"), 0.0015L);
    // Extended precision: the text's own value, not a double's.
    EXPECT_EQ(StrToFloat("0.1"), 0.1L);
    EXPECT_EQ(StrToFloat("1e-5000"), 0.0L);
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

TEST(StrToFloat, RejectsWhatThePlatformRejects)
{
    for (const char* bad : {"", " ", "1,5", "1.2.3", "1e", "e5", "-", ".", "1 2", "0x10", "1e99999", "12abc"}) {
        Extended v;
        EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    }
    ExpectConvertError([] { StrToFloat("abc"); }, "'abc' is not a valid floating point value");
    EXPECT_EQ(StrToFloatDef("x", 7), 7.0L);
}

TEST(StrToFloat, FollowsDecimalSeparatorNotTheLocale)
{
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
    EXPECT_EQ(StrToInt("  42 "), 42);
    EXPECT_EQ(StrToInt("-17"), -17);
    EXPECT_EQ(StrToInt("+8"), 8);
    EXPECT_EQ(StrToInt("$1F"), 31);
    EXPECT_EQ(StrToInt("0x1f"), 31);
    EXPECT_EQ(StrToInt("-$10"), -16);
    EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);
    EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
    EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("5000000000"), 5000000000LL);
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
