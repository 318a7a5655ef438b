// Single sideband end to end: a 1500 Hz tone sent on the upper (or lower)
// sideband is heard at 1500 Hz in its own mode and rejected in the other.
#include <gtest/gtest.h>

#include <utility>

#include "E2eSupport.h"

namespace velorix::e2e {
namespace {

// Tone level measured in one mode, AGC off so that both modes hear with the
// same gain.
double ToneDb(const test::TempDir& dir, const std::string& wav, const std::string& mode,
              double* peakHz, double* snrDb) {
    const std::string out = (dir / mode + ".wav");
    const RunResult r = RunCli({"--source", wav, "--tune", "10000000", "--mode", mode, "--agc",
                                "off", "--audio-out", out});
    EXPECT_EQ(r.code, 0) << r.err;
    const StereoAudio a = ReadStereoWav(out);
    const Spectrum s = Welch(a.left, 31250, 31250, 8192);
    if (peakHz != nullptr) *peakHz = PeakHz(s, 100, 5000);
    if (snrDb != nullptr) *snrDb = ToneSnrDb(s, 1500, 300, 3000);
    return ToneLevelDb(s, 1500);
}

TEST(EndToEndSsb, EachSidebandToneIsHeardAt1500HzAndRejectedInTheOther) {
    const std::pair<std::string, std::string> cases[] = {{"USB", "LSB"}, {"LSB", "USB"}};
    for (const auto& [sent, other] : cases) {
        SCOPED_TRACE(sent + " sent");
        test::TempDir dir("ssb-" + sent);
        const std::string band =
            "station freq=10000000 mode=" + sent + " level=-45 audio=tone:1500\n";
        const std::string wav = Synthesize(dir, band, 10000000, 3.0);
        ASSERT_FALSE(wav.empty());
        double peak = 0.0, snr = 0.0;
        const double heard = ToneDb(dir, wav, sent, &peak, &snr);
        const double rejected = ToneDb(dir, wav, other, nullptr, nullptr);
        std::printf("%s sent: %s %.1f dBFS (SNR %.1f dB), %s %.1f dBFS: rejection %.1f dB\n",
                    sent.c_str(), sent.c_str(), heard, snr, other.c_str(), rejected,
                    heard - rejected);
        EXPECT_NEAR(peak, 1500.0, 2.0);
        EXPECT_GT(heard, -20.0);
        EXPECT_GT(snr, 50.0);
        // The other sideband sinks into the noise floor (88 dB down when measured).
        EXPECT_GT(heard - rejected, 80.0);
    }
}

}  // namespace
}  // namespace velorix::e2e
