#include "Uchanpin.h"

#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "AppCommon.h"
#include "DATAM.h"
#include "FormKit.h"
#include "Guard.h"
#include "StringGrid.h"
#include "UiServices.h"
#include "Uaddcp.h"
#include "Uaddgg.h"
#include "Uaddleibie.h"
#include "main.h"

TFchanpin* Fchanpin = nullptr;

using app::S;

namespace {

const QString kTempStore = QStringLiteral("临时库");

}  // namespace

TFchanpin::TFchanpin(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Fchanpin"));
    setWindowTitle(QStringLiteral("产品管理"));
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(2, 2, 2, 2);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName(QStringLiteral("MainMenu1"));
    QMenu* ops = MainMenu1->addMenu(QStringLiteral("操作"));
    N4 = app::NamedAction(ops, "N4", "添加类别");
    N2 = app::NamedAction(ops, "N2", "添加产品");
    N3 = app::NamedAction(ops, "N3", "添加规格");
    outer->setMenuBar(MainMenu1);

    auto* split = new QSplitter(this);
    trlb = new QTreeWidget(split);
    trlb->setObjectName(QStringLiteral("trlb"));
    trlb->setHeaderHidden(true);
    trlb->setEditTriggers(QAbstractItemView::NoEditTriggers);
    trlb->setContextMenuPolicy(Qt::CustomContextMenu);
    app::ShowWholeCaptions(trlb);
    StringGrid1 = new TStringGrid(17, split);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    split->setStretchFactor(1, 1);
    split->setSizes({200, 560});
    outer->addWidget(split, 1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N5 = app::NamedAction(PopupMenu1, "N5", "添加类别");
    N6 = app::NamedAction(PopupMenu1, "N6", "添加产品");
    N7 = app::NamedAction(PopupMenu1, "N7", "添加规格");

    for (QAction* a : {N4, N5}) connect(a, &QAction::triggered, this, gui::Slot([this] { N4Click(); }));
    for (QAction* a : {N2, N6}) connect(a, &QAction::triggered, this, gui::Slot([this] { N2Click(); }));
    for (QAction* a : {N3, N7}) connect(a, &QAction::triggered, this, gui::Slot([this] { N3Click(); }));
    connect(trlb, &QWidget::customContextMenuRequested, this,
            gui::SlotWithArgs([this](const QPoint& at) { PopupMenu1->popup(trlb->viewport()->mapToGlobal(at)); }));
    // Expanding a node works on that node: select it, then refresh it.
    connect(trlb, &QTreeWidget::itemExpanded, this, gui::SlotWithArgs([this](QTreeWidgetItem* item) {
                trlb->setCurrentItem(item);
                RefreshCatalogNode();
            }));
    connect(trlb, &QTreeWidget::itemDoubleClicked, this, gui::Slot([this] { RefreshCatalogNode(); }));
    // The add items follow the selection, by mouse or by keyboard.
    connect(trlb, &QTreeWidget::currentItemChanged, this, gui::Slot([this] { trlbClick(); }));

    resize(780, 520);
    gui::guarded([this] { FormCreate(); });
}

void TFchanpin::writeHeaders()
{
    const char* const headers[] = {"编号", "产品名", "规格名称", "单位"};
    for (int c = 1; c <= 4; ++c) StringGrid1->SetCell(c, 0, QString::fromUtf8(headers[c - 1]));
}

void TFchanpin::FormCreate()
{
    trlb->clear();
    app::AddTreeNode(trlb, nullptr, QStringLiteral("产品"), TNode{0, QStringLiteral("产品管理"), TNode::Kind::Root});
    writeHeaders();
    trlbClick();
}

void TFchanpin::RefreshCatalogNode()
{
    QTreeWidgetItem* node = trlb->currentItem();
    if (!node) return;
    const TNode data = TNode::Of(node);
    if (data.Is(TNode::Kind::Root)) {
        // A user restricted to stations sees no categories.
        if (!fmain || fmain->Tag == 0)
            app::ReplaceTreeChildren(trlb, node, app::ReadTreeNodes("SELECT * FROM zq_leibie ORDER BY id", {}, "leibie", TNode::Kind::Category));
    } else if (data.Is(TNode::Kind::Category)) {
        app::ReplaceTreeChildren(trlb, node, app::ReadTreeNodes("SELECT * FROM zq_cpm WHERE leibie=? ORDER BY id", {S(data.name)}, "cpm", TNode::Kind::Product));
        // The temporary store has no specifications of its own.
        if (data.name == kTempStore) CurrentSql.clear();
        else CurrentSql = "SELECT * FROM zq_cpgg WHERE leibie=? ORDER BY id DESC";
        CurrentParams = {S(data.name)};
        FillSpecGrid();
    } else if (data.Is(TNode::Kind::Product)) {
        CurrentSql = "SELECT * FROM zq_cpgg WHERE cpm=? AND leibie=? ORDER BY id DESC";
        CurrentParams = {S(data.name), S(TNode::Of(node->parent()).name)};
        FillSpecGrid();
    }
    trlbClick();
}

void TFchanpin::FillSpecGrid()
{
    StringGrid1->ClearAllRows();
    StringGrid1->SetRowCount(2);
    writeHeaders();
    if (CurrentSql.empty()) return;
    db::Params params = CurrentParams;
    params.emplace_back(static_cast<int64_t>(kMaxRows));
    app::FillGridRows(StringGrid1, DM->Read(CurrentSql + " LIMIT ?", std::move(params)), {{1, "id"}, {2, "cpm"}, {3, "cpgg"}, {4, "dw"}}, 1);
    // As in the main window: a column widens rather than cut a name.
    for (int c = 1; c <= 4; ++c) StringGrid1->WidenToContents(c);
}

void TFchanpin::trlbClick()
{
    const TNode node = TNode::Of(trlb->currentItem());
    N4->setEnabled(node.Is(TNode::Kind::Root));
    N5->setEnabled(node.Is(TNode::Kind::Root));
    N2->setEnabled(node.Is(TNode::Kind::Category));
    N6->setEnabled(node.Is(TNode::Kind::Category));
    N3->setEnabled(node.Is(TNode::Kind::Product));
    N7->setEnabled(node.Is(TNode::Kind::Product));
}

void TFchanpin::N4Click()
{
    if (!TNode::Of(trlb->currentItem()).Is(TNode::Kind::Root) || !Faddleibie) return;
    gui::ui().showModal(*Faddleibie);
}

void TFchanpin::N2Click()
{
    const TNode category = TNode::Of(trlb->currentItem());
    if (!category.Is(TNode::Kind::Category) || !Faddcp) return;
    Faddcp->Ed_leibie->setText(category.name);
    gui::ui().showModal(*Faddcp);
}

void TFchanpin::N3Click()
{
    QTreeWidgetItem* node = trlb->currentItem();
    const TNode product = TNode::Of(node);
    if (!product.Is(TNode::Kind::Product) || !Faddgg) return;
    Faddgg->Ed_leibie->setText(TNode::Of(node->parent()).name);
    Faddgg->Ed_cpm->setText(product.name);
    gui::ui().showModal(*Faddgg);
}
