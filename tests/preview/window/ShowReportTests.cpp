// Showing a report: the preview opens before any page exists and the
// report is prepared inside it from the timer's first tick.
#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QToolButton>

#include "PreviewTestSupport.h"
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
        report = sheet.report.get();
        // Until the band engine prepares this report, its end fills the
        // pages as the engine does, page by page through the preview.
        report->OnEndDoc = [this](TObject*) { EngineRun(); };
    }

    void EngineRun()
    {
        ++runs;
        // As the report's progress operations: the preview as it is now.
        auto p = [this] { return report->Preview(); };
        sheet.engine.running = true;
        if (p()) p()->ProgressStart();
        sheet.start();
        for (int i = 0; i < pageCount && !report->Terminated; ++i) {
            sheet.pages().AddPage(sheet.page);
            sheet.pages().AddObject(sheet.title);
            for (int r = 0; r < 5; ++r) {
                sheet.row(i, r);
                sheet.pages().AddObject(sheet.band);
            }
            if (p()) p()->Progress(i);
            if (onPage) onPage(i);
        }
        sheet.engine.running = false;
        if (p()) p()->ProgressStop();
    }

    static TrpPreviewForm& Form(QDialog& d) { return static_cast<TrpPreviewForm&>(d); }
    bool Prepared() const { return !(report->PrepareTimer() && report->PrepareTimer()->isActive()) && runs > 0; }

    prepared_test::Sheet sheet;
    TrpReport* report = nullptr;
    int pageCount = 60;
    int runs = 0;
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
                EXPECT_EQ(f.Preview->Workspace->PageList.Count(), 11);
            }
            if (i == 20) QTest::keyClick(f.Preview->Workspace, Qt::Key_Escape);
        };
        EXPECT_TRUE(QTest::qWaitFor([&] { return Prepared(); }, 5000));
        EXPECT_EQ(f.Preview->PageCount(), 21);
        EXPECT_EQ(f.Panels[0]->text(), QStringLiteral("页 1 / 21"));
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
    pageCount = 5;
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.isNull(); }, 5000));
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

TEST_F(ShowReport, AReportDestroyedWhileItsPreviewIsOpenLeavesNothingBehind)
{
    report->PreviewOptions()->Modal = false;
    report->ShowReport(true);
    QPointer<TrpPreviewForm> form = dynamic_cast<TrpPreviewForm*>(report->PreviewForm());
    ASSERT_FALSE(form.isNull());
    sheet.report.reset();
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
    EXPECT_TRUE(QTest::qWaitFor([&] { return Prepared(); }, 5000));
    EXPECT_EQ(external.PageCount(), 60);
    EXPECT_EQ(external.Workspace->PageList.Count(), 60);
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
    pageCount = 3;
    int pagesWhenShown = -1;
    ui.expectModal(QStringLiteral("TrpPreviewForm"), [&](QDialog& d) {
        pagesWhenShown = Form(d).Preview->PageCount();
        return QDialog::Accepted;
    });
    report->ShowReport(true);
    EXPECT_EQ(pagesWhenShown, 3);
    EXPECT_EQ(report->PrepareTimer(), nullptr);
}
