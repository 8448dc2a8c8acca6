// The records of a Windows metafile, placeable or bare, decoded into the
// device's calls. Parameters are 16-bit words, most of them in reverse
// order (y before x, bottom before top).
#include <cmath>

#include "MetafileDevice.h"

namespace metafile {

namespace {

constexpr uint32_t kPlaceableKey = 0x9AC6CDD7;

class WmfPlayer {
public:
    WmfPlayer(std::string_view bytes, Device& device) : bytes_(bytes), d_(device) {}

    // The window the picture's rectangle shows: the placeable header's box,
    // or for a bare metafile what its records say (else what they draw).
    void play(const std::optional<QRectF>& window)
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

        while (at < bytes_.size()) {
            if (bytes_.size() - at < 6) throw Damaged{};
            const Record head(bytes_.substr(at, 6));
            const uint64_t size = uint64_t(head.u32(0)) * 2;
            const uint16_t function = head.u16(4);
            if (size < 6 || size > bytes_.size() - at) throw Damaged{};
            if (function == 0) return;  // META_EOF
            const Record r(bytes_.substr(at + 6, static_cast<size_t>(size - 6)));
            record(function, r);
            at += static_cast<size_t>(size);
        }
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
        case 0x0201: s.bkColor = ColorRef(r.u32(0)); break;          // SETBKCOLOR
        case 0x0102: s.bkMode = r.u16(0); break;                     // SETBKMODE
        case 0x0104: s.rop2 = r.u16(0); break;                       // SETROP2
        case 0x0106: s.fillMode = r.u16(0); break;                   // SETPOLYFILLMODE
        case 0x0209: s.textColor = ColorRef(r.u32(0)); break;        // SETTEXTCOLOR
        case 0x012E: s.textAlign = r.u16(0); break;                  // SETTEXTALIGN
        case 0x020B: s.windowOrg = yx(r, 0); d_.mappingChanged(); break;  // SETWINDOWORG
        case 0x020C: {                                               // SETWINDOWEXT
            const QPointF ext = yx(r, 0);
            if (ext.x() == 0 || ext.y() == 0) break;
            s.windowExt = ext;
            sawWindow_ = true;
            d_.mappingChanged();
            break;
        }
        case 0x020F: s.windowOrg += yx(r, 0); d_.mappingChanged(); break;  // OFFSETWINDOWORG
        case 0x0410: {                                               // SCALEWINDOWEXT
            const int yDenom = r.i16(0), yNum = r.i16(2), xDenom = r.i16(4), xNum = r.i16(6);
            if (xNum == 0 || xDenom == 0 || yNum == 0 || yDenom == 0) break;
            s.windowExt = {s.windowExt.x() * xNum / xDenom, s.windowExt.y() * yNum / yDenom};
            d_.mappingChanged();
            break;
        }
        case 0x0213: d_.lineTo(yx(r, 0)); break;                     // LINETO
        case 0x0214: d_.moveTo(yx(r, 0)); break;                     // MOVETO
        case 0x0416: d_.intersectClip(box(r, 0)); break;             // INTERSECTCLIPRECT
        case 0x0220: d_.offsetClip(yx(r, 0)); break;                 // OFFSETCLIPRGN
        case 0x0418: d_.ellipse(box(r, 0)); break;                   // ELLIPSE
        case 0x041B: d_.rectangle(box(r, 0)); break;                 // RECTANGLE
        case 0x061C: d_.roundRect(box(r, 4), QSizeF(r.i16(2), r.i16(0))); break;  // ROUNDRECT
        case 0x0817:                                                 // ARC
        case 0x081A:                                                 // PIE
        case 0x0830: {                                               // CHORD
            const Device::ArcKind kind = function == 0x0817   ? Device::ArcKind::Arc
                                         : function == 0x081A ? Device::ArcKind::Pie
                                                              : Device::ArcKind::Chord;
            d_.arc(kind, box(r, 8), yx(r, 4), yx(r, 0));
            break;
        }
        case 0x041F: d_.setPixel(yx(r, 4), ColorRef(r.u32(0))); break;  // SETPIXEL
        case 0x061D: {                                               // PATBLT
            const QRectF dest(r.i16(10), r.i16(8), r.i16(6), r.i16(4));
            d_.patBlt(dest, r.u32(0));
            break;
        }
        case 0x0324: d_.polygon(points(r, 2, r.u16(0))); break;      // POLYGON
        case 0x0325: d_.polyline(points(r, 2, r.u16(0))); break;     // POLYLINE
        case 0x0538: {                                               // POLYPOLYGON
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
        case 0x001E: d_.save(); break;                               // SAVEDC
        case 0x0127: d_.restore(r.i16(0)); break;                    // RESTOREDC
        case 0x012D: select(r.u16(0)); break;                        // SELECTOBJECT
        case 0x01F0:                                                 // DELETEOBJECT
            if (r.u16(0) < objects_.size()) objects_[r.u16(0)] = Object{};
            break;
        case 0x02FA: {                                               // CREATEPENINDIRECT
            Object o{Object::PenObject};
            o.pen.style = r.u16(0);
            o.pen.width = r.i16(2);
            o.pen.cosmetic = r.i16(2) <= 0;
            o.pen.color = ColorRef(r.u32(6));
            create(o);
            break;
        }
        case 0x02FC: {                                               // CREATEBRUSHINDIRECT
            Object o{Object::BrushObject};
            const int style = r.u16(0);
            o.brush = {style == BS_NULL || style == BS_HATCHED ? style : BS_SOLID, ColorRef(r.u32(2)), r.u16(6)};
            create(o);
            break;
        }
        case 0x0142: {                                               // DIBCREATEPATTERNBRUSH
            Object o{Object::BrushObject};
            o.brush = patternBrush(r, 4);
            create(o);
            break;
        }
        case 0x01F9: {                                               // CREATEPATTERNBRUSH
            Object o{Object::BrushObject};
            o.brush = {BS_SOLID, RGB(0x80, 0x80, 0x80), 0};
            create(o);
            break;
        }
        case 0x02FB: {                                               // CREATEFONTINDIRECT
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
        case 0x00F7:                                                 // CREATEPALETTE
        case 0x06FF:                                                 // CREATEREGION
            create(Object{Object::Other});
            break;
        case 0x0521: {                                               // TEXTOUT
            const size_t count = r.u16(0);
            const std::string_view bytes = r.bytes(2, count);
            const size_t after = 2 + (count + 1) / 2 * 2;
            text(QPointF(r.i16(after + 2), r.i16(after)), bytes, {}, 0, std::nullopt);
            break;
        }
        case 0x0A32: {                                               // EXTTEXTOUT
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
        case 0x0940: {                                               // DIBBITBLT
            if (r.size() == 18) {  // no bitmap: a pattern, with a reserved word
                d_.patBlt(QRectF(r.i16(16), r.i16(14), r.i16(12), r.i16(10)), r.u32(0));
                break;
            }
            const QImage image = dib(r, 16);
            const double w = r.i16(10), h = r.i16(8);
            d_.image(QRectF(r.i16(14), r.i16(12), w, h), part(image, r.i16(6), r.i16(4), w, h), r.u32(0));
            break;
        }
        case 0x0B41: {                                               // DIBSTRETCHBLT
            if (r.size() == 22) {
                d_.patBlt(QRectF(r.i16(20), r.i16(18), r.i16(16), r.i16(14)), r.u32(0));
                break;
            }
            const QImage image = dib(r, 20);
            const QImage shown = part(image, r.i16(10), r.i16(8), r.i16(6), r.i16(4));
            d_.image(QRectF(r.i16(18), r.i16(16), r.i16(14), r.i16(12)), shown, r.u32(0));
            break;
        }
        case 0x0F43: {                                               // STRETCHDIB
            const QImage image = dib(r, 22);
            const QImage shown = part(image, r.i16(12), r.i16(10), r.i16(8), r.i16(6));
            d_.image(QRectF(r.i16(20), r.i16(18), r.i16(16), r.i16(14)), shown, r.u32(0));
            break;
        }
        case 0x0D33: {                                               // SETDIBTODEV
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

void PlayWindows(std::string_view bytes, TCanvas* canvas, const QRectF& target)
{
    const bool placeable = bytes.size() >= 4 && Record(bytes).u32(0) == kPlaceableKey;
    std::optional<QRectF> window;
    if (!placeable) {
        // A bare metafile that sets no window is shown by what it draws.
        Device probe(nullptr, target);
        WmfPlayer check(bytes, probe);
        check.play(std::nullopt);
        if (!check.sawWindow() && probe.seen()) window = *probe.seen();
        if (!canvas) return;
    }
    Device device(canvas, target);
    WmfPlayer(bytes, device).play(window);
}

}  // namespace metafile
