#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "rpXML.h"

namespace {

std::string save(TrpXMLDocument& doc)
{
    TStringStream s;
    doc.SaveToStream(s);
    return s.DataString();
}

void load(TrpXMLDocument& doc, const std::string& text)
{
    TStringStream s(text);
    doc.LoadFromStream(s);
}

// A new last child of `parent` called `name`.
TrpXMLItem* add(TrpXMLItem* parent, const std::string& name)
{
    TrpXMLItem* item = parent->Add();
    item->SetName(name);
    return item;
}

const std::string kHeader = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";

class XmlDoc : public ::testing::Test {
protected:
    TrpXMLDocument doc;
};
using XmlWriter = XmlDoc;
using XmlReader = XmlDoc;
using XmlParking = XmlDoc;

}  // namespace

// ---- escaping

TEST(XmlEscaping, SixCharactersBecomeNumericReferences)
{
    EXPECT_EQ(StrToXML("a<b & \"c\"\r\n"), "a&#60;b &#38; &#34;c&#34;&#13;&#10;");
    EXPECT_EQ(StrToXML("x>y"), "x&#62;y");
    EXPECT_EQ(StrToXML("tab\there 'q'"), "tab\there 'q'");
    EXPECT_EQ(StrToXML("&quot;"), "&#34;");
    EXPECT_EQ(XMLToStr(StrToXML("say &quot;hi&quot;")), "say \"hi\"");
}

TEST(XmlEscaping, RoundTripOfEveryByteAtBothLengths)
{
    for (size_t len : {31u, 32u, 300u}) {
        for (int b = 0; b < 256; ++b) {
            std::string s(len, 'x');
            s[len / 2] = static_cast<char>(b);
            s[0] = static_cast<char>(b);
            s[len - 1] = static_cast<char>(b);
            const std::string escaped = StrToXML(s);
            ASSERT_EQ(escaped.find_first_of("<>\"\r\n"), std::string::npos) << b;
            ASSERT_EQ(XMLToStr(escaped), s) << "byte " << b << " length " << len;
        }
    }
}

TEST(XmlEscaping, DecodingRules)
{
    EXPECT_EQ(XMLToStr("&#65;"), "A");
    EXPECT_EQ(XMLToStr("&apos;&nbsp;"), "'&nbsp;");
    EXPECT_EQ(XMLToStr("&quot;&amp;&lt;&gt;"), "\"&<>");
    // Never decoded twice.
    EXPECT_EQ(XMLToStr("&#38;lt;"), "&lt;");
    EXPECT_EQ(XMLToStr("&amp;#34;"), "&#34;");
    // A lone or trailing ampersand and an unterminated reference stay.
    EXPECT_EQ(XMLToStr("a & b&"), "a & b&");
    EXPECT_EQ(XMLToStr("&#1234"), "&#1234");
    EXPECT_EQ(XMLToStr("&#x41;&#X4e2d;"), "A\xE4\xB8\xAD");
    EXPECT_THROW(XMLToStr("&#xZ1;"), EConvertError);
    EXPECT_THROW(XMLToStr("&#1a;"), EConvertError);
    // References above 255 give UTF-8.
    EXPECT_EQ(XMLToStr("&#20013;"), "\xE4\xB8\xAD");  // 中
    EXPECT_EQ(XMLToStr("&#300;"), "\xC4\xAC");
    EXPECT_EQ(XMLToStr("&#255;"), "\xFF");
    EXPECT_EQ(XMLToStr("&#55296;"), "&#55296;");  // a lone surrogate is no character
}

TEST(XmlEscaping, ValueToXMLByType)
{
    EXPECT_EQ(ValueToXML(Variant(true)), "1");
    EXPECT_EQ(ValueToXML(Variant(false)), "0");
    EXPECT_EQ(ValueToXML(Variant(int32_t(-42))), "-42");
    EXPECT_EQ(ValueToXML(Variant(int64_t(1) << 40)), "1099511627776");
    EXPECT_EQ(ValueToXML(Variant(2.5)), "2.5");
    EXPECT_EQ(ValueToXML(Variant("a<b")), "a&#60;b");
    EXPECT_EQ(ValueToXML(Variant()), "");
    EXPECT_EQ(ValueToXML(Variant::Null()), "");
}

// ---- tree

TEST(XmlTree, PropIsCaseInsensitiveAndSetPropKeepsPlace)
{
    TrpXMLItem item;
    item.SetProp("name", "one");
    item.SetProp("Left", "10");
    item.SetProp("Top", "a\"b");
    EXPECT_EQ(item.Text(), "name=\"one\" Left=\"10\" Top=\"a&#34;b\"");
    EXPECT_EQ(item.Prop("NAME"), "one");
    EXPECT_EQ(item.Prop("top"), "a\"b");
    EXPECT_EQ(item.Prop("Missing"), "");
    item.SetProp("LEFT", "20");
    EXPECT_EQ(item.Text(), "name=\"one\" LEFT=\"20\" Top=\"a&#34;b\"");
    // A name that is only the tail of another attribute does not match.
    item.SetProp("op", "x");
    EXPECT_EQ(item.Prop("Top"), "a\"b");
    EXPECT_EQ(item.Prop("op"), "x");
    // An unclosed value reads as empty.
    item.SetText("a=\"1\" b=\"2");
    EXPECT_EQ(item.Prop("a"), "1");
    EXPECT_EQ(item.Prop("b"), "");
}

TEST(XmlTree, ChildrenFindAndMove)
{
    TrpXMLItem a, b;
    TrpXMLItem* x = add(&a, "Page");
    TrpXMLItem* y = a.FindItem("band");
    EXPECT_EQ(a.Count(), 2);
    EXPECT_EQ(a.Find("PAGE"), 0);
    EXPECT_EQ(a.FindItem("BAND"), y);
    EXPECT_EQ(a.Find("none"), -1);
    b.AddItem(x);
    EXPECT_EQ(a.Count(), 1);
    EXPECT_EQ(x->Parent(), &b);
    a.InsertItem(0, x);
    EXPECT_EQ(b.Count(), 0);
    EXPECT_EQ(a.IndexOf(x), 0);
    EXPECT_EQ(a.IndexOf(y), 1);
    EXPECT_THROW(a.Items(2), EListError);
    a.Clear();
    EXPECT_EQ(a.Count(), 0);
    EXPECT_TRUE(a.Loaded());
}

// ---- writer

TEST_F(XmlWriter, UnindentedLayoutIsOneLine)
{
    doc.Root()->SetName("preparedreport");
    add(doc.Root(), "report")->SetProp("a", "1");
    add(doc.Root(), "value")->SetValue("raw & <kept>");
    add(doc.Root(), "empty");
    EXPECT_EQ(save(doc), kHeader +
                             "<preparedreport><report a=\"1\"/><value>raw & <kept></value><empty/></preparedreport>");
}

TEST_F(XmlWriter, IndentedLayoutUsesTwoBlanksAndCrLf)
{
    doc.AutoIndent = true;
    doc.Root()->SetName("TrpReport");
    TrpXMLItem* page = add(doc.Root(), "TrpReportPage");
    page->SetProp("Name", "Page1");
    add(page, "TrpMasterData")->SetProp("Name", "MasterData1");
    EXPECT_EQ(save(doc), kHeader + "\r\n<TrpReport>\r\n  <TrpReportPage Name=\"Page1\">\r\n"
                                   "    <TrpMasterData Name=\"MasterData1\"/>\r\n  </TrpReportPage>\r\n"
                                   "</TrpReport>\r\n");
}

TEST_F(XmlWriter, UnloadableMarkHasOneBlank)
{
    doc.Root()->SetName("r");
    TrpXMLItem* p = add(doc.Root(), "page0");
    p->SetUnloadable(true);
    add(p, "m");
    EXPECT_EQ(save(doc), kHeader + "<r><page0 ld=\"0\"><m/></page0></r>");
}

// ---- reader

TEST_F(XmlReader, ElementsAttributesCommentsAndAnOpenEnd)
{
    load(doc, kHeader + "\r\n<a x=\"1\">\r\n  <b/>\r\n  <c y=\"&#60;\" />\r\n</a>\r\n");
    TrpXMLItem* a = doc.Root();
    EXPECT_EQ(a->Name(), "a");
    EXPECT_EQ(a->Prop("x"), "1");
    ASSERT_EQ(a->Count(), 2);
    EXPECT_EQ(a->Items(0)->Name(), "b");
    EXPECT_EQ(a->Items(0)->Count(), 0);
    EXPECT_EQ(a->Items(1)->Prop("y"), "<");
    EXPECT_TRUE(doc.OldVersion);
    // Comments are skipped whole.
    load(doc, kHeader + "<a><!-- x > y <z> --><b/><!----><c/></a>");
    ASSERT_EQ(doc.Root()->Count(), 2);
    EXPECT_EQ(doc.Root()->Items(1)->Name(), "c");
}

TEST_F(XmlReader, AFileCutShortIsRefusedAndKeepsWhatWasRead)
{
    // Cut at an element boundary: the root, or an element in it, never
    // closed.
    EXPECT_THROW(load(doc, kHeader + "<a><b/>"), TrpInvalidXMLException);
    EXPECT_EQ(doc.Root()->Count(), 1);
    EXPECT_THROW(load(doc, kHeader + "<a><b><c/></b><d>\r\n"), TrpInvalidXMLException);
    EXPECT_THROW(load(doc, "<a>"), TrpInvalidXMLException);
    // A declaration and nothing else (what the writer's "</>" came from).
    for (const char* alone : {"<?xml version=\"1.0\"?>", "<?xml version=\"1.0\"?>\r\n<!-- c -->\r\n"})
        EXPECT_THROW(load(doc, alone), TrpInvalidXMLException) << alone;
    // Whole files still read, a single empty element too.
    EXPECT_NO_THROW(load(doc, kHeader + "<a/>"));
    EXPECT_NO_THROW(load(doc, kHeader + "<a><b/></a>\r\n"));
}

// The tree as names, attribute texts and children, to compare whole.
std::string dump(const TrpXMLItem* item)
{
    std::string out = item->Name() + "{" + item->Text() + "}";
    if (item->Count() == 0) return out;
    out += "(";
    for (int i = 0; i < item->Count(); ++i) out += (i ? " " : "") + dump(item->Items(i));
    return out + ")";
}

TEST_F(XmlReader, WellFormedFilesFromOtherWriters)
{
    const std::string h = "<?xml version='1.0' encoding='UTF-8'?>";
    const struct {
        const char* what;
        std::string text;
        std::string tree;
    } corpus[] = {
        {"'>' in a value", kHeader + "<r><a u=\"x > y\"/></r>", "r{}(a{u=\"x &#62; y\"})"},
        {"single quotes", h + "<r a='say \"hi\"' b='1'/>", "r{a=\"say &#34;hi&#34;\" b=\"1\"}"},
        {"a quote of the other kind", h + "<r a=\"it's\" b='x>\"'/>", "r{a=\"it's\" b=\"x&#62;&#34;\"}"},
        {"character references", h + "<r a=\"&#x41;&#66;&apos;&#x4E2D;&lt;\"/>", "r{a=\"&#x41;&#66;&apos;&#x4E2D;&lt;\"}"},
        {"comments and instructions between elements",
         h + "\n<!-- before > the root -->\n<?style href=\"a.css\"?>\n<r><!-- <x> --><?pi <x> ?><a/><![CDATA[ <b> ]]><c></c></r>\n<!-- after -->",
         "r{}(a{} c{})"},
        {"CR LF and tabs", h + "\r\n<r\r\n  a=\"1\"\r\n\tb=\"x\r\ny\tz\"\r\n/>\r\n", "r{a=\"1\" b=\"x y\tz\"}"},
        {"blanks around the equals sign", h + "<r a = \"1\"  b\t=\t'2' ><a\n/></r >", "r{a=\"1\" b=\"2\"}(a{})"},
        {"byte-order mark", "\xEF\xBB\xBF" + h + "<r a=\"\xE4\xB8\xAD\"/>", "r{a=\"\xE4\xB8\xAD\"}"},
        {"document type with an internal subset",
         h + "<!DOCTYPE r [ <!ELEMENT r ANY> <!ATTLIST r a CDATA \"x>]y\"> ]><r><a/></r>", "r{}(a{})"},
        {"the old program's own form", kHeader + "<r a=\"&#60;&#34;\" ld=\"0\"><b/></r>", "r{a=\"&#60;&#34;\"}(b{})"},
        {"no declaration", "<r a=\"1\"><b/></r>", "r{a=\"1\"}(b{})"},
        {"no declaration, a single element", "\r\n  <r a='1'/>", "r{a=\"1\"}"},
        {"no declaration after a byte-order mark and a comment", "\xEF\xBB\xBF<!-- c --><r><b/></r>", "r{}(b{})"},
        {"an instruction in place of the declaration", "<?style href=\"a.css\"?><r/>", "r{}"},
    };
    for (const auto& c : corpus) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_THROW(load(doc, c.text));
        EXPECT_EQ(dump(doc.Root()), c.tree);
        // What we write of it reads back the same.
        TrpXMLDocument again;
        load(again, save(doc));
        EXPECT_EQ(dump(again.Root()), c.tree);
    }
    // A value of another writer's form across the reader's 4096-byte steps.
    const std::string wide = "a<b>" + std::string(9000, '>') + "\"";
    load(doc, kHeader + "<r><a u='" + std::string(wide).replace(1, 1, "&#60;") + "'\r\n/></r>");
    EXPECT_EQ(doc.Root()->Items(0)->Prop("u"), wide);
    load(doc, kHeader + "<r><a u=\"x > y\" v='&#x3E;&apos;'/></r>");
    EXPECT_EQ(doc.Root()->Items(0)->Prop("u"), "x > y");
    EXPECT_EQ(doc.Root()->Items(0)->Prop("v"), ">'");
    // Still not XML: a '<' in a value, a value left open, a comment or
    // CDATA section that never ends.
    for (const char* bad : {"<r a=\"<\"/>", "<r a='1/>", "<r><!-- x </r>", "<r><![CDATA[ x </r>"})
        EXPECT_THROW(load(doc, kHeader + bad), TrpInvalidXMLException) << bad;
}

TEST_F(XmlReader, MalformedInputRaises)
{
    EXPECT_THROW(load(doc, kHeader + "<a></b>"), TrpInvalidXMLException);
    EXPECT_NO_THROW(load(doc, kHeader + "<a></A>"));  // the end tag compares ignoring case
    EXPECT_THROW(load(doc, ""), TrpInvalidXMLException);
    EXPECT_THROW(load(doc, "<?style x?>"), TrpInvalidXMLException);
    EXPECT_THROW(load(doc, "not xml"), TrpInvalidXMLException);
    EXPECT_THROW(load(doc, "<>"), TrpInvalidXMLException);
    // An end tag in the first element's place, with or without a declaration.
    EXPECT_THROW(load(doc, "</a>"), TrpInvalidXMLException);
    EXPECT_THROW(load(doc, kHeader + "</a><b/>"), TrpInvalidXMLException);
    // A quote inside a name: what we would write of it could not be read.
    EXPECT_THROW(load(doc, kHeader + "<r><m3\xff" "1.0\" x=\"y\"/></r>"), TrpInvalidXMLException);
    EXPECT_THROW(load(doc, kHeader + "<r><previewpages=\"\"/></r>"), TrpInvalidXMLException);
    EXPECT_THROW(load(doc, "<a></b>"), TrpInvalidXMLException);
    EXPECT_THROW(load(doc, kHeader + "<a <b/>"), TrpInvalidXMLException);
    EXPECT_THROW(load(doc, kHeader + "<a x=\"1\""), TrpInvalidXMLException);
    try {
        load(doc, kHeader + "<a><b/><c></d>");
        FAIL();
    } catch (const TrpInvalidXMLException& e) {
        EXPECT_STREQ(e.what(), "Invalid file format");
    }
    // What was read stays in the tree.
    EXPECT_EQ(doc.Root()->Name(), "a");
    EXPECT_GE(doc.Root()->Count(), 1);
}

TEST_F(XmlReader, StandaloneHeaderIsNotOldVersion)
{
    load(doc, "<?xml version=\"1.0\" standalone=\"yes\"?><a/>");
    EXPECT_FALSE(doc.OldVersion);
    load(doc, "<?xml version=\"1.1\" encoding=\"utf-8\"?><a/>");
    EXPECT_FALSE(doc.OldVersion);
    load(doc, kHeader + "<a/>");
    EXPECT_TRUE(doc.OldVersion);
    // Without a declaration a file reads as our own writer's form.
    load(doc, "<?xml version=\"1.1\"?><a/>");
    load(doc, "<a/>");
    EXPECT_TRUE(doc.OldVersion);
}

TEST_F(XmlReader, DeepNestingIsRefused)
{
    std::string text = kHeader;
    for (int i = 0; i < 100000; ++i) text += "<a>";
    EXPECT_THROW(load(doc, text), TrpInvalidXMLException);

    const auto nested = [](int depth) {
        std::string text = kHeader;
        for (int i = 0; i < depth; ++i) text += "<a>";
        for (int i = 0; i < depth; ++i) text += "</a>";
        return text;
    };
    EXPECT_NO_THROW(load(doc, nested(TrpXMLReader::kMaxDepth)));
    EXPECT_THROW(load(doc, nested(TrpXMLReader::kMaxDepth + 1)), TrpInvalidXMLException);
}

TEST_F(XmlReader, TooManyChildrenAndFileNamesInTheMessage)
{
    // A limit on the children of any one element, in the load and in
    // reading a parked element back.
    doc.MaxChildren = 3;
    EXPECT_NO_THROW(load(doc, kHeader + "<r><p/><p/><p><o/><o/><o/></p></r>"));
    try {
        load(doc, kHeader + "<r><p/><p><o/><o/><o/><o/></p></r>");
        ADD_FAILURE() << "loaded";
    } catch (const TrpInvalidXMLException& e) {
        EXPECT_STREQ(e.what(), "Invalid file format: more than 3 elements in <p>");
    }
    const std::string parked = kHeader + "<r><p ld=\"0\"><o/><o/><o/><o/></p></r>";
    TrpXMLDocument partial;
    partial.LoadFromStream(std::make_unique<TStringStream>(parked), true);
    partial.MaxChildren = 3;
    EXPECT_THROW(partial.LoadItem(partial.Root()->Items(0)), TrpInvalidXMLException);

    const std::filesystem::path file = std::filesystem::temp_directory_path() / "xml_reader_cut.xml";
    std::ofstream(file, std::ios::binary) << kHeader << "<a><b>";
    try {
        TrpXMLDocument named;
        named.LoadFromFile(file.string());
        ADD_FAILURE() << "loaded";
    } catch (const TrpInvalidXMLException& e) {
        EXPECT_EQ(std::string(e.what()), "Invalid file format: \"" + file.string() + "\"");
    }
    std::filesystem::remove(file);
    EXPECT_EQ(InvalidFileMessage("Invalid file format: more than 3 elements in <p>", "a.rpp"),
              "Invalid file format: \"a.rpp\": more than 3 elements in <p>");
    EXPECT_EQ(InvalidFileMessage("Stream read error", "a.rpp"), "\"a.rpp\": Stream read error");
}

TEST_F(XmlReader, LongTagsCrossBufferBoundaries)
{
    const std::string longValue(10000, 'v');
    doc.Root()->SetName("r");
    for (int i = 0; i < 50; ++i) {
        add(doc.Root(), "item")->SetProp("v", longValue + std::to_string(i));
    }
    const std::string text = save(doc);
    TrpXMLDocument back;
    load(back, text);
    ASSERT_EQ(back.Root()->Count(), 50);
    EXPECT_EQ(back.Root()->Items(49)->Prop("v"), longValue + "49");
    EXPECT_EQ(save(back), text);
}

TEST_F(XmlReader, AnOtherWritersTagReadsTheSameWhereverTheReadBufferEnds)
{
    // The part of a tag after the 4096-byte buffer's end looks like our
    // writer's form; its start does not and must still be put in it.
    const std::string tag = "<m a=\"1 \"b=\"2\" c=\"3\" d=\"4\" e=\"5\"/>";
    TrpXMLDocument whole;
    load(whole, kHeader + "<r>" + tag + "</r>");
    const std::string expected = whole.Root()->Items(0)->Text();
    EXPECT_EQ(expected, "a=\"1 \" b=\"2\" c=\"3\" d=\"4\" e=\"5\"");
    for (size_t before = 4096 - tag.size(); before < 4096 + 2; ++before) {
        const std::string head = kHeader + "<r>";
        const std::string text = head + std::string(before - head.size(), ' ') + tag + "</r>";
        TrpXMLDocument once;
        load(once, text);
        ASSERT_EQ(once.Root()->Count(), 1);
        EXPECT_EQ(once.Root()->Items(0)->Text(), expected) << "tag at " << before;
        TrpXMLDocument again;
        load(again, save(once));
        EXPECT_EQ(save(again), save(once)) << "tag at " << before;
    }
}

TEST_F(XmlReader, ParkingMarkIsStrippedOnFullLoad)
{
    load(doc, kHeader + "<r><p ld=\"0\" a=\"1\"><m/></p><q a=\"1\" ld=\"0\"/><s ld=\"0\"/></r>");
    EXPECT_EQ(doc.Root()->Items(0)->Text(), "a=\"1\"");
    EXPECT_EQ(doc.Root()->Items(0)->Count(), 1);
    EXPECT_EQ(doc.Root()->Items(1)->Text(), "a=\"1\"");
    EXPECT_EQ(doc.Root()->Items(2)->Text(), "");
    // Marked elements stay Unloadable, so the file is written again as read.
    EXPECT_TRUE(doc.Root()->Items(0)->Unloadable());
    EXPECT_TRUE(doc.Root()->Items(0)->Loaded());
    EXPECT_EQ(save(doc), kHeader + "<r><p a=\"1\" ld=\"0\"><m/></p><q a=\"1\" ld=\"0\"/><s ld=\"0\"/></r>");
}

// ---- parking

namespace {

// A store of pages, each parked after it is built.
void buildPages(TrpXMLDocument& doc, int pages)
{
    doc.Root()->SetName("preparedreport");
    for (int i = 0; i < pages; ++i) {
        TrpXMLItem* page = add(doc.Root(), "page" + std::to_string(i));
        page->SetUnloadable(true);
        for (int k = 0; k < 3; ++k) add(page, "TrpMemoView")->SetProp("Name", "Memo" + std::to_string(i) + "_" + std::to_string(k));
        doc.UnloadItem(page);
    }
}

}  // namespace

TEST_F(XmlParking, ParkedPagesReadBackAtTheirOffsets)
{
    buildPages(doc, 5);
    for (int i = 4; i >= 0; --i) {
        TrpXMLItem* page = doc.Root()->Items(i);
        EXPECT_FALSE(page->Loaded());
        EXPECT_EQ(page->Count(), 0);
        doc.LoadItem(page);
        ASSERT_EQ(page->Count(), 3);
        EXPECT_EQ(page->Items(2)->Prop("Name"), "Memo" + std::to_string(i) + "_2");
        EXPECT_EQ(page->Name(), "page" + std::to_string(i));
        EXPECT_TRUE(page->Loaded());
    }
}

TEST_F(XmlParking, ReparkingAnUnchangedPageDoesNotGrowTheFile)
{
    buildPages(doc, 3);
    const int64_t size = doc.TempSize();
    ASSERT_GT(size, 0);
    TrpXMLItem* page = doc.Root()->Items(1);
    for (int round = 0; round < 10; ++round) {
        doc.LoadItem(page);
        doc.UnloadItem(page);
    }
    EXPECT_EQ(doc.TempSize(), size);
    // A changed page is written anew and reads back changed.
    doc.LoadItem(page);
    page->Items(0)->SetProp("Left", "5");
    doc.UnloadItem(page);
    EXPECT_GT(doc.TempSize(), size);
    doc.LoadItem(page);
    EXPECT_EQ(page->Items(0)->Prop("Left"), "5");
}

TEST_F(XmlParking, SaveWritesParkedPagesInFullAndParksThemAgain)
{
    buildPages(doc, 2);
    const std::string text = save(doc);
    EXPECT_NE(text.find("<page1 ld=\"0\"><TrpMemoView Name=\"Memo1_0\"/>"), std::string::npos);
    EXPECT_FALSE(doc.Root()->Items(1)->Loaded());
    EXPECT_EQ(doc.Root()->Items(1)->Count(), 0);
}

TEST_F(XmlParking, PartialLoadReadsPagesOnDemand)
{
    buildPages(doc, 4);
    const std::string text = save(doc);

    TrpXMLDocument partial;
    partial.LoadFromStream(std::make_unique<TStringStream>(text), true);
    ASSERT_EQ(partial.Root()->Count(), 4);
    TrpXMLItem* p2 = partial.Root()->Items(2);
    EXPECT_FALSE(p2->Loaded());
    EXPECT_TRUE(p2->Unloadable());
    EXPECT_EQ(p2->Text(), "");
    partial.LoadItem(p2);
    ASSERT_EQ(p2->Count(), 3);
    EXPECT_EQ(p2->Items(0)->Prop("Name"), "Memo2_0");
    // Re-parking an unchanged page keeps its place in the source.
    partial.UnloadItem(p2);
    EXPECT_EQ(partial.TempSize(), 0);
    // A changed page moves to the temporary file; the source stays readable
    // for the others.
    partial.LoadItem(p2);
    add(p2, "extra");
    partial.UnloadItem(p2);
    EXPECT_GT(partial.TempSize(), 0);
    partial.LoadItem(p2);
    EXPECT_EQ(p2->Count(), 4);
    TrpXMLItem* p3 = partial.Root()->Items(3);
    partial.LoadItem(p3);
    EXPECT_EQ(p3->Items(1)->Prop("Name"), "Memo3_1");
    EXPECT_EQ(save(partial), [&] {
        std::string expected = text;
        const std::string at = "<TrpMemoView Name=\"Memo2_2\"/>";
        expected.insert(expected.find(at) + at.size(), "<extra/>");
        return expected;
    }());
}

TEST_F(XmlParking, NestedParkedElementsSurviveParkingTheirParent)
{
    doc.Root()->SetName("r");
    TrpXMLItem* outer = add(doc.Root(), "outer");
    outer->SetUnloadable(true);
    TrpXMLItem* inner = add(outer, "inner");
    inner->SetUnloadable(true);
    add(inner, "leaf");
    doc.UnloadItem(inner);
    doc.UnloadItem(outer);
    doc.LoadItem(outer);
    ASSERT_EQ(outer->Count(), 1);
    TrpXMLItem* innerBack = outer->Items(0);
    EXPECT_TRUE(innerBack->Unloadable());
    EXPECT_EQ(innerBack->Count(), 1);
    EXPECT_EQ(save(doc), kHeader + "<r><outer ld=\"0\"><inner ld=\"0\"><leaf/></inner></outer></r>");
}

TEST_F(XmlParking, TempDirThatDoesNotExistFallsBack)
{
    doc.TempDir = "/nonexistent/folder/for/parking";
    buildPages(doc, 1);
    EXPECT_GT(doc.TempSize(), 0);
}
