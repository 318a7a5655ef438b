// CWaveOut's queue, threads and messages, against a device under the
// test's control.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <future>
#include <mutex>
#include <thread>

#include "FakeAudioSink.h"
#include "RecordingNotifier.h"
#include "WaitUntil.h"
#include "WaveOut.h"

namespace velorix::test {
namespace {

using namespace std::chrono_literals;

struct Rig {
    explicit Rig(bool drops = true) {
        auto s = std::make_unique<FakeAudioSink>(drops);
        sink = s.get();
        out = std::make_unique<CWaveOut>(std::move(s), notes);
    }
    RecordingNotifier notes;
    FakeAudioSink* sink;
    std::unique_ptr<CWaveOut> out;
};

TEST(WaveOut, OpenFailuresAreShownInFixedWordsCaptionedWaveOut) {
    const struct {
        AudioError error;
        const char* serviceText;
        const char* shown;  // null: nothing shown
    } cases[] = {
        {AudioError::BadDevice, "No such entity", "Bad SoundCard Device"},
        {AudioError::InUse, "Device or resource busy",
         "Windows reports that your SoundCard is already in use by another program\r"
         "                  Please check if you did set fullduplex ON"},
        {AudioError::NoDriver, "Connection refused", "No SoundCard driver!"},
        {AudioError::NoMemory, "Internal error", "Not Enough Memory for SoundCard"},
        {AudioError::BadFormat, "Not supported",
         "Your SoundCard does not support this Wave Format"},
        {AudioError::Other, "Access denied", "Access denied"},
        {AudioError::NotFound, "", nullptr},
    };
    for (const auto& c : cases) {
        Rig r;
        r.sink->openStatus = AudioStatus::Fail(c.error, c.serviceText);
        EXPECT_EQ(r.out->Open(""), 0);
        EXPECT_FALSE(r.out->IsOpen());
        const auto n = r.notes.Notices();
        if (c.shown == nullptr) {
            EXPECT_TRUE(n.empty());
            continue;
        }
        ASSERT_EQ(n.size(), 1u) << c.shown;
        EXPECT_EQ(n[0].text, c.shown);
        EXPECT_EQ(n[0].caption, "WaveOut");
        EXPECT_EQ(n[0].icon, Notifier::Icon::Warning);
        EXPECT_EQ(n[0].buttons, Notifier::Buttons::Ok);
    }
    // A device that does not match the name asked for is not an error either.
    Rig r;
    EXPECT_EQ(r.out->Open("Virtual Audio Cable"), 0);
    EXPECT_TRUE(r.notes.Notices().empty());
    EXPECT_EQ(r.out->Open("Fake"), 1);
}

TEST(WaveOut, FirstBlockIsPrecededByEightSilentBuffersAndOrderIsKept) {
    Rig r;
    std::string name;
    EXPECT_EQ(r.out->GetName(name), "CWaveOut");
    ASSERT_EQ(r.out->Open(""), 1);
    EXPECT_FALSE(r.out->IsStarted());
    for (int16_t k = 1; k <= 5; ++k)
        PushBlock(*r.out, k);
    EXPECT_TRUE(r.out->IsStarted());
    r.sink->WaitWritten(13);
    WaitUntil([&] { return r.out->PlayedCount() == 13; });
    const auto w = r.sink->Written();
    ASSERT_EQ(w.size(), 13u);
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(BufferIsTag(w[i], 0)) << "buffer " << i;
    for (int k = 1; k <= 5; ++k)
        EXPECT_TRUE(BufferIsTag(w[7 + k], static_cast<int16_t>(k))) << "block " << k;
    EXPECT_EQ(r.sink->starts, 1);
    EXPECT_EQ(r.out->DroppedCount(), 0u);
    WaitUntil([&] { return r.out->QueuedCount() == 0; });
    // Nothing was written from the chain's thread: the writer did it.
    EXPECT_NE(r.sink->writerThread, std::this_thread::get_id());
}

TEST(WaveOut, RealTimeDeviceDropsBlocksBeyondSixteenWithoutBlocking) {
    Rig r;
    ASSERT_EQ(r.out->Open(""), 1);
    r.sink->SetGate(false);            // the device plays nothing for now
    for (int16_t k = 1; k <= 30; ++k)  // never waits: a deadlock hangs the test here
        PushBlock(*r.out, k);
    EXPECT_EQ(r.out->QueuedCount(), 16);
    EXPECT_EQ(r.out->DroppedCount(), 22u);  // 8 silent + blocks 1-8 fit
    EXPECT_EQ(r.out->PlayedCount(), 0u);

    r.sink->SetGate(true);
    r.sink->WaitWritten(16);
    WaitUntil([&] { return r.out->QueuedCount() == 0; });
    EXPECT_EQ(r.out->PlayedCount(), 16u);
    const auto w = r.sink->Written();
    ASSERT_EQ(w.size(), 16u);
    for (int k = 1; k <= 8; ++k)
        EXPECT_TRUE(BufferIsTag(w[7 + k], static_cast<int16_t>(k)));
    // Freed buffers take new blocks again.
    PushBlock(*r.out, 99);
    r.sink->WaitWritten(17);
    EXPECT_TRUE(BufferIsTag(r.sink->Written()[16], 99));
    EXPECT_EQ(r.out->DroppedCount(), 22u);
    // Those were lost before anything was heard; losses while playing count apart.
    EXPECT_EQ(r.out->DroppedSinceFirstPlayed(), 0u);
    WaitUntil([&] { return r.out->QueuedCount() == 0; });
    r.sink->SetGate(false);
    for (int16_t k = 1; k <= 20; ++k)
        PushBlock(*r.out, k);
    EXPECT_EQ(r.out->DroppedCount(), 26u);
    EXPECT_EQ(r.out->DroppedSinceFirstPlayed(), 4u);
    r.sink->SetGate(true);
}

// The acquisition board's side of file playback: every played buffer is
// answered under the board's lock by pushing the next block, exactly as the
// file source does; the board's worker pushes under the same lock.
class TestBoard : public AudioPacer {
public:
    explicit TestBoard(CWaveOut& out) : out_(out) {}
    void Played(int frames, double rateHz) override {
        if (insidePush_) reentered = true;  // called from inside BufferFull on a pushing thread
        std::lock_guard lock(boardLock);
        framesOk = framesOk && frames == 512 && rateHz == 31250.0;
        if (std::this_thread::get_id() == worker) onWorker = true;
        if (toPush > 0) {
            --toPush;
            Push();
        }
        ++played;
    }
    void Push() {
        insidePush_ = true;
        PushBlock(out_, static_cast<int16_t>(++pushed));
        insidePush_ = false;
    }

    std::mutex boardLock;
    std::atomic<int> played{0};
    int pushed = 0;  // these four under boardLock
    int toPush = 0;
    bool framesOk = true;
    bool onWorker = false;
    std::atomic<bool> reentered{false};
    std::thread::id worker;

private:
    CWaveOut& out_;
    static thread_local bool insidePush_;
};
thread_local bool TestBoard::insidePush_ = false;

TEST(WaveOut, FileDeviceMakesTheChainWaitAndPacingNeverReentersTheBoard) {
    Rig r(/*drops=*/false);
    TestBoard board(*r.out);
    board.worker = std::this_thread::get_id();
    r.out->SetPacer(&board);
    r.out->SetPacing(true);
    ASSERT_EQ(r.out->Open(""), 1);
    // The worker pushes 300 blocks at full speed under the board's lock while
    // the completion thread answers each played buffer with one more block.
    {
        std::lock_guard lock(board.boardLock);
        board.toPush = 100;
    }
    {
        for (int i = 0; i < 300; ++i) {
            std::lock_guard lock(board.boardLock);
            board.Push();
        }
    }
    const uint64_t total = 8 + 300 + 100;
    r.sink->WaitWritten(total);
    WaitUntil([&] { return board.played.load() == static_cast<int>(total); });
    EXPECT_EQ(r.out->PlayedCount(), total);
    EXPECT_EQ(r.out->DroppedCount(), 0u);
    EXPECT_FALSE(board.reentered.load());
    // Every block reached the file once, in the order pushed.
    const auto w = r.sink->Written();
    ASSERT_EQ(w.size(), total);
    std::lock_guard lock(board.boardLock);
    EXPECT_TRUE(board.framesOk);
    EXPECT_FALSE(board.onWorker);  // never on the worker's thread
    EXPECT_EQ(board.pushed, 400);
    for (int k = 1; k <= 400; ++k)
        ASSERT_TRUE(BufferIsTag(w[7 + k], static_cast<int16_t>(k))) << "block " << k;
}

TEST(WaveOut, PacerIsToldOnlyWhilePacingIsOn) {
    Rig r;
    std::atomic<int> told{0};
    struct Counter : AudioPacer {
        std::atomic<int>* n;
        void Played(int, double) override { ++*n; }
    } pacer;
    pacer.n = &told;
    r.out->SetPacer(&pacer);
    ASSERT_EQ(r.out->Open(""), 1);
    PushBlock(*r.out, 1);
    WaitUntil([&] { return r.out->PlayedCount() == 9; });
    EXPECT_EQ(told.load(), 0);
    r.out->SetPacing(true);
    PushBlock(*r.out, 2);
    PushBlock(*r.out, 3);
    WaitUntil([&] { return told.load() == 2; });
    EXPECT_EQ(r.out->PlayedCount(), 11u);
}

TEST(WaveOut, StartErrorsAreShownAndTheOutputGoesOnFromTheClock) {
    {
        // The device refuses to resume: its own words, once.
        Rig r;
        r.sink->startStatus = AudioStatus::Fail(AudioError::Other, "Access denied");
        ASSERT_EQ(r.out->Open(""), 1);
        for (int16_t k = 1; k <= 3; ++k)
            PushBlock(*r.out, k);
        // The stand-in paces at 16.4 ms a buffer: 11 buffers in about 180 ms.
        WaitUntil([&] { return r.out->PlayedCount() == 11; });
        const auto n = r.notes.Notices();
        ASSERT_EQ(n.size(), 1u);
        EXPECT_EQ(n[0].text, "Access denied");
        EXPECT_EQ(n[0].caption, "WaveOut");
        EXPECT_TRUE(r.sink->Written().empty());
    }
    {
        // Handing over the silent margin fails: the preparation message first.
        Rig r;
        r.sink->failFromWrite = 1;
        r.sink->writeStatus = AudioStatus::Fail(AudioError::Other, "Connection terminated");
        ASSERT_EQ(r.out->Open(""), 1);
        PushBlock(*r.out, 1);
        WaitUntil([&] { return r.out->PlayedCount() == 9; });
        const auto n = r.notes.Notices();
        ASSERT_EQ(n.size(), 2u);
        EXPECT_EQ(n[0].text, "Errors during Out_Buffers prepare");
        EXPECT_EQ(n[1].text, "Connection terminated");
        EXPECT_EQ(n[1].caption, "WaveOut");
    }
    {
        // The device fails while streaming: shown once, however long it lasts.
        Rig r;
        r.sink->failFromWrite = 12;
        r.sink->writeStatus = AudioStatus::Fail(AudioError::Other, "Connection terminated");
        ASSERT_EQ(r.out->Open(""), 1);
        for (int16_t k = 1; k <= 8; ++k)
            PushBlock(*r.out, k);
        WaitUntil([&] { return r.out->PlayedCount() == 16; });
        for (int16_t k = 9; k <= 12; ++k)
            PushBlock(*r.out, k);
        WaitUntil([&] { return r.out->PlayedCount() == 20; });
        const auto n = r.notes.Notices();
        ASSERT_EQ(n.size(), 1u);
        EXPECT_EQ(n[0].text, "Connection terminated");
        EXPECT_EQ(r.sink->Written().size(), 11u);
    }
}

TEST(WaveOut, AFileDeviceThatFailsReleasesAWaitingChainWhileTheMessageIsUp) {
    // A notifier that holds its caller, as a message box does, until released.
    class HoldingNotifier : public Notifier {
    public:
        Answer Notify(const std::string& text, const std::string&, Icon, Buttons) override {
            std::unique_lock lock(mutex);
            texts.push_back(text);
            cv.wait(lock, [this] { return released; });
            return Answer::Ok;
        }
        std::mutex mutex;
        std::condition_variable cv;
        std::vector<std::string> texts;
        bool released = false;
    } holding;
    auto s = std::make_unique<FakeAudioSink>(/*dropsWhenFull=*/false);
    FakeAudioSink* sink = s.get();
    CWaveOut out(std::move(s), holding);
    struct Release {  // answers the message however the test ends, before out is shut down
        HoldingNotifier& n;
        ~Release() {
            std::lock_guard lock(n.mutex);
            n.released = true;
            n.cv.notify_all();
        }
    } release{holding};
    ASSERT_EQ(out.Open(""), 1);
    sink->SetGate(false);
    std::atomic<int> pushed{0};
    auto chain = std::async(std::launch::async, [&] {
        for (int16_t k = 1; k <= 30; ++k, ++pushed)
            PushBlock(out, k);
    });
    WaitUntil([&] { return pushed.load() == 8; });
    EXPECT_EQ(chain.wait_for(50ms), std::future_status::timeout);  // a file makes the chain wait
    {
        std::lock_guard lock(sink->mutex_);
        sink->failFromWrite = 1;
        sink->writeStatus = AudioStatus::Fail(AudioError::Other, "No space left on device");
    }
    sink->SetGate(true);
    // The chain goes on although the message is still waiting for its answer.
    // It is let go before the message is put up, so the message is waited for.
    chain.get();
    WaitUntil([&] {
        std::lock_guard lock(holding.mutex);
        return !holding.texts.empty();
    });
    {
        std::lock_guard lock(holding.mutex);
        ASSERT_EQ(holding.texts.size(), 1u);  // the silent margin was being written
        EXPECT_EQ(holding.texts[0], "Errors during Out_Buffers prepare");
        holding.released = true;
    }
    holding.cv.notify_all();
    WaitUntil([&] {
        std::lock_guard lock(holding.mutex);
        return holding.texts.size() == 2 && out.QueuedCount() == 0;
    });
    {
        std::lock_guard lock(holding.mutex);
        EXPECT_EQ(holding.texts[1], "No space left on device");
    }
    EXPECT_GT(out.DroppedCount(), 0u);  // from then on it drops like a sound card
}

TEST(WaveOut, ShutdownJoinsAStuckWriterAndLaterBlocksAreDropped) {
    Rig r;
    ASSERT_EQ(r.out->Open(""), 1);
    r.sink->SetGate(false);
    PushBlock(*r.out, 1);
    WaitUntil([&] { return r.sink->writeCalls == 0 && r.out->QueuedCount() == 9; });
    r.out->Shutdown();
    EXPECT_FALSE(r.out->IsOpen());
    EXPECT_EQ(r.sink->closes, 1);
    const uint64_t dropped = r.out->DroppedCount();
    PushBlock(*r.out, 2);
    EXPECT_EQ(r.out->DroppedCount(), dropped + 1);
    r.out->Shutdown();  // a second time is harmless
    EXPECT_EQ(r.sink->closes, 1);
    // It opens again and plays from a fresh silent margin.
    r.sink->SetGate(true);
    ASSERT_EQ(r.out->Open(""), 1);
    PushBlock(*r.out, 3);
    WaitUntil([&] { return r.out->QueuedCount() == 0 && r.out->IsStarted(); });
    EXPECT_TRUE(BufferIsTag(r.sink->Written().back(), 3));
    EXPECT_TRUE(r.notes.Notices().empty());
}

}  // namespace
}  // namespace velorix::test
