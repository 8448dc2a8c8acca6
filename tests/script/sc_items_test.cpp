// Items, the type vocabulary, literals, syntax lines and the item table.

#include <gtest/gtest.h>

#include "Exceptions.h"
#include "SysUtils.h"
#include "sc_const.h"
#include "sc_interpreter.h"

namespace {

// The base types as the system module registers them.
void addBaseTypes(TscScript& script)
{
    script.AddType("Integer", fvtInt);
    script.AddType("Boolean", fvtBool);
    script.AddType("Extended", fvtFloat);
    script.AddType("Char", fvtChar);
    script.AddType("String", fvtString);
    script.AddType("Variant", fvtVariant);
    script.AddType("Array", fvtArray);
}

}  // namespace

TEST(SyntaxLines, FunctionWithGroupedParameters)
{
    TscScript script;
    addBaseTypes(script);
    auto item = ParseMethodSyntax("function Copy(s: String; from, count: Integer): String", &script);
    EXPECT_EQ(item->Name, "Copy");
    EXPECT_EQ(item->UpperName, "COPY");
    EXPECT_EQ(item->Typ, fvtString);
    EXPECT_EQ(item->TypeName, "String");
    ASSERT_EQ(item->Count(), 3);
    EXPECT_EQ(item->GetNumberOfRequiredParams(), 3);
    EXPECT_EQ(item->GetParam(1)->Name, "from");
    EXPECT_EQ(item->GetParam(2)->Typ, fvtInt);
}

TEST(SyntaxLines, VarParameterAndDefaults)
{
    TscScript script;
    addBaseTypes(script);
    auto item = ParseMethodSyntax("procedure Inc(var i: Integer; incr: Integer = 1)", &script);
    EXPECT_EQ(item->Typ, fvtClass);  // a procedure has no type name
    EXPECT_EQ(item->TypeName, "");
    ASSERT_EQ(item->Count(), 2);
    EXPECT_EQ(item->GetParam(0)->IsVarParam, 1);
    EXPECT_EQ(item->GetParam(1)->IsOptional, 1);
    EXPECT_EQ(item->GetParam(1)->DefValue.toInt(), 1);

    // Only the last name of a group takes the default.
    auto group = ParseMethodSyntax("procedure P(a, b: Integer = 5)", &script);
    EXPECT_EQ(group->GetParam(0)->IsOptional, 0);
    EXPECT_EQ(group->GetParam(1)->IsOptional, 1);
}

TEST(SyntaxLines, MacroFunction)
{
    TscScript script;
    addBaseTypes(script);
    auto item = ParseMethodSyntax("macrofunction SUM(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant", &script);
    EXPECT_EQ(item->IsMacro, 1);
    EXPECT_EQ(item->Name, "SUM");
    EXPECT_EQ(item->Typ, fvtVariant);
    EXPECT_EQ(item->Count(), 3);
    EXPECT_EQ(item->GetNumberOfRequiredParams(), 1);
}

TEST(SyntaxLines, DefaultValueForms)
{
    TscScript script;
    addBaseTypes(script);
    script.AddConst("clRed", "Integer", Variant(255));
    auto item = ParseMethodSyntax(
        "function F(a: Integer = -3; b: String = 'x'; c: Integer = clRed; d: Variant = Unknown; e: Extended = 1.5): Integer",
        &script);
    ASSERT_EQ(item->Count(), 5);
    EXPECT_EQ(item->GetParam(0)->DefValue.toInt(), -3);
    EXPECT_EQ(item->GetParam(1)->DefValue.toString(), "x");
    EXPECT_EQ(item->GetParam(2)->DefValue.toInt(), 255);
    EXPECT_EQ(item->GetParam(3)->IsOptional, 0);  // an unknown constant gives Null
    EXPECT_DOUBLE_EQ(item->GetParam(4)->DefValue.toDouble(), 1.5);
}

TEST(SyntaxLines, MalformedLinesEnd)
{
    TscScript script;
    for (const char* line : {"", "function", "procedure P(", "procedure P(;;;", "function F(a: ): ", "procedure P(a b c"})
        EXPECT_NO_THROW(ParseMethodSyntax(line, &script)) << line;
}

TEST(SyntaxLines, ExtendedCharsetNames)
{
    TscScript script;
    script.ExtendedCharset = 1;
    auto item = ParseMethodSyntax("procedure \xE6\x89\x93\xE5\x8D\xB0(a: Integer)", &script);
    EXPECT_EQ(item->Name, "\xE6\x89\x93\xE5\x8D\xB0");
    EXPECT_EQ(item->Count(), 1);
}

TEST(Literals, IntegerWidths)
{
    EXPECT_EQ(ParserStringToVariant("2147483647").type(), varInteger);
    const Variant big = ParserStringToVariant("2147483648");
    EXPECT_EQ(big.type(), varInt64);
    EXPECT_EQ(big.toInt64(), 2147483648LL);
    EXPECT_EQ(ParserStringToVariant("$FFFFFFFF").toInt64(), 4294967295LL);
    EXPECT_TRUE(ParserStringToVariant("").isNull());
    EXPECT_EQ(ParserStringToVariant("'it''s'").toString(), "it''s");  // the text between the outer quotes
}

TEST(Literals, FloatsWhateverTheSeparator)
{
    EXPECT_DOUBLE_EQ(ParserStringToVariant("1.5").toDouble(), 1.5);
    const char saved = FormatSettings().DecimalSeparator;
    FormatSettings().DecimalSeparator = ',';
    double value = 0;
    EXPECT_NO_THROW(value = ParserStringToVariant("1.5").toDouble());
    FormatSettings().DecimalSeparator = saved;
    EXPECT_DOUBLE_EQ(value, 1.5);
}

TEST(Literals, FloatOverflowIsAnErrorNotACrash)
{
    EXPECT_THROW(ParserStringToVariant("1e999"), EConvertError);
}

TEST(Variables, ConversionOnStore)
{
    TscVariable i("i", fvtInt, "Integer");
    i.SetValue(Variant("12"));
    EXPECT_EQ(i.GetValue().type(), varInteger);
    EXPECT_EQ(i.GetValue().toInt(), 12);
    i.SetValue(Variant(2.5));
    EXPECT_EQ(i.GetValue().toInt(), 2);  // half to even
    EXPECT_THROW(i.SetValue(Variant("abc")), Exception);

    TscVariable f("f", fvtFloat, "Extended");
    f.SetValue(Variant(3));
    EXPECT_EQ(f.GetValue().type(), varDouble);
    TscVariable v("v", fvtVariant, "Variant");
    v.SetValue(Variant("x"));
    EXPECT_EQ(v.GetValue().toString(), "x");
}

TEST(Variables, ConstantIsUnchangedByAStore)
{
    TscScript script;
    addBaseTypes(script);
    script.AddConst("Max", "Integer", Variant(10));
    script.Find("Max")->SetValue(Variant(99));
    EXPECT_EQ(script.Find("max")->GetValue().toInt(), 10);
}

TEST(Variables, StringVariableKeepsTheStringForm)
{
    TscStringVariable s("s", fvtString, "String");
    s.SetValue(Variant(42));
    EXPECT_EQ(s.Str(), "42");
    EXPECT_EQ(s.GetValue().type(), varString);
    EXPECT_THROW(s.SetValue(Variant::Null()), Exception);  // the platform's conversion error
}

TEST(Variables, GetValueEventNullKeepsTheStoredValue)
{
    TscVariable v("v", fvtVariant, "Variant");
    v.SetValue(Variant(7));
    v.OnGetValue = [](const std::string& name, TscVarType, const Variant& old) {
        return name == "v" && old.toInt() == 7 ? Variant::Null() : Variant(0);
    };
    EXPECT_EQ(v.GetValue().toInt(), 7);
    v.OnGetValue = [](const std::string&, TscVarType, const Variant&) { return Variant(8); };
    EXPECT_EQ(v.GetValue().toInt(), 8);
}

TEST(Types, FullTypeNames)
{
    EXPECT_EQ(GetFullTypeName(fvtInt, "x"), "Integer");
    EXPECT_EQ(GetFullTypeName(fvtFloat, "x"), "Extended");
    EXPECT_EQ(GetFullTypeName(fvtArray, "x"), "Array");
    EXPECT_EQ(GetFullTypeName(fvtClass, "TFont"), "TFont");
    EXPECT_EQ(GetFullTypeName(fvtEnum, "TAlign"), "TAlign");
    EXPECT_EQ(GetFullTypeName(fvtConstructor, "x"), "Variant");
}

TEST(Types, Compatibility)
{
    TscScript script;
    EXPECT_TRUE(TypesCompatible(fvtInt, "", fvtFloat, "", &script));
    EXPECT_FALSE(AssignCompatible(fvtInt, "", fvtFloat, "", &script));
    EXPECT_TRUE(AssignCompatible(fvtFloat, "", fvtInt, "", &script));
    EXPECT_FALSE(TypesCompatible(fvtBool, "", fvtInt, "", &script));
    EXPECT_TRUE(TypesCompatible(fvtString, "", fvtChar, "", &script));
    EXPECT_FALSE(TypesCompatible(fvtString, "", fvtInt, "", &script));
    EXPECT_TRUE(TypesCompatible(fvtEnum, "TAlign", fvtEnum, "talign", &script));
    EXPECT_FALSE(TypesCompatible(fvtEnum, "TAlign", fvtEnum, "TColor", &script));
    EXPECT_TRUE(TypesCompatible(fvtEnum, "TAlign", fvtInt, "", &script));
    EXPECT_FALSE(TypesCompatible(fvtConstructor, "", fvtVariant, "", &script));
    for (int t = fvtInt; t <= fvtEnum; ++t)
        EXPECT_TRUE(TypesCompatible(fvtVariant, "", static_cast<TscVarType>(t), "", &script));
}

TEST(Types, ClassCompatibilityFollowsAncestry)
{
    TscScript script;
    script.AddClassRecord("TObject", "");
    script.AddClassRecord("TComponent", "TObject");
    script.AddClassRecord("TControl", "TComponent");
    script.AddClassRecord("TLoop", "TLoop");
    EXPECT_TRUE(TypesCompatible(fvtClass, "TComponent", fvtClass, "TControl", &script));
    EXPECT_FALSE(TypesCompatible(fvtClass, "TControl", fvtClass, "TComponent", &script));
    EXPECT_FALSE(TypesCompatible(fvtClass, "TUnknown", fvtClass, "TControl", &script));
    EXPECT_FALSE(TypesCompatible(fvtClass, "TObject", fvtClass, "TLoop", &script));
    EXPECT_TRUE(TypesCompatible(fvtClass, "TObject", fvtVariant, "", &script));
}

TEST(Types, IncompatibleTypesText)
{
    EXPECT_EQ(IncompatibleTypesMessage("Integer", "Extended"), "Incompatible types: 'Integer', 'Extended'");
    EXPECT_EQ(scFormatMessage(scMessages().LanguageNotFound, "Lua"), "Language 'Lua' not found");
}

TEST(Types, StrToVarTypeTakesUnknownNamesForClasses)
{
    TscScript script;
    addBaseTypes(script);
    EXPECT_EQ(StrToVarType("integer", &script), fvtInt);
    EXPECT_EQ(StrToVarType("TFont", &script), fvtClass);
}

TEST(ItemTable, LastAddedWinsAndLookupIgnoresCase)
{
    TscScript script;
    auto* first = new TscVariable("IIF", fvtVariant, "Variant");
    auto* second = new TscVariable("iif", fvtVariant, "Variant");
    script.Add("IIF", first);
    script.Add("iif", second);
    EXPECT_EQ(script.FindLocal("Iif"), second);
    script.Remove(second);
    EXPECT_EQ(script.Find("IIF"), first);
    delete second;
}

TEST(ItemTable, LookupGoesUpTheParents)
{
    TscScript outer;
    outer.AddVariable("x", "Variant", Variant(1));
    TscScript inner;
    inner.Parent = &outer;
    EXPECT_NE(inner.Find("X"), nullptr);
    EXPECT_EQ(inner.FindLocal("X"), nullptr);
    EXPECT_EQ(inner.AddVariable("x", "Variant", Variant(2)), nullptr);  // known up the chain
}

TEST(ItemTable, ClearKeepsModuleItemsAndRemoveItemsByOwner)
{
    TscScript script;
    script.AddedBy = scModuleOwner;
    script.AddVariable("fromModule", "Variant", Variant(1));
    int report = 0;
    script.AddedBy = &report;
    script.AddVariable("fromReport", "Variant", Variant(2));
    script.AddedBy = nullptr;
    script.AddVariable("own", "Variant", Variant(3));
    script.ErrorMsg = "x";
    script.ClearItems(&report);
    EXPECT_EQ(script.Find("fromReport"), nullptr);
    EXPECT_NE(script.Find("own"), nullptr);
    script.Clear();
    EXPECT_EQ(script.Count(), 1);
    EXPECT_NE(script.Find("fromModule"), nullptr);
    EXPECT_EQ(script.ErrorMsg, "");
}

TEST(ItemTable, EnumsAndEnumSets)
{
    TscScript script;
    script.AddEnumSet("TFontStyles", "fsBold, fsItalic, fsUnderline");
    EXPECT_EQ(script.Find("fsBold")->Value.toInt(), 1);
    EXPECT_EQ(script.Find("fsItalic")->Value.toInt(), 2);
    EXPECT_EQ(script.Find("fsUnderline")->Value.toInt(), 4);
    EXPECT_EQ(script.Find("fsUnderline")->Typ, fvtEnum);
    script.AddEnum("TAlign", "alNone,alTop , alBottom");
    EXPECT_EQ(script.Find("alBottom")->Value.toInt(), 2);
    EXPECT_EQ(script.Find("alTop")->TypeName, "TAlign");
    EXPECT_EQ(script.Find("TAlign")->Typ, fvtEnum);
}

TEST(ItemTable, SetVariableAddsOrStores)
{
    TscScript script;
    script.SetVariable("v", Variant(1));
    script.SetVariable("V", Variant(2));
    EXPECT_EQ(script.Count(), 1);
    EXPECT_EQ(script.Find("v")->GetValue().toInt(), 2);
}

TEST(ItemTable, PositionText)
{
    int line = 0;
    int col = 0;
    StrToPoint("12:7", line, col);
    EXPECT_EQ(line, 12);
    EXPECT_EQ(col, 7);
    StrToPoint("", line, col);
    EXPECT_EQ(line, 0);
}
