// Report scripts that change the report while it prepares: what the run
// holds is never freed under it, and a script that stops the run stops it.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <fstream>
#include <sstream>

#include "EngineTestUtil.h"
#include "Watchdog.h"
#include "sc_interpreter.h"

using namespace engine_test;

namespace {

// Rows 1-4 whose band runs `statement` in its OnBeforePrint at row 2.
struct HostileSheet : Sheet {
    TrpMasterData* rows = nullptr;
    explicit HostileSheet(const std::string& statement, const std::string& mainBlock = "")
    {
        rows = band<TrpMasterData>("Rows", 0, 20, 4);
        memo(rows, "Row", 0, 0, 100, 18, u"row [Line]");
        rows->OnBeforePrint = "RowsBeforePrint";
        report->ScriptText()->SetText("procedure RowsBeforePrint(Sender: TObject);\r\nbegin\r\n  if <Line> = 2 then " +
                                      statement + ";\r\nend;\r\n\r\nbegin\r\n" + mainBlock + "end.");
    }
};

}  // namespace

TEST(HostileScript, FreeingClearingOrReloadingTheReportWhileItPreparesEndsTheRunWithAnError)
{
    struct Case {
        const char* statement;
        const char* error;
    };
    for (const Case& c : {Case{"Sender.Free", "Cannot free Rows while the report prepares"},
                          Case{"Rows.Free", "Cannot free Rows while the report prepares"},
                          Case{"Row.Free", "Cannot free Row while the report prepares"},
                          Case{"Page1.Free", "Cannot free Page1 while the report prepares"},
                          Case{"Report.Free", "Cannot free rpReport1 while the report prepares"},
                          Case{"Report.Clear", "Cannot clear rpReport1 while the report prepares"},
                          Case{"Rows.Clear", "Cannot clear Rows while the report prepares"},
                          Case{"Report.LoadFromFile('elsewhere.xml')", "Cannot load rpReport1 while the report prepares"},
                          Case{"Report.ShowReport", "Cannot show rpReport1 while the report prepares"}}) {
        HostileSheet sheet(c.statement);
        Watchdog watchdog(60, c.statement);
        EXPECT_FALSE(sheet.prepare()) << c.statement;
        EXPECT_NE(sheet.report->Errors.Text().find(c.error), std::string::npos)
            << c.statement << ": " << sheet.report->Errors.Text();
        // What printed before stays; the report is whole again and the next
        // preparation meets the same refusal, not freed objects.
        EXPECT_EQ(dumpLines(sheet.dump(), "memo Row"), std::vector<std::string>{"memo Row row 1"}) << c.statement;
        ASSERT_NE(sheet.report->FindObject("Row"), nullptr) << c.statement;
        EXPECT_FALSE(sheet.prepare()) << c.statement;
    }
}

TEST(HostileScript, TheMainBlockMayNotFreeWhatTheRunIsAboutToUse)
{
    HostileSheet sheet("Rows.Visible := True", "  Row.Free;\r\n");
    EXPECT_FALSE(sheet.prepare());
    EXPECT_NE(sheet.report->Errors.Text().find("Cannot free Row while the report prepares"), std::string::npos)
        << sheet.report->Errors.Text();
    EXPECT_EQ(sheet.pages().GetCount(), 0);
}

TEST(HostileScript, OutsideAPreparationTheSameFreesAreAllowed)
{
    HostileSheet sheet("Rows.Visible := True", "  Row.Free;\r\n");
    sheet.report->EngineOptions()->DestroyForms = false;
    EXPECT_NO_THROW(TrpReport::RefuseWhilePreparing(sheet.report->FindObject("Row"), "free"));
    ASSERT_TRUE(sheet.report->PrepareScript());
    sheet.report->Script()->Execute();
    EXPECT_EQ(sheet.report->FindObject("Row"), nullptr);
}

TEST(HostileScript, ADatasetTheRunReadsAndTheFormThatOwnsTheReportStay)
{
    HostileSheet sheet("Items.Free");
    TrpDBDataset* items = sheet.dataset("Items", "select * from item order by id");
    EXPECT_NO_THROW(TrpReport::RefuseWhilePreparing(items, "free"));
    {
        TrpReport::PreparingScope preparing(*sheet.report);
        for (const TObject* held : std::initializer_list<const TObject*>{items, sheet.form.get(), sheet.report,
                                                                          sheet.page})
            EXPECT_THROW(TrpReport::RefuseWhilePreparing(held, "free"), EInvalidOperation) << held->ClassName();
        TComponent unrelated;
        EXPECT_NO_THROW(TrpReport::RefuseWhilePreparing(&unrelated, "free"));
    }
    EXPECT_NO_THROW(TrpReport::RefuseWhilePreparing(items, "free"));
}

TEST(HostileScript, TerminatedSetByAScriptStopsAtTheNextBand)
{
    {
        HostileSheet sheet("Report.Terminated := True");
        EXPECT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
        EXPECT_TRUE(sheet.report->Terminated);
        EXPECT_EQ(dumpLines(sheet.dump(), "memo Row").size(), 2u);
    }
    {
        // Set by the header of the rows: not one row follows it.
        Sheet sheet;
        auto* header = sheet.band<TrpHeader>("Head", 0, 20);
        header->OnBeforePrint = "Stop";
        auto* rows = sheet.band<TrpMasterData>("Rows", 30, 20, 3);
        sheet.memo(rows, "Row", 0, 0, 100, 18, u"row [Line]");
        sheet.report->ScriptText()->SetText(
            "procedure Stop(Sender: TObject);\r\nbegin\r\n  Report.Terminated := True;\r\nend;\r\n\r\nbegin\r\nend.");
        EXPECT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
        EXPECT_EQ(dumpLines(sheet.dump(), "band "), std::vector<std::string>{"band Head 0 0 20"});
    }
    {
        // A double pass stopped in its first pass keeps that pass's pages.
        HostileSheet sheet("Report.Terminated := True");
        sheet.report->EngineOptions()->DoublePass = true;
        EXPECT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
        EXPECT_EQ(dumpLines(sheet.dump(), "memo Row").size(), 2u);
    }
}

TEST(HostileScript, ANegativeBandHeightPrintsNothingAboveTheBand)
{
    HostileSheet sheet("Rows.Height := -50");
    EXPECT_TRUE(sheet.prepare()) << sheet.report->Errors.Text();
    Extended lastTop = 0;
    for (const std::string& line : dumpLines(sheet.dump(), "band Rows")) {
        // "band Rows left top height"
        std::istringstream in(line);
        std::string word, name;
        double left = 0, top = 0, height = 0;
        in >> word >> name >> left >> top >> height;
        EXPECT_GE(top, lastTop) << line;
        EXPECT_GE(height, 0) << line;
        lastTop = top;
    }
}

TEST(HostileScript, TheToolEndsWithTheErrorNeverASignal)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* statement : {"Sender.Free", "Rows.Free", "Row.Free", "Page1.Free", "Report.Clear",
                                  "Report.LoadFromFile(&#39;x.xml&#39;)", "Report.ParentReport := &#39;x.xml&#39;"}) {
        const std::string file = folder.filePath("hostile.xml").toStdString();
        std::ofstream(file) << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                               "<TrpReport ScriptLanguage=\"PascalScript\" ScriptText.Text=\"procedure R(Sender: "
                               "TObject);&#13;&#10;begin&#13;&#10;  "
                            << statement
                            << ";&#13;&#10;end;&#13;&#10;begin&#13;&#10;end.\">\n"
                               "  <TrpReportPage Name=\"Page1\" PaperWidth=\"100\" PaperHeight=\"100\">\n"
                               "    <TrpMasterData Name=\"Rows\" Left=\"0\" Top=\"0\" Width=\"377\" Height=\"20\" "
                               "RowCount=\"3\" OnBeforePrint=\"R\">\n"
                               "      <TrpMemoView Name=\"Row\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"18\"/>\n"
                               "    </TrpMasterData>\n"
                               "  </TrpReportPage>\n</TrpReport>\n";
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start(RPPREPARE_PATH, {QString::fromStdString(file)});
        ASSERT_TRUE(p.waitForFinished(60000)) << statement;
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << statement;
        EXPECT_EQ(p.exitCode(), 1) << statement;
        EXPECT_NE(p.readAllStandardError().toStdString().find("while the report prepares"), std::string::npos)
            << statement;
    }
}
