// Metafile pictures in rich text: the kept \pict group gives up its EMF or
// Windows metafile, and the picture draws in the document and in a report's
// format range.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <string>

#include "QtCanvas.h"
#include "RichTestSupport.h"
#include "rpRichEdit.h"

using namespace richtest;

namespace {

std::string ints(std::initializer_list<int32_t> values)
{
    std::string s;
    for (int32_t v : values)
        for (int i = 0; i < 4; ++i) s += char((uint32_t(v) >> (8 * i)) & 0xFF);
    return s;
}

// An EMF of 100 x 100 units filled red: header, brush, no pen, rectangle, end.
std::string redEmf()
{
    std::string body = ints({39, 24, 1, 0, 0x0000FF, 0}) + ints({37, 12, 1}) + ints({37, 12, int32_t(0x80000008)}) +
                       ints({43, 24, 0, 0, 100, 100}) + ints({14, 20, 0, 16, 20});
    return ints({1, 88, 0, 0, 99, 99, 0, 0, 2500, 2500, 0x464D4520, 0x10000, int32_t(88 + body.size()), 6, 2, 0,
                 0, 0, 1000, 1000, 250, 250}) +
           body;
}

std::string hex(const std::string& bytes)
{
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) out += {digits[c >> 4], digits[c & 15]};
    return out;
}

QByteArray metafileOf(const std::string& rtf)
{
    const auto doc = Read(rtf);
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().objectType() == rich::RichObjectType)
                return rich::PictureMetafile(it.fragment().charFormat());
    return {};
}

int redPixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) == qRgb(255, 0, 0);
    return n;
}

}  // namespace

TEST(RichMetafiles, TheKeptGroupGivesUpItsMetafile)
{
    const std::string emf = redEmf();
    const QByteArray expected(emf.data(), qsizetype(emf.size()));
    // Hex over several lines, with a nested group that is not picture data.
    EXPECT_EQ(metafileOf("{\\rtf1 {\\pict{\\*\\blipuid 0011223344}\\emfblip\\picw100\\pich100\\picwgoal1500"
                         "\\pichgoal1500\r\n" + hex(emf).insert(64, "\r\n") + "}}"),
              expected);
    // The same bytes after \bin.
    EXPECT_EQ(metafileOf("{\\rtf1 {\\pict\\emfblip\\bin" + std::to_string(emf.size()) + " " + emf + "}}"), expected);
    // A Windows metafile as rich text keeps it: without the placeable header.
    EXPECT_EQ(metafileOf("{\\rtf1 {\\pict\\wmetafile8\\picwgoal500\\pichgoal500 010009000003}}"),
              QByteArray::fromHex("010009000003"));
    // Other kept pictures are no metafiles.
    EXPECT_TRUE(metafileOf("{\\rtf1 {\\pict\\dibitmap0 28000000}}").isEmpty());
    EXPECT_TRUE(metafileOf("{\\rtf1 {\\pict\\macpict 0011}}").isEmpty());
}

TEST(RichMetafiles, ThePictureDrawsInTheDocumentAndInAReport)
{
    // A picture of 1500 twips (100 units) after a word.
    const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 Logo {\\pict\\emfblip\\picwgoal1500\\pichgoal1500 " +
                            hex(redEmf()) + "}\\par}";
    // The document's own drawing (the editor's).
    const auto doc = Read(rtf);
    QImage shown(300, 150, QImage::Format_RGB32);
    shown.fill(Qt::white);
    {
        QPainter painter(&shown);
        doc->drawContents(&painter);
    }
    EXPECT_GT(redPixels(shown), 90 * 90);
    EXPECT_LT(redPixels(shown), 101 * 101);

    // A report's format range at 600 dpi: the picture 625 pixels a side.
    TReRichEdit e;
    e.LoadRtf(rtf);
    QImage page(1500, 800, QImage::Format_RGB32);
    page.fill(Qt::white);
    {
        TQtCanvas canvas(page);
        TRichTarget target;
        target.canvas = &canvas;
        target.scaleX = target.scaleY = 600.0L / 1440;
        TFormatRange range;
        range.rc = Rect(0, 0, 4000, 1800);
        e.FormatRange(range, &target);
    }
    EXPECT_GT(redPixels(page), 620 * 620);
    EXPECT_LT(redPixels(page), 627 * 627);

    // A damaged metafile draws nothing, not even the frame of an unknown object.
    std::string cut = hex(redEmf());
    cut.resize(cut.size() - 16);
    const auto broken = Read("{\\rtf1 {\\pict\\emfblip\\picwgoal1500\\pichgoal1500 " + cut + "}}");
    QImage none(150, 150, QImage::Format_RGB32);
    none.fill(Qt::white);
    {
        QPainter painter(&none);
        broken->drawContents(&painter);
    }
    int marked = 0;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 150; ++x) marked += none.pixel(x, y) != qRgb(255, 255, 255);
    EXPECT_EQ(marked, 0);
}
