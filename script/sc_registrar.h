#pragma once
// One declarative style for the registration modules: every member keeps
// its syntax line next to a small typed function, bound to that member
// alone (no dispatch on names), and host objects come in already checked:
//
//     TscRegistrar r(script);
//     r.constant("fmCreate", "Integer", fmCreate);
//     r.enumType(FindTypeInfo("TDuplicates"));
//     auto c = r.cls<TStringList>("TStrings");
//     c.method("procedure Sort", [](TStringList& o, TscArgs&) { o.Sort(); });
//     c.property("Sorted", "Boolean", [](TStringList& o) { return o.Sorted(); },
//                [](TStringList& o, const Variant& v) { o.SetSorted(v.toBool()); });
//
// A class the script knows already is skipped with all its members, as
// the script's own registration calls skip known names. Objects made by
// constructors are remembered as the script's own, which is what Free
// may destroy (scFreeObject).

#include <functional>
#include <string>
#include <type_traits>

#include "Exceptions.h"
#include "sc_classes.h"

// Typed access to the arguments of one call.
class TscArgs {
public:
    explicit TscArgs(TscMethodHelper& caller) : caller_(caller) {}

    int Count() const { return caller_.ParamCount(); }
    const Variant& operator[](int i) const { return caller_.GetParam(i); }
    int32_t Int(int i) const { return caller_.GetParam(i).toInt(); }
    int64_t Int64(int i) const { return caller_.GetParam(i).toInt64(); }
    double Float(int i) const { return caller_.GetParam(i).toDouble(); }
    bool Bool(int i) const { return caller_.GetParam(i).toBool(); }
    std::string Str(int i) const
    {
        const Variant& v = caller_.GetParam(i);
        return v.type() == varString ? v.rawString() : v.toString();
    }
    // A set argument: its bits, also from a set constructor.
    uint32_t Set(int i) const { return static_cast<uint32_t>(scSetBits(caller_.GetParam(i))); }
    // The object of argument i, nil allowed; a stale handle or an object of
    // another class raises.
    template <class T = TObject>
    T* Obj(int i) const
    {
        TObject* object = VariantToObject(caller_.GetParam(i));
        if constexpr (std::is_same_v<T, TObject>) {
            return object;
        } else {
            T* typed = object ? dynamic_cast<T*>(object) : nullptr;
            if (object && !typed) throw EInvalidCast("Invalid class typecast");
            return typed;
        }
    }
    // The same, nil refused.
    template <class T = TObject>
    T& Ref(int i) const
    {
        T* object = Obj<T>(i);
        if (!object) throw EObjectReferenceError("Invalid object reference");
        return *object;
    }
    // The value an indexed property's ".SET" stores.
    const Variant& Value() const { return caller_.GetParam(caller_.ParamCount()); }
    // Writes a var argument back.
    void SetVar(int i, const Variant& value) { caller_.SetParam(i, value); }
    TscMethodHelper& Caller() const { return caller_; }

private:
    TscMethodHelper& caller_;
};

namespace sc_registrar_detail {

template <class R>
Variant toResult(R&& value)
{
    using D = std::remove_cvref_t<R>;
    if constexpr (std::is_same_v<D, Variant>) return std::forward<R>(value);
    else if constexpr (std::is_pointer_v<D>) return ObjectToVariant(value);
    else if constexpr (std::is_same_v<D, bool>) return Variant(value);
    else if constexpr (std::is_same_v<D, char>) return Variant(std::string(1, value));
    else if constexpr (std::is_enum_v<D>) return Variant(static_cast<int32_t>(value));
    else if constexpr (std::is_integral_v<D> && std::is_signed_v<D> && sizeof(D) <= 4) return Variant(static_cast<int32_t>(value));
    else if constexpr (std::is_integral_v<D>) return Variant(static_cast<int64_t>(value));
    else if constexpr (std::is_floating_point_v<D>) return Variant(static_cast<double>(value));
    else if constexpr (requires { value.Bits(); }) return Variant(static_cast<int32_t>(value.Bits()));
    else return Variant(std::forward<R>(value));
}

// Calls f and turns what it returns into a script value (a procedure gives 0).
template <class F, class... A>
Variant call(const F& f, A&&... args)
{
    if constexpr (std::is_void_v<std::invoke_result_t<const F&, A...>>) {
        std::invoke(f, std::forward<A>(args)...);
        return Variant(0);
    } else {
        return toResult(std::invoke(f, std::forward<A>(args)...));
    }
}

inline bool isSetter(const std::string& name)
{
    return name.size() > 4 && name.compare(name.size() - 4, 4, ".SET") == 0;
}

}  // namespace sc_registrar_detail

// Remembers an object a script constructor made.
void scScriptCreated(TObject* object);
// Whether Free may destroy the object: one the script made, a component
// its owner lists, a collection item or a script XML item with a parent.
// Anything else belongs to another object that frees it.
bool scMayFree(TObject* object);
// Free of a script: nil does nothing; an object another one owns raises
// EInvalidOperation "Cannot free the %s: another object owns it".
void scFreeObject(TObject* object);
// A host library's say before a script frees an object: the guard raises
// to refuse (an object its host is using). Added once per process.
using TscFreeGuard = void (*)(TObject* object);
void scAddFreeGuard(TscFreeGuard guard);

// The members of one host class T.
template <class T>
class TscClassRegistrar {
public:
    explicit TscClassRegistrar(TscClassVariable* record) : record_(record) {}

    TscClassVariable* Record() const { return record_; }

    // f(T&, TscArgs&) returns the result, or nothing for a procedure.
    template <class F>
    TscClassRegistrar& method(const std::string& syntax, F f)
    {
        if (record_)
            record_->AddMethod(syntax, [f](TObject* o, const TClass*, const std::string&, TscMethodHelper* c) {
                TscArgs a(*c);
                return sc_registrar_detail::call(f, static_cast<T&>(*o), a);
            });
        return *this;
    }
    // f(const TClass* named, TscArgs&) makes the object of the class the
    // script named.
    template <class F>
    TscClassRegistrar& constructor(const std::string& syntax, F f)
    {
        if (record_)
            record_->AddConstructor(syntax,
                                    [f](TObject*, const TClass* named, const std::string&, TscMethodHelper* c) {
                                        TscArgs a(*c);
                                        TObject* made = f(named, a);
                                        scScriptCreated(made);
                                        return ObjectToVariant(made);
                                    });
        return *this;
    }
    // get(T&) returns the value; set(T&, const Variant&) stores one.
    template <class G>
    TscClassRegistrar& property(const std::string& name, const std::string& type, G get)
    {
        if (record_) record_->AddProperty(name, type, getter(get));
        return *this;
    }
    template <class G, class S>
    TscClassRegistrar& property(const std::string& name, const std::string& type, G get, S set)
    {
        if (record_)
            record_->AddProperty(name, type, getter(get),
                                 [set](TObject* o, const TClass*, const std::string&, const Variant& v) {
                                     set(static_cast<T&>(*o), v);
                                 });
        return *this;
    }
    // Indexed: params lists the index types ("Integer, Integer");
    // get(T&, TscArgs&) reads, set(T&, TscArgs&, const Variant& value) stores.
    template <class G>
    TscClassRegistrar& indexed(const std::string& name, const std::string& params, const std::string& type, G get)
    {
        if (record_) record_->AddIndexProperty(name, params, type, accessor(get, nullptr), true);
        return *this;
    }
    template <class G, class S>
    TscClassRegistrar& indexed(const std::string& name, const std::string& params, const std::string& type, G get,
                               S set)
    {
        if (record_) record_->AddIndexProperty(name, params, type, accessor(get, set), false);
        return *this;
    }
    // The same as the class's default property (obj[i]).
    template <class G>
    TscClassRegistrar& defaultIndexed(const std::string& name, const std::string& params, const std::string& type,
                                      G get)
    {
        if (record_) record_->AddDefaultProperty(name, params, type, accessor(get, nullptr), true);
        return *this;
    }
    template <class G, class S>
    TscClassRegistrar& defaultIndexed(const std::string& name, const std::string& params, const std::string& type,
                                      G get, S set)
    {
        if (record_) record_->AddDefaultProperty(name, params, type, accessor(get, set), false);
        return *this;
    }

private:
    template <class G>
    static TscPropertyGetter getter(G get)
    {
        return [get](TObject* o, const TClass*, const std::string&) {
            return sc_registrar_detail::call(get, static_cast<T&>(*o));
        };
    }
    template <class G, class S>
    static TscMethodCallbackEx accessor(G get, S set)
    {
        return [get, set](TObject* o, const TClass*, const std::string& name, TscMethodHelper* c) -> Variant {
            TscArgs a(*c);
            if constexpr (!std::is_same_v<S, std::nullptr_t>) {
                if (sc_registrar_detail::isSetter(name)) {
                    set(static_cast<T&>(*o), a, a.Value());
                    return Variant(0);
                }
            } else {
                (void)set;  // a read-only property has none
            }
            return sc_registrar_detail::call(get, static_cast<T&>(*o), a);
        };
    }

    TscClassVariable* record_;
};

// Registration into one script, in the order of the calls.
class TscRegistrar {
public:
    explicit TscRegistrar(TscScript* script) : script_(script) {}
    TscScript* Script() const { return script_; }

    void constant(const std::string& name, const std::string& type, const Variant& value)
    {
        script_->AddConst(name, type, value);
    }
    void type(const std::string& name, TscVarType kind) { script_->AddType(name, kind); }
    void enumType(const std::string& name, std::string_view names) { script_->AddEnum(name, names); }
    void setType(const std::string& name, std::string_view names) { script_->AddEnumSet(name, names); }
    // A registered enumeration or set under its own name, with its
    // elements' names: what scripts see is what the host declares.
    void enumType(const TTypeInfo* type);

    // The class record of T under its registered name; a class the script
    // knows already gives a registrar that adds nothing.
    template <class T>
    TscClassRegistrar<T> cls(const std::string& ancestor)
    {
        return TscClassRegistrar<T>(script_->AddClass(T::StaticClass(), ancestor));
    }
    // A global function: f(TscArgs&).
    template <class F>
    void function(const std::string& syntax, F f, const std::string& category = {})
    {
        script_->AddMethodEx(
            syntax,
            [f](TObject*, const TClass*, const std::string&, TscMethodHelper* c) {
                TscArgs a(*c);
                return sc_registrar_detail::call(f, a);
            },
            category);
    }
    void object(const std::string& name, TObject* object) { script_->AddObject(name, object); }

private:
    TscScript* script_;
};
