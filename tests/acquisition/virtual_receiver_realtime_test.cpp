// The program's start-up, acquisition and recording against the virtual
// receiver, through the real libvelorixusb.so as the program loads it.
#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <vector>

#include "AcqBoard.h"
#include "DspRecorder.h"
#include "ReceiverStartup.h"
#include "RecordingNotifier.h"
#include "TempDir.h"
#include "TestBlocks.h"
#include "TestEnv.h"
#include "TestSignal.h"

namespace velorix {
namespace {

using namespace std::chrono_literals;
namespace ts = sim::test_signal;
using test::RecordingNotifier;
using test::TempDir;
using test::TestSink;

int ThreadCount() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/task")) {
        while (dirent* e = readdir(d))
            n += e->d_name[0] != '.';
        closedir(d);
    }
    return n;
}

// Rebuilds the frame bytes from a converted sample, to read the counter.
std::uint32_t CounterOfSample(const Cpx& s) {
    std::uint8_t f[6];
    const auto i = static_cast<std::int32_t>(std::lround(s.real() * 1074000000.0)) >> 8;
    const auto q = static_cast<std::int32_t>(std::lround(s.imag() * 1074000000.0)) >> 8;
    ts::Write24(f, i);
    ts::Write24(f + 3, q);
    return ts::DecodeCounter(f);
}

// Counts the gaps in the frame counter of what reached the chain head.
class CounterSink : public TestSink {
public:
    CounterSink() : TestSink(1024) {}
    void BufferFull() override {
        const Cpx* p = buffer->MainAs<Cpx>();
        for (int k = 0; k < buffer->Fill(); ++k) {
            const std::uint32_t c = CounterOfSample(p[k]);
            if (frames > 0 && ts::CounterStep(last, c) != 1) ++gaps;
            last = c;
            ++frames;
        }
        buffer->Commit();
    }
    std::uint32_t last = 0;  // the chain's thread only
    std::atomic<std::uint64_t> frames{0};
    std::atomic<int> gaps{0};
};

// The receiver's start as the program makes it, up to a running board:
// library, receiver, firmware, identity, FPGA for the stored rate.
bool StartStreaming(ReceiverStartup& startup, CAcqBoard& board, SettingsRecord& settings) {
    if (!startup.BindLibrary(UsbLibrary::DefaultPath()) || !startup.OpenReceiver() ||
        !startup.DownloadFirmware())
        return false;
    startup.ReadIdentity();
    if (!startup.ConfigureRate(settings.DdcSamplingRateIdx, &board, false)) return false;
    board.Open(&settings);
    return board.Start();
}

class VirtualReceiver : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VELORIX_DEVICE", "virtual", 1);
        // The test signal numbers every frame, so a gap shows.
        setenv("VELORIX_SIM_SOURCE", "testtone", 1);
        unsetenv("VELORIX_DATA_DIR");
        unsetenv("VELORIX_VIRTUAL_PLUG");
        unsetenv("VELORIX_VIRTUAL_FAULTS");
        threadsBefore_ = ThreadCount();
    }
    void TearDown() override {
        unsetenv("VELORIX_DEVICE");
        unsetenv("VELORIX_SIM_SOURCE");
    }
    int threadsBefore_ = 0;
    SettingsRecord settings;
    RecordingNotifier notes;
    UsbLibrary lib;
};

TEST_F(VirtualReceiver, StartsStreamsAtEveryRateAndShutsDownCleanly) {
    const double seconds = test::StreamSeconds(10.0, 1.5);
    {
        CAcqBoard board(lib);
        CounterSink head;
        board.Connect(&head);
        ReceiverStartup startup(lib, settings, notes);
        ASSERT_TRUE(StartStreaming(startup, board, settings))
            << (notes.Notices().empty() ? "" : notes.Notices().back().text);
        EXPECT_EQ(lib.BoundCount(), 15);
        EXPECT_EQ(lib.GetDLLVersion(), 0x00010001u);
        EXPECT_FALSE(startup.IsPreProduction());
        for (int idx = 0; idx < 3; ++idx) {
            if (idx > 0) {
                ASSERT_TRUE(startup.ConfigureRate(idx, &board, true));
            }
            EXPECT_EQ(board.BlockBytes(), CAcqBoard::BlockBytesForRate(125.0 * (1 << idx)));
            head.frames = 0;
            head.gaps = 0;
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            const double expected = seconds * 125000.0 * (1 << idx);
            SCOPED_TRACE(::testing::Message() << "rate index " << idx);
            EXPECT_GT(head.frames, expected * 0.5);
            if (!test::kSanitized) {
                EXPECT_EQ(head.gaps, 0);
                EXPECT_EQ(board.DroppedBytes(), 0u);
                EXPECT_GT(head.frames, expected * 0.9);
            }
        }
        startup.Shutdown(&board);
        EXPECT_FALSE(board.IsRunning());
        EXPECT_FALSE(lib.IsLoaded());
    }
    EXPECT_TRUE(notes.Notices().empty());
    // Every thread of the board and the library is gone. (A sanitizer runs a
    // thread of its own that may start meanwhile, so count only in Release.)
    if (!test::kSanitized) {
        for (int i = 0; i < 100 && ThreadCount() > threadsBefore_; ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(ThreadCount(), threadsBefore_);
    }
}

TEST_F(VirtualReceiver, RecordingIsTheRawStreamBitForBit) {
    TempDir dir("vrec");
    CAcqBoard board(lib);
    CDspRecorder rec(&settings);
    TestSink head(1024);
    board.Connect(&head);
    board.AttachRecorder(&rec);
    ReceiverStartup startup(lib, settings, notes);
    ASSERT_TRUE(StartStreaming(startup, board, settings));
    ASSERT_EQ(rec.Start(dir / "band"), 1);
    std::this_thread::sleep_for(std::chrono::duration<double>(test::StreamSeconds(2.0, 1.0)));
    rec.Stop();
    startup.Shutdown(&board);
    const auto f = test::ReadAll(dir / "band_000.wav");
    ASSERT_GT(f.size(), 86u + 50u * 6144);
    EXPECT_EQ((f.size() - 86) % 6144, 0u);
    EXPECT_EQ(test::Le32(f, 82), f.size() - 86);
    EXPECT_EQ(test::Le32(f, 44), 14150000u);
    EXPECT_EQ(test::Le32(f, 24), 125000u);
    int gaps = 0;
    for (size_t at = 86 + 6; at + 6 <= f.size(); at += 6)
        gaps += ts::CounterStep(ts::DecodeCounter(&f[at - 6]), ts::DecodeCounter(&f[at])) != 1;
    if (!test::kSanitized) {
        EXPECT_EQ(gaps, 0);
    }
}

}  // namespace
}  // namespace velorix
