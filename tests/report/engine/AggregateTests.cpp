// Aggregates beyond what the engine cases show: the items made from
// footer texts and variables, how calls find their item, what a vertical
// column without rows reads, and the errors of bad arguments and values.
#include <gtest/gtest.h>

#include "EngineTestUtil.h"
#include "rpAggregate.h"
#include "rpRes.h"

using namespace engine_test;

namespace {

// A list of shops with a footer holding `text`; the report stays as the
// run left it, so that its aggregate items can be looked at.
struct FooterSheet : Sheet {
    TrpMasterData* shops;
    TrpFooter* footer;
    TrpMemoView* total;
    explicit FooterSheet(const std::u16string& text, const std::string& sql = "select * from shop order by id")
    {
        report->EngineOptions()->DestroyForms = false;
        dataset("shop", sql);
        shops = band<TrpMasterData>("Shops", 10, 14);
        shops->SetDataSet(report->GetDataset("shop"));
        memo(shops, "Name", 0, 0, 200, 14, u"[shop.\"name\"]");
        footer = band<TrpFooter>("ShopsFooter", 40, 14);
        total = memo(footer, "Total", 0, 0, 370, 14, text);
    }
    TrpAggregateList& list() { return *static_cast<TrpAggregateList*>(engine().Aggregates()); }
    TrpEngine& engine() { return *static_cast<TrpEngine*>(report->Engine()); }
    // The footer's text on the last page.
    std::string footerText()
    {
        const std::string dump = this->dump();
        const std::vector<std::string> lines = dumpLines(dump, "memo Total ");
        return lines.empty() ? std::string("(none)") : lines.back().substr(11);
    }
};

}  // namespace

TEST(Aggregates, CallsAreMatchedWithoutTheirBlanksOutsideQuotes)
{
    EXPECT_EQ(TrpAggregateList::MatchKey(" <shop.\"amount\"> * 2 "), "<shop.\"amount\">*2");
    EXPECT_EQ(TrpAggregateList::MatchKey("\tIIF(a = 'x y', 1,\r\n 0)"), "IIF(a='x y',1,0)");
    EXPECT_EQ(TrpAggregateList::MatchKey("'it''s  here' +\"a  b\""), "'it''s  here'+\"a  b\"");
    // An open quote keeps the rest as it stands.
    EXPECT_EQ(TrpAggregateList::MatchKey("x + 'a  b"), "x+'a  b");
}

TEST(Aggregates, ItemsComeFromTheCallsInFooterTextsAndTheirVariables)
{
    FooterSheet sheet(u"[SUM(<shop.\"amount\">, Shops, 2)] '[COUNT()]' [MAX (IIF(<shop.\"amount\"> > 5, 1, 0))] "
                      u"[Doubled] [MIN(2)] ['SUM(1)'] ['AVG(1) ' + Shops.Name]");
    sheet.report->ScriptText()->SetText("begin\r\n  Set('Doubled', '2 * AVG(<shop.\"amount\">)');\r\nend.");
    ASSERT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
    TrpAggregateList& list = sheet.list();
    std::vector<std::string> calls;
    for (int i = 0; i < list.Count(); ++i) calls.push_back(list.Items(i).FuncText);
    // Quoted calls are text, not calls; a variable's text is read too.
    EXPECT_EQ(calls, (std::vector<std::string>{"SUM(<shop.\"amount\">, Shops, 2)", "COUNT()",
                                               "MAX (IIF(<shop.\"amount\"> > 5, 1, 0))", "AVG(<shop.\"amount\">)",
                                               "MIN(2)"}));
    const TrpAggregateItem& sum = list.Items(0);
    EXPECT_EQ(sum.Kind, akSum);
    EXPECT_EQ(sum.Expression, "<shop.\"amount\">");
    EXPECT_EQ(sum.Band, sheet.shops);
    EXPECT_EQ(sum.NamedBand, sheet.shops);
    EXPECT_TRUE(sum.DontReset);
    EXPECT_FALSE(sum.CountInvisibleBands);
    EXPECT_EQ(sum.ParentBand, sheet.footer);
    EXPECT_EQ(sum.MemoName, "Total");
    // Without a band the calls take the footer's data band.
    EXPECT_EQ(list.Items(1).Band, sheet.shops);
    EXPECT_EQ(list.Items(1).NamedBand, nullptr);
    EXPECT_EQ(list.Items(2).Expression, "IIF(<shop.\"amount\"> > 5, 1, 0)");
    EXPECT_EQ(sheet.footerText(), "280 '7' 1 80 2 SUM(1) AVG(1) Shops");
}

TEST(Aggregates, AVerticalColumnThatGotNoRowReadsZero)
{
    FooterSheet sheet(u"[SUM(3)] [AVG(3)] [COUNT()]");
    ASSERT_TRUE(sheet.prepare());
    TrpAggregateList& list = sheet.list();
    TrpBand* footer = sheet.footer;
    for (int column : {1, 2, 2, 4}) list.AddValue(sheet.shops, column);
    auto value = [&](const char* name, const std::string& expression, int column) {
        return VarToStr(list.GetValue(footer, nullptr, column, 0, Variant(0), expression, name));
    };
    EXPECT_EQ(value("SUM", "3", 2), "6");
    EXPECT_EQ(value("COUNT", "", 2), "2");
    EXPECT_EQ(value("AVG", "3", 4), "3");
    // Column 3 lies inside the values kept, column 9 beyond them.
    for (int column : {3, 9}) {
        EXPECT_EQ(value("SUM", "3", column), "0") << column;
        EXPECT_EQ(value("AVG", "3", column), "0") << column;
        EXPECT_EQ(value("COUNT", "", column), "0") << column;
    }
    // Another band, kind or expression: no item, Null.
    EXPECT_TRUE(list.GetValue(sheet.shops, nullptr, 0, 0, Variant(0), "3", "SUM").isNull());
    EXPECT_TRUE(list.GetValue(footer, nullptr, 0, 0, Variant(0), "4", "SUM").isNull());
    EXPECT_TRUE(list.GetValue(footer, nullptr, 0, 0, Variant(0), "3", "MAX").isNull());
    // The band hosting vertical cells answers for the calls it holds.
    EXPECT_EQ(VarToStr(list.GetValue(sheet.shops, footer, 2, 0, Variant(0), " 3 ", "SUM")), "6");
}

TEST(Aggregates, NumbersKeptAsTextAddAndCompareAsNumbers)
{
    FooterSheet sheet(u"[SUM(<shop.\"t\">)] [MIN(<shop.\"t\">)] [MAX(<shop.\"t\">)] [MAX(<shop.\"name\">)] "
                      u"[AVG(<shop.\"t\">)]",
                      "select *, cast(amount / 10 + 7 as text) as t from shop order by id");
    ASSERT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
    // 8 ... 14: as text "9" would be the largest and "10" the smallest.
    EXPECT_EQ(sheet.footerText(), "77 8 14 Zeta 11");
}

TEST(Aggregates, TextThatIsNoNumberStopsTheSumWithTheConversionError)
{
    FooterSheet sheet(u"[SUM(<shop.\"name\">)]");
    EXPECT_FALSE(sheet.prepare());
    EXPECT_NE(sheet.report->Errors.Text().find("Could not convert variant of type (String) into type (Double)"),
              std::string::npos)
        << sheet.report->Errors.Text();
}

TEST(Aggregates, FlagsThatAreNoNumberStopThePreparationBeforeItBuilds)
{
    FooterSheet sheet(u"[SUM(<shop.\"amount\">, Shops, two)]");
    EXPECT_FALSE(sheet.prepare());
    EXPECT_EQ(sheet.report->Errors.Text(), "'two' is not a valid integer value\r\n");
    EXPECT_EQ(sheet.pages().GetCount(), 0);
}
