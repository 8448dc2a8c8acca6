// Mutated corpus files: the reader never faults or hangs, and what it
// makes of them writes and reads back to the same document and bytes.
// A bounded number of cases here; rtf_fuzz runs the same loop for longer.
#include <gtest/gtest.h>

#include <fstream>

#include "RichTestSupport.h"

using namespace richtest;

TEST(RtfFuzz, MutatedCorpusFilesStayStable)
{
    uint32_t seed = 20240601;
    for (const std::string& name : CorpusFiles()) {
        const std::string original = ReadFile(CorpusPath(name));
        for (int i = 0; i < 150; ++i) {
            const std::string mutated = Mutate(original, seed);
            const std::string failure = CheckStable(mutated);
            if (!failure.empty()) {
                const std::string saved = ::testing::TempDir() + "rtf_fuzz_failure.rtf";
                std::ofstream(saved, std::ios::binary) << mutated;
                FAIL() << name << " case " << i << ": " << failure << " (input saved as " << saved << ")";
            }
        }
    }
}
