// The preview window's hot paths: repainting a 1600 x 1000 view of a dense
// page at page width, laying out and finding pages among 10,000, searching
// 500 pages for a word that is not there, and the time from ShowReport to
// the first page on screen. Peers in the same run: poppler's pdftoppm and
// pdftotext on the same pages printed to PDF (they parse the file too), and
// filling the view's pixels as the floor of a repaint.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "NoBoxes.h"
#include "CodePages.h"
#include "OrderSheetReport.h"
#include "Database.h"
#include "OrderLines.h"
#include "Query.h"
#include "QtCanvas.h"
#include "RatioReporter.h"
#include "SysUtils.h"
#include "UiServices.h"
#include "rpBands.h"
#include "rpDBSet.h"
#include "rpDataSets.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreview.h"
#include "rpPreviewForm.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpStartup.h"

namespace {

constexpr int kRows = 30;
constexpr int kColumns = 10;  // 300 text objects a page

const char16_t* const kTexts[] = {u"订单号", u"ZEZO-2026-03-07-093000", u"客户名称", u"张三", u"12.50",
                                  u"3",      u"37.50",                  u"件",      u"螺丝 M6x20"};

// A report whose prepared pages hold order-sheet-like pages of 300 framed
// text objects, filled as the engine fills them.
struct DenseReport {
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpReportPage* page = new TrpReportPage(report.get());
    std::vector<TrpMasterData*> bands;

    explicit DenseReport(int pageCount)
    {
        page->SetName("Page1");
        page->SetDefaults();
        for (int r = 0; r < kRows; ++r) {
            auto* band = new TrpMasterData(page);
            band->SetName("Band" + IntToStr(r));
            band->SetBounds(0, 20 + 32.0L * r, 718, 32);
            for (int c = 0; c < kColumns; ++c) {
                auto* m = new TrpMemoView(band);
                m->SetName("Memo" + IntToStr(r * kColumns + c));
                m->SetBounds(71.8L * c, 3, 71.8L, 26);
                m->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
                if (c == 0) m->Font()->SetName("宋体");
            }
            bands.push_back(band);
        }
        TrpCustomPreviewPages& pages = *report->PreviewPages();
        pages.Clear();
        pages.Initialize();
        pages.AddSourcePage(page);
        for (int p = 0; p < pageCount; ++p) {
            pages.AddPage(page);
            for (int r = 0; r < kRows; ++r) {
                for (int c = 0; c < kColumns; ++c)
                    static_cast<TrpMemoView*>(bands[r]->Objects()[c])->SetText(kTexts[(p + r + c) % 9]);
                pages.AddObject(bands[r]);
            }
        }
    }

    // The pages as a PDF at 600 dpi, drawn as the preview draws them.
    void WritePdf(const QString& fileName, int pageCount)
    {
        QPdfWriter pdf(fileName);
        pdf.setResolution(600);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        TQtCanvas canvas(painter);
        for (int p = 0; p < pageCount; ++p) {
            if (p > 0) pdf.newPage();
            report->PreviewPages()->DrawPage(p, canvas, 600 / 96.0L, 600 / 96.0L, 0, 0);
        }
    }
};

// Boxes answered at once ("Text not found"); the preview window runs until
// the report is prepared.
class BenchUi : public gui::UiServices {
public:
    gui::MsgResult messageBox(const QString&, const QString&, gui::MsgButtons, gui::MsgIcon) override { return gui::MsgResult::Ok; }
    int showModal(QDialog& dialog) override
    {
        auto* form = qobject_cast<TrpPreviewForm*>(&dialog);
        if (!form) return QDialog::Rejected;
        form->show();
        TrpReport* report = form->Report();
        while ((report->PrepareTimer() && report->PrepareTimer()->isActive()) || form->Preview->Running())
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        return QDialog::Accepted;
    }
    bool inputQuery(const QString&, const QString&, QString&) override { return false; }
    bool fileDialog(const gui::FileRequest&, QString&) override { return false; }
    bool fontDialog(QFont&, const QString&) override { return false; }
    bool colorDialog(QColor&, const QString&) override { return false; }
    bool openUrl(const QString&) override { return false; }
};

QTemporaryDir& tempDir()
{
    static QTemporaryDir dir;
    return dir;
}

bool havePoppler() { return !QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty(); }

DenseReport& onePage()
{
    static DenseReport r(1);
    return r;
}

DenseReport& manyPages()
{
    static DenseReport r(500);
    return r;
}

void BM_RepaintPageWidth(benchmark::State& state)
{
    DenseReport& r = onePage();
    TrpPreview preview;
    preview.resize(1600, 1000);
    preview.show();
    r.report->SetPreview(&preview);
    preview.SetZoomMode(zmPageWidth);
    // Painted as an exposed view is, into an image of its size.
    QWidget* view = preview.Workspace->viewport();
    QImage image(view->size(), QImage::Format_RGB32);
    view->render(&image);
    for (auto _ : state) view->render(&image);
    state.counters["view width"] = view->width();
    state.counters["zoom"] = static_cast<double>(preview.Zoom());
    r.report->SetPreview(nullptr);
}
BENCHMARK(BM_RepaintPageWidth)->Unit(benchmark::kMillisecond);

void BM_FillPixelsFloor(benchmark::State& state)
{
    QImage image(1600, 1000, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::white);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_FillPixelsFloor)->Unit(benchmark::kMillisecond);

void BM_PdftoppmPeer(benchmark::State& state)
{
    if (!havePoppler()) {
        state.SkipWithError("pdftoppm is not installed (poppler-utils)");
        return;
    }
    const QString pdf = tempDir().filePath(QStringLiteral("page.pdf"));
    onePage().WritePdf(pdf, 1);
    const QString out = tempDir().filePath(QStringLiteral("page"));
    for (auto _ : state)
        QProcess::execute(QStringLiteral("pdftoppm"), {"-r", "96", "-f", "1", "-l", "1", "-png", pdf, out});
}
BENCHMARK(BM_PdftoppmPeer)->Unit(benchmark::kMillisecond);

void BM_CalcBounds10000(benchmark::State& state)
{
    TrpPageList list;
    for (int i = 0; i < 10000; ++i) list.Add(794, 1123);
    for (auto _ : state) {
        list.CalcBounds(1557);
        benchmark::DoNotOptimize(list.MaxWidth);
    }
}
BENCHMARK(BM_CalcBounds10000)->Unit(benchmark::kMicrosecond);

void BM_FindPage10000(benchmark::State& state)
{
    TrpPageList list;
    for (int i = 0; i < 10000; ++i) list.Add(794, 1123);
    list.CalcBounds(1557);
    const int bottom = list.Bottom();
    int y = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(list.FindPage(y, 0));
        y = (y + 7919) % bottom;
    }
}
BENCHMARK(BM_FindPage10000)->Unit(benchmark::kNanosecond);

// The whole relayout of the preview over the prepared pages: the size of
// every page from the store, both lists laid out.
void BM_UpdatePages10000(benchmark::State& state)
{
    static DenseReport r(0);
    TrpCustomPreviewPages& pages = *r.report->PreviewPages();
    if (pages.GetCount() == 0)
        for (int p = 0; p < 10000; ++p) {
            pages.AddPage(r.page);
            pages.AddObject(r.bands[0]);
        }
    TrpPreview preview;
    preview.resize(1600, 1000);
    r.report->SetPreview(&preview);
    for (auto _ : state) preview.UpdatePages();
    r.report->SetPreview(nullptr);
}
BENCHMARK(BM_UpdatePages10000)->Unit(benchmark::kMillisecond);

void BM_SearchAbsent500(benchmark::State& state)
{
    DenseReport& r = manyPages();
    BenchUi ui;
    gui::ScopedUi scope(ui);
    TrpPreview preview;
    preview.resize(1600, 1000);
    r.report->SetPreview(&preview);
    for (auto _ : state) preview.FindText(u"没有的字", false, true);
    r.report->SetPreview(nullptr);
}
BENCHMARK(BM_SearchAbsent500)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PdftotextPeer500(benchmark::State& state)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty()) {
        state.SkipWithError("pdftotext is not installed (poppler-utils)");
        return;
    }
    const QString pdf = tempDir().filePath(QStringLiteral("pages.pdf"));
    manyPages().WritePdf(pdf, 500);
    for (auto _ : state) QProcess::execute(QStringLiteral("pdftotext"), {"-q", pdf, tempDir().filePath("pages.txt")});
}
BENCHMARK(BM_PdftotextPeer500)->Unit(benchmark::kMillisecond)->Iterations(3);

// ShowReport to the first page on screen, the 50 ms timer included: the
// order sheet of an order of 40 lines (two pages), prepared by the engine
// against the order fixture inside the preview window.
void BM_ShowReportToFirstPage(benchmark::State& state)
{
    order_lines::OrderFile file(BENCH_ORDER_FIXTURE, 40);
    db::Database database(file.path, db::Database::OpenMode::ReadOnly);
    db::Query master(database, "Query1"), detail(database, "Query2");
    master.setSql(order_lines::masterSql());
    detail.setSql(order_lines::detailSql());
    TComponent form;
    form.SetName("fmain");
    auto* masterSet = new TrpDBDataset(&form);
    masterSet->SetName("rpDBDataset1");
    masterSet->SetDataSet(&master);
    auto* detailSet = new TrpDBDataset(&form);
    detailSet->SetName("rpDBDataset2");
    detailSet->SetDataSet(&detail);
    auto* report = new TrpReport(&form);
    if (!report->LoadFromFile(BENCH_ORDER_SHEET)) {
        state.SkipWithError("the order sheet does not load");
        return;
    }
    BenchUi ui;
    gui::ScopedUi scope(ui);
    QElapsedTimer clock;
    double firstPage = 0;
    report->OnProgress = [&](TrpReport* r, int type, int page) {
        if (type != ptRunning || page != 1) return;
        // The page reaches the preview after this event: it is on screen
        // when the area has painted it.
        r->Preview()->Progress(0);
        QWidget* view = static_cast<TrpPreviewForm*>(r->PreviewForm())->Preview->Workspace->viewport();
        QImage image(view->size(), QImage::Format_RGB32);
        view->render(&image);
        firstPage = clock.nsecsElapsed() / 1e9;
    };
    for (auto _ : state) {
        clock.start();
        report->ShowReport(true);
        state.SetIterationTime(firstPage);
        QApplication::processEvents();
    }
    state.counters["pages"] = report->PreviewPages()->GetCount();
}
BENCHMARK(BM_ShowReportToFirstPage)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

// ---- the order sheet shown in the preview beside prepared in the background

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

// The window as ShowReport opens it, maximised on the offscreen screen, from
// the start of the preparation (the first tick of the timer) to the last
// page on screen: what the preview adds to preparing.
class ShowingUi : public BenchUi {
public:
    QElapsedTimer* clock = nullptr;
    double seconds = 0;
    int paints = 0;
    int showModal(QDialog& dialog) override
    {
        auto* form = qobject_cast<TrpPreviewForm*>(&dialog);
        if (!form) return QDialog::Rejected;
        PaintCounter counter;
        form->Preview->Workspace->viewport()->installEventFilter(&counter);
        form->show();
        TrpReport* report = form->Report();
        while ((report->PrepareTimer() && report->PrepareTimer()->isActive()) || form->Preview->Running())
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        QApplication::processEvents();
        seconds = clock->nsecsElapsed() / 1e9;
        paints = counter.paints;
        form->Preview->Workspace->viewport()->removeEventFilter(&counter);
        return QDialog::Accepted;
    }
};

std::string& ordersOf(int lines)
{
    static std::map<int, std::unique_ptr<order_lines::OrderFile>> files;
    auto& file = files[lines];
    if (!file) file = std::make_unique<order_lines::OrderFile>(BENCH_ORDER_FIXTURE, lines);
    return file->path;
}

void BM_OrderSheetInPreview(benchmark::State& state)
{
    order_sheet_report::Sheet sheet(ordersOf(static_cast<int>(state.range(0))));
    sheet.report->EngineOptions()->BackgroundMode = false;
    ShowingUi ui;
    gui::ScopedUi scope(ui);
    QElapsedTimer clock;
    ui.clock = &clock;
    sheet.report->OnProgressStart = [&](TrpReport*, int type, int) {
        if (type == ptRunning) clock.start();
    };
    for (auto _ : state) {
        sheet.report->ShowReport(true);
        state.SetIterationTime(ui.seconds);
        QApplication::processEvents();
    }
    state.counters["pages"] = sheet.report->PreviewPages()->GetCount();
    state.counters["paints"] = ui.paints;
}
BENCHMARK(BM_OrderSheetInPreview)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1);

void BM_OrderSheetInBackground(benchmark::State& state)
{
    order_sheet_report::Sheet sheet(ordersOf(static_cast<int>(state.range(0))));
    for (auto _ : state) sheet.prepare();
    state.counters["pages"] = sheet.report->PreviewPages()->GetCount();
}
BENCHMARK(BM_OrderSheetInBackground)->Arg(10000)->Arg(100000)->UseRealTime()->Unit(benchmark::kMillisecond)->MinTime(1);

double ms(const RatioReporter& r, const std::string& name) { return r.Time(name); }

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerReportSystem();
    NoBoxes noBoxes;

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double repaint = ms(reporter, "BM_RepaintPageWidth"), floor = ms(reporter, "BM_FillPixelsFloor");
    const double pdftoppm = ms(reporter, "BM_PdftoppmPeer");
    if (repaint > 0 || floor > 0)
        std::printf("repaint of a 1600x1000 view at page width, %d text objects: %.2f ms (target <= 8 ms); "
                    "filling the pixels: %.2f ms\n",
                    kRows * kColumns, repaint, floor);
    if (repaint > 0 && pdftoppm > 0)
        std::printf("  pdftoppm -r 96 of the same page: %.2f ms; ratio %.2f\n", pdftoppm, repaint / pdftoppm);
    else
        std::printf("  pdftoppm did not run: no ratio\n");
    const double calc = reporter.Time("BM_CalcBounds10000"), find = reporter.Time("BM_FindPage10000");
    const double update = ms(reporter, "BM_UpdatePages10000");
    std::printf("CalcBounds over 10,000 pages: %.3f ms (target <= 5 ms); FindPage: %.0f ns (target <= 1000 ns); "
                "UpdatePages over 10,000 prepared pages: %.2f ms\n",
                calc / 1e3, find, update);
    const double search = ms(reporter, "BM_SearchAbsent500"), pdftotext = ms(reporter, "BM_PdftotextPeer500");
    if (search > 0 && pdftotext > 0)
        std::printf("search for an absent word through 500 pages: %.0f ms; pdftotext of the same pages: %.0f ms; "
                    "ratio %.2f (target <= 2)\n",
                    search, pdftotext, search / pdftotext);
    else
        std::printf("search for an absent word through 500 pages: %.0f ms; pdftotext did not run: no ratio\n", search);
    std::printf("ShowReport to the first page of the order sheet on screen: %.1f ms (target <= 150 ms)\n",
                ms(reporter, "BM_ShowReportToFirstPage"));
    for (const int lines : {10000, 100000}) {
        const std::string arg = "/" + std::to_string(lines) + "/";
        const double shown = ms(reporter, "BM_OrderSheetInPreview" + arg),
                     background = ms(reporter, "BM_OrderSheetInBackground" + arg);
        if (shown > 0 && background > 0)
            std::printf("the order sheet of %d lines shown in the preview (the window painted as pages come): "
                        "%.0f ms; prepared in the background: %.0f ms; ratio %.2f (target <= 1.2); %.0f paints\n",
                        lines, shown, background, shown / background,
                        reporter.Counter("BM_OrderSheetInPreview" + arg, "paints"));
    }
    benchmark::Shutdown();
    return noBoxes.exitCode();
}
