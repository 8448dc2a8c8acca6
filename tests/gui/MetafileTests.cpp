// The metafile player: records drawn where their mapping puts them, text
// in the pinned faces, bitmaps the right way up, the two real files of
// tests/gui/metafiles (made by LibreOffice from the SVG drawings beside
// them), bytes kept as read, and damaged files that draw nothing.
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "CoreClasses.h"
#include "MetafilePlayer.h"
#include "Pictures.h"
#include "QtCanvas.h"
#include "RecordingCanvas.h"

namespace {

void add16(std::string& s, uint16_t v)
{
    s += char(v & 0xFF);
    s += char(v >> 8);
}

void add32(std::string& s, uint32_t v)
{
    add16(s, uint16_t(v & 0xFFFF));
    add16(s, uint16_t(v >> 16));
}

void set32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + i] = char((v >> (8 * i)) & 0xFF);
}

std::string addFloat(float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    std::string s;
    add32(s, v);
    return s;
}

std::string ints(std::initializer_list<int32_t> values)
{
    std::string s;
    for (int32_t v : values) add32(s, uint32_t(v));
    return s;
}

std::string utf16(std::u16string_view text)
{
    std::string s;
    for (char16_t c : text) add16(s, c);
    return s;
}

// An enhanced metafile on a reference device of 4 pixels a millimetre:
// a logical unit of MM_TEXT is a quarter millimetre, and the frame spans
// width x height of them.
class Emf {
public:
    // The header may hold a description right after its 88 bytes, or the
    // two extensions (the second one giving the device in micrometres).
    Emf(int width, int height, std::u16string_view description = {}, int micrometres = 0)
    {
        const uint32_t headerSize = micrometres ? 108 : 88;
        add32(bytes_, 1);
        add32(bytes_, uint32_t(headerSize + description.size() * 2 + description.size() % 2 * 2));
        bytes_ += ints({0, 0, width - 1, height - 1, 0, 0, width * 25, height * 25});
        add32(bytes_, 0x464D4520);
        add32(bytes_, 0x10000);
        bytes_ += ints({0, 0});      // size and record count, set at the end
        add16(bytes_, 8);            // handles
        add16(bytes_, 0);
        bytes_ += ints({int32_t(description.size()), description.empty() ? 0 : int32_t(headerSize)});
        bytes_ += ints({0, 1000, 1000, 250, 250});
        if (micrometres) bytes_ += ints({0, 0, 0, micrometres, micrometres});
        bytes_ += utf16(description);
        if (description.size() % 2) bytes_ += std::string(2, '\0');
    }

    Emf& rec(uint32_t type, const std::string& payload)
    {
        add32(bytes_, type);
        add32(bytes_, uint32_t(8 + payload.size() + (4 - payload.size() % 4) % 4));
        bytes_ += payload;
        bytes_.append((4 - payload.size() % 4) % 4, '\0');
        ++records_;
        return *this;
    }
    Emf& rec(uint32_t type, std::initializer_list<int32_t> values) { return rec(type, ints(values)); }

    // Common records.
    Emf& brush(uint32_t handle, uint32_t rgb, int style = 0) { return rec(39, {int32_t(handle), style, int32_t(rgb), 0}).select(handle); }
    Emf& pen(uint32_t handle, int style, int width, uint32_t rgb) { return rec(38, {int32_t(handle), style, width, 0, int32_t(rgb)}).select(handle); }
    Emf& select(uint32_t handle) { return rec(37, {int32_t(handle)}); }
    Emf& nullPen() { return select(0x80000008); }
    Emf& rectangle(int l, int t, int r, int b) { return rec(43, {l, t, r, b}); }

    std::string bytes() const
    {
        std::string out = bytes_;
        const std::string eof = ints({14, 20, 0, 16, 20});
        out += eof;
        set32(out, 48, uint32_t(out.size()));
        set32(out, 52, records_ + 2);
        return out;
    }

private:
    std::string bytes_;
    uint32_t records_ = 0;
};

// A placeable Windows metafile whose box is width x height units at
// `inch` units per inch, or a bare one without the placeable header.
class Wmf {
public:
    explicit Wmf(int width = 0, int height = 0, int inch = 1440)
    {
        if (width > 0) {
            add32(placeable_, 0x9AC6CDD7);
            add16(placeable_, 0);
            for (int v : {0, 0, width, height}) add16(placeable_, uint16_t(v));
            add16(placeable_, uint16_t(inch));
            add32(placeable_, 0);
            uint16_t sum = 0;
            for (size_t at = 0; at < 20; at += 2) sum ^= uint16_t(uint8_t(placeable_[at]) | uint8_t(placeable_[at + 1]) << 8);
            add16(placeable_, sum);
        }
    }

    Wmf& rec(uint16_t function, const std::string& params)
    {
        std::string p = params;
        if (p.size() % 2) p += '\0';
        add32(records_, uint32_t(3 + p.size() / 2));
        add16(records_, function);
        records_ += p;
        return *this;
    }
    Wmf& rec(uint16_t function, std::initializer_list<int> words)
    {
        std::string p;
        for (int w : words) add16(p, uint16_t(w));
        return rec(function, p);
    }
    Wmf& brush(uint32_t rgb)
    {
        std::string p;
        add16(p, 0);
        add32(p, rgb);
        add16(p, 0);
        rec(0x02FC, p);
        return rec(0x012D, {objects_++});
    }
    // An object any record makes takes the next slot of the table.
    Wmf& object(uint16_t function, const std::string& params)
    {
        ++objects_;
        return rec(function, params);
    }
    Wmf& nullPen()
    {
        rec(0x02FA, {5, 0, 0, 0, 0});
        return rec(0x012D, {objects_++});
    }

    std::string bytes() const
    {
        std::string header;
        for (int v : {1, 9, 0x300}) add16(header, uint16_t(v));
        add32(header, 0);
        add16(header, uint16_t(objects_ + 1));
        add32(header, 0);
        add16(header, 0);
        std::string out = placeable_ + header + records_;
        out += std::string("\x03\x00\x00\x00\x00\x00", 6);
        return out;
    }

private:
    std::string placeable_;
    std::string records_;
    int objects_ = 0;
};

QImage render(const std::string& bytes, int width, int height, QRectF rect = {})
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    PlayMetafile(bytes, painter, rect.isNull() ? QRectF(0, 0, width, height) : rect);
    painter.end();
    return image;
}

bool allWhite(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != qRgb(255, 255, 255)) return false;
    return true;
}

// Within a few steps of each channel: smoothed edges and JPEG-free colours.
bool near(QRgb a, QRgb b, int tolerance = 8)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

constexpr QRgb kWhite = 0xFFFFFFFF;
constexpr uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000;  // COLORREFs

std::string readFile(const char* name)
{
    QFile f(QString(METAFILE_TEST_DATA "/") + name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    const QByteArray data = f.readAll();
    return std::string(data.constData(), size_t(data.size()));
}

class Metafiles : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        registerCoreClasses();
        registerCanvasClasses();
        registerPictureClasses();
    }
    static void TearDownTestSuite()
    {
        unregisterPictureClasses();
        unregisterCanvasClasses();
        unregisterCoreClasses();
    }
};

}  // namespace

// ---- geometry

TEST_F(Metafiles, ShapesLandWhereTheFrameMapsThem)
{
    Emf emf(100, 100);
    emf.nullPen().brush(1, kRed).rectangle(0, 0, 50, 50).brush(2, kBlue).rec(42, {50, 50, 100, 100});
    const std::string bytes = emf.bytes();
    EXPECT_EQ(MetafileFormat(bytes), TMetafileFormat::Enhanced);
    EXPECT_TRUE(MetafileIsPlayable(bytes));
    // Twice the size: each logical unit two pixels.
    const QImage big = render(bytes, 200, 200);
    EXPECT_EQ(big.pixel(20, 20), qRgb(255, 0, 0));
    EXPECT_EQ(big.pixel(98, 98), qRgb(255, 0, 0));
    EXPECT_EQ(big.pixel(102, 20), kWhite);
    EXPECT_EQ(big.pixel(150, 150), qRgb(0, 0, 255));
    EXPECT_EQ(big.pixel(106, 106), kWhite);  // outside the ellipse, inside its box
    // Stretched into a wide rectangle away from the origin.
    const QImage wide = render(bytes, 300, 100, QRectF(100, 50, 200, 50));
    EXPECT_EQ(wide.pixel(150, 60), qRgb(255, 0, 0));
    EXPECT_EQ(wide.pixel(95, 60), kWhite);
    EXPECT_EQ(wide.pixel(150, 45), kWhite);
    EXPECT_EQ(wide.pixel(250, 88), qRgb(0, 0, 255));
}

TEST_F(Metafiles, TheHeaderExtensionsOnlyWhereTheDescriptionLeavesThem)
{
    // The frame is 25 mm across; the reference device has 4 pixels a
    // millimetre, or 2 by the micrometres of the second extension, in which
    // case the picture is 50 device pixels wide and a square of 50 fills it.
    auto drawn = [](Emf emf) {
        emf.nullPen().brush(1, kRed).rectangle(0, 0, 50, 50);
        const QImage image = render(emf.bytes(), 100, 100);
        return image.pixel(75, 75) == qRgb(255, 0, 0) ? "whole" : image.pixel(25, 25) == qRgb(255, 0, 0) ? "quarter" : "none";
    };
    EXPECT_STREQ(drawn(Emf(100, 100)), "quarter");
    EXPECT_STREQ(drawn(Emf(100, 100, {}, 500000)), "whole");
    // A description right after the base header, as fig2dev writes it: the
    // bytes where the extensions would be are its text.
    EXPECT_STREQ(drawn(Emf(100, 100, u"Converted from box.fig using fig2dev")), "quarter");
    EXPECT_STREQ(drawn(Emf(100, 100, u"0123456789")), "quarter");  // a header of 108 bytes

    // fig2dev's own file: a blue circle over a dashed rectangle, an open
    // triangle and a line of text, on a frame of about 9 x 9 cm.
    const std::string fig = readFile("fig2dev.emf");
    EXPECT_TRUE(MetafileIsPlayable(fig));
    const QImage image = render(fig, 340, 330);
    int blue = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) blue += image.pixel(x, y) == qRgb(0, 0, 255);
    // The circle, about a quarter of the picture's width across.
    EXPECT_GT(blue, 3000);
    EXPECT_EQ(image.pixel(113, 113), qRgb(0, 0, 255));
}

TEST_F(Metafiles, MappingModesAndWorldTransforms)
{
    struct Case {
        const char* what;
        std::vector<std::pair<uint32_t, std::string>> records;
    };
    const std::vector<Case> cases = {
        // A window of 1000 units shown in a viewport of 100 pixels.
        {"anisotropic", {{17, ints({8})}, {9, ints({1000, 1000})}, {11, ints({100, 100})}, {43, ints({0, 0, 500, 500})}}},
        // Tenths of a millimetre, y up: 125 of them are 50 pixels down.
        {"lometric", {{17, ints({2})}, {43, ints({0, 0, 125, -125})}}},
        // A world scaled by a half, then moved by nothing.
        {"world", {{35, addFloat(0.5f) + addFloat(0) + addFloat(0) + addFloat(0.5f) + addFloat(0) + addFloat(0)},
                   {36, addFloat(1) + addFloat(0) + addFloat(0) + addFloat(1) + addFloat(0) + addFloat(0) + ints({2})},
                   {43, ints({0, 0, 100, 100})}}},
        // A window moved so that the square's far corner is at the origin.
        {"origin", {{10, ints({-50, -50})}, {43, ints({-50, -50, 0, 0})}}},
    };
    for (const Case& c : cases) {
        Emf emf(100, 100);
        emf.nullPen().brush(1, kRed);
        for (const auto& [type, payload] : c.records) emf.rec(type, payload);
        const QImage image = render(emf.bytes(), 100, 100);
        EXPECT_EQ(image.pixel(10, 10), qRgb(255, 0, 0)) << c.what;
        EXPECT_EQ(image.pixel(45, 45), qRgb(255, 0, 0)) << c.what;
        EXPECT_EQ(image.pixel(60, 10), kWhite) << c.what;
        EXPECT_EQ(image.pixel(10, 60), kWhite) << c.what;
    }
    // A transform that cannot be inverted is refused, as the platform does.
    Emf singular(100, 100);
    singular.nullPen().brush(1, kRed)
        .rec(35, addFloat(0) + addFloat(0) + addFloat(0) + addFloat(0) + addFloat(0) + addFloat(0))
        .rectangle(0, 0, 50, 50);
    EXPECT_EQ(render(singular.bytes(), 100, 100).pixel(10, 10), qRgb(255, 0, 0));
}

TEST_F(Metafiles, PathsCurvesAndHoles)
{
    // A circle of four Bezier quarters, filled: its middle, not its corners.
    const int k = 28;  // 50 * 0.5523
    Emf circle(100, 100);
    circle.nullPen().brush(1, kGreen).rec(59, {}).rec(27, {100, 50})
        .rec(5, {0, 0, 0, 0, 12, 100, 50 + k, 50 + k, 100, 50, 100, 50 - k, 100, 0, 50 + k, 0, 50, 0, 50 - k,
                 50 - k, 0, 50, 0, 50 + k, 0, 100, 50 - k, 100, 50})
        .rec(61, {}).rec(60, {}).rec(62, {0, 0, 100, 100});
    const QImage c = render(circle.bytes(), 100, 100);
    EXPECT_EQ(c.pixel(50, 50), qRgb(0, 255, 0));
    EXPECT_EQ(c.pixel(95, 50), qRgb(0, 255, 0));
    EXPECT_EQ(c.pixel(8, 8), kWhite);
    EXPECT_EQ(c.pixel(92, 92), kWhite);

    // Two squares, one in the other, both turning the same way: a hole
    // under the alternate rule, filled under winding.
    const std::initializer_list<int32_t> squares = {0, 0, 100, 100, 2, 8, 4, 4, 0, 0, 100, 0, 100, 100, 0, 100,
                                                    30, 30, 70, 30, 70, 70, 30, 70};
    for (int mode : {1, 2}) {
        Emf emf(100, 100);
        emf.nullPen().brush(1, kBlue).rec(19, {mode}).rec(8, squares);
        const QImage image = render(emf.bytes(), 100, 100);
        EXPECT_EQ(image.pixel(10, 50), qRgb(0, 0, 255)) << mode;
        EXPECT_EQ(image.pixel(50, 50), mode == 1 ? kWhite : qRgb(0, 0, 255)) << mode;
    }
    // From the bottom, a line to where the upper half of a circle starts,
    // the half, and back: a half disc over a triangle.
    Emf arcTo(100, 100);
    arcTo.nullPen().brush(1, kRed).rec(59, {}).rec(27, {50, 100}).rec(55, {0, 0, 100, 100, 100, 50, 0, 50})
        .rec(61, {}).rec(60, {}).rec(62, {0, 0, 100, 100});
    const QImage half = render(arcTo.bytes(), 100, 100);
    EXPECT_EQ(half.pixel(50, 20), qRgb(255, 0, 0));
    EXPECT_EQ(half.pixel(50, 80), qRgb(255, 0, 0));
    EXPECT_EQ(half.pixel(15, 80), kWhite);
    // A pie from the right to the top, counter-clockwise: the upper right quarter.
    Emf pie(100, 100);
    pie.nullPen().brush(1, kRed).rec(47, {0, 0, 100, 100, 100, 50, 50, 0});
    const QImage p = render(pie.bytes(), 100, 100);
    EXPECT_EQ(p.pixel(70, 30), qRgb(255, 0, 0));
    EXPECT_EQ(p.pixel(30, 30), kWhite);
    EXPECT_EQ(p.pixel(70, 70), kWhite);
}

TEST_F(Metafiles, ClipStatesAndTheCallersCanvas)
{
    Emf emf(100, 100);
    emf.nullPen().brush(1, kRed).rec(33, {}).rec(30, {0, 0, 50, 100}).rectangle(0, 0, 100, 50)
        .rec(34, {-1}).brush(2, kGreen).rectangle(0, 60, 100, 100);
    QImage image(100, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TQtCanvas canvas(image);
        canvas.Pen()->SetColor(clNavy);
        canvas.Brush()->SetColor(clYellow);
        canvas.Font()->SetName("Courier New");
        canvas.SetClipRect(TRect{0, 0, 100, 90});
        PlayMetafile(emf.bytes(), canvas, QRectF(0, 0, 100, 100));
        // The caller's tools and clip come back.
        EXPECT_EQ(canvas.Pen()->Color(), clNavy);
        EXPECT_EQ(canvas.Brush()->Color(), clYellow);
        EXPECT_EQ(canvas.Font()->Name(), "Courier New");
        ASSERT_TRUE(canvas.ClipRect());
        EXPECT_EQ(*canvas.ClipRect(), (TRect{0, 0, 100, 90}));
    }
    EXPECT_EQ(image.pixel(20, 20), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(70, 20), kWhite);               // clipped
    EXPECT_EQ(image.pixel(70, 70), qRgb(0, 255, 0));      // the clip was restored
    EXPECT_EQ(image.pixel(70, 95), kWhite);               // the caller's clip held
    // Nothing beyond the picture's rectangle, whatever the records say.
    Emf outside(100, 100);
    outside.nullPen().brush(1, kRed).rectangle(-50, -50, 150, 150);
    const QImage inner = render(outside.bytes(), 100, 100, QRectF(25, 25, 50, 50));
    EXPECT_EQ(inner.pixel(50, 50), qRgb(255, 0, 0));
    EXPECT_EQ(inner.pixel(20, 50), kWhite);
    EXPECT_EQ(inner.pixel(50, 80), kWhite);
}

TEST_F(Metafiles, BitmapsKeepTheirRowsAndRasterOperations)
{
    // 2 x 2 pixels, 24 bits; rows bottom-up unless the height is negative.
    auto dib = [](bool topDown) {
        std::string info = ints({40, 2, topDown ? -2 : 2});
        add16(info, 1);
        add16(info, 24);
        info += ints({0, 16, 0, 0, 0, 0});
        // Top row red, white; bottom row blue, green (BGR bytes).
        const std::string top("\x00\x00\xFF\xFF\xFF\xFF\x00\x00", 8), bottom("\xFF\x00\x00\x00\xFF\x00\x00\x00", 8);
        return std::pair{info, topDown ? top + bottom : bottom + top};
    };
    auto stretch = [](const std::string& info, const std::string& bits, uint32_t rop) {
        // bounds, dest x y, source x y w h, offsets, usage, rop, dest w h
        std::string p = ints({0, 0, 99, 99, 0, 0, 0, 0, 2, 2, 80, int32_t(info.size()), 80 + int32_t(info.size()),
                              int32_t(bits.size()), 0, int32_t(rop), 100, 100});
        return p + info + bits;
    };
    for (bool topDown : {false, true}) {
        const auto [info, bits] = dib(topDown);
        Emf emf(100, 100);
        emf.rec(81, stretch(info, bits, 0x00CC0020));
        const QImage image = render(emf.bytes(), 100, 100);
        EXPECT_TRUE(near(image.pixel(10, 10), qRgb(255, 0, 0))) << topDown;
        EXPECT_TRUE(near(image.pixel(90, 10), qRgb(255, 255, 255))) << topDown;
        EXPECT_TRUE(near(image.pixel(10, 90), qRgb(0, 0, 255))) << topDown;
        EXPECT_TRUE(near(image.pixel(90, 90), qRgb(0, 255, 0))) << topDown;
    }
    // A mask ANDed in leaves the destination where it is white.
    const auto [info, bits] = dib(false);
    Emf masked(100, 100);
    masked.nullPen().brush(1, kGreen).rectangle(0, 0, 100, 100).rec(81, stretch(info, bits, 0x008800C6));
    const QImage image = render(masked.bytes(), 100, 100);
    EXPECT_TRUE(near(image.pixel(90, 10), qRgb(0, 255, 0)));
    EXPECT_TRUE(near(image.pixel(10, 10), qRgb(255, 0, 0)));
    // A placeable metafile's picture, the same way up.
    std::string wmfParams;
    add32(wmfParams, 0x00CC0020);
    for (int v : {0, 2, 2, 0, 0, 100, 100, 0, 0}) add16(wmfParams, uint16_t(v));
    Wmf wmf(100, 100, 96);
    wmf.rec(0x0F43, wmfParams + info + bits);
    const QImage w = render(wmf.bytes(), 100, 100);
    EXPECT_TRUE(near(w.pixel(10, 10), qRgb(255, 0, 0)));
    EXPECT_TRUE(near(w.pixel(90, 90), qRgb(0, 255, 0)));
}

TEST_F(Metafiles, TextTakesThePinnedFaceAtTheMappedSize)
{
    // "Hi" in Arial of a 20-unit em, baseline-aligned at (10, 60), advances 12 and 8.
    auto font = [](int escapement) {
        std::string p = ints({1, -20, 0, escapement, 0, 700});
        p += std::string("\0\0\0\0\0\0\0\0", 8);  // italic .. pitch: charset 0
        std::string face = utf16(u"Arial");
        face.resize(64, '\0');
        return p + face;
    };
    auto text = [](std::u16string_view s) {
        const int32_t count = int32_t(s.size());
        std::string p = ints({0, 0, 0, 0, 1, 0, 0, 10, 60, count, 76, 0, 0, 0, 0, 0, 76 + 2 * count + (count % 2) * 2});
        std::string chars = utf16(s);
        if (count % 2) chars += std::string(2, '\0');
        return p + chars + ints({12, 8});
    };
    for (int escapement : {0, 900}) {
        Emf emf(100, 100);
        emf.rec(82, font(escapement)).select(1).rec(22, {24}).rec(24, {int32_t(kBlue)}).rec(18, {1}).rec(84, text(u"Hi"));
        TRecordingCanvas canvas(96);
        PlayMetafile(emf.bytes(), canvas, QRectF(0, 0, 200, 200));
        std::vector<TCanvasRecord> texts;
        for (const TCanvasRecord& r : canvas.Records())
            if (r.kind == TCanvasRecord::ExtTextOut) texts.push_back(r);
        ASSERT_EQ(texts.size(), 1u);
        const TCanvasRecord& r = texts[0];
        EXPECT_EQ(r.text, u"Hi");
        EXPECT_EQ(r.fontName, "Arial");
        EXPECT_EQ(r.fontHeight, -40);  // twice the size
        EXPECT_TRUE(r.fontStyle.Contains(fsBold));
        EXPECT_EQ(r.fontColor, clBlue);
        EXPECT_EQ(r.fontEscapement, escapement);
        EXPECT_EQ(r.dx, (std::vector<int>{24, 16}));
        // The baseline at y 120 (x 20 when turned up): the cell's top is an ascent above it.
        if (escapement == 0) {
            EXPECT_EQ(r.points[0].X, 20);
            EXPECT_LT(r.points[0].Y, 120);
            EXPECT_GT(r.points[0].Y, 120 - 40);
        } else {
            EXPECT_EQ(r.points[0].Y, 120);
            EXPECT_LT(r.points[0].X, 20);
            EXPECT_GT(r.points[0].X, 20 - 40);
        }
    }
    // Text of a Windows metafile in its font's character set (GB2312).
    std::string font16;
    for (int v : {-20, 0, 0, 0, 400}) add16(font16, uint16_t(v));
    font16 += std::string("\0\0\0\x86\0\0\0\0", 8);
    font16 += std::string("\xCB\xCE\xCC\xE5\0", 5);  // 宋体
    std::string textout;
    add16(textout, 4);
    textout += "\xBF\xEC\xB5\xDD";  // 快递
    for (int v : {30, 10}) add16(textout, uint16_t(v));
    Wmf wmf(100, 100, 96);
    wmf.rec(0x02FB, font16).rec(0x012D, {0}).rec(0x0102, {1}).rec(0x0521, textout);
    TRecordingCanvas canvas(96);
    PlayMetafile(wmf.bytes(), canvas, QRectF(0, 0, 100, 100));
    const auto drawn = std::find_if(canvas.Records().begin(), canvas.Records().end(),
                                    [](const TCanvasRecord& r) { return r.kind == TCanvasRecord::ExtTextOut; });
    ASSERT_NE(drawn, canvas.Records().end());
    EXPECT_EQ(drawn->text, u"快递");
    EXPECT_EQ(drawn->fontName, "宋体");
    // And drawn: dark pixels where the characters stand.
    const QImage image = render(wmf.bytes(), 100, 100);
    int dark = 0;
    for (int y = 30; y < 55; ++y)
        for (int x = 10; x < 55; ++x) dark += qGray(image.pixel(x, y)) < 128;
    EXPECT_GT(dark, 20);
}

TEST_F(Metafiles, WindowsMetafilesShowTheirWindow)
{
    // A box of 1000 x 500 units whose window says the same: a quarter of it red.
    Wmf placeable(1000, 500, 1000);
    placeable.rec(0x020B, {0, 0}).rec(0x020C, {500, 1000}).nullPen().brush(kRed).rec(0x041B, {250, 500, 0, 0});
    const QImage a = render(placeable.bytes(), 200, 100);
    EXPECT_EQ(a.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(a.pixel(90, 40), qRgb(255, 0, 0));
    EXPECT_EQ(a.pixel(110, 10), kWhite);
    EXPECT_EQ(a.pixel(10, 60), kWhite);
    // A bare one without a window is shown by what it draws.
    Wmf bare;
    bare.nullPen().brush(kGreen).rec(0x041B, {200, 200, 100, 100}).brush(kBlue).rec(0x041B, {300, 300, 200, 200});
    const std::string bytes = bare.bytes();
    EXPECT_EQ(MetafileFormat(bytes), TMetafileFormat::Windows);
    const QImage b = render(bytes, 100, 100);
    EXPECT_EQ(b.pixel(10, 10), qRgb(0, 255, 0));
    EXPECT_EQ(b.pixel(90, 90), qRgb(0, 0, 255));
    EXPECT_EQ(b.pixel(90, 10), kWhite);
    // Lines: a pen five units wide across the middle.
    Wmf lines(100, 100, 96);
    lines.rec(0x02FA, {0, 5, 0, 0, 0}).rec(0x012D, {0}).rec(0x0214, {50, 0}).rec(0x0213, {50, 100});
    const QImage l = render(lines.bytes(), 100, 100);
    EXPECT_EQ(l.pixel(50, 50), qRgb(0, 0, 0));
    EXPECT_EQ(l.pixel(50, 48), qRgb(0, 0, 0));
    EXPECT_EQ(l.pixel(50, 52), qRgb(0, 0, 0));
    EXPECT_EQ(l.pixel(50, 45), kWhite);
}

TEST_F(Metafiles, TheRealFilesDraw)
{
    // logo.svg: an orange disc with a blue triangle at the left, "Tarvex" in
    // blue, a red rule, a red and blue chequered bitmap at the right.
    const std::string logo = readFile("logo.wmf");
    ASSERT_EQ(MetafileFormat(logo), TMetafileFormat::Placeable);
    ASSERT_TRUE(MetafileIsPlayable(logo));
    TPicture picture;
    TStringStream in(logo);
    ASSERT_EQ(LoadPictureFromStream(picture, in, true), 0);
    const int w = picture.Width() * 2, h = picture.Height() * 2;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TQtCanvas canvas(image);
        picture.Graphic()->Draw(canvas, Rect(0, 0, w, h));
    }
    auto at = [&](double fx, double fy) { return image.pixel(int(fx * w), int(fy * h)); };
    EXPECT_TRUE(near(at(0.185, 0.80), qRgb(0xFF, 0x99, 0x00))) << std::hex << at(0.185, 0.80);  // disc
    EXPECT_TRUE(near(at(0.185, 0.55), qRgb(0x00, 0x33, 0x99))) << std::hex << at(0.185, 0.55);  // triangle
    EXPECT_TRUE(near(at(0.50, 0.90), kWhite));
    int red = 0, blue = 0, text = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = int(0.75 * w); x < w; ++x) {
            red += near(image.pixel(x, y), qRgb(255, 0, 0), 30);
            blue += near(image.pixel(x, y), qRgb(0, 0, 255), 30);
        }
        for (int x = int(0.35 * w); x < int(0.7 * w); ++x) text += near(image.pixel(x, y), qRgb(0x00, 0x33, 0x99), 40);
    }
    EXPECT_GT(red, 500);
    EXPECT_GT(blue, 500);
    EXPECT_GT(text, 500);

    // The same drawing as an EMF looks the same.
    const QImage emf = render(readFile("logo.emf"), w, h);
    int same = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) same += near(image.pixel(x, y), emf.pixel(x, y), 40);
    EXPECT_GT(same, w * h * 90 / 100);

    // chart.svg: six bars on a grey ground, a pie at the right.
    const std::string chart = readFile("chart.emf");
    const QImage c = render(chart, 600, 400);
    EXPECT_TRUE(near(c.pixel(20, 380), qRgb(0xF4, 0xF4, 0xF4)));
    int colours[6] = {};
    const QRgb bars[6] = {qRgb(0x1f, 0x77, 0xb4), qRgb(0xff, 0x7f, 0x0e), qRgb(0x2c, 0xa0, 0x2c),
                          qRgb(0xd6, 0x27, 0x28), qRgb(0x94, 0x67, 0xbd), qRgb(0x8c, 0x56, 0x4b)};
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 600; ++x)
            for (int i = 0; i < 6; ++i) colours[i] += c.pixel(x, y) == bars[i];
    for (int i = 0; i < 6; ++i) EXPECT_GT(colours[i], 1000) << i;
}

TEST_F(Metafiles, BytesStayAsRead)
{
    for (const char* name : {"logo.wmf", "logo.emf", "chart.emf"}) {
        const std::string bytes = readFile(name);
        TPicture picture;
        picture.LoadFromFile(METAFILE_TEST_DATA "/" + std::string(name));
        ASSERT_NE(picture.Graphic(), nullptr);
        TStringStream out;
        picture.Graphic()->SaveToStream(out);
        EXPECT_EQ(out.DataString(), bytes) << name;
        const std::unique_ptr<TGraphic> copy = picture.Graphic()->Clone();
        TStringStream again;
        copy->SaveToStream(again);
        EXPECT_EQ(again.DataString(), bytes) << name;
        // Drawing changes nothing of them.
        render(bytes, 50, 50);
        TStringStream after;
        picture.Graphic()->SaveToStream(after);
        EXPECT_EQ(after.DataString(), bytes) << name;
    }
}

TEST_F(Metafiles, DamagedFilesDrawNothing)
{
    Emf good(100, 100);
    good.nullPen().brush(1, kRed).rectangle(0, 0, 100, 100);
    const std::string valid = good.bytes();
    ASSERT_FALSE(allWhite(render(valid, 20, 20)));
    const size_t last = valid.size() - 20;  // the EOF record
    struct Case {
        const char* what;
        std::string bytes;
    };
    std::vector<Case> cases;
    cases.push_back({"cut in a record", valid.substr(0, last - 6)});
    cases.push_back({"cut in the header", valid.substr(0, 60)});
    std::string zero = valid;
    set32(zero, last + 4, 0);
    cases.push_back({"record of size 0", zero});
    std::string odd = valid;
    set32(odd, last + 4, 22);
    cases.push_back({"size not of whole words", odd});
    std::string past = valid;
    set32(past, last + 4, 4000);
    cases.push_back({"record past the end", past});
    // A record of 26 bytes: the chain reaches the end record, but off the
    // word boundaries every record keeps.
    std::string unaligned = Emf(100, 100).nullPen().brush(1, kRed).bytes();
    unaligned.insert(unaligned.size() - 20, ints({43, 26, 0, 0, 100, 100}) + std::string(2, '\0'));
    cases.push_back({"record size not a multiple of 4", unaligned});
    // Windows metafiles.
    Wmf wmfGood(100, 100, 96);
    wmfGood.nullPen().brush(kRed).rec(0x041B, {100, 100, 0, 0});
    const std::string wmf = wmfGood.bytes();
    ASSERT_FALSE(allWhite(render(wmf, 20, 20)));
    cases.push_back({"wmf cut", wmf.substr(0, wmf.size() - 10)});
    std::string wmfPast = wmf;
    set32(wmfPast, wmf.size() - 6 - 14, 0x7FFFFFF0);
    cases.push_back({"wmf record past the end", wmfPast});
    for (const Case& c : cases) {
        EXPECT_FALSE(MetafileIsPlayable(c.bytes)) << c.what;
        EXPECT_TRUE(allWhite(render(c.bytes, 40, 40))) << c.what;
        // Through the picture classes too, on every kind of canvas.
        TPicture picture;
        TStringStream in(c.bytes);
        try {
            if (LoadPictureFromStream(picture, in, true) != 0 || !picture.Graphic()) continue;
        } catch (const EInvalidGraphic&) {
            continue;
        }
        TRecordingCanvas recording;
        picture.Graphic()->Draw(recording, Rect(0, 0, 40, 40));
        EXPECT_TRUE(recording.Records().empty()) << c.what;
    }
}

TEST_F(Metafiles, DamagedRecordsArePassedOver)
{
    // A record whose contents run past its own size, between a red square
    // at the left and a green one at the right: the record is refused, the
    // squares drawn.
    auto emf = [](uint32_t type, std::initializer_list<int32_t> damaged) {
        Emf e(100, 100);
        e.nullPen().brush(1, kRed).rectangle(0, 0, 40, 100).brush(2, kBlue).rec(type, damaged);
        return e.brush(3, kGreen).rectangle(60, 0, 100, 100).bytes();
    };
    // Without the brush placeholder a damaged object record leaves, the
    // red brush would take the pattern brush's slot and the selection of
    // slot 1 would find nothing.
    std::string shortBitmap;
    add16(shortBitmap, 5);  // BS_DIBPATTERNPT
    add16(shortBitmap, 0);
    shortBitmap += ints({40, 8, 8});  // a BITMAPINFOHEADER cut after its size
    auto wmf = [](uint16_t function, const std::string& damaged, bool object) {
        Wmf w(100, 100, 96);
        w.nullPen();
        if (object)
            w.object(function, damaged);
        else
            w.brush(kBlue).rec(function, damaged);
        return w.brush(kRed).rec(0x041B, {100, 40, 0, 0}).brush(kGreen).rec(0x041B, {100, 100, 0, 60}).bytes();
    };
    auto words = [](std::initializer_list<int> values) {
        std::string p;
        for (int v : values) add16(p, uint16_t(v));
        return p;
    };
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        // Four points said, three given: the fourth would be read from the
        // record after it.
        {"polygon list past its record", emf(3, {0, 0, 100, 100, 4, 45, 0, 55, 0, 55, 100})},
        {"polygon count", emf(3, {0, 0, 0, 0, 0x7FFFFFFF, 1, 2})},
        {"figure count", emf(8, {0, 0, 0, 0, 0x40000000, 2, 1, 1})},
        {"figure sizes", emf(8, {0, 0, 0, 0, 2, 2, 3, 0x7FFFFFFF, 0, 0, 1, 1})},
        {"text beyond", emf(84, {0, 0, 0, 0, 1, 0, 0, 0, 0, 100, 76, 0, 0, 0, 0, 0, 0})},
        {"bitmap beyond", emf(81, {0, 0, 0, 0, 0, 0, 0, 0, 2, 2, 80, 40, 120, 1 << 30, 0, 0xCC0020, 10, 10})},
        {"region count", emf(74, {0, 0, 0, 0, 32, 32, 1, 0x10000000, 0, 0, 0, 0, 0})},
        {"wmf pattern brush with a short bitmap", wmf(0x0142, shortBitmap, true)},
        {"wmf polygon count", wmf(0x0324, words({30000, 50, 0, 50, 100}), false)},
        {"wmf polypolygon", wmf(0x0538, words({3, 2, 2}), false)},
        {"wmf text", wmf(0x0521, words({200, 1}), false)},
    };
    for (const Case& c : cases) {
        const TMetafileCheck check = CheckMetafile(c.bytes);
        EXPECT_TRUE(check.Playable) << c.what;
        EXPECT_EQ(check.DamagedRecords, 1u) << c.what;
        const QImage image = render(c.bytes, 100, 100);
        EXPECT_EQ(image.pixel(20, 50), qRgb(255, 0, 0)) << c.what;
        EXPECT_EQ(image.pixel(80, 50), qRgb(0, 255, 0)) << c.what;
        EXPECT_EQ(image.pixel(50, 50), kWhite) << c.what;
    }
    // A sound file has no damaged record.
    const TMetafileCheck sound = CheckMetafile(readFile("chart.emf"));
    EXPECT_TRUE(sound.Playable);
    EXPECT_EQ(sound.DamagedRecords, 0u);
}

TEST_F(Metafiles, PolyPolygonsOfWindowsMetafiles)
{
    // Two triangles in one record, and a square with a square hole.
    auto words = [](std::initializer_list<int> values) {
        std::string p;
        for (int v : values) add16(p, uint16_t(v));
        return p;
    };
    Wmf two(100, 100, 96);
    two.nullPen().brush(kBlue).rec(0x0538, words({2, 3, 3, 0, 0, 40, 0, 0, 40, 100, 100, 60, 100, 100, 60}));
    const QImage a = render(two.bytes(), 100, 100);
    EXPECT_EQ(a.pixel(10, 10), qRgb(0, 0, 255));
    EXPECT_EQ(a.pixel(90, 90), qRgb(0, 0, 255));
    EXPECT_EQ(a.pixel(50, 50), kWhite);
    EXPECT_EQ(a.pixel(90, 10), kWhite);
    Wmf holed(100, 100, 96);
    holed.nullPen().brush(kBlue).rec(0x0538, words({2, 4, 4, 0, 0, 100, 0, 100, 100, 0, 100, 30, 30, 70, 30, 70, 70, 30, 70}));
    const QImage b = render(holed.bytes(), 100, 100);
    EXPECT_EQ(b.pixel(10, 50), qRgb(0, 0, 255));
    EXPECT_EQ(b.pixel(50, 50), kWhite);
}

TEST_F(Metafiles, HostileValuesDrawWithinBounds)
{
    // Records that hold together but ask for absurd things: they draw what
    // they can, inside the picture, and the rest of the file still draws.
    const std::vector<std::pair<uint32_t, std::string>> hostile = {
        {35, addFloat(NAN) + addFloat(0) + addFloat(0) + addFloat(1) + addFloat(0) + addFloat(0)},   // NaN world
        {35, addFloat(1e30f) + addFloat(0) + addFloat(0) + addFloat(1e30f) + addFloat(0) + addFloat(0)},
        {9, ints({0, 0})},                                               // an empty window
        {38, ints({5, 0, 0x7FFFFFFF, 0, 0xFF})},                         // a pen wider than anything
        {37, ints({5})},
        {43, ints({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX})},
        {42, ints({INT32_MIN, 0, INT32_MAX, 10})},
        {47, ints({0, 0, 0, 0, 5, 5, 5, 5})},                            // a pie of no size
        {37, ints({int32_t(0xFFFFFFFF)})},                               // handles nobody made
        {40, ints({int32_t(0x80000010)})},
        {34, ints({-1000})},                                             // restore with nothing saved
        {34, ints({5})},
        {34, ints({INT32_MIN})},
        {27, ints({INT32_MAX, INT32_MAX})},
        {2, ints({0, 0, 0, 0, 4, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX})},
        {36, addFloat(1) + addFloat(0) + addFloat(0) + addFloat(1) + addFloat(0) + addFloat(0) + ints({1})},
    };
    Emf emf(100, 100);
    for (const auto& [type, payload] : hostile) emf.rec(type, payload);
    // A font of a million units, and a bitmap that claims 30000 x 30000 pixels.
    std::string font = ints({1, -1000000, 0, 0, 0, 400, 0, 0});
    font += std::string(64, '\0');
    emf.rec(82, font).select(1).rec(84, ints({0, 0, 0, 0, 1, 0, 0, 10, 10, 1, 76, 0, 0, 0, 0, 0, 0}) + utf16(u"X") + "\0\0");
    std::string huge = ints({40, 30000, 30000});
    add16(huge, 1);
    add16(huge, 24);
    huge += ints({0, 0, 0, 0, 0, 0});
    emf.rec(81, ints({0, 0, 0, 0, 0, 0, 0, 0, 30000, 30000, 80, 40, 120, 4, 0, 0xCC0020, 100, 100}) + huge + "abcd");
    emf.nullPen().brush(2, kGreen).rec(35, addFloat(1) + addFloat(0) + addFloat(0) + addFloat(1) + addFloat(0) + addFloat(0))
        .rec(9, ints({100, 100})).rectangle(40, 40, 60, 60);
    const std::string bytes = emf.bytes();
    EXPECT_TRUE(MetafileIsPlayable(bytes));
    QImage image(300, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        PlayMetafile(bytes, painter, QRectF(100, 100, 100, 100));
    }
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            if (x < 99 || y < 99 || x > 200 || y > 200) {
                ASSERT_EQ(image.pixel(x, y), kWhite) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(image.pixel(150, 150), qRgb(0, 255, 0));
}
