// Building a text one character at a time: 1,000,000 appends of one
// character in PascalScript (s := s + 'x', the same with Length(s) read at
// every step, and Insert('x', s, Length(s) + 1))
// and in BasicScript with its join (s = s & "x"), and Lua 5.4 doing the same (s = s .. 'x') in the
// same run. Our text grows in place; Lua copies it
// on every append, so its run takes a minute or more and runs once. The
// table after the Google Benchmark output gives both times and the ratio.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <span>
#include <string>

#include "sc_interpreter.h"
#include "sc_sysrtti.h"
#include "sc_tools.h"

#ifdef SCRIPT_BENCH_LUA
extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}
#endif

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kAppends = 1000000;
double bestOurs = 0;
double bestBasic = 0;
double bestInsert = 0;
double bestRead = 0;
double bestLua = 0;

template <class F>
void measure(benchmark::State& state, double& best, F run)
{
    for (auto _ : state) {
        const auto start = Clock::now();
        const int length = run();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (length != kAppends) state.SkipWithError(("wrong length " + std::to_string(length)).c_str());
        if (best == 0 || seconds < best) best = seconds;
    }
}

void appendIn(benchmark::State& state, double& best, const char* language, const std::string& text)
{
    scRegisterStandardLanguages();
    TscScript script;
    script.SyntaxType = language;
    script.AddRTTI();
    script.Lines = {text};
    if (!script.Compile()) {
        state.SkipWithError(script.ErrorMsg.c_str());
        return;
    }
    measure(state, best, [&] { return script.CallFunction("Append", std::span<const Variant>()).toInt(); });
}

void BM_Append_Pascal(benchmark::State& state)
{
    appendIn(state, bestOurs, "PascalScript",
             "function Append: Integer; var i: Integer; s: String; begin s := ''; for i := 1 to " +
                 std::to_string(kAppends) + " do s := s + 'x'; Result := Length(s) end; begin end.");
}
BENCHMARK(BM_Append_Pascal)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_Append_PascalInsert(benchmark::State& state)
{
    appendIn(state, bestInsert, "PascalScript",
             "function Append: Integer; var i: Integer; s: String; begin s := ''; for i := 1 to " +
                 std::to_string(kAppends) + " do Insert('x', s, Length(s) + 1); Result := Length(s) end; begin end.");
}
BENCHMARK(BM_Append_PascalInsert)->Iterations(5)->Unit(benchmark::kMillisecond);

// The text is also handed to a function at every step, which must not keep
// a share of it.
void BM_Append_PascalWhileRead(benchmark::State& state)
{
    appendIn(state, bestRead, "PascalScript",
             "function Append: Integer; var i, n: Integer; s: String; begin s := ''; for i := 1 to " +
                 std::to_string(kAppends) + " do begin s := s + 'x'; n := Length(s) end; Result := n end; begin end.");
}
BENCHMARK(BM_Append_PascalWhileRead)->Iterations(5)->Unit(benchmark::kMillisecond);

void BM_Append_BasicJoin(benchmark::State& state)
{
    appendIn(state, bestBasic, "BasicScript",
             "function Append\r\ndim i, s\r\ns = \"\"\r\nfor i = 1 to " + std::to_string(kAppends) +
                 "\r\ns = s & \"x\"\r\nnext\r\nreturn Length(s)\r\nend function");
}
BENCHMARK(BM_Append_BasicJoin)->Iterations(5)->Unit(benchmark::kMillisecond);

#ifdef SCRIPT_BENCH_LUA
void BM_Append_Lua(benchmark::State& state)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    const std::string text = "function Append() local s = '' for i = 1, " + std::to_string(kAppends) +
                             " do s = s .. 'x' end return #s end";
    if (luaL_dostring(L, text.c_str()) != LUA_OK) state.SkipWithError("lua load failed");
    measure(state, bestLua, [&] {
        lua_getglobal(L, "Append");
        if (lua_pcall(L, 0, 1, 0) != LUA_OK) state.SkipWithError(lua_tostring(L, -1));
        const int length = static_cast<int>(lua_tointeger(L, -1));
        lua_pop(L, 1);
        return length;
    });
    lua_close(L);
}
BENCHMARK(BM_Append_Lua)->Iterations(1)->Unit(benchmark::kMillisecond);
#endif

}  // namespace

void printAppendTable()
{
    std::printf("\n%d single-character appends: best seconds per run\n", kAppends);
    std::printf("  ours (PascalScript +) %10.3f   (target: under 0.200)\n", bestOurs);
    std::printf("  ours (BasicScript &)  %10.3f   (target: under 0.200)\n", bestBasic);
    std::printf("  ours (Insert at end)  %10.3f   (target: under 0.200)\n", bestInsert);
    std::printf("  ours (+, Length read) %10.3f   (target: under 0.200)\n", bestRead);
    if (bestLua > 0 && bestOurs > 0)
        std::printf("  Lua 5.4               %10.3f   ours/Lua %.4f and %.4f (Lua takes %.0f times as long)\n", bestLua,
                    bestOurs / bestLua, bestBasic / bestLua, bestLua / bestOurs);
    else
        std::printf("  Lua 5.4               not measured (not built in, or filtered out): no ratio\n");
}
