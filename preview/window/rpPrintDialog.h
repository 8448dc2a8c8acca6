#pragma once
// The print dialog: printer, pages, copies and collation, page order,
// odd/even pages, two-sided mode, print mode with its sheet and output to a
// file. It works on a TrpPrintSettings copy of the report's options and
// selects the chosen printer; a cancel puts the earlier printer back.

#include <QDialog>

#include "rpPrinter.h"
#include "rpPrintSettings.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TrpPrintDialog : public QDialog {
    Q_OBJECT
public:
    explicit TrpPrintDialog(QWidget* parent = nullptr);

    // The controls from the settings; CurPage is the preview's 1-based page.
    void FormShow(const TrpPrintSettings& Settings, int CurPage);
    // After the modal run. On OK asks for the output file when printing to a
    // file and writes the choices into Settings; otherwise, and when the
    // file choice is cancelled, the earlier printer is selected again and
    // Settings stay as they were. Returns whether printing goes ahead.
    bool FormHide(int Result, TrpPrintSettings& Settings);
    // Shows the dialog through the UI services and applies the result.
    static bool Execute(TrpPrintSettings& Settings, int CurPage);

    // The output file for a name chosen in the file dialog: kept when it
    // has an extension, else with ".prn" added.
    static std::string PrintFileName(const std::string& Chosen);
    // Index of a paper code in the sheet list, which holds "默认" first and
    // then the printer's papers without the custom entry; 0 when absent.
    static int SheetIndex(const TrpList& Papers, int32_t Code);

    void PrintersCBClick();
    void PrintModeCBClick();
    void PropButtonClick();

    int32_t Duplex = 0;
    int OldPrinterIndex = -1;
    int CurPage = 0;

    QGroupBox* Label12;
    QLabel* NameL;
    QComboBox* PrintersCB;
    QPushButton* PropButton;
    QLabel* WhereL;
    QLabel* WhereL1;
    QCheckBox* FileCB;
    QGroupBox* Label1;
    QRadioButton* AllRB;
    QRadioButton* CurPageRB;
    QRadioButton* PageNumbersRB;
    QLineEdit* PageNumbersE;
    QLabel* DescrL;
    QGroupBox* Label2;
    QLabel* CopiesL;
    QSpinBox* CopiesE;
    QCheckBox* CollateCB;
    QLabel* CopiesPB;
    QGroupBox* OtherGB;
    QLabel* PrintL;
    QComboBox* PrintPagesCB;
    QLabel* OrderL;
    QComboBox* OrderCB;
    QLabel* DuplexL;
    QComboBox* DuplexCB;
    QGroupBox* ScaleGB;
    QComboBox* PrintModeCB;
    QLabel* PagSizeL;
    QComboBox* PagPageSizeCB;
    QPushButton* OkB;
    QPushButton* CancelB;

public slots:
    // A page list the page loop could not read keeps the dialog open.
    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void CollateCBClick();
    bool PageNumbersValid() const;
};

// Start-up: makes this dialog the one the print path shows.
void registerPreviewDialogs();
