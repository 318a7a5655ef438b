#pragma once

#include <vector>

#include "DspInterpCpx.h"

namespace velorix {

// Half-band interpolator by two. Of a filter of length N = 4m − 1 only the
// 2m + 1 non-zero taps are given (outer taps, centre 0.5, outer taps): the
// first output of each pair runs the 2m outer taps over 2m consecutive
// inputs, the second is the centre tap alone. A gain of 2 restores unity
// after the implied zero insertion.
class CDspHBFinterpCpx : public CDspInterpCpx {
public:
    // inputs K ≥ 1 per full buffer; length N = 4m − 1 with m ≥ 1;
    // coefficients: 2m + 1 doubles, not owned. Throws std::invalid_argument
    // for a length that is not a half-band length.
    CDspHBFinterpCpx(int inputs, int length, const double* coefficients);

    // count = outputs; pair k reads x[k … k + 2m − 1]. An odd count writes
    // only the first output of its last pair, never past the destination;
    // Run then starts the next piece with that pair's second output.
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspHBFinterpCpx"; }

    int HalfLength() const { return m_; }

private:
    int m_;
    std::vector<double> outer_;  // kernel scratch, sized at construction
};

}  // namespace velorix
