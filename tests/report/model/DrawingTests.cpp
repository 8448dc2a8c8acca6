// Views drawn on a QImage through the canvas layer, checked pixel by pixel
// at zoom 1 and 2.
#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "RecordingCanvas.h"
#include "engine/Watchdog.h"
#include "rpMemo.h"
#include "rpFrameDraw.h"
#include "rpShapes.h"

using namespace model_test;

namespace {

constexpr QRgb kBlack = 0x000000, kWhite = 0xFFFFFF, kRed = 0xFF0000, kBlue = 0x0000FF, kYellow = 0xFFFF00;

// Draws a view at a zoom onto a white (or given) background.
QImage drawn(TrpReportComponent& view, Extended zoom, int w = 160, int h = 120, QRgb background = kWhite)
{
    Image img(w, h);
    img.image.fill(background);
    view.Draw(*img.canvas, zoom, zoom, 0, 0);
    return img.done();
}

bool black(const QImage& i, int x, int y)
{
    return isColor(i, x, y, kBlack);
}

bool white(const QImage& i, int x, int y)
{
    return isColor(i, x, y, kWhite);
}

TrpMemoView* framed(TrpMemoView& m, TrpFrameTyp typ, TrpFrameStyle style = fsSolid, Extended width = 1)
{
    m.SetBounds(10, 10, 40, 20);
    m.Frame()->SetTyp(typ);
    m.Frame()->SetStyle(style);
    m.Frame()->SetWidth(width);
    return &m;
}

// The run lengths of black and not black along row y from x.
std::vector<int> runs(const QImage& i, int y, int from, int to)
{
    std::vector<int> out;
    bool on = black(i, from, y);
    int length = 0;
    for (int x = from; x < to; ++x) {
        if (black(i, x, y) == on) {
            ++length;
        } else {
            out.push_back(length);
            on = !on;
            length = 1;
        }
    }
    out.push_back(length);
    return out;
}

}  // namespace

TEST(ViewDrawing, FrameSidesMeetAtTheCorners)
{
    const TrpFrameTyp all{ftLeft, ftRight, ftTop, ftBottom};
    {
        TrpMemoView m;
        const QImage i = drawn(*framed(m, all), 1);
        for (int y = 10; y <= 30; ++y) EXPECT_TRUE(black(i, 10, y) && black(i, 50, y)) << y;
        for (int x = 10; x <= 50; ++x) EXPECT_TRUE(black(i, x, 10) && black(i, x, 30)) << x;
        EXPECT_TRUE(white(i, 11, 11));
        EXPECT_TRUE(white(i, 9, 10) && white(i, 51, 30) && white(i, 10, 31));
    }
    {
        // Zoom 2: two pixels wide, centred as the platform centres even widths.
        TrpMemoView m;
        const QImage i = drawn(*framed(m, all), 2);
        EXPECT_TRUE(black(i, 19, 40) && black(i, 20, 40));
        EXPECT_TRUE(white(i, 18, 40) && white(i, 21, 40));
        EXPECT_TRUE(black(i, 19, 19) && black(i, 100, 60));
        EXPECT_TRUE(white(i, 18, 18) && white(i, 101, 61));
    }
    {
        // A lone side ends at the corners, and a thick one stays centred.
        TrpMemoView m;
        const QImage i = drawn(*framed(m, {ftLeft}, fsSolid, 3), 1);
        EXPECT_TRUE(black(i, 9, 10) && black(i, 11, 30));
        EXPECT_TRUE(white(i, 8, 20) && white(i, 12, 20));
        EXPECT_TRUE(white(i, 10, 9) && white(i, 10, 31));
    }
}

TEST(ViewDrawing, EveryLineStyle)
{
    struct Case {
        TrpFrameStyle style;
        std::vector<int> pattern;  // on, off, ... from the line's start
    };
    const Case cases[] = {
        {fsDash, {18, 6, 18, 6}},
        {fsDot, {3, 3, 3, 3}},
        {fsDashDot, {9, 6, 3, 6, 9}},
        {fsDashDotDot, {9, 3, 3, 3, 3, 3, 9}},
        {fsAltDot, {1, 1, 1, 1}},
        {fsSquare, {1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        TrpMemoView m;
        m.SetBounds(10, 10, 100, 20);
        m.Frame()->SetTyp({ftTop});
        m.Frame()->SetStyle(c.style);
        const QImage i = drawn(m, 1);
        const std::vector<int> r = runs(i, 10, 10, 111);
        ASSERT_GE(r.size(), c.pattern.size()) << c.style;
        EXPECT_EQ(std::vector<int>(r.begin(), r.begin() + static_cast<long>(c.pattern.size())), c.pattern) << c.style;
        EXPECT_TRUE(white(i, 20, 11) && white(i, 20, 9)) << c.style;
    }
    {
        // Styled lines are as many one-pixel lines as the scaled width.
        TrpMemoView m;
        m.SetBounds(10, 10, 100, 20);
        m.Frame()->SetTyp({ftTop});
        m.Frame()->SetStyle(fsDash);
        const QImage i = drawn(m, 2);
        EXPECT_EQ(runs(i, 19, 20, 70), runs(i, 20, 20, 70));
        EXPECT_EQ(runs(i, 20, 20, 70)[0], 18);
    }
    {
        // Double: lines one width off each side, the view's colour between.
        TrpMemoView m;
        m.SetColor(clYellow);
        framed(m, {ftLeft, ftRight, ftTop, ftBottom}, fsDouble);
        const QImage i = drawn(m, 1);
        EXPECT_TRUE(black(i, 9, 20) && black(i, 11, 20) && isColor(i, 10, 20, kYellow));
        EXPECT_TRUE(black(i, 30, 9) && black(i, 30, 11) && black(i, 30, 29) && black(i, 30, 31));
        EXPECT_TRUE(black(i, 9, 9) && black(i, 11, 11) && black(i, 51, 31));
    }
}

TEST(ViewDrawing, ShadowShrinksTheObjectAndPaintsTwoBands)
{
    for (Extended zoom : {1.0L, 2.0L}) {
        TrpMemoView m;
        framed(m, {ftLeft, ftRight, ftTop, ftBottom});
        m.Frame()->SetDropShadow(true);
        m.Frame()->SetShadowColor(clRed);
        const int z = static_cast<int>(zoom);
        const QImage i = drawn(m, zoom);
        const int x1 = 46 * z, y1 = 26 * z, sw = 4 * z;
        EXPECT_TRUE(isColor(i, x1 + sw - 1, 20 * z, kRed));
        EXPECT_TRUE(white(i, x1 + sw, 20 * z));
        EXPECT_TRUE(white(i, x1 + 1, 10 * z + sw - 1));
        EXPECT_TRUE(isColor(i, 30 * z, y1 + sw - 1, kRed));
        EXPECT_TRUE(white(i, 10 * z + sw - 1, y1 + 1));
        EXPECT_TRUE(black(i, x1, 20 * z) && black(i, 30 * z, y1));
    }
}

TEST(ViewDrawing, HatchWithoutColourLeavesTheGapsAlone)
{
    TrpMemoView m;
    m.SetBounds(10, 10, 40, 40);
    m.SetBrushStyle(bsCross);
    const QImage i = drawn(m, 1, 160, 120, kBlue);
    int lines = 0, gaps = 0, other = 0;
    for (int y = 10; y <= 50; ++y)
        for (int x = 10; x <= 50; ++x) (black(i, x, y) ? lines : isColor(i, x, y, kBlue) ? gaps : other)++;
    EXPECT_GT(lines, 100);
    EXPECT_GT(gaps, 1000);
    EXPECT_EQ(other, 0);
    EXPECT_TRUE(isColor(i, 52, 30, kBlue));

    // With a colour, the colour below and the hatch over it.
    m.SetColor(clRed);
    const QImage c = drawn(m, 1, 160, 120, kBlue);
    EXPECT_TRUE(isColor(c, 11, 11, kRed) || black(c, 11, 11));
    EXPECT_FALSE(isColor(c, 30, 30, kBlue));
}

TEST(ViewDrawing, Shapes)
{
    auto shape = [](TrpShapeKind kind) {
        auto s = std::make_unique<TrpShapeView>();
        s->SetBounds(10, 10, 60, 40);
        s->Shape = kind;
        return s;
    };
    {
        auto s = shape(skEllipse);
        s->SetColor(clRed);
        const QImage i = drawn(*s, 1);
        EXPECT_TRUE(isColor(i, 40, 30, kRed));
        EXPECT_TRUE(white(i, 11, 11));
        EXPECT_TRUE(black(i, 40, 10) || black(i, 40, 11));
    }
    {
        auto s = shape(skRectangle);
        const QImage i = drawn(*s, 1);
        EXPECT_TRUE(black(i, 10, 30) && black(i, 70, 30) && black(i, 40, 10) && black(i, 40, 50));
        EXPECT_TRUE(white(i, 40, 30) && white(i, 71, 30));
    }
    {
        auto s = shape(skTriangle);
        const QImage i = drawn(*s, 1);
        EXPECT_TRUE(black(i, 40, 10) && black(i, 10, 50) && black(i, 69, 50) && black(i, 69, 49));
        EXPECT_TRUE(white(i, 12, 12));
    }
    {
        auto s = shape(skDiagonal2);
        s->Frame()->SetWidth(3);
        const QImage i = drawn(*s, 1);
        EXPECT_TRUE(black(i, 10, 10) && black(i, 40, 30) && black(i, 40, 29) && black(i, 40, 31));
        EXPECT_TRUE(white(i, 70, 10));
    }
    {
        // Styled outlines take the platform's dash lengths.
        auto s = shape(skRectangle);
        s->Frame()->SetStyle(fsDash);
        const QImage i = drawn(*s, 1);
        const std::vector<int> r = runs(i, 10, 10, 71);
        EXPECT_EQ(std::vector<int>(r.begin() + 1, r.begin() + 4), (std::vector<int>{6, 18, 6}));
    }
    {
        // Hatch without colour: only the hatch and the outline.
        auto s = shape(skRectangle);
        s->SetBrushStyle(bsHorizontal);
        const QImage i = drawn(*s, 1, 160, 120, kBlue);
        int lines = 0, gaps = 0;
        for (int y = 12; y < 49; ++y) (black(i, 40, y) ? lines : isColor(i, 40, y, kBlue) ? gaps : lines)++;
        EXPECT_GT(lines, 3);
        EXPECT_GT(gaps, 20);
    }
    {
        // A double rectangle: the outline, then one inset by twice the
        // width; the object keeps its bounds.
        auto s = shape(skRectangle);
        s->Frame()->SetStyle(fsDouble);
        s->Frame()->SetWidth(2);
        const QImage i = drawn(*s, 1);
        EXPECT_TRUE(black(i, 10, 30) && black(i, 14, 30));
        EXPECT_TRUE(white(i, 12, 30) && white(i, 17, 30));
        EXPECT_EQ(s->Left(), 10);
        EXPECT_EQ(s->Width(), 60);
        EXPECT_EQ(s->Height(), 40);
        EXPECT_EQ(s->Frame()->Style(), fsDouble);
    }
}

TEST(ViewDrawing, LinesAndArrows)
{
    {
        TrpLineView line;
        line.SetBounds(10, 20, 40, 10);
        TRecordingCanvas canvas;
        line.Draw(canvas, 1, 1, 0, 0);
        EXPECT_EQ(line.Height(), 0);
        EXPECT_EQ(line.Frame()->Typ(), TrpFrameTyp{ftTop});
        TrpLineView square;
        square.SetBounds(10, 20, 10, 10);
        square.Draw(canvas, 1, 1, 0, 0);
        EXPECT_EQ(square.Width(), 0);
        EXPECT_EQ(square.Frame()->Typ(), TrpFrameTyp{ftLeft});
    }
    {
        TrpLineView line;
        line.SetBounds(10, 50, 100, 0);
        line.ArrowEnd = true;
        line.ArrowSolid = true;
        const QImage i = drawn(line, 1);
        EXPECT_TRUE(black(i, 60, 50) && black(i, 100, 50) && black(i, 95, 48));
        EXPECT_TRUE(white(i, 95, 44) && white(i, 85, 48));
    }
    {
        // The head sits al along the line from the tip, barbs aw across it.
        TrpLineView line;
        line.Diagonal = true;
        line.ArrowEnd = true;
        line.ArrowSolid = true;
        line.SetBounds(0, 0, 100, 100);
        TRecordingCanvas canvas;
        line.Draw(canvas, 1, 1, 0, 0);
        const TCanvasRecord& head = canvas.Records().back();
        ASSERT_EQ(head.kind, TCanvasRecord::Polygon);
        EXPECT_EQ(head.points, (std::vector<TPoint>{{100, 100}, {89, 82}, {82, 89}, {100, 100}}));
    }
    {
        // Nearly vertical (8 pixels across or less): barbs level.
        TrpLineView line;
        line.Diagonal = true;
        line.ArrowStart = true;
        line.SetBounds(10, 10, 8, 100);
        TRecordingCanvas canvas;
        line.Draw(canvas, 1, 1, 0, 0);
        const TCanvasRecord& head = canvas.Records().back();
        ASSERT_EQ(head.kind, TCanvasRecord::Polyline);
        EXPECT_EQ(head.points, (std::vector<TPoint>{{5, 30}, {10, 10}, {15, 30}}));
    }
    {
        // An absurd width draws the middle lines only, and soon.
        TrpLineView line;
        line.Diagonal = true;
        line.Frame()->SetWidth(3e8L);
        line.SetBounds(10, 10, 100, 60);
        TRecordingCanvas canvas;
        line.Draw(canvas, 1, 1, 0, 0);
        EXPECT_EQ(canvas.Records().size(), size_t(rpMaxThickLine));
        EXPECT_EQ(canvas.Records().front().points.front(), (TPoint{10, 10 - rpMaxThickLine / 2}));
    }
}

TEST(ViewDrawing, UnderlinesOfATallMemoEndSoon)
{
    // The underlines alone, in red, of a memo without text.
    auto underlines = [](Extended lineSpacing, Extended height, std::optional<TRect> clip = {}) {
        TrpMemoView m;
        m.Underlines = true;
        m.LineSpacing = lineSpacing;
        m.Frame()->SetColor(clRed);
        m.SetBounds(10, 10, 100, height);
        TRecordingCanvas canvas;
        if (clip) canvas.SetClipRect(clip);
        m.Draw(canvas, 1, 1, 0, 0);
        std::vector<TRect> lines;
        for (const TCanvasRecord& r : canvas.Records())
            if (r.kind == TCanvasRecord::FillRect && r.brushColor == clRed) lines.push_back(r.rect);
        return lines;
    };
    Watchdog watchdog(60, "the underlines of a tall memo");
    // A normal memo: lines one step apart down to its bottom.
    const std::vector<TRect> normal = underlines(2, 100);
    ASSERT_GE(normal.size(), 5u);
    const int step = normal[1].Top - normal[0].Top;
    EXPECT_GT(step, 10);
    EXPECT_LT(normal.back().Top, 110);
    EXPECT_GE(normal.back().Top + step + 1, 110);

    // Minus the font height: lines 0.01 units apart touch, and go out as
    // one band down to the bottom.
    const std::vector<TRect> band = underlines(-20, 1e7L);
    ASSERT_EQ(band.size(), 1u);
    EXPECT_LE(band[0].Top, 10 + 20 + 5);
    EXPECT_GE(band[0].Bottom, 10000000 + 10 - 1);

    // Apart, only those the canvas shows are drawn...
    const TRect clip{0, 5000, 300, 5200};
    const std::vector<TRect> shown = underlines(2, 1e7L, clip);
    ASSERT_GE(shown.size(), 200u / step);
    EXPECT_LE(shown.size(), 200u / step + 3);
    for (const TRect& r : shown) {
        EXPECT_GE(r.Bottom, clip.Top - 2);
        EXPECT_LE(r.Top, clip.Bottom + 2);
    }
    // ... and without a clip no more than the largest paper holds.
    EXPECT_EQ(underlines(2, 1e9L).size(), size_t(TrpCustomMemoView::kMaxUnderlines));
}

TEST(ViewDrawing, MemoTextStaysInsideItsFrame)
{
    for (Extended zoom : {1.0L, 2.0L}) {
        TrpMemoView m;
        framed(m, {ftLeft, ftRight, ftTop, ftBottom});
        m.SetBounds(10, 10, 100, 40);
        m.SetText(u"Hg 合计 long text that wraps and is cut");
        const QImage i = drawn(m, zoom, 300, 200);
        const int z = static_cast<int>(zoom);
        int inside = 0, outside = 0;
        for (int y = 0; y < i.height(); ++y)
            for (int x = 0; x < i.width(); ++x) {
                if (white(i, x, y)) continue;
                const bool in = x >= 10 * z - 1 && x <= 110 * z && y >= 10 * z - 1 && y <= 50 * z;
                (in ? inside : outside)++;
            }
        EXPECT_GT(inside, 200 * z);
        EXPECT_EQ(outside, 0);
        // Nothing between the frame and the first glyphs but the gap.
        EXPECT_TRUE(white(i, 11 * z, 25 * z));
    }
}

TEST(ViewDrawing, FontHeightsAtTheEndsOfTheRangeDrawAndMeasure)
{
    // Heights a file may carry, as character and as cell heights: the
    // memo measures, stretches and draws without a wrapped size.
    for (const int32_t height : {INT32_MIN, INT32_MAX, INT32_MIN + 1, -1}) {
        TrpReport report;
        auto* page = new TrpReportPage(&report);
        auto* m = new TrpMemoView(page);
        m->SetBounds(10, 10, 100, 20);
        m->SetText(u"大 big");
        m->Font()->SetHeight(height);
        m->CalcHeight();
        drawn(*m, 1);
        drawn(*m, 2);
    }
}
