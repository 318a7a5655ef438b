#include "DspInterpCpx.h"

#include <stdexcept>

namespace velorix {

namespace {
int CheckedFactor(int factor) {
    if (factor < 1) throw std::invalid_argument("interpolator: factor must be at least 1");
    return factor;
}
}  // namespace

CDspInterpCpx::CDspInterpCpx(int factor, int inputs, int taps, const double* coefficients)
    : CDspFirCpxReal(inputs, taps, coefficients), factor_(CheckedFactor(factor)) {
    up_ = factor;
}

}  // namespace velorix
