// Format with Variant arguments.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SysUtils.h"
#include "SysUtilsTests.h"

namespace {

struct FormatRow {
    const char* format;
    std::vector<Variant> args;
    std::string text;
};

void expectFormats(const std::vector<FormatRow>& rows)
{
    for (const FormatRow& r : rows) EXPECT_EQ(Format(r.format, r.args), r.text) << r.format;
}

void ExpectFormatError(std::string_view format, std::initializer_list<Variant> args, const std::string& specifier)
{
    ExpectConvertError([&] { Format(format, args); }, "Format '" + specifier + "' invalid or incompatible with argument");
}

TEST(Format, Integers)
{
    expectFormats({{"%d", {42}, "42"},           {"%5d|%-5d|", {42, 42}, "   42|42   |"}, {"%.5d", {-42}, "-00042"},
                   {"%d", {int64_t{9000000000}}, "9000000000"}, {"%u", {-1}, "4294967295"},
                   {"%u", {int64_t{-1}}, "18446744073709551615"}, {"%x", {255}, "FF"}, {"%.4x", {255}, "00FF"},
                   {"%x", {-1}, "FFFFFFFF"},    {"%D %X", {7, 10}, "7 A"}, {"%d", {Variant::FromTyped(200, varByte)}, "200"},
                   {"%p", {255}, "000000FF"}});
}

TEST(Format, Floats)
{
    expectFormats({{"%f", {1234.5}, "1234.50"},       {"%.0f", {2.5}, "3"},           {"%.2f", {2.675}, "2.68"},
                   {"%.2f", {-0.001}, "0.00"},         {"%9.2f", {3.14159}, "     3.14"}, {"%.2f", {1e16}, "10000000000000000.00"},
                   {"%e", {1234.5}, "1.23450000000000E+003"}, {"%.3e", {-0.000123}, "-1.23E-004"}, {"%g", {0.1 + 0.2}, "0.3"},
                   {"%g", {1e20}, "1E20"},             {"%.3g", {1234.5}, "1.23E3"},   {"%n", {1234567.891}, "1,234,567.89"},
                   {"%.0n", {-1234567.5}, "-1,234,568"}, {"%m", {1234.5}, "\xEF\xBF\xA5" "1,234.50"},
                   {"%m", {-1234.5}, "\xEF\xBF\xA5" "-1,234.50"}, {"%.2f", {Variant::FromCurrency(12.345)}, "12.35"},
                   {"%.1f", {Variant::FromDate(1.25)}, "1.3"}});
}

TEST(Format, Strings)
{
    EXPECT_EQ(Format("Hello %s!", {"world"}), "Hello world!");
    EXPECT_EQ(Format("[%6s][%-6s]", {"ab", "ab"}), "[    ab][ab    ]");
    EXPECT_EQ(Format("%.2s", {"abcdef"}), "ab");
    EXPECT_EQ(Format("%s", {u"wide"}), "wide");
    // Width and precision count characters, not bytes of UTF-8.
    const std::string name = "\xE5\xBC\xA0\xE4\xB8\x89";  // 张三
    EXPECT_EQ(Format("[%4s]", {name}), "[  " + name + "]");
    EXPECT_EQ(Format("%.1s", {name}), "\xE5\xBC\xA0");
    // No 255-byte limit.
    const std::string longText(1000, 'x');
    EXPECT_EQ(Format("<%s>", {longText}), "<" + longText + ">");
}

TEST(Format, IndexStarAndPercent)
{
    expectFormats({{"%1:s %0:s %s", {"a", "b", "c"}, "b a b"}, {"%*d", {5, 42}, "   42"}, {"%-*d|", {4, 7}, "7   |"},
                   {"%*d|", {-4, 7}, "7   |"}, {"%.*f", {3, 1.5}, "1.500"}, {"100%%", {}, "100%"}, {"", {}, ""},
                   {"no specifiers", {1}, "no specifiers"}});
}

TEST(Format, VariantArgumentsConvertByTheirOwnRules)
{
    expectFormats({{"[%s][%d]", {Variant(), Variant()}, "[][0]"}});
    EXPECT_THROW(Format("%s", {Variant::Null()}), EVariantError);
}

TEST(Format, WrongKindRaises)
{
    ExpectFormatError("%d", {"x"}, "%d");
    ExpectFormatError("%d", {1.5}, "%d");
    ExpectFormatError("%f", {5}, "%f");  // the platform wants a floating value
    ExpectFormatError("%s", {5}, "%s");
    ExpectFormatError("%s", {true}, "%s");
    ExpectFormatError("%d", {true}, "%d");
    ExpectFormatError("Total: %5.2d items", {"x"}, "%5.2d");
    ExpectFormatError("%*d", {"5", 1}, "%*");
}

TEST(Format, MissingArgumentOrBadSpecifierRaises)
{
    ExpectFormatError("%s", {}, "%s");
    ExpectFormatError("%s and %s", {"a"}, "%s");
    ExpectFormatError("%3:s", {"a"}, "%3:s");
    ExpectFormatError("%k", {1}, "%k");
    ExpectFormatError("50%", {}, "%");
    ExpectFormatError("%5", {1}, "%5");
    ExpectFormatError("%99999999d", {1}, "%9999999");
}

}  // namespace
