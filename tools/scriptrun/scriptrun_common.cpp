#include "scriptrun_common.h"

#include <sys/resource.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "CoreClasses.h"
#include "Exceptions.h"
#include "sc_classes.h"
#include "sc_tools.h"

namespace {

// For exercising the engine from the shell:
// - "function CallFunction(Name: String; Args: Variant): Variant" calls a
//   procedure of the running script by name (with a Variant array of
//   arguments), as a host callback would;
// - the classes TObject, TPersistent and TComponent (with their published
//   properties, constructors, Free and ClassName) when no module registered
//   them.
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

// Caps the address space, so that a script eating memory meets a failed
// allocation before the system's out-of-memory killer. Refused under
// AddressSanitizer, whose shadow memory needs the address space and whose
// operator new aborts where it would fail.
bool limitMemory(const char* megabytes)
{
    char* end = nullptr;
    const unsigned long long mb = std::strtoull(megabytes, &end, 10);
    if (!end || *end || mb == 0 || kAddressSanitizer) return false;
    const rlimit limit{mb << 20, mb << 20};
    return setrlimit(RLIMIT_AS, &limit) == 0;
}

// What a names-table line says of an entry (and, for a class, of its
// members): nothing that differs between two processes, such as addresses.
std::string describe(const TscCustomVariable* item)
{
    std::string text = std::to_string(item->ItemKind) + ' ' + std::to_string(item->Typ) + ' ' + item->TypeName +
                       (item->IsReadOnly ? " ro" : "") + (item->IsMacro ? " macro" : "");
    const Variant& value = item->Value;
    text += " =" + std::to_string(value.type());
    if (value.isString() || value.isNumeric() || value.isBool()) text += ':' + value.toString();
    for (int i = 0; i < item->Count(); ++i) {
        const TscParamItem* param = item->GetParam(i);
        text += " (" + param->Name + ' ' + std::to_string(param->Typ) + ' ' + param->TypeName +
                (param->IsVarParam ? " var" : "") + (param->IsOptional ? " =" + VarToStr(param->DefValue) : "") + ')';
    }
    switch (item->ItemKind) {
    case ikMethod: text += " {" + static_cast<const TscMethodHelper*>(item)->Syntax + '}'; break;
    case ikArrayHelper: text += " [" + std::to_string(static_cast<const TscArrayHelper*>(item)->Dimensions) + ']'; break;
    case ikClass: {
        const auto* record = static_cast<const TscClassVariable*>(item);
        text += " < " + record->AncestorName + (record->ClassRef ? " @" + record->ClassRef->ClassName() : "");
        if (record->DefProperty) text += " default " + record->DefProperty->Name;
        for (const auto& member : record->Members()) text += " {" + member->Name + ": " + describe(member.get()) + '}';
        break;
    }
    default: break;
    }
    return text;
}

}  // namespace

int parseScriptRunArguments(int argc, char** argv, ScriptRunOptions& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--lang" || arg == "-l") && i + 1 < argc) {
            options.language = argv[++i];
        } else if (arg == "--report" && i + 1 < argc) {
            options.reportFile = argv[++i];
        } else if (arg == "-I" && i + 1 < argc) {
            options.includePath.push_back(argv[++i]);
        } else if (arg == "--memory-limit" && i + 1 < argc) {
            if (!limitMemory(argv[++i])) {
                std::fputs("scriptrun: cannot cap the memory\n", stderr);
                return 1;
            }
        } else if (options.file.empty() && !arg.empty() && arg[0] != '-') {
            options.file = arg;
        } else {
            return usage();
        }
    }
    if (options.file.empty()) return usage();
    return -1;
}

bool readScriptFile(const std::string& file, std::string& source)
{
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "scriptrun: cannot open %s: %s\n", file.c_str(), std::strerror(errno));
        return false;
    }
    source.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (source.compare(0, 3, "\xEF\xBB\xBF") == 0) source.erase(0, 3);
    return true;
}

std::vector<std::string> splitScriptLines(const std::string& text)
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

void printLine(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
}

void StdoutUi::ShowMessage(const std::string& text)
{
    printLine(text);
}

void registerToolModule()
{
    scRTTIModules()->Add(scpRichText + 1, "scriptrun", &scModuleFactory<ToolFunctions>);
}

void registerWindowlessScriptSystem()
{
    registerCoreClasses();
    scRegisterStandardLanguages();
    scRegisterWindowlessModules();
    registerToolModule();
}

void prepareScript(TscScript& script, const ScriptRunOptions& options, const std::string& source)
{
    script.ExtendedCharset = 1;
    script.SyntaxType = options.language;
    script.IncludePath = options.includePath;
    const auto slash = options.file.find_last_of('/');
    script.IncludePath.push_back(slash == std::string::npos ? std::string() : options.file.substr(0, slash));
    script.Lines = splitScriptLines(source);
}

int runScript(TscScript& script, const std::function<bool()>& compile)
{
    try {
        script.AddRTTI();
        if (!compile()) {
            printLine((script.ErrorUnit.empty() ? "" : script.ErrorUnit + ":") + script.ErrorPos + ": " +
                      script.ErrorMsg);
            return 2;
        }
        script.Execute();
        return 0;
    } catch (const std::exception& e) {
        printLine(std::string(ExceptionClassName(e)) + ": " + e.what());
        return 3;
    }
}

std::vector<std::string> namesTable(const TscScript& script)
{
    std::vector<std::string> lines;
    for (int i = 0; i < script.Count(); ++i)
        lines.push_back(scUpperName(script.ItemName(i)) + '\t' + describe(script.Items(i)));
    return lines;
}
