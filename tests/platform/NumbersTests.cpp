#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <tuple>

#include "Numbers.h"

namespace {

TEST(Numbers, RoundIsHalfToEven)
{
    for (const auto& [value, rounded] : {std::pair{2.5L, 2}, {3.5L, 4}, {-2.5L, -2}, {-3.5L, -4}, {0.5L, 0}, {2.5000001L, 3}})
        EXPECT_EQ(Round(value), rounded) << static_cast<double>(value);
    EXPECT_THROW(Round(1e30L), EInvalidOp);
}

// Round takes a shorter way below 2^53; each side of it, and the ends of
// the Int64 range, give the same whole numbers as ever.
TEST(Numbers, RoundAcrossTwoToThe53AndTheInt64Range)
{
    const Extended p53 = 9007199254740992.0L;  // 2^53
    const int64_t i53 = int64_t{1} << 53;
    for (const auto& [value, rounded] : {
             std::pair{p53 - 1, i53 - 1}, {p53 - 0.5L, i53}, {p53 - 1.5L, i53 - 2}, {p53, i53}, {p53 + 1, i53 + 1},
             {p53 + 0.5L, i53}, {p53 + 1.5L, i53 + 2}, {p53 + 3, i53 + 3}, {-(p53 - 1), -(i53 - 1)},
             {-(p53 - 0.5L), -i53}, {-p53, -i53}, {-(p53 + 1), -(i53 + 1)}, {-(p53 + 1.5L), -(i53 + 2)},
             {4503599627370496.5L, int64_t{4503599627370496}}, {4503599627370497.5L, int64_t{4503599627370498}},
             {-0.5L, int64_t{0}}, {-0.4L, int64_t{0}}, {-1.5L, int64_t{-2}}, {-0.0L, int64_t{0}},
             {9223372036854775807.0L, INT64_MAX}, {9223372036854775806.5L, INT64_MAX - 1},
             {-9223372036854775808.0L, INT64_MIN}, {-9223372036854775807.5L, INT64_MIN}})
        EXPECT_EQ(Round(value), rounded) << static_cast<double>(value);
    for (const Extended out : {9223372036854775808.0L, 9223372036854775807.5L, -9223372036854775809.0L,
                               std::numeric_limits<Extended>::infinity(), -std::numeric_limits<Extended>::infinity(),
                               std::numeric_limits<Extended>::quiet_NaN()})
        EXPECT_THROW(Round(out), EInvalidOp) << static_cast<double>(out);
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
