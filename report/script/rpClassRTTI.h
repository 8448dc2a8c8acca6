#pragma once
// The report classes as scripts see them (module 7): the report's unit
// constants and cursors, the enumerations and sets of report properties,
// the report, page, band, view, dataset, variable, style, engine and
// outline classes with the members their published properties do not
// give, the global variables as "rpGlobalVariables", and DayOf, MonthOf,
// YearOf, IIF and the aggregate functions.
//
// The start-up routine plugs it in at its place:
//     registerScriptModules({.report = &scModuleFactory<TrpClassRTTI>});
// IIF and the aggregates answer 0 here; a report's preparation registers
// the working versions into its script afterwards, and those are found
// first.

#include <memory>
#include <unordered_map>

#include "sc_sysrtti.h"

class TList;
class TrpComponent;

class TrpClassRTTI final : public TscRTTIModule {
public:
    explicit TrpClassRTTI(TscScript* script);
    ~TrpClassRTTI() override;

private:
    // The list that Objects (or AllObjects) of a component hands to the
    // script: one per component and kind, refilled at every read, owned
    // here so that it lives as long as the script.
    TList* childList(TrpComponent& component, bool all);

    std::unordered_map<ObjectHandle, std::unique_ptr<TList>> lists_[2];
};
