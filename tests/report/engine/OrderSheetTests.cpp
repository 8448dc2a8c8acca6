// The order sheet prepared from the database: how many pages an order of n
// lines takes, where the header, master, detail and summary bands stand,
// and what the amount column prints.
#include <gtest/gtest.h>

#include <algorithm>

#include "EngineTestUtil.h"
#include "LayoutCheck.h"

using namespace engine_test;

namespace {

struct Layout {
    int pages = 0;
    std::vector<int> rowsPerPage;
    int summaryPage = 0;
};

Layout layoutOf(OrderSheet& sheet)
{
    Layout layout;
    const std::string dump = sheet.run.dump();
    size_t from = 0;
    while (from < dump.size()) {
        size_t end = dump.find('\n', from);
        if (end == std::string::npos) end = dump.size();
        const std::string line = dump.substr(from, end - from);
        if (line.rfind("page ", 0) == 0) {
            ++layout.pages;
            layout.rowsPerPage.push_back(0);
        } else if (line.rfind("  band DetailData1 ", 0) == 0) {
            ++layout.rowsPerPage.back();
        } else if (line.rfind("  band ReportSummary1 ", 0) == 0) {
            layout.summaryPage = layout.pages;
        }
        from = end + 1;
    }
    return layout;
}

}  // namespace

// The printable height is 277 mm × 3.77953; after the page header (56.69)
// and the master band (98.28) 29 rows of 30.46 fit on the first page, 32
// under the reprinted header on the later ones; the summary (207.05)
// needs its own room.
TEST(OrderSheet, PageCountsAndRowsPerPageFollowTheBandHeights)
{
    struct Case {
        int lines;
        int pages;
        std::vector<int> rows;
        int summaryPage;
    };
    for (const Case& c : {Case{0, 1, {0}, 1}, Case{1, 1, {1}, 1}, Case{22, 1, {22}, 1}, Case{23, 2, {23, 0}, 2},
                          Case{29, 2, {29, 0}, 2}, Case{30, 2, {29, 1}, 2}, Case{61, 3, {29, 32, 0}, 3}}) {
        OrderSheet sheet(c.lines);
        sheet.run.prepare();
        const Layout layout = layoutOf(sheet);
        EXPECT_EQ(layout.pages, c.pages) << c.lines << " lines";
        EXPECT_EQ(layout.rowsPerPage, c.rows) << c.lines << " lines";
        EXPECT_EQ(layout.summaryPage, c.summaryPage) << c.lines << " lines";
    }
}

// Long names too: rows grow and break whole.
TEST(OrderSheet, NothingLiesBelowThePageOrOverAnotherText)
{
    for (const bool longNames : {false, true})
        for (const int lines : {0, 1, 22, 23, 29, 30, 61, 300}) {
            OrderSheet sheet(lines, longNames);
            ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
            for (const std::string& fault : layoutFaults(*sheet.run.report, sheet.run.pages()))
                ADD_FAILURE() << lines << " lines" << (longNames ? ", long names: " : ": ") << fault;
        }
}

TEST(OrderSheet, TenThousandLinesTakeThreeHundredThirteenPages)
{
    OrderSheet sheet(10000);
    sheet.run.prepare();
    const Layout layout = layoutOf(sheet);
    ASSERT_EQ(layout.pages, 313);
    EXPECT_EQ(layout.rowsPerPage.front(), 29);
    EXPECT_EQ(layout.rowsPerPage[1], 32);
    EXPECT_EQ(layout.rowsPerPage.back(), 19);
    EXPECT_EQ(layout.summaryPage, 313);
}

TEST(OrderSheet, BandsStandOneBelowTheOtherFromTheTopOfThePrintableArea)
{
    OrderSheet sheet(2);
    sheet.run.prepare();
    const std::string dump = sheet.run.dump();
    EXPECT_EQ(dumpLines(dump, "page "), std::vector<std::string>{"page 1 794x1123"});
    EXPECT_EQ(dumpLines(dump, "band "),
              (std::vector<std::string>{"band PageHeader1 0 0 56.69", "band MasterData1 0 56.69 98.28",
                                        "band DetailData1 0 154.97 30.46", "band DetailData1 0 185.43 30.46",
                                        "band ReportSummary1 0 215.89 207.05"}));
    // The second page repeats the page header, with the rows under it.
    OrderSheet two(40);
    two.run.prepare();
    const std::vector<std::string> bands = dumpLines(two.run.dump(), "band ");
    int headers = 0;
    for (const std::string& b : bands) headers += b == "band PageHeader1 0 0 56.69";
    EXPECT_EQ(headers, 2);
    EXPECT_NE(std::find(bands.begin(), bands.end(), "band DetailData1 0 56.69 30.46"), bands.end());
}

TEST(OrderSheet, AmountsAreThePriceTimesTheQuantity)
{
    order_lines::OrderFile file(testData("fixtures/orders.sql"), 0);
    Prepared run(orderSheet(), file.path,
            {{"rpDBDataset1", order_lines::masterSql("ZEZO-2026-12-06-093000")},
             {"rpDBDataset2", order_lines::detailSql("ZEZO-2026-12-06-093000")}});
    ASSERT_TRUE(run.prepare()) << run.errors();
    const std::string dump = run.dump();
    EXPECT_EQ(dumpLines(dump, "memo Memo22 "), (std::vector<std::string>{"memo Memo22 37.5", "memo Memo22 5"}));
    // The summary's handler adds the extra charge to the amount.
    EXPECT_EQ(dumpLines(dump, "memo Memo5 "), std::vector<std::string>{"memo Memo5 47.5"});
    EXPECT_EQ(dumpLines(dump, "memo Memo21 "), (std::vector<std::string>{"memo Memo21 12.5", "memo Memo21 2.50"}));
    EXPECT_EQ(dumpLines(dump, "memo Memo3 "), std::vector<std::string>{"memo Memo3 ZEZO-2026-12-06-093000"});
}

// The waybill is made of objects lying on its page: they print where the
// courier layout puts them, from the top of the printable area.
TEST(Waybill, ObjectsPrintWhereTheLayoutPutsThem)
{
    order_lines::OrderFile file(testData("fixtures/orders.sql"), 0);
    for (const Extended cm : {Extended(0), Extended(2)}) {
        Prepared run(std::string(REPORT_SOURCE_ROOT) + "/resources/reports/waybill.xml", file.path,
                     {{"rpDBDataset3", order_lines::masterSql("ZEZO-2026-12-06-093000")},
                      {"rpDBDataset4", "select * from config"}});
        for (const char* name : {"Memo6", "Memo8"}) {
            TrpComponent* memo = run.report->FindObject(name);
            memo->SetLeft(cm * 37.7953);
            memo->SetTop((cm + 1) * 37.7953);
        }
        run.prepare();
        ASSERT_EQ(run.pageCount(), 1);
        for (const std::string& fault : layoutFaults(*run.report, run.pages())) ADD_FAILURE() << fault;
        const std::shared_ptr<TrpReportPage> page = run.pages().GetPage(0);
        ASSERT_EQ(page->Objects().size(), 1u);
        const TrpComponent* band = page->Objects()[0];
        EXPECT_EQ(band->Top(), 0);
        const TrpComponent* receiver = band->FindObject("Memo6");
        ASSERT_TRUE(receiver);
        // Positions are stored as text of 15 digits.
        EXPECT_NEAR(double(receiver->Left()), double(cm * 37.7953), 1e-9);
        EXPECT_NEAR(double(receiver->Top()), double((cm + 1) * 37.7953), 1e-9);
        EXPECT_EQ(dumpLines(run.dump(), "memo Memo6 "), std::vector<std::string>{"memo Memo6 华南贸易有限公司"});
        EXPECT_EQ(dumpLines(run.dump(), "memo Memo8 "), std::vector<std::string>{"memo Memo8 020-88886666"});
        EXPECT_EQ(dumpLines(run.dump(), "memo Memo2 "), std::vector<std::string>{"memo Memo2 特瓦克物流"});
    }
}
