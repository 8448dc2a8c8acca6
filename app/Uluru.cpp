#include "Uluru.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <map>
#include <set>

#include "AppCommon.h"
#include "DATAM.h"
#include "FormKit.h"
#include "Guard.h"
#include "StringGrid.h"
#include "SysUtils.h"
#include "UiServices.h"

TFluru* Fluru = nullptr;

using app::Q;
using app::S;

namespace {

constexpr int kGridCols = 9;
const char* const kGridHeaders[kGridCols] = {"编号", "类别", "品种", "规格", "单价", "数量", "单位", "金额", "备注"};
// Grid columns 1 to 8 and the zq_ddmx columns they are stored in.
const char* const kLineFields[] = {"leibie", "cp", "cpgg", "dj", "sl", "dw", "je", "bz"};
// A cell past the shown columns moves with its row: the stored line's id,
// empty for a line added on the form. Saving re-inserts the lines, and a
// line carried over keeps its added time (tjsj) through it.
constexpr int kLineIdCol = kGridCols;
constexpr int kRowCols = kGridCols + 1;

std::string orderNumber(TDateTime at) { return "ZEZO-" + FormatDateTime("yyyy-mm-dd-HHMMSS", at); }

// Two orders begun in the same second would share a number: a new order
// takes the first second from its own on whose number is still free. The
// numbers taken in the day after it come in one read (they sort as their
// times do).
std::string freeOrderNumber(const std::string& typed, TDateTime madeAt)
{
    const std::string first = orderNumber(madeAt), last = orderNumber(madeAt + 1.0);
    std::set<std::string> taken;
    for (db::Query& q = DM->Read("SELECT bh FROM zq_dd WHERE (bh >= ? AND bh <= ?) OR bh = ?", {first, last, typed}); !q.eof(); q.next())
        taken.insert(UpperCase(q.value(0).asText()));
    std::string number = typed;
    for (int k = 1; taken.count(UpperCase(number)); ++k) {
        if (k > 86400) throw EDatabaseError("没有可用的订单编号。");
        number = orderNumber(madeAt + static_cast<TDateTime>(k) / 86400.0);
    }
    return number;
}

// The columns a save writes, order and lines, in the order it writes them.
const char* const kSavedOrderColumns = "khmc,khdz,lxdh,lxr,zdr,kssj,zk,zsl,je,je2,bz,fjmc,fjje,xsd";
const char* const kSavedLineColumns = "leibie,cp,cpgg,dj,sl,dw,je,bz,khmc,tjsj";

// The stored order of that number as a save would have written it; its id
// and number as stored go to `id` and `storedBh`. `lock` keeps another
// workstation from saving it until this transaction ends.
std::optional<TFluru::StoredOrder> readStoredOrder(const std::string& bh, bool lock, int64_t* id = nullptr, std::string* storedBh = nullptr)
{
    db::Query& order = DM->Read(std::string("SELECT id, bh, ") + kSavedOrderColumns + " FROM zq_dd WHERE bh=? ORDER BY id LIMIT 1" +
                                    (lock ? " FOR UPDATE" : ""),
                                {bh});
    if (order.eof()) return std::nullopt;
    TFluru::StoredOrder stored;
    for (int i = 2; i < order.fieldCount(); ++i) stored.order.push_back(order.value(i));
    if (id) *id = order.value(0).asInt64();
    const std::string number = order.value(1).asText();
    if (storedBh) *storedBh = number;
    for (db::Query& q = DM->Read(std::string("SELECT ") + kSavedLineColumns + " FROM zq_ddmx WHERE bh=? ORDER BY id", {number}); !q.eof();
         q.next()) {
        std::vector<db::Value> line;
        for (int i = 0; i < q.fieldCount(); ++i) line.push_back(q.value(i));
        stored.lines.push_back(std::move(line));
    }
    return stored;
}

// The edited order changed in the database since the form read it.
DORVAK_DECLARE_EXCEPTION(EOrderChanged, EDatabaseError)

void setDate(QDateEdit* picker, TDateTime date)
{
    int y, m, d;
    DecodeDate(date, y, m, d);
    const QSignalBlocker quiet(picker);  // a date set by the program runs no handler
    picker->setDate(QDate(y, m, d));
}

// The item a picker has selected: the current one while its text is
// shown, else the item whose text was typed; -1 for free text.
int selectedIndex(const QComboBox* box)
{
    const int current = box->currentIndex();
    if (current >= 0 && box->itemText(current) == box->currentText()) return current;
    return box->findText(box->currentText(), Qt::MatchFixedString | Qt::MatchCaseSensitive);
}

void refill(QComboBox* box, db::Query& q, const char* field)
{
    box->clear();
    QStringList items;
    for (; !q.eof(); q.next()) items << app::FieldText(q, field);
    box->addItems(items);
}

// A picker's handler runs when the user picks an item or types.
template <class Handler>
void onUserChange(QComboBox* box, QObject* receiver, Handler handler)
{
    QObject::connect(box, &QComboBox::activated, receiver, gui::Slot(handler));
    if (box->lineEdit()) QObject::connect(box->lineEdit(), &QLineEdit::textEdited, receiver, gui::Slot(handler));
}

}  // namespace

TFluru::TFluru(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Fluru"));
    setWindowTitle(QStringLiteral("订单录入"));
    buildForm();
}

void TFluru::buildForm()
{
    using namespace app;
    auto* outer = new QVBoxLayout(this);

    auto* head = new QGridLayout;
    // A name field with its picker of earlier names beside it.
    auto pair = [this](QWidget* a, QWidget* b) {
        auto* box = new QWidget(this);
        auto* row = new QHBoxLayout(box);
        row->setContentsMargins(0, 0, 0, 0);
        row->setSpacing(2);
        row->addWidget(a, 1);
        row->addWidget(b, 1);
        return box;
    };
    Ed_bh = NamedEdit(this, "Ed_bh", true);
    DateTimePicker1 = new QDateEdit(this);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker1->setCalendarPopup(true);
    DateTimePicker1->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    Ed_kssj = NamedEdit(this, "Ed_kssj");
    Ed_kssj->hide();
    Ed_khmc = NamedEdit(this, "Ed_khmc");
    Cb_kh = NamedCombo(this, "Cb_kh", true);
    ed_lxr = NamedEdit(this, "ed_lxr");
    Ed_khdz = NamedEdit(this, "Ed_khdz");
    Ed_lxdh = NamedEdit(this, "Ed_lxdh");
    Ed_zdr = NamedEdit(this, "Ed_zdr");
    cb_zdr = NamedCombo(this, "cb_zdr", true);
    Ed_fjmc = NamedEdit(this, "Ed_fjmc");
    Ed_fjje = NamedEdit(this, "Ed_fjje");
    M_bz = NamedMemo(this, "M_bz");
    M_bz->setFixedHeight(48);

    // Two labelled fields a row.
    const std::pair<const char*, QWidget*> fields[][2] = {
        {{"系统编号", Ed_bh}, {"下单时间", DateTimePicker1}},
        {{"客户名称", pair(Ed_khmc, Cb_kh)}, {"联系人", ed_lxr}},
        {{"客户地址", Ed_khdz}, {"联系电话", Ed_lxdh}},
        {{"制单人", pair(Ed_zdr, cb_zdr)}, {nullptr, nullptr}},
        {{"附加款项名称", Ed_fjmc}, {"附加款项金额", Ed_fjje}},
    };
    int row = 0;
    for (const auto& line : fields) {
        for (int half = 0; half < 2; ++half) {
            const auto& [text, widget] = line[half];
            if (!text) continue;
            head->addWidget(new QLabel(QString::fromUtf8(text), this), row, 2 * half);
            head->addWidget(widget, row, 2 * half + 1);
        }
        ++row;
    }
    head->addWidget(new QLabel(QStringLiteral("其他说明"), this), row, 0, Qt::AlignTop);
    head->addWidget(M_bz, row, 1, 1, 3);
    head->setColumnStretch(1, 3);
    head->setColumnStretch(3, 2);
    outer->addLayout(head);

    auto* lines = new QGroupBox(QStringLiteral("订奶信息"), this);
    auto* lg = new QVBoxLayout(lines);
    Cb_lb = NamedCombo(lines, "Cb_lb", true);
    Cb_pz = NamedCombo(lines, "Cb_pz", true);
    Cb_gg = NamedCombo(lines, "Cb_gg", true);
    Ed_dj = NamedEdit(lines, "Ed_dj");
    Ed_dj->setText(QStringLiteral("0"));
    Ed_mrsl = NamedEdit(lines, "Ed_mrsl");
    Ed_mrsl->setText(QStringLiteral("1"));
    Ed_dw = NamedEdit(lines, "Ed_dw");
    Ed_bz = NamedEdit(lines, "Ed_bz");
    Button7 = NamedButton(lines, "Button7", "添加");
    Button8 = NamedButton(lines, "Button8", "清空列表");
    auto labelled = [lines](QHBoxLayout* row, const char* text, QWidget* w, int stretch) {
        row->addWidget(new QLabel(QString::fromUtf8(text), lines));
        row->addWidget(w, stretch);
        row->addSpacing(6);
    };
    auto* pickers = new QHBoxLayout;
    labelled(pickers, "产品类别", Cb_lb, 1);
    labelled(pickers, "品种", Cb_pz, 1);
    labelled(pickers, "规格", Cb_gg, 1);
    lg->addLayout(pickers);
    auto* entry = new QHBoxLayout;
    labelled(entry, "单价", Ed_dj, 1);
    labelled(entry, "数量", Ed_mrsl, 1);
    labelled(entry, "单位", Ed_dw, 1);
    labelled(entry, "备注", Ed_bz, 2);
    entry->addWidget(Button7);
    entry->addWidget(Button8);
    lg->addLayout(entry);
    StringGrid1 = new TStringGrid(kGridCols, lines);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->SetColWidth(0, 40);
    for (int c = 1; c < kGridCols; ++c) StringGrid1->SetColWidth(c, 80);
    StringGrid1->SetColWidth(3, 100);
    StringGrid1->SetColWidth(8, 140);
    StringGrid1->setMinimumHeight(200);
    for (int c = 0; c < kGridCols; ++c) StringGrid1->SetCell(c, 0, QString::fromUtf8(kGridHeaders[c]));
    lg->addWidget(StringGrid1, 1);
    PopupMenu1 = new QMenu(this);
    N1 = NamedAction(PopupMenu1, "N1", "删除当前行");
    StringGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(StringGrid1, &QWidget::customContextMenuRequested, this,
            gui::SlotWithArgs([this](const QPoint& at) { PopupMenu1->popup(StringGrid1->viewport()->mapToGlobal(at)); }));
    outer->addWidget(lines, 1);

    auto* totals = new QHBoxLayout;
    Ed_zsl = NamedEdit(this, "Ed_zsl", true);
    Cb_zk = NamedCombo(this, "Cb_zk", false);
    Ed_zk = NamedEdit(this, "Ed_zk", true);
    Ed_lbqh = NamedEdit(this, "Ed_lbqh");
    Ed_lbqh->setText(QStringLiteral("0"));
    Ed_zje = NamedEdit(this, "Ed_zje");
    Ed_zje2 = NamedEdit(this, "Ed_zje2", true);
    const std::pair<const char*, QWidget*> sums[] = {{"总数量", Ed_zsl}, {"折扣", Cb_zk},     {nullptr, Ed_zk},
                                                     {"列表求和", Ed_lbqh}, {"实收总金额", Ed_zje}, {"实际总金额", Ed_zje2}};
    // The three amounts hold ten digits and two decimals whole; the
    // quantity and the factor take less.
    const int amount = Ed_zje->fontMetrics().horizontalAdvance(QStringLiteral("0000000000.00")) + 16;
    for (QLineEdit* e : {Ed_lbqh, Ed_zje, Ed_zje2}) e->setMinimumWidth(amount);
    for (QLineEdit* e : {Ed_zsl, Ed_zk}) e->setMinimumWidth(Ed_zsl->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 16);
    for (const auto& [text, w] : sums) {
        if (text) totals->addWidget(new QLabel(QString::fromUtf8(text), this));
        totals->addWidget(w, w == Ed_lbqh || w == Ed_zje || w == Ed_zje2 ? 3 : 2);
    }
    outer->addLayout(totals);

    auto* buttons = new QHBoxLayout;
    Button1 = NamedButton(this, "Button1", "保存关闭");
    Button3 = NamedButton(this, "Button3", "取消");
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button3);
    outer->addLayout(buttons);

    onUserChange(Cb_lb, this, [this] { Cb_lbChange(); });
    onUserChange(Cb_pz, this, [this] { Cb_pzChange(); });
    onUserChange(Cb_gg, this, [this] { Cb_ggChange(); });
    onUserChange(Cb_zk, this, [this] { Cb_zkChange(); });
    onUserChange(Cb_kh, this, [this] { Cb_khChange(); });
    onUserChange(cb_zdr, this, [this] { cb_zdrChange(); });
    // An edit's change handler runs on every change, the program's too.
    connect(Ed_zk, &QLineEdit::textChanged, this, gui::Slot([this] { Ed_zkChange(); }));
    connect(Ed_lbqh, &QLineEdit::textChanged, this, gui::Slot([this] { Ed_lbqhChange(); }));
    connect(DateTimePicker1, &QDateEdit::dateChanged, this, gui::Slot([this] { DateTimePicker1Change(); }));
    connect(Button7, &QPushButton::clicked, this, gui::Slot([this] { Button7Click(); }));
    connect(Button8, &QPushButton::clicked, this, gui::Slot([this] { Button8Click(); }));
    connect(N1, &QAction::triggered, this, gui::Slot([this] { N1Click(); }));
    connect(Button1, &QPushButton::clicked, this, gui::Slot([this] { Button1Click(); }));
    connect(Button3, &QPushButton::clicked, this, gui::Slot([this] { Button3Click(); }));
    resize(820, 640);
}

// ---- Preparation

void TFluru::prepareCommon(bool editing)
{
    for (QLineEdit* e : {Ed_bh, Ed_khmc, Ed_khdz, Ed_lxdh, Ed_zdr, Ed_kssj, Ed_fjmc, Ed_fjje, ed_lxr}) e->clear();
    M_bz->clear();
    // The previous order's list total must not price this one.
    Ed_lbqh->setText(QStringLiteral("0"));
    for (QLineEdit* e : {Ed_zsl, Ed_zje, Ed_zje2}) e->setText(QStringLiteral("0"));

    for (QComboBox* c : {Cb_pz, Cb_gg, Cb_lb, Cb_zk, Cb_kh, cb_zdr}) c->clear();
    Cb_khid.clear();
    refill(Cb_lb, DM->Read("SELECT leibie FROM zq_leibie ORDER BY id"), "leibie");
    Cb_lb->setCurrentIndex(Cb_lb->count() ? 0 : -1);
    if (!editing) fillCustomerPickers();
    refill(Cb_zk, DM->Read("SELECT zkmc FROM zq_zk ORDER BY rowid"), "zkmc");
    Cb_zk->setCurrentIndex(Cb_zk->count() ? 0 : -1);
    // The category change runs the product and 规格 changes.
    Cb_lbChange();
    Cb_zkChange();

    orderTime_ = Now();
    setDate(DateTimePicker1, orderTime_);
    DateTimePicker1Change();
    Tag = 0;
    // The number shown is the one the order will be stored under.
    if (!editing) Ed_bh->setText(Q(freeOrderNumber(orderNumber(orderTime_), orderTime_)));

    for (int r = 1; r < StringGrid1->RowCount(); ++r) StringGrid1->ClearRow(r);
    LineCounter = 1;
    setResult(QDialog::Rejected);
    Ed_khmc->setFocus();
}

void TFluru::fillCustomerPickers()
{
    Cb_kh->clear();
    Cb_khid.clear();
    db::Query& q = DM->Read("SELECT MIN(id) AS khid, khmc, khdz, lxdh FROM zq_dd GROUP BY khmc, khdz, lxdh"
                            " ORDER BY khmc COLLATE PINYIN, khdz COLLATE PINYIN, lxdh COLLATE PINYIN");
    QStringList names;
    for (; !q.eof(); q.next()) {
        names << app::FieldText(q, "khmc");
        Cb_khid << app::FieldText(q, "khid");
    }
    Cb_kh->addItems(names);
    Cb_kh->setCurrentIndex(-1);
    refill(cb_zdr, DM->Read("SELECT zdr FROM zq_dd GROUP BY zdr ORDER BY zdr COLLATE PINYIN"), "zdr");
    cb_zdr->setCurrentIndex(-1);
}

void TFluru::PrepareNewOrder()
{
    prepareCommon(false);
    opened_.reset();
    unsure_.clear();
}

bool TFluru::PrepareEditOrder(const QString& bh)
{
    prepareCommon(true);
    unsure_.clear();
    // The fields and what a save compares them with, from one state of the
    // database.
    db::Transaction reading(DM->Connection(), db::Transaction::Kind::Read);
    opened_ = readStoredOrder(S(bh), false);
    db::Query& order = DM->Read("SELECT * FROM zq_dd WHERE bh=? ORDER BY id LIMIT 1", {S(bh)});
    if (order.eof()) {
        // Listed a moment ago, deleted by another workstation since.
        gui::ShowMessage(Q("订单“" + S(bh) + "”已不存在（可能已被其他工作站删除）。"));
        return false;
    }
    auto text = [&order](const char* field) { return app::FieldText(order, field); };
    const std::pair<QLineEdit*, const char*> fields[] = {{Ed_bh, "bh"},   {Ed_khmc, "khmc"}, {Ed_khdz, "khdz"}, {Ed_lxdh, "lxdh"},
                                                         {ed_lxr, "lxr"}, {Ed_zdr, "zdr"},   {Ed_kssj, "kssj"}, {Ed_fjmc, "fjmc"},
                                                         {Ed_fjje, "fjje"}};
    for (const auto& [edit, field] : fields) edit->setText(text(field));
    M_bz->setPlainText(text("bz"));
    const QString zsl = text("zsl"), je = text("je"), je2 = text("je2");
    const std::string kssj = S(Ed_kssj->text());

    // The stored discount, when it is still listed, with its factor.
    const int discount = Cb_zk->findText(text("zk"), Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (discount >= 0) {
        Cb_zk->setCurrentIndex(discount);
        Cb_zkChange();
    }
    TDateTime date;
    if (TryStrToDate(Trim(kssj), date)) setDate(DateTimePicker1, date);

    db::Query& lines = DM->Read("SELECT * FROM zq_ddmx WHERE bh=? ORDER BY id", {S(bh)});
    StringGrid1->ClearAllRows();
    StringGrid1->SetRowCount(2);
    for (int c = 0; c < kGridCols; ++c) StringGrid1->SetCell(c, 0, QString::fromUtf8(kGridHeaders[c]));
    std::vector<app::GridField> columns;
    for (int c = 1; c < kGridCols; ++c) columns.push_back({c, kLineFields[c - 1]});
    columns.push_back({kLineIdCol, "id"});
    app::FillGridRows(StringGrid1, lines, columns, 1);
    LineCounter = static_cast<int>(lines.recordCount()) + 1;
    reading.commit();

    // The change handlers recompute the amounts; the stored ones win.
    Ed_lbqh->setText(je2);
    Ed_zsl->setText(zsl);
    Ed_zje->setText(je);
    Ed_zje2->setText(je2);
    Tag = 1;
    fillCustomerPickers();
    return true;
}

// ---- Pickers

void TFluru::Cb_lbChange()
{
    refill(Cb_pz, DM->Read("SELECT cpm FROM zq_cpm WHERE leibie=? ORDER BY id", {S(Cb_lb->currentText())}), "cpm");
    Cb_pz->setCurrentIndex(Cb_pz->count() ? 0 : -1);
    Cb_pzChange();
    Cb_ggChange();
}

void TFluru::Cb_pzChange()
{
    refill(Cb_gg, DM->Read("SELECT cpgg FROM zq_cpgg WHERE leibie=? AND cpm=? ORDER BY id", {S(Cb_lb->currentText()), S(Cb_pz->currentText())}),
           "cpgg");
    Cb_gg->setCurrentIndex(Cb_gg->count() ? 0 : -1);
    Cb_ggChange();
}

void TFluru::Cb_ggChange()
{
    db::Query& q = DM->Read("SELECT dw, js, jg FROM zq_cpgg WHERE leibie=? AND cpm=? AND cpgg=? ORDER BY id LIMIT 1",
                            {S(Cb_lb->currentText()), S(Cb_pz->currentText()), S(Cb_gg->currentText())});
    if (q.eof()) return;
    const std::pair<QLineEdit*, const char*> fields[] = {{Ed_dw, "dw"}, {Ed_bz, "js"}, {Ed_dj, "jg"}};
    for (const auto& [edit, field] : fields)
        if (auto v = app::FieldTextIfNotNull(q, field)) edit->setText(*v);
}

void TFluru::Cb_khChange()
{
    const int index = selectedIndex(Cb_kh);
    if (index < 0 || index >= Cb_khid.size()) return;  // free text picks no customer
    for (QLineEdit* e : {Ed_khmc, Ed_khdz, Ed_lxdh, ed_lxr}) e->clear();
    for (db::Query& q = DM->Read("SELECT * FROM zq_dd WHERE id=?", {StrToInt64(S(Cb_khid[index]))}); !q.eof(); q.next()) {
        Ed_khmc->setText(app::FieldText(q, "khmc"));
        Ed_khdz->setText(app::FieldText(q, "khdz"));
        Ed_lxdh->setText(app::FieldText(q, "lxdh"));
        if (auto v = app::FieldTextIfNotNull(q, "lxr")) ed_lxr->setText(*v);
    }
}

void TFluru::cb_zdrChange() { Ed_zdr->setText(cb_zdr->currentText()); }

void TFluru::DateTimePicker1Change()
{
    const QDate d = DateTimePicker1->date();
    Ed_kssj->setText(Q(DateToStr(EncodeDate(d.year(), d.month(), d.day()))));
}

// ---- Amounts

void TFluru::Cb_zkChange()
{
    db::Query& q = DM->Read("SELECT zk FROM zq_zk WHERE zkmc=? ORDER BY rowid LIMIT 1", {S(Cb_zk->currentText())});
    if (!q.eof()) Ed_zk->setText(app::FieldText(q, "zk"));
}

void TFluru::Ed_zkChange()
{
    const std::string zk = Trim(S(Ed_zk->text()));
    const std::string total = Trim(S(Ed_lbqh->text()));
    if (zk.empty() || total.empty()) return;
    Ed_zje->setText(Q(FloatToStr(StrToFloat(zk) * StrToFloat(total))));
    Ed_zje2->setText(Ed_lbqh->text());
}

void TFluru::Ed_lbqhChange() { Ed_zkChange(); }

// ---- Lines

bool TFluru::isLine(int row) const
{
    for (int c = 1; c < kGridCols; ++c)
        if (!StringGrid1->Cell(c, row).isEmpty()) return true;
    return false;
}

void TFluru::recomputeTotals()
{
    int64_t quantity = 0;
    Extended total = 0;
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
        if (!isLine(r)) continue;
        const std::string sl = S(StringGrid1->Cell(5, r));
        quantity += StrToInt(sl);
        total += StrToFloat(sl) * StrToFloat(S(StringGrid1->Cell(4, r)));
    }
    Ed_lbqh->setText(Q(FloatToStr(total)));
    Ed_zsl->setText(Q(IntToStr(quantity)));
}

void TFluru::renumberLines()
{
    for (int r = 1; r < StringGrid1->RowCount(); ++r) StringGrid1->SetCell(0, r, isLine(r) ? Q(IntToStr(r)) : QString());
}

void TFluru::Button7Click()
{
    if (Ed_mrsl->text().isEmpty()) return;
    // Checked before the grid changes, so that a refused line leaves no trace.
    Extended price = 0;
    int32_t quantity = 0;
    try {
        price = StrToFloat(S(Ed_dj->text()));
    } catch (const EConvertError& e) {
        return app::RefuseWithError(Ed_dj, e.message());
    }
    try {
        quantity = StrToInt(S(Ed_mrsl->text()));
    } catch (const EConvertError& e) {
        return app::RefuseWithError(Ed_mrsl, e.message());
    }

    for (int c = 0; c < kGridCols; ++c) StringGrid1->SetCell(c, 0, QString::fromUtf8(kGridHeaders[c]));
    StringGrid1->SetRowCount(LineCounter + 1);
    const int r = LineCounter;
    const QString cells[kGridCols] = {Q(IntToStr(r)),   Cb_lb->currentText(), Cb_pz->currentText(),
                                      Cb_gg->currentText(), Ed_dj->text(),    Ed_mrsl->text(),
                                      Ed_dw->text(),    Q(FloatToStr(price * quantity)), Ed_bz->text()};
    for (int c = 0; c < kGridCols; ++c) StringGrid1->SetCell(c, r, cells[c]);
    StringGrid1->SetCell(kLineIdCol, r, QString());
    ++LineCounter;
    recomputeTotals();
}

void TFluru::Button8Click()
{
    for (int r = 1; r < StringGrid1->RowCount(); ++r) StringGrid1->ClearRow(r);
    LineCounter = 1;
    Ed_lbqh->setText(QStringLiteral("0"));
    Ed_zsl->setText(QStringLiteral("0"));
}

void TFluru::N1Click()
{
    const int row = StringGrid1->Row();
    if (row < 1) return;
    if (gui::ui().messageBox(QStringLiteral("要删除：") + StringGrid1->Cell(2, row), QStringLiteral("提示"), gui::MsgButtons::OkCancel,
                             gui::MsgIcon::None) != gui::MsgResult::Ok)
        return;
    DeleteGridRow(StringGrid1->SelectionTop());
    LineCounter = std::max(1, LineCounter - 1);
    renumberLines();
    recomputeTotals();
}

void TFluru::DeleteGridRow(int row)
{
    const int count = StringGrid1->RowCount();
    if (row < 1 || row >= count) return;
    const int last = count - 1;
    for (int r = row; r < last; ++r)
        for (int c = 0; c < kRowCols; ++c) StringGrid1->SetCell(c, r, StringGrid1->Cell(c, r + 1));
    // The vacated row must not come back when the grid grows again.
    StringGrid1->ClearRow(last);
    if (row < last || count >= 3) StringGrid1->SetRowCount(count - 1);
}

// ---- Save

void TFluru::saveOrder()
{
    const QString khmc = app::TrimQ(Ed_khmc->text());
    const std::vector<db::Value> fields = {S(khmc),
                                           S(app::TrimQ(Ed_khdz->text())),
                                           S(app::TrimQ(Ed_lxdh->text())),
                                           S(app::TrimQ(ed_lxr->text())),
                                           S(app::TrimQ(Ed_zdr->text())),
                                           S(app::TrimQ(Ed_kssj->text())),
                                           S(app::TrimQ(Cb_zk->currentText())),
                                           S(app::TrimQ(Ed_zsl->text())),
                                           S(app::TrimQ(Ed_zje->text())),
                                           S(app::TrimQ(Ed_zje2->text())),
                                           S(app::TrimQ(M_bz->toPlainText())),
                                           S(app::TrimQ(Ed_fjmc->text())),
                                           S(app::TrimQ(Ed_fjje->text())),
                                           ""};
    // Another workstation may store the number between our look and our
    // insert: the unique index refuses the second, which tries the next.
    constexpr int kAttempts = 50;
    for (int attempt = 1;; ++attempt) {
        try {
            return saveOnce(S(app::TrimQ(Ed_bh->text())), fields);
        } catch (const EUniqueViolation&) {
            if (Tag != 0 || attempt == kAttempts) throw;
        }
    }
}

void TFluru::saveOnce(const std::string& typedBh, const std::vector<db::Value>& fields)
{
    std::string bh = typedBh;
    // The order, the removal of its old lines and the new lines stand or
    // fall together.
    db::Transaction transaction(DM->Connection());
    // A save whose answer was lost may have been stored: then this one
    // changes that order instead of storing it twice.
    if (Tag == 0)
        for (const auto& [number, content] : unsure_)
            if (auto stored = readStoredOrder(number, true); stored && *stored == content) {
                Tag = 1;
                opened_ = stored;
                bh = number;
                Ed_bh->setText(Q(number));
                break;
            }
    std::string storedBh;
    int64_t id = 0;
    std::map<std::string, db::Value> addedAt;  // stored line id -> its tjsj
    if (Tag != 0) {
        auto stored = readStoredOrder(bh, true, &id, &storedBh);
        if (!stored) throw EDatabaseError("订单“" + bh + "”已不存在（可能已被删除），没有保存。");
        const bool ours = std::any_of(unsure_.begin(), unsure_.end(), [&](const auto& u) { return SameText(u.first, storedBh) && u.second == *stored; });
        if (opened_ && *stored != *opened_ && !ours)
            throw EOrderChanged("订单“" + storedBh + "”在你打开之后已被其他工作站修改，本次没有保存。");
        for (db::Query& q = DM->Read("SELECT id, tjsj FROM zq_ddmx WHERE bh=?", {storedBh}); !q.eof(); q.next())
            addedAt.emplace(q.value(0).asText(), q.value(1));
    } else {
        storedBh = freeOrderNumber(bh, orderTime_);
    }
    // What this save stores, known before any of it is written.
    StoredOrder written{fields, {}};
    // New lines are stamped by the program's clock, as the order number is.
    const std::string now = FormatDateTime("yyyy-mm-dd hh:nn:ss", Now());
    for (int r = 1; r < StringGrid1->RowCount(); ++r) {
        if (!isLine(r)) continue;
        std::vector<db::Value> line;
        for (int c = 1; c < kGridCols; ++c) line.emplace_back(S(StringGrid1->Cell(c, r)));
        line.push_back(fields[0]);  // the customer
        const auto kept = addedAt.find(S(StringGrid1->Cell(kLineIdCol, r)));
        line.push_back(kept != addedAt.end() ? kept->second : db::Value(now));
        written.lines.push_back(std::move(line));
    }
    try {
        if (Tag == 0) {
            db::Params values = fields;
            values.insert(values.begin(), storedBh);
            DM->Write("INSERT INTO zq_dd(bh,khmc,khdz,lxdh,lxr,zdr,kssj,zk,zsl,je,je2,bz,fjmc,fjje,xsd) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                      std::move(values));
            id = DM->ADOCn.lastInsertRowId();
        } else {
            db::Params values = fields;
            values.emplace_back(id);
            DM->Write("UPDATE zq_dd SET khmc=?,khdz=?,lxdh=?,lxr=?,zdr=?,kssj=?,zk=?,zsl=?,je=?,je2=?,bz=?,fjmc=?,fjje=?,xsd=? WHERE id=?",
                      std::move(values));
            DM->Write("DELETE FROM zq_ddmx WHERE bh=?", {storedBh});
        }
        const std::string ddid = IntToStr(id);
        for (const auto& line : written.lines) {
            db::Params row = {ddid, storedBh};
            row.insert(row.end(), line.begin(), line.end());
            DM->Write("INSERT INTO zq_ddmx(ddid,bh,leibie,cp,cpgg,dj,sl,dw,je,bz,khmc,tjsj) VALUES(?,?,?,?,?,?,?,?,?,?,?,?)", std::move(row));
        }
        transaction.commit();
    } catch (const EConnectionLost&) {
        unsure_.emplace_back(storedBh, std::move(written));
        throw;
    }
    unsure_.clear();
    opened_ = std::move(written);
    if (Tag == 0 && storedBh != bh) {
        Ed_bh->setText(Q(storedBh));
        gui::ShowMessage(Q("订单编号 " + bh + " 已被占用，本订单以编号 " + storedBh + " 保存。"));
    }
}

void TFluru::Button1Click()
{
    if (app::TrimQ(Ed_bh->text()).isEmpty() || app::TrimQ(Ed_khmc->text()).isEmpty()) return app::Refuse(Ed_khmc);
    // The order sheet adds the extra charge to the total: it must be a
    // number, or empty for none.
    const std::string charge = S(app::TrimQ(Ed_fjje->text()));
    Extended value = 0;
    if (!charge.empty() && !TryStrToFloat(charge, value))
        return app::RefuseWithError(Ed_fjje, "附加款项金额：“" + charge + "”不是数字。请填写金额，小数点用“.”，例如 12.5；没有附加款项请留空。");
    // The amount received is the total's other half: text there would print
    // as the total and leave the extra charge out without a word.
    const std::string received = S(app::TrimQ(Ed_zje->text()));
    if (!received.empty() && !TryStrToFloat(received, value))
        return app::RefuseWithError(Ed_zje, "实收总金额：“" + received + "”不是数字。请填写金额，小数点用“.”，例如 12.5。");
    try {
        saveOrder();
    } catch (const EOrderChanged& e) {
        // Neither save overwrites the other: this one may start again from
        // what is stored now.
        const std::string bh = S(app::TrimQ(Ed_bh->text()));
        if (gui::ui().messageBox(Q(e.message() + "\n\n要重新载入该订单的最新内容吗？（本窗口中的修改将放弃）"), QStringLiteral("提示"),
                                 gui::MsgButtons::YesNo, gui::MsgIcon::Warning) == gui::MsgResult::Yes &&
            !PrepareEditOrder(Q(bh)))
            reject();
        return;
    } catch (const EConnectionLost& e) {
        gui::ui().messageBox(Q("订单没有保存：与数据库服务器的连接断开了。窗口里的内容都还在，服务器恢复后请再按“保存关闭”。\n\n" + e.message()),
                             QStringLiteral("提示"), gui::MsgButtons::Ok, gui::MsgIcon::Error);
        return;
    }
    accept();
}

void TFluru::Button3Click() { reject(); }
