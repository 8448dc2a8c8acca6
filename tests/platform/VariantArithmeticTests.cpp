// Variant arithmetic and logic: never wrap, trap what the platform traps.

#include <cmath>
#include <limits>

#include "VariantTestSupport.h"

namespace {

const Variant kInt64Min(std::numeric_limits<int64_t>::min());
const Variant kInt64Max(std::numeric_limits<int64_t>::max());

}  // namespace

TEST(VariantArithmetic, PlusConcatenatesTextAndConvertsTextBesideNumbers)
{
    EXPECT_VARIANT(varString, "abcd", Variant("ab") + Variant("cd"));
    EXPECT_VARIANT(varDouble, 15, Variant("12") + Variant(3));
    EXPECT_VARIANT(varDouble, 15, Variant(3) + Variant(" 12"));
    EXPECT_VARIANT(varDouble, 36, Variant("12") * Variant("3"));
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (String) into type (Double)",
                  Variant("abc") + Variant(1));
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (String) into type (Double)",
                  Variant("12") - Variant("x"));
    // Any wide side makes the result wide.
    EXPECT_VARIANT(varOleStr, u"ab\u4E2D", Variant("ab") + Variant(u"\u4E2D"));
}

TEST(VariantArithmetic, EmptyActsAsZeroOrEmptyText)
{
    EXPECT_VARIANT(varString, "x", Variant() + Variant("x"));
    EXPECT_VARIANT(varString, "x", Variant("x") + Variant());
    EXPECT_VARIANT(varInteger, 5, Variant() + Variant(5));
    EXPECT_VARIANT(varInteger, -5, Variant() - Variant(5));
    EXPECT_VARIANT(varInteger, 0, Variant() + Variant());
    EXPECT_VARIANT(varDouble, 2.5, Variant(2.5) + Variant());
}

TEST(VariantArithmetic, IntegersWidenInsteadOfWrapping)
{
    EXPECT_VARIANT(varInt64, int64_t(2147483648), Variant(INT32_MAX) + Variant(1));
    EXPECT_VARIANT(varInt64, int64_t(-2147483649), Variant(INT32_MIN) - Variant(1));
    EXPECT_VARIANT(varInt64, int64_t(10000000000), Variant(100000) * Variant(100000));
    EXPECT_VARIANT(varInteger, INT32_MAX, Variant(int64_t(2147483648)) - Variant(1));
    EXPECT_VARIANT(varDouble, 9223372036854775808.0, kInt64Max + Variant(1));
    EXPECT_VARIANT(varDouble, -9223372036854775809.0, kInt64Min - Variant(1));
    EXPECT_VARIANT(varDouble, 18446744073709551614.0, kInt64Max * Variant(2));
    EXPECT_VARIANT(varDouble, 9223372036854775808.0, -kInt64Min);
    EXPECT_VARIANT(varInt64, int64_t(2147483648), -Variant(INT32_MIN));
    // Small kinds widen too: two bytes do not wrap at 256.
    EXPECT_VARIANT(varInteger, 300, Variant::FromTyped(200, varByte) + Variant::FromTyped(100, varByte));
    EXPECT_VARIANT(varInt64, int64_t(4294967296), Variant(uint32_t(4294967295u)) + Variant(1));
    EXPECT_VARIANT(varInteger, 0, Variant(true) + Variant(1));
}

TEST(VariantArithmetic, DivisionIsAlwaysFloating)
{
    EXPECT_VARIANT(varDouble, 3.5, Variant(7) / Variant(2));
    EXPECT_VARIANT(varDouble, 2.0, Variant(6) / Variant(3));
    EXPECT_VARIANT(varDouble, 0.5, Variant("1") / Variant(2));
    EXPECT_RAISES(EZeroDivide, "Floating point division by zero", Variant(1) / Variant(0));
    EXPECT_RAISES(EZeroDivide, "Floating point division by zero", Variant(-1.5) / Variant(0.0));
    EXPECT_RAISES(EInvalidOp, "Invalid floating point operation", Variant(0) / Variant(0));
    EXPECT_RAISES(EInvalidOp, "Invalid floating point operation", Variant() / Variant());
    EXPECT_RAISES(EOverflow, "Floating point overflow", Variant(1e308) / Variant(1e-10));
    EXPECT_RAISES(EOverflow, "Floating point overflow", Variant(1e308) * Variant(10));
    EXPECT_RAISES(EOverflow, "Floating point overflow", Variant(-1e308) - Variant(1e308));
    // Exceptions keep their family for handlers that catch the base class.
    EXPECT_THROW(Variant(1) / Variant(0), EMathError);
}

TEST(VariantArithmetic, DivAndModTruncateTowardZero)
{
    EXPECT_VARIANT(varInteger, 3, VarIntDiv(Variant(7), Variant(2)));
    EXPECT_VARIANT(varInteger, -3, VarIntDiv(Variant(-7), Variant(2)));
    EXPECT_VARIANT(varInteger, 1, VarMod(Variant(7), Variant(-2)));
    EXPECT_VARIANT(varInteger, -1, VarMod(Variant(-7), Variant(2)));
    EXPECT_VARIANT(varInt64, int64_t(5000000000), VarIntDiv(Variant(int64_t(10000000000)), Variant(2)));
    // Floating operands are rounded half to even first: 7.5 -> 8, 6.5 -> 6.
    EXPECT_VARIANT(varInteger, 4, VarIntDiv(Variant(7.5), Variant(2)));
    EXPECT_VARIANT(varInteger, 6, VarIntDiv(Variant(6.5), Variant(1)));
    EXPECT_RAISES(EDivByZero, "Division by zero", VarIntDiv(Variant(7), Variant(0)));
    EXPECT_RAISES(EDivByZero, "Division by zero", VarMod(Variant(7), Variant()));
    EXPECT_VARIANT(varDouble, 9223372036854775808.0, VarIntDiv(kInt64Min, Variant(-1)));
    EXPECT_VARIANT(varInteger, 0, VarMod(kInt64Min, Variant(-1)));
}

TEST(VariantArithmetic, ShiftsMaskTheCountAndShiftRightIsLogical)
{
    EXPECT_VARIANT(varInteger, 2, VarShl(Variant(1), Variant(33)));
    EXPECT_VARIANT(varInteger, 1, VarShl(Variant(1), Variant(32)));
    EXPECT_VARIANT(varInteger, INT32_MIN, VarShl(Variant(1), Variant(31)));
    EXPECT_VARIANT(varInteger, 15, VarShr(Variant(-1), Variant(28)));
    EXPECT_VARIANT(varInteger, 2147483644, VarShr(Variant(-8), Variant(1)));
    EXPECT_VARIANT(varInteger, -1, VarShr(Variant(-1), Variant(32)));
    EXPECT_VARIANT(varInt64, int64_t(15), VarShr(Variant(int64_t(-1)), Variant(60)));
    EXPECT_VARIANT(varInt64, int64_t(1), VarShl(Variant(int64_t(1)), Variant(64)));
    EXPECT_VARIANT(varInt64, int64_t(1) << 40, VarShl(Variant(int64_t(1)), Variant(40)));
    EXPECT_VARIANT(varLongWord, uint32_t(0x80000000u), VarShl(Variant(uint32_t(1)), Variant(31)));
}

TEST(VariantArithmetic, LogicOnBooleansBitwiseOnIntegers)
{
    EXPECT_VARIANT(varBoolean, false, VarAnd(Variant(true), Variant(false)));
    EXPECT_VARIANT(varBoolean, true, VarOr(Variant(true), Variant(false)));
    EXPECT_VARIANT(varBoolean, false, VarXor(Variant(true), Variant(true)));
    EXPECT_VARIANT(varBoolean, false, VarNot(Variant(true)));
    EXPECT_VARIANT(varBoolean, true, VarAnd(Variant("True"), Variant(true)));
    EXPECT_VARIANT(varInteger, 8, VarAnd(Variant(12), Variant(10)));
    EXPECT_VARIANT(varInteger, 15, VarOr(Variant(12), Variant(3)));
    EXPECT_VARIANT(varInteger, 6, VarXor(Variant(12), Variant(10)));
    EXPECT_VARIANT(varInteger, -1, VarNot(Variant(0)));
    EXPECT_VARIANT(varInteger, -6, VarNot(Variant(5)));
    // True is -1 as an integer, so it keeps every bit.
    EXPECT_VARIANT(varInteger, 5, VarAnd(Variant(true), Variant(5)));
    EXPECT_VARIANT(varInteger, -1, VarOr(Variant(false), Variant(-1)));
    EXPECT_VARIANT(varInt64, int64_t(1) << 40, VarOr(Variant(int64_t(1) << 40), Variant(false)));
}

TEST(VariantArithmetic, NullInNullOut)
{
    const Variant null = Variant::Null();
    const Variant results[] = {null + Variant(1),         Variant("a") + null,        Variant(1) - null,         null * null,
                               null / Variant(0),         VarIntDiv(Variant(1), null), VarMod(null, Variant(0)), VarShl(null, Variant(1)),
                               VarAnd(null, Variant(true)), VarNot(null),             -null};
    for (size_t i = 0; i < std::size(results); ++i) EXPECT_TRUE(results[i].isNull()) << i;
}

TEST(VariantArithmetic, CurrencyStaysExact)
{
    const Variant tenth = Variant::FromCurrency(0.1), fifth = Variant::FromCurrency(0.2);
    EXPECT_VARIANT(varCurrency, Variant::FromCurrency(0.3), tenth + fifth);
    EXPECT_NE(Variant(0.1) + Variant(0.2), Variant(0.3));
    EXPECT_EQ((Variant::FromCurrencyScaled(15000) + Variant(1)).rawInt64(), 25000);
    EXPECT_EQ((Variant::FromCurrencyScaled(15000) * Variant::FromCurrencyScaled(15000)).rawInt64(), 22500);
    // Products are rounded half to even at the fourth decimal.
    EXPECT_EQ((Variant::FromCurrencyScaled(1) * Variant::FromCurrencyScaled(5000)).rawInt64(), 0);
    EXPECT_EQ((Variant::FromCurrencyScaled(3) * Variant::FromCurrencyScaled(5000)).rawInt64(), 2);
    EXPECT_EQ((Variant::FromCurrencyScaled(15000) * Variant(3)).rawInt64(), 45000);
    EXPECT_VARIANT(varDouble, 1.75, Variant::FromCurrencyScaled(15000) + Variant(0.25));
    EXPECT_VARIANT(varDouble, 0.75, Variant::FromCurrencyScaled(15000) / Variant(2));
    EXPECT_EQ((-Variant::FromCurrencyScaled(15000)).rawInt64(), -15000);
    EXPECT_EQ((Variant::FromCurrencyScaled(INT64_MAX) + Variant(1)).type(), varDouble);
}

TEST(VariantArithmetic, DateArithmetic)
{
    const Variant day = Variant::FromDate(46362.5);
    EXPECT_VARIANT(varDate, Variant::FromDate(46363.5), day + Variant(1));
    EXPECT_VARIANT(varDate, Variant::FromDate(46363.5), Variant(1) + day);
    EXPECT_VARIANT(varDate, Variant::FromDate(46362.25), day - Variant(0.25));
    EXPECT_VARIANT(varDate, Variant::FromDate(46363.5), day + Variant("1"));
    // The span between two dates is a plain number of days.
    EXPECT_VARIANT(varDouble, 2.25, Variant::FromDate(46364.75) - day);
    EXPECT_VARIANT(varDouble, 92725.0, day * Variant(2));
    EXPECT_VARIANT(varDouble, 23181.25, day / Variant(2));
    EXPECT_EQ((day + day).type(), varDate);
    EXPECT_EQ((-day).type(), varDate);
}

TEST(VariantArithmetic, ObjectsArraysAndDispatchHaveNoArithmetic)
{
    EXPECT_RAISES(EVariantError, "Invalid variant operation", Variant::FromObject(5) + Variant(1));
    EXPECT_RAISES(EVariantError, "Invalid variant operation", Variant(1) * Variant::FromObject(5));
    EXPECT_RAISES(EVariantError, "Invalid variant operation", -Variant::FromObject(5));
    EXPECT_RAISES(EVariantError, "Invalid variant operation", VarIntDiv(Variant::FromObject(5), Variant(1)));
    EXPECT_RAISES(EVariantError, "Invalid variant operation", VarArrayOf({1, 2}) + Variant(1));
    EXPECT_RAISES(EVariantError, "Invalid variant operation", VarAnd(VarArrayOf({1}), Variant(1)));
    EXPECT_RAISES(EVariantError, "Invalid variant operation", Variant::FromError(3) - Variant(1));
}
