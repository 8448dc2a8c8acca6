// The product catalogue: its tree and grid, the add items, and the three
// add dialogs with their required names and duplicate checks.
#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "AppFixture.h"
#include "FormDriving.h"
#include "StringGrid.h"
#include "Uaddcp.h"
#include "Uaddgg.h"
#include "Uaddleibie.h"
#include "Uchanpin.h"
#include "main.h"

namespace {

class Catalogue : public AppFixture {
protected:
    void seedCatalogue()
    {
        seed({{"INSERT INTO zq_leibie(leibie) VALUES('牛奶'), ('面包'), ('临时库')", {}},
              {"INSERT INTO zq_cpm(cpm, leibie) VALUES('鲜奶', '牛奶'), ('酸奶', '牛奶'), ('吐司', '面包')", {}},
              {"INSERT INTO zq_cpgg(cpgg, cpm, leibie, dw, jg) VALUES('250ml', '鲜奶', '牛奶', ' 瓶 ', '3'), ('1L', '鲜奶', '牛奶', NULL, '10'),"
               "('原味', '酸奶', '牛奶', '杯', '4'), ('全麦', '吐司', '面包', '袋', '8')",
               {}}});
    }

    QTreeWidgetItem* root() const { return Fchanpin->trlb->topLevelItem(0); }
    // Selects a node under the root: category, or category/product.
    QTreeWidgetItem* select(const QString& category, const QString& product = {})
    {
        expandAgain(root());
        QTreeWidgetItem* node = treeChild(root(), category);
        if (!product.isEmpty()) {
            expandAgain(node);
            node = treeChild(node, product);
        }
        Fchanpin->trlb->setCurrentItem(node);
        return node;
    }
    QString enabledItems() const
    {
        QString out;
        for (QAction* a : {Fchanpin->N4, Fchanpin->N2, Fchanpin->N3, Fchanpin->N5, Fchanpin->N6, Fchanpin->N7})
            if (a->isEnabled()) out += a->objectName();
        return out;
    }
    QStringList gridColumn(int col) const
    {
        QStringList out;
        for (int r = 1; r < Fchanpin->StringGrid1->RowCount(); ++r) out << Fchanpin->StringGrid1->Cell(col, r);
        return out;
    }

    // Runs an add dialog through its menu item: fills it, presses 添加,
    // and reports whether the dialog closed with the row added.
    template <class Fill>
    bool add(QAction* item, const QString& dialog, Fill fill)
    {
        bool accepted = false;
        ui.expectModal(dialog, [&](QDialog& d) {
            d.setResult(QDialog::Rejected);
            fill();
            accepted = d.result() == QDialog::Accepted;
            return d.result();
        });
        item->trigger();
        return accepted;
    }
    bool addProduct(const QString& name)
    {
        return add(Fchanpin->N2, QStringLiteral("Faddcp"), [&] {
            Faddcp->Ed_cpm->setText(name);
            Faddcp->m_cpjs->setPlainText(QStringLiteral(" 介绍 "));
            Faddcp->Button1->click();
        });
    }
    bool addSpec(const QString& name)
    {
        return add(Fchanpin->N3, QStringLiteral("Faddgg"), [&] {
            Faddgg->Ed_ggm->setText(name);
            Faddgg->Ed_dw->setText(QStringLiteral("瓶"));
            Faddgg->Ed_jg->setText(QStringLiteral(" 5 "));
            Faddgg->Button1->click();
        });
    }
    bool addCategory(const QString& name)
    {
        return add(Fchanpin->N4, QStringLiteral("Faddleibie"), [&] {
            Faddleibie->Ed_cpm->setText(name);
            Faddleibie->Button1->click();
        });
    }
};

}  // namespace

// ---- Tree and grid

TEST_F(Catalogue, TreeListsCategoriesProductsAndTheirSpecifications)
{
    seedCatalogue();
    start();
    ASSERT_EQ(Fchanpin->trlb->topLevelItemCount(), 1);
    EXPECT_EQ(root()->text(0), QStringLiteral("产品"));
    EXPECT_EQ(TNode::Of(root()).name, QStringLiteral("产品管理"));
    expandAgain(root());
    expandAgain(root());
    EXPECT_EQ(treeCaptions(root()), (QStringList{"牛奶", "面包", "临时库"}));

    QTreeWidgetItem* milk = treeChild(root(), QStringLiteral("牛奶"));
    expandAgain(milk);
    EXPECT_EQ(Fchanpin->trlb->currentItem(), milk);
    EXPECT_EQ(treeCaptions(milk), (QStringList{"鲜奶", "酸奶"}));
    EXPECT_EQ(TNode::Of(milk->child(0)).kind, TNode::Kind::Product);
    EXPECT_EQ(Fchanpin->StringGrid1->Cell(3, 0), QStringLiteral("规格名称"));
    EXPECT_EQ(gridColumn(3), (QStringList{"原味", "1L", "250ml"}));  // newest first
    EXPECT_EQ(gridColumn(0), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(gridColumn(4), (QStringList{"杯", "", "瓶"}));       // Null empty, values trimmed

    QTreeWidgetItem* fresh = treeChild(milk, QStringLiteral("鲜奶"));
    Fchanpin->trlb->setCurrentItem(fresh);
    emit Fchanpin->trlb->itemDoubleClicked(fresh, 0);
    EXPECT_EQ(gridColumn(3), (QStringList{"1L", "250ml"}));
    EXPECT_EQ(gridColumn(2), (QStringList{"鲜奶", "鲜奶"}));
}

TEST_F(Catalogue, TemporaryStoreShowsAnEmptyGrid)
{
    seedCatalogue();
    seed({{"INSERT INTO zq_cpgg(cpgg, cpm, leibie) VALUES('x', 'y', '临时库')", {}}});
    start();
    expandAgain(root());
    expandAgain(treeChild(root(), QStringLiteral("临时库")));
    EXPECT_EQ(Fchanpin->StringGrid1->RowCount(), 2);
    EXPECT_EQ(gridColumn(3), QStringList{QString()});
    EXPECT_TRUE(ui.messages().isEmpty());
}

TEST_F(Catalogue, RestrictedUserSeesNoCategories)
{
    seedCatalogue();
    seed({{"INSERT INTO zq_km(id, km) VALUES(3, '三站')", {}}, {"INSERT INTO zq_yhm(yhm, mac, qx) VALUES(?, ?, ?)", {"x", app::S(kMac), "3"}}});
    start();
    ASSERT_EQ(fmain->Tag, 3);
    expandAgain(root());
    EXPECT_EQ(root()->childCount(), 0);
}

TEST_F(Catalogue, AddItemsFollowTheSelectedNode)
{
    seedCatalogue();
    start();
    // Nothing selected: every add item is off and does nothing.
    EXPECT_EQ(enabledItems(), QString());
    Fchanpin->N4Click();
    Fchanpin->N2Click();
    Fchanpin->N3Click();
    Fchanpin->trlb->setCurrentItem(root());
    EXPECT_EQ(enabledItems(), QStringLiteral("N4N5"));
    select(QStringLiteral("面包"));
    EXPECT_EQ(enabledItems(), QStringLiteral("N2N6"));
    select(QStringLiteral("面包"), QStringLiteral("吐司"));
    EXPECT_EQ(enabledItems(), QStringLiteral("N3N7"));
    // A handler run on the wrong kind of node opens nothing.
    Fchanpin->N2Click();
}

// ---- Adding

TEST_F(Catalogue, CategoryNameIsRequiredAndUniqueAsStored)
{
    seedCatalogue();
    start();
    Fchanpin->trlb->setCurrentItem(root());
    EXPECT_FALSE(addCategory(QStringLiteral("   ")));
    EXPECT_EQ(Faddleibie->focusWidget(), Faddleibie->Ed_cpm);
    EXPECT_FALSE(addCategory(QStringLiteral(" 牛奶 ")));
    EXPECT_TRUE(addCategory(QStringLiteral(" 饮料 ")));
    EXPECT_EQ(readColumn("SELECT leibie FROM zq_leibie ORDER BY id").back(), QStringLiteral("饮料"));
    // The tree shows the addition once its parent is expanded again.
    EXPECT_EQ(root()->childCount(), 0);
    expandAgain(root());
    EXPECT_EQ(treeCaptions(root()).back(), QStringLiteral("饮料"));
}

TEST_F(Catalogue, ProductNameIsUniqueAcrossCategories)
{
    seedCatalogue();
    start();
    select(QStringLiteral("面包"));
    EXPECT_FALSE(addProduct(QStringLiteral(" 鲜奶 ")));
    EXPECT_EQ(Faddcp->focusWidget(), Faddcp->Ed_cpm);
    EXPECT_FALSE(addProduct(QStringLiteral("")));
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM zq_cpm"), 3);
    EXPECT_TRUE(addProduct(QStringLiteral(" 法棍 ")));
    EXPECT_EQ(readColumn("SELECT cpm || '|' || leibie || '|' || js FROM zq_cpm WHERE cpm='法棍'"), QStringList{"法棍|面包|介绍"});
    EXPECT_EQ(Faddcp->Ed_leibie->text(), QStringLiteral("面包"));
}

TEST_F(Catalogue, SpecificationNameIsUniqueWithinItsProductOnly)
{
    seedCatalogue();
    start();
    select(QStringLiteral("牛奶"), QStringLiteral("酸奶"));
    EXPECT_TRUE(addSpec(QStringLiteral("250ml")));  // the same name as under 鲜奶
    EXPECT_EQ(Faddgg->Ed_leibie->text() + Faddgg->Ed_cpm->text(), QStringLiteral("牛奶酸奶"));
    EXPECT_EQ(readColumn("SELECT cpgg || '|' || cpm || '|' || leibie || '|' || dw || '|' || jg FROM zq_cpgg ORDER BY id").back(),
              QStringLiteral("250ml|酸奶|牛奶|瓶|5"));
    EXPECT_FALSE(addSpec(QStringLiteral(" 250ml ")));
    EXPECT_EQ(Faddgg->focusWidget(), Faddgg->Ed_cpm);
    EXPECT_FALSE(addSpec(QString()));
    EXPECT_EQ(Faddgg->focusWidget(), Faddgg->Ed_ggm);
    EXPECT_EQ(countOf("SELECT COUNT(*) FROM zq_cpgg WHERE cpm='酸奶'"), 2);
}

// A product name of 40 characters ended in "…" in the tree and in the
// grid's 64-pixel column: the office could not tell two products apart.
TEST_F(Catalogue, LongNamesShowWholeInTheTreeAndTheGrid)
{
    const QString product = QStringLiteral("不锈钢六角螺栓加长型配套垫片及螺母组合装工业级高强度防锈处理适用于户外钢结构安装");
    const QString size = QStringLiteral("M12×150加长型热镀锌304材质");
    seed({{"INSERT INTO zq_leibie(leibie) VALUES('五金配件')", {}},
          {"INSERT INTO zq_cpm(cpm, leibie) VALUES(?, '五金配件')", {app::S(product)}},
          {"INSERT INTO zq_cpgg(cpgg, cpm, leibie, dw) VALUES(?, ?, '五金配件', '箱')", {app::S(size), app::S(product)}}});
    start();
    Fchanpin->show();
    QTreeWidgetItem* node = select(QStringLiteral("五金配件"), product);
    expandAgain(node);
    QTreeWidget* tree = Fchanpin->trlb;
    EXPECT_GT(tree->columnWidth(0), tree->fontMetrics().horizontalAdvance(product));
    EXPECT_GT(tree->columnWidth(0), tree->viewport()->width()) << "scrolls sideways";

    TStringGrid* grid = Fchanpin->StringGrid1;
    ASSERT_EQ(gridColumn(2).front(), product);
    for (int col : {2, 3}) {
        EXPECT_GT(grid->columnWidth(col), grid->fontMetrics().horizontalAdvance(grid->item(0, col)->text())) << col;
        EXPECT_EQ(grid->item(0, col)->toolTip(), grid->item(0, col)->text()) << col;
    }
}
