// The program's two reports as stored: they load without errors, hold the
// objects of their layouts, and go through save and load unchanged.
#include <gtest/gtest.h>

#include "CodePages.h"
#include "ObjectTestUtil.h"
#include "StringLists.h"
#include "rpBands.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpShapes.h"
#include "rpTemplates.h"

using namespace object_test;

namespace {

std::string save(TrpReport& report)
{
    TStringStream out;
    report.SaveToStream(out);
    return out.DataString();
}

struct Placed {
    const char* name;
    Extended left, top, width, height;
};

void expectPlaced(TrpReport& r, const Placed& p)
{
    TrpComponent* c = r.FindObject(p.name);
    ASSERT_NE(c, nullptr) << p.name;
    EXPECT_NEAR(c->Left(), p.left, 1e-9) << p.name;
    EXPECT_NEAR(c->Top(), p.top, 1e-9) << p.name;
    EXPECT_NEAR(c->Width(), p.width, 1e-9) << p.name;
    EXPECT_NEAR(c->Height(), p.height, 1e-9) << p.name;
}

struct Text {
    const char* name;
    const char16_t* text;
    const char* font;
    int height;
    bool bold;
    TrpHAlign align;
};

void expectText(TrpReport& r, const Text& t)
{
    auto* m = dynamic_cast<TrpMemoView*>(r.FindObject(t.name));
    ASSERT_NE(m, nullptr) << t.name;
    EXPECT_EQ(Utf16ToUtf8(m->Text()), Utf16ToUtf8(std::u16string(t.text) + (*t.text ? u"\r\n" : u""))) << t.name;
    EXPECT_EQ(m->Font()->Name(), t.font) << t.name;
    EXPECT_EQ(m->Font()->Height(), t.height) << t.name;
    EXPECT_EQ(m->Font()->Style().Contains(fsBold), t.bold) << t.name;
    EXPECT_EQ(m->HAlign, t.align) << t.name;
}

}  // namespace

TEST(Templates, OrderSheetHoldsItsLayout)
{
    Window w;
    TrpReport& r = *w.rpReport1;
    ASSERT_TRUE(LoadReportTemplate(r, rpOrderSheetTemplate));
    EXPECT_EQ(r.Errors.Text(), "");
    ASSERT_EQ(r.PagesCount(), 2);
    EXPECT_EQ(r.Pages(0)->Name(), "Data");
    EXPECT_NE(dynamic_cast<TrpDataPage*>(r.Pages(0)), nullptr);
    auto* page = dynamic_cast<TrpReportPage*>(r.Pages(1));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->PaperSize(), 9);
    for (Extended m : {page->LeftMargin, page->RightMargin, page->TopMargin, page->BottomMargin}) EXPECT_EQ(m, 10);
    EXPECT_EQ(page->Font()->Name(), "Arial");
    EXPECT_EQ(page->Font()->Height(), -13);

    struct Band {
        const char* name;
        int kind;
        Extended top, height;
        TrpDBDataset* dataset;
    };
    for (const Band& b : {Band{"PageHeader1", 2, 18.90L, 56.69L, nullptr},
                          Band{"MasterData1", 6, 136.06L, 98.28L, w.rpDBDataset1},
                          Band{"DetailData1", 7, 257.01L, 30.46L, w.rpDBDataset2},
                          Band{"ReportSummary1", 1, 347.72L, 207.05L, nullptr}}) {
        auto* band = dynamic_cast<TrpBand*>(r.FindObject(b.name));
        ASSERT_NE(band, nullptr) << b.name;
        EXPECT_EQ(band->KindNumber(), b.kind) << b.name;
        EXPECT_NEAR(band->Top(), b.top, 1e-9) << b.name;
        EXPECT_NEAR(band->Height(), b.height, 1e-9) << b.name;
        EXPECT_NEAR(band->Width(), 718.11L, 1e-9) << b.name;
        if (auto* data = dynamic_cast<TrpDataBand*>(band)) {
            EXPECT_EQ(data->DataSet(), b.dataset) << b.name;
        }
    }
    EXPECT_TRUE(dynamic_cast<TrpDataBand*>(r.FindObject("MasterData1"))->PrintIfDetailEmpty);
    EXPECT_EQ(dynamic_cast<TrpBand*>(r.FindObject("ReportSummary1"))->OnBeforePrint, "ReportSummary1OnBeforePrint");

    // The title spans the band, so that a long company name stays on its
    // lines; everything else stands where the layout puts it.
    for (const Placed& p : {Placed{"Memo1", 0, 3.78L, 718.11L, 49.13L}, Placed{"Memo3", 86.93L, 5.57L, 154.96L, 18.90L},
                            Placed{"Shape1", 0, 30.25L, 718.11L, 34.02L}, Placed{"Line1", 79.37L, 30.25L, 0, 34.02L},
                            Placed{"Shape5", 0.56L, 0, 718.11L, 30.24L}, Placed{"Memo27", -81.44L, 43.34L, 45.35L, 18.90L},
                            Placed{"Line16", 1, 33.28L, 717.22L, 0}, Placed{"Memo23", 7, 182.28L, 702, 21}})
        expectPlaced(r, p);
    for (const Text& t : {Text{"Memo1", u"发货单", "黑体", -35, true, haCenter},
                          Text{"Memo3", u"[rpDBDataset1.\"bh\"]", "Arial", -12, false, haCenter},
                          Text{"Memo4", u"开单日期：[rpDBDataset1.\"kssj\"]", "Arial", -13, false, haLeft},
                          Text{"Memo6", u"客户名称", "Arial", -13, true, haCenter},
                          Text{"Memo16", u"备注", "宋体", -13, true, haCenter},
                          Text{"Memo22", u"[<rpDBDataset2.\"dj\">*<rpDBDataset2.\"sl\">]", "Arial", -13, false, haCenter},
                          Text{"Memo25", u"[rpDBDataset1.\"fjje\"]", "Arial", -13, false, haRight},
                          Text{"Memo5", u"", "Arial", -16, false, haLeft}})
        expectText(r, t);
    EXPECT_TRUE(dynamic_cast<TrpMemoView*>(r.FindObject("Memo4"))->ParentFont());

    // Texts grow with their bands; numbers keep to one line.
    for (const char* name : {"PageHeader1", "DetailData1", "ReportSummary1"})
        EXPECT_TRUE(dynamic_cast<TrpBand*>(r.FindObject(name))->Stretched) << name;
    EXPECT_FALSE(dynamic_cast<TrpBand*>(r.FindObject("MasterData1"))->Stretched);
    for (const char* name : {"Memo1", "Memo17", "Memo18", "Memo19", "Memo24", "Memo7", "Memo29", "Memo23"})
        EXPECT_EQ(dynamic_cast<TrpMemoView*>(r.FindObject(name))->StretchMode(), smActualHeight) << name;
    for (const char* name : {"Memo20", "Memo21", "Memo22", "Memo25", "Memo28", "Memo5", "Memo30"})
        EXPECT_FALSE(dynamic_cast<TrpMemoView*>(r.FindObject(name))->WordWrap) << name;
    expectPlaced(r, Placed{"Memo30", 3.78L, 5, 52.91L, 18.90L});
    expectText(r, Text{"Memo30", u"[Line#]", "Arial", -13, false, haCenter});

    ASSERT_EQ(r.DataSets()->Count(), 2);
    EXPECT_EQ(r.DataSets()->Items(0)->DataSet(), w.rpDBDataset1);
    EXPECT_EQ(r.DataSets()->Items(1)->DataSet(), w.rpDBDataset2);
    EXPECT_EQ(r.Variables()->Count(), 0);
    EXPECT_EQ(r.ScriptLanguage, "PascalScript");
    EXPECT_EQ(r.PrintOptions()->Printer, "Default");
    EXPECT_EQ(r.PreviewOptions()->Buttons.Bits(), rpDefaultPreviewButtons);
    EXPECT_EQ(r.ScriptText()->Strings(0), "procedure ReportSummary1OnBeforePrint(Sender: TrpComponent);");
    EXPECT_NE(r.ScriptText()->Text().find("floattostr(strtofloat(<rpDBDataset1.\"fjje\">) + "
                                          "strtofloat(<rpDBDataset1.\"je\">))"),
              std::string::npos);
    // Every handler the objects name is in the script.
    for (const char* handler : {"Memo3OnAfterData", "Memo8OnAfterData", "Memo25OnAfterData", "Memo5OnAfterData",
                                "PageHeader1OnAfterCalcHeight", "DetailData1OnAfterCalcHeight",
                                "ReportSummary1OnAfterCalcHeight"})
        EXPECT_NE(r.ScriptText()->Text().find(std::string("procedure ") + handler + "(Sender: TrpComponent);"),
                  std::string::npos)
            << handler;
}

TEST(Templates, WaybillHoldsItsLayout)
{
    Window w;
    TrpReport& r = *w.rpReport2;
    ASSERT_TRUE(LoadReportTemplate(r, rpWaybillTemplate));
    EXPECT_EQ(r.Errors.Text(), "");
    auto* page = dynamic_cast<TrpReportPage*>(r.Pages(1));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->PaperSize(), 256);
    EXPECT_EQ(page->PaperWidth(), 232);
    EXPECT_EQ(page->PaperHeight(), 127);
    EXPECT_EQ(page->Font()->Height(), -16);
    const struct {
        const char16_t* text;
        Extended width;
    } memos[] = {{u"[rpDBDataset4.\"lxr\"]", 166.49L},  {u"[rpDBDataset4.\"khmc\"]", 218.49L},
                 {u"[rpDBDataset4.\"dz\"]", 257.49L},   {u"[rpDBDataset4.\"lxdh\"]", 268.49L},
                 {u"[rpDBDataset3.\"lxr\"]", 316.49L},  {u"[rpDBDataset3.\"khmc\"]", 358.49L},
                 {u"[rpDBDataset3.\"khdz\"]", 359.49L}, {u"[rpDBDataset3.\"lxdh\"]", 310.49L}};
    ASSERT_EQ(page->Objects().size(), std::size(memos));
    for (size_t i = 0; i < std::size(memos); ++i) {
        auto* m = dynamic_cast<TrpMemoView*>(page->Objects()[i]);
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(m->Name(), "Memo" + std::to_string(i + 1));
        EXPECT_EQ(m->Text(), std::u16string(memos[i].text) + u"\r\n");
        EXPECT_NEAR(m->Width(), memos[i].width, 1e-9);
        EXPECT_NEAR(m->Height(), 18.90L, 1e-9);
        EXPECT_EQ(m->Font()->Height(), -16);
        EXPECT_EQ(m->StretchMode(), smDontStretch);
        EXPECT_EQ(m->OnAfterData, m->Name() + "OnAfterData");
    }
    ASSERT_EQ(r.DataSets()->Count(), 2);
    EXPECT_EQ(r.DataSets()->Items(0)->DataSet(), w.rpDBDataset3);
    EXPECT_EQ(r.DataSets()->Items(1)->DataSet(), w.rpDBDataset4);
    EXPECT_EQ(r.PrintOptions()->Printer, "预设");
    EXPECT_NE(r.ScriptText()->Text().find("procedure FitBox(M: TrpMemoView);"), std::string::npos);
    EXPECT_EQ(r.ScriptText()->Strings(r.ScriptText()->Count() - 1), "end.");
}

TEST(Templates, SaveLoadSaveIsByteIdentical)
{
    for (std::string_view name : {rpOrderSheetTemplate, rpWaybillTemplate}) {
        Window w;
        ASSERT_TRUE(LoadReportTemplate(*w.rpReport1, name));
        const std::string first = save(*w.rpReport1);
        TStringStream in(first);
        w.rpReport2->LoadFromStream(in);
        EXPECT_EQ(w.rpReport2->Errors.Text(), "") << name;
        EXPECT_EQ(save(*w.rpReport2), first) << name;
        // Chinese text and the script come back as they were.
        EXPECT_EQ(w.rpReport2->ScriptText()->Text(), w.rpReport1->ScriptText()->Text());
        EXPECT_EQ(w.rpReport2->PrintOptions()->Printer, w.rpReport1->PrintOptions()->Printer);
        EXPECT_EQ(w.rpReport2->DataSets()->Count(), 2);
    }
}

TEST(Templates, UnknownNameLoadsNothing)
{
    TrpReport r;
    EXPECT_FALSE(LoadReportTemplate(r, "NoSuchReport"));
}
