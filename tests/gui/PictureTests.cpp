// Picture formats, the probing loader, transparency and the bitmap canvas.
// Fixtures are made with Qt's own writers, so that our decoders are checked
// against a second implementation.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include <functional>
#include <random>

#include "CoreClasses.h"
#include "Pictures.h"
#include "QtCanvas.h"

namespace {

std::string encode(const QImage& image, const char* format)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    EXPECT_TRUE(writer.write(image)) << format;
    return out.toStdString();
}

// A 4 x 3 picture with a distinct colour per pixel and one transparent pixel.
QImage sample(QImage::Format format = QImage::Format_ARGB32)
{
    QImage image(4, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) image.setPixel(x, y, qRgba(x * 60, y * 100, 200 - x * 40, 255));
    image.setPixel(3, 0, qRgba(0, 0, 0, 0));
    return image.convertToFormat(format);
}

void put16(std::string& s, size_t at, uint16_t v)
{
    s[at] = char(v & 0xFF);
    s[at + 1] = char(v >> 8);
}

void put32(std::string& s, size_t at, uint32_t v)
{
    put16(s, at, uint16_t(v & 0xFFFF));
    put16(s, at + 2, uint16_t(v >> 16));
}

// Header of an enhanced metafile whose frame is 2540 x 1270 hundredths of a
// millimetre (96 x 48 pixels), followed by padding.
std::string emf(size_t size = 120)
{
    std::string s(size, '\0');
    put32(s, 0, 1);
    put32(s, 4, 108);
    put32(s, 32, 2540);
    put32(s, 36, 1270);
    put32(s, 40, 0x464D4520);
    return s;
}

// A placeable metafile header: box 0,0 - 1440,720 at 1440 units per inch
// (96 x 48 pixels), and a few bytes of body.
std::string wmf()
{
    std::string s(30, '\0');
    put32(s, 0, 0x9AC6CDD7);
    put16(s, 10, 1440);
    put16(s, 12, 720);
    put16(s, 14, 1440);
    uint16_t sum = 0;
    for (size_t at = 0; at < 20; at += 2) sum ^= uint16_t(uint8_t(s[at]) | (uint8_t(s[at + 1]) << 8));
    put16(s, 20, sum);
    return s;
}

// A 2 x 2 icon of 24-bit colours whose mask makes the top-left pixel transparent.
std::string maskedIcon()
{
    const int stride = 8;      // 2 pixels * 3 bytes, padded to 4
    const int maskStride = 4;  // 2 bits, padded to 4 bytes
    std::string dib(40 + stride * 2 + maskStride * 2, '\0');
    put32(dib, 0, 40);
    put32(dib, 4, 2);
    put32(dib, 8, 4);
    put16(dib, 12, 1);
    put16(dib, 14, 24);
    // Bottom row first: blue, green; then red, white.
    const uint8_t rows[2][6] = {{255, 0, 0, 0, 255, 0}, {0, 0, 255, 255, 255, 255}};
    for (int r = 0; r < 2; ++r)
        for (int i = 0; i < 6; ++i) dib[40 + r * stride + i] = char(rows[r][i]);
    dib[40 + 2 * stride + maskStride] = char(0x80);  // top row, first pixel
    std::string ico(6 + 16, '\0');
    put16(ico, 2, 1);
    put16(ico, 4, 1);
    ico[6] = 2;
    ico[7] = 2;
    put16(ico, 6 + 6, 24);
    put32(ico, 6 + 8, uint32_t(dib.size()));
    put32(ico, 6 + 12, 22);
    return ico + dib;
}

uint32_t crc32(std::string_view data)
{
    uint32_t crc = 0xFFFFFFFF;
    for (char ch : data) {
        crc ^= uint8_t(ch);
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    return ~crc;
}

// The PNG with other sides in its header (and the header's checksum mended).
std::string pngSized(std::string png, uint32_t width, uint32_t height)
{
    for (int i = 0; i < 4; ++i) {
        png[16 + i] = char(width >> (24 - 8 * i));
        png[20 + i] = char(height >> (24 - 8 * i));
    }
    const uint32_t crc = crc32(std::string_view(png).substr(12, 17));
    for (int i = 0; i < 4; ++i) png[29 + i] = char(crc >> (24 - 8 * i));
    return png;
}

std::string graphicField(const std::string& data, uint32_t length)
{
    std::string h(8, '\0');
    put16(h, 0, 1);
    put16(h, 2, 0x0100);
    put32(h, 4, length);
    return h + data;
}

std::string saved(const TGraphic& graphic)
{
    TStringStream out;
    graphic.SaveToStream(out);
    return out.DataString();
}

void writeFile(const std::string& name, const std::string& bytes)
{
    TFileStream file(name, fmCreate);
    file.WriteString(bytes);
}

std::string className(const TPicture& picture)
{
    return picture.Graphic() ? picture.Graphic()->ClassName() : "";
}

class Pictures : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        core_ = GetClass("TFont") == nullptr;
        canvases_ = GetClass("TCanvas") == nullptr;
        if (core_) registerCoreClasses();
        if (canvases_) registerCanvasClasses();
        registerPictureClasses();
    }
    static void TearDownTestSuite()
    {
        unregisterPictureClasses();
        if (canvases_) unregisterCanvasClasses();
        if (core_) unregisterCoreClasses();
    }
    static inline bool core_ = false;
    static inline bool canvases_ = false;
};

// A stream whose end, as a seek from the end reports it, lies before its
// real end: how the picture cache shows one picture of a shared stream.
class LogicalEndStream : public TMemoryStream {
public:
    int64_t logicalEnd = 0;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override
    {
        if (origin == soEnd && offset == 0 && logicalEnd) return TMemoryStream::Seek(logicalEnd, soBeginning);
        return TMemoryStream::Seek(offset, origin);
    }
};

}  // namespace

// ---- the probing loader

TEST_F(Pictures, ProbeMatrix)
{
    const std::string png = encode(sample(), "PNG");
    const std::string bmp = encode(sample(QImage::Format_RGB32), "BMP");
    const std::string ico = encode(sample(), "ICO");
    std::string emf99 = emf(99);
    struct Case {
        const char* name;
        std::string data;
        int32_t result;
        const char* graphic;
    } cases[] = {
        {"bare PNG", png, 0, "TPNGObject"},
        {"PNG behind a graphic-field header", graphicField(png, uint32_t(png.size())), 0, "TPNGObject"},
        {"header with a wrong length", graphicField(png, uint32_t(png.size() + 1)), E_INVALIDARG, ""},
        {"BMP", bmp, 0, "TBitmap"},
        {"ten bytes starting BM", "BMxxxxxxxx", E_INVALIDARG, ""},
        {"EMF signature at 40", emf(), 0, "TMetafile"},
        {"placeable metafile", wmf(), 0, "TMetafile"},
        {"icon", ico, 0, "TIcon"},
        {"empty", "", E_INVALIDARG, ""},
        {"unknown", std::string(40, 'z'), E_INVALIDARG, ""},
    };
    for (const Case& c : cases) {
        TPicture picture;
        picture.SetGraphic(std::make_unique<TBitmap>());
        TStringStream stream(c.data);
        EXPECT_EQ(LoadPictureFromStream(picture, stream, true), c.result) << c.name;
        EXPECT_EQ(className(picture), c.graphic) << c.name;
    }
    // Short of 100 bytes an EMF is no metafile; its second word 0 makes it
    // an icon, which the icon decoder refuses: as a metafile cut short.
    struct Rejected {
        const char* name;
        std::string data;
        const char* message;
    } rejected[] = {
        {"FF D8 is a JPEG", "\xFF\xD8xxxxxxxx", nullptr},
        {"EMF of 99 bytes", emf99, kCutMetafileMessage},
        {"EMF cut before its signature", emf().substr(0, 30), kCutMetafileMessage},
        {"icon cut in its directory", ico.substr(0, 12), "Icon image is not valid"},
        {"type 1 but no EMF signature", std::string("\x01\0\0\0", 4) + std::string(60, 'z'), "Icon image is not valid"},
    };
    for (const Rejected& c : rejected) {
        TPicture picture;
        picture.SetGraphic(std::make_unique<TBitmap>());
        TStringStream stream(c.data);
        try {
            LoadPictureFromStream(picture, stream, true);
            ADD_FAILURE() << c.name;
        } catch (const EInvalidGraphic& e) {
            if (c.message) EXPECT_STREQ(e.what(), c.message) << c.name;
        }
        EXPECT_EQ(picture.Graphic(), nullptr) << c.name;
    }
    // By its file name too, however short.
    for (size_t size : {size_t(20), size_t(60)}) {
        TMetafile metafile;
        TStringStream stream(emf().substr(0, size));
        try {
            metafile.LoadFromStream(stream);
            ADD_FAILURE() << size;
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), kCutMetafileMessage) << size;
        }
    }
}

TEST_F(Pictures, LoaderStartsAtThePositionAndStopsAtTheLogicalEnd)
{
    const std::string first = encode(sample(), "PNG");
    const std::string second = encode(sample().scaled(8, 6), "PNG");
    LogicalEndStream stream;
    stream.WriteString("junk" + first + second);
    stream.logicalEnd = int64_t(4 + first.size());
    stream.SetPosition(4);
    TPicture picture;
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    ASSERT_EQ(LoadPictureFromStream(picture, stream, false), 0);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(saved(*picture.Graphic()), first);
}

TEST_F(Pictures, DecodersAgreeWithQt)
{
    const QImage argb = sample();
    QImage flat(32, 16, QImage::Format_RGB32);
    flat.fill(QColor(200, 40, 90));
    struct Case {
        const char* name;
        std::string data;
        std::function<QImage(std::string_view)> decode;
        QImage expected;
        int tolerance = 0;
    } cases[] = {
        {"PNG with alpha", encode(argb, "PNG"), DecodePng, argb},
        {"PNG palette", encode(argb.convertToFormat(QImage::Format_Indexed8), "PNG"), DecodePng,
         argb.convertToFormat(QImage::Format_Indexed8).convertToFormat(QImage::Format_ARGB32)},
        {"PNG grey", encode(argb.convertToFormat(QImage::Format_Grayscale8), "PNG"), DecodePng,
         argb.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_ARGB32)},
        {"BMP 24", encode(argb.convertToFormat(QImage::Format_RGB32), "BMP"), DecodeBmp,
         argb.convertToFormat(QImage::Format_RGB32)},
        {"ICO 32", encode(argb, "ICO"), DecodeIco, argb},
        {"JPEG", encode(flat, "JPEG"), DecodeJpeg, flat, 6},
        {"JPEG grey", encode(flat.convertToFormat(QImage::Format_Grayscale8), "JPEG"), DecodeJpeg,
         flat.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32), 6},
    };
    for (const Case& c : cases) {
        const QImage got = c.decode(c.data);
        ASSERT_EQ(got.size(), c.expected.size()) << c.name;
        for (int y = 0; y < got.height(); ++y)
            for (int x = 0; x < got.width(); ++x) {
                const QRgb a = got.pixel(x, y), b = c.expected.pixel(x, y);
                // Fully transparent pixels have no colour to compare.
                if (qAlpha(a) == 0 && qAlpha(b) == 0) continue;
                for (int shift : {0, 8, 16, 24})
                    EXPECT_NEAR(int(a >> shift & 0xFF), int(b >> shift & 0xFF), c.tolerance)
                        << c.name << " at " << x << "," << y;
            }
    }
}

TEST_F(Pictures, IconMaskMakesPixelsTransparent)
{
    const QImage icon = DecodeIco(maskedIcon());
    ASSERT_EQ(icon.size(), QSize(2, 2));
    EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
    EXPECT_EQ(icon.pixel(1, 0), qRgb(255, 255, 255));
    EXPECT_EQ(icon.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(icon.pixel(1, 1), qRgb(0, 255, 0));
}

TEST_F(Pictures, BrokenDataRaisesOrLoadsNeverCrashes)
{
    std::mt19937 random(7);
    const std::string sources[] = {encode(sample(), "PNG"), encode(QImage(64, 64, QImage::Format_RGB32), "JPEG"),
                                   encode(sample(QImage::Format_RGB32), "BMP"), encode(sample(), "ICO"),
                                   maskedIcon(), emf(), wmf()};
    for (const std::string& good : sources) {
        std::vector<std::string> broken;
        for (size_t cut : {size_t(1), size_t(7), size_t(13), size_t(30), good.size() / 2, good.size() - 1})
            if (cut < good.size()) broken.push_back(good.substr(0, cut));
        for (size_t at = 0; at < good.size(); at += 3) {
            std::string flipped = good;
            flipped[at] = char(~flipped[at]);
            broken.push_back(flipped);
        }
        for (int i = 0; i < 200; ++i) {
            std::string mutated = good;
            for (int n = 0; n < 4; ++n) mutated[random() % mutated.size()] = char(random());
            broken.push_back(mutated);
        }
        for (const std::string& data : broken) {
            TPicture picture;
            TStringStream stream(data);
            try {
                LoadPictureFromStream(picture, stream, true);
            } catch (const EInvalidGraphic&) {
                EXPECT_EQ(picture.Graphic(), nullptr);
            }
        }
    }
}

TEST_F(Pictures, AbsurdSizesAreRefusedBeforeDecoding)
{
    std::string bmp = encode(sample(QImage::Format_RGB32), "BMP");
    put32(bmp, 18, 100000);
    std::string jpeg = encode(QImage(8, 8, QImage::Format_RGB32), "JPEG");
    const size_t sof = jpeg.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    jpeg[sof + 5] = char(0xFF);  // height 0xFFxx
    jpeg[sof + 7] = char(0xFF);  // width 0xFFxx
    std::string ico = maskedIcon();
    put32(ico, 22 + 4, 70000);
    const std::string png = encode(sample(), "PNG");
    EXPECT_EQ(DecodePng(pngSized(png, 4, 3)).size(), QSize(4, 3));  // the mended checksum holds
    EXPECT_THROW(DecodePng(pngSized(png, 40000, 2)), EInvalidGraphic);
    EXPECT_THROW(DecodePng(pngSized(png, 20000, 20000)), EInvalidGraphic);
    EXPECT_THROW(DecodeBmp(bmp), EInvalidGraphic);
    EXPECT_THROW(DecodeJpeg(jpeg), EInvalidGraphic);
    EXPECT_THROW(DecodeIco(ico), EInvalidGraphic);
}

TEST_F(Pictures, ZeroSizedPictureIsEmpty)
{
    std::string bmp = encode(sample(QImage::Format_RGB32), "BMP");
    put32(bmp, 18, 0);
    TPicture picture;
    TStringStream stream(bmp);
    ASSERT_EQ(LoadPictureFromStream(picture, stream, true), 0);
    EXPECT_TRUE(picture.Graphic()->Empty());
    EXPECT_EQ(saved(*picture.Graphic()), bmp);
    // Drawing it leaves the canvas as it was.
    QImage target(4, 4, QImage::Format_RGB32);
    target.fill(Qt::red);
    TQtCanvas canvas(target);
    picture.Graphic()->Draw(canvas, Rect(0, 0, 4, 4));
    EXPECT_EQ(target.pixel(1, 1), qRgb(255, 0, 0));
}

// ---- stored format

TEST_F(Pictures, SavingWritesTheBytesThatWereRead)
{
    const std::string files[] = {encode(sample(), "PNG"), encode(sample(QImage::Format_RGB32), "JPEG"),
                                 encode(sample(QImage::Format_RGB32), "BMP"), encode(sample(), "ICO"), emf(), wmf()};
    for (const std::string& bytes : files) {
        TPicture picture;
        TStringStream in(bytes);
        ASSERT_EQ(LoadPictureFromStream(picture, in, true), 0);
        EXPECT_EQ(saved(*picture.Graphic()), bytes) << className(picture);
        TPicture copy;
        copy.Assign(&picture);
        EXPECT_EQ(saved(*copy.Graphic()), bytes) << className(picture);
    }
}

TEST_F(Pictures, PictureFilesByExtension)
{
    QTemporaryDir dir;
    const std::string png = dir.filePath("a.PNG").toStdString();
    writeFile(png, encode(sample(), "PNG"));
    TPicture picture;
    picture.LoadFromFile(png);
    EXPECT_EQ(className(picture), "TPNGObject");
    const std::string wmfName = dir.filePath("b.wmf").toStdString();
    picture.SaveToFile(dir.filePath("c.png").toStdString());
    writeFile(wmfName, wmf());
    picture.LoadFromFile(wmfName);
    EXPECT_EQ(picture.Width(), 96);
    EXPECT_EQ(picture.Height(), 48);

    try {
        picture.LoadFromFile(dir.filePath("d.gif").toStdString());
        FAIL();
    } catch (const EInvalidGraphic& e) {
        EXPECT_STREQ(e.what(), "Unknown picture file extension (.gif)");
    }
    // A file that does not decode leaves the picture as it was.
    const std::string bad = dir.filePath("e.jpg").toStdString();
    writeFile(bad, "\xFF\xD8 nothing");
    EXPECT_THROW(picture.LoadFromFile(bad), EInvalidGraphic);
    EXPECT_EQ(className(picture), "TMetafile");
}

// ---- metafiles

TEST_F(Pictures, MetafilesWithoutRecordsDrawNothing)
{
    // A header and zeros: no record holds together, so nothing is drawn
    // (no placeholder either), and the bytes load and stay.
    TPicture picture;
    TStringStream stream(emf());
    LoadPictureFromStream(picture, stream, true);
    EXPECT_TRUE(static_cast<TMetafile*>(picture.Graphic())->Enhanced());
    QImage target(20, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        TQtCanvas canvas(target);
        picture.Graphic()->Draw(canvas, Rect(0, 0, 20, 10));
    }
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) EXPECT_EQ(target.pixel(x, y), qRgb(255, 255, 255));
    EXPECT_EQ(saved(*picture.Graphic()), emf());
    std::string badSum = wmf();
    badSum[20] = char(badSum[20] ^ 1);
    EXPECT_THROW(ReadMetafileHeader(badSum), EInvalidGraphic);
}

TEST_F(Pictures, MetafileFramesBeyondTheIntegerRangeAreHeld)
{
    // Left edges near -2^31 and right ones near 2^31: spans past the
    // 32-bit range are held at it, a frame turned inside out is empty.
    std::string wide = emf();
    put32(wide, 24, 0x80000100);
    put32(wide, 28, 0x80000100);
    put32(wide, 32, 0x7FFFFF00);
    put32(wide, 36, 1270);
    const TMetafileHeader h = ReadMetafileHeader(wide);
    EXPECT_EQ(h.Width, MulDiv(INT32_MAX, 96, 2540));
    EXPECT_EQ(h.Height, MulDiv(INT32_MAX, 96, 2540));
    std::string reversed = emf();
    put32(reversed, 24, 0x7FFFFFFF);
    put32(reversed, 32, 0x80000000);
    EXPECT_EQ(ReadMetafileHeader(reversed).Width, 0);
}

TEST_F(Pictures, MetafileCanvasRecordsAScaledDrawing)
{
    TMetafile metafile;
    {
        TMetafileCanvas canvas(&metafile, 0);
        canvas.Brush()->SetColor(clRed);
        canvas.FillRect(Rect(0, 0, 5, 5));
    }
    EXPECT_EQ(metafile.Width(), 5);
    QImage target(20, 20, QImage::Format_RGB32);
    target.fill(Qt::white);
    QPainter painter(&target);
    metafile.Draw(painter, QRectF(10, 10, 10, 10));
    painter.end();
    EXPECT_EQ(target.pixel(18, 18), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(8, 8), qRgb(255, 255, 255));
    EXPECT_THROW(saved(metafile), EInvalidGraphicOperation);
}

TEST_F(Pictures, TransparentPixelsLeaveTheBackground)
{
    TBitmap bitmap;
    bitmap.SetSize(4, 4);
    bitmap.Canvas()->Brush()->SetColor(clBlue);
    bitmap.Canvas()->FillRect(Rect(0, 0, 2, 4));  // left half blue, right half white
    QImage target(4, 4, QImage::Format_RGB32);
    auto drawOnRed = [&] {
        target.fill(Qt::red);
        TQtCanvas canvas(target);
        bitmap.Draw(canvas, Rect(0, 0, 4, 4));
    };
    drawOnRed();
    EXPECT_EQ(target.pixel(3, 1), qRgb(255, 255, 255));
    bitmap.SetTransparent(true);  // the bottom-left pixel's colour: blue
    drawOnRed();
    EXPECT_EQ(target.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(3, 1), qRgb(255, 255, 255));
    bitmap.SetTransparentColor(clWhite);
    drawOnRed();
    EXPECT_EQ(target.pixel(0, 1), qRgb(0, 0, 255));
    EXPECT_EQ(target.pixel(3, 1), qRgb(255, 0, 0));
    // A caller's colour, whatever the graphic's own setting.
    bitmap.SetTransparent(false);
    target.fill(Qt::red);
    TQtCanvas canvas(target);
    DrawGraphicStretched(canvas, Rect(0, 0, 4, 4), bitmap, clBlue, true);
    EXPECT_EQ(target.pixel(0, 1), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(3, 1), qRgb(255, 255, 255));
}

TEST_F(Pictures, BitmapCanvasDrawsIntoTheBitmapAcrossResizes)
{
    TBitmap bitmap;
    TCanvas* canvas = bitmap.Canvas();
    canvas->Rectangle(0, 0, 3, 3);  // empty bitmap: nothing happens
    bitmap.SetWidth(4);
    EXPECT_EQ(bitmap.Width(), 4);
    EXPECT_TRUE(bitmap.Empty());
    bitmap.SetHeight(3);
    canvas->SetPixel(1, 1, clRed);
    EXPECT_EQ(canvas->Pixel(1, 1), clRed);
    bitmap.SetSize(6, 5);
    EXPECT_EQ(bitmap.Canvas(), canvas);
    EXPECT_EQ(canvas->Pixel(1, 1), clRed);
    EXPECT_EQ(canvas->Pixel(5, 4), clWhite);
    EXPECT_EQ(canvas->Pixel(6, 4), clNone);
    canvas->SetPixel(5, 4, clLime);
    EXPECT_EQ(bitmap.Image().pixel(5, 4), qRgb(0, 255, 0));
    EXPECT_THROW(bitmap.SetSize(100000, 1), EInvalidGraphic);
}

TEST_F(Pictures, DrawingOnALoadedBitmapSavesTheNewPixels)
{
    const std::string bmp = encode(sample(QImage::Format_RGB32), "BMP");
    TBitmap bitmap;
    TStringStream in(bmp);
    bitmap.LoadFromStream(in);
    EXPECT_EQ(bitmap.PixelFormat(), pf24bit);
    EXPECT_EQ(saved(bitmap), bmp);
    int changes = 0;
    bitmap.OnChange = [&](TObject*) { ++changes; };
    bitmap.Canvas()->SetPixel(0, 0, clRed);
    EXPECT_EQ(changes, 1);
    const std::string after = saved(bitmap);
    EXPECT_NE(after, bmp);
    const QImage reread = DecodeBmp(after);
    EXPECT_EQ(reread.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(reread.pixel(2, 1), bitmap.Image().pixel(2, 1));
}

TEST_F(Pictures, PictureFollowsItsGraphicAndCopiesOnAssign)
{
    TBitmap source;
    source.SetSize(2, 2);
    TPicture picture;
    picture.SetGraphic(&source);
    int changes = 0;
    picture.OnChange = [&](TObject*) { ++changes; };
    static_cast<TBitmap*>(picture.Graphic())->Canvas()->SetPixel(0, 0, clRed);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(source.Canvas()->Pixel(0, 0), clWhite);  // a copy was taken

    TBitmap fromPng;
    TPNGObject png;
    TStringStream in(encode(sample(), "PNG"));
    png.LoadFromStream(in);
    fromPng.Assign(&png);
    EXPECT_EQ(fromPng.Canvas()->Pixel(3, 0), clWhite);  // transparent pixel on white
    EXPECT_EQ(fromPng.Canvas()->Pixel(0, 0), RGB(0, 0, 200));
    EXPECT_THROW(png.Assign(&fromPng), EConvertError);
    EXPECT_THROW(png.SetWidth(3), EInvalidGraphicOperation);
}

TEST_F(Pictures, ClassesAreVisibleThroughTheRegistry)
{
    EXPECT_EQ(GetClass("TPNGObject")->ClassParent(), GetClass("TGraphic"));
    EXPECT_EQ(GetClass("TMetafileCanvas")->ClassParent(), GetClass("TCanvas"));
    std::unique_ptr<TObject> made(GetClass("TBitmap")->Create());
    SetOrdProp(made.get(), "Width", 7);
    EXPECT_NE(GetObjectProp(made.get(), "Canvas"), nullptr);
    TPicture picture;
    picture.SetGraphic(static_cast<TBitmap*>(made.get()));
    EXPECT_EQ(GetOrdProp(&picture, "Width"), 7);
    EXPECT_FALSE(GetPropInfo(&picture, "Width")->IsWritable());
    EXPECT_FALSE(GetPropInfo(&picture, "Width")->IsStored(&picture));
}
