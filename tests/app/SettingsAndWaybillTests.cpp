// The company settings and the courier waybill layouts.
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "AppFixture.h"
#include "FormDriving.h"
#include "StringGrid.h"
#include "Udy.h"
#include "Usys.h"
#include "main.h"

namespace {

class Settings : public AppFixture {
protected:
    QList<QLineEdit*> edits() const { return {Fsys->Edit1, Fsys->Edit2, Fsys->Edit3, Fsys->Edit4, Fsys->Edit5, Fsys->Edit6, Fsys->Edit7}; }
    static QStringList rows() { return readColumn("SELECT khmc||'|'||dz||'|'||lxr||'|'||lxdh||'|'||cz||'|'||url||'|'||bz FROM config ORDER BY rowid"); }
};

class Waybill : public AppFixture {
protected:
    void seedLayouts()
    {
        seed({{"INSERT INTO zq_dd(bh, khmc) VALUES('B1', '收件人甲')", {}},
              {"INSERT INTO zq_kd(kdmc, jjrx, jjry, sjrx, sjry) VALUES('顺丰', '1.5', '2', '10', '3'), ('圆通', '1', '1', '1', '1')", {}}});
    }
    // Opens the form for the first order of the main window's grid.
    void openForOrder()
    {
        start();
        fmain->trlb->topLevelItem(0)->setExpanded(true);
        fmain->StringGrid1->SetRow(1);
        fmain->N10->trigger();
    }
    QString coordinates() const
    {
        QString out;
        for (QLineEdit* e : Fdy->Coordinates) out += e->text() + QLatin1Char(',');
        return out;
    }
    QString buttons() const
    {
        QString out;
        for (QPushButton* b : {Fdy->Button1, Fdy->Button2, Fdy->Button3, Fdy->Button4})
            if (b->isEnabled()) out += b->objectName();
        return out;
    }
    static QStringList stored(const char* columns) { return readColumn(std::string("SELECT ") + columns + " FROM zq_kd ORDER BY id"); }
};

}  // namespace

// ---- Settings

TEST_F(Settings, FirstSaveCreatesTheRowAndTheSecondUpdatesIt)
{
    start();
    ui.expectModal(QStringLiteral("Fsys"), [this](QDialog& form) {
        for (QLineEdit* e : edits()) e->setText(QStringLiteral(" ") + e->objectName() + QStringLiteral(" "));
        Fsys->Button1->click();
        return form.result();
    });
    fmain->N3->trigger();
    EXPECT_EQ(rows(), QStringList{"Edit1|Edit2|Edit3|Edit4|Edit5|Edit6|Edit7"});

    for (QLineEdit* e : edits()) e->clear();
    ui.expectModal(QStringLiteral("Fsys"), [](QDialog& form) {
        EXPECT_EQ(Fsys->Edit4->text(), QStringLiteral("Edit4"));  // filled from the row
        Fsys->Edit1->setText(QStringLiteral("新公司"));
        Fsys->Button1->click();
        return form.result();
    });
    fmain->N3->trigger();
    EXPECT_EQ(rows(), QStringList{"新公司|Edit2|Edit3|Edit4|Edit5|Edit6|Edit7"});
}

TEST_F(Settings, AllEmptyFieldsStoreEmptyTexts)
{
    start();
    Fsys->Button1->click();
    EXPECT_EQ(rows(), QStringList{"||||||"});
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM config WHERE khmc IS NULL"), 0);
}

// ---- Waybill layouts

TEST_F(Waybill, OpensForTheSelectedOrderShowingTheFirstLayout)
{
    seedLayouts();
    openForOrder();
    EXPECT_TRUE(Fdy->isVisible());
    EXPECT_FALSE(Fdy->isModal());
    EXPECT_EQ(items(Fdy->ComboBox1), (QStringList{"顺丰", "圆通"}));
    EXPECT_EQ(Fdy->Ed_kdmc->text(), QStringLiteral("顺丰"));
    EXPECT_EQ(Fdy->coordinate("jjrx")->text() + Fdy->coordinate("sjrx")->text() + Fdy->coordinate("sjdhy")->text(), QStringLiteral("1.510"));
    EXPECT_EQ(buttons(), QStringLiteral("Button1Button2Button4"));
    EXPECT_FALSE(Fdy->Ed_kdmc->isEnabled());
    EXPECT_FALSE(Fdy->coordinate("jjry")->isEnabled());
    // The recipient comes from the order the form was opened for.
    ASSERT_TRUE(fmain->ADOQuery1->active());
    EXPECT_EQ(fmain->ADOQuery1->fieldByName("khmc").asString(), "收件人甲");

    pick(Fdy->ComboBox1, QStringLiteral("圆通"));
    EXPECT_EQ(coordinates(), QStringLiteral("1,1,,,,,,,1,1,,,,,,,"));
}

TEST_F(Waybill, WithoutLayoutsPreviewOnlyCloses)
{
    seed({{"INSERT INTO zq_dd(bh) VALUES('B1')", {}}});
    openForOrder();
    EXPECT_EQ(Fdy->ComboBox1->count(), 0);
    Fdy->Button1->click();
    EXPECT_FALSE(Fdy->isVisible());
}

TEST_F(Waybill, PreviewOfALayoutPrintsItAndClosesTheForm)
{
    seedLayouts();
    openForOrder();
    // Coordinates left empty count as 0; the preview closed prints nothing.
    ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Rejected);
    Fdy->Button1->click();
    EXPECT_FALSE(Fdy->isVisible());
}

TEST_F(Waybill, AnAddedLayoutIsListedAndChosen)
{
    seedLayouts();
    openForOrder();
    Fdy->Button2->click();
    EXPECT_EQ(Fdy->Ed_kdmcTag, 1);
    EXPECT_EQ(buttons(), QStringLiteral("Button1Button3"));
    EXPECT_TRUE(Fdy->Ed_kdmc->isEnabled());
    EXPECT_EQ(coordinates(), QString(16, QLatin1Char(',')));
    Fdy->Ed_kdmc->setText(QStringLiteral(" 中通 "));
    for (QLineEdit* e : Fdy->Coordinates) e->setText(QStringLiteral(" 2.5 "));
    Fdy->coordinate("sjdhy")->clear();  // empty counts as 0
    Fdy->Button3->click();
    EXPECT_EQ(stored("kdmc||'|'||jjrx||'|'||sjdhy").back(), QStringLiteral("中通|2.5|0"));
    EXPECT_EQ(buttons(), QStringLiteral("Button1Button2Button4"));
    // The list shows what the fields show, and that is what gets printed.
    EXPECT_EQ(items(Fdy->ComboBox1), (QStringList{"顺丰", "圆通", "中通"}));
    EXPECT_EQ(Fdy->ComboBox1->currentText(), QStringLiteral("中通"));
    EXPECT_EQ(Fdy->Ed_kdmc->text(), QStringLiteral("中通"));
    EXPECT_EQ(Fdy->coordinate("sjdhy")->text(), QStringLiteral("0"));
    fmain->N10->trigger();
    EXPECT_EQ(items(Fdy->ComboBox1), (QStringList{"顺丰", "圆通", "中通"}));
}

TEST_F(Waybill, AddRefusesADuplicateNameAndIgnoresAnEmptyOne)
{
    seedLayouts();
    openForOrder();
    Fdy->Button2->click();
    Fdy->Button3->click();  // no name: nothing happens
    EXPECT_EQ(buttons(), QStringLiteral("Button1Button3"));
    Fdy->Ed_kdmc->setText(QStringLiteral(" 顺丰 "));
    Fdy->Button3->click();
    EXPECT_EQ(Fdy->focusWidget(), Fdy->Ed_kdmc);
    EXPECT_EQ(stored("kdmc"), (QStringList{"顺丰", "圆通"}));
}

TEST_F(Waybill, EditKeepsTheNameAndRefusesABadCoordinate)
{
    seedLayouts();
    openForOrder();
    Fdy->Button4->click();
    EXPECT_EQ(Fdy->Ed_kdmcTag, 0);
    EXPECT_FALSE(Fdy->Ed_kdmc->isEnabled());
    EXPECT_TRUE(Fdy->coordinate("jjrx")->isEnabled());

    Fdy->coordinate("jjry")->setText(QStringLiteral("2,5"));
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("寄件人坐标 纵 (y)：“2,5”不是数字。请填写厘米数，小数点用“.”，例如 2.5。"),
                     app::kAppTitle);
    Fdy->Button3->click();
    EXPECT_EQ(Fdy->focusWidget(), Fdy->coordinate("jjry"));
    EXPECT_EQ(buttons(), QStringLiteral("Button1Button3"));  // still editing
    EXPECT_EQ(stored("jjry"), (QStringList{"2", "1"}));

    Fdy->coordinate("jjry")->setText(QStringLiteral(" 2.75 "));
    Fdy->coordinate("sjdzx")->setText(QStringLiteral("abc"));
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("收件人地址坐标 横 (x)：“abc”不是数字。请填写厘米数，小数点用“.”，例如 2.5。"),
                     app::kAppTitle);
    Fdy->Button3->click();
    EXPECT_EQ(Fdy->focusWidget(), Fdy->coordinate("sjdzx"));
    Fdy->coordinate("sjdzx")->setText(QStringLiteral("-0.5"));
    Fdy->Button3->click();
    EXPECT_EQ(stored("kdmc||'|'||jjry||'|'||sjdzx||'|'||jjdwx").front(), QStringLiteral("顺丰|2.75|-0.5|0"));
    EXPECT_EQ(buttons(), QStringLiteral("Button1Button2Button4"));
}

// A text placed off the courier's 232 x 127 mm paper (the origin is the
// printable corner, 1 cm in) would print in part or not at all.
TEST_F(Waybill, APlaceOffThePaperIsRefusedOnSaveNamingTheRow)
{
    seedLayouts();
    openForOrder();
    Fdy->Button4->click();
    const QString limits = QStringLiteral("超出了快递单的纸张，文字会印不全。横坐标请在 -1 到 20.2 之间，纵坐标请在 -1 到 11.1 之间。");
    const struct {
        const char* column;
        const char* value;
        const char* shown;  // the place as the message gives it
        const char* focus;
    } refused[] = {
        {"sjdzx", "20.3", "收件人地址坐标（横 20.3，纵 0 厘米）", "sjdzx"},
        {"sjdzx", "-1.1", "收件人地址坐标（横 -1.1，纵 0 厘米）", "sjdzx"},
        {"sjdzy", "11.2", "收件人地址坐标（横 0，纵 11.2 厘米）", "sjdzy"},
        {"jjry", "-2", "寄件人坐标（横 1.5，纵 -2 厘米）", "jjry"},
    };
    for (const auto& r : refused) {
        for (QLineEdit* e : Fdy->Coordinates) e->clear();
        Fdy->coordinate("jjrx")->setText(QStringLiteral("1.5"));
        Fdy->coordinate(r.column)->setText(QString::fromUtf8(r.value));
        ui.expectMessage(gui::MsgResult::Ok, QString::fromUtf8(r.shown) + limits, app::kAppTitle);
        Fdy->Button3->click();
        EXPECT_EQ(Fdy->focusWidget(), Fdy->coordinate(r.focus)) << r.column << " " << r.value;
        EXPECT_EQ(stored("ifnull(jjry,'')||'|'||ifnull(sjdzx,'')||'|'||ifnull(sjdzy,'')").front(), QStringLiteral("2||")) << r.value;
    }
    // The edges themselves are on the paper.
    Fdy->coordinate("sjdzx")->setText(QStringLiteral("20.2"));
    Fdy->coordinate("sjdzy")->setText(QStringLiteral("11.1"));
    Fdy->coordinate("jjry")->setText(QStringLiteral("-1"));
    Fdy->Button3->click();
    EXPECT_EQ(stored("ifnull(jjry,'')||'|'||ifnull(sjdzx,'')||'|'||ifnull(sjdzy,'')").front(), QStringLiteral("-1|20.2|11.1"));
}

TEST_F(Waybill, SavingALayoutDeletedElsewhereSaysSo)
{
    seedLayouts();
    openForOrder();
    Fdy->Button4->click();
    Fdy->coordinate("jjrx")->setText(QStringLiteral("9"));
    DM->Write("DELETE FROM zq_kd WHERE kdmc='顺丰'");
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("快递单“顺丰”已不存在（可能已被删除），没有保存。"), app::kAppTitle);
    Fdy->Button3->click();
    EXPECT_EQ(stored("kdmc||'|'||jjrx"), QStringList{"圆通|1"});
    // Back to viewing what is left.
    EXPECT_EQ(items(Fdy->ComboBox1), QStringList{"圆通"});
    EXPECT_EQ(Fdy->Ed_kdmc->text(), QStringLiteral("圆通"));
    EXPECT_EQ(buttons(), QStringLiteral("Button1Button2Button4"));
}
