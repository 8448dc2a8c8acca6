#pragma once
// The PascalScript language.

void scRegisterPascalScript();
