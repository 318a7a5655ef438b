#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "DspNoiseBlanker.h"
#include "FilterResponse.h"
#include "ToneMeasure.h"

namespace velorix {
namespace {

std::vector<Cpx> Blank(CDspNoiseBlanker& nb, const std::vector<Cpx>& in) {
    std::vector<Cpx> out(in.size());
    for (size_t i = 0; i < in.size(); i += CDspNoiseBlanker::kCapacity) {
        const int n =
            static_cast<int>(std::min<size_t>(CDspNoiseBlanker::kCapacity, in.size() - i));
        nb.Process(out.data() + i, in.data() + i, n);
    }
    return out;
}

TEST(NoiseBlanker, DisabledPassesEveryBitThrough) {
    CDspNoiseBlanker nb;
    auto in = test::ComplexNoise(10000, 4, 100.0);
    in[17] = Cpx(-0.0, 1e300);
    in[18] = Cpx(std::nan(""), -std::numeric_limits<double>::infinity());
    const auto out = test::RunThrough(nb, in, 1024, 1024);
    ASSERT_EQ(out.size(), 9216u);
    EXPECT_EQ(std::memcmp(out.data(), in.data(), out.size() * sizeof(Cpx)), 0);
    EXPECT_EQ(nb.IsEnabled(), 0);
}

TEST(NoiseBlanker, ThresholdSettingIsTenthsOfADecibelBelowZero) {
    CDspNoiseBlanker nb;
    EXPECT_NEAR(test::Db(nb.ThresholdRatio()), 13.0, 1e-12);  // the default −130
    nb.SetThreshold(-200);
    EXPECT_NEAR(test::Db(nb.ThresholdRatio()), 20.0, 1e-12);
    nb.SetThreshold(0);
    EXPECT_EQ(nb.ThresholdRatio(), 1.0);
}

// A steady carrier of amplitude 1 with isolated impulses 20 dB above it.
TEST(NoiseBlanker, BlanksImpulsesAboveTheCarrierOnceSettledAndKeepsTheCarrier) {
    CDspNoiseBlanker nb;
    nb.SetThreshold(-130);  // 13 dB
    nb.SetEnabled(1);
    const size_t n = 200000;
    auto in = test::ComplexTone(n, 0.01234);
    std::vector<size_t> impulses;
    for (size_t i = 30000; i < n; i += 4999) {
        in[i] *= 10.0;
        impulses.push_back(i);
    }
    const auto out = Blank(nb, in);

    // Settling: the average of a constant magnitude 1 rises from 0 as
    // a[1] = c/2, a[k] = (1 − c)·a[k−1] + c, i.e. a[k] = 1 − A·(1 − c)^k with
    // A = (1 − c/2)/(1 − c); samples are blanked while 1 > ratio·a[k].
    const double c = 0.0001, ratio = std::pow(10.0, 0.65);
    const double a = (1 - c / 2) / (1 - c);
    const double settle = std::log((1 - 1 / ratio) / a) / std::log(1 - c);  // ≈ 2536
    size_t firstPassed = 0;
    while (out[firstPassed] == Cpx())
        ++firstPassed;
    EXPECT_NEAR(static_cast<double>(firstPassed), settle, 1.0);
    for (size_t i = firstPassed; i < n; ++i) {
        const bool impulse = std::find(impulses.begin(), impulses.end(), i) != impulses.end();
        if (impulse)
            ASSERT_EQ(out[i], Cpx()) << "impulse at " << i << " passed";
        else
            ASSERT_EQ(out[i], in[i]) << "carrier blanked at " << i;
    }
    // The impulses barely move the average: it stays within 0.3 dB of 1.
    EXPECT_NEAR(test::Db(nb.Average()), 0.0, 0.3);
}

TEST(NoiseBlanker, SwitchingOnAgainRestartsTheAverage) {
    CDspNoiseBlanker nb;
    nb.SetEnabled(1);
    const auto in = test::ComplexTone(20000, 0.1);
    Blank(nb, in);
    EXPECT_GT(nb.Average(), 0.8);
    nb.SetEnabled(0);
    EXPECT_EQ(Blank(nb, in), in);  // off: untouched, and the average is kept
    nb.SetEnabled(1);
    const auto out = Blank(nb, in);
    EXPECT_EQ(out[0], Cpx());  // started again from 0: the first samples are blanked
    EXPECT_EQ(out[2000], Cpx());
    EXPECT_EQ(out[3000], in[3000]);
}

TEST(NoiseBlanker, ASampleExactlyAtTheThresholdPasses) {
    // Ratio 1 and a constant magnitude 1.5: the average climbs to exactly 1.5
    // in double arithmetic (for magnitude 1 it would stop one rounding short),
    // where each sample stands exactly at ratio × average.
    CDspNoiseBlanker nb;
    nb.SetThreshold(0);
    nb.SetEnabled(1);
    const std::vector<Cpx> steady(400000, Cpx(1.5, 0.0));
    const auto settled = Blank(nb, steady);
    ASSERT_EQ(nb.Average(), 1.5);
    EXPECT_EQ(settled.front(), Cpx());  // still rising: blanked
    EXPECT_EQ(settled.back(), Cpx(1.5, 0.0));
    // Exactly at the threshold passes; one step above it is blanked.
    const double above = std::nextafter(1.5, 2.0);
    const std::vector<Cpx> probe = {Cpx(1.5, 0.0), Cpx(0.0, -1.5), Cpx(above, 0.0)};
    std::vector<Cpx> out(3);
    nb.Process(out.data(), probe.data(), 3);
    EXPECT_EQ(out[0], probe[0]);
    EXPECT_EQ(out[1], probe[1]);
    EXPECT_EQ(out[2], Cpx());
}

TEST(NoiseBlanker, NamesItself) {
    CDspNoiseBlanker nb;
    std::string name;
    EXPECT_EQ(nb.GetName(name), "CDspNoiseBlanker");
    EXPECT_EQ(nb.GetBlockCapacity(), 1024);
}

}  // namespace
}  // namespace velorix
