// div and mod of Integers through every shape of expression the builder
// makes (variable and constant, expression and constant, two variables,
// two calls, a compound assignment), against 64-bit arithmetic: the
// minimum divided by -1 included, which traps in 32 bits.

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>
#include <vector>

#include "sc_test_support.h"

namespace {

std::string literal(int32_t v)
{
    // The minimum has no literal of its own.
    return v == INT32_MIN ? "(-2147483647 - 1)" : "(" + std::to_string(v) + ")";
}

std::string expected(int64_t a, int64_t b)
{
    return std::to_string(a / b) + " " + std::to_string(a % b);
}

}  // namespace

TEST(IntegerDivision, EveryShapeGivesTheQuotientAndRemainderOf64Bits)
{
    std::vector<std::pair<int32_t, int32_t>> pairs = {
        {INT32_MIN, -1}, {INT32_MIN, 1}, {INT32_MAX, -1}, {INT32_MIN, INT32_MIN}, {-7, 2},   {7, -2},
        {-7, -2},        {0, -1},        {INT32_MIN, 2},  {INT32_MAX, INT32_MIN}, {-1, -1}, {5, 7},
    };
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int32_t> any(INT32_MIN, INT32_MAX);
    std::uniform_int_distribution<int32_t> small(-9, 9);
    for (int i = 0; i < 40; ++i) {
        const int32_t b = i % 2 ? any(random) : small(random);
        pairs.emplace_back(any(random), b == 0 ? 3 : b);
    }
    for (const auto& [a, b] : pairs) {
        const std::string la = literal(a), lb = literal(b);
        const std::string program =
            "function F(n: Integer): Integer; begin Result := n; end;\n"
            "var a, b: Integer; q, r: Variant;\n"
            "begin\n"
            "  a := " + la + "; b := " + lb + ";\n"
            // variable and constant
            "  ShowMessage(IntToStr(a div " + lb + ") + ' ' + IntToStr(a mod " + lb + "));\n"
            // expression and constant
            "  ShowMessage(IntToStr(F(a) div " + lb + ") + ' ' + IntToStr(F(a) mod " + lb + "));\n"
            // two variables, two calls
            "  ShowMessage(IntToStr(a div b) + ' ' + IntToStr(a mod b));\n"
            "  ShowMessage(IntToStr(F(a) div F(b)) + ' ' + IntToStr(F(a) mod F(b)));\n"
            // the quotient kept in a variable (the minimum by -1 needs 64 bits)
            "  q := a div b; r := a mod b;\n"
            "  ShowMessage(IntToStr(q) + ' ' + IntToStr(r));\n"
            "end.";
        const std::string want = expected(a, b) + "|";
        EXPECT_EQ(runPascal(program), want + want + want + want + want) << a << " div/mod " << b;
    }
}
