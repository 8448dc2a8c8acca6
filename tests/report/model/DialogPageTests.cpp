// Dialog pages: what they store in report files, their form, the events
// that run the report's handlers, and the dialog components and controls.
#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "rpDesignView.h"

using namespace model_test;

namespace {

const char* const kDialogReport =
    "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
    "<TrpReport><TrpDialogPage Name=\"DialogPage1\" Caption=\"请选择日期\" Height=\"240\" Left=\"200\" Top=\"150\" "
    "Width=\"360\" OnShow=\"DialogPage1OnShow\"/></TrpReport>";

// The attributes of the first element of that name in saved report XML.
std::string element(const std::string& xml, const std::string& name)
{
    const size_t at = xml.find("<" + name + " ");
    if (at == std::string::npos) return std::string();
    return xml.substr(at, xml.find('>', at) - at);
}

}  // namespace

TEST(DialogPageStorage, StoredPropertiesSurviveLoadAndSave)
{
    TrpReport report;
    loadXml(report, kDialogReport);
    ASSERT_EQ(report.Errors.Count(), 0) << report.Errors.Text();
    auto* page = dynamic_cast<TrpDialogPage*>(report.FindObject("DialogPage1"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Caption, "请选择日期");
    EXPECT_EQ(page->OnShow, "DialogPage1OnShow");

    const std::string saved = element(saveXml(report), "TrpDialogPage");
    for (const char* attribute : {"Name=\"DialogPage1\"", "Caption=\"请选择日期\"", "Height=\"240\"", "Left=\"200\"",
                                  "Top=\"150\"", "Width=\"360\"", "OnShow=\"DialogPage1OnShow\""})
        EXPECT_NE(saved.find(attribute), std::string::npos) << attribute << " missing from " << saved;

    // And once more through a second report: nothing drifts.
    TrpReport again;
    loadXml(again, saveXml(report));
    EXPECT_EQ(element(saveXml(again), "TrpDialogPage"), saved);
}

TEST(DialogPageStorage, TreeTextShowsTheGeometry)
{
    TrpReport report;
    loadXml(report, kDialogReport);
    EXPECT_NE(ReportTreeText(report).find("  TrpDialogPage DialogPage1 (200, 150, 360, 240)\n"), std::string::npos)
        << ReportTreeText(report);
}
