// Whole processes: scriptrun running a PascalScript program beside the
// lua5.4 interpreter running the same program written in Lua, in turns, in
// the same run: a 100-million-iteration loop, fib(35), ten million calls
// with three arguments, a ten-million-element array filled and summed, two
// million Copy/Pos/UpperCase, and an empty program (Lua: an empty file),
// which is the cost of starting. The scriptruns are those of the trees
// users run: this one (make bench: release, static) and the everyday tree
// of make test and make run (build/: its internal libraries shared, -O2),
// which make bench builds first; without it, it is left out and said so.
// Each is run five times; the table after the Google Benchmark output gives
// the medians and each divided by Lua's, and whether each is within its
// target. The time is the CPU time of each process (user and system): on a
// machine shared with other builds, wall time measures their load more
// than ours. Every interpreter must print the same result, or the workload
// is reported as failed. Without lua5.4 on the PATH no ratio is printed.

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct Workload {
    const char* name;
    const char* pascal;
    const char* lua;
    const char* output;  // what both print
};

const Workload kWorkloads[] = {
    {"loop 100M (s := s + i mod 7)",
     "var i, s: Integer;\n"
     "begin\n"
     "  s := 0;\n"
     "  for i := 1 to 100000000 do s := s + i mod 7;\n"
     "  ShowMessage(IntToStr(s));\n"
     "end.\n",
     "local s = 0\n"
     "for i = 1, 100000000 do s = s + i % 7 end\n"
     "print(s)\n",
     "299999997\n"},
    {"fib(35)",
     "function Fib(n: Integer): Integer;\n"
     "begin\n"
     "  if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2);\n"
     "end;\n"
     "begin\n"
     "  ShowMessage(IntToStr(Fib(35)));\n"
     "end.\n",
     "local function fib(n) if n < 2 then return n else return fib(n - 1) + fib(n - 2) end end\n"
     "print(fib(35))\n",
     "9227465\n"},
    {"10M calls, 3 arguments",
     "function Add3(a, b, c: Integer): Integer;\n"
     "begin\n"
     "  Result := a + b + c;\n"
     "end;\n"
     "var i, s: Integer;\n"
     "begin\n"
     "  s := 0;\n"
     "  for i := 1 to 10000000 do s := Add3(s, i, 3) mod 1000003;\n"
     "  ShowMessage(IntToStr(s));\n"
     "end.\n",
     "local function add3(a, b, c) return a + b + c end\n"
     "local s = 0\n"
     "for i = 1, 10000000 do s = add3(s, i, 3) % 1000003 end\n"
     "print(s)\n",
     "345\n"},
    {"10M-element array",
     "var a: array[10000000] of Integer;\n"
     "  i, s: Integer;\n"
     "begin\n"
     "  for i := 0 to 9999999 do a[i] := i mod 10;\n"
     "  s := 0;\n"
     "  for i := 0 to 9999999 do s := s + a[i];\n"
     "  ShowMessage(IntToStr(s));\n"
     "end.\n",
     "local a = {}\n"
     "for i = 1, 10000000 do a[i] = (i - 1) % 10 end\n"
     "local s = 0\n"
     "for i = 1, 10000000 do s = s + a[i] end\n"
     "print(s)\n",
     "45000000\n"},
    {"2M Copy/Pos/UpperCase",
     "var i, n: Integer;\n"
     "  s, t: String;\n"
     "begin\n"
     "  s := 'the quick brown fox jumps over the lazy dog xyz';\n"
     "  n := 0;\n"
     "  for i := 1 to 2000000 do\n"
     "  begin\n"
     "    t := UpperCase(Copy(s, i mod 20 + 1, 28));\n"
     "    n := n + Pos('XYZ', t);\n"
     "  end;\n"
     "  ShowMessage(IntToStr(n));\n"
     "end.\n",
     "local s = 'the quick brown fox jumps over the lazy dog xyz'\n"
     "local n = 0\n"
     "for i = 1, 2000000 do\n"
     "  local from = i % 20 + 1\n"
     "  local t = string.upper(string.sub(s, from, from + 27))\n"
     "  n = n + (string.find(t, 'XYZ', 1, true) or 0)\n"
     "end\n"
     "print(n)\n",
     "2600000\n"},
    {"empty program (start-up)", "begin end.\n", "", ""},
};
constexpr size_t kCount = std::size(kWorkloads);
constexpr int kRuns = 5;

// The scriptruns compared with Lua: this tree's, and the everyday tree's
// when it is there.
struct Interpreter {
    std::string label;
    std::string path;
};
std::vector<Interpreter> ours;
constexpr size_t kMostOurs = 2;

// CPU seconds of each run, per workload: each of ours, and Lua's.
std::vector<double> oursTimes[kCount][kMostOurs];
std::vector<double> luaTimes[kCount];
std::string luaPath;
std::filesystem::path folder;

std::string findLua()
{
    const char* path = std::getenv("PATH");
    std::string paths = path ? path : "/usr/bin";
    for (size_t at = 0; at <= paths.size();) {
        size_t end = paths.find(':', at);
        if (end == std::string::npos) end = paths.size();
        const std::filesystem::path candidate = std::filesystem::path(paths.substr(at, end - at)) / "lua5.4";
        if (access(candidate.c_str(), X_OK) == 0) return candidate.string();
        at = end + 1;
    }
    return {};
}

double seconds(const timeval& t)
{
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
}

// Runs a program to its end; its standard output, or "(failed)" when it
// could not start or ended badly. cpuSeconds is the process's own user and
// system time.
std::string run(const std::vector<std::string>& args, double& cpuSeconds)
{
    int fds[2];
    if (pipe(fds) != 0) return "(failed)";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    std::string out;
    if (spawned == 0) {
        char buffer[4096];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    struct rusage usage {};
    if (spawned != 0 || wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return "(failed)";
    cpuSeconds = seconds(usage.ru_utime) + seconds(usage.ru_stime);
    return out;
}

double median(std::vector<double> times)
{
    if (times.empty()) return 0;
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

void BM_Process(benchmark::State& state, size_t w)
{
    const Workload& workload = kWorkloads[w];
    const std::string program = (folder / ("w" + std::to_string(w) + ".pas")).string();
    const std::string lua = (folder / ("w" + std::to_string(w) + ".lua")).string();
    std::ofstream(program) << workload.pascal;
    std::ofstream(lua) << workload.lua;
    for (auto _ : state) {
        for (size_t o = 0; o < ours.size(); ++o) {
            double cpu = 0;
            const std::string printed = run({ours[o].path, program}, cpu);
            if (printed != workload.output) {
                state.SkipWithError((ours[o].path + " printed " + printed).c_str());
                return;
            }
            oursTimes[w][o].push_back(cpu);
            if (o == 0) state.SetIterationTime(cpu);
        }
        if (luaPath.empty()) continue;
        double cpu = 0;
        const std::string luaPrinted = run({luaPath, lua}, cpu);
        if (luaPrinted != workload.output) {
            state.SkipWithError(("lua5.4 printed " + luaPrinted + ", scriptrun " + workload.output).c_str());
            return;
        }
        luaTimes[w].push_back(cpu);
    }
}

void printTable()
{
    std::printf("\nWhole processes, CPU seconds, median of %d runs: scriptrun (PascalScript) beside lua5.4\n", kRuns);
    for (const Interpreter& o : ours) std::printf("  %-9s %s\n", o.label.c_str(), o.path.c_str());
    std::printf("%-30s", "workload");
    for (const Interpreter& o : ours) std::printf(" %10s", (o.label + " s").c_str());
    std::printf(" %10s", "Lua s");
    for (const Interpreter& o : ours) std::printf(" %10s", (o.label + "/Lua").c_str());
    std::printf("\n");
    // Targets: 2 times Lua's time, 5 for starting.
    std::vector<bool> within(ours.size(), true);
    bool measured = !luaPath.empty();
    for (size_t w = 0; w < kCount; ++w) {
        std::printf("%-30s", kWorkloads[w].name);
        for (size_t o = 0; o < ours.size(); ++o) std::printf(" %10.4f", median(oursTimes[w][o]));
        const double lua = median(luaTimes[w]);
        if (lua > 0)
            std::printf(" %10.4f", lua);
        else
            std::printf(" %10s", "-");
        const double target = w + 1 == kCount ? 5.0 : 2.0;
        for (size_t o = 0; o < ours.size(); ++o) {
            const double mine = median(oursTimes[w][o]);
            if (mine > 0 && lua > 0) {
                std::printf(" %10.2f", mine / lua);
                if (mine / lua > target) within[o] = false;
            } else {
                std::printf(" %10s", "-");
                measured = false;
            }
        }
        std::printf("\n");
    }
    if (luaPath.empty()) std::printf("lua5.4 is not on the PATH (package lua5.4): no ratio\n");
    std::printf("(targets: each workload at most 2.0, the empty program at most 5)\n");
    if (measured)
        for (size_t o = 0; o < ours.size(); ++o)
            std::printf("%s: %s\n", ours[o].label.c_str(), within[o] ? "every workload within its target" : "NOT within the targets");
}

}  // namespace

int main(int argc, char** argv)
{
    luaPath = findLua();
    ours.push_back({SCRIPTRUN_BUILD, SCRIPTRUN_PATH});
    if (access(SCRIPTRUN_EVERYDAY_PATH, X_OK) == 0)
        ours.push_back({"everyday", SCRIPTRUN_EVERYDAY_PATH});
    else
        std::printf("The everyday tree's scriptrun (%s) is not built (make build): it is left out.\n",
                    SCRIPTRUN_EVERYDAY_PATH);
    folder = std::filesystem::temp_directory_path() / ("bench_script_processes." + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    for (size_t w = 0; w < kCount; ++w)
        benchmark::RegisterBenchmark((std::string("BM_Process/") + kWorkloads[w].name).c_str(),
                                     [w](benchmark::State& state) { BM_Process(state, w); })
            ->Iterations(kRuns)
            ->UseManualTime()
            ->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    printTable();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
