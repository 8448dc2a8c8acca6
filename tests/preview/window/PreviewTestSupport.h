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
