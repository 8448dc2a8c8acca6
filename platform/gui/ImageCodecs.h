#pragma once
// Decoders of the picture formats the system reads: PNG through libpng,
// JPEG through libjpeg, BMP through Qt's reader, ICO by hand, and the
// headers of metafiles (MetafilePlayer.h plays them). Every decoder works
// on untrusted bytes: errors raise EInvalidGraphic, never end the program,
// and sizes are checked before anything large is allocated.

#include <QImage>

#include <cstdint>
#include <string_view>

#include "Exceptions.h"

DORVAK_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
DORVAK_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)

// Bounds on decoded pictures: a side, and the pixel count (256 MB of
// 32-bit pixels).
constexpr int kMaxPictureSide = 32767;
constexpr int64_t kMaxPicturePixels = int64_t(64) * 1024 * 1024;
// Bound on the encoded bytes of one picture.
constexpr int64_t kMaxPictureBytes = int64_t(256) * 1024 * 1024;

// Raises EInvalidGraphic "Picture too large (W x H)" past the bounds;
// negative sides are invalid too.
void CheckPictureSize(int64_t width, int64_t height);

// The decoded image in Format_ARGB32 (PNG, ICO) or Format_RGB32 (JPEG,
// opaque BMP). A picture whose header gives a width or height of 0 decodes
// to a null image without error: it is an empty picture.
QImage DecodePng(std::string_view bytes);
// A JPEG cut short decodes with the missing rows grey, as libjpeg does.
QImage DecodeJpeg(std::string_view bytes);
QImage DecodeBmp(std::string_view bytes);
// The largest image of the icon file (ties: the most colours); PNG and
// uncompressed DIB entries of 1, 4, 8, 24 and 32 bits.
QImage DecodeIco(std::string_view bytes);

// Encoders for pictures made or changed in the program.
std::string EncodeBmp(const QImage& image);

// Metafiles: an enhanced metafile (" EMF" at offset 40) or a placeable
// Windows metafile (key 9AC6CDD7). The size in pixels at 96 per inch from
// the header's frame (EMF, hundredths of a millimetre) or bounding box and
// units per inch (placeable WMF). EInvalidGraphic "Metafile is not valid"
// for anything else, "Metafile is damaged: cut short" for the start of an
// EMF too short for its header.
struct TMetafileHeader {
    bool Enhanced = false;
    int Width = 0;
    int Height = 0;
};
TMetafileHeader ReadMetafileHeader(std::string_view bytes);
// The start of an enhanced metafile (its header record's type, and " EMF"
// at 40 where the bytes reach it) too short to hold a header and an end
// record: an EMF cut short.
bool IsCutEnhancedMetafile(std::string_view bytes);
inline constexpr const char* kCutMetafileMessage = "Metafile is damaged: cut short";
