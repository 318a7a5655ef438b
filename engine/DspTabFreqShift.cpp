#include "DspTabFreqShift.h"

#include <cmath>
#include <numbers>
#include <stdexcept>

#include "DspMath.h"

namespace velorix {

namespace {

int CheckedTableSize(const double* cosTable, const double* sinTable, int tableSize) {
    if (cosTable == nullptr || sinTable == nullptr || tableSize < 1)
        throw std::invalid_argument("table frequency shifter: tables missing");
    return tableSize;
}
}  // namespace

CDspTabFreqShift::CDspTabFreqShift(int capacity, const double* cosTable, const double* sinTable,
                                   int tableSize, int realOutput)
    : CDspFreqShift(capacity, realOutput),
      tableSize_(CheckedTableSize(cosTable, sinTable, tableSize)),
      sinTable_(sinTable),
      cosTable_(cosTable) {}

void CDspTabFreqShift::Process(void* dst, const void* src, int count) {
    const double omega = BeginBlock();
    const Cpx* x = static_cast<const Cpx*>(src);
    Cpx* y = static_cast<Cpx*>(dst);
    const bool real = realOutput_.load(std::memory_order_relaxed) != 0;
    const double perRadian = tableSize_ / kTwoPi;  // K: table entries per radian
    const int last = tableSize_ - 1;
    double phi = phase_;
    for (int i = 0; i < count; ++i) {
        const double pos = perRadian * phi;
        int k = static_cast<int>(pos);  // φ ≥ 0, so truncation is the floor
        if (k > last) k = last;
        const double delta = (pos - k) / perRadian;  // residual angle in radians
        const double C = cosTable_[k], S = sinTable_[k];
        const double c = C - delta * S;
        const double s = S + delta * C;
        const double re = x[i].real(), im = x[i].imag();
        const double outRe = c * re - s * im;
        y[i] = real ? Cpx(outRe, outRe) : Cpx(outRe, s * re + c * im);
        phi += omega;
        if (phi < 0.0)
            phi += kTwoPi;
        else if (phi > kTwoPi)
            phi -= kTwoPi;
    }
    phase_ = phi;
}

}  // namespace velorix
