#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "DspFirCpxReal.h"
#include "DspKaiserBPFFir.h"
#include "DspKaiserLPFFir.h"
#include "FilterResponse.h"
#include "KaiserDesign.h"
#include "ToneMeasure.h"

namespace velorix {
namespace {

double Sum(const double* taps, int n) {
    return std::accumulate(taps, taps + n, 0.0);
}

TEST(KaiserWindow, BetaZeroIsRectangular) {
    std::vector<double> w(64, -1.0);
    KaiserWindow(64, 0.0, w.data());
    for (double v : w)
        EXPECT_EQ(v, 1.0);
    // A low-pass designed with it is the plain truncated sinc.
    CDspKaiserLPFFir lpf(64, 64, 0.5, 0.0);
    for (double v : lpf.Window())
        EXPECT_EQ(v, 1.0);
}

TEST(KaiserWindow, MatchesTheBesselFunctionOfTheStandardLibrary) {
    for (double x : {0.0, 0.5, 3.0, 8.0, 13.0, 20.0})
        EXPECT_NEAR(KaiserBesselI0(x) / std::cyl_bessel_i(0.0, x), 1.0, 1e-14) << x;
    const int n = 64;
    const double beta = 13.0;
    std::vector<double> w(n);
    KaiserWindow(n, beta, w.data());
    for (int k = 0; k < n; ++k) {
        const double u = (2.0 * k + 1 - n) / (n - 1);
        const double ref =
            std::cyl_bessel_i(0.0, beta * std::sqrt(1 - u * u)) / std::cyl_bessel_i(0.0, beta);
        EXPECT_NEAR(w[k], ref, 1e-14 + 1e-13 * ref) << k;
        EXPECT_DOUBLE_EQ(w[k], w[n - 1 - k]);
    }
}

TEST(KaiserDesign, TapsSumToOneAfterEveryRedesign) {
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> edge(-0.5, 0.5);
    CDspKaiserBPFFir bpf(64, 64, -0.3072, 0.3072, 13.0);
    CDspKaiserLPFFir lpf(64, 64, 0.6, 8.0);
    EXPECT_NEAR(Sum(bpf.Coefficients(), 64), 1.0, 1e-14);
    EXPECT_NEAR(Sum(lpf.Coefficients(), 64), 1.0, 1e-14);
    for (int i = 0; i < 200; ++i) {
        double lo = edge(rng), hi = edge(rng);
        if (lo > hi) std::swap(lo, hi);
        bpf.SetBand(lo, hi);
        ASSERT_NEAR(Sum(bpf.Coefficients(), 64), 1.0, 1e-12) << lo << " " << hi;
        lpf.SetCutoff(hi - lo);
        ASSERT_NEAR(Sum(lpf.Coefficients(), 64), 1.0, 1e-12) << hi - lo;
    }
}

TEST(KaiserDesign, ZeroWidthBandGivesFiniteTapsInsteadOfNaN) {
    CDspKaiserBPFFir bpf(64, 64, 0.1, 0.1, 13.0);
    CDspKaiserLPFFir lpf(64, 64, 0.0, 8.0);
    for (int k = 0; k < 64; ++k) {
        ASSERT_TRUE(std::isfinite(bpf.Coefficients()[k]));
        ASSERT_TRUE(std::isfinite(lpf.Coefficients()[k]));
    }
    EXPECT_NEAR(Sum(bpf.Coefficients(), 64), 1.0, 1e-14);
    // A band that cannot be designed keeps the taps in use.
    lpf.SetCutoff(0.5);
    const std::vector<double> before(lpf.Coefficients(), lpf.Coefficients() + 64);
    lpf.SetCutoff(std::nan(""));
    EXPECT_EQ(std::vector<double>(lpf.Coefficients(), lpf.Coefficients() + 64), before);
}

TEST(KaiserBandPass, PassesTheUpperBandAtItsOwnFrequencyAndRejectsTheMirror) {
    auto make = [] { return std::make_unique<CDspKaiserBPFFir>(64, 64, 0.05, 0.2, 13.0); };
    // Frequency unchanged: the output of a +0.1 tone turns by 0.1 per sample.
    {
        auto bpf = make();
        const auto out = test::RunThrough(*bpf, test::ComplexTone(20000, 0.1));
        ASSERT_EQ(out.size(), 19968u);
        EXPECT_NEAR(test::PhaseStepCycles(out, 200, out.size()), 0.1, 1e-12);
        EXPECT_NEAR(test::Db(test::Rms(out, 200, out.size())), -0.012, 0.005);
    }
    // The spectral mask, measured: flat to 0.001 dB over 0.11 … 0.14, −6.02 dB
    // at both edges (a windowed sinc halves the amplitude at its cutoff),
    // at least 127.2 dB down from −0.5 to −0.02 and from 0.27 to 0.5; the
    // mirror tone at −0.1 comes out 149.4 dB down.
    auto gainDb = [&](double f) { return test::Db(std::abs(test::ToneGain(make, f))); };
    EXPECT_LT(gainDb(-0.1), -149.0);
    EXPECT_NEAR(gainDb(0.1), 0.0, 0.02);
    EXPECT_NEAR(gainDb(0.05), -6.02, 0.01);
    EXPECT_NEAR(gainDb(0.2), -6.02, 0.01);
    for (int k = 11; k <= 14; ++k)
        EXPECT_NEAR(gainDb(k * 0.01), 0.0, 0.001) << k * 0.01;
    for (int k = -50; k <= 50; ++k) {
        if (k > -2 && k < 27) continue;
        EXPECT_LT(gainDb(k * 0.01), -127.0) << k * 0.01;
    }
}

TEST(KaiserBandPass, SymmetricBandIsAPlainLowPass) {
    CDspKaiserBPFFir bpf(64, 64, -0.3072, 0.3072, 13.0);
    EXPECT_EQ(bpf.CentreStepRadians(), 0.0);
    EXPECT_NEAR(bpf.HalfWidthRadians(), 0.6144 * std::numbers::pi, 1e-15);
    // Bit for bit the plain FIR with the same taps.
    std::vector<double> taps(bpf.Coefficients(), bpf.Coefficients() + 64);
    CDspFirCpxReal fir(64, 64, taps.data());
    const auto in = test::ComplexNoise(5000, 17);
    const auto a = test::RunThrough(bpf, in);
    const auto b = test::RunThrough(fir, in);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i)
        ASSERT_EQ(a[i], b[i]) << i;
    // Measured: flat to 0.002 dB up to ±0.25, −6.02 dB at the edges ±0.3072,
    // at least 127 dB down beyond ±0.38.
    auto make = [] { return std::make_unique<CDspKaiserBPFFir>(64, 64, -0.3072, 0.3072, 13.0); };
    auto gainDb = [&](double f) { return test::Db(std::abs(test::ToneGain(make, f))); };
    for (int k = -25; k <= 25; k += 5)
        EXPECT_NEAR(gainDb(k * 0.01), 0.0, 0.002) << k * 0.01;
    EXPECT_NEAR(gainDb(0.3072), -6.02, 0.01);
    EXPECT_NEAR(gainDb(-0.3072), -6.02, 0.01);
    for (int k = 38; k <= 50; ++k) {
        EXPECT_LT(gainDb(k * 0.01), -127.0) << k * 0.01;
        EXPECT_LT(gainDb(-k * 0.01), -127.0) << -k * 0.01;
    }
}

TEST(KaiserLowPass, PassesBelowAndRejectsAboveTheCutoff) {
    // The engine's post-detection filter: cutoff 0.6·π rad = 0.3 cycles per sample.
    auto make = [] { return std::make_unique<CDspKaiserLPFFir>(64, 64, 0.6, 8.0); };
    // Measured: flat to 0.002 dB up to 0.25, −6.02 dB at 0.3, at least
    // 83.6 dB down from 0.35 and 87 dB from 0.36 to 0.5.
    auto gainDb = [&](double f) { return test::Db(std::abs(test::ToneGain(make, f))); };
    EXPECT_NEAR(gainDb(0.0), 0.0, 1e-9);
    for (int k = 1; k <= 25; k += 4)
        EXPECT_NEAR(gainDb(k * 0.01), 0.0, 0.002) << k * 0.01;
    EXPECT_NEAR(gainDb(0.3), -6.02, 0.01);
    EXPECT_NEAR(gainDb(-0.3), -6.02, 0.01);
    EXPECT_LT(gainDb(0.35), -83.5);
    for (int k = 36; k <= 50; ++k)
        EXPECT_LT(gainDb(-k * 0.01), -87.0) << k * 0.01;
    // A new cutoff moves the edge.
    auto narrow = [] {
        auto f = std::make_unique<CDspKaiserLPFFir>(64, 64, 0.6, 8.0);
        f->SetCutoff(0.2);
        return f;
    };
    EXPECT_LT(test::Db(std::abs(test::ToneGain(narrow, 0.2))), -60.0);
}

TEST(KaiserFilters, RejectBadTapCountsAndNameThemselves) {
    EXPECT_THROW(CDspKaiserBPFFir(64, 63, -0.1, 0.1, 13.0), std::invalid_argument);
    EXPECT_THROW(CDspKaiserLPFFir(64, 1, 0.5, 8.0), std::invalid_argument);
    std::string name;
    CDspKaiserBPFFir bpf(64, 64, -0.1, 0.1, 13.0);
    CDspKaiserLPFFir lpf(64, 64, 0.5, 8.0);
    EXPECT_EQ(bpf.GetName(name), "CDspKaiserBPFFir");
    EXPECT_EQ(lpf.GetName(name), "CDspKaiserLPFFir");
    EXPECT_EQ(bpf.Buffer().History(), 63);
}

}  // namespace
}  // namespace velorix
