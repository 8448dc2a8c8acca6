#pragma once
// A script that runs long lets its host in at a bounded interval, whether
// or not it calls Application.ProcessMessages: a loop that lets no event
// through would otherwise leave a window (and its cancel button) dead for
// good. Loops count their turns and procedures their calls (in their
// scope, TscScript::YieldPoint); every few thousand the clock is read, and
// once the interval has passed the host's function of the innermost
// TscYieldScope runs, on the thread that made it.

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

// Loop turns and calls a scope makes between two readings of the clock
// (about 0.1 ms of the quickest loops); TscScript::YieldPoint counts them.
constexpr int32_t scYieldTurns = 4096;
// Reads the clock and, once the interval has passed, runs the host's
// function of this thread's innermost scope.
void scYieldSlow();

class TscYieldScope {
public:
    TscYieldScope(std::function<void()> host, std::chrono::milliseconds interval);
    ~TscYieldScope();
    TscYieldScope(const TscYieldScope&) = delete;
    TscYieldScope& operator=(const TscYieldScope&) = delete;

private:
    friend void scYieldSlow();
    std::function<void()> host_;
    std::chrono::steady_clock::duration interval_;
    std::chrono::steady_clock::time_point last_;
    std::thread::id thread_;
    TscYieldScope* outer_;
    // The host's function is running (and may run scripts of its own).
    bool inHost_ = false;
};
