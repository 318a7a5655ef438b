#include "DspLMSNoiseRed.h"

#include <algorithm>

#include "DspMath.h"

namespace velorix {
namespace {

// The predictor over `count` outputs. Sums use eight independent partial
// sums so that they vectorise without reassociating behind the compiler's back.
VELORIX_HOT_CLONES void Predict(double* __restrict out, const double* __restrict x,
                                double* __restrict w, int count, int taps, int delay, double mu) {
    const int blocked = taps & ~7;
    for (int i = 0; i < count; ++i) {
        const double* r = x + i + delay;
        double ys[8] = {}, es[8] = {};
        for (int k = 0; k < blocked; k += 8) {
            for (int j = 0; j < 8; ++j) {
                ys[j] += w[k + j] * r[k + j];
                es[j] += r[k + j] * r[k + j];
            }
        }
        double y = ((ys[0] + ys[4]) + (ys[1] + ys[5])) + ((ys[2] + ys[6]) + (ys[3] + ys[7]));
        double energy = ((es[0] + es[4]) + (es[1] + es[5])) + ((es[2] + es[6]) + (es[3] + es[7]));
        for (int k = blocked; k < taps; ++k) {
            y += w[k] * r[k];
            energy += r[k] * r[k];
        }
        energy += 0.01;  // keeps silence finite
        out[2 * i] = out[2 * i + 1] = y;
        const double e = (x[i] - y) * mu / energy;
        for (int k = 0; k < taps; ++k)
            w[k] += e * r[k];
    }
}

}  // namespace

CDspLMSNoiseRed::CDspLMSNoiseRed(int capacity, int taps, int delay, double step)
    : CDspBlock(kDspTypeComplex, capacity, std::max(taps, 1) + std::max(delay, 0) - 1),
      taps_(std::max(taps, 1)),
      delay_(std::max(delay, 0)),
      mu_(step),
      wRev_(static_cast<size_t>(taps_), 0.0),
      chunk_(std::max(capacity, 64)) {
    real_.resize(static_cast<size_t>(chunk_ + taps_ + delay_ - 1));
}

void CDspLMSNoiseRed::SetStepDb(double attenuationDb) {
    mu_.store(DbToAmplitude(-attenuationDb), std::memory_order_relaxed);
}

void CDspLMSNoiseRed::Process(void* dst, const void* src, int count) {
    const double* in = static_cast<const double*>(src);
    double* out = static_cast<double*>(dst);
    const double mu = mu_.load(std::memory_order_relaxed);
    const int span = taps_ + delay_ - 1;
    // In chunks, so that any count works with the scratch allocated once.
    for (int done = 0; done < count;) {
        const int n = std::min(chunk_, count - done);
        const double* x = in + 2 * done;
        for (int k = 0; k < n + span; ++k)
            real_[k] = x[2 * k];
        Predict(out + 2 * done, real_.data(), wRev_.data(), n, taps_, delay_, mu);
        done += n;
    }
}

}  // namespace velorix
