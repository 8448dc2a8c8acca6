// Prepared pages on paper: page choice and order, copies, two-sided
// sheets, paper per page, the split, join and scale modes, cancelling, the
// run around the print dialog, and a job through a private CUPS scheduler.
// Output is read back with poppler-utils.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <memory>
#include <stdexcept>

#include "CodePages.h"
#include "CupsSpooler.h"
#include "CupsTestServer.h"
#include "FakeSpooler.h"
#include "PrinterTestSupport.h"
#include "ScriptedUiServices.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpPrintDialog.h"
#include "rpPrinter.h"
#include "rpProgress.h"
#include "rpRes.h"
#include "rpReport.h"

namespace {

// A report filled by hand, as the engine would: page layouts of their own
// paper, each page one band with a text.
struct Pages {
    struct Layout {
        TrpReportPage* page;
        TrpMasterData* band;
        TrpMemoView* memo;
    };

    Pages()
    {
        registerReportResources();
        report->PrintOptions()->ShowDialog = false;
    }

    TrpPreviewPages& pages() { return *static_cast<TrpPreviewPages*>(report->PreviewPages()); }

    // Paper code (256 with a size in mm), the text at `left` mm from the
    // page's margin.
    int layout(int32_t paper, bool landscape = false, Extended width = 0, Extended height = 0, Extended left = 0)
    {
        auto* page = new TrpReportPage(report.get());
        page->SetName("Page" + IntToStr(static_cast<int64_t>(layouts.size()) + 1));
        page->LeftMargin = page->RightMargin = page->TopMargin = page->BottomMargin = 10;
        if (paper == DMPAPER_USER) {
            page->SetPaperWidth(width);
            page->SetPaperHeight(height);
        } else {
            page->SetPaperSize(paper);
        }
        if (landscape) page->SetOrientation(poLandscape);
        auto* band = new TrpMasterData(page);
        band->SetName("Band" + IntToStr(static_cast<int64_t>(layouts.size()) + 1));
        band->SetBounds(0, 0, 300, 40);
        auto* memo = new TrpMemoView(band);
        memo->SetName("Text" + IntToStr(static_cast<int64_t>(layouts.size()) + 1));
        memo->SetBounds(left * rp01cm, 5, 300, 30);
        memo->Font()->SetName("宋体");
        memo->Font()->SetSize(14);
        layouts.push_back({page, band, memo});
        return static_cast<int>(layouts.size()) - 1;
    }

    // One page per text, on the layout given beside it.
    void fill(const std::vector<std::pair<int, std::string>>& texts)
    {
        pages().Clear();
        pages().Initialize();
        for (const Layout& l : layouts) pages().AddSourcePage(l.page);
        for (const auto& [layout, text] : texts) {
            const Layout& l = layouts[layout];
            pages().AddPage(l.page);
            l.memo->SetText(Utf8ToUtf16(text));
            pages().AddObject(l.band);
        }
        pages().Finish();
    }

    // n A4 pages "P1" ... "Pn".
    void fill(int n)
    {
        if (layouts.empty()) layout(DMPAPER_A4);
        std::vector<std::pair<int, std::string>> texts;
        for (int i = 1; i <= n; ++i) texts.emplace_back(0, "P" + IntToStr(i));
        fill(texts);
    }

    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    std::vector<Layout> layouts;
};

// The virtual printer with a log of the settings the page loop sends it.
class RecordingPrinter : public TrpVirtualPrinter {
public:
    RecordingPrinter() : TrpVirtualPrinter("rec", "") { Init(); }

    void SetPrintParams(int32_t PaperSize, Extended PaperWidth, Extended PaperHeight, bool Orientation, int32_t Bin,
                        int32_t Duplex, int32_t Copies) override
    {
        params.push_back(IntToStr(PaperSize) + " " + IntToStr(Round(PaperWidth)) + "x" + IntToStr(Round(PaperHeight)) +
                         (Orientation ? " landscape" : " portrait") + " bin " + IntToStr(Bin) + " duplex " +
                         IntToStr(Duplex) + " copies " + IntToStr(Copies));
        TrpVirtualPrinter::SetPrintParams(PaperSize, PaperWidth, PaperHeight, Orientation, Bin, Duplex, Copies);
    }
    bool BeginDoc() override
    {
        ++documents;
        return TrpVirtualPrinter::BeginDoc();
    }

    std::vector<std::string> params;
    int documents = 0;
};

class PrintLoop : public ::testing::Test {
protected:
    void SetUp() override { previous_ = gui::setUi(&ui); }
    void TearDown() override
    {
        gui::setUi(previous_);
        EXPECT_EQ(ui.pending(), 0) << "scripted interactions left over";
        SetPrintersSpooler(nullptr);
    }

    std::string path(const char* name) const { return dir.filePath(name).toStdString(); }
    // Prints on the recording printer into a file; the file's page texts.
    std::vector<std::string> print(Pages& p, const TrpPrintSettings& s, const char* name = "out.pdf")
    {
        printer.SetFileName(path(name));
        EXPECT_TRUE(p.pages().PrintTo(printer, s));
        return texts(path(name));
    }
    static std::vector<std::string> texts(const std::string& file)
    {
        std::vector<std::string> out;
        for (int i = 1; i <= PdfPageCount(file); ++i) out.push_back(Trim(PdfText(file, i)));
        return out;
    }
    // A spooler with one default queue "Q" behind the process's printer
    // list; `margins` in hundredths of a mm for every paper.
    FakeSpooler& queue(int margins = 423)
    {
        auto spooler = std::make_unique<FakeSpooler>();
        FakeSpooler::Queue q = FakeSpooler::StandardQueue("Q", true);
        for (SpoolerMedia& m : q.capabilities.media) m.left = m.top = m.right = m.bottom = margins;
        spooler->queueList.push_back(q);
        FakeSpooler& fake = *spooler;
        SetPrintersSpooler(std::move(spooler));
        return fake;
    }
    void expectErrorBox(const QString& text) { ui.expectMessage(gui::MsgResult::Ok, text, QStringLiteral("错误")); }

    QTemporaryDir dir;
    RecordingPrinter printer;
    gui::ScriptedUiServices ui;

private:
    gui::UiServices* previous_ = nullptr;
};

using Texts = std::vector<std::string>;

}  // namespace

TEST_F(PrintLoop, PageListOrderAndOddOrEvenPages)
{
    ui.setFailureHandler([](const QString& line) { ADD_FAILURE() << line.toStdString(); });
    Pages p;
    p.fill(5);
    TrpPrintSettings s;
    EXPECT_EQ(print(p, s), (Texts{"P1", "P2", "P3", "P4", "P5"}));
    s.PageNumbers = "2,4,9";  // 9 is no page of the report
    EXPECT_EQ(print(p, s), (Texts{"P2", "P4"}));
    s.PageNumbers = "4-";
    EXPECT_EQ(print(p, s), (Texts{"P4", "P5"}));
    s.PageNumbers.clear();
    s.PrintPages = ppEven;
    EXPECT_EQ(print(p, s), (Texts{"P2", "P4"}));

    Pages four;
    four.fill(4);
    TrpPrintSettings odd;
    odd.Reverse = true;
    odd.PrintPages = ppOdd;
    EXPECT_EQ(print(four, odd), (Texts{"P3", "P1"}));
    // The list's own order, reversed.
    odd.PageNumbers = "4,1,3";
    EXPECT_EQ(print(four, odd), (Texts{"P3", "P1"}));

    // Chinese text comes back out of the PDF.
    Pages chinese;
    chinese.fill({{chinese.layout(DMPAPER_A4), "发货单 客户名称：张三"}});
    EXPECT_EQ(print(chinese, TrpPrintSettings{}), (Texts{"发货单 客户名称：张三"}));

    // Nothing selected: no document, and no success.
    TrpPrintSettings none;
    none.PageNumbers = "7";
    printer.documents = 0;
    EXPECT_FALSE(four.pages().PrintTo(printer, none));
    EXPECT_EQ(printer.documents, 0);
    // Ranges wholly beyond the last page, or backwards, select nothing
    // either: never every page.
    for (const char* text : {"6-9", "5-", "3-2", "9-12,7"}) {
        none.PageNumbers = text;
        EXPECT_FALSE(four.pages().PrintTo(printer, none)) << text;
        EXPECT_EQ(printer.documents, 0) << text;
    }
    none.PageNumbers = "3-2,4";
    EXPECT_EQ(print(four, none), (Texts{"P4"}));
    none.PageNumbers = "  ";
    EXPECT_EQ(print(four, none), (Texts{"P1", "P2", "P3", "P4"}));
}

TEST_F(PrintLoop, CopiesCollatedOnTwoSidedSheetsAndUncollated)
{
    Pages p;
    p.fill(3);
    std::vector<int> copyNumbers;
    p.report->OnPrintPage = [&](TrpPage*, int copy) { copyNumbers.push_back(copy); };
    TrpPrintSettings s;
    s.Copies = 2;
    s.Collate = true;
    s.Duplex = dmHorizontal;
    // Each copy starts on a sheet of its own: an empty back after page 3.
    EXPECT_EQ(print(p, s), (Texts{"P1", "P2", "P3", "", "P1", "P2", "P3", ""}));
    EXPECT_EQ(copyNumbers, (std::vector<int>{1, 1, 1, 2, 2, 2}));
    // Four pages fill two sheets exactly.
    Pages four;
    four.fill(4);
    EXPECT_EQ(print(four, s).size(), 8u);

    // Uncollated copies repeat each page, all as copy 1 (a PDF printer
    // cannot make copies: the page is drawn into the document again).
    copyNumbers.clear();
    s.Collate = false;
    s.Duplex = dmNone;
    printer.params.clear();
    EXPECT_EQ(print(p, s), (Texts{"P1", "P1", "P2", "P2", "P3", "P3"}));
    EXPECT_EQ(copyNumbers, (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(printer.params, (Texts{"9 210x297 portrait bin 7 duplex 0 copies 2"}));
    // Copies below 1 count as 1.
    s.Copies = 0;
    EXPECT_EQ(print(p, s).size(), 3u);
}

TEST_F(PrintLoop, PaperBinsAndTwoSidedModeFollowThePages)
{
    Pages p;
    const int a4 = p.layout(DMPAPER_A4);
    const int waybill = p.layout(DMPAPER_USER, false, 232, 127);
    const int a5 = p.layout(11, true);
    p.layouts[a4].page->Bin = 1;
    p.layouts[a4].page->BinOtherPages = 2;
    p.layouts[a5].page->Duplex = dmVertical;
    p.fill({{a4, "A"}, {a4, "B"}, {waybill, "C"}, {waybill, "D"}, {a5, "E"}, {a4, "F"}});
    TrpPrintSettings s;
    printer.SetFileName(path("mixed.pdf"));
    ASSERT_TRUE(p.pages().PrintTo(printer, s));
    EXPECT_EQ(PdfPageSizesMm(path("mixed.pdf")),
              (Texts{"210x297", "210x297", "232x127", "232x127", "210x148", "210x297"}));
    EXPECT_EQ(texts(path("mixed.pdf")), (Texts{"A", "B", "C", "D", "E", "F"}));
    // Settings go to the printer only when they change: the first page's
    // bin, then the other pages' bin; the waybill's size; the A5 page's
    // two-sided mode and orientation.
    EXPECT_EQ(printer.params, (Texts{"9 210x297 portrait bin 1 duplex 0 copies 1", "9 210x297 portrait bin 2 duplex 0 copies 1",
                                     "256 232x127 portrait bin 7 duplex 0 copies 1",
                                     "11 210x148 landscape bin 7 duplex 1 copies 1",
                                     "9 210x297 portrait bin 2 duplex 0 copies 1"}));
    EXPECT_EQ(printer.documents, 1);

    // The two-sided mode of the dialog wins over the pages'.
    s.Duplex = dmSimplex;
    printer.params.clear();
    ASSERT_TRUE(p.pages().PrintTo(printer, s));
    for (const std::string& line : printer.params) EXPECT_NE(line.find("duplex 3"), std::string::npos);
}

TEST_F(PrintLoop, SplitPrintsEveryPartOfTheBigPage)
{
    EXPECT_EQ(SplitSheetCount(420, 210, 0), 2);
    EXPECT_EQ(SplitSheetCount(430, 210, 0), 3);  // the last 10 mm get a sheet too
    EXPECT_EQ(SplitSheetCount(420, 200, 3), 3);  // 200 + 197 + 197 mm
    EXPECT_EQ(SplitSheetCount(397, 200, 3), 2);
    EXPECT_EQ(SplitSheetCount(150, 200, 3), 1);
    EXPECT_EQ(SplitSheetCount(420, 2, 5), 210);  // overlap wider than the sheet: none
    EXPECT_EQ(SplitSheetCount(420, 0, 3), 1);
    EXPECT_EQ(SplitSheetCount(1e300L, 1, 0), 1000001);

    // An A3 landscape page on A4 without margins or overlap: two A4
    // portrait sheets, its left and right halves.
    queue(0);
    Pages p;
    p.layout(8, true);
    const int wide = p.layout(DMPAPER_USER, false, 420, 280, 388);
    p.fill({{0, "left half"}});
    TrpPrintSettings s;
    s.PrintMode = pmSplit;
    s.PrintOnSheet = DMPAPER_A4;
    s.SplitOverlap = 0;
    TrpCustomPrinter& q = *GetPrinters().GetCurrentPrinter();
    q.SetFileName(path("split.pdf"));
    ASSERT_TRUE(p.pages().PrintTo(q, s));
    EXPECT_EQ(PdfPageSizesMm(path("split.pdf")), (Texts{"210x297", "210x297"}));
    EXPECT_EQ(texts(path("split.pdf")), (Texts{"left half", ""}));

    // With 5 mm margins and 3 mm overlap a 420 mm page needs three sheets
    // across; the text near its right edge reaches the third.
    p.fill({{wide, "R3"}});
    s.SplitOverlap = 3;
    printer.SetFileName(path("split3.pdf"));
    ASSERT_TRUE(p.pages().PrintTo(printer, s));
    EXPECT_EQ(PdfPageSizesMm(path("split3.pdf")), (Texts{"210x297", "210x297", "210x297"}));
    EXPECT_EQ(texts(path("split3.pdf")), (Texts{"", "", "R3"}));
    // 398 mm into the page is 398 - 2 x 197 mm into the third sheet's
    // printable area, which starts 5 mm in.
    const double x = std::strtod(PdfWordBox(path("split3.pdf"), "R3").c_str(), nullptr) * 25.4 / 72;
    EXPECT_NEAR(x, 9.5, 1.0);
}

TEST_F(PrintLoop, JoinPutsSmallPagesSideBySideOnATurnedSheet)
{
    EXPECT_EQ(JoinPageCount(297, 148), 2);
    EXPECT_EQ(JoinPageCount(210, 150), 1);  // never half a page off the sheet
    EXPECT_EQ(JoinPageCount(100, 150), 1);
    EXPECT_EQ(JoinPageCount(100, 0), 1);

    Pages p;
    p.layout(11);
    p.fill(5);
    TrpPrintSettings s;
    s.PrintMode = pmJoin;
    s.PrintOnSheet = DMPAPER_A4;
    printer.SetFileName(path("join.pdf"));
    ASSERT_TRUE(p.pages().PrintTo(printer, s));
    EXPECT_EQ(PdfPageSizesMm(path("join.pdf")), (Texts{"297x210", "297x210", "297x210"}));
    const Texts sheets = texts(path("join.pdf"));
    ASSERT_EQ(sheets.size(), 3u);
    EXPECT_NE(sheets[0].find("P1"), std::string::npos);
    EXPECT_NE(sheets[0].find("P2"), std::string::npos);
    EXPECT_EQ(sheets[2], "P5");
    // The first page's text on the left half, the second's on the right.
    const double p2 = std::strtod(PdfWordBox(path("join.pdf"), "P2").c_str(), nullptr) * 25.4 / 72;
    EXPECT_NEAR(p2, 148 + 10 + 0.5, 1.5);

    // Uncollated copies are placed side by side.
    s.Collate = false;
    s.Copies = 2;
    p.fill(2);
    EXPECT_EQ(print(p, s, "join2.pdf").size(), 2u);
    EXPECT_EQ(printer.params.back().substr(printer.params.back().rfind(' ') + 1), "1");
}

TEST_F(PrintLoop, ScaleFitsThePageOnTheSheetInProportion)
{
    Pages p;
    p.layout(8, false, 0, 0, 100);  // A3 portrait, text 110 mm from the edge
    p.layout(DMPAPER_USER, true, 400, 100, 100);
    p.fill({{0, "scaled"}, {1, "long"}});
    TrpPrintSettings s;
    s.PrintMode = pmScale;
    s.PrintOnSheet = DMPAPER_A4;
    printer.SetFileName(path("scale.pdf"));
    ASSERT_TRUE(p.pages().PrintTo(printer, s));
    // The landscape page goes on a landscape sheet.
    EXPECT_EQ(PdfPageSizesMm(path("scale.pdf")), (Texts{"210x297", "297x210"}));
    const double x = std::strtod(PdfWordBox(path("scale.pdf"), "scaled").c_str(), nullptr) * 25.4 / 72;
    EXPECT_NEAR(x, 110 * 210.0 / 297 + 0.4, 1.0);
    EXPECT_EQ(p.pages().PrintScale, 1) << "back to 1 after printing";
}

TEST_F(PrintLoop, CancelInTheMiddleSendsNothingAndLeavesNoFile)
{
    FakeSpooler& spooler = queue();
    Pages p;
    p.fill(4);
    std::vector<int> progress;
    p.pages().OnProgressStart = [&](int kind) { progress.push_back(-kind); };
    p.pages().OnProgress = [&](int kind, int page) {
        EXPECT_EQ(kind, 2);
        progress.push_back(page);
        if (page == 2) p.report->Terminated = true;  // the progress window's cancel
    };
    p.pages().OnProgressStop = [&](int kind) { progress.push_back(-10 * kind); };
    TrpCustomPrinter& q = *GetPrinters().GetCurrentPrinter();
    EXPECT_FALSE(p.pages().PrintTo(q, TrpPrintSettings{}));
    EXPECT_TRUE(spooler.jobs.empty());
    EXPECT_FALSE(q.Printing());
    EXPECT_EQ(progress, (std::vector<int>{-2, 1, 2, -20}));

    q.SetFileName(path("cancelled.pdf"));
    EXPECT_FALSE(p.pages().PrintTo(q, TrpPrintSettings{}));
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("cancelled.pdf"))));
    EXPECT_EQ(p.pages().CopyNo, 0);

    // The first page from its own tray is a job of its own, but nothing
    // is sent before the last page: cancelled after it, still nothing.
    q.SetFileName({});
    p.layouts[0].page->Bin = 2;
    p.layouts[0].page->Duplex = dmVertical;
    p.pages().OnProgress = nullptr;
    p.fill(4);
    p.pages().OnProgress = [&](int, int page) {
        if (page == 2) p.report->Terminated = true;
    };
    EXPECT_FALSE(p.pages().PrintTo(q, TrpPrintSettings{}));
    EXPECT_TRUE(spooler.jobs.empty());

    // The same run without a cancel sends the first page from its tray,
    // then the others from theirs; Terminated is cleared when printing
    // starts.
    p.pages().OnProgress = nullptr;
    ASSERT_TRUE(p.pages().PrintTo(q, TrpPrintSettings{}));
    ASSERT_EQ(spooler.jobs.size(), 2u);
    for (const auto& job : spooler.jobs) {
        EXPECT_EQ(job->options.media, "iso_a4_210x297mm");
        EXPECT_EQ(job->options.sides, "two-sided-long-edge");
    }
    EXPECT_EQ(spooler.jobs[0]->options.source, "bottom");
    EXPECT_EQ(spooler.jobs[1]->options.source, "top");
}

TEST_F(PrintLoop, EachJobOfATwoSidedRunStartsOnAFrontSide)
{
    FakeSpooler& spooler = queue();
    Pages p;
    const int a4 = p.layout(DMPAPER_A4), a5 = p.layout(11);
    p.fill({{a4, "P1"}, {a5, "P2"}, {a5, "P3"}});
    TrpPrintSettings s;
    s.Copies = 2;
    s.Collate = true;
    s.Duplex = dmVertical;
    ASSERT_TRUE(p.pages().PrintTo(*GetPrinters().GetCurrentPrinter(), s));
    // P2 starts the A5 job on a front side, so P2 and P3 fill one sheet:
    // no empty page is sent, which would cost a sheet.
    std::vector<std::string> jobs;
    for (const auto& job : spooler.jobs) {
        const std::string file = path("job.pdf");
        QFile f(QString::fromStdString(file));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(job->data.data(), static_cast<qint64>(job->data.size()));
        f.close();
        std::string pages;
        for (const std::string& text : texts(file)) pages += (text.empty() ? "-" : text) + " ";
        jobs.push_back(job->options.media + ": " + pages);
    }
    EXPECT_EQ(jobs, (Texts{"iso_a4_210x297mm: P1 ", "iso_a5_148x210mm: P2 P3 ", "iso_a4_210x297mm: P1 ",
                           "iso_a5_148x210mm: P2 P3 "}));
}

TEST_F(PrintLoop, ProgressWindowCancelsAndGivesTheFormBackWhenPrintingFails)
{
    Pages p;
    p.fill(3);
    QWidget form;
    form.resize(200, 100);
    form.show();
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    // The report's own window counts the pages; its cancel button stops
    // printing at the next page.
    std::vector<std::string> shown;
    p.report->OnPrintPage = [&](TrpPage*, int) {
        TrpProgress* window = p.report->ProgressWindow();
        ASSERT_TRUE(window);
        shown.push_back(window->Message());
        EXPECT_FALSE(form.isEnabled());
        if (shown.size() == 2) window->CancelB->click();
    };
    printer.SetFileName(path("cancelled.pdf"));
    EXPECT_FALSE(p.pages().PrintTo(printer, TrpPrintSettings{}));
    EXPECT_EQ(shown, (Texts{"", "打印页 1"}));
    EXPECT_TRUE(form.isEnabled());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("cancelled.pdf"))));

    // A handler that fails: the window goes, the form is usable again and
    // no half document is left.
    form.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    p.report->OnPrintPage = [&](TrpPage*, int) {
        EXPECT_FALSE(form.isEnabled());
        throw std::runtime_error("a handler fails");
    };
    printer.SetFileName(path("failed.pdf"));
    EXPECT_THROW(p.pages().PrintTo(printer, TrpPrintSettings{}), std::runtime_error);
    EXPECT_TRUE(form.isEnabled());
    EXPECT_FALSE(p.report->ProgressWindow());
    EXPECT_FALSE(printer.Printing());
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path("failed.pdf"))));
}

TEST_F(PrintLoop, PrintChoosesThePrinterAndTheOutput)
{
    Pages p;
    p.fill(2);
    TrpPrintOptions& o = *p.report->PrintOptions();
    // No queue at all: only a file can be printed.
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    expectErrorBox("在你的系统没有安装打印机");
    EXPECT_FALSE(p.pages().Print());
    o.OutputFile = path("virtual.pdf");
    ASSERT_TRUE(p.pages().Print());
    EXPECT_EQ(PdfPageCount(path("virtual.pdf")), 2);
    EXPECT_TRUE(GetPrinters().GetCurrentPrinter()->FileName().empty()) << "the file is for one run";

    // A queue named in the options, printing to a file: no job.
    FakeSpooler& spooler = queue();
    spooler.queueList.push_back(FakeSpooler::StandardQueue("R"));
    o.Printer = "r";
    o.OutputFile = path("queue.pdf");
    o.Copies = 2;
    o.Collate = false;
    ASSERT_TRUE(p.pages().Print());
    EXPECT_EQ(GetPrinters().GetCurrentPrinter()->Name(), "R");
    EXPECT_EQ(PdfPageCount(path("queue.pdf")), 4);
    EXPECT_TRUE(spooler.jobs.empty());
    o.OutputFile.clear();
    ASSERT_TRUE(p.pages().Print());
    ASSERT_EQ(spooler.jobs.size(), 1u);
    EXPECT_EQ(spooler.jobs[0]->queue, "R");
    // A page list no dialog checked is refused before anything is printed.
    o.PageNumbers = "1,,2";
    expectErrorBox({});
    EXPECT_FALSE(p.pages().Print());
    EXPECT_EQ(spooler.jobs.size(), 1u);
}

TEST_F(PrintLoop, ThePrintDialogDecidesForOneRun)
{
    queue();
    registerPreviewDialogs();
    Pages p;
    p.fill(3);
    TrpPrintOptions& o = *p.report->PrintOptions();
    o.ShowDialog = true;
    o.Copies = 1;
    p.pages().CurPage = 2;  // the preview's page, from 1
    using Driver = gui::ScriptedUiServices::Driver;
    // Cancelled: nothing printed.
    ui.expectModal("TrpPrintDialog", QDialog::Rejected);
    EXPECT_FALSE(p.pages().Print());
    // The current page, twice, to a file.
    ui.expectModal("TrpPrintDialog", Driver([](QDialog& d) {
        auto& f = static_cast<TrpPrintDialog&>(d);
        f.CurPageRB->setChecked(true);
        f.CopiesE->setValue(2);
        f.FileCB->setChecked(true);
        f.OkB->click();
        return d.result();
    }));
    ui.expectFile(QString::fromStdString(path("chosen.pdf")));
    ASSERT_TRUE(p.pages().Print());
    EXPECT_EQ(texts(path("chosen.pdf")), (Texts{"P2", "P2"}));
    EXPECT_EQ(o.Copies, 1) << "the report keeps its own options";
    EXPECT_TRUE(o.PageNumbers.empty());
    SetPrintDialogProvider(nullptr);
}

TEST_F(PrintLoop, APrinterThatIsNotReadyIsNoSuccess)
{
    // A queue whose settings cannot be read stays uninitialised.
    struct Unreadable : FakeSpooler {
        SpoolerCapabilities capabilities(const std::string& name) override
        {
            if (name == "Broken") throw ESpoolerError("unreachable");
            return FakeSpooler::capabilities(name);
        }
    };
    auto spooler = std::make_unique<Unreadable>();
    spooler->queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    spooler->queueList.push_back(FakeSpooler::StandardQueue("Broken"));
    SetPrintersSpooler(std::move(spooler));
    Pages p;
    p.fill(1);
    p.report->PrintOptions()->Printer = "Broken";
    expectErrorBox("Printer selected is not valid");
    EXPECT_FALSE(p.pages().Print());
}

// ---- Through a private CUPS scheduler

namespace {

class CupsPrintLoop : public CupsServerTest {
protected:
    static void SetUpTestSuite() { StartServer({{"Desk", "Back office", true}}); }
    static void TearDownTestSuite() { StopServer(); }
};

}  // namespace

TEST_F(CupsPrintLoop, JobArrivesWithThePaperAndSidesAskedFor)
{
    CupsSpooler spooler;
    TrpPrinters list(spooler);
    Pages p;
    p.layout(11);
    p.fill(3);
    TrpPrintSettings s;
    s.Duplex = dmHorizontal;
    ASSERT_TRUE(p.pages().PrintTo(*list.GetCurrentPrinter(), s));
    std::optional<std::string> arrived = server_->waitForJob("Desk", 1);
    ASSERT_TRUE(arrived.has_value());
    QTemporaryDir dir;
    const std::string copy = dir.filePath("arrived.pdf").toStdString();
    {
        QFile f(QString::fromStdString(copy));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(arrived->data(), static_cast<qint64>(arrived->size()));
    }
    // Three pages and the empty back of the last sheet.
    EXPECT_EQ(PdfPageSizesMm(copy), (Texts{"148x210", "148x210", "148x210", "148x210"}));
    const std::string options = server_->jobOptions("Desk", 0);
    EXPECT_NE(options.find("media=iso_a5_148x210mm"), std::string::npos) << options;
    EXPECT_NE(options.find("sides=two-sided-short-edge"), std::string::npos) << options;
}
