// How CWaveOut's threads are scheduled: a file's are batch work, a sound
// card's are not.
#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "FakeAudioSink.h"
#include "RecordingNotifier.h"
#include "WaitUntil.h"
#include "WaveOut.h"

namespace velorix::test {
namespace {

// Notes the scheduling policy of the thread that reports played buffers.
class PolicyPacer : public AudioPacer {
public:
    void Played(int, double) override { policy.store(sched_getscheduler(0)); }
    std::atomic<int> policy{-1};
};

TEST(WaveOut, AFilesThreadsNeverPreemptTheChainAndASoundCardsDo) {
    for (bool dropsWhenFull : {true, false}) {
        RecordingNotifier notes;
        auto owned = std::make_unique<FakeAudioSink>(dropsWhenFull);
        FakeAudioSink* sink = owned.get();
        CWaveOut out(std::move(owned), notes);
        PolicyPacer pacer;
        out.SetPacer(&pacer);
        out.SetPacing(true);
        ASSERT_EQ(out.Open(""), 1);
        out.Buffer().AdvanceWrite(out.Buffer().Capacity());
        out.BufferFull();
        sink->WaitWritten(CWaveOut::kSilentBuffers + 1);
        WaitUntil([&] { return pacer.policy.load() >= 0; });
        const int expected = dropsWhenFull ? SCHED_OTHER : SCHED_BATCH;
        {
            std::lock_guard lock(sink->mutex_);
            EXPECT_EQ(sink->writerPolicy, expected) << dropsWhenFull;
        }
        EXPECT_EQ(pacer.policy.load(), expected) << dropsWhenFull;
        out.Shutdown();
    }
}

}  // namespace
}  // namespace velorix::test
