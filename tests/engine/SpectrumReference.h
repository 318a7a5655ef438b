#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "DspTypes.h"
#include "ToneMeasure.h"

namespace velorix::test {

using LongCpx = std::complex<long double>;

// Direct DFT in long double, X[k] = scale * sum x[n] e^(-j 2 pi k n / N), with
// the exponent's index reduced modulo N so that the twiddles are exact to
// long-double precision. The reference for the fast transform.
inline std::vector<LongCpx> DirectDft(const std::vector<LongCpx>& x, long double scale = 1.0L) {
    const size_t n = x.size();
    std::vector<LongCpx> table(n);
    for (size_t m = 0; m < n; ++m) {
        const long double theta = -2.0L * std::numbers::pi_v<long double> * m / n;
        table[m] = LongCpx(std::cos(theta), std::sin(theta));
    }
    std::vector<LongCpx> out(n);
    for (size_t k = 0; k < n; ++k) {
        LongCpx sum = 0;
        for (size_t i = 0; i < n; ++i)
            sum += x[i] * table[(k * i) % n];
        out[k] = sum * scale;
    }
    return out;
}

inline double MeanPower(const std::vector<double>& x) {
    long double s = 0;
    for (double v : x)
        s += (long double)v * v;
    return static_cast<double>(s / x.size());
}

// Complex white Gaussian noise of the given power per sample.
inline std::vector<Cpx> ComplexNoise(size_t n, double power, unsigned seed) {
    std::mt19937_64 rng(seed);
    std::normal_distribution<double> g(0.0, std::sqrt(power / 2.0));
    std::vector<Cpx> v(n);
    for (auto& z : v)
        z = Cpx(g(rng), g(rng));
    return v;
}

}  // namespace velorix::test
