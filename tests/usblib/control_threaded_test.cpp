// Sio and the EEPROM through the exports, and removal/arrival of the receiver.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <thread>

#include "UsbRig.h"
#include "WaitUntil.h"

namespace velorix::test {
namespace {

TEST(Sio, SendsTheFrameAndAnswersReplyBytesOneToFour) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    // Control byte 0x06 (preamp, dither), tuning word 0x12345678.
    const uint8_t frame[5] = {0x06, 0x78, 0x56, 0x34, 0x12};
    EXPECT_EQ(rig.usb().Sio(frame, 5), 0x34567806u);
    EXPECT_EQ(rig.TraceLines("out 01 ").back(), "out 01 6: 03 06 78 56 34 12");
    EXPECT_EQ(rig.TraceLines("in 81 ").back(), "in 81 6: 03 06 78 56 34 12");
    // Seven bytes fill the frame; eight do not fit and send nothing.
    const uint8_t seven[7] = {1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(rig.usb().Sio(seven, 7), 0x04030201u);
    rig.MarkTrace();
    const uint8_t eight[8] = {};
    EXPECT_EQ(rig.usb().Sio(eight, 8), 0u);
    EXPECT_EQ(rig.usb().Sio(nullptr, 3), 0u);
    EXPECT_TRUE(rig.TraceLines("out").empty());
}

TEST(Eeprom, IdentityRecordFromTheEnvironment) {
    VirtualRig::Options o;
    o.env["VELORIX_VIRTUAL_SERIAL"] = "4660";
    o.env["VELORIX_VIRTUAL_HW_VERSION"] = "255.255";
    o.env["VELORIX_VIRTUAL_UNIT_ID"] = "0123456789AB";
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    std::array<uint8_t, 12> record{};
    ASSERT_EQ(rig.usb().EepromRead(record.data(), 8, 12), 1);
    // Serial 4660 = 0x1234 little-endian, bytes 2-3 unused, pre-production 0xFF 0xFF,
    // unit id shown from byte 11 down to byte 6.
    EXPECT_EQ(record, (std::array<uint8_t, 12>{0x34, 0x12, 0, 0, 0xFF, 0xFF, 0xAB, 0x89, 0x67, 0x45,
                                               0x23, 0x01}));
    EXPECT_EQ(rig.TraceLines("out 01 ").back(), "out 01 4: 06 08 00 0c");
}

TEST(Eeprom, WriteThenReadBackAndCountZero) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    const uint8_t data[5] = {9, 8, 7, 6, 5};
    EXPECT_EQ(rig.usb().EepromWrite(data, 0x40, 5), 1);
    uint8_t back[5] = {};
    ASSERT_EQ(rig.usb().EepromRead(back, 0x40, 5), 1);
    EXPECT_EQ(std::memcmp(back, data, 5), 0);
    // Past the end of the 256 bytes: the device refuses.
    EXPECT_EQ(rig.usb().EepromWrite(data, 0xFE, 5), 0);
    EXPECT_EQ(rig.usb().EepromRead(back, 0xFE, 5), 0);
    // A count of 0 (the count is 8 bits: 256 is 0 too) sends nothing.
    rig.MarkTrace();
    EXPECT_EQ(rig.usb().EepromRead(back, 8, 0), 0);
    EXPECT_EQ(rig.usb().EepromRead(back, 8, 256), 0);
    EXPECT_EQ(rig.usb().EepromWrite(data, 8, 0), 0);
    EXPECT_TRUE(rig.TraceLines("out").empty());
}

TEST(Removal, FrontEndFailsUntilArrivalReopens) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    uint8_t record[12];
    ASSERT_EQ(rig.usb().EepromRead(record, 8, 12), 1);

    rig.MarkTrace();
    rig.Unplug();
    rig.WaitForTrace("detach");
    // The removal reaches the library on its notification thread right after.
    WaitUntil([&] { return *rig.usb().GetDeviceName() == '\0'; });
    rig.MarkTrace();
    EXPECT_EQ(rig.usb().EepromRead(record, 8, 12), 0);
    const uint8_t frame[5] = {0x02, 1, 2, 3, 4};
    // No reply: the word is read from the frame as it was sent.
    EXPECT_EQ(rig.usb().Sio(frame, 5), 0x03020102u);
    EXPECT_STREQ(rig.usb().GetDeviceName(), "");
    EXPECT_TRUE(rig.usb().SetAttenuator(1));  // still answers true
    EXPECT_TRUE(rig.TraceLines("out").empty());

    // Plugged in again: the arrival re-opens the bare microcontroller; the
    // firmware must be loaded again before the front end answers.
    rig.Plug();
    rig.WaitForTrace("open 1209:0001");
    EXPECT_EQ(rig.usb().EepromRead(record, 8, 12), 0);
    ASSERT_EQ(rig.usb().FirmwareDownload(nullptr), 0);
    EXPECT_EQ(rig.usb().EepromRead(record, 8, 12), 1);
}

}  // namespace
}  // namespace velorix::test
