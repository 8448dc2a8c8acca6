// layoutcheck: the random-layout checker for a developer.
//
//   layoutcheck SEED                  the report of a seed, its faults
//   layoutcheck --xml SEED            its report file, then its data
//   layoutcheck --file FOLDER         a finding's report (report.xml,
//                                     data.sql, report.data) and its faults
//   layoutcheck --seeds FROM-TO       every seed of the range; the failing
//                                     ones with their first fault and the
//                                     open finding they show, if any
//   layoutcheck --seconds N           random seeds for N seconds
//   layoutcheck --shrink SEED DIR     the smallest report that fails like
//                                     the seed, written to DIR as a finding
//
// Exit code 0 when nothing failed, 1 when something did (in a sweep: a
// fault that no open finding holds), 2 for a wrong command line.
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>

#include "FakeSpooler.h"
#include "RandomLayout.h"
#include "Watchdog.h"
#include "rpPrinter.h"
#include "rpStartup.h"

using namespace random_layout;

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: layoutcheck SEED | --xml SEED | --file FOLDER | --seeds FROM-TO | --seconds N | "
                 "--shrink SEED FOLDER\n");
    return 2;
}

bool number(const char* text, uint64_t& out)
{
    char* end = nullptr;
    if (!text || !*text) return false;
    out = std::strtoull(text, &end, 10);
    return *end == 0;
}

Outcome checked(const Layout& layout)
{
    Watchdog watchdog(120, "layout seed " + std::to_string(layout.seed));
    return check(layout);
}

std::string makeText(const Layout& layout)
{
    std::string out;
    for (const std::string& word : makeOf(layout.xml)) out += (out.empty() ? "" : " ") + word;
    return out;
}

void report(const Layout& layout, const Outcome& outcome)
{
    std::printf("seed %llu: %d pages%s\n", static_cast<unsigned long long>(layout.seed), outcome.pages,
                outcome.faults.empty() ? ", no fault" : "");
    for (const std::string& fault : outcome.faults) std::printf("  %s\n", fault.c_str());
    if (outcome.faults.empty()) return;
    const std::string finding = knownFinding(layout, outcome);
    std::printf("made of: %s\n%s\n", makeText(layout).c_str(),
                finding.empty() ? "a fault of a new kind" : ("open finding: " + finding).c_str());
}

// Seeds one after the other until `more` says stop; the failing ones are
// printed with their first fault, and with the open finding they show or
// what their report is made of. Only faults of a new kind fail the sweep.
template <class More, class Next>
int sweep(More more, Next next)
{
    const auto start = std::chrono::steady_clock::now();
    int ran = 0, failed = 0, fresh = 0;
    std::map<std::string, int> known;
    while (more(ran)) {
        const Layout layout = generate(next());
        const Outcome outcome = checked(layout);
        ++ran;
        if (outcome.faults.empty()) continue;
        ++failed;
        const std::string finding = knownFinding(layout, outcome);
        if (finding.empty()) ++fresh;
        else ++known[finding];
        std::printf("seed %llu: %zu faults, first: %s\n  %s\n", static_cast<unsigned long long>(layout.seed),
                    outcome.faults.size(), outcome.faults.front().c_str(),
                    finding.empty() ? ("NEW, made of: " + makeText(layout)).c_str() : ("known: " + finding).c_str());
        std::fflush(stdout);
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%d seeds in %.1f s, %d failed: %d of a new kind, %d of open findings\n", ran, seconds, failed, fresh,
                failed - fresh);
    for (const auto& [finding, count] : known) std::printf("  %5d %s\n", count, finding.c_str());
    return fresh ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerReportSystem();
    SetPrintersSpooler(std::make_unique<FakeSpooler>());
    const std::string option = argc > 1 ? argv[1] : "";
    uint64_t seed = 0, to = 0;
    if (argc == 2 && number(argv[1], seed)) {
        const Layout layout = generate(seed);
        const Outcome outcome = checked(layout);
        std::printf("%s", outcome.dump.c_str());
        report(layout, outcome);
        return outcome.faults.empty() ? 0 : 1;
    }
    if (argc == 3 && option == "--xml" && number(argv[2], seed)) {
        const Layout layout = generate(seed);
        std::printf("%s\n%s", layout.xml.c_str(), layout.sql.c_str());
        for (const auto& [name, sql] : layout.datasets) std::printf("-- %s=%s\n", name.c_str(), sql.c_str());
        return 0;
    }
    if (argc == 3 && option == "--file") {
        const Layout layout = readFinding(argv[2]);
        if (layout.xml.empty()) {
            std::fprintf(stderr, "layoutcheck: %s: no report.xml\n", argv[2]);
            return 1;
        }
        const Outcome outcome = checked(layout);
        std::printf("%s", outcome.dump.c_str());
        report(layout, outcome);
        return outcome.faults.empty() ? 0 : 1;
    }
    if (argc == 3 && option == "--seeds") {
        const std::string range = argv[2];
        const size_t dash = range.find('-');
        if (dash == std::string::npos || !number(range.substr(0, dash).c_str(), seed) ||
            !number(range.substr(dash + 1).c_str(), to) || to < seed)
            return usage();
        uint64_t next = seed;
        return sweep([&](int) { return next <= to; }, [&] { return next++; });
    }
    if (argc == 3 && option == "--seconds" && number(argv[2], to)) {
        std::random_device device;
        std::mt19937_64 random((static_cast<uint64_t>(device()) << 32) ^ device());
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(to);
        return sweep([&](int) { return std::chrono::steady_clock::now() < end; }, [&] { return random(); });
    }
    if (argc == 4 && option == "--shrink" && number(argv[2], seed)) {
        const Layout layout = generate(seed);
        const Outcome outcome = checked(layout);
        if (outcome.faults.empty()) {
            std::printf("seed %llu: no fault to shrink\n", static_cast<unsigned long long>(seed));
            return 0;
        }
        const std::string kind = faultKind(outcome.faults.front());
        std::printf("seed %llu: shrinking what fails with \"%s\"\n", static_cast<unsigned long long>(seed), kind.c_str());
        const Layout small = shrink(layout, kind);
        const Outcome smallOutcome = checked(small);
        writeFinding(argv[3], small, smallOutcome);
        std::printf("%s", small.xml.c_str());
        report(small, smallOutcome);
        return 1;
    }
    return usage();
}
