// The prepared-report file as a file: it brings pages and the few report
// settings it stores, nothing else of a report, and its saves replace the
// old file only once complete.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "FailingWrites.h"
#include "PreparedTestUtil.h"
#include "rpDataSets.h"
#include "rpEngine.h"

using namespace prepared_test;

namespace {

std::string fileText(const std::filesystem::path& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A file of two pages whose report element carries, besides its four
// settings, what a report file would: a script, handlers, datasets.
std::string Planted()
{
    Sheet s;
    s.fill(2, 2);
    std::string file = rppText(s.pages());
    const size_t from = file.find("<TrpReport ");
    const size_t to = file.find("/>", from);
    EXPECT_NE(from, std::string::npos);
    file.replace(from, to - from,
                 "<TrpReport DotMatrixReport=\"1\" PreviewOptions.OutlineVisible=\"1\" "
                 "PreviewOptions.OutlineWidth=\"321\" ReportOptions.Name=\"来自邮件\" "
                 "ScriptLanguage=\"BasicScript\" ScriptText.Text=\"begin&#13;&#10;  Planted;&#13;&#10;end.\" "
                 "OnStartReport=\"Planted\" OnStopReport=\"Planted\" DataSetName=\"Other\" "
                 "EngineOptions.DoublePass=\"1\" EngineOptions.TempDir=\"/tmp/planted\" PreviewOptions.Modal=\"0\" "
                 "PrintOptions.Printer=\"Elsewhere\" ReportOptions.Password=\"x\" IniFile=\"/tmp/planted.ini\" "
                 "PropData=\"08446174617365747301010C19000000446174615365744E616D653D22506C616E74656444617461220000\"");
    return file;
}

}  // namespace

TEST(PreparedReportFile, AFileSetsOnlyTheSettingsItStoresNeverTheScriptOrDatasets)
{
    Sheet s;
    TrpReport& report = *s.report;
    report.ScriptText()->SetText("procedure Own(Sender: TrpComponent);\r\nbegin\r\nend;\r\n\r\nbegin\r\nend.");
    report.ScriptLanguage = "PascalScript";
    report.OnStartReport = "Own";
    const std::string script = report.ScriptText()->Text();
    const int datasets = report.DataSets()->Count();

    TStringStream in(Planted());
    s.pages().LoadFromStream(in);
    EXPECT_EQ(s.pages().GetCount(), 2);
    // The four settings a prepared report carries.
    EXPECT_TRUE(report.DotMatrixReport);
    EXPECT_TRUE(report.PreviewOptions()->OutlineVisible);
    EXPECT_EQ(report.PreviewOptions()->OutlineWidth, 321);
    EXPECT_EQ(report.ReportOptions()->Name, "来自邮件");
    // Nothing else.
    EXPECT_EQ(report.ScriptText()->Text(), script);
    EXPECT_EQ(report.ScriptLanguage, "PascalScript");
    EXPECT_EQ(report.OnStartReport, "Own");
    EXPECT_EQ(report.OnStopReport, "");
    EXPECT_EQ(report.DataSetName(), "");
    EXPECT_EQ(report.DataSets()->Count(), datasets);
    EXPECT_FALSE(report.EngineOptions()->DoublePass);
    EXPECT_EQ(report.EngineOptions()->TempDir, "");
    EXPECT_TRUE(report.PreviewOptions()->Modal);
    EXPECT_EQ(report.ReportOptions()->Password, "");
    EXPECT_EQ(report.IniFile, TrpReport::DefaultIniFile);

    // What the file set is written again, and nothing more appears.
    const std::string again = rppText(s.pages());
    EXPECT_EQ(again.find("ScriptText"), std::string::npos);
    EXPECT_NE(again.find("ReportOptions.Name=\"来自邮件\""), std::string::npos) << again.substr(0, 400);
}

TEST(PreparedReportFile, AFilesSettingsLastAsLongAsItsPages)
{
    Sheet s;
    TrpReport& report = *s.report;
    report.PreviewOptions()->OutlineWidth = 150;
    report.ReportOptions()->Name = "出库单";
    auto own = [&report] {
        EXPECT_FALSE(report.DotMatrixReport);
        EXPECT_FALSE(report.PreviewOptions()->OutlineVisible);
        EXPECT_EQ(report.PreviewOptions()->OutlineWidth, 150);
        EXPECT_EQ(report.ReportOptions()->Name, "出库单");
    };
    auto load = [&](const std::string& text) {
        TStringStream in(text);
        s.pages().LoadFromStream(in);
    };
    load(Planted());
    EXPECT_EQ(report.PreviewOptions()->OutlineWidth, 321);
    // The preview that showed it closes.
    s.pages().RestoreReportSettings();
    own();
    // Another file, without settings of its own.
    load(Planted());
    std::string bare = Planted();
    bare.erase(bare.find("<report>"), bare.find("</report>") + 9 - bare.find("<report>"));
    load(bare);
    own();
    // The pages go: a new run, or the preview's clear.
    load(Planted());
    s.pages().Clear();
    own();
}

TEST(PreparedReportFile, SettingsOutOfRangeRefuseTheFileAndLeaveTheReport)
{
    const std::string longName(1001, 'n');
    const std::pair<std::string, std::string> cases[] = {
        {"PreviewOptions.OutlineWidth=\"321\"", "PreviewOptions.OutlineWidth=\"2147483647\""},
        {"PreviewOptions.OutlineWidth=\"321\"", "PreviewOptions.OutlineWidth=\"-5\""},
        {"PreviewOptions.OutlineVisible=\"1\"", "PreviewOptions.OutlineVisible=\"7\""},
        {"DotMatrixReport=\"1\"", "DotMatrixReport=\"yes\""},
        {"ReportOptions.Name=\"来自邮件\"", "ReportOptions.Name=\"" + longName + "\""},
    };
    for (const auto& [from, to] : cases) {
        Sheet s;
        s.report->PreviewOptions()->OutlineWidth = 150;
        std::string file = Planted();
        file.replace(file.find(from), from.size(), to);
        const std::string attribute = to.substr(0, to.find('='));
        TStringStream in(file);
        try {
            s.pages().LoadFromStream(in);
            ADD_FAILURE() << to.substr(0, 60) << ": loaded";
        } catch (const TrpInvalidXMLException& e) {
            const std::string message = e.what();
            EXPECT_EQ(message.rfind("Invalid file format: ", 0), 0u) << message;
            EXPECT_NE(message.find(attribute), std::string::npos) << message;
        }
        EXPECT_FALSE(s.report->DotMatrixReport) << attribute;
        EXPECT_FALSE(s.report->PreviewOptions()->OutlineVisible) << attribute;
        EXPECT_EQ(s.report->PreviewOptions()->OutlineWidth, 150) << attribute;
        EXPECT_EQ(s.report->ReportOptions()->Name, "") << attribute;
    }
}

TEST(PreparedReportFile, AFileOfMorePagesThanAnyReportMakesIsRefused)
{
    // Ten million empty pages took 3.7 GB to open: a page costs a few
    // hundred bytes before its objects.
    Sheet maker;
    maker.fill(1, 1);
    std::string file = rppText(maker.pages());
    const size_t at = file.find("</previewpages>");
    ASSERT_NE(at, std::string::npos);
    std::string many;
    many.reserve(8000008);
    for (int i = 0; i < 1000000; ++i) many += "<page0/>";
    file.insert(at, many);
    Sheet s;
    TStringStream in(file);
    try {
        s.pages().LoadFromStream(in);
        ADD_FAILURE() << "loaded " << s.pages().GetCount() << " pages";
    } catch (const TrpInvalidXMLException& e) {
        EXPECT_STREQ(e.what(), "Invalid file format: more than 1000000 elements in <previewpages>");
    }
}

TEST(PreparedReportFile, ItsHandlerNamesAndDrillDownsCallNothingOfTheReportShowingIt)
{
    // A file made by a report whose memo has a click handler and whose
    // pages start with a drill-down group.
    Sheet maker;
    auto* group = new TrpGroupHeader(maker.page);
    group->SetName("GroupHeader1");
    group->SetBounds(0, 0, 718, 40);
    group->DrillDown = true;
    group->DrillName = "g1";
    maker.memos[1]->OnPreviewClick = "Memo2Click";
    maker.memos[1]->OnPreviewDblClick = "Memo2Click";
    maker.start();
    maker.pages().AddPage(maker.page);
    maker.pages().AddObject(group);
    maker.row(0, 1);
    maker.pages().AddObject(maker.band);
    const std::string file = rppText(maker.pages());

    // Opened in the preview of a report that has a procedure of that name.
    Sheet s;
    s.report->ScriptText()->SetText(
        "procedure Memo2Click(Sender: TrpView; Button, Shift: Integer; var Modified: Boolean);\n"
        "begin Sender.Visible := False; Modified := True end;\nbegin end.");
    ASSERT_TRUE(s.report->PrepareScript()) << s.report->Errors.Text();
    RefreshCountingPreview preview;
    s.report->SetPreview(&preview);
    TStringStream in(file);
    s.pages().LoadFromStream(in);
    auto click = [&](Extended x, Extended y, bool dbl) {
        TrpPageClick c;
        c.X = static_cast<int>(10 * rp01cm + x);
        c.Y = static_cast<int>(10 * rp01cm + y);
        c.Click = !dbl;
        c.DoubleClick = dbl;
        s.pages().HandleObjectClick(0, c);
        return c;
    };
    for (const bool dbl : {false, true}) {
        const TrpPageClick memo = click(215, 90, dbl);
        ASSERT_TRUE(memo.Object) << dbl;
        EXPECT_EQ(memo.Object->Name(), "Memo2");
        EXPECT_FALSE(memo.Modified) << dbl;
        EXPECT_TRUE(s.pages().GetPage(0)->Objects()[1]->FindObject("Memo2")->Visible()) << dbl;
        EXPECT_FALSE(click(20, 10, dbl).Refresh) << dbl;
    }
    EXPECT_EQ(preview.refreshed, 0);
    EXPECT_TRUE(s.report->ExpandedDrillDowns.empty());
    s.report->SetPreview(nullptr);
}

TEST(PreparedReportFile, ASaveCutShortByAKillOrAFullDiskLeavesTheOldFile)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "rpp_cut_saves";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    const std::string name = (folder / "orders.rpp").string();
    {
        Sheet old;
        old.fill(1, 1);
        old.pages().SaveToFile(name);
    }
    const std::string before = fileText(name);
    Sheet s;
    s.fill(200, 10);
    auto save = [&] { s.pages().SaveToFile(name); };
    using failing_writes::Limit;
    const failing_writes::Outcome killed = failing_writes::SaveInChild(save, 20000, Limit::Kills);
    EXPECT_EQ(killed.signal, SIGXFSZ);
    EXPECT_EQ(fileText(name), before);

    const failing_writes::Outcome full = failing_writes::SaveInChild(save, 20000, Limit::Fails);
    EXPECT_EQ(full.message, "Cannot write file \"" + name + "\". File too large");
    EXPECT_EQ(fileText(name), before);
    // The old file still reads as it did.
    Sheet reread;
    reread.pages().LoadFromFile(name, true);
    EXPECT_EQ(reread.pages().GetCount(), 1);

    save();
    Sheet whole;
    whole.pages().LoadFromFile(name, true);
    EXPECT_EQ(whole.pages().GetCount(), 200);
    std::filesystem::remove_all(folder);
}

TEST(PreparedReportFile, ObjectsWithoutANameComeBackFromTheFile)
{
    // The dictionary finds source objects by name: unnamed ones go into the
    // file under a stand-in name and come back unnamed, not lost.
    Sheet s;
    s.band->SetName("");
    s.shape->SetName("");
    s.fill(2, 2);
    const std::string file = rppText(s.pages());
    Sheet loaded;
    TStringStream in(file);
    loaded.pages().LoadFromStream(in);
    ASSERT_EQ(loaded.pages().GetCount(), 2);
    // The objects of each page (a page's own name is not in the file).
    auto objects = [](TrpPreviewPages& pages, int i) {
        const std::string all = describe(*pages.GetPage(i));
        return all.substr(all.find('\n') + 1);
    };
    for (int i = 0; i < 2; ++i) EXPECT_EQ(objects(loaded.pages(), i), objects(s.pages(), i)) << "page " << i;
    EXPECT_EQ(DumpPreparedPages(loaded.pages()), DumpPreparedPages(s.pages()));
    // Saved again, the stand-ins again; the objects in memory keep no name.
    EXPECT_NE(file.find("<b2 name=\"Page0._b2\"/>"), std::string::npos);
    EXPECT_NE(rppText(loaded.pages()).find("<b2 name=\"Page0._b2\"/>"), std::string::npos);
    EXPECT_EQ(s.pages().SourcePage(0)->FindObject("_b2"), nullptr);
}
