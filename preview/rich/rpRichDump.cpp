#include "rpRichDump.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextTable>

#include "rpRichFormat.h"
#include "rpRichTable.h"

using namespace rich;

namespace {

std::string hexColor(int rgb)
{
    static const char digits[] = "0123456789abcdef";
    std::string s = "#";
    for (int shift = 20; shift >= 0; shift -= 4) s += digits[(rgb >> shift) & 15];
    return s;
}

// FNV-1a: enough to tell two byte strings apart in a dump.
std::string checksum(const QByteArray& data)
{
    uint32_t h = 2166136261u;
    for (char c : data) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (int shift = 28; shift >= 0; shift -= 4) s += digits[(h >> shift) & 15];
    return s;
}

std::string quoted(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u == '"' || u == '\\') {
            out += QLatin1Char('\\');
            out += c;
        } else if (u == '\t') {
            out += QLatin1String("\\t");
        } else if (u == 0x2028) {
            out += QLatin1String("\\line");
        } else if (u < 0x20) {
            static const char digits[] = "0123456789abcdef";
            out += QLatin1String("\\x");
            out += QLatin1Char(digits[u >> 4]);
            out += QLatin1Char(digits[u & 15]);
        } else {
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out.toStdString();
}

std::string charAttrs(const TRichChar& a)
{
    std::string s = a.font.face.toStdString() + "/" + std::to_string(a.font.charset) + "/" +
                    std::to_string(a.font.pitchFamily) + " " + std::to_string(a.halfPoints) + "hp";
    if (a.bold) s += " b";
    if (a.italic) s += " i";
    if (a.underline) s += " ul";
    if (a.strike) s += " strike";
    if (a.vertical == 1) s += " super";
    if (a.vertical == 2) s += " sub";
    if (a.protect) s += " protect";
    if (a.hidden) s += " hidden";
    if (a.color >= 0) s += " color=" + hexColor(a.color);
    if (a.highlight >= 0) s += " highlight=" + hexColor(a.highlight);
    return s;
}

std::string extras(const QTextCharFormat& f)
{
    std::string s;
    const QByteArray raw = f.property(RawGroup).toByteArray();
    if (!raw.isEmpty()) {
        const QByteArray inst = f.property(FieldInst).toByteArray();
        if (inst.isEmpty()) s += " raw=object:" + std::to_string(raw.size()) + ":" + checksum(raw);
        else s += " raw=field:" + inst.toStdString();
    }
    if (f.isAnchor()) s += " link=" + f.anchorHref().toStdString();
    const QByteArray marks = f.property(Bookmarks).toByteArray();
    if (!marks.isEmpty()) s += " bookmarks=" + marks.toStdString();
    return s;
}

std::string picture(const QTextCharFormat& f)
{
    static const char* const kinds[] = {"none", "png", "jpeg", "opaque"};
    const int kind = std::clamp(f.intProperty(PictKind), 0, 3);
    const QSize px = f.property(PictPixels).toSize();
    const QSize goal = f.property(PictGoal).toSize();
    const QSize scale = f.property(PictScale).toSize();
    const QByteArray data = f.property(PictData).toByteArray();
    return std::string("object ") + kinds[kind] + " px=" + std::to_string(px.width()) + "x" +
           std::to_string(px.height()) + " goal=" + std::to_string(goal.width()) + "x" + std::to_string(goal.height()) +
           " scale=" + std::to_string(scale.width()) + "x" + std::to_string(scale.height()) +
           " bytes=" + std::to_string(data.size()) + ":" + checksum(data);
}

std::string paraAttrs(const TRichPara& p)
{
    static const char* const aligns[] = {"left", "right", "center", "justify"};
    static const char* const lists[] = {"none", "bullet", "decimal", "lower-alpha", "upper-alpha", "lower-roman",
                                        "upper-roman"};
    std::string s = aligns[static_cast<int>(p.align)];
    const auto add = [&s](const char* name, int v) {
        if (v) s += std::string(" ") + name + "=" + std::to_string(v);
    };
    add("li", p.li);
    add("ri", p.ri);
    add("fi", p.fi);
    add("sb", p.sb);
    add("sa", p.sa);
    add("sl", p.sl);
    add("slmult", p.slMult);
    if (!p.tabs.empty()) {
        static const char kinds[] = "lcrd";
        s += " tabs=";
        static const char* const leaders[] = {"", ":dot", ":hyphen", ":underline", ":thick", ":equal", ":middot"};
        for (size_t i = 0; i < p.tabs.size(); ++i) {
            if (i) s += ",";
            s += std::to_string(p.tabs[i].position) + kinds[static_cast<int>(p.tabs[i].kind)] +
                 leaders[static_cast<int>(p.tabs[i].leader)];
        }
    }
    if (p.list != TRichList::None) {
        s += std::string(" list=") + lists[static_cast<int>(p.list)];
        if (p.bullet) s += "(" + QString::fromUcs4(&p.bullet, 1).toStdString() + ")";
        if (p.listStart != 1) {
            s += '@';
            s += std::to_string(p.listStart);
        }
    }
    return s;
}

// A row as it is written back: its placing, then each cell's right edge
// with merges, alignment, borders and shading.
std::string rowAttrs(const TRichRow& row)
{
    static const char* const aligns[] = {"left", "right", "center", "justify"};
    static const char* const styles[] = {"none", "s", "th", "db", "dot", "dash", "hair"};
    static const char edges[] = "tlbr";
    std::string s = std::string(aligns[static_cast<int>(row.align)]) + " left=" + std::to_string(row.left) +
                    " gap=" + std::to_string(row.gap);
    if (row.height) s += " height=" + std::to_string(row.height);
    const auto padding = [&s](const char* what, const TRichPadding& pad) {
        if (pad == NoPadding) return;
        s += std::string(" ") + what + "=";
        for (size_t e = 0; e < pad.size(); ++e) s += (e ? "," : "") + (pad[e] < 0 ? std::string("-") : std::to_string(pad[e]));
    };
    padding("pad", row.pad);
    for (const TRichCell& c : row.cells) {
        s += " |" + std::to_string(c.right);
        padding("pad", c.pad);
        if (c.hMerge) s += c.hMerge == 1 ? " mgf" : " mrg";
        if (c.vMerge) s += c.vMerge == 1 ? " vmgf" : " vmrg";
        if (c.vAlign != TRichVAlign::Top) s += c.vAlign == TRichVAlign::Center ? " vcenter" : " vbottom";
        for (int e = 0; e < 4; ++e) {
            const TRichBorder& b = c.borders[e];
            if (!b.Shows()) continue;
            s += std::string(" ") + edges[e] + ":" + styles[static_cast<int>(b.style)] + std::to_string(b.width);
            if (b.color >= 0) s += hexColor(b.color);
        }
        if (c.shading >= 0) s += " fill=" + hexColor(c.shading);
    }
    return s;
}

// The table and cell a block begins, as lines before its own.
std::string cellLines(const QTextDocument& doc, const QTextBlock& b)
{
    const QTextTable* t = TopTableAt(doc, b.position());
    if (!t) return {};
    const QTextTableCell cell = t->cellAt(b.position());
    if (b.position() != cell.firstPosition()) return {};
    std::string s;
    if (cell.row() == 0 && cell.column() == 0) {
        s += "table " + std::to_string(t->rows()) + "x" + std::to_string(t->columns()) + "\n";
        for (int r = 0; r < t->rows(); ++r) s += "  row " + std::to_string(r) + " " + rowAttrs(RowOf(*t, r)) + "\n";
    }
    s += "cell " + std::to_string(cell.row()) + "," + std::to_string(cell.column());
    if (cell.rowSpan() > 1 || cell.columnSpan() > 1)
        s += " span=" + std::to_string(cell.rowSpan()) + "x" + std::to_string(cell.columnSpan());
    return s + "\n";
}

}  // namespace

std::string DumpRichDocument(const QTextDocument& doc)
{
    std::string out;
    int n = 0;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next(), ++n) {
        out += cellLines(doc, b);
        // What Qt keeps before or between tables shows only if the text is there.
        if (IsGapBlock(b) && b.length() <= 1) {
            out += "para " + std::to_string(n) + " gap\n";
            continue;
        }
        out += "para " + std::to_string(n) + " " + paraAttrs(FromBlock(b));
        const QByteArray marks = b.blockFormat().property(Bookmarks).toByteArray();
        if (!marks.isEmpty()) out += " bookmarks=" + marks.toStdString();
        out += "\n";
        if (b.length() <= 1) {
            out += "  mark " + charAttrs(FromCharFormat(b.charFormat())) + "\n";
            continue;
        }
        // Runs: fragments that dump alike are one.
        std::string pendingAttrs;
        QString pendingText;
        const auto flush = [&] {
            if (pendingText.isEmpty()) return;
            out += "  " + quoted(pendingText) + " " + pendingAttrs + "\n";
            pendingText.clear();
        };
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            const QTextCharFormat format = f.charFormat();
            const std::string attrs = charAttrs(FromCharFormat(format)) + extras(format);
            if (format.objectType() == RichObjectType) {
                flush();
                for (int i = 0; i < f.length(); ++i) out += "  " + picture(format) + " " + attrs + "\n";
                continue;
            }
            if (attrs != pendingAttrs) flush();
            pendingAttrs = attrs;
            pendingText += f.text();
        }
        flush();
    }
    return out;
}
