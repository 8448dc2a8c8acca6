// Scripts against the report that is running them: the rows a band walks
// are not moved or closed under it, and a script that stops the run says
// so.
#include <gtest/gtest.h>

#include "CodePages.h"
#include "EngineTestUtil.h"
#include "Watchdog.h"
#include "rpCustomPreview.h"

using namespace engine_test;

namespace {

const char* const kShops = "select * from shop order by id";

// Shops (the 7 rows of shop) with Items as their detail; `handlers` are
// the script's procedures, hung on the bands by the caller.
struct ShopSheet : Sheet {
    TrpMasterData* shops = nullptr;
    TrpDetailData* items = nullptr;
    TrpDBDataset* shop = nullptr;
    explicit ShopSheet(const std::string& handlers, bool details = false)
    {
        shop = dataset("shop", kShops);
        shops = band<TrpMasterData>("Shops", 0, 14);
        shops->SetDataSet(shop);
        memo(shops, "Name", 0, 0, 200, 14, u"[shop.\"name\"] [shop.\"amount\"]");
        if (details) {
            TrpDBDataset* item = dataset("item", "select * from item where id <= 2 order by id");
            items = band<TrpDetailData>("Items", 20, 14);
            items->SetDataSet(item);
            memo(items, "Item", 20, 0, 200, 14, u"[item.\"name\"]");
        }
        auto* summary = band<TrpReportSummary>("Summary", 40, 14);
        memo(summary, "Total", 0, 0, 300, 14, u"total [SUM(<shop.\"amount\">, Shops)] rows [COUNT(Shops)]");
        report->ScriptText()->SetText(handlers + "\r\nbegin\r\nend.");
    }
    std::vector<std::string> lines(const std::string& prefix) { return dumpLines(dump(), prefix); }
};

std::string handler(const std::string& name, const std::string& body)
{
    return "procedure " + name + "(Sender: TObject);\r\nbegin\r\n  " + body + ";\r\nend;\r\n";
}

}  // namespace

TEST(RunningDataset, AScriptCannotMoveOrCloseTheRowsABandIsPrinting)
{
    for (const char* call : {"Close", "First", "Next", "Prior"}) {
        ShopSheet sheet(handler("Row", std::string("if <Line> = 2 then Report.GetDataset('shop').") + call));
        sheet.shops->OnBeforePrint = "Row";
        // First in every row's handler used to print for ever.
        Watchdog watchdog(60, call);
        EXPECT_FALSE(sheet.prepare()) << call;
        EXPECT_NE(sheet.report->Errors.Text().find(std::string("Cannot call ") + call +
                                                   " on dataset shop while Shops prints its rows"),
                  std::string::npos)
            << call << ": " << sheet.report->Errors.Text();
        // The row before stays; nothing is printed twice or totalled wrong.
        EXPECT_EQ(sheet.lines("memo "), std::vector<std::string>{"memo Name Alpha 10"}) << call;
    }
}

TEST(RunningDataset, RowsNotBeingWalkedMayStillBeMovedAndReopened)
{
    // A master's handler may set its detail's rows up before they print,
    // and the has-data scan's OnMasterDetail may reopen them.
    ShopSheet sheet(handler("Row", "Report.GetDataset('item').First") +
                        handler("Reopen", "Report.GetDataset('item').Close; Report.GetDataset('item').Open"),
                    true);
    sheet.shops->OnBeforePrint = "Row";
    sheet.items->OnMasterDetail = "Reopen";
    EXPECT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
    EXPECT_EQ(sheet.lines("memo Item").size(), 14u);
    EXPECT_EQ(sheet.lines("memo Total"), std::vector<std::string>{"memo Total total 280 rows 7"});
}

TEST(RunningDataset, TheWalkOfAnOuterBandAndOfAnotherDatasetOverTheSameRowsIsKept)
{
    {
        // The detail's handler moves the rows of the master around it.
        ShopSheet sheet(handler("Detail", "Report.GetDataset('shop').Next"), true);
        sheet.items->OnBeforePrint = "Detail";
        EXPECT_FALSE(sheet.prepare());
        EXPECT_NE(sheet.report->Errors.Text().find("Cannot call Next on dataset shop while Shops prints its rows"),
                  std::string::npos)
            << sheet.report->Errors.Text();
    }
    {
        // A second dataset over the query the band walks closes the query.
        ShopSheet sheet(handler("Row", "if <Line> = 3 then Report.GetDataset('twin').Close"));
        auto* twin = new TrpDBDataset(sheet.form.get());
        twin->SetName("twin");
        twin->SetDataSet(sheet.shop->DataSet());
        sheet.report->DataSets()->Add()->SetDataSet(twin);
        sheet.shops->OnBeforePrint = "Row";
        EXPECT_FALSE(sheet.prepare());
        EXPECT_NE(sheet.report->Errors.Text().find("Cannot call Close on dataset twin while Shops prints its rows"),
                  std::string::npos)
            << sheet.report->Errors.Text();
        EXPECT_EQ(sheet.lines("memo Name").size(), 2u);
    }
    {
        // The report's own dataset runs the pages once a row.
        ShopSheet sheet(handler("Row", "Report.DataSet.First"));
        sheet.report->SetDataSet(sheet.dataset("region", "select distinct region from shop order by 1"));
        sheet.shops->OnBeforePrint = "Row";
        Watchdog watchdog(60, "Report.DataSet.First");
        EXPECT_FALSE(sheet.prepare());
        EXPECT_NE(sheet.report->Errors.Text().find("Cannot call First on dataset region while rpReport1 prints its rows"),
                  std::string::npos)
            << sheet.report->Errors.Text();
    }
}

TEST(RunningDataset, AWalkedDatasetIsNotFreedEvenWhenTheReportDoesNotListIt)
{
    ShopSheet sheet(handler("Row", "if <Line> = 2 then Shops.DataSet.Free"));
    auto* unlisted = new TrpDBDataset(sheet.form.get());
    unlisted->SetName("unlisted");
    unlisted->SetDataSet(sheet.queries.back().get());
    sheet.shops->SetDataSet(unlisted);
    sheet.shops->OnBeforePrint = "Row";
    EXPECT_FALSE(sheet.prepare());
    EXPECT_NE(sheet.report->Errors.Text().find("Cannot free unlisted while the report prepares"), std::string::npos)
        << sheet.report->Errors.Text();
    EXPECT_EQ(sheet.lines("memo Name").size(), 1u);
}

TEST(RunningDataset, StoppingTheRunIsTheScriptsOnlyWhenItsScriptStoppedIt)
{
    for (const char* stop : {"Report.Terminated := True", "Engine.StopReport"}) {
        ShopSheet sheet(handler("Row", std::string("if <Line> = 3 then ") + stop));
        sheet.shops->OnBeforePrint = "Row";
        EXPECT_TRUE(sheet.prepare()) << stop;
        EXPECT_TRUE(sheet.report->TerminatedByScript) << stop;
        // The row whose handler stopped the run still prints.
        EXPECT_EQ(sheet.lines("memo Name").size(), 3u) << stop;
        // The next run starts afresh; a stop from outside (the preview's
        // cancel, a time limit) is no script's.
        sheet.report->OnBeforePrint = [&](TrpReportComponent*) { sheet.report->SetTerminated(true); };
        // (The preparation reloaded the report: its bands are new ones.)
        static_cast<TrpBand*>(sheet.report->FindObject("Shops"))->OnBeforePrint.clear();
        sheet.prepare();
        EXPECT_TRUE(sheet.report->Terminated) << stop;
        EXPECT_FALSE(sheet.report->TerminatedByScript) << stop;
    }
}

namespace {

struct NullPreview : TrpCustomPreview {
    using TrpCustomPreview::TrpCustomPreview;
    void Init() override {}
    void Lock() override {}
    void Unlock() override {}
    void RefreshReport() override {}
    void ProgressStart() override {}
    void Progress(int) override {}
    void ProgressStop() override {}
};

}  // namespace

TEST(RunningReport, TheAncestorAndThePreviewOfAPreparingReportAreNotReplaced)
{
    // An ancestor that loads: it used to free the rows being printed.
    const std::string ancestor = std::string(REPORT_SOURCE_ROOT) + "/tests/tools/reports/rows.xml";
    struct Case {
        std::string statement;
        const char* error;
    };
    for (const Case& c : {Case{"Report.ParentReport := '" + ancestor + "'", "Cannot set ParentReport of rpReport1"},
                          Case{"Report.ParentReport := 'missing.xml'", "Cannot set ParentReport of rpReport1"},
                          Case{"Report.ParentReport := ''", "Cannot set ParentReport of rpReport1"},
                          Case{"Report.Preview := nil", "Cannot set Preview of rpReport1"}}) {
        ShopSheet sheet(handler("Row", "if <Line> = 2 then " + c.statement));
        sheet.shops->OnBeforePrint = "Row";
        auto* preview = new NullPreview(sheet.form.get());
        sheet.report->SetPreview(preview);
        EXPECT_FALSE(sheet.prepare()) << c.statement;
        EXPECT_NE(sheet.report->Errors.Text().find(std::string(c.error) + " while the report prepares"),
                  std::string::npos)
            << c.statement << ": " << sheet.report->Errors.Text();
        EXPECT_EQ(sheet.lines("memo Name"), std::vector<std::string>{"memo Name Alpha 10"}) << c.statement;
        EXPECT_EQ(sheet.report->Preview(), preview) << c.statement;
        EXPECT_NE(sheet.report->FindObject("Shops"), nullptr) << c.statement;
    }
    // Outside a preparation both are the report's to change.
    ShopSheet sheet("");
    EXPECT_NO_THROW(sheet.report->SetParentReport(ancestor));
    EXPECT_NE(sheet.report->FindObject("Rows"), nullptr);
    EXPECT_NO_THROW(sheet.report->SetPreview(nullptr));
}

TEST(RunningReport, ABandNamedLikeAFunctionIsTheBandItsAggregatesName)
{
    // Ord, Copy, Trim: Pascal's own functions, and the names of bands.
    for (const char* name : {"Ord", "Copy", "Trim"}) {
        ShopSheet sheet("");
        sheet.shops->SetName(name);
        static_cast<TrpMemoView*>(sheet.report->FindObject("Total"))->SetText(u"");
        const std::string n(name);
        auto* footer = sheet.band<TrpFooter>("Foot", 20, 14);
        sheet.memo(footer, "Count", 0, 0, 300, 14,
                   Utf8ToUtf16("[COUNT(" + n + ")] [SUM(<shop.\"amount\">, " + n + ")] [COUNT( " + n + " , 1)]"));
        EXPECT_TRUE(sheet.prepare()) << name << ": " << sheet.report->Errors.Text();
        EXPECT_EQ(sheet.lines("memo Count"), std::vector<std::string>{"memo Count 7 280 7"}) << name;
    }
    // Not a band: the error still says which name it could not use.
    ShopSheet sheet("");
    auto* footer = sheet.band<TrpFooter>("Foot", 20, 14);
    sheet.memo(footer, "Count", 0, 0, 300, 14, u"[COUNT(NoSuchBand)]");
    EXPECT_FALSE(sheet.prepare());
    EXPECT_NE(sheet.report->Errors.Text().find("NoSuchBand"), std::string::npos) << sheet.report->Errors.Text();
}

TEST(RunningReport, AStackOverflowNamesTheProcedureItHappenedIn)
{
    ShopSheet sheet("function Deep(n: Integer): Integer;\r\nbegin\r\n  Result := Deep(n + 1);\r\nend;\r\n" +
                    handler("Row", "Deep(0)"));
    sheet.shops->OnBeforePrint = "Row";
    EXPECT_FALSE(sheet.prepare());
    EXPECT_NE(sheet.report->Errors.Text().find("Stack overflow in Deep"), std::string::npos)
        << sheet.report->Errors.Text();
}
