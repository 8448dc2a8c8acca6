// The random-layout checker over a fixed set of seeds, and the checks'
// own cases: each check must see the fault it is there for on a page made
// to have it, and keep quiet about what the engine does by design.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "LayoutCheck.h"
#include "PreparedTestUtil.h"
#include "RandomLayout.h"
#include "rpPicture.h"

using namespace random_layout;

namespace {

constexpr uint64_t kSeeds = 400;
constexpr uint64_t kShard = 50;

// Seeds whose report shows an engine fault that is handed on and not
// mended yet: the folder under /work/notes/engine-findings that holds it,
// as knownFinding names it (so that the fuzz target passes them over too).
// They are reported and skipped; a seed leaves the list once its mend is
// on main.
const std::map<uint64_t, std::string> kKnownFaults = {
    {1, "008-band-columns-moved-line-column-footer-below-sheet"},
    {17, "009-band-columns-moved-line-counted-before"},
    {61, "008-band-columns-moved-line-column-footer-below-sheet"},
    {89, "008-band-columns-moved-line-column-footer-below-sheet"},
    {126, "008-band-columns-moved-line-column-footer-below-sheet"},
    {132, "011-kept-group-with-subreport-moved-column-shifted"},
    {172, "008-band-columns-moved-line-column-footer-below-sheet"},
    {205, "014-column-footer-over-page-footer-kept-rows"},
    {222, "010-reprinted-group-header-shows-next-group"},
    {234, "010-reprinted-group-header-shows-next-group"},
    {236, "010-reprinted-group-header-shows-next-group"},
    {237, "008-band-columns-moved-line-column-footer-below-sheet"},
    {266, "009-band-columns-moved-line-counted-before"},
    {267, "020-split-rest-only-subreport-place-frame-strip"},
    {268, "017-subreport-after-row-across-pages-shifts-and-overlaps"},
    {296, "018-subreport-after-row-breaks-to-page-rows-in-last-column"},
    {309, "016-page-header-under-tall-title-over-footer"},
    {329, "009-band-columns-moved-line-counted-before"},
    {338, "018-subreport-after-row-breaks-to-page-rows-in-last-column"},
    {356, "008-band-columns-moved-line-column-footer-below-sheet"},
    {366, "008-band-columns-moved-line-column-footer-below-sheet"},
    {387, "008-band-columns-moved-line-column-footer-below-sheet"},
};

class FixedSeeds : public ::testing::TestWithParam<uint64_t> {};

}  // namespace

TEST_P(FixedSeeds, PrintEveryRowOnceWholeInsideThePageAndCountItRight)
{
    for (uint64_t seed = GetParam(); seed < GetParam() + kShard; ++seed) {
        const Layout layout = generate(seed);
        const Outcome outcome = check(layout);
        const auto known = kKnownFaults.find(seed);
        if (known != kKnownFaults.end()) {
            std::printf("seed %llu: known fault %s%s\n", static_cast<unsigned long long>(seed), known->second.c_str(),
                        outcome.faults.empty() ? " (passes now: take it off the list)" : "");
            if (!outcome.faults.empty()) {
                EXPECT_EQ(knownFinding(layout, outcome), known->second) << "seed " << seed << ": " << outcome.faults.front();
            }
            continue;
        }
        std::string faults;
        for (const std::string& fault : outcome.faults) faults += "\n  " + fault;
        EXPECT_TRUE(outcome.faults.empty()) << "seed " << seed << " (layoutcheck " << seed << ")" << faults;
    }
}

INSTANTIATE_TEST_SUITE_P(Seeds, FixedSeeds, ::testing::Range<uint64_t>(1, kSeeds + 1, kShard),
                         [](const ::testing::TestParamInfo<uint64_t>& info) {
                             return "from" + std::to_string(info.param);
                         });

TEST(RandomLayout, ASeedNamesItsReportForGood)
{
    const Layout a = generate(12345), b = generate(12345), c = generate(12346);
    EXPECT_EQ(a.xml, b.xml);
    EXPECT_EQ(a.sql, b.sql);
    EXPECT_NE(a.xml + a.sql, c.xml + c.sql);
    EXPECT_EQ(seedOf("12345\n"), 12345u);
    EXPECT_NE(seedOf("not a number"), seedOf("not a number either"));
}

TEST(RandomLayout, AFaultOfNoOpenFindingIsNewAndTheReportSaysWhatItIsMadeOf)
{
    const Layout layout = generate(338);
    const std::set<std::string> make = makeOf(layout.xml);
    for (const char* word : {"page-columns", "keep-rows", "sub-after", "sub-any", "picture"})
        EXPECT_TRUE(make.count(word)) << word;
    EXPECT_FALSE(make.count("band-columns"));
    Outcome outcome;
    EXPECT_EQ(knownFinding(layout, outcome), "");
    outcome.faults = {"page 1 Rows.KeyR @0,0-10,10 prints where nothing was ever looked for"};
    EXPECT_EQ(knownFinding(layout, outcome), "");
    EXPECT_TRUE(makeOf("not a report").empty());
}

// Kept groups whose rows the engine moves on by design: a row that may not
// split and fits a page, a block no taller than the printable height less
// the footers (whatever headers a page starts with), a header that asks for
// a new page, two headers and a first line that the foot could not take.
TEST(RandomLayoutCheck, KeptBlocksMovedOnByDesignAreNoFault)
{
    for (uint64_t seed : {1106u, 1941u, 8178u, 16617u}) {
        const Outcome outcome = check(generate(seed));
        for (const std::string& fault : outcome.faults)
            EXPECT_EQ(fault.find("(kept block)"), std::string::npos) << "seed " << seed << ": " << fault;
    }
}

// ---------------------------------------------------------------- the checks on pages made by hand

namespace {

// One report page with the bands given, over rows r (id, g1, qty, note).
Layout handMade(const std::string& pageAttributes, const std::string& bands, const std::string& script = {},
                int rows = 3)
{
    Layout layout;
    layout.xml = R"x(<?xml version="1.0" encoding="utf-8" standalone="yes"?>
<TrpReport ScriptLanguage="PascalScript")x" +
                 (script.empty() ? std::string() : " ScriptText.Text=\"" + script + "\"") + R"x(>
  <TrpDataPage Name="Data"/>
  <TrpReportPage Name="Page1" PaperSize="256" LeftMargin="0" RightMargin="0" TopMargin="0" BottomMargin="0" )x" +
                 pageAttributes + ">\n" + bands + "  </TrpReportPage>\n</TrpReport>\n";
    layout.sql = "CREATE TABLE r (id INTEGER PRIMARY KEY, g1 TEXT, qty INTEGER, note TEXT);\n";
    for (int i = 1; i <= rows; ++i)
        layout.sql += "INSERT INTO r VALUES (" + std::to_string(i) + ", '" + (i <= 2 ? "A" : "B") + "', " +
                      std::to_string(i * 10) + ", 'note of row " + std::to_string(i) + "');\n";
    layout.datasets = {{"r", "select * from r order by id"}};
    return layout;
}

const char* const kRows = R"x(    <TrpMasterData Name="Rows" Left="0" Top="100" Width="377" Height="20" DataSetName="r">
      <TrpMemoView Name="KeyR" Left="0" Top="0" Width="100" Height="18" Text="{R[r.&quot;id&quot;]}"/>
      <TrpMemoView Name="NoteR" Left="110" Top="0" Width="200" Height="18" Text="(R[r.&quot;id&quot;] [r.&quot;note&quot;] R[r.&quot;id&quot;])" StretchMode="smActualHeight"/>
    </TrpMasterData>
)x";

bool has(const Outcome& outcome, const std::string& text)
{
    for (const std::string& fault : outcome.faults)
        if (fault.find(text) != std::string::npos) return true;
    return false;
}

std::string faultsOf(const Outcome& outcome)
{
    std::string out;
    for (const std::string& fault : outcome.faults) out += "\n  " + fault;
    return out;
}

}  // namespace

TEST(RandomLayoutCheck, RowsPrintedOnceInOrderAndWholeAreQuietAMissingRowIsNot)
{
    const std::string page = R"x(PaperWidth="100" PaperHeight="100")x";
    const Outcome sound = check(handMade(page, kRows));
    EXPECT_TRUE(sound.faults.empty()) << faultsOf(sound);
    // A row hidden by the report's script is a row that does not print.
    const std::string hide = "procedure Hide(Sender: TrpComponent);&#13;&#10;begin&#13;&#10;  Rows.Visible := "
                             "&lt;r.&quot;id&quot;&gt; &lt;&gt; 2;&#13;&#10;end;&#13;&#10;begin&#13;&#10;end.";
    std::string bands = kRows;
    bands.replace(bands.find("DataSetName"), 0, "OnBeforePrint=\"Hide\" ");
    const Outcome missing = check(handMade(page, bands, hide));
    EXPECT_TRUE(has(missing, "prints {R3}, expected {R2} (sequence)")) << faultsOf(missing);
    // A text that loses words on the way.
    const std::string cut = "procedure Cut(Sender: TrpComponent);&#13;&#10;begin&#13;&#10;  if &lt;r.&quot;id&quot;&gt; = 3 "
                            "then NoteR.Text := '(R3 note R3)';&#13;&#10;end;&#13;&#10;begin&#13;&#10;end.";
    bands = kRows;
    bands.replace(bands.find("StretchMode"), 0, "OnAfterData=\"Cut\" ");
    const Outcome lost = check(handMade(page, bands, cut));
    EXPECT_TRUE(has(lost, "NoteR prints \"(R3noteR3)\" where \"(R3noteofrow3R3)\" was due (text whole)")) << faultsOf(lost);
}

TEST(RandomLayoutCheck, TotalsCountTheRowsOfTheirGroupPageAndColumn)
{
    // Two rows a page: the page totals count 2 and 1, the group totals the
    // groups A (rows 1-2) and B (row 3), the summary all three.
    const std::string page = R"x(PaperWidth="100" PaperHeight="20")x";
    const std::string bands = std::string(R"x(    <TrpGroupHeader Name="Group1" Left="0" Top="60" Width="377" Height="0" Condition="r.&quot;g1&quot;"/>
)x") + kRows + R"x(    <TrpGroupFooter Name="GroupFooter1" Left="0" Top="140" Width="377" Height="0">
      <TrpMemoView Name="GroupTotal" Left="0" Top="0" Width="300" Height="0" Text="{F1 [r.&quot;g1&quot;] n=[COUNT(Rows)] s=[SUM(&lt;r.&quot;qty&quot;&gt;, Rows)]}"/>
    </TrpGroupFooter>
    <TrpPageFooter Name="PageFooter" Left="0" Top="200" Width="377" Height="18">
      <TrpMemoView Name="PageTotal" Left="0" Top="0" Width="300" Height="18" Text="{P n=[COUNT(Rows)] s=[SUM(&lt;r.&quot;qty&quot;&gt;, Rows)]}"/>
    </TrpPageFooter>
)x";
    const Outcome sound = check(handMade(page, bands));
    EXPECT_TRUE(sound.faults.empty()) << faultsOf(sound);
    EXPECT_EQ(sound.pages, 2);
    // Totals that say something else than the rows they stand for.
    const std::string skew = "procedure Skew(Sender: TrpComponent);&#13;&#10;begin&#13;&#10;  if Sender = PageTotal then "
                             "PageTotal.Text := '{P n=9 s=99}' else if &lt;r.&quot;g1&quot;&gt; = 'B' then "
                             "GroupTotal.Text := '{F1 B n=9 s=9}';&#13;&#10;end;&#13;&#10;begin&#13;&#10;end.";
    std::string skewed = bands;
    for (const char* memo : {"Name=\"PageTotal\"", "Name=\"GroupTotal\""})
        skewed.replace(skewed.find(memo), 0, "OnAfterData=\"Skew\" ");
    const Outcome wrong = check(handMade(page, skewed, skew));
    EXPECT_TRUE(has(wrong, "page 1 PageFooter @0,57.5906 prints {P n=9 s=99}, the rows on its page make {P n=2 s=30} (total)"))
        << faultsOf(wrong);
    EXPECT_TRUE(has(wrong, "prints {F1 B n=9 s=9}, expected {F1 B n=1 s=30} (sequence)")) << faultsOf(wrong);
}

TEST(RandomLayoutCheck, WhatTheEngineDoesByDesignIsNoFault)
{
    const std::string page = R"x(PaperWidth="100" PaperHeight="100")x";
    // A footer of a single-row group hides; after the last row the footers
    // read the last row; an empty report page prints its headers alone.
    const Outcome hidden = check(handMade(page, std::string(R"x(    <TrpGroupHeader Name="Group1" Left="0" Top="60" Width="377" Height="18" Condition="r.&quot;g1&quot;">
      <TrpMemoView Name="GroupKey" Left="0" Top="0" Width="300" Height="18" Text="{H1 [r.&quot;g1&quot;]}"/>
    </TrpGroupHeader>
)x") + kRows + R"x(    <TrpGroupFooter Name="GroupFooter1" Left="0" Top="140" Width="377" Height="18" HideIfSingleDataRecord="True">
      <TrpMemoView Name="GroupTotal" Left="0" Top="0" Width="300" Height="18" Text="{F1 [r.&quot;g1&quot;] n=[COUNT(Rows)]}"/>
    </TrpGroupFooter>
)x"));
    EXPECT_TRUE(hidden.faults.empty()) << faultsOf(hidden);
    // A page whose header and footer leave no room for a row stops the run,
    // rightly.
    const Outcome noRoom = check(handMade(R"x(PaperWidth="100" PaperHeight="20")x",
                                          std::string(R"x(    <TrpPageHeader Name="PageHeader" Left="0" Top="0" Width="377" Height="40"/>
)x") + kRows + R"x(    <TrpPageFooter Name="PageFooter" Left="0" Top="200" Width="377" Height="36"/>
)x"));
    EXPECT_FALSE(noRoom.prepared);
    EXPECT_TRUE(noRoom.faults.empty()) << noRoom.errors << faultsOf(noRoom);
    // A summary that asks for a page of its own gets one, even after a
    // page without rows.
    const Outcome ownPage = check(handMade(page, std::string(kRows) + R"x(    <TrpReportSummary Name="Summary" Left="0" Top="300" Width="377" Height="18" StartNewPage="True">
      <TrpMemoView Name="SummaryTotal" Left="0" Top="0" Width="300" Height="18" Text="{SU n=[COUNT(Rows)]}"/>
    </TrpReportSummary>
)x", {}, 0));
    EXPECT_EQ(ownPage.pages, 2);
    EXPECT_TRUE(ownPage.faults.empty()) << faultsOf(ownPage);
}

// ---------------------------------------------------------------- the page checks on pages filled by hand

namespace {

// A page of 100 x 100 mm (377.95 units square) without margins, in two
// columns when asked, whose prepared page is filled band by band (once
// start() has made it): each
// band is put where a test says, its objects as they are then; the design
// is what they are before and after.
struct HandPage {
    std::unique_ptr<TrpReport> report = std::make_unique<TrpReport>();
    TrpReportPage* page = nullptr;
    prepared_test::FakeEngine engine;

    explicit HandPage(int columns = 0)
    {
        auto* data = new TrpDataPage(report.get());
        data->SetName("Data");
        page = new TrpReportPage(report.get());
        page->SetName("Page1");
        page->SetPaperWidth(100);
        page->SetPaperHeight(100);
        page->LeftMargin = page->RightMargin = page->TopMargin = page->BottomMargin = 0;
        page->SetColumns(columns);
        pages().SetEngine(&engine);
    }
    // Once the bands are made: the prepared pages learn their names.
    void start()
    {
        pages().Initialize();
        pages().AddSourcePage(page);
        pages().AddPage(page);
    }
    TrpPreviewPages& pages() { return *static_cast<TrpPreviewPages*>(report->PreviewPages()); }
    template <class B>
    B* band(const std::string& name, Extended width, Extended height)
    {
        auto* b = new B(page);
        b->SetName(name);
        b->SetBounds(0, 0, width, height);
        return b;
    }
    TrpMemoView* memo(TrpBand* band, const std::string& name, Extended width, Extended height, const std::u16string& text,
                      TrpStretchMode mode = smDontStretch)
    {
        auto* m = new TrpMemoView(band);
        m->SetName(name);
        m->SetBounds(0, 0, width, height);
        m->SetText(text);
        m->SetStretchMode(mode);
        return m;
    }
    void put(TrpBand* band, Extended left, Extended top)
    {
        band->SetLeft(left);
        band->SetTop(top);
        pages().AddObject(band);
    }
    std::string faults()
    {
        std::string out;
        for (const std::string& fault : engine_test::layoutFaults(*report, pages())) out += fault + "\n";
        return out;
    }
};

}  // namespace

TEST(LayoutCheck, ABandInAColumnOfItsOwnOrAsWideAsThePageIsQuietOneBeyondItIsNot)
{
    HandPage sheet(2);
    auto* header = sheet.band<TrpGroupHeader>("Group1", 188.98L, 20);
    sheet.memo(header, "GroupKey", 160, 18, u"{H1 A}");
    auto* title = sheet.band<TrpReportTitle>("Title", 377.95L, 20);
    sheet.memo(title, "TitleKey", 370, 18, u"{TI}");
    sheet.start();
    sheet.put(title, 0, 0);
    sheet.put(header, 0, 20);
    sheet.put(header, 188.98L, 20);
    EXPECT_EQ(sheet.faults(), "");
    // Reprinted one column too far: past the page's right edge.
    sheet.put(header, 377.95L, 40);
    EXPECT_NE(sheet.faults().find("page 1 Group1.GroupKey @377.95,40-537.95,58 beyond the right edge 377.953 of column 2"),
              std::string::npos)
        << sheet.faults();
    // A page-wide band going on in the second column reaches past the page.
    HandPage split(2);
    auto* summary = split.band<TrpReportSummary>("Summary", 377.95L, 20);
    split.memo(summary, "SummaryText", 300, 18, u"terms");
    split.start();
    split.put(summary, 188.98L, 0);
    EXPECT_NE(split.faults().find("Summary.SummaryText @188.98,0-488.98,18 beyond the printable width 377.953"),
              std::string::npos)
        << split.faults();
}

TEST(LayoutCheck, TextsSqueezedAtAPagesFootAndEmptyPartsAreFaults)
{
    HandPage sheet;
    auto* header = sheet.band<TrpGroupHeader>("Group1", 377, 20);
    TrpMemoView* key = sheet.memo(header, "GroupKey", 160, 18, u"{H1 A}");
    auto* rows = sheet.band<TrpMasterData>("Rows", 377, 40);
    TrpMemoView* note = sheet.memo(rows, "Note", 200, 18, u"a note of two lines\r\nits second line", smActualHeight);
    sheet.memo(rows, "Empty", 100, 18, u"", smActualHeight)->SetLeft(220);
    auto* line = new TrpLineView(rows);
    line->SetName("LeftLine");
    line->SetBounds(0, 0, 0, 40);
    line->SetStretchMode(smMaxHeight);
    sheet.start();
    // As drawn, and the note grown to both its lines: nothing to say.
    note->SetHeight(36);
    sheet.put(header, 0, 0);
    sheet.put(rows, 0, 20);
    EXPECT_EQ(sheet.faults(), "");
    // A header squeezed into the last unit of a page: no whole line.
    key->SetHeight(1.11L);
    header->SetHeight(1.11L);
    sheet.put(header, 0, 300);
    key->SetHeight(18);
    header->SetHeight(20);
    // A growing text cut to its first line.
    note->SetHeight(18);
    sheet.put(rows, 0, 60);
    // The rest of a split row: its frame and an empty text, nothing else.
    note->SetVisible(false);
    rows->SetHeight(6);
    line->SetHeight(6);
    sheet.put(rows, 0, 120);
    note->SetVisible(true);
    rows->SetHeight(40);
    line->SetHeight(40);
    const std::string faults = sheet.faults();
    EXPECT_NE(faults.find("Group1.GroupKey @0,300-160,301.11 holds not one whole line of \"{H1 A}"), std::string::npos)
        << faults;
    EXPECT_NE(faults.find("Rows.Note @0,60-200,78 shows part of its lines, without \"its second line"), std::string::npos)
        << faults;
    EXPECT_NE(faults.find("page 1 Rows @0,120 holds only its frame or empty texts"), std::string::npos) << faults;
}

TEST(LayoutCheck, APictureKeepsItsHeightUnlessItIsTallerThanAPage)
{
    HandPage sheet;
    auto* rows = sheet.band<TrpMasterData>("Rows", 377, 40);
    auto* picture = new TrpPictureView(rows);
    picture->SetName("Picture");
    picture->SetBounds(0, 0, 40, 40);
    sheet.start();
    sheet.put(rows, 0, 0);
    picture->SetHeight(12);
    sheet.put(rows, 0, 100);
    picture->SetHeight(40);
    EXPECT_NE(sheet.faults().find("Rows.Picture @0,100-40,112 prints 12 high, drawn 40 high"), std::string::npos)
        << sheet.faults();
    // Drawn taller than the page: cut on purpose.
    HandPage tall;
    auto* band = tall.band<TrpMasterData>("Rows", 377, 500);
    auto* big = new TrpPictureView(band);
    big->SetName("Big");
    big->SetBounds(0, 0, 40, 500);
    tall.start();
    big->SetHeight(377.95L);
    band->SetHeight(377.95L);
    tall.put(band, 0, 0);
    big->SetHeight(500);
    EXPECT_EQ(tall.faults(), "");
}
