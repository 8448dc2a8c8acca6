// Format range: the engine's line layout walked line by line into a
// rectangle, and the accepted lines drawn through the canvas layer (text
// as positioned glyph runs of the pinned faces, pictures as images), so
// that the preview's text search and every device see the same output.
#include <QAbstractTextDocumentLayout>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>

#include <cmath>

#include "MetafilePlayer.h"
#include "SizedFont.h"
#include "rpRichEdit.h"

using namespace rich;

namespace {

// A line and the height it takes in a page: from its top (the block's top,
// with the space before, for a first line) to the next line's top.
struct Slot {
    QTextBlock block;
    int line = 0;
    int offset = 0;      // document position of the block's position 0
    qreal top = 0;       // layout units
    qreal height = 0;
};

qreal blockTop(const QTextDocument& doc, const QTextBlock& b)
{
    return doc.documentLayout()->blockBoundingRect(b).top();
}

// The top of line i of a block, and the top of what follows its last line.
qreal lineTop(const QTextDocument& doc, const QTextBlock& b, int i)
{
    if (i == 0) return blockTop(doc, b);
    const QTextLayout* layout = b.layout();
    return layout->position().y() + layout->lineAt(i).y();
}

qreal followingTop(const QTextDocument& doc, const QTextBlock& b)
{
    const QTextBlock next = b.next();
    if (next.isValid()) return blockTop(doc, next);
    return doc.documentLayout()->documentSize().height();
}

Slot slotAt(const QTextDocument& doc, const QTextBlock& b, int i, int offset)
{
    Slot s;
    s.block = b;
    s.line = i;
    s.offset = offset;
    s.top = lineTop(doc, b, i);
    const int count = b.layout()->lineCount();
    s.height = (i + 1 < count ? lineTop(doc, b, i + 1) : followingTop(doc, b)) - s.top;
    return s;
}

// The automatic colour prints black.
TColor toTColor(int rgb)
{
    return rgb < 0 ? clBlack : RgbColor(rgb);
}

bool drawsNothing(char16_t c)
{
    return c == 0x2028 || c == 0x2029 || c == 0xFFFC || c == 0xFDD0 || c == 0xFDD1 || c == 0x00AD;
}

// What a character shows as: a soft hyphen only where a line breaks at it,
// and the non-breaking hyphen as the hyphen the pinned faces have.
char16_t shownAs(char16_t c)
{
    return c == 0x2011 || c == 0x00AD ? u'-' : c;
}

// Draws accepted lines on a canvas. Layout units map to twips (x15), then
// to the device through the target.
class LineDrawer {
public:
    LineDrawer(const TRichTarget& t, const TRect& rc) : t_(t), rc_(rc) {}

    int X(qreal units) const { return static_cast<int>(Round(t_.originX + (rc_.Left + units * TwipsPerUnit) * t_.scaleX)); }
    Extended Y(qreal units) const { return t_.originY + (rc_.Top + units * TwipsPerUnit) * t_.scaleY; }

    // y: where the line's top lands, in units below rc's top.
    void draw(const Slot& slot, qreal y) const;

private:
    void text(const QTextLine& line, qreal x0, qreal top, const QTextBlock& b, const QTextCharFormat& f, int from,
              int to) const;
    void object(const QTextLine& line, qreal x0, qreal top, const QTextCharFormat& f, int at) const;
    void marker(const QTextLine& line, qreal top, const QTextBlock& b) const;
    void setFont(const TRichChar& a, qreal pixelUnits) const;

    const TRichTarget& t_;
    TRect rc_;
};

void LineDrawer::setFont(const TRichChar& a, qreal pixelUnits) const
{
    TFont* font = t_.canvas->Font();
    font->SetName(a.font.face.toStdString());
    font->SetStyle(StylesOf(a));
    font->SetColor(toTColor(a.color));
    const Extended px = pixelUnits * TwipsPerUnit * t_.scaleY;
    font->SetHeight(-static_cast<int>(std::max<int64_t>(1, Round(px))));
}

void LineDrawer::draw(const Slot& slot, qreal y) const
{
    const QTextBlock& b = slot.block;
    const QTextLayout* layout = b.layout();
    const QTextLine line = layout->lineAt(slot.line);
    // The line's own top within its slot (a first line sits below the space before).
    const qreal top = y + (layout->position().y() + line.y() - slot.top);
    const qreal x0 = layout->position().x();
    if (slot.line == 0 && b.textList()) marker(line, top, b);
    const int lineStart = line.textStart();
    const int lineEnd = lineStart + line.textLength();
    for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment f = it.fragment();
        const int fs = f.position() - b.position();
        const int from = std::max(fs, lineStart);
        const int to = std::min(fs + f.length(), lineEnd);
        if (from >= to) continue;
        const QTextCharFormat format = f.charFormat();
        if (format.objectType() == RichObjectType) {
            for (int i = from; i < to; ++i) object(line, x0, top, format, i);
            continue;
        }
        text(line, x0, top, b, format, from, to);
    }
}

void LineDrawer::text(const QTextLine& line, qreal x0, qreal top, const QTextBlock& b, const QTextCharFormat& f,
                      int from, int to) const
{
    const int lineEnd = line.textStart() + line.textLength();
    const QString all = b.text();
    const TRichChar a = FromCharFormat(f);
    TCanvas& canvas = *t_.canvas;
    if (a.highlight >= 0) {
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(toTColor(a.highlight));
        canvas.FillRect(Rect(X(x0 + line.cursorToX(from)), static_cast<int>(Round(Y(top))),
                             X(x0 + line.cursorToX(to)), static_cast<int>(Round(Y(top + line.height())))));
    }
    canvas.Brush()->SetStyle(bsClear);
    int s = from;
    while (s < to) {
        while (s < to && drawsNothing(all.at(s).unicode()) && !(s + 1 == lineEnd && all.at(s) == QChar(0x00AD))) ++s;
        int e = s;
        while (e < to && (!drawsNothing(all.at(e).unicode()) || (e + 1 == lineEnd && all.at(e) == QChar(0x00AD)))) ++e;
        if (s >= e) break;
        // The size Qt laid the run out at (smaller for super- and subscripts);
        // blanks alone have no glyph run but are drawn, so search finds words apart.
        const QList<QGlyphRun> runs = line.glyphRuns(s, e - s);
        qreal pixels = a.halfPoints / 2.0 * 96 / 72;
        qreal baseline = top + line.ascent();
        if (!runs.isEmpty()) {
            const QRawFont raw = runs.first().rawFont();
            pixels = raw.pixelSize();
            const qreal cell = raw.ascent() + raw.descent();
            // Qt raises superscripts by half their cell and lowers subscripts by a sixth.
            if (a.vertical == 1) baseline -= cell / 2;
            if (a.vertical == 2) baseline += cell / 6;
        }
        setFont(a, pixels);
        std::vector<int> dx(static_cast<size_t>(e - s));
        int prev = X(x0 + line.cursorToX(s));
        const int x = prev;
        for (int i = s; i < e; ++i) {
            const int next = X(x0 + line.cursorToX(i + 1));
            dx[static_cast<size_t>(i - s)] = next - prev;
            prev = next;
        }
        const int yTop = static_cast<int>(Round(Y(baseline))) - canvas.DeviceFont().ascent();
        std::u16string shown = QStringView(all).mid(s, e - s).toString().toStdU16String();
        for (char16_t& c : shown) c = shownAs(c);
        canvas.ExtTextOut(x, yTop, 0, nullptr, shown, dx);
        s = e;
    }
}

void LineDrawer::object(const QTextLine& line, qreal x0, qreal top, const QTextCharFormat& f, int at) const
{
    const QSizeF size = PictureSizeUnits(f);
    const qreal left = x0 + line.cursorToX(at);
    const qreal baseline = top + line.ascent();
    const TRect r = Rect(X(left), static_cast<int>(Round(Y(baseline - size.height()))), X(left + size.width()),
                         static_cast<int>(Round(Y(baseline))));
    if (r.IsEmpty()) return;
    const QImage image = PictureImage(f);
    TCanvas& canvas = *t_.canvas;
    if (!image.isNull()) {
        canvas.StretchDraw(r, image);
        return;
    }
    const QByteArray metafile = PictureMetafile(f);
    if (!metafile.isEmpty()) {
        PlayMetafile(std::string_view(metafile.constData(), size_t(metafile.size())), canvas,
                     QRectF(r.Left, r.Top, r.Width(), r.Height()));
        return;
    }
    // What cannot be shown still marks its place.
    canvas.Brush()->SetStyle(bsClear);
    canvas.Pen()->SetColor(clSilver);
    canvas.Pen()->SetStyle(psSolid);
    canvas.Pen()->SetWidth(1);
    canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
}

void LineDrawer::marker(const QTextLine& line, qreal top, const QTextBlock& b) const
{
    const TRichPara p = FromBlock(b);
    const QString label = ListLabel(p.list, ListNumber(b));
    if (label.isEmpty()) return;
    QTextCursor first(b);
    first.setPosition(b.position() + (b.length() > 1 ? 1 : 0));
    const TRichChar a = FromCharFormat(b.length() > 1 ? first.charFormat() : b.charFormat());
    TCanvas& canvas = *t_.canvas;
    canvas.Brush()->SetStyle(bsClear);
    setFont(a, a.halfPoints / 2.0 * 96 / 72);
    const qreal x = b.layout()->position().x() + b.blockFormat().leftMargin() + TwipsToUnits(p.fi);
    const int yTop = static_cast<int>(Round(Y(top + line.ascent()))) - canvas.DeviceFont().ascent();
    canvas.ExtTextOut(X(x), yTop, 0, nullptr, label.toStdU16String());
}

}  // namespace

void TReCustomRichEdit::layoutAt(qreal widthUnits) const
{
    if (doc_->textWidth() != widthUnits) {
        doc_->setTextWidth(widthUnits);
        linesValid_ = false;
    }
}

const std::vector<int>& TReCustomRichEdit::lineStarts() const
{
    if (linesValid_) return lineStarts_;
    layoutAt(layoutWidth_);
    doc_->documentLayout()->documentSize();
    lineStarts_.clear();
    for (QTextBlock b = doc_->begin(); b.isValid(); b = b.next()) {
        const QTextLayout* layout = b.layout();
        const int count = layout ? layout->lineCount() : 0;
        if (count == 0) lineStarts_.push_back(b.position());
        for (int i = 0; i < count; ++i) lineStarts_.push_back(b.position() + layout->lineAt(i).textStart());
    }
    linesValid_ = true;
    return lineStarts_;
}

int TReCustomRichEdit::LineCount() const
{
    return static_cast<int>(lineStarts().size());
}

int TReCustomRichEdit::LineFromChar(int charIndex) const
{
    const std::vector<int>& starts = lineStarts();
    const auto it = std::upper_bound(starts.begin(), starts.end(), std::max(charIndex, 0));
    return static_cast<int>(it - starts.begin()) - 1;
}

int TReCustomRichEdit::LineIndex(int line) const
{
    const std::vector<int>& starts = lineStarts();
    return line >= 0 && static_cast<size_t>(line) < starts.size() ? starts[static_cast<size_t>(line)] : -1;
}

int TReCustomRichEdit::LineLength(int charIndex) const
{
    const std::vector<int>& starts = lineStarts();
    const int line = LineFromChar(charIndex);
    if (line < 0) return 0;
    const int start = starts[static_cast<size_t>(line)];
    int end = static_cast<size_t>(line) + 1 < starts.size() ? starts[static_cast<size_t>(line) + 1] : GetTextLen();
    // The paragraph mark at a line's end is not part of its length.
    const QTextBlock b = doc_->findBlock(start);
    end = std::min(end, b.position() + b.length() - 1);
    return std::max(0, end - start);
}

int TReCustomRichEdit::FormatRange(TFormatRange& range, const TRichTarget* target)
{
    const int textLen = GetTextLen();
    const qreal width = std::max(0, range.rc.Width()) / qreal(TwipsPerUnit);
    const qreal height = std::max(0, range.rc.Height()) / qreal(TwipsPerUnit);
    layoutWidth_ = width;
    layoutAt(width);
    // The whole text at once: Qt's lazy layout, asked block by block, costs
    // a scan per step, and pages follow pages anyway.
    doc_->documentLayout()->documentSize();
    const int cpMin = std::clamp(range.cpMin, 0, textLen);
    const int cpMax = range.cpMax < 0 || range.cpMax > textLen ? textLen : range.cpMax;
    if (cpMin >= cpMax) {
        range.rc.Bottom = range.rc.Top;
        return cpMin;
    }

    // Where the walk starts: at a line of this layout, or, from inside a
    // line, in a copy of the rest of that paragraph laid out on its own.
    QTextBlock block = doc_->findBlock(cpMin);
    doc_->documentLayout()->blockBoundingRect(block);
    int firstLine = 0;
    std::unique_ptr<QTextDocument> rest;
    {
        const QTextLayout* layout = block.layout();
        const int rel = cpMin - block.position();
        QTextLine line = layout->lineForTextPosition(rel);
        // A position between two lines is the end of one and the start of the next.
        if (line.isValid() && line.textStart() != rel && line.lineNumber() + 1 < layout->lineCount() &&
            layout->lineAt(line.lineNumber() + 1).textStart() == rel)
            line = layout->lineAt(line.lineNumber() + 1);
        if (line.isValid() && line.textStart() == rel) {
            firstLine = line.lineNumber();
        } else if (line.isValid()) {
            QTextCursor c(doc_.get());
            c.setPosition(cpMin);
            c.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
            rest = NewRichDocument();
            QTextCursor into(rest.get());
            // The rest goes on a line of the paragraph, never its first:
            // no first-line indent and no list marker.
            QTextBlockFormat format = block.blockFormat();
            format.clearProperty(QTextFormat::ObjectIndex);
            format.setTextIndent(0);
            into.setBlockCharFormat(block.charFormat());
            into.insertFragment(c.selection());
            // After the fragment, which brings a block format of its own.
            into.setBlockFormat(format);
            rest->setTextWidth(width);
        }
    }

    std::vector<Slot> accepted;
    qreal used = 0;
    int next = textLen;
    bool stopped = false;
    const auto offer = [&](const Slot& s) {
        const int start = s.offset + s.block.position() + s.block.layout()->lineAt(s.line).textStart();
        if (start >= cpMax || (!accepted.empty() && used + s.height > height + 1e-9)) {
            next = std::min(start, cpMax);
            stopped = true;
            return false;
        }
        accepted.push_back(s);
        used += s.height;
        return true;
    };
    if (rest) {
        const QTextBlock rb = rest->begin();
        rest->documentLayout()->documentSize();
        for (int i = 0; i < rb.layout()->lineCount() && !stopped; ++i) offer(slotAt(*rest, rb, i, cpMin));
        block = block.next();
        firstLine = 0;
    }
    for (; block.isValid() && !stopped; block = block.next(), firstLine = 0) {
        doc_->documentLayout()->blockBoundingRect(block);
        const int count = block.layout()->lineCount();
        for (int i = firstLine; i < count && !stopped; ++i) offer(slotAt(*doc_, block, i, 0));
    }
    if (!stopped) next = cpMax;

    range.rc.Bottom = range.rc.Top + static_cast<int>(std::ceil(used * TwipsPerUnit - 1e-6));
    if (target && target->canvas) {
        TCanvas& canvas = *target->canvas;
        const std::optional<TRect> clip = canvas.ClipRect();
        TFont font;
        font.Assign(canvas.Font());
        const TColor brushColor = canvas.Brush()->Color();
        const TBrushStyle brushStyle = canvas.Brush()->Style();
        LineDrawer drawer(*target, range.rc);
        // Nothing lands outside the rectangle, whatever a line holds.
        canvas.IntersectClipRect(Rect(drawer.X(0), static_cast<int>(Round(drawer.Y(0))),
                                      drawer.X(width), static_cast<int>(Round(drawer.Y(used)))));
        qreal y = 0;
        for (const Slot& s : accepted) {
            drawer.draw(s, y);
            y += s.height;
        }
        canvas.SetClipRect(clip);
        canvas.Font()->Assign(&font);
        canvas.Brush()->SetColor(brushColor);
        canvas.Brush()->SetStyle(brushStyle);
    }
    return next;
}

int64_t TReCustomRichEdit::MeasureTextHeight(int widthTwips)
{
    const int n = GetTextLen();
    int64_t sum = 0;
    int cp = 0;
    while (cp < n) {
        TFormatRange r;
        r.cpMin = cp;
        r.rc = Rect(0, 0, widthTwips, 15000000);
        const int next = FormatRange(r);
        sum += r.rc.Bottom;
        // A call that does not advance would repeat for ever.
        if (next <= cp) break;
        cp = next;
    }
    return sum;
}
