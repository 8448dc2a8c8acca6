// End to end: the order sheet of a fixture order shown as the print command
// shows it, its first page looked at pixel by pixel, then printed from the
// preview to a PDF file.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>

#include "PreviewTestSupport.h"
#include "PrinterTestSupport.h"
#include "rpMemo.h"
#include "rpPrintDialog.h"
#include "rpPreviewForm.h"
#include "rpPreviewSearch.h"
#include "rpReport.h"

using namespace preview_test;

namespace {

const char* const kOrder = "ZEZO-2026-12-06-093000";

// The printed text object holding `text` on a prepared page, and where it
// lies on the page (pixels at zoom 1 from the paper's corner).
bool FindText(TrpCustomPreviewPages& pages, int page, const std::u16string& text, QRectF& at)
{
    const std::shared_ptr<TrpReportPage> p = pages.GetPage(page);
    for (TrpComponent* c : p->GetAllObjects())
        if (auto* memo = dynamic_cast<TrpMemoView*>(c); memo && memo->Text().find(text) != std::u16string::npos) {
            at = QRectF(static_cast<double>(p->LeftMargin * rp01cm + memo->AbsLeft()),
                        static_cast<double>(p->TopMargin * rp01cm + memo->AbsTop()), static_cast<double>(memo->Width()),
                        static_cast<double>(memo->Height()));
            return true;
        }
    return false;
}

int DarkPixels(const QImage& image, const QRect& r)
{
    int dark = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (qGray(image.pixel(x, y)) < 100) ++dark;
    return dark;
}

}  // namespace

TEST_F(DialogTest, TheOrderSheetShowsInThePreviewAndPrintsFromItToAPdfFile)
{
    registerPreviewLibrary();
    order_lines::OrderFile file(engine_test::testData("fixtures/orders.sql"), 0);
    engine_test::Prepared run(engine_test::orderSheet(), file.path,
                              {{"rpDBDataset1", order_lines::masterSql(kOrder)}, {"rpDBDataset2", order_lines::detailSql(kOrder)}});
    TrpReport& report = *run.report;
    report.EngineOptions()->BackgroundMode = false;
    report.EngineOptions()->NewSilentMode = simMessageBoxes;
    QTemporaryDir dir;
    const std::string pdf = dir.filePath(QStringLiteral("order.prn")).toStdString();
    bool shown = false;
    ui.expectModal(QStringLiteral("TrpPreviewForm"), [&](QDialog& d) {
        auto& f = static_cast<TrpPreviewForm&>(d);
        f.setWindowState(Qt::WindowNoState);
        f.resize(1200, 900);
        f.show();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return !report.PrepareTimer()->isActive() && !f.Preview->Running() && f.Preview->PageCount() > 0; },
            20000));
        TrpPreview& p = *f.Preview;
        EXPECT_EQ(p.PageCount(), 1);
        EXPECT_EQ(f.Panels[0]->text(), QStringLiteral("页 1 / 1"));
        EXPECT_EQ(f.CancelB->text(), QStringLiteral("关闭(&X)"));
        p.SetZoom(1);
        Settle();
        const QImage view = p.Workspace->viewport()->grab().toImage();
        const TRect page = p.Workspace->GetPageBounds(0);
        const QPoint origin(page.Left - p.Workspace->HorzPosition(), page.Top - p.Workspace->VertPosition());
        // Grey around the sheet, white paper where nothing is printed.
        EXPECT_EQ(view.pixelColor(origin.x() - 20, origin.y() + 300), QColor(0x80, 0x80, 0x80));
        EXPECT_EQ(view.pixelColor(origin.x() + 400, origin.y() + 650), QColor(255, 255, 255));
        // The title, the customer's name and a line's product are drawn
        // where the prepared page puts them; the customer's box is ruled.
        for (const std::u16string& text : {std::u16string(u"发货单"), std::u16string(u"华南贸易有限公司"), std::u16string(u"螺丝")}) {
            QRectF at;
            EXPECT_TRUE(FindText(*p.PreviewPages, 0, text, at));
            const QRect r = at.toRect().translated(origin);
            EXPECT_GT(DarkPixels(view, r), 20) << QString::fromStdU16String(text).toStdString();
        }
        QRectF label;
        EXPECT_TRUE(FindText(*p.PreviewPages, 0, u"客户名称", label));
        const QRect box = label.toRect().translated(origin);
        // The cell around the label: the shape's top edge 7 pixels above it,
        // the ruling line 72 pixels right of its left edge.
        EXPECT_GT(DarkPixels(view, QRect(box.left(), box.top() - 9, 40, 4)), 30);
        EXPECT_GT(DarkPixels(view, QRect(box.left() + 70, box.top(), 4, box.height())), box.height() / 2);
        EXPECT_GT(qGray(view.pixel(box.left() + 3, box.top() + 3)), 200);

        // Printed from the preview to a file.
        ui.expectModal(QStringLiteral("TrpPrintDialog"), [](QDialog& d) {
            auto& dialog = static_cast<TrpPrintDialog&>(d);
            dialog.FileCB->setChecked(true);
            dialog.OkB->click();
            return d.result();
        });
        ui.expectFile(QString::fromStdString(pdf));
        f.PrintB->trigger();
        EXPECT_TRUE(f.isEnabled());
        EXPECT_FALSE(p.Locked());
        shown = true;
        f.CancelB->click();
        return d.result();
    });
    report.ShowReport(true);
    EXPECT_TRUE(shown);
    ASSERT_EQ(PdfPageCount(pdf), 1);
    EXPECT_EQ(PdfPageSizesMm(pdf), std::vector<std::string>{"210x297"});
    const std::string text = PdfText(pdf);
    for (const char* expected : {"发货单", "华南贸易有限公司", kOrder, "螺丝"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in:\n" << text;
}

// The search finds text where the page draws it: with long names, notes
// and titles every drawn line has its middle inside its own text object's
// box (a font's line box may reach past the last line), none hidden under
// the next cell.
TEST(OrderSheetSearch, EveryTextRunOfALongOrderLiesInsideItsOwnBox)
{
    order_lines::OrderFile file(engine_test::testData("fixtures/orders.sql"), 0);
    {
        db::Database db(file.path, db::Database::OpenMode::ReadWrite);
        db.execute("UPDATE zq_dd SET fjmc=?, bz=? WHERE bh=?",
                   {"运输及装卸服务费（含保险、包装材料及夜间加急派送附加费用，另含节假日上门安装调试及旧件回收处理费用）",
                    "这是一段很长的备注文字，用来检查备注是否能完整显示在订单上面而不会被截断，不会丢失任何一个字符，直到最后一个字。",
                    kOrder});
        db.execute("UPDATE zq_ddmx SET cp=?, bz=?, dj='3169.184', sl='100' WHERE bh=? AND cp='螺丝'",
                   {"不锈钢六角螺栓加长型配套垫片及螺母组合装工业级高强度防锈处理适用于户外钢结构安装",
                    "客户要求每箱单独包装并贴标签注明批次号和生产日期，送货前请提前一天电话联系仓库收货人确认", kOrder});
    }
    engine_test::Prepared run(engine_test::orderSheet(), file.path,
                              {{"rpDBDataset1", order_lines::masterSql(kOrder)}, {"rpDBDataset2", order_lines::detailSql(kOrder)}});
    auto* title = dynamic_cast<TrpMemoView*>(run.report->FindObject("Memo1"));
    title->AllowExpressions = false;
    title->SetText(u"杭州鼎盛商贸有限公司华东区第一销售分公司发货单");
    ASSERT_TRUE(run.prepare()) << run.errors();
    TrpSearchCanvas canvas;
    run.pages().DrawPage(0, canvas, 1, 1, 0, 0);
    const std::shared_ptr<TrpReportPage> page = run.pages().GetPage(0);
    std::vector<std::pair<TrpMemoView*, QRectF>> boxes;
    for (TrpComponent* c : page->GetAllObjects())
        if (auto* memo = dynamic_cast<TrpMemoView*>(c))
            boxes.emplace_back(memo, QRectF(static_cast<double>(page->LeftMargin * rp01cm + memo->AbsLeft()),
                                            static_cast<double>(page->TopMargin * rp01cm + memo->AbsTop()),
                                            static_cast<double>(memo->Width()), static_cast<double>(memo->Height())));
    int checked = 0;
    for (const TrpSearchCanvas::Run& r : canvas.Runs()) {
        const QRectF at(r.Bounds.Left, r.Bounds.Top, r.Bounds.Right - r.Bounds.Left, r.Bounds.Bottom - r.Bounds.Top);
        bool inside = false;
        for (const auto& [memo, box] : boxes)
            inside = inside || (memo->Text().find(r.Text) != std::u16string::npos && box.contains(at.center()) &&
                                at.left() >= box.left() - 1 && at.right() <= box.right() + 1);
        EXPECT_TRUE(inside) << QString::fromStdU16String(r.Text).toStdString() << " drawn outside its box at " << at.top()
                            << ".." << at.bottom() << " x " << at.left() << ".." << at.right();
        ++checked;
    }
    EXPECT_GT(checked, 40);
}
