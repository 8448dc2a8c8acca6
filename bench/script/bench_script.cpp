// Compiling scripts: a 2,000-line PascalScript program and 100 distinct
// one-line report expressions (as the expression cache wraps them), to the
// intermediate program and all the way to statements. Lua 5.4 and Duktape
// compile the same programs, written in their languages, in the same run;
// the peers report the ratio "scil_per_peer" (our time to the intermediate
// program divided by theirs). The interpreter's workloads are in
// bench_interp.cpp.

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

#include "sc_classes.h"
#include "sc_ilparser.h"
#include "sc_interpreter.h"
#include "sc_tools.h"

#ifdef SCRIPT_BENCH_LUA
extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}
#endif
#ifdef SCRIPT_BENCH_DUKTAPE
#include <duktape.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Seconds per iteration of our own runs, for the peers' ratios.
double ownProgramSeconds = 0;
double ownExpressionSeconds = 0;

enum class Lang { Pascal, Lua, JS };

std::string num(int n) { return std::to_string(n); }

// The same function in three languages: loops, conditions, calls, strings.
std::string function(Lang lang, int k)
{
    const std::string K = num(k);
    switch (lang) {
    case Lang::Pascal:
        return "function F" + K + "(a, b: Integer): Integer;\n"
               "var i, s: Integer;\n"
               "begin\n"
               "  s := 0;\n"
               "  for i := a to b do\n"
               "  begin\n"
               "    if (i mod 3 = 0) or (i > b div 2) then s := s + i * 2 - 1\n"
               "    else s := s - Max(i, a + " + K + ");\n"
               "  end;\n"
               "  while s > 1000 do s := s div 2;\n"
               "  Result := s + Length('text " + K + "');\n"
               "end;\n";
    case Lang::Lua:
        return "function F" + K + "(a, b)\n"
               "  local s = 0\n"
               "  for i = a, b do\n"
               "    if (i % 3 == 0) or (i > b // 2) then s = s + i * 2 - 1\n"
               "    else s = s - Max(i, a + " + K + ") end\n"
               "  end\n"
               "  while s > 1000 do s = s // 2 end\n"
               "  return s + string.len('text " + K + "')\n"
               "end\n";
    case Lang::JS:
        return "function F" + K + "(a, b) {\n"
               "  var s = 0;\n"
               "  for (var i = a; i <= b; i++) {\n"
               "    if ((i % 3 == 0) || (i > b / 2)) s = s + i * 2 - 1;\n"
               "    else s = s - Max(i, a + " + K + ");\n"
               "  }\n"
               "  while (s > 1000) s = s / 2;\n"
               "  return s + 'text " + K + "'.length;\n"
               "}\n";
    }
    return {};
}

// 2,000 lines of PascalScript (166 functions of 12 lines and a main block);
// the peers get the same functions.
std::string program(Lang lang)
{
    std::string text;
    const int functions = 166;
    for (int k = 0; k < functions; ++k) text += function(lang, k);
    if (lang == Lang::Pascal) {
        text += "begin\n";
        for (int k = 0; k < 6; ++k) text += "  x := F" + num(k) + "(1, 10);\n";
        text += "end.\n";
    }
    return text;
}

std::string expression(Lang lang, int i)
{
    const std::string I = num(i);
    switch (lang) {
    case Lang::Pascal:
        return "function rpf" + I + ": Variant; begin Result := <Orders.\"Amount\"> * " + I +
               " + Length(Copy('abc', 1, " + I + ")) end; begin end.";
    case Lang::Lua: return "return Get('Orders.Amount') * " + I + " + string.len(string.sub('abc', 1, " + I + "))";
    case Lang::JS: return "(function () { return Get('Orders.Amount') * " + I + " + 'abc'.substr(0, " + I + ").length; })";
    }
    return {};
}

bool compilePascal(const std::string& text)
{
    TscScript script;
    script.ExtendedCharset = 1;
    TscILParser parser(&script);
    parser.SelectLanguage("PascalScript");
    return parser.MakeILScript(text);
}

void BM_Pascal2000Lines(benchmark::State& state)
{
    scRegisterStandardLanguages();
    const std::string text = program(Lang::Pascal);
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        if (!compilePascal(text)) state.SkipWithError("compile failed");
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    ownProgramSeconds = seconds / static_cast<double>(state.iterations());
    state.counters["lines"] = 2000;
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_Pascal2000Lines)->Unit(benchmark::kMillisecond);

void BM_Pascal100Expressions(benchmark::State& state)
{
    scRegisterStandardLanguages();
    std::vector<std::string> texts;
    for (int i = 0; i < 100; ++i) texts.push_back(expression(Lang::Pascal, i));
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (const auto& text : texts)
            if (!compilePascal(text)) state.SkipWithError("compile failed");
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    ownExpressionSeconds = seconds / static_cast<double>(state.iterations());
}
BENCHMARK(BM_Pascal100Expressions)->Unit(benchmark::kMicrosecond);

// All the way to statements: the script of a report, with the standard
// modules registered once.
class FullCompile {
public:
    FullCompile()
    {
        scRegisterStandardLanguages();
        script_.ExtendedCharset = 1;
        script_.AddRTTI();
        // The host's registrations stay; the compiled items go after each compile.
        script_.AddedBy = scModuleOwner;
        script_.AddMethodEx("function Max(a, b: Integer): Integer",
                            [](TObject*, const TClass*, const std::string&, TscMethodHelper* c) {
                                return c->GetParam(0).toInt() > c->GetParam(1).toInt() ? c->GetParam(0) : c->GetParam(1);
                            });
        script_.AddMethodEx("function Get(Name: String): Variant",
                            [](TObject*, const TClass*, const std::string&, TscMethodHelper*) { return Variant(1); });
        script_.AddVariable("x", "Variant", Variant());
        script_.AddedBy = nullptr;
    }
    bool compile(const std::string& text)
    {
        script_.Lines = {text};
        const bool ok = script_.Compile();
        script_.ClearItems(nullptr);
        return ok;
    }
    const std::string& error() const { return script_.ErrorMsg; }

private:
    TscScript script_;
};

void BM_PascalBuilt2000Lines(benchmark::State& state)
{
    FullCompile compiler;
    const std::string text = program(Lang::Pascal);
    for (auto _ : state)
        if (!compiler.compile(text)) state.SkipWithError(compiler.error().c_str());
    state.counters["lines"] = 2000;
}
BENCHMARK(BM_PascalBuilt2000Lines)->Unit(benchmark::kMillisecond);

void BM_PascalBuilt100Expressions(benchmark::State& state)
{
    FullCompile compiler;
    std::vector<std::string> texts;
    for (int i = 0; i < 100; ++i) texts.push_back(expression(Lang::Pascal, i));
    for (auto _ : state)
        for (const auto& text : texts)
            if (!compiler.compile(text)) state.SkipWithError(compiler.error().c_str());
}
BENCHMARK(BM_PascalBuilt100Expressions)->Unit(benchmark::kMicrosecond);

#ifdef SCRIPT_BENCH_LUA
template <typename Texts>
void luaCompile(benchmark::State& state, const Texts& texts, double own)
{
    lua_State* L = luaL_newstate();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (const auto& text : texts) {
            if (luaL_loadbuffer(L, text.data(), text.size(), "bench") != LUA_OK) state.SkipWithError("lua compile failed");
            lua_pop(L, 1);
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    lua_close(L);
    if (seconds > 0) state.counters["scil_per_peer"] = own / (seconds / static_cast<double>(state.iterations()));
}

void BM_Lua2000Lines(benchmark::State& state)
{
    luaCompile(state, std::vector<std::string>{program(Lang::Lua)}, ownProgramSeconds);
}
BENCHMARK(BM_Lua2000Lines)->Unit(benchmark::kMillisecond);

void BM_Lua100Expressions(benchmark::State& state)
{
    std::vector<std::string> texts;
    for (int i = 0; i < 100; ++i) texts.push_back(expression(Lang::Lua, i));
    luaCompile(state, texts, ownExpressionSeconds);
}
BENCHMARK(BM_Lua100Expressions)->Unit(benchmark::kMicrosecond);
#endif

#ifdef SCRIPT_BENCH_DUKTAPE
void duktapeCompile(benchmark::State& state, const std::vector<std::string>& texts, double own, bool asFunction)
{
    duk_context* ctx = duk_create_heap_default();
    double seconds = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        for (const auto& text : texts) {
            duk_push_string(ctx, "bench");
            if (duk_pcompile_lstring_filename(ctx, asFunction ? DUK_COMPILE_EVAL : 0, text.data(), text.size()) != 0)
                state.SkipWithError("duktape compile failed");
            duk_pop(ctx);
        }
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
    }
    duk_destroy_heap(ctx);
    if (seconds > 0) state.counters["scil_per_peer"] = own / (seconds / static_cast<double>(state.iterations()));
}

void BM_Duktape2000Lines(benchmark::State& state)
{
    duktapeCompile(state, {program(Lang::JS)}, ownProgramSeconds, false);
}
BENCHMARK(BM_Duktape2000Lines)->Unit(benchmark::kMillisecond);

void BM_Duktape100Expressions(benchmark::State& state)
{
    std::vector<std::string> texts;
    for (int i = 0; i < 100; ++i) texts.push_back(expression(Lang::JS, i));
    duktapeCompile(state, texts, ownExpressionSeconds, true);
}
BENCHMARK(BM_Duktape100Expressions)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

void printInterpreterTable();
void printAppendTable();

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printInterpreterTable();
    printAppendTable();
    return 0;
}
