// scriptrun: runs a script file with every registration module.
//   scriptrun [--lang Language] [-I folder]... [--memory-limit MB] [--report REPORT.xml] file
// ShowMessage writes its text as a line to standard output. A compile
// error prints "line:col: message" (the unit name in front for an error
// inside a used unit) and exits with 2; an uncaught run-time error prints
// "ClassName: message" and exits with 3. A file or a report that cannot be
// read exits with 1, a wrong command line with 2. --memory-limit caps the
// process's address space (refused, exit 1, under AddressSanitizer).
//
// This program knows no window system: it runs, itself, a script that
// names none of the window, dialog and graphics items and uses no unit,
// with the modules that need no window system, which serve such a script
// exactly as the whole registration does. Any other script, and a report's
// script, it hands to scriptrun_qt beside it (the same command line), which
// has every module and the Qt application. Which names only scriptrun_qt
// serves the build learns from the two registrations themselves
// (scriptrun_window_names.cpp).

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "../common/ToolOutput.h"
#include "scriptrun_common.h"

// The upper-case global names that only scriptrun_qt's registration has or
// registers differently, sorted.
extern const std::string_view kWindowNames[];
extern const size_t kWindowNameCount;

namespace {

bool identifierByte(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c >= 0x80;
}

bool isWindowName(const std::string& upper)
{
    return std::binary_search(kWindowNames, kWindowNames + kWindowNameCount, std::string_view(upper));
}

// Whether any word of the text, in code, comments or strings alike, is
// such a name. A word that starts with digits is tried without them too.
bool namesWindowItems(const std::string& source)
{
    for (size_t i = 0; i < source.size();) {
        if (!identifierByte(static_cast<unsigned char>(source[i]))) {
            ++i;
            continue;
        }
        size_t end = i;
        while (end < source.size() && identifierByte(static_cast<unsigned char>(source[end]))) ++end;
        std::string word = scUpperName(std::string_view(source).substr(i, end - i));
        if (isWindowName(word)) return true;
        const size_t letter = word.find_first_not_of("0123456789");
        if (letter != 0 && letter != std::string::npos && isWindowName(word.substr(letter))) return true;
        i = end;
    }
    return false;
}

// Runs scriptrun_qt in this process's place with the same command line.
int handOver(char** argv)
{
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::string full = (self.parent_path() / "scriptrun_qt").string();
    std::fflush(stdout);
    argv[0] = const_cast<char*>(full.c_str());
    execv(full.c_str(), argv);
    std::fprintf(stderr, "scriptrun: cannot start %s\n", full.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    ScriptRunOptions options;
    if (const int status = parseScriptRunArguments(argc, argv, options); status >= 0) return status;
    if (!options.reportFile.empty()) return handOver(argv);
    std::string source;
    if (!readScriptFile(options.file, source)) return 1;
    if (namesWindowItems(source)) return handOver(argv);

    StdoutUi ui;
    scSetScriptUi(&ui);
    registerWindowlessScriptSystem();
    TscScript script;
    prepareScript(script, options, source);
    // A unit's text is not looked at here: a script that uses one goes to
    // scriptrun_qt before anything is printed.
    bool usesUnits = false;
    script.OnGetUnit = [&usesUnits](TscScript*, const std::string&, std::string&) { usesUnits = true; };
    const int status = runScript(script, [&] {
        const bool compiled = script.Compile();
        if (usesUnits) std::exit(handOver(argv));
        return compiled;
    });
    scSetScriptUi(nullptr);
    return FinishStandardOutput("scriptrun", status);
}
