// The same statements, written as SQLite reads them, on an SQLite file and
// on the tests' PostgreSQL server: what callers see must not differ.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <memory>

#include "ConnectionSetting.h"
#include "PgTestServer.h"
#include "Query.h"
#include "Schema.h"
#include "SqlDialect.h"

using namespace db;

namespace {

const Schema& testSchema()
{
    static const Schema schema{
        {{"item", {{"id", ColumnKind::Id}, {"name", ColumnKind::NoCaseText}, {"note", ColumnKind::Text},
                   {"state", ColumnKind::Text, std::string("未付款")}, {"added", ColumnKind::Text, std::nullopt, true}}},
         {"plain", {{"k", ColumnKind::NoCaseText}, {"v", ColumnKind::Text}}}},
        {{"item_name", "item", {"name"}, true}}};
    return schema;
}

class EngineTest : public ::testing::TestWithParam<Engine> {
protected:
    void SetUp() override
    {
        if (GetParam() == Engine::PostgreSQL) {
            server = std::make_unique<pgtest::TempDatabase>();
            if (!server->ok()) GTEST_SKIP() << "PostgreSQL: " << server->why();
            target = server->connection();
        } else {
            dir = std::filesystem::temp_directory_path() /
                  ("enginetest-" + std::to_string(getpid()) + "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
            std::filesystem::remove_all(dir);
            std::filesystem::create_directories(dir);
            target = (dir / "t.db").string();
        }
        db.open(target, Database::OpenMode::ReadWriteCreate);
        Transaction t(db);
        db.createSchema(testSchema());
        t.commit();
    }
    void TearDown() override
    {
        db.close();
        if (!dir.empty()) std::filesystem::remove_all(dir);
    }
    std::vector<std::string> column(const std::string& sql, const Params& params = {})
    {
        Query q(db);
        q.setSql(sql, params);
        q.open();
        std::vector<std::string> out;
        for (; !q.eof(); q.next()) out.push_back(q.value(0).isNull() ? "<null>" : q.value(0).asText());
        return out;
    }

    std::unique_ptr<pgtest::TempDatabase> server;
    std::filesystem::path dir;
    std::string target;
    Database db;
};

std::string engineName(const ::testing::TestParamInfo<Engine>& info) { return info.param == Engine::SQLite ? "SQLite" : "PostgreSQL"; }

}  // namespace

INSTANTIATE_TEST_SUITE_P(Both, EngineTest, ::testing::Values(Engine::SQLite, Engine::PostgreSQL), engineName);

TEST_P(EngineTest, ValuesComeBackAsTheyWereBound)
{
    EXPECT_EQ(db.engine(), GetParam());
    const std::string tricky = "O'Brien \"x\" ? $1 -- ;/* 汉字 */";
    const std::string accents = "Ünïcödé ß 😀";
    for (const Value& v : {Value(tricky), Value(accents), Value(""), Value()})
        db.execute("INSERT INTO item(name, note) VALUES(?, ?)", {Value("n" + std::to_string(db.scalar("SELECT COUNT(*) FROM item").asInt64())), v});
    EXPECT_EQ(column("SELECT note FROM item ORDER BY id"), (std::vector<std::string>{tricky, accents, "", "<null>"}));
    // A question mark inside quotes is text, not a value.
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM item WHERE note = '?' OR note = ?", {Value(tricky)}).asInt64(), 1);
    // Numbers bound to a text column are stored as their text.
    db.execute("INSERT INTO plain(k, v) VALUES(?, ?)", {Value(int64_t(42)), Value(2.5)});
    Query q(db);
    q.setSql("SELECT k, v, COUNT(*) OVER () AS n, NULL AS empty FROM plain");
    q.open();
    EXPECT_EQ(q.value("k"), Value("42"));
    EXPECT_EQ(q.value("v").asText(), "2.5");
    EXPECT_EQ(q.value("n"), Value(int64_t(1)));
    EXPECT_TRUE(q.value("empty").isNull());
    EXPECT_EQ(q.fieldByName("k").dataType(), FieldType::String);
    EXPECT_EQ(q.fieldByName("n").dataType(), FieldType::Integer);
    EXPECT_EQ(q.fieldByName("empty").dataType(), FieldType::String);
    q.setSql("SELECT * FROM item ORDER BY id");
    q.open();
    EXPECT_EQ(q.fieldByName("id").dataType(), FieldType::Integer);
    EXPECT_EQ(q.fieldByName("name").dataType(), FieldType::String);
    EXPECT_EQ(q.fieldByName("note").declaredType(), "TEXT");
    // The schema's order of columns; a server's row key of its own is not among them.
    EXPECT_EQ(q.fieldNames(), (std::vector<std::string>{"id", "name", "note", "state", "added"}));
}

TEST_P(EngineTest, DefaultsIdsAndTheLastInsert)
{
    db.execute("INSERT INTO item(name) VALUES(?)", {Value("a")});
    const int64_t first = db.lastInsertRowId();
    db.execute("INSERT INTO item(name) VALUES(?)", {Value("b")});
    EXPECT_EQ(db.lastInsertRowId(), first + 1);
    EXPECT_EQ(column("SELECT state FROM item WHERE id=?", {Value(first)}), std::vector<std::string>{"未付款"});
    const std::string added = db.scalar("SELECT added FROM item WHERE id=?", {Value(first)}).asText();
    ASSERT_EQ(added.size(), 19u) << added;
    EXPECT_EQ(added[10], ' ');
    // Rows copied in with their ids: the next id follows the largest.
    db.execute("INSERT INTO item(id, name) VALUES(?, ?)", {Value(int64_t(100)), Value("c")});
    db.resetIdSequences(testSchema());
    db.execute("INSERT INTO item(name) VALUES(?)", {Value("d")});
    EXPECT_EQ(db.lastInsertRowId(), 101);
    // A table without an id has a row number to update a row by.
    db.execute("INSERT INTO plain(k) VALUES('x')");
    const int64_t row = db.scalar("SELECT rowid FROM plain WHERE k=?", {Value("X")}).asInt64();
    EXPECT_EQ(db.execute("UPDATE plain SET v=? WHERE rowid=?", {Value("y"), Value(row)}), 1);
}

TEST_P(EngineTest, NoCaseColumnsCompareGroupAndSortAsSQLiteDoes)
{
    for (const char* n : {"beta", "Alpha", "alpha2", "BETA2", "_x", "Zed", "汉"}) db.execute("INSERT INTO plain(k) VALUES(?)", {Value(n)});
    EXPECT_EQ(column("SELECT k FROM plain WHERE k=?", {Value("ALPHA")}), std::vector<std::string>{"Alpha"});
    // By bytes with letters in lower case: "_" before every letter.
    EXPECT_EQ(column("SELECT k FROM plain ORDER BY k"), (std::vector<std::string>{"_x", "Alpha", "alpha2", "beta", "BETA2", "Zed", "汉"}));
    db.execute("INSERT INTO plain(k) VALUES('ZED')");
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM (SELECT k FROM plain GROUP BY k) AS g").asInt64(), 7);
    // Text columns without it keep their case, and sorting by bytes keeps
    // it on both.
    db.execute("INSERT INTO plain(k, v) VALUES('v', 'Up')");
    EXPECT_TRUE(column("SELECT v FROM plain WHERE v=?", {Value("up")}).empty());
    EXPECT_EQ(column("SELECT k FROM plain WHERE k IN ('Zed', 'ZED') ORDER BY k COLLATE BINARY"), (std::vector<std::string>{"ZED", "Zed"}));
    // A unique index on such a column refuses the other case.
    db.execute("INSERT INTO item(name) VALUES('Key')");
    EXPECT_THROW(db.execute("INSERT INTO item(name) VALUES('KEY')"), EUniqueViolation);
}

TEST_P(EngineTest, TransactionsStandOrFallWhole)
{
    {
        Transaction t(db);
        db.execute("INSERT INTO item(name) VALUES('a')");
        EXPECT_TRUE(db.inTransaction());
        EXPECT_THROW(db.execute("INSERT INTO no_such_table VALUES(1)"), EDatabaseError);
    }
    EXPECT_FALSE(db.inTransaction());
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM item").asInt64(), 0);
    {
        Transaction t(db);
        db.execute("INSERT INTO item(name) VALUES('a')");
        Transaction inner(db);
        inner.commit();
        t.commit();
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM item").asInt64(), 1);
    // A unique clash fails its statement; the transaction is rolled back.
    {
        Transaction t(db);
        db.execute("INSERT INTO item(name) VALUES('b')");
        EXPECT_THROW(db.execute("INSERT INTO item(name) VALUES('A')"), EUniqueViolation);
    }
    EXPECT_EQ(column("SELECT name FROM item"), std::vector<std::string>{"a"});
    EXPECT_EQ(db.userVersion(), 0);
    db.setUserVersion(3);
    EXPECT_EQ(db.userVersion(), 3);
    EXPECT_EQ(db.tableNames(), (std::vector<std::string>{"item", "plain"}));
    // SELECT ... FOR UPDATE locks on a server and means nothing to SQLite.
    Transaction t(db);
    EXPECT_EQ(column("SELECT name FROM item WHERE name=? FOR UPDATE", {Value("A")}), std::vector<std::string>{"a"});
    t.commit();
}

TEST_P(EngineTest, ReadOnlyConnectionsChangeNothing)
{
    db.execute("INSERT INTO item(name) VALUES('a')");
    Database reader(target, Database::OpenMode::ReadOnly);
    EXPECT_EQ(reader.scalar("SELECT COUNT(*) FROM item").asInt64(), 1);
    const std::string copy = (std::filesystem::temp_directory_path() / ("vacuum-" + std::to_string(getpid()) + ".db")).string();
    std::vector<std::string> writes = {"INSERT INTO item(name) VALUES('b')", "UPDATE item SET note='x'", "DELETE FROM item",
                                       "CREATE TABLE z(a TEXT)", "DROP TABLE plain"};
    if (GetParam() == Engine::SQLite) {
        writes.push_back("VACUUM INTO '" + copy + "'");
        writes.push_back("ATTACH '" + copy + "' AS other");
        writes.push_back("VACUUM");
        writes.push_back("PRAGMA user_version = 5");
        writes.push_back("PRAGMA journal_mode = WAL");
    } else {
        writes.push_back("SELECT nextval(pg_get_serial_sequence('item', 'id'))");
    }
    for (const std::string& sql : writes) {
        EXPECT_THROW(reader.execute(sql), EDatabaseError) << sql;
        EXPECT_THROW(reader.executeScript(sql), EDatabaseError) << sql;
        EXPECT_FALSE(std::filesystem::exists(copy)) << sql;
    }
    // Ending the reading transaction, or asking for writes, does not open
    // the door either.
    if (GetParam() == Engine::PostgreSQL) {
        for (const char* step : {"COMMIT", "SET default_transaction_read_only = off", "SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE"}) {
            try {
                reader.execute(step);
            } catch (const EDatabaseError&) {
            }
            EXPECT_THROW(reader.execute("INSERT INTO item(name) VALUES('c')"), EDatabaseError) << step;
        }
    }
    // Reading the make-up of a table is reading.
    EXPECT_NO_THROW(reader.scalar(GetParam() == Engine::SQLite ? "PRAGMA table_info(item)" : "SELECT 1 FROM pg_class LIMIT 1"));
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM item").asInt64(), 1);
    EXPECT_EQ(db.userVersion(), 0);
    EXPECT_EQ(db.tableNames().size(), 2u);
}

// ---- SQLite files

TEST(EngineFile, ADamagedFileIsNamedInTheError)
{
    const auto dir = std::filesystem::temp_directory_path() / ("malformed-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "dorvak.db").string();
    {
        Database db(path, Database::OpenMode::ReadWriteCreate);
        db.executeScript("CREATE TABLE a(x TEXT); CREATE TABLE b(y TEXT);");
        Transaction t(db);
        for (int i = 0; i < 2000; ++i) db.execute("INSERT INTO a VALUES(?)", {Value(std::string(100, 'a'))});
        t.commit();
    }
    {
        // Scribble over a page of the table's tree.
        std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(4096 * 3);
        const std::string junk(4096, '\x7f');
        f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
    }
    try {
        Database db(path, Database::OpenMode::ReadOnly);
        Query q(db);
        q.setSql("SELECT COUNT(*), MAX(x) FROM a");
        q.open();
        ADD_FAILURE() << "read a damaged table";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.message().find("malformed"), std::string::npos) << e.message();
        EXPECT_NE(e.message().find(path), std::string::npos) << e.message();
    }
    std::filesystem::remove_all(dir);
}

// ---- The statements as a server gets them

TEST(Dialect, ValuesAndCollationsForAServer)
{
    const std::map<std::string, std::string> coll = {{"PINYIN", "zh-x-icu"}};
    int n = 0;
    EXPECT_EQ(dialect::ToServer("SELECT a FROM t WHERE a=? AND b='?' AND \"c?\"=? -- ?\n/* ? */ LIMIT ? OFFSET ?", coll, &n),
              "SELECT a FROM t WHERE a=$1 AND b='?' AND \"c?\"=$2 -- ?\n/* ? */ LIMIT $3 OFFSET $4");
    EXPECT_EQ(n, 4);
    EXPECT_EQ(dialect::ToServer("SELECT ?2, ?1, ?", coll, &n), "SELECT $2, $1, $3");
    EXPECT_EQ(n, 3);
    EXPECT_EQ(dialect::ToServer("SELECT 'it''s ?', ?", coll, &n), "SELECT 'it''s ?', $1");
    EXPECT_EQ(dialect::ToServer("ORDER BY khmc COLLATE PINYIN, b collate nocase, c COLLATE Binary, d COLLATE other", coll),
              "ORDER BY khmc::text COLLATE \"zh-x-icu\", b collate nocase, c::text COLLATE \"C\", d COLLATE other");
    // An unclosed quote keeps what follows as it is.
    EXPECT_EQ(dialect::ToServer("SELECT '?", coll), "SELECT '?");
    EXPECT_EQ(dialect::ToSqlite("SELECT * FROM t WHERE a=? FOR UPDATE ;"), "SELECT * FROM t WHERE a=? ");
    EXPECT_EQ(dialect::ToSqlite("UPDATE t SET a=1"), "UPDATE t SET a=1");
    EXPECT_EQ(dialect::ToSqlite("SELECT 'FOR UPDATE'"), "SELECT 'FOR UPDATE'");
}

TEST(Dialect, ConnectionTextsAndFileNames)
{
    for (const char* server : {"postgresql://office/orders", "postgres://u@h:5433/d", "  host=/tmp dbname=x", "dbname=orders",
                               "service=office"})
        EXPECT_TRUE(IsServerConnection(server)) << server;
    for (const char* file : {"dorvak.db", "/srv/data/dorvak.db", "a=b.db", "", "=x", "C:\\data\\dorvak.db", "postgresql.db"})
        EXPECT_FALSE(IsServerConnection(file)) << file;
}

// ---- A server that is not there, slow or gone

namespace {

double secondsOf(const std::function<void()>& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

}  // namespace

TEST(Server, UnreachableNamesTheServerAndNeverThePassword)
{
    const auto dir = std::filesystem::temp_directory_path() / ("nosrv-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    Database db;
    try {
        db.open("host=" + dir.string() + " port=5999 dbname=orders user=clerk password=s3cret", Database::OpenMode::ReadWrite);
        ADD_FAILURE() << "connected to nothing";
    } catch (const EConnectionLost& e) {
        EXPECT_NE(e.message().find(dir.string() + ":5999"), std::string::npos) << e.message();
        EXPECT_NE(e.message().find("orders"), std::string::npos) << e.message();
        EXPECT_EQ(e.message().find("s3cret"), std::string::npos) << e.message();
    }
    EXPECT_FALSE(db.isOpen());
    std::filesystem::remove_all(dir);
}

TEST(Server, ASilentServerIsGivenUpAfterTheTimeout)
{
    // A port that takes connections but never answers them.
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(s, 8), 0);
    socklen_t len = sizeof addr;
    getsockname(s, reinterpret_cast<sockaddr*>(&addr), &len);
    const std::string conn = "host=127.0.0.1 port=" + std::to_string(ntohs(addr.sin_port)) + " dbname=x connect_timeout=2";
    Database db;
    const double took = secondsOf([&] { EXPECT_THROW(db.open(conn, Database::OpenMode::ReadWrite), EDatabaseError); });
    EXPECT_LT(took, 8.0);
    close(s);
}

TEST(Server, ALostConnectionIsSaidAndMadeAgain)
{
    PG_TEST_DATABASE(pg);
    Database db(pg.connection() + " connect_timeout=1", Database::OpenMode::ReadWrite);
    EXPECT_EQ(db.timeoutSeconds(), 1);
    db.executeScript("CREATE TABLE a(x TEXT)");
    // A statement longer than the time limit is stopped; the connection stays.
    const double took = secondsOf([&] { EXPECT_THROW(db.scalar("SELECT pg_sleep(5)"), EDatabaseError); });
    EXPECT_LT(took, 4.0);
    EXPECT_TRUE(db.isOpen());
    // As a restarted server does: the program's connections are gone.
    auto dropOthers = [&] { pgtest::DropOtherConnections(pg.adminConnection()); };
    dropOthers();
    // Nothing was sent on the closed connection yet: the statement goes
    // on a new one, as does a transaction.
    db.execute("INSERT INTO a VALUES('1')");
    dropOthers();
    {
        Transaction t(db);
        db.execute("INSERT INTO a VALUES('2')");
        t.commit();
    }
    EXPECT_TRUE(db.isOpen());
    // Lost inside a transaction: the rest of it must not run without it.
    {
        Transaction t(db);
        db.execute("INSERT INTO a VALUES('3')");
        dropOthers();
        EXPECT_THROW(db.execute("INSERT INTO a VALUES('4')"), EConnectionLost);
        EXPECT_FALSE(db.isOpen());
        EXPECT_THROW(db.reconnect(), EConnectionLost);
        EXPECT_THROW(t.commit(), EConnectionLost);
    }
    ASSERT_TRUE(db.reconnect());
    EXPECT_EQ(db.scalar("SELECT string_agg(x, ',' ORDER BY x) FROM a").asText(), "1,2");
}

// What a cluster made in the C locale gives by default: text kept as
// bytes. Refused at once, with the way out, before anything is stored.
TEST(Server, ADatabaseNotHoldingUtf8IsRefusedByName)
{
    PG_TEST_DATABASE(pg);
    const std::string name = pg.name() + "_bytes";
    Database admin(*pgtest::ServerConnection(), Database::OpenMode::ReadWrite);
    admin.executeScript("CREATE DATABASE " + name + " ENCODING 'SQL_ASCII' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0");
    const std::string conn = pg.connection().substr(0, pg.connection().find("dbname=")) + "dbname=" + name;
    for (auto mode : {Database::OpenMode::ReadWrite, Database::OpenMode::ReadOnly}) {
        Database db;
        try {
            db.open(conn, mode);
            ADD_FAILURE() << "opened a database of SQL_ASCII";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(e.message().find("database " + name), std::string::npos) << e.message();
            EXPECT_NE(e.message().find("SQL_ASCII"), std::string::npos) << e.message();
            EXPECT_NE(e.message().find("--encoding=UTF8"), std::string::npos) << e.message();
        }
        EXPECT_FALSE(db.isOpen());
    }
    admin.executeScript("DROP DATABASE " + name + " WITH (FORCE)");
}

TEST(Server, AReadTransactionSeesOneState)
{
    PG_TEST_DATABASE(pg);
    Database a(pg.connection(), Database::OpenMode::ReadWrite);
    Database b(pg.connection(), Database::OpenMode::ReadWrite);
    a.executeScript("CREATE TABLE o(x TEXT)");
    Transaction read(a, Transaction::Kind::Read);
    EXPECT_EQ(a.scalar("SELECT COUNT(*) FROM o").asInt64(), 0);
    b.execute("INSERT INTO o VALUES('new')");
    EXPECT_EQ(a.scalar("SELECT COUNT(*) FROM o").asInt64(), 0);
    read.commit();
    EXPECT_EQ(a.scalar("SELECT COUNT(*) FROM o").asInt64(), 1);
    Transaction again(a, Transaction::Kind::Read);
    EXPECT_THROW(a.execute("INSERT INTO o VALUES('x')"), EReadOnlyRefused);
}

// ---- The setting

TEST(Setting, EnvironmentThenIniThenTheFileOfTheWorkingFolder)
{
    const auto dir = std::filesystem::temp_directory_path() / ("setting-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string folder = dir.string();
    unsetenv("DORVAK_DB");
    EXPECT_EQ(DatabaseSetting(folder), folder + "/dorvak.db");
    {
        std::ofstream ini(dir / "dorvak.ini");
        ini << "; the office's server\n[Other]\nConnection=nope\n[database]\n  connection = host=db.office dbname=orders  \n";
    }
    EXPECT_EQ(DatabaseSetting(folder), "host=db.office dbname=orders");
    setenv("DORVAK_DB", "  ", 1);  // blank: as if not there
    EXPECT_EQ(DatabaseSetting(folder), "host=db.office dbname=orders");
    setenv("DORVAK_DB", "postgresql://test/x", 1);
    EXPECT_EQ(DatabaseSetting(folder), "postgresql://test/x");
    unsetenv("DORVAK_DB");
    {
        std::ofstream ini(dir / "dorvak.ini");
        ini << "[Database]\nConnection=\n";
    }
    EXPECT_EQ(DatabaseSetting(folder), folder + "/dorvak.db");
    std::filesystem::remove_all(dir);
}
