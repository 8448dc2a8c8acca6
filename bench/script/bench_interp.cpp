// The interpreter's speed against Lua 5.4, Duktape and MuJS on the same
// workloads in the same run: a 10-million-iteration arithmetic loop inside a
// function, recursive fib(30), one million string builds, one million host
// function calls, and one million evaluations of a compiled report
// expression through CallFunction. After the Google Benchmark output a
// table gives each engine's best time and our ratio to it, and the
// allocations per loop iteration and per expression evaluation (numbers
// must not allocate).

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "AllocCounter.h"
#include "sc_classes.h"
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
#ifdef SCRIPT_BENCH_DUKTAPE
#include <duktape.h>
#endif
#ifdef SCRIPT_BENCH_MUJS
#include <mujs.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

enum Workload { Loop, Fib, Strings, HostCall, ExprCalc, WorkloadCount };
enum Engine { Ours, Lua, Duktape, MuJS, EngineCount };

const char* const kWorkloadNames[] = {"loop 10M (s := s + (i*3) mod 7)", "fib(30)", "1M string builds + Length",
                                      "1M host calls (Copy)", "1M CallFunction <ds.dj>*<ds.sl>"};
const char* const kEngineNames[] = {"ours", "Lua 5.4", "Duktape", "MuJS"};

// Best seconds per run of each engine and workload (0: not measured).
double best[WorkloadCount][EngineCount] = {};
double allocationsPerStep[WorkloadCount] = {};

void record(Workload w, Engine e, double seconds)
{
    double& slot = best[w][e];
    if (slot == 0 || seconds < slot) slot = seconds;
}

template <class F>
void measure(benchmark::State& state, Workload w, Engine e, F run)
{
    for (auto _ : state) {
        const auto start = Clock::now();
        run();
        record(w, e, std::chrono::duration<double>(Clock::now() - start).count());
    }
}

// The stub the report's Get stands for: a field value by name.
double fieldValue(const char* name)
{
    return name[4] == 'd' ? 12.5 : 3;
}

// ---------------------------------------------------------------- our engine

const char* const kPascal[] = {
    "function Loop: Integer; var i, s: Integer; begin s := 0; for i := 1 to 10000000 do s := s + (i * 3) mod 7; "
    "Result := s; end; begin end.",
    "function Fib(n: Integer): Integer; begin if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2); "
    "end; begin end.",
    "function Strings: Integer; var i, n: Integer; s: String; begin n := 0; for i := 1 to 1000000 do begin "
    "s := 'abc' + IntToStr(i); n := n + Length(s); end; Result := n; end; begin end.",
    "function HostCall: String; var i: Integer; s, t: String; begin t := 'abcdefgh'; for i := 1 to 1000000 do "
    "s := Copy(t, 2, 3); Result := s; end; begin end.",
    "function rpf0: Variant; begin Result := <ds.\"dj\">*<ds.\"sl\"> end; begin end.",
};
const char* const kPascalEntry[] = {"Loop", "Fib", "Strings", "HostCall", "rpf0"};

class PascalRun {
public:
    explicit PascalRun(Workload w) : workload_(w)
    {
        scRegisterStandardLanguages();
        script_.AddRTTI();
        script_.AddMethodEx("function Get(Name: String): Variant",
                            [](TObject*, const TClass*, const std::string&, TscMethodHelper* caller) {
                                return Variant(fieldValue(caller->GetParam(0).rawString().c_str()));
                            });
        script_.Lines = {kPascal[w]};
        ok_ = script_.Compile();
        script_.Execute();
        args_.push_back(Variant(30));
    }
    bool ok() const { return ok_; }
    const std::string& error() const { return script_.ErrorMsg; }
    Variant run()
    {
        if (workload_ == Fib) return script_.CallFunction(kPascalEntry[workload_], std::span<const Variant>(args_));
        if (workload_ != ExprCalc) return script_.CallFunction(kPascalEntry[workload_], std::span<const Variant>());
        Variant last;
        for (int i = 0; i < 1000000; ++i) last = script_.CallFunction("rpf0", std::span<const Variant>());
        return last;
    }
    TscScript& script() { return script_; }

private:
    Workload workload_;
    TscScript script_;
    std::vector<Variant> args_;
    bool ok_ = false;
};

void ours(benchmark::State& state, Workload w)
{
    PascalRun run(w);
    if (!run.ok()) {
        state.SkipWithError(run.error().c_str());
        return;
    }
    measure(state, w, Ours, [&] { benchmark::DoNotOptimize(run.run()); });
}

// A peer's run of a workload: call(name, arg) calls a global function of
// its script (arg < 0: without an argument).
template <class Call>
void measurePeer(benchmark::State& state, Workload w, Engine e, Call call)
{
    measure(state, w, e, [&] {
        if (w == ExprCalc) {
            for (int i = 0; i < 1000000; ++i) call("rpf0", -1);
        } else {
            call(kPascalEntry[w], w == Fib ? 30 : -1);
        }
    });
}

// ---------------------------------------------------------------- Lua

#ifdef SCRIPT_BENCH_LUA
const char* const kLua =
    "function Loop() local s = 0 for i = 1, 10000000 do s = s + (i * 3) % 7 end return s end\n"
    "function Fib(n) if n < 2 then return n else return Fib(n - 1) + Fib(n - 2) end end\n"
    "function Strings() local n = 0 for i = 1, 1000000 do local s = 'abc' .. tostring(i) n = n + #s end "
    "return n end\n"
    "function HostCall() local t = 'abcdefgh' local s for i = 1, 1000000 do s = string.sub(t, 2, 4) end "
    "return s end\n"
    "function rpf0() return Get('ds.dj') * Get('ds.sl') end\n";

int luaGet(lua_State* L)
{
    lua_pushnumber(L, fieldValue(luaL_checkstring(L, 1)));
    return 1;
}

void lua(benchmark::State& state, Workload w)
{
    lua_State* L = luaL_newstate();
    luaL_openlibs(L);
    lua_register(L, "Get", luaGet);
    if (luaL_dostring(L, kLua) != LUA_OK) state.SkipWithError("lua load failed");
    const auto call = [L, &state](const char* name, int arg) {
        lua_getglobal(L, name);
        if (arg >= 0) lua_pushinteger(L, arg);
        if (lua_pcall(L, arg >= 0 ? 1 : 0, 1, 0) != LUA_OK) state.SkipWithError(lua_tostring(L, -1));
        lua_pop(L, 1);
    };
    measurePeer(state, w, Lua, call);
    lua_close(L);
}
#endif

// ---------------------------------------------------------------- JavaScript

const char* const kJavaScript =
    "function Loop() { var s = 0; for (var i = 1; i <= 10000000; i++) s = s + (i * 3) % 7; return s; }\n"
    "function Fib(n) { if (n < 2) return n; else return Fib(n - 1) + Fib(n - 2); }\n"
    "function Strings() { var n = 0; for (var i = 1; i <= 1000000; i++) { var s = 'abc' + String(i); "
    "n = n + s.length; } return n; }\n"
    "function HostCall() { var t = 'abcdefgh', s; for (var i = 1; i <= 1000000; i++) s = t.substring(1, 4); "
    "return s; }\n"
    "function rpf0() { return Get('ds.dj') * Get('ds.sl'); }\n";

#ifdef SCRIPT_BENCH_DUKTAPE
duk_ret_t duktapeGet(duk_context* ctx)
{
    duk_push_number(ctx, fieldValue(duk_require_string(ctx, 0)));
    return 1;
}

void duktape(benchmark::State& state, Workload w)
{
    duk_context* ctx = duk_create_heap_default();
    duk_push_c_function(ctx, duktapeGet, 1);
    duk_put_global_string(ctx, "Get");
    if (duk_peval_string(ctx, kJavaScript) != 0) state.SkipWithError("duktape load failed");
    duk_pop(ctx);
    const auto call = [ctx, &state](const char* name, int arg) {
        duk_get_global_string(ctx, name);
        if (arg >= 0) duk_push_int(ctx, arg);
        if (duk_pcall(ctx, arg >= 0 ? 1 : 0) != DUK_EXEC_SUCCESS) state.SkipWithError(duk_safe_to_string(ctx, -1));
        duk_pop(ctx);
    };
    measurePeer(state, w, Duktape, call);
    duk_destroy_heap(ctx);
}
#endif

#ifdef SCRIPT_BENCH_MUJS
void mujsGet(js_State* J)
{
    js_pushnumber(J, fieldValue(js_tostring(J, 1)));
}

void mujs(benchmark::State& state, Workload w)
{
    js_State* J = js_newstate(nullptr, nullptr, 0);
    js_newcfunction(J, mujsGet, "Get", 1);
    js_setglobal(J, "Get");
    if (js_dostring(J, kJavaScript) != 0) state.SkipWithError("mujs load failed");
    const auto call = [J, &state](const char* name, int arg) {
        js_getglobal(J, name);
        js_pushnull(J);
        if (arg >= 0) js_pushnumber(J, arg);
        if (js_pcall(J, arg >= 0 ? 1 : 0) != 0) state.SkipWithError(js_trystring(J, -1, "error"));
        js_pop(J, 1);
    };
    measurePeer(state, w, MuJS, call);
    js_freestate(J);
}
#endif

// Allocations of the numeric paths: one loop run and a thousand
// expression evaluations, counted after a first run.
void BM_NumericAllocations(benchmark::State& state)
{
    PascalRun loop(Loop);
    PascalRun expr(ExprCalc);
    for (auto _ : state) {
        loop.run();
        const uint64_t before = AllocationCount();
        loop.run();
        allocationsPerStep[Loop] = static_cast<double>(AllocationCount() - before) / 1e7;
        const uint64_t start = AllocationCount();
        for (int i = 0; i < 1000; ++i) expr.script().CallFunction("rpf0", std::span<const Variant>());
        allocationsPerStep[ExprCalc] = static_cast<double>(AllocationCount() - start) / 1000;
    }
    state.counters["allocs_per_loop_step"] = allocationsPerStep[Loop];
    state.counters["allocs_per_expression"] = allocationsPerStep[ExprCalc];
}
BENCHMARK(BM_NumericAllocations)->Iterations(1)->Unit(benchmark::kMillisecond);

#define ENGINE_BENCHMARKS(fn, Name)                                                     \
    void BM_##Name##_Loop(benchmark::State& s) { fn(s, Loop); }                          \
    void BM_##Name##_Fib(benchmark::State& s) { fn(s, Fib); }                            \
    void BM_##Name##_Strings(benchmark::State& s) { fn(s, Strings); }                    \
    void BM_##Name##_HostCall(benchmark::State& s) { fn(s, HostCall); }                  \
    void BM_##Name##_ExprCalc(benchmark::State& s) { fn(s, ExprCalc); }                  \
    BENCHMARK(BM_##Name##_Loop)->Iterations(3)->Unit(benchmark::kMillisecond);         \
    BENCHMARK(BM_##Name##_Fib)->Iterations(3)->Unit(benchmark::kMillisecond);          \
    BENCHMARK(BM_##Name##_Strings)->Iterations(3)->Unit(benchmark::kMillisecond);      \
    BENCHMARK(BM_##Name##_HostCall)->Iterations(3)->Unit(benchmark::kMillisecond);     \
    BENCHMARK(BM_##Name##_ExprCalc)->Iterations(3)->Unit(benchmark::kMillisecond);

ENGINE_BENCHMARKS(ours, Pascal)
#ifdef SCRIPT_BENCH_LUA
ENGINE_BENCHMARKS(lua, Lua)
#endif
#ifdef SCRIPT_BENCH_DUKTAPE
ENGINE_BENCHMARKS(duktape, Duktape)
#endif
#ifdef SCRIPT_BENCH_MUJS
ENGINE_BENCHMARKS(mujs, MuJS)
#endif

}  // namespace

void printInterpreterTable()
{
    std::printf("\nInterpreter workloads: best seconds per run, and ours divided by the peer's\n");
    std::printf("%-34s", "workload");
    for (int e = 0; e < EngineCount; ++e) std::printf("%10s", kEngineNames[e]);
    for (int e = Lua; e < EngineCount; ++e) std::printf("  ours/%-8s", kEngineNames[e]);
    std::printf("\n");
    for (int w = 0; w < WorkloadCount; ++w) {
        std::printf("%-34s", kWorkloadNames[w]);
        for (int e = 0; e < EngineCount; ++e) {
            if (best[w][e] > 0)
                std::printf("%10.3f", best[w][e]);
            else
                std::printf("%10s", "-");
        }
        for (int e = Lua; e < EngineCount; ++e) {
            if (best[w][e] > 0 && best[w][Ours] > 0)
                std::printf("  %13.2f", best[w][Ours] / best[w][e]);
            else
                std::printf("  %13s", "-");
        }
        std::printf("\n");
    }
    std::printf("allocations: %.3f per loop step, %.3f per expression evaluation\n", allocationsPerStep[Loop],
                allocationsPerStep[ExprCalc]);
}
