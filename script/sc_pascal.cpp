#include "sc_pascal.h"

#include <string>
#include <string_view>

#include "sc_tools.h"

extern const std::string_view scGrammarPascalScript;

void scRegisterPascalScript()
{
    scRegisterLanguage("PascalScript", std::string(scGrammarPascalScript));
}
