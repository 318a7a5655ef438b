// The bitstream descrambler against a plain 48-bit integer model of the same
// register, and the generated bitstream files against their keys.
#include <gtest/gtest.h>

#include <fstream>

#include "BitstreamDescrambler.h"
#include "BitstreamKeys.h"
#include "UsbRig.h"
#include "VirtualBitstream.h"

namespace velorix::usb {
namespace {

// Reference: the register as one 48-bit integer, mask likewise.
std::vector<uint8_t> ReferenceKeystream(const uint8_t* key, size_t n) {
    uint64_t r = 0, mask = 0;
    for (int i = 0; i < 6; ++i) {
        r |= uint64_t(key[i]) << (8 * i);
        mask |= uint64_t(BitstreamDescrambler::kFeedbackMask[size_t(i)]) << (8 * i);
    }
    std::vector<uint8_t> out;
    for (size_t k = 0; k < n; ++k) {
        out.push_back(uint8_t(r));
        for (int c = 0; c < 8; ++c) {
            const bool carry = (r >> 47) & 1;
            r = (r << 1) & 0xFFFFFFFFFFFFull;
            if (carry) r ^= mask;
        }
    }
    return out;
}

TEST(BitstreamDescrambler, KeystreamMatchesTheIntegerModel) {
    for (const auto& key : kBitstreamKeys) {
        BitstreamDescrambler d;
        d.Load(key);
        const std::vector<uint8_t> expected = ReferenceKeystream(key, 4096);
        for (size_t i = 0; i < expected.size(); ++i)
            ASSERT_EQ(d.Next(), expected[i]) << i;
    }
    // The first byte out is the key's first byte; an all-zero key gives zeros.
    const uint8_t zero[6] = {};
    BitstreamDescrambler d;
    d.Load(zero);
    for (int i = 0; i < 100; ++i)
        ASSERT_EQ(d.Next(), 0);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(GeneratedBitstreams, DescrambleToTheirRateOnlyWithTheirOwnKey) {
    for (int i = 0; i < 3; ++i) {
        const std::vector<uint8_t> file = ReadFile(test::BitstreamPath(i) + ".sbs");
        ASSERT_FALSE(file.empty()) << i;
        for (int k = 0; k < 3; ++k) {
            std::vector<uint8_t> plain = file;
            BitstreamDescrambler d;
            d.Load(kBitstreamKeys[k]);
            for (uint8_t& b : plain)
                b = uint8_t(b ^ d.Next());
            const std::optional<int> rate =
                sim::virtual_bitstream::Parse(plain.data(), plain.size());
            if (k == i) {
                ASSERT_TRUE(rate.has_value()) << i;
                EXPECT_EQ(*rate, 125 << i);
            } else {
                EXPECT_FALSE(rate.has_value()) << i << " with key " << k;
            }
        }
        // Scrambled, the file is not a bitstream by itself.
        EXPECT_FALSE(sim::virtual_bitstream::Parse(file.data(), file.size()).has_value());
    }
}

}  // namespace
}  // namespace velorix::usb
