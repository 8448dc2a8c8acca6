// The rich edit engine: streams with their retry and error rules, the
// selection, attributes in the control's terms, the string-list view.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextCursor>

#include "RichTestSupport.h"
#include "ScriptedUiServices.h"
#include "rpRichEdit.h"

using namespace richtest;

namespace {

std::string Saved(TReRichEdit& e)
{
    TStringStream out;
    e.SaveToStream(out);
    return out.DataString();
}

void Load(TReRichEdit& e, const std::string& data)
{
    TStringStream in(data);
    e.LoadFromStream(in);
}

// A stream that claims more bytes than any load takes, or takes no writes.
class BrokenStream : public TStream {
public:
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t) override { return 0; }
    int64_t Seek(int64_t offset, TSeekOrigin origin) override { return origin == soEnd ? (int64_t(1) << 40) + offset : offset; }
};

}  // namespace

TEST(RichEdit, LoadingTriesTheOtherFormat)
{
    TReRichEdit e;
    // RTF while the stream format says text still comes in formatted.
    e.SetStreamFormat(sfPlainText);
    Load(e, "{\\rtf1 {\\b bold} x}");
    e.SetSelStart(1);
    EXPECT_TRUE(e.SelAttributes()->Style().Contains(fsBold));
    // Text while it says RTF comes in as text.
    e.SetStreamFormat(sfRichText);
    Load(e, "not {\\rtf1 rtf");
    EXPECT_EQ(e.Text(), u"not {\\rtf1 rtf");
    EXPECT_EQ(e.SelStart(), 0);
}

TEST(RichEdit, PlainTextStreams)
{
    TReRichEdit e;
    e.SetStreamFormat(sfPlainText);
    // Every kind of line break makes a paragraph; one character each.
    Load(e, "a\nb\rc\r\nd");
    EXPECT_EQ(e.Document().blockCount(), 4);
    EXPECT_EQ(e.GetTextLen(), 7);
    EXPECT_EQ(Saved(e), "a\r\nb\r\nc\r\nd");
    // Not UTF-8: code page 936.
    Load(e, "\xd6\xd0\xce\xc4");
    EXPECT_EQ(e.Text(), u"中文");
    // UTF-16: 上 is the bytes 0A 4E, which is no line break.
    e.SetStreamMode(TStreamMode{smUnicode});
    Load(e, std::string("\x0a\x4e\x0d\x00\x0a\x00\x0b\x4e", 8));
    EXPECT_EQ(e.Text(), u"上\r\n下");
    EXPECT_EQ(Saved(e), std::string("\x0a\x4e\x0d\x00\x0a\x00\x0b\x4e", 8));
    // Loaded plain text takes the default attributes.
    EXPECT_EQ(e.SelAttributes()->Name(), "Arial");
    EXPECT_EQ(e.SelAttributes()->Size(), 10);
}

TEST(RichEdit, FailedStreamsRaiseAndKeepTheContent)
{
    TReRichEdit e;
    e.LoadRtf("{\\rtf1 kept}");
    BrokenStream broken;
    try {
        e.LoadFromStream(broken);
        FAIL() << "no error";
    } catch (const EOutOfResources& x) {
        EXPECT_EQ(x.message(), "Failed to Load Stream");
    }
    EXPECT_EQ(e.Text(), u"kept");
    try {
        e.SaveToStream(broken);
        FAIL() << "no error";
    } catch (const EOutOfResources& x) {
        EXPECT_EQ(x.message(), "Failed to Save Stream");
    }
}

TEST(RichEdit, SelectionStreams)
{
    TReRichEdit e;
    e.LoadRtf("{\\rtf1 one \\b two\\b0  three}");
    e.SetSelStart(4);
    e.SetSelLength(3);
    e.SetStreamMode(TStreamMode{smSelection});
    EXPECT_EQ(Dump(Saved(e)), Dump("{\\rtf1\\b two}"));
    Load(e, "{\\rtf1\\i 2\\par}");
    e.SetStreamMode(TStreamMode{});
    EXPECT_EQ(e.Text(), u"one 2 three");
    EXPECT_EQ(e.SelStart(), 0);
}

TEST(RichEdit, ReplacingTheSelection)
{
    TReRichEdit e;
    e.LoadRtf("{\\rtf1 客户：{\\b [x]} end}");
    // UTF-16 positions: the value replaces exactly "[x]" and takes its bold.
    EXPECT_EQ(e.RawText().find(u'['), 3u);
    EXPECT_EQ(e.RawText().size(), static_cast<size_t>(e.GetTextLen()));
    e.SetSelStart(3);
    e.SetSelLength(3);
    EXPECT_EQ(e.SelText(), u"[x]");
    e.SetSelText(u"张三");
    EXPECT_EQ(e.Text(), u"客户：张三 end");
    e.SetSelStart(4);
    EXPECT_TRUE(e.SelAttributes()->Style().Contains(fsBold));
    EXPECT_EQ(e.SelStart(), 4);

    // An RTF value brings its formatting and no paragraph of its own.
    e.LoadRtf("{\\rtf1 A[x]B}");
    e.SetSelStart(1);
    e.SetSelLength(3);
    e.ReplaceSelectionRtf("{\\rtf1 {\\i v}\\par}");
    EXPECT_EQ(e.Text(), u"AvB");
    e.SetSelStart(2);
    EXPECT_TRUE(e.SelAttributes()->Style().Contains(fsItalic));

    // Line breaks typed in make paragraphs.
    e.SelectAll();
    e.SetSelText(u"1\r\n2\n3");
    EXPECT_EQ(e.Document().blockCount(), 3);
}

TEST(RichEdit, CharacterAttributes)
{
    TReRichEdit e;
    e.LoadRtf("{\\rtf1{\\fonttbl{\\f0 Arial;}} abc def}");
    e.SetSelStart(1);
    e.SetSelLength(2);
    e.SelAttributes()->SetStyle(TFontStyles{fsBold, fsUnderline});
    e.SelAttributes()->SetColor(clRed);
    e.SelAttributes()->SetName("宋体");
    e.SelAttributes()->SetSize(14);
    EXPECT_EQ(e.SelAttributes()->Color(), clRed);
    EXPECT_EQ(e.SelAttributes()->Name(), "宋体");
    EXPECT_EQ(e.SelAttributes()->Size(), 14);
    // The automatic colour.
    e.SelAttributes()->SetColor(clWindowText);
    EXPECT_EQ(e.SelAttributes()->Color(), clWindowText);
    // Only the selection changed.
    e.SetSelStart(4);
    EXPECT_FALSE(e.SelAttributes()->Style().Contains(fsBold));
    // The word at the selection.
    e.SetSelStart(6);
    e.WordAttributes()->SetStyle(TFontStyles{fsItalic});
    e.SetSelStart(5);
    e.SetSelLength(3);
    EXPECT_EQ(e.SelText(), u"def");
    EXPECT_TRUE(e.SelAttributes()->Style().Contains(fsItalic));
    // Long names are cut as the control cuts them.
    e.SelAttributes()->SetName(std::string(40, 'n'));
    EXPECT_EQ(e.SelAttributes()->Name().size(), 31u);
    // Round trip through a TFont.
    TFont font;
    font.Assign(e.SelAttributes());
    EXPECT_EQ(font.Name(), std::string(31, 'n'));
}

TEST(RichEdit, IndentsInTheControlsTerms)
{
    TReRichEdit e;
    e.LoadRtf("{\\rtf1 text}");
    TReParaAttributes& p = *e.Paragraph();
    p.SetFirstIndent(10);
    p.SetLeftIndent(5);
    p.SetRightIndent(3);
    // In RTF's terms: every line at 15 pt, the first 5 pt back.
    const rich::TRichPara para = rich::FromBlock(e.Document().begin());
    EXPECT_EQ(para.li, 300);
    EXPECT_EQ(para.fi, -100);
    EXPECT_EQ(para.ri, 60);
    EXPECT_EQ(p.FirstIndent(), 10);
    EXPECT_EQ(p.LeftIndent(), 5);
    // Bullets raise the left indent to 10, and off set it to 0; the first line stays.
    p.SetNumbering(nsBullet);
    EXPECT_EQ(p.Numbering(), nsBullet);
    EXPECT_EQ(p.LeftIndent(), 10);
    EXPECT_EQ(p.FirstIndent(), 10);
    p.SetNumbering(nsNone);
    EXPECT_EQ(p.LeftIndent(), 0);
    EXPECT_EQ(p.FirstIndent(), 10);
    // Tabs: setting tab 3 makes four.
    p.SetTab(3, 72);
    EXPECT_EQ(p.TabCount(), 4);
    EXPECT_EQ(p.Tab(3), 72);
    p.SetAlignment(rich::TRichAlign::Justify);
    EXPECT_NE(e.SaveRtf().find("\\qj\\li200\\ri60\\tx1440"), std::string::npos) << e.SaveRtf();
}

TEST(RichEdit, LinesAreParagraphs)
{
    TReRichEdit e;
    TRichEditStrings& lines = *e.Lines();
    EXPECT_EQ(lines.Count(), 0);
    lines.Add("one");
    lines.Add("two");
    EXPECT_EQ(lines.Count(), 2);
    lines.Insert(0, "zero");
    lines.Put(2, "TWO");
    EXPECT_EQ(lines.Text(), "zero\r\none\r\nTWO\r\n");
    lines.Delete(1);
    EXPECT_EQ(lines.Strings(1), "TWO");
    EXPECT_THROW(lines.Get(5), EStringListError);
    // A last empty paragraph is no line.
    e.LoadRtf("{\\rtf1 a\\par\\par}");
    EXPECT_EQ(lines.Count(), 1);
    lines.SetText("x\ny");
    EXPECT_EQ(lines.Count(), 2);
}

TEST(RichEdit, FilesByExtension)
{
    const std::string dir = ::testing::TempDir();
    TReRichEdit e;
    e.LoadRtf("{\\rtf1\\b bold\\par line}");
    e.Lines()->SaveToFile(dir + "/rich.TXT");
    EXPECT_EQ(ReadFile(dir + "/rich.TXT"), "bold\r\nline");
    e.Lines()->SaveToFile(dir + "/rich.rtf");
    TReRichEdit back;
    back.Lines()->LoadFromFile(dir + "/rich.rtf");
    EXPECT_EQ(back.SaveRtf(), e.SaveRtf());
    EXPECT_EQ(back.StreamFormat(), sfDefault);
}

TEST(RichEdit, PlainTextModeKeepsOnlyTheDefaults)
{
    TReRichEdit e;
    e.LoadRtf("{\\rtf1 a {\\b b}}");
    e.SetPlainText(true);
    e.SetSelStart(3);
    EXPECT_FALSE(e.SelAttributes()->Style().Contains(fsBold));
    EXPECT_EQ(Saved(e), "a b");
    e.DefAttributes()->SetSize(20);
    e.SetSelStart(1);
    EXPECT_EQ(e.SelAttributes()->Size(), 20);
}

TEST(RichEdit, FindText)
{
    TReRichEdit e;
    e.LoadRtf("{\\rtf1 Order order ORDER}");
    EXPECT_EQ(e.FindText(u"order", 0, -1, {}), 0);
    EXPECT_EQ(e.FindText(u"order", 0, -1, TSearchTypes{stMatchCase}), 6);
    EXPECT_EQ(e.FindText(u"ORDER", 0, 10, TSearchTypes{stMatchCase}), -1);
    EXPECT_EQ(e.FindText(u"ord", 0, -1, TSearchTypes{stWholeWord}), -1);
}

TEST(RichEdit, LinesOfTheLastLayout)
{
    TReRichEdit e;
    e.LoadRtf("{\\rtf1{\\fonttbl{\\f0 Courier New;}}\\f0\\fs20 aaaa bbbb cccc dddd\\par ee}");
    // Before any format range the control's own width (185 pixels) lays out.
    EXPECT_EQ(e.LineCount(), 2);
    TFormatRange r;
    r.rc = Rect(0, 0, 1000, 100000);  // about six characters a line
    e.FormatRange(r);
    EXPECT_EQ(e.LineCount(), 5);
    EXPECT_EQ(e.LineIndex(1), 5);
    EXPECT_EQ(e.LineFromChar(7), 1);
    EXPECT_EQ(e.LineFromChar(20), 4);   // "ee" after the mark
    EXPECT_EQ(e.LineLength(20), 2);
    EXPECT_EQ(e.LineIndex(5), -1);
    EXPECT_EQ(e.LineFromChar(-3), 0);
}

TEST(RichEdit, ClearAndModified)
{
    TReRichEdit e;
    int changes = 0;
    e.OnChange = [&changes](TObject*) { ++changes; };
    e.LoadRtf("{\\rtf1 x}");
    e.SelectAll();
    e.SetSelText(u"y");
    EXPECT_TRUE(e.Modified());
    EXPECT_GT(changes, 0);
    e.Clear();
    EXPECT_FALSE(e.Modified());
    EXPECT_EQ(e.GetTextLen(), 0);
    // The default attributes hold for what comes next.
    e.SetSelText(u"z");
    e.SetSelStart(1);
    EXPECT_EQ(e.SelAttributes()->Name(), "Arial");
}

TEST(RichEdit, AFailingChangeHandlerIsShownNotThrownThroughQt)
{
    // The document tells of a change through a signal; what the user's
    // handler raises is shown by the default handler and goes no further.
    TReRichEdit e;
    e.OnChange = [](TObject*) { throw Exception("handler failed"); };
    gui::ScriptedUiServices ui;
    ui.expectMessage(gui::MsgResult::Ok, QStringLiteral("handler failed"));
    gui::ScopedUi scope(ui);
    EXPECT_NO_THROW(QTextCursor(&e.Document()).insertText(QStringLiteral("typed")));
    EXPECT_EQ(ui.pending(), 0);
    EXPECT_TRUE(ui.failures().isEmpty()) << ui.failures().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(e.Document().toPlainText(), QStringLiteral("typed"));
}
