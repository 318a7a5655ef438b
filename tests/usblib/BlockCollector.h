#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "TestSignal.h"

namespace velorix::test {

// Callback target for StartAsyncInput: checks that every block holds
// consecutive frame counters and keeps the first counter of each block.
class BlockCollector {
public:
    explicit BlockCollector(int blockBytes) : frames_(blockBytes / 6) {}

    static void Callback(unsigned char* block, void* user) {
        auto* self = static_cast<BlockCollector*>(user);
        if (block != nullptr)
            self->Take(block);
        else
            ++self->lost_;
    }

    void Take(const uint8_t* block) {
        if (stopped_) ++afterStop_;
        const uint32_t first = sim::test_signal::DecodeCounter(block);
        for (int i = 1; i < frames_; ++i)
            if (sim::test_signal::CounterStep(
                    first, sim::test_signal::DecodeCounter(block + 6 * i)) != uint32_t(i)) {
                ++broken_;
                break;
            }
        std::lock_guard lock(mutex_);
        firsts_.push_back(first);
    }

    // Called right after StopAsyncInput returned: any later block is a fault.
    void MarkStopped() { stopped_ = true; }

    int Frames() const { return frames_; }
    int Blocks() const {
        std::lock_guard lock(mutex_);
        return int(firsts_.size());
    }
    int Broken() const { return broken_; }
    // Blocks the library told lost (a null block).
    int Lost() const { return lost_; }
    int AfterStop() const { return afterStop_; }
    std::vector<uint32_t> Firsts() const {
        std::lock_guard lock(mutex_);
        return firsts_;
    }
    // Frames between the starts of consecutive blocks.
    std::vector<uint32_t> Steps() const {
        const std::vector<uint32_t> f = Firsts();
        std::vector<uint32_t> steps;
        for (size_t i = 1; i < f.size(); ++i)
            steps.push_back(sim::test_signal::CounterStep(f[i - 1], f[i]));
        return steps;
    }
    // The steps that are not one block: where the stream has a gap.
    std::vector<uint32_t> OddSteps() const {
        std::vector<uint32_t> odd;
        for (uint32_t s : Steps())
            if (s != uint32_t(frames_)) odd.push_back(s);
        return odd;
    }

private:
    const int frames_;
    mutable std::mutex mutex_;
    std::vector<uint32_t> firsts_;
    std::atomic<int> broken_{0};
    std::atomic<int> lost_{0};
    std::atomic<bool> stopped_{false};
    std::atomic<int> afterStop_{0};
};

}  // namespace velorix::test
