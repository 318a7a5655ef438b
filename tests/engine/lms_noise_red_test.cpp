#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "DemodSignals.h"
#include "DspLMSNoiseRed.h"
#include "DspMath.h"
#include "SpectrumReference.h"
#include "TestBlocks.h"

namespace velorix {
namespace {

constexpr int kTaps = 64, kDelay = 20, kSpan = kTaps + kDelay - 1;

// Feeds `in` through a source -> LMS -> sink chain of the engine's sizes and
// returns what reaches the sink.
std::vector<Cpx> RunChain(CDspLMSNoiseRed& lms, const std::vector<Cpx>& in) {
    test::TestSource src(512);
    test::TestSink sink(512);
    src.Connect(&lms);
    lms.Connect(&sink);
    src.Push(in);
    return sink.received;
}

std::vector<Cpx> Tone(size_t n, double cyclesPerSample, double amplitude) {
    std::vector<Cpx> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = Cpx(amplitude * std::sin(2.0 * kPi * cyclesPerSample * i + 0.2), 0.0);
    return v;
}

std::vector<double> Weights(const CDspLMSNoiseRed& lms) {
    std::vector<double> w(lms.Taps());
    for (int j = 0; j < lms.Taps(); ++j)
        w[j] = lms.Weight(j);
    return w;
}

TEST(LmsNoiseRed, APureToneConvergesAndComesOutDelayed) {
    CDspLMSNoiseRed lms(512, kTaps, kDelay, 0.01);
    const auto in = Tone(120 * 512, 1000.0 / 31250.0, 0.3);
    const auto out = RunChain(lms, in);
    ASSERT_EQ(out.size(), in.size());
    // The output at i predicts the input kSpan samples earlier.
    double err = 0, sig = 0;
    for (size_t i = out.size() - 8192; i < out.size(); ++i) {
        const double e = out[i].real() - in[i - kSpan].real();
        err += e * e;
        sig += in[i - kSpan].real() * in[i - kSpan].real();
    }
    EXPECT_LT(10.0 * std::log10(err / sig), -30.0);  // error power 30 dB under the tone
    // Early on, with weights still near 0, the prediction was poor.
    double early = 0;
    for (size_t i = kSpan; i < kSpan + 512; ++i)
        early += std::pow(out[i].real() - in[i - kSpan].real(), 2);
    EXPECT_GT(early / 512, 100.0 * err / 8192);
}

TEST(LmsNoiseRed, WhiteNoiseComesOutAtLeastTenDbWeaker) {
    CDspLMSNoiseRed lms(512, kTaps, kDelay, 0.01);
    auto in = test::ComplexNoise(200 * 512, 0.02, 21);
    const auto out = RunChain(lms, in);
    std::vector<double> x, y;
    for (size_t i = in.size() / 2; i < in.size(); ++i) {
        x.push_back(in[i].real());
        y.push_back(out[i].real());
    }
    const double gainDb = 10.0 * std::log10(test::MeanPower(y) / test::MeanPower(x));
    EXPECT_LT(gainDb, -10.0);
}

TEST(LmsNoiseRed, OnlyTheRealPartCountsAndBothOutputPartsAreEqual) {
    CDspLMSNoiseRed a(512, kTaps, kDelay, 0.01), b(512, kTaps, kDelay, 0.01);
    auto in = test::ComplexNoise(20 * 512, 0.02, 4);
    auto tone = Tone(in.size(), 0.05, 0.2);
    for (size_t i = 0; i < in.size(); ++i)
        in[i] += tone[i];
    auto realOnly = in;
    for (auto& z : realOnly)
        z = Cpx(z.real(), 0.0);
    const auto out = RunChain(a, in);
    const auto ref = RunChain(b, realOnly);
    ASSERT_EQ(out.size(), ref.size());
    for (size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out[i].real(), out[i].imag()) << i;
        ASSERT_EQ(out[i], ref[i]) << i;
    }
}

TEST(LmsNoiseRed, SilenceLeavesTheWeightsUnchanged) {
    CDspLMSNoiseRed lms(512, kTaps, kDelay, 0.01);
    test::TestSource src(512);
    test::TestSink sink(512);
    src.Connect(&lms);
    lms.Connect(&sink);
    src.Push(Tone(40 * 512, 0.03, 0.5));
    src.Push(std::vector<Cpx>(512));  // flushes the tone out of the window
    const auto trained = Weights(lms);
    ASSERT_NE(trained[kTaps - 1], 0.0);
    sink.received.clear();
    src.Push(std::vector<Cpx>(10 * 512));
    EXPECT_EQ(Weights(lms), trained);
    for (const Cpx& z : sink.received)
        ASSERT_EQ(z, Cpx(0.0, 0.0));
    // A restart (rate change, switch) clears the history but keeps the weights.
    src.SetRate(31.25);
    EXPECT_EQ(Weights(lms), trained);
}

TEST(LmsNoiseRed, StepFollowsTheSliderInDb) {
    CDspLMSNoiseRed lms(512, kTaps, kDelay, 0.01);
    EXPECT_EQ(lms.Step(), 0.01);
    lms.SetStepDb(0.0);
    EXPECT_DOUBLE_EQ(lms.Step(), 1.0);
    lms.SetStepDb(40.0);
    EXPECT_DOUBLE_EQ(lms.Step(), 0.01);
    lms.SetStepDb(60.0);
    EXPECT_DOUBLE_EQ(lms.Step(), 0.001);
    EXPECT_EQ(lms.Buffer().History(), kSpan);
    std::string name;
    EXPECT_EQ(lms.GetName(name), "CDspLMSNoiseRed");
}

}  // namespace
}  // namespace velorix
