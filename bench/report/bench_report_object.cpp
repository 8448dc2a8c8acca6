// The report object's hot paths: Calc of a field reference and of a cached
// expression, compiling 50 and 500 distinct expressions, loading and
// saving the order sheet, and a dataset walk reading ten fields per row
// over 300,000 rows (fetched afresh, and fetched before) beside a raw
// sqlite3_step loop over the same rows.
// Prints rates and the ratios against their targets.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <QApplication>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "NoBoxes.h"
#include "Database.h"
#include "Query.h"
#include "SysUtils.h"
#include "rpDBSet.h"
#include "rpDataSets.h"
#include "rpExpressions.h"
#include "rpReport.h"
#include "rpTemplates.h"
#include "RatioReporter.h"
#include "rpStartup.h"

namespace {

constexpr int kWalkRows = 300000;
const char* const kFields[] = {"bh", "khmc", "khdz", "lxdh", "lxr", "zdr", "kssj", "zsl", "je", "bz"};

std::string g_file;

// The order lines and a big table of orders in one file.
void buildDatabase()
{
    db::Database db(g_file, db::Database::OpenMode::ReadWriteCreate);
    db.execute("PRAGMA synchronous = OFF");
    db.executeScript("CREATE TABLE zq_ddmx (dj TEXT, sl TEXT);"
                     "INSERT INTO zq_ddmx VALUES ('12.5', '3');"
                     "CREATE TABLE zq_dd (bh TEXT, khmc TEXT, khdz TEXT, lxdh TEXT, lxr TEXT, zdr TEXT, kssj TEXT,"
                     " zsl TEXT, je TEXT, bz TEXT);");
    db.execute("BEGIN");
    for (int i = 0; i < kWalkRows; ++i) {
        const std::string n = IntToStr(i);
        db.execute("INSERT INTO zq_dd VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)",
                   {db::Value("ZEZO-2026-12-06-" + n), db::Value("华南贸易有限公司" + n),
                    db::Value("广州市天河区体育西路" + n + "号"), db::Value("020-8888" + n), db::Value("王经理"),
                    db::Value("张三"), db::Value("2026-12-06"), db::Value(IntToStr(i % 40)),
                    db::Value(IntToStr(i % 997) + ".50"), db::Value(i % 3 ? "加急" : "")});
    }
    db.execute("COMMIT");
}

// A report with the order lines' dataset, prepared.
struct Lines {
    db::Database db{g_file, db::Database::OpenMode::ReadOnly};
    db::Query query{db, "ADOQuery2"};
    TComponent form;
    TrpDBDataset* ds;
    TrpReport* report;
    Lines()
    {
        form.SetName("fmain");
        query.setSql("select * from zq_ddmx");
        ds = new TrpDBDataset(&form);
        ds->SetName("rpDBDataset2");
        ds->SetDataSet(&query);
        report = new TrpReport(&form);
        report->DataSets()->Add()->SetDataSet(ds);
        report->PrepareScript();
        report->DataSets()->Initialize();
        ds->Open();
        ds->First();
    }
};

void BM_CalcFieldReference(benchmark::State& state)
{
    Lines l;
    const std::string expression = "rpDBDataset2.\"dj\"";
    for (auto _ : state) benchmark::DoNotOptimize(l.report->Calc(expression));
    state.SetItemsProcessed(state.iterations());
}

void BM_CalcCachedProduct(benchmark::State& state)
{
    Lines l;
    const std::string expression = "<rpDBDataset2.\"dj\">*<rpDBDataset2.\"sl\">";
    if (l.report->Calc(expression).toDouble() != 37.5) state.SkipWithError("wrong product");
    for (auto _ : state) benchmark::DoNotOptimize(l.report->Calc(expression));
    state.SetItemsProcessed(state.iterations());
}

void BM_CompileDistinct(benchmark::State& state)
{
    Lines l;
    const int count = static_cast<int>(state.range(0));
    std::vector<std::string> texts;
    for (int i = 0; i < count; ++i) texts.push_back(IntToStr(i) + " + <rpDBDataset2.\"sl\">");
    for (auto _ : state) {
        l.report->ExpressionCache()->Clear();
        for (const std::string& t : texts) benchmark::DoNotOptimize(l.report->Calc(t));
    }
}

void BM_LoadOrderSheet(benchmark::State& state)
{
    TrpReport report;
    for (auto _ : state) LoadReportTemplate(report, rpOrderSheetTemplate);
}

void BM_SaveOrderSheet(benchmark::State& state)
{
    TrpReport report;
    LoadReportTemplate(report, rpOrderSheetTemplate);
    for (auto _ : state) {
        TStringStream out;
        report.SaveToStream(out);
        benchmark::DoNotOptimize(out.Size());
    }
}

// The report dataset over the big table; walk() reads ten fields of every
// row and answers how many it read.
struct Walk {
    db::Database db{g_file, db::Database::OpenMode::ReadOnly};
    db::Query query{db, "ADOQuery1"};
    TrpDBDataset ds;
    std::vector<std::string> fields{std::begin(kFields), std::end(kFields)};
    Walk()
    {
        ds.SetName("rpDBDataset1");
        ds.SetDataSet(&query);
        query.setSql("select * from zq_dd");
    }
    int64_t walk()
    {
        int64_t reads = 0;
        for (ds.First(); !ds.Eof(); ds.Next())
            for (const std::string& f : fields) {
                benchmark::DoNotOptimize(ds.GetValue(f));
                ++reads;
            }
        return reads;
    }
};

void BM_DatasetWalk(benchmark::State& state)
{
    Walk w;
    for (auto _ : state) {
        w.ds.Open();
        const int64_t reads = w.walk();
        w.ds.Close();
        if (reads != int64_t(kWalkRows) * 10) state.SkipWithError("rows missing");
    }
    state.SetItemsProcessed(state.iterations() * kWalkRows * 10);
}

// The read path alone: the rows fetched once, then walked again and again.
void BM_DatasetReread(benchmark::State& state)
{
    Walk w;
    w.ds.Open();
    for (auto _ : state)
        if (w.walk() != int64_t(kWalkRows) * 10) state.SkipWithError("rows missing");
    state.SetItemsProcessed(state.iterations() * kWalkRows * 10);
}

void BM_RawSqliteLoop(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(g_file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "select * from zq_dd", -1, &st, nullptr);
        int64_t bytes = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < 10; ++c) {
                benchmark::DoNotOptimize(sqlite3_column_text(st, c));
                bytes += sqlite3_column_bytes(st, c);
            }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * kWalkRows * 10);
}

BENCHMARK(BM_CalcFieldReference);
BENCHMARK(BM_CalcCachedProduct);
BENCHMARK(BM_CompileDistinct)->Arg(50)->Arg(500)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOrderSheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveOrderSheet)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DatasetWalk)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DatasetReread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawSqliteLoop)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    registerReportSystem();
    NoBoxes noBoxes;
    g_file = (std::filesystem::temp_directory_path() / ("bench_report_object_" + std::to_string(getpid()) + ".db")).string();
    buildDatabase();

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    // Calc times are in nanoseconds, the others in milliseconds.
    const double field = reporter.Time("BM_CalcFieldReference"), product = reporter.Time("BM_CalcCachedProduct");
    const double c50 = reporter.Time("BM_CompileDistinct/50"), c500 = reporter.Time("BM_CompileDistinct/500");
    const double load = reporter.Time("BM_LoadOrderSheet"), save = reporter.Time("BM_SaveOrderSheet");
    const double walk = reporter.Time("BM_DatasetWalk"), raw = reporter.Time("BM_RawSqliteLoop"),
                 reread = reporter.Time("BM_DatasetReread");
    if (field > 0) std::printf("Calc of a field reference: %.0f per second (target 1,000,000)\n", 1e9 / field);
    if (product > 0) std::printf("Calc of the cached product: %.0f per second (target 200,000)\n", 1e9 / product);
    if (c50 > 0 && c500 > 0) std::printf("compiling 500 / 50 expressions: %.2fx (target at most 12x)\n", c500 / c50);
    if (load > 0 && save > 0)
        std::printf("loading the order sheet: %.3f ms, saving it: %.3f ms (target 5 ms each)\n", load, save);
    if (walk > 0 && raw > 0)
        std::printf("dataset walk / raw sqlite3_step loop: %.2fx (target at most 5x), %.0f reads per second\n",
                    walk / raw, kWalkRows * 10.0 / (walk / 1e3));
    if (reread > 0 && raw > 0)
        std::printf("the same walk over rows fetched before: %.0f reads per second, %.2fx the raw loop's time\n",
                    kWalkRows * 10.0 / (reread / 1e3), reread / raw);
    std::filesystem::remove(g_file);
    benchmark::Shutdown();
    return noBoxes.exitCode();
}
