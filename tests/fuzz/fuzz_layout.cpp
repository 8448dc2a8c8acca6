// The random-layout checker: an input names a seed (its decimal text, or
// any other bytes hashed), the seed a report and its rows, which are
// prepared and checked as the tests check their fixed seeds. A failing
// seed is printed at once with its first fault, and the run goes on. A
// fault that an open engine finding already holds (knownFinding) is
// counted apart and fails nothing; at the end a run that met a fault of a
// new kind exits 1. A seed's report is then
// `build/tests/report/layoutcheck SEED`, and `layoutcheck --shrink SEED
// FOLDER` makes it small enough for an engine case.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <unistd.h>

#include "FakeSpooler.h"
#include "FuzzGui.h"
#include "RandomLayout.h"
#include "rpPrinter.h"
#include "rpStartup.h"

namespace {

int g_new = 0;
std::map<std::string, int> g_known;

void summary()
{
    for (const auto& [finding, count] : g_known)
        std::fprintf(stderr, "layout: %d seeds show the open finding %s\n", count, finding.c_str());
    if (g_new == 0) return;
    std::fprintf(stderr, "layout: %d seeds failed with a fault of a new kind\n", g_new);
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
    const random_layout::Layout layout = random_layout::generate(seed);
    const random_layout::Outcome outcome = random_layout::check(layout);
    if (outcome.faults.empty()) return 0;
    const std::string finding = random_layout::knownFinding(layout, outcome);
    if (!finding.empty()) {
        // The first seeds of each are enough to see the finding is still open.
        if (++g_known[finding] <= 3)
            std::fprintf(stderr, "layout seed %llu shows the open finding %s\n", static_cast<unsigned long long>(seed),
                         finding.c_str());
        return 0;
    }
    ++g_new;
    std::fprintf(stderr, "layout seed %llu fails (%zu faults), first: %s\n", static_cast<unsigned long long>(seed),
                 outcome.faults.size(), outcome.faults.front().c_str());
    return 0;
}
