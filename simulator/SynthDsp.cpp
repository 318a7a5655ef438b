#include "SynthDsp.h"

#include <algorithm>
#include <cmath>

#include "DspMath.h"

namespace velorix::sim {

namespace {

uint64_t SplitMix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t Rotl(uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    for (int k = 1; k < 50; ++k) {
        term *= (x / (2.0 * k)) * (x / (2.0 * k));
        sum += term;
        if (term < sum * 1e-17) break;
    }
    return sum;
}

}  // namespace

Rng::Rng(uint64_t seed) {
    for (uint64_t& s : s_)
        s = SplitMix(seed);
}

uint64_t Rng::Next() {
    const uint64_t result = Rotl(s_[1] * 5, 7) * 9;
    const uint64_t t = s_[1] << 17;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 45);
    return result;
}

double Rng::Uniform() {
    return double(Next() >> 11) * (1.0 / 9007199254740992.0);
}

double Rng::Gauss() {
    const double u1 = 1.0 - Uniform();  // (0, 1]
    const double u2 = Uniform();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
}

std::vector<double> WindowedSinc(int length, double cutoff, double gain, double attenuationDb) {
    const double beta = attenuationDb > 50.0   ? 0.1102 * (attenuationDb - 8.7)
                        : attenuationDb > 21.0 ? 0.5842 * std::pow(attenuationDb - 21.0, 0.4) +
                                                     0.07886 * (attenuationDb - 21.0)
                                               : 0.0;
    std::vector<double> h(static_cast<size_t>(length));
    const double mid = 0.5 * (length - 1);
    const double i0b = BesselI0(beta);
    double sum = 0.0;
    for (int n = 0; n < length; ++n) {
        const double t = n - mid;
        const double x = 2.0 * kPi * cutoff * t;
        const double sinc = t == 0.0 ? 2.0 * cutoff : std::sin(x) / (kPi * t);
        const double u = length > 1 ? t / mid : 0.0;
        const double w = BesselI0(beta * std::sqrt(std::max(0.0, 1.0 - u * u))) / i0b;
        h[size_t(n)] = sinc * w;
        sum += h[size_t(n)];
    }
    for (double& v : h)
        v *= gain / sum;
    return h;
}

PolyphaseInterpolator::PolyphaseInterpolator(int ratio, int tapsPerPhase, double cutoff,
                                             double attenuationDb)
    : ratio_(ratio), taps_(tapsPerPhase) {
    const std::vector<double> h =
        WindowedSinc(ratio * tapsPerPhase, cutoff, double(ratio), attenuationDb);
    phases_.resize(size_t(ratio * tapsPerPhase));
    for (int p = 0; p < ratio; ++p)
        for (int t = 0; t < tapsPerPhase; ++t)
            phases_[size_t(p * tapsPerPhase + t)] = h[size_t(p + t * ratio)];
    Reset();
}

void PolyphaseInterpolator::Reset() {
    re_.assign(size_t(taps_ - 1), 0.0);
    im_.assign(size_t(taps_ - 1), 0.0);
}

void PolyphaseInterpolator::Process(const Cpx* in, size_t n, Cpx* out) {
    const size_t hist = size_t(taps_ - 1);
    re_.resize(hist + n);
    im_.resize(hist + n);
    for (size_t i = 0; i < n; ++i) {
        re_[hist + i] = in[i].real();
        im_[hist + i] = in[i].imag();
    }
    const int taps = taps_;
    for (size_t q = 0; q < n; ++q) {
        // x[q - t] sits at re_[hist + q - t].
        const double* xr = re_.data() + q;
        const double* xi = im_.data() + q;
        for (int p = 0; p < ratio_; ++p) {
            const double* h = phases_.data() + size_t(p * taps);
            double ar = 0.0, ai = 0.0;
            for (int t = 0; t < taps; ++t) {
                ar += h[t] * xr[hist - size_t(t)];
                ai += h[t] * xi[hist - size_t(t)];
            }
            out[q * size_t(ratio_) + size_t(p)] = Cpx(ar, ai);
        }
    }
    std::copy(re_.end() - long(hist), re_.end(), re_.begin());
    std::copy(im_.end() - long(hist), im_.end(), im_.begin());
    re_.resize(hist);
    im_.resize(hist);
}

std::vector<double> WrappedLoop(const std::vector<float>& x, size_t pad) {
    const size_t n = x.size();
    std::vector<double> ext(n + 2 * pad);
    for (size_t i = 0; i < ext.size(); ++i)
        ext[i] = x[(i + n * (pad / n + 1) - pad) % n];
    return ext;
}

void Fft(std::vector<Cpx>& a, bool inverse) {
    const size_t n = a.size();
    for (size_t i = 1, j = 0; i < n; ++i) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(a[i], a[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        const double angle = 2.0 * kPi / double(len) * (inverse ? 1.0 : -1.0);
        for (size_t i = 0; i < n; i += len) {
            for (size_t k = 0; k < len / 2; ++k) {
                const Cpx w = std::polar(1.0, angle * double(k));
                const Cpx u = a[i + k], v = a[i + k + len / 2] * w;
                a[i + k] = u + v;
                a[i + k + len / 2] = u - v;
            }
        }
    }
}

}  // namespace velorix::sim
