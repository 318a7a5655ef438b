#include "DspHBFinterpCpx.h"

#include <algorithm>
#include <stdexcept>

#include "FirKernels.h"

namespace velorix {

namespace {
int CheckedTaps(int length) {
    if (length < 3 || (length + 1) % 4 != 0)
        throw std::invalid_argument("half-band interpolator: length must be 4m - 1");
    return (length + 1) / 2;
}
}  // namespace

CDspHBFinterpCpx::CDspHBFinterpCpx(int inputs, int length, const double* coefficients)
    : CDspInterpCpx(2, inputs, CheckedTaps(length), coefficients),
      m_((length + 1) / 4),
      outer_(2 * m_) {}

void CDspHBFinterpCpx::Process(void* dst, const void* src, int count) {
    if (count <= 0) return;
    if (coefficients_ == nullptr) {
        std::fill_n(static_cast<Cpx*>(dst), count, Cpx());
        return;
    }
    const Cpx* x = static_cast<const Cpx*>(src);
    Cpx* y = static_cast<Cpx*>(dst);
    if (startPhase_ == 1) {
        // Finish the pair the previous piece began: its second output.
        *y++ = 2.0 * coefficients_[m_] * x[m_];
        ++x;
        --count;
    }
    HalfBandInterpolate(coefficients_, m_, x, y, count, outer_.data());
}

}  // namespace velorix
