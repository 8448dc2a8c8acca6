// Report and prepared-report files cut short (a failed copy, a full disk)
// are refused as "Invalid file format", never printed in part as if whole.
#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <filesystem>
#include <fstream>

#include "EngineTestUtil.h"

using namespace engine_test;

namespace {

struct ToolRun {
    int exitCode = -1;
    bool crashed = false;
    std::string out, err;
};

ToolRun tool(const char* program, const QStringList& arguments)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    p.setProcessEnvironment(env);
    p.start(program, arguments);
    ToolRun r;
    if (!p.waitForFinished(60000)) return r;
    r.exitCode = p.exitCode();
    r.crashed = p.exitStatus() != QProcess::NormalExit;
    r.out = p.readAllStandardOutput().toStdString();
    r.err = p.readAllStandardError().toStdString();
    return r;
}

void write(const std::string& file, const std::string& text)
{
    std::ofstream(file, std::ios::binary) << text;
}

// A report of the engine cases cut right after its first band's end tag:
// every tag whole, the page and the report never closed.
std::string cutReport()
{
    const std::string whole = order_lines::readText(testData("engine/cases/band_columns.xml"));
    return whole.substr(0, whole.find("</TrpMasterData>") + 16);
}

}  // namespace

TEST(CutFiles, AReportCutShortOrEmptyIsAnInvalidFileFormat)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const auto& [what, text] : {std::pair<const char*, std::string>{"cut after a band", cutReport()},
                                     {"a declaration alone", "<?xml version=\"1.0\"?>"}}) {
        const std::string file = folder.filePath("cut.xml").toStdString();
        write(file, text);
        {
            Prepared run(file);
            EXPECT_EQ(run.report->Errors.Text(), "Invalid file format: \"" + file + "\"\r\n") << what;
        }
        const ToolRun r = tool(RPPREPARE_PATH, {QString::fromStdString(file)});
        EXPECT_FALSE(r.crashed) << what;
        EXPECT_EQ(r.exitCode, 1) << what;
        EXPECT_NE(r.err.find("Invalid file format: \"" + file + "\""), std::string::npos) << what << ": " << r.err;
        EXPECT_EQ(r.out, "") << what;
    }
}

TEST(CutFiles, APreparedReportCutInsideItsFirstPageIsNotPrinted)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string rpp = folder.filePath("whole.rpp").toStdString();
    const ToolRun made = tool(RPPREPARE_PATH, {QString::fromStdString(testData("engine/cases/band_columns.xml")), "--rpp",
                                          QString::fromStdString(rpp)});
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const std::string whole = order_lines::readText(rpp);
    // After the first object element of the first page.
    const size_t page = whole.find("<previewpages");
    ASSERT_NE(page, std::string::npos);
    const size_t object = whole.find("/>", whole.find("<TrpReportPage", page));
    ASSERT_NE(object, std::string::npos);
    const std::string cut = folder.filePath("cut.rpp").toStdString();
    write(cut, whole.substr(0, object + 2));
    const std::string pdf = folder.filePath("out.pdf").toStdString();
    const ToolRun r = tool(RPPRINT_PATH, {QString::fromStdString(cut), "--file", QString::fromStdString(pdf)});
    EXPECT_FALSE(r.crashed);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("Invalid file format: \"" + cut + "\""), std::string::npos) << r.err;
    EXPECT_FALSE(std::filesystem::exists(pdf));
    // The whole file prints.
    const ToolRun good = tool(RPPRINT_PATH, {QString::fromStdString(rpp), "--file", QString::fromStdString(pdf)});
    EXPECT_EQ(good.exitCode, 0) << good.err;
    EXPECT_TRUE(std::filesystem::exists(pdf));
}
