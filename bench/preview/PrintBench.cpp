// What a printed page costs: a page of order-sheet-like text drawn on the
// printer canvas and written to the PDF, once and as three uncollated copies;
// the PDF's size per page is reported beside the time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include "NoBoxes.h"
#include "SysUtils.h"
#include "rpPrinter.h"
#include "rpStartup.h"

namespace {

void DrawOrderPage(TCanvas& c, int page)
{
    c.Font()->SetName("宋体");
    c.Font()->SetSize(10);
    for (int line = 0; line < 40; ++line)
        c.TextOut(200, 200 + line * 150,
                  "ZEZO-2024-01-0" + IntToStr(page) + "  客户 " + IntToStr(line) + "  螺丝 M6x20  100 个  12.50");
    c.Brush()->SetStyle(bsClear);
    for (int line = 0; line <= 40; ++line) {
        c.MoveTo(150, 180 + line * 150);
        c.LineTo(4500, 180 + line * 150);
    }
}

void PrintPages(benchmark::State& state)
{
    const int copies = static_cast<int>(state.range(0));
    QTemporaryDir dir;
    TrpVirtualPrinter printer("bench", "");
    printer.Init();
    printer.SetFileName(dir.filePath(QStringLiteral("bench.prn")).toStdString());
    constexpr int Pages = 20;
    qint64 bytes = 0;
    for (auto _ : state) {
        printer.SetPrintParams(DMPAPER_A4, 0, 0, false, DMBIN_AUTO, 0, copies);
        if (!printer.BeginDoc()) state.SkipWithError("BeginDoc failed");
        for (int page = 1; page <= Pages; ++page) {
            printer.BeginPage();
            DrawOrderPage(printer.Canvas(), page);
            printer.EndPage();
        }
        printer.EndDoc();
        bytes = QFileInfo(QString::fromStdString(printer.FileName())).size();
    }
    const double sheets = static_cast<double>(Pages) * copies;
    state.counters["pages/s"] = benchmark::Counter(sheets, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["PDF bytes/page"] = static_cast<double>(bytes) / sheets;
}
BENCHMARK(PrintPages)->Arg(1)->Arg(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerReportSystem();
    NoBoxes noBoxes;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return noBoxes.exitCode();
}
