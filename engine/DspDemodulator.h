#pragma once

#include <atomic>

#include "DspBlock.h"
#include "DspFmSquelch.h"

namespace velorix {

// Demodulation modes by the mode buttons' index.
enum DemodMode : int {
    kDemodAm = 0,
    kDemodSam = 1,
    kDemodCw = 2,
    kDemodRtty = 3,
    kDemodUsb = 4,
    kDemodLsb = 5,
    kDemodFm = 6,
    kDemodDrm = 7,
    kDemodUser = 8,  // and every index above
};

// AM envelope detector, synchronous AM (carrier-tracking loop), FM
// discriminator with noise squelch, or pass-through for the modes that the
// frequency shifter after it demodulates. Real and imaginary part of the
// output carry the same audio value in AM, SAM and FM.
//
// Process runs on the acquisition worker. SetMode and ResetLock are called
// from the UI thread: they store atomically, clear the locked flag at once,
// and leave the state resets to the worker, which applies them before its
// next block. Restart runs the mode update directly (it runs on the chain's
// thread or under the chain lock).
class CDspDemodulator : public CDspBlock {
public:
    explicit CDspDemodulator(int capacity = 128, CFmSquelch* squelch = &CFmSquelch::Shared());

    void SetMode(int index);
    int Mode() const { return mode_.load(std::memory_order_relaxed); }
    // Clears the lock counter and the locked flag (on every tuning change).
    void ResetLock();

    // SAM carrier lock for the S-meter: 1 while the counter exceeds 3072.
    int Locked() const { return locked_.load(std::memory_order_relaxed); }
    int LockCounter() const { return counterOut_.load(std::memory_order_relaxed); }

    void Restart() override;
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspDemodulator"; }

    // Loop and detector state after the last block, for tests and diagnostics.
    double LoopPhase() const { return phi_; }
    double LoopIntegrator() const { return r_; }
    double Average() const { return m_; }
    double IntegralGain() const { return g2_; }
    double ProportionalGain() const { return g1_; }

    static constexpr double kAlpha = 0.06;
    static constexpr int kLockMax = 4192;
    static constexpr int kLockThreshold = 3072;

private:
    enum Pending : int { kNone = 0, kModeUpdate = 1, kLockReset = 2 };
    void ModeUpdate();
    void ApplyPending();
    void ProcessAm(double* out, const double* in, int count);
    void ProcessSam(double* out, const double* in, int count);
    void ProcessFm(double* out, const double* in, int count);

    CFmSquelch* squelch_;
    // Worker-owned state.
    double fmPrevI_ = 0.0;
    double fmPrevQ_ = 0.0;
    double phi_ = 0.0;
    double m_ = 0.0;
    double prevY_ = 0.0;
    double prevE_ = 0.0;
    double r_ = 0.0;
    double g2_;
    double g1_;
    double lockA_ = 0.0;
    double lockB_ = 0.0;
    int lockCounter_ = 0;

    std::atomic<int> mode_{kDemodUser};
    std::atomic<int> pending_{kNone};
    std::atomic<int> locked_{0};
    std::atomic<int> counterOut_{0};
};

}  // namespace velorix
