// Every class of the model through report XML: one object of each, with
// every published value moved off its default, written, read into a new
// report and written again.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "ModelTestUtil.h"
#include "rpPicture.h"
#include "rpShapes.h"
#include "rpDiff.h"
#include "rpStyles.h"

using namespace model_test;

namespace {

// Moves every value property (nested objects included) off its default.
void mutate(TObject* object, int depth = 0)
{
    for (const TPropInfo* p : object->ClassType()->Properties()) {
        if (!p->IsWritable() && p->Kind() != pkObject) continue;
        try {
            switch (p->Kind()) {
            case pkEnumeration: {
                const int64_t count = p->PropType()->MaxValue() + 1;
                p->SetOrd(object, (p->GetOrd(object) + 1) % count);
                break;
            }
            case pkSet: p->SetOrd(object, p->GetOrd(object) ^ 1); break;
            case pkInteger:
                if (p->Name() != "Charset") p->SetOrd(object, p->GetOrd(object) + 3);
                break;
            case pkFloat: p->SetFloat(object, p->GetFloat(object) + 1.25L); break;
            case pkString:
                // An ancestor report would be loaded, a password asked for.
                if (p->Name() != "ParentReport" && p->Name() != "Password") p->SetStr(object, p->GetStr(object) + "x");
                break;
            case pkStrings:
                if (auto* list = dynamic_cast<TStrings*>(p->GetObject(object))) list->Add("line");
                break;
            case pkObject:
                if (TObject* nested = p->GetObject(object); nested && depth < 3) mutate(nested, depth + 1);
                break;
            default: break;
            }
        } catch (const Exception&) {
            // Values a setter refuses (a user name, a font name) stay.
        }
    }
}

TrpComponent* placeFor(const TClass* cls, Sample& s, TrpDialogPage* dialog)
{
    if (cls->InheritsFrom(TrpDialogControl::StaticClass())) return dialog;
    if (cls->InheritsFrom(TrpPage::StaticClass())) return s.report.get();
    if (cls->InheritsFrom(TrpBand::StaticClass())) return s.page;
    if (cls->InheritsFrom(TrpView::StaticClass())) return s.band;
    if (cls->InheritsFrom(TrpDialogComponent::StaticClass())) return s.data;
    return nullptr;
}

std::string readFile(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

TEST(ModelRoundTrip, EveryClassWithEveryValueChangedComesBackTheSame)
{
    // The report's dates and printer name are fixed for the golden file.
    SetClock([] { return TDateTime(46000.5); });
    struct Unpin {
        ~Unpin() { SetClock({}); }
    } unpin;
    Sample s;
    s.report->PrintOptions()->Printer = "Default";
    // Dialog controls sit on a dialog page of their own.
    auto* dialog = new TrpDialogPage(s.report.get());
    dialog->SetName("Dialog");
    int made = 0;
    for (const TClass* cls : RegisteredClasses()) {
        if (cls->IsAbstract() || !cls->InheritsFrom(TrpComponent::StaticClass())) continue;
        TrpComponent* place = placeFor(cls, s, dialog);
        if (!place) continue;
        auto* object = static_cast<TrpComponent*>(cls->Create(place));
        object->SetName(std::string("o") + std::to_string(++made));
        mutate(object);
    }
    mutate(s.report.get());
    EXPECT_GT(made, 35);
    const std::string first = saveXml(*s.report);

    // What the report keeps of its own over a loaded file is given to the
    // copy first.
    TrpReport copy;
    copy.EngineOptions()->CopyAll(*s.report->EngineOptions());
    copy.PreviewOptions()->Assign(s.report->PreviewOptions());
    copy.OldStyleProgress = s.report->OldStyleProgress;
    copy.ShowProgress = s.report->ShowProgress;
    copy.StoreInDFM = s.report->StoreInDFM;
    loadXml(copy, first);
    EXPECT_EQ(copy.Errors.Count(), 0) << (copy.Errors.Count() ? copy.Errors.Strings(0) : "");
    EXPECT_EQ(saveXml(copy), first);
    const std::string golden = readFile(std::string(REPORT_TEST_DATA) + "/golden_model.xml");
    EXPECT_EQ(first, golden) << "golden_model.xml differs";
    if (first != golden) std::ofstream(std::string(REPORT_TEST_DATA) + "/golden_model.actual.xml") << first;
}

TEST(ModelRoundTrip, FreshObjectsWriteOnlyValuesThatHaveNoDefault)
{
    // Floats are always written; everything else at its default is not.
    TrpXMLSerializer writer;
    TrpMemoView memo;
    EXPECT_EQ(writer.ObjToXML(&memo), "TrpMemoView Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\" CharSpacing=\"0\" "
                                      "GapX=\"2\" GapY=\"1\" LineSpacing=\"2\" ParagraphGap=\"0\"");
    TrpLineView line;
    EXPECT_EQ(writer.ObjToXML(&line), "TrpLineView Left=\"0\" Top=\"0\" Width=\"0\" Height=\"0\"");
    TrpPageFooter footer;
    EXPECT_EQ(writer.ObjToXML(&footer), "TrpPageFooter Height=\"0\" Left=\"0\" Top=\"0\" Width=\"0\"");
}

TEST(ModelRoundTrip, FrameLinesStoreOnlyWhatDiffersFromTheFrame)
{
    TrpMemoView memo;
    memo.Frame()->SetWidth(2);
    memo.Frame()->LeftLine()->SetWidth(3);
    memo.Frame()->SetColor(clRed);
    memo.Frame()->SetShadowWidth(4);
    TrpXMLSerializer writer;
    const std::string text = writer.WriteProps(&memo);
    EXPECT_NE(text.find("Frame.Color=\"255\" Frame.Width=\"2\" Frame.LeftLine.Width=\"3\""), std::string::npos)
        << text;
    EXPECT_EQ(text.find("TopLine"), std::string::npos);
    EXPECT_EQ(text.find("ShadowWidth"), std::string::npos);
    TrpMemoView back;
    writer.ReadProps(nullptr, &back, text);
    EXPECT_TRUE(*back.Frame() == *memo.Frame());
    EXPECT_EQ(back.Frame()->TopLine()->Width(), 2);
}

TEST(ModelRoundTrip, WideStringListsReadTheirStoredForms)
{
    // "UTF8": lines as UTF-8 strings; "Strings": the old form.
    TMemoryStream data;
    TrpPropWriter w(data);
    w.WritePropName("Memo.UTF8");
    w.WriteListBegin();
    w.WriteString("订单号");
    w.WriteString("客户");
    w.WriteListEnd();
    TrpMemoView memo;
    data.SetPosition(0);
    TrpPropReader r(data);
    r.ReadProperty(&memo);
    EXPECT_EQ(memo.Text(), u"订单号\r\n客户\r\n");

    TMemoryStream old;
    TrpPropWriter w2(old);
    w2.WritePropName("Memo.Strings");
    w2.WriteListBegin();
    w2.WriteString("a");
    w2.WriteListEnd();
    old.SetPosition(0);
    TrpPropReader r2(old);
    r2.ReadProperty(&memo);
    EXPECT_EQ(memo.Text(), u"a\r\n");

    // Written back as "UTF8", read back identical.
    TMemoryStream again;
    TrpPropWriter w3(again);
    memo.SetText(u"第一行\r\n");
    WriteWideStringsData(w3, "Memo", *memo.Memo());
    again.SetPosition(0);
    TrpMemoView copy;
    TrpPropReader r3(again);
    r3.ReadProperty(&copy);
    EXPECT_EQ(copy.Text(), u"第一行\r\n");
}

TEST(ModelDiffText, NumbersReadAsFloatToStrWritesThem)
{
    std::vector<Extended> values = {0,       -0.0L,    1,        -1,       0.0001L,  0.00012L, 0.000123456789L,
                                    0.1L + 0.2L, 47.8L, 94.48825L, 1122.52L, 3.77953L * 7, 9999999.99999999L,
                                    1e7L,    123456789.5L, 1e15L, 1e-5L,  -718.1107L, 2.5L, 1.0L / 3, 2.0L / 3};
    uint64_t seed = 42;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        const int digits = static_cast<int>(seed >> 61);  // 0..7 decimals
        const Extended v = static_cast<Extended>(static_cast<int64_t>(seed >> 33) % 2000000000 - 1000000000) /
                           std::pow(10.0L, digits + 2);
        values.push_back(v);
        values.push_back(v * 3.77953L);
    }
    for (Extended v : values) {
        std::string fast;
        rpAppendFloatText(fast, v);
        ASSERT_EQ(fast, FloatToStr(v)) << static_cast<double>(v);
    }
}
