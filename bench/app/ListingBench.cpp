// Listing a page of the main window's grid over 100,000 orders and 100,000
// order lines: the count, the page's rows and filling the grid. The first
// and the last page differ in how far the database has to skip. The peer,
// in the same run: a raw sqlite3_step loop over the same file running the
// same two statements with the same values and reading every column of
// every row as text; "x_raw" is the whole fill's time over it (the rest is
// our query class and the grid).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "BenchMain.h"
#include "DATAM.h"
#include "SysUtils.h"
#include "main.h"

namespace {

constexpr int kRows = 100000;

struct World {
    QTemporaryDir dir;
    QString previous = QDir::currentPath();

    World()
    {
        QDir::setCurrent(dir.path());
        DM = new TDM;
        DM->Connect();
        db::Transaction t(DM->ADOCn);
        const char* cats[] = {"牛奶", "酸奶", "面包", "果汁"};
        for (int i = 1; i <= kRows; ++i) {
            const std::string bh = "ZEZO-2026-12-06-" + IntToStr(100000 + i);
            DM->ADOCn.execute("INSERT INTO zq_dd(bh, khmc, khdz, lxdh, zsl, je, zdr, kssj) VALUES(?,?,?,?,?,?,?,?)",
                              {bh, "客户" + IntToStr(i % 977), "某市某路" + IntToStr(i % 311) + "号", "1380000" + IntToStr(i % 9999), "3",
                               "128.5", "王五", "2026-12-06"});
            DM->ADOCn.execute("INSERT INTO zq_ddmx(ddid, bh, leibie, cp, cpgg, dj, sl, dw, je, khmc) VALUES(?,?,?,?,?,?,?,?,?,?)",
                              {IntToStr(i), bh, cats[i % 4], "鲜奶", "250ml", "3", "2", "瓶", "6", "客户"});
        }
        t.commit();
        fmain = new Tfmain;
    }
    ~World()
    {
        delete fmain;
        fmain = nullptr;
        delete DM;
        DM = nullptr;
        QDir::setCurrent(previous);
    }
};

// Made on first use, gone before the application object.
std::unique_ptr<World> g_world;

World& world()
{
    if (!g_world) g_world = std::make_unique<World>();
    return *g_world;
}

// The same count and page rows straight from SQLite: prepare, bind, step,
// every column read as text, finalize.
class RawPeer {
public:
    explicit RawPeer(const std::string& file)
    {
        if (sqlite3_open_v2(file.c_str(), &db_, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "raw peer: cannot open %s\n", file.c_str());
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }
    ~RawPeer() { sqlite3_close(db_); }
    bool ok() const { return db_ != nullptr; }

    int64_t run(const std::string& sql, const db::Params& params)
    {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &stmt, nullptr) != SQLITE_OK) return -1;
        for (size_t i = 0; i < params.size(); ++i) {
            const db::Value& v = params[i];
            const int at = static_cast<int>(i) + 1;
            switch (v.kind()) {
            case db::StorageClass::Integer: sqlite3_bind_int64(stmt, at, v.integer()); break;
            case db::StorageClass::Float: sqlite3_bind_double(stmt, at, v.real()); break;
            case db::StorageClass::Null: sqlite3_bind_null(stmt, at); break;
            default:
                sqlite3_bind_text(stmt, at, v.bytes().data(), static_cast<int>(v.bytes().size()), SQLITE_STATIC);
                break;
            }
        }
        int64_t bytes = 0;
        while (sqlite3_step(stmt) == SQLITE_ROW)
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                const unsigned char* text = sqlite3_column_text(stmt, c);
                bytes += text ? sqlite3_column_bytes(stmt, c) : 0;
            }
        sqlite3_finalize(stmt);
        return bytes;
    }

private:
    sqlite3* db_ = nullptr;
};

double rawSeconds(RawPeer& raw, const TListing& listing, int pageNo)
{
    const auto start = std::chrono::steady_clock::now();
    raw.run("SELECT COUNT(*) FROM (" + listing.sql + ")", listing.params);
    db::Params params = listing.params;
    params.emplace_back(static_cast<int64_t>(Tfmain::kPageSize));
    params.emplace_back(static_cast<int64_t>(pageNo - 1) * Tfmain::kPageSize);
    benchmark::DoNotOptimize(raw.run(listing.sql + " " + listing.orderBy + " LIMIT ? OFFSET ?", params));
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void listPage(benchmark::State& state, const TListing& listing, bool lastPage)
{
    World& w = world();
    RawPeer raw(QDir(w.dir.path()).filePath(QStringLiteral("dorvak.db")).toStdString());
    if (!raw.ok()) {
        state.SkipWithError("the raw peer cannot open the database: no ratio");
        return;
    }
    double total = 0, peer = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        fmain->CurrentListing = listing;
        fmain->PageNo = lastPage ? 1 << 30 : 1;  // clamped to the last page
        fmain->FillOrderGrid();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        peer += rawSeconds(raw, listing, fmain->PageNo);
        state.ResumeTiming();
    }
    state.counters["records"] = static_cast<double>(fmain->RecordCount);
    state.counters["page"] = fmain->PageNo;
    state.counters["raw_ms"] = peer / static_cast<double>(state.iterations()) * 1e3;
    state.counters["x_raw"] = peer > 0 ? total / peer : 0;
}

void BM_OrdersFirstPage(benchmark::State& s) { listPage(s, OrdersListing(), false); }
void BM_OrdersLastPage(benchmark::State& s) { listPage(s, OrdersListing(), true); }
void BM_CategoryLinesFirstPage(benchmark::State& s) { listPage(s, LinesListing("leibie=?", {"牛奶"}), false); }
void BM_CategoryLinesLastPage(benchmark::State& s) { listPage(s, LinesListing("leibie=?", {"牛奶"}), true); }

}  // namespace

BENCHMARK(BM_OrdersFirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OrdersLastPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CategoryLinesFirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CategoryLinesLastPage)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) { return RunAppBenchmarks(argc, argv, [] { g_world.reset(); }); }
