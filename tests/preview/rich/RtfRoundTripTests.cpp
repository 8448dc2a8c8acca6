// The writer: its dialect pinned by golden files, read -> write -> read
// giving the same document, kept groups going back byte for byte, and
// content surviving repeated save and restore as a printed report does it.
#include <gtest/gtest.h>

#include <QTextBlock>

#include "RichTestSupport.h"
#include "rpRichDump.h"
#include "rpRichEdit.h"
#include "rpRichFormat.h"
#include "rpRtfWriter.h"

using namespace richtest;

TEST(RtfWriter, CorpusWritesTheGoldenDialect)
{
    for (const std::string& name : CorpusFiles()) {
        SCOPED_TRACE(name);
        const std::string golden = ReadFile(std::string(RICH_TEST_DATA) + "/golden/" + name);
        ASSERT_FALSE(golden.empty());
        EXPECT_EQ(WriteRtf(*Read(ReadFile(CorpusPath(name)))), golden);
    }
}

TEST(RtfWriter, RoundTripsAreStable)
{
    for (const std::string& name : CorpusFiles()) {
        SCOPED_TRACE(name);
        EXPECT_EQ(CheckStable(ReadFile(CorpusPath(name))), "");
    }
}

TEST(RtfWriter, KeptGroupsGoBackAsTheyCame)
{
    const std::string written = WriteRtf(*Read(ReadFile(CorpusPath("objects.rtf"))));
    for (const char* group :
         {"{\\object\\objemb{\\*\\objclass Excel.Sheet.8}\\objw2000\\objh1000{\\*\\objdata 01050000020000000b000000}"
          "{\\result{\\pict\\wmetafile8\\picw2000\\pich1000\\picwgoal2000\\pichgoal1000 0100090000}}}",
          "{\\object\\objemb\\objw1440\\objh720{\\*\\objdata 0105}}", "{\\field{\\*\\fldinst { PAGE }}{\\fldrslt 7}}"})
        EXPECT_NE(written.find(group), std::string::npos) << group;
    const std::string pictures = WriteRtf(*Read(ReadFile(CorpusPath("pictures.rtf"))));
    EXPECT_NE(pictures.find("{\\pict\\emfblip\\picw100\\pich100\\picwgoal567\\pichgoal567\r\n0100000064000000deadbeef}"),
              std::string::npos);
    // A broken picture keeps its bytes.
    EXPECT_NE(pictures.find("89504e470d0a}"), std::string::npos);
}

TEST(RtfWriter, KeptGroupsFollowTheNewTables)
{
    // The field's colour and font numbers point into tables the writer orders anew.
    const std::string in =
        "{\\rtf1{\\fonttbl{\\f5 Zeta;}{\\f9 Arial;}}{\\colortbl ;\\red9\\green9\\blue9;\\red0\\green0\\blue255;}"
        "\\f9 a{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt\\cf2\\f5 link}}}";
    const std::string out = WriteRtf(*Read(in));
    EXPECT_NE(out.find("{\\fldrslt\\cf1\\f1 link}"), std::string::npos) << out;
    EXPECT_EQ(Dump(out), Dump(in));
}

TEST(RtfWriter, EditedOrCutFieldsKeepTheirInstruction)
{
    const auto doc = Read("{\\rtf1 a{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link text}}b}");
    // Cut through the field: each part keeps a field around its share of the result.
    TRtfWriteOptions head;
    head.to = 5;
    const std::string part = WriteRtf(*doc, head);
    EXPECT_NE(part.find("{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}"), std::string::npos) << part;
    EXPECT_EQ(Dump(part), Dump("{\\rtf1 a{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}}"));
    // Typed into: the new text is not part of the field.
    QTextCursor c(doc.get());
    c.setPosition(3);
    c.insertText(QStringLiteral("X"), QTextCharFormat());
    EXPECT_EQ(CheckStable(WriteRtf(*doc)), "");
}

TEST(RtfWriter, SelectionsAndObjectsLeftOut)
{
    const auto doc = Read("{\\rtf1 ab\\b cd\\b0\\par ef{\\pict\\pngblip\\picwgoal20\\pichgoal20 00}\\par gh}");
    struct Case {
        int from, to;
        const char* text;  // paragraphs joined with "|"
    };
    const Case cases[] = {
        {1, 3, "bc"},          // inside a paragraph
        {3, 6, "d|e"},         // across a mark
        {3, 5, "d|"},          // ending right after a mark: the empty paragraph it opens
        {2, 2, ""},            // nothing
        {0, 11, "abcd|ef\xef\xbf\xbc|gh"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TRtfWriteOptions o;
        o.from = c.from;
        o.to = c.to;
        const auto part = Read(WriteRtf(*doc, o));
        EXPECT_EQ(part->toRawText().replace(QChar(0x2029), QLatin1Char('|')).toStdString(), c.text);
    }
    TRtfWriteOptions noObjects;
    noObjects.noObjects = true;
    const std::string out = WriteRtf(*doc, noObjects);
    EXPECT_EQ(out.find("\\pict"), std::string::npos);
    EXPECT_EQ(Read(out)->toRawText().replace(QChar(0x2029), QLatin1Char('|')), QStringLiteral("abcd|ef|gh"));
}

TEST(RtfWriter, NamesAndTextStayAscii)
{
    const auto doc = Read("{\\rtf1{\\fonttbl{\\f0\\fcharset134 \\'cb\\'ce\\'cc\\'e5;}{\\f1 \\u-2972?\\u-2971?;}}"
                          "\\f0 \\'d6\\'d0{\\f1 x}\\u-10179?\\u-8704?}");
    const std::string out = WriteRtf(*doc);
    for (char c : out) ASSERT_LT(static_cast<unsigned char>(c), 0x80);
    EXPECT_NE(out.find("\\fcharset134 \\'cb\\'ce\\'cc\\'e5;"), std::string::npos);
    // A name the font table's code page cannot hold goes as \u.
    EXPECT_NE(out.find("\\u-2972?\\u-2971?;"), std::string::npos);
    EXPECT_EQ(Dump(out), Dump(WriteRtf(*doc)));
}

TEST(RtfWriter, HundredPrintCyclesLeaveTheRtfUnchanged)
{
    for (const std::string& name : CorpusFiles()) {
        SCOPED_TRACE(name);
        TReRichEdit edit;
        edit.LoadRtf(ReadFile(CorpusPath(name)));
        const std::string stored = edit.SaveRtf();
        for (int i = 0; i < 100; ++i) {
            // Save before printing, change the content as expressions do, restore after.
            std::unique_ptr<QTextDocument> saved = edit.CloneDocument();
            edit.SelectAll();
            edit.SetSelText(u"[value]");
            edit.SetDocument(std::move(saved));
            // And through RTF, as the prepared pages keep it.
            edit.LoadRtf(edit.SaveRtf());
        }
        EXPECT_EQ(edit.SaveRtf(), stored);
    }
}

// Inputs the fuzz loop once broke: each reads and writes back stably.
TEST(RtfWriter, OnceBrokenInputsAreStable)
{
    const char* const inputs[] = {
        // A kept object whose result runs over paragraphs, and one that ends with a mark.
        "{\\rtf1 a{\\object\\objemb{\\result x\\par y}} b\\par c}",
        "{\\rtf1 a{\\object\\objemb{\\result x\\par}}\\par b}",
        // Text before \object in its group belongs to the kept group.
        "{\\rtf1 a{\\{\\object\\objemb{\\result r}} b}",
        // A picture begun after text in its group, and a table in the body.
        "{\\rtf1 {lead\\pict\\emfblip 0102} x{\\fonttbl{\\f0 Zeta;}} y}",
        // Header words in the body, a font number without its number.
        ("{\\rtf1\\ansi{\\fonttbl{\\f0 A;}{\\f1\\fcharset134 B;}} {\\field{\\*\\fldinst \\ansicpg1252 X}{\\fldrslt "
         "\\f\\'d6\\'d0}} \\'d6\\'d0}"),
        // A \bin count that is not its length, in a kept group cut off at the end.
        "{\\rtf1 {\\field{\\*\\fldinst HYPERLINK \"u\\bin-5 x\"}{\\fldrslt t",
        // Equal pictures side by side, a scale of 0, a font name cut to 31 characters.
        "{\\rtf1 {\\pict\\emfblip 01}{\\pict\\emfblip 01}{\\pict\\pngblip\\picscalex0 00}}",
        "{\\rtf1{\\fonttbl{\\f0 0123456789012345678901234567890 trailing;}} x}",
        // Tab stops given twice, a kept group around paragraph attributes.
        "{\\rtf1\\tx720\\tx720\\tqr\\tx720 a{\\field{\\*\\fldinst I}{\\fldrslt\\tx1440 r\\par}}b}",
        // \plain inside a kept group, in a file whose default font is not the first.
        "{\\rtf1\\deff1{\\fonttbl{\\f0 Zeta;}{\\f1 Arial;}}{\\field{\\*\\fldinst I}{\\fldrslt\\f0 z\\plain a}}}",
        // Paragraph attributes set inside a kept group, and a \uc around one.
        "{\\rtf1 a{\\object\\objemb{\\result x{\\*\\pn\\pnlvlblt} y\\par z}} b\\par c}",
        "{\\rtf1\\uc0 {\\field{\\*\\fldinst I}{\\fldrslt \\u20013?}}}",
        // A supplementary character in a font name, an unknown charset.
        "{\\rtf1{\\fonttbl{\\f0\\fcharset13 N\\u-10179?\\u-8704?;}}\\'e9{\\object{\\result\\'e9}}}",
        // A bullet list's start number (without its number) beside a list without one.
        "{\\rtf{\\pn\\pnstart}{\\\n\\pn}r",
        // A kept object ending with its mark, then text that a \cell makes a table.
        "{\\rtf{\\object\\result\nr\\\n}\x01\\cell",
        // A tab leader given before a kept group whose result places the stop.
        "{\\rtf\\tldot{\\field\\fldrslt\\tx5l\\par",
        // A kept object whose own group turns into a list definition, then a group cut off.
        "{\\rtf\\{{\\object\\result\\pn}{",
    };
    for (const char* input : inputs) {
        SCOPED_TRACE(input);
        EXPECT_EQ(CheckStable(input), "");
    }
    // Both pictures are written.
    const std::string twice = WriteRtf(*Read(inputs[6]));
    EXPECT_NE(twice.find("{\\pict\\emfblip 01}{\\pict\\emfblip 01}"), std::string::npos) << twice;
    // The kept object over two paragraphs goes back whole, once.
    const std::string over = WriteRtf(*Read(inputs[0]));
    EXPECT_NE(over.find("{\\object\\objemb{\\result x\\par y}}"), std::string::npos) << over;
    EXPECT_EQ(Read(over)->toRawText(), Read(inputs[0])->toRawText());
    // The stop placed in the kept group keeps the kind and leader given
    // before the group, read again too.
    const std::string leader = "{\\rtf1\\tqr\\tldot{\\field{\\*\\fldinst I}{\\fldrslt\\tx500 r\\par}}}";
    for (const std::string& rtf : {leader, WriteRtf(*Read(leader))}) {
        const rich::TRichPara p = rich::FromBlock(Read(rtf)->begin());
        ASSERT_EQ(p.tabs.size(), 1u) << rtf;
        EXPECT_EQ(p.tabs[0].leader, rich::TRichTabLeader::Dot) << rtf;
        EXPECT_EQ(p.tabs[0].kind, rich::TRichTabKind::Right) << rtf;
    }
    // A kept group's own \pn ends with the group: what follows is not
    // kept with it, and the paragraph outside gets no list from it.
    const std::string ownPn = "{\\rtf1 a{\\object\\result r\\pn}b\\par}";
    const std::string written = WriteRtf(*Read(ownPn));
    EXPECT_NE(written.find("{\\object\\result r\\pn}b"), std::string::npos) << written;
    EXPECT_EQ(rich::FromBlock(Read(written)->begin()).list, rich::TRichList::None) << written;
    EXPECT_EQ(rich::FromBlock(Read(ownPn)->begin()).list, rich::TRichList::None);
}

TEST(RtfPictures, SizesNearTheIntegerRangeAreHeld)
{
    // Pixel sizes, goals and scales near 2^31: a picture takes at most
    // 100,000 twips a side, and nothing overflows on the way.
    const auto doc = Read("{\\rtf1 a{\\pict\\pngblip\\picw2147483647\\pich2147483647\\picwgoal0\\pichgoal0 00}"
                          "b{\\pict\\pngblip\\picw10\\pich10\\picwgoal30000000\\pichgoal30000000\\picscalex100"
                          "\\picscaley2147483647 00}c{\\pict\\pngblip\\picwgoal-5\\pichgoal20\\picscalex-1 00}}");
    std::vector<QSizeF> sizes;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().objectType() == rich::RichObjectType)
                sizes.push_back(rich::PictureSizeUnits(it.fragment().charFormat()));
    ASSERT_EQ(sizes.size(), 3u);
    const qreal limit = 100000.0 / rich::TwipsPerUnit;
    EXPECT_EQ(sizes[0], QSizeF(limit, limit));
    EXPECT_EQ(sizes[1], QSizeF(limit, limit));
    EXPECT_EQ(sizes[2], QSizeF(0, 0));  // pixels unknown, goal not positive
}

TEST(RtfWriter, BookmarksGoBackByteForByteWhereTheyWere)
{
    // Word's bookmarks around text, at a paragraph's end, in a cell,
    // around a field and a picture, and at the very end; the same name
    // twice; a bookmark inside a field goes back with the field.
    const std::string start = "{\\*\\bkmkstart _Ref1}", end = "{\\*\\bkmkend _Ref1}";
    const std::string cell = "{\\*\\bkmkstart c\\bkmkcolf0\\bkmkcoll1}", field = "{\\*\\bkmkstart f}";
    const std::string inField = "{\\field{\\*\\fldinst { REF _Ref1 }}{\\fldrslt {\\*\\bkmkstart in}7{\\*\\bkmkend in}}}";
    const std::string pict = "{\\*\\bkmkend f}{\\pict\\pngblip\\picw1\\pich1 00}";
    const std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Before " + start + "{\\b marked}" + end + "\\par " +
                            start + "again" + end + " " + field + inField + pict + "\\par\\trowd\\cellx2000\\pard\\intbl " +
                            cell + "a" + "{\\*\\bkmkend c}\\cell\\row\\pard after{\\*\\bkmkstart last}\\par}";
    const auto doc = Read(rtf);
    // Nothing of them shows.
    EXPECT_EQ(doc->toPlainText().toStdString(), "Before marked\nagain 7\uFFFC\na\nafter");
    const std::string written = WriteRtf(*doc);
    for (const std::string& near : std::vector<std::string>{"Before " + start, "marked" + end, "\\par\r\n" + start, "again" + end, field + "{\\field",
                                    inField, "}" + pict.substr(0, pict.find("{\\pict")), cell, std::string("{\\*\\bkmkend c}\\cell"),
                                    "after{\\*\\bkmkstart last}\\par"})
        EXPECT_NE(written.find(near), std::string::npos) << near << "\n" << written;
    // Twice the same bytes at two places: twice.
    size_t count = 0;
    for (size_t at = written.find(start); at != std::string::npos; at = written.find(start, at + 1)) ++count;
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(CheckStable(written), "");
    // A range that leaves a bookmarked character out leaves its bookmark out.
    TRtfWriteOptions part;
    part.from = 8;
    part.to = static_cast<int>(doc->begin().next().position());
    const std::string cut = WriteRtf(*doc, part);
    EXPECT_EQ(cut.find("bkmkstart _Ref1"), std::string::npos) << cut;
    EXPECT_NE(cut.find(end), std::string::npos) << cut;
    // A bookmark word after text in its group is no group of its own: kept,
    // the text would come twice.
    EXPECT_EQ(CheckStable(ReadFile(std::string(RICH_TEST_DATA) + "/../../fuzz/corpus/rtf/repro_rtf_bookmark_after_text.rtf")), "");
}
