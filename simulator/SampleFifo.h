#pragma once

#include <cstdint>
#include <deque>

namespace velorix::sim {

// The receiver's sample FIFO, counted in frames. The FPGA writes frames
// 0, 1, 2, ... as the clock runs; the host takes them from the front. When the
// host reads late the FIFO holds up to `capacity` frames, and frames arriving
// while it is full are lost (the stream then jumps over them). Holds frame
// indices only: the samples are computed when they are read.
// Not thread-safe; the virtual receiver calls it under its own lock.
class SampleFifo {
public:
    struct Segment {
        uint64_t first;  // index of the first frame
        uint64_t count;
    };

    explicit SampleFifo(uint64_t capacityFrames = 0) : capacity_(capacityFrames) {}

    // Empties the FIFO and restarts the producer at frame 0.
    void Reset(uint64_t capacityFrames);

    // The producer has now made frames [0, producedTotal); accepts the new ones
    // while there is room and counts the rest as dropped.
    void ProduceUntil(uint64_t producedTotal);

    // Drops every frame the producer makes from now on up to `producedTotal`
    // (a fault that loses samples on purpose).
    void DropUntil(uint64_t producedTotal);

    uint64_t Held() const { return held_; }
    uint64_t Produced() const { return produced_; }
    uint64_t Dropped() const { return dropped_; }
    uint64_t Capacity() const { return capacity_; }

    // Index of the frame at the front; only meaningful when Held() > 0.
    uint64_t Front() const { return segments_.front().first; }

    // Takes up to `frames` frames from the front, calling visit(first, count) for
    // each run of consecutive indices. Returns the number taken.
    template <typename Visit>
    uint64_t Take(uint64_t frames, Visit&& visit) {
        uint64_t taken = 0;
        while (taken < frames && !segments_.empty()) {
            Segment& s = segments_.front();
            const uint64_t n = s.count < frames - taken ? s.count : frames - taken;
            visit(s.first, n);
            s.first += n;
            s.count -= n;
            taken += n;
            if (s.count == 0) segments_.pop_front();
        }
        held_ -= taken;
        return taken;
    }

private:
    void Append(uint64_t first, uint64_t count);

    uint64_t capacity_;
    uint64_t produced_ = 0;
    uint64_t held_ = 0;
    uint64_t dropped_ = 0;
    std::deque<Segment> segments_;
};

}  // namespace velorix::sim
