// The receiver's sample FIFO: backlog up to its capacity, drops beyond it.
#include <gtest/gtest.h>

#include <vector>

#include "SampleFifo.h"

namespace velorix::sim {
namespace {

std::vector<SampleFifo::Segment> TakeAll(SampleFifo& f, uint64_t n) {
    std::vector<SampleFifo::Segment> runs;
    f.Take(n, [&](uint64_t first, uint64_t count) { runs.push_back({first, count}); });
    return runs;
}

TEST(SampleFifo, HoldsBacklogUpToCapacityAndDeliversItInOrder) {
    SampleFifo f;
    f.Reset(1000);
    f.ProduceUntil(400);
    f.ProduceUntil(1000);  // exactly full: nothing lost yet
    EXPECT_EQ(f.Held(), 1000u);
    EXPECT_EQ(f.Dropped(), 0u);
    const auto runs = TakeAll(f, 600);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].first, 0u);
    EXPECT_EQ(runs[0].count, 600u);
    EXPECT_EQ(f.Front(), 600u);
}

TEST(SampleFifo, FramesArrivingWhileFullAreLost) {
    SampleFifo f;
    f.Reset(1000);
    f.ProduceUntil(1250);  // 250 frames find no room
    EXPECT_EQ(f.Held(), 1000u);
    EXPECT_EQ(f.Dropped(), 250u);
    TakeAll(f, 300);       // room for 300 again
    f.ProduceUntil(1400);  // frames 1250..1399 fit
    EXPECT_EQ(f.Dropped(), 250u);
    const auto runs = TakeAll(f, 10000);
    // Frames 300..999 and then 1250..1399: the stream jumps over the lost ones.
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].first, 300u);
    EXPECT_EQ(runs[0].count, 700u);
    EXPECT_EQ(runs[1].first, 1250u);
    EXPECT_EQ(runs[1].count, 150u);
    EXPECT_EQ(f.Held(), 0u);
}

TEST(SampleFifo, DroppedOnPurposeAndReset) {
    SampleFifo f;
    f.Reset(100);
    f.ProduceUntil(10);
    f.DropUntil(30);
    f.ProduceUntil(35);
    EXPECT_EQ(f.Dropped(), 20u);
    const auto runs = TakeAll(f, 100);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[1].first, 30u);
    f.Reset(50);
    EXPECT_EQ(f.Held(), 0u);
    EXPECT_EQ(f.Produced(), 0u);
    EXPECT_EQ(f.Dropped(), 0u);
    EXPECT_EQ(f.Capacity(), 50u);
}

}  // namespace
}  // namespace velorix::sim
