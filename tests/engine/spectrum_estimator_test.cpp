#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <vector>

#include "DspMath.h"
#include "SpectrumEstimator.h"
#include "SpectrumReference.h"

namespace velorix {
namespace {

using test::DirectDft;
using test::LongCpx;

// A complex tone of amplitude 1 exactly on bin k of an N-point frame.
std::vector<Cpx> BinTone(unsigned n, double bin, double amplitude = 1.0) {
    std::vector<Cpx> x(n);
    for (unsigned i = 0; i < n; ++i)
        x[i] = std::polar(amplitude, 2.0 * kPi * bin * i / n);
    return x;
}

double MaxRelativeError(const Cpx* got, const std::vector<LongCpx>& ref) {
    long double peak = 0, err = 0;
    for (size_t k = 0; k < ref.size(); ++k) {
        peak = std::max(peak, std::abs(ref[k]));
        err = std::max(err, std::abs(LongCpx(got[k].real(), got[k].imag()) - ref[k]));
    }
    return static_cast<double>(err / peak);
}

TEST(SpectrumTransform, MatchesDirectDftForEverySizeUpTo4096) {
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (unsigned n = 2; n <= 4096; n *= 2) {
        for (int window : {kWindowRectangular, kWindowHann}) {
            SCOPED_TRACE(testing::Message() << "N = " << n << " window " << window);
            CSpectrumEstimator est(1);
            est.SetWindow(window);
            ASSERT_EQ(est.SetSize(n, nullptr), 1);
            Cpx* in = static_cast<Cpx*>(est.Input());
            std::vector<LongCpx> windowed(n);
            for (unsigned i = 0; i < n; ++i) {
                in[i] = Cpx(u(rng), u(rng));
                windowed[i] = LongCpx(in[i].real(), in[i].imag()) * (long double)est.Window()[i];
            }
            const auto ref = DirectDft(windowed, 1.0L / n);
            EXPECT_LT(MaxRelativeError(est.ComplexFft(), ref), 1e-12);
        }
    }
}

// Beyond 4096 points the direct DFT is too slow in full: sampled bins,
// each summed directly in long double, stand for it.
TEST(SpectrumTransform, LargeSizesMatchDirectDftAtSampledBins) {
    std::mt19937_64 rng(13);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (unsigned n : {8192u, 32768u, 65536u, 131072u}) {
        SCOPED_TRACE(n);
        CSpectrumEstimator est(1);
        ASSERT_EQ(est.SetSize(n, nullptr), 1);
        Cpx* in = static_cast<Cpx*>(est.Input());
        for (unsigned i = 0; i < n; ++i)
            in[i] = Cpx(u(rng), u(rng));
        const Cpx* out = est.ComplexFft();
        std::vector<unsigned> bins = {0, 1, 2, 3, n / 4, n / 2 - 1, n / 2, n / 2 + 1, n - 1};
        std::uniform_int_distribution<unsigned> pick(0, n - 1);
        for (int i = 0; i < 12; ++i)
            bins.push_back(pick(rng));
        long double worst = 0;
        for (unsigned k : bins) {
            LongCpx sum = 0;
            for (unsigned i = 0; i < n; ++i) {
                const unsigned m = static_cast<unsigned>((uint64_t(k) * i) % n);
                const long double theta = -2.0L * std::numbers::pi_v<long double> * m / n;
                sum += LongCpx(in[i].real(), in[i].imag()) * (long double)est.Window()[i] *
                       LongCpx(std::cos(theta), std::sin(theta));
            }
            sum /= n;
            worst = std::max(worst, std::abs(LongCpx(out[k].real(), out[k].imag()) - sum));
        }
        // Relative to the rms bin magnitude of a unit-variance input, 1/sqrt(N).
        EXPECT_LT(static_cast<double>(worst) * std::sqrt(double(n)), 1e-12);
    }
}

TEST(SpectrumTransform, RealInputMatchesDirectDft) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    for (unsigned n : {2u, 8u, 64u, 512u, 2048u}) {
        SCOPED_TRACE(n);
        std::vector<double> x(n);
        CSpectrumEstimator est(0);
        ASSERT_EQ(est.SetSize(n, x.data()), 1);
        std::vector<LongCpx> windowed(n);
        for (unsigned i = 0; i < n; ++i) {
            x[i] = u(rng);
            windowed[i] = (long double)x[i] * (long double)est.Window()[i];
        }
        const auto ref = DirectDft(windowed, 1.0L / n);
        const Cpx* out = est.RealFft();
        EXPECT_LT(MaxRelativeError(out, ref), 1e-12);
        // A real input has a conjugate-symmetric spectrum.
        for (unsigned k = 1; k < n; ++k)
            EXPECT_NEAR(std::abs(out[k] - std::conj(out[n - k])), 0.0, 1e-15);
    }
}

TEST(SpectrumFrame, BinCentredToneReadsZeroDbAfterTheHalfSwap) {
    constexpr unsigned n = 1024;
    for (double bin : {0.0, 37.0, 511.0, 512.0, 700.0, 1023.0}) {
        SCOPED_TRACE(bin);
        auto x = BinTone(n, bin);
        CSpectrumEstimator est(0);
        est.SetWindow(kWindowRectangular);
        ASSERT_EQ(est.SetSize(n, x.data()), 1);
        est.ComplexFft();
        est.ToDb();
        const double* db = est.SwapHalves();
        const unsigned at = bin < n / 2 ? unsigned(bin) + n / 2 : unsigned(bin) - n / 2;
        EXPECT_NEAR(db[at], 0.0, 1e-9);
        for (unsigned i = 0; i < n; ++i)
            if (i != at) {
                ASSERT_LT(db[i], -250.0) << "bin " << i;
            }
    }
}

TEST(SpectrumFrame, SilenceReadsMinus2000Db) {
    for (unsigned n : {2u, 256u, 8192u}) {
        std::vector<Cpx> x(n);
        CSpectrumEstimator est(0);
        ASSERT_EQ(est.SetSize(n, x.data()), 1);
        est.ComplexFft();
        const double* db = est.ToDb();
        for (unsigned i = 0; i < n; ++i)
            ASSERT_NEAR(db[i], -2000.0, 1e-9);
    }
}

TEST(SpectrumFrame, AveragingFollowsAStepByPointNinePerFrame) {
    constexpr unsigned n = 256;
    constexpr unsigned bin = 40;
    std::vector<Cpx> x(n);
    CSpectrumEstimator est(0);
    est.SetWindow(kWindowRectangular);
    est.SetAveraging(0.9);
    ASSERT_EQ(est.SetSize(n, x.data()), 1);
    // First frame: silence, taken as it is.
    est.ComplexFft();
    EXPECT_NEAR(est.ToDb()[bin], -2000.0, 1e-9);
    // Then a tone of power 1: the average approaches 1 by 0.9 per frame.
    const auto tone = BinTone(n, bin);
    std::copy(tone.begin(), tone.end(), x.begin());  // same storage: the estimator reads x
    for (int frame = 1; frame <= 40; ++frame) {
        est.ComplexFft();
        const double* db = est.ToDb();
        const double expected = 1.0 - std::pow(0.9, frame);
        ASSERT_NEAR(db[bin], 10.0 * std::log10(expected), 1e-9) << "frame " << frame;
        ASSERT_LT(db[bin + 1], -250.0);
    }
    // A new size restarts the average: its first frame is taken as it is.
    std::vector<Cpx> y = BinTone(512, bin);
    ASSERT_EQ(est.SetSize(512, y.data()), 1);
    est.ComplexFft();
    EXPECT_NEAR(est.ToDb()[bin], 0.0, 1e-9);
    est.ComplexFft();
    EXPECT_NEAR(est.ToDb()[bin], 0.0, 1e-9);
}

TEST(SpectrumSize, RefusesSizesThatAreNotPowersOfTwoInRange) {
    CSpectrumEstimator est(1);
    for (unsigned bad : {0u, 1u, 3u, 1000u, 1023u, (1u << 20) + 2, 1u << 21, 0xffffffffu})
        EXPECT_EQ(est.SetSize(bad, nullptr), 0) << bad;
    EXPECT_EQ(est.Size(), 0u);
    EXPECT_EQ(est.ComplexFft(), nullptr);  // unsized: nothing to transform, nothing touched
    ASSERT_EQ(est.SetSize(1024, nullptr), 1);
    EXPECT_EQ(est.Log2Size(), 10);
    // A refused size leaves the current one in place.
    EXPECT_EQ(est.SetSize(1000, nullptr), 0);
    EXPECT_EQ(est.Size(), 1024u);
    // The current size again: accepted without reallocating.
    const Cpx* work = est.Work();
    EXPECT_EQ(est.SetSize(1024, nullptr), 1);
    EXPECT_EQ(est.Work(), work);
    EXPECT_EQ(est.SetSize(1u << 20, nullptr), 1);
    EXPECT_EQ(est.Log2Size(), 20);
}

TEST(SpectrumSize, SameSizeTakesTheCallersNewBuffer) {
    std::vector<Cpx> a(64), b = BinTone(64, 3);
    CSpectrumEstimator est(0);
    est.SetWindow(kWindowRectangular);
    ASSERT_EQ(est.SetSize(64, a.data()), 1);
    ASSERT_EQ(est.SetSize(64, b.data()), 1);
    est.ComplexFft();
    EXPECT_NEAR(est.ToDb()[3], 0.0, 1e-9);
}

TEST(SpectrumSize, FreshArraysReadFiniteLevels) {
    CSpectrumEstimator est(1);
    ASSERT_EQ(est.SetSize(16, nullptr), 1);
    // Owned input and work start at 1e-30, so even a frame with nothing
    // written reads finite levels.
    est.ComplexFft();
    const double* db = est.ToDb();
    for (int i = 0; i < 16; ++i)
        EXPECT_TRUE(std::isfinite(db[i]));
}

TEST(SpectrumWindow, EveryWindowHasMeanOneAndReadsABinCentredToneAtZeroDb) {
    constexpr unsigned n = 1024;
    for (int type = kWindowRectangular; type <= kWindowBlackman; ++type) {
        SCOPED_TRACE(type);
        auto x = BinTone(n, 100);
        CSpectrumEstimator est(0);
        est.SetWindow(type);
        ASSERT_EQ(est.SetSize(n, x.data()), 1);
        double sum = 0;
        for (unsigned k = 0; k < n; ++k)
            sum += est.Window()[k];
        EXPECT_NEAR(sum / n, 1.0, 1e-12);
        est.ComplexFft();
        EXPECT_NEAR(est.ToDb()[100], 0.0, 1e-9);
    }
}

TEST(SpectrumWindow, KaiserMatchesTheBesselFunction) {
    constexpr unsigned n = 512;
    for (double beta : {0.0, 3.0, 8.0, 13.0}) {
        CSpectrumEstimator est(1);
        est.SetKaiserWindow(beta);
        ASSERT_EQ(est.SetSize(n, nullptr), 1);
        std::vector<double> ref(n);
        double sum = 0;
        for (unsigned k = 0; k < n; ++k) {
            const double u = (2.0 * k + 1.0 - n) / (n - 1.0);
            ref[k] = std::cyl_bessel_i(0.0, beta * std::sqrt(1.0 - u * u)) /
                     std::cyl_bessel_i(0.0, beta);
            sum += ref[k];
        }
        for (unsigned k = 0; k < n; ++k)
            ASSERT_NEAR(est.Window()[k], ref[k] / (sum / n), 1e-12) << "beta " << beta;
    }
}

TEST(SpectrumWindow, HannNeverReachesZeroAtTheEnds) {
    CSpectrumEstimator est(1);
    ASSERT_EQ(est.SetSize(64, nullptr), 1);
    EXPECT_EQ(est.WindowType(), kWindowHann);
    EXPECT_GT(est.Window()[0], 0.0);
    EXPECT_NEAR(est.Window()[0], est.Window()[63], 1e-15);
    // 0.5 - 0.5 cos(2 pi / 65) at the ends, over the mean (N + 1) / 2N.
    EXPECT_NEAR(est.Window()[0], (0.5 - 0.5 * std::cos(2.0 * kPi / 65.0)) / (65.0 / 128.0), 1e-12);
}

// Leakage of a tone half-way between bins (the worst case) beyond 5 bins:
// a measured mask for each window.
TEST(SpectrumWindow, SidelobesStayBelowTheirMask) {
    constexpr unsigned n = 2048;
    constexpr double bin = 300.5;
    struct Mask {
        int type;
        double beta;
        double limitDb;
    };
    for (const Mask& m : {Mask{kWindowHamming, 0, -40.0}, Mask{kWindowHann, 0, -40.0},
                          Mask{kWindowBlackman, 0, -55.0}, Mask{kWindowKaiser, 8.0, -55.0}}) {
        SCOPED_TRACE(m.type);
        auto x = BinTone(n, bin);
        CSpectrumEstimator est(0);
        if (m.type == kWindowKaiser)
            est.SetKaiserWindow(m.beta);
        else
            est.SetWindow(m.type);
        ASSERT_EQ(est.SetSize(n, x.data()), 1);
        est.ComplexFft();
        const double* db = est.ToDb();
        for (unsigned k = 0; k < n; ++k)
            if (std::abs(k - bin) > 5.0) {
                ASSERT_LT(db[k], m.limitDb) << "bin " << k;
            }
    }
}

TEST(SpectrumWindow, TakesEffectAtTheNextAllocation) {
    CSpectrumEstimator est(1);
    ASSERT_EQ(est.SetSize(32, nullptr), 1);
    est.SetWindow(kWindowRectangular);
    EXPECT_NE(est.Window()[0], 1.0);  // still the Hann window of this size
    ASSERT_EQ(est.SetSize(64, nullptr), 1);
    EXPECT_EQ(est.Window()[0], 1.0);
    est.SetWindow(17);  // unknown: ignored
    EXPECT_EQ(est.WindowType(), kWindowRectangular);
}

}  // namespace
}  // namespace velorix
