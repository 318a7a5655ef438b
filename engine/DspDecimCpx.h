#pragma once

#include "DspFirCpxReal.h"

namespace velorix {

// Decimating FIR: filters and keeps every M-th output, computing only the
// outputs it keeps. The input buffer holds M·K new samples (K outputs per
// full buffer) behind N − 1 samples of history.
class CDspDecimCpx : public CDspFirCpxReal {
public:
    // factor M ≥ 1, outputs K ≥ 1 per full buffer, taps N ≥ 1, coefficients
    // not owned. Throws std::invalid_argument for values out of range.
    CDspDecimCpx(int factor, int outputs, int taps, const double* coefficients);

    double GetOutputRate() override { return rate / factor_; }
    // count = outputs; output i reads the window x[i·M … i·M + N − 1].
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspDecimCpx"; }

    int Factor() const { return factor_; }

protected:
    int factor_;
};

}  // namespace velorix
