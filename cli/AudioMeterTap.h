#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "DspBlock.h"

namespace velorix {

// Sits between the volume block and the first audio output and passes the
// 16-bit stereo frames on unchanged. Every `periodFrames` frames it calls
// `tick` with the signal time reached, so the headless receiver can read
// the S-meter at exact signal times whether the chain runs in real time or
// as fast as the machine allows. Runs on the chain's thread.
class AudioMeterTap : public CDspBlock {
public:
    AudioMeterTap(int periodFrames, double rateHz, std::function<void(double seconds)> tick);

    int GetOutputType() override { return kDspTypeStereo16; }
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "AudioMeterTap"; }

    // Frames passed so far; read from any thread.
    std::uint64_t Frames() const { return frames_.load(std::memory_order_relaxed); }

private:
    int period_;
    double rateHz_;
    std::function<void(double)> tick_;
    std::atomic<std::uint64_t> frames_{0};  // written by the chain's thread only
};

}  // namespace velorix
