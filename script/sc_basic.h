#pragma once
// The BasicScript language.

void scRegisterBasicScript();
