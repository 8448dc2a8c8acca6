#pragma once
// The typed builder of class tables; included by Reflection.h, not on its own.
//
// One line per property:
//     b.property("Left", &T::Left, &T::SetLeft);              // getter, setter
//     b.property("Tag", &T::tag_);                             // a field, read and written
//     b.property("Count", &T::Count);                          // getter only: read-only
//     b.property("HAlign", &T::HAlign, &T::SetHAlign).defaultValue(haLeft);
//     b.property("Font", &T::Font, &T::SetFont).stored(&T::IsFontStored);
//     b.property("OnChange", &T::OnChange);                     // a TEvent field
//     b.property("Created", &T::Created, &T::SetCreated).typeName("TDateTime");
//     b.redeclare("Visible").defaultValue(false);              // inherited, new default
// Getters and setters are anything std::invoke can call on the object:
// member functions (of T or a base), fields, or lambdas taking T&.
//
// The C++ type of the getter's result decides the kind and type name:
//   bool Boolean, char Char, uint8_t Byte, int16_t Smallint, uint16_t Word,
//   int32_t Integer, uint32_t Cardinal, int64_t Int64, float Single,
//   double Double, long double Extended, std::string String, WideString,
//   Variant; a registered enumeration, TSet or integer type (TColor) by its
//   registered name; P* or Ref<P> with P a TObject by P's class name, as a
//   component reference (P a TComponent), a string list (P a TStrings) or a
//   nested object (otherwise; specialise ObjectPropKind<P> to say
//   otherwise); TEvent<Sig> an event.

#include <functional>
#include <type_traits>
#include <typeindex>
#include <typeinfo>

namespace reflection_detail {

enum class Family { Ord, Float, Str, WideStr, Var, Obj, Method };
enum class Builtin {
    Boolean, Char, Byte, Smallint, Word, Integer, Cardinal, Int64,
    Single, Double, Extended, String, WideString, Variant
};

const TTypeInfo* builtinType(Builtin id) noexcept;
// The type registered for a C++ enumeration or set; raises EInvalidOperation
// naming the C++ type when it is missing.
const TTypeInfo* registeredType(std::type_index cppType);
const TTypeInfo* registerType(std::type_index cppType, std::unique_ptr<TTypeInfo> type);

[[noreturn]] void raiseInvalidType(const TPropInfo& p);
[[noreturn]] void raiseReadOnly(const TPropInfo& p);
[[noreturn]] void raiseInvalidValue();

inline void checkOrd(const TPropInfo& p, int64_t v)
{
    const TTypeInfo* t = p.PropType();
    if (t->Kind() == pkSet) {
        if (v < 0 || (static_cast<uint64_t>(v) & ~static_cast<uint64_t>(t->MaxValue())) != 0) raiseInvalidValue();
    } else if (t->Kind() != pkInt64 && (v < t->MinValue() || v > t->MaxValue())) {
        raiseInvalidValue();
    }
}

// Owners handed to factories, checked for their class.
TComponent* componentOwner(TObject* owner);
TCollection* collectionOwner(TObject* owner);

// Changes to records, for the builder (implemented next to the registry).
struct PropSetup {
    static void setClass(TPropInfo& p, const TClass* c) { p.class_ = c; }
    static void setOwnType(TPropInfo& p, std::unique_ptr<TTypeInfo> t)
    {
        p.type_ = t.get();
        p.ownType_ = std::move(t);
    }
    static void setDefault(TPropInfo& p, bool has, int64_t value);
    static void setStored(TPropInfo& p, bool stored, std::function<bool(const TObject*)> fn);
    static void copyStored(TPropInfo& p, const TPropInfo& from);
    static void setTypeName(TPropInfo& p, std::string_view name);
    static std::shared_ptr<const TPropAccessor> accessor(const TPropInfo& p) { return p.access_; }
};

struct ClassSetup {
    // Returns the record and whether it was made now (false: T was
    // registered already).
    static std::pair<TClass*, bool> registerClass(std::string_view name, const TClass* parent,
                                                  std::string_view parentName, bool isRoot,
                                                  TObjectFactory factory, const TClass** slot);
    static TPropInfo& addProperty(TClass& c, std::unique_ptr<TPropInfo> p);
    static const TPropInfo* inherited(const TClass& c, std::string_view name) noexcept;
    static void setFactory(TClass& c, TObjectFactory f) { c.factory_ = f; }
    static void abandon(TClass* c) noexcept;  // undoes a registration that failed half-way
};

// ---- what a C++ value type means as a property

template <class R, class = void>
struct PropTraits;  // no definition: the type cannot be published

template <class I, Builtin B>
struct IntegerTraits {
    static constexpr Family family = Family::Ord;
    static const TTypeInfo* type() { return builtinType(B); }
    static int64_t toOrd(I v) noexcept { return static_cast<int64_t>(v); }
    static I fromOrd(int64_t v) noexcept { return static_cast<I>(v); }
};
template <> struct PropTraits<bool> : IntegerTraits<bool, Builtin::Boolean> {
    static bool fromOrd(int64_t v) noexcept { return v != 0; }
};
template <> struct PropTraits<uint8_t> : IntegerTraits<uint8_t, Builtin::Byte> {};
template <> struct PropTraits<int16_t> : IntegerTraits<int16_t, Builtin::Smallint> {};
template <> struct PropTraits<uint16_t> : IntegerTraits<uint16_t, Builtin::Word> {};
template <> struct PropTraits<int32_t> : IntegerTraits<int32_t, Builtin::Integer> {};
template <> struct PropTraits<uint32_t> : IntegerTraits<uint32_t, Builtin::Cardinal> {};
template <> struct PropTraits<int64_t> : IntegerTraits<int64_t, Builtin::Int64> {};
template <> struct PropTraits<char> {
    static constexpr Family family = Family::Ord;
    static const TTypeInfo* type() { return builtinType(Builtin::Char); }
    static int64_t toOrd(char v) noexcept { return static_cast<unsigned char>(v); }
    static char fromOrd(int64_t v) noexcept { return static_cast<char>(static_cast<unsigned char>(v)); }
};

template <class F, Builtin B>
struct FloatTraits {
    static constexpr Family family = Family::Float;
    static const TTypeInfo* type() { return builtinType(B); }
};
template <> struct PropTraits<float> : FloatTraits<float, Builtin::Single> {};
template <> struct PropTraits<double> : FloatTraits<double, Builtin::Double> {};
template <> struct PropTraits<long double> : FloatTraits<long double, Builtin::Extended> {};

template <> struct PropTraits<std::string> {
    static constexpr Family family = Family::Str;
    static const TTypeInfo* type() { return builtinType(Builtin::String); }
};
template <> struct PropTraits<WideString> {
    static constexpr Family family = Family::WideStr;
    static const TTypeInfo* type() { return builtinType(Builtin::WideString); }
};
template <> struct PropTraits<Variant> {
    static constexpr Family family = Family::Var;
    static const TTypeInfo* type() { return builtinType(Builtin::Variant); }
};

template <class E>
struct PropTraits<E, std::enable_if_t<std::is_enum_v<E>>> {
    static constexpr Family family = Family::Ord;
    static const TTypeInfo* type() { return registeredType(typeid(E)); }
    static int64_t toOrd(E v) noexcept { return static_cast<int64_t>(v); }
    static E fromOrd(int64_t v) noexcept { return static_cast<E>(v); }
};

template <class E>
struct PropTraits<TSet<E>> {
    static constexpr Family family = Family::Ord;
    static const TTypeInfo* type() { return registeredType(typeid(TSet<E>)); }
    static int64_t toOrd(TSet<E> v) noexcept { return v.Bits(); }
    static TSet<E> fromOrd(int64_t v) noexcept { return TSet<E>::FromBits(static_cast<uint32_t>(v)); }
};

}  // namespace reflection_detail

// How an object-valued property of class P is stored. Specialise for a
// class that is neither a component reference, a TStrings nor a plain
// nested object (the report's TWideStrings: pkWideStrings).
template <class P>
struct ObjectPropKind {
    static constexpr TPropKind value = std::is_base_of_v<TComponent, P>  ? pkComponent
                                       : std::is_base_of_v<TStrings, P> ? pkStrings
                                                                        : pkObject;
};

// The type name of an event signature as scripts see it. Specialise for
// other signatures; unknown ones read "TMethod".
template <class Sig>
struct EventTypeName {
    static constexpr const char* value = "TMethod";
};
template <>
struct EventTypeName<void(TObject*)> {
    static constexpr const char* value = "TNotifyEvent";
};
// Signatures of standard types alone are named here, not beside the events
// that use them: a class table that uses one without seeing its name would
// read "TMethod" and give the linker two differing definitions to choose from.
template <>
struct EventTypeName<void(TObject*, std::string&)> {
    static constexpr const char* value = "TKeyPressEvent";
};
template <>
struct EventTypeName<void(TObject*, bool&)> {
    static constexpr const char* value = "TCloseQueryEvent";
};
template <>
struct EventTypeName<void(TObject*, int32_t&, int32_t&, bool&)> {
    static constexpr const char* value = "TCanResizeEvent";
};

namespace reflection_detail {

template <class P>
struct ObjectTraits {
    static constexpr Family family = Family::Obj;
    using Pointee = P;
    static std::unique_ptr<TTypeInfo> makeType()
    {
        return std::make_unique<TTypeInfo>(std::string(P::StaticClassName), ObjectPropKind<P>::value,
                                           std::string(P::StaticClassName));
    }
};
template <class P>
struct PropTraits<P*, std::enable_if_t<std::is_base_of_v<TObject, P>>> : ObjectTraits<std::remove_const_t<P>> {
    static TObject* toObj(P* v) noexcept { return const_cast<std::remove_const_t<P>*>(v); }
};
template <class P>
struct PropTraits<Ref<P>> : ObjectTraits<P> {
    static TObject* toObj(const Ref<P>& v) noexcept { return v.get(); }
};

template <class Sig>
struct PropTraits<TEvent<Sig>> {
    static constexpr Family family = Family::Method;
    static std::unique_ptr<TTypeInfo> makeType()
    {
        return std::make_unique<TTypeInfo>(EventTypeName<Sig>::value, pkMethod);
    }
};

template <class Tr>
concept HasFixedType = requires { Tr::type(); };

// ---- the accessor made for one property

template <class T, class R, class G, class S>
class PropBinder final : public TPropAccessor {
    using Tr = PropTraits<R>;
    static constexpr bool kReadOnly = std::is_same_v<S, std::nullptr_t>;

public:
    PropBinder(G get, S set) : get_(std::move(get)), set_(std::move(set)) {}

    bool Writable() const noexcept override { return !kReadOnly; }

    int64_t GetOrd(const TPropInfo& p, const TObject* o) const override
    {
        if constexpr (Tr::family == Family::Ord) return Tr::toOrd(read(o));
        else return TPropAccessor::GetOrd(p, o);
    }
    void SetOrd(const TPropInfo& p, TObject* o, int64_t v) const override
    {
        if constexpr (Tr::family == Family::Ord) {
            checkOrd(p, v);
            write(p, o, Tr::fromOrd(v));
        } else {
            TPropAccessor::SetOrd(p, o, v);
        }
    }
    Extended GetFloat(const TPropInfo& p, const TObject* o) const override
    {
        if constexpr (Tr::family == Family::Float) return static_cast<Extended>(read(o));
        else return TPropAccessor::GetFloat(p, o);
    }
    void SetFloat(const TPropInfo& p, TObject* o, Extended v) const override
    {
        if constexpr (Tr::family == Family::Float) write(p, o, static_cast<R>(v));
        else TPropAccessor::SetFloat(p, o, v);
    }
    std::string GetStr(const TPropInfo& p, const TObject* o) const override
    {
        if constexpr (Tr::family == Family::Str) return read(o);
        else return TPropAccessor::GetStr(p, o);
    }
    void SetStr(const TPropInfo& p, TObject* o, const std::string& v) const override
    {
        if constexpr (Tr::family == Family::Str) write(p, o, v);
        else TPropAccessor::SetStr(p, o, v);
    }
    WideString GetWideStr(const TPropInfo& p, const TObject* o) const override
    {
        if constexpr (Tr::family == Family::WideStr) return read(o);
        else return TPropAccessor::GetWideStr(p, o);
    }
    void SetWideStr(const TPropInfo& p, TObject* o, const WideString& v) const override
    {
        if constexpr (Tr::family == Family::WideStr) write(p, o, v);
        else TPropAccessor::SetWideStr(p, o, v);
    }
    Variant GetVariant(const TPropInfo& p, const TObject* o) const override
    {
        if constexpr (Tr::family == Family::Var) return read(o);
        else return TPropAccessor::GetVariant(p, o);
    }
    void SetVariant(const TPropInfo& p, TObject* o, const Variant& v) const override
    {
        if constexpr (Tr::family == Family::Var) write(p, o, v);
        else TPropAccessor::SetVariant(p, o, v);
    }
    TObject* GetObject(const TPropInfo& p, const TObject* o) const override
    {
        if constexpr (Tr::family == Family::Obj) return Tr::toObj(read(o));
        else return TPropAccessor::GetObject(p, o);
    }
    void SetObject(const TPropInfo& p, TObject* o, TObject* v) const override
    {
        if constexpr (Tr::family == Family::Obj) {
            using P = typename Tr::Pointee;
            P* typed = v ? dynamic_cast<P*>(v) : nullptr;
            if (v && !typed) raiseInvalidValue();
            write(p, o, typed);
        } else {
            TPropAccessor::SetObject(p, o, v);
        }
    }
    TMethod GetMethod(const TPropInfo& p, const TObject* o) const override
    {
        if constexpr (Tr::family == Family::Method) return TMethod::Of(read(o));
        else return TPropAccessor::GetMethod(p, o);
    }
    void SetMethod(const TPropInfo& p, TObject* o, const TMethod& v) const override
    {
        if constexpr (Tr::family == Family::Method) {
            if (!v.Code.has_value()) {
                write(p, o, R());
                return;
            }
            const auto* handler = std::any_cast<typename R::Handler>(&v.Code);
            if (!handler) raiseInvalidValue();
            write(p, o, R(*handler, v.Data));
        } else {
            TPropAccessor::SetMethod(p, o, v);
        }
    }

private:
    static T& self(const TObject* o) noexcept { return const_cast<T&>(static_cast<const T&>(*o)); }
    decltype(auto) read(const TObject* o) const { return std::invoke(get_, self(o)); }
    template <class V>
    void write(const TPropInfo& p, TObject* o, V&& v) const
    {
        if constexpr (kReadOnly) {
            raiseReadOnly(p);
        } else if constexpr (std::is_member_object_pointer_v<S>) {
            std::invoke(set_, static_cast<T&>(*o)) = std::forward<V>(v);
        } else {
            std::invoke(set_, static_cast<T&>(*o), std::forward<V>(v));
        }
    }

    G get_;
    S set_;
};

template <class T>
TObjectFactory makeFactory()
{
    if constexpr (std::is_abstract_v<T>) {
        return nullptr;
    } else if constexpr (std::is_constructible_v<T, TComponent*>) {
        return [](TObject* owner) -> TObject* { return new T(componentOwner(owner)); };
    } else if constexpr (std::is_constructible_v<T, TCollection*>) {
        return [](TObject* owner) -> TObject* { return new T(collectionOwner(owner)); };
    } else if constexpr (std::is_default_constructible_v<T>) {
        return [](TObject*) -> TObject* { return new T(); };
    } else {
        return nullptr;
    }
}

template <class V>
int64_t ordinalOf(V v) noexcept
{
    if constexpr (std::is_enum_v<V>) return static_cast<int64_t>(v);
    else if constexpr (requires { v.Bits(); }) return static_cast<int64_t>(v.Bits());
    else return static_cast<int64_t>(v);
}

}  // namespace reflection_detail

// Options of one property, set right after it is declared.
template <class T>
class TPropertyBuilder {
public:
    explicit TPropertyBuilder(TPropInfo& prop) : p_(&prop) {}

    // The declared default of an ordinal property: an integer, Boolean,
    // enumeration element or set.
    template <class V>
    TPropertyBuilder& defaultValue(V value)
    {
        reflection_detail::PropSetup::setDefault(*p_, true, reflection_detail::ordinalOf(value));
        return *this;
    }
    TPropertyBuilder& noDefault()
    {
        reflection_detail::PropSetup::setDefault(*p_, false, 0);
        return *this;
    }
    TPropertyBuilder& stored(bool value)
    {
        reflection_detail::PropSetup::setStored(*p_, value, nullptr);
        return *this;
    }
    // A per-object predicate: a const member function or a callable on T.
    template <class F>
        requires(!std::is_same_v<F, bool>)
    TPropertyBuilder& stored(F predicate)
    {
        reflection_detail::PropSetup::setStored(*p_, true, [predicate](const TObject* o) -> bool {
            return std::invoke(predicate, const_cast<T&>(static_cast<const T&>(*o)));
        });
        return *this;
    }
    // The type name scripts see, when the C++ type does not say it
    // ("TDateTime" for a double). The kind stays that of the C++ type.
    TPropertyBuilder& typeName(std::string_view name)
    {
        reflection_detail::PropSetup::setTypeName(*p_, name);
        return *this;
    }

private:
    TPropInfo* p_;
};

// The table of one class under construction (see the top of Reflection.h).
template <class T>
class TClassBuilder {
public:
    explicit TClassBuilder(TClass& cls) : cls_(&cls) {}

    template <class G, class S>
    TPropertyBuilder<T> property(std::string_view name, G get, S set)
    {
        return add<G, S>(name, std::move(get), std::move(set));
    }
    // A getter alone is read-only; a field is read and written.
    template <class G>
    TPropertyBuilder<T> property(std::string_view name, G get)
    {
        if constexpr (std::is_member_object_pointer_v<G>) return add<G, G>(name, get, get);
        else return add<G, std::nullptr_t>(name, std::move(get), nullptr);
    }
    // Redeclares an inherited property with its ancestor's access, default
    // and stored flag, keeping its place; follow with defaultValue,
    // noDefault or stored.
    TPropertyBuilder<T> redeclare(std::string_view name)
    {
        using namespace reflection_detail;
        const TPropInfo* base = ClassSetup::inherited(*cls_, name);
        if (!base) raiseNoInherited(name);
        auto p = std::make_unique<TPropInfo>(base->Name(), base->PropType(), PropSetup::accessor(*base));
        PropSetup::setDefault(*p, base->HasDefault(), base->Default());
        PropSetup::copyStored(*p, *base);
        TPropInfo& added = ClassSetup::addProperty(*cls_, std::move(p));
        return TPropertyBuilder<T>(added);
    }
    // The class cannot be created by name.
    TClassBuilder& abstract()
    {
        reflection_detail::ClassSetup::setFactory(*cls_, nullptr);
        return *this;
    }
    TClassBuilder& factory(TObjectFactory f)
    {
        reflection_detail::ClassSetup::setFactory(*cls_, f);
        return *this;
    }
    const TClass* classRecord() const noexcept { return cls_; }

private:
    [[noreturn]] void raiseNoInherited(std::string_view name) const;

    template <class G, class S>
    TPropertyBuilder<T> add(std::string_view name, G get, S set)
    {
        using namespace reflection_detail;
        using R = std::remove_cvref_t<std::invoke_result_t<G&, T&>>;
        using Tr = PropTraits<R>;
        auto access = std::make_shared<PropBinder<T, R, G, S>>(std::move(get), std::move(set));
        std::unique_ptr<TPropInfo> p;
        if constexpr (HasFixedType<Tr>) {
            p = std::make_unique<TPropInfo>(std::string(name), Tr::type(), std::move(access));
        } else {
            std::unique_ptr<TTypeInfo> own = Tr::makeType();
            const TTypeInfo* t = own.get();
            p = std::make_unique<TPropInfo>(std::string(name), t, std::move(access));
            PropSetup::setOwnType(*p, std::move(own));
        }
        return TPropertyBuilder<T>(ClassSetup::addProperty(*cls_, std::move(p)));
    }

    TClass* cls_;
};

namespace reflection_detail {
[[noreturn]] void raiseNoInheritedProperty(const TClass& c, std::string_view name);
[[noreturn]] void raiseMissingClassDeclaration(std::string_view name);
}  // namespace reflection_detail

template <class T>
void TClassBuilder<T>::raiseNoInherited(std::string_view name) const
{
    reflection_detail::raiseNoInheritedProperty(*cls_, name);
}

template <class T>
const TClass* RegisterClass(void (*publish)(TClassBuilder<T>&))
{
    using namespace reflection_detail;
    static_assert(std::is_base_of_v<TObject, T>, "only TObject descendants are registered");
    static_assert(std::is_same_v<decltype(&T::ClassType), const TClass* (T::*)() const noexcept>,
                  "the class needs DORVAK_CLASS(Name, Base) in its own body");
    const TClass* parent = nullptr;
    std::string_view parentName;
    constexpr bool isRoot = std::is_void_v<typename T::inherited>;
    if constexpr (!isRoot) {
        parent = T::inherited::StaticClass();
        parentName = T::inherited::StaticClassName;
    }
    auto [cls, made] = ClassSetup::registerClass(T::StaticClassName, parent, parentName, isRoot,
                                                 makeFactory<T>(), &ClassRecord<T>::value);
    if (made && publish) {
        try {
            TClassBuilder<T> b(*cls);
            publish(b);
        } catch (...) {
            ClassSetup::abandon(cls);
            throw;
        }
    }
    return cls;
}

template <typename E>
const TTypeInfo* RegisterEnum(std::string_view name, std::initializer_list<const char*> names)
{
    static_assert(std::is_enum_v<E>);
    std::vector<std::string> list(names.begin(), names.end());
    return reflection_detail::registerType(typeid(E), std::make_unique<TTypeInfo>(std::string(name), std::move(list)));
}

template <typename S>
const TTypeInfo* RegisterSet(std::string_view name)
{
    using E = typename S::Element;
    static_assert(std::is_same_v<S, TSet<E>>);
    const TTypeInfo* element = reflection_detail::registeredType(typeid(E));
    return reflection_detail::registerType(typeid(S), std::make_unique<TTypeInfo>(std::string(name), element));
}

template <typename E>
const TTypeInfo* RegisterIntegerType(std::string_view name, int64_t minValue, int64_t maxValue)
{
    static_assert(std::is_enum_v<E>);
    return reflection_detail::registerType(
        typeid(E), std::make_unique<TTypeInfo>(std::string(name), pkInteger, minValue, maxValue));
}
