// Format range with a pinned font (Courier New is Liberation Mono): the
// height a report measures, fitting and splitting by whole lines, drawing
// that cuts where measuring cut, and the length units Qt's layout takes.
#include <gtest/gtest.h>

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QTextBlock>
#include <QTextLayout>

#include <climits>
#include <cmath>

#include "QtCanvas.h"
#include "RecordingCanvas.h"
#include "RichTestSupport.h"
#include "rpRichEdit.h"

using namespace richtest;

namespace {

std::string Mono(const std::string& body)
{
    return "{\\rtf1{\\fonttbl{\\f0 Courier New;}}\\f0\\fs20 " + body + "}";
}

// Paragraphs of numbered words, long enough to wrap, one word bold in each.
std::string LongText(int paragraphs)
{
    std::string body;
    for (int p = 0; p < paragraphs; ++p) {
        for (int w = 0; w < 30; ++w) body += (w == 7 ? "{\\b w" : "w") + std::to_string(p * 100 + w) + (w == 7 ? "} " : " ");
        body += "\\par ";
    }
    return Mono(body);
}

// The layout's own lines at the width last formatted.
std::vector<qreal> LineHeights(const QTextDocument& doc)
{
    std::vector<qreal> heights;
    doc.documentLayout()->documentSize();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        for (int i = 0; i < b.layout()->lineCount(); ++i) heights.push_back(b.layout()->lineAt(i).height());
    return heights;
}

int Twips(qreal units)
{
    return static_cast<int>(std::ceil(units * 15 - 1e-6));
}

// Splits the text into pages of a height; each part as its own RTF.
std::vector<std::string> Split(TReRichEdit& e, int width, int height, std::vector<int>* starts = nullptr)
{
    std::vector<std::string> parts;
    int cp = 0;
    const int len = e.GetTextLen();
    while (cp < len) {
        const int next = Format(e, cp, width, height);
        if (next <= cp) ADD_FAILURE() << "no progress at " << cp;
        if (next <= cp) break;
        if (starts) starts->push_back(cp);
        e.SetSelStart(cp);
        e.SetSelLength(next - cp);
        parts.push_back(e.SaveRtf(true));
        cp = next;
    }
    return parts;
}

QString RawText(const std::string& rtf)
{
    return Read(rtf)->toRawText();
}

}  // namespace

TEST(RichLayout, LengthsAreReportUnits)
{
    TReRichEdit e;
    e.LoadRtf(Mono("\\li720\\fi-360 a\\tab b\\par\\pard\\sb300\\tqr\\tx1440 x\\tab y\\par\\pard a\\tab{\\pict\\pngblip\\picwgoal1500\\pichgoal750 00}"));
    Format(e, 0, 9000, 100000);
    const QTextDocument& doc = e.Document();
    const QTextBlock first = doc.begin();
    EXPECT_EQ(first.layout()->lineAt(0).x(), 24);             // li + fi = 360 twips
    const QTextBlock second = first.next();
    // The space before (300 twips) lies between the paragraphs.
    EXPECT_EQ(second.layout()->position().y() - doc.documentLayout()->blockBoundingRect(first).bottom(), 20);
    EXPECT_EQ(second.layout()->lineAt(0).cursorToX(3), 96);   // right stop at 1440
    EXPECT_EQ(second.next().layout()->lineAt(0).cursorToX(2), 48);  // the default stop at 720
    const QTextLine picture = second.next().layout()->lineAt(0);
    EXPECT_EQ(picture.cursorToX(3) - picture.cursorToX(2), 100);
    EXPECT_GE(picture.height(), 50);
}

TEST(RichLayout, HeightAsAReportMeasuresIt)
{
    TReRichEdit e;
    e.LoadRtf(LongText(3));
    const int width = 5000;
    const int64_t sum = e.MeasureTextHeight(width);
    const std::vector<qreal> heights = LineHeights(e.Document());
    qreal units = 0;
    for (qreal h : heights) units += h;
    ASSERT_GT(heights.size(), 6u);
    EXPECT_EQ(sum, Twips(units));
    // CalcHeight = Round(sum / 15) + 2 x GapY + 2 with GapY 1; the part
    // rectangle of that height holds everything.
    const int calc = static_cast<int>(Round(Extended(sum) / 15)) + 2 + 2;
    EXPECT_EQ(Format(e, 0, width, static_cast<int>(Round(Extended(calc - 2) * 15))), e.GetTextLen());
    // One line less gives two parts.
    const int short1 = Twips(units - heights.back());
    const int next = Format(e, 0, width, short1);
    EXPECT_LT(next, e.GetTextLen());
    EXPECT_EQ(Format(e, next, width, short1), e.GetTextLen());
    // Empty content measures nothing; a zero width still gets through.
    TReRichEdit empty;
    EXPECT_EQ(empty.MeasureTextHeight(width), 0);
    EXPECT_GT(e.MeasureTextHeight(0), sum);
    EXPECT_GT(Format(e, 0, 0, 10), 0);
}

TEST(RichLayout, PagesNeitherLoseNorRepeatALine)
{
    TReRichEdit e;
    e.LoadRtf(LongText(5));
    const QString original = e.Document().toRawText();
    const int width = 4200;
    Format(e, 0, width, 100000);
    const std::vector<qreal> heights = LineHeights(e.Document());
    const int perPage = 4;
    const int page = Twips(heights[0] * perPage) + 5;
    std::vector<int> starts;
    const std::vector<std::string> parts = Split(e, width, page, &starts);
    EXPECT_EQ(parts.size(), (heights.size() + perPage - 1) / perPage);
    QString joined;
    for (const std::string& part : parts) joined += RawText(part);
    EXPECT_EQ(joined, original);
    // Parts start at lines, so a continued paragraph's first line lines up with its others.
    for (int start : starts) EXPECT_EQ(e.LineIndex(e.LineFromChar(start)), start);
    // Formatting survives the cut: character by character, the parts carry the original's attributes.
    std::vector<rich::TRichChar> attrs;
    for (const std::string& part : parts) {
        const std::vector<rich::TRichChar> a = Attributes(*Read(part));
        attrs.insert(attrs.end(), a.begin(), a.end());
    }
    EXPECT_TRUE(attrs == Attributes(e.Document()));
}

TEST(RichLayout, RandomTextsSplitWithoutLoss)
{
    uint32_t seed = 7;
    const auto rnd = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    for (int round = 0; round < 30; ++round) {
        std::string body;
        const int words = 5 + static_cast<int>(rnd(120));
        for (int w = 0; w < words; ++w) {
            body += std::string(1 + rnd(12), static_cast<char>('a' + rnd(26)));
            switch (rnd(9)) {
            case 0: body += "\\par "; break;
            case 1: body += "\\line "; break;
            case 2: body += "\\u20013?"; break;
            case 3: body += "{\\fs40 big}"; break;
            default: body += ' ';
            }
        }
        TReRichEdit e;
        e.LoadRtf(Mono(body));
        const QString original = e.Document().toRawText();
        const int width = 300 + static_cast<int>(rnd(6000));
        const int height = 200 + static_cast<int>(rnd(3000));
        QString joined;
        for (const std::string& part : Split(e, width, height)) joined += RawText(part);
        ASSERT_EQ(joined, original) << "round " << round << " width " << width << " height " << height;
    }
}

TEST(RichLayout, DrawingCutsWhereMeasuringCut)
{
    TReRichEdit e;
    e.LoadRtf(LongText(4));
    const int width = 4800;
    const int height = 1500;
    TFormatRange measured;
    const int next = Format(e, 0, width, height, &measured);
    TRecordingCanvas canvas(600);
    TRichTarget target;
    target.canvas = &canvas;
    target.scaleX = target.scaleY = 600.0L / 1440;
    TFormatRange drawn;
    EXPECT_EQ(Format(e, 0, width, height, &drawn, &target), next);
    EXPECT_EQ(drawn.rc.Bottom, measured.rc.Bottom);
    // What was drawn is exactly the text before the cut.
    std::u16string text;
    for (const TCanvasRecord& r : canvas.Records())
        if (r.kind == TCanvasRecord::ExtTextOut) text += r.text;
    QString expected = e.Document().toRawText().left(next);
    expected.remove(QChar(0x2029));
    EXPECT_EQ(QString::fromStdU16String(text).toStdString(), expected.toStdString());
    // The next part starts with the next character.
    TRecordingCanvas rest(600);
    target.canvas = &rest;
    Format(e, next, width, height, nullptr, &target);
    ASSERT_FALSE(rest.Records().empty());
    for (const TCanvasRecord& r : rest.Records())
        if (r.kind == TCanvasRecord::ExtTextOut) {
            EXPECT_EQ(QString::fromStdU16String(r.text).at(0), e.Document().characterAt(next));
            break;
        }
}

TEST(RichLayout, NothingIsDrawnPastTheLastFittingLine)
{
    TReRichEdit e;
    e.LoadRtf(LongText(2) .insert(40, "{\\highlight1 }"));
    QImage image(500, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    TRichTarget target;
    TFormatRange r;
    {
        TQtCanvas canvas(image);
        target.canvas = &canvas;
        target.originX = 17;
        target.originY = 23;
        target.scaleX = target.scaleY = 96.0L / 1440;
        r.rc = Rect(0, 0, 4000, 1000);
        e.FormatRange(r, &target);
    }
    const int left = 17, top = 23, right = 17 + 4000 * 96 / 1440, bottom = 23 + (r.rc.Bottom * 96 + 1439) / 1440;
    int inside = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) == qRgb(255, 255, 255)) continue;
            ASSERT_TRUE(x >= left && x < right && y >= top && y < bottom) << x << "," << y;
            ++inside;
        }
    EXPECT_GT(inside, 500);
}

TEST(RichLayout, ALineTallerThanThePageStillComesOut)
{
    TReRichEdit e;
    e.LoadRtf(Mono("{\\pict\\pngblip\\picwgoal1440\\pichgoal5000 00} after"));
    TFormatRange r;
    const int next = Format(e, 0, 9000, 1000, &r);
    EXPECT_GT(next, 0);
    EXPECT_GT(r.rc.Bottom, 1000);
}

TEST(RichLayout, AContinuedParagraphKeepsItsLinesInPlace)
{
    // A hanging indent: the first line at 360 twips, the others at 720.
    TReRichEdit e;
    std::string words;
    for (int w = 0; w < 60; ++w) words += "word" + std::to_string(w) + " ";
    e.LoadRtf(Mono("\\li720\\fi-360 " + words));
    TRecordingCanvas first(1440);
    TRichTarget target;
    target.canvas = &first;
    const int height = 700;  // three lines or so
    const int next = Format(e, 0, 4000, height, nullptr, &target);
    ASSERT_LT(next, e.GetTextLen());
    const std::vector<int> xs = LineStarts(first);
    ASSERT_GE(xs.size(), 2u);
    EXPECT_EQ(xs[0], 360);
    EXPECT_EQ(xs[1], 720);
    TRecordingCanvas second(1440);
    target.canvas = &second;
    Format(e, next, 4000, height, nullptr, &target);
    ASSERT_FALSE(LineStarts(second).empty());
    EXPECT_EQ(LineStarts(second)[0], 720);
    // From inside a line too: what follows is no first line.
    TRecordingCanvas inside(1440);
    target.canvas = &inside;
    Format(e, next + 3, 4000, height, nullptr, &target);
    ASSERT_FALSE(LineStarts(inside).empty());
    EXPECT_EQ(LineStarts(inside)[0], 720);
}

TEST(RichLayout, BulletsDrawAsTheirCharacterOrTheNearestTheFacesHave)
{
    // Liberation Sans has the small square; no pinned face has the three-D
    // arrowhead, which draws as the pointer it comes nearest to, nor a
    // hand, which draws as the usual bullet.
    const std::string rtf = "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Wingdings;}}\\f0\\fs20 "
                            "\\pard{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'a7}}\\fi-360\\li360 square\\par "
                            "\\pard{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'d8}}\\fi-360\\li360 arrow\\par "
                            "\\pard{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'46}}\\fi-360\\li360 hand\\par}";
    TReRichEdit e;
    e.LoadRtf(rtf);
    TRecordingCanvas canvas(1440);
    TRichTarget target;
    target.canvas = &canvas;
    Format(e, 0, 6000, 100000, nullptr, &target);
    std::vector<std::u16string> texts;
    for (const TCanvasRecord& r : canvas.Records())
        if (r.kind == TCanvasRecord::ExtTextOut) texts.push_back(r.text);
    EXPECT_EQ(texts, (std::vector<std::u16string>{u"\u25AA", u"square", u"\u25BA", u"arrow", u"\u2022", u"hand"}));
    // The document keeps the arrowhead.
    EXPECT_EQ(static_cast<int>(rich::FromBlock(e.Document().begin().next()).bullet), 0x27A2);
}
