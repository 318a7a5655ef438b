#include "SpectrumTransform.h"

#include <algorithm>

#include "DspMath.h"

namespace velorix {
namespace {

#define VELORIX_INLINE inline __attribute__((always_inline))

// Padding between arrays, in doubles: shifts each stream of a sweep into
// different cache sets (power-of-two distances otherwise alias).
constexpr unsigned kPad = 24;
constexpr unsigned kRowPad = 8;
// Points per cache-resident block for the small stages (64 KiB of data).
constexpr unsigned kBlock = 4096;

// The butterfly of one group at k, reading S0..S3 and w = w1 and returning
// the four results. w^2 and w^3 are formed from w (one rounding each, far
// below the transform's own error) so that a sweep reads two twiddle streams,
// not six.
struct Quad {
    double r0, i0, r1, i1, r2, i2, r3, i3;
};

VELORIX_INLINE Quad Butterfly(double s0r, double s0i, double s1r, double s1i, double s2r,
                              double s2i, double s3r, double s3i, double w1r, double w1i) {
    const double w2r = w1r * w1r - w1i * w1i, w2i = 2.0 * w1r * w1i;
    const double w3r = w2r * w1r - w2i * w1i, w3i = w2r * w1i + w2i * w1r;
    const double br = s1r * w2r - s1i * w2i, bi = s1r * w2i + s1i * w2r;
    const double cr = s2r * w1r - s2i * w1i, ci = s2r * w1i + s2i * w1r;
    const double dr = s3r * w3r - s3i * w3i, di = s3r * w3i + s3i * w3r;
    const double t0r = s0r + br, t0i = s0i + bi;
    const double t1r = s0r - br, t1i = s0i - bi;
    const double t2r = cr + dr, t2i = ci + di;
    const double t3r = cr - dr, t3i = ci - di;
    return Quad{t0r + t2r, t0i + t2i, t1r + t3i, t1i - t3r,
                t0r - t2r, t0i - t2i, t1r - t3i, t1i + t3r};
}

// One radix-4 decimation-in-time group, in place: the four length-a
// transforms S0..S3 combine into one of length 4a. With w = e^(-j 2 pi k / 4a):
// B = w^2 S1, C = w S2, D = w^3 S3 (bit-reversed order puts S1 with w^2),
// then X[k] = S0 + B + (C + D), X[k + 2a] = S0 + B - (C + D),
// X[k + a] = S0 - B - j(C - D), X[k + 3a] = S0 - B + j(C - D):
// two radix-2 stages in one sweep.
VELORIX_INLINE void Radix4Group(double* __restrict r0, double* __restrict i0, double* __restrict r1,
                                double* __restrict i1, double* __restrict r2, double* __restrict i2,
                                double* __restrict r3, double* __restrict i3,
                                const double* __restrict tw, unsigned a, unsigned stride) {
    const double* __restrict w1r = tw;
    const double* __restrict w1i = tw + stride;
    for (unsigned k = 0; k < a; ++k) {
        const Quad q =
            Butterfly(r0[k], i0[k], r1[k], i1[k], r2[k], i2[k], r3[k], i3[k], w1r[k], w1i[k]);
        r0[k] = q.r0, i0[k] = q.i0, r1[k] = q.r1, i1[k] = q.i1;
        r2[k] = q.r2, i2[k] = q.i2, r3[k] = q.r3, i3[k] = q.i3;
    }
}

// The last sweep: as Radix4Group, writing interleaved complex output.
VELORIX_INLINE void Radix4GroupOut(const double* __restrict r0, const double* __restrict i0,
                                   const double* __restrict r1, const double* __restrict i1,
                                   const double* __restrict r2, const double* __restrict i2,
                                   const double* __restrict r3, const double* __restrict i3,
                                   const double* __restrict tw, unsigned a, unsigned stride,
                                   double* __restrict o0, double* __restrict o1,
                                   double* __restrict o2, double* __restrict o3) {
    const double* __restrict w1r = tw;
    const double* __restrict w1i = tw + stride;
    for (unsigned k = 0; k < a; ++k) {
        const Quad q =
            Butterfly(r0[k], i0[k], r1[k], i1[k], r2[k], i2[k], r3[k], i3[k], w1r[k], w1i[k]);
        o0[2 * k] = q.r0, o0[2 * k + 1] = q.i0, o1[2 * k] = q.r1, o1[2 * k + 1] = q.i1;
        o2[2 * k] = q.r2, o2[2 * k + 1] = q.i2, o3[2 * k] = q.r3, o3[2 * k + 1] = q.i3;
    }
}

// The first radix-2 stage (twiddle 1) when the number of stages is odd.
VELORIX_INLINE void Radix2Pairs(double* __restrict re, double* __restrict im, unsigned n) {
    for (unsigned p = 0; p < n; p += 2) {
        const double ar = re[p], ai = im[p], br = re[p + 1], bi = im[p + 1];
        re[p] = ar + br, im[p] = ai + bi;
        re[p + 1] = ar - br, im[p + 1] = ai - bi;
    }
}

struct PassView {
    unsigned span;
    const double* tw;
    unsigned stride;
};

// A tile of the bit-reversed load: 16 rows (the 4-bit bit-reversed high
// index of the input) of 16 lanes (its low index). The first stages combine
// rows, the same for every lane, so they run 16 lanes wide.
struct Tile {
    alignas(64) double re[16][16];
    alignas(64) double im[16][16];
};

// Radix-4 butterflies across rows s, s+d, s+2d, s+3d for every lane, with
// the twiddle w (w^2, w^3 formed once).
VELORIX_INLINE void LaneButterfly(Tile& t, unsigned s, unsigned d, double w1r, double w1i) {
    double* __restrict r0 = t.re[s];
    double* __restrict i0 = t.im[s];
    double* __restrict r1 = t.re[s + d];
    double* __restrict i1 = t.im[s + d];
    double* __restrict r2 = t.re[s + 2 * d];
    double* __restrict i2 = t.im[s + 2 * d];
    double* __restrict r3 = t.re[s + 3 * d];
    double* __restrict i3 = t.im[s + 3 * d];
    for (unsigned l = 0; l < 16; ++l) {
        const Quad q = Butterfly(r0[l], i0[l], r1[l], i1[l], r2[l], i2[l], r3[l], i3[l], w1r, w1i);
        r0[l] = q.r0, i0[l] = q.i0, r1[l] = q.r1, i1[l] = q.i1;
        r2[l] = q.r2, i2[l] = q.i2, r3[l] = q.r3, i3[l] = q.i3;
    }
}

// As LaneButterfly with w = 1: no multiplications.
VELORIX_INLINE void LaneButterflyUnit(Tile& t, unsigned s) {
    double* __restrict r0 = t.re[s];
    double* __restrict i0 = t.im[s];
    double* __restrict r1 = t.re[s + 1];
    double* __restrict i1 = t.im[s + 1];
    double* __restrict r2 = t.re[s + 2];
    double* __restrict i2 = t.im[s + 2];
    double* __restrict r3 = t.re[s + 3];
    double* __restrict i3 = t.im[s + 3];
    for (unsigned l = 0; l < 16; ++l) {
        const double t0r = r0[l] + r1[l], t0i = i0[l] + i1[l];
        const double t1r = r0[l] - r1[l], t1i = i0[l] - i1[l];
        const double t2r = r2[l] + r3[l], t2i = i2[l] + i3[l];
        const double t3r = r2[l] - r3[l], t3i = i2[l] - i3[l];
        r0[l] = t0r + t2r, i0[l] = t0i + t2i;
        r2[l] = t0r - t2r, i2[l] = t0i - t2i;
        r1[l] = t1r + t3i, i1[l] = t1i - t3r;
        r3[l] = t1r - t3i, i3[l] = t1i + t3r;
    }
}

// The radix-2 stage across row pairs, every lane.
VELORIX_INLINE void LaneRadix2(Tile& t) {
    for (unsigned s = 0; s < 16; s += 2) {
        double* __restrict r0 = t.re[s];
        double* __restrict i0 = t.im[s];
        double* __restrict r1 = t.re[s + 1];
        double* __restrict i1 = t.im[s + 1];
        for (unsigned l = 0; l < 16; ++l) {
            const double ar = r0[l], ai = i0[l], br = r1[l], bi = i1[l];
            r0[l] = ar + br, i0[l] = ai + bi;
            r1[l] = ar - br, i1[l] = ai - bi;
        }
    }
}

// Loads window * x * scale into bit-reversed positions. For 256 points and
// more, by 16 x 16 tiles: with index = (h, mid, l), 4-bit h and l, the
// position is (rev l, rev mid, rev h). A tile (fixed mid) reads 16 runs of 16
// consecutive inputs into rows rev h, and writes lane l as 16 consecutive
// outputs: whole cache lines on both sides, instead of one line per sample
// in power-of-two strides that all fall into one cache set. The stages whose
// groups fit in 16 points (spans 1 and 4, or the radix-2 stage and span 2)
// are done across the tile's rows before it is stored. Returns how many of
// `passes` were done here.
template <int kStride>
VELORIX_INLINE int LoadBitReversed(double* __restrict re, double* __restrict im,
                                   const double* __restrict x, const double* __restrict w,
                                   const int* __restrict rev, unsigned n, int log2n, double scale,
                                   const PassView* passes, int passCount) {
    if (log2n < 8) {
        for (unsigned i = 0; i < n; ++i) {
            const unsigned pos = static_cast<unsigned>(rev[i]);
            const double g = w[i] * scale;
            re[pos] = x[kStride * i] * g;
            im[pos] = kStride == 2 ? x[kStride * i + 1] * g : 0.0;
        }
        return 0;
    }
    // Spans 1 and 4, or the radix-2 stage and span 2, fit in a run of 16.
    const int fused = std::min(passCount, log2n % 2 ? 1 : 2);
    const int highShift = log2n - 4;
    const unsigned mids = n >> 8;
    unsigned rev4[16];
    for (unsigned h = 0; h < 16; ++h)
        rev4[h] = static_cast<unsigned>(rev[h << highShift]);
    Tile t;
    for (unsigned mid = 0; mid < mids; ++mid) {
        for (unsigned h = 0; h < 16; ++h) {
            const unsigned base = (h << highShift) | (mid << 4);
            const double* __restrict xs = x + kStride * base;
            const double* __restrict ws = w + base;
            double* __restrict rr = t.re[rev4[h]];
            double* __restrict ri = t.im[rev4[h]];
            for (unsigned l = 0; l < 16; ++l) {
                const double g = ws[l] * scale;
                rr[l] = xs[kStride * l] * g;
                ri[l] = kStride == 2 ? xs[kStride * l + 1] * g : 0.0;
            }
        }
        // Rows are now in bit-reversed order: the first stages across them.
        if (log2n % 2) {
            LaneRadix2(t);
            for (unsigned p = 0; p < 16; p += 8)
                for (unsigned k = 0; k < 2; ++k)
                    LaneButterfly(t, p + k, 2, passes[0].tw[k], passes[0].tw[passes[0].stride + k]);
        } else {
            for (unsigned p = 0; p < 16; p += 4)
                LaneButterflyUnit(t, p);
            for (unsigned k = 0; k < 4; ++k)
                LaneButterfly(t, k, 4, passes[1].tw[k], passes[1].tw[passes[1].stride + k]);
        }
        // Lane l holds 16 consecutive outputs from (rev l, rev mid, 0) on.
        for (unsigned l = 0; l < 16; ++l) {
            const unsigned pos = static_cast<unsigned>(rev[(mid << 4) | l]);
            for (unsigned c = 0; c < 16; ++c) {
                re[pos + c] = t.re[c][l];
                im[pos + c] = t.im[c][l];
            }
        }
    }
    return fused;
}

VELORIX_INLINE void Interleave(double* __restrict out, const double* __restrict re,
                               const double* __restrict im, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
        out[2 * i] = re[i];
        out[2 * i + 1] = im[i];
    }
}

VELORIX_INLINE void RunPass(double* re, double* im, unsigned from, unsigned to,
                            const PassView& pass) {
    const unsigned a = pass.span;
    for (unsigned p = from; p < to; p += 4 * a)
        Radix4Group(re + p, im + p, re + p + a, im + p + a, re + p + 2 * a, im + p + 2 * a,
                    re + p + 3 * a, im + p + 3 * a, pass.tw, a, pass.stride);
}

VELORIX_HOT_CLONES void Transform(double* re, double* im, const double* x, bool realInput,
                                  const double* w, const int* rev, unsigned n, int log2n,
                                  const PassView* passes, int passCount, double* out) {
    const double scale = 1.0 / n;  // a power of two: scaling first is exact
    const int fused =
        realInput ? LoadBitReversed<1>(re, im, x, w, rev, n, log2n, scale, passes, passCount)
                  : LoadBitReversed<2>(re, im, x, w, rev, n, log2n, scale, passes, passCount);
    // Small stages block by block, while the block stays in cache; the last
    // sweep writes the interleaved result.
    const int last = passCount - 1;
    const unsigned block = std::min(n, kBlock);
    int small = fused;
    while (small < last && 4 * passes[small].span <= block)
        ++small;
    for (unsigned from = 0; from < n; from += block) {
        if (log2n % 2 && fused == 0) Radix2Pairs(re + from, im + from, block);
        for (int i = fused; i < small; ++i)
            RunPass(re, im, from, from + block, passes[i]);
    }
    for (int i = small; i < last; ++i)
        RunPass(re, im, 0, n, passes[i]);
    if (last < fused) {
        Interleave(out, re, im, n);
        return;
    }
    const unsigned a = passes[last].span;
    for (unsigned p = 0; p < n; p += 4 * a)
        Radix4GroupOut(re + p, im + p, re + p + a, im + p + a, re + p + 2 * a, im + p + 2 * a,
                       re + p + 3 * a, im + p + 3 * a, passes[last].tw, a, passes[last].stride,
                       out + 2 * p, out + 2 * (p + a), out + 2 * (p + 2 * a),
                       out + 2 * (p + 3 * a));
}

}  // namespace

void SpectrumTransform::Build(unsigned n, int log2n, const std::vector<int>& bitReverse,
                              const std::vector<Cpx>& twiddles) {
    Clear();
    split_.assign(2 * static_cast<size_t>(n) + kPad, 0.0);
    // Spans: 1, 4, 16, ... for an even number of stages; after one radix-2
    // stage 2, 8, 32, ... for an odd number.
    size_t offset = 0;
    for (unsigned a = (log2n % 2 == 0) ? 1 : 2; a < n; a *= 4) {
        const unsigned stride = a + kRowPad;
        passes_.push_back(Pass{a, offset, stride});
        offset += 2 * static_cast<size_t>(stride) + kRowPad;
    }
    twiddles_.assign(offset, 0.0);
    // The radix-2 transform's own twiddles: w[k] = W[k n / 4a].
    for (const Pass& pass : passes_) {
        const unsigned a = pass.span, step = n / (4 * a);
        double* tw = twiddles_.data() + pass.twiddleOffset;
        for (unsigned k = 0; k < a; ++k) {
            tw[k] = twiddles[k * step].real();
            tw[pass.twiddleStride + k] = twiddles[k * step].imag();
        }
    }
    n_ = n;
    log2n_ = log2n;
    bitReverse_ = bitReverse.data();
}

void SpectrumTransform::Clear() {
    split_ = {};
    twiddles_ = {};
    passes_ = {};
    n_ = 0;
    log2n_ = 0;
    bitReverse_ = nullptr;
}

void SpectrumTransform::Run(const double* input, bool realInput, const double* window, Cpx* out) {
    if (n_ == 0) return;
    PassView views[12];
    const int count = static_cast<int>(passes_.size());
    for (int i = 0; i < count; ++i)
        views[i] = PassView{passes_[i].span, twiddles_.data() + passes_[i].twiddleOffset,
                            passes_[i].twiddleStride};
    double* re = split_.data();
    double* im = re + n_ + kPad;
    Transform(re, im, input, realInput, window, bitReverse_, n_, log2n_, views, count,
              reinterpret_cast<double*>(out));
}

}  // namespace velorix
