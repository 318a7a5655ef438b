// FpgaConfig and the front-end port byte through the exports.
#include <gtest/gtest.h>

#include <fstream>

#include "BitstreamKeys.h"
#include "UsbRig.h"
#include "VirtualBitstream.h"

namespace velorix::test {
namespace {

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

uint8_t Reverse(uint8_t b) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i)
        r = uint8_t(r << 1 | ((b >> i) & 1));
    return r;
}

// Data frames (command 0x00) sent since the trace mark, as byte lists.
std::vector<std::vector<uint8_t>> DataFrames(const VirtualRig& rig) {
    std::vector<std::vector<uint8_t>> frames;
    for (const std::string& l : rig.TraceLines("out 01 "))
        if (std::vector<uint8_t> b = TraceBytes(l); !b.empty() && b[0] == 0x00) frames.push_back(b);
    return frames;
}

TEST(FpgaConfig, BeforeTheFirmwareAnswers3WithoutTouchingTheDevice) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.usb().Open(), 1);
    EXPECT_EQ(rig.usb().FpgaConfig(BitstreamPath(0).c_str(), kBitstreamKeys[0]), 3);
    EXPECT_EQ(rig.usb().FpgaConfig("absent", nullptr), 3);
    EXPECT_TRUE(rig.TraceLines("out").empty());
    EXPECT_TRUE(rig.TraceLines("in").empty());
}

TEST(FpgaConfig, GeneratedBitstreamsConfigureWithTheirKeysThenThePortByteFollows) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    for (int i = 0; i < 3; ++i) {
        rig.MarkTrace();
        EXPECT_EQ(rig.usb().FpgaConfig(BitstreamPath(i).c_str(), kBitstreamKeys[i]), 0) << i;
        const std::vector<std::string> out = rig.TraceLines("out 01 ");
        ASSERT_GE(out.size(), 3u);
        EXPECT_EQ(out.front(), "out 01 1: 01");
        EXPECT_EQ(out[out.size() - 2], "out 01 1: 02");
        EXPECT_EQ(out.back(), "out 01 2: 04 0a");  // the port byte, after the reply
        EXPECT_EQ(rig.TraceLines("in 81 ").back(), "in 81 2: 02 01");
    }
}

TEST(FpgaConfig, WrongKeyAnswers2WithTheMessage) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    rig.MarkTrace();
    StderrCapture err;
    EXPECT_EQ(rig.usb().FpgaConfig(BitstreamPath(0).c_str(), kBitstreamKeys[1]), 2);
    const std::string text = err.Text();
    EXPECT_EQ(
        text.rfind("libvelorixusb.so - fpgaconfig: Error: FPGA not configured. Elapsed time: ", 0),
        0u)
        << text;
    EXPECT_EQ(text.substr(text.size() - 3), " s\n");
    EXPECT_EQ(rig.TraceLines("in 81 ").back(), "in 81 2: 02 00");
    // No port byte after a failure.
    EXPECT_EQ(rig.TraceLines("out 01 2: 04").size(), 0u);
}

TEST(FpgaConfig, MissingFileAnswers1AfterBegin) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    rig.MarkTrace();
    EXPECT_EQ(rig.usb().FpgaConfig(rig.Path("absent").c_str(), kBitstreamKeys[0]), 1);
    EXPECT_EQ(rig.usb().FpgaConfig(rig.Path("absent.sbs").c_str(), nullptr), 1);
    EXPECT_EQ(rig.TraceLines("out 01 "),
              (std::vector<std::string>{"out 01 1: 01", "out 01 1: 01"}));
}

TEST(FpgaConfig, PlainFileOf63kBytesSendsKFullFramesBitReversed) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    constexpr int k = 40;
    // A valid image of exactly 63 * k bytes, unscrambled, read without a key.
    const std::vector<uint8_t> image = sim::virtual_bitstream::Build(250, 63 * k - 15);
    ASSERT_EQ(image.size(), size_t(63 * k));
    WriteFile(rig.Path("plain.bin"), image);
    rig.MarkTrace();
    EXPECT_EQ(rig.usb().FpgaConfig(rig.Path("plain.bin").c_str(), nullptr), 0);
    const auto frames = DataFrames(rig);
    ASSERT_EQ(frames.size(), size_t(k));
    for (size_t f = 0; f < frames.size(); ++f) {
        ASSERT_EQ(frames[f].size(), 64u);
        for (int i = 0; i < 63; ++i)
            ASSERT_EQ(frames[f][size_t(i + 1)], Reverse(image[f * 63 + size_t(i)]));
    }
    // One byte more: a last frame of one payload byte.
    std::vector<uint8_t> longer = image;
    longer.push_back(0);
    WriteFile(rig.Path("longer.bin"), longer);
    rig.MarkTrace();
    EXPECT_EQ(rig.usb().FpgaConfig(rig.Path("longer.bin").c_str(), nullptr), 2);
    const auto more = DataFrames(rig);
    ASSERT_EQ(more.size(), size_t(k + 1));
    EXPECT_EQ(more.back().size(), 2u);
}

TEST(FpgaConfig, EmptyFileStillSendsBeginAndEnd) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.BringUp(), 0);
    WriteFile(rig.Path("empty.bin"), {});
    rig.MarkTrace();
    StderrCapture err;
    EXPECT_EQ(rig.usb().FpgaConfig(rig.Path("empty.bin").c_str(), nullptr), 2);
    EXPECT_EQ(rig.TraceLines("out 01 "),
              (std::vector<std::string>{"out 01 1: 01", "out 01 1: 02"}));
    EXPECT_NE(err.Text().find("Error: FPGA not configured."), std::string::npos);
}

TEST(FpgaConfig, TimingLinesOnlyWithDebug) {
    {
        VirtualRig rig;
        ASSERT_EQ(rig.LoadError(), "");
        StderrCapture err;
        ASSERT_EQ(rig.BringUpWithFpga(0), 0);
        EXPECT_EQ(err.Text(), "");
    }
    VirtualRig::Options o;
    o.env["VELORIX_DEBUG"] = "1";
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    StderrCapture err;
    ASSERT_EQ(rig.BringUpWithFpga(0), 0);
    const std::string text = err.Text();
    EXPECT_NE(text.find("velorixusb: Firmware downloaded in "), std::string::npos) << text;
    EXPECT_NE(text.find("velorixusb: FPGA configured in "), std::string::npos) << text;
}

TEST(FpgaConfig, FpgaThatNeverReportsDoneAnswers2) {
    VirtualRig::Options o;
    o.faults = "fpga-never-done";
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    StderrCapture err;
    EXPECT_EQ(rig.BringUpWithFpga(0), 2);
    EXPECT_NE(err.Text().find("Error: FPGA not configured."), std::string::npos);
}

// A refused command gives the export's failure result and names the command;
// the halt is cleared, so the next command gets through.
TEST(FpgaConfig, RefusedCommandAnswers2AndIsNamed) {
    VirtualRig::Options o;
    o.faults = "stall-command=0";  // configuration data
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    StderrCapture err;
    EXPECT_EQ(rig.BringUpWithFpga(0), 2);
    EXPECT_EQ(err.Text(), "libvelorixusb.so: command 0x00 was refused (the endpoint stalled)\n");
    uint8_t identity[12] = {};
    EXPECT_EQ(rig.usb().EepromRead(identity, 8, 12), 1);
}

TEST(FrontEnd, PortByteSequence) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.usb().Open(), 1);
    // Before the firmware runs: answered true, nothing sent, nothing remembered.
    EXPECT_TRUE(rig.usb().SetAttenuator(3));
    EXPECT_TRUE(rig.usb().SetPreselector(5));
    ASSERT_EQ(rig.BringUpWithFpga(0), 0);
    EXPECT_TRUE(rig.usb().SetAttenuator(2));
    EXPECT_TRUE(rig.usb().SetPreselector(3));
    EXPECT_TRUE(rig.usb().SetAttenuator(0));
    EXPECT_TRUE(rig.usb().SetPreselector(10));
    EXPECT_EQ(rig.TraceLines("out 01 2: 04"),
              (std::vector<std::string>{"out 01 2: 04 0a", "out 01 2: 04 2a", "out 01 2: 04 23",
                                        "out 01 2: 04 03", "out 01 2: 04 0a"}));
}

}  // namespace
}  // namespace velorix::test
