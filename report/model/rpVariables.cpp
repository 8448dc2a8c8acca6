#include "rpVariables.h"

#include "SysUtils.h"

void TrpVariable::Assign(const TPersistent* source)
{
    const auto* v = dynamic_cast<const TrpVariable*>(source);
    if (!v) {
        TCollectionItem::Assign(source);
        return;
    }
    Name = v->Name;
    Value = v->Value;
}

void TrpVariable::Publish(TClassBuilder<TrpVariable>& b)
{
    b.property("Name", &TrpVariable::Name);
    b.property("Value", &TrpVariable::Value);
}

TrpVariables::TrpVariables(TPersistent* owner) : TCollection(TrpVariable::StaticClass(), owner) {}

int TrpVariables::IndexOf(std::string_view name) const
{
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name, name)) return i;
    return -1;
}

Variant TrpVariables::Get(std::string_view name) const
{
    const int i = IndexOf(name);
    return i < 0 ? Variant() : Items(i)->Value;
}

void TrpVariables::Set(std::string_view name, const Variant& value)
{
    int i = IndexOf(name);
    if (i < 0) {
        Add()->Name = std::string(name);
        i = Count() - 1;
    }
    Items(i)->Value = value;
}

TrpVariables& GlobalVariables()
{
    static TrpVariables variables;
    return variables;
}
