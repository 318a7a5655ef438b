// The Intel HEX line parser the firmware loader relies on.
#include <gtest/gtest.h>

#include "IntelHex.h"
#include "UsbRig.h"

namespace velorix::usb {
namespace {

TEST(IntelHex, ParsesDataAndEndRecords) {
    FirmwareRecord r{};
    ASSERT_TRUE(ParseHexLine(":0300300002337A1E\r\n", r));
    EXPECT_EQ(r.type, 0);
    EXPECT_EQ(r.address, 0x0030);
    EXPECT_EQ(r.count, 3);
    EXPECT_EQ(r.data[0], 0x02);
    EXPECT_EQ(r.data[1], 0x33);
    EXPECT_EQ(r.data[2], 0x7A);
    EXPECT_EQ(r.data[3], 0x00);  // unused bytes zeroed
    ASSERT_TRUE(ParseHexLine(":00000001FF", r));
    EXPECT_EQ(r.type, 1);
    EXPECT_EQ(r.count, 0);
    ASSERT_TRUE(ParseHexLine(":0300300002337a1e", r));  // lower-case digits
}

TEST(IntelHex, CountUpTo128) {
    FirmwareRecord r{};
    std::vector<uint8_t> data(128);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7);
    const std::string line128 = test::HexRecord(0, 0x1000, data);
    ASSERT_EQ(line128.size(), size_t(kMaxHexLineChars));
    ASSERT_TRUE(ParseHexLine(line128, r));
    EXPECT_EQ(r.count, 128);
    EXPECT_EQ(r.data[127], uint8_t(127 * 7));
    data.push_back(1);
    EXPECT_FALSE(ParseHexLine(test::HexRecord(0, 0x1000, data), r));
}

TEST(IntelHex, RefusesDamagedLines) {
    FirmwareRecord r{};
    const std::string good = ":0300300002337A1E";
    ASSERT_TRUE(ParseHexLine(good, r));
    for (const std::string& bad : {std::string(""), std::string("0300300002337A1E"),
                                   std::string(":0300300002337A1F"),    // checksum
                                   std::string(":0300300002337X1E"),    // digit
                                   std::string(":0300300002337A"),      // short
                                   std::string(":0300300002337A1E00"),  // long
                                   std::string(":03003000 2337A1E"), std::string(":"),
                                   std::string(":03FFFE00010203FC")})  // past 0xFFFF
        EXPECT_FALSE(ParseHexLine(bad, r)) << bad;
}

TEST(IntelHex, GeneratedFirmwareFileIsValidThroughout) {
    const std::vector<std::string> lines =
        test::ReadLines(test::BinDir() + "/virtual/velorix24v11_512.hex");
    ASSERT_GT(lines.size(), 100u);
    size_t bytes = 0;
    for (const std::string& l : lines) {
        FirmwareRecord r{};
        ASSERT_TRUE(ParseHexLine(l, r)) << l;
        if (r.type == 0) bytes += r.count;
    }
    EXPECT_EQ(bytes, 3611u);
    EXPECT_EQ(lines.back(), ":00000001FF");
}

TEST(BuiltInFirmware, RecordsMatchTheHexFile) {
    const std::map<int, uint8_t> hex =
        test::HexImage(test::ReadLines(test::BinDir() + "/virtual/velorix24v11_512.hex"));
    std::map<int, uint8_t> image;
    for (size_t i = 0; i < kBuiltInFirmwareRecords; ++i) {
        const FirmwareRecord& r = kBuiltInFirmware[i];
        EXPECT_EQ(r.type, 0);
        ASSERT_GE(r.count, 1);
        ASSERT_LE(r.count, 128);
        for (int k = 0; k < r.count; ++k)
            image[r.address + k] = r.data[k];
        for (int k = r.count; k < 128; ++k)
            EXPECT_EQ(r.data[k], 0);
    }
    EXPECT_EQ(image, hex);
}

}  // namespace
}  // namespace velorix::usb
