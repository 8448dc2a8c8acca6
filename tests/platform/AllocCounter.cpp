// Replaces the global allocation functions with counting ones. The aligned
// forms are left alone: the library's versions pair with each other.

#include <atomic>
#include <cstdlib>
#include <new>

#include "AllocCounter.h"

namespace {
std::atomic<uint64_t> allocations{0};

void* countedAlloc(std::size_t size)
{
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
}  // namespace

uint64_t AllocationCount() noexcept
{
    return allocations.load(std::memory_order_relaxed);
}

void* operator new(std::size_t size)
{
    if (void* p = countedAlloc(size)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    if (void* p = countedAlloc(size)) return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return countedAlloc(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return countedAlloc(size);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
