// The preview control: layout, navigation, zoom, the mouse, the wheel and
// the keys, painting, progress while preparing, outline and commands.
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTreeWidget>
#include <QWheelEvent>

#include "PreviewTestSupport.h"
#include "rpPreviewPages.h"
#include "rpReport.h"

using namespace preview_test;

namespace {

void Wheel(TrpPreviewWorkspace& area, int delta, Qt::KeyboardModifiers modifiers = {})
{
    const QPointF at(100, 100);
    QWheelEvent e(at, area.viewport()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, modifiers,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(area.viewport(), &e);
}

QColor Rgb(int r, int g, int b) { return QColor(r, g, b); }

}  // namespace

TEST(PageList, RowsAreCentredAndAWidePageStartsAtTen)
{
    TrpPageList l;
    l.Add(300, 400);
    l.Add(300, 400);
    l.Add(300, 200);
    l.CalcBounds(700);
    // Two fit side by side (610 of 700), the third starts a row; each row
    // is centred on its own.
    EXPECT_EQ(l.Items[0].OffsetX, 55);
    EXPECT_EQ(l.Items[1].OffsetX, 365);
    EXPECT_EQ(l.Items[0].OffsetY, 10);
    EXPECT_EQ(l.Items[1].OffsetY, 10);
    EXPECT_EQ(l.Items[2].OffsetX, 210);
    EXPECT_EQ(l.Items[2].OffsetY, 420);
    EXPECT_EQ(l.MaxWidth, 620);
    EXPECT_EQ(l.Bottom(), 620);

    TrpPageList two;
    two.Add(400, 100);
    two.Add(400, 100);
    two.CalcBounds(700);
    EXPECT_EQ(two.Items[0].OffsetX, 160);
    EXPECT_EQ(two.Items[1].OffsetX, 160);
    EXPECT_EQ(two.Items[1].OffsetY, 120);

    TrpPageList wide;
    wide.Add(900, 100);
    wide.CalcBounds(700);
    EXPECT_EQ(wide.Items[0].OffsetX, 10);
    EXPECT_EQ(wide.MaxWidth, 910);
}

TEST(PageList, FindPageAllowsAFifthOfAPageWhenScrollingAndHitsWithinARow)
{
    TrpPageList column;
    for (int i = 0; i < 4; ++i) column.Add(100, 100);
    column.CalcBounds(150);  // tops 10, 120, 230, 340
    EXPECT_EQ(column.FindPage(0), 0);
    EXPECT_EQ(column.FindPage(99), 0);
    EXPECT_EQ(column.FindPage(100), 1);  // 120 lies within a fifth (20) below
    EXPECT_EQ(column.FindPage(209), 1);
    EXPECT_EQ(column.FindPage(210), 2);
    EXPECT_EQ(column.FindPage(100000), 3);

    TrpPageList rows;
    for (int i = 0; i < 4; ++i) rows.Add(300, 100);
    rows.CalcBounds(700);  // two a row: x 55 and 365
    EXPECT_EQ(rows.FindPage(50, 100), 0);
    EXPECT_EQ(rows.FindPage(50, 400), 1);
    EXPECT_EQ(rows.FindPage(150, 100), 2);
    // Between pages: the page the search found stays.
    EXPECT_EQ(rows.FindPage(50, 690), 1);
    EXPECT_EQ(rows.FindPage(115, 100), 1);

    EXPECT_EQ(TrpPageList().FindPage(50), 0);
}

TEST(Preview, RefreshIntervalFollowsTheSecondPagesTime)
{
    EXPECT_EQ(TrpPreview::RefreshIntervalFor(0), 50);
    EXPECT_EQ(TrpPreview::RefreshIntervalFor(4), 50);
    EXPECT_EQ(TrpPreview::RefreshIntervalFor(5), 20);
    EXPECT_EQ(TrpPreview::RefreshIntervalFor(9), 20);
    EXPECT_EQ(TrpPreview::RefreshIntervalFor(10), 5);
}

class PreviewControl : public PreviewTest {};

TEST_F(PreviewControl, PageNumbersStayWithinThePagesAndWithoutPagesAtOne)
{
    std::vector<int> changes;
    preview->OnPageChanged = [&](TrpPreview*, int page) { changes.push_back(page); };
    EXPECT_EQ(preview->PageCount(), 0);
    preview->SetPageNo(5);
    EXPECT_EQ(preview->PageNo(), 1);
    // No pages: an empty A4 sheet at the zoom, centred.
    const TRect sheet = area().GetPageBounds(0);
    EXPECT_EQ(sheet.Width(), 794);
    EXPECT_EQ(sheet.Top, 10);

    Attach(3);
    preview->SetPageNo(0);
    EXPECT_EQ(preview->PageNo(), 1);
    preview->SetPageNo(3 + 5);
    EXPECT_EQ(preview->PageNo(), 3);
    preview->Prior();
    EXPECT_EQ(preview->PageNo(), 2);
    preview->Next();
    preview->Next();
    EXPECT_EQ(preview->PageNo(), 3);
    preview->First();
    EXPECT_EQ(preview->PageNo(), 1);
    EXPECT_EQ(changes.back(), 1);
    // The page's top lies 10 pixels below the view's top.
    preview->SetPageNo(2);
    EXPECT_EQ(area().VertPosition(), area().GetPageBounds(1).Top - 10);
}

TEST_F(PreviewControl, ZoomHasAFloorAndTheModesFollowTheArea)
{
    Attach(2);
    preview->SetZoom(0.1L);
    EXPECT_EQ(preview->Zoom(), 0.25L);
    EXPECT_EQ(area().PageList.Items[0].Width, 198);  // 794 x 0.25, half to even
    preview->SetZoom(1000);
    EXPECT_EQ(preview->Zoom(), 10);

    const QSize view = area().viewport()->size();
    preview->SetZoomMode(zmPageWidth);
    EXPECT_DOUBLE_EQ(static_cast<double>(preview->Zoom()), (view.width() - 26) / 794.0);
    EXPECT_EQ(area().PageList.Items[0].Width, view.width() - 26);

    preview->SetZoomMode(zmWholePage);
    // The area is wider than an A4 sheet's shape: the height decides.
    EXPECT_DOUBLE_EQ(static_cast<double>(preview->Zoom()), (view.height() - 26) / 1123.0);
    EXPECT_EQ(preview->ZoomMode(), zmWholePage);
    preview->SetZoom(1);
    EXPECT_EQ(preview->ZoomMode(), zmDefault);

    // Landscape pages: the width decides.
    pages.pages[0].size = {1123, 794};
    pages.pages[1].size = {1123, 794};
    preview->SetZoomMode(zmWholePage);
    EXPECT_DOUBLE_EQ(static_cast<double>(preview->Zoom()), (view.width() - 26) / 1123.0);
}

TEST_F(PreviewControl, ZoomingKeepsTheCurrentPageInView)
{
    Attach(6);
    preview->SetPageNo(4);
    preview->SetZoom(0.3L);
    preview->SetZoom(1.5L);
    EXPECT_EQ(preview->PageNo(), 4);
    EXPECT_EQ(area().VertPosition(), area().GetPageBounds(3).Top - 10);
    // Half way down the page it stays half way down.
    area().SetVertPosition(area().GetPageBounds(3).Top + 600);
    preview->SetZoom(0.75L);
    EXPECT_EQ(area().VertPosition(), area().GetPageBounds(3).Top + 300);
    EXPECT_EQ(preview->PageNo(), 4);
}

TEST_F(PreviewControl, WheelScrollsByNotchesAddingUpFineDeltasAndZoomsWithCtrl)
{
    Attach(3);
    area().SetVertPosition(500);
    Wheel(area(), -120);
    EXPECT_EQ(area().VertPosition(), 520);
    // A touch pad's thirds of a notch move nothing until they add up.
    Wheel(area(), 40);
    Wheel(area(), 40);
    EXPECT_EQ(area().VertPosition(), 520);
    Wheel(area(), 40);
    EXPECT_EQ(area().VertPosition(), 500);
    Wheel(area(), 240);
    EXPECT_EQ(area().VertPosition(), 460);

    preview->SetZoom(0.5L);
    Wheel(area(), 120, Qt::ControlModifier);
    EXPECT_NEAR(static_cast<double>(preview->Zoom()), 0.6, 1e-9);
    for (int i = 0; i < 6; ++i) Wheel(area(), -120, Qt::ControlModifier);
    EXPECT_NEAR(static_cast<double>(preview->Zoom()), 0.3, 1e-9);
}

TEST_F(PreviewControl, KeysNavigateAndEndReachesTheLastPageAtASmallZoom)
{
    Attach(6);
    QTest::keyClick(&area(), Qt::Key_PageDown);
    EXPECT_EQ(area().VertPosition(), 300);
    QTest::keyClick(&area(), Qt::Key_Down);
    EXPECT_EQ(area().VertPosition(), 308);
    QTest::keyClick(&area(), Qt::Key_PageUp);
    EXPECT_EQ(area().VertPosition(), 8);
    QTest::keyClick(&area(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(preview->PageNo(), 2);
    QTest::keyClick(&area(), Qt::Key_End);
    EXPECT_EQ(preview->PageNo(), 6);
    QTest::keyClick(&area(), Qt::Key_Home);
    EXPECT_EQ(preview->PageNo(), 1);
    EXPECT_EQ(area().VertPosition(), 0);

    // Several pages a row and the last row cannot scroll to the top: End
    // still makes the last page the current one.
    preview->SetZoom(0.25L);
    QTest::keyClick(&area(), Qt::Key_End);
    EXPECT_EQ(preview->PageNo(), 6);

    // F3 repeats the search; before any search it does nothing.
    QTest::keyClick(&area(), Qt::Key_F3);
    EXPECT_FALSE(preview->Search().Found);
}

TEST_F(PreviewControl, DraggingMovesThePagesLikeAHand)
{
    Attach(2);
    preview->SetZoom(2);
    area().SetHorzPosition(100);
    area().SetVertPosition(100);
    QWidget* vp = area().viewport();
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(500, 400));
    EXPECT_EQ(vp->cursor().shape(), Qt::ClosedHandCursor);
    QTest::mouseMove(vp, QPoint(480, 300));
    QTest::mouseMove(vp, QPoint(470, 250));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(470, 250));
    EXPECT_EQ(area().HorzPosition(), 130);
    EXPECT_EQ(area().VertPosition(), 250);
    EXPECT_EQ(vp->cursor().shape(), Qt::OpenHandCursor);
}

TEST_F(PreviewControl, PaintsBackgroundActiveFrameAndPages)
{
    Attach(2);
    preview->SetZoom(0.5L);
    Settle();
    QWidget* vp = area().viewport();
    const TRect first = area().GetPageBounds(0), second = area().GetPageBounds(1);
    ASSERT_EQ(first.Top, second.Top) << "both pages in one row";
    const QImage img = vp->grab().toImage();
    EXPECT_EQ(img.pixelColor(5, 5), Rgb(0x80, 0x80, 0x80));
    // The current page's frame: 0x804020 is blue 0x80, green 0x40, red 0x20.
    EXPECT_EQ(img.pixelColor(first.Left - 1, first.Top + 50), Rgb(0x20, 0x40, 0x80));
    EXPECT_EQ(img.pixelColor(first.Left - 2, first.Top + 50), Rgb(0x20, 0x40, 0x80));
    EXPECT_EQ(img.pixelColor(first.Left + 5, first.Top + 5), Rgb(255, 255, 255));
    // The other page has no active frame.
    EXPECT_EQ(img.pixelColor(second.Left - 2, second.Top + 50), Rgb(0x80, 0x80, 0x80));
    EXPECT_EQ(img.pixelColor(second.Left, second.Top + 50), Rgb(0, 0, 0));

    preview->SetPageNo(2);
    Settle();
    const QImage after = vp->grab().toImage();
    EXPECT_EQ(after.pixelColor(second.Left - 1, second.Top + 50), Rgb(0x20, 0x40, 0x80));
    EXPECT_EQ(after.pixelColor(first.Left - 2, first.Top + 50), Rgb(0x80, 0x80, 0x80));

    preview->SetBackColor(clWhite);
    Settle();
    EXPECT_EQ(vp->grab().toImage().pixelColor(5, 5), Rgb(255, 255, 255));
}

TEST_F(PreviewControl, ProgressShowsTheFirstFiftyPagesWhileTheFinalPassRuns)
{
    Attach(0);
    std::vector<int> listed;
    preview->OnPageChanged = [&](TrpPreview*, int) { listed.push_back(area().PageList.Count()); };
    pages.engine.running = true;
    preview->ProgressStart();
    EXPECT_TRUE(preview->Running());
    for (int i = 0; i < 70; ++i) {
        pages.pages.push_back(FakePreviewPages::MakePage(i + 1));
        preview->Progress(i);
        EXPECT_EQ(area().PageList.Count(), std::min(i + 1, 50)) << i;
    }
    EXPECT_EQ(preview->PageNo(), 1);
    // Commands wait for the end of the run.
    preview->Print();
    preview->AddPage();
    preview->DeletePage();
    preview->Clear();
    preview->PageSetupDlg();
    preview->Save();
    preview->Load();
    preview->SaveToFile("/nonexistent/x.rpp");
    EXPECT_EQ(pages.printCalls, 0);
    EXPECT_EQ(pages.GetCount(), 70);
    pages.engine.running = false;
    preview->ProgressStop();
    EXPECT_FALSE(preview->Running());
    EXPECT_EQ(area().PageList.Count(), 70);
    EXPECT_EQ(preview->Thumbnail->PageList.Count(), 70);
    EXPECT_FALSE(listed.empty());

    // A first pass of two adds nothing to the page area.
    pages.Clear();
    pages.engine.finalPass = false;
    preview->ProgressStart();
    for (int i = 0; i < 5; ++i) {
        pages.pages.push_back(FakePreviewPages::MakePage(i + 1));
        preview->Progress(i);
    }
    EXPECT_EQ(area().PageList.Count(), 0);
    preview->ProgressStop();
    EXPECT_EQ(area().PageList.Count(), 5);
}

TEST_F(PreviewControl, DeletingTheLastPageMovesBackAndOnePageStays)
{
    Attach(3);
    preview->SetPageNo(2);
    preview->DeletePage();
    EXPECT_EQ(preview->PageCount(), 2);
    EXPECT_EQ(preview->PageNo(), 2);
    preview->DeletePage();
    EXPECT_EQ(preview->PageCount(), 1);
    EXPECT_EQ(preview->PageNo(), 1);
    preview->DeletePage();
    EXPECT_EQ(preview->PageCount(), 1);
    preview->AddPage();
    EXPECT_EQ(preview->PageCount(), 2);
    EXPECT_EQ(area().PageList.Count(), 2);
    preview->Clear();
    EXPECT_EQ(preview->PageCount(), 0);
    EXPECT_EQ(area().PageList.Count(), 0);
    EXPECT_FALSE(preview->Locked());
}

TEST_F(PreviewControl, OutlineEntriesTakeThePreviewToTheirPlace)
{
    pages.AddPages(4);
    FakeOutline& o = *pages.outline_;
    o.root.children = {{"总计", 0, 0, {}}, {"客户", 2, 100, {{"第一", 3, 300, {}}}}};
    preview->PreviewPages = &pages;
    preview->Init();
    preview->SetOutlineVisible(true);
    Settle();
    QTreeWidget& tree = *preview->OutlineTree;
    ASSERT_EQ(tree.topLevelItemCount(), 2);
    EXPECT_EQ(tree.topLevelItem(1)->text(0), QStringLiteral("客户"));
    ASSERT_EQ(tree.topLevelItem(1)->childCount(), 1);
    EXPECT_TRUE(tree.isVisible());
    EXPECT_FALSE(preview->Thumbnail->isVisible());
    // Below the page's top margin of 10 mm.
    emit tree.itemClicked(tree.topLevelItem(1)->child(0), 0);
    EXPECT_EQ(preview->PageNo(), 4);
    EXPECT_EQ(area().VertPosition(), std::min(area().GetPageBounds(3).Top - 10 + 338, area().VertRange() - area().VertPage()));
    emit tree.itemClicked(tree.topLevelItem(0), 0);
    EXPECT_EQ(preview->PageNo(), 1);
    EXPECT_EQ(area().VertPosition(), 0);

    preview->SetThumbnailVisible(true);
    EXPECT_FALSE(preview->OutlineVisible());
    EXPECT_FALSE(tree.isVisible());
    EXPECT_TRUE(preview->Thumbnail->isVisible());
}

TEST_F(PreviewControl, AThumbnailClickMakesItsPageCurrent)
{
    Attach(5);
    preview->SetThumbnailVisible(true);
    Settle();
    TrpPreviewWorkspace& thumbs = *preview->Thumbnail;
    ASSERT_EQ(thumbs.PageList.Count(), 5);
    EXPECT_EQ(thumbs.Zoom, 0.1L);
    const TRect third = thumbs.GetPageBounds(2);
    QTest::mouseClick(thumbs.viewport(), Qt::LeftButton, {}, QPoint(third.Left + 5, third.Top + 20 - thumbs.VertPosition()));
    EXPECT_EQ(preview->PageNo(), 3);
    EXPECT_EQ(area().VertPosition(), area().GetPageBounds(2).Top - 10);
}

TEST_F(PreviewControl, MessagePanelSitsCentredUntilUnlocked)
{
    Attach(1);
    preview->Lock();
    preview->ShowMessage("保存文件...");
    EXPECT_TRUE(preview->MessagePanel->isVisible());
    EXPECT_EQ(preview->MessagePanel->geometry(), QRect((1000 - 260) / 2, (800 - 75) / 3, 260, 75));
    EXPECT_EQ(preview->MessageLabel->text(), QStringLiteral("保存文件..."));
    EXPECT_EQ(preview->CancelButton->text(), QStringLiteral("取消"));
    preview->Unlock();
    EXPECT_FALSE(preview->MessagePanel->isVisible());
}

// ---- over prepared pages filled as the engine fills them

class PreparedPreview : public PreviewTest {
protected:
    void Fill(int count)
    {
        sheet.fill(count, 20);
        sheet.report->SetPreview(preview.get());
        Settle();
    }
    prepared_test::Sheet sheet;
};

TEST_F(PreparedPreview, ClicksFollowPageAndAnchorLinksAndOpenOtherLinks)
{
    sheet.memos[2]->URL = "#总计";
    sheet.title->Objects()[0]->SetName("Caption");
    auto* caption = dynamic_cast<TrpView*>(sheet.title->Objects()[0]);
    caption->URL = "@3";
    sheet.start();
    for (int p = 0; p < 4; ++p) {
        sheet.pages().AddPage(sheet.page);
        sheet.pages().AddObject(sheet.title);
        sheet.row(p, 0);
        sheet.pages().AddObject(sheet.band);
        if (p == 2) {
            sheet.engine.curY = 200;
            sheet.pages().AddAnchor("总计");
        }
    }
    sheet.report->SetPreview(preview.get());
    Settle();
    // The caption: 10 mm margin, then (10, 5) in the title; 300 x 30.
    auto click = [&](int page, int x, int y) {
        const TRect r = area().GetPageBounds(page);
        const QPoint at(r.Left + static_cast<int>(Round(37.7953L + x)) - area().HorzPosition(),
                        r.Top + static_cast<int>(Round(37.7953L + y)) - area().VertPosition());
        QTest::mouseClick(area().viewport(), Qt::LeftButton, {}, at);
        area().LastClickTicks = 0;  // the next click is no double click
    };
    click(0, 100, 20);
    EXPECT_EQ(preview->PageNo(), 3);
    // The third memo of the row: the anchor's page and top.
    preview->SetPageNo(1);
    click(0, 420 + 50, 50 + 10);
    EXPECT_EQ(preview->PageNo(), 3);
    EXPECT_EQ(area().VertPosition(),
              std::min(area().GetPageBounds(2).Top - 10 + static_cast<int>(Round(37.7953L + 200)),
                       area().VertRange() - area().VertPage()));

    caption->URL = "https://example.com/order";
    sheet.pages().Clear();
    sheet.fill(1, 1);
    preview->Init();
    Settle();
    ui.expectUrl(QStringLiteral("https://example.com/order"));
    click(0, 100, 20);
    EXPECT_EQ(ui.pending(), 0);
}

TEST_F(PreparedPreview, HoveringALinkShowsThePointingHandAndTheHint)
{
    auto* caption = dynamic_cast<TrpView*>(sheet.title->Objects()[0]);
    caption->URL = "@2";
    caption->Hint = "第二页";
    caption->ShowHint = true;
    Fill(2);
    std::string hint;
    preview->OnHint = [&](const std::string& h) { hint = h; };
    const TRect r = area().GetPageBounds(0);
    QWidget* vp = area().viewport();
    QTest::mouseMove(vp, QPoint(r.Left + 38 + 100, r.Top + 38 + 20));
    EXPECT_EQ(vp->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(hint, "第二页");
    QTest::mouseMove(vp, QPoint(r.Left + 5, r.Top + 5));
    EXPECT_EQ(vp->cursor().shape(), Qt::OpenHandCursor);
    EXPECT_EQ(hint, "");
}

TEST_F(PreparedPreview, ASaveThatFailsLeavesThePreviewUnlockedAndTheNameGetsRpp)
{
    Fill(2);
    QTemporaryDir dir;
    ui.expectFile(dir.filePath(QStringLiteral("orders.txt")));
    preview->Save();
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("orders.rpp"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("orders.txt"))));

    EXPECT_THROW(preview->SaveToFile("/nonexistent/folder/x.rpp"), std::exception);
    EXPECT_FALSE(preview->Locked());
    EXPECT_FALSE(area().Locked);
    EXPECT_FALSE(preview->MessagePanel->isVisible());

    // Loading it back starts at its first page with its outline.
    preview->SetPageNo(2);
    ui.expectFile(dir.filePath(QStringLiteral("orders.rpp")));
    preview->Load();
    EXPECT_EQ(preview->PageCount(), 2);
    EXPECT_EQ(preview->PageNo(), 1);
    EXPECT_FALSE(preview->Locked());
}

TEST(RowsReport, PreparesTheNumberOfPagesAsked)
{
    RowsReport r(3);
    r.report->EngineOptions()->BackgroundMode = true;
    ASSERT_TRUE(r.prepare()) << r.report->Errors.Text();
    EXPECT_EQ(r.pages().GetCount(), 3);
}

class EnginePreview : public PreviewTest {
protected:
    void Prepare(int pages)
    {
        rows.SetPages(pages);
        rows.report->SetPreview(preview.get());
        ASSERT_TRUE(rows.prepare()) << rows.report->Errors.Text();
        Settle();
    }
    RowsReport rows{5};
};

TEST_F(EnginePreview, RefreshKeepsPageAndPlaceAndFallsBackWhenTheReportShrank)
{
    Prepare(5);
    EXPECT_EQ(preview->PageCount(), 5);
    EXPECT_FALSE(preview->Running());
    preview->SetPageNo(3);
    area().SetVertPosition(area().VertPosition() + 40);
    const int place = area().VertPosition();
    preview->RefreshReport();
    EXPECT_EQ(preview->PageCount(), 5);
    EXPECT_EQ(preview->PageNo(), 3);
    EXPECT_EQ(area().VertPosition(), place);
    EXPECT_FALSE(preview->Locked());
    EXPECT_FALSE(preview->Refreshing());

    rows.SetPages(2);
    preview->RefreshReport();
    EXPECT_EQ(preview->PageCount(), 2);
    EXPECT_EQ(preview->PageNo(), 1);
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(EnginePreview, WhilePagesComeTheFirstShowsAtOnceAndTheRestWithoutAPaintEach)
{
    PaintCounter counter;
    area().viewport()->installEventFilter(&counter);
    int paintedBeforeSecondPage = -1;
    rows.report->OnProgress = [&](TrpReport*, int type, int page) {
        if (type == ptRunning && page == 2) paintedBeforeSecondPage = counter.paints;
    };
    Prepare(120);
    EXPECT_EQ(preview->PageCount(), 120);
    EXPECT_GE(paintedBeforeSecondPage, 1);
    // Each page painted as it came would take 120 paints or more.
    EXPECT_LT(counter.paints, 20);
    // The scroll range caught up with the pages at the end.
    EXPECT_GE(area().VertRange(), area().GetPageBounds(119).Bottom);
    area().viewport()->removeEventFilter(&counter);
}

TEST_F(PreviewControl, AMoveWhilePagesComeRepaintsAtOnce)
{
    Attach(0);
    pages.engine.running = true;
    preview->ProgressStart();
    for (int i = 0; i < 10; ++i) {
        pages.pages.push_back(FakePreviewPages::MakePage(i + 1));
        preview->Progress(i);
    }
    Settle();
    PaintCounter counter;
    area().viewport()->installEventFilter(&counter);
    area().SetVertPosition(area().VertPosition() + 300);
    Settle();
    EXPECT_GE(counter.paints, 1);
    area().viewport()->removeEventFilter(&counter);
    pages.engine.running = false;
    preview->ProgressStop();
}

TEST_F(EnginePreview, PageSettingsChangeTheCurrentPageOrEveryReportPage)
{
    Prepare(2);
    auto landscape = [](QDialog& d) {
        d.findChild<QRadioButton*>(QStringLiteral("LandscapeRB"))->setChecked(true);
        d.findChild<QPushButton*>(QStringLiteral("OKB"))->click();
        return d.result();
    };
    ui.expectModal(QStringLiteral("TrpPageSettingsForm"), landscape);
    preview->PageSetupDlg();
    EXPECT_EQ(rows.pages().GetPageSize(0).X, static_cast<int>(Round(297 * rp01cm)));
    EXPECT_EQ(rows.pages().GetPageSize(1).X, static_cast<int>(Round(210 * rp01cm)));
    EXPECT_GT(area().PageList.Items[0].Width, area().PageList.Items[1].Width);
    EXPECT_EQ(rows.Find<TrpReportPage>("Page1").Orientation(), poPortrait);

    // Every report page, and the report prepared again: landscape pages
    // hold fewer rows.
    ui.expectModal(QStringLiteral("TrpPageSettingsForm"), [](QDialog& d) {
        d.findChild<QRadioButton*>(QStringLiteral("ApplyToAllRB"))->setChecked(true);
        d.findChild<QRadioButton*>(QStringLiteral("LandscapeRB"))->setChecked(true);
        d.findChild<QPushButton*>(QStringLiteral("OKB"))->click();
        return d.result();
    });
    preview->PageSetupDlg();
    EXPECT_EQ(rows.Find<TrpReportPage>("Page1").Orientation(), poLandscape);
    EXPECT_EQ(rows.pages().GetPageSize(1).X, static_cast<int>(Round(297 * rp01cm)));
    EXPECT_EQ(preview->PageCount(), 3);
    EXPECT_FALSE(preview->Running());
}

TEST_F(PreviewTest, AClickInADrillDownHeaderOpensItsGroup)
{
    engine_test::Sheet s;
    s.report->EngineOptions()->BackgroundMode = false;
    s.band<TrpMasterData>("Outer", 0, 10, 1);
    auto* group = s.band<TrpGroupHeader>("Kind", 20, 10);
    group->Condition = "item.\"kind\"";
    group->DrillDown = true;
    s.memo(group, "KindName", 0, 0, 100, 10, u"[item.\"kind\"]");
    auto* items = s.band<TrpDetailData>("Items", 40, 10);
    items->SetDataSet(s.dataset("item", "select * from item order by id"));
    s.memo(items, "Name", 20, 0, 100, 10, u"[item.\"name\"]");
    s.report->SetPreview(preview.get());
    ASSERT_TRUE(s.prepare()) << s.report->Errors.Text();
    Settle();
    auto names = [&] { return engine_test::dumpLines(s.dump(), "memo Name").size(); };
    EXPECT_EQ(names(), 0u);
    // The second group's header (below the outer band and the first
    // header, 10 pixels each): the rows under "B" open.
    preview->SetZoom(2);
    const TRect page = area().GetPageBounds(0);
    const QPoint at(page.Left + 2 * 50 - area().HorzPosition(), page.Top + 2 * (20 + 5) - area().VertPosition());
    QTest::mouseClick(area().viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(s.report->ExpandedDrillDowns, (std::set<std::string>{"Outer.1.Kind.2"}));
    EXPECT_EQ(names(), 2u);
    EXPECT_FALSE(preview->Locked());
    area().LastClickTicks = 0;
    QTest::mouseClick(area().viewport(), Qt::LeftButton, {}, at);
    EXPECT_TRUE(s.report->ExpandedDrillDowns.empty());
    EXPECT_EQ(names(), 0u);
}

TEST_F(PreviewControl, RightToLeftMirrorsThePagesTheClicksAndTheScrolling)
{
    Attach(3);
    preview->SetZoom(0.5L);
    Settle();
    QWidget* vp = area().viewport();
    const int view = vp->width(), cw = area().LayoutWidth();
    const TRect ltr0 = area().GetPageBounds(0), ltr1 = area().GetPageBounds(1), ltr2 = area().GetPageBounds(2);
    ASSERT_EQ(ltr0.Top, ltr1.Top) << "two pages in the first row";
    ASSERT_GT(ltr2.Top, ltr1.Top);
    area().SetRightToLeft(true);
    Settle();
    EXPECT_EQ(area().layoutDirection(), Qt::RightToLeft);
    // Left = ClientWidth - width - OffsetX: the first page on the right,
    // the rows where they were.
    for (const auto& [index, ltr] : {std::pair{0, ltr0}, {1, ltr1}, {2, ltr2}}) {
        const TRect r = area().GetPageBounds(index);
        EXPECT_EQ(r.Left, cw - ltr.Width() - ltr.Left) << index;
        EXPECT_EQ(r.Top, ltr.Top);
        EXPECT_EQ(r.Width(), ltr.Width());
    }
    // On the screen the view is the mirror image of the one left to right.
    const QImage img = vp->grab().toImage();
    const QRect first(view - ltr0.Right, ltr0.Top, ltr0.Width(), ltr0.Height());
    EXPECT_EQ(area().GetPageBounds(0).Left - area().ViewLeft(), first.left());
    EXPECT_EQ(img.pixelColor(first.left() + 5, first.top() + 5), Rgb(255, 255, 255));
    EXPECT_EQ(img.pixelColor(first.left() - 1, first.top() + 50), Rgb(0x20, 0x40, 0x80)) << "the active frame";
    EXPECT_EQ(img.pixelColor(first.right() + 2, first.top() + 50), Rgb(0x20, 0x40, 0x80));
    EXPECT_EQ(img.pixelColor(first.right() + 5, first.top() + 50), Rgb(0x80, 0x80, 0x80));
    EXPECT_EQ(img.pixelColor(view - 1 - (ltr1.Left + 5), ltr1.Top + 5), Rgb(255, 255, 255)) << "the second page";

    // A click finds the page under the mouse to its outermost pixels.
    preview->SetPageNo(3);
    QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(first.left(), first.top() + 20));
    EXPECT_EQ(preview->PageNo(), 1);
    QTest::mouseClick(vp, Qt::RightButton, {}, QPoint(view - ltr1.Left - 1, ltr1.Top + 20));
    EXPECT_EQ(preview->PageNo(), 2);
    QTest::mouseClick(vp, Qt::RightButton, {}, QPoint(view - ltr2.Right, ltr2.Top + 20));
    EXPECT_EQ(preview->PageNo(), 3);

    // A page wider than the view: the view starts at its right edge and
    // scrolls to its left one.
    preview->SetPageNo(1);
    preview->SetZoom(2);
    area().SetHorzPosition(0);
    Settle();
    const TRect wide = area().GetPageBounds(0);
    ASSERT_GT(wide.Width(), view);
    const int y = wide.Top - area().VertPosition() + 30;
    QImage shot = vp->grab().toImage();
    EXPECT_EQ(wide.Right - area().ViewLeft(), view - 10);
    EXPECT_EQ(shot.pixelColor(view - 12, y), Rgb(255, 255, 255));
    EXPECT_EQ(shot.pixelColor(view - 5, y), Rgb(0x80, 0x80, 0x80));
    area().SetHorzPosition(area().HorzRange());
    Settle();
    EXPECT_EQ(wide.Left - area().ViewLeft(), 10);
    shot = vp->grab().toImage();
    EXPECT_EQ(shot.pixelColor(5, y), Rgb(0x80, 0x80, 0x80));
    EXPECT_EQ(shot.pixelColor(12, y), Rgb(255, 255, 255));

    // Dragging, the arrow keys and a sideways wheel move the pages the way
    // they go left to right.
    area().SetHorzPosition(100);
    QTest::mousePress(vp, Qt::LeftButton, {}, QPoint(500, 400));
    QTest::mouseMove(vp, QPoint(530, 400));
    QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(530, 400));
    EXPECT_EQ(area().HorzPosition(), 130);
    QTest::keyClick(&area(), Qt::Key_Right);
    EXPECT_EQ(area().HorzPosition(), 122);
    QTest::keyClick(&area(), Qt::Key_Left);
    EXPECT_EQ(area().HorzPosition(), 130);
    preview->MouseWheelScroll(120, true, false);
    EXPECT_EQ(area().HorzPosition(), 150);
}
