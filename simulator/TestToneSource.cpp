#include "TestToneSource.h"

#include <cmath>
#include <numeric>

#include "TestSignal.h"

namespace velorix::sim {

TestToneSource::TestToneSource() {
    SetRate(125);
}

void TestToneSource::SetRate(int rateKHz) {
    if (rateKHz <= 0) rateKHz = 125;
    const long rateHz = long(rateKHz) * 1000;
    const long toneHz = long(test_signal::kToneHz);
    const long period = rateHz / std::gcd(rateHz, toneHz);
    toneI_.resize(size_t(period));
    toneQ_.resize(size_t(period));
    const double pi = std::acos(-1.0);
    for (long n = 0; n < period; ++n) {
        const double phase = 2.0 * pi * double(toneHz) * double(n) / double(rateHz);
        toneI_[size_t(n)] = int(std::lround(test_signal::kToneAmplitude * std::cos(phase)));
        toneQ_[size_t(n)] = int(std::lround(test_signal::kToneAmplitude * std::sin(phase)));
    }
}

void TestToneSource::Fill(uint64_t firstFrame, uint8_t* out, size_t frames) {
    const uint64_t period = toneI_.size();
    size_t k = size_t(firstFrame % period);
    for (size_t n = 0; n < frames; ++n) {
        test_signal::EncodeFrame(out + n * kFrameBytes, toneI_[k], toneQ_[k], firstFrame + n);
        if (++k == period) k = 0;
    }
}

}  // namespace velorix::sim
