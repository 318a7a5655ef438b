#include "RationalResampler.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "DspMath.h"
#include "FirKernels.h"
#include "KaiserDesign.h"

// The vector helpers are always inlined, so the AVX argument-passing note
// GCC gives for them has no effect on any call boundary.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wpsabi"
#endif
#include "VectorKernels.h"

namespace velorix {

namespace {

// Doubles summed per pass of the dot product: four AVX2 or eight SSE2
// accumulators, enough to hide the adds' latency.
constexpr int kDotBlock = 16;

template <typename VT>
VELORIX_INLINE void DotImpl(const double* __restrict w, const double* __restrict x, int doubles,
                            double* y) {
    constexpr int kLanes = sizeof(VT) / sizeof(double);
    constexpr int kAcc = kDotBlock / kLanes;
    VT acc[kAcc];
#pragma GCC unroll 8
    for (int v = 0; v < kAcc; ++v)
        acc[v] = VT{} * 0.0;
    for (int i = 0; i < doubles; i += kDotBlock) {
#pragma GCC unroll 8
        for (int v = 0; v < kAcc; ++v)
            acc[v] += simd::Load<VT>(w + i + kLanes * v) * simd::Load<VT>(x + i + kLanes * v);
    }
    for (int v = 1; v < kAcc; ++v)
        acc[0] += acc[v];
    double re = 0.0, im = 0.0;
    for (int q = 0; q < kLanes; q += 2) {
        re += acc[0][q];
        im += acc[0][q + 1];
    }
    y[0] = re;
    y[1] = im;
}

using DotFn = void (*)(const double*, const double*, int, double*);

DotFn PickDot() {
    return kernels::UseAvx2() ? kernels::ResampleDotAvx2 : kernels::ResampleDotBaseline;
}

// Kaiser's estimates for a stop-band `attenuationDb` down and a transition
// `width` radians per sample wide.
double KaiserBeta(double attenuationDb) {
    if (attenuationDb > 50.0) return 0.1102 * (attenuationDb - 8.7);
    if (attenuationDb >= 21.0)
        return 0.5842 * std::pow(attenuationDb - 21.0, 0.4) + 0.07886 * (attenuationDb - 21.0);
    return 0.0;
}

int KaiserLength(double attenuationDb, double width) {
    return static_cast<int>(std::ceil((attenuationDb - 7.95) / (2.285 * width))) + 1;
}

}  // namespace

namespace kernels {
void ResampleDotBaseline(const double* w, const double* x, int doubles, double* y) {
    DotImpl<simd::V2>(w, x, doubles, y);
}
VELORIX_AVX2 void ResampleDotAvx2(const double* w, const double* x, int doubles, double* y) {
    DotImpl<simd::V4>(w, x, doubles, y);
}
}  // namespace kernels

ResampleRatio ApproximateRatio(double inRateHz, double outRateHz, int maxTerm) {
    const double x = outRateHz / inRateHz;
    if (inRateHz == std::round(inRateHz) && outRateHz == std::round(outRateHz) && inRateHz < 9e15 &&
        outRateHz < 9e15) {
        const auto in = static_cast<std::int64_t>(inRateHz);
        const auto out = static_cast<std::int64_t>(outRateHz);
        const std::int64_t g = std::gcd(in, out);
        if (out / g <= maxTerm && in / g <= maxTerm)
            return {static_cast<int>(out / g), static_cast<int>(in / g)};
    }
    // Convergents h/k of the continued fraction of x, the last that fits.
    ResampleRatio best{1, std::max(1, std::min(maxTerm, static_cast<int>(std::lround(1.0 / x))))};
    double rest = x;
    std::int64_t h0 = 0, h1 = 1, k0 = 1, k1 = 0;
    for (int step = 0; step < 64; ++step) {
        const double a = std::floor(rest);
        const auto ai = static_cast<std::int64_t>(a);
        const std::int64_t h = ai * h1 + h0;
        const std::int64_t k = ai * k1 + k0;
        if (h > maxTerm || k > maxTerm) break;
        if (h >= 1) best = {static_cast<int>(h), static_cast<int>(k)};
        h0 = h1, h1 = h, k0 = k1, k1 = k;
        if (rest - a < 1e-12) break;
        rest = 1.0 / (rest - a);
    }
    return best;
}

RationalResampler::RationalResampler(ResampleRatio ratio, double pass, double stop,
                                     double attenuationDb)
    : up_(std::max(1, ratio.up)), down_(std::max(1, ratio.down)) {
    // At the up-sampled rate, the narrower rate's band is 1/max(up, down) of it.
    const double narrow = 1.0 / std::max(up_, down_);
    const double width = 2.0 * kPi * (stop - pass) * narrow;
    const int wanted = KaiserLength(attenuationDb, width);
    const int perPhase = (wanted + up_ - 1) / up_;
    const int block = kDotBlock / 2;  // complex samples per pass of the dot product
    taps_ = (perPhase + block - 1) / block * block;
    // An odd length, so the delay is a whole number of samples at the
    // up-sampled rate and can be taken out exactly; the last tap stays 0.
    const int length = (taps_ * up_ - 1) | 1;
    delay_ = (length - 1) / 2;

    std::vector<double> window(static_cast<std::size_t>(length));
    std::vector<double> h(static_cast<std::size_t>(taps_ * up_), 0.0);
    KaiserWindow(length, KaiserBeta(attenuationDb), window.data());
    // The cut-off halfway between the edges; zero stuffing loses a factor up.
    KaiserLowPass(length, kPi * (pass + stop) * narrow, window.data(), h.data());
    phases_.assign(static_cast<std::size_t>(up_) * 2 * taps_, 0.0);
    for (int p = 0; p < up_; ++p) {
        double* phase = &phases_[static_cast<std::size_t>(p) * 2 * taps_];
        for (int i = 0; i < taps_; ++i) {
            const double tap = up_ * h[static_cast<std::size_t>(p + up_ * (taps_ - 1 - i))];
            phase[2 * i] = tap;
            phase[2 * i + 1] = tap;
        }
    }
    // The window starts with the history an output at time 0 reaches back to.
    window_.assign(static_cast<std::size_t>(taps_ - 1), Cpx(0.0, 0.0));
    first_ = -(taps_ - 1);
}

std::size_t RationalResampler::MaxOutput(std::size_t count) const {
    return (count + static_cast<std::size_t>(taps_) + 2) * static_cast<std::size_t>(up_) /
               static_cast<std::size_t>(down_) +
           2;
}

std::size_t RationalResampler::Run(Cpx* out, std::int64_t limit) {
    static const DotFn dot = PickDot();
    const std::int64_t end = first_ + static_cast<std::int64_t>(window_.size());
    std::size_t written = 0;
    while (outputs_ < limit) {
        const std::int64_t t = outputs_ * down_ + delay_;
        const std::int64_t newest = t / up_;
        if (newest >= end) break;
        const std::size_t phase = static_cast<std::size_t>(t % up_);
        const Cpx* x = &window_[static_cast<std::size_t>(newest - taps_ + 1 - first_)];
        dot(&phases_[phase * 2 * taps_], reinterpret_cast<const double*>(x), 2 * taps_,
            reinterpret_cast<double*>(out + written));
        ++outputs_;
        ++written;
    }
    // Keep only what the next output reaches back to.
    const std::int64_t next = (outputs_ * down_ + delay_) / up_;
    const std::int64_t keep = std::clamp<std::int64_t>(next - taps_ + 1, first_, end);
    window_.erase(window_.begin(), window_.begin() + (keep - first_));
    first_ = keep;
    return written;
}

std::size_t RationalResampler::Process(const Cpx* in, std::size_t count, Cpx* out) {
    if (flushed_) return 0;
    window_.insert(window_.end(), in, in + count);
    inputs_ += static_cast<std::int64_t>(count);
    return Run(out, INT64_MAX);
}

std::size_t RationalResampler::Flush(Cpx* out) {
    if (flushed_) return 0;
    flushed_ = true;
    const std::int64_t total = (inputs_ * up_ + down_ - 1) / down_;
    if (total <= outputs_) return 0;
    // Zeros after the input, as far as the last output reaches.
    const std::int64_t newest = ((total - 1) * down_ + delay_) / up_;
    const std::int64_t end = first_ + static_cast<std::int64_t>(window_.size());
    if (newest >= end) window_.resize(window_.size() + static_cast<std::size_t>(newest + 1 - end));
    return Run(out, total);
}

}  // namespace velorix
