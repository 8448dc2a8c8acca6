#pragma once
// Inline shortcuts of the Variant operators for the kinds the interpreter
// meets in nearly every expression (two Integers, two Doubles). They give
// exactly the Variant's results and leave every other case to it.

#include <cmath>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

#include "Variant.h"

inline Variant scIntResult(int64_t v) noexcept
{
    if (v >= INT32_MIN && v <= INT32_MAX) return Variant(static_cast<int32_t>(v));
    return Variant(v);
}

// scIntResult of the sum, difference and product of two Integers, told by
// the overflow flag rather than by a range test of the wide result.
inline Variant scIntAdd(int32_t a, int32_t b) noexcept
{
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) return Variant(int64_t{a} + b);
    return Variant(r);
}

inline Variant scIntSub(int32_t a, int32_t b) noexcept
{
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) return Variant(int64_t{a} - b);
    return Variant(r);
}

inline Variant scIntMul(int32_t a, int32_t b) noexcept
{
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) return Variant(int64_t{a} * b);
    return Variant(r);
}

// Overwrites a value with a number in place (cheaper than an assignment,
// which must allow for the source being the target).
template <class T>
inline void scStoreNumber(Variant& slot, T number) noexcept
{
    slot.~Variant();
    new (&slot) Variant(number);
}

// The same for any value moved in (value must not be slot itself).
inline void scReplace(Variant& slot, Variant&& value) noexcept
{
    slot.~Variant();
    new (&slot) Variant(std::move(value));
}

inline Variant scAdd(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger)
        return scIntAdd(a.rawInt(), b.rawInt());
    if (a.type() == varDouble && b.type() == varDouble) {
        const double d = a.rawDouble() + b.rawDouble();
        if (std::isfinite(d)) return Variant(d);
    }
    return a + b;
}

inline Variant scSub(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger)
        return scIntSub(a.rawInt(), b.rawInt());
    if (a.type() == varDouble && b.type() == varDouble) {
        const double d = a.rawDouble() - b.rawDouble();
        if (std::isfinite(d)) return Variant(d);
    }
    return a - b;
}

inline Variant scMul(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger)
        return scIntMul(a.rawInt(), b.rawInt());
    if (a.type() == varDouble && b.type() == varDouble) {
        const double d = a.rawDouble() * b.rawDouble();
        if (std::isfinite(d)) return Variant(d);
    }
    return a * b;
}

// Remainder and quotient of two Integers (b not 0) in 32 bits, which
// divide several times faster than 64; the minimum divided by -1, which
// traps in 32 bits, is answered apart.
[[gnu::always_inline]] inline Variant scIntMod(int32_t a, int32_t b) noexcept
{
    return Variant(b == -1 ? 0 : a % b);
}
[[gnu::always_inline]] inline Variant scIntQuotient(int32_t a, int32_t b) noexcept
{
    return b == -1 ? scIntResult(-static_cast<int64_t>(a)) : Variant(a / b);
}

inline Variant scMod(const Variant& a, const Variant& b)
{
    // The remainder of two Integers is an Integer.
    if (a.type() == varInteger && b.type() == varInteger && b.rawInt() != 0) return scIntMod(a.rawInt(), b.rawInt());
    return VarMod(a, b);
}

inline Variant scIntDiv(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger && b.rawInt() != 0)
        return scIntQuotient(a.rawInt(), b.rawInt());
    return VarIntDiv(a, b);
}

// -1, 0 or 1 as VarCompare gives them.
[[gnu::always_inline]] inline int scCompare(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger)
        return a.rawInt() < b.rawInt() ? -1 : a.rawInt() > b.rawInt() ? 1 : 0;
    if (a.type() == varDouble && b.type() == varDouble && !std::isnan(a.rawDouble()) && !std::isnan(b.rawDouble()))
        return a.rawDouble() < b.rawDouble() ? -1 : a.rawDouble() > b.rawDouble() ? 1 : 0;
    return VarCompare(a, b);
}

inline bool scEquals(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger) return a.rawInt() == b.rawInt();
    return VarEquals(a, b);
}

inline Variant scDivFloat(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger && b.rawInt() != 0)
        return Variant(static_cast<double>(a.rawInt()) / b.rawInt());
    if (a.type() == varDouble && b.type() == varDouble && b.rawDouble() != 0) {
        const double d = a.rawDouble() / b.rawDouble();
        if (std::isfinite(d)) return Variant(d);
    }
    return a / b;
}

// Values kept on the C++ stack for the common short argument lists and
// procedure frames; longer ones go to the heap. Each slot is built from
// make(i) in place; if one fails, those built are destroyed.
template <size_t Inline>
class TscValueBuffer {
public:
    template <class F>
    TscValueBuffer(size_t size, F make)
    {
        Variant* slots = size > Inline ? static_cast<Variant*>(::operator new(size * sizeof(Variant))) : inlineSlots();
        heap_ = size > Inline ? slots : nullptr;
        // A constructor that throws gets no destructor call: clean up here.
        try {
            for (; built_ < size; ++built_) new (slots + built_) Variant(make(built_));
        } catch (...) {
            release();
            throw;
        }
    }
    explicit TscValueBuffer(size_t size) : TscValueBuffer(size, [](size_t) { return Variant(); }) {}
    ~TscValueBuffer() { release(); }
    TscValueBuffer(const TscValueBuffer&) = delete;
    TscValueBuffer& operator=(const TscValueBuffer&) = delete;
    Variant* data() { return heap_ ? heap_ : inlineSlots(); }
    Variant& operator[](size_t i) { return data()[i]; }
    size_t size() const { return built_; }

private:
    void release() noexcept
    {
        Variant* slots = data();
        for (size_t i = 0; i < built_; ++i) slots[i].~Variant();
        if (heap_) ::operator delete(heap_);
    }
    Variant* inlineSlots() { return reinterpret_cast<Variant*>(storage_); }
    alignas(Variant) unsigned char storage_[Inline * sizeof(Variant)];
    Variant* heap_ = nullptr;
    size_t built_ = 0;
};
