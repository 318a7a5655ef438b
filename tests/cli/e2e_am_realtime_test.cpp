// AM and synchronous AM, end to end: a recorded band played through the
// velorix-cli program, the audio it writes measured with an FFT.
#include <gtest/gtest.h>

#include "E2eSupport.h"

namespace velorix::e2e {
namespace {

// A 1 kHz tone at 50% depth on a -60 dBm carrier, in band noise of -140 dBm/Hz.
constexpr const char* kAmBand = R"(noise density=-140
station freq=10000000 mode=AM level=-60 audio=tone:1000 depth=0.5
station freq=10030000 mode=AM level=-50 audio=tone:400 depth=0.8
)";

// What a detector of the in-phase component gives at high carrier-to-noise ratio:
// the tone carries m^2/2 of the carrier power (-60 - 6 - 3 = -69 dBm), the noise
// in phase with the carrier N0 x B = -140 dBm/Hz + 10 log10(3800 Hz) = -104.2 dBm
// over the 200-4000 Hz band measured: 35.2 dB.
constexpr double kExpectedSnrDb = 35.2;

struct Heard {
    RunResult run;
    Spectrum left;
};

Heard Listen(const test::TempDir& dir, const std::string& wav, const std::string& mode) {
    Heard h;
    const std::string out = (dir / mode + ".wav");
    h.run = RunCli(
        {"--source", wav, "--tune", "10000000", "--mode", mode, "--smeter", "--audio-out", out});
    EXPECT_EQ(h.run.code, 0) << h.run.err;
    const StereoAudio a = ReadStereoWav(out);
    EXPECT_EQ(a.rateHz, 31250);
    // The first second lets the AGC and the carrier loop settle.
    h.left = Welch(a.left, 31250, 31250, 8192);
    return h;
}

// Both detectors give the 1 kHz tone at half depth well above the noise.
// Plain AM keeps the neighbour 30 kHz away (10 dB stronger, 400 Hz tone) out
// and its meter reads the carrier level (sidebands add 0.5 dB at 50% depth);
// synchronous AM locks from the first second on, every meter line.
TEST(EndToEndAm, AToneAtHalfDepthComesOutAtOneKilohertzWellAboveTheNoise) {
    test::TempDir dir("am");
    const std::string wav = Synthesize(dir, kAmBand, 10000000, 4.0);
    ASSERT_FALSE(wav.empty());
    for (const std::string mode : {"AM", "SAM"}) {
        const Heard h = Listen(dir, wav, mode);
        EXPECT_NEAR(PeakHz(h.left, 100, 5000), 1000.0, 2.0) << mode;
        const double snr = ToneSnrDb(h.left, 1000, 200, 4000);
        std::printf("%s: tone SNR %.1f dB in 200-4000 Hz\n", mode.c_str(), snr);
        EXPECT_NEAR(snr, kExpectedSnrDb, 2.0) << mode;
        const auto meter = MeterLines(h.run.out);
        ASSERT_GE(meter.size(), 35u) << mode;
        if (mode == "AM") {
            EXPECT_LT(ToneLevelDb(h.left, 400), ToneLevelDb(h.left, 1000) - 40.0);
            EXPECT_NEAR(meter.back().levelDbm, -60.0, 1.5);
            EXPECT_FALSE(meter.back().lock);
        } else {
            int locked = 0, late = 0;
            for (const auto& m : meter) {
                if (m.seconds < 1.0) continue;
                ++late;
                locked += m.lock ? 1 : 0;
            }
            EXPECT_EQ(locked, late);
        }
    }
}

}  // namespace
}  // namespace velorix::e2e
