#pragma once
// What every fuzz target shares: its start, a check that stops the process
// with a message (a failed round trip is as much a finding as a crash), and
// the input as text.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

// The target's start, run once before the first input.
#define FUZZ_START(...)                                    \
    extern "C" int LLVMFuzzerInitialize(int*, char***)     \
    {                                                      \
        __VA_ARGS__;                                       \
        return 0;                                          \
    }

#define FUZZ_CHECK(condition, what)                                                                   \
    do {                                                                                              \
        if (!(condition)) fuzz_support::fail(__FILE__, __LINE__, #condition, (what));                 \
    } while (false)

namespace fuzz_support {

[[noreturn]] inline void fail(const char* file, int line, const char* condition, const std::string& what)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n%s\n", file, line, condition, what.c_str());
    std::abort();
}

inline std::string_view bytes(const uint8_t* data, size_t size)
{
    return {reinterpret_cast<const char*>(data), size};
}

}  // namespace fuzz_support
