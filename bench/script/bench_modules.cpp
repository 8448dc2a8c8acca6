// Making a script object with every registration module the program has
// (system functions, ini files, classes, dialogs, graphics, forms; the
// report and rich-text modules join when their libraries exist), beside
// Lua 5.4 opening a state with its standard libraries in the same run.
// Target: at most 3 ms per script object. "per_lua" is our time divided
// by Lua's.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>

#include "Canvas.h"
#include "CoreClasses.h"
#include "Pictures.h"
#include "ScriptModules.h"
#include "sc_interpreter.h"

#ifdef SCRIPT_BENCH_LUA
extern "C" {
#include <lauxlib.h>
#include <lua.h>
#include <lualib.h>
}
#endif

namespace {

using Clock = std::chrono::steady_clock;

double ownSeconds = 0;

void BM_ScriptObjectWithAllModules(benchmark::State& state)
{
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        {
            TscScript script;
            script.AddRTTI();
            benchmark::DoNotOptimize(script.Count());
        }
        total += std::chrono::duration<double>(Clock::now() - start).count();
    }
    ownSeconds = total / static_cast<double>(state.iterations());
    state.counters["modules"] = static_cast<double>(scRTTIModules()->Entries().size());
    state.counters["target_ms"] = 3;
}
BENCHMARK(BM_ScriptObjectWithAllModules)->Unit(benchmark::kMicrosecond);

#ifdef SCRIPT_BENCH_LUA
void BM_LuaStateWithStandardLibraries(benchmark::State& state)
{
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        lua_State* L = luaL_newstate();
        luaL_openlibs(L);
        lua_close(L);
        total += std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double lua = total / static_cast<double>(state.iterations());
    if (lua > 0 && ownSeconds > 0) state.counters["per_lua"] = ownSeconds / lua;
}
BENCHMARK(BM_LuaStateWithStandardLibraries)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

int main(int argc, char** argv)
{
    registerCoreClasses();
    registerCanvasClasses();
    registerPictureClasses();
    registerScriptModules();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
#ifndef SCRIPT_BENCH_LUA
    std::puts("Lua 5.4 is not installed: no peer, no ratio.");
#endif
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    unregisterScriptModules();
    return 0;
}
