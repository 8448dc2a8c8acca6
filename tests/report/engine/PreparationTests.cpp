// Preparing a report as a whole: the one error box, what the reload after
// a preparation undoes and what it keeps, the end of a run whatever ends
// it, progress and the message loop, cancelling, the dataset conflicts,
// the dialog step and the page instances.
#include <gtest/gtest.h>

#include <filesystem>

#include "EngineTestUtil.h"
#include "PreparedTestUtil.h"
#include "ScriptedUiServices.h"
#include "Watchdog.h"
#include "rpCustomPreview.h"
#include "rpDialogControls.h"
#include "rpProgress.h"
#include "rpRes.h"
#include "rpUtilsStreams.h"
#include "sc_interpreter.h"

using namespace engine_test;

namespace {

// Rows of its own, counting how often the run set it up and let it go.
class CountingDataSet : public TrpUserDataSet {
public:
    explicit CountingDataSet(TComponent* owner, const std::string& name, int rows) : TrpUserDataSet(owner)
    {
        SetName(name);
        RangeEnd = reCount;
        RangeEndCount = rows;
    }
    void Initialize() override { ++initialized; }
    void Finalize() override { ++finalized; }
    int initialized = 0;
    int finalized = 0;
};

struct FakePreview : TrpCustomPreview {
    std::vector<std::string> calls;
    void Init() override {}
    void Lock() override {}
    void Unlock() override {}
    void RefreshReport() override {}
    void ProgressStart() override { calls.push_back("start"); }
    void Progress(int pageIndex) override { calls.push_back(std::to_string(pageIndex)); }
    void ProgressStop() override { calls.push_back("stop"); }
};

// A sheet of `rows` rows of 20 units, 17 to a page.
struct RowsSheet : Sheet {
    TrpMasterData* rows;
    TrpMemoView* text;
    explicit RowsSheet(int count)
    {
        rows = band<TrpMasterData>("Rows", 10, 20, count);
        text = memo(rows, "Text", 0, 0, 200, 18, u"row [Line]");
    }
};

// The UI services of a test that expects boxes (or none), for its scope.
struct Boxes : gui::ScriptedUiServices {
    gui::ScopedUi scope{*this};
    Boxes() { setFailureHandler([](const QString& f) { ADD_FAILURE() << f.toStdString(); }); }
};

}  // namespace

TEST(Preparation, AMissingDatasetGivesOneBoxAndNothingIsPrepared)
{
    LoadReportStringTable();
    RowsSheet sheet(3);
    sheet.report->EngineOptions()->BackgroundMode = false;
    sheet.report->EngineOptions()->NewSilentMode = simMessageBoxes;
    sheet.report->DataSets()->Add()->SetDataSetName("ghost");
    Boxes boxes;
    boxes.expectMessage(gui::MsgResult::Ok);
    EXPECT_FALSE(sheet.prepare());
    ASSERT_EQ(boxes.messages().size(), 1);
    EXPECT_TRUE(boxes.messages()[0].startsWith(QString::fromUtf8("发生下列的错误:\r\n")));
    EXPECT_TRUE(boxes.messages()[0].contains("ghost"));
    EXPECT_EQ(sheet.report->Errors.Count(), 1);
    EXPECT_EQ(sheet.pages().GetCount(), 0);
}

TEST(Preparation, ScriptErrorsAreListedOnceAndNeverLeaveThePreparation)
{
    LoadReportStringTable();
    {
        // A script that does not compile: nothing runs, nothing is built.
        RowsSheet sheet(3);
        sheet.report->ScriptText()->SetText("begin\r\n  x := ;\r\nend.");
        EXPECT_FALSE(sheet.prepare());
        ASSERT_EQ(sheet.report->Errors.Count(), 1);
        EXPECT_EQ(sheet.report->Errors.Strings(0).rfind("Script 错误在 2:", 0), 0u) << sheet.report->Errors.Text();
        EXPECT_EQ(sheet.pages().GetCount(), 0);
    }
    {
        // A run-time error in an expression ends the run where it happened.
        RowsSheet sheet(30);
        sheet.text->SetText(u"[IIF(<Line> < 20, 'row', 1 div 0)]");
        Boxes boxes;
        boxes.expectMessage(gui::MsgResult::Ok);
        sheet.report->EngineOptions()->BackgroundMode = false;
        sheet.report->EngineOptions()->NewSilentMode = simMessageBoxes;
        EXPECT_FALSE(sheet.prepare());
        EXPECT_EQ(boxes.messages().size(), 1);
        EXPECT_TRUE(sheet.report->Errors.Text().find("Text: ") != std::string::npos) << sheet.report->Errors.Text();
        EXPECT_FALSE(sheet.report->Engine()->Running);
        EXPECT_EQ(dumpLines(sheet.dump(), "band Rows").size(), 19u);
    }
}

TEST(Preparation, TheRunEndsAlsoWhenAnExceptionEndsIt)
{
    RowsSheet sheet(40);
    auto* ds = new CountingDataSet(sheet.form.get(), "Counted", 3);
    sheet.report->DataSets()->Add()->SetDataSet(ds);
    int stops = 0;
    sheet.report->OnProgressStop = [&](TrpReport*, int, int) { ++stops; };
    sheet.report->EngineOptions()->BackgroundMode = false;
    sheet.report->OnProcessMessages = [] {};
    int shown = 0;
    sheet.report->OnBeforePrint = [&](TrpReportComponent* object) {
        if (object->Name() == "Rows" && ++shown == 25) throw Exception("stopped by the test");
    };
    EXPECT_FALSE(sheet.prepare());
    EXPECT_TRUE(sheet.report->Errors.IndexOf("stopped by the test") >= 0);
    EXPECT_FALSE(sheet.report->Engine()->Running);
    EXPECT_EQ(ds->initialized, 1);
    EXPECT_EQ(ds->finalized, 1);
    EXPECT_EQ(stops, 1);
    EXPECT_EQ(sheet.pages().GetCount(), 2);
}

TEST(Preparation, TemporaryFilesGoWhenPreparationFailsOrIsCancelled)
{
    prepared_test::TempFolder folder;
    for (bool cancel : {false, true}) {
        RowsSheet sheet(400);
        sheet.report->EngineOptions()->UseFileCache = true;
        sheet.report->EngineOptions()->MaxMemSize = 0;
        sheet.report->EngineOptions()->TempDir = folder.path.string();
        sheet.report->EngineOptions()->BackgroundMode = false;
        int turns = 0;
        sheet.report->OnProcessMessages = [&] {
            if (cancel && ++turns == 300) sheet.report->SetTerminated(true);
        };
        int shown = 0;
        sheet.report->OnBeforePrint = [&](TrpReportComponent* object) {
            if (!cancel && object->Name() == "Rows" && ++shown == 300) throw Exception("failed");
            // Nothing the store parks is left lying in the folder, even
            // while the run goes on.
            if (shown % 50 == 0) {
                EXPECT_EQ(folder.files(), 0);
            }
        };
        EXPECT_EQ(sheet.prepare(), cancel);
        EXPECT_GT(sheet.pages().GetCount(), 10);
        EXPECT_LT(sheet.pages().GetCount(), 24);
        EXPECT_TRUE(sheet.pages().GetPage(2) != nullptr);
        EXPECT_EQ(folder.files(), 0);
    }
}

TEST(Preparation, PreparingTwiceGivesTheSamePages)
{
    OrderSheet sheet(45);
    sheet.run.prepare();
    const std::string first = sheet.run.dump();
    sheet.run.prepare();
    EXPECT_EQ(sheet.run.dump(), first);
    EXPECT_EQ(sheet.run.pageCount(), 2);
}

TEST(Preparation, ChangesMadeWhilePreparingAreUndoneThoseMadeBeforeStay)
{
    RowsSheet sheet(1);
    sheet.memo(sheet.rows, "Note", 200, 0, 100, 18, u"designed");
    // What the program sets between preparations survives them.
    static_cast<TrpMemoView*>(sheet.report->FindObject("Note"))->SetText(u"set by the program");
    sheet.report->OnBeginDoc = [&](TObject*) {
        static_cast<TrpMemoView*>(sheet.report->FindObject("Text"))->SetText(u"changed while preparing");
        new TrpMemoView(sheet.report->FindObject("Rows"));
    };
    ASSERT_TRUE(sheet.prepare());
    EXPECT_EQ(dumpLines(sheet.dump(), "memo Text "), std::vector<std::string>{"memo Text changed while preparing"});
    EXPECT_EQ(dumpLines(sheet.dump(), "memo Note "), std::vector<std::string>{"memo Note set by the program"});
    // The report is back as it was, with new objects.
    auto* text = static_cast<TrpMemoView*>(sheet.report->FindObject("Text"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->Text(), u"row [Line]\r\n");
    EXPECT_EQ(static_cast<TrpMemoView*>(sheet.report->FindObject("Note"))->Text(), u"set by the program\r\n");
    EXPECT_EQ(sheet.report->FindObject("Rows")->Objects().size(), 2u);
}

TEST(Preparation, ScriptItemsNameTheReloadedObjectsNeverTheFreedOnes)
{
    RowsSheet sheet(1);
    sheet.report->OnBeginDoc = [&](TObject*) {
        TrpComponent* rows = sheet.report->FindObject("Rows");
        auto* extra = new TrpMemoView(rows);
        extra->SetName("Extra");
        // Printed before Text, so that Text is the last object printed.
        rows->SetChildIndex(extra, 0);
    };
    const ObjectHandle before = sheet.text->Handle();
    ASSERT_TRUE(sheet.prepare());
    TscScript& script = *sheet.report->Script();
    TrpComponent* text = sheet.report->FindObject("Text");
    ASSERT_TRUE(text);
    EXPECT_NE(text->Handle(), before);
    EXPECT_EQ(FindObjectByHandle(script.FindLocal("Text")->Value.rawObject()), text);
    EXPECT_EQ(FindObjectByHandle(script.FindLocal("Rows")->Value.rawObject()), sheet.report->FindObject("Rows"));
    // Gone with the reload: the item names nothing.
    ASSERT_TRUE(script.FindLocal("Extra"));
    EXPECT_EQ(script.FindLocal("Extra")->Value.rawObject(), 0u);
    // The last object printed, named again.
    EXPECT_EQ(FindObjectByHandle(script.FindLocal("Self")->Value.rawObject()), text);
    // The old object's handle is refused, not followed.
    EXPECT_THROW(VariantToObject(Variant::FromObject(before)), Exception);
}

TEST(Preparation, ProgressReachesTheEventsAndThePreviewExceptInBackgroundMode)
{
    LoadReportStringTable();
    {
        RowsSheet sheet(40);
        int events = 0, turns = 0;
        sheet.report->OnProgressStart = [&](TrpReport*, int, int) { ++events; };
        sheet.report->OnProgress = [&](TrpReport*, int, int) { ++events; };
        sheet.report->OnProcessMessages = [&] { ++turns; };
        ASSERT_TRUE(sheet.prepare());
        EXPECT_EQ(events, 0);
        EXPECT_EQ(turns, 0);
    }
    RowsSheet sheet(40);
    sheet.report->EngineOptions()->BackgroundMode = false;
    FakePreview preview;
    sheet.report->SetPreview(&preview);
    std::vector<std::string> events;
    int turns = 0;
    sheet.report->OnProgressStart = [&](TrpReport*, int kind, int) { events.push_back("start " + std::to_string(kind)); };
    sheet.report->OnProgress = [&](TrpReport*, int, int page) {
        events.push_back(std::to_string(page));
        EXPECT_EQ(sheet.report->ProgressWindow(), nullptr);
    };
    sheet.report->OnProgressStop = [&](TrpReport*, int, int) { events.push_back("stop"); };
    sheet.report->OnProcessMessages = [&] { ++turns; };
    ASSERT_TRUE(sheet.prepare());
    EXPECT_EQ(events, (std::vector<std::string>{"start 0", "1", "2", "3", "stop"}));
    EXPECT_EQ(preview.calls, (std::vector<std::string>{"start", "0", "1", "2", "stop"}));
    EXPECT_GE(turns, 40);
    sheet.report->SetPreview(nullptr);

    // The old style: a progress window says which page is being prepared.
    sheet.report->OldStyleProgress = true;
    std::vector<std::string> shown;
    sheet.report->OnProgress = [&](TrpReport* r, int, int) {
        ASSERT_TRUE(r->ProgressWindow());
        shown.push_back(r->ProgressWindow()->Message());
    };
    ASSERT_TRUE(sheet.prepare());
    // The event comes first, then the window shows the page.
    EXPECT_EQ(shown, (std::vector<std::string>{"", "准备页 1", "准备页 2"}));
    EXPECT_EQ(sheet.report->ProgressWindow(), nullptr);
}

TEST(Preparation, TheExternalPreviewIsANamedReferenceThatTheReportLetsGo)
{
    RowsSheet sheet(40);
    TrpReport& report = *sheet.report;
    report.EngineOptions()->BackgroundMode = false;
    const TPropInfo* prop = GetPropInfo(&report, "Preview");
    ASSERT_TRUE(prop);
    EXPECT_EQ(prop->Kind(), pkComponent);

    // Set as a property, as a script or a reader would.
    auto* preview = new FakePreview;
    preview->SetName("ExternalPreview");
    SetPropValue(&report, prop, ObjectToVariant(preview));
    EXPECT_EQ(report.Preview(), preview);
    EXPECT_EQ(preview->Report, &report);

    // Stored by name; a file read in does not take the preview away, and a
    // report without such a control reads nothing from the name.
    TStringStream saved;
    report.SaveToStream(saved);
    EXPECT_NE(saved.DataString().find("Preview=\"ExternalPreview\""), std::string::npos);
    saved.SetPosition(0);
    report.LoadFromStream(saved);
    EXPECT_EQ(report.Preview(), preview);
    EXPECT_EQ(report.Errors.Count(), 0);
    TrpReport other;
    saved.SetPosition(0);
    other.LoadFromStream(saved);
    EXPECT_EQ(other.Preview(), nullptr);
    EXPECT_EQ(other.Errors.Count(), 0);

    // A control freed while attached leaves no dangling link behind: the
    // next preparation runs without it.
    delete preview;
    EXPECT_EQ(report.Preview(), nullptr);
    EXPECT_TRUE(sheet.prepare());
}

TEST(Preparation, CancellingKeepsThePagesBuiltSoFar)
{
    RowsSheet sheet(1000);
    sheet.report->EngineOptions()->BackgroundMode = false;
    int turns = 0;
    sheet.report->OnProcessMessages = [&] {
        if (++turns == 100) sheet.report->Engine()->StopReport();
    };
    EXPECT_TRUE(sheet.prepare());
    EXPECT_TRUE(sheet.report->Terminated);
    const size_t printed = dumpLines(sheet.dump(), "band Rows").size();
    EXPECT_GT(printed, 50u);
    EXPECT_LT(printed, 100u);
    // The next preparation starts afresh.
    sheet.report->OnProcessMessages = nullptr;
    sheet.report->EngineOptions()->BackgroundMode = true;
    EXPECT_TRUE(sheet.prepare());
    EXPECT_EQ(dumpLines(sheet.dump(), "band Rows").size(), 1000u);
}

TEST(Preparation, ADatasetUsedTwiceIsRefusedWithItsMessage)
{
    struct Case {
        bool reportSet, pageSet, bandSet;
        const char* message;
    };
    for (const Case& c :
         {Case{true, true, false, "Cannot use the same dataset for Report.DataSet and Page.DataSet"},
          Case{true, false, true, "Cannot use the same dataset for Report.DataSet and Band.DataSet"},
          Case{false, true, true, "Cannot use the same dataset for Page.DataSet and Band.DataSet"}}) {
        RowsSheet sheet(2);
        auto* ds = new CountingDataSet(sheet.form.get(), "Shared", 2);
        sheet.report->DataSets()->Add()->SetDataSet(ds);
        if (c.reportSet) sheet.report->SetDataSet(ds);
        if (c.pageSet) sheet.page->SetDataSet(ds);
        if (c.bandSet) sheet.rows->SetDataSet(ds);
        EXPECT_FALSE(sheet.prepare());
        EXPECT_EQ(sheet.report->Errors.Text(), std::string(c.message) + "\r\n");
        EXPECT_EQ(sheet.pages().GetCount(), 0);
        EXPECT_EQ(ds->initialized, 0);
    }
}

TEST(Preparation, ACancelledDialogBuildsNothing)
{
    LoadReportStringTable();
    RowsSheet sheet(2);
    // The objects stay as the run leaves them.
    sheet.report->EngineOptions()->DestroyForms = false;
    auto* ds = new CountingDataSet(sheet.form.get(), "Counted", 1);
    sheet.report->DataSets()->Add()->SetDataSet(ds);
    auto* dialog = new TrpDialogPage(sheet.report);
    dialog->SetName("Dialog1");
    auto* control = new TrpEditControl(dialog);
    control->SetName("Control1");
    sheet.report->ScriptText()->SetText(
        "var stopped: Integer;\r\nprocedure Stop(Sender: Variant);\r\nbegin\r\n  stopped := 1;\r\nend;\r\nbegin\r\nend.");
    sheet.report->OnStopReport = "Stop";
    auto* engine = static_cast<TrpEngine*>(sheet.report->Engine());
    std::vector<std::string> shown;
    engine->OnRunDialog = [&](TrpDialogPage* page) {
        shown.push_back(page->Name());
        return 2;
    };
    EXPECT_FALSE(sheet.prepare());
    EXPECT_EQ(shown, std::vector<std::string>{"Dialog1"});
    EXPECT_EQ(sheet.pages().GetCount(), 0);
    EXPECT_EQ(sheet.report->Errors.Count(), 0) << sheet.report->Errors.Text();
    EXPECT_EQ(VarToStr(sheet.report->Script()->FindLocal("stopped")->Value), "1");
    EXPECT_EQ(ds->finalized, 1);
    // Passed: the report is built.
    engine = static_cast<TrpEngine*>(sheet.report->Engine());
    engine->OnRunDialog = [](TrpDialogPage*) { return 1; };
    EXPECT_TRUE(sheet.prepare());
    EXPECT_EQ(sheet.pages().GetCount(), 1);
}

TEST(Preparation, AnInvisibleDialogPageIsNotShown)
{
    RowsSheet sheet(1);
    for (const char* name : {"Hidden", "Shown"}) {
        auto* dialog = new TrpDialogPage(sheet.report);
        dialog->SetName(name);
        auto* control = new TrpEditControl(dialog);
        control->SetName(std::string(name) + "Edit");
        dialog->SetVisible(std::string(name) == "Shown");
    }
    std::vector<std::string> shown;
    static_cast<TrpEngine*>(sheet.report->Engine())->OnRunDialog = [&](TrpDialogPage* page) {
        shown.push_back(page->Name());
        return 1;
    };
    EXPECT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
    EXPECT_EQ(shown, std::vector<std::string>{"Shown"});
}

TEST(Preparation, PageInstancesFollowTheDatasetsAndTheCount)
{
    {
        // Twice without a dataset.
        RowsSheet sheet(2);
        sheet.page->SetPageCount(2);
        ASSERT_TRUE(sheet.prepare());
        EXPECT_EQ(sheet.pages().GetCount(), 2);
    }
    {
        // Once per record of the page's dataset; the count is ignored.
        RowsSheet sheet(2);
        sheet.page->SetPageCount(5);
        auto* ds = new CountingDataSet(sheet.form.get(), "Pages", 3);
        sheet.report->DataSets()->Add()->SetDataSet(ds);
        sheet.page->SetDataSet(ds);
        ASSERT_TRUE(sheet.prepare());
        EXPECT_EQ(sheet.pages().GetCount(), 3);
    }
    {
        // Every page once per record of the report's dataset, in order.
        RowsSheet sheet(1);
        auto* second = new TrpReportPage(sheet.report);
        second->SetName("Page2");
        auto* title = new TrpReportTitle(second);
        title->SetName("Title2");
        title->SetBounds(0, 0, 100, 20);
        auto* ds = new CountingDataSet(sheet.form.get(), "Records", 3);
        sheet.report->DataSets()->Add()->SetDataSet(ds);
        sheet.report->SetDataSet(ds);
        ASSERT_TRUE(sheet.prepare());
        const std::vector<std::string> bands = dumpLines(sheet.dump(), "band ");
        EXPECT_EQ(bands.size(), 6u);
        EXPECT_EQ(bands[0].rfind("band Rows", 0), 0u);
        EXPECT_EQ(bands[1].rfind("band Title2", 0), 0u);
        EXPECT_EQ(bands[4].rfind("band Rows", 0), 0u);
    }
    {
        // No data and nothing printed when empty: no page at all.
        RowsSheet sheet(0);
        auto* ds = new CountingDataSet(sheet.form.get(), "Empty", 0);
        sheet.report->DataSets()->Add()->SetDataSet(ds);
        sheet.rows->SetDataSet(ds);
        sheet.report->EngineOptions()->PrintIfEmpty = false;
        EXPECT_TRUE(sheet.prepare());
        EXPECT_EQ(sheet.pages().GetCount(), 0);
    }
}
