// The database dataset over a real SQLite file: values typed by the
// declared column types, Nulls, ranges, aliases, blobs, reopening, and
// datasets sharing one query.
#include <gtest/gtest.h>

#include "CodePages.h"
#include "ObjectTestUtil.h"
#include "rpRes.h"
#include "rpUnicodeUtils.h"

using namespace object_test;

namespace {

struct Table : Window {
    db::Query q{db, "Q"};
    TrpDBDataset* ds = dataset("Items", q);
    explicit Table(const std::string& sql = "select * from typed order by rowid")
    {
        LoadReportStringTable();
        db.executeScript(
            "CREATE TABLE typed (s VARCHAR(20), m MEMO, i INTEGER, f REAL, d NUMERIC, b BOOLEAN, dt DATETIME, bl BLOB,"
            " t TEXT, n INTEGER);"
            "INSERT INTO typed VALUES ('text', 'long text', 42, '12.50', '12.345', 1, '2026-12-06 09:30:00',"
            " x'00FF41', '12.50', 1);"
            "INSERT INTO typed VALUES (NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 2);"
            "INSERT INTO typed (n) VALUES (3), (4), (5);");
        q.setSql(sql);
        rpReport1->DataSets()->Add()->SetDataSet(ds);
        rpReport1->DataSets()->Initialize();
    }
    std::vector<int> walk()
    {
        std::vector<int> rows;
        for (ds->First(); !ds->Eof() && rows.size() < 10; ds->Next()) rows.push_back(ds->GetValue("n").toInt());
        return rows;
    }
};

std::string display(TrpDataSet& ds, const char* field)
{
    return Utf16ToUtf8(ds.GetDisplayText(field));
}

}  // namespace

TEST(DBDataset, ValuesFollowTheDeclaredTypes)
{
    Table t;
    const struct {
        const char* field;
        uint16_t type;
        const char* display;
        TrpFieldType kind;
        int width;
        bool blob;
    } cases[] = {
        {"s", varString, "text", fftString, 20, false},
        {"m", varString, "long text", fftString, 10, true},
        {"i", varInt64, "42", fftNumeric, 15, false},
        {"f", varDouble, "12.5", fftNumeric, 10, false},
        {"d", varDouble, "12.345", fftNumeric, 10, false},
        {"b", varBoolean, "True", fftBoolean, 10, false},
        {"dt", varDate, "2026-12-06 09:30:00", fftNumeric, 20, false},
        {"bl", varString, "\x00\xFF" "A", fftNumeric, 10, true},
        {"t", varString, "12.50", fftString, 10, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(t.ds->GetValue(c.field).type(), c.type) << c.field;
        if (c.type != varString || !c.blob || std::string_view(c.field) == "m") {
            EXPECT_EQ(display(*t.ds, c.field), c.display) << c.field;
        }
        EXPECT_EQ(t.ds->GetFieldType(c.field), c.kind) << c.field;
        EXPECT_EQ(t.ds->GetDisplayWidth(c.field), c.width) << c.field;
        EXPECT_EQ(t.ds->IsBlobField(c.field), c.blob) << c.field;
    }
    t.ds->BCDToCurrency = true;
    EXPECT_EQ(t.ds->GetValue("d").type(), varCurrency);
    EXPECT_EQ(VarToStr(t.ds->GetValue("d")), "12.345");
    t.ds->Next();
    for (const auto& c : cases) {
        EXPECT_TRUE(t.ds->GetValue(c.field).isNull()) << c.field;
        EXPECT_EQ(display(*t.ds, c.field), "") << c.field;
    }
    EXPECT_EQ(t.rpReport1->Errors.Count(), 0);
}

TEST(DBDataset, BlobsGoToStreamsAndTextLists)
{
    Table t;
    TMemoryStream stream;
    t.ds->AssignBlobTo("bl", stream);
    EXPECT_EQ(stream.Size(), 3);
    EXPECT_EQ(stream.Position(), 0);
    TWideStrings lines;
    t.ds->AssignBlobTo("m", lines);
    EXPECT_EQ(lines.Text(), u"long text\r\n");
    TMemoryStream none;
    t.ds->AssignBlobTo("nosuch", none);
    t.ds->AssignBlobTo("s", none);
    EXPECT_EQ(none.Size(), 0) << "no blob, nothing written";
}

TEST(DBDataset, RangesBeginAndEndWhereTheyAreSet)
{
    Table t;
    EXPECT_EQ(t.walk(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(t.ds->RecordCount(), 5);

    // Positioned at row 3 when opened: the range ends there.
    Table current;
    current.q.open();
    current.q.setRecNo(3);
    current.ds->RangeEnd = reCurrent;
    current.ds->Open();
    EXPECT_EQ(current.walk(), (std::vector<int>{1, 2, 3}));
    current.ds->Close();

    Table from;
    from.q.open();
    from.q.setRecNo(4);
    from.ds->RangeBegin = rbCurrent;
    EXPECT_EQ(from.walk(), (std::vector<int>{4, 5}));

    Table counted;
    counted.ds->RangeEnd = reCount;
    counted.ds->RangeEndCount = 2;
    EXPECT_EQ(counted.walk(), (std::vector<int>{1, 2}));
}

TEST(DBDataset, PriorStepsBackAlsoFromTheEnd)
{
    Table t;
    t.ds->First();
    t.ds->Next();
    t.ds->Prior();
    EXPECT_EQ(t.ds->GetValue("n").toInt(), 1);
    while (!t.ds->Eof()) t.ds->Next();
    EXPECT_EQ(t.ds->GetValue("n").toInt(), 5);
    t.ds->Prior();
    EXPECT_EQ(t.ds->GetValue("n").toInt(), 4);
    EXPECT_FALSE(t.ds->Eof());
}

TEST(DBDataset, AliasesRenameAndHideFields)
{
    Table t("select n as kh, n * 10 as id from typed order by rowid");
    t.ds->FieldAliases()->SetText("kh=Customer\r\n-id=Id");
    TStringList list;
    t.ds->GetFieldList(list);
    EXPECT_EQ(list.Text(), "Customer\r\n");
    EXPECT_EQ(t.ds->GetValue("Customer").toInt(), 1);
    EXPECT_EQ(t.ds->GetValue("kh").toInt(), 1);
    EXPECT_TRUE(t.ds->GetValue("Id").isNull());
    EXPECT_TRUE(t.ds->GetValue("id").isNull());
    EXPECT_NE(t.rpReport1->Errors.Text().find("Items.\"Id\""), std::string::npos);
}

TEST(DBDataset, AMissingFieldIsNullAndOneErrorLine)
{
    Table t;
    t.rpReport1->CurObject = "Memo3";
    EXPECT_TRUE(t.ds->GetValue("nosuch").isNull());
    EXPECT_TRUE(t.ds->GetValue("nosuch").isNull());
    EXPECT_EQ(t.rpReport1->Errors.Text(), "Memo3: 字段不存在: Items.\"nosuch\"\r\n");
    EXPECT_EQ(display(*t.ds, "nosuch"), "字段不存在: Items.\"nosuch\"");
}

TEST(DBDataset, AClosedQueryOpensOnTheFirstReadAndReopeningRebuildsTheFields)
{
    Table t;
    EXPECT_FALSE(t.q.active());
    EXPECT_EQ(t.ds->GetValue("s").toString(), "text");
    EXPECT_TRUE(t.q.active());
    // What the order-sheet command does: new text, opened again.
    t.q.setSql("select s || '!' as shout from typed");
    t.q.open();
    EXPECT_EQ(t.ds->GetValue("shout").toString(), "text!");
    EXPECT_TRUE(t.ds->GetValue("s").isNull());
    TStringList list;
    t.ds->GetFieldList(list);
    EXPECT_EQ(list.Text(), "shout\r\n");
    EXPECT_EQ(t.ds->FieldsCount(), 1) << "each column counted once";
}

TEST(DBDataset, DatasetsSharingAQueryComeAndGoInAnyOrder)
{
    Window w;
    w.rpReport1->DataSets()->Add()->SetDataSet(w.rpDBDataset1);
    w.rpReport2->DataSets()->Add()->SetDataSet(w.rpDBDataset3);
    w.rpReport1->DataSets()->Initialize();
    w.rpReport2->DataSets()->Initialize();
    w.rpDBDataset1->Open();
    w.rpDBDataset3->Open();
    // Finished in the order they started; the first then goes away.
    w.rpReport1->DataSets()->Finalize();
    w.rpReport2->DataSets()->Finalize();
    delete w.rpDBDataset1;
    w.selectOrder(kEmptyOrder);
    EXPECT_EQ(w.rpDBDataset3->GetValue("khmc").toString(), "北方五金");
    EXPECT_EQ(w.rpReport2->Errors.Count(), 0);
}

TEST(DBDataset, WithoutAQueryNothingIsRead)
{
    LoadReportStringTable();
    TComponent form;
    auto* ds = new TrpDBDataset(&form);
    ds->SetName("rpDBDataset9");
    try {
        ds->Initialize();
        ADD_FAILURE() << "no error";
    } catch (const std::exception& e) {
        EXPECT_EQ(std::string(e.what()), "数据库 rpDBDataset9 未连接至数据库");
    }
    EXPECT_TRUE(ds->Eof());
    EXPECT_TRUE(ds->GetValue("x").isNull());
    EXPECT_EQ(ds->RecordCount(), 0);
    EXPECT_EQ(display(*ds, "x"), "rpDBDataset9.\"x\"");
    {
        OrderFile file;
        db::Database db(file.path, db::Database::OpenMode::ReadOnly);
        auto q = std::make_unique<db::Query>(db);
        q->setSql("select * from config");
        ds->SetDataSet(q.get());
        EXPECT_EQ(ds->GetValue("lxr").toString(), "李四");
    }
    EXPECT_EQ(ds->DataSet(), nullptr) << "the query went away";
    EXPECT_TRUE(ds->GetValue("lxr").isNull());
}
