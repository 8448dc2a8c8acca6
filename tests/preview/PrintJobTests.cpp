// Documents: to a file, to a queue (fake and a private CUPS scheduler), and
// failures that must not pass for success.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "CupsSpooler.h"
#include "CupsTestServer.h"
#include "FakeSpooler.h"
#include "PrinterTestSupport.h"
#include "rpPrinter.h"

namespace {

std::string Path(const QTemporaryDir& dir, const char* name) { return dir.filePath(name).toStdString(); }

// The virtual printer, ready to print into a temporary folder.
class VirtualPrinterTest : public ::testing::Test {
protected:
    void SetUp() override { p.Init(); }
    std::string path(const char* name) const { return Path(dir, name); }
    QTemporaryDir dir;
    TrpVirtualPrinter p{"v", ""};
};

bool PrintPages(TrpCustomPrinter& p, int pages)
{
    if (!p.BeginDoc()) return false;
    for (int i = 0; i < pages; ++i) {
        p.BeginPage();
        if (!p.EndPage()) return false;
    }
    return p.EndDoc();
}

}  // namespace

// ---- To a file

using PrintToFile = VirtualPrinterTest;

TEST_F(PrintToFile, EachPageKeepsItsOwnSheet)
{
    p.SetFileName(path("mixed.prn"));
    ASSERT_TRUE(p.BeginDoc());
    for (const auto& [code, width, height, landscape] : {std::tuple{9, 0, 0, false}, {11, 0, 0, true}, {1, 0, 0, false}, {256, 100, 50, false}}) {
        p.SetPrintParams(code, width, height, landscape, 7, 0, 1);
        p.BeginPage();
        ASSERT_TRUE(p.EndPage());
    }
    ASSERT_TRUE(p.EndDoc());
    EXPECT_FALSE(p.Printing());
    EXPECT_EQ(PdfPageSizesMm(p.FileName()),
              (std::vector<std::string>{"210x297", "210x148", "216x279", "100x50"}));
}

TEST_F(PrintToFile, UnwritablePathGivesFalseAnErrorBoxAndNoFile)
{
    ScriptedUi boxes(2);
    const std::string target = path("missing/folder/out.prn");
    p.SetFileName(target);
    EXPECT_FALSE(p.BeginDoc());
    EXPECT_FALSE(p.Printing());
    ASSERT_EQ(boxes.messages().size(), 1u);
    EXPECT_NE(boxes.messages()[0].find("Cannot create file"), std::string::npos) << boxes.messages()[0];
    EXPECT_FALSE(QFile::exists(QString::fromStdString(target)));

    p.SetFileName(dir.path().toStdString());  // a folder is no file either
    EXPECT_FALSE(p.BeginDoc());
    EXPECT_EQ(boxes.messages().size(), 2u);
}

TEST_F(PrintToFile, AbortLeavesNothingAndKeepsAnEarlierFile)
{
    const std::string target = path("out.prn");
    {
        QFile old(QString::fromStdString(target));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier");
    }
    p.SetFileName(target);
    p.SetViewParams(9, 0, 0, false);
    ASSERT_TRUE(p.BeginDoc());
    p.BeginPage();
    p.EndPage();
    p.Abort();
    EXPECT_FALSE(p.Printing());
    EXPECT_EQ(CupsTestServer::readFile(target), "earlier");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"out.prn"});
}

TEST_F(PrintToFile, QueuePrinterWritesTheFileAndSubmitsNothing)
{
    FakeQueue q;
    q.printer().SetFileName(path("q.prn"));
    q.printer().SetViewParams(11, 0, 0, false);
    ASSERT_TRUE(PrintPages(q.printer(), 2));
    EXPECT_TRUE(q.spooler.jobs.empty());
    EXPECT_EQ(PdfPageSizesMm(q.printer().FileName()), (std::vector<std::string>{"148x210", "148x210"}));
}

// ---- To a queue

class PrintToQueue : public ::testing::Test {
protected:
    // The job's tray and sides, "source sides".
    static std::string trayAndSides(const FakeSpooler::Job& job) { return job.options.source + " " + job.options.sides; }
    FakeQueue q;
    TrpPrinter& p = q.printer();
    std::vector<std::shared_ptr<FakeSpooler::Job>>& jobs = q.spooler.jobs;
};

TEST_F(PrintToQueue, OneJobPerDocumentWithPagesCarryingThePdfAndTheFirstPageSettings)
{
    ASSERT_TRUE(PrintPages(p, 0));
    EXPECT_TRUE(jobs.empty());
    p.SetTitle("Order ZEZO-1");
    p.SetPrintParams(11, 0, 0, false, 7, 0, 1);  // bin 7: the queue's default tray
    ASSERT_TRUE(p.BeginDoc());
    p.BeginPage();
    ASSERT_TRUE(p.EndPage());
    p.SetPrintParams(9, 0, 0, false, 4, 1, 1);  // later pages cannot change the job
    p.BeginPage();
    ASSERT_TRUE(p.EndPage());
    ASSERT_TRUE(p.EndDoc());
    ASSERT_EQ(jobs.size(), 1u);
    const FakeSpooler::Job& job = *jobs[0];
    EXPECT_TRUE(job.finished);
    EXPECT_EQ(job.format, SpoolerFormat::Pdf);
    EXPECT_EQ(job.options.title, "Order ZEZO-1");
    EXPECT_EQ(job.options.media, "iso_a5_148x210mm");
    EXPECT_EQ(trayAndSides(job), "top one-sided");
    EXPECT_EQ(job.data.rfind("%PDF-", 0), 0u);
    EXPECT_NE(job.data.find("%%EOF"), std::string::npos);
}

TEST_F(PrintToQueue, DuplexNumberingOfThePrintOptions)
{
    const char* expected[] = {"one-sided", "two-sided-long-edge", "two-sided-short-edge", "one-sided"};
    for (int32_t duplex = 0; duplex < 4; ++duplex) {
        p.SetPrintParams(9, 0, 0, false, 2, duplex, 1);
        ASSERT_TRUE(PrintPages(p, 1));
        EXPECT_EQ(trayAndSides(*jobs.back()), std::string("bottom ") + expected[duplex]) << duplex;
    }
}

TEST_F(PrintToQueue, PropertiesOverridesLastOneDocument)
{
    p.SetBin(4);
    p.SetDuplex(3);
    p.SetPrintParams(9, 0, 0, false, 2, 1, 1);
    ASSERT_TRUE(PrintPages(p, 1));
    EXPECT_EQ(trayAndSides(*jobs[0]), "manual two-sided-short-edge");
    EXPECT_EQ(p.Bin(), -1);
    EXPECT_EQ(p.Duplex(), -1);
    p.SetPrintParams(9, 0, 0, false, 7, 0, 1);
    ASSERT_TRUE(PrintPages(p, 1));
    EXPECT_EQ(trayAndSides(*jobs[1]), "top one-sided");
}

TEST_F(PrintToQueue, RefusedJobIsReportedNotSucceeded)
{
    ScriptedUi boxes(3);
    q.queue().refuseJobs = true;
    EXPECT_FALSE(PrintPages(p, 1));
    EXPECT_FALSE(p.Printing());
    ASSERT_EQ(boxes.messages().size(), 1u);
    EXPECT_NE(boxes.messages()[0].find("not accepting jobs"), std::string::npos);
    // A raw job gives one box for the refusal, not one per call.
    EXPECT_FALSE(p.BeginRawDocument());
    EXPECT_FALSE(p.WriteRawData("x"));
    EXPECT_FALSE(p.EndRawDocument());
    EXPECT_EQ(boxes.messages().size(), 2u);

    q.queue().refuseJobs = false;
    q.queue().failOnFinish = true;
    EXPECT_FALSE(PrintPages(p, 1));
    EXPECT_EQ(boxes.messages().size(), 3u);
    EXPECT_TRUE(jobs.back()->cancelled);
}

TEST_F(PrintToQueue, RawBytesReachTheJobUnchanged)
{
    const std::string raw("\x1b@\x00\xff line\r\n\f", 12);
    ASSERT_TRUE(p.BeginRawDocument());
    ASSERT_TRUE(p.WriteRawData(raw.substr(0, 5)));
    ASSERT_TRUE(p.WriteRawData(raw.substr(5)));
    ASSERT_TRUE(p.EndRawDocument());
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0]->format, SpoolerFormat::Raw);
    EXPECT_EQ(jobs[0]->data, raw);
    EXPECT_EQ(jobs[0]->options.title, "Quorvel Document");
    EXPECT_FALSE(p.WriteRawData("late"));
}

// ---- The whole road through a private CUPS scheduler

class CupsPrinterTest : public CupsServerTest {
protected:
    static void SetUpTestSuite() { StartServer({{"Counter", "Shop front", true}}); }
    static void TearDownTestSuite() { StopServer(); }
    void SetUp() override
    {
        CupsServerTest::SetUp();
        if (!IsSkipped()) list_ = std::make_unique<TrpPrinters>(spooler_);
    }

    CupsSpooler spooler_;
    std::unique_ptr<TrpPrinters> list_;
};

TEST_F(CupsPrinterTest, ListsTheQueueWithItsPapersAndMargins)
{
    ASSERT_TRUE(list_->HasPhysicalPrinters());
    ASSERT_EQ(list_->Printers(), std::vector<std::string>{"Counter"});
    TrpCustomPrinter& p = *list_->GetCurrentPrinter();
    ASSERT_TRUE(p.Initialized());
    EXPECT_EQ(p.Port(), "Shop front");
    std::vector<int32_t> codes;
    for (const TrpListItem& i : p.Papers()) codes.push_back(i.Code);
    std::sort(codes.begin(), codes.end());
    EXPECT_EQ(codes, (std::vector<int32_t>{1, 9, 11, 20, 256, 257}));
    EXPECT_EQ(p.DefPaper(), 9);
    EXPECT_EQ(p.PaperWidth(), 210);
    EXPECT_EQ(p.PaperHeight(), 297);
    EXPECT_EQ(p.LeftMargin(), 4);
    std::vector<int32_t> bins;
    for (const TrpListItem& i : p.Bins()) bins.push_back(i.Code);
    EXPECT_EQ(bins, (std::vector<int32_t>{7, 1, 2, 4, 257}));
    EXPECT_EQ(p.DefDuplex(), 1);
}

TEST_F(CupsPrinterTest, SubmittedDocumentArrivesWithItsPagesAndOptions)
{
    QTemporaryDir dir;
    TrpCustomPrinter& p = *list_->GetCurrentPrinter();
    p.SetTitle("Waybill");
    p.SetPrintParams(11, 0, 0, false, 4, 1, 1);
    ASSERT_TRUE(PrintPages(p, 2));
    std::optional<std::string> arrived = server_->waitForJob("Counter", 1);
    ASSERT_TRUE(arrived.has_value());
    // Byte-for-byte delivery is the spooler's test; here the pages count.
    const std::string copy = Path(dir, "arrived.pdf");
    {
        QFile f(QString::fromStdString(copy));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(arrived->data(), static_cast<qint64>(arrived->size()));
    }
    EXPECT_EQ(PdfPageSizesMm(copy), (std::vector<std::string>{"148x210", "148x210"}));
    const std::string options = server_->jobOptions("Counter", 0);
    EXPECT_NE(options.find("media=iso_a5_148x210mm"), std::string::npos) << options;
    EXPECT_NE(options.find("media-source=manual"), std::string::npos) << options;
    EXPECT_NE(options.find("sides=two-sided-long-edge"), std::string::npos) << options;
}

TEST_F(CupsPrinterTest, RejectingQueueGivesFalseAndTheBox)
{
    ScriptedUi boxes(1);
    std::string reason;
    ASSERT_TRUE(server_->runTool({"cupsreject", "Counter"}, reason));
    EXPECT_FALSE(PrintPages(*list_->GetCurrentPrinter(), 1));
    ASSERT_TRUE(server_->runTool({"cupsaccept", "Counter"}, reason));
    ASSERT_EQ(boxes.messages().size(), 1u);
    EXPECT_NE(boxes.messages()[0].find("Counter"), std::string::npos) << boxes.messages()[0];
}

// ---- What is drawn

namespace {

void DrawLabel(TrpCustomPrinter& p, const std::string& text)
{
    TCanvas& c = p.Canvas();
    c.Font()->SetName("Arial");
    c.Font()->SetSize(20);
    c.TextOut(100, 100, text);
}

// A4 portrait pages labelled as given, each printed `copies` times, to a file.
bool PrintLabels(TrpCustomPrinter& p, const std::string& file, const std::vector<std::string>& labels, int copies)
{
    p.SetFileName(file);
    p.SetPrintParams(9, 0, 0, false, 7, 0, copies);
    if (!p.BeginDoc()) return false;
    for (const std::string& label : labels) {
        p.BeginPage();
        DrawLabel(p, label);
        if (!p.EndPage()) return false;
    }
    return p.EndDoc();
}

}  // namespace

using PrintedPages = VirtualPrinterTest;

TEST_F(PrintedPages, CanvasIsAPrinterCanvasAt600Dpi)
{
    EXPECT_TRUE(p.Canvas().IsPrinter());
    EXPECT_EQ(p.Canvas().PixelsPerInchX(), 600);
    EXPECT_EQ(&dynamic_cast<TrpPrinterCanvas&>(p.Canvas()).Printer(), &p);
}

// Pages go straight into the document: what is drawn outside a page (before
// the document, between pages, after it ends or is aborted) lands nowhere.
TEST_F(PrintedPages, DrawingOutsideAPageLandsNowhere)
{
    DrawLabel(p, "Before");
    p.SetFileName(path("outside.pdf"));
    ASSERT_TRUE(p.BeginDoc());
    DrawLabel(p, "Begun");
    p.BeginPage();
    DrawLabel(p, "Inside");
    ASSERT_TRUE(p.EndPage());
    DrawLabel(p, "Between");
    ASSERT_TRUE(p.EndDoc());
    DrawLabel(p, "After");
    ASSERT_EQ(PdfPageCount(p.FileName()), 1);
    const std::string text = PdfText(p.FileName());
    EXPECT_NE(text.find("Inside"), std::string::npos) << text;
    for (const char* stray : {"Before", "Begun", "Between", "After"}) EXPECT_EQ(text.find(stray), std::string::npos) << stray;

    ASSERT_TRUE(p.BeginDoc());
    p.BeginPage();
    DrawLabel(p, "Dropped");
    p.Abort();
    DrawLabel(p, "Aborted");
    EXPECT_FALSE(p.Printing());
}

TEST_F(PrintedPages, UncollatedCopiesRepeatEachPage)
{
    ASSERT_TRUE(PrintLabels(p, path("copies.prn"), {"Page 1", "Page 2", "Page 3"}, 2));
    ASSERT_EQ(PdfPageCount(p.FileName()), 6);
    const char* expected[] = {"Page 1", "Page 1", "Page 2", "Page 2", "Page 3", "Page 3"};
    for (int i = 0; i < 6; ++i) EXPECT_NE(PdfText(p.FileName(), i + 1).find(expected[i]), std::string::npos) << i;
}

TEST_F(PrintedPages, OriginIsThePrintableArea)
{
    ASSERT_TRUE(PrintLabels(p, path("origin.prn"), {"Corner"}, 1));
    // 100 px at 600 dpi after the 5 mm margin: 5 + 4.23 mm from the edge.
    const std::string bbox = PdfWordBox(p.FileName(), "Corner");
    ASSERT_FALSE(bbox.empty());
    const double xMin = std::strtod(bbox.c_str(), nullptr) * 25.4 / 72;
    EXPECT_NEAR(xMin, 9.23, 0.5) << bbox;
}
