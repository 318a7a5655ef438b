#include "SpectrumEstimator.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "DspMath.h"

namespace velorix {
namespace {

constexpr double kPi = std::numbers::pi;

#define VELORIX_INLINE inline __attribute__((always_inline))

// I0 by its power series, 36 terms: ample for the window's beta range.
double BesselI0(double x) {
    const double half = 0.5 * x;
    double term = 1.0, sum = 1.0;
    for (int s = 1; s < 36; ++s) {
        term *= half / s;
        sum += term * term;
    }
    return sum;
}

// One radix-4 decimation-in-time pass over blocks of 4a: the four length-a
// transforms S0..S3 of a block combine into one of length 4a. With
// w = e^(-j 2 pi k / 4a): B = w^2 S1, C = w S2, D = w^3 S3 (bit-reversed
// order puts S1 with w^2), then X[k] = S0 + B + (C + D), X[k + 2a] = S0 + B - (C + D),
// X[k + a] = S0 - B - j(C - D), X[k + 3a] = S0 - B + j(C - D). Two radix-2
// stages with the same twiddles, in one sweep over memory.
VELORIX_INLINE void Radix4Block(double* __restrict r0, double* __restrict i0, double* __restrict r1,
                                double* __restrict i1, double* __restrict r2, double* __restrict i2,
                                double* __restrict r3, double* __restrict i3,
                                const double* __restrict tw, unsigned a) {
    const double* w1r = tw;
    const double* w1i = tw + a;
    const double* w2r = tw + 2 * a;
    const double* w2i = tw + 3 * a;
    const double* w3r = tw + 4 * a;
    const double* w3i = tw + 5 * a;
    for (unsigned k = 0; k < a; ++k) {
        const double br = r1[k] * w2r[k] - i1[k] * w2i[k];
        const double bi = r1[k] * w2i[k] + i1[k] * w2r[k];
        const double cr = r2[k] * w1r[k] - i2[k] * w1i[k];
        const double ci = r2[k] * w1i[k] + i2[k] * w1r[k];
        const double dr = r3[k] * w3r[k] - i3[k] * w3i[k];
        const double di = r3[k] * w3i[k] + i3[k] * w3r[k];
        const double t0r = r0[k] + br, t0i = i0[k] + bi;
        const double t1r = r0[k] - br, t1i = i0[k] - bi;
        const double t2r = cr + dr, t2i = ci + di;
        const double t3r = cr - dr, t3i = ci - di;
        r0[k] = t0r + t2r;
        i0[k] = t0i + t2i;
        r2[k] = t0r - t2r;
        i2[k] = t0i - t2i;
        r1[k] = t1r + t3i;
        i1[k] = t1i - t3r;
        r3[k] = t1r - t3i;
        i3[k] = t1i + t3r;
    }
}

VELORIX_HOT_CLONES void Radix4Passes(double* re, double* im, const double* tw, unsigned n,
                                     unsigned firstSpan) {
    for (unsigned a = firstSpan; a < n; a *= 4) {
        for (unsigned p = 0; p < n; p += 4 * a)
            Radix4Block(re + p, im + p, re + p + a, im + p + a, re + p + 2 * a, im + p + 2 * a,
                        re + p + 3 * a, im + p + 3 * a, tw, a);
        tw += 6 * a;
    }
}

// Loads the windowed, scaled input in bit-reversed order and runs the first
// two radix-2 stages (twiddles 1 and -j) on the way. `stride` is 2 for
// complex input, 1 for real input (imaginary parts 0).
template <int kStride>
VELORIX_INLINE void LoadRadix4(double* __restrict re, double* __restrict im,
                               const double* __restrict x, const double* __restrict w,
                               const int* __restrict rev, unsigned n, double scale) {
    for (unsigned p = 0; p < n; p += 4) {
        double vr[4], vi[4];
        for (int j = 0; j < 4; ++j) {
            const int idx = rev[p + j];
            const double g = w[idx] * scale;
            vr[j] = x[kStride * idx] * g;
            vi[j] = kStride == 2 ? x[kStride * idx + 1] * g : 0.0;
        }
        const double t0r = vr[0] + vr[1], t0i = vi[0] + vi[1];
        const double t1r = vr[0] - vr[1], t1i = vi[0] - vi[1];
        const double t2r = vr[2] + vr[3], t2i = vi[2] + vi[3];
        const double t3r = vr[2] - vr[3], t3i = vi[2] - vi[3];
        re[p] = t0r + t2r, im[p] = t0i + t2i;
        re[p + 2] = t0r - t2r, im[p + 2] = t0i - t2i;
        re[p + 1] = t1r + t3i, im[p + 1] = t1i - t3r;
        re[p + 3] = t1r - t3i, im[p + 3] = t1i + t3r;
    }
}

// As LoadRadix4 with one radix-2 stage, for an odd number of stages.
template <int kStride>
VELORIX_INLINE void LoadRadix2(double* __restrict re, double* __restrict im,
                               const double* __restrict x, const double* __restrict w,
                               const int* __restrict rev, unsigned n, double scale) {
    for (unsigned p = 0; p < n; p += 2) {
        const int a = rev[p], b = rev[p + 1];
        const double ga = w[a] * scale, gb = w[b] * scale;
        const double ar = x[kStride * a] * ga, ai = kStride == 2 ? x[kStride * a + 1] * ga : 0.0;
        const double br = x[kStride * b] * gb, bi = kStride == 2 ? x[kStride * b + 1] * gb : 0.0;
        re[p] = ar + br, im[p] = ai + bi;
        re[p + 1] = ar - br, im[p + 1] = ai - bi;
    }
}

template <int kStride>
VELORIX_INLINE void Load(double* re, double* im, const double* x, const double* w, const int* rev,
                         unsigned n, int log2n, double scale) {
    if (log2n % 2 == 0)
        LoadRadix4<kStride>(re, im, x, w, rev, n, scale);
    else
        LoadRadix2<kStride>(re, im, x, w, rev, n, scale);
}

VELORIX_HOT_CLONES void LoadComplex(double* re, double* im, const double* x, const double* w,
                                    const int* rev, unsigned n, int log2n, double scale) {
    Load<2>(re, im, x, w, rev, n, log2n, scale);
}

VELORIX_HOT_CLONES void LoadReal(double* re, double* im, const double* x, const double* w,
                                 const int* rev, unsigned n, int log2n, double scale) {
    Load<1>(re, im, x, w, rev, n, log2n, scale);
}

VELORIX_HOT_CLONES void Interleave(double* __restrict out, const double* __restrict re,
                                   const double* __restrict im, unsigned n) {
    for (unsigned i = 0; i < n; ++i) {
        out[2 * i] = re[i];
        out[2 * i + 1] = im[i];
    }
}

VELORIX_HOT_CLONES void Power(double* __restrict power, const double* __restrict x, unsigned n) {
    for (unsigned i = 0; i < n; ++i)
        power[i] = x[2 * i] * x[2 * i] + x[2 * i + 1] * x[2 * i + 1];
}

VELORIX_HOT_CLONES void AveragePower(double* __restrict avg, const double* __restrict x, unsigned n,
                                     double a) {
    const double b = 1.0 - a;
    for (unsigned i = 0; i < n; ++i)
        avg[i] = a * avg[i] + b * (x[2 * i] * x[2 * i] + x[2 * i + 1] * x[2 * i + 1]);
}

}  // namespace

CSpectrumEstimator::CSpectrumEstimator(int ownsInput) : ownsInput_(ownsInput) {}

CSpectrumEstimator::~CSpectrumEstimator() {
    CSpectrumEstimator::Release();
}

int CSpectrumEstimator::SetSize(unsigned n, void* input) {
    if (n < kMinSize || n > kMaxSize || (n & (n - 1)) != 0) return 0;
    if (n == size_) {
        // Same size, no reallocation; a caller that moved its buffer still
        // gets its new pointer used, never the freed one.
        if (input != nullptr && !ownsInput_) input_ = input;
        return 1;
    }
    Release();
    if (input != nullptr && !ownsInput_) input_ = input;
    int log2n = 0;
    while ((1u << log2n) < n)
        ++log2n;
    return Allocate(n, log2n);
}

int CSpectrumEstimator::Allocate(unsigned n, int log2n) {
    try {
        bitReverse_.assign(n, 0);
        twiddles_.assign(n / 2, Cpx());
        work_.assign(n, Cpx(1e-30, 1e-30));
        if (ownsInput_) {
            ownInput_.assign(n, Cpx(1e-30, 1e-30));
            input_ = ownInput_.data();
        }
        window_.assign(n, 1.0);
        average_.assign(n, 1e-30);
        re_.assign(n, 0.0);
        im_.assign(n, 0.0);
        passTwiddles_.assign(2 * static_cast<size_t>(n), 0.0);
    } catch (const std::bad_alloc&) {
        Release();
        return 0;
    }
    size_ = n;
    log2Size_ = log2n;
    for (unsigned i = 0; i < n; ++i) {
        unsigned r = 0;
        for (int b = 0; b < log2n; ++b)
            r |= ((i >> b) & 1u) << (log2n - 1 - b);
        bitReverse_[i] = static_cast<int>(r);
    }
    for (unsigned k = 0; k < n / 2; ++k) {
        const double theta = -kPi * k / (n / 2);
        twiddles_[k] = Cpx(std::cos(theta), std::sin(theta));
    }
    BuildPassTwiddles();
    ComputeWindow();
    firstFrame_ = 1;
    return 1;
}

void CSpectrumEstimator::Release() {
    twiddles_ = {};
    work_ = {};
    ownInput_ = {};
    if (ownsInput_) input_ = nullptr;
    average_ = {};
    bitReverse_ = {};
    window_ = {};
    re_ = {};
    im_ = {};
    passTwiddles_ = {};
    size_ = 0;
    log2Size_ = 0;
}

// The twiddles of each radix-4 pass, taken from the table W so that they are
// exactly the radix-2 transform's: for span a, w^m[k] = W[m k N / 4a], with
// W[i + N/2] = -W[i].
void CSpectrumEstimator::BuildPassTwiddles() {
    const unsigned n = size_;
    double* out = passTwiddles_.data();
    for (unsigned a = (log2Size_ % 2 == 0) ? 4 : 2; a < n; a *= 4) {
        const unsigned step = n / (4 * a);
        for (int m = 1; m <= 3; ++m) {
            const int slot = m == 1 ? 0 : (m == 2 ? 2 : 4);
            for (unsigned k = 0; k < a; ++k) {
                const unsigned idx = m * k * step;
                const Cpx w = idx < n / 2 ? twiddles_[idx] : -twiddles_[idx - n / 2];
                out[slot * a + k] = w.real();
                out[(slot + 1) * a + k] = w.imag();
            }
        }
        out += 6 * a;
    }
}

void CSpectrumEstimator::ComputeWindow() {
    const unsigned n = size_;
    const double last = n - 1.0;
    double sum = 0.0;
    for (unsigned k = 0; k < n; ++k) {
        double w = 1.0;
        switch (windowType_) {
            case kWindowKaiser: {
                const double u = (2.0 * k + 1.0 - n) / last;
                w = BesselI0(kaiserBeta_ * std::sqrt(std::max(0.0, 1.0 - u * u))) /
                    BesselI0(kaiserBeta_);
                break;
            }
            case kWindowHamming:
                w = 0.54 - 0.46 * std::cos(2.0 * kPi * k / last);
                break;
            case kWindowHann:
                w = 0.5 - 0.5 * std::cos(2.0 * kPi * (k + 1.0) / (n + 1.0));
                break;
            case kWindowBlackman:
                w = 0.42 - 0.5 * std::cos(2.0 * kPi * k / last) +
                    0.08 * std::cos(4.0 * kPi * k / last);
                break;
            default:
                break;
        }
        window_[k] = w;
        sum += w;
    }
    if (windowType_ == kWindowRectangular) return;
    const double mean = sum / n;
    for (unsigned k = 0; k < n; ++k)
        window_[k] /= mean;
}

void CSpectrumEstimator::SetWindow(int type) {
    if (type >= kWindowRectangular && type <= kWindowBlackman) windowType_ = type;
}

void CSpectrumEstimator::Transform(bool realInput) {
    const unsigned n = size_;
    const double scale = 1.0 / n;  // a power of two: scaling first is exact
    const double* x = static_cast<const double*>(input_);
    if (realInput)
        LoadReal(re_.data(), im_.data(), x, window_.data(), bitReverse_.data(), n, log2Size_,
                 scale);
    else
        LoadComplex(re_.data(), im_.data(), x, window_.data(), bitReverse_.data(), n, log2Size_,
                    scale);
    Radix4Passes(re_.data(), im_.data(), passTwiddles_.data(), n, log2Size_ % 2 == 0 ? 4 : 2);
    Interleave(reinterpret_cast<double*>(work_.data()), re_.data(), im_.data(), n);
}

Cpx* CSpectrumEstimator::ComplexFft() {
    if (size_ != 0 && input_ != nullptr) Transform(false);
    return work_.data();
}

Cpx* CSpectrumEstimator::RealFft() {
    if (size_ != 0 && input_ != nullptr) Transform(true);
    return work_.data();
}

double* CSpectrumEstimator::ToDb() {
    double* values = reinterpret_cast<double*>(work_.data());
    if (size_ == 0) return values;
    const double a = averaging_.load(std::memory_order_relaxed);
    if (a != 0.0 && !firstFrame_) {
        AveragePower(average_.data(), values, size_, a);
    } else {
        Power(average_.data(), values, size_);
        firstFrame_ = 0;
    }
    PowerToDbArray(values, average_.data(), static_cast<int>(size_));
    return values;
}

double* CSpectrumEstimator::SwapHalves() {
    double* values = reinterpret_cast<double*>(work_.data());
    if (size_ == 0) return values;
    std::swap_ranges(values, values + size_ / 2, values + size_ / 2);
    return values;
}

}  // namespace velorix
