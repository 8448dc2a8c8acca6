// The print commands as the user meets them, through the main window on a
// file database, with the preview and the print dialog answered by a UI
// script:
// - an order of 30 lines, from "打印出库单" to its first page drawn in the
//   preview (target <= 200 ms), beside one preparation of the same report
//   alone: what the command and the preview add to the engine;
// - an order of 10,000 lines printed from the preview to a PDF file
//   (pages/s), beside the engine preparing the same order once.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <memory>

#include "../report/RatioReporter.h"
#include "AppCommon.h"
#include "DATAM.h"
#include "FakeSpooler.h"
#include "NoBoxes.h"
#include "ScriptedUiServices.h"
#include "StringGrid.h"
#include "Startup.h"
#include "SysUtils.h"
#include "main.h"
#include "rpCustomPreviewPages.h"
#include "rpPreviewForm.h"
#include "rpPrinter.h"
#include "rpReport.h"

namespace {

constexpr int kShortLines = 30;
constexpr int kLongLines = 10000;
int g_unanswered = 0;  // interactions the script did not expect

struct World {
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    gui::ScriptedUiServices ui;
    std::unique_ptr<gui::ScopedUi> scope;

    World()
    {
        QDir::setCurrent(dir.path());
        DM = new TDM;
        DM->Connect();
        DM->Write("INSERT INTO config(khmc, dz, lxdh) VALUES('特瓦克物流', '深圳市南山区科技园8栋', '0755-12345678')");
        order("ZEZO-SHORT", kShortLines);
        order("ZEZO-LONG", kLongLines);
        fmain = new Tfmain;
        fmain->trlb->topLevelItem(0)->setExpanded(true);
        ui.setFailureHandler([](const QString& f) {
            ++g_unanswered;
            std::fprintf(stderr, "bench_app_print: %s\n", qPrintable(f));
        });
        scope = std::make_unique<gui::ScopedUi>(ui);
    }
    ~World()
    {
        scope.reset();
        delete fmain;
        fmain = nullptr;
        delete DM;
        DM = nullptr;
        QDir::setCurrent(previous);
    }

    static void order(const std::string& bh, int lines)
    {
        DM->Write("INSERT INTO zq_dd(bh, khmc, khdz, lxdh, kssj, zsl, je, fjmc, fjje) "
                  "VALUES(?, '华东机电', '上海市浦东新区张江路1号', '021-55556666', '2026-12-08', ?, '100', '运费', '12')",
                  {bh, IntToStr(static_cast<int64_t>(lines))});
        DM->Write("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                  "INSERT INTO zq_ddmx(bh, leibie, cp, cpgg, dj, sl, dw, khmc) "
                  "SELECT ?, '五金', substr('螺丝垫片螺母铆钉弹簧', 1 + i % 5, 2 + i % 3), 'M' || (4 + i % 9), "
                  "(1 + i % 50) || '.50', (1 + i % 9), '个', '华东机电' FROM n",
                  {static_cast<int64_t>(lines), bh});
    }

    // The order's row becomes the grid's current one.
    static bool select(const QString& bh)
    {
        TStringGrid* grid = fmain->StringGrid1;
        for (int r = 1; r < grid->RowCount(); ++r)
            if (grid->Cell(2, r) == bh) {
                grid->SetRow(r);
                return true;
            }
        return false;
    }
};

std::unique_ptr<World> g_world;

World& world()
{
    if (!g_world) g_world = std::make_unique<World>();
    return *g_world;
}

// Waits in the preview until its report is prepared.
bool waitPrepared(TrpPreviewForm& form)
{
    QElapsedTimer waited;
    waited.start();
    while ((form.Report() && form.Report()->PrepareTimer()->isActive()) || form.Preview->Running() ||
           form.Preview->PageCount() == 0) {
        if (waited.elapsed() > 600000) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

void BM_OrderSheetToFirstPageInThePreview(benchmark::State& state)
{
    World& w = world();
    if (!World::select(QStringLiteral("ZEZO-SHORT"))) return state.SkipWithError("no order");
    for (auto _ : state) {
        QElapsedTimer clock;
        bool shown = false;
        w.ui.expectModal(QStringLiteral("TrpPreviewForm"), [&](QDialog& d) {
            auto& form = static_cast<TrpPreviewForm&>(d);
            form.setWindowState(Qt::WindowNoState);
            form.resize(1200, 900);
            form.show();
            shown = waitPrepared(form);
            // The first page as the window draws it.
            form.Preview->Workspace->viewport()->grab();
            state.SetIterationTime(static_cast<double>(clock.nsecsElapsed()) / 1e9);
            form.hide();
            return QDialog::Rejected;
        });
        clock.start();
        fmain->N25->trigger();
        if (!shown) return state.SkipWithError("the preview showed no page");
    }
    state.counters["pages"] = fmain->rpReport1->PreviewPages()->GetCount();
}

// The peer: the same report prepared once by the engine, nothing around it.
void BM_OrderSheetPreparedAlone(benchmark::State& state, const char* bh)
{
    World& w = world();
    if (!World::select(QString::fromLatin1(bh))) return state.SkipWithError("no order");
    // Loads the order into the window's queries, as the command does.
    w.ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Rejected);
    fmain->N25->trigger();
    for (auto _ : state)
        if (!fmain->rpReport1->PrepareReport(true)) return state.SkipWithError("preparation failed");
    const int pages = fmain->rpReport1->PreviewPages()->GetCount();
    state.counters["pages"] = pages;
    state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_TenThousandLinesPrintedToPdf(benchmark::State& state)
{
    World& w = world();
    if (!World::select(QStringLiteral("ZEZO-LONG"))) return state.SkipWithError("no order");
    const QString file = w.dir.filePath(QStringLiteral("long.prn"));
    int pages = 0;
    for (auto _ : state) {
        QFile::remove(file);
        w.ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Rejected, {}, {QStringLiteral("PrintB")});
        w.ui.expectModal(QStringLiteral("TrpPrintDialog"), QDialog::Accepted, {{QStringLiteral("FileCB"), QStringLiteral("1")}});
        w.ui.expectFile(file);
        fmain->N25->trigger();
        pages = fmain->rpReport1->PreviewPages()->GetCount();
        if (!QFileInfo::exists(file) || w.ui.pending() > 0) return state.SkipWithError("nothing printed");
    }
    state.counters["pages"] = pages;
    state.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["PDF bytes/page"] = static_cast<double>(QFileInfo(file).size()) / pages;
}

BENCHMARK(BM_OrderSheetToFirstPageInThePreview)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(BM_OrderSheetPreparedAlone, 30_lines, "ZEZO-SHORT")->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK(BM_TenThousandLinesPrintedToPdf)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK_CAPTURE(BM_OrderSheetPreparedAlone, 10000_lines, "ZEZO-LONG")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    benchmark::Initialize(&argc, argv);
    app::StartReportSystem();
    NoBoxes noBoxes;
    // No print server: the stand-in printer writes the PDF.
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    g_world.reset();

    const double shown = reporter.Time("BM_OrderSheetToFirstPageInThePreview"),
                 alone = reporter.Time("BM_OrderSheetPreparedAlone/30_lines"),
                 printed = reporter.Time("BM_TenThousandLinesPrintedToPdf"),
                 engine = reporter.Time("BM_OrderSheetPreparedAlone/10000_lines");
    std::printf("\nThe print commands (times in ms):\n");
    if (shown > 0)
        std::printf("  30 lines, command to first page in the preview: %.1f ms (target <= 200)\n", shown);
    if (shown > 0 && alone > 0)
        std::printf("    one preparation alone: %.1f ms; the command takes %.1fx (two preparations, the preview's 50 ms "
                    "start, drawing)\n",
                    alone, shown / alone);
    if (printed > 0 && engine > 0)
        std::printf("  10,000 lines printed to PDF from the preview: %.0f ms; preparing them once: %.0f ms (%.1fx)\n",
                    printed, engine, printed / engine);
    return g_unanswered > 0 ? 1 : noBoxes.exitCode();
}
