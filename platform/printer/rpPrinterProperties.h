#pragma once
// The printer's own settings for the next document: paper source and
// two-sided printing, offered from what the queue supports.

#include <QDialog>

class QComboBox;
class TrpPrinter;

class TrpPrinterPropertiesDialog : public QDialog {
    Q_OBJECT
public:
    TrpPrinterPropertiesDialog(TrpPrinter& Printer, QWidget* Parent = nullptr);

    QComboBox* BinCB() const { return FBinCB; }
    QComboBox* DuplexCB() const { return FDuplexCB; }
    // Writes the choices into the printer's overrides (after OK).
    void Apply();

private:
    TrpPrinter& FPrinter;
    QComboBox* FBinCB;
    QComboBox* FDuplexCB;
    int FInitialDuplex;
};
