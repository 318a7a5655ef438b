#include "SampleFifo.h"

namespace velorix::sim {

void SampleFifo::Reset(uint64_t capacityFrames) {
    capacity_ = capacityFrames;
    produced_ = 0;
    held_ = 0;
    dropped_ = 0;
    segments_.clear();
}

void SampleFifo::Append(uint64_t first, uint64_t count) {
    if (count == 0) return;
    if (!segments_.empty()) {
        Segment& last = segments_.back();
        if (last.first + last.count == first) {
            last.count += count;
            held_ += count;
            return;
        }
    }
    segments_.push_back({first, count});
    held_ += count;
}

void SampleFifo::ProduceUntil(uint64_t producedTotal) {
    if (producedTotal <= produced_) return;
    const uint64_t fresh = producedTotal - produced_;
    const uint64_t room = capacity_ > held_ ? capacity_ - held_ : 0;
    const uint64_t accepted = fresh < room ? fresh : room;
    Append(produced_, accepted);
    dropped_ += fresh - accepted;
    produced_ = producedTotal;
}

void SampleFifo::DropUntil(uint64_t producedTotal) {
    if (producedTotal <= produced_) return;
    dropped_ += producedTotal - produced_;
    produced_ = producedTotal;
}

}  // namespace velorix::sim
