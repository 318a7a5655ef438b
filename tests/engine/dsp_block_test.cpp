#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DspCopy.h"
#include "DspDummy.h"
#include "TestBlocks.h"

namespace velorix {
namespace {

using test::TestRateBlock;
using test::TestSink;
using test::TestSource;

std::vector<Cpx> Ramp(size_t n, double first = 0.0) {
    std::vector<Cpx> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = Cpx(first + i, -(first + i));
    return v;
}

TEST(BlockChain, LargeBlocksFeedSmallBuffersInPieces) {
    TestSource src(1024);
    TestSink sink(64);
    src.Connect(&sink);
    src.PushRamp(1);
    EXPECT_EQ(sink.fullCalls, 16);
    ASSERT_EQ(sink.received.size(), 1024u);
    EXPECT_EQ(sink.received, Ramp(1024));
}

TEST(BlockChain, SmallBlocksFillALargeBufferOnceEvery512Runs) {
    TestSource src(64);
    TestSink sink(32768);
    src.Connect(&sink);
    src.PushRamp(511);
    EXPECT_EQ(sink.fullCalls, 0);
    src.PushRamp(1, 511 * 64);
    EXPECT_EQ(sink.fullCalls, 1);
    src.PushRamp(512, 512 * 64);
    EXPECT_EQ(sink.fullCalls, 2);
    EXPECT_EQ(sink.received, Ramp(1024 * 64));
}

TEST(BlockChain, UnevenCapacitiesKeepEverySampleInOrder) {
    TestSource src(1000);
    CDspDummy mid(333);
    TestSink sink(77);
    src.Connect(&mid);
    mid.Connect(&sink);
    src.PushRamp(231);  // 231000 samples: 693 full blocks of 333 = 2997 of 77, 231 left in mid
    EXPECT_EQ(sink.fullCalls, 2997);
    EXPECT_EQ(mid.Buffer().Fill(), 231);
    EXPECT_EQ(sink.received, Ramp(230769));
}

TEST(BlockChain, DroppedWhenTheConsumerIsMissing) {
    TestSource src(8, 3);
    src.PushRamp(1, 1.0);
    // The block went nowhere and the history is zero, not the block's tail.
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(src.Buffer().BaseAs<Cpx>()[i], Cpx(0, 0));
    EXPECT_EQ(src.Buffer().Fill(), 0);
}

TEST(BlockChain, DroppedAndHistoryZeroedWhenTheConsumerIsBusy) {
    TestSource src(8, 2);
    TestSink sink(8);
    src.Connect(&sink);
    src.PushRamp(1, 1.0);
    ASSERT_EQ(sink.fullCalls, 1);
    EXPECT_EQ(src.Buffer().BaseAs<Cpx>()[1], Cpx(8.0, -8.0));  // history kept after delivery
    sink.ready = 0;
    src.PushRamp(1, 100.0);
    EXPECT_EQ(sink.fullCalls, 1);
    EXPECT_EQ(src.Buffer().BaseAs<Cpx>()[0], Cpx(0, 0));
    EXPECT_EQ(src.Buffer().BaseAs<Cpx>()[1], Cpx(0, 0));
    sink.ready = 1;
    src.PushRamp(1, 200.0);
    EXPECT_EQ(sink.fullCalls, 2);
    // A pass-through with history 2 reads from the oldest history element:
    // after the drop the next block starts from silence, not from 7 and 8.
    ASSERT_EQ(sink.received.size(), 16u);
    EXPECT_EQ(sink.received[8], Cpx(0, 0));
    EXPECT_EQ(sink.received[9], Cpx(0, 0));
    EXPECT_EQ(sink.received[10], Cpx(200.0, -200.0));
    EXPECT_EQ(sink.received.back(), Cpx(205.0, -205.0));
}

TEST(BlockChain, ConsumerThatGoesBusyMidRunIsNotWrittenAgain) {
    // A 1024 block into a 256 consumer that turns busy after its first buffer.
    class OneShotSink : public TestSink {
    public:
        using TestSink::TestSink;
        void BufferFull() override {
            TestSink::BufferFull();
            ready = 0;
        }
    };
    TestSource src(1024);
    OneShotSink sink(256);
    src.Connect(&sink);
    src.PushRamp(1);
    EXPECT_EQ(sink.fullCalls, 1);
    EXPECT_EQ(sink.received, Ramp(256));
    EXPECT_EQ(sink.Buffer().Fill(), 0);
}

TEST(Splitter, SecondConsumerInsertsACopyAndThirdJoinsIt) {
    TestSource src(16);
    TestSink a(16), b(16), c(16);
    src.Connect(&a);
    EXPECT_EQ(src.downstream, &a);
    src.Connect(&b);
    ASSERT_NE(src.downstream, &a);
    ASSERT_EQ(src.downstream->IsSplitter(), 1);
    auto* copy = static_cast<CDspCopy*>(src.downstream);
    std::string name;
    EXPECT_EQ(copy->GetName(name), "CDspCopy");
    EXPECT_EQ(copy->Buffer().Capacity(), 16);
    EXPECT_EQ(copy->Buffer().History(), 0);
    src.Connect(&c);
    EXPECT_EQ(src.downstream, copy);  // passed through to the same splitter
    std::vector<CDspConsumer*> order(copy->Consumers().begin(), copy->Consumers().end());
    EXPECT_EQ(order, (std::vector<CDspConsumer*>{&c, &b, &a}));
}

TEST(Splitter, ServesTheLastConnectedFirstAndPassesDataUnchanged) {
    TestSource src(32);
    TestSink a(32), b(32);
    std::vector<int> log;
    a.tag = 1, b.tag = 2;
    a.orderLog = b.orderLog = &log;
    src.Connect(&a);
    src.Connect(&b);
    src.PushRamp(2);
    EXPECT_EQ(log, (std::vector<int>{2, 1, 2, 1}));
    EXPECT_EQ(a.received, Ramp(64));
    EXPECT_EQ(b.received, Ramp(64));
}

TEST(Splitter, SkipsABusyConsumerForThatBlockOnly) {
    TestSource src(32);
    TestSink a(32), b(32);
    src.Connect(&a);
    src.Connect(&b);
    b.ready = 0;
    src.PushRamp(1);
    b.ready = 1;
    src.PushRamp(1, 32.0);
    EXPECT_EQ(a.fullCalls, 2);
    EXPECT_EQ(b.fullCalls, 1);
    EXPECT_EQ(b.received, Ramp(32, 32.0));
}

TEST(Splitter, SharesTheProducersLock) {
    CDspLock lock;
    TestSource src(8);
    src.SetLock(&lock);
    TestSink a(8), b(8);
    src.Connect(&a);
    src.Connect(&b);
    EXPECT_EQ(a.lock, &lock);
    EXPECT_EQ(b.lock, &lock);
    EXPECT_EQ(static_cast<CDspCopy*>(src.downstream)->lock, &lock);
}

TEST(RatePropagation, RestartAtTheHeadReachesEveryBlockScaled) {
    TestSource src(64);
    TestRateBlock half(64, 1, 2);
    TestRateBlock quarter(64, 1, 4);
    TestRateBlock times8(64, 8, 1);
    TestSink sink(64), tap(64);
    src.Connect(&half);
    half.Connect(&quarter);
    quarter.Connect(&times8);
    times8.Connect(&sink);
    half.Connect(&tap);  // through a splitter
    src.SetRate(500.0);
    EXPECT_DOUBLE_EQ(half.rate, 500.0);
    EXPECT_DOUBLE_EQ(quarter.rate, 250.0);
    EXPECT_DOUBLE_EQ(times8.rate, 62.5);
    EXPECT_DOUBLE_EQ(sink.rate, 500.0);
    EXPECT_DOUBLE_EQ(tap.rate, 250.0);
}

TEST(RatePropagation, RestartClearsBuffersOnTheWay) {
    TestSource src(8, 2);
    CDspDummy mid(16);
    TestSink sink(8);
    src.Connect(&mid);
    mid.Connect(&sink);
    src.PushRamp(1, 1.0);  // half of mid's buffer
    ASSERT_EQ(mid.Buffer().Fill(), 8);
    src.SetRate(125.0);
    EXPECT_EQ(mid.Buffer().Fill(), 0);
    EXPECT_EQ(src.Buffer().BaseAs<Cpx>()[1], Cpx(0, 0));
}

TEST(BlockNames, DummyNamesItself) {
    CDspDummy d(4);
    std::string s = "old";
    EXPECT_EQ(&d.GetName(s), &s);
    EXPECT_EQ(s, "CDspDummy");
}

}  // namespace
}  // namespace velorix
