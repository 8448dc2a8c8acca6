// Hostile scripts on a small thread stack and through CallFunction, compile
// inputs that used to backtrack exponentially, memory running out, what
// failing calls and declarations left behind, extreme array bounds, text
// built a piece at a time. (tests/script/hostile holds more, run by CTest.)

#include <gtest/gtest.h>
#include <malloc.h>

#include <exception>
#include <fstream>
#include <iterator>
#include <new>
#include <stdexcept>

#include "AllocCounter.h"
#include "SmallStack.h"
#include "sc_const.h"
#include "sc_ilparser.h"
#include "sc_test_support.h"
#include "sc_tools.h"

namespace {

constexpr const char* kLanguages[] = {"PascalScript", "C++Script", "BasicScript", "JScript"};

// Runs f on a thread of its own with a 256 KB stack; what f throws comes back.
template <class F>
void onSmallStack(F f)
{
    RunOnStack(256 * 1024, f);
}

// Endless recursion of Deep, whose every call nests three host calls
// around the next; caught once, then left uncaught.
std::string recursionScript(const std::string& language)
{
    const std::string call = "Round(Abs(Abs(Abs(Deep(n + 1)))))";
    if (language == "PascalScript")
        return "function Deep(n: Integer): Integer; begin Result := " + call +
               " end; begin try Deep(0) except ShowMessage(ExceptionClassName + ': ' + ExceptionMessage) end; "
               "Deep(0) end.";
    if (language == "C++Script")
        return "int Deep(int n) { return " + call + "; } { try { Deep(0); } except { "
               "ShowMessage(ExceptionClassName + \": \" + ExceptionMessage); } Deep(0); }";
    if (language == "BasicScript")
        return "function Deep(n)\r\nDeep = " + call + "\r\nend function\r\ntry\r\nDeep 0\r\ncatch\r\n"
               "ShowMessage ExceptionClassName & \": \" & ExceptionMessage\r\nend try\r\nDeep 0";
    return "function Deep(n) { return " + call + "; } try { Deep(0); } except { "
           "ShowMessage(ExceptionClassName + \": \" + ExceptionMessage); } Deep(0);";
}

// Bytes the heap holds in use (glibc's count; a sanitizer's allocator keeps
// its own, and its leak check covers those builds).
size_t heapInUse()
{
    return mallinfo2().uordblks;
}

}  // namespace

// ---------------------------------------------------------------- native stack

TEST(StackGuard, RecursionOnASmallStackIsACatchableError)
{
    // The stack runs out long before the call count does.
    for (const char* language : kLanguages) {
        onSmallStack([&] {
            TestScript t(recursionScript(language), language);
            // The overflow names the procedure it happened in.
            EXPECT_EQ(t.run(), "EStackOverflow: Stack overflow in Deep|EStackOverflow: Stack overflow in Deep")
                << language;
        });
    }
}

TEST(StackGuard, CallFunctionThroughHostCallbacksOnASmallStack)
{
    onSmallStack([] {
        // The host calls in, the script calls the host, which calls in again.
        TestScript t("function Deep(n: Integer): Integer; begin Result := Round(Abs(Back(n + 1))) end; "
                     "function Twice(n: Integer): Integer; begin Result := n * 2 end; begin end.");
        TscScript* script = &t.script;
        t.script.AddMethodEx("function Back(n: Integer): Integer",
                             [script](TObject*, const TClass*, const std::string&, TscMethodHelper* c) {
                                 return script->CallFunction("Deep", VarArrayOf({c->GetParam(0)}));
                             });
        ASSERT_TRUE(t.compile()) << t.error();
        EXPECT_THROW(t.script.CallFunction("Deep", VarArrayOf({Variant(0)})), EStackOverflow);
        EXPECT_EQ(t.script.CallFunction("Twice", VarArrayOf({Variant(21)})).toInt(), 42);  // nothing left running
    });
}

TEST(StackGuard, NestingThatFitsALargeStackOnlyIsRefusedOnASmallOne)
{
    // 150 nested calls compile and run on the main thread; on the small one
    // the compiler refuses them. A 3000-term chain is a tree 3000 deep:
    // refused when compiled or when run, but never a crash.
    std::string nested = "1";
    for (int i = 0; i < 150; ++i) nested = "Abs(" + nested + ")";
    const std::string calls = "var x: Extended; begin x := " + nested + "; ShowMessage(FloatToStr(x)) end.";
    std::string chain = "var x: Integer; begin x := 1";
    for (int i = 0; i < 2999; ++i) chain += "+1";
    chain += "; ShowMessage(IntToStr(x)) end.";
    EXPECT_EQ(runPascal(calls), "1|");
    EXPECT_EQ(runPascal(chain), "3000|");
    onSmallStack([&] {
        const std::string refused = runPascal(calls);
        EXPECT_TRUE(refused.starts_with("error: 1:") && refused.ends_with(": Program nested too deeply")) << refused;
        const std::string result = runPascal(chain);
        EXPECT_TRUE(result == "EStackOverflow: Stack overflow" || result == "error: 1:28: Program nested too deeply")
            << result;
    });
}

// ---------------------------------------------------------------- grammar work

TEST(GrammarWork, NestedFailuresStayLinearInEveryLanguage)
{
    // Operators and brackets nested 20 and 40 times and never closed:
    // retrying alternatives at every level used to triple the work a level.
    struct Case {
        const char* language;
        const char* head;
        const char* open;
        const char* tail;
    };
    const Case cases[] = {
        {"PascalScript", "begin x := ", "not (not not (", " 1 end."},
        {"C++Script", "{ x = ", "!(!!(", " 1; }"},
        {"BasicScript", "b = ", "Not ( Not Not ( ", " 1\n"},
        {"JScript", "x = ", "!(!!(", " 1;"},
    };
    scRegisterStandardLanguages();
    for (const Case& c : cases) {
        uint64_t steps[2] = {};
        for (int k = 0; k < 2; ++k) {
            std::string text = c.head;
            for (int i = 0; i < 20 * (k + 1); ++i) text += c.open;
            const TscILResult result = scMakeIL(text + c.tail, c.language);
            EXPECT_FALSE(result.ok) << c.language;
            steps[k] = result.steps;
        }
        EXPECT_LT(steps[1], 3 * steps[0]) << c.language << ": " << steps[0] << " then " << steps[1];
    }
}

TEST(GrammarWork, BasicNotChainsFromTheField)
{
    // 20 levels took minutes; the typo version (a stray comma) too.
    scRegisterStandardLanguages();
    for (const char* name : {"basic_not_paren_20.bas", "basic_not_paren_typo.bas", "basic_not_paren_40.bas"}) {
        std::ifstream in(std::string(SCRIPT_TEST_DATA) + "/hostile/" + name, std::ios::binary);
        ASSERT_TRUE(in) << name;
        const TscILResult result = scMakeIL(std::string(std::istreambuf_iterator<char>(in), {}), "BasicScript");
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
    const TscILResult result = scMakeIL("a a " + std::string(5000, '(') + "a" + std::string(5000, ')'), "DepthTest");
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.errorMsg, "Program nested too deeply");
}

// ---------------------------------------------------------------- memory

TEST(OutOfMemory, IsAScriptErrorThatExceptCatches)
{
    for (const bool tooLong : {false, true}) {
        const auto grow = [tooLong](TObject*, const TClass*, const std::string&, TscMethodHelper*) -> Variant {
            if (tooLong) throw std::length_error("basic_string::_M_create");
            throw std::bad_alloc();
        };
        TestScript caught("begin try Grow except ShowMessage(ExceptionClassName + ': ' + ExceptionMessage) end; "
                          "ShowMessage('on') end.");
        caught.script.AddMethodEx("procedure Grow", grow);
        EXPECT_EQ(caught.run(), "EOutOfMemory: Out of memory|on|");
        // Uncaught: after the finally part, out of Execute and CallFunction.
        TestScript uncaught("procedure P; begin Grow end; begin try Grow finally ShowMessage('finally') end end.");
        uncaught.script.AddMethodEx("procedure Grow", grow);
        EXPECT_EQ(uncaught.run(), "finally|EOutOfMemory: Out of memory");
        EXPECT_THROW(uncaught.script.CallFunction("P"), EOutOfMemory);
    }
}

TEST(Leaks, FailingCallsAndDeclarationsFreeWhatTheyBuilt)
{
    // The first argument (a new text) was built before the second raised.
    TestScript t("function Run(n: Integer): Integer; var i: Integer; s: String; z: Extended; begin "
                 "s := 'yyyy-mm-dd'; z := 0; Result := 0; for i := 1 to n do "
                 "try FormatDateTime(s + IntToStr(i), 1 / z) except Result := Result + 1 end end; begin end.");
    ASSERT_TRUE(t.compile());
    EXPECT_EQ(t.script.CallFunction("Run", VarArrayOf({Variant(100)})).toInt(), 100);  // warm up
    size_t before = heapInUse();
    EXPECT_EQ(t.script.CallFunction("Run", VarArrayOf({Variant(5000)})).toInt(), 5000);
    EXPECT_LT(heapInUse(), before + 20000);  // 40 bytes a call leaked
    // A parameter whose default does not fit, a constant that cannot be
    // computed: each left the item made before the check.
    for (const char* text : {"procedure P(n: Integer = 'text'); begin end; begin end.", "const A = 1 div 0; begin end."}) {
        for (int i = 0; i < 10; ++i) EXPECT_FALSE(TestScript(text).compile());  // warm up
        before = heapInUse();
        for (int i = 0; i < 500; ++i) EXPECT_FALSE(TestScript(text).compile());
        EXPECT_LT(heapInUse(), before + 8000) << text;
    }
}

TEST(ArrayBounds, SizesThatDoNotFitAreCompileErrors)
{
    const std::pair<const char*, const char*> cases[] = {
        {"C++Script", "int b[-2147483648]; { }"},
        {"C++Script", "int b[-1]; { }"},
        {"PascalScript", "var b: array[-2147483648] of Integer; begin end."},
    };
    for (const auto& [language, text] : cases) {
        TestScript t(text, language);
        EXPECT_FALSE(t.compile());
        EXPECT_EQ(t.script.ErrorMsg, "Error creating variant or safe array") << text;
    }
    TestScript empty("int b[0]; { ShowMessage(IntToStr(Length(b))); }", "C++Script");
    EXPECT_EQ(empty.run(), "0|");
}

// ---------------------------------------------------------------- appending text

TEST(Append, GrowsInPlaceWhenTheTextIsNotShared)
{
    TestScript t("function Build(n: Integer): Integer; var i: Integer; s: String; begin "
                 "for i := 1 to n do s := s + 'x'; Result := Length(s) end; begin end.");
    ASSERT_TRUE(t.compile());
    const uint64_t before = AllocationCount();
    EXPECT_EQ(t.script.CallFunction("Build", VarArrayOf({Variant(100000)})).toInt(), 100000);
    EXPECT_LT(AllocationCount() - before, 200u);  // capacity doubles: not one allocation an append

    Variant s(std::string("ab"));
    const Variant shared = s;
    s.appendString("c");
    s.appendString(s.rawString());
    EXPECT_EQ(s.toString(), "abcabc");
    EXPECT_EQ(shared.toString(), "ab");
    Variant empty{std::string()};
    empty.appendString("z");
    EXPECT_EQ(empty.toString(), "z");
}

TEST(Append, CopiesKeepTheirValue)
{
    const std::pair<const char*, const char*> cases[] = {
        {"PascalScript", "var s, t: String; v: Variant; begin s := 'ab'; t := s; s := s + 'c'; s := s + s; "
                         "v := '1'; v := v + 2; ShowMessage(s + ' ' + t + ' ' + VarToStr(v)) end."},
        {"JScript", "var s = \"ab\"; var t = s; s += \"c\"; s = s + s; ShowMessage(s + \" \" + t + \" 3\");"},
    };
    for (const auto& [language, text] : cases) {
        TestScript t(text, language);
        EXPECT_EQ(t.run(), "abcabc ab 3|") << language;  // a number added to text is still arithmetic
    }
}

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

TEST(BasicJoin, AVariableJoinedToItselfGrowsInPlaceAndKeepsTheRules)
{
    // s = s & x is how Basic code builds text: in place, not a copy a step.
    TestScript build("function Build(n)\r\ndim i, s\r\ns = \"\"\r\nfor i = 1 to n\r\ns = s & Chr(65 + i mod 26)\r\n"
                     "next\r\nreturn Length(s)\r\nend function\r\n"
                     "function Grow(n)\r\ndim i, s\r\ns = \"\"\r\nfor i = 1 to n\r\ns = s & \"x\"\r\nnext\r\n"
                     "return Length(s)\r\nend function",
                     "BasicScript");
    ASSERT_TRUE(build.compile());
    EXPECT_EQ(build.script.CallFunction("Build", VarArrayOf({Variant(100000)})).toInt(), 100000);
    const uint64_t before = AllocationCount();
    EXPECT_EQ(build.script.CallFunction("Grow", VarArrayOf({Variant(100000)})).toInt(), 100000);
    EXPECT_LT(AllocationCount() - before, 200u);  // capacity doubles: not one allocation an append

    // The same results as the join anywhere else: numbers and dates become
    // text after text, a number on the left adds, a copy keeps its value.
    const std::pair<const char*, const char*> cases[] = {
        {"s = \"n=\"\r\ns = s & 5\r\ns = s & 2.5\r\ns = s & True\r\nShowMessage s", "n=52.5True|"},
        {"s = \"ab\"\r\nt = s\r\ns = s & \"c\"\r\ns = s & s\r\nShowMessage s & \" \" & t", "abcabc ab|"},
        {"x = 1\r\nx = x & 2\r\nShowMessage x", "3|"},
        {"dim n as integer = 4\r\nn = n & 3\r\nShowMessage n", "7|"},
        {"dim s as string = \"\"\r\ns = s & 7\r\ns = s & s\r\nShowMessage s", "77|"},
        {"s = \"a\"\r\ns = \"b\" & s\r\nShowMessage s", "ba|"},
    };
    for (const auto& [text, expected] : cases) {
        TestScript t(text, "BasicScript");
        EXPECT_EQ(t.run(), expected) << text;
    }
}
