// FM and the USER mode end to end: recorded bands played through velorix-cli.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "E2eSupport.h"

namespace velorix::e2e {
namespace {

StereoAudio Play(const test::TempDir& dir, const std::string& band, const std::string& mode,
                 double seconds) {
    const std::string wav = Synthesize(dir, band, 10000000, seconds);
    if (wav.empty()) return {};
    const std::string out = (dir / mode + ".wav");
    const RunResult r =
        RunCli({"--source", wav, "--tune", "10000000", "--mode", mode, "--audio-out", out});
    EXPECT_EQ(r.code, 0) << r.err;
    return ReadStereoWav(out);
}

double RmsDbfs(const std::vector<double>& x, size_t from) {
    double sum = 0.0;
    for (size_t i = from; i < x.size(); ++i)
        sum += x[i] * x[i];
    const double n = static_cast<double>(x.size() > from ? x.size() - from : 1);
    // Relative to a full-scale sine (RMS 1/sqrt 2).
    return 10.0 * std::log10(2.0 * sum / n + 1e-30);
}

TEST(EndToEndFm, AToneWith2500HzDeviationIsHeardAt1kHz) {
    test::TempDir dir("fm");
    const StereoAudio a =
        Play(dir,
             "noise density=-140\nstation freq=10000000 mode=FM level=-70 audio=tone:1000 "
             "deviation=2500\n",
             "FM", 3.0);
    ASSERT_GT(a.left.size(), 31250u * 2);
    const Spectrum s = Welch(a.left, 31250, 31250, 8192);
    EXPECT_NEAR(PeakHz(s, 100, 5000), 1000.0, 2.0);
    const double snr = ToneSnrDb(s, 1000, 200, 4000);
    std::printf("FM: tone %.1f dBFS, SNR %.1f dB in 200-4000 Hz\n", ToneLevelDb(s, 1000), snr);
    EXPECT_GT(snr, 30.0);
    EXPECT_GT(ToneLevelDb(s, 1000), -30.0);
}

TEST(EndToEndFm, NoiseAloneIsSquelched) {
    test::TempDir dir("fm-noise");
    const StereoAudio a = Play(dir, "noise density=-140\n", "FM", 6.0);
    ASSERT_GT(a.left.size(), 31250u * 5);
    // After the squelch's averages have settled (1 s), count the 100 ms stretches
    // of exact silence. The squelch's variance test lets short bursts of noise
    // through now and then (2-4% of the time over 20 s), so most, not all, are silent.
    int windows = 0, silent = 0;
    for (size_t at = 31250; at + 3125 <= a.left.size(); at += 3125) {
        bool quiet = true;
        for (size_t i = at; i < at + 3125; ++i)
            quiet = quiet && a.left[i] == 0.0 && a.right[i] == 0.0;
        ++windows;
        silent += quiet ? 1 : 0;
    }
    std::printf("FM noise alone: %d of %d stretches silent, %.1f dBFS overall\n", silent, windows,
                RmsDbfs(a.left, 31250));
    EXPECT_GE(silent, windows * 85 / 100);
    EXPECT_LT(RmsDbfs(a.left, 31250), -35.0);
}

// Phase of the left channel against the right at `hz`, in degrees (-180..180].
double PhaseLeftMinusRightDeg(const StereoAudio& a, double hz, double* levelDiffDb) {
    const Spectrum l = Welch(a.left, 31250, 31250, 8192, &a.right);
    const Spectrum r = Welch(a.right, 31250, 31250, 8192);
    const size_t k = static_cast<size_t>(std::lround(hz / l.binHz));
    *levelDiffDb = ToneLevelDb(l, hz) - ToneLevelDb(r, hz);
    return std::arg(l.cross[k]) * 180.0 / std::numbers::pi;
}

TEST(EndToEndUser, ACarrierAboveTheTunedFrequencyGivesQuadratureChannels) {
    // I on the left, Q on the right: a carrier 1 kHz above the tuned frequency
    // turns as exp(+j w t), so Q lags I by 90 degrees; 1 kHz below, Q leads.
    for (const double offsetHz : {1000.0, -1000.0}) {
        test::TempDir dir("user");
        const std::string band =
            "noise density=-150\nstation freq=" + std::to_string(10000000 + offsetHz) +
            " mode=CARRIER level=-70\n";
        const StereoAudio a = Play(dir, band, "USER", 3.0);
        ASSERT_GT(a.left.size(), 31250u * 2);
        const Spectrum s = Welch(a.left, 31250, 31250, 8192);
        EXPECT_NEAR(PeakHz(s, 100, 5000), 1000.0, 2.0);
        double levelDiff = 0.0;
        const double phase = PhaseLeftMinusRightDeg(a, 1000.0, &levelDiff);
        std::printf("USER %+.0f Hz: left - right %.1f deg, %.2f dB\n", offsetHz, phase, levelDiff);
        EXPECT_NEAR(phase, offsetHz > 0 ? 90.0 : -90.0, 2.0);
        EXPECT_NEAR(levelDiff, 0.0, 0.5);
    }
}

}  // namespace
}  // namespace velorix::e2e
