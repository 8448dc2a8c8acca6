#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "ControlIdents.h"
#include "ModelTestUtil.h"
#include "rpRegistry.h"
#include "rpStyles.h"
#include "rpVariables.h"

using namespace model_test;

TEST(DataSets, CountedRangesEndWhereTheCountSays)
{
    TrpUserDataSet ds;
    ds.RangeEnd = reCount;
    ds.RangeEndCount = 0;
    ds.First();
    EXPECT_TRUE(ds.Eof());
    ds.RangeEndCount = 2;
    ds.First();
    EXPECT_FALSE(ds.Eof());
    ds.Next();
    EXPECT_EQ(ds.RecNo, 1);
    ds.Next();
    EXPECT_EQ(ds.RecNo, 1);
    EXPECT_TRUE(ds.Eof());
    // The handler has the last word.
    ds.OnCheckEOF = [](TObject*, bool& eof) { eof = false; };
    EXPECT_FALSE(ds.Eof());
    // Other ranges have no count and no end of their own.
    TrpUserDataSet open;
    EXPECT_EQ(open.RecordCount(), 0);
    EXPECT_FALSE(open.Eof());
}

TEST(DataSets, UserNamesAndValues)
{
    Sample s;
    auto* ds = new TrpUserDataSet(s.data);
    ds->SetName("Orders");
    EXPECT_EQ(ds->UserName(), "Orders");
    ds->SetName("Orders2");
    EXPECT_EQ(ds->UserName(), "Orders");
    EXPECT_THROW(ds->SetUserName("  "), EPropertyError);
    ds->Fields()->Add("bh");
    ds->OnGetValue = [](const std::string& field, Variant& v) { v = Variant(field + "1"); };
    ds->OnNewGetValue = [](TObject*, const std::string& field, Variant& v) {
        if (field == "khmc") v = Variant("客户");
    };
    EXPECT_EQ(ds->GetValue("bh"), Variant("bh1"));
    EXPECT_EQ(ds->GetDisplayText("khmc"), u"客户");
    EXPECT_TRUE(ds->HasField("BH"));
    EXPECT_EQ(ds->FieldsCount(), 1);

    TrpCustomDBDataSet db;
    db.FieldAliases()->Add("khmc=Customer");
    EXPECT_EQ(db.ConvertAlias("customer"), "khmc");
    EXPECT_EQ(db.ConvertAlias("bh"), "bh");
}

TEST(DataSets, EachReportFindsItsOwnDataset)
{
    Sample a, b;
    auto* ordersA = new TrpUserDataSet(a.data);
    ordersA->SetName("Orders");
    auto* ordersB = new TrpUserDataSet(b.data);
    ordersB->SetName("Orders");
    TrpMemoView* ma = a.memo("Memo1", u"");
    TrpMemoView* mb = b.memo("Memo1", u"");
    ma->SetDataSetName("orders");
    mb->SetDataSetName("Orders");
    EXPECT_EQ(ma->DataSet(), ordersA);
    EXPECT_EQ(mb->DataSet(), ordersB);
    EXPECT_EQ(FindGlobalDataSet(nullptr, "", a.report.get()), nullptr);
    EXPECT_EQ(FindGlobalDataSet(ordersB, "Orders", nullptr), ordersB);

    // Without the global lookup only the report's enabled list counts.
    a.report->EngineOptions()->GlobalDataSetLookup = false;
    ma->SetDataSetName("Orders");
    EXPECT_EQ(ma->DataSet(), nullptr);
    a.report->EnabledDataSets()->Add()->SetDataSet(ordersA);
    ma->SetDataSetName("Orders");
    EXPECT_EQ(ma->DataSet(), ordersA);
}

TEST(DataSets, ADatasetGoneFreesItsItemsAndReferences)
{
    Sample s;
    auto* ds = new TrpUserDataSet(s.data);
    ds->SetName("Orders");
    TrpDataSetItem* item = s.report->DataSets()->Add();
    item->SetDataSet(ds);
    s.report->DataSets()->Add()->SetDataSetName("Other");
    EXPECT_EQ(s.report->GetDataset("orders"), ds);
    TrpMemoView* m = s.memo("Memo1", u"");
    m->SetDataSet(ds);
    s.band->SetDataSet(ds);
    delete ds;
    EXPECT_EQ(s.report->DataSets()->Count(), 1);
    EXPECT_EQ(s.report->DataSets()->Items(0)->DataSetName(), "Other");
    EXPECT_EQ(m->DataSet(), nullptr);
    EXPECT_EQ(m->DataSetName(), "Orders");
    EXPECT_EQ(s.band->DataSet(), nullptr);
    EXPECT_EQ(s.report->GetDataset("Orders"), nullptr);
}

TEST(Variables, ReadMissingWriteAdds)
{
    TrpVariables vars;
    EXPECT_TRUE(vars.Get("Total").isEmpty());
    vars.Set("Total", Variant(5));
    vars.Set("TOTAL", Variant(6));
    EXPECT_EQ(vars.Count(), 1);
    EXPECT_EQ(vars.Get("total"), Variant(6));
    EXPECT_EQ(vars.IndexOf("none"), -1);
    TrpArray array;
    array.Set(Variant(1), Variant("one"));
    EXPECT_EQ(array.Get(Variant("1")), Variant("one"));
    EXPECT_TRUE(array.Get(Variant(2)).isEmpty());
}

namespace {

std::string sheet(const char* root, const char* items)
{
    return std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<") + root + " Name=\"Sheet\">" + items + "</" +
           root + ">";
}

}  // namespace

TEST(Styles, SheetsLoadApplyAndRefuseWrongRoots)
{
    Sample s;
    TrpStyles& styles = *s.report->Styles();
    TrpStyleItem* title = styles.Add();
    title->SetName("Title");
    title->SetColor(clYellow);
    TrpMemoView* m = s.memo("Memo1", u"x");
    m->SetStyle("Title");
    EXPECT_EQ(m->Color(), clYellow);

    // A wrong root leaves the list empty and the objects untouched.
    TStringStream wrong(sheet("styles", "<item Name=\"Title\" Color=\"255\"/>"));
    styles.LoadFromStream(wrong);
    EXPECT_EQ(styles.Count(), 0);
    EXPECT_EQ(m->Style(), "Title");

    // "STYLE" is a style sheet; one without the memo's style clears the
    // name and keeps the look.
    TStringStream other(sheet("STYLE", "<item Name=\"Body\" Color=\"255\"/><other/>"));
    styles.LoadFromStream(other);
    EXPECT_EQ(styles.Count(), 1);
    EXPECT_EQ(styles.Name, "Sheet");
    EXPECT_EQ(m->Style(), "");
    EXPECT_EQ(m->Color(), clYellow);

    // A second item with a taken name keeps an empty name.
    TStringList errors;
    TStringStream dup(sheet("style", "<item Name=\"A\" Color=\"1\"/><item Name=\"a\" Color=\"2\"/>"));
    styles.LoadFromStream(dup, &errors);
    ASSERT_EQ(styles.Count(), 2);
    EXPECT_EQ(styles.Items(1)->Name(), "");
    EXPECT_EQ(styles.Items(1)->Color(), 2);
    EXPECT_EQ(errors.Count(), 1);
    EXPECT_EQ(errors.Strings(0), "TrpStyleItem.Name: Duplicate name");
}

TEST(Styles, RenamesAndRoundTrip)
{
    TrpStyles styles;
    TrpStyleItem* a = styles.Add();
    a->SetName("Head");
    TrpStyleItem* b = styles.Add();
    b->SetName("Body");
    EXPECT_THROW(b->SetName("HEAD"), EListError);
    EXPECT_EQ(b->Name(), "Body");
    b->SetName("BODY");
    EXPECT_EQ(b->Name(), "BODY");
    TrpStyleItem copy;
    copy.Assign(a);
    EXPECT_EQ(copy.Name(), "Head");

    a->SetColor(clRed);
    a->Font()->SetName("宋体");
    a->Font()->SetStyle({fsBold});
    a->Frame()->SetTyp({ftTop, ftBottom});
    a->Frame()->SetWidth(2);
    b->Frame()->LeftLine()->SetColor(clBlue);
    styles.Name = "表样";
    TStringStream out;
    styles.SaveToStream(out);
    TrpStyles back;
    TStringStream in(out.DataString());
    back.LoadFromStream(in);
    ASSERT_EQ(back.Count(), 2);
    EXPECT_EQ(back.Name, "表样");
    EXPECT_EQ(back.Items(0)->Name(), "Head");
    EXPECT_EQ(back.Items(0)->Color(), clRed);
    EXPECT_EQ(back.Items(0)->Font()->Name(), "宋体");
    EXPECT_EQ(back.Items(0)->Font()->Style(), TFontStyles{fsBold});
    EXPECT_TRUE(*back.Items(0)->Frame() == *a->Frame());
    EXPECT_TRUE(*back.Items(1)->Frame() == *b->Frame());
    EXPECT_EQ(back.Items(1)->Color(), clNone);
    TStringList names;
    back.GetList(names);
    EXPECT_EQ(names.CommaText(), "Head,BODY");
}

TEST(Styles, SheetFiles)
{
    const std::string path = (std::filesystem::temp_directory_path() /
                              (std::to_string(::getpid()) + "_sheet.xml")).string();
    struct Remove {
        std::string path;
        ~Remove() { std::filesystem::remove(path); }
    } remove{path};
    TrpStyles styles;
    styles.Add()->SetName("标题");
    styles.Items(0)->Font()->SetHeight(-35);
    styles.Name = "Sheet";
    styles.SaveToFile(path);
    TrpStyles back;
    back.LoadFromFile(path);
    ASSERT_EQ(back.Count(), 1);
    EXPECT_EQ(back.Items(0)->Name(), "标题");
    EXPECT_EQ(back.Items(0)->Font()->Height(), -35);
    EXPECT_EQ(back.Name, "Sheet");
    // No file: the platform's error. No XML: the list is empty and the
    // format is refused.
    EXPECT_THROW(back.LoadFromFile(path + ".missing"), EFOpenError);
    EXPECT_EQ(back.Count(), 1);
    TStringStream junk("not a style sheet");
    EXPECT_THROW(back.LoadFromStream(junk), Exception);
    EXPECT_EQ(back.Count(), 0);
}

TEST(Registry, ObjectItemsAndCategories)
{
    TrpObjectCollection objects;
    objects.RegisterObject(TrpMemoView::StaticClass(), nullptr, 1);
    objects.RegisterObject(TrpMemoView::StaticClass(), nullptr, 2);
    EXPECT_EQ(objects.Count(), 1);
    objects.RegisterObject(TrpMemoView::StaticClass(), nullptr, 2, {}, {}, 1);
    EXPECT_EQ(objects.Count(), 2);
    objects.RegisterObject(TrpUserDataSet::StaticClass(), nullptr, 3);
    objects.RegisterObject(TrpCustomDatabase::StaticClass(), nullptr, 4);
    objects.RegisterObject(TrpDialogComponent::StaticClass(), nullptr, 5);
    objects.RegisterObject(TrpMasterData::StaticClass(), nullptr, 6, {}, {}, 0, rpcatDMP);
    EXPECT_EQ(objects.GetItem(0).Category, rpcatReport);
    EXPECT_EQ(objects.GetItem(2).Category, rpcatData);
    EXPECT_EQ(objects.GetItem(3).Category, rpcatData);
    EXPECT_EQ(objects.GetItem(4).Category, rpcatDialog);
    EXPECT_EQ(objects.GetItem(5).Category, rpcatDMP);
    objects.UnregisterObject(TrpMemoView::StaticClass());
    EXPECT_EQ(objects.Count(), 4);
    EXPECT_EQ(GetExportFilters().Count(), 0);
}

TEST(Registry, PropertyEditorsAndTheirNameTables)
{
    TrpPropertyEditorCollection& editors = GetPropertyEditors();
    ASSERT_EQ(editors.Count(), 11);
    EXPECT_EQ(editors.GetItem(0).TypeName, "TComponentName");
    EXPECT_EQ(editors.GetItem(10).TypeName, "TTime");
    EXPECT_EQ(editors.Find("String", TFont::StaticClass(), "Name"), 3);
    EXPECT_EQ(editors.Find("String", TrpMemoView::StaticClass(), "Name"), -1);
    EXPECT_EQ(editors.LastFound(), 3);
    // The attribute sets a designer reads, in registration order.
    const unsigned attributes[] = {0, 73, 60, 11, 11, 9, 9, 11, 8, 8, 8};
    for (int i = 0; i < editors.Count(); ++i)
        EXPECT_EQ(editors.GetItem(i).Editor(nullptr)->GetAttributes(), attributes[i]) << editors.GetItem(i).TypeName;
    EXPECT_EQ(TrpClassProperty().GetAttributes(), 56u);

    TrpMemoView memo;
    auto edit = [&](int index, const char* prop) {
        std::unique_ptr<TrpPropertyEditor> e = editors.GetItem(index).Editor(nullptr);
        e->AddObject(&memo, GetPropInfo(&memo, prop));
        return e;
    };
    auto modal = edit(5, "Tag");
    memo.SetTag(10);
    EXPECT_EQ(modal->GetValue(), "mrYesToAll");
    memo.SetTag(11);
    EXPECT_EQ(modal->GetValue(), "11");
    modal->SetValue("");
    EXPECT_EQ(memo.Tag(), 0);
    modal->SetValue("mrOk");
    EXPECT_EQ(memo.Tag(), 1);
    modal->GetValues();
    EXPECT_EQ(modal->Values.Strings(10), "mrYesToAll");  // in their own order
    auto charset = edit(4, "Tag");
    memo.SetTag(134);
    EXPECT_EQ(charset->GetValue(), "GB2312_CHARSET");
    charset->SetValue("DEFAULT_CHARSET");
    EXPECT_EQ(memo.Tag(), 1);
    charset->SetValue("99");
    EXPECT_EQ(charset->GetValue(), "99");
    charset->GetValues();  // sorted
    ASSERT_GT(charset->Values.Count(), 10);
    for (int i = 1; i < charset->Values.Count(); ++i)
        EXPECT_LE(CompareText(charset->Values.Strings(i - 1), charset->Values.Strings(i)), 0) << i;
    auto shortCut = edit(6, "Tag");
    memo.SetTag(0);
    EXPECT_EQ(shortCut->GetValue(), kShortCutNone);
    shortCut->SetValue("Ctrl+A");
    EXPECT_EQ(memo.Tag(), scCtrl | 'A');
    shortCut->SetValue("(none)");
    EXPECT_EQ(memo.Tag(), 0);

    auto date = edit(9, "GapX");
    memo.GapX = 0;
    EXPECT_EQ(date->GetValue(), "");
    date->SetValue("2026-03-07");
    EXPECT_EQ(memo.GapX, EncodeDate(2026, 3, 7));
    EXPECT_EQ(date->GetValue(), "2026-03-07");
    date->SetValue("");
    EXPECT_EQ(memo.GapX, 0);

    auto color = edit(1, "Color");
    color->SetValue("clRed");
    EXPECT_EQ(memo.Color(), clRed);
    EXPECT_EQ(color->GetValue(), "clRed");
    auto cursor = edit(7, "Cursor");
    cursor->SetValue("crHandPoint");
    EXPECT_EQ(memo.Cursor(), crHandPoint);
    memo.SetCursor(static_cast<TCursor>(150));
    EXPECT_EQ(cursor->GetValue(), "150");

    EXPECT_EQ(ShortCutToText(scCtrl | 'A'), "Ctrl+A");
    EXPECT_EQ(ShortCutToText(scShift | scCtrl | 0x74), "Shift+Ctrl+F5");
    EXPECT_EQ(TextToShortCut("shift+ctrl+f5"), scShift | scCtrl | 0x74);
    EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
    std::string ident;
    EXPECT_TRUE(CharsetToIdent(134, ident));
    EXPECT_EQ(ident, "GB2312_CHARSET");
}
