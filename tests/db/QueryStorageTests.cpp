// The fetched rows as the query packs them: every value must come back as
// it was stored, whatever the row before it held in the same column.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "Query.h"

using namespace db;

namespace {

class QueryStorageTest : public ::testing::Test {
protected:
    void SetUp() override { db.open(":memory:", Database::OpenMode::ReadWriteCreate); }
    Query& open(const std::string& sql, const Params& params = {})
    {
        q.setSql(sql, params);
        q.open();
        return q;
    }
    // n repetitions of `unit`, built by SQLite.
    static std::string repeatSql(const std::string& n, const char* unit)
    {
        return "replace(hex(zeroblob(" + n + ")), '00', '" + unit + "')";
    }

    Database db;
    Query q{db};
};

}  // namespace

TEST_F(QueryStorageTest, EachKindComesBackWhateverTheRowBeforeHeld)
{
    // One column taking every kind in turn: a value read must not show
    // anything of the longer text decoded before it.
    db.executeScript("CREATE TABLE m (id INTEGER PRIMARY KEY, v);");
    const std::string longText(300, 'L');
    const std::string blob("\0a\0\0b\0", 6);
    for (const Value& v : {Value(longText), Value(), Value(""), Value(int64_t(42)), Value(1.5), Value::Blob(blob),
                           Value::Blob(""), Value("x")})
        db.execute("INSERT INTO m(v) VALUES (?)", {v});
    open("SELECT v FROM m ORDER BY id");
    const auto check = [&] {
        const Value& v = q.value(0);
        switch (q.recNo()) {
        case 1: EXPECT_EQ(v, Value(longText)); break;
        case 2: EXPECT_TRUE(v.isNull()); EXPECT_EQ(v.bytes(), ""); EXPECT_EQ(v.asText(), ""); break;
        case 3: EXPECT_EQ(v.kind(), StorageClass::Text); EXPECT_EQ(v.bytes(), ""); break;
        case 4: EXPECT_EQ(v.integer(), 42); EXPECT_EQ(v.bytes(), ""); break;
        case 5: EXPECT_EQ(v.real(), 1.5); EXPECT_EQ(v.bytes(), ""); break;
        case 6: EXPECT_EQ(v, Value::Blob(blob)); EXPECT_EQ(v.bytes().size(), 6u); break;
        case 7: EXPECT_EQ(v.kind(), StorageClass::Blob); EXPECT_EQ(v.bytes(), ""); break;
        case 8: EXPECT_EQ(v, Value("x")); EXPECT_EQ(v.integer(), 0); break;
        }
    };
    for (q.first(); !q.eof(); q.next()) check();
    // Backwards too, and by jumps, so each value is decoded after another.
    for (q.last(); !q.bof(); q.prior()) check();
    for (int64_t r : {6, 1, 2, 5, 3, 8, 4, 7}) {
        q.setRecNo(r);
        check();
    }
}

TEST_F(QueryStorageTest, LengthsAtTheEdgesOfTheShortFormsAndNulBytes)
{
    open("WITH n(i) AS (VALUES (0), (1), (63), (64), (65), (127), (128), (129), (255), (256), (70000)) "
         "SELECT i, " + repeatSql("i", "t") + " AS t, zeroblob(i) AS b, CAST(x'00' || zeroblob(i) || x'ff' AS BLOB) "
         "AS framed FROM n");
    ASSERT_EQ(q.recordCount(), 11);
    for (; !q.eof(); q.next()) {
        const auto n = static_cast<std::size_t>(q.value("i").integer());
        EXPECT_EQ(q.value("t"), Value(std::string(n, 't'))) << n;
        EXPECT_EQ(q.value("b"), Value::Blob(std::string(n, '\0'))) << n;
        const std::string& framed = q.value("framed").bytes();
        ASSERT_EQ(framed.size(), n + 2) << n;
        EXPECT_EQ(framed.front(), '\0');
        EXPECT_EQ(framed.back(), '\xff');
    }
}

TEST_F(QueryStorageTest, LongTextsAmongShortRowsOverManyBlocks)
{
    // Every 97th text is far longer than a block; the others fill blocks
    // unevenly, and the last rows end in a block shrunk to its rows.
    open("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 3001) "
         "SELECT i, i || ':' || CASE WHEN i % 97 = 0 THEN " + repeatSql("200000 + i", "ab") +
         " WHEN i % 13 = 0 THEN " + repeatSql("60000", "c") + " ELSE " + repeatSql("i % 300", "d") +
         " END AS t, -i AS after FROM n");
    ASSERT_EQ(q.recordCount(), 3001);
    const auto expected = [](int64_t i) {
        const std::string head = std::to_string(i) + ":";
        if (i % 97 == 0) {
            std::string s = head;
            for (int64_t k = 0; k < 200000 + i; ++k) s += "ab";
            return s;
        }
        return head + (i % 13 == 0 ? std::string(60000, 'c') : std::string(static_cast<std::size_t>(i % 300), 'd'));
    };
    for (; !q.eof(); q.next()) {
        const int64_t i = q.value(0).integer();
        ASSERT_EQ(q.value(1).bytes(), expected(i)) << i;
        ASSERT_EQ(q.value(2).integer(), -i);
    }
    for (int64_t i : {int64_t(2910), int64_t(3001), int64_t(1), int64_t(97)}) {
        q.setRecNo(i);
        EXPECT_EQ(q.value(1).bytes(), expected(i)) << i;
    }
}

TEST_F(QueryStorageTest, IntegersAndRealsKeepEveryBit)
{
    constexpr int64_t kMax = std::numeric_limits<int64_t>::max(), kMin = std::numeric_limits<int64_t>::min();
    const int64_t ints[] = {0, 1, -1, 127, 128, -128, -129, 32767, 32768, -32769, 8388608, 2147483647,
                            2147483648LL, -2147483649LL, int64_t(1) << 40, -(int64_t(1) << 48), kMax, kMin};
    const double reals[] = {0.0, -0.0, 1.5, -2.25, 1e308, 4.9406564584124654e-324, 0.1,
                            std::numeric_limits<double>::infinity()};
    // Bound values come back untouched (a REAL column would store -0.0 as 0).
    std::string sql;
    Params params;
    for (std::size_t k = 0; k < std::size(ints); ++k) {
        sql += k ? " UNION ALL SELECT ?, ?" : "SELECT ?, ?";
        params.push_back(ints[k]);
        params.push_back(k < std::size(reals) ? Value(reals[k]) : Value());
    }
    open(sql, params);
    for (std::size_t k = 0; k < std::size(ints); ++k, q.next()) {
        EXPECT_EQ(q.value(0).kind(), StorageClass::Integer);
        EXPECT_EQ(q.value(0).integer(), ints[k]) << k;
        if (k >= std::size(reals)) {
            EXPECT_TRUE(q.value(1).isNull());
            continue;
        }
        EXPECT_EQ(q.value(1).kind(), StorageClass::Float);
        EXPECT_EQ(q.value(1).real(), reals[k]) << k;
        EXPECT_EQ(std::signbit(q.value(1).real()), std::signbit(reals[k])) << k;
    }
    q.setRecNo(17);
    EXPECT_EQ(q.value(0).asText(), "9223372036854775807");
}

TEST_F(QueryStorageTest, BookmarksAndJumpsOverManyRows)
{
    open("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
         "SELECT i, 'row ' || i AS t, CASE WHEN i % 3 = 0 THEN NULL ELSE i * 0.5 END AS r FROM n");
    ASSERT_EQ(q.recordCount(), 200000);
    q.setRecNo(177777);
    const Query::Bookmark mark = q.getBookmark();
    EXPECT_EQ(q.value("t").bytes(), "row 177777");
    q.last();
    EXPECT_EQ(q.value("t").bytes(), "row 200000");
    q.first();
    EXPECT_EQ(q.value("t").bytes(), "row 1");
    q.gotoBookmark(mark);
    EXPECT_EQ(q.value(0).integer(), 177777);
    EXPECT_EQ(q.value("t").bytes(), "row 177777");
    EXPECT_TRUE(q.value("r").isNull());
    q.prior();
    EXPECT_EQ(q.value("r").real(), 177776 * 0.5);
    EXPECT_EQ(q.value("t").bytes(), "row 177776");
    EXPECT_THROW(q.gotoBookmark(200001), EDatabaseError);
}

TEST_F(QueryStorageTest, ValuesOfTwoFieldsStandTogetherAndAReopenReadsAfresh)
{
    db.executeScript("CREATE TABLE p (a TEXT, b TEXT); INSERT INTO p VALUES ('first a', 'first b');");
    open("SELECT a, b FROM p");
    const Value& a = q.value(0);
    const Value& b = q.value(1);
    EXPECT_EQ(a, Value("first a"));
    EXPECT_EQ(b, Value("first b"));
    // The row read before the reopen must not answer for the new one.
    db.execute("UPDATE p SET a = NULL, b = 'second b'");
    q.close();
    q.open();
    EXPECT_TRUE(q.value(0).isNull());
    EXPECT_EQ(q.value(1), Value("second b"));
}

TEST_F(QueryStorageTest, ZeroRowsAfterManyAndExpressionTypesFromALaterRow)
{
    open("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000) SELECT i, 'x' || i FROM n");
    EXPECT_EQ(q.value(1).bytes(), "x1");
    open("SELECT 1 AS a, 'b' AS b WHERE 0");
    EXPECT_EQ(q.recordCount(), 0);
    EXPECT_TRUE(q.eof());
    EXPECT_EQ(q.fieldCount(), 2);
    EXPECT_TRUE(q.value(1).isNull());
    EXPECT_EQ(q.fieldByName("b").asString(), "");
    EXPECT_EQ(q.getBookmark(), 0u);

    // The first value that is not Null tells an expression column's type,
    // even when it stands in a later row behind other columns.
    open("SELECT NULL AS a, NULL AS b UNION ALL SELECT 'x', NULL UNION ALL SELECT NULL, x'00' "
         "UNION ALL SELECT 1, 2.5");
    EXPECT_EQ(q.fieldDef(0).type, FieldType::String);
    EXPECT_EQ(q.fieldDef(1).type, FieldType::Blob);
}
