#include "ShiftKernels.h"

#include "FirKernels.h"

// Dispatch as in FirKernels.cpp: one inlined body compiled for the baseline
// and for x86-64-v3, chosen in ordinary code at the first call.
#if defined(__x86_64__) && defined(__GNUC__)
#define VELORIX_HAVE_AVX2_VARIANT 1
#define VELORIX_AVX2 __attribute__((target("arch=x86-64-v3")))
#else
#define VELORIX_HAVE_AVX2_VARIANT 0
#define VELORIX_AVX2
#endif

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace velorix {

namespace {

typedef double V2 __attribute__((vector_size(16)));
typedef double V4 __attribute__((vector_size(32)));

template <typename VT>
inline __attribute__((always_inline)) VT Load(const double* p) {
    VT v;
    __builtin_memcpy(&v, p, sizeof(VT));
    return v;
}

template <typename VT>
inline __attribute__((always_inline)) void Store(double* p, VT v) {
    __builtin_memcpy(p, &v, sizeof(VT));
}

// Interleaved complex values (re, im, re, im …): the real parts in both
// slots, the imaginary parts in both slots, and the pairs swapped.
inline __attribute__((always_inline)) V2 Reals(V2 v) {
    return __builtin_shufflevector(v, v, 0, 0);
}
inline __attribute__((always_inline)) V2 Imags(V2 v) {
    return __builtin_shufflevector(v, v, 1, 1);
}
inline __attribute__((always_inline)) V2 Swapped(V2 v) {
    return __builtin_shufflevector(v, v, 1, 0);
}
inline __attribute__((always_inline)) V4 Reals(V4 v) {
    return __builtin_shufflevector(v, v, 0, 0, 2, 2);
}
inline __attribute__((always_inline)) V4 Imags(V4 v) {
    return __builtin_shufflevector(v, v, 1, 1, 3, 3);
}
inline __attribute__((always_inline)) V4 Swapped(V4 v) {
    return __builtin_shufflevector(v, v, 1, 0, 3, 2);
}

// a·b for interleaved complex vectors, given b's real and imaginary parts
// spread over both slots; `sign` is (−1, 1, …).
template <typename VT>
inline __attribute__((always_inline)) VT Mul(VT a, VT bRe, VT bIm, VT sign) {
    return a * bRe + Swapped(a) * (bIm * sign);
}

template <typename VT>
inline __attribute__((always_inline)) void RotateImpl(const Cpx* x, Cpx* y, int n,
                                                      const RotatePhasors& p, bool realOutput) {
    constexpr int kDoubles = sizeof(VT) / sizeof(double);
    constexpr int kPerVector = kDoubles / 2;  // complex samples per vector
    constexpr int kVectors = kRotateLanes / kPerVector;
    VT sign;
    for (int d = 0; d < kDoubles; ++d)
        sign[d] = (d % 2 == 0) ? -1.0 : 1.0;
    VT stepRe, stepIm;
    for (int d = 0; d < kDoubles; ++d)
        stepRe[d] = p.stepRe, stepIm[d] = p.stepIm;
    VT ph[kVectors];
    for (int v = 0; v < kVectors; ++v)
        for (int c = 0; c < kPerVector; ++c) {
            ph[v][2 * c] = p.re[v * kPerVector + c];
            ph[v][2 * c + 1] = p.im[v * kPerVector + c];
        }
    const double* in = reinterpret_cast<const double*>(x);
    double* out = reinterpret_cast<double*>(y);
    int i = 0;
    for (; i + kRotateLanes <= n; i += kRotateLanes) {
#pragma GCC unroll 8
        for (int v = 0; v < kVectors; ++v) {
            const VT z = Load<VT>(in + 2 * i + kDoubles * v);
            VT r = Mul(z, Reals(ph[v]), Imags(ph[v]), sign);
            if (realOutput) r = Reals(r);
            Store(out + 2 * i + kDoubles * v, r);
            ph[v] = Mul(ph[v], stepRe, stepIm, sign);
        }
    }
    // The last samples take the phasors of their lanes one by one.
    for (int k = 0; i < n; ++i, ++k) {
        const double c = ph[k / kPerVector][2 * (k % kPerVector)];
        const double s = ph[k / kPerVector][2 * (k % kPerVector) + 1];
        const double re = x[i].real(), im = x[i].imag();
        const double outRe = re * c - im * s;
        y[i] = realOutput ? Cpx(outRe, outRe) : Cpx(outRe, im * c + re * s);
    }
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
