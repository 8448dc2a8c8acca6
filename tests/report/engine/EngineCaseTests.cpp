// Data-driven engine cases: each cases/NAME.xml is prepared (with the
// datasets its NAME.data lists over cases.sql) and its dump, with every
// object's place, compared with NAME.dump; the error lines with
// NAME.errors (none when it is missing). Every case is also checked for
// faults of layout: nothing below the printable area, nothing printed over
// what it did not lie over in the design.
// DORVAK_UPDATE_GOLDEN=1 writes the files instead of comparing.
#include <gtest/gtest.h>

#include <QtGlobal>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "EngineTestUtil.h"
#include "LayoutCheck.h"
#include "Watchdog.h"
#include "rpRes.h"

using namespace engine_test;

namespace {

// DORVAK_ENGINE_CASES names another folder of cases to check (reports
// being tried out before they become cases of their own).
std::string casesFolder()
{
    const char* other = std::getenv("DORVAK_ENGINE_CASES");
    return other && *other ? std::string(other) : testData("engine/cases");
}

std::vector<std::string> caseNames()
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(casesFolder()))
        if (entry.path().extension() == ".xml") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

Datasets readDatasets(const std::string& file)
{
    Datasets out;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (line.empty() || line[0] == '#' || eq == std::string::npos) continue;
        out.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return out;
}

void writeFile(const std::string& name, const std::string& text)
{
    std::ofstream out(name, std::ios::binary);
    out << text;
}

class EngineCase : public ::testing::TestWithParam<std::string> {};

}  // namespace

TEST_P(EngineCase, DumpMatches)
{
    // Error lines read as the program shows them.
    LoadReportStringTable();
    const std::string base = casesFolder() + "/" + GetParam();
    CasesDatabase database;
    const Datasets datasets = readDatasets(base + ".data");
    Prepared run(base + ".xml", database.path, datasets);
    {
        // No case may hang the engine.
        Watchdog watchdog(60, GetParam());
        run.prepare();
    }
    const std::string dump = DumpPreparedPages(run.pages(), true);
    const std::string errors = run.errors();
    for (const std::string& fault : layoutFaults(*run.report, run.pages())) ADD_FAILURE() << fault;
    if (qEnvironmentVariableIsSet("DORVAK_UPDATE_GOLDEN")) {
        writeFile(base + ".dump", dump);
        if (!errors.empty()) writeFile(base + ".errors", errors);
        return;
    }
    EXPECT_EQ(dump, order_lines::readText(base + ".dump"));
    const std::string expectedErrors =
        std::filesystem::exists(base + ".errors") ? order_lines::readText(base + ".errors") : std::string();
    EXPECT_EQ(errors, expectedErrors);
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineCase, ::testing::ValuesIn(caseNames()),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });
