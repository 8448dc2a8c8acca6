#include <gtest/gtest.h>

#include "Pictures.h"
#include "QtCanvas.h"
#include "ScriptedUiServices.h"
#include "PreparedTestUtil.h"
#include "rpCustomPreview.h"
#include "rpPicture.h"

using namespace prepared_test;

namespace {

struct Entry {
    std::string text;
    int page, top;
    friend bool operator==(const Entry&, const Entry&) = default;
};

std::vector<Entry> level(TrpCustomOutline& outline)
{
    std::vector<Entry> out;
    for (int i = 0; i < outline.GetCount(); ++i) {
        Entry e{"", -1, -1};
        outline.GetItem(i, e.text, e.page, e.top);
        out.push_back(e);
    }
    return out;
}

std::unique_ptr<TGraphic> bitmap(int width, int height, TColor color)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(width, height);
    b->Canvas()->Brush()->SetColor(color);
    b->Canvas()->FillRect({0, 0, width, height});
    return b;
}

std::string encoded(const TGraphic& graphic)
{
    TStringStream out;
    graphic.SaveToStream(out);
    return out.DataString();
}

}  // namespace

TEST(Outline, CursorAndNesting)
{
    Sheet s;
    s.fill(2, 1);
    TrpCustomOutline& o = *s.pages().Outline();
    o.LevelUp();
    EXPECT_EQ(o.GetCount(), 0) << "at the root LevelUp stays there";
    EXPECT_EQ(o.GetLastItem(), nullptr);
    o.AddItem("chapter", 10);
    o.AddItem("section", 20);  // nests
    o.LevelUp();
    o.LevelUp();
    o.LevelUp();
    EXPECT_EQ(level(o), (std::vector<Entry>{{"chapter", 1, 10}}));
    o.LevelDown(0);
    EXPECT_EQ(level(o), (std::vector<Entry>{{"section", 1, 20}}));
    o.LevelRoot();
    // A caption with quotes and line breaks comes back as it went in.
    o.AddItem("\"A\" & <B>\r\nC", 30);
    o.LevelRoot();
    EXPECT_EQ(level(o)[1].text, "\"A\" & <B>\r\nC");
    // An entry without page or top leaves the caller's values.
    TrpXMLItem* bare = s.pages().Document().Root()->FindItem("outline")->Add();
    bare->SetName("item");
    bare->SetProp("text", "bare");
    std::string text;
    int page = 77, top = 88;
    o.GetItem(2, text, page, top);
    EXPECT_EQ(std::make_tuple(text, page, top), std::make_tuple(std::string("bare"), 77, 88));
}

TEST(Outline, ShiftItemsMovesOnlyTheNextSubtree)
{
    Sheet s;
    s.fill(1, 1);
    TrpCustomOutline& o = *s.pages().Outline();
    o.AddItem("a", 100);
    o.LevelUp();
    TrpXMLItem* a = o.GetLastItem();
    o.AddItem("b", 200);
    o.AddItem("b.1", 250);
    o.LevelRoot();
    o.AddItem("c", 300);
    o.LevelRoot();
    o.ShiftItems(a, 40);
    EXPECT_EQ(level(o), (std::vector<Entry>{{"a", 0, 100}, {"b", 1, 40}, {"c", 0, 300}}));
    o.LevelDown(1);
    EXPECT_EQ(level(o), (std::vector<Entry>{{"b.1", 1, 90}}));
    // The last entry has no follower; nothing moves.
    o.LevelRoot();
    o.ShiftItems(o.GetLastItem(), 0);
    EXPECT_EQ(level(o)[2], (Entry{"c", 0, 300}));
}

TEST(Outline, EntriesAddedAfterAPositionMoveToTheGivenPage)
{
    Sheet s;
    s.fill(2, 1);
    s.pages().CurPage = 0;
    TrpCustomOutline& o = *s.pages().Outline();
    o.AddItem("a", 100);
    o.LevelUp();
    // Nothing at this level yet when the position is taken below "a".
    o.LevelDown(0);
    const TrpCustomOutline::Position inA = o.GetPosition();
    o.AddItem("a.1", 120);
    o.AddItem("a.1.1", 130);
    o.LevelUp();
    o.LevelUp();
    o.AddItem("a.2", 150);
    o.LevelRoot();
    // The same page (a block moved to the next column): page 0 stays.
    o.ShiftItemsAfter(inA, 10, 0);
    o.LevelDown(0);
    EXPECT_EQ(level(o), (std::vector<Entry>{{"a.1", 0, 10}, {"a.2", 0, 40}}));
    o.LevelDown(0);
    EXPECT_EQ(level(o), (std::vector<Entry>{{"a.1.1", 0, 20}}));
    o.LevelRoot();
    o.ShiftItemsAfter(inA, 0, 1);
    o.LevelDown(0);
    EXPECT_EQ(level(o), (std::vector<Entry>{{"a.1", 1, 0}, {"a.2", 1, 30}}));
    // A position after the last entry moves nothing.
    o.LevelRoot();
    o.ShiftItemsAfter(o.GetPosition(), 5, 0);
    EXPECT_EQ(level(o), (std::vector<Entry>{{"a", 0, 100}}));
}

TEST(Anchors, LastMatchWinsAndShifting)
{
    Sheet s;
    s.fill(3, 1);
    TrpPreviewPages& p = s.pages();
    EXPECT_EQ(p.GetAnchorPage("nowhere"), 1);
    EXPECT_EQ(p.LastAnchorIndex(), -1);
    struct Add {
        int page;
        Extended y;
        const char* text;
    };
    for (const Add a : {Add{0, 10, "Total"}, Add{1, 56.5L, "total"}, Add{1, 57.5L, "other"}, Add{2, 80, "last"}}) {
        p.CurPage = a.page;
        s.engine.curY = a.y;
        p.AddAnchor(a.text);
    }
    EXPECT_EQ(p.GetAnchorPage("TOTAL"), 2) << "the later of two, case ignored";
    int page = -1, top = -1;
    ASSERT_TRUE(p.FindAnchor("total", page, top));
    EXPECT_EQ(std::make_pair(page, top), std::make_pair(1, 56)) << "tops rounded half to even";
    p.ShiftAnchors(1, 5);
    ASSERT_TRUE(p.FindAnchor("other", page, top));
    EXPECT_EQ(std::make_pair(page, top), std::make_pair(2, 5));
    ASSERT_TRUE(p.FindAnchor("last", page, top));
    EXPECT_EQ(std::make_pair(page, top), std::make_pair(3, 27));
    ASSERT_TRUE(p.FindAnchor("total", page, top));
    EXPECT_EQ(page, 1) << "anchors up to `from` stay";
    EXPECT_EQ(p.LastAnchorIndex(), 3);
    p.ShiftAnchors(3, 0);  // nothing after the last
    EXPECT_EQ(p.GetAnchorPage("last"), 4);
    // Given a page, the anchors go to it (a block moved within its page).
    p.ShiftAnchorsTo(2, 9, 1);
    ASSERT_TRUE(p.FindAnchor("last", page, top));
    EXPECT_EQ(std::make_pair(page, top), std::make_pair(1, 9));
    EXPECT_EQ(p.GetAnchorPage("other"), 3);
}

TEST(PictureCache, IndexesBytesAndClearing)
{
    TrpPictureCache cache;
    TPicture first, second, empty;
    first.SetGraphic(bitmap(3, 2, clRed));
    second.SetGraphic(bitmap(5, 4, clBlue));
    EXPECT_EQ(cache.AddPicture(&first), 1);
    EXPECT_EQ(cache.AddPicture(&second), 2);
    EXPECT_EQ(cache.AddPicture(&empty), 0);
    EXPECT_EQ(cache.AddPicture(nullptr), 0);
    EXPECT_EQ(cache.PictureBytes(1), encoded(*first.Graphic())) << "exactly the first, though the second follows";
    EXPECT_EQ(cache.PictureBytes(2), encoded(*second.Graphic()));
    TPicture read;
    cache.GetPicture(1, read);
    ASSERT_TRUE(read.Graphic());
    EXPECT_EQ(std::make_pair(read.Width(), read.Height()), std::make_pair(3, 2));
    EXPECT_EQ(read.Graphic()->Image().pixel(1, 1) & 0xFFFFFF, 0xFF0000u);
    for (const int outside : {0, 3, -1}) {
        cache.GetPicture(outside, read);
        EXPECT_EQ(read.Graphic(), nullptr) << outside;
    }

    TrpXMLItem element;
    cache.SaveToXML(&element);
    ASSERT_EQ(element.Count(), 2);
    EXPECT_EQ(element.Items(0)->Name(), "item");
    EXPECT_EQ(element.Items(0)->Prop("stream").substr(0, 4), "424D") << "upper-case hex of the BMP";
    TrpPictureCache loaded;
    loaded.LoadFromXML(&element);
    EXPECT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.PictureBytes(2), cache.PictureBytes(2));
}

TEST(PictureCache, FileModeSegmentsAndSettings)
{
    TempFolder folder;
    TrpPictureCache cache;
    cache.SetUseFileCache(true);
    cache.SetCachePath(folder.path.string());
    cache.SegmentLimit = 50;
    std::vector<std::string> bytes;
    for (int i = 0; i < 5; ++i) {
        TPicture picture;
        picture.SetGraphic(bitmap(4 + i, 3, clGreen));
        cache.AddPicture(&picture);
        bytes.push_back(encoded(*picture.Graphic()));
    }
    EXPECT_EQ(cache.SegmentCount(), 5) << "each picture passes the small limit";
    for (int i = 0; i < 5; ++i) EXPECT_EQ(cache.PictureBytes(i + 1), bytes[i]);
    EXPECT_EQ(folder.files(), 0) << "segment files are reached through their handles only";
    // Settings change nothing while pictures are held.
    cache.SetUseFileCache(false);
    cache.SetCachePath("/elsewhere");
    EXPECT_TRUE(cache.UseFileCache());
    EXPECT_EQ(cache.CachePath(), folder.path.string());
    cache.Clear();
    cache.SetUseFileCache(false);
    EXPECT_FALSE(cache.UseFileCache());
}

TEST(PictureCache, APicturePrintedAHundredTimesIsStoredOnce)
{
    Sheet s;
    auto* view = new TrpPictureView(s.band);
    view->SetName("Logo");
    view->SetBounds(600, 2, 20, 20);
    view->Picture()->SetGraphic(bitmap(8, 8, clRed));
    s.start();
    s.pages().AddPage(s.page);
    for (int r = 0; r < 100; ++r) {
        s.band->SetTop(r % 30);
        if (r % 30 == 0 && r) s.pages().AddPage(s.page);
        s.pages().AddObject(s.band);
    }
    EXPECT_EQ(s.pages().PictureCache().Count(), 1);
    std::shared_ptr<TrpReportPage> page = s.pages().GetPage(3);
    auto* built = dynamic_cast<TrpPictureView*>(page->Objects()[0]->FindObject("Logo"));
    ASSERT_TRUE(built);
    EXPECT_EQ(built->ImageIndex, 1);
    ASSERT_TRUE(built->Graphic());
    EXPECT_EQ(built->Graphic()->Width(), 8);
    // A new picture is stored again.
    view->Picture()->SetGraphic(bitmap(2, 2, clBlue));
    s.pages().AddObject(s.band);
    EXPECT_EQ(s.pages().PictureCache().Count(), 2);
    // So is the picture of a report prepared again (the cache starts empty).
    s.start();
    s.pages().AddPage(s.page);
    s.pages().AddObject(s.band);
    ASSERT_EQ(s.pages().PictureCache().Count(), 1);
    built = dynamic_cast<TrpPictureView*>(s.pages().GetPage(0)->Objects()[0]->FindObject("Logo"));
    ASSERT_TRUE(built && built->Graphic());
    EXPECT_EQ(built->Graphic()->Width(), 2);

    // A picture that cannot be stored (a drawing recorded in the program)
    // fails the object and leaves the page as it was.
    TMetafile drawing;
    {
        TMetafileCanvas canvas(&drawing, 0);
        canvas.Rectangle(0, 0, 10, 10);
    }
    view->Picture()->SetGraphic(&drawing);
    EXPECT_THROW(s.pages().AddObject(s.band), EInvalidGraphicOperation);
    EXPECT_EQ(s.pages().CurrentObjectCount(), 1);
    view->SetVisible(false);
    s.pages().AddObject(s.band);
    EXPECT_EQ(s.pages().GetPage(0)->Objects().size(), 2u);
}

TEST(DrawPage, PagesOnACanvasWithMirroredMargins)
{
    Sheet s;
    s.page->MirrorMargins = true;
    s.page->LeftMargin = 30;
    s.page->RightMargin = 10;
    s.shape->Frame()->SetTyp({ftLeft, ftRight, ftTop, ftBottom});
    s.memos[0]->Font()->SetName("宋体");
    s.fill(2, 3);
    auto draw = [&](int index) {
        QImage image(794, 1123, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            TQtCanvas canvas(image);
            s.pages().DrawPage(index, canvas, 1, 1, 0, 0);
        }
        return image;
    };
    // The shape's left frame line: 30 mm in on the first page, 10 mm on the
    // second, whose margins are exchanged.
    auto darkAt = [](const QImage& image, int x, int y) { return qGray(image.pixel(x, y)) < 128; };
    const QImage first = draw(0), second = draw(1);
    const int y = static_cast<int>(Round(10 * rp01cm)) + 50 + 15;
    EXPECT_TRUE(darkAt(first, static_cast<int>(Round(30 * rp01cm)), y));
    EXPECT_FALSE(darkAt(first, static_cast<int>(Round(10 * rp01cm)), y));
    EXPECT_TRUE(darkAt(second, static_cast<int>(Round(10 * rp01cm)), y));
    EXPECT_EQ(s.pages().GetPage(1)->LeftMargin, 30) << "the page keeps its own margins";
    // Nothing for a page that does not exist.
    QImage blank(10, 10, QImage::Format_RGB32);
    blank.fill(Qt::white);
    {
        TQtCanvas canvas(blank);
        s.pages().DrawPage(5, canvas, 1, 1, 0, 0);
    }
    EXPECT_EQ(blank.pixel(5, 5), QColor(Qt::white).rgb());
}

TEST(DrawPage, ObjectUnderTheMouse)
{
    Sheet s;
    s.memos[1]->URL = "#total";
    s.memos[2]->Hint = "the amount";
    s.memos[2]->ShowHint = true;
    s.fill(1, 2);
    TrpPreviewPages& p = s.pages();
    // Row 1 (top 80) at scale 2, the page drawn 5 pixels in.
    auto at = [&](Extended x, Extended y) {
        TrpPageClick click;
        click.Scale = 2;
        click.OffsetX = click.OffsetY = 5;
        click.X = static_cast<int>(5 + 2 * (10 * rp01cm + x));
        click.Y = static_cast<int>(5 + 2 * (10 * rp01cm + y));
        p.HandleObjectClick(0, click);
        return click;
    };
    const TrpPageClick link = at(215, 90);
    ASSERT_TRUE(link.Object);
    EXPECT_EQ(link.Object->Name(), "Memo2");
    EXPECT_EQ(link.Object->URL, "#total");
    EXPECT_EQ(link.Cursor, crHandPoint);
    const TrpPageClick hint = at(415, 90);
    ASSERT_TRUE(hint.Object);
    EXPECT_EQ(hint.Hint, "the amount");
    EXPECT_EQ(hint.Cursor, crDefault);
    EXPECT_EQ(at(5, 82).Object->Name(), "Shape1") << "beside the memos, the shape under them";
    EXPECT_EQ(at(5, 400).Object, nullptr);
    s.engine.running = true;
    EXPECT_EQ(at(215, 90).Object, nullptr) << "nothing while the report is being prepared";
}

TEST(DrawPage, ClickedLinksAndTheReportsHandler)
{
    Sheet s;
    s.fill(3, 2);
    TrpPreviewPages& p = s.pages();
    p.CurPage = 1;
    p.AddAnchor("total");
    auto click = [&](const std::string& url, bool dbl = false) {
        std::shared_ptr<TrpReportPage> page = p.GetPage(0);
        // The first row's.
        auto* memo = static_cast<TrpMemoView*>(page->Objects()[1]->FindObject("Memo2"));
        memo->URL = url;
        p.ModifyPage(0, page.get());
        TrpPageClick c;
        c.X = static_cast<int>(10 * rp01cm + 215);
        c.Y = static_cast<int>(10 * rp01cm + 60);
        c.Click = !dbl;
        c.DoubleClick = dbl;
        p.HandleObjectClick(0, c);
        return c;
    };
    EXPECT_EQ(click("@3").LinkPage, 2);
    EXPECT_EQ(click("@4").LinkPage, -1) << "no such page";
    EXPECT_EQ(click("@x").LinkPage, -1) << "not a number: ignored";
    const TrpPageClick anchor = click("#TOTAL");
    EXPECT_EQ(std::make_pair(anchor.LinkPage, anchor.LinkTop), std::make_pair(1, 0));
    EXPECT_EQ(click("#nowhere").LinkPage, -1);

    // Web and mail addresses open; anything else could start a program.
    gui::ScriptedUiServices ui;
    ui.setFailureHandler([](const QString& line) { ADD_FAILURE() << line.toStdString(); });
    gui::ScopedUi scope(ui);
    ui.expectUrl("https://example.com/a?b=1").expectUrl("mailto:office@example.com");
    for (const char* url : {"https://example.com/a?b=1", "file:///usr/bin/xterm", "/usr/bin/xterm", "mailto:office@example.com",
                            "javascript:alert(1)", "calc.exe"})
        EXPECT_EQ(click(url).LinkPage, -1) << url;
    EXPECT_EQ(ui.pending(), 0);
    EXPECT_EQ(click("@2", true).LinkPage, -1) << "a double click follows no link";

    // The report's handler may change the object: the page is stored back.
    std::vector<std::string> seen;
    s.report->OnClickObject = [&](TrpView* view, int, int, bool& modified) {
        seen.push_back(view->Name());
        static_cast<TrpMemoView*>(view)->SetText(u"clicked");
        modified = true;
    };
    s.report->OnDblClickObject = [&](TrpView* view, int, int, bool&) { seen.push_back("double " + view->Name()); };
    EXPECT_TRUE(click("").Modified);
    EXPECT_FALSE(click("", true).Modified);
    EXPECT_EQ(seen, (std::vector<std::string>{"Memo2", "double Memo2"}));
    EXPECT_EQ(static_cast<TrpMemoView*>(p.GetPage(0)->Objects()[1]->FindObject("Memo2"))->Text(), u"clicked\r\n");
}

TEST(DrawPage, ClickHandlersAndDrillDown)
{
    Sheet s;
    // A drill-down group heading each page.
    auto* group = new TrpGroupHeader(s.page);
    group->SetName("GroupHeader1");
    group->SetBounds(0, 0, 718, 40);
    group->DrillDown = true;
    group->DrillName = "g1";
    auto* heading = new TrpMemoView(group);
    heading->SetName("Heading");
    heading->SetBounds(10, 5, 300, 30);
    s.memos[1]->OnPreviewClick = "Memo2Click";
    s.report->ScriptText()->SetText(
        "procedure Memo2Click(Sender: TrpView; Button, Shift: Integer; var Modified: Boolean);\n"
        "begin Sender.Visible := Button <> 0; Modified := True end;\nbegin end.");
    ASSERT_TRUE(s.report->PrepareScript()) << s.report->Errors.Text();
    s.start();
    s.pages().AddPage(s.page);
    s.pages().AddObject(group);
    s.row(0, 1);
    s.pages().AddObject(s.band);
    RefreshCountingPreview preview;
    s.report->SetPreview(&preview);
    auto click = [&](Extended x, Extended y) {
        TrpPageClick c;
        c.X = static_cast<int>(10 * rp01cm + x);
        c.Y = static_cast<int>(10 * rp01cm + y);
        c.Click = true;
        s.pages().HandleObjectClick(0, c);
        return c;
    };
    // The object's script handler hides it and says the page changed.
    const TrpPageClick handled = click(215, 90);
    ASSERT_TRUE(handled.Object);
    EXPECT_EQ(handled.Object->Name(), "Memo2");
    EXPECT_TRUE(handled.Modified);
    EXPECT_FALSE(s.pages().GetPage(0)->Objects()[1]->FindObject("Memo2")->Visible());
    // A click in the group opens it, a second closes it.
    EXPECT_TRUE(click(20, 10).Refresh);
    EXPECT_EQ(s.report->ExpandedDrillDowns, std::set<std::string>{"g1"});
    EXPECT_TRUE(click(20, 10).Refresh);
    EXPECT_TRUE(s.report->ExpandedDrillDowns.empty());
    EXPECT_EQ(preview.refreshed, 2);
    EXPECT_FALSE(click(500, 90).Refresh) << "a row is no group";
    s.report->SetPreview(nullptr);
}

TEST(PreparedPages, ProgressAndTheEndOfARun)
{
    Sheet s;
    std::vector<std::string> calls;
    TrpPreviewPages& p = s.pages();
    p.OnProgressStart = [&](int kind) { calls.push_back("start " + std::to_string(kind)); };
    p.OnProgress = [&](int kind, int page) { calls.push_back(std::to_string(kind) + ":" + std::to_string(page)); };
    p.OnProgressStop = [&](int kind) { calls.push_back("stop " + std::to_string(kind)); };
    s.fill(2, 1);
    EXPECT_EQ(p.SourceReportPage(0), s.page);
    p.Finish();
    EXPECT_EQ(calls, (std::vector<std::string>{"start 0", "0:1", "0:2", "stop 0"}));
    EXPECT_EQ(p.SourceReportPage(0), nullptr);
    EXPECT_EQ(p.CachedPageCount(), 0);
}
