#pragma once
// The device a metafile's records draw on: the platform's device-context
// state (objects, modes, mapping, clip, path) and its drawing calls in
// logical units, carried out on a TCanvas in device pixels. The EMF and WMF
// readers decode their records into these calls. Without a canvas nothing
// is drawn: the readers then only check that every record holds together.

#include <QImage>
#include <QPointF>
#include <QRectF>

#include <cstdint>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Canvas.h"
#include "LittleEndian.h"

namespace metafile {

// A record that does not hold together: the metafile is damaged.
struct Damaged {};

// Little-endian values within one record; reading outside it is damage.
class Record {
public:
    explicit Record(std::string_view bytes) : b_(bytes) {}
    size_t size() const { return b_.size(); }
    std::string_view bytes(size_t at, size_t count) const
    {
        if (at > b_.size() || count > b_.size() - at) throw Damaged{};
        return b_.substr(at, count);
    }
    uint8_t u8(size_t at) const { return static_cast<uint8_t>(bytes(at, 1)[0]); }
    uint16_t u16(size_t at) const { return le::u16(bytes(at, 2), 0); }
    int16_t i16(size_t at) const { return static_cast<int16_t>(u16(at)); }
    uint32_t u32(size_t at) const { return le::u32(bytes(at, 4), 0); }
    int32_t i32(size_t at) const { return static_cast<int32_t>(u32(at)); }
    float f32(size_t at) const
    {
        const uint32_t v = u32(at);
        float f;
        std::memcpy(&f, &v, sizeof f);
        return f;
    }

private:
    std::string_view b_;
};

// An affine map in the platform's row-vector form: x' = x*m11 + y*m21 + dx.
struct Xform {
    double m11 = 1, m12 = 0, m21 = 0, m22 = 1, dx = 0, dy = 0;
    QPointF map(QPointF p) const { return {p.x() * m11 + p.y() * m21 + dx, p.x() * m12 + p.y() * m22 + dy}; }
    // This map, then b.
    Xform then(const Xform& b) const;
    double det() const { return m11 * m22 - m12 * m21; }
    bool finite() const;
    bool axisAligned() const { return m12 == 0 && m21 == 0; }
};

// The platform's constants the records use.
enum : int {
    PS_SOLID = 0, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME, PS_USERSTYLE, PS_ALTERNATE,
    BS_SOLID = 0, BS_NULL = 1, BS_HATCHED = 2,
    TRANSPARENT = 1, OPAQUE = 2,
    ALTERNATE = 1, WINDING = 2,
    MM_TEXT = 1, MM_LOMETRIC, MM_HIMETRIC, MM_LOENGLISH, MM_HIENGLISH, MM_TWIPS, MM_ISOTROPIC, MM_ANISOTROPIC,
};
constexpr unsigned TA_UPDATECP = 1, TA_RIGHT = 2, TA_CENTER = 6, TA_BOTTOM = 8, TA_BASELINE = 24;
// ETO_OPAQUE and ETO_CLIPPED are the canvas's.
constexpr unsigned ETO_GLYPH_INDEX = 0x10, ETO_PDY = 0x2000;

struct Pen {
    int style = PS_SOLID;  // with the end cap (0x0F00) and geometric (0x10000) bits
    double width = 0;      // logical units
    bool cosmetic = true;  // one device pixel whatever the width
    TColor color = clBlack;
};

struct Brush {
    int style = BS_SOLID;
    TColor color = clWhite;
    int hatch = 0;
};

struct Font {
    double height = 0;  // logical units: negative the em, positive the cell
    int escapement = 0;  // tenths of a degree
    int weight = 400;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int charset = 1;
    std::u16string face;
};

// A created object: what a handle or a table slot holds.
struct Object {
    enum Kind { None, PenObject, BrushObject, FontObject, Other };
    Object() = default;
    explicit Object(Kind k) : kind(k) {}
    Kind kind = None;
    Pen pen;
    Brush brush;
    Font font;
};

// The stock object of an EMF handle with its high bit set (index 0 to 19).
std::optional<Object> StockObject(uint32_t index);

struct State {
    Pen pen;
    Brush brush;
    Font font;
    TColor textColor = clBlack;
    TColor bkColor = clWhite;
    int bkMode = OPAQUE;
    unsigned textAlign = 0;
    int fillMode = ALTERNATE;
    int rop2 = 13;  // R2_COPYPEN
    bool clockwise = false;
    int mapMode = MM_TEXT;
    QPointF windowOrg{0, 0}, windowExt{1, 1}, viewportOrg{0, 0}, viewportExt{1, 1};
    Xform world;
    QPointF position;            // logical
    std::optional<QRectF> clip;  // device pixels; none: the picture's rectangle
};

class Device {
public:
    Device(TCanvas* canvas, const QRectF& target);
    ~Device();
    Device(const Device&) = delete;
    Device& operator=(const Device&) = delete;

    bool drawing() const { return canvas_ != nullptr; }
    const QRectF& target() const { return target_; }
    State& dc() { return dc_; }

    // From reference-device pixels to the target (the frame of an EMF).
    void setBase(const Xform& base, double pixelsPerMmX, double pixelsPerMmY);
    const Xform& base() const { return base_; }
    // To be called after the mapping of dc() changed.
    void mappingChanged();
    // Logical units to device pixels, and the device's scale of one unit.
    QPointF toDevice(QPointF p) const { return transform_.map(p); }
    const Xform& transform() const { return transform_; }

    void save();
    // Negative: that many levels back; positive: that level from the first.
    void restore(int which);

    // Lines and curves; the current position moves as the platform's does.
    void moveTo(QPointF p);
    void lineTo(QPointF p);
    void polyline(const std::vector<QPointF>& points);
    void polylineTo(const std::vector<QPointF>& points);
    void polyBezier(const std::vector<QPointF>& points);
    void polyBezierTo(const std::vector<QPointF>& points);
    void polyPolyline(const std::vector<std::vector<QPointF>>& lines);
    // Point types of POLYDRAW: 1 close figure, 2 line, 4 bezier, 6 move.
    void polyDraw(const std::vector<QPointF>& points, const std::vector<uint8_t>& types);

    // Closed shapes, outlined with the pen and filled with the brush.
    void polygon(const std::vector<QPointF>& points);
    void polyPolygon(const std::vector<std::vector<QPointF>>& polygons);
    void rectangle(const QRectF& box);
    void roundRect(const QRectF& box, QSizeF corner);
    void ellipse(const QRectF& box);
    enum class ArcKind { Arc, ArcTo, Chord, Pie };
    void arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end);
    void angleArc(QPointF center, double radius, double startDegrees, double sweepDegrees);

    // Fills without outline: with the brush, or with a colour.
    void fillRect(const QRectF& box, const Brush& brush);
    void fillRect(const QRectF& box, TColor color);
    // Rectangles in reference-device pixels (regions of an EMF).
    void fillDeviceRects(const std::vector<QRectF>& rects, const Brush& brush);
    void gradientRect(const QRectF& box, TColor from, TColor to, bool vertical);
    void gradientTriangle(const QPointF (&points)[3], const TColor (&colors)[3]);
    void setPixel(QPointF p, TColor color);

    // Text at p in the selected font, per the text alignment; dx are the
    // advances in logical units (empty: the font's own).
    void text(QPointF p, std::u16string_view text, const std::vector<double>& dx, unsigned options,
              const std::optional<QRectF>& rect);

    // A picture into the destination (logical units) with a raster
    // operation: the ones a picture needs are drawn, others as a copy.
    void image(const QRectF& dest, const QImage& image, uint32_t rop);
    // A raster operation without source: the brush, black or white.
    void patBlt(const QRectF& dest, uint32_t rop);

    void intersectClip(const QRectF& box);
    // In reference-device pixels; RGN_AND 1, RGN_OR 2, RGN_COPY 5 (others keep the clip).
    void selectClip(const std::optional<QRectF>& rect, int mode);
    void offsetClip(QPointF by);

    void beginPath();
    void endPath() { inPath_ = false; }
    void abortPath();
    void closeFigure();
    void fillPath();
    void strokePath();
    void strokeAndFillPath();
    void selectClipPath(int mode);

    // Logical extent of what was drawn: a bare WMF without a window takes it.
    const std::optional<QRectF>& seen() const { return seen_; }

private:
    struct Figure {
        std::vector<QPointF> points;  // device pixels
        bool closed = false;
    };

    void note(QPointF p);
    std::vector<QPointF> mapped(const std::vector<QPointF>& points);
    // Curves in device pixels, flattened.
    void appendBezier(std::vector<QPointF>& out, QPointF p0, QPointF p1, QPointF p2, QPointF p3) const;
    std::vector<QPointF> ellipsePoints(const QRectF& box, double from, double sweep, bool withStart);
    double arcAngle(const QRectF& box, QPointF p) const;
    // Device points drawn on from the current position, which moves to end.
    void continueTo(std::vector<QPointF> points, QPointF end);

    // Outlines and fills in device pixels, or into the open path.
    void draw(std::vector<Figure> figures, bool fill, bool stroke);
    void addToPath(std::vector<Figure> figures);
    Figure& pathFigure();
    void drawFigures(const std::vector<Figure>& figures, bool fill, bool stroke);
    // With the pen cleared; color is the brush's.
    void fillPolygon(const std::vector<TPoint>& points, TColor color);
    bool applyPen();
    bool applyBrush(const Brush& brush, bool background);
    void applyRop();
    bool applyClip();
    TRect deviceRect(const QRectF& r) const;

    TCanvas* canvas_;
    QRectF target_;
    Xform base_;
    double pixelsPerMmX_ = 96 / 25.4;
    double pixelsPerMmY_ = 96 / 25.4;
    Xform transform_;
    State dc_;
    std::vector<State> saved_;

    bool inPath_ = false;
    std::vector<Figure> path_;
    bool figureOpen_ = false;

    std::optional<TRect> canvasClip_;  // the caller's, restored at the end
    std::optional<QRectF> limit_;      // target within the caller's clip
    std::optional<TRect> applied_;
    std::optional<QRectF> seen_;
};

// Text of a font's character set as UTF-16 (DEFAULT_CHARSET read as the
// code page 936 of the office's old workstations).
std::u16string DecodeText(std::string_view bytes, int charset);
// A device-independent bitmap from its BITMAPINFO and bits: uncompressed,
// RLE, bit-field, JPEG and PNG forms. With alpha, 32-bit pixels keep their
// alpha channel. Null when it cannot be read.
QImage DecodeDib(std::string_view info, std::string_view bits, bool alpha);
// A colour reference: palette entries and flags fall back to their RGB.
TColor ColorRef(uint32_t value);

// Read (and with a canvas, draw) a whole metafile. A record that does not
// hold together within its size is passed over: the count of those is
// returned. Damaged when the header or the chain of record sizes is broken.
size_t PlayEnhanced(std::string_view bytes, TCanvas* canvas, const QRectF& target);
size_t PlayWindows(std::string_view bytes, TCanvas* canvas, const QRectF& target);

}  // namespace metafile
