#include "rpUtilsComponents.h"

#include "Classes.h"
#include "Exceptions.h"
#include "rpXMLStorable.h"

namespace {

TFindGlobalComponent g_findGlobal = nullptr;

bool isReport(const TComponent* c)
{
    auto* s = dynamic_cast<const TrpXMLStorable*>(c);
    return s && s->IsXMLReport();
}

}  // namespace

void SetFindGlobalComponent(TFindGlobalComponent finder)
{
    g_findGlobal = finder;
}

TComponent* FindGlobalComponent(std::string_view name)
{
    return g_findGlobal ? g_findGlobal(name) : nullptr;
}

std::string GetFullName(const TComponent* root, const TComponent* component)
{
    if (!component) return std::string();
    const TComponent* owner = component->Owner();
    if (!owner || owner == root) return component->Name();
    // Objects anywhere in the root's tree are found by name alone.
    for (const TComponent* o = owner; o; o = o->Owner())
        if (o == root) return component->Name();
    if (root && isReport(root) && owner == root->Owner()) return component->Name();
    // A frame has an owner of its own; a form or data module has none.
    if (const TComponent* frameOwner = owner->Owner())
        return frameOwner->Name() + "." + owner->Name() + "." + component->Name();
    if (!owner->Name().empty()) return owner->Name() + "." + component->Name();
    return std::string();
}

TComponent* FindComponentByPath(TComponent* owner, std::string_view path)
{
    try {
        const size_t dot = path.find('.');
        if (dot != std::string_view::npos) {
            TComponent* global = FindGlobalComponent(path.substr(0, dot));
            if (!global) return nullptr;
            const std::string_view rest = path.substr(dot + 1);
            const size_t dot2 = rest.find('.');
            if (dot2 == std::string_view::npos) return global->FindComponent(rest);
            TComponent* inner = global->FindComponent(rest.substr(0, dot2));
            return inner ? inner->FindComponent(rest.substr(dot2 + 1)) : nullptr;
        }
        if (!owner) return nullptr;
        if (TComponent* found = owner->FindComponent(path)) return found;
        if (isReport(owner) && owner->Owner()) return owner->Owner()->FindComponent(path);
        return nullptr;
    } catch (const std::exception&) {
        throw EClassNotFound("Missing " + std::string(path));
    }
}

