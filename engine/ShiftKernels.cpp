#include "ShiftKernels.h"

#include "FirKernels.h"

// The vector helpers are always inlined, so the AVX argument-passing note
// GCC gives for them has no effect on any call boundary.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
#include "VectorKernels.h"

namespace velorix {

namespace {

using simd::Load;
using simd::Store;
using simd::V2;
using simd::V4;

// Interleaved complex values (re, im, re, im …): the real parts in both
// slots, and the pairs swapped.
VELORIX_INLINE V2 Reals(V2 v) {
    return __builtin_shufflevector(v, v, 0, 0);
}
VELORIX_INLINE V2 Swapped(V2 v) {
    return __builtin_shufflevector(v, v, 1, 0);
}
VELORIX_INLINE V4 Reals(V4 v) {
    return __builtin_shufflevector(v, v, 0, 0, 2, 2);
}
VELORIX_INLINE V4 Swapped(V4 v) {
    return __builtin_shufflevector(v, v, 1, 0, 3, 2);
}

template <typename VT, bool realOutput>
VELORIX_INLINE void RotateBody(const Cpx* x, Cpx* y, int n, const RotatePhasors& p) {
    constexpr int kDoubles = sizeof(VT) / sizeof(double);
    constexpr int kPerVector = kDoubles / 2;  // complex samples per vector
    constexpr int kVectors = kRotateLanes / kPerVector;
    // Each lane's phasor c + js is held as (c, c) and (−s, s), so a sample
    // costs one swap and two multiplications, x·(c, c) + swap(x)·(−s, s), and
    // the step cs + j·ss keeps that form without any swap:
    //   (c, c)'  = (c, c)·(cs, cs) + (−s, s)·(ss, −ss)
    //   (−s, s)' = (c, c)·(−ss, ss) + (−s, s)·(cs, cs)
    VT sign, cs, minusSignSs, signSs;
    for (int d = 0; d < kDoubles; ++d) {
        sign[d] = (d % 2 == 0) ? -1.0 : 1.0;
        cs[d] = p.stepRe;
        minusSignSs[d] = -sign[d] * p.stepIm;
        signSs[d] = sign[d] * p.stepIm;
    }
    VT re[kVectors], im[kVectors];  // (c, c) and (−s, s) per lane
    for (int v = 0; v < kVectors; ++v)
        for (int c = 0; c < kPerVector; ++c) {
            const int lane = v * kPerVector + c;
            re[v][2 * c] = re[v][2 * c + 1] = p.re[lane];
            im[v][2 * c] = -p.im[lane];
            im[v][2 * c + 1] = p.im[lane];
        }
    const double* in = reinterpret_cast<const double*>(x);
    double* out = reinterpret_cast<double*>(y);
    int i = 0;
    for (; i + kRotateLanes <= n; i += kRotateLanes) {
#pragma GCC unroll 8
        for (int v = 0; v < kVectors; ++v) {
            const VT z = Load<VT>(in + 2 * i + kDoubles * v);
            VT r = z * re[v] + Swapped(z) * im[v];
            if constexpr (realOutput) r = Reals(r);
            Store(out + 2 * i + kDoubles * v, r);
            const VT nextRe = re[v] * cs + im[v] * minusSignSs;
            im[v] = re[v] * signSs + im[v] * cs;
            re[v] = nextRe;
        }
    }
    // The last samples take the phasors of their lanes one by one.
    for (int k = 0; i < n; ++i, ++k) {
        const double c = re[k / kPerVector][2 * (k % kPerVector)];
        const double s = im[k / kPerVector][2 * (k % kPerVector) + 1];
        const double zr = x[i].real(), zi = x[i].imag();
        const double outRe = zr * c - zi * s;
        y[i] = realOutput ? Cpx(outRe, outRe) : Cpx(outRe, zi * c + zr * s);
    }
}

template <typename VT>
VELORIX_INLINE void RotateImpl(const Cpx* x, Cpx* y, int n, const RotatePhasors& p,
                               bool realOutput) {
    if (realOutput)
        RotateBody<VT, true>(x, y, n, p);
    else
        RotateBody<VT, false>(x, y, n, p);
}

}  // namespace

namespace kernels {
void RotateBaseline(const Cpx* x, Cpx* y, int n, const RotatePhasors& p, bool realOutput) {
    RotateImpl<V2>(x, y, n, p, realOutput);
}

VELORIX_AVX2 void RotateAvx2(const Cpx* x, Cpx* y, int n, const RotatePhasors& p, bool realOutput) {
    RotateImpl<V4>(x, y, n, p, realOutput);
}
}  // namespace kernels

void Rotate(const Cpx* x, Cpx* y, int n, const RotatePhasors& p, bool realOutput) {
    static const auto variant = kernels::UseAvx2() ? kernels::RotateAvx2 : kernels::RotateBaseline;
    variant(x, y, n, p, realOutput);
}

}  // namespace velorix
