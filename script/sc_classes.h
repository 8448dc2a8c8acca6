#pragma once
// Host classes: a class record per registered class holds the members a
// script may use (methods, properties, indexed and default properties,
// events, child components) and the host callbacks behind them. Objects
// travel as checked handles: a stale or forged one raises "Invalid object
// reference" before any callback sees it.

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "sc_interpreter.h"

class TscCustomEvent;

using TscPropertyGetter = std::function<Variant(TObject* instance, const TClass* classType, const std::string& propName)>;
using TscPropertySetter =
    std::function<void(TObject* instance, const TClass* classType, const std::string& propName, const Variant& value)>;
class TscPropertyHelper;
using TscPropertyGetterEx = std::function<Variant(TObject* instance, const TClass* classType,
                                                  const std::string& propName, TscPropertyHelper* caller)>;
using TscPropertySetterEx = std::function<void(TObject* instance, const TClass* classType, const std::string& propName,
                                               const Variant& value, TscPropertyHelper* caller)>;

// Makes the adapter that runs a script procedure for one event property.
using TscEventClass = std::unique_ptr<TscCustomEvent> (*)(TObject* instance, const std::string& propName,
                                                          TscProcVariable* handler);

// Base of the members: the designator sets these three before each use.
class TscCustomHelper : public TscCustomVariable {
public:
    using TscCustomVariable::TscCustomVariable;
    TscCustomVariable* ParentRef = nullptr;
    // The object (as a handle), string or array acted on.
    Variant ParentValue;
    TscScript* Prog = nullptr;
    // How many uses of this helper are under way (a callback may reach it again).
    int Active = 0;

protected:
    // The object of ParentValue: nullptr for nil (Empty, Null, 0); a stale
    // or forged handle raises.
    TObject* instance() const;
};

class TscMethodHelper : public TscCustomHelper {
public:
    TscMethodHelper(std::string name, TscVarType typ, std::string typeName);
    std::string Category;
    const TClass* ClassRef = nullptr;
    // The record the member belongs to (nullptr for global functions).
    TscClassVariable* Owner = nullptr;
    std::string Description;
    uint8_t IndexMethod = 0;
    // Accepts a nil instance (constructors, Free); other members of a class
    // raise "Invalid object reference" for nil.
    uint8_t AcceptsNil = 0;
    TscMethodCallback OnCall;
    TscMethodCallbackEx OnCallEx;
    // The value being stored through an index property's ".SET".
    Variant SetValueArg;
    std::string Syntax;
    // The class the script named for a constructor call (else ClassRef).
    const TClass* CallClass = nullptr;
    // A procedure that only edits the texts of its var parameters and runs
    // no script meanwhile: a plain variable passed there lends its text for
    // the call, so that the text can grow in place.
    uint8_t VarTextInPlace = 0;

    // Argument i (0-based); i equal to the parameter count gives the value
    // being stored by ".SET". Out of range gives Empty.
    const Variant& GetParam(int index) const;
    // Writes argument i (a var parameter's value goes back to the caller).
    void SetParam(int index, const Variant& value);
    // Argument i itself, to change in place (index checked by the caller).
    Variant& ParamValue(int index) { return TscCustomVariable::GetParam(index)->Value; }
    int ParamCount() const { return Count(); }

    Variant GetValue() override;
    // Index properties only: the ".SET" accessor.
    void SetValue(const Variant& value) override;

private:
    Variant call(const std::string& name, bool isSet);
};

class TscPropertyHelper : public TscCustomHelper {
public:
    TscPropertyHelper(std::string name, TscVarType typ, std::string typeName);
    const TClass* ClassRef = nullptr;
    TscClassVariable* Owner = nullptr;
    uint8_t IsPublished = 0;
    const TPropInfo* Prop = nullptr;  // published
    TscPropertyGetter OnGetValue;
    TscPropertySetter OnSetValue;
    TscPropertyGetterEx OnGetValueEx;
    TscPropertySetterEx OnSetValueEx;
    Variant GetValue() override;
    void SetValue(const Variant& value) override;
};

class TscEventHelper : public TscCustomHelper {
public:
    TscEventHelper(std::string name, TscEventClass eventClass);
    TscEventClass EventClass;
    TscClassVariable* Owner = nullptr;
    // "0" (nil) clears the event; else the name of a script procedure.
    void SetValue(const Variant& value) override;
    Variant GetValue() override;
};

class TscComponentHelper : public TscCustomHelper {
public:
    explicit TscComponentHelper(TComponent* component);
    Ref<TComponent> Component;
    Variant GetValue() override;
};

// Element of the Variant array in ParentValue; writes go back into the
// array of the designator's variable.
class TscArrayHelper : public TscCustomHelper {
public:
    // dimensions -1: unknown, one to three indices (the first required).
    TscArrayHelper(std::string name, int dimensions, TscVarType elementType, std::string typeName);
    int Dimensions;
    Variant GetValue() override;
    void SetValue(const Variant& value) override;

private:
    int indices(int* out) const;
};

// Character i (1-based) of the text in ParentValue.
class TscStringHelper : public TscCustomHelper {
public:
    explicit TscStringHelper(std::string name);
    Variant GetValue() override;
    void SetValue(const Variant& value) override;
};

// A host class.
class TscClassVariable : public TscCustomVariable {
public:
    TscClassVariable(std::string className, std::string ancestorName, TscScript* script, const TClass* classRef);
    ~TscClassVariable() override;

    std::string AncestorName;
    const TClass* ClassRef;
    TscCustomVariable* DefProperty = nullptr;
    TscScript* Script;

    TscMethodHelper* AddConstructor(const std::string& syntax, TscMethodCallbackEx callEvent);
    TscMethodHelper* AddMethod(const std::string& syntax, TscMethodCallbackEx callEvent);
    TscPropertyHelper* AddProperty(const std::string& name, const std::string& typeName, TscPropertyGetter getEvent,
                                   TscPropertySetter setEvent = nullptr);
    TscPropertyHelper* AddPropertyEx(const std::string& name, const std::string& typeName, TscPropertyGetterEx getEvent,
                                     TscPropertySetterEx setEvent = nullptr);
    // params: comma-separated parameter types ("Integer, String").
    TscMethodHelper* AddIndexProperty(const std::string& name, const std::string& params, const std::string& typeName,
                                      TscMethodCallbackEx callEvent, bool isReadOnly = false);
    TscMethodHelper* AddDefaultProperty(const std::string& name, const std::string& params,
                                        const std::string& typeName, TscMethodCallbackEx callEvent,
                                        bool isReadOnly = false);
    TscEventHelper* AddEvent(const std::string& name, TscEventClass eventClass);
    TscComponentHelper* AddComponent(TComponent* component);

    // The member of that name here, else up the ancestors; nullptr at the end.
    TscCustomVariable* Find(std::string_view name) const;
    // This record's own members in the order they were added.
    const std::vector<std::unique_ptr<TscCustomVariable>>& Members() const { return members_; }
    // The ancestor's record (nullptr when none is registered).
    TscClassVariable* Ancestor() const;
    // True when this class is other or derives from it (by registered names).
    bool InheritsFrom(const TscClassVariable* other) const;

    // A class used as a function of one argument: a type cast.
    Variant GetValue() override;

private:
    void addMember(TscCustomVariable* member);
    std::vector<std::unique_ptr<TscCustomVariable>> members_;
    std::unordered_map<std::string, TscCustomVariable*> index_;
};

// ---- event adapters

// Runs a script procedure when a host event fires. Owned by the script
// that assigned it; detaches itself from the host object when destroyed or
// when its procedure goes away.
class TscCustomEvent {
public:
    TscCustomEvent(TObject* instance, std::string propName, TscProcVariable* handler);
    TscCustomEvent(const TscCustomEvent&) = delete;
    TscCustomEvent& operator=(const TscCustomEvent&) = delete;
    virtual ~TscCustomEvent();

    TscProcVariable* Handler;
    Ref<TObject> Instance;
    std::string PropName;
    // Expires with the adapter: a host that kept a copy of the handler
    // reaches nothing once the script is gone.
    std::shared_ptr<TscCustomEvent*> Alive = std::make_shared<TscCustomEvent*>(this);

    // The host's event value: a handler of the property's own signature,
    // with this adapter as its data.
    virtual TMethod GetMethod() = 0;
    // Stores args into the handler's parameters (as many as it declares)
    // and runs it; skipped while the handler runs already. outs (one per
    // argument) receive the parameters' values afterwards.
    bool CallHandler(std::span<const Variant> args, std::span<Variant> outs = {});
    // Takes the adapter off the host's event when it is still installed.
    void Detach();
};

// A set as scripts write it: an integer of element bits, or a set
// constructor ([fsBold, fsItalic]) whose elements' bits are joined.
int64_t scSetBits(const Variant& value);

// The adapter class for an event type name ("TNotifyEvent"); nullptr when
// none is registered. Published events of such types become script events
// of every class record.
TscEventClass scFindEventClass(std::string_view eventTypeName);
void scRegisterEventClass(const std::string& eventTypeName, TscEventClass eventClass);

// Conversions between host event arguments and script values.
namespace sc_event_detail {
template <class T>
Variant toVariant(const T& v)
{
    if constexpr (std::is_pointer_v<T>) {
        return ObjectToVariant(v);
    } else if constexpr (std::is_same_v<T, bool>) {
        return Variant(v);
    } else if constexpr (std::is_same_v<T, char>) {
        return Variant(std::string(1, v));
    } else if constexpr (std::is_enum_v<T>) {
        return Variant(static_cast<int32_t>(v));
    } else if constexpr (std::is_integral_v<T>) {
        return Variant(static_cast<int64_t>(v)).cast(varInteger);
    } else if constexpr (std::is_floating_point_v<T>) {
        return Variant(static_cast<double>(v));
    } else if constexpr (requires { v.Bits(); }) {
        return Variant(static_cast<int32_t>(v.Bits()));
    } else {
        return Variant(v);
    }
}
template <class T>
void fromVariant(const Variant& v, T& out)
{
    if constexpr (std::is_same_v<T, bool>) {
        out = v.toBool();
    } else if constexpr (std::is_same_v<T, char>) {
        const std::string s = v.toString();
        if (!s.empty()) out = s[0];  // an empty text keeps the host's character
    } else if constexpr (std::is_enum_v<T>) {
        out = static_cast<T>(v.toInt());
    } else if constexpr (std::is_integral_v<T>) {
        out = static_cast<T>(v.toInt64());
    } else if constexpr (std::is_floating_point_v<T>) {
        out = static_cast<T>(v.toDouble());
    } else if constexpr (requires { T::FromBits(0u); }) {
        out = T::FromBits(static_cast<uint32_t>(v.toInt()));
    } else if constexpr (std::is_same_v<T, std::string>) {
        out = v.toString();
    }
}
}  // namespace sc_event_detail

// The adapter of one event signature: arguments become script values in
// order; arguments taken by non-const reference are written back from the
// procedure's parameters after the call.
template <class Event>
class TscEventAdapter;

template <class... Args>
class TscEventAdapter<TEvent<void(Args...)>> : public TscCustomEvent {
public:
    using TscCustomEvent::TscCustomEvent;

    static std::unique_ptr<TscCustomEvent> Create(TObject* instance, const std::string& propName,
                                                  TscProcVariable* handler)
    {
        return std::make_unique<TscEventAdapter>(instance, propName, handler);
    }

    TMethod GetMethod() override
    {
        TMethod m;
        std::weak_ptr<TscCustomEvent*> alive = Alive;
        m.Code = typename TEvent<void(Args...)>::Handler([alive](Args... args) {
            if (const auto adapter = alive.lock()) static_cast<TscEventAdapter*>(*adapter)->DoEvent(args...);
        });
        m.Data = this;
        return m;
    }

    void DoEvent(Args... args)
    {
        Variant values[sizeof...(Args) + 1] = {sc_event_detail::toVariant(std::remove_cvref_t<Args>(args))...};
        Variant outs[sizeof...(Args) + 1];
        if (!CallHandler(std::span<const Variant>(values, sizeof...(Args)), std::span<Variant>(outs, sizeof...(Args))))
            return;
        size_t i = 0;
        (writeBack<Args>(args, outs[i++]), ...);
    }

private:
    template <class A, class V>
    static void writeBack(V& arg, const Variant& value)
    {
        if constexpr (std::is_lvalue_reference_v<A> && !std::is_const_v<std::remove_reference_t<A>>) {
            if (!value.isEmpty()) sc_event_detail::fromVariant(value, arg);
        }
    }
};

using TscNotifyEvent = TscEventAdapter<TNotifyEvent>;
