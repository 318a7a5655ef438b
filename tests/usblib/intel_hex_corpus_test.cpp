#include <gtest/gtest.h>

#include "CorpusReplay.h"
#include "IntelHexFuzz.h"

namespace velorix::test {
namespace {

TEST(IntelHexCorpus, ReplaysWithoutABrokenPromise) {
    EXPECT_GE(ReplayCorpus(VELORIX_HEX_CORPUS, FuzzIntelHex), 8);
}

}  // namespace
}  // namespace velorix::test
