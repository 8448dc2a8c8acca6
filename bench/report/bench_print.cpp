// The print path on the order sheet of an order of 10,000 lines, titled as
// the print command titles it with a company name of 20 characters in
// bold: prepared, and prepared and printed to a PDF file through the
// print loop (the printer, paper set per page, progress), beside bare
// QPainter drawing the same texts (into their cells, and at the points our
// engine measured), frames and lines into a QPdfWriter at 600 dpi in the
// same run, the floor of PDF output. Prints the ratio to the
// floor, the PDF's bytes per page and the peak memory (each in a process of
// its own) beside the floor's.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

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
int g_pages = 0;  // of the titled sheet, counted once

// A company name of 20 characters and "发货单", in bold on every page.
constexpr std::u16string_view kTitle = u"浙江杭州华星时代广场科技物流贸易有限公司发货单";

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

double fileBytesPerPage(const QString& file)
{
    return static_cast<double>(QFileInfo(file).size()) / g_pages;
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
    const std::string file = tempDir().filePath(QStringLiteral("ours.pdf")).toStdString();
    for (auto _ : state)
        if (sheet.prepare() != g_pages || !sheet.print(file)) state.SkipWithError("printing failed");
    state.counters["PDF bytes/page"] = fileBytesPerPage(QString::fromStdString(file));
}

void BM_PdfOfPrepared(benchmark::State& state)
{
    TitledSheet sheet(g_file);
    sheet.prepare();
    const std::string file = tempDir().filePath(QStringLiteral("prepared.pdf")).toStdString();
    for (auto _ : state)
        if (!sheet.print(file)) state.SkipWithError("printing failed");
}

// The texts into their cells (Qt lays each out), or, stricter, at the
// points our engine measured.
void bareQPainter(benchmark::State& state, bool inCells)
{
    TitledSheet sheet(g_file);
    sheet.prepare();
    const bare_pdf::Document doc = bare_pdf::Extract(sheet.pages(), 0, g_pages, inCells);
    const QString file = tempDir().filePath(QStringLiteral("bare.pdf"));
    for (auto _ : state) bare_pdf::Draw(doc, file);
    state.counters["PDF bytes/page"] = fileBytesPerPage(file);
}

void BM_BareQPainter(benchmark::State& state) { bareQPainter(state, true); }
void BM_BareQPainterAtPoints(benchmark::State& state) { bareQPainter(state, false); }

BENCHMARK(BM_Prepare)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1);
BENCHMARK(BM_PreparePdf)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_PdfOfPrepared)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_BareQPainter)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_BareQPainterAtPoints)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

}  // namespace

// "ours DB PDF": the order prepared and printed; "bare DRAWING PDF": the
// bare drawing kept in a file drawn into a PDF. Each prints its peak.
int childMain(const std::string& what, char** args)
{
    if (what == "ours") {
        TitledSheet sheet(args[0]);
        return sheet.prepare() > 0 && sheet.print(args[1]) ? 0 : 1;
    }
    bare_pdf::Document doc;
    if (!bare_pdf::Load(doc, QString::fromLocal8Bit(args[0]))) return 1;
    bare_pdf::Draw(doc, QString::fromLocal8Bit(args[1]));
    return 0;
}

// Peak memory of printing the order beside that of the bare drawing, each
// in a process of its own.
void comparePeaks(const char* self)
{
    const std::string drawing = tempDir().filePath(QStringLiteral("bare.drawing")).toStdString();
    const std::string pdf = tempDir().filePath(QStringLiteral("child.pdf")).toStdString();
    {
        TitledSheet sheet(g_file);
        sheet.prepare();
        if (!bare_pdf::Save(bare_pdf::Extract(sheet.pages(), 0, g_pages, true), QString::fromStdString(drawing))) return;
    }
    const ChildResult ours = runChild(self, "ours", {g_file, pdf});
    const ChildResult bare = runChild(self, "bare", {drawing, pdf});
    if (ours.maxRssKb > 0 && bare.maxRssKb > 0)
        std::printf("  peak memory, each in a process of its own: ours %.1f MB (prepared and printed), bare QPainter "
                    "%.1f MB (drawing only)\n",
                    ours.maxRssKb / 1024.0, bare.maxRssKb / 1024.0);
    else
        std::printf("  peak memory: a child process failed, no figures\n");
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
    g_pages = TitledSheet(g_file).prepare();

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double prepare = reporter.Time("BM_Prepare/"), both = reporter.Time("BM_PreparePdf"),
                 pdf = reporter.Time("BM_PdfOfPrepared"), bare = reporter.Time("BM_BareQPainter/"),
                 atPoints = reporter.Time("BM_BareQPainterAtPoints");
    std::printf("\nThe order sheet, %d lines, %d pages, to a PDF at 600 dpi (ms):\n", kLines, g_pages);
    if (prepare > 0 && both > 0 && bare > 0 && atPoints > 0) {
        std::printf("  prepared: %.0f; prepared and printed: %.0f; printing alone: %.0f (%.2f ms a page)\n", prepare,
                    both, pdf, pdf / g_pages);
        std::printf("  bare QPainter drawing the same texts into their cells, frames and lines: %.0f (%.2f ms a page)\n",
                    bare, bare / g_pages);
        std::printf("  the same with the texts at the points our engine measured: %.0f (%.2f ms a page)\n", atPoints,
                    atPoints / g_pages);
        std::printf("  prepared and printed take %.2fx the bare drawing into cells (target <= 1.3), %.2fx the drawing "
                    "at points\n",
                    both / bare, both / atPoints);
    }
    std::printf("  PDF bytes a page: ours %.0f, bare QPainter %.0f (cells), %.0f (points)\n",
                reporter.Counter("BM_PreparePdf", "PDF bytes/page"), reporter.Counter("BM_BareQPainter/", "PDF bytes/page"),
                reporter.Counter("BM_BareQPainterAtPoints", "PDF bytes/page"));
    comparePeaks(argv[0]);
    benchmark::Shutdown();
    return noBoxes.exitCode();
}
