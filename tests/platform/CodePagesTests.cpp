#include <gtest/gtest.h>

#include "CodePages.h"
#include "Exceptions.h"
#include "Md5.h"

namespace {

TEST(CodePages, Utf8AndUtf16RoundTrip)
{
    const std::string text = "发货 ZEZO-\xF0\x9F\x93\xA6";  // CJK, ASCII and a character beyond the BMP
    const std::u16string wide = Utf8ToUtf16(text);
    ASSERT_EQ(wide.size(), 2u + 6u + 2u);  // the last one is a surrogate pair
    EXPECT_EQ(wide[0], u'发');
    EXPECT_EQ(wide[8], 0xD83D);
    EXPECT_EQ(Utf16ToUtf8(wide), text);
}

TEST(CodePages, MalformedInputIsReplacedNotDropped)
{
    // A lone continuation byte, a truncated sequence and an overlong '/'.
    EXPECT_EQ(Utf8ToUtf16("a\x80" "b"), u"a\uFFFDb");
    EXPECT_EQ(Utf8ToUtf16("\xE4\xB8"), u"\uFFFD\uFFFD");
    EXPECT_EQ(Utf8ToUtf16("\xC0\xAF"), u"\uFFFD\uFFFD");
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));  // an encoded surrogate
    const std::u16string lone = {u'x', char16_t(0xD800)};
    EXPECT_EQ(Utf16ToUtf8(lone), "x\xEF\xBF\xBD");
}

TEST(CodePages, GbkBothWays)
{
    EXPECT_EQ(GetACP(), CP_UTF8);
    // One GBK character is two bytes and decodes to one UTF-16 character.
    EXPECT_EQ(MultiByteToWide(936, "\xD6\xD0"), u"中");
    EXPECT_EQ(Utf8ToGbkStrict("中文abc"), "\xD6\xD0\xCE\xC4" "abc");
    EXPECT_EQ(GbkToUtf8("\xB7\xA2\xBB\xF5"), "发货");
    // A truncated double-byte sequence decodes to a replacement character.
    EXPECT_EQ(MultiByteToWide(936, "a\xD6"), u"a\uFFFD");
}

TEST(CodePages, UnmappableCharacters)
{
    // Korean Hangul is not in GBK: '?' in the lenient form, an error in the strict one.
    bool lossy = false;
    EXPECT_EQ(WideToMultiByte(936, u"a한b", &lossy), "a?b");
    EXPECT_TRUE(lossy);
    EXPECT_THROW(WideToMultiByteStrict(936, u"a한b"), EConvertError);
    EXPECT_THROW(Utf8ToGbkStrict("한"), EConvertError);
    // A surrogate pair counts as one character.
    EXPECT_EQ(WideToMultiByte(1252, u"\U0001F4E6x"), "?x");
}

// Vietnamese and Hebrew decoders hold a letter back until they see whether
// a combining mark follows: the end of the text and a bad byte let it go.
TEST(CodePages, LettersHeldForACombiningMarkAreNotLost)
{
    EXPECT_EQ(MultiByteToWide(1258, "abc"), u"abc");
    EXPECT_EQ(MultiByteToWide(1258, "\xCB\xCE" "c@c\xE5"), u"\u00CB\u00CEc@c\u00E5");
    EXPECT_EQ(MultiByteToWide(1258, "a\xEC"), u"\u00E1");  // a and a combining acute compose
    EXPECT_EQ(MultiByteToWide(1255, "\xF9"), u"\u05E9");
    // A byte no code page 1255 character starts: the letter before it stays.
    EXPECT_EQ(MultiByteToWide(1255, "\xF9\xFF"), u"\u05E9\uFFFD");
    for (int codePage : {1258, 1255}) {
        const std::u16string text = u"x1";
        EXPECT_EQ(MultiByteToWide(codePage, WideToMultiByte(codePage, text)), text) << codePage;
    }
}

TEST(CodePages, OtherCodePagesAndCharsets)
{
    EXPECT_EQ(MultiByteToWide(1251, "\xCF\xF0\xE8"), u"При");
    EXPECT_EQ(WideToMultiByte(1252, u"caf\u00E9"), "caf\xE9");
    EXPECT_EQ(MultiByteToWide(950, "\xA4\xA4"), u"中");
    EXPECT_EQ(MultiByteToWide(932, "\x82\xA0"), u"あ");
    EXPECT_EQ(MultiByteToWide(CP_ACP, "中"), u"中");
    EXPECT_THROW(MultiByteToWide(12345, "x"), EConvertError);
    for (const auto& [charset, codePage] : {std::pair{134, 936}, {1, CP_UTF8}, {204, 1251}, {99, 0}})
        EXPECT_EQ(CharsetToCodePage(charset), codePage) << charset;
}

TEST(Md5, RfcVectors)
{
    EXPECT_EQ(MD5HexBytes(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(MD5HexBytes("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(MD5HexBytes("message digest"), "F96B697D7CB7938D525A2F31AAF161D0");
    EXPECT_EQ(MD5HexBytes("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57EDF4A22BE3C955AC49DA2E2107B67A");
}

TEST(Md5, PaddingBoundaries)
{
    // 55 bytes fit one padded block, 56 need a second, 64 fill a block exactly.
    EXPECT_EQ(MD5HexBytes(std::string(55, 'a')), "EF1772B6DFF9A122358552954AD0DF65");
    EXPECT_EQ(MD5HexBytes(std::string(56, 'a')), "3B0C8AC703F828B04C6C197006D17218");
    EXPECT_EQ(MD5HexBytes(std::string(64, 'a')), "014842D480B571495A4A0363793F7367");
}

TEST(Md5, PasswordsAreHashedOverGbkBytes)
{
    EXPECT_EQ(MD5Hex("密码"), "D2293E30F0C964C5F6242486AA8A483C");
    EXPECT_EQ(MD5Hex("管理员123"), "82319127B7564366893F75D2BE6902AC");
    EXPECT_EQ(MD5Hex("abc"), "900150983CD24FB0D6963F7D28E17F72");
    // A character GBK cannot hold is an error, never silently dropped.
    EXPECT_THROW(MD5Hex("비밀"), EConvertError);
}

}  // namespace
