#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "AcqBoard.h"
#include "DspRecorder.h"
#include "Event.h"
#include "FakeUsbDevice.h"
#include "TempDir.h"
#include "TestBlocks.h"
#include "TestEnv.h"
#include "WaitUntil.h"

namespace velorix {
namespace {

using namespace std::chrono_literals;
using test::CounterOf;
using test::FakeUsbDevice;
using test::TestSink;
using test::WaitUntil;

class AcqBoardStreaming : public ::testing::Test {
protected:
    void SetUp() override { FakeUsbDevice::Reset(); }
    void TearDown() override { FakeUsbDevice::Reset(); }
    FakeUsbDevice& dev() { return FakeUsbDevice::Get(); }
    // Delivers one library block of `bytes` through the board's callback.
    void Feed(CAcqBoard& board, int bytes) {
        std::vector<std::uint8_t> block(bytes);
        dev().NextBlock(block.data(), bytes);
        board.OnBlock(block.data(), bytes);
    }
    // Connects `sink` (when given), opens the board and starts it.
    bool Started(CAcqBoard& board, CDspConsumer* sink) {
        if (sink != nullptr) board.Connect(sink);
        board.Open(&settings);
        return board.Start();
    }
    SettingsRecord settings;
    UsbLibrary lib{FakeUsbDevice::Exports()};
};

TEST_F(AcqBoardStreaming, BlocksFillUnitsIndependentlyOfTheirSize) {
    CAcqBoard board(lib);
    TestSink sink(1024);
    ASSERT_TRUE(Started(board, &sink));
    EXPECT_EQ(dev().startBlockBytes, 16320);
    EXPECT_EQ(board.ControlByte() & CAcqBoard::kRunBit, CAcqBoard::kRunBit);
    EXPECT_DOUBLE_EQ(sink.rate, 125.0);

    Feed(board, 16320);  // two units and 4032 bytes of a third
    WaitUntil([&] { return board.BlocksPushed() == 2; });
    Feed(board, 2111);  // one byte short of completing the third
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(board.BlocksPushed(), 2u);
    Feed(board, 1);
    WaitUntil([&] { return board.BlocksPushed() == 3; });
    board.Stop();
    ASSERT_EQ(sink.received.size(), 3u * 1024);
    // Frames 0..2719 from the first block, then the (misaligned) rest.
    EXPECT_EQ(CounterOf(sink.received[0].real()), 0);
    EXPECT_EQ(CounterOf(sink.received[2047].real()), 2047);
    EXPECT_EQ(CounterOf(sink.received[2047].imag()), -2047);
}

TEST_F(AcqBoardStreaming, StopClearsTheRunBitAndSendsTheFrame) {
    CAcqBoard board(lib);
    ASSERT_TRUE(Started(board, nullptr));
    const size_t before = dev().sioFrames.size();
    board.Stop();
    EXPECT_FALSE(board.IsRunning());
    EXPECT_EQ(board.ControlByte(), 0x02);
    ASSERT_EQ(dev().sioFrames.size(), before + 1);
    EXPECT_EQ(dev().sioFrames.back()[0], 0x02);
    EXPECT_EQ(dev().stopCalls, 1);
    board.Stop();  // stop without a run does nothing
    EXPECT_EQ(dev().stopCalls, 1);
}

TEST_F(AcqBoardStreaming, StreamArrivesWithoutAGapAtEveryRate) {
    // Blocks come as fast as the worker drains them, never more than half
    // the ring ahead of it, so the ring wraps several times and nothing is
    // dropped however slowly the worker is scheduled.
    const int blocks = test::kSanitized ? 8 : 40;
    for (int idx = 0; idx < 3; ++idx) {
        FakeUsbDevice::Reset();
        settings.DdcSamplingRateIdx = idx;
        settings.Derive();
        CAcqBoard board(lib);
        TestSink sink(1024);
        ASSERT_TRUE(Started(board, &sink));
        const int blockBytes = CAcqBoard::BlockBytesForRate(settings.outputRateKHz);
        for (int n = 1; n <= blocks; ++n) {
            Feed(board, blockBytes);
            const unsigned fed = unsigned(n * blockBytes / CAcqBoard::kUnitBytes);
            WaitUntil([&] { return board.BlocksPushed() + CAcqBoard::kRingUnits / 2 >= fed; });
        }
        const int frames = blocks * blockBytes / 6;
        WaitUntil([&] { return board.BlocksPushed() == unsigned(frames / 1024); });
        board.Stop();
        EXPECT_EQ(board.DroppedBytes(), 0u);
        ASSERT_EQ(sink.received.size(), size_t(frames / 1024) * 1024);
        for (size_t i = 0; i < sink.received.size(); ++i)
            ASSERT_EQ(CounterOf(sink.received[i].real()), int(i)) << "rate index " << idx;
    }
}

// A chain that holds the worker until the test lets it go.
class GatedSink : public TestSink {
public:
    using TestSink::TestSink;
    void BufferFull() override {
        gate.Wait();
        TestSink::BufferFull();
    }
    Event gate{Event::Reset::Manual};
};

TEST_F(AcqBoardStreaming, SlowChainMakesTheRingDropWholeBlocksAndCountThem) {
    CAcqBoard board(lib);
    GatedSink sink(1024);
    ASSERT_TRUE(Started(board, &sink));
    // 64 units hold 24 blocks of 16320 bytes; the worker holds one unit.
    for (int i = 0; i < 40; ++i)
        Feed(board, 16320);
    EXPECT_GT(board.DroppedBytes(), 0u);
    EXPECT_EQ(board.DroppedBytes() % 16320, 0u);
    const std::uint64_t dropped = board.DroppedBytes();
    // A block the library lost on the way counts as dropped too.
    board.OnBlock(nullptr, 16320);
    EXPECT_EQ(board.DroppedBytes(), dropped + 16320);
    sink.gate.Set();
    WaitUntil(
        [&] { return board.BlocksPushed() == (40 * 16320 - dropped) / CAcqBoard::kUnitBytes; });
    board.Stop();
    // No unit was rewritten under the worker: inside every unit the counter
    // runs on by one, or jumps by whole dropped blocks of 2720 frames.
    const auto& r = sink.received;
    ASSERT_FALSE(r.empty());
    for (size_t i = 1; i < r.size(); ++i) {
        const int step = CounterOf(r[i].real()) - CounterOf(r[i - 1].real());
        ASSERT_TRUE(step == 1 || (step > 1 && (step - 1) % 2720 == 0))
            << "at " << i << ": " << step;
        ASSERT_EQ(CounterOf(r[i].imag()), -CounterOf(r[i].real()));
    }
}

TEST_F(AcqBoardStreaming, OverloadFlagStaysUntilCleared) {
    CAcqBoard board(lib);
    TestSink sink(1024);
    ASSERT_TRUE(Started(board, &sink));
    std::vector<std::uint8_t> unit(CAcqBoard::kUnitBytes, 0);
    unit[0] = 0x01;  // bit 0 set on a positive value: the mark
    board.OnBlock(unit.data(), CAcqBoard::kUnitBytes);
    WaitUntil([&] { return board.BlocksPushed() == 1; });
    EXPECT_EQ(board.GetOverload(), 1);
    unit[0] = 0x00;
    board.OnBlock(unit.data(), CAcqBoard::kUnitBytes);
    WaitUntil([&] { return board.BlocksPushed() == 2; });
    EXPECT_EQ(board.GetOverload(), 1);
    board.ClearOverload();
    EXPECT_EQ(board.GetOverload(), 0);
    board.Stop();
}

TEST_F(AcqBoardStreaming, StartStopCyclesAndRateChangesLeaveNoThread) {
    dev().streamOnStart = true;
    CAcqBoard board(lib);
    TestSink sink(1024);
    board.Connect(&sink);
    board.Open(&settings);
    for (int cycle = 0; cycle < 30; ++cycle) {
        settings.DdcSamplingRateIdx = cycle % 3;
        settings.Derive();
        ASSERT_TRUE(board.Start());
        EXPECT_EQ(dev().startBlockBytes, CAcqBoard::BlockBytesForRate(settings.outputRateKHz));
        std::this_thread::sleep_for(2ms);
        board.Stop();
    }
    EXPECT_EQ(dev().stopCalls, 30);
}

TEST_F(AcqBoardStreaming, RecordsTheRawStreamBitExactWhileItFlows) {
    test::TempDir dir("acqrec");
    const int blocks = test::kSanitized ? 5 : 30;
    settings.DdcSamplingRateIdx = 1;
    settings.Derive();
    CDspRecorder rec(&settings);
    CAcqBoard board(lib);
    TestSink sink(1024);
    board.Connect(&sink);
    board.Open(&settings);
    board.AttachRecorder(&rec);
    ASSERT_EQ(rec.Start(dir / "live"), 1);
    ASSERT_TRUE(board.Start());  // tells the recorder the rate
    // Fed no faster than the worker drains the ring: nothing is dropped.
    for (int n = 1; n <= blocks; ++n) {
        Feed(board, 32640);
        const unsigned fed = unsigned(n * 32640 / CAcqBoard::kUnitBytes);
        WaitUntil([&] { return board.BlocksPushed() + CAcqBoard::kRingUnits / 2 >= fed; });
    }
    const unsigned units = blocks * 32640 / CAcqBoard::kUnitBytes;
    WaitUntil([&] { return board.BlocksPushed() == units; });
    board.Stop();
    rec.Stop();
    const auto f = test::ReadAll(dir / "live_000.wav");
    ASSERT_EQ(f.size(), 86u + units * CAcqBoard::kUnitBytes);
    EXPECT_EQ(test::Le32(f, 24), 250000u);
    EXPECT_EQ(test::Le32(f, 48), 1u);
    for (unsigned n = 0; n < units * 1024; ++n) {
        const std::uint8_t* fr = f.data() + 86 + n * 6;
        ASSERT_EQ(fr[0] | fr[1] << 8 | fr[2] << 16, int(n & 0xffffff)) << "frame " << n;
    }
}

}  // namespace
}  // namespace velorix
