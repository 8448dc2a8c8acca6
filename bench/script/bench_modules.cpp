// Making a script object with every registration module the program has
// (system functions, ini files, classes, dialogs, graphics, forms, report
// classes; the rich-text module joins when its library exists), beside
// Lua 5.4 opening a state with its standard libraries in the same run.
// Target: at most 3 ms per script object. "per_lua" is our time divided
// by Lua's.
//
// A report script's loops through the report classes, 100,000 iterations
// each: "Memo1.Text := IntToStr(i)" and "v := Report.Variables['v']",
// each beside the same loop assigning a plain variable instead. Target: at
// most 2 us per iteration; "per_plain" is the loop's time divided by its
// plain twin's.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>

#include "Canvas.h"
#include "CoreClasses.h"
#include "Pictures.h"
#include "ScriptModules.h"
#include "StringLists.h"
#include "rpBands.h"
#include "rpClassRTTI.h"
#include "rpMemo.h"
#include "rpModel.h"
#include "rpPages.h"
#include "rpReport.h"
#include "rpVariables.h"
#include "rpXMLSerializer.h"
#include "sc_interpreter.h"
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

constexpr int kLoop = 100000;

// A report with a memo and a variable whose script is one loop, compiled
// once; each benchmark iteration runs the whole loop.
struct LoopReport {
    TrpReport report;
    explicit LoopReport(const std::string& body)
    {
        auto* page = new TrpReportPage(&report);
        page->SetName("Page1");
        auto* band = new TrpMasterData(page);
        band->SetName("MasterData1");
        auto* memo = new TrpMemoView(band);
        memo->SetName("Memo1");
        report.Variables()->Set("v", Variant(42));
        report.ScriptText()->SetText("var i: Integer; s: String; v, w: Variant;\nbegin\n  w := 42;\n  for i := 1 to " +
                                     std::to_string(kLoop) + " do " + body + ";\nend.");
        compiled = report.PrepareScript();
    }
    bool compiled = false;
};

// Seconds per loop iteration of the last run of each body.
std::map<std::string, double> perIteration;

void runLoop(benchmark::State& state, const std::string& body, const std::string& plainBody)
{
    LoopReport r(body);
    if (!r.compiled) {
        state.SkipWithError(("does not compile: " + r.report.Script()->ErrorMsg).c_str());
        return;
    }
    double total = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        r.report.Script()->Execute();
        total += std::chrono::duration<double>(Clock::now() - start).count();
    }
    const double each = total / static_cast<double>(state.iterations()) / kLoop;
    perIteration[body] = each;
    state.counters["us_per_iteration"] = each * 1e6;
    state.counters["target_us"] = 2;
    if (!plainBody.empty() && perIteration[plainBody] > 0) state.counters["per_plain"] = each / perIteration[plainBody];
}

const std::string kPlainText = "s := IntToStr(i)";
const std::string kPlainVariable = "v := w";

void BM_PlainTextAssignment(benchmark::State& state) { runLoop(state, kPlainText, ""); }
BENCHMARK(BM_PlainTextAssignment)->Unit(benchmark::kMillisecond);
void BM_MemoTextAssignment(benchmark::State& state) { runLoop(state, "Memo1.Text := IntToStr(i)", kPlainText); }
BENCHMARK(BM_MemoTextAssignment)->Unit(benchmark::kMillisecond);
void BM_PlainVariableRead(benchmark::State& state) { runLoop(state, kPlainVariable, ""); }
BENCHMARK(BM_PlainVariableRead)->Unit(benchmark::kMillisecond);
void BM_ReportVariableRead(benchmark::State& state) { runLoop(state, "v := Report.Variables['v']", kPlainVariable); }
BENCHMARK(BM_ReportVariableRead)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    scRegisterStandardLanguages();
    registerCoreClasses();
    registerCanvasClasses();
    registerPictureClasses();
    registerReportFoundationClasses();
    registerReportModel();
    registerScriptModules({.report = &scModuleFactory<TrpClassRTTI>});
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
