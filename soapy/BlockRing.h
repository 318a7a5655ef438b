#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace velorix::soapy {

// The blocks of the library's reader thread on their way to readStream: a
// ring of fixed slots, one writer (the library's reader thread) and one
// reader (the stream's caller). The writer never waits: a block that finds
// the ring full is dropped, and the first block kept after a run of drops
// carries a gap mark, so the reader reports each gap exactly once, at the
// place in the stream where samples are missing. The reader waits for
// blocks in Wait(), outside any lock of its caller, so that control calls
// never queue behind a reader's time-out.
class BlockRing {
public:
    // `slots` slots of up to `slotBytes` bytes each.
    BlockRing(std::size_t slots, std::size_t slotBytes);

    // Writer side (the library's reader thread). Copies `bytes` bytes
    // (at most the slot size; a larger block is cut) and wakes the reader.
    // A null block was lost before it reached the ring: it counts as dropped.
    void Push(const std::uint8_t* block, std::size_t bytes);

    // Reader side. The oldest block, or null when none is ready; never
    // waits. `gapBefore` tells that blocks were dropped just before it. The
    // slot stays the reader's until Pop().
    struct Block {
        const std::uint8_t* data = nullptr;
        std::size_t bytes = 0;
        bool gapBefore = false;
        std::chrono::steady_clock::time_point arrival;  // when the writer handed it over
    };
    Block Front();
    // Waits until a block is ready (only with `forBlock`), Wake() was called
    // since `epoch` was read from Epoch(), or `until` passes.
    void Wait(std::uint64_t epoch, bool forBlock, std::chrono::steady_clock::time_point until);
    // Wakes every waiting reader: the state of the stream changed. Read
    // Epoch() under the same lock as that state before waiting, and no
    // wake-up is lost.
    void Wake();
    std::uint64_t Epoch() const { return epoch_.load(std::memory_order_acquire); }
    // When the writer last handed a block over (or the ring was cleared).
    std::chrono::steady_clock::time_point LastPush() const {
        return std::chrono::steady_clock::time_point(
            std::chrono::steady_clock::duration(lastPush_.load(std::memory_order_relaxed)));
    }
    // Clears the gap mark of the front block once it has been reported.
    void ClearGap();
    // Hands the front block's slot back to the writer.
    void Pop();

    // Empties the ring; only while no writer runs.
    void Clear();
    // Blocks dropped since construction (or Clear).
    std::uint64_t Dropped() const { return dropped_.load(std::memory_order_relaxed); }

private:
    struct Slot {
        std::vector<std::uint8_t> data;
        std::size_t bytes = 0;
        bool gapBefore = false;
        std::chrono::steady_clock::time_point arrival;
    };
    std::vector<Slot> slots_;
    std::atomic<std::size_t> head_{0};  // next slot the writer fills (count, not index)
    std::atomic<std::size_t> tail_{0};  // next slot the reader takes
    bool dropping_ = false;             // writer only
    std::atomic<std::uint64_t> dropped_{0};
    std::atomic<std::uint64_t> epoch_{0};
    std::atomic<std::chrono::steady_clock::rep> lastPush_{0};
    std::mutex wakeMutex_;
    std::condition_variable wake_;
};

}  // namespace velorix::soapy
