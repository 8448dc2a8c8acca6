#include "sc_basic.h"

#include <string>
#include <string_view>

#include "sc_tools.h"

extern const std::string_view scGrammarBasicScript;

void scRegisterBasicScript()
{
    scRegisterLanguage("BasicScript", std::string(scGrammarBasicScript));
}
