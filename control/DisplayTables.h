#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "PreselectorBands.h"
#include "SettingsRecord.h"

namespace velorix {

// FFT size of the main display per MainFFTIdx 0..6.
inline constexpr std::array<int, 7> kMainFFTSizes = {65536, 32768, 16384, 8192, 4096, 2048, 1024};
// Attenuator correction per AttenuatorIdx 0..3, dB.
inline constexpr std::array<double, 4> kAttenuatorCorrectionDb = {0.0, 10.0, 20.0, 30.0};

// dB per division of the spectrum plots per RefScaleIdx 0..4.
inline constexpr std::array<int, 5> kDbPerDivision = {1, 2, 5, 10, 15};
// RefLevel, the level at the top of the main plot, dBm.
inline constexpr int kRefLevelMinDb = -150;
inline constexpr int kRefLevelMaxDb = 20;

// dB per division for a RefScaleIdx; out-of-range indices are clamped.
int DbPerDivision(int refScaleIdx);

// The spectrum estimator's averaging factor for an averaging slider value
// (MainAvgVal, SecAvgVal): 1 - 2^(-v / 100), and 0 for v = 0 (averaging
// off). 200 gives 0.75. Every front end that sizes a display takes it here.
double AveragingFactor(int value);

// FFT size for a MainFFTIdx; out-of-range indices are clamped.
int MainFFTSize(int mainFFTIdx);

// The "Span" label for a rate index 0..2 and MainFFTIdx 0..6: "%.1f / %.1f",
// the two spans of the table in kHz ("100.0 / 122.1" at 125 kHz, 1024 bins).
std::string SpanText(int rateIdx, int mainFFTIdx);

// What the displays and the S-meter add to a measured level, dB: attenuator
// correction + the record's level offset + the preselector band's loss while
// the preselector is on. Reads AttenuatorIdx, levelOffsetDb, Preselector and
// the preselector band of the record.
double LevelCalibrationDb(const SettingsRecord& settings);

// Waterfall colour indices of one spectrum in dB: 0.5 dB per step, index 0
// at 15 dB below the spectrum's mean, trunc(2 × (v - (mean - 15))). Not yet
// clamped: the painter clamps to 0..255. Empty input gives empty output.
std::vector<int> WaterfallIndices(const double* levelsDb, int count);

// One waterfall colour, 8 bits per channel.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    bool operator==(const Rgb&) const = default;
};

// The 256-entry waterfall palette: black at 0, through blue, cyan, green and
// yellow to red while lightness rises, brightening to white from index 192.
const std::array<Rgb, 256>& WaterfallPalette();

}  // namespace velorix
