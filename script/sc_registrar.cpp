#include "sc_registrar.h"

#include <algorithm>
#include <unordered_set>

#include "Classes.h"
#include "sc_xml.h"

namespace {

// Handles of the objects script constructors made. Handles are never
// reused, so the entries of objects that died otherwise are dropped now
// and then without harm.
std::unordered_set<ObjectHandle>& createdObjects()
{
    static std::unordered_set<ObjectHandle> handles;
    return handles;
}

void dropDead(std::unordered_set<ObjectHandle>& handles)
{
    std::erase_if(handles, [](ObjectHandle h) { return FindObjectByHandle(h) == nullptr; });
}

}  // namespace

void scScriptCreated(TObject* object)
{
    if (!object) return;
    auto& handles = createdObjects();
    static size_t pruneAt = 1024;
    if (handles.size() >= pruneAt) {
        dropDead(handles);
        pruneAt = std::max<size_t>(1024, handles.size() * 2);
    }
    handles.insert(object->Handle());
}

bool scMayFree(TObject* object)
{
    if (!object) return true;
    if (createdObjects().contains(object->Handle())) return true;
    if (auto* component = dynamic_cast<TComponent*>(object)) return component->Owner() != nullptr;
    if (auto* item = dynamic_cast<TCollectionItem*>(object)) return item->Collection() != nullptr;
    if (auto* xml = dynamic_cast<TscXMLItem*>(object)) return xml->Parent != nullptr;
    return false;
}

namespace {

std::vector<TscFreeGuard>& freeGuards()
{
    static std::vector<TscFreeGuard> guards;
    return guards;
}

}  // namespace

void scAddFreeGuard(TscFreeGuard guard)
{
    std::vector<TscFreeGuard>& guards = freeGuards();
    if (guard && std::find(guards.begin(), guards.end(), guard) == guards.end()) guards.push_back(guard);
}

void scFreeObject(TObject* object)
{
    if (!object) return;
    if (!scMayFree(object))
        throw EInvalidOperation("Cannot free the " + object->ClassName() + ": another object owns it");
    for (TscFreeGuard guard : freeGuards()) guard(object);
    createdObjects().erase(object->Handle());
    delete object;
}

void TscRegistrar::enumType(const TTypeInfo* type)
{
    if (!type) return;
    const TTypeInfo* elements = type->Kind() == pkSet ? type->ElementType() : type;
    std::string names;
    for (const std::string& name : elements->EnumNames()) {
        if (!names.empty()) names += ", ";
        names += name;
    }
    if (type->Kind() == pkSet)
        script_->AddEnumSet(type->Name(), names);
    else
        script_->AddEnum(type->Name(), names);
}
