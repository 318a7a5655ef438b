#include "DspHBFDecimCpx.h"

#include <stdexcept>

#include "FirKernels.h"

namespace velorix {

namespace {
// Outputs per kernel pass: the even and odd scratch (4 KiB each) stay in L1.
constexpr int kChunk = 256;

int CheckedLength(int length) {
    if (length < 3 || (length + 1) % 4 != 0)
        throw std::invalid_argument("half-band decimator: length must be 4m - 1");
    return length;
}
}  // namespace

CDspHBFDecimCpx::CDspHBFDecimCpx(int outputs, int length, const double* coefficients)
    : CDspDecimCpx(2, outputs, CheckedLength(length), coefficients),
      m_((length + 1) / 4),
      outer_(2 * m_),
      even_(kChunk + 2 * m_),
      odd_(kChunk + 2 * m_) {}

void CDspHBFDecimCpx::Process(void* dst, const void* src, int count) {
    if (coefficients_ == nullptr || count <= 0) {
        CDspFirCpxReal::Process(dst, src, count);  // silence
        return;
    }
    HalfBandDecimate(coefficients_, m_, static_cast<const Cpx*>(src), static_cast<Cpx*>(dst), count,
                     outer_.data(), even_.data(), odd_.data(), kChunk);
}

}  // namespace velorix
