#pragma once
// A save run in a child process whose files may not grow past a limit: the
// write that passes it either kills the child (SIGXFSZ, as a crash or a kill
// in the middle of a save would) or fails the way a full disk fails, and the
// child hands back what the save raised.

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <exception>
#include <functional>
#include <string>

namespace failing_writes {

struct Outcome {
    int signal = 0;        // what ended the child, 0 when it returned
    bool saved = false;    // the save returned without raising
    std::string message;   // what it raised
};

enum class Limit { Kills, Fails };

// The save in a child made ready by setup first (limits, another user).
inline Outcome InChild(const std::function<void()>& save, const std::function<void()>& setup)
{
    int fds[2];
    if (::pipe(fds) != 0) return {-1, false, "no pipe"};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(fds[0]);
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
        setup();
        std::string answer;
        try {
            save();
            answer = "\1";
        } catch (const std::exception& e) {
            answer = e.what();
        }
        [[maybe_unused]] const ssize_t n = ::write(fds[1], answer.data(), answer.size());
        ::_exit(0);
    }
    ::close(fds[1]);
    Outcome outcome;
    std::string answer;
    char buffer[4096];
    pollfd waiting{fds[0], POLLIN, 0};
    // A child that hangs is a failure, not a stuck test.
    bool hung = true;
    while (::poll(&waiting, 1, 60000) > 0) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0) {
            hung = false;
            break;
        }
        answer.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (hung) ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    outcome.saved = answer == "\1";
    if (!outcome.saved) outcome.message = answer;
    return outcome;
}

inline Outcome SaveInChild(const std::function<void()>& save, int64_t bytes, Limit limit)
{
    return InChild(save, [=] {
        const rlimit size{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
        ::setrlimit(RLIMIT_FSIZE, &size);
        ::signal(SIGXFSZ, limit == Limit::Kills ? SIG_DFL : SIG_IGN);
    });
}

// The save in a child running as the given user (the caller must be root
// to take another one's ids; otherwise it runs as the caller).
inline Outcome SaveAsUser(const std::function<void()>& save, uid_t uid, gid_t gid)
{
    return InChild(save, [=] {
        if (::geteuid() != 0) return;
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) ::_exit(99);
    });
}

}  // namespace failing_writes
