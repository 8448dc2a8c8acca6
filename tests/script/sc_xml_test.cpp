// Script XML tree: attributes, escaping, reader and writer format.

#include <gtest/gtest.h>

#include <sstream>

#include "Exceptions.h"
#include "sc_xml.h"

TEST(ScriptXml, EscapingRoundTrip)
{
    const std::string value = "a\"b<c>d\ne\rf&g";
    EXPECT_EQ(scStrToXML(value), "a&#34;b&#60;c&#62;d&#10;e&#13;f&#38;g");
    EXPECT_EQ(scXMLToStr(scStrToXML(value)), value);
}

TEST(ScriptXml, AmpersandAlwaysEscapedSoReferencesSurvive)
{
    // A literal "&#65;" or "&quot;" must read back as written, not as A or ".
    for (const char* value : {"&#65;", "&quot;", "&", "a & b"}) EXPECT_EQ(scXMLToStr(scStrToXML(value)), value) << value;
}

TEST(ScriptXml, Decoding)
{
    EXPECT_EQ(scXMLToStr("a&quot;b"), "a\"b");
    EXPECT_EQ(scXMLToStr("&#65;&#66;"), "AB");
    EXPECT_EQ(scXMLToStr("&#20013;"), "\xE4\xB8\xAD");  // not modulo 256
    EXPECT_EQ(scXMLToStr("&amp; &#"), "&amp; &#");
    EXPECT_EQ(scXMLToStr("x&#65"), "x&#65");  // no semicolon: left as it is
    EXPECT_EQ(scXMLToStr("&#38;#65;"), "&#65;");  // decoded once
    EXPECT_THROW(scXMLToStr("&#zz;"), EConvertError);
}

TEST(ScriptXml, PropReadAndWrite)
{
    TscXMLItem item;
    item.Text = "text=\"a\" pos=\"1:2\"";
    EXPECT_EQ(item.Prop("POS"), "1:2");
    EXPECT_EQ(item.Prop("missing"), "");
    item.SetProp("TEXT", "b\"c");
    EXPECT_EQ(item.Text, "TEXT=\"b&#34;c\" pos=\"1:2\"");  // keeps its place
    item.SetProp("unit", "u");
    EXPECT_EQ(item.Text, "TEXT=\"b&#34;c\" pos=\"1:2\" unit=\"u\"");
    TscXMLItem empty;
    empty.SetProp("a", "1");
    EXPECT_EQ(empty.Text, "a=\"1\"");
}

TEST(ScriptXml, PropIsNotFoundInsideAnotherValue)
{
    TscXMLItem item;
    item.Text = "text=\"a pos=\" pos=\"3:4\"";
    EXPECT_EQ(item.Prop("pos"), "3:4");
    item.Text = "text=\"unclosed";
    EXPECT_EQ(item.Prop("text"), "");
}

TEST(ScriptXml, FindItemAddsOnce)
{
    TscXMLItem root;
    TscXMLItem* a = root.FindItem("Child");
    EXPECT_EQ(root.FindItem("CHILD"), a);
    EXPECT_EQ(root.Count(), 1);
    EXPECT_EQ(root.Find("child"), 0);
    EXPECT_EQ(root.Find("other"), -1);
    EXPECT_THROW(root.Items(1), EListError);
}

TEST(ScriptXml, AddItemReparentsAndAssignCopiesDeep)
{
    TscXMLItem a;
    TscXMLItem b;
    TscXMLItem* child = a.Add();
    child->Name = "c";
    child->Add()->Name = "d";
    b.AddItem(child);
    EXPECT_EQ(a.Count(), 0);
    EXPECT_EQ(child->Parent, &b);
    TscXMLItem copy;
    copy.Assign(&b);
    ASSERT_EQ(copy.Count(), 1);
    EXPECT_EQ(copy.Items(0)->Items(0)->Name, "d");
    EXPECT_EQ(copy.Items(0)->Root(), &copy);
    b.InsertItem(0, a.Add());
    EXPECT_EQ(b.Items(1), child);
    delete child;  // leaves its parent's list
    EXPECT_EQ(b.Count(), 1);
}

TEST(ScriptXml, WriterFormat)
{
    TscXMLDocument doc;
    doc.Root()->Name = "program";
    TscXMLItem* stmt = doc.Root()->Add();
    stmt->Name = "compoundstmt";
    stmt->Text = "pos=\"1:1\"";
    stmt->Add()->Name = "break";
    EXPECT_EQ(doc.SaveToString(), "<?xml version=\"1.0\"?><program><compoundstmt pos=\"1:1\"><break/></compoundstmt></program>");
    doc.AutoIndent = true;
    EXPECT_EQ(doc.SaveToString(),
              "<?xml version=\"1.0\"?>\r\n<program>\r\n  <compoundstmt pos=\"1:1\">\r\n    <break/>\r\n"
              "  </compoundstmt>\r\n</program>\r\n");
}

TEST(ScriptXml, ReadBackWhatWasWritten)
{
    TscXMLDocument doc;
    doc.AutoIndent = true;
    doc.Root()->Name = "a";
    for (int i = 0; i < 3000; ++i) {  // more than one writer buffer
        TscXMLItem* item = doc.Root()->Add();
        item->Name = 'b';
        item->SetProp("text", "<&\"" + std::to_string(i));
    }
    TscXMLDocument back;
    back.LoadFromString(doc.SaveToString());
    ASSERT_EQ(back.Root()->Count(), 3000);
    EXPECT_EQ(back.Root()->Items(2999)->Prop("text"), "<&\"2999");
}

TEST(ScriptXml, ReaderCommentsAndEmptyElements)
{
    TscXMLDocument doc;
    doc.LoadFromString("<?xml version=\"1.0\"?>\n<!-- a > b -- c <d> --->still --><root x=\"1\">text<e/><f y=\"2\"/>"
                       "<g></G></root>");
    const TscXMLItem* root = doc.Root();
    EXPECT_EQ(root->Name, "root");
    EXPECT_EQ(root->Prop("x"), "1");
    ASSERT_EQ(root->Count(), 3);
    EXPECT_EQ(root->Items(0)->Name, "e");
    EXPECT_EQ(root->Items(1)->Prop("y"), "2");
    EXPECT_EQ(root->Items(2)->Count(), 0);
}

TEST(ScriptXml, ReaderErrors)
{
    TscXMLDocument doc;
    EXPECT_THROW(doc.LoadFromString("<root/>"), Exception);                        // no declaration
    EXPECT_THROW(doc.LoadFromString("<?xml?><a><b></a>"), Exception);              // mismatched end
    EXPECT_THROW(doc.LoadFromString("<?xml?><a <b>"), Exception);                  // < inside a tag
    EXPECT_THROW(doc.LoadFromString("<?xml?><a x=\"1\""), Exception);              // ends inside a tag
    EXPECT_NO_THROW(doc.LoadFromString("<?xml?><a><b><c/>"));                      // early end accepted
    EXPECT_EQ(doc.Root()->Items(0)->Items(0)->Name, "c");
}

TEST(ScriptXml, ReaderBoundsNesting)
{
    std::string text = "<?xml?>";
    for (int i = 0; i < scMaxXMLDepth + 10; ++i) text += "<a>";
    TscXMLDocument doc;
    EXPECT_THROW(doc.LoadFromString(text), Exception);
}

// The writer nests as deep as the reader accepts and refuses deeper trees
// (built item by item, they would otherwise exhaust the stack).
TEST(ScriptXml, WriterBoundsNestingAsTheReaderDoes)
{
    TscXMLDocument doc;
    TscXMLItem* item = doc.Root();
    for (int depth = 0; depth < scMaxXMLDepth; ++depth) {
        item->Name = "a";
        item = item->Add();
    }
    item->Name = "leaf";
    TscXMLDocument back;
    back.LoadFromString(doc.SaveToString());
    item = item->Add();
    item->Name = "deeper";
    try {
        doc.SaveToString();
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "XML elements nested too deeply");
    }
    for (int i = 0; i < 100000; ++i) item = item->Add();
    EXPECT_THROW(doc.SaveToString(), Exception);
}

TEST(ScriptXml, ReaderLeavesTheStreamAfterWhatItConsumed)
{
    std::istringstream in("<?xml?><a/>tail");
    {
        TscXMLReader reader(in);
        reader.ReadHeader();
        TscXMLItem item;
        reader.ReadItem(&item);
    }
    std::string rest;
    in >> rest;
    EXPECT_EQ(rest, "tail");
}
