// Layout the dumps do not show: where vertical cells stand, what a run
// leaves of the objects it moved into vertical bands, where anchors of a
// kept block go, and the report's own dialog handler.
#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "Watchdog.h"
#include "rpRes.h"
#include "sc_interpreter.h"

using namespace engine_test;

namespace {

const Datasets kCrosstab = {
    {"r", "select id, name from item where id <= 3 order by id"},
    {"c", "select col, kind from (select id as col, kind, 0 as k from item where id in (1, 4, 6) union all "
          "select null, 'none', 1) order by k, col"}};

// The left edges of the objects named `name` in the first band of that
// name on a built page.
std::vector<Extended> lefts(TrpPreviewPages& pages, int page, const std::string& band, const std::string& name)
{
    std::vector<Extended> out;
    const std::shared_ptr<TrpReportPage> built = pages.GetPage(page);
    for (TrpComponent* b : built->Objects()) {
        if (b->Name() != band) continue;
        for (TrpComponent* o : b->Objects())
            if (o->Name() == name) out.push_back(o->Left());
        break;
    }
    return out;
}

}  // namespace

TEST(VerticalCells, CellsStandOneColumnWidthApartFromTheBandsLeft)
{
    CasesDatabase database;
    Prepared run(testData("engine/cases/aggregate_crosstab.xml"), database.path, kCrosstab);
    ASSERT_TRUE(run.prepare()) << run.errors();
    // The caption column is 80 wide, each data column 60.
    EXPECT_EQ(lefts(run.pages(), 0, "Rows", "Item"), std::vector<Extended>{0});
    EXPECT_EQ(lefts(run.pages(), 0, "Rows", "Cell"), (std::vector<Extended>{80, 140, 200, 260}));
    EXPECT_EQ(lefts(run.pages(), 0, "Rows", "RowTotal"), std::vector<Extended>{320});
    EXPECT_EQ(lefts(run.pages(), 0, "RowsFooter", "ColumnSum"), (std::vector<Extended>{80, 140, 200, 260}));
}

TEST(VerticalCells, TheObjectsMovedForARunAreBackInTheirBandsAfterIt)
{
    CasesDatabase database;
    Prepared run(testData("engine/cases/aggregate_crosstab.xml"), database.path, kCrosstab);
    run.report->EngineOptions()->DestroyForms = false;
    ASSERT_TRUE(run.prepare()) << run.errors();
    const std::string first = run.dump();
    TrpComponent* cell = run.report->FindObject("Cell");
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Parent()->Name(), "Rows");
    EXPECT_EQ(cell->Left(), 100);
    const std::vector<TrpComponent*>& objects = run.report->FindObject("RowsHeader")->Objects();
    std::vector<std::string> names;
    for (TrpComponent* o : objects) names.push_back(o->Name());
    EXPECT_EQ(names, (std::vector<std::string>{"Corner", "Kind", "TotalCaption"}));
    // Nothing of the first run stays in the objects: the second prints the same.
    ASSERT_TRUE(run.prepare()) << run.errors();
    EXPECT_EQ(run.dump(), first);
}

TEST(Subreports, ThePagesOfTheLongerSubreportDecideWherePrintingGoesOn)
{
    Prepared run(testData("engine/cases/subreports_side_by_side.xml"));
    {
        Watchdog watchdog(60, "side-by-side subreports");
        ASSERT_TRUE(run.prepare()) << run.errors();
    }
    ASSERT_EQ(run.pageCount(), 5);
    const std::vector<std::string> rows = dumpLines(run.dump(), "memo ShortRow ");
    EXPECT_EQ(rows.size(), 22u);
    EXPECT_EQ(dumpLines(run.dump(), "memo LongRow ").size(), 40u);
    // Each page has its header once, whichever subreport came to it first.
    EXPECT_EQ(dumpLines(run.dump(), "band PageHeader1 ").size(), 5u);
}

TEST(KeepBlocks, AnchorsOfABlockMovedToTheNextColumnStayOnTheirPage)
{
    CasesDatabase database;
    Prepared run(testData("engine/cases/keep_group.xml"), database.path,
                 {{"shop", "select * from shop order by region, city, name"}});
    run.report->ScriptText()->SetText(
        "procedure Mark(Sender: TrpComponent);\r\nbegin\r\n  Engine.AddAnchor(<shop.\"region\">);\r\nend;\r\n"
        "\r\nbegin\r\nend.");
    static_cast<TrpBand*>(run.report->FindObject("RegionHeader"))->OnBeforePrint = "Mark";
    ASSERT_TRUE(run.prepare()) << run.errors();
    TrpPreviewPages& pages = run.pages();
    int page = -1, top = -1;
    // South starts in column 1 and moves whole to column 2 of page 1; West
    // moves to page 2.
    ASSERT_TRUE(pages.FindAnchor("South", page, top));
    EXPECT_EQ(std::make_pair(page, top), std::make_pair(0, 20));
    ASSERT_TRUE(pages.FindAnchor("West", page, top));
    EXPECT_EQ(std::make_pair(page, top), std::make_pair(1, 20));
    ASSERT_TRUE(pages.FindAnchor("North", page, top));
    EXPECT_EQ(std::make_pair(page, top), std::make_pair(0, 20));
}

TEST(EngineRun, TheReportsDialogHandlerDecidesWhetherTheReportIsBuilt)
{
    for (const bool go : {false, true}) {
        Sheet sheet;
        TrpMasterData* rows = sheet.band<TrpMasterData>("Rows", 10, 20, 2);
        sheet.memo(rows, "Text", 0, 0, 200, 18, u"row [Line]");
        sheet.report->ScriptText()->SetText(std::string("var asked: Integer;\r\nprocedure Ask(var Go: Boolean);\r\n"
                                                        "begin\r\n  asked := asked + 1;\r\n  Go := ") +
                                            (go ? "True" : "False") + ";\r\nend;\r\n\r\nbegin\r\nend.");
        sheet.report->OnRunDialogs = " Ask ";
        // The handler stands for the dialog pages: none is shown.
        auto* dialog = new TrpDialogPage(sheet.report);
        dialog->SetName("Dialog1");
        int shown = 0;
        static_cast<TrpEngine*>(sheet.report->Engine())->OnRunDialog = [&](TrpDialogPage*) { return ++shown, 1; };
        EXPECT_EQ(sheet.prepare(), go);
        EXPECT_EQ(sheet.report->Errors.Count(), 0) << sheet.report->Errors.Text();
        EXPECT_EQ(sheet.pages().GetCount(), go ? 1 : 0);
        EXPECT_EQ(shown, 0);
        EXPECT_EQ(VarToStr(sheet.report->Script()->FindLocal("asked")->Value), "1");
    }
}
