// Saving a new order with 1, 20 and 200 lines through the order form on a
// file database, beside the sqlite3 command-line tool inserting the same
// rows in one transaction per order. Both pay the same journal and sync
// costs; the ratio shows what the form adds (reading the grid, checking
// the number, binding values).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <memory>

#include "AppCommon.h"
#include "BenchMain.h"
#include "DATAM.h"
#include "StringGrid.h"
#include "SysUtils.h"
#include "Uluru.h"

namespace {

const char* const kLine[] = {"牛奶", "鲜奶", "250ml", "3", "2", "瓶", "6", "冷藏"};

struct World {
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    TDateTime start = EncodeDate(2026, 12, 6) + EncodeTime(9, 0, 0, 0);
    int tick = 0;

    World()
    {
        QDir::setCurrent(dir.path());
        DM = new TDM;
        DM->Connect();
        // Each new order is begun one second after the one before.
        SetClock([this] { return start + static_cast<TDateTime>(++tick) / 86400.0; });
        Fluru = new TFluru;
    }
    ~World()
    {
        delete Fluru;
        Fluru = nullptr;
        delete DM;
        DM = nullptr;
        SetClock({});
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

void prepareOrder(int lines)
{
    Fluru->PrepareNewOrder();
    Fluru->Ed_khmc->setText(QStringLiteral("客户甲"));
    Fluru->Ed_khdz->setText(QStringLiteral("某市某路1号"));
    TStringGrid* grid = Fluru->StringGrid1;
    grid->SetRowCount(lines + 1);
    for (int r = 1; r <= lines; ++r) {
        grid->SetCell(0, r, QString::fromStdString(IntToStr(r)));
        for (int c = 1; c <= 8; ++c) grid->SetCell(c, r, QString::fromUtf8(kLine[c - 1]));
    }
    Fluru->LineCounter = lines + 1;
}

// ---- The peer: sqlite3 reading a script of `orders` transactions.

QString sqliteTool() { return QStandardPaths::findExecutable(QStringLiteral("sqlite3")); }

QByteArray peerScript(int orders, int lines, int firstId)
{
    QByteArray sql;
    for (int k = 0; k < orders; ++k) {
        const std::string id = IntToStr(firstId + k);
        const std::string bh = "'ZEZO-PEER-" + id + "'";
        std::string text = "BEGIN;\nINSERT INTO zq_dd(bh,khmc,khdz,lxdh,lxr,zdr,kssj,zk,zsl,je,je2,bz,fjmc,fjje,xsd) VALUES(" + bh +
                           ",'客户甲','某市某路1号','','','','2026-12-06','不打折','" + IntToStr(2 * lines) + "','" + IntToStr(6 * lines) +
                           "','" + IntToStr(6 * lines) + "','','','','');\n";
        for (int r = 0; r < lines; ++r) {
            text += "INSERT INTO zq_ddmx(ddid,bh,leibie,cp,cpgg,dj,sl,dw,je,bz,khmc) VALUES('" + id + "'," + bh;
            for (const char* v : kLine) text += std::string(",'") + v + "'";
            text += ",'客户甲');\n";
        }
        text += "COMMIT;\n";
        sql += QByteArray::fromStdString(text);
    }
    return sql;
}

// Seconds the tool takes for the script, process start included.
double runTool(const QString& database, const QByteArray& script)
{
    QProcess tool;
    QElapsedTimer timer;
    timer.start();
    tool.start(sqliteTool(), {database});
    tool.waitForStarted();
    tool.write(script);
    tool.closeWriteChannel();
    tool.waitForFinished(-1);
    return static_cast<double>(timer.nsecsElapsed()) * 1e-9;
}

// Rounds of the tool's orders and the form's orders taken in turn, so
// that both see the same state of a shared disk; the figures are means per
// order, the tool's start-up taken out.
void BM_SaveOrder(benchmark::State& state)
{
    World& w = world();
    const int lines = static_cast<int>(state.range(0));
    const int orders = std::max(10, 400 / lines);
    constexpr int kRounds = 3;
    const bool peer = !sqliteTool().isEmpty();
    const QString copy = w.dir.filePath(QStringLiteral("peer-") + QString::fromStdString(IntToStr(lines)) + QStringLiteral(".db"));
    if (peer) {
        QFile::remove(copy);
        QFile::copy(w.dir.filePath(QString::fromLatin1(app::kDatabaseFile)), copy);
    }
    for (auto _ : state) {
        double form = 0, tool = 0;
        for (int round = 0; round < kRounds; ++round) {
            if (peer) {
                const double empty = runTool(copy, QByteArray("SELECT 1;\n"));
                tool += runTool(copy, peerScript(orders, lines, 1 + round * orders)) - empty;
            }
            for (int k = 0; k < orders; ++k) {
                prepareOrder(lines);
                const auto t0 = std::chrono::steady_clock::now();
                Fluru->Button1Click();
                form += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
                if (Fluru->result() != QDialog::Accepted) state.SkipWithError("the order was not saved");
            }
        }
        const double n = kRounds * orders;
        state.SetIterationTime(form / n);
        state.counters["lines"] = lines;
        if (peer) {
            state.counters["sqlite3_ms"] = tool / n * 1e3;
            state.counters["ratio_vs_sqlite3"] = form / tool;
        }
    }
}

}  // namespace

BENCHMARK(BM_SaveOrder)->Arg(1)->Arg(20)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(1)->UseManualTime();

int main(int argc, char** argv) { return RunAppBenchmarks(argc, argv, [] { g_world.reset(); }); }
