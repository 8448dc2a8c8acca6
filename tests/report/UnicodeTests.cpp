#include <gtest/gtest.h>

#include <filesystem>

#include "CodePages.h"
#include "StringLists.h"
#include "rpUnicodeUtils.h"

TEST(WideStrings, WritingAtCountAppendsBeyondRaises)
{
    TWideStrings w;
    w.SetStrings(0, u"a");
    w.SetStrings(1, u"b");
    w.SetStrings(0, u"c");
    EXPECT_EQ(w.Count(), 2);
    EXPECT_EQ(w.Strings(0), u"c");
    try {
        w.SetStrings(3, u"x");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Wide String Out of Bounds");
    }
    EXPECT_THROW(w.SetStrings(-1, u"x"), Exception);
    // Reading outside the range is quiet.
    EXPECT_EQ(w.Strings(7), u"");
    EXPECT_EQ(w.Objects(-1), nullptr);
    w.SetObjects(9, &w);
    EXPECT_THROW(w.Delete(2), EListError);
}

TEST(WideStrings, TextSplitting)
{
    TWideStrings w;
    w.SetText(u"a\r\nb");
    EXPECT_EQ(w.Count(), 2);
    w.SetText(u"a\r\n");
    EXPECT_EQ(w.Count(), 1);
    w.SetText(u"");
    EXPECT_EQ(w.Count(), 0);
    w.SetText(u"a\n\rb");
    ASSERT_EQ(w.Count(), 3);
    EXPECT_EQ(w.Strings(1), u"");
    w.SetText(u"a\u2028b\r\u2028c");
    ASSERT_EQ(w.Count(), 3);
    EXPECT_EQ(w.Strings(2), u"c");
    w.SetText(std::u16string(u"x\0y", 3));
    EXPECT_EQ(w.Count(), 1);
    w.SetText(u"one\ntwo");
    EXPECT_EQ(w.Text(), u"one\r\ntwo\r\n");
}

TEST(WideStrings, SaveAndLoadRoundTripWithChinese)
{
    TWideStrings w;
    w.Add(u"中文第一行");
    w.Add(u"");
    w.Add(u"second 行");
    TMemoryStream s;
    w.SaveToStream(s);
    EXPECT_EQ(s.Size(), 2 + 2 * static_cast<int64_t>(w.Text().size()));
    s.Seek(0, soBeginning);
    TWideStrings back;
    back.LoadFromStream(s);
    EXPECT_EQ(back, w);

    const std::string file = ::testing::TempDir() + "wide.txt";
    w.SaveToFile(file);
    TWideStrings fromFile;
    fromFile.LoadFromFile(file);
    EXPECT_EQ(fromFile, w);
    std::filesystem::remove(file);
}

TEST(WideStrings, ShortOrUnmarkedStreamsAreEightBitText)
{
    TWideStrings w;
    auto load = [&w](const std::string& bytes) {
        TStringStream in(bytes);
        w.LoadFromStream(in);
    };
    load("\xFF\xFE");
    EXPECT_EQ(w.Count(), 1);
    load("a");
    EXPECT_EQ(w.Strings(0), u"a");
    load("\xEF\xBB\xBF中\r\nb");
    ASSERT_EQ(w.Count(), 2);
    EXPECT_EQ(w.Strings(0), u"中");
    load(std::string("\xFF\xFE" "a\0b", 5));  // an odd trailing byte of UTF-16 is dropped, not read past
    EXPECT_EQ(w.Strings(0), u"a");
}

TEST(WideStrings, AnsiListsConvertWithUtf8)
{
    TStringList list;
    list.Add("中");
    list.AddObject("b", &list);
    TWideStrings w;
    w.Assign(&list);
    EXPECT_EQ(w.Strings(0), u"中");
    EXPECT_EQ(w.Objects(1), &list);
    w.SetStrings(0, u"文");
    TStringList back;
    back.Assign(&w);
    EXPECT_EQ(back.Text(), "文\r\nb\r\n");
    TWideStrings copy;
    copy.Assign(&w);
    EXPECT_EQ(copy, w);
}

TEST(CodePageFunctions, ByCodePageAndCharset)
{
    EXPECT_EQ(AnsiToUnicode("\xD6\xD0", 1, 936), u"\u4E2D");
    EXPECT_EQ(AnsiToUnicode("\xD6\xD0", 134), u"\u4E2D");
    EXPECT_EQ(UnicodeToAnsi(u"\U0001F600", 134), "?");
    EXPECT_EQ(UnicodeToAnsi(u"中", 1), "中");
    EXPECT_EQ(AnsiToUnicode("", 134), u"");
    EXPECT_EQ(CharsetToCP(134), 936);
    EXPECT_EQ(CharsetToCP(1), CP_UTF8);
    EXPECT_THROW(CharsetToCP(99), EConvertError);
    // The symbol charset maps bytes into the private use area.
    EXPECT_EQ(AnsiToUnicode("\x41\xFF", 2), u"\uF041\uF0FF");
    EXPECT_EQ(UnicodeToAnsi(u"\uF041\uF0FF", 2), "\x41\xFF");
    EXPECT_EQ(CharsetToLCID(134), 2052);
    EXPECT_EQ(CharsetToLCID(128), 1041);
    EXPECT_EQ(CharsetToLCID(0), 2052);
}
