// scriptrun: runs a script file with every registration module.
//   scriptrun [--lang Language] [-I folder]... [--memory-limit MB] [--report REPORT.xml] file
// With --report the script runs as that report's script: the report
// classes module, the report's objects by name, Report, Engine, Outline
// and the report's functions are there, and messages come from the
// report's string table.
// ShowMessage writes its text as a line to standard output. Boxes and
// dialogs are answered from the script file named by DORVAK_UI_SCRIPT;
// without a display and without that file each one is refused (logged to
// standard error and cancelled), so that nothing waits for a person. A compile
// error prints "line:col: message" (the unit name in front for an error
// inside a used unit) and exits with 2; an uncaught run-time error prints
// "ClassName: message" and exits with 3. A file or a report that cannot be
// read exits with 1 (the report's errors on standard error), a wrong command
// line with 2. --memory-limit caps the process's
// address space, so that a script eating memory meets a failed allocation
// before the system's out-of-memory killer; it is refused (exit 1) under
// AddressSanitizer, whose shadow memory needs the address space and whose
// operator new aborts where it would fail.
//
// For exercising the engine from the shell the tool adds a module of its
// own, after the standard ones:
// - "function CallFunction(Name: String; Args: Variant): Variant" calls a
//   procedure of the running script by name (with a Variant array of
//   arguments), as a host callback would;
// - the classes TObject, TPersistent and TComponent (with their published
//   properties, constructors, Free and ClassName) when no module registered
//   them.

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <QApplication>

#include <memory>

#include "Exceptions.h"
#include "StringLists.h"
#include "ScriptedUiServices.h"
#include "sc_classes.h"
#include "sc_interpreter.h"
#include "sc_sysrtti.h"
#include "sc_tools.h"
#include "rpReport.h"
#include "rpRes.h"
#include "rpStartup.h"
#include "rpXMLSerializer.h"

namespace {

class StdoutUi final : public TscScriptUi {
public:
    void ShowMessage(const std::string& text) override
    {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
    }
};

class ToolFunctions final : public TscRTTIModule {
public:
    explicit ToolFunctions(TscScript* script) : TscRTTIModule(script)
    {
        TscScript* main = script;
        script->AddMethodEx("function CallFunction(Name: String; Args: Variant): Variant",
                            [main](TObject*, const TClass*, const std::string&, TscMethodHelper* caller) {
                                return main->CallFunction(caller->GetParam(0).toString(), caller->GetParam(1));
                            });
        if (TscClassVariable* object = script->AddClass(TObject::StaticClass(), "")) {
            object->AddConstructor("constructor Create", &create);
            object->AddMethod("procedure Free", [](TObject* instance, const TClass*, const std::string&,
                                                   TscMethodHelper*) {
                delete instance;
                return Variant();
            });
            object->AddMethod("function ClassName: String", [](TObject* instance, const TClass*,
                                                               const std::string&, TscMethodHelper*) {
                return Variant(instance->ClassName());
            });
        }
        script->AddClass(TPersistent::StaticClass(), "TObject");
        if (TscClassVariable* component = script->AddClass(TComponent::StaticClass(), "TPersistent"))
            component->AddConstructor("constructor Create(AOwner: TComponent)", &create);
    }

private:
    // Makes an object of the class the script named; a component's owner
    // is the first argument.
    static Variant create(TObject*, const TClass* cls, const std::string&, TscMethodHelper* caller)
    {
        TObject* owner = caller->ParamCount() > 0 ? VariantToObject(caller->GetParam(0)) : nullptr;
        return ObjectToVariant(cls->Create(owner));
    }
};

void print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

int usage()
{
    std::fputs("usage: scriptrun [--lang Language] [-I folder]... [--memory-limit MB] [--report REPORT.xml] file\n",
               stderr);
    return 2;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

bool limitMemory(const char* megabytes)
{
    char* end = nullptr;
    const unsigned long long mb = std::strtoull(megabytes, &end, 10);
    if (!end || *end || mb == 0 || kAddressSanitizer) return false;
    const rlimit limit{mb << 20, mb << 20};
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (end == text.size()) break;
        start = end + 1;
    }
    return lines;
}

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

}  // namespace

int main(int argc, char** argv)
{
    std::unique_ptr<QApplication> app;
    const std::unique_ptr<gui::UiServices> services = startGui(argc, argv, app);
    std::string language = "PascalScript";
    std::string file;
    std::string reportFile;
    std::vector<std::string> includePath;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--lang" || arg == "-l") && i + 1 < argc) {
            language = argv[++i];
        } else if (arg == "--report" && i + 1 < argc) {
            reportFile = argv[++i];
        } else if (arg == "-I" && i + 1 < argc) {
            includePath.push_back(argv[++i]);
        } else if (arg == "--memory-limit" && i + 1 < argc) {
            if (!limitMemory(argv[++i])) {
                std::fputs("scriptrun: cannot cap the memory\n", stderr);
                return 1;
            }
        } else if (file.empty() && !arg.empty() && arg[0] != '-') {
            file = arg;
        } else {
            return usage();
        }
    }
    if (file.empty()) return usage();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "scriptrun: cannot open %s\n", file.c_str());
        return 1;
    }
    std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (source.compare(0, 3, "\xEF\xBB\xBF") == 0) source.erase(0, 3);
    const auto slash = file.find_last_of('/');
    includePath.push_back(slash == std::string::npos ? std::string() : file.substr(0, slash));

    StdoutUi ui;
    scSetScriptUi(&ui);
    // The report classes (and the report's messages) only for a report's
    // script: plain scripts keep their own names, such as Sum and Max.
    registerReportSystem({.reportScripts = !reportFile.empty()});
    scRTTIModules()->Add(scpRichText + 1, "scriptrun", &scModuleFactory<ToolFunctions>);

    TscScript ownScript;
    std::unique_ptr<TrpReport> report;
    if (!reportFile.empty()) {
        report = std::make_unique<TrpReport>();
        report->EngineOptions()->NewSilentMode = simSilent;
        const bool loaded = report->LoadFromFile(reportFile);
        for (int i = 0; i < report->Errors.Count(); ++i)
            std::fprintf(stderr, "scriptrun: %s\n", report->Errors.Strings(i).c_str());
        if (!loaded || report->Errors.Count() > 0) {
            if (!loaded) std::fprintf(stderr, "scriptrun: cannot open %s\n", reportFile.c_str());
            return 1;
        }
    }
    TscScript& script = report ? *report->Script() : ownScript;
    script.ExtendedCharset = 1;
    script.SyntaxType = language;
    script.IncludePath = includePath;
    script.Lines = splitLines(source);
    int status = 0;
    try {
        script.AddRTTI();
        bool compiled = false;
        if (report) {
            // The report fills its script with its objects and functions,
            // then compiles the file's text as its own.
            report->ScriptLanguage = language;
            report->ScriptText()->SetText(source);
            compiled = report->PrepareScript();
        } else {
            compiled = script.Compile();
        }
        if (!compiled) {
            print((script.ErrorUnit.empty() ? "" : script.ErrorUnit + ":") + script.ErrorPos + ": " + script.ErrorMsg);
            status = 2;
        } else {
            script.Execute();
        }
    } catch (const std::exception& e) {
        print(std::string(ExceptionClassName(e)) + ": " + e.what());
        status = 3;
    }
    std::fflush(stdout);
    scSetScriptUi(nullptr);
    gui::setUi(nullptr);
    return status;
}
