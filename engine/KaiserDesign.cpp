#include "KaiserDesign.h"

#include <cmath>

namespace velorix {

double KaiserBesselI0(double x) {
    const double half = 0.5 * x;
    double term = 1.0;  // (x/2)^s / s!
    double sum = 1.0;
    for (int s = 1; s < 36; ++s) {
        term *= half / s;
        sum += term * term;
    }
    return sum;
}

void KaiserWindow(int taps, double beta, double* window) {
    if (taps == 1) {
        window[0] = 1.0;
        return;
    }
    const double norm = KaiserBesselI0(beta);
    for (int k = 0; k < taps; ++k) {
        const double u = static_cast<double>(2 * k + 1 - taps) / (taps - 1);
        const double r = 1.0 - u * u;
        window[k] = KaiserBesselI0(beta * std::sqrt(r > 0.0 ? r : 0.0)) / norm;
    }
}

bool KaiserLowPass(int taps, double omega, const double* window, double* out) {
    double sum = 0.0;
    for (int k = 0; k < taps; ++k) {
        const double a = (2 * k + 1 - taps) * omega * 0.5;
        // The centre of an odd-length filter, or a zero cutoff, meets a = 0,
        // where sin(a)/a takes its limit 1 instead of 0/0.
        const double sinc = (a == 0.0) ? 1.0 : std::sin(a) / a;
        out[k] = sinc * window[k];
        sum += out[k];
    }
    if (!std::isfinite(sum) || sum == 0.0) return false;
    for (int k = 0; k < taps; ++k)
        out[k] /= sum;
    return true;
}

}  // namespace velorix
