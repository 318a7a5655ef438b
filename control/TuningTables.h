#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velorix {

// Centre frequencies the receiver accepts, Hz.
inline constexpr int kCenterFreqMinHz = 0;
inline constexpr int kCenterFreqMaxHz = 40000000;

// Centre-frequency step per CFStepIdx 0..11, Hz.
inline constexpr std::array<int, 12> kCFStepHz = {1000,  2000,   5000,   10000,  20000,  25000,
                                                  50000, 100000, 200000, 400000, 500000, 1000000};

// Tuning-wheel step per DemWhStepIdx 0..8, Hz.
inline constexpr std::array<int, 9> kWheelStepHz = {1,    10,    100,   1000, 5000,
                                                    9000, 10000, 12500, 25000};

// Largest |FreqOffset| the step operations allow at `rateKHz`: trunc(R × 400) Hz,
// 0.4 × the sample rate (50 000, 100 000, 200 000 Hz).
int OffsetLimitHz(double rateKHz);

// Whether a tuning offset lies within OffsetLimitHz at `rateKHz`: the
// keypad refuses an offset beyond it, since the tuning shifter cannot reach
// past half the rate without folding the band over.
bool OffsetWithinLimit(std::int64_t offsetHz, double rateKHz);
// The offset brought within OffsetLimitHz (the mouse tuning of the displays).
int LimitOffsetHz(std::int64_t offsetHz, double rateKHz);

// The "CFStep" label: "%.1f MHz" above 999 999 Hz, "%.1f kHz" from 1000 Hz, else "%d Hz".
std::string CFStepText(int stepHz);
// The "WheelStep" label: "%.1f kHz" from 1000 Hz, else "%d Hz".
std::string WheelStepText(int stepHz);

// The frequency readout's two texts for a tuned frequency in Hz: the sign
// (' ' or '-') with MHz and kHz in the large font, the Hz in the small one.
struct ReadoutText {
    std::string large;  // " 14.150", or " 999" below 1 MHz
    std::string small;  // "000"
};
ReadoutText FormatReadout(std::int64_t tunedHz);

}  // namespace velorix
