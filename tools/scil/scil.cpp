// scil: compiles a script source file to its intermediate program.
//   scil [-l Language] [-a] [-I folder]... file
// Writes the intermediate program to standard output, or "line:col: message"
// (with the unit name in front for an error inside a used unit) to standard
// error and exits with 1 (as for a file it cannot read). -a keeps identifiers ASCII (no extended charset).
// Used units are searched in the -I folders, then beside the file.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "../common/ToolOutput.h"
#include "Exceptions.h"
#include "sc_ilparser.h"
#include "sc_tools.h"

static int usage()
{
    std::fputs("usage: scil [-l Language] [-a] [-I folder]... file\n", stderr);
    return 2;
}

int main(int argc, char** argv)
{
    std::string language = "PascalScript";
    bool extended = true;
    std::string file;
    std::vector<std::string> includePath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-l" && i + 1 < argc) {
            language = argv[++i];
        } else if (arg == "-I" && i + 1 < argc) {
            includePath.push_back(argv[++i]);
        } else if (arg == "-a") {
            extended = false;
        } else if (file.empty() && !arg.empty() && arg[0] != '-') {
            file = arg;
        } else {
            return usage();
        }
    }
    if (file.empty()) return usage();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "scil: cannot open %s: %s\n", file.c_str(), std::strerror(errno));
        return 1;
    }
    const auto slash = file.find_last_of('/');
    includePath.push_back(slash == std::string::npos ? std::string() : file.substr(0, slash));
    const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    try {
        scRegisterStandardLanguages();
        const TscILResult result = scMakeIL(source, language, extended, includePath);
        if (!result.ok) {
            const std::string where = result.errorUnit.empty() ? result.errorPos : result.errorUnit + ":" + result.errorPos;
            std::fprintf(stderr, "%s: %s\n", where.c_str(), result.errorMsg.c_str());
            return 1;
        }
        std::fwrite(result.il.data(), 1, result.il.size(), stdout);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "scil: %s\n", e.what());
        return 1;
    }
    return FinishStandardOutput("scil", 0);
}
