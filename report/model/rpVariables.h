#pragma once
// Named Variant values: the report's variables and the process-wide global
// ones, and arrays keyed by any Variant's text.

#include <string>
#include <string_view>

#include "Classes.h"
#include "Variant.h"

class TrpVariable : public TCollectionItem {
    DORVAK_CLASS(TrpVariable, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;

    std::string Name;
    Variant Value;

    void Assign(const TPersistent* source) override;

    static void Publish(TClassBuilder<TrpVariable>& b);
};

class TrpVariables : public TCollection {
    DORVAK_CLASS(TrpVariables, TCollection)
public:
    explicit TrpVariables(TPersistent* owner = nullptr);

    TrpVariable* Add() { return static_cast<TrpVariable*>(TCollection::Add()); }
    TrpVariable* Items(int index) const { return static_cast<TrpVariable*>(TCollection::Items(index)); }
    // The first item of that name ignoring case; -1 when none.
    int IndexOf(std::string_view name) const;
    // Unassigned for a name that does not exist.
    Variant Get(std::string_view name) const;
    // Adds the item when the name does not exist.
    void Set(std::string_view name, const Variant& value);
};

// The same keyed by a Variant, compared as text ignoring case.
class TrpArray : public TrpVariables {
    DORVAK_CLASS(TrpArray, TrpVariables)
public:
    using TrpVariables::TrpVariables;

    Variant Get(const Variant& key) const { return TrpVariables::Get(VarToStr(key)); }
    void Set(const Variant& key, const Variant& value) { TrpVariables::Set(VarToStr(key), value); }
};

// The process-wide variables (with "CopyName" among the ones printing sets).
TrpVariables& GlobalVariables();
