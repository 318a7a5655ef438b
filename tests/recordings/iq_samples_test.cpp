#include "IqSamples.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "UtcTime.h"

namespace velorix {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Each encoding's extremes reach the receiver's full scale, 2^23.
TEST(IqSamples, DecodeEveryEncodingToTheReceiversFullScale) {
    const float floats[2] = {-1.0f, 0.5f};
    Bytes cf32(8);
    std::memcpy(cf32.data(), floats, 8);
    struct Case {
        IqEncoding encoding;
        Bytes bytes;
        double i, q;
    };
    for (const Case& c : {
             Case{IqEncoding::CI8, {0x80, 0x7F}, -8388608, 8323072},
             Case{IqEncoding::CU8, {0x00, 0xFF}, -8388608, 8323072},
             Case{IqEncoding::CI16, {0x00, 0x80, 0xFF, 0x7F}, -8388608, 8388352},
             Case{IqEncoding::CI24, {0x00, 0x00, 0x80, 0xFF, 0xFF, 0x7F}, -8388608, 8388607},
             Case{IqEncoding::CI32,
                  {0, 0, 0, 0x80, 0xFF, 0xFF, 0xFF, 0x7F},
                  -8388608,
                  8388607.99609375},
             Case{IqEncoding::CF32, cf32, -8388608, 4194304},
         }) {
        ASSERT_EQ(c.bytes.size(), static_cast<size_t>(IqSampleBytes(c.encoding)));
        Cpx out;
        DecodeIq(c.encoding, c.bytes.data(), 1, &out);
        EXPECT_EQ(out, Cpx(c.i, c.q)) << SigmfDatatypeName(c.encoding);
    }
}

// Values are rounded and held in 24 bits, never wrapped; with the overload
// mark, bit 0 of I equals its sign bit except on a sample that was held.
TEST(IqSamples, EncodeHoldsAndMarksAsTheConverterDoes) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const std::vector<Cpx> in = {{8388607.4, -3.5}, {9e6, 0}, {-2.0, 5}, {nan, -9e6}, {4, 0}};
    Bytes plain(in.size() * 6), marked(in.size() * 6);
    EXPECT_EQ(EncodeFrames(in.data(), in.size(), false, plain.data()), 2u);
    EXPECT_EQ(EncodeFrames(in.data(), in.size(), true, marked.data()), 2u);
    EXPECT_EQ(plain, (Bytes{0xFF, 0xFF, 0x7F, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0,
                            0,    0,    0xFE, 0xFF, 0xFF, 5,    0,    0,    0,    0,
                            0,    0,    0,    0x80, 4,    0,    0,    0,    0,    0}));
    EXPECT_EQ(marked, (Bytes{0xFE, 0xFF, 0x7F, 0xFC, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 0,
                             0,    0,    0xFF, 0xFF, 0xFF, 5,    0,    0,    1,    0,
                             0,    0,    0,    0x80, 4,    0,    0,    0,    0,    0}));
}

TEST(IqSamples, ExportRoundsToSixteenBitsAndKeepsEveryBitAsFloat) {
    // Raw I/Q pairs: full scale both ways, halves, and values just off them.
    const Bytes frames = {0xFF, 0xFF, 0x7F, 0x00, 0x00, 0x80,   // 8388607, -8388608
                          0x80, 0x00, 0x00, 0x80, 0xFF, 0xFF,   // 128, -128
                          0x7F, 0x00, 0x00, 0x7F, 0xFF, 0xFF,   // 127, -129
                          0x7F, 0x01, 0x00, 0x01, 0x00, 0x00};  // 383, 1
    Bytes ci16(16), cf32(32);
    FramesToCi16(frames.data(), 4, ci16.data());
    EXPECT_EQ(ci16,
              (Bytes{0xFF, 0x7F, 0x00, 0x80, 1, 0, 0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 1, 0, 0, 0}));
    FramesToCf32(frames.data(), 4, cf32.data());
    float f[8];
    std::memcpy(f, cf32.data(), sizeof f);
    EXPECT_EQ(f[0], 8388607.0f / 8388608.0f);
    EXPECT_EQ(f[1], -1.0f);
    EXPECT_EQ(f[7], std::ldexp(1.0f, -23));
}

TEST(UtcTime, ReadsAndWritesRfc3339) {
    EXPECT_EQ(IsoUtcText(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(IsoUtcText(1709528767), "2024-03-04T05:06:07Z");
    EXPECT_EQ(ParseIsoUtc("2024-03-04T05:06:07Z"), 1709528767);
    EXPECT_EQ(ParseIsoUtc("2024-05-06T07:08:09.5Z"), 1714979289);
    EXPECT_EQ(ParseIsoUtc("2024-03-04T07:36:07+02:30"), 1709528767);
    EXPECT_EQ(ParseIsoUtc("2024-02-29T23:59:59Z"), 1709251199);
    for (const char* bad : {"2023-02-29T00:00:00Z", "2024-03-04 05:06:07", "2024-03-04T05:06:07",
                            "2024-13-01T00:00:00Z", "2024-03-04T24:00:00Z", "2024-03-04T05:06:07.Z",
                            "2024-03-04T05:06:07+2:00", "today"})
        EXPECT_FALSE(ParseIsoUtc(bad)) << bad;
}

}  // namespace
}  // namespace velorix
