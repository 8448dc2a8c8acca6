// The script scope: its item table and the registration of plain items.

#include "sc_interpreter.h"

#include <algorithm>

#include "SysUtils.h"

TscScript::TscScript(TscScript* parent) : Parent(parent) {}

TscScript::~TscScript()
{
    for (auto it = items_.rbegin(); it != items_.rend(); ++it)
        if (it->owned) delete it->item;
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
    return dynamic_cast<TscClassVariable*>(Find(name));
}

void TscScript::Clear()
{
    for (size_t i = items_.size(); i-- > 0;)
        if (items_[i].item->AddedBy != scModuleOwner) eraseAt(i, true);
    ErrorPos.clear();
    ErrorMsg.clear();
    ErrorUnit.clear();
}

void TscScript::RemoveItems(const void* owner)
{
    for (size_t i = items_.size(); i-- > 0;)
        if (items_[i].item->AddedBy == owner) eraseAt(i, true);
}

void TscScript::ClearItems(const void* owner)
{
    RemoveItems(owner);
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
    auto* record = new TscClassVariable(className, ancestorName, this);
    Add(className, record);
    return record;
}
