#include "DspTabFreqShift.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

#include "DspMath.h"

namespace velorix {

namespace {

int CheckedCapacity(int capacity, const double* cosTable, const double* sinTable, int tableSize) {
    if (cosTable == nullptr || sinTable == nullptr || tableSize < 1)
        throw std::invalid_argument("table frequency shifter: tables missing");
    return capacity;
}

}  // namespace

CDspTabFreqShift::CDspTabFreqShift(int capacity, const double* cosTable, const double* sinTable,
                                   int tableSize, int realOutput)
    : CDspFreqShift(CheckedCapacity(capacity, cosTable, sinTable, tableSize), realOutput) {
    consumesInPlace_ = true;
}

void CDspTabFreqShift::PrepareSteps(double omega) {
    for (int k = 0; k < kRotateLanes; ++k) {
        steps_.re[k] = std::cos(k * omega);
        steps_.im[k] = std::sin(k * omega);
    }
    steps_.stepRe = std::cos(kRotateLanes * omega);
    steps_.stepIm = std::sin(kRotateLanes * omega);
    stepsOmega_ = omega;
}

void CDspTabFreqShift::Process(void* dst, const void* src, int count) {
    const double omega = BeginBlock();
    const Cpx* x = static_cast<const Cpx*>(src);
    Cpx* y = static_cast<Cpx*>(dst);
    const bool real = realOutput_.load(std::memory_order_relaxed) != 0;
    if (omega == 0.0) {
        // No shift: φ is 0, and the phasor is exactly 1.
        if (real)
            std::transform(x, x + count, y, [](Cpx z) { return Cpx(z.real(), z.real()); });
        else if (x != y)
            std::copy(x, x + count, y);
        return;
    }
    if (omega != stepsOmega_) PrepareSteps(omega);
    RotatePhasors p = steps_;
    double phi = phase_;
    for (int done = 0; done < count;) {
        const int n = std::min(kReseedSamples, count - done);
        const double c = std::cos(phi), s = std::sin(phi);
        for (int k = 0; k < kRotateLanes; ++k) {
            p.re[k] = c * steps_.re[k] - s * steps_.im[k];
            p.im[k] = s * steps_.re[k] + c * steps_.im[k];
        }
        Rotate(x + done, y + done, n, p, real);
        phi = AdvancePhase(phi, n, omega);
        done += n;
    }
    phase_ = phi;
}

}  // namespace velorix
