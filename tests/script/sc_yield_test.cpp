// A script that never lets its host in on its own: the host's function of
// a TscYieldScope still runs while it loops or recurses, on the host's own
// thread only, never inside itself, and may terminate the script.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "sc_test_support.h"
#include "sc_yield.h"

namespace {

using std::chrono::milliseconds;

// Compiles `text`; the host stops it on its third turn.
struct Stoppable {
    TestScript t;
    int turns = 0;
    explicit Stoppable(const std::string& text, const std::string& language = "PascalScript") : t(text, language)
    {
        EXPECT_TRUE(t.compile()) << t.error();
    }
    void host()
    {
        if (++turns == 3) t.script.Terminate();
    }
};

}  // namespace

TEST(ScriptYield, EveryKindOfEndlessRunLetsTheHostInAndTheHostCanStopIt)
{
    const char* const pascal[] = {
        "begin while True do ; end.",
        "begin repeat until False; end.",
        "var i: Integer; begin for i := 1 to 2000000000 do ; end.",
        // A procedure that loops, called from the main block.
        "procedure Spin; begin while True do ; end; begin Spin; ShowMessage('after'); end.",
        // Recursion without a loop: fib(60) takes years; once terminated
        // every pending call ends instead of starting afresh.
        "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else Result := Fib(n - 1) + "
        "Fib(n - 2); end; begin Fib(60); end.",
    };
    for (const char* text : pascal) {
        Stoppable s(text);
        TscYieldScope scope([&] { s.host(); }, milliseconds(1));
        s.t.script.Execute();
        EXPECT_EQ(s.turns, 3) << text;
        EXPECT_EQ(s.t.ui.lines, "") << text;
    }
    Stoppable js("for (;;) { }", "JScript");
    TscYieldScope scope([&] { js.host(); }, milliseconds(1));
    js.t.script.Execute();
    EXPECT_EQ(js.turns, 3);
}

TEST(ScriptYield, TheHostIsNotCalledInsideItselfNorOnAnotherThread)
{
    // The host runs a script of its own that loops a while: it is not
    // entered again from there.
    TestScript inner("var i, n: Integer; begin for i := 1 to 3000000 do n := n + 1; end.");
    ASSERT_TRUE(inner.compile()) << inner.error();
    Stoppable s("begin while True do ; end.");
    int depth = 0, deepest = 0;
    TscYieldScope scope(
        [&] {
            ++depth;
            deepest = std::max(deepest, depth);
            inner.script.Execute();
            s.host();
            --depth;
        },
        milliseconds(1));
    s.t.script.Execute();
    EXPECT_EQ(deepest, 1);

    // A script on another thread never calls this thread's host.
    int calls = 0;
    TscYieldScope counting([&] { ++calls; }, milliseconds(0));
    std::thread other([] { EXPECT_EQ(runPascal("var i: Integer; begin for i := 1 to 3000000 do ; end."), ""); });
    other.join();
    EXPECT_EQ(calls, 0);
}

TEST(ScriptYield, ATerminatedRecursionLeavesTheProcedureUsableAfterwards)
{
    Stoppable s("function Fib(n: Integer): Integer; begin if n < 2 then Result := n else Result := Fib(n - 1) + "
                "Fib(n - 2); end; begin Fib(60); end.");
    {
        TscYieldScope scope([&] { s.host(); }, milliseconds(1));
        s.t.script.Execute();
    }
    // Called again by the host, it runs whole.
    EXPECT_EQ(s.t.script.CallFunction("Fib", VarArrayOf({Variant(20)})).toInt(), 6765);
}
