// The virtual firmware image and bitstream formats: what is built parses,
// and any damage is refused.
#include <gtest/gtest.h>

#include "VirtualBitstream.h"
#include "VirtualFirmware.h"

namespace velorix::sim {
namespace {

TEST(VirtualFirmware, RoundTripAndDamage) {
    const UsbIdentity id{0x1234, 0x5678, "maker", "a product"};
    std::vector<uint8_t> image = virtual_firmware::Build(id, 500);
    EXPECT_EQ(image.size(), 12u + 5 + 9 + 500 + 4);
    std::vector<uint8_t> memory(virtual_firmware::kProgramMemoryBytes, 0);
    std::copy(image.begin(), image.end(), memory.begin());
    const auto parsed = virtual_firmware::Parse(memory.data(), memory.size());
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(parsed->vendorId, 0x1234);
    EXPECT_EQ(parsed->productId, 0x5678);
    EXPECT_EQ(parsed->manufacturer, "maker");
    EXPECT_EQ(parsed->product, "a product");
    for (size_t at : {size_t(0), size_t(5), size_t(100), image.size() - 1}) {
        std::vector<uint8_t> bad = memory;
        bad[at] ^= 0x01;
        EXPECT_FALSE(virtual_firmware::Parse(bad.data(), bad.size()).has_value()) << at;
    }
    EXPECT_FALSE(virtual_firmware::Parse(memory.data(), image.size() - 1).has_value());
    const std::vector<uint8_t> blank(memory.size(), 0);
    EXPECT_FALSE(virtual_firmware::Parse(blank.data(), blank.size()).has_value());
}

TEST(VirtualBitstream, RoundTripRatesAndDamage) {
    for (int rate : {125, 250, 500}) {
        const std::vector<uint8_t> image = virtual_bitstream::Build(rate, 1000);
        EXPECT_EQ(image.size(), 1015u);
        EXPECT_EQ(virtual_bitstream::Parse(image.data(), image.size()), rate);
        std::vector<uint8_t> bad = image;
        bad[500] ^= 0x80;
        EXPECT_FALSE(virtual_bitstream::Parse(bad.data(), bad.size()).has_value());
        EXPECT_FALSE(virtual_bitstream::Parse(image.data(), image.size() - 1).has_value());
    }
    const std::vector<uint8_t> odd = virtual_bitstream::Build(300, 100);  // not a rate of ours
    EXPECT_FALSE(virtual_bitstream::Parse(odd.data(), odd.size()).has_value());
    const std::vector<uint8_t> empty = virtual_bitstream::Build(125, 0);
    EXPECT_EQ(virtual_bitstream::Parse(empty.data(), empty.size()), 125);
}

}  // namespace
}  // namespace velorix::sim
