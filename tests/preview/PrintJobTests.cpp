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

// The page sizes of PDF bytes, "148x210" per page.
std::vector<std::string> PdfSizes(const std::string& pdf)
{
    QTemporaryDir dir;
    const std::string file = Path(dir, "job.pdf");
    {
        QFile f(QString::fromStdString(file));
        if (!f.open(QIODevice::WriteOnly)) return {};
        f.write(pdf.data(), static_cast<qint64>(pdf.size()));
    }
    return PdfPageSizesMm(file);
}

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
    TrpPrinter& printer = q.printer();
    printer.SetFileName(path("q.prn"));
    printer.SetViewParams(11, 0, 0, false);
    ASSERT_TRUE(PrintPages(printer, 2));
    EXPECT_TRUE(q.spooler.jobs.empty());
    EXPECT_EQ(PdfPageSizesMm(printer.FileName()), (std::vector<std::string>{"148x210", "148x210"}));
    // Another paper and tray start no second file: one file keeps them all.
    ASSERT_TRUE(printer.BeginDoc());
    for (int32_t paper : {11, 9}) {
        printer.SetPrintParams(paper, 0, 0, false, paper == 9 ? 4 : 7, 0, 1);
        printer.BeginPage();
        EXPECT_EQ(printer.PageStartsJob(), paper == 11);
        ASSERT_TRUE(printer.EndPage());
    }
    ASSERT_TRUE(printer.EndDoc());
    EXPECT_TRUE(q.spooler.jobs.empty());
    EXPECT_EQ(PdfPageSizesMm(printer.FileName()), (std::vector<std::string>{"148x210", "210x297"}));
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

TEST_F(PrintToQueue, EachRunOfPagesOnOnePaperTrayAndSidesIsAJobInPageOrder)
{
    ASSERT_TRUE(PrintPages(p, 0));
    EXPECT_TRUE(jobs.empty());
    p.SetTitle("Order ZEZO-1");
    ASSERT_TRUE(p.BeginDoc());
    // Paper code, landscape, bin (7: the queue's default tray), two-sided.
    const std::tuple<int32_t, bool, int32_t, int32_t> pages[] = {
        {11, false, 7, 0}, {11, true, 7, 0},  // turned, still the same paper
        {9, false, 4, 1},  {9, false, 4, 1}, {9, false, 4, 2}, {11, false, 1, 0},
    };
    std::string starts;
    for (const auto& [paper, landscape, bin, duplex] : pages) {
        p.SetPrintParams(paper, 0, 0, landscape, bin, duplex, 1);
        p.BeginPage();
        starts += p.PageStartsJob() ? "J" : "-";
        ASSERT_TRUE(p.EndPage());
    }
    EXPECT_EQ(starts, "J-J-JJ");
    EXPECT_TRUE(jobs.empty()) << "nothing goes out before the document is whole";
    ASSERT_TRUE(p.EndDoc());
    ASSERT_EQ(jobs.size(), 4u);
    std::vector<std::string> options, sizes;
    for (const auto& job : jobs) {
        EXPECT_TRUE(job->finished);
        EXPECT_EQ(job->format, SpoolerFormat::Pdf);
        EXPECT_EQ(job->options.title, "Order ZEZO-1");
        EXPECT_EQ(job->data.rfind("%PDF-", 0), 0u);
        EXPECT_NE(job->data.find("%%EOF"), std::string::npos);
        options.push_back(job->options.media + " " + trayAndSides(*job));
        std::string pdf;
        for (const std::string& size : PdfSizes(job->data)) pdf += size + " ";
        sizes.push_back(pdf);
    }
    EXPECT_EQ(options, (std::vector<std::string>{"iso_a5_148x210mm top one-sided",
                                                 "iso_a4_210x297mm manual two-sided-long-edge",
                                                 "iso_a4_210x297mm manual two-sided-short-edge",
                                                 "iso_a5_148x210mm top one-sided"}));
    EXPECT_EQ(sizes, (std::vector<std::string>{"148x210 210x148 ", "210x297 210x297 ", "210x297 ", "148x210 "}));
}

TEST_F(PrintToQueue, AbortedSplitDocumentSendsNothingAndARefusedJobStopsTheOnesAfter)
{
    auto split = [&](int paperRuns) {
        if (!p.BeginDoc()) return false;
        for (int i = 0; i < paperRuns; ++i) {
            p.SetPrintParams(i % 2 ? 11 : 9, 0, 0, false, 7, 0, 1);
            p.BeginPage();
            if (!p.EndPage()) return false;
        }
        return true;
    };
    ASSERT_TRUE(split(3));
    p.Abort();
    EXPECT_TRUE(jobs.empty());
    EXPECT_FALSE(p.Printing());

    // The queue stops taking jobs after the first.
    struct Refusing : FakeSpooler {
        std::unique_ptr<SpoolerJob> startJob(const std::string& queue, const SpoolerJobOptions& options,
                                             SpoolerFormat format) override
        {
            if (!jobs.empty()) throw ESpoolerError("Printer \"" + queue + "\" is not accepting jobs");
            return FakeSpooler::startJob(queue, options, format);
        }
    } refusing;
    refusing.queueList.push_back(FakeSpooler::StandardQueue("Q", true));
    TrpPrinters list(refusing);
    TrpCustomPrinter& r = *list.GetCurrentPrinter();
    ScriptedUi boxes(1);
    ASSERT_TRUE(r.BeginDoc());
    for (int32_t paper : {9, 11, 9}) {
        r.SetPrintParams(paper, 0, 0, false, 7, 0, 1);
        r.BeginPage();
        ASSERT_TRUE(r.EndPage());
    }
    EXPECT_FALSE(r.EndDoc());
    ASSERT_EQ(refusing.jobs.size(), 1u);
    EXPECT_TRUE(refusing.jobs[0]->finished);
    ASSERT_EQ(boxes.messages().size(), 1u);
    EXPECT_NE(boxes.messages()[0].find("not accepting jobs"), std::string::npos);
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

TEST_F(CupsPrinterTest, PagesOnAnotherPaperOrTrayArriveAsJobsOfTheirOwnInOrder)
{
    TrpCustomPrinter& p = *list_->GetCurrentPrinter();
    const std::size_t before = server_->jobFiles("Counter").size();
    p.SetTitle("Mixed");
    ASSERT_TRUE(p.BeginDoc());
    // A4, then two A5 pages from the manual tray, then A4 again.
    for (const auto& [paper, bin] : {std::pair{9, 7}, {11, 4}, {11, 4}, {9, 7}}) {
        p.SetPrintParams(paper, 0, 0, false, bin, 0, 1);
        p.BeginPage();
        ASSERT_TRUE(p.EndPage());
    }
    ASSERT_TRUE(p.EndDoc());
    ASSERT_TRUE(server_->waitForJob("Counter", before + 3).has_value());
    const std::vector<std::string> files = server_->jobFiles("Counter");
    ASSERT_EQ(files.size(), before + 3);
    std::vector<std::string> arrived;
    for (std::size_t i = before; i < files.size(); ++i) {
        std::string sizes;
        for (const std::string& size : PdfSizes(CupsTestServer::readFile(files[i]))) sizes += size + " ";
        const std::string options = server_->jobOptions("Counter", i);
        const std::size_t media = options.find("media=");
        if (media != std::string::npos) sizes += options.substr(media, options.find_first_of(" \n", media) - media);
        if (options.find("media-source=manual") != std::string::npos) sizes += " manual";
        arrived.push_back(sizes);
    }
    EXPECT_EQ(arrived, (std::vector<std::string>{"210x297 media=iso_a4_210x297mm",
                                                 "148x210 148x210 media=iso_a5_148x210mm manual",
                                                 "210x297 media=iso_a4_210x297mm"}));
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

// A queue without a driver file takes whatever it is sent: a printer like
// any other, with the paper table's papers.
class CupsRawQueueTest : public CupsServerTest {
protected:
    static void SetUpTestSuite() { StartServer({{"Plain", "Shop front", true}, {"Label", "Dock", false, true}}); }
    static void TearDownTestSuite() { StopServer(); }
    CupsSpooler spooler_;
};

TEST_F(CupsRawQueueTest, IsListedWithThePaperTableAndAJobReachesIt)
{
    ScriptedUi boxes(0);
    TrpPrinters list(spooler_);
    const int at = list.IndexOf("Label");
    ASSERT_GE(at, 0);
    list.SetPrinterIndex(at);
    TrpCustomPrinter& p = *list.GetCurrentPrinter();
    ASSERT_TRUE(p.Initialized());
    EXPECT_EQ(p.Papers().size(), 1u + PAPERCOUNT);
    EXPECT_EQ(p.DefPaper(), DMPAPER_A4);
    p.SetPrintParams(11, 0, 0, true, 7, 3, 1);
    p.SetTitle("Label");
    ASSERT_TRUE(PrintPages(p, 2));
    std::optional<std::string> arrived = server_->waitForJob("Label", 1);
    ASSERT_TRUE(arrived.has_value());
    // Nothing converts it on the way: the document arrives as drawn.
    ASSERT_EQ(arrived->substr(0, 5), "%PDF-");
    QTemporaryDir dir;
    const std::string copy = Path(dir, "arrived.pdf");
    {
        QFile f(QString::fromStdString(copy));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(arrived->data(), static_cast<qint64>(arrived->size()));
    }
    EXPECT_EQ(PdfPageSizesMm(copy), (std::vector<std::string>{"210x148", "210x148"}));
    EXPECT_TRUE(boxes.messages().empty());
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
