// Registration modules and the system module: the module order, the
// registrations with their exact syntax lines, and the functions' edge
// cases; the numeric paths run without heap allocations.

#include <gtest/gtest.h>

#include <map>

#include "../platform/AllocCounter.h"
#include "SysUtils.h"
#include "Exceptions.h"
#include "sc_classes.h"
#include "sc_test_support.h"

namespace {

std::vector<std::string>* order = nullptr;

template <int N>
class OrderModule : public TscRTTIModule {
public:
    explicit OrderModule(TscScript* script) : TscRTTIModule(script)
    {
        if (order) order->push_back(std::to_string(N) + (script->Find("IntToStr") ? "+sys" : ""));
    }
};

}  // namespace

TEST(Modules, ScriptsSeeTheModulesInTheirFixedOrder)
{
    std::vector<std::string> seen;
    order = &seen;
    TscRTTIModuleList* list = scRTTIModules();
    list->Add(scpForms, "forms", &scModuleFactory<OrderModule<6>>);
    list->Add(scpClasses, "classes", &scModuleFactory<OrderModule<3>>);
    list->Add(scpReport, "report", &scModuleFactory<OrderModule<7>>);
    {
        TscScript script;
        script.AddRTTI();
        script.AddRTTI();  // once per script
        EXPECT_EQ(script.RTTIAdded, 1);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"3+sys", "6+sys", "7+sys"}));
    // A module taken off the list is not made for later scripts.
    list->Remove("forms");
    seen.clear();
    {
        TscScript script;
        script.AddRTTI();
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"3+sys", "7+sys"}));
    list->Remove("classes");
    list->Remove("report");
    order = nullptr;
    ASSERT_EQ(list->Entries().size(), 1u);
    EXPECT_EQ(list->Entries()[0].name, "TscSysFunctions");
}

TEST(SystemModule, RegistrationsAndCategories)
{
    TscScript script;
    script.AddRTTI();
    std::map<std::string, int> perCategory;
    int functions = 0;
    for (int i = 0; i < script.Count(); ++i) {
        TscCustomVariable* item = script.Items(i);
        if (item->ItemKind != ikMethod) continue;
        auto* method = static_cast<TscMethodHelper*>(item);
        ++perCategory[method->Category];
        ++functions;
        EXPECT_EQ(method->Description, method->Name);
        EXPECT_EQ(method->AddedBy, scModuleOwner);
    }
    EXPECT_EQ(functions, 68);
    EXPECT_EQ(perCategory, (std::map<std::string, int>{{"ctConv", 14}, {"ctFormat", 4}, {"ctDate", 10},
                                                        {"ctString", 14}, {"ctMath", 13}, {"ctOther", 13}}));
    const auto syntax = [&](const char* name) { return static_cast<TscMethodHelper*>(script.Find(name))->Syntax; };
    EXPECT_EQ(syntax("BoolToStr"), "function BoolToStr(B: Boolean): string;");
    EXPECT_EQ(syntax("StrToBool"), "function StrToBool(const S: string): Boolean;");
    EXPECT_EQ(syntax("StrToInt64"), "function StrToInt64(s: String): Integer");
    EXPECT_EQ(syntax("Int"), "function Int(e: Extended): Integer");
    EXPECT_EQ(script.Find("Inc")->GetParam(0)->IsVarParam, 1);
    EXPECT_EQ(script.Find("Inc")->GetParam(1)->DefValue.toInt(), 1);
    EXPECT_EQ(script.Find("Integer")->Typ, fvtInt);
    EXPECT_EQ(script.Find("TDateTime")->Typ, fvtFloat);
    EXPECT_EQ(script.Find("Pointer")->Typ, fvtVariant);
    EXPECT_EQ(script.Find("Constructor")->Typ, fvtConstructor);
    EXPECT_EQ(script.Find("varByRef")->Value.toInt(), 16384);
    EXPECT_EQ(script.Find("varString")->Value.toInt(), 256);
    EXPECT_TRUE(script.Find("Null")->Value.isNull());
    EXPECT_EQ(script.Find("nil")->Value.toInt(), 0);
    EXPECT_EQ(script.Find("ExceptionMessage")->Typ, fvtString);
}

TEST(SystemModule, ResultsTheScriptsRelyOn)
{
    EXPECT_EQ(runPascal("begin ShowMessage(BoolToStr(True) + BoolToStr(False) + BoolToStr(StrToBool('tRuE'))) end."),
              "-10-1|");
    EXPECT_EQ(runPascal("begin ShowMessage(IntToStr(Round(2.5)) + IntToStr(Round(3.5)) + IntToStr(Round(-2.5)) + "
                        "IntToStr(Round(-0.5)) + IntToStr(Trunc(-2.7)) + ' ' + FloatToStr(Int(-2.7)) + ' ' + "
                        "FloatToStr(Frac(-2.7))) end."),
              "24-20-2 -2 -0.7|");
    EXPECT_EQ(runPascal("begin ShowMessage(NameCase('hELLO wORLD') + '|' + NameCase('a-b c')) end."), "Hello World|A-b C|");
    EXPECT_EQ(runPascal("begin ShowMessage(IntToStr(DaysInMonth(2000, 2)) + IntToStr(DaysInMonth(1900, 2)) + "
                        "IntToStr(DaysInMonth(2023, 4)) + IntToStr(DayOfWeek(EncodeDate(2024, 3, 10)))) end."),
              "2928301|");
    EXPECT_EQ(runPascal("var a: array[5] of Integer; begin ShowMessage(IntToStr(Length(a)) + IntToStr(Length('')) + "
                        "Copy('abc', 2, 10) + IntToStr(Pos('x', 'abc'))) end."),
              "50bc0|");
    EXPECT_EQ(runPascal("var i: Integer; begin i := 1; Inc(i); Inc(i, -3); ShowMessage(IntToStr(i)) end."), "-1|");
    EXPECT_EQ(runPascal("begin ShowMessage(FloatToStr(105.0) + ' ' + FloatToStr(0.1 + 0.2) + ' ' + FloatToStr(1e15) + "
                        "' ' + FloatToStr(0.00001)) end."),
              "105 0.3 1E15 1E-5|");
    EXPECT_EQ(runPascal("begin ShowMessage(FormatDateTime('yyyy-mm-dd-HHMMSS', EncodeDate(2024, 3, 7) + "
                        "EncodeTime(14, 5, 9, 0)) + ' ' + FormatFloat('0.00', 0.125)) end."),
              "2024-03-07-140509 0.13|");
    EXPECT_EQ(runPascal("begin ShowMessage(IntToStr(Round(3e9))) end."), "ERangeError: Range check error");
    EXPECT_EQ(runPascal("var d: Variant; begin d := Date; ShowMessage(BoolToStr(ValidInt('12x')) + "
                        "BoolToStr(ValidFloat('1.5')) + BoolToStr(ValidDate(d))) end."),
              "0-1-1|");
    EXPECT_EQ(runPascal("var s: String; begin s := 'ab'; SetLength(s, 4); ShowMessage(IntToStr(Length(s)) + "
                        "IntToStr(Ord(Copy(s, 3, 1)))) end."),
              "40|");
}

TEST(SystemModule, UppercaseChangesLettersOnly)
{
    EXPECT_EQ(runPascal("begin ShowMessage(Uppercase('ａα中b') + Lowercase('ΑB')) end."), "Ａ\xCE\x91中Bαb|");
}

TEST(SystemModule, CaseOfEveryAsciiCharacterInEveryPlaceOfAWord)
{
    // Plain ASCII text changes eight bytes at a time: each printable
    // character at each of eight places (the bytes beside the letters, '@',
    // '[', '`' and '{', stay), then text that turns non-ASCII after a whole
    // word of ASCII, which must come out whole.
    std::string ascii, upper, lower;
    for (int c = 32; c < 127; ++c) {
        ascii += static_cast<char>(c);
        upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    }
    std::string program = "begin";
    std::string expected;
    for (int shift = 0; shift < 8; ++shift) {
        std::string text = ascii.substr(shift) + ascii.substr(0, shift);
        std::string quoted;
        for (const char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
        program += " ShowMessage(Uppercase('" + quoted + "') + Lowercase('" + quoted + "'));";
        expected += upper.substr(shift) + upper.substr(0, shift) + lower.substr(shift) + lower.substr(0, shift) + "|";
    }
    program += " ShowMessage(Uppercase('abcdefghij\xC3\xA9kl') + Lowercase('ABCDEFGH\xC3\x89IJ') + Uppercase('abcdefg'));";
    expected += "ABCDEFGHIJ\xC3\x89KLabcdefgh\xC3\xA9ijABCDEFG|";
    EXPECT_EQ(runPascal(program + " end."), expected);
}

TEST(SystemModule, DatesComeFromTheInjectedClock)
{
    SetClock([] { return EncodeDate(2024, 3, 7) + EncodeTime(8, 30, 0, 0); });
    const std::string output = runPascal("begin ShowMessage(DateTimeToStr(Now) + ' ' + DateToStr(Date) + ' ' + "
                                         "TimeToStr(Time)) end.");
    SetClock(nullptr);
    EXPECT_EQ(output, "2024-03-07 08:30:00 2024-03-07 08:30:00|");
}

TEST(SystemModule, FormatPassesLongStringsWhole)
{
    EXPECT_EQ(runPascal("var s: String; i: Integer; begin for i := 1 to 400 do s := s + 'x'; "
                        "ShowMessage(IntToStr(Length(Format('[%s]', [s])))) end."),
              "402|");
}

TEST(NumericPaths, NoHeapAllocationPerEvaluation)
{
    TestScript t("var i, s: Integer; e: Extended; function Calc(a, b: Variant): Variant; begin Result := a * b + 1 end; "
                 "function Loop: Integer; begin s := 0; for i := 1 to 1000 do begin s := s + (i * 3) mod 7; "
                 "e := e + i / 2 end; Result := s end; begin end.");
    ASSERT_TRUE(t.compile());
    const Variant args[] = {Variant(12.5), Variant(3)};
    t.script.CallFunction("Calc", std::span<const Variant>(args));
    t.script.CallFunction("Loop", std::span<const Variant>());
    const uint64_t before = AllocationCount();
    for (int n = 0; n < 100; ++n) t.script.CallFunction("Calc", std::span<const Variant>(args));
    t.script.CallFunction("Loop", std::span<const Variant>());
    EXPECT_EQ(AllocationCount() - before, 0u);
}
