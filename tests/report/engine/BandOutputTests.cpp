// Showing bands: where stretched objects push the ones below them, the
// repeated-value re-preparation, drill-down names, outline entries, and the
// bands that no page can hold.
#include <gtest/gtest.h>

#include <filesystem>

#include "EngineTestUtil.h"
#include "Watchdog.h"

using namespace engine_test;

namespace {

// The built objects of a prepared page by name: top and height.
struct Placed {
    Extended top = -1, height = -1;
};

Placed placed(TrpPreviewPages& pages, int page, int bandIndex, const std::string& name)
{
    const std::shared_ptr<TrpReportPage> built = pages.GetPage(page);
    int seen = 0;
    for (TrpComponent* band : built->Objects()) {
        if (!dynamic_cast<TrpBand*>(band) || seen++ != bandIndex) continue;
        for (TrpComponent* o : band->Objects())
            if (o->Name() == name) return {o->Top(), o->Height()};
    }
    return {};
}

}  // namespace

TEST(BandOutput, StretchedObjectsPushThoseBelowOnceByTheLargestGrowth)
{
    CasesDatabase database;
    Prepared notes(testData("engine/cases/stretch_shift.xml"), database.path,
                   {{"note", "select * from note order by id"}});
    ASSERT_TRUE(notes.prepare()) << notes.errors();
    TrpPreviewPages& pages = notes.pages();
    const Placed body = placed(pages, 0, 0, "Body");
    const Extended growth = body.height - 20;
    ASSERT_GT(growth, 30);
    // Always: moved by the growth of the memo above.
    EXPECT_EQ(placed(pages, 0, 0, "Below").top, 30 + growth);
    // When overlapped: just under the memo it now overlaps.
    EXPECT_EQ(placed(pages, 0, 0, "Near").top, body.height);
    // Under both memos and under Below and Near: once, by the largest.
    const Placed under = placed(pages, 0, 0, "Under");
    EXPECT_EQ(under.top, 50 + growth);
    // Under Under, only when Under reaches it.
    EXPECT_EQ(placed(pages, 0, 0, "Far").top, under.top + 16);
    EXPECT_EQ(placed(pages, 0, 0, "Fixed").top, 40);
    // The second row: only the side memo grows; Far is not reached.
    const Placed side = placed(pages, 0, 1, "Side");
    EXPECT_EQ(placed(pages, 0, 1, "Under").top, 50 + side.height - 20);
    EXPECT_EQ(placed(pages, 0, 1, "Far").top, 80);
}

TEST(BandOutput, ShiftLinksJoinEachObjectToTheNearestObjectsAbove)
{
    Sheet sheet;
    auto* band = sheet.band<TrpMasterData>("Rows", 0, 200, 1);
    TrpMemoView* b = sheet.memo(band, "B", 0, 0, 100, 20, u"b");
    TrpMemoView* c = sheet.memo(band, "C", 120, 0, 100, 20, u"c");
    TrpMemoView* d = sheet.memo(band, "D", 0, 40, 220, 20, u"d");
    TrpMemoView* e = sheet.memo(band, "E", 0, 80, 50, 20, u"e");
    TrpMemoView* beside = sheet.memo(band, "Beside", 300, 100, 50, 20, u"beside");
    auto* engine = static_cast<TrpEngine*>(sheet.report->Engine());
    EXPECT_EQ(engine->ShiftChildren(band, band), (std::vector<TrpView*>{b, c, beside}));
    EXPECT_EQ(engine->ShiftChildren(band, b), std::vector<TrpView*>{d});
    EXPECT_EQ(engine->ShiftChildren(band, c), std::vector<TrpView*>{d});
    // D stands between B and E.
    EXPECT_EQ(engine->ShiftChildren(band, d), std::vector<TrpView*>{e});
    EXPECT_TRUE(engine->ShiftChildren(band, e).empty());
}

TEST(BandOutput, ARepeatedValueSuppressedPrintsAgainAtTheTopOfTheNextPage)
{
    Sheet sheet;
    sheet.page->SetPaperHeight(20);
    auto* rows = sheet.band<TrpMasterData>("Rows", 0, 20, 6);
    TrpMemoView* kind = sheet.memo(rows, "Kind", 0, 0, 60, 18, u"same");
    kind->SuppressRepeated = true;
    sheet.memo(rows, "Line", 70, 0, 60, 18, u"[Line]");
    std::vector<bool> second;
    sheet.report->OnBeforePrint = [&](TrpReportComponent* object) {
        if (object->Name() == "Kind") second.push_back(sheet.report->Engine()->SecondScriptCall);
    };
    ASSERT_TRUE(sheet.prepare());
    // Three rows to a page of 75.59 units.
    EXPECT_EQ(dumpLines(sheet.dump(), "memo Kind"),
              (std::vector<std::string>{"memo Kind same", "memo Kind ", "memo Kind ", "memo Kind same", "memo Kind ",
                                        "memo Kind "}));
    // The fourth row is prepared again on its new page.
    EXPECT_EQ(second, (std::vector<bool>{false, false, false, false, true, false, false}));
}

TEST(BandOutput, DrillDownGroupsAreNamedByTheirRowsAndOpenWhenExpanded)
{
    Sheet sheet;
    sheet.band<TrpMasterData>("Outer", 0, 10, 2);
    auto* group = sheet.band<TrpGroupHeader>("Kind", 20, 10);
    group->Condition = "item.\"kind\"";
    group->DrillDown = true;
    auto* rows = sheet.band<TrpDetailData>("Rows", 40, 10);
    rows->SetDataSet(sheet.dataset("item", "select * from item where id <= 5 order by id"));
    sheet.memo(rows, "Row", 0, 0, 50, 10, u"[item.\"name\"]");
    sheet.band<TrpGroupFooter>("KindEnd", 60, 10);
    sheet.report->ExpandedDrillDowns.insert("Outer.2.Kind.2");
    ASSERT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
    std::vector<std::string> names;
    TrpPreviewPages& pages = sheet.pages();
    for (int i = 0; i < pages.CurrentObjectCount(); ++i) {
        const std::string text = pages.ObjectText(0, i);
        const size_t at = text.find("DrillName=\"");
        if (at != std::string::npos) names.push_back(text.substr(at + 11, text.find('"', at + 11) - at - 11));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Outer.1.Kind.1", "Outer.1.Kind.2", "Outer.2.Kind.1", "Outer.2.Kind.2"}));
    // Only the expanded group shows its rows and its footer.
    EXPECT_EQ(dumpLines(sheet.dump(), "memo Row"), (std::vector<std::string>{"memo Row screw", "memo Row rivet"}));
    EXPECT_EQ(dumpLines(sheet.dump(), "band KindEnd").size(), 1u);
}

TEST(BandOutput, OutlineEntriesStandAtTheirBandsTops)
{
    Sheet sheet;
    auto* rows = sheet.band<TrpMasterData>("Rows", 0, 20.5, 3);
    rows->OutlineText = "'row ' + IntToStr(<Line>)";
    auto* details = sheet.band<TrpDetailData>("Details", 30, 10, 2);
    details->OutlineText = "<Line>";
    sheet.page->OutlineText = "'page'";
    ASSERT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
    TrpCustomOutline& outline = *sheet.pages().Outline();
    outline.LevelRoot();
    ASSERT_EQ(outline.GetCount(), 1);
    std::string text;
    int page = -1, top = -1;
    outline.GetItem(0, text, page, top);
    EXPECT_EQ(text, "page");
    outline.LevelDown(0);
    ASSERT_EQ(outline.GetCount(), 3);
    // Row 2 starts at 20.5 + 2 × 10 = 40.5, rounded half to even.
    outline.GetItem(1, text, page, top);
    EXPECT_EQ(text, "row 2");
    EXPECT_EQ(top, 40);
    outline.LevelDown(1);
    ASSERT_EQ(outline.GetCount(), 2);
    outline.GetItem(1, text, page, top);
    EXPECT_EQ(text, "2");
    EXPECT_EQ(top, 71);
}

namespace {

// A 20 mm page whose splitting, stretching band prints `rows` rows of a memo
// in 200-point type: each line is taller than the page.
void tallLines(Sheet& sheet, int rows, Extended width, const std::u16string& text)
{
    sheet.page->SetPaperHeight(20);
    auto* band = sheet.band<TrpMasterData>("Rows", 0, 20, rows);
    band->AllowSplit = true;
    band->Stretched = true;
    TrpMemoView* big = sheet.memo(band, "Big", 0, 0, width, 20, text);
    big->SetStretchMode(smActualHeight);
    big->SetParentFont(false);
    big->Font()->SetSize(200);
}

}  // namespace

TEST(BandOutput, BandsNoPageCanHoldEndTheRunAllTheSame)
{
    {
        // One line of text taller than a page, in a band that may split.
        Sheet sheet;
        tallLines(sheet, 2, 300, u"X");
        Watchdog watchdog(60, "a line taller than a page");
        sheet.prepare();
        EXPECT_GE(sheet.pages().GetCount(), 2);
        EXPECT_EQ(dumpLines(sheet.dump(), "memo Big X").size(), 2u);
    }
    {
        // Several such lines: each goes out cut on a page of its own and
        // none is lost.
        Sheet sheet;
        tallLines(sheet, 1, 600, u"A\r\nB\r\nC");
        Watchdog watchdog(60, "lines taller than a page");
        sheet.prepare();
        EXPECT_EQ(sheet.pages().GetCount(), 3);
        for (const char* line : {"memo Big A", "memo Big B", "memo Big C"})
            EXPECT_EQ(dumpLines(sheet.dump(), line).size(), 1u) << line;
    }
    {
        // A page header that leaves no room at all.
        Sheet sheet;
        sheet.page->SetPaperHeight(20);
        sheet.band<TrpPageHeader>("Header", 0, 100);
        auto* rows = sheet.band<TrpMasterData>("Rows", 20, 50, 3);
        rows->AllowSplit = true;
        sheet.memo(rows, "Row", 0, 0, 50, 18, u"[Line]");
        Watchdog watchdog(60, "a page header that fills the page");
        sheet.prepare();
        EXPECT_GE(sheet.pages().GetCount(), 1);
        EXPECT_GE(sheet.report->Errors.Count(), 1);
    }
}
