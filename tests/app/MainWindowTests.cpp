// The main window: station rights, the category tree, both grid layouts,
// paging, and errors inside handlers.
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

#include "AppFixture.h"
#include "FormDriving.h"
#include "StringGrid.h"
#include "SysUtils.h"
#include "Uchanpin.h"
#include "Udl.h"
#include "main.h"

namespace {

class MainWindow : public AppFixture {
protected:
    QTreeWidgetItem* root() const { return fmain->trlb->topLevelItem(0); }
    // Cells `first` to `first + count - 1` of a grid row, as "a|b|c".
    QString rowText(int row, int count, int first = 0) const
    {
        QStringList out;
        for (int c = first; c < first + count; ++c) out << cell(c, row);
        return out.join(QLatin1Char('|'));
    }
    QString cell(int col, int row) const { return fmain->StringGrid1->Cell(col, row); }
    QString labels() const
    {
        return QStringLiteral("当前第 ") + fmain->Label2->text() + QStringLiteral(" 页 总共 ") + fmain->Label3->text() + QStringLiteral(" 页 共有 ") +
               fmain->Label9->text() + QStringLiteral(" 条数据");
    }

    void seedOrders(int count)
    {
        std::vector<std::pair<std::string, db::Params>> rows;
        for (int i = 1; i <= count; ++i) rows.push_back({"INSERT INTO zq_dd(bh, khmc) VALUES(?, ?)", {"B" + IntToStr(i), "客户" + IntToStr(i)}});
        seed(rows);
    }

    void seedCatalogue()
    {
        seed({{"INSERT INTO zq_leibie(leibie) VALUES(?), (?)", {"牛奶", "O'Brien's"}},
              {"INSERT INTO zq_cpm(cpm, leibie) VALUES('鲜奶', '牛奶'), ('酸奶', '牛奶')", {}},
              {"INSERT INTO zq_cpgg(cpgg, cpm, leibie) VALUES('250ml', '鲜奶', '牛奶'), ('1L', '鲜奶', '牛奶')", {}},
              {"INSERT INTO zq_ddmx(bh, leibie, cp, cpgg, sl, dw, dj, je, khmc) VALUES(?,?,?,?,?,?,?,?,?)",
               {"B1", "牛奶", "鲜奶", "250ml", "2", "瓶", "3", "6", " 张三 "}},
              {"INSERT INTO zq_ddmx(bh, leibie, cp, cpgg, sl) VALUES(?,?,?,?,?)", {"B2", "牛奶", "鲜奶", "1L", "1"}},
              {"INSERT INTO zq_ddmx(bh, leibie, cp, cpgg, sl) VALUES(?,?,?,?,?)", {"B3", "牛奶", "酸奶", "1L", "1"}},
              {"INSERT INTO zq_ddmx(bh, leibie, cp) VALUES(?,?,?)", {"B4", "O'Brien's", "x"}}});
    }
};

}  // namespace

// ---- Station rights

TEST_F(MainWindow, StationRightsComeFromThisComputersRow)
{
    seed({{"INSERT INTO zq_km(id, km) VALUES(1, '一站'), (2, '二站'), (3, '三站'), (12, '十二站')", {}},
          {"INSERT INTO zq_yhm(yhm, mm, mac, qx, bm) VALUES(?, ?, ?, ?, ?)", {"张三", "", app::S(kMac), "12", "销售部"}},
          {"INSERT INTO zq_yhm(yhm, mac, qx) VALUES(?, ?, ?)", {"other", "00-00-00-00-00-01", "3"}}});
    start();
    EXPECT_EQ(fmain->Tag, 12);
    EXPECT_EQ(fmain->Cbqx1, (QStringList{"一站", "二站", "十二站"}));
    EXPECT_EQ(fmain->Cbqx2, (QStringList{"1", "2", "12"}));
    EXPECT_EQ(fmain->Label1->text(), QStringLiteral("欢迎销售部:张三使用本系统"));
    // A restricted user sees the stations under the root.
    expandAgain(root());
    EXPECT_EQ(treeCaptions(root()), fmain->Cbqx1);
    EXPECT_EQ(TNode::Of(root()->child(2)).id, 12);
}

TEST_F(MainWindow, NoRowForThisComputerIsUnrestricted)
{
    seed({{"INSERT INTO zq_km(id, km) VALUES(1, '一站')", {}}, {"INSERT INTO zq_yhm(yhm, mac, qx) VALUES(?, ?, ?)", {"x", "AA", "1"}}});
    start();
    EXPECT_EQ(fmain->Tag, 0);
    EXPECT_TRUE(fmain->Cbqx1.isEmpty());
    EXPECT_TRUE(fmain->Cbqx2.isEmpty());
    EXPECT_TRUE(fmain->Label1->text().isEmpty());
}

TEST_F(MainWindow, EmptyRightsCountAsUnrestricted)
{
    seed({{"INSERT INTO zq_yhm(yhm, mac, qx) VALUES(?, ?, ?)", {"x", app::S(kMac), ""}}});
    start();
    EXPECT_EQ(fmain->Tag, 0);
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(MainWindow, RightsThatAreNoNumberGiveOneBox)
{
    seed({{"INSERT INTO zq_yhm(yhm, mac, qx) VALUES(?, ?, ?)", {"x", app::S(kMac), "abc"}}});
    ui.expectMessage(gui::MsgResult::Ok);
    start();
    EXPECT_EQ(fmain->Tag, 0);
    EXPECT_EQ(ui.messages().size(), 1);
    ASSERT_NE(Fdl, nullptr);
}

// ---- Tree

TEST_F(MainWindow, RootListsCategoriesOnceWhateverTheExpansions)
{
    seedCatalogue();
    start();
    ASSERT_EQ(fmain->trlb->topLevelItemCount(), 1);
    EXPECT_EQ(root()->text(0), QStringLiteral("产品出库管理系统"));
    EXPECT_EQ(TNode::Of(root()).name, QStringLiteral("Tarvex网络"));
    EXPECT_EQ(TNode::Of(root()).kind, TNode::Kind::Root);
    for (QPushButton* b : {fmain->Button2, fmain->Button3, fmain->Button4, fmain->Button5}) EXPECT_FALSE(b->isEnabled());
    expandAgain(root());
    expandAgain(root());
    EXPECT_EQ(treeCaptions(root()), (QStringList{"牛奶", "O'Brien's"}));
    EXPECT_EQ(TNode::Of(root()->child(0)).kind, TNode::Kind::Category);
    EXPECT_EQ(root()->child(0)->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    for (QPushButton* b : {fmain->Button2, fmain->Button3, fmain->Button4, fmain->Button5}) EXPECT_TRUE(b->isEnabled());
}

TEST_F(MainWindow, ExpandingSelectsTheNodeAndListsIt)
{
    seedCatalogue();
    start();
    expandAgain(root());
    QTreeWidgetItem* milk = treeChild(root(), QStringLiteral("牛奶"));
    fmain->trlb->setCurrentItem(root());
    expandAgain(milk);
    EXPECT_EQ(fmain->trlb->currentItem(), milk);
    EXPECT_EQ(treeCaptions(milk), (QStringList{"鲜奶", "酸奶"}));
    EXPECT_EQ(fmain->Label11->text(), QStringLiteral("当前位置：Tarvex网络 牛奶"));
    EXPECT_EQ(fmain->trlbTag, 1);
    EXPECT_EQ(fmain->StringGrid1->RowCount(), 4);
    EXPECT_EQ(cell(2, 1), QStringLiteral("B3"));  // newest first

    QTreeWidgetItem* fresh = treeChild(milk, QStringLiteral("鲜奶"));
    expandAgain(fresh);
    expandAgain(fresh);
    EXPECT_EQ(treeCaptions(fresh), (QStringList{"250ml", "1L"}));
    EXPECT_EQ(cell(2, 1), QStringLiteral("B2"));
    EXPECT_EQ(cell(2, 2), QStringLiteral("B1"));
    EXPECT_EQ(fmain->StringGrid1->RowCount(), 3);

    expandAgain(treeChild(fresh, QStringLiteral("250ml")));
    EXPECT_EQ(fmain->StringGrid1->RowCount(), 2);
    EXPECT_EQ(cell(2, 1), QStringLiteral("B1"));
    EXPECT_EQ(fmain->Label11->text(), QStringLiteral("当前位置：鲜奶 250ml"));
}

TEST_F(MainWindow, NodeNameWithAQuoteLists)
{
    seedCatalogue();
    start();
    expandAgain(root());
    expandAgain(treeChild(root(), QStringLiteral("O'Brien's")));
    EXPECT_EQ(cell(2, 1), QStringLiteral("B4"));
    EXPECT_TRUE(ui.messages().isEmpty());
}

// ---- Grid

TEST_F(MainWindow, OrderLayoutHeadersWidthsAndValues)
{
    seed({{"INSERT INTO zq_dd(bh, khmc, khdz, lxdh, zsl, je, zdr, kssj) VALUES(?,?,?,?,?,?,?,?)",
           {"ZEZO-1", "  客户甲  ", "地址", "123", "3", "9.5", "王五", "2026-12-06"}},
          {"INSERT INTO zq_dd(bh) VALUES(?)", {"ZEZO-2"}}});
    start();
    expandAgain(root());
    const QStringList headers = QStringLiteral("|付款情况|单据编号|客户名称|客户地址|联系电话|总数量|金额|制单人|添加时间|").split(QLatin1Char('|'));
    EXPECT_EQ(rowText(0, 11), headers.join(QLatin1Char('|')));
    const int widths[] = {64, 64, 150, 200, 200, 100, 50, 64, 64, 64, 50};
    for (int c = 0; c <= 10; ++c) {
        EXPECT_EQ(fmain->StringGrid1->horizontalHeaderItem(c)->text(), headers[c]) << c;
        EXPECT_GE(fmain->StringGrid1->ColWidth(c), widths[c]) << c;
    }
    EXPECT_EQ(fmain->StringGrid1->ColCount(), 17);
    EXPECT_EQ(cell(2, 1), QStringLiteral("ZEZO-2"));
    EXPECT_EQ(cell(3, 1), QString());  // Null stays empty
    EXPECT_EQ(cell(1, 1), QStringLiteral("未付款"));
    EXPECT_EQ(rowText(2, 10), QStringLiteral("2|未付款|ZEZO-1|客户甲|地址|123|3|9.5|王五|2026-12-06"));
}

TEST_F(MainWindow, LineLayoutHeadersWidthsAndValues)
{
    seedCatalogue();
    start();
    expandAgain(root());
    expandAgain(treeChild(root(), QStringLiteral("牛奶")));
    EXPECT_EQ(rowText(0, 11), QStringLiteral("|付款情况|单据编号|产品名|规格|客户名称|数量|单位|单价|金额|添加时间"));
    const int widths[] = {64, 64, 150, 50, 50, 200, 50, 64, 64, 64, 150};
    for (int c = 0; c <= 10; ++c) EXPECT_GE(fmain->StringGrid1->ColWidth(c), widths[c]) << c;
    EXPECT_EQ(rowText(3, 10), QStringLiteral("3|未付款|B1|鲜奶|250ml|张三|2|瓶|3|6"));
    EXPECT_EQ(cell(10, 3).size(), 19);  // the time the line was added
}

TEST_F(MainWindow, TemporaryStoreListsOrdersInTheOrderLayout)
{
    seed({{"INSERT INTO zq_leibie(leibie) VALUES(?)", {"临时库"}}, {"INSERT INTO zq_dd(bh, khdz) VALUES(?, ?)", {"B1", "路"}}});
    start();
    expandAgain(root());
    expandAgain(treeChild(root(), QStringLiteral("临时库")));
    EXPECT_EQ(fmain->trlbTag, 1);
    EXPECT_EQ(cell(4, 0), QStringLiteral("客户地址"));
    EXPECT_EQ(cell(4, 1), QStringLiteral("路"));
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(MainWindow, HundredAndFiftyOrdersPageAsHundredAndFifty)
{
    seedOrders(150);
    start();
    expandAgain(root());
    TStringGrid* grid = fmain->StringGrid1;
    EXPECT_EQ(grid->RowCount(), 101);
    EXPECT_EQ(cell(0, 1), QStringLiteral("1"));
    EXPECT_EQ(cell(2, 1), QStringLiteral("B150"));
    EXPECT_EQ(cell(0, 100), QStringLiteral("100"));
    EXPECT_EQ(cell(2, 100), QStringLiteral("B51"));
    EXPECT_EQ(labels(), QStringLiteral("当前第 1 页 总共 2 页 共有 150 条数据"));

    fmain->Button2->click();  // 下一页
    EXPECT_EQ(grid->RowCount(), 51);
    EXPECT_EQ(cell(0, 1), QStringLiteral("101"));
    EXPECT_EQ(cell(2, 1), QStringLiteral("B50"));
    EXPECT_EQ(cell(2, 50), QStringLiteral("B1"));
    EXPECT_EQ(labels(), QStringLiteral("当前第 2 页 总共 2 页 共有 150 条数据"));
    // Cells of the longer page are not left behind.
    EXPECT_EQ(cell(2, 51), QString());

    fmain->Button2->click();  // past the end stays on the last page
    EXPECT_EQ(fmain->PageNo, 2);
    fmain->Button5->click();  // 第一页
    EXPECT_EQ(cell(2, 1), QStringLiteral("B150"));
    fmain->Button3->click();  // 上一页 on the first page
    EXPECT_EQ(labels(), QStringLiteral("当前第 1 页 总共 2 页 共有 150 条数据"));
    fmain->Button4->click();  // 最后一页
    EXPECT_EQ(labels(), QStringLiteral("当前第 2 页 总共 2 页 共有 150 条数据"));
}

TEST_F(MainWindow, EmptyListingShowsOnePageOfNothing)
{
    start();
    expandAgain(root());
    // Nothing to show: the designed widths stand as they are.
    const int widths[] = {64, 64, 150, 200, 200, 100, 50, 64, 64, 64, 50};
    for (int c = 0; c <= 10; ++c) EXPECT_EQ(fmain->StringGrid1->ColWidth(c), widths[c]) << c;
    EXPECT_EQ(fmain->StringGrid1->RowCount(), 2);
    EXPECT_EQ(cell(2, 1), QString());
    EXPECT_EQ(labels(), QStringLiteral("当前第 1 页 总共 1 页 共有 0 条数据"));
}

TEST_F(MainWindow, ColumnWidensRatherThanCutAValue)
{
    const QString bh = QStringLiteral("ZEZO-2026-12-06-093000-ZEZO-2026-12-06-093000");
    seed({{"INSERT INTO zq_dd(bh) VALUES(?)", {app::S(bh)}}});
    start();
    expandAgain(root());
    const QFontMetrics metrics(fmain->StringGrid1->font());
    EXPECT_GT(fmain->StringGrid1->ColWidth(2), metrics.horizontalAdvance(bh));
    EXPECT_EQ(fmain->StringGrid1->ColWidth(3), 200);
}

TEST_F(MainWindow, SelectedOrderIsColumnTwoOfADataRow)
{
    seedOrders(2);
    start();
    EXPECT_EQ(fmain->SelectedOrder(), QString());
    expandAgain(root());
    fmain->StringGrid1->SetRow(2);
    EXPECT_EQ(fmain->StringGrid1->Row(), 2);
    EXPECT_EQ(fmain->SelectedOrder(), QStringLiteral("B1"));
}

// ---- Errors and commands

TEST_F(MainWindow, DatabaseErrorInAHandlerShowsOneBoxAndTheProgramGoesOn)
{
    seedCatalogue();
    start();
    expandAgain(root());
    DM->ADOCn.execute("DROP TABLE zq_ddmx");
    ui.expectMessage(gui::MsgResult::Ok, {}, app::kAppTitle);
    expandAgain(treeChild(root(), QStringLiteral("牛奶")));
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("zq_ddmx"))) << ui.messages()[0].toStdString();
    EXPECT_FALSE(app::Terminated());
    expandAgain(root());
    EXPECT_EQ(root()->childCount(), 2);
}

TEST_F(MainWindow, MenuCommandsUseTheSeams)
{
    start();
    ui.expectUrl(app::kSupportUrl).expectModal(QStringLiteral("Fchanpin"), QDialog::Rejected).expectModal(QStringLiteral("Fluru"), QDialog::Rejected);
    fmain->N5->trigger();
    fmain->N21->trigger();
    fmain->N11->trigger();
    // Nothing selected: edit and print do nothing.
    fmain->N22->trigger();
    fmain->N25->trigger();
    fmain->N10->trigger();
}

TEST_F(MainWindow, ClosingTheMainWindowEndsTheProgram)
{
    start();
    fmain->show();
    fmain->N2->trigger();
    EXPECT_TRUE(app::Terminated());
}
