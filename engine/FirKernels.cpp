#include "FirKernels.h"

#include <algorithm>

// The vector helpers are always inlined, so the AVX argument-passing note
// GCC gives for them has no effect on any call boundary.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
#include "VectorKernels.h"

namespace velorix {

namespace {

// Outputs computed together: 8 complex = 16 doubles of accumulators, four
// AVX2 or eight SSE2 registers, so each tap costs one broadcast and
// independent multiply-adds on contiguous loads.
constexpr int kBlock = 8;

using simd::Load;
using simd::Store;
using simd::V2;
using simd::V4;

template <typename VT, bool Reversed>
VELORIX_INLINE void CorrelateBody(const double* __restrict w, int taps, const double* __restrict x,
                                  double* __restrict y, int n, int yStride,
                                  const double* __restrict add, double addGain) {
    constexpr int kLanes = sizeof(VT) / sizeof(double);
    constexpr int kAcc = 2 * kBlock / kLanes;
    const long ys = 2L * yStride;
    int i = 0;
    // The block of outputs stays in registers across all taps; each tap adds
    // its weight times kAcc contiguous vectors of the window.
    for (; i + kBlock <= n; i += kBlock) {
        VT acc[kAcc];
        if (add != nullptr) {
            const double* ap = add + 2L * i;
#pragma GCC unroll 8
            for (int v = 0; v < kAcc; ++v)
                acc[v] = addGain * Load<VT>(ap + kLanes * v);
        } else {
#pragma GCC unroll 8
            for (int v = 0; v < kAcc; ++v)
                acc[v] = VT{} * 0.0;
        }
        const double* xp = x + 2L * i;
        for (int t = 0; t < taps; ++t) {
            const double c = Reversed ? w[taps - 1 - t] : w[t];
            const double* xt = xp + 2 * t;
#pragma GCC unroll 8
            for (int v = 0; v < kAcc; ++v)
                acc[v] += c * Load<VT>(xt + kLanes * v);
        }
        double* yp = y + ys * i;
        if (ys == 2) {
#pragma GCC unroll 8
            for (int v = 0; v < kAcc; ++v)
                Store(yp + kLanes * v, acc[v]);
        } else {
            // Spaced outputs: each complex sample of a register goes out as
            // one 16-byte store.
#pragma GCC unroll 8
            for (int v = 0; v < kAcc; ++v) {
#pragma GCC unroll 2
                for (int q = 0; q < kLanes / 2; ++q) {
                    V2 pair = {acc[v][2 * q], acc[v][2 * q + 1]};
                    Store(yp + ys * (v * kLanes / 2 + q), pair);
                }
            }
        }
    }
    for (; i < n; ++i) {
        double re = 0.0, im = 0.0;
        if (add != nullptr) {
            re = addGain * add[2 * i];
            im = addGain * add[2 * i + 1];
        }
        const double* xp = x + 2L * i;
        for (int t = 0; t < taps; ++t) {
            const double c = Reversed ? w[taps - 1 - t] : w[t];
            re += c * xp[2 * t];
            im += c * xp[2 * t + 1];
        }
        y[ys * i] = re;
        y[ys * i + 1] = im;
    }
}

const double* D(const Cpx* p) {
    return reinterpret_cast<const double*>(p);
}
double* D(Cpx* p) {
    return reinterpret_cast<double*>(p);
}

template <typename VT>
VELORIX_INLINE void FirCorrelateImpl(const double* w, int taps, const Cpx* x, Cpx* y, int n,
                                     int yStride, const Cpx* add, double addGain) {
    CorrelateBody<VT, false>(w, taps, D(x), D(y), n, yStride, add ? D(add) : nullptr, addGain);
}

template <typename VT>
VELORIX_INLINE void FirConvolveImpl(const double* h, int taps, const Cpx* x, Cpx* y, int n) {
    CorrelateBody<VT, true>(h, taps, D(x), D(y), n, 1, nullptr, 0.0);
}

template <typename VT>
VELORIX_INLINE void HalfBandDecimateImpl(const double* c, int m, const Cpx* x, Cpx* y, int n,
                                         double* outer, Cpx* even, Cpx* odd, int chunk) {
    // The outer taps in window order: the m before the centre, the m after.
    for (int j = 0; j < m; ++j) {
        outer[j] = c[j];
        outer[m + j] = c[m + 1 + j];
    }
    const double centre = c[m];
    const int taps = 2 * m;
    while (n > 0) {
        const int count = std::min(n, chunk);
        // Split the window into its even and odd samples: the outer taps see
        // only even ones, the centre tap one odd one, so both become plain
        // contiguous filters without zero taps.
        const int evens = count + taps - 1;
        const double* xs = D(x);
        double* __restrict ev = D(even);
        double* __restrict od = D(odd);
        for (int k = 0; k < evens; ++k) {
            ev[2 * k] = xs[4 * k];
            ev[2 * k + 1] = xs[4 * k + 1];
        }
        const double* xo = xs + 4L * (m - 1) + 2;  // x[2m−1]
        for (int k = 0; k < count; ++k) {
            od[2 * k] = xo[4 * k];
            od[2 * k + 1] = xo[4 * k + 1];
        }
        CorrelateBody<VT, false>(outer, taps, ev, D(y), count, 1, od, centre);
        x += 2L * count;
        y += count;
        n -= count;
    }
}

template <typename VT>
VELORIX_INLINE void HalfBandInterpolateImpl(const double* c, int m, const Cpx* x, Cpx* y, int n,
                                            double* outer) {
    // Doubling a tap is exact in binary, so 2·Σ c·x equals Σ (2c)·x bit for bit.
    for (int j = 0; j < m; ++j) {
        outer[j] = 2.0 * c[j];
        outer[m + j] = 2.0 * c[m + 1 + j];
    }
    const double centre = 2.0 * c[m];
    const int pairs = n / 2;
    const int firsts = (n + 1) / 2;
    CorrelateBody<VT, false>(outer, 2 * m, D(x), D(y), firsts, 2, nullptr, 0.0);
    const double* xm = D(x) + 2L * m;
    double* yd = D(y);
    for (int k = 0; k < pairs; ++k) {
        yd[4 * k + 2] = centre * xm[2 * k];
        yd[4 * k + 3] = centre * xm[2 * k + 1];
    }
}

}  // namespace

// Each kernel in its two variants, and the dispatcher that picks one.
#define VELORIX_KERNEL_VARIANTS(Name, Params, Args)                             \
    namespace kernels {                                                         \
    void Name##Baseline Params {                                                \
        Name##Impl<V2> Args;                                                    \
    }                                                                           \
    VELORIX_AVX2 void Name##Avx2 Params {                                       \
        Name##Impl<V4> Args;                                                    \
    }                                                                           \
    }                                                                           \
    void Name Params {                                                          \
        static const auto variant =                                             \
            kernels::UseAvx2() ? kernels::Name##Avx2 : kernels::Name##Baseline; \
        variant Args;                                                           \
    }

namespace kernels {
bool UseAvx2() {
#if VELORIX_HAVE_AVX2_VARIANT
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
    return false;
#endif
}
}  // namespace kernels

VELORIX_KERNEL_VARIANTS(FirCorrelate,
                        (const double* w, int taps, const Cpx* x, Cpx* y, int n, int yStride,
                         const Cpx* add, double addGain),
                        (w, taps, x, y, n, yStride, add, addGain))
VELORIX_KERNEL_VARIANTS(FirConvolve, (const double* h, int taps, const Cpx* x, Cpx* y, int n),
                        (h, taps, x, y, n))
VELORIX_KERNEL_VARIANTS(HalfBandDecimate,
                        (const double* c, int m, const Cpx* x, Cpx* y, int n, double* outer,
                         Cpx* even, Cpx* odd, int chunk),
                        (c, m, x, y, n, outer, even, odd, chunk))
VELORIX_KERNEL_VARIANTS(HalfBandInterpolate,
                        (const double* c, int m, const Cpx* x, Cpx* y, int n, double* outer),
                        (c, m, x, y, n, outer))

}  // namespace velorix
