#pragma once
// A canvas that draws nothing and keeps every call with the pen, brush and
// font in force at the time: tests read the record, text search reads the
// text runs with their positions, and Replay draws the same calls on
// another canvas (a page printed again, say).

#include <QImage>

#include <string>
#include <vector>

#include "Canvas.h"

struct TCanvasRecord {
    enum Kind { Polyline, Polygon, Rectangle, RoundRect, Ellipse, FillRect, StretchDraw, SetPixel, SetClipRect, ExtTextOut };
    Kind kind = Polyline;
    // Corners and points: (x1, y1), (x2, y2) for shapes, the corner size
    // third for RoundRect, the origin for text and pixels.
    std::vector<TPoint> points;
    TRect rect{};       // FillRect, StretchDraw, the text rectangle, the clip
    bool hasRect = false;  // false: no text rectangle, or the clip removed
    std::vector<std::vector<TPoint>> clip;  // SetClipRect: the polygons of a shaped clip
    unsigned options = 0;
    std::u16string text;
    std::vector<int> dx;   // as given; empty when the font's advances were used
    QImage image;
    bool smooth = true;     // StretchDraw: the canvas's SmoothPictures
    TColor color = clNone;  // SetPixel

    // The state in force.
    TColor penColor = clBlack;
    int penWidth = 1;
    TPenStyle penStyle = psSolid;
    TPenMode penMode = pmCopy;
    TPenEndCap penEndCap = pecRound;
    TColor brushColor = clWhite;
    TBrushStyle brushStyle = bsSolid;
    std::string fontName;
    int fontHeight = 0;
    TFontStyles fontStyle;
    TColor fontColor = clBlack;
    int fontEscapement = 0;
};

class TRecordingCanvas : public TCanvas {
public:
    explicit TRecordingCanvas(int pixelsPerInch = 96) : TCanvas(pixelsPerInch, pixelsPerInch) {}

    const std::vector<TCanvasRecord>& Records() const { return records_; }
    void Clear() { records_.clear(); }
    // Draws the recorded calls, in order, with their state, on another canvas.
    void Replay(TCanvas& target) const;

    void Polyline(std::span<const TPoint> points) override;
    void Polygon(std::span<const TPoint> points) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) override;
    void Ellipse(int x1, int y1, int x2, int y2) override;
    void FillRect(const TRect& rect) override;
    void StretchDraw(const TRect& rect, const QImage& image) override;
    TColor Pixel(int, int) const override { return clNone; }
    void SetPixel(int x, int y, TColor color) override;
    std::optional<TRect> ClipRect() const override { return clip_; }
    void SetClipRect(const std::optional<TRect>& rect) override;
    void SetClipPolygons(std::span<const std::vector<TPoint>> polygons) override;
    void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::u16string_view text,
                    std::span<const int> dx = {}) override;

private:
    TCanvasRecord& add(TCanvasRecord::Kind kind, std::vector<TPoint> points);

    std::vector<TCanvasRecord> records_;
    std::optional<TRect> clip_;
};

// Draws recorded calls, in order, with their state, on a canvas (kept
// records outlive their recording canvas in a metafile).
void ReplayRecords(std::span<const TCanvasRecord> records, TCanvas& target);
