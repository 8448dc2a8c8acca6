#pragma once
// Internals shared by the Variant sources: the reference-counted payloads,
// raw access to the tagged union, and the platform's error texts.

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "Variant.h"

// One heap block per string or array value, shared by every copy of it.
// String payloads are immutable; arrays are detached before a write when
// shared. An empty string has no payload at all (nullptr).
template <class T>
struct VarBox {
    std::atomic<int32_t> refs{1};
    T value;
};

struct VarArrayData {
    uint16_t elementType = varVariant;
    std::vector<VarArrayBound> bounds;
    std::vector<Variant> items;  // first index varies fastest
};

using VarStringBox = VarBox<std::string>;
using VarWideBox = VarBox<std::u16string>;
using VarArrayBox = VarBox<VarArrayData>;

struct VariantAccess {
    static void* payload(const Variant& v) noexcept { return v.u_.p; }
    static VarArrayBox* array(const Variant& v) noexcept { return static_cast<VarArrayBox*>(v.u_.p); }
    // Takes ownership of one reference to p.
    static Variant adopt(uint16_t vt, void* p) noexcept
    {
        Variant v;
        v.vt_ = vt;
        v.u_.p = p;
        return v;
    }
    static Variant fromDouble(double d, uint16_t vt) noexcept
    {
        Variant v(d);
        v.vt_ = vt;
        return v;
    }
    static Variant fromInt64(int64_t i, uint16_t vt) noexcept
    {
        Variant v(i);
        v.vt_ = vt;
        return v;
    }
    // The array payload, copied first when another Variant shares it.
    static VarArrayData& mutableArray(Variant& v);
};

// Integer result rule: Integer when the value fits 32 bits, else Int64.
inline Variant VarIntResult(int64_t v) noexcept
{
    if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<int32_t>(v));
    return Variant(v);
}

inline bool VarIsSmallOrdinal(uint16_t vt) noexcept
{
    return vt == varSmallint || vt == varInteger || vt == varShortInt || vt == varByte || vt == varWord;
}

// Ordinal payloads: the 32-bit kinds are read from the low half so that a
// value stored with or without sign extension reads the same.
inline int64_t VarOrdinalValue(const Variant& v) noexcept
{
    if (v.type() == varInt64 || v.type() == varLongWord) return v.rawInt64();
    return v.rawInt();
}

// Currency as the nearest double (1000 scaled is exactly the double 0.1).
inline double VarCurrencyToDouble(int64_t scaled) noexcept
{
    if (scaled > -(int64_t(1) << 53) && scaled < (int64_t(1) << 53)) return static_cast<double>(scaled) / 10000;
    return static_cast<double>(static_cast<long double>(scaled) / 10000);
}

// A scalar reduced to the kinds arithmetic and comparison work on: Empty
// and Boolean become integers, text becomes a Double.
struct VarNumber {
    enum Kind { Int, Cur, Dbl, Date } kind;
    int64_t i;  // Int, or Cur scaled by 10000
    double d;   // Dbl, Date

    // Everything but an Int64 beyond 2^53 is exact in double.
    bool exactInDouble() const noexcept { return kind != Int || (i >= -(int64_t(1) << 53) && i <= (int64_t(1) << 53)); }
    // Exact for Int (long double holds every Int64); Cur as its nearest double.
    long double value() const noexcept
    {
        if (kind == Int) return static_cast<long double>(i);
        if (kind == Cur) return VarCurrencyToDouble(i);
        return d;
    }
};

// Object handles count as their number only with `objectsAsNumbers`
// (comparison); otherwise they, like arrays, dispatch objects and error
// codes, raise "Invalid variant operation".
VarNumber VarNumberOf(const Variant& v, bool objectsAsNumbers);

// "Could not convert variant of type (String) into type (Double)"
[[noreturn]] void VarCastError(uint16_t from, uint16_t to);
// "Overflow while converting variant of type (Double) into type (Integer)"
[[noreturn]] void VarOverflowError(uint16_t from, uint16_t to);
// "Invalid variant operation"
[[noreturn]] void VarInvalidOp();
// "Variant or safe array index out of bounds"
[[noreturn]] void VarBadIndex();

// Conversions with the error texts naming `target` as the wanted type.
int64_t VarToInt64As(const Variant& v, uint16_t target);
int64_t VarToCurrencyScaled(const Variant& v);
// Text "true"/"false" in any case (blanks around allowed).
bool VarTextToBool(std::string_view text, bool& out);
// The text of a string Variant as UTF-8: a view of its own text, or of
// `buffer` holding the conversion of a wide one.
std::string_view VarStringText(const Variant& v, std::string& buffer);
