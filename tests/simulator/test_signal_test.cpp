// The virtual receiver's test signal: counters survive the trip, the ADC
// overload mark is never set, and the tone is where and as strong as stated
// (direct DFT).
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <vector>

#include "TestSignal.h"
#include "TestToneSource.h"

namespace velorix::sim {
namespace {

using namespace test_signal;

TEST(TestSignal, CounterRoundTripsAndWraps) {
    uint8_t frame[6];
    for (uint64_t n :
         {0ull, 1ull, 4095ull, 4096ull, 123456ull, (1ull << 23) - 1, 1ull << 23, (1ull << 23) + 5})
        for (int tone : {-2048, -1, 0, 1024, 2047}) {
            EncodeFrame(frame, tone, -tone - 1, n);
            EXPECT_EQ(DecodeCounter(frame), uint32_t(n & kCounterMask));
            EXPECT_EQ(DecodeToneI(frame), tone);
            EXPECT_EQ(DecodeToneQ(frame), -tone - 1);
            // Overload mark: bit 0 of I's low byte equals bit 7 of its high byte.
            EXPECT_EQ(frame[0] & 1, frame[2] >> 7);
        }
    EXPECT_EQ(CounterStep(kCounterMask, 0), 1u);
    EXPECT_EQ(CounterStep(10, 9), kCounterMask);
}

double DftPowerDb(const std::vector<std::complex<double>>& x, double cyclesPerSample) {
    std::complex<double> acc = 0;
    const double pi = std::acos(-1.0);
    for (size_t n = 0; n < x.size(); ++n)
        acc += x[n] * std::polar(1.0, -2.0 * pi * cyclesPerSample * double(n));
    return 20.0 * std::log10(std::abs(acc) / double(x.size()) + 1e-80);
}

TEST(TestToneSource, ToneIsAtPlus10kHzAndMinus6dBFSAtEveryRate) {
    for (int rate : {125, 250, 500}) {
        TestToneSource source;
        source.SetRate(rate);
        constexpr size_t kFrames = 5000;
        std::vector<uint8_t> bytes(kFrames * 6);
        source.Fill(777, bytes.data(), kFrames);
        std::vector<std::complex<double>> x(kFrames);
        for (size_t n = 0; n < kFrames; ++n) {
            ASSERT_EQ(DecodeCounter(&bytes[6 * n]), 777 + n);
            x[n] = {DecodeToneI(&bytes[6 * n]) / 2048.0, DecodeToneQ(&bytes[6 * n]) / 2048.0};
        }
        const double f = kToneHz / (rate * 1000.0);
        EXPECT_NEAR(DftPowerDb(x, f), 20.0 * std::log10(1024.0 / 2048.0), 0.05) << rate;
        EXPECT_LT(DftPowerDb(x, -f), -60.0) << rate;     // no image: I and Q in quadrature
        EXPECT_LT(DftPowerDb(x, 0.0), -60.0) << rate;    // no DC
        EXPECT_LT(DftPowerDb(x, 2 * f), -60.0) << rate;  // no harmonic
    }
}

TEST(TestToneSource, FramesDependOnlyOnTheirIndex) {
    TestToneSource source;
    source.SetRate(500);
    std::vector<uint8_t> whole(1000 * 6), part(300 * 6);
    source.Fill(10000, whole.data(), 1000);
    source.Fill(10517, part.data(), 300);
    EXPECT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + 517 * 6));
}

}  // namespace
}  // namespace velorix::sim
