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
