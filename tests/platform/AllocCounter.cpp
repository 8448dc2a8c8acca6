// Replaces the global allocation functions with counting ones. The aligned
// forms are left alone: the library's versions pair with each other.

#include <atomic>
#include <cstdlib>
#include <new>

#include "AllocCounter.h"

namespace {
std::atomic<uint64_t> allocations{0};
std::atomic<int64_t> countdown{-1};
std::atomic<bool> failed{false};
std::atomic<bool (*)(const void*)> refusable{nullptr};

void* countedAlloc(std::size_t size, const void* caller)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (countdown.load(std::memory_order_relaxed) >= 0 && countdown.fetch_sub(1, std::memory_order_relaxed) == 0) {
        bool (*may)(const void*) = refusable.load();
        if (!may || may(caller)) {
            failed.store(true, std::memory_order_relaxed);
            return nullptr;
        }
        countdown.store(0);  // the next one, then
    }
    return std::malloc(size ? size : 1);
}
}  // namespace

void SetRefusableAllocations(bool (*may)(const void* caller)) noexcept { refusable.store(may); }

uint64_t AllocationCount() noexcept
{
    return allocations.load(std::memory_order_relaxed);
}

void FailAllocationAfter(int64_t n) noexcept
{
    failed.store(false);
    countdown.store(n);
}

bool StopFailingAllocations() noexcept
{
    countdown.store(-1);
    return failed.load();
}

void* operator new(std::size_t size)
{
    if (void* p = countedAlloc(size, __builtin_return_address(0))) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    if (void* p = countedAlloc(size, __builtin_return_address(0))) return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return countedAlloc(size, __builtin_return_address(0));
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return countedAlloc(size, __builtin_return_address(0));
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
