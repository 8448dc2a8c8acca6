#include <gtest/gtest.h>

#include <tuple>

#include "Numbers.h"

namespace {

TEST(Numbers, RoundIsHalfToEven)
{
    for (const auto& [value, rounded] : {std::pair{2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {-3.5L, -4}, {0.5L, 0}, {2.5000001L, 3}})
        EXPECT_EQ(Round(value), rounded) << static_cast<double>(value);
    EXPECT_THROW(Round(1e30L), EInvalidOp);
}

TEST(Numbers, TruncIsTowardZeroInExtended)
{
    EXPECT_EQ(Trunc(-2.7L), -2);
    EXPECT_EQ(Trunc(2.7L), 2);
    // In double this quotient rounds up to 3.0; in Extended it stays below 3.
    const Extended a = 28.8L, b = 9.6L;
    EXPECT_EQ(Trunc(a / b), 2);
    EXPECT_EQ(Trunc(28.8 / 9.6), 3);
    EXPECT_THROW(Trunc(-1e20L), EInvalidOp);
}

TEST(Numbers, IntAndFracKeepTheSign)
{
    EXPECT_EQ(Int(-3.75L), -3.0L);
    EXPECT_EQ(Frac(-3.75L), -0.75L);
    EXPECT_EQ(Frac(3.25L), 0.25L);
}

TEST(Numbers, MulDivRoundsHalfAwayFromZero)
{
    for (const auto& [a, b, c, result] : {std::tuple{5, 1, 2, 3}, {-5, 1, 2, -3}, {5, -1, 2, -3}, {7, 1, 2, 4}, {1, 1, 3, 0}})
        EXPECT_EQ(MulDiv(a, b, c), result) << a << '*' << b << '/' << c;
    // Font height to point size: -16 pixels at 96 dpi is 12 points.
    EXPECT_EQ(MulDiv(16, 72, 96), 12);
    EXPECT_EQ(MulDiv(-13, 72, 96), -10);  // -9.75 rounds away from zero
    // The intermediate product does not overflow 32 bits.
    EXPECT_EQ(MulDiv(2000000000, 3, 4), 1500000000);
    EXPECT_EQ(MulDiv(1, 2, 0), -1);
}

}  // namespace
