#pragma once
// What scriptrun and scriptrun_qt share: the command line, reading the
// file, the tool's own module, the registration that needs no window
// system, running a compiled script with the tool's exit codes, and the
// table of global names a registration gives.

#include <functional>
#include <string>
#include <vector>

#include "sc_interpreter.h"
#include "sc_sysrtti.h"

struct ScriptRunOptions {
    std::string language = "PascalScript";
    std::string file;
    std::string reportFile;
    std::vector<std::string> includePath;
};

// Reads the command line (and caps the memory when asked). Returns -1 to
// go on, else the status to exit with (2: a wrong command line, 1: the
// memory could not be capped).
int parseScriptRunArguments(int argc, char** argv, ScriptRunOptions& options);

// The script file's text without a UTF-8 byte order mark; false (said on
// standard error) when it cannot be read.
bool readScriptFile(const std::string& file, std::string& source);

std::vector<std::string> splitScriptLines(const std::string& text);

// ShowMessage as a line on standard output.
class StdoutUi final : public TscScriptUi {
public:
    void ShowMessage(const std::string& text) override;
};

// The tool's module (CallFunction, and TObject, TPersistent and
// TComponent where no module registered them), after the standard ones.
void registerToolModule();

// The registration of scripts that need no window system: the core
// classes, the languages, the windowless modules and the tool's module.
void registerWindowlessScriptSystem();

// The file's settings on a script: language, include folders, lines.
void prepareScript(TscScript& script, const ScriptRunOptions& options, const std::string& source);

// Adds the modules to the script, compiles it with compile() and runs it:
// 0; 2 after printing a compile error as "unit:line:col: message"; 3 after
// printing "ClassName: message" of an uncaught error.
int runScript(TscScript& script, const std::function<bool()>& compile);

// One line per entry of the script's global table, in order: the upper-case
// name, a tab, and what the entry is (kind, types, parameters, members),
// so that two registrations can be compared line by line.
std::vector<std::string> namesTable(const TscScript& script);

void printLine(const std::string& line);
