// The RTF reader: golden dumps of the hand-written corpus, the code-page and
// Unicode traps one character at a time, and malformed input.
#include <gtest/gtest.h>

#include <QTextBlock>

#include "RichTestSupport.h"
#include "rpRichFormat.h"
#include "rpRtfReader.h"
#include "rpRtfWriter.h"

using namespace richtest;

namespace {

// The text of a document, paragraphs joined with "\n".
std::u16string TextOf(const QTextDocument& doc)
{
    std::u16string out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (b != doc.begin()) out += u'\n';
        out += b.text().toStdU16String();
    }
    return out;
}

std::u16string TextOf(const std::string& rtf)
{
    return TextOf(*Read(rtf));
}

// A body in a Chinese document whose font 0 is GBK and font 1 Symbol.
std::string Gbk(const std::string& body)
{
    return "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl{\\f0\\fnil\\fcharset134 SimSun;}{\\f1\\fnil\\fcharset2 "
           "Symbol;}}\\f0 " +
           body + "}";
}

}  // namespace

TEST(RtfReader, CorpusMatchesGoldenDumps)
{
    for (const std::string& name : CorpusFiles()) {
        SCOPED_TRACE(name);
        const std::string golden = ReadFile(std::string(RICH_TEST_DATA) + "/golden/" + name.substr(0, name.size() - 4) + ".dump");
        ASSERT_FALSE(golden.empty());
        EXPECT_EQ(Dump(ReadFile(CorpusPath(name))), golden);
    }
}

TEST(RtfReader, CodePagesAndUnicodeEscapes)
{
    struct Case {
        const char* body;
        std::u16string text;
    };
    const Case cases[] = {
        // One character spread over two escapes, also across a line break.
        {"\\'d6\\'d0\\'ce\\'c4", u"中文"},
        {"\\'d6\r\n\\'d0", u"中"},
        // A double-byte character whose trail byte is a literal or an escaped backslash.
        {"\\'81@", u"丂"},
        {"\\'81\\\\", u"乗"},
        // \uN skips its fallback, which \ucN counts in bytes of \'hh.
        {"\\uc2\\u23458\\'bf\\'cd", u"客"},
        {"\\uc1\\u23458?\\u25143?", u"客户"},
        {"{\\uc0\\u20013}\\u25991?", u"中文"},
        {"\\u-10179?\\u-8704?", u"😀"},
        {"\\u8364?", u"€"},
        // Raw 8-bit text from a UTF-8 source.
        {"\xe4\xb8\xad", u"中"},
        // The symbol font's high bytes are its private-use characters.
        {"{\\f1 a\\'b7}", u"a\uF0B7"},
        // A broken escape and an unknown word are dropped.
        {"a\\'zb\\foo c", u"azbc"},
        {"x{\\*\\unknown {y}}z", u"xz"},
        {"a\\bin3 }{x b", u"a b"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(TextOf(Gbk(c.body)), c.text);
    }
}

TEST(RtfReader, ParagraphMarks)
{
    struct Case {
        const char* rtf;
        std::u16string text;
    };
    const Case cases[] = {
        // A last \par ends the last paragraph and opens none.
        {"{\\rtf1 a\\par b\\par}", u"a\nb"},
        {"{\\rtf1 a\\par b}", u"a\nb"},
        {"{\\rtf1 a\\par\\par}", u"a\n"},
        {"{\\rtf1 \\par}", u""},
        {"{\\rtf1 a\\line b\\tab c\\\r\nd}", u"a\u2028b\tc\nd"},
        // Table cells are paragraphs of their own; Qt keeps an empty one
        // before and after the table.
        {"{\\rtf1\\trowd\\cellx1000\\cellx2000 a\\cell b\\cell\\row}", u"\na\nb\n"},
        // Characters that stand for paragraph, frame or object marks are text:
        // line ends and marks as blanks, an object's mark as the replacement
        // character (a writer drops marks, so they would not read back).
        {"{\\rtf1 a\\u10?b\\u8233?c\\u-560?d\\'0de\\u-4?}", u"a b c d e\uFFFD"},
        // Nested cells and rows read as tabs and paragraphs in their cell.
        {"{\\rtf1\\intbl a\\nestcell b\\nestrow c\\cell\\row}", u"\na\tb\nc\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rtf);
        EXPECT_EQ(TextOf(c.rtf), c.text);
    }
}

TEST(RtfReader, NotRtfLeavesTheDocumentAlone)
{
    std::unique_ptr<QTextDocument> doc = rich::NewRichDocument();
    QTextCursor(doc.get()).insertText(QStringLiteral("kept"));
    EXPECT_FALSE(ReadRtf("hello {\\rtf1 x}", *doc));
    EXPECT_FALSE(ReadRtf("", *doc));
    EXPECT_EQ(doc->toPlainText(), QStringLiteral("kept"));
    EXPECT_TRUE(LooksLikeRtf("\r\n {\\rtf1}"));
    EXPECT_TRUE(LooksLikeRtf("{urtf1}"));
}

TEST(RtfReader, MalformedInputLoadsWhatItHas)
{
    const std::string deep = "{\\rtf1 " + std::string(10000, '{') + "deep" + std::string(10000, '}') + " end}";
    EXPECT_EQ(TextOf(deep), u"deep end");
    EXPECT_EQ(TextOf("{\\rtf1 " + std::string(100000, '{') + "open"), u"open");
    EXPECT_EQ(TextOf("{\\rtf1 " + std::string(10000, '{') + "{\\*\\skip x}" + "y"), u"y");
    EXPECT_EQ(TextOf("{\\rtf1 abc}}}} def}"), u"abc");
    EXPECT_EQ(TextOf("{\\rtf1 {\\b bold"), u"bold");
    EXPECT_EQ(TextOf("{\\rtf1 a{\\pict\\pngblip\\bin999999999 xyz}"), u"a\uFFFC");
    EXPECT_EQ(TextOf("{\\rtf1 a{\\*\\x\\bin99999 }}b}"), u"a");
    EXPECT_EQ(TextOf("{\\rtf1\\fs99999999999999999999 big\\u99999999999 x\\uc99999 y}"), u"big\uFFFDy");

    // Every prefix of a corpus file loads without a fault.
    const std::string full = ReadFile(CorpusPath("objects.rtf"));
    for (size_t n = 0; n <= full.size(); n += 7) Read(full.substr(0, n));
}

TEST(RtfReader, FontsAndColoursFromTheTables)
{
    const auto doc = Read(ReadFile(CorpusPath("cp936.rtf")));
    QTextCursor c(doc.get());
    c.setPosition(1);
    const rich::TRichChar a = rich::FromCharFormat(c.charFormat());
    EXPECT_EQ(a.font.face, QStringLiteral("宋体"));
    EXPECT_EQ(a.font.charset, 134);
    // Laid out with the pinned Song face.
    EXPECT_TRUE(c.charFormat().fontFamilies().toStringList().contains(QStringLiteral("AR PL UMing CN")));

    // A colour index past the table is the automatic colour.
    const auto colours = Read("{\\rtf1{\\colortbl ;\\red1\\green2\\blue3;}\\cf1 a\\cf7 b}");
    QTextCursor k(colours.get());
    k.setPosition(1);
    EXPECT_EQ(rich::FromCharFormat(k.charFormat()).color, 0x010203);
    k.setPosition(2);
    EXPECT_EQ(rich::FromCharFormat(k.charFormat()).color, -1);
}

TEST(RtfReader, BulletsOfSymbolFontsAreTheirUnicodeCharacters)
{
    // The bullet a paragraph's list shows, as the writers give it: Word's
    // list table (a level's text and font), the older \pn with \pnf,
    // LibreOffice's Unicode bullet, a letter of a text font, a byte in the
    // file's code page.
    const std::string fonts = "{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcourier Courier New;}{\\f2\\fnil\\fcharset2 Symbol;}"
                              "{\\f3\\fnil\\fcharset2 Wingdings;}{\\f4\\fnil\\fcharset2 Webdings;}}";
    const auto level = [&](const std::string& text, int font) {
        return "{\\rtf1\\ansi" + fonts + "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext " + text +
               ";}{\\levelnumbers;}\\f" + std::to_string(font) + "\\fi-360\\li720}{\\listlevel\\levelnfc23{\\leveltext \\'01\\u-3913 ?;}\\f2}"
               "\\listid7}}{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}\\pard\\ls1\\fi-360\\li720 item\\par}";
    };
    const auto pn = [&](const std::string& words) {
        return "{\\rtf1\\ansi" + fonts + "\\pard{\\*\\pn\\pnlvlblt" + words + "}\\fi-360\\li360 item\\par}";
    };
    struct Case {
        const char* name;
        std::string rtf;
        char32_t bullet;
    };
    const Case cases[] = {
        {"Word, Symbol", level("\\'01\\u-3913 ?", 2), 0},
        {"Word, Wingdings square", level("\\'01\\u-3929 ?", 3), 0x25AA},
        {"Word, Wingdings diamond", level("\\'01\\u-3978 ?", 3), 0x2756},
        {"Word, Wingdings arrowhead", level("\\'01\\u-3880 ?", 3), 0x27A2},
        {"Word, Wingdings check", level("\\'01\\u-3844 ?", 3), 0x2714},
        {"Word, Courier o", level("\\'01o", 1), u'o'},
        {"LibreOffice", level("\\'01\\u8226 ?", 0), 0},
        {"LibreOffice, square", level("\\'01\\u9632 ?", 0), 0x25A0},
        {"a byte of the code page", level("\\'01\\'a7", 0), 0xA7},
        {"a symbol font we do not know", level("\\'01\\u-3929 ?", 4), 0},
        {"pn, Wingdings", pn("\\pnf3\\pnindent360{\\pntxtb \\'d8}"), 0x27A2},
        {"pn, Symbol", pn("\\pnf2{\\pntxtb\\'b7}"), 0},
        {"pn, Symbol club", pn("\\pnf2{\\pntxtb\\'a7}"), 0x2663},
        {"pn, no font", pn("{\\pntxtb -}"), u'-'},
        {"pn, text after only", pn("\\pnf3{\\pntxta \\'a7}"), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto doc = Read(c.rtf);
        const rich::TRichPara p = rich::FromBlock(doc->begin());
        EXPECT_EQ(p.list, rich::TRichList::Bullet);
        EXPECT_EQ(static_cast<int>(p.bullet), static_cast<int>(c.bullet));
        EXPECT_EQ(rich::ListLabel(p, 1).toUcs4().value(0), c.bullet ? c.bullet : rich::DefaultBullet);
        // Written back in Symbol or Wingdings where they have it, read back the same.
        const std::string written = WriteRtf(*doc);
        EXPECT_EQ(static_cast<int>(rich::FromBlock(Read(written)->begin()).bullet), static_cast<int>(c.bullet)) << written;
        EXPECT_EQ(CheckStable(written), "");
    }
    // Two paragraphs with other bullets are two lists.
    const auto two = Read("{\\rtf1\\ansi" + fonts + "\\pard{\\*\\pn\\pnlvlblt\\pnf3{\\pntxtb\\'a7}} a\\par"
                          "\\pard{\\*\\pn\\pnlvlblt\\pnf3{\\pntxtb\\'d8}} b\\par}");
    EXPECT_NE(two->begin().textList(), two->begin().next().textList());
}
