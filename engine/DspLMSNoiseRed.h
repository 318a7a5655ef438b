#pragma once

#include <atomic>
#include <vector>

#include "DspBlock.h"

namespace velorix {

// Adaptive line enhancer on the audio path: a normalised-LMS predictor
// estimates each sample from `taps` samples that lie `delay` samples after it
// and outputs the estimate. Periodic sound (voice harmonics, carriers, CW)
// is predictable and passes; uncorrelated noise is attenuated. Only real
// parts are used; the output's imaginary part equals its real part.
//
// The input buffer keeps taps + delay - 1 samples of history (like a FIR of
// taps + delay taps); the output lags the newest input by that much. The
// weights are never reset: Restart clears the history only.
// Process runs on the acquisition worker; SetStepDb is a plain store from the
// UI thread.
class CDspLMSNoiseRed : public CDspBlock {
public:
    CDspLMSNoiseRed(int capacity = 512, int taps = 64, int delay = 20, double step = 0.01);

    // Step size mu = 10^(-x/20): 0 dB gives 1, 40 dB gives 0.01.
    void SetStepDb(double attenuationDb);
    double Step() const { return mu_.load(std::memory_order_relaxed); }
    int Taps() const { return taps_; }
    int Delay() const { return delay_; }
    // Weight w[j], j = 0 ... taps-1; w[taps-1] multiplies the sample nearest
    // to the predicted one.
    double Weight(int j) const { return wRev_[taps_ - 1 - j]; }

    // `count` outputs; `src` points at the oldest history element, so it
    // holds count + taps + delay - 1 complex samples.
    void Process(void* dst, const void* src, int count) override;
    std::string& GetName(std::string& name) override { return name = "CDspLMSNoiseRed"; }

private:
    int taps_;
    int delay_;
    std::atomic<double> mu_;
    // Weights in reverse order (wRev_[k] = w[taps-1-k]) so that the window
    // and the weights are both read forwards.
    std::vector<double> wRev_;
    // Real parts of one chunk of input, history included, so that the
    // predictor reads them with unit stride.
    std::vector<double> real_;
    int chunk_;
};

}  // namespace velorix
