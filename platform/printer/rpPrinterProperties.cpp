#include "rpPrinterProperties.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "rpPrinter.h"
#include "rpPrinterUi.h"

TrpPrinterPropertiesDialog::TrpPrinterPropertiesDialog(TrpPrinter& Printer, QWidget* Parent)
    : QDialog(Parent), FPrinter(Printer), FBinCB(new QComboBox(this)), FDuplexCB(new QComboBox(this))
{
    setObjectName(QStringLiteral("TrpPrinterPropertiesDialog"));
    setWindowTitle(QString::fromStdString(Printer.Name()) + QStringLiteral(" 属性"));
    FBinCB->setObjectName(QStringLiteral("BinCB"));
    FDuplexCB->setObjectName(QStringLiteral("DuplexCB"));

    const int32_t bin = Printer.Bin() != -1 ? Printer.Bin() : Printer.DefBin();
    for (const TrpListItem& b : Printer.Bins()) {
        FBinCB->addItem(QString::fromStdString(b.Name), b.Code);
        if (b.Code == bin) FBinCB->setCurrentIndex(FBinCB->count() - 1);
    }

    static const char* const duplexNames[] = {"单面", "双面，长边翻转", "双面，短边翻转"};
    const int32_t duplex = Printer.Duplex() != -1 ? Printer.Duplex() : Printer.DefDuplex();
    for (int32_t mode : Printer.DuplexModes()) {
        FDuplexCB->addItem(QString::fromUtf8(duplexNames[mode - DMDUP_SIMPLEX]), mode);
        if (mode == duplex) FDuplexCB->setCurrentIndex(FDuplexCB->count() - 1);
    }
    if (FDuplexCB->count() == 0) {
        FDuplexCB->addItem(QString::fromUtf8(duplexNames[0]), DMDUP_SIMPLEX);
        FDuplexCB->setEnabled(false);
    }
    FInitialDuplex = FDuplexCB->currentData().toInt();

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("纸张来源:"), FBinCB);
    form->addRow(QStringLiteral("双面打印:"), FDuplexCB);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromStdString(PrinterText("1")));
    buttons->button(QDialogButtonBox::Cancel)->setText(QString::fromStdString(PrinterText("2")));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void TrpPrinterPropertiesDialog::Apply()
{
    FPrinter.SetBin(FBinCB->currentData().toInt());
    // Only a change of the two-sided mode overrides what the print dialog chose.
    const int duplex = FDuplexCB->currentData().toInt();
    if (duplex != FInitialDuplex) FPrinter.SetDuplex(duplex);
}

bool TrpPrinter::ShowPropertiesDialog()
{
    Init();
    TrpPrinterPropertiesDialog dialog(*this);
    if (PrinterShowModal(dialog) != QDialog::Accepted) return false;
    dialog.Apply();
    return true;
}
