#pragma once

// Independent measurements of the band model's output for the tests: frames
// decoded as the acquisition board does, and levels by direct DFT.
#include <cmath>
#include <complex>
#include <cstdint>
#include <string>
#include <vector>

#include "BandModel.h"
#include "BandScenario.h"
#include "DspMath.h"
#include "TestSignal.h"
#include "ToneMeasure.h"

namespace velorix::sim::probe {

using C = std::complex<double>;

inline BandScenario Scenario(const std::string& text) {
    ScenarioResult r = ParseScenario(text, "test");
    if (!r.scenario) throw std::runtime_error(r.error);
    return *r.scenario;
}

// What the program adds to its measured dB: attenuator, preamp offset and
// preselector loss.
inline double Calibration(const FrontEndSetting& s) {
    const double att[] = {0, 10, 20, 30};
    const double loss[] = {0.6, 2.5, 2.4, 1.7, 1.1, 1.1, 2.8, 1.9, 1.5, 1.1, 0.0};
    return att[s.attenuatorStep] + (s.preamp ? -7.5 : -4.0) + loss[s.preselectorFilter];
}

// The acquisition board's conversion: 24-bit value in the top three bytes of an
// int32, divided by 1,074,000,000.
inline std::vector<C> Decode(const std::vector<uint8_t>& frames) {
    std::vector<C> x(frames.size() / 6);
    for (size_t n = 0; n < x.size(); ++n) {
        const int32_t i = test_signal::Read24(&frames[6 * n]);
        const int32_t q = test_signal::Read24(&frames[6 * n + 3]);
        x[n] = C(double(int32_t(uint32_t(i) << 8)) / 1074000000.0,
                 double(int32_t(uint32_t(q) << 8)) / 1074000000.0);
    }
    return x;
}

inline std::vector<uint8_t> Frames(BandModel& band, size_t n, uint64_t first = 0) {
    std::vector<uint8_t> f(n * 6);
    band.Fill(first, f.data(), n);
    return f;
}

inline std::vector<C> Samples(BandModel& band, size_t n) {
    return Decode(Frames(band, n));
}

// Amplitude in dB of the component at `freqHz` after the first `skip`
// samples (Hann window scaled to a mean of 1, as the spectrum display's).
inline double ToneDb(const std::vector<C>& x, double rateHz, double freqHz, size_t skip = 0) {
    return test::Db(
        test::ToneAmplitude(x.data() + skip, x.size() - skip, freqHz / rateHz, test::Window::Hann));
}

// Power spectrum (Hann, mean 1, divided by N) in dB, bin 0 at DC, N a power of two.
std::vector<double> SpectrumDb(const std::vector<C>& x, size_t start, size_t n);

// Average of 20·log10|y| after mixing `freqHz` to DC and a 2.4 kHz-wide moving
// average, as an AGC's average level sees a carrier in its passband.
inline double AverageLevelDb(const std::vector<C>& x, double rateHz, double freqHz) {
    const size_t len = size_t(rateHz / 2400.0);
    C run;
    std::vector<C> mixed(x.size());
    for (size_t k = 0; k < x.size(); ++k)
        mixed[k] = x[k] * std::polar(1.0, -2 * kPi * freqHz * double(k) / rateHz);
    double sum = 0.0;
    size_t count = 0;
    for (size_t k = 0; k < x.size(); ++k) {
        run += mixed[k];
        if (k >= len) run -= mixed[k - len];
        if (k >= 2 * len) {
            sum += 20 * std::log10(std::abs(run) / double(len) + 1e-30);
            ++count;
        }
    }
    return sum / double(count);
}

}  // namespace velorix::sim::probe
