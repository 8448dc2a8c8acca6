// The script object: compile state, running, calling procedures from the
// host, nested scopes, termination, run-line hooks, clearing.

#include <gtest/gtest.h>

#include "Exceptions.h"
#include "sc_const.h"
#include "sc_ilparser.h"
#include "sc_statements.h"
#include "sc_test_support.h"

TEST(ScriptObject, EmptyProgramCompilesWithEmptyErrorState)
{
    TestScript t("begin end.");
    t.script.ErrorMsg = "old";
    t.script.ErrorPos = "9:9";
    ASSERT_TRUE(t.compile());
    EXPECT_EQ(t.script.ErrorMsg, "");
    EXPECT_EQ(t.script.ErrorPos, "");
    EXPECT_NO_THROW(t.script.Execute());
}

TEST(ScriptObject, LanguageLineOverridesSyntaxType)
{
    TestScript t("#language C++Script\r\n{ ShowMessage(\"c\"); }");
    EXPECT_EQ(t.run(), "c|");
}

TEST(ScriptObject, UnknownLanguageRaises)
{
    TestScript t("begin end.", "Cobol");
    EXPECT_THROW(t.compile(), Exception);
}

TEST(ScriptObject, RegisteredVariableRedeclaredByTheScript)
{
    TestScript t("var X: Integer; begin end.");
    t.script.AddVariable("X", "Integer", Variant(1));
    EXPECT_FALSE(t.compile());
    EXPECT_EQ(t.script.ErrorMsg, "Identifier redeclared: 'X'");
    EXPECT_EQ(t.script.ErrorPos, "1:5");
}

TEST(ScriptObject, CompileErrorsLeaveMessageAndPosition)
{
    TestScript t("var a: Integer;\r\nbegin\r\n  a := 1;\r\n  b := 2\r\nend.");
    EXPECT_FALSE(t.compile());
    EXPECT_EQ(t.error(), "4:3: Undeclared identifier: 'b'");
    // A syntax error from the grammar: message and position too.
    TestScript syntax("begin if a b := 1 end.");
    EXPECT_FALSE(syntax.compile());
    EXPECT_EQ(syntax.script.ErrorMsg, "'THEN' expected");
    EXPECT_EQ(syntax.script.ErrorPos, "1:12");
}

TEST(ScriptObject, CallFunctionStoresArgumentsAndIgnoresExtras)
{
    TestScript t("function Add(a, b: Integer): Integer; begin Result := a + b end; begin end.");
    ASSERT_TRUE(t.compile());
    EXPECT_EQ(t.script.CallFunction("Add", VarArrayOf({Variant(2), Variant(3)})).toInt(), 5);
    EXPECT_EQ(t.script.CallFunction("add", VarArrayOf({Variant(4), Variant(5), Variant(99)})).toInt(), 9);
    EXPECT_TRUE(t.script.CallFunction("Missing", Variant::Null()).isNull());
    // A constant is no procedure.
    t.script.AddConst("Max", "Integer", Variant(3));
    EXPECT_TRUE(t.script.CallFunction("Max").isNull());
}

TEST(ScriptObject, CallFunctionVarWritesBackValueParametersToo)
{
    TestScript t("procedure P(a: Integer; var b: Integer); begin a := a * 10; b := b + 1 end; begin end.");
    ASSERT_TRUE(t.compile());
    Variant params = VarArrayOf({Variant(1), Variant(2)});
    t.script.CallFunctionVar("P", params);
    EXPECT_EQ(params.arrayGet(0).toInt(), 10);
    EXPECT_EQ(params.arrayGet(1).toInt(), 3);
}

TEST(ScriptObject, CallFunctionFillsMissingOptionalArguments)
{
    TestScript t("function F(a: Integer; b: Integer = 7): Integer; begin Result := a + b end; begin end.");
    ASSERT_TRUE(t.compile());
    EXPECT_EQ(t.script.CallFunction("F", VarArrayOf({Variant(1)})).toInt(), 8);
    EXPECT_EQ(t.script.CallFunction("F", VarArrayOf({Variant(1), Variant(2)})).toInt(), 3);
    EXPECT_EQ(t.script.CallFunction("F", VarArrayOf({Variant(1)})).toInt(), 8);
}

TEST(ScriptObject, LastRegistrationOfANameWins)
{
    TestScript t("begin ShowMessage(IIF(True, 'a', 'b')) end.");
    t.script.AddMethodEx("function IIF(Cond: Boolean; A, B: Variant): Variant",
                         [](TObject*, const TClass*, const std::string&, TscMethodHelper*) { return Variant("first"); });
    t.script.AddMethodEx("function IIF(Cond: Boolean; A, B: Variant): Variant",
                         [](TObject*, const TClass*, const std::string&, TscMethodHelper* c) {
                             return c->GetParam(0).toBool() ? c->GetParam(1) : c->GetParam(2);
                         });
    EXPECT_EQ(t.run(), "a|");
}

TEST(ScriptObject, ClearItemsKeepsModuleItemsForTheNextCompile)
{
    int report = 0;
    TestScript t;
    t.script.AddedBy = &report;
    t.script.AddVariable("Page", "Integer", Variant(1));
    t.script.AddedBy = nullptr;
    t.script.Lines = {"var x: Integer; begin x := Page; ShowMessage(IntToStr(x)) end."};
    ASSERT_TRUE(t.compile());
    t.script.Execute();
    t.script.ClearItems(&report);
    EXPECT_EQ(t.script.Find("Page"), nullptr);
    EXPECT_NE(t.script.Find("IntToStr"), nullptr);
    t.script.Clear();
    t.script.Lines = {"var x: Integer; begin x := 2; ShowMessage(IntToStr(x)) end."};
    ASSERT_TRUE(t.compile()) << t.error();
    t.script.Execute();
    EXPECT_EQ(t.ui.lines, "1|2|");
}

TEST(ScriptObject, ExecuteResetsFlagsWhenAnExceptionPasses)
{
    TestScript t("begin RaiseException('x') end.");
    ASSERT_TRUE(t.compile());
    EXPECT_THROW(t.script.Execute(), Exception);
    EXPECT_EQ(t.script.IsRunning, 0);
    EXPECT_EQ(t.script.ExitCalled, 0);
    EXPECT_EQ(t.script.Terminated, 0);
}

TEST(ScriptObject, TerminateFromAHostCallbackEndsALongLoop)
{
    TestScript t("var i, n: Integer; begin n := 0; for i := 1 to 1000000 do begin n := n + 1; Tick end; "
                 "ShowMessage('never') end.");
    int ticks = 0;
    TscScript* script = &t.script;
    t.script.AddMethodEx("procedure Tick", [&](TObject*, const TClass*, const std::string&, TscMethodHelper*) {
        if (++ticks == 5) script->Terminate();
        return Variant();
    });
    ASSERT_TRUE(t.compile());
    EXPECT_NO_THROW(t.script.Execute());
    EXPECT_EQ(ticks, 5);
    EXPECT_EQ(t.ui.lines, "");
    EXPECT_EQ(t.script.Find("n")->Value.toInt(), 5);
}

TEST(ScriptObject, TerminateReachesProcedureScopes)
{
    TestScript t("procedure Loop; begin while True do Tick end; begin Loop; ShowMessage('never') end.");
    int ticks = 0;
    TscScript* script = &t.script;
    t.script.AddMethodEx("procedure Tick", [&](TObject*, const TClass*, const std::string&, TscMethodHelper*) {
        if (++ticks == 3) script->Terminate();
        return Variant();
    });
    ASSERT_TRUE(t.compile());
    t.script.Execute();
    EXPECT_EQ(ticks, 3);
    EXPECT_EQ(t.ui.lines, "");
}

TEST(ScriptObject, RunLineReportsEveryStatementToTheNearestHook)
{
    TestScript t("procedure P;\r\nbegin\r\n  ShowMessage('p')\r\nend;\r\nbegin\r\n  P;\r\n  P\r\nend.");
    std::vector<std::string> positions;
    std::vector<TscScript*> senders;
    t.script.OnRunLine = [&](TscScript* sender, const std::string& unit, const std::string& pos) {
        positions.push_back(unit + "|" + pos);
        senders.push_back(sender);
    };
    ASSERT_TRUE(t.compile());
    t.script.Execute();
    EXPECT_EQ(positions, (std::vector<std::string>{"|6:3", "|3:3", "|7:3", "|3:3"}));
    EXPECT_EQ(senders[0], &t.script);
    EXPECT_NE(senders[1], &t.script);  // the procedure's own scope
    EXPECT_EQ(t.script.CodeLines[""], (std::set<int>{3, 6, 7}));
}

TEST(ScriptObject, ProgRunningNamesTheRunningProcedure)
{
    TestScript t("procedure Inner; begin Probe end; begin Probe; Inner end.");
    std::vector<TscScript*> running;
    TscScript* script = &t.script;
    t.script.AddMethodEx("procedure Probe", [&](TObject*, const TClass*, const std::string&, TscMethodHelper*) {
        running.push_back(script->ProgRunning);
        return Variant();
    });
    ASSERT_TRUE(t.compile());
    t.script.Execute();
    ASSERT_EQ(running.size(), 2u);
    EXPECT_EQ(running[0], nullptr);
    EXPECT_EQ(running[1], static_cast<TscProcVariable*>(t.script.Find("Inner"))->Prog.get());
    EXPECT_EQ(t.script.ProgRunning, nullptr);
}

TEST(ScriptObject, VariableValuesFromTheHostHook)
{
    TestScript t;
    t.script.OnGetVarValue = [](const std::string& name, TscVarType, const Variant&) {
        return name == "Page" ? Variant(42) : Variant::Null();
    };
    t.script.AddVariable("Page", "Variant", Variant(1));
    t.script.AddVariable("Other", "Variant", Variant(7));
    t.script.Lines = {"begin ShowMessage(VarToStr(Page) + ' ' + VarToStr(Other)) end."};
    EXPECT_EQ(t.run(), "42 7|");
}

TEST(ScriptObject, UnitsFromTheHost)
{
    TestScript t("uses 'lib.pas'; begin ShowMessage(Twice(21)) end.");
    t.script.OnGetUnit = [](TscScript*, const std::string& name, std::string& text) {
        if (name == "lib.pas") text = "function Twice(n: Integer): String; begin Result := IntToStr(n * 2) end; begin end.";
    };
    EXPECT_EQ(t.run(), "42|");
}

TEST(ScriptObject, ErrorInsideAUnitNamesTheUnit)
{
    TestScript t("uses 'lib.pas'; begin end.");
    t.script.OnGetUnit = [](TscScript*, const std::string&, std::string& text) {
        text = "procedure P; begin x := 1 end; begin end.";
    };
    EXPECT_FALSE(t.compile());
    EXPECT_EQ(t.script.ErrorUnit, "lib.pas");
    EXPECT_EQ(t.error(), "1:20: Undeclared identifier: 'x'");
}

TEST(ScriptObject, ProcedureStateIsRestoredWhenAnExceptionLeavesIt)
{
    TestScript t("procedure Handler(fail: Boolean); begin if fail then RaiseException('boom'); ShowMessage('ran') end; "
                 "begin end.");
    ASSERT_TRUE(t.compile());
    auto* handler = static_cast<TscProcVariable*>(t.script.Find("Handler"));
    EXPECT_THROW(t.script.CallFunction("Handler", VarArrayOf({Variant(true)})), Exception);
    EXPECT_EQ(handler->Executing, 0);
    EXPECT_EQ(handler->Prog->IsRunning, 0);
    t.script.CallFunction("Handler", VarArrayOf({Variant(false)}));
    EXPECT_EQ(t.ui.lines, "ran|");
}

TEST(ScriptObject, HostCallbackReenteringARunningProcedure)
{
    // The callback calls the procedure that is running; the running call's
    // locals and parameters survive, and the inner call sees its own.
    TestScript t("function Walk(n: Integer): String; var mine: String; begin mine := IntToStr(n); "
                 "if n > 0 then Result := mine + Back(n - 1) + mine else Result := '.' end; begin end.");
    TscScript* script = &t.script;
    t.script.AddMethodEx("function Back(n: Integer): String",
                         [script](TObject*, const TClass*, const std::string&, TscMethodHelper* c) {
                             return script->CallFunction("Walk", VarArrayOf({c->GetParam(0)}));
                         });
    ASSERT_TRUE(t.compile());
    EXPECT_EQ(t.script.CallFunction("Walk", VarArrayOf({Variant(3)})).toString(), "321.123");
}

TEST(ScriptObject, DeepRecursionIsACatchableError)
{
    TestScript t("function Down(n: Integer): Integer; begin Result := Down(n + 1) end; begin end.");
    ASSERT_TRUE(t.compile());
    try {
        t.script.CallFunction("Down", VarArrayOf({Variant(0)}));
        FAIL() << "no error";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.className(), "EStackOverflow");
        EXPECT_EQ(e.message(), "Stack overflow in Down");
    }
    // The procedure runs normally again afterwards.
    TestScript ok("function F(n: Integer): Integer; begin if n = 0 then Result := 0 else Result := F(n - 1) + 1 end; "
                  "begin end.");
    ASSERT_TRUE(ok.compile());
    EXPECT_EQ(ok.script.CallFunction("F", VarArrayOf({Variant(scMaxCallDepth - 1)})).toInt(), scMaxCallDepth - 1);
}

TEST(ScriptObject, ReadyIntermediateProgramOfAUnit)
{
    // OnGetILUnit hands over a unit compiled before; its own text is not read.
    // (The test script registers the languages, also when this test runs alone.)
    TestScript t("uses 'half.pas'; begin ShowMessage(IntToStr(Half(84))) end.");
    const TscILResult unit = scMakeIL("function Half(n: Integer): Integer; begin Result := n div 2 end; begin end.",
                                      "PascalScript");
    ASSERT_TRUE(unit.ok);
    bool textAsked = false;
    t.script.OnGetUnit = [&](TscScript*, const std::string&, std::string& text) {
        textAsked = true;
        text = "begin end.";
    };
    t.script.OnGetILUnit = [&](TscScript*, const std::string& name, std::string& il) {
        if (name == "half.pas") il = unit.il;
    };
    EXPECT_EQ(t.run(), "42|");
    EXPECT_TRUE(textAsked);  // the front end still reads the text; the builder takes the ready program
}
