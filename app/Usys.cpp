#include "Usys.h"

#include <QLineEdit>
#include <QPushButton>

#include "AppCommon.h"
#include "DATAM.h"
#include "Guard.h"

TFsys* Fsys = nullptr;

using app::S;

TFsys::TFsys(QWidget* parent) : TFieldForm("Fsys", "系统设置", parent)
{
    Edit1 = addEdit("Edit1", "企业名称");
    Edit2 = addEdit("Edit2", "地址");
    Edit3 = addEdit("Edit3", "联系人");
    Edit4 = addEdit("Edit4", "联系电话");
    Edit5 = addEdit("Edit5", "传真");
    Edit6 = addEdit("Edit6", "网址");
    Edit7 = addEdit("Edit7", "备注");
    Button1 = addButton("Button1", "保存");
    Button2 = addButton("Button2", "取消");
    connect(Button1, &QPushButton::clicked, this, gui::Slot([this] { Button1Click(); }));
    // A company's name and address of thirty characters show whole.
    setMinimumWidth(560);
}

std::vector<std::pair<QLineEdit*, const char*>> TFsys::fields() const
{
    return {{Edit1, "khmc"}, {Edit2, "dz"}, {Edit3, "lxr"}, {Edit4, "lxdh"}, {Edit5, "cz"}, {Edit6, "url"}, {Edit7, "bz"}};
}

void TFsys::LoadSettings()
{
    db::Query& q = DM->Read("SELECT * FROM config ORDER BY rowid LIMIT 1");
    if (q.eof()) return;
    for (const auto& [edit, column] : fields()) edit->setText(app::FieldText(q, column));
}

void TFsys::Button1Click()
{
    db::Params values;
    for (const auto& [edit, column] : fields()) values.emplace_back(S(app::TrimQ(edit->text())));
    // Only the first row is ever read or written.
    db::Transaction t(DM->Connection());
    db::Query& first = DM->Read("SELECT rowid FROM config ORDER BY rowid LIMIT 1");
    if (first.eof()) {
        DM->Write("INSERT INTO config(khmc, dz, lxr, lxdh, cz, url, bz) VALUES(?, ?, ?, ?, ?, ?, ?)", std::move(values));
    } else {
        values.emplace_back(first.value(0).asInt64());
        DM->Write("UPDATE config SET khmc=?, dz=?, lxr=?, lxdh=?, cz=?, url=?, bz=? WHERE rowid=?", std::move(values));
    }
    t.commit();
    accept();
}
