// The script compiler and interpreter of one language (FUZZ_LANGUAGE): the
// input is a program. It must compile or give a compile error; a program
// that compiles runs with the system functions until it ends, raises a
// script error, or is stopped: after 200,000 statements, when the heap
// has grown by 64 MB, or after 0.2 s of CPU time (a loop with an empty
// body runs no statement). Nothing may crash, hang or escape as another
// exception.
//
// With FUZZ_CLASS_MODULES the windowless class modules (string lists,
// streams, ini files, XML) are registered too. No member may reach a file
// there: those taking a file name raise, and ini files are made in memory
// with no name. Objects the program made and left alive are freed after
// the run, last made first, as a tidy program would.
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
#ifdef FUZZ_CLASS_MODULES
#include "CoreClasses.h"
#include "IniFiles.h"
#include "Streams.h"
#include "SysUtils.h"
#include "sc_registrar.h"
#endif
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
        // Short: a loop with an empty body whose condition doubles a text
        // meets no statement, and so no look at the heap.
        timer.it_value.tv_usec = 200000;
        timer.it_interval.tv_usec = 20000;  // again, should a call reset the flags
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

#ifdef FUZZ_CLASS_MODULES

std::vector<ObjectHandle> g_made;

bool takesFileName(const TscCustomVariable& member)
{
    for (int i = 0; i < member.Count(); ++i)
        if (SameText(member.GetParam(i)->Name, "FileName")) return true;
    return false;
}

// The ini constructors keep working on an empty file name; TIniFile, which
// goes to disk on every call, is refused.
TscMethodCallbackEx memoryIni(TscMethodCallbackEx call)
{
    return [call](TObject* o, const TClass* named, const std::string& name, TscMethodHelper* caller) {
        if (!named || !named->InheritsFrom(TMemIniFile::StaticClass()))
            throw EFOpenError("The fuzz target makes ini files in memory only");
        caller->ParamValue(0) = Variant(std::string());
        return call(o, named, name, caller);
    };
}

TscMethodCallbackEx noFile()
{
    return [](TObject*, const TClass*, const std::string&, TscMethodHelper*) -> Variant {
        throw EFOpenError("The fuzz target reaches no file");
    };
}

TscMethodCallbackEx remembered(TscMethodCallbackEx call)
{
    return [call](TObject* o, const TClass* named, const std::string& name, TscMethodHelper* caller) {
        Variant made = call(o, named, name, caller);
        if (made.isObject()) g_made.push_back(made.rawObject());
        return made;
    };
}

// Under the sanitizer a failed allocation aborts instead of raising, so a
// stream may not be positioned beyond what the heap limit allows: a write
// there would ask for all the bytes up to it at once.
constexpr int64_t kStreamReach = 64 << 20;

[[noreturn]] void tooFar()
{
    throw EStreamError("The fuzz target keeps streams within 64 MB");
}

TscMethodCallbackEx boundedSeek(TscMethodCallbackEx call)
{
    return [call](TObject* o, const TClass* cls, const std::string& name, TscMethodHelper* caller) {
        auto& stream = static_cast<TStream&>(*o);
        const int64_t before = stream.Position();
        Variant result = call(o, cls, name, caller);
        if (stream.Position() > kStreamReach) {
            stream.SetPosition(before);
            tooFar();
        }
        return result;
    };
}

TscPropertySetter boundedPosition(TscPropertySetter set)
{
    return [set](TObject* o, const TClass* cls, const std::string& name, const Variant& value) {
        if (value.toInt64() > kStreamReach) tooFar();
        set(o, cls, name, value);
    };
}

// Returns how many of Seek and the Position setter it bounded.
int boundStreamPositions(TscClassVariable& stream)
{
    int bounded = 0;
    for (const auto& member : stream.Members()) {
        if (auto* seek = dynamic_cast<TscMethodHelper*>(member.get()); seek && SameText(seek->Name, "Seek")) {
            seek->OnCallEx = boundedSeek(seek->OnCallEx);
            ++bounded;
        } else if (auto* position = dynamic_cast<TscPropertyHelper*>(member.get());
                   position && SameText(position->Name, "Position") && position->OnSetValue) {
            position->OnSetValue = boundedPosition(position->OnSetValue);
            ++bounded;
        }
    }
    return bounded;
}

// Guards the members that take a file name, bounds stream positions and
// remembers what constructors make.
void guardClassMembers(TscScript& script)
{
    int guarded = 0;
    int bounded = 0;
    for (int i = 0; i < script.Count(); ++i) {
        if (script.Items(i)->ItemKind != ikClass) continue;
        auto* record = static_cast<TscClassVariable*>(script.Items(i));
        const bool ini = record->ClassRef && record->ClassRef->InheritsFrom(TCustomIniFile::StaticClass());
        if (record->ClassRef && record->ClassRef->InheritsFrom(TStream::StaticClass()))
            bounded += boundStreamPositions(*record);
        for (const auto& member : record->Members()) {
            if (member->ItemKind != ikMethod) continue;
            auto* method = static_cast<TscMethodHelper*>(member.get());
            FUZZ_CHECK(method->OnCallEx, "a class member without a handler: " + method->Name);
            const bool constructor = method->Typ == fvtConstructor;
            if (takesFileName(*method)) {
                method->OnCallEx = constructor && ini ? memoryIni(method->OnCallEx) : noFile();
                ++guarded;
            }
            if (constructor) method->OnCallEx = remembered(method->OnCallEx);
        }
    }
    // Stream, string list, XML document and ini constructors and their
    // loads and saves: a rename must not let one through unguarded.
    FUZZ_CHECK(guarded >= 9, "a member taking a file name is no longer found");
    FUZZ_CHECK(bounded >= 2, "TStream.Seek or TStream.Position is no longer found");
}

void freeLeftovers()
{
    for (auto at = g_made.rbegin(); at != g_made.rend(); ++at) {
        TObject* object = FindObjectByHandle(*at);
        if (object && scMayFree(object)) scFreeObject(object);
    }
    g_made.clear();
}

#endif

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
#ifdef FUZZ_CLASS_MODULES
    registerCoreClasses();
    scRegisterStandardLanguages();
    scRegisterWindowlessModules();
#else
    scRegisterStandardLanguages();
#endif
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
    // Units included by name would be read from anywhere: they are empty.
    script.OnGetUnit = [](TscScript*, const std::string&, std::string& text) { text.clear(); };
    // A statement may double a text: the heap is looked at every time.
    const size_t heapLimit = heapInUse() + (64u << 20);
    long statements = 0;
    script.OnRunLine = [&](TscScript* sender, const std::string&, const std::string&) {
        if (++statements > 200000 || heapInUse() > heapLimit) sender->MainProg()->Terminate();
    };
    try {
        script.AddRTTI();
#ifdef FUZZ_CLASS_MODULES
        guardClassMembers(script);
#endif
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
#ifdef FUZZ_CLASS_MODULES
    try {
        freeLeftovers();
    } catch (const Exception& e) {
        FUZZ_CHECK(false, std::string("freeing what the program left: ") + e.what());
    }
#endif
    return 0;
}
