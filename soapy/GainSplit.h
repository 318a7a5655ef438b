#pragma once

namespace velorix::soapy {

// The front end's two gain elements: the attenuator, 0 to 30 dB in 10 dB
// steps, and the converter's preamplifier. The preamplifier's gain is the
// difference of the program's level offsets with it off (-4.0 dB) and on
// (-7.5 dB).
inline constexpr double kAttenuatorStepDb = 10.0;
inline constexpr int kAttenuatorSteps = 3;
inline constexpr double kLevelOffsetPreampOffDb = -4.0;
inline constexpr double kLevelOffsetPreampOnDb = -7.5;
inline constexpr double kPreampGainDb = kLevelOffsetPreampOffDb - kLevelOffsetPreampOnDb;

struct GainSplit {
    int attenuatorStep = 0;  // 0..3: 0, 10, 20, 30 dB of attenuation
    bool preamp = false;

    // Overall gain in dB: -30 .. +3.5.
    double GainDb() const {
        return (preamp ? kPreampGainDb : 0.0) - kAttenuatorStepDb * attenuatorStep;
    }
};

// The setting of the two elements whose overall gain is nearest `gainDb`;
// of two equally near, the one without the preamplifier.
GainSplit SplitGain(double gainDb);

}  // namespace velorix::soapy
