#pragma once
// The preview's tests: a preview control over the fake store, shown
// offscreen at a fixed size, with the dialogs' string table, printers and
// scripted UI services; and a report whose prepared pages are filled the
// way the engine fills them (rows of text objects on A4 pages).

#include <QApplication>
#include <QImage>
#include <QTest>

#include <memory>

#include "DialogTestSupport.h"
#include "EngineTestUtil.h"
#include "FakePreviewPages.h"
#include "PreparedTestUtil.h"
#include "rpPreview.h"

namespace preview_test {

inline void Settle()
{
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

// The colour of a pixel of a widget as it paints itself now.
inline QColor PixelAt(QWidget& w, QPoint at)
{
    return w.grab().toImage().pixelColor(at);
}

// A report the engine prepares: A4 pages (10 mm margins) with a header
// and rows of 20 pixels, 50 a page, each saying "行 n"; progress reaches
// the preview as in the program.
struct RowsReport : engine_test::Sheet {
    static constexpr int RowsPerPage = 50;
    explicit RowsReport(int pages)
    {
        report->EngineOptions()->BackgroundMode = false;
        report->EngineOptions()->NewSilentMode = simMessageBoxes;
        page->SetDefaults();
        auto* header = band<TrpPageHeader>("Header", 0, 30);
        memo(header, "Caption", 10, 5, 300, 20, u"发货单");
        memo(band<TrpMasterData>("Rows", 40, 20, pages * RowsPerPage), "Row", 10, 0, 300, 20, u"行 [Line]");
    }
    // A preparation reloads the report as it was: its objects are new
    // ones after each, found by name.
    template <class T>
    T& Find(const std::string& name)
    {
        return dynamic_cast<T&>(*report->FindObject(name));
    }
    void SetPages(int pages) { Find<TrpMasterData>("Rows").SetRowCount(pages * RowsPerPage); }
};

class PreviewTest : public DialogTest {
protected:
    void SetUp() override
    {
        DialogTest::SetUp();
        preview = std::make_unique<TrpPreview>();
        preview->resize(1000, 800);
        preview->show();
        Settle();
    }
    void TearDown() override
    {
        preview.reset();
        DialogTest::TearDown();
    }
    // Attaches the fake store with `count` A4 pages.
    void Attach(int count, int width = 794, int height = 1123)
    {
        pages.AddPages(count, width, height);
        preview->PreviewPages = &pages;
        preview->Init();
        Settle();
    }
    TrpPreviewWorkspace& area() { return *preview->Workspace; }

    FakePreviewPages pages;
    std::unique_ptr<TrpPreview> preview;
};

}  // namespace preview_test
