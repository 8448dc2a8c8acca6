#include "MetafileDevice.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "CodePages.h"
#include "Exceptions.h"
#include "ImageCodecs.h"
#include "Pictures.h"
#include "SizedFont.h"

namespace metafile {

namespace {

constexpr double kPi = std::numbers::pi;
// A pen or a font larger than this many device pixels draws nothing a
// picture could mean, only work.
constexpr double kMaxDeviceSize = 1 << 14;
// Clip regions and paths of more pieces than these clip to their bounds:
// shapes of that many corners cost more than they show. Combining shapes
// costs with their crossing edges, which hostile data makes countless:
// beyond a few of them, or past the work one picture may spend on its
// clip, shapes are combined as their bounds.
constexpr size_t kMaxClipRects = 1024;
constexpr size_t kMaxClipPoints = 4096;
constexpr size_t kMaxClipEdges = 8192;
constexpr size_t kMaxClipCrossings = 256;
constexpr double kClipWork = 1e8;
// The most pattern pixels one fill draws, and dashes one line has.
constexpr double kMaxPatternPixels = 1 << 22;
constexpr size_t kMaxDashes = 1 << 18;

int deviceInt(double v)
{
    if (!std::isfinite(v)) return 0;
    return ClampCoordinate(std::llround(std::clamp<double>(v, -kMaxCoordinate, kMaxCoordinate)));
}

// A count of steps for a length, held within lo and hi (NaN: lo).
int stepsFor(double v, int lo, int hi)
{
    return std::isfinite(v) ? static_cast<int>(std::clamp<double>(v, lo, hi)) : lo;
}

TPoint devicePoint(QPointF p)
{
    return {deviceInt(p.x()), deviceInt(p.y())};
}

std::vector<TPoint> devicePoints(const std::vector<QPointF>& points, bool close)
{
    std::vector<TPoint> out;
    out.reserve(points.size() + 1);
    for (const QPointF& p : points) {
        const TPoint t = devicePoint(p);
        if (out.empty() || !(out.back() == t)) out.push_back(t);
    }
    if (close && out.size() > 1 && !(out.front() == out.back())) out.push_back(out.front());
    return out;
}

// Twice the signed area: the orientation of a figure.
double signedArea(const std::vector<QPointF>& points)
{
    double a = 0;
    for (size_t i = 0, n = points.size(); i < n; ++i) {
        const QPointF& p = points[i];
        const QPointF& q = points[(i + 1) % n];
        a += p.x() * q.y() - q.x() * p.y();
    }
    return a;
}

// Whether a figure encloses nothing at all: its points on one line, as a
// stroked line's path filled. (Figures merely thinner than a pixel do.)
bool flat(const std::vector<QPointF>& points)
{
    if (points.empty()) return true;
    const QPointF a = points.front();
    for (const QPointF& b : points) {
        const QPointF d = b - a;
        const double length = std::hypot(d.x(), d.y());
        if (!(length > 1e-9)) continue;
        for (const QPointF& p : points)
            if (std::fabs(d.x() * (p.y() - a.y()) - d.y() * (p.x() - a.x())) > 1e-6 * length) return false;
        return true;
    }
    return true;
}

QRectF boundsOf(std::initializer_list<QPointF> points)
{
    double l = INFINITY, t = INFINITY, r = -INFINITY, b = -INFINITY;
    for (const QPointF& p : points) {
        l = std::min(l, p.x()), t = std::min(t, p.y());
        r = std::max(r, p.x()), b = std::max(b, p.y());
    }
    return QRectF(QPointF(l, t), QPointF(r, b));
}

QPainterPath polygonPath(const std::vector<QPointF>& points)
{
    QPainterPath path;
    path.addPolygon(QPolygonF(QList<QPointF>(points.begin(), points.end())));
    path.closeSubpath();
    return path;
}

QPainterPath rectPath(const QRectF& rect)
{
    QPainterPath path;
    path.addRect(rect);
    return path;
}

// The one axis-aligned rectangle a path encloses, if it is one (an empty
// rectangle for an empty path).
std::optional<QRectF> rectangleOf(const QPainterPath& path)
{
    if (path.isEmpty()) return QRectF();
    const QList<QPolygonF> polygons = path.toSubpathPolygons();
    if (polygons.size() != 1) return std::nullopt;
    std::vector<QPointF> corners;
    for (const QPointF& p : polygons[0])
        if (corners.empty() || corners.back() != p) corners.push_back(p);
    while (corners.size() > 1 && corners.front() == corners.back()) corners.pop_back();
    // Points along a side are no corners.
    auto straight = [](QPointF a, QPointF b, QPointF c) {
        return (a.x() == b.x() && b.x() == c.x()) || (a.y() == b.y() && b.y() == c.y());
    };
    for (size_t i = 0; i < corners.size() && corners.size() > 4;) {
        const size_t n = corners.size();
        if (straight(corners[(i + n - 1) % n], corners[i], corners[(i + 1) % n]))
            corners.erase(corners.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    if (corners.size() != 4) return std::nullopt;
    for (size_t i = 0; i < 4; ++i) {
        const QPointF a = corners[i], b = corners[(i + 1) % 4];
        if (a.x() != b.x() && a.y() != b.y()) return std::nullopt;
    }
    return boundsOf({corners[0], corners[1], corners[2], corners[3]});
}

// The polygons of a path on the device, each of three corners or more.
std::vector<std::vector<TPoint>> devicePolygons(const QPainterPath& path)
{
    std::vector<std::vector<TPoint>> out;
    for (const QPolygonF& p : path.toSubpathPolygons()) {
        std::vector<TPoint> d = devicePoints(std::vector<QPointF>(p.begin(), p.end()), false);
        if (d.size() >= 3) out.push_back(std::move(d));
    }
    return out;
}

// Whether two segments cross at a point inside both.
bool cross(QPointF a, QPointF b, QPointF c, QPointF d)
{
    auto side = [](QPointF p, QPointF q, QPointF r) {
        const double v = (q.x() - p.x()) * (r.y() - p.y()) - (q.y() - p.y()) * (r.x() - p.x());
        return (v > 0) - (v < 0);
    };
    return side(a, b, c) * side(a, b, d) < 0 && side(c, d, a) * side(c, d, b) < 0;
}

// Where a segment crosses a rectangle: the part [t0, t1] of it, if any.
std::optional<std::pair<double, double>> segmentWithin(QPointF a, QPointF b, const QRectF& r)
{
    double t0 = 0, t1 = 1;
    const double d[2] = {b.x() - a.x(), b.y() - a.y()};
    const double lo[2] = {r.left() - a.x(), r.top() - a.y()}, hi[2] = {r.right() - a.x(), r.bottom() - a.y()};
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0) {
            if (lo[axis] > 0 || hi[axis] < 0) return std::nullopt;
            continue;
        }
        double enter = lo[axis] / d[axis], leave = hi[axis] / d[axis];
        if (enter > leave) std::swap(enter, leave);
        t0 = std::max(t0, enter), t1 = std::min(t1, leave);
        if (t0 > t1) return std::nullopt;
    }
    return std::pair{t0, t1};
}

QRgb rgbOf(TColor c)
{
    return qRgb(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

TColor meanColor(const QImage& image)
{
    const QRgb c = image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(0, 0);
    return RGB(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c)));
}

TPenMode penMode(int rop2)
{
    static constexpr TPenMode modes[] = {pmCopy,     pmBlack,     pmNotMerge, pmMaskNotPen, pmNotCopy, pmMaskPenNot,
                                         pmNot,      pmXor,       pmNotMask,  pmMask,       pmNotXor,  pmNop,
                                         pmMergeNotPen, pmCopy,   pmMergePenNot, pmMerge,   pmWhite};
    return rop2 >= 1 && rop2 <= 16 ? modes[rop2] : pmCopy;
}

TBrushStyle hatchStyle(int hatch)
{
    static constexpr TBrushStyle styles[] = {bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross};
    return hatch >= 0 && hatch < 6 ? styles[hatch] : bsDiagCross;
}

TColor mix(TColor a, TColor b, double t)
{
    auto channel = [&](int shift) {
        const double x = (a >> shift) & 0xFF, y = (b >> shift) & 0xFF;
        return static_cast<uint32_t>(std::lround(x + (y - x) * t)) << shift;
    };
    return static_cast<TColor>(channel(0) | channel(8) | channel(16));
}

void put32(std::string& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// 32-bit pixels with their alpha, premultiplied as blending wants them.
QImage decodeAlphaDib(int width, int height, std::string_view bits)
{
    const int rows = std::abs(height);
    QImage image(width, rows, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) return {};
    for (int y = 0; y < rows; ++y) {
        const size_t row = size_t(height > 0 ? rows - 1 - y : y) * size_t(width) * 4;
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const auto* p = reinterpret_cast<const uint8_t*>(bits.data() + row + size_t(x) * 4);
            const uint8_t a = p[3];
            // Colour above alpha is not premultiplied data: hold it.
            out[x] = qRgba(std::min(p[2], a), std::min(p[1], a), std::min(p[0], a), a);
        }
    }
    return image;
}

}  // namespace

// ---------------------------------------------------------------- helpers

Xform Xform::then(const Xform& b) const
{
    return {m11 * b.m11 + m12 * b.m21, m11 * b.m12 + m12 * b.m22, m21 * b.m11 + m22 * b.m21,
            m21 * b.m12 + m22 * b.m22, dx * b.m11 + dy * b.m21 + b.dx, dx * b.m12 + dy * b.m22 + b.dy};
}

bool Xform::finite() const
{
    return std::isfinite(m11) && std::isfinite(m12) && std::isfinite(m21) && std::isfinite(m22) &&
           std::isfinite(dx) && std::isfinite(dy);
}

std::optional<Object> StockObject(uint32_t index)
{
    Object o;
    auto brush = [&](int style, TColor color) {
        o.kind = Object::BrushObject;
        o.brush = {style, color, 0};
        return o;
    };
    auto pen = [&](int style, TColor color) {
        o.kind = Object::PenObject;
        o.pen = {style, 0, true, color};
        return o;
    };
    switch (index) {
    case 0: return brush(BS_SOLID, clWhite);
    case 1: return brush(BS_SOLID, RGB(0xC0, 0xC0, 0xC0));
    case 2: return brush(BS_SOLID, RGB(0x80, 0x80, 0x80));
    case 3: return brush(BS_SOLID, RGB(0x40, 0x40, 0x40));
    case 4: return brush(BS_SOLID, clBlack);
    case 5: return brush(BS_NULL, clBlack);
    case 6: return pen(PS_SOLID, clWhite);
    case 7: return pen(PS_SOLID, clBlack);
    case 8: return pen(PS_NULL, clBlack);
    case 10: case 11: case 12: case 13: case 14: case 16: case 17:
        o.kind = Object::FontObject;
        o.font.face = index == 10 || index == 11 || index == 16 ? u"Courier New" : u"Arial";
        return o;
    case 18: return brush(BS_SOLID, clWhite);
    case 19: return pen(PS_SOLID, clBlack);
    default: return std::nullopt;
    }
}

TColor ColorRef(uint32_t value)
{
    // A palette index has no palette to look in here: black.
    if ((value >> 24) == 1) return clBlack;
    return static_cast<TColor>(value & 0xFFFFFF);
}

std::u16string DecodeText(std::string_view bytes, int charset)
{
    // The metafiles come from Windows workstations of a Chinese office.
    int codePage = charset == 1 ? CP_GBK : CharsetToCodePage(charset);
    if (codePage == 0 || codePage == 1 || codePage == 2 || codePage == CP_SYMBOL) codePage = 1252;
    try {
        return MultiByteToWide(codePage, bytes);
    } catch (const Exception&) {
        std::u16string latin;
        for (char c : bytes) latin += static_cast<char16_t>(static_cast<uint8_t>(c));
        return latin;
    }
}

namespace {

// The size and form of a BITMAPCOREHEADER or BITMAPINFOHEADER.
struct DibHeader {
    int64_t width = 0, height = 0;  // height negative: rows from the top
    int bpp = 0;
    uint32_t compression = 0;
};

std::optional<DibHeader> dibHeader(std::string_view info)
{
    if (info.size() < 12) return std::nullopt;
    const uint32_t headerSize = le::u32(info, 0);
    if (headerSize == 12) return DibHeader{le::u16(info, 4), le::u16(info, 6), le::u16(info, 10), 0};
    if (headerSize >= 40 && headerSize <= info.size())
        return DibHeader{le::i32(info, 4), le::i32(info, 8), le::u16(info, 14), le::u32(info, 16)};
    return std::nullopt;
}

}  // namespace

QImage DecodeDib(std::string_view info, std::string_view bits, bool alpha)
{
    try {
        const std::optional<DibHeader> header = dibHeader(info);
        if (!header) return {};
        const auto [width, height, bpp, compression] = *header;
        if (compression == 4) return DecodeJpeg(bits);
        if (compression == 5) return DecodePng(bits);
        if (width <= 0 || height == 0 || height == INT32_MIN) return {};
        CheckPictureSize(width, std::abs(height));
        if (compression == 0 || compression == 3 || compression == 6) {
            // Bits too short for the size claimed: nothing to allocate for.
            const int64_t stride = (width * bpp + 31) / 32 * 4;
            if (bpp == 0 || int64_t(bits.size()) < stride * std::abs(height)) return {};
            if (alpha && bpp == 32 && compression == 0)
                return decodeAlphaDib(static_cast<int>(width), static_cast<int>(height), bits);
        } else if (width * std::abs(height) > (int64_t(16) << 20)) {
            return {};
        }
        std::string bmp = "BM";
        put32(bmp, static_cast<uint32_t>(14 + info.size() + bits.size()));
        put32(bmp, 0);
        put32(bmp, static_cast<uint32_t>(14 + info.size()));
        bmp.append(info);
        bmp.append(bits);
        return DecodeBmp(bmp);
    } catch (const Exception&) {
        return {};
    }
}

QImage DecodePatternDib(std::string_view info, std::string_view bits, bool& mono)
{
    mono = false;
    const std::optional<DibHeader> header = dibHeader(info);
    if (!header || header->bpp != 1 || header->compression != 0) return DecodeDib(info, bits, false);
    const int64_t width = header->width, height = header->height;
    // A pattern is a few pixels across: more is not one.
    const int64_t rows = height < 0 ? -height : height;
    if (width <= 0 || rows <= 0 || width > 4096 || rows > 4096) return {};
    const int64_t stride = (width + 31) / 32 * 4;
    if (int64_t(bits.size()) < stride * rows) return {};
    QImage image(static_cast<int>(width), static_cast<int>(rows), QImage::Format_Mono);
    if (image.isNull()) return {};
    image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
    for (int64_t y = 0; y < rows; ++y) {
        const int64_t from = height > 0 ? rows - 1 - y : y;
        std::memcpy(image.scanLine(static_cast<int>(y)), bits.data() + from * stride, size_t((width + 7) / 8));
    }
    mono = true;
    return image;
}

Brush PatternBrush(QImage pattern, bool mono)
{
    // Read without drawing, or unreadable: grey, as before patterns drew.
    if (pattern.isNull()) return {BS_SOLID, RGB(0x80, 0x80, 0x80), 0};
    Brush brush(BS_PATTERN, meanColor(pattern));
    brush.pattern = std::move(pattern);
    brush.mono = mono;
    return brush;
}

// ---------------------------------------------------------------- device

Device::Device(TCanvas* canvas, const QRectF& target) : canvas_(canvas), target_(target.normalized())
{
    if (canvas_) {
        canvasClip_ = canvas_->ClipRect();
        QRectF limit = target_;
        if (canvasClip_) {
            const TRect& c = *canvasClip_;
            limit = limit.intersected(QRectF(c.Left, c.Top, c.Width(), c.Height()));
        }
        limit_ = limit;
        const double pixel = canvas_->PixelsPerInchX() / 96.0;
        referencePixel_ = QSizeF(pixel, canvas_->PixelsPerInchY() / 96.0);
    }
    patternOrigin_ = target_.topLeft();
    clipWork_ = kClipWork;
    mappingChanged();
}

Device::~Device()
{
    if (canvas_ && clipTouched_) canvas_->SetClipRect(canvasClip_);
}

void Device::setReferencePixel(QPointF origin, QSizeF size)
{
    const double w = std::fabs(size.width()), h = std::fabs(size.height());
    if (!(w > 0) || !(h > 0) || !std::isfinite(w) || !std::isfinite(h) || !std::isfinite(origin.x()) ||
        !std::isfinite(origin.y()))
        return;
    patternOrigin_ = origin;
    referencePixel_ = QSizeF(w, h);
}

void Device::setBase(const Xform& base, double pixelsPerMmX, double pixelsPerMmY)
{
    base_ = base;
    pixelsPerMmX_ = pixelsPerMmX;
    pixelsPerMmY_ = pixelsPerMmY;
    mappingChanged();
}

void Device::mappingChanged()
{
    const State& s = dc_;
    double sx = 1, sy = 1;
    auto metric = [&](double mm) { sx = mm * pixelsPerMmX_, sy = -mm * pixelsPerMmY_; };
    switch (s.mapMode) {
    case MM_LOMETRIC: metric(0.1); break;
    case MM_HIMETRIC: metric(0.01); break;
    case MM_LOENGLISH: metric(0.254); break;
    case MM_HIENGLISH: metric(0.0254); break;
    case MM_TWIPS: metric(25.4 / 1440); break;
    case MM_ISOTROPIC:
    case MM_ANISOTROPIC:
        sx = s.windowExt.x() != 0 ? s.viewportExt.x() / s.windowExt.x() : 1;
        sy = s.windowExt.y() != 0 ? s.viewportExt.y() / s.windowExt.y() : 1;
        if (s.mapMode == MM_ISOTROPIC) {
            const double m = std::min(std::fabs(sx), std::fabs(sy));
            sx = std::copysign(m, sx), sy = std::copysign(m, sy);
        }
        break;
    default: break;
    }
    const Xform page{sx, 0, 0, sy, s.viewportOrg.x() - s.windowOrg.x() * sx, s.viewportOrg.y() - s.windowOrg.y() * sy};
    transform_ = s.world.then(page).then(base_);
    if (!transform_.finite()) transform_ = Xform{0, 0, 0, 0, 0, 0};
}

void Device::save()
{
    // A runaway of saves keeps the last states only.
    if (saved_.size() >= 4096) saved_.erase(saved_.begin());
    saved_.push_back(dc_);
}

void Device::restore(int which)
{
    const int64_t depth = static_cast<int64_t>(saved_.size());
    const int64_t level = which < 0 ? depth + which : which - 1;
    if (level < 0 || level >= depth) return;
    dc_ = saved_[static_cast<size_t>(level)];
    saved_.resize(static_cast<size_t>(level));
    mappingChanged();
    clipChanged();
}

void Device::note(QPointF p)
{
    if (!std::isfinite(p.x()) || !std::isfinite(p.y())) return;
    if (!seen_) {
        seen_ = QRectF(p, p);
        return;
    }
    QRectF& r = *seen_;
    r.setLeft(std::min(r.left(), p.x())), r.setTop(std::min(r.top(), p.y()));
    r.setRight(std::max(r.right(), p.x())), r.setBottom(std::max(r.bottom(), p.y()));
}

std::vector<QPointF> Device::mapped(const std::vector<QPointF>& points)
{
    std::vector<QPointF> out;
    if (!canvas_) {
        for (const QPointF& p : points) note(p);
        return out;
    }
    out.reserve(points.size());
    for (const QPointF& p : points) out.push_back(toDevice(p));
    return out;
}

void Device::appendBezier(std::vector<QPointF>& out, QPointF p0, QPointF p1, QPointF p2, QPointF p3) const
{
    auto dist = [](QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); };
    const double length = dist(p0, p1) + dist(p1, p2) + dist(p2, p3);
    const int steps = stepsFor(length / 4, 1, 128);
    for (int i = 1; i <= steps; ++i) {
        const double t = double(i) / steps, u = 1 - t;
        const double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
        out.emplace_back(a * p0.x() + b * p1.x() + c * p2.x() + d * p3.x(),
                         a * p0.y() + b * p1.y() + c * p2.y() + d * p3.y());
    }
}

double Device::arcAngle(const QRectF& box, QPointF p) const
{
    const QPointF c = box.center();
    const double rx = std::max(box.width() / 2, 1e-9), ry = std::max(box.height() / 2, 1e-9);
    return std::atan2(-(p.y() - c.y()) / ry, (p.x() - c.x()) / rx);
}

std::vector<QPointF> Device::ellipsePoints(const QRectF& box, double from, double sweep, bool withStart)
{
    const QPointF c = box.center();
    const double rx = box.width() / 2, ry = box.height() / 2;
    // As many corners as the curve is long on the device, a few pixels each.
    const double scale = std::sqrt(std::fabs(transform_.det()));
    const double length = std::fabs(sweep) * (std::fabs(rx) + std::fabs(ry)) / 2 * scale;
    const int steps = stepsFor(length / 3, 8, 1024);
    std::vector<QPointF> points;
    points.reserve(static_cast<size_t>(steps) + 1);
    for (int i = withStart ? 0 : 1; i <= steps; ++i) {
        const double t = from + sweep * i / steps;
        points.emplace_back(c.x() + rx * std::cos(t), c.y() - ry * std::sin(t));
    }
    return mapped(points);
}

// ---------------------------------------------------------------- lines

Device::Figure& Device::pathFigure()
{
    if (!figureOpen_ || path_.empty()) {
        path_.push_back({{toDevice(dc_.position)}, false});
        figureOpen_ = true;
    }
    return path_.back();
}

void Device::moveTo(QPointF p)
{
    dc_.position = p;
    figureOpen_ = false;
    if (!canvas_) note(p);
}

void Device::lineTo(QPointF p)
{
    if (!canvas_) {
        note(p);
    } else if (inPath_) {
        pathFigure().points.push_back(toDevice(p));
    } else {
        draw({{{toDevice(dc_.position), toDevice(p)}, false}}, false, true);
    }
    dc_.position = p;
}

void Device::polyline(const std::vector<QPointF>& points)
{
    if (points.empty()) return;
    std::vector<QPointF> d = mapped(points);
    if (!canvas_) return;
    figureOpen_ = false;
    draw({{std::move(d), false}}, false, true);
}

void Device::polylineTo(const std::vector<QPointF>& points)
{
    if (points.empty()) return;
    std::vector<QPointF> d = mapped(points);
    // A figure the path begins here starts at the current position, before it moves.
    if (canvas_ && inPath_) {
        Figure& f = pathFigure();
        f.points.insert(f.points.end(), d.begin(), d.end());
    } else if (canvas_) {
        d.insert(d.begin(), toDevice(dc_.position));
        draw({{std::move(d), false}}, false, true);
    }
    dc_.position = points.back();
}

void Device::polyBezier(const std::vector<QPointF>& points)
{
    if (points.empty()) return;
    const std::vector<QPointF> d = mapped(points);
    if (!canvas_) return;
    std::vector<QPointF> out{d[0]};
    for (size_t i = 1; i + 2 < d.size(); i += 3) appendBezier(out, out.back(), d[i], d[i + 1], d[i + 2]);
    figureOpen_ = false;
    draw({{std::move(out), false}}, false, true);
}

void Device::polyBezierTo(const std::vector<QPointF>& points)
{
    const size_t usable = points.size() / 3 * 3;
    if (usable == 0) return;
    const std::vector<QPointF> d = mapped(points);
    if (canvas_) {
        std::vector<QPointF> out{toDevice(dc_.position)};
        for (size_t i = 0; i < usable; i += 3) appendBezier(out, out.back(), d[i], d[i + 1], d[i + 2]);
        if (inPath_) {
            Figure& f = pathFigure();
            f.points.insert(f.points.end(), out.begin() + 1, out.end());
        } else {
            draw({{std::move(out), false}}, false, true);
        }
    }
    dc_.position = points[usable - 1];
}

void Device::polyPolyline(const std::vector<std::vector<QPointF>>& lines)
{
    std::vector<Figure> figures;
    for (const auto& line : lines) {
        std::vector<QPointF> d = mapped(line);
        if (canvas_ && !d.empty()) figures.push_back({std::move(d), false});
    }
    if (!canvas_) return;
    figureOpen_ = false;
    draw(std::move(figures), false, true);
}

void Device::polyDraw(const std::vector<QPointF>& points, const std::vector<uint8_t>& types)
{
    for (size_t i = 0; i < points.size() && i < types.size(); ++i) {
        const int type = types[i] & ~1;
        if (type == 6) {
            moveTo(points[i]);
        } else if (type == 4 && i + 2 < points.size()) {
            polyBezierTo({points[i], points[i + 1], points[i + 2]});
            i += 2;
        } else {
            lineTo(points[i]);
        }
        if ((types[i] & 1) && inPath_) closeFigure();
    }
}

// ---------------------------------------------------------------- shapes

void Device::polygon(const std::vector<QPointF>& points)
{
    if (points.empty()) return;
    std::vector<QPointF> d = mapped(points);
    if (canvas_) draw({{std::move(d), true}}, true, true);
}

void Device::polyPolygon(const std::vector<std::vector<QPointF>>& polygons)
{
    std::vector<Figure> figures;
    for (const auto& p : polygons) {
        std::vector<QPointF> d = mapped(p);
        if (canvas_ && !d.empty()) figures.push_back({std::move(d), true});
    }
    if (canvas_) draw(std::move(figures), true, true);
}

void Device::rectangle(const QRectF& box)
{
    if (canvas_ && !inPath_ && transform_.axisAligned() && !needsFigures()) {
        if (!applyClip()) return;
        const QRectF d = boundsOf({toDevice(box.topLeft()), toDevice(box.bottomRight())});
        applyRop();
        if (dc_.rop2 == 11) return;
        const bool pen = applyPen();
        if (dc_.brush.style == BS_HATCHED && dc_.bkMode == OPAQUE && applyBrush(dc_.brush, true)) {
            canvas_->Pen()->SetStyle(psClear);
            canvas_->Rectangle(deviceInt(d.left()), deviceInt(d.top()), deviceInt(d.right()), deviceInt(d.bottom()));
            if (pen) applyPen();
        }
        applyBrush(dc_.brush, false);
        canvas_->Rectangle(deviceInt(d.left()), deviceInt(d.top()), deviceInt(d.right()), deviceInt(d.bottom()));
        return;
    }
    polygon({box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()});
}

void Device::roundRect(const QRectF& box, QSizeF corner)
{
    const QRectF b = box.normalized();
    const double rx = std::min(std::fabs(corner.width()) / 2, b.width() / 2);
    const double ry = std::min(std::fabs(corner.height()) / 2, b.height() / 2);
    if (!canvas_) {
        note(b.topLeft()), note(b.bottomRight());
        return;
    }
    std::vector<QPointF> points;
    const QRectF corners[4] = {{b.right() - 2 * rx, b.top(), 2 * rx, 2 * ry},
                               {b.left(), b.top(), 2 * rx, 2 * ry},
                               {b.left(), b.bottom() - 2 * ry, 2 * rx, 2 * ry},
                               {b.right() - 2 * rx, b.bottom() - 2 * ry, 2 * rx, 2 * ry}};
    for (int i = 0; i < 4; ++i) {
        const std::vector<QPointF> arc = ellipsePoints(corners[i], i * kPi / 2, kPi / 2, true);
        points.insert(points.end(), arc.begin(), arc.end());
    }
    draw({{std::move(points), true}}, true, true);
}

void Device::ellipse(const QRectF& box)
{
    if (canvas_ && !inPath_ && transform_.axisAligned() && !needsFigures()) {
        if (!applyClip()) return;
        const QRectF d = boundsOf({toDevice(box.topLeft()), toDevice(box.bottomRight())});
        applyRop();
        if (dc_.rop2 == 11) return;
        applyPen();
        applyBrush(dc_.brush, false);
        canvas_->Ellipse(deviceInt(d.left()), deviceInt(d.top()), deviceInt(d.right()), deviceInt(d.bottom()));
        return;
    }
    std::vector<QPointF> points = ellipsePoints(box, 0, 2 * kPi, false);
    if (canvas_) draw({{std::move(points), true}}, true, true);
}

void Device::arc(ArcKind kind, const QRectF& box, QPointF start, QPointF end)
{
    const double from = arcAngle(box, start);
    const double to = arcAngle(box, end);
    // Counter-clockwise on the device unless told otherwise: a mapping
    // that mirrors turns the logical direction round.
    const bool increasing = dc_.clockwise == (transform_.det() < 0);
    double sweep = increasing ? to - from : from - to;
    while (sweep <= 1e-12) sweep += 2 * kPi;
    if (!increasing) sweep = -sweep;
    std::vector<QPointF> points = ellipsePoints(box, from, sweep, true);
    switch (kind) {
    case ArcKind::Arc:
        if (!canvas_) return;
        figureOpen_ = false;
        draw({{std::move(points), false}}, false, true);
        break;
    case ArcKind::ArcTo: {
        const QPointF c = box.center();
        continueTo(std::move(points),
                   {c.x() + box.width() / 2 * std::cos(from + sweep), c.y() - box.height() / 2 * std::sin(from + sweep)});
        break;
    }
    case ArcKind::Chord:
        if (canvas_) draw({{std::move(points), true}}, true, true);
        break;
    case ArcKind::Pie:
        if (!canvas_) return;
        points.insert(points.begin(), toDevice(box.center()));
        draw({{std::move(points), true}}, true, true);
        break;
    }
}

void Device::angleArc(QPointF center, double radius, double startDegrees, double sweepDegrees)
{
    const QRectF box(center.x() - radius, center.y() - radius, 2 * radius, 2 * radius);
    const double from = startDegrees * kPi / 180, sweep = std::clamp(sweepDegrees, -3600.0, 3600.0) * kPi / 180;
    continueTo(ellipsePoints(box, from, sweep, true),
               {center.x() + radius * std::cos(from + sweep), center.y() - radius * std::sin(from + sweep)});
}

void Device::continueTo(std::vector<QPointF> points, QPointF end)
{
    if (canvas_) {
        if (inPath_) {
            Figure& f = pathFigure();
            f.points.insert(f.points.end(), points.begin(), points.end());
        } else {
            // A line from the current position to where the curve starts.
            points.insert(points.begin(), toDevice(dc_.position));
            draw({{std::move(points), false}}, false, true);
        }
    }
    dc_.position = end;
}

void Device::fillRect(const QRectF& box, const Brush& brush)
{
    if (!canvas_) {
        note(box.topLeft()), note(box.bottomRight());
        return;
    }
    if (!applyClip()) return;
    if (brush.style == BS_PATTERN) {
        fillPattern(polygonPath(mapped({box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()})), brush);
        return;
    }
    if (!transform_.axisAligned()) {
        const Brush kept = dc_.brush;
        const Pen pen = dc_.pen;
        dc_.brush = brush;
        dc_.pen.style = PS_NULL;
        drawFigures({{mapped({box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()}), true}}, true, false);
        dc_.brush = kept;
        dc_.pen = pen;
        return;
    }
    if (brush.style == BS_HATCHED && dc_.bkMode == OPAQUE && applyBrush(brush, true))
        canvas_->FillRect(deviceRect(boundsOf({toDevice(box.topLeft()), toDevice(box.bottomRight())})));
    if (applyBrush(brush, false))
        canvas_->FillRect(deviceRect(boundsOf({toDevice(box.topLeft()), toDevice(box.bottomRight())})));
}

void Device::fillRect(const QRectF& box, TColor color)
{
    fillRect(box, Brush{BS_SOLID, color, 0});
}

void Device::fillDeviceRects(const std::vector<QRectF>& rects, const Brush& brush)
{
    if (!canvas_ || !applyClip() || !applyBrush(brush, false)) return;
    for (const QRectF& r : rects)
        canvas_->FillRect(deviceRect(boundsOf({base_.map(r.topLeft()), base_.map(r.bottomRight())})));
}

void Device::gradientRect(const QRectF& box, TColor from, TColor to, bool vertical)
{
    if (!canvas_) {
        note(box.topLeft()), note(box.bottomRight());
        return;
    }
    const QRectF d = boundsOf({toDevice(box.topLeft()), toDevice(box.bottomRight())});
    const double span = vertical ? d.height() : d.width();
    const int bands = stepsFor(span / 2, 1, 256);
    for (int i = 0; i < bands; ++i) {
        const double a = double(i) / bands, b = double(i + 1) / bands;
        const QRectF part = vertical ? QRectF(QPointF(box.left(), box.top() + box.height() * a),
                                              QPointF(box.right(), box.top() + box.height() * b))
                                     : QRectF(QPointF(box.left() + box.width() * a, box.top()),
                                              QPointF(box.left() + box.width() * b, box.bottom()));
        fillRect(part, mix(from, to, bands == 1 ? 0.5 : (a + b) / 2));
    }
}

void Device::gradientTriangle(const QPointF (&points)[3], const TColor (&colors)[3])
{
    if (!canvas_) {
        for (const QPointF& p : points) note(p);
        return;
    }
    const TColor average = mix(mix(colors[0], colors[1], 0.5), colors[2], 1.0 / 3);
    const Brush kept = dc_.brush;
    const Pen pen = dc_.pen;
    dc_.brush = {BS_SOLID, average, 0};
    dc_.pen.style = PS_NULL;
    drawFigures({{mapped({points[0], points[1], points[2]}), true}}, true, false);
    dc_.brush = kept;
    dc_.pen = pen;
}

void Device::setPixel(QPointF p, TColor color)
{
    if (!canvas_) {
        note(p);
        return;
    }
    if (!applyClip()) return;
    const TPoint d = devicePoint(toDevice(p));
    canvas_->SetPixel(d.X, d.Y, color);
}

// ---------------------------------------------------------------- text

void Device::text(QPointF p, std::u16string_view text, const std::vector<double>& dx, unsigned options,
                  const std::optional<QRectF>& rect)
{
    const bool updateCp = dc_.textAlign & TA_UPDATECP;
    const QPointF at = updateCp ? dc_.position : p;
    if (!canvas_) {
        note(at);
        return;
    }
    // Glyph outlines are not kept in paths; glyph numbers name glyphs of
    // a font that is not the one drawn here.
    if (inPath_ || !applyClip()) return;
    const Xform& m = transform_;
    const double along = std::hypot(m.m11, m.m12);
    if (!(along > 0) || !std::isfinite(along)) return;
    const double across = std::fabs(m.det()) / along;
    double angle = std::atan2(-m.m12, m.m11) * 180 / kPi + dc_.font.escapement / 10.0;
    int tenths = static_cast<int>(std::lround(angle * 10)) % 3600;
    if (tenths < 0) tenths += 3600;
    angle = tenths / 10.0;

    const Font& f = dc_.font;
    const double height = f.height == 0 ? 16 * std::sqrt(std::fabs(base_.det())) : std::fabs(f.height) * across;
    const int pixels = static_cast<int>(std::lround(std::clamp(height, 1.0, kMaxDeviceSize)));
    TFont* font = canvas_->Font();
    font->SetName(f.face.empty() ? std::string("Arial") : Utf16ToUtf8(f.face));
    TFontStyles style;
    if (f.weight >= 600) style.Include(fsBold);
    if (f.italic) style.Include(fsItalic);
    if (f.underline) style.Include(fsUnderline);
    if (f.strike) style.Include(fsStrikeout);
    font->SetStyle(style);
    font->SetColor(dc_.textColor);
    font->SetHeight(f.height > 0 ? pixels : -pixels);
    canvas_->SetFontEscapement(tenths);

    const std::u16string_view shown = (options & ETO_GLYPH_INDEX) ? std::u16string_view() : text;
    std::vector<int> advances;
    if (!dx.empty() && !shown.empty()) {
        advances.reserve(shown.size());
        double sum = 0;
        int placed = 0;
        for (size_t i = 0; i < shown.size(); ++i) {
            sum += (i < dx.size() ? dx[i] : 0) * along;
            const int next = deviceInt(sum);
            advances.push_back(next - placed);
            placed = next;
        }
    }
    const SizedFont& sized = canvas_->DeviceFont();
    const std::vector<int> positions = TextPositions(sized, shown, advances);
    const double width = positions.back();
    double ox = 0, oy = 0;
    if ((dc_.textAlign & TA_CENTER) == TA_CENTER)
        ox = -width / 2;
    else if (dc_.textAlign & TA_RIGHT)
        ox = -width;
    if ((dc_.textAlign & TA_BASELINE) == TA_BASELINE)
        oy = -sized.ascent();
    else if (dc_.textAlign & TA_BOTTOM)
        oy = -(sized.ascent() + sized.descent());
    const double c = std::cos(angle * kPi / 180), s = std::sin(angle * kPi / 180);
    const QPointF origin = toDevice(at) + QPointF(ox * c + oy * s, -ox * s + oy * c);
    const TPoint o = devicePoint(origin);

    unsigned eto = 0;
    TRect box{};
    if (rect && (options & (ETO_OPAQUE | ETO_CLIPPED))) {
        const QRectF& r = *rect;
        box = deviceRect(boundsOf({toDevice(r.topLeft()), toDevice(r.topRight()), toDevice(r.bottomLeft()),
                                   toDevice(r.bottomRight())}));
        eto = options & (ETO_OPAQUE | ETO_CLIPPED);
    } else if (dc_.bkMode == OPAQUE && tenths == 0 && !shown.empty()) {
        box = {o.X, o.Y, o.X + deviceInt(width), o.Y + sized.ascent() + sized.descent()};
        eto = ETO_OPAQUE;
    }
    canvas_->Brush()->SetStyle(bsSolid);
    canvas_->Brush()->SetColor(dc_.bkColor);
    canvas_->ExtTextOut(o.X, o.Y, eto, eto ? &box : nullptr, shown, advances);
    canvas_->SetFontEscapement(0);
    if (updateCp) dc_.position = {at.x() + width / along * (m.m11 < 0 ? -1 : 1), at.y()};
}

// ---------------------------------------------------------------- pictures

void Device::image(const QRectF& dest, const QImage& picture, uint32_t rop)
{
    if (!canvas_) {
        note(dest.topLeft()), note(dest.bottomRight());
        return;
    }
    if (picture.isNull() || inPath_ || !applyClip()) return;
    QImage shown;
    switch (rop) {
    case 0x00AA0029: return;  // the destination as it is
    case 0x00330008:          // NOTSRCCOPY
        shown = picture.convertToFormat(QImage::Format_RGB32);
        shown.invertPixels();
        break;
    // The halves of a transparent picture: a mask ANDed in, then the
    // picture ORed or XORed over it. White leaves an AND as it was, black
    // an OR or an XOR.
    case 0x008800C6: shown = MaskedImage(picture, Qt::white); break;
    case 0x00EE0086:
    case 0x00660046: shown = MaskedImage(picture, Qt::black); break;
    default: shown = picture;
    }
    const QPointF a = toDevice(dest.topLeft()), b = toDevice(dest.bottomRight());
    QRectF d;
    if (transform_.axisAligned()) {
        d = boundsOf({a, b});
        const bool mirrorX = b.x() < a.x(), mirrorY = b.y() < a.y();
        if (mirrorX || mirrorY) shown = shown.mirrored(mirrorX, mirrorY);
    } else {
        d = boundsOf({a, b, toDevice(dest.topRight()), toDevice(dest.bottomLeft())});
    }
    const TRect r = deviceRect(d);
    if (!r.IsEmpty()) canvas_->StretchDraw(r, shown);
}

void Device::patBlt(const QRectF& dest, uint32_t rop)
{
    switch (rop) {
    case 0x00F00021: fillRect(dest, dc_.brush); break;  // PATCOPY
    case 0x00000042: fillRect(dest, clBlack); break;     // BLACKNESS
    case 0x00FF0062: fillRect(dest, clWhite); break;     // WHITENESS
    default:
        if (!canvas_) note(dest.topLeft()), note(dest.bottomRight());
        break;
    }
}

// ---------------------------------------------------------------- clip

void Device::intersectClip(const QRectF& box)
{
    if (!canvas_) return;
    combineClip(polygonPath(mapped({box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()})), RGN_AND);
}

void Device::excludeClip(const QRectF& box)
{
    if (!canvas_) return;
    combineClip(polygonPath(mapped({box.topLeft(), box.topRight(), box.bottomRight(), box.bottomLeft()})), RGN_DIFF);
}

void Device::selectClip(const std::optional<std::vector<QRectF>>& rects, int mode)
{
    if (!canvas_) return;
    if (!rects) {
        combineClip(std::nullopt, mode);
        return;
    }
    QPainterPath region;
    region.setFillRule(Qt::WindingFill);
    auto device = [&](const QRectF& r) { return boundsOf({base_.map(r.topLeft()), base_.map(r.bottomRight())}); };
    if (rects->size() > kMaxClipRects) {
        QRectF all;
        for (const QRectF& r : *rects) all = all.united(device(r));
        region.addRect(all);
    } else {
        for (const QRectF& r : *rects) region.addRect(device(r));
    }
    combineClip(region, mode);
}

bool Device::fewCrossings(std::initializer_list<const QPainterPath*> paths)
{
    struct Edge {
        QPointF a, b;
        double left, right;
    };
    std::vector<Edge> edges;
    for (const QPainterPath* path : paths) {
        for (const QPolygonF& p : path->toSubpathPolygons()) {
            for (qsizetype i = 0; i + 1 < p.size(); ++i) {
                if (edges.size() >= kMaxClipEdges) return false;
                edges.push_back({p[i], p[i + 1], std::min(p[i].x(), p[i + 1].x()), std::max(p[i].x(), p[i + 1].x())});
            }
        }
    }
    // Only edges side by side can cross.
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.left < b.left; });
    size_t crossings = 0;
    for (size_t i = 0; i < edges.size(); ++i) {
        for (size_t j = i + 1; j < edges.size() && edges[j].left <= edges[i].right; ++j) {
            if (--clipWork_ < 0) return false;
            if (cross(edges[i].a, edges[i].b, edges[j].a, edges[j].b) && ++crossings > kMaxClipCrossings) return false;
        }
    }
    return true;
}

void Device::combineClip(std::optional<QPainterPath> area, int mode)
{
    if (area && !fewCrossings({&*area})) area = rectPath(area->boundingRect());
    if (mode == RGN_COPY) {
        dc_.clip = area;
        clipChanged();
        return;
    }
    if (!area) return;
    // Without a clip the whole picture is in it.
    QPainterPath current = dc_.clip ? *dc_.clip : rectPath(*limit_);
    if (!fewCrossings({&current, &*area})) {
        current = rectPath(current.boundingRect());
        area = rectPath(area->boundingRect());
    }
    const std::optional<QRectF> a = rectangleOf(current), b = rectangleOf(*area);
    switch (mode) {
    case RGN_AND: dc_.clip = a && b ? rectPath(a->intersected(*b)) : current.intersected(*area); break;
    case RGN_OR:
        if (!dc_.clip) return;
        dc_.clip = current.united(*area);
        break;
    case RGN_XOR: dc_.clip = current.united(*area).subtracted(current.intersected(*area)); break;
    case RGN_DIFF: dc_.clip = current.subtracted(*area); break;
    default: return;
    }
    clipChanged();
}

void Device::offsetClip(QPointF by)
{
    if (!dc_.clip) return;
    const QPointF d = toDevice(by) - toDevice(QPointF(0, 0));
    dc_.clip->translate(d);
    clipChanged();
}

bool Device::applyClip()
{
    if (appliedVersion_ == clipVersion_) return !clipEmpty_;
    appliedVersion_ = clipVersion_;
    clipTouched_ = true;
    std::optional<QRectF> rect = *limit_;
    effectiveClip_ = rectPath(*limit_);
    if (const std::optional<QRectF> r = dc_.clip ? rectangleOf(*dc_.clip) : std::nullopt) {
        rect = r->intersected(*limit_);
        effectiveClip_ = rectPath(*rect);
    } else if (dc_.clip) {
        effectiveClip_ = dc_.clip->intersected(effectiveClip_).simplified();
        rect = rectangleOf(effectiveClip_);
    }
    if (rect) {
        clipEmpty_ = !(rect->width() > 0) || !(rect->height() > 0);
        if (!clipEmpty_)
            canvas_->SetClipRect(TRect{deviceInt(std::floor(rect->left())), deviceInt(std::floor(rect->top())),
                                       deviceInt(std::ceil(rect->right())), deviceInt(std::ceil(rect->bottom()))});
        return !clipEmpty_;
    }
    const std::vector<std::vector<TPoint>> polygons = devicePolygons(effectiveClip_);
    clipEmpty_ = polygons.empty();
    if (!clipEmpty_) canvas_->SetClipPolygons(polygons);
    return !clipEmpty_;
}

// ---------------------------------------------------------------- paths

void Device::beginPath()
{
    path_.clear();
    inPath_ = true;
    figureOpen_ = false;
}

void Device::abortPath()
{
    path_.clear();
    inPath_ = false;
    figureOpen_ = false;
}

void Device::closeFigure()
{
    if (!path_.empty() && figureOpen_) path_.back().closed = true;
    figureOpen_ = false;
}

void Device::fillPath()
{
    std::vector<Figure> figures = std::move(path_);
    abortPath();
    for (Figure& f : figures) f.closed = true;
    drawFigures(figures, true, false);
}

void Device::strokePath()
{
    std::vector<Figure> figures = std::move(path_);
    abortPath();
    drawFigures(figures, false, true);
}

void Device::strokeAndFillPath()
{
    std::vector<Figure> figures = std::move(path_);
    abortPath();
    for (Figure& f : figures) f.closed = true;
    drawFigures(figures, true, true);
}

void Device::selectClipPath(int mode)
{
    std::vector<Figure> figures = std::move(path_);
    abortPath();
    if (!canvas_ || figures.empty()) return;
    QPainterPath area;
    area.setFillRule(dc_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    size_t points = 0;
    for (const Figure& f : figures) points += f.points.size();
    if (points > kMaxClipPoints) {
        QRectF all;
        for (const Figure& f : figures)
            for (const QPointF& p : f.points) all = all.isNull() ? QRectF(p, QSizeF(0, 0)) : boundsOf({all.topLeft(), all.bottomRight(), p});
        area.addRect(all);
    } else {
        for (const Figure& f : figures) {
            area.addPolygon(QPolygonF(QList<QPointF>(f.points.begin(), f.points.end())));
            area.closeSubpath();
        }
    }
    combineClip(area, mode);
}

void Device::addToPath(std::vector<Figure> figures)
{
    for (Figure& f : figures) path_.push_back(std::move(f));
    figureOpen_ = !path_.empty() && !path_.back().closed;
}

void Device::draw(std::vector<Figure> figures, bool fill, bool stroke)
{
    if (!canvas_) return;
    if (inPath_) {
        addToPath(std::move(figures));
        return;
    }
    drawFigures(figures, fill, stroke);
}

// ---------------------------------------------------------------- canvas

TRect Device::deviceRect(const QRectF& r) const
{
    return {deviceInt(r.left()), deviceInt(r.top()), deviceInt(r.right()), deviceInt(r.bottom())};
}

bool Device::devicePenDashes() const
{
    const Pen& p = dc_.pen;
    const int style = p.style & 0xF;
    return (style == PS_USERSTYLE && !p.dashes.empty()) || style == PS_ALTERNATE ||
           (p.extended && !p.cosmetic && style >= PS_DASH && style <= PS_DASHDOTDOT);
}

bool Device::needsFigures() const
{
    return (dc_.brush.style == BS_PATTERN && !dc_.brush.pattern.isNull()) || devicePenDashes();
}

bool Device::applyPen()
{
    const Pen& p = dc_.pen;
    TPen* pen = canvas_->Pen();
    const int style = p.style & 0xF;
    dashes_.clear();
    if (style == PS_NULL) {
        pen->SetStyle(psClear);
        return false;
    }
    pen->SetColor(p.color);
    const double scale = std::sqrt(std::fabs(transform_.det()));
    double width = p.cosmetic ? 1 : p.width * scale;
    width = std::clamp(std::isfinite(width) ? width : 1.0, 1.0, kMaxDeviceSize);
    pen->SetWidth(static_cast<int>(std::lround(width)));
    static constexpr TPenStyle styles[] = {psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psSolid, psDot, psDot};
    pen->SetStyle(style <= PS_ALTERNATE ? styles[style] : psSolid);
    const int cap = p.style & 0xF00;
    canvas_->SetPenEndCap(p.cosmetic || cap == 0 ? pecRound : cap == 0x100 ? pecSquare : pecFlat);
    if (!devicePenDashes()) return true;

    // Dashes the canvas does not draw: of user styles, and of wide
    // geometric pens, whose dashes and gaps go with the pen's width.
    const double reference = std::sqrt(referencePixel_.width() * referencePixel_.height());
    std::vector<double> d;
    if (style == PS_USERSTYLE) {
        for (double v : p.dashes) d.push_back(v * (p.cosmetic ? reference : scale));
    } else if (style == PS_ALTERNATE) {
        d = {reference, reference};
    } else {
        static const std::vector<double> shapes[] = {{3, 1}, {1, 1}, {3, 1, 1, 1}, {3, 1, 1, 1, 1, 1}};
        for (double v : shapes[style - PS_DASH]) d.push_back(v * width);
    }
    // An odd count runs twice, dashes and gaps changing places.
    if (d.size() % 2) d.insert(d.end(), d.begin(), d.end());
    double period = 0;
    for (double& v : d) {
        v = std::isfinite(v) ? std::clamp<double>(v, 0, kMaxCoordinate) : 0;
        period += v;
    }
    // Dashes finer than the device draw as a line.
    if (!(period >= 2)) return true;
    // Round and square ends reach half the width past each end of a dash.
    if (!p.cosmetic && cap != 0x200) {
        for (size_t i = 0; i + 1 < d.size(); i += 2) {
            const double cut = std::min(d[i], width);
            d[i] -= cut, d[i + 1] += cut;
        }
    }
    pen->SetStyle(psSolid);
    dashes_ = std::move(d);
    return true;
}

std::vector<std::vector<TPoint>> Device::dashed(const std::vector<TPoint>& line) const
{
    // Only what can show is walked: a line far out of the picture has
    // dashes beyond count.
    const double margin = canvas_->Pen()->Width() + 2;
    const QRectF visible = effectiveClip_.boundingRect().adjusted(-margin, -margin, margin, margin);
    double period = 0;
    for (double v : dashes_) period += v;
    const size_t n = dashes_.size();
    size_t index = 0, budget = kMaxDashes;
    double left = dashes_[0];
    std::vector<std::vector<TPoint>> out;
    std::vector<QPointF> current;
    auto flush = [&] {
        if (current.empty()) return;
        std::vector<TPoint> d = devicePoints(current, false);
        if (d.size() == 1) d.push_back({d[0].X + 1, d[0].Y});
        out.push_back(std::move(d));
        current.clear();
    };
    auto next = [&] {
        index = (index + 1) % n;
        left = dashes_[index];
    };
    // Along the pattern without drawing; whole periods change nothing.
    auto skip = [&](double length) {
        flush();
        length = std::fmod(length, period);
        while (length > 0) {
            if (length < left) {
                left -= length;
                return;
            }
            length -= left;
            next();
        }
    };
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        const QPointF a(line[i].X, line[i].Y), b(line[i + 1].X, line[i + 1].Y);
        const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
        if (!(length > 0)) continue;
        const auto part = segmentWithin(a, b, visible);
        if (!part) {
            skip(length);
            continue;
        }
        if (part->first > 0) skip(part->first * length);
        const double end = part->second * length;
        for (double at = part->first * length; at < end;) {
            if (budget-- == 0) return {line};
            const double step = std::min(left, end - at);
            if (index % 2 == 0) {
                if (current.empty()) current.push_back(a + (b - a) * (at / length));
                current.push_back(a + (b - a) * ((at + step) / length));
            }
            at += step;
            left -= step;
            if (left <= 1e-9) {
                if (index % 2 == 0) flush();
                next();
            }
        }
        if (part->second < 1) skip((1 - part->second) * length);
    }
    flush();
    return out;
}

bool Device::applyBrush(const Brush& b, bool background)
{
    TBrush* brush = canvas_->Brush();
    if (b.style == BS_NULL) {
        brush->SetStyle(bsClear);
        return false;
    }
    if (background) {
        brush->SetStyle(bsSolid);
        brush->SetColor(dc_.bkColor);
    } else {
        brush->SetStyle(b.style == BS_HATCHED ? hatchStyle(b.hatch) : bsSolid);
        brush->SetColor(b.color);
    }
    return true;
}

void Device::applyRop()
{
    canvas_->Pen()->SetMode(penMode(dc_.rop2));
}

void Device::fillPolygon(const std::vector<TPoint>& points, TColor color)
{
    int left = points[0].X, right = left, top = points[0].Y, bottom = top;
    for (const TPoint& p : points) {
        left = std::min(left, p.X), right = std::max(right, p.X);
        top = std::min(top, p.Y), bottom = std::max(bottom, p.Y);
    }
    // A fill thinner than a pixel covers no pixel's centre: rules and
    // dashes drawn as thin fills would vanish on the screen. Such a fill
    // is drawn as a line of its colour.
    if ((right == left || bottom == top) && canvas_->Brush()->Style() == bsSolid) {
        TPen* pen = canvas_->Pen();
        pen->SetStyle(psSolid);
        pen->SetWidth(1);
        pen->SetColor(color);
        std::vector<TPoint> closed = points;
        closed.push_back(points[0]);
        canvas_->Polyline(closed);
        pen->SetStyle(psClear);
        return;
    }
    canvas_->Polygon(points);
}

void Device::fillPattern(const QPainterPath& area, const Brush& brush)
{
    if (!applyClip()) return;
    if (!fewCrossings({&area, &effectiveClip_})) {
        // Too costly to cut to the clip: the mean colour, as a plain fill.
        canvas_->Pen()->SetStyle(psClear);
        canvas_->Brush()->SetStyle(bsSolid);
        canvas_->Brush()->SetColor(brush.color);
        for (const std::vector<TPoint>& p : devicePolygons(area)) canvas_->Polygon(p);
        return;
    }
    const QPainterPath visible = area.intersected(effectiveClip_).simplified();
    const QRectF bounds = visible.boundingRect();
    const std::vector<std::vector<TPoint>> polygons = devicePolygons(visible);
    if (polygons.empty() || !(bounds.width() > 0) || !(bounds.height() > 0)) return;
    QImage tile = brush.pattern;
    if (brush.mono) tile.setColorTable({rgbOf(dc_.textColor), rgbOf(dc_.bkColor)});
    tile = tile.convertToFormat(QImage::Format_RGB32);
    // The pattern's pixels from the brush origin, the reference device's.
    const double sx = referencePixel_.width(), sy = referencePixel_.height();
    const QPointF o = patternOrigin_;
    const double u0 = std::floor((bounds.left() - o.x()) / sx), u1 = std::ceil((bounds.right() - o.x()) / sx);
    const double v0 = std::floor((bounds.top() - o.y()) / sy), v1 = std::ceil((bounds.bottom() - o.y()) / sy);
    canvas_->SetClipPolygons(polygons);
    appliedVersion_ = UINT64_MAX;  // the records' clip is set again for what follows
    canvas_->Pen()->SetStyle(psClear);
    if (!((u1 - u0) * (v1 - v0) <= kMaxPatternPixels)) {
        // Pixels far finer than the device's: their mean colour.
        canvas_->Brush()->SetStyle(bsSolid);
        canvas_->Brush()->SetColor(meanColor(tile));
        canvas_->FillRect(deviceRect(bounds));
        return;
    }
    QImage image(static_cast<int>(u1 - u0), static_cast<int>(v1 - v0), QImage::Format_RGB32);
    if (image.isNull()) return;
    {
        QPainter painter(&image);
        auto phase = [](double v, int size) { return static_cast<int>(std::fmod(std::fmod(v, size) + size, size)); };
        painter.setBrushOrigin(-phase(u0, tile.width()), -phase(v0, tile.height()));
        painter.fillRect(image.rect(), QBrush(tile));
    }
    const bool smooth = canvas_->SmoothPictures();
    canvas_->SetSmoothPictures(false);
    canvas_->StretchDraw(deviceRect(QRectF(QPointF(o.x() + u0 * sx, o.y() + v0 * sy), QPointF(o.x() + u1 * sx, o.y() + v1 * sy))),
                         image);
    canvas_->SetSmoothPictures(smooth);
}

void Device::drawFigures(const std::vector<Figure>& figures, bool fill, bool stroke)
{
    if (!canvas_ || figures.empty() || dc_.rop2 == 11 || !applyClip()) return;
    applyRop();
    fill = fill && dc_.brush.style != BS_NULL;
    stroke = stroke && (dc_.pen.style & 0xF) != PS_NULL;
    if (fill && dc_.brush.style == BS_PATTERN) {
        QPainterPath area;
        area.setFillRule(dc_.fillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
        for (const Figure& f : figures) {
            area.addPolygon(QPolygonF(QList<QPointF>(f.points.begin(), f.points.end())));
            area.closeSubpath();
        }
        fillPattern(area, dc_.brush);
        fill = false;
        if (stroke && !applyClip()) return;
    }
    if (fill) {
        std::vector<std::vector<TPoint>> polygons;
        for (const Figure& f : figures) {
            std::vector<TPoint> p = devicePoints(f.points, false);
            if (p.size() >= 2 && !flat(f.points)) polygons.push_back(std::move(p));
        }
        if (polygons.empty()) {
            fill = false;
        } else if (polygons.size() == 1 && stroke && figures.size() == 1 && !devicePenDashes()) {
            // One closed figure: outline and fill in one call, as the platform draws it.
            if (dc_.brush.style == BS_HATCHED && dc_.bkMode == OPAQUE && applyBrush(dc_.brush, true)) {
                canvas_->Pen()->SetStyle(psClear);
                canvas_->Polygon(polygons[0]);
            }
            applyPen();
            applyBrush(dc_.brush, false);
            canvas_->Polygon(polygons[0]);
            return;
        } else {
            canvas_->Pen()->SetStyle(psClear);
            std::vector<TPoint> joined;
            bool separate = polygons.size() == 1;
            if (!separate && dc_.fillMode == WINDING) {
                // Figures turning the same way fill as one under the winding
                // rule: each on its own gives that. Holes need even-odd.
                int positive = 0, negative = 0;
                for (const Figure& f : figures) (signedArea(f.points) >= 0 ? positive : negative)++;
                separate = positive == 0 || negative == 0;
            }
            for (int pass = dc_.brush.style == BS_HATCHED && dc_.bkMode == OPAQUE ? 0 : 1; pass < 2; ++pass) {
                applyBrush(dc_.brush, pass == 0);
                if (separate) {
                    for (const auto& p : polygons) fillPolygon(p, pass == 0 ? dc_.bkColor : dc_.brush.color);
                    continue;
                }
                // One polygon, each figure reached from the first point and
                // left back to it: the bridges cancel under even-odd.
                if (joined.empty()) {
                    const TPoint home = polygons[0][0];
                    for (const auto& p : polygons) {
                        joined.insert(joined.end(), p.begin(), p.end());
                        joined.push_back(p[0]);
                        joined.push_back(home);
                    }
                }
                canvas_->Polygon(joined);
            }
        }
    }
    if (stroke && applyPen()) {
        canvas_->Brush()->SetStyle(bsClear);
        for (const Figure& f : figures) {
            const std::vector<TPoint> p = devicePoints(f.points, f.closed);
            if (!dashes_.empty() && p.size() >= 2) {
                for (const std::vector<TPoint>& dash : dashed(p)) canvas_->Polyline(dash);
            } else if (p.size() >= 2)
                canvas_->Polyline(p);
            else if (p.size() == 1)
                canvas_->Polyline(std::vector<TPoint>{p[0], {p[0].X + 1, p[0].Y}});
        }
    }
}

}  // namespace metafile
