// Variant arithmetic and logic. Integers never wrap: + - * run in 64 bits
// and spill into double; "/" is always floating with the platform's math
// errors; Null in, Null out.

#include <cmath>

#include "Exceptions.h"
#include "VariantImpl.h"

namespace {

using Operand = VarNumber;

Operand operandOf(const Variant& v)
{
    return VarNumberOf(v, false);
}

[[noreturn]] void raiseOverflow()
{
    throw EOverflow("Floating point overflow");
}

[[noreturn]] void raiseInvalidFloat()
{
    throw EInvalidOp("Invalid floating point operation");
}

// The platform traps what IEEE would quietly turn into inf or NaN.
template <class T>
double checkedFloat(T r, T x, T y)
{
    const double d = static_cast<double>(r);
    if (std::isnan(d) && !std::isnan(x) && !std::isnan(y)) raiseInvalidFloat();
    if (std::isinf(d) && std::isfinite(x) && std::isfinite(y)) raiseOverflow();
    return d;
}

enum class Op { Add, Sub, Mul, Div };

template <class T>
T floatOp(Op op, T x, T y) noexcept
{
    switch (op) {
    case Op::Add: return x + y;
    case Op::Sub: return x - y;
    case Op::Mul: return x * y;
    default: return x / y;
    }
}

double floatResult(Op op, const Operand& x, const Operand& y)
{
    if (x.exactInDouble() && y.exactInDouble()) {
        const double a = static_cast<double>(x.value()), b = static_cast<double>(y.value());
        return checkedFloat(floatOp(op, a, b), a, b);
    }
    const long double a = x.value(), b = y.value();
    return checkedFloat(floatOp(op, a, b), a, b);
}

bool intOp(Op op, int64_t x, int64_t y, int64_t& r) noexcept
{
    switch (op) {
    case Op::Add: return !__builtin_add_overflow(x, y, &r);
    case Op::Sub: return !__builtin_sub_overflow(x, y, &r);
    default: return !__builtin_mul_overflow(x, y, &r);
    }
}

// Currency stays exact while it fits; the product of two currencies is
// rounded half to even to four decimals.
bool currencyOp(Op op, const Operand& a, const Operand& b, int64_t& r) noexcept
{
    if (op == Op::Mul) {
        if (a.kind == Operand::Cur && b.kind == Operand::Cur) {
            const __int128 p = static_cast<__int128>(a.i) * b.i;
            __int128 q = p / 10000;
            const __int128 rem = p % 10000;
            const __int128 ar = rem < 0 ? -rem : rem;
            if (ar > 5000 || (ar == 5000 && (q & 1) != 0)) q += rem < 0 ? -1 : 1;
            if (q < INT64_MIN || q > INT64_MAX) return false;
            r = static_cast<int64_t>(q);
            return true;
        }
        return intOp(op, a.i, b.i, r);  // one side is an unscaled integer
    }
    int64_t x = a.i, y = b.i;
    if (a.kind == Operand::Int && __builtin_mul_overflow(x, int64_t(10000), &x)) return false;
    if (b.kind == Operand::Int && __builtin_mul_overflow(y, int64_t(10000), &y)) return false;
    return intOp(op, x, y, r);
}

Variant concat(const Variant& a, const Variant& b)
{
    if (a.type() == varOleStr || b.type() == varOleStr) {
        std::u16string s = a.toWideString();
        s += b.type() == varOleStr ? b.rawWideString() : b.toWideString();
        return Variant(std::move(s));
    }
    if (a.isEmpty()) return b;
    if (b.isEmpty()) return a;
    const std::string& x = a.rawString();
    const std::string& y = b.rawString();
    std::string s;
    s.reserve(x.size() + y.size());
    s.append(x).append(y);
    return Variant(std::move(s));
}

Variant arith(Op op, const Variant& a, const Variant& b)
{
    if (a.isOrdinal() && b.isOrdinal()) {
        int64_t r = 0;
        if (intOp(op, VarOrdinalValue(a), VarOrdinalValue(b), r)) return VarIntResult(r);
    }
    if (a.isNull() || b.isNull()) return Variant::Null();
    if (op == Op::Add && (a.isString() || b.isString()) && (a.isString() || a.isEmpty()) &&
        (b.isString() || b.isEmpty()))
        return concat(a, b);

    const Operand x = operandOf(a), y = operandOf(b);
    if (x.kind == Operand::Date || y.kind == Operand::Date) {
        const double r = floatResult(op, x, y);
        // date +- number is a date; date - date is a span of days.
        const bool bothDates = x.kind == Operand::Date && y.kind == Operand::Date;
        if (op == Op::Mul || (op == Op::Sub && bothDates)) return Variant(r);
        return Variant::FromDate(r);
    }
    if (x.kind == Operand::Int && y.kind == Operand::Int) {
        int64_t r = 0;
        if (intOp(op, x.i, y.i, r)) return VarIntResult(r);
    } else if (x.kind != Operand::Dbl && y.kind != Operand::Dbl) {
        int64_t r = 0;
        if (currencyOp(op, x, y, r)) return Variant::FromCurrencyScaled(r);
    }
    return Variant(floatResult(op, x, y));
}

// Operand of div, mod and the shifts: a 64-bit integer.
int64_t integerOf(const Variant& v)
{
    if (v.isObject() || v.isDispatch() || v.isArray() || v.type() == varError) VarInvalidOp();
    return VarToInt64As(v, varInt64);
}

// Operand of a bit operation, with the width it works in.
struct Bits {
    int64_t v;
    int width;      // 32 or 64
    bool unsigned32;  // LongWord keeps its kind
};

Bits bitsOf(const Variant& v)
{
    const uint16_t vt = v.type();
    if (VarIsSmallOrdinal(vt) || vt == varBoolean || vt == varEmpty) return {VarToInt64As(v, varInteger), 32, false};
    if (vt == varLongWord) return {v.rawInt64(), 32, true};
    if (vt == varInt64) return {v.rawInt64(), 64, false};
    const int64_t i = integerOf(v);
    return {i, i >= INT32_MIN && i <= INT32_MAX ? 32 : 64, false};
}

Variant bitsResult(const Bits& shape, uint64_t bits) noexcept
{
    if (shape.width == 64) return Variant(static_cast<int64_t>(bits));
    if (shape.unsigned32) return Variant(static_cast<uint32_t>(bits));
    return Variant(static_cast<int32_t>(static_cast<uint32_t>(bits)));
}

// Booleans combine logically, everything else bitwise. A text "True" or
// "False" counts as a boolean; Empty joins a boolean as False.
enum class Logic { And, Or, Xor };

bool logicalOperand(const Variant& v, bool& out)
{
    if (v.isBool()) { out = v.rawBool(); return true; }
    if (!v.isString()) return false;
    std::string buffer;
    return VarTextToBool(VarStringText(v, buffer), out);
}

}  // namespace

VarNumber VarNumberOf(const Variant& v, bool objectsAsNumbers)
{
    switch (v.type()) {
    case varEmpty: return {VarNumber::Int, 0, 0};
    case varBoolean: return {VarNumber::Int, v.rawBool() ? -1 : 0, 0};
    case varSmallint: case varInteger: case varShortInt: case varByte: case varWord:
    case varLongWord: case varInt64:
        return {VarNumber::Int, VarOrdinalValue(v), 0};
    case varSingle: case varDouble: return {VarNumber::Dbl, 0, v.rawDouble()};
    case varDate: return {VarNumber::Date, 0, v.rawDouble()};
    case varCurrency: return {VarNumber::Cur, v.rawInt64(), 0};
    case varString: case varOleStr: return {VarNumber::Dbl, 0, v.toDouble()};
    case varObject:
        if (!objectsAsNumbers) VarInvalidOp();
        if (v.rawObject() > static_cast<uint64_t>(INT64_MAX))
            return {VarNumber::Dbl, 0, static_cast<double>(v.rawObject())};
        return {VarNumber::Int, static_cast<int64_t>(v.rawObject()), 0};
    default: VarInvalidOp();
    }
}

Variant operator+(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger)
        return VarIntResult(int64_t(a.rawInt()) + b.rawInt());
    if (a.type() == varDouble && b.type() == varDouble)
        return Variant(checkedFloat(a.rawDouble() + b.rawDouble(), a.rawDouble(), b.rawDouble()));
    return arith(Op::Add, a, b);
}

Variant operator-(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger)
        return VarIntResult(int64_t(a.rawInt()) - b.rawInt());
    if (a.type() == varDouble && b.type() == varDouble)
        return Variant(checkedFloat(a.rawDouble() - b.rawDouble(), a.rawDouble(), b.rawDouble()));
    return arith(Op::Sub, a, b);
}

Variant operator*(const Variant& a, const Variant& b)
{
    if (a.type() == varInteger && b.type() == varInteger)
        return VarIntResult(int64_t(a.rawInt()) * b.rawInt());
    if (a.type() == varDouble && b.type() == varDouble)
        return Variant(checkedFloat(a.rawDouble() * b.rawDouble(), a.rawDouble(), b.rawDouble()));
    return arith(Op::Mul, a, b);
}

Variant operator/(const Variant& a, const Variant& b)
{
    if (a.type() == varDouble && b.type() == varDouble && b.rawDouble() != 0)
        return Variant(checkedFloat(a.rawDouble() / b.rawDouble(), a.rawDouble(), b.rawDouble()));
    if (a.isNull() || b.isNull()) return Variant::Null();
    const Operand x = operandOf(a), y = operandOf(b);
    if (y.value() == 0) {
        if (x.value() == 0 || std::isnan(x.value())) raiseInvalidFloat();
        throw EZeroDivide("Floating point division by zero");
    }
    return Variant(floatResult(Op::Div, x, y));
}

Variant operator-(const Variant& a)
{
    if (a.isNull()) return Variant::Null();
    const Operand x = operandOf(a);
    switch (x.kind) {
    case Operand::Int:
        if (x.i == INT64_MIN) return Variant(-static_cast<double>(x.i));
        return VarIntResult(-x.i);
    case Operand::Cur:
        if (x.i == INT64_MIN) return Variant(-VarCurrencyToDouble(x.i));
        return Variant::FromCurrencyScaled(-x.i);
    case Operand::Date: return Variant::FromDate(-x.d);
    default: return Variant(-x.d);
    }
}

Variant VarIntDiv(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::Null();
    const int64_t x = integerOf(a), y = integerOf(b);
    if (y == 0) throw EDivByZero("Division by zero");
    // The one quotient that does not fit 64 bits spills into double.
    if (x == INT64_MIN && y == -1) return Variant(9223372036854775808.0);
    return VarIntResult(x / y);
}

Variant VarMod(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::Null();
    const int64_t x = integerOf(a), y = integerOf(b);
    if (y == 0) throw EDivByZero("Division by zero");
    if (y == -1) return Variant(int32_t(0));  // INT64_MIN % -1 traps in hardware
    return VarIntResult(x % y);
}

Variant VarShl(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::Null();
    const Bits x = bitsOf(a);
    const int64_t count = integerOf(b) & (x.width - 1);
    return bitsResult(x, static_cast<uint64_t>(x.v) << count);
}

Variant VarShr(const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::Null();
    const Bits x = bitsOf(a);
    const int64_t count = integerOf(b) & (x.width - 1);
    const uint64_t bits = x.width == 64 ? static_cast<uint64_t>(x.v) : static_cast<uint32_t>(x.v);
    return bitsResult(x, bits >> count);
}

namespace {

Variant logic(Logic op, const Variant& a, const Variant& b)
{
    if (a.isNull() || b.isNull()) return Variant::Null();
    bool p = false, q = false;
    const bool pl = logicalOperand(a, p) || a.isEmpty();
    const bool ql = logicalOperand(b, q) || b.isEmpty();
    if (pl && ql && !(a.isEmpty() && b.isEmpty())) {
        switch (op) {
        case Logic::And: return Variant(p && q);
        case Logic::Or: return Variant(p || q);
        default: return Variant(p != q);
        }
    }
    const Bits x = bitsOf(a), y = bitsOf(b);
    switch (op) {
    case Logic::And: return VarIntResult(x.v & y.v);
    case Logic::Or: return VarIntResult(x.v | y.v);
    default: return VarIntResult(x.v ^ y.v);
    }
}

}  // namespace

Variant VarAnd(const Variant& a, const Variant& b)
{
    return logic(Logic::And, a, b);
}

Variant VarOr(const Variant& a, const Variant& b)
{
    return logic(Logic::Or, a, b);
}

Variant VarXor(const Variant& a, const Variant& b)
{
    return logic(Logic::Xor, a, b);
}

Variant VarNot(const Variant& a)
{
    if (a.isNull()) return Variant::Null();
    bool p = false;
    if (logicalOperand(a, p)) return Variant(!p);
    const Bits x = bitsOf(a);
    if (x.width == 32 && !x.unsigned32) return Variant(~static_cast<int32_t>(x.v));
    return bitsResult(x, ~static_cast<uint64_t>(x.v));
}
