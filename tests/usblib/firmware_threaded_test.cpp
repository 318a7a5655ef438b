// FirmwareDownload through the exports against the virtual receiver: the
// built-in image and HEX files, the loader's result codes, and a firmware
// that never re-appears.
#include <gtest/gtest.h>

#include <chrono>
#include <map>

#include "UsbRig.h"

namespace velorix::test {
namespace {

using Clock = std::chrono::steady_clock;

const std::string kHold = "ctrl 40 a0 e600 0000 1: 01";
const std::string kRelease = "ctrl 40 a0 e600 0000 1: 00";

std::string FirmwareHex() {
    return BinDir() + "/virtual/velorix24v11_512.hex";
}

struct Load {
    int address;
    std::vector<uint8_t> bytes;
};

// Program-memory loads (every 0xA0 request except the CPU-control register), in order.
std::vector<Load> Loads(const VirtualRig& rig) {
    std::vector<Load> loads;
    for (const std::string& l : rig.TraceLines("ctrl 40 a0 ")) {
        const int address = std::stoi(l.substr(11, 4), nullptr, 16);
        if (address != 0xE600) loads.push_back({address, TraceBytes(l)});
    }
    return loads;
}

std::map<int, uint8_t> Image(const std::vector<Load>& loads) {
    std::map<int, uint8_t> image;
    for (const Load& l : loads)
        for (size_t i = 0; i < l.bytes.size(); ++i)
            image[l.address + int(i)] = l.bytes[i];
    return image;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

TEST(FirmwareDownload, BuiltInImageLoadsInResetThenReenumerates) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.usb().Open(), 1);
    const auto start = Clock::now();
    EXPECT_EQ(rig.usb().FirmwareDownload(nullptr), 0);
    const double seconds = Seconds(start);
    EXPECT_GT(seconds, 0.29);  // the device is away for 300 ms
    EXPECT_LT(seconds, 2.0);

    const std::vector<std::string> t = rig.Trace();
    const auto at = [&](const std::string& line) {
        return std::find(t.begin(), t.end(), line) - t.begin();
    };
    // Reset first, the image, then release; drop-off and the running firmware's arrival.
    ASSERT_LT(at(kHold), at(kRelease));
    EXPECT_LT(at(kRelease), at("detach"));
    EXPECT_LT(at("detach"), at("attach 1209:0002"));
    EXPECT_LT(at("attach 1209:0002"), at("open 1209:0002"));
    ASSERT_LT(at("open 1209:0002"), long(t.size()));

    const std::vector<Load> loads = Loads(rig);
    const std::vector<std::string> hex = ReadLines(FirmwareHex());
    EXPECT_EQ(Image(loads), HexImage(hex));
    EXPECT_EQ(loads.size() + 1,
              hex.size());  // one load per data record; the end record sends nothing
    EXPECT_EQ(loads.front().address, std::stoi(hex.front().substr(3, 4), nullptr, 16));
}

TEST(FirmwareDownload, HexFileOfRecordsUpTo128BytesIsLoadedAndRuns) {
    // The same image, re-cut into records of 128 bytes, upper-case and lower-case digits.
    const std::map<int, uint8_t> image = HexImage(ReadLines(FirmwareHex()));
    std::vector<std::string> lines;
    std::vector<uint8_t> chunk;
    int first = 0;
    for (const auto& [address, byte] : image) {
        if (chunk.empty()) first = address;
        chunk.push_back(byte);
        if (chunk.size() == 128) {
            lines.push_back(HexRecord(0, first, chunk));
            chunk.clear();
        }
    }
    if (!chunk.empty()) lines.push_back(HexRecord(0, first, chunk));
    for (char& c : lines[1])
        c = char(std::tolower(c));
    lines.push_back(":00000001FF");

    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    WriteLines(rig.Path("fw.hex"), lines);
    ASSERT_EQ(rig.usb().Open(), 1);
    EXPECT_EQ(rig.usb().FirmwareDownload(rig.Path("fw.hex").c_str()), 0);
    const std::vector<Load> loads = Loads(rig);
    ASSERT_EQ(loads.size(), lines.size() - 1);
    EXPECT_EQ(loads[0].bytes.size(), 128u);
    EXPECT_EQ(Image(loads), image);
    EXPECT_STREQ(rig.usb().GetDeviceName(), "Velorix virtual receiver");
}

TEST(FirmwareDownload, MalformedLinesAnswer3AndNeverReleaseTheCpu) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.usb().Open(), 1);
    const std::string good = HexRecord(0, 0x0100, {1, 2, 3, 4});
    std::string badChecksum = good;
    badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
    std::string badDigit = good;
    badDigit[10] = 'G';
    const std::string count129 = HexRecord(0, 0x0200, std::vector<uint8_t>(129, 0x5A));
    const std::map<std::string, std::vector<std::string>> cases = {
        {"missing colon", {good, good.substr(1)}},
        {"blank line", {good, ""}},
        {"bad checksum", {good, badChecksum}},
        {"bad hex digit", {good, badDigit}},
        {"line shorter than its count", {good, good.substr(0, good.size() - 2)}},
        {"line longer than its count", {good, good + "00"}},
        {"count of 129", {good, count129}},
        {"overlong line", {good, ":" + std::string(400, '0')}},
        {"data past 0xFFFF", {HexRecord(0, 0xFFFE, {1, 2, 3})}},
    };
    for (const auto& [what, lines] : cases) {
        rig.MarkTrace();
        WriteLines(rig.Path("bad.hex"), lines);
        EXPECT_EQ(rig.usb().FirmwareDownload(rig.Path("bad.hex").c_str()), 3) << what;
        const std::vector<std::string> t = rig.Trace();
        EXPECT_TRUE(Contains(t, kHold)) << what;
        EXPECT_FALSE(Contains(t, kRelease)) << what;
        // Lines before the bad one were loaded, nothing after it.
        EXPECT_EQ(Loads(rig).size(), lines.size() - 1) << what;
    }
}

TEST(FirmwareDownload, ExtendedAddressRecordsAnswer4AfterTheEarlierRecords) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.usb().Open(), 1);
    for (const std::string& extended : {HexRecord(2, 0, {0x10, 0x00}),        // segment address
                                        HexRecord(3, 0, {0, 0, 0x38, 0})}) {  // start segment
        rig.MarkTrace();
        WriteLines(rig.Path("ext.hex"),
                   {HexRecord(0, 0x0000, {1, 2}), HexRecord(0, 0x0010, {3, 4}),
                    HexRecord(0, 0x0020, {5, 6}), extended, HexRecord(0, 0x0030, {7, 8})});
        EXPECT_EQ(rig.usb().FirmwareDownload(rig.Path("ext.hex").c_str()), 4) << extended;
        const std::vector<Load> loads = Loads(rig);
        ASSERT_EQ(loads.size(), 3u) << extended;
        EXPECT_EQ(loads[2].address, 0x0020);
        EXPECT_FALSE(Contains(rig.Trace(), kRelease));
    }
}

TEST(FirmwareDownload, MissingFileAnswers1WithoutTouchingTheDevice) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.usb().Open(), 1);
    EXPECT_EQ(rig.usb().FirmwareDownload(rig.Path("absent.hex").c_str()), 1);
    EXPECT_TRUE(rig.TraceLines("ctrl").empty());
}

TEST(FirmwareDownload, WithoutDeviceAnswers2) {
    VirtualRig rig;
    ASSERT_EQ(rig.LoadError(), "");
    EXPECT_EQ(rig.usb().FirmwareDownload(nullptr), 2);  // never opened
}

TEST(FirmwareDownload, FirmwareThatNeverReappearsAnswers2AfterFiveSeconds) {
    VirtualRig::Options o;
    o.faults = "no-reenumerate";
    VirtualRig rig(o);
    ASSERT_EQ(rig.LoadError(), "");
    ASSERT_EQ(rig.usb().Open(), 1);
    const auto start = Clock::now();
    EXPECT_EQ(rig.usb().FirmwareDownload(nullptr), 2);
    const double seconds = Seconds(start);
    EXPECT_GT(seconds, 4.95);
    EXPECT_LT(seconds, 6.5);
    // Not ready: the front end stays silent and the FPGA cannot be configured.
    EXPECT_EQ(rig.usb().FpgaConfig(BitstreamPath(0).c_str(), nullptr), 3);
}

}  // namespace
}  // namespace velorix::test
