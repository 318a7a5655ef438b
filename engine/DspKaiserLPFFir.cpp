#include "DspKaiserLPFFir.h"

#include <algorithm>
#include <numbers>
#include <stdexcept>

#include "KaiserDesign.h"

namespace velorix {

namespace {
int CheckedTaps(int taps) {
    if (taps < 2) throw std::invalid_argument("Kaiser low-pass: at least two taps");
    return taps;
}
}  // namespace

CDspKaiserLPFFir::CDspKaiserLPFFir(int capacity, int taps, double cutoff, double beta)
    : CDspFirCpxReal(capacity, CheckedTaps(taps), nullptr),
      live_(taps, 0.0),
      window_(taps),
      scratch_(taps),
      omegaC_(cutoff * std::numbers::pi),
      beta_(beta) {
    coefficients_ = live_.data();
    KaiserWindow(taps_, beta_, window_.data());
    // An impossible first design leaves a pass-through of the middle tap.
    live_[taps_ / 2] = 1.0;
    Redesign();
}

void CDspKaiserLPFFir::SetCutoff(double cutoff) {
    omegaC_ = cutoff * std::numbers::pi;
    Redesign();
}

void CDspKaiserLPFFir::Redesign() {
    if (!KaiserLowPass(taps_, omegaC_, window_.data(), scratch_.data())) return;
    DspLockGuard guard(lock);
    std::copy(scratch_.begin(), scratch_.end(), live_.begin());
}

}  // namespace velorix
