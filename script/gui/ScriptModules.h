#pragma once
// The one start-up routine of the script registrations. After
// registerCoreClasses, registerCanvasClasses and registerPictureClasses it
// registers, in this order: the modules that need no window system (the
// event adapters, 2 ini files and 3 classes: scRegisterWindowlessModules),
// the control, form and dialog classes, and the modules 4 (dialogs),
// 5 (graphics), 6 (forms); then 7 (report classes) and 8 (rich text) when
// their libraries hand in their modules. Module 1 (system functions) is
// always first in the list.
//
// The report library plugs in like this:
//     registerScriptModules({.report = &scModuleFactory<TrpClassRTTI>});
// Its module registers the not-served IIF and aggregate functions; the
// report's preparation registers its own versions into the report's
// script later, and those are found first (the entry added last wins), so
// they shadow the module's until the preparation removes them again.

#include "sc_sysrtti.h"

struct TscLaterModules {
    TscRTTIModuleFactory report = nullptr;    // position 7
    TscRTTIModuleFactory richText = nullptr;  // position 8
};

void registerScriptModules(const TscLaterModules& later = {});
// Takes the modules off the list and the classes off the registry.
void unregisterScriptModules();

// ShowMessage of scripts as the application's information box.
class TscGuiScriptUi final : public TscScriptUi {
public:
    void ShowMessage(const std::string& text) override;
};
