#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPdfWriter>
#include <QProcess>
#include <QRawFont>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <fstream>
#include <functional>
#include <limits>
#include <optional>
#include <tuple>
#include <vector>

#include "CoreClasses.h"
#include "CupsSpooler.h"
#include "CupsTestServer.h"

#include <cups/raster.h>
#include <fcntl.h>
#include <unistd.h>
#include "GlyphRenderer.h"
#include "QtCanvas.h"
#include "RecordingCanvas.h"
#include "SizedFont.h"

namespace {

QImage whiteImage(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

bool inked(const QImage& image, int x, int y)
{
    return image.valid(x, y) && qGray(image.pixel(x, y)) < 128;
}

// Whether any pixel of the column range [x0, x1) is dark.
bool inkInColumns(const QImage& image, int x0, int x1)
{
    for (int x = std::max(0, x0); x < std::min(image.width(), x1); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (inked(image, x, y)) return true;
    return false;
}

// Expects ink at each point of `inkedAt` and none at each of `clearAt`.
void expectInk(const QImage& image, std::initializer_list<TPoint> inkedAt, std::initializer_list<TPoint> clearAt)
{
    for (const TPoint& p : inkedAt) EXPECT_TRUE(inked(image, p.X, p.Y)) << p.X << ',' << p.Y;
    for (const TPoint& p : clearAt) EXPECT_FALSE(inked(image, p.X, p.Y)) << p.X << ',' << p.Y;
}

// A white image after `draw` ran on a canvas over it.
QImage drawn(int w, int h, const std::function<void(TQtCanvas&)>& draw)
{
    QImage image = whiteImage(w, h);
    {
        TQtCanvas canvas(image);  // painting ends before the image is read
        draw(canvas);
    }
    return image;
}

int inkCount(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += inked(image, x, y);
    return n;
}

void setTextFont(TCanvas& canvas, const std::string& name, int pixels, TFontStyles style = {})
{
    canvas.Font()->SetName(name);
    canvas.Font()->SetHeight(-pixels);
    canvas.Font()->SetStyle(style);
    canvas.Font()->SetColor(clBlack);
    canvas.Brush()->SetStyle(bsClear);
}

// A text at (2, 2) on a white image of the given width, 40 pixels high.
QImage renderText(const std::string& font, TFontStyles style, std::u16string_view text, int width)
{
    return drawn(width, 40, [&](TQtCanvas& canvas) {
        setTextFont(canvas, font, 30, style);
        canvas.TextOut(2, 2, text);
    });
}

// ---- Shapes keep the platform's exclusive right and bottom edges

TEST(QtCanvasShapes, RectangleOutlineStopsBeforeTheRightAndBottomEdge)
{
    const QImage image = drawn(20, 20, [](TQtCanvas& canvas) {
        canvas.Pen()->SetColor(clBlack);
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(2, 3, 8, 9);
    });
    // The clear brush leaves (5, 5) inside white.
    expectInk(image, {{2, 5}, {7, 5}, {5, 3}, {5, 8}}, {{8, 5}, {5, 9}, {5, 5}});
}

TEST(QtCanvasShapes, FillRectCoversLeftTopButNotRightBottom)
{
    const QImage image = drawn(20, 20, [](TQtCanvas& canvas) {
        canvas.Brush()->SetColor(clBlack);
        canvas.FillRect({2, 2, 6, 6});
        EXPECT_EQ(canvas.Pixel(5, 5), clBlack);
        EXPECT_EQ(canvas.Pixel(6, 6), clWhite);
        EXPECT_EQ(canvas.Pixel(-1, 0), clNone);
    });
    expectInk(image, {{2, 2}, {5, 5}}, {{6, 5}, {5, 6}});
}

TEST(QtCanvasShapes, ClearPensAndNoneColoursDrawNothing)
{
    const QImage image = drawn(20, 20, [](TQtCanvas& canvas) {
        canvas.Pen()->SetStyle(psClear);
        canvas.Brush()->SetStyle(bsClear);
        canvas.Ellipse(0, 0, 20, 20);
        canvas.Pen()->SetStyle(psSolid);
        canvas.Pen()->SetColor(clNone);
        canvas.MoveTo(0, 10);
        canvas.LineTo(20, 10);
        EXPECT_EQ(canvas.PenPos(), (TPoint{20, 10}));
    });
    EXPECT_EQ(inkCount(image), 0);
}

TEST(QtCanvasShapes, ClipRectLimitsDrawingAndCanBeRemoved)
{
    const QImage image = drawn(20, 20, [](TQtCanvas& canvas) {
        canvas.Brush()->SetColor(clBlack);
        canvas.SetClipRect(TRect{0, 0, 10, 20});
        canvas.IntersectClipRect({5, 0, 20, 20});
        EXPECT_EQ(canvas.ClipRect(), (TRect{5, 0, 10, 20}));
        canvas.FillRect({0, 0, 20, 10});
        canvas.SetClipRect(std::nullopt);
        canvas.FillRect({0, 15, 20, 20});
    });
    expectInk(image, {{5, 5}, {0, 17}, {19, 17}}, {{4, 5}, {10, 5}});
}

// ---- Text at given positions

TEST(QtCanvasText, GlyphsLandAtTheGivenAdvances)
{
    const QImage image = drawn(200, 40, [](TQtCanvas& canvas) {
        setTextFont(canvas, "Arial", 30);
        const int dx[] = {80, 80, 0};
        canvas.ExtTextOut(10, 2, 0, nullptr, u"III", dx);
    });
    // Capital I: a stem a few pixels right of its origin, nothing between.
    for (const auto& [x0, x1, ink] : {std::tuple{10, 18, true}, {20, 88, false}, {90, 98, true}, {100, 168, false}, {170, 178, true}})
        EXPECT_EQ(inkInColumns(image, x0, x1), ink) << x0 << ".." << x1;
}

TEST(QtCanvasText, HugeAdvancesAreHeldOnTheDevice)
{
    const SizedFont& font = SizedFont::Get(ResolveFont("Arial", false, false), 30);
    const int max = std::numeric_limits<int>::max(), min = std::numeric_limits<int>::min();
    const std::vector<int> up = TextPositions(font, u"abcd", std::vector<int>{max, max, max, 5});
    EXPECT_EQ(up, (std::vector<int>{0, int(kMaxCoordinate), int(kMaxCoordinate), int(kMaxCoordinate), int(kMaxCoordinate)}));
    const std::vector<int> back = TextPositions(font, u"abc", std::vector<int>{min, max, 7});
    EXPECT_EQ(back, (std::vector<int>{0, -int(kMaxCoordinate), -1, 6}));  // the sums are exact, the positions held
    // The first glyph stays where it belongs; the others are far off.
    const QImage image = drawn(100, 40, [&](TQtCanvas& canvas) {
        setTextFont(canvas, "Arial", 30);
        const int dx[] = {max, max, max};
        canvas.ExtTextOut(10, 2, 0, nullptr, u"III", dx);
    });
    EXPECT_TRUE(inkInColumns(image, 10, 18));
    EXPECT_FALSE(inkInColumns(image, 20, 100));
}

TEST(QtCanvasText, ChineseInAnArialTextIsDrawnFromTheSongFace)
{
    const QImage arial = renderText("Arial", {}, u"\u4E2D", 60);
    EXPECT_GT(inkCount(arial), 40);  // a glyph, not nothing
    EXPECT_EQ(arial, renderText("\xE5\xAE\x8B\xE4\xBD\x93", {}, u"\u4E2D", 60));
}

TEST(QtCanvasText, SyntheticBoldInksMore)
{
    const int regular = inkCount(renderText("SimSun", {}, u"\u53D1\u8D27", 120));
    EXPECT_GT(inkCount(renderText("SimSun", {fsBold}, u"\u53D1\u8D27", 120)), regular * 11 / 10);
}

TEST(QtCanvasText, BoldAndItalicShowForFontsOutsideTheTable)
{
    // Fontconfig finds no bold or italic face for these names here.
    for (const char* name : {"Verdana", "Calibri"}) {
        SCOPED_TRACE(name);
        const QImage regular = renderText(name, {}, u"Hello \u53D1\u8D27", 240);
        EXPECT_GT(inkCount(renderText(name, {fsBold}, u"Hello \u53D1\u8D27", 240)), inkCount(regular) * 11 / 10);
        EXPECT_NE(renderText(name, {fsItalic}, u"Hello \u53D1\u8D27", 240), regular);
    }
}

TEST(QtCanvasText, ClippedTextStaysInsideTheRectangle)
{
    const QImage image = drawn(200, 40, [](TQtCanvas& canvas) {
        setTextFont(canvas, "Arial", 30);
        const TRect clip{0, 0, 50, 40};
        canvas.ExtTextOut(5, 2, ETO_CLIPPED, &clip, u"WWWWWWWW");
        EXPECT_FALSE(canvas.ClipRect().has_value());  // the canvas clip is untouched
    });
    EXPECT_TRUE(inkInColumns(image, 5, 50));
    EXPECT_FALSE(inkInColumns(image, 50, 200));
}

TEST(QtCanvasText, LargeGlyphsOnImagesLookAsTheirOutlinesFilled)
{
    // Above 64 pixels glyphs come from images of their own; a painter that
    // scales (by next to nothing) still has Qt fill their outlines.
    const std::u16string_view text = u"Wg\u53D1\u8D27";
    auto render = [&](qreal scale, TColor color, const std::string& font, TFontStyles style) {
        QImage image = whiteImage(500, 260);
        QPainter painter(&image);
        painter.scale(scale, scale);
        TQtCanvas canvas(painter);
        setTextFont(canvas, font, 100, style);
        canvas.Font()->SetColor(color);
        const TRect clip{0, 0, 500, 200};
        canvas.ExtTextOut(7, 3, ETO_CLIPPED, &clip, text);
        canvas.ExtTextOut(30, 150, ETO_CLIPPED, &clip, text);  // cut by the clip
        return image;
    };
    for (const auto& [font, style] : {std::pair{std::string("Arial"), TFontStyles{}}, {"SimSun", {fsBold}}}) {
        const QImage ours = render(1, clBlack, font, style);
        const QImage qt = render(1 + 1e-9, clBlack, font, style);
        int ink = 0, off = 0;
        for (int y = 0; y < ours.height(); ++y)
            for (int x = 0; x < ours.width(); ++x) {
                ink += inked(ours, x, y);
                off += std::abs(qGray(ours.pixel(x, y)) - qGray(qt.pixel(x, y))) > 96;
            }
        EXPECT_GT(ink, 3000) << font;
        EXPECT_LT(off, ink / 100) << font << ": pixels far from Qt's own drawing";
        for (int x = 0; x < ours.width(); ++x) EXPECT_FALSE(inked(ours, x, 205)) << "below the clip at " << x;
        EXPECT_EQ(ours, render(1, clBlack, font, style)) << "drawn again from the images";
    }
    // Each colour its own images.
    const QImage red = render(1, clRed, "Arial", {});
    bool anyRed = false, anyBlack = false;
    for (int y = 0; y < red.height(); ++y)
        for (int x = 0; x < red.width(); ++x) {
            const QRgb p = red.pixel(x, y);
            anyRed |= qRed(p) > 200 && qGreen(p) < 50 && qBlue(p) < 50;
            anyBlack |= qRed(p) < 50;
        }
    EXPECT_TRUE(anyRed);
    EXPECT_FALSE(anyBlack);
}

TEST(QtCanvasText, TextOutFillsTheCellAndMovesThePen)
{
    QImage image = whiteImage(200, 40);
    TQtCanvas canvas(image);
    setTextFont(canvas, "Arial", 20);
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(clYellow);
    const TSize extent = canvas.TextExtent(u"ab");
    EXPECT_EQ(extent.cx, 2 * 11);  // 'a' and 'b' are 1139 units: 11.12 at 20 px
    EXPECT_EQ(extent.cy, 18 + 4);  // Windows ascent and descent
    canvas.TextOut(10, 5, std::u16string_view(u"ab"));
    EXPECT_EQ(canvas.PenPos(), (TPoint{10 + extent.cx, 5}));
    EXPECT_EQ(canvas.Pixel(10, 5), clYellow);
    EXPECT_EQ(canvas.Pixel(10 + extent.cx, 5), clWhite);
}

TEST(QtCanvasText, FontSizeInPointsFollowsTheDevice)
{
    TRecordingCanvas printer(600);
    printer.Font()->SetSize(10);
    EXPECT_EQ(printer.Font()->Height(), -83);
    EXPECT_EQ(printer.FontPixelSize(), 83);
    TRecordingCanvas screen(96);
    screen.Font()->SetSize(10);
    EXPECT_EQ(screen.FontPixelSize(), 13);
}

// ---- Recording

TEST(RecordingCanvas, ReplayDrawsWhatDirectDrawingDraws)
{
    auto scene = [](TCanvas& canvas) {
        canvas.Pen()->SetColor(clBlue);
        canvas.Pen()->SetWidth(3);
        canvas.Brush()->SetColor(clYellow);
        canvas.Rectangle(5, 5, 60, 40);
        canvas.Brush()->SetStyle(bsDiagCross);
        canvas.Ellipse(70, 5, 120, 40);
        canvas.SetClipRect(TRect{0, 0, 100, 100});
        const TPoint triangle[] = {{130, 40}, {150, 5}, {170, 40}};
        canvas.Polygon(triangle);
        setTextFont(canvas, "Arial", 16, {fsUnderline});
        canvas.Font()->SetColor(clRed);
        canvas.Brush()->SetColor(clAqua);  // a clear brush given a colour is solid: the cell is filled
        canvas.SetFontEscapement(100);
        canvas.TextOut(10, 50, std::u16string_view(u"Replay \u91CD\u653E"));
    };
    const QImage direct = drawn(200, 80, scene);
    TRecordingCanvas recorder;
    scene(recorder);
    ASSERT_EQ(recorder.Records().size(), 5u);
    EXPECT_EQ(recorder.Records()[4].kind, TCanvasRecord::ExtTextOut);
    EXPECT_EQ(recorder.Records()[4].fontEscapement, 100);
    EXPECT_EQ(recorder.Records()[4].options, ETO_OPAQUE);
    EXPECT_EQ(direct, drawn(200, 80, [&](TQtCanvas& canvas) { recorder.Replay(canvas); }));
}

TEST(RecordingCanvas, ScriptsReachThePenBrushAndFontByPath)
{
    const bool core = GetClass("TFont") == nullptr, canvases = GetClass("TCanvas") == nullptr;
    if (core) registerCoreClasses();
    if (canvases) registerCanvasClasses();
    {
        TRecordingCanvas canvas(600);
        EXPECT_EQ(canvas.ClassType()->ClassName(), "TCanvas");
        SetStrProp(&canvas, "Font.Name", "SimHei");
        SetOrdProp(&canvas, "Pen.Width", 3);
        EXPECT_EQ(canvas.Font()->Name(), "SimHei");
        EXPECT_EQ(canvas.Pen()->Width(), 3);
        EXPECT_EQ(GetEnumProp(&canvas, "Brush.Style"), "bsSolid");
    }
    if (canvases) unregisterCanvasClasses();
    if (core) unregisterCoreClasses();
}

// ---- Font files and PDF

TEST(GlyphRenderer, CollectionFacesCanBeTakenOut)
{
    QFile file("/usr/share/fonts/truetype/wqy/wqy-zenhei.ttc");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray collection = file.readAll();
    QRawFont raw;
    raw.loadFromData(ExtractCollectionFace(collection, 1), 20, QFont::PreferNoHinting);
    EXPECT_EQ(raw.familyName(), "WenQuanYi Zen Hei Mono");
    EXPECT_TRUE(ExtractCollectionFace(collection, 9).isEmpty());
    EXPECT_TRUE(ExtractCollectionFace(collection.left(100), 1).isEmpty());
    EXPECT_TRUE(ExtractCollectionFace("not a font", 0).isEmpty());
}

TEST(GlyphRenderer, PdfOutputKeepsTheTextAsText)
{
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath("text.pdf");
    {
        QPdfWriter writer(path);
        writer.setResolution(600);
        TQtCanvas canvas(writer);
        for (const char* font : {"Arial", "\xE9\xBB\x91\xE4\xBD\x93"}) {
            setTextFont(canvas, font, 83);
            canvas.TextOut(300, font[0] == 'A' ? 300 : 500, std::u16string_view(u"\u53D1\u8D27\u5355 Order 123"));
        }
    }
    QProcess process;
    process.start(pdftotext, {path, "-"});
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(text.count(QString::fromUtf8("\xE5\x8F\x91\xE8\xB4\xA7\xE5\x8D\x95 Order 123")), 2) << text.toStdString();
}

// Drawn on a 600-dpi PDF page and rendered back at 150 dpi; null when
// poppler-utils are not installed.
QImage drawnOnPdf(const std::function<void(TQtCanvas&)>& draw)
{
    const QString pdftoppm = QStandardPaths::findExecutable("pdftoppm");
    if (pdftoppm.isEmpty()) return {};
    QTemporaryDir dir;
    const QString path = dir.filePath("drawn.pdf");
    {
        QPdfWriter writer(path);
        writer.setResolution(600);
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        TQtCanvas canvas(writer);
        draw(canvas);
    }
    QProcess process;
    process.start(pdftoppm, {"-r", "150", "-png", "-singlefile", path, dir.filePath("page")});
    if (!process.waitForFinished(30000)) return {};
    return QImage(dir.filePath("page.png")).convertToFormat(QImage::Format_RGB32);
}

// A PDF painter keeps the last shape's or text's pen and brush instead of
// saving and restoring them: each call must still draw with its own.
TEST(GlyphRenderer, OnAPdfEachShapeAndTextDrawsWithItsOwnPenAndBrush)
{
    const QImage page = drawnOnPdf([](TQtCanvas& canvas) {
        canvas.Brush()->SetColor(clBlue);
        canvas.FillRect({400, 400, 1000, 1000});
        // Text right after a fill (which leaves no pen) is still inked.
        setTextFont(canvas, "Arial", 200);
        canvas.Font()->SetColor(clRed);
        canvas.TextOut(1200, 400, std::u16string_view(u"HHH"));
        // An outline after red text is black and leaves its inside alone.
        canvas.Pen()->SetColor(clBlack);
        canvas.Pen()->SetWidth(12);
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(400, 1200, 1000, 1800);
    });
    if (page.isNull()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    auto at = [&](int x600, int y600) { return QColor(page.pixel(x600 / 4, y600 / 4)); };
    EXPECT_EQ(at(700, 700), QColor(Qt::blue));
    bool red = false;
    for (int x = 1200 / 4; x < 1800 / 4 && !red; ++x)
        for (int y = 400 / 4; y < 600 / 4 && !red; ++y) red = QColor(page.pixel(x, y)) == QColor(Qt::red);
    EXPECT_TRUE(red);
    EXPECT_EQ(at(404, 1500), QColor(Qt::black));
    EXPECT_EQ(at(700, 1500), QColor(Qt::white));
}

// On a PDF a text is clipped only where its outlines come near the
// rectangle: what crosses it is cut all the same.
TEST(GlyphRenderer, OnAPdfClippedTextStaysInsideTheRectangle)
{
    const QImage page = drawnOnPdf([](TQtCanvas& canvas) {
        setTextFont(canvas, "Arial", 120);
        const TRect narrow{400, 400, 800, 600};
        canvas.ExtTextOut(420, 420, ETO_CLIPPED, &narrow, u"WWWWWWWW");
        const TRect wide{400, 800, 2400, 1200};
        canvas.ExtTextOut(420, 900, ETO_CLIPPED, &wide, u"WW");
        EXPECT_FALSE(canvas.ClipRect().has_value());
    });
    if (page.isNull()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    const QImage top = page.copy(0, 100, page.width(), 50), bottom = page.copy(0, 225, page.width(), 75);
    // The rasteriser may ink the pixel on the edge.
    EXPECT_TRUE(inkInColumns(top, 105, 200));
    EXPECT_FALSE(inkInColumns(top, 202, page.width()));
    EXPECT_TRUE(inkInColumns(bottom, 105, 200));
}

// Texts in a row on a PDF wait to go out as one run: whatever comes after
// them still covers them, each keeps its own colour, and text waiting when
// the painter is asked for goes first.
TEST(GlyphRenderer, OnAPdfTextsInARowKeepTheirOrderAndColours)
{
    const QImage page = drawnOnPdf([](TQtCanvas& canvas) {
        setTextFont(canvas, "Arial", 200);
        canvas.TextOut(400, 400, std::u16string_view(u"HHH"));
        canvas.Font()->SetColor(clRed);
        canvas.TextOut(400, 800, std::u16string_view(u"HHH"));
        canvas.Font()->SetColor(clBlue);
        canvas.TextOut(400, 1200, std::u16string_view(u"HHH"));
        // Covers the first line only.
        canvas.Brush()->SetColor(clWhite);
        canvas.Brush()->SetStyle(bsSolid);
        canvas.FillRect({300, 300, 1400, 700});
        canvas.Font()->SetColor(clBlack);
        canvas.Brush()->SetStyle(bsClear);
        canvas.TextOut(400, 1600, std::u16string_view(u"HHH"));
        canvas.Painter().fillRect(QRect(300, 1500, 1100, 400), Qt::green);
    });
    if (page.isNull()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    auto count = [&](int top600, QColor color) {
        int n = 0;
        for (int y = top600 / 4; y < (top600 + 300) / 4; ++y)
            for (int x = 300 / 4; x < 1400 / 4; ++x) n += QColor(page.pixel(x, y)) == color;
        return n;
    };
    EXPECT_EQ(count(350, Qt::black), 0) << "the fill after the text covers it";
    EXPECT_GT(count(750, Qt::red), 100);
    EXPECT_EQ(count(750, Qt::black), 0);
    EXPECT_GT(count(1150, Qt::blue), 100);
    EXPECT_EQ(count(1550, Qt::black), 0) << "drawn before the painter was handed out";
    EXPECT_GT(count(1550, Qt::green), 1000);
}

// A table's frame around waiting text lets it wait; a shape whose ink
// meets it, filled or stroked, is drawn over it as it was drawn after it.
TEST(GlyphRenderer, OnAPdfShapesOverWaitingTextCoverIt)
{
    const QImage page = drawnOnPdf([](TQtCanvas& canvas) {
        setTextFont(canvas, "Arial", 200);
        canvas.Font()->SetColor(clRed);
        canvas.TextOut(400, 400, std::u16string_view(u"HHH"));
        canvas.TextOut(400, 1000, std::u16string_view(u"HHH"));
        canvas.Pen()->SetColor(clBlack);
        canvas.Pen()->SetWidth(4);
        canvas.Brush()->SetStyle(bsClear);
        canvas.Rectangle(300, 300, 1400, 1400);  // around both
        // A wide white stroke across the first line's middle.
        canvas.Pen()->SetColor(clWhite);
        canvas.Pen()->SetWidth(60);
        canvas.Rectangle(350, 470, 1350, 1300);
        // A white box over the second line.
        canvas.Pen()->SetStyle(psClear);
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(clWhite);
        canvas.Rectangle(380, 980, 1300, 1250);
    });
    if (page.isNull()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
    auto count = [&](int top600, int bottom600, QColor color) {
        int n = 0;
        for (int y = top600 / 4; y < bottom600 / 4; ++y)
            for (int x = 380 / 4; x < 1300 / 4; ++x) n += QColor(page.pixel(x, y)) == color;
        return n;
    };
    // The capitals ink 438 to 581.
    EXPECT_GT(count(510, 570, Qt::red), 50) << "the first line below the stroke";
    EXPECT_EQ(count(450, 490, Qt::red), 0) << "under the stroke";
    EXPECT_EQ(count(1000, 1240, Qt::red), 0) << "under the box";
    EXPECT_EQ(QColor(page.pixel(300 / 4, 800 / 4)), QColor(Qt::black)) << "the frame";
}

// Texts of two faces go out a face at a time, except where one meets a
// waiting text of the other: there the order they were drawn in holds.
TEST(GlyphRenderer, OnAPdfTextsThatMeetKeepTheirOrderAcrossFaces)
{
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath("order.pdf");
    {
        QPdfWriter writer(path);
        writer.setResolution(600);
        TQtCanvas canvas(writer);
        setTextFont(canvas, "Arial", 83);
        canvas.TextOut(300, 300, std::u16string_view(u"first"));
        setTextFont(canvas, "SimSun", 83);
        canvas.TextOut(320, 300, std::u16string_view(u"\u53D1\u8D27"));
        setTextFont(canvas, "Arial", 83);
        canvas.TextOut(340, 300, std::u16string_view(u"third"));
    }
    QProcess process;
    process.start(pdftotext, {"-raw", path, "-"});  // the order of the content
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    const qsizetype first = text.indexOf("first"), cjk = text.indexOf(QString::fromUtf8("\xE5\x8F\x91")),
                    third = text.indexOf("third");
    ASSERT_GE(first, 0) << text.toStdString();
    EXPECT_LT(first, cjk) << text.toStdString();
    EXPECT_LT(cjk, third) << text.toStdString();
}

TEST(GlyphRenderer, EmboldenedPdfTextIsInItsTextLayerOnce)
{
    // Song has no bold file: its bold is overstruck, which must stay ink.
    const QString pdftotext = QStandardPaths::findExecutable("pdftotext");
    if (pdftotext.isEmpty()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath("bold.pdf");
    {
        QPdfWriter writer(path);
        writer.setResolution(600);
        TQtCanvas canvas(writer);
        setTextFont(canvas, "SimSun", 83, {fsBold});
        canvas.TextOut(300, 300, std::u16string_view(u"\u53D1\u8D27\u5355 Bold 7"));
    }
    QProcess process;
    process.start(pdftotext, {"-raw", path, "-"});  // -raw keeps overprinted copies apart
    ASSERT_TRUE(process.waitForFinished(30000));
    const QString text = QString::fromUtf8(process.readAllStandardOutput());
    EXPECT_EQ(text.count("Bold 7"), 1) << text.toStdString();
    EXPECT_EQ(text.count(QString::fromUtf8("\xE5\x8F\x91\xE8\xB4\xA7\xE5\x8D\x95")), 1) << text.toStdString();
}

}  // namespace

namespace {

// The output of a poppler tool, or nullopt when it is not installed.
std::optional<QByteArray> popplerOutput(const char* tool, const QStringList& args)
{
    const QString program = QStandardPaths::findExecutable(tool);
    if (program.isEmpty()) return std::nullopt;
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(30000)) return std::nullopt;
    return process.readAllStandardOutput();
}

// A document of `pages` pages, each with the text in a title's size and a
// caption's, at 600 dpi.
QString boldTestPdf(const QTemporaryDir& dir, const std::string& font, TFontStyles style, int pages)
{
    const QString path = dir.filePath(QString::fromStdString(font) + (style.Contains(fsBold) ? "-b.pdf" : ".pdf"));
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    TQtCanvas canvas(writer);
    for (int page = 0; page < pages; ++page) {
        if (page) {
            canvas.Painter();  // what waits goes onto this page
            writer.newPage();
        }
        for (const auto [px, y] : {std::pair{219, 300}, {81, 700}}) {
            setTextFont(canvas, font, px, style);
            canvas.TextOut(300, y, std::u16string_view(u"\u53D1\u8D27\u5355 Bold 7"));
        }
    }
    return path;
}

}  // namespace

// Bold from a face that has no bold of its own: on paper it is as bold as
// on the screen, the text layer holds each word once, and a title on every
// page costs about what plain text costs (filled outlines cost most of a
// kilobyte a glyph on every page).
TEST(GlyphRenderer, EmboldenedPdfTextPrintsBoldOnceAndSmall)
{
    for (const char* font : {"SimSun", "SimHei", "Verdana", "Arial"}) {
        SCOPED_TRACE(font);
        QTemporaryDir dir;
        const QString regular = boldTestPdf(dir, font, {}, 6), bold = boldTestPdf(dir, font, {fsBold}, 6);
        const std::optional<QByteArray> text = popplerOutput("pdftotext", {"-raw", bold, "-"});
        if (!text) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        // Latin and Chinese come from two faces: each word is counted.
        for (const char* word : {"\xE5\x8F\x91\xE8\xB4\xA7\xE5\x8D\x95", "Bold 7"})
            EXPECT_EQ(QString::fromUtf8(*text).count(QString::fromUtf8(word)), 12) << text->toStdString();
        // A second font subset of the glyphs drawn bold, once a document.
        EXPECT_LT(QFileInfo(bold).size(), QFileInfo(regular).size() * 5 / 4 + 4096);

        QImage pages[2];
        for (int i = 0; i < 2; ++i) {
            const QString root = dir.filePath(i ? "bold" : "regular");
            if (!popplerOutput("pdftoppm", {"-r", "150", "-l", "1", "-png", "-singlefile", i ? bold : regular, root}))
                GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed";
            pages[i] = QImage(root + ".png").convertToFormat(QImage::Format_RGB32);
        }
        // The caption's ink alone, then the title's.
        for (const QRect area : {QRect(0, 160, 1200, 50), QRect(0, 50, 1200, 100)}) {
            EXPECT_GT(inkCount(pages[1].copy(area)), inkCount(pages[0].copy(area)) * 6 / 5) << area.y();
        }
    }
}

namespace {

// CupsTest.ppd with the format its printer takes changed, in a file of its
// own: the scheduler then runs the filters that make that format.
std::string driverTaking(const std::string& format)
{
    static QTemporaryDir dir;
    const std::string path = dir.filePath(QString::fromStdString(format).section('/', 1) + ".ppd").toStdString();
    std::string ppd = CupsTestServer::readFile(CUPS_TEST_PPD);
    const std::string line = "*cupsFilter: \"application/pdf 0 -\"";
    ppd.replace(ppd.find(line), line.size(), "*cupsFilter: \"" + format + " 0 -\"");
    std::ofstream(path, std::ios::binary) << ppd;
    return path;
}

// Queues that hand their printers PDF rewritten by pdftopdf, as driverless
// printers take it, and pages Ghostscript rasterised (gstoraster), as
// printer drivers take them.
class BoldThroughCupsFilters : public CupsServerTest {
protected:
    static void SetUpTestSuite()
    {
        if (!QFileInfo::exists("/usr/lib/cups/filter/gstoraster") || QStandardPaths::findExecutable("gs").isEmpty()) {
            skipReason_ = "cups-filters and Ghostscript are not installed";
            return;
        }
        StartServer({{"PdfQ", "", true, false, driverTaking("application/vnd.cups-pdf")},
                     {"RasterQ", "", false, false, driverTaking("application/vnd.cups-raster")}},
                    true);
    }
    static void TearDownTestSuite() { StopServer(); }
};

// The first page of a CUPS raster file of black dots (the test driver's
// gray device takes one bit a pixel), black on white; null for another.
QImage rasterPage(const QString& file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY);
    if (fd < 0) return {};
    QImage page;
    cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
    cups_page_header2_t header;
    if (raster && cupsRasterReadHeader2(raster, &header) && header.cupsBitsPerPixel == 1 &&
        header.cupsColorSpace == CUPS_CSPACE_K && header.cupsWidth < 20000 && header.cupsHeight < 20000) {
        page = QImage(int(header.cupsWidth), int(header.cupsHeight), QImage::Format_RGB32);
        std::vector<unsigned char> row(header.cupsBytesPerLine);
        for (unsigned y = 0; y < header.cupsHeight && !page.isNull(); ++y) {
            if (cupsRasterReadPixels(raster, row.data(), header.cupsBytesPerLine) == 0) page = QImage();
            for (unsigned x = 0; x < header.cupsWidth && !page.isNull(); ++x)
                page.setPixel(int(x), int(y), (row[x / 8] & (0x80 >> (x % 8))) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
        }
    }
    if (raster) cupsRasterClose(raster);
    ::close(fd);
    return page;
}

}  // namespace

// What a queue's filters hand its printer must still show bold captions
// bold, and so must a PDF Ghostscript writes again (the cups-pdf queue):
// every bold form of ours drawn again by Poppler and Ghostscript.
TEST_F(BoldThroughCupsFilters, BoldCaptionsStayBold)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath("captions.pdf");
    {
        QPdfWriter writer(pdf);
        writer.setResolution(600);
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF()));
        TQtCanvas canvas(writer);
        // Regular on the left half, bold on the right, a caption's size.
        for (const auto [font, y] : {std::pair{"SimSun", 400}, {"SimHei", 600}, {"Verdana", 800}}) {
            setTextFont(canvas, font, 81);
            canvas.TextOut(200, y, std::u16string_view(u"\u5BA2\u6237\u540D\u79F0 Bold"));
            setTextFont(canvas, font, 81, {fsBold});
            canvas.TextOut(2600, y, std::u16string_view(u"\u5BA2\u6237\u540D\u79F0 Bold"));
        }
    }
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    // A 150-dpi page of a PDF file; null without poppler-utils.
    auto rendered = [&](const QString& input) {
        const QString root = input + ".page";
        if (!popplerOutput("pdftoppm", {"-r", "150", "-l", "1", "-gray", "-png", "-singlefile", input, root}))
            return QImage();
        return QImage(root + ".png").convertToFormat(QImage::Format_RGB32);
    };
    CupsSpooler spooler;
    for (const char* queue : {"PdfQ", "RasterQ"}) {
        auto job = spooler.startJob(queue, {"captions", "iso_a4_210x297mm", "", ""}, SpoolerFormat::Pdf);
        job->write(bytes.constData(), static_cast<size_t>(bytes.size()));
        job->finish();
    }
    std::vector<std::pair<std::string, QImage>> pages;
    for (const char* queue : {"PdfQ", "RasterQ"}) {
        const std::optional<std::string> printed = server_->waitForJob(queue, 1);
        ASSERT_TRUE(printed.has_value()) << "no job from " << queue;
        const QString out = dir.filePath(queue);
        std::ofstream(out.toStdString(), std::ios::binary) << *printed;
        if (std::string(queue) == "RasterQ") {
            pages.emplace_back(queue, rasterPage(out));
            continue;
        }
        pages.emplace_back(queue, rendered(out));
        QProcess gs;
        gs.start("gs", {"-q", "-dNOPAUSE", "-dBATCH", "-dSAFER", "-sDEVICE=pdfwrite", "-sOutputFile=" + out + ".gs.pdf",
                        out});
        ASSERT_TRUE(gs.waitForFinished(60000) && gs.exitCode() == 0) << gs.readAllStandardError().toStdString();
        pages.emplace_back("PdfQ through Ghostscript", rendered(out + ".gs.pdf"));
    }
    for (const auto& [what, page] : pages) {
        SCOPED_TRACE(what);
        if (page.isNull()) GTEST_SKIP() << "pdftoppm (poppler-utils) is not installed, or no raster page";
        const int dpi = page.width() * 254 / 2100;  // an A4 page's width
        for (const int y : {400, 600, 800}) {
            const QRect line(0, y * dpi / 600 - dpi / 30, page.width() / 2, dpi / 4);
            const int regular = inkCount(page.copy(line));
            EXPECT_GT(regular, 0) << "line at " << y;
            EXPECT_GT(inkCount(page.copy(line.translated(page.width() / 2, 0))), regular * 6 / 5) << "line at " << y;
        }
    }
}

// A line cut at its box's edge goes into a PDF only as far as the box
// shows it, however long it is, on either side and through either path
// (slanted text is drawn with a moved origin); a line wholly outside goes
// nowhere. What shows is drawn as before.
TEST(GlyphRenderer, GlyphsOutsideTheClipAreLeftOut)
{
    std::u16string digits;
    for (int i = 0; i < 20000; ++i) digits += char16_t(u'0' + i % 10);
    const std::u16string_view line(digits);
    struct Case {
        const char* font;
        TFontStyles style;
        int x;        // where the line starts; the box is 1000..1600
        int y;        // of the line; the box is 400..600
        size_t shows;  // about this many digits show
    };
    for (const Case& c : {Case{"Arial", {}, 1000, 450, 13}, Case{"SimSun", {fsItalic}, 1000, 450, 14},
                          Case{"Arial", {}, -900000, 450, 13}, Case{"Arial", {}, 1000, 900, 0}}) {
        SCOPED_TRACE(std::string(c.font) + " at " + std::to_string(c.x) + "," + std::to_string(c.y));
        QTemporaryDir dir;
        const QString path = dir.filePath("line.pdf");
        const TRect box{1000, 400, 1600, 600};
        {
            QPdfWriter writer(path);
            writer.setResolution(600);
            TQtCanvas canvas(writer);
            setTextFont(canvas, c.font, 83, c.style);
            // A memo's line, and the same under the canvas's clip.
            canvas.ExtTextOut(c.x, c.y, ETO_CLIPPED, &box, line);
            canvas.SetClipRect(box);
            canvas.TextOut(c.x, c.y + 100, line);
        }
        const std::optional<QByteArray> text = popplerOutput("pdftotext", {"-raw", path, "-"});
        if (!text) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
        const QString shown = QString::fromUtf8(*text).simplified().remove(u' ');
        EXPECT_LE(size_t(shown.size()), 2 * (c.shows + 2)) << shown.toStdString();
        EXPECT_GE(size_t(shown.size()), 2 * c.shows) << shown.toStdString();
        EXPECT_LT(QFileInfo(path).size(), 40000);
    }
    // On an image the cut line looks as it did in full.
    const TRect box{30, 0, 130, 40};
    auto cut = [&](std::u16string_view text) {
        return drawn(200, 40, [&](TQtCanvas& canvas) {
            setTextFont(canvas, "Arial", 30);
            canvas.ExtTextOut(20, 2, ETO_CLIPPED, &box, text);
        });
    };
    EXPECT_EQ(cut(line), cut(line.substr(0, 12)));
}
