#include "rpSearchDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "Guard.h"
#include "rpFormKit.h"
#include "rpRes.h"
#include "rpUiServices.h"

namespace {

QString& LastText()
{
    static QString text;
    return text;
}

}  // namespace

TrpSearchDialog::TrpSearchDialog(QWidget* parent) : QDialog(parent)
{
    rpInitForm(*this, "TrpSearchDialog", 252, 168);

    Panel2 = rpMake<QWidget>(this, "Panel2", QRect(0, 0, 252, 52));
    TextL = rpMake<QLabel>(Panel2, "TextL", QRect(8, 8, 236, 16));
    TextE = rpMake<QLineEdit>(Panel2, "TextE", QRect(8, 26, 236, 21));
    ReplacePanel = rpMake<QWidget>(this, "ReplacePanel", QRect(0, 52, 252, 48));
    ReplaceL = rpMake<QLabel>(ReplacePanel, "ReplaceL", QRect(8, 4, 236, 16));
    ReplaceE = rpMake<QLineEdit>(ReplacePanel, "ReplaceE", QRect(8, 22, 236, 21));
    ReplacePanel->hide();
    SearchL = rpMake<QGroupBox>(this, "SearchL", QRect(8, 56, 236, 70));
    TopCB = rpMake<QCheckBox>(SearchL, "TopCB", QRect(12, 20, 216, 18));
    CaseCB = rpMake<QCheckBox>(SearchL, "CaseCB", QRect(12, 44, 216, 18));
    OkB = rpMake<QPushButton>(this, "OkB", QRect(88, 136, 75, 25));
    OkB->setDefault(true);
    CancelB = rpMake<QPushButton>(this, "CancelB", QRect(169, 136, 75, 25));
    connect(OkB, &QPushButton::clicked, this, gui::Slot([this] { accept(); }));
    connect(CancelB, &QPushButton::clicked, this, gui::Slot([this] { reject(); }));

    setWindowTitle(rpRes("300"));
    TextL->setText(rpRes("301"));
    ReplaceL->setText(rpRes("303"));
    SearchL->setTitle(rpRes("302"));
    TopCB->setText(rpRes("304"));
    CaseCB->setText(rpRes("305"));
    OkB->setText(rpRes("1"));
    CancelB->setText(rpRes("2"));

    TextE->setText(LastText());
    TextE->setFocus(Qt::OtherFocusReason);
    TextE->selectAll();
}

void TrpSearchDialog::FormHide(int Result)
{
    if (Result == QDialog::Accepted) LastText() = TextE->text();
}

std::u16string TrpSearchDialog::LastSearchText() { return LastText().toStdU16String(); }

bool TrpSearchDialog::Execute(TrpSearchRequest& Request)
{
    TrpSearchDialog dialog;
    const int result = rpShowModal(dialog);
    dialog.FormHide(result);
    if (result != QDialog::Accepted) return false;
    Request.Text = dialog.TextE->text().toStdU16String();
    Request.FromTop = dialog.TopCB->isChecked();
    Request.CaseSensitive = dialog.CaseCB->isChecked();
    return true;
}
