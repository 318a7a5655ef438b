// The band's frames: the overload mark exactly when the stations' peaks exceed
// the converter's full scale, determinism under a seed, offline synthesis, and
// a refused scenario that keeps the virtual receiver off the bus.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include <unistd.h>

#include "BandProbe.h"
#include "BandSynthesis.h"
#include "DefaultBand.h"
#include "VirtualReceiver.h"

namespace velorix::sim {
namespace {

using namespace probe;

// The acquisition board's test on a unit's first frame: bit 0 of I's low byte
// differs from bit 7 of its high byte.
bool Marked(const uint8_t* frame) {
    return (frame[0] & 1) != ((frame[2] >> 7) & 1);
}

// Marked frames among `frames` read from offset 0, and the largest |count|.
size_t CountMarks(const std::vector<uint8_t>& frames, int32_t* largest = nullptr) {
    size_t marks = 0;
    int32_t top = 0;
    for (size_t n = 0; n < frames.size() / 6; ++n) {
        marks += Marked(&frames[6 * n]);
        top = std::max({top, std::abs(test_signal::Read24(&frames[6 * n])),
                        std::abs(test_signal::Read24(&frames[6 * n + 3]))});
    }
    if (largest) *largest = top;
    return marks;
}

TEST(BandOverload, MarkAppearsExactlyWhenPeaksExceedFullScale) {
    // Full scale: +2.0 dBm at attenuator 0 without the preamp; +10 dB per step;
    // 3.5 dB lower with the preamp. Two carriers 1 MHz apart share the peak.
    struct Case {
        double eachDbm;
        int att;
        bool preamp;
        bool marked;
    } cases[] = {
        {-4.1, 0, false, false}, {-3.9, 0, false, true},  {5.9, 1, false, false},
        {6.1, 1, false, true},   {25.9, 3, false, false}, {26.1, 3, false, true},
        {-7.6, 0, true, false},  {-7.4, 0, true, true},
    };
    for (const Case& c : cases) {
        const std::string level = std::to_string(c.eachDbm);
        BandModel band(Scenario("station freq=7000000 mode=CARRIER level=" + level +
                                "\nstation freq=8000000 mode=CARRIER level=" + level),
                       1);
        band.SetRate(250);
        band.SetCentreHz(7000000.0);
        FrontEndSetting s;
        s.attenuatorStep = c.att;
        s.preamp = c.preamp;
        band.SetSetting(s);
        // 2720-frame USB blocks against 1024-frame units: start anywhere.
        const std::vector<uint8_t> frames = Frames(band, 3 * 2720 + 17);
        int32_t largest = 0;
        const size_t marks = CountMarks(frames, &largest);
        SCOPED_TRACE(testing::Message()
                     << c.eachDbm << " dBm, att " << c.att << ", preamp " << c.preamp);
        EXPECT_EQ(band.Overloaded(), c.marked);
        EXPECT_EQ(marks, c.marked ? frames.size() / 6 : 0u);
        EXPECT_LE(largest, 8388607);
    }
}

TEST(BandOverload, TheDefaultBandNeverClipsAtAnySetting) {
    const BandScenario s = Scenario(DefaultBandText());
    for (double centre : {9600000.0, 14150000.0}) {
        for (int att = 0; att < 4; ++att) {
            for (bool preamp : {false, true}) {
                for (int filter : {10, front_end::PreselectorFilterFor(centre)}) {
                    BandModel band(s, 2);
                    band.SetRate(500);
                    band.SetCentreHz(centre);
                    band.SetSetting(FrontEndSetting{att, preamp, true, filter});
                    EXPECT_FALSE(band.Overloaded());
                    EXPECT_EQ(CountMarks(Frames(band, 20000)), 0u);
                }
            }
        }
    }
}

TEST(BandOverload, MarkFollowsTheFrontEndAsTheDeviceSetsIt) {
    // +0 dBm: overloads with the preamp on (full scale -1.5 dBm), not without.
    BandModel band(Scenario("station freq=7000000 mode=CARRIER level=0"), 1);
    band.SetRate(125);
    FrontEndState state;
    state.tuningWord = uint32_t(std::llround(7.0e6 / 80e6 * 4294967296.0));
    state.controlByte = 0x01;
    band.SetFrontEnd(state);
    EXPECT_EQ(CountMarks(Frames(band, 4096)), 0u);
    state.controlByte = 0x05;  // run + preamp
    band.SetFrontEnd(state);
    EXPECT_EQ(CountMarks(Frames(band, 4096)), 4096u);
    state.portByte = 0x1A;  // attenuator step 1
    band.SetFrontEnd(state);
    EXPECT_EQ(CountMarks(Frames(band, 4096)), 0u);
    // A pre-production unit's attenuator is wired in reverse: step 3 is 0 dB.
    BandModel reversed(Scenario("station freq=7000000 mode=CARRIER level=0"), 1, true);
    reversed.SetRate(125);
    state.portByte = 0x3A;
    reversed.SetFrontEnd(state);
    EXPECT_EQ(CountMarks(Frames(reversed, 4096)), 4096u);
}

TEST(BandStream, SameSeedSameFramesOtherSeedOthers) {
    const BandScenario s = Scenario(DefaultBandText());
    auto run = [&](uint64_t seed) {
        BandModel band(s, seed);
        band.SetRate(250);
        band.SetCentreHz(14100000.0);
        return Frames(band, 50000);
    };
    const std::vector<uint8_t> a = run(11), b = run(11), c = run(12);
    EXPECT_EQ(a, b);
    EXPECT_NE(a, c);
    // Reads of any size give the same stream.
    BandModel band(s, 11);
    band.SetRate(250);
    band.SetCentreHz(14100000.0);
    std::vector<uint8_t> pieces;
    for (size_t n : {1, 7, 2720, 999, 46273}) {
        const std::vector<uint8_t> p = Frames(band, n);
        pieces.insert(pieces.end(), p.begin(), p.end());
    }
    EXPECT_EQ(pieces, a);
}

TEST(BandStream, ImpulsesComeAtTheirRateLevelAndWidth) {
    BandModel band(Scenario("impulses rate=50 level=-40 width=4"), 3);
    band.SetRate(125);
    band.SetCentreHz(7000000.0);
    const std::vector<C> x = Samples(band, 250000);  // 2 s
    // Converter noise is about -105 dBm in 125 kHz: the impulses stand far above it.
    const double threshold = front_end::UnitsFromDb(-40 + 4.0 - 6.0);
    int impulses = 0;
    size_t k = 0;
    while (k < x.size()) {
        if (std::abs(x[k]) < threshold) {
            ++k;
            continue;
        }
        size_t width = 0;
        while (k + width < x.size() && std::abs(x[k + width]) > threshold)
            ++width;
        EXPECT_EQ(width % 4, 0u);  // impulses may touch, never split
        EXPECT_NEAR(20 * std::log10(std::abs(x[k])) - 4.0, -40.0, 0.5);
        impulses += int(width / 4);
        k += width;
    }
    EXPECT_NEAR(impulses, 100, 30);  // Poisson, 50 per second
}

TEST(BandStream, FadingIsSlowRayleighLikeAndKeepsTheMeanLevel) {
    BandModel band(Scenario("station freq=7020000 mode=CARRIER level=-60 fading=1"), 9);
    band.SetRate(125);
    band.SetCentreHz(7000000.0);
    const std::vector<C> x = Samples(band, 125000 * 30);
    // Envelope at 1 kHz.
    std::vector<double> powerDb;
    double mean = 0.0;
    for (size_t k = 0; k + 125 <= x.size(); k += 125) {
        C acc;
        for (size_t j = k; j < k + 125; ++j)
            acc += x[j] * std::polar(1.0, -2 * kPi * 20000.0 * double(j) / 125000.0);
        const double p = std::norm(acc / 125.0);
        mean += p;
        powerDb.push_back(10 * std::log10(p) - 4.0);
    }
    mean /= double(powerDb.size());
    EXPECT_NEAR(10 * std::log10(mean) - 4.0, -60.0, 3.0);
    size_t deep = 0;
    double biggestStep = 0.0;
    for (size_t k = 0; k < powerDb.size(); ++k) {
        deep += powerDb[k] < -70.0;
        // Slow: from one millisecond to the next it moves by little, but for deep nulls.
        if (k > 0 && powerDb[k] > -75.0 && powerDb[k - 1] > -75.0)
            biggestStep = std::max(biggestStep, std::fabs(powerDb[k] - powerDb[k - 1]));
    }
    // Rayleigh: about 10 % of the time 10 dB or more below the mean.
    EXPECT_GT(double(deep) / double(powerDb.size()), 0.03);
    EXPECT_LT(double(deep) / double(powerDb.size()), 0.2);
    EXPECT_LT(biggestStep, 1.0);
}

TEST(BandStream, DitherAddsNothing) {
    const BandScenario s = Scenario(DefaultBandText());
    auto run = [&](bool dither) {
        BandModel band(s, 5);
        band.SetRate(125);
        band.SetCentreHz(7030000.0);
        band.SetSetting(FrontEndSetting{0, false, dither, 10});
        return Frames(band, 30000);
    };
    EXPECT_EQ(run(true), run(false));
}

TEST(BandSynthesis, DeliversRateTimesSecondsFramesAsTheStreamWould) {
    const BandScenario s = Scenario(DefaultBandText());
    SynthesisRequest request;
    request.centreHz = 9600000.0;
    request.rateKHz = 500;
    request.seconds = 0.25;
    request.seed = 4;
    std::vector<uint8_t> all;
    size_t runs = 0;
    std::string error;
    const uint64_t frames = SynthesizeBand(
        s, request,
        [&](const uint8_t* f, size_t n) {
            all.insert(all.end(), f, f + 6 * n);
            ++runs;
            return true;
        },
        error, 10000);
    EXPECT_EQ(error, "");
    EXPECT_EQ(frames, 125000u);
    EXPECT_EQ(all.size(), 125000u * 6);
    EXPECT_EQ(runs, 13u);
    BandModel band(s, 4);
    band.SetRate(500);
    band.SetCentreHz(9600000.0);
    EXPECT_EQ(Frames(band, 125000), all);
    // The sink can stop it.
    EXPECT_EQ(SynthesizeBand(
                  s, request, [](const uint8_t*, size_t) { return false; }, error, 1000),
              1000u);
    request.rateKHz = 300;
    EXPECT_EQ(SynthesizeBand(
                  s, request, [](const uint8_t*, size_t) { return true; }, error),
              0u);
    EXPECT_EQ(error, "the output rate must be 125, 250 or 500 kHz");
    request.rateKHz = 125;
    request.seconds = -1;
    EXPECT_EQ(SynthesizeBand(
                  s, request, [](const uint8_t*, size_t) { return true; }, error),
              0u);
    BandScenario loaded;
    EXPECT_FALSE(LoadBand("/nonexistent", loaded, error));
    EXPECT_TRUE(LoadBand("", loaded, error));
    EXPECT_EQ(loaded.stations.size(), s.stations.size());
}

TEST(BandVirtualReceiver, RefusedScenarioKeepsTheDeviceOffTheBus) {
    const std::string path = "/tmp/velorix-refused-" + std::to_string(::getpid()) + ".txt";
    std::ofstream(path) << "noise density=-140\nstation freq=1000 mode=AM\n";
    VirtualConfig c;
    c.scenarioFile = path;
    VirtualReceiver refused(c);
    EXPECT_TRUE(refused.Refused());
    EXPECT_FALSE(refused.Attached());
    refused.Plug();
    EXPECT_FALSE(refused.Attached());
    std::ofstream(path) << "noise density=-140\nstation freq=1000 mode=AM level=-60\n";
    VirtualReceiver fine(c);
    EXPECT_FALSE(fine.Refused());
    EXPECT_TRUE(fine.Attached());
    std::remove(path.c_str());
}

TEST(BandVirtualReceiver, EnvironmentSelectsScenarioSeedAndSource) {
    setenv("VELORIX_SIM_SCENARIO", "/some/band.txt", 1);
    setenv("VELORIX_SIM_SEED", "77", 1);
    setenv("VELORIX_SIM_SOURCE", "testtone", 1);
    VirtualConfig c = VirtualConfig::FromEnvironment();
    EXPECT_EQ(c.scenarioFile, "/some/band.txt");
    EXPECT_EQ(c.seed, 77u);
    EXPECT_TRUE(c.testTone);
    setenv("VELORIX_SIM_SEED", "-3", 1);
    setenv("VELORIX_SIM_SOURCE", "radio", 1);
    c = VirtualConfig::FromEnvironment();
    EXPECT_EQ(c.seed, 1u);  // ignored with a message
    EXPECT_FALSE(c.testTone);
    unsetenv("VELORIX_SIM_SCENARIO");
    unsetenv("VELORIX_SIM_SEED");
    unsetenv("VELORIX_SIM_SOURCE");
}

}  // namespace
}  // namespace velorix::sim
