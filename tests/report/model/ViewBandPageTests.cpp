#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "RecordingCanvas.h"
#include "rpPrinter.h"

using namespace model_test;

TEST(ViewPrint, TagStrAndURLHoldTheirValuesWhilePrinting)
{
    Sample s;
    TrpMemoView* m = s.memo("Memo1", u"");
    m->TagStr = "[1+1]x";
    m->URL = "https://example.org/?n=[2+3]&m=[\"]\"]";
    s.values["\"]\""] = Variant("q");
    m->BeforePrint();
    EXPECT_EQ(s.report->ScriptSelf(), m);
    m->GetData();
    EXPECT_EQ(m->TagStr, "2x");
    EXPECT_EQ(m->URL, "https://example.org/?n=5&m=q");
    m->SetLeft(99);
    m->AfterPrint();
    EXPECT_EQ(m->TagStr, "[1+1]x");
    EXPECT_EQ(m->Left(), 10);
}

TEST(ViewDraw, BeginDrawRoundsHalvesToEven)
{
    TrpMemoView m;
    TRecordingCanvas canvas;
    struct Case {
        Extended left, width, scale;
        int x, x1;
    };
    for (const Case& c : {Case{0.5L, 2, 1, 0, 2}, Case{1.5L, 1, 1, 2, 2}, Case{2.5L, 1, 1, 2, 4},
                          Case{1.25L, 1, 2, 2, 4}, Case{10, 0.75L, 2, 20, 22}}) {
        m.SetBounds(c.left, c.left, c.width, c.width);
        m.BeginDraw(canvas, c.scale, c.scale, 0, 0);
        EXPECT_EQ(m.X, c.x) << c.left;
        EXPECT_EQ(m.X1, c.x1) << c.left;
        EXPECT_EQ(m.Y, c.x);
    }
    m.SetBounds(10, 10, 40, 20);
    m.Frame()->SetDropShadow(true);
    m.Frame()->SetShadowWidth(2.5L);
    m.BeginDraw(canvas, 1, 1, 0.5L, 0);
    EXPECT_EQ(m.X1, 48);  // round(50.5) - round(2.5)
    EXPECT_EQ(m.DX, 38);
}

// The text box inside the frame's lines, the gaps and the shadow, rounded
// half to even at each step, at a scale and offset and at scale 1.
TEST(ViewDraw, MemoTextRectInsetsFrameGapsAndShadow)
{
    TrpMemoView m;
    TRecordingCanvas canvas;
    m.SetBounds(10.5L, 20, 40, 30);
    m.Frame()->SetTyp(TrpFrameTyp{ftLeft, ftRight, ftTop, ftBottom});
    m.Frame()->SetDropShadow(true);
    m.Frame()->SetShadowWidth(2.5L);
    m.Frame()->SetWidth(3);
    m.GapX = 2;
    m.GapY = 1.5L;
    m.BeginDraw(canvas, 1.5L, 1.5L, 0.25L, 0);
    // Box 16, 30 to 76 - 4, 75 - 4; lines in by 2 a side; gaps 3 and 2.
    EXPECT_EQ(m.TextRect(), (TRect{21, 34, 68, 68}));
    m.Frame()->SetWidth(2);
    m.GapX = 2.5L;
    m.BeginDraw(canvas, 1, 1, 0, 0);
    // Box 10, 20 to 50 - 2, 50 - 2; lines in by 0 and 1; gaps 2 and 2.
    EXPECT_EQ(m.TextRect(), (TRect{12, 22, 46, 46}));
    m.Frame()->SetTyp(TrpFrameTyp{});
    m.Frame()->SetDropShadow(false);
    m.BeginDraw(canvas, 1, 1, 0.5L, 0.5L);
    EXPECT_EQ(m.TextRect(), (TRect{13, 22, 50, 49}));
}

TEST(ViewDecorations, HighlightAssignLeavesActiveAndFrameDiffReadsBack)
{
    TrpHighlight a, b;
    a.SetActive(true);
    a.SetCondition("x > 1");
    a.SetColor(clYellow);
    b.Assign(&a);
    EXPECT_FALSE(b.Active());
    EXPECT_EQ(b.Condition(), "x > 1");
    EXPECT_EQ(b.Color(), clYellow);

    // A frame whose common colour changed keeps its own left line.
    TrpMemoView source, printed;
    source.Frame()->LeftLine()->SetColor(clRed);
    printed.Frame()->SetColor(clBlue);
    printed.Frame()->LeftLine()->SetColor(clRed);
    TrpXMLSerializer s;
    TrpMemoView rebuilt;
    s.ReadProps(nullptr, &rebuilt, s.WriteProps(&source));
    s.ReadProps(nullptr, &rebuilt, printed.Diff(&source));
    EXPECT_TRUE(*rebuilt.Frame() == *printed.Frame());
}

TEST(Bands, ChildChainsMayNotCloseACircle)
{
    Sample s;
    auto* a = new TrpChild(s.page);
    auto* b = new TrpChild(s.page);
    auto* c = new TrpChild(s.page);
    a->SetChild(b);
    b->SetChild(c);
    try {
        c->SetChild(a);
        FAIL();
    } catch (const EInvalidOperation& e) {
        EXPECT_STREQ(e.what(), "Circular child reference is not allowed");
    }
    EXPECT_EQ(c->Child(), nullptr);
    EXPECT_THROW(a->SetChild(a), EInvalidOperation);
    delete b;
    EXPECT_EQ(a->Child(), nullptr);
}

namespace {

class TrpTestSubBand : public TrpGroupFooter {
public:
    using TrpGroupFooter::TrpGroupFooter;
};

class TrpTestDotMatrixPage : public TrpReportPage {
public:
    using TrpReportPage::TrpReportPage;
    bool IsDotMatrix() const override { return true; }
};

}  // namespace

TEST(Bands, KindNumbersFlagsRowsAndColumns)
{
    const std::vector<std::pair<std::unique_ptr<TrpBand>, int>> kinds = [] {
        std::vector<std::pair<std::unique_ptr<TrpBand>, int>> k;
        k.emplace_back(std::make_unique<TrpReportTitle>(), 0);
        k.emplace_back(std::make_unique<TrpReportSummary>(), 1);
        k.emplace_back(std::make_unique<TrpPageHeader>(), 2);
        k.emplace_back(std::make_unique<TrpPageFooter>(), 3);
        k.emplace_back(std::make_unique<TrpHeader>(), 4);
        k.emplace_back(std::make_unique<TrpFooter>(), 5);
        k.emplace_back(std::make_unique<TrpMasterData>(), 6);
        k.emplace_back(std::make_unique<TrpDetailData>(), 7);
        k.emplace_back(std::make_unique<TrpSubdetailData>(), 8);
        k.emplace_back(std::make_unique<TrpDataBand4>(), 9);
        k.emplace_back(std::make_unique<TrpDataBand5>(), 10);
        k.emplace_back(std::make_unique<TrpDataBand6>(), 11);
        k.emplace_back(std::make_unique<TrpGroupHeader>(), 12);
        k.emplace_back(std::make_unique<TrpGroupFooter>(), 13);
        k.emplace_back(std::make_unique<TrpChild>(), 14);
        k.emplace_back(std::make_unique<TrpColumnHeader>(), 15);
        k.emplace_back(std::make_unique<TrpColumnFooter>(), 16);
        k.emplace_back(std::make_unique<TrpOverlay>(), 17);
        k.emplace_back(std::make_unique<TrpNullBand>(), 0);
        k.emplace_back(std::make_unique<TrpDataBand>(), 0);
        k.emplace_back(std::make_unique<TrpTestSubBand>(), 13);
        return k;
    }();
    for (const auto& [band, kind] : kinds) EXPECT_EQ(band->KindNumber(), kind) << band->ClassName();

    TrpPageFooter footer;
    EXPECT_TRUE(footer.PrintOnFirstPage);
    EXPECT_TRUE(footer.PrintOnLastPage);

    // Without a dataset a data band prints RowCount rows.
    TrpMasterData rows;
    rows.SetRowCount(3);
    TrpUserDataSet& ds = *rows.RowsDataSet();
    int count = 0;
    for (ds.First(); !ds.Eof(); ds.Next()) ++count;
    EXPECT_EQ(count, 3);
    EXPECT_EQ(ds.RecordCount(), 3);

    rows.Columns = 3;
    rows.ColumnWidth = 100;
    rows.ColumnGap = 10;
    rows.SetCurColumn(3);
    EXPECT_EQ(rows.Left(), 220);
    rows.SetCurColumn(4);
    EXPECT_EQ(rows.CurColumn(), 1);
    EXPECT_EQ(rows.Left(), 0);

    TrpGroupHeader group, reference;
    group.DrillName = "g1";
    EXPECT_EQ(group.Diff(&reference), " t=\"0\"");
    group.DrillDown = true;
    EXPECT_EQ(group.Diff(&reference), " t=\"0\" DrillName=\"g1\"");
}

TEST(Bands, SnapToCharacterCellsOnDotMatrixPages)
{
    TrpTestDotMatrixPage page;
    auto* band = new TrpMasterData(&page);
    band->SetTop(20);
    band->SetLeft(10);
    band->SetHeight(40);
    EXPECT_EQ(band->Top(), 17);
    EXPECT_EQ(band->Left(), 9.6L);
    EXPECT_EQ(band->Height(), 34);
    TrpReportPage plain;
    auto* other = new TrpMasterData(&plain);
    other->SetTop(20);
    EXPECT_EQ(other->Top(), 20);
}

TEST(Pages, PaperOrientationAndColumns)
{
    TrpReportPage page;
    EXPECT_EQ(page.PaperSize(), 9);
    EXPECT_EQ(page.Width(), 794);
    EXPECT_EQ(page.Height(), 1123);
    page.SetDefaults();
    EXPECT_EQ(page.PaperWidth(), 210);
    EXPECT_EQ(page.LeftMargin, 10);

    page.LeftMargin = 10;
    page.RightMargin = 20;
    page.TopMargin = 30;
    page.BottomMargin = 40;
    page.SetOrientation(poLandscape);
    EXPECT_EQ(page.LeftMargin, 30);
    EXPECT_EQ(page.RightMargin, 40);
    EXPECT_EQ(page.TopMargin, 20);
    EXPECT_EQ(page.BottomMargin, 10);
    EXPECT_EQ(page.PaperWidth(), 297);
    EXPECT_EQ(page.PaperHeight(), 210);
    EXPECT_EQ(page.Width(), 1123);
    page.SetOrientation(poPortrait);
    EXPECT_EQ(page.LeftMargin, 10);
    EXPECT_EQ(page.TopMargin, 30);

    page.SetPaperSize(11);  // A5
    EXPECT_EQ(page.PaperWidth(), 148);
    page.SetPaperWidth(100.123456789L);
    EXPECT_EQ(page.PaperSize(), 256);
    EXPECT_EQ(FloatToStr(page.PaperWidth()), "100.12345679");
    page.SetPaperSize(9999);  // unknown: sizes stay
    EXPECT_EQ(FloatToStr(page.PaperWidth()), "100.12345679");

    TrpReportPage a4;
    a4.SetDefaults();
    a4.SetColumns(2);
    EXPECT_EQ(a4.ColumnWidth, 95);
    EXPECT_EQ(a4.ColumnPositions()->Text(), "0\r\n95\r\n");
    a4.SetPageCount(0);
    EXPECT_EQ(a4.PageCount(), 1);

    // A column count no page could show is refused, not listed.
    a4.SetColumns(TrpReportPage::kMaxColumns);
    EXPECT_EQ(a4.ColumnPositions()->Count(), TrpReportPage::kMaxColumns);
    EXPECT_THROW(a4.SetColumns(2000000000), EPropertyError);
    EXPECT_EQ(a4.Columns(), TrpReportPage::kMaxColumns);
    TrpReport loaded;
    loaded.EngineOptions()->NewSilentMode = simSilent;
    loadXml(loaded, "<?xml version=\"1.0\"?><TrpReport><TrpReportPage Name=\"Page1\" Columns=\"2000000000\" "
                    "TopMargin=\"7\"/></TrpReport>");
    // A file asking for it is refused, naming the attribute.
    ASSERT_EQ(loaded.Errors.Count(), 1);
    EXPECT_EQ(loaded.Errors.Strings(0), "Invalid file format: Columns=\"2000000000\" is out of range");
    auto* read = dynamic_cast<TrpReportPage*>(loaded.FindObject("Page1"));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->Columns(), 0);
}

TEST(Pages, AnA4LandscapePageComesBackAsItWas)
{
    Sample s;
    s.page->LeftMargin = 10;
    s.page->RightMargin = 20;
    s.page->TopMargin = 30;
    s.page->BottomMargin = 40;
    s.page->SetOrientation(poLandscape);
    const std::string xml = saveXml(*s.report);
    EXPECT_EQ(xml.find("PaperSize="), std::string::npos);
    TrpReport copy;
    loadXml(copy, xml);
    auto* page = dynamic_cast<TrpReportPage*>(copy.FindObject("Page1"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->PaperSize(), 9);
    EXPECT_EQ(page->Orientation(), poLandscape);
    EXPECT_EQ(page->PaperWidth(), 297);
    EXPECT_EQ(page->PaperHeight(), 210);
    EXPECT_EQ(page->LeftMargin, 30);
    EXPECT_EQ(page->BottomMargin, 10);
    EXPECT_EQ(page->Width(), 1123);
    EXPECT_EQ(saveXml(copy), xml);
}

TEST(Pages, AlignChildrenSizesBandsToThePageOrAColumn)
{
    Sample s;
    s.page->SetColumns(2);
    auto* title = new TrpReportTitle(s.page);
    auto* vertical = new TrpChild(s.page);
    vertical->Vertical = true;
    vertical->SetTop(100);
    s.page->AlignChildren();
    EXPECT_NEAR(static_cast<double>(s.page->Width()), 718.1107, 1e-4);
    EXPECT_NEAR(static_cast<double>(s.band->Width()), 95 * 3.77953, 1e-9);
    EXPECT_EQ(title->Width(), s.page->Width());
    EXPECT_EQ(vertical->Height(), s.page->Height() - 100);
}
