#include "Uaddleibie.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include "AppCommon.h"

TFaddleibie* Faddleibie = nullptr;

using app::S;
using app::TrimQ;

TFaddleibie::TFaddleibie(QWidget* parent) : TAddDialog("Faddleibie", "添加类别", parent)
{
    Ed_cpm = addEdit("Ed_cpm", "类别名");
    m_cpjs = addMemo("m_cpjs", "介绍");
}

void TFaddleibie::Button1Click()
{
    // The name is compared as it is stored: trimmed.
    const std::string name = S(TrimQ(Ed_cpm->text()));
    if (name.empty()) return app::Refuse(Ed_cpm);
    AppendOrRefuse(Ed_cpm, "SELECT 1 FROM zq_leibie WHERE leibie=? LIMIT 1", {name}, "INSERT INTO zq_leibie(leibie, jieshao) VALUES(?, ?)",
                   {name, S(TrimQ(m_cpjs->toPlainText()))});
}
