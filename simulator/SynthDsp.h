#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velorix::sim {

using Cpx = std::complex<double>;

// Rates of the band model's internal streams: every station is synthesised at
// kAudioRateHz, interpolated by 2 to kStationRateHz, then by 4, 8 or 16 to the
// output rate (125, 250, 500 kHz) and shifted to its place in the band.
inline constexpr double kAudioRateHz = 15625.0;
inline constexpr double kStationRateHz = 31250.0;
// Station signals occupy at most +-kStationBandwidthHz around their centre;
// both interpolators pass it flat and reject images by about 80 dB.
inline constexpr double kStationBandwidthHz = 6000.0;

// xoshiro256** generator, seeded through splitmix64: fast and reproducible.
class Rng {
public:
    explicit Rng(uint64_t seed = 1);
    uint64_t Next();
    double Uniform();  // [0, 1)
    double Gauss();    // zero mean, unit variance (Box-Muller)

private:
    uint64_t s_[4];
};

// Kaiser-windowed sinc lowpass of `length` taps, cutoff in cycles per sample,
// DC gain `gain`, stopband attenuation about `attenuationDb`.
std::vector<double> WindowedSinc(int length, double cutoff, double gain, double attenuationDb);

// Interpolation by an integer ratio with a polyphase Kaiser-sinc filter:
// every input sample gives `ratio` outputs. Passband gain 1.
class PolyphaseInterpolator {
public:
    // `cutoff` in cycles per output sample, `tapsPerPhase` taps in each branch.
    PolyphaseInterpolator(int ratio, int tapsPerPhase, double cutoff, double attenuationDb);
    int Ratio() const { return ratio_; }
    // out receives n * Ratio() samples.
    void Process(const Cpx* in, size_t n, Cpx* out);
    void Reset();

private:
    int ratio_, taps_;
    std::vector<double> phases_;   // ratio_ rows of taps_, newest input first
    std::vector<double> re_, im_;  // history (taps_ - 1) then the new input
};

// A loop with `pad` samples of wrap-around on each side (ext[i + pad] = x[i]),
// for filtering it circularly so that it stays seamless.
std::vector<double> WrappedLoop(const std::vector<float>& x, size_t pad);

// In-place radix-2 FFT (n a power of two); inverse without 1/n scaling.
void Fft(std::vector<Cpx>& data, bool inverse);

}  // namespace velorix::sim
