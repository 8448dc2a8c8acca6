// The program on a PostgreSQL server on a local socket beside the same on
// its SQLite file, in the same run, with the same rows: opening the main
// window over 100,000 orders of 977 customers (the window, its tree's root
// opened and the first page listed), saving a new order of 30 lines through the order form,
// and reading the order sheet's order of 10,000 lines and preparing it. The
// target: the server within 2x the file on each. The server is a private
// one started here (tests/db/pg_server.sh --durable: it syncs to the disk
// as an office's does, as SQLite does); without one, the server's half is
// skipped and no ratio printed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "../report/RatioReporter.h"
#include "BenchMain.h"
#include "DATAM.h"
#include "StringGrid.h"
#include "SysUtils.h"
#include "Uluru.h"
#include "main.h"
#include "rpCustomPreviewPages.h"
#include "rpReport.h"

namespace {

constexpr int kOrders = 100000;
constexpr int kLongLines = 10000;
constexpr int kSavedLines = 30;

// The private server, started once and stopped at the end.
struct Server {
    std::string dir = std::string(BENCH_BINARY_DIR) + "/pgbench";
    std::string admin;  // the superuser's connection text
    std::string why;

    Server()
    {
        const int rc = QProcess::execute(QStringLiteral(PG_SERVER_SCRIPT),
                                         {QStringLiteral("start"), QString::fromStdString(dir), QStringLiteral("--durable")});
        std::ifstream in(dir + "/conninfo");
        std::getline(in, admin);
        if (admin.empty()) {
            std::ifstream skip(dir + "/skip");
            std::getline(skip, why);
            if (why.empty()) why = "the server script failed (" + std::to_string(rc) + ")";
        }
    }
    ~Server() { QProcess::execute(QStringLiteral(PG_SERVER_SCRIPT), {QStringLiteral("stop"), QString::fromStdString(dir)}); }

    // A fresh database for the program, as an office makes it.
    std::string database()
    {
        db::Database a(admin, db::Database::OpenMode::ReadWrite);
        try {
            a.executeScript("CREATE ROLE dorvak_office LOGIN");
        } catch (const EDatabaseError&) {
        }
        a.executeScript("DROP DATABASE IF EXISTS bench_orders WITH (FORCE)");
        a.executeScript("CREATE DATABASE bench_orders OWNER dorvak_office");
        const std::string host = admin.substr(0, admin.find(" user="));
        return host + " user=dorvak_office dbname=bench_orders";
    }
};

std::unique_ptr<Server> g_server;

// One database, file or server, with its rows and the program's forms on it.
struct World {
    db::Engine engine;
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    TDateTime start = EncodeDate(2026, 12, 6) + EncodeTime(9, 0, 0, 0);
    int tick = 0;

    explicit World(db::Engine e) : engine(e)
    {
        try {
            fill();
        } catch (...) {
            clear();
            throw;
        }
    }
    ~World() { clear(); }

    void fill()
    {
        QDir::setCurrent(dir.path());
        if (engine == db::Engine::PostgreSQL) setenv("DORVAK_DB", g_server->database().c_str(), 1);
        else unsetenv("DORVAK_DB");
        DM = new TDM;
        DM->Connect();
        db::Transaction t(DM->Connection());
        // The same rows on both, made by the same statements.
        DM->Write("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                  "INSERT INTO zq_dd(bh, khmc, khdz, lxdh, zsl, je, zdr, kssj) "
                  "SELECT 'ZEZO-2026-11-06-' || (100000 + i), '客户' || (i % 977), '某市某路' || (i % 977) || '号', "
                  "'1380000' || (i % 977), '3', '128.5', '王五', '2026-11-06' FROM n",
                  {static_cast<int64_t>(kOrders)});
        DM->Write("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                  "INSERT INTO zq_ddmx(ddid, bh, leibie, cp, cpgg, dj, sl, dw, je, khmc) "
                  "SELECT '' || i, 'ZEZO-2026-11-06-' || (100000 + i), '牛奶', '鲜奶', '250ml', '3', '2', '瓶', '6', '客户' FROM n",
                  {static_cast<int64_t>(kOrders)});
        DM->Write("INSERT INTO config(khmc, dz, lxdh) VALUES('特瓦克物流', '深圳市南山区科技园8栋', '0755-12345678')");
        DM->Write("INSERT INTO zq_dd(bh, khmc, khdz, lxdh, kssj, zsl, je, fjmc, fjje) "
                  "VALUES('ZEZO-LONG', '华东机电', '上海市浦东新区张江路1号', '021-55556666', '2026-12-08', ?, '100', '运费', '12')",
                  {IntToStr(kLongLines)});
        DM->Write("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < ?) "
                  "INSERT INTO zq_ddmx(bh, leibie, cp, cpgg, dj, sl, dw, khmc) "
                  "SELECT 'ZEZO-LONG', '五金', substr('螺丝垫片螺母铆钉弹簧', 1 + i % 5, 2 + i % 3), 'M' || (4 + i % 9), "
                  "(1 + i % 50) || '.50', '' || (1 + i % 9), '个', '华东机电' FROM n",
                  {static_cast<int64_t>(kLongLines)});
        t.commit();
        // As the server's own vacuum leaves the tables after a day's work.
        if (engine == db::Engine::PostgreSQL) DM->ADOCn.executeScript("VACUUM ANALYZE zq_dd, zq_ddmx");
        // Each new order is begun one second after the one before.
        SetClock([this] { return start + static_cast<TDateTime>(++tick) / 86400.0; });
        Fluru = new TFluru;
    }
    void clear()
    {
        delete fmain;
        fmain = nullptr;
        delete Fluru;
        Fluru = nullptr;
        delete DM;
        DM = nullptr;
        SetClock({});
        unsetenv("DORVAK_DB");
        QDir::setCurrent(previous);
    }
};

std::unique_ptr<World> g_world;

// The world of that engine, made afresh when the other one stood.
World* world(benchmark::State& state, db::Engine engine)
{
    if (!g_server) g_server = std::make_unique<Server>();
    if (engine == db::Engine::PostgreSQL && !g_server->why.empty()) {
        state.SkipWithError(("no PostgreSQL server: " + g_server->why).c_str());
        return nullptr;
    }
    if (!g_world || g_world->engine != engine) {
        g_world.reset();
        try {
            g_world = std::make_unique<World>(engine);
        } catch (const EDatabaseError& e) {
            // A server gone in the middle of the run: said, and no ratio.
            state.SkipWithError(e.message().c_str());
            return nullptr;
        }
    }
    return g_world.get();
}

void BM_OpenMainWindow(benchmark::State& state, db::Engine engine)
{
    if (!world(state, engine)) return;
    for (auto _ : state) {
        delete fmain;
        fmain = new Tfmain;
        fmain->trlb->topLevelItem(0)->setExpanded(true);
        benchmark::DoNotOptimize(fmain->StringGrid1->Cell(2, 1));
    }
    state.counters["orders"] = static_cast<double>(fmain->RecordCount);
}

void BM_SaveOrderOf30Lines(benchmark::State& state, db::Engine engine)
{
    if (!world(state, engine)) return;
    for (auto _ : state) {
        Fluru->PrepareNewOrder();
        Fluru->Ed_khmc->setText(QStringLiteral("客户甲"));
        TStringGrid* grid = Fluru->StringGrid1;
        grid->SetRowCount(kSavedLines + 1);
        const char* line[] = {"牛奶", "鲜奶", "250ml", "3", "2", "瓶", "6", "冷藏"};
        for (int r = 1; r <= kSavedLines; ++r)
            for (int c = 1; c <= 8; ++c) grid->SetCell(c, r, QString::fromUtf8(line[c - 1]));
        Fluru->LineCounter = kSavedLines + 1;
        const auto t0 = std::chrono::steady_clock::now();
        Fluru->Button1Click();
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
        if (Fluru->result() != QDialog::Accepted) return state.SkipWithError("the order was not saved");
    }
}

// What "打印出库单" does before the preview: the order and its lines read
// as one state, then the report prepared over them.
void BM_PrepareOrderSheetOf10000Lines(benchmark::State& state, db::Engine engine)
{
    if (!world(state, engine)) return;
    if (!fmain) fmain = new Tfmain;
    for (auto _ : state) {
        {
            db::Transaction reading(DM->Connection(), db::Transaction::Kind::Read);
            for (auto [query, sql] : {std::pair{fmain->ADOQuery1.get(), "SELECT * FROM zq_dd WHERE bh=? ORDER BY id"},
                                      {fmain->ADOQuery2.get(), "SELECT * FROM zq_ddmx WHERE bh=? ORDER BY id"}}) {
                query->close();
                query->setSql(sql, {"ZEZO-LONG"});
                query->open();
            }
            reading.commit();
        }
        if (!fmain->rpReport1->PrepareReport(true)) return state.SkipWithError("preparation failed");
    }
    state.counters["pages"] = fmain->rpReport1->PreviewPages()->GetCount();
}

}  // namespace

BENCHMARK_CAPTURE(BM_OpenMainWindow, sqlite, db::Engine::SQLite)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(BM_SaveOrderOf30Lines, sqlite, db::Engine::SQLite)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(100);
BENCHMARK_CAPTURE(BM_PrepareOrderSheetOf10000Lines, sqlite, db::Engine::SQLite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK_CAPTURE(BM_OpenMainWindow, postgresql, db::Engine::PostgreSQL)->Unit(benchmark::kMillisecond)->MinTime(2);
BENCHMARK_CAPTURE(BM_SaveOrderOf30Lines, postgresql, db::Engine::PostgreSQL)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(100);
BENCHMARK_CAPTURE(BM_PrepareOrderSheetOf10000Lines, postgresql, db::Engine::PostgreSQL)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    RatioReporter reporter;
    return RunAppBenchmarks(
        argc, argv,
        [&reporter] {
            g_world.reset();
            g_server.reset();
            std::printf("\nPostgreSQL on a local socket beside the SQLite file (target: within 2x):\n");
            for (const char* what : {"BM_OpenMainWindow", "BM_SaveOrderOf30Lines", "BM_PrepareOrderSheetOf10000Lines"}) {
                const double file = reporter.Time(std::string(what) + "/sqlite"), server = reporter.Time(std::string(what) + "/postgresql");
                if (file > 0 && server > 0)
                    std::printf("  %-34s SQLite %8.2f ms  PostgreSQL %8.2f ms  %.2fx%s\n", what + 3, file, server, server / file,
                                server / file <= 2 ? "" : "  (over 2x)");
                else
                    std::printf("  %-34s no ratio (a side did not run)\n", what + 3);
            }
        },
        &reporter);
}
