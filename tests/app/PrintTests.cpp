// The two print commands end to end: the order picked in the main window's
// grid, its report prepared twice with the texts and positions set between,
// printed through the print dialog to a PDF file that poppler reads back.
#include <QPushButton>
#include <QTreeWidget>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "AppFixture.h"
#include "FormDriving.h"
#include "PrinterTestSupport.h"
#include "StringGrid.h"
#include "SysUtils.h"
#include "Udy.h"
#include "main.h"
#include "rpCustomPreviewPages.h"
#include "rpEngine.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpReport.h"

namespace {

const char* const kFirst = "ZEZO-2026-12-06-093000";   // two lines, extra charge 5, amount 42.50
const char* const kNoLines = "ZEZO-2026-12-07-101500";  // no lines, no extra charge, amount 80
const char* const kTitle = "特瓦克物流发货单";
const char* const kContact = "联系电话：0755-12345678       地址：深圳市南山区科技园8栋";

std::string readFile(const char* name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The texts one memo prints, page after page, from a prepared-pages dump.
std::vector<std::string> printed(const std::string& dump, const std::string& memo)
{
    std::vector<std::string> texts;
    const std::string key = "    memo " + memo + " ";
    std::istringstream lines(dump);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(key, 0) == 0) texts.push_back(line.substr(key.size()));
    return texts;
}

// The PDF's text in drawing order with the line breaks taken out, so that
// a text wrapped in its box reads as one.
std::string PdfTextUnwrapped(const std::string& pdf)
{
    std::string text;
    if (FILE* p = popen(("pdftotext -raw '" + pdf + "' - 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, p)) > 0;) text.append(buffer, n);
        pclose(p);
    }
    std::string out;
    for (char c : text)
        if (c != '\n' && c != '\f') out += c;
    return out;
}

// Whether `text` holds all of `expected`: each of its runs of Chinese and of
// Latin characters, since the two are drawn in runs of their own fonts.
bool holdsAll(const std::string& text, const std::string& expected)
{
    size_t from = 0;
    while (from < expected.size()) {
        const bool latin = static_cast<unsigned char>(expected[from]) < 0x80;
        size_t end = from;
        while (end < expected.size() && (static_cast<unsigned char>(expected[end]) < 0x80) == latin) ++end;
        if (text.find(expected.substr(from, end - from)) == std::string::npos) return false;
        from = end;
    }
    return true;
}

int count(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++n;
    return n;
}

class Printing : public AppFixture {
protected:
    // The report fixture's two orders and company row in the program's file.
    void seedFixture(bool company = true)
    {
        std::string sql = readFile(ORDERS_FIXTURE);
        sql = sql.substr(sql.find("INSERT INTO"));
        if (!company) sql = sql.substr(0, sql.find("INSERT INTO config"));
        TDM dm;
        dm.Connect();
        dm.ADOCn.executeScript(sql);
    }

    // An order with `lines` lines priced "1.50" × 2, amount `je`, extra
    // charge `fjje`.
    void seedOrder(const std::string& bh, int lines, const std::string& je = "100", const std::string& fjje = "")
    {
        seed({{"INSERT INTO zq_dd(bh, khmc, khdz, lxdh, lxr, kssj, zsl, je, fjmc, fjje) "
               "VALUES(?, '华东机电', '上海市浦东新区张江路1号', '021-55556666', '孙七', '2026-12-08', ?, ?, '运费', ?)",
               {bh, IntToStr(static_cast<int64_t>(lines) * 2), je, fjje}},
              {"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
               "INSERT INTO zq_ddmx(bh, leibie, cp, cpgg, dj, sl, dw, khmc) "
               "SELECT ?, '五金', '螺母' || i, 'M8', '1.50', '2', '个', '华东机电' FROM n WHERE ? > 0",
               {static_cast<int64_t>(lines), bh, static_cast<int64_t>(lines)}}});
    }

    // Lists the orders and makes the order's row the grid's current one.
    void select(const QString& bh)
    {
        expandAgain(fmain->trlb->topLevelItem(0));
        TStringGrid* grid = fmain->StringGrid1;
        for (int r = 1; r < grid->RowCount(); ++r)
            if (grid->Cell(2, r) == bh) return grid->SetRow(r);
        ADD_FAILURE() << "no row for " << bh.toStdString();
    }

    // The preview's print button is pressed once the report is prepared
    // inside it, the print dialog answered "to a file" and the file dialog
    // with `name` in the test's folder; returns the path.
    std::string expectPrintTo(const char* name)
    {
        ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Accepted, {}, {QStringLiteral("PrintB")});
        ui.expectModal(QStringLiteral("TrpPrintDialog"), QDialog::Accepted, {{QStringLiteral("FileCB"), QStringLiteral("1")}});
        ui.expectFile(path(name));
        return path(name).toStdString();
    }

    std::string printOrderSheet(const char* bh, const char* file = "order.prn")
    {
        select(QString::fromUtf8(bh));
        const std::string pdf = expectPrintTo(file);
        fmain->N25->trigger();
        return pdf;
    }

    // A waybill layout; the sixteen coordinates in the form's order.
    QString addLayout(const std::vector<std::string>& coordinates)
    {
        std::string sql = "INSERT INTO zq_kd(kdmc";
        for (const char* c : TFdy::kCoordinates) sql += std::string(",") + c;
        sql += ") VALUES('顺丰',?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";
        db::Params values;
        for (const std::string& c : coordinates) values.emplace_back(c);
        DM->Write(sql, values);
        return app::Q(IntToStr(DM->ADOCn.lastInsertRowId()));
    }

    // Opens the waybill form for the order and presses "预览打印".
    std::string printWaybill(const char* bh, const char* file = "waybill.prn")
    {
        select(QString::fromUtf8(bh));
        fmain->N10->trigger();
        const std::string pdf = expectPrintTo(file);
        Fdy->Button1->click();
        return pdf;
    }

    static std::string dump(TrpReport* report) { return DumpPreparedPages(*report->PreviewPages()); }

    // Where a waybill text lies on the prepared page: left and top from the
    // printable corner, in report units.
    static std::pair<Extended, Extended> placed(const char* memo)
    {
        const std::shared_ptr<TrpReportPage> page = fmain->rpReport2->PreviewPages()->GetPage(0);
        for (TrpComponent* c : page->GetAllObjects())
            if (c->Name() == memo) return {c->AbsLeft(), c->AbsTop()};
        ADD_FAILURE() << memo << " not printed";
        return {-1, -1};
    }

    // The top and bottom of an object on the first prepared page.
    static std::pair<Extended, Extended> spanOf(TrpReport* report, const char* name)
    {
        const std::shared_ptr<TrpReportPage> page = report->PreviewPages()->GetPage(0);
        for (TrpComponent* c : page->GetAllObjects())
            if (c->Name() == name) return {c->AbsTop(), c->AbsTop() + c->Height()};
        ADD_FAILURE() << name << " not printed";
        return {-1, -1};
    }
};

std::vector<std::string> zeros() { return std::vector<std::string>(16, "0"); }

}  // namespace

// ---- The order sheet

TEST_F(Printing, ThreeLinesPrintTheTitleContactAmountsAndTheTotalWithTheExtraCharge)
{
    seedFixture();
    seedOrder("ZEZO-THREE", 0, "100", "5");
    seed({{"INSERT INTO zq_ddmx(bh, cp, cpgg, dj, sl, dw, bz) VALUES"
           "('ZEZO-THREE', '螺丝', 'M6×20', '12.5', '3', '盒', ''), ('ZEZO-THREE', '垫片', '6mm', '2.50', '2', '袋', '白色'),"
           "('ZEZO-THREE', '铆钉', 'R3', '0.1', '3', '个', NULL)",
           {}}});
    start();
    const std::string pdf = printOrderSheet("ZEZO-THREE");

    const std::string d = dump(fmain->rpReport1);
    EXPECT_EQ(printed(d, "Memo1"), std::vector<std::string>{kTitle});
    EXPECT_EQ(printed(d, "Memo23"), std::vector<std::string>{kContact});
    EXPECT_EQ(printed(d, "Memo17"), (std::vector<std::string>{"螺丝", "垫片", "铆钉"}));
    // dj × sl of texts, as numbers: 0.1 × 3 is no 0.30000000000000004.
    EXPECT_EQ(printed(d, "Memo22"), (std::vector<std::string>{"37.5", "5", "0.3"}));
    EXPECT_EQ(printed(d, "Memo5"), std::vector<std::string>{"105"});

    EXPECT_EQ(PdfPageCount(pdf), 1);
    EXPECT_EQ(PdfPageSizesMm(pdf), std::vector<std::string>{"210x297"});
    const std::string text = PdfText(pdf);
    for (const char* expected : {kTitle, "联系电话：0755-12345678", "深圳市南山区科技园8栋", "ZEZO-THREE", "华东机电", "螺丝",
                                 "M6×20", "白色", "37.5", "105", "开单日期：2026-12-08"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in:\n" << text;
}

TEST_F(Printing, BracketsInTheCompanyRowPrintAsTheyStand)
{
    // Company data is text, never an expression of the report: brackets
    // in a name or an address must neither fail nor be computed.
    seedFixture();
    seed({{"UPDATE config SET khmc='特瓦克[深圳]物流', dz='南山区[1+1]栋<b>', lxdh='[Page#]'", {}}});
    start();
    const std::string pdf = printOrderSheet(kFirst);
    const std::string d = dump(fmain->rpReport1);
    EXPECT_EQ(printed(d, "Memo1"), std::vector<std::string>{"特瓦克[深圳]物流发货单"});
    EXPECT_EQ(printed(d, "Memo23"), std::vector<std::string>{"联系电话：[Page#]       地址：南山区[1+1]栋<b>"});
    const std::string text = PdfText(pdf);
    for (const char* expected : {"特瓦克[深圳]物流", "南山区[1+1]栋", "华南贸易有限公司"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in:\n" << text;
}

TEST_F(Printing, AnOrderWithoutLinesPrintsHeaderMasterAndSummaryWithTheAmountAsTotal)
{
    seedFixture();
    start();
    const std::string pdf = printOrderSheet(kNoLines);
    const std::string d = dump(fmain->rpReport1);
    EXPECT_EQ(count(d, "band DetailData1"), 0);
    EXPECT_EQ(count(d, "band MasterData1"), 1);
    EXPECT_EQ(printed(d, "Memo8"), std::vector<std::string>{"北方五金"});
    // No extra charge: the total is the amount as stored.
    EXPECT_EQ(printed(d, "Memo5"), std::vector<std::string>{"80"});
    EXPECT_EQ(PdfPageCount(pdf), 1);
    const std::string text = PdfText(pdf);
    EXPECT_NE(text.find(kTitle), std::string::npos) << text;
    EXPECT_NE(text.find("北方五金"), std::string::npos) << text;
}

TEST_F(Printing, ThirtyLinesTakeTwoPagesWithTheTitleOnBothAndTheTotalOnTheLast)
{
    seedFixture();
    seedOrder("ZEZO-THIRTY", 30, "90", "12");
    start();
    const std::string pdf = printOrderSheet("ZEZO-THIRTY");
    const std::string d = dump(fmain->rpReport1);
    EXPECT_EQ(printed(d, "Memo1"), (std::vector<std::string>{kTitle, kTitle}));
    EXPECT_EQ(count(d, "band DetailData1"), 30);
    EXPECT_EQ(printed(d, "Memo22"), std::vector<std::string>(30, "3"));
    EXPECT_EQ(printed(d, "Memo5"), std::vector<std::string>{"102"});

    ASSERT_EQ(PdfPageCount(pdf), 2);
    EXPECT_NE(PdfText(pdf, 2).find(kTitle), std::string::npos);
    EXPECT_NE(PdfText(pdf, 2).find("102"), std::string::npos);
    EXPECT_EQ(PdfText(pdf, 1).find(kContact), std::string::npos);
    EXPECT_NE(PdfText(pdf, 2).find("联系电话：0755-12345678"), std::string::npos);
}

TEST_F(Printing, TwoPrintsInARowGiveEqualPages)
{
    seedFixture();
    start();
    const std::string first = printOrderSheet(kFirst, "first.prn");
    const std::string once = dump(fmain->rpReport1);
    const std::string second = printOrderSheet(kFirst, "second.prn");
    EXPECT_EQ(dump(fmain->rpReport1), once);
    EXPECT_EQ(printed(once, "Memo5"), std::vector<std::string>{"47.5"});
    EXPECT_EQ(PdfText(first), PdfText(second));
    // The template keeps the texts the command set.
    EXPECT_EQ(dynamic_cast<TrpMemoView*>(fmain->rpReport1->FindObject("Memo1"))->Text(), u"特瓦克物流发货单\r\n");
}

TEST_F(Printing, WithoutACompanyRowABoxAsksForTheSettingsAndNothingPrints)
{
    seedFixture(false);
    start();
    select(QString::fromUtf8(kFirst));
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("请先在“文件 → 设置”中填写企业信息，再打印出库单。"), app::kAppTitle);
    fmain->N25->trigger();
    EXPECT_EQ(fmain->rpReport1->PreviewPages()->GetCount(), 0);
}

TEST_F(Printing, ARowWithoutAnOrderNumberPrintsNothing)
{
    seedFixture();
    seed({{"INSERT INTO zq_dd(bh, khmc) VALUES('', '无编号')", {}}});
    start();
    select(QString());
    ASSERT_EQ(fmain->StringGrid1->Cell(3, fmain->StringGrid1->Row()), QStringLiteral("无编号"));
    fmain->N25->trigger();
    fmain->N10->trigger();
    EXPECT_FALSE(Fdy->isVisible());
    EXPECT_EQ(fmain->rpReport1->PreviewPages()->GetCount(), 0);
}

TEST_F(Printing, AFailedPreparationShowsOneBoxAndStops)
{
    seedFixture();
    start();
    fmain->rpReport1->ScriptText()->SetText("begin\r\n  x := ;\r\nend.");
    select(QString::fromUtf8(kFirst));
    ui.expectMessage(gui::MsgResult::Ok);
    fmain->N25->trigger();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("发生下列的错误"))) << ui.messages()[0].toStdString();
}

TEST_F(Printing, AReportScriptsMessageIsABox)
{
    seedFixture();
    start();
    fmain->rpReport1->ScriptText()->SetText("begin\r\n  ShowMessage('准备好了');\r\nend.");
    select(QString::fromUtf8(kFirst));
    // Both preparations run the main block, the second inside the preview.
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("准备好了"), app::kAppTitle);
    ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Accepted, {}, {QStringLiteral("PrintB")});
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("准备好了"), app::kAppTitle);
    ui.expectModal(QStringLiteral("TrpPrintDialog"), QDialog::Rejected);
    fmain->N25->trigger();
}

TEST_F(Printing, APreparedReportOpenedInThePreviewLeavesTheOrderSheetsScriptAlone)
{
    seedFixture();
    start();
    const std::string script = fmain->rpReport1->ScriptText()->Text();
    // Saved from the preview, then given a script and a handler, as a file
    // received by mail might carry them.
    select(QString::fromUtf8(kFirst));
    ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Rejected, {}, {QStringLiteral("SaveB")});
    ui.expectFile(path("mailed.rpp"));
    fmain->N25->trigger();
    const std::string name = path("mailed.rpp").toStdString();
    std::string rpp = readFile(name.c_str());
    const size_t element = rpp.find("<TrpReport ");
    ASSERT_NE(element, std::string::npos);
    rpp.insert(element + 11, "ScriptText.Text=\"begin&#13;&#10;  ShowMessage(&#39;planted&#39;);&#13;&#10;end.\" "
                             "OnStartReport=\"Planted\" ");
    std::ofstream(name, std::ios::binary) << rpp;

    ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Rejected, {}, {QStringLiteral("OpenB")});
    ui.expectFile(path("mailed.rpp"));
    fmain->N25->trigger();
    EXPECT_EQ(fmain->rpReport1->ScriptText()->Text(), script);
    EXPECT_EQ(fmain->rpReport1->OnStartReport, "");
    // The next print runs the template's own script: no box, the total as
    // its summary handler computes it.
    printOrderSheet(kFirst);
    EXPECT_EQ(printed(dump(fmain->rpReport1), "Memo5"), std::vector<std::string>{"47.5"});
}

// ---- Long texts

TEST_F(Printing, LongNamesNotesAndAddressesPrintWholeOnTheOrderSheetAndTheWaybill)
{
    const std::string company = "杭州鼎盛商贸有限公司华东区第一销售分公司";  // 20 characters
    const std::string product = "不锈钢六角螺栓加长型配套垫片及螺母组合装工业级高强度防锈处理适用于户外钢结构安装";
    const std::string note = "客户要求每箱单独包装并贴标签注明批次号和生产日期，送货前请提前一天电话联系仓库收货人确认，谢谢配合，如有问题请致电销售部";
    const std::string address = "广东省广州市天河区珠江新城珠江东路8号广州国际金融中心大厦第六十八层六八零八室东区（前台）";
    seedFixture();
    seed({{"UPDATE config SET khmc=?", {company}},
          {"INSERT INTO zq_dd(bh, khmc, khdz, lxdh, lxr, kssj, zsl, je, fjmc, fjje) "
           "VALUES('ZEZO-LONG', ?, ?, '020-12345678', '陈先生', '2026-12-08', '3', '9507.55', '运费', '5')",
           {company, address}},
          {"INSERT INTO zq_ddmx(bh, cp, cpgg, dj, sl, dw, bz) VALUES('ZEZO-LONG', ?, 'M12×150', '3169.184', '3', '箱', ?)",
           {product, note}}});
    start();
    const std::string sheet = printOrderSheet("ZEZO-LONG");
    const std::string d = dump(fmain->rpReport1);
    EXPECT_EQ(printed(d, "Memo1"), std::vector<std::string>{company + "发货单"});
    // The row grew with the product's name and the note.
    const size_t row = d.find("band DetailData1 ");
    ASSERT_NE(row, std::string::npos);
    const std::string band = d.substr(row, d.find('\n', row) - row);
    EXPECT_GT(StrToFloat(band.substr(band.rfind(' ') + 1)), 60) << band;
    const std::string text = PdfTextUnwrapped(sheet);
    for (const std::string& expected : {company + "发货单", company, product, note, std::string("9507.552")})
        EXPECT_TRUE(holdsAll(text, expected)) << expected << " in:\n" << text;

    addLayout({"0.5", "1", "0.5", "2", "0.5", "3", "0.5", "4", "10", "1", "10", "2", "10", "3", "10", "4"});
    const std::string waybill = printWaybill("ZEZO-LONG");
    const std::shared_ptr<TrpReportPage> page = fmain->rpReport2->PreviewPages()->GetPage(0);
    for (TrpComponent* c : page->GetAllObjects())
        if (c->Name() == "Memo7") {
            // At the floor size, on two whole lines, where the layout puts it.
            auto* m = static_cast<TrpMemoView*>(c);
            EXPECT_EQ(m->Font()->Size(), 7);
            EXPECT_NEAR(double(m->Height()), double(m->CalcHeight()), 0.01);
            EXPECT_NEAR(double(m->AbsTop()), 3 * 37.7953, 1e-9);
        }
    const std::string label = PdfTextUnwrapped(waybill);
    for (const std::string& expected : {address, company, std::string("陈先生")})
        EXPECT_TRUE(holdsAll(label, expected)) << expected << " in:\n" << label;
}

// A customer's name of three lines at the floor size overprinted the
// column captions under its box: the box grows, the captions move down.
TEST_F(Printing, ACustomersNameOfSeveralLinesGrowsItsBoxAndMovesTheColumnCaptionsDown)
{
    std::string name;
    for (int i = 0; i < 15; ++i) name += "华南区域第一物流配送中心";  // 180 characters
    seedFixture();
    seedOrder("ZEZO-NAME", 2);
    seed({{"UPDATE zq_dd SET khmc=? WHERE bh='ZEZO-NAME'", {name}}});
    start();
    const std::string pdf = printOrderSheet("ZEZO-NAME");
    const auto [memoTop, memoBottom] = spanOf(fmain->rpReport1, "Memo8");
    const auto [boxTop, boxBottom] = spanOf(fmain->rpReport1, "Shape1");
    EXPECT_GT(memoBottom - memoTop, 3 * 9.0) << "three lines at the floor size";
    EXPECT_LE(memoBottom, boxBottom);
    EXPECT_NEAR(double(spanOf(fmain->rpReport1, "Line1").second), double(boxBottom), 0.01);
    const Extended captionsTop = spanOf(fmain->rpReport1, "Shape4").first;
    EXPECT_NEAR(double(captionsTop), double(boxBottom), 0.01);
    for (const char* below : {"Line2", "Line8", "Memo9", "Memo16"})
        EXPECT_GE(spanOf(fmain->rpReport1, below).first, captionsTop) << below;
    // The first line's row starts under the grown captions.
    EXPECT_GE(spanOf(fmain->rpReport1, "Shape5").first, spanOf(fmain->rpReport1, "Shape4").second - 0.01);
    EXPECT_TRUE(holdsAll(PdfTextUnwrapped(pdf), name));

    // A name of one line leaves the design as it is.
    printOrderSheet(kFirst);
    EXPECT_NEAR(double(spanOf(fmain->rpReport1, "Shape4").first - spanOf(fmain->rpReport1, "Shape1").first), 34.02, 0.01);
}

TEST_F(Printing, AStoredExtraChargeThatIsNoNumberPrintsAsItStandsAndTheTotalWithoutIt)
{
    // Stored before the order form refused such text.
    seedFixture();
    seedOrder("ZEZO-DAOFU", 1, "100", "到付");
    start();
    const std::string pdf = printOrderSheet("ZEZO-DAOFU");
    EXPECT_TRUE(ui.messages().isEmpty());
    const std::string d = dump(fmain->rpReport1);
    EXPECT_EQ(printed(d, "Memo25"), std::vector<std::string>{"到付"});
    EXPECT_EQ(printed(d, "Memo5"), std::vector<std::string>{"100"});
    EXPECT_EQ(printed(d, "Memo30"), std::vector<std::string>{"1"});
    const std::string text = PdfText(pdf);
    for (const char* expected : {"到付", "100", "螺母1"}) EXPECT_NE(text.find(expected), std::string::npos) << expected;
}

// ---- The waybill

TEST_F(Printing, TheWaybillPrintsTheEightTextsOnItsOwnPaper)
{
    seedFixture();
    start();
    // One text a centimetre below the other; the sender's contact 2 cm in.
    addLayout({"2", "3", "0", "1", "0", "2", "0", "4", "0", "5", "0", "6", "0", "7", "0", "8"});
    const std::string pdf = printWaybill(kFirst);
    const std::string d = dump(fmain->rpReport2);
    const char* const expected[][2] = {{"Memo1", "李四"},     {"Memo2", "特瓦克物流"},       {"Memo3", "深圳市南山区科技园8栋"},
                                       {"Memo4", "0755-12345678"}, {"Memo5", "王经理"}, {"Memo6", "华南贸易有限公司"},
                                       {"Memo7", "广州市天河区体育西路100号"}, {"Memo8", "020-88886666"}};
    for (const auto& [memo, text] : expected) EXPECT_EQ(printed(d, memo), std::vector<std::string>{text}) << memo;

    const auto [left, top] = placed("Memo1");
    EXPECT_NEAR(static_cast<double>(left), 75.5906, 1e-9);
    EXPECT_NEAR(static_cast<double>(top), 113.3859, 1e-9);
    // The positions stay in the template.
    EXPECT_NEAR(static_cast<double>(fmain->rpReport2->FindObject("Memo1")->Top()), 113.3859, 1e-9);

    EXPECT_EQ(PdfPageSizesMm(pdf), std::vector<std::string>{"232x127"});
    const std::string text = PdfText(pdf);
    for (const auto& [memo, expectedText] : expected) EXPECT_NE(text.find(expectedText), std::string::npos) << memo << text;
    EXPECT_FALSE(Fdy->isVisible());
}

TEST_F(Printing, AWaybillLayoutOfZerosStacksTheTextsInThePrintableCorner)
{
    seedFixture();
    start();
    addLayout(zeros());
    printWaybill(kFirst);
    for (const char* memo : {"Memo1", "Memo2", "Memo3", "Memo4", "Memo5", "Memo6", "Memo7", "Memo8"})
        EXPECT_EQ(placed(memo), (std::pair<Extended, Extended>{0, 0})) << memo;
}

TEST_F(Printing, TheWaybillPlacesAddressesByTheAddressPairsAndTelephonesByTheTelephonePairs)
{
    seedFixture();
    start();
    // jjr jjdw jjdz jjdh sjr sjdw sjdz sjdh, x then y.
    addLayout({"0", "0", "0", "0", "1", "2", "3", "4", "0", "0", "0", "0", "5", "6", "7", "8"});
    printWaybill(kFirst);
    const auto at = [](Extended xCm, Extended yCm) { return std::pair<Extended, Extended>{xCm * 37.7953L, yCm * 37.7953L}; };
    EXPECT_EQ(placed("Memo3"), at(1, 2));  // sender address
    EXPECT_EQ(placed("Memo4"), at(3, 4));  // sender telephone
    EXPECT_EQ(placed("Memo7"), at(5, 6));  // recipient address
    EXPECT_EQ(placed("Memo8"), at(7, 8));  // recipient telephone
}

TEST_F(Printing, TheWaybillAfterAnOrderSheetStillFindsItsRecipient)
{
    seedFixture();
    start();
    addLayout(zeros());
    // The waybill form is open for the order when its order sheet is
    // printed, which leaves the shared query at its end.
    select(QString::fromUtf8(kFirst));
    fmain->N10->trigger();
    printOrderSheet(kFirst);
    ASSERT_TRUE(fmain->ADOQuery1->eof());
    expectPrintTo("waybill.prn");
    Fdy->Button1->click();
    EXPECT_EQ(printed(dump(fmain->rpReport2), "Memo6"), std::vector<std::string>{"华南贸易有限公司"});
}

TEST_F(Printing, TheWaybillKeepsTheOrderItsFormWasOpenedForWhateverSheetIsPrintedMeanwhile)
{
    // The form stays open beside the main window: the order sheet of
    // another order, printed meanwhile, must not change whom the waybill
    // is addressed to.
    seedFixture();
    start();
    addLayout(zeros());
    select(QString::fromUtf8(kFirst));
    fmain->N10->trigger();
    printOrderSheet(kNoLines);
    expectPrintTo("waybill.prn");
    Fdy->Button1->click();
    EXPECT_EQ(printed(dump(fmain->rpReport2), "Memo6"), std::vector<std::string>{"华南贸易有限公司"});
    EXPECT_EQ(printed(dump(fmain->rpReport2), "Memo7"), std::vector<std::string>{"广州市天河区体育西路100号"});
    // Opened again for the other order, it prints that one.
    select(QString::fromUtf8(kNoLines));
    fmain->N10->trigger();
    expectPrintTo("waybill2.prn");
    Fdy->Button1->click();
    EXPECT_EQ(printed(dump(fmain->rpReport2), "Memo6"), std::vector<std::string>{"北方五金"});
}

TEST_F(Printing, TheOrderSheetAfterTheWaybillPrintsTheSheetsOrder)
{
    seedFixture();
    start();
    addLayout(zeros());
    printWaybill(kFirst);
    printOrderSheet(kNoLines);
    EXPECT_EQ(printed(dump(fmain->rpReport1), "Memo8"), std::vector<std::string>{"北方五金"});
}

TEST_F(Printing, TheWaybillReadsTheCompanyRowAsItStandsNow)
{
    seedFixture();
    start();
    addLayout(zeros());
    printWaybill(kFirst, "one.prn");
    DM->Write("UPDATE config SET khmc='新公司'");
    const std::string pdf = printWaybill(kFirst, "two.prn");
    EXPECT_EQ(printed(dump(fmain->rpReport2), "Memo2"), std::vector<std::string>{"新公司"});
    EXPECT_NE(PdfText(pdf).find("新公司"), std::string::npos);
}

TEST_F(Printing, AWaybillTextNearThePapersRightEdgeIsNarrowedToItAndPrintsWhole)
{
    const std::string address = "广东省广州市天河区珠江新城珠江东路8号广州国际金融中心大厦第六十八层六八零八室东区";
    seedFixture();
    seed({{"UPDATE zq_dd SET khdz=? WHERE bh=?", {address, kFirst}}});
    start();
    // The recipient's address 14 cm in: its 9.5 cm box ran 2.3 cm past the
    // printable area, and the characters there were lost.
    std::vector<std::string> c = zeros();
    c[12] = "14";
    addLayout(c);
    const std::string pdf = printWaybill(kFirst);
    const std::shared_ptr<TrpReportPage> page = fmain->rpReport2->PreviewPages()->GetPage(0);
    for (TrpComponent* o : page->GetAllObjects())
        if (o->Name() == "Memo7") {
            EXPECT_NEAR(double(o->AbsLeft() + o->Width()), 212 * 3.77953, 1e-6);
        }
    EXPECT_TRUE(holdsAll(PdfTextUnwrapped(pdf), address)) << PdfTextUnwrapped(pdf);

    // Placed again further left, the box has its own width back.
    DM->Write("UPDATE zq_kd SET sjdzx='1'");
    printWaybill(kFirst, "again.prn");
    EXPECT_NEAR(double(fmain->rpReport2->FindObject("Memo7")->Width()), 359.49, 1e-9);
}

TEST_F(Printing, AStoredWaybillPlaceOffThePaperIsOneBoxAndNothingPrints)
{
    seedFixture();
    start();
    std::vector<std::string> c = zeros();
    c[15] = "12";  // sjdhy: the recipient's telephone under the paper's edge
    addLayout(c);
    select(QString::fromUtf8(kFirst));
    fmain->N10->trigger();
    ui.expectMessage(gui::MsgResult::Ok,
                     QStringLiteral("收件人电话坐标（横 0，纵 12 厘米）超出了快递单的纸张，文字会印不全。"
                                    "横坐标请在 -1 到 20.2 之间，纵坐标请在 -1 到 11.1 之间。"),
                     app::kAppTitle);
    Fdy->Button1->click();
    EXPECT_EQ(fmain->rpReport2->PreviewPages()->GetCount(), 0);
    EXPECT_FALSE(Fdy->isVisible());
}

TEST_F(Printing, AWaybillCoordinateThatIsNoNumberIsOneBoxAndNothingPrints)
{
    seedFixture();
    start();
    std::vector<std::string> c = zeros();
    c[13] = "3,5";  // sjdzy
    c[2] = "";      // empty is 0, as the layout form stores it
    addLayout(c);
    select(QString::fromUtf8(kFirst));
    fmain->N10->trigger();
    ui.expectMessage(gui::MsgResult::Ok, {}, app::kAppTitle);
    Fdy->Button1->click();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("3,5"))) << ui.messages()[0].toStdString();
    EXPECT_EQ(fmain->rpReport2->PreviewPages()->GetCount(), 0);
}
