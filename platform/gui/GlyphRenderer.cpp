#include "GlyphRenderer.h"

#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryFile>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "CodePages.h"

namespace {

uint32_t readU32(const QByteArray& data, qsizetype at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData()) + at;
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint16_t readU16(const QByteArray& data, qsizetype at)
{
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData()) + at;
    return static_cast<uint16_t>((p[0] << 8) | p[1]);
}

void writeU32(QByteArray& data, qsizetype at, uint32_t v)
{
    data[at] = char(v >> 24);
    data[at + 1] = char(v >> 16);
    data[at + 2] = char(v >> 8);
    data[at + 3] = char(v);
}

// Raw fonts of one face: the base one and its sizes, and the same
// emboldened by Qt where Qt emboldens it.
struct FaceFonts {
    std::unique_ptr<QFile> file;  // mapped bytes, when the font database fails us
    QByteArray bytes;
    QRawFont base;
    std::map<qint64, QRawFont> sizes;  // keyed by pixel size in 1/64 px
    bool boldLookedUp = false;
    QRawFont bold;
    std::map<qint64, QRawFont> boldSizes;
};

std::mutex& rawFontMutex()
{
    static std::mutex m;
    return m;
}

// The same file behind both: identical glyph and metrics headers.
bool sameFace(const QRawFont& raw, const FontFace& face)
{
    for (const char* tag : {"maxp", "hhea", "head"}) {
        const uint32_t t = (uint32_t(uint8_t(tag[0])) << 24) | (uint32_t(uint8_t(tag[1])) << 16) |
                           (uint32_t(uint8_t(tag[2])) << 8) | uint8_t(tag[3]);
        const QByteArray ours = QByteArray::fromStdString(face.table(t));
        if (ours.isEmpty() || raw.fontTable(tag) != ours) return false;
    }
    return true;
}

// Through the font database, so that PDF output embeds the face as a real
// font with its text; invalid when the database finds another file.
QRawFont fromDatabase(const FontFace& face)
{
    auto lookup = [&face] {
        QFont font(QString::fromStdString(face.familyName()));
        font.setStyleName(QString::fromStdString(face.styleName()));
        font.setStyleStrategy(QFont::NoFontMerging);
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setKerning(false);
        font.setPixelSize(64);
        QRawFont raw = QRawFont::fromFont(font);
        return raw.isValid() && sameFace(raw, face) ? raw : QRawFont();
    };
    QRawFont raw = lookup();
    if (!raw.isValid() && QFontDatabase::addApplicationFont(QString::fromStdString(face.fileName())) >= 0)
        raw = lookup();
    return raw;
}

// Ink of a glyph's picture at the raw font's size.
qint64 glyphInk(const QRawFont& raw, quint32 glyph)
{
    const QImage image = raw.alphaMapForGlyph(glyph, QRawFont::PixelAntialiasing);
    qint64 ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) ink += qAlpha(image.pixel(x, y));
    return ink;
}

void writeU16(QByteArray& data, qsizetype at, uint16_t v)
{
    data[at] = char(v >> 8);
    data[at + 1] = char(v);
}

constexpr uint32_t tagOf(const char (&tag)[5])
{
    return (uint32_t(uint8_t(tag[0])) << 24) | (uint32_t(uint8_t(tag[1])) << 16) | (uint32_t(uint8_t(tag[2])) << 8) |
           uint8_t(tag[3]);
}

// A name table of the Windows platform in US English.
QByteArray nameTable(const std::vector<std::pair<uint16_t, QString>>& names)
{
    QByteArray strings;
    QByteArray table(6 + 12 * qsizetype(names.size()), '\0');
    writeU16(table, 2, uint16_t(names.size()));
    writeU16(table, 4, uint16_t(table.size()));
    for (size_t i = 0; i < names.size(); ++i) {
        const qsizetype record = 6 + 12 * qsizetype(i);
        QByteArray text;
        for (const QChar c : names[i].second) text.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
        for (const auto [at, value] : {std::pair{0, 3}, {2, 1}, {4, 0x409}, {6, int(names[i].first)},
                                       {8, int(text.size())}, {10, int(strings.size())}})
            writeU16(table, record + at, uint16_t(value));
        strings.append(text);
    }
    return table + strings;
}

// The bytes at an offset of a file; fewer where the file ends.
QByteArray readAt(QFile& file, qint64 offset, qint64 length)
{
    return file.seek(offset) ? file.read(length) : QByteArray();
}

// Writes a copy of the face's file (its face alone, from a collection)
// that Qt's font database takes for a family of its own, lighter than bold
// and proportional, so that Qt emboldens it at any size, and with an
// underline a twelfth of the em thick: Qt's PDF output draws emboldened
// text a second time half that far to the side, as far as we overstrike on
// images. The tables it keeps are copied a piece at a time.
bool writeEmboldenableCopy(const FontFace& face, const QString& family, QIODevice& out)
{
    QFile in(QString::fromStdString(face.fileName()));
    if (!in.open(QIODevice::ReadOnly)) return false;
    qint64 header = 0;
    if (const QByteArray start = readAt(in, 0, 12); start.size() == 12 && readU32(start, 0) == tagOf("ttcf")) {
        if (face.faceIndex() < 0 || uint32_t(face.faceIndex()) >= readU32(start, 8)) return false;
        const QByteArray at = readAt(in, 12 + 4 * qint64(face.faceIndex()), 4);
        if (at.size() != 4) return false;
        header = readU32(at, 0);
    }
    const QByteArray offsetTable = readAt(in, header, 12);
    if (offsetTable.size() != 12) return false;
    const qsizetype count = readU16(offsetTable, 4);
    QByteArray directory = readAt(in, header, 12 + 16 * count);
    if (directory.size() != 12 + 16 * count) return false;

    struct Table {
        qint64 offset = 0, length = 0;
        QByteArray replaced;  // written instead of the file's bytes when not empty
    };
    std::vector<Table> tables(static_cast<size_t>(count));
    const QString postscript = QString::fromStdString(face.postscriptName()) + QStringLiteral("-Bold");
    int changed = 0;
    qint64 at = directory.size();
    for (qsizetype i = 0; i < count; ++i) {
        const qsizetype record = 12 + 16 * i;
        Table& table = tables[size_t(i)];
        table.offset = readU32(directory, record + 8);
        table.length = readU32(directory, record + 12);
        if (table.offset + table.length > in.size()) return false;
        const uint32_t tag = readU32(directory, record);
        if (tag == tagOf("post") || tag == tagOf("OS/2") || tag == tagOf("head")) {
            table.replaced = readAt(in, table.offset, table.length);
            if (table.replaced.size() != table.length) return false;
            QByteArray& t = table.replaced;
            if (tag == tagOf("post") && t.size() >= 16) {
                writeU16(t, 10, uint16_t(std::max(1, face.unitsPerEm() / 12)));  // underlineThickness
                writeU32(t, 12, 0);                                              // isFixedPitch
                ++changed;
            } else if (tag == tagOf("head") && t.size() >= 46) {
                writeU16(t, 44, readU16(t, 44) & ~uint16_t(1));  // macStyle: not bold
                ++changed;
            } else if (tag == tagOf("OS/2") && t.size() >= 64) {
                writeU16(t, 4, 400);                               // usWeightClass
                writeU16(t, 62, readU16(t, 62) & ~uint16_t(0x20));  // fsSelection: not bold
            }
        } else if (tag == tagOf("name")) {
            table.replaced = nameTable({{1, family}, {2, QStringLiteral("Regular")}, {4, family}, {6, postscript}});
            ++changed;
        }
        const qint64 length = table.replaced.isEmpty() ? table.length : table.replaced.size();
        writeU32(directory, record + 8, uint32_t(at));
        writeU32(directory, record + 12, uint32_t(length));
        at += (length + 3) / 4 * 4;
    }
    if (changed != 3 || out.write(directory) != directory.size()) return false;
    for (const Table& table : tables) {
        qint64 written = table.replaced.size();
        if (!table.replaced.isEmpty()) {
            if (out.write(table.replaced) != written) return false;
        } else {
            for (qint64 done = 0; done < table.length; done += written) {
                const QByteArray piece = readAt(in, table.offset + done, std::min<qint64>(table.length - done, 1 << 20));
                written = piece.size();
                if (written == 0 || out.write(piece) != written) return false;
            }
            written = table.length;
        }
        if (const qint64 pad = (4 - written % 4) % 4; pad && out.write("\0\0\0", pad) != pad) return false;
    }
    return true;
}

// The face emboldened by Qt, from a copy of its file (writeEmboldenableCopy):
// a PDF takes its glyph runs as text, and draws them a second time a little
// to the side, marked as no text, so that the text layer holds each word
// once and the page costs about what plain text costs. The copy is in the
// font database only while its raw font is made (no font list shows it)
// and its file is gone once the face is open. Invalid where Qt does not
// embolden it after all.
QRawFont emboldenedCopy(const FontFace& face)
{
    const QString family = QString::fromStdString(face.familyName()) + QStringLiteral(" Emboldened");
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/emboldened-XXXXXX.ttf"));
    if (!file.open() || !writeEmboldenableCopy(face, family, file) || !file.flush()) return {};
    const int id = QFontDatabase::addApplicationFont(file.fileName());
    if (id < 0) return {};
    QRawFont bold;
    if (QFontDatabase::applicationFontFamilies(id).contains(family)) {
        QFont font(family);
        font.setWeight(QFont::Bold);
        font.setHintingPreference(QFont::PreferNoHinting);
        font.setKerning(false);
        font.setPixelSize(32);  // Qt emboldens only below 64 pixels; its other sizes stay so
        bold = QRawFont::fromFont(font);
        if (bold.familyName() != family) bold = QRawFont();
    }
    QFontDatabase::removeApplicationFont(id);
    if (!bold.isValid()) return {};
    const QRawFont regular = RawFontFor(face, 32);
    for (const char32_t ch : {U'H', U'\u4E2D', U'a', U'1'}) {
        const uint32_t glyph = face.glyphIndex(ch);
        const qint64 plain = glyph ? glyphInk(regular, glyph) : 0;
        if (plain > 0) return glyphInk(bold, glyph) > plain * 21 / 20 ? bold : QRawFont();
    }
    return {};
}

// From the file's bytes: draws the same, but PDF output gets outlines only.
QRawFont fromFileBytes(const FontFace& face, FaceFonts& fonts)
{
    fonts.file = std::make_unique<QFile>(QString::fromStdString(face.fileName()));
    if (!fonts.file->open(QIODevice::ReadOnly)) return {};
    const qint64 size = fonts.file->size();
    if (uchar* mapped = fonts.file->map(0, size))
        fonts.bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(mapped), static_cast<qsizetype>(size));
    else
        fonts.bytes = fonts.file->readAll();
    if (face.faceIndex() > 0) fonts.bytes = ExtractCollectionFace(fonts.bytes, face.faceIndex());
    QRawFont raw;
    if (!fonts.bytes.isEmpty()) raw.loadFromData(fonts.bytes, 64, QFont::PreferNoHinting);
    return raw;
}

FaceFonts& faceFonts(const FontFace& face)
{
    // Never destroyed: raw fonts must not outlive the application object,
    // and statics die after it.
    static auto& all = *new std::map<const FontFace*, std::unique_ptr<FaceFonts>>;
    auto& slot = all[&face];
    if (!slot) {
        slot = std::make_unique<FaceFonts>();
        slot->base = fromDatabase(face);
        if (!slot->base.isValid()) slot->base = fromFileBytes(face, *slot);
    }
    return *slot;
}

struct Run {
    std::vector<quint32> glyphs;
    QList<QPointF> positions;
};

// Qt keeps rasterised glyphs only up to 64 device pixels and fills the
// outline of every larger glyph on every draw (a 600-dpi page of ten-point
// text spends most of its time there). On raster devices such glyphs are
// drawn from images of their own instead, made once per face, size, colour
// and quarter-pixel offset; other devices (PDF) keep the glyphs as text.
constexpr qreal kQtCachedGlyphSize = 64;
constexpr qreal kLargestImagedGlyph = 512;
constexpr int kSubpixelSteps = 4;
constexpr qsizetype kGlyphImageBytes = 64 << 20;

struct GlyphKey {
    const FontFace* face;
    qint64 size;  // 1/64 px
    quint32 glyph;
    QRgb color;
    uint8_t fx, fy;  // offset in quarter pixels
    bool antialias;
    bool operator==(const GlyphKey&) const = default;
};

struct GlyphKeyHash {
    size_t operator()(const GlyphKey& k) const noexcept
    {
        size_t h = std::hash<const void*>()(k.face);
        for (uint64_t v : {uint64_t(k.size), uint64_t(k.glyph), uint64_t(k.color),
                           uint64_t(k.fx) | uint64_t(k.fy) << 8 | uint64_t(k.antialias) << 16})
            h = (h ^ std::hash<uint64_t>()(v)) * 1099511628211ULL;
        return h;
    }
};

struct GlyphImage {
    QImage image;
    QPoint offset;  // of its top left from the pixel the glyph origin is in
};

struct GlyphImages {
    std::mutex mutex;
    std::unordered_map<GlyphKey, GlyphImage, GlyphKeyHash> images;
    qsizetype bytes = 0;
};

GlyphImages& glyphImages()
{
    static auto& images = *new GlyphImages;
    return images;
}

GlyphImage makeGlyphImage(const QRawFont& raw, const GlyphKey& key)
{
    QPainterPath path = raw.pathForGlyph(key.glyph);
    path.setFillRule(Qt::WindingFill);
    path.translate(qreal(key.fx) / kSubpixelSteps, qreal(key.fy) / kSubpixelSteps);
    const QRect bounds = path.boundingRect().toAlignedRect().adjusted(-1, -1, 1, 1);
    GlyphImage made{QImage(bounds.size(), QImage::Format_ARGB32_Premultiplied), bounds.topLeft()};
    made.image.fill(Qt::transparent);
    if (!path.isEmpty()) {
        QPainter p(&made.image);
        p.setRenderHint(QPainter::Antialiasing, key.antialias);
        p.translate(-bounds.topLeft());
        p.fillPath(path, QColor::fromRgba(key.color));
    }
    return made;
}

// Draws the run from glyph images when the painter is an image's, moved but
// not turned or scaled; false leaves it to Qt.
bool drawFromImages(QPainter& painter, const QRawFont& raw, const FontFace& face, const Run& run, qreal dx)
{
    const qreal size = raw.pixelSize();
    if (size <= kQtCachedGlyphSize || size > kLargestImagedGlyph) return false;
    const QPaintEngine* engine = painter.paintEngine();
    if (!engine || engine->type() != QPaintEngine::Raster || painter.device()->devicePixelRatio() != 1 ||
        painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return false;
    const QTransform device = painter.deviceTransform();
    if (device.type() > QTransform::TxTranslate) return false;

    GlyphKey key{&face, qRound64(size * 64), 0, painter.pen().color().rgba(), 0, 0,
                 painter.testRenderHint(QPainter::TextAntialiasing) || painter.testRenderHint(QPainter::Antialiasing)};
    GlyphImages& cache = glyphImages();
    std::lock_guard lock(cache.mutex);
    painter.save();
    painter.resetTransform();
    for (size_t i = 0; i < run.glyphs.size(); ++i) {
        const QPointF at = device.map(run.positions[int(i)] + QPointF(dx, 0));
        QPoint pixel(qFloor(at.x()), qFloor(at.y()));
        int fx = qRound((at.x() - pixel.x()) * kSubpixelSteps), fy = qRound((at.y() - pixel.y()) * kSubpixelSteps);
        if (fx == kSubpixelSteps) pixel.rx() += 1, fx = 0;
        if (fy == kSubpixelSteps) pixel.ry() += 1, fy = 0;
        key.glyph = run.glyphs[i];
        key.fx = uint8_t(fx);
        key.fy = uint8_t(fy);
        auto found = cache.images.find(key);
        if (found == cache.images.end()) {
            GlyphImage made = makeGlyphImage(raw, key);
            const qsizetype bytes = made.image.sizeInBytes();
            if (cache.bytes + bytes > kGlyphImageBytes) {
                cache.images.clear();
                cache.bytes = 0;
            }
            cache.bytes += bytes;
            found = cache.images.emplace(key, std::move(made)).first;
        }
        painter.drawImage(pixel + found->second.offset, found->second.image);
    }
    painter.restore();
    return true;
}

bool IsPdfPainter(const QPainter& painter)
{
    const QPaintEngine* engine = painter.paintEngine();
    return engine && engine->type() == QPaintEngine::Pdf;
}

// A glyph's outline at the raw font's size, kept: a bold title is drawn
// on every page.
QPainterPath glyphOutline(const FontFace& face, const QRawFont& raw, quint32 glyph)
{
    struct Key {
        const FontFace* face;
        qint64 size;  // 1/64 px
        quint32 glyph;
        bool operator<(const Key& o) const { return std::tie(face, size, glyph) < std::tie(o.face, o.size, o.glyph); }
    };
    static auto& outlines = *new std::map<Key, QPainterPath>;
    static std::mutex mutex;
    const Key key{&face, qRound64(raw.pixelSize() * 64), glyph};
    std::lock_guard lock(mutex);
    if (auto it = outlines.find(key); it != outlines.end()) return it->second;
    if (outlines.size() >= 1024) outlines.clear();
    return outlines[key] = raw.pathForGlyph(glyph);
}

// The glyphs' outlines filled as shapes, which a PDF keeps out of its text.
void fillGlyphOutlines(QPainter& painter, const FontFace& face, const QRawFont& raw, const Run& run, QPointF offset,
                       const QColor& color)
{
    QPainterPath outlines;
    for (size_t i = 0; i < run.glyphs.size(); ++i)
        outlines.addPath(glyphOutline(face, raw, run.glyphs[i]).translated(run.positions[int(i)] + offset));
    painter.fillPath(outlines, color);
}

}  // namespace

QByteArray ExtractCollectionFace(const QByteArray& collection, int faceIndex)
{
    const qsizetype size = collection.size();
    if (size < 12 || readU32(collection, 0) != 0x74746366 /* 'ttcf' */ || faceIndex < 0) return {};
    const uint32_t numFonts = readU32(collection, 8);
    if (uint32_t(faceIndex) >= numFonts || 12 + 4 * qsizetype(numFonts) > size) return {};
    const qsizetype header = readU32(collection, 12 + 4 * faceIndex);
    if (header + 12 > size) return {};
    const uint16_t numTables = readU16(collection, header + 4);
    if (header + 12 + 16 * qsizetype(numTables) > size) return {};

    // Offset table and table records, then each table 4-byte aligned.
    QByteArray out = collection.mid(header, 12 + 16 * qsizetype(numTables));
    for (uint16_t i = 0; i < numTables; ++i) {
        const qsizetype record = header + 12 + 16 * qsizetype(i);
        const qsizetype offset = readU32(collection, record + 8);
        const qsizetype length = readU32(collection, record + 12);
        if (offset + length > size) return {};
        writeU32(out, 12 + 16 * qsizetype(i) + 8, static_cast<uint32_t>(out.size()));
        out.append(collection.constData() + offset, length);
        while (out.size() % 4) out.append('\0');
    }
    return out;
}

namespace {

QRawFont sized(const QRawFont& base, std::map<qint64, QRawFont>& sizes, qreal pixelSize)
{
    if (!base.isValid()) return {};
    const qint64 key = qRound64(pixelSize * 64);
    if (auto it = sizes.find(key); it != sizes.end()) return it->second;
    if (sizes.size() > 64) sizes.clear();  // zooming through many sizes
    QRawFont font = base;
    font.setPixelSize(key / 64.0);
    return sizes[key] = font;
}

}  // namespace

QRawFont RawFontFor(const FontFace& face, qreal pixelSize)
{
    std::lock_guard lock(rawFontMutex());
    FaceFonts& data = faceFonts(face);
    return sized(data.base, data.sizes, pixelSize);
}

QRawFont EmboldenedRawFontFor(const FontFace& face, qreal pixelSize)
{
    FaceFonts* data = nullptr;
    {
        std::lock_guard lock(rawFontMutex());
        data = &faceFonts(face);
        if (data->boldLookedUp) return sized(data->bold, data->boldSizes, pixelSize);
    }
    // The font database is the GUI thread's: another thread asks again later.
    if (!qApp || QThread::currentThread() != qApp->thread()) return {};
    QRawFont bold = emboldenedCopy(face);
    std::lock_guard lock(rawFontMutex());
    if (!data->boldLookedUp) {
        data->bold = bold;
        data->boldLookedUp = true;
    }
    return sized(data->bold, data->boldSizes, pixelSize);
}

void GlyphBatch::Flush(QPainter& painter)
{
    if (groups_.empty()) return;
    if (painter.pen().style() == Qt::NoPen || painter.pen().color() != color_) painter.setPen(QPen(color_, 0));
    for (Group& group : groups_) {
        const QRawFont raw = group.emboldened ? EmboldenedRawFontFor(*group.face, group.pixelSize)
                                              : RawFontFor(*group.face, group.pixelSize);
        if (!raw.isValid()) continue;
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes(group.glyphs);
        run.setPositions(group.positions);
        painter.drawGlyphRun(QPointF(), run);
    }
    groups_.clear();
    bands_.clear();
}

namespace {

// Boxes are kept by bands of the page's height: a page's text waits whole
// while its table's lines are drawn, and each line is checked against the
// texts beside it alone.
constexpr qreal kBand = 256;

int bandOf(qreal y)
{
    return static_cast<int>(std::floor(std::clamp<qreal>(y, -1e9, 1e9) / kBand));
}

}  // namespace

template <class Found>
bool GlyphBatch::anyMeeting(const QRectF& area, Found&& found) const
{
    for (int band = bandOf(area.top()), last = bandOf(area.bottom()); band <= last; ++band) {
        const auto it = bands_.find(band);
        if (it == bands_.end()) continue;
        for (const Box& box : it->second)
            if (box.area.intersects(area) && found(box)) return true;
    }
    return false;
}

bool GlyphBatch::Meets(std::span<const QRectF> areas) const
{
    return std::any_of(areas.begin(), areas.end(),
                       [&](const QRectF& area) { return anyMeeting(area, [](const Box&) { return true; }); });
}

void GlyphBatch::add(QPainter& painter, const FontFace* face, bool emboldened, qreal pixelSize, const QColor& color,
                     const QRectF& box, const std::vector<quint32>& glyphs, const QList<QPointF>& positions)
{
    // Texts go out a face at a time: ink of another colour, or ink that
    // meets a waiting text of another face, must wait for what came before.
    auto same = [&](const Group& g) {
        return g.face == face && g.emboldened == emboldened && g.pixelSize == pixelSize;
    };
    auto group = std::find_if(groups_.begin(), groups_.end(), same);
    const size_t index = static_cast<size_t>(group - groups_.begin());
    if (!groups_.empty() &&
        (color != color_ || anyMeeting(box, [&](const Box& other) { return other.group != index; }))) {
        Flush(painter);
        group = groups_.end();
    }
    color_ = color;
    if (group == groups_.end()) group = groups_.insert(groups_.end(), Group{face, emboldened, pixelSize, {}, {}});
    group->glyphs.append(QList<quint32>(glyphs.begin(), glyphs.end()));
    group->positions.append(positions);
    if (box.isEmpty()) return;
    const Box kept{box, static_cast<size_t>(group - groups_.begin())};
    for (int band = bandOf(box.top()), last = bandOf(box.bottom()); band <= last; ++band) bands_[band].push_back(kept);
}

namespace {

// The glyphs of a text by the face that serves them, placed along its
// baseline, with where their ink may reach.
struct PlacedText {
    Run runs[2];
    QRectF ink;  // filled only when asked for
};

qreal emboldening(qreal em)
{
    // A twenty-fourth of the em, one device pixel at least, so that a light
    // Song face still reads as bold.
    return std::max<qreal>(1.0, em / 24);
}

// Glyph positions are offsets along the baseline from `shift`; with `cut`
// each offset is cut to Qt's 64ths first, as Qt cuts the positions of a run
// drawn from a moved origin. Glyphs whose ink cannot reach `shown` (in the
// positions' coordinates) are left out.
PlacedText placeGlyphs(const GlyphText& t, QPointF shift, qreal baseline, bool cut, bool withInk,
                       const std::optional<QRectF>& shown)
{
    PlacedText placed;
    const qreal em = t.pixelSize;
    // What may show of a glyph beyond its box: overstrike, lean, and what a
    // rasteriser grows; and how far from its origin any glyph's ink reaches.
    QRectF area;
    qreal reach = 0;
    if (shown) {
        qreal slack = 2 + em / 10;
        reach = em;
        for (const FontChoice* choice : {&t.font->primary(), &t.font->fallback()}) {
            if (!choice->face) continue;
            slack += (choice->syntheticBold ? emboldening(em) : 0) + (choice->syntheticItalic ? em / 4 : 0);
            const FontFace::GlyphBox b = choice->face->bbox();
            const int most = std::max({-int(b.xMin), int(b.xMax), -int(b.yMin), int(b.yMax)});
            reach = std::max(reach, em * most / choice->face->unitsPerEm());
        }
        area = shown->adjusted(-slack, -slack, slack, slack);
        // A line wholly above or below shows nothing.
        if (shift.y() + baseline + reach < area.top() || shift.y() + baseline - reach > area.bottom()) return placed;
    }
    for (size_t i = 0, units = 1; i < t.text.size(); i += units) {
        const qreal offset = cut ? std::trunc(t.positions[i] * 64) / 64 : t.positions[i];
        const QPointF at(shift.x() + offset, shift.y() + baseline);
        // Glyphs too far from what shows are passed over without a look.
        if (shown && (at.x() + reach < area.left() || at.x() - reach > area.right())) {
            CodePointAt(t.text, i, &units);
            continue;
        }
        const GlyphSource glyph = t.font->lookup(CodePointAt(t.text, i, &units));
        const FontChoice& choice = t.font->choice(glyph.source);
        const FontFace::GlyphBox box = choice.face->glyphBox(glyph.index);
        const bool blank = box.xMax <= box.xMin || box.yMax <= box.yMin;
        const qreal k = em / choice.face->unitsPerEm();
        if (shown) {
            // A blank keeps its place in the text where its cell shows.
            const qreal left = blank ? at.x() : at.x() + box.xMin * k;
            const qreal right = blank ? shift.x() + t.positions[std::min(i + units, t.text.size())] : at.x() + box.xMax * k;
            if (right < area.left() || left > area.right()) continue;
        }
        Run& run = placed.runs[glyph.source];
        run.glyphs.push_back(glyph.index);
        run.positions.append(at);
        if (!withInk || blank) continue;
        // Emboldened ink spreads to the right on images, to the left in a PDF.
        const qreal bold = choice.syntheticBold ? emboldening(em) : 0;
        placed.ink |= QRectF(QPointF(at.x() + box.xMin * k - bold, at.y() - box.yMax * k),
                             QPointF(at.x() + box.xMax * k + bold, at.y() - box.yMin * k));
    }
    return placed;
}

// Where the text shows, clipped to `clip` as well; nothing for turned text.
std::optional<QRectF> shownArea(const GlyphText& t, const QRect* clip)
{
    if (t.angle != 0) return std::nullopt;
    std::optional<QRectF> shown = t.visible;
    if (clip) shown = shown ? shown->intersected(QRectF(*clip)) : QRectF(*clip);
    return shown;
}

// Underline and strike-out of a text whose cell has its top at `top`.
class Bars {
public:
    Bars(const GlyphText& t, qreal left, qreal top)
        : t_(t), face_(*t.font->primary().face), scale_(t.pixelSize / face_.unitsPerEm()),
          x0_(left + t.positions[0]), x1_(left + t.positions[t.text.size()]),
          baseline_(top + face_.winAscent() * scale_)
    {
    }
    QRectF area() const
    {
        QRectF area;
        if (t_.underline) area |= underline();
        if (t_.strikeOut) area |= strikeOut();
        return area;
    }
    void draw(QPainter& painter) const
    {
        if (t_.underline) painter.fillRect(underline(), t_.color);
        if (t_.strikeOut) painter.fillRect(strikeOut(), t_.color);
    }

private:
    QRectF underline() const { return bar(face_.underlinePosition(), face_.underlineThickness()); }
    QRectF strikeOut() const { return bar(face_.strikeoutPosition(), face_.strikeoutSize()); }
    QRectF bar(qreal position, qreal thickness) const
    {
        const qreal h = std::max<qreal>(1.0, thickness * scale_);
        return QRectF(x0_, baseline_ - position * scale_ - h / 2, x1_ - x0_, h);
    }
    const GlyphText& t_;
    const FontFace& face_;
    qreal scale_, x0_, x1_, baseline_;
};

QGlyphRun glyphRun(const QRawFont& raw, const Run& run)
{
    QGlyphRun glyphs;
    glyphs.setRawFont(raw);
    glyphs.setGlyphIndexes(QList<quint32>(run.glyphs.begin(), run.glyphs.end()));
    glyphs.setPositions(run.positions);
    return glyphs;
}

// Each face's run with the face's raw font at the text's size.
template <class Draw>
void forEachRun(const GlyphText& t, const PlacedText& placed, Draw&& draw)
{
    for (uint8_t source = 0; source < 2; ++source) {
        const Run& run = placed.runs[source];
        if (run.glyphs.empty()) continue;
        const FontChoice& choice = t.font->choice(source);
        const QRawFont raw = RawFontFor(*choice.face, t.pixelSize);
        if (raw.isValid()) draw(source, choice, raw, run);
    }
}

bool validText(const GlyphText& t)
{
    return t.font && !t.text.empty() && t.positions.size() >= t.text.size() + 1 && t.pixelSize > 0;
}

}  // namespace

void DrawGlyphText(QPainter& painter, const GlyphText& t, const QRect* clip)
{
    if (!validText(t)) return;
    const qreal em = t.pixelSize;
    const qreal ascent = t.font->primary().face->winAscent() * em / t.font->primary().face->unitsPerEm();
    std::optional<QRectF> shown = shownArea(t, clip);
    if (shown) shown->translate(-t.origin);
    const PlacedText placed = placeGlyphs(t, QPointF(), ascent, false, false, shown);
    const bool pdf = IsPdfPainter(painter);

    painter.save();
    if (clip) painter.setClipRect(*clip, Qt::IntersectClip);
    painter.translate(t.origin);
    if (t.angle != 0) painter.rotate(-t.angle);
    painter.setPen(t.color);
    forEachRun(t, placed, [&](uint8_t, const FontChoice& choice, const QRawFont& regular, const Run& run) {
        // A PDF takes Qt's own emboldening where it has one: text once, in
        // little more than plain text's bytes.
        const QRawFont emboldened =
            pdf && choice.syntheticBold ? EmboldenedRawFontFor(*choice.face, em) : QRawFont();
        const QRawFont& raw = emboldened.isValid() ? emboldened : regular;
        const QGlyphRun glyphs = glyphRun(raw, run);
        painter.save();
        if (choice.syntheticItalic) {
            // Lean about the baseline, so positions stay where they were measured.
            painter.translate(0, ascent);
            painter.shear(-0.2, 0);
            painter.translate(0, -ascent);
        }
        auto draw = [&](qreal dx) {
            if (!drawFromImages(painter, raw, *choice.face, run, dx)) painter.drawGlyphRun(QPointF(dx, 0), glyphs);
        };
        draw(0);
        // Emboldened by overstriking. A PDF keeps glyph runs as text: a
        // second run would put every bold word twice into its text layer,
        // so there the overstrike is ink only.
        if (choice.syntheticBold && !emboldened.isValid()) {
            if (pdf) fillGlyphOutlines(painter, *choice.face, raw, run, QPointF(emboldening(em), 0), t.color);
            else draw(emboldening(em));
        }
        painter.restore();
    });
    Bars(t, 0, 0).draw(painter);
    painter.restore();
}

void DrawGlyphTextOnPdf(QPainter& painter, const GlyphText& t, const QRect* clip, GlyphBatch& batch)
{
    if (!validText(t)) return;
    if (t.angle != 0 || t.font->primary().syntheticItalic || t.font->fallback().syntheticItalic) {
        batch.Flush(painter);
        DrawGlyphText(painter, t, clip);
        return;
    }
    // The glyphs go where they stand on the page: every saved state, moved
    // origin and clip costs the document operators, and their size is most
    // of its writing time. Qt keeps glyph positions in 64ths of a pixel,
    // cut towards zero: an offset cut before the origin is added lands where
    // it lands from a moved origin, also left of or above it.
    const qreal em = t.pixelSize;
    const qreal ascent = t.font->primary().face->winAscent() * em / t.font->primary().face->unitsPerEm();
    const qreal baseline = std::trunc(ascent * 64) / 64;
    PlacedText placed = placeGlyphs(t, t.origin, baseline, true, true, shownArea(t, clip));
    const Bars bars(t, t.origin.x(), t.origin.y());
    if (clip) placed.ink |= bars.area();

    // Clipped only where the outlines come near the rectangle's edges: a
    // tenth of the em spares glyphs a rasteriser grows a little.
    const qreal margin = std::max<qreal>(2, em / 10);
    const bool clipped = clip && !QRectF(*clip).adjusted(margin, margin, -margin, -margin).contains(placed.ink);
    // Emboldened where Qt emboldens the face; by overstriking outlines, which
    // stay out of the text layer but cost their bytes on every page, where
    // it does not.
    bool emboldened[2] = {false, false}, outlined = false;
    for (uint8_t source = 0; source < 2; ++source) {
        const FontChoice& choice = t.font->choice(source);
        if (placed.runs[source].glyphs.empty() || !choice.syntheticBold) continue;
        emboldened[source] = EmboldenedRawFontFor(*choice.face, em).isValid();
        outlined = outlined || !emboldened[source];
    }
    // Text waits in the batch; anything else draws what waits first, so
    // that the page keeps its order.
    if (!clipped && !t.underline && !t.strikeOut && !outlined) {
        // Where a rasteriser may put ink for the outlines.
        const QRectF box = placed.ink.adjusted(-margin, -margin, margin, margin);
        for (uint8_t source = 0; source < 2; ++source)
            if (const Run& run = placed.runs[source]; !run.glyphs.empty())
                batch.add(painter, t.font->choice(source).face, emboldened[source], em, t.color, box, run.glyphs,
                          run.positions);
        return;
    }
    batch.Flush(painter);
    if (clipped) {
        painter.save();
        painter.setClipRect(*clip, Qt::IntersectClip);
    }
    // Text takes only the pen's colour; another pen would cost a state.
    if (painter.pen().style() == Qt::NoPen || painter.pen().color() != t.color) painter.setPen(QPen(t.color, 0));
    forEachRun(t, placed, [&](uint8_t source, const FontChoice& choice, const QRawFont& raw, const Run& run) {
        if (emboldened[source]) {
            painter.drawGlyphRun(QPointF(), glyphRun(EmboldenedRawFontFor(*choice.face, em), run));
            return;
        }
        painter.drawGlyphRun(QPointF(), glyphRun(raw, run));
        // The overstrike at the outlines' own places (the run's are cut to 64ths).
        if (choice.syntheticBold)
            fillGlyphOutlines(painter, *choice.face, raw, run, QPointF(emboldening(em), ascent - baseline), t.color);
    });
    bars.draw(painter);
    if (clipped) painter.restore();
}
