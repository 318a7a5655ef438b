#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "DspFirCpxReal.h"
#include "DspIirCpxReal.h"
#include "FilterResponse.h"
#include "FixedFilterCoefficients.h"
#include "ToneMeasure.h"

namespace velorix {
namespace {

TEST(FirFilter, EqualsBruteForceConvolutionAcrossBuffers) {
    const std::vector<double> h(kLowPass24, kLowPass24 + kLowPass24Taps);
    const auto in = test::ComplexNoise(4000, 6);
    const auto z = test::Convolve(in, h);
    CDspFirCpxReal fir(128, kLowPass24Taps, kLowPass24);
    const auto out = test::RunThrough(fir, in, 100, 50);
    ASSERT_EQ(out.size(), 3950u);  // 31 blocks of 128 reach the sink in pieces of 50
    EXPECT_LT(test::MaxAbsDiff(out, z, out.size()), 1e-14);
    // An asymmetric filter shows the tap order: h[0] weights the newest sample.
    const double ramp[] = {1.0, 0.5, 0.25, 0.125};
    CDspFirCpxReal slope(4, 4, ramp);
    const auto impulse = test::RunThrough(slope, {1.0, 0.0, 0.0, 0.0}, 4, 4);
    ASSERT_EQ(impulse.size(), 4u);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(impulse[k], Cpx(ramp[k], 0.0));
}

TEST(FirFilter, The24TapLowPassAsMeasured) {
    // Measured: +0.076 dB at 0 Hz (taps sum to 1.00883), within ±0.09 dB up
    // to 0.2 cycles per sample, −7.4 dB at 0.25, at least 51.85 dB down from 0.3.
    auto make = [] { return std::make_unique<CDspFirCpxReal>(128, kLowPass24Taps, kLowPass24); };
    auto gainDb = [&](double f) { return test::Db(std::abs(test::ToneGain(make, f))); };
    EXPECT_NEAR(gainDb(0.0), 0.0764, 0.001);
    for (int k = -20; k <= 20; k += 2)
        EXPECT_NEAR(gainDb(k * 0.01), 0.0, 0.09) << k * 0.01;
    EXPECT_NEAR(gainDb(0.25), -7.40, 0.01);
    for (int k = 30; k <= 49; ++k)
        EXPECT_LT(gainDb(k * 0.01), -51.8) << k * 0.01;
}

// The recursive filter's steady-state response equals the transfer function
// H(z) = Σ b[k]·z^−k / (1 − Σ a[k]·z^−(k+1)), evaluated directly.
TEST(IirFilter, SteadyStateResponseMatchesItsTransferFunction) {
    auto make = [] {
        return std::make_unique<CDspIirCpxReal>(64, kIirFeedForwardCount, kIirFeedbackCount,
                                                kIirFeedForward, kIirFeedback);
    };
    for (double f : {0.01, 0.03, 0.05, 0.1, 0.2, -0.3, 0.5}) {
        Cpx num = 0.0, den = 1.0;
        for (int k = 0; k < kIirFeedForwardCount; ++k)
            num += kIirFeedForward[k] * std::polar(1.0, -kTwoPi * f * k);
        for (int k = 0; k < kIirFeedbackCount; ++k)
            den -= kIirFeedback[k] * std::polar(1.0, -kTwoPi * f * (k + 1));
        const Cpx expected = num / den;
        const Cpx measured = test::ToneGain(make, f, 3000, 4000);
        EXPECT_LT(std::abs(measured - expected), 1e-9) << f;
    }
    // A high-pass: DC is removed entirely, −3.3 dB at 0.05, flat above 0.2.
    const Cpx dc = test::ToneGain(make, 0.0, 3000, 4000);
    EXPECT_LT(std::abs(dc), 1e-9);
}

TEST(IirFilter, StreamsContinuouslyAcrossBlocks) {
    const auto in = test::ComplexNoise(2000, 12);
    CDspIirCpxReal whole(2000, kIirFeedForwardCount, kIirFeedbackCount, kIirFeedForward,
                         kIirFeedback);
    CDspIirCpxReal pieces(64, kIirFeedForwardCount, kIirFeedbackCount, kIirFeedForward,
                          kIirFeedback);
    const auto a = test::RunThrough(whole, in, 2000, 2000);
    const auto b = test::RunThrough(pieces, in, 37, 64);
    ASSERT_EQ(a.size(), 2000u);
    ASSERT_GE(b.size(), 1920u);
    for (size_t i = 0; i < 1920; ++i)
        ASSERT_EQ(a[i], b[i]) << i;
}

TEST(FixedFilters, NameThemselvesAndRejectBadSizes) {
    std::string name;
    CDspFirCpxReal fir(128, kLowPass24Taps, kLowPass24);
    CDspIirCpxReal iir(64, 4, 3, kIirFeedForward, kIirFeedback);
    EXPECT_EQ(fir.GetName(name), "CDspFirCpxReal");
    EXPECT_EQ(iir.GetName(name), "CDspIirCpxReal");
    EXPECT_EQ(fir.Buffer().History(), 23);
    EXPECT_EQ(iir.Buffer().History(), 3);
    EXPECT_THROW(CDspFirCpxReal(0, 4, kLowPass24), std::invalid_argument);
    EXPECT_THROW(CDspIirCpxReal(64, 0, 3, kIirFeedForward, kIirFeedback), std::invalid_argument);
    EXPECT_THROW(CDspIirCpxReal(64, 4, 3, kIirFeedForward, nullptr), std::invalid_argument);
}

}  // namespace
}  // namespace velorix
