#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

#include "DemodSignals.h"
#include "DspDemodulator.h"
#include "DspMath.h"
#include "SpectrumReference.h"

namespace velorix {
namespace {

using test::Carrier;
using test::RealParts;
using test::RunInChunks;

constexpr double kAlpha = CDspDemodulator::kAlpha;

std::unique_ptr<CDspDemodulator> MakeDemod(int mode, double rateKHz, CFmSquelch* squelch) {
    auto d = std::make_unique<CDspDemodulator>(128, squelch);
    d->SetRate(rateKHz);
    d->SetMode(mode);
    return d;
}

void ExpectRealEqualsImaginary(const std::vector<Cpx>& out) {
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i].real(), out[i].imag()) << "sample " << i;
}

TEST(AmDemod, ModulatedCarrierGivesTheToneOfTheAverageRemovalFilter) {
    // Carrier at -60 dB, 50 % modulated by 1 kHz at 8 kHz: 8 samples a period.
    constexpr double rateKHz = 8.0, carrier = 1e-3, depth = 0.5;
    const double w = 2.0 * kPi * 1.0 / rateKHz;
    std::vector<Cpx> in(4096);
    for (size_t n = 0; n < in.size(); ++n)
        in[n] = std::polar(carrier * (1.0 + depth * std::cos(w * n)), 0.7 + 0.01 * n);
    CFmSquelch squelch;
    auto demod = MakeDemod(kDemodAm, rateKHz, &squelch);
    const auto out = RunInChunks(*demod, in);
    ExpectRealEqualsImaginary(out);
    // out = a - m with m = (1-alpha) m + alpha a: H(z) = 1 - alpha / (1 - (1-alpha) z^-1).
    const std::complex<double> h = 1.0 - kAlpha / (1.0 - (1.0 - kAlpha) * std::polar(1.0, -w));
    const double predicted = carrier * depth * std::abs(h);
    const auto tail = RealParts(out, 2048, 2048);  // settled; 256 whole periods
    EXPECT_NEAR(test::ToneAmplitude(tail, 1.0 / rateKHz), predicted, predicted * 1e-6);
    // No carrier (DC) left: H(1) = 0.
    EXPECT_NEAR(test::ToneAmplitude(tail, 0.0), 0.0, predicted * 1e-6);
    EXPECT_NEAR(20.0 * std::log10(predicted), -66.02 + 20.0 * std::log10(std::abs(h)), 0.01);
}

TEST(AmDemod, ConstantEnvelopeDecaysAtAlphaPerSample) {
    CFmSquelch squelch;
    auto demod = MakeDemod(kDemodAm, 12.0, &squelch);
    const auto in = Carrier(300, 0.5, 300.0, 12.0);
    const auto out = RunInChunks(*demod, in, 7);
    for (size_t n = 0; n < out.size(); ++n)
        ASSERT_NEAR(out[n].real(), 0.5 * std::pow(1.0 - kAlpha, n + 1.0), 1e-12) << n;
    // Selecting AM again clears the average: the decay starts over.
    demod->SetMode(kDemodAm);
    const auto again = RunInChunks(*demod, in, 128);
    EXPECT_NEAR(again[0].real(), 0.5 * (1.0 - kAlpha), 1e-12);
}

// Runs SAM over `in` in 128-sample blocks and checks the lock counter's range
// and the locked flag after every block. Returns the block index in which
// the flag first rose, or -1.
int RunSamAndWatchLock(CDspDemodulator& demod, const std::vector<Cpx>& in, int* maxCounter) {
    int previous = demod.LockCounter();
    const bool wasLocked = demod.Locked() != 0;
    int firstLocked = -1, block = 0;
    *maxCounter = 0;
    RunInChunks(demod, in, 128, [&] {
        const int c = demod.LockCounter();
        EXPECT_GE(c, 0);
        EXPECT_LE(c, CDspDemodulator::kLockMax);
        EXPECT_EQ(demod.Locked(), c > CDspDemodulator::kLockThreshold ? 1 : 0);
        EXPECT_LE(std::abs(c - previous), 128);  // one step per sample at most
        if (!wasLocked && firstLocked < 0 && demod.Locked()) {
            firstLocked = block;
            EXPECT_LE(previous, CDspDemodulator::kLockThreshold);
        }
        *maxCounter = std::max(*maxCounter, c);
        previous = c;
        ++block;
    });
    return firstLocked;
}

TEST(SamDemod, PullsInACarrierAFewHzOffAndLocks) {
    constexpr double rateKHz = 7.8125;
    CFmSquelch squelch;
    auto demod = MakeDemod(kDemodSam, rateKHz, &squelch);
    demod->Process(nullptr, nullptr, 0);             // the worker applies the mode change
    const double t = std::tan(0.1 * kPi / rateKHz);  // the loop is scaled to 100 Hz
    EXPECT_NEAR(demod->IntegralGain(), 4.0 * t * t, 1e-15);
    EXPECT_NEAR(demod->ProportionalGain(), 5.656 * t, 1e-15);
    const auto in = Carrier(16384, 0.01, 7.0, rateKHz, 2.0);
    int maxCounter = 0;
    const int firstLocked = RunSamAndWatchLock(*demod, in, &maxCounter);
    ASSERT_GE(firstLocked, 0);
    // Locked needs at least 3073 samples of steady lock.
    EXPECT_GE((firstLocked + 1) * 128, 3073);
    EXPECT_EQ(demod->LockCounter(), CDspDemodulator::kLockMax);
    EXPECT_EQ(demod->Locked(), 1);
    // Pulled in: the oscillator cancels the carrier's phase, so the next
    // sample rotated by the loop phase lies on the positive real axis.
    const std::complex<double> next = Carrier(16385, 0.01, 7.0, rateKHz, 2.0).back();
    const double error = std::arg(next * std::polar(1.0, demod->LoopPhase()));
    EXPECT_LT(std::abs(error), 0.01);
    // The integrator holds the carrier's phase step per sample (negative:
    // the loop phase runs against the carrier).
    EXPECT_NEAR(demod->LoopIntegrator(), -2.0 * kPi * 7.0 / (rateKHz * 1000.0), 1e-6);
}

TEST(SamDemod, ACarrierFarOutsideThePullInRangeNeverLocks) {
    constexpr double rateKHz = 7.8125;
    CFmSquelch squelch;
    auto demod = MakeDemod(kDemodSam, rateKHz, &squelch);
    const auto in = Carrier(32768, 0.01, 1500.0, rateKHz);
    int maxCounter = 0;
    EXPECT_EQ(RunSamAndWatchLock(*demod, in, &maxCounter), -1);
    EXPECT_LT(maxCounter, 300);
}

TEST(SamDemod, CounterSaturatesAndFallsBackToZeroWhenTheCarrierGoes) {
    constexpr double rateKHz = 7.8125;
    CFmSquelch squelch;
    auto demod = MakeDemod(kDemodSam, rateKHz, &squelch);
    int maxCounter = 0;
    RunSamAndWatchLock(*demod, Carrier(12800, 0.01, 0.0, rateKHz), &maxCounter);
    EXPECT_EQ(maxCounter, CDspDemodulator::kLockMax);
    // Now a carrier the loop cannot follow: the counter falls, stops at 0.
    RunSamAndWatchLock(*demod, Carrier(32768, 0.01, 1500.0, rateKHz), &maxCounter);
    EXPECT_LT(demod->LockCounter(), 300);
    EXPECT_EQ(demod->Locked(), 0);
}

TEST(SamDemod, ReselectingSamKeepsThePhaseAndClearsLoopAndCounter) {
    constexpr double rateKHz = 7.8125;
    CFmSquelch squelch;
    auto demod = MakeDemod(kDemodSam, rateKHz, &squelch);
    RunInChunks(*demod, Carrier(6400, 0.01, 5.0, rateKHz), 128);
    ASSERT_EQ(demod->Locked(), 1);
    const double phase = demod->LoopPhase();
    ASSERT_NE(demod->LoopIntegrator(), 0.0);
    demod->SetMode(kDemodSam);
    EXPECT_EQ(demod->Locked(), 0);  // at once, for the S-meter
    demod->Process(nullptr, nullptr, 0);
    EXPECT_EQ(demod->LoopPhase(), phase);
    EXPECT_EQ(demod->LoopIntegrator(), 0.0);
    EXPECT_EQ(demod->LockCounter(), 0);
    // A tuning change clears the counter too.
    RunInChunks(*demod, Carrier(640, 0.01, 5.0, rateKHz), 128);
    EXPECT_GT(demod->LockCounter(), 0);
    demod->ResetLock();
    EXPECT_EQ(demod->LockCounter(), 0);
    RunInChunks(*demod, Carrier(1, 0.01, 5.0, rateKHz), 1);
    EXPECT_LE(demod->LockCounter(), 1);
}

TEST(SamDemod, SelectedBeforeTheRateStaysFinite) {
    CFmSquelch squelch;
    CDspDemodulator demod(128, &squelch);
    demod.SetMode(kDemodSam);
    const auto out = RunInChunks(demod, Carrier(512, 0.01, 3.0, 12.0));
    for (const Cpx& z : out)
        ASSERT_TRUE(std::isfinite(z.real()));
}

// A carrier whose phase step is s[n] = deviation sin(2 pi n / period).
std::vector<Cpx> ToneFm(size_t count, double deviation, double period, std::vector<double>* step) {
    std::vector<Cpx> in(count);
    double phase = 0.4;
    for (size_t n = 0; n < count; ++n) {
        const double s = deviation * std::sin(2.0 * kPi * n / period);
        if (step) step->push_back(s);
        phase += s;
        in[n] = std::polar(0.02, phase);
    }
    return in;
}

TEST(FmDemod, ToneModulatedCarrierGivesQuarterSineOfThePhaseStep) {
    // A 1/16-cycle tone of deviation 0.3 rad/sample.
    std::vector<double> step;
    const auto in = ToneFm(8192, 0.3, 16.0, &step);
    CFmSquelch squelch;
    auto demod = MakeDemod(kDemodFm, 31.25, &squelch);
    const auto out = RunInChunks(*demod, in);
    ExpectRealEqualsImaginary(out);
    for (size_t n = 1; n < out.size(); ++n)
        ASSERT_NEAR(out[n].real(), 0.25 * std::sin(step[n]), 1e-12) << n;
    // The audio tone: fundamental of 0.25 sin(0.3 sin x) is 0.25 * 2 J1(0.3).
    const auto tail = RealParts(out, 4096, 4096);
    EXPECT_NEAR(test::ToneAmplitude(tail, 1.0 / 16.0), 0.5 * std::cyl_bessel_j(1.0, 0.3), 1e-9);
}

TEST(FmDemod, NoiseMutes) {
    CFmSquelch squelch;
    auto demod = MakeDemod(kDemodFm, 31.25, &squelch);
    const auto noise = test::ComplexNoise(100000, 1e-4, 5);
    const auto out = RunInChunks(*demod, noise);
    // The first samples pass before the averages have built up.
    EXPECT_NE(out[10].real(), 0.0);
    // Once they have (a few time constants of 2000 samples), the variance
    // estimate of white noise hovers round 3e-6 and mutes most of the time.
    size_t muted = 0;
    for (size_t n = 30000; n < out.size(); ++n)
        muted += out[n].real() == 0.0;
    EXPECT_GT(muted, (out.size() - 30000) * 6 / 10);
    // A clean carrier modulated by a tone is never muted.
    squelch.Reset();
    demod->SetMode(kDemodFm);
    std::vector<double> step;
    const auto clean = RunInChunks(*demod, ToneFm(100000, 0.3, 16.0, &step));
    for (size_t n = 1; n < clean.size(); ++n)
        ASSERT_NEAR(clean[n].real(), 0.25 * std::sin(step[n]), 1e-12) << n;
}

TEST(FmDemod, ZeroInputGivesZeroAndNoNaN) {
    CFmSquelch squelch;
    auto demod = MakeDemod(kDemodFm, 31.25, &squelch);
    const double s = 0.2;
    auto in = Carrier(64, 0.5, s * 31250.0 / (2.0 * kPi), 31.25);
    in[20] = Cpx(0.0, 0.0);
    const auto out = RunInChunks(*demod, in);
    EXPECT_EQ(out[20], Cpx(0.0, 0.0));
    // The sample after the gap is compared with the last one that had a phase.
    EXPECT_NEAR(out[21].real(), 0.25 * std::sin(2.0 * s), 1e-12);
    EXPECT_NEAR(out[22].real(), 0.25 * std::sin(s), 1e-12);
    const auto silent = RunInChunks(*demod, std::vector<Cpx>(256));
    for (const Cpx& z : silent)
        ASSERT_EQ(z, Cpx(0.0, 0.0));
}

TEST(FmDemod, SquelchAveragesAreSharedByEveryDemodulator) {
    CFmSquelch::Shared().Reset();
    CDspDemodulator a(128), b(128);
    a.SetMode(kDemodFm);
    b.SetMode(kDemodFm);
    RunInChunks(a, test::ComplexNoise(20000, 1e-4, 9));
    const double m3 = CFmSquelch::Shared().M3();
    EXPECT_GT(m3, 0.0);
    // b sees a's averages: its first noisy samples are muted already.
    const auto out = RunInChunks(b, test::ComplexNoise(256, 1e-4, 10));
    EXPECT_EQ(out[0].real(), 0.0);
    CFmSquelch::Shared().Reset();
    EXPECT_EQ(CFmSquelch::Shared().M3(), 0.0);
}

TEST(PassThroughDemod, EveryOtherModeCopiesTheSamples) {
    const auto in = test::ComplexNoise(300, 1.0, 2);
    for (int mode : {2, 3, 4, 5, 7, 8, 9, 42}) {
        CFmSquelch squelch;
        auto demod = MakeDemod(mode, 31.25, &squelch);
        EXPECT_EQ(RunInChunks(*demod, in), in) << mode;
    }
    CDspDemodulator fresh(128);
    EXPECT_EQ(fresh.Mode(), kDemodUser);
    std::string name;
    EXPECT_EQ(fresh.GetName(name), "CDspDemodulator");
}

}  // namespace
}  // namespace velorix
