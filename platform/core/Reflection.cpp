#include "Reflection.h"

#include <algorithm>
#include <deque>
#include <limits>
#include <unordered_map>

#include "Classes.h"
#include "CodePages.h"
#include "NoCaseHash.h"
#include "SysUtils.h"

namespace {

// ---------------------------------------------------------------- names

bool sameName(std::string_view a, std::string_view b) noexcept { return a.size() == b.size() && SameText(a, b); }

// Class, property and type names ignore case.
template <class V>
using NameMap = NoCaseMap<V>;

template <class V>
V findName(const NameMap<V>& map, std::string_view name) noexcept
{
    auto it = map.find(name);
    return it == map.end() ? V() : it->second;
}

// ---------------------------------------------------------------- registry

using reflection_detail::Builtin;

struct Registry {
    std::vector<std::unique_ptr<TClass>> classes;  // registration order
    NameMap<TClass*> classesByName;
    std::unordered_map<std::type_index, std::unique_ptr<TTypeInfo>> types;
    NameMap<const TTypeInfo*> typesByName;
    std::vector<std::unique_ptr<TTypeInfo>> builtins;

    Registry()
    {
        constexpr int64_t i32min = std::numeric_limits<int32_t>::min();
        constexpr int64_t i32max = std::numeric_limits<int32_t>::max();
        // Indexed by Builtin; TDateTime is extra (a name for typeName()).
        addBuiltin(std::make_unique<TTypeInfo>("Boolean", std::vector<std::string>{"False", "True"}));
        addBuiltin(std::make_unique<TTypeInfo>("Char", pkChar, 0, 255));
        addBuiltin(std::make_unique<TTypeInfo>("Byte", pkInteger, 0, 255));
        addBuiltin(std::make_unique<TTypeInfo>("Smallint", pkInteger, -32768, 32767));
        addBuiltin(std::make_unique<TTypeInfo>("Word", pkInteger, 0, 65535));
        addBuiltin(std::make_unique<TTypeInfo>("Integer", pkInteger, i32min, i32max));
        addBuiltin(std::make_unique<TTypeInfo>("Cardinal", pkInteger, 0, std::numeric_limits<uint32_t>::max()));
        addBuiltin(std::make_unique<TTypeInfo>("Int64", pkInt64, std::numeric_limits<int64_t>::min(),
                                               std::numeric_limits<int64_t>::max()));
        addBuiltin(std::make_unique<TTypeInfo>("Single", pkFloat));
        addBuiltin(std::make_unique<TTypeInfo>("Double", pkFloat));
        addBuiltin(std::make_unique<TTypeInfo>("Extended", pkFloat));
        addBuiltin(std::make_unique<TTypeInfo>("String", pkString));
        addBuiltin(std::make_unique<TTypeInfo>("WideString", pkWideString));
        addBuiltin(std::make_unique<TTypeInfo>("Variant", pkVariant));
        addBuiltin(std::make_unique<TTypeInfo>("TDateTime", pkFloat));
    }
    void addBuiltin(std::unique_ptr<TTypeInfo> t)
    {
        typesByName.emplace(t->Name(), t.get());
        builtins.push_back(std::move(t));
    }
};

// Never destroyed: objects with static lifetime may ask for their class
// or drop their handle during exit.
Registry& registry()
{
    static Registry* r = new Registry;
    return *r;
}

// ---------------------------------------------------------------- handles

// Slot index + 1 in the low 24 bits, the slot's generation above them; at
// most 53 bits, so a handle survives a trip through a double.
constexpr int kSlotBits = 24;
constexpr uint64_t kSlotMask = (uint64_t(1) << kSlotBits) - 1;
constexpr uint32_t kGenerationLimit = (uint32_t(1) << 29) - 1;
// Marks an object whose handle is gone for good (it is being destroyed).
constexpr ObjectHandle kReleasedHandle = ~ObjectHandle(0);

struct HandleSlot {
    TObject* object = nullptr;
    uint32_t generation = 1;
};

struct HandleTable {
    std::vector<HandleSlot> slots;
    std::deque<uint32_t> freeSlots;  // oldest first, so generations spread
    size_t live = 0;
};

HandleTable& handles()
{
    static HandleTable* t = new HandleTable;
    return *t;
}

[[noreturn]] void raiseInvalidReference() { throw EObjectReferenceError("Invalid object reference"); }

[[noreturn]] void raiseNoProperty(std::string_view name)
{
    throw EPropertyError("Property " + std::string(name) + " does not exist");
}

}  // namespace

// ---------------------------------------------------------------- TTypeInfo

TTypeInfo::TTypeInfo(std::string name, TPropKind kind, int64_t minValue, int64_t maxValue)
    : name_(std::move(name)), kind_(kind), min_(minValue), max_(maxValue)
{
}

TTypeInfo::TTypeInfo(std::string name, std::vector<std::string> enumNames)
    : name_(std::move(name)), kind_(pkEnumeration), min_(0),
      max_(static_cast<int64_t>(enumNames.size()) - 1), names_(std::move(enumNames))
{
}

TTypeInfo::TTypeInfo(std::string name, const TTypeInfo* elementType)
    : name_(std::move(name)), kind_(pkSet), element_(elementType)
{
    const size_t n = std::min<size_t>(elementType ? elementType->EnumNames().size() : 0, 32);
    max_ = n == 32 ? int64_t(0xFFFFFFFF) : (int64_t(1) << n) - 1;
}

TTypeInfo::TTypeInfo(std::string name, TPropKind kind, std::string className)
    : name_(std::move(name)), kind_(kind), className_(std::move(className))
{
}

const TClass* TTypeInfo::ClassRef() const { return className_.empty() ? nullptr : GetClass(className_); }

int TTypeInfo::IndexOfName(std::string_view name) const noexcept
{
    for (size_t i = 0; i < names_.size(); ++i) {
        if (sameName(names_[i], name)) return static_cast<int>(i);
    }
    return -1;
}

bool TTypeInfo::IsBoolean() const noexcept
{
    return kind_ == pkEnumeration && names_.size() == 2 && names_[0] == "False" && names_[1] == "True";
}

const TTypeInfo* FindTypeInfo(std::string_view name) noexcept { return findName(registry().typesByName, name); }

const TTypeInfo* FindTypeInfo(std::type_index cppType) noexcept
{
    auto& types = registry().types;
    auto it = types.find(cppType);
    return it == types.end() ? nullptr : it->second.get();
}

void UnregisterType(const TTypeInfo* type)
{
    Registry& r = registry();
    for (const auto& c : r.classes) {
        for (const TPropInfo* p : c->Properties()) {
            if (p->PropType() == type || p->PropType()->ElementType() == type) {
                throw EInvalidOperation("Type " + type->Name() + " is still used by " + c->ClassName() + "." +
                                        p->Name());
            }
        }
    }
    for (const auto& [key, t] : r.types) {
        if (t->ElementType() == type) {
            throw EInvalidOperation("Type " + type->Name() + " is still used by " + t->Name());
        }
    }
    for (auto it = r.types.begin(); it != r.types.end(); ++it) {
        if (it->second.get() == type) {
            r.typesByName.erase(type->Name());
            r.types.erase(it);
            return;
        }
    }
}

std::string GetEnumName(const TTypeInfo* type, int64_t value)
{
    if (!type || value < 0 || value >= static_cast<int64_t>(type->EnumNames().size())) return {};
    return type->EnumNames()[static_cast<size_t>(value)];
}

int GetEnumValue(const TTypeInfo* type, std::string_view name) noexcept
{
    return type ? type->IndexOfName(Trim(name)) : -1;
}

std::string SetToString(const TTypeInfo* setType, uint32_t bits, bool brackets)
{
    std::string text;
    const TTypeInfo* element = setType ? setType->ElementType() : nullptr;
    if (element) {
        const auto& names = element->EnumNames();
        for (size_t i = 0; i < names.size() && i < 32; ++i) {
            if (!(bits & (uint32_t(1) << i))) continue;
            if (!text.empty()) text += ',';
            text += names[i];
        }
    }
    return brackets ? "[" + text + "]" : text;
}

uint32_t StringToSet(const TTypeInfo* setType, std::string_view text)
{
    const TTypeInfo* element = setType ? setType->ElementType() : nullptr;
    std::string_view s = text;
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') s.remove_prefix(1);
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') s.remove_suffix(1);
    if (!s.empty() && s.front() == '[') s.remove_prefix(1);
    if (!s.empty() && s.back() == ']') s.remove_suffix(1);
    uint32_t bits = 0;
    while (true) {
        const size_t comma = s.find(',');
        const std::string name = Trim(s.substr(0, comma));
        if (!name.empty()) {
            const int index = element ? element->IndexOfName(name) : -1;
            if (index < 0 || index >= 32) throw EPropertyError("Invalid property element: " + name);
            bits |= uint32_t(1) << index;
        }
        if (comma == std::string_view::npos) break;
        s.remove_prefix(comma + 1);
    }
    return bits;
}

// ---------------------------------------------------------------- properties

int64_t TPropAccessor::GetOrd(const TPropInfo& p, const TObject*) const { reflection_detail::raiseInvalidType(p); }
void TPropAccessor::SetOrd(const TPropInfo& p, TObject*, int64_t) const { reflection_detail::raiseInvalidType(p); }
Extended TPropAccessor::GetFloat(const TPropInfo& p, const TObject*) const { reflection_detail::raiseInvalidType(p); }
void TPropAccessor::SetFloat(const TPropInfo& p, TObject*, Extended) const { reflection_detail::raiseInvalidType(p); }
std::string TPropAccessor::GetStr(const TPropInfo& p, const TObject*) const { reflection_detail::raiseInvalidType(p); }
void TPropAccessor::SetStr(const TPropInfo& p, TObject*, const std::string&) const
{
    reflection_detail::raiseInvalidType(p);
}
WideString TPropAccessor::GetWideStr(const TPropInfo& p, const TObject*) const
{
    reflection_detail::raiseInvalidType(p);
}
void TPropAccessor::SetWideStr(const TPropInfo& p, TObject*, const WideString&) const
{
    reflection_detail::raiseInvalidType(p);
}
Variant TPropAccessor::GetVariant(const TPropInfo& p, const TObject*) const { reflection_detail::raiseInvalidType(p); }
void TPropAccessor::SetVariant(const TPropInfo& p, TObject*, const Variant&) const
{
    reflection_detail::raiseInvalidType(p);
}
TObject* TPropAccessor::GetObject(const TPropInfo& p, const TObject*) const { reflection_detail::raiseInvalidType(p); }
void TPropAccessor::SetObject(const TPropInfo& p, TObject*, TObject*) const { reflection_detail::raiseInvalidType(p); }
TMethod TPropAccessor::GetMethod(const TPropInfo& p, const TObject*) const { reflection_detail::raiseInvalidType(p); }
void TPropAccessor::SetMethod(const TPropInfo& p, TObject*, const TMethod&) const
{
    reflection_detail::raiseInvalidType(p);
}

TPropInfo::TPropInfo(std::string name, const TTypeInfo* type, std::shared_ptr<const TPropAccessor> access)
    : name_(std::move(name)), type_(type), access_(std::move(access))
{
}

TPropInfo::~TPropInfo() = default;

bool TPropInfo::IsStored(const TObject* instance) const
{
    if (storedFn_) return storedFn_(instance);
    return storedConst_;
}

namespace reflection_detail {

const TTypeInfo* builtinType(Builtin id) noexcept { return registry().builtins[static_cast<size_t>(id)].get(); }

const TTypeInfo* registeredType(std::type_index cppType)
{
    if (const TTypeInfo* t = FindTypeInfo(cppType)) return t;
    throw EInvalidOperation(std::string("The type ") + cppType.name() + " is not registered");
}

const TTypeInfo* registerType(std::type_index cppType, std::unique_ptr<TTypeInfo> type)
{
    Registry& r = registry();
    if (const TTypeInfo* existing = FindTypeInfo(cppType)) return existing;
    if (findName(r.typesByName, type->Name())) {
        throw EInvalidOperation("A type named " + type->Name() + " already exists");
    }
    const TTypeInfo* t = type.get();
    r.typesByName.emplace(t->Name(), t);
    r.types.emplace(cppType, std::move(type));
    return t;
}

void raiseInvalidType(const TPropInfo& p) { throw EPropertyError("Invalid property type: " + p.TypeName()); }
void raiseReadOnly(const TPropInfo& p) { throw EPropertyError("Property " + p.Name() + " is read-only"); }
void raiseInvalidValue() { throw EPropertyError("Invalid property value"); }

void raiseNoInheritedProperty(const TClass& c, std::string_view name)
{
    throw EInvalidOperation("Class " + c.ClassName() + " inherits no property " + std::string(name));
}

TComponent* componentOwner(TObject* owner)
{
    if (!owner) return nullptr;
    if (auto* c = dynamic_cast<TComponent*>(owner)) return c;
    throw EInvalidOperation("The owner of a component must be a component, not a " + owner->ClassName());
}

TCollection* collectionOwner(TObject* owner)
{
    if (!owner) return nullptr;
    if (auto* c = dynamic_cast<TCollection*>(owner)) return c;
    throw EInvalidOperation("The owner of a collection item must be a collection, not a " + owner->ClassName());
}

void PropSetup::setDefault(TPropInfo& p, bool has, int64_t value)
{
    p.hasDefault_ = has;
    p.default_ = value;
}

void PropSetup::setStored(TPropInfo& p, bool stored, std::function<bool(const TObject*)> fn)
{
    p.storedConst_ = stored;
    p.storedFn_ = std::move(fn);
}

void PropSetup::copyStored(TPropInfo& p, const TPropInfo& from)
{
    p.storedConst_ = from.storedConst_;
    p.storedFn_ = from.storedFn_;
}

void PropSetup::setTypeName(TPropInfo& p, std::string_view name)
{
    const TTypeInfo* old = p.type_;
    if (const TTypeInfo* known = FindTypeInfo(name); known && known->Kind() == old->Kind()) {
        p.type_ = known;
        p.ownType_.reset();
        return;
    }
    std::unique_ptr<TTypeInfo> t;
    if (old->Kind() == pkEnumeration) t = std::make_unique<TTypeInfo>(std::string(name), old->EnumNames());
    else if (old->Kind() == pkSet) t = std::make_unique<TTypeInfo>(std::string(name), old->ElementType());
    else if (IsObjectKind(old->Kind()) || old->Kind() == pkMethod)
        t = std::make_unique<TTypeInfo>(std::string(name), old->Kind(), old->className_);
    else t = std::make_unique<TTypeInfo>(std::string(name), old->Kind(), old->MinValue(), old->MaxValue());
    setOwnType(p, std::move(t));
}

}  // namespace reflection_detail

// ---------------------------------------------------------------- TClass

struct TClass::NameIndex {
    NameMap<const TPropInfo*> map;
};

TClass::TClass(std::string name, const TClass* parent, TObjectFactory factory)
    : name_(std::move(name)), parent_(parent), factory_(factory), index_(std::make_unique<NameIndex>())
{
    if (parent_) {
        all_ = parent_->all_;
        index_->map = parent_->index_->map;
    }
}

TClass::~TClass() = default;

bool TClass::InheritsFrom(const TClass* ancestor) const noexcept
{
    for (const TClass* c = this; c; c = c->parent_) {
        if (c == ancestor) return true;
    }
    return false;
}

TObject* TClass::Create(TObject* owner) const
{
    if (!factory_) throw EInvalidOperation("Cannot create an instance of abstract class " + name_);
    return factory_(owner);
}

const TPropInfo* TClass::FindProperty(std::string_view name) const noexcept { return findName(index_->map, name); }

namespace reflection_detail {

std::pair<TClass*, bool> ClassSetup::registerClass(std::string_view name, const TClass* parent,
                                                   std::string_view parentName, bool isRoot, TObjectFactory factory,
                                                   const TClass** slot)
{
    if (*slot) return {const_cast<TClass*>(*slot), false};
    if (!isRoot && !parent) {
        throw EInvalidOperation("Class " + std::string(name) + ": ancestor " + std::string(parentName) +
                                " is not registered");
    }
    Registry& r = registry();
    if (findName(r.classesByName, name)) {
        throw EInvalidOperation("A class named " + std::string(name) + " already exists");
    }
    auto cls = std::make_unique<TClass>(std::string(name), parent, factory);
    TClass* c = cls.get();
    c->slot_ = slot;
    *slot = c;
    r.classesByName.emplace(c->ClassName(), c);
    r.classes.push_back(std::move(cls));
    return {c, true};
}

TPropInfo& ClassSetup::addProperty(TClass& c, std::unique_ptr<TPropInfo> p)
{
    for (const auto& own : c.own_) {
        if (sameName(own->Name(), p->Name())) {
            throw EInvalidOperation("Property " + c.ClassName() + "." + p->Name() + " is declared twice");
        }
    }
    PropSetup::setClass(*p, &c);
    TPropInfo* added = p.get();
    auto& map = c.index_->map;
    auto it = map.find(added->Name());
    if (it != map.end()) {
        // Redeclared: the ancestor's place, the new record.
        std::replace(c.all_.begin(), c.all_.end(), it->second, static_cast<const TPropInfo*>(added));
        it->second = added;
    } else {
        c.all_.push_back(added);
        map.emplace(added->Name(), added);
    }
    c.own_.push_back(std::move(p));
    return *added;
}

const TPropInfo* ClassSetup::inherited(const TClass& c, std::string_view name) noexcept
{
    return c.parent_ ? c.parent_->FindProperty(name) : nullptr;
}

void ClassSetup::abandon(TClass* c) noexcept
{
    Registry& r = registry();
    *c->slot_ = nullptr;
    r.classesByName.erase(c->ClassName());
    std::erase_if(r.classes, [c](const std::unique_ptr<TClass>& p) { return p.get() == c; });
}

}  // namespace reflection_detail

const TClass* GetClass(std::string_view name) noexcept { return findName(registry().classesByName, name); }

const TClass* FindClass(std::string_view name)
{
    if (const TClass* c = GetClass(name)) return c;
    throw EClassNotFound("Class " + std::string(name) + " not found");
}

std::vector<const TClass*> RegisteredClasses()
{
    std::vector<const TClass*> list;
    for (const auto& c : registry().classes) list.push_back(c.get());
    return list;
}

void UnregisterClass(const TClass* cls)
{
    if (!cls) return;
    for (const auto& c : registry().classes) {
        if (c->ClassParent() == cls) {
            throw EInvalidOperation("Class " + cls->ClassName() + " still has the descendant " + c->ClassName());
        }
    }
    reflection_detail::ClassSetup::abandon(const_cast<TClass*>(cls));
}

// ---------------------------------------------------------------- objects

TObject::~TObject() { ReleaseHandle(); }

const std::string& TObject::ClassName() const noexcept
{
    static const std::string unknown;
    const TClass* c = ClassType();
    return c ? c->ClassName() : unknown;
}

bool TObject::InheritsFrom(const TClass* ancestor) const noexcept
{
    const TClass* c = ClassType();
    return c && c->InheritsFrom(ancestor);
}

ObjectHandle TObject::Handle() const
{
    if (handle_ == kReleasedHandle) return 0;  // going away: nil from now on
    if (handle_) return handle_;
    HandleTable& t = handles();
    uint32_t index;
    if (!t.freeSlots.empty()) {
        index = t.freeSlots.front();
        t.freeSlots.pop_front();
    } else {
        if (t.slots.size() >= kSlotMask) throw EInvalidOperation("Too many objects");
        index = static_cast<uint32_t>(t.slots.size());
        t.slots.emplace_back();
    }
    HandleSlot& slot = t.slots[index];
    slot.object = const_cast<TObject*>(this);
    ++t.live;
    handle_ = (static_cast<uint64_t>(slot.generation) << kSlotBits) | (index + 1);
    return handle_;
}

void TObject::ReleaseHandle() noexcept
{
    if (handle_ == kReleasedHandle) return;
    if (!handle_) {
        handle_ = kReleasedHandle;
        return;
    }
    HandleTable& t = handles();
    const auto index = static_cast<uint32_t>((handle_ & kSlotMask) - 1);
    HandleSlot& slot = t.slots[index];
    slot.object = nullptr;
    slot.generation = slot.generation >= kGenerationLimit ? 1 : slot.generation + 1;
    --t.live;
    // A free list that cannot grow would leave the slot unused: harmless.
    try {
        t.freeSlots.push_back(index);
    } catch (...) {
    }
    handle_ = kReleasedHandle;
}

TObject* FindObjectByHandle(ObjectHandle handle) noexcept
{
    const uint64_t index = handle & kSlotMask;
    const HandleTable& t = handles();
    if (index == 0 || index > t.slots.size()) return nullptr;
    const HandleSlot& slot = t.slots[index - 1];
    if (slot.generation != (handle >> kSlotBits)) return nullptr;
    return slot.object;
}

TObject* ObjectFromHandle(ObjectHandle handle)
{
    if (handle == 0) return nullptr;
    TObject* o = FindObjectByHandle(handle);
    if (!o) raiseInvalidReference();
    return o;
}

size_t LiveHandleCount() noexcept { return handles().live; }

Variant ObjectToVariant(const TObject* object) { return Variant::FromObject(object ? object->Handle() : 0); }

TObject* VariantToObject(const Variant& value)
{
    if (value.isEmptyOrNull()) return nullptr;
    if (value.isObject()) return ObjectFromHandle(value.rawObject());
    if (value.isOrdinal()) {
        const int64_t h = value.toInt64();
        if (h < 0) raiseInvalidReference();
        return ObjectFromHandle(static_cast<ObjectHandle>(h));
    }
    raiseInvalidReference();
}

// ---------------------------------------------------------------- access

const TPropInfo* GetPropInfo(const TClass* cls, std::string_view name) noexcept
{
    return cls ? cls->FindProperty(name) : nullptr;
}

const TPropInfo* GetPropInfo(const TObject* instance, std::string_view name) noexcept
{
    return instance ? GetPropInfo(instance->ClassType(), name) : nullptr;
}

bool IsPublishedProp(const TObject* instance, std::string_view name) noexcept
{
    return GetPropInfo(instance, name) != nullptr;
}

namespace {

enum class PathResult { Found, Missing, NilObject };

PathResult walkPath(TObject* root, std::string_view path, TObject*& target, const TPropInfo*& prop) noexcept
{
    target = root;
    prop = nullptr;
    if (!root) return PathResult::NilObject;
    while (true) {
        const size_t dot = path.find('.');
        const TPropInfo* p = GetPropInfo(target, path.substr(0, dot));
        if (!p) return PathResult::Missing;
        if (dot == std::string_view::npos) {
            prop = p;
            return PathResult::Found;
        }
        const TPropKind k = p->Kind();
        if (k != pkObject && k != pkStrings && k != pkWideStrings) return PathResult::Missing;
        TObject* next = nullptr;
        try {
            next = p->GetObject(target);
        } catch (...) {
            return PathResult::Missing;
        }
        if (!next) return PathResult::NilObject;
        target = next;
        path.remove_prefix(dot + 1);
    }
}

// The property a path names, raising when there is none.
const TPropInfo* resolve(TObject* instance, std::string_view path, TObject*& target)
{
    const TPropInfo* prop = nullptr;
    switch (walkPath(instance, path, target, prop)) {
    case PathResult::Found: return prop;
    case PathResult::Missing: raiseNoProperty(path);
    case PathResult::NilObject: break;
    }
    raiseInvalidReference();
}

Variant ordinalVariant(int64_t v)
{
    if (v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max()) {
        return Variant(static_cast<int32_t>(v));
    }
    return Variant(v);
}

// The same, for a property that must be of one kind.
const TPropInfo* resolveKind(TObject* instance, std::string_view path, TObject*& target, TPropKind kind)
{
    const TPropInfo* prop = resolve(instance, path, target);
    if (prop->Kind() != kind) reflection_detail::raiseInvalidType(*prop);
    return prop;
}

int64_t enumOrdinal(const TPropInfo* prop, std::string_view name)
{
    const int v = GetEnumValue(prop->PropType(), name);
    if (v < 0) reflection_detail::raiseInvalidValue();
    return v;
}

}  // namespace

const TPropInfo* FindPropPath(TObject* root, std::string_view path, TObject*& target) noexcept
{
    const TPropInfo* prop = nullptr;
    if (walkPath(root, path, target, prop) != PathResult::Found) return nullptr;
    return prop;
}

Variant GetPropValue(const TObject* instance, const TPropInfo* prop)
{
    if (!instance) raiseInvalidReference();
    switch (prop->Kind()) {
    case pkInteger:
    case pkSet: return ordinalVariant(prop->GetOrd(instance));
    case pkInt64: return Variant(prop->GetOrd(instance));
    case pkChar: return Variant(std::string(1, static_cast<char>(prop->GetOrd(instance))));
    case pkEnumeration:
        if (prop->PropType()->IsBoolean()) return Variant(prop->GetOrd(instance) != 0);
        return ordinalVariant(prop->GetOrd(instance));
    case pkFloat: return Variant(prop->GetFloat(instance));
    case pkString: return Variant(prop->GetStr(instance));
    case pkWideString: return Variant(prop->GetWideStr(instance));
    case pkVariant: return prop->GetVariant(instance);
    case pkComponent:
    case pkObject:
    case pkStrings:
    case pkWideStrings: return ObjectToVariant(prop->GetObject(instance));
    case pkMethod: break;
    }
    return Variant::Null();
}

void SetPropValue(TObject* instance, const TPropInfo* prop, const Variant& value)
{
    if (!instance) raiseInvalidReference();
    switch (prop->Kind()) {
    case pkInteger:
    case pkInt64: prop->SetOrd(instance, value.toInt64()); return;
    case pkChar:
        if (value.isString()) {
            const std::string s = value.toString();
            prop->SetOrd(instance, s.empty() ? 0 : static_cast<unsigned char>(s[0]));
        } else {
            prop->SetOrd(instance, value.toInt64());
        }
        return;
    case pkEnumeration:
        if (prop->PropType()->IsBoolean()) prop->SetOrd(instance, value.toBool() ? 1 : 0);
        else if (value.isString()) prop->SetOrd(instance, enumOrdinal(prop, value.toString()));
        else prop->SetOrd(instance, value.toInt64());
        return;
    case pkSet:
        if (value.isString()) prop->SetOrd(instance, StringToSet(prop->PropType(), value.toString()));
        else prop->SetOrd(instance, value.toInt64());
        return;
    case pkFloat: prop->SetFloat(instance, value.toDouble()); return;
    case pkString: prop->SetStr(instance, VarToStr(value)); return;
    case pkWideString: prop->SetWideStr(instance, VarToWideStr(value)); return;
    case pkVariant: prop->SetVariant(instance, value); return;
    case pkComponent:
    case pkObject:
    case pkStrings:
    case pkWideStrings: prop->SetObject(instance, VariantToObject(value)); return;
    case pkMethod: break;
    }
    reflection_detail::raiseInvalidType(*prop);
}

Variant GetPropValue(TObject* instance, std::string_view path)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolve(instance, path, target);
    return GetPropValue(target, prop);
}

void SetPropValue(TObject* instance, std::string_view path, const Variant& value)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolve(instance, path, target);
    SetPropValue(target, prop, value);
}

std::string GetPropText(const TObject* instance, const TPropInfo* prop)
{
    switch (prop->Kind()) {
    case pkInteger:
    case pkInt64: return IntToStr(prop->GetOrd(instance));
    case pkChar: return std::string(1, static_cast<char>(prop->GetOrd(instance)));
    case pkEnumeration: return GetEnumName(prop->PropType(), prop->GetOrd(instance));
    case pkSet: return SetToString(prop->PropType(), static_cast<uint32_t>(prop->GetOrd(instance)));
    case pkFloat: return FloatToStr(prop->GetFloat(instance));
    case pkString: return prop->GetStr(instance);
    case pkWideString: return Utf16ToUtf8(prop->GetWideStr(instance));
    case pkVariant: return VarToStr(prop->GetVariant(instance));
    default: break;
    }
    reflection_detail::raiseInvalidType(*prop);
}

void SetPropText(TObject* instance, const TPropInfo* prop, std::string_view text)
{
    int64_t number = 0;
    switch (prop->Kind()) {
    case pkInteger:
    case pkInt64: prop->SetOrd(instance, StrToInt64(text)); return;
    case pkChar:
        if (text.size() == 1) prop->SetOrd(instance, static_cast<unsigned char>(text[0]));
        else if (TryStrToInt64(text, number)) prop->SetOrd(instance, number);
        else reflection_detail::raiseInvalidValue();
        return;
    case pkEnumeration:
        if (TryStrToInt64(text, number)) prop->SetOrd(instance, number);
        else prop->SetOrd(instance, enumOrdinal(prop, text));
        return;
    case pkSet:
        if (TryStrToInt64(text, number)) prop->SetOrd(instance, number);
        else prop->SetOrd(instance, StringToSet(prop->PropType(), text));
        return;
    case pkFloat: prop->SetFloat(instance, StrToFloat(text)); return;
    case pkString: prop->SetStr(instance, std::string(text)); return;
    case pkWideString: prop->SetWideStr(instance, Utf8ToUtf16(text)); return;
    case pkVariant: prop->SetVariant(instance, Variant(text)); return;
    default: break;
    }
    reflection_detail::raiseInvalidType(*prop);
}

int64_t GetOrdProp(TObject* instance, std::string_view path)
{
    TObject* target = nullptr;
    return resolve(instance, path, target)->GetOrd(target);
}

void SetOrdProp(TObject* instance, std::string_view path, int64_t value)
{
    TObject* target = nullptr;
    resolve(instance, path, target)->SetOrd(target, value);
}

std::string GetEnumProp(TObject* instance, std::string_view path)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolveKind(instance, path, target, pkEnumeration);
    return GetEnumName(prop->PropType(), prop->GetOrd(target));
}

void SetEnumProp(TObject* instance, std::string_view path, std::string_view value)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolveKind(instance, path, target, pkEnumeration);
    prop->SetOrd(target, enumOrdinal(prop, value));
}

std::string GetSetProp(TObject* instance, std::string_view path, bool brackets)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolveKind(instance, path, target, pkSet);
    return SetToString(prop->PropType(), static_cast<uint32_t>(prop->GetOrd(target)), brackets);
}

void SetSetProp(TObject* instance, std::string_view path, std::string_view value)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolveKind(instance, path, target, pkSet);
    prop->SetOrd(target, StringToSet(prop->PropType(), value));
}

Extended GetFloatProp(TObject* instance, std::string_view path)
{
    TObject* target = nullptr;
    return resolve(instance, path, target)->GetFloat(target);
}

void SetFloatProp(TObject* instance, std::string_view path, Extended value)
{
    TObject* target = nullptr;
    resolve(instance, path, target)->SetFloat(target, value);
}

std::string GetStrProp(TObject* instance, std::string_view path)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolve(instance, path, target);
    if (prop->Kind() == pkWideString) return Utf16ToUtf8(prop->GetWideStr(target));
    return prop->GetStr(target);
}

void SetStrProp(TObject* instance, std::string_view path, const std::string& value)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolve(instance, path, target);
    if (prop->Kind() == pkWideString) prop->SetWideStr(target, Utf8ToUtf16(value));
    else prop->SetStr(target, value);
}

WideString GetWideStrProp(TObject* instance, std::string_view path)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolve(instance, path, target);
    if (prop->Kind() == pkString) return Utf8ToUtf16(prop->GetStr(target));
    return prop->GetWideStr(target);
}

void SetWideStrProp(TObject* instance, std::string_view path, const WideString& value)
{
    TObject* target = nullptr;
    const TPropInfo* prop = resolve(instance, path, target);
    if (prop->Kind() == pkString) prop->SetStr(target, Utf16ToUtf8(value));
    else prop->SetWideStr(target, value);
}

TObject* GetObjectProp(TObject* instance, std::string_view path)
{
    TObject* target = nullptr;
    return resolve(instance, path, target)->GetObject(target);
}

void SetObjectProp(TObject* instance, std::string_view path, TObject* value)
{
    TObject* target = nullptr;
    resolve(instance, path, target)->SetObject(target, value);
}

TMethod GetMethodProp(TObject* instance, std::string_view path)
{
    TObject* target = nullptr;
    return resolve(instance, path, target)->GetMethod(target);
}

void SetMethodProp(TObject* instance, std::string_view path, const TMethod& value)
{
    TObject* target = nullptr;
    resolve(instance, path, target)->SetMethod(target, value);
}

bool IsDefaultPropValue(const TObject* instance, const TPropInfo* prop)
{
    const TPropKind k = prop->Kind();
    if (IsOrdinalKind(k)) return prop->HasDefault() && prop->GetOrd(instance) == prop->Default();
    if (k == pkString) return prop->GetStr(instance).empty();
    if (k == pkWideString) return prop->GetWideStr(instance).empty();
    return false;
}

bool IsStoredProp(const TObject* instance, const TPropInfo* prop) { return prop->IsStored(instance); }
