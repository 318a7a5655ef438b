#pragma once

#include "DspBlock.h"

namespace velorix {

// FIR filter with real taps on complex samples; the base of the rate
// changers and of the designed filters. The input buffer keeps taps − 1
// samples of history so every output sees a full window.
class CDspFirCpxReal : public CDspBlock {
public:
    // capacity: new samples per full buffer; taps ≥ 1; coefficients: `taps`
    // doubles in filter order, not owned, may be null until a derived class
    // sets them. Throws std::invalid_argument for a capacity or tap count
    // below 1.
    CDspFirCpxReal(int capacity, int taps, const double* coefficients);

    // y[i] = Σ_{j<N} h[N−1−j]·x[i+j], x[0] being the oldest history sample.
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspFirCpxReal"; }

    int TapCount() const { return taps_; }
    const double* Coefficients() const { return coefficients_; }

protected:
    int taps_;
    const double* coefficients_;
};

}  // namespace velorix
