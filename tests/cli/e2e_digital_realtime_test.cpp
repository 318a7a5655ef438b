// CW and RTTY end to end, judged by outside decoders: multimon-ng for Morse,
// minimodem for the Baudot teleprinter signal (Debian packages, see
// scripts/packages/e2e.txt), with sox converting the audio for them.
#include <gtest/gtest.h>

#include "E2eSupport.h"

namespace velorix::e2e {
namespace {

TEST(EndToEndCw, AKeyDownCarrierTunedExactlyIsHeardAt600Hz) {
    test::TempDir dir("cw-carrier");
    const std::string wav = Synthesize(
        dir, "noise density=-145\nstation freq=10000000 mode=CARRIER level=-80\n", 10000000, 3.0);
    ASSERT_FALSE(wav.empty());
    const RunResult r = RunCli(
        {"--source", wav, "--tune", "10000000", "--mode", "CW", "--audio-out", (dir / "cw.wav")});
    ASSERT_EQ(r.code, 0) << r.err;
    const StereoAudio a = ReadStereoWav((dir / "cw.wav"));
    const Spectrum s = Welch(a.left, 31250, 31250, 16384);
    EXPECT_NEAR(PeakHz(s, 50, 5000), 600.0, 1.0);
    // A clean note, well above the noise let through by the filter.
    EXPECT_GT(ToneSnrDb(s, 600, 100, 1500), 25.0);
}

// multimon-ng follows 20 to 28 WPM (at 35 it runs words together), so both ends of
// that range are sent.
class EndToEndMorse : public ::testing::TestWithParam<int> {};

TEST_P(EndToEndMorse, TextIsReadBackByMultimon) {
    const int wpm = GetParam();
    test::TempDir dir("cw-text-" + std::to_string(wpm));
    const std::string sent = "CQ DE VIRTUAL TEST 73";
    const std::string wav =
        Synthesize(dir,
                   "noise density=-145\nstation freq=10000000 mode=CW level=-80 text=\"" + sent +
                       "\" wpm=" + std::to_string(wpm) + "\n",
                   10000000, 12.0);
    ASSERT_FALSE(wav.empty());
    const RunResult r = RunCli(
        {"--source", wav, "--tune", "10000000", "--mode", "CW", "--audio-out", (dir / "cw.wav")});
    ASSERT_EQ(r.code, 0) << r.err;
    const RunResult conv =
        RunProgram("sox", {(dir / "cw.wav"), "-t", "raw", "-r", "22050", "-e", "signed", "-b", "16",
                           "-c", "1", (dir / "cw.raw"), "remix", "1"});
    ASSERT_EQ(conv.code, 0) << "sox (scripts/install-deps.sh installs it): " << conv.err;
    const RunResult dec =
        RunProgram("multimon-ng", {"-q", "-a", "MORSE_CW", "-t", "raw", (dir / "cw.raw")});
    ASSERT_EQ(dec.code, 0) << "multimon-ng (scripts/install-deps.sh installs it): " << dec.err;
    EXPECT_NE(Squeeze(dec.out).find(sent), std::string::npos) << dec.out;
}

INSTANTIATE_TEST_SUITE_P(Wpm, EndToEndMorse, ::testing::Values(20, 28));

TEST(EndToEndRtty, TeleprinterTextIsReadBackByMinimodem) {
    test::TempDir dir("rtty");
    const std::string sent = "RYRYRY CQ CQ DE VIRTUAL TEST";
    const std::string wav =
        Synthesize(dir,
                   "noise density=-145\nstation freq=10000000 mode=RTTY level=-80 text=\"" + sent +
                       "\" baud=45.45 shift=170\n",
                   10000000, 8.0);
    ASSERT_FALSE(wav.empty());
    const RunResult r = RunCli({"--source", wav, "--tune", "10000000", "--mode", "RTTY",
                                "--audio-out", (dir / "rtty.wav")});
    ASSERT_EQ(r.code, 0) << r.err;
    // Mark (1445 Hz) and space (1275 Hz) are centred on 1360 Hz. The keyed tones'
    // spectral peaks lie a few hertz outside the tones themselves.
    const StereoAudio a = ReadStereoWav((dir / "rtty.wav"));
    const Spectrum s = Welch(a.left, 31250, 31250, 8192);
    const double mark = PeakHz(s, 1360, 1600);
    const double space = PeakHz(s, 1100, 1360);
    EXPECT_NEAR((mark + space) / 2, 1360.0, 2.0);
    EXPECT_NEAR(mark - space, 170.0, 12.0);

    const RunResult conv = RunProgram(
        "sox", {(dir / "rtty.wav"), "-c", "1", "-r", "48000", (dir / "mono.wav"), "remix", "1"});
    ASSERT_EQ(conv.code, 0) << "sox (scripts/install-deps.sh installs it): " << conv.err;
    const RunResult dec = RunProgram(
        "minimodem", {"--rx", "-q", "-f", (dir / "mono.wav"), "-M", "1445", "-S", "1275", "rtty"});
    ASSERT_EQ(dec.code, 0) << "minimodem (scripts/install-deps.sh installs it): " << dec.err;
    EXPECT_NE(Squeeze(dec.out).find(sent), std::string::npos) << dec.out;
}

}  // namespace
}  // namespace velorix::e2e
