#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>

#include <filesystem>

#include "ScriptedUiServices.h"
#include "rpImageList.h"
#include "rpRes.h"
#include "rpUiServices.h"
#include "rpUtils.h"
#include "StringLists.h"

namespace {

std::vector<std::string> lines(const TStrings& list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
    return out;
}

std::vector<std::string> pages(std::string_view text, int count)
{
    TStringList out;
    ParsePageNumbers(text, &out, count);
    return lines(out);
}

using V = std::vector<std::string>;

// The bracketed text found from `start` (1-based), and where it ends.
using Found = std::pair<std::string, int>;
Found bracketed(const std::string& s, const char* open, const char* close, int start)
{
    int end = 0;
    std::string text = GetBracketedText(s, open, close, end, start);
    return {text, end};
}

}  // namespace

TEST(PageNumbers, RangesAndLists)
{
    EXPECT_EQ(pages(" 1, 3 ,5-7", 10), (V{"1", "3", "5", "6", "7"}));
    EXPECT_EQ(pages("5-3", 10), V{});
    EXPECT_EQ(pages("2-", 9), (V{"2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_EQ(pages("", 9), V{});
    EXPECT_EQ(pages("3,1,3", 9), (V{"3", "1", "3"}));
    // Huge ranges are clamped to the report.
    EXPECT_EQ(pages("1-999999999", 3), (V{"1", "2", "3"}));
    EXPECT_EQ(pages("0-2", 3), (V{"1", "2"}));
}

TEST(PageNumbers, BadPieceRaisesAndKeepsWhatCameBefore)
{
    TStringList out;
    EXPECT_THROW(ParsePageNumbers("1,2,,4", &out, 9), EConvertError);
    EXPECT_EQ(lines(out), (V{"1", "2"}));
    EXPECT_THROW(ParsePageNumbers("-3", &out, 9), EConvertError);
}

TEST(DelimitedText, ItemsMayBeEmptyButNoTrailingOne)
{
    TStringList list;
    list.Add("old");
    SetStringsFromDelimited("a;;b;", &list, ';');
    EXPECT_EQ(lines(list), (V{"a", "", "b"}));
    SetStringsFromDelimited("", &list, ';');
    EXPECT_EQ(list.Count(), 0);
}

TEST(BracketedText, NestingAndQuotes)
{
    int start = 3, end = 0;
    const std::string s = "a [b [c] d] e";
    EXPECT_EQ(GetBracketedText(s, "[", "]", end, start), "b [c] d");
    EXPECT_EQ(start, 3);
    EXPECT_EQ(end, 11);
    EXPECT_EQ(s[end - 1], ']');

    EXPECT_EQ(bracketed("[a ']' \"]\" b] c", "[", "]", 1), Found("a ']' \"]\" b", 13));
    // A quote of one kind inside a string of the other does not count.
    EXPECT_EQ(bracketed("[\"it's\"] x", "[", "]", 1).first, "\"it's\"");
}

TEST(BracketedText, MultiCharacterDelimitersAndMisses)
{
    EXPECT_EQ(bracketed("<%x%>", "<%", "%>", 1), (Found{"x", 5}));
    EXPECT_EQ(bracketed("a[b]", "[", "]", 1), (Found{"", 1}));
    EXPECT_EQ(bracketed("a[b]", "[", "]", 9).first, "");
    EXPECT_EQ(bracketed("[abc", "[", "]", 1), (Found{"ab", 4}));  // unclosed: to the end, not past it
    int start = 1, end = 0;
    EXPECT_EQ(GetBracketedTextW(u"[中[文]]", u"[", u"]", end, start), u"中[文]");
    EXPECT_EQ(end, 6);
}

TEST(Numbers, TolerantParsingAndPlainText)
{
    EXPECT_EQ(StrToFloatAnySep("1 234,5"), 1234.5L);
    EXPECT_EQ(StrToFloatAnySep("37.7953"), StrToFloatAnySep("37,7953"));
    EXPECT_THROW(StrToFloatAnySep("abc"), EConvertError);
    EXPECT_EQ(FloatToStrPlain(3), "3");
    EXPECT_EQ(FloatToStrPlain(2.5L), "2.50");
    // Below a tenth the leading zeros are zeros, not bytes from before the digits.
    EXPECT_EQ(FloatToStrPlain(0.05L), "0.05");
    EXPECT_EQ(FloatToStrPlain(-0.07L), "-0.07");
    EXPECT_EQ(FloatToStrPlain(0.004L), "0.00");
}

TEST(Areas, TouchingAreasDoNotIntersect)
{
    TrpRectArea a(0, 0, 10, 10), b(10, 0, 20, 10), c(9.99999L, 5, 20, 20), d(5, 5, 15, 15);
    EXPECT_FALSE(a.InterceptsX(b));
    EXPECT_FALSE(a.InterceptsX(c));
    EXPECT_TRUE(a.InterceptsX(d));
    EXPECT_TRUE(a.InterceptsY(d));
    TrpRectArea r(0, 0, 0, 0);
    ASSERT_TRUE(a.InterceptsArea(d, r));
    EXPECT_EQ(r.X, 5);
    EXPECT_EQ(r.X1, 10);
    EXPECT_EQ(r.Y, 0);
    EXPECT_FALSE(a.InterceptsArea(b, r));
}

TEST(Streams, CrcAndHex)
{
    TStringStream s("abc");
    s.Seek(1, soBeginning);
    EXPECT_EQ(StreamCRC32(s), 0x352441C2u);
    EXPECT_EQ(s.Position(), 1);
    EXPECT_EQ(StreamToHex(s), "616263");

    TMemoryStream m;
    HexToStream("00FFa0", m);
    EXPECT_EQ(m.Size(), 3);
    // A shorter text leaves no stale bytes behind.
    HexToStream("41424", m);
    EXPECT_EQ(StreamToHex(m), "4142");
    EXPECT_THROW(HexToStream("zz", m), EConvertError);
}

TEST(ErrorReporting, ByTheReportsErrorMode)
{
    LoadReportStringTable();
    gui::ScriptedUiServices ui;
    ui.setFailureHandler([](const QString& f) { ADD_FAILURE() << f.toStdString(); });
    ui.expectMessage(gui::MsgResult::Ok, "oops", "错误");
    gui::ScopedUi scope(ui);
    ReportError(simMessageBoxes, "oops");
    ReportError(simSilent, "quiet");
    EXPECT_THROW(ReportError(simReThrow, "again"), Exception);
    EXPECT_EQ(ui.pending(), 0);
    EXPECT_EQ(ui.messages(), QStringList{"oops"});
}

TEST(TempFiles, CreatedInTheFolder)
{
    const std::string dir = ::testing::TempDir();
    const std::string name = GetTempFileNameIn(dir);
    EXPECT_TRUE(std::filesystem::exists(name));
    EXPECT_EQ(std::filesystem::path(name).filename().string().substr(0, 2), "rp");
    std::filesystem::remove(name);
    EXPECT_FALSE(GetAppPath().empty());
    EXPECT_EQ(GetAppPath().back(), '/');
}

TEST(ImageStrips, CellsAlternateBetweenTwoLists)
{
    QImage strip(64, 32, QImage::Format_RGB32);
    strip.fill(Qt::magenta);
    {
        QPainter p(&strip);
        for (int i = 0; i < 8; ++i) p.fillRect((i % 4) * 16 + 4, (i / 4) * 16 + 4, 4, 4, QColor(i * 30, 0, 0));
    }
    TrpImageList first, second;
    AssignImagesFromStrip(strip, 16, 16, &second, first);
    ASSERT_EQ(first.Count(), 4);
    ASSERT_EQ(second.Count(), 4);
    EXPECT_EQ(qRed(second.Image(0).pixel(5, 5)), 30);
    EXPECT_EQ(qRed(first.Image(2).pixel(5, 5)), 120);
    EXPECT_EQ(qAlpha(first.Image(0).pixel(0, 0)), 0);

    QImage canvas(16, 16, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        const QImage cell = strip.copy(16, 0, 16, 16);
        DrawMaskedBitmap(p, 0, 0, &cell);
        DrawMaskedBitmap(p, 0, 0, nullptr);
    }
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::white));
    EXPECT_EQ(qRed(canvas.pixel(5, 5)), 30);
}

TEST(ImageStrips, TransparentPictureKeepsTheBackground)
{
    QImage pic(2, 1, QImage::Format_RGB32);
    pic.setPixelColor(0, 0, QColor(0, 0, 255));
    pic.setPixelColor(1, 0, QColor(0, 255, 0));
    QImage canvas(20, 10, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        // Blue in the platform's blue-green-red order.
        DrawPictureStretched(p, QRectF(0, 0, 20, 10), pic, 0xFF0000, true, false, false);
    }
    EXPECT_EQ(canvas.pixelColor(2, 5), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(17, 5), QColor(0, 255, 0));
}
