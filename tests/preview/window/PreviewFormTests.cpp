// The preview window: toolbar, menu, buttons while preparing, the zoom and
// page boxes, status panels, full screen and drill-down.
#include <QLabel>
#include <QPointer>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QTemporaryDir>
#include <QToolButton>

#include <fstream>
#include <sstream>

#include "LoggingExportFilter.h"
#include "PreviewTestSupport.h"
#include "rpBands.h"
#include "rpRegistry.h"
#include "rpPreviewForm.h"
#include "rpReport.h"

using namespace preview_test;

namespace {

class PreviewForm : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        sheet.fill(3, 20);
    }
    // A window over the sheet's report, as ShowPreparedReport makes it.
    TrpPreviewForm& Open()
    {
        form = std::make_unique<TrpPreviewForm>(sheet.report.get());
        sheet.report->SetPreview(form->Preview);
        form->Init();
        form->setWindowState(Qt::WindowNoState);
        form->resize(900, 600);
        form->show();
        Settle();
        return *form;
    }
    void TearDown() override
    {
        form.reset();
        DialogTest::TearDown();
    }
    QStringList MenuTexts() const
    {
        QStringList texts;
        for (QAction* a : form->RightMenu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
        return texts;
    }
    // Types into the zoom box and presses Enter.
    void TypeZoom(const QString& text)
    {
        form->ZoomCB->lineEdit()->setText(text);
        QTest::keyClick(form->ZoomCB->lineEdit(), Qt::Key_Return);
        Settle();
    }
    void TypePage(const QString& text)
    {
        form->PageE->setText(text);
        QTest::keyClick(form->PageE, Qt::Key_Return);
    }

    prepared_test::Sheet sheet;
    std::unique_ptr<TrpPreviewForm> form;
};

}  // namespace

TEST_F(PreviewForm, ToolbarShowsTheOptionsButtonsAndTheMenuTakesItsCommands)
{
    TrpPreviewForm& f = Open();
    EXPECT_EQ(f.windowTitle(), QStringLiteral("预览"));
    EXPECT_EQ(f.PrintB->toolTip(), QStringLiteral("打印"));
    EXPECT_EQ(f.OutlineB->iconText(), QStringLiteral("大纲"));
    EXPECT_EQ(f.OutlineB->toolTip(), QStringLiteral("报表大纲"));
    EXPECT_EQ(f.CancelB->text(), QStringLiteral("关闭(&X)"));
    EXPECT_EQ(f.ZoomCB->count(), 8);
    EXPECT_EQ(f.ZoomCB->itemText(6), QStringLiteral("页宽"));
    EXPECT_FALSE(f.PrintB->icon().isNull());
    for (QAction* a : {f.ExportB, f.PdfB, f.EmailB}) EXPECT_FALSE(a->isVisible());
    for (QAction* a : {f.PrintB, f.Sep1, f.Sep3, f.FullScreenBtn, f.Sep2, f.OutlineB, f.DesignerB, f.Sep5, f.Sep4, f.CancelBAction})
        EXPECT_TRUE(a->isVisible()) << a->objectName().toStdString();
    EXPECT_EQ(MenuTexts(), QStringList({"全部闭合", "全部展开", "-", "打印", "打开", "保存", "寻找", "-", "放大", "缩小", "全屏"}));
    EXPECT_EQ(f.ToolBar->toolButtonStyle(), Qt::ToolButtonIconOnly);

    // Fewer buttons, captions shown, a name of its own.
    form.reset();
    TrpPreviewOptions& o = *sheet.report->PreviewOptions();
    o.Buttons = TrpPreviewButtons{pbPrint, pbNavigator, pbNoClose, pbZoom, pbNoFullScreen};
    o.ShowCaptions = true;
    sheet.report->ReportOptions()->Name = "出库单";
    Open();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("出库单"));
    for (QAction* a : {form->OpenB, form->SaveB, form->FindB, form->Sep2, form->OutlineB, form->PageSettingsB, form->FullScreenBtn,
                       form->CancelBAction})
        EXPECT_FALSE(a->isVisible()) << a->objectName().toStdString();
    EXPECT_TRUE(form->Sep5->isVisible());
    EXPECT_EQ(MenuTexts(), QStringList({"全部闭合", "全部展开", "-", "打印", "-", "放大", "缩小"}));
    EXPECT_EQ(form->ToolBar->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
}

namespace {

// Filters of the classes the window knows by name.
class TrpPDFExport : public prepared_test::LoggingExportFilter {
    DORVAK_CLASS(TrpPDFExport, LoggingExportFilter)
};
class TrpMailExport : public prepared_test::LoggingExportFilter {
    DORVAK_CLASS(TrpMailExport, LoggingExportFilter)
};
class TrpTextExport : public prepared_test::LoggingExportFilter {
    DORVAK_CLASS(TrpTextExport, LoggingExportFilter)
};
class DotMatrixExport : public prepared_test::LoggingExportFilter {
public:
    bool IsDotMatrix() const override { return true; }
};

}  // namespace

TEST_F(PreviewForm, RegisteredFiltersFillTheExportMenuAndTheQuickButtons)
{
    RegisterClass<TrpPDFExport>();
    RegisterClass<TrpMailExport>();
    RegisterClass<TrpTextExport>();
    {
        // The dot-matrix filter alone is nothing to offer.
        DotMatrixExport dotMatrix;
        dotMatrix.ShowDialog = false;
        GetExportFilters().Register(&dotMatrix);
        Open();
        for (QAction* a : {form->ExportB, form->PdfB, form->EmailB}) EXPECT_FALSE(a->isVisible());

        TrpTextExport text;
        TrpPDFExport pdf;
        TrpMailExport mail;
        text.description = "Text";
        pdf.description = "PDF";
        mail.description = "E-mail";
        using Filters = std::initializer_list<prepared_test::LoggingExportFilter*>;
        for (prepared_test::LoggingExportFilter* f : Filters{&text, &pdf, &mail}) {
            f->ShowDialog = false;
            GetExportFilters().Register(f);
        }
        form.reset();
        Open();
        for (QAction* a : {form->ExportB, form->PdfB, form->EmailB}) EXPECT_TRUE(a->isVisible());
        QStringList items;
        for (QAction* a : form->ExportPopup->actions()) items << a->text();
        EXPECT_EQ(items, QStringList({"Text...", "PDF...", "E-mail..."}));
        EXPECT_EQ(MenuTexts().mid(3, 7),
                  QStringList({"打印", "打开", "保存", "导出", "导出PDF格式", "发送E-mail", "寻找"}));

        // An item exports the pages, the quick button its own filter; the
        // current page is the preview's.
        form->Preview->SetPageNo(2);
        text.CurPage = true;
        form->ExportPopup->actions()[0]->trigger();
        EXPECT_EQ(text.log.at(1), "page 1 margins 10/10");
        form->PdfB->trigger();
        EXPECT_EQ(std::count(pdf.log.begin(), pdf.log.end(), "finish"), 1);
        // A dot-matrix report exports text through the dot-matrix filter.
        sheet.report->DotMatrixReport = true;
        text.log.clear();
        form->ExportPopup->actions()[0]->trigger();
        EXPECT_TRUE(text.log.empty());
        EXPECT_EQ(dotMatrix.log.back(), "finish");

        // A filter gone since the window opened is not reached.
        GetExportFilters().Unregister(&pdf);
        pdf.log.clear();
        form->ExportPopup->actions()[1]->trigger();
        EXPECT_TRUE(pdf.log.empty());
        form.reset();
    }
    EXPECT_EQ(GetExportFilters().Count(), 0);
    UnregisterClass<TrpTextExport>();
    UnregisterClass<TrpMailExport>();
    UnregisterClass<TrpPDFExport>();
}

TEST_F(PreviewForm, WithoutPagesTheCommandsOnPagesAreDisabledInToolbarAndMenu)
{
    TrpPreviewForm& f = Open();
    EXPECT_TRUE(f.PrintB->isEnabled());
    f.Preview->Clear();
    f.UpdateControls();
    for (QAction* a : {f.PrintB, f.OpenB, f.SaveB, f.FindB, f.PageSettingsB}) EXPECT_FALSE(a->isEnabled()) << a->objectName().toStdString();
    EXPECT_TRUE(f.RightMenu->actions().contains(f.PrintB));
    EXPECT_TRUE(f.ZoomPlusB->isEnabled());
    EXPECT_EQ(f.Panels[0]->text(), QStringLiteral("页 1 / 0"));
}

TEST_F(PreviewForm, WhilePreparingButtonsWaitCloseIsRefusedAndEscCancels)
{
    TrpPreviewForm& f = Open();
    TrpPreview& p = *f.Preview;
    sheet.engine.running = true;
    p.ProgressStart();
    sheet.start();
    for (int i = 0; i < 12; ++i) {
        sheet.pages().AddPage(sheet.page);
        sheet.pages().AddObject(sheet.title);
        p.Progress(i);
    }
    EXPECT_FALSE(f.PrintB->isEnabled());
    EXPECT_FALSE(f.PageSettingsB->isEnabled());
    EXPECT_EQ(f.CancelB->text(), QStringLiteral("取消"));
    // Refreshed every 50, 20 or 5 pages, after how long the second page took.
    EXPECT_TRUE(f.Panels[0]->text().startsWith(QStringLiteral("页 1 / "))) << f.Panels[0]->text().toStdString();
    EXPECT_FALSE(f.close());
    EXPECT_TRUE(f.isVisible());
    f.done(QDialog::Accepted);
    EXPECT_TRUE(f.isVisible());
    QTest::keyClick(p.Workspace, Qt::Key_Escape);
    EXPECT_TRUE(sheet.report->Terminated);
    EXPECT_TRUE(f.isVisible());

    sheet.engine.running = false;
    p.ProgressStop();
    EXPECT_EQ(f.CancelB->text(), QStringLiteral("关闭(&X)"));
    EXPECT_EQ(f.Panels[0]->text(), QStringLiteral("页 1 / 12"));
    EXPECT_TRUE(f.Panels[1]->text().isEmpty());
    EXPECT_TRUE(f.PrintB->isEnabled());
    bool closed = false;
    sheet.report->OnClosePreview = [&](TObject*) { closed = true; };
    QTest::keyClick(p.Workspace, Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
    EXPECT_TRUE(closed);
}

TEST_F(PreviewForm, FirstPassCountsPagesAndTheCloseButtonMayBeHidden)
{
    sheet.report->PreviewOptions()->Buttons.Include(pbNoClose);
    TrpPreviewForm& f = Open();
    EXPECT_FALSE(f.CancelBAction->isVisible());
    sheet.engine.finalPass = false;
    sheet.engine.running = true;
    f.Preview->ProgressStart();
    for (int i = 0; i < 2; ++i) f.Preview->Progress(i);
    EXPECT_EQ(f.Panels[0]->text(), QStringLiteral("第一次处理过程: 页  3"));
    sheet.engine.finalPass = true;
    sheet.engine.running = false;
    f.Preview->ProgressStop();
    // Esc still closes.
    QTest::keyClick(f.Preview->Workspace, Qt::Key_Escape);
    EXPECT_FALSE(f.isVisible());
}

TEST_F(PreviewForm, ThePageCounterTellsTheLoadedFilesPagesAtOnce)
{
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("two.rpp")).toStdString();
    {
        prepared_test::Sheet two;
        two.fill(2, 20);
        two.pages().SaveToFile(file);
    }
    TrpPreviewForm& f = Open();
    f.LastB->trigger();
    EXPECT_EQ(f.Panels[0]->text(), QStringLiteral("页 3 / 3"));
    ui.expectFile(QString::fromStdString(file));
    f.OpenB->trigger();
    Settle();
    EXPECT_EQ(f.Preview->PageCount(), 2);
    EXPECT_EQ(f.Panels[0]->text(), QStringLiteral("页 1 / 2"));
    EXPECT_EQ(f.PageE->text(), QStringLiteral("1"));
}

TEST_F(PreviewForm, AFileOpenedSetsItsOutlineAndNameForThisPreviewOnly)
{
    QTemporaryDir dir;
    auto saved = [&](const char* name, int width, const std::string& title) {
        const std::string file = dir.filePath(QString::fromUtf8(name)).toStdString();
        prepared_test::Sheet other;
        other.report->PreviewOptions()->OutlineVisible = true;
        other.report->PreviewOptions()->OutlineWidth = width;
        other.report->ReportOptions()->Name = title;
        other.fill(2, 20);
        other.pages().SaveToFile(file);
        return file;
    };
    const std::string received = saved("received.rpp", 321, "来自邮件");
    const std::string hostile = saved("hostile.rpp", 322, "");
    {
        // A width no screen has, as a file from elsewhere may carry it.
        std::stringstream text;
        text << std::ifstream(hostile, std::ios::binary).rdbuf();
        std::string bytes = text.str();
        bytes.replace(bytes.find("\"322\""), 5, "\"2147483647\"");
        std::ofstream(hostile, std::ios::binary) << bytes;
    }
    TrpReport& report = *sheet.report;
    report.ReportOptions()->Name = "出库单";
    TrpPreviewForm& f = Open();
    ui.expectFile(QString::fromStdString(received));
    f.OpenB->trigger();
    Settle();
    // This preview shows the file as it was saved.
    EXPECT_EQ(f.Preview->PageCount(), 2);
    EXPECT_TRUE(f.Preview->OutlineVisible());
    EXPECT_EQ(f.Preview->OutlineWidth(), 321);
    EXPECT_EQ(f.windowTitle(), QStringLiteral("来自邮件"));
    // A file whose settings are out of range is refused with a box naming
    // the file and the attribute; the preview and the report keep theirs.
    ui.expectFile(QString::fromStdString(hostile));
    ui.expectMessage(gui::MsgResult::Ok, QString::fromStdString("Invalid file format: \"" + hostile +
                                                                "\": PreviewOptions.OutlineWidth=\"2147483647\" is out of range"));
    f.OpenB->trigger();
    Settle();
    EXPECT_EQ(ui.pending(), 0);
    EXPECT_LE(f.Preview->OutlineWidth(), 321);
    // Closed: the report's own settings again, for its next preview.
    form.reset();
    EXPECT_FALSE(report.PreviewOptions()->OutlineVisible);
    EXPECT_EQ(report.PreviewOptions()->OutlineWidth, 120);
    EXPECT_EQ(report.ReportOptions()->Name, "出库单");
    TrpPreviewForm& again = Open();
    EXPECT_FALSE(again.Preview->OutlineVisible());
    EXPECT_EQ(again.Preview->OutlineWidth(), 120);
    EXPECT_EQ(again.windowTitle(), QStringLiteral("出库单"));
}

TEST_F(PreviewForm, ZoomBoxTakesPercentagesAndModesAndShowsItsValueAgain)
{
    TrpPreviewForm& f = Open();
    TypeZoom(QStringLiteral(" 150 %"));
    EXPECT_EQ(f.Preview->Zoom(), 1.5L);
    EXPECT_EQ(f.ZoomCB->currentText(), QStringLiteral("150%"));
    EXPECT_EQ(f.ZoomCB->count(), 8) << "Enter adds no entry";
    // Nothing, or no number: the zoom stays and the box shows it again.
    for (const QString& text : {QString(), QStringLiteral("abc%"), QStringLiteral("%%")}) {
        TypeZoom(text);
        EXPECT_EQ(f.Preview->Zoom(), 1.5L) << text.toStdString();
        EXPECT_EQ(f.ZoomCB->currentText(), QStringLiteral("150%")) << text.toStdString();
    }
    // Out of range: held to 25% and 1000%.
    TypeZoom(QStringLiteral("1e999"));
    EXPECT_EQ(f.ZoomCB->currentText(), QStringLiteral("1000%"));
    TypeZoom(QStringLiteral("10"));
    EXPECT_EQ(f.Preview->Zoom(), 0.25L);
    EXPECT_EQ(f.ZoomCB->currentText(), QStringLiteral("25%"));

    f.ZoomCB->setCurrentIndex(6);
    emit f.ZoomCB->activated(6);
    Settle();
    EXPECT_EQ(f.Preview->ZoomMode(), zmPageWidth);
    const int width = f.Preview->Workspace->viewport()->width();
    EXPECT_EQ(f.ZoomCB->currentText(), QString::number(Round((width - 26) / 794.0L * 100)) + QLatin1Char('%'));
    f.ZoomCB->setCurrentIndex(7);
    emit f.ZoomCB->activated(7);
    EXPECT_EQ(f.Preview->ZoomMode(), zmWholePage);
    f.ZoomPlusB->trigger();
    EXPECT_EQ(f.Preview->ZoomMode(), zmDefault);
}

TEST_F(PreviewForm, PageBoxMovesToItsPageAndShowsTheCurrentOneForNoNumber)
{
    TrpPreviewForm& f = Open();
    TypePage(QStringLiteral("3"));
    EXPECT_EQ(f.Preview->PageNo(), 3);
    EXPECT_EQ(f.Panels[0]->text(), QStringLiteral("页 3 / 3"));
    for (const QString& text : {QString(), QStringLiteral("99999999999")}) {
        TypePage(text);
        EXPECT_EQ(f.Preview->PageNo(), 3);
        EXPECT_EQ(f.PageE->text(), QStringLiteral("3"));
    }
    TypePage(QStringLiteral("9"));
    EXPECT_EQ(f.PageE->text(), QStringLiteral("3"));
    f.FirstB->trigger();
    EXPECT_EQ(f.PageE->text(), QStringLiteral("1"));
    f.NextB->trigger();
    f.LastB->trigger();
    f.PriorB->trigger();
    EXPECT_EQ(f.Preview->PageNo(), 2);
}

TEST_F(PreviewForm, StatusPanelsShareTheRestAndFullScreenHidesTheBars)
{
    TrpPreviewForm& f = Open();
    f.resize(1000, 600);
    Settle();
    EXPECT_EQ(f.Panels[0]->width(), 200);
    EXPECT_NEAR(f.Panels[1]->width(), f.Panels[2]->width(), 1);
    EXPECT_GT(f.Panels[1]->width(), 300);

    QTest::keyClick(f.Preview->Workspace, Qt::Key_F11);
    EXPECT_TRUE(f.FullScreen());
    EXPECT_FALSE(f.ToolBar->isVisible());
    EXPECT_FALSE(f.StatusBar->isVisible());
    // A double click in the pages leaves full screen.
    QTest::mouseDClick(f.Preview->Workspace->viewport(), Qt::LeftButton, {}, QPoint(50, 50));
    EXPECT_FALSE(f.FullScreen());
    EXPECT_TRUE(f.ToolBar->isVisible());
    EXPECT_TRUE(f.StatusBar->isVisible());
    f.FullScreenBtn->trigger();
    EXPECT_TRUE(f.FullScreen());
    QTest::keyClick(f.Preview->Workspace, Qt::Key_F11);
    EXPECT_FALSE(f.FullScreen());
    EXPECT_FALSE(f.windowState() & Qt::WindowFullScreen);
}

TEST_F(PreviewForm, DrillDownHeadersCollapseAndExpandThenTheReportIsPreparedAgain)
{
    TrpPreviewForm& f = Open();
    EXPECT_FALSE(f.ExpandMI->isEnabled());
    auto* header = new TrpGroupHeader(sheet.page);
    header->SetName("GroupHeader1");
    header->DrillDown = true;
    f.UpdateControls();
    EXPECT_TRUE(f.ExpandMI->isEnabled());
    EXPECT_TRUE(f.CollapseMI->isEnabled());
    int prepared = 0;
    sheet.report->OnBeginDoc = [&](TObject*) { ++prepared; };
    sheet.report->ExpandedDrillDowns = {"GroupHeader1.1"};
    f.ExpandMI->trigger();
    EXPECT_TRUE(sheet.report->ExpandedDrillDowns.empty());
    // A preparation loads the report back as it was: the header is a new
    // object with the value set before.
    auto expanded = [&] { return dynamic_cast<TrpGroupHeader&>(*sheet.report->FindObject("GroupHeader1")).ExpandDrillDown; };
    EXPECT_TRUE(expanded());
    EXPECT_EQ(prepared, 1);
    f.Preview->SetPageNo(f.Preview->PageCount());
    f.CollapseMI->trigger();
    EXPECT_FALSE(expanded());
    EXPECT_EQ(prepared, 2);
    EXPECT_EQ(f.Preview->PageNo(), 1);
    EXPECT_FALSE(f.Preview->Locked());
}

TEST_F(PreviewForm, ProgressLinesAndHintsGoToTheirPanels)
{
    TrpPreviewForm& f = Open();
    f.SetMessage("准备页 3", false);
    EXPECT_EQ(f.Panels[1]->text(), QStringLiteral("准备页 3"));
    f.SetMessage("提示", true);
    EXPECT_EQ(f.Panels[2]->text(), QStringLiteral("提示"));
    f.SetMessage("", true);
    EXPECT_EQ(f.Panels[2]->text(), QString());
    f.ShowRunning(false);
    EXPECT_EQ(f.Panels[1]->text(), QString());
}

TEST_F(PreviewForm, MinimisingAModalPreviewMinimisesTheProgram)
{
    QWidget main;
    main.show();
    TrpPreviewForm& f = Open();
    f.hide();
    f.setWindowModality(Qt::ApplicationModal);
    f.show();
    f.setWindowState(Qt::WindowMinimized);
    EXPECT_TRUE(main.windowState() & Qt::WindowMinimized);
    f.setWindowState(Qt::WindowNoState);
    EXPECT_FALSE(main.windowState() & Qt::WindowMinimized);
}

TEST_F(PreviewForm, ClosingWhileTheZoomBoxHasTheFocusReachesNoHandlerOfTheGoingWindow)
{
    // The failed print's path: the window goes while the zoom box's edit
    // holds the focus and a text that names another entry, so that losing
    // the focus makes the box report that entry.
    TrpPreviewForm& f = Open();
    f.activateWindow();
    QApplication::setActiveWindow(&f);
    f.ZoomCB->setFocus();
    Settle();
    ASSERT_TRUE(f.ZoomCB->lineEdit()->hasFocus()) << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none");
    f.Preview->SetZoom(2);
    f.ZoomCB->setEditText(QStringLiteral("50%"));
    QPointer<TrpPreview> preview = f.Preview;
    int reported = 0;
    Extended zoomThen = 0;
    // Connected after the window's own handler: it sees what that did.
    QObject::connect(f.ZoomCB, &QComboBox::activated, [&] {
        ++reported;
        if (preview) zoomThen = preview->Zoom();
    });
    form.reset();
    EXPECT_TRUE(preview.isNull());
    ASSERT_EQ(reported, 1) << "the zoom box no longer speaks as it loses the focus: the case is gone";
    EXPECT_EQ(zoomThen, 2) << "the zoom box's handler ran on the going window";
}
