#include "rpRtfWriter.h"

#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextTable>

#include <array>
#include <vector>

#include "CodePages.h"
#include "Exceptions.h"
#include "Graphics.h"
#include "rpRichFormat.h"
#include "rpRichTable.h"
#include "rpRtfLexer.h"
#include "rpRtfSymbolFonts.h"

using namespace rich;

namespace {

using WState = TRtfCharState;

const char* const kFamilyWords[] = {"fnil", "froman", "fswiss", "fmodern", "fscript", "fdecor", "ftech", "fbidi"};

// Our dialect declares code page 936: names in fonts without a charset use it.
constexpr int kAnsiCp = 936;

class Writer {
public:
    Writer(const QTextDocument& doc, const TRtfWriteOptions& o) : doc_(doc), opt_(o) {}
    std::string Run();

private:
    // The paragraph ends with `end` (\par, or \cell for a cell's last).
    void block(const QTextBlock& b, int from, int to, bool continued, const char* end = "par");
    // The rows of a table that [from, to) reaches, each whole with its
    // cells' text in the range.
    void table(const QTextTable& t, int from, int to);
    void row(const QTextTable& t, int r, int from, int to);
    void border(const char* edge, const TRichBorder& b);
    // Bookmark groups as they were read.
    void bookmarks(const QByteArray& groups);
    // Padding given in the TRichEdge order, with the words for each edge.
    void padding(const TRichPadding& pad, std::array<const char*, 4> lengths, std::array<const char*, 4> units);
    void fragments(const QTextBlock& b, int from, int to);
    QString shownFrom(QTextBlock b, QTextBlock::iterator it, const QByteArray& raw, int serial, qsizetype limit,
                      int* end) const;
    void content(const QTextFragment& f, int from, int to);
    void setPara(const TRichPara& p);
    void listText(const QTextBlock& b, const TRichPara& p);
    int bulletFont(const TRichPara& p);
    static std::string bulletText(const TRichPara& p);
    void setChar(const QTextCharFormat& format, int formatIndex);
    void setAttrs(const TRichChar& a);
    void emitState(const WState& w);
    void word(const char* w);
    void word(const char* w, int param);
    void text(QStringView s);
    void picture(const QTextCharFormat& format);
    void rawGroup(const QTextCharFormat& format, const QByteArray& bytes);
    int fontIndex(const TRichFont& f);
    int colorIndex(int rgb);
    void fontName(const TRichFont& f, std::string& out) const;
    static int charsetOf(const TRichFont& f);

    const QTextDocument& doc_;
    TRtfWriteOptions opt_;
    std::string body_;
    bool needSpace_ = false;
    WState cur_;
    std::vector<TRichFont> fonts_;
    QHash<QString, int> fontIndex_;
    std::vector<int> colors_;
    QHash<int, int> colorIndex_;
    QHash<int, WState> states_;  // by the document's format index
    TRichPara para_;
    bool paraWritten_ = false;
    bool inCell_ = false;       // paragraphs are written into a table cell
    bool paraInCell_ = false;   // the paragraph state written was a cell's
    int skipUntil_ = 0;  // what a kept group wrote ends here
    int rangeTo_ = 0;
};

std::string Writer::Run()
{
    const int end = doc_.characterCount() - 1;
    const int to = opt_.to < 0 || opt_.to > end ? end : opt_.to;
    const int from = std::clamp(opt_.from, 0, to);
    rangeTo_ = to;
    body_.reserve(static_cast<size_t>(to - from) * 2 + 64);
    // A range within one cell is that cell's paragraphs, without the table.
    bool tables = true;
    if (const QTextTable* t = TopTableAt(doc_, from); t && t == TopTableAt(doc_, std::max(from, to - 1))) {
        const QTextTableCell cell = t->cellAt(from);
        tables = cell != t->cellAt(std::max(from, to - 1)) || (from <= cell.firstPosition() && to > cell.lastPosition());
    }
    const QTextBlock first = doc_.findBlock(from);
    for (QTextBlock b = first; b.isValid();) {
        const int start = b.position();
        const int mark = start + b.length() - 1;
        // A range that ends right after a paragraph mark holds the paragraph it opens, empty.
        if (b != first && start > to) break;
        if (const QTextTable* t = tables ? TopTableAt(doc_, start) : nullptr) {
            table(*t, from, to);
            // A range that ends right after a table holds nothing after it,
            // but the document's last paragraph ends the document.
            const int after = t->lastPosition() + 1;
            if (after > to || (after == to && to < end)) break;
            b = doc_.findBlock(t->lastPosition() + 1);
            continue;
        }
        // Qt's block before or between tables is not the text's.
        const bool gap = tables && IsGapBlock(b) && b.length() <= 1;
        // A kept group showing more than one paragraph wrote their marks itself.
        if (!gap && skipUntil_ <= mark)
            block(b, std::max({from, start, skipUntil_}), std::min(to, mark), skipUntil_ > start);
        if (mark >= to) break;
        b = b.next();
    }

    std::string out = "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl";
    for (size_t i = 0; i < fonts_.size(); ++i) {
        const TRichFont& f = fonts_[i];
        out += "{\\f" + std::to_string(i) + '\\' + kFamilyWords[(f.pitchFamily >> 4) & 7];
        if (f.pitchFamily & 3) out += "\\fprq" + std::to_string(f.pitchFamily & 3);
        out += "\\fcharset" + std::to_string(charsetOf(f));
        out += ' ';
        fontName(f, out);
        out += ";}";
    }
    out += "}\r\n";
    if (!colors_.empty()) {
        out += "{\\colortbl ;";
        for (int rgb : colors_)
            out += "\\red" + std::to_string((rgb >> 16) & 255) + "\\green" + std::to_string((rgb >> 8) & 255) +
                   "\\blue" + std::to_string(rgb & 255) + ';';
        out += "}\r\n";
    }
    out += "\\uc1";
    out += body_;
    out += "}";
    return out;
}

void Writer::block(const QTextBlock& b, int from, int to, bool continued, const char* end)
{
    const TRichPara p = FromBlock(b);
    // A paragraph that began inside a kept group has no marker of its own.
    setPara(p);
    if (p.list != TRichList::None && !continued) listText(b, p);
    fragments(b, from, to);
    if (skipUntil_ > b.position() + b.length() - 1) return;
    // Attributes apply at the mark: a kept group before it may have left others.
    setPara(p);
    // An empty paragraph keeps its mark's font, which gives it its height.
    if (from >= to && !continued) setChar(b.charFormat(), b.charFormatIndex());
    if (to >= b.position() + b.length() - 1) bookmarks(b.blockFormat().property(Bookmarks).toByteArray());
    word(end);
    body_ += "\r\n";
    needSpace_ = false;
}

void Writer::table(const QTextTable& t, int from, int to)
{
    for (int r = 0; r < t.rows();) {
        // Rows tied by cells spanning them go or stay together.
        const auto [first, end] = RowGroup(t, r);
        if (RowStart(t, first) >= to) break;
        if (RowStart(t, end) > from)
            for (int i = first; i < end; ++i) row(t, i, from, to);
        r = end;
    }
}

void Writer::row(const QTextTable& t, int r, int from, int to)
{
    const TRichRow def = RowOf(t, r);
    word("trowd");
    word("trgaph", def.gap);
    word("trleft", def.left);
    if (def.align == TRichAlign::Center) word("trqc");
    if (def.align == TRichAlign::Right) word("trqr");
    if (def.height) word("trrh", def.height);
    padding(def.pad, {"trpaddt", "trpaddl", "trpaddb", "trpaddr"}, {"trpaddft", "trpaddfl", "trpaddfb", "trpaddfr"});
    for (const TRichCell& c : def.cells) {
        // Word's words: \clpadl for the top, \clpadt for the left.
        padding(c.pad, {"clpadl", "clpadt", "clpadb", "clpadr"}, {"clpadfl", "clpadft", "clpadfb", "clpadfr"});
        if (c.vMerge) word(c.vMerge == 1 ? "clvmgf" : "clvmrg");
        if (c.hMerge) word(c.hMerge == 1 ? "clmgf" : "clmrg");
        if (c.vAlign == TRichVAlign::Center) word("clvertalc");
        if (c.vAlign == TRichVAlign::Bottom) word("clvertalb");
        border("clbrdrt", c.borders[EdgeTop]);
        border("clbrdrl", c.borders[EdgeLeft]);
        border("clbrdrb", c.borders[EdgeBottom]);
        border("clbrdrr", c.borders[EdgeRight]);
        if (c.shading >= 0) word("clcbpat", colorIndex(c.shading));
        word("cellx", c.right);
    }
    body_ += "\r\n";
    needSpace_ = false;
    inCell_ = true;
    for (int c = 0; c < t.columns(); ++c) {
        const QTextTableCell cell = t.cellAt(r, c);
        std::vector<QTextBlock> blocks;
        // A cell merged into another is an empty one.
        if (cell.row() == r && cell.column() == c) {
            for (QTextBlock b = doc_.findBlock(cell.firstPosition()); b.isValid() && b.position() <= cell.lastPosition();
                 b = b.next()) {
                const int mark = b.position() + b.length() - 1;
                if (mark >= from && b.position() <= to) blocks.push_back(b);
            }
        }
        if (blocks.empty()) {
            setPara(TRichPara());
            word("cell");
            continue;
        }
        for (size_t i = 0; i < blocks.size(); ++i) {
            const QTextBlock& b = blocks[i];
            const int start = b.position();
            const int mark = start + b.length() - 1;
            if (skipUntil_ > mark) continue;
            block(b, std::max({from, start, skipUntil_}), std::min(to, mark), skipUntil_ > start,
                  i + 1 == blocks.size() ? "cell" : "par");
        }
    }
    inCell_ = false;
    word("row");
    // Each row's paragraphs say again that they are in a table.
    paraWritten_ = false;
    body_ += "\r\n";
    needSpace_ = false;
}

void Writer::padding(const TRichPadding& pad, std::array<const char*, 4> lengths, std::array<const char*, 4> units)
{
    for (size_t e = 0; e < pad.size(); ++e) {
        if (pad[e] < 0) continue;
        word(lengths[e], pad[e]);
        word(units[e], 3);  // twips
    }
}

void Writer::bookmarks(const QByteArray& groups)
{
    if (groups.isEmpty()) return;
    body_.append(groups.constData(), static_cast<size_t>(groups.size()));
    needSpace_ = false;
}

void Writer::border(const char* edge, const TRichBorder& b)
{
    if (!b.Shows()) return;
    static const char* const styles[] = {"brdrnone", "brdrs", "brdrth", "brdrdb", "brdrdot", "brdrdash", "brdrhair"};
    word(edge);
    word(styles[static_cast<int>(b.style)]);
    word("brdrw", b.width);
    if (b.color >= 0) word("brdrcf", colorIndex(b.color));
}

void Writer::setPara(const TRichPara& p)
{
    if (paraWritten_ && p == para_ && paraInCell_ == inCell_) return;
    word("pard");
    if (inCell_) word("intbl");
    if (p.align == TRichAlign::Right) word("qr");
    if (p.align == TRichAlign::Center) word("qc");
    if (p.align == TRichAlign::Justify) word("qj");
    if (p.li) word("li", p.li);
    if (p.ri) word("ri", p.ri);
    if (p.fi) word("fi", p.fi);
    if (p.sb) word("sb", p.sb);
    if (p.sa) word("sa", p.sa);
    if (p.sl) {
        word("sl", p.sl);
        word("slmult", p.slMult);
    }
    for (const TRichTab& t : p.tabs) {
        if (t.position <= 0) continue;  // a stop not yet placed
        if (const char* w = RtfTabKindWord(t.kind)) word(w);
        if (const char* w = RtfTabLeaderWord(t.leader)) word(w);
        word("tx", t.position);
    }
    if (p.list != TRichList::None) {
        body_ += "{\\*\\pn";
        const bool bullet = p.list == TRichList::Bullet;
        if (bullet) {
            body_ += "\\pnlvlblt\\pnf" + std::to_string(bulletFont(p));
        } else {
            static const char* const kinds[] = {"", "", "pndec", "pnlcltr", "pnucltr", "pnlcrm", "pnucrm"};
            body_ += std::string("\\pnlvlbody\\") + kinds[static_cast<int>(p.list)];
        }
        // A bullet list keeps its start too: it tells two lists apart.
        if (p.listStart != 1) body_ += "\\pnstart" + std::to_string(p.listStart);
        body_ += bullet ? "\\pnindent0{\\pntxtb" + bulletText(p) + "}}" : "\\pnindent0{\\pntxta .}}";
        needSpace_ = false;
    }
    para_ = p;
    paraWritten_ = true;
    paraInCell_ = inCell_;
}

// A bullet is a byte of Symbol or Wingdings where one of them has it,
// else its character in a font of ours: each reads back as itself.
int Writer::bulletFont(const TRichPara& p)
{
    const char32_t c = p.bullet ? p.bullet : DefaultBullet;
    if (const auto symbol = SymbolFontByte(c))
        return fontIndex({SymbolFontFace(symbol->first), SYMBOL_CHARSET, 0});
    return fontIndex({QStringLiteral("Arial"), ANSI_CHARSET, 0});
}

std::string Writer::bulletText(const TRichPara& p)
{
    const char32_t c = p.bullet ? p.bullet : DefaultBullet;
    if (const auto symbol = SymbolFontByte(c)) {
        static const char digits[] = "0123456789abcdef";
        return std::string("\\'") + digits[symbol->second >> 4] + digits[symbol->second & 15];
    }
    std::string out;
    for (char16_t u : QString::fromUcs4(&c, 1).toStdU16String())
        out += "\\u" + std::to_string(u >= 0x8000 ? int(u) - 65536 : int(u)) + '?';
    return out;
}

// What a reader without lists shows: the marker and a tab.
void Writer::listText(const QTextBlock& b, const TRichPara& p)
{
    if (p.list == TRichList::Bullet) {
        body_ += "{\\pntext\\f" + std::to_string(bulletFont(p)) + bulletText(p) + "\\tab}";
    } else {
        body_ += "{\\pntext " + ListLabel(p, ListNumber(b)).toStdString() + "\\tab}";
    }
    needSpace_ = false;
}

void Writer::fragments(const QTextBlock& b, int from, int to)
{
    QTextBlock::iterator it = b.begin();
    while (!it.atEnd()) {
        const QTextFragment f = it.fragment();
        const int fs = f.position();
        const int fe = fs + f.length();
        if (fe <= from || fs >= to || fe <= skipUntil_) {
            ++it;
            continue;
        }
        const QTextCharFormat format = f.charFormat();
        const QByteArray raw = format.property(RawGroup).toByteArray();
        if (raw.isEmpty()) {
            content(f, from, to);
            ++it;
            continue;
        }
        // The characters one kept group shows, side by side.
        const int serial = format.intProperty(RawSerial);
        std::vector<QTextFragment> span;
        QString shown;
        int spanStart = fs;
        int spanEnd = fe;
        for (; !it.atEnd(); ++it) {
            const QTextFragment g = it.fragment();
            const QTextCharFormat gf = g.charFormat();
            if (g.position() >= to || gf.intProperty(RawSerial) != serial || gf.property(RawGroup).toByteArray() != raw)
                break;
            span.push_back(g);
            shown += g.text();
            spanEnd = g.position() + g.length();
        }
        const QString expected = format.property(RawText).toString();
        if (shown != expected && spanEnd == b.position() + b.length() - 1 && expected.startsWith(shown)) {
            // It goes on in the next paragraph.
            shown = shownFrom(b, b.begin(), raw, serial, expected.size(), &spanEnd);
            while (!it.atEnd()) ++it;
        }
        const bool whole = spanStart >= from && spanEnd <= rangeTo_ && shown == expected;
        const QByteArray inst = format.property(FieldInst).toByteArray();
        if (spanStart >= from) bookmarks(format.property(Bookmarks).toByteArray());
        if (whole && (inst.size() > 0 || !opt_.noObjects)) {
            // The group reads back in the state it was read in.
            setAttrs(DecodeChar(format.property(RawOuter).toString()));
            setPara(DecodePara(format.property(RawPara).toString()));
            rawGroup(format, raw);
            skipUntil_ = spanEnd;
            continue;
        }
        if (inst.isEmpty()) {
            // An object cut apart, or left out: what it showed, as text.
            if (opt_.noObjects) continue;
            for (const QTextFragment& g : span) content(g, from, to);
            continue;
        }
        // A field cut apart keeps its instruction around its part of the result.
        setChar(format, f.charFormatIndex());
        const WState saved = cur_;
        body_ += "{\\field";
        rawGroup(format, inst);
        body_ += "{\\fldrslt";
        needSpace_ = true;
        for (const QTextFragment& g : span) content(g, from, to);
        body_ += "}}";
        needSpace_ = false;
        cur_ = saved;
    }
}

// The characters a kept group shows from the start of a paragraph on,
// across paragraph marks, up to limit of them; end gets where they stop.
QString Writer::shownFrom(QTextBlock b, QTextBlock::iterator it, const QByteArray& raw, int serial, qsizetype limit,
                          int* end) const
{
    QString shown;
    bool started = false;
    int at = -1;
    for (;;) {
        for (; !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat format = f.charFormat();
            const bool same = format.intProperty(RawSerial) == serial && format.property(RawGroup).toByteArray() == raw;
            if (!same) {
                if (started) {
                    *end = at;
                    return shown;
                }
                continue;
            }
            if (started && f.position() != at) {
                *end = at;
                return shown;
            }
            started = true;
            shown += f.text();
            at = f.position() + f.length();
        }
        const QTextBlock next = b.next();
        if (!started || at != b.position() + b.length() - 1 || !next.isValid() || shown.size() >= limit) break;
        shown += QChar(QChar::ParagraphSeparator);
        at = next.position();
        b = next;
        it = b.begin();
    }
    *end = at;
    return shown;
}

void Writer::content(const QTextFragment& f, int from, int to)
{
    const QTextCharFormat format = f.charFormat();
    const int fs = f.position();
    const int a = std::max(from, fs) - fs;
    const int e = std::min(to, fs + f.length()) - fs;
    if (e <= a) return;
    if (a == 0) bookmarks(format.property(Bookmarks).toByteArray());
    if (format.objectType() == RichObjectType) {
        if (opt_.noObjects) return;
        // Equal pictures side by side share one fragment.
        setChar(format, f.charFormatIndex());
        for (int i = a; i < e; ++i) picture(format);
        return;
    }
    setChar(format, f.charFormatIndex());
    text(QStringView(f.text()).mid(a, e - a));
}

void Writer::setChar(const QTextCharFormat& format, int key)
{
    auto cached = key >= 0 ? states_.constFind(key) : states_.constEnd();
    if (cached != states_.constEnd()) {
        emitState(*cached);
        return;
    }
    setAttrs(FromCharFormat(format));
    if (key >= 0) states_.insert(key, cur_);
}

void Writer::setAttrs(const TRichChar& a)
{
    emitState(ToRtfState(a, fontIndex(a.font), a.color < 0 ? 0 : colorIndex(a.color),
                         a.highlight < 0 ? 0 : colorIndex(a.highlight)));
}

void Writer::emitState(const WState& w)
{
    if (w.font != cur_.font) word("f", w.font);
    if (w.halfPoints != cur_.halfPoints) word("fs", w.halfPoints);
    if (w.color != cur_.color) word("cf", w.color);
    if (w.highlight != cur_.highlight) word("highlight", w.highlight);
    if (w.bold != cur_.bold) w.bold ? word("b") : word("b", 0);
    if (w.italic != cur_.italic) w.italic ? word("i") : word("i", 0);
    if (w.underline != cur_.underline) w.underline ? word("ul") : word("ulnone");
    if (w.strike != cur_.strike) w.strike ? word("strike") : word("strike", 0);
    if (w.vertical != cur_.vertical) word(w.vertical == 1 ? "super" : w.vertical == 2 ? "sub" : "nosupersub");
    if (w.protect != cur_.protect) w.protect ? word("protect") : word("protect", 0);
    if (w.hidden != cur_.hidden) w.hidden ? word("v") : word("v", 0);
    cur_ = w;
}

void Writer::word(const char* w)
{
    body_ += '\\';
    body_ += w;
    needSpace_ = true;
}

void Writer::word(const char* w, int param)
{
    body_ += '\\';
    body_ += w;
    body_ += std::to_string(param);
    needSpace_ = true;
}

void Writer::text(QStringView s)
{
    for (const QChar qc : s) {
        const char16_t c = qc.unicode();
        switch (c) {
        case u'\\': body_ += "\\\\"; needSpace_ = false; continue;
        case u'{': body_ += "\\{"; needSpace_ = false; continue;
        case u'}': body_ += "\\}"; needSpace_ = false; continue;
        case u'\t': word("tab"); continue;
        case 0x2028: word("line"); continue;
        case 0x00A0: body_ += "\\~"; needSpace_ = false; continue;
        case 0x00AD: body_ += "\\-"; needSpace_ = false; continue;
        case 0x2011: body_ += "\\_"; needSpace_ = false; continue;
        // Marks that stand for structure, not text.
        case 0xFFFC: case 0x2029: case 0xFDD0: case 0xFDD1: case 0: continue;
        default: break;
        }
        if (c < 0x20 || c >= 0x80) {
            body_ += "\\u";
            body_ += std::to_string(c >= 0x8000 ? int(c) - 65536 : int(c));
            body_ += '?';
            needSpace_ = false;
            continue;
        }
        if (needSpace_) body_ += ' ';
        needSpace_ = false;
        body_ += static_cast<char>(c);
    }
}

void Writer::picture(const QTextCharFormat& format)
{
    const auto kind = static_cast<TRichPictKind>(format.intProperty(PictKind));
    const QByteArray data = format.property(PictData).toByteArray();
    if (kind == TRichPictKind::Opaque) {
        body_.append(data.constData(), static_cast<size_t>(data.size()));
        needSpace_ = false;
        return;
    }
    if (kind != TRichPictKind::Png && kind != TRichPictKind::Jpeg) return;
    const QSize pixels = format.property(PictPixels).toSize();
    const QSize goal = format.property(PictGoal).toSize();
    const QSize scale = format.property(PictScale).toSize();
    body_ += kind == TRichPictKind::Png ? "{\\pict\\pngblip" : "{\\pict\\jpegblip";
    if (pixels.width() > 0) body_ += "\\picw" + std::to_string(pixels.width());
    if (pixels.height() > 0) body_ += "\\pich" + std::to_string(pixels.height());
    if (goal.width() > 0) body_ += "\\picwgoal" + std::to_string(goal.width());
    if (goal.height() > 0) body_ += "\\pichgoal" + std::to_string(goal.height());
    if (scale.width() > 0 && scale.width() != 100) body_ += "\\picscalex" + std::to_string(scale.width());
    if (scale.height() > 0 && scale.height() != 100) body_ += "\\picscaley" + std::to_string(scale.height());
    body_ += "\r\n";
    static const char digits[] = "0123456789abcdef";
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.constData());
    const size_t n = static_cast<size_t>(data.size());
    size_t at = body_.size();
    body_.resize(at + n * 2 + (n / 64) * 2);
    for (size_t i = 0; i < n; ++i) {
        body_[at++] = digits[bytes[i] >> 4];
        body_[at++] = digits[bytes[i] & 15];
        if (i % 64 == 63 && i + 1 < n) {
            body_[at++] = '\r';
            body_[at++] = '\n';
        }
    }
    body_.resize(at);
    body_ += '}';
    needSpace_ = false;
}

void Writer::rawGroup(const QTextCharFormat& format, const QByteArray& bytes)
{
    const QStringList fonts = format.property(RawFonts).toStringList();
    const QList<int> colors = format.property(RawColors).value<QList<int>>();
    std::vector<int> fontMap;
    for (const QString& key : fonts) {
        TRichFont f;
        f.charset = key.section(QLatin1Char('|'), 0, 0).toInt();
        f.pitchFamily = key.section(QLatin1Char('|'), 1, 1).toInt();
        f.face = key.section(QLatin1Char('|'), 2);
        fontMap.push_back(fontIndex(f));
    }
    std::vector<int> colorMap{0};
    for (qsizetype i = 1; i < colors.size(); ++i) colorMap.push_back(colors[i] < 0 ? 0 : colorIndex(colors[i]));
    body_ += RewriteRtfRefs(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                            [&](bool font, int n) {
                                const auto& m = font ? fontMap : colorMap;
                                return n >= 0 && static_cast<size_t>(n) < m.size() ? m[static_cast<size_t>(n)] : 0;
                            });
    needSpace_ = false;
}

int Writer::fontIndex(const TRichFont& f)
{
    const QString key = QString::number(f.charset) + QLatin1Char('|') + QString::number(f.pitchFamily) +
                        QLatin1Char('|') + f.face;
    const auto it = fontIndex_.constFind(key);
    if (it != fontIndex_.constEnd()) return *it;
    fonts_.push_back(f);
    const int i = static_cast<int>(fonts_.size()) - 1;
    fontIndex_.insert(key, i);
    return i;
}

int Writer::colorIndex(int rgb)
{
    const auto it = colorIndex_.constFind(rgb);
    if (it != colorIndex_.constEnd()) return *it;
    colors_.push_back(rgb);
    const int i = static_cast<int>(colors_.size());
    colorIndex_.insert(rgb, i);
    return i;
}

// Every font names its charset, so that it reads back the same whatever
// code page a reader assumes: one that had none gets ANSI for a Latin name,
// GB2312 for a Chinese one.
int Writer::charsetOf(const TRichFont& f)
{
    if (f.charset >= 0) return f.charset;
    for (QChar c : f.face)
        if (c.unicode() >= 0x80) return GB2312_CHARSET;
    return ANSI_CHARSET;
}

void Writer::fontName(const TRichFont& f, std::string& out) const
{
    int cp = kAnsiCp;
    const int charset = charsetOf(f);
    if (charset != DEFAULT_CHARSET) {
        const int c = CharsetToCodePage(charset);
        if (c) cp = c;
    }
    const std::u16string name = f.face.toStdU16String();
    for (size_t i = 0; i < name.size(); ++i) {
        const char16_t c = name[i];
        if (c >= 0x20 && c < 0x80 && c != u'\\' && c != u'{' && c != u'}' && c != u';') {
            out += static_cast<char>(c);
            continue;
        }
        size_t units = 1;
        CodePointAt(name, i, &units);
        const std::u16string_view one(name.data() + i, units);
        bool lossy = false;
        std::string bytes;
        try {
            bytes = cp == CP_SYMBOL || c < 0x80 ? std::string() : WideToMultiByte(cp, one, &lossy);
        } catch (const Exception&) {
            lossy = true;
        }
        if (bytes.empty() || lossy) {
            for (char16_t u : one) out += "\\u" + std::to_string(u >= 0x8000 ? int(u) - 65536 : int(u)) + '?';
        } else {
            static const char digits[] = "0123456789abcdef";
            for (unsigned char b : bytes) {
                out += "\\'";
                out += digits[b >> 4];
                out += digits[b & 15];
            }
        }
        i += units - 1;
    }
}

}  // namespace

const char* RtfTabKindWord(TRichTabKind kind)
{
    switch (kind) {
    case TRichTabKind::Center: return "tqc";
    case TRichTabKind::Right: return "tqr";
    case TRichTabKind::Decimal: return "tqdec";
    default: return nullptr;
    }
}

const char* RtfTabLeaderWord(TRichTabLeader leader)
{
    switch (leader) {
    case TRichTabLeader::Dot: return "tldot";
    case TRichTabLeader::Hyphen: return "tlhyph";
    case TRichTabLeader::Underline: return "tlul";
    case TRichTabLeader::Thick: return "tlth";
    case TRichTabLeader::Equal: return "tleq";
    case TRichTabLeader::MiddleDot: return "tlmdot";
    default: return nullptr;
    }
}

std::string WriteRtf(const QTextDocument& doc, const TRtfWriteOptions& options)
{
    Writer writer(doc, options);
    return writer.Run();
}
