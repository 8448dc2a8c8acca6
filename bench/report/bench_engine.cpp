// The band engine on the order sheet: an order of 10,000 lines prepared
// (313 pages, checked), the same with names that wrap and stretch, beside a
// "null engine" floor that reads the same SQLite rows and formats the same
// seven texts per row into a buffer; the same lines as a grouped list with
// group, page and report totals; 10,000 pages with the file cache on
// and off, each in a process of its own for its peak RSS; GetPage of a
// resident and of a parked page. Prints rows/s, pages/s, peak RSS and the
// ratios to the floor and to the targets.
//
// Beside it, in the same run, KReport 3 prepares and prints the same order
// in the same layout (bench/kreport, a Qt 5 program `make bench` builds),
// with and without a script run for every row: prepare, prepare and PDF,
// and the peak memory of each in a process of its own. Without the peer
// program that is said and no ratio is printed.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "NoBoxes.h"
#include "ChildProcess.h"
#include "OrderLines.h"
#include "OrderSheetReport.h"
#include "Database.h"
#include "OrderLines.h"
#include "Query.h"
#include "RatioReporter.h"
#include "SysUtils.h"
#include "rpBands.h"
#include "rpDBSet.h"
#include "rpEngine.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPreviewPages.h"
#include "rpReport.h"
#include "rpTemplates.h"
#include "rpStartup.h"

namespace {

constexpr int kLines = 10000;
constexpr int kPages = 313;
// 29 rows on the first page, 32 on the others, 25 and the summary on the
// last: 10,000 pages.
constexpr int kManyPagesLines = 29 + 32 * 9998 + 25;
constexpr int kManyPages = 10000;
// The same at 100,000 pages (3.2 million lines).
constexpr int kHugeLines = 29 + 32 * 99998 + 25;
constexpr int kHugePages = 100000;

std::string g_fixture;
std::string g_file, g_longFile, g_manyFile, g_hugeFile;

using order_sheet_report::Sheet;

void BM_OrderSheet10k(benchmark::State& state)
{
    Sheet sheet(g_file);
    for (auto _ : state)
        if (sheet.prepare() != kPages) state.SkipWithError("the order sheet did not take 313 pages");
    state.counters["rows/s"] = benchmark::Counter(double(kLines) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["pages/s"] = benchmark::Counter(double(kPages) * state.iterations(), benchmark::Counter::kIsRate);
}

// Prepared and printed to a PDF file, as rpprint does.
void BM_OrderSheet10kPdf(benchmark::State& state)
{
    Sheet sheet(g_file);
    const std::string pdf = g_file + ".pdf";
    for (auto _ : state)
        if (sheet.prepare() != kPages || !sheet.print(pdf)) state.SkipWithError("the order sheet was not printed");
    state.counters["PDF bytes/page"] = static_cast<double>(std::filesystem::file_size(pdf)) / kPages;
    std::filesystem::remove(pdf);
}

void BM_OrderSheet10kStretch(benchmark::State& state)
{
    Sheet sheet(g_longFile, true);
    int pages = 0;
    for (auto _ : state) pages = sheet.prepare();
    if (pages <= kPages) state.SkipWithError("the names did not stretch");
    state.counters["rows/s"] = benchmark::Counter(double(kLines) * state.iterations(), benchmark::Counter::kIsRate);
    state.counters["pages/s"] = benchmark::Counter(double(pages) * state.iterations(), benchmark::Counter::kIsRate);
}

// The same 10,000 lines as a grouped list of 100 groups of 100, with the
// count and quantity of each group in its footer, the quantity of each
// page in the page footer and both for all lines in the summary.
struct GroupedSheet {
    db::Database db;
    db::Query rows{db, "ADOQuery3"};
    TComponent form;
    TrpReport* report;

    explicit GroupedSheet(const std::string& file) : db(file, db::Database::OpenMode::ReadOnly)
    {
        form.SetName("fmain");
        const std::string order = std::string("'") + order_lines::kOrder + "'";
        rows.setSql("select *, (id - (select min(id) from zq_ddmx where bh=" + order +
                    ")) / 100 as grp from zq_ddmx where bh=" + order + " order by id");
        auto* ds = new TrpDBDataset(&form);
        ds->SetName("rows");
        ds->SetDataSet(&rows);
        report = new TrpReport(&form);
        report->EngineOptions()->BackgroundMode = true;
        report->EngineOptions()->NewSilentMode = simSilent;
        report->LoadFromFile(BENCH_GROUPED_REPORT);
        report->DataSets()->Add()->SetDataSet(ds);
    }
    int prepare()
    {
        report->PrepareReport(true);
        return report->PreviewPages()->GetCount();
    }
    // The summary's text on the last page.
    std::string total()
    {
        TrpCustomPreviewPages& pages = *report->PreviewPages();
        const std::shared_ptr<TrpReportPage> last = pages.GetPage(pages.GetCount() - 1);
        auto* memo = last ? dynamic_cast<TrpCustomMemoView*>(last->FindObject("Total")) : nullptr;
        return memo ? memo->AnsiText() : std::string();
    }
};

void BM_Grouped10k(benchmark::State& state)
{
    GroupedSheet sheet(g_file);
    for (auto _ : state) sheet.prepare();
    // Every line counted once, every quantity added once.
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    const std::string sql =
        std::string("select sum(sl) from zq_ddmx where bh='") + order_lines::kOrder + "'";
    sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    const int64_t quantity = sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
    sqlite3_finalize(st);
    sqlite3_close(db);
    const std::string expected = "10000 lines in all, quantity " + IntToStr(quantity);
    if (sheet.total().rfind(expected, 0) != 0) state.SkipWithError(("the summary reads " + sheet.total()).c_str());
    state.counters["rows/s"] = benchmark::Counter(double(kLines) * state.iterations(), benchmark::Counter::kIsRate);
}

// The floor: the same rows read and the seven texts of a row formatted.
void BM_NullEngine(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    std::string buffer;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, order_lines::detailSql().c_str(), -1, &st, nullptr);
        int rows = 0;
        const int cp = 4, cpgg = 5, dj = 6, sl = 7, dw = 8, bz = 10;
        while (sqlite3_step(st) == SQLITE_ROW) {
            buffer.clear();
            for (int c : {cp, cpgg, dw, sl, dj, bz}) {
                const unsigned char* text = sqlite3_column_text(st, c);
                buffer.append(text ? reinterpret_cast<const char*>(text) : "");
                buffer += '\t';
            }
            buffer += FloatToStr(StrToFloat(reinterpret_cast<const char*>(sqlite3_column_text(st, dj))) *
                                 StrToFloat(reinterpret_cast<const char*>(sqlite3_column_text(st, sl))));
            benchmark::DoNotOptimize(buffer.data());
            ++rows;
        }
        sqlite3_finalize(st);
        if (rows != kLines) state.SkipWithError("rows missing");
    }
    sqlite3_close(db);
    state.counters["rows/s"] = benchmark::Counter(double(kLines) * state.iterations(), benchmark::Counter::kIsRate);
}

// GetPage of a page with some 500 objects, built from the store each time.
void getPage(benchmark::State& state, bool parked)
{
    Sheet sheet(g_file);
    if (parked) {
        sheet.report->EngineOptions()->UseFileCache = true;
        sheet.report->EngineOptions()->MaxMemSize = 0;
    }
    sheet.prepare();
    TrpPreviewPages& pages = sheet.pages();
    if (parked != pages.PageParked(100)) state.SkipWithError("the page is not where it should be");
    size_t objects = 0;
    for (auto _ : state) {
        pages.ClearPageCache();
        objects = pages.GetPage(100)->GetAllObjects().size();
    }
    state.counters["objects"] = double(objects);
}

void BM_GetPageResident(benchmark::State& state)
{
    getPage(state, false);
}

void BM_GetPageParked(benchmark::State& state)
{
    getPage(state, true);
}

BENCHMARK(BM_OrderSheet10k)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_OrderSheet10kPdf)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_Grouped10k)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_OrderSheet10kStretch)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_NullEngine)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GetPageResident)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GetPageParked)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------- peak RSS


// "floor": the program with the report loaded and nothing prepared;
// "10k": the order of 10,000 lines; "10k-pdf": the same printed to a PDF;
// "pages-on"/"pages-off": 10,000 pages with the file cache on (MaxMemSize
// 10) or off; "huge-on": 100,000 pages with the file cache on; "-data":
// their rows alone.
int childMain(const std::string& what)
{
    const bool huge = what.rfind("huge", 0) == 0;
    const bool many = huge || what.rfind("pages", 0) == 0;
    Sheet sheet(huge ? g_hugeFile : many ? g_manyFile : g_file);
    if (what == "floor") return 0;
    if (what == "pages-data" || what == "huge-data") {
        // The rows alone, as the query holds them once opened.
        sheet.detail.open();
        int rows = 0;
        for (sheet.detail.first(); !sheet.detail.eof(); sheet.detail.next()) ++rows;
        std::printf("rows=%d\nheld=%zu\n", rows, sheet.detail.heldBytes());
        return rows == (huge ? kHugeLines : kManyPagesLines) ? 0 : 1;
    }
    if (what == "pages-on" || what == "huge-on") {
        sheet.report->EngineOptions()->UseFileCache = true;
        sheet.report->EngineOptions()->MaxMemSize = 10;
    }
    const auto start = std::chrono::steady_clock::now();
    const int pages = sheet.prepare();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("pages=%d\nseconds=%f\nstore=%zu\n", pages, seconds, sheet.pages().StoreMemory());
    if (what == "10k-pdf") {
        const std::string pdf = g_file + ".child.pdf";
        const bool printed = sheet.print(pdf);
        std::filesystem::remove(pdf);
        if (!printed) return 1;
    }
    return pages == (huge ? kHugePages : many ? kManyPages : kPages) ? 0 : 1;
}

// The text of the detail rows, each value as SQLite gives it as text.
double textBytesPerRow(const std::string& file)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, order_lines::detailSql().c_str(), -1, &st, nullptr);
    double bytes = 0, rows = 0;
    for (; sqlite3_step(st) == SQLITE_ROW; ++rows)
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            sqlite3_column_text(st, c);
            bytes += sqlite3_column_bytes(st, c);
        }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows > 0 ? bytes / rows : 0;
}

// The KReport program `make bench` builds beside this one, or the one
// KREPORT_PEER names.
std::string peerProgram()
{
    if (const char* named = std::getenv("KREPORT_PEER"); named && *named) return named;
    return BENCH_KREPORT_PEER;
}

// Ours beside KReport on the 10,000 lines: prepare, prepare and PDF (times
// in this process for ours, the peer's own best of three), and the peak
// memory of a prepare and PDF in a process of its own.
void comparePeer(const char* self, const RatioReporter& reporter, const ChildResult& oursPrepared)
{
    const double prepare = reporter.Time("BM_OrderSheet10k/"), printed = reporter.Time("BM_OrderSheet10kPdf");
    const ChildResult oursPrinted = runChild(self, "10k-pdf");
    const double oursBytes = reporter.Counter("BM_OrderSheet10kPdf", "PDF bytes/page");
    auto mb = [](const ChildResult& r) { return r.maxRssKb > 0 ? r.maxRssKb / 1024.0 : 0.0; };
    std::printf("\nThe order sheet, %d lines, beside KReport 3 (ms; peak MB of each in a process of its own):\n", kLines);
    std::printf("  %-28s %8s %12s %8s %8s %7s %8s\n", "", "prepare", "prepare+PDF", "peak MB", "(prep.)", "pages",
                "PDF B/pg");
    std::printf("  %-28s %8.0f %12.0f %8.1f %8.1f %7d %8.0f\n", "ours", prepare, printed, mb(oursPrinted),
                mb(oursPrepared), kPages, oursBytes);
    const std::string peer = peerProgram();
    if (access(peer.c_str(), X_OK) != 0) {
        std::printf("  KReport peer: %s is not there (make bench builds it); no ratio.\n", peer.c_str());
        return;
    }
    for (const bool script : {false, true}) {
        const std::string pdf = g_file + ".kreport.pdf";
        std::vector<std::string> args{"--db", g_file, "--order", order_lines::kOrder, "--pdf", pdf};
        if (script) args.push_back("--script");
        const ChildResult once = runProgram(peer, args);  // its peak: one run
        const long bytes = std::filesystem::exists(pdf) ? static_cast<long>(std::filesystem::file_size(pdf)) : 0;
        args.insert(args.end(), {"--runs", "3"});
        const ChildResult timed = runProgram(peer, args);
        std::filesystem::remove(pdf);
        const char* name = script ? "KReport 3, script every row" : "KReport 3";
        if (once.maxRssKb < 0 || timed.maxRssKb < 0 || !timed.values.count("pdf_s")) {
            std::printf("  %-28s did not run (%s); no ratio.\n", name, peer.c_str());
            continue;
        }
        const double kPrepare = timed.values.at("prepare_s") * 1e3;
        const double kPrinted = kPrepare + timed.values.at("pdf_s") * 1e3;
        const int kPagesPeer = static_cast<int>(timed.values.at("pages"));
        std::printf("  %-28s %8.0f %12.0f %8.1f %8s %7d %8.0f\n", name, kPrepare, kPrinted, mb(once), "", kPagesPeer,
                    kPagesPeer > 0 ? static_cast<double>(bytes) / kPagesPeer : 0.0);
        if (prepare > 0 && printed > 0)
            std::printf("  %-28s %8.2f %12.2f %8.2f\n", "  ours / KReport", prepare / kPrepare, printed / kPrinted,
                        once.maxRssKb > 0 && oursPrinted.maxRssKb > 0 ? mb(oursPrinted) / mb(once) : 0.0);
    }
}

std::string fileName(const char* what)
{
    return (std::filesystem::temp_directory_path() / ("bench_engine_" + std::string(what) + ".db")).string();
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    g_fixture = BENCH_ORDER_FIXTURE;
    g_file = fileName("lines");
    g_longFile = fileName("long");
    g_manyFile = fileName("pages");
    g_hugeFile = fileName("huge");
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a.rfind("--child=", 0) == 0) {
            ReportPeakMemoryAtExit();
            registerReportSystem();
            return childMain(a.substr(8));
        }
    }
    benchmark::Initialize(&argc, argv);
    // As the program starts: the order sheet's summary handler runs there.
    registerReportSystem();
    NoBoxes noBoxes;
    // The files are made once here and read by the children.
    order_lines::OrderFile lines(g_fixture, kLines), longNames(g_fixture, kLines, true),
        manyPages(g_fixture, kManyPagesLines);
    std::filesystem::rename(lines.path, g_file);
    std::filesystem::rename(longNames.path, g_longFile);
    std::filesystem::rename(manyPages.path, g_manyFile);
    {
        order_lines::OrderFile hugeOrder(g_fixture, kHugeLines);
        std::filesystem::rename(hugeOrder.path, g_hugeFile);
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double engine = reporter.Time("BM_OrderSheet10k/"), stretch = reporter.Time("BM_OrderSheet10kStretch");
    const double floor = reporter.Time("BM_NullEngine"), resident = reporter.Time("BM_GetPageResident"),
                 parked = reporter.Time("BM_GetPageParked");
    std::printf("\nThe order sheet, 10,000 lines (times in ms):\n");
    if (engine > 0)
        std::printf("  prepared: %.0f rows/s, %.0f pages/s (target >= 50,000 rows/s)\n", kLines / (engine / 1e3),
                    kPages / (engine / 1e3));
    if (stretch > 0)
        std::printf("  names that wrap and stretch: %.0f rows/s (target >= 15,000 rows/s)\n", kLines / (stretch / 1e3));
    const double grouped = reporter.Time("BM_Grouped10k");
    if (grouped > 0)
        std::printf("  as a grouped list (100 groups, footer SUM and COUNT, page-footer SUM): %.0f rows/s "
                    "(target >= 40,000 rows/s), %.2fx the time of the order sheet above\n",
                    kLines / (grouped / 1e3), engine > 0 ? grouped / engine : 0.0);
    if (floor > 0 && engine > 0)
        std::printf("  null engine floor: %.0f rows/s; the engine takes %.1fx the floor's time\n", kLines / (floor / 1e3),
                    engine / floor);
    if (resident > 0) std::printf("  GetPage of a resident page: %.3f ms (target <= 2)\n", resident);
    if (parked > 0) std::printf("  GetPage of a parked page: %.3f ms (target <= 4)\n", parked);

    const ChildResult base = runChild(argv[0], "floor");
    const ChildResult tenK = runChild(argv[0], "10k");
    const ChildResult on = runChild(argv[0], "pages-on");
    const ChildResult off = runChild(argv[0], "pages-off");
    const ChildResult data = runChild(argv[0], "pages-data");
    const double baseMb = base.maxRssKb / 1024.0;
    // Each detail row stores its band and 15 objects; each page its header.
    const double elements = 16.0 * kManyPagesLines + 2.0 * kManyPages + 28 + 15;
    std::printf("\nPeak RSS, each in a process of its own:\n");
    std::printf("  floor (report loaded, nothing prepared): %.1f MB\n", baseMb);
    if (tenK.maxRssKb > 0) std::printf("  10,000 lines (313 pages): %.1f MB\n", tenK.maxRssKb / 1024.0);
    if (data.maxRssKb > 0)
        std::printf("  the 319,990 rows of 10,000 pages read by the query, nothing prepared: %.1f MB\n",
                    data.maxRssKb / 1024.0);
    if (data.maxRssKb > 0)
        std::printf("  the query holds %.1f bytes per row (%.1f above the floor's RSS) for %.1f bytes of text "
                    "per row\n",
                    data.values.at("held") / kManyPagesLines, (data.maxRssKb - base.maxRssKb) * 1024.0 / kManyPagesLines,
                    textBytesPerRow(g_manyFile));
    if (on.maxRssKb > 0)
        std::printf("  10,000 pages, file cache on (MaxMemSize 10): %.1f MB (target <= 150), %.0f rows/s\n",
                    on.maxRssKb / 1024.0, kManyPagesLines / on.values.at("seconds"));
    if (off.maxRssKb > 0 && data.maxRssKb > 0)
        std::printf("  10,000 pages, file cache off: %.1f MB, %.1f bytes per stored element above the rows read "
                    "(target <= 100), %.0f rows/s\n",
                    off.maxRssKb / 1024.0, (off.maxRssKb - data.maxRssKb) * 1024.0 / elements,
                    kManyPagesLines / off.values.at("seconds"));
    if (on.maxRssKb > 0 && data.maxRssKb > 0)
        std::printf("  the engine's own part with the file cache on: %.1f MB above the rows read\n",
                    (on.maxRssKb - data.maxRssKb) / 1024.0);
    const ChildResult huge = runChild(argv[0], "huge-on");
    const ChildResult hugeData = runChild(argv[0], "huge-data");
    if (huge.maxRssKb > 0)
        std::printf("  100,000 pages (3.2 million lines), file cache on (MaxMemSize 10): %.1f MiB (target <= 200), "
                    "%.0f rows/s\n",
                    huge.maxRssKb / 1024.0, kHugeLines / huge.values.at("seconds"));
    if (hugeData.maxRssKb > 0)
        std::printf("  their rows read by the query, nothing prepared: %.1f MiB, %.1f bytes held per row\n",
                    hugeData.maxRssKb / 1024.0, hugeData.values.at("held") / kHugeLines);
    if (base.maxRssKb < 0 || tenK.maxRssKb < 0 || on.maxRssKb < 0 || off.maxRssKb < 0 || data.maxRssKb < 0 ||
        huge.maxRssKb < 0 || hugeData.maxRssKb < 0)
        std::printf("  (a child process failed: its numbers are missing)\n");
    comparePeer(argv[0], reporter, tenK);
    for (const std::string& f : {g_file, g_longFile, g_manyFile, g_hugeFile}) std::filesystem::remove(f);
    benchmark::Shutdown();
    return noBoxes.exitCode();
}
