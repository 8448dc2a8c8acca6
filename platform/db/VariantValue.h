#pragma once
// A field value as the core Variant, for users that compute with values
// (the report datasets). Text stays UTF-8 (varString).

#include "DbValue.h"
#include "Variant.h"

namespace db {

inline Variant ToVariant(const Value& v)
{
    switch (v.kind()) {
    case StorageClass::Null: return Variant::Null();
    case StorageClass::Integer: return Variant(v.integer());
    case StorageClass::Float: return Variant(v.real());
    default: return Variant(std::string_view(v.bytes()));
    }
}

}  // namespace db
