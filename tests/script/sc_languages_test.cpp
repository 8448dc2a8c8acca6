// The C++Script, BasicScript and JScript grammars: the forms each language
// adds, the operator priorities their users expect, and the report
// expression wrappers. Whole programs are checked by the golden corpus.

#include <gtest/gtest.h>

#include "sc_compact.h"
#include "sc_tools.h"

using sctest::Compiled;

namespace {

Compiled compileIn(const std::string& language, const std::string& text)
{
    scRegisterStandardLanguages();
    TscScript script;
    script.ExtendedCharset = 1;
    return sctest::compile(script, language, text);
}

Compiled cpp(const std::string& text) { return compileIn("C++Script", text); }
Compiled basic(const std::string& text) { return compileIn("BasicScript", text); }
Compiled js(const std::string& text) { return compileIn("JScript", text); }

// The operators of the first expression of a compiled program, in order.
std::string ops(const Compiled& c)
{
    std::string out;
    for (size_t at = c.il.find("op("); at != std::string::npos; at = c.il.find("op(", at + 3)) {
        const size_t close = c.il.find(')', at + 4);
        out.append(out.empty() ? "" : " ").append(c.il, at + 3, close - at - 3);
    }
    return out;
}

}  // namespace

TEST(Languages, AllFourAreRegistered)
{
    scRegisterStandardLanguages();
    for (const char* name : {"PascalScript", "C++Script", "BasicScript", "JScript"})
        EXPECT_NO_THROW(scGetCompiledLanguage(name)) << name;
}

TEST(Languages, KeywordCaseFollowsTheLanguage)
{
    // C++Script keywords are case-sensitive: IF is a name (here a call).
    EXPECT_EQ(cpp("{ IF (a) x = 1; }").error, "1:10: ';' expected");
    EXPECT_TRUE(js("IF (a) x = 1").ok);
    EXPECT_TRUE(basic("IF a THEN x = 1").ok);
}

TEST(Languages, ReportExpressionWrappersCompile)
{
    const auto c = cpp("Variant rpf0() { return [Price] * 2; } {}");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il.rfind("function{type(Variant) ident(rpf0) parameters compoundstmt{return{expr{", 0), 0u) << c.il;
    EXPECT_TRUE(basic("function rpf0\r\nreturn [Price] * 2\r\nend function").ok);
    EXPECT_TRUE(js("function rpf0() { return [Price] * 2; }").ok);
}

TEST(Languages, AppendedWrappersDeclareEveryFunction)
{
    // The expression cache appends one wrapper per expression and compiles
    // the whole text again; every function must be seen.
    const auto c = cpp("Variant rpf0() { return 1; } {}\r\nVariant rpf1() { return 2; } {}");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_NE(c.il.find("ident(rpf1)"), std::string::npos);
    const auto b = basic("function rpf0\r\nreturn 1\r\nend function\r\nfunction rpf1\r\nreturn 2\r\nend function");
    ASSERT_TRUE(b.ok) << b.error;
    EXPECT_NE(b.il.find("ident(rpf1)"), std::string::npos);
    const auto j = js("function rpf0() { return 1; }\r\nfunction rpf1() { return 2; }");
    ASSERT_TRUE(j.ok) << j.error;
    EXPECT_NE(j.il.find("ident(rpf1)"), std::string::npos);
}

TEST(Languages, LogicalOperandsAreGroupedForTheBuilder)
{
    // The builder ranks and/or above comparisons (as Pascal does); C, Basic
    // and JScript programmers expect the opposite, so every operand of a
    // logical operator arrives in its own parentheses.
    EXPECT_EQ(ops(cpp("{ b = a == 1 || c != 2 && !d; }")), "( = ) or ( <> ) and ( not )");
    EXPECT_EQ(ops(js("b = a >= 1 && c < 2")), "( >= ) and ( < )");
    EXPECT_EQ(ops(basic("b = a = 1 or not c <> 2")), "( = ) or not ( <> )");
    // A lone comparison keeps the usual shape inside one pair.
    EXPECT_EQ(ops(cpp("{ b = a + 1 > 2 * c; }")), "( + > * )");
}

TEST(Languages, OperatorsAreWrittenCanonically)
{
    EXPECT_EQ(ops(cpp("{ x = a % b << 1 >> 2 ^ c; }")), "( mod shl shr xor )");
    EXPECT_EQ(ops(js("x = a !== b")), "( <> )");
    EXPECT_EQ(ops(basic("x = a \\ b & \"s\" mod 2")), "( div strcat mod )");
}

TEST(Languages, CppIncrementsAndCompoundAssignments)
{
    const auto c = cpp("{ i++; j--; k += 2; l -= 2; m *= 2; n /= 2; }");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il,
              "compoundstmt{callstmt{dsgn{node(i)} modificator(+)} callstmt{dsgn{node(j)} modificator(-)} "
              "assignstmt{dsgn{node(k)} modificator(+) expr{op(() number(2) op())}} "
              "assignstmt{dsgn{node(l)} modificator(-) expr{op(() number(2) op())}} "
              "assignstmt{dsgn{node(m)} modificator(*) expr{op(() number(2) op())}} "
              "assignstmt{dsgn{node(n)} modificator(/) expr{op(() number(2) op())}}}");
}

TEST(Languages, CppForWithEveryPartEmpty)
{
    const auto c = cpp("{ for (;;) break; }");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "compoundstmt{cppforstmt{compoundstmt compoundstmt break}}");
}

TEST(Languages, CppDefineIsAConstant)
{
    const auto c = cpp("#define N 10\r\n{}");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "const{ident(N) expr{op(() number(10) op())}} compoundstmt");
    EXPECT_EQ(cpp("#defin N 10\r\n{}").error, "1:2: 'DEFINE' expected");
}

TEST(Languages, SwitchIsMarkedBreakable)
{
    const auto c = cpp("{ switch (x) { case 1: case 2: y = 1; break; default: y = 2; } }");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il.rfind("compoundstmt{casestmt{breakable expr{", 0), 0u) << c.il;
    EXPECT_NE(c.il.find("caseselector{set{expr{op(() number(1) op())} expr{op(() number(2) op())}} assignstmt"),
              std::string::npos)
        << c.il;
}

TEST(Languages, BasicRemIsACommentOnlyAsAWholeLowerCaseWord)
{
    EXPECT_TRUE(basic("x = 1 rem a comment\r\nrem another").ok);
    const auto c = basic("remain = 1");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "compoundstmt{assignstmt{dsgn{node(remain)} expr{op(() number(1) op())}}}");
    EXPECT_EQ(basic("REM not a comment").error, "1:1: End of line expected");
}

TEST(Languages, BasicStatementsEndAtLineEndsColonsOrTheEnd)
{
    EXPECT_TRUE(basic("x = 1 : y = 2\r\nz = 3").ok);
    EXPECT_TRUE(basic("x = 1 + _\r\n    2").ok);
    EXPECT_EQ(basic("x = 1 y = 2").error, "1:7: End of line expected");
    // A line that is no statement is reported, not dropped with the rest.
    EXPECT_EQ(basic("x = 1\r\n) \r\ny = 2").error, "2:1: End of line expected");
}

TEST(Languages, BasicForStepAndLoops)
{
    const auto c = basic("for i = 1 to 9 step 2\r\nnext i\r\ndo\r\nloop while x");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il,
              "compoundstmt{vbforstmt{ident(i) expr{op(() number(1) op())} expr{op(() number(9) op())} "
              "step{expr{op(() number(2) op())}}} "
              "repeatstmt{inverse expr{op(() dsgn{node(x)} op())}}}");
    // A bare loop repeats until "exit do": its condition never holds.
    EXPECT_EQ(basic("do\r\nloop").il, "compoundstmt{repeatstmt{expr{number(0) op(<>) number(0)}}}");
}

TEST(Languages, BasicProceduresWriteAnExitAtTheirEnd)
{
    const auto c = basic("sub P(byref a)\r\nend sub");
    ASSERT_TRUE(c.ok) << c.error;
    EXPECT_EQ(c.il, "compoundstmt{procedure{ident(P) parameters{var{varparams ident(a)}} compoundstmt exit}}");
}

TEST(Languages, JScriptStatementsEndOptionallyWithSemicolons)
{
    EXPECT_TRUE(js("x = 1\r\ny = 2;;\r\nvar z").ok);
    EXPECT_EQ(js("x = 1\r\n)").error, "2:1: Statement expected");
}

TEST(Languages, StringEscapesFollowTheLanguage)
{
    // C++Script and JScript: backslash escapes; BasicScript: doubled quotes.
    EXPECT_EQ(cpp("{ s = \"a\\\"b\\x41\"; }").il,
              "compoundstmt{assignstmt{dsgn{node(s)} expr{op(() string('a\"bA') op())}}}");
    EXPECT_EQ(basic("s = \"a\"\"b\"").il, "compoundstmt{assignstmt{dsgn{node(s)} expr{op(() string('a\"b') op())}}}");
}

TEST(Languages, UsedUnitsInEveryLanguage)
{
    scRegisterStandardLanguages();
    TscScript script;
    script.OnGetUnit = [](TscScript*, const std::string& name, std::string& text) {
        text = name == "u.cps" ? "int n;" : name == "u.bas" ? "dim n" : "var n;";
    };
    EXPECT_TRUE(sctest::compile(script, "C++Script", "#include \"u.cps\"\r\n{}").ok);
    EXPECT_TRUE(sctest::compile(script, "BasicScript", "imports \"u.bas\"").ok);
    EXPECT_TRUE(sctest::compile(script, "JScript", "import \"u.js\"").ok);
}

TEST(GrammarEngine, EolMatchesAtTheEndOfTheText)
{
    // A last Basic line needs no line break (the wrapper ends "end function").
    EXPECT_TRUE(basic("x = 1").ok);
    EXPECT_TRUE(basic("if a then\r\nx = 1\r\nend if").ok);
}
