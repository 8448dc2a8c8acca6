// Calls of script procedures: what a call stores, what a recursive call
// keeps aside and gives back, and what an argument sees.

#include <gtest/gtest.h>

#include "Exceptions.h"
#include "sc_test_support.h"

namespace {

TEST(Calls, ArgumentsOfEveryCountAndShape)
{
    // Up to four arguments without var parameters take the short way; more,
    // or var parameters, the general one. Defaults fill what is left out.
    EXPECT_EQ(runPascal("function A0: Integer; begin Result := 7 end;"
                        "function A1(a: Integer): Integer; begin Result := a end;"
                        "function A4(a, b, c, d: Integer): Integer; begin Result := a * 1000 + b * 100 + c * 10 + d end;"
                        "function A5(a, b, c, d, e: Integer): Integer; begin Result := A4(a, b, c, d) * 10 + e end;"
                        "function D(a: Integer; b: Integer = 5): Integer; begin Result := a * 10 + b end;"
                        "procedure V(a: Integer; var b: Integer; c: Integer); begin b := a + c end;"
                        "var x: Integer;"
                        "begin ShowMessage(IntToStr(A0 + A1(1)) + ' ' + IntToStr(A4(1, 2, 3, 4)) + ' ' +"
                        "  IntToStr(A5(1, 2, 3, 4, 5)) + ' ' + IntToStr(D(1)) + ' ' + IntToStr(D(1, 2)));"
                        "  V(3, x, 4); ShowMessage(IntToStr(x)) end."),
              "8 1234 12345 15 12|7|");
}

TEST(Calls, ArgumentsAreAllReadBeforeTheFirstIsStored)
{
    // The arguments of a recursive call name the parameters it sets.
    EXPECT_EQ(runPascal("function Swap(a, b, depth: Integer): String;"
                        "begin if depth = 0 then Result := IntToStr(a) + ',' + IntToStr(b)"
                        "  else Result := Swap(b, a, depth - 1) end;"
                        "begin ShowMessage(Swap(1, 2, 1) + ' ' + Swap(1, 2, 2) + ' ' + Swap(1, 2, 3)) end."),
              "2,1 1,2 2,1|");
}

TEST(Calls, ARecursiveCallStartsWithTheCallersLocalsAndGivesThemBack)
{
    // k is not set before the inner call reads it: it holds the caller's
    // value; the caller finds its own k and n again afterwards.
    EXPECT_EQ(runPascal("function F(n: Integer): Integer; var k: Integer;"
                        "begin if n = 0 then begin Result := k; exit end;"
                        "  k := n * 10; Result := F(n - 1);"
                        "  ShowMessage(IntToStr(n) + ':' + IntToStr(k)) end;"
                        "begin ShowMessage(IntToStr(F(3))) end."),
              "1:10|2:20|3:30|10|");
}

TEST(Calls, ResultStartsEmptyInEveryCallOfItsKind)
{
    // The caller has set its Result before the inner call; the inner one
    // starts at 0 or '' all the same.
    EXPECT_EQ(runPascal("function H(n: Integer): Integer;"
                        "begin if n > 0 then begin Result := 100; Result := Result + H(n - 1) end end;"
                        "function S(n: Integer): String;"
                        "begin if n > 0 then begin Result := 'x'; Result := Result + S(n - 1) + '.' end end;"
                        "begin ShowMessage(IntToStr(H(0)) + ' ' + IntToStr(H(3)) + ' [' + S(0) + '] ' + S(3)) end."),
              "0 300 [] xxx...|");
}

TEST(Calls, TextsThroughRecursionKeepTheirValues)
{
    EXPECT_EQ(runPascal("function Rev(s: String): String;"
                        "begin if Length(s) <= 1 then Result := s"
                        "  else Result := Rev(Copy(s, 2, 1000)) + Copy(s, 1, 1);"
                        "  if Length(s) > 4 then ShowMessage(s) end;"
                        "var t: String;"
                        "begin t := 'abcdef'; ShowMessage(Rev(t) + ' ' + t) end."),
              "bcdef|abcdef|fedcba abcdef|");
}

TEST(Calls, ARecursiveCallConvertsItsArgumentsAndTheCallerKeepsItsOwn)
{
    // Each inner call gets a text for its Integer and a number for its
    // String: both are converted on the way in, and every caller finds its
    // own values of the other kinds again.
    EXPECT_EQ(runPascal("function K(n: Integer; s: String; depth: Integer): String; var a, b: Variant;"
                        "begin if depth = 0 then begin Result := IntToStr(n + 1) + '/' + s + 'x'; exit end;"
                        "  a := IntToStr(n * 2); b := n + 100;"
                        "  Result := K(a, b, depth - 1) + ' ' + IntToStr(n) + s end;"
                        "begin ShowMessage(K(3, 'q', 2)) end."),
              "13/106x 6103 3q|");
}

TEST(Calls, VarParametersThroughRecursion)
{
    // The general way (var parameters) through a running procedure: each
    // level adds to the caller's variable and keeps its own n.
    EXPECT_EQ(runPascal("procedure Acc(n: Integer; var total: Integer);"
                        "begin if n > 0 then begin total := total + n; Acc(n - 1, total);"
                        "  ShowMessage(IntToStr(n) + ':' + IntToStr(total)) end end;"
                        "var t: Integer;"
                        "begin t := 100; Acc(3, t); ShowMessage(IntToStr(t)) end."),
              "1:106|2:106|3:106|106|");
}

TEST(Calls, AFailedArgumentLeavesTheCallersFrameAsItWas)
{
    // The inner call's argument cannot become an Integer: the error passes
    // before its body runs, and the caller's parameter and local are intact.
    EXPECT_EQ(runPascal("function G(n: Integer; v: Variant): Integer; var k: Integer;"
                        "begin k := n + 1; Result := n;"
                        "  if n = 1 then begin"
                        "    try G(v, v); except ShowMessage(ExceptionClassName + ' ' + IntToStr(n) + ' ' + IntToStr(k)); end;"
                        "  end;"
                        "end;"
                        "begin ShowMessage(IntToStr(G(1, 'abc'))) end."),
              "EVariantTypeCastError 1 2|1|");
}

TEST(Calls, AnErrorInsideARecursiveCallGivesTheFrameBack)
{
    EXPECT_EQ(runPascal("function E(n: Integer): Integer; var k: String;"
                        "begin k := 'level' + IntToStr(n);"
                        "  if n = 0 then RaiseException('deep');"
                        "  try Result := E(n - 1) except ShowMessage(k + ' ' + IntToStr(n)); RaiseException(ExceptionMessage) end end;"
                        "begin try E(2) except ShowMessage(ExceptionMessage) end end."),
              "level1 1|level2 2|deep|");
}

TEST(Calls, TheHostReenteringWithTheRunningFramesOwnValue)
{
    // A host callback re-enters the running procedure and hands it, as the
    // argument, the running call's parameter itself (in place): the inner
    // call receives that value.
    TestScript t("var Count: Integer;"
                 "function W(n: Integer): Integer;"
                 "begin if Count > 0 then begin Count := Count - 1; Result := Again + 1 end else Result := n end;"
                 "begin end.");
    TscScript* script = &t.script;
    t.script.AddMethodEx("function Again: Integer",
                         [script](TObject*, const TClass*, const std::string&, TscMethodHelper*) {
                             auto* w = static_cast<TscProcVariable*>(script->FindLocal("W"));
                             return w->Invoke(std::span<const Variant>(&w->GetParam(0)->Value, 1));
                         });
    ASSERT_TRUE(t.compile());
    t.script.SetVariable("Count", Variant(2));
    EXPECT_EQ(t.script.CallFunction("W", VarArrayOf({Variant(5)})).toInt(), 7);
}

TEST(Calls, AProcedureReadAsAValueInsideItselfKeepsItsParameters)
{
    // Reading the running procedure without arguments (as a host does with
    // GetValue) runs it with the parameters as they stand.
    TestScript t("var Count: Integer;"
                 "function R(n: Integer): Integer;"
                 "begin if Count > 0 then begin Count := Count - 1; n := n + 1; Result := Self * 10 + n end"
                 "  else Result := n end;"
                 "begin end.");
    TscScript* script = &t.script;
    t.script.AddMethodEx("function Self: Integer",
                         [script](TObject*, const TClass*, const std::string&, TscMethodHelper*) {
                             return static_cast<TscProcVariable*>(script->FindLocal("R"))->GetValue();
                         });
    ASSERT_TRUE(t.compile());
    t.script.SetVariable("Count", Variant(2));
    // R(1): n = 2, inner R sees 2: n = 3, innermost sees 3 and returns 3;
    // 3 * 10 + 3 = 33; 33 * 10 + 2 = 332.
    EXPECT_EQ(t.script.CallFunction("R", VarArrayOf({Variant(1)})).toInt(), 332);
}

TEST(Calls, InsertAtTheEndGrowsTheTextItLendsAndGivesItBackOnFailure)
{
    // The variable lends its text to Insert: the text shared with another
    // variable or with the inserted text stays as it was, and a failing
    // position leaves the variable holding its text.
    EXPECT_EQ(runPascal("var s, t: String; i: Integer; v: Variant;"
                        "begin"
                        "  for i := 1 to 1000 do Insert(Chr(65 + i mod 26), s, Length(s) + 1);"
                        "  ShowMessage(IntToStr(Length(s)) + ' ' + Copy(s, 1, 3) + ' ' + Copy(s, 998, 3));"
                        "  t := 'abc'; Insert(t, t, 10); ShowMessage(t);"
                        "  t := 'abc'; s := t; Insert('x', t, 4); ShowMessage(t + ' ' + s);"
                        "  t := 'abc'; Insert('x', t, 2); Insert('y', t, 0); ShowMessage(t);"
                        "  t := 'abc'; v := 'far'; try Insert('x', t, v); except ShowMessage(ExceptionClassName + ' ' + t) end;"
                        "end."),
              "1000 BCD KLM|abcabc|abcx abc|yaxbc|EVariantTypeCastError abc|");
}

}  // namespace

// ---- global host functions (their own short way: no designator chain)

TEST(HostCalls, ArgumentsResultsAndTheCallersWish)
{
    // A host function sees its arguments, defaults included, whether its
    // caller wants the result, and nothing of the previous call: each
    // argument is let go when the call returns.
    TestScript t("var s: String;"
                 "begin ShowMessage(Peek(1) + Peek(2, 'b') + Peek(3, s + 'c', 4.5) + Peek(Peek(7)));"
                 "  Peek(8) end.");
    std::vector<std::string> seen;
    t.script.AddMethodEx("function Peek(a: Variant; b: String = 'dflt'; c: Variant = 0; d: Variant = 9): String",
                         [&seen](TObject* instance, const TClass*, const std::string& name, TscMethodHelper* c) {
                             std::string line = name + (instance ? " object" : "") + " need " +
                                                std::to_string(c->NeedResult);
                             for (int i = 0; i < c->ParamCount(); ++i) line += " " + VarToStr(c->GetParam(i));
                             seen.push_back(line);
                             return Variant("[" + VarToStr(c->GetParam(0)) + VarToStr(c->GetParam(1)) + "]");
                         });
    ASSERT_TRUE(t.compile()) << t.error();
    t.script.Execute();
    EXPECT_EQ(t.ui.lines, "[1dflt][2b][3c][[7dflt]dflt]|");
    const std::vector<std::string> expected = {
        "PEEK need 1 1 dflt 0 9",   "PEEK need 1 2 b 0 9",    "PEEK need 1 3 c 4.5 9",
        "PEEK need 1 7 dflt 0 9",   "PEEK need 1 [7dflt] dflt 0 9", "PEEK need 0 8 dflt 0 9"};
    EXPECT_EQ(seen, expected);
    TscMethodHelper* peek = static_cast<TscMethodHelper*>(t.script.Find("Peek"));
    for (int i = 0; i < peek->ParamCount(); ++i) EXPECT_TRUE(peek->GetParam(i).isEmpty()) << i;
}

TEST(HostCalls, AFunctionReachedAgainFromItsOwnCallbackKeepsItsArguments)
{
    // Twice's callback runs a script procedure that calls Twice again: the
    // outer call still reads its own argument afterwards.
    TestScript t("function Inner(n: Integer): Integer; begin Result := Twice(n + 100) end;"
                 "begin ShowMessage(IntToStr(Twice(1)) + ' ' + IntToStr(Twice(Twice(2)))) end.");
    TscScript* script = &t.script;
    t.script.AddMethodEx("function Twice(n: Integer): Integer",
                         [script](TObject*, const TClass*, const std::string&, TscMethodHelper* c) {
                             const int n = c->GetParam(0).toInt();
                             if (n == 1) {
                                 auto* inner = static_cast<TscProcVariable*>(script->FindLocal("Inner"));
                                 const Variant args[] = {Variant(5)};
                                 const int fromInner = inner->Invoke(args).toInt();
                                 return Variant(c->GetParam(0).toInt() * 1000 + fromInner);
                             }
                             return Variant(n * 2);
                         });
    ASSERT_TRUE(t.compile()) << t.error();
    t.script.Execute();
    EXPECT_EQ(t.ui.lines, "1210 8|");
}

TEST(HostCalls, AFailingCallLeavesTheFunctionUsable)
{
    TestScript t("var i, n: Integer;"
                 "begin n := 0;"
                 "  for i := 1 to 3 do try n := n + StrToInt(Copy('12x', 1, i)) except n := n + 100 end;"
                 "  ShowMessage(IntToStr(n) + ' ' + IntToStr(StrToInt('7'))) end.");
    EXPECT_EQ(t.run(), "113 7|");
}

// ---- a variable with an Integer constant on its right

TEST(VariableAndConstant, EveryKindOfValueInTheVariable)
{
    // The short way serves Integers only; any other value, a value past
    // the Integer range and a division by a zero constant take the Variant
    // rules as before.
    EXPECT_EQ(runPascal("var v: Variant; i: Integer; b: Boolean;"
                        "begin i := 2147483647; ShowMessage(IntToStr(i + 1) + ' ' + IntToStr(-i - 2) + ' ' +"
                        "  IntToStr(i * 2) + ' ' + IntToStr(i mod 10) + ' ' + IntToStr(i div 7));"
                        "  v := 2.5; ShowMessage(FloatToStr(v + 1) + ' ' + FloatToStr(v * 2) + ' ' + BoolToStr(v > 2));"
                        "  v := '40'; ShowMessage(VarToStr(v + 2) + ' ' + BoolToStr(v = 40) + ' ' + BoolToStr(v < 5));"
                        "  v := Null; b := v = 1; ShowMessage(BoolToStr(b) + ' ' + VarToStr(v + 1) + '.');"
                        "  i := -7; ShowMessage(IntToStr(i mod 3) + ' ' + IntToStr(i div 2) + ' ' + BoolToStr(i <> -7));"
                        "  try i := i mod 0 except ShowMessage(ExceptionClassName) end;"
                        "  try i := i div 0 except ShowMessage(ExceptionClassName) end end."),
              "2147483648 -2147483649 4294967294 7 306783378|3.5 5 -1|42 -1 0|0 .|-1 -3 0|EDivByZero|EDivByZero|");
}

TEST(VariableAndConstant, AReadHookIsStillAsked)
{
    // A variable with a read hook gives the hook's value to every operator.
    TestScript t("var Hooked: Integer;"
                 "begin ShowMessage(IntToStr(Hooked + 1) + ' ' + BoolToStr(Hooked > 40) + ' ' + IntToStr(Hooked mod 5)) end.");
    t.script.OnGetVarValue = [](const std::string& name, TscVarType, const Variant&) {
        return name == "Hooked" ? Variant(42) : Variant::Null();
    };
    EXPECT_EQ(t.run(), "43 -1 2|");
}

TEST(VariableAndConstant, TheCompoundAssignmentAndTheLoopStillTakeIt)
{
    // x := x + 1 still runs as x += 1; a loop counting with the constant
    // forms stops where it should.
    EXPECT_EQ(runPascal("var i, n, k: Integer;"
                        "begin n := 0; k := 0;"
                        "  for i := 1 to 20 do if i mod 3 = 0 then n := n + 1 else if i > 15 then k := k + i;"
                        "  while n < 100 do n := n * 2;"
                        "  ShowMessage(IntToStr(n) + ' ' + IntToStr(k)) end."),
              "192 72|");
}

TEST(VariableAndConstant, AComputedOperandBeforeAConstant)
{
    // The operand is evaluated once, whatever it gives: Integers combine
    // directly, anything else by the Variant rules as before.
    EXPECT_EQ(runPascal("var Calls: Integer;"
                        "function V(k: Integer): Variant;"
                        "begin Calls := Calls + 1;"
                        "  case k of 0: Result := 2147483647; 1: Result := 2.5; 2: Result := '40'; 3: Result := Null;"
                        "  else Result := -7 end end;"
                        "var i: Integer;"
                        "begin for i := 0 to 4 do"
                        "    ShowMessage(VarToStr(V(i) + 1) + ' ' + VarToStr(V(i) * 2) + ' ' + VarToStr(V(i) - 3) + ' ' +"
                        "      BoolToStr(V(i) > 2) + ' ' + BoolToStr(V(i) = 40));"
                        "  ShowMessage(IntToStr((Calls * 3) mod 7) + ' ' + IntToStr(V(0) div 2) + ' ' + IntToStr(V(4) mod 4));"
                        "  try ShowMessage(VarToStr(V(4) div 0)) except ShowMessage(ExceptionClassName) end;"
                        "  ShowMessage(IntToStr(Calls)) end."),
              "2147483648 4294967294 2147483644 -1 0|3.5 5 -0.5 -1 0|41 80 37 -1 -1|   0 0|-6 -14 -10 0 0|"
              "5 1073741823 -3|EDivByZero|28|");
}

TEST(VariableAndConstant, TwoComputedOperands)
{
    // Both operands are evaluated, left first, each once; Integers combine
    // directly (overflow widening, a zero divisor raising), other values by
    // the Variant rules.
    EXPECT_EQ(runPascal("var Trail: String;"
                        "function V(k: Integer): Variant;"
                        "begin Trail := Trail + IntToStr(k);"
                        "  case k of 0: Result := 2147483647; 1: Result := 2.5; 2: Result := '40'; 3: Result := Null;"
                        "  4: Result := 0; else Result := -7 end end;"
                        "begin ShowMessage(VarToStr(V(0) + V(0)) + ' ' + VarToStr(V(0) * V(5)) + ' ' + VarToStr(V(5) - V(0)) + ' ' +"
                        "    VarToStr(V(1) + V(5)) + ' ' + VarToStr(V(2) + V(2)) + ' ' + VarToStr(V(2) - V(5)) + ' [' +"
                        "    VarToStr(V(3) + V(5)) + '] ' + BoolToStr(V(5) < V(0)) + BoolToStr(V(2) = V(2)) + ' ' +"
                        "    VarToStr(V(5) mod V(5)) + ' ' + VarToStr(V(0) div V(5)));"
                        "  try ShowMessage(VarToStr(V(5) mod V(4))) except ShowMessage(ExceptionClassName) end;"
                        "  ShowMessage(Trail) end."),
              "4294967294 -15032385529 -2147483654 -4.5 4040 47 [] -1-1 0 -306783378|EDivByZero|"
              "000550152225355022550554|");
}
