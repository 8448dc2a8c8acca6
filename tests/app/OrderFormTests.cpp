// The order form: new and edited orders, lines and totals, the discount,
// the pickers, and saving as one transaction.
#include <QDateEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "AppFixture.h"
#include "Clock.h"
#include "FormDriving.h"
#include "StringGrid.h"
#include "Uluru.h"
#include "main.h"

namespace {

const QString kHint = QStringLiteral("提示");

class OrderForm : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        pinClock(9, 30, 0);
    }
    void TearDown() override
    {
        gui::ResetClock();
        AppFixture::TearDown();
    }

    static void pinClock(int h, int m, int s, QDate day = QDate(2026, 12, 6)) { gui::SetFixedClock(QDateTime(day, QTime(h, m, s))); }

    void seedCatalogue()
    {
        seed({{"INSERT INTO zq_leibie(leibie) VALUES('牛奶'), ('面包')", {}},
              {"INSERT INTO zq_cpm(cpm, leibie) VALUES('鲜奶', '牛奶'), ('酸奶', '牛奶'), ('吐司', '面包')", {}},
              {"INSERT INTO zq_cpgg(cpgg, cpm, leibie, dw, jg, js) VALUES"
               "('250ml', '鲜奶', '牛奶', '瓶', '3', '冷藏'), ('1L', '鲜奶', '牛奶', '盒', '10.5', NULL),"
               "('原味', '酸奶', '牛奶', '杯', '4', NULL), ('全麦', '吐司', '面包', '袋', '8', NULL)",
               {}}});
    }

    // An order of three lines: 2 x 3, 1 x 10.5, 3 x 8.
    void seedOrderB1()
    {
        seedCatalogue();
        seed({{"INSERT INTO zq_dd(bh, khmc, khdz, lxdh, lxr, zdr, kssj, zk, zsl, je, je2) VALUES(?,?,?,?,?,?,?,?,?,?,?)",
               {"B1", "李四", "南路", "222", "小李", "王五", "2026-01-15", "95折", "6", "38.48", "40.5"}},
              {"INSERT INTO zq_ddmx(ddid, bh, leibie, cp, cpgg, dj, sl, dw, je, khmc) VALUES"
               "('1', 'B1', '牛奶', '鲜奶', '250ml', '3', '2', '瓶', '6', '李四'),"
               "('1', 'B1', '牛奶', '鲜奶', '1L', '10.5', '1', '盒', '10.5', '李四'),"
               "('1', 'B1', '面包', '吐司', '全麦', '8', '3', '袋', '24', '李四')",
               {}}});
    }

    void startNew()
    {
        start();
        Fluru->PrepareNewOrder();
        Fluru->show();
    }

    void startEdit(const QString& bh)
    {
        start();
        ASSERT_TRUE(Fluru->PrepareEditOrder(bh));
        Fluru->show();
    }

    void addLine(const char* category, const char* product, const char* size, const char* price, const char* quantity)
    {
        pick(Fluru->Cb_lb, QString::fromUtf8(category));
        pick(Fluru->Cb_pz, QString::fromUtf8(product));
        pick(Fluru->Cb_gg, QString::fromUtf8(size));
        Fluru->Ed_dj->setText(QString::fromUtf8(price));
        Fluru->Ed_mrsl->setText(QString::fromUtf8(quantity));
        Fluru->Button7->click();
    }
    // Types text that is no number into an amount and saves: one box naming
    // the field, the focus on it, the form still open.
    void expectRefusedOnSave(QLineEdit* field, const char* typed, const char* caption, const char* hint)
    {
        field->setText(QString::fromUtf8(typed));
        Fluru->Ed_khmc->setFocus();
        ui.expectMessage(gui::MsgResult::Ok,
                         QString::fromUtf8(caption) + QStringLiteral("：“") + QString::fromUtf8(typed) +
                             QStringLiteral("”不是数字。请填写金额，小数点用“.”，例如 12.5") + QString::fromUtf8(hint),
                         app::kAppTitle);
        Fluru->Button1->click();
        EXPECT_EQ(Fluru->focusWidget(), field) << typed;
        EXPECT_TRUE(Fluru->isVisible()) << typed;
    }
    // Opens order B1 again, types into an amount and saves: stored as given.
    void expectSavedAs(QLineEdit* TFluru::*field, const char* typed, const char* column, const char* stored)
    {
        startEdit(QStringLiteral("B1"));
        (Fluru->*field)->setText(QString::fromUtf8(typed));
        Fluru->Button1->click();
        EXPECT_FALSE(Fluru->isVisible()) << typed;
        EXPECT_EQ(orderField("B1", column), QString::fromUtf8(stored)) << typed;
    }
    // Saves the order on the form for this customer.
    static void saveFor(const QString& customer)
    {
        Fluru->Ed_khmc->setText(customer);
        Fluru->Button1->click();
    }

    void deleteRow(int row)
    {
        Fluru->StringGrid1->SetRow(row);
        ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("要删除：") + cell(2, row), kHint);
        Fluru->N1->trigger();
    }

    QString cell(int col, int row) const { return Fluru->StringGrid1->Cell(col, row); }
    QStringList gridRow(int row) const
    {
        QStringList out;
        for (int c = 0; c < 9; ++c) out << cell(c, row);
        return out;
    }
    QString totals() const
    {
        return Fluru->Ed_zsl->text() + QStringLiteral(" | ") + Fluru->Ed_lbqh->text() + QStringLiteral(" | ") + Fluru->Ed_zje->text() +
               QStringLiteral(" | ") + Fluru->Ed_zje2->text();
    }
    static QStringList lines(const std::string& bh, const char* column = "cpgg")
    {
        return readColumn(std::string("SELECT ") + column + " FROM zq_ddmx WHERE bh=? ORDER BY id", {bh});
    }
    static QString orderField(const std::string& bh, const char* column)
    {
        const QStringList v = readColumn(std::string("SELECT ") + column + " FROM zq_dd WHERE bh=?", {bh});
        return v.isEmpty() ? QStringLiteral("<none>") : v.front();
    }
};

}  // namespace

// ---- New orders

TEST_F(OrderForm, NewOrderWithThreeLinesWritesOneOrderAndThreeLines)
{
    seedCatalogue();
    startNew();
    EXPECT_EQ(Fluru->Ed_bh->text(), QStringLiteral("ZEZO-2026-12-06-093000"));
    EXPECT_EQ(Fluru->Ed_kssj->text(), QStringLiteral("2026-12-06"));
    Fluru->Ed_khmc->setText(QStringLiteral(" 张三 "));
    Fluru->Ed_khdz->setText(QStringLiteral("北路1号"));
    addLine("牛奶", "鲜奶", "250ml", "3", "2");
    addLine("牛奶", "鲜奶", "1L", "10.5", "1");
    addLine("面包", "吐司", "全麦", "8", "3");
    // A 规格 without a note keeps the note shown before.
    EXPECT_EQ(gridRow(2), (QStringList{"2", "牛奶", "鲜奶", "1L", "10.5", "1", "盒", "10.5", "冷藏"}));
    EXPECT_EQ(totals(), QStringLiteral("6 | 40.5 | 40.5 | 40.5"));

    Fluru->Button1->click();
    EXPECT_FALSE(Fluru->isVisible());
    EXPECT_EQ(Fluru->result(), QDialog::Accepted);
    ASSERT_EQ(countOf("SELECT COUNT(*) FROM zq_dd"), 1);
    const std::string bh = "ZEZO-2026-12-06-093000";
    const QString id = orderField(bh, "id");
    EXPECT_EQ(orderField(bh, "khmc"), QStringLiteral("张三"));
    EXPECT_EQ(orderField(bh, "zt"), QStringLiteral("未付款"));
    EXPECT_EQ(orderField(bh, "zk"), QStringLiteral("不打折"));
    EXPECT_EQ(orderField(bh, "zsl") + orderField(bh, "je") + orderField(bh, "je2"), QStringLiteral("640.540.5"));
    EXPECT_EQ(orderField(bh, "kssj"), QStringLiteral("2026-12-06"));
    EXPECT_EQ(lines(bh), (QStringList{"250ml", "1L", "全麦"}));
    EXPECT_EQ(lines(bh, "ddid"), QStringList(3, id));
    EXPECT_EQ(lines(bh, "khmc"), QStringList(3, QStringLiteral("张三")));
    EXPECT_EQ(lines(bh, "je"), (QStringList{"6", "10.5", "24"}));
    EXPECT_EQ(lines(bh, "zt"), QStringList(3, QStringLiteral("未付款")));
    for (const QString& added : lines(bh, "tjsj")) EXPECT_EQ(added.size(), 19) << added.toStdString();
}

TEST_F(OrderForm, SaveNeedsACustomerNameAndWritesNoEmptyLine)
{
    startNew();
    Fluru->Ed_lxdh->setFocus();
    saveFor(QStringLiteral("   "));
    EXPECT_TRUE(Fluru->isVisible());
    EXPECT_EQ(Fluru->focusWidget(), Fluru->Ed_khmc);
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM zq_dd"), 0);
    saveFor(QStringLiteral("甲"));
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM zq_dd"), 1);
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM zq_ddmx"), 0);
}

TEST_F(OrderForm, TheNumberShownIsTheNumberStored)
{
    startNew();
    saveFor(QStringLiteral("甲"));
    // Begun in the same second: the next free second, shown from the start.
    Fluru->PrepareNewOrder();
    EXPECT_EQ(Fluru->Ed_bh->text(), QStringLiteral("ZEZO-2026-12-06-093001"));
    saveFor(QStringLiteral("乙"));
    EXPECT_EQ(readColumn("SELECT bh || ' ' || khmc FROM zq_dd ORDER BY id"),
              (QStringList{"ZEZO-2026-12-06-093000 甲", "ZEZO-2026-12-06-093001 乙"}));

    // Taken by another station while the form was open: the user is told.
    Fluru->PrepareNewOrder();
    EXPECT_EQ(Fluru->Ed_bh->text(), QStringLiteral("ZEZO-2026-12-06-093002"));
    seed({{"INSERT INTO zq_dd(bh, khmc) VALUES('ZEZO-2026-12-06-093002', '别处')", {}}});
    ui.expectMessage(gui::MsgResult::Ok,
                     QStringLiteral("订单编号 ZEZO-2026-12-06-093002 已被占用，本订单以编号 ZEZO-2026-12-06-093003 保存。"),
                     app::kAppTitle);
    saveFor(QStringLiteral("丙"));
    EXPECT_EQ(orderField("ZEZO-2026-12-06-093003", "khmc"), QStringLiteral("丙"));
}

TEST_F(OrderForm, NextFreeSecondCrossesMidnight)
{
    pinClock(23, 59, 59);
    seed({{"INSERT INTO zq_dd(bh, khmc) VALUES('ZEZO-2026-12-06-235959', '甲')", {}}});
    startNew();
    saveFor(QStringLiteral("乙"));
    EXPECT_EQ(orderField("ZEZO-2026-12-07-000000", "khmc"), QStringLiteral("乙"));
}

TEST_F(OrderForm, NewOrderForgetsThePreviousContactAndListTotal)
{
    start();
    Fluru->PrepareNewOrder();
    Fluru->ed_lxr->setText(QStringLiteral("上一位"));
    Fluru->Ed_lbqh->setText(QStringLiteral("50"));
    EXPECT_EQ(Fluru->Ed_zje->text(), QStringLiteral("50"));
    Fluru->PrepareNewOrder();
    EXPECT_EQ(Fluru->ed_lxr->text(), QString());
    EXPECT_EQ(totals(), QStringLiteral("0 | 0 | 0 | 0"));
    EXPECT_EQ(Fluru->Tag, 0);
}

// ---- Lines and totals

TEST_F(OrderForm, QuantityMustBeAnIntegerAndPriceANumber)
{
    seedCatalogue();
    startNew();
    // The conversion error in a box, then the focus on the field.
    const struct {
        const char* price;
        const char* quantity;
        const char* error;
        QLineEdit* field;
    } refused[] = {
        {"3", "1.5", "'1.5' is not a valid integer value", Fluru->Ed_mrsl},
        {"约30元", "2", "'约30元' is not a valid floating point value", Fluru->Ed_dj},
        {"1,5", "2", "'1,5' is not a valid floating point value", Fluru->Ed_dj},
        {"3", "99999999999", "'99999999999' is not a valid integer value", Fluru->Ed_mrsl},
    };
    for (const auto& r : refused) {
        Fluru->Ed_dj->setText(QString::fromUtf8(r.price));
        Fluru->Ed_mrsl->setText(QString::fromUtf8(r.quantity));
        Fluru->Ed_khmc->setFocus();
        ui.expectMessage(gui::MsgResult::Ok, QString::fromUtf8(r.error), app::kAppTitle);
        Fluru->Button7->click();
        EXPECT_EQ(Fluru->focusWidget(), r.field) << r.error;
    }
    // An empty quantity adds nothing, without a word.
    Fluru->Ed_mrsl->clear();
    Fluru->Button7->click();
    // No row, no totals.
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 2);
    EXPECT_EQ(gridRow(1), QStringList(9, QString()));
    EXPECT_EQ(Fluru->LineCounter, 1);
    EXPECT_EQ(totals(), QStringLiteral("0 | 0 | 0 | 0"));
}

TEST_F(OrderForm, DiscountAndListTotalGiveTheAmountReceived)
{
    seedCatalogue();
    startNew();
    EXPECT_EQ(items(Fluru->Cb_zk), (QStringList{"不打折", "98折", "95折"}));
    pick(Fluru->Cb_zk, QStringLiteral("98折"));
    EXPECT_EQ(Fluru->Ed_zk->text(), QStringLiteral("0.98"));
    Fluru->Ed_lbqh->setText(QStringLiteral("33.3"));
    EXPECT_EQ(Fluru->Ed_zje->text(), QStringLiteral("32.634"));
    EXPECT_EQ(Fluru->Ed_zje2->text(), QStringLiteral("33.3"));

    pick(Fluru->Cb_zk, QStringLiteral("不打折"));
    Fluru->Button8->click();
    addLine("牛奶", "鲜奶", "250ml", "0.1", "3");
    EXPECT_EQ(cell(7, 1), QStringLiteral("0.3"));
    EXPECT_EQ(totals(), QStringLiteral("3 | 0.3 | 0.3 | 0.3"));
}

TEST_F(OrderForm, DeletingALineRenumbersAndRecomputes)
{
    seedCatalogue();
    startNew();
    addLine("牛奶", "鲜奶", "250ml", "3", "2");
    addLine("牛奶", "鲜奶", "1L", "10.5", "1");
    // Cancel in the box keeps the line.
    Fluru->StringGrid1->SetRow(1);
    ui.expectMessage(gui::MsgResult::Cancel, QStringLiteral("要删除：鲜奶"), kHint);
    Fluru->N1->trigger();
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 3);

    deleteRow(1);
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 2);
    EXPECT_EQ(gridRow(1), (QStringList{"1", "牛奶", "鲜奶", "1L", "10.5", "1", "盒", "10.5", "冷藏"}));
    EXPECT_EQ(totals(), QStringLiteral("1 | 10.5 | 10.5 | 10.5"));
    // The only line left: its row stays, emptied.
    deleteRow(1);
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 2);
    EXPECT_EQ(gridRow(1), QStringList(9, QString()));
    EXPECT_EQ(Fluru->LineCounter, 1);
    EXPECT_EQ(totals(), QStringLiteral("0 | 0 | 0 | 0"));
    addLine("牛奶", "酸奶", "原味", "4", "1");
    EXPECT_EQ(cell(0, 1), QStringLiteral("1"));
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 2);
}

// ---- Editing

TEST_F(OrderForm, EditRestoresTheStoredDiscountDateAndAmounts)
{
    seedOrderB1();
    startEdit(QStringLiteral("B1"));
    EXPECT_EQ(Fluru->Tag, 1);
    EXPECT_EQ(Fluru->Ed_bh->text(), QStringLiteral("B1"));
    EXPECT_EQ(Fluru->ed_lxr->text(), QStringLiteral("小李"));
    EXPECT_EQ(Fluru->Cb_zk->currentText(), QStringLiteral("95折"));
    EXPECT_EQ(Fluru->Ed_zk->text(), QStringLiteral("0.95"));
    EXPECT_EQ(totals(), QStringLiteral("6 | 40.5 | 38.48 | 40.5"));
    EXPECT_EQ(Fluru->DateTimePicker1->date(), QDate(2026, 1, 15));
    EXPECT_EQ(Fluru->Ed_kssj->text(), QStringLiteral("2026-01-15"));
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 4);
    EXPECT_EQ(gridRow(3), (QStringList{"3", "面包", "吐司", "全麦", "8", "3", "袋", "24", ""}));
    EXPECT_EQ(Fluru->LineCounter, 4);

    // Preparing again does not repeat the pickers' items.
    const int customers = Fluru->Cb_kh->count();
    ASSERT_TRUE(Fluru->PrepareEditOrder(QStringLiteral("B1")));
    EXPECT_EQ(Fluru->Cb_kh->count(), customers);
    EXPECT_EQ(Fluru->Cb_khid.size(), customers);

    // Saving untouched keeps what was stored.
    Fluru->Button1->click();
    EXPECT_EQ(orderField("B1", "zk") + orderField("B1", "je") + orderField("B1", "kssj"), QStringLiteral("95折38.482026-01-15"));
    EXPECT_EQ(lines("B1"), (QStringList{"250ml", "1L", "全麦"}));
}

TEST_F(OrderForm, EditDeleteTheMiddleLineAndAddOne)
{
    seedOrderB1();
    startEdit(QStringLiteral("B1"));
    pick(Fluru->Cb_zk, QStringLiteral("不打折"));
    deleteRow(2);
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 3);
    EXPECT_EQ(cell(0, 2), QStringLiteral("2"));
    EXPECT_EQ(cell(3, 2), QStringLiteral("全麦"));
    EXPECT_EQ(totals(), QStringLiteral("5 | 30 | 30 | 30"));
    addLine("牛奶", "酸奶", "原味", "4", "2");
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 4);
    EXPECT_EQ(cell(0, 3), QStringLiteral("3"));
    EXPECT_EQ(totals(), QStringLiteral("7 | 38 | 38 | 38"));

    Fluru->Button1->click();
    EXPECT_EQ(lines("B1"), (QStringList{"250ml", "全麦", "原味"}));
    EXPECT_EQ(lines("B1", "ddid"), QStringList(3, orderField("B1", "id")));
    EXPECT_EQ(orderField("B1", "zsl") + " " + orderField("B1", "je") + " " + orderField("B1", "je2"), QStringLiteral("7 38 38"));
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM zq_dd"), 1);
}

TEST_F(OrderForm, SavingAnEditKeepsEachCarriedLinesAddedTime)
{
    seedOrderB1();
    seed({{"UPDATE zq_ddmx SET tjsj = CASE cpgg WHEN '250ml' THEN '2026-01-15 08:00:00' WHEN '1L' THEN NULL"
           " ELSE '2026-01-16 17:45:09' END",
           {}}});
    startEdit(QStringLiteral("B1"));
    // Rows move up under a deleted one and a new line comes last.
    deleteRow(1);
    addLine("牛奶", "酸奶", "原味", "4", "2");
    Fluru->Button1->click();
    EXPECT_EQ(lines("B1"), (QStringList{"1L", "全麦", "原味"}));
    EXPECT_EQ(lines("B1", "COALESCE(tjsj, 'null')"), (QStringList{"null", "2026-01-16 17:45:09", "2026-12-06 09:30:00"}));

    // A second edit a day later keeps them all, the first save's new line too.
    pinClock(11, 0, 0, QDate(2026, 12, 7));
    startEdit(QStringLiteral("B1"));
    addLine("面包", "吐司", "全麦", "8", "1");
    Fluru->Button1->click();
    EXPECT_EQ(lines("B1", "COALESCE(tjsj, 'null')"),
              (QStringList{"null", "2026-01-16 17:45:09", "2026-12-06 09:30:00", "2026-12-07 11:00:00"}));

    // Cleared and entered again, a line is a new one.
    startEdit(QStringLiteral("B1"));
    Fluru->Button8->click();
    addLine("牛奶", "鲜奶", "1L", "10.5", "1");
    Fluru->Button1->click();
    EXPECT_EQ(lines("B1", "tjsj"), QStringList{"2026-12-07 11:00:00"});
}

TEST_F(OrderForm, SavingAnOrderDeletedElsewhereSaysSo)
{
    seedOrderB1();
    startEdit(QStringLiteral("B1"));
    DM->Write("DELETE FROM zq_dd");
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("订单“B1”已不存在（可能已被删除），没有保存。"), app::kAppTitle);
    Fluru->Button1->click();
    EXPECT_TRUE(Fluru->isVisible());
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM zq_dd"), 0);
    EXPECT_EQ(lines("B1").size(), 3);  // its lines are not replaced either
}

// The order sheet adds the extra charge to the total: text that is no
// number is refused on save, naming the field, and nothing is stored.
TEST_F(OrderForm, AnExtraChargeThatIsNoNumberIsRefusedOnSaveAndAnEmptyOneIsNone)
{
    seedOrderB1();
    startEdit(QStringLiteral("B1"));
    for (const char* charge : {"到付", "1,5", "5元"}) {
        expectRefusedOnSave(Fluru->Ed_fjje, charge, "附加款项金额", "；没有附加款项请留空。");
        EXPECT_EQ(orderField("B1", "fjje"), QString()) << charge;
    }
    // Blanks round a number are trimmed; an empty charge is none.
    for (const auto& [typed, stored] : {std::pair{" 12.5 ", "12.5"}, std::pair{"", ""}})
        expectSavedAs(&TFluru::Ed_fjje, typed, "fjje", stored);
}

// The total on the order sheet is the amount received plus the extra
// charge: text there printed as the total and dropped the charge.
TEST_F(OrderForm, AnAmountReceivedThatIsNoNumberIsRefusedOnSave)
{
    seedOrderB1();
    startEdit(QStringLiteral("B1"));
    Fluru->Ed_fjje->setText(QStringLiteral("5"));
    for (const char* amount : {"一百元", "38,48", "38.48元"}) {
        expectRefusedOnSave(Fluru->Ed_zje, amount, "实收总金额", "。");
        EXPECT_EQ(orderField("B1", "je"), QStringLiteral("38.48")) << amount;
        EXPECT_EQ(orderField("B1", "fjje"), QString()) << amount;
    }
    // A number is stored trimmed; an empty amount stays allowed, as stored
    // orders may hold one.
    for (const auto& [typed, stored] : {std::pair{" 40 ", "40"}, std::pair{"", ""}}) expectSavedAs(&TFluru::Ed_zje, typed, "je", stored);
}

TEST_F(OrderForm, ClearListThenSaveLeavesNoLines)
{
    seedOrderB1();
    startEdit(QStringLiteral("B1"));
    Fluru->Button8->click();
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 4);
    Fluru->Button1->click();
    EXPECT_EQ(lines("B1"), QStringList());
    EXPECT_EQ(orderField("B1", "zsl"), QStringLiteral("0"));
}

TEST_F(OrderForm, FailedSaveChangesNothingAndKeepsTheFormOpen)
{
    seedOrderB1();
    startEdit(QStringLiteral("B1"));
    DM->ADOCn.execute("CREATE TRIGGER fail_line BEFORE INSERT ON zq_ddmx WHEN NEW.cp = '坏' BEGIN SELECT RAISE(ABORT, 'injected failure'); END");
    const QStringList idsBefore = readColumn("SELECT id FROM zq_ddmx ORDER BY id");
    Fluru->Ed_khmc->setText(QStringLiteral("新名字"));
    typeInto(Fluru->Cb_pz, QStringLiteral("坏"));
    Fluru->Ed_dj->setText(QStringLiteral("1"));
    Fluru->Ed_mrsl->setText(QStringLiteral("1"));
    Fluru->Button7->click();
    ui.expectMessage(gui::MsgResult::Ok, {}, app::kAppTitle);
    Fluru->Button1->click();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("injected failure")));
    EXPECT_TRUE(Fluru->isVisible());
    EXPECT_EQ(Fluru->Ed_khmc->text(), QStringLiteral("新名字"));
    EXPECT_EQ(Fluru->StringGrid1->RowCount(), 5);
    EXPECT_EQ(orderField("B1", "khmc"), QStringLiteral("李四"));
    EXPECT_EQ(readColumn("SELECT id FROM zq_ddmx ORDER BY id"), idsBefore);
    EXPECT_FALSE(DM->ADOCn.inTransaction());

    // A new order that fails leaves no order behind either.
    Fluru->PrepareNewOrder();
    Fluru->Ed_khmc->setText(QStringLiteral("王五"));
    typeInto(Fluru->Cb_pz, QStringLiteral("坏"));
    Fluru->Ed_dj->setText(QStringLiteral("1"));
    Fluru->Button7->click();
    ui.expectMessage(gui::MsgResult::Ok, {}, app::kAppTitle);
    Fluru->Button1->click();
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM zq_dd"), 1);
    EXPECT_TRUE(Fluru->isVisible());
}

// ---- Pickers

TEST_F(OrderForm, CascadingPickersRunOnUserChangesOnly)
{
    seedCatalogue();
    startNew();
    EXPECT_EQ(items(Fluru->Cb_lb), (QStringList{"牛奶", "面包"}));
    EXPECT_EQ(items(Fluru->Cb_pz), (QStringList{"鲜奶", "酸奶"}));
    EXPECT_EQ(items(Fluru->Cb_gg), (QStringList{"250ml", "1L"}));
    EXPECT_EQ(Fluru->Ed_dj->text() + Fluru->Ed_dw->text() + Fluru->Ed_bz->text(), QStringLiteral("3瓶冷藏"));

    // Set by the program: no handler runs.
    Fluru->Cb_lb->setCurrentIndex(1);
    EXPECT_EQ(items(Fluru->Cb_pz), (QStringList{"鲜奶", "酸奶"}));

    pick(Fluru->Cb_lb, QStringLiteral("面包"));
    EXPECT_EQ(items(Fluru->Cb_pz), QStringList{"吐司"});
    EXPECT_EQ(Fluru->Cb_gg->currentText(), QStringLiteral("全麦"));
    EXPECT_EQ(Fluru->Ed_dj->text() + Fluru->Ed_dw->text(), QStringLiteral("8袋"));

    // Free text: the cascade runs with what was typed.
    typeInto(Fluru->Cb_lb, QStringLiteral("牛奶"));
    EXPECT_EQ(items(Fluru->Cb_pz), (QStringList{"鲜奶", "酸奶"}));
    typeInto(Fluru->Cb_lb, QStringLiteral("豆浆"));
    EXPECT_EQ(Fluru->Cb_lb->currentText(), QStringLiteral("豆浆"));
    EXPECT_EQ(items(Fluru->Cb_pz), QStringList());
    EXPECT_EQ(items(Fluru->Cb_gg), QStringList());
    EXPECT_EQ(Fluru->Ed_dj->text(), QStringLiteral("3"));  // no 规格: kept
    EXPECT_EQ(Fluru->Cb_lb->count(), 2);                   // typing adds no item
}

TEST_F(OrderForm, CustomerPickerFillsFromAnEarlierOrderAndIgnoresFreeText)
{
    seed({{"INSERT INTO zq_dd(bh, khmc, khdz, lxdh, lxr, zdr) VALUES"
           "('B1', '张三', '北路', '111', '小张', '王五'), ('B2', '张三', '北路', '111', '老张', '赵六'), ('B3', '李四', '南路', '222', NULL, '王五')",
           {}}});
    startNew();
    // Pinyin order: li before zhang.
    EXPECT_EQ(items(Fluru->Cb_kh), (QStringList{"李四", "张三"}));
    EXPECT_EQ(Fluru->Cb_khid, (QStringList{"3", "1"}));
    EXPECT_EQ(items(Fluru->cb_zdr), (QStringList{"王五", "赵六"}));
    EXPECT_EQ(Fluru->Cb_kh->currentText(), QString());

    Fluru->ed_lxr->setText(QStringLiteral("旧"));
    pick(Fluru->Cb_kh, QStringLiteral("李四"));
    EXPECT_EQ(Fluru->Ed_khmc->text() + Fluru->Ed_khdz->text() + Fluru->Ed_lxdh->text(), QStringLiteral("李四南路222"));
    EXPECT_EQ(Fluru->ed_lxr->text(), QString());

    typeInto(Fluru->Cb_kh, QStringLiteral("王"));
    EXPECT_EQ(Fluru->Ed_khmc->text(), QStringLiteral("李四"));
    typeInto(Fluru->Cb_kh, QStringLiteral("张三"));
    EXPECT_EQ(Fluru->Ed_khmc->text() + Fluru->ed_lxr->text(), QStringLiteral("张三小张"));

    pick(Fluru->cb_zdr, QStringLiteral("赵六"));
    EXPECT_EQ(Fluru->Ed_zdr->text(), QStringLiteral("赵六"));
}

TEST_F(OrderForm, PickersListNamesInPinyinOrder)
{
    // By code point 张 < 李 < 王 < 赵 < 陈; by pinyin chen, li, wang, zhang, zhao.
    seed({{"INSERT INTO zq_dd(bh, khmc, khdz, zdr) VALUES"
           "('B1', '张三', '北路', '赵六'), ('B2', '李四', '南路', '王五'), ('B3', '王五', '东路', '陈七'),"
           "('B4', '陈七', '西路', '李四'), ('B5', '赵六', '中路', '张三'), ('B6', '李四', '北路', '王五')",
           {}}});
    startNew();
    // One customer at two addresses is listed twice, the addresses in order too.
    EXPECT_EQ(items(Fluru->Cb_kh), (QStringList{"陈七", "李四", "李四", "王五", "张三", "赵六"}));
    EXPECT_EQ(Fluru->Cb_khid, (QStringList{"4", "6", "2", "3", "1", "5"}));
    EXPECT_EQ(items(Fluru->cb_zdr), (QStringList{"陈七", "李四", "王五", "张三", "赵六"}));
    // Picking goes by the same order, and an edit refills them alike.
    pick(Fluru->Cb_kh, QStringLiteral("陈七"));
    EXPECT_EQ(Fluru->Ed_khdz->text(), QStringLiteral("西路"));
    start();
    ASSERT_TRUE(Fluru->PrepareEditOrder(QStringLiteral("B1")));
    EXPECT_EQ(items(Fluru->cb_zdr), (QStringList{"陈七", "李四", "王五", "张三", "赵六"}));
}

TEST_F(OrderForm, DateChosenByTheUserIsStored)
{
    startNew();
    Fluru->DateTimePicker1->setDate(QDate(2027, 2, 3));
    EXPECT_EQ(Fluru->Ed_kssj->text(), QStringLiteral("2027-02-03"));
    saveFor(QStringLiteral("甲"));
    EXPECT_EQ(orderField("ZEZO-2026-12-06-093000", "kssj"), QStringLiteral("2027-02-03"));
}

// ---- Through the main window

TEST_F(OrderForm, MenuEntersAnOrderThatTheGridThenLists)
{
    seedCatalogue();
    start();
    ui.expectModal(QStringLiteral("Fluru"), [this](QDialog& form) {
        EXPECT_EQ(&form, Fluru);
        Fluru->Ed_khmc->setText(QStringLiteral("张三"));
        addLine("牛奶", "鲜奶", "250ml", "3", "2");
        Fluru->Button1->click();
        return form.result();
    });
    fmain->N11->trigger();
    fmain->trlb->topLevelItem(0)->setExpanded(true);
    EXPECT_EQ(fmain->StringGrid1->Cell(2, 1), QStringLiteral("ZEZO-2026-12-06-093000"));
    EXPECT_EQ(fmain->StringGrid1->Cell(3, 1), QStringLiteral("张三"));

    // Editing starts from the selected row; a vanished order is not shown,
    // and the box says why.
    fmain->StringGrid1->SetRow(1);
    ui.expectModal(QStringLiteral("Fluru"), [](QDialog&) {
        EXPECT_EQ(Fluru->Ed_bh->text(), QStringLiteral("ZEZO-2026-12-06-093000"));
        EXPECT_EQ(Fluru->StringGrid1->Cell(3, 1), QStringLiteral("250ml"));
        return int(QDialog::Rejected);
    });
    fmain->N22->trigger();
    DM->Write("DELETE FROM zq_dd");
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("订单“ZEZO-2026-12-06-093000”已不存在（可能已被其他工作站删除）。"));
    fmain->N22->trigger();
}

TEST_F(OrderForm, OrderSheetCommandLoadsTheOrderAndItsLines)
{
    seed({{"INSERT INTO zq_dd(bh, khmc) VALUES('B1', '甲'), ('B2', '乙')", {}},
          {"INSERT INTO zq_ddmx(bh, cp, dj, sl) VALUES('B1', 'x', '1', '1'), ('B2', 'y', '1', '1'), ('B1', 'z', '1', '1')", {}},
          {"INSERT INTO config(khmc) VALUES('公司')", {}}});
    start();
    fmain->trlb->topLevelItem(0)->setExpanded(true);
    fmain->StringGrid1->SetRow(2);
    ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Rejected);
    fmain->N25->trigger();
    ASSERT_TRUE(fmain->ADOQuery2->active());
    EXPECT_EQ(fmain->ADOQuery1->recordCount(), 1);
    EXPECT_EQ(fmain->ADOQuery1->fieldByName("khmc").asString(), "甲");
    EXPECT_EQ(fmain->ADOQuery2->recordCount(), 2);
}
