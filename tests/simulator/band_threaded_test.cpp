// Band models on several threads at once share the built-in programmes: each
// stream is the same as when it is made alone.
#include <gtest/gtest.h>

#include <thread>

#include "BandProbe.h"

namespace velorix::sim {
namespace {

using namespace probe;

TEST(BandThreaded, ConcurrentModelsShareProgrammesSafely) {
    // Voice and music stations of every variant, SSB too (the analytic loops).
    std::string text;
    for (int i = 0; i < 8; ++i) {
        text += "station freq=" + std::to_string(7010000 + 10000 * i) +
                " mode=" + (i % 2 ? "USB" : "AM") +
                " level=-60 audio=" + (i % 3 ? "voice" : "music") + "\n";
    }
    const BandScenario s = Scenario(text);
    auto run = [&](uint64_t seed) {
        BandModel band(s, seed);
        band.SetRate(125);
        band.SetCentreHz(7050000.0);
        return Frames(band, 20000);
    };
    std::vector<std::vector<uint8_t>> results(4);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] { results[size_t(t)] = run(100 + t % 2); });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(results[0], results[2]);
    EXPECT_EQ(results[1], results[3]);
    EXPECT_NE(results[0], results[1]);
    EXPECT_EQ(results[0], run(100));
}

}  // namespace
}  // namespace velorix::sim
