// libvelorixusb.so on the libusb path against the emulated receiver, through
// its exports as the program calls them (usbemu_client): bring-up with the
// firmware's re-enumeration seen through hotplug, and the stream whole. The
// faults are met by velorix-cli (usb_programs_realtime_test.cpp) and, pulled
// out and plugged back, by the window and the SoapySDR module (ctest *_replug_usb).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "EmulatedRun.h"
#include "TempDir.h"

namespace velorix::test {
namespace {

// usbemu_client `args` with the emulated receiver; its values.
std::map<std::string, std::string> Client(const std::string& dir, std::vector<std::string> env,
                                          const std::vector<std::string>& args,
                                          e2e::RunResult* run = nullptr) {
    std::vector<std::string> command = {BinProgram("usbemu_client")};
    command.insert(command.end(), args.begin(), args.end());
    Emulated how;
    how.env = std::move(env);
    const e2e::RunResult r = RunEmulated(dir, how, command);
    EXPECT_EQ(r.code, 0) << r.out << r.err;
    if (run) *run = r;
    return Values(r.out);
}

// Whether `wanted` appear in `lines` in this order, others between them.
bool InOrder(const std::vector<std::string>& lines, const std::vector<std::string>& wanted) {
    size_t at = 0;
    for (const std::string& line : lines)
        if (at < wanted.size() && line == wanted[at]) ++at;
    return at == wanted.size();
}

TEST(UsbTransport, BringUpReenumeratesThroughHotplugAndConfiguresEveryRate) {
    test::TempDir dir("usb-bringup");
    e2e::RunResult run;
    auto v = Client((dir / ""), {"VELORIX_VIRTUAL_TRACE=" + (dir / "trace")}, {"bringup"}, &run);
    EXPECT_EQ(v["open"], "1");
    EXPECT_EQ(v["names_before"], "|");  // the bare microcontroller names nothing
    EXPECT_EQ(v["firmware"], "0");
    EXPECT_EQ(v["names"], "Velorix virtual receiver|velorix");
    EXPECT_EQ(v["eeprom"], "1");
    EXPECT_EQ(v["serial"], "1234");
    EXPECT_EQ(v["fpga_125"], "0");
    EXPECT_EQ(v["fpga_250"], "0");
    EXPECT_EQ(v["fpga_500"], "0");
    EXPECT_EQ(run.err, "");
    // The library reopened the receiver when hotplug announced its firmware.
    EXPECT_TRUE(InOrder(Lines((dir / "trace")),
                        {"open 1209:0001", "detach", "attach 1209:0002", "open 1209:0002",
                         "fpga: configured for 125 kHz", "fpga: configured for 250 kHz",
                         "fpga: configured for 500 kHz"}));
}

TEST(UsbTransport, TheStreamAt500kHzIsWhole) {
    test::TempDir dir("usb-stream");
    auto v = Client((dir / ""), {"VELORIX_SIM_SOURCE=testtone"}, {"stream", "2", "100"});
    EXPECT_EQ(v["start"], "1");
    // Every block whole and each following the last: the test tone's frame
    // counter runs on from the first frame, none lost, none after the stop.
    EXPECT_GE(std::stoi(v["blocks"]), 100);
    EXPECT_EQ(v["frames"], "10880");
    EXPECT_EQ(v["first"], "0");
    EXPECT_EQ(v["broken"], "0");
    EXPECT_EQ(v["lost"], "0");
    EXPECT_EQ(v["odd_steps"], "");
    EXPECT_EQ(v["after_stop"], "0");
}

// An emulator that crashed left its testbed folder; the next one removes it,
// and leaves those of emulators still running and of anything else alone.
TEST(UsbEmulator, RemovesTheTestbedsOfEmulatorsThatEnded) {
    test::TempDir dir("usb-stale");
    const pid_t ended = fork();
    if (ended == 0) _exit(0);
    ASSERT_GT(ended, 0);
    waitpid(ended, nullptr, 0);
    const struct {
        std::string name, pid;
        bool kept;
    } beds[] = {
        {"umockdev.ended", std::to_string(ended), false},
        {"umockdev.running", std::to_string(getpid()), true},
        {"umockdev.foreign", "", true},
    };
    for (const auto& bed : beds) {
        std::filesystem::create_directory((dir / bed.name));
        if (!bed.pid.empty()) dir.Write(bed.name + "/velorix-usb-emulator.pid", bed.pid + "\n");
    }
    Emulated how;
    how.env = {"TMPDIR=" + (dir / "")};
    EXPECT_EQ(RunEmulated((dir / ""), how, {"true"}).code, 0);
    for (const auto& bed : beds)
        EXPECT_EQ(std::filesystem::exists((dir / bed.name)), bed.kept) << bed.name;
    // Its own testbed is gone too.
    int bedsLeft = 0;
    for (const auto& e : std::filesystem::directory_iterator((dir / "")))
        bedsLeft += e.path().filename().string().rfind("umockdev.", 0) == 0;
    EXPECT_EQ(bedsLeft, 2);
}

}  // namespace
}  // namespace velorix::test
