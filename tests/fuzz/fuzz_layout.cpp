// The random-layout checker: an input names a seed (its decimal text, or
// any other bytes hashed), the seed a report and its rows, which are
// prepared and checked as the tests check their fixed seeds. A failing
// seed is printed at once with its first fault, and the run goes on; at
// its end the seeds that failed are counted and the exit code is 1. A
// seed's report is then `build/tests/report/layoutcheck SEED`, and
// `layoutcheck --shrink SEED FOLDER` makes it small enough for an engine
// case.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "FakeSpooler.h"
#include "FuzzGui.h"
#include "RandomLayout.h"
#include "rpPrinter.h"
#include "rpStartup.h"

namespace {

int g_failed = 0;

void summary()
{
    if (g_failed == 0) return;
    std::fprintf(stderr, "layout: %d seeds failed\n", g_failed);
    std::fflush(stderr);
    _exit(1);
}

void start()
{
    fuzz_support::ensureGuiApplication<QApplication>();
    fuzz_support::installSilentUi();
    registerReportSystem();
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    std::atexit(summary);
}

}  // namespace

FUZZ_START(start())

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const uint64_t seed = random_layout::seedOf(std::string(fuzz_support::bytes(data, size)));
    const random_layout::Outcome outcome = random_layout::check(random_layout::generate(seed));
    if (outcome.faults.empty()) return 0;
    ++g_failed;
    std::fprintf(stderr, "layout seed %llu fails (%zu faults), first: %s\n", static_cast<unsigned long long>(seed),
                 outcome.faults.size(), outcome.faults.front().c_str());
    return 0;
}
