// Host classes: class records, member helpers and event adapters.

#include "sc_classes.h"

#include <mutex>

#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_const.h"
#include "sc_expression.h"

namespace {

[[noreturn]] void invalidObject()
{
    throw EObjectReferenceError(scMessages().InvalidObjectReference);
}

[[noreturn]] void undeclared(const std::string& name)
{
    throw Exception(scMessages().UndeclaredIdent + "'" + name + "'");
}

const Variant& emptyValue()
{
    static const Variant empty;
    return empty;
}

// The member of that name serving an object whose class is not the one a
// helper was resolved for (a Variant that now holds another class, a cast
// of the wrong object): looked up again on the object's own class.
TscCustomVariable* memberForObject(const TscCustomHelper& helper, TObject* object, TscScript* fallback)
{
    TscScript* scope = helper.Prog ? helper.Prog : fallback;
    TscClassVariable* record = scope ? scope->FindClassOf(object->ClassType()) : nullptr;
    TscCustomVariable* member = record ? record->Find(helper.Name) : nullptr;
    if (!member || member->ItemKind != helper.ItemKind || member == &helper) undeclared(helper.Name);
    return member;
}

// Runs another helper of the same kind in this one's place.
template <class H>
Variant redirect(H& from, H& to, bool isSet, const Variant& value)
{
    const int count = std::min(from.Count(), to.Count());
    for (int i = 0; i < count; ++i) to.TscCustomVariable::GetParam(i)->Value = from.TscCustomVariable::GetParam(i)->Value;
    to.ParentRef = from.ParentRef;
    to.ParentValue = from.ParentValue;
    to.Prog = from.Prog;
    to.NeedResult = from.NeedResult;
    Variant result;
    if (isSet)
        to.SetValue(value);
    else
        result = to.GetValue();
    for (int i = 0; i < count; ++i) from.TscCustomVariable::GetParam(i)->Value = to.TscCustomVariable::GetParam(i)->Value;
    return result;
}

}  // namespace

// ---------------------------------------------------------------- helpers

TObject* TscCustomHelper::instance() const
{
    if (ParentValue.isEmptyOrNull()) return nullptr;
    return VariantToObject(ParentValue);
}

TscMethodHelper::TscMethodHelper(std::string name, TscVarType typ, std::string typeName)
    : TscCustomHelper(std::move(name), typ, std::move(typeName))
{
    ItemKind = ikMethod;
    IsReadOnly = 1;
}

const Variant& TscMethodHelper::GetParam(int index) const
{
    if (index >= 0 && index < Count()) return TscCustomVariable::GetParam(index)->Value;
    if (index == Count()) return SetValueArg;
    return emptyValue();
}

void TscMethodHelper::SetParam(int index, const Variant& value)
{
    if (index >= 0 && index < Count()) TscCustomVariable::GetParam(index)->Value = value;
}

Variant TscMethodHelper::call(const std::string& name, bool isSet)
{
    TObject* object = instance();
    if (Owner) {
        if (!object && !AcceptsNil && Typ != fvtConstructor) invalidObject();
        if (object && ClassRef && !object->InheritsFrom(ClassRef)) {
            auto* other = static_cast<TscMethodHelper*>(memberForObject(*this, object, Owner->Script));
            return redirect(*this, *other, isSet, SetValueArg);
        }
    }
    const TClass* classType = Typ == fvtConstructor && CallClass ? CallClass : ClassRef;
    if (OnCallEx) return OnCallEx(object, classType, name, this);
    if (!OnCall) return Variant(0);
    const int count = Count();
    Variant params = VarArrayCreate({{0, count + (isSet ? 1 : 0) - 1}});
    for (int i = 0; i < count; ++i) params.arrayPut(i, TscCustomVariable::GetParam(i)->Value);
    if (isSet) params.arrayPut(count, SetValueArg);
    Variant result = OnCall(object, classType, name, params);
    for (int i = 0; i < count; ++i)
        if (TscCustomVariable::GetParam(i)->IsVarParam) TscCustomVariable::GetParam(i)->Value = params.arrayGet(i);
    return result;
}

Variant TscMethodHelper::GetValue()
{
    if (!IndexMethod) return call(UpperName, false);
    return call(UpperName + ".GET", false);
}

void TscMethodHelper::SetValue(const Variant& value)
{
    if (!IndexMethod || IsReadOnly) return;
    SetValueArg = value;
    struct Reset {
        Variant& arg;
        ~Reset() { arg.clear(); }
    } reset{SetValueArg};
    call(UpperName + ".SET", true);
}

TscPropertyHelper::TscPropertyHelper(std::string name, TscVarType typ, std::string typeName)
    : TscCustomHelper(std::move(name), typ, std::move(typeName))
{
    ItemKind = ikProperty;
}

Variant TscPropertyHelper::GetValue()
{
    TObject* object = instance();
    if (Owner && !object) invalidObject();
    Variant result;
    if (IsPublished) {
        const TPropInfo* prop = Prop;
        if (!ClassRef || !object->InheritsFrom(ClassRef)) prop = GetPropInfo(object, Name);
        if (!prop) undeclared(Name);
        result = GetPropValue(object, prop);
    } else {
        if (object && ClassRef && !object->InheritsFrom(ClassRef)) {
            auto* other = static_cast<TscPropertyHelper*>(memberForObject(*this, object, Owner->Script));
            return redirect(*this, *other, false, Variant());
        }
        if (OnGetValue)
            result = OnGetValue(object, ClassRef, UpperName);
        else if (OnGetValueEx)
            result = OnGetValueEx(object, ClassRef, UpperName, this);
        else
            result = Variant(0);
    }
    if (Typ == fvtBool && result.type() != varBoolean)
        result = Variant(result.isNumeric() ? result.toDouble() != 0 : result.toBool());
    return result;
}

void TscPropertyHelper::SetValue(const Variant& value)
{
    if (IsReadOnly) return;
    TObject* object = instance();
    if (Owner && !object) invalidObject();
    if (IsPublished) {
        const TPropInfo* prop = Prop;
        if (!ClassRef || !object->InheritsFrom(ClassRef)) prop = GetPropInfo(object, Name);
        if (!prop) undeclared(Name);
        if (prop->Kind() == pkSet && value.isArray())
            SetPropValue(object, prop, Variant(scSetBits(value)));
        else
            SetPropValue(object, prop, value);
        return;
    }
    if (object && ClassRef && !object->InheritsFrom(ClassRef)) {
        auto* other = static_cast<TscPropertyHelper*>(memberForObject(*this, object, Owner->Script));
        redirect(*this, *other, true, value);
        return;
    }
    if (OnSetValue)
        OnSetValue(object, ClassRef, UpperName, value);
    else if (OnSetValueEx)
        OnSetValueEx(object, ClassRef, UpperName, value, this);
}

TscEventHelper::TscEventHelper(std::string name, TscEventClass eventClass)
    : TscCustomHelper(std::move(name), fvtString, "String"), EventClass(eventClass)
{
    ItemKind = ikEvent;
}

Variant TscEventHelper::GetValue()
{
    return Variant::Null();
}

void TscEventHelper::SetValue(const Variant& value)
{
    TObject* object = instance();
    if (!object) invalidObject();
    const std::string text = VarToStr(value);
    if (text == "0") {
        SetMethodProp(object, Name, TMethod());
        return;
    }
    TscCustomVariable* item = Prog ? Prog->Find(text) : nullptr;
    if (!item || item->ItemKind != ikProc || !EventClass) throw Exception(scMessages().EventHandlerProcedure);
    auto* handler = static_cast<TscProcVariable*>(item);
    std::unique_ptr<TscCustomEvent> adapter = EventClass(object, Name, handler);
    SetMethodProp(object, Name, adapter->GetMethod());
    // The adapter lives as long as the scope that declares its procedure.
    TscScript* owner = handler->Prog->Parent ? handler->Prog->Parent : Prog;
    owner->AddEventAdapter(std::move(adapter));
}

TscComponentHelper::TscComponentHelper(TComponent* component)
    : TscCustomHelper(component->Name(), fvtClass, component->ClassName()), Component(component)
{
    ItemKind = ikComponent;
    IsReadOnly = 1;
}

Variant TscComponentHelper::GetValue()
{
    return ObjectToVariant(Component.get());
}

TscArrayHelper::TscArrayHelper(std::string name, int dimensions, TscVarType elementType, std::string typeName)
    : TscCustomHelper(std::move(name), elementType, std::move(typeName)), Dimensions(dimensions)
{
    ItemKind = ikArrayHelper;
    const int count = dimensions < 0 ? 3 : dimensions;
    for (int i = 0; i < count; ++i) {
        auto* param = new TscParamItem("Index" + std::to_string(i), fvtVariant, "Variant");
        // An array of unknown dimensions takes one to three indices.
        if (dimensions < 0 && i > 0) param->IsOptional = 1;
        Add(param);
    }
}

int TscArrayHelper::indices(int* out) const
{
    int count = 0;
    for (int i = 0; i < Count(); ++i) {
        const Variant& index = GetParam(i)->Value;
        if (index.isEmptyOrNull()) break;
        out[count++] = index.toInt();
    }
    return count;
}

Variant TscArrayHelper::GetValue()
{
    int at[8];
    const int count = indices(at);
    return ParentValue.arrayGet(std::span<const int>(at, static_cast<size_t>(count)));
}

void TscArrayHelper::SetValue(const Variant& value)
{
    int at[8];
    const std::span<const int> index(at, static_cast<size_t>(indices(at)));
    if (ParentRef && ParentRef->ItemKind == ikVariable && !ParentRef->IsReadOnly) {
        // In place: the copy this helper holds goes first, so the array is
        // not shared and needs no copy.
        ParentValue.clear();
        ParentRef->Value.arrayPut(index, value);
        return;
    }
    Variant array = ParentValue;
    ParentValue.clear();
    array.arrayPut(index, value);
    if (ParentRef) ParentRef->SetValue(array);
}

TscStringHelper::TscStringHelper(std::string name) : TscCustomHelper(std::move(name), fvtChar, "Char")
{
    ItemKind = ikStringHelper;
    Add(new TscParamItem("Index", fvtInt, "Integer"));
}

Variant TscStringHelper::GetValue()
{
    return scStringChar(ParentValue, GetParam(0)->Value);
}

void TscStringHelper::SetValue(const Variant& value)
{
    const std::string text = scStringWithChar(ParentValue, GetParam(0)->Value, value);
    if (ParentRef) ParentRef->SetValue(Variant(text));
}

// ---------------------------------------------------------------- class records

TscClassVariable::TscClassVariable(std::string className, std::string ancestorName, TscScript* script,
                                   const TClass* classRef)
    : TscCustomVariable(className, fvtClass, className),
      AncestorName(std::move(ancestorName)),
      ClassRef(classRef),
      Script(script)
{
    ItemKind = ikClass;
    IsReadOnly = 1;
    auto* param = new TscParamItem("Value", fvtVariant, "Variant");
    param->IsOptional = 1;
    Add(param);
}

TscClassVariable::~TscClassVariable() = default;

void TscClassVariable::addMember(TscCustomVariable* member)
{
    member->AddedBy = AddedBy;
    members_.emplace_back(member);
    index_[member->UpperName] = member;
}

TscCustomVariable* TscClassVariable::Find(std::string_view name) const
{
    const std::string key = scUpperName(name);
    const TscClassVariable* record = this;
    // Bounded: a registration that names itself as an ancestor must not hang.
    for (int depth = 0; record && depth < 256; ++depth) {
        const auto found = record->index_.find(key);
        if (found != record->index_.end()) return found->second;
        record = record->Ancestor();
    }
    return nullptr;
}

TscClassVariable* TscClassVariable::Ancestor() const
{
    if (AncestorName.empty() || !Script) return nullptr;
    TscClassVariable* record = Script->FindClass(AncestorName);
    return record == this ? nullptr : record;
}

bool TscClassVariable::InheritsFrom(const TscClassVariable* other) const
{
    if (!other) return false;
    const TscClassVariable* record = this;
    for (int depth = 0; record && depth < 256; ++depth) {
        if (record == other || SameText(record->Name, other->Name)) return true;
        record = record->Ancestor();
    }
    return false;
}

Variant TscClassVariable::GetValue()
{
    return GetParam(0)->Value;
}

TscMethodHelper* TscClassVariable::AddMethod(const std::string& syntax, TscMethodCallbackEx callEvent)
{
    auto* helper = new TscMethodHelper(std::string(), fvtClass, std::string());
    ParseMethodSyntaxInto(syntax, Script, *helper);
    helper->Syntax = syntax;
    helper->Description = helper->Name;
    helper->ClassRef = ClassRef;
    helper->Owner = this;
    helper->OnCallEx = std::move(callEvent);
    // Free on nil does nothing, as the platform's does.
    if (helper->UpperName == "FREE") helper->AcceptsNil = 1;
    addMember(helper);
    return helper;
}

TscMethodHelper* TscClassVariable::AddConstructor(const std::string& syntax, TscMethodCallbackEx callEvent)
{
    std::string line = syntax;
    const auto start = line.find_first_not_of(" \t");
    const auto end = line.find_first_of(" \t(;", start == std::string::npos ? 0 : start);
    line.replace(start == std::string::npos ? 0 : start,
                 (end == std::string::npos ? line.size() : end) - (start == std::string::npos ? 0 : start), "function");
    while (!line.empty() && (line.back() == ' ' || line.back() == ';')) line.pop_back();
    line += ": Constructor";
    TscMethodHelper* helper = AddMethod(line, std::move(callEvent));
    helper->Typ = fvtConstructor;
    helper->TypeName = Name;
    helper->AcceptsNil = 1;
    return helper;
}

TscPropertyHelper* TscClassVariable::AddProperty(const std::string& name, const std::string& typeName,
                                                 TscPropertyGetter getEvent, TscPropertySetter setEvent)
{
    auto* helper = new TscPropertyHelper(name, StrToVarType(typeName, Script), typeName);
    if (SameText(typeName, "Boolean") || SameText(typeName, "bool")) helper->Typ = fvtBool;
    helper->ClassRef = ClassRef;
    helper->Owner = this;
    helper->IsReadOnly = setEvent ? 0 : 1;
    helper->OnGetValue = std::move(getEvent);
    helper->OnSetValue = std::move(setEvent);
    addMember(helper);
    return helper;
}

TscPropertyHelper* TscClassVariable::AddPropertyEx(const std::string& name, const std::string& typeName,
                                                   TscPropertyGetterEx getEvent, TscPropertySetterEx setEvent)
{
    TscPropertyHelper* helper = AddProperty(name, typeName, nullptr, nullptr);
    helper->IsReadOnly = setEvent ? 0 : 1;
    helper->OnGetValueEx = std::move(getEvent);
    helper->OnSetValueEx = std::move(setEvent);
    return helper;
}

TscMethodHelper* TscClassVariable::AddIndexProperty(const std::string& name, const std::string& params,
                                                    const std::string& typeName, TscMethodCallbackEx callEvent,
                                                    bool isReadOnly)
{
    std::string line = "function " + name + "(";
    size_t start = 0;
    int index = 0;
    while (start <= params.size()) {
        const size_t comma = params.find(',', start);
        const std::string type = Trim(std::string_view(params).substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!type.empty()) {
            if (index) line += "; ";
            line.append("p").append(std::to_string(index++)).append(": ").append(type);
        }
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    line += "): " + typeName;
    TscMethodHelper* helper = AddMethod(line, std::move(callEvent));
    helper->IndexMethod = 1;
    helper->IsReadOnly = isReadOnly ? 1 : 0;
    return helper;
}

TscMethodHelper* TscClassVariable::AddDefaultProperty(const std::string& name, const std::string& params,
                                                      const std::string& typeName, TscMethodCallbackEx callEvent,
                                                      bool isReadOnly)
{
    TscMethodHelper* helper = AddIndexProperty(name, params, typeName, std::move(callEvent), isReadOnly);
    DefProperty = helper;
    return helper;
}

TscEventHelper* TscClassVariable::AddEvent(const std::string& name, TscEventClass eventClass)
{
    auto* helper = new TscEventHelper(name, eventClass);
    helper->Owner = this;
    addMember(helper);
    return helper;
}

TscComponentHelper* TscClassVariable::AddComponent(TComponent* component)
{
    if (!component || component->Name().empty()) return nullptr;
    auto* helper = new TscComponentHelper(component);
    addMember(helper);
    return helper;
}

int64_t scSetBits(const Variant& value)
{
    if (!value.isArray()) return value.toInt64();
    int64_t bits = 0;
    for (int i = value.arrayLowBound(1); i <= value.arrayHighBound(1); ++i) bits |= value.arrayGet(i).toInt64();
    return bits;
}

// ---------------------------------------------------------------- event adapters

TscCustomEvent::TscCustomEvent(TObject* instance, std::string propName, TscProcVariable* handler)
    : Handler(handler), Instance(instance), PropName(std::move(propName))
{
    if (Handler) Handler->Adapters.push_back(this);
}

TscCustomEvent::~TscCustomEvent()
{
    Detach();
    if (Handler) std::erase(Handler->Adapters, this);
}

void TscCustomEvent::Detach()
{
    TObject* object = Instance.get();
    if (!object) return;
    const TPropInfo* prop = GetPropInfo(object, PropName);
    if (!prop || prop->Kind() != pkMethod) return;
    try {
        if (prop->GetMethod(object).Data == this) prop->SetMethod(object, TMethod());
    } catch (const Exception&) {
        // A host that refuses the empty handler keeps ours; it will find no
        // procedure behind it (Handler is cleared by the caller when it goes).
    }
}

bool TscCustomEvent::CallHandler(std::span<const Variant> args, std::span<Variant> outs)
{
    if (!Handler || Handler->Executing) return false;
    const size_t count = static_cast<size_t>(Handler->Count());
    std::vector<Variant> values(args.begin(), args.begin() + static_cast<std::ptrdiff_t>(std::min(args.size(), count)));
    values.resize(count);  // parameters the host does not pass start empty
    std::vector<Variant> finals(count);
    Handler->Invoke(values, finals);
    for (size_t i = 0; i < outs.size() && i < count; ++i) outs[i] = finals[i];
    return true;
}

namespace {

struct EventClassRegistry {
    std::mutex mutex;
    std::unordered_map<std::string, TscEventClass> classes{{"TNOTIFYEVENT", &TscNotifyEvent::Create}};
};

EventClassRegistry& eventClasses()
{
    static EventClassRegistry registry;
    return registry;
}

}  // namespace

TscEventClass scFindEventClass(std::string_view eventTypeName)
{
    EventClassRegistry& registry = eventClasses();
    std::lock_guard lock(registry.mutex);
    const auto found = registry.classes.find(scUpperName(eventTypeName));
    return found == registry.classes.end() ? nullptr : found->second;
}

void scRegisterEventClass(const std::string& eventTypeName, TscEventClass eventClass)
{
    EventClassRegistry& registry = eventClasses();
    std::lock_guard lock(registry.mutex);
    registry.classes[scUpperName(eventTypeName)] = eventClass;
}
