#include "BlockRing.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace velorix::soapy {

BlockRing::BlockRing(std::size_t slots, std::size_t slotBytes)
    : slots_(std::max<std::size_t>(slots, 2)) {
    for (auto& s : slots_)
        s.data.resize(slotBytes);
    Clear();
}

void BlockRing::Push(const std::uint8_t* block, std::size_t bytes) {
    const auto arrival = std::chrono::steady_clock::now();
    lastPush_.store(arrival.time_since_epoch().count(), std::memory_order_relaxed);
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (block == nullptr || head - tail_.load(std::memory_order_acquire) >= slots_.size()) {
        dropping_ = true;
        dropped_.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    Slot& slot = slots_[head % slots_.size()];
    slot.bytes = std::min(bytes, slot.data.size());
    std::memcpy(slot.data.data(), block, slot.bytes);
    slot.gapBefore = dropping_;
    slot.arrival = arrival;
    dropping_ = false;
    {
        // Taken only for the hand-over, so the reader cannot miss the wake-up.
        std::lock_guard lock(wakeMutex_);
        head_.store(head + 1, std::memory_order_release);
    }
    wake_.notify_one();
}

BlockRing::Block BlockRing::Front() {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (head_.load(std::memory_order_acquire) == tail) return {};
    const Slot& slot = slots_[tail % slots_.size()];
    return {slot.data.data(), slot.bytes, slot.gapBefore, slot.arrival};
}

void BlockRing::Wait(std::uint64_t epoch, bool forBlock,
                     std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(wakeMutex_);
    wake_.wait_until(lock, until, [&] {
        return epoch_.load(std::memory_order_acquire) != epoch ||
               (forBlock &&
                head_.load(std::memory_order_acquire) != tail_.load(std::memory_order_relaxed));
    });
}

void BlockRing::Wake() {
    {
        std::lock_guard lock(wakeMutex_);
        epoch_.fetch_add(1, std::memory_order_release);
    }
    wake_.notify_all();
}

void BlockRing::ClearGap() {
    slots_[tail_.load(std::memory_order_relaxed) % slots_.size()].gapBefore = false;
}

void BlockRing::Pop() {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    // A slot handed out before a Clear() is no longer the reader's.
    if (head_.load(std::memory_order_acquire) == tail) return;
    tail_.store(tail + 1, std::memory_order_release);
}

void BlockRing::Clear() {
    head_.store(0);
    tail_.store(0);
    dropping_ = false;
    dropped_.store(0);
    lastPush_.store(std::chrono::steady_clock::now().time_since_epoch().count());
}

}  // namespace velorix::soapy
