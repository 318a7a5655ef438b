#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "GainSplit.h"
#include "SampleFrames.h"

namespace velorix::soapy {
namespace {

// One frame with I = `i` and Q = `q` as 24-bit little-endian values.
std::array<std::uint8_t, kFrameBytes> Frame(std::int32_t i, std::int32_t q) {
    const auto u = static_cast<std::uint32_t>(i), v = static_cast<std::uint32_t>(q);
    return {std::uint8_t(u), std::uint8_t(u >> 8), std::uint8_t(u >> 16),
            std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16)};
}

TEST(SampleFrames, DecodesEveryFormatWithItsScaleAndSaturation) {
    struct Case {
        std::int32_t raw;
        std::int16_t cs16;
    };
    // round(raw / 256) with halves away from zero, held to the int16 range.
    const Case cases[] = {{0, 0},
                          {127, 0},
                          {128, 1},
                          {-128, -1},
                          {-127, 0},
                          {384, 2},
                          {-384, -2},
                          {0x7FFF7F, 32767},
                          {0x7FFF80, 32767},
                          {8388607, 32767},
                          {-8388608, -32768},
                          {-8388479, -32767},
                          {-8388480, -32768}};
    for (const Case& c : cases) {
        const auto frame = Frame(c.raw, -c.raw - 1);
        std::int16_t s[2];
        float f[2];
        double d[2];
        DecodeFrames(frame.data(), 1, SampleFormat::CS16, s);
        DecodeFrames(frame.data(), 1, SampleFormat::CF32, f);
        DecodeFrames(frame.data(), 1, SampleFormat::CF64, d);
        EXPECT_EQ(s[0], c.cs16) << c.raw;
        EXPECT_FLOAT_EQ(f[0], float(c.raw / 8388608.0)) << c.raw;
        EXPECT_DOUBLE_EQ(d[0], c.raw / 8388608.0) << c.raw;
        EXPECT_DOUBLE_EQ(d[1], (-c.raw - 1) / 8388608.0) << c.raw;
    }
}

TEST(SampleFrames, OverloadMarkIsBitZeroOfIAgainstItsSign) {
    EXPECT_FALSE(OverloadMark(Frame(1000, 0).data()));
    EXPECT_TRUE(OverloadMark(Frame(1001, 0).data()));
    EXPECT_FALSE(OverloadMark(Frame(-999, 0).data()));
    EXPECT_TRUE(OverloadMark(Frame(-1000, 0).data()));
}

TEST(GainSplit, OverallGainGoesToTheNearestSetting) {
    struct Case {
        double requestDb;
        int step;
        bool preamp;
    };
    const Case cases[] = {{3.5, 0, true},   {10.0, 0, true},   {0.0, 0, false},  {1.75, 0, false},
                          {1.8, 0, true},   {-5.0, 1, true},   {-8.0, 1, true},  {-10.0, 1, false},
                          {-26.5, 3, true}, {-30.0, 3, false}, {-90.0, 3, false}};
    for (const Case& c : cases) {
        const GainSplit g = SplitGain(c.requestDb);
        EXPECT_EQ(g.attenuatorStep, c.step) << c.requestDb;
        EXPECT_EQ(g.preamp, c.preamp) << c.requestDb;
    }
    EXPECT_DOUBLE_EQ(SplitGain(-6.5).GainDb(), -6.5);
}

}  // namespace
}  // namespace velorix::soapy
