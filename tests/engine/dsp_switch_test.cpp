#include <gtest/gtest.h>

#include <string>

#include "DspDummy.h"
#include "DspSwitch.h"
#include "RecordingNotifier.h"
#include "TestBlocks.h"

namespace velorix {
namespace {

using test::RecordingNotifier;
using test::TestRateBlock;
using test::TestSink;
using test::TestSource;

struct SwitchedChain : ::testing::Test {
    SwitchedChain() : src(64), sw(kDspTypeComplex, 2, &notes), half(64, 1, 2), a(64), b(64) {
        src.Connect(&sw);
        sw.SetOutput(0, &half);
        half.Connect(&a);
        sw.SetOutput(1, &b);
    }
    RecordingNotifier notes;
    TestSource src;
    CDspSwitch sw;
    TestRateBlock half;
    TestSink a, b;
};

TEST_F(SwitchedChain, OnlyTheSelectedPathLearnsTheRate) {
    sw.Select(0);
    src.SetRate(250.0);
    EXPECT_DOUBLE_EQ(half.rate, 250.0);
    EXPECT_DOUBLE_EQ(a.rate, 125.0);
    EXPECT_EQ(b.rateCalls, 0);
    sw.Select(1);
    EXPECT_DOUBLE_EQ(b.rate, 250.0);
    EXPECT_EQ(b.rateCalls, 1);
}

TEST_F(SwitchedChain, DataFollowsTheSelection) {
    sw.Select(1);
    src.PushRamp(2);
    EXPECT_EQ(b.fullCalls, 2);
    EXPECT_EQ(a.fullCalls, 0);
    sw.Select(0);
    src.PushRamp(1, 128.0);
    EXPECT_EQ(a.fullCalls, 1);
    EXPECT_EQ(a.received.front(), Cpx(128.0, -128.0));
    EXPECT_EQ(b.fullCalls, 2);
}

TEST_F(SwitchedChain, NewlySelectedOutputStartsEmpty) {
    sw.Select(1);
    src.PushRamp(1);
    // Leave stale data in output 0's buffer, then select it.
    b.Buffer().AdvanceWrite(5);
    half.Buffer().AdvanceWrite(7);
    sw.Select(0);
    EXPECT_EQ(half.Buffer().Fill(), 0);
    EXPECT_DOUBLE_EQ(half.rate, sw.rate);
}

TEST_F(SwitchedChain, SelectingTheCurrentOutputChangesNothing) {
    src.SetRate(500.0);
    sw.Select(1);
    const int rateCalls = b.rateCalls;
    b.Buffer().AdvanceWrite(9);
    sw.Select(1);
    EXPECT_EQ(b.Buffer().Fill(), 9);
    EXPECT_EQ(b.rateCalls, rateCalls);
}

TEST_F(SwitchedChain, OutOfRangeSelectionIsIgnored) {
    sw.Select(1);
    sw.Select(2);
    sw.Select(-1);
    EXPECT_EQ(sw.GetCurrentOutput(), 1);
}

TEST_F(SwitchedChain, NoSelectionReportsNullConsumerOnceAndDropsTheData) {
    src.PushRamp(3);
    ASSERT_EQ(notes.Notices().size(), 1u);
    EXPECT_EQ(notes.Notices()[0].text, "DspSwitch");
    EXPECT_EQ(notes.Notices()[0].caption, "Null Consumer");
    EXPECT_EQ(a.fullCalls + b.fullCalls, 0);
    sw.Select(1);
    src.PushRamp(1);
    EXPECT_EQ(b.fullCalls, 1);
    EXPECT_EQ(notes.Notices().size(), 1u);
}

TEST_F(SwitchedChain, BusySelectedOutputMakesTheUpstreamDrop) {
    sw.Select(1);
    b.ready = 0;
    src.PushRamp(2);  // must return: no spinning on a full buffer
    EXPECT_EQ(b.fullCalls, 0);
    EXPECT_EQ(b.Buffer().Fill(), 0);
    b.ready = 1;
    src.PushRamp(1, 500.0);
    EXPECT_EQ(b.fullCalls, 1);
    EXPECT_EQ(b.received.front(), Cpx(500.0, -500.0));
}

TEST_F(SwitchedChain, OutputsShareTheSwitchLock) {
    CDspLock lock;
    CDspSwitch sw2(kDspTypeComplex, 2);
    sw2.SetLock(&lock);
    TestSink x(8);
    sw2.SetOutput(1, &x);
    EXPECT_EQ(x.lock, &lock);
    std::string name;
    EXPECT_EQ(sw2.GetName(name), "CDspSwitch");
    EXPECT_EQ(sw2.Buffer().Capacity(), 1);
}

TEST(SwitchMerge, TwoPathsMayMergeIntoOneConsumer) {
    TestSource src(32);
    CDspSwitch sw(kDspTypeComplex, 2);
    CDspDummy p0(32), p1(16);
    TestSink out(32);
    src.Connect(&sw);
    sw.SetOutput(0, &p0);
    sw.SetOutput(1, &p1);
    p0.Connect(&out);
    p1.Connect(&out);
    sw.Select(0);
    src.PushRamp(1);
    sw.Select(1);
    src.PushRamp(1, 32.0);
    EXPECT_EQ(out.fullCalls, 2);
    EXPECT_EQ(out.received.back(), Cpx(63.0, -63.0));
}

}  // namespace
}  // namespace velorix
