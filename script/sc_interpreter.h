#pragma once
// Script items and scopes: every named thing a script can see (variable,
// constant, type, procedure, host function, host class, parameter) is a
// TscCustomVariable; a TscScript is one scope with its item table.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "Variant.h"

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

class TscCustomVariable : public TscItemList {
public:
    TscCustomVariable(std::string name, TscVarType typ, std::string typeName);

    const void* AddedBy = nullptr;
    uint8_t IsMacro = 0;
    uint8_t IsReadOnly = 0;
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
};

using TscGetVariableValueEvent =
    std::function<Variant(const std::string& varName, TscVarType varTyp, const Variant& oldValue)>;

// A variable: stores with conversion to its kind.
class TscVariable : public TscCustomVariable {
public:
    using TscCustomVariable::TscCustomVariable;
    TscGetVariableValueEvent OnGetValue;
    void SetValue(const Variant& value) override;
    Variant GetValue() override;
};

// A Char or String variable: keeps the value's string form.
class TscStringVariable : public TscVariable {
public:
    TscStringVariable(std::string name, TscVarType typ, std::string typeName);
    std::string Str;
    void SetValue(const Variant& value) override;
    Variant GetValue() override;
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

// A script procedure or function with its local scope (whose Parent is the
// declaring script). Its parameters are its children.
class TscProcVariable : public TscCustomVariable {
public:
    TscProcVariable(std::string name, TscVarType typ, std::string typeName, TscScript* parent, bool isFunc);
    ~TscProcVariable() override;
    uint8_t Executing = 0;
    uint8_t IsFunc = 0;
    std::unique_ptr<TscScript> Prog;
    TscVariable* Result = nullptr;  // functions only; an item of Prog
};

// A host class record. The host-class layer fills in its members; the front
// end only needs its name and ancestry for type checks.
class TscClassVariable : public TscCustomVariable {
public:
    TscClassVariable(std::string className, std::string ancestorName, TscScript* script);
    std::string AncestorName;
    TscScript* Script;
    // True when this class is other or derives from it (by registered names).
    bool InheritsFrom(const TscClassVariable* other) const;
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

// ---- the script scope

using TscGetUnitEvent = std::function<void(TscScript* sender, const std::string& unitName, std::string& unitText)>;
using TscRunLineEvent = std::function<void(TscScript* sender, const std::string& unitName, const std::string& sourcePos)>;

class TscScript {
public:
    explicit TscScript(TscScript* parent = nullptr);
    TscScript(const TscScript&) = delete;
    TscScript& operator=(const TscScript&) = delete;
    virtual ~TscScript();

    // Stamped on every item added while set (see ClearItems).
    const void* AddedBy = nullptr;
    uint8_t BreakCalled = 0;
    uint8_t ContinueCalled = 0;
    uint8_t ExitCalled = 0;
    std::string ErrorMsg;
    std::string ErrorPos;
    std::string ErrorUnit;
    // 1: bytes 128-255 are identifier characters (UTF-8 identifiers).
    uint8_t ExtendedCharset = 0;
    uint8_t IsRunning = 0;
    uint8_t IsMainProg = 0;
    uint8_t Terminated = 0;
    TscScript* ProgRunning = nullptr;
    TscScript* Parent = nullptr;
    std::vector<std::string> Lines;
    std::string SyntaxType = "PascalScript";
    // Folders searched in order for a used unit's file; one empty entry
    // (the current folder) from creation.
    std::vector<std::string> IncludePath{std::string()};
    TscGetUnitEvent OnGetUnit;
    TscGetUnitEvent OnGetILUnit;
    TscRunLineEvent OnRunLine;
    TscGetVariableValueEvent OnGetVarValue;

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
    // Frees every item not made by registration modules; empties the error state.
    virtual void Clear();
    // Frees the items stamped with owner.
    void RemoveItems(const void* owner);
    virtual void ClearItems(const void* owner);

    // ---- registration (each skipped when Find(name) already yields an item,
    // except AddEnum and AddEnumSet)
    void AddType(const std::string& typeName, TscVarType parentType);
    void AddConst(const std::string& name, const std::string& typeName, const Variant& value);
    void AddEnum(const std::string& typeName, std::string_view names);
    void AddEnumSet(const std::string& typeName, std::string_view names);
    TscVariable* AddVariable(const std::string& name, const std::string& typeName, const Variant& value);
    void SetVariable(const std::string& name, const Variant& value);
    // Registers a class record under its name; nullptr when the name is known.
    TscClassVariable* AddClassRecord(const std::string& className, const std::string& ancestorName);

private:
    struct Entry {
        std::string name;
        std::string key;  // name in upper case
        TscCustomVariable* item;
        bool owned;
    };
    void addEnumValues(const std::string& typeName, std::string_view names, bool bits);
    void eraseAt(size_t index, bool free);

    std::vector<Entry> items_;
    // Upper-case name to the entries of that name, oldest first.
    std::unordered_map<std::string, std::vector<TscCustomVariable*>> index_;
};

// ASCII upper case: names compare without case; other characters have none.
std::string scUpperName(std::string_view name);
