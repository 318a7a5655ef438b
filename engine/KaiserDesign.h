#pragma once

namespace velorix {

// Zeroth-order modified Bessel function of the first kind, I0(x), from the
// first 36 terms of its power series Σ ((x/2)^s / s!)².
double KaiserBesselI0(double x);

// Kaiser window of `taps` points with parameter beta ≥ 0:
// w[k] = I0(β·√(1 − u²)) / I0(β), u = (2k + 1 − taps) / (taps − 1).
// beta = 0 gives all ones; a single tap gets 1.
void KaiserWindow(int taps, double beta, double* window);

// Windowed-sinc low-pass of cutoff omega radians per sample, normalised to a
// gain of 1 at 0 Hz: tap k = sinc(a)·w[k], a = (2k + 1 − taps)·omega/2.
// Returns false, leaving `taps` values of `out` unspecified, when the taps
// sum to zero or to no finite number (an impossible band); the caller then
// keeps its previous design.
bool KaiserLowPass(int taps, double omega, const double* window, double* out);

}  // namespace velorix
