// Tables and tab stops laid out and drawn (Courier New is Liberation
// Mono): a table row, with the rows its cells span, goes to a page whole,
// a row taller than the page alone; shading, borders and alignment drawn
// in the cells; tab stops from the paragraph's left edge, and their
// leaders drawn.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextLayout>
#include <QTextTable>

#include <set>

#include "RecordingCanvas.h"
#include "RichTestSupport.h"
#include "rpRichEdit.h"
#include "rpRichTable.h"
#include "rpRtfWriter.h"

using namespace richtest;

namespace {

std::string Mono(const std::string& body)
{
    return "{\\rtf1{\\fonttbl{\\f0 Courier New;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\f0\\fs20 " +
           body + "}";
}

// Rows of three bordered cells; every fifth row's middle cell has three paragraphs.
std::string Rows(int count, const std::string& def = "\\trowd\\trgaph100\\clbrdrb\\brdrs\\brdrw15\\cellx1500"
                                                      "\\clbrdrb\\brdrs\\brdrw15\\cellx4500\\clbrdrb\\brdrs\\brdrw15\\cellx6000")
{
    std::string rows;
    for (int r = 0; r < count; ++r) {
        const std::string n = std::to_string(r);
        rows += def + "\\pard\\intbl r" + n + "\\cell " + (r % 5 == 4 ? "x\\par y\\par z" : "middle " + n) + "\\cell end" +
                n + "\\cell\\row\r\n";
    }
    return rows;
}

// The first positions of every row of every table.
std::set<int> RowStarts(const QTextDocument& doc)
{
    std::set<int> starts;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (const QTextTable* t = rich::TopTableAt(doc, b.position()))
            for (int r = 0; r <= t->rows(); ++r) starts.insert(rich::RowStart(*t, r));
    return starts;
}

// A target that draws in layout units.
struct Units {
    TRecordingCanvas canvas{1440};
    TRichTarget target;
    Units()
    {
        target.canvas = &canvas;
        target.scaleX = target.scaleY = 1.0L / 15;
    }
    std::vector<TCanvasRecord> Fills() const
    {
        std::vector<TCanvasRecord> out;
        for (const TCanvasRecord& r : canvas.Records())
            if (r.kind == TCanvasRecord::FillRect) out.push_back(r);
        return out;
    }
    const TCanvasRecord* Text(std::u16string_view text) const
    {
        for (const TCanvasRecord& r : canvas.Records())
            if (r.kind == TCanvasRecord::ExtTextOut && r.text.find(text) != std::u16string::npos) return &r;
        return nullptr;
    }
};

}  // namespace

TEST(RichTableLayout, PagesTakeWholeRows)
{
    TReRichEdit e;
    e.LoadRtf(Mono("Before\\par " + Rows(40) + "\\pard After\\par"));
    const std::set<int> rows = RowStarts(e.Document());
    const QString original = e.Document().toRawText();
    for (int height = 700; height <= 5000; height += 433) {
        SCOPED_TRACE(height);
        int cp = 0;
        QString joined;
        int pages = 0;
        while (cp < e.GetTextLen() && ++pages < 500) {
            TFormatRange r;
            const int next = Format(e, cp, 6000, height, &r);
            ASSERT_GT(next, cp);
            // A cut inside the table falls between rows; a page holds what fits.
            if (next > *rows.begin() && next < *rows.rbegin()) {
                EXPECT_TRUE(rows.count(next)) << next;
            }
            EXPECT_LE(r.rc.Bottom, height + 1);
            TRtfWriteOptions part;
            part.from = cp;
            part.to = next;
            joined += Read(WriteRtf(e.Document(), part))->toRawText();
            cp = next;
        }
        // Nothing lost or repeated, ignoring what Qt keeps around tables.
        QString a = joined, b = original;
        for (QString* s : {&a, &b})
            for (QChar c : {QChar(0x2029), QChar(0xFDD0), QChar(0xFDD1)}) s->remove(c);
        EXPECT_EQ(a.toStdString(), b.toStdString());
    }
}

TEST(RichTableLayout, TallRowsGoAloneAndTiedRowsTogether)
{
    // A row taller than the page takes a page on its own, cut as a line
    // taller than the page is; what follows goes on after it.
    TReRichEdit e;
    std::string tall = "\\trowd\\cellx3000\\pard\\intbl";
    for (int i = 0; i < 40; ++i) tall += " line " + std::to_string(i) + "\\par";
    e.LoadRtf(Mono(Rows(2) + tall + " last\\cell\\row" + Rows(2)));
    const QTextTable* first = rich::TopTableAt(e.Document(), e.Document().begin().next().position());
    ASSERT_NE(first, nullptr);
    // The next table, after the gap Qt keeps between the two.
    const QTextTable* tallTable = rich::TopTableAt(e.Document(), rich::RowStart(*first, 2) + 1);
    ASSERT_NE(tallTable, nullptr);
    TFormatRange r;
    const int page1 = Format(e, 0, 6000, 2000, &r);
    EXPECT_EQ(page1, rich::RowStart(*tallTable, 0));
    const int page2 = Format(e, page1, 6000, 2000, &r);
    EXPECT_GT(r.rc.Bottom, 2000);
    EXPECT_EQ(page2, tallTable->lastPosition() + 1);
    // Rows a cell spans go together: here the first two.
    TReRichEdit tied;
    tied.LoadRtf(Mono("Before\\par\\trowd\\clvmgf\\cellx1000\\cellx3000\\intbl a\\cell b\\cell\\row"
                      "\\trowd\\clvmrg\\cellx1000\\cellx3000\\intbl\\cell c\\cell\\row"
                      "\\trowd\\cellx1000\\cellx3000\\intbl d\\cell e\\cell\\row"));
    const QTextTable* t = rich::TopTableAt(tied.Document(), tied.Document().begin().next().position());
    ASSERT_NE(t, nullptr);
    TFormatRange all;
    Format(tied, 0, 6000, 100000, &all);
    // A line, then room for a row and a half: the two tied rows wait.
    const int line = all.rc.Bottom / 4;
    EXPECT_EQ(Format(tied, 0, 6000, line * 5 / 2), rich::RowStart(*t, 0));
    EXPECT_EQ(Format(tied, 0, 6000, line * 7 / 2), rich::RowStart(*t, 2));
}

TEST(RichTableLayout, HeightAndPlaceOfATable)
{
    // A table at the very start is at the very top; the height measured is
    // the rows' with nothing for what Qt keeps around the table.
    TReRichEdit e;
    e.LoadRtf(Mono(Rows(3)));
    TFormatRange r;
    Units u;
    Format(e, 0, 6000, 100000, &r, &u.target);
    const TCanvasRecord* r0 = u.Text(u"r0");
    ASSERT_NE(r0, nullptr);
    TReRichEdit line;
    line.LoadRtf(Mono("r0"));
    Units v;
    Format(line, 0, 6000, 100000, nullptr, &v.target);
    EXPECT_EQ(r0->points[0].Y, v.Text(u"r0")->points[0].Y);
    // The text sits \trgaph in from the cell's edge.
    EXPECT_EQ(r0->points[0].X, v.Text(u"r0")->points[0].X + 7);
    const int64_t height = e.MeasureTextHeight(6000);
    EXPECT_EQ(height, r.rc.Bottom);
    TFormatRange lines;
    TReRichEdit three;
    three.LoadRtf(Mono("a\\par b\\par c"));
    Format(three, 0, 6000, 100000, &lines);
    // Three rows of a line each.
    EXPECT_EQ(height, lines.rc.Bottom);
}

TEST(RichTableLayout, ShadingBordersAndAlignmentDrawn)
{
    TReRichEdit e;
    e.LoadRtf(Mono("\\trowd\\trgaph0\\clcbpat1\\clbrdrt\\brdrs\\brdrw30\\clbrdrl\\brdrs\\brdrw30\\cellx1500"
                   "\\clvertalb\\clbrdrr\\brdrdb\\brdrw15\\brdrcf2\\cellx3000"
                   "\\pard\\intbl top\\cell low\\cell\\row"
                   "\\trowd\\trgaph0\\cellx1500\\cellx3000\\pard\\intbl a\\par b\\par c\\cell d\\cell\\row"));
    Units u;
    TFormatRange r;
    Format(e, 0, 6000, 100000, &r, &u.target);
    const std::vector<TCanvasRecord> fills = u.Fills();
    // The shaded cell: 100 units wide, under its text.
    const auto shade = std::find_if(fills.begin(), fills.end(), [](const TCanvasRecord& f) { return f.brushColor == clRed; });
    ASSERT_NE(shade, fills.end());
    EXPECT_EQ(shade->rect.Left, 0);
    EXPECT_EQ(shade->rect.Right, 100);
    EXPECT_EQ(shade->rect.Top, 0);
    // Borders on the edges, kept inside the rectangle at its sides: the
    // top one 2 units thick from the top, the left one from the left;
    // the right one blue and doubled on the right edge of the second cell.
    int top = 0, left = 0, blue = 0;
    for (const TCanvasRecord& f : fills) {
        if (f.brushColor == clBlack && f.rect.Top == 0 && f.rect.Bottom == 2 && f.rect.Right >= 100) ++top;
        if (f.brushColor == clBlack && f.rect.Left == 0 && f.rect.Right == 2) ++left;
        if (f.brushColor == clBlue && f.rect.Left > 190 && f.rect.Right < 210) ++blue;
    }
    EXPECT_EQ(top, 1);
    EXPECT_EQ(left, 1);
    EXPECT_EQ(blue, 2);
    // Shading drawn before the text, borders after.
    const auto index = [&](auto pred) {
        const auto& rs = u.canvas.Records();
        return std::find_if(rs.begin(), rs.end(), pred) - rs.begin();
    };
    const auto topText = index([](const TCanvasRecord& x) { return x.text == u"top"; });
    EXPECT_LT(index([](const TCanvasRecord& x) { return x.brushColor == clRed && x.kind == TCanvasRecord::FillRect; }),
              topText);
    EXPECT_GT(index([](const TCanvasRecord& x) { return x.brushColor == clBlue; }), topText);
    // Both one-line cells of the first row: the bottom-aligned one's text
    // sits lower only when its row is taller; the second row's is.
    EXPECT_EQ(u.Text(u"low")->points[0].Y, u.Text(u"top")->points[0].Y);
    Units w;
    TReRichEdit low;
    low.LoadRtf(Mono("\\trowd\\cellx1500\\clvertalb\\cellx3000\\clvertalc\\cellx4500\\pard\\intbl a\\par b\\par c\\cell"
                     " down\\cell mid\\cell\\row"));
    Format(low, 0, 6000, 100000, nullptr, &w.target);
    for (const char16_t* text : {u"down", u"mid", u"b", u"c"}) ASSERT_NE(w.Text(text), nullptr);
    EXPECT_EQ(w.Text(u"down")->points[0].Y, w.Text(u"c")->points[0].Y);
    EXPECT_EQ(w.Text(u"mid")->points[0].Y, w.Text(u"b")->points[0].Y);
}

TEST(RichLayout, TabStopsCountFromTheLeftEdge)
{
    // Where the text after the last tab starts (units from the left edge),
    // as the ruler shows the stops: in an indented paragraph, after a
    // hanging first line, at the default stops; and where the text after
    // a right stop ends.
    struct Case {
        const char* name;
        std::string body;
        qreal x;
        bool end = false;
    };
    const Case cases[] = {
        {"indented", "\\li720\\tx2880 a\\tab b", 192},
        {"first line in", "\\fi720\\tx2880 a\\tab b", 192},
        {"hanging", "\\li1440\\fi-1440\\tx1440 1.\\tab b", 96},
        // A hanging first line's tab goes to the left indent without a stop
        // there, unless a stop comes first; past the indent, to a default stop.
        {"hanging, no stop", "\\li1440\\fi-1440 1.\\tab b", 96},
        {"hanging, stop before", "\\li1440\\fi-1440\\tx720 1.\\tab b", 48},
        {"hanging, stop after", "\\li1440\\fi-1440\\tx2880 1.\\tab b", 96},
        {"hanging, past the indent", "\\li720\\fi-720 1234567\\tab b", 96},
        {"hanging off the grid", "\\li1000\\fi-300 1.\\tab b", 1000 / 15.0},
        {"default after the indent", "\\li1000\\fi-300 1.\\tab b\\tab c", 96},
        {"default stop", "\\li360 a\\tab b", 48},
        {"default after a stop", "\\li360\\tx1000 a\\tab b\\tab c", 96},
        {"right stop", "\\li720\\tqr\\tx2880 a\\tab bc", 192, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TReRichEdit e;
        e.LoadRtf(Mono(c.body));
        Format(e, 0, 9000, 100000);
        const QTextBlock b = e.Document().begin();
        const int at = c.end ? b.length() - 1 : static_cast<int>(b.text().lastIndexOf(QLatin1Char('\t'))) + 1;
        EXPECT_NEAR(b.layout()->lineAt(0).cursorToX(at), c.x, 0.02);  // Qt keeps 1/64ths
    }
    // In a cell: from the cell's text edge.
    TReRichEdit cell;
    cell.LoadRtf(Mono("\\trowd\\trgaph0\\cellx1500\\cellx6000\\pard\\intbl x\\cell\\tx1440 a\\tab b\\cell\\row"));
    Units u;
    Format(cell, 0, 9000, 100000, nullptr, &u.target);
    ASSERT_NE(u.Text(u"a\tb"), nullptr);
    const TCanvasRecord& ab = *u.Text(u"a\tb");
    EXPECT_EQ(ab.points[0].X + ab.dx[0] + ab.dx[1], 100 + 96);
}

TEST(RichLayout, TabLeadersAreDrawnAcrossTheTab)
{
    TReRichEdit e;
    e.LoadRtf(Mono("\\tqr\\tldot\\tx4500\\tlul\\tx6000\\tx7500 Total\\tab 40.50\\tab x\\tab y"));
    Units u;
    Format(e, 0, 9000, 100000, nullptr, &u.target);
    const TCanvasRecord& text = *u.Text(u"Total");
    std::vector<int> xs{text.points[0].X};
    for (int d : text.dx) xs.push_back(xs.back() + d);
    const int tab1 = xs[5], end1 = xs[6], tab2 = xs[11], end2 = xs[12], tab3 = xs[13], end3 = xs[14];
    int dots = 0, lines = 0, other = 0;
    for (const TCanvasRecord& f : u.Fills()) {
        if (f.rect.Left >= tab1 && f.rect.Right <= end1 && f.rect.Width() <= 2) ++dots;
        else if (f.rect.Left >= tab2 && f.rect.Right <= end2 && f.rect.Width() > 50) ++lines;
        else if (f.rect.Left >= tab3 - 1 && f.rect.Right <= end3 + 1) ++other;
    }
    // Dots all along the right tab, one line under the left one, nothing
    // for the stop without a leader; none of it is text the search finds.
    EXPECT_GT(dots, 30);
    EXPECT_EQ(lines, 1);
    EXPECT_EQ(other, 0);
    int points = 0;
    for (const TCanvasRecord& r : u.canvas.Records())
        if (r.kind == TCanvasRecord::ExtTextOut) points += static_cast<int>(std::count(r.text.begin(), r.text.end(), u'.'));
    EXPECT_EQ(points, 1);
}

TEST(RichTableLayout, ALastRowKeepsItsBordersWhateverFollows)
{
    // Word ends a table with an empty paragraph; the last row keeps its
    // borders before it, before text and at the very end, and the empty
    // paragraph takes a line's height.
    const std::string table = "\\trowd\\trgaph0\\clbrdrb\\brdrs\\brdrw15\\clbrdrl\\brdrs\\brdrw15\\cellx1500"
                              "\\pard\\intbl a\\cell\\row\\trowd\\trgaph0\\clbrdrb\\brdrs\\brdrw15\\clbrdrl\\brdrs\\brdrw15"
                              "\\cellx1500\\pard\\intbl b\\cell\\row";
    TReRichEdit line;
    line.LoadRtf(Mono("x"));
    TFormatRange one;
    Format(line, 0, 6000, 100000, &one);
    const int lineUnits = one.rc.Bottom / 15;
    for (const char* after : {"\\pard\\par after", "\\pard\\par", "\\pard after", "", "\\pard\\par\\pard\\par after"}) {
        SCOPED_TRACE(after);
        TReRichEdit e;
        e.LoadRtf(Mono(table + after));
        Units u;
        TFormatRange r;
        Format(e, 0, 6000, 100000, &r, &u.target);
        ASSERT_NE(u.Text(u"b"), nullptr);
        const int rowBottom = u.Text(u"b")->points[0].Y + lineUnits;
        int bottoms = 0, lefts = 0;
        for (const TCanvasRecord& f : u.Fills()) {
            if (f.rect.Top > lineUnits / 2 && f.rect.Top <= rowBottom && f.rect.Bottom >= rowBottom - 1 && f.rect.Right >= 100)
                ++bottoms;
            if (f.rect.Left == 0 && f.rect.Top <= rowBottom - lineUnits + 1 && f.rect.Bottom >= rowBottom - 1) ++lefts;
        }
        EXPECT_EQ(bottoms, 1);
        EXPECT_EQ(lefts, 1);
        // Each empty paragraph takes a line.
        const int empties = std::string_view(after).starts_with("\\pard\\par\\pard") ? 2 : std::string_view(after).starts_with("\\pard\\par") ? 1 : 0;
        if (const TCanvasRecord* text = u.Text(u"after")) {
            EXPECT_NEAR(text->points[0].Y, rowBottom + empties * lineUnits, 1);
        }
        EXPECT_NEAR(r.rc.Bottom / 15, 2 * lineUnits + empties * lineUnits + (u.Text(u"after") ? lineUnits : 0), 1);
    }
}

TEST(RichTableLayout, AnInnerCellsBordersAreDrawnOnItsOwnEdges)
{
    // Three rows of three cells: the rows' outer edges thick, inner verticals
    // dotted; the middle cell boxed in red. Columns end at 100, 200, 300 units.
    const std::string def = "\\trowd\\trgaph0\\trbrdrl\\brdrth\\brdrw15\\trbrdrr\\brdrth\\brdrw15\\trbrdrv\\brdrdot\\brdrw15";
    const std::string plain = def + "\\cellx1500\\cellx3000\\cellx4500";
    const std::string boxed = def + "\\cellx1500\\clbrdrt\\brdrs\\brdrw30\\brdrcf1\\clbrdrl\\brdrs\\brdrw30\\brdrcf1"
                                    "\\clbrdrb\\brdrs\\brdrw30\\brdrcf1\\clbrdrr\\brdrs\\brdrw30\\brdrcf1\\cellx3000\\cellx4500";
    const auto row = [](const std::string& d, const char* n) {
        return d + "\\pard\\intbl " + n + "1\\cell " + n + "2\\cell " + n + "3\\cell\\row";
    };
    TReRichEdit e;
    e.LoadRtf(Mono(row(plain, "a") + row(boxed, "b") + row(plain, "c")));
    const QTextTable* t = rich::TopTableAt(e.Document(), e.Document().begin().next().position());
    ASSERT_NE(t, nullptr);
    // Read: the inner cells' open edges take the inner vertical border, the
    // outer ones the row's sides; the middle cell keeps its own.
    const rich::TRichRow top = rich::RowOf(*t, 0);
    EXPECT_EQ(top.cells[0].borders[rich::EdgeLeft].style, rich::TRichBorderStyle::Thick);
    EXPECT_EQ(top.cells[0].borders[rich::EdgeRight].style, rich::TRichBorderStyle::Dotted);
    EXPECT_EQ(top.cells[1].borders[rich::EdgeRight].style, rich::TRichBorderStyle::Dotted);
    EXPECT_EQ(top.cells[2].borders[rich::EdgeRight].style, rich::TRichBorderStyle::Thick);
    const rich::TRichCell middle = rich::RowOf(*t, 1).cells[1];
    for (int edge = 0; edge < 4; ++edge)
        EXPECT_EQ(middle.borders[edge], (rich::TRichBorder{rich::TRichBorderStyle::Single, 30, 0xFF0000})) << edge;
    // Drawn: red along the middle cell's four edges, between its row's top and bottom.
    Units u;
    Format(e, 0, 6000, 100000, nullptr, &u.target);
    ASSERT_NE(u.Text(u"b2"), nullptr);
    ASSERT_NE(u.Text(u"c2"), nullptr);
    const int rowTop = u.Text(u"b2")->points[0].Y, rowBottom = u.Text(u"c2")->points[0].Y;
    int topEdge = 0, bottomEdge = 0, leftEdge = 0, rightEdge = 0;
    for (const TCanvasRecord& f : u.Fills()) {
        if (f.brushColor != clRed) continue;
        const bool across = f.rect.Left <= 100 && f.rect.Right >= 200;
        const bool down = f.rect.Top <= rowTop && f.rect.Bottom >= rowBottom;
        if (across && std::abs(f.rect.Top + 1 - rowTop) <= 1) ++topEdge;
        if (across && std::abs(f.rect.Top + 1 - rowBottom) <= 1) ++bottomEdge;
        if (down && std::abs(f.rect.Left + 1 - 100) <= 1) ++leftEdge;
        if (down && std::abs(f.rect.Left + 1 - 200) <= 1) ++rightEdge;
    }
    EXPECT_EQ(topEdge, 1);
    EXPECT_EQ(bottomEdge, 1);
    EXPECT_EQ(leftEdge, 1);
    EXPECT_EQ(rightEdge, 1);
    EXPECT_EQ(CheckStable(WriteRtf(e.Document())), "");
}
