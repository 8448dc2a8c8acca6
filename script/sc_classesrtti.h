#pragma once
// The classes module (third in the module list): file and seek constants,
// TDuplicates and TPrinterOrientation, and the classes TObject,
// TPersistent, TCollectionItem, TCollection, TList, TStrings, TStringList,
// TStream, TFileStream, TMemoryStream, TComponent, TscXMLItem and
// TscXMLDocument with the members scripts call by hand; their published
// properties come from the registry.

#include "sc_sysrtti.h"

class TscClassesModule : public TscRTTIModule {
public:
    explicit TscClassesModule(TscScript* script);
};

// Registers the script XML classes with the registry and adds the module
// at its place in the module list (after registerCoreClasses).
void scRegisterClassesModule();
