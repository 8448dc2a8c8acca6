// RTF as other programs write it (writers/): LibreOffice's padded table,
// pandoc's table and lists, Apache FOP's output of a DocBook article, and a
// file in Word's manner (list table, symbol bullets, bookmarks, a table
// ended by an empty paragraph). Each reads as those programs show it and
// goes back stable.
#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextTable>

#include <numeric>

#include "RecordingCanvas.h"
#include "RichTestSupport.h"
#include "rpRichEdit.h"
#include "rpRichTable.h"
#include "rpRtfWriter.h"

using namespace richtest;
using rich::TRichList;
using rich::TRichPara;

namespace other_writers {

std::string Writer(const char* name)
{
    return ReadFile(std::string(RICH_TEST_DATA) + "/writers/" + name);
}

const QTextTable* FirstTable(const QTextDocument& doc)
{
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (const QTextTable* t = rich::TopTableAt(doc, b.position())) return t;
    return nullptr;
}

std::vector<TRichPara> Paragraphs(const QTextDocument& doc)
{
    std::vector<TRichPara> out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        if (!rich::TopTableAt(doc, b.position())) out.push_back(rich::FromBlock(b));
    return out;
}

// The recorded text runs of the whole text laid out 6000 twips wide.
std::vector<TCanvasRecord> Texts(TReRichEdit& e, TFormatRange* range = nullptr)
{
    TRecordingCanvas canvas(1440);
    TRichTarget target;
    target.canvas = &canvas;
    Format(e, 0, 9000, 1000000, range, &target);
    std::vector<TCanvasRecord> out;
    for (const TCanvasRecord& r : canvas.Records())
        if (r.kind == TCanvasRecord::ExtTextOut) out.push_back(r);
    return out;
}

const TCanvasRecord* Text(const std::vector<TCanvasRecord>& texts, std::u16string_view text)
{
    for (const TCanvasRecord& r : texts)
        if (r.text == text) return &r;
    return nullptr;
}

}  // namespace other_writers

using namespace other_writers;

TEST(OtherWriters, EveryFileGoesBackStable)
{
    for (const char* name : {"libreoffice_padded_table.rtf", "pandoc_table_and_lists.rtf", "docbook_fop.rtf",
                             "word_style_bullets_bookmarks.rtf"}) {
        SCOPED_TRACE(name);
        const std::string rtf = Writer(name);
        ASSERT_FALSE(rtf.empty());
        EXPECT_EQ(CheckStable(rtf), "");
    }
}

TEST(OtherWriters, LibreOfficesPaddedCellsHoldTheirTextInside)
{
    TReRichEdit e;
    e.LoadRtf(Writer("libreoffice_padded_table.rtf"));
    const QTextTable* t = FirstTable(e.Document());
    ASSERT_NE(t, nullptr);
    // Padding 0.1 cm above, 1 cm left, 0.3 cm below, 0.5 cm right.
    EXPECT_EQ(rich::RowOf(*t, 1).cells[0].pad, (rich::TRichPadding{57, 567, 170, 283}));
    const std::vector<TCanvasRecord> texts = Texts(e);
    const TCanvasRecord* a2 = Text(texts, u"a2");
    const TCanvasRecord* b2 = Text(texts, u"b2");
    ASSERT_TRUE(a2 && b2);
    EXPECT_EQ(a2->points[0].X, 567);
    EXPECT_NEAR(b2->points[0].X, 2834 + 567, 1);
}

TEST(OtherWriters, PandocsTableAndHangingListsLineUp)
{
    TReRichEdit e;
    e.LoadRtf(Writer("pandoc_table_and_lists.rtf"));
    const QTextTable* t = FirstTable(e.Document());
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->rows(), 3);
    EXPECT_EQ(t->columns(), 2);
    const std::vector<TCanvasRecord> texts = Texts(e);
    // "\bullet\tab first bullet" and "1.\tab one": the items' text at the
    // stop where their lines after the first would start.
    for (std::u16string_view item : {u"\u2022\tfirst bullet", u"1.\tone"}) {
        const TCanvasRecord* r = Text(texts, item);
        ASSERT_NE(r, nullptr);
        const size_t tab = item.find(u'\t');
        EXPECT_EQ(r->points[0].X + std::accumulate(r->dx.begin(), r->dx.begin() + tab + 1, 0), 360);
    }
}

TEST(OtherWriters, FopsDocBookListsAreBulletedAndNumbered)
{
    TReRichEdit e;
    e.LoadRtf(Writer("docbook_fop.rtf"));
    std::vector<TRichList> lists;
    for (const TRichPara& p : Paragraphs(e.Document()))
        if (p.list != TRichList::None) lists.push_back(p.list);
    EXPECT_EQ(lists, (std::vector<TRichList>{TRichList::Bullet, TRichList::Bullet, TRichList::Decimal, TRichList::Decimal}));
    const std::vector<TCanvasRecord> texts = Texts(e);
    EXPECT_NE(Text(texts, u"1."), nullptr);
    EXPECT_NE(Text(texts, u"2."), nullptr);
    // Its bookmarks go back where they were.
    const std::string written = WriteRtf(e.Document());
    const size_t mark = written.find("{\\*\\bkmkstart id1}{\\*\\bkmkend id1}");
    ASSERT_NE(mark, std::string::npos);
    EXPECT_LT(mark, written.find("Shipping notes"));
}

TEST(OtherWriters, WordsBulletsBookmarksAndTableEnd)
{
    TReRichEdit e;
    e.LoadRtf(Writer("word_style_bullets_bookmarks.rtf"));
    std::vector<char32_t> bullets;
    for (const TRichPara& p : Paragraphs(e.Document()))
        if (p.list == TRichList::Bullet) bullets.push_back(p.bullet ? p.bullet : rich::DefaultBullet);
    EXPECT_EQ(bullets, (std::vector<char32_t>{0x25AA, 0x27A2, rich::DefaultBullet}));
    EXPECT_NE(WriteRtf(e.Document()).find("Before {\\*\\bkmkstart _Ref1}the table{\\*\\bkmkend _Ref1}\\par"), std::string::npos);
    // The table before the empty paragraph ends with its borders; the
    // paragraph takes a line before the list.
    const std::vector<TCanvasRecord> texts = Texts(e);
    const TCanvasRecord* a2 = Text(texts, u"a2");
    const TCanvasRecord* list = Text(texts, u"Wingdings bullet");
    ASSERT_TRUE(a2 && list);
    EXPECT_GT(list->points[0].Y - a2->points[0].Y, 2 * (a2->points[0].Y - Text(texts, u"a1")->points[0].Y) - 40);
}
