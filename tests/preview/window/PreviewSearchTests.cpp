// Text search in the preview: the text runs a page draws, in order.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "PreviewTestSupport.h"
#include "rpPreviewSearch.h"
#include "rpSearchDialog.h"

using namespace preview_test;

namespace {

class PreviewSearch : public PreviewTest {
protected:
    // Find through its dialog, answered as a person would.
    void FindWith(const QString& text, bool fromTop = true, bool caseSensitive = false, bool found = true)
    {
        ui.expectModal(QStringLiteral("TrpSearchDialog"), [=](QDialog& d) {
            auto& dialog = static_cast<TrpSearchDialog&>(d);
            dialog.TextE->setText(text);
            dialog.TopCB->setChecked(fromTop);
            dialog.CaseCB->setChecked(caseSensitive);
            dialog.OkB->click();
            return d.result();
        });
        if (!found) ExpectNotFound();
        preview->Find();
    }
    void ExpectNotFound() { ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("Text not found")); }
    void PageTexts(int page, std::initializer_list<const char16_t*> texts)
    {
        pages.pages[page].texts.clear();
        int y = 40;
        for (const char16_t* t : texts) pages.pages[page].texts.push_back({40, y += 30, t});
    }
    std::pair<int, int> Hit() const { return {preview->Search().Page, preview->Search().LastFoundRecord}; }
};

}  // namespace

TEST_F(PreviewSearch, HitsComeInRecordOrderAcrossPagesThenTextNotFound)
{
    Attach(3);  // each page: "Page n", then "line i of page n" for i = 1..3
    preview->FindNext();  // before any search: nothing, no box
    EXPECT_FALSE(preview->Search().Found);

    FindWith(QStringLiteral("OF PAGE"));
    EXPECT_TRUE(preview->Search().Found);
    EXPECT_EQ(Hit(), std::make_pair(0, 1));
    std::vector<std::pair<int, int>> hits{Hit()};
    for (int i = 0; i < 8; ++i) {
        preview->FindNext();
        hits.push_back(Hit());
    }
    const std::vector<std::pair<int, int>> expected{{0, 1}, {0, 2}, {0, 3}, {1, 1}, {1, 2}, {1, 3}, {2, 1}, {2, 2}, {2, 3}};
    EXPECT_EQ(hits, expected);
    EXPECT_EQ(preview->PageNo(), 3);
    ExpectNotFound();
    preview->FindNext();
    EXPECT_FALSE(preview->Search().Found);
}

TEST_F(PreviewSearch, ASecondHitInOneRunIsNotReported)
{
    Attach(2);
    PageTexts(0, {u"ab ab", u"xab"});
    PageTexts(1, {u"ab"});
    FindWith(QStringLiteral("ab"));
    EXPECT_EQ(Hit(), std::make_pair(0, 0));
    preview->FindNext();
    EXPECT_EQ(Hit(), std::make_pair(0, 1));
    preview->FindNext();
    EXPECT_EQ(Hit(), std::make_pair(1, 0));
}

TEST_F(PreviewSearch, TextComparesInUnicodeWithItsCaseRules)
{
    Attach(1);
    PageTexts(0, {u"发货单 客户", u"Antonín Dvořák", u"Quantity Ärger"});
    FindWith(QStringLiteral("客户"));
    EXPECT_EQ(Hit(), std::make_pair(0, 0));
    // "ř" is outside the 8-bit Chinese code page: found all the same, and
    // a question mark matches nothing.
    FindWith(QStringLiteral("DVOŘÁK"));
    EXPECT_EQ(Hit(), std::make_pair(0, 1));
    FindWith(QStringLiteral("?"), true, false, false);
    EXPECT_FALSE(preview->Search().Found);

    FindWith(QStringLiteral("QUANTITY ärger"));
    EXPECT_EQ(Hit(), std::make_pair(0, 2));
    FindWith(QStringLiteral("quantity"), true, true, false);
    EXPECT_FALSE(preview->Search().Found);
    FindWith(QStringLiteral("Quantity"), true, true);
    EXPECT_TRUE(preview->Search().Found);

    // An empty text is found nowhere.
    FindWith(QString(), true, false, false);
    EXPECT_FALSE(preview->Search().Found);
}

TEST_F(PreviewSearch, StartsAtTheCurrentPageUnlessFromTheTopAndACancelKeepsTheText)
{
    Attach(3);
    preview->SetPageNo(3);
    FindWith(QStringLiteral("line 1"), false);
    EXPECT_EQ(Hit(), std::make_pair(2, 1));
    FindWith(QStringLiteral("line 1"), true);
    EXPECT_EQ(Hit(), std::make_pair(0, 1));

    // The dialog offers the last confirmed text; a cancel keeps searching
    // with it.
    ui.expectModal(QStringLiteral("TrpSearchDialog"), [](QDialog& d) {
        auto& dialog = static_cast<TrpSearchDialog&>(d);
        EXPECT_EQ(dialog.TextE->text(), QStringLiteral("line 1"));
        EXPECT_EQ(dialog.TextE->selectedText(), QStringLiteral("line 1"));
        dialog.TextE->setText(QStringLiteral("not this"));
        dialog.CancelB->click();
        return d.result();
    });
    preview->Find();
    EXPECT_EQ(TrpSearchDialog::LastSearchText(), u"line 1");
    preview->FindNext();
    EXPECT_EQ(Hit(), std::make_pair(1, 1));
}

TEST_F(PreviewSearch, TheFoundTextIsScrolledIntoViewAndInverted)
{
    Attach(2);
    PageTexts(1, {u"top"});
    pages.pages[1].texts.push_back({300, 1050, u"客户签收"});
    preview->SetZoom(2);
    FindWith(QStringLiteral("签收"));
    ASSERT_TRUE(preview->Search().Found);
    EXPECT_EQ(preview->PageNo(), 2);
    Settle();
    const TRect page = area().GetPageBounds(1);
    const TRect& f = preview->Search().FoundRect;
    EXPECT_EQ(f.Left, 300);
    EXPECT_EQ(f.Top, 1050);
    const int bottom = page.Top + f.Bottom * 2 - area().VertPosition();
    EXPECT_LE(bottom, area().viewport()->height());
    EXPECT_GT(bottom, 0);
    // The corner of the run's cell, white paper before, black inverted.
    const QPoint corner(page.Left + f.Left * 2 + 1 - area().HorzPosition(), page.Top + f.Top * 2 + 1 - area().VertPosition());
    EXPECT_EQ(PixelAt(*area().viewport(), corner), QColor(0, 0, 0));
    ExpectNotFound();
    preview->FindNext();
    Settle();
    EXPECT_EQ(PixelAt(*area().viewport(), corner), QColor(255, 255, 255));
}

TEST_F(PreviewSearch, MirroredPagesScrollTheTextsLeftSideIntoView)
{
    // The text near the page's left edge lies beyond the view's left side
    // until the search scrolls it 20 pixels inside.
    Attach(1);
    PageTexts(0, {u"客户签收"});
    preview->SetZoom(2);
    area().SetRightToLeft(true);
    Settle();
    const TRect page = area().GetPageBounds(0);
    ASSERT_LT(page.Left + 40 * 2 - area().ViewLeft(), 0);
    FindWith(QStringLiteral("签收"));
    ASSERT_TRUE(preview->Search().Found);
    Settle();
    const TRect& f = preview->Search().FoundRect;
    const int left = page.Left + f.Left * 2 - area().ViewLeft();
    EXPECT_EQ(left, 20);
    const QPoint corner(left + 1, page.Top + f.Top * 2 + 1 - area().VertPosition());
    EXPECT_EQ(PixelAt(*area().viewport(), corner), QColor(0, 0, 0));
}

TEST_F(PreviewSearch, EachPreviewKeepsItsOwnSearchAndOnlyTheDialogTextIsShared)
{
    Attach(2);
    FakePreviewPages otherPages;
    otherPages.AddPages(2);
    TrpPreview other;
    other.resize(600, 400);
    other.PreviewPages = &otherPages;
    other.Init();
    FindWith(QStringLiteral("page 2"));
    EXPECT_EQ(Hit(), std::make_pair(1, 0));
    EXPECT_FALSE(other.Search().Found);
    other.FindNext();  // no search of its own yet: nothing
    EXPECT_FALSE(other.Search().Found);
    // The other one's dialog offers the text confirmed in the first.
    ui.expectModal(QStringLiteral("TrpSearchDialog"), [](QDialog& d) {
        auto& dialog = static_cast<TrpSearchDialog&>(d);
        EXPECT_EQ(dialog.TextE->text(), QStringLiteral("page 2"));
        dialog.TextE->setText(QStringLiteral("line 3"));
        dialog.OkB->click();
        return d.result();
    });
    other.Find();
    EXPECT_EQ(other.Search().LastFoundRecord, 3);
    EXPECT_EQ(other.Search().Page, 0);
    EXPECT_EQ(Hit(), std::make_pair(1, 0));
    preview->FindNext();
    EXPECT_EQ(Hit(), std::make_pair(1, 1));
}

TEST(SearchCanvas, KeepsOnlyTextRunsWithTheirBounds)
{
    TrpSearchCanvas c;
    c.Font()->SetName("Arial");
    c.Font()->SetHeight(-20);
    c.Rectangle(0, 0, 100, 100);
    c.TextOut(10, 20, std::u16string_view(u"ab"));
    const int dx[] = {7, 8, 9};
    c.ExtTextOut(50, 60, 0, nullptr, u"xyz", dx);
    c.ExtTextOut(0, 0, 0, nullptr, u"");
    ASSERT_EQ(c.Runs().size(), 2u);
    EXPECT_EQ(c.Runs()[0].Bounds.Left, 10);
    EXPECT_EQ(c.Runs()[0].Bounds.Width(), c.TextWidth(u"ab"));
    EXPECT_EQ(c.Runs()[1].Bounds.Width(), 24);
    EXPECT_EQ(c.Runs()[1].Bounds.Top, 60);
    EXPECT_EQ(c.Runs()[1].Bounds.Height(), c.TextHeight(u"xyz"));
    EXPECT_EQ(c.FindAfter(-1, u"XY", false), 1);
    EXPECT_EQ(c.FindAfter(-1, u"XY", true), -1);
    EXPECT_EQ(c.FindAfter(1, u"xy", false), -1);
    EXPECT_EQ(c.FindAfter(-1, u"", false), -1);
}

TEST(SearchCanvas, AWrappedTextIsFoundAcrossItsLineBreaks)
{
    // Runs drawn as a text drawer draws a wrapped text: line below line,
    // 2 pixels apart, and runs of another style side by side on a line.
    TrpSearchCanvas c;
    c.Font()->SetName("Arial");
    c.Font()->SetHeight(-13);
    const int line = c.TextHeight(u"配") + 2;
    c.TextOut(40, 100, std::u16string_view(u"配件单元与理"));
    c.TextOut(40, 100 + line, std::u16string_view(u"线架组合"));
    c.TextOut(40, 100 + 3 * line, std::u16string_view(u"hello"));
    c.TextOut(40, 100 + 4 * line, std::u16string_view(u"world"));
    const int right = 40 + c.TextWidth(u"bold ");
    c.TextOut(40, 300, std::u16string_view(u"bold "));
    c.TextOut(right, 300, std::u16string_view(u"plain"));
    // Apart: a box lower down, and one beside on the same line.
    c.TextOut(40, 400, std::u16string_view(u"ab"));
    c.TextOut(40, 400 + 3 * line, std::u16string_view(u"cd"));
    c.TextOut(300, 400, std::u16string_view(u"ef"));

    const TrpSearchCanvas::Hit hit = c.Find(-1, u"单元与理线架", false);
    EXPECT_EQ(hit.Run, 0);
    ASSERT_EQ(hit.Parts.size(), 2u);
    // Each part covers the characters of its line it holds.
    EXPECT_EQ(hit.Parts[0].Left, 40 + c.TextWidth(u"配件"));
    EXPECT_EQ(hit.Parts[0].Right, 40 + c.TextWidth(u"配件单元与理"));
    EXPECT_EQ(hit.Parts[1].Left, 40);
    EXPECT_EQ(hit.Parts[1].Right, 40 + c.TextWidth(u"线架"));
    EXPECT_EQ(hit.Parts[1].Top, 100 + line);
    // The blank a line break took, or none; case as asked.
    EXPECT_EQ(c.Find(-1, u"HELLO WORLD", false).Run, 2);
    EXPECT_EQ(c.Find(-1, u"helloworld", false).Run, 2);
    EXPECT_EQ(c.Find(-1, u"HELLO WORLD", true).Run, -1);
    EXPECT_EQ(c.Find(-1, u"hello  world", false).Run, 2);
    EXPECT_EQ(c.Find(-1, u"d plain", false).Parts.size(), 2u);
    // Texts apart are not one.
    EXPECT_EQ(c.Find(-1, u"bc", false).Run, -1);
    EXPECT_EQ(c.Find(-1, u"be", false).Run, -1);
    EXPECT_EQ(c.Find(-1, u"架组合hel", false).Run, -1);
    // A text within one run is found as before: the run, whole.
    const TrpSearchCanvas::Hit within = c.Find(-1, u"件单", false);
    ASSERT_EQ(within.Parts.size(), 1u);
    EXPECT_EQ(within.Parts[0].Left, c.Runs()[0].Bounds.Left);
    EXPECT_EQ(within.Parts[0].Right, c.Runs()[0].Bounds.Right);
    // Hits are told apart by the run they start in: the next one may start
    // in the run the last one ended in.
    EXPECT_EQ(c.Find(0, u"理线", false).Run, -1);
    EXPECT_EQ(c.Find(0, u"线架", false).Run, 1);
}

TEST_F(PreviewSearch, AProductNameIsFoundWhereItsLineWrapsAndEachPartInverted)
{
    // The order sheet's product column takes six characters a line: the
    // name wraps inside "单元与理线架".
    order_lines::OrderFile file(engine_test::testData("fixtures/orders.sql"), 0);
    const char* const order = "ZEZO-2026-12-06-093000";
    {
        db::Database db(file.path, db::Database::OpenMode::ReadWrite);
        db.execute("UPDATE zq_ddmx SET cp=? WHERE bh=? AND cp='螺丝'", {"综合布线机柜配件单元与理线架组合套装", order});
    }
    engine_test::Prepared run(engine_test::orderSheet(), file.path,
                              {{"rpDBDataset1", order_lines::masterSql(order)}, {"rpDBDataset2", order_lines::detailSql(order)}});
    ASSERT_TRUE(run.prepare()) << run.errors();
    TrpSearchCanvas drawn;
    run.pages().DrawPage(0, drawn, 1, 1, 0, 0);
    for (const TrpSearchCanvas::Run& r : drawn.Runs()) ASSERT_EQ(r.Text.find(u"单元与理线架"), std::u16string::npos);
    preview->PreviewPages = &run.pages();
    preview->Init();
    Settle();
    FindWith(QStringLiteral("单元与理线架"));
    ASSERT_TRUE(preview->Search().Found);
    const std::vector<TRect> parts = preview->Search().FoundParts;
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_LT(parts[0].Top, parts[1].Top);
    // Both parts are inverted on the screen.
    Settle();
    const TRect page = area().GetPageBounds(0);
    const QImage shown = area().viewport()->grab().toImage();
    for (const TRect& p : parts) {
        const QPoint corner(page.Left + p.Left - area().HorzPosition(), page.Top + p.Top - area().VertPosition());
        int dark = 0;
        for (int y = 1; y < p.Height() - 1; ++y)
            for (int x = 1; x < p.Width() - 1; ++x) dark += qGray(shown.pixel(corner + QPoint(x, y))) < 100;
        EXPECT_GT(dark, (p.Width() - 2) * (p.Height() - 2) / 2);
    }
    // The name is there once.
    ExpectNotFound();
    preview->FindNext();
    EXPECT_FALSE(preview->Search().Found);
}
