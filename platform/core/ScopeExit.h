#pragma once
// Steps that must happen however a scope ends (returned from or left by an
// exception): a mode flag put back, a counter stepped down, a value
// restored.

#include <utility>

// Runs `step` when the scope ends.
template <class F>
class ScopeExit {
public:
    explicit ScopeExit(F step) : step_(std::move(step)) {}
    ~ScopeExit() { step_(); }
    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    F step_;
};

// `target` holds `value` for the time of the scope and its old value after.
template <class T>
class TemporaryValue {
public:
    TemporaryValue(T& target, T value) : target_(target), old_(std::exchange(target, std::move(value))) {}
    ~TemporaryValue() { target_ = std::move(old_); }
    TemporaryValue(const TemporaryValue&) = delete;
    TemporaryValue& operator=(const TemporaryValue&) = delete;

private:
    T& target_;
    T old_;
};

// A counter one higher for the time of the scope.
class ScopedCount {
public:
    explicit ScopedCount(int& counter) : counter_(counter) { ++counter_; }
    ~ScopedCount() { --counter_; }
    ScopedCount(const ScopedCount&) = delete;
    ScopedCount& operator=(const ScopedCount&) = delete;

private:
    int& counter_;
};
