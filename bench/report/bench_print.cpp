// Printing 1,000 order-sheet pages to a PDF through the print loop (the
// printer's recording canvas played into its 600-dpi document, paper set
// per page, progress), beside drawing the same pages straight into a
// QPdfWriter at 600 dpi in the same run: the ratio is what the loop adds.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>

#include <cstdio>

#include "FakeSpooler.h"
#include "OrderSheetPages.h"
#include "QtCanvas.h"
#include "RatioReporter.h"
#include "rpPrinter.h"
#include "rpStartup.h"

using namespace order_sheet_bench;

namespace {

constexpr int kPrinted = 1000;

OrderSheet& Sheet()
{
    static OrderSheet* sheet = [] {
        auto* s = new OrderSheet;
        fill(*s, kPrinted);
        return s;
    }();
    return *sheet;
}

void BM_PrintLoop(benchmark::State& state)
{
    TrpPreviewPages& pages = pagesOf(Sheet());
    QTemporaryDir dir;
    TrpVirtualPrinter printer("bench", "");
    printer.Init();
    const std::string file = dir.filePath(QStringLiteral("loop.pdf")).toStdString();
    for (auto _ : state) {
        printer.SetFileName(file);
        if (!pages.PrintTo(printer, TrpPrintSettings{})) state.SkipWithError("printing failed");
    }
    state.counters["pages/s"] = benchmark::Counter(kPrinted, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["PDF bytes/page"] = static_cast<double>(QFileInfo(QString::fromStdString(file)).size()) / kPrinted;
}

// The peer: the same pages built and drawn into one QPdfWriter, nothing
// between them.
void BM_DirectPdfWriter(benchmark::State& state)
{
    TrpPreviewPages& pages = pagesOf(Sheet());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("direct.pdf"));
    constexpr Extended scale = 600.0L / 96;
    for (auto _ : state) {
        QPdfWriter writer(file);
        writer.setResolution(600);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&writer);
        for (int i = 0; i < kPrinted; ++i) {
            if (i > 0) writer.newPage();
            TQtCanvas canvas(painter);
            pages.DrawPage(i, canvas, scale, scale, 0, 0);
            pages.ClearPageCache();
        }
        painter.end();
    }
    state.counters["pages/s"] = benchmark::Counter(kPrinted, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["PDF bytes/page"] = static_cast<double>(QFileInfo(file).size()) / kPrinted;
}

BENCHMARK(BM_PrintLoop)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DirectPdfWriter)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerReportSystem();
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double loop = reporter.Time("BM_PrintLoop"), direct = reporter.Time("BM_DirectPdfWriter");
    if (loop > 0 && direct > 0)
        std::printf("print loop, %d order-sheet pages: %.0f ms, %.2f x drawing them straight into a QPdfWriter "
                    "(target <= 1.3)\n",
                    kPrinted, loop, loop / direct);
    benchmark::Shutdown();
    return 0;
}
