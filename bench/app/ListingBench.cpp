// Listing a page of the main window's grid over 100,000 orders and 100,000
// order lines: the count, the page's rows and filling the grid. The first
// and the last page differ in how far the database has to skip.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <chrono>

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

World& world()
{
    static World w;
    return w;
}

// The same count and page rows without the grid: the database's share.
double queryOnlySeconds(const TListing& listing, int pageNo)
{
    const auto start = std::chrono::steady_clock::now();
    DM->Read("SELECT COUNT(*) FROM (" + listing.sql + ")", listing.params);
    db::Params params = listing.params;
    params.emplace_back(static_cast<int64_t>(Tfmain::kPageSize));
    params.emplace_back(static_cast<int64_t>(pageNo - 1) * Tfmain::kPageSize);
    benchmark::DoNotOptimize(DM->Read(listing.sql + " " + listing.orderBy + " LIMIT ? OFFSET ?", std::move(params)).recordCount());
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void listPage(benchmark::State& state, const TListing& listing, bool lastPage)
{
    world();
    double total = 0, database = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        fmain->CurrentListing = listing;
        fmain->PageNo = lastPage ? 1 << 30 : 1;  // clamped to the last page
        fmain->FillOrderGrid();
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.PauseTiming();
        database += queryOnlySeconds(listing, fmain->PageNo);
        state.ResumeTiming();
    }
    state.counters["records"] = static_cast<double>(fmain->RecordCount);
    state.counters["page"] = fmain->PageNo;
    // Ratio of the database work to the whole fill (the rest is the grid).
    state.counters["db_share"] = total > 0 ? database / total : 0;
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

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
