// rtf_fuzz [seconds] [seed]: the fuzz test's loop for longer (60 s by
// default). A failing input is saved as rtf_fuzz_failure.rtf.
#include <QGuiApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "RichTestSupport.h"

using namespace richtest;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60;
    uint32_t seed = argc > 2 ? static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10))
                             : static_cast<uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::printf("seed %u\n", seed);
    std::vector<std::string> inputs;
    for (const std::string& name : CorpusFiles()) inputs.push_back(ReadFile(CorpusPath(name)));
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long cases = 0;
    while (std::chrono::steady_clock::now() < end) {
        std::string data = inputs[cases % inputs.size()];
        // Mutations pile up on one input for a while.
        for (int depth = 0; depth < 8; ++depth, ++cases) {
            data = Mutate(data, seed);
            const std::string failure = CheckStable(data);
            if (!failure.empty()) {
                std::ofstream("rtf_fuzz_failure.rtf", std::ios::binary) << data;
                std::printf("case %ld: %s (saved as rtf_fuzz_failure.rtf)\n", cases, failure.c_str());
                return 1;
            }
        }
    }
    std::printf("%ld cases, no failure\n", cases);
    return 0;
}
