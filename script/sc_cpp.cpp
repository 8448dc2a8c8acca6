#include "sc_cpp.h"

#include <string>
#include <string_view>

#include "sc_tools.h"

extern const std::string_view scGrammarCppScript;

void scRegisterCppScript()
{
    scRegisterLanguage("C++Script", std::string(scGrammarCppScript));
}
