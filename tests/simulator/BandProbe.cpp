#include "BandProbe.h"

#include "SynthDsp.h"

namespace velorix::sim::probe {

std::vector<double> SpectrumDb(const std::vector<C>& x, size_t start, size_t n) {
    std::vector<Cpx> a(n);
    for (size_t k = 0; k < n; ++k) {
        const double w = 0.5 - 0.5 * std::cos(2 * kPi * (double(k) + 1) / (double(n) + 1));
        a[k] = x[start + k] * w;
    }
    double wsum = 0.0;
    for (size_t k = 0; k < n; ++k)
        wsum += 0.5 - 0.5 * std::cos(2 * kPi * (double(k) + 1) / (double(n) + 1));
    Fft(a, false);
    std::vector<double> db(n);
    for (size_t k = 0; k < n; ++k)
        db[k] = 10 * std::log10(std::norm(a[k] / wsum) + 1e-200);
    return db;
}

}  // namespace velorix::sim::probe
