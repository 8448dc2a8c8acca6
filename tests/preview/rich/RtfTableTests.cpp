// Tables in RTF: rows read into Qt tables (the forms writers use: the row
// definition before the cells, repeated before \row, missing; merged
// cells; borders and shading; nested tables and kept groups in cells;
// broken rows) and written back as rows that read the same, whole rows
// or one cell's paragraphs for a range, and text going into a cell.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextList>
#include <QTextTable>

#include "RecordingCanvas.h"
#include "RichTestSupport.h"
#include "rpRichDump.h"
#include "rpRichEdit.h"
#include "rpRichTable.h"
#include "rpRtfReader.h"
#include "rpRtfWriter.h"

using namespace richtest;
using namespace rich;

namespace {

// The outermost tables of a document, in order.
std::vector<QTextTable*> Tables(const QTextDocument& doc)
{
    std::vector<QTextTable*> tables;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (QTextTable* t = TopTableAt(doc, b.position()); t && (tables.empty() || tables.back() != t)) tables.push_back(t);
    return tables;
}

// A cell's paragraphs joined with "|".
std::string CellText(const QTextTable& t, int row, int column)
{
    const QTextTableCell cell = t.cellAt(row, column);
    std::string text;
    for (QTextBlock b = t.document()->findBlock(cell.firstPosition()); b.isValid() && b.position() <= cell.lastPosition();
         b = b.next())
        text += (text.empty() && b.position() == cell.firstPosition() ? "" : "|") + b.text().toStdString();
    return text;
}

// Every cell's text, rows by "/", cells by ",".
std::string Grid(const QTextTable& t)
{
    std::string out;
    for (int r = 0; r < t.rows(); ++r) {
        if (r) out += "/";
        for (int c = 0; c < t.columns(); ++c) out += (c ? "," : "") + CellText(t, r, c);
    }
    return out;
}

std::string Word(const std::string& rows)
{
    return "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}\\f0\\fs20 " +
           rows + "}";
}

const char* const kRow3 = "\\trowd\\trgaph108\\trleft-108\\cellx2000\\cellx4000\\cellx7000";

}  // namespace

TEST(RtfTables, RowsWithTheSameEdgesAreOneTable)
{
    std::string rows;
    for (int r = 0; r < 4; ++r) {
        rows += kRow3;
        rows += "\\pard\\intbl r" + std::to_string(r) + "a\\cell r" + std::to_string(r) + "b\\cell\\qr " +
                std::to_string(r) + ".00\\cell\\row\r\n";
    }
    const auto doc = Read(Word("Before\\par " + rows + "\\pard After\\par"));
    const std::vector<QTextTable*> tables = Tables(*doc);
    ASSERT_EQ(tables.size(), 1u);
    const QTextTable& t = *tables[0];
    EXPECT_EQ(Grid(t), "r0a,r0b,0.00/r1a,r1b,1.00/r2a,r2b,2.00/r3a,r3b,3.00");
    // Columns as wide as the cells' edges are apart, the first from \trleft;
    // the text sits \trgaph in from each edge.
    const QList<QTextLength> widths = t.format().columnWidthConstraints();
    ASSERT_EQ(widths.size(), 3);
    EXPECT_DOUBLE_EQ(widths[0].rawValue(), 2108.0 / 15);
    EXPECT_DOUBLE_EQ(widths[2].rawValue(), 3000.0 / 15);
    EXPECT_DOUBLE_EQ(t.cellAt(1, 1).format().toTableCellFormat().leftPadding(), 108.0 / 15);
    EXPECT_EQ(FromBlock(doc->findBlock(t.cellAt(2, 2).firstPosition())).align, TRichAlign::Right);
    // Paragraphs before and after are the text's own: no gap around them.
    EXPECT_EQ(doc->begin().text(), QStringLiteral("Before"));
    EXPECT_EQ(doc->lastBlock().text(), QStringLiteral("After"));
    // Written as the same rows; read back the same.
    const std::string written = WriteRtf(*doc);
    EXPECT_NE(written.find("\\trowd\\trgaph108\\trleft-108\\cellx2000\\cellx4000\\cellx7000\r\n\\pard\\intbl"),
              std::string::npos)
        << written;
    EXPECT_EQ(Dump(written), DumpRichDocument(*doc));
    EXPECT_EQ(CheckStable(written), "");
}

TEST(RtfTables, WhereTheRowDefinitionComesFrom)
{
    struct Case {
        const char* name;
        std::string rtf;
        std::vector<std::string> grids;  // one per table
        int firstWidth;                  // twips
    };
    const Case cases[] = {
        // Repeated before \row, as word processors write it: that one counts.
        {"repeated", Word("\\trowd\\cellx1000\\cellx2000\\pard\\intbl a\\cell b\\cell{\\trowd\\cellx1500\\cellx2000\\row}"),
         {"a,b"}, 1500},
        // Only before \row.
        {"after", Word("\\pard\\intbl a\\cell b\\cell\\trowd\\cellx800\\cellx2000\\row"), {"a,b"}, 800},
        // None at all: the first row makes a column per cell, an inch each;
        // a later row keeps cells it has more of in its last cell.
        {"none", Word("\\intbl a\\cell b\\cell c\\cell\\row\\intbl d\\cell e\\cell f\\cell g\\cell\\row"),
         {"a,b,c/d,e,f\tg"}, 1440},
        // No \intbl: \cell makes the row, and the paragraph's text before it is the first cell's.
        {"no intbl", Word("x\\par\\trowd\\cellx600\\cellx1200 a\\cell b\\cell\\row\\pard z"), {"a,b"}, 600},
        {"text before intbl", Word("lead \\intbl a\\cell b\\cell\\row"), {"lead a,b"}, 1440},
        // \intbl lasts until \pard: text after \row is the next row.
        {"intbl goes on", Word("\\trowd\\cellx1000\\intbl a\\cell\\row b\\cell\\row\\pard c"), {"a/b"}, 1000},
        // Other edges begin another table, right after.
        {"other edges", Word("\\trowd\\cellx1000\\intbl a\\cell\\row\\trowd\\cellx1000\\cellx2000\\intbl b\\cell c\\cell\\row"),
         {"a", "b,c"}, 1000},
        // Edges that go backwards, out of range, and more than 63 cells.
        {"bad edges", Word("\\trowd\\cellx-99999\\cellx0\\cellx99999\\intbl a\\cell b\\cell c\\cell\\row"), {"a,b,c"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto doc = Read(c.rtf);
        const std::vector<QTextTable*> tables = Tables(*doc);
        ASSERT_EQ(tables.size(), c.grids.size());
        for (size_t i = 0; i < tables.size(); ++i) EXPECT_EQ(Grid(*tables[i]), c.grids[i]);
        EXPECT_EQ(UnitsToTwips(tables[0]->format().columnWidthConstraints().at(0).rawValue()), c.firstWidth);
        EXPECT_EQ(CheckStable(c.rtf), "");
    }
    std::string wide = "\\trowd";
    for (int i = 1; i <= 70; ++i) wide += "\\cellx" + std::to_string(i * 100);
    wide += "\\intbl";
    for (int i = 0; i < 70; ++i) wide += " c" + std::to_string(i) + "\\cell";
    const auto doc = Read(Word(wide + "\\row"));
    ASSERT_EQ(Tables(*doc).size(), 1u);
    EXPECT_EQ(Tables(*doc)[0]->columns(), MaxTableColumns);
    // Nothing lost: the cells beyond keep their text in the last one.
    EXPECT_EQ(CellText(*Tables(*doc)[0], 0, 62), "c62\tc63\tc64\tc65\tc66\tc67\tc68\tc69");
}

TEST(RtfTables, MergedCellsSpanAndGoBackAsMerges)
{
    const std::string rtf = Word(
        "\\trowd\\clvmgf\\cellx1000\\clmgf\\cellx2000\\clmrg\\cellx3000\\cellx4000"
        "\\intbl tall\\cell wide\\cell\\cell d\\cell\\row"
        "\\trowd\\clvmrg\\cellx1000\\cellx2000\\cellx3000\\cellx4000\\intbl\\cell e\\cell f\\cell g\\cell\\row"
        // A cell to be merged into another that holds text stays a cell.
        "\\trowd\\cellx1000\\clmgf\\cellx2000\\clmrg\\cellx3000\\cellx4000\\intbl h\\cell i\\cell j\\cell k\\cell\\row");
    const auto doc = Read(rtf);
    ASSERT_EQ(Tables(*doc).size(), 1u);
    const QTextTable& t = *Tables(*doc)[0];
    EXPECT_EQ(t.cellAt(0, 0).rowSpan(), 2);
    EXPECT_EQ(t.cellAt(0, 1).columnSpan(), 2);
    EXPECT_EQ(t.cellAt(2, 1).columnSpan(), 1);
    EXPECT_EQ(CellText(t, 0, 0), "tall");
    EXPECT_EQ(CellText(t, 1, 1), "e");
    EXPECT_EQ(CellText(t, 2, 2), "j");
    // Rows tied by the tall cell go to a page together.
    EXPECT_EQ(RowGroup(t, 1), std::make_pair(0, 2));
    EXPECT_EQ(RowGroup(t, 2), std::make_pair(2, 3));
    const std::string written = WriteRtf(*doc);
    EXPECT_NE(written.find("\\clvmgf\\cellx1000\\clmgf\\cellx2000\\clmrg\\cellx3000"), std::string::npos) << written;
    EXPECT_NE(written.find("\\clvmrg\\cellx1000\\cellx2000"), std::string::npos) << written;
    EXPECT_EQ(CheckStable(rtf), "");
    // The empty cell merged away takes nothing from the paragraph before it:
    // the first cell's last paragraph stays a bullet.
    const std::string bullet = Word("\\trowd\\cellx1000\\clmgf\\cellx2000\\clmrg\\cellx3000\\pard\\intbl a\\cell b\\par"
                                    "\\pard\\intbl{\\*\\pn\\pnlvlblt}\\cell\\pard\\intbl\\cell\\row");
    const auto merged = Read(bullet);
    const QTextTable& m = *Tables(*merged).at(0);
    EXPECT_EQ(m.cellAt(0, 1).columnSpan(), 2);
    EXPECT_EQ(FromBlock(merged->findBlock(m.cellAt(0, 1).lastPosition())).list, TRichList::Bullet);
    EXPECT_EQ(CheckStable(bullet), "");
}

TEST(RtfTables, ListsRunOnAcrossMergedAwayCells)
{
    // The cell merged away held a list item when read and holds none when
    // written: either way the item after it goes on with the list.
    const std::string rtf = "{\\rtf\\clvmrg\\cellx\\cellx{\\pn\\pndec}\\cell\\row\\cell";
    const std::string written = WriteRtf(*Read(rtf));
    for (const std::string& input : {rtf, written}) {
        const auto doc = Read(input);
        const QTextTable& t = *Tables(*doc).at(0);
        const QTextBlock first = doc->findBlock(t.cellAt(0, 0).firstPosition());
        const QTextBlock last = doc->findBlock(t.cellAt(1, 1).firstPosition());
        ASSERT_TRUE(first.textList() && last.textList()) << input;
        EXPECT_EQ(first.textList(), last.textList()) << input;
        EXPECT_EQ(last.textList()->itemNumber(last), 2) << input;
    }
    EXPECT_NE(written.find("{\\pntext 3.\\tab}"), std::string::npos) << written;
    EXPECT_EQ(CheckStable(rtf), "");
}

TEST(RtfTables, BordersShadingAndAlignmentOfCells)
{
    const auto doc = Read(Word(
        "\\trowd\\trqc\\trrh400\\trbrdrt\\brdrs\\brdrw15\\trbrdrv\\brdrdot\\brdrw5"
        "\\clbrdrb\\brdrdb\\brdrw10\\brdrcf1\\clcbpat2\\clvertalb\\cellx1000"
        "\\clbrdrl\\brdrnone\\clcfpat1\\clcbpat2\\clshdng5000\\cellx2000"
        "\\clshdng2000\\brdrt\\brdrs\\cellx3000\\intbl a\\cell b\\cell c\\cell\\row"));
    const QTextTable& t = *Tables(*doc).at(0);
    const TRichRow row = RowOf(t, 0);
    EXPECT_EQ(row.align, TRichAlign::Center);
    EXPECT_EQ(row.height, 400);
    ASSERT_EQ(row.cells.size(), 3u);
    const TRichCell& a = row.cells[0];
    EXPECT_EQ(a.borders[EdgeBottom], (TRichBorder{TRichBorderStyle::Double, 10, 0xFF0000}));
    // Edges a cell leaves open take the row's borders: top, and the left of the first cell.
    EXPECT_EQ(a.borders[EdgeTop], (TRichBorder{TRichBorderStyle::Single, 15, -1}));
    EXPECT_FALSE(a.borders[EdgeLeft].Shows());
    EXPECT_EQ(a.borders[EdgeRight].style, TRichBorderStyle::Dotted);
    EXPECT_EQ(a.shading, 0x0000FF);
    EXPECT_EQ(a.vAlign, TRichVAlign::Bottom);
    // A left edge given as none stays none; shading mixes pattern over background.
    EXPECT_FALSE(row.cells[1].borders[EdgeLeft].Shows());
    EXPECT_EQ(row.cells[1].shading, 0x800080);
    EXPECT_EQ(row.cells[2].shading, 0xCCCCCC);
    // A paragraph border after it describes no cell.
    EXPECT_EQ(row.cells[2].borders[EdgeTop], a.borders[EdgeTop]);
    // The editor shows the shading too: it is the cell's background.
    EXPECT_EQ(t.cellAt(0, 0).format().background().color(), QColor(0, 0, 255));
    EXPECT_EQ(CheckStable(WriteRtf(*doc)), "");
}

TEST(RtfTables, WhatCellsHoldAndWhatDoesNotNest)
{
    // Paragraphs, a picture and a field in cells; a \cell in the field's
    // result is a tab there; nested tables are paragraphs of their cell,
    // with the text that stands for them for readers without them.
    const std::string rtf = Word(
        "\\trowd\\cellx2000\\cellx4000\\pard\\intbl one\\par two\\cell"
        "{\\pict\\pngblip\\picwgoal200\\pichgoal200 00} {\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt l\\cell k}}\\cell\\row"
        "\\trowd\\cellx4000\\pard\\intbl\\itap2 n1\\nestcell n2\\nestcell{\\*\\nesttableprops\\trowd\\cellx100\\nestrow}"
        "{\\nonesttables\\par}\\pard\\intbl\\itap1 outer\\cell\\row");
    const auto doc = Read(rtf);
    const std::vector<QTextTable*> tables = Tables(*doc);
    ASSERT_EQ(tables.size(), 2u);
    EXPECT_EQ(Grid(*tables[0]), "one|two,\xef\xbf\xbc l\tk");
    EXPECT_EQ(Grid(*tables[1]), "n1\tn2\t|outer");
    EXPECT_EQ(CheckStable(rtf), "");
    // A row the input cuts off ends there; \row and \cell where no row can be.
    const auto cut = Read(Word("\\trowd\\cellx1000\\cellx2000\\intbl a\\cell b"));
    EXPECT_EQ(Grid(*Tables(*cut).at(0)), "a,b");
    EXPECT_TRUE(Tables(*Read(Word("a\\row b"))).empty());
    EXPECT_TRUE(Tables(*Read(Word("{\\fonttbl{\\f1\\intbl x\\cell;}}a"))).empty());
    // Tables as text, as text going into a cell asks.
    TRtfReadOptions asText;
    asText.tablesAsText = true;
    auto flat = NewRichDocument();
    ReadRtf(Word(std::string(kRow3) + "\\intbl a\\cell b\\cell c\\cell\\row"), *flat, asText);
    EXPECT_TRUE(Tables(*flat).empty());
    EXPECT_EQ(flat->begin().text(), QStringLiteral("a\tb\tc\t"));
}

TEST(RtfTables, AKeptGroupsLastMarkEndsTheParagraphBeforeATable)
{
    // The mark the group keeps ends "r": the table follows that paragraph,
    // with no empty one between, whether the row is defined first or the
    // text before \cell becomes it, and read again it stays so.
    for (const std::string body : {"{\\object\\result r\\par}\\trowd\\cellx1440\\pard\\intbl x\\cell\\row",
                                   "{\\object\\result r\\par}x\\cell\\row",
                                   "{\\field{\\*\\fldinst I}{\\fldrslt r\\par}}\\trowd\\cellx1440\\intbl x\\cell\\row"}) {
        SCOPED_TRACE(body);
        const auto doc = Read(Word(body));
        ASSERT_EQ(Tables(*doc).size(), 1u);
        const QTextTable& t = *Tables(*doc)[0];
        EXPECT_EQ(Grid(t), "x");
        const QTextBlock before = doc->findBlock(t.firstPosition() - 1);
        EXPECT_EQ(before.text(), QStringLiteral("r"));
        EXPECT_FALSE(IsGapBlock(before));
        EXPECT_EQ(CheckStable(Word(body)), "");
    }
    // A paragraph the input leaves empty after the group stays.
    const auto kept = Read(Word("{\\object\\result r\\par}\\par\\trowd\\cellx1440\\pard\\intbl x\\cell\\row"));
    const QTextTable& t = *Tables(*kept).at(0);
    const QTextBlock empty = kept->findBlock(t.firstPosition() - 1);
    EXPECT_TRUE(empty.text().isEmpty());
    EXPECT_FALSE(IsGapBlock(empty));
    EXPECT_EQ(empty.previous().text(), QStringLiteral("r"));
}

TEST(RtfTables, RangesWriteWholeRowsOrOneCellsParagraphs)
{
    std::string rows;
    for (int r = 0; r < 3; ++r) rows += std::string(kRow3) + "\\intbl a" + std::to_string(r) + "\\par x\\cell b\\cell c\\cell\\row";
    const auto doc = Read(Word("lead\\par " + rows + "\\pard tail"));
    const QTextTable& t = *Tables(*doc).at(0);
    const auto part = [&](int from, int to) {
        TRtfWriteOptions o;
        o.from = from;
        o.to = to;
        return Read(WriteRtf(*doc, o));
    };
    // From a row's start to the next one's: those rows, whole.
    const auto middle = part(RowStart(t, 1), RowStart(t, 2));
    ASSERT_EQ(Tables(*middle).size(), 1u);
    EXPECT_EQ(Grid(*Tables(*middle)[0]), "a1|x,b,c");
    // Right up to the end of the table: nothing after it, not even an empty paragraph.
    const auto last = part(RowStart(t, 2), RowStart(t, 3));
    EXPECT_EQ(Grid(*Tables(*last).at(0)), "a2|x,b,c");
    EXPECT_TRUE(last->lastBlock().text().isEmpty() && IsGapBlock(last->lastBlock()));
    // Within one cell: its paragraphs, no table.
    const int a1 = t.cellAt(1, 0).firstPosition();
    const auto inside = part(a1, a1 + 4);
    EXPECT_TRUE(Tables(*inside).empty());
    EXPECT_EQ(inside->toPlainText(), QStringLiteral("a1\nx"));
    // Across cells: the rows it reaches, each cell's text within the range.
    const auto across = part(a1 + 1, t.cellAt(2, 1).firstPosition() + 1);
    EXPECT_EQ(Grid(*Tables(*across).at(0)), "1|x,b,c/a2|x,b,");
    // The whole text, the paragraphs around the table too.
    EXPECT_EQ(Read(WriteRtf(*doc))->toPlainText(), doc->toPlainText());
}

TEST(RtfTables, TextIntoACellAndTablesAsPlainText)
{
    TReRichEdit e;
    e.LoadRtf(Word(std::string(kRow3) + "\\intbl a\\cell [x]\\cell c\\cell\\row\\pard after"));
    // Plain text: cells of a row apart by tabs, rows by line breaks.
    EXPECT_EQ(e.Text(), u"a\t[x]\tc\r\nafter");
    e.SetPlainText(true);
    EXPECT_EQ(e.Text(), u"a\t[x]\tc\r\nafter");
    e.SetPlainText(false);
    e.LoadRtf(Word(std::string(kRow3) + "\\intbl a\\cell [x]\\cell c\\cell\\row\\pard after"));
    // RTF with a table put into a cell comes as text: tables do not nest.
    const int at = static_cast<int>(e.RawText().find(u"[x]"));
    e.SetSelStart(at);
    e.SetSelLength(3);
    e.ReplaceSelectionRtf(Word(std::string(kRow3) + "\\intbl 1\\cell 2\\cell 3\\cell\\row"));
    const std::vector<QTextTable*> tables = Tables(e.Document());
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(CellText(*tables[0], 0, 1).substr(0, 5), "1\t2\t3");
    // Elsewhere it is a table.
    e.SetSelStart(e.GetTextLen());
    e.ReplaceSelectionRtf(Word(std::string(kRow3) + "\\intbl 4\\cell 5\\cell 6\\cell\\row"));
    EXPECT_EQ(Tables(e.Document()).size(), 2u);
}

TEST(RtfTables, CellPaddingReadWrittenBackAndLaidOut)
{
    // The row's padding, a cell's own over it (Word's \clpadl is the top,
    // \clpadt the left), lengths only with the twips unit, \trgaph where
    // none is given.
    const auto doc = Read(Word("\\trowd\\trgaph50\\trpaddl100\\trpaddfl3\\trpaddt30\\trpaddft3\\trpaddr70"
                               "\\clpadfl3\\clpadl60\\clpadt300\\clpadft3\\clpadr9\\clpadfr0\\cellx2000"
                               "\\clpadfb3\\clpadb45\\cellx4000\\cellx6000\\intbl a\\cell b\\cell c\\cell\\row"));
    const QTextTable& t = *Tables(*doc).at(0);
    const TRichRow row = RowOf(t, 0);
    EXPECT_EQ(row.pad, (TRichPadding{30, 100, -1, -1}));
    EXPECT_EQ(row.cells[0].pad, (TRichPadding{60, 300, -1, -1}));
    EXPECT_EQ(row.cells[1].pad, (TRichPadding{-1, -1, 45, -1}));
    EXPECT_EQ(row.cells[2].pad, NoPadding);
    const auto padding = [&](int c) {
        const QTextTableCellFormat f = t.cellAt(0, c).format().toTableCellFormat();
        return std::vector<int>{UnitsToTwips(f.topPadding()), UnitsToTwips(f.leftPadding()), UnitsToTwips(f.bottomPadding()),
                                UnitsToTwips(f.rightPadding())};
    };
    EXPECT_EQ(padding(0), (std::vector<int>{60, 300, 0, 50}));
    EXPECT_EQ(padding(1), (std::vector<int>{30, 100, 45, 50}));
    EXPECT_EQ(padding(2), (std::vector<int>{30, 100, 0, 50}));
    // Written back in the same words, read back the same.
    const std::string written = WriteRtf(*doc);
    EXPECT_NE(written.find("\\clpadl60\\clpadfl3\\clpadt300\\clpadft3"), std::string::npos) << written;
    EXPECT_EQ(RowOf(*Tables(*Read(written)).at(0), 0).cells[0].pad, row.cells[0].pad);
    EXPECT_EQ(CheckStable(written), "");

    // Laid out: the text sits the padding in from the cell's corner, and
    // the row is as much taller.
    TReRichEdit plain, padded;
    plain.LoadRtf(Word("\\trowd\\trgaph0\\cellx3000\\intbl x\\cell\\row"));
    padded.LoadRtf(Word("\\trowd\\trgaph0\\clpadt600\\clpadft3\\clpadl150\\clpadfl3\\clpadb300\\clpadfb3\\cellx3000\\intbl x\\cell\\row"));
    TRecordingCanvas a(1440), b(1440);
    TRichTarget ta, tb;
    ta.canvas = &a;
    tb.canvas = &b;
    TFormatRange ra, rb;
    Format(plain, 0, 6000, 100000, &ra, &ta);
    Format(padded, 0, 6000, 100000, &rb, &tb);
    const auto text = [](const TRecordingCanvas& c) {
        for (const TCanvasRecord& r : c.Records())
            if (r.kind == TCanvasRecord::ExtTextOut) return r.points[0];
        return TPoint{-1, -1};
    };
    EXPECT_EQ(text(b).X - text(a).X, 600);
    EXPECT_EQ(text(b).Y - text(a).Y, 150);
    EXPECT_EQ(rb.rc.Bottom - ra.rc.Bottom, 450);
}
