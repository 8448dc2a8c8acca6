#pragma once
// Draws text as glyphs of the pinned faces at positions the caller measured,
// the same code for screen, image, PDF and printer. Glyph indexes come from
// our own font resolution (with the CJK fallback per character); Qt only
// rasterises or embeds the outlines.

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPointF>
#include <QRectF>
#include <QRawFont>

#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "FontResolver.h"

class QPainter;

struct GlyphText {
    const ResolvedFont* font = nullptr;
    qreal pixelSize = 0;          // em height in device pixels
    QPointF origin;               // top left of the text cell
    qreal angle = 0;              // degrees, counter-clockwise
    std::u16string_view text;
    // Offset of each UTF-16 unit's glyph along the baseline from the origin,
    // plus one more entry: the end of the text (text.size() + 1 entries).
    std::span<const qreal> positions;
    QColor color;
    bool underline = false;
    bool strikeOut = false;
    // Where the text can show (painter coordinates): glyphs of unturned text
    // whose ink lies wholly outside are left out, so that a long line cut
    // at its box's edge costs what the box shows.
    std::optional<QRectF> visible;
};

// Texts drawn in place on a PDF one after another in one colour, kept to
// go into the document as one glyph run a face and size where that
// changes nothing seen (texts that meet keep their order): each run costs
// the document the font, the colour and a text object of its own. Its
// owner flushes it before anything else reaches the painter.
class GlyphBatch {
public:
    bool Empty() const { return groups_.empty(); }
    void Flush(QPainter& painter);
    // Whether ink of a waiting text may fall in one of the areas (painter
    // coordinates): what is drawn there must wait for it.
    bool Meets(std::span<const QRectF> areas) const;

private:
    friend void DrawGlyphTextOnPdf(QPainter&, const struct GlyphText&, const QRect*, GlyphBatch&);
    void add(QPainter& painter, const FontFace* face, bool emboldened, qreal pixelSize, const QColor& color,
             const QRectF& box, const std::vector<quint32>& glyphs, const QList<QPointF>& positions);
    // A run for each face, emboldening and size, all in one colour.
    struct Group {
        const FontFace* face;
        bool emboldened;
        qreal pixelSize;
        QList<quint32> glyphs;
        QList<QPointF> positions;
    };
    // Where a waiting text's ink may reach, and its group.
    struct Box {
        QRectF area;
        size_t group;
    };
    template <class Found>
    bool anyMeeting(const QRectF& area, Found&& found) const;
    std::vector<Group> groups_;
    std::unordered_map<int, std::vector<Box>> bands_;
    QColor color_;
};

// Draws with the painter's current transform and clipping, and clipped to
// clip (painter coordinates), on any device.
void DrawGlyphText(QPainter& painter, const GlyphText& text, const QRect* clip = nullptr);
// The same on a PDF painter, in fewer operators: the glyphs at their places
// on the page, the clip only where outlines come near it, the text's colour
// kept in the pen, and text the page takes as it is waiting in the batch.
void DrawGlyphTextOnPdf(QPainter& painter, const GlyphText& text, const QRect* clip, GlyphBatch& batch);

// The face as a raw font at a pixel size, cached. Invalid when the face's
// file cannot be read.
QRawFont RawFontFor(const FontFace& face, qreal pixelSize);

// The face emboldened by Qt at a pixel size, cached: on a PDF its glyph
// runs print bold and put their text into the document once. Invalid where
// Qt does not embolden the face (one with a weight of its own, say).
QRawFont EmboldenedRawFontFor(const FontFace& face, qreal pixelSize);

// One face of a TrueType collection as a stand-alone font file (Qt opens
// only the first face of collection data). Empty when the data is not a
// collection or the face index is out of range.
QByteArray ExtractCollectionFace(const QByteArray& collection, int faceIndex);
