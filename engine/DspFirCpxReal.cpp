#include "DspFirCpxReal.h"

#include <algorithm>
#include <stdexcept>

#include "FirKernels.h"

namespace velorix {

namespace {
int CheckedHistory(int capacity, int taps) {
    if (capacity < 1) throw std::invalid_argument("FIR filter: capacity must be at least 1");
    if (taps < 1) throw std::invalid_argument("FIR filter: at least one tap is needed");
    return taps - 1;
}
}  // namespace

CDspFirCpxReal::CDspFirCpxReal(int capacity, int taps, const double* coefficients)
    : CDspBlock(kDspTypeComplex, capacity, CheckedHistory(capacity, taps)),
      taps_(taps),
      coefficients_(coefficients) {}

void CDspFirCpxReal::Process(void* dst, const void* src, int count) {
    if (count <= 0) return;
    if (coefficients_ == nullptr) {  // not designed yet: silence, never stale data
        std::fill_n(static_cast<Cpx*>(dst), count, Cpx());
        return;
    }
    FirConvolve(coefficients_, taps_, static_cast<const Cpx*>(src), static_cast<Cpx*>(dst), count);
}

}  // namespace velorix
