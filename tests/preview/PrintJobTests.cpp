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

bool PrintPages(TrpCustomPrinter& p, int pages)
{
    if (!p.BeginDoc()) return false;
    for (int i = 0; i < pages; ++i) {
        p.BeginPage();
        if (!p.EndPage()) return false;
    }
    return p.EndDoc();
}

struct FakeQueue {
    FakeSpooler spooler;
    std::unique_ptr<TrpPrinters> list;
    FakeQueue()
    {
        spooler.queueList.push_back(FakeSpooler::StandardQueue("Office", true));
        list = std::make_unique<TrpPrinters>(spooler);
    }
    TrpCustomPrinter& printer() { return *list->GetCurrentPrinter(); }
};

}  // namespace

// ---- To a file

TEST(PrintToFile, EachPageKeepsItsOwnSheet)
{
    QTemporaryDir dir;
    TrpVirtualPrinter p("v", "");
    p.Init();
    p.SetFileName(Path(dir, "mixed.prn"));
    ASSERT_TRUE(p.BeginDoc());
    p.SetPrintParams(9, 0, 0, false, 7, 0, 1);
    p.BeginPage();
    ASSERT_TRUE(p.EndPage());
    p.SetPrintParams(11, 0, 0, true, 7, 0, 1);
    p.BeginPage();
    ASSERT_TRUE(p.EndPage());
    p.SetPrintParams(1, 0, 0, false, 7, 0, 1);
    p.BeginPage();
    ASSERT_TRUE(p.EndPage());
    p.SetPrintParams(256, 100, 50, false, 7, 0, 1);
    p.BeginPage();
    ASSERT_TRUE(p.EndPage());
    ASSERT_TRUE(p.EndDoc());
    EXPECT_FALSE(p.Printing());
    EXPECT_EQ(PdfPageSizesMm(p.FileName()),
              (std::vector<std::string>{"210x297", "210x148", "216x279", "100x50"}));
}

TEST(PrintToFile, UnwritablePathGivesFalseAnErrorBoxAndNoFile)
{
    ScriptedUi boxes(2);
    QTemporaryDir dir;
    TrpVirtualPrinter p("v", "");
    p.Init();
    const std::string target = Path(dir, "missing/folder/out.prn");
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

TEST(PrintToFile, AbortLeavesNothingAndKeepsAnEarlierFile)
{
    QTemporaryDir dir;
    const std::string target = Path(dir, "out.prn");
    {
        QFile old(QString::fromStdString(target));
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("earlier");
    }
    TrpVirtualPrinter p("v", "");
    p.Init();
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

TEST(PrintToFile, QueuePrinterWritesTheFileAndSubmitsNothing)
{
    QTemporaryDir dir;
    FakeQueue q;
    q.printer().SetFileName(Path(dir, "q.prn"));
    q.printer().SetViewParams(11, 0, 0, false);
    ASSERT_TRUE(PrintPages(q.printer(), 2));
    EXPECT_TRUE(q.spooler.jobs.empty());
    EXPECT_EQ(PdfPageSizesMm(q.printer().FileName()), (std::vector<std::string>{"148x210", "148x210"}));
}

// ---- To a queue

TEST(PrintToQueue, JobCarriesThePdfAndTheFirstPageSettings)
{
    FakeQueue q;
    TrpCustomPrinter& p = q.printer();
    p.SetTitle("Order ZEZO-1");
    p.SetPrintParams(11, 0, 0, false, 7, 0, 1);  // bin 7: the queue's default tray
    ASSERT_TRUE(p.BeginDoc());
    p.BeginPage();
    ASSERT_TRUE(p.EndPage());
    p.SetPrintParams(9, 0, 0, false, 4, 1, 1);  // later pages cannot change the job
    p.BeginPage();
    ASSERT_TRUE(p.EndPage());
    ASSERT_TRUE(p.EndDoc());
    ASSERT_EQ(q.spooler.jobs.size(), 1u);
    const FakeSpooler::Job& job = *q.spooler.jobs[0];
    EXPECT_TRUE(job.finished);
    EXPECT_EQ(job.format, SpoolerFormat::Pdf);
    EXPECT_EQ(job.options.title, "Order ZEZO-1");
    EXPECT_EQ(job.options.media, "iso_a5_148x210mm");
    EXPECT_EQ(job.options.source, "top");
    EXPECT_EQ(job.options.sides, "one-sided");
    EXPECT_EQ(job.data.rfind("%PDF-", 0), 0u);
    EXPECT_NE(job.data.find("%%EOF"), std::string::npos);
}

TEST(PrintToQueue, DocumentWithoutPagesSendsNoJob)
{
    FakeQueue q;
    ASSERT_TRUE(PrintPages(q.printer(), 0));
    EXPECT_TRUE(q.spooler.jobs.empty());
}

TEST(PrintToQueue, DuplexNumberingOfThePrintOptions)
{
    FakeQueue q;
    TrpCustomPrinter& p = q.printer();
    const char* expected[] = {"one-sided", "two-sided-long-edge", "two-sided-short-edge", "one-sided"};
    for (int32_t duplex = 0; duplex < 4; ++duplex) {
        p.SetPrintParams(9, 0, 0, false, 2, duplex, 1);
        ASSERT_TRUE(PrintPages(p, 1));
        EXPECT_EQ(q.spooler.jobs.back()->options.sides, expected[duplex]) << duplex;
        EXPECT_EQ(q.spooler.jobs.back()->options.source, "bottom");
    }
}

TEST(PrintToQueue, PropertiesOverridesLastOneDocument)
{
    FakeQueue q;
    TrpCustomPrinter& p = q.printer();
    p.SetBin(4);
    p.SetDuplex(3);
    p.SetPrintParams(9, 0, 0, false, 2, 1, 1);
    ASSERT_TRUE(PrintPages(p, 1));
    EXPECT_EQ(q.spooler.jobs[0]->options.source, "manual");
    EXPECT_EQ(q.spooler.jobs[0]->options.sides, "two-sided-short-edge");
    EXPECT_EQ(p.Bin(), -1);
    EXPECT_EQ(p.Duplex(), -1);
    p.SetPrintParams(9, 0, 0, false, 7, 0, 1);
    ASSERT_TRUE(PrintPages(p, 1));
    EXPECT_EQ(q.spooler.jobs[1]->options.source, "top");
    EXPECT_EQ(q.spooler.jobs[1]->options.sides, "one-sided");
}

TEST(PrintToQueue, RefusedJobIsReportedNotSucceeded)
{
    ScriptedUi boxes(2);
    FakeQueue q;
    q.spooler.queueList[0].refuseJobs = true;
    EXPECT_FALSE(PrintPages(q.printer(), 1));
    EXPECT_FALSE(q.printer().Printing());
    ASSERT_EQ(boxes.messages().size(), 1u);
    EXPECT_NE(boxes.messages()[0].find("not accepting jobs"), std::string::npos);

    q.spooler.queueList[0].refuseJobs = false;
    q.spooler.queueList[0].failOnFinish = true;
    EXPECT_FALSE(PrintPages(q.printer(), 1));
    EXPECT_EQ(boxes.messages().size(), 2u);
    EXPECT_TRUE(q.spooler.jobs.back()->cancelled);
}

TEST(PrintToQueue, RawBytesReachTheJobUnchanged)
{
    FakeQueue q;
    TrpCustomPrinter& p = q.printer();
    const std::string raw("\x1b@\x00\xff line\r\n\f", 12);
    ASSERT_TRUE(p.BeginRawDocument());
    ASSERT_TRUE(p.WriteRawData(raw.substr(0, 5)));
    ASSERT_TRUE(p.WriteRawData(raw.substr(5)));
    ASSERT_TRUE(p.EndRawDocument());
    ASSERT_EQ(q.spooler.jobs.size(), 1u);
    EXPECT_EQ(q.spooler.jobs[0]->format, SpoolerFormat::Raw);
    EXPECT_EQ(q.spooler.jobs[0]->data, raw);
    EXPECT_EQ(q.spooler.jobs[0]->options.title, "Quorvel Document");
    EXPECT_FALSE(p.WriteRawData("late"));
}

TEST(PrintToQueue, RawJobOnARefusingQueueIsReported)
{
    ScriptedUi boxes(1);
    FakeQueue q;
    q.spooler.queueList[0].refuseJobs = true;
    EXPECT_FALSE(q.printer().BeginRawDocument());
    EXPECT_FALSE(q.printer().WriteRawData("x"));
    EXPECT_FALSE(q.printer().EndRawDocument());
    EXPECT_EQ(boxes.messages().size(), 1u);
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
    std::string opts = server_->jobFiles("Counter")[0];
    opts.replace(opts.size() - 4, 4, ".opts");
    const std::string options = CupsTestServer::readFile(opts);
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

TEST(PrintedPages, CanvasIsAPrinterCanvasAt600Dpi)
{
    TrpVirtualPrinter p("v", "");
    EXPECT_TRUE(p.Canvas().IsPrinter());
    EXPECT_EQ(p.Canvas().PixelsPerInchX(), 600);
    EXPECT_EQ(&p.Canvas().Printer(), &p);
}

TEST(PrintedPages, UncollatedCopiesRepeatEachPage)
{
    QTemporaryDir dir;
    TrpVirtualPrinter p("v", "");
    p.Init();
    ASSERT_TRUE(PrintLabels(p, Path(dir, "copies.prn"), {"Page 1", "Page 2", "Page 3"}, 2));
    ASSERT_EQ(PdfPageCount(p.FileName()), 6);
    const char* expected[] = {"Page 1", "Page 1", "Page 2", "Page 2", "Page 3", "Page 3"};
    for (int i = 0; i < 6; ++i) EXPECT_NE(PdfText(p.FileName(), i + 1).find(expected[i]), std::string::npos) << i;
}

TEST(PrintedPages, OriginIsThePrintableArea)
{
    QTemporaryDir dir;
    TrpVirtualPrinter p("v", "");
    p.Init();
    ASSERT_TRUE(PrintLabels(p, Path(dir, "origin.prn"), {"Corner"}, 1));
    // 100 px at 600 dpi after the 5 mm margin: 5 + 4.23 mm from the edge.
    const std::string bbox = PdfWordBox(p.FileName(), "Corner");
    ASSERT_FALSE(bbox.empty());
    const double xMin = std::strtod(bbox.c_str(), nullptr) * 25.4 / 72;
    EXPECT_NEAR(xMin, 9.23, 0.5) << bbox;
}
