// The two printouts with texts longer than their boxes: the order sheet's
// rows, title and summary grow with their text and keep their frames
// round it, its numbers get smaller down to the waybill's floor before
// they wrap, and the waybill's boxes keep their places on the form, their
// texts set smaller down to a floor and only then wrapped onto whole lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "CodePages.h"
#include "EngineTestUtil.h"
#include "rpShapes.h"

using namespace engine_test;

namespace {

const char* const kOrder = "ZEZO-LONG";
const std::string kName40 = "不锈钢六角螺栓加长型配套垫片及螺母组合装工业级高强度防锈处理适用于户外钢结构安装";
const std::string kNote60 =
    "客户要求每箱单独包装并贴标签注明批次号和生产日期，送货前请提前一天电话联系仓库收货人确认，谢谢配合，如有问题请致电销售部";
const std::string kCompany20 = "杭州鼎盛商贸有限公司华东区第一销售分公司";
const std::string kAddress45 = "广东省广州市天河区珠江新城珠江东路8号广州国际金融中心大厦第六十八层六八零八室东区（前台）";

struct Line {
    std::string cp, cpgg, dj, sl, bz;
    Line(std::string cp, std::string cpgg = "M6×20", std::string dj = "12.5", std::string sl = "3", std::string bz = "")
        : cp(std::move(cp)), cpgg(std::move(cpgg)), dj(std::move(dj)), sl(std::move(sl)), bz(std::move(bz))
    {
    }
};

struct Master {
    std::string khmc = "华南贸易有限公司", khdz = "广州市天河区体育西路100号", lxr = "王经理", fjmc = "运费",
                fjje = "5", je = "100", bz = "加急";
};

// The fixture's file with one more order, kOrder, of the lines given.
struct LongOrder {
    order_lines::OrderFile file{testData("fixtures/orders.sql"), 0};
    LongOrder(const Master& m, const std::vector<Line>& lines)
    {
        db::Database db(file.path, db::Database::OpenMode::ReadWrite);
        db.execute("INSERT INTO zq_dd(bh, khmc, khdz, lxdh, lxr, kssj, zsl, je, bz, fjmc, fjje) "
                   "VALUES(?, ?, ?, '020-12345678', ?, '2026-12-08', '1', ?, ?, ?, ?)",
                   {kOrder, m.khmc, m.khdz, m.lxr, m.je, m.bz, m.fjmc, m.fjje});
        for (const Line& l : lines)
            db.execute("INSERT INTO zq_ddmx(bh, cp, cpgg, dj, sl, dw, bz) VALUES(?, ?, ?, ?, ?, '个', ?)",
                       {kOrder, l.cp, l.cpgg, l.dj, l.sl, l.bz});
    }
};

struct LongSheet {
    LongOrder order;
    Prepared run;
    LongSheet(const Master& m, const std::vector<Line>& lines)
        : order(m, lines),
          run(orderSheet(), order.file.path,
              {{"rpDBDataset1", order_lines::masterSql(kOrder)}, {"rpDBDataset2", order_lines::detailSql(kOrder)}})
    {
    }
};

// The printed bands of that name, page after page.
std::vector<TrpComponent*> bands(Prepared& run, const std::string& name)
{
    std::vector<TrpComponent*> out;
    for (int i = 0; i < run.pageCount(); ++i)
        for (TrpComponent* band : run.pages().GetPage(i)->Objects())
            if (band->Name() == name) out.push_back(band);
    return out;
}

TrpComponent* child(TrpComponent* band, const char* name)
{
    TrpComponent* c = band->FindObject(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
}

TrpMemoView* memo(TrpComponent* band, const char* name) { return dynamic_cast<TrpMemoView*>(child(band, name)); }

std::string text(TrpMemoView* m)
{
    std::string t = Utf16ToUtf8(m->Text());
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
    return t;
}

// Whole lines: every line of the text lies inside the box.
void expectWholeLines(TrpMemoView* m)
{
    EXPECT_GE(m->Height() + 0.01, m->CalcHeight()) << m->Name();
}

// Fits its box on one line, at the largest size that does.
void expectLargestFit(TrpMemoView* m)
{
    EXPECT_LE(m->CalcWidth(), m->Width()) << m->Name();
    const int size = m->Font()->Size();
    m->Font()->SetSize(size + 1);
    EXPECT_GT(m->CalcWidth(), m->Width()) << m->Name() << " would fit at " << size + 1;
    m->Font()->SetSize(size);
}

}  // namespace

TEST(OrderSheetText, ALongRowGrowsWithItsFrameAndColumnLinesAndAShortRowKeepsItsHeight)
{
    LongSheet sheet({}, {{kName40, "M12×150 加长全螺纹热镀锌", "12.5", "3", kNote60}, {"螺丝"}});
    ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
    const std::vector<TrpComponent*> rows = bands(sheet.run, "DetailData1");
    ASSERT_EQ(rows.size(), 2u);
    TrpComponent* grown = rows[0];
    EXPECT_GT(grown->Height(), 60);
    EXPECT_NEAR(double(rows[1]->Height()), 30.46, 1e-9);
    EXPECT_NEAR(double(rows[1]->Top()), double(grown->Top() + grown->Height()), 1e-9);

    for (const char* name : {"Memo17", "Memo18", "Memo24"}) {
        TrpMemoView* m = memo(grown, name);
        expectWholeLines(m);
        if (name != std::string("Memo18")) {
            EXPECT_NEAR(double(m->Height()), double(m->CalcHeight()), 0.01) << name;
        }
        EXPECT_LE(m->Top() + m->Height() + 4, grown->Height()) << name;
    }
    EXPECT_EQ(text(memo(grown, "Memo17")), kName40);
    EXPECT_EQ(text(memo(grown, "Memo24")), kNote60);
    EXPECT_GE(memo(grown, "Memo17")->Height(), 3 * 15);
    // The frame and every column line reach the row's bottom.
    const Extended frame = child(grown, "Shape5")->Height();
    EXPECT_NEAR(double(frame), double(grown->Height() - 0.22L), 1e-9);
    for (const char* line : {"Line9", "Line10", "Line11", "Line12", "Line13", "Line14", "Line15"})
        EXPECT_NEAR(double(child(grown, line)->Height()), double(frame), 1e-9) << line;
    // The short row is the designed one.
    EXPECT_NEAR(double(child(rows[1], "Shape5")->Height()), 30.24, 1e-9);
    EXPECT_NEAR(double(child(rows[1], "Line9")->Height()), 30.24, 1e-9);
    EXPECT_NEAR(double(memo(rows[1], "Memo17")->Height()), 18.9, 1e-9);

    EXPECT_EQ(text(memo(rows[0], "Memo30")), "1");
    EXPECT_EQ(text(memo(rows[1], "Memo30")), "2");
}

TEST(OrderSheetText, NumbersWiderThanTheirColumnAreSetSmallerOnOneLineAndTheNextRowIsFullSizeAgain)
{
    LongSheet sheet({}, {{"螺栓", "M8", "3169.184", "100000"}, {"螺丝", "M6", "12.5", "3"}});
    ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
    const std::vector<TrpComponent*> rows = bands(sheet.run, "DetailData1");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NEAR(double(rows[0]->Height()), 30.46, 1e-9);
    EXPECT_EQ(text(memo(rows[0], "Memo22")), "316918400");
    for (const char* name : {"Memo20", "Memo21", "Memo22"}) {
        TrpMemoView* big = memo(rows[0], name);
        EXPECT_LT(big->Font()->Size(), 10) << name;
        EXPECT_NEAR(double(big->Height()), 18.9, 1e-9) << name;
        expectLargestFit(big);
        EXPECT_EQ(memo(rows[1], name)->Font()->Height(), -13) << name;
    }
}

TEST(OrderSheetText, NumbersStopAtSevenPointsAndWrapBelowGrowingTheirRow)
{
    // An amount of eleven digits has no room in its column at 7 points, the
    // waybill's floor: it wraps there, and its row and frame grow with it.
    Master m;
    m.je = "13667933740";
    LongSheet sheet(m, {{"螺栓", "M8", "13667.93374", "1000000"}, {"螺丝", "M6", "12.5", "3"}});
    {
        db::Database db(sheet.order.file.path, db::Database::OpenMode::ReadWrite);
        db.execute("UPDATE zq_dd SET zsl='1234567890123' WHERE bh=?", {kOrder});
    }
    ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
    const std::vector<TrpComponent*> rows = bands(sheet.run, "DetailData1");
    ASSERT_EQ(rows.size(), 2u);
    for (const char* name : {"Memo21", "Memo22"}) {
        TrpMemoView* wrapped = memo(rows[0], name);
        EXPECT_EQ(wrapped->Font()->Size(), 7) << name;
        EXPECT_TRUE(wrapped->WordWrap) << name;
        EXPECT_GT(wrapped->Height(), 18.9) << name;
        expectWholeLines(wrapped);
        // The row holds it, with the frame and the column lines.
        EXPECT_GE(double(rows[0]->Height()), double(wrapped->Top() + wrapped->Height())) << name;
    }
    EXPECT_EQ(text(memo(rows[0], "Memo22")), "13667933740");
    EXPECT_GE(double(child(rows[0], "Shape5")->Height()), double(memo(rows[0], "Memo22")->Top() + memo(rows[0], "Memo22")->Height()));
    // The next row starts again from the design: full size on one line.
    for (const char* name : {"Memo20", "Memo21", "Memo22"}) {
        EXPECT_EQ(memo(rows[1], name)->Font()->Height(), -13) << name;
        EXPECT_FALSE(memo(rows[1], name)->WordWrap) << name;
        EXPECT_NEAR(double(memo(rows[1], name)->Height()), 18.9, 1e-9) << name;
    }
    EXPECT_NEAR(double(rows[1]->Height()), 30.46, 1e-9);
    // The total quantity wraps in the summary: its row, the frame and the
    // column lines grow, and the remark's box moves down as far.
    TrpComponent* summary = bands(sheet.run, "ReportSummary1").at(0);
    TrpMemoView* quantity = memo(summary, "Memo28");
    EXPECT_EQ(quantity->Font()->Size(), 7);
    expectWholeLines(quantity);
    const Extended d = quantity->Height() - 18.9L;
    EXPECT_GT(d, 5);
    EXPECT_NEAR(double(child(summary, "Shape2")->Height()), double(65.02L + d), 1e-9);
    EXPECT_NEAR(double(child(summary, "Line18")->Height()), double(34.02L + d), 1e-9);
    EXPECT_NEAR(double(child(summary, "Shape3")->Top()), double(67.28L + d), 1e-9);
    EXPECT_NEAR(double(child(summary, "Memo29")->Top()), double(82.28L + d), 1e-9);
}

namespace {

// A fitted number: on one line at the largest size that fits, never under
// 7 points; one too wide even at 7 points wraps there onto whole lines,
// inside its row. Says which of the three it found: 0 full size, 1
// smaller, 2 wrapped.
int expectFittedNumber(TrpMemoView* m, int designSize, TrpComponent* row, const char* frame)
{
    SCOPED_TRACE(text(m));
    EXPECT_GE(m->Font()->Size(), 7) << m->Name();
    EXPECT_LE(m->Font()->Size(), designSize) << m->Name();
    if (m->WordWrap) {
        EXPECT_EQ(m->Font()->Size(), 7) << m->Name();
        EXPECT_GT(m->CalcWidth(), m->Width()) << m->Name() << " fits on one line";
        expectWholeLines(m);
        EXPECT_GE(double(row->Height()), double(m->Top() + m->Height())) << m->Name();
        EXPECT_GE(double(child(row, frame)->Top() + child(row, frame)->Height()), double(m->Top() + m->Height())) << m->Name();
        return 2;
    }
    EXPECT_NEAR(double(m->Height()), 18.9, 1e-9) << m->Name();
    if (m->Font()->Size() < designSize) {
        expectLargestFit(m);
        return 1;
    }
    EXPECT_LE(m->CalcWidth(), m->Width()) << m->Name();
    return 0;
}

std::string randomNumber(std::mt19937& random)
{
    const int digits = std::uniform_int_distribution(1, 14)(random);
    std::string n = IntToStr(std::uniform_int_distribution(1, 9)(random));
    for (int i = 1; i < digits; ++i) n += char('0' + random() % 10);
    if (random() % 2) {
        n += '.';
        for (int i = std::uniform_int_distribution(1, 4)(random); i > 0; --i) n += char('1' + random() % 9);
    }
    return n;
}

}  // namespace

TEST(OrderSheetText, NumbersOfAnyLengthAreFittedDownToSevenPointsThenWrapped)
{
    std::mt19937 random(20261208);
    int found[3] = {};
    for (int sheetNo = 0; sheetNo < 3; ++sheetNo) {
        std::vector<Line> lines;
        for (int i = 0; i < 16; ++i) lines.emplace_back("螺栓", "M8", randomNumber(random), randomNumber(random));
        Master m;
        m.je = randomNumber(random);
        m.fjje = randomNumber(random);
        LongSheet sheet(m, lines);
        const std::string quantity = randomNumber(random);
        {
            db::Database db(sheet.order.file.path, db::Database::OpenMode::ReadWrite);
            db.execute("UPDATE zq_dd SET zsl=? WHERE bh=?", {quantity, kOrder});
        }
        ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
        const std::vector<TrpComponent*> rows = bands(sheet.run, "DetailData1");
        ASSERT_EQ(rows.size(), lines.size());
        for (size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(text(memo(rows[i], "Memo20")), lines[i].sl);
            EXPECT_EQ(text(memo(rows[i], "Memo21")), lines[i].dj);
            for (const char* name : {"Memo20", "Memo21", "Memo22"}) ++found[expectFittedNumber(memo(rows[i], name), 10, rows[i], "Shape5")];
        }
        TrpComponent* summary = bands(sheet.run, "ReportSummary1").at(0);
        EXPECT_EQ(text(memo(summary, "Memo28")), quantity);
        EXPECT_EQ(text(memo(summary, "Memo25")), m.fjje);
        expectFittedNumber(memo(summary, "Memo28"), 10, summary, "Shape2");
        expectFittedNumber(memo(summary, "Memo25"), 10, summary, "Shape2");
        expectFittedNumber(memo(summary, "Memo5"), 12, summary, "Shape2");
        // The charge's lines stay above the total's row.
        EXPECT_LE(double(memo(summary, "Memo25")->Top() + memo(summary, "Memo25")->Height()),
                  double(child(summary, "Line16")->Top()));
    }
    // The numbers drawn reach all three.
    for (int kind = 0; kind < 3; ++kind) EXPECT_GT(found[kind], 5) << kind;
}

TEST(OrderSheetText, AnExtraChargeOfSeveralLinesGrowsItsRowAndMovesTheTotalsDown)
{
    // What an office writes for an extra charge is not always a number.
    const std::string charge = kNote60 + "，" + kNote60;
    for (const std::string& name : {std::string("运费"), kNote60 + kNote60 + kNote60}) {
        Master m;
        m.fjje = charge;
        m.fjmc = name;
        LongSheet sheet(m, {{"螺丝"}});
        ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
        TrpComponent* summary = bands(sheet.run, "ReportSummary1").at(0);
        TrpMemoView* amount = memo(summary, "Memo25");
        TrpMemoView* named = memo(summary, "Memo7");
        EXPECT_EQ(text(amount), charge);
        EXPECT_EQ(amount->Font()->Size(), 7);
        expectWholeLines(amount);
        EXPECT_GT(amount->Height(), 3 * 9);
        // The total's row starts under the taller of the charge and its
        // name, with the margin the design leaves under them.
        const Extended line = child(summary, "Line16")->Top();
        EXPECT_GE(double(line), double(amount->Top() + amount->Height() + 5)) << name;
        EXPECT_GE(double(line), double(named->Top() + named->Height() + 5)) << name;
        EXPECT_LE(double(line), double(std::max(amount->Top() + amount->Height(), named->Top() + named->Height()) + 6.2L)) << name;
        for (const auto& [object, top] : {std::pair{"Line17", 34.28L}, std::pair{"Line18", 33.0L}, std::pair{"Line19", 33.0L},
                                          std::pair{"Line20", 33.0L}, std::pair{"Memo26", 41.28L}, std::pair{"Memo28", 42.34L},
                                          std::pair{"Memo5", 42.34L}, std::pair{"Shape3", 67.28L}, std::pair{"Memo29", 82.28L}})
            EXPECT_NEAR(double(child(summary, object)->Top() - child(summary, "Line16")->Top()), double(top - 33.28L), 1e-9)
                << object << " " << name;
        EXPECT_NEAR(double(child(summary, "Shape2")->Top() + child(summary, "Shape2")->Height()),
                    double(child(summary, "Shape3")->Top()), 1);
        EXPECT_NEAR(double(memo(summary, "Memo23")->Top() - child(summary, "Shape3")->Top()), 182.28 - 67.28, 1e-9);
        EXPECT_GE(double(summary->Height()), double(memo(summary, "Memo23")->Top() + memo(summary, "Memo23")->Height()));
    }
}

TEST(OrderSheetText, TheTitleSpansTheBandAndALongOneWrapsOntoWholeLinesAndGrowsTheHeader)
{
    struct Case {
        std::string title;
        bool wraps;
    };
    for (const Case& c : {Case{"杭州鼎盛商贸有限公司华东分部发货单", false}, Case{kCompany20 + "发货单", true}}) {
        LongSheet sheet({}, {{"螺丝"}});
        auto* title = dynamic_cast<TrpMemoView*>(sheet.run.report->FindObject("Memo1"));
        title->AllowExpressions = false;
        title->SetText(Utf8ToUtf16(c.title));
        ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
        TrpComponent* header = bands(sheet.run, "PageHeader1").at(0);
        TrpMemoView* printed = memo(header, "Memo1");
        EXPECT_EQ(text(printed), c.title);
        expectWholeLines(printed);
        if (c.wraps) {
            EXPECT_GT(printed->Height(), 70) << c.title;
            EXPECT_NEAR(double(header->Height()), double(printed->Top() + printed->Height() + 3.78L), 1e-9);
        } else {
            EXPECT_NEAR(double(printed->Height()), 49.13, 1e-9) << c.title;
            EXPECT_NEAR(double(header->Height()), 56.69, 1e-9);
        }
        // The master band starts under the grown header.
        EXPECT_NEAR(double(bands(sheet.run, "MasterData1").at(0)->Top()), double(header->Height()), 1e-9);
    }
}

TEST(OrderSheetText, TheSummaryGrowsWithTheExtraChargeNameTheRemarkAndTheContactLine)
{
    Master m;
    m.fjmc = "运输及装卸服务费（含保险、包装材料及夜间加急派送附加费用，另含节假日上门安装调试及旧件回收处理费用）";
    m.bz = kNote60 + kNote60 + kNote60;
    LongSheet sheet(m, {{"螺丝"}});
    auto* contact = dynamic_cast<TrpMemoView*>(sheet.run.report->FindObject("Memo23"));
    contact->AllowExpressions = false;
    contact->SetText(Utf8ToUtf16("联系电话：0571-88886666       地址：" + kAddress45 + kAddress45));
    ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
    TrpComponent* summary = bands(sheet.run, "ReportSummary1").at(0);
    TrpMemoView* name = memo(summary, "Memo7");
    TrpMemoView* remark = memo(summary, "Memo29");
    TrpMemoView* line = memo(summary, "Memo23");
    for (TrpMemoView* grown : {name, remark, line}) {
        expectWholeLines(grown);
        EXPECT_GT(grown->Height(), 30) << grown->Name();
    }
    const Extended d1 = name->Height() - 18.9L, d2 = remark->Height() - 18.9L, d3 = line->Height() - 21;
    // The first box holds the grown name; the total row moves down under it
    // with all its column lines.
    EXPECT_NEAR(double(child(summary, "Shape2")->Height()), double(65.02L + d1), 1e-9);
    for (const auto& [object, top] : {std::pair{"Line16", 33.28L}, std::pair{"Line17", 34.28L}, std::pair{"Line18", 33.0L},
                                      std::pair{"Line19", 33.0L}, std::pair{"Line20", 33.0L}, std::pair{"Memo26", 41.28L},
                                      std::pair{"Memo28", 42.34L}, std::pair{"Memo5", 42.34L}, std::pair{"Shape3", 67.28L},
                                      std::pair{"Memo29", 82.28L}})
        EXPECT_NEAR(double(child(summary, object)->Top()), double(top + d1), 1e-9) << object;
    EXPECT_NEAR(double(child(summary, "Memo25")->Top()), 9.28, 1e-9);
    // The remark's box holds the remark; the contact line follows both.
    EXPECT_NEAR(double(child(summary, "Shape3")->Height()), double(43 + d2), 1e-9);
    EXPECT_NEAR(double(line->Top()), double(182.28L + d1 + d2), 1e-9);
    EXPECT_NEAR(double(summary->Height()), double(207.05L + d1 + d2 + d3), 1e-9);
}

TEST(OrderSheetText, GrownRowsBreakToTheNextPageWholeAndKeepTheirNumbers)
{
    for (const int count : {1, 25, 300}) {
        OrderSheet sheet(count, true);
        ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
        // The printable height of A4 less its margins.
        const Extended bottom = (297 - 20) * 3.77953L;
        int number = 0, grown = 0;
        for (int i = 0; i < sheet.run.pageCount(); ++i)
            for (TrpComponent* band : sheet.run.pages().GetPage(i)->Objects()) {
                EXPECT_LE(band->Top() + band->Height(), bottom + 1e-6) << band->Name() << " on page " << i + 1;
                if (band->Name() != "DetailData1") continue;
                EXPECT_EQ(text(memo(band, "Memo30")), IntToStr(++number));
                grown += band->Height() > 30.46L;
            }
        EXPECT_EQ(number, count);
        EXPECT_GT(grown, count / 2) << count;
    }
}

TEST(OrderSheetText, AnExtraChargeThatIsNoNumberPrintsAsItStandsAndTheTotalLeavesItOut)
{
    struct Case {
        std::string charge, amount, total;
    };
    for (const Case& c : {Case{"到付", "100", "100"}, Case{"5元", "100", "100"}, Case{"5", "100", "105"},
                          Case{"5", "待定", "待定"}}) {
        Master m;
        m.fjje = c.charge;
        m.je = c.amount;
        LongSheet sheet(m, {{"螺丝"}});
        ASSERT_TRUE(sheet.run.prepare()) << sheet.run.errors();
        const std::string dump = sheet.run.dump();
        EXPECT_EQ(dumpLines(dump, "memo Memo25 "), std::vector<std::string>{"memo Memo25 " + c.charge});
        EXPECT_EQ(dumpLines(dump, "memo Memo5 "), std::vector<std::string>{"memo Memo5 " + c.total}) << c.charge;
    }
}

// ---- The waybill

namespace {

struct Waybill {
    LongOrder order;
    Prepared run;
    explicit Waybill(const Master& m)
        : order(m, {}),
          run(std::string(REPORT_SOURCE_ROOT) + "/resources/reports/waybill.xml", order.file.path,
              {{"rpDBDataset3", order_lines::masterSql(kOrder)}, {"rpDBDataset4", "select * from config"}})
    {
        // One box under the other, 1 cm apart, as a courier's form has them.
        for (int i = 1; i <= 8; ++i)
            run.report->FindObject("Memo" + IntToStr(i))->SetTop(i * 37.7953L);
    }
    TrpMemoView* printed(const char* name)
    {
        for (TrpComponent* c : run.pages().GetPage(0)->GetAllObjects())
            if (c->Name() == name) return dynamic_cast<TrpMemoView*>(c);
        ADD_FAILURE() << name << " not printed";
        return nullptr;
    }
};

}  // namespace

TEST(WaybillText, ATextThatFitsKeepsThePageFontAndALongerOneIsSetSmallerOnOneLine)
{
    Master m;
    m.khmc = kCompany20;
    m.khdz = "广州市天河区体育西路一百号天河城广场五楼五零八室";  // 24 characters
    Waybill w(m);
    ASSERT_TRUE(w.run.prepare()) << w.run.errors();
    for (const char* name : {"Memo5", "Memo6"}) {
        TrpMemoView* fits = w.printed(name);
        EXPECT_EQ(fits->Font()->Height(), -16) << name;
        EXPECT_NEAR(double(fits->Height()), 18.9, 1e-9) << name;
    }
    EXPECT_EQ(text(w.printed("Memo6")), kCompany20);
    TrpMemoView* address = w.printed("Memo7");
    EXPECT_EQ(text(address), m.khdz);
    EXPECT_LT(address->Font()->Size(), 12);
    EXPECT_GT(address->Font()->Size(), 7);
    EXPECT_NEAR(double(address->Height()), 18.9, 1e-9);
    EXPECT_NEAR(double(address->Top()), 7 * 37.7953, 1e-9);
    expectLargestFit(address);
}

TEST(WaybillText, BelowTheFloorATextWrapsOntoWholeLinesOfTheFloorSizeInItsPlace)
{
    Master m;
    m.khdz = kAddress45;
    Waybill w(m);
    ASSERT_TRUE(w.run.prepare()) << w.run.errors();
    TrpMemoView* address = w.printed("Memo7");
    EXPECT_EQ(text(address), kAddress45);
    EXPECT_EQ(address->Font()->Size(), 7);
    EXPECT_GT(address->CalcWidth(), address->Width());
    EXPECT_NEAR(double(address->Height()), double(address->CalcHeight()), 0.01);
    // Two lines, and still clear of the next box a centimetre down.
    EXPECT_GT(address->Height(), 18.9);
    EXPECT_LT(address->Top() + address->Height(), w.printed("Memo8")->Top());
    EXPECT_NEAR(double(address->Left()), 0, 1e-9);
    EXPECT_NEAR(double(address->Top()), 7 * 37.7953, 1e-9);
}

TEST(WaybillText, TheNextPrintStartsAgainFromThePageFont)
{
    Master m;
    m.khdz = kAddress45;
    Waybill w(m);
    ASSERT_TRUE(w.run.prepare());
    ASSERT_EQ(w.printed("Memo7")->Font()->Size(), 7);
    // The same report, now for the fixture's order with a short address.
    w.run.queries[0]->close();
    w.run.queries[0]->setSql(order_lines::masterSql("ZEZO-2026-12-06-093000"));
    ASSERT_TRUE(w.run.prepare());
    TrpMemoView* address = w.printed("Memo7");
    EXPECT_EQ(text(address), "广州市天河区体育西路100号");
    EXPECT_EQ(address->Font()->Height(), -16);
    EXPECT_NEAR(double(address->Height()), 18.9, 1e-9);
}
