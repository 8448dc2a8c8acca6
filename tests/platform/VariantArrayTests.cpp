// Variant arrays: bounds, dimensions, typed elements, value semantics.

#include <array>

#include "VariantTestSupport.h"

namespace {

Variant at(const Variant& a, int i, int j)
{
    const std::array<int, 2> idx{i, j};
    return a.arrayGet(idx);
}

void put(Variant& a, int i, int j, const Variant& v)
{
    const std::array<int, 2> idx{i, j};
    a.arrayPut(idx, v);
}

}  // namespace

TEST(VariantArray, BoundsAndDefaults)
{
    const Variant a = VarArrayCreate({{1, 3}});
    EXPECT_TRUE(a.isArray());
    EXPECT_EQ(a.type(), varArray | varVariant);
    EXPECT_EQ(a.arrayElementType(), varVariant);
    EXPECT_EQ(a.arrayDimCount(), 1);
    EXPECT_EQ(a.arrayLowBound(1), 1);
    EXPECT_EQ(a.arrayHighBound(1), 3);
    EXPECT_TRUE(a.arrayGet(2).isEmpty());
    EXPECT_EQ(Variant(5).arrayDimCount(), 0);

    const Variant none = VarArrayOf({});
    EXPECT_EQ(none.arrayLowBound(1), 0);
    EXPECT_EQ(none.arrayHighBound(1), -1);
}

TEST(VariantArray, MultiDimensionalWithNegativeLowBounds)
{
    Variant a = VarArrayCreate({{-1, 1}, {5, 6}});
    EXPECT_EQ(a.arrayDimCount(), 2);
    EXPECT_EQ(a.arrayLowBound(2), 5);
    for (int i = -1; i <= 1; ++i)
        for (int j = 5; j <= 6; ++j) put(a, i, j, Variant(i * 10 + j));
    for (int i = -1; i <= 1; ++i)
        for (int j = 5; j <= 6; ++j) EXPECT_EQ(at(a, i, j), Variant(i * 10 + j));
}

TEST(VariantArray, OutOfBoundsRaises)
{
    Variant a = VarArrayCreate({{1, 3}});
    EXPECT_RAISES(EVariantBadIndexError, "Variant or safe array index out of bounds", a.arrayGet(0));
    EXPECT_RAISES(EVariantBadIndexError, "Variant or safe array index out of bounds", a.arrayGet(4));
    EXPECT_RAISES(EVariantBadIndexError, "Variant or safe array index out of bounds", a.arrayPut(4, Variant(1)));
    EXPECT_RAISES(EVariantBadIndexError, "Variant or safe array index out of bounds", at(a, 1, 1));
    EXPECT_RAISES(EVariantBadIndexError, "Variant or safe array index out of bounds", a.arrayLowBound(2));
    EXPECT_RAISES(EVariantBadIndexError, "Variant or safe array index out of bounds", a.arrayHighBound(0));
    EXPECT_RAISES(EVariantError, "Variant is not an array", Variant(1).arrayGet(0));
}

TEST(VariantArray, CreationErrorsAreClear)
{
    EXPECT_RAISES(EVariantError, "Error creating variant or safe array", VarArrayCreate({{3, 1}}));
    EXPECT_RAISES(EVariantError, "Error creating variant or safe array", VarArrayCreate({{0, 2000000000}}));
    EXPECT_RAISES(EVariantError, "Error creating variant or safe array", VarArrayCreate({{0, 99999}, {0, 99999}}));
    EXPECT_THROW(VarArrayCreate({{0, 1}}, varNull), EVariantError);
    Variant a = VarArrayOf({1, 2});
    EXPECT_RAISES(EVariantError, "Error creating variant or safe array", a.arrayRedim(-5));
}

TEST(VariantArray, CopiesAreIndependent)
{
    Variant a = VarArrayOf({1, 2, 3});
    Variant b = a;
    b.arrayPut(0, Variant("changed"));
    EXPECT_EQ(a.arrayGet(0), Variant(1));
    EXPECT_EQ(b.arrayGet(0), Variant("changed"));

    // An element read out is a copy too, nested arrays included.
    Variant outer = VarArrayOf({VarArrayOf({1, 2})});
    Variant inner = outer.arrayGet(0);
    inner.arrayPut(1, Variant(99));
    EXPECT_EQ(outer.arrayGet(0).arrayGet(1), Variant(2));

    Variant c = a;
    c.arrayRedim(5);
    EXPECT_EQ(a.arrayHighBound(1), 2);
    EXPECT_EQ(c.arrayHighBound(1), 5);
}

TEST(VariantArray, StoringAnArrayIntoItselfStoresTheOldValue)
{
    Variant a = VarArrayOf({1, 2});
    a.arrayPut(0, a);
    const Variant inner = a.arrayGet(0);
    ASSERT_TRUE(inner.isArray());
    EXPECT_EQ(inner.arrayGet(0), Variant(1));
    EXPECT_EQ(a.arrayGet(1), Variant(2));

    Variant b = VarArrayOf({Variant("x"), Variant(2)});
    b.arrayPut(1, b.arrayGet(0));
    EXPECT_EQ(b.arrayGet(1), Variant("x"));
}

TEST(VariantArray, TypedElementsConvertOnStore)
{
    Variant a = VarArrayCreate({{0, 2}}, varInteger);
    EXPECT_EQ(a.type(), varArray | varInteger);
    EXPECT_VARIANT(varInteger, 0, a.arrayGet(0));
    a.arrayPut(0, Variant("12"));
    EXPECT_VARIANT(varInteger, 12, a.arrayGet(0));
    a.arrayPut(1, Variant(3.5));
    EXPECT_VARIANT(varInteger, 4, a.arrayGet(1));
    EXPECT_THROW(a.arrayPut(2, Variant("abc")), EVariantTypeCastError);
    EXPECT_THROW(a.arrayPut(2, Variant(1e10)), EVariantOverflowError);

    const Variant s = VarArrayCreate({{0, 0}}, varOleStr);
    EXPECT_VARIANT(varOleStr, u"", s.arrayGet(0));
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (Array Variant) into type (String)",
                  VarArrayOf({1}).toString());
}

TEST(VariantArray, RedimKeepsElements)
{
    Variant a = VarArrayOf({1, 2, 3});
    a.arrayRedim(4);
    EXPECT_EQ(a.arrayHighBound(1), 4);
    EXPECT_EQ(a.arrayGet(2), Variant(3));
    EXPECT_TRUE(a.arrayGet(4).isEmpty());
    a.arrayRedim(0);
    EXPECT_EQ(a.arrayGet(0), Variant(1));
    EXPECT_THROW(a.arrayGet(1), EVariantBadIndexError);
    a.arrayRedim(-1);
    EXPECT_EQ(a.arrayHighBound(1), -1);

    // Only the last dimension changes; the others keep their places.
    Variant m = VarArrayCreate({{1, 2}, {1, 2}}, varInteger);
    put(m, 1, 1, Variant(11));
    put(m, 2, 1, Variant(21));
    put(m, 1, 2, Variant(12));
    put(m, 2, 2, Variant(22));
    m.arrayRedim(3);
    EXPECT_EQ(at(m, 2, 1), Variant(21));
    EXPECT_EQ(at(m, 1, 2), Variant(12));
    EXPECT_EQ(at(m, 2, 2), Variant(22));
    EXPECT_VARIANT(varInteger, 0, at(m, 2, 3));
}
