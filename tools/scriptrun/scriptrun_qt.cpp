// scriptrun_qt: scriptrun with every registration module and the Qt
// application, which scriptrun starts in its place for a script that names
// a window, dialog or graphics item, uses a unit, or runs as a report's
// script (--report). Its command line is scriptrun's.
//
// Boxes and dialogs are answered from the script file named by
// DORVAK_UI_SCRIPT; without a display and without that file each one is
// refused (logged to standard error and cancelled), so that nothing waits
// for a person. With --report the script runs as that report's script:
// the report classes module, the report's objects by name, Report, Engine,
// Outline and the report's functions are there, and messages come from the
// report's string table; a report that cannot be read exits with 1 (its
// errors on standard error).
//
// "scriptrun_qt --window-names FILE" (run by the build) writes FILE, a C++
// source with the names only this registration serves: the global names
// whose entries are not in scriptrun's own registration, as they are.

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include <QApplication>

#include "../common/ToolOutput.h"
#include "scriptrun_common.h"
#include "ScriptedUiServices.h"
#include "rpReport.h"
#include "rpStartup.h"

namespace {

// Forms and dialogs need an application object; without a display it is
// an offscreen one whose boxes are refused unless a UI script answers them.
std::unique_ptr<gui::UiServices> startGui(int& argc, char** argv, std::unique_ptr<QApplication>& app)
{
    const bool headless = qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (headless && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QApplication>(argc, argv);
    std::unique_ptr<gui::UiServices> services(gui::installFromEnvironment());
    if (!services && qgetenv("QT_QPA_PLATFORM") == "offscreen") {
        auto* refusing = new gui::ScriptedUiServices;
        refusing->setFailureHandler([](const QString& line) { std::fprintf(stderr, "[ui] %s\n", qPrintable(line)); });
        services.reset(refusing);
        gui::setUi(refusing);
    }
    return services;
}

// The names table of scriptrun's own registration, made in a child
// process (registrations are for the life of a process).
bool windowlessTable(std::set<std::string>& lines)
{
    int fds[2];
    if (pipe(fds) != 0) return false;
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        close(fds[0]);
        registerWindowlessScriptSystem();
        TscScript script;
        script.AddRTTI();
        std::string text;
        for (const std::string& line : namesTable(script)) text += line + '\n';
        for (size_t at = 0; at < text.size();) {
            const ssize_t n = write(fds[1], text.data() + at, text.size() - at);
            if (n <= 0) _exit(1);
            at += static_cast<size_t>(n);
        }
        _exit(0);
    }
    close(fds[1]);
    std::string text;
    char buffer[65536];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
    close(fds[0]);
    int status = 0;
    if (waitpid(child, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        lines.insert(text.substr(at, end - at));
        at = end + 1;
    }
    return true;
}

int writeWindowNames(const std::string& file)
{
    std::set<std::string> windowless;
    if (!windowlessTable(windowless) || windowless.size() < 100) {
        std::fputs("scriptrun_qt: the windowless registration could not be listed\n", stderr);
        return 1;
    }
    registerReportSystem({.reportScripts = false});
    registerToolModule();
    TscScript script;
    script.AddRTTI();
    std::set<std::string> names;
    for (const std::string& line : namesTable(script))
        if (!windowless.count(line)) names.insert(line.substr(0, line.find('\t')));
    std::string text = "// Written by scriptrun_qt --window-names: the names only it serves.\n"
                       "#include <cstddef>\n#include <string_view>\n\n"
                       "extern const std::string_view kWindowNames[];\nextern const size_t kWindowNameCount;\n"
                       "const std::string_view kWindowNames[] = {\n";
    for (const std::string& name : names) text += "    \"" + name + "\",\n";
    text += "};\nconst size_t kWindowNameCount = std::size(kWindowNames);\n";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    return out.good() ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--window-names") return writeWindowNames(argv[2]);
    ScriptRunOptions options;
    if (const int status = parseScriptRunArguments(argc, argv, options); status >= 0) return status;

    std::unique_ptr<QApplication> app;
    const std::unique_ptr<gui::UiServices> services = startGui(argc, argv, app);
    std::string source;
    if (!readScriptFile(options.file, source)) return 1;

    StdoutUi ui;
    scSetScriptUi(&ui);
    // The report classes (and the report's messages) only for a report's
    // script: plain scripts keep their own names, such as Sum and Max.
    registerReportSystem({.reportScripts = !options.reportFile.empty()});
    registerToolModule();

    TscScript ownScript;
    std::unique_ptr<TrpReport> report;
    if (!options.reportFile.empty()) {
        report = std::make_unique<TrpReport>();
        report->EngineOptions()->NewSilentMode = simSilent;
        const bool loaded = report->LoadFromFile(options.reportFile);
        for (int i = 0; i < report->Errors.Count(); ++i)
            std::fprintf(stderr, "scriptrun: %s\n", report->Errors.Strings(i).c_str());
        if (!loaded || report->Errors.Count() > 0) {
            if (!loaded) std::fprintf(stderr, "scriptrun: cannot open %s: %s\n", options.reportFile.c_str(), std::strerror(ENOENT));
            return 1;
        }
    }
    TscScript& script = report ? *report->Script() : ownScript;
    prepareScript(script, options, source);
    const int status = runScript(script, [&] {
        if (!report) return script.Compile();
        // The report fills its script with its objects and functions, then
        // compiles the file's text as its own.
        report->ScriptLanguage = options.language;
        report->ScriptText()->SetText(source);
        return report->PrepareScript();
    });
    scSetScriptUi(nullptr);
    gui::setUi(nullptr);
    return FinishStandardOutput("scriptrun", status);
}
