#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "BlockRing.h"

namespace velorix::soapy {
namespace {

std::vector<std::uint8_t> Numbered(std::uint8_t n) {
    return std::vector<std::uint8_t>(12, n);
}

TEST(BlockRing, OneGapMarkPerRunOfDroppedBlocks) {
    BlockRing ring(4, 12);
    for (std::uint8_t n = 0; n < 10; ++n)
        ring.Push(Numbered(n).data(), 12);  // 0-3 kept, 4-9 dropped
    EXPECT_EQ(ring.Dropped(), 6u);
    ring.Pop();
    ring.Pop();
    ring.Push(Numbered(10).data(), 12);  // kept after the run: marked
    ring.Push(Numbered(11).data(), 12);  // kept: no mark
    ring.Push(Numbered(12).data(), 12);  // dropped: a second run
    ring.Pop();
    ring.Push(Numbered(13).data(), 12);  // marked again
    ring.Pop();
    ring.Push(nullptr, 12);              // lost before the ring: a run of its own
    ring.Push(Numbered(14).data(), 12);  // marked

    std::vector<int> order, gaps;
    for (auto b = ring.Front(); b.data != nullptr; b = ring.Front()) {
        order.push_back(b.data[0]);
        if (b.gapBefore) gaps.push_back(b.data[0]);
        ring.Pop();
    }
    EXPECT_EQ(order, (std::vector<int>{10, 11, 13, 14}));
    EXPECT_EQ(gaps, (std::vector<int>{10, 13, 14}));
    EXPECT_EQ(ring.Dropped(), 8u);
}

TEST(BlockRing, WaitEndsAtABlockAWakeOrItsDeadline) {
    using Clock = std::chrono::steady_clock;
    BlockRing ring(256, 12);
    const auto start = Clock::now();
    ring.Wait(ring.Epoch(), true, start + std::chrono::milliseconds(30));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(30));
    EXPECT_EQ(ring.Front().data, nullptr);

    // A wake ends a wait that no block would end, and only one that began
    // before it: a reader that read the epoch first never misses it.
    const auto epoch = ring.Epoch();
    std::thread waker([&] { ring.Wake(); });
    ring.Wait(epoch, false, Clock::now() + std::chrono::hours(1));
    waker.join();
    EXPECT_EQ(ring.Epoch(), epoch + 1);

    std::thread writer([&] {
        for (std::uint8_t n = 0; n < 200; ++n) {
            ring.Push(Numbered(n).data(), 12);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    int expected = 0;
    int gaps = 0;
    while (expected < 200) {
        auto b = ring.Front();
        if (b.data == nullptr) {
            ring.Wait(ring.Epoch(), true, Clock::now() + std::chrono::hours(1));
            continue;
        }
        gaps += b.gapBefore;
        expected = b.data[11] + 1;
        ring.Pop();
    }
    writer.join();
    EXPECT_EQ(ring.Dropped(), 0u);
    EXPECT_EQ(gaps, 0);
    // A slot handed back after the ring was emptied is not popped twice.
    ring.Clear();
    ring.Pop();
    ring.Push(Numbered(7).data(), 12);
    ASSERT_NE(ring.Front().data, nullptr);
    EXPECT_EQ(ring.Front().data[0], 7);
}

}  // namespace
}  // namespace velorix::soapy
