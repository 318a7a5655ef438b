#pragma once

// Running the velorix-cli program as a user would, and measuring the audio it
// writes: shared by the end-to-end tests.
#include <complex>
#include <filesystem>
#include <string>
#include <vector>

#include "TempDir.h"

namespace velorix::e2e {

// The velorix-cli built next to the running test program (both live in bin/).
std::string CliPath();

struct RunResult {
    int code = -1;
    std::string out;  // stdout
    std::string err;  // stderr
};

// Runs `program args...` without a shell in between the arguments (they are
// quoted), collecting stdout and stderr.
RunResult RunProgram(const std::string& program, const std::vector<std::string>& args);
RunResult RunCli(const std::vector<std::string>& args);

// Synthesises `seconds` of the band in `scenarioText` centred on `centerHz`
// through `velorix-cli --synthesize`; returns the recording's path ("" on
// failure, with the reason added as a test failure). `extra` are further
// options (rate, front end).
std::string Synthesize(const test::TempDir& dir, const std::string& scenarioText, double centerHz,
                       double seconds, const std::vector<std::string>& extra = {});

// A 16-bit stereo WAV as doubles in [-1, 1).
struct StereoAudio {
    int rateHz = 0;
    std::vector<double> left;
    std::vector<double> right;
};
// Reads the audio (an empty result, with a test failure, when it is not a
// 16-bit stereo PCM WAV).
StereoAudio ReadStereoWav(const std::string& path);

// Welch estimate with a Hann window: power per bin of a sine of amplitude A is
// spread so that summing the bins of its main lobe gives A^2 / 2.
struct Spectrum {
    double binHz = 0.0;
    std::vector<double> power;
    std::vector<std::complex<double>> cross;  // sum of X_a * conj(X_b), when two signals given
};
// Averages 50%-overlapping segments of `segment` samples (a power of two) of
// x[from...]. With `y`, also the cross-spectrum x against y.
Spectrum Welch(const std::vector<double>& x, size_t from, int rateHz, size_t segment,
               const std::vector<double>* y = nullptr);

// Frequency of the strongest bin in [loHz, hiHz], refined by parabolic interpolation.
double PeakHz(const Spectrum& s, double loHz, double hiHz);
// Sum of the bins in [loHz, hiHz].
double BandPower(const Spectrum& s, double loHz, double hiHz);
// A tone's power (its main lobe, +-4 bins) against the noise in [loHz, hiHz]
// (the band without the tone and its harmonics, scaled to the whole band), in dB.
double ToneSnrDb(const Spectrum& s, double toneHz, double loHz, double hiHz);
// The power of a tone's main lobe, in dB relative to a full-scale sine.
double ToneLevelDb(const Spectrum& s, double toneHz);

// Signal lines printed by --smeter: time and level in dBm, and whether LOCK was shown.
struct MeterLine {
    double seconds = 0.0;
    double levelDbm = 0.0;
    bool lock = false;
};
// One line in the exact form, or false.
bool ParseMeterLine(const std::string& line, MeterLine& out);
std::vector<MeterLine> MeterLines(const std::string& out);

// Text with runs of blanks folded to one and ends trimmed.
std::string Squeeze(const std::string& text);

}  // namespace velorix::e2e
