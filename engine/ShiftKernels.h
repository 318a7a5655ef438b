#pragma once

#include "DspTypes.h"

namespace velorix {

// Hot loop of the frequency shifter: a phasor recurrence spread over
// kRotateLanes interleaved lanes, so the lanes advance independently and the
// loop vectorises. Built for the x86-64 baseline and for AVX2/FMA, picked at
// the first call like the FIR kernels.
constexpr int kRotateLanes = 8;

// The phasors of one run: lane k starts at p[k] = e^{j(φ + kω)} and every
// lane advances by the step e^{j·kRotateLanes·ω} per group of kRotateLanes
// samples, so sample i is multiplied by e^{j(φ + iω)}.
struct RotatePhasors {
    double re[kRotateLanes];
    double im[kRotateLanes];
    double stepRe;
    double stepIm;
};

// y[i] = x[i]·e^{j(φ + iω)} for i < n (real output: the real part in both
// halves of y[i]). x and y may be the same array. Each complex multiplication
// of the recurrence adds a rounding error of a few 1e-16 to the phasor, so
// callers reseed the phasors from sin and cos every few thousand samples.
void Rotate(const Cpx* x, Cpx* y, int n, const RotatePhasors& p, bool realOutput);

namespace kernels {
void RotateBaseline(const Cpx* x, Cpx* y, int n, const RotatePhasors& p, bool realOutput);
void RotateAvx2(const Cpx* x, Cpx* y, int n, const RotatePhasors& p, bool realOutput);
}  // namespace kernels

}  // namespace velorix
