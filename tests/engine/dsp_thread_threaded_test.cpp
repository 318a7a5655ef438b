#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "DspThread.h"
#include "Event.h"
#include "TestBlocks.h"
#include "WaitUntil.h"

namespace velorix {
namespace {

using namespace std::chrono_literals;
using test::TestSink;
using test::TestSource;

// Waits until the worker has finished with the block it was handed.
void WaitReady(CDspThread& t) {
    test::WaitUntil([&] { return t.IsReady(); });
}

// A sink that the worker finishes only when the test opens the gate.
class GatedSink : public TestSink {
public:
    using TestSink::TestSink;
    void BufferFull() override {
        entered.Set();
        gate.Wait();
        TestSink::BufferFull();
    }
    Event gate{Event::Reset::Manual};
    Event entered{Event::Reset::Manual};
};

struct ThreadedChain : ::testing::Test {
    ThreadedChain() : src(256), thr(kDspTypeComplex, 8192), sink(256) {
        src.Connect(&thr);
        thr.Connect(&sink);
    }
    // Pushes one block and waits for the hand-over to finish.
    void PushOne() {
        next = src.PushRamp(1, next);
        WaitReady(thr);
    }
    TestSource src;
    CDspThread thr;
    TestSink sink;
    double next = 0.0;
};

TEST_F(ThreadedChain, HandsEveryBlockToTheWorkerInOrder) {
    for (int i = 0; i < 20; ++i)
        PushOne();
    EXPECT_EQ(sink.fullCalls, 20);
    ASSERT_EQ(sink.received.size(), 20u * 256);
    for (size_t i = 0; i < sink.received.size(); ++i)
        ASSERT_EQ(sink.received[i].real(), double(i));
}

TEST_F(ThreadedChain, DownstreamSharesTheThreadsOwnLock) {
    EXPECT_EQ(sink.lock, thr.GetLock());
    EXPECT_NE(thr.GetLock(), nullptr);
    EXPECT_EQ(thr.GetBuffer(), &sink.Buffer());
    std::string name;
    EXPECT_EQ(thr.GetName(name), "CDspThread");
}

TEST_F(ThreadedChain, SkipLimitTwoHandsOverOneBlockInThree) {
    thr.SetSkipLimit(2);
    EXPECT_EQ(thr.GetSkipLimit(), 2);
    for (int i = 0; i < 9; ++i)
        PushOne();
    EXPECT_EQ(sink.fullCalls, 3);
    // Two blocks dropped before each one handed over: blocks 2, 5 and 8.
    ASSERT_EQ(sink.received.size(), 3u * 256);
    EXPECT_EQ(sink.received[0].real(), 2.0 * 256);
    EXPECT_EQ(sink.received[256].real(), 5.0 * 256);
    EXPECT_EQ(sink.received[512].real(), 8.0 * 256);
}

TEST_F(ThreadedChain, SetSkipLimitRestartsTheCountAndResetThreadClearsIt) {
    thr.SetSkipLimit(3);
    PushOne();  // skipped (1 of 3)
    PushOne();  // skipped (2 of 3)
    thr.SetSkipLimit(1);
    PushOne();  // counter restarted: skipped (1 of 1), where 2 ≥ 1 would have handed over
    EXPECT_EQ(sink.fullCalls, 0);
    PushOne();  // handed over
    EXPECT_EQ(sink.fullCalls, 1);
    thr.ResetThread();
    EXPECT_EQ(thr.GetSkipLimit(), 0);
    PushOne();
    PushOne();
    EXPECT_EQ(sink.fullCalls, 3);
}

TEST_F(ThreadedChain, AutoThrottleRaisesTheLimitForEveryBlockTheWorkerFindsBusy) {
    thr.SetAutoThrottle(1);
    sink.ready = 0;  // a display that never catches up
    // Limits 0,1,2,3: blocks 1, 3, 6 and 10 are handed over; the rest are skipped.
    for (int i = 0; i < 10; ++i)
        PushOne();
    EXPECT_EQ(thr.GetSkipLimit(), 4);
    EXPECT_EQ(sink.fullCalls, 0);
    EXPECT_EQ(sink.Buffer().Fill(), 0);
}

TEST(ThreadHandOver, BusyWorkerMakesTheUpstreamDropInsteadOfQueueing) {
    TestSource src(256);
    CDspThread thr(kDspTypeComplex, 256);
    GatedSink sink(256);
    src.Connect(&thr);
    thr.Connect(&sink);
    src.PushRamp(1);         // handed over; the worker now waits at the gate
    src.PushRamp(5, 256.0);  // all dropped upstream
    EXPECT_EQ(thr.IsReady(), 0);
    sink.gate.Set();
    WaitReady(thr);
    src.PushRamp(1, 2048.0);
    WaitReady(thr);
    EXPECT_EQ(sink.fullCalls, 2);
    ASSERT_EQ(sink.received.size(), 512u);
    EXPECT_EQ(sink.received[255].real(), 255.0);
    EXPECT_EQ(sink.received[256].real(), 2048.0);
}

TEST(ThreadHandOver, ProducerSideRunHandsOverOnceTheDownstreamFills) {
    CDspThread thr(kDspTypeComplex, 64);
    TestSink sink(128);
    thr.Connect(&sink);
    auto fill = [&](double first) {
        Cpx* p = reinterpret_cast<Cpx*>(thr.Buffer().AdvanceWrite(64));
        for (int i = 0; i < 64; ++i)
            p[i] = Cpx(first + i, 0);
    };
    fill(0);
    thr.Run();
    EXPECT_EQ(thr.GetState(), 0);
    EXPECT_EQ(thr.Buffer().ReadPos(), thr.Buffer().Base() + 64 * 16);
    thr.Buffer().Commit();
    fill(64);
    thr.Run();
    EXPECT_EQ(thr.GetState(), 1);
    WaitReady(thr);
    EXPECT_EQ(sink.fullCalls, 1);
    EXPECT_EQ(sink.received.back().real(), 127.0);
}

TEST(ThreadLifecycle, StartFeedAndDestroyManyTimes) {
    for (int round = 0; round < 200; ++round) {
        TestSource src(64);
        auto thr = std::make_unique<CDspThread>(kDspTypeComplex, 64);
        TestSink sink(64);
        src.Connect(thr.get());
        thr->Connect(&sink);
        thr->SetAutoThrottle(round % 2);
        src.PushRamp(1 + round % 4);  // some blocks may still be in the worker
        thr.reset();                  // must join, never hang
    }
    SUCCEED();
}

TEST(ThreadLifecycle, DestroyWhileTheWorkerIsBusyWaitsForIt) {
    GatedSink sink(64);
    TestSource src(64);
    auto thr = std::make_unique<CDspThread>(kDspTypeComplex, 64);
    src.Connect(thr.get());
    thr->Connect(&sink);
    src.PushRamp(1);
    sink.entered.Wait();
    std::thread opener([&] {
        std::this_thread::sleep_for(20ms);
        sink.gate.Set();
    });
    thr.reset();
    opener.join();
    EXPECT_EQ(sink.fullCalls, 1);
}

}  // namespace
}  // namespace velorix
