// Showing a report: the preview opens before any page exists and the
// report is prepared inside it from the timer's first tick.
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QToolButton>

#include "PreviewTestSupport.h"
#include "Watchdog.h"
#include "rpMemo.h"
#include "rpPreviewForm.h"
#include "rpReport.h"

using namespace preview_test;

namespace {

class ShowReport : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        registerPreviewLibrary();
        rows = std::make_unique<RowsReport>(30);
        report = rows->report;
        report->OnBeginDoc = [this](TObject*) { ++runs; };
        report->OnEndDoc = [this](TObject*) { ++ended; };
        report->OnProgress = [this](TrpReport*, int type, int page) {
            if (type == ptRunning && onPage) onPage(page - 1);
        };
    }

    static TrpPreviewForm& Form(QDialog& d) { return static_cast<TrpPreviewForm&>(d); }
    bool Prepared() const { return !(report->PrepareTimer() && report->PrepareTimer()->isActive()) && ended > 0; }

    std::unique_ptr<RowsReport> rows;
    TrpReport* report = nullptr;
    int runs = 0;
    int ended = 0;
    std::function<void(int)> onPage;
};

}  // namespace

TEST_F(ShowReport, ThePreviewOpensFirstAndFillsPageByPageUntilEscCancels)
{
    std::vector<QString> seen;
    bool checked = false;
    ui.expectModal(QStringLiteral("TrpPreviewForm"), [&](QDialog& d) {
        TrpPreviewForm& f = Form(d);
        f.show();
        // Open before the first page: the tick has not come yet.
        EXPECT_EQ(f.Preview->PageCount(), 0);
        EXPECT_TRUE(report->PrepareTimer()->isActive());
        EXPECT_EQ(runs, 0);
        onPage = [&](int i) {
            if (i == 10) {
                seen = {f.Panels[0]->text(), f.CancelB->text()};
                EXPECT_FALSE(f.PrintB->isEnabled());
                EXPECT_FALSE(f.close());
                // The report's event comes before the preview hears of the page.
                EXPECT_EQ(f.Preview->Workspace->PageList.Count(), 10);
            }
            if (i == 20) QTest::keyClick(f.Preview->Workspace, Qt::Key_Escape);
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return Prepared(); }, 20000));
        // Cancelled on page 21 of 30.
        const int count = f.Preview->PageCount();
        EXPECT_GE(count, 21);
        EXPECT_LT(count, 30);
        EXPECT_EQ(f.Panels[0]->text(), QStringLiteral("页 1 / ") + QString::number(count));
        EXPECT_EQ(f.CancelB->text(), QStringLiteral("关闭(&X)"));
        checked = true;
        f.CancelB->click();
        EXPECT_FALSE(f.isVisible());
        return d.result();
    });
    report->ShowReport(true);
    EXPECT_TRUE(checked);
    // The counter is refreshed every 50, 20 or 5 pages, after how long the
    // second page took.
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[0].startsWith(QStringLiteral("页 1 / "))) << seen[0].toStdString();
    EXPECT_EQ(seen[1], QStringLiteral("取消"));
    // The modal window is gone and the report let go of it.
    EXPECT_EQ(report->Preview(), nullptr);
    EXPECT_EQ(report->PreviewForm(), nullptr);
    EXPECT_FALSE(report->PrepareTimer()->isActive());
}

TEST_F(ShowReport, AModalPreviewClosedBeforeTheFirstTickPreparesNothing)
{
    int begun = 0;
    report->OnBeginDoc = [&](TObject*) { ++begun; };
    ui.expectModal(QStringLiteral("TrpPreviewForm"), QDialog::Rejected);
    report->ShowReport(true);
    EXPECT_FALSE(report->PrepareTimer()->isActive());
    QTest::qWait(120);
    EXPECT_EQ(begun, 0);
    EXPECT_EQ(report->Preview(), nullptr);
}

TEST_F(ShowReport, ANonModalPreviewFreesItselfOnCloseButNotWhilePreparing)
{
    report->PreviewOptions()->Modal = false;
    rows->SetPages(5);
    QPointer<TrpPreviewForm> form;
    onPage = [&](int i) {
        if (i != 2) return;
        EXPECT_FALSE(form->close());
        // The report's own close after a failed preparation is obeyed, and
        // the window goes only when the preparation has returned.
        form->Close();
        EXPECT_FALSE(form->isVisible());
        Settle();
        EXPECT_FALSE(form.isNull());
    };
    report->ShowReport(true);
    form = dynamic_cast<TrpPreviewForm*>(report->PreviewForm());
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isNull(); }, 20000));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(report->Preview(), nullptr);
    EXPECT_EQ(report->PreviewForm(), nullptr);

    // Closed by its user before the tick: nothing is prepared.
    report->ShowReport(true);
    form = dynamic_cast<TrpPreviewForm*>(report->PreviewForm());
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isNull(); }, 5000));
    QTest::qWait(120);
    EXPECT_EQ(runs, 1);
}

TEST_F(ShowReport, APreparationTheReportsDialogsCallOffClosesItsOwnPreview)
{
    report->PreviewOptions()->Modal = false;
    report->ScriptText()->SetText("procedure Ask(var Go: Boolean);\r\nbegin\r\n  Go := False;\r\nend;\r\n\r\nbegin\r\nend.");
    report->OnRunDialogs = "Ask";
    report->ShowReport(true);
    QPointer<TrpPreviewForm> form = dynamic_cast<TrpPreviewForm*>(report->PreviewForm());
    ASSERT_FALSE(form.isNull());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isNull(); }, 5000));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(ended, 0);
    EXPECT_EQ(report->PreviewForm(), nullptr);
    EXPECT_EQ(report->PreviewPages()->GetCount(), 0);
}

TEST_F(ShowReport, APreparationThatFailsWithErrorsClosesItsOwnPreview)
{
    // After the error box no empty preview is left to print from: neither
    // for an expression that fails while the pages fill nor for a script
    // that does not compile.
    report->PreviewOptions()->Modal = false;
    for (int failure = 0; failure < 2; ++failure) {
        if (failure == 0) rows->Find<TrpMemoView>("Row").SetText(u"行 [Line] [NoSuchName]");
        else report->ScriptText()->SetText("begin\r\n  x := ;\r\nend.");
        ExpectErrorBox();
        report->ShowReport(true);
        QPointer<TrpPreviewForm> form = dynamic_cast<TrpPreviewForm*>(report->PreviewForm());
        ASSERT_FALSE(form.isNull());
        EXPECT_TRUE(QTest::qWaitFor([&] { return form.isNull(); }, 5000)) << failure;
        EXPECT_EQ(report->PreviewForm(), nullptr);
        EXPECT_EQ(ended, 0);
    }
}

TEST_F(ShowReport, AReportDestroyedWhileItsPreviewIsOpenLeavesNothingBehind)
{
    report->PreviewOptions()->Modal = false;
    report->ShowReport(true);
    QPointer<TrpPreviewForm> form = dynamic_cast<TrpPreviewForm*>(report->PreviewForm());
    ASSERT_FALSE(form.isNull());
    rows.reset();
    report = nullptr;
    // No tick reaches the destroyed report, and the window still works.
    QTest::qWait(120);
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(form->Preview->Report, nullptr);
    EXPECT_EQ(form->Preview->PreviewPages, nullptr);
    form->Preview->SetZoom(2);
    form->Preview->RefreshReport();
    form->UpdateControls();
    EXPECT_TRUE(form->close());
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isNull(); }, 5000));
}

TEST_F(ShowReport, AnExternalPreviewGetsThePagesAfterTheTick)
{
    TrpPreview external;
    external.resize(800, 600);
    report->SetPreview(&external);
    report->ShowReport(true);
    EXPECT_EQ(external.PageCount(), 0);
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Prepared(); }, 20000));
    EXPECT_EQ(external.PageCount(), 30);
    EXPECT_EQ(external.Workspace->PageList.Count(), 30);
    // The preview let go of the report when it is destroyed first, and the
    // report of the preview.
    {
        TrpPreview second;
        report->SetPreview(&second);
        EXPECT_EQ(external.Report, nullptr);
        EXPECT_EQ(second.Report, report);
    }
    EXPECT_EQ(report->Preview(), nullptr);
}

TEST_F(ShowReport, OldStyleProgressPreparesBeforeShowing)
{
    report->OldStyleProgress = true;
    report->ShowProgress = false;
    rows->SetPages(3);
    int pagesWhenShown = -1;
    ui.expectModal(QStringLiteral("TrpPreviewForm"), [&](QDialog& d) {
        pagesWhenShown = Form(d).Preview->PageCount();
        return QDialog::Accepted;
    });
    report->ShowReport(true);
    EXPECT_EQ(pagesWhenShown, 3);
    EXPECT_EQ(report->PrepareTimer(), nullptr);
}

TEST_F(ShowReport, CancelStopsAScriptThatLoopsInItsMainBlockOrInAHandler)
{
    // Neither loop ends on its own: each only lets the window's messages
    // through, so the cancel button is the one way out.
    const char* const scripts[] = {
        "begin\r\n  while True do Application.ProcessMessages;\r\nend.",
        "procedure RowsBefore(Sender: TrpComponent);\r\nvar i: Integer;\r\nbegin\r\n"
        "  for i := 1 to 2000000000 do Application.ProcessMessages;\r\nend;\r\n\r\nbegin\r\nend.",
    };
    for (const char* script : scripts) {
        report->ScriptText()->SetText(script);
        rows->Find<TrpMasterData>("Rows").OnBeforePrint = "RowsBefore";
        bool looping = false;
        ui.expectModal(QStringLiteral("TrpPreviewForm"), [&](QDialog& d) {
            TrpPreviewForm& f = Form(d);
            f.show();
            Watchdog limit(60, "a cancelled script");
            // Fires inside the script's loop, which lets messages through.
            QTimer::singleShot(300, &f, [&] {
                looping = f.Preparing();
                f.CancelB->click();
            });
            EXPECT_TRUE(QTest::qWaitFor([&] { return looping && !f.Preparing(); }, 30000));
            EXPECT_EQ(f.CancelB->text(), QStringLiteral("关闭(&X)"));
            return QDialog::Rejected;
        });
        report->ShowReport(true);
        EXPECT_TRUE(looping) << script;
        EXPECT_TRUE(report->Terminated);
        // Stopped at the first row of 1,500.
        EXPECT_LT(report->PreviewPages()->GetCount(), 2) << script;
    }
}

TEST_F(ShowReport, CancelStopsAScriptThatLetsNoMessageThrough)
{
    // No loop here asks for the window's messages: the interpreter lets
    // them through on its own, so the cancel button still answers.
    struct Case {
        const char* language;
        const char* script;
    };
    const Case cases[] = {
        {"PascalScript", "begin\r\n  while True do ;\r\nend."},
        {"PascalScript",
         "procedure RowsBefore(Sender: TrpComponent);\r\nbegin\r\n  repeat until False;\r\nend;\r\n\r\nbegin\r\nend."},
        // Recursion without a loop, for hours.
        {"PascalScript",
         "function Fib(n: Integer): Integer;\r\nbegin\r\n  if n < 2 then Result := n else Result := Fib(n - 1) + "
         "Fib(n - 2);\r\nend;\r\n\r\nprocedure RowsBefore(Sender: TrpComponent);\r\nbegin\r\n  Fib(60);\r\nend;\r\n"
         "\r\nbegin\r\nend."},
        {"JScript", "function RowsBefore(Sender) { for (;;) { } }"},
    };
    for (const Case& c : cases) {
        report->ScriptLanguage = c.language;
        report->ScriptText()->SetText(c.script);
        rows->Find<TrpMasterData>("Rows").OnBeforePrint = "RowsBefore";
        bool looping = false;
        ui.expectModal(QStringLiteral("TrpPreviewForm"), [&](QDialog& d) {
            TrpPreviewForm& f = Form(d);
            f.show();
            Watchdog limit(60, c.script);
            QTimer::singleShot(300, &f, [&] {
                looping = f.Preparing();
                f.CancelB->click();
            });
            EXPECT_TRUE(QTest::qWaitFor([&] { return looping && !f.Preparing(); }, 30000)) << c.script;
            return QDialog::Rejected;
        });
        report->ShowReport(true);
        EXPECT_TRUE(looping) << c.script;
        EXPECT_TRUE(report->Terminated) << c.script;
        EXPECT_LT(report->PreviewPages()->GetCount(), 2) << c.script;
    }
}
