#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "DrawTextTestUtil.h"
#include "RecordingCanvas.h"

namespace {

using namespace drawtext_test;

// A memo's text area of `width` x `height` report units at (10, 20), drawn
// at `scale` device pixels per report unit, as the page drawer does.
struct Drawn {
    TrpDrawText d;
    TRect box;
    std::vector<TCanvasRecord> texts;
};

Drawn draw(std::u16string_view text, int width, int height, Extended scale, int hAlign = rpHLeft,
           int vAlign = rpVTop, const Options& o = {}, const FontSpec& font = makeFont())
{
    Drawn out;
    applyFont(out.d, font);
    out.d.SetOptions(o.wordWrap, o.tags, o.rtl, o.wordBreak, o.clipped, o.wysiwyg, o.rotation);
    out.box = {int(Round(10 * scale)), int(Round(20 * scale)), int(Round((10 + width) * scale)),
               int(Round((20 + height) * scale))};
    out.d.SetDimensions(out.box, out.box, scale, scale);
    out.d.SetGaps(o.paragraphGap, o.charSpacing, o.lineSpacing);
    out.d.SetText(text);
    TRecordingCanvas canvas(int(Round(96 * scale)));
    out.d.DrawText(canvas, hAlign, vAlign);
    for (const TCanvasRecord& r : canvas.Records())
        if (r.kind == TCanvasRecord::ExtTextOut) out.texts.push_back(r);
    return out;
}

// Start of each character relative to the record's origin, and the end.
std::vector<int> positions(const TCanvasRecord& r)
{
    std::vector<int> p{0};
    for (int dx : r.dx) p.push_back(p.back() + dx);
    return p;
}

// The 600-dpi positions of a line scaled to the device, rounded cumulatively.
std::vector<int> measuredScaled(const TrpTextLine& line, Extended scale)
{
    std::vector<int> p{0};
    int64_t sum = 0;
    for (int32_t w : line.Widths) p.push_back(int(Round((sum += w) * scale / TrpDrawText::r)));
    return p;
}

// The drawer keeps its working buffers from one text to the next (and lets
// a long text's go): what it draws after a long text, or a text with
// markup, is what a fresh drawer draws.
TEST(DrawTextDrawing, ADrawerUsedBeforeDrawsAsAFreshOne)
{
    std::u16string longText;
    for (int i = 0; i < 900; ++i) longText += u"<b>bold</b> x<sub>2</sub> ";
    const std::u16string shortText = u"Wa <i>b</i>\r\nplain text that wraps in the box\r\n\r\nend";
    for (const std::u16string& before : {longText, std::u16string(u"<font color=red>r\r\n<u>u")}) {
        Drawn used = draw(before, 300, 2000, 1.5L, rpHBlock);
        applyFont(used.d, makeFont("Arial", 12));
        used.d.SetOptions(true, true, false, false, true, true, 0);
        used.d.SetDimensions(used.box, used.box, 1.5L, 1.5L);
        used.d.SetGaps(0, 0, 2);
        used.d.SetText(shortText);
        TRecordingCanvas canvas(int(Round(96 * 1.5L)));
        used.d.DrawText(canvas, rpHBlock, rpVTop);
        const Drawn fresh = draw(shortText, 300, 2000, 1.5L, rpHBlock, rpVTop, {}, makeFont("Arial", 12));
        ASSERT_EQ(used.d.Lines().size(), fresh.d.Lines().size());
        std::vector<TCanvasRecord> texts;
        for (const TCanvasRecord& r : canvas.Records())
            if (r.kind == TCanvasRecord::ExtTextOut) texts.push_back(r);
        ASSERT_EQ(texts.size(), fresh.texts.size());
        for (size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i].text, fresh.texts[i].text);
            EXPECT_EQ(texts[i].points, fresh.texts[i].points);
            EXPECT_EQ(texts[i].dx, fresh.texts[i].dx);
            EXPECT_EQ(texts[i].fontStyle, fresh.texts[i].fontStyle);
        }
    }
}

TEST(DrawTextDrawing, GlyphPositionsAreTheMeasuredOnesScaledTo96Dpi)
{
    const Drawn out = draw(u"Wa \u4E2D\u6587 ab", 200, 30, 1);
    ASSERT_EQ(out.texts.size(), 1u);
    const TCanvasRecord& r = out.texts[0];
    EXPECT_EQ(r.text, u"Wa \u4E2D\u6587 ab");
    EXPECT_EQ(r.points[0], (TPoint{10, 20}));
    EXPECT_EQ(positions(r), measuredScaled(out.d.Lines()[0], 1));
    EXPECT_EQ(r.fontHeight, -13);  // Round(83 / 6.25)
    EXPECT_EQ(r.fontName, "Arial");
}

TEST(DrawTextDrawing, WithoutWysiwygTheDevicesOwnAdvancesAreUsed)
{
    const Drawn out = draw(u"aaaa", 100, 30, 1, rpHLeft, rpVTop, {.wysiwyg = false});
    EXPECT_EQ(out.texts[0].dx, (std::vector<int>{7, 7, 7, 7}));  // 'a' at 13 px: 7.23
}

TEST(DrawTextDrawing, At600DpiTheAdvancesAreTheMeasuredWidths)
{
    const Drawn out = draw(u"Wa \u4E2D\u6587 ab", 200, 30, TrpDrawText::r);
    ASSERT_EQ(out.texts.size(), 1u);
    const TCanvasRecord& r = out.texts[0];
    EXPECT_EQ(r.dx, std::vector<int>(out.d.Lines()[0].Widths.begin(), out.d.Lines()[0].Widths.end()));
    EXPECT_EQ(r.fontHeight, -83);
    EXPECT_EQ(r.points[0], (TPoint{62, 125}));  // Round(62.5) is 62
}

TEST(DrawTextDrawing, Alignments)
{
    // 'aaaa' is 184 px, 29.44 units, 29 px on screen.
    Drawn right = draw(u"aaaa", 100, 30, 1, rpHRight);
    EXPECT_EQ(right.texts[0].points[0].X + positions(right.texts[0]).back(), right.box.Right);
    Drawn centre = draw(u"aaaa", 100, 30, 1, rpHCenter);
    EXPECT_EQ(centre.texts[0].points[0].X, centre.box.Left + (100 - 29) / 2);
    Drawn left = draw(u"aaaa", 100, 30, 1, rpHLeft);
    EXPECT_EQ(left.texts[0].points[0].X, left.box.Left);
}

TEST(DrawTextDrawing, BlockAlignmentFillsAllButTheParagraphsLastLine)
{
    const Drawn out = draw(u"aaaa aa aaa aaaa aaaa aa", 69, 100, 1, rpHBlock);
    ASSERT_EQ(out.texts.size(), out.d.Lines().size());
    ASSERT_GE(out.texts.size(), 2u);
    for (size_t k = 0; k + 1 < out.texts.size(); ++k) {
        EXPECT_EQ(out.texts[k].points[0].X, out.box.Left);
        EXPECT_EQ(out.texts[k].points[0].X + positions(out.texts[k]).back(), out.box.Right) << k;
    }
    const TCanvasRecord& last = out.texts.back();
    EXPECT_EQ(positions(last), measuredScaled(out.d.Lines().back(), 1));
    // The free width went to the blanks only.
    const std::vector<int> p = positions(out.texts[0]), m = measuredScaled(out.d.Lines()[0], 1);
    EXPECT_EQ(p[1] - p[0], m[1] - m[0]);
}

TEST(DrawTextDrawing, RightToLeftBlockEndsParagraphsOnTheRight)
{
    const Drawn out = draw(u"aaaa aa aaa aaaa aaaa aa", 69, 100, 1, rpHBlock, rpVTop, {.rtl = true});
    const TCanvasRecord& last = out.texts.back();
    EXPECT_EQ(last.points[0].X + positions(last).back(), out.box.Right);
    EXPECT_EQ(positions(last), measuredScaled(out.d.Lines().back(), 1));
}

TEST(DrawTextDrawing, BlockAlignmentWithoutBlanksSpreadsOverTheCharacters)
{
    const Drawn out = draw(u"\u4E2D\u6587\u4E2D\u6587\u4E2D\u6587\u4E2D", 69, 100, 1, rpHBlock);
    ASSERT_EQ(out.texts.size(), 2u);
    const std::vector<int> p = positions(out.texts[0]);
    EXPECT_EQ(out.texts[0].points[0].X + p.back(), out.box.Right);
    // Five ideographs of 13.28 px in 69 px: each keeps its advance and gets
    // an even share of the rest.
    const std::vector<int> m = measuredScaled(out.d.Lines()[0], 1);
    for (size_t i = 1; i < p.size(); ++i) EXPECT_LE(std::abs((p[i] - p[i - 1]) - (m[i] - m[i - 1]) - 1), 1) << i;
}

TEST(DrawTextDrawing, ParagraphGapIndentsTheFirstLineWhenLeftOrBlock)
{
    const Options o{.paragraphGap = 10};
    const Drawn left = draw(u"aaaa aaaa aaaa", 69, 100, 2, rpHLeft, rpVTop, o);
    ASSERT_EQ(left.texts.size(), 2u);
    EXPECT_EQ(left.texts[0].points[0].X, left.box.Left + 20);
    EXPECT_EQ(left.texts[1].points[0].X, left.box.Left);
    const Drawn right = draw(u"aaaa", 69, 100, 1, rpHRight, rpVTop, o);
    EXPECT_EQ(right.texts[0].points[0].X + positions(right.texts[0]).back(), right.box.Right);
}

TEST(DrawTextDrawing, ColourAndStyleRunsAreDrawnSeparately)
{
    const Drawn out = draw(u"a<font color=\"#FF0000\">b</font><b>c</b>", 100, 30, TrpDrawText::r);
    ASSERT_EQ(out.texts.size(), 3u);
    EXPECT_EQ(out.texts[0].fontColor, clBlack);
    EXPECT_EQ(out.texts[1].fontColor, clRed);
    EXPECT_EQ(out.texts[1].text, u"b");
    EXPECT_TRUE(out.texts[2].fontStyle.Contains(fsBold));
    const std::vector<int32_t>& w = out.d.Lines()[0].Widths;
    EXPECT_EQ(out.texts[1].points[0].X, out.box.Left + w[0]);
    EXPECT_EQ(out.texts[2].points[0].X, out.box.Left + w[0] + w[1]);
}

TEST(DrawTextDrawing, SubscriptIsDrawnSmallerAndLower)
{
    const Drawn out = draw(u"H<sub>2</sub>O", 100, 30, TrpDrawText::r);
    ASSERT_EQ(out.texts.size(), 3u);
    EXPECT_EQ(out.texts[1].fontHeight, -58);  // 7 pt at 600 dpi
    EXPECT_GT(out.texts[1].points[0].Y, out.texts[0].points[0].Y);
    EXPECT_EQ(out.texts[2].points[0].Y, out.texts[0].points[0].Y);
    const Drawn sup = draw(u"x<sup>2</sup>", 100, 30, TrpDrawText::r);
    EXPECT_EQ(sup.texts[1].points[0].Y, sup.texts[0].points[0].Y);
}

TEST(DrawTextDrawing, RotatedTextRunsUpFromTheBottomLeft)
{
    const Drawn out = draw(u"aaaa aaaa aaaa", 40, 69, 1, rpHLeft, rpVTop, {.rotation = 90});
    ASSERT_EQ(out.texts.size(), 2u);
    EXPECT_EQ(out.texts[0].fontEscapement, 900);
    EXPECT_EQ(out.texts[0].points[0], (TPoint{out.box.Left, out.box.Bottom}));
    // Two lines of 15.28 units make a block of 31 pixels.
    EXPECT_EQ(out.texts[1].points[0], (TPoint{out.box.Left + 16, out.box.Bottom}));
    const Drawn down = draw(u"aaaa", 100, 30, 1, rpHLeft, rpVTop, {.rotation = 180});
    EXPECT_EQ(down.texts[0].points[0], (TPoint{down.box.Right, down.box.Bottom}));
}

TEST(DrawTextDrawing, ClippingAndReadingOrderGoToTheTextCall)
{
    Drawn clipped = draw(u"a", 100, 30, 1);
    EXPECT_EQ(clipped.texts[0].options, ETO_CLIPPED);
    EXPECT_EQ(clipped.texts[0].rect, clipped.box);
    Drawn rtl = draw(u"a", 100, 30, 1, rpHLeft, rpVTop, {.rtl = true, .clipped = false});
    EXPECT_EQ(rtl.texts[0].options, ETO_RTLREADING);
}

TEST(DrawTextDrawing, WysiwygKeepsTheMeasuredBlockHeight)
{
    const std::u16string text = u"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10";
    // 15.28 units a line: whole steps of 15, and 3 pixels over 9 gaps.
    const Drawn exact = draw(text, 100, 200, 1);
    ASSERT_EQ(exact.texts.size(), 10u);
    EXPECT_EQ(exact.texts.back().points[0].Y - exact.box.Top, 138);
    for (size_t k = 1; k < 10; ++k) {
        const int gap = exact.texts[k].points[0].Y - exact.texts[k - 1].points[0].Y;
        EXPECT_TRUE(gap == 15 || gap == 16) << k;
    }
    const Drawn device = draw(text, 100, 200, 1, rpHLeft, rpVTop, {.wysiwyg = false});
    EXPECT_EQ(device.texts.back().points[0].Y - device.box.Top, 135);
}

TEST(DrawTextDrawing, VerticalAlignmentPlacesTheBlock)
{
    const Drawn bottom = draw(u"a", 100, 40, 1, rpHLeft, rpVBottom);
    EXPECT_EQ(bottom.texts[0].points[0].Y, bottom.box.Bottom - 15);
    const Drawn centre = draw(u"a", 100, 40, 1, rpHLeft, rpVCenter);
    EXPECT_EQ(centre.texts[0].points[0].Y, centre.box.Top + (40 - 15) / 2);
}

TEST(DrawTextDrawing, AWrapBoxKeepsTheMeasuredLineBreaksAtAnyScale)
{
    // Nine letters and an apostrophe: 430 px, within 69 units (431 px).
    const std::u16string text = u"aaaaaaaaa'";
    TrpDrawText d;
    layout(d, text, 69);
    EXPECT_EQ(d.Lines().size(), 1u);
    // At 1.5 the device box rounds to 103 px, 68.67 units, 429 px.
    d.SetDimensions({15, 30, 118, 100}, {15, 30, 118, 100}, 1.5, 1.5);
    d.SetText(text);
    EXPECT_EQ(d.WrapWidth(), 429);
    EXPECT_EQ(d.Lines().size(), 2u);
    d.SetWrapBox(69, 46);
    d.SetText(text);
    EXPECT_EQ(d.WrapWidth(), 431);
    EXPECT_EQ(d.Lines().size(), 1u);
}

size_t drawnCharacters(const std::vector<TCanvasRecord>& texts)
{
    size_t n = 0;
    for (const TCanvasRecord& r : texts) n += r.text.size();
    return n;
}

// A text of a million characters draws what its box shows and no more: the
// lines below it and the characters past its edge make no glyph runs, and
// what is drawn is drawn where it was.
TEST(DrawTextDrawing, OnlyWhatTheBoxShowsIsDrawn)
{
    std::u16string words;
    while (words.size() < 1000000) words += u"aaaa ";
    const Drawn top = draw(words, 100, 40, 2);
    ASSERT_GT(top.d.Lines().size(), 10000u);
    ASSERT_LE(top.texts.size(), 5u);  // 15.28 units a line, a part-shown one included
    for (size_t k = 0; k < top.texts.size(); ++k) EXPECT_EQ(top.texts[k].text, top.d.Lines()[k].Text);
    const Drawn bottom = draw(words, 100, 40, 2, rpHLeft, rpVBottom);
    ASSERT_FALSE(bottom.texts.empty());
    EXPECT_LE(bottom.texts.size(), 5u);
    EXPECT_EQ(bottom.texts.back().text, bottom.d.Lines().back().Text);
    EXPECT_LT(bottom.texts.back().points[0].Y, bottom.box.Bottom);
    // Lines with no height print over one another: only a few are drawn.
    for (const bool wysiwyg : {false, true}) {
        const Drawn stacked = draw(words, 100, 40, 2, rpHLeft, rpVTop, {.wysiwyg = wysiwyg, .lineSpacing = -20});
        EXPECT_LE(stacked.texts.size(), 16u * 200) << wysiwyg;  // 80 pixels and a margin of glyphs
    }

    // One long line, cut past the box's edge; its first characters are drawn
    // as a short text's are.
    const std::u16string letters(1000000, u'a');
    const Options oneLine{.wordWrap = false};
    for (const int rotation : {0, 90, 30}) {
        SCOPED_TRACE(rotation);
        Options o = oneLine;
        o.rotation = rotation;
        const Drawn cut = draw(letters, 100, 100, 2, rpHLeft, rpVTop, o);
        ASSERT_FALSE(cut.texts.empty());
        EXPECT_LT(drawnCharacters(cut.texts), 100u);  // 'a' is 14.72 px at 2
        const Drawn whole = draw(letters.substr(0, cut.texts[0].text.size()), 100, 100, 2, rpHLeft, rpVTop, o);
        EXPECT_EQ(cut.texts[0].points, whole.texts[0].points);
        EXPECT_EQ(cut.texts[0].dx, whole.texts[0].dx);
    }
    // Right-aligned, the end of the line shows.
    const Drawn right = draw(letters, 100, 100, 2, rpHRight, rpVTop, oneLine);
    EXPECT_LT(drawnCharacters(right.texts), 100u);
    EXPECT_EQ(right.texts.back().points[0].X + positions(right.texts.back()).back(), right.box.Right);
}

// Text that is not clipped to its box shows as far as the canvas's clip, and
// without one no farther than the largest paper.
TEST(DrawTextDrawing, UnclippedTextIsDrawnAsFarAsTheCanvasShows)
{
    const std::u16string letters(1000000, u'a');
    TrpDrawText d;
    applyFont(d, makeFont());
    d.SetOptions(false, true, false, false, false, true, 0);
    const TRect box{10, 20, 110, 60};
    d.SetDimensions(box, box);
    d.SetGaps(0, 0, 2);
    d.SetText(letters);
    TRecordingCanvas clipped;
    clipped.SetClipRect(TRect{0, 0, 800, 600});
    d.DrawText(clipped, rpHLeft);
    std::vector<TCanvasRecord> texts;
    for (const TCanvasRecord& r : clipped.Records())
        if (r.kind == TCanvasRecord::ExtTextOut) texts.push_back(r);
    const size_t shown = drawnCharacters(texts);
    EXPECT_GT(shown, 700u / 8);  // 'a' is 7.36 px
    EXPECT_LT(shown, 900u / 7);
    TRecordingCanvas open;
    d.DrawText(open, rpHLeft);
    texts.clear();
    for (const TCanvasRecord& r : open.Records())
        if (r.kind == TCanvasRecord::ExtTextOut) texts.push_back(r);
    EXPECT_GT(drawnCharacters(texts), 19200u / 8);  // 200 inches
    EXPECT_LT(drawnCharacters(texts), 19400u / 7);
}

TEST(DrawTextDrawing, TheCanvasFontIsPutBackAndEmptyTextDrawsNothing)
{
    TrpDrawText d;
    layout(d, u"a", 100);
    TRecordingCanvas canvas;
    canvas.Font()->SetName("Courier New");
    canvas.Font()->SetHeight(-20);
    d.DrawText(canvas, rpHLeft);
    EXPECT_EQ(canvas.Records().size(), 1u);
    EXPECT_EQ(canvas.Font()->Name(), "Courier New");
    EXPECT_EQ(canvas.Font()->Height(), -20);
    layout(d, u"", 100);
    d.DrawText(canvas, rpHLeft);
    EXPECT_EQ(canvas.Records().size(), 1u);
}

TEST(DrawTextDrawing, HugeGapsAreHeldAndPositionsStayInOrder)
{
    const Extended huge = 1e9L;
    struct Case {
        const char* name;
        std::u16string text;
        int hAlign;
        Options o;
    };
    const Case cases[] = {
        {"line spacing", u"a\r\nb\r\nc", rpHLeft, {.lineSpacing = huge}},
        {"negative line spacing", u"a\r\nb\r\nc", rpHLeft, {.lineSpacing = -huge}},
        {"char spacing, device advances", u"abc", rpHLeft, {.wysiwyg = false, .charSpacing = huge}},
        {"negative char spacing, device advances", u"abc", rpHLeft, {.wysiwyg = false, .charSpacing = -huge}},
        {"char spacing, turned, block", u"abc def", rpHBlock, {.wordWrap = false, .rotation = 90, .charSpacing = huge}},
        {"negative char spacing, block", u"abc def\r\nx", rpHBlock, {.charSpacing = -huge}},
        {"paragraph gap", u"abc", rpHRight, {.paragraphGap = huge}},
        {"not a number", u"abc", rpHLeft, {.charSpacing = std::nanl(""), .lineSpacing = std::nanl("")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Drawn out = draw(c.text, 200, 100, TrpDrawText::r, c.hAlign, rpVTop, c.o);
        ASSERT_FALSE(out.texts.empty());
        for (const TCanvasRecord& r : out.texts) {
            for (int v : {r.points[0].X, r.points[0].Y}) EXPECT_LE(std::abs(int64_t{v}), kMaxCoordinate);
            const std::vector<int> p = positions(r);
            for (size_t i = 1; i < p.size(); ++i) {
                EXPECT_LE(std::abs(int64_t{p[i]}), 2 * kMaxCoordinate) << i;
                if (c.o.charSpacing > 0) {
                    EXPECT_GT(p[i], p[i - 1]) << i;
                }
            }
        }
        // Lines go down in order, however far apart.
        if (c.o.rotation == 0 && c.o.lineSpacing > 0) {
            for (size_t k = 1; k < out.texts.size(); ++k) EXPECT_GT(out.texts[k].points[0].Y, out.texts[k - 1].points[0].Y) << k;
        }
    }
    TrpDrawText d;
    layout(d, u"ab", 100, 100, makeFont(), {.wordWrap = false, .charSpacing = huge, .lineSpacing = -huge});
    EXPECT_GT(d.CalcWidth(), 2 * TrpDrawText::kMaxGap);
    EXPECT_LT(d.CalcWidth(), 2 * TrpDrawText::kMaxGap + 100);
    EXPECT_GT(d.LineHeight(), 0);
}

}  // namespace
