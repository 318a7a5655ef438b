#pragma once

#include <array>
#include <cstdint>

namespace velorix {

// The receiver's preselector: ten band filters and a through path. Whoever
// tunes the receiver (the controller, the SoapySDR module, the recording
// synthesiser) picks the band here, and the level calibration adds its loss.

// The preselector filter for a centre frequency in Hz: 0 below 1.7 MHz up to
// 9 below 32 MHz, 10 (no filter) above or when the preselector is off.
int PreselectorBandFor(std::int64_t centreHz, bool preselectorOn);

// Loss of the preselector filter per band 0..10, dB (band 10: no filter).
inline constexpr std::array<double, 11> kPreselectorLossDb = {0.6, 2.5, 2.4, 1.7, 1.1, 1.1,
                                                              2.8, 1.9, 1.5, 1.1, 0.0};

}  // namespace velorix
