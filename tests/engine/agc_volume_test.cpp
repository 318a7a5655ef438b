#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

#include "DemodSignals.h"
#include "DspAgcCtl.h"
#include "DspVolumeCtl.h"
#include "SpectrumReference.h"
#include "TestBlocks.h"

namespace velorix {
namespace {

constexpr double kRateKHz = 31.25;

std::unique_ptr<CDspAgcCtl> MakeAgc(int mode) {
    auto agc = std::make_unique<CDspAgcCtl>(64);
    agc->SetRate(kRateKHz);
    agc->SetMode(mode);
    return agc;
}

double Db(double amplitude) {
    return 20.0 * std::log10(amplitude);
}

TEST(Agc, OffGivesExactlyTheFixedGainDelayedByThreeSamples) {
    auto agc = MakeAgc(3);
    EXPECT_EQ(agc->IsOff(), 1);
    const auto in = test::ComplexNoise(1000, 0.5, 8);
    const auto out = test::RunInChunks(*agc, in, 64);
    const double gain = std::pow(10.0, 42.0 / 20.0);
    for (int n = 0; n < 3; ++n)
        EXPECT_EQ(out[n], Cpx(0.0, 0.0));
    for (size_t n = 3; n < out.size(); ++n) {
        ASSERT_NEAR(out[n].real(), in[n - 3].real() * gain, 1e-12 * gain) << n;
        ASSERT_NEAR(out[n].imag(), in[n - 3].imag() * gain, 1e-12 * gain) << n;
    }
}

TEST(Agc, OutputDoesNotDependOnHowTheStreamIsCut) {
    // A 50 dB step, so attack and decay both act across the cuts.
    auto in = test::ComplexNoise(3000, 0.003, 21);
    const auto loud = test::ComplexNoise(1500, 1.0, 22);
    std::copy(loud.begin(), loud.end(), in.begin() + 1000);
    auto whole = MakeAgc(0);
    const auto reference = test::RunInChunks(*whole, in, 3000);
    for (int chunk : {1, 2, 3, 4, 5, 63, 64, 65, 200}) {
        auto agc = MakeAgc(0);
        const auto out = test::RunInChunks(*agc, in, chunk);
        for (size_t n = 0; n < out.size(); ++n)
            ASSERT_NEAR(std::abs(out[n] - reference[n]), 0.0, 1e-13 * std::abs(reference[n]))
                << "chunk " << chunk << " sample " << n;
        EXPECT_EQ(agc->LevelEstimateDb(), whole->LevelEstimateDb()) << chunk;
    }
}

TEST(Agc, AnImpulseLeavesThreeSamplesLater) {
    for (int mode : {0, 1, 2, 7}) {
        auto agc = MakeAgc(mode);
        std::vector<Cpx> in(50);
        in[10] = Cpx(0.01, -0.02);
        const auto out = test::RunInChunks(*agc, in, 5);  // across block edges
        for (size_t n = 0; n < out.size(); ++n) {
            if (n == 13)
                EXPECT_NE(out[n], Cpx(0.0, 0.0));
            else
                EXPECT_EQ(out[n], Cpx(0.0, 0.0)) << "mode " << mode << " sample " << n;
        }
    }
}

TEST(Agc, FollowsASixtyDbStepWithinAFewSamples) {
    auto agc = MakeAgc(0);
    // Settle on a carrier at -80 dB, then jump to -20 dB.
    test::RunInChunks(*agc, test::Carrier(64000, 1e-4, 500.0, kRateKHz), 64);
    ASSERT_NEAR(agc->LevelEstimateDb(), -80.0, 0.1);
    const auto loud = test::Carrier(64, 0.1, 500.0, kRateKHz);
    std::vector<double> estimate;
    std::vector<Cpx> out(loud.size());
    for (size_t n = 0; n < loud.size(); ++n) {
        agc->Process(&out[n], &loud[n], 1);
        estimate.push_back(agc->LevelEstimateDb());
    }
    // Attack: k = 0.3 + 0.01 per dB of overshoot; the first sample (e = 60 dB,
    // k = 0.9) takes 54 dB at once, the rest closes by about a third per sample.
    std::vector<double> predicted;
    double l = -80.0;
    for (size_t n = 0; n < 8; ++n) {
        const double e = -20.0 - l;
        l += e * (e * 0.01 + 0.3);
        predicted.push_back(l);
    }
    EXPECT_NEAR(estimate[0], -26.0, 0.05);
    for (size_t n = 0; n < predicted.size(); ++n)
        EXPECT_NEAR(estimate[n], predicted[n], 0.05) << n;
    EXPECT_NEAR(estimate[6], -20.0, 1.0);
    EXPECT_NEAR(estimate[12], -20.0, 0.1);
    // The look-ahead: the first loud sample leaves after four level updates,
    // so it comes out 4 dB from the -6 dB reference, not 60 dB above it.
    EXPECT_NEAR(Db(std::abs(out[3])), -20.0 - (predicted[3] + 6.0), 0.05);
    EXPECT_LT(Db(std::abs(out[3])), 0.0);
    EXPECT_NEAR(Db(std::abs(out[30])), -6.0, 0.05);
    EXPECT_EQ(agc->PeakLevelDb(), estimate.back());
}

TEST(Agc, DecaysAtTheChosenTimeConstant) {
    for (auto [mode, seconds] : {std::pair{0, 0.1}, std::pair{1, 0.6}, std::pair{2, 1.8}}) {
        SCOPED_TRACE(mode);
        auto agc = MakeAgc(mode);
        const double c = 1.0 / (kRateKHz * 1000.0 * seconds);
        EXPECT_DOUBLE_EQ(agc->DecayCoefficient(), c);
        EXPECT_DOUBLE_EQ(agc->AverageCoefficient(), c);
        test::RunInChunks(*agc, test::Carrier(64 * 100, 0.1, 500.0, kRateKHz), 64);
        const double start = agc->LevelEstimateDb();
        ASSERT_GT(start, -20.0);
        // Down to -100 dB: the estimate approaches it by (1 - c) per sample.
        const int samples = static_cast<int>(kRateKHz * 1000.0 * seconds);
        test::RunInChunks(*agc, test::Carrier(samples, 1e-5, 500.0, kRateKHz), 64);
        const double expected = -100.0 + (start + 100.0) * std::pow(1.0 - c, samples);
        EXPECT_NEAR(agc->LevelEstimateDb(), expected, 1e-6);
        // One time constant: 1/e of the gap left.
        EXPECT_NEAR(agc->LevelEstimateDb(), -100.0 + (start + 100.0) / std::exp(1.0), 0.01);
    }
}

TEST(Agc, AverageAndPeakLevelsForTheSMeter) {
    auto agc = MakeAgc(1);
    const double c = agc->AverageCoefficient();
    // After SetMode the average starts at 1 dB and follows the level at c per sample.
    test::RunInChunks(*agc, test::Carrier(5000, 0.01, 300.0, kRateKHz), 50);
    EXPECT_NEAR(agc->AverageLevelDb(), -40.0 + 41.0 * std::pow(1.0 - c, 5000), 1e-9);
    // The peak is the largest estimate of the last block only.
    // A 0 dB sample in a -40 dB carrier: the estimate jumps once (attack),
    // then decays by c per sample; that jump is the block's peak.
    double l = agc->LevelEstimateDb();
    for (int n = 0; n < 10; ++n)
        l += (-40.0 - l) * c;
    const double e = 0.0 - l;
    const double jump = l + e * (e * 0.01 + 0.3);
    std::vector<Cpx> burst = test::Carrier(64, 0.01, 300.0, kRateKHz);
    burst[10] = Cpx(1.0, 0.0);
    test::RunInChunks(*agc, burst, 64);
    EXPECT_NEAR(agc->PeakLevelDb(), jump, 1e-6);
    // The next block's peak is its own: the first estimate of the decay.
    const double last = agc->LevelEstimateDb();
    test::RunInChunks(*agc, test::Carrier(64, 0.01, 300.0, kRateKHz), 64);
    EXPECT_NEAR(agc->PeakLevelDb(), last + (-40.0 - last) * c, 1e-6);
    agc->Reset();
    agc->Process(nullptr, nullptr, 0);
    EXPECT_EQ(agc->AverageLevelDb(), -130.0);
}

TEST(Agc, ResetClearsTheDelayLine) {
    auto agc = MakeAgc(3);
    const auto in = test::Carrier(10, 0.5, 300.0, kRateKHz);
    test::RunInChunks(*agc, in, 10);
    agc->Reset();
    const auto out = test::RunInChunks(*agc, std::vector<Cpx>(3), 3);
    for (const Cpx& z : out)
        EXPECT_EQ(z, Cpx(0.0, 0.0));
}

TEST(Agc, SetModeBeforeARateOnlyChangesTheOffFlag) {
    CDspAgcCtl agc(64);
    agc.SetMode(0);
    EXPECT_EQ(agc.IsOff(), 0);
    agc.SetMode(9);
    EXPECT_EQ(agc.IsOff(), 1);
    EXPECT_EQ(agc.AverageCoefficient(), 0.001);
    EXPECT_EQ(agc.DecayCoefficient(), 0.0005);
    agc.SetMode(2);
    agc.Process(nullptr, nullptr, 0);
    EXPECT_EQ(agc.LevelEstimateDb(), -150.0);
    EXPECT_EQ(agc.AverageLevelDb(), 0.0);
    // Silence drives the estimate down by the decay coefficient per sample,
    // towards the -1600 dB floor, never to -inf.
    test::RunInChunks(agc, std::vector<Cpx>(640), 64);
    EXPECT_NEAR(agc.LevelEstimateDb(), -1600.0 + 1450.0 * std::pow(1.0 - 0.0005, 640), 1e-6);
}

// The audio sink's side of a volume block: 16-bit stereo frames.
class FrameSink : public CDspConsumer {
public:
    explicit FrameSink(int capacity) : CDspConsumer(kDspTypeStereo16, capacity, 0) {}
    void BufferFull() override {
        const StereoFrame* f = buffer->MainAs<StereoFrame>();
        frames.insert(frames.end(), f, f + buffer->Fill());
        buffer->Commit();
    }
    std::string& GetName(std::string& name) override { return name = "FrameSink"; }
    std::vector<StereoFrame> frames;
};

std::vector<StereoFrame> Volume(CDspVolumeCtl& vol, const std::vector<Cpx>& in) {
    std::vector<StereoFrame> out(in.size());
    vol.Process(out.data(), in.data(), static_cast<int>(in.size()));
    return out;
}

TEST(Volume, ZeroDbMapsOneToFullScaleLeftRealRightImaginary) {
    CDspVolumeCtl vol(512);
    EXPECT_EQ(vol.GetOutputType(), kDspTypeStereo16);
    vol.SetLevel(0.0);
    const auto out = Volume(vol, {Cpx(1.0, -1.0), Cpx(0.5, 0.25), Cpx(-0.3, 0.0)});
    EXPECT_EQ(out[0].left, 32767);
    EXPECT_EQ(out[0].right, -32767);
    EXPECT_EQ(out[1].left, 16383);  // 16383.5 truncated toward zero
    EXPECT_EQ(out[1].right, 8191);
    EXPECT_EQ(out[2].left, -9830);  // -9830.1
    EXPECT_EQ(out[2].right, 0);
    vol.SetLevel(-10.0);  // the stored default
    EXPECT_NEAR(vol.GainFactor(), 32767.0 * std::pow(10.0, -0.5), 1e-9);
    EXPECT_EQ(Volume(vol, {Cpx(1.0, 0.0)})[0].left, 10361);
}

TEST(Volume, OverRangeSaturatesInsteadOfWrapping) {
    CDspVolumeCtl vol(512);
    vol.SetLevel(6.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const auto out = Volume(vol, {Cpx(1.0, -1.0), Cpx(2.5, -1e300), Cpx(nan, 0.1)});
    EXPECT_EQ(out[0].left, 32767);  // 65378 would wrap to -158
    EXPECT_EQ(out[0].right, -32768);
    EXPECT_EQ(out[1].left, 32767);
    EXPECT_EQ(out[1].right, -32768);
    EXPECT_EQ(out[2].left, 0);
    EXPECT_EQ(out[2].right, 6537);
}

TEST(Volume, MuteWritesZeroFramesThroughTheChain) {
    CDspVolumeCtl vol(512);
    test::TestSource src(1024);
    FrameSink sink(512);
    src.Connect(&vol);
    vol.Connect(&sink);
    vol.SetLevel(0.0);
    src.Push(test::Carrier(1024, 0.5, 1000.0, kRateKHz));
    ASSERT_EQ(sink.frames.size(), 1024u);
    EXPECT_NE(sink.frames[5].left, 0);
    vol.SetMute(1);
    src.Push(test::Carrier(1024, 0.5, 1000.0, kRateKHz));
    ASSERT_EQ(sink.frames.size(), 2048u);
    for (size_t i = 1024; i < 2048; ++i)
        ASSERT_TRUE(sink.frames[i].left == 0 && sink.frames[i].right == 0) << i;
    vol.SetMute(0);
    src.Push(test::Carrier(1024, 0.5, 1000.0, kRateKHz));
    EXPECT_EQ(sink.frames[2048].left, static_cast<int16_t>(0.5 * std::cos(0.3) * 32767.0));
}

}  // namespace
}  // namespace velorix
