// The script compiler and interpreter of one language (FUZZ_LANGUAGE): the
// input is a program. It must compile or give a compile error; a program
// that compiles runs with the system functions until it ends, raises a
// script error, or is stopped: after 200,000 statements, when the heap
// has grown by 64 MB, or after a second of CPU time (a loop with an empty body
// runs no statement). Nothing may crash, hang or escape as another
// exception.
#include <malloc.h>
#include <signal.h>
#include <sys/time.h>

#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define FUZZ_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FUZZ_ASAN 1
#endif
#endif
#ifdef FUZZ_ASAN
#include <sanitizer/allocator_interface.h>
#endif

#include "Exceptions.h"
#include "FuzzSupport.h"
#include "sc_interpreter.h"
#include "sc_sysrtti.h"
#include "sc_tools.h"

namespace {

TscScript* volatile g_running = nullptr;

// SIGVTALRM, on this thread: stops the run at its next statement or loop
// turn. It only sets the run flags of the compiled scopes.
void expire(int)
{
    if (TscScript* script = g_running) script->Terminate();
}

void armTimer(bool on)
{
    itimerval timer{};
    if (on) {
        timer.it_value.tv_sec = 1;
        timer.it_interval.tv_usec = 100000;  // again, should a call reset the flags
    }
    setitimer(ITIMER_VIRTUAL, &timer, nullptr);
}

// The sanitizer's allocator keeps its own count.
size_t heapInUse()
{
#ifdef FUZZ_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;  // large blocks are mapped apart
#endif
}

class QuietUi final : public TscScriptUi {
public:
    void ShowMessage(const std::string&) override {}
};

std::vector<std::string> splitLines(std::string_view text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
        if (end == text.size()) return lines;
        start = end + 1;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    scRegisterStandardLanguages();
    static QuietUi ui;
    scSetScriptUi(&ui);
    struct sigaction action{};
    action.sa_handler = expire;
    sigaction(SIGVTALRM, &action, nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 65536) return 0;
    TscScript script;
    script.SyntaxType = FUZZ_LANGUAGE;
    script.ExtendedCharset = 1;
    script.Lines = splitLines(fuzz_support::bytes(data, size));
    // A statement may double a text: the heap is looked at every time.
    const size_t heapLimit = heapInUse() + (64u << 20);
    long statements = 0;
    script.OnRunLine = [&](TscScript* sender, const std::string&, const std::string&) {
        if (++statements > 200000 || heapInUse() > heapLimit) sender->MainProg()->Terminate();
    };
    try {
        script.AddRTTI();
        if (!script.Compile()) {
            FUZZ_CHECK(!script.ErrorMsg.empty(), "a failed compile without a message");
            return 0;
        }
        g_running = &script;
        armTimer(true);
        script.Execute();
    } catch (const Exception&) {
        // A script error (raised, stack overflow, out of memory): an answer.
    }
    armTimer(false);
    g_running = nullptr;
    return 0;
}
