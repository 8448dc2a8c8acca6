#include "sc_js.h"

#include <string>
#include <string_view>

#include "sc_tools.h"

extern const std::string_view scGrammarJScript;

void scRegisterJScript()
{
    scRegisterLanguage("JScript", std::string(scGrammarJScript));
}
