#include <chrono>
#include <thread>

#include "ControllerFixture.h"
#include "WaitUntil.h"

namespace velorix::test {
namespace {

using Streaming = ControllerTest;

TEST_F(Streaming, RecordingWhileTheReceiverStreamsAndTheGuardStopsIt) {
    dev().streamOnStart = true;
    StartUp();
    board.AttachRecorder(&recorder);
    ASSERT_TRUE(board.Start());

    ASSERT_TRUE(ctl->Source().StartRecording(dir_ / "live.wav").accepted);
    WaitUntil([&] { return recorder.BytesInFile() >= 6144u * 4; });
    ctl->Source().Tick();
    EXPECT_EQ(settings.recording.load(), 1);
    EXPECT_GE(panel().recBar.positionBytes, 6144u * 4);
    EXPECT_EQ(panel().recBar.positionBytes % 6144, 0u);

    freeBytes = std::uint64_t{900} << 20;  // 0.900 GBytes
    ctl->Source().Tick();
    EXPECT_EQ(settings.recording.load(), 0);
    EXPECT_FALSE(recorder.IsRecording());
    const auto bytes = ReadAll(dir_ / "live_000.wav");
    ASSERT_GT(bytes.size(), static_cast<std::size_t>(kWavHeaderBytes));
    EXPECT_EQ((bytes.size() - kWavHeaderBytes) % 6144, 0u);
    EXPECT_EQ(Le32(bytes, kWavDataSizeOffset), bytes.size() - kWavHeaderBytes);

    // A rate change restarts the stream with the new block size.
    ASSERT_TRUE(ctl->FrontEnd().SelectRate(2).accepted);
    EXPECT_TRUE(board.IsRunning());
    EXPECT_EQ(dev().startBlockBytes, 4 * 16320);
    const auto before = board.BlocksPushed();
    WaitUntil([&] { return board.BlocksPushed() > before + 2; });
    board.Stop();
}

}  // namespace
}  // namespace velorix::test
