// The print path on the order sheet of an order of 10,000 lines, titled as
// the print command titles it with a company name of 20 characters in
// bold: prepared, and prepared and printed to a PDF file through the
// print loop (the printer, paper set per page, progress), beside the
// floor: a bare QPainter program (bare_qpainter_pdf) drawing the same
// texts at the points our engine measured, frames and lines into a
// QPdfWriter at 600 dpi, read a page at a time from a file.
//
// The target compares whole processes, run in turns seven times each and
// taken at their medians: this program preparing and printing the order
// from its SQLite file, and the floor program drawing its file. Each
// reports its own peak memory. In this process Google Benchmark times
// the steps, and the floor's drawing code beside them. KReport 3
// (bench/kreport) prints the same rows under the same title for its PDF
// bytes a page; without it that is said and no ratio is printed.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "NoBoxes.h"
#include "BarePdf.h"
#include "ChildProcess.h"
#include "FakeSpooler.h"
#include "OrderSheetReport.h"
#include "RatioReporter.h"
#include "rpPrintSettings.h"
#include "rpPrinter.h"
#include "rpStartup.h"

using namespace order_sheet_report;

namespace {

std::string g_file;
QString g_drawing;  // the floor's file of the titled sheet
int g_pages = 0;    // of the titled sheet, counted once

// A company name of 20 characters and "发货单", in bold on every page.
constexpr std::u16string_view kTitle = u"浙江杭州华星时代广场科技物流贸易有限公司发货单";
constexpr int kRounds = 7;

struct TitledSheet : Sheet {
    explicit TitledSheet(const std::string& file) : Sheet(file, false, kTitle) {}
};

QTemporaryDir& tempDir()
{
    // BENCH_KEEP_PDF=1 keeps the files to look at (their folder is printed).
    static QTemporaryDir dir = [] {
        QTemporaryDir d;
        if (qEnvironmentVariableIsSet("BENCH_KEEP_PDF")) {
            d.setAutoRemove(false);
            std::printf("PDF files in %s\n", qPrintable(d.path()));
        }
        return d;
    }();
    return dir;
}

std::string tempFile(const char* name)
{
    return tempDir().filePath(QString::fromLatin1(name)).toStdString();
}

double fileBytesPerPage(const std::string& file, int pages)
{
    return pages > 0 && std::filesystem::exists(file) ? static_cast<double>(std::filesystem::file_size(file)) / pages
                                                       : 0.0;
}

void BM_Prepare(benchmark::State& state)
{
    TitledSheet sheet(g_file);
    for (auto _ : state)
        if (sheet.prepare() != g_pages) state.SkipWithError("the order sheet's pages changed");
}

void BM_PreparePdf(benchmark::State& state)
{
    TitledSheet sheet(g_file);
    const std::string file = tempFile("ours.pdf");
    for (auto _ : state)
        if (sheet.prepare() != g_pages || !sheet.print(file)) state.SkipWithError("printing failed");
    state.counters["PDF bytes/page"] = fileBytesPerPage(file, g_pages);
}

void BM_PdfOfPrepared(benchmark::State& state)
{
    TitledSheet sheet(g_file);
    sheet.prepare();
    const std::string file = tempFile("prepared.pdf");
    for (auto _ : state)
        if (!sheet.print(file)) state.SkipWithError("printing failed");
}

// The floor program's drawing code, in this process.
void BM_BareQPainterAtPoints(benchmark::State& state)
{
    const std::string file = tempFile("bare.pdf");
    for (auto _ : state)
        if (bare_drawing::DrawFile(g_drawing, QString::fromStdString(file)) != g_pages)
            state.SkipWithError("the drawing file is damaged");
    state.counters["PDF bytes/page"] = fileBytesPerPage(file, g_pages);
}

BENCHMARK(BM_Prepare)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_PreparePdf)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_PdfOfPrepared)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_BareQPainterAtPoints)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

// ---------------------------------------------------------------- processes

struct Timed {
    ChildResult result;
    double wall = 0;  // seconds from spawn to exit
};

Timed timed(const std::string& program, const std::vector<std::string>& args)
{
    const auto start = std::chrono::steady_clock::now();
    Timed t{runProgram(program, args), 0};
    t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return t;
}

double median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string kreportPeer()
{
    if (const char* named = std::getenv("KREPORT_PEER"); named && *named) return named;
    return BENCH_KREPORT_PEER;
}

// How often a text stands in the text of the PDF's first page as
// pdftotext reads it, line breaks and blanks left out (a title may wrap);
// -1 without pdftotext.
int textCount(const std::string& pdf, const QString& text)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                          QStringLiteral("1"), QString::fromStdString(pdf), QStringLiteral("-")});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return -1;
    QString read = QString::fromUtf8(p.readAllStandardOutput());
    read.remove(QRegularExpression(QStringLiteral("\\s")));
    return static_cast<int>(read.count(text));
}

// Ours and the floor as whole processes, in turns; then KReport's PDF of
// the same rows under the same title.
void compareProcesses(const char* self)
{
    const std::string pdf = tempFile("child.pdf"), barePdf = tempFile("child-bare.pdf");
    std::vector<double> oursWall, bareWall, oursOwn, bareOwn, oursPeak, barePeak;
    bool failed = false;
    for (int round = 0; round < kRounds && !failed; ++round) {
        const Timed ours = timed(self, {"--child=ours", g_file, pdf});
        const Timed bare = timed(BENCH_BARE_FLOOR, {g_drawing.toStdString(), barePdf});
        failed = ours.result.maxRssKb < 0 || bare.result.maxRssKb < 0 || !ours.result.values.count("seconds") ||
                 !bare.result.values.count("seconds") || bare.result.values.at("pages") != g_pages;
        if (failed) break;
        oursWall.push_back(ours.wall * 1e3);
        bareWall.push_back(bare.wall * 1e3);
        oursOwn.push_back(ours.result.values.at("seconds") * 1e3);
        bareOwn.push_back(bare.result.values.at("seconds") * 1e3);
        oursPeak.push_back(ours.result.maxRssKb / 1024.0);
        barePeak.push_back(bare.result.maxRssKb / 1024.0);
    }
    std::printf("\nWhole processes, in turns, median of %d (ms; peak MB, each its own high-water mark):\n", kRounds);
    if (failed) {
        std::printf("  a process failed (%s or %s); no ratio.\n", self, BENCH_BARE_FLOOR);
        return;
    }
    std::printf("  ours, the order prepared and printed from its file: %.0f (%.0f after start-up), peak %.1f MB\n",
                median(oursWall), median(oursOwn), median(oursPeak));
    std::printf("  floor, bare QPainter drawing the texts at their points, frames and lines: %.0f (%.0f after "
                "start-up), peak %.1f MB\n",
                median(bareWall), median(bareOwn), median(barePeak));
    std::printf("  prepare+PDF takes %.2fx the floor (target <= 1.3); %.2fx after start-up\n",
                median(oursWall) / median(bareWall), median(oursOwn) / median(bareOwn));

    const double oursBytes = fileBytesPerPage(pdf, g_pages);
    std::printf("  PDF bytes a page: ours %.0f, floor %.0f", oursBytes, fileBytesPerPage(barePdf, g_pages));
    const std::string peer = kreportPeer();
    if (access(peer.c_str(), X_OK) != 0) {
        std::printf("; KReport peer %s is not there (make bench builds it), no ratio.\n", peer.c_str());
    } else {
        const std::string kpdf = tempFile("kreport.pdf");
        const ChildResult k = runProgram(peer, {"--db", g_file, "--order", order_lines::kOrder, "--pdf", kpdf, "--title",
                                                std::string(QString::fromStdU16String(std::u16string(kTitle)).toUtf8())});
        const int kPages = k.values.count("pages") ? static_cast<int>(k.values.at("pages")) : 0;
        if (k.maxRssKb < 0 || kPages <= 0)
            std::printf("; KReport 3 did not run (%s), no ratio.\n", peer.c_str());
        else
            std::printf(", KReport 3 %.0f (%d pages; ours / KReport %.2f, target <= 1)\n", fileBytesPerPage(kpdf, kPages),
                        kPages, oursBytes / fileBytesPerPage(kpdf, kPages));
    }
    const QString title = QString::fromStdU16String(std::u16string(kTitle));
    const int found = textCount(pdf, title);
    if (found < 0)
        std::printf("  pdftotext did not run: the title's text is not checked\n");
    else
        std::printf("  the bold title in the text of our first page (pdftotext): %d time(s) (target 1)\n", found);
}

}  // namespace

// "ours DB PDF": the order prepared and printed; prints its own time.
int childMain(const std::string& what, char** args)
{
    if (what != "ours") return 2;
    const auto start = std::chrono::steady_clock::now();
    TitledSheet sheet(args[0]);
    const int pages = sheet.prepare();
    const bool printed = pages > 0 && sheet.print(args[1]);
    std::printf("pages=%d\nseconds=%f\n", pages,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return printed ? 0 : 1;
}

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool child = argc >= 4 && std::string(argv[1]).rfind("--child=", 0) == 0;
    if (child) ReportPeakMemoryAtExit();
    QApplication app(argc, argv);
    registerReportSystem();
    NoBoxes noBoxes;
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    if (child) return childMain(std::string(argv[1]).substr(8), argv + 2);
    benchmark::Initialize(&argc, argv);
    order_lines::OrderFile lines(BENCH_ORDER_FIXTURE, kLines);
    g_file = lines.path;
    g_drawing = QString::fromStdString(tempFile("order.drawing"));
    {
        TitledSheet sheet(g_file);
        g_pages = sheet.prepare();
        if (!bare_pdf::Save(sheet.pages(), 0, g_pages, g_drawing)) {
            std::printf("the floor's drawing file was not written\n");
            return 1;
        }
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double prepare = reporter.Time("BM_Prepare/"), both = reporter.Time("BM_PreparePdf"),
                 pdf = reporter.Time("BM_PdfOfPrepared"), atPoints = reporter.Time("BM_BareQPainterAtPoints");
    std::printf("\nThe order sheet, %d lines, %d pages, to a PDF at 600 dpi, in this process (ms):\n", kLines, g_pages);
    if (prepare > 0 && both > 0 && atPoints > 0) {
        std::printf("  prepared: %.0f; prepared and printed: %.0f; printing alone: %.0f (%.2f ms a page)\n", prepare,
                    both, pdf, pdf / g_pages);
        std::printf("  the floor's drawing of the same texts at their points, frames and lines: %.0f (%.2f ms a page)\n",
                    atPoints, atPoints / g_pages);
        std::printf("  prepared and printed take %.2fx the floor's drawing\n", both / atPoints);
    }
    compareProcesses(argv[0]);
    benchmark::Shutdown();
    return noBoxes.exitCode();
}
