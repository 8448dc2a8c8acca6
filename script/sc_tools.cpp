#include "sc_tools.h"

#include <mutex>

#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_const.h"
#include "sc_basic.h"
#include "sc_cpp.h"
#include "sc_ilparser.h"
#include "sc_js.h"
#include "sc_pascal.h"

namespace {

struct Language {
    std::string name;
    std::string grammar;
    std::shared_ptr<const TscGrammar> compiled;
};

struct Registry {
    std::mutex mutex;
    std::vector<Language> languages;

    Language* find(const std::string& name)
    {
        for (auto& language : languages)
            if (SameText(language.name, name)) return &language;
        return nullptr;
    }
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

[[noreturn]] void notFound(const std::string& name)
{
    throw Exception(scFormatMessage(scMessages().LanguageNotFound, name));
}

}  // namespace

void scRegisterLanguage(const std::string& name, const std::string& grammar)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (Language* existing = r.find(name)) {
        if (existing->grammar == grammar) return;
        existing->grammar = grammar;
        existing->compiled.reset();
        return;
    }
    r.languages.push_back({name, grammar, nullptr});
}

std::string scGetLanguage(const std::string& name)
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (Language* language = r.find(name)) return language->grammar;
    notFound(name);
}

std::shared_ptr<const TscGrammar> scGetCompiledLanguage(const std::string& name)
{
    Registry& r = registry();
    std::string text;
    {
        std::lock_guard lock(r.mutex);
        Language* language = r.find(name);
        if (!language) notFound(name);
        if (language->compiled) return language->compiled;
        text = language->grammar;
    }
    // Compiled outside the lock; a concurrent compile of the same text is harmless.
    auto compiled = TscGrammar::Compile(text);
    std::lock_guard lock(r.mutex);
    Language* language = r.find(name);
    if (language && language->grammar == text && !language->compiled) language->compiled = compiled;
    return compiled;
}

std::vector<std::string> scLanguageNames()
{
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<std::string> names;
    for (const auto& language : r.languages) names.push_back(language.name);
    return names;
}

void scRegisterStandardLanguages()
{
    scRegisterPascalScript();
    scRegisterCppScript();
    scRegisterBasicScript();
    scRegisterJScript();
}
