// Golden intermediate programs and golden errors for the PascalScript corpus.
// SCRIPT_UPDATE_GOLDEN=1 rewrites the golden files (review the diff!).

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "sc_ilparser.h"
#include "sc_tools.h"

namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::vector<fs::path> corpus(const fs::path& folder)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == ".pas") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The golden text of one program: its intermediate program, or the error
// line "unit:line:col: message" as scil prints it.
std::string golden(const fs::path& program)
{
    const auto result =
        scMakeIL(readFile(program), "PascalScript", true, {program.parent_path().string()});
    if (result.ok) return result.il;
    return (result.errorUnit.empty() ? "" : result.errorUnit + ":") + result.errorPos + ": " + result.errorMsg + "\n";
}

void checkFolder(const fs::path& folder, const char* extension, size_t atLeast)
{
    scRegisterStandardLanguages();
    const bool update = std::getenv("SCRIPT_UPDATE_GOLDEN") != nullptr;
    size_t checked = 0;
    for (const auto& program : corpus(folder)) {
        fs::path expected = program;
        expected.replace_extension(extension);
        if (!update && !fs::exists(expected)) continue;  // a unit used by other programs
        const std::string actual = golden(program);
        if (update && (fs::exists(expected) || program.filename().string().rfind("unit_", 0) != 0)) {
            writeFile(expected, actual);
        }
        EXPECT_EQ(actual, readFile(expected)) << program;
        ++checked;
    }
    EXPECT_GE(checked, atLeast);
}

}  // namespace

TEST(PascalCorpus, GoldenIntermediatePrograms)
{
    checkFolder(fs::path(SCRIPT_TEST_DATA) / "pascal", ".il", 8);
}

TEST(PascalCorpus, GoldenErrors)
{
    checkFolder(fs::path(SCRIPT_TEST_DATA) / "pascal" / "errors", ".err", 20);
}
