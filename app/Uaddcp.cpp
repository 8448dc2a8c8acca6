#include "Uaddcp.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include "AppCommon.h"

TFaddcp* Faddcp = nullptr;

using app::S;
using app::TrimQ;

TFaddcp::TFaddcp(QWidget* parent) : TAddDialog("Faddcp", "添加产品", parent)
{
    Ed_cpm = addEdit("Ed_cpm", "产品名");
    m_cpjs = addMemo("m_cpjs", "介绍");
    Ed_leibie = addEdit("Ed_leibie", "类别名", true);
}

void TFaddcp::Button1Click()
{
    const std::string name = S(TrimQ(Ed_cpm->text()));
    if (name.empty()) return app::Refuse(Ed_cpm);
    // A product name is unique over all categories.
    AppendOrRefuse(Ed_cpm, "SELECT 1 FROM zq_cpm WHERE cpm=? LIMIT 1", {name}, "INSERT INTO zq_cpm(cpm, js, leibie) VALUES(?, ?, ?)",
                   {name, S(TrimQ(m_cpjs->toPlainText())), S(TrimQ(Ed_leibie->text()))});
}
