#include <gtest/gtest.h>

#include <random>

#include "CodePages.h"
#include "DrawTextTestUtil.h"

namespace {

using namespace drawtext_test;

class DrawText : public ::testing::Test {
protected:
    std::vector<std::u16string> texts() const
    {
        std::vector<std::u16string> out;
        for (const TrpTextLine& line : d.Lines()) out.push_back(line.Text);
        return out;
    }
    TrpDrawText d;
};
using DrawTextTags = DrawText;
using DrawTextMeasures = DrawText;
using DrawTextWrap = DrawText;
using DrawTextSplit = DrawText;

// ---- Tags and positions

TEST_F(DrawTextTags, BoldTagCoversOnlyItsLetterAndPositionsCountTheTags)
{
    layout(d, u"a<b>b</b>c", 500);
    ASSERT_EQ(d.Lines().size(), 1u);
    const TrpTextLine& line = d.Lines()[0];
    EXPECT_EQ(line.Text, u"abc");
    EXPECT_FALSE(line.Tags[0].Style.Contains(fsBold));
    EXPECT_TRUE(line.Tags[1].Style.Contains(fsBold));
    EXPECT_FALSE(line.Tags[2].Style.Contains(fsBold));
    EXPECT_EQ(line.Tags[0].Position, 1);
    EXPECT_EQ(line.Tags[1].Position, 5);
    EXPECT_EQ(line.Tags[2].Position, 10);
    EXPECT_TRUE(line.Tags[0].Default);
    EXPECT_FALSE(line.Tags[1].Default);
    EXPECT_FALSE(line.Tags[2].Default);
}

// A line with no markup of its own is in the state the line before left
// (its first character marked as a change from the font), and with tags
// off, markup is text in the font's own state.
TEST_F(DrawTextTags, LinesWithoutMarkupTakeTheStateLeftBefore)
{
    layout(d, u"a<b>b<sub>1\r\ncd\r\n\r\n<\r\ne", 500);
    ASSERT_EQ(texts(), (std::vector<std::u16string>{u"ab1", u"cd", u" ", u"<", u"e"}));
    for (size_t k = 1; k < d.Lines().size(); ++k) {
        const TrpTextLine& line = d.Lines()[k];
        for (size_t i = 0; i < line.Tags.size(); ++i) {
            const TrpHTMLTag& tag = line.Tags[i];
            EXPECT_EQ(tag.Position, static_cast<int>(i) + 1) << k;
            EXPECT_TRUE(tag.Style.Contains(fsBold)) << k;
            EXPECT_TRUE(tag.Small) << k;
            EXPECT_EQ(tag.Size, 7) << k;
            EXPECT_EQ(tag.AddY, 1) << k;
            EXPECT_EQ(tag.Default, i > 0) << k << ' ' << i;
        }
    }

    Options off;
    off.tags = false;
    layout(d, u"a<b>c\r\nxy", 5000, 1000, makeFont("Arial", 10, clRed, {fsItalic}), off);
    ASSERT_EQ(texts(), (std::vector<std::u16string>{u"a<b>c", u"xy"}));
    for (const TrpTextLine& line : d.Lines()) {
        for (size_t i = 0; i < line.Tags.size(); ++i) {
            const TrpHTMLTag& tag = line.Tags[i];
            EXPECT_EQ(tag.Position, static_cast<int>(i) + 1);
            EXPECT_TRUE(tag.Default);
            EXPECT_EQ(tag.Style, TFontStyles{fsItalic});
            EXPECT_EQ(tag.Color, clRed);
            EXPECT_EQ(tag.Size, 10);
            EXPECT_FALSE(tag.Small);
        }
    }
}

TEST_F(DrawTextTags, SubscriptAndSuperscriptTakeTwoThirdsOfTheSize)
{
    layout(d, u"H<sub>2</sub>O x<sup>2</sup>", 500);
    const TrpTextLine& line = d.Lines()[0];
    ASSERT_EQ(line.Text, u"H2O x2");
    EXPECT_EQ(line.Tags[1].Size, 7);  // Round(10 / 1.5)
    EXPECT_EQ(line.Tags[1].AddY, 1);
    EXPECT_TRUE(line.Tags[1].Small);
    EXPECT_EQ(line.Tags[2].Size, 10);
    EXPECT_FALSE(line.Tags[2].Small);
    EXPECT_EQ(line.Tags[5].AddY, 0);
    EXPECT_TRUE(line.Tags[5].Small);
    // Measured at full size, then two thirds: '2' is 46 px at 83 px.
    EXPECT_EQ(line.Widths[1], 31);
    EXPECT_EQ(line.Widths[0], 60);
}

TEST_F(DrawTextTags, FontColourValues)
{
    layout(d, u"<font color=\"#FF0000\">r</font>k<font color=blue>b</font><FONT COLOR=  \"#00ff00\">g", 500);
    const TrpTextLine& line = d.Lines()[0];
    ASSERT_EQ(line.Text, u"rkbg");
    EXPECT_EQ(line.Tags[0].Color, clRed);
    EXPECT_EQ(line.Tags[1].Color, clBlack);
    EXPECT_EQ(line.Tags[2].Color, clBlue);
    EXPECT_EQ(line.Tags[3].Color, clLime);
}

TEST_F(DrawTextTags, UnrecognisedTagsStayLiteral)
{
    layout(d, u"<font color=xyz>a</font>", 1000);
    EXPECT_EQ(d.Lines()[0].Text, u"<font color=xyz>a");
    // Non-hex digits would have raised on the old platform; here the tag is text.
    layout(d, u"<font color=\"#GG0000\">a", 1000);
    EXPECT_EQ(d.Lines()[0].Text, u"<font color=\"#GG0000\">a");
    layout(d, u"<q>a</q> 1 < 2 <b", 1000);
    EXPECT_EQ(d.Lines()[0].Text, u"<q>a</q> 1 < 2 <b");
}

TEST_F(DrawTextTags, ALongLineOfUnclosedTagsStaysText)
{
    // Each '<' once looked for its '>' to the end of the line.
    std::u16string line;
    for (int i = 0; i < 100000; ++i) line += u"<font color=#";
    layout(d, line, 1000, 1000, makeFont(), {.wordWrap = false});
    ASSERT_EQ(d.Lines().size(), 1u);
    EXPECT_EQ(d.Lines()[0].Text, line);
    // One '>' at the very end: every '<' before it is a (long) tag that fails.
    line += u">x";
    layout(d, line, 1000, 1000, makeFont(), {.wordWrap = false});
    EXPECT_EQ(d.Lines()[0].Text, line);
    layout(d, u"<font color=red>a<font color=#<b>b", 1000);
    EXPECT_EQ(d.Lines()[0].Text, u"a<font color=#b");
    EXPECT_TRUE(d.Lines()[0].Tags[14].Style.Contains(fsBold));
    EXPECT_EQ(d.Lines()[0].Tags[14].Color, clRed);
}

TEST_F(DrawTextTags, WithTagsOffEverythingIsLiteralAndDefault)
{
    layout(d, u"<b>x</b>", 1000, 1000, makeFont(), {.tags = false});
    const TrpTextLine& line = d.Lines()[0];
    EXPECT_EQ(line.Text, u"<b>x</b>");
    for (const TrpHTMLTag& tag : line.Tags) {
        EXPECT_TRUE(tag.Default);
        EXPECT_FALSE(tag.Style.Contains(fsBold));
    }
}

TEST_F(DrawTextTags, StateRunsOnIntoTheNextLine)
{
    layout(d, u"<font color=\"#FF0000\">a\r\nb</font>c", 1000);
    ASSERT_EQ(d.Lines().size(), 2u);
    EXPECT_EQ(d.Lines()[1].Tags[0].Color, clRed);
    EXPECT_EQ(d.Lines()[1].Tags[0].Position, 1);
    EXPECT_EQ(d.Lines()[1].Tags[1].Color, clBlack);
}

// ---- Lines and measures

TEST_F(DrawTextMeasures, AnEmptyLineCountsAsOneLine)
{
    layout(d, u"a\r\n\r\nb", 500);
    ASSERT_EQ(d.Lines().size(), 3u);
    EXPECT_EQ(d.Lines()[1].Text, u" ");
    EXPECT_EQ(d.CalcHeight(), 3 * d.LineHeight());
    layout(d, u"", 500);
    EXPECT_TRUE(d.Lines().empty());
    EXPECT_EQ(d.CalcHeight(), 0);
    EXPECT_EQ(d.CalcWidth(), 0);
    layout(d, u"a\n", 500);  // a final line break adds no line
    EXPECT_EQ(d.Lines().size(), 1u);
}

TEST_F(DrawTextMeasures, LineHeightIsTheEmPlusLineSpacing)
{
    layout(d, u"a", 500, 1000, makeFont("Arial", 9));
    EXPECT_EQ(d.FontPixelHeight(), 75);
    EXPECT_EQ(d.LineHeight(), 14);
    // Font-independent: Song has the same line height.
    layout(d, u"a", 500, 1000, makeFont("\xE5\xAE\x8B\xE4\xBD\x93", 9));
    EXPECT_EQ(d.LineHeight(), 14);
}

TEST_F(DrawTextMeasures, UnusedSpaceOfAnExactFitIsNotZero)
{
    layout(d, u"a\r\nb\r\nc\r\nd", 500, 41, makeFont("Arial", 9));  // 42 units from 0 to 41 inclusive
    EXPECT_EQ(d.UnusedSpace(), 0.0001L);
    layout(d, u"a\r\nb\r\nc\r\nd", 500, 49, makeFont("Arial", 9));
    EXPECT_EQ(d.UnusedSpace(), 8);
    layout(d, u"a", 500, 5, makeFont("Arial", 9));
    EXPECT_EQ(d.UnusedSpace(), 0);
}

TEST_F(DrawTextMeasures, NegativeLineSpacing)
{
    layout(d, u"a\r\nb", 500, 1000, makeFont(), {.lineSpacing = -2});
    EXPECT_NEAR(static_cast<double>(d.CalcHeight()), 2 * (83 / 6.25 - 2) + 2, 1e-9);
    // As large as the font: the height is clamped, nothing divides by zero.
    layout(d, u"a\r\nb", 500, 100, makeFont(), {.lineSpacing = -20});
    EXPECT_GT(d.LineHeight(), 0);
    EXPECT_GE(d.UnusedSpace(), 0);
    std::u16string rest;
    d.GetInBoundsText(rest);
    EXPECT_TRUE(rest.empty());
}

TEST_F(DrawTextMeasures, CalcWidthAddsSpacingAndTheParagraphGap)
{
    layout(d, u"aaaa", 1000);
    EXPECT_EQ(d.CalcWidth(), 184 / TrpDrawText::r);  // 4 x 46
    layout(d, u"aaaa", 1000, 1000, makeFont(), {.paragraphGap = 2, .charSpacing = 1});
    EXPECT_EQ(d.CalcWidth(), (184 + 25 + 12) / TrpDrawText::r);  // Round(4 x 6.25), Round(12.5)
}

// ---- Wrapping

TEST_F(DrawTextWrap, WrapWidthRoundsHalfToEven)
{
    layout(d, u"a", 90);
    EXPECT_EQ(d.WrapWidth(), 562);  // 562.5
    layout(d, u"a", 69);
    EXPECT_EQ(d.WrapWidth(), 431);
    layout(d, u"a", 69, 1000, makeFont(), {.paragraphGap = 10});
    EXPECT_EQ(d.FirstLineWidth(), 369);  // (69 - 10) x 6.25 = 368.75
}

TEST_F(DrawTextWrap, BreakFallsAtTheLastBlankThatFits)
{
    // 'a' 46, blank 23 at 83 px; the box is 431 px wide.
    layout(d, u"aaaa aaaa aaaa", 69);
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"aaaa aaaa", u"aaaa"}));
    EXPECT_EQ(d.Lines()[0].Flags, 1);
    EXPECT_EQ(d.Lines()[1].Flags, 2);
    // A blank that itself passes the width is the break.
    layout(d, u"aaaaaaaaa aa", 69);  // nine letters: 414 px
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"aaaaaaaaa", u"aa"}));
}

TEST_F(DrawTextWrap, IdeographsWithoutBlanksAreCutWhereTheyStopFitting)
{
    layout(d, u"\u4E2D\u6587\u4E2D\u6587\u4E2D\u6587\u4E2D\u6587", 69);  // 8 x 83 px in Arial
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"\u4E2D\u6587\u4E2D\u6587\u4E2D", u"\u6587\u4E2D\u6587"}));
    // One early blank wins over ideographs that could break anywhere.
    layout(d, u"\u4E2D \u6587\u4E2D\u6587\u4E2D\u6587", 69);
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"\u4E2D", u"\u6587\u4E2D\u6587\u4E2D\u6587"}));
}

// Without a blank a line ends where Unicode line breaking lets it, not
// before whatever character stops fitting.
TEST_F(DrawTextWrap, LinesWithoutBlanksKeepNumbersAndWordsWhole)
{
    // A waybill's sender once read "...十二楼120" / "1至1205室": room 120.
    layout(d, u"浙江省杭州市西湖区文三路478号华星时代广场A座十二楼1201至1205室", 253, 1000, makeFont("Arial", 7));
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"浙江省杭州市西湖区文三路478号华星时代广场A座十二楼", u"1201至1205室"}));
    // Closing punctuation stays with what it closes: the ideograph before
    // it goes down with it.
    layout(d, u"中文中文中，文", 69);  // five ideographs fit
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"中文中文", u"中，文"}));
    // A run with no break in it is cut where it stops fitting.
    layout(d, u"12345678901234567890", 69);  // nine digits fit
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"123456789", u"012345678", u"90"}));
    layout(d, u"一12345678901234567890", 69);
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"一", u"123456789", u"012345678", u"90"}));
    // Nor does a line end inside a nowrap span when it may end before it.
    layout(d, u"中中<nowrap>文文文文文文</nowrap>", 69);
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"中中", u"文文文文文", u"文"}));
}

// Chinese product names and addresses of random make-up at every width: no
// number or Latin word is split, no line starts with closing punctuation or
// ends with opening punctuation, every line fits, nothing is lost.
TEST_F(DrawTextWrap, RandomChineseTextNeverSplitsNumbersWordsOrPunctuation)
{
    const std::u16string ideographs = u"纸杯克红色印刷定制室楼号座广场单元线架", closing = u"，。）」、；：！？",
                         opening = u"（「";
    const std::u16string latin = u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    auto isLatin = [&](char16_t c) { return latin.find(c) != std::u16string::npos; };
    std::mt19937 random(43);
    auto pick = [&](const std::u16string& from) { return from[random() % from.size()]; };
    for (int round = 0; round < 200; ++round) {
        std::u16string text;
        for (int token = 0; token < 30; ++token) {
            switch (random() % 6) {
            case 0: text += pick(opening); text += pick(ideographs); break;
            // Runs of digits and letters end at an ideograph: a run is
            // never wider than the narrowest box.
            case 1: for (int k = 1 + random() % 5; k > 0; --k) text += char16_t(u'0' + random() % 10); text += pick(ideographs); break;
            case 2: for (int k = 1 + random() % 4; k > 0; --k) text += pick(latin); text += pick(ideographs); break;
            case 3: text += pick(ideographs); text += pick(closing); break;
            default: text += pick(ideographs);
            }
        }
        const int width = 60 + static_cast<int>(random() % 400);
        layout(d, text, width);
        std::u16string joined;
        for (size_t k = 0; k < d.Lines().size(); ++k) {
            const TrpTextLine& line = d.Lines()[k];
            int64_t lineWidth = 0;
            for (int32_t w : line.Widths) lineWidth += w;
            EXPECT_LE(lineWidth, d.WrapWidth()) << k;
            joined += line.Text;
            if (k == 0) continue;
            const char16_t before = d.Lines()[k - 1].Text.back(), after = line.Text.front();
            const std::string where = "width " + std::to_string(width) + ", line " + std::to_string(k) + " of " +
                                      Utf16ToUtf8(text);
            EXPECT_FALSE(isDigit(before) && isDigit(after)) << where;
            EXPECT_FALSE(isLatin(before) && isLatin(after)) << where;
            EXPECT_EQ(closing.find(after), std::u16string::npos) << where;
            EXPECT_EQ(opening.find(before), std::u16string::npos) << where;
        }
        EXPECT_EQ(joined, text);
    }
}

TEST_F(DrawTextWrap, BlanksInsideNowrapDoNotBreak)
{
    layout(d, u"aaaa <nowrap>aaaa aaaa</nowrap>", 69);
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"aaaa", u"aaaa aaaa"}));
}

TEST_F(DrawTextWrap, ABoxNarrowerThanACharacterTakesOnePerLine)
{
    layout(d, u"ab\U00020000c", 1);
    EXPECT_EQ(texts(), (std::vector<std::u16string>{u"a", u"b", u"\U00020000", u"c"}));
    layout(d, u"abc", 0);
    EXPECT_EQ(d.Lines().size(), 3u);
}

TEST_F(DrawTextWrap, LinesOfAnyLength)
{
    const std::u16string text(100000, u'a');  // beyond the old 32 768-character buffer
    layout(d, text, 69);
    EXPECT_EQ(d.Lines().size(), 100000u / 9 + 1);
    layout(d, text, 69, 1000, makeFont(), {.wordWrap = false});
    ASSERT_EQ(d.Lines().size(), 1u);
    EXPECT_EQ(d.CalcWidth(), 4600000 / TrpDrawText::r);
}

// Laying a text out takes work in proportion to its length whatever it
// holds: counted here, not timed.
TEST_F(DrawTextWrap, LayoutWorkGrowsInProportionToTheText)
{
    struct Case {
        const char* name;
        std::u16string head, unit;
        Options o;
        int width = 69;
    };
    const Case cases[] = {
        {"letters", u"", u"a", {}},
        {"letters in a box narrower than one", u"", u"a", {}, 0},
        {"ideographs", u"", u"中", {}},
        {"a number after an ideograph", u"一", u"1", {}},
        {"short words", u"", u"ab ", {}},
        {"Chinese address", u"", u"杭州市西湖区文三路478号A座1201室，（红色）logo", {}},
        {"a Russian word after a blank, by syllables", u"aaaa ", u"мо", {.wordBreak = true}},
        {"Russian words, by syllables", u"", u"молоко ", {.wordBreak = true}},
        {"blanks in a nowrap span", u"<nowrap>", u"a ", {}},
        {"unclosed tags", u"", u"<b", {}},
        {"unwrapped", u"", u"ab ", {.wordWrap = false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const size_t size : {size_t{1} << 12, size_t{1} << 17}) {
            std::u16string text = c.head;
            while (text.size() < size) text += c.unit;
            layout(d, text, c.width, 1000, makeFont(), c.o);
            const double perCharacter = static_cast<double>(d.LayoutSteps()) / static_cast<double>(text.size());
            EXPECT_GE(perCharacter, 1) << size;
            EXPECT_LE(perCharacter, 6) << size;
        }
    }
}

TEST_F(DrawTextWrap, SidewaysTextWrapsByHeight)
{
    layout(d, u"a", 10, 69, makeFont(), {.rotation = 450});
    EXPECT_EQ(d.Rotation(), 90);
    EXPECT_EQ(d.WrapWidth(), 431);
    layout(d, u"a", 10, 69, makeFont(), {.rotation = -90});
    EXPECT_EQ(d.Rotation(), 270);
    EXPECT_EQ(d.WrapWidth(), 431);
}

TEST_F(DrawTextWrap, RussianWordsSplitBySyllables)
{
    EXPECT_EQ(RussianSyllableBreaks(u"\u043C\u043E\u043B\u043E\u043A\u043E"), (std::vector<int>{2, 4}));  // мо-ло-ко
    EXPECT_EQ(RussianSyllableBreaks(u"\u043A\u0430\u0440\u0442\u0430"), (std::vector<int>{3}));          // кар-та
    EXPECT_TRUE(RussianSyllableBreaks(u"\u043A\u043E\u0442").empty());                                   // кот: too short
    EXPECT_TRUE(RussianSyllableBreaks(u"milk").empty());
    // No line starts with a soft sign: паль-то, not па-льто.
    EXPECT_EQ(RussianSyllableBreaks(u"\u043F\u0430\u043B\u044C\u0442\u043E"), (std::vector<int>{4}));

    layout(d, u"aaaa \u043C\u043E\u043B\u043E\u043A\u043E", 69, 1000, makeFont(), {.wordBreak = true});
    ASSERT_EQ(d.Lines().size(), 2u);
    EXPECT_EQ(d.Lines()[0].Text.back(), u'-');
    EXPECT_TRUE(d.Lines()[0].Hyphenated);
    std::u16string joined = d.Lines()[0].Text;
    joined.pop_back();
    EXPECT_EQ(joined + d.Lines()[1].Text, u"aaaa \u043C\u043E\u043B\u043E\u043A\u043E");
}

TEST_F(DrawTextWrap, ParagraphFlagsAndParaBreaks)
{
    layout(d, u"aaaa aaaa aaaa aaaa aaaa\r\nb", 69);
    ASSERT_EQ(d.Lines().size(), 4u);
    EXPECT_EQ(d.Lines()[0].Flags, 1);
    EXPECT_EQ(d.Lines()[1].Flags, 0);
    EXPECT_EQ(d.Lines()[2].Flags, 2);
    EXPECT_EQ(d.Lines()[3].Flags, 3);
    d.SetParaBreaks(true, true);
    EXPECT_EQ(d.Lines()[0].Flags, 0);
    EXPECT_EQ(d.Lines()[3].Flags, 1);
}

// ---- Splitting across pages

TEST_F(DrawTextSplit, ARedParagraphContinuesRedOnTheNextPage)
{
    const std::u16string text = u"<font color=\"#FF0000\">aaaa aaaa aaaa aaaa aaaa aaaa</font>\r\nend";
    layout(d, text, 69, 30);  // two lines of 15.28 units fit
    ASSERT_EQ(d.Lines().size(), 4u);
    std::u16string rest;
    bool continues = false;
    const std::u16string fits = d.GetInBoundsText(rest, &continues);
    EXPECT_EQ(fits, u"<font color=\"#FF0000\">aaaa aaaa aaaa aaaa");
    EXPECT_EQ(rest, u"<font color=\"#FF0000\">aaaa aaaa</font>\r\nend");
    EXPECT_TRUE(continues);

    // The rest laid out alone is still red, and says where it came from.
    layout(d, rest, 69);
    EXPECT_EQ(d.Lines()[0].Tags[0].Color, clRed);
    EXPECT_EQ(d.Lines()[1].Tags[0].Color, clBlack);
}

TEST_F(DrawTextSplit, StylesInForceGoWithTheRest)
{
    layout(d, u"<b>aaaa aaaa aaaa aaaa aaaa aaaa</b>", 69, 15);
    std::u16string rest;
    d.GetInBoundsText(rest);
    EXPECT_EQ(rest, u"<font color=\"#000000\"><b>aaaa aaaa aaaa aaaa</b>");
}

TEST_F(DrawTextSplit, CutAtAParagraphEndAndNothingToCut)
{
    const Options o{.tags = false};
    layout(d, u"one\r\ntwo\r\nthree", 69, 30, makeFont(), o);
    std::u16string rest;
    bool continues = true;
    EXPECT_EQ(d.GetInBoundsText(rest, &continues), u"one\r\ntwo");
    EXPECT_EQ(rest, u"three");
    EXPECT_FALSE(continues);

    layout(d, u"one\r\ntwo", 69, 100, makeFont(), o);
    EXPECT_EQ(d.GetInBoundsText(rest), u"one\r\ntwo");
    EXPECT_TRUE(rest.empty());

    layout(d, u"one\r\ntwo", 69, 5, makeFont(), o);
    EXPECT_EQ(d.GetInBoundsText(rest), u"");
    EXPECT_EQ(rest, u"one\r\ntwo");
}

// Laying out only the first lines gives the lines a whole layout begins
// with, and the same cut at the bounds, for texts of every make-up.
TEST_F(DrawTextSplit, TheFirstLinesAloneAreTheFirstLinesOfTheWhole)
{
    const std::u16string pieces[] = {u"aaaa ", u"中文", u"1201", u"logo", u"，", u"（", u"<b>", u"</b>",
                                     u"<font color=red>", u"<nowrap>", u"</nowrap>", u"молоко ", u"\r\n", u"  ",
                                     u"<sub>2</sub>", u"𠀀", u"x"};
    std::mt19937 random(45);
    for (int round = 0; round < 300; ++round) {
        std::u16string text;
        // Every third text is one long paragraph in a wide box, so that its
        // first lines hold more than the drawer reads at first.
        const bool longParagraph = round % 3 == 0;
        const int count = 1 + static_cast<int>(random() % (longParagraph ? 5000 : 60));
        for (int k = 0; k < count; ++k) {
            const std::u16string& piece = pieces[random() % std::size(pieces)];
            if (!longParagraph || piece != u"\r\n") text += piece;
        }
        Options o;
        o.wordWrap = random() % 8 != 0;
        o.wordBreak = random() % 2;
        o.tags = random() % 4 != 0;
        o.paragraphGap = static_cast<int>(random() % 3) * 5;
        const int width = longParagraph ? 2000 + static_cast<int>(random() % 20000) : 1 + static_cast<int>(random() % 150);
        const int height = static_cast<int>(random() % 120);
        const std::string where = "round " + std::to_string(round);
        layout(d, text, width, height, makeFont(), o);
        const std::vector<TrpTextLine> whole = d.Lines();
        std::u16string wholeRest;
        bool wholeContinues = false;
        const std::u16string wholeFits = d.GetInBoundsText(wholeRest, &wholeContinues);
        EXPECT_FALSE(d.Truncated()) << where;

        const size_t maxLines = d.LinesInBounds() + 1;
        applyFont(d, makeFont());
        d.SetOptions(o.wordWrap, o.tags, o.rtl, o.wordBreak, o.clipped, o.wysiwyg, o.rotation);
        d.SetDimensions({0, 0, width, height}, {0, 0, width, height});
        d.SetGaps(o.paragraphGap, o.charSpacing, o.lineSpacing);
        d.SetText(text, maxLines);
        ASSERT_EQ(d.Lines().size(), std::min(maxLines, whole.size())) << where;
        EXPECT_EQ(d.Truncated(), whole.size() > maxLines) << where;
        for (size_t k = 0; k < d.Lines().size(); ++k) {
            const TrpTextLine &part = d.Lines()[k], &all = whole[k];
            EXPECT_EQ(part.Text, all.Text) << where << " line " << k;
            EXPECT_EQ(part.SourceStart, all.SourceStart) << where << " line " << k;
            EXPECT_EQ(part.SourceEnd, all.SourceEnd) << where << " line " << k;
            EXPECT_EQ(part.Widths, all.Widths) << where << " line " << k;
            EXPECT_EQ(part.Flags & 1, all.Flags & 1) << where << " line " << k;
        }
        std::u16string rest;
        bool continues = false;
        EXPECT_EQ(d.GetInBoundsText(rest, &continues), wholeFits) << where;
        EXPECT_EQ(rest, wholeRest) << where;
        EXPECT_EQ(continues, wholeContinues) << where;
    }

    // The first lines of a paragraph of a million characters cost what they
    // hold, not what follows them.
    std::u16string paragraph;
    while (paragraph.size() < 1000000) paragraph += u"华星时代广场A座1201室 logo 70克，<b>粗</b>";
    layout(d, u"", 300, 1000);
    d.SetText(paragraph, 3);
    EXPECT_EQ(d.Lines().size(), 3u);
    EXPECT_TRUE(d.Truncated());
    EXPECT_LT(d.LayoutSteps(), 50000u);
}

TEST_F(DrawTextSplit, WrappedTextIsTheLinesInSourceForm)
{
    layout(d, u"<b>aaaa</b> aaaa aaaa", 69);
    EXPECT_EQ(d.GetWrappedText(), u"<b>aaaa</b> aaaa\r\naaaa");
}

}  // namespace
