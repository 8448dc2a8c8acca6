// Text functions and edit masks.

#include <gtest/gtest.h>

#include <tuple>

#include "SysUtils.h"
#include "SysUtilsTests.h"

namespace {

// FormatMaskText of each (mask, value) gives its text.
void expectMasked(std::initializer_list<std::tuple<std::string, std::string, std::string>> rows)
{
    for (const auto& [mask, value, text] : rows) EXPECT_EQ(FormatMaskText(mask, value), text) << mask << " " << value;
}

TEST(Text, Trim)
{
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(TrimLeft("  a "), "a ");
    EXPECT_EQ(TrimRight("  a "), "  a");
    EXPECT_EQ(Trim(std::string("\0x\0", 3)), "x");  // control characters count as blanks
    // The ideographic space is text, not a blank byte.
    EXPECT_EQ(Trim("\xE3\x80\x80" "a"), "\xE3\x80\x80" "a");
}

TEST(Text, CaseFunctions)
{
    EXPECT_EQ(UpperCase("abc\xC3\xA9"), "ABC\xC3\xA9");  // ASCII only
    EXPECT_EQ(LowerCase("ABC"), "abc");
    EXPECT_EQ(AnsiUpperCase("abc\xC3\xA9\xC3\xBF"), "ABC\xC3\x89\xC5\xB8");      // é ÿ -> É Ÿ
    EXPECT_EQ(AnsiLowerCase("\xD0\x9F\xD0\xA0\xCE\xA3"), "\xD0\xBF\xD1\x80\xCF\x83");  // ПРΣ -> прσ
    EXPECT_EQ(AnsiUpperCase("\xEF\xBD\x81"), "\xEF\xBC\xA1");  // fullwidth a -> A
    EXPECT_EQ(AnsiUpperCase("\xC3\x9F"), "\xC3\x9F");         // ß has no one-character capital
    EXPECT_EQ(AnsiUpperCase("\xE5\xBC\xA0"), "\xE5\xBC\xA0");  // Han unchanged
    EXPECT_EQ(AnsiUpperCase("a\xFF" "b"), "A\xFF" "B");       // a stray byte survives
}

TEST(Text, Compare)
{
    EXPECT_EQ(CompareStr("abc", "abc"), 0);
    EXPECT_LT(CompareStr("ABC", "abc"), 0);
    EXPECT_LT(CompareStr("ab", "abc"), 0);
    EXPECT_EQ(CompareText("ABC", "abc"), 0);
    EXPECT_GT(CompareText("b", "A"), 0);
    EXPECT_GT(CompareText("_", "a"), 0);  // compared in upper case, so '_' sorts after the letters
    EXPECT_TRUE(SameText("Hello", "hELLO"));
    EXPECT_FALSE(SameText("Hello", "Hello!"));
}

TEST(Text, Quoting)
{
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(QuotedStr(""), "''");
    EXPECT_EQ(AnsiQuotedStr("say \"hi\"", '"'), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(AnsiDequotedStr("'it''s'", '\''), "it's");
    EXPECT_EQ(AnsiDequotedStr("''", '\''), "");
    EXPECT_EQ(AnsiDequotedStr("'abc' rest", '\''), "abc");
    EXPECT_EQ(AnsiDequotedStr("'open", '\''), "open");
    EXPECT_EQ(AnsiDequotedStr("plain", '\''), "plain");
}

TEST(Text, StringReplace)
{
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", 0), "a+b-c");
    EXPECT_EQ(StringReplace("a-b-c", "-", "+", rfReplaceAll), "a+b+c");
    EXPECT_EQ(StringReplace("Foo foo FOO", "foo", "x", rfReplaceAll | rfIgnoreCase), "x x x");
    EXPECT_EQ(StringReplace("Foo foo", "foo", "x", rfIgnoreCase), "x foo");
    EXPECT_EQ(StringReplace("aaa", "aa", "b", rfReplaceAll), "ba");
    EXPECT_EQ(StringReplace("abc", "", "x", rfReplaceAll), "abc");
    EXPECT_EQ(StringReplace("\xC3\x89t\xC3\xA9", "\xC3\xA9", "e", rfReplaceAll | rfIgnoreCase), "ete");
    // A match never starts inside a character: 严 (E4 B8 A5) holds the byte A5.
    EXPECT_EQ(StringReplace("\xE4\xB8\xA5", "\xA5", "!", rfReplaceAll | rfIgnoreCase), "\xE4\xB8\xA5");
}

TEST(Text, BoolToStr)
{
    EXPECT_EQ(BoolToStr(true), "-1");
    EXPECT_EQ(BoolToStr(false), "0");
    EXPECT_EQ(BoolToStr(true, true), "True");
    EXPECT_EQ(BoolToStr(false, true), "False");
}

TEST(MaskText, InsertsLiteralsIntoPlainValues)
{
    expectMasked({{"000-0000;0;_", "5551234", "555-1234"}, {"(999)000-0000;0;_", "1234567890", "(123)456-7890"}});
    // Empty positions are blanks; extra characters are kept at the end.
    expectMasked({{"000-0000;0;_", "555", "555-    "}, {"00-00;0", "123456", "12-3456"}});
    // ':' and '/' are the settings' separators; '\' makes a literal.
    expectMasked({{"!90:00;0;_", "1230", "12:30"}, {"0000/00/00;0;_", "20261206", "2026-12-06"}, {"\\/00\\:;0;_", "12", "/12:"},
                  {"000_000;0;_", "123456", "123 456"}});
}

TEST(MaskText, CaseAndAlignment)
{
    expectMasked({{">LL<ll;0;_", "abCD", "ABcd"}, {">L<>l;0;_", "ab", "Ab"}, {">aaa;0;_", "\xC3\xA9x1", "\xC3\x89X1"}});
    // '!' lays the value from the right.
    expectMasked({{"!999-99;0;_", "123", "  1-23"}, {"!99;0;_", "12345", "12345"}});
}

TEST(MaskText, ValuesThatHoldTheirLiterals)
{
    expectMasked({{"000-0000;1;_", "555-1234", "555-1234"}, {"000-0000;1;_", "55-1234", "55 -1234"},
                  {"!000-0000;1;_", "55-1234", " 55-1234"}});
    // No fields at all means the literals are saved.
    expectMasked({{"0000-00-00", "2026-1-6", "2026-1 -6 "}, {"00:00;1;_", "1230", "12:30"}, {"00-00;1;_", "123-4", "123-4 "}});
}

TEST(MaskText, MultiByteCharacters)
{
    const std::string zhang = "\xE5\xBC\xA0";  // 张
    // 号 is a literal.
    expectMasked({{"CC-C;0;_", zhang + "ab", zhang + "a-b"}, {"\xE5\x8F\xB7" "000;0;_", "12", "\xE5\x8F\xB7" "12 "}, {"", "as is", "as is"}});
}

}  // namespace
