#pragma once
// Runs the benchmark program itself with "--child=<what>" and reads back
// its "key=value" lines and its peak RSS, so that each memory measure has a
// process of its own. The peak is the child's own high-water mark (VmHWM),
// which it prints as it exits (ReportPeakMemoryAtExit): on Linux the
// rusage of a child starts from its parent's size when it was spawned, so a
// grown parent would lend its children memory they never had.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

extern char** environ;

// The process's peak resident set from /proc/self/status, in KiB; -1 when
// it cannot be read.
inline long PeakMemoryKb()
{
    FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return -1;
    long kb = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    std::fclose(status);
    return kb;
}

// Called first thing in a child: its peak goes out as "vmhwm_kb=" when it
// exits, after everything else it printed.
inline void ReportPeakMemoryAtExit()
{
    std::atexit([] { std::printf("vmhwm_kb=%ld\n", PeakMemoryKb()); });
}

struct ChildResult {
    long maxRssKb = -1;
    std::map<std::string, double> values;
};

// Runs a program with the arguments and reads its "key=value" lines and its
// peak ("vmhwm_kb", which it prints itself). The result has no peak (-1)
// when the program could not run or failed.
inline ChildResult runProgram(const std::string& path, const std::vector<std::string>& args)
{
    ChildResult result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid;
    const int spawned = posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return result;
    }
    std::string out;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;) out.append(buffer, static_cast<size_t>(n));
    close(pipeFds[0]);
    int status = 0;
    if (waitpid(pid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return result;
    for (size_t at = 0; at < out.size();) {
        const size_t end = out.find('\n', at);
        const std::string line = out.substr(at, end - at);
        const size_t eq = line.find('=');
        if (eq != std::string::npos) result.values[line.substr(0, eq)] = std::strtod(line.c_str() + eq + 1, nullptr);
        at = end == std::string::npos ? out.size() : end + 1;
    }
    if (const auto peak = result.values.find("vmhwm_kb"); peak != result.values.end() && peak->second > 0)
        result.maxRssKb = static_cast<long>(peak->second);
    return result;
}

// Runs this program with "--child=<what>" and the arguments.
inline ChildResult runChild(const char* self, const std::string& what, const std::vector<std::string>& args = {})
{
    std::vector<std::string> all{"--child=" + what};
    all.insert(all.end(), args.begin(), args.end());
    return runProgram(self, all);
}
