// velorix-cli on the libusb path against the emulated receiver, as a user
// runs it with scripts/usb-emulated.sh: a long stream that meters as on the
// virtual transport, and each fault at the kernel's interface with its own
// outcome, never a hang, files closed with their true sizes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <numeric>

#include "EmulatedRun.h"
#include "TempDir.h"

namespace velorix::test {
namespace {

namespace fs = std::filesystem;

// A carrier in band noise, the same on both transports under one seed.
constexpr const char* kBand =
    "noise density=-140\n"
    "station freq=10010000 mode=CARRIER level=-73\n";

struct CliRun {
    test::TempDir dir;
    std::vector<std::string> env;
    explicit CliRun(const std::string& tag)
        : dir(tag),
          env({"VELORIX_SIM_SCENARIO=" + dir.Write("band.txt", kBand), "VELORIX_SIM_SEED=7",
               "VELORIX_VIRTUAL_TRACE=" + (dir / "trace")}) {}

    // velorix-cli on the receiver at 500 kHz, tuned to the carrier in AM.
    e2e::RunResult Run(std::vector<std::string> args, const Emulated& extra = {}) {
        Emulated how = extra;
        how.env.insert(how.env.end(), env.begin(), env.end());
        std::vector<std::string> command = {e2e::CliPath(), "--source", "usb",    "--rate", "500",
                                            "--tune",       "10010000", "--mode", "AM"};
        command.insert(command.end(), args.begin(), args.end());
        return RunEmulated((dir / ""), how, command);
    }
};

// Mean meter level over the signal seconds [from, to].
double MeanLevel(const std::string& out, double from, double to) {
    std::vector<double> levels;
    for (const e2e::MeterLine& m : e2e::MeterLines(out))
        if (m.seconds >= from && m.seconds <= to) levels.push_back(m.levelDbm);
    EXPECT_GT(levels.size(), 5u);
    return std::accumulate(levels.begin(), levels.end(), 0.0) / double(levels.size());
}

// A WAV file whose RIFF and data sizes match what it holds.
void ExpectTrueSizes(const std::string& path) {
    const std::vector<uint8_t> b = ReadAll(path);
    ASSERT_GT(b.size(), 44u) << path;
    EXPECT_EQ(Le32(b, 4), b.size() - 8) << path;
    for (size_t at = 12; at + 8 <= b.size(); at += 8 + Le32(b, at + 4))
        if (std::equal(b.begin() + long(at), b.begin() + long(at) + 4, "data")) {
            EXPECT_EQ(Le32(b, at + 4), b.size() - at - 8) << path;
            return;
        }
    ADD_FAILURE() << path << " has no data chunk";
}

TEST(VelorixCliOnUsb, ThirtySecondsAt500kHzWithoutADropMeteringAsOnTheVirtualTransport) {
    CliRun usb("cli-usb-stream");
    const e2e::RunResult r = usb.Run({"--seconds", "30", "--smeter", "--audio-out", "a.wav"});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(Has(r.out, "signal    30.0 s")) << r.out;
    EXPECT_TRUE(Has(r.out, "dropped   ring 0 bytes, audio 0 buffers")) << r.out;
    EXPECT_TRUE(Has(r.out, "receiver  01234-ABCD-EF12-3456, hardware 1.1")) << r.out;
    // Firmware, re-enumeration, the 500 kHz bitstream, the front end (no
    // attenuation, preselector band 6 for 10 MHz) and, running with dither, the
    // tuning word of 10.01 MHz (0x20083126).
    const std::vector<std::string> trace = Lines((usb.dir / "trace"));
    auto seen = [&](const std::string& line) {
        return std::find(trace.begin(), trace.end(), line) != trace.end();
    };
    EXPECT_TRUE(seen("attach 1209:0002"));
    EXPECT_TRUE(seen("fpga: configured for 500 kHz"));
    EXPECT_TRUE(seen("out 01 2: 04 06"));
    EXPECT_TRUE(seen("out 01 6: 03 03 26 31 08 20"));

    CliRun virt("cli-virtual-stream");
    const e2e::RunResult v =
        virt.Run({"--source", "virtual", "--seconds", "6", "--smeter", "--audio-out", "a.wav"});
    ASSERT_EQ(v.code, 0) << v.err;
    EXPECT_NEAR(MeanLevel(r.out, 2.0, 6.0), MeanLevel(v.out, 2.0, 6.0), 0.5);
    EXPECT_NEAR(MeanLevel(r.out, 2.0, 30.0), -73.0, 1.5);
}

TEST(VelorixCliOnUsb, UnpluggedMidStreamSaysSoAndEndsWithOneAfterItsSummary) {
    CliRun usb("cli-usb-unplug");
    const std::string plug = usb.dir.Write("plugged", "");
    Emulated how;
    how.env = {"VELORIX_VIRTUAL_PLUG=" + plug};
    // Two seconds into the stream.
    how.before =
        "for i in $(seq 300); do grep -q 'fpga: configured' trace && break; "
        "sleep 0.1; done; sleep 2; rm plugged";
    const e2e::RunResult r =
        usb.Run({"--seconds", "30", "--audio-out", "a.wav", "--record", "rec"}, how);
    EXPECT_EQ(r.code, 1) << r.err;
    EXPECT_TRUE(Has(r.err, "velorix-cli: the receiver was removed")) << r.err;
    EXPECT_TRUE(Has(r.out, "summary:")) << r.out;
    EXPECT_FALSE(Has(r.out, "signal    30.0 s")) << r.out;
    ExpectTrueSizes((usb.dir / "a.wav"));
    ExpectTrueSizes((usb.dir / "rec_000.wav"));
}

TEST(VelorixCliOnUsb, AHaltedSampleEndpointCostsOneBlockUnlessItOutlastsTwoSeconds) {
    CliRun brief("cli-usb-stall");
    Emulated cleared;
    cleared.env = {"VELORIX_VIRTUAL_FAULTS=stall-samples=1"};
    const e2e::RunResult r = brief.Run({"--seconds", "3", "--audio-out", "a.wav"}, cleared);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "dropped   ring 65280 bytes, audio 0 buffers")) << r.out;

    CliRun held("cli-usb-stall-held");
    Emulated refused;
    refused.env = {"VELORIX_VIRTUAL_FAULTS=stall-samples=1:30"};
    const e2e::RunResult s = held.Run({"--seconds", "30", "--audio-out", "a.wav"}, refused);
    EXPECT_EQ(s.code, 1) << s.err;
    EXPECT_TRUE(Has(s.err, "velorix-cli: the receiver delivered no usable block for 2 s")) << s.err;
    ExpectTrueSizes((held.dir / "a.wav"));
}

TEST(VelorixCliOnUsb, ARefusedCommandIsNamedAndEndsWithOne) {
    CliRun usb("cli-usb-command");
    Emulated how;
    how.env = {"VELORIX_VIRTUAL_FAULTS=stall-command=0"};  // the bitstream's data
    const e2e::RunResult r = usb.Run({"--seconds", "3", "--audio-out", "a.wav"}, how);
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "libvelorixusb.so: command 0x00 was refused (the endpoint stalled)"))
        << r.err;
    EXPECT_TRUE(Has(r.err, "Bitstream load error")) << r.err;
}

TEST(VelorixCliOnUsb, AReceiverThatNeverReturnsAfterItsFirmwareIsAFirmwareError) {
    CliRun usb("cli-usb-no-return");
    Emulated how;
    how.env = {"VELORIX_VIRTUAL_FAULTS=no-reenumerate"};
    const auto start = std::chrono::steady_clock::now();
    const e2e::RunResult r = usb.Run({"--seconds", "3", "--audio-out", "a.wav"}, how);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err, "Firmware download error")) << r.err;
    EXPECT_GE(took, 5.0);  // the start-up's 5000 ms
}

// libusb lists the device it learnt of last first: the receiver on the second port.
TEST(VelorixCliOnUsb, TwoReceiversTheFirstEnumeratedIsUsed) {
    CliRun usb("cli-usb-two");
    Emulated how;
    how.env = {"VELORIX_VIRTUAL_SERIAL=4000"};
    how.options = {"--receivers", "2"};
    const e2e::RunResult r = usb.Run({"--seconds", "1", "--audio-out", "a.wav"}, how);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_TRUE(Has(r.out, "receiver  04001-ABCD-EF12-3456, hardware 1.1")) << r.out;
}

// As a user without the udev rule: the node belongs to root, 0664. Needs root
// to become that user; the program and the library are copied where any user
// may run them.
TEST(VelorixCliOnUsb, ANodeTheUserMayNotOpenSaysWhyAndHowToMendIt) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the program as another user";
    CliRun usb("cli-usb-access");
    TempDir programs("usb-access-bin");
    ::chmod(programs.path().c_str(), 0755);
    ::chmod((usb.dir / "").c_str(), 01777);
    for (const char* name : {"velorix-cli", "libvelorixusb.so"})
        fs::copy_file(BinProgram(name), programs / name);
    Emulated how;
    how.env = usb.env;
    const e2e::RunResult r = RunEmulated(
        (usb.dir / ""), how,
        {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", programs / "velorix-cli",
         "--source", "usb", "--seconds", "1", "--audio-out", "a.wav"});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(Has(r.err,
                    "velorix warning: Velorix receiver not found Permission denied: install the "
                    "udev rule (velorix-cli --udev-rule), then plug the receiver in again"))
        << r.err;
    EXPECT_TRUE(Has(r.err, "taking Cancel")) << r.err;
}

}  // namespace
}  // namespace velorix::test
