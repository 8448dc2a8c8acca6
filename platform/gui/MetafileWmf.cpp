// The records of a Windows metafile, placeable or bare, decoded into the
// device's calls. Parameters are 16-bit words, most of them in reverse
// order (y before x, bottom before top).
#include <cmath>

#include "MetafileDevice.h"

namespace metafile {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

enum MetaFunction : uint16_t {
    META_EOF = 0x0000, META_SAVEDC = 0x001E, META_CREATEPALETTE = 0x00F7, META_SETBKMODE = 0x0102,
    META_SETROP2 = 0x0104, META_SETPOLYFILLMODE = 0x0106, META_RESTOREDC = 0x0127, META_SELECTOBJECT = 0x012D,
    META_SETTEXTALIGN = 0x012E, META_DIBCREATEPATTERNBRUSH = 0x0142, META_DELETEOBJECT = 0x01F0,
    META_CREATEPATTERNBRUSH = 0x01F9, META_SETBKCOLOR = 0x0201, META_SETTEXTCOLOR = 0x0209,
    META_SETWINDOWORG = 0x020B, META_SETWINDOWEXT = 0x020C, META_OFFSETWINDOWORG = 0x020F, META_LINETO = 0x0213,
    META_MOVETO = 0x0214, META_OFFSETCLIPRGN = 0x0220, META_CREATEPENINDIRECT = 0x02FA,
    META_CREATEFONTINDIRECT = 0x02FB, META_CREATEBRUSHINDIRECT = 0x02FC, META_POLYGON = 0x0324,
    META_POLYLINE = 0x0325, META_SCALEWINDOWEXT = 0x0410, META_INTERSECTCLIPRECT = 0x0416, META_ELLIPSE = 0x0418,
    META_RECTANGLE = 0x041B, META_SETPIXEL = 0x041F, META_TEXTOUT = 0x0521, META_POLYPOLYGON = 0x0538,
    META_ROUNDRECT = 0x061C, META_PATBLT = 0x061D, META_CREATEREGION = 0x06FF, META_ARC = 0x0817, META_PIE = 0x081A,
    META_CHORD = 0x0830, META_DIBBITBLT = 0x0940, META_EXTTEXTOUT = 0x0A32, META_DIBSTRETCHBLT = 0x0B41,
    META_SETDIBTODEV = 0x0D33, META_STRETCHDIB = 0x0F43,
};

class WmfPlayer {
public:
    WmfPlayer(std::string_view bytes, Device& device) : bytes_(bytes), d_(device) {}

    // The window the picture's rectangle shows: the placeable header's box,
    // or for a bare metafile what its records say (else what they draw).
    // The count of records passed over as damaged.
    size_t play(const std::optional<QRectF>& window)
    {
        size_t at = 0;
        const Record all(bytes_);
        std::optional<QRectF> box = window;
        if (all.u32(0) == kPlaceableKey) {
            if (!box) box = QRectF(QPointF(all.i16(6), all.i16(8)), QPointF(all.i16(10), all.i16(12)));
            at = 22;
        }
        // The header: type 1 or 2, nine words, the version, sizes, object count.
        const Record header(Record(bytes_).bytes(at, 18));
        if ((header.u16(0) != 1 && header.u16(0) != 2) || header.u16(2) != 9) throw Damaged{};
        at += 18;

        State& s = d_.dc();
        s.mapMode = MM_ANISOTROPIC;
        const QRectF& t = d_.target();
        s.viewportOrg = t.topLeft();
        s.viewportExt = QPointF(t.width(), t.height());
        if (box && box->width() != 0 && box->height() != 0) {
            s.windowOrg = box->topLeft();
            s.windowExt = QPointF(box->width(), box->height());
        }
        d_.mappingChanged();

        size_t damaged = 0;
        while (at < bytes_.size()) {
            if (bytes_.size() - at < 6) throw Damaged{};
            const Record head(bytes_.substr(at, 6));
            const uint64_t size = uint64_t(head.u32(0)) * 2;
            const uint16_t function = head.u16(4);
            if (size < 6 || size > bytes_.size() - at) throw Damaged{};
            if (function == META_EOF) break;
            const Record r(bytes_.substr(at + 6, static_cast<size_t>(size - 6)));
            try {
                record(function, r);
            } catch (const Damaged&) {
                ++damaged;
                // Objects are found by their place in the table: a slot
                // keeps the places of the objects made after it.
                if (createsObject(function)) create(Object{Object::Other});
            }
            at += static_cast<size_t>(size);
        }
        return damaged;
    }

    bool sawWindow() const { return sawWindow_; }

private:
    static QPointF yx(const Record& r, size_t at) { return QPointF(r.i16(at + 2), r.i16(at)); }
    // bottom, right, top, left
    static QRectF box(const Record& r, size_t at)
    {
        return QRectF(QPointF(r.i16(at + 6), r.i16(at + 4)), QPointF(r.i16(at + 2), r.i16(at)));
    }

    static std::vector<QPointF> points(const Record& r, size_t at, size_t count)
    {
        if (count > (r.size() - std::min(at, r.size())) / 4) throw Damaged{};
        std::vector<QPointF> out;
        out.reserve(count);
        for (size_t i = 0; i < count; ++i) out.emplace_back(r.i16(at + i * 4), r.i16(at + i * 4 + 2));
        return out;
    }

    // A packed DIB: header, colour table, then the bits.
    QImage dib(const Record& r, size_t at) const
    {
        const std::string_view all = r.bytes(at, r.size() - std::min(at, r.size()));
        if (all.size() < 12) return {};
        const Record info(all);
        const uint32_t headerSize = info.u32(0);
        size_t colors = 0;
        size_t entry = 4;
        uint32_t compression = 0;
        int bpp = 0;
        if (headerSize == 12) {
            bpp = info.u16(10);
            entry = 3;
            colors = bpp <= 8 ? size_t(1) << bpp : 0;
        } else if (headerSize >= 40) {
            bpp = info.u16(14);
            compression = info.u32(16);
            const uint32_t used = info.u32(32);
            colors = used ? std::min<uint32_t>(used, 65536) : bpp <= 8 ? size_t(1) << bpp : 0;
        } else {
            return {};
        }
        size_t infoSize = headerSize + colors * entry;
        if (headerSize == 40 && (compression == 3 || compression == 6)) infoSize += compression == 3 ? 12 : 16;
        if (infoSize > all.size()) return {};
        return d_.drawing() ? DecodeDib(all.substr(0, infoSize), all.substr(infoSize), false) : QImage();
    }

    static QImage part(const QImage& image, double x, double y, double w, double h)
    {
        if (image.isNull()) return image;
        // Rows count from the bottom of the bitmap.
        const QRectF whole(image.rect());
        const QRectF wanted = QRectF(x, image.height() - y - h, w, h).normalized();
        if (wanted.contains(whole) || wanted.isEmpty()) return image;
        return image.copy(wanted.intersected(whole).toAlignedRect());
    }

    static bool createsObject(uint16_t function)
    {
        switch (function) {
        case META_CREATEPENINDIRECT:
        case META_CREATEBRUSHINDIRECT:
        case META_DIBCREATEPATTERNBRUSH:
        case META_CREATEPATTERNBRUSH:
        case META_CREATEFONTINDIRECT:
        case META_CREATEPALETTE:
        case META_CREATEREGION: return true;
        default: return false;
        }
    }

    // Objects go into the first free slot of the table.
    void create(Object o)
    {
        for (Object& slot : objects_) {
            if (slot.kind == Object::None) {
                slot = std::move(o);
                return;
            }
        }
        if (objects_.size() < 0xFFFF) objects_.push_back(std::move(o));
    }

    void select(uint16_t index)
    {
        if (index >= objects_.size()) return;
        const Object& o = objects_[index];
        State& s = d_.dc();
        switch (o.kind) {
        case Object::PenObject: s.pen = o.pen; break;
        case Object::BrushObject: s.brush = o.brush; break;
        case Object::FontObject: s.font = o.font; break;
        default: break;
        }
    }

    void text(const QPointF& at, std::string_view bytes, const std::vector<double>& dx, unsigned options,
              const std::optional<QRectF>& rect)
    {
        const int charset = d_.dc().font.charset;
        std::u16string text = DecodeText(bytes, charset);
        std::vector<double> perUnit;
        if (!dx.empty()) {
            // One advance per byte; a double-byte character takes both.
            const bool doubleByte = charset == 1 || charset == 128 || charset == 129 || charset == 134 || charset == 136;
            for (size_t i = 0; i < bytes.size() && perUnit.size() < text.size(); ++i) {
                double sum = dx[i];
                if (doubleByte && uint8_t(bytes[i]) >= 0x81 && i + 1 < bytes.size()) sum += dx[++i];
                perUnit.push_back(sum);
            }
            perUnit.resize(text.size(), 0);
        }
        d_.text(at, text, perUnit, options, rect);
    }

    Brush patternBrush(const Record& r, size_t at)
    {
        const QImage image = dib(r, at);
        if (image.isNull()) return {BS_SOLID, RGB(0x80, 0x80, 0x80), 0};
        const QRgb c = image.scaled(1, 1, Qt::IgnoreAspectRatio, Qt::SmoothTransformation).pixel(0, 0);
        return {BS_SOLID, RGB(uint8_t(qRed(c)), uint8_t(qGreen(c)), uint8_t(qBlue(c))), 0};
    }

    void record(uint16_t function, const Record& r)
    {
        State& s = d_.dc();
        switch (function) {
        case META_SETBKCOLOR: s.bkColor = ColorRef(r.u32(0)); break;
        case META_SETBKMODE: s.bkMode = r.u16(0); break;
        case META_SETROP2: s.rop2 = r.u16(0); break;
        case META_SETPOLYFILLMODE: s.fillMode = r.u16(0); break;
        case META_SETTEXTCOLOR: s.textColor = ColorRef(r.u32(0)); break;
        case META_SETTEXTALIGN: s.textAlign = r.u16(0); break;
        case META_SETWINDOWORG: s.windowOrg = yx(r, 0); d_.mappingChanged(); break;
        case META_SETWINDOWEXT: {
            const QPointF ext = yx(r, 0);
            if (ext.x() == 0 || ext.y() == 0) break;
            s.windowExt = ext;
            sawWindow_ = true;
            d_.mappingChanged();
            break;
        }
        case META_OFFSETWINDOWORG: s.windowOrg += yx(r, 0); d_.mappingChanged(); break;
        case META_SCALEWINDOWEXT: {
            const int yDenom = r.i16(0), yNum = r.i16(2), xDenom = r.i16(4), xNum = r.i16(6);
            if (xNum == 0 || xDenom == 0 || yNum == 0 || yDenom == 0) break;
            s.windowExt = {s.windowExt.x() * xNum / xDenom, s.windowExt.y() * yNum / yDenom};
            d_.mappingChanged();
            break;
        }
        case META_LINETO: d_.lineTo(yx(r, 0)); break;
        case META_MOVETO: d_.moveTo(yx(r, 0)); break;
        case META_INTERSECTCLIPRECT: d_.intersectClip(box(r, 0)); break;
        case META_OFFSETCLIPRGN: d_.offsetClip(yx(r, 0)); break;
        case META_ELLIPSE: d_.ellipse(box(r, 0)); break;
        case META_RECTANGLE: d_.rectangle(box(r, 0)); break;
        case META_ROUNDRECT: d_.roundRect(box(r, 4), QSizeF(r.i16(2), r.i16(0))); break;
        case META_ARC:
        case META_PIE:
        case META_CHORD: {
            const Device::ArcKind kind = function == META_ARC   ? Device::ArcKind::Arc
                                         : function == META_PIE ? Device::ArcKind::Pie
                                                                : Device::ArcKind::Chord;
            d_.arc(kind, box(r, 8), yx(r, 4), yx(r, 0));
            break;
        }
        case META_SETPIXEL: d_.setPixel(yx(r, 4), ColorRef(r.u32(0))); break;
        case META_PATBLT: {
            const QRectF dest(r.i16(10), r.i16(8), r.i16(6), r.i16(4));
            d_.patBlt(dest, r.u32(0));
            break;
        }
        case META_POLYGON: d_.polygon(points(r, 2, r.u16(0))); break;
        case META_POLYLINE: d_.polyline(points(r, 2, r.u16(0))); break;
        case META_POLYPOLYGON: {
            const size_t count = r.u16(0);
            std::vector<std::vector<QPointF>> polygons;
            size_t at = 2 + count * 2;
            for (size_t i = 0; i < count; ++i) {
                const size_t n = r.u16(2 + i * 2);
                polygons.push_back(points(r, at, n));
                at += n * 4;
            }
            d_.polyPolygon(polygons);
            break;
        }
        case META_SAVEDC: d_.save(); break;
        case META_RESTOREDC: d_.restore(r.i16(0)); break;
        case META_SELECTOBJECT: select(r.u16(0)); break;
        case META_DELETEOBJECT:
            if (r.u16(0) < objects_.size()) objects_[r.u16(0)] = Object{};
            break;
        case META_CREATEPENINDIRECT: {
            Object o{Object::PenObject};
            o.pen.style = r.u16(0);
            o.pen.width = r.i16(2);
            o.pen.cosmetic = r.i16(2) <= 0;
            o.pen.color = ColorRef(r.u32(6));
            create(o);
            break;
        }
        case META_CREATEBRUSHINDIRECT: {
            Object o{Object::BrushObject};
            const int style = r.u16(0);
            o.brush = {style == BS_NULL || style == BS_HATCHED ? style : BS_SOLID, ColorRef(r.u32(2)), r.u16(6)};
            create(o);
            break;
        }
        case META_DIBCREATEPATTERNBRUSH: {
            Object o{Object::BrushObject};
            o.brush = patternBrush(r, 4);
            create(o);
            break;
        }
        case META_CREATEPATTERNBRUSH: {
            Object o{Object::BrushObject};
            o.brush = {BS_SOLID, RGB(0x80, 0x80, 0x80), 0};
            create(o);
            break;
        }
        case META_CREATEFONTINDIRECT: {
            Object o{Object::FontObject};
            o.font.height = r.i16(0);
            o.font.escapement = r.i16(4);
            o.font.weight = r.i16(8);
            o.font.italic = r.u8(10), o.font.underline = r.u8(11), o.font.strike = r.u8(12);
            o.font.charset = r.u8(13);
            std::string face;
            for (size_t i = 18; i < std::min<size_t>(r.size(), 50); ++i) {
                if (r.u8(i) == 0) break;
                face += static_cast<char>(r.u8(i));
            }
            o.font.face = DecodeText(face, o.font.charset);
            create(o);
            break;
        }
        case META_CREATEPALETTE:
        case META_CREATEREGION:
            create(Object{Object::Other});
            break;
        case META_TEXTOUT: {
            const size_t count = r.u16(0);
            const std::string_view bytes = r.bytes(2, count);
            const size_t after = 2 + (count + 1) / 2 * 2;
            text(QPointF(r.i16(after + 2), r.i16(after)), bytes, {}, 0, std::nullopt);
            break;
        }
        case META_EXTTEXTOUT: {
            const QPointF at(r.i16(2), r.i16(0));
            const size_t count = r.u16(4);
            const unsigned options = r.u16(6);
            size_t next = 8;
            std::optional<QRectF> rect;
            // The rectangle is there when the options ask for it: left, top, right, bottom.
            if ((options & (ETO_OPAQUE | ETO_CLIPPED)) && r.size() >= next + 8) {
                rect = QRectF(QPointF(r.i16(next), r.i16(next + 2)), QPointF(r.i16(next + 4), r.i16(next + 6)));
                next += 8;
            }
            const std::string_view bytes = r.bytes(next, count);
            next += (count + 1) / 2 * 2;
            std::vector<double> dx;
            if (r.size() >= next + count * 2)
                for (size_t i = 0; i < count; ++i) dx.push_back(r.i16(next + i * 2));
            text(at, bytes, dx, options, rect);
            break;
        }
        case META_DIBBITBLT: {
            if (r.size() == 18) {  // no bitmap: a pattern, with a reserved word
                d_.patBlt(QRectF(r.i16(16), r.i16(14), r.i16(12), r.i16(10)), r.u32(0));
                break;
            }
            const QImage image = dib(r, 16);
            const double w = r.i16(10), h = r.i16(8);
            d_.image(QRectF(r.i16(14), r.i16(12), w, h), part(image, r.i16(6), r.i16(4), w, h), r.u32(0));
            break;
        }
        case META_DIBSTRETCHBLT: {
            if (r.size() == 22) {
                d_.patBlt(QRectF(r.i16(20), r.i16(18), r.i16(16), r.i16(14)), r.u32(0));
                break;
            }
            const QImage image = dib(r, 20);
            const QImage shown = part(image, r.i16(10), r.i16(8), r.i16(6), r.i16(4));
            d_.image(QRectF(r.i16(18), r.i16(16), r.i16(14), r.i16(12)), shown, r.u32(0));
            break;
        }
        case META_STRETCHDIB: {
            const QImage image = dib(r, 22);
            const QImage shown = part(image, r.i16(12), r.i16(10), r.i16(8), r.i16(6));
            d_.image(QRectF(r.i16(20), r.i16(18), r.i16(16), r.i16(14)), shown, r.u32(0));
            break;
        }
        case META_SETDIBTODEV: {
            const QImage image = dib(r, 18);
            const double w = r.i16(12), h = r.i16(10);
            d_.image(QRectF(r.i16(16), r.i16(14), w, h), part(image, r.i16(8), r.i16(6), w, h), 0x00CC0020);
            break;
        }
        default: break;  // escapes, palettes, viewport and mapping modes the picture's rectangle sets
        }
    }

    std::string_view bytes_;
    Device& d_;
    std::vector<Object> objects_;
    bool sawWindow_ = false;
};

}  // namespace

size_t PlayWindows(std::string_view bytes, TCanvas* canvas, const QRectF& target)
{
    const bool placeable = bytes.size() >= 4 && Record(bytes).u32(0) == kPlaceableKey;
    std::optional<QRectF> window;
    if (!placeable) {
        // A bare metafile that sets no window is shown by what it draws.
        Device probe(nullptr, target);
        WmfPlayer check(bytes, probe);
        const size_t damaged = check.play(std::nullopt);
        if (!check.sawWindow() && probe.seen()) window = *probe.seen();
        if (!canvas) return damaged;
    }
    Device device(canvas, target);
    return WmfPlayer(bytes, device).play(window);
}

}  // namespace metafile
