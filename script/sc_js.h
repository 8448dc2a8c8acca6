#pragma once
// The JScript language.

void scRegisterJScript();
