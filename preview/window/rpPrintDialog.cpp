#include "rpPrintDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "Guard.h"
#include "StringLists.h"
#include "SysUtils.h"
#include "UiServices.h"
#include "rpDialogPictures.h"
#include "rpImageList.h"
#include "rpFormKit.h"
#include "rpRes.h"
#include "rpUiServices.h"
#include "rpUtilsGui.h"
#include "rpUtilsText.h"

namespace {

int PaperPosition(const TrpList& Papers, int32_t Code)
{
    for (std::size_t i = 0; i < Papers.size(); ++i)
        if (Papers[i].Code == Code) return static_cast<int>(i);
    return -1;
}

}  // namespace

TrpPrintDialog::TrpPrintDialog(QWidget* parent) : QDialog(parent)
{
    rpInitForm(*this, "TrpPrintDialog", 557, 333);

    Label12 = rpMake<QGroupBox>(this, "Label12", QRect(8, 4, 541, 82));
    NameL = rpMake<QLabel>(this, "NameL", QRect(20, 26, 60, 16));
    PrintersCB = rpMake<QComboBox>(this, "PrintersCB", QRect(84, 22, 300, 24));
    PropButton = rpMake<QPushButton>(this, "PropButton", QRect(452, 21, 85, 25));
    WhereL = rpMake<QLabel>(this, "WhereL", QRect(20, 56, 60, 16));
    WhereL1 = rpMake<QLabel>(this, "WhereL1", QRect(84, 56, 300, 16));
    FileCB = rpMake<QCheckBox>(this, "FileCB", QRect(400, 55, 140, 18));

    Label1 = rpMake<QGroupBox>(this, "Label1", QRect(8, 90, 268, 122));
    AllRB = rpMake<QRadioButton>(Label1, "AllRB", QRect(12, 20, 160, 18));
    CurPageRB = rpMake<QRadioButton>(Label1, "CurPageRB", QRect(12, 42, 160, 18));
    PageNumbersRB = rpMake<QRadioButton>(Label1, "PageNumbersRB", QRect(12, 64, 66, 18));
    PageNumbersE = rpMake<QLineEdit>(Label1, "PageNumbersE", QRect(80, 62, 176, 21));
    DescrL = rpMake<QLabel>(Label1, "DescrL", QRect(12, 86, 248, 32));
    DescrL->setWordWrap(true);

    Label2 = rpMake<QGroupBox>(this, "Label2", QRect(282, 90, 267, 122));
    CopiesL = rpMake<QLabel>(Label2, "CopiesL", QRect(12, 24, 60, 16));
    CopiesE = rpMake<QSpinBox>(Label2, "CopiesE", QRect(76, 20, 64, 22));
    CopiesE->setRange(1, 9999);
    CollateCB = rpMake<QCheckBox>(Label2, "CollateCB", QRect(12, 94, 130, 18));
    CopiesPB = rpMake<QLabel>(Label2, "CopiesPB", QRect(150, 48, 104, 48));

    OtherGB = rpMake<QGroupBox>(this, "OtherGB", QRect(8, 216, 268, 109));
    PrintL = rpMake<QLabel>(OtherGB, "PrintL", QRect(12, 24, 60, 16));
    PrintPagesCB = rpMake<QComboBox>(OtherGB, "PrintPagesCB", QRect(76, 20, 180, 22));
    OrderL = rpMake<QLabel>(OtherGB, "OrderL", QRect(12, 52, 60, 16));
    OrderCB = rpMake<QComboBox>(OtherGB, "OrderCB", QRect(76, 48, 180, 22));
    DuplexL = rpMake<QLabel>(OtherGB, "DuplexL", QRect(12, 80, 60, 16));
    DuplexCB = rpMake<QComboBox>(OtherGB, "DuplexCB", QRect(76, 76, 180, 22));

    ScaleGB = rpMake<QGroupBox>(this, "ScaleGB", QRect(282, 216, 267, 80));
    PrintModeCB = rpMake<QComboBox>(ScaleGB, "PrintModeCB", QRect(12, 18, 243, 34));
    PrintModeCB->setIconSize(QSize(64, 32));
    PagSizeL = rpMake<QLabel>(ScaleGB, "PagSizeL", QRect(12, 58, 60, 16));
    PagPageSizeCB = rpMake<QComboBox>(ScaleGB, "PagPageSizeCB", QRect(76, 54, 179, 22));

    OkB = rpMake<QPushButton>(this, "OkB", QRect(392, 301, 75, 25));
    OkB->setDefault(true);
    CancelB = rpMake<QPushButton>(this, "CancelB", QRect(474, 301, 75, 25));

    connect(OkB, &QPushButton::clicked, this, gui::Slot([this] { accept(); }));
    connect(CancelB, &QPushButton::clicked, this, gui::Slot([this] { reject(); }));
    connect(PrintersCB, &QComboBox::activated, this, gui::Slot([this] { PrintersCBClick(); }));
    connect(PrintModeCB, &QComboBox::activated, this, gui::Slot([this] { PrintModeCBClick(); }));
    connect(PropButton, &QPushButton::clicked, this, gui::Slot([this] { PropButtonClick(); }));
    connect(CollateCB, &QCheckBox::toggled, this, gui::Slot([this] { CollateCBClick(); }));
    connect(PageNumbersRB, &QRadioButton::clicked, this, gui::Slot([this] {
                if (isVisible()) PageNumbersE->setFocus(Qt::OtherFocusReason);
            }));
    PageNumbersE->installEventFilter(this);

    FormCreate();
}

void TrpPrintDialog::FormCreate()
{
    setWindowTitle(rpRes("200"));
    Label12->setTitle(rpRes("201"));
    NameL->setText(rpRes("212"));
    PropButton->setText(rpRes("209"));
    WhereL->setText(rpRes("208"));
    FileCB->setText(rpRes("210"));
    Label1->setTitle(rpRes("202"));
    AllRB->setText(rpRes("3"));
    CurPageRB->setText(rpRes("4"));
    PageNumbersRB->setText(rpRes("5"));
    DescrL->setText(rpRes("9"));
    Label2->setTitle(rpRes("205"));
    CopiesL->setText(rpRes("203"));
    CollateCB->setText(rpRes("204"));
    OtherGB->setTitle(rpRes("207"));
    PrintL->setText(rpRes("206"));
    OrderL->setText(rpRes("211"));
    DuplexL->setText(rpRes("216"));
    ScaleGB->setTitle(rpRes("213"));
    PagSizeL->setText(rpRes("214"));
    OkB->setText(rpRes("1"));
    CancelB->setText(rpRes("2"));

    for (const char* key : {"poDirect", "poReverse"}) OrderCB->addItem(rpRes(key));
    for (const char* key : {"ppAll", "ppOdd", "ppEven"}) PrintPagesCB->addItem(rpRes(key));
    for (const char* key : {"dupDefault", "dupVert", "dupHorz", "dupSimpl"}) DuplexCB->addItem(rpRes(key));
    const char* const modes[] = {"pmDefault", "pmSplit", "pmJoin", "pmScale"};
    for (int i = 0; i < 4; ++i) PrintModeCB->addItem(QPixmap::fromImage(PrintModeImage(i)), rpRes(modes[i]));
    OrderCB->setCurrentIndex(0);
    PrintPagesCB->setCurrentIndex(0);
    DuplexCB->setCurrentIndex(0);
    PrintModeCB->setCurrentIndex(0);
    AllRB->setChecked(true);
    CopiesE->setValue(1);
    CollateCB->setChecked(true);

    TrpPrinters& printers = GetPrinters();
    // A queue added since the program started is offered too.
    printers.Refresh();
    const QIcon icon = GetResources().GetPreviewButtonImages().Icon(2);
    for (const std::string& name : printers.Printers()) PrintersCB->addItem(icon, QString::fromStdString(name));
    PrintersCB->setCurrentIndex(printers.PrinterIndex());
    PrintersCBClick();
    OldPrinterIndex = printers.PrinterIndex();
    PrintModeCBClick();
    CollateCBClick();
}

std::string TrpPrintDialog::PrintFileName(const std::string& Chosen)
{
    // Only a bare name gets the dialog's extension; "x.pdf" stays "x.pdf".
    std::filesystem::path file(Chosen);
    const std::string ext = file.extension().string();
    if (ext.size() <= 1) file.replace_extension(".prn");
    return file.string();
}

int TrpPrintDialog::SheetIndex(const TrpList& Papers, int32_t Code)
{
    const int at = PaperPosition(Papers, Code);
    if (at < 0 || Code == DMPAPER_USER) return 0;
    const int custom = PaperPosition(Papers, DMPAPER_USER);
    return at + 1 - (custom >= 0 && custom < at ? 1 : 0);
}

void TrpPrintDialog::PrintersCBClick()
{
    const int32_t remembered = PagPageSizeCB->currentIndex() > 0 ? PagPageSizeCB->currentData().toInt() : 0;
    TrpPrinters& printers = GetPrinters();
    printers.SetPrinterIndex(PrintersCB->currentIndex());
    TrpCustomPrinter* printer = printers.GetCurrentPrinter();
    WhereL1->setText(printer ? QString::fromStdString(printer->Port()) : QString());
    PagPageSizeCB->clear();
    PagPageSizeCB->addItem(rpRes("pgDefault"), DMPAPER_USER);
    if (!printer) return;
    for (const TrpListItem& paper : printer->Papers())
        if (paper.Code != DMPAPER_USER) PagPageSizeCB->addItem(QString::fromStdString(paper.Name), paper.Code);
    PagPageSizeCB->setCurrentIndex(remembered ? SheetIndex(printer->Papers(), remembered) : 0);
}

void TrpPrintDialog::PrintModeCBClick()
{
    if (PrintModeCB->currentIndex() <= 0) {
        PagPageSizeCB->setCurrentIndex(0);
        PagPageSizeCB->setEnabled(false);
        return;
    }
    PagPageSizeCB->setEnabled(true);
    const TrpCustomPrinter* printer = GetPrinters().GetCurrentPrinter();
    if (PagPageSizeCB->currentIndex() == 0 && printer) PagPageSizeCB->setCurrentIndex(SheetIndex(printer->Papers(), DMPAPER_A4));
}

void TrpPrintDialog::PropButtonClick()
{
    TrpCustomPrinter* printer = GetPrinters().GetCurrentPrinter();
    if (!printer || !printer->ShowPropertiesDialog()) return;
    // The printer's duplex values to the dialog's: simplex 1 is the last entry.
    int32_t d = printer->Duplex() - 1;
    if (d == 0) d = 3;
    if (d > 0) {
        Duplex = d;
        DuplexCB->setCurrentIndex(d);
    }
}

void TrpPrintDialog::CollateCBClick()
{
    CopiesPB->setPixmap(QPixmap::fromImage(CollateImage(CollateCB->isChecked())));
}

bool TrpPrintDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == PageNumbersE && event->type() == QEvent::FocusIn) PageNumbersRB->setChecked(true);
    return QDialog::eventFilter(watched, event);
}

void TrpPrintDialog::FormShow(const TrpPrintSettings& Settings, int Page)
{
    CurPage = Page;
    Duplex = std::clamp<int32_t>(Settings.Duplex, 0, 3);
    CopiesE->setValue(std::max<int32_t>(Settings.Copies, 1));
    CollateCB->setChecked(Settings.Collate);
    CollateCBClick();
    PageNumbersE->setText(QString::fromStdString(Settings.PageNumbers));
    if (Settings.Range == TrpPageRange::Current) CurPageRB->setChecked(true);
    else if (Settings.Range == TrpPageRange::Numbers || !Settings.PageNumbers.empty()) PageNumbersRB->setChecked(true);
    else AllRB->setChecked(true);
    PrintPagesCB->setCurrentIndex(std::clamp<int>(Settings.PrintPages, ppAll, ppEven));
    OrderCB->setCurrentIndex(Settings.Reverse ? 1 : 0);
    PrintModeCB->setCurrentIndex(std::clamp<int>(Settings.PrintMode, pmDefault, pmScale));
    DuplexCB->setCurrentIndex(Duplex);
    PrintModeCBClick();
    const TrpCustomPrinter* printer = GetPrinters().GetCurrentPrinter();
    if (Settings.PrintMode != pmDefault && printer)
        PagPageSizeCB->setCurrentIndex(SheetIndex(printer->Papers(), Settings.PrintOnSheet));
    FileCB->setChecked(Settings.PrintToFile);
}

bool TrpPrintDialog::PageNumbersValid() const
{
    const std::string text = Trim(PageNumbersE->text().toStdString());
    if (text.empty()) return false;
    try {
        // Ranges are held to the page count: one page keeps the check small.
        TStringList pages;
        ParsePageNumbers(text, &pages, 1);
    } catch (const Exception&) {
        return false;
    }
    return true;
}

void TrpPrintDialog::accept()
{
    if (PageNumbersRB->isChecked() && !PageNumbersValid()) {
        ErrorMessageBox(GetResString(9));
        PageNumbersE->setFocus(Qt::OtherFocusReason);
        PageNumbersE->selectAll();
        return;
    }
    QDialog::accept();
}

bool TrpPrintDialog::FormHide(int Result, TrpPrintSettings& Settings)
{
    TrpPrinters& printers = GetPrinters();
    TrpCustomPrinter* printer = printers.GetCurrentPrinter();
    bool ok = Result == QDialog::Accepted && printer;
    if (ok) {
        printer->SetFileName({});
        if (FileCB->isChecked()) {
            gui::FileRequest request;
            request.caption = rpRes("507");
            request.filter = rpFileFilter(GetResources().Get("510"));
            request.save = true;
            QString name;
            if (gui::ui().fileDialog(request, name) && !name.isEmpty()) {
                printer->SetFileName(PrintFileName(name.toStdString()));
            } else {
                ok = false;
            }
        }
    }
    if (!ok) {
        printers.SetPrinterIndex(OldPrinterIndex);
        return false;
    }
    Settings.Printer = printer->Name();
    Settings.Copies = CopiesE->value();
    Settings.Collate = CollateCB->isChecked();
    if (AllRB->isChecked()) {
        Settings.Range = TrpPageRange::All;
        Settings.PageNumbers.clear();
    } else if (CurPageRB->isChecked()) {
        Settings.Range = TrpPageRange::Current;
        Settings.PageNumbers = IntToStr(CurPage);
    } else {
        Settings.Range = TrpPageRange::Numbers;
        Settings.PageNumbers = PageNumbersE->text().toStdString();
    }
    Settings.PrintPages = static_cast<TrpPrintPages>(PrintPagesCB->currentIndex());
    Duplex = DuplexCB->currentIndex();
    Settings.Duplex = Duplex;
    Settings.Reverse = OrderCB->currentIndex() == 1;
    Settings.PrintMode = static_cast<TrpPrintMode>(PrintModeCB->currentIndex());
    Settings.PrintOnSheet = PagPageSizeCB->currentIndex() > 0 ? PagPageSizeCB->currentData().toInt() : DMPAPER_USER;
    Settings.PrintToFile = FileCB->isChecked();
    Settings.FileName = printer->FileName();
    return true;
}

bool TrpPrintDialog::Execute(TrpPrintSettings& Settings, int CurPage)
{
    TrpPrintDialog dialog;
    dialog.FormShow(Settings, CurPage);
    return dialog.FormHide(rpShowModal(dialog), Settings);
}

void registerPreviewDialogs() { SetPrintDialogProvider(&TrpPrintDialog::Execute); }
