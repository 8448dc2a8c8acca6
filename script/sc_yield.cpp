#include "sc_yield.h"

#include <mutex>

namespace {

std::mutex scopesLock;
TscYieldScope* innermost = nullptr;

}  // namespace

TscYieldScope::TscYieldScope(std::function<void()> host, std::chrono::milliseconds interval)
    : host_(std::move(host)),
      interval_(interval),
      last_(std::chrono::steady_clock::now()),
      thread_(std::this_thread::get_id())
{
    std::lock_guard<std::mutex> guard(scopesLock);
    outer_ = innermost;
    innermost = this;
}

TscYieldScope::~TscYieldScope()
{
    std::lock_guard<std::mutex> guard(scopesLock);
    // Scopes end in the order they began on their thread; another thread's
    // may lie between.
    for (TscYieldScope** at = &innermost; *at; at = &(*at)->outer_) {
        if (*at == this) {
            *at = outer_;
            break;
        }
    }
}

void scYieldSlow()
{
    TscYieldScope* scope = nullptr;
    {
        std::lock_guard<std::mutex> guard(scopesLock);
        for (scope = innermost; scope && scope->thread_ != std::this_thread::get_id(); scope = scope->outer_) {
        }
    }
    if (!scope || scope->inHost_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - scope->last_ < scope->interval_) return;
    struct InHost {
        TscYieldScope& scope;
        explicit InHost(TscYieldScope& s) : scope(s) { scope.inHost_ = true; }
        ~InHost()
        {
            scope.inHost_ = false;
            scope.last_ = std::chrono::steady_clock::now();
        }
    } inHost(*scope);
    scope->host_();
}
