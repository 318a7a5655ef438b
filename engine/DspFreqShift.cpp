#include "DspFreqShift.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "DspMath.h"

namespace velorix {

namespace {
int CheckedCapacity(int capacity) {
    if (capacity < 1) throw std::invalid_argument("frequency shifter: capacity must be at least 1");
    return capacity;
}
}  // namespace

CDspFreqShift::CDspFreqShift(int capacity, int realOutput)
    : CDspBlock(kDspTypeComplex, CheckedCapacity(capacity), 0), realOutput_(realOutput) {}

void CDspFreqShift::SetModeOffset(double offsetHz) {
    modeOffsetHz_.store(offsetHz, std::memory_order_relaxed);
    UpdateIncrement();
}

void CDspFreqShift::SetTuneOffset(double offsetHz) {
    tuneOffsetHz_.store(offsetHz, std::memory_order_relaxed);
    UpdateIncrement();
}

void CDspFreqShift::UpdateIncrement() {
    double omega = 0.0;
    if (rate != 0.0) omega = kTwoPi * (GetTuneOffset() + GetModeOffset()) / (rate * 1000.0);
    // Keep 0 ≤ ω < 2π: a negative shift becomes the equivalent rotation in
    // (π, 2π), a multiple of the rate becomes no shift at all.
    omega = std::fmod(omega, kTwoPi);
    if (omega < 0.0) omega += kTwoPi;
    if (!(omega < kTwoPi)) omega = 0.0;  // -tiny + 2π rounds to 2π; NaN offsets: no shift
    omega_.store(omega, std::memory_order_relaxed);
}

double CDspFreqShift::BeginBlock() {
    const double omega = Increment();
    if (omega == 0.0) phase_ = 0.0;
    return omega;
}

void CDspFreqShift::Restart() {
    UpdateIncrement();
    if (Increment() == 0.0) phase_ = 0.0;  // Restart runs under the chain lock
    CDspBlock::Restart();
}

void CDspFreqShift::Process(void* dst, const void* src, int count) {
    const double omega = BeginBlock();
    const Cpx* x = static_cast<const Cpx*>(src);
    Cpx* y = static_cast<Cpx*>(dst);
    const bool real = realOutput_.load(std::memory_order_relaxed) != 0;
    double phi = phase_;
    for (int i = 0; i < count; ++i) {
        const double c = std::cos(phi), s = std::sin(phi);
        const double re = x[i].real(), im = x[i].imag();
        const double outRe = re * c - im * s;
        y[i] = real ? Cpx(outRe, outRe) : Cpx(outRe, re * s + im * c);
        phi = std::fmod(phi + omega, kTwoPi);
    }
    phase_ = phi;
}

}  // namespace velorix
