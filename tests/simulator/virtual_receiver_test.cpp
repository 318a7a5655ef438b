// The device model driven directly: re-enumeration, FPGA configuration,
// commands, EEPROM and the sample FIFO's one-second backlog.
#include <gtest/gtest.h>

#include <thread>
#include <utility>

#include "TestSignal.h"
#include "TestToneSource.h"
#include "VirtualDriver.h"

namespace velorix::sim {
namespace {

using namespace std::chrono_literals;
using Clock = VirtualReceiver::Clock;
using test::Command;
using test::Configure;
using test::Read;
using test::Reply;

TEST(VirtualReceiver, ValidFirmwareDropsOffAndReappears300msLater) {
    VirtualReceiver r;
    ASSERT_TRUE(r.Attached());
    EXPECT_EQ(r.Identity().productId, 0x0001);
    const uint32_t loader = r.Generation();
    // Commands are the firmware's: the bare microcontroller stalls them.
    EXPECT_EQ(Command(r, {0x04, 0x2A}), VirtualResult::Stall);
    ASSERT_EQ(test::LoadImage(r, virtual_firmware::Build(DefaultFirmwareIdentity(), 100)),
              VirtualResult::Ok);
    const Clock::time_point released = Clock::now();
    EXPECT_FALSE(r.Attached());
    EXPECT_EQ(r.Poll(released), (std::vector{VirtualReceiver::BusEvent::Removal}));
    EXPECT_TRUE(r.Poll(released + 250ms).empty());
    EXPECT_EQ(r.Poll(released + 350ms), (std::vector{VirtualReceiver::BusEvent::Arrival}));
    EXPECT_TRUE(r.FirmwareRunning());
    EXPECT_EQ(r.Identity().productId, 0x0002);
    EXPECT_EQ(r.Identity().product, "Velorix virtual receiver");
    // The old handle's generation is gone.
    const uint8_t b = 1;
    EXPECT_EQ(r.Control(loader, 0x40, 0xA0, 0, 0, &b, 1), VirtualResult::NoDevice);
    EXPECT_EQ(Command(r, {0x04, 0x2A}), VirtualResult::Ok);
    EXPECT_EQ(r.PortByte(), 0x2A);
}

TEST(VirtualReceiver, DamagedFirmwareNeverReappears) {
    VirtualReceiver r;
    std::vector<uint8_t> image = virtual_firmware::Build(DefaultFirmwareIdentity(), 100);
    image[60] ^= 0x10;
    ASSERT_EQ(test::LoadImage(r, image), VirtualResult::Ok);
    EXPECT_EQ(r.Poll(Clock::now() + 60s), (std::vector{VirtualReceiver::BusEvent::Removal}));
    EXPECT_FALSE(r.Attached());
    // Unplugging and plugging in brings back the bare microcontroller.
    r.Unplug();
    r.Plug();
    EXPECT_TRUE(r.Attached());
    EXPECT_EQ(r.Identity().productId, 0x0001);
}

TEST(VirtualReceiver, LoaderRefusesWritesOutsideItsMemory) {
    VirtualReceiver r;
    const uint8_t b[4] = {1, 2, 3, 4};
    const uint32_t g = r.Generation();
    EXPECT_EQ(r.Control(g, 0x40, 0xA0, 0x3FFC, 0, b, 4), VirtualResult::Ok);
    EXPECT_EQ(r.Control(g, 0x40, 0xA0, 0x3FFE, 0, b, 4), VirtualResult::Stall);
    EXPECT_EQ(r.Control(g, 0x40, 0xA1, 0x0000, 0, b, 4), VirtualResult::Stall);
    EXPECT_EQ(r.Control(g, 0xC0, 0xA0, 0x0000, 0, b, 4), VirtualResult::Stall);
}

TEST(VirtualReceiver, FpgaConfiguresOnlyFromABitReversedValidImage) {
    VirtualConfig c;
    VirtualReceiver r(c);
    test::RunFirmware(r);
    const std::vector<uint8_t> image = virtual_bitstream::Build(250, 3000);
    EXPECT_EQ(Configure(r, image, /*raw=*/true), 0);
    EXPECT_EQ(r.ConfiguredRateKHz(), 0);
    EXPECT_EQ(Configure(r, image), 1);
    EXPECT_EQ(r.ConfiguredRateKHz(), 250);
    // Data frames without a begin are ignored; end alone is "not configured".
    Command(r, {0x02});
    EXPECT_EQ(Reply(r, 2), (std::vector<uint8_t>{0x02, 0x00}));
    EXPECT_EQ(r.ConfiguredRateKHz(), 0);

    VirtualConfig never;
    never.fpgaNeverDone = true;
    VirtualReceiver stuck(never);
    test::RunFirmware(stuck);
    EXPECT_EQ(Configure(stuck, image), 0);
}

TEST(VirtualReceiver, ControlFramePortByteAndShutdown) {
    VirtualReceiver r;
    test::RunFirmware(r);
    EXPECT_EQ(Command(r, {0x03, 0x06, 0x78, 0x56, 0x34, 0x12}), VirtualResult::Ok);
    EXPECT_EQ(Reply(r, 6), (std::vector<uint8_t>{0x03, 0x06, 0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(r.ControlByte(), 0x06);
    EXPECT_EQ(r.TuningWord(), 0x12345678u);
    Command(r, {0x04, 0x23});
    EXPECT_EQ(r.PortByte(), 0x23);
    Configure(r, virtual_bitstream::Build(125, 100));
    Command(r, {0x03, 0x07});
    Reply(r, 2);
    Command(r, {0x08});
    EXPECT_EQ(r.ControlByte(), 0x00);
    EXPECT_EQ(r.ConfiguredRateKHz(), 0);
    // A frame longer than the endpoint's packet is refused; no reply waits.
    std::vector<uint8_t> big(65, 0x07);
    EXPECT_EQ(Command(r, big), VirtualResult::Stall);
    EXPECT_TRUE(Reply(r, 2).empty());
}

TEST(VirtualReceiver, EepromIdentityRecordAndBounds) {
    VirtualConfig c;
    c.serial = 0xBEEF;
    c.hwMajor = 2;
    c.hwMinor = 7;
    c.unitId = {1, 2, 3, 4, 5, 6};
    VirtualReceiver r(c);
    test::RunFirmware(r);
    Command(r, {0x06, 0x08, 0x00, 12});
    EXPECT_EQ(Reply(r, 14),
              (std::vector<uint8_t>{0x06, 1, 0xEF, 0xBE, 0, 0, 7, 2, 1, 2, 3, 4, 5, 6}));
    Command(r, {0x07, 0xF0, 0x00, 3, 0xAA, 0xBB, 0xCC});
    EXPECT_EQ(Reply(r, 2), (std::vector<uint8_t>{0x07, 1}));
    EXPECT_EQ(r.Eeprom()[0xF1], 0xBB);
    Command(r, {0x07, 0xFF, 0x00, 2, 1, 2});  // past the end
    EXPECT_EQ(Reply(r, 2), (std::vector<uint8_t>{0x07, 0}));
    Command(r, {0x07, 0x10, 0x00, 3, 1, 2});  // fewer data bytes than counted
    EXPECT_EQ(Reply(r, 2), (std::vector<uint8_t>{0x07, 0}));
    Command(r, {0x06, 0x00, 0x00, 63});  // reply larger than a packet
    EXPECT_EQ(Reply(r, 65), (std::vector<uint8_t>{0x06, 0}));
}

TEST(VirtualReceiver, FifoHoldsOneSecondForALateReaderThenDrops) {
    VirtualReceiver r(VirtualConfig{}, std::make_unique<TestToneSource>());
    test::RunFirmware(r);
    ASSERT_EQ(Configure(r, virtual_bitstream::Build(125, 100)), 1);
    const auto start = VirtualReceiver::Clock::now();
    Command(r, {0x03, 0x01});
    Reply(r, 2);
    std::this_thread::sleep_for(1300ms);
    // One second of samples is waiting and comes at once, oldest first.
    std::vector<uint8_t> backlog(125000 * 6);
    const auto id = r.SubmitRead(r.Generation(), 0x82, backlog.data(), int(backlog.size()));
    const auto got = r.Reap(id, Clock::now());
    const double late =
        std::chrono::duration<double>(VirtualReceiver::Clock::now() - start).count();
    ASSERT_TRUE(got.has_value());
    ASSERT_EQ(got->result, VirtualResult::Ok);
    EXPECT_EQ(got->transferred, int(backlog.size()));
    for (size_t n = 0; n < 125000; n += 997)
        ASSERT_EQ(test_signal::DecodeCounter(&backlog[6 * n]), n);
    // What came while it was full is lost: all beyond the first second, at
    // least 0.3 s (the sleep may last longer on a loaded machine).
    EXPECT_GE(r.DroppedFrames(), 125000u * 3 / 10 - 2720);
    EXPECT_LE(r.DroppedFrames(), (late - 1.0) * 125000);
}

TEST(VirtualReceiver, ASourceThatStallsHoldsTheClockInsteadOfOwingABurst) {
    // The first samples take 600 ms to make, as a programme prepared when
    // first heard does.
    struct SlowStart : TestToneSource {
        bool first = true;
        void Fill(uint64_t firstFrame, uint8_t* out, size_t frames) override {
            if (std::exchange(first, false)) std::this_thread::sleep_for(600ms);
            TestToneSource::Fill(firstFrame, out, frames);
        }
    };
    VirtualReceiver r(VirtualConfig{}, std::make_unique<SlowStart>());
    test::RunFirmware(r);
    ASSERT_EQ(Configure(r, virtual_bitstream::Build(125, 100)), 1);
    Command(r, {0x03, 0x01});
    Reply(r, 2);
    std::vector<uint8_t> block(2720 * 6);  // 21.8 ms
    ASSERT_EQ(Read(r, 0x82, block.data(), int(block.size()), 2s).result, VirtualResult::Ok);
    // No 600 ms of backlog waits behind it: 200 ms of samples are not there yet.
    std::vector<uint8_t> more(25000 * 6);
    EXPECT_EQ(Read(r, 0x82, more.data(), int(more.size()), 20ms).result, VirtualResult::Timeout);
    ASSERT_EQ(Read(r, 0x82, more.data(), int(more.size()), 1s).result, VirtualResult::Ok);
    EXPECT_EQ(test_signal::DecodeCounter(&more[0]), 2720u);
    EXPECT_EQ(r.DroppedFrames(), 0u);
}

TEST(VirtualReceiver, ReadsSplitInsideFramesKeepTheStreamWhole) {
    VirtualReceiver r(VirtualConfig{}, std::make_unique<TestToneSource>());
    test::RunFirmware(r);
    ASSERT_EQ(Configure(r, virtual_bitstream::Build(500, 100)), 1);
    Command(r, {0x03, 0x01});
    Reply(r, 2);
    std::vector<uint8_t> stream;
    for (int length : {7, 5, 1000, 3, 3, 6, 506}) {
        std::vector<uint8_t> part(static_cast<size_t>(length));
        const VirtualReceiver::Completion got = Read(r, 0x82, part.data(), length, 500ms);
        ASSERT_EQ(got.result, VirtualResult::Ok);
        ASSERT_EQ(got.transferred, length);
        stream.insert(stream.end(), part.begin(), part.end());
    }
    ASSERT_EQ(stream.size() % 6, 0u);
    for (size_t n = 0; n < stream.size() / 6; ++n)
        ASSERT_EQ(test_signal::DecodeCounter(&stream[6 * n]), n);
}

TEST(VirtualReceiver, NoSamplesWithoutRunBitOrConfiguration) {
    VirtualReceiver r;
    test::RunFirmware(r);
    // 1000 frames: 8 ms at 125 kHz, far more than come between the commands.
    uint8_t buffer[6000];
    Command(r, {0x03, 0x01});
    Reply(r, 2);
    EXPECT_EQ(Read(r, 0x82, buffer, 6000, 30ms).result, VirtualResult::Timeout);
    ASSERT_EQ(Configure(r, virtual_bitstream::Build(125, 100)), 1);
    Command(r, {0x03, 0x00});
    Reply(r, 2);
    // Without a stream no read is ever due by the clock.
    const auto id = r.SubmitRead(r.Generation(), 0x82, buffer, 6000);
    EXPECT_EQ(r.NextCompletion(Clock::now()), std::nullopt);
    r.Cancel(id);
    EXPECT_EQ(r.Reap(id, Clock::now())->result, VirtualResult::Aborted);
}

TEST(VirtualReceiver, AbortCancelAndUnplugEndPendingReads) {
    VirtualReceiver r;
    test::RunFirmware(r);
    const uint32_t g = r.Generation();
    std::vector<uint8_t> a(64), b(60000), c(60000);
    const auto reply = r.SubmitRead(g, 0x81, a.data(), 64);
    const auto first = r.SubmitRead(g, 0x82, b.data(), 60000);
    const auto second = r.SubmitRead(g, 0x82, c.data(), 60000);
    EXPECT_EQ(r.Reap(reply, Clock::now()), std::nullopt);
    const uint64_t changes = r.Changes();
    r.Abort(g, 0x81);
    EXPECT_NE(r.Changes(), changes);  // a waiting host wakes
    EXPECT_EQ(r.Reap(reply, Clock::now())->result, VirtualResult::Aborted);
    r.Cancel(second);
    EXPECT_EQ(r.Reap(second, Clock::now())->result, VirtualResult::Aborted);
    EXPECT_EQ(r.Reap(first, Clock::now()), std::nullopt);
    r.Unplug();
    EXPECT_EQ(r.Reap(first, Clock::now())->result, VirtualResult::NoDevice);
    // Forgotten once reaped; a read of the old generation fails at once.
    EXPECT_EQ(r.Reap(first, Clock::now())->result, VirtualResult::NoDevice);
    EXPECT_EQ(r.Reap(r.SubmitRead(g, 0x82, b.data(), 6), Clock::now())->result,
              VirtualResult::NoDevice);
}

// A receiver streaming the test tone at 125 kHz whose sample endpoint halts
// at once and refuses to be cleared for `holdSeconds`.
std::unique_ptr<VirtualReceiver> HaltingReceiver(double holdSeconds) {
    VirtualConfig config;
    config.sampleStallAtSeconds = 0.0;
    config.sampleStallForSeconds = holdSeconds;
    auto r = std::make_unique<VirtualReceiver>(config, std::make_unique<TestToneSource>());
    test::RunFirmware(*r);
    EXPECT_EQ(Configure(*r, virtual_bitstream::Build(125, 100)), 1);
    Command(*r, {0x03, 0x01});
    Reply(*r, 2);
    return r;
}

TEST(VirtualReceiver, AHaltedSampleEndpointLosesHalfAReadUntilCleared) {
    const auto r = HaltingReceiver(0.0);
    std::vector<uint8_t> block(2720 * 6);
    VirtualReceiver::Completion got = Read(*r, 0x82, block.data(), int(block.size()), 1s);
    ASSERT_EQ(got.result, VirtualResult::Stall);
    ASSERT_EQ(got.transferred, 1360 * 6);
    EXPECT_EQ(test_signal::DecodeCounter(&block[6 * 1359]), 1359u);
    // Halted: reads stall at once until the host clears the halt.
    EXPECT_EQ(Read(*r, 0x82, block.data(), 6, 0ms).result, VirtualResult::Stall);
    ASSERT_EQ(r->ClearHalt(r->Generation(), 0x82), VirtualResult::Ok);
    // The stream goes on after the lost half, and the fault fires once.
    got = Read(*r, 0x82, block.data(), int(block.size()), 1s);
    ASSERT_EQ(got.result, VirtualResult::Ok);
    EXPECT_EQ(test_signal::DecodeCounter(&block[0]), 1360u);
    EXPECT_EQ(Read(*r, 0x82, block.data(), int(block.size()), 1s).result, VirtualResult::Ok);
    // A halt held longer refuses the clear.
    const auto held = HaltingReceiver(60.0);
    EXPECT_EQ(Read(*held, 0x82, block.data(), int(block.size()), 1s).result, VirtualResult::Stall);
    EXPECT_EQ(held->ClearHalt(held->Generation(), 0x82), VirtualResult::Stall);
    EXPECT_EQ(Read(*held, 0x82, block.data(), 6, 0ms).result, VirtualResult::Stall);
}

TEST(VirtualReceiver, ARefusedCommandStallsAndChangesNothing) {
    VirtualConfig config;
    config.stallCommand = 0x04;
    VirtualReceiver r(config);
    test::RunFirmware(r);
    EXPECT_EQ(Command(r, {0x04, 0x2A}), VirtualResult::Stall);
    EXPECT_EQ(r.PortByte(), 10);
    EXPECT_EQ(Command(r, {0x03, 0x01}), VirtualResult::Ok);
}

}  // namespace
}  // namespace velorix::sim
