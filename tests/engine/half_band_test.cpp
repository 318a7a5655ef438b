#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "DspDecimCpx.h"
#include "DspHBFDecimCpx.h"
#include "DspHBFinterpCpx.h"
#include "FirKernels.h"
#include "HalfBandCoefficients.h"
#include "RateReference.h"
#include "TestBlocks.h"
#include "ToneMeasure.h"

namespace velorix {
namespace {

using test::AllHalfBandSets;
using test::ExpandHalfBand;

TEST(HalfBandSets, AreSymmetricHalfBandFiltersOfUnitGain) {
    for (const auto& s : AllHalfBandSets()) {
        const int m = (s.length + 1) / 4;
        EXPECT_EQ(HalfBandStoredTaps(s.length), 2 * m + 1) << s.name;
        EXPECT_EQ(s.taps[m], 0.5) << s.name;
        double sum = 0.0;
        for (int j = 0; j <= 2 * m; ++j) {
            EXPECT_EQ(s.taps[j], s.taps[2 * m - j]) << s.name << " tap " << j;
            sum += s.taps[j];
        }
        EXPECT_NEAR(sum, 1.0, 5e-7) << s.name;
        // The half-band property: the response at f and at 0.5 − f add to 1,
        // so −6 dB falls exactly at a quarter of the input rate.
        const auto h = ExpandHalfBand(s.taps, s.length);
        for (double f : {0.0, 0.05, 0.1, 0.2, 0.25}) {
            Cpx a = 0.0, b = 0.0;
            for (int k = 0; k < s.length; ++k) {
                a += h[k] * std::polar(1.0, -kTwoPi * f * k);
                b += h[k] * std::polar(1.0, -kTwoPi * (0.5 - f) * k);
            }
            const Cpx centreDelay = std::polar(1.0, kTwoPi * f * (s.length - 1) / 2.0);
            const Cpx centreDelayB = std::polar(1.0, kTwoPi * (0.5 - f) * (s.length - 1) / 2.0);
            EXPECT_NEAR((a * centreDelay).real() + (b * centreDelayB).real(), 1.0, 1e-6)
                << s.name << " at " << f;
        }
    }
}

// Pushes `in` from a source of `sourceBlock` samples a block through `block`
// into a sink with room for `sinkRoom`; what reached the sink, at its rate.
struct ChainOutput {
    std::vector<Cpx> samples;
    double rateKHz;
};
ChainOutput RunChain(CDspBlock& block, const std::vector<Cpx>& in, int sourceBlock, int sinkRoom,
                     double inRateKHz) {
    test::TestSource src(sourceBlock);
    test::TestSink sink(sinkRoom);
    src.Connect(&block);
    block.Connect(&sink);
    src.SetRate(inRateKHz);
    src.Push(in);
    return {sink.received, sink.rate};
}

// Every rate changer equals zero insertion (with a gain of `up`), the full
// N-tap convolution of its expanded taps, and keeping every `down`-th sample,
// across buffer boundaries of either side.
TEST(RateChangers, StreamsEqualTheFullFilterAcrossBufferBoundaries) {
    struct Case {
        std::string what;
        std::shared_ptr<CDspBlock> block;
        std::vector<double> h;
        int down, up;
        std::vector<Cpx> in;
        int sourceBlock, sinkRoom;
        double inRateKHz, outRateKHz;
        size_t outputs;
        double tolerance;
    };
    const std::vector<double> h3 = {0.1, -0.25, 0.5, 0.3, 0.05, -0.02, 0.2};
    std::vector<Case> cases = {
        {"decimator by 3", std::make_shared<CDspDecimCpx>(3, 64, 7, h3.data()), h3, 3, 1,
         test::ComplexNoise(3 * 64 * 5, 2), 96, 64, 96.0, 32.0, 320, 1e-14},
        // A downstream whose room is not a whole number of pairs gets exactly
        // the outputs it has room for; the pair left half-done is finished in
        // the next piece, so nothing is repeated or lost: 256 full buffers of 5.
        {"interpolator into odd room", std::make_shared<CDspHBFinterpCpx>(64, kH23Length, H23),
         ExpandHalfBand(H23, kH23Length), 1, 2, test::ComplexNoise(640, 23), 64, 5, 15.625, 31.25,
         1280, 1e-13},
    };
    for (const auto& s : AllHalfBandSets()) {
        const auto h = ExpandHalfBand(s.taps, s.length);
        // 11 full buffers of 256, sink full.
        cases.push_back({std::string("decimator ") + s.name,
                         std::make_shared<CDspHBFDecimCpx>(128, s.length, s.taps), h, 2, 1,
                         test::ComplexNoise(6000, 11), 333, 100, 500.0, 250.0, 2900, 1e-13});
        // 1463 of 1500 reach the interpolator (19 blocks of 77), 22 full buffers of 64.
        cases.push_back({std::string("interpolator ") + s.name,
                         std::make_shared<CDspHBFinterpCpx>(64, s.length, s.taps), h, 1, 2,
                         test::ComplexNoise(1500, 21), 77, 100, 15.625, 31.25, 2800, 1e-13});
    }
    for (const auto& c : cases) {
        std::vector<Cpx> stuffed(c.up * c.in.size(), 0.0);
        for (size_t i = 0; i < c.in.size(); ++i)
            stuffed[c.up * i] = static_cast<double>(c.up) * c.in[i];
        const auto z = test::Convolve(stuffed, c.h);
        const auto out = RunChain(*c.block, c.in, c.sourceBlock, c.sinkRoom, c.inRateKHz);
        EXPECT_DOUBLE_EQ(out.rateKHz, c.outRateKHz) << c.what;
        ASSERT_EQ(out.samples.size(), c.outputs) << c.what;
        for (size_t i = 0; i < out.samples.size(); ++i)
            ASSERT_LT(std::abs(out.samples[i] - z[c.down * i]), c.tolerance)
                << c.what << " at " << i;
    }
}

TEST(HalfBandDecimator, CentreImpulseGivesOneHalf) {
    // H7a: m = 2, the window's only non-zero sample at position 2m − 1 = 3.
    CDspHBFDecimCpx dec(1, kH7Length, H7a);
    std::vector<Cpx> window(kH7Length + 1, 0.0);
    window[3] = 1.0;
    Cpx out[1];
    dec.Process(out, window.data(), 1);
    EXPECT_EQ(out[0], Cpx(0.5, 0.0));
    // An outer position gives that outer tap; a zero-tap position nothing.
    window[3] = 0.0;
    window[2] = 1.0;
    dec.Process(out, window.data(), 1);
    EXPECT_EQ(out[0], Cpx(H7a[1], 0.0));
    window[2] = 0.0;
    window[1] = Cpx(0.0, 1.0);
    dec.Process(out, window.data(), 1);
    EXPECT_EQ(out[0], Cpx(0.0, 0.0));
}

TEST(HalfBandDecimator, A32768SampleBufferGives16384OutputsPerRun) {
    CDspHBFDecimCpx dec(16384, kH7Length, H7a);
    EXPECT_EQ(dec.GetBlockCapacity(), 32768);
    test::TestSink sink(16384);
    dec.Connect(&sink);
    const auto in = test::ComplexNoise(32768, 4);
    std::copy(in.begin(), in.end(), reinterpret_cast<Cpx*>(dec.Buffer().AdvanceWrite(32768)));
    dec.BufferFull();
    EXPECT_EQ(sink.fullCalls, 1);
    EXPECT_EQ(sink.received.size(), 16384u);
    EXPECT_EQ(dec.Buffer().Fill(), 0);
}

TEST(RateChangers, ConstantInputSettlesToTheCoefficientSum) {
    for (const auto& s : AllHalfBandSets()) {
        double sum = 0.0;
        for (int j = 0; j < HalfBandStoredTaps(s.length); ++j)
            sum += s.taps[j];
        const std::vector<Cpx> ones(4096, Cpx(1.0, -1.0));
        CDspHBFDecimCpx dec(256, s.length, s.taps);
        const auto down = RunChain(dec, ones, 512, 256, 500.0).samples;
        ASSERT_EQ(down.size(), 2048u);
        for (size_t i = s.length; i < 2048; ++i) {
            ASSERT_NEAR(down[i].real(), sum, 1e-13) << s.name;
            ASSERT_NEAR(down[i].imag(), -sum, 1e-13) << s.name;
            ASSERT_NEAR(down[i].real(), 1.0, 5e-7) << s.name;
        }
        CDspHBFinterpCpx interp(128, s.length, s.taps);
        const auto up = RunChain(interp, ones, 512, 256, 500.0).samples;
        ASSERT_EQ(up.size(), 8192u);
        for (size_t i = 2 * s.length; i < 8192; ++i)
            ASSERT_NEAR(up[i].real(), 1.0, 2 * 5e-7) << s.name << " at " << i;
    }
}

TEST(HalfBandInterpolator, SecondOutputOfEachPairReproducesTheCentreSampleExactly) {
    for (const auto& s : AllHalfBandSets()) {
        const int m = (s.length + 1) / 4;
        CDspHBFinterpCpx interp(64, s.length, s.taps);
        const auto x = test::ComplexNoise(64 + 2 * m, 8);
        std::vector<Cpx> y(128);
        interp.Process(y.data(), x.data(), 128);
        for (int k = 0; k < 64; ++k)
            ASSERT_EQ(y[2 * k + 1], x[k + m]) << s.name << " pair " << k;
    }
}

TEST(HalfBandInterpolator, OddCountWritesNoFurtherThanAsked) {
    CDspHBFinterpCpx interp(8, kH7Length, H7a);
    const auto x = test::ComplexNoise(16, 3);
    std::vector<Cpx> y(6, Cpx(7.0, 7.0));
    interp.Process(y.data(), x.data(), 5);
    EXPECT_EQ(y[5], Cpx(7.0, 7.0));  // the guard element is untouched
    std::vector<Cpx> full(6);
    interp.Process(full.data(), x.data(), 6);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(y[i], full[i]);
}

TEST(RateChangers, RejectLengthsThatAreNotHalfBandLengths) {
    EXPECT_THROW(CDspHBFDecimCpx(16, 9, H7a), std::invalid_argument);
    EXPECT_THROW(CDspHBFinterpCpx(16, 5, H7a), std::invalid_argument);
    EXPECT_THROW(CDspDecimCpx(0, 16, 7, H7a), std::invalid_argument);
    EXPECT_THROW(CDspHBFDecimCpx(0, 7, H7a), std::invalid_argument);
}

TEST(RateChangers, NameThemselvesAndScaleTheRate) {
    std::string name;
    CDspHBFDecimCpx hd(8, kH7Length, H7a);
    CDspHBFinterpCpx hi(8, kH7Length, H7a);
    CDspDecimCpx d(4, 8, kH7Length, H7a);
    EXPECT_EQ(hd.GetName(name), "CDspHBFDecimCpx");
    EXPECT_EQ(hi.GetName(name), "CDspHBFinterpCpx");
    EXPECT_EQ(d.GetName(name), "CDspDecimCpx");
    hd.SetRate(500.0);
    hi.SetRate(500.0);
    d.SetRate(500.0);
    EXPECT_DOUBLE_EQ(hd.GetOutputRate(), 250.0);
    EXPECT_DOUBLE_EQ(hi.GetOutputRate(), 1000.0);
    EXPECT_DOUBLE_EQ(d.GetOutputRate(), 125.0);
    EXPECT_EQ(hd.Buffer().History(), kH7Length - 1);
    EXPECT_EQ(hi.Buffer().History(), (kH7Length + 1) / 2 - 1);
}

}  // namespace
}  // namespace velorix

namespace velorix {
namespace {

// The baseline and AVX2/FMA variants of the kernels compute the same sums in
// the same order; fused multiply-adds may change the last bits only.
TEST(FirKernelVariants, AgreeWithEachOther) {
    if (!kernels::UseAvx2()) GTEST_SKIP() << "this processor runs only the baseline kernels";
    for (const auto& s : test::AllHalfBandSets()) {
        const int m = (s.length + 1) / 4;
        const int n = 301;  // a whole number of register blocks and a tail
        const auto x = test::ComplexNoise(2 * n + s.length, 31);
        std::vector<double> outer(2 * m);
        std::vector<Cpx> even(64 + 2 * m), odd(64 + 2 * m), a(2 * n), b(2 * n);
        kernels::HalfBandDecimateBaseline(s.taps, m, x.data(), a.data(), n, outer.data(),
                                          even.data(), odd.data(), 64);
        kernels::HalfBandDecimateAvx2(s.taps, m, x.data(), b.data(), n, outer.data(), even.data(),
                                      odd.data(), 64);
        EXPECT_LT(test::MaxAbsDiff(a, b, n), 1e-14) << s.name;
        kernels::HalfBandInterpolateBaseline(s.taps, m, x.data(), a.data(), 2 * n, outer.data());
        kernels::HalfBandInterpolateAvx2(s.taps, m, x.data(), b.data(), 2 * n, outer.data());
        EXPECT_LT(test::MaxAbsDiff(a, b, 2 * n), 1e-14) << s.name;
        const auto h = ExpandHalfBand(s.taps, s.length);
        kernels::FirConvolveBaseline(h.data(), s.length, x.data(), a.data(), n);
        kernels::FirConvolveAvx2(h.data(), s.length, x.data(), b.data(), n);
        EXPECT_LT(test::MaxAbsDiff(a, b, n), 1e-14) << s.name;
    }
}

}  // namespace
}  // namespace velorix
