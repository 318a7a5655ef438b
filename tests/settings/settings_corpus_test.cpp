#include <gtest/gtest.h>

#include "CorpusReplay.h"
#include "SettingsFuzz.h"

namespace velorix::test {
namespace {

TEST(SettingsCorpus, ReplaysWithoutABrokenPromise) {
    EXPECT_GE(ReplayCorpus(VELORIX_SETTINGS_CORPUS, FuzzSettingsLoad), 6);
}

}  // namespace
}  // namespace velorix::test
