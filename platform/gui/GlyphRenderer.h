#pragma once
// Draws text as glyphs of the pinned faces at positions the caller measured,
// the same code for screen, image, PDF and printer. Glyph indexes come from
// our own font resolution (with the CJK fallback per character); Qt only
// rasterises or embeds the outlines.

#include <QByteArray>
#include <QColor>
#include <QPointF>
#include <QRawFont>

#include <span>
#include <string_view>

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
};

// Draws with the painter's current transform and clipping, and clipped to
// clip (painter coordinates). A PDF gets the glyphs at their places on the
// page, the clip only where outlines come near it, and keeps the text's
// colour in the pen.
void DrawGlyphText(QPainter& painter, const GlyphText& text, const QRect* clip = nullptr);

// The face as a raw font at a pixel size, cached. Invalid when the face's
// file cannot be read.
QRawFont RawFontFor(const FontFace& face, qreal pixelSize);

// One face of a TrueType collection as a stand-alone font file (Qt opens
// only the first face of collection data). Empty when the data is not a
// collection or the face index is out of range.
QByteArray ExtractCollectionFace(const QByteArray& collection, int faceIndex);
