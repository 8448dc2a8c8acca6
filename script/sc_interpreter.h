#pragma once
// Script items and scopes: every named thing a script can see (variable,
// constant, type, procedure, host function, host class, parameter) is a
// TscCustomVariable; a TscScript is one scope with its item table, and the
// object through which a host compiles and runs a script.
//
// A host: makes a TscScript, calls AddRTTI (the registration modules),
// registers its own items (AddVariable, AddObject, AddMethodEx, AddClass...)
// with AddedBy set to itself, sets Lines and SyntaxType, calls Compile
// (false leaves ErrorMsg and ErrorPos "line:col"), then Execute and
// CallFunction as often as it likes; ClearItems(itself) or Clear comes
// before the next Compile. Run-time errors arrive as exceptions.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Classes.h"
#include "Variant.h"
#include "sc_yield.h"

enum TscVarType {
    fvtInt,
    fvtBool,
    fvtFloat,
    fvtChar,
    fvtString,
    fvtClass,
    fvtArray,
    fvtVariant,
    fvtEnum,
    fvtConstructor
};

class TscScript;
class TscStatement;
class TscClassVariable;
class TscMethodHelper;
class TscCustomEvent;
class TscRTTIModule;

// An owned list of child objects (parameters of items, sub-statements of
// statements).
class TscItemList {
public:
    TscItemList() = default;
    TscItemList(const TscItemList&) = delete;
    TscItemList& operator=(const TscItemList&) = delete;
    virtual ~TscItemList();

    // Frees and removes every child, first to last.
    virtual void Clear();
    void Add(TscItemList* item);  // takes ownership
    int Count() const { return static_cast<int>(items_.size()); }
    TscItemList* Items(int index) const { return items_[static_cast<size_t>(index)]; }
    // Takes the child out without freeing it.
    void Remove(TscItemList* item);

private:
    std::vector<TscItemList*> items_;
};

class TscParamItem;

// Owner stamp of the items that registration modules create.
extern const void* const scModuleOwner;

// What an item is, so that the hot paths dispatch without dynamic_cast.
enum TscItemKind : uint8_t {
    ikOther,
    ikVariable,  // TscVariable and its descendants: a value holder
    ikProc,
    ikClass,
    ikMethod,
    ikProperty,
    ikEvent,
    ikComponent,
    ikArrayHelper,
    ikStringHelper,
    ikOle,
    ikExpression,
    ikDesignator,
};

class TscCustomVariable : public TscItemList {
public:
    TscCustomVariable(std::string name, TscVarType typ, std::string typeName);

    const void* AddedBy = nullptr;
    uint8_t IsMacro = 0;
    uint8_t IsReadOnly = 0;
    TscItemKind ItemKind = ikOther;
    std::string Name;
    uint8_t NeedResult = 1;
    TscCustomVariable* RefItem = nullptr;
    TscVarType Typ;
    std::string TypeName;
    std::string UpperName;
    Variant Value = Variant::Null();
    // Where a script declared the item ("line:col" and unit); empty for registrations.
    std::string SourcePos;
    std::string SourceUnit;

    virtual void SetValue(const Variant& value);
    virtual Variant GetValue();

    void SetName(std::string name);
    TscParamItem* GetParam(int index) const;
    int GetNumberOfRequiredParams() const;
    bool HasVarParams() const;
};

using TscGetVariableValueEvent =
    std::function<Variant(const std::string& varName, TscVarType varTyp, const Variant& oldValue)>;

// A variable: stores with conversion to its kind (fixed at construction).
class TscVariable : public TscCustomVariable {
public:
    TscVariable(std::string name, TscVarType typ, std::string typeName);
    TscGetVariableValueEvent OnGetValue;
    void SetValue(const Variant& value) override;
    Variant GetValue() override;
    // Whether Store keeps the value as it is.
    bool TakesAsIs(const Variant& value) const { return value.type() == NativeType || NativeType == varAny; }
    // SetValue without the call when the value has the variable's own kind
    // already (the common case of every store).
    void Store(const Variant& value)
    {
        if (!IsReadOnly && TakesAsIs(value))
            Value = value;
        else
            SetValue(value);
    }
    void Store(Variant&& value)
    {
        if (!IsReadOnly && TakesAsIs(value))
            Value = std::move(value);
        else
            SetValue(value);
    }
    // The value as GetValue gives it, without the call when there is no hook.
    Variant Read() { return OnGetValue ? GetValue() : Value; }

private:
    // The Variant type the kind stores, or varAny when it stores anything.
    uint16_t NativeType;
};

// A Char or String variable: keeps the value's string form (in Value, as
// a string Variant, so that reading it copies no text).
class TscStringVariable : public TscVariable {
public:
    TscStringVariable(std::string name, TscVarType typ, std::string typeName);
    void SetValue(const Variant& value) override;
    std::string Str() const { return Value.toString(); }
};

// A named type: only Typ matters.
class TscTypeVariable : public TscCustomVariable {
public:
    using TscCustomVariable::TscCustomVariable;
};

// A formal parameter.
class TscParamItem : public TscVariable {
public:
    using TscVariable::TscVariable;
    Variant DefValue = Variant::Null();
    uint8_t IsOptional = 0;
    uint8_t IsVarParam = 0;
};

// Inline: every call reads its parameters through it.
inline TscParamItem* TscCustomVariable::GetParam(int index) const
{
    return static_cast<TscParamItem*>(Items(index));
}

// A script procedure or function with its local scope (whose Parent is the
// declaring script). Its parameters are its children. Reading it runs it.
class TscProcVariable : public TscCustomVariable {
public:
    TscProcVariable(std::string name, TscVarType typ, std::string typeName, TscScript* parent, bool isFunc);
    ~TscProcVariable() override;
    uint8_t Executing = 0;
    uint8_t IsFunc = 0;
    std::unique_ptr<TscScript> Prog;
    TscVariable* Result = nullptr;  // functions only; an item of Prog

    // Runs with the parameters' current values.
    Variant GetValue() override;
    // Stores args into the parameters (extra ones are ignored, missing
    // optional ones get their default) and runs. A procedure entered again
    // while it runs (recursion, or a host callback calling back) keeps the
    // caller's locals: they are saved here and restored afterwards, also
    // when an exception passes. When outs is given (one slot per
    // parameter), it receives the parameters' final values, taken before
    // the caller's locals come back.
    Variant Invoke(std::span<const Variant> args, std::span<Variant> outs = {});
    // Invoke for the interpreter's own calls: the argument values move
    // into the parameters.
    Variant InvokeMoving(std::span<Variant> args);
    Variant InvokeMoving(std::span<Variant> args, std::span<Variant> outs);

    // Event adapters that call this procedure; they are detached when it goes.
    std::vector<TscCustomEvent*> Adapters;

private:
    friend class TscCallNode;
    template <class Args, bool Outs>
    Variant enter(Args args, std::span<Variant> outs);
    Variant run();
    // The values of the local scope's value holders (parameters, Result,
    // locals).
    const std::vector<Variant*>& frame();
    void buildFrame();
    std::vector<Variant*> frame_;
    int frameItemCount_ = -1;
    // Whether the frame starts with the parameters in order, each of them
    // stored by every call, then Result (framedResult_).
    bool framedParams_ = false;
    bool framedResult_ = false;
    // The value Result starts each run with (its kind's empty value),
    // taken from Result on the first run.
    Variant resultStart_;
    bool resultStartKnown_ = false;
};

// ---- type vocabulary
TscVarType StrToVarType(std::string_view typeName, const TscScript* script);
std::string GetFullTypeName(const TscCustomVariable* item);
std::string GetFullTypeName(TscVarType typ, const std::string& typeName);
bool TypesCompatible(TscVarType targetTyp, const std::string& targetTypeName, TscVarType sourceTyp,
                     const std::string& sourceTypeName, const TscScript* script);
bool TypesCompatible(const TscCustomVariable* target, const TscCustomVariable* source, const TscScript* script);
// TypesCompatible, except that Float is never stored into Integer.
bool AssignCompatible(const TscCustomVariable* target, const TscCustomVariable* source, const TscScript* script);
bool AssignCompatible(TscVarType targetTyp, const std::string& targetTypeName, TscVarType sourceTyp,
                      const std::string& sourceTypeName, const TscScript* script);
// "Incompatible types: 'T', 'S'".
std::string IncompatibleTypesMessage(const std::string& targetTypeName, const std::string& sourceTypeName);

// The value of a literal as the intermediate program writes it: empty is
// Null; "'text'" a string; else a 32- or 64-bit integer, or a float.
// A float literal out of range raises EConvertError.
Variant ParserStringToVariant(std::string_view s);

// Registration syntax lines, such as
// "function Copy(s: String; from, count: Integer): String".
std::unique_ptr<TscCustomVariable> ParseMethodSyntax(std::string_view syntax, const TscScript* script);
// Fills an existing item (name, kind, type name, macro flag, parameters).
void ParseMethodSyntaxInto(std::string_view syntax, const TscScript* script, TscCustomVariable& item);

// "line:col" to its two numbers (0 where a part is missing or bad).
void StrToPoint(std::string_view pos, int& line, int& col);

// ---- host callbacks (see sc_classes.h for the helpers that call them)

// First kind: the arguments in a Variant array (var parameters are read
// back from it).
using TscMethodCallback = std::function<Variant(TObject* instance, const TClass* classType,
                                                const std::string& methodName, Variant& params)>;
// Second kind: the arguments through Caller->GetParam/SetParam.
using TscMethodCallbackEx = std::function<Variant(TObject* instance, const TClass* classType,
                                                  const std::string& methodName, TscMethodHelper* caller)>;

// ---- the script scope

using TscGetUnitEvent = std::function<void(TscScript* sender, const std::string& unitName, std::string& unitText)>;
using TscRunLineEvent = std::function<void(TscScript* sender, const std::string& unitName, const std::string& sourcePos)>;

class TscScript : public TComponent {
public:
    explicit TscScript(TComponent* owner = nullptr);
    ~TscScript() override;

    // Stamped on every item added while set (see ClearItems).
    const void* AddedBy = nullptr;
    // The run flags side by side: a run resets them together.
    uint8_t BreakCalled = 0;
    uint8_t ContinueCalled = 0;
    uint8_t ExitCalled = 0;
    uint8_t Terminated = 0;
    uint8_t IsRunning = 0;
    uint8_t IsMainProg = 0;
    // Loop turns and calls left in this scope before the clock is read and
    // the host may be let in (sc_yield.h).
    int32_t YieldCountdown = scYieldTurns;
    void YieldPoint()
    {
        if (--YieldCountdown <= 0) [[unlikely]] {
            YieldCountdown = scYieldTurns;
            scYieldSlow();
        }
    }
    std::string ErrorMsg;
    std::string ErrorPos;
    std::string ErrorUnit;
    // 1: bytes 128-255 are identifier characters (UTF-8 identifiers).
    uint8_t ExtendedCharset = 0;
    uint8_t RTTIAdded = 0;
    // In a scope with IsMainProg: the local scope of the script procedure
    // running beneath it (nil when none).
    TscScript* ProgRunning = nullptr;
    TscScript* Parent = nullptr;
    std::vector<std::string> Lines;
    std::string SyntaxType = "PascalScript";
    // Folders searched in order for a used unit's file; one empty entry
    // (the current folder) from creation.
    std::vector<std::string> IncludePath{std::string()};
    // Per unit name (empty: the main text), the lines that hold a statement.
    std::map<std::string, std::set<int>> CodeLines;
    TscGetUnitEvent OnGetUnit;
    TscGetUnitEvent OnGetILUnit;
    TscRunLineEvent OnRunLine;
    TscGetVariableValueEvent OnGetVarValue;

    // The main block: a compound statement running in this scope.
    TscStatement* Prog() const { return prog_.get(); }

    // ---- item table
    // Appends (name, item); owned items are freed with the script. The item
    // is stamped with AddedBy.
    void Add(const std::string& name, TscCustomVariable* item, bool owned = true);
    int Count() const { return static_cast<int>(items_.size()); }
    TscCustomVariable* Items(int index) const { return items_[static_cast<size_t>(index)].item; }
    const std::string& ItemName(int index) const { return items_[static_cast<size_t>(index)].name; }
    // Takes the item out without freeing it.
    void Remove(TscCustomVariable* item);
    // This scope, then each parent; nullptr when no scope has the name.
    TscCustomVariable* Find(std::string_view name) const;
    // This scope only; the entry added last wins.
    TscCustomVariable* FindLocal(std::string_view name) const;
    TscClassVariable* FindClass(std::string_view name) const;
    // The class record serving an object's class: its own, else its
    // nearest registered ancestor's (nullptr when none is registered).
    TscClassVariable* FindClassOf(const TClass* cls) const;
    // Frees every item not made by registration modules, the statements
    // and the code lines; empties the error state.
    virtual void Clear();
    // Frees the items stamped with owner.
    void RemoveItems(const void* owner);
    // RemoveItems, then clears the statements and the code lines (the
    // error state stays).
    virtual void ClearItems(const void* owner);

    // ---- registration (each skipped when Find(name) already yields an item,
    // except AddEnum, AddEnumSet and the methods)
    void AddType(const std::string& typeName, TscVarType parentType);
    void AddConst(const std::string& name, const std::string& typeName, const Variant& value);
    void AddEnum(const std::string& typeName, std::string_view names);
    void AddEnumSet(const std::string& typeName, std::string_view names);
    TscVariable* AddVariable(const std::string& name, const std::string& typeName, const Variant& value);
    void SetVariable(const std::string& name, const Variant& value);
    // A host class of the reflection registry, with its published
    // properties and events; nullptr when the name is known already.
    TscClassVariable* AddClass(const TClass* cls, const std::string& ancestorName);
    // A class record by name only (no registry class behind it).
    TscClassVariable* AddClassRecord(const std::string& className, const std::string& ancestorName);
    // A global host function from its syntax line.
    TscMethodHelper* AddMethod(const std::string& syntax, TscMethodCallback callEvent,
                               const std::string& category = {}, const std::string& description = {});
    TscMethodHelper* AddMethodEx(const std::string& syntax, TscMethodCallbackEx callEvent,
                                 const std::string& category = {}, const std::string& description = {});
    // The object under a name, as a variable of its class.
    void AddObject(const std::string& name, TObject* object);
    // A form, data module or frame: its class record (ancestor TForm,
    // TDataModule or TFrame), its owned components as members, itself as
    // an object. Other objects are ignored.
    void AddForm(TComponent* form);
    void AddComponent(TComponent* form) { AddForm(form); }
    // Instantiates every registration module once (see sc_sysrtti.h).
    void AddRTTI();
    // Keeps an event adapter as long as this script's items.
    void AddEventAdapter(std::unique_ptr<TscCustomEvent> adapter);

    // ---- compiling and running
    // False with ErrorMsg/ErrorPos/ErrorUnit on a compile error; an unknown
    // language raises.
    bool Compile();
    // Runs the main block; the run flags are reset afterwards even when an
    // exception passes.
    void Execute();
    // Runs a procedure of this scope with the elements of a Variant array
    // as arguments; Null when the name is no procedure here.
    Variant CallFunction(std::string_view name, const Variant& params = Variant::Null());
    Variant CallFunction(std::string_view name, std::span<const Variant> params);
    // The same; afterwards element i of params holds parameter i's value.
    Variant CallFunctionVar(std::string_view name, Variant& params);
    // Stops the run at the next statement, here and in every procedure scope.
    void Terminate();
    // Calls the OnRunLine of the nearest scope that has one.
    void RunLine(const std::string& unitName, const std::string& sourcePos);
    void AddCodeLine(const std::string& unitName, const std::string& sourcePos);
    // The nearest scope (this one or a parent) with IsMainProg set.
    TscScript* MainProg();

    // Whether some scope up the chain has an OnRunLine; refreshed when a
    // run or a procedure call starts.
    bool RunLineHooked() const { return runLineHooked_; }
    void RefreshRunLineHook();
    // Both walks up the parents in one, as a procedure call starts here:
    // refreshes the hook flag and returns MainProg().
    TscScript* PrepareRun()
    {
        bool hooked = false;
        TscScript* scope = this;
        for (; scope && !scope->IsMainProg; scope = scope->Parent) hooked |= static_cast<bool>(scope->OnRunLine);
        TscScript* const main = scope;
        for (; scope; scope = scope->Parent) hooked |= static_cast<bool>(scope->OnRunLine);
        runLineHooked_ = hooked;
        return main;
    }

private:
    struct Entry {
        std::string name;
        std::string key;  // name in upper case
        TscCustomVariable* item;
        bool owned;
    };
    struct AdapterEntry {
        std::unique_ptr<TscCustomEvent> adapter;
        const void* addedBy;
    };
    void addEnumValues(const std::string& typeName, std::string_view names, bool bits);
    void eraseAt(size_t index, bool free);
    void freeAdapters(const void* owner, bool all);
    void clearProgram();
    TscMethodHelper* addMethod(const std::string& syntax, const std::string& category,
                               const std::string& description);

    std::vector<Entry> items_;
    // Upper-case name to the entries of that name, oldest first.
    std::unordered_map<std::string, std::vector<TscCustomVariable*>> index_;
    std::unique_ptr<TscStatement> prog_;
    std::vector<std::unique_ptr<TscRTTIModule>> modules_;
    std::vector<AdapterEntry> adapters_;
    bool runLineHooked_ = false;
};

inline const std::vector<Variant*>& TscProcVariable::frame()
{
    if (frameItemCount_ != Prog->Count()) buildFrame();
    return frame_;
}

// ASCII upper case: names compare without case; other characters have none.
std::string scUpperName(std::string_view name);

// Script procedures entered deeper than this raise "Stack overflow".
constexpr int scMaxCallDepth = 1000;
