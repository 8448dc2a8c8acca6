#include "Uaddgg.h"

#include <QLineEdit>
#include <QPlainTextEdit>

#include "AppCommon.h"

TFaddgg* Faddgg = nullptr;

using app::S;
using app::TrimQ;

TFaddgg::TFaddgg(QWidget* parent) : TAddDialog("Faddgg", "添加产品规格", parent)
{
    Ed_ggm = addEdit("Ed_ggm", "规格名");
    m_ggjs = addMemo("m_ggjs", "介绍");
    Ed_leibie = addEdit("Ed_leibie", "类别名", true);
    Ed_cpm = addEdit("Ed_cpm", "产品名");
    Ed_dw = addEdit("Ed_dw", "单位");
    Ed_jg = addEdit("Ed_jg", "价格");
}

void TFaddgg::Button1Click()
{
    const std::string name = S(TrimQ(Ed_ggm->text()));
    const std::string product = S(TrimQ(Ed_cpm->text()));
    const std::string category = S(TrimQ(Ed_leibie->text()));
    if (name.empty()) return app::Refuse(Ed_ggm);
    if (product.empty()) return app::Refuse(Ed_cpm);
    // Unique within its product; another product may use the same name.
    AppendOrRefuse(Ed_cpm, "SELECT 1 FROM zq_cpgg WHERE cpgg=? AND leibie=? AND cpm=? LIMIT 1", {name, category, product},
                   "INSERT INTO zq_cpgg(cpgg, js, cpm, dw, jg, leibie) VALUES(?, ?, ?, ?, ?, ?)",
                   {name, S(TrimQ(m_ggjs->toPlainText())), product, S(TrimQ(Ed_dw->text())), S(TrimQ(Ed_jg->text())), category});
}
