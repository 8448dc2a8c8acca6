#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <filesystem>

#include "DialogTestSupport.h"
#include "rpPrintDialog.h"

namespace {

using Driver = gui::ScriptedUiServices::Driver;

TrpPrintDialog& Form(QDialog& d) { return static_cast<TrpPrintDialog&>(d); }

int ClickOk(QDialog& d)
{
    Form(d).OkB->click();
    return d.result();
}

}  // namespace

TEST_F(DialogTest, SheetIndexSkipsTheCustomEntryWhereverItStands)
{
    const TrpList customFirst = {{"自定", 256}, {"A4", 9}, {"A5", 11}};
    const TrpList customBetween = {{"A4", 9}, {"自定", 256}, {"A5", 11}};
    const struct {
        const TrpList* papers;
        int32_t code;
        int index;
    } cases[] = {{&customFirst, 9, 1},   {&customFirst, 11, 2},   {&customFirst, 256, 0}, {&customFirst, 8, 0},
                 {&customBetween, 9, 1}, {&customBetween, 11, 2}, {&customBetween, 256, 0}};
    for (const auto& c : cases) EXPECT_EQ(TrpPrintDialog::SheetIndex(*c.papers, c.code), c.index) << c.code;
}

TEST_F(DialogTest, CancelAfterPrinterChangeRestoresThePrinter)
{
    TrpPrintSettings settings;
    settings.Copies = 4;
    ui.expectModal("TrpPrintDialog", Driver([](QDialog& d) {
        TrpPrintDialog& f = Form(d);
        EXPECT_EQ(f.windowTitle(), "打印");
        EXPECT_EQ(f.OrderCB->itemText(0), "直接 (1-9)");
        EXPECT_EQ(f.WhereL1->text(), "Office");
        // "默认" stands in for the custom entry, which is not offered.
        EXPECT_EQ(f.PagPageSizeCB->itemText(0), "默认");
        EXPECT_EQ(f.PagPageSizeCB->findText("自定"), -1);
        Choose(f.PrintersCB, 1);
        EXPECT_EQ(GetPrinters().GetCurrentPrinter()->Name(), "R");
        EXPECT_EQ(f.WhereL1->text(), "Store room");
        f.CopiesE->setValue(2);
        f.CancelB->click();
        return d.result();
    }));
    EXPECT_FALSE(TrpPrintDialog::Execute(settings, 1));
    EXPECT_EQ(GetPrinters().GetCurrentPrinter()->Name(), "Q");
    EXPECT_EQ(settings.Copies, 4);
}

TEST_F(DialogTest, ChoicesComeBackAsSettings)
{
    // What the dialog puts up, an untouched OK gives back.
    TrpPrintSettings in;
    in.Copies = 3;
    in.Collate = false;
    in.PageNumbers = "1-2";
    in.PrintPages = ppEven;
    in.Reverse = true;
    in.PrintMode = pmJoin;
    in.PrintOnSheet = 11;
    in.Duplex = 2;
    TrpPrintSettings out = in;
    ui.expectModal("TrpPrintDialog", Driver(ClickOk));
    ASSERT_TRUE(TrpPrintDialog::Execute(out, 1));
    in.Printer = "Q";
    in.Range = TrpPageRange::Numbers;
    EXPECT_EQ(std::tie(out.Copies, out.Collate, out.PageNumbers, out.PrintPages, out.Reverse, out.PrintMode, out.PrintOnSheet,
                       out.Duplex, out.Printer, out.Range, out.PrintToFile),
              std::tie(in.Copies, in.Collate, in.PageNumbers, in.PrintPages, in.Reverse, in.PrintMode, in.PrintOnSheet,
                       in.Duplex, in.Printer, in.Range, in.PrintToFile));

    // The current page is stored as its number; copies start at 1.
    in = TrpPrintSettings{};
    in.Copies = 0;
    ui.expectModal("TrpPrintDialog", Driver([](QDialog& d) {
        EXPECT_EQ(Form(d).CopiesE->value(), 1);
        Form(d).CurPageRB->setChecked(true);
        return ClickOk(d);
    }));
    ASSERT_TRUE(TrpPrintDialog::Execute(in, 3));
    EXPECT_EQ(in.Range, TrpPageRange::Current);
    EXPECT_EQ(in.PageNumbers, "3");
    EXPECT_EQ(in.PrintOnSheet, 256);
}

TEST_F(DialogTest, PrintModeAndPrinterChangesMoveTheSheet)
{
    TrpPrintSettings settings;
    ui.expectModal("TrpPrintDialog", Driver([](QDialog& d) {
        TrpPrintDialog& f = Form(d);
        EXPECT_FALSE(f.PagPageSizeCB->isEnabled());
        Choose(f.PrintModeCB, pmSplit);
        EXPECT_TRUE(f.PagPageSizeCB->isEnabled());
        EXPECT_EQ(f.PagPageSizeCB->currentText(), "A4");
        // A sheet both printers have survives the change; one the new
        // printer lacks goes back to "默认".
        f.PagPageSizeCB->setCurrentIndex(f.PagPageSizeCB->findText("Letter"));
        Choose(f.PrintersCB, 1);
        EXPECT_EQ(f.PagPageSizeCB->currentText(), "Letter");
        Choose(f.PrintersCB, 0);
        f.PagPageSizeCB->setCurrentIndex(f.PagPageSizeCB->findText("A5"));
        Choose(f.PrintersCB, 1);
        EXPECT_EQ(f.PagPageSizeCB->currentIndex(), 0);
        Choose(f.PrintModeCB, pmDefault);
        EXPECT_FALSE(f.PagPageSizeCB->isEnabled());
        Choose(f.PrintModeCB, pmScale);
        return ClickOk(d);
    }));
    ASSERT_TRUE(TrpPrintDialog::Execute(settings, 1));
    EXPECT_EQ(settings.PrintMode, pmScale);
    EXPECT_EQ(settings.PrintOnSheet, DMPAPER_A4);
    EXPECT_EQ(settings.Printer, "R");
    EXPECT_EQ(GetPrinters().GetCurrentPrinter()->Name(), "R");
}

TEST_F(DialogTest, PrintToFileKeepsTheNameGivenAndGivesABareNameThePrnExtension)
{
    const std::string dir = std::filesystem::temp_directory_path().string();
    const struct {
        std::optional<QString> answer;
        bool printed;
        std::string file;
    } cases[] = {{QString::fromStdString(dir + "/out.pdf"), true, dir + "/out.pdf"},
                 {QString::fromStdString(dir + "/报表"), true, dir + "/报表.prn"},
                 // A dot in a folder's name is no extension; a lone final dot is none either.
                 {QString::fromStdString(dir + "/v1.2/sheet"), true, dir + "/v1.2/sheet.prn"},
                 {QString::fromStdString(dir + "/sheet."), true, dir + "/sheet.prn"},
                 {std::nullopt, false, ""}};
    for (const auto& c : cases) {
        TrpPrintSettings settings;
        ui.expectModal("TrpPrintDialog", Driver([](QDialog& d) {
            Choose(Form(d).PrintersCB, 1);
            Form(d).FileCB->setChecked(true);
            return ClickOk(d);
        }));
        ui.expectFile(c.answer);
        EXPECT_EQ(TrpPrintDialog::Execute(settings, 1), c.printed);
        EXPECT_EQ(settings.PrintToFile, c.printed);
        EXPECT_EQ(settings.FileName, c.file);
        // A cancelled file choice is a cancelled dialog: the printer goes back.
        EXPECT_EQ(GetPrinters().GetCurrentPrinter()->Name(), c.printed ? "R" : "Q");
        EXPECT_EQ(GetPrinters().GetCurrentPrinter()->FileName(), c.file);
        GetPrinters().SetPrinterIndex(0);
    }
    EXPECT_EQ(ui.log().filter("打印至文件").size(), 5);
}

TEST_F(DialogTest, TheDialogOffersTheQueuesOfTheMomentARawOneAmongThem)
{
    TrpPrinters& printers = GetPrinters();
    printers.SetPrinterIndex(1);
    // Added while the program runs, without a driver file: no papers listed.
    FakeSpooler::Queue raw = FakeSpooler::StandardQueue("Raw");
    raw.queue.location = "Dock";
    raw.capabilities = {};
    queues->queueList.insert(queues->queueList.begin(), raw);
    queues->queueList.pop_back();  // and "R" is gone
    ASSERT_EQ(printers.Count(), 2);
    TrpPrintSettings settings;
    ui.expectModal("TrpPrintDialog", Driver([](QDialog& d) {
        TrpPrintDialog& f = Form(d);
        EXPECT_EQ(f.PrintersCB->count(), 2);
        EXPECT_EQ(f.PrintersCB->itemText(0), "Raw");
        // "R" was current; it is gone, so the default is.
        EXPECT_EQ(f.PrintersCB->currentText(), "Q");
        Choose(f.PrintersCB, 0);
        EXPECT_EQ(f.WhereL1->text(), "Dock");
        EXPECT_EQ(f.PagPageSizeCB->count(), 1 + PAPERCOUNT);
        Choose(f.PrintModeCB, pmScale);
        EXPECT_EQ(f.PagPageSizeCB->currentText(), "A4");
        return ClickOk(d);
    }));
    ASSERT_TRUE(TrpPrintDialog::Execute(settings, 1));
    EXPECT_EQ(settings.Printer, "Raw");
    EXPECT_EQ(settings.PrintOnSheet, DMPAPER_A4);
    EXPECT_TRUE(printers.HasPhysicalPrinters());
    EXPECT_TRUE(printers.GetCurrentPrinter()->Initialized());

    // With every queue gone the stand-in printer is offered; one coming back
    // is a printer again.
    queues->queueList.clear();
    ui.expectModal("TrpPrintDialog", QDialog::Rejected);
    EXPECT_FALSE(TrpPrintDialog::Execute(settings, 1));
    EXPECT_FALSE(printers.HasPhysicalPrinters());
    EXPECT_EQ(printers.Printers(), std::vector<std::string>{"虚拟"});
    queues->queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    printers.Refresh();
    EXPECT_TRUE(printers.HasPhysicalPrinters());
    EXPECT_EQ(printers.GetCurrentPrinter()->Name(), "Q");
}

TEST_F(DialogTest, BadPageNumbersKeepTheDialogOpen)
{
    TrpPrintSettings settings;
    ui.expectModal("TrpPrintDialog", Driver([this](QDialog& d) {
        TrpPrintDialog& f = Form(d);
        d.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&d));
        // Entering the field chooses the page list.
        f.PageNumbersE->setFocus();
        EXPECT_TRUE(f.PageNumbersRB->isChecked());
        for (const char* bad : {",,", "-3", "", "  ", "1,a", "2-x", "99999999999"}) {
            ExpectErrorBox("输入页数/文件范围，并以逗号分隔(例如:1,3,5-12)");
            f.OkB->setFocus();
            f.PageNumbersE->setText(QString::fromUtf8(bad));
            f.OkB->click();
            EXPECT_TRUE(d.isVisible() && d.result() != QDialog::Accepted) << bad;
            EXPECT_EQ(QApplication::focusWidget(), f.PageNumbersE) << bad;
        }
        f.PageNumbersE->setText("2,4-");
        return ClickOk(d);
    }));
    ASSERT_TRUE(TrpPrintDialog::Execute(settings, 1));
    EXPECT_EQ(settings.PageNumbers, "2,4-");
}

TEST_F(DialogTest, DuplexFromThePrinterProperties)
{
    // Q offers two-sided printing, R does not.
    const struct {
        int printer;
        int chosen;  // the properties dialog's two-sided entry; -1 leaves it
        int duplex;
    } cases[] = {{0, 1, 1}, {0, 2, 2}, {0, -1, 2}, {1, -1, 2}};
    for (const auto& c : cases) {
        TrpPrintSettings settings;
        settings.Duplex = 2;
        ui.expectModal("TrpPrintDialog", Driver([&](QDialog& d) {
            Choose(Form(d).PrintersCB, c.printer);
            Form(d).PropButton->click();
            return ClickOk(d);
        }));
        ui.expectModal("TrpPrinterPropertiesDialog", Driver([&](QDialog& d) {
            if (c.chosen >= 0) d.findChild<QComboBox*>("DuplexCB")->setCurrentIndex(c.chosen);
            return int(QDialog::Accepted);
        }));
        ASSERT_TRUE(TrpPrintDialog::Execute(settings, 1));
        EXPECT_EQ(settings.Duplex, c.duplex);
        GetPrinters().SetPrinterIndex(0);
    }
}

TEST_F(DialogTest, PrintPathReachesTheDialogOnceRegistered)
{
    TrpPrintSettings settings;
    SetPrintDialogProvider(nullptr);
    EXPECT_FALSE(ShowPrintDialog(settings, 1));
    registerPreviewDialogs();
    ui.expectModal("TrpPrintDialog", Driver(ClickOk));
    EXPECT_TRUE(ShowPrintDialog(settings, 1));
    EXPECT_EQ(settings.Printer, "Q");
}
