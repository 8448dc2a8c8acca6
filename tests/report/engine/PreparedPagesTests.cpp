#include <gtest/gtest.h>

#include "PreparedTestUtil.h"
#include "Pictures.h"
#include "RecordingCanvas.h"
#include "rpPicture.h"
#include "rpPrinter.h"

using namespace prepared_test;

namespace {

// The prepared pages as the file writes them.
std::string storedPages(TrpPreviewPages& pages)
{
    const std::string text = rppText(pages);
    const size_t from = text.find("<previewpages");
    const size_t to = text.find("</previewpages>");
    return text.substr(from, to == std::string::npos ? std::string::npos : to + 15 - from);
}

TPoint paperOf(const TrpReportPage& page)
{
    return {static_cast<int>(Round(page.PaperWidth() * rp01cm)), static_cast<int>(Round(page.PaperHeight() * rp01cm))};
}

// What a page holds below the page itself.
std::string describeObjects(TrpComponent& page)
{
    const std::string all = describe(page);
    return all.substr(all.find('\n') + 1);
}

// A picture view one of whose properties cannot be read while its picture
// is left out.
class TFailingPicture : public TrpPictureView {
    DORVAK_CLASS(TFailingPicture, TrpPictureView)
public:
    using TrpPictureView::TrpPictureView;
    static inline bool failing = false;
    int32_t Broken() const
    {
        if (failing && !PictureMark) throw Exception("cannot be read");
        return 0;
    }
    void SetBroken(int32_t) {}
    static void Publish(TClassBuilder<TFailingPicture>& b) { b.property("Broken", &TFailingPicture::Broken, &TFailingPicture::SetBroken); }
};

}  // namespace

TEST(PreparedPages, APictureThatFailsToBeWrittenKeepsItsPictureMark)
{
    RegisterClass<TFailingPicture>(TFailingPicture::Publish);
    {
        Sheet s;
        s.start();
        auto* picture = new TFailingPicture(s.band);
        picture->SetName("Picture1");
        TFailingPicture::failing = true;
        EXPECT_THROW(s.pages().AddToSourcePage(picture), Exception);
        TFailingPicture::failing = false;
        // The copy the prepared pages hold keeps its picture when saved.
        auto* copy = dynamic_cast<TrpPictureView*>(s.pages().SourcePage(0)->FindObject("Picture1"));
        ASSERT_NE(copy, nullptr);
        EXPECT_TRUE(copy->PictureMark);
    }
    UnregisterClass<TFailingPicture>();
}

TEST(PreparedPages, UniqueNamesAndDictionary)
{
    Sheet s;
    s.start();
    TrpPreviewPages& p = s.pages();
    EXPECT_EQ(p.UniqueNameOf(s.title), "b1");
    EXPECT_EQ(p.UniqueNameOf(s.band), "b2");
    EXPECT_EQ(p.UniqueNameOf(s.memos[0]), "m2");
    EXPECT_EQ(p.UniqueNameOf(s.memos[2]), "m4");
    EXPECT_EQ(p.UniqueNameOf(s.shape), "s1");
    EXPECT_EQ(p.UniqueNameOf(s.line), "l1");
    EXPECT_EQ(p.Dictionary().GetSourceName("m3"), "Page0.Memo2");
    EXPECT_EQ(p.SourceOf(s.memos[1]), p.Dictionary().GetObject("m3"));
    // An object made later (a copy for one run) gets the next free name.
    auto* extra = new TrpMemoView(s.band);
    extra->SetName("Extra");
    p.AddToSourcePage(extra);
    EXPECT_EQ(p.UniqueNameOf(extra), "m5");
    // A freed object and a new one at its place are not confused.
    delete extra;
    auto* other = new TrpMemoView(s.band);
    EXPECT_EQ(p.UniqueNameOf(other), "");
}

TEST(PreparedPages, MoreThanTenThousandObjectsGetUniqueNames)
{
    Sheet s;
    for (int i = 0; i < 10001; ++i) new TrpLineView(s.band);
    s.start();
    std::set<std::string> names;
    for (TrpComponent* o : s.band->Objects()) names.insert(s.pages().UniqueNameOf(o));
    EXPECT_EQ(names.size(), s.band->Objects().size());
    EXPECT_TRUE(names.contains("l10002"));
}

TEST(PreparedPages, StoredPageHoldsOnlyDifferences)
{
    Sheet s;
    s.fill(1, 2);
    EXPECT_EQ(storedPages(s.pages()),
              "<previewpages><page0><b1 t=\"0\"><m1 u=\"发货单\"/></b1>"
              "<b2 t=\"50\"><s1/><m2 u=\"行 0\"/><m3 u=\"&#34;quoted&#34; &#38; &#60;tag&#62;&#13;&#10;second line\"/>"
              "<m4 u=\"0\"/><l1/></b2>"
              "<b2 t=\"80\"><s1/><m2 u=\"行 1\"/><m3 u=\"&#34;quoted&#34; &#38; &#60;tag&#62;&#13;&#10;second line\"/>"
              "<m4 u=\"0.25\"/><l1/></b2></page0></previewpages>");
    // Invisible objects and objects that are no page content stay out;
    // objects without a source are written whole under their class.
    s.memos[1]->SetVisible(false);
    auto* loose = new TrpMemoView(s.band);
    loose->SetBounds(1, 2, 3, 4);
    s.pages().AddObject(s.band);
    EXPECT_EQ(s.pages().ObjectName(0, 3), "b2");
    const std::string last = storedPages(s.pages());
    EXPECT_NE(last.find("<TrpMemoView Left=\"1\" Top=\"2\" Width=\"3\" Height=\"4\""), std::string::npos) << last;
    EXPECT_EQ(last.find("<m3", last.rfind("<b2")), std::string::npos);

    // The first pass of two stores the short difference only.
    Sheet first;
    first.engine.doublePass = true;
    first.engine.finalPass = false;
    first.fill(1, 1);
    EXPECT_EQ(storedPages(first.pages()),
              "<previewpages><page0><b1 t=\"0\"><m1/></b1><b2 t=\"50\"><s1/><m2/><m3/><m4/><l1/></b2></page0>"
              "</previewpages>");
}

TEST(PreparedPages, GetPageEqualsThePageAsAdded)
{
    Sheet s;
    s.page->AlignChildren();
    s.memos[0]->Font()->SetStyle({fsBold});
    s.memos[2]->SetHeight(44);
    s.start();
    s.pages().AddPage(s.page);
    std::string expected = describe(*s.page).substr(0, describe(*s.page).find('\n') + 1);
    s.pages().AddObject(s.title);
    expected += describe(*s.title);
    for (int r = 0; r < 3; ++r) {
        s.row(0, r);
        s.line->SetVisible(r != 1);
        s.pages().AddObject(s.band);
        expected += describe(*s.band);
        if (r == 1) {
            // The hidden line is not on the page.
            const std::string line = "TrpLineView Line1 ";
            const size_t at = expected.rfind(line);
            expected.erase(at, expected.find('\n', at) + 1 - at);
        }
    }
    const std::shared_ptr<TrpReportPage> page = s.pages().GetPage(0);
    ASSERT_TRUE(page);
    std::string built = describe(*page);
    EXPECT_EQ(built, expected);
}

TEST(PreparedPages, ParkedPagesReadBackAsIfNeverParked)
{
    TempFolder folder;
    Sheet cached, plain;
    cached.report->EngineOptions()->UseFileCache = true;
    cached.report->EngineOptions()->MaxMemSize = 0;
    cached.report->EngineOptions()->TempDir = folder.path.string();
    cached.fill(6, 4);
    plain.fill(6, 4);
    TrpPreviewPages& p = cached.pages();
    // The first two pages stay, and what came after the last parking.
    EXPECT_EQ(std::vector<bool>({p.PageParked(0), p.PageParked(1), p.PageParked(2), p.PageParked(3), p.PageParked(4),
                                 p.PageParked(5)}),
              std::vector<bool>({false, false, true, true, false, false}));
    EXPECT_GT(p.TempFileSize(), 0);
    EXPECT_EQ(folder.files(), 0) << "the parking file is reached through its handle only";
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(describe(*p.GetPage(i)), describe(*plain.pages().GetPage(i))) << "page " << i;
        EXPECT_EQ(p.GetPageSize(i), plain.pages().GetPageSize(i));
    }
    EXPECT_TRUE(p.PageParked(3)) << "read back for building only";
    EXPECT_EQ(storedPages(p), storedPages(plain.pages())) << "saved in full";

    // The engine going back to a parked page finds its objects where they
    // were, and fills it on.
    for (Sheet* s : {&cached, &plain}) {
        s->pages().CurPage = 2;
        s->pages().AddPage(s->page);
        ASSERT_EQ(s->pages().CurPage, 3);
    }
    EXPECT_TRUE(p.PageParked(3));
    EXPECT_EQ(p.CurrentObjectCount(), plain.pages().CurrentObjectCount());
    EXPECT_TRUE(p.BandExists(cached.band));
    EXPECT_EQ(p.BottomOfBands(0), plain.pages().BottomOfBands(0));
    for (Sheet* s : {&cached, &plain}) {
        s->row(3, 9);
        s->pages().AddObject(s->band);
        s->pages().CutObjects(2);
        s->pages().PasteObjects(5, 7);
    }
    EXPECT_EQ(describe(*p.GetPage(3)), describe(*plain.pages().GetPage(3)));
}

TEST(PreparedPages, SweepsThroughParkedPagesDoNotGrowTheFile)
{
    Sheet s;
    s.report->EngineOptions()->UseFileCache = true;
    s.report->EngineOptions()->MaxMemSize = 0;
    s.pages().PagesInCache = 3;
    s.fill(12, 3);
    auto sweep = [&](bool back) {
        for (int i = 0; i < 12; ++i) s.pages().GetPage(back ? 11 - i : i);
        return s.pages().TempFileSize();
    };
    // Pages still in memory go to the file once, when the cache lets them
    // go; after that, each keeps its place.
    const int64_t once = sweep(false);
    const int64_t all = sweep(true);
    EXPECT_LE(all, once * 2);
    EXPECT_EQ(sweep(false), all);
    EXPECT_EQ(sweep(true), all);
}

TEST(PreparedPages, PageCache)
{
    Sheet s;
    s.fill(3, 1);
    TrpPreviewPages& p = s.pages();
    p.PagesInCache = 1;
    const std::shared_ptr<TrpReportPage> first = p.GetPage(0);
    EXPECT_EQ(p.GetPage(0), first);
    p.GetPage(1);
    EXPECT_EQ(p.CachedPageCount(), 1);
    const std::shared_ptr<TrpReportPage> again = p.GetPage(0);
    EXPECT_NE(again, first) << "rebuilt after the other page took the cache";
    // A page the caller holds outlives its eviction.
    EXPECT_EQ(describe(*first), describe(*again));
    // While the engine runs every page is built anew and shows what was
    // added since.
    s.engine.running = true;
    const std::shared_ptr<TrpReportPage> during = p.GetPage(2);
    EXPECT_NE(p.GetPage(2), during);
    const size_t before = during->GetAllObjects().size();
    p.AddObject(s.title);
    EXPECT_GT(p.GetPage(2)->GetAllObjects().size(), before);
    EXPECT_EQ(p.GetPage(-1), nullptr);
    EXPECT_EQ(p.GetPage(3), nullptr);
    EXPECT_EQ(p.GetPageSize(3), TPoint{});
}

TEST(PreparedPages, AddPageModesAndEditing)
{
    Sheet s;
    s.fill(2, 1);
    TrpPreviewPages& p = s.pages();
    // Mode 0 on an existing index fills that page again.
    p.CurPage = 0;
    p.AddPage(s.page);
    EXPECT_EQ(p.GetCount(), 2);
    EXPECT_EQ(p.CurPage, 1);
    p.AddObject(s.band);
    EXPECT_EQ(p.CurrentObjectCount(), 3);
    // Mode 1 appends and is used once.
    p.CurPage = 0;
    p.AddPageMode = 1;
    p.AddPage(s.page);
    EXPECT_EQ(p.GetCount(), 3);
    EXPECT_EQ(p.CurPage, 2);
    EXPECT_EQ(p.AddPageMode, 0);

    p.AddEmptyPage(1);
    EXPECT_EQ(p.GetCount(), 4);
    EXPECT_EQ(p.PageName(1), "page0");
    EXPECT_TRUE(p.GetPage(1)->Objects().empty());
    EXPECT_EQ(p.GetPageSize(1), p.GetPageSize(0));
    while (p.GetCount() > 1) p.DeletePage(1);
    p.DeletePage(0);
    EXPECT_EQ(p.GetCount(), 1) << "the only page stays";

    // An edited page comes back as stored, not rebuilt from its source.
    std::shared_ptr<TrpReportPage> page = p.GetPage(0);
    auto* memo = static_cast<TrpMemoView*>(page->FindObject("Memo2"));
    ASSERT_TRUE(memo);
    memo->SetText(u"edited");
    p.ModifyPage(0, page.get());
    EXPECT_EQ(p.PageName(0), "TrpReportPage");
    const std::shared_ptr<TrpReportPage> stored = p.GetPage(0);
    EXPECT_NE(stored, page);
    EXPECT_EQ(describeObjects(*stored), describeObjects(*page));
    EXPECT_EQ(p.GetPageSize(0), (TPoint{794, 1123}));
}

TEST(PreparedPages, CutAndPaste)
{
    Sheet s;
    s.fill(1, 3);
    TrpPreviewPages& p = s.pages();
    EXPECT_EQ(p.CurrentObjectCount(), 4);
    p.CutObjects(2);
    EXPECT_EQ(p.CurrentObjectCount(), 2);
    EXPECT_EQ(p.GetPage(0)->Objects().size(), 2u) << "the page shows the cut";
    p.PasteObjects(100, 50);
    EXPECT_EQ(p.CurrentObjectCount(), 4);
    // The first at (100, 50), the next kept 30 below it; children untouched.
    EXPECT_EQ(p.ObjectText(0, 2), "t=\"50\" l=\"100\"");
    EXPECT_EQ(p.ObjectText(0, 3), "t=\"80\" l=\"100\"");
    const std::shared_ptr<TrpReportPage> page = p.GetPage(0);
    EXPECT_EQ(page->Objects()[3]->Objects().size(), 5u);
    EXPECT_DOUBLE_EQ(static_cast<double>(page->Objects()[3]->Top()), 80.0);
    // Nothing cut: nothing pasted.
    p.PasteObjects(0, 0);
    EXPECT_EQ(p.CurrentObjectCount(), 4);
}

TEST(PreparedPages, RestorePositionRollsBackPagesObjectsAndOutline)
{
    Sheet s;
    s.fill(1, 2);
    TrpPreviewPages& p = s.pages();
    p.Outline()->AddItem("first", 10);
    p.AddAnchor("kept");
    p.SavePosition();
    s.row(0, 2);
    p.AddObject(s.band);
    p.AddPage(s.page);
    p.AddObject(s.band);
    p.Outline()->LevelRoot();
    p.Outline()->AddItem("second", 20);
    p.Outline()->AddItem("nested", 30);
    p.RestorePosition();
    EXPECT_EQ(p.GetCount(), 1);
    EXPECT_EQ(p.CurPage, 0);
    EXPECT_EQ(p.CurrentObjectCount(), 3);
    p.Outline()->LevelRoot();
    EXPECT_EQ(p.Outline()->GetCount(), 1);
    // The cursor was inside what went: it is at the root again.
    p.Outline()->AddItem("after", 0);
    p.Outline()->LevelRoot();
    EXPECT_EQ(p.Outline()->GetCount(), 2);

    // A position saved before anything was printed empties everything but
    // anchors and logical page numbers.
    Sheet t;
    t.start();
    t.pages().SavePosition();
    t.pages().AddPage(t.page);
    t.pages().AddObject(t.band);
    t.pages().AddAnchor("a");
    t.pages().Outline()->AddItem("x", 0);
    t.pages().RestorePosition();
    EXPECT_EQ(t.pages().GetCount(), 0);
    EXPECT_EQ(t.pages().CurPage, -1);
    EXPECT_EQ(t.pages().Outline()->GetCount(), 0);
    EXPECT_EQ(t.pages().LastAnchorIndex(), 0);
    EXPECT_THROW(t.pages().AddObject(t.band), EInvalidOperation) << "no page to add to";
}

TEST(PreparedPages, LogicalPageNumbersOverTwoGroups)
{
    Sheet s;
    s.start();
    TrpPreviewPages& p = s.pages();
    for (int i = 0; i < 3; ++i) p.AddPage(s.page);
    p.EndLogicalPageGroup();
    for (int i = 0; i < 2; ++i) p.AddPage(s.page);
    p.EndLogicalPageGroup();
    struct Case {
        int page, no, total;
    };
    for (const Case c : {Case{0, 1, 3}, Case{2, 3, 3}, Case{3, 1, 2}, Case{4, 2, 2}}) {
        p.CurPage = c.page;
        EXPECT_EQ(p.LogicalPageNo(), c.no) << c.page;
        EXPECT_EQ(p.LogicalTotalPages(), c.total) << c.page;
    }
    // Beyond the recorded numbers: counted from the first-page offset.
    p.CurPage = 7;
    p.FirstPageOffset = 2;
    s.engine.totalPages = 9;
    EXPECT_EQ(p.LogicalPageNo(), 6);
    EXPECT_EQ(p.LogicalTotalPages(), 7);
    // The final pass of two reuses the first pass's numbers.
    s.engine.doublePass = true;
    p.AddPage(s.page);
    p.EndLogicalPageGroup();
    const TrpXMLItem* numbers = p.Document().Root()->FindItem("logicalpagenumbers");
    EXPECT_EQ(numbers->Count(), 5);
    EXPECT_EQ(numbers->Items(4)->Text(), "n=\"2\" t=\"2\"");
}

TEST(PreparedPages, BandsOnTheCurrentPage)
{
    Sheet s;
    auto* footer = new TrpPageFooter(s.page);
    footer->SetName("PageFooter1");
    footer->SetBounds(0, 1000, 718, 40);
    auto* otherFooter = new TrpPageFooter(s.page);
    otherFooter->SetName("PageFooter2");
    s.fill(1, 2);
    TrpPreviewPages& p = s.pages();
    EXPECT_TRUE(p.BandExists(s.band));
    EXPECT_FALSE(p.BandExists(footer));
    p.AddObject(footer);
    EXPECT_TRUE(p.BandExists(otherFooter)) << "any footer of the class counts";
    EXPECT_EQ(p.BottomOfBands(0), 110) << "the footer is left out";
    // Another column: only bands at its left count, and titles and headers.
    EXPECT_EQ(p.BottomOfBands(300), 40);
    s.band->SetLeft(300);
    s.band->SetTop(200);
    p.AddObject(s.band);
    EXPECT_EQ(p.BottomOfBands(300.0005L), 230);
}

TEST(PreparedPages, PageOfAReportPageThatWasNotCopied)
{
    Sheet s;
    s.start();
    auto other = std::make_unique<TrpReportPage>();
    other->SetPaperWidth(148);
    other->SetPaperHeight(210);
    TrpPreviewPages& p = s.pages();
    p.AddPage(other.get());
    p.AddObject(s.band);
    p.AddPage(nullptr);
    EXPECT_EQ(p.PageName(0), "page-1");
    EXPECT_EQ(p.GetPageSize(0), (TPoint{559, 794}));
    const std::shared_ptr<TrpReportPage> page = p.GetPage(0);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->Objects().size(), 1u);
    // Without a report page: a page of the default paper.
    EXPECT_EQ(p.GetPageSize(1), (TPoint{794, 1123}));
    ASSERT_TRUE(p.GetPage(1));
    EXPECT_TRUE(p.GetPage(1)->Objects().empty());
}

TEST(PreparedPages, PagesThatGrowWithTheirContentKeepTheirOwnPaper)
{
    Sheet s;
    s.fill(3, 1);
    TrpPreviewPages& p = s.pages();
    p.SetPageSize(1, 718.1107L + 2 * 37.7953L, 345.6L);
    EXPECT_EQ(p.GetPageSize(1), (TPoint{794, 346}));
    EXPECT_EQ(p.GetPageSize(0), (TPoint{794, 1123})) << "the other pages of the source keep theirs";
    const std::shared_ptr<TrpReportPage> page = p.GetPage(1);
    EXPECT_EQ(paperOf(*page), (TPoint{794, 346}));
    EXPECT_EQ(page->PaperSize(), DMPAPER_USER);
    EXPECT_EQ(page->Objects().size(), 2u);
    Sheet loaded;
    TStringStream file(rppText(p));
    loaded.pages().LoadFromStream(file);
    EXPECT_EQ(loaded.pages().GetPageSize(1), (TPoint{794, 346}));
}

TEST(PreparedPages, AppendReport)
{
    Sheet s, other;
    s.fill(1, 1);
    other.fill(2, 2);
    other.pages().AddAnchor("end");
    other.pages().Outline()->AddItem("part", 12);
    other.pages().Outline()->AddItem("row", 34);
    s.pages().AppendReport(other.report.get());
    TrpPreviewPages& p = s.pages();
    ASSERT_EQ(p.GetCount(), 3);
    EXPECT_EQ(describeObjects(*p.GetPage(2)), describeObjects(*other.pages().GetPage(1)));
    EXPECT_EQ(p.GetAnchorPage("END"), 3);
    std::string text;
    int page = -1, top = -1;
    p.Outline()->LevelRoot();
    p.Outline()->GetItem(0, text, page, top);
    EXPECT_EQ(text, "part");
    EXPECT_EQ(page, 2);
    p.Outline()->LevelDown(0);
    p.Outline()->GetItem(0, text, page, top);
    EXPECT_EQ(std::make_pair(page, top), std::make_pair(2, 34));
}

TEST(PreparedPages, TemporaryFilesGoAlsoWhenPreparationFails)
{
    TempFolder folder;
    Sheet s;
    s.report->EngineOptions()->UseFileCache = true;
    s.report->EngineOptions()->MaxMemSize = 0;
    s.report->EngineOptions()->TempDir = folder.path.string();
    s.pages().PictureCacheInFile = true;
    TBitmap bitmap;
    bitmap.SetSize(4, 4);
    TPicture picture;
    picture.SetGraphic(&bitmap);
    try {
        s.fill(5, 2);
        s.pages().PictureCache().AddPicture(&picture);
        throw Exception("the run fails");
    } catch (const Exception&) {
        EXPECT_GT(s.pages().TempFileSize(), 0);
        EXPECT_EQ(folder.files(), 0);
        s.pages().Clear();
    }
    EXPECT_EQ(s.pages().TempFileSize(), 0);
    EXPECT_EQ(folder.files(), 0);
}

TEST(PreparedReportFile, SaveAndLoadKeepPagesOutlineAnchorsAndPictures)
{
    Sheet s;
    s.report->EngineOptions()->UseFileCache = true;
    s.report->EngineOptions()->MaxMemSize = 0;
    s.fill(5, 3);
    TrpPreviewPages& p = s.pages();
    p.Outline()->AddItem("a \"quoted\"\r\ncaption", 7);
    p.AddAnchor("here");
    TBitmap bitmap;
    bitmap.SetSize(3, 2);
    TPicture picture;
    picture.SetGraphic(&bitmap);
    p.PictureCache().AddPicture(&picture);
    ASSERT_TRUE(p.PageParked(2));
    const std::string file = rppText(p);
    EXPECT_EQ(file.rfind("<?xml version=\"1.0\" encoding=\"utf-8\"?><preparedreport>", 0), 0u);
    EXPECT_NE(file.find("<page0 ld=\"0\"><b1 t=\"0\">"), std::string::npos) << "parked pages in full, marked";
    EXPECT_NE(file.find("<dictionary><b1 name=\"Page0.ReportTitle1\"/><b2 name=\"Page0.MasterData1\"/>"),
              std::string::npos);

    Sheet loaded;
    TStringStream in(file);
    loaded.pages().LoadFromStream(in);
    TrpPreviewPages& q = loaded.pages();
    ASSERT_EQ(q.GetCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(q.GetPageSize(i), p.GetPageSize(i));
        EXPECT_EQ(describeObjects(*q.GetPage(i)), describeObjects(*p.GetPage(i))) << "page " << i;
    }
    std::string text;
    int page = 0, top = 0;
    q.Outline()->GetItem(0, text, page, top);
    EXPECT_EQ(text, "a \"quoted\"\r\ncaption");
    EXPECT_EQ(std::make_pair(page, top), std::make_pair(4, 7));
    EXPECT_EQ(q.GetAnchorPage("here"), 5);
    EXPECT_EQ(q.PictureCache().PictureBytes(1), p.PictureCache().PictureBytes(1));
    EXPECT_EQ(storedPages(q), storedPages(p));
    auto logical = [](const std::string& rpp) {
        const size_t from = rpp.find("<logicalpagenumbers>");
        return from == std::string::npos ? std::string() : rpp.substr(from, rpp.find("</logicalpagenumbers>") - from);
    };
    EXPECT_NE(logical(file).find("<page n=\"5\"/>"), std::string::npos) << "logical page numbers";
    EXPECT_EQ(logical(rppText(q)), logical(file));

    // A missing file leaves the store as it was, unless asked to fail.
    EXPECT_FALSE(q.LoadFromFile("/nonexistent/report.rpp"));
    EXPECT_EQ(q.GetCount(), 5);
    EXPECT_THROW(q.LoadFromFile("/nonexistent/report.rpp", true), Exception);
    // Not XML at all.
    TStringStream junk("no xml here");
    EXPECT_THROW(q.LoadFromStream(junk), TrpInvalidXMLException);
}

// Pages build their objects from each source object's attributes read
// once: what that makes must be what reading the attribute text makes,
// nested properties, texts, enumerations by name and sets included, and a
// value that cannot be read fails the same way.
TEST(PreparedPages, AttributesReadOnceMakeTheObjectTheirTextMakes)
{
    TrpMemoView source(nullptr);
    source.SetName("Memo7");
    source.SetBounds(12.5L, 3, 140, 18.9L);
    source.SetText(u"单价 [rpDBDataset2.\"dj\"]\r\n第二行");
    source.Font()->SetName("宋体");
    source.Font()->SetStyle({fsBold, fsUnderline});
    source.Font()->SetHeight(-16);
    source.HAlign = haRight;
    source.SetRotation(90);
    source.Frame()->SetTyp({ftLeft, ftBottom});
    source.Frame()->SetWidth(2.5L);
    source.Frame()->LeftLine()->SetColor(clBlue);
    source.DisplayFormat()->FormatStr = "%2.2f";
    source.URL = "https://example.com/?a=1&b=\"2\"";
    TrpXMLSerializer writer;
    const std::string text = writer.ObjToXML(&source);

    const std::vector<std::string> diffs = {
        "", " t=\"40.5\" x=\"3.25\"", " l=\"1\" w=\"20\" Font.Style=\"[fsItalic]\" HAlign=\"haCenter\"",
        // Values that cannot be read are errors, and the rest still applies.
        " HAlign=\"haNowhere\" Font.Height=\"many\" t=\"7\""};
    for (const std::string& diff : diffs) {
        TrpXMLSerializer plain, prepared;
        std::unique_ptr<TComponent> sample(plain.XMLToObj(nullptr, text, true));
        const TrpPreparedProps props = prepared.PrepareProps(static_cast<TPersistent*>(sample.get()), text);
        ASSERT_TRUE(props.Ready());
        plain.Errors.Clear();
        std::unique_ptr<TComponent> expected(plain.XMLToObj(nullptr, text + diff, true));
        std::unique_ptr<TComponent> built(prepared.XMLToObj(nullptr, props, diff, true));
        ASSERT_TRUE(expected && built) << diff;
        TrpXMLSerializer out;
        EXPECT_EQ(out.ObjToXML(built.get()), out.ObjToXML(expected.get())) << diff;
        EXPECT_EQ(prepared.Errors.Text(), plain.Errors.Text()) << diff;
        EXPECT_EQ(plain.Errors.Count() > 0, diff.find("many") != std::string::npos) << plain.Errors.Text();
        EXPECT_EQ(static_cast<TrpMemoView*>(built.get())->Text(), static_cast<TrpMemoView*>(expected.get())->Text());
    }
    // A class the registry does not know prepares nothing, and the page
    // builds from the text as before.
    TrpXMLSerializer s;
    TrpPreparedProps none;
    EXPECT_THROW(none = s.PrepareProps(&source, "TNoSuchView Left=\"1\""), EClassNotFound);
    EXPECT_FALSE(none.Ready());
}

namespace {

// Six pages whose texts differ in their attributes from page to page: a
// colour on even pages only, a text of its source's on odd ones, and a
// placeholder drawing fills in.
void fillVarying(Sheet& s)
{
    s.memos[1]->SetText(u"of [TotalPages#]");
    s.start();
    for (int p = 0; p < 6; ++p) {
        s.pages().AddPage(s.page);
        s.pages().AddObject(s.title);
        for (int r = 0; r < 3; ++r) {
            s.row(p, r);
            s.memos[1]->SetText(u"of [TotalPages#]");
            s.memos[2]->Font()->SetColor(p % 2 == 0 && r == 0 ? clRed : clBlack);
            if (p % 2 == 1) s.memos[0]->SetText(u"");
            s.pages().AddObject(s.band);
        }
    }
    s.pages().Finish();
}

}  // namespace

TEST(PreparedPages, PagesBuiltFromAnEarlierPagesObjectsAreAsIfBuiltAnew)
{
    Sheet fresh, reused;
    fillVarying(fresh);
    fillVarying(reused);
    fresh.pages().PagesInCache = 1;
    reused.pages().PagesInCache = 1;
    TRecordingCanvas canvas;
    for (int pass = 0; pass < 2; ++pass) {
        // Back from the page before the last: the last is still the cached one, drawn.
        for (int i = 0; i < 6 - pass; ++i) {
            const int index = pass == 0 ? i : 4 - i;
            // GetPage lends the page out, so its objects are never built into another.
            const std::string expected = describe(*fresh.pages().GetPage(index));
            EXPECT_EQ(describe(*reused.pages().PageToDraw(index)), expected) << "page " << index;
            EXPECT_NE(expected.find("of [TotalPages#]"), std::string::npos);
            reused.pages().DrawPage(index, canvas, 1, 1, 0, 0);
        }
    }
    EXPECT_GT(reused.pages().ReusedObjectCount(), 0);
    EXPECT_EQ(fresh.pages().ReusedObjectCount(), 0);
}

TEST(PreparedPages, APageLentOutIsNotBuiltIntoAnother)
{
    Sheet s;
    s.fill(3, 2);
    TrpPreviewPages& p = s.pages();
    p.PagesInCache = 1;
    p.PageToDraw(0);
    p.PageToDraw(1);
    {
        // A caller that changes a page gets it from GetPage.
        const std::shared_ptr<TrpReportPage> lent = p.GetPage(2);
        for (TrpComponent* o : lent->GetAllObjects())
            if (auto* memo = dynamic_cast<TrpMemoView*>(o)) memo->Font()->SetColor(clGreen);
    }
    EXPECT_GT(p.ReusedObjectCount(), 0) << "page 0's objects built page 2";
    p.PageToDraw(0);
    const int64_t before = p.ReusedObjectCount();
    const std::shared_ptr<TrpReportPage> again = p.PageToDraw(1);
    EXPECT_EQ(p.ReusedObjectCount(), before) << "nothing of the page lent out";
    const std::string built = describe(*again);
    EXPECT_EQ(built.find("clGreen"), std::string::npos) << built;
    EXPECT_EQ(built.find("32768"), std::string::npos) << built;
    // Held by a caller, a page's objects stay its own when it leaves the cache.
    p.PageToDraw(2);
    EXPECT_EQ(p.SpareObjectCount(), 0);
    EXPECT_EQ(describe(*again), built);
}

TEST(PreparedPages, APageDoneDrawingLeavesTheCacheForTheNext)
{
    Sheet s;
    s.fill(3, 2);
    TrpPreviewPages& p = s.pages();
    p.PageToDraw(0);
    p.DoneDrawing(0);
    EXPECT_EQ(p.CachedPageCount(), 0);
    EXPECT_GT(p.SpareObjectCount(), 0);
    p.PageToDraw(1);
    EXPECT_GT(p.ReusedObjectCount(), 0);
    // A page lent out stays where its holder may look for it again.
    const std::shared_ptr<TrpReportPage> lent = p.GetPage(2);
    p.DoneDrawing(2);
    EXPECT_EQ(p.GetPage(2), lent);
}

namespace {

// The texts a page draws and where, as the preview draws it.
std::string drawnTexts(TrpPreviewPages& pages, int index)
{
    TRecordingCanvas canvas;
    pages.DrawPage(index, canvas, 1, 1, 0, 0);
    std::string out;
    for (const TCanvasRecord& r : canvas.Records())
        if (r.kind == TCanvasRecord::ExtTextOut)
            out += Utf16ToUtf8(r.text) + " @" + IntToStr(r.points[0].X) + "," + IntToStr(r.points[0].Y) + "\n";
    return out;
}

// Pages drawn in turn with one in the cache, so that each is built from
// the objects of a page drawn before: as built and as drawn, each must be
// what a page built afresh is.
void expectAsIfBuiltAnew(Sheet& fresh, Sheet& reused, int count)
{
    fresh.pages().PagesInCache = 1;
    reused.pages().PagesInCache = 1;
    for (int index = 0; index < count; ++index) {
        // Lent out by GetPage: never built into another page.
        const std::shared_ptr<TrpReportPage> expected = fresh.pages().GetPage(index);
        EXPECT_EQ(describe(*reused.pages().PageToDraw(index)), describe(*expected)) << "page " << index;
        EXPECT_EQ(drawnTexts(reused.pages(), index), drawnTexts(fresh.pages(), index)) << "page " << index;
    }
    EXPECT_GT(reused.pages().ReusedObjectCount(), 0);
}

}  // namespace

TEST(PreparedPages, TextsThatDrawingChangesAreBuiltAfresh)
{
    {
        // Centred and as wide as its content: drawing resizes and moves the
        // text, and its element holds neither its width nor an unchanged left.
        Sheet fresh, reused;
        for (Sheet* s : {&fresh, &reused}) {
            s->memos[0]->AutoWidth = true;
            s->memos[0]->HAlign = haCenter;
            s->start();
            for (int p = 0; p < 4; ++p) {
                s->pages().AddPage(s->page);
                for (int r = 0; r < 2; ++r) {
                    s->row(p, r);
                    s->memos[0]->SetText(std::u16string(static_cast<size_t>(1 + 6 * ((p + r) % 3)), u'宽'));
                    s->pages().AddObject(s->band);
                }
            }
            s->pages().Finish();
        }
        expectAsIfBuiltAnew(fresh, reused, 4);
    }
    {
        // Placeholders that drawing fills in place, in a text the elements do
        // not hold: the first pass of two stores positions and sizes only.
        Sheet fresh, reused;
        for (Sheet* s : {&fresh, &reused}) {
            s->memos[1]->SetText(u"第 [CopyName#] 份，共 [totalpages#] 页");
            s->engine.doublePass = true;
            s->engine.finalPass = false;
            s->fill(4, 2);
            s->pages().Finish();
        }
        expectAsIfBuiltAnew(fresh, reused, 4);
    }
}

namespace {

// A text class of another library: it may keep more than its attributes.
class TOtherMemo : public TrpMemoView {
public:
    using TrpMemoView::TrpMemoView;
};

}  // namespace

// Which objects may build a later page's object is each class's own
// declaration, and a derived class does not take it over unasked.
TEST(PreparedPages, EachClassDeclaresWhetherItsObjectsBuildLaterPages)
{
    TrpMemoView memo(nullptr);
    memo.SetText(u"[不是占位符] [Page#]");
    EXPECT_NE(PageReuseOf(memo), nullptr) << "brackets that drawing does not fill";
    memo.SetText(u"x\r\n共 [TOTALPAGES#] 页");
    EXPECT_EQ(PageReuseOf(memo), nullptr);
    memo.AllowExpressions = false;
    EXPECT_NE(PageReuseOf(memo), nullptr) << "not filled without expressions";
    memo.AutoWidth = true;
    EXPECT_EQ(PageReuseOf(memo), nullptr);
    memo.AutoWidth = false;
    memo.SetAlign(baBottom);
    EXPECT_EQ(PageReuseOf(memo), nullptr);

    TOtherMemo other(nullptr);
    EXPECT_EQ(PageReuseOf(other), nullptr);
    TrpPictureView picture(nullptr);
    EXPECT_EQ(PageReuseOf(picture), nullptr);
    TrpSysMemoView sys(nullptr);
    TrpShapeView shape(nullptr);
    TrpPageFooter footer(nullptr);
    TrpSubdetailData detail(nullptr);
    for (const TrpComponent* object : std::initializer_list<const TrpComponent*>{&sys, &shape, &footer, &detail})
        EXPECT_NE(PageReuseOf(*object), nullptr) << object->ClassName();

    // A sloped line that is not diagonal is made straight by drawing; a
    // straight one keeps its size and gets its source's frame sides back.
    TrpLineView source(nullptr), line(nullptr);
    source.SetBounds(0, 0, 0, 30);
    source.Frame()->SetTyp({ftLeft});
    line.SetBounds(0, 0, 12, 30);
    EXPECT_EQ(PageReuseOf(line), nullptr);
    line.Diagonal = true;
    EXPECT_NE(PageReuseOf(line), nullptr);
    line.Diagonal = false;
    line.SetBounds(0, 0, 0, 30);
    const TrpPageReuse* reuse = PageReuseOf(line);
    ASSERT_TRUE(reuse && reuse->putBack);
    line.Frame()->SetTyp({ftTop, ftBottom});
    reuse->putBack(line, source);
    EXPECT_EQ(line.Frame()->Typ(), source.Frame()->Typ());
}
