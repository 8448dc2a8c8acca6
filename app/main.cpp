#include "main.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

#include "AppCommon.h"
#include "DATAM.h"
#include "Guard.h"
#include "NetworkAddress.h"
#include "StringGrid.h"
#include "SysUtils.h"
#include "UiServices.h"
#include "Uchanpin.h"
#include "Udy.h"
#include "Uluru.h"
#include "Usys.h"
#include "Uxgmm.h"
#include "rpDBSet.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpTemplates.h"
#include "rpTypes.h"

Tfmain* fmain = nullptr;

using app::Q;
using app::S;

// ---- Listings

TListing OrdersListing() { return TListing{"SELECT * FROM zq_dd", "ORDER BY id DESC", {}, TListing::Orders}; }

TListing LinesListing(const std::string& where, db::Params params)
{
    return TListing{"SELECT * FROM zq_ddmx WHERE " + where, "ORDER BY id DESC", std::move(params), TListing::Lines};
}

namespace {

const QString kTempStore = QStringLiteral("临时库");

struct GridColumn {
    int width;
    const char* header;
    const char* field;  // nullptr: not filled
};

// Columns 0 to 10 of the two layouts; column 0 holds the record number.
const GridColumn kOrderColumns[] = {
    {64, "", nullptr},        {64, "付款情况", "zt"}, {150, "单据编号", "bh"}, {200, "客户名称", "khmc"},
    {200, "客户地址", "khdz"}, {100, "联系电话", "lxdh"}, {50, "总数量", "zsl"},  {64, "金额", "je"},
    {64, "制单人", "zdr"},    {64, "添加时间", "kssj"}, {50, "", nullptr},
};
const GridColumn kLineColumns[] = {
    {64, "", nullptr},     {64, "付款情况", "zt"}, {150, "单据编号", "bh"}, {50, "产品名", "cp"},
    {50, "规格", "cpgg"},  {200, "客户名称", "khmc"}, {50, "数量", "sl"},      {64, "单位", "dw"},
    {64, "单价", "dj"},    {64, "金额", "je"},      {150, "添加时间", "tjsj"},
};

const GridColumn* columnsOf(TListing::Layout layout) { return layout == TListing::Orders ? kOrderColumns : kLineColumns; }

}  // namespace

// ---- Tfmain

Tfmain::Tfmain(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("fmain"));
    setWindowTitle(QStringLiteral("简易发货管理工具"));
    buildMenus();
    buildClient();
    resize(1024, 692);
    if (QScreen* screen = QGuiApplication::primaryScreen()) move(screen->availableGeometry().center() - rect().center());
    if (DM) {
        ADOQuery1 = std::make_unique<db::Query>(DM->ADOCn, "ADOQuery1");
        ADOQuery2 = std::make_unique<db::Query>(DM->ADOCn, "ADOQuery2");
        ADOQuery3 = std::make_unique<db::Query>(DM->ADOCn, "ADOQuery3");
        ADOQuery1->setSql("SELECT * FROM zq_dd ORDER BY id");
        ADOQuery2->setSql("SELECT * FROM zq_ddmx ORDER BY id");
        // The company's columns by name: a server's table has a row key
        // besides them.
        ADOQuery3->setSql("SELECT khmc, dz, lxr, lxdh, cz, url, bz FROM config ORDER BY rowid");
    }
    gui::guarded([this] { createReports(); });
    gui::guarded([this] { FormCreate(); });
}

Tfmain::~Tfmain() = default;

void Tfmain::createReports()
{
    Components = std::make_unique<TComponent>();
    Components->SetName("fmain");
    auto dataset = [this](const char* name, db::Query* query) {
        auto* ds = new TrpDBDataset(Components.get());
        ds->SetName(name);
        ds->SetUserName(name);
        ds->CloseDataSource = false;
        ds->BCDToCurrency = false;
        ds->SetDataSet(query);
        return ds;
    };
    rpDBDataset1 = dataset("rpDBDataset1", ADOQuery1.get());
    rpDBDataset2 = dataset("rpDBDataset2", ADOQuery2.get());
    rpDBDataset3 = dataset("rpDBDataset3", ADOQuery1.get());
    rpDBDataset4 = dataset("rpDBDataset4", ADOQuery3.get());
    // The datasets exist first: the templates name theirs.
    auto report = [this](const char* name, std::string_view resource) {
        auto* r = new TrpReport(Components.get());
        r->SetName(name);
        LoadReportTemplate(*r, resource);
        return r;
    };
    rpReport1 = report("rpReport1", rpOrderSheetTemplate);
    rpReport2 = report("rpReport2", rpWaybillTemplate);
    for (int i = 1; i <= 8; ++i) {
        TrpComponent* memo = rpReport2->FindObject("Memo" + std::to_string(i));
        waybillWidths_.push_back(memo ? memo->Width() : 0);
    }
}

void Tfmain::buildMenus()
{
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件"));
    N3 = app::NamedAction(file, "N3", "设置");
    N6 = app::NamedAction(file, "N6", "修改密码");
    file->addAction(QStringLiteral("在线升级"));  // kept inert, as it always was
    N5 = app::NamedAction(file, "N5", "支持论坛");
    file->addSeparator();
    N2 = app::NamedAction(file, "N2", "退出");
    QMenu* ops = menuBar()->addMenu(QStringLiteral("操作"));
    N11 = app::NamedAction(ops, "N11", "添加出货单");
    QMenu* config = menuBar()->addMenu(QStringLiteral("配置"));
    N21 = app::NamedAction(config, "N21", "产品管理");

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    N22 = app::NamedAction(PopupMenu1, "N22", "修改");
    N25 = app::NamedAction(PopupMenu1, "N25", "打印出库单");
    N10 = app::NamedAction(PopupMenu1, "N10", "打印快递单");
    N16 = app::NamedAction(PopupMenu1, "N16", "添加订单");

    const std::pair<QAction*, void (Tfmain::*)()> handlers[] = {
        {N2, &Tfmain::N2Click},   {N3, &Tfmain::N3Click},   {N5, &Tfmain::N5Click},   {N6, &Tfmain::N6Click},
        {N10, &Tfmain::N10Click}, {N11, &Tfmain::N11Click}, {N16, &Tfmain::N16Click}, {N21, &Tfmain::N21Click},
        {N22, &Tfmain::N22Click}, {N25, &Tfmain::N25Click},
    };
    for (const auto& [action, handler] : handlers)
        connect(action, &QAction::triggered, this, gui::Slot([this, h = handler] { (this->*h)(); }));
}

void Tfmain::buildClient()
{
    auto* central = new QWidget(this);
    auto* outer = new QHBoxLayout(central);
    outer->setContentsMargins(2, 2, 2, 0);
    outer->setSpacing(2);

    trlb = new QTreeWidget(central);
    trlb->setObjectName(QStringLiteral("trlb"));
    trlb->setHeaderHidden(true);
    trlb->setFixedWidth(209);
    trlb->setEditTriggers(QAbstractItemView::NoEditTriggers);
    app::ShowWholeCaptions(trlb);
    // Expanding a node works on that node: select it, then list it.
    connect(trlb, &QTreeWidget::itemExpanded, this, gui::SlotWithArgs([this](QTreeWidgetItem* item) {
                trlb->setCurrentItem(item);
                BrowseTreeNode();
            }));
    outer->addWidget(trlb);

    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    GroupBox1 = new QGroupBox(QStringLiteral("操作区"), central);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setFixedHeight(64);
    auto* bar = new QHBoxLayout(GroupBox1);
    bar->setContentsMargins(8, 2, 8, 4);
    Label11 = app::NamedLabel(GroupBox1, "Label11");
    // The location may be long: it gives way before the window grows.
    Label11->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    bar->addWidget(Label11, 1);
    Button5 = app::NamedButton(GroupBox1, "Button5", "第一页");
    Button3 = app::NamedButton(GroupBox1, "Button3", "上一页");
    Button2 = app::NamedButton(GroupBox1, "Button2", "下一页");
    Button4 = app::NamedButton(GroupBox1, "Button4", "最后一页");
    for (QPushButton* b : {Button5, Button3, Button2, Button4}) bar->addWidget(b);
    bar->addSpacing(12);
    Label2 = app::NamedLabel(GroupBox1, "Label2");
    Label3 = app::NamedLabel(GroupBox1, "Label3");
    Label9 = app::NamedLabel(GroupBox1, "Label9");
    bar->addWidget(app::NamedLabel(GroupBox1, nullptr, QStringLiteral("当前第")));
    bar->addWidget(Label2);
    bar->addWidget(app::NamedLabel(GroupBox1, nullptr, QStringLiteral("页")));
    bar->addSpacing(8);
    bar->addWidget(app::NamedLabel(GroupBox1, nullptr, QStringLiteral("总共")));
    bar->addWidget(Label3);
    bar->addWidget(app::NamedLabel(GroupBox1, nullptr, QStringLiteral("页")));
    bar->addSpacing(8);
    bar->addWidget(app::NamedLabel(GroupBox1, nullptr, QStringLiteral("共有")));
    bar->addWidget(Label9);
    bar->addWidget(app::NamedLabel(GroupBox1, nullptr, QStringLiteral("条数据")));
    connect(Button5, &QPushButton::clicked, this, gui::Slot([this] { Button5Click(); }));
    connect(Button3, &QPushButton::clicked, this, gui::Slot([this] { Button3Click(); }));
    connect(Button2, &QPushButton::clicked, this, gui::Slot([this] { Button2Click(); }));
    connect(Button4, &QPushButton::clicked, this, gui::Slot([this] { Button4Click(); }));
    enablePaging(false);
    right->addWidget(GroupBox1);

    StringGrid1 = new TStringGrid(17, central);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid1, &QWidget::customContextMenuRequested, this,
            gui::SlotWithArgs([this](const QPoint& at) { PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(at)); }));
    connect(StringGrid1, &QTableWidget::cellDoubleClicked, this, gui::Slot([this] { N22Click(); }));
    right->addWidget(StringGrid1, 1);
    outer->addLayout(right, 1);
    setCentralWidget(central);

    Label1 = app::NamedLabel(this, "Label1");
    statusBar()->addWidget(Label1, 1);
}

void Tfmain::enablePaging(bool on)
{
    for (QPushButton* b : {Button5, Button3, Button2, Button4}) b->setEnabled(on);
}

void Tfmain::FormCreate()
{
    trlb->clear();
    app::AddTreeNode(trlb, nullptr, QStringLiteral("产品出库管理系统"), TNode{0, QStringLiteral("Tarvex网络"), TNode::Kind::Root});

    // The rights belong to this computer's row, whoever logs in.
    const QString mac = GetMacAddress();
    QString qx;
    db::Query& user = DM->Read("SELECT yhm, qx, bm FROM zq_yhm WHERE mac=? ORDER BY rowid LIMIT 1", {S(mac)});
    if (!user.eof()) {
        qx = app::FieldText(user, "qx");
        Tag = app::TrimQ(qx).isEmpty() ? 0 : StrToInt(S(qx));
        Label1->setText(QStringLiteral("欢迎") + app::FieldText(user, "bm") + QStringLiteral(":") + app::FieldText(user, "yhm") +
                        QStringLiteral("使用本系统"));
    }
    Cbqx1.clear();
    Cbqx2.clear();
    for (db::Query& km = DM->Read("SELECT id, km FROM zq_km ORDER BY id"); !km.eof(); km.next()) {
        const QString id = app::FieldText(km, "id");
        if (!id.isEmpty() && qx.contains(id)) {
            Cbqx1 << app::FieldText(km, "km");
            Cbqx2 << id;
        }
    }
}

QString Tfmain::GetMacAddress() { return gui::AdapterAddress(); }

void Tfmain::BrowseTreeNode()
{
    enablePaging(false);
    QTreeWidgetItem* node = trlb->currentItem();
    if (!node) return;
    const TNode data = TNode::Of(node);
    const TNode parent = TNode::Of(node->parent());
    if (!data.Is(TNode::Kind::Root)) Label11->setText(QStringLiteral("当前位置：") + parent.name + QStringLiteral(" ") + data.name);

    std::vector<TNode> children;
    switch (data.kind) {
    case TNode::Kind::Root:
        trlbTag = 0;
        if (Tag != 0) {
            for (int i = 0; i < Cbqx1.size() && i < Cbqx2.size(); ++i)
                children.push_back(TNode{StrToInt(S(Cbqx2[i])), Cbqx1[i], TNode::Kind::Category});
        } else {
            children = app::ReadTreeNodes("SELECT * FROM zq_leibie ORDER BY id", {}, "leibie", TNode::Kind::Category);
        }
        app::ReplaceTreeChildren(trlb, node, children);
        CurrentListing = OrdersListing();
        break;
    case TNode::Kind::Category:
    case TNode::Kind::Product: {
        trlbTag = 1;
        const bool category = data.Is(TNode::Kind::Category);
        if (category)
            app::ReplaceTreeChildren(trlb, node, app::ReadTreeNodes("SELECT * FROM zq_cpm WHERE leibie=? ORDER BY id", {S(data.name)}, "cpm", TNode::Kind::Product));
        else
            app::ReplaceTreeChildren(trlb, node, app::ReadTreeNodes("SELECT * FROM zq_cpgg WHERE leibie=? AND cpm=? ORDER BY id", {S(parent.name), S(data.name)}, "cpgg", TNode::Kind::Size));
        StringGrid1->ClearAllRows();
        StringGrid1->SetRowCount(2);
        if (data.name == kTempStore) CurrentListing = OrdersListing();
        else if (category) CurrentListing = LinesListing("leibie=?", {S(data.name)});
        else CurrentListing = LinesListing("cp=?", {S(data.name)});
        break;
    }
    case TNode::Kind::Size: {
        trlbTag = 1;
        const TNode grand = TNode::Of(node->parent() ? node->parent()->parent() : nullptr);
        CurrentListing = LinesListing("leibie=? AND cp=? AND cpgg=?", {S(grand.name), S(parent.name), S(data.name)});
        break;
    }
    case TNode::Kind::None: return;
    }
    PageNo = 1;
    FillOrderGrid();
}

void Tfmain::setGridLayout(TListing::Layout layout)
{
    const GridColumn* cols = columnsOf(layout);
    for (int c = 0; c <= 10; ++c) {
        StringGrid1->SetColWidth(c, cols[c].width);
        StringGrid1->SetCell(c, 0, QString::fromUtf8(cols[c].header));
    }
}

void Tfmain::FillOrderGrid()
{
    enablePaging(true);
    const TListing& listing = CurrentListing;
    if (listing.sql.empty()) return;
    StringGrid1->ClearAllRows();
    StringGrid1->SetRowCount(2);

    RecordCount = DM->Read("SELECT COUNT(*) FROM (" + listing.sql + ") AS listing", listing.params).value(0).asInt64();
    PageCount = static_cast<int>(std::max<int64_t>(1, (RecordCount + kPageSize - 1) / kPageSize));
    if (PageNo < 1) PageNo = 1;
    if (PageNo > PageCount) PageNo = PageCount;
    const int64_t offset = static_cast<int64_t>(PageNo - 1) * kPageSize;

    db::Params params = listing.params;
    params.emplace_back(static_cast<int64_t>(kPageSize));
    params.emplace_back(offset);
    db::Query& q = DM->Read(listing.sql + " " + listing.orderBy + " LIMIT ? OFFSET ?", std::move(params));

    setGridLayout(listing.layout);
    showPagingLabels();
    std::vector<app::GridField> fields;
    const GridColumn* cols = columnsOf(listing.layout);
    for (int c = 1; c <= 10; ++c)
        if (cols[c].field) fields.push_back({c, cols[c].field});
    app::FillGridRows(StringGrid1, q, fields, offset + 1);
    // The designed widths were made for a smaller font: a column widens
    // rather than cut its values (an order number above all).
    for (int c = 1; c <= 10; ++c) StringGrid1->WidenToContents(c);
}

void Tfmain::showPagingLabels()
{
    Label2->setText(Q(IntToStr(PageNo)));
    Label3->setText(Q(IntToStr(PageCount)));
    Label9->setText(Q(IntToStr(RecordCount)));
}

void Tfmain::Button5Click()
{
    PageNo = 1;
    FillOrderGrid();
}

void Tfmain::Button3Click()
{
    --PageNo;
    FillOrderGrid();
}

void Tfmain::Button2Click()
{
    ++PageNo;
    FillOrderGrid();
}

void Tfmain::Button4Click()
{
    PageNo = PageCount;
    FillOrderGrid();
}

QString Tfmain::SelectedOrder() const
{
    const int row = StringGrid1->Row();
    if (row < 1 || row >= StringGrid1->RowCount()) return {};
    return StringGrid1->Cell(2, row);
}

void Tfmain::closeEvent(QCloseEvent* event)
{
    event->accept();
    app::Terminate();
}

void Tfmain::N2Click() { close(); }

void Tfmain::N3Click()
{
    if (!Fsys) return;
    Fsys->LoadSettings();
    gui::ui().showModal(*Fsys);
}

void Tfmain::N5Click() { gui::ui().openUrl(app::kSupportUrl); }

void Tfmain::N6Click()
{
    if (Fxgmm) gui::ui().showModal(*Fxgmm);
}

namespace {

// Points one of the window's own queries at rows and opens it.
void reopen(db::Query* query, std::string sql, db::Params params)
{
    if (!query) return;
    query->close();
    query->setSql(std::move(sql), std::move(params));
    query->open();
}

// The order a print command prints, into ADOQuery1.
const char* const kOrderSql = "SELECT * FROM zq_dd WHERE bh=? ORDER BY id";

// Listed a moment ago, deleted by another workstation since: said, and
// nothing is printed.
bool orderStillThere(const db::Query* order, const QString& bh)
{
    if (!order || !order->isEmpty()) return true;
    gui::ShowMessage(QStringLiteral("订单“") + bh + QStringLiteral("”已不存在（可能已被其他工作站删除），不能打印。"));
    return false;
}

}  // namespace

void Tfmain::N10Click()
{
    const QString bh = SelectedOrder();
    if (bh.isEmpty() || !Fdy) return;
    // The recipient of the waybill.
    DM->Connection();
    reopen(ADOQuery1.get(), kOrderSql, {S(bh)});
    if (!orderStillThere(ADOQuery1.get(), bh)) return;
    Fdy->Open();
    waybillOrder_ = bh;
    Fdy->show();
    Fdy->raise();
    Fdy->activateWindow();
}

void Tfmain::N11Click()
{
    if (!Fluru) return;
    Fluru->PrepareNewOrder();
    gui::ui().showModal(*Fluru);
}

void Tfmain::N16Click() { N11Click(); }

void Tfmain::N21Click()
{
    if (Fchanpin) gui::ui().showModal(*Fchanpin);
}

void Tfmain::N22Click()
{
    const QString bh = SelectedOrder();
    if (bh.isEmpty() || !Fluru) return;
    if (Fluru->PrepareEditOrder(bh)) gui::ui().showModal(*Fluru);
}

void Tfmain::N25Click()
{
    const QString bh = SelectedOrder();
    if (bh.isEmpty()) return;
    {
        // The order and its lines as one state, whatever another
        // workstation saves meanwhile.
        db::Transaction reading(DM->Connection(), db::Transaction::Kind::Read);
        reopen(ADOQuery1.get(), kOrderSql, {S(bh)});
        reopen(ADOQuery2.get(), "SELECT * FROM zq_ddmx WHERE bh=? ORDER BY id", {S(bh)});
        reading.commit();
    }
    if (!orderStillThere(ADOQuery1.get(), bh)) return;
    PrintOrderSheet();
}

// ---- Printing

namespace {

const QString kNoCompany = QStringLiteral("请先在“文件 → 设置”中填写企业信息，再打印出库单。");

// Which layout pair places each text of the waybill: the addresses by the
// address pairs, the telephones by the telephone pairs, as the layout form
// labels them.
struct WaybillText {
    const char* memo;
    const char* x;
    const char* y;
};
const WaybillText kWaybillTexts[] = {
    {"Memo1", "jjrx", "jjry"},   {"Memo2", "jjdwx", "jjdwy"}, {"Memo3", "jjdzx", "jjdzy"}, {"Memo4", "jjdhx", "jjdhy"},
    {"Memo5", "sjrx", "sjry"},   {"Memo6", "sjdwx", "sjdwy"}, {"Memo7", "sjdzx", "sjdzy"}, {"Memo8", "sjdhx", "sjdhy"},
};

// A stored coordinate in centimetres as report units. Empty is 0, as the
// layout form stores it; anything else that is no number raises.
Extended Centimetres(const QString& text)
{
    const std::string trimmed = S(app::TrimQ(text));
    return trimmed.empty() ? 0 : StrToFloat(trimmed) * rp1cm;
}

// The texts set here are company data: a "[" in a name or an address is
// printed, never computed as an expression of the report.
void SetMemoText(TrpReport& report, const char* name, const QString& text)
{
    if (auto* memo = dynamic_cast<TrpMemoView*>(report.FindObject(name))) {
        memo->AllowExpressions = false;
        memo->SetText(text.toStdU16String());
    }
}

}  // namespace

void Tfmain::PrintOrderSheet()
{
    if (!rpReport1) return;
    db::Query& config = DM->Read("SELECT khmc, dz, lxdh FROM config ORDER BY rowid LIMIT 1");
    if (config.eof()) {
        gui::ShowMessage(kNoCompany);
        return;
    }
    const QString title = app::FieldText(config, "khmc") + QStringLiteral("发货单");
    const QString contact = QStringLiteral("联系电话：") + app::FieldText(config, "lxdh") + QStringLiteral("       地址：") +
                            app::FieldText(config, "dz");
    // Its errors were shown once; a second preparation would show them again.
    if (!rpReport1->PrepareReport(true)) return;
    SetMemoText(*rpReport1, "Memo1", title);
    SetMemoText(*rpReport1, "Memo23", contact);
    rpReport1->ShowReport(true);
}

namespace {

// The waybill's paper and printable area in report units, from the
// template's page.
struct WaybillPaper {
    Extended left = 0, top = 0, width = 0, height = 0, paperRight = 0, paperBottom = 0;
};

WaybillPaper paperOf(TrpReport* report)
{
    WaybillPaper p;
    TrpReportPage* page = nullptr;
    for (int i = 0; report && i < report->PagesCount() && !page; ++i) page = dynamic_cast<TrpReportPage*>(report->Pages(i));
    if (!page) return p;
    const Extended mm = rp1cm / 10;
    p.left = -page->LeftMargin * mm;
    p.top = -page->TopMargin * mm;
    p.width = (page->PaperWidth() - page->LeftMargin - page->RightMargin) * mm;
    p.height = (page->PaperHeight() - page->TopMargin - page->BottomMargin) * mm;
    p.paperRight = p.width + page->RightMargin * mm;
    p.paperBottom = p.height + page->BottomMargin * mm;
    return p;
}

// A limit in centimetres, to a tenth towards the inside of the range.
Extended tenthsOf(Extended units, bool up) { return (up ? std::ceil(units / rp1cm * 10) : std::floor(units / rp1cm * 10)) / 10; }

}  // namespace

std::string Tfmain::WaybillPlaceError(std::size_t index, Extended x, Extended y, bool* badY) const
{
    if (index >= waybillWidths_.size() || !rpReport2) return {};
    const WaybillPaper paper = paperOf(rpReport2);
    const TrpComponent* memo = rpReport2->FindObject("Memo" + std::to_string(index + 1));
    const Extended line = memo ? memo->Height() : 0;
    const Extended minX = tenthsOf(paper.left, true), maxX = tenthsOf(paper.width - rp1cm, false);
    const Extended minY = tenthsOf(paper.top, true), maxY = tenthsOf(paper.paperBottom - line, false);
    // Centimetres come back from report units a hair off.
    constexpr Extended e = 1e-9L;
    const bool xOff = x < minX - e || x > maxX + e, yOff = y < minY - e || y > maxY + e;
    if (badY) *badY = !xOff && yOff;
    if (!xOff && !yOff) return {};
    return std::string(TFdy::kRowLabels[index]) + "（横 " + FloatToStr(x) + "，纵 " + FloatToStr(y) +
           " 厘米）超出了快递单的纸张，文字会印不全。横坐标请在 " + FloatToStr(minX) + " 到 " + FloatToStr(maxX) +
           " 之间，纵坐标请在 " + FloatToStr(minY) + " 到 " + FloatToStr(maxY) + " 之间。";
}

void Tfmain::PrintWaybill(const QString& id)
{
    if (!rpReport2) return;
    db::Query& layout = DM->Read("SELECT * FROM zq_kd WHERE id=? ORDER BY id LIMIT 1", {S(id)});
    if (layout.eof()) return;
    struct Place {
        const char* memo;
        Extended left, top;
    };
    std::vector<Place> places;
    for (const WaybillText& t : kWaybillTexts)
        places.push_back({t.memo, Centimetres(app::FieldText(layout, t.x)), Centimetres(app::FieldText(layout, t.y))});
    // A layout stored before its places were checked.
    for (std::size_t i = 0; i < places.size(); ++i) {
        const std::string why = WaybillPlaceError(i, places[i].left / rp1cm, places[i].top / rp1cm);
        if (!why.empty()) return app::RefuseWithError(nullptr, why);
    }
    // The order sheet may have loaded another order into the recipient's
    // query, or left it at its end; the company row is read as it stands now.
    if (!waybillOrder_.isEmpty()) {
        reopen(ADOQuery1.get(), kOrderSql, {S(waybillOrder_)});
        if (!orderStillThere(ADOQuery1.get(), waybillOrder_)) return;
    } else if (ADOQuery1 && ADOQuery1->active()) {
        ADOQuery1->first();
    }
    if (ADOQuery3) ADOQuery3->close();
    if (!rpReport2->PrepareReport(true)) return;
    // A box running past the printable area's right edge ends there: its
    // text is set smaller to fit it, never printed off the paper.
    const Extended right = paperOf(rpReport2).width;
    for (std::size_t i = 0; i < places.size(); ++i)
        if (TrpComponent* memo = rpReport2->FindObject(places[i].memo)) {
            memo->SetTop(places[i].top);
            memo->SetLeft(places[i].left);
            if (i < waybillWidths_.size()) memo->SetWidth(std::min(waybillWidths_[i], right - places[i].left));
        }
    rpReport2->ShowReport(true);
}
