#pragma once
// The reflection layer: class records with their published properties,
// checked object handles and weak references. It stands in for the
// platform's run-time type information. The script engine, the report
// serializer and the object registries read and write objects only
// through it.
//
// A class takes part by naming itself once in its body and by being
// registered from an explicit registerXxx() function:
//
//     class TFont : public TGraphicsObject {
//         DORVAK_CLASS(TFont, TGraphicsObject)
//     public:
//         ...
//         static void Publish(TClassBuilder<TFont>& b);
//     };
//
//     void TFont::Publish(TClassBuilder<TFont>& b)
//     {
//         b.property("Color", &TFont::Color, &TFont::SetColor);
//         b.property("Pitch", &TFont::Pitch, &TFont::SetPitch).defaultValue(fpDefault);
//         b.property("Size", &TFont::Size, &TFont::SetSize).stored(false);
//     }
//
//     RegisterClass<TFont>(TFont::Publish);   // inside registerXxx()
//
// Registration happens on the start-up thread before anything else runs;
// afterwards the registry is only read. Handles are issued and resolved on
// the GUI thread (the system has no other).

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <typeindex>
#include <utility>
#include <vector>

#include "Exceptions.h"
#include "Numbers.h"
#include "Variant.h"

class TObject;
class TComponent;
class TCollection;
class TStrings;
class TClass;
class TTypeInfo;
class TPropInfo;
template <class T> class TClassBuilder;
namespace reflection_detail {
struct PropSetup;
struct ClassSetup;
}  // namespace reflection_detail

// ---------------------------------------------------------------- sets

// A set of an enumeration with at most 32 elements, one bit per element in
// declaration order (the platform's small sets: bit 0 is the first element).
template <typename E>
class TSet {
    static_assert(std::is_enum_v<E>, "TSet holds enumeration elements");

public:
    using Element = E;

    constexpr TSet() noexcept = default;
    constexpr TSet(std::initializer_list<E> elements) noexcept
    {
        for (E e : elements) Include(e);
    }
    static constexpr TSet FromBits(uint32_t bits) noexcept
    {
        TSet s;
        s.bits_ = bits;
        return s;
    }

    constexpr uint32_t Bits() const noexcept { return bits_; }
    constexpr bool Empty() const noexcept { return bits_ == 0; }
    constexpr bool Contains(E e) const noexcept { return (bits_ & bit(e)) != 0; }
    constexpr TSet& Include(E e) noexcept
    {
        bits_ |= bit(e);
        return *this;
    }
    constexpr TSet& Exclude(E e) noexcept
    {
        bits_ &= ~bit(e);
        return *this;
    }

    friend constexpr TSet operator+(TSet a, TSet b) noexcept { return FromBits(a.bits_ | b.bits_); }
    friend constexpr TSet operator*(TSet a, TSet b) noexcept { return FromBits(a.bits_ & b.bits_); }
    friend constexpr TSet operator-(TSet a, TSet b) noexcept { return FromBits(a.bits_ & ~b.bits_); }
    friend constexpr bool operator==(TSet a, TSet b) noexcept = default;

private:
    static constexpr uint32_t bit(E e) noexcept { return uint32_t(1) << static_cast<unsigned>(e); }
    uint32_t bits_ = 0;
};

// ---------------------------------------------------------------- events

// The value of an event property: a handler and the object it belongs to
// (the platform's method pointer, code and data). Whoever attaches a
// handler passes itself as Data, so that it can recognise its own handler
// later and detach it.
template <typename Sig>
class TEvent;

template <typename... Args>
class TEvent<void(Args...)> {
public:
    using Handler = std::function<void(Args...)>;

    TEvent() = default;
    TEvent(std::nullptr_t) {}
    TEvent(Handler handler, const void* data = nullptr) : handler_(std::move(handler)), data_(data) {}
    // Any callable of the signature (a lambda): obj->OnChange = [&](TObject*) {...};
    template <class F>
        requires(!std::is_same_v<std::decay_t<F>, TEvent> && !std::is_same_v<std::decay_t<F>, Handler> &&
                 std::is_constructible_v<Handler, F>)
    TEvent(F&& f, const void* data = nullptr) : handler_(std::forward<F>(f)), data_(data)
    {
    }

    explicit operator bool() const noexcept { return static_cast<bool>(handler_); }
    void operator()(Args... args) const
    {
        if (handler_) handler_(std::forward<Args>(args)...);
    }
    const Handler& Code() const noexcept { return handler_; }
    const void* Data() const noexcept { return data_; }

private:
    Handler handler_;
    const void* data_ = nullptr;
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;

// An event property's value without its signature, for reading and
// assigning events by name. Code holds the TEvent<Sig>::Handler of the
// property's own signature, or nothing (no handler).
struct TMethod {
    std::any Code;
    const void* Data = nullptr;

    bool Assigned() const noexcept { return Code.has_value(); }
    template <typename Sig>
    static TMethod Of(const TEvent<Sig>& event)
    {
        TMethod m;
        if (event) m.Code = event.Code();
        m.Data = event.Data();
        return m;
    }
};

// ---------------------------------------------------------------- types

// What a published property holds. The class kinds (component reference,
// nested object, string lists) are told apart because the serializer
// treats each differently.
enum TPropKind : uint8_t {
    pkInteger,      // Integer, Byte, Word, Cardinal, TColor...
    pkInt64,
    pkChar,         // one 8-bit character
    pkEnumeration,  // Boolean among them
    pkSet,          // bit mask of an enumeration's elements
    pkFloat,        // Single, Double, Extended
    pkString,       // 8-bit (UTF-8) text
    pkWideString,   // UTF-16 text
    pkVariant,
    pkComponent,    // reference to a component, stored by name
    pkObject,       // nested persistent object owned by the property's owner (Font, Frame)
    pkStrings,      // owned TStrings, stored as text
    pkWideStrings,  // owned wide string list (the report's TWideStrings)
    pkMethod,       // event
};

constexpr bool IsOrdinalKind(TPropKind k) noexcept
{
    return k == pkInteger || k == pkInt64 || k == pkChar || k == pkEnumeration || k == pkSet;
}
constexpr bool IsObjectKind(TPropKind k) noexcept
{
    return k == pkComponent || k == pkObject || k == pkStrings || k == pkWideStrings;
}

// The type of a property: its name as scripts see it ("Boolean", "Integer",
// "Extended", "String", "TColor", "TrpHAlign", "TFontStyles", "TFont"), its
// kind, the ordinal range, the names of an enumeration and the element type
// of a set. Built-in types exist from the start; enumerations, sets and
// named integer types are registered (RegisterEnum, RegisterSet,
// RegisterIntegerType).
class TTypeInfo {
public:
    TTypeInfo(std::string name, TPropKind kind, int64_t minValue = 0, int64_t maxValue = 0);
    TTypeInfo(std::string name, std::vector<std::string> enumNames);  // an enumeration
    TTypeInfo(std::string name, const TTypeInfo* elementType);        // a set
    TTypeInfo(std::string name, TPropKind kind, std::string className);  // a class kind
    ~TTypeInfo() = default;
    TTypeInfo(const TTypeInfo&) = delete;
    TTypeInfo& operator=(const TTypeInfo&) = delete;

    const std::string& Name() const noexcept { return name_; }
    TPropKind Kind() const noexcept { return kind_; }
    // Ordinal kinds: the valid range (a set: 0 to the mask of its elements).
    int64_t MinValue() const noexcept { return min_; }
    int64_t MaxValue() const noexcept { return max_; }
    // Enumerations: the element names in ordinal order. Empty otherwise.
    const std::vector<std::string>& EnumNames() const noexcept { return names_; }
    // Sets: the enumeration of their elements. nullptr otherwise.
    const TTypeInfo* ElementType() const noexcept { return element_; }
    // Class kinds: the declared class, looked up by name, so it may be
    // registered after the property that names it (nullptr until then).
    const TClass* ClassRef() const;

    // Enumerations: the ordinal of a name ignoring case, or -1.
    int IndexOfName(std::string_view name) const noexcept;
    bool IsBoolean() const noexcept;

private:
    friend struct reflection_detail::PropSetup;
    std::string name_;
    TPropKind kind_;
    int64_t min_ = 0;
    int64_t max_ = 0;
    std::vector<std::string> names_;
    const TTypeInfo* element_ = nullptr;
    std::string className_;
};

// The built-in types by name ("Boolean", "Char", "Byte", "Smallint", "Word",
// "Integer", "Cardinal", "Int64", "Single", "Double", "Extended",
// "TDateTime", "String", "WideString", "Variant") or a registered
// enumeration, set or integer type. nullptr when unknown.
const TTypeInfo* FindTypeInfo(std::string_view name) noexcept;
// The type registered for a C++ enumeration or TSet type, nullptr if none.
const TTypeInfo* FindTypeInfo(std::type_index cppType) noexcept;

// Registers a C++ enumeration under its platform name with its element
// names in ordinal order (elements must be 0, 1, 2 ...).
template <typename E>
const TTypeInfo* RegisterEnum(std::string_view name, std::initializer_list<const char*> names);
// Registers a TSet<E> type; the element enumeration must be registered.
template <typename S>
const TTypeInfo* RegisterSet(std::string_view name);
// Registers a C++ enumeration used as a named integer type (TColor).
template <typename E>
const TTypeInfo* RegisterIntegerType(std::string_view name, int64_t minValue, int64_t maxValue);
// Removes a registered type. Classes whose properties use it must be
// unregistered first.
void UnregisterType(const TTypeInfo* type);
template <typename T>
void UnregisterType()
{
    if (const TTypeInfo* t = FindTypeInfo(typeid(T))) UnregisterType(t);
}

// Enumeration text both ways. GetEnumName of an ordinal out of range is
// empty; GetEnumValue of an unknown name is -1 (names ignore case).
std::string GetEnumName(const TTypeInfo* type, int64_t value);
int GetEnumValue(const TTypeInfo* type, std::string_view name) noexcept;
// Set text: "[fsBold,fsItalic]" (without brackets when asked), elements in
// ordinal order. StringToSet takes the same form, brackets optional, blanks
// around names allowed; an unknown element raises EPropertyError "Invalid
// property element: %s".
std::string SetToString(const TTypeInfo* setType, uint32_t bits, bool brackets = true);
uint32_t StringToSet(const TTypeInfo* setType, std::string_view text);

// ---------------------------------------------------------------- properties

// Type-erased getter and setter of one property. The builder makes them;
// callers use TPropInfo.
class TPropAccessor {
public:
    virtual ~TPropAccessor() = default;
    virtual bool Writable() const noexcept = 0;
    virtual int64_t GetOrd(const TPropInfo& p, const TObject* o) const;
    virtual void SetOrd(const TPropInfo& p, TObject* o, int64_t v) const;
    virtual Extended GetFloat(const TPropInfo& p, const TObject* o) const;
    virtual void SetFloat(const TPropInfo& p, TObject* o, Extended v) const;
    virtual std::string GetStr(const TPropInfo& p, const TObject* o) const;
    virtual void SetStr(const TPropInfo& p, TObject* o, const std::string& v) const;
    virtual WideString GetWideStr(const TPropInfo& p, const TObject* o) const;
    virtual void SetWideStr(const TPropInfo& p, TObject* o, const WideString& v) const;
    virtual Variant GetVariant(const TPropInfo& p, const TObject* o) const;
    virtual void SetVariant(const TPropInfo& p, TObject* o, const Variant& v) const;
    virtual TObject* GetObject(const TPropInfo& p, const TObject* o) const;
    virtual void SetObject(const TPropInfo& p, TObject* o, TObject* v) const;
    virtual TMethod GetMethod(const TPropInfo& p, const TObject* o) const;
    virtual void SetMethod(const TPropInfo& p, TObject* o, const TMethod& v) const;
};

// One published property of a class.
//
// The typed accessors do no conversion: GetOrd serves the ordinal kinds,
// GetFloat floats, GetStr 8-bit strings, GetWideStr wide strings,
// GetVariant Variants, GetObject the class kinds, GetMethod events. The
// wrong family raises EPropertyError "Invalid property type: %s" (the type
// name); a write to a read-only property raises EPropertyError "Property %s
// is read-only"; an ordinal out of the type's range raises EPropertyError
// "Invalid property value". For conversions use GetPropValue/SetPropValue.
class TPropInfo {
public:
    TPropInfo(std::string name, const TTypeInfo* type, std::shared_ptr<const TPropAccessor> access);
    ~TPropInfo();
    TPropInfo(const TPropInfo&) = delete;
    TPropInfo& operator=(const TPropInfo&) = delete;

    const std::string& Name() const noexcept { return name_; }
    const TTypeInfo* PropType() const noexcept { return type_; }
    const std::string& TypeName() const noexcept { return type_->Name(); }
    TPropKind Kind() const noexcept { return type_->Kind(); }
    // The class whose table declared (or redeclared) the property.
    const TClass* DeclaringClass() const noexcept { return class_; }
    bool IsWritable() const noexcept { return access_->Writable(); }

    // The declared default of an ordinal property (the platform's "default
    // n"); without one the property is always stored.
    bool HasDefault() const noexcept { return hasDefault_; }
    int64_t Default() const noexcept { return default_; }
    // The "stored" flag: a constant or a per-object predicate; true unless
    // declared otherwise.
    bool IsStored(const TObject* instance) const;

    int64_t GetOrd(const TObject* o) const { return access_->GetOrd(*this, o); }
    void SetOrd(TObject* o, int64_t v) const { access_->SetOrd(*this, o, v); }
    Extended GetFloat(const TObject* o) const { return access_->GetFloat(*this, o); }
    void SetFloat(TObject* o, Extended v) const { access_->SetFloat(*this, o, v); }
    std::string GetStr(const TObject* o) const { return access_->GetStr(*this, o); }
    void SetStr(TObject* o, const std::string& v) const { access_->SetStr(*this, o, v); }
    WideString GetWideStr(const TObject* o) const { return access_->GetWideStr(*this, o); }
    void SetWideStr(TObject* o, const WideString& v) const { access_->SetWideStr(*this, o, v); }
    Variant GetVariant(const TObject* o) const { return access_->GetVariant(*this, o); }
    void SetVariant(TObject* o, const Variant& v) const { access_->SetVariant(*this, o, v); }
    TObject* GetObject(const TObject* o) const { return access_->GetObject(*this, o); }
    // Class kinds: the value must be nil or inherit from the declared class.
    void SetObject(TObject* o, TObject* v) const { access_->SetObject(*this, o, v); }
    TMethod GetMethod(const TObject* o) const { return access_->GetMethod(*this, o); }
    // Events: Code must hold the handler type of the property's signature
    // (or nothing, which detaches); another type raises "Invalid property value".
    void SetMethod(TObject* o, const TMethod& v) const { access_->SetMethod(*this, o, v); }

private:
    friend class TClass;
    friend struct reflection_detail::PropSetup;
    std::string name_;
    const TTypeInfo* type_;
    std::unique_ptr<TTypeInfo> ownType_;  // class kinds and events
    std::shared_ptr<const TPropAccessor> access_;
    const TClass* class_ = nullptr;
    bool hasDefault_ = false;
    int64_t default_ = 0;
    bool storedConst_ = true;
    std::function<bool(const TObject*)> storedFn_;
};

// ---------------------------------------------------------------- classes

using TObjectFactory = TObject* (*)(TObject* owner);

// The record of one registered class: the platform's class reference and
// its run-time type information in one.
class TClass {
public:
    TClass(std::string name, const TClass* parent, TObjectFactory factory);
    ~TClass();
    TClass(const TClass&) = delete;
    TClass& operator=(const TClass&) = delete;

    const std::string& ClassName() const noexcept { return name_; }
    const TClass* ClassParent() const noexcept { return parent_; }
    // True for the class itself and for every descendant of ancestor.
    bool InheritsFrom(const TClass* ancestor) const noexcept;
    // No factory: the class cannot be created by name.
    bool IsAbstract() const noexcept { return factory_ == nullptr; }
    // Creates an instance. For a component class the owner (a component or
    // nil) owns it; for a collection item class the owner is its
    // collection; plain classes ignore it. An abstract class raises
    // EInvalidOperation "Cannot create an instance of abstract class %s".
    TObject* Create(TObject* owner = nullptr) const;

    // Published properties in declaration order, ancestors first; a
    // property redeclared by a descendant keeps its ancestor's place.
    std::span<const TPropInfo* const> Properties() const noexcept { return all_; }
    // Ignores case; nullptr when the class has no such property.
    const TPropInfo* FindProperty(std::string_view name) const noexcept;

private:
    friend struct reflection_detail::ClassSetup;

    struct NameIndex;
    std::string name_;
    const TClass* parent_;
    TObjectFactory factory_;
    std::vector<std::unique_ptr<TPropInfo>> own_;
    std::vector<const TPropInfo*> all_;
    std::unique_ptr<NameIndex> index_;
    const TClass** slot_ = nullptr;  // the C++ type's record pointer, cleared on unregister
};

// Looks a registered class up by name, ignoring case: nullptr when unknown.
const TClass* GetClass(std::string_view name) noexcept;
// The same, raising EClassNotFound "Class %s not found" when unknown.
const TClass* FindClass(std::string_view name);
// Every registered class in registration order.
std::vector<const TClass*> RegisteredClasses();

namespace reflection_detail {
template <class T>
struct ClassRecord {
    static inline const TClass* value = nullptr;
};
}  // namespace reflection_detail

// Names a class in its own body: its class record, its C++ base as
// `inherited`, and the virtual ClassType. Put it first in the body; it
// leaves the access at public.
#define DORVAK_CLASS(Name, Base)                                                           \
public:                                                                                    \
    using inherited = Base;                                                                \
    [[maybe_unused]] static constexpr std::string_view StaticClassName = #Name;           \
    static const TClass* StaticClass() noexcept                                            \
    {                                                                                      \
        return ::reflection_detail::ClassRecord<Name>::value;                              \
    }                                                                                      \
    const TClass* ClassType() const noexcept override                                      \
    {                                                                                      \
        const TClass* c = ::reflection_detail::ClassRecord<Name>::value;                   \
        return c ? c : Base::ClassType();                                                  \
    }                                                                                      \
                                                                                           \
public:

// ---------------------------------------------------------------- objects

using ObjectHandle = uint64_t;  // also declared by Variant.h

// The root of every reflected object. Not copyable: objects have identity
// (handles, owners).
class TObject {
public:
    using inherited = void;
    static constexpr std::string_view StaticClassName = "TObject";
    static const TClass* StaticClass() noexcept { return reflection_detail::ClassRecord<TObject>::value; }

    TObject() noexcept = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject();

    // The record of the object's class (the nearest registered one).
    virtual const TClass* ClassType() const noexcept { return StaticClass(); }
    const std::string& ClassName() const noexcept;
    bool InheritsFrom(const TClass* ancestor) const noexcept;

    // The object's checked handle, issued on first use: non-zero, unique
    // for the life of the process (a slot plus a generation count), and
    // invalid once the object is destroyed. An object being destroyed
    // answers 0 (nil).
    ObjectHandle Handle() const;

protected:
    // Invalidates the handle for good (weak references read nil, Handle
    // answers 0). Destructors call it before tearing down what scripts
    // could reach.
    void ReleaseHandle() noexcept;

private:
    mutable ObjectHandle handle_ = 0;
};

// The object as a T, or nullptr: through the class records where T has
// one (a dynamic_cast walks the type tree, and comparing type names on the
// way costs more than drawing or building the object it checks), else by
// dynamic_cast. T derives from TObject without virtual bases.
template <class T>
T* ObjectAs(TObject* object) noexcept
{
    if (!object) return nullptr;
    const TClass* wanted = T::StaticClass();
    if (!wanted) return dynamic_cast<T*>(object);
    return object->InheritsFrom(wanted) ? static_cast<T*>(object) : nullptr;
}
template <class T>
const T* ObjectAs(const TObject* object) noexcept
{
    return ObjectAs<T>(const_cast<TObject*>(object));
}

// Checked handle resolution. 0 is nil and gives nullptr; a handle whose
// object is gone, or one that was never issued, raises
// EObjectReferenceError "Invalid object reference".
TObject* ObjectFromHandle(ObjectHandle handle);
// The same without raising: nullptr for nil, stale and forged handles.
TObject* FindObjectByHandle(ObjectHandle handle) noexcept;
// The live handles (for leak checks in tests).
size_t LiveHandleCount() noexcept;

// An object as a Variant (varObject with its handle; nil gives handle 0).
Variant ObjectToVariant(const TObject* object);
// The object a Variant refers to: varObject and integer kinds are handles
// (0 = nil); Empty and Null are nil. Other values and invalid handles
// raise EObjectReferenceError "Invalid object reference".
TObject* VariantToObject(const Variant& value);

// A weak reference: reads nil once its target is destroyed (in place of
// the platform's free notifications). Holds the target's handle only.
template <class T>
class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    Ref(T* object) : handle_(object ? object->Handle() : 0) {}
    template <class U>
        requires std::is_convertible_v<U*, T*>
    Ref(const Ref<U>& other) noexcept : handle_(other.handle())
    {
    }

    Ref& operator=(T* object)
    {
        handle_ = object ? object->Handle() : 0;
        return *this;
    }
    Ref& operator=(std::nullptr_t) noexcept
    {
        handle_ = 0;
        return *this;
    }

    T* get() const noexcept { return static_cast<T*>(FindObjectByHandle(handle_)); }
    // Dereferencing nil raises "Invalid object reference" instead of crashing.
    T* operator->() const { return checked(); }
    T& operator*() const { return *checked(); }
    explicit operator bool() const noexcept { return get() != nullptr; }
    ObjectHandle handle() const noexcept { return handle_; }
    void reset() noexcept { handle_ = 0; }

    friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.get() == b.get(); }
    friend bool operator==(const Ref& a, const T* b) noexcept { return a.get() == b; }

private:
    T* checked() const
    {
        T* p = get();
        if (!p) throw EObjectReferenceError("Invalid object reference");
        return p;
    }
    ObjectHandle handle_ = 0;
};

// ---------------------------------------------------------------- access

// Finds a published property of an object's class (nullptr when none).
const TPropInfo* GetPropInfo(const TObject* instance, std::string_view name) noexcept;
const TPropInfo* GetPropInfo(const TClass* cls, std::string_view name) noexcept;
bool IsPublishedProp(const TObject* instance, std::string_view name) noexcept;

// Walks a dotted path ("Font.Name", "Frame.LeftLine.Color"): every segment
// but the last must be a nested object property (pkObject, pkStrings,
// pkWideStrings) holding an object, which becomes the target. Returns the
// last segment's property and sets target, or nullptr when a segment is no
// property or a nested object is nil. Writes through the returned property
// act on the sub-object in place, so its own change notification reaches
// its owner.
const TPropInfo* FindPropPath(TObject* root, std::string_view path, TObject*& target) noexcept;

// Values with the platform's conversions (the script engine's view):
//   ordinal kinds read as Integer (Int64 as 64-bit), Boolean as Boolean,
//   Char as a one-character string, floats as Double, strings as strings,
//   Variants as is, class kinds as object handles (varObject), events as Null.
// Writing converts back: enumerations and sets also take their names
// ("haLeft", "[fsBold]"), Booleans anything a Variant turns into a Boolean,
// class kinds an object handle or nil (0, Empty, Null). Events cannot be
// written this way (use SetMethodProp). Conversion failures raise the
// Variant's errors.
Variant GetPropValue(const TObject* instance, const TPropInfo* prop);
void SetPropValue(TObject* instance, const TPropInfo* prop, const Variant& value);
// By name or dotted path; an unknown property raises EPropertyError
// "Property %s does not exist".
Variant GetPropValue(TObject* instance, std::string_view path);
void SetPropValue(TObject* instance, std::string_view path, const Variant& value);

// Text form of value kinds: decimal integers, the character, enumeration
// names, set text "[a,b]", FloatToStr, strings (wide ones as UTF-8),
// a Variant's text. Class kinds and events raise "Invalid property type".
std::string GetPropText(const TObject* instance, const TPropInfo* prop);
// Reading text back: integers, characters' codes and sets also as decimal
// numbers, enumerations as a name or an ordinal, floats with "." as the
// separator. Bad text raises EConvertError or EPropertyError.
void SetPropText(TObject* instance, const TPropInfo* prop, std::string_view text);

// The platform's typed accessors by name (dotted paths allowed).
int64_t GetOrdProp(TObject* instance, std::string_view path);
void SetOrdProp(TObject* instance, std::string_view path, int64_t value);
std::string GetEnumProp(TObject* instance, std::string_view path);
void SetEnumProp(TObject* instance, std::string_view path, std::string_view value);
std::string GetSetProp(TObject* instance, std::string_view path, bool brackets = true);
void SetSetProp(TObject* instance, std::string_view path, std::string_view value);
Extended GetFloatProp(TObject* instance, std::string_view path);
void SetFloatProp(TObject* instance, std::string_view path, Extended value);
std::string GetStrProp(TObject* instance, std::string_view path);
void SetStrProp(TObject* instance, std::string_view path, const std::string& value);
WideString GetWideStrProp(TObject* instance, std::string_view path);
void SetWideStrProp(TObject* instance, std::string_view path, const WideString& value);
TObject* GetObjectProp(TObject* instance, std::string_view path);
void SetObjectProp(TObject* instance, std::string_view path, TObject* value);
TMethod GetMethodProp(TObject* instance, std::string_view path);
void SetMethodProp(TObject* instance, std::string_view path, const TMethod& value);

// Whether a property's value equals its declared default, the rule by
// which the serializer leaves properties out: ordinal kinds with a declared
// default compare with it; strings (8-bit and wide) are default when
// empty; every other kind never is.
bool IsDefaultPropValue(const TObject* instance, const TPropInfo* prop);
bool IsStoredProp(const TObject* instance, const TPropInfo* prop);

// ---------------------------------------------------------------- registry

// Registers class T (named by DORVAK_CLASS) after its parent, and lets
// publish add its properties. Registering the same class again does
// nothing; another class of the same name raises EInvalidOperation "A
// class named %s already exists"; an unregistered parent raises
// EInvalidOperation "Class %s: ancestor %s is not registered".
template <class T>
const TClass* RegisterClass(void (*publish)(TClassBuilder<T>&) = nullptr);
// Removes a class; its descendants must be gone first (else
// EInvalidOperation "Class %s still has the descendant %s"). Objects of the
// class must not outlive its record.
void UnregisterClass(const TClass* cls);
template <class T>
void UnregisterClass()
{
    if (const TClass* c = T::StaticClass()) UnregisterClass(c);
}

#include "ReflectionBuilder.h"  // the typed builder (templates)
