// The interpreter's workloads written in each of the four script languages:
// a 10-million-iteration arithmetic loop inside a function, recursive
// fib(30), one million string builds, one million host function calls and
// one million evaluations of a compiled report expression through
// CallFunction. The same engine runs them all, so their times should stay
// close; after the Google Benchmark output a table gives each language's
// best time and its ratio to PascalScript's.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sc_classes.h"
#include "sc_interpreter.h"
#include "sc_tools.h"

namespace {

using Clock = std::chrono::steady_clock;

enum Workload { Loop, Fib, Strings, HostCall, ExprCalc, WorkloadCount };
enum Language { Pascal, Cpp, Basic, JScript, LanguageCount };

const char* const kWorkloadNames[] = {"loop 10M", "fib(30)", "1M string builds", "1M host calls", "1M CallFunction"};
const char* const kLanguageNames[] = {"PascalScript", "C++Script", "BasicScript", "JScript"};
// The best of several runs: the machine may be busy with other work.
const int kIterations[] = {5, 5, 8, 10, 8};
const char* const kEntry[] = {"Arith", "Fib", "Strings", "HostCall", "rpf0"};

// The same programs, statement for statement, in the four languages.
const char* const kSources[LanguageCount][WorkloadCount] = {
    {
        "function Arith: Integer; var i, s: Integer; begin s := 0; for i := 1 to 10000000 do "
        "s := s + (i * 3) mod 7; Result := s; end; begin end.",
        "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else "
        "Result := Fib(n - 1) + Fib(n - 2); end; begin end.",
        "function Strings: Integer; var i, n: Integer; s: String; begin n := 0; for i := 1 to 1000000 do begin "
        "s := 'abc' + IntToStr(i); n := n + Length(s); end; Result := n; end; begin end.",
        "function HostCall: String; var i: Integer; s, t: String; begin t := 'abcdefgh'; for i := 1 to 1000000 do "
        "s := Copy(t, 2, 3); Result := s; end; begin end.",
        "function rpf0: Variant; begin Result := <ds.\"dj\">*<ds.\"sl\"> end; begin end.",
    },
    {
        "int Arith() { int i, s = 0; for (i = 1; i <= 10000000; i++) s = s + (i * 3) % 7; return s; } {}",
        "int Fib(int n) { if (n < 2) return n; else return Fib(n - 1) + Fib(n - 2); } {}",
        "int Strings() { int i, n = 0; String s; for (i = 1; i <= 1000000; i++) { s = \"abc\" + IntToStr(i); "
        "n = n + Length(s); } return n; } {}",
        "String HostCall() { int i; String s, t = \"abcdefgh\"; for (i = 1; i <= 1000000; i++) s = Copy(t, 2, 3); "
        "return s; } {}",
        "Variant rpf0() { return <ds.\"dj\">*<ds.\"sl\">; } {}",
    },
    {
        "function Arith as integer\r\n  dim i, s as integer\r\n  s = 0\r\n  for i = 1 to 10000000\r\n"
        "    s = s + (i * 3) mod 7\r\n  next\r\n  return s\r\nend function",
        "function Fib(n as integer) as integer\r\n  if n < 2 then return n else return Fib(n - 1) + Fib(n - 2)\r\n"
        "end function",
        "function Strings as integer\r\n  dim i, n as integer\r\n  dim s as string\r\n  n = 0\r\n"
        "  for i = 1 to 1000000\r\n    s = \"abc\" & IntToStr(i)\r\n    n = n + Length(s)\r\n  next\r\n"
        "  return n\r\nend function",
        "function HostCall as string\r\n  dim i as integer\r\n  dim s, t as string\r\n  t = \"abcdefgh\"\r\n"
        "  for i = 1 to 1000000\r\n    s = Copy(t, 2, 3)\r\n  next\r\n  return s\r\nend function",
        "function rpf0\r\nreturn <ds.\"dj\">*<ds.\"sl\">\r\nend function",
    },
    {
        "function Arith() { var s = 0; for (var i = 1; i <= 10000000; i++) s = s + (i * 3) % 7; return s; }",
        "function Fib(n) { if (n < 2) return n; else return Fib(n - 1) + Fib(n - 2); }",
        "function Strings() { var n = 0, s; for (var i = 1; i <= 1000000; i++) { s = \"abc\" + IntToStr(i); "
        "n = n + Length(s); } return n; }",
        "function HostCall() { var s, t = \"abcdefgh\"; for (var i = 1; i <= 1000000; i++) s = Copy(t, 2, 3); "
        "return s; }",
        "function rpf0() { return <ds.\"dj\">*<ds.\"sl\">; }",
    },
};

// Best seconds per run of each workload and language (0: not measured).
double best[WorkloadCount][LanguageCount] = {};

// The stub the report's Get stands for: a field value by name.
double fieldValue(const std::string& name)
{
    return name.size() > 4 && name[4] == 'd' ? 12.5 : 3;
}

void run(benchmark::State& state, Workload w, Language l)
{
    scRegisterStandardLanguages();
    TscScript script;
    script.SyntaxType = kLanguageNames[l];
    script.AddRTTI();
    script.AddMethodEx("function Get(Name: String): Variant",
                       [](TObject*, const TClass*, const std::string&, TscMethodHelper* caller) {
                           return Variant(fieldValue(caller->GetParam(0).toString()));
                       });
    script.Lines = {kSources[l][w]};
    if (!script.Compile()) {
        state.SkipWithError((script.ErrorPos + ": " + script.ErrorMsg).c_str());
        return;
    }
    script.Execute();
    const std::vector<Variant> fibArgument{Variant(30)};
    const std::span<const Variant> args = w == Fib ? std::span<const Variant>(fibArgument) : std::span<const Variant>();
    const int calls = w == ExprCalc ? 1000000 : 1;
    Variant last;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (int i = 0; i < calls; ++i) last = script.CallFunction(kEntry[w], args);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        double& slot = best[w][l];
        if (slot == 0 || seconds < slot) slot = seconds;
        benchmark::DoNotOptimize(last);
    }
    state.counters["result"] = last.isNumeric() ? last.toDouble() : static_cast<double>(last.toString().size());
}

void registerAll()
{
    for (int w = 0; w < WorkloadCount; ++w)
        for (int l = 0; l < LanguageCount; ++l) {
            const std::string name = std::string("BM_") + kEntry[w] + "/" + kLanguageNames[l];
            benchmark::RegisterBenchmark(name.c_str(), [w, l](benchmark::State& state) {
                run(state, static_cast<Workload>(w), static_cast<Language>(l));
            })->Unit(benchmark::kMillisecond)->Iterations(kIterations[w]);
        }
}

void printTable()
{
    std::printf("\n%-20s", "workload");
    for (const char* name : kLanguageNames) std::printf(" %14s", name);
    std::printf(" %10s\n", "max/min");
    for (int w = 0; w < WorkloadCount; ++w) {
        std::printf("%-20s", kWorkloadNames[w]);
        double low = 0, high = 0;
        for (int l = 0; l < LanguageCount; ++l) {
            const double t = best[w][l];
            if (t > 0) {
                low = low == 0 ? t : std::min(low, t);
                high = std::max(high, t);
            }
            if (l == Pascal || best[w][Pascal] == 0)
                std::printf(" %11.1f ms", t * 1000);
            else
                std::printf(" %6.1f (%4.2f)", t * 1000, t / best[w][Pascal]);
        }
        std::printf(" %10.2f\n", low > 0 ? high / low : 0.0);
    }
    std::printf("(in parentheses: the time relative to PascalScript's)\n");
}

}  // namespace

int main(int argc, char** argv)
{
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printTable();
    return 0;
}
