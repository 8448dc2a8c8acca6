#pragma once
// Counts every allocation made through global operator new in this test
// program (the replacement operators live in AllocCounter.cpp).

#include <cstdint>

uint64_t AllocationCount() noexcept;
