// Prepared-report files from elsewhere: damaged ones are refused as
// "Invalid file format" or load with the damaged part left out; none may
// crash, hang or lose the pages around a broken picture.
#include <gtest/gtest.h>

#include <QImage>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "Pictures.h"
#include "PreparedTestUtil.h"
#include "QtCanvas.h"
#include "RecordingCanvas.h"
#include "rpPicture.h"
#include "rpXML.h"

using namespace prepared_test;

namespace {

// Two pages, each with the title and one row whose picture comes from the
// picture cache only (it was set after the source page was taken, as a
// picture from a database field is), so that its bytes are the cache's.
std::string Base(bool pictureInSource = false)
{
    Sheet s;
    auto* view = new TrpPictureView(s.band);
    view->SetName("Logo");
    view->SetBounds(600, 2, 20, 20);
    auto picture = [&] {
        auto b = std::make_unique<TBitmap>();
        b->SetSize(2, 2);
        view->Picture()->SetGraphic(std::move(b));
    };
    if (pictureInSource) picture();
    s.start();
    picture();
    for (int p = 0; p < 2; ++p) {
        s.pages().AddPage(s.page);
        s.pages().AddObject(s.title);
        s.row(p, 0);
        s.pages().AddObject(s.band);
    }
    TStringStream out;
    s.pages().SaveToStream(out);
    return out.DataString();
}

std::string Replaced(std::string text, const std::string& from, const std::string& to)
{
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "no " << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

std::string CacheHex(const std::string& rpp)
{
    const size_t from = rpp.find("<item stream=\"") + 14;
    return rpp.substr(from, rpp.find('"', from) - from);
}

// Every page built, measured and drawn on a screen and a recording canvas.
// Returns the object count of each page.
std::vector<size_t> DrawAll(TrpPreviewPages& pages)
{
    std::vector<size_t> counts;
    for (int i = 0; i < pages.GetCount(); ++i) {
        std::shared_ptr<TrpReportPage> page = pages.GetPage(i);
        EXPECT_TRUE(page);
        if (!page) continue;
        counts.push_back(page->GetAllObjects().size());
        pages.GetPageSize(i);
        QImage image(200, 280, QImage::Format_RGB32);
        TQtCanvas screen(image);
        pages.DrawPage(i, screen, 0.25, 0.25, 0, 0);
        TRecordingCanvas recording;
        pages.DrawPage(i, recording, 1, 1, 0, 0);
        TrpPageClick click;
        click.X = click.Y = 100;
        click.Click = true;
        pages.HandleObjectClick(i, click);
    }
    return counts;
}

// Each file is refused naming its attribute (the first of the pair).
void ExpectOutOfRange(const std::vector<std::pair<std::string, std::string>>& files)
{
    for (const auto& [attribute, text] : files) {
        Sheet s;
        TStringStream in(text);
        try {
            s.pages().LoadFromStream(in);
            ADD_FAILURE() << attribute << ": loaded";
        } catch (const TrpInvalidXMLException& e) {
            EXPECT_EQ(std::string(e.what()), "Invalid file format: " + attribute + " is out of range");
        }
    }
}

const TrpPictureView* Logo(TrpPreviewPages& pages, int index)
{
    std::shared_ptr<TrpReportPage> page = pages.GetPage(index);
    for (TrpComponent* o : page->GetAllObjects())
        if (o->Name() == "Logo") return dynamic_cast<TrpPictureView*>(o);
    return nullptr;
}

}  // namespace

TEST(DamagedRpp, StructuralDamageIsAnInvalidFileFormat)
{
    const std::string base = Base();
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<x>";
    const std::vector<std::pair<const char*, std::string>> corpus = {
        {"cut after the header", base.substr(0, 40)},
        {"cut in the pages", base.substr(0, base.find("</page0>") + 3)},
        {"cut in the picture bytes", base.substr(0, base.find("<item stream=\"") + 30)},
        {"cut before the last byte", base.substr(0, base.size() - 1)},
        // Cut where an element ends (a failed copy, a full disk): no tag is
        // broken, only the end tags are missing.
        {"cut inside the first page after a whole object", base.substr(0, base.find("/>", base.find("<page0")) + 2)},
        {"cut after the first page", base.substr(0, base.find("</page0>") + 8)},
        {"cut before the root's end tag", base.substr(0, base.rfind("</preparedreport>"))},
        {"a declaration alone", "<?xml version=\"1.0\"?>"},
        {"100,000-deep nesting", Replaced(base, "<page0>", "<page0>" + deep)},
        {"short dictionary name", Replaced(base, "name=\"Page0.Logo\"", "name=\"Pa.\"")},
        {"empty dictionary name", Replaced(base, "name=\"Page0.Logo\"", "name=\"\"")},
        {"dictionary name without a point", Replaced(base, "name=\"Page0.Logo\"", "name=\"Page0Logo\"")},
        {"page index that is no number", Replaced(base, "name=\"Page0.Logo\"", "name=\"Pagex.Logo\"")},
        // The reviewer's reproducer, whole.
        {"name of three characters",
         "<?xml version=\"1.0\" encoding=\"utf-8\"?><preparedreport><dictionary><b1 name=\"a.b\"/></dictionary>"
         "</preparedreport>"},
    };
    for (const auto& [what, text] : corpus) {
        Sheet s;
        TStringStream in(text);
        try {
            s.pages().LoadFromStream(in);
            ADD_FAILURE() << what << ": loaded";
        } catch (const TrpInvalidXMLException& e) {
            EXPECT_STREQ(e.what(), "Invalid file format") << what;
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << typeid(e).name() << " " << e.what();
        }
    }
}

TEST(DamagedRpp, BrokenPictureDrawsEmptyAndThePageKeepsTheRest)
{
    const std::string base = Base();
    const std::string hex = CacheHex(base);
    Sheet good;
    TStringStream goodIn(base);
    good.pages().LoadFromStream(goodIn);
    const std::vector<size_t> whole = DrawAll(good.pages());
    ASSERT_EQ(whole.size(), 2u);
    ASSERT_TRUE(Logo(good.pages(), 0) && Logo(good.pages(), 0)->Graphic());

    const std::vector<std::pair<const char*, std::string>> corpus = {
        {"JPEG", "FFD8FFE000104A464946000101"},
        {"PNG", "89504E470D0A1A0A0000000D49484452"},
        {"BMP", "424D4600000000000000360000002800"},
        {"ICO", "00000100010020200000"},
        {"bad hex", "ZZ" + hex.substr(2)},
        {"empty", ""},
    };
    for (const auto& [what, bytes] : corpus) {
        Sheet s;
        TStringStream in(Replaced(base, hex, bytes));
        ASSERT_NO_THROW(s.pages().LoadFromStream(in)) << what;
        EXPECT_EQ(DrawAll(s.pages()), whole) << what;
        for (int page : {0, 1}) {
            const TrpPictureView* logo = Logo(s.pages(), page);
            ASSERT_TRUE(logo) << what;
            EXPECT_FALSE(logo->Graphic()) << what;
        }
    }
    // Odd hex loses its last half byte only.
    Sheet odd;
    TStringStream oddIn(Replaced(base, hex, hex + "A"));
    odd.pages().LoadFromStream(oddIn);
    EXPECT_EQ(odd.pages().PictureCache().PictureBytes(1), good.pages().PictureCache().PictureBytes(1));

    // Indexes outside the cache give no picture.
    for (const char* index : {"-5", "0", "2", "2147483647", "99999999999999", "x"}) {
        Sheet s;
        TStringStream in(Replaced(Replaced(base, "ImageIndex=\"1\"", std::string("ImageIndex=\"") + index + "\""),
                                  "ImageIndex=\"1\"", std::string("ImageIndex=\"") + index + "\""));
        ASSERT_NO_THROW(s.pages().LoadFromStream(in)) << index;
        EXPECT_EQ(DrawAll(s.pages()), whole) << index;
        EXPECT_FALSE(Logo(s.pages(), 1)->Graphic()) << index;
    }
}

TEST(DamagedRpp, OddContentLoadsAndDraws)
{
    const std::string base = Base();
    const std::string withSource = Base(true);
    const std::vector<std::pair<const char*, std::string>> corpus = {
        {"1e300 band top", Replaced(base, "<b2 t=\"50\">", "<b2 t=\"1e300\">")},
        {"-1e300 object left", Replaced(base, "Left=\"600\"", "Left=\"-1e300\"")},
        {"1e300 object width", Replaced(base, "Width=\"20\"", "Width=\"1e300\"")},
        {"unknown page class",
         Replaced(Replaced(base, "<TrpReportPage ", "<TrpNoSuchPage "), "</TrpReportPage>", "</TrpNoSuchPage>")},
        {"unknown object class", Replaced(base, "<TrpLineView ", "<TrpNoSuchView ")},
        {"dictionary entry of a page not in the file", Replaced(base, "name=\"Page0.Logo\"", "name=\"Page7.Logo\"")},
        {"dictionary entry of an object not on its page", Replaced(base, "name=\"Page0.Logo\"", "name=\"Page0.Nothing\"")},
        // The source object's own picture record names a decoder that
        // refuses its bytes.
        {"broken picture in a source object", Replaced(withSource, "07544269746D6170", "0A544A504547496D616765")},
    };
    for (const auto& [what, text] : corpus) {
        Sheet s;
        TStringStream in(text);
        try {
            s.pages().LoadFromStream(in);
            EXPECT_EQ(DrawAll(s.pages()).size(), 2u) << what;
        } catch (const std::exception& e) {
            ADD_FAILURE() << what << ": " << typeid(e).name() << " " << e.what();
        }
    }
}

TEST(DamagedRpp, NumbersOutOfRangeAreRefusedNamingTheAttribute)
{
    // Paper, margins and columns reach the device's integer coordinates at
    // every paint; a page's own attributes are read whenever it is drawn.
    const std::string base = Base();
    std::string whole = Replaced(base, "<page0>", "<TrpReportPage PaperWidth=\"210\" TopMargin=\"-1e300\">");
    whole.replace(whole.find("</page0>"), 8, "</TrpReportPage>");
    const std::vector<std::pair<std::string, std::string>> corpus = {
        {"PaperWidth=\"1e300\"", Replaced(base, "PaperWidth=\"210\"", "PaperWidth=\"1e300\"")},
        {"PaperHeight=\"nan\"", Replaced(base, "PaperHeight=\"297\"", "PaperHeight=\"nan\"")},
        {"LeftMargin=\"inf\"", Replaced(base, "LeftMargin=\"10\"", "LeftMargin=\"inf\"")},
        {"Columns=\"2147483647\"", Replaced(base, "ColumnWidth=\"0\"", "ColumnWidth=\"0\" Columns=\"2147483647\"")},
        {"TopMargin=\"-1e300\"", whole},
        {"PaperHeight=\"1e6\"", Replaced(base, "<page0>", "<page0 PaperHeight=\"1e6\">")},
    };
    ExpectOutOfRange(corpus);
}

TEST(DamagedRpp, MeasuresBeyondAnyPaperAreRefusedInSourcesAndLeftOutOnPages)
{
    // A frame width or a gap of 1e300 stopped every paint of its page with
    // "Invalid floating point operation".
    const std::string base = Base();
    const std::vector<std::pair<std::string, std::string>> sources = {
        {"Frame.Width=\"1e300\"", Replaced(base, "<TrpMemoView Name=\"Memo1\"", "<TrpMemoView Name=\"Memo1\" Frame.Width=\"1e300\"")},
        {"GapX=\"-1e7\"", Replaced(base, "GapX=\"2\"", "GapX=\"-1e7\"")},
        {"LineSpacing=\"1000001\"", Replaced(base, "LineSpacing=\"2\"", "LineSpacing=\"1000001\"")},
    };
    ExpectOutOfRange(sources);
    // On a page, as any bad value there: left out, the source's value stays.
    Sheet s;
    TStringStream in(Replaced(base, "<m2 ", "<m2 GapY=\"1e300\" Frame.Width=\"-1e300\" Frame.Typ=\"15\" "));
    s.pages().LoadFromStream(in);
    EXPECT_EQ(DrawAll(s.pages()).size(), 2u);
    const auto* memo = dynamic_cast<TrpMemoView*>(s.pages().GetPage(0)->FindObject("Memo1"));
    ASSERT_TRUE(memo);
    EXPECT_EQ(memo->GapY, 1);
    EXPECT_EQ(memo->Frame()->Width(), 1);

    // Dates of a report stay within the years 1 to 9999.
    TrpReport report;
    report.EngineOptions()->NewSilentMode = simSilent;
    TStringStream dated("<?xml version=\"1.0\"?><TrpReport ReportOptions.CreateDate=\"1e300\"/>");
    report.LoadFromStream(dated);
    ASSERT_EQ(report.Errors.Count(), 1);
    EXPECT_EQ(report.Errors.Strings(0), "Invalid file format: ReportOptions.CreateDate=\"1e300\" is out of range");
}

TEST(DamagedRpp, XmllintAcceptsWhatWeWrite)
{
    TempFolder folder;
    Sheet s;
    s.report->EngineOptions()->UseFileCache = true;
    s.report->EngineOptions()->MaxMemSize = 0;
    s.report->ReportOptions()->Name = "发货单 \"<&>\"";
    s.fill(5, 3);
    s.pages().Outline()->AddItem("第一 <页> & \"引号\"\r\n", 3);
    s.pages().AddAnchor("a'b\"c");
    ASSERT_TRUE(s.pages().PageParked(2));
    const std::string file = (folder.path / "out.rpp").string();
    s.pages().SaveToFile(file);
    EXPECT_EQ(std::system(("xmllint --noout '" + file + "' 2>&1").c_str()), 0);
    // A file made the same way from the picture test's store.
    const std::string other = (folder.path / "picture.rpp").string();
    std::ofstream(other, std::ios::binary) << Base();
    EXPECT_EQ(std::system(("xmllint --noout '" + other + "' 2>&1").c_str()), 0);
}
