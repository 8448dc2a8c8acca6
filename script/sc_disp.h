#pragma once
// OLE late binding: members of a dispatch object (a Variant of the dispatch
// kind) reached with member syntax are called through IDispatchObject at
// run time. Nothing about them is known when the script compiles.

#include <functional>
#include <memory>
#include <string>

#include "sc_classes.h"

class TscOLEHelper : public TscCustomHelper {
public:
    explicit TscOLEHelper(std::string name);
    // A method call or a property read; a result is asked for only when the
    // caller uses it (NeedResult).
    Variant GetValue() override;
    // A property write: the value goes as the named property-put argument.
    void SetValue(const Variant& value) override;

private:
    Variant invoke(uint16_t flags, const Variant* putValue);
};

// A member helper for the program builder, and one more argument slot of it.
std::unique_ptr<TscCustomVariable> scMakeOleHelper(const std::string& name);
void scAddOleParameter(TscCustomVariable* helper);

// The platform's text for an HRESULT ("Unknown name" for 80020006).
std::string scOleErrorText(int32_t code);
// "OLE error 80020009: Open: Exception occurred", then, for each part the
// exception information has, a line "Source        ::  ...",
// "Description ::  ..." or "Help File     ::  ...".
std::string scOleErrorMessage(int32_t code, const std::string& member, const TDispExcepInfo& info);

// The named factories CreateOleObject consults (none in the product; tests
// register mock objects). Registering a name again replaces its factory.
using TscOleFactory = std::function<IDispatchObject*()>;
void scRegisterOleClass(const std::string& progId, TscOleFactory factory);
void scUnregisterOleClass(const std::string& progId);
// A new object of the named class as a dispatch Variant; an unknown name
// raises EOleSysError "Invalid class string".
Variant scCreateOleObject(const std::string& progId);
