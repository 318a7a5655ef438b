// The null device plays by the clock: buffers are reported played no faster
// than 512 frames per 16.384 ms.
#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "FakeAudioSink.h"
#include "NullAudioSink.h"
#include "RecordingNotifier.h"
#include "TestEnv.h"
#include "WaitUntil.h"
#include "WaveOut.h"

namespace velorix::test {
namespace {

using Clock = std::chrono::steady_clock;

// Feeds one block per played buffer, as file playback does.
class Feeder : public AudioPacer {
public:
    explicit Feeder(CWaveOut& out) : out_(out) {}
    void Played(int, double) override {
        std::lock_guard lock(mutex);
        ++played;
        last = Clock::now();
        if (played <= target) PushBlock(out_, 1);
    }
    std::mutex mutex;
    int played = 0;
    int target = 0;
    Clock::time_point last;

private:
    CWaveOut& out_;
};

TEST(NullOutput, PlaysAtTheRealTimeRateWithoutDropping) {
    RecordingNotifier notes;
    CWaveOut out(std::make_unique<NullAudioSink>(), notes);
    Feeder feeder(out);
    const int buffers = static_cast<int>(StreamSeconds(2.0, 0.5) / kAudioBufferSeconds);
    {
        std::lock_guard lock(feeder.mutex);
        feeder.target = buffers - 16;
    }
    out.SetPacer(&feeder);
    out.SetPacing(true);
    ASSERT_EQ(out.Open(""), 1);
    EXPECT_EQ(out.DeviceDescription(), "Null Output");
    const auto start = Clock::now();
    {
        std::lock_guard lock(feeder.mutex);
        for (int i = 0; i < 8; ++i)
            PushBlock(out, 1);
    }
    WaitUntil([&] {
        std::lock_guard lock(feeder.mutex);
        return feeder.played >= buffers;
    });
    ASSERT_EQ(out.PlayedCount(), static_cast<uint64_t>(buffers));
    std::lock_guard lock(feeder.mutex);
    ASSERT_EQ(feeder.played, buffers);
    const double seconds = std::chrono::duration<double>(feeder.last - start).count();
    // A clock-paced device can be late, never early.
    EXPECT_GE(seconds, buffers * kAudioBufferSeconds * 0.999);
    EXPECT_EQ(out.DroppedCount(), 0u);
    EXPECT_TRUE(notes.Notices().empty());
    EXPECT_EQ(CWaveOut(std::make_unique<NullAudioSink>(), notes).Open("Virtual Audio Cable"), 0);
}

}  // namespace
}  // namespace velorix::test
