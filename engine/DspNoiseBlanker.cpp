#include "DspNoiseBlanker.h"

#include <cmath>
#include <cstring>

namespace velorix {

namespace {
double Ratio(double setting) {
    return std::pow(10.0, -setting * 0.005);
}
}  // namespace

CDspNoiseBlanker::CDspNoiseBlanker()
    : CDspBlock(kDspTypeComplex, kCapacity, 0), threshold_(Ratio(kDefaultSetting)) {
    consumesInPlace_ = true;
}

void CDspNoiseBlanker::SetThreshold(double setting) {
    threshold_.store(Ratio(setting), std::memory_order_relaxed);
}

void CDspNoiseBlanker::SetEnabled(int enabled) {
    // Raise the restart before publishing the flag, so the first enabled
    // block already starts from 0.
    if (enabled == 1) restartAverage_.store(true, std::memory_order_relaxed);
    enabled_.store(enabled, std::memory_order_release);
}

void CDspNoiseBlanker::Process(void* dst, const void* src, int count) {
    const Cpx* x = static_cast<const Cpx*>(src);
    Cpx* y = static_cast<Cpx*>(dst);
    if (enabled_.load(std::memory_order_acquire) == 0) {
        std::memcpy(y, x, static_cast<size_t>(count) * sizeof(Cpx));
        return;
    }
    if (restartAverage_.exchange(false, std::memory_order_relaxed)) {
        average_ = 0.0;
        previousMagnitude_ = 0.0;
    }
    const double ratio = ThresholdRatio();
    const double keep = 1.0 - coefficient_;
    double average = average_;
    double previous = previousMagnitude_;
    for (int i = 0; i < count; ++i) {
        const double re = x[i].real(), im = x[i].imag();
        const double m = std::sqrt(re * re + im * im);
        average = keep * average + coefficient_ * (m + previous) * 0.5;
        previous = m;
        y[i] = (m > ratio * average) ? Cpx() : x[i];
    }
    average_ = average;
    previousMagnitude_ = previous;
}

}  // namespace velorix
