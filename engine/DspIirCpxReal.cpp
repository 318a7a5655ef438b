#include "DspIirCpxReal.h"

#include <stdexcept>

namespace velorix {

namespace {
int CheckedHistory(int capacity, int p, int q, const double* b, const double* a) {
    if (capacity < 1 || p < 1 || q < 0 || b == nullptr || (q > 0 && a == nullptr))
        throw std::invalid_argument("recursive filter: bad size or coefficients");
    return p - 1;
}
}  // namespace

CDspIirCpxReal::CDspIirCpxReal(int capacity, int feedForward, int feedback, const double* b,
                               const double* a)
    : CDspBlock(kDspTypeComplex, capacity, CheckedHistory(capacity, feedForward, feedback, b, a)),
      p_(feedForward),
      q_(feedback),
      b_(b),
      a_(a),
      ring_(feedback) {}

void CDspIirCpxReal::Process(void* dst, const void* src, int count) {
    const Cpx* x = static_cast<const Cpx*>(src);
    Cpx* y = static_cast<Cpx*>(dst);
    for (int i = 0; i < count; ++i) {
        double re = 0.0, im = 0.0;
        for (int j = 0; j < p_; ++j) {
            re += b_[p_ - 1 - j] * x[i + j].real();
            im += b_[p_ - 1 - j] * x[i + j].imag();
        }
        int r = ringPos_;
        for (int k = 0; k < q_; ++k) {
            re += a_[q_ - 1 - k] * ring_[r].real();
            im += a_[q_ - 1 - k] * ring_[r].imag();
            if (++r == q_) r = 0;
        }
        y[i] = Cpx(re, im);
        if (q_ > 0) {
            ring_[ringPos_] = y[i];
            if (++ringPos_ == q_) ringPos_ = 0;
        }
    }
}

}  // namespace velorix
