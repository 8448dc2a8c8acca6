// Long names, addresses and amounts in the order and settings forms: each
// edit opens on the start of its text, or is wide enough for it, and shows
// the whole on hover.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>

#include "AppFixture.h"
#include "Uluru.h"
#include "Usys.h"

namespace {

const QString kName = QStringLiteral("华东机电设备有限公司上海浦东张江高科技园区第三分公司（集团直属）");
const QString kAddress = QStringLiteral("上海市浦东新区张江高科技园区碧波路690号张江微电子港3号楼5层501室至508室");
const QString kAmount = QStringLiteral("13667933.74");

class LongTexts : public AppFixture {
protected:
    void seedOrder()
    {
        seed({{"INSERT INTO zq_dd(bh, khmc, khdz, lxdh, lxr, zdr, kssj, zk, zsl, je, je2, fjmc, fjje) "
               "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)",
               {"B1", app::S(kName), app::S(kAddress), "021-55556666", "孙七", "张三", "2026-12-06", "不打折", "1000",
                app::S(kAmount), app::S(kAmount), "运输及装卸服务费（含保险、包装材料及夜间加急派送附加费用，另含节假日上门安装调试费用）", "12"}}});
    }
    // The width an edit shows its text in.
    static int room(const QLineEdit* e)
    {
        const QMargins m = e->textMargins();
        return e->contentsRect().width() - m.left() - m.right() - 8;
    }
    static bool fits(const QLineEdit* e) { return e->fontMetrics().horizontalAdvance(e->text()) <= room(e); }
    // What a person sees: the start of the text, and the whole when it is
    // cut, on hover.
    static void expectStartShown(QLineEdit* e)
    {
        SCOPED_TRACE(e->objectName().toStdString());
        EXPECT_EQ(e->cursorPosition(), 0);
        // The first character is the one at the left edge.
        EXPECT_EQ(e->cursorPositionAt(QPoint(e->contentsRect().left() + 4, e->height() / 2)), 0);
        EXPECT_EQ(e->toolTip(), fits(e) ? QString() : e->text());
    }
};

}  // namespace

TEST_F(LongTexts, TheOrderFormOpensOnTheStartOfLongNamesAndWholeAmounts)
{
    seedOrder();
    start();
    ASSERT_TRUE(Fluru->PrepareEditOrder(QStringLiteral("B1")));
    Fluru->show();
    QApplication::processEvents();
    for (QLineEdit* e : {Fluru->Ed_khmc, Fluru->Ed_khdz, Fluru->Ed_fjmc}) {
        EXPECT_FALSE(fits(e)) << e->objectName().toStdString();  // long enough to be cut
        expectStartShown(e);
    }
    // The three totals hold an amount of eight digits and two decimals whole.
    for (QLineEdit* e : {Fluru->Ed_lbqh, Fluru->Ed_zje, Fluru->Ed_zje2}) {
        e->setText(kAmount);
        EXPECT_TRUE(fits(e)) << e->objectName().toStdString() << " " << room(e);
        expectStartShown(e);
    }
    // The quantity and the discount factor have room for theirs.
    Fluru->Ed_zsl->setText(QStringLiteral("1000000"));
    Fluru->Ed_zk->setText(QStringLiteral("0.98765"));
    for (QLineEdit* e : {Fluru->Ed_zsl, Fluru->Ed_zk}) EXPECT_TRUE(fits(e)) << e->objectName().toStdString();
    // A customer picked from the list: the fields it fills open on their start too.
    Fluru->Cb_kh->setFocus();
    Fluru->Ed_khmc->setText(kAddress + kName);
    expectStartShown(Fluru->Ed_khmc);
    // Made narrower, the hover text follows.
    Fluru->Ed_lbqh->setText(QStringLiteral("1"));
    EXPECT_EQ(Fluru->Ed_lbqh->toolTip(), QString());
    Fluru->resize(Fluru->minimumSizeHint());
    QApplication::processEvents();
    expectStartShown(Fluru->Ed_khdz);
    Fluru->hide();
}

TEST_F(LongTexts, TypingKeepsTheCursorWhereThePersonPutsIt)
{
    start();
    Fluru->PrepareNewOrder();
    Fluru->show();
    QApplication::setActiveWindow(Fluru);
    Fluru->Ed_khdz->setFocus();
    QApplication::processEvents();
    if (!Fluru->Ed_khdz->hasFocus()) GTEST_SKIP() << "no focus on this platform";
    Fluru->Ed_khdz->insert(kAddress);
    EXPECT_EQ(Fluru->Ed_khdz->cursorPosition(), kAddress.size());
    Fluru->hide();
}

TEST_F(LongTexts, TheSettingsFormOpensOnTheStartOfTheCompanysNameAndAddress)
{
    const QString name = kName + QStringLiteral("华东区第一销售分公司");
    seed({{"INSERT INTO config(khmc, dz, lxr, lxdh, cz, url, bz) VALUES(?,?,?,?,?,?,?)",
           {app::S(name), app::S(kAddress), "王经理", "0571-88886666", "0571-88886667",
            "http://www.example.com/shop/very/long/path/index.html", "备注"}}});
    start();
    Fsys->LoadSettings();
    Fsys->show();
    QApplication::processEvents();
    for (QLineEdit* e : {Fsys->Edit1, Fsys->Edit2, Fsys->Edit6}) expectStartShown(e);
    EXPECT_EQ(Fsys->Edit1->toolTip(), name);
    Fsys->hide();
}
