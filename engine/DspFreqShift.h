#pragma once

#include <atomic>

#include "DspBlock.h"

namespace velorix {

// Frequency shifter: multiplies the complex stream by the phasor e^{jφ},
// φ advancing by ω per sample, which moves the spectrum up by the sum of the
// tune and mode offsets. With real output only the real part is kept and
// written to both halves of each output sample.
//
// Threads: the offset setters run on the user-interface thread without the
// chain lock; Process runs on the streaming thread. ω is handed over through
// an atomic, and φ belongs to the streaming thread alone.
class CDspFreqShift : public CDspBlock {
public:
    // capacity ≥ 1 samples per block; realOutput 1 for real output, 0 complex.
    // Throws std::invalid_argument for a capacity below 1.
    CDspFreqShift(int capacity, int realOutput);

    void SetModeOffset(double offsetHz);
    void SetTuneOffset(double offsetHz);
    double GetTuneOffset() const { return tuneOffsetHz_.load(std::memory_order_relaxed); }
    double GetModeOffset() const { return modeOffsetHz_.load(std::memory_order_relaxed); }
    void SetRealOutput(int realOutput) { realOutput_.store(realOutput, std::memory_order_relaxed); }

    // Rescales ω to the new rate, then clears and passes the rate on.
    void Restart() override;
    // count samples in, count out.
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspFreqShift"; }

    // ω in radians per sample, 0 ≤ ω < 2π.
    double Increment() const { return omega_.load(std::memory_order_relaxed); }
    // φ in radians; read it only from the streaming thread.
    double Phase() const { return phase_; }

protected:
    // Recomputes ω from the offsets and the input rate (kHz).
    void UpdateIncrement();
    // Loads ω for one block and restarts φ from 0 when the shift is off.
    double BeginBlock();

    std::atomic<int> realOutput_;
    std::atomic<double> tuneOffsetHz_{0.0};
    double phase_ = 0.0;
    std::atomic<double> omega_{0.0};
    std::atomic<double> modeOffsetHz_{0.0};
};

}  // namespace velorix
