// Colours, fonts, pens and brushes: names, size arithmetic, change
// notification and their published tables.

#include <gtest/gtest.h>

#include "CoreClassesFixture.h"
#include "Graphics.h"

namespace {

class GraphicsTest : public CoreClassesTest {};

TEST_F(GraphicsTest, ColourConstantsHaveThePlatformValues)
{
    EXPECT_EQ(clRed, 255);
    EXPECT_EQ(clBlue, 0xFF0000);
    EXPECT_EQ(clNone, 536870911);
    EXPECT_EQ(clDefault, 0x20000000);
    EXPECT_EQ(clBtnFace, -16777201);
    EXPECT_EQ(clScrollBar, static_cast<int32_t>(0xFF000000));
    EXPECT_EQ(clMenuBar, static_cast<int32_t>(0xFF00001E));
    EXPECT_EQ(RGB(0x12, 0x34, 0x56), 0x563412);
}

TEST_F(GraphicsTest, ColourTextBothWays)
{
    // clLtGray has two names: the first answers.
    const std::pair<TColor, const char*> names[] = {{clRed, "clRed"}, {clBtnFace, "clBtnFace"}, {clLtGray, "clSilver"},
                                                    {TColor(0x123456), "$00123456"}, {TColor(static_cast<int32_t>(0xFF000040)), "$FF000040"}};
    for (const auto& [color, text] : names) EXPECT_EQ(ColorToString(color), text);
    // Eight hex digits carry the sign.
    const std::pair<const char*, TColor> colors[] = {{"CLBTNFACE", clBtnFace}, {"clNone", clNone}, {"$FF00000F", clBtnFace},
                                                     {"$00123456", TColor(0x123456)}, {"255", clRed}, {"-16777201", clBtnFace}};
    for (const auto& [text, color] : colors) EXPECT_EQ(StringToColor(text), color) << text;
    EXPECT_RAISES(EConvertError, "'clPink' is not a valid integer value", StringToColor("clPink"));
    EXPECT_RAISES(EConvertError, "'$1FFFFFFFF' is not a valid integer value", StringToColor("$1FFFFFFFF"));
    for (TColor c : {clBlack, clWhite, clInfoBk, cl3DDkShadow, TColor(0x010203)}) {
        EXPECT_EQ(StringToColor(ColorToString(c)), c);
    }
}

TEST_F(GraphicsTest, SystemColoursMapToOneFixedScheme)
{
    EXPECT_EQ(ColorToRGB(clRed), clRed);
    EXPECT_EQ(ColorToRGB(clWindow), clWhite);
    EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
    EXPECT_GE(ColorToRGB(clBtnFace), 0);
    EXPECT_EQ(ColorToRGB(TColor(static_cast<int32_t>(0xFF0000FE))), 0);  // no such system colour
}

TEST_F(GraphicsTest, FontSizeAndHeightConvertThroughThePixelsPerInch)
{
    TFont font;
    EXPECT_EQ(font.Name(), "MS Sans Serif");
    EXPECT_EQ(font.Height(), -11);
    EXPECT_EQ(font.Size(), 8);
    font.SetSize(10);
    EXPECT_EQ(font.Height(), -13);  // 13.33 rounds to 13
    font.SetHeight(-16);
    EXPECT_EQ(font.Size(), 12);
    font.SetHeight(20);  // a cell height gives a negative size, as on the platform
    EXPECT_EQ(font.Size(), -15);
    font.SetPixelsPerInch(600);
    font.SetSize(9);
    EXPECT_EQ(font.Height(), -75);
    font.SetHeight(-7);  // 0.84 points
    EXPECT_EQ(font.Size(), 1);
}

TEST_F(GraphicsTest, FontHeightsAndSizesFromAnywhereSaturateInsteadOfWrapping)
{
    TFont font;
    font.SetHeight(INT32_MIN);  // Font.Height="-2147483648" in a file
    EXPECT_EQ(font.Size(), 1610612736);
    font.SetHeight(INT32_MAX);
    EXPECT_EQ(font.Size(), -1610612735);
    font.SetSize(INT32_MAX);
    EXPECT_EQ(font.Height(), INT32_MIN);
    font.SetSize(INT32_MIN);
    EXPECT_EQ(font.Height(), INT32_MAX);
    font.SetPixelsPerInch(600);
    font.SetSize(1610612736);
    EXPECT_EQ(font.Height(), INT32_MIN);
    // Across resolutions the size goes over held to the range.
    TFont printer;
    printer.SetPixelsPerInch(600);
    TFont screen;
    screen.SetHeight(INT32_MIN);
    printer.Assign(&screen);
    EXPECT_EQ(printer.Height(), INT32_MIN);
    EXPECT_EQ(MulDivClamped(-int64_t(INT32_MIN), 1, 1), INT32_MAX);
    EXPECT_EQ(MulDivClamped(INT32_MIN, 2, 1), INT32_MIN);
    EXPECT_EQ(MulDivClamped(7, 1, 2), 4);
    EXPECT_EQ(MulDivClamped(-7, 1, 2), -4);
    EXPECT_EQ(MulDivClamped(1, 1, 0), -1);
}

TEST_F(GraphicsTest, FontChangesNotifyOnlyWhenSomethingChanged)
{
    TFont font;
    int changes = 0;
    font.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &font);
        ++changes;
    };
    font.SetName("Arial");
    font.SetName("Arial");
    font.SetName("");  // ignored
    EXPECT_EQ(font.Name(), "Arial");
    font.SetStyle(TFontStyles{fsBold});
    font.SetColor(clWindowText);  // already so
    EXPECT_EQ(changes, 2);

    TFont other;
    other.SetName("Courier New");
    other.SetSize(12);
    other.SetStyle(TFontStyles{fsItalic, fsUnderline});
    font.Assign(&other);
    EXPECT_EQ(changes, 3);  // one notification for the whole copy
    font.Assign(&other);
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(font.Size(), 12);
    EXPECT_EQ(font.Style(), (TFontStyles{fsItalic, fsUnderline}));
}

TEST_F(GraphicsTest, FontAssignAcrossResolutionsKeepsThePointSize)
{
    TFont screen;
    screen.SetSize(10);
    TFont printer;
    printer.SetPixelsPerInch(600);
    printer.Assign(&screen);
    EXPECT_EQ(printer.Size(), 10);
    EXPECT_EQ(printer.Height(), -83);
    EXPECT_EQ(printer.PixelsPerInch(), 600);
}

TEST_F(GraphicsTest, PensAndBrushesFollowThePlatform)
{
    TPen pen;
    pen.SetWidth(3);
    pen.SetWidth(-1);  // ignored
    EXPECT_EQ(pen.Width(), 3);
    TBrush brush;
    brush.SetStyle(bsClear);
    brush.SetColor(clRed);  // a colour makes a clear brush solid
    EXPECT_EQ(brush.Style(), bsSolid);
    TBrush copy;
    copy.Assign(&brush);
    EXPECT_EQ(copy.Color(), clRed);
}

TEST_F(GraphicsTest, PublishedTablesAsTheSerializerReadsThem)
{
    TFont font;
    EXPECT_EQ(GetSetProp(&font, "Style"), "[]");
    SetSetProp(&font, "Style", "[fsBold,fsItalic]");
    EXPECT_EQ(GetSetProp(&font, "Style"), "[fsBold,fsItalic]");
    EXPECT_EQ(GetOrdProp(&font, "Style"), 3);
    EXPECT_EQ(GetPropValue(&font, "Color"), Variant(int32_t(clWindowText)));
    EXPECT_EQ(GetPropInfo(&font, "Color")->TypeName(), "TColor");
    EXPECT_FALSE(GetPropInfo(&font, "Size")->IsStored(&font));
    EXPECT_TRUE(IsDefaultPropValue(&font, GetPropInfo(&font, "Pitch")));

    TPen pen;
    std::vector<std::string> written;
    for (const TPropInfo* p : pen.ClassType()->Properties()) {
        if (p->IsStored(&pen) && !IsDefaultPropValue(&pen, p)) written.push_back(p->Name());
    }
    EXPECT_TRUE(written.empty());
    pen.SetMode(pmXor);
    EXPECT_EQ(GetEnumProp(&pen, "Mode"), "pmXor");
    EXPECT_FALSE(IsDefaultPropValue(&pen, GetPropInfo(&pen, "Mode")));
}

}  // namespace
