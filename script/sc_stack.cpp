#include "sc_stack.h"

#include <pthread.h>

#include <algorithm>

#include "sc_const.h"

constinit thread_local uintptr_t scStackLimit = UINTPTR_MAX;

namespace {

// Enough for what runs between two checks (a host function, throwing and
// unwinding); a quarter of a small stack.
uintptr_t reserveFor(uintptr_t stackSize) noexcept
{
    constexpr uintptr_t kMost = 256 * 1024;
    constexpr uintptr_t kLeast = 16 * 1024;
    return std::max(kLeast, std::min(kMost, stackSize / 4));
}

uintptr_t measureLimit() noexcept
{
    pthread_attr_t attr;
    if (pthread_getattr_np(pthread_self(), &attr) != 0) return 0;
    void* low = nullptr;
    size_t size = 0;
    size_t guard = 0;
    const bool ok = pthread_attr_getstack(&attr, &low, &size) == 0;
    pthread_attr_getguardsize(&attr, &guard);
    pthread_attr_destroy(&attr);
    if (!ok || !low || size == 0) return 0;
    const auto bottom = reinterpret_cast<uintptr_t>(low);
    return bottom + guard + reserveFor(size);
}

}  // namespace

bool scStackBelowLimit(uintptr_t frame) noexcept
{
    if (scStackLimit == UINTPTR_MAX) scStackLimit = measureLimit();
    return frame < scStackLimit;
}

void scRaiseStackOverflow()
{
    throw EStackOverflow(scMessages().StackOverflow);
}

void scRaiseStackOverflow(const std::string& procedure)
{
    EStackOverflow e(scMessages().StackOverflow);
    scNameStackOverflow(e, procedure);
    throw e;
}

void scNameStackOverflow(Exception& e, const std::string& procedure)
{
    if (!procedure.empty() && e.message() == scMessages().StackOverflow)
        e.setMessage(e.message() + " in " + procedure);
}

void scRaiseNestingTooDeep()
{
    throw Exception(scMessages().NestingTooDeep);
}
