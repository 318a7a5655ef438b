#pragma once

#include <atomic>

#include "DspBlock.h"

namespace velorix {

// The last block before an audio output: applies the volume and turns complex
// samples into 16-bit stereo frames (real part left, imaginary part right).
// Process runs on the acquisition worker; SetLevel and SetMute are plain
// stores from the UI thread.
class CDspVolumeCtl : public CDspBlock {
public:
    explicit CDspVolumeCtl(int capacity = 512);

    // Volume in dB; 0 dB maps a sample of 1.0 to full scale (32767).
    void SetLevel(double levelDb);
    // Nonzero writes silence.
    void SetMute(int mute) { mute_.store(mute, std::memory_order_relaxed); }

    double GainFactor() const { return gain_.load(std::memory_order_relaxed); }
    int Muted() const { return mute_.load(std::memory_order_relaxed); }

    int GetOutputType() override { return kDspTypeStereo16; }
    // `dst` receives `count` StereoFrames from `count` complex samples.
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspVolumeCtl"; }

private:
    std::atomic<double> gain_{32767.0};
    std::atomic<int> mute_{0};
};

}  // namespace velorix
