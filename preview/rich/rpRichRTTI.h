#pragma once
// The rich-text script module (eighth in the module list): the engine class
// TReRichEdit, seen by scripts as a windowed control, and the rich-text
// object with its engine as the read-only property RichEdit.

#include "sc_sysrtti.h"

class TrpRichRTTI : public TscRTTIModule {
public:
    explicit TrpRichRTTI(TscScript* script);
};

// What the start-up routine hands to registerScriptModules as its
// richText module: {.report = ..., .richText = &scModuleFactory<TrpRichRTTI>}.
inline constexpr TscRTTIModuleFactory rpRichScriptModule = &scModuleFactory<TrpRichRTTI>;
