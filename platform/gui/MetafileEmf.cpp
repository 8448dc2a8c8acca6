// The records of an enhanced metafile, decoded into the device's calls.
#include <QPainter>

#include <cmath>
#include <map>

#include "MetafileDevice.h"
#include "Pictures.h"

namespace metafile {

namespace {

enum Emr : uint32_t {
    EMR_HEADER = 1, EMR_POLYBEZIER, EMR_POLYGON, EMR_POLYLINE, EMR_POLYBEZIERTO, EMR_POLYLINETO, EMR_POLYPOLYLINE,
    EMR_POLYPOLYGON, EMR_SETWINDOWEXTEX, EMR_SETWINDOWORGEX, EMR_SETVIEWPORTEXTEX, EMR_SETVIEWPORTORGEX,
    EMR_EOF = 14, EMR_SETPIXELV, EMR_SETMAPMODE = 17, EMR_SETBKMODE, EMR_SETPOLYFILLMODE, EMR_SETROP2,
    EMR_SETTEXTALIGN = 22, EMR_SETTEXTCOLOR = 24, EMR_SETBKCOLOR, EMR_OFFSETCLIPRGN, EMR_MOVETOEX,
    EMR_INTERSECTCLIPRECT = 30, EMR_SCALEVIEWPORTEXTEX, EMR_SCALEWINDOWEXTEX, EMR_SAVEDC, EMR_RESTOREDC,
    EMR_SETWORLDTRANSFORM, EMR_MODIFYWORLDTRANSFORM, EMR_SELECTOBJECT, EMR_CREATEPEN, EMR_CREATEBRUSHINDIRECT,
    EMR_DELETEOBJECT, EMR_ANGLEARC, EMR_ELLIPSE, EMR_RECTANGLE, EMR_ROUNDRECT, EMR_ARC, EMR_CHORD, EMR_PIE,
    EMR_CREATEPALETTE = 49, EMR_LINETO = 54, EMR_ARCTO, EMR_POLYDRAW, EMR_SETARCDIRECTION, EMR_BEGINPATH = 59,
    EMR_ENDPATH, EMR_CLOSEFIGURE, EMR_FILLPATH, EMR_STROKEANDFILLPATH, EMR_STROKEPATH, EMR_SELECTCLIPPATH = 67,
    EMR_ABORTPATH, EMR_FILLRGN = 71, EMR_PAINTRGN = 74, EMR_EXTSELECTCLIPRGN, EMR_BITBLT, EMR_STRETCHBLT,
    EMR_SETDIBITSTODEVICE = 80, EMR_STRETCHDIBITS, EMR_EXTCREATEFONTINDIRECTW, EMR_EXTTEXTOUTA, EMR_EXTTEXTOUTW,
    EMR_POLYBEZIER16, EMR_POLYGON16, EMR_POLYLINE16, EMR_POLYBEZIERTO16, EMR_POLYLINETO16, EMR_POLYPOLYLINE16,
    EMR_POLYPOLYGON16, EMR_POLYDRAW16, EMR_CREATEMONOBRUSH, EMR_CREATEDIBPATTERNBRUSHPT, EMR_EXTCREATEPEN,
    EMR_SMALLTEXTOUT = 108, EMR_ALPHABLEND = 114, EMR_TRANSPARENTBLT = 116, EMR_GRADIENTFILL = 118,
};

class EmfPlayer {
public:
    EmfPlayer(std::string_view bytes, Device& device) : bytes_(bytes), d_(device) {}

    // The count of records passed over as damaged.
    size_t play()
    {
        const Record header(bytes_.substr(0, std::min<size_t>(bytes_.size(), Record(bytes_).u32(4))));
        if (header.u32(0) != EMR_HEADER || header.size() < 88 || header.u32(40) != 0x464D4520) throw Damaged{};
        setUpFrame(header);
        size_t at = 0, damaged = 0;
        while (at < bytes_.size()) {
            if (bytes_.size() - at < 8) throw Damaged{};
            const Record head(bytes_.substr(at, 8));
            const uint32_t type = head.u32(0), size = head.u32(4);
            if (size < 8 || size % 4 != 0 || size > bytes_.size() - at) throw Damaged{};
            const Record r(bytes_.substr(at, size));
            if (type == EMR_EOF) break;
            if (at > 0) {
                try {
                    record(type, r);
                } catch (const Damaged&) {
                    ++damaged;
                }
            }
            at += size;
        }
        return damaged;
    }

private:
    // Whether the header holds its second extension (the reference device
    // in micrometres, bytes 100 to 107). Many writers put the description,
    // or the pixel format, right after the 88 bytes of the base header
    // instead: what lies there is then theirs.
    static bool hasMicrometres(const Record& h)
    {
        if (h.size() < 108) return false;
        auto before = [&](uint32_t count, uint32_t offset) { return count != 0 && offset < 108; };
        if (before(h.u32(60), h.u32(64))) return false;  // the description
        if (before(h.u32(88), h.u32(92))) return false;  // the pixel format of the first extension
        return true;
    }

    // The frame (hundredths of a millimetre) on the reference device fills
    // the target.
    void setUpFrame(const Record& h)
    {
        const double frameLeft = h.i32(24), frameTop = h.i32(28), frameRight = h.i32(32), frameBottom = h.i32(36);
        double ppmX = 0, ppmY = 0;
        const double deviceX = h.i32(72), deviceY = h.i32(76);
        if (hasMicrometres(h) && h.i32(100) > 0 && h.i32(104) > 0) {
            ppmX = deviceX / (h.i32(100) / 1000.0), ppmY = deviceY / (h.i32(104) / 1000.0);
        } else if (h.i32(80) > 0 && h.i32(84) > 0) {
            ppmX = deviceX / h.i32(80), ppmY = deviceY / h.i32(84);
        }
        if (!(ppmX > 0) || !(ppmY > 0)) ppmX = ppmY = 96 / 25.4;
        const double left = frameLeft / 100 * ppmX, top = frameTop / 100 * ppmY;
        const double width = (frameRight - frameLeft) / 100 * ppmX, height = (frameBottom - frameTop) / 100 * ppmY;
        const QRectF& t = d_.target();
        const double sx = width != 0 ? t.width() / width : 0, sy = height != 0 ? t.height() / height : 0;
        d_.setBase({sx, 0, 0, sy, t.left() - left * sx, t.top() - top * sy}, ppmX, ppmY);
    }

    static QPointF point(const Record& r, size_t at) { return QPointF(r.i32(at), r.i32(at + 4)); }
    static QRectF box(const Record& r, size_t at)
    {
        return QRectF(QPointF(r.i32(at), r.i32(at + 4)), QPointF(r.i32(at + 8), r.i32(at + 12)));
    }

    // count points of 32 or 16 bits at `at`, all within the record.
    static std::vector<QPointF> points(const Record& r, size_t at, uint64_t count, bool small)
    {
        const uint64_t each = small ? 4 : 8;
        if (count > (r.size() - std::min(at, r.size())) / each) throw Damaged{};
        std::vector<QPointF> out;
        out.reserve(count);
        for (uint64_t i = 0; i < count; ++i) {
            const size_t p = at + i * each;
            out.emplace_back(small ? r.i16(p) : r.i32(p), small ? r.i16(p + 2) : r.i32(p + 4));
        }
        return out;
    }

    // bounds, count, points
    static std::vector<QPointF> polyPoints(const Record& r, bool small) { return points(r, 28, r.u32(24), small); }

    // bounds, number of figures, number of points, counts, points
    static std::vector<std::vector<QPointF>> polyPolyPoints(const Record& r, bool small)
    {
        const uint32_t figures = r.u32(24), total = r.u32(28);
        if (figures > (r.size() - 32) / 4) throw Damaged{};
        const std::vector<QPointF> all = points(r, 32 + size_t(figures) * 4, total, small);
        std::vector<std::vector<QPointF>> out;
        size_t next = 0;
        for (uint32_t i = 0; i < figures; ++i) {
            const uint32_t n = r.u32(32 + size_t(i) * 4);
            if (n > all.size() - next) throw Damaged{};
            out.emplace_back(all.begin() + next, all.begin() + next + n);
            next += n;
        }
        return out;
    }

    // A bitmap the record holds: BITMAPINFO and bits at their offsets,
    // read (and so checked) on every pass, decoded only when drawn.
    QImage bitmap(const Record& r, size_t infoAt, bool alpha = false) const
    {
        const uint32_t offInfo = r.u32(infoAt), cbInfo = r.u32(infoAt + 4);
        const uint32_t offBits = r.u32(infoAt + 8), cbBits = r.u32(infoAt + 12);
        if (cbInfo == 0) return {};
        const std::string_view info = r.bytes(offInfo, cbInfo), bits = r.bytes(offBits, cbBits);
        return d_.drawing() ? DecodeDib(info, bits, alpha) : QImage();
    }

    // Whether the record's bitmap keeps its rows bottom-up, as most do.
    static bool bottomUp(const Record& r, size_t infoAt)
    {
        const Record info(r.bytes(r.u32(infoAt), r.u32(infoAt + 4)));
        return info.size() < 12 || info.u32(0) == 12 || info.i32(8) > 0;
    }

    // The part of the bitmap a blit takes (source y counted from the top).
    static QImage part(const QImage& image, double x, double y, double w, double h)
    {
        if (image.isNull()) return image;
        const QRectF whole(image.rect());
        const QRectF wanted = QRectF(x, y, w, h).normalized();
        if (wanted.contains(whole) || wanted.isEmpty()) return image;
        return image.copy(wanted.intersected(whole).toAlignedRect());
    }

    void select(uint32_t handle)
    {
        std::optional<Object> o;
        if (handle & 0x80000000u) {
            o = StockObject(handle & 0x7FFFFFFFu);
        } else if (auto it = objects_.find(handle); it != objects_.end()) {
            o = it->second;
        }
        if (!o) return;
        State& s = d_.dc();
        switch (o->kind) {
        case Object::PenObject: s.pen = o->pen; break;
        case Object::BrushObject: s.brush = o->brush; break;
        case Object::FontObject: s.font = o->font; break;
        default: break;
        }
    }

    void create(uint32_t handle, Object o)
    {
        // A handle beyond any table the platform makes is ignored.
        if (handle == 0 || handle > 0xFFFF) return;
        objects_[handle] = std::move(o);
    }

    Brush patternBrush(const Record& r)
    {
        // Drawn in the pattern's mean colour.
        const QImage image = bitmap(r, 16);
        if (image.isNull()) return {BS_SOLID, RGB(0x80, 0x80, 0x80), 0};
        const QImage one = image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QRgb c = one.pixel(0, 0);
        return {BS_SOLID, RGB(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))), 0};
    }

    std::vector<QRectF> regionRects(const Record& r, size_t at, uint32_t size)
    {
        const Record rgn(r.bytes(at, size));
        if (size < 32) return {};
        const uint32_t count = rgn.u32(8);
        if (count > (size - 32) / 16) throw Damaged{};
        std::vector<QRectF> rects;
        for (uint32_t i = 0; i < count; ++i) rects.push_back(box(rgn, 32 + size_t(i) * 16));
        return rects;
    }

    void text(const Record& r, bool wide)
    {
        // bounds, graphics mode, x and y scales, then the text record
        const QPointF at = point(r, 36);
        const uint32_t count = r.u32(44), offString = r.u32(48), options = r.u32(52);
        const QRectF clip = box(r, 56);
        const uint32_t offDx = r.u32(72);
        if (count > r.size()) throw Damaged{};
        std::u16string text;
        int charset = d_.dc().font.charset;
        if (wide) {
            const std::string_view raw = r.bytes(offString, size_t(count) * 2);
            for (uint32_t i = 0; i < count; ++i) text += static_cast<char16_t>(Record(raw).u16(size_t(i) * 2));
        } else {
            text = DecodeText(r.bytes(offString, count), charset);
        }
        std::vector<double> dx;
        if (offDx != 0 && count > 0) {
            const size_t step = (options & ETO_PDY) ? 8 : 4;
            const std::string_view raw = r.bytes(offDx, size_t(count) * step);
            std::vector<double> perByte;
            for (uint32_t i = 0; i < count; ++i) perByte.push_back(Record(raw).i32(size_t(i) * step));
            if (wide) {
                dx = std::move(perByte);
            } else {
                // One advance per byte: the bytes of a double-byte character add up.
                dx = perCharacter(r.bytes(offString, count), perByte, charset, text.size());
            }
        }
        const bool hasRect = (options & (ETO_OPAQUE | ETO_CLIPPED)) != 0;
        d_.text(at, text, dx, options, hasRect ? std::optional<QRectF>(clip) : std::nullopt);
    }

    // Advances of 8-bit text per UTF-16 unit, summing those of the bytes
    // that made one character.
    static std::vector<double> perCharacter(std::string_view bytes, const std::vector<double>& dx, int charset,
                                            size_t units)
    {
        std::vector<double> out;
        size_t at = 0;
        while (at < bytes.size() && out.size() < units) {
            size_t take = 1;
            // A lead byte of a double-byte code page takes the next byte.
            const bool doubleByte = charset == 1 || charset == 128 || charset == 129 || charset == 134 || charset == 136;
            if (doubleByte && uint8_t(bytes[at]) >= 0x81 && at + 1 < bytes.size()) take = 2;
            double sum = 0;
            for (size_t i = 0; i < take; ++i) sum += dx[at + i];
            out.push_back(sum);
            at += take;
        }
        out.resize(units, 0);
        return out;
    }

    void smallText(const Record& r)
    {
        const QPointF at(r.i32(8), r.i32(12));
        const uint32_t count = r.u32(16), options = r.u32(20);
        size_t next = 36;
        std::optional<QRectF> clip;
        if (!(options & 0x100)) {  // ETO_NO_RECT
            clip = box(r, next);
            next += 16;
        }
        if (count > r.size()) throw Damaged{};
        std::u16string text;
        if (options & 0x200) {  // ETO_SMALL_CHARS: one byte a character
            for (char c : r.bytes(next, count)) text += static_cast<char16_t>(static_cast<uint8_t>(c));
        } else {
            for (uint32_t i = 0; i < count; ++i) text += static_cast<char16_t>(r.u16(next + size_t(i) * 2));
        }
        d_.text(at, text, {}, options & (ETO_OPAQUE | ETO_CLIPPED | ETO_GLYPH_INDEX),
                (options & (ETO_OPAQUE | ETO_CLIPPED)) ? clip : std::nullopt);
    }

    void transform(const Record& r, bool modify)
    {
        Xform x{r.f32(8), r.f32(12), r.f32(16), r.f32(20), r.f32(24), r.f32(28)};
        const uint32_t mode = modify ? r.u32(32) : 4;
        State& s = d_.dc();
        if (mode == 1) {
            s.world = {};
        } else {
            // The platform refuses maps that cannot be inverted.
            if (!x.finite() || std::fabs(x.det()) < 1e-12) return;
            if (mode == 2)
                s.world = x.then(s.world);
            else if (mode == 3)
                s.world = s.world.then(x);
            else if (mode == 4)
                s.world = x;
        }
        d_.mappingChanged();
    }

    void blit(const Record& r, uint32_t type)
    {
        // destination, then the source with its own transform and bitmap
        const QRectF dest(r.i32(24), r.i32(28), r.i32(32), r.i32(36));
        const uint32_t rop = type == EMR_BITBLT || type == EMR_STRETCHBLT ? r.u32(40) : 0x00CC0020;
        const double xSrc = r.i32(44), ySrc = r.i32(48);
        const bool sized = type != EMR_BITBLT;
        if (r.size() < (sized ? 108u : 100u)) throw Damaged{};
        if (r.u32(88) == 0) {  // no bitmap: a pattern
            d_.patBlt(dest, rop);
            return;
        }
        bool alpha = false;
        uint8_t constant = 255;
        if (type == EMR_ALPHABLEND) {
            constant = r.u8(42);
            alpha = r.u8(43) & 1;  // AC_SRC_ALPHA
        }
        QImage image = bitmap(r, 84, alpha);
        if (image.isNull()) {
            d_.image(dest, image, rop);
            return;
        }
        const double w = sized ? r.i32(100) : dest.width(), h = sized ? r.i32(104) : dest.height();
        image = part(image, xSrc, ySrc, w, h);
        if (type == EMR_TRANSPARENTBLT) {
            const TColor key = ColorRef(r.u32(40));
            image = MaskedImage(image, QColor(key & 0xFF, (key >> 8) & 0xFF, (key >> 16) & 0xFF));
        }
        if (type == EMR_ALPHABLEND && constant != 255) {
            QImage faded(image.size(), QImage::Format_ARGB32_Premultiplied);
            faded.fill(Qt::transparent);
            QPainter p(&faded);
            p.setOpacity(constant / 255.0);
            p.drawImage(0, 0, image);
            p.end();
            image = faded;
        }
        d_.image(dest, image, rop);
    }

    void dibits(const Record& r, uint32_t type)
    {
        const QImage whole = bitmap(r, 48);
        const bool stretch = type == EMR_STRETCHDIBITS;
        if (r.size() < (stretch ? 80u : 76u)) throw Damaged{};
        const double cx = r.i32(40), cy = r.i32(44);
        const QRectF dest(r.i32(24), r.i32(28), stretch ? r.i32(72) : cx, stretch ? r.i32(76) : cy);
        // Rows of a bottom-up bitmap count from its bottom.
        double top = r.i32(36);
        if (!whole.isNull() && r.u32(52) != 0 && bottomUp(r, 48)) top = whole.height() - top - cy;
        d_.image(dest, part(whole, r.i32(32), top, cx, cy), stretch ? r.u32(68) : 0x00CC0020);
    }

    void gradient(const Record& r)
    {
        const uint32_t vertices = r.u32(24), shapes = r.u32(28), mode = r.u32(32);
        if (vertices > (r.size() - 36) / 16) throw Damaged{};
        struct Vertex {
            QPointF p;
            TColor c;
        };
        std::vector<Vertex> v;
        for (uint32_t i = 0; i < vertices; ++i) {
            const size_t at = 36 + size_t(i) * 16;
            v.push_back({point(r, at), RGB(uint8_t(r.u16(at + 8) >> 8), uint8_t(r.u16(at + 10) >> 8),
                                           uint8_t(r.u16(at + 12) >> 8))});
        }
        const size_t at = 36 + size_t(vertices) * 16;
        const size_t each = mode == 2 ? 12 : 8;
        if (shapes > (r.size() - std::min(at, r.size())) / each) throw Damaged{};
        for (uint32_t i = 0; i < shapes; ++i) {
            const size_t s = at + size_t(i) * each;
            const uint32_t a = r.u32(s), b = r.u32(s + 4);
            if (mode == 2) {
                const uint32_t c = r.u32(s + 8);
                if (a >= v.size() || b >= v.size() || c >= v.size()) continue;
                const QPointF p[3] = {v[a].p, v[b].p, v[c].p};
                const TColor k[3] = {v[a].c, v[b].c, v[c].c};
                d_.gradientTriangle(p, k);
            } else if (a < v.size() && b < v.size()) {
                d_.gradientRect(QRectF(v[a].p, v[b].p).normalized(), v[a].c, v[b].c, mode == 1);
            }
        }
    }

    void record(uint32_t type, const Record& r)
    {
        State& s = d_.dc();
        switch (type) {
        case EMR_POLYBEZIER: d_.polyBezier(polyPoints(r, false)); break;
        case EMR_POLYBEZIER16: d_.polyBezier(polyPoints(r, true)); break;
        case EMR_POLYGON: d_.polygon(polyPoints(r, false)); break;
        case EMR_POLYGON16: d_.polygon(polyPoints(r, true)); break;
        case EMR_POLYLINE: d_.polyline(polyPoints(r, false)); break;
        case EMR_POLYLINE16: d_.polyline(polyPoints(r, true)); break;
        case EMR_POLYBEZIERTO: d_.polyBezierTo(polyPoints(r, false)); break;
        case EMR_POLYBEZIERTO16: d_.polyBezierTo(polyPoints(r, true)); break;
        case EMR_POLYLINETO: d_.polylineTo(polyPoints(r, false)); break;
        case EMR_POLYLINETO16: d_.polylineTo(polyPoints(r, true)); break;
        case EMR_POLYPOLYLINE: d_.polyPolyline(polyPolyPoints(r, false)); break;
        case EMR_POLYPOLYLINE16: d_.polyPolyline(polyPolyPoints(r, true)); break;
        case EMR_POLYPOLYGON: d_.polyPolygon(polyPolyPoints(r, false)); break;
        case EMR_POLYPOLYGON16: d_.polyPolygon(polyPolyPoints(r, true)); break;
        case EMR_POLYDRAW:
        case EMR_POLYDRAW16: {
            const bool small = type == EMR_POLYDRAW16;
            const uint32_t count = r.u32(24);
            std::vector<QPointF> p = points(r, 28, count, small);
            const std::string_view kinds = r.bytes(28 + size_t(count) * (small ? 4 : 8), count);
            d_.polyDraw(p, std::vector<uint8_t>(kinds.begin(), kinds.end()));
            break;
        }
        case EMR_SETWINDOWEXTEX:
        case EMR_SETVIEWPORTEXTEX: {
            const QPointF ext(r.i32(8), r.i32(12));
            if (ext.x() == 0 || ext.y() == 0) break;
            (type == EMR_SETWINDOWEXTEX ? s.windowExt : s.viewportExt) = ext;
            d_.mappingChanged();
            break;
        }
        case EMR_SETWINDOWORGEX: s.windowOrg = point(r, 8); d_.mappingChanged(); break;
        case EMR_SETVIEWPORTORGEX: s.viewportOrg = point(r, 8); d_.mappingChanged(); break;
        case EMR_SCALEVIEWPORTEXTEX:
        case EMR_SCALEWINDOWEXTEX: {
            const int32_t xNum = r.i32(8), xDenom = r.i32(12), yNum = r.i32(16), yDenom = r.i32(20);
            if (xNum == 0 || xDenom == 0 || yNum == 0 || yDenom == 0) break;
            QPointF& ext = type == EMR_SCALEWINDOWEXTEX ? s.windowExt : s.viewportExt;
            ext = {ext.x() * xNum / xDenom, ext.y() * yNum / yDenom};
            d_.mappingChanged();
            break;
        }
        case EMR_SETMAPMODE:
            if (r.u32(8) >= MM_TEXT && r.u32(8) <= MM_ANISOTROPIC) s.mapMode = static_cast<int>(r.u32(8));
            d_.mappingChanged();
            break;
        case EMR_SETPIXELV: d_.setPixel(point(r, 8), ColorRef(r.u32(16))); break;
        case EMR_SETBKMODE: s.bkMode = static_cast<int>(r.u32(8)); break;
        case EMR_SETPOLYFILLMODE: s.fillMode = static_cast<int>(r.u32(8)); break;
        case EMR_SETROP2: s.rop2 = static_cast<int>(r.u32(8)); break;
        case EMR_SETTEXTALIGN: s.textAlign = r.u32(8); break;
        case EMR_SETTEXTCOLOR: s.textColor = ColorRef(r.u32(8)); break;
        case EMR_SETBKCOLOR: s.bkColor = ColorRef(r.u32(8)); break;
        case EMR_SETARCDIRECTION: s.clockwise = r.u32(8) == 2; break;
        case EMR_OFFSETCLIPRGN: d_.offsetClip(point(r, 8)); break;
        case EMR_MOVETOEX: d_.moveTo(point(r, 8)); break;
        case EMR_LINETO: d_.lineTo(point(r, 8)); break;
        case EMR_INTERSECTCLIPRECT: d_.intersectClip(box(r, 8)); break;
        case EMR_SAVEDC: d_.save(); break;
        case EMR_RESTOREDC: d_.restore(r.i32(8)); break;
        case EMR_SETWORLDTRANSFORM: transform(r, false); break;
        case EMR_MODIFYWORLDTRANSFORM: transform(r, true); break;
        case EMR_SELECTOBJECT: select(r.u32(8)); break;
        case EMR_DELETEOBJECT: objects_.erase(r.u32(8)); break;
        case EMR_CREATEPEN: {
            Object o{Object::PenObject};
            o.pen.style = static_cast<int>(r.u32(12));
            o.pen.width = r.i32(16);
            o.pen.cosmetic = r.i32(16) <= 0;
            o.pen.color = ColorRef(r.u32(24));
            create(r.u32(8), o);
            break;
        }
        case EMR_EXTCREATEPEN: {
            Object o{Object::PenObject};
            o.pen.style = static_cast<int>(r.u32(28));
            o.pen.width = r.u32(32);
            o.pen.cosmetic = !(o.pen.style & 0x10000);
            o.pen.color = ColorRef(r.u32(40));
            if (r.u32(36) == BS_NULL) o.pen.style = PS_NULL;
            create(r.u32(8), o);
            break;
        }
        case EMR_CREATEBRUSHINDIRECT: {
            Object o{Object::BrushObject};
            const uint32_t style = r.u32(12);
            o.brush = {style == BS_NULL || style == BS_HATCHED ? static_cast<int>(style) : BS_SOLID, ColorRef(r.u32(16)),
                       static_cast<int>(r.u32(20))};
            create(r.u32(8), o);
            break;
        }
        case EMR_CREATEMONOBRUSH:
        case EMR_CREATEDIBPATTERNBRUSHPT: {
            Object o{Object::BrushObject};
            o.brush = patternBrush(r);
            create(r.u32(8), o);
            break;
        }
        case EMR_EXTCREATEFONTINDIRECTW: {
            Object o{Object::FontObject};
            o.font.height = r.i32(12);
            o.font.escapement = r.i32(20);
            o.font.weight = r.i32(28);
            o.font.italic = r.u8(32), o.font.underline = r.u8(33), o.font.strike = r.u8(34);
            o.font.charset = r.u8(35);
            for (size_t i = 0; i < 32; ++i) {
                const char16_t c = static_cast<char16_t>(r.u16(40 + i * 2));
                if (c == 0) break;
                o.font.face += c;
            }
            create(r.u32(8), o);
            break;
        }
        case EMR_CREATEPALETTE: create(r.u32(8), Object{Object::Other}); break;
        case EMR_ANGLEARC: d_.angleArc(point(r, 8), r.u32(16), r.f32(20), r.f32(24)); break;
        case EMR_ELLIPSE: d_.ellipse(box(r, 8)); break;
        case EMR_RECTANGLE: d_.rectangle(box(r, 8)); break;
        case EMR_ROUNDRECT: d_.roundRect(box(r, 8), QSizeF(r.i32(24), r.i32(28))); break;
        case EMR_ARC:
        case EMR_ARCTO:
        case EMR_CHORD:
        case EMR_PIE: {
            const Device::ArcKind kind = type == EMR_ARC     ? Device::ArcKind::Arc
                                         : type == EMR_ARCTO ? Device::ArcKind::ArcTo
                                         : type == EMR_CHORD ? Device::ArcKind::Chord
                                                             : Device::ArcKind::Pie;
            d_.arc(kind, box(r, 8), point(r, 24), point(r, 32));
            break;
        }
        case EMR_BEGINPATH: d_.beginPath(); break;
        case EMR_ENDPATH: d_.endPath(); break;
        case EMR_ABORTPATH: d_.abortPath(); break;
        case EMR_CLOSEFIGURE: d_.closeFigure(); break;
        case EMR_FILLPATH: d_.fillPath(); break;
        case EMR_STROKEPATH: d_.strokePath(); break;
        case EMR_STROKEANDFILLPATH: d_.strokeAndFillPath(); break;
        case EMR_SELECTCLIPPATH: d_.selectClipPath(static_cast<int>(r.u32(8))); break;
        case EMR_FILLRGN: {
            const uint32_t size = r.u32(24);
            std::optional<Object> o;
            if (auto it = objects_.find(r.u32(28)); it != objects_.end()) o = it->second;
            if (r.u32(28) & 0x80000000u) o = StockObject(r.u32(28) & 0x7FFFFFFFu);
            const std::vector<QRectF> rects = regionRects(r, 32, size);
            if (o && o->kind == Object::BrushObject)
                for (const QRectF& rect : rects) d_.fillRect(rect, o->brush);
            break;
        }
        case EMR_PAINTRGN: {
            const std::vector<QRectF> rects = regionRects(r, 28, r.u32(24));
            for (const QRectF& rect : rects) d_.fillRect(rect, s.brush);
            break;
        }
        case EMR_EXTSELECTCLIPRGN: {
            const uint32_t size = r.u32(8), mode = r.u32(12);
            if (size == 0) {
                if (mode == 5) d_.selectClip(std::nullopt, 5);
                break;
            }
            regionRects(r, 16, size);
            if (size >= 32) d_.selectClip(box(Record(r.bytes(16, size)), 16), static_cast<int>(mode));
            break;
        }
        case EMR_BITBLT:
        case EMR_STRETCHBLT:
        case EMR_ALPHABLEND:
        case EMR_TRANSPARENTBLT: blit(r, type); break;
        case EMR_STRETCHDIBITS:
        case EMR_SETDIBITSTODEVICE: dibits(r, type); break;
        case EMR_EXTTEXTOUTA: text(r, false); break;
        case EMR_EXTTEXTOUTW: text(r, true); break;
        case EMR_SMALLTEXTOUT: smallText(r); break;
        case EMR_GRADIENTFILL: gradient(r); break;
        default: break;  // comments (EMF+ among them), palettes, modes that change nothing drawn
        }
    }

    std::string_view bytes_;
    Device& d_;
    std::map<uint32_t, Object> objects_;
};

}  // namespace

size_t PlayEnhanced(std::string_view bytes, TCanvas* canvas, const QRectF& target)
{
    Device device(canvas, target);
    return EmfPlayer(bytes, device).play();
}

}  // namespace metafile
