#pragma once
// The ini module (second in the module list): TCustomIniFile, TMemIniFile
// and TIniFile with their reads and writes, plus whole string lists as
// numbered keys (WriteTStrings/ReadTStrings), a section's values without
// names (ReadSectionValuesEx) and a whole file to and from a stream.

#include "sc_sysrtti.h"

class TscIniModule : public TscRTTIModule {
public:
    explicit TscIniModule(TscScript* script);
};

// Adds the module at its place in the module list (the ini classes come
// with registerCoreClasses).
void scRegisterIniModule();
