// OLE late binding over IDispatchObject, and CreateOleObject's registry.

#include "sc_disp.h"

#include <mutex>
#include <unordered_map>

#include "CodePages.h"
#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_const.h"

TscOLEHelper::TscOLEHelper(std::string name) : TscCustomHelper(std::move(name), fvtVariant, std::string())
{
    ItemKind = ikOle;
}

Variant TscOLEHelper::GetValue()
{
    return invoke(NeedResult ? IDispatchObject::Method | IDispatchObject::PropertyGet : IDispatchObject::Method,
                  nullptr);
}

void TscOLEHelper::SetValue(const Variant& value)
{
    invoke(IDispatchObject::PropertyPut, &value);
}

Variant TscOLEHelper::invoke(uint16_t flags, const Variant* putValue)
{
    IDispatchObject* object = ParentValue.toDispatch();
    if (!object) throw EObjectReferenceError(scMessages().InvalidObjectReference);
    // Keep the object alive through the call even if the script drops it.
    const Variant keep = ParentValue;
    int32_t dispId = 0;
    const int32_t found = object->GetIDsOfNames(Utf8ToUtf16(Name), dispId);
    if (found < 0) throw EOleError(scOleErrorMessage(found, Name, TDispExcepInfo()));

    // The last argument first; a put value leads, named as the put.
    const int count = Count();
    std::vector<Variant> block;
    block.reserve(static_cast<size_t>(count) + 1);
    if (putValue) block.push_back(*putValue);
    for (int i = count - 1; i >= 0; --i) block.push_back(GetParam(i)->Value);
    const int32_t putId = IDispatchObject::DispIdPropertyPut;
    const std::span<const int32_t> named = putValue ? std::span<const int32_t>(&putId, 1) : std::span<const int32_t>();

    Variant result;
    TDispExcepInfo info;
    const bool wantResult = (flags & IDispatchObject::PropertyGet) != 0;
    const int32_t code = object->Invoke(dispId, flags, block, named, wantResult ? &result : nullptr, info);
    if (code < 0) throw EOleException(scOleErrorMessage(code, Name, info));
    return result;
}

std::unique_ptr<TscCustomVariable> scMakeOleHelper(const std::string& name)
{
    return std::make_unique<TscOLEHelper>(name);
}

void scAddOleParameter(TscCustomVariable* helper)
{
    helper->Add(new TscParamItem("Arg" + std::to_string(helper->Count()), fvtVariant, "Variant"));
}

std::string scOleErrorText(int32_t code)
{
    switch (static_cast<uint32_t>(code)) {
    case 0x80020003u: return "Member not found";
    case 0x80020005u: return "Type mismatch";
    case 0x80020006u: return "Unknown name";
    case 0x80020009u: return "Exception occurred";
    case 0x8002000Eu: return "Invalid number of parameters";
    case 0x8002000Fu: return "Parameter not optional";
    case 0x800401F3u: return "Invalid class string";
    default: return "Unspecified error";
    }
}

std::string scOleErrorMessage(int32_t code, const std::string& member, const TDispExcepInfo& info)
{
    std::string message = "OLE error " + IntToHex(static_cast<int64_t>(static_cast<uint32_t>(code)), 8) + ": " +
                          member + ": " + scOleErrorText(code);
    if (!info.Source.empty()) message += "\r\nSource        ::  " + info.Source;
    if (!info.Description.empty()) message += "\r\nDescription ::  " + info.Description;
    if (!info.HelpFile.empty()) message += "\r\nHelp File     ::  " + info.HelpFile;
    return message;
}

namespace {

struct OleRegistry {
    std::mutex mutex;
    std::unordered_map<std::string, TscOleFactory> factories;
};

OleRegistry& oleRegistry()
{
    static OleRegistry registry;
    return registry;
}

}  // namespace

void scRegisterOleClass(const std::string& progId, TscOleFactory factory)
{
    OleRegistry& registry = oleRegistry();
    std::lock_guard lock(registry.mutex);
    registry.factories[UpperCase(progId)] = std::move(factory);
}

void scUnregisterOleClass(const std::string& progId)
{
    OleRegistry& registry = oleRegistry();
    std::lock_guard lock(registry.mutex);
    registry.factories.erase(UpperCase(progId));
}

Variant scCreateOleObject(const std::string& progId)
{
    TscOleFactory factory;
    {
        OleRegistry& registry = oleRegistry();
        std::lock_guard lock(registry.mutex);
        const auto found = registry.factories.find(UpperCase(Trim(progId)));
        if (found != registry.factories.end()) factory = found->second;
    }
    IDispatchObject* object = factory ? factory() : nullptr;
    if (!object) throw EOleSysError("Invalid class string");
    return Variant(object);
}
