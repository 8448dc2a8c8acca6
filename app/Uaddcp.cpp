#include "Uaddcp.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "AppCommon.h"
#include "DATAM.h"
#include "Guard.h"

TFaddcp* Faddcp = nullptr;

using app::S;
using app::TrimQ;

TFaddcp::TFaddcp(QWidget* parent) : TFieldForm("Faddcp", "添加产品", parent)
{
    Ed_cpm = addEdit("Ed_cpm", "产品名");
    m_cpjs = addMemo("m_cpjs", "介绍");
    Ed_leibie = addEdit("Ed_leibie", "类别名", true);
    Button1 = addButton("Button1", "添加");
    connect(Button1, &QPushButton::clicked, this, gui::Slot([this] { Button1Click(); }));
}

void TFaddcp::Button1Click()
{
    const std::string name = S(TrimQ(Ed_cpm->text()));
    if (name.empty()) return app::Refuse(Ed_cpm);
    // A product name is unique over all categories.
    if (!DM->AppendUnless("SELECT 1 FROM zq_cpm WHERE cpm=? LIMIT 1", {name}, "INSERT INTO zq_cpm(cpm, js, leibie) VALUES(?, ?, ?)",
                          {name, S(TrimQ(m_cpjs->toPlainText())), S(TrimQ(Ed_leibie->text()))}))
        return app::Refuse(Ed_cpm);
    accept();
}
