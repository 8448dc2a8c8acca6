// Hostile scripts: nesting that exhausts the native stack (also on a small
// thread and through CallFunction), compile inputs that used to backtrack
// exponentially, memory running out, what failing calls and declarations
// leave behind, extreme array bounds, and text built a piece at a time.

#include <gtest/gtest.h>
#include <malloc.h>
#include <pthread.h>

#include <exception>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>

#include "AllocCounter.h"
#include "Exceptions.h"
#include "sc_const.h"
#include "sc_ilparser.h"
#include "sc_stack.h"
#include "sc_test_support.h"
#include "sc_tools.h"

namespace {

struct Language {
    const char* name;
    const char* extension;
};
constexpr Language kLanguages[] = {
    {"PascalScript", "pas"}, {"C++Script", "cps"}, {"BasicScript", "bas"}, {"JScript", "js"}};

std::string hostile(const std::string& name)
{
    std::ifstream in(std::string(SCRIPT_TEST_DATA) + "/hostile/" + name, std::ios::binary);
    EXPECT_TRUE(in) << name;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs f on a thread of its own with the given stack size; what f throws
// comes back here.
template <class F>
void onStack(size_t bytes, F f)
{
    struct Job {
        F* f;
        std::exception_ptr error;
    } job{&f, nullptr};
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, bytes), 0);
    pthread_t thread;
    const auto body = [](void* p) -> void* {
        auto* j = static_cast<Job*>(p);
        try {
            (*j->f)();
        } catch (...) {
            j->error = std::current_exception();
        }
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, body, &job), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    if (job.error) std::rethrow_exception(job.error);
}

constexpr size_t kSmallStack = 256 * 1024;

// Bytes the heap holds in use (glibc's count; a sanitizer's allocator keeps
// its own, and its leak check covers those builds).
size_t heapInUse()
{
    return mallinfo2().uordblks;
}

}  // namespace

// ---------------------------------------------------------------- native stack

namespace {

// Endless recursion of Deep, whose every call nests `depth` host calls
// around the next, caught once and then left uncaught.
std::string recursionScript(const Language& language, int depth)
{
    std::string call = "Deep(n + 1)";
    for (int i = 0; i < depth; ++i) call = "Abs(" + call + ")";
    call = "Round(" + call + ")";
    const std::string name = language.name;
    if (name == "PascalScript")
        return "function Deep(n: Integer): Integer; begin Result := " + call +
               " end; begin try Deep(0) except ShowMessage(ExceptionClassName + ': ' + ExceptionMessage) end; "
               "Deep(0) end.";
    if (name == "C++Script")
        return "int Deep(int n) { return " + call + "; } { try { Deep(0); } except { "
               "ShowMessage(ExceptionClassName + \": \" + ExceptionMessage); } Deep(0); }";
    if (name == "BasicScript")
        return "function Deep(n)\r\nDeep = " + call + "\r\nend function\r\ntry\r\nDeep 0\r\ncatch\r\n"
               "ShowMessage ExceptionClassName & \": \" & ExceptionMessage\r\nend try\r\nDeep 0";
    return "function Deep(n) { return " + call + "; } try { Deep(0); } except { "
           "ShowMessage(ExceptionClassName + \": \" + ExceptionMessage); } Deep(0);";
}

const std::string kTwiceOverflow = "EStackOverflow: Stack overflow|EStackOverflow: Stack overflow";

}  // namespace

TEST(StackGuard, NestingInsideEndlessRecursionIsACatchableError)
{
    // Thirty host calls or a hundred brackets a call: on a large stack the
    // native stack runs out long before the call count does; on a small one
    // the compiler already refuses the nesting.
    for (const Language& language : kLanguages) {
        for (const char* kind : {"calls", "brackets"}) {
            const std::string text = hostile(std::string("recursion_") + kind + "." + language.extension);
            TestScript main(text, language.name);
            EXPECT_EQ(main.run(), kTwiceOverflow) << language.name << " " << kind;
            onStack(kSmallStack, [&] {
                TestScript small(text, language.name);
                const std::string result = small.run();
                EXPECT_TRUE(result == kTwiceOverflow || result.ends_with(": Program nested too deeply"))
                    << language.name << " " << kind << " on a small stack: " << result;
            });
        }
    }
}

TEST(StackGuard, RecursionOnASmallStack)
{
    for (const Language& language : kLanguages) {
        onStack(kSmallStack, [&] {
            TestScript small(recursionScript(language, 3), language.name);
            EXPECT_EQ(small.run(), kTwiceOverflow) << language.name;
        });
    }
}

TEST(StackGuard, CallFunctionAndHostCallbacksOnASmallStack)
{
    onStack(kSmallStack, [] {
        // The host calls in; the script calls back out to the host, which
        // calls in again: every level crosses host frames too.
        TestScript t("function Deep(n: Integer): Integer; begin Result := Round(Abs(Abs(Abs(Back(n + 1))))) end; "
                     "begin end.");
        TscScript* script = &t.script;
        t.script.AddMethodEx("function Back(n: Integer): Integer",
                             [script](TObject*, const TClass*, const std::string&, TscMethodHelper* c) {
                                 return script->CallFunction("Deep", VarArrayOf({c->GetParam(0)}));
                             });
        ASSERT_TRUE(t.compile()) << t.error();
        EXPECT_THROW(t.script.CallFunction("Deep", VarArrayOf({Variant(0)})), EStackOverflow);
        // Nothing is left running: the next call works normally.
        TestScript ok("function Twice(n: Integer): Integer; begin Result := n * 2 end; begin end.");
        ASSERT_TRUE(ok.compile());
        EXPECT_EQ(ok.script.CallFunction("Twice", VarArrayOf({Variant(21)})).toInt(), 42);
    });
}

TEST(StackGuard, CompilingDeepNestingOnASmallStackIsACompileError)
{
    // Within the engine's depth bound on a large stack, too deep for a small one.
    std::string nested = "1";
    for (int i = 0; i < 150; ++i) nested = "Abs(" + nested + ")";
    const std::string text = "var x: Extended; begin x := " + nested + "; ShowMessage(FloatToStr(x)) end.";
    TestScript main(text);
    EXPECT_EQ(main.run(), "1|");
    onStack(kSmallStack, [&] {
        TestScript small(text);
        EXPECT_FALSE(small.compile());
        EXPECT_EQ(small.script.ErrorMsg, "Program nested too deeply");
    });
}

TEST(StackGuard, LongOperatorChainOnASmallStack)
{
    // A chain of 3000 terms is one tree 3000 deep: a clear error either
    // when it is checked or when it runs, never a crash.
    std::string terms = "1";
    for (int i = 0; i < 2999; ++i) terms += "+1";
    onStack(kSmallStack, [&] {
        const std::string result = runPascal("var x: Integer; begin x := " + terms + "; ShowMessage(IntToStr(x)) end.");
        EXPECT_TRUE(result == "EStackOverflow: Stack overflow" || result == "error: 1:28: Program nested too deeply")
            << result;
    });
}

TEST(StackGuard, ReserveGrowsWithTheStack)
{
    EXPECT_EQ(scStackReserve(64 * 1024), 16u * 1024);
    EXPECT_EQ(scStackReserve(256 * 1024), 64u * 1024);
    EXPECT_EQ(scStackReserve(8 * 1024 * 1024), 256u * 1024);
    EXPECT_FALSE(scStackLow());
}

// ---------------------------------------------------------------- grammar work

TEST(GrammarWork, NestedFailuresStayLinearInEveryLanguage)
{
    // Each input nests an operator and a bracket n times and never closes
    // them; retrying alternatives at every level used to multiply the work.
    struct Case {
        const char* language;
        const char* open;
        const char* head;
        const char* tail;
    };
    const Case cases[] = {
        {"PascalScript", "not (not not (", "begin x := ", " 1 end."},
        {"C++Script", "!(!!(", "{ x = ", " 1; }"},
        {"BasicScript", "Not ( Not Not ( ", "b = ", " 1\n"},
        {"JScript", "!(!!(", "x = ", " 1;"},
    };
    scRegisterStandardLanguages();
    for (const Case& c : cases) {
        uint64_t steps[2] = {};
        for (int k = 0; k < 2; ++k) {
            std::string text = c.head;
            for (int i = 0; i < (k + 1) * 20; ++i) text += c.open;
            text += c.tail;
            const TscILResult result = scMakeIL(text, c.language);
            EXPECT_FALSE(result.ok) << c.language;
            steps[k] = result.steps;
        }
        EXPECT_LT(steps[1], 3 * steps[0]) << c.language << ": " << steps[0] << " then " << steps[1];
    }
}

TEST(GrammarWork, BasicNotChainsFromTheField)
{
    // 20 levels took minutes; the typo version (a stray comma) too.
    for (const char* name : {"basic_not_paren_20.bas", "basic_not_paren_typo.bas", "basic_not_paren_40.bas"}) {
        scRegisterStandardLanguages();
        const TscILResult result = scMakeIL(hostile(name), "BasicScript");
        EXPECT_FALSE(result.ok) << name;
        EXPECT_EQ(result.errorMsg, "')' expected") << name;
        EXPECT_LT(result.steps, 20000u) << name;
    }
}

TEST(GrammarWork, NestingTooDeepOutlastsAnErrorDroppingLoop)
{
    // A loop that drops errors must not turn the depth bound into a
    // silently shorter program.
    scRegisterStandardLanguages();
    scRegisterLanguage("DepthTest",
                       "<?xml version=\"1.0\"?><language><parser/><types/><program><loop skip=\"1\"><item/></loop>"
                       "</program><item><switch><sequence><char text=\"(\"/><item/><char text=\")\"/></sequence>"
                       "<ident/></switch></item></language>");
    const TscILResult result =
        scMakeIL("a a " + std::string(5000, '(') + "a" + std::string(5000, ')'), "DepthTest");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorMsg, "Program nested too deeply");
}

// ---------------------------------------------------------------- memory

namespace {

// A script with a host function that fails as an allocation does.
std::string runWithFailingAllocation(const std::string& text, const std::exception& failure)
{
    TestScript t(text);
    t.script.AddMethodEx("procedure Grow", [&failure](TObject*, const TClass*, const std::string&, TscMethodHelper*) -> Variant {
        if (dynamic_cast<const std::bad_alloc*>(&failure)) throw std::bad_alloc();
        throw std::length_error("basic_string::_M_create");
    });
    return t.run();
}

}  // namespace

TEST(OutOfMemory, IsAScriptErrorThatExceptCatches)
{
    const std::bad_alloc badAlloc;
    const std::length_error tooLong("x");
    for (const std::exception* failure : {static_cast<const std::exception*>(&badAlloc),
                                          static_cast<const std::exception*>(&tooLong)}) {
        EXPECT_EQ(runWithFailingAllocation("begin try Grow except ShowMessage(ExceptionClassName + ': ' + "
                                           "ExceptionMessage) end; ShowMessage('on') end.",
                                           *failure),
                  "EOutOfMemory: Out of memory|on|");
        // Uncaught it leaves Execute as the engine's own error, after a finally part ran.
        EXPECT_EQ(runWithFailingAllocation("begin try Grow finally ShowMessage('finally') end end.", *failure),
                  "finally|EOutOfMemory: Out of memory");
    }
}

TEST(OutOfMemory, LeavesCallFunctionAsEOutOfMemory)
{
    TestScript t("procedure P; begin Grow end; begin end.");
    t.script.AddMethodEx("procedure Grow", [](TObject*, const TClass*, const std::string&, TscMethodHelper*) -> Variant {
        throw std::bad_alloc();
    });
    ASSERT_TRUE(t.compile());
    EXPECT_THROW(t.script.CallFunction("P"), EOutOfMemory);
}

// ---------------------------------------------------------------- leaks

TEST(Leaks, ArgumentsOfACallWhoseLaterArgumentFails)
{
    // The first argument (a new text) is built before the second raises.
    TestScript t("function Run(n: Integer): Integer; var i: Integer; s: String; z: Extended; begin "
                 "s := 'yyyy-mm-dd'; z := 0; Result := 0; for i := 1 to n do "
                 "try FormatDateTime(s + IntToStr(i), 1 / z) except Result := Result + 1 end end; begin end.");
    ASSERT_TRUE(t.compile());
    EXPECT_EQ(t.script.CallFunction("Run", VarArrayOf({Variant(100)})).toInt(), 100);  // warm up
    const size_t before = heapInUse();
    EXPECT_EQ(t.script.CallFunction("Run", VarArrayOf({Variant(5000)})).toInt(), 5000);
    EXPECT_LT(heapInUse(), before + 20000);  // 40 bytes a call leaked before
}

TEST(Leaks, FailedDeclarationsFreeWhatTheyBuilt)
{
    // A parameter whose default does not fit, a constant that cannot be
    // computed: each used to leave the item made before the check.
    const char* const texts[] = {"procedure P(n: Integer = 'text'); begin end; begin end.",
                                 "const A = 1 div 0; begin end."};
    for (const char* text : texts) {
        for (int i = 0; i < 10; ++i) EXPECT_FALSE(TestScript(text).compile());  // warm up
        const size_t before = heapInUse();
        for (int i = 0; i < 500; ++i) EXPECT_FALSE(TestScript(text).compile());
        EXPECT_LT(heapInUse(), before + 8000) << text;
    }
}

// ---------------------------------------------------------------- bounds

TEST(ArrayBounds, SizesThatDoNotFitAreCompileErrors)
{
    struct Case {
        const char* language;
        const char* text;
        const char* expected;
    };
    const Case cases[] = {
        {"C++Script", "int b[-2147483648]; { }", "Error creating variant or safe array"},
        {"C++Script", "int b[-1]; { }", "Error creating variant or safe array"},
        {"PascalScript", "var b: array[-2147483648] of Integer; begin end.", "Error creating variant or safe array"},
        {"C++Script", "int b[0]; { ShowMessage(IntToStr(Length(b))); }", ""},
    };
    for (const Case& c : cases) {
        TestScript t(c.text, c.language);
        EXPECT_EQ(t.compile() ? std::string() : t.script.ErrorMsg, c.expected) << c.text;
    }
}

// ---------------------------------------------------------------- appending text

TEST(Append, GrowsInPlaceWhenTheTextIsNotShared)
{
    TestScript t("function Build(n: Integer): Integer; var i: Integer; s: String; begin "
                 "for i := 1 to n do s := s + 'x'; Result := Length(s) end; begin end.");
    ASSERT_TRUE(t.compile());
    const uint64_t before = AllocationCount();
    EXPECT_EQ(t.script.CallFunction("Build", VarArrayOf({Variant(100000)})).toInt(), 100000);
    // Doubling capacity: a few dozen allocations, not one per append.
    EXPECT_LT(AllocationCount() - before, 200u);
}

TEST(Append, CopiesKeepTheirValueInEveryLanguage)
{
    const std::pair<const char*, const char*> cases[] = {
        {"PascalScript", "var s, t: String; v: Variant; begin s := 'ab'; t := s; s := s + 'c'; s := s + s; "
                         "v := 'x'; v := v + 'y'; ShowMessage(s + ' ' + t + ' ' + v) end."},
        {"C++Script", "String s, t; { s = \"ab\"; t = s; s += \"c\"; s = s + s; ShowMessage(s + \" \" + t); }"},
        {"BasicScript", "s = \"ab\"\r\nt = s\r\ns = s + \"c\"\r\ns = s + s\r\nShowMessage s & \" \" & t"},
        {"JScript", "var s = \"ab\"; var t = s; s += \"c\"; s = s + s; ShowMessage(s + \" \" + t);"},
    };
    const std::string expected[] = {"abcabc ab xy|", "abcabc ab|", "abcabc ab|", "abcabc ab|"};
    for (size_t i = 0; i < std::size(cases); ++i) {
        TestScript t(cases[i].second, cases[i].first);
        EXPECT_EQ(t.run(), expected[i]) << cases[i].first;
    }
    // A number added to a text is still arithmetic, not a join.
    EXPECT_EQ(runPascal("var v: Variant; begin v := '1'; v := v + 2; ShowMessage(VarToStr(v)) end."), "3|");
}

TEST(Append, VariantAppendString)
{
    Variant s(std::string("ab"));
    const Variant shared = s;
    s.appendString("c");
    EXPECT_EQ(s.toString(), "abc");
    EXPECT_EQ(shared.toString(), "ab");
    s.appendString(s.rawString());
    EXPECT_EQ(s.toString(), "abcabc");
    Variant empty{std::string()};
    empty.appendString("");
    EXPECT_EQ(empty.toString(), "");
    empty.appendString("z");
    EXPECT_EQ(empty.toString(), "z");
}

// ---------------------------------------------------------------- BasicScript &

TEST(BasicJoin, JoinsWhenTheLeftValueIsTextAndAddsOtherwise)
{
    const std::pair<const char*, const char*> cases[] = {
        {"ShowMessage \"n=\" & 5 & \"!\"", "n=5!|"},
        {"x = 1 & 2\r\nShowMessage x", "3|"},
        {"dim n as integer = 4\r\nShowMessage n & 3", "7|"},
        {"v = \"4\"\r\nShowMessage v & 3", "43|"},
    };
    for (const auto& [text, expected] : cases) {
        TestScript t(text, "BasicScript");
        EXPECT_EQ(t.run(), expected) << text;
    }
}
