#pragma once

#include <vector>

#include "DspDecimCpx.h"

namespace velorix {

// Half-band decimator by two. A filter of length N = 4m − 1 has zero taps at
// every odd position but the centre, so it is given only its 2m + 1 non-zero
// taps (outer taps, centre, outer taps) and computes 2m + 1 products per
// output instead of N.
class CDspHBFDecimCpx : public CDspDecimCpx {
public:
    // outputs K ≥ 1 per full buffer (the input holds 2K); length N = 4m − 1
    // with m ≥ 1; coefficients: 2m + 1 doubles, not owned. Throws
    // std::invalid_argument for a length that is not a half-band length.
    CDspHBFDecimCpx(int outputs, int length, const double* coefficients);

    // count = outputs; output i reads the window x[2i … 2i + N − 1].
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspHBFDecimCpx"; }

    int HalfLength() const { return m_; }

private:
    int m_;
    // Scratch of the kernel, sized at construction: no allocation while streaming.
    std::vector<double> outer_;
    std::vector<Cpx> even_;
    std::vector<Cpx> odd_;
};

}  // namespace velorix
