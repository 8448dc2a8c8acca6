#pragma once
// The native stack left to the running thread. Call counts alone cannot
// keep a script from exhausting the stack (a call nested in brackets costs
// many frames, a host thread may have a small stack), so every recursive
// path of the compiler and the interpreter compares its frame with a limit
// a reserve above the stack's end, measured once per thread.

#include <cstdint>
#include <string>

class Exception;

// The lowest frame address that leaves the reserve; UINTPTR_MAX until this
// thread's stack is measured, 0 when it cannot be.
extern constinit thread_local uintptr_t scStackLimit;

// Measures the stack on first use; true when the frame is below the limit.
bool scStackBelowLimit(uintptr_t frame) noexcept;

// Where the caller's frame ends. Read from the register where there is one:
// asking for the frame's address makes every checking function keep a
// frame pointer.
[[gnu::always_inline]] inline uintptr_t scStackPosition() noexcept
{
#if defined(__x86_64__)
    uintptr_t sp;
    asm("mov %%rsp, %0" : "=r"(sp));
    return sp;
#elif defined(__aarch64__)
    uintptr_t sp;
    asm("mov %0, sp" : "=r"(sp));
    return sp;
#else
    return reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
#endif
}

// True when the caller's frame lies within the reserve.
[[gnu::always_inline]] inline bool scStackLow() noexcept
{
    const uintptr_t frame = scStackPosition();
    return frame < scStackLimit && scStackBelowLimit(frame);
}

// Raises EStackOverflow "Stack overflow" (run time), or "Stack overflow in
// NAME" for the procedure that was being entered.
[[noreturn]] void scRaiseStackOverflow();
[[noreturn]] void scRaiseStackOverflow(const std::string& procedure);
// Names the procedure the overflow happened in, unless one is named: the
// innermost procedure an overflow passes through is where it happened.
void scNameStackOverflow(Exception& e, const std::string& procedure);
// Raises the compile error "Program nested too deeply".
[[noreturn]] void scRaiseNestingTooDeep();

[[gnu::always_inline]] inline void scCheckStack()
{
    if (scStackLow()) scRaiseStackOverflow();
}

inline void scCheckCompileStack()
{
    if (scStackLow()) scRaiseNestingTooDeep();
}
