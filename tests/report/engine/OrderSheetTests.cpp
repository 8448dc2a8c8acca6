// The order sheet prepared from the database: how many pages an order of n
// lines takes, where the header, master, detail and summary bands stand,
// and what the amount column prints.
#include <gtest/gtest.h>

#include <algorithm>

#include "EngineTestUtil.h"

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
    run.prepare();
    const std::string dump = run.dump();
    EXPECT_EQ(dumpLines(dump, "memo Memo22 "), (std::vector<std::string>{"memo Memo22 37.5", "memo Memo22 5"}));
    EXPECT_EQ(dumpLines(dump, "memo Memo21 "), (std::vector<std::string>{"memo Memo21 12.5", "memo Memo21 2.50"}));
    EXPECT_EQ(dumpLines(dump, "memo Memo3 "), std::vector<std::string>{"memo Memo3 ZEZO-2026-12-06-093000"});
}
