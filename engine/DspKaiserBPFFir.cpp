#include "DspKaiserBPFFir.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "DspMath.h"
#include "FirKernels.h"
#include "KaiserDesign.h"

namespace velorix {

namespace {
// Outputs per pass of Process; bounds the up-shift scratch.
constexpr int kPass = 256;

int CheckedTaps(int taps) {
    if (taps < 2 || taps % 2 != 0)
        throw std::invalid_argument("Kaiser band-pass: the tap count must be even");
    return taps;
}
}  // namespace

CDspKaiserBPFFir::CDspKaiserBPFFir(int capacity, int taps, double lower, double upper, double beta)
    : CDspFirCpxReal(capacity, CheckedTaps(taps), nullptr),
      live_(taps, 0.0),
      delayLength_(taps / 2),
      sinDelay_(delayLength_, 0.0),
      cosDelay_(delayLength_, 1.0),
      window_(taps),
      scratch_(taps),
      beta_(beta),
      upShift_(kPass) {
    coefficients_ = live_.data();
    KaiserWindow(taps_, beta_, window_.data());
    live_[taps_ / 2] = 1.0;  // kept only if the first band is impossible
    SetBand(lower, upper);
}

void CDspKaiserBPFFir::SetBand(double lower, double upper) {
    omegaL_ = lower * std::numbers::pi;
    omegaU_ = upper * std::numbers::pi;
    delta_ = omegaU_ - omegaL_;
    pendingOmegaC_ = omegaU_ + omegaL_;
    Redesign();
}

void CDspKaiserBPFFir::Redesign() {
    if (!KaiserLowPass(taps_, delta_, window_.data(), scratch_.data())) return;
    DspLockGuard guard(lock);
    std::copy(scratch_.begin(), scratch_.end(), live_.begin());
    omegaC_.store(pendingOmegaC_, std::memory_order_relaxed);
}

void CDspKaiserBPFFir::Process(void* dst, const void* src, int count) {
    // The window's newest samples are rotated where they lie: the buffer is
    // the block's own, and its history must keep them rotated.
    Cpx* x = static_cast<Cpx*>(const_cast<void*>(src));
    Cpx* y = static_cast<Cpx*>(dst);
    const double step = omegaC_.load(std::memory_order_relaxed);
    if (step != stepOmega_) {
        stepOmega_ = step;
        stepCos_ = std::cos(step);
        stepSin_ = std::sin(step);
    }
    const int newest = taps_ - 1;
    while (count > 0) {
        const int n = std::min(count, kPass);
        // The phasor is seeded from cos/sin once per pass and then stepped
        // by a complex multiply: over a pass of 256 samples it stays within
        // a few 1e-14 of cos/sin of the phase.
        double c = std::cos(theta_), s = std::sin(theta_);
        for (int i = 0; i < n; ++i) {
            Cpx& z = x[newest + i];
            z = Cpx(z.real() * c + z.imag() * s, z.imag() * c - z.real() * s);
            // Up-shift with the phase of delayLength_ samples earlier.
            upShift_[i] = Cpx(cosDelay_[delayIndex_], sinDelay_[delayIndex_]);
            cosDelay_[delayIndex_] = c;
            sinDelay_[delayIndex_] = s;
            if (++delayIndex_ == delayLength_) delayIndex_ = 0;
            const double nextC = c * stepCos_ - s * stepSin_;
            s = s * stepCos_ + c * stepSin_;
            c = nextC;
        }
        theta_ = AdvancePhase(theta_, n, step);
        FirConvolve(coefficients_, taps_, x, y, n);
        for (int i = 0; i < n; ++i) {
            const double cd = upShift_[i].real(), sd = upShift_[i].imag();
            const double yr = y[i].real(), yi = y[i].imag();
            y[i] = Cpx(yr * cd - yi * sd, yi * cd + yr * sd);
        }
        x += n;
        y += n;
        count -= n;
    }
}

}  // namespace velorix
