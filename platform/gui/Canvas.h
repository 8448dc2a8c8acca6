#pragma once
// The drawing surface that stands in for the platform's device context:
// pen, brush and font state, shapes with the platform's exclusive right and
// bottom edges, pictures, a rectangular clip, and text placed at given
// per-character advances. TQtCanvas draws on any QPainter (widget, image,
// PDF, printer); TRecordingCanvas logs every call and can replay it.

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "Classes.h"
#include "Graphics.h"

class QImage;
class SizedFont;
class ResolvedFont;

// A device coordinate from a wider value: held far beyond any device but
// where sums of a few of them still fit an int.
inline constexpr int64_t kMaxCoordinate = int64_t{1} << 29;
inline int ClampCoordinate(int64_t v)
{
    return static_cast<int>(v < -kMaxCoordinate ? -kMaxCoordinate : v > kMaxCoordinate ? kMaxCoordinate : v);
}

struct TPoint {
    int X = 0;
    int Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend bool operator==(const TSize&, const TSize&) = default;
};

// Right and bottom lie outside the rectangle.
struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    friend bool operator==(const TRect&, const TRect&) = default;
};

inline TRect Rect(int left, int top, int right, int bottom)
{
    return {left, top, right, bottom};
}
// The common part; an empty rectangle when there is none.
TRect IntersectRect(const TRect& a, const TRect& b);
// The rectangle around the points of all the polygons.
TRect PolygonsBounds(std::span<const std::vector<TPoint>> polygons);

// Options of ExtTextOut, the platform's values.
constexpr unsigned ETO_OPAQUE = 2;      // fill the rectangle with the brush colour first
constexpr unsigned ETO_CLIPPED = 4;     // clip the text to the rectangle
constexpr unsigned ETO_RTLREADING = 128;  // recorded; glyph order stays as given

// How wide pens end (geometric pens on the platform).
enum TPenEndCap { pecRound, pecSquare, pecFlat };

class TCanvas : public TPersistent {
    DORVAK_CLASS(TCanvas, TPersistent)
public:
    // The font's pixels per inch become the device's vertical resolution, so
    // that Font()->SetSize works in points on this device.
    TCanvas(int pixelsPerInchX, int pixelsPerInchY);
    ~TCanvas() override;

    // Published: Brush, Font, Pen (nested objects).
    static void Publish(TClassBuilder<TCanvas>& b);

    TFont* Font() const { return font_.get(); }
    TPen* Pen() const { return pen_.get(); }
    TBrush* Brush() const { return brush_.get(); }
    // Angle of text output in tenths of a degree, counter-clockwise (the
    // escapement of the platform's fonts).
    int FontEscapement() const { return escapement_; }
    void SetFontEscapement(int tenths) { escapement_ = tenths; }
    TPenEndCap PenEndCap() const { return penEndCap_; }
    void SetPenEndCap(TPenEndCap cap) { penEndCap_ = cap; }
    TPoint PenPos() const { return penPos_; }
    void SetPenPos(TPoint pos) { penPos_ = pos; }

    int PixelsPerInchX() const { return ppiX_; }
    int PixelsPerInchY() const { return ppiY_; }
    // The printer's canvas (TrpPrinterCanvas) says yes.
    virtual bool IsPrinter() const { return false; }

    // Lines: from the pen position, which moves to the end point.
    void MoveTo(int x, int y) { penPos_ = {x, y}; }
    void LineTo(int x, int y);
    virtual void Polyline(std::span<const TPoint> points) = 0;
    // Outlined with the pen, filled with the brush.
    virtual void Polygon(std::span<const TPoint> points) = 0;
    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;
    virtual void RoundRect(int x1, int y1, int x2, int y2, int cornerWidth, int cornerHeight) = 0;
    virtual void Ellipse(int x1, int y1, int x2, int y2) = 0;
    // Filled with the brush, no outline.
    virtual void FillRect(const TRect& rect) = 0;

    // The picture scaled into the rectangle; Draw keeps its size.
    virtual void StretchDraw(const TRect& rect, const QImage& image) = 0;
    // Whether StretchDraw smooths the picture or takes the nearest pixels
    // (a report picture without HightQuality on the screen). On at first.
    bool SmoothPictures() const { return smoothPictures_; }
    void SetSmoothPictures(bool value) { smoothPictures_ = value; }
    void Draw(int x, int y, const QImage& image);

    // clNone where the device has no readable pixels.
    virtual TColor Pixel(int x, int y) const = 0;
    virtual void SetPixel(int x, int y, TColor color) = 0;

    // The clip region, a rectangle here; none means the whole device.
    virtual std::optional<TRect> ClipRect() const = 0;
    virtual void SetClipRect(const std::optional<TRect>& rect) = 0;
    // Clips to the area the polygons enclose by the even-odd rule (a
    // metafile's clip path); ClipRect then gives its bounds. A canvas that
    // cannot clip to a shape clips to those bounds.
    virtual void SetClipPolygons(std::span<const std::vector<TPoint>> polygons);
    void IntersectClipRect(const TRect& rect);

    // Text in the canvas font: Font()->Height() is in device pixels
    // (negative the em height, positive the cell height), FontEscapement()
    // turns it about (x, y), the top left of the text cell. dx holds the
    // distance from each UTF-16 unit to the next (0 for the second unit of
    // a surrogate pair); without it characters take their own advances at
    // this size. rect is used with ETO_OPAQUE and ETO_CLIPPED.
    virtual void ExtTextOut(int x, int y, unsigned options, const TRect* rect, std::u16string_view text,
                            std::span<const int> dx = {}) = 0;
    // As the platform: unless the brush is clear the text cell is filled
    // first; the pen position moves to the end of the text.
    void TextOut(int x, int y, std::u16string_view text);
    void TextOut(int x, int y, std::string_view utf8);
    // Clipped to the rectangle, which the brush fills unless it is clear.
    void TextRect(const TRect& rect, int x, int y, std::u16string_view text);
    TSize TextExtent(std::u16string_view text) const;
    int TextWidth(std::u16string_view text) const { return TextExtent(text).cx; }
    int TextHeight(std::u16string_view text) const { return TextExtent(text).cy; }

    // The canvas font resolved, and at its em height in device pixels.
    const ResolvedFont& ResolvedCanvasFont() const;
    int FontPixelSize() const;
    const SizedFont& DeviceFont() const;

private:
    int ppiX_;
    int ppiY_;
    std::unique_ptr<TFont> font_;
    std::unique_ptr<TPen> pen_;
    std::unique_ptr<TBrush> brush_;
    int escapement_ = 0;
    TPenEndCap penEndCap_ = pecRound;
    TPoint penPos_;
    bool smoothPictures_ = true;
    // The font resolved last (resolved fonts live as long as the process):
    // text is drawn piece by piece, mostly in one font.
    struct LastResolved {
        const ResolvedFont* font = nullptr;
        std::string name;
        bool bold = false, italic = false;
    };
    mutable LastResolved lastResolved_;
};

// Registers TCanvas with the reflection registry (after the core classes).
void registerCanvasClasses();
void unregisterCanvasClasses();

// Device positions of text: the cumulative sums of dx, or the advances of
// the font at its size, with the end of the text as last entry
// (text.size() + 1 entries), each held by ClampCoordinate.
std::vector<int> TextPositions(const SizedFont& font, std::u16string_view text, std::span<const int> dx);
