#include <gtest/gtest.h>

#include "CorpusReplay.h"
#include "ScenarioFuzz.h"

namespace velorix::sim::test {
namespace {

TEST(ScenarioCorpus, ReplaysWithoutABrokenPromise) {
    EXPECT_GE(velorix::test::ReplayCorpus(VELORIX_SCENARIO_CORPUS, FuzzScenario), 7);
}

}  // namespace
}  // namespace velorix::sim::test
