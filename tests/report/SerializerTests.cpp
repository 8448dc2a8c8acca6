#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "CodePages.h"
#include "CoreClasses.h"
#include "Graphics.h"
#include "SerializerTestClasses.h"
#include "rpRes.h"
#include "rpUtils.h"
#include "rpXMLSerializer.h"

namespace {

std::string save(TComponent* root)
{
    TStringStream out;
    TrpXMLSerializer s(&out);
    s.WriteRootComponent(root);
    return out.DataString();
}

std::vector<std::string> load(TComponent* root, const std::string& text)
{
    TStringStream in(text);
    TrpXMLSerializer s(&in);
    s.ReadRootComponent(root);
    std::vector<std::string> errors;
    for (int i = 0; i < s.Errors.Count(); ++i) errors.push_back(s.Errors.Strings(i));
    return errors;
}

std::string readFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A report with a page, a band and a memo holding Chinese text.
std::unique_ptr<TTestReport> smallReport()
{
    auto report = std::make_unique<TTestReport>();
    report->SetName("Report1");
    auto* page = new TTestPage(report.get());
    page->SetName("Page1");
    page->Width = 793.7;
    page->Height = 1122.52;
    auto* band = new TTestBand(page);
    band->SetName("MasterData1");
    band->Top = 94.48825L;
    band->Height = 22.67718L;
    auto* memo = new TTestMemo(band);
    memo->SetName("Memo1");
    memo->Left = 37.7953L;
    memo->Width = 94.48825L;
    memo->Height = 18.89765L;
    memo->Lines->SetText(u"订单号\r\n客户\r\n");
    memo->Font()->SetName("宋体");
    memo->Font()->SetStyle(TFontStyles{fsBold});
    memo->HAlign = haCenter;
    memo->Frame = TTestFrame{ftLeft, ftBottom};
    return report;
}

// A memo in a report, and a serializer for its properties.
class SerializerProps : public ::testing::Test {
protected:
    TTestReport report;
    TTestMemo* memo = new TTestMemo(&report);
    TrpXMLSerializer s;
};

}  // namespace

TEST(Serializer, GoldenReport)
{
    auto report = smallReport();
    const std::string text = save(report.get());
    const std::string file = std::string(REPORT_TEST_DATA) + "/golden_report.xml";
    // REPORT_UPDATE_GOLDEN=1 rewrites the file after a deliberate change.
    if (std::getenv("REPORT_UPDATE_GOLDEN")) std::ofstream(file, std::ios::binary) << text;
    EXPECT_EQ(text, readFile(file));
}

TEST(Serializer, TextAndPropertiesReadBack)
{
    auto report = smallReport();
    const std::string text = save(report.get());
    TTestReport back;
    EXPECT_TRUE(load(&back, text).empty());
    auto* memo = dynamic_cast<TTestMemo*>(back.FindXMLObject("Memo1"));
    ASSERT_NE(memo, nullptr);
    // The final line break is not stored.
    EXPECT_EQ(memo->Lines->Text(), u"订单号\r\n客户\r\n");
    EXPECT_EQ(memo->Font()->Name(), "宋体");
    EXPECT_TRUE(memo->Font()->Style().Contains(fsBold));
    EXPECT_EQ(memo->HAlign, haCenter);
    EXPECT_EQ(memo->Frame, (TTestFrame{ftLeft, ftBottom}));
    EXPECT_EQ(memo->Left, 37.7953L);
    EXPECT_EQ(back.Name(), "");  // the report keeps its own name
    EXPECT_EQ(memo->loadedCount, 1);
    EXPECT_EQ(back.loadedCount, 0);
    EXPECT_FALSE(memo->XMLLoading);
    EXPECT_FALSE(memo->ComponentState().Contains(csLoading));
}

TEST(Serializer, EveryPropertyKindRoundTripsByteIdentical)
{
    TTestReport report;
    auto* page = new TTestPage(&report);
    page->SetName("Page1");
    auto* memo = new TTestMemo(page);
    memo->SetName("Memo1");
    auto* other = new TTestMemo(page);
    other->SetName("Memo2");
    memo->SetTag(7);
    memo->Rotation = 0;
    memo->Visible = false;
    memo->HAlign = haRight;
    memo->Frame = TTestFrame{ftTop};
    memo->Ratio = 1e-6;
    memo->Caption = "a<b & \"c\"\r\n'd'\t";
    memo->Hint = u"提示 ✓";
    memo->Value = Variant("v&1");
    memo->DataSet = other;
    memo->Script->SetText("begin\r\n  x := 1;\r\nend\r\n");
    memo->Font()->SetName("Arial");
    memo->Font()->SetHeight(-16);
    memo->Font()->SetColor(static_cast<TColor>(0x0000FF));
    memo->Lines->SetText(u"line <1>\r\n\r\nline \"3\"");
    memo->Letter = 'Z';
    report.Datasets->Add();
    static_cast<TTestDataset*>(report.Datasets->Items(0))->DataSetName = "ADOQuery1";

    const std::string first = save(&report);
    TTestReport back;
    EXPECT_TRUE(load(&back, first).empty());
    const std::string second = save(&back);
    EXPECT_EQ(second, first);

    auto* m = dynamic_cast<TTestMemo*>(back.FindXMLObject("Memo1"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Caption, memo->Caption);
    EXPECT_EQ(m->Hint, memo->Hint);
    EXPECT_EQ(VarToStr(m->Value), "v&1");
    EXPECT_EQ(m->DataSet.get(), back.FindXMLObject("Memo2"));
    EXPECT_EQ(m->Script->Text(), memo->Script->Text());
    EXPECT_EQ(m->Font()->Height(), -16);
    EXPECT_EQ(m->Ratio, 1e-6);
    EXPECT_EQ(m->Letter, 'Z');
    EXPECT_FALSE(m->Visible);
    EXPECT_EQ(back.Datasets->Count(), 1);
}

TEST(Serializer, WrittenFilesAreWellFormedXml)
{
    if (std::system("xmllint --version >/dev/null 2>&1") != 0) GTEST_SKIP() << "xmllint is not installed";
    auto report = smallReport();
    auto* memo = dynamic_cast<TTestMemo*>(report->FindXMLObject("Memo1"));
    memo->Caption = "<&>\"'\r\n";
    const std::string file = ::testing::TempDir() + "wellformed.xml";
    std::ofstream(file, std::ios::binary) << save(report.get());
    EXPECT_EQ(std::system(("xmllint --noout '" + file + "'").c_str()), 0);
    std::remove(file.c_str());
}

TEST(Serializer, EveryClassRoundTripsAtDefaultsAndChanged)
{
    // A value equal to a wrongly declared default would be lost silently:
    // each class's defaults and changed values must come back.
    for (const char* cls : {"TTestPage", "TTestBand", "TTestMemo"}) {
        TTestReport report;
        auto* obj = static_cast<TTestObject*>(FindClass(cls)->Create(&report));
        obj->SetName("Obj");
        const std::string atDefaults = save(&report);
        TTestReport back;
        load(&back, atDefaults);
        EXPECT_EQ(save(&back), atDefaults) << cls;

        for (const TPropInfo* p : obj->ClassType()->Properties()) {
            if (!p->IsWritable() || !p->IsStored(obj)) continue;
            switch (p->Kind()) {
            case pkInteger: p->SetOrd(obj, p->GetOrd(obj) + 3); break;
            case pkEnumeration: p->SetOrd(obj, p->GetOrd(obj) == 0 ? 1 : 0); break;
            case pkSet: p->SetOrd(obj, p->GetOrd(obj) ^ 1); break;
            case pkFloat: p->SetFloat(obj, p->GetFloat(obj) + 1.25L); break;
            case pkString: p->SetStr(obj, "x"); break;
            default: break;
            }
        }
        const std::string changed = save(&report);
        EXPECT_NE(changed, atDefaults) << cls;
        TTestReport back2;
        EXPECT_TRUE(load(&back2, changed).empty()) << cls;
        EXPECT_EQ(save(&back2), changed) << cls;
    }
}

TEST_F(SerializerProps, DefaultsAreNotWritten)
{
    memo->SetName("Memo1");
    s.Owner = &report;
    // Floats are always written; everything else here is at its default.
    EXPECT_EQ(s.WriteProps(memo), "Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\" Ratio=\"0\" Rotation=\"0\" "
                                  "Value=\"\" Font.Charset=\"1\" Font.Color=\"-16777208\" Font.Height=\"-11\" "
                                  "Font.Name=\"MS Sans Serif\" Font.Style=\"0\"");
    s.SerializeDefaultValues = true;
    EXPECT_NE(s.WriteProps(memo).find("HAlign=\"haLeft\""), std::string::npos);
}

TEST_F(SerializerProps, FloatsAgainstAnAncestor)
{
    TTestReport ancestorReport;
    memo->SetName("Memo1");
    auto* ancestor = new TTestMemo(&ancestorReport);
    ancestor->SetName("Memo1");
    memo->Left = 10;
    ancestor->Left = 10.0000001L;
    memo->Top = 5;
    ancestor->Top = 6;
    s.Owner = &report;
    const std::string text = s.WriteProps(memo, ancestor);
    EXPECT_EQ(text.find("Left="), std::string::npos);
    EXPECT_NE(text.find("Top=\"5\""), std::string::npos);
    EXPECT_EQ(text.find("Width="), std::string::npos);

    s.OnGetAncestor = [&](const std::string& name) -> TComponent* { return ancestorReport.FindXMLObject(name); };
    EXPECT_EQ(s.WriteProps(memo), text);
}

TEST_F(SerializerProps, EnumerationsByNumberOrName)
{
    s.ReadProps(&report, memo, "HAlign=\"2\"");
    EXPECT_EQ(memo->HAlign, haCenter);
    s.ReadProps(&report, memo, "HAlign=\"harIGHT\" Visible=\"False\"");
    EXPECT_EQ(memo->HAlign, haRight);
    EXPECT_FALSE(memo->Visible);
    s.ReadProps(&report, memo, "Frame=\"[ftTop,ftLeft]\"");
    EXPECT_EQ(memo->Frame, (TTestFrame{ftTop, ftLeft}));
    EXPECT_TRUE(s.Errors.Count() == 0);
}

TEST_F(SerializerProps, DottedPaths)
{
    s.ReadProps(&report, memo, "Font.Name=\"黑体\" Bogus.Name=\"x\" Script.Text=\"a&#13;&#10;b\" DataSet.Name=\"y\"");
    EXPECT_EQ(memo->Font()->Name(), "黑体");
    EXPECT_EQ(memo->Script->Count(), 2);
    EXPECT_EQ(s.Errors.Count(), 0);
}

TEST(Serializer, ReferencesResolveAfterTheWholeTree)
{
    const std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<TTestReport><TTestPage Name=\"Page1\">"
                             "<TTestMemo Name=\"Memo1\" DataSet=\"Memo2\"/>"
                             "<TTestMemo Name=\"Memo2\" DataSet=\"nil\"/>"
                             "<TTestMemo Name=\"Memo3\" DataSet=\"Nowhere\"/>"
                             "</TTestPage></TTestReport>";
    TTestReport report;
    EXPECT_TRUE(load(&report, text).empty());
    auto* m1 = dynamic_cast<TTestMemo*>(report.FindXMLObject("Memo1"));
    auto* m2 = dynamic_cast<TTestMemo*>(report.FindXMLObject("Memo2"));
    ASSERT_TRUE(m1 && m2);
    EXPECT_EQ(m1->DataSet.get(), m2);
    EXPECT_EQ(m2->DataSet.get(), nullptr);
}

TEST_F(SerializerProps, ExplicitNilClearsAReference)
{
    memo->DataSet = memo;
    s.ReadProps(&report, memo, "DataSet=\"nil\"");
    EXPECT_EQ(memo->DataSet.get(), nullptr);
}

TEST(Serializer, ReadingTwiceReusesObjects)
{
    auto report = smallReport();
    const std::string text = save(report.get());
    TTestReport back;
    load(&back, text);
    load(&back, text);
    ASSERT_EQ(back.objects.size(), 1u);
    EXPECT_EQ(back.objects[0]->objects.size(), 1u);
    EXPECT_EQ(back.objects[0]->objects[0]->objects.size(), 1u);
    EXPECT_EQ(save(&back), text);
}

TEST(Serializer, BadValuesAreCollectedAndReadingGoesOn)
{
    LoadReportStringTable();
    const std::string text = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<TTestReport><TTestMemo Name=\"Memo1\" Rotation=\"abc\" Caption=\"ok\" HAlign=\"haNone\"/>"
                             "<TBogus Name=\"B\"/><TTestMemo Name=\"Memo2\" Rotation=\"abc\"/></TTestReport>";
    TTestReport report;
    const auto errors = load(&report, text);
    auto* memo = dynamic_cast<TTestMemo*>(report.FindXMLObject("Memo1"));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Caption, "ok");
    // Each names its object and property; sorted.
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_TRUE(std::is_sorted(errors.begin(), errors.end()));
    EXPECT_NE(std::find(errors.begin(), errors.end(), "Memo1.Rotation: 'abc' is not a valid integer value"), errors.end());
    EXPECT_NE(std::find(errors.begin(), errors.end(), "Memo2.Rotation: 'abc' is not a valid integer value"), errors.end());
    EXPECT_NE(std::find(errors.begin(), errors.end(), "Memo1.HAlign: Invalid property value"), errors.end());
    EXPECT_NE(std::find(errors.begin(), errors.end(), "不明的类别 TBogus"), errors.end());
    EXPECT_EQ(report.FindXMLObject("B"), nullptr);
}

TEST_F(SerializerProps, LegacyGbkStringsAreDecoded)
{
    s.ReadProps(&report, memo, "Caption=\"\xD6\xD0\xCE\xC4\" Font.Name=\"\xCB\xCE\xCC\xE5\"");
    EXPECT_EQ(memo->Caption, "中文");
    EXPECT_EQ(memo->Font()->Name(), "宋体");
}

TEST_F(SerializerProps, ShortNamesOfPreparedCopies)
{
    s.ReadProps(&report, memo, "l=\"1,5\" t=\"2\" w=\"3\" h=\"4\" u=\"a&#13;&#10;中\"");
    EXPECT_EQ(memo->Left, 1.5L);
    EXPECT_EQ(memo->Height, 4);
    EXPECT_EQ(memo->Lines->Count(), 2);
    EXPECT_EQ(memo->Lines->Strings(1), u"中");
}

TEST(Serializer, PropDataOfALongObjectThenAShortOne)
{
    TTestReport longOne;
    for (int i = 0; i < 5; ++i)
        static_cast<TTestDataset*>(longOne.Datasets->Add())->DataSetName = "Query" + std::to_string(i);
    TTestReport shortOne;
    static_cast<TTestDataset*>(shortOne.Datasets->Add())->DataSetName = "Q";

    TrpXMLSerializer writer;
    const std::string longText = writer.WriteProps(&longOne);
    const std::string shortText = writer.WriteProps(&shortOne);
    ASSERT_NE(longText.find("PropData=\""), std::string::npos);

    // One serializer reads both, as it does for the objects of one file.
    TrpXMLSerializer reader;
    TTestReport a, b;
    reader.ReadProps(&a, &a, longText);
    reader.ReadProps(&b, &b, shortText);
    EXPECT_EQ(a.Datasets->Count(), 5);
    ASSERT_EQ(b.Datasets->Count(), 1);
    EXPECT_EQ(static_cast<TTestDataset*>(b.Datasets->Items(0))->DataSetName, "Q");
    EXPECT_EQ(reader.Errors.Count(), 0);
}

TEST(Serializer, CollectionsInTheOldSevenBitForm)
{
    // The platform's standard collection form with "中" (GBK D6 D0) in the
    // 7-bit escape: 0x01 then the byte minus 128.
    TMemoryStream data;
    TrpPropWriter w(data);
    w.WritePropName("Datasets");
    const uint8_t collection = rvaCollection;
    data.WriteBuffer(&collection, 1);
    w.WriteListBegin();
    w.WritePropName("DataSetName");
    w.WriteString(std::string("\x01\x56\x01\x50" "1", 5));
    w.WriteListEnd();
    w.WriteListEnd();
    TTestReport report;
    TrpXMLSerializer s;
    s.ReadProps(&report, &report, "PropData=\"" + StreamToHex(data) + "\"");
    ASSERT_EQ(report.Datasets->Count(), 1);
    EXPECT_EQ(static_cast<TTestDataset*>(report.Datasets->Items(0))->DataSetName, "中1");
}

TEST(Serializer, BinaryRecords)
{
    // The bytes come back as they were, zeros and all; a record longer
    // than the data is a read error, and skipping one lands behind it.
    const std::string bytes("{\\rtf1 \0\xff}", 11);
    TMemoryStream data;
    TrpPropWriter w(data);
    w.WriteBinary(bytes);
    w.WriteInteger(7);
    data.Seek(0, soBeginning);
    TrpPropReader r(data);
    EXPECT_EQ(r.ReadBinary(), bytes);
    EXPECT_EQ(r.ReadInteger(), 7);
    data.Seek(0, soBeginning);
    r.SkipValue();
    EXPECT_EQ(r.ReadInteger(), 7);
    data.SetSize(8);
    data.Seek(0, soBeginning);
    EXPECT_THROW(r.ReadBinary(), EReadError);
    data.Seek(0, soBeginning);
    EXPECT_THROW(r.ReadString(), EReadError);
}

TEST_F(SerializerProps, OneObjectAsText)
{
    memo->SetName("Memo9");
    memo->HAlign = haRight;
    s.Owner = &report;
    const std::string text = s.ObjToXML(memo);
    EXPECT_EQ(text.substr(0, 10), "TTestMemo ");
    EXPECT_EQ(text.find(" Name=\""), std::string::npos);

    TComponent* copy = s.XMLToObj(&report, "  " + text + "  ");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(static_cast<TTestMemo*>(copy)->HAlign, haRight);
    EXPECT_EQ(static_cast<TTestMemo*>(copy)->loadedCount, 1);
    EXPECT_EQ(s.XMLToObj(&report, "   "), nullptr);
    EXPECT_THROW(s.XMLToObj(&report, "TNoSuchClass a=\"1\""), EClassNotFound);

    TStringStream out;
    TrpXMLSerializer streamWriter(&out);
    streamWriter.WriteObject(memo);
    EXPECT_EQ(out.DataString(), "<" + text + "/>");
}

TEST(Serializer, ComponentPaths)
{
    TComponent form;
    form.SetName("Form1");
    auto* query = new TComponent(&form);
    query->SetName("ADOQuery1");
    TComponent frame(&form);
    frame.SetName("Frame1");
    auto* inner = new TComponent(&frame);
    inner->SetName("Edit1");
    auto* report = new TTestReport(&form);
    report->SetName("Report1");
    auto* page = new TTestPage(report);
    page->SetName("Page1");

    EXPECT_EQ(GetFullName(report, page), "Page1");
    EXPECT_EQ(GetFullName(report, query), "ADOQuery1");  // the report's own form
    EXPECT_EQ(GetFullName(nullptr, query), "Form1.ADOQuery1");
    EXPECT_EQ(GetFullName(nullptr, inner), "Form1.Frame1.Edit1");
    EXPECT_EQ(GetFullName(report, nullptr), "");

    EXPECT_EQ(FindComponentByPath(report, "ADOQuery1"), query);
    EXPECT_EQ(FindComponentByPath(report, "Missing1"), nullptr);
    static TComponent* s_form = &form;
    SetFindGlobalComponent([](std::string_view name) -> TComponent* {
        if (name == "Boom") throw Exception("lookup failed");
        return SameText(name, "Form1") ? s_form : nullptr;
    });
    EXPECT_EQ(FindComponentByPath(nullptr, "Form1.ADOQuery1"), query);
    EXPECT_EQ(FindComponentByPath(nullptr, "Form1.Frame1.Edit1"), inner);
    EXPECT_EQ(FindComponentByPath(nullptr, "Form2.ADOQuery1"), nullptr);
    try {
        FindComponentByPath(nullptr, "Boom.X");
        FAIL();
    } catch (const EClassNotFound& e) {
        EXPECT_STREQ(e.what(), "Missing Boom.X");
    }
    SetFindGlobalComponent(nullptr);
}

TEST(Serializer, DeepTreesAreRefused)
{
    TrpXMLItem root;
    root.SetName("TTestReport");
    TrpXMLItem* at = &root;
    for (int i = 0; i < TrpXMLSerializer::kMaxDepth + 2; ++i) {
        at = at->Add();
        at->SetName("TTestPage");
        at->SetProp("Name", "P" + std::to_string(i));
    }
    TTestReport report;
    TrpXMLSerializer s;
    EXPECT_THROW(s.ReadRootComponent(&report, &root), TrpInvalidXMLException);
}
