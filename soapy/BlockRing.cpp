#include "BlockRing.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace velorix::soapy {

BlockRing::BlockRing(std::size_t slots, std::size_t slotBytes)
    : slots_(std::max<std::size_t>(slots, 2)) {
    for (auto& s : slots_)
        s.data.resize(slotBytes);
}

void BlockRing::Push(const std::uint8_t* block, std::size_t bytes) {
    const auto arrival = std::chrono::steady_clock::now();
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

BlockRing::Block BlockRing::Front(long timeoutUs) {
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    if (head_.load(std::memory_order_acquire) == tail) {
        std::unique_lock lock(wakeMutex_);
        const bool ready =
            wake_.wait_for(lock, std::chrono::microseconds(std::max(timeoutUs, 0L)),
                           [&] { return head_.load(std::memory_order_acquire) != tail; });
        if (!ready) return {};
    }
    const Slot& slot = slots_[tail % slots_.size()];
    return {slot.data.data(), slot.bytes, slot.gapBefore, slot.arrival};
}

void BlockRing::ClearGap() {
    slots_[tail_.load(std::memory_order_relaxed) % slots_.size()].gapBefore = false;
}

void BlockRing::Pop() {
    tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
}

void BlockRing::Clear() {
    head_.store(0);
    tail_.store(0);
    dropping_ = false;
    dropped_.store(0);
}

}  // namespace velorix::soapy
