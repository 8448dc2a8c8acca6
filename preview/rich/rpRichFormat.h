#pragma once
// Rich text lives in a QTextDocument. This header fixes how RTF's
// character and paragraph attributes sit in Qt's formats, so that the
// reader, the writer, the engine and the drawing agree:
// - lengths in the document are report units (1/96 inch = 15 twips): the
//   layout device has 96 dots per inch, where Qt takes margins, tabs and
//   object sizes as they stand;
// - fonts are laid out with the pinned faces the report's font resolver
//   picks for the face name (design metrics, no hinting, no kerning), while
//   the face name as RTF spells it travels in a property of its own;
// - what Qt has no place for (charset, pitch, protection, RTF line spacing,
//   kept raw groups, pictures) travels in user properties, so it survives
//   copies, fragments and clones of the document.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <memory>
#include <QStringList>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextDocument>

#include <vector>

#include "Graphics.h"
#include "Numbers.h"

namespace rich {

constexpr int TwipsPerUnit = 15;
inline qreal TwipsToUnits(int twips) { return twips / qreal(TwipsPerUnit); }
inline int UnitsToTwips(qreal units) { return static_cast<int>(Round(static_cast<Extended>(units) * TwipsPerUnit)); }

// Default tab stops every half inch.
constexpr int DefaultTabTwips = 720;

enum Property : int {
    FaceName = QTextFormat::UserProperty + 0x7200,  // QString, as RTF names the font
    Charset,        // int; absent: the font table named none
    PitchFamily,    // int: pitch in bits 0-1, family kind (TRichFamily) in bits 4-7
    Protected,      // bool
    Hidden,         // bool
    // A group kept verbatim (an OLE object, a field) and the characters it
    // showed; fonts and colours it references are listed so that the
    // writer can renumber them into its own tables.
    RawGroup,       // QByteArray, references renumbered to RawFonts/RawColors
    RawFonts,       // QStringList of "charset|pitchFamily|face"
    RawColors,      // QList<int>: RGB, -1 for auto (index 0 is always auto)
    RawText,        // QString: the characters shown, as read
    RawSerial,      // int: tells two equal groups side by side apart
    RawOuter,       // QString: the character attributes around the group (EncodeChar)
    RawPara,        // QString: the paragraph attributes around it (EncodePara)
    FieldInst,      // QByteArray: a field's {\*\fldinst ...} group, references as RawGroup
    // Pictures and other inline objects (object type RichObjectType).
    PictKind,       // int (TRichPictKind)
    PictData,       // QByteArray: PNG or JPEG bytes, or the raw \pict group
    PictPixels,     // QSize: \picw, \pich
    PictGoal,       // QSize: \picwgoal, \pichgoal (twips)
    PictScale,      // QSize: \picscalex, \picscaley (percent)
    // Paragraphs.
    LineSpacing,    // int: \sl twips (0: single)
    LineMultiple,   // int: \slmult
    ListIndent,     // int: \fi of a list paragraph (Qt's indent there makes room for the marker)
    ListStart,      // int, on the list format: first number
    ListBullet,     // int, on the list format: a bullet list's marker (absent: the usual one)
    // The paragraph's tab stops as RTF gives them (EncodeTabs): Qt's own
    // count from where a line starts and carry no leader.
    TabStops,       // QString
    // Tables (rpRichTable.h).
    TableLeft,      // int, on the table format: \trleft
    TableGap,       // int, on the table format: \trgaph
    CellBorders,    // QList<int>, on a cell format: style, width, colour of the top, left, bottom, right edge
    CellVAlign,     // int, on a cell format (TRichVAlign)
    RowHeight,      // int, on the cells a row begins: \trrh, kept
    RowPadding,     // QList<int>, on a row's cells: \trpadd of the top, left, bottom, right edge (-1 not given)
    CellPadding,    // QList<int>, on a cell format: its own \clpad, as RowPadding
    GapBlock,       // bool, on a block Qt needs before or between tables that the text does not have
    // Bookmark groups ({\*\bkmkstart ...}, {\*\bkmkend ...}) as read,
    // on the character they stand before, or on the block whose mark they
    // stand before.
    Bookmarks,      // QByteArray
    BookmarkSerial, // int, on characters: tells the same groups at two places apart
};

constexpr int RichObjectType = QTextFormat::UserObject + 0x72;

enum class TRichPictKind { None = 0, Png = 1, Jpeg = 2, Opaque = 3 };
enum class TRichAlign { Left = 0, Right = 1, Center = 2, Justify = 3 };
enum class TRichTabKind { Left = 0, Center = 1, Right = 2, Decimal = 3 };
enum class TRichTabLeader { None = 0, Dot, Hyphen, Underline, Thick, Equal, MiddleDot };
enum class TRichList { None = 0, Bullet, Decimal, LowerAlpha, UpperAlpha, LowerRoman, UpperRoman };
enum class TRichFamily { Nil = 0, Roman, Swiss, Modern, Script, Decor, Tech, Bidi };

struct TRichFont {
    QString face;
    int charset = -1;
    int pitchFamily = 0;
    bool operator==(const TRichFont&) const = default;
};

// The character attributes RTF and the engine share.
struct TRichChar {
    TRichFont font;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int vertical = 0;   // 0 baseline, 1 superscript, 2 subscript
    bool protect = false;
    bool hidden = false;
    int color = -1;     // RGB (0xRRGGBB); -1 automatic
    int highlight = -1; // RGB; -1 none
    bool operator==(const TRichChar&) const = default;
};

// A tab stop, in twips from the paragraph's left edge (where an indent of
// 0 starts), as the ruler shows it.
struct TRichTab {
    int position = 0;  // twips
    TRichTabKind kind = TRichTabKind::Left;
    TRichTabLeader leader = TRichTabLeader::None;
    bool operator==(const TRichTab&) const = default;
};

// Paragraph attributes in RTF's terms (twips): li is the indent of every
// line, fi the first line's offset from it.
struct TRichPara {
    TRichAlign align = TRichAlign::Left;
    int li = 0;
    int ri = 0;
    int fi = 0;
    int sb = 0;
    int sa = 0;
    int sl = 0;
    int slMult = 0;
    std::vector<TRichTab> tabs;
    TRichList list = TRichList::None;
    int listStart = 1;
    char32_t bullet = 0;  // a bullet list's marker; 0 the usual one
    bool operator==(const TRichPara&) const = default;
};

// The character state as an RTF file spells it: table indexes for the
// font and colours (colour 0 automatic), RTF's defaults.
struct TRtfCharState {
    int font = 0;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strike = false;
    int vertical = 0;
    bool protect = false;
    bool hidden = false;
    int color = 0;
    int highlight = 0;
    bool operator==(const TRtfCharState&) const = default;
};

// Between the two forms; the font and colours are the tables' business.
TRichChar ToRichChar(const TRtfCharState& s, const TRichFont& font, int color, int highlight);
TRtfCharState ToRtfState(const TRichChar& a, int font, int color, int highlight);

// Styles and colours in the platform's terms.
TFontStyles StylesOf(const TRichChar& a);
void SetStyles(TRichChar& a, TFontStyles styles);
// An RGB value (0xRRGGBB) as a colour, and a colour (system colours by the
// fixed scheme) as RGB.
TColor RgbColor(int rgb);
int ColorRgb(TColor color);

// The most tab stops a paragraph keeps.
constexpr int MaxTabs = 32;

QTextCharFormat ToCharFormat(const TRichChar& attrs);
TRichChar FromCharFormat(const QTextCharFormat& format);
// The block format without list membership (see ApplyList).
QTextBlockFormat ToBlockFormat(const TRichPara& para);
TRichPara FromBlock(const QTextBlock& block);
// Puts the block into a list of the paragraph's kind: the list of the
// block before when it is of the same kind, else a new one; or takes it
// out of any list.
void ApplyList(QTextBlock block, const TRichPara& para);

// Where a paragraph's first line starts, in twips from its left edge.
int FirstLineStart(const TRichPara& para);
// The stop a tab that starts at x (layout units from where its line
// starts) goes to in a paragraph, as Qt's layout picks it; null when it
// goes to a default stop.
const TRichTab* TabStopAt(const TRichPara& para, qreal x);

// The marker of item `number` (from 1) of a list: a bullet (the
// paragraph's own, else the usual one), "3.", "c.", "iii.".
QString ListLabel(const TRichPara& para, int number);
// The usual bullet.
constexpr char32_t DefaultBullet = 0x2022;
// The number of a list paragraph's item (its list's start plus its place).
int ListNumber(const QTextBlock& block);

// Attributes as one line of text and back (for the state a kept group
// started in).
QString EncodeChar(const TRichChar& a);
TRichChar DecodeChar(const QString& text);
QString EncodePara(TRichPara p);
TRichPara DecodePara(const QString& text);

// The default character attributes of plain text: Arial 10.
TRichChar DefaultPlainChar();

// The faces Qt lays a font out with: the pinned file's family and the CJK
// fallback's. Registers the files with Qt's font database on first use.
QStringList LayoutFamilies(const QString& face, bool bold, bool italic);

// Settings every rich document needs: no document margin, design metrics,
// default tab stops, the 96-dpi layout device, the inline object handler,
// no undo (the editor turns it on for its own copy).
void PrepareRichDocument(QTextDocument& doc);
// A new document with the settings above.
std::unique_ptr<QTextDocument> NewRichDocument();

// Inline objects: the size they take (units) and their picture.
QSizeF PictureSizeUnits(const QTextFormat& format);
// The decoded picture of a PNG or JPEG object, cached; null for others and
// for pictures that do not decode.
QImage PictureImage(const QTextFormat& format);
// The EMF or Windows metafile bytes of a kept picture group (\emfblip,
// \wmetafile), cached; empty for others.
QByteArray PictureMetafile(const QTextFormat& format);
// A picture object format for PNG or JPEG bytes.
QTextCharFormat PictureFormat(const QTextCharFormat& base, TRichPictKind kind, const QByteArray& data, QSize pixels,
                              QSize goalTwips, QSize scale = QSize(100, 100));

}  // namespace rich
