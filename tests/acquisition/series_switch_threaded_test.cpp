#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "AcqBoard.h"
#include "DspRecorder.h"
#include "FakeUsbDevice.h"
#include "RecordingNotifier.h"
#include "TempDir.h"
#include "TestBlocks.h"

namespace velorix {
namespace {

using test::FakeUsbDevice;

constexpr int kFiles = 60;
constexpr int kBlock = 6144;

// File k of the series holds k % 3 + 1 blocks and was tuned to 7000 + k kHz.
int BlocksOf(int k) {
    return k % 3 + 1;
}

// The completion thread walks a series of files while the user-interface
// thread reads the file being played: every reading is one file's, whole.
TEST(SeriesSwitch, TheFileBeingPlayedIsReadInOnePiece) {
    test::TempDir dir("series");
    for (int k = 0; k < kFiles; ++k) {
        SettingsRecord s;
        s.CenterFreq = 7000000 + 1000 * k;
        CDspRecorder rec(&s);
        rec.SetRate(125.0);
        char name[32];
        std::snprintf(name, sizeof name, "walk_%03d", k);
        ASSERT_EQ(rec.Start(dir / name), 1);
        std::vector<std::uint8_t> block(kBlock);
        for (int b = 0; b < BlocksOf(k); ++b)
            rec.Write(block.data(), 1024);
        rec.Stop();
    }
    SettingsRecord settings;
    UsbLibrary lib{FakeUsbDevice::Exports()};
    CAcqBoard board(lib);
    test::TestSink sink(1024);
    test::RecordingNotifier notes;
    board.Connect(&sink);
    board.Open(&settings);
    ASSERT_EQ(board.OpenFile(dir / "walk_000.wav", notes), 1);
    board.SetStopAtEnd(true);
    board.StartPlayback();  // a tenth of a second ahead: the first few files of the series
    // The walk waits for a fresh reading every few steps, so the readings
    // fall all along the series however the two threads are scheduled.
    constexpr int kStepsPerReading = 16;
    std::atomic<int> readings{0};
    std::atomic<bool> done{false};
    int steps = 0;
    std::thread completion([&] {
        while (board.IsPlaying()) {
            board.Played(16, 31250.0);
            if (++steps % kStepsPerReading != 0) continue;
            const int seen = readings;
            while (readings == seen)
                std::this_thread::yield();
        }
        done = true;
    });
    int lastFile = 0;
    auto read = [&] {
        const CAcqBoard::PlayingFile f = board.CurrentFile();
        const int k = std::stoi(f.name.substr(f.name.size() - 7, 3));
        EXPECT_EQ(f.dataSize, std::uint64_t(BlocksOf(k)) * kBlock) << f.name;
        EXPECT_LE(f.position, f.dataSize) << f.name;
        EXPECT_GE(k, lastFile);
        lastFile = k;
        ++readings;
    };
    while (!done)
        read();
    completion.join();
    read();
    EXPECT_GT(readings, steps / kStepsPerReading);
    EXPECT_EQ(lastFile, kFiles - 1);
    EXPECT_EQ(settings.CenterFreq, 7000000 + 1000 * (kFiles - 1));
}

}  // namespace
}  // namespace velorix
