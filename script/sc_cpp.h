#pragma once
// The C++Script language.

void scRegisterCppScript();
