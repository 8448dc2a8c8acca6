// The language-specific parts of the program builder, run end to end:
// C-style switch and break, declarations repeated without block scopes,
// function results by name, "&" joins, var parameters, the report
// expression wrappers called by name.

#include <gtest/gtest.h>

#include "sc_interpreter.h"
#include "sc_sysrtti.h"
#include "sc_tools.h"

namespace {

class CapturedUi final : public TscScriptUi {
public:
    void ShowMessage(const std::string& text) override { lines += text + "|"; }
    std::string lines;
};

struct Run {
    std::string output;  // each ShowMessage text followed by "|"
    std::string error;   // "line:col: message" of a compile error
};

Run run(const std::string& language, const std::string& text)
{
    scRegisterStandardLanguages();
    CapturedUi ui;
    scSetScriptUi(&ui);
    TscScript script;
    script.ExtendedCharset = 1;
    script.SyntaxType = language;
    script.Lines = {text};
    script.AddRTTI();
    Run result;
    if (script.Compile())
        script.Execute();
    else
        result.error = script.ErrorPos + ": " + script.ErrorMsg;
    scSetScriptUi(nullptr);
    result.output = ui.lines;
    return result;
}

}  // namespace

TEST(LanguageRuns, BreakInASwitchEndsOnlyTheSwitch)
{
    const auto c = run("C++Script",
                       "int i; String s; { for (i = 1; i <= 4; i++) { switch (i) { case 2: continue; case 3: break; "
                       "default: s += IntToStr(i); } s += \".\"; } ShowMessage(s); }");
    EXPECT_EQ(c.output, "1..4.|") << c.error;
    const auto j = run("JScript", "s = \"\"; switch (1) { case 1: s = \"one\"; break; s = \"never\"; } ShowMessage(s)");
    EXPECT_EQ(j.output, "one|") << j.error;
    // A Pascal case leaves break to the enclosing loop, as before.
    const auto p = run("PascalScript",
                       "var i: Integer; s: String; begin for i := 1 to 4 do begin case i of 3: break; end; "
                       "s := s + IntToStr(i) end; ShowMessage(s) end.");
    EXPECT_EQ(p.output, "12|") << p.error;
}

TEST(LanguageRuns, RepeatedDeclarationsWithoutBlockScopes)
{
    const auto c = run("C++Script",
                       "{ int n = 0; for (int i = 0; i < 2; i++) n++; for (int i = 0; i < 3; i++) n++; "
                       "ShowMessage(IntToStr(n)); }");
    EXPECT_EQ(c.output, "5|") << c.error;
    EXPECT_EQ(run("C++Script", "int i; String i; {}").error, "1:8: Identifier redeclared: 'i'");
    EXPECT_EQ(run("JScript", "x = 1; var x = x + 1; var x; ShowMessage(x)").output, "2|");
    EXPECT_EQ(run("BasicScript", "dim a = 1\r\ndim a\r\nShowMessage a").output, "1|");
    EXPECT_EQ(run("BasicScript", "dim a as integer\r\ndim a as string").error, "2:5: Identifier redeclared: 'a'");
    EXPECT_EQ(run("PascalScript", "var a: Integer; a: Integer; begin end.").error, "1:17: Identifier redeclared: 'a'");
}

TEST(LanguageRuns, AFunctionNameAssignedInsideItSetsTheResult)
{
    EXPECT_EQ(run("BasicScript", "function F(n)\r\n  F = n * 2\r\nend function\r\nShowMessage F(4)").output, "8|");
    EXPECT_EQ(run("PascalScript", "function F: Integer; begin F := 3 end; begin ShowMessage(IntToStr(F)) end.").output,
              "3|");
    // Outside the function the name stays a read-only call.
    EXPECT_EQ(run("BasicScript", "function F\r\nend function\r\nF = 1").error, "3:1: Left side cannot be assigned to");
}

TEST(LanguageRuns, VarParametersInEveryLanguage)
{
    EXPECT_EQ(run("JScript", "function Inc2(&a) { a += 2; } var x = 1; Inc2(x); ShowMessage(x)").output, "3|");
    EXPECT_EQ(run("C++Script", "void Inc2(int &a) { a += 2; } int x = 1; { Inc2(x); ShowMessage(IntToStr(x)); }").output,
              "3|");
    EXPECT_EQ(run("BasicScript", "sub Inc2(byref a)\r\na = a + 2\r\nend sub\r\nx = 1\r\nInc2 x\r\nShowMessage x").output,
              "3|");
}

TEST(LanguageRuns, BasicAmpersandJoinsAnyValueToText)
{
    EXPECT_EQ(run("BasicScript", "dim n as integer = 5\r\nShowMessage \"n=\" & n & \"!\"").output, "n=5!|");
    // "+" keeps the type check.
    EXPECT_EQ(run("BasicScript", "dim n as integer\r\ndim s as string\r\ns = s + n").error,
              "3:8: Incompatible types: 'String', 'Integer'");
}

TEST(LanguageRuns, ComparisonsBindTighterThanLogicalOperators)
{
    EXPECT_EQ(run("C++Script", "int a = 1, b = 3; { if (a == 1 && b > 2 || a < 0) ShowMessage(\"yes\"); }").output,
              "yes|");
    EXPECT_EQ(run("JScript", "a = 2; if (a == 1 || a == 2) ShowMessage(\"yes\")").output, "yes|");
    EXPECT_EQ(run("BasicScript", "a = 2\r\nif a = 1 or not a = 3 then ShowMessage \"yes\"").output, "yes|");
}

TEST(LanguageRuns, BasicLoops)
{
    const auto b = run("BasicScript",
                       "n = 0 : s = \"\"\r\ndo\r\n  n = n + 1\r\n  if n = 3 then exit do\r\nloop\r\n"
                       "do until n = 0 : n = n - 1 : loop\r\n"
                       "for i = 10 to 1 step -4 : s = s & i & \",\" : next\r\nShowMessage s & n");
    EXPECT_EQ(b.output, "10,6,2,0|") << b.error;
}

TEST(LanguageRuns, CppForWithoutACondition)
{
    EXPECT_EQ(run("C++Script", "int n; { for (;;) { n++; if (n == 4) break; } ShowMessage(IntToStr(n)); }").output, "4|");
}

TEST(LanguageRuns, ExpressionWrappersAreCalledByName)
{
    const std::pair<const char*, const char*> wrappers[] = {
        {"PascalScript", "function rpf0: Variant; begin Result := 6 * 7 end; begin end."},
        {"C++Script", "Variant rpf0() { return 6 * 7; } {}"},
        {"BasicScript", "function rpf0\r\nreturn 6 * 7\r\nend function"},
        {"JScript", "function rpf0() { return 6 * 7; }"},
    };
    scRegisterStandardLanguages();
    for (const auto& [language, text] : wrappers) {
        TscScript script;
        script.SyntaxType = language;
        script.Lines = {text};
        script.AddRTTI();
        ASSERT_TRUE(script.Compile()) << language << ": " << script.ErrorPos << " " << script.ErrorMsg;
        script.Execute();
        EXPECT_EQ(script.CallFunction("rpf0").toInt(), 42) << language;
    }
}
