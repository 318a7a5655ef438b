#include "DspDecimCpx.h"

#include <stdexcept>

#include "FirKernels.h"

namespace velorix {

namespace {
int CheckedCapacity(int factor, int outputs) {
    if (factor < 1) throw std::invalid_argument("decimator: factor must be at least 1");
    if (outputs < 1) throw std::invalid_argument("decimator: at least one output per buffer");
    return factor * outputs;
}
}  // namespace

CDspDecimCpx::CDspDecimCpx(int factor, int outputs, int taps, const double* coefficients)
    : CDspFirCpxReal(CheckedCapacity(factor, outputs), taps, coefficients), factor_(factor) {
    down_ = factor;
}

void CDspDecimCpx::Process(void* dst, const void* src, int count) {
    if (coefficients_ == nullptr) {
        CDspFirCpxReal::Process(dst, src, count);  // silence
        return;
    }
    const Cpx* x = static_cast<const Cpx*>(src);
    Cpx* y = static_cast<Cpx*>(dst);
    for (int i = 0; i < count; ++i)
        FirConvolve(coefficients_, taps_, x + static_cast<long>(i) * factor_, y + i, 1);
}

}  // namespace velorix
