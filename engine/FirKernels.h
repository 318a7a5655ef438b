#pragma once

#include "DspTypes.h"

namespace velorix {

// Hot loops of the FIR blocks, on interleaved complex doubles with real taps.
// Each is built twice, for the x86-64 baseline and for AVX2/FMA (x86-64-v3),
// and the faster one that the processor runs is picked at the first call. They never allocate; the
// caller passes any scratch they need. Pointers must not alias unless stated.

// Sliding correlation: y[i·yStride] = addGain·add[i] + Σ_{t<taps} w[t]·x[i+t]
// for i < n, with add optional (null: nothing added). Reads x[0 … n+taps−2].
void FirCorrelate(const double* w, int taps, const Cpx* x, Cpx* y, int n, int yStride,
                  const Cpx* add, double addGain);

// The same with the taps in filter order: y[i] = Σ_{j<taps} h[taps−1−j]·x[i+j].
void FirConvolve(const double* h, int taps, const Cpx* x, Cpx* y, int n);

// Half-band decimation by two with the compact taps c[0 … 2m] (outer taps,
// centre, outer taps): for i < n,
//   y[i] = Σ_{j<m} c[j]·x[2i+2j] + c[m]·x[2i+2m−1] + Σ_{j<m} c[m+1+j]·x[2i+2m+2j].
// Reads x[0 … 2n+4m−3]. `outer` holds 2m doubles and `even`, `odd` at least
// min(n, chunk) + 2m complex samples of scratch each; `chunk` > 0 bounds how
// many outputs are computed per pass so the scratch stays in the L1 cache.
void HalfBandDecimate(const double* c, int m, const Cpx* x, Cpx* y, int n, double* outer, Cpx* even,
                      Cpx* odd, int chunk);

// Half-band interpolation by two: for each pair k < n/2,
//   y[2k]   = 2·(Σ_{i<m} c[i]·x[k+i] + Σ_{j<m} c[m+1+j]·x[k+m+j]),
//   y[2k+1] = 2·c[m]·x[k+m];
// an odd n writes only the first output of its last pair. Reads
// x[0 … ⌈n/2⌉+2m−2]. `outer` is scratch for 2m doubles.
void HalfBandInterpolate(const double* c, int m, const Cpx* x, Cpx* y, int n, double* outer);

// The two compiled variants of each kernel, for benchmarks and for tests that
// compare them; the engine calls the dispatching functions above.
namespace kernels {
// True when this processor runs the AVX2/FMA variants (the dispatchers' choice).
bool UseAvx2();
void FirCorrelateBaseline(const double* w, int taps, const Cpx* x, Cpx* y, int n, int yStride,
                          const Cpx* add, double addGain);
void FirCorrelateAvx2(const double* w, int taps, const Cpx* x, Cpx* y, int n, int yStride,
                      const Cpx* add, double addGain);
void FirConvolveBaseline(const double* h, int taps, const Cpx* x, Cpx* y, int n);
void FirConvolveAvx2(const double* h, int taps, const Cpx* x, Cpx* y, int n);
void HalfBandDecimateBaseline(const double* c, int m, const Cpx* x, Cpx* y, int n, double* outer,
                              Cpx* even, Cpx* odd, int chunk);
void HalfBandDecimateAvx2(const double* c, int m, const Cpx* x, Cpx* y, int n, double* outer,
                          Cpx* even, Cpx* odd, int chunk);
void HalfBandInterpolateBaseline(const double* c, int m, const Cpx* x, Cpx* y, int n,
                                 double* outer);
void HalfBandInterpolateAvx2(const double* c, int m, const Cpx* x, Cpx* y, int n, double* outer);
}  // namespace kernels

}  // namespace velorix
