#pragma once
// Plays Windows metafiles onto a canvas: enhanced metafiles (EMF),
// placeable Windows metafiles and bare ones (WMF, as rich text holds them).
// The records draw through the canvas's own calls (shapes, text in the
// canvas font, pictures), so a metafile looks the same on the screen, in a
// PNG and in a PDF, and its text takes the pinned faces the font names map
// to. Curves and rotated shapes become polygons at the device's resolution.
//
// The bytes come from anywhere: every record is read within its bounds
// before anything is drawn. A record that does not hold together is passed
// over; a metafile whose chain of records is broken draws as nothing.
// Nothing here throws for bad data.

#include <QRectF>

#include <string_view>

class QPainter;
class TCanvas;

enum class TMetafileFormat { None, Enhanced, Placeable, Windows };

// By the first bytes: the EMF header record (type 1, " EMF" at 40), the
// placeable key 9AC6CDD7, or a bare Windows metafile header (type 1 or 2,
// nine words, version 0x100 or 0x300).
TMetafileFormat MetafileFormat(std::string_view bytes);

// What reading a metafile's records found. A record that does not hold
// together within its own size is passed over and the others drawn; a
// header or a chain of record sizes that is broken makes the whole
// metafile unplayable.
struct TMetafileCheck {
    bool Playable = false;
    size_t DamagedRecords = 0;
};
TMetafileCheck CheckMetafile(std::string_view bytes);
// True when the header and the chain of records hold together.
bool MetafileIsPlayable(std::string_view bytes);

// Draws the metafile stretched into rect (device pixels, fractions kept),
// clipped to rect and to the canvas's clip, which is as it was afterwards.
void PlayMetafile(std::string_view bytes, TCanvas& canvas, const QRectF& rect);
// On a painter, at the resolution of its device whatever its transform.
void PlayMetafile(std::string_view bytes, QPainter& painter, const QRectF& rect);
