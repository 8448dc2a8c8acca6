// Report scripts reaching the report through its classes: variables by the
// default property, date parts, memo text by font character set, anchors
// and outline, loading a missing file, wide string lists, the preview
// buttons, IIF and the aggregates before and inside a preparation, object
// lists and freed objects, Calc and stopping, datasets, and the order
// sheet's summary script.
#include <gtest/gtest.h>

#include "rpRes.h"

#include <QImage>

#include "CodePages.h"
#include "Exceptions.h"
#include "Pictures.h"
#include "engine/PreparedTestUtil.h"
#include "object/ObjectTestUtil.h"
#include "rpBands.h"
#include "rpClassRTTI.h"
#include "rpDataSets.h"
#include "rpMemo.h"
#include "rpPages.h"
#include "rpPicture.h"
#include "rpStyles.h"
#include "rpReport.h"
#include "rpTemplates.h"
#include "rpVariables.h"
#include "sc_classes.h"
#include "sc_interpreter.h"

namespace {

// ShowMessage texts, each followed by "|".
class Messages final : public TscScriptUi {
public:
    Messages() { scSetScriptUi(this); }
    ~Messages() override { scSetScriptUi(nullptr); }
    void ShowMessage(const std::string& text) override { lines += text + "|"; }
    std::string take() { return std::exchange(lines, std::string()); }
    std::string lines;
};

// Runs a text as the report's own script: what it showed, "error: ..." when
// it does not compile, or the escaping exception's class and message.
std::string runAs(TrpReport& report, const std::string& text, Messages& ui)
{
    report.ScriptText()->SetText(text);
    if (!report.PrepareScript()) return "error: " + report.Script()->ErrorPos + ": " + report.Script()->ErrorMsg;
    try {
        report.Script()->Execute();
    } catch (const std::exception& e) {
        return ui.take() + ExceptionClassName(e) + ": " + e.what();
    }
    return ui.take();
}

// A report with one page, two bands and two memos.
struct SmallReport {
    TrpReport report;
    TrpReportPage* page = new TrpReportPage(&report);
    TrpMasterData* band = new TrpMasterData(page);
    TrpReportSummary* summary = new TrpReportSummary(page);
    TrpMemoView* memo1 = new TrpMemoView(band);
    TrpMemoView* memo2 = new TrpMemoView(band);
    Messages ui;

    SmallReport()
    {
        page->SetName("Page1");
        band->SetName("MasterData1");
        band->SetBounds(0, 40, 700, 30);
        summary->SetName("ReportSummary1");
        summary->SetBounds(0, 100, 700, 30);
        memo1->SetName("Memo1");
        memo1->SetBounds(10, 5, 100, 20);
        memo2->SetName("Memo2");
        memo2->SetBounds(120, 5, 100, 20);
    }
    std::string run(const std::string& text) { return runAs(report, text, ui); }
};

}  // namespace

TEST(ReportScripts, VariablesThroughTheDefaultProperty)
{
    SmallReport r;
    EXPECT_EQ(r.run("begin"
                    "  ShowMessage(IntToStr(VarType(Report.Variables['nobody'])));"
                    "  Report.Variables['nobody'] := 5;"
                    "  ShowMessage(VarToStr(Report.Variables['NOBODY'] + 1));"
                    "  rpGlobalVariables['shared'] := 'g';"
                    "end."),
              "0|6|");
    EXPECT_EQ(r.report.Variables()->Get("nobody"), Variant(5));
    EXPECT_EQ(GlobalVariables().Get("shared"), Variant("g"));
    GlobalVariables().Clear();
    // An array is keyed by any value's text.
    EXPECT_EQ(r.run("var A: TrpArray;"
                    "begin A := TrpArray.Create; A[1] := 'one'; ShowMessage(A['1'] + IntToStr(A.Count)); A.Free end."),
              "one1|");
}

TEST(ReportScripts, ConstantsAndDateParts)
{
    SmallReport r;
    EXPECT_EQ(r.run("begin"
                    "  ShowMessage(IntToStr(DayOf(EncodeDate(2024, 3, 7))) + ' ' + IntToStr(MonthOf(EncodeDate(2024, 3, 7)))"
                    "    + ' ' + IntToStr(YearOf(EncodeDate(2024, 3, 7))));"
                    "  ShowMessage(FloatToStr(rp01cm) + ' ' + FloatToStr(rp1cm) + ' ' + FloatToStr(rp01in) + ' '"
                    "    + FloatToStr(rp1in) + ' ' + FloatToStr(rp1CharX) + ' ' + FloatToStr(rp1CharY));"
                    "  ShowMessage(IntToStr(clTransparent) + ' ' + IntToStr(crHand) + ' ' + IntToStr(crFormat));"
                    "end."),
              "7 3 2024|3.77953 37.7953 9.6 96 9.6 17|536870911 150 152|");
}

TEST(ReportScripts, MemoTextByTheFontsCharacterSet)
{
    SmallReport r;
    r.memo1->Font()->SetCharset(134);
    // 合计 in code page 936: text from an old file, not UTF-8.
    r.report.Script()->AddVariable("Gbk", "String", Variant(std::string("\xBA\xCF\xBC\xC6")));
    EXPECT_EQ(r.run("begin Memo1.Text := Gbk; Memo2.Text := Gbk end."), "");
    EXPECT_EQ(r.memo1->Text(), u"合计\r\n") << "read in the charset's code page";
    EXPECT_EQ(r.memo2->Text(), VarToWideStr(Variant(std::string("\xBA\xCF\xBC\xC6"))) + u"\r\n")
        << "the default charset widens as a Variant does";
    // UTF-8 text stays itself whatever the character set.
    EXPECT_EQ(r.run("begin Memo1.Text := '合计' + #13#10 + '第二行'; Memo2.AnsiText := '发货';"
                    " ShowMessage(Memo1.Lines[1] + IntToStr(Memo1.Lines.Count) + Memo2.AnsiText) end."),
              "第二行2发货\r\n|");
    EXPECT_EQ(r.memo1->Text(), u"合计\r\n第二行\r\n");
    EXPECT_EQ(r.run("begin Memo2.Lines := Memo1.Lines; ShowMessage(Memo2.Text) end."), "合计\r\n第二行\r\n|");
}

TEST(ReportScripts, AnchorsAndTheOutlineAtTheEnginesPosition)
{
    prepared_test::Sheet s;
    s.fill(3, 1);
    TrpPreviewPages& pages = s.pages();
    pages.CurPage = 1;
    s.engine.curY = 40;
    s.report->Engine()->CurY = 123.6L;
    Messages ui;
    EXPECT_EQ(runAs(*s.report,
                    "begin Engine.AddAnchor('Total'); ShowMessage(IntToStr(Engine.GetAnchorPage('TOTAL')));"
                    " Outline.AddItem('第一章'); ShowMessage(FloatToStr(Engine.CurY)) end.",
                    ui),
              "2|123.6|");
    std::string text;
    int page = -1, top = -1;
    pages.Outline()->LevelRoot();
    pages.Outline()->GetItem(0, text, page, top);
    EXPECT_EQ(text, "第一章");
    EXPECT_EQ(page, 1);
    EXPECT_EQ(top, 124) << "the engine's CurY rounded";
}

TEST(ReportScripts, LoadingAMissingFileClearsAndFreesTheObjects)
{
    SmallReport r;
    EXPECT_EQ(r.run("begin"
                    "  ShowMessage(VarToStr(Report.LoadFromFile('/nonexistent/report.xml')));"
                    "  ShowMessage(IntToStr(Report.Objects.Count));"
                    "  ShowMessage(Memo1.Name);"
                    "end."),
              "False|0|EObjectReferenceError: Invalid object reference");
    EXPECT_EQ(r.report.PagesCount(), 0);
}

TEST(ReportScripts, WideStringsInsertWithoutLosingALine)
{
    SmallReport r;
    EXPECT_EQ(r.run("var L: TWideStrings;"
                    "begin"
                    "  L := TWideStrings.Create;"
                    "  L.Add('a'); L.Add('b');"
                    "  L.Insert(0, 'first'); L.Insert(L.Count, 'last'); L.Insert(2, '中');"
                    "  ShowMessage(L.Text + IntToStr(L.IndexOf('b')));"
                    "  L[1] := 'A'; L.Delete(0);"
                    "  ShowMessage(L.Strings[0] + L[3] + IntToStr(L.Count));"
                    "  try L.Insert(5, 'x') except ShowMessage(ExceptionMessage) end;"
                    "  try L.Insert(-1, 'x') except ShowMessage(ExceptionMessage) end;"
                    "  L.Free;"
                    "end."),
              "first\r\na\r\n中\r\nb\r\nlast\r\n3|Alast4|Wide String Out of Bounds|Wide String Out of Bounds|");
}

TEST(ReportScripts, PreviewButtonNamesSetTheBitsThePreviewReads)
{
    SmallReport r;
    EXPECT_EQ(r.run("begin"
                    "  Report.PreviewOptions.Buttons := [pbEdit, pbNoEmail];"
                    "  ShowMessage(IntToStr(Report.PreviewOptions.Buttons));"
                    "end."),
              "16896|");
    EXPECT_EQ(r.report.PreviewOptions()->Buttons, TrpPreviewButtons({pbEdit, pbNoEmail}));
    // The older names: pbTree is the outline button, pbRefresh sets nothing.
    EXPECT_EQ(r.run("begin Report.PreviewOptions.Buttons := [pbTree, pbRefresh] end."), "");
    EXPECT_EQ(r.report.PreviewOptions()->Buttons, TrpPreviewButtons({pbOutline}));
}

TEST(ReportScripts, IIFAndAggregatesAreTheReportsOnlyInsideAPreparation)
{
    // A script with every module but no report: the module's entries answer 0.
    Messages ui;
    TscScript plain;
    plain.AddRTTI();
    plain.Lines = {"begin ShowMessage(VarToStr(IIF(True, 1, 2)) + VarToStr(SUM(5)) + VarToStr(COUNT)) end."};
    ASSERT_TRUE(plain.Compile()) << plain.ErrorMsg;
    plain.Execute();
    EXPECT_EQ(ui.take(), "000|");
    // The report's script: its own IIF evaluates the branch taken, and its
    // aggregates ask the engine (which has no values here: Null).
    SmallReport r;
    EXPECT_EQ(r.run("begin"
                    "  ShowMessage(VarToStr(IIF(2 > 1, 'yes', 1 div 0)));"
                    "  ShowMessage(IntToStr(VarType(SUM(5))));"
                    "end."),
              "yes|1|");
    EXPECT_EQ(r.report.Calc("IIF(1 = 2, 'a', 'b')"), Variant("b"));
}

TEST(ReportScripts, ObjectListsParentsAndFreedObjects)
{
    SmallReport r;
    EXPECT_EQ(r.run("var L: TList;"
                    "begin"
                    "  L := MasterData1.Objects;"
                    "  ShowMessage(IntToStr(L.Count) + ' ' + IntToStr(Page1.Objects.Count) + ' '"
                    "    + IntToStr(Report.AllObjects.Count));"
                    "  ShowMessage(Report.FindObject('memo2').Parent.Name + ' ' + Memo2.Page.Name + ' '"
                    "    + FloatToStr(Memo2.AbsLeft) + ',' + FloatToStr(Memo2.AbsTop));"
                    "  ShowMessage(VarToStr(Report.FindObject('nosuch') = nil));"
                    "  Memo2.Parent := ReportSummary1;"
                    "  Memo2.SetBounds(1, 2, 30, 40);"
                    "  Memo2.TagStr := '[Page#]';"
                    "  ShowMessage(IntToStr(L.Count) + ' ' + IntToStr(MasterData1.Objects.Count) + ' '"
                    "    + IntToStr(ReportSummary1.Objects.Count));"
                    "  Memo1.Free;"
                    "  ShowMessage(IntToStr(MasterData1.Objects.Count));"
                    "  ShowMessage(Memo1.Name);"
                    "end."),
              "2 2 5|MasterData1 Page1 120,45|True|2 1 1|0|EObjectReferenceError: Invalid object reference");
    EXPECT_EQ(r.memo2->Parent(), r.summary);
    EXPECT_EQ(r.memo2->Top(), 2);
    EXPECT_EQ(r.memo2->Height(), 40);
    EXPECT_EQ(r.memo2->TagStr, "[Page#]");
    EXPECT_EQ(r.report.FindObject("Memo1"), nullptr);
    // The lists belong to the report's script: Free refuses them.
    EXPECT_EQ(r.run("begin Page1.Objects.Free end."),
              "EInvalidOperation: Cannot free the TList: another object owns it");
}

TEST(ReportScripts, ClassNameOnAClassItselfAndOnNil)
{
    SmallReport r;
    // Every class answers, whichever module registered it and in any language.
    EXPECT_EQ(r.run("begin ShowMessage(TJPEGImage.ClassName + ' ' + TPNGObject.ClassName + ' ' + TStringList.ClassName"
                    " + ' ' + TrpMemoView.ClassName + ' ' + TObject.ClassName + ' ' + Memo1.ClassName) end."),
              "TJPEGImage TPNGObject TStringList TrpMemoView TObject TrpMemoView|");
    EXPECT_EQ(r.run("var j: TJPEGImage; begin j := TJPEGImage.Create; ShowMessage(j.ClassName); j.Free end."),
              "TJPEGImage|");
    // A variable holding nil names no class.
    EXPECT_EQ(r.run("var j: TJPEGImage; begin j := nil; ShowMessage(j.ClassName) end."),
              "EObjectReferenceError: Invalid object reference");
    r.report.ScriptLanguage = "JScript";
    EXPECT_EQ(r.run("ShowMessage(TJPEGImage.ClassName);"), "TJPEGImage|");
}

TEST(ReportScripts, CalcAndStopping)
{
    SmallReport r;
    EXPECT_EQ(r.run("begin"
                    "  ShowMessage(VarToStr(Report.Calc('2 * 21')));"
                    "  try Report.Calc('1 +') except ShowMessage(ExceptionMessage) end;"
                    "  Engine.StopReport;"
                    "  ShowMessage('not reached');"
                    "end."),
              "42|Error in Calc expression: " + GetResources().Get("clExprError") + " '1 +': Expression expected|")
        << "stopping the report stops its script too";
    EXPECT_TRUE(r.report.Terminated);
    EXPECT_EQ(r.report.Errors.Count(), 0) << "a script's Calc lists nothing";
}

TEST(ReportScripts, WithoutTheClassesModuleTheWideStringListIsLeftOut)
{
    TscScript bare;
    TrpClassRTTI module(&bare);
    EXPECT_EQ(bare.FindClass("TWideStrings"), nullptr);
    EXPECT_NE(bare.FindClass("TrpMemoView"), nullptr);
    EXPECT_NE(bare.FindClass("TrpOutline"), nullptr);
}

TEST(ReportScripts, DatasetsWalkedByAScript)
{
    object_test::Window w;
    TrpReport& report = *w.rpReport1;
    ASSERT_TRUE(LoadReportTemplate(report, rpOrderSheetTemplate));
    w.ADOQuery1.setSql("select * from zq_dd order by id");
    w.ADOQuery1.open();
    report.DataSets()->Initialize();
    Messages ui;
    EXPECT_EQ(runAs(report,
                    "var D: TrpDataSet; L: TStringList;"
                    "begin"
                    "  D := Report.GetDataset('rpDBDataset1');"
                    "  D.Open; D.First;"
                    "  while not D.Eof do begin ShowMessage(D.Value['khmc'] + ' ' + D.DisplayText['je']); D.Next end;"
                    "  ShowMessage(IntToStr(D.RecordCount) + ' ' + IntToStr(D.RecNo) + ' ' + VarToStr(D.HasField('FJJE'))"
                    "    + ' ' + IntToStr(D.FieldType['je']));"
                    "  L := TStringList.Create; D.GetFieldList(L);"
                    "  ShowMessage(IntToStr(L.IndexOf('bh')) + ' ' + IntToStr(D.FieldsCount));"
                    "  L.Free;"
                    "  ShowMessage(VarToStr(Report.GetDataset('nosuch') = nil));"
                    "end.",
                    ui),
              "华南贸易有限公司 42.50|北方五金 80|2 2 True 1|1 17|True|");
    report.DataSets()->Finalize();
}

TEST(ReportScripts, OrderSheetSummaryWritesTheTotal)
{
    object_test::Window w;
    w.db.execute("update zq_dd set je = '100' where bh = ?", {db::Value(std::string(object_test::kFirstOrder))});
    TrpReport& report = *w.rpReport1;
    ASSERT_TRUE(LoadReportTemplate(report, rpOrderSheetTemplate));
    ASSERT_TRUE(report.PrepareScript()) << report.Script()->ErrorMsg;
    auto* summary = report.FindObject("ReportSummary1");
    auto* memo5 = dynamic_cast<TrpMemoView*>(report.FindObject("Memo5"));
    ASSERT_NE(memo5, nullptr);
    const auto printSummary = [&](const char* bh) {
        w.selectOrder(bh);
        report.DataSets()->Initialize();
        w.rpDBDataset1->Open();
        w.rpDBDataset1->First();
        report.Script()->CallFunction("ReportSummary1OnBeforePrint", VarArrayOf({ObjectToVariant(summary)}));
        report.DataSets()->Finalize();
        return Utf16ToUtf8(memo5->Text());
    };
    EXPECT_EQ(printSummary(object_test::kFirstOrder), "105\r\n") << "fjje 5 and je 100";
    EXPECT_EQ(printSummary(object_test::kEmptyOrder), "80\r\n") << "no extra charge: the amount alone";
}

TEST(ReportScripts, StylesPicturesAndDialogResults)
{
    SmallReport r;
    auto* picture = new TrpPictureView(r.band);
    picture->SetName("Picture1");
    auto* dialog = new TrpDialogPage(&r.report);
    dialog->SetName("DialogPage1");
    const std::string png = (std::filesystem::temp_directory_path() / ("rtti_" + std::to_string(::getpid()) + ".png")).string();
    QImage image(7, 5, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString(png)));
    r.report.Script()->AddVariable("Png", "String", Variant(png));
    EXPECT_EQ(r.run("var S: TrpStyles; L: TStringList; M: TMemoryStream;"
                    "begin"
                    "  Report.Styles.Add.Name := '标题';"
                    "  Report.Styles.Add.Name := 'Body';"
                    "  Report.Styles[1].Color := clRed;"
                    "  ShowMessage(IntToStr(Report.Styles.Find('BODY').Color) + ' ' + BoolToStr(Report.Styles.Find('x') = nil));"
                    "  M := TMemoryStream.Create; Report.Styles.SaveToStream(M); M.Position := 0;"
                    "  S := TrpStyles.Create(Report); S.LoadFromStream(M);"
                    "  L := TStringList.Create; S.GetList(L); ShowMessage(L.CommaText);"
                    "  L.Free; M.Free; S.Free;"
                    "  Picture1.LoadFromFile(Png);"
                    "  try Picture1.LoadFromFile(Png + '.missing') except ShowMessage('missing') end;"
                    "  DialogPage1.ModalResult := mrOk;"
                    "  ShowMessage(IntToStr(DialogPage1.ModalResult));"
                    "end."),
              "255 -1|标题,Body|missing|1|");
    std::filesystem::remove(png);
    ASSERT_NE(picture->Graphic(), nullptr);
    EXPECT_EQ(picture->Graphic()->Width(), 7);
    EXPECT_EQ(dialog->ModalResult(), 1);
}

TEST(ReportScripts, ADatasetsEndDecidedByAScriptHandler)
{
    // The dataset's var-Boolean event shares its signature with a form's
    // OnCloseQuery: both carry the one name scripts attach handlers by.
    EXPECT_EQ(GetPropInfo(TrpDataSet::StaticClass(), "OnCheckEOF")->PropType()->Name(), "TCloseQueryEvent");
    EXPECT_EQ(GetPropInfo(GetClass("TForm"), "OnCloseQuery")->PropType()->Name(), "TCloseQueryEvent");

    SmallReport r;
    auto* data = new TrpUserDataSet(&r.report);
    data->SetName("Rows");
    data->RangeEnd = reCount;
    data->RangeEndCount = 10;
    EXPECT_EQ(r.run("procedure StopAtThree(Sender: TObject; var Eof: Boolean);"
                    "begin if TrpDataSet(Sender).RecNo >= 3 then Eof := True end;"
                    "var n: Integer;"
                    "begin"
                    "  Rows.OnCheckEOF := 'StopAtThree';"
                    "  Rows.First; n := 0;"
                    "  while not Rows.Eof do begin n := n + 1; Rows.Next end;"
                    "  ShowMessage(IntToStr(n));"
                    "end."),
              "3|");
}
