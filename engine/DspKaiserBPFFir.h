#pragma once

#include <atomic>
#include <vector>

#include "DspFirCpxReal.h"

namespace velorix {

// The receiver's selectivity filter: a band-pass of adjustable edges built as
// a Kaiser-windowed low-pass between a down-shift and an up-shift. The input
// is shifted down by the band centre, low-pass filtered with half-width Δ,
// and shifted back up with the phase of N/2 samples earlier (the filter's
// delay), so the band [lower, upper] leaves at its own frequency. An
// asymmetric band costs no more than a symmetric one.
//
// Threads: SetBand runs on the user-interface thread; the taps are designed
// outside the lock and copied in under the chain lock together with the new
// centre step, so Process (streaming thread) sees one complete design.
class CDspKaiserBPFFir : public CDspFirCpxReal {
public:
    // Even taps ≥ 2; edges in cycles per sample of the input rate
    // (−0.5 … 0.5); beta ≥ 0. Throws std::invalid_argument for an odd or
    // too small tap count.
    CDspKaiserBPFFir(int capacity, int taps, double lower, double upper, double beta);

    // New edges in cycles per sample, then redesign.
    void SetBand(double lower, double upper);
    // Designs the prototype for the current edges and swaps it in.
    virtual void Redesign();
    // Rotates the newest sample of each window down in place (the buffer's
    // history keeps rotated samples), filters, and rotates the result up.
    // The source must therefore be writable.
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspKaiserBPFFir"; }

    double HalfWidthRadians() const { return delta_; }
    double CentreStepRadians() const { return omegaC_.load(std::memory_order_relaxed); }
    double Beta() const { return beta_; }

private:
    std::vector<double> live_;
    int delayLength_;
    int delayIndex_ = 0;
    std::vector<double> sinDelay_;
    std::vector<double> cosDelay_;
    std::vector<double> window_;
    std::vector<double> scratch_;
    double omegaL_ = 0.0;
    double omegaU_ = 0.0;
    double delta_ = 0.0;
    std::atomic<double> omegaC_{0.0};
    double theta_ = 0.0;
    // cos and sin of the centre step, for the phasor recurrence.
    double stepOmega_ = 0.0;
    double stepCos_ = 1.0;
    double stepSin_ = 0.0;
    double beta_;
    // Per-pass phasors of the up-shift, sized at construction.
    std::vector<Cpx> upShift_;
    double pendingOmegaC_ = 0.0;
};

}  // namespace velorix
