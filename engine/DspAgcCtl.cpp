#include "DspAgcCtl.h"

#include <cmath>

#include "DspMath.h"

namespace velorix {

CDspAgcCtl::CDspAgcCtl(int capacity) : CDspBlock(kDspTypeComplex, capacity, 0) {}

void CDspAgcCtl::SetMode(int index) {
    double seconds = 0.3;
    int off = 1;
    switch (index) {
        case 0:
            seconds = 0.1, off = 0;
            break;
        case 1:
            seconds = 0.6, off = 0;
            break;
        case 2:
            seconds = 1.8, off = 0;
            break;
        default:
            break;
    }
    off_.store(off, std::memory_order_relaxed);
    if (rate == 0.0) return;
    const double coef = 1.0 / (rate * 1000.0 * seconds);
    avgCoef_.store(coef, std::memory_order_relaxed);
    decayCoef_.store(coef, std::memory_order_relaxed);
    pending_.fetch_or(kModeLevels, std::memory_order_release);
}

void CDspAgcCtl::Reset() {
    pending_.fetch_or(kReset, std::memory_order_release);
}

void CDspAgcCtl::ApplyPending() {
    const int what = pending_.exchange(kNone, std::memory_order_acquire);
    if (what & kModeLevels) {
        levelDb_ = -10.0;
        avgLevelDb_ = 1.0;
        peakLevelDb_ = 0.0;
    }
    if (what & kReset) {
        for (int k = 0; k < 4; ++k)
            delayI_[k] = delayQ_[k] = 0.0;
        avgLevelDb_ = -130.0;
        peakLevelDb_ = -130.0;
    }
    if (what != kNone) Publish();
}

void CDspAgcCtl::Publish() {
    avgOut_.store(avgLevelDb_, std::memory_order_relaxed);
    peakOut_.store(peakLevelDb_, std::memory_order_relaxed);
    levelOut_.store(levelDb_, std::memory_order_relaxed);
}

void CDspAgcCtl::Process(void* dst, const void* src, int count) {
    if (pending_.load(std::memory_order_relaxed) != kNone) ApplyPending();
    const double* in = static_cast<const double*>(src);
    double* out = static_cast<double*>(dst);
    const bool off = off_.load(std::memory_order_relaxed) != 0;
    const double avgCoef = avgCoef_.load(std::memory_order_relaxed);
    const double decayCoef = decayCoef_.load(std::memory_order_relaxed);
    double level = levelDb_;
    double avg = avgLevelDb_;
    double peak = -500.0;
    // Keep the delay line in registers for the block.
    double i0 = delayI_[0], i1 = delayI_[1], i2 = delayI_[2], i3 = delayI_[3];
    double q0 = delayQ_[0], q1 = delayQ_[1], q2 = delayQ_[2], q3 = delayQ_[3];
    for (int n = 0; n < count; ++n) {
        i3 = i2, i2 = i1, i1 = i0, i0 = in[2 * n];
        q3 = q2, q2 = q1, q1 = q0, q0 = in[2 * n + 1];
        const double o = AmplitudeToDb(std::sqrt(i0 * i0 + q0 * q0));
        avg = o * avgCoef + (1.0 - avgCoef) * avg;
        const double e = o - level;
        const double k = e > 0.0 ? e * kAttackSlope + kAttackBase : decayCoef;
        level += e * k;
        peak = level > peak ? level : peak;
        const double a = off ? kOffLevelDb : level;
        const double divisor = DbToAmplitude(a - kReferenceDb);
        out[2 * n] = i3 / divisor;
        out[2 * n + 1] = q3 / divisor;
    }
    delayI_[0] = i0, delayI_[1] = i1, delayI_[2] = i2, delayI_[3] = i3;
    delayQ_[0] = q0, delayQ_[1] = q1, delayQ_[2] = q2, delayQ_[3] = q3;
    levelDb_ = level;
    avgLevelDb_ = avg;
    if (count > 0) peakLevelDb_ = peak;
    Publish();
}

}  // namespace velorix
