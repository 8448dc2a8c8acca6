// The paper table: every row as the platform has it, and our names for them.
#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <string>

#include "rpPrinter.h"

namespace {

struct Row {
    int32_t code, w, h;
};
// Code: width x height in tenths of a millimetre, portrait.
const Row Expected[] = {
    {1, 2159, 2794},  {2, 2159, 2794},  {3, 2794, 4318},  {4, 4318, 2794},   {5, 2159, 3556},  {6, 1397, 2159},
    {7, 1842, 2667},  {8, 2970, 4200},  {9, 2100, 2970},  {10, 2100, 2970},  {11, 1480, 2100}, {12, 2500, 3540},
    {13, 1820, 2570}, {14, 2159, 3302}, {15, 2150, 2750}, {16, 2540, 3556},  {17, 2794, 4318}, {18, 2159, 2794},
    {19, 984, 2254},  {20, 1048, 2413}, {21, 1143, 2635}, {22, 1207, 2794},  {23, 1270, 2921}, {24, 4318, 5588},
    {25, 5588, 8636}, {26, 8636, 11176}, {27, 1100, 2200}, {28, 1620, 2290}, {29, 3240, 4580}, {30, 2290, 3240},
    {31, 1140, 1620}, {32, 1140, 2290}, {33, 2500, 3530}, {34, 1760, 2500},  {35, 1760, 1250}, {36, 1100, 2300},
    {37, 984, 1905},  {38, 920, 1651},  {39, 3778, 2794}, {40, 2159, 3048},  {41, 2159, 3302}, {42, 2500, 3530},
    {43, 1000, 1480}, {44, 2286, 2794}, {45, 2540, 2794}, {46, 3810, 2794},  {47, 2200, 2200}, {50, 2355, 3048},
    {51, 2355, 3810}, {52, 2969, 4572}, {53, 2354, 3223}, {54, 2101, 2794},  {55, 2100, 2970}, {56, 2355, 3048},
    {57, 2270, 3560}, {58, 3050, 4870}, {59, 2159, 3223}, {60, 2100, 3300},  {61, 1480, 2100}, {62, 1820, 2570},
    {63, 3220, 4450}, {64, 1740, 2350}, {65, 2010, 2760}, {66, 4200, 5940},  {67, 2970, 4200}, {68, 3220, 4450},
};

}  // namespace

TEST(PaperTable, EveryRowMatches)
{
    ASSERT_EQ(PaperInfo().size(), std::size(Expected));
    for (std::size_t i = 0; i < std::size(Expected); ++i) {
        SCOPED_TRACE(Expected[i].code);
        EXPECT_EQ(PaperInfo()[i].Typ, Expected[i].code);
        EXPECT_EQ(PaperInfo()[i].X, Expected[i].w);
        EXPECT_EQ(PaperInfo()[i].Y, Expected[i].h);
    }
}

TEST(PaperTable, NamesAreUniqueAndNotEmpty)
{
    std::set<std::string> names;
    for (const TrpPaperInfo& p : PaperInfo()) {
        ASSERT_NE(p.Name, nullptr);
        EXPECT_FALSE(std::string(p.Name).empty());
        EXPECT_TRUE(names.insert(p.Name).second) << p.Name;
    }
}

TEST(PaperTable, DimensionsInMillimetresOrFalseForAbsentCodes)
{
    // Code 4 is stored wider than high.
    for (const auto& [code, width, height] : {std::tuple{9, 210.0L, 297.0L}, {1, 215.9L, 279.4L}, {4, 431.8L, 279.4L}}) {
        Extended w = 0, h = 0;
        ASSERT_TRUE(GetPaperDimensions(code, w, h)) << code;
        EXPECT_EQ(w, width) << code;
        EXPECT_EQ(h, height) << code;
    }
    for (int32_t code : {0, 48, 49, 69, 256, -1}) {
        Extended w = 1, h = 2;
        EXPECT_FALSE(GetPaperDimensions(code, w, h)) << code;
        EXPECT_EQ(w, 1);
        EXPECT_EQ(h, 2);
    }
}
