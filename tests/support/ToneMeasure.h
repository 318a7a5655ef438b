#pragma once

#include <cmath>
#include <complex>
#include <cstddef>
#include <numbers>
#include <random>
#include <type_traits>
#include <vector>

#include "DspMath.h"
#include "DspTypes.h"

// The tests' signals and the one way they measure a tone in them.
namespace velorix::test {

// A complex tone: amplitude·e^{j(2π·freq·n + phase)}, freq in cycles per sample.
inline std::vector<Cpx> ComplexTone(size_t n, double freq, double amplitude = 1.0,
                                    double phase = 0.0) {
    std::vector<Cpx> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = std::polar(amplitude, kTwoPi * freq * static_cast<double>(i) + phase);
    return v;
}

// Gaussian complex noise of the given rms per component, reproducible.
inline std::vector<Cpx> ComplexNoise(size_t n, unsigned seed = 1, double rms = 1.0) {
    std::mt19937 rng(seed);
    std::normal_distribution<double> g(0.0, rms);
    std::vector<Cpx> v(n);
    for (auto& x : v)
        x = Cpx(g(rng), g(rng));
    return v;
}

// Direct DFT at one frequency (cycles per sample) over x[first … first+count):
// the complex amplitude of that component, (1/count)·Σ x[n]·e^{−j2πf n}, its
// phase included.
inline Cpx DftAt(const std::vector<Cpx>& x, double freq, size_t first, size_t count) {
    Cpx sum = 0.0;
    for (size_t n = 0; n < count; ++n)
        sum += x[first + n] * std::polar(1.0, -kTwoPi * freq * static_cast<double>(n));
    return sum / static_cast<double>(count);
}

enum class Window { None, Hann };

// The amplitude of the component at `freq` (cycles per sample: Hz / rate) in
// x[0 … n), by a direct DFT at that one frequency:
// |Σ w(k) x(k) e^(-j 2π f k)| / Σ w(k), doubled for a real signal, whose
// component at f has its mirror at -f. Exact for a sinusoid with a whole
// number of periods and no window; the Hann window,
// w(k) = 0.5 - 0.5 cos(2π (k + 1) / (n + 1)), keeps other components from
// leaking into it.
template <typename T>
double ToneAmplitude(const T* x, size_t n, double freq, Window window = Window::None) {
    std::complex<double> acc = 0.0;
    double weights = 0.0;
    for (size_t k = 0; k < n; ++k) {
        const double w =
            window == Window::Hann ? 0.5 - 0.5 * std::cos(kTwoPi * (k + 1.0) / (n + 1.0)) : 1.0;
        acc += w * x[k] * std::polar(1.0, -kTwoPi * freq * static_cast<double>(k));
        weights += w;
    }
    const double amplitude = n == 0 ? 0.0 : std::abs(acc) / weights;
    return std::is_floating_point_v<T> ? 2.0 * amplitude : amplitude;
}

template <typename T>
double ToneAmplitude(const std::vector<T>& x, double freq, Window window = Window::None) {
    return ToneAmplitude(x.data(), x.size(), freq, window);
}

// The frequency of the strongest component from `lo` to `hi` in steps of
// `step` (cycles per sample).
template <typename T>
double PeakFrequency(const T* x, size_t n, double lo, double hi, double step,
                     Window window = Window::None) {
    double best = lo, bestAmplitude = -1.0;
    for (double f = lo; f <= hi; f += step)
        if (const double a = ToneAmplitude(x, n, f, window); a > bestAmplitude)
            bestAmplitude = a, best = f;
    return best;
}

// Mean phase step of x[first … end) in cycles per sample, in (−0.5, 0.5]:
// the frequency of a single tone, from arg Σ x[n+1]·conj(x[n]).
inline double PhaseStepCycles(const std::vector<Cpx>& x, size_t first, size_t end) {
    Cpx acc = 0.0;
    for (size_t n = first + 1; n < end; ++n)
        acc += x[n] * std::conj(x[n - 1]);
    return std::arg(acc) / kTwoPi;
}

// Root mean square magnitude of x[first … end).
inline double Rms(const std::vector<Cpx>& x, size_t first, size_t end) {
    double sum = 0.0;
    for (size_t n = first; n < end; ++n)
        sum += std::norm(x[n]);
    return std::sqrt(sum / static_cast<double>(end - first));
}

// Amplitude ratio in dB.
inline double Db(double ratio) {
    return 20.0 * std::log10(ratio + 1e-300);
}

// Causal convolution with zero initial state: z[r] = Σ_q h[q]·s[r−q].
inline std::vector<Cpx> Convolve(const std::vector<Cpx>& s, const std::vector<double>& h) {
    std::vector<Cpx> z(s.size());
    for (size_t r = 0; r < s.size(); ++r) {
        Cpx acc = 0.0;
        for (size_t q = 0; q < h.size() && q <= r; ++q)
            acc += h[q] * s[r - q];
        z[r] = acc;
    }
    return z;
}

inline double MaxAbsDiff(const std::vector<Cpx>& a, const std::vector<Cpx>& b, size_t count) {
    double worst = 0.0;
    for (size_t i = 0; i < count; ++i)
        worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

}  // namespace velorix::test
