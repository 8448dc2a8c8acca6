// The program builder, expressions and statements: semantic checks with
// their texts and positions, operator precedence and kinds, short-circuit,
// sets, assignment short-cuts, loops, exceptions and flags.

#include <gtest/gtest.h>

#include "sc_expression.h"
#include "sc_statements.h"
#include "sc_test_support.h"

namespace {

std::string compileError(const std::string& text, const std::string& language = "PascalScript")
{
    TestScript t(text, language);
    if (t.compile()) return "compiled";
    return t.error();
}

}  // namespace

// ---------------------------------------------------------------- builder

TEST(Builder, UndeclaredNamesDependOnTheLanguage)
{
    EXPECT_EQ(compileError("begin y := 1 end."), "1:7: Undeclared identifier: 'y'");
    EXPECT_EQ(compileError("{ y = 1; }", "C++Script"), "1:3: Undeclared identifier: 'y'");
    TestScript basic("y = 1\r\nShowMessage(y + 1)", "BasicScript");
    EXPECT_EQ(basic.run(), "2|");
    TestScript js("y = 1; ShowMessage(y + 1);", "JScript");
    EXPECT_EQ(js.run(), "2|");
}

TEST(Builder, SemanticErrorTexts)
{
    EXPECT_EQ(compileError("var s: String; begin for s := 1 to 2 do ; end."),
              "1:22: For loop variable must be numeric variable");
    EXPECT_EQ(compileError("var i: Integer; begin i := 1.5 end."), "1:23: Incompatible types: 'Integer', 'Extended'");
    EXPECT_EQ(compileError("procedure P(n: Integer = 'x'); begin end; begin end."),
              "1:1: Incompatible types: 'Integer', 'String'");
    EXPECT_EQ(compileError("const C = 1; begin C := 2 end."), "1:20: Left side cannot be assigned to");
    EXPECT_EQ(compileError("begin Copy('a', 1) end."), "1:7: Not enough actual parameters");
    EXPECT_EQ(compileError("begin Copy('a', 1, 2, 3) end."), "1:7: Too many actual parameters");
    EXPECT_EQ(compileError("var s: String; begin s.Foo end."), "1:22: Strings doesn't have properties or methods");
    EXPECT_EQ(compileError("var x: TMissing; begin end."), "1:5: Unknown type: 'TMissing'");
    EXPECT_EQ(compileError("var i: Integer; begin with i do ; end."), "1:23: Class type required");
    EXPECT_EQ(compileError("var i: Integer; begin i.x := 1 end."), "1:23: Array type required");
    EXPECT_EQ(compileError("var b: Boolean; begin b := 'abc' = 1 end."),
              "1:35: Incompatible types: 'String', 'Integer'");
}

TEST(Builder, ArrayBounds)
{
    EXPECT_EQ(runPascal("var a: array[5] of Integer; b: array[1..5] of Integer; "
                        "begin ShowMessage(IntToStr(Length(a)) + ' ' + IntToStr(Length(b))); a[0] := 1; a[4] := 2; "
                        "b[1] := 3; b[5] := 4; ShowMessage(IntToStr(a[0] + a[4] + b[1] + b[5])) end."),
              "5 5|10|");
    EXPECT_EQ(runPascal("var a: array[5] of Integer; begin a[5] := 1 end."),
              "EVariantBadIndexError: Variant or safe array index out of bounds");
}

TEST(Builder, ReturnInCppScriptAssignsTheResultAndLeaves)
{
    TestScript t("int F(int x) { return x * 2; ShowMessage(\"never\"); } { ShowMessage(IntToStr(F(21))); }",
                 "C++Script");
    EXPECT_EQ(t.run(), "42|");
}

TEST(Builder, NestedWithStatementsGetTheirOwnHiddenVariables)
{
    // The hidden variables are ordinary items of the scope.
    TestScript t("var v, w: Variant; begin with v do with w do ; end.");
    ASSERT_TRUE(t.compile()) << t.error();
    EXPECT_NE(t.script.FindLocal("_WithList_0"), nullptr);
    EXPECT_NE(t.script.FindLocal("_WithList_1"), nullptr);
    EXPECT_EQ(t.script.FindLocal("_WithList_2"), nullptr);
}

TEST(Builder, ProcedureCalledBeforeItsDeclaration)
{
    EXPECT_EQ(runPascal("procedure A; begin B end; procedure B; begin ShowMessage('b') end; begin A end."), "b|");
}

TEST(Builder, DefaultArgumentsAreFilledWhenCompiled)
{
    EXPECT_EQ(runPascal("function F(a: Integer; b: String = 'x'; c: Integer = -3): String; "
                        "begin Result := IntToStr(a) + b + IntToStr(c) end; "
                        "begin ShowMessage(F(1)); ShowMessage(F(1, 'y')); ShowMessage(F(1, 'y', 2)) end."),
              "1x-3|1y-3|1y2|");
}

TEST(Builder, ConstantsAreComputedWhenCompiled)
{
    TestScript t("const A = 6 * 7; B = 'x' + 'y'; begin end.");
    ASSERT_TRUE(t.compile());
    EXPECT_EQ(t.script.Find("A")->Value.toInt(), 42);
    EXPECT_EQ(t.script.Find("A")->Typ, fvtInt);
    EXPECT_EQ(t.script.Find("B")->Value.toString(), "xy");
    EXPECT_EQ(t.script.Find("B")->IsReadOnly, 1);
    // A constant expression that fails is a compile error with its message.
    EXPECT_EQ(compileError("const A = 1 div 0; begin end."), "1:7: Division by zero");
}

// ---------------------------------------------------------------- expressions

TEST(Expressions, PrecedenceAndGrouping)
{
    EXPECT_EQ(runPascal("begin ShowMessage(IntToStr(2 + 3 * 4) + ' ' + IntToStr((2 + 3) * 4) + ' ' + "
                        "IntToStr(10 - 4 - 3) + ' ' + IntToStr(7 div 2)) end."),
              "14 20 3 3|");
    EXPECT_EQ(runPascal("var a, b: Boolean; begin a := False; b := True; if not a = b then ShowMessage('ok') end."),
              "ok|");
}

TEST(Expressions, SlashIsFloatingEvenForIntegers)
{
    TestScript t("var x: Variant; begin x := 7 / 2 end.");
    ASSERT_TRUE(t.compile());
    auto* assign = static_cast<TscAssignmentStmt*>(t.script.Prog()->Statement(0));
    EXPECT_EQ(assign->Expression->Typ, fvtFloat);
    t.script.Execute();
    EXPECT_EQ(t.script.Find("x")->Value.toDouble(), 3.5);
    EXPECT_EQ(compileError("var i: Integer; begin i := 7 / 2 end."), "1:23: Incompatible types: 'Integer', 'Extended'");
}

TEST(Expressions, ShortCircuitOnlyForBooleans)
{
    EXPECT_EQ(runPascal("var n: Integer; function F: Boolean; begin n := n + 1; Result := True end; "
                        "begin n := 0; if False and F() then ; if True or F() then ; ShowMessage(IntToStr(n)) end."),
              "0|");
    // Variant operands are both evaluated.
    EXPECT_EQ(runPascal("var n: Integer; v: Variant; function F: Variant; begin n := n + 1; Result := True end; "
                        "begin n := 0; v := False; if v and F() then ; ShowMessage(IntToStr(n)) end."),
              "1|");
}

TEST(Expressions, SetMembershipWithRanges)
{
    EXPECT_EQ(runPascal("begin ShowMessage(BoolToStr(5 in [1, 3..6]) + BoolToStr(2 in [1, 3..6]) + "
                        "BoolToStr(6 in [1, 3..6]) + BoolToStr(7 in [1, 3..6])) end."),
              "-10-10|");
}

TEST(Expressions, VariantRules)
{
    EXPECT_EQ(runPascal("var v: Variant; begin v := '12'; v := v + 3; ShowMessage(VarToStr(v)); "
                        "v := Null; if v = Null then ShowMessage('null') end."),
              "15|null|");
    EXPECT_EQ(runPascal("var v: Variant; begin v := 1 / 0 end."), "EZeroDivide: Floating point division by zero");
    EXPECT_EQ(runPascal("var v: Variant; begin v := 0; v := 1 / v end."),
              "EZeroDivide: Floating point division by zero");
}

TEST(Expressions, RecursiveFunctionsKeepTheirLocals)
{
    EXPECT_EQ(runPascal("function F(n: Integer): Integer; var a, b: Integer; begin "
                        "if n < 2 then Result := n else begin a := F(n - 1); b := F(n - 2); Result := a + b end end; "
                        "begin ShowMessage(IntToStr(F(15))) end."),
              "610|");
}

TEST(Expressions, RecursiveProcedureWithAVarParameter)
{
    // The value written back reaches the caller's own local, not the
    // callee's copy that the restore removes.
    EXPECT_EQ(runPascal("procedure Depth(n: Integer; var d: Integer); var sub: Integer; begin "
                        "if n = 0 then d := 0 else begin Depth(n - 1, sub); d := sub + 1 end end; "
                        "var r: Integer; begin Depth(5, r); ShowMessage(IntToStr(r)) end."),
              "5|");
}

TEST(Expressions, MacroFunctionsReceiveTheSourceText)
{
    TestScript t("var x: Integer; begin ShowMessage(SUM(x  +  1, 2 * 3)) end.");
    t.script.AddMethodEx("macrofunction SUM(Expr: Variant; Band: Variant = 0): Variant",
                         [](TObject*, const TClass*, const std::string&, TscMethodHelper* c) {
                             return Variant(c->GetParam(0).toString() + "|" + c->GetParam(1).toString());
                         });
    EXPECT_EQ(t.run(), "x  +  1|2 * 3|");
}

TEST(Expressions, AssignmentShortcuts)
{
    TestScript t("var x: Integer; s: String; v: Variant; begin x := 1; x := x + 2; x := 3 * x; x := x - 1; "
                 "s := 'a'; s := s + 'b'; s := 'c' + s; v := 'p'; v := 'q' + v end.");
    ASSERT_TRUE(t.compile());
    TscStatement* prog = t.script.Prog();
    EXPECT_NE(dynamic_cast<TscAssignPlusStmt*>(prog->Statement(1)), nullptr);
    EXPECT_NE(dynamic_cast<TscAssignMulStmt*>(prog->Statement(2)), nullptr);
    EXPECT_NE(dynamic_cast<TscAssignMinusStmt*>(prog->Statement(3)), nullptr);
    EXPECT_NE(dynamic_cast<TscAssignPlusStmt*>(prog->Statement(5)), nullptr);
    // Text is not commutative: 'c' + s stays as written.
    EXPECT_EQ(dynamic_cast<TscAssignPlusStmt*>(prog->Statement(6)), nullptr);
    EXPECT_EQ(dynamic_cast<TscAssignPlusStmt*>(prog->Statement(8)), nullptr);
    t.script.Execute();
    EXPECT_EQ(t.script.Find("x")->Value.toInt(), 8);
    EXPECT_EQ(t.script.Find("s")->Value.toString(), "cab");
    EXPECT_EQ(t.script.Find("v")->Value.toString(), "qp");
}

TEST(Expressions, IntegerOverflowPromotesInsteadOfWrapping)
{
    EXPECT_EQ(runPascal("var v: Variant; i: Integer; begin i := 2147483647; v := i + 1; ShowMessage(VarToStr(v)); "
                        "i := i + 1 end."),
              "2147483648|EVariantOverflowError: Overflow while converting variant of type (Int64) into type "
              "(Integer)");
}

TEST(Expressions, IntegerOverflowAtBothEndsOfEveryOperator)
{
    // Read in place, through a Variant operand (a call's result), and
    // combined into a variable: each result that leaves the Integer range
    // becomes an Int64, at the minimum as at the maximum.
    EXPECT_EQ(runPascal("function Id(x: Integer): Integer; begin Result := x end;"
                        "var lo, hi, m: Integer; w: Variant;"
                        "begin lo := -2147483647 - 1; hi := 2147483647; m := -1;"
                        "  ShowMessage(VarToStr(lo - 1) + ' ' + VarToStr(lo * m) + ' ' + VarToStr(hi * 2) + ' ' +"
                        "    VarToStr(lo + hi) + ' ' + VarToStr(hi + 1));"
                        "  ShowMessage(VarToStr(Id(lo) - 1) + ' ' + VarToStr(Id(lo) * m) + ' ' + VarToStr(Id(hi) + 1));"
                        "  w := lo; w := w - 1; ShowMessage(VarToStr(w)); w := hi; w := w * 2; ShowMessage(VarToStr(w));"
                        "  w := lo; w := w + hi; ShowMessage(VarToStr(w)) end."),
              "-2147483649 2147483648 4294967294 -1 2147483648|-2147483649 2147483648 2147483648|-2147483649|"
              "4294967294|-1|");
}

// ---------------------------------------------------------------- statements

TEST(Statements, ForLoopBoundsAndLastValue)
{
    EXPECT_EQ(runPascal("var i: Integer; s: String; begin i := 7; for i := 1 to 0 do ShowMessage('x'); "
                        "ShowMessage(IntToStr(i)); for i := 3 downto 1 do s := s + IntToStr(i); "
                        "ShowMessage(s + ' ' + IntToStr(i)) end."),
              "7|321 1|");
}

TEST(Statements, BreakLeavesTheInnerLoopExitTheProcedure)
{
    EXPECT_EQ(runPascal("var n: Integer; procedure P; var i, j: Integer; begin for i := 1 to 3 do for j := 1 to 3 do "
                        "begin if j = 2 then break; n := n + 1 end; while True do begin n := n + 10; exit end; "
                        "n := -1 end; begin n := 0; P; ShowMessage(IntToStr(n)) end."),
              "13|");
}

TEST(Statements, HostExceptionInTryExcept)
{
    TestScript t("begin try Fail except ShowMessage(ExceptionClassName + ':' + ExceptionMessage) end; "
                 "ShowMessage('after') end.");
    t.script.AddMethodEx("procedure Fail", [](TObject*, const TClass*, const std::string&, TscMethodHelper*) -> Variant {
        throw EListError("List index out of bounds (3)");
    });
    EXPECT_EQ(t.run(), "EListError:List index out of bounds (3)|after|");
    EXPECT_EQ(runPascal("var i: Integer; begin try i := 0; i := 1 div i except ShowMessage(ExceptionClassName) end end."),
              "EDivByZero|");
}

TEST(Statements, ExitInsideTryFinallyRunsTheWholeFinallyPart)
{
    EXPECT_EQ(runPascal("procedure P; begin try exit finally ShowMessage('f1'); ShowMessage('f2') end; "
                        "ShowMessage('never') end; begin P; ShowMessage('after') end."),
              "f1|f2|after|");
}

TEST(Statements, IncrementAndCompoundAssignmentInCppScript)
{
    TestScript t("int x = 1; { x++; x += 2; x--; x *= 5; ShowMessage(IntToStr(x)); }", "C++Script");
    EXPECT_EQ(t.run(), "15|");
}

TEST(Statements, RepeatWhileAndCase)
{
    EXPECT_EQ(runPascal("var i: Integer; s: String; begin i := 0; repeat i := i + 1; if i = 2 then continue; "
                        "s := s + IntToStr(i) until i >= 4; case i of 1..3: s := s + 'low'; 4, 5: s := s + 'mid' "
                        "else s := s + 'high' end; ShowMessage(s) end."),
              "134mid|");
}

TEST(Builder, VeryLongOperatorChainsAreBoundedNotACrash)
{
    std::string terms = "1";
    for (int i = 0; i < 100000; ++i) terms += "+1";
    EXPECT_EQ(compileError("var x: Integer; begin x := " + terms + " end."), "1:28: Program nested too deeply");
    std::string shorter = "1";
    for (int i = 0; i < 2999; ++i) shorter += "+1";
    EXPECT_EQ(runPascal("var x: Integer; begin x := " + shorter + "; ShowMessage(IntToStr(x)) end."), "3000|");
}
