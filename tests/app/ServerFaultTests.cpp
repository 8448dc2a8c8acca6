// A PostgreSQL server that cannot be reached, goes away in the middle of a
// save, or answers a COMMIT it carried out with a dropped connection: the
// program says so, loses nothing and stores nothing twice.
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <filesystem>
#include <thread>

#include "Clock.h"
#include "FormDriving.h"
#include "ServerFixture.h"
#include "StringGrid.h"
#include "Uluru.h"
#include "main.h"

namespace {

// Stands between the program and the server on a socket of its own. Armed,
// it passes the next COMMIT on, lets the server carry it out, and then
// drops the connection, keeping the answer from the program: the save is
// stored, and the program cannot know.
class CommitCuttingProxy {
public:
    CommitCuttingProxy(const std::string& serverSocketDir, const std::string& port)
        : target_(serverSocketDir + "/.s.PGSQL." + port)
    {
        char tmpl[] = "/tmp/pgproxy-XXXXXX";
        dir_ = mkdtemp(tmpl);
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr = address(dir_ + "/.s.PGSQL." + port);
        bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        listen(listener_, 16);
        acceptor_ = std::thread([this] { acceptLoop(); });
    }
    ~CommitCuttingProxy()
    {
        stopping_ = true;
        shutdown(listener_, SHUT_RDWR);
        close(listener_);
        acceptor_.join();
        for (auto& t : pumps_) t.join();
        std::filesystem::remove_all(dir_);
    }
    const std::string& dir() const { return dir_; }
    void armCommitCut() { armed_ = true; }
    bool cut() const { return cut_; }

private:
    static sockaddr_un address(const std::string& path)
    {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
        return a;
    }
    // A peer gone must not end the test with SIGPIPE.
    static ssize_t put(int fd, const char* p, std::size_t n) { return send(fd, p, n, MSG_NOSIGNAL); }
    static bool readAll(int fd, char* p, std::size_t n)
    {
        while (n > 0) {
            const ssize_t k = read(fd, p, n);
            if (k <= 0) return false;
            p += k;
            n -= static_cast<std::size_t>(k);
        }
        return true;
    }
    void acceptLoop()
    {
        while (!stopping_) {
            const int client = accept(listener_, nullptr, nullptr);
            if (client < 0) return;
            const int server = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr = address(target_);
            if (connect(server, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
                close(client);
                close(server);
                continue;
            }
            // Server to client as it comes; client to server message by
            // message, to see the COMMIT.
            auto dropping = std::make_shared<std::atomic<bool>>(false);
            auto answered = std::make_shared<std::atomic<bool>>(false);
            pumps_.emplace_back([client, server, dropping, answered] {
                char buf[65536];
                for (ssize_t n; (n = read(server, buf, sizeof buf)) > 0;) {
                    if (*dropping) *answered = true;
                    else if (put(client, buf, static_cast<std::size_t>(n)) != n) break;
                }
                shutdown(client, SHUT_RDWR);
            });
            pumps_.emplace_back([this, client, server, dropping, answered] {
                char head[5];
                // The start-up packet: its length, then the rest.
                if (!readAll(client, head, 4)) return finish(client, server);
                uint32_t len;
                std::memcpy(&len, head, 4);
                len = ntohl(len);
                std::string body(len - 4, '\0');
                if (!readAll(client, body.data(), body.size()) || put(server, head, 4) != 4 ||
                    put(server, body.data(), body.size()) != static_cast<ssize_t>(body.size()))
                    return finish(client, server);
                while (readAll(client, head, 5)) {
                    std::memcpy(&len, head + 1, 4);
                    len = ntohl(len);
                    body.assign(len - 4, '\0');
                    if (!readAll(client, body.data(), body.size())) break;
                    const bool commit = head[0] == 'Q' && std::strcmp(body.c_str(), "COMMIT") == 0 && armed_.exchange(false);
                    // Its answer never reaches the program.
                    if (commit) *dropping = true;
                    if (put(server, head, 5) != 5 || put(server, body.data(), body.size()) != static_cast<ssize_t>(body.size())) break;
                    if (commit) {
                        // The server answers once the COMMIT is carried
                        // out; however busy the machine, cut only then.
                        for (int waited = 0; !*answered && waited < 60000; waited += 5)
                            std::this_thread::sleep_for(std::chrono::milliseconds(5));
                        cut_ = true;
                        break;
                    }
                }
                finish(client, server);
            });
        }
    }
    static void finish(int client, int server)
    {
        shutdown(client, SHUT_RDWR);
        shutdown(server, SHUT_RDWR);
    }

    std::string target_;
    std::string dir_;
    int listener_ = -1;
    std::atomic<bool> stopping_{false}, armed_{false}, cut_{false};
    std::thread acceptor_;
    std::vector<std::thread> pumps_;
};

class ServerFaults : public ServerFixture {
protected:
    void SetUp() override
    {
        ServerFixture::SetUp();
        if (IsSkipped()) return;
        useServer();
        gui::SetFixedClock(QDateTime(QDate(2026, 12, 6), QTime(9, 30, 0)));
    }
    void TearDown() override
    {
        gui::ResetClock();
        // The program's connections first: the proxy waits for them to end.
        ServerFixture::TearDown();
        proxy.reset();
    }
    // The program's connection through a proxy that can cut it.
    void throughProxy()
    {
        const std::string& c = server->connection();
        auto value = [&](const std::string& key) {
            const auto at = c.find(key + "=") + key.size() + 1;
            return c.substr(at, c.find(' ', at) - at);
        };
        proxy = std::make_unique<CommitCuttingProxy>(value("host"), value("port"));
        std::string through = c;
        through.replace(through.find(value("host")), value("host").size(), proxy->dir());
        setenv("DORVAK_DB", through.c_str(), 1);
    }
    // Another connection of the server's superuser, to break things.
    void admin(const std::string& sql)
    {
        db::Database a(server->adminConnection(), db::Database::OpenMode::ReadWrite);
        a.executeScript(sql);
    }
    void dropProgramConnections() { pgtest::DropOtherConnections(server->adminConnection()); }
    int64_t stored(const std::string& sql)
    {
        db::Database look(server->connection(), db::Database::OpenMode::ReadOnly);
        return look.scalar(sql).asInt64();
    }
    void fillOrder(const QString& customer, int lines, const char* note = "")
    {
        Fluru->Ed_khmc->setText(customer);
        for (int j = 0; j < lines; ++j) {
            Fluru->Ed_dj->setText(QStringLiteral("2"));
            Fluru->Ed_mrsl->setText(QStringLiteral("1"));
            Fluru->Ed_bz->setText(j == lines - 1 ? QString::fromUtf8(note) : QString::number(j));
            Fluru->Button7->click();
        }
    }

    std::unique_ptr<CommitCuttingProxy> proxy;
};

}  // namespace

TEST_F(ServerFaults, UnreachableAtStartNamesTheServerAndEndsCleanly)
{
    const auto nowhere = std::filesystem::temp_directory_path() / ("nopg-" + std::to_string(getpid()));
    std::filesystem::create_directories(nowhere);
    setenv("DORVAK_DB", ("host=" + nowhere.string() + " port=5999 dbname=orders user=clerk password=hidden").c_str(), 1);
    ui.expectMessage(gui::MsgResult::Ok);
    start();
    ASSERT_EQ(ui.messages().size(), 1);
    const QString box = ui.messages()[0];
    EXPECT_TRUE(box.contains(QStringLiteral("无法连接数据库服务器"))) << box.toStdString();
    EXPECT_TRUE(box.contains(QString::fromStdString(nowhere.string() + ":5999"))) << box.toStdString();
    EXPECT_TRUE(box.contains(QStringLiteral("No such file or directory"))) << box.toStdString();
    EXPECT_FALSE(box.contains(QStringLiteral("hidden")));
    // No login is offered: the program ends.
    EXPECT_TRUE(app::Terminated());
    EXPECT_TRUE(!Fdl || !Fdl->isVisible());
    std::filesystem::remove_all(nowhere);
}

// A database whose text is not UTF-8 gets nothing of the program's: one
// box says why, and the program ends.
TEST_F(ServerFaults, ADatabaseNotHoldingUtf8EndsTheProgramWithABox)
{
    const std::string name = server->name() + "_bytes";
    db::Database admin(*pgtest::ServerConnection(), db::Database::OpenMode::ReadWrite);
    admin.executeScript("CREATE DATABASE " + name + " ENCODING 'SQL_ASCII' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0");
    const std::string conn = server->connection().substr(0, server->connection().find("dbname=")) + "dbname=" + name;
    setenv("DORVAK_DB", conn.c_str(), 1);
    ui.expectMessage(gui::MsgResult::Ok);
    start();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("无法使用数据库服务器上的数据库"))) << ui.messages()[0].toStdString();
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("SQL_ASCII"))) << ui.messages()[0].toStdString();
    EXPECT_TRUE(app::Terminated());
    admin.executeScript("DROP DATABASE " + name + " WITH (FORCE)");
}

TEST_F(ServerFaults, AnEmptyDatabaseOfAnotherProgramIsNotTaken)
{
    admin("CREATE TABLE other_program (x TEXT)");
    ui.expectMessage(gui::MsgResult::Ok);
    start();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("不是本程序的数据库"))) << ui.messages()[0].toStdString();
    EXPECT_EQ(stored("SELECT COUNT(*) FROM pg_tables WHERE tablename LIKE 'zq_%'"), 0);
}

// The server drops the program's connection while an order is saved: the
// save fails whole, the form keeps what was typed, and once the server is
// there again the same click stores the order once.
TEST_F(ServerFaults, ConnectionLostDuringASaveStoresNothingAndTheRetryStoresOnce)
{
    admin("CREATE FUNCTION cut() RETURNS trigger AS $$ BEGIN IF NEW.bz = 'CUT' THEN PERFORM pg_terminate_backend(pg_backend_pid()); END IF;"
          " RETURN NEW; END $$ LANGUAGE plpgsql;");
    start();
    admin("CREATE TRIGGER cut BEFORE INSERT ON zq_ddmx FOR EACH ROW EXECUTE FUNCTION cut();");
    Fluru->PrepareNewOrder();
    Fluru->show();
    fillOrder(QStringLiteral("断线客户"), 3, "CUT");
    ui.expectMessage(gui::MsgResult::Ok);
    Fluru->Button1->click();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("订单没有保存"))) << ui.messages()[0].toStdString();
    EXPECT_NE(Fluru->result(), QDialog::Accepted);
    EXPECT_EQ(Fluru->Ed_khmc->text(), QStringLiteral("断线客户"));
    EXPECT_EQ(Fluru->StringGrid1->Cell(8, 3), QStringLiteral("CUT"));
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_dd"), 0);
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_ddmx"), 0);

    admin("DROP TRIGGER cut ON zq_ddmx");
    Fluru->Button1->click();
    EXPECT_EQ(Fluru->result(), QDialog::Accepted);
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_dd"), 1);
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_ddmx WHERE khmc = '断线客户'"), 3);
}

// The COMMIT reached the server and was carried out, but its answer was
// lost with the connection: the next save must not store the order again.
TEST_F(ServerFaults, ASaveStoredThoughItsAnswerWasLostIsNotStoredTwice)
{
    throughProxy();
    start();
    Fluru->PrepareNewOrder();
    const QString number = Fluru->Ed_bh->text();
    fillOrder(QStringLiteral("回执丢失"), 2);
    ui.expectMessage(gui::MsgResult::Ok);
    proxy->armCommitCut();
    Fluru->Button1->click();
    ASSERT_TRUE(proxy->cut());
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_NE(Fluru->result(), QDialog::Accepted);
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_dd"), 1);  // it was stored after all

    // The clerk adds a line while wondering, and saves again.
    fillOrder(QStringLiteral("回执丢失"), 1);
    Fluru->Button1->click();
    EXPECT_EQ(Fluru->result(), QDialog::Accepted);
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_dd"), 1);
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_ddmx"), 3);
    EXPECT_EQ(Fluru->Ed_bh->text(), number);

    // The same for an edit: its own lost save is no other station's change.
    ASSERT_TRUE(Fluru->PrepareEditOrder(number));
    Fluru->Ed_lxdh->setText(QStringLiteral("123"));
    ui.expectMessage(gui::MsgResult::Ok);
    proxy->armCommitCut();
    Fluru->Button1->click();
    ASSERT_EQ(ui.messages().size(), 2);
    Fluru->Ed_lxdh->setText(QStringLiteral("456"));
    Fluru->Button1->click();
    EXPECT_EQ(Fluru->result(), QDialog::Accepted);
    db::Database look(server->connection(), db::Database::OpenMode::ReadOnly);
    EXPECT_EQ(look.scalar("SELECT lxdh FROM zq_dd").asText(), "456");
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_ddmx"), 3);
}

// The server restarts (its connections dropped) while the main window is
// open: the next click lists again, without a box.
TEST_F(ServerFaults, TreeAndGridWorkAgainOnceTheServerIsBack)
{
    start();
    DM->Write("INSERT INTO zq_leibie(leibie) VALUES('牛奶')");
    DM->Write("INSERT INTO zq_dd(bh, khmc) VALUES('B1', '甲')");
    QTreeWidgetItem* root = fmain->trlb->topLevelItem(0);
    expandAgain(root);
    EXPECT_EQ(treeCaptions(root), QStringList{"牛奶"});
    dropProgramConnections();
    DM->Write("INSERT INTO zq_dd(bh, khmc) VALUES('B2', '乙')");  // writes reconnect too
    dropProgramConnections();
    expandAgain(root);
    EXPECT_EQ(treeCaptions(root), QStringList{"牛奶"});
    EXPECT_EQ(fmain->StringGrid1->Cell(2, 1), QStringLiteral("B2"));
    dropProgramConnections();
    fmain->Button5->click();
    EXPECT_EQ(fmain->StringGrid1->Cell(2, 2), QStringLiteral("B1"));
    EXPECT_TRUE(ui.messages().isEmpty()) << ui.messages().join("\n").toStdString();
}

// Another workstation deleted the order while this one still lists it:
// editing, printing and saving say so; nothing breaks.
TEST_F(ServerFaults, ADeletedOrderIsRefusedWithABox)
{
    start();
    DM->Write("INSERT INTO zq_dd(bh, khmc, zsl) VALUES('B1', '甲', '1')");
    DM->Write("INSERT INTO zq_ddmx(ddid, bh, cp, dj, sl) VALUES('1', 'B1', 'x', '1', '1')");
    DM->Write("INSERT INTO config(khmc) VALUES('公司')");
    ASSERT_TRUE(Fluru->PrepareEditOrder(QStringLiteral("B1")));
    expandAgain(fmain->trlb->topLevelItem(0));
    fmain->StringGrid1->SetRow(1);
    admin("DELETE FROM zq_ddmx; DELETE FROM zq_dd;");

    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("订单“B1”已不存在（可能已被删除），没有保存。"));
    Fluru->Button1->click();
    EXPECT_NE(Fluru->result(), QDialog::Accepted);
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("订单“B1”已不存在（可能已被其他工作站删除），不能打印。"));
    fmain->N25->trigger();
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("订单“B1”已不存在（可能已被其他工作站删除），不能打印。"));
    fmain->N10->trigger();
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("订单“B1”已不存在（可能已被其他工作站删除）。"));
    fmain->N22->trigger();
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_dd"), 0);
}

// A line deleted by another workstation while this one edits the order is
// a change of the order like any other: refused, and the order can be
// read again.
TEST_F(ServerFaults, ALineDeletedElsewhereRefusesTheSaveAndOffersToReload)
{
    start();
    DM->Write("INSERT INTO zq_dd(bh, khmc, zsl) VALUES('B1', '甲', '2')");
    DM->Write("INSERT INTO zq_ddmx(ddid, bh, cp, dj, sl) VALUES('1', 'B1', 'x', '1', '1'), ('1', 'B1', 'y', '1', '1')");
    ASSERT_TRUE(Fluru->PrepareEditOrder(QStringLiteral("B1")));
    Fluru->show();
    admin("DELETE FROM zq_ddmx WHERE cp = 'y'");
    Fluru->Ed_lxdh->setText(QStringLiteral("999"));
    ui.expectMessage(gui::MsgResult::Yes);
    Fluru->Button1->click();
    ASSERT_EQ(ui.messages().size(), 1);
    EXPECT_TRUE(ui.messages()[0].contains(QStringLiteral("已被其他工作站修改"))) << ui.messages()[0].toStdString();
    // Reloaded: one line, and the typed telephone is gone with the rest.
    EXPECT_EQ(Fluru->StringGrid1->Cell(2, 1), QStringLiteral("x"));
    EXPECT_TRUE(Fluru->StringGrid1->Cell(2, 2).isEmpty());
    EXPECT_TRUE(Fluru->Ed_lxdh->text().isEmpty());
    Fluru->Ed_lxdh->setText(QStringLiteral("999"));
    Fluru->Button1->click();
    EXPECT_EQ(Fluru->result(), QDialog::Accepted);
    EXPECT_EQ(stored("SELECT COUNT(*) FROM zq_ddmx"), 1);
}
