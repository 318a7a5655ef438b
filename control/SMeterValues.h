#pragma once

#include <string>

#include "SettingsRecord.h"

namespace velorix {

// The S-meter's scale, dBm.
inline constexpr int kSMeterMinDbm = -130;
inline constexpr int kSMeterMaxDbm = 0;
inline constexpr int kSMeterS9Dbm = -73;

// One S-meter update as the meter shows it.
struct SMeterReading {
    int tenthsDbm = -2000;  // calibrated level, tenths of a dBm
    bool clip = false;      // the converter clipped since the last update
    bool lock = false;      // the demodulator reports lock
};

// Calibrated level in tenths of a dBm: trunc((calibration + levelDb) × 10),
// the calibration of LevelCalibrationDb. Levels far outside any meter
// (and NaN) are held to ±1000 dBm so the integer never overflows.
int SMeterTenths(double levelDb, const SettingsRecord& settings);

// The number the meter prints: "%6.1f" of tenths / 10 ("-135.0").
std::string SMeterLevelText(int tenthsDbm);

// S-units of a level: "S1" at -121 dBm up to "S9" at -73 dBm, 6 dB each,
// "S0" below S1, and "S9+n" with the whole dB above S9.
std::string SUnitText(int tenthsDbm);

// The bar for a scale S pixels wide, in the meter's integer arithmetic:
// the green part ends at greenEndX and the red part at redEndX (pixels from
// the window's left; both 0 when no bar is drawn, at or below -130.0 dBm).
struct SMeterBar {
    bool shown = false;
    int greenEndX = 0;
    int redEndX = 0;  // == greenEndX up to S9
};
SMeterBar SMeterBarFor(int tenthsDbm, int scaleWidth);

}  // namespace velorix
