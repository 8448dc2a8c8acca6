// The script scope: its item table, registration, compiling and running.

#include "sc_interpreter.h"

#include <algorithm>

#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_classes.h"
#include "sc_const.h"
#include "sc_ilparser.h"
#include "sc_statements.h"
#include "sc_sysrtti.h"

TscScript::TscScript(TComponent* owner) : TComponent(owner), prog_(std::make_unique<TscStatement>(this, "", "")) {}

TscScript::~TscScript()
{
    // Adapters first: they refer to procedures and detach from host objects.
    adapters_.clear();
    prog_.reset();
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (it->owned) delete it->item;
    items_.clear();
    index_.clear();
    modules_.clear();
}

void TscScript::Add(const std::string& name, TscCustomVariable* item, bool owned)
{
    item->AddedBy = AddedBy;
    Entry entry{name, scUpperName(name), item, owned};
    index_[entry.key].push_back(item);
    items_.push_back(std::move(entry));
}

void TscScript::eraseAt(size_t index, bool free)
{
    Entry entry = std::move(items_[index]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    auto found = index_.find(entry.key);
    if (found != index_.end()) {
        auto& list = found->second;
        const auto it = std::find(list.begin(), list.end(), entry.item);
        if (it != list.end()) list.erase(it);
        if (list.empty()) index_.erase(found);
    }
    if (free && entry.owned) delete entry.item;
}

void TscScript::Remove(TscCustomVariable* item)
{
    for (size_t i = items_.size(); i-- > 0;)
        if (items_[i].item == item) {
            eraseAt(i, false);
            return;
        }
}

TscCustomVariable* TscScript::FindLocal(std::string_view name) const
{
    if (index_.empty()) return nullptr;
    const auto found = index_.find(scUpperName(name));
    if (found == index_.end() || found->second.empty()) return nullptr;
    return found->second.back();
}

TscCustomVariable* TscScript::Find(std::string_view name) const
{
    const std::string key = scUpperName(name);
    for (const TscScript* scope = this; scope; scope = scope->Parent) {
        if (scope->index_.empty()) continue;
        const auto found = scope->index_.find(key);
        if (found != scope->index_.end() && !found->second.empty()) return found->second.back();
    }
    return nullptr;
}

TscClassVariable* TscScript::FindClass(std::string_view name) const
{
    TscCustomVariable* item = Find(name);
    return item && item->ItemKind == ikClass ? static_cast<TscClassVariable*>(item) : nullptr;
}

TscClassVariable* TscScript::FindClassOf(const TClass* cls) const
{
    for (; cls; cls = cls->ClassParent())
        if (TscClassVariable* record = FindClass(cls->ClassName())) return record;
    return nullptr;
}

void TscScript::freeAdapters(const void* owner, bool all)
{
    for (size_t i = adapters_.size(); i-- > 0;) {
        const AdapterEntry& entry = adapters_[i];
        if (all ? entry.addedBy != scModuleOwner : entry.addedBy == owner)
            adapters_.erase(adapters_.begin() + static_cast<std::ptrdiff_t>(i));
    }
}

void TscScript::clearProgram()
{
    prog_->Clear();
    CodeLines.clear();
}

void TscScript::Clear()
{
    freeAdapters(nullptr, true);
    clearProgram();
    for (size_t i = items_.size(); i-- > 0;)
        if (items_[i].item->AddedBy != scModuleOwner) eraseAt(i, true);
    ErrorPos.clear();
    ErrorMsg.clear();
    ErrorUnit.clear();
}

void TscScript::RemoveItems(const void* owner)
{
    freeAdapters(owner, false);
    for (size_t i = items_.size(); i-- > 0;)
        if (items_[i].item->AddedBy == owner) eraseAt(i, true);
}

void TscScript::ClearItems(const void* owner)
{
    // The statements refer to the items: they go first.
    clearProgram();
    RemoveItems(owner);
}

void TscScript::AddEventAdapter(std::unique_ptr<TscCustomEvent> adapter)
{
    adapters_.push_back({std::move(adapter), AddedBy});
}

void TscScript::AddType(const std::string& typeName, TscVarType parentType)
{
    if (Find(typeName)) return;
    Add(typeName, new TscTypeVariable(typeName, parentType, typeName));
}

void TscScript::AddConst(const std::string& name, const std::string& typeName, const Variant& value)
{
    if (Find(name)) return;
    auto* item = new TscVariable(name, StrToVarType(typeName, this), typeName);
    Add(name, item);
    item->SetValue(value);
    item->IsReadOnly = 1;
}

void TscScript::addEnumValues(const std::string& typeName, std::string_view names, bool bits)
{
    Add(typeName, new TscVariable(typeName, fvtEnum, typeName));
    int32_t value = bits ? 1 : 0;
    size_t start = 0;
    while (start <= names.size()) {
        const size_t comma = names.find(',', start);
        const std::string name = Trim(names.substr(start, comma == std::string_view::npos ? names.npos : comma - start));
        if (!name.empty()) {
            auto* item = new TscVariable(name, fvtEnum, typeName);
            item->Value = Variant(value);
            item->IsReadOnly = 1;
            Add(name, item);
            value = bits ? value * 2 : value + 1;
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
}

void TscScript::AddEnum(const std::string& typeName, std::string_view names)
{
    addEnumValues(typeName, names, false);
}

void TscScript::AddEnumSet(const std::string& typeName, std::string_view names)
{
    addEnumValues(typeName, names, true);
}

TscVariable* TscScript::AddVariable(const std::string& name, const std::string& typeName, const Variant& value)
{
    if (Find(name)) return nullptr;
    auto* item = new TscVariable(name, StrToVarType(typeName, this), typeName);
    item->OnGetValue = OnGetVarValue;
    Add(name, item);
    item->SetValue(value);
    return item;
}

void TscScript::SetVariable(const std::string& name, const Variant& value)
{
    if (TscCustomVariable* item = Find(name))
        item->SetValue(value);
    else
        AddVariable(name, "Variant", value);
}

TscClassVariable* TscScript::AddClassRecord(const std::string& className, const std::string& ancestorName)
{
    if (Find(className)) return nullptr;
    auto* record = new TscClassVariable(className, ancestorName, this, nullptr);
    Add(className, record);
    return record;
}

// ---------------------------------------------------------------- host registration

namespace {

// The script kind of a published property.
TscVarType publishedKind(const TPropInfo* prop, const TscScript* script)
{
    const std::string& typeName = prop->TypeName();
    if (SameText(typeName, "Boolean") || SameText(typeName, "bool")) return fvtBool;
    const TscVarType typ = StrToVarType(typeName, script);
    if (typ != fvtClass || IsObjectKind(prop->Kind())) return typ;
    // A type the script does not know: take it from the property's kind.
    switch (prop->Kind()) {
    case pkInteger:
    case pkInt64:
    case pkEnumeration:
    case pkSet: return fvtInt;
    case pkChar: return fvtChar;
    case pkFloat: return fvtFloat;
    case pkString:
    case pkWideString: return fvtString;
    case pkVariant: return fvtVariant;
    default: return fvtClass;
    }
}

bool inheritsFromNamed(const TClass* cls, std::string_view name)
{
    for (; cls; cls = cls->ClassParent())
        if (SameText(cls->ClassName(), name)) return true;
    return false;
}

}  // namespace

TscClassVariable* TscScript::AddClass(const TClass* cls, const std::string& ancestorName)
{
    if (!cls || Find(cls->ClassName())) return nullptr;
    auto* record = new TscClassVariable(cls->ClassName(), ancestorName, this, cls);
    Add(record->Name, record);
    for (const TPropInfo* prop : cls->Properties()) {
        if (prop->Kind() == pkMethod) {
            if (TscEventClass eventClass = scFindEventClass(prop->TypeName())) record->AddEvent(prop->Name(), eventClass);
            continue;
        }
        TscPropertyHelper* helper = record->AddProperty(prop->Name(), prop->TypeName(), nullptr, nullptr);
        helper->Typ = publishedKind(prop, this);
        helper->IsPublished = 1;
        helper->Prop = prop;
        helper->IsReadOnly = prop->IsWritable() ? 0 : 1;
    }
    if (TscClassVariable* ancestor = record->Ancestor()) record->DefProperty = ancestor->DefProperty;
    return record;
}

TscMethodHelper* TscScript::addMethod(const std::string& syntax, const std::string& category,
                                      const std::string& description)
{
    auto* helper = new TscMethodHelper(std::string(), fvtClass, std::string());
    ParseMethodSyntaxInto(syntax, this, *helper);
    helper->Syntax = syntax;
    helper->Category = category;
    helper->Description = description.empty() ? helper->Name : description;
    Add(helper->Name, helper);
    return helper;
}

TscMethodHelper* TscScript::AddMethod(const std::string& syntax, TscMethodCallback callEvent,
                                      const std::string& category, const std::string& description)
{
    TscMethodHelper* helper = addMethod(syntax, category, description);
    helper->OnCall = std::move(callEvent);
    return helper;
}

TscMethodHelper* TscScript::AddMethodEx(const std::string& syntax, TscMethodCallbackEx callEvent,
                                        const std::string& category, const std::string& description)
{
    TscMethodHelper* helper = addMethod(syntax, category, description);
    helper->OnCallEx = std::move(callEvent);
    return helper;
}

void TscScript::AddObject(const std::string& name, TObject* object)
{
    const std::string className = object ? object->ClassName() : std::string("TObject");
    AddVariable(name, className, ObjectToVariant(object));
}

void TscScript::AddForm(TComponent* form)
{
    if (!form) return;
    const TClass* cls = form->ClassType();
    const char* ancestor = inheritsFromNamed(cls, "TForm")         ? "TForm"
                           : inheritsFromNamed(cls, "TDataModule") ? "TDataModule"
                           : inheritsFromNamed(cls, "TFrame")      ? "TFrame"
                                                                   : nullptr;
    if (!ancestor) return;
    TscClassVariable* record = FindClass(cls->ClassName());
    if (!record) record = AddClass(cls, ancestor);
    if (!record) return;
    for (int i = 0; i < form->ComponentCount(); ++i) record->AddComponent(form->Components(i));
    AddObject(form->Name(), form);
}

void TscScript::AddRTTI()
{
    if (RTTIAdded) return;
    const void* saved = AddedBy;
    AddedBy = scModuleOwner;
    try {
        if (const TscRTTIModuleList* list = scRTTIModules())
            for (const auto& entry : list->Entries()) modules_.push_back(entry.factory(this));
    } catch (...) {
        AddedBy = saved;
        throw;
    }
    AddedBy = saved;
    RTTIAdded = 1;
}

// ---------------------------------------------------------------- compiling and running

bool TscScript::Compile()
{
    ErrorMsg.clear();
    ErrorPos.clear();
    ErrorUnit.clear();
    TscILParser parser(this);
    parser.SelectLanguage(SyntaxType);
    std::string text;
    for (size_t i = 0; i < Lines.size(); ++i) {
        if (i) text += "\r\n";
        text += Lines[i];
    }
    scGuardMemory([&] {
        if (parser.MakeILScript(text)) parser.ParseILScript();
    });
    if (!ErrorMsg.empty()) return false;
    ErrorPos.clear();
    return true;
}

void TscScript::Execute()
{
    struct Reset {
        TscScript* script;
        uint8_t running;
        ~Reset()
        {
            script->ExitCalled = script->Terminated = script->BreakCalled = script->ContinueCalled = 0;
            script->IsRunning = running;
        }
    } reset{this, IsRunning};
    ExitCalled = Terminated = BreakCalled = ContinueCalled = 0;
    IsRunning = 1;
    IsMainProg = 1;
    RefreshRunLineHook();
    scGuardMemory([this] { prog_->Execute(); });
}

namespace {

// Arguments for a procedure from a caller's list: missing optional
// parameters get their defaults, other missing ones start empty.
Variant invokeWith(TscProcVariable* proc, std::span<const Variant> given, std::span<Variant> outs)
{
    const size_t count = static_cast<size_t>(proc->Count());
    if (given.size() >= count) return proc->Invoke(given, outs);
    std::vector<Variant> args(given.begin(), given.end());
    for (size_t i = given.size(); i < count; ++i) {
        const TscParamItem* param = proc->GetParam(static_cast<int>(i));
        args.push_back(param->IsOptional ? param->DefValue : Variant());
    }
    return proc->Invoke(args, outs);
}

std::vector<Variant> arrayElements(const Variant& params)
{
    std::vector<Variant> values;
    if (!params.isArray() || params.arrayDimCount() < 1) return values;
    const int low = params.arrayLowBound(1);
    const int high = params.arrayHighBound(1);
    for (int i = low; i <= high; ++i) values.push_back(params.arrayGet(i));
    return values;
}

}  // namespace

Variant TscScript::CallFunction(std::string_view name, std::span<const Variant> params)
{
    TscCustomVariable* item = FindLocal(name);
    if (!item || item->ItemKind != ikProc) return Variant::Null();
    return invokeWith(static_cast<TscProcVariable*>(item), params, {});
}

Variant TscScript::CallFunction(std::string_view name, const Variant& params)
{
    if (!params.isArray()) return CallFunction(name, std::span<const Variant>());
    const std::vector<Variant> values = arrayElements(params);
    return CallFunction(name, std::span<const Variant>(values));
}

Variant TscScript::CallFunctionVar(std::string_view name, Variant& params)
{
    TscCustomVariable* item = FindLocal(name);
    if (!item || item->ItemKind != ikProc) return Variant::Null();
    auto* proc = static_cast<TscProcVariable*>(item);
    const std::vector<Variant> values = arrayElements(params);
    std::vector<Variant> outs(values.size());
    Variant result = invokeWith(proc, values, outs);
    const int low = values.empty() ? 0 : params.arrayLowBound(1);
    const size_t count = std::min(values.size(), static_cast<size_t>(proc->Count()));
    for (size_t i = 0; i < count; ++i) params.arrayPut(low + static_cast<int>(i), outs[i]);
    return result;
}

void TscScript::Terminate()
{
    ExitCalled = 1;
    Terminated = 1;
    for (const Entry& entry : items_)
        if (entry.item->ItemKind == ikProc) static_cast<TscProcVariable*>(entry.item)->Prog->Terminate();
}

void TscScript::RunLine(const std::string& unitName, const std::string& sourcePos)
{
    for (TscScript* scope = this; scope; scope = scope->Parent)
        if (scope->OnRunLine) {
            scope->OnRunLine(this, unitName, sourcePos);
            return;
        }
}

void TscScript::RefreshRunLineHook()
{
    runLineHooked_ = false;
    for (const TscScript* scope = this; scope; scope = scope->Parent)
        if (scope->OnRunLine) {
            runLineHooked_ = true;
            return;
        }
}

void TscScript::AddCodeLine(const std::string& unitName, const std::string& sourcePos)
{
    int line = 0;
    int col = 0;
    StrToPoint(sourcePos, line, col);
    CodeLines[unitName].insert(line);
}

TscScript* TscScript::MainProg()
{
    for (TscScript* scope = this; scope; scope = scope->Parent)
        if (scope->IsMainProg) return scope;
    return nullptr;
}
