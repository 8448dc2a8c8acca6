// Golden intermediate programs and golden errors for the corpus of every
// language. SCRIPT_UPDATE_GOLDEN=1 rewrites the golden files (review the diff!).

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

std::vector<fs::path> corpus(const fs::path& folder, const std::string& sourceExtension)
{
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().extension() == sourceExtension) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// The golden text of one program: its intermediate program, or the error
// line "unit:line:col: message" as scil prints it.
std::string golden(const fs::path& program, const std::string& language)
{
    const auto result = scMakeIL(readFile(program), language, true, {program.parent_path().string()});
    if (result.ok) return result.il;
    return (result.errorUnit.empty() ? "" : result.errorUnit + ":") + result.errorPos + ": " + result.errorMsg + "\n";
}

struct Corpus {
    const char* folder;
    const char* language;
    const char* extension;
};

void checkFolder(const Corpus& c, bool errors, size_t atLeast)
{
    scRegisterStandardLanguages();
    const bool update = std::getenv("SCRIPT_UPDATE_GOLDEN") != nullptr;
    const fs::path folder = errors ? fs::path(SCRIPT_TEST_DATA) / c.folder / "errors" : fs::path(SCRIPT_TEST_DATA) / c.folder;
    size_t checked = 0;
    for (const auto& program : corpus(folder, c.extension)) {
        fs::path expected = program;
        expected.replace_extension(errors ? ".err" : ".il");
        const bool isUnit = program.filename().string().rfind("unit_", 0) == 0;
        if (update && !isUnit) writeFile(expected, golden(program, c.language));
        if (!fs::exists(expected)) continue;  // a unit used by other programs
        const std::string actual = golden(program, c.language);
        EXPECT_EQ(actual, readFile(expected)) << program;
        ++checked;
    }
    EXPECT_GE(checked, atLeast);
}

const Corpus kPascal{"pascal", "PascalScript", ".pas"};
const Corpus kCpp{"cpp", "C++Script", ".cps"};
const Corpus kBasic{"basic", "BasicScript", ".bas"};
const Corpus kJScript{"js", "JScript", ".js"};

}  // namespace

TEST(PascalCorpus, GoldenIntermediatePrograms) { checkFolder(kPascal, false, 8); }
TEST(PascalCorpus, GoldenErrors) { checkFolder(kPascal, true, 20); }
TEST(CppCorpus, GoldenIntermediatePrograms) { checkFolder(kCpp, false, 8); }
TEST(CppCorpus, GoldenErrors) { checkFolder(kCpp, true, 15); }
TEST(BasicCorpus, GoldenIntermediatePrograms) { checkFolder(kBasic, false, 8); }
TEST(BasicCorpus, GoldenErrors) { checkFolder(kBasic, true, 15); }
TEST(JScriptCorpus, GoldenIntermediatePrograms) { checkFolder(kJScript, false, 8); }
TEST(JScriptCorpus, GoldenErrors) { checkFolder(kJScript, true, 15); }
