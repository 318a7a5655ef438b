#pragma once

#include <cmath>
#include <numbers>

// Pi, and level conversions shared by the blocks and the spectrum estimator, and the
// dispatch attribute for hot loops.

// Hot loops carry an AVX2/FMA clone chosen at load time; the default clone
// runs on any x86-64. ThreadSanitizer cannot run the load-time resolver
// (it runs before the sanitizer is initialised), so that tree builds the
// default code only.
#if defined(__x86_64__) && !defined(__SANITIZE_THREAD__) && !defined(VELORIX_NO_CLONES)
#define VELORIX_HOT_CLONES __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define VELORIX_HOT_CLONES
#endif

namespace velorix {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// φ + n·ω reduced to [0, 2π). n·ω is split into its rounded value and the
// exact rounding error (a fused multiply-add gives it), and the rounded value
// is reduced exactly by fmod, so each run adds one rounding of a value below
// 2π, never the rounding of n·ω itself: the phase keeps step with the
// sample-by-sample sum however long the stream.
double AdvancePhase(double phi, int n, double omega);

// Amplitude to dB; the offset keeps silence finite (-1600 dB).
inline double AmplitudeToDb(double amplitude) {
    return 20.0 * std::log10(amplitude + 1e-80);
}

// dB to amplitude factor.
inline double DbToAmplitude(double db) {
    return std::pow(10.0, db * 0.05);
}

// Power to dB; the offset keeps an empty bin finite (-2000 dB).
inline double PowerToDb(double power) {
    return 10.0 * std::log10(power + 1e-200);
}

// PowerToDb over an array, in place: values[i] = 10*log10(values[i] + 1e-200).
// A vectorised logarithm that agrees with PowerToDb to better than 1e-9 dB for
// every finite power >= 0. Infinite or NaN powers give meaningless but finite
// or NaN levels; they never trap.
void PowerToDbArray(double* values, int count);

// Same conversion from `powers` into `db` (the arrays must not overlap).
void PowerToDbArray(double* db, const double* powers, int count);

// DbToAmplitude over an array: factors[i] = 10^(db[i]/20), vectorised. The
// relative error against the exact value is below 5e-15 for levels within
// ±200 dB and below 5e-14 out to ±1600 dB (growing with the level as the
// rounding of db/20 does, as it does for std::pow). Levels beyond ±6000 dB
// give the nearest factor the exponent range holds instead of 0 or infinity.
// The arrays must not overlap.
void DbToAmplitudeArray(double* factors, const double* db, int count);

}  // namespace velorix
