#include "ImageCodecs.h"

#include <QBuffer>
#include <QImageWriter>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "LittleEndian.h"
#include "Numbers.h"
#include "SysUtils.h"

namespace {

using le::i32;
using le::u16;
using le::u32;

[[noreturn]] void invalid(const char* what)
{
    throw EInvalidGraphic(what);
}

// ---------------------------------------------------------------- PNG

struct PngSource {
    std::string_view data;
    size_t pos = 0;
    char message[160] = {};
};

void pngError(png_structp png, png_const_charp msg)
{
    auto* src = static_cast<PngSource*>(png_get_error_ptr(png));
    std::snprintf(src->message, sizeof src->message, "%s", msg);
    png_longjmp(png, 1);
}

void pngWarning(png_structp, png_const_charp) {}

void pngRead(png_structp png, png_bytep out, size_t length)
{
    auto* src = static_cast<PngSource*>(png_get_io_ptr(png));
    if (length > src->data.size() - src->pos) png_error(png, "unexpected end of data");
    std::memcpy(out, src->data.data() + src->pos, length);
    src->pos += length;
}

// libpng reports errors by longjmp: nothing with a destructor may be
// created in this frame after setjmp, so the image and rows belong to the
// caller. False with src.message on failure.
bool readPng(PngSource& src, QImage& image, std::vector<png_bytep>& rows)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &src, pngError, pngWarning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return false;
    }
    png_set_read_fn(png, &src, pngRead);
    png_set_user_limits(png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(png, 8 * 1024 * 1024);  // ancillary chunks
    png_read_info(png, info);

    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (int64_t(width) * height > kMaxPicturePixels) png_error(png, "too many pixels");
    const int colorType = png_get_color_type(png, info);
    const int bitDepth = png_get_bit_depth(png, info);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (bitDepth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    // QImage::Format_ARGB32 is one native-endian 32-bit word per pixel.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
#else
    png_set_filler(png, 0xFF, PNG_FILLER_BEFORE);
    png_set_swap_alpha(png);
#endif
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != size_t(width) * 4) png_error(png, "unsupported pixel layout");

    image = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_ARGB32);
    if (image.isNull()) png_error(png, "out of memory");
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = image.scanLine(static_cast<int>(y));
    png_read_image(png, rows.data());
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

// ---------------------------------------------------------------- JPEG

// A progressive JPEG can hold thousands of tiny scans that cost time each.
constexpr int kMaxJpegScans = 500;

struct JpegErrorManager {
    jpeg_error_mgr mgr;  // first: libjpeg hands this pointer back
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void jpegErrorExit(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void jpegSilent(j_common_ptr) {}

void jpegProgress(j_common_ptr cinfo)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxJpegScans) {
        auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "too many scans");
        std::longjmp(err->jump, 1);
    }
}

uint8_t cmykToChannel(int c, int k, bool inverted)
{
    return static_cast<uint8_t>(inverted ? c * k / 255 : (255 - c) * (255 - k) / 255);
}

// The same rule as readPng: only plain data in this frame after setjmp.
bool readJpeg(std::string_view data, QImage& image, JpegErrorManager& err)
{
    jpeg_decompress_struct cinfo;
    std::memset(&cinfo, 0, sizeof cinfo);
    jpeg_progress_mgr progress;
    cinfo.err = jpeg_std_error(&err.mgr);
    err.mgr.error_exit = jpegErrorExit;
    err.mgr.output_message = jpegSilent;
    err.message[0] = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    progress.progress_monitor = jpegProgress;
    cinfo.progress = &progress;
    jpeg_mem_src(&cinfo, reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    if (cinfo.image_width > unsigned(kMaxPictureSide) || cinfo.image_height > unsigned(kMaxPictureSide) ||
        int64_t(cinfo.image_width) * cinfo.image_height > kMaxPicturePixels) {
        std::snprintf(err.message, sizeof err.message, "picture too large");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGRX;
#else
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_XRGB;
#endif
    jpeg_start_decompress(&cinfo);
    image = QImage(static_cast<int>(cinfo.output_width), static_cast<int>(cinfo.output_height), QImage::Format_RGB32);
    if (image.isNull()) {
        std::snprintf(err.message, sizeof err.message, "out of memory");
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    JSAMPARRAY cmykRow =
        cmyk ? (*cinfo.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&cinfo), JPOOL_IMAGE, cinfo.output_width * 4, 1)
             : nullptr;
    const bool inverted = cinfo.saw_Adobe_marker;
    while (cinfo.output_scanline < cinfo.output_height) {
        const int y = static_cast<int>(cinfo.output_scanline);
        if (!cmyk) {
            JSAMPROW row = image.scanLine(y);
            jpeg_read_scanlines(&cinfo, &row, 1);
            continue;
        }
        jpeg_read_scanlines(&cinfo, cmykRow, 1);
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        const JSAMPLE* in = cmykRow[0];
        for (JDIMENSION x = 0; x < cinfo.output_width; ++x, in += 4) {
            out[x] = qRgb(cmykToChannel(in[0], in[3], inverted), cmykToChannel(in[1], in[3], inverted),
                          cmykToChannel(in[2], in[3], inverted));
        }
    }
    jpeg_destroy_decompress(&cinfo);
    return true;
}

// ---------------------------------------------------------------- ICO

constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

bool isPng(std::string_view b)
{
    return b.size() >= 8 && b.substr(0, 8) == std::string_view(kPngSignature, 8);
}

// An icon entry's device-independent bitmap: the colour rows, then a
// one-bit mask, both bottom-up, the header giving twice the height.
QImage decodeIconDib(std::string_view b)
{
    if (b.size() < 40) invalid("Icon image is not valid");
    const uint32_t headerSize = u32(b, 0);
    const int32_t width = i32(b, 4);
    const int32_t doubleHeight = i32(b, 8);
    const uint16_t bpp = u16(b, 14);
    const uint32_t compression = u32(b, 16);
    const uint32_t colorsUsed = u32(b, 32);
    if (headerSize < 40 || headerSize > b.size() || compression != 0 || width < 0 || doubleHeight < 0)
        invalid("Icon image is not valid");
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 24 && bpp != 32) invalid("Icon image is not valid");
    const int32_t height = doubleHeight / 2;
    if (width == 0 || height == 0) return {};
    CheckPictureSize(width, height);

    const int64_t paletteCount = bpp <= 8 ? (colorsUsed ? colorsUsed : (int64_t(1) << bpp)) : 0;
    if (paletteCount > 256) invalid("Icon image is not valid");
    const int64_t xorStride = (int64_t(width) * bpp + 31) / 32 * 4;
    const int64_t andStride = (int64_t(width) + 31) / 32 * 4;
    const int64_t xorAt = headerSize + paletteCount * 4;
    const int64_t andAt = xorAt + xorStride * height;
    if (andAt > int64_t(b.size())) invalid("Icon image is not valid");
    const bool hasMask = andAt + andStride * height <= int64_t(b.size());
    if (!hasMask && bpp != 32) invalid("Icon image is not valid");

    QImage image(width, height, QImage::Format_ARGB32);
    if (image.isNull()) invalid("Icon image is not valid");
    auto paletteColor = [&](uint32_t index) -> QRgb {
        if (index >= paletteCount) return qRgb(0, 0, 0);
        const size_t at = size_t(headerSize + index * 4);
        return qRgb(uint8_t(b[at + 2]), uint8_t(b[at + 1]), uint8_t(b[at]));
    };
    bool anyAlpha = false;
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const uint8_t*>(b.data() + xorAt + xorStride * (height - 1 - y));
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            switch (bpp) {
            case 1: out[x] = paletteColor((row[x / 8] >> (7 - x % 8)) & 1); break;
            case 4: out[x] = paletteColor((row[x / 2] >> (x % 2 ? 0 : 4)) & 0xF); break;
            case 8: out[x] = paletteColor(row[x]); break;
            case 24: out[x] = qRgb(row[x * 3 + 2], row[x * 3 + 1], row[x * 3]); break;
            default:
                out[x] = qRgba(row[x * 4 + 2], row[x * 4 + 1], row[x * 4], row[x * 4 + 3]);
                anyAlpha = anyAlpha || row[x * 4 + 3] != 0;
            }
        }
    }
    // A 32-bit icon with an all-zero alpha channel is an old one: its mask decides.
    if (bpp == 32 && !anyAlpha) {
        for (int y = 0; y < height; ++y) {
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x) out[x] |= 0xFF000000u;
        }
    }
    if (hasMask && !anyAlpha) {
        for (int y = 0; y < height; ++y) {
            const auto* mask = reinterpret_cast<const uint8_t*>(b.data() + andAt + andStride * (height - 1 - y));
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < width; ++x)
                if ((mask[x / 8] >> (7 - x % 8)) & 1) out[x] = 0;
        }
    }
    return image;
}

}  // namespace

void CheckPictureSize(int64_t width, int64_t height)
{
    if (width < 0 || height < 0) throw EInvalidGraphic("Picture size is not valid");
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        throw EInvalidGraphic("Picture too large (" + IntToStr(width) + " x " + IntToStr(height) + ")");
}

QImage DecodePng(std::string_view bytes)
{
    if (!isPng(bytes)) invalid("PNG image is not valid");
    PngSource src{bytes};
    QImage image;
    std::vector<png_bytep> rows;
    if (!readPng(src, image, rows)) throw EInvalidGraphic(std::string("PNG image is not valid: ") + src.message);
    return image;
}

QImage DecodeJpeg(std::string_view bytes)
{
    if (bytes.size() < 2 || uint8_t(bytes[0]) != 0xFF || uint8_t(bytes[1]) != 0xD8) invalid("JPEG image is not valid");
    QImage image;
    JpegErrorManager err;
    if (!readJpeg(bytes, image, err)) throw EInvalidGraphic(std::string("JPEG error: ") + err.message);
    return image;
}

QImage DecodeBmp(std::string_view bytes)
{
    if (bytes.size() < 26 || bytes.substr(0, 2) != "BM" || u32(bytes, 10) > bytes.size())
        invalid("Bitmap image is not valid");
    const uint32_t headerSize = u32(bytes, 14);
    int64_t width = 0;
    int64_t height = 0;
    if (headerSize == 12) {
        width = u16(bytes, 18);
        height = u16(bytes, 20);
    } else if (headerSize >= 16) {
        width = i32(bytes, 18);
        height = i32(bytes, 22);
        if (height < 0) height = -height;  // rows top-down
    } else {
        invalid("Bitmap image is not valid");
    }
    if (width == 0 || height == 0) return {};
    CheckPictureSize(width, height);
    QImage image;
    if (!image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "BMP"))
        invalid("Bitmap image is not valid");
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QImage DecodeIco(std::string_view bytes)
{
    if (bytes.size() < 6 || u16(bytes, 0) != 0 || (u16(bytes, 2) != 1 && u16(bytes, 2) != 2))
        invalid("Icon image is not valid");
    const int count = u16(bytes, 4);
    if (count == 0 || 6 + size_t(count) * 16 > bytes.size()) invalid("Icon image is not valid");
    int best = 0;
    auto side = [&](int entry, int at) { return uint8_t(bytes[6 + entry * 16 + at]) ? uint8_t(bytes[6 + entry * 16 + at]) : 256; };
    auto area = [&](int entry) { return side(entry, 0) * side(entry, 1); };
    auto depth = [&](int entry) { return u16(bytes, 6 + entry * 16 + 6); };
    for (int i = 1; i < count; ++i) {
        if (area(i) > area(best) || (area(i) == area(best) && depth(i) > depth(best))) best = i;
    }
    const uint32_t length = u32(bytes, 6 + best * 16 + 8);
    const uint32_t offset = u32(bytes, 6 + best * 16 + 12);
    if (offset > bytes.size() || length > bytes.size() - offset) invalid("Icon image is not valid");
    const std::string_view data = bytes.substr(offset, length);
    return isPng(data) ? DecodePng(data) : decodeIconDib(data);
}

std::string EncodeBmp(const QImage& image)
{
    if (image.isNull()) return {};
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    if (!writer.write(image)) throw EInvalidGraphic("Bitmap image is not valid");
    return std::string(out.constData(), static_cast<size_t>(out.size()));
}

bool IsCutEnhancedMetafile(std::string_view b)
{
    return b.size() >= 4 && b.size() < 108 && u32(b, 0) == 1 && (b.size() < 44 || u32(b, 40) == 0x464D4520);
}

TMetafileHeader ReadMetafileHeader(std::string_view b)
{
    TMetafileHeader h;
    if (b.size() < 88 && IsCutEnhancedMetafile(b)) invalid(kCutMetafileMessage);
    if (b.size() >= 88 && u32(b, 0) == 1 && u32(b, 40) == 0x464D4520) {
        // The frame is in hundredths of a millimetre, edges included.
        h.Enhanced = true;
        // A frame may span more than 2^31: the difference in 64 bits, held.
        auto span = [&](size_t high, size_t low) {
            const int64_t d = int64_t(i32(b, high)) - i32(b, low);
            return static_cast<int32_t>(std::clamp<int64_t>(d, 0, INT32_MAX));
        };
        h.Width = MulDiv(span(32, 24), 96, 2540);
        h.Height = MulDiv(span(36, 28), 96, 2540);
        return h;
    }
    if (b.size() >= 22 && u32(b, 0) == 0x9AC6CDD7) {
        uint16_t checksum = 0;
        for (size_t at = 0; at < 20; at += 2) checksum ^= u16(b, at);
        const int unitsPerInch = u16(b, 14);
        if (checksum != u16(b, 20) || unitsPerInch == 0) invalid("Metafile is not valid");
        auto s16 = [&](size_t at) { return static_cast<int16_t>(u16(b, at)); };
        h.Width = MulDiv(std::max(0, s16(10) - s16(6)), 96, unitsPerInch);
        h.Height = MulDiv(std::max(0, s16(12) - s16(8)), 96, unitsPerInch);
        return h;
    }
    invalid("Metafile is not valid");
}
