// Variant comparison: Null, mixed kinds, exact numbers, UTF-16 text order.

#include <algorithm>
#include <vector>

#include "VariantTestSupport.h"

TEST(VariantComparison, NullEqualsOnlyNull)
{
    const Variant null = Variant::Null();
    EXPECT_TRUE(null == Variant::Null());
    EXPECT_FALSE(null != Variant::Null());
    EXPECT_FALSE(null == Variant(0));
    EXPECT_FALSE(null == Variant(""));
    EXPECT_FALSE(null == Variant());
    EXPECT_FALSE(Variant(false) == null);
    EXPECT_TRUE(null != Variant(1));
    EXPECT_FALSE(null == VarArrayOf({1}));
}

TEST(VariantComparison, NullOrdersBelowEverything)
{
    const Variant null = Variant::Null();
    for (const Variant& v : {Variant(), Variant(-1e300), Variant(INT32_MIN), Variant(""), Variant(false),
                             Variant::FromDate(-700000), Variant::FromObject(0)}) {
        EXPECT_LT(VarCompare(null, v), 0);
        EXPECT_GT(VarCompare(v, null), 0);
        EXPECT_TRUE(null < v);
    }
    EXPECT_EQ(VarCompare(null, Variant::Null()), 0);

    std::vector<Variant> values{Variant(3), Variant::Null(), Variant(-2), Variant(2.5), Variant::Null()};
    std::sort(values.begin(), values.end(), [](const Variant& a, const Variant& b) { return a < b; });
    EXPECT_TRUE(values[0].isNull());
    EXPECT_TRUE(values[1].isNull());
    EXPECT_EQ(values[2], Variant(-2));
    EXPECT_EQ(values[4], Variant(3));
}

TEST(VariantComparison, EmptyIsZeroOrEmptyText)
{
    for (const Variant& v : {Variant(0), Variant(""), Variant(u""), Variant(), Variant(false)}) EXPECT_TRUE(Variant() == v) << VarTypeAsText(v.type());
    EXPECT_TRUE(Variant() < Variant("a"));
    EXPECT_TRUE(Variant() > Variant(-1));
}

TEST(VariantComparison, TextAgainstNumberComparesNumbers)
{
    EXPECT_TRUE(Variant("10") > Variant(9));       // as text "10" < "9"
    EXPECT_TRUE(Variant(9) < Variant("10"));
    EXPECT_TRUE(Variant("10") < Variant("9"));     // both text: code units
    EXPECT_TRUE(Variant("1.50") == Variant(1.5));
    EXPECT_TRUE(Variant(" 7 ") == Variant(7));
    EXPECT_RAISES(EVariantTypeCastError, "Could not convert variant of type (String) into type (Double)",
                  Variant("abc") == Variant(1));
    EXPECT_TRUE(Variant("true") == Variant(true));
    EXPECT_TRUE(Variant("False") == Variant(false));
    EXPECT_TRUE(Variant("2026-12-06") == Variant::FromDate(46362));
    EXPECT_TRUE(Variant("2026-12-07") > Variant::FromDate(46362));
}

TEST(VariantComparison, NumbersCompareExactlyAcrossKinds)
{
    const int64_t big = (int64_t(1) << 53) + 1;  // not representable as double
    EXPECT_FALSE(Variant(big) == Variant(9007199254740992.0));
    EXPECT_TRUE(Variant(big) > Variant(9007199254740992.0));
    EXPECT_TRUE(Variant(INT64_MAX) > Variant(INT64_MAX - 1));
    const std::pair<Variant, Variant> equal[] = {
        {Variant(1), Variant(1.0)}, {Variant(int64_t(5)), Variant(5)}, {Variant::FromCurrencyScaled(15000), Variant(1.5)},
        {Variant::FromCurrency(0.1), Variant(0.1)}, {Variant(0.3), Variant::FromCurrency(0.3)}, {Variant::FromCurrencyScaled(30000), Variant(3)},
        {Variant::FromTyped(200, varByte), Variant(200)}, {Variant(true), Variant(-1)}, {Variant::FromDate(46362), Variant(46362)},
        {Variant::FromSingle(0.5f), Variant(0.5)}};
    for (const auto& [a, b] : equal) EXPECT_TRUE(a == b) << testing::PrintToString(a) << " " << testing::PrintToString(b);
    EXPECT_TRUE(Variant::FromCurrencyScaled(INT64_MAX) > Variant(int64_t(922337203685477)));
    EXPECT_TRUE(Variant(uint32_t(4000000000u)) > Variant(INT32_MAX));
    EXPECT_TRUE(Variant(true) < Variant(false));  // -1 < 0
}

TEST(VariantComparison, TextOrderIsUtf16CodeUnits)
{
    EXPECT_TRUE(Variant("B") < Variant("a"));  // no locale collation, case counts
    EXPECT_TRUE(Variant("abc") < Variant("abd"));
    EXPECT_TRUE(Variant("ab") < Variant("abc"));
    EXPECT_FALSE(Variant("abc") == Variant("ABC"));
    // U+1F600 is a surrogate pair (0xD83D ...) and so sorts before U+FF21,
    // although its UTF-8 bytes (F0 ...) sort after those of U+FF21 (EF ...).
    const char* smiley = "\xF0\x9F\x98\x80";
    const char* fullwidthA = "\xEF\xBC\xA1";
    EXPECT_LT(VarCompare(Variant(smiley), Variant(fullwidthA)), 0);
    EXPECT_LT(VarCompare(Variant(std::string("x") + smiley), Variant(std::string("x") + fullwidthA)), 0);
    EXPECT_LT(VarCompare(Variant(u"\U0001F600"), Variant(u"\uFF21")), 0);
    EXPECT_LT(VarCompare(Variant(smiley), Variant(u"\uFF21")), 0);
    EXPECT_GT(VarCompare(Variant(u"\uFF21"), Variant(smiley)), 0);
    // Below U+E000 code point order and code unit order agree.
    EXPECT_LT(VarCompare(Variant("\xE4\xB8\xAD"), Variant(smiley)), 0);  // U+4E2D
    EXPECT_LT(VarCompare(Variant("z"), Variant("\xE4\xB8\xAD")), 0);
    // Two characters sharing a lead byte differ in a later byte.
    EXPECT_LT(VarCompare(Variant("\xE4\xB8\xAD"), Variant("\xE4\xB8\xAE")), 0);
    EXPECT_EQ(VarCompare(Variant("\xE4\xB8\xAD"), Variant(u"\u4E2D")), 0);
    EXPECT_TRUE(Variant("\xE4\xB8\xAD") == Variant(u"\u4E2D"));
}

TEST(VariantComparison, ObjectsCompareAsTheirNumber)
{
    EXPECT_TRUE(Variant::FromObject(0) == Variant(0));
    EXPECT_TRUE(Variant::FromObject(0) == Variant());
    EXPECT_TRUE(Variant::FromObject(7) > Variant(6));
    EXPECT_TRUE(Variant::FromObject(7) == Variant::FromObject(7));
    EXPECT_FALSE(Variant::FromObject(7) == Variant::FromObject(8));
    EXPECT_TRUE(Variant::FromObject(7) == Variant("7"));
}

TEST(VariantComparison, ArraysDoNotCompare)
{
    EXPECT_RAISES(EVariantError, "Invalid variant operation", VarArrayOf({1}) == VarArrayOf({1}));
    EXPECT_RAISES(EVariantError, "Invalid variant operation", VarArrayOf({1}) < Variant(2));
}
