// The developer tool's page drawing against a golden image of a report with
// one of each view kind, and its object tree text.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ModelTestUtil.h"
#include "ScriptedUiServices.h"
#include "SmallStack.h"
#include "rpDesignView.h"
#include "rpXML.h"

using namespace model_test;

namespace {

const std::string kViews = std::string(REPORT_TEST_DATA) + "/rpdraw_views.xml";
const std::string kGolden = std::string(REPORT_TEST_DATA) + "/rpdraw_views.png";

void loadViews(TrpReport& report)
{
    TFileStream file(kViews, fmOpenRead);
    report.LoadFromStream(file);
}

}  // namespace

TEST(DesignView, PageOfEveryViewKindMatchesTheGolden)
{
    TrpReport report;
    loadViews(report);
    ASSERT_EQ(report.Errors.Count(), 0);
    report.SetDesigning(true);
    auto* page = dynamic_cast<TrpReportPage*>(report.FindObject("Page1"));
    ASSERT_NE(page, nullptr);
    const QImage drawn = DrawPageDesign(*page, 1).convertToFormat(QImage::Format_RGB32);
    if (std::getenv("DORVAK_UPDATE_GOLDEN")) drawn.save(QString::fromStdString(kGolden));
    const QImage golden = QImage(QString::fromStdString(kGolden)).convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(drawn.size(), golden.size());
    // Glyph edges may differ a little between font rasterisers; shapes,
    // frames and pictures may not move.
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            const QRgb a = drawn.pixel(x, y), b = golden.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 64 || std::abs(qGreen(a) - qGreen(b)) > 64 ||
                std::abs(qBlue(a) - qBlue(b)) > 64)
                ++differing;
        }
    EXPECT_LT(differing, drawn.width() * drawn.height() / 2000) << "pixels off the golden: " << differing;
}

TEST(DesignView, TreeTextListsObjectsWithPositions)
{
    TrpReport report;
    loadViews(report);
    const std::string tree = ReportTreeText(report);
    EXPECT_EQ(tree.rfind("TrpReport\n  TrpDataPage Data (0, 0, 1000, 1000)\n", 0), 0u);
    EXPECT_NE(tree.find("\n      TrpMemoView OrderDate (478, 42, 240, 18) \"开单日期：2026-03-07\"\n"),
              std::string::npos);
    EXPECT_NE(tree.find("\n      TrpPictureView Picture3 (340, 0, 40, 40)\n"), std::string::npos);
}

namespace {

// A report whose page holds `levels` data bands, each inside the one before.
std::string nestedBands(int levels)
{
    std::string xml = "<TrpReport><TrpReportPage Name=\"Page1\">";
    for (int i = 0; i < levels; ++i)
        xml += "<TrpMasterData Name=\"M" + std::to_string(i) + "\" Top=\"1\" Width=\"700\" Height=\"30\">";
    for (int i = 0; i < levels; ++i) xml += "</TrpMasterData>";
    return xml + "</TrpReportPage></TrpReport>";
}

}  // namespace

TEST(DesignView, TheDeepestReportTheReaderTakesFitsASmallStack)
{
    // The report and its page take two of the levels. Loading, the tree text,
    // the list of all objects, saving and freeing all recurse a level at a
    // time: on a 512 KB stack they must all get through.
    const int deepest = TrpXMLReader::kMaxDepth - 2;
    RunOnStack(512 * 1024, [&] {
        auto report = std::make_unique<TrpReport>();
        loadXml(*report, nestedBands(deepest));
        ASSERT_EQ(report->Errors.Count(), 0);
        EXPECT_EQ(report->GetAllObjects().size(), static_cast<size_t>(deepest) + 2);  // with the page and the report
        const std::string tree = ReportTreeText(*report);
        EXPECT_NE(tree.find(std::string(2 * (deepest + 1), ' ') + "TrpMasterData M" + std::to_string(deepest - 1)),
                  std::string::npos);
        const std::string saved = saveXml(*report);
        report.reset();
        TrpReport again;
        loadXml(again, saved);
        EXPECT_EQ(again.Errors.Count(), 0);
    });

    // One level more is a damaged file, not a crash.
    gui::ScriptedUiServices ui;
    gui::ScopedUi scope(ui);
    ui.expectMessage(gui::MsgResult::Ok);
    TrpReport report;
    loadXml(report, nestedBands(deepest + 1));
    ASSERT_EQ(report.Errors.Count(), 1);
    EXPECT_EQ(report.Errors.Strings(0), "Invalid file format");
    EXPECT_EQ(ui.pending(), 0);
}
