#pragma once

#include <cstdint>

#include "SampleSource.h"

namespace velorix::sim {

// The receiver's analogue front end and converter as the band model sees
// them, and the level calibration the program applies to what it measures:
//   displayed dBm = measured dB + attenuation + level offset + preselector loss,
// where "measured dB" is 20·log10 of a complex amplitude in the acquisition
// board's units (24-bit value in the top three bytes of an int32, divided by
// 1,074,000,000). The band model applies exactly the inverse, so a carrier
// declared at L dBm is delivered with the amplitude that reads L dBm.
struct FrontEndSetting {
    int attenuatorStep = 0;      // physical attenuation in 10 dB steps, 0-3
    bool preamp = false;         // ADC preamplifier (+3.5 dB)
    bool dither = true;          // ADC dither: spread outside the output band, adds nothing
    int preselectorFilter = 10;  // 0-9 band filters, 10 (or anything above 9) no filter

    // From the last commands: control byte bits 0x04 preamp and 0x02 dither, port
    // byte high nibble the attenuator step, low nibble the preselector filter. A
    // pre-production unit's attenuator relays are wired in reverse (3 - step).
    static FrontEndSetting FromState(const FrontEndState& state, bool preProduction = false);
};

namespace front_end {

inline constexpr double kAdcClockHz = 80e6;
// 24-bit counts per acquisition unit: 2^8 / 1,074,000,000 inverted.
inline constexpr double kCountsPerUnit = 1074000000.0 / 256.0;
inline constexpr int32_t kFullScaleCounts = 8388607;
inline constexpr double kFullScaleUnits = kFullScaleCounts / kCountsPerUnit;  // about 6.02 dB
// The converter's own noise density in measured dB/Hz (referred to the antenna:
// -150 dBm/Hz with the preamp off, -153.5 dBm/Hz with it on, at attenuator 0).
inline constexpr double kConverterNoiseDbHz = -146.0;
// Stations outside the selected preselector band are attenuated by this much more.
inline constexpr double kPreselectorRejectionDb = 50.0;

double AttenuationDb(int step);           // 0, 10, 20, 30
double LevelOffsetDb(bool preamp);        // -7.5 on, -4.0 off
double PreselectorLossDb(int filter);     // the band's pass loss, 0 without a filter
int PreselectorFilterFor(double freqHz);  // the filter the program picks for a centre
// Whether `freqHz` lies in the pass band of `filter` (always true without a filter).
bool InPreselectorBand(int filter, double freqHz);

// Gain in dB from a level in dBm at the antenna to measured dB, for a signal at
// `freqHz`: minus the calibration, minus the preselector's rejection outside its band.
double GainDb(const FrontEndSetting& setting, double freqHz);
// The calibration the program adds (the inverse of GainDb inside the band).
double CalibrationDb(const FrontEndSetting& setting);

// Amplitude in acquisition units of a level in dB (20·log10).
double UnitsFromDb(double db);

}  // namespace front_end
}  // namespace velorix::sim
