#pragma once

#include <vector>

#include "DspFirCpxReal.h"

namespace velorix {

// Kaiser-windowed low-pass FIR, the post-detection filter of AM and SAM.
// SetCutoff runs on the user-interface thread: the new taps are designed
// outside the lock and copied into the live set under the chain lock, so
// Process never sees a half-copied set.
class CDspKaiserLPFFir : public CDspFirCpxReal {
public:
    // taps ≥ 2; cutoff in units of π radians per sample (0.6 → 0.6·π);
    // beta ≥ 0. Throws std::invalid_argument for fewer than 2 taps.
    CDspKaiserLPFFir(int capacity, int taps, double cutoff, double beta);

    // cutoff in units of π radians per sample, then redesign.
    void SetCutoff(double cutoff);
    // Designs the taps for the current cutoff and swaps them in.
    virtual void Redesign();
    std::string& GetName(std::string& name) override { return name = "CDspKaiserLPFFir"; }

    double CutoffRadians() const { return omegaC_; }
    double Beta() const { return beta_; }
    const std::vector<double>& Window() const { return window_; }

private:
    std::vector<double> live_;
    std::vector<double> window_;
    std::vector<double> scratch_;
    double omegaC_;
    double beta_;
};

}  // namespace velorix
