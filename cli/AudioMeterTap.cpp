#include "AudioMeterTap.h"

#include <cstring>

namespace velorix {

AudioMeterTap::AudioMeterTap(int periodFrames, double rateHz, std::function<void(double)> tick)
    : CDspBlock(kDspTypeStereo16, 512, 0),
      period_(periodFrames > 0 ? periodFrames : 1),
      rateHz_(rateHz),
      tick_(std::move(tick)) {}

void AudioMeterTap::Process(void* dst, const void* src, int count) {
    std::memcpy(dst, src, static_cast<size_t>(count) * sizeof(StereoFrame));
    const std::uint64_t first = frames_.load(std::memory_order_relaxed);
    const std::uint64_t end = first + static_cast<std::uint64_t>(count);
    // A tick at every multiple of the period that this block reaches.
    for (std::uint64_t mark = (first / period_ + 1) * period_; mark <= end; mark += period_)
        if (tick_) tick_(static_cast<double>(mark) / rateHz_);
    frames_.store(end, std::memory_order_relaxed);
}

}  // namespace velorix
