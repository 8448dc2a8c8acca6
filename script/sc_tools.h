#pragma once
// The language registry: each script language is one grammar (XML text)
// registered under its name. Names are compared ignoring case.

#include <memory>
#include <string>
#include <vector>

class TscGrammar;

// Stores the grammar; an existing entry of that name is replaced.
void scRegisterLanguage(const std::string& name, const std::string& grammar);
// The grammar text; raises "Language '%s' not found".
std::string scGetLanguage(const std::string& name);
// The grammar compiled once per registration; raises like scGetLanguage,
// and "Invalid language definition" for a grammar that cannot be read.
std::shared_ptr<const TscGrammar> scGetCompiledLanguage(const std::string& name);
// Registered names in registration order.
std::vector<std::string> scLanguageNames();

// Registers the languages built into the engine. Called once from start-up
// (and by tests); calling it again changes nothing.
void scRegisterStandardLanguages();
