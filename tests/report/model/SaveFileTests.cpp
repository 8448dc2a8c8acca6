// Report files and style sheets are saved whole or not at all: a save cut
// short by a full disk or a kill leaves the old file, and says which file
// and why.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "FailingWrites.h"
#include "ModelTestUtil.h"
#include "rpMemo.h"
#include "rpStyles.h"

using namespace model_test;

namespace {

std::string fileText(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A report large enough to pass the limit, with as many styles.
struct Big {
    TrpReport report;
    Big()
    {
        auto* page = new TrpReportPage(&report);
        page->SetName("Page1");
        for (int i = 0; i < 300; ++i) {
            auto* memo = new TrpMemoView(page);
            memo->SetName("Memo" + IntToStr(i));
            memo->SetText(u"一段不短的文字 a text long enough to fill the file");
            TrpStyleItem* style = report.Styles()->Add();
            style->SetName("Style" + IntToStr(i));
        }
    }
};

}  // namespace

TEST(SaveFile, AReportOrStyleSheetCutShortLeavesTheOldFile)
{
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "model_cut_saves";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    Big big;
    const std::pair<std::string, std::function<void(const std::string&)>> saves[] = {
        {"report.xml", [&](const std::string& name) { big.report.SaveToFile(name); }},
        {"styles.xml", [&](const std::string& name) { big.report.Styles()->SaveToFile(name); }},
    };
    using failing_writes::Limit;
    for (const auto& entry : saves) {
        const std::string& file = entry.first;
        const std::function<void(const std::string&)>& save = entry.second;
        const std::string name = (folder / file).string();
        std::ofstream(name, std::ios::binary) << "<old/>";
        const failing_writes::Outcome full = failing_writes::SaveInChild([&] { save(name); }, 8192, Limit::Fails);
        EXPECT_EQ(full.message, "Cannot write file \"" + name + "\". File too large") << file;
        EXPECT_EQ(fileText(name), "<old/>") << file;
        const failing_writes::Outcome killed = failing_writes::SaveInChild([&] { save(name); }, 8192, Limit::Kills);
        EXPECT_EQ(killed.signal, SIGXFSZ) << file;
        EXPECT_EQ(fileText(name), "<old/>") << file;
        save(name);
        EXPECT_GT(fileText(name).size(), 8192u) << file;
    }
    std::filesystem::remove_all(folder);
}
