#pragma once

#include <vector>

#include "DspBlock.h"

namespace velorix {

// Recursive filter with real coefficients on complex samples:
// y = Σ_{j<P} b[P−1−j]·x[i+j] + Σ_{k<Q} a[Q−1−k]·ring[(p+k) mod Q],
// the ring holding the last Q outputs, oldest at p (a[0] weights the newest
// output). The feedback terms are added, not subtracted.
class CDspIirCpxReal : public CDspBlock {
public:
    // feedForward P ≥ 1 and feedback Q ≥ 0 coefficients, not owned. Throws
    // std::invalid_argument for capacity < 1, P < 1, Q < 0 or missing arrays.
    CDspIirCpxReal(int capacity, int feedForward, int feedback, const double* b, const double* a);

    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspIirCpxReal"; }

private:
    int ringPos_ = 0;
    int p_;
    int q_;
    const double* b_;
    const double* a_;
    std::vector<Cpx> ring_;
};

}  // namespace velorix
