// The prepared-pages store under the order-sheet workload: one source page
// whose detail row is a band with a shape, 7 lines and 7 memos; 30 rows a
// page, each with its own top and texts (480 stored elements a page).
//
// - GetPage of a resident and of a parked page, beside building the same
//   480 objects directly in code (the floor: no store at all).
// - 10,000 pages filled with the file cache off and on (MaxMemSize 10), each
//   in a process of its own for its peak RSS, beside the same process doing
//   nothing (the floor) and beside the same elements kept as the landed XML
//   tree (the peer the compact store replaces).

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "NoBoxes.h"
#include "CodePages.h"
#include "FakeSpooler.h"
#include "ChildProcess.h"
#include "OrderSheetPages.h"
#include "RatioReporter.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpPrinter.h"
#include "rpReport.h"
#include "rpShapes.h"
#include "rpStartup.h"

extern char** environ;

using namespace order_sheet_bench;

namespace {

constexpr int kPages = 10000;

// ---------------------------------------------------------------- GetPage

void BM_GetPageResident(benchmark::State& state)
{
    OrderSheet sheet;
    Engine engine;
    TrpPreviewPages& store = pagesOf(sheet);
    store.SetEngine(&engine);
    fill(sheet, 3);
    // A running engine makes every GetPage build the page anew.
    engine.running = true;
    for (auto _ : state) benchmark::DoNotOptimize(store.GetPage(2));
    state.counters["objects"] = static_cast<double>(store.GetPage(2)->GetAllObjects().size());
}

void BM_GetPageParked(benchmark::State& state)
{
    OrderSheet sheet;
    Engine engine;
    TrpPreviewPages& store = pagesOf(sheet);
    store.SetEngine(&engine);
    sheet.report->EngineOptions()->UseFileCache = true;
    sheet.report->EngineOptions()->MaxMemSize = 0;
    fill(sheet, 4);
    store.AddPage(sheet.page);  // parks the pages before the last
    if (!store.PageParked(2)) state.SkipWithError("page 2 is not parked");
    engine.running = true;
    for (auto _ : state) benchmark::DoNotOptimize(store.GetPage(2));
    state.counters["parked"] = store.PageParked(2) ? 1 : 0;
}

// The floor: the same page and objects made directly in code.
void BM_BuildPageDirectly(benchmark::State& state)
{
    OrderSheet sheet;
    for (auto _ : state) {
        auto page = std::make_unique<TrpReportPage>();
        page->SetDefaults();
        for (int r = 0; r < kRows; ++r) {
            auto* band = new TrpDetailData(page.get());
            band->SetName("DetailData1");
            band->SetBounds(0, 56.69L + r * kRowHeight, 718, kRowHeight);
            auto* shape = new TrpShapeView(band);
            shape->SetBounds(0, 0, 718, kRowHeight);
            for (int i = 0; i < kMemos; ++i) {
                auto* memo = new TrpMemoView(band);
                memo->SetName(sheet.memos[i]->Name());
                memo->SetBounds(sheet.memos[i]->Left(), 6, sheet.memos[i]->Width(), 18.9L);
                memo->Font()->SetName("宋体");
                memo->SetText(u"商品名称 12");
                auto* line = new TrpLineView(band);
                line->SetBounds(sheet.memos[i]->Left(), 0, 0, kRowHeight);
            }
        }
        benchmark::DoNotOptimize(page.get());
    }
}

BENCHMARK(BM_GetPageResident)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetPageParked)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildPageDirectly)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------- memory


double seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

int childMain(const std::string& what)
{
    if (what.rfind("rpp:", 0) == 0) {
        // The prepared-report file of the 10,000 pages: saved, then read
        // into another report.
        const std::string file = what.substr(4);
        double saveSeconds, loadSeconds;
        {
            OrderSheet sheet;
            fill(sheet, kPages);
            const auto start = std::chrono::steady_clock::now();
            pagesOf(sheet).SaveToFile(file);
            saveSeconds = seconds(start);
        }
        OrderSheet other;
        const auto start = std::chrono::steady_clock::now();
        pagesOf(other).LoadFromFile(file, true);
        loadSeconds = seconds(start);
        std::printf("save=%f\nload=%f\npages=%d\n", saveSeconds, loadSeconds, pagesOf(other).GetCount());
        return 0;
    }
    if (what == "idle") {
        OrderSheet sheet;
        return 0;
    }
    if (what == "xml-tree") {
        // The same elements as nodes of the landed XML tree.
        OrderSheet sheet;
        TrpPreviewPages& store = pagesOf(sheet);
        fill(sheet, 1);
        TrpXMLDocument doc;
        TrpXMLItem* pages = doc.Root()->Add();
        for (int p = 0; p < kPages; ++p) {
            TrpXMLItem* page = pages->Add();
            page->SetName("page0");
            for (int r = 0; r < kRows; ++r) {
                sheet.setRow(p, r);
                TrpXMLItem* band = page->Add();
                band->SetName("b1");
                band->SetText(sheet.band->Diff(store.SourceOf(sheet.band)));
                for (TrpComponent* child : sheet.band->Objects()) {
                    TrpXMLItem* item = band->Add();
                    item->SetName(store.UniqueNameOf(child));
                    item->SetText(child->Diff(store.SourceOf(child)));
                }
            }
        }
        std::printf("elements=%d\n", kPages * kRows * 16);
        return 0;
    }
    OrderSheet sheet;
    const bool cache = what == "fill-cache-on";
    sheet.report->EngineOptions()->UseFileCache = cache;
    sheet.report->EngineOptions()->MaxMemSize = 10;
    const auto start = std::chrono::steady_clock::now();
    fill(sheet, kPages);
    const double fillSeconds = seconds(start);
    TrpPreviewPages& store = pagesOf(sheet);
    std::printf("seconds=%f\n", fillSeconds);
    std::printf("elements=%d\n", kPages * kRows * 16);
    std::printf("store=%zu\n", store.StoreMemory());
    std::printf("temp=%lld\n", static_cast<long long>(store.TempFileSize()));
    if (cache) {
        // Three sweeps through every page, as a preview scrolled back and
        // forth; the file must not grow with them.
        int64_t afterOne = 0;
        for (int sweep = 0; sweep < 3; ++sweep) {
            for (int p = 0; p < store.GetCount(); ++p) store.GetPage(sweep % 2 ? store.GetCount() - 1 - p : p);
            if (sweep == 0) afterOne = store.TempFileSize();
        }
        std::printf("tempAfterOneSweep=%lld\n", static_cast<long long>(afterOne));
        std::printf("tempAfterSweeps=%f\n", afterOne ? double(store.TempFileSize()) / double(afterOne) : 0.0);
    }
    return 0;
}

void memoryReport(const char* self)
{
    std::printf("\n10,000 pages of 30 order rows (%d elements), each run in a process of its own:\n",
                kPages * kRows * 16);
    const ChildResult idle = runChild(self, "idle");
    const ChildResult off = runChild(self, "fill-cache-off");
    const ChildResult on = runChild(self, "fill-cache-on");
    const ChildResult tree = runChild(self, "xml-tree");
    if (idle.maxRssKb < 0 || off.maxRssKb < 0 || on.maxRssKb < 0) {
        std::printf("  a child run failed; no memory figures\n");
        return;
    }
    const double elements = kPages * kRows * 16.0;
    const double floorMb = idle.maxRssKb / 1024.0;
    auto perElement = [&](const ChildResult& r) { return (r.maxRssKb - idle.maxRssKb) * 1024.0 / elements; };
    std::printf("  floor (the program, nothing stored):   peak RSS %7.1f MB\n", floorMb);
    std::printf("  file cache off: fill %.2f s (target <= 3, %.2f us/element), peak RSS %7.1f MB, %.1f bytes/element "
                "(target <= 100), store %.1f bytes/element\n",
                off.values.at("seconds"), off.values.at("seconds") * 1e6 / elements, off.maxRssKb / 1024.0,
                perElement(off), off.values.at("store") / elements);
    std::printf("  file cache on (MaxMemSize 10): fill %.2f s, peak RSS %7.1f MB (target <= 150), temp file %.1f MB, "
                "%.1f MB after one sweep through the pages, after three %.3f x that (target <= 1.1)\n",
                on.values.at("seconds"), on.maxRssKb / 1024.0, on.values.at("temp") / 1048576.0,
                on.values.at("tempAfterOneSweep") / 1048576.0, on.values.at("tempAfterSweeps"));
    const std::string file =
        (std::filesystem::temp_directory_path() / ("bench_prepared_" + std::to_string(getpid()) + ".rpp")).string();
    const ChildResult rpp = runChild(self, "rpp:" + file);
    if (rpp.maxRssKb >= 0 && rpp.values.count("load")) {
        auto timed = [](const std::string& command) {
            const auto start = std::chrono::steady_clock::now();
            const int status = std::system(command.c_str());
            return status == 0 ? seconds(start) : -1.0;
        };
        const double cat = timed("cat '" + file + "' >/dev/null");
        const double xmllint = timed("xmllint --stream --noout '" + file + "' 2>/dev/null");
        std::printf("  .rpp of %.0f pages, %.1f MB: save %.2f s (target <= 3), load %.2f s (target <= 5); "
                    "cat %.2f s (the I/O floor)",
                    rpp.values.at("pages"), std::filesystem::file_size(file) / 1048576.0, rpp.values.at("save"),
                    rpp.values.at("load"), cat);
        if (xmllint > 0)
            std::printf(", xmllint --stream %.2f s, our load / xmllint %.2f\n", xmllint, rpp.values.at("load") / xmllint);
        else
            std::printf("; xmllint did not run (libxml2-utils), no ratio\n");
    }
    std::error_code ec;
    std::filesystem::remove(file, ec);
    if (tree.maxRssKb >= 0)
        std::printf("  peer, the same elements as XML tree nodes: peak RSS %7.1f MB, %.1f bytes/element; "
                    "compact store / XML tree: %.2f\n",
                    tree.maxRssKb / 1024.0, perElement(tree), perElement(off) / perElement(tree));
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string child;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--child=", 8) == 0) child = argv[i] + 8;
    if (!child.empty()) ReportPeakMemoryAtExit();
    QApplication app(argc, argv);
    registerReportSystem();
    NoBoxes noBoxes;
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    if (!child.empty()) return childMain(child);

    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double floor = reporter.Time("BM_BuildPageDirectly");
    for (const char* name : {"BM_GetPageResident", "BM_GetPageParked"}) {
        const double t = reporter.Time(name);
        if (t > 0 && floor > 0)
            std::printf("%s: %.3f ms (target %s), %.2f x building the objects directly\n", name, t,
                        std::strcmp(name, "BM_GetPageResident") == 0 ? "<= 2 ms" : "<= 4 ms", t / floor);
    }
    memoryReport("/proc/self/exe");
    benchmark::Shutdown();
    return noBoxes.exitCode();
}
