#include "Udy.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

#include "AppCommon.h"
#include "DATAM.h"
#include "FormKit.h"
#include "Guard.h"
#include "SysUtils.h"
#include "main.h"

TFdy* Fdy = nullptr;

using app::Q;
using app::S;
using app::TrimQ;

const std::array<const char*, 16> TFdy::kCoordinates = {"jjrx", "jjry", "jjdwx", "jjdwy", "jjdzx", "jjdzy", "jjdhx", "jjdhy",
                                                        "sjrx", "sjry", "sjdwx", "sjdwy", "sjdzx", "sjdzy", "sjdhx", "sjdhy"};

const std::array<const char*, 8> TFdy::kRowLabels = {"寄件人坐标", "寄件单位坐标", "寄件人地址坐标", "寄件人电话坐标",
                                                     "收件人坐标", "收件单位坐标", "收件人地址坐标", "收件人电话坐标"};

namespace {

// Which coordinate is wrong ("寄件人坐标 横 (x)") and why.
std::string badCoordinate(std::size_t i, const std::string& text)
{
    return std::string(TFdy::kRowLabels[i / 2]) + (i % 2 == 0 ? " 横 (x)" : " 纵 (y)") + "：“" + text +
           "”不是数字。请填写厘米数，小数点用“.”，例如 2.5。";
}

std::string columnList()
{
    std::string list = "kdmc";
    for (const char* c : TFdy::kCoordinates) list += std::string(",") + c;
    return list;
}

}  // namespace

TFdy::TFdy(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Fdy"));
    setWindowTitle(QStringLiteral("快递单打印"));
    // The form lives for the whole run; closing only hides it.
    setAttribute(Qt::WA_DeleteOnClose, false);
    setModal(false);

    auto* outer = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    ComboBox1 = app::NamedCombo(this, "ComboBox1", false);
    Ed_kdmc = app::NamedEdit(this, "Ed_kdmc");
    grid->addWidget(new QLabel(QStringLiteral("选择快递公司"), this), 0, 0);
    grid->addWidget(ComboBox1, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("快递单名称"), this), 1, 0);
    grid->addWidget(Ed_kdmc, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("单位厘米"), this), 2, 0);
    grid->addWidget(new QLabel(QStringLiteral("横 (x)"), this), 2, 1, Qt::AlignHCenter);
    grid->addWidget(new QLabel(QStringLiteral("纵 (y)"), this), 2, 2, Qt::AlignHCenter);
    for (int i = 0; i < 16; ++i) {
        const std::string name = std::string("Ed_") + kCoordinates[static_cast<std::size_t>(i)];
        Coordinates[static_cast<std::size_t>(i)] = app::NamedEdit(this, name.c_str());
        if (i % 2 == 0) grid->addWidget(new QLabel(QString::fromUtf8(kRowLabels[static_cast<std::size_t>(i / 2)]), this), 3 + i / 2, 0);
        grid->addWidget(Coordinates[static_cast<std::size_t>(i)], 3 + i / 2, 1 + i % 2);
    }
    outer->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    Button1 = app::NamedButton(this, "Button1", "预览打印");
    Button2 = app::NamedButton(this, "Button2", "添加快递单类型");
    Button4 = app::NamedButton(this, "Button4", "编辑");
    Button3 = app::NamedButton(this, "Button3", "保存");
    Button3->setEnabled(false);
    for (QPushButton* b : {Button1, Button2, Button4, Button3}) buttons->addWidget(b);
    outer->addLayout(buttons);

    connect(ComboBox1, &QComboBox::activated, this, gui::Slot([this] { ComboBox1Change(); }));
    connect(Button1, &QPushButton::clicked, this, gui::Slot([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, gui::Slot([this] { Button2Click(); }));
    connect(Button4, &QPushButton::clicked, this, gui::Slot([this] { Button4Click(); }));
    connect(Button3, &QPushButton::clicked, this, gui::Slot([this] { Button3Click(); }));
    setMinimumWidth(420);
}

QLineEdit* TFdy::coordinate(const char* column) const
{
    for (std::size_t i = 0; i < kCoordinates.size(); ++i)
        if (std::strcmp(kCoordinates[i], column) == 0) return Coordinates[i];
    return nullptr;
}

void TFdy::setEditsEnabled(bool name, bool coordinates)
{
    Ed_kdmc->setEnabled(name);
    for (QLineEdit* e : Coordinates) e->setEnabled(coordinates);
}

void TFdy::viewing()
{
    setEditsEnabled(false, false);
    Button4->setEnabled(true);
    Button2->setEnabled(true);
    Button3->setEnabled(false);
}

void TFdy::Open()
{
    fillCouriers({});
    viewing();
}

void TFdy::fillCouriers(const QString& selected)
{
    ComboBox1->clear();
    QStringList names;
    for (db::Query& q = DM->Read("SELECT kdmc FROM zq_kd ORDER BY id"); !q.eof(); q.next()) names << app::FieldText(q, "kdmc");
    ComboBox1->addItems(names);
    const qsizetype index = selected.isEmpty() ? 0 : std::max<qsizetype>(0, names.indexOf(selected));
    ComboBox1->setCurrentIndex(names.isEmpty() ? -1 : static_cast<int>(index));
    ComboBox1Change();
}

void TFdy::ComboBox1Change()
{
    db::Query& q = DM->Read("SELECT " + columnList() + " FROM zq_kd WHERE kdmc=? ORDER BY id LIMIT 1", {S(ComboBox1->currentText())});
    if (q.eof()) return;
    Ed_kdmc->setText(app::FieldText(q, "kdmc"));
    for (std::size_t i = 0; i < kCoordinates.size(); ++i) Coordinates[i]->setText(app::FieldText(q, kCoordinates[i]));
}

void TFdy::Button2Click()
{
    Button3->setEnabled(true);
    Button2->setEnabled(false);
    Button4->setEnabled(false);
    Ed_kdmcTag = 1;
    setEditsEnabled(true, true);
    Ed_kdmc->clear();
    for (QLineEdit* e : Coordinates) e->clear();
    Ed_kdmc->setFocus();
}

void TFdy::Button4Click()
{
    Button3->setEnabled(true);
    Button2->setEnabled(false);
    Button4->setEnabled(false);
    Ed_kdmcTag = 0;
    // The name of a stored layout never changes.
    setEditsEnabled(false, true);
    Coordinates.front()->setFocus();
}

void TFdy::Button3Click()
{
    const std::string name = S(TrimQ(Ed_kdmc->text()));
    const bool adding = Ed_kdmcTag == 1;
    if (adding && name.empty()) return;
    if (!name.empty()) {
        // A coordinate that is no number would only fail when printing:
        // refuse it now. Empty means 0.
        db::Params values;
        for (std::size_t i = 0; i < Coordinates.size(); ++i) {
            QLineEdit* e = Coordinates[i];
            std::string text = S(TrimQ(e->text()));
            Extended v = 0;
            if (text.empty()) text = "0";
            else if (!TryStrToFloat(text, v)) return app::RefuseWithError(e, badCoordinate(i, text));
            values.emplace_back(std::move(text));
        }
        // A text placed off the paper would lose the recipient's address.
        for (std::size_t row = 0; fmain && row < kRowLabels.size(); ++row) {
            bool badY = false;
            const std::string why = fmain->WaybillPlaceError(row, StrToFloat(values[2 * row].asText()),
                                                             StrToFloat(values[2 * row + 1].asText()), &badY);
            if (!why.empty()) return app::RefuseWithError(Coordinates[2 * row + (badY ? 1 : 0)], why);
        }
        if (adding) {
            db::Params row = values;
            row.insert(row.begin(), name);
            if (!DM->AppendUnless("SELECT 1 FROM zq_kd WHERE kdmc=? LIMIT 1", {name},
                                  "INSERT INTO zq_kd(" + columnList() + ") VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)", std::move(row)))
                return app::Refuse(Ed_kdmc);
            // The new layout is the one shown, listed and printed.
            fillCouriers(Q(name));
        } else {
            std::string set;
            for (const char* c : kCoordinates) set += std::string(set.empty() ? "" : ",") + c + "=?";
            values.emplace_back(name);
            if (DM->Write("UPDATE zq_kd SET " + set + " WHERE id=(SELECT id FROM zq_kd WHERE kdmc=? ORDER BY id LIMIT 1)",
                          std::move(values)) == 0) {
                // Deleted elsewhere: say so, and list what is left.
                Open();
                return app::RefuseWithError(nullptr, "快递单“" + name + "”已不存在（可能已被删除），没有保存。");
            }
        }
    }
    viewing();
}

void TFdy::Button1Click()
{
    db::Query& q = DM->Read("SELECT id FROM zq_kd WHERE kdmc=? ORDER BY id LIMIT 1", {S(ComboBox1->currentText())});
    if (!q.eof() && fmain) {
        const QString id = app::FieldText(q, "id");
        fmain->PrintWaybill(id);
    }
    close();
}
