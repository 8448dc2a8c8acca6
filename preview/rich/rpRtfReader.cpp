#include "rpRtfReader.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "CodePages.h"
#include "Exceptions.h"
#include "Graphics.h"
#include "rpRichFormat.h"
#include "rpRtfLexer.h"
#include "rpRtfSymbolFonts.h"
#include "rpRtfTables.h"
#include "rpRtfWriter.h"

using namespace rich;

namespace {

// Deeper groups share their parent's state: real files nest a few
// levels, hostile ones cannot make the stack grow without bound.
constexpr size_t MaxDepth = 2000;

enum class Dest { Text, Skip, FontTable, ColorTable, Pict, FieldBody, FieldInst, ObjectBody, Pn, ListTable, ListOverride,
                  Bookmark,
                  // A bullet's text: \pntxtb of a \pn, \leveltext of a list level.
                  BulletText };

enum class Kw {
    None,
    // header
    Rtf, Ansi, Mac, Pc, Pca, AnsiCpg, Deff, Uc, U,
    // destinations
    FontTable, ColorTable, Pict, Object, Field, FldInst, FldRslt, Result, Pn, ListTable, ListOverrideTable, ShpPict,
    Bookmark, SkipDest,
    // font table
    F, FCharset, FPrq, FNil, FRoman, FSwiss, FModern, FScript, FDecor, FTech, FBidi,
    // colour table
    Red, Green, Blue,
    // character
    Plain, B, I, Ul, UlNone, Strike, Fs, Cf, Cb, Highlight, Super, Sub, NoSuperSub, Protect, V,
    // paragraph
    Pard, Par, Line, Tab, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, Sl, SlMult, Tx, Tqr, Tqc, Tqdec, Ls,
    TlDot, TlHyph, TlUl, TlTh, TlEq, TlMdot,
    // tables
    Cell, Row, NestCell, NestRow, InTbl, Itap,
    // symbols
    Emdash, Endash, Emspace, Enspace, Qmspace, Bullet, Lquote, Rquote, Ldblquote, Rdblquote, Zwj, Zwnj,
    // pictures
    PngBlip, JpegBlip, OpaqueBlip, PicW, PicH, PicWGoal, PicHGoal, PicScaleX, PicScaleY,
    // objects
    ObjW, ObjH,
    // bullets and lists
    PnLvlBlt, PnLvlBody, PnLvlCont, PnDec, PnLcltr, PnUcltr, PnLcrm, PnUcrm, PnStart, PnF, PnTxtB,
    List, ListLevel, LevelNfc, LevelStartAt, ListId, LevelText, ListOverride,
};

const std::unordered_map<std::string_view, Kw>& keywords()
{
    static const std::unordered_map<std::string_view, Kw> table = [] {
        std::unordered_map<std::string_view, Kw> t = {
            {"rtf", Kw::Rtf}, {"urtf", Kw::Rtf}, {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc},
            {"pca", Kw::Pca}, {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff}, {"uc", Kw::Uc}, {"u", Kw::U},
            {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable}, {"pict", Kw::Pict}, {"object", Kw::Object},
            {"field", Kw::Field}, {"fldinst", Kw::FldInst}, {"fldrslt", Kw::FldRslt}, {"result", Kw::Result},
            {"pn", Kw::Pn}, {"listtable", Kw::ListTable}, {"listoverridetable", Kw::ListOverrideTable},
            {"shppict", Kw::ShpPict}, {"bkmkstart", Kw::Bookmark}, {"bkmkend", Kw::Bookmark},
            {"f", Kw::F}, {"fcharset", Kw::FCharset}, {"fprq", Kw::FPrq}, {"fnil", Kw::FNil},
            {"froman", Kw::FRoman}, {"fswiss", Kw::FSwiss}, {"fmodern", Kw::FModern}, {"fscript", Kw::FScript},
            {"fdecor", Kw::FDecor}, {"ftech", Kw::FTech}, {"fbidi", Kw::FBidi},
            {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
            {"plain", Kw::Plain}, {"b", Kw::B}, {"i", Kw::I}, {"ul", Kw::Ul}, {"uld", Kw::Ul}, {"uldash", Kw::Ul},
            {"uldashd", Kw::Ul}, {"uldashdd", Kw::Ul}, {"uldb", Kw::Ul}, {"ulth", Kw::Ul}, {"ulw", Kw::Ul},
            {"ulwave", Kw::Ul}, {"ulhwave", Kw::Ul}, {"ulldash", Kw::Ul}, {"ulthd", Kw::Ul}, {"ulnone", Kw::UlNone},
            {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"fs", Kw::Fs}, {"cf", Kw::Cf}, {"cb", Kw::Cb},
            {"highlight", Kw::Highlight}, {"chcbpat", Kw::Cb}, {"super", Kw::Super}, {"sub", Kw::Sub},
            {"nosupersub", Kw::NoSuperSub}, {"protect", Kw::Protect}, {"v", Kw::V},
            {"pard", Kw::Pard}, {"par", Kw::Par}, {"page", Kw::Par}, {"sect", Kw::Par}, {"line", Kw::Line},
            {"tab", Kw::Tab}, {"ql", Kw::Ql}, {"qc", Kw::Qc}, {"qr", Kw::Qr}, {"qj", Kw::Qj}, {"qd", Kw::Qj},
            {"li", Kw::Li}, {"ri", Kw::Ri}, {"fi", Kw::Fi}, {"sb", Kw::Sb}, {"sa", Kw::Sa}, {"sl", Kw::Sl},
            {"slmult", Kw::SlMult}, {"tx", Kw::Tx}, {"tqr", Kw::Tqr}, {"tqc", Kw::Tqc}, {"tqdec", Kw::Tqdec},
            {"ls", Kw::Ls}, {"tldot", Kw::TlDot}, {"tlhyph", Kw::TlHyph}, {"tlul", Kw::TlUl}, {"tlth", Kw::TlTh},
            {"tleq", Kw::TlEq}, {"tlmdot", Kw::TlMdot}, {"cell", Kw::Cell}, {"nestcell", Kw::NestCell},
            {"row", Kw::Row}, {"nestrow", Kw::NestRow}, {"intbl", Kw::InTbl}, {"itap", Kw::Itap},
            {"emdash", Kw::Emdash}, {"endash", Kw::Endash}, {"emspace", Kw::Emspace}, {"enspace", Kw::Enspace},
            {"qmspace", Kw::Qmspace}, {"bullet", Kw::Bullet}, {"lquote", Kw::Lquote}, {"rquote", Kw::Rquote},
            {"ldblquote", Kw::Ldblquote}, {"rdblquote", Kw::Rdblquote}, {"zwj", Kw::Zwj}, {"zwnj", Kw::Zwnj},
            {"pngblip", Kw::PngBlip}, {"jpegblip", Kw::JpegBlip}, {"emfblip", Kw::OpaqueBlip},
            {"wmetafile", Kw::OpaqueBlip}, {"dibitmap", Kw::OpaqueBlip}, {"wbitmap", Kw::OpaqueBlip},
            {"macpict", Kw::OpaqueBlip}, {"pmmetafile", Kw::OpaqueBlip}, {"picw", Kw::PicW}, {"pich", Kw::PicH},
            {"picwgoal", Kw::PicWGoal}, {"pichgoal", Kw::PicHGoal}, {"picscalex", Kw::PicScaleX},
            {"picscaley", Kw::PicScaleY}, {"objw", Kw::ObjW}, {"objh", Kw::ObjH},
            {"pnlvlblt", Kw::PnLvlBlt}, {"pnlvlbody", Kw::PnLvlBody}, {"pnlvlcont", Kw::PnLvlCont},
            {"pndec", Kw::PnDec}, {"pnlcltr", Kw::PnLcltr}, {"pnucltr", Kw::PnUcltr}, {"pnlcrm", Kw::PnLcrm},
            {"pnucrm", Kw::PnUcrm}, {"pnstart", Kw::PnStart}, {"pnf", Kw::PnF}, {"pntxtb", Kw::PnTxtB}, {"leveltext", Kw::LevelText},
            {"list", Kw::List}, {"listlevel", Kw::ListLevel},
            {"levelnfc", Kw::LevelNfc}, {"levelnfcn", Kw::LevelNfc}, {"levelstartat", Kw::LevelStartAt},
            {"listid", Kw::ListId}, {"listoverride", Kw::ListOverride},
        };
        // Destinations whose content shows nothing we keep.
        for (std::string_view w :
             {"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
              "footerf", "footnote", "annotation", "atnid", "atnauthor", "pntext", "pntxta", "listtext",
              "objdata", "objclass", "objname", "nonshppict", "xe", "tc", "txe", "rxe",
              "fldtype", "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "rsidtbl",
              "generator", "mmathPr", "filetbl", "revtbl", "pgdsctbl", "userprops", "docvar", "template", "comment",
              "title", "subject", "author", "operator", "keywords", "doccomm", "company", "buptim", "creatim",
              "printim", "revtim", "falt", "panose", "fname", "levelnumbers", "listname", "blipuid",
              "picprop", "shpinst", "sp", "sn", "sv", "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn",
              "pgptbl", "protusertbl", "wgrffmtfilter", "fchars", "lchars", "hlinkbase", "bookmark"})
            t.emplace(w, Kw::SkipDest);
        return t;
    }();
    return table;
}

using CharState = TRtfCharState;

struct CharStateHash {
    size_t operator()(const CharState& s) const noexcept
    {
        size_t h = static_cast<size_t>(s.font) * 1000003u ^ static_cast<size_t>(s.halfPoints) * 8191u;
        h ^= (s.bold ? 1u : 0u) | (s.italic ? 2u : 0u) | (s.underline ? 4u : 0u) | (s.strike ? 8u : 0u) |
             (s.protect ? 16u : 0u) | (s.hidden ? 32u : 0u) | (static_cast<size_t>(s.vertical) << 6);
        h = h * 31 + static_cast<size_t>(s.color);
        h = h * 31 + static_cast<size_t>(s.highlight);
        return h;
    }
};

struct Group {
    CharState chr;
    TRichPara para;
    Dest dest = Dest::Text;
    int uc = 1;
    size_t start = 0;  // offset of the '{'
    int docOpen = 0;   // document position of what the group shows first
    // The pending tab kind and leader for the next \tx.
    TRichTabKind tabKind = TRichTabKind::Left;
    TRichTabLeader tabLeader = TRichTabLeader::None;
    // The paragraph is in a table row (\intbl).
    bool inTable = false;
    // A row definition word, or table structure, was read in the group.
    bool tableWords = false;
};

struct FontEntry {
    TRichFont font;
    bool named = false;
};

struct PictState {
    int ownerDepth = -1;
    size_t start = 0;
    TRichPictKind kind = TRichPictKind::None;
    std::string hex;
    std::string bin;
    QSize pixels{0, 0};
    QSize goal{0, 0};
    QSize scale{100, 100};
};

// A group kept verbatim: an object or a field, with what it showed.
struct RawState {
    int ownerDepth = -1;
    CharState outer;
    TRichPara outerPara;
    int outerUc = 1;
    TRichTabKind outerTabKind = TRichTabKind::Left;
    TRichTabLeader outerTabLeader = TRichTabLeader::None;
    size_t start = 0;
    int docStart = 0;
    bool field = false;
    QSize objectSize{0, 0};
    std::string fieldInst;
    QString instruction;
};

// A character of a bullet's text as the file gives it: a byte (\'hh or
// 8-bit text) or a character (\uN).
struct BulletChar {
    char32_t c = 0;
    bool byte = false;
};

struct ListDef {
    TRichList kind = TRichList::Bullet;
    int start = 1;
    bool nfcGiven = false;  // \levelnfc named the kind
    int font = -1;  // the bullet's font (\pnf, the level's \f); -1 the text's
    std::vector<BulletChar> text;
    char32_t bullet = 0;
};

TRichList listFromNfc(int nfc)
{
    switch (nfc) {
    case 23: return TRichList::Bullet;
    case 1: return TRichList::UpperRoman;
    case 2: return TRichList::LowerRoman;
    case 3: return TRichList::UpperAlpha;
    case 4: return TRichList::LowerAlpha;
    case 255: return TRichList::None;
    default: return TRichList::Decimal;
    }
}

class Reader {
public:
    Reader(std::string_view in, QTextDocument& doc, const TRtfReadOptions& options)
        : in_(in), doc_(doc), cursor_(&doc), tablesAsText_(options.tablesAsText),
          tables_(doc, [this](int index) { return colorAt(index); })
    {
    }
    void Run();

private:
    Group& top() { return stack_.back(); }
    Dest dest() const { return skipping_ ? Dest::Skip : stack_.back().dest; }

    void open(const TRtfToken& t);
    void close(const TRtfToken& t);
    void popGroup();
    void word(const TRtfToken& t);
    void symbol(const TRtfToken& t);
    void text(std::string_view bytes);
    void textByte(char b, bool escaped);
    bool consumeSkip();
    // Skips the rest of the current group (never the document's own).
    void skip();
    void enterDestination(Kw kw);
    // The word is the first of its group, after "\*".
    bool opensGroup(const TRtfToken& t) const;
    void charWord(Kw kw, const TRtfToken& t);
    void paraWord(Kw kw, const TRtfToken& t);

    int codePage() const;
    void flushBytes();
    void put(const std::u16string& s);
    void put(char16_t c) { put(std::u16string(1, c)); }
    void flushRun();
    void ensureBlock();
    // The document position the next character shown will take.
    int shownPos() const { return cursor_.position() + (pendingBlock_ ? 1 : 0) + static_cast<int>(run_.size()); }
    void endParagraph();
    void finish();
    // Tables: a row begins, a cell and a row end, the last table closes.
    bool tableStructure() const;
    void startRow();
    void endCell();
    void endRow();
    void leaveTable();
    // Text for a cell more than the row has: see TRtfTableBuilder::WidenRow.
    void settleCell();
    void moveCursor(const QTextCursor& to);
    // The text now goes on elsewhere than at `from`, where groups may have opened.
    void openedAt(int from);
    void insertObject(const QTextCharFormat& format);
    QTextCharFormat charFormat(const CharState& s);
    TRichChar charAttrs(const CharState& s) const;
    TRichFont fontAt(int index) const;
    TRichFont withImpliedCharset(TRichFont f) const;
    int colorAt(int index) const;
    void closePict(size_t end, bool closed);
    void closeRaw(size_t end, bool closed);
    std::string closedGroup(size_t start, size_t end, bool closed) const;
    std::string withPlainFont(std::string_view group) const;

    std::string_view in_;
    QTextDocument& doc_;
    QTextCursor cursor_;
    std::vector<Group> stack_;
    size_t overflowNest_ = 0;
    bool skipping_ = false;
    bool skipVirtual_ = false;  // the skipped group is one of the overflow
    size_t skipNest_ = 0;
    bool starred_ = false;
    int skipChars_ = 0;

    int ansiCp_ = 1252;
    int deff_ = 0;
    std::unordered_map<int, FontEntry> fonts_;
    int fontEntry_ = -1;  // the font table entry being read
    std::u16string fontName_;
    std::vector<int> colors_;  // RGB; -1 automatic
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colorSeen_ = false;

    std::string bytes_;  // \'hh and 8-bit text waiting to be decoded as one run
    bool escapedHigh_ = false;
    bool literalHigh_ = false;
    std::u16string run_;
    CharState runState_;
    std::unordered_map<CharState, QTextCharFormat, CharStateHash> formats_;

    bool pendingBlock_ = false;
    bool hasContent_ = false;
    TRichPara lastContentPara_;
    // Where the paragraph opened by a kept group's last mark begins, or -1.
    int keptMarkAt_ = -1;

    PictState pict_;
    RawState raw_;
    int rawSerial_ = 0;
    std::u16string fieldInst_;
    ListDef pn_;
    std::unordered_map<int, ListDef> lists_;
    std::unordered_map<int, int> overrides_;
    int listId_ = 0;
    int listLevel_ = 0;
    ListDef listDef_;

    std::vector<BulletChar> bulletText_;
    // The bullet character text[at] stands for in a font: 0 for the usual one.
    char32_t bulletOf(const std::vector<BulletChar>& text, size_t at, int font) const;

    // Bookmark groups read since the last character, kept for the next one
    // (or the paragraph's mark); the depth of the one being read.
    std::string bookmarks_;
    int bookmarkDepth_ = -1;
    int bookmarkSerial_ = 0;
    // The format a character takes that the bookmarks read stand before.
    QTextCharFormat withBookmarks(QTextCharFormat format);
    // The paragraph's mark takes the bookmarks read before it.
    void bookmarksAtMark();

    bool tablesAsText_ = false;
    TRtfTableBuilder tables_;
    bool extraCell_ = false;  // a \cell ended the row's last cell
};

void Reader::Run()
{
    Group root;
    stack_.push_back(root);
    size_t start = 0;
    while (start < in_.size() && (in_[start] == ' ' || in_[start] == '\t')) ++start;
    TRtfLexer lexer(in_, start);
    // The opening brace of the document is the root group.
    TRtfToken first = lexer.Next();
    if (first.kind != TRtfToken::Open) return;
    for (;;) {
        const TRtfToken t = lexer.Next();
        if (t.kind == TRtfToken::End) break;
        if (t.kind == TRtfToken::Close && stack_.size() == 1 && overflowNest_ == 0 && !skipping_) break;
        switch (t.kind) {
        case TRtfToken::Open: open(t); break;
        case TRtfToken::Close: close(t); break;
        case TRtfToken::Word: word(t); break;
        case TRtfToken::Symbol: symbol(t); break;
        case TRtfToken::Hex:
            if (dest() == Dest::Skip || consumeSkip()) break;
            textByte(static_cast<char>(t.hex), true);
            break;
        case TRtfToken::Text: text(t.bytes); break;
        case TRtfToken::Bin:
            if (dest() == Dest::Pict) pict_.bin.append(t.bytes);
            else consumeSkip();
            break;
        case TRtfToken::End: break;
        }
    }
    // Truncated input: close what is open.
    while (stack_.size() > 1 || skipping_ || overflowNest_ > 0) {
        TRtfToken t;
        t.kind = TRtfToken::Close;
        t.start = t.end = in_.size();
        close(t);
    }
    finish();
}

void Reader::open(const TRtfToken& t)
{
    skipChars_ = 0;
    if (skipping_) {
        ++skipNest_;
        return;
    }
    flushBytes();
    if (stack_.size() >= MaxDepth) {
        ++overflowNest_;
        return;
    }
    Group g = top();
    g.start = t.start;
    g.docOpen = shownPos();
    g.tableWords = false;
    stack_.push_back(std::move(g));
}

void Reader::close(const TRtfToken& t)
{
    skipChars_ = 0;
    starred_ = false;
    if (skipping_) {
        if (skipNest_ > 0) {
            --skipNest_;
            return;
        }
        skipping_ = false;
        if (skipVirtual_) --overflowNest_;
        else popGroup();
        return;
    }
    flushBytes();
    if (overflowNest_ > 0) {
        --overflowNest_;
        return;
    }
    if (stack_.size() <= 1) return;
    const int depth = static_cast<int>(stack_.size()) - 1;
    const Dest d = top().dest;
    if (d == Dest::FontTable && fontEntry_ >= 0 && !fontName_.empty()) {
        // An entry without its closing ';'.
        text(";");
        flushBytes();
    }
    // The end of the input closes what is open; a brace there closes its group.
    const bool closed = t.end > t.start;
    if (d == Dest::BulletText && stack_[stack_.size() - 2].dest != Dest::BulletText) {
        if (stack_[stack_.size() - 2].dest == Dest::Pn) pn_.text = bulletText_;
        else if (listLevel_ == 1) listDef_.text = bulletText_;
    }
    if (d == Dest::Bookmark && bookmarkDepth_ == depth) {
        bookmarks_ += closedGroup(top().start, t.end, closed);
        bookmarkDepth_ = -1;
    }
    if (pict_.ownerDepth == depth) closePict(t.end, closed);
    if (d == Dest::Pn) {
        const ListDef pn = pn_;
        // A kept group's own \pn is closed with the group and changes
        // nothing outside it: the group goes back whole, and read again the
        // list would fall on whatever follows it.
        const bool kept = raw_.ownerDepth == depth;
        if (kept) closeRaw(t.end, closed);
        popGroup();
        if (kept) return;
        top().para.list = pn.kind;
        top().para.listStart = pn.start;
        top().para.bullet = pn.kind == TRichList::Bullet ? bulletOf(pn.text, 0, pn.font >= 0 ? pn.font : top().chr.font) : 0;
        return;
    }
    if (d == Dest::FieldInst && raw_.ownerDepth == depth - 1 && raw_.field &&
        stack_[stack_.size() - 2].dest == Dest::FieldBody) {
        raw_.fieldInst = closedGroup(top().start, t.end, closed);
        raw_.instruction = QString::fromStdU16String(fieldInst_);
    }
    if (raw_.ownerDepth == depth) closeRaw(t.end, closed);
    popGroup();
}

void Reader::popGroup()
{
    const bool tableWords = top().tableWords;
    stack_.pop_back();
    // What a group holds, the group around it holds too.
    if (tableWords && !stack_.empty()) top().tableWords = true;
}

void Reader::skip()
{
    if (stack_.size() <= 1 && overflowNest_ == 0) return;
    // A group that holds a picture, an object or a field is closed by its
    // own brace: what cannot be read in it is ignored instead.
    const int depth = static_cast<int>(stack_.size()) - 1;
    if (overflowNest_ == 0 && (pict_.ownerDepth == depth || raw_.ownerDepth == depth)) return;
    skipping_ = true;
    skipVirtual_ = overflowNest_ > 0;
    skipNest_ = 0;
}

bool Reader::consumeSkip()
{
    if (skipChars_ <= 0) return false;
    --skipChars_;
    return true;
}

void Reader::symbol(const TRtfToken& t)
{
    if (dest() == Dest::Skip) return;
    if (t.symbol == '*') {
        starred_ = true;
        return;
    }
    if (consumeSkip()) return;
    switch (t.symbol) {
    case '\\':
    case '{':
    case '}': textByte(t.symbol, false); return;
    case '~': flushBytes(); put(u'\u00A0'); return;
    case '-': flushBytes(); put(u'\u00AD'); return;
    case '_': flushBytes(); put(u'\u2011'); return;
    case '\r':
    case '\n':
        if (dest() == Dest::Text) {
            flushBytes();
            endParagraph();
        }
        return;
    case '\t': flushBytes(); put(u'\t'); return;
    default: return;
    }
}

void Reader::text(std::string_view bytes)
{
    const Dest d = dest();
    if (d == Dest::Skip) return;
    if (skipChars_ > 0) {
        const size_t n = std::min<size_t>(static_cast<size_t>(skipChars_), bytes.size());
        skipChars_ -= static_cast<int>(n);
        bytes.remove_prefix(n);
    }
    switch (d) {
    case Dest::Pict:
        pict_.hex.append(bytes);
        return;
    case Dest::BulletText:
        for (char c : bytes) bulletText_.push_back({static_cast<unsigned char>(c), true});
        return;
    case Dest::ColorTable:
        for (char c : bytes) {
            if (c != ';') continue;
            colors_.push_back(colorSeen_ ? (red_ << 16 | green_ << 8 | blue_) : -1);
            red_ = green_ = blue_ = 0;
            colorSeen_ = false;
        }
        return;
    case Dest::FontTable:
        for (char c : bytes) {
            if (c != ';') {
                textByte(c, false);
                continue;
            }
            flushBytes();
            if (fontEntry_ >= 0) {
                FontEntry& e = fonts_[fontEntry_];
                // The control keeps 31 characters of a face name.
                const QString name = QString::fromStdU16String(fontName_).trimmed().left(31).trimmed();
                e.font.face = name;
                e.named = true;
                formats_.clear();
            }
            fontEntry_ = -1;
            fontName_.clear();
        }
        return;
    case Dest::Text:
    case Dest::FieldInst:
        for (char c : bytes)
            if (static_cast<unsigned char>(c) >= 0x80) {
                literalHigh_ = true;
                break;
            }
        bytes_.append(bytes);
        return;
    default: return;
    }
}

void Reader::textByte(char b, bool escaped)
{
    const Dest d = dest();
    if (d == Dest::BulletText) {
        bulletText_.push_back({static_cast<unsigned char>(b), true});
        return;
    }
    if (d != Dest::Text && d != Dest::FieldInst && d != Dest::FontTable) return;
    const auto u = static_cast<unsigned char>(b);
    if (u >= 0x80) (escaped ? escapedHigh_ : literalHigh_) = true;
    bytes_ += b;
}

int Reader::codePage() const
{
    int charset = -1;
    if (dest() == Dest::FontTable) {
        const auto it = fonts_.find(fontEntry_);
        if (it != fonts_.end()) charset = it->second.font.charset;
    } else {
        charset = fontAt(stack_.back().chr.font).charset;
    }
    if (charset < 0 || charset == DEFAULT_CHARSET) return ansiCp_;
    const int cp = CharsetToCodePage(charset);
    return cp ? cp : ansiCp_;
}

void Reader::flushBytes()
{
    if (bytes_.empty()) return;
    std::u16string out;
    if (!escapedHigh_ && !literalHigh_) {
        out.assign(bytes_.begin(), bytes_.end());
    } else if (literalHigh_ && !escapedHigh_ && IsValidUtf8(bytes_)) {
        // 8-bit text straight from a UTF-8 source.
        out = Utf8ToUtf16(bytes_);
    } else {
        const int cp = codePage();
        if (cp == CP_SYMBOL) {
            for (char c : bytes_) {
                const auto u = static_cast<unsigned char>(c);
                out += u < 0x80 ? char16_t(u) : char16_t(0xF000 + u);
            }
        } else {
            try {
                out = MultiByteToWide(cp, bytes_);
            } catch (const Exception&) {
                out = MultiByteToWide(1252, bytes_);
            }
        }
    }
    bytes_.clear();
    escapedHigh_ = literalHigh_ = false;
    put(out);
}

void Reader::put(const std::u16string& s)
{
    switch (dest()) {
    case Dest::BulletText:
        for (char16_t c : s) bulletText_.push_back({c, false});
        return;
    case Dest::FontTable: fontName_ += s; return;
    case Dest::FieldInst: fieldInst_ += s; return;
    case Dest::Text: break;
    default: return;
    }
    // Text of a paragraph still in a table after \row begins the next row.
    if (top().inTable && !tables_.InRow() && tableStructure()) startRow();
    settleCell();
    const CharState& state = top().chr;
    if (!run_.empty() && !(state == runState_)) flushRun();
    runState_ = state;
    // Characters Qt takes for paragraph or frame marks are text here: only
    // \par and the table words make paragraphs; and the mark of an object
    // is no object.
    for (char16_t c : s) {
        if (c == 0) continue;
        if (c == u'\n' || c == u'\r' || c == 0x2029 || c == 0xFDD0 || c == 0xFDD1) c = u' ';
        run_ += c == 0xFFFC ? char16_t(0xFFFD) : c;
    }
    if (!hasContent_ || !(lastContentPara_ == top().para)) lastContentPara_ = top().para;
    hasContent_ = true;
}

void Reader::flushRun()
{
    if (run_.empty()) return;
    leaveTable();
    ensureBlock();
    QString text = QString::fromStdU16String(run_);
    run_.clear();
    if (!bookmarks_.empty()) {
        // The first character carries them, on its own.
        const qsizetype n = text.size() > 1 && text.at(0).isHighSurrogate() ? 2 : 1;
        cursor_.insertText(text.left(n), withBookmarks(charFormat(runState_)));
        text.remove(0, n);
    }
    if (!text.isEmpty()) cursor_.insertText(text, charFormat(runState_));
}

QTextCharFormat Reader::withBookmarks(QTextCharFormat format)
{
    if (bookmarks_.empty()) return format;
    format.setProperty(Bookmarks, QByteArray(bookmarks_.data(), static_cast<qsizetype>(bookmarks_.size())));
    // Two equal groups at two places stay two.
    format.setProperty(BookmarkSerial, ++bookmarkSerial_);
    bookmarks_.clear();
    return format;
}

void Reader::bookmarksAtMark()
{
    if (bookmarks_.empty()) return;
    QTextBlockFormat f = cursor_.blockFormat();
    const QByteArray before = f.property(Bookmarks).toByteArray();
    f.setProperty(Bookmarks, before + QByteArray(bookmarks_.data(), static_cast<qsizetype>(bookmarks_.size())));
    cursor_.setBlockFormat(f);
    bookmarks_.clear();
}

void Reader::ensureBlock()
{
    if (!pendingBlock_) return;
    leaveTable();
    pendingBlock_ = false;
    cursor_.insertBlock(QTextBlockFormat(), charFormat(top().chr));
}

void Reader::endParagraph()
{
    settleCell();
    flushRun();
    leaveTable();
    ensureBlock();
    const TRichPara& para = top().para;
    cursor_.setBlockFormat(ToBlockFormat(para));
    ApplyList(cursor_.block(), para);
    bookmarksAtMark();
    // An empty paragraph's height comes from its mark's font.
    if (cursor_.block().length() <= 1) cursor_.setBlockCharFormat(charFormat(top().chr));
    pendingBlock_ = true;
    hasContent_ = false;
}

void Reader::finish()
{
    flushBytes();
    flushRun();
    // A row the input cut off ends there.
    if (tables_.InRow()) endRow();
    // What follows the last table is a gap until something is read into it.
    if (tables_.Open()) {
        leaveTable();
        bookmarksAtMark();
        return;
    }
    // A last \par ends the last paragraph; it does not open another.
    if (pendingBlock_) {
        bookmarksAtMark();
        return;
    }
    const TRichPara& para = hasContent_ ? lastContentPara_ : top().para;
    cursor_.setBlockFormat(ToBlockFormat(para));
    ApplyList(cursor_.block(), para);
    bookmarksAtMark();
    if (cursor_.block().length() <= 1) cursor_.setBlockCharFormat(charFormat(top().chr));
}

// Rows are read as tables outside kept groups (whose text stays together),
// unless tables are wanted as text.
bool Reader::tableStructure() const
{
    return !tablesAsText_ && dest() == Dest::Text && raw_.ownerDepth < 0 && overflowNest_ == 0;
}

void Reader::startRow()
{
    // A group that holds table structure is never kept whole.
    top().tableWords = true;
    flushRun();
    // Text the row's first paragraph began with before \intbl or \cell
    // goes into its first cell.
    QTextDocumentFragment carried;
    int carriedFrom = -1;
    int carriedLength = 0;
    if (!pendingBlock_ && cursor_.block().length() > 1) {
        QTextCursor text(cursor_.block());
        text.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        carriedFrom = text.selectionStart();
        carriedLength = text.selectionEnd() - carriedFrom;
        carried = text.selection();
        text.removeSelectedText();
        const QTextBlock b = cursor_.block();
        if (IsGapBlock(b)) {
            // The table before may take the row after all.
            tables_.Reopen(b);
        } else if (b.position() > 0) {
            // The paragraph is gone: the table follows the one before, which ended.
            QTextCursor(b).deletePreviousChar();
            pendingBlock_ = true;
        }
    } else if (!pendingBlock_ && cursor_.block().length() <= 1 && cursor_.position() == keptMarkAt_ &&
               cursor_.position() > 0 && !IsGapBlock(cursor_.block())) {
        // A kept group that ended with a paragraph mark made the empty
        // paragraph the table now begins in: the paragraph before ended,
        // as if the mark had been read outside the group. Left, it would be
        // a gap the writer drops, and read again the table would follow
        // the group's paragraph directly.
        QTextCursor(cursor_.block()).deletePreviousChar();
        pendingBlock_ = true;
    }
    const bool follows = tables_.Open();
    if (!tables_.Joins()) leaveTable();
    const bool ended = pendingBlock_;
    pendingBlock_ = false;
    hasContent_ = false;
    moveCursor(tables_.StartRow(cursor_, ended, follows));
    if (carriedFrom < 0) return;
    const int at = cursor_.position();
    cursor_.insertFragment(carried);
    hasContent_ = true;
    lastContentPara_ = top().para;
    for (Group& g : stack_)
        if (g.docOpen >= carriedFrom && g.docOpen <= carriedFrom + carriedLength) g.docOpen += at - carriedFrom;
}

void Reader::endCell()
{
    top().tableWords = true;
    flushRun();
    ensureBlock();
    const TRichPara& para = top().para;
    cursor_.setBlockFormat(ToBlockFormat(para));
    ApplyList(cursor_.block(), para);
    bookmarksAtMark();
    if (cursor_.block().length() <= 1) cursor_.setBlockCharFormat(charFormat(top().chr));
    hasContent_ = false;
}

void Reader::endRow()
{
    top().tableWords = true;
    // Text after the last \cell belongs to the last cell; a \par before
    // \row ended its paragraph.
    flushRun();
    if (pendingBlock_) pendingBlock_ = false;
    else if (hasContent_ || !extraCell_) endCell();
    extraCell_ = false;
    // Cells the row left empty take the font that gives them their height.
    for (QTextCursor& c : tables_.CellsLeft()) c.setBlockCharFormat(charFormat(top().chr));
    moveCursor(tables_.EndRow());
    pendingBlock_ = false;
    hasContent_ = false;
}

void Reader::leaveTable()
{
    if (!tables_.Open()) return;
    const auto [at, removed] = tables_.Close();
    if (removed <= 0) return;
    // Positions kept behind the rows held in reserve move up.
    for (Group& g : stack_)
        if (g.docOpen > at) g.docOpen -= removed;
    if (raw_.docStart > at) raw_.docStart -= removed;
}

void Reader::settleCell()
{
    if (!extraCell_) return;
    extraCell_ = false;
    if (const std::optional<QTextCursor> next = tables_.WidenRow()) {
        moveCursor(*next);
        return;
    }
    // No cell left: the text goes on in the last one, a tab apart.
    const int from = shownPos();
    cursor_.insertText(QStringLiteral("\t"), charFormat(top().chr));
    hasContent_ = true;
    lastContentPara_ = top().para;
    openedAt(from);
}

void Reader::moveCursor(const QTextCursor& to)
{
    const int from = shownPos();
    cursor_ = to;
    openedAt(from);
}

void Reader::openedAt(int from)
{
    // Groups opened at the end of the text open where it goes on now.
    const int now = shownPos();
    for (auto g = stack_.rbegin(); g != stack_.rend() && g->docOpen == from; ++g) g->docOpen = now;
    if (raw_.ownerDepth >= 0 && raw_.docStart == from) raw_.docStart = now;
}

void Reader::insertObject(const QTextCharFormat& format)
{
    if (top().inTable && !tables_.InRow() && tableStructure()) startRow();
    settleCell();
    flushRun();
    leaveTable();
    ensureBlock();
    cursor_.insertText(QString(QChar::ObjectReplacementCharacter), withBookmarks(format));
    if (!hasContent_) lastContentPara_ = top().para;
    hasContent_ = true;
}

// A font that names no charset (or one no code page belongs to) is in the file's code page: it gets that
// code page's charset, so that it means the same in files the writer
// declares another code page for (bytes of kept groups above all).
TRichFont Reader::withImpliedCharset(TRichFont f) const
{
    if (f.charset >= 0 && f.charset != DEFAULT_CHARSET && CharsetToCodePage(f.charset) != 0) return f;
    static const std::pair<int, int> table[] = {{1252, 0},   {936, 134},  {950, 136},  {932, 128}, {949, 129},
                                                {1250, 238}, {1251, 204}, {1253, 161}, {1254, 162}, {1255, 177},
                                                {1256, 178}, {1257, 186}, {1258, 163}, {874, 222},  {10000, 77}};
    // Bytes of an unknown code page are read as 1252's.
    f.charset = ANSI_CHARSET;
    for (const auto& [cp, charset] : table)
        if (cp == ansiCp_) f.charset = charset;
    return f;
}

TRichFont Reader::fontAt(int index) const
{
    auto it = fonts_.find(index);
    if (it == fonts_.end() || !it->second.named) it = fonts_.find(deff_);
    if (it != fonts_.end() && it->second.named && !it->second.font.face.isEmpty())
        return withImpliedCharset(it->second.font);
    TRichFont f;
    f.face = QStringLiteral("Arial");
    if (it != fonts_.end()) {
        f.charset = it->second.font.charset;
        f.pitchFamily = it->second.font.pitchFamily;
    }
    return withImpliedCharset(f);
}

int Reader::colorAt(int index) const
{
    if (index <= 0 || static_cast<size_t>(index) >= colors_.size()) return -1;
    return colors_[static_cast<size_t>(index)];
}

QTextCharFormat Reader::charFormat(const CharState& s)
{
    auto it = formats_.find(s);
    if (it != formats_.end()) return it->second;
    return formats_.emplace(s, ToCharFormat(charAttrs(s))).first->second;
}

TRichChar Reader::charAttrs(const CharState& s) const
{
    return ToRichChar(s, fontAt(s.font), colorAt(s.color), colorAt(s.highlight));
}

char32_t Reader::bulletOf(const std::vector<BulletChar>& text, size_t at, int font) const
{
    if (at >= text.size()) return 0;
    const BulletChar b = text[at];
    const TRichFont f = fontAt(font >= 0 ? font : deff_);
    char32_t c = b.c;
    if (const TSymbolFont symbol = SymbolFontOf(f.face); symbol != TSymbolFont::None) {
        // The font's byte, given as such or as the private character for
        // it; a character of its own is that character.
        if (c >= 0xF020 && c <= 0xF0FF) c = SymbolFontChar(symbol, static_cast<unsigned>(c - 0xF000));
        else if (c <= 0xFF) c = SymbolFontChar(symbol, static_cast<unsigned>(c));
    } else if (b.byte && c >= 0x80) {
        const int charset = f.charset < 0 || f.charset == DEFAULT_CHARSET ? -1 : f.charset;
        const int cp = charset < 0 ? ansiCp_ : CharsetToCodePage(charset);
        std::u16string decoded;
        try {
            if (cp && cp != CP_SYMBOL) decoded = MultiByteToWide(cp, std::string(1, static_cast<char>(c)));
        } catch (const Exception&) {
        }
        c = decoded.size() == 1 ? decoded[0] : 0;
    } else if (QChar::isHighSurrogate(c) && at + 1 < text.size() && QChar::isLowSurrogate(text[at + 1].c)) {
        c = QChar::surrogateToUcs4(static_cast<char16_t>(c), static_cast<char16_t>(text[at + 1].c));
    }
    // What shows nothing, or nothing we know, is the usual bullet.
    if (c <= 0x20 || c == 0xFFFD || (c >= 0xE000 && c <= 0xF8FF) || QChar::isSurrogate(c) || c == DefaultBullet) return 0;
    return c;
}

bool Reader::opensGroup(const TRtfToken& t) const
{
    if (stack_.size() < 2 || overflowNest_ > 0 || t.start <= stack_.back().start) return false;
    std::string_view before = in_.substr(stack_.back().start, t.start - stack_.back().start);
    std::string kept;
    for (char c : before)
        if (c != '\r' && c != '\n' && c != ' ') kept += c;
    return kept == "{\\*";
}

void Reader::enterDestination(Kw kw)
{
    Group& g = top();
    const int depth = static_cast<int>(stack_.size()) - 1;
    // Groups nested too deep share their parent's state: they can be
    // skipped, but not hold a table, a picture or a kept group.
    if (overflowNest_ > 0 && kw != Kw::ShpPict) {
        skip();
        return;
    }
    // Tables, pictures and bullets hold data, not destinations: a nested
    // group that starts one is skipped, a word in their own group ignored.
    const bool fieldPart = kw == Kw::FldInst || kw == Kw::FldRslt || kw == Kw::Result;
    // A bullet's text: of a \pn group, or of the first level of a list.
    if ((kw == Kw::PnTxtB && g.dest == Dest::Pn) || (kw == Kw::LevelText && g.dest == Dest::ListTable)) {
        if (depth > 0 && stack_[stack_.size() - 2].dest == g.dest && (kw == Kw::PnTxtB || listLevel_ == 1)) {
            g.dest = Dest::BulletText;
            bulletText_.clear();
        } else {
            skip();
        }
        return;
    }
    if (g.dest != Dest::Text && !fieldPart) {
        if (depth > 0 && stack_[stack_.size() - 2].dest == g.dest) skip();
        return;
    }
    // The tables belong to the header; one further in is skipped.
    const bool table = kw == Kw::FontTable || kw == Kw::ColorTable || kw == Kw::ListTable || kw == Kw::ListOverrideTable;
    if (table && depth != 1) {
        skip();
        return;
    }
    switch (kw) {
    case Kw::FontTable: g.dest = Dest::FontTable; return;
    case Kw::ColorTable:
        g.dest = Dest::ColorTable;
        colors_.clear();
        colorSeen_ = false;
        red_ = green_ = blue_ = 0;
        formats_.clear();
        return;
    case Kw::Pict:
        // A picture is a group of its own: one begun after text in its group
        // would keep that text twice, one after a row definition read it twice.
        if (pict_.ownerDepth >= 0 || depth == 0 || shownPos() != g.docOpen || g.tableWords) {
            skip();
            return;
        }
        flushRun();
        g.dest = Dest::Pict;
        pict_ = PictState();
        pict_.ownerDepth = depth;
        pict_.start = g.start;
        return;
    case Kw::Object:
    case Kw::Field: {
        if (g.dest != Dest::Text || depth == 0) return;
        // Kept whole, a group would read its row definition again elsewhere.
        if (g.tableWords) {
            skip();
            return;
        }
        const bool field = kw == Kw::Field;
        // A field's result never joins the run before it, kept or not.
        if (field || raw_.ownerDepth < 0) flushRun();
        g.dest = field ? Dest::FieldBody : Dest::ObjectBody;
        if (raw_.ownerDepth < 0) {
            // The outermost object or field is kept as a group, with the
            // state it was opened in.
            const Group& outer = stack_[stack_.size() - 2];
            raw_ = RawState();
            raw_.ownerDepth = depth;
            raw_.outer = outer.chr;
            raw_.outerUc = outer.uc;
            raw_.outerTabKind = outer.tabKind;
            raw_.outerTabLeader = outer.tabLeader;
            raw_.outerPara = outer.para;
            raw_.start = g.start;
            raw_.field = field;
            raw_.docStart = g.docOpen;
        }
        return;
    }
    case Kw::FldInst:
        if (g.dest == Dest::FieldBody) {
            g.dest = Dest::FieldInst;
            fieldInst_.clear();
        } else {
            skip();
        }
        return;
    case Kw::FldRslt:
    case Kw::Result:
        if (g.dest == Dest::FieldBody || g.dest == Dest::ObjectBody) g.dest = Dest::Text;
        else skip();
        return;
    case Kw::Pn:
        g.dest = Dest::Pn;
        pn_ = ListDef();
        return;
    case Kw::ListTable: g.dest = Dest::ListTable; return;
    case Kw::ListOverrideTable: g.dest = Dest::ListOverride; return;
    case Kw::ShpPict: return;  // its \pict is the picture
    case Kw::Bookmark:
        // Kept byte for byte before what follows it; one inside a kept
        // group goes back with the group.
        if (depth == 0 || raw_.ownerDepth >= 0 || bookmarkDepth_ >= 0) {
            skip();
            return;
        }
        // The text before it is where it ends.
        flushRun();
        g.dest = Dest::Bookmark;
        bookmarkDepth_ = depth;
        return;
    default: skip(); return;
    }
}

void Reader::word(const TRtfToken& t)
{
    if (dest() == Dest::Skip) return;
    const auto& table = keywords();
    const auto found = table.find(t.word);
    const Kw kw = found == table.end() ? Kw::None : found->second;
    const bool starred = starred_;
    starred_ = false;
    if (kw != Kw::U && consumeSkip()) return;
    flushBytes();
    const int param = t.param;
    Group& g = top();
    switch (kw) {
    case Kw::None:
        // Row definitions belong to the text; an unknown destination is
        // skipped whole; an unknown word is ignored.
        if (tableStructure() && tables_.Word(t.word, t.hasParam, t.param)) {
            g.tableWords = true;
            return;
        }
        if (starred) skip();
        return;
    case Kw::FontTable: case Kw::ColorTable: case Kw::Pict: case Kw::Object: case Kw::Field: case Kw::FldInst:
    case Kw::FldRslt: case Kw::Result: case Kw::Pn: case Kw::ListTable: case Kw::ListOverrideTable:
    case Kw::ShpPict: case Kw::SkipDest: case Kw::PnTxtB: case Kw::LevelText:
        enterDestination(kw);
        return;
    case Kw::Bookmark:
        // Kept only as a group of its own, opened by its word: read again,
        // whatever came before the word in the group would come twice.
        if (opensGroup(t)) enterDestination(kw);
        else skip();
        return;
    case Kw::Rtf: case Kw::Ansi: return;
    // The character set of the file, in its header only.
    case Kw::Mac: case Kw::Pc: case Kw::Pca: case Kw::AnsiCpg:
        if (stack_.size() == 1 && overflowNest_ == 0) {
            ansiCp_ = kw == Kw::Mac ? 10000 : kw == Kw::Pc ? 437 : kw == Kw::Pca ? 850 : param > 0 ? param : ansiCp_;
            formats_.clear();
        }
        return;
    case Kw::Deff:
        if (g.dest == Dest::Text && stack_.size() == 1 && overflowNest_ == 0) {
            deff_ = param;
            g.chr.font = param;
        }
        return;
    case Kw::Uc: g.uc = std::clamp(param, 0, 16); return;
    case Kw::U: {
        int v = param;
        if (v < 0) v += 65536;
        if (v >= 0 && v <= 0xFFFF) {
            put(static_cast<char16_t>(v));
        } else if (v > 0xFFFF && v <= 0x10FFFF) {
            const char32_t c = static_cast<char32_t>(v) - 0x10000;
            put(std::u16string{static_cast<char16_t>(0xD800 + (c >> 10)), static_cast<char16_t>(0xDC00 + (c & 0x3FF))});
        } else {
            put(u'\uFFFD');
        }
        skipChars_ = g.uc;
        return;
    }
    default: break;
    }
    switch (g.dest) {
    case Dest::FontTable:
        switch (kw) {
        case Kw::F:
            fontEntry_ = param;
            fontName_.clear();
            fonts_[param] = FontEntry();
            formats_.clear();
            return;
        case Kw::FCharset:
            if (fontEntry_ >= 0) fonts_[fontEntry_].font.charset = std::clamp(param, 0, 255);
            return;
        case Kw::FPrq:
            if (fontEntry_ >= 0) {
                int& pf = fonts_[fontEntry_].font.pitchFamily;
                pf = (pf & ~3) | (param & 3);
            }
            return;
        case Kw::FNil: case Kw::FRoman: case Kw::FSwiss: case Kw::FModern: case Kw::FScript: case Kw::FDecor:
        case Kw::FTech: case Kw::FBidi:
            if (fontEntry_ >= 0) {
                int& pf = fonts_[fontEntry_].font.pitchFamily;
                pf = (pf & 3) | ((static_cast<int>(kw) - static_cast<int>(Kw::FNil)) << 4);
            }
            return;
        default: return;
        }
    case Dest::ColorTable:
        if (kw == Kw::Red) red_ = std::clamp(param, 0, 255);
        else if (kw == Kw::Green) green_ = std::clamp(param, 0, 255);
        else if (kw == Kw::Blue) blue_ = std::clamp(param, 0, 255);
        else return;
        colorSeen_ = true;
        return;
    case Dest::Pict:
        switch (kw) {
        case Kw::PngBlip: pict_.kind = TRichPictKind::Png; return;
        case Kw::JpegBlip: pict_.kind = TRichPictKind::Jpeg; return;
        case Kw::OpaqueBlip: pict_.kind = TRichPictKind::Opaque; return;
        // Sizes the writer would not write back read as absent.
        case Kw::PicW: pict_.pixels.setWidth(std::max(param, 0)); return;
        case Kw::PicH: pict_.pixels.setHeight(std::max(param, 0)); return;
        case Kw::PicWGoal: pict_.goal.setWidth(std::max(param, 0)); return;
        case Kw::PicHGoal: pict_.goal.setHeight(std::max(param, 0)); return;
        case Kw::PicScaleX: pict_.scale.setWidth(param > 0 ? param : 100); return;
        case Kw::PicScaleY: pict_.scale.setHeight(param > 0 ? param : 100); return;
        default: return;
        }
    case Dest::ObjectBody:
        if (kw == Kw::ObjW) raw_.objectSize.setWidth(std::max(param, 0));
        if (kw == Kw::ObjH) raw_.objectSize.setHeight(std::max(param, 0));
        return;
    case Dest::Pn:
        switch (kw) {
        case Kw::PnLvlBlt: pn_.kind = TRichList::Bullet; return;
        case Kw::PnLvlBody: pn_.kind = TRichList::Decimal; return;
        case Kw::PnLvlCont: pn_.kind = TRichList::None; return;
        case Kw::PnDec: pn_.kind = TRichList::Decimal; return;
        case Kw::PnLcltr: pn_.kind = TRichList::LowerAlpha; return;
        case Kw::PnUcltr: pn_.kind = TRichList::UpperAlpha; return;
        case Kw::PnLcrm: pn_.kind = TRichList::LowerRoman; return;
        case Kw::PnUcrm: pn_.kind = TRichList::UpperRoman; return;
        case Kw::PnStart: pn_.start = std::clamp(param, 0, 32767); return;
        case Kw::PnF: pn_.font = param; return;
        default: return;
        }
    case Dest::BulletText:
        if (kw == Kw::Bullet) bulletText_.push_back({0x2022, false});
        return;
    case Dest::ListTable:
        switch (kw) {
        case Kw::List:
            listLevel_ = 0;
            listDef_ = ListDef();
            return;
        case Kw::ListLevel: ++listLevel_; return;
        case Kw::LevelNfc:
            if (listLevel_ == 1) {
                listDef_.kind = listFromNfc(param);
                listDef_.nfcGiven = true;
            }
            return;
        case Kw::LevelStartAt:
            if (listLevel_ == 1) listDef_.start = std::clamp(param, 0, 32767);
            return;
        case Kw::F:
            if (listLevel_ == 1) listDef_.font = param;
            return;
        case Kw::ListId:
            // A level that names no kind (as Apache FOP writes them) is
            // numbered when its text holds the level's number.
            if (!listDef_.nfcGiven)
                listDef_.kind = std::any_of(listDef_.text.begin() + std::min<size_t>(1, listDef_.text.size()),
                                            listDef_.text.end(), [](const BulletChar& c) { return c.c < 9; })
                                    ? TRichList::Decimal
                                    : TRichList::Bullet;
            // The level's text begins with its length.
            listDef_.bullet = listDef_.kind == TRichList::Bullet ? bulletOf(listDef_.text, 1, listDef_.font) : 0;
            lists_[param] = listDef_;
            return;
        default: return;
        }
    case Dest::ListOverride:
        if (kw == Kw::ListId) listId_ = param;
        if (kw == Kw::Ls) overrides_[param] = listId_;
        return;
    case Dest::Text:
    case Dest::FieldInst:
        charWord(kw, t);
        if (g.dest == Dest::Text) paraWord(kw, t);
        return;
    default: return;
    }
}

void Reader::charWord(Kw kw, const TRtfToken& t)
{
    CharState& c = top().chr;
    const int param = t.param;
    const bool on = !t.hasParam || param != 0;
    switch (kw) {
    case Kw::Plain: {
        const int font = deff_;
        c = CharState();
        c.font = font;
        return;
    }
    case Kw::F: c.font = param; return;
    case Kw::B: c.bold = on; return;
    case Kw::I: c.italic = on; return;
    case Kw::Ul: c.underline = on; return;
    case Kw::UlNone: c.underline = false; return;
    case Kw::Strike: c.strike = on; return;
    case Kw::Fs: c.halfPoints = t.hasParam && param > 0 ? std::min(param, 3276) : 24; return;
    case Kw::Cf: c.color = param; return;
    case Kw::Cb:
    case Kw::Highlight: c.highlight = param; return;
    case Kw::Super: c.vertical = on ? 1 : 0; return;
    case Kw::Sub: c.vertical = on ? 2 : 0; return;
    case Kw::NoSuperSub: c.vertical = 0; return;
    case Kw::Protect: c.protect = on; return;
    case Kw::V: c.hidden = on; return;
    default: return;
    }
}

void Reader::paraWord(Kw kw, const TRtfToken& t)
{
    Group& g = top();
    TRichPara& p = g.para;
    const int param = std::clamp(t.param, -31680, 31680);  // 22 inches either way
    switch (kw) {
    case Kw::Pard:
        p = TRichPara();
        g.tabKind = TRichTabKind::Left;
        g.tabLeader = TRichTabLeader::None;
        g.inTable = false;
        return;
    case Kw::Par:
    case Kw::NestRow: endParagraph(); return;
    case Kw::Line: put(u'\u2028'); return;
    case Kw::Tab:
    case Kw::NestCell: put(u'\t'); return;
    case Kw::InTbl:
    case Kw::Itap:
        g.inTable = kw == Kw::InTbl ? t.param != 0 || !t.hasParam : t.param >= 1;
        if (g.inTable && tableStructure() && !tables_.InRow()) startRow();
        return;
    case Kw::Cell:
        // Tables read as text, and cells inside a kept group: a tab.
        if (!tableStructure()) {
            put(u'\t');
            return;
        }
        if (!tables_.InRow()) startRow();
        settleCell();
        endCell();
        if (const std::optional<QTextCursor> next = tables_.NextCell()) moveCursor(*next);
        else extraCell_ = true;
        return;
    case Kw::Row:
        if (!tableStructure() || !tables_.InRow()) {
            endParagraph();
            return;
        }
        endRow();
        return;
    case Kw::Ql: p.align = TRichAlign::Left; return;
    case Kw::Qc: p.align = TRichAlign::Center; return;
    case Kw::Qr: p.align = TRichAlign::Right; return;
    case Kw::Qj: p.align = TRichAlign::Justify; return;
    case Kw::Li: p.li = param; return;
    case Kw::Ri: p.ri = param; return;
    case Kw::Fi: p.fi = param; return;
    case Kw::Sb: p.sb = std::max(param, 0); return;
    case Kw::Sa: p.sa = std::max(param, 0); return;
    case Kw::Sl: p.sl = param; return;
    case Kw::SlMult: p.slMult = param ? 1 : 0; return;
    case Kw::Tqr: g.tabKind = TRichTabKind::Right; return;
    case Kw::Tqc: g.tabKind = TRichTabKind::Center; return;
    case Kw::Tqdec: g.tabKind = TRichTabKind::Decimal; return;
    case Kw::TlDot: g.tabLeader = TRichTabLeader::Dot; return;
    case Kw::TlHyph: g.tabLeader = TRichTabLeader::Hyphen; return;
    case Kw::TlUl: g.tabLeader = TRichTabLeader::Underline; return;
    case Kw::TlTh: g.tabLeader = TRichTabLeader::Thick; return;
    case Kw::TlEq: g.tabLeader = TRichTabLeader::Equal; return;
    case Kw::TlMdot: g.tabLeader = TRichTabLeader::MiddleDot; return;
    case Kw::Tx:
        // Stops in order, one per position, at most 32.
        if (param > 0) {
            auto at = std::lower_bound(p.tabs.begin(), p.tabs.end(), param,
                                       [](const TRichTab& t, int pos) { return t.position < pos; });
            if (at != p.tabs.end() && at->position == param) {
                at->kind = g.tabKind;
                at->leader = g.tabLeader;
            } else if (static_cast<int>(p.tabs.size()) < MaxTabs) {
                p.tabs.insert(at, {param, g.tabKind, g.tabLeader});
            }
        }
        g.tabKind = TRichTabKind::Left;
        g.tabLeader = TRichTabLeader::None;
        return;
    case Kw::Ls: {
        const auto o = overrides_.find(t.param);
        const auto l = lists_.find(o == overrides_.end() ? -1 : o->second);
        const ListDef def = l == lists_.end() ? ListDef() : l->second;
        p.list = def.kind;
        p.listStart = def.start;
        p.bullet = def.bullet;
        return;
    }
    case Kw::Emdash: put(u'\u2014'); return;
    case Kw::Endash: put(u'\u2013'); return;
    case Kw::Emspace: put(u'\u2003'); return;
    case Kw::Enspace: put(u'\u2002'); return;
    case Kw::Qmspace: put(u'\u2005'); return;
    case Kw::Bullet: put(u'\u2022'); return;
    case Kw::Lquote: put(u'\u2018'); return;
    case Kw::Rquote: put(u'\u2019'); return;
    case Kw::Ldblquote: put(u'\u201C'); return;
    case Kw::Rdblquote: put(u'\u201D'); return;
    case Kw::Zwj: put(u'\u200D'); return;
    case Kw::Zwnj: put(u'\u200C'); return;
    default: return;
    }
}

void Reader::closePict(size_t end, bool closed)
{
    const PictState p = std::move(pict_);
    pict_ = PictState();
    // The picture shows in the group around it.
    if (stack_.size() < 2 || stack_[stack_.size() - 2].dest != Dest::Text) return;
    const QTextCharFormat base = charFormat(stack_[stack_.size() - 2].chr);
    QTextCharFormat format;
    if (p.kind == TRichPictKind::Png || p.kind == TRichPictKind::Jpeg) {
        QByteArray data;
        if (!p.bin.empty()) {
            data = QByteArray(p.bin.data(), static_cast<qsizetype>(p.bin.size()));
        } else {
            data = QByteArray::fromHex(QByteArray(p.hex.data(), static_cast<qsizetype>(p.hex.size())));
        }
        format = PictureFormat(base, p.kind, data, p.pixels, p.goal, p.scale);
    } else {
        // Kept whole and written back as read; font and colour numbers mean
        // nothing inside a picture, and would not follow the file's tables.
        const std::string group =
            RewriteRtfRefs(withPlainFont(closedGroup(p.start, end, closed)), [](bool, int) { return 0; });
        format = PictureFormat(base, TRichPictKind::Opaque,
                               QByteArray(group.data(), static_cast<qsizetype>(group.size())), p.pixels, p.goal,
                               p.scale);
    }
    insertObject(format);
}

std::string Reader::closedGroup(size_t start, size_t end, bool closed) const
{
    const std::string_view bytes = in_.substr(start, std::min(end, in_.size()) - start);
    // Kept as it reads: a \bin whose count is not its length says its
    // length, and a group the end of the input cut off is closed as the
    // reader closed it (a dangling backslash goes).
    std::string out;
    TRtfLexer lexer(bytes);
    size_t copied = 0;
    size_t last = 0;
    int open = 0;
    for (TRtfToken t = lexer.Next(); t.kind != TRtfToken::End; t = lexer.Next()) {
        if (t.kind == TRtfToken::Open) ++open;
        if (t.kind == TRtfToken::Close) --open;
        if (t.kind == TRtfToken::Bin && static_cast<int64_t>(t.bytes.size()) != t.param) {
            out.append(bytes.substr(copied, t.paramStart - copied));
            out += std::to_string(t.bytes.size());
            copied = t.paramEnd;
        }
        last = t.end;
    }
    if (closed) last = bytes.size();
    out.append(bytes.substr(copied, last - copied));
    if (!closed && open > 0) out.append(static_cast<size_t>(open), '}');
    return out;
}

// \plain goes back to the file's default font, which another file numbers
// otherwise: in a kept group it names the font.
std::string Reader::withPlainFont(std::string_view group) const
{
    std::string out;
    TRtfLexer lexer(group);
    size_t copied = 0;
    for (TRtfToken t = lexer.Next(); t.kind != TRtfToken::End; t = lexer.Next()) {
        if (t.kind != TRtfToken::Word || t.word != "plain") continue;
        // Once named, it stays as it is.
        const TRtfToken next = TRtfLexer(group, t.end).Next();
        if (next.kind == TRtfToken::Word && next.word == "f") continue;
        out.append(group.substr(copied, t.paramEnd - copied));
        out += "\\f" + std::to_string(deff_);
        copied = t.paramEnd;
    }
    out.append(group.substr(copied));
    return out;
}

// A hyperlink field's target, or nothing.
QString hyperlinkTarget(const QString& instruction)
{
    const QString inst = instruction.trimmed();
    if (!inst.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) return {};
    QString target = inst.mid(9).trimmed();
    const qsizetype q1 = target.indexOf(QLatin1Char('"'));
    if (q1 >= 0) {
        const qsizetype q2 = target.indexOf(QLatin1Char('"'), q1 + 1);
        return target.mid(q1 + 1, q2 > q1 ? q2 - q1 - 1 : -1);
    }
    return target.section(QLatin1Char(' '), 0, 0);
}

void Reader::closeRaw(size_t end, bool closed)
{
    flushRun();
    // An object that shows nothing still takes its place: after the tab a
    // cell too many brings, or behind a table that takes no more rows.
    if (cursor_.position() <= raw_.docStart && !raw_.field) {
        settleCell();
        leaveTable();
    }
    const RawState r = std::move(raw_);
    raw_ = RawState();
    // A group whose content ends with a paragraph mark keeps the mark.
    if (pendingBlock_ && cursor_.position() + 1 > r.docStart) {
        ensureBlock();
        keptMarkAt_ = cursor_.position();
    }
    std::string bytes = closedGroup(r.start, end, closed);
    // Our files skip one character after \uN: a group read with another
    // count says its own.
    if (r.outerUc != 1) bytes.insert(1, std::string("\\uc") + std::to_string(r.outerUc) + ' ');
    // A tab stop's kind and leader given before the group are the group's
    // next \tx's: the group says them itself, or read again its stop
    // would be a plain one.
    for (const char* w : {RtfTabLeaderWord(r.outerTabLeader), RtfTabKindWord(r.outerTabKind)})
        if (w) bytes.insert(1, std::string("\\") + w + ' ');
    if (cursor_.position() <= r.docStart && !r.field) {
        // An object without a result still takes its place.
        insertObject(PictureFormat(charFormat(top().chr), TRichPictKind::None, QByteArray(), QSize(),
                                   r.objectSize));
    }
    const int docEnd = cursor_.position();
    if (docEnd <= r.docStart) return;  // an empty field shows nothing to keep it on
    // Kept groups begin on a character; one that begins with a paragraph
    // mark is kept as what it shows.
    const QTextBlock first = doc_.findBlock(r.docStart);
    if (r.docStart == first.position() + first.length() - 1) return;

    QStringList fonts;
    QList<int> colors{-1};
    const auto map = [&](bool font, int index) {
        if (font) {
            const TRichFont f = fontAt(index);
            const QString key = QString::number(f.charset) + QLatin1Char('|') + QString::number(f.pitchFamily) +
                                QLatin1Char('|') + f.face;
            qsizetype i = fonts.indexOf(key);
            if (i < 0) {
                fonts << key;
                i = fonts.size() - 1;
            }
            return static_cast<int>(i);
        }
        const int rgb = colorAt(index);
        if (rgb < 0) return 0;
        qsizetype i = colors.indexOf(rgb, 1);
        if (i < 0) {
            colors << rgb;
            i = colors.size() - 1;
        }
        return static_cast<int>(i);
    };
    const std::string group = RewriteRtfRefs(withPlainFont(bytes), map);
    const std::string inst = r.fieldInst.empty() ? std::string() : RewriteRtfRefs(withPlainFont(r.fieldInst), map);

    QTextCursor c(&doc_);
    c.setPosition(r.docStart);
    c.setPosition(docEnd, QTextCursor::KeepAnchor);
    QTextCharFormat m;
    m.setProperty(RawGroup, QByteArray(group.data(), static_cast<qsizetype>(group.size())));
    m.setProperty(RawFonts, fonts);
    m.setProperty(RawColors, QVariant::fromValue(colors));
    m.setProperty(RawText, c.selectedText());
    m.setProperty(RawSerial, ++rawSerial_);
    m.setProperty(RawOuter, EncodeChar(charAttrs(r.outer)));
    m.setProperty(RawPara, EncodePara(r.outerPara));
    if (!inst.empty()) m.setProperty(FieldInst, QByteArray(inst.data(), static_cast<qsizetype>(inst.size())));
    // A hyperlink's text is an anchor.
    const QString target = r.field ? hyperlinkTarget(r.instruction) : QString();
    if (!target.isEmpty()) {
        m.setAnchor(true);
        m.setAnchorHref(target);
    }
    c.mergeCharFormat(m);
}

}  // namespace

bool LooksLikeRtf(std::string_view data)
{
    size_t i = 0;
    while (i < data.size() && (data[i] == ' ' || data[i] == '\t' || data[i] == '\r' || data[i] == '\n')) ++i;
    const std::string_view rest = data.substr(i);
    return rest.starts_with("{\\rtf") || rest.starts_with("{urtf");
}

bool ReadRtf(std::string_view data, QTextDocument& doc, const TRtfReadOptions& options)
{
    if (!LooksLikeRtf(data)) return false;
    // One edit: the layout follows once, not after every run.
    QTextCursor edit(&doc);
    edit.beginEditBlock();
    Reader reader(data, doc, options);
    reader.Run();
    edit.endEditBlock();
    return true;
}
