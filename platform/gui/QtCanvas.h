#pragma once
// The canvas over a QPainter: screen widgets, images, PDF and printers all
// draw through the same code. Shapes are drawn without antialiasing, as on
// the platform; text is antialiased where the device rasterises. On a PDF
// painter the pen and brush of the last shape or text stay set.

#include <QPainter>

#include <memory>
#include <vector>

#include "Canvas.h"
#include "GlyphRenderer.h"

class QPaintDevice;

class TQtCanvas : public TCanvas {
public:
    // Draws with a painter the caller owns and keeps active.
    explicit TQtCanvas(QPainter& painter);
    // Opens its own painter on the device (ended with the canvas).
    explicit TQtCanvas(QPaintDevice& device);
    ~TQtCanvas() override;

    // The painter, with the text that waits for it drawn.
    QPainter& Painter() const { return painterFor({}); }

    void Polyline(std::span<const TPoint> points) override;
    void Polygon(std::span<const TPoint> points) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void FillRect(const TRect& rect) override;
    void StretchDraw(const TRect& rect, const QImage& image) override;
    TColor Pixel(int x, int y) const override;
    void SetPixel(int x, int y, TColor color) override;
    std::optional<TRect> ClipRect() const override { return clip_; }
    void SetClipRect(const std::optional<TRect>& rect) override;
    void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::u16string_view text,
                    std::span<const int> dx = {}) override;

protected:
    // A canvas of a fixed resolution whose painter changes: the printer's,
    // which draws each page into the painter of its document.
    explicit TQtCanvas(int pixelsPerInch);
    void SetPainter(QPainter& painter)
    {
        painterFor({});
        painter_ = &painter;
    }

private:
    TQtCanvas(QPainter* painter, std::unique_ptr<QPainter> owned);
    // Every call that draws or reads reaches the painter here: text waiting
    // for a PDF is drawn first unless it lies outside the areas the call
    // may ink (all of it when there are none), so the page keeps its order.
    QPainter& painterFor(std::span<const QRectF> areas) const
    {
        if (!batch_.Empty() && (areas.empty() || batch_.Meets(areas))) batch_.Flush(*painter_);
        return *painter_;
    }
    // Pen and brush of the canvas on the painter; nullptr when neither draws.
    QPainter* applyPenAndBrush(bool fill, std::span<const QRectF> areas = {});
    void endShape();
    // The text as glyphs in the canvas font, placed in `offsets`.
    GlyphText glyphText(int x, int y, std::u16string_view text, std::span<const int> dx,
                        std::vector<qreal>& offsets) const;

    std::unique_ptr<QPainter> owned_;
    QPainter* painter_;
    std::optional<TRect> clip_;
    bool shapeSaved_ = false;  // the shape being drawn saved the painter's state
    // Text on a PDF waiting to be drawn in one run with the text after it.
    mutable GlyphBatch batch_;
};

// A platform colour as a Qt colour (system colours by the fixed scheme);
// invalid for clNone.
QColor ToQColor(TColor color);
