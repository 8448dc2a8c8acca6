// The query class as the application and the report datasets use it.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Query.h"
#include "VariantValue.h"

using namespace db;

namespace {

class QueryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        db.open(":memory:", Database::OpenMode::ReadWriteCreate);
        db.executeScript(
            "CREATE TABLE t (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT COLLATE NOCASE, price REAL, flag BOOLEAN, "
            "born DATETIME, code VARCHAR(12), pic BLOB);"
            "INSERT INTO t(name, price) VALUES ('one', 1.5), ('two', NULL), ('', 3), (NULL, 4);");
    }
    Query& open(const std::string& sql, const Params& params = {})
    {
        q.setSql(sql, params);
        q.open();
        return q;
    }
    int64_t rows() { return db.scalar("SELECT COUNT(*) FROM t").asInt64(); }

    Database db;
    Query q{db};
};

std::vector<std::string> names(Query& q)
{
    std::vector<std::string> out;
    for (q.first(); !q.eof(); q.next()) out.push_back(q.fieldByName("name").isNull() ? "<null>" : q.fieldByName("name").asString());
    return out;
}

}  // namespace

TEST_F(QueryTest, CursorStandsOnTheFirstRowAndStopsAtBothEnds)
{
    open("SELECT * FROM t ORDER BY id");
    EXPECT_TRUE(q.active());
    EXPECT_EQ(q.recordCount(), 4);
    EXPECT_EQ(q.recNo(), 1);
    EXPECT_FALSE(q.eof());
    EXPECT_TRUE(q.bof());
    EXPECT_EQ(q.fieldByName("name").asString(), "one");

    q.last();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recNo(), 4);
    q.first();
    for (int i = 0; i < 3; ++i) q.next();
    EXPECT_FALSE(q.eof());
    q.next();  // past the last row: eof, and the cursor stays there
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recNo(), 4);
    q.prior();
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(q.recNo(), 3);

    q.first();
    q.next();
    EXPECT_FALSE(q.bof());
    q.prior();
    q.prior();
    EXPECT_TRUE(q.bof());
    EXPECT_EQ(q.recNo(), 1);
}

TEST_F(QueryTest, BookmarksReturnToTheirRow)
{
    open("SELECT * FROM t ORDER BY id");
    q.next();
    q.next();
    const Query::Bookmark b = q.getBookmark();
    q.first();
    q.gotoBookmark(b);
    EXPECT_EQ(q.recNo(), 3);
    EXPECT_FALSE(q.eof());
    EXPECT_THROW(q.gotoBookmark(99), EDatabaseError);
    q.close();
    EXPECT_FALSE(q.bookmarkValid(b));
}

TEST_F(QueryTest, EmptyResultsAreEofWithTheirFieldsButNoRows)
{
    for (const auto& [sql, fields] : {std::pair{"SELECT * FROM t WHERE id > 100", 7}, {"", 0}, {"   ", 0}, {"-- nothing", 0}}) {
        Query empty(db);
        empty.setSql(sql);
        empty.open();
        EXPECT_TRUE(empty.active()) << sql;
        EXPECT_TRUE(empty.eof()) << sql;
        EXPECT_EQ(empty.recordCount(), 0) << sql;
        EXPECT_EQ(empty.fieldCount(), fields) << sql;
    }
    open("SELECT * FROM t WHERE id > 100");
    EXPECT_TRUE(q.bof());
    EXPECT_EQ(q.recNo(), 0);
    EXPECT_TRUE(q.fieldByName("name").isNull());
}

// ---- Fields and values

TEST_F(QueryTest, NullIsDistinctFromEmptyTextAndValuesBecomeVariants)
{
    open("SELECT id, name, price FROM t ORDER BY id");
    EXPECT_EQ(names(q), (std::vector<std::string>{"one", "two", "", "<null>"}));
    q.setRecNo(1);
    EXPECT_EQ(ToVariant(q.value("id")).type(), varInt64);
    EXPECT_EQ(ToVariant(q.value("name")).type(), varString);
    EXPECT_EQ(ToVariant(q.value("price")).type(), varDouble);
    q.setRecNo(2);
    EXPECT_TRUE(ToVariant(q.value("price")).isNull());
    q.setRecNo(3);
    EXPECT_FALSE(q.fieldByName("name").isNull());
    q.setRecNo(4);
    EXPECT_TRUE(q.fieldByName("name").isNull());
    EXPECT_EQ(q.fieldByName("name").asString(), "");
}

TEST_F(QueryTest, FieldsByNameIgnoreCase)
{
    open("SELECT Name, price AS Preis FROM t ORDER BY id");
    EXPECT_EQ(q.fieldByName("NAME").asString(), "one");
    EXPECT_EQ(q.fieldByName("preis").asFloat(), 1.5);
    EXPECT_EQ(q.findField("nope"), -1);
    EXPECT_THROW(q.fieldByName("nope"), EDatabaseError);
}

TEST_F(QueryTest, DeclaredTypesAreReported)
{
    open("SELECT id, name, price, flag, born, code, pic, COUNT(*) OVER () AS n, NULL AS blank FROM t");
    // The last two are expressions without a declaration: their values tell.
    const std::pair<const char*, FieldType> types[] = {
        {"id", FieldType::Integer},     {"name", FieldType::String}, {"price", FieldType::Float},
        {"flag", FieldType::Boolean},   {"born", FieldType::DateTime}, {"code", FieldType::String},
        {"pic", FieldType::Blob},       {"n", FieldType::Integer},   {"blank", FieldType::String}};
    for (const auto& [name, type] : types) EXPECT_EQ(q.fieldByName(name).dataType(), type) << name;
    EXPECT_EQ(q.fieldByName("name").declaredType(), "TEXT");
    EXPECT_EQ(q.fieldByName("code").size(), 12);
}

// ---- Statements and bound values

TEST_F(QueryTest, BoundTextIsDataAndComparesAsItsColumnDoes)
{
    const std::string name = "O'Brien \"x\"; DROP TABLE t; --";
    db.execute("INSERT INTO t(name) VALUES(?)", {Value(name)});
    open("SELECT * FROM t WHERE name=?", {Value(name)});
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName("name").asString(), name);
    EXPECT_TRUE(db.tableExists("t"));
    open("SELECT * FROM t WHERE name=?", {Value("ONE")});  // a NOCASE column
    EXPECT_EQ(q.recordCount(), 1);
}

TEST_F(QueryTest, WrongValueCountOrASecondStatementIsRefused)
{
    q.setSql("SELECT * FROM t WHERE id=? AND name=?", {Value(1)});
    EXPECT_THROW(q.open(), EDatabaseError);
    EXPECT_FALSE(q.active());
    q.setSql("SELECT 1; DELETE FROM t");
    EXPECT_THROW(q.open(), EDatabaseError);
    EXPECT_EQ(rows(), 4);
}

TEST_F(QueryTest, ClosingAndReopening)
{
    int closes = 0;
    q.setBeforeClose([&](Query&) { ++closes; });
    open("SELECT name FROM t WHERE price > ? ORDER BY id", {Value(2)});
    const auto first = names(q);
    q.close();
    EXPECT_FALSE(q.active());
    EXPECT_THROW(q.fieldByName("name"), EDatabaseError);
    q.open();  // the same values give the same rows
    EXPECT_EQ(names(q), first);
    q.setSql("SELECT * FROM t WHERE id=1");  // a new statement closes the query
    EXPECT_FALSE(q.active());
    EXPECT_EQ(closes, 2);
}

TEST_F(QueryTest, AfterOpenAndBeforeCloseHandlersChain)
{
    std::vector<std::string> calls;
    q.setAfterOpen([&](Query& x) { calls.push_back("open " + std::to_string(x.recordCount())); });
    q.setBeforeClose([&](Query& x) { calls.push_back(std::string("close ") + (x.active() ? "active" : "closed")); });
    // A second user keeps the first handler and calls it, then puts it back.
    const Query::Handler saved = q.afterOpen();
    q.setAfterOpen([&, saved](Query& x) {
        if (saved) saved(x);
        calls.push_back("report");
    });
    open("SELECT * FROM t");
    q.close();
    q.setAfterOpen(saved);
    q.open();
    EXPECT_EQ(calls, (std::vector<std::string>{"open 4", "report", "close active", "open 4"}));
}

// ---- Connection

TEST_F(QueryTest, WritesBindEveryValueAndCountChangedRows)
{
    q.setSql("UPDATE t SET price=? WHERE price IS NULL", {Value(9.25)});
    EXPECT_EQ(q.execSql(), 1);
    EXPECT_EQ(db.scalar("SELECT price FROM t WHERE name='two'").asDouble(), 9.25);
    const int64_t id = db.insertRow("t", {{"name", Value("a'b")}, {"price", Value(2.5)}});
    EXPECT_EQ(db.updateRow("t", id, {{"name", Value("c'd")}}), 1);
    EXPECT_EQ(db.scalar("SELECT name FROM t WHERE id=?", {Value(id)}).asText(), "c'd");
    EXPECT_EQ(db.userVersion(), 0);
    db.setUserVersion(7);
    EXPECT_EQ(db.userVersion(), 7);
}

TEST_F(QueryTest, TransactionRollsBackUnlessCommitted)
{
    {
        Transaction t(db);
        db.execute("DELETE FROM t");
        Transaction inner(db);  // joins the outer one
        inner.commit();
    }
    EXPECT_EQ(rows(), 4);
    {
        Transaction t(db);
        db.execute("DELETE FROM t WHERE id=1");
        t.commit();
    }
    EXPECT_EQ(rows(), 3);
}

class DatabaseFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = std::filesystem::temp_directory_path() / ("dbtest-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    std::string file(const char* name) { return (dir / name).string(); }
    void write(const std::string& path, const std::string& bytes)
    {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
    }
    std::filesystem::path dir;
};

TEST_F(DatabaseFileTest, MissingFileIsNotCreatedWithoutCreateMode)
{
    Database db;
    EXPECT_THROW(db.open(file("none.db"), Database::OpenMode::ReadWrite), EDatabaseError);
    EXPECT_FALSE(std::filesystem::exists(file("none.db")));
    EXPECT_EQ(SniffFile(file("none.db")), FileKind::Missing);
}

TEST_F(DatabaseFileTest, TextAndAccessFilesAreNotDatabases)
{
    write(file("x.db"), std::string(2048, 'x'));
    Database db;
    EXPECT_THROW(db.open(file("x.db"), Database::OpenMode::ReadWrite), ENotADatabase);
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(SniffFile(file("x.db")), FileKind::Other);

    std::string jet(4096, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    write(file("old.db"), jet);
    EXPECT_EQ(SniffFile(file("old.db")), FileKind::Access);
    try {
        db.open(file("old.db"), Database::OpenMode::ReadWrite);
        FAIL() << "opened an Access file";
    } catch (const ENotADatabase& e) {
        EXPECT_NE(std::string(e.what()).find("Access"), std::string::npos);
    }
}

TEST_F(DatabaseFileTest, CreatedFileIsSQLite)
{
    {
        Database db(file("new.db"), Database::OpenMode::ReadWriteCreate);
        db.executeScript("CREATE TABLE a(x)");
    }
    EXPECT_EQ(SniffFile(file("new.db")), FileKind::SQLite);
    Database again(file("new.db"), Database::OpenMode::ReadWrite);
    EXPECT_TRUE(again.tableExists("A"));
}

TEST_F(DatabaseFileTest, CommitBlockedByAReaderRollsBackAndTheRetryIsStoredOnce)
{
    Database writer(file("w.db"), Database::OpenMode::ReadWriteCreate);
    writer.executeScript("CREATE TABLE a(x)");
    writer.setBusyTimeout(20);
    Database reader(file("w.db"), Database::OpenMode::ReadOnly);
    reader.executeScript("BEGIN; SELECT COUNT(*) FROM a;");  // keeps its shared lock
    auto storedRows = [&] { return reader.scalar("SELECT COUNT(*) FROM a").asInt64(); };

    {
        Transaction t(writer);
        writer.execute("INSERT INTO a VALUES(1)");
        EXPECT_THROW(t.commit(), EDatabaseError);
        EXPECT_FALSE(writer.inTransaction());
    }
    // Not swallowed by a transaction left open: a plain write fails too.
    EXPECT_THROW(writer.execute("INSERT INTO a VALUES(2)"), EDatabaseError);
    EXPECT_FALSE(writer.inTransaction());
    reader.executeScript("COMMIT");
    EXPECT_EQ(storedRows(), 0);

    Transaction retry(writer);
    writer.execute("INSERT INTO a VALUES(1)");
    retry.commit();
    EXPECT_EQ(storedRows(), 1);
}

TEST_F(QueryTest, ObserversComeAndGoOnTheirOwn)
{
    // Two users of one query, as two report datasets sharing it.
    struct Log : QueryObserver {
        std::string name;
        std::vector<std::string>* calls;
        Query* unsubscribeOnOpen = nullptr;
        void queryOpened(Query& q) override
        {
            calls->push_back(name + " opened");
            if (unsubscribeOnOpen) q.unsubscribe(this);
        }
        void queryClosing(Query& q) override { calls->push_back(name + (q.active() ? " closing" : " closed?")); }
        void queryDestroyed(Query&) override { calls->push_back(name + " gone"); }
    };
    std::vector<std::string> calls;
    Log a, b;
    a.name = "a", b.name = "b";
    a.calls = b.calls = &calls;
    {
        Query shared(db);
        shared.setSql("SELECT * FROM t");
        shared.setAfterOpen([&](Query&) { calls.push_back("handler"); });
        shared.subscribe(&a);
        shared.subscribe(&b);
        shared.subscribe(&a);  // once only
        a.unsubscribeOnOpen = &shared;
        shared.open();
        shared.close();
        shared.open();
        // b goes first although it came second: a's subscription is long gone.
        shared.unsubscribe(&b);
        shared.subscribe(&b);
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"handler", "a opened", "b opened", "b closing", "handler", "b opened",
                                               "b gone"}));
}

TEST_F(QueryTest, DeclaredTypesOfMemoDecimalAndBit)
{
    db.executeScript("CREATE TABLE k (m MEMO, l LONGTEXT, c CLOB, d DECIMAL(10,2), n NUMERIC, y CURRENCY, x BIT);");
    open("SELECT * FROM k");
    for (const char* memo : {"m", "l", "c"}) EXPECT_EQ(q.fieldDef(q.findField(memo)).type, FieldType::Memo) << memo;
    for (const char* bcd : {"d", "n", "y"}) EXPECT_EQ(q.fieldDef(q.findField(bcd)).type, FieldType::Bcd) << bcd;
    EXPECT_EQ(q.fieldDef(q.findField("x")).type, FieldType::Boolean);
}
