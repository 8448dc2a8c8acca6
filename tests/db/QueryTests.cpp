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
    Database db;
};

std::vector<std::string> names(Query& q)
{
    std::vector<std::string> out;
    for (q.first(); !q.eof(); q.next()) out.push_back(q.fieldByName("name").isNull() ? "<null>" : q.fieldByName("name").asString());
    return out;
}

}  // namespace

TEST_F(QueryTest, OpenFetchesEveryRowAndStandsOnTheFirst)
{
    Query q(db);
    q.setSql("SELECT * FROM t ORDER BY id");
    q.open();
    EXPECT_TRUE(q.active());
    EXPECT_EQ(q.recordCount(), 4);
    EXPECT_EQ(q.recNo(), 1);
    EXPECT_FALSE(q.eof());
    EXPECT_TRUE(q.bof());
    EXPECT_EQ(q.fieldByName("name").asString(), "one");
}

TEST_F(QueryTest, NextSetsEofOnTheLastRowAndStaysThere)
{
    Query q(db);
    q.setSql("SELECT * FROM t ORDER BY id");
    q.open();
    q.last();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recNo(), 4);
    q.first();
    for (int i = 0; i < 3; ++i) q.next();
    EXPECT_FALSE(q.eof());
    q.next();
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.recNo(), 4);
    q.prior();
    EXPECT_FALSE(q.eof());
    EXPECT_EQ(q.recNo(), 3);
}

TEST_F(QueryTest, PriorOnTheFirstRowSetsBof)
{
    Query q(db);
    q.setSql("SELECT * FROM t ORDER BY id");
    q.open();
    q.next();
    EXPECT_FALSE(q.bof());
    q.prior();
    q.prior();
    EXPECT_TRUE(q.bof());
    EXPECT_EQ(q.recNo(), 1);
}

TEST_F(QueryTest, EmptyResultIsEofAndBofWithFieldsButNoRows)
{
    Query q(db);
    q.setSql("SELECT * FROM t WHERE id > 100");
    q.open();
    EXPECT_TRUE(q.eof());
    EXPECT_TRUE(q.bof());
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_EQ(q.recNo(), 0);
    EXPECT_EQ(q.fieldCount(), 7);
    EXPECT_TRUE(q.fieldByName("name").isNull());
}

TEST_F(QueryTest, EmptyStatementYieldsNoRows)
{
    for (const char* sql : {"", "   ", "-- nothing"}) {
        Query q(db);
        q.setSql(sql);
        q.open();
        EXPECT_TRUE(q.active()) << sql;
        EXPECT_TRUE(q.eof()) << sql;
        EXPECT_EQ(q.recordCount(), 0) << sql;
        EXPECT_EQ(q.fieldCount(), 0) << sql;
    }
}

TEST_F(QueryTest, NullIsDistinctFromEmptyText)
{
    Query q(db);
    q.setSql("SELECT name FROM t ORDER BY id");
    q.open();
    EXPECT_EQ(names(q), (std::vector<std::string>{"one", "two", "", "<null>"}));
    q.setRecNo(3);
    EXPECT_FALSE(q.fieldByName("name").isNull());
    q.setRecNo(4);
    EXPECT_TRUE(q.fieldByName("name").isNull());
    EXPECT_EQ(q.fieldByName("name").asString(), "");
}

TEST_F(QueryTest, FieldsByNameIgnoreCase)
{
    Query q(db);
    q.setSql("SELECT Name, price AS Preis FROM t ORDER BY id");
    q.open();
    EXPECT_EQ(q.fieldByName("NAME").asString(), "one");
    EXPECT_EQ(q.fieldByName("preis").asFloat(), 1.5);
    EXPECT_EQ(q.findField("nope"), -1);
    EXPECT_THROW(q.fieldByName("nope"), EDatabaseError);
}

TEST_F(QueryTest, DeclaredTypesAreReported)
{
    Query q(db);
    q.setSql("SELECT id, name, price, flag, born, code, pic, COUNT(*) OVER () AS n, NULL AS blank FROM t");
    q.open();
    EXPECT_EQ(q.fieldByName("id").dataType(), FieldType::Integer);
    EXPECT_EQ(q.fieldByName("name").dataType(), FieldType::String);
    EXPECT_EQ(q.fieldByName("name").declaredType(), "TEXT");
    EXPECT_EQ(q.fieldByName("price").dataType(), FieldType::Float);
    EXPECT_EQ(q.fieldByName("flag").dataType(), FieldType::Boolean);
    EXPECT_EQ(q.fieldByName("born").dataType(), FieldType::DateTime);
    EXPECT_EQ(q.fieldByName("code").dataType(), FieldType::String);
    EXPECT_EQ(q.fieldByName("code").size(), 12);
    EXPECT_EQ(q.fieldByName("pic").dataType(), FieldType::Blob);
    // Expressions have no declaration: their values tell.
    EXPECT_EQ(q.fieldByName("n").dataType(), FieldType::Integer);
    EXPECT_EQ(q.fieldByName("blank").dataType(), FieldType::String);
}

TEST_F(QueryTest, BoundValuesKeepQuotesAndFindThemAgain)
{
    const std::string name = "O'Brien \"x\"; DROP TABLE t; --";
    db.execute("INSERT INTO t(name) VALUES(?)", {Value(name)});
    Query q(db);
    q.setSql("SELECT * FROM t WHERE name=?", {Value(name)});
    q.open();
    ASSERT_EQ(q.recordCount(), 1);
    EXPECT_EQ(q.fieldByName("name").asString(), name);
    EXPECT_TRUE(db.tableExists("t"));
}

TEST_F(QueryTest, TextComparesWithoutCaseOnNocaseColumns)
{
    Query q(db);
    q.setSql("SELECT * FROM t WHERE name=?", {Value("ONE")});
    q.open();
    EXPECT_EQ(q.recordCount(), 1);
}

TEST_F(QueryTest, WrongNumberOfValuesIsRefused)
{
    Query q(db);
    q.setSql("SELECT * FROM t WHERE id=? AND name=?", {Value(1)});
    EXPECT_THROW(q.open(), EDatabaseError);
    EXPECT_FALSE(q.active());
}

TEST_F(QueryTest, SecondStatementInOneTextIsRefused)
{
    Query q(db);
    q.setSql("SELECT 1; DELETE FROM t");
    EXPECT_THROW(q.open(), EDatabaseError);
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM t").asInt64(), 4);
}

TEST_F(QueryTest, ReopenWithSameValuesGivesSameRows)
{
    Query q(db);
    q.setSql("SELECT name FROM t WHERE price > ? ORDER BY id", {Value(2)});
    q.open();
    const auto first = names(q);
    q.close();
    EXPECT_FALSE(q.active());
    EXPECT_THROW(q.fieldByName("name"), EDatabaseError);
    q.open();
    EXPECT_EQ(names(q), first);
}

TEST_F(QueryTest, BookmarksReturnToTheirRow)
{
    Query q(db);
    q.setSql("SELECT * FROM t ORDER BY id");
    q.open();
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

TEST_F(QueryTest, AfterOpenAndBeforeCloseHandlersChain)
{
    Query q(db);
    std::vector<std::string> calls;
    q.setAfterOpen([&](Query& x) { calls.push_back("open " + std::to_string(x.recordCount())); });
    q.setBeforeClose([&](Query& x) { calls.push_back(std::string("close ") + (x.active() ? "active" : "closed")); });
    // A second user keeps the first handler and calls it, then puts it back.
    const Query::Handler saved = q.afterOpen();
    q.setAfterOpen([&, saved](Query& x) {
        if (saved) saved(x);
        calls.push_back("report");
    });
    q.setSql("SELECT * FROM t");
    q.open();
    q.close();
    q.setAfterOpen(saved);
    q.open();
    EXPECT_EQ(calls, (std::vector<std::string>{"open 4", "report", "close active", "open 4"}));
}

TEST_F(QueryTest, ChangingTheStatementClosesTheQuery)
{
    Query q(db);
    int closes = 0;
    q.setBeforeClose([&](Query&) { ++closes; });
    q.setSql("SELECT * FROM t");
    q.open();
    q.setSql("SELECT * FROM t WHERE id=1");
    EXPECT_FALSE(q.active());
    EXPECT_EQ(closes, 1);
}

TEST_F(QueryTest, ExecSqlReportsChangedRows)
{
    Query q(db);
    q.setSql("UPDATE t SET price=? WHERE price IS NULL", {Value(9.25)});
    EXPECT_EQ(q.execSql(), 1);
    EXPECT_EQ(db.scalar("SELECT price FROM t WHERE name='two'").asDouble(), 9.25);
}

TEST_F(QueryTest, ValuesBecomeVariants)
{
    Query q(db);
    q.setSql("SELECT id, name, price FROM t ORDER BY id");
    q.open();
    EXPECT_EQ(ToVariant(q.value("id")).type(), varInt64);
    EXPECT_EQ(ToVariant(q.value("name")).type(), varString);
    EXPECT_EQ(ToVariant(q.value("price")).type(), varDouble);
    q.setRecNo(2);
    EXPECT_TRUE(ToVariant(q.value("price")).isNull());
}

// ---- Connection

TEST_F(QueryTest, TransactionRollsBackUnlessCommitted)
{
    {
        Transaction t(db);
        db.execute("DELETE FROM t");
        Transaction inner(db);  // joins the outer one
        inner.commit();
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM t").asInt64(), 4);
    {
        Transaction t(db);
        db.execute("DELETE FROM t WHERE id=1");
        t.commit();
    }
    EXPECT_EQ(db.scalar("SELECT COUNT(*) FROM t").asInt64(), 3);
}

TEST_F(QueryTest, InsertAndUpdateHelpersBindEveryValue)
{
    const int64_t id = db.insertRow("t", {{"name", Value("a'b")}, {"price", Value(2.5)}});
    EXPECT_EQ(db.updateRow("t", id, {{"name", Value("c'd")}}), 1);
    EXPECT_EQ(db.scalar("SELECT name FROM t WHERE id=?", {Value(id)}).asText(), "c'd");
}

TEST_F(QueryTest, UserVersionIsKept)
{
    EXPECT_EQ(db.userVersion(), 0);
    db.setUserVersion(7);
    EXPECT_EQ(db.userVersion(), 7);
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

TEST_F(DatabaseFileTest, TextFileIsNotADatabase)
{
    write(file("x.db"), std::string(2048, 'x'));
    Database db;
    EXPECT_THROW(db.open(file("x.db"), Database::OpenMode::ReadWrite), ENotADatabase);
    EXPECT_FALSE(db.isOpen());
    EXPECT_EQ(SniffFile(file("x.db")), FileKind::Other);
}

TEST_F(DatabaseFileTest, AccessFileIsRecognised)
{
    std::string jet(4096, '\0');
    jet.replace(4, 15, "Standard Jet DB");
    write(file("old.db"), jet);
    EXPECT_EQ(SniffFile(file("old.db")), FileKind::Access);
    Database db;
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
