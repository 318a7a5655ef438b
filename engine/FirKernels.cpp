#include "FirKernels.h"

#include <algorithm>

// Run-time dispatch: an AVX2/FMA clone of each kernel beside the baseline
// one, chosen by the loader (GNU ifunc) on x86-64. Elsewhere the plain build.
#if defined(__x86_64__) && defined(__GNUC__) && defined(__ELF__)
#define VELORIX_KERNEL __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define VELORIX_KERNEL
#endif

#if defined(__GNUC__)
#define VELORIX_INLINE inline __attribute__((always_inline))
#else
#define VELORIX_INLINE inline
#endif

// The vector helpers below are always inlined, so the AVX argument-passing
// note GCC gives for them has no effect on any call boundary.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif

namespace velorix {

namespace {

// Outputs computed together: 8 complex = 16 doubles, four AVX2 registers of
// accumulators, so each tap costs one broadcast and four independent
// multiply-adds on contiguous loads.
constexpr int kBlock = 8;

// Four doubles, two complex samples: one AVX2 register in the AVX2 clone,
// a pair of SSE2 registers in the baseline one. Loads may be unaligned.
typedef double V4 __attribute__((vector_size(32), aligned(8), may_alias));

VELORIX_INLINE V4 Load(const double* p) {
    return *reinterpret_cast<const V4*>(p);
}

template <bool Reversed>
VELORIX_INLINE void CorrelateBody(const double* __restrict w, int taps, const double* __restrict x,
                                  double* __restrict y, int n, int yStride,
                                  const double* __restrict add, double addGain) {
    const long ys = 2L * yStride;
    int i = 0;
    // The block of outputs stays in registers across all taps; each tap adds
    // its weight times four contiguous vectors of the window.
    for (; i + kBlock <= n; i += kBlock) {
        V4 a0 = {0, 0, 0, 0}, a1 = a0, a2 = a0, a3 = a0;
        if (add != nullptr) {
            const double* ap = add + 2L * i;
            a0 = addGain * Load(ap);
            a1 = addGain * Load(ap + 4);
            a2 = addGain * Load(ap + 8);
            a3 = addGain * Load(ap + 12);
        }
        const double* xp = x + 2L * i;
        for (int t = 0; t < taps; ++t) {
            const double c = Reversed ? w[taps - 1 - t] : w[t];
            const double* xt = xp + 2 * t;
            a0 += c * Load(xt);
            a1 += c * Load(xt + 4);
            a2 += c * Load(xt + 8);
            a3 += c * Load(xt + 12);
        }
        double* yp = y + ys * i;
        if (ys == 2) {
            *reinterpret_cast<V4*>(yp) = a0;
            *reinterpret_cast<V4*>(yp + 4) = a1;
            *reinterpret_cast<V4*>(yp + 8) = a2;
            *reinterpret_cast<V4*>(yp + 12) = a3;
        } else {
            const V4 acc[4] = {a0, a1, a2, a3};
            for (int q = 0; q < kBlock; ++q) {
                yp[ys * q] = acc[q / 2][2 * (q % 2)];
                yp[ys * q + 1] = acc[q / 2][2 * (q % 2) + 1];
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

}  // namespace

VELORIX_KERNEL
void FirCorrelate(const double* w, int taps, const Cpx* x, Cpx* y, int n, int yStride,
                  const Cpx* add, double addGain) {
    CorrelateBody<false>(w, taps, D(x), D(y), n, yStride, add ? D(add) : nullptr, addGain);
}

VELORIX_KERNEL
void FirConvolve(const double* h, int taps, const Cpx* x, Cpx* y, int n) {
    CorrelateBody<true>(h, taps, D(x), D(y), n, 1, nullptr, 0.0);
}

VELORIX_KERNEL
void HalfBandDecimate(const double* c, int m, const Cpx* x, Cpx* y, int n, double* outer, Cpx* even,
                      Cpx* odd, int chunk) {
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
        CorrelateBody<false>(outer, taps, ev, D(y), count, 1, od, centre);
        x += 2L * count;
        y += count;
        n -= count;
    }
}

VELORIX_KERNEL
void HalfBandInterpolate(const double* c, int m, const Cpx* x, Cpx* y, int n, double* outer) {
    // Doubling a tap is exact in binary, so 2·Σ c·x equals Σ (2c)·x bit for bit.
    for (int j = 0; j < m; ++j) {
        outer[j] = 2.0 * c[j];
        outer[m + j] = 2.0 * c[m + 1 + j];
    }
    const double centre = 2.0 * c[m];
    const int pairs = n / 2;
    const int firsts = (n + 1) / 2;
    CorrelateBody<false>(outer, 2 * m, D(x), D(y), firsts, 2, nullptr, 0.0);
    const double* xm = D(x) + 2L * m;
    double* yd = D(y);
    for (int k = 0; k < pairs; ++k) {
        yd[4 * k + 2] = centre * xm[2 * k];
        yd[4 * k + 3] = centre * xm[2 * k + 1];
    }
}

}  // namespace velorix
