#pragma once
// Counts every allocation made through global operator new in this test
// program (the replacement operators live in AllocCounter.cpp), and can
// make one of them fail.

#include <cstdint>

uint64_t AllocationCount() noexcept;

// The allocation n from now raises std::bad_alloc (the nothrow forms give
// nullptr), once, as a request the system refuses would.
void FailAllocationAfter(int64_t n) noexcept;
// No failure pending; true when the one asked for happened.
bool StopFailingAllocations() noexcept;
// Which refusals may happen, by the code that called operator new (null:
// any); one that may not moves to the next allocation.
void SetRefusableAllocations(bool (*may)(const void* caller)) noexcept;
