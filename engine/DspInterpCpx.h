#pragma once

#include "DspFirCpxReal.h"

namespace velorix {

// Interpolating FIR: raises the rate by L. The input buffer holds K new
// samples behind T − 1 samples of history, T being the taps per output
// phase. The arithmetic is left to the concrete interpolator.
class CDspInterpCpx : public CDspFirCpxReal {
public:
    // factor L ≥ 1, inputs K ≥ 1 per full buffer, taps T ≥ 1, coefficients
    // not owned. Throws std::invalid_argument for values out of range.
    CDspInterpCpx(int factor, int inputs, int taps, const double* coefficients);

    double GetOutputRate() override { return rate * factor_; }
    // count = outputs. The first output is output number StartPhase() of the
    // group of L that the window at `src` produces (0 except when Run resumes
    // a group that the previous piece left unfinished).
    void Process(void* dst, const void* src, int count) override = 0;
    std::string& GetName(std::string& name) override { return name = "CDspInterpCpx"; }

    int Factor() const { return factor_; }

    int StartPhase() const { return startPhase_; }

protected:
    int factor_;
};

}  // namespace velorix
