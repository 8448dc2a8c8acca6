// Several workstations on one database at once, each a process of its own
// (order_worker) saving through the order form: on the SQLite file and on
// the PostgreSQL server.
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <csignal>
#include <random>
#include <set>

#include "AppFixture.h"
#include "PgTestServer.h"

namespace {

class Workstations : public AppFixture, public ::testing::WithParamInterface<db::Engine> {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        if (GetParam() == db::Engine::PostgreSQL) {
            server = std::make_unique<pgtest::TempDatabase>();
            if (!server->ok()) GTEST_SKIP() << "PostgreSQL: " << server->why();
            setenv("DORVAK_DB", server->connection().c_str(), 1);
        }
        seed({});  // the tables, before the workstations start
    }
    void TearDown() override
    {
        for (auto& p : workers) {
            p->kill();
            p->waitForFinished(5000);
        }
        workers.clear();
        AppFixture::TearDown();
        unsetenv("DORVAK_DB");
        server.reset();
    }

    QProcess* worker(const QStringList& args)
    {
        auto p = std::make_unique<QProcess>();
        p->setWorkingDirectory(dir.path());
        p->setProcessChannelMode(QProcess::SeparateChannels);
        p->start(QStringLiteral(ORDER_WORKER), args);
        EXPECT_TRUE(p->waitForStarted(10000));
        workers.push_back(std::move(p));
        return workers.back().get();
    }

    // Reads the worker's output until a line starts with `prefix`.
    static bool waitForLine(QProcess* p, const QString& prefix, QString* seen = nullptr, int ms = 60000)
    {
        QString out;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            while (p->canReadLine()) {
                const QString line = QString::fromUtf8(p->readLine()).trimmed();
                out += line + "\n";
                if (line.startsWith(prefix)) {
                    if (seen) *seen = out;
                    return true;
                }
            }
            if (p->state() == QProcess::NotRunning) break;
            p->waitForReadyRead(100);
        }
        if (seen) *seen = out + QString::fromUtf8(p->readAllStandardError());
        return false;
    }

    // A direct connection of our own, as a look at the stored data (one
    // that may write: a save cut short leaves a journal to undo).
    int64_t count(const std::string& sql)
    {
        db::Database look(server ? server->connection() : (dir.path() + "/dorvak.db").toStdString(), db::Database::OpenMode::ReadWrite);
        return look.scalar(sql).asInt64();
    }

    // Orders whose lines are not all there: each worker's order has as many
    // lines as its total quantity says.
    int64_t halfStoredOrders()
    {
        return count("SELECT COUNT(*) FROM zq_dd d WHERE CAST(d.zsl AS INTEGER) <> (SELECT COUNT(*) FROM zq_ddmx m WHERE m.bh = d.bh)"
                     " OR EXISTS (SELECT 1 FROM zq_ddmx m WHERE m.bh = d.bh AND m.ddid <> CAST(d.id AS TEXT))");
    }

    std::unique_ptr<pgtest::TempDatabase> server;
    std::vector<std::unique_ptr<QProcess>> workers;
};

std::string engineName(const ::testing::TestParamInfo<db::Engine>& info) { return info.param == db::Engine::SQLite ? "SQLite" : "PostgreSQL"; }

}  // namespace

INSTANTIATE_TEST_SUITE_P(Both, Workstations, ::testing::Values(db::Engine::SQLite, db::Engine::PostgreSQL), engineName);

// Four clerks saving 200 orders each at once: every order stored once,
// with all its lines, under a number of its own.
TEST_P(Workstations, FourSavingAtOnceStoreEveryOrderOnce)
{
    // The file takes its writers one at a time, each commit to the disk:
    // fewer orders keep the test short there.
    const int kWorkers = 4, kOrders = GetParam() == db::Engine::PostgreSQL ? 200 : 50, kLines = 3;
    for (int w = 0; w < kWorkers; ++w)
        worker({QStringLiteral("save"), QStringLiteral("W%1").arg(w), QString::number(kOrders), QString::number(kLines)});
    std::set<QString> numbers;
    int saved = 0;
    for (auto& p : workers) {
        ASSERT_TRUE(p->waitForFinished(120000)) << "a workstation did not finish";
        EXPECT_EQ(p->exitCode(), 0) << p->readAllStandardError().toStdString();
        for (const QByteArray& line : p->readAllStandardOutput().split('\n'))
            if (line.startsWith("saved ")) {
                ++saved;
                numbers.insert(QString::fromUtf8(line.mid(6)));
            }
    }
    EXPECT_EQ(saved, kWorkers * kOrders);
    EXPECT_EQ(numbers.size(), static_cast<std::size_t>(kWorkers * kOrders));
    EXPECT_EQ(count("SELECT COUNT(*) FROM zq_dd"), kWorkers * kOrders);
    EXPECT_EQ(count("SELECT COUNT(DISTINCT bh) FROM zq_dd"), kWorkers * kOrders);
    EXPECT_EQ(count("SELECT COUNT(DISTINCT khmc) FROM zq_dd"), kWorkers * kOrders);
    EXPECT_EQ(count("SELECT COUNT(*) FROM zq_ddmx"), kWorkers * kOrders * kLines);
    EXPECT_EQ(halfStoredOrders(), 0);
}

// Two clerks with one order open: the second save is told that the order
// changed, and the first one's is what is stored.
TEST_P(Workstations, TwoEditingOneOrderOneIsRefused)
{
    {
        TDM dm;
        dm.Connect();
        dm.Write("INSERT INTO zq_dd(bh, khmc, lxdh, zsl) VALUES('B1', '甲', '000', '2')");
        dm.Write("INSERT INTO zq_ddmx(ddid, bh, cp, dj, sl) VALUES('1', 'B1', 'x', '1', '1'), ('1', 'B1', 'y', '1', '1')");
    }
    const QString gate = path("go");
    QProcess* a = worker({QStringLiteral("edit"), QStringLiteral("B1"), QStringLiteral("111"), gate});
    QProcess* b = worker({QStringLiteral("edit"), QStringLiteral("B1"), QStringLiteral("222"), gate});
    QString seen;
    ASSERT_TRUE(waitForLine(a, QStringLiteral("loaded"), &seen)) << seen.toStdString();
    ASSERT_TRUE(waitForLine(b, QStringLiteral("loaded"), &seen)) << seen.toStdString();
    QFile(gate).open(QIODevice::WriteOnly);
    ASSERT_TRUE(a->waitForFinished(60000));
    ASSERT_TRUE(b->waitForFinished(60000));
    const std::multiset<int> codes = {a->exitCode(), b->exitCode()};
    EXPECT_EQ(codes, (std::multiset<int>{0, 3})) << a->readAllStandardOutput().toStdString() << b->readAllStandardOutput().toStdString();
    const QString winner = a->exitCode() == 0 ? QStringLiteral("111") : QStringLiteral("222");
    db::Database look(server ? server->connection() : (dir.path() + "/dorvak.db").toStdString(), db::Database::OpenMode::ReadOnly);
    EXPECT_EQ(look.scalar("SELECT lxdh FROM zq_dd WHERE bh='B1'").asText(), winner.toStdString());
    EXPECT_EQ(count("SELECT COUNT(*) FROM zq_ddmx WHERE bh='B1'"), 2);
}

// A workstation killed at a random moment of its saves leaves no order
// without all of its lines.
TEST_P(Workstations, KilledWhileSavingLeavesNoHalfOrder)
{
    std::mt19937 random(std::random_device{}());
    for (int round = 0; round < 5; ++round) {
        QProcess* p = worker({QStringLiteral("save"), QStringLiteral("K%1").arg(round), QStringLiteral("0"), QStringLiteral("6")});
        QString seen;
        ASSERT_TRUE(waitForLine(p, QStringLiteral("saved"), &seen)) << seen.toStdString();
        QThread::msleep(20 + random() % 250);
        ::kill(static_cast<pid_t>(p->processId()), SIGKILL);
        ASSERT_TRUE(p->waitForFinished(10000));
    }
    // A server notices its client gone a moment later.
    for (int i = 0; i < 100 && server && count("SELECT COUNT(*) FROM pg_stat_activity WHERE datname = current_database()") > 1; ++i)
        QThread::msleep(50);
    EXPECT_GT(count("SELECT COUNT(*) FROM zq_dd"), 5);
    EXPECT_EQ(halfStoredOrders(), 0);
    // What was stored is readable and the program starts on it.
    start();
    EXPECT_TRUE(DM->Connected());
}
