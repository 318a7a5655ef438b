#include <gtest/gtest.h>

#include <filesystem>

#include "TempDir.h"
#include "WavHeaderFuzz.h"

namespace velorix {
namespace {

// Every input of the fuzz target's seed corpus, replayed in every build.
TEST(WavHeaderCorpus, ReplaysWithoutABrokenPromise) {
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(VELORIX_WAV_CORPUS)) {
        const auto bytes = test::ReadAll(e.path().string());
        test::FuzzWavHeader(bytes.data(), bytes.size());
        ++files;
    }
    EXPECT_GE(files, 5);
}

}  // namespace
}  // namespace velorix
