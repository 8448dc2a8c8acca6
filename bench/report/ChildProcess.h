#pragma once
// Runs the benchmark program itself with "--child=<what>" and reads back
// its "key=value" lines and its peak RSS, so that each memory measure has a
// process of its own.

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <string>

extern char** environ;

struct ChildResult {
    long maxRssKb = -1;
    std::map<std::string, double> values;
};

// Runs this program with "--child=<what>" and reads its "key=value" lines
// and its peak RSS.
inline ChildResult runChild(const char* self, const std::string& what)
{
    ChildResult result;
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return result;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    const std::string arg = "--child=" + what;
    char* argv[] = {const_cast<char*>(self), const_cast<char*>(arg.c_str()), nullptr};
    pid_t pid;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
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
    struct rusage usage {};
    if (wait4(pid, &status, 0, &usage) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return result;
    result.maxRssKb = usage.ru_maxrss;
    for (size_t at = 0; at < out.size();) {
        const size_t end = out.find('\n', at);
        const std::string line = out.substr(at, end - at);
        const size_t eq = line.find('=');
        if (eq != std::string::npos) result.values[line.substr(0, eq)] = std::strtod(line.c_str() + eq + 1, nullptr);
        at = end == std::string::npos ? out.size() : end + 1;
    }
    return result;
}
