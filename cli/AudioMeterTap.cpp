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
    std::uint64_t frames = frames_.load(std::memory_order_relaxed);
    for (int i = 0; i < count; ++i) {
        if (++frames % period_ == 0 && tick_) tick_(static_cast<double>(frames) / rateHz_);
    }
    frames_.store(frames, std::memory_order_relaxed);
}

}  // namespace velorix
