#include "QtCanvas.h"

#include <QImage>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPolygon>

#include <array>
#include <vector>

#include "GlyphRenderer.h"
#include "SizedFont.h"

namespace {

int deviceDpiX(const QPainter* painter)
{
    return painter && painter->device() ? painter->device()->logicalDpiX() : 96;
}

int deviceDpiY(const QPainter* painter)
{
    return painter && painter->device() ? painter->device()->logicalDpiY() : 96;
}

bool onPdf(const QPainter& painter)
{
    return painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::Pdf;
}

QRect toQRect(const TRect& r)
{
    return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

// The outline of a shape from (x1, y1) to (x2, y2): a one-pixel pen covers
// x1..x2-1 and y1..y2-1.
QRect outlineRect(int x1, int y1, int x2, int y2)
{
    return QRect(x1, y1, x2 - x1 - 1, y2 - y1 - 1);
}

QPolygon toPolygon(std::span<const TPoint> points)
{
    QPolygon polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const TPoint& p : points) polygon.append(QPoint(p.X, p.Y));
    return polygon;
}

Qt::BrushStyle hatch(TBrushStyle style)
{
    switch (style) {
    case bsHorizontal: return Qt::HorPattern;
    case bsVertical: return Qt::VerPattern;
    case bsFDiagonal: return Qt::FDiagPattern;
    case bsBDiagonal: return Qt::BDiagPattern;
    case bsCross: return Qt::CrossPattern;
    case bsDiagCross: return Qt::DiagCrossPattern;
    case bsClear: return Qt::NoBrush;
    default: return Qt::SolidPattern;
    }
}

}  // namespace

QColor ToQColor(TColor color)
{
    if (color == clNone) return {};
    const uint32_t rgb = static_cast<uint32_t>(ColorToRGB(color));
    return QColor(rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
}

TQtCanvas::TQtCanvas(QPainter& painter) : TQtCanvas(&painter, nullptr) {}

TQtCanvas::TQtCanvas(QPaintDevice& device) : TQtCanvas(nullptr, std::make_unique<QPainter>(&device)) {}

TQtCanvas::TQtCanvas(QPainter* painter, std::unique_ptr<QPainter> owned)
    : TCanvas(deviceDpiX(painter ? painter : owned.get()), deviceDpiY(painter ? painter : owned.get())),
      owned_(std::move(owned)),
      painter_(painter ? painter : owned_.get())
{
}

TQtCanvas::TQtCanvas(int pixelsPerInch) : TCanvas(pixelsPerInch, pixelsPerInch), painter_(nullptr) {}

TQtCanvas::~TQtCanvas()
{
    // Only a PDF painter's text waits; a painter a derived canvas owned is
    // gone by now, and its batch is empty.
    if (painter_) painterFor({});
    if (owned_ && owned_->isActive()) owned_->end();
}

QPainter* TQtCanvas::applyPenAndBrush(bool fill, std::span<const QRectF> areas)
{
    QPainter& p = painterFor(areas);
    // A PDF painter keeps the pen and brush a shape sets: each restored
    // state would cost the document a new graphics state.
    shapeSaved_ = !onPdf(p);
    if (shapeSaved_) {
        p.save();
        p.setRenderHint(QPainter::Antialiasing, false);
    } else if (p.testRenderHint(QPainter::Antialiasing)) {
        p.setRenderHint(QPainter::Antialiasing, false);
    }

    const TPen& pen = *Pen();
    QPen qpen(Qt::NoPen);
    if (pen.Style() != psClear && pen.Mode() != pmNop && pen.Color() != clNone) {
        QColor color = pen.Mode() == pmBlack ? QColor(Qt::black) : pen.Mode() == pmWhite ? QColor(Qt::white)
                                                                                          : ToQColor(pen.Color());
        qpen = QPen(color);
        // Width 0 and 1 are one device pixel; wider pens are always solid.
        qpen.setWidth(pen.Width() <= 1 ? 0 : pen.Width());
        // One-pixel styled pens take the platform's dash lengths in device
        // pixels (Qt's own patterns are shorter).
        static const QList<qreal> patterns[] = {{}, {18, 6}, {3, 3}, {9, 6, 3, 6}, {9, 3, 3, 3, 3, 3}};
        if (pen.Width() <= 1 && pen.Style() >= psDash && pen.Style() <= psDashDotDot)
            qpen.setDashPattern(patterns[pen.Style()]);
        static constexpr Qt::PenCapStyle caps[] = {Qt::RoundCap, Qt::SquareCap, Qt::FlatCap};
        qpen.setCapStyle(caps[PenEndCap()]);
        qpen.setJoinStyle(Qt::RoundJoin);
    }
    p.setPen(qpen);

    const TBrush& brush = *Brush();
    const QBrush qbrush = fill && brush.Style() != bsClear && brush.Color() != clNone
                              ? QBrush(ToQColor(brush.Color()), hatch(brush.Style()))
                              : QBrush(Qt::NoBrush);
    if (p.brush() != qbrush) p.setBrush(qbrush);

    if (p.paintEngine() && p.paintEngine()->hasFeature(QPaintEngine::RasterOpModes)) {
        if (pen.Mode() == pmXor) p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
        if (pen.Mode() == pmNotXor) p.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        if (pen.Mode() == pmNot) p.setCompositionMode(QPainter::RasterOp_NotDestination);
    }
    if (p.pen().style() == Qt::NoPen && p.brush().style() == Qt::NoBrush) {
        endShape();
        return nullptr;
    }
    return &p;
}

void TQtCanvas::endShape()
{
    if (shapeSaved_) painter_->restore();
}

void TQtCanvas::Polyline(std::span<const TPoint> points)
{
    if (points.size() < 2) return;
    QPainter* p = applyPenAndBrush(false);
    if (!p) return;
    p->drawPolyline(toPolygon(points));
    endShape();
}

void TQtCanvas::Polygon(std::span<const TPoint> points)
{
    if (points.size() < 2) return;
    QPainter* p = applyPenAndBrush(true);
    if (!p) return;
    p->drawPolygon(toPolygon(points), Qt::OddEvenFill);
    endShape();
}

void TQtCanvas::Rectangle(int x1, int y1, int x2, int y2)
{
    // An outline alone inks a band along the sides: text inside it, as in
    // a table's cells, may go out after it.
    const QRectF r(outlineRect(x1, y1, x2, y2));
    const TBrush& brush = *Brush();
    const qreal w = std::max(1, Pen()->Width()) / 2.0 + 2;
    std::array<QRectF, 4> sides{QRectF(r.left() - w, r.top() - w, r.width() + 2 * w, 2 * w),
                                QRectF(r.left() - w, r.bottom() - w, r.width() + 2 * w, 2 * w),
                                QRectF(r.left() - w, r.top() - w, 2 * w, r.height() + 2 * w),
                                QRectF(r.right() - w, r.top() - w, 2 * w, r.height() + 2 * w)};
    const bool filled = brush.Style() != bsClear && brush.Color() != clNone;
    std::array<QRectF, 1> whole{r.adjusted(-w, -w, w, w)};
    QPainter* p = applyPenAndBrush(true, filled ? std::span<const QRectF>(whole) : std::span<const QRectF>(sides));
    if (!p) return;
    p->drawRect(outlineRect(x1, y1, x2, y2));
    endShape();
}

void TQtCanvas::RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight)
{
    QPainter* p = applyPenAndBrush(true);
    if (!p) return;
    p->drawRoundedRect(outlineRect(x1, y1, x2, y2), cornerWidth / 2.0, cornerHeight / 2.0);
    endShape();
}

void TQtCanvas::Ellipse(int x1, int y1, int x2, int y2)
{
    QPainter* p = applyPenAndBrush(true);
    if (!p) return;
    p->drawEllipse(outlineRect(x1, y1, x2, y2));
    endShape();
}

void TQtCanvas::FillRect(const TRect& rect)
{
    const TBrush& brush = *Brush();
    if (brush.Style() == bsClear || brush.Color() == clNone || rect.IsEmpty()) return;
    const std::array<QRectF, 1> area{QRectF(toQRect(rect)).adjusted(-1, -1, 1, 1)};
    QPainter& p = painterFor(area);
    const QBrush fill(ToQColor(brush.Color()), hatch(brush.Style()));
    if (onPdf(p)) {
        // What fillRect does, but the pen and brush stay: fills in a row
        // then need no new graphics state each (a brush set again, though
        // equal, would write its colour again).
        if (p.pen().style() != Qt::NoPen) p.setPen(Qt::NoPen);
        if (p.brush() != fill) p.setBrush(fill);
        p.drawRect(toQRect(rect));
        return;
    }
    p.fillRect(toQRect(rect), fill);
}

void TQtCanvas::StretchDraw(const TRect& rect, const QImage& image)
{
    if (image.isNull() || rect.IsEmpty()) return;
    QPainter& p = painterFor({});
    p.save();
    p.setRenderHint(QPainter::SmoothPixmapTransform, SmoothPictures());
    p.drawImage(toQRect(rect), image);
    p.restore();
}

TColor TQtCanvas::Pixel(int x, int y) const
{
    const QPainter& p = painterFor({});
    QPaintDevice* device = p.device();
    if (!device || device->devType() != QInternal::Image) return clNone;
    const QImage& image = *static_cast<QImage*>(device);
    const QPoint at = p.transform().map(QPoint(x, y));
    if (!image.valid(at)) return clNone;
    const QRgb rgb = image.pixel(at);
    return RGB(static_cast<uint8_t>(qRed(rgb)), static_cast<uint8_t>(qGreen(rgb)), static_cast<uint8_t>(qBlue(rgb)));
}

void TQtCanvas::SetPixel(int x, int y, TColor color)
{
    if (color == clNone) return;
    painterFor({}).fillRect(QRect(x, y, 1, 1), ToQColor(color));
}

void TQtCanvas::SetClipRect(const std::optional<TRect>& rect)
{
    QPainter& p = painterFor({});
    clip_ = rect;
    if (rect)
        p.setClipRect(toQRect(*rect), Qt::ReplaceClip);
    else
        p.setClipping(false);
}

void TQtCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::u16string_view text,
                           std::span<const int> dx)
{
    const QRect box = rect ? toQRect(*rect) : QRect();
    const bool clipped = (options & ETO_CLIPPED) && rect;
    const bool opaque = (options & ETO_OPAQUE) && rect && Brush()->Color() != clNone;
    const bool drawsText = !text.empty() && Font()->Color() != clNone;
    // A PDF's text sets its own clip where it needs one and may wait to go
    // out with the text after it: saved states and clips make most of a
    // page's operators.
    std::vector<qreal> offsets;
    if (onPdf(*painter_)) {
        if (opaque) painterFor({}).fillRect(box, ToQColor(Brush()->Color()));
        if (drawsText)
            DrawGlyphTextOnPdf(*painter_, glyphText(x, y, text, dx, offsets), clipped ? &box : nullptr, batch_);
        return;
    }
    QPainter& p = painterFor({});
    p.save();
    if (opaque) p.fillRect(box, ToQColor(Brush()->Color()));
    if (drawsText) DrawGlyphText(p, glyphText(x, y, text, dx, offsets), clipped ? &box : nullptr);
    p.restore();
}

GlyphText TQtCanvas::glyphText(int x, int y, std::u16string_view text, std::span<const int> dx,
                               std::vector<qreal>& offsets) const
{
    const SizedFont& font = DeviceFont();
    const std::vector<int> positions = TextPositions(font, text, dx);
    offsets.assign(positions.begin(), positions.end());
    GlyphText glyphs;
    glyphs.font = &font.font();
    glyphs.pixelSize = font.pixelSize();
    glyphs.origin = QPointF(x, y);
    glyphs.angle = FontEscapement() / 10.0;
    glyphs.text = text;
    glyphs.positions = offsets;
    glyphs.color = ToQColor(Font()->Color());
    glyphs.underline = Font()->Style().Contains(fsUnderline);
    glyphs.strikeOut = Font()->Style().Contains(fsStrikeout);
    if (clip_) glyphs.visible = QRectF(toQRect(*clip_));
    return glyphs;
}
