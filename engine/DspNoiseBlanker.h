#pragma once

#include <atomic>

#include "DspBlock.h"

namespace velorix {

// Impulse blanker at the full input rate: replaces by zero every sample whose
// magnitude exceeds the threshold ratio times a slowly moving average of the
// magnitude (time constant 10,000 samples: 20 ms at 500 kHz). Switched off,
// it passes samples through unchanged.
//
// Threads: SetThreshold and SetEnabled are plain stores from the
// user-interface thread; the averaging state belongs to the streaming thread,
// which restarts it at its next block after the blanker is switched on.
class CDspNoiseBlanker : public CDspBlock {
public:
    static constexpr int kCapacity = 1024;
    // Threshold ratio of the default setting −130 (13 dB), used until
    // SetThreshold is first called.
    static constexpr double kDefaultSetting = -130.0;

    CDspNoiseBlanker();

    // setting: the stored slider value; ratio = 10^(−setting × 0.005), i.e.
    // −setting/10 dB as an amplitude ratio.
    void SetThreshold(double setting);
    // Non-zero = blanking on. Switching on with 1 restarts the average from 0,
    // so the first samples are blanked until it has risen.
    void SetEnabled(int enabled);

    void Process(void* dst, const void* src, int count) override;
    bool PassesThrough() override { return enabled_.load(std::memory_order_acquire) == 0; }
    std::string& GetName(std::string& name) override { return name = "CDspNoiseBlanker"; }

    double ThresholdRatio() const { return threshold_.load(std::memory_order_relaxed); }
    int IsEnabled() const { return enabled_.load(std::memory_order_relaxed); }
    // Smoothed magnitude; read it only from the streaming thread.
    double Average() const { return average_; }

private:
    double average_ = 0.0;
    double previousMagnitude_ = 0.0;
    double coefficient_ = 0.0001;
    std::atomic<int> enabled_{0};
    std::atomic<double> threshold_;
    std::atomic<bool> restartAverage_{false};
};

}  // namespace velorix
