#include "DspDemodulator.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "DspMath.h"

namespace velorix {
namespace {

// The SAM loop is designed for 100 Hz at any rate: t = tan(pi * 0.1 kHz / rate).
void LoopGains(double rateKHz, double& g1, double& g2) {
    const double t = std::tan(0.1 * kPi / rateKHz);
    g2 = 4.0 * t * t;
    g1 = 5.656 * t;
}

}  // namespace

CDspDemodulator::CDspDemodulator(int capacity, CFmSquelch* squelch)
    : CDspBlock(kDspTypeComplex, capacity, 0), squelch_(squelch) {
    // Until a rate is known the gains are those of a 12 kHz rate, t = tan(pi/120).
    LoopGains(12.0, g1_, g2_);
}

void CDspDemodulator::SetMode(int index) {
    mode_.store(index, std::memory_order_relaxed);
    locked_.store(0, std::memory_order_relaxed);
    pending_.fetch_or(kModeUpdate, std::memory_order_release);
}

void CDspDemodulator::ResetLock() {
    locked_.store(0, std::memory_order_relaxed);
    counterOut_.store(0, std::memory_order_relaxed);
    pending_.fetch_or(kLockReset, std::memory_order_release);
}

void CDspDemodulator::ModeUpdate() {
    locked_.store(0, std::memory_order_relaxed);
    switch (mode_.load(std::memory_order_relaxed)) {
        case kDemodAm:
            m_ = 0.0;
            break;
        case kDemodSam:
            // The loop phase keeps its value: a re-selected SAM pulls in from where it was.
            m_ = lockA_ = lockB_ = prevY_ = prevE_ = r_ = 0.0;
            lockCounter_ = 0;
            counterOut_.store(0, std::memory_order_relaxed);
            // A block whose rate is not known yet keeps its gains: tan(pi/0)
            // would poison the loop with NaN.
            if (rate > 0.0) LoopGains(rate, g1_, g2_);
            break;
        case kDemodFm:
            fmPrevI_ = fmPrevQ_ = 0.0;
            break;
        default:
            break;
    }
}

void CDspDemodulator::ApplyPending() {
    const int what = pending_.exchange(kNone, std::memory_order_acquire);
    if (what & kModeUpdate) ModeUpdate();
    if (what & kLockReset) lockCounter_ = 0;
}

void CDspDemodulator::Restart() {
    pending_.fetch_and(~kModeUpdate, std::memory_order_acq_rel);
    ModeUpdate();
    CDspBlock::Restart();
}

void CDspDemodulator::Process(void* dst, const void* src, int count) {
    if (pending_.load(std::memory_order_relaxed) != kNone) ApplyPending();
    const double* in = static_cast<const double*>(src);
    double* out = static_cast<double*>(dst);
    switch (mode_.load(std::memory_order_relaxed)) {
        case kDemodAm:
            ProcessAm(out, in, count);
            break;
        case kDemodSam:
            ProcessSam(out, in, count);
            break;
        case kDemodFm:
            ProcessFm(out, in, count);
            break;
        default:
            if (count > 0 && dst != src)
                std::memmove(dst, src, static_cast<size_t>(count) * sizeof(Cpx));
            break;
    }
}

void CDspDemodulator::ProcessAm(double* out, const double* in, int count) {
    double m = m_;
    for (int n = 0; n < count; ++n) {
        const double i = in[2 * n], q = in[2 * n + 1];
        const double a = std::sqrt(i * i + q * q);
        m = (1.0 - kAlpha) * m + kAlpha * a;
        out[2 * n] = out[2 * n + 1] = a - m;
    }
    m_ = m;
}

void CDspDemodulator::ProcessSam(double* out, const double* in, int count) {
    double phi = phi_, m = m_, a = lockA_, b = lockB_, prevY = prevY_, prevE = prevE_, r = r_;
    const double g1 = g1_, g2 = g2_;
    int counter = lockCounter_;
    for (int n = 0; n < count; ++n) {
        const double i = in[2 * n], q = in[2 * n + 1];
        const double c = std::cos(phi), s = std::sin(phi);
        const double x = i * c - q * s;   // in phase with the loop oscillator
        const double y = -i * s - q * c;  // quadrature: the phase error
        m = kAlpha * x + (1.0 - kAlpha) * m;
        out[2 * n] = out[2 * n + 1] = x - m;
        a = x + 0.999 * a;
        b = y + 0.999 * b;
        if (-a < b && b < a) {
            if (counter < kLockMax) ++counter;
        } else if (counter > 0) {
            --counter;
        }
        const double e = y + prevY;
        prevY = y;
        const double sum = e + prevE;
        prevE = e;
        r += g2 * sum;
        const double omega = g1 * e + r;
        phi = std::fmod(phi + omega, kTwoPi);
    }
    phi_ = phi, m_ = m, lockA_ = a, lockB_ = b, prevY_ = prevY, prevE_ = prevE, r_ = r;
    lockCounter_ = counter;
    counterOut_.store(counter, std::memory_order_relaxed);
    locked_.store(counter > kLockThreshold ? 1 : 0, std::memory_order_relaxed);
}

void CDspDemodulator::ProcessFm(double* out, const double* in, int count) {
    double prevI = fmPrevI_, prevQ = fmPrevQ_;
    CFmSquelch& squelch = *squelch_;
    for (int n = 0; n < count; ++n) {
        const double i = in[2 * n], q = in[2 * n + 1];
        const double r = std::sqrt(i * i + q * q);
        if (!(r > 0.0)) {
            // No phase to compare: silence, and the next sample is compared
            // with the last one that had a phase.
            out[2 * n] = out[2 * n + 1] = 0.0;
            continue;
        }
        const double in_ = i / r, qn = q / r;
        const double d = 0.25 * (qn * prevI - in_ * prevQ);  // 0.25 sin(phase step)
        const double v = squelch.Update(d) ? 0.0 : d;
        out[2 * n] = out[2 * n + 1] = v;
        prevI = in_;
        prevQ = qn;
    }
    fmPrevI_ = prevI, fmPrevQ_ = prevQ;
}

}  // namespace velorix
