// Format range: the engine's layout walked into a rectangle line by line,
// and table row by table row (a row, with the rows its cells span, is never
// cut), and what was accepted drawn through the canvas layer (text as
// positioned glyph runs of the pinned faces, pictures as images, cell
// shading, borders and tab leaders as fills), so that the preview's text
// search and every device see the same output.
#include <QAbstractTextDocumentLayout>
#include <QGlyphRun>
#include <QRawFont>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextLayout>
#include <QTextTable>

#include <cmath>
#include <functional>
#include <limits>
#include <unordered_map>

#include "MetafilePlayer.h"
#include "SizedFont.h"
#include "rpRichEdit.h"
#include "rpRichTable.h"

using namespace rich;

namespace {

// Where a block's layout coordinates start in the document: Qt places a
// block in a table cell relative to the cell.
QPointF layoutOrigin(const QTextDocument& doc, const QTextBlock& b)
{
    return doc.documentLayout()->blockBoundingRect(b).topLeft() - b.layout()->position() + b.layout()->position();
}

// An empty paragraph right behind a table: Qt lays it over the table's
// last row and gives it no room. Word ends every table with one, and it
// takes its line here, unless it is a gap block.
bool hiddenAfterTable(const QTextDocument& doc, const QTextBlock& b)
{
    if (b.length() > 1 || !b.previous().isValid() || TopTableAt(doc, b.position())) return false;
    const QTextTable* t = TopTableAt(doc, b.previous().position());
    return t && t->lastPosition() + 1 == b.position();
}

qreal blockTop(const QTextDocument& doc, const QTextBlock& b)
{
    return doc.documentLayout()->blockBoundingRect(b).top();
}

// The rows of a table as laid out (document coordinates), found as they
// are asked for: a page takes a few rows of a long table.
class TableGeometry {
public:
    TableGeometry(const QTextDocument& doc, const QTextTable& t) : doc_(doc), t_(t)
    {
        tops_.assign(static_cast<size_t>(t.rows()) + 1, std::numeric_limits<qreal>::quiet_NaN());
        const QTextTableCell first = t.cellAt(0, 0);
        const qreal left = first.isValid() ? origin(first).x() - first.format().toTableCellFormat().leftPadding() : 0;
        const QList<QTextLength> widths = t.format().columnWidthConstraints();
        lefts_.push_back(left);
        for (int c = 0; c < t.columns(); ++c) {
            const qreal w = c < widths.size() && widths[c].type() == QTextLength::FixedLength
                                ? widths[c].rawValue()
                                : TwipsToUnits(DefaultCellTwips);
            lefts_.push_back(lefts_.back() + w);
        }
    }

    // The top of row r; of r = rows(), the table's bottom.
    qreal RowTop(int r) const
    {
        r = std::clamp(r, 0, t_.rows());
        for (int at = r; at <= t_.rows(); ++at) {
            qreal& top = tops_[static_cast<size_t>(at)];
            if (std::isnan(top)) top = measure(at);
            // A row whose cells all come from the row above starts where the next one does.
            if (!std::isnan(top)) return tops_[static_cast<size_t>(r)] = top;
        }
        return 0;
    }
    // The left edge of column c; of c = columns(), the right edge.
    qreal ColumnLeft(int c) const { return lefts_[static_cast<size_t>(std::clamp(c, 0, t_.columns()))]; }

private:
    // A cell's text starts its padding in from the cell's corner.
    QPointF origin(const QTextTableCell& cell) const
    {
        const QTextBlock first = doc_.findBlock(cell.firstPosition());
        return doc_.documentLayout()->blockBoundingRect(first).topLeft() - first.layout()->position();
    }
    qreal measure(int r) const
    {
        // Not where what follows starts: an empty paragraph after the
        // table starts over its last row. Nor at the frame's bottom: Qt
        // moves the frame down by the first cell's top padding, not its
        // height.
        if (r == t_.rows())
            return RowTop(0) + doc_.documentLayout()->frameBoundingRect(const_cast<QTextTable*>(&t_)).height();
        qreal top = std::numeric_limits<qreal>::quiet_NaN();
        for (int c = 0; c < t_.columns(); ++c) {
            const QTextTableCell cell = t_.cellAt(r, c);
            if (cell.row() != r || cell.column() != c) continue;
            const qreal y = origin(cell).y() - cell.format().toTableCellFormat().topPadding();
            if (std::isnan(top) || y < top) top = y;
        }
        return top;
    }

    const QTextDocument& doc_;
    const QTextTable& t_;
    mutable std::vector<qreal> tops_;
    std::vector<qreal> lefts_;
};

// What a page takes, one at a time: a line and the height it takes (from
// its top, the block's top for a first line, to the next line's top), or
// a table's rows tied together by their cells.
struct Slot {
    QTextBlock block;
    int line = 0;
    int offset = 0;      // document position of the block's position 0
    qreal top = 0;       // layout units
    qreal height = 0;
    const QTextTable* table = nullptr;
    const TableGeometry* geometry = nullptr;
    int rowFirst = 0;
    int rowEnd = 0;
    int start = 0;       // its first document position
};

// The top of line i of a block, and the top of what follows its last line.
qreal lineTop(const QTextDocument& doc, const QTextBlock& b, int i)
{
    if (i == 0) return blockTop(doc, b);
    return layoutOrigin(doc, b).y() + b.layout()->lineAt(i).y();
}

qreal followingTop(const QTextDocument& doc, const QTextBlock& b,
                   const std::function<const TableGeometry&(const QTextTable&)>& geometry)
{
    const QTextBlock next = b.next();
    if (!next.isValid()) return doc.documentLayout()->documentSize().height();
    if (const QTextTable* t = TopTableAt(doc, next.position())) return geometry(*t).RowTop(0);
    return blockTop(doc, next);
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

// A bullet the pinned faces have no picture of draws as the nearest one
// they have: the document keeps its own.
QString drawableBullet(const QString& bullet, const SizedFont& font)
{
    const char32_t c = bullet.toUcs4().value(0);
    if (font.glyph(c).index != 0) return bullet;
    static const std::pair<char32_t, char32_t> nearest[] = {
        {0x27A2, 0x25BA}, {0x27B2, 0x25BA}, {0x2B9A, 0x25BA}, {0x2756, 0x2666}, {0x25C6, 0x2666}, {0x2B25, 0x2666},
        {0x29EB, 0x25CA}, {0x2B27, 0x25CA}, {0x2714, 0x221A}, {0x2713, 0x221A}, {0x2751, 0x25A1}, {0x2752, 0x25A1},
        {0x25FB, 0x25A1}, {0x2610, 0x25A1}, {0x2611, 0x25A1}, {0x2612, 0x25A1}, {0x274D, 0x25CB}, {0x2717, 0x00D7},
        {0x21E8, 0x2192}, {0x21E6, 0x2190}, {0x21E7, 0x2191}, {0x21E9, 0x2193}};
    for (const auto& [from, to] : nearest)
        if (from == c && font.glyph(to).index != 0) return QString::fromUcs4(&to, 1);
    return QString(QChar(DefaultBullet));
}

// Draws accepted lines and rows on a canvas. Layout units map to twips
// (x15), then to the device through the target.
class LineDrawer {
public:
    LineDrawer(const TRichTarget& t, const TRect& rc, const QTextDocument& doc, qreal width, qreal height)
        : t_(t), rc_(rc), doc_(doc), width_(width), height_(height)
    {
    }

    int X(qreal units) const { return static_cast<int>(Round(t_.originX + (rc_.Left + units * TwipsPerUnit) * t_.scaleX)); }
    Extended Y(qreal units) const { return t_.originY + (rc_.Top + units * TwipsPerUnit) * t_.scaleY; }
    int IY(qreal units) const { return static_cast<int>(Round(Y(units))); }

    // y: where the slot's top lands, in units below rc's top.
    void draw(const Slot& slot, qreal y) const;

private:
    // Line i of a block, moved down by dy from where the layout has it.
    void line(const QTextBlock& b, int i, qreal dy) const;
    void rows(const Slot& slot, qreal dy) const;
    void edge(const TRichBorder& b, bool horizontal, qreal at, qreal from, qreal to) const;
    void text(const QTextLine& line, qreal x0, qreal top, const QTextBlock& b, const QTextCharFormat& f, int from,
              int to) const;
    void leader(const QTextLine& line, qreal x0, qreal baseline, const QTextBlock& b, int at, const TRichChar& a,
                qreal pixels) const;
    void object(const QTextLine& line, qreal x0, qreal top, const QTextCharFormat& f, int at) const;
    void marker(const QTextLine& line, qreal x0, qreal top, const QTextBlock& b) const;
    void setFont(const TRichChar& a, qreal pixelUnits) const;
    void fill(const TRect& r, TColor color) const;

    const TRichTarget& t_;
    TRect rc_;
    const QTextDocument& doc_;
    qreal width_;
    qreal height_;
};

void LineDrawer::setFont(const TRichChar& a, qreal pixelUnits) const
{
    TFont* font = t_.canvas->Font();
    font->SetName(a.font.face.toStdString());
    font->SetStyle(StylesOf(a));
    font->SetColor(toTColor(a.color));
    const Extended px = pixelUnits * TwipsPerUnit * t_.scaleY;
    font->SetHeight(-static_cast<int>(std::clamp<Extended>(Round(std::clamp<Extended>(px, 1, INT32_MAX)), 1, INT32_MAX)));
}

void LineDrawer::fill(const TRect& r, TColor color) const
{
    if (r.IsEmpty()) return;
    TCanvas& canvas = *t_.canvas;
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(color);
    canvas.FillRect(r);
}

void LineDrawer::draw(const Slot& slot, qreal y) const
{
    if (slot.table) {
        rows(slot, y - slot.top);
        return;
    }
    line(slot.block, slot.line, y - slot.top);
}

void LineDrawer::line(const QTextBlock& b, int i, qreal dy) const
{
    const QTextLayout* layout = b.layout();
    const QTextLine line = layout->lineAt(i);
    const QPointF origin = layoutOrigin(doc_, b);
    const qreal top = origin.y() + line.y() + dy;
    const qreal x0 = origin.x();
    if (i == 0 && b.textList()) marker(line, x0, top, b);
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
            for (int k = from; k < to; ++k) object(line, x0, top, format, k);
            continue;
        }
        text(line, x0, top, b, format, from, to);
    }
}

void LineDrawer::rows(const Slot& slot, qreal dy) const
{
    const QTextTable& t = *slot.table;
    const TableGeometry& g = *slot.geometry;
    struct Cell {
        QTextTableCell cell;
        QRectF rect;  // document coordinates
        TRichCell attrs;
    };
    std::vector<Cell> cells;
    for (int r = slot.rowFirst; r < slot.rowEnd; ++r)
        for (int c = 0; c < t.columns(); ++c) {
            const QTextTableCell cell = t.cellAt(r, c);
            if (cell.row() != r || cell.column() != c) continue;
            const qreal left = g.ColumnLeft(c);
            const qreal right = g.ColumnLeft(c + cell.columnSpan());
            const qreal top = g.RowTop(r);
            const qreal bottom = g.RowTop(r + cell.rowSpan());
            cells.push_back({cell, QRectF(QPointF(left, top), QPointF(right, bottom)), FromCellFormat(cell.format())});
        }
    // Shading under the text, borders over both.
    for (const Cell& c : cells)
        if (c.attrs.shading >= 0)
            fill(Rect(X(c.rect.left()), IY(c.rect.top() + dy), X(c.rect.right()), IY(c.rect.bottom() + dy)),
                 RgbColor(c.attrs.shading));
    for (const Cell& c : cells) {
        const QTextBlock first = doc_.findBlock(c.cell.firstPosition());
        const QTextBlock last = doc_.findBlock(c.cell.lastPosition());
        // The cell's text is laid out from its top; it moves down in a
        // cell aligned to the middle or the bottom.
        qreal shift = 0;
        if (c.attrs.vAlign != TRichVAlign::Top) {
            const QTextTableCellFormat f = c.cell.format().toTableCellFormat();
            const qreal used = doc_.documentLayout()->blockBoundingRect(last).bottom() - c.rect.top() + f.bottomPadding();
            const qreal room = std::max<qreal>(0, c.rect.height() - used);
            shift = c.attrs.vAlign == TRichVAlign::Center ? room / 2 : room;
        }
        for (QTextBlock b = first; b.isValid() && b.position() <= c.cell.lastPosition(); b = b.next())
            for (int i = 0; i < b.layout()->lineCount(); ++i) line(b, i, dy + shift);
    }
    for (const Cell& c : cells) {
        const QRectF r = c.rect.translated(0, dy);
        edge(c.attrs.borders[EdgeTop], true, r.top(), r.left(), r.right());
        edge(c.attrs.borders[EdgeBottom], true, r.bottom(), r.left(), r.right());
        edge(c.attrs.borders[EdgeLeft], false, r.left(), r.top(), r.bottom());
        edge(c.attrs.borders[EdgeRight], false, r.right(), r.top(), r.bottom());
    }
}

// A border along a cell edge (at: its y, or x; from, to: its ends), on
// the edge's middle, but inside the rectangle where the edge is its side.
void LineDrawer::edge(const TRichBorder& b, bool horizontal, qreal at, qreal from, qreal to) const
{
    if (!b.Shows()) return;
    const Extended scale = horizontal ? t_.scaleY : t_.scaleX;
    const Extended twips = b.style == TRichBorderStyle::Hairline ? 0
                           : b.style == TRichBorderStyle::Thick  ? 2 * std::max(b.width, 15)
                                                                 : b.width;
    const int line = static_cast<int>(std::max<int64_t>(1, Round(twips * scale)));
    const bool doubled = b.style == TRichBorderStyle::Double;
    const int thickness = doubled ? 3 * line : line;
    // Device coordinates along and across the edge.
    const int lo = horizontal ? IY(0) : X(0);
    const int hi = horizontal ? IY(height_) : X(width_);
    int across = (horizontal ? IY(at) : X(at)) - thickness / 2;
    across = std::max(lo, std::min(across, hi - thickness));
    const int start = (horizontal ? X(from) : IY(from)) - line / 2;
    const int end = (horizontal ? X(to) : IY(to)) + (line - line / 2);
    const TColor color = toTColor(b.color);
    const auto band = [&](int a0, int a1, int s0, int s1) {
        fill(horizontal ? Rect(s0, a0, s1, a1) : Rect(a0, s0, a1, s1), color);
    };
    const auto bands = [&](int s0, int s1) {
        band(across, across + line, s0, s1);
        if (doubled) band(across + 2 * line, across + 3 * line, s0, s1);
    };
    if (b.style != TRichBorderStyle::Dotted && b.style != TRichBorderStyle::Dashed) {
        bands(start, end);
        return;
    }
    const int on = b.style == TRichBorderStyle::Dotted ? line : 3 * line;
    const int off = b.style == TRichBorderStyle::Dotted ? line : 2 * line;
    for (int s = start; s < end; s += on + off) bands(s, std::min(s + on, end));
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
    for (int i = from; i < to; ++i)
        if (all.at(i) == QLatin1Char('\t')) leader(line, x0, top + line.ascent(), b, i, a, a.halfPoints / 2.0 * 96 / 72);
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

// The leader a tab's stop asks for, across the room the tab takes: dots,
// hyphens, a line, a thick line or two lines, drawn (not text, which the
// preview's search would find).
void LineDrawer::leader(const QTextLine& line, qreal x0, qreal baseline, const QTextBlock& b, int at,
                        const TRichChar& a, qreal pixels) const
{
    const qreal from = line.cursorToX(at);
    const qreal to = line.cursorToX(at + 1);
    const TRichPara para = FromBlock(b);
    const TRichTab* stop = TabStopAt(para, from - line.x());
    if (!stop || stop->leader == TRichTabLeader::None || to - from < pixels / 2) return;
    const Extended unit = TwipsPerUnit * t_.scaleY;
    const int dot = static_cast<int>(std::max<int64_t>(1, Round(pixels * 0.1 * unit)));
    const int left = X(x0 + from + pixels * 0.15);
    const int right = X(x0 + to - pixels * 0.15);
    const int base = IY(baseline);
    const TColor color = toTColor(a.color);
    switch (stop->leader) {
    case TRichTabLeader::Dot:
    case TRichTabLeader::MiddleDot:
    case TRichTabLeader::Hyphen: {
        const int pitch = static_cast<int>(std::max<int64_t>(2, Round(pixels * 0.33 * unit)));
        const int length = stop->leader == TRichTabLeader::Hyphen ? pitch * 2 / 3 : dot;
        const int y = stop->leader == TRichTabLeader::Dot      ? base - dot
                      : stop->leader == TRichTabLeader::Hyphen ? base - static_cast<int>(Round(pixels * 0.3 * unit))
                                                               : base - static_cast<int>(Round(pixels * 0.35 * unit));
        // On a grid from the left edge, so that leaders of lines below line up.
        const int grid = X(0);
        for (int x = grid + ((left - grid + pitch - 1) / pitch) * pitch; x + length <= right; x += pitch)
            fill(Rect(x, y, x + length, y + dot), color);
        return;
    }
    case TRichTabLeader::Underline: fill(Rect(left, base + dot, right, base + 2 * dot), color); return;
    case TRichTabLeader::Thick: fill(Rect(left, base, right, base + 2 * dot), color); return;
    case TRichTabLeader::Equal: {
        const int y = base - static_cast<int>(Round(pixels * 0.3 * unit));
        fill(Rect(left, y - dot, right, y), color);
        fill(Rect(left, y + dot, right, y + 2 * dot), color);
        return;
    }
    default: return;
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

void LineDrawer::marker(const QTextLine& line, qreal x0, qreal top, const QTextBlock& b) const
{
    const TRichPara p = FromBlock(b);
    QString label = ListLabel(p, ListNumber(b));
    if (label.isEmpty()) return;
    QTextCursor first(b);
    first.setPosition(b.position() + (b.length() > 1 ? 1 : 0));
    const TRichChar a = FromCharFormat(b.length() > 1 ? first.charFormat() : b.charFormat());
    TCanvas& canvas = *t_.canvas;
    canvas.Brush()->SetStyle(bsClear);
    setFont(a, a.halfPoints / 2.0 * 96 / 72);
    if (p.list == TRichList::Bullet) label = drawableBullet(label, canvas.DeviceFont());
    const qreal x = x0 + b.blockFormat().leftMargin() + TwipsToUnits(p.fi);
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

    std::unordered_map<const QTextTable*, TableGeometry> tables;
    const std::function<const TableGeometry&(const QTextTable&)> geometry =
        [&](const QTextTable& t) -> const TableGeometry& {
        auto it = tables.find(&t);
        if (it == tables.end()) it = tables.try_emplace(&t, *doc_, t).first;
        return it->second;
    };
    const auto lineSlot = [&](const QTextDocument& doc, const QTextBlock& b, int i, int offset) {
        Slot s;
        s.block = b;
        s.line = i;
        s.offset = offset;
        s.top = lineTop(doc, b, i);
        const int count = b.layout()->lineCount();
        s.height = (i + 1 < count ? lineTop(doc, b, i + 1) : followingTop(doc, b, geometry)) - s.top;
        if (hiddenAfterTable(doc, b))
            s.height = IsGapBlock(b) ? 0 : doc.documentLayout()->blockBoundingRect(b).height();
        // Qt puts a table over an empty paragraph before it, and drops the
        // space after the paragraph: both keep their room here.
        if (i + 1 == count && b.next().isValid() && TopTableAt(doc, b.next().position())) {
            const QTextLine line = b.layout()->lineAt(i);
            const QTextBlockFormat f = b.blockFormat();
            const qreal bottom = layoutOrigin(doc, b).y() + line.y() + f.lineHeight(line.height(), 1) + f.bottomMargin();
            s.height = std::max(s.height, bottom - s.top);
        }
        s.start = offset + b.position() + b.layout()->lineAt(i).textStart();
        return s;
    };

    // Where the walk starts: at a line of this layout, at the rows of a
    // table that hold the position, or, from inside a line, in a copy of
    // the rest of that paragraph laid out on its own.
    QTextBlock block = doc_->findBlock(cpMin);
    const QTextTable* startTable = TopTableAt(*doc_, cpMin);
    int firstLine = 0;
    std::unique_ptr<QTextDocument> rest;
    if (!startTable) {
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
    // The document's last paragraph, when empty, starts where the text
    // ends; a range to the end takes it, and its height.
    const auto beyond = [&](const Slot& s) {
        return s.start > cpMax || (s.start == cpMax && (cpMax < textLen || s.table || s.block.next().isValid()));
    };
    const auto offer = [&](const Slot& s) {
        // At least one slot with a height goes, however tall: what Qt keeps
        // around tables has none.
        if (beyond(s) || (used > 1e-9 && used + s.height > height + 1e-9)) {
            next = std::min(s.start, cpMax);
            stopped = true;
            return;
        }
        accepted.push_back(s);
        used += s.height;
    };
    if (rest) {
        const QTextBlock rb = rest->begin();
        rest->documentLayout()->documentSize();
        for (int i = 0; i < rb.layout()->lineCount() && !stopped; ++i) offer(lineSlot(*rest, rb, i, cpMin));
        block = block.next();
    }
    while (block.isValid() && !stopped) {
        if (const QTextTable* t = TopTableAt(*doc_, block.position())) {
            // Rows go whole, with the rows their cells reach into.
            const TableGeometry& g = geometry(*t);
            int r = t == startTable ? RowGroup(*t, t->cellAt(cpMin).row()).first : 0;
            while (r < t->rows() && !stopped) {
                const auto [first, end] = RowGroup(*t, r);
                Slot s;
                s.block = block;
                s.table = t;
                s.geometry = &g;
                s.rowFirst = first;
                s.rowEnd = end;
                s.top = g.RowTop(first);
                s.height = g.RowTop(end) - s.top;
                // Nor does Qt leave the space before the paragraph after a table.
                const QTextBlock after = doc_->findBlock(t->lastPosition() + 1);
                if (end == t->rows() && after.isValid() && !hiddenAfterTable(*doc_, after))
                    s.height += std::max<qreal>(0, after.blockFormat().topMargin());
                s.start = RowStart(*t, first);
                offer(s);
                r = end;
            }
            block = doc_->findBlock(t->lastPosition() + 1);
            firstLine = 0;
            continue;
        }
        doc_->documentLayout()->blockBoundingRect(block);
        const int count = block.layout()->lineCount();
        for (int i = firstLine; i < count && !stopped; ++i) offer(lineSlot(*doc_, block, i, 0));
        block = block.next();
        firstLine = 0;
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
        // A line of the rest is laid out in its copy.
        LineDrawer drawer(*target, range.rc, *doc_, width, used);
        LineDrawer restDrawer(*target, range.rc, rest ? *rest : *doc_, width, used);
        // Nothing lands outside the rectangle, whatever a line holds.
        canvas.IntersectClipRect(Rect(drawer.X(0), drawer.IY(0), drawer.X(width), drawer.IY(used)));
        qreal y = 0;
        for (const Slot& s : accepted) {
            (s.offset ? restDrawer : drawer).draw(s, y);
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
