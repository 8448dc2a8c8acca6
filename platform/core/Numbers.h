#pragma once
// The rounding rules every subsystem shares. Report geometry is Extended
// (long double): in double, Trunc(28.8 / 9.6) is 3, in Extended it is 2.
// Use these and nothing else (no std::round, no casts for rounding).

#include <cfenv>
#include <cmath>
#include <cstdint>

#include "Exceptions.h"

using Extended = long double;

namespace numbers_detail {
[[noreturn]] void raiseRoundRange();
}

// Round half to even (the platform's banker's rounding), in the default
// rounding mode. Out of the Int64 range raises EInvalidOp.
inline int64_t Round(Extended x)
{
    // rint, not nearbyint: the same result in the default mode, without
    // saving and restoring the floating-point environment (15 times faster).
    const Extended r = std::rint(x);
    // A whole number below 2^53 goes through double exactly, and that
    // conversion is SSE's: the x87 one switches the control word to
    // truncate and back, which stalls (a fifth of printing a page once).
    if (std::fabs(r) < 0x1p53L) return static_cast<int64_t>(static_cast<double>(r));
    if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) numbers_detail::raiseRoundRange();
    return static_cast<int64_t>(r);
}

// Truncation toward zero. Out of the Int64 range raises EInvalidOp.
inline int64_t Trunc(Extended x)
{
    const Extended r = std::trunc(x);
    if (!(r >= -9223372036854775808.0L && r < 9223372036854775808.0L)) numbers_detail::raiseRoundRange();
    return static_cast<int64_t>(r);
}

// Integer part as a float, toward zero.
inline Extended Int(Extended x) { return std::trunc(x); }

// Fractional part, with the sign of x.
inline Extended Frac(Extended x) { return x - std::trunc(x); }

// a * b / c rounded half away from zero, in 64 bits; |a| and |b| at most
// 2^32, c not 0.
inline int64_t MulDiv64(int64_t a, int64_t b, int64_t c)
{
    const int64_t p = a * b;
    int64_t q = p / c;
    const int64_t r = p % c;
    // Compare 2|r| with |c| to round half away from zero.
    const int64_t ar = r < 0 ? -r : r;
    const int64_t ac = c < 0 ? -c : c;
    if (2 * ar >= ac) q += ((p < 0) != (c < 0)) ? -1 : 1;
    return q;
}

// a * b / c computed in 64 bits, rounded half away from zero; -1 when c is 0
// (the platform's answer).
inline int32_t MulDiv(int32_t a, int32_t b, int32_t c)
{
    if (c == 0) return -1;
    return static_cast<int32_t>(MulDiv64(a, b, c));
}

// The Int32 nearest to v.
inline int32_t ClampToInt32(int64_t v)
{
    return v < INT32_MIN ? INT32_MIN : v > INT32_MAX ? INT32_MAX : static_cast<int32_t>(v);
}

// MulDiv held to the Int32 range instead of wrapping round, for values
// read from files (a font height of -2147483648); a may be -Int32 of one.
inline int32_t MulDivClamped(int64_t a, int32_t b, int32_t c)
{
    if (c == 0) return -1;
    return ClampToInt32(MulDiv64(a, b, c));
}

inline bool SameValue(Extended a, Extended b, Extended epsilon = 0)
{
    if (epsilon == 0) {
        const Extended fuzz = 1e-19L * 1000;  // Extended resolution times the fuzz factor
        const Extended m = std::fabs(a) < std::fabs(b) ? std::fabs(a) : std::fabs(b);
        epsilon = m * fuzz > fuzz ? m * fuzz : fuzz;
    }
    return std::fabs(a - b) <= epsilon;
}
