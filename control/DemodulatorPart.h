#pragma once

#include "ControllerContext.h"

namespace velorix {

// Demodulation modes with their remembered filter, AGC speed and wheel step;
// noise blanker, noise reduction and audio.
class DemodulatorPart {
public:
    explicit DemodulatorPart(ControllerContext& context) : c_(context) {}

    // --- Operations --------------------------------------------------------
    Outcome SelectMode(int mode);      // 0..8
    Outcome SelectFilter(int filter);  // 0..5, for the current mode
    Outcome SelectAgc(int agc);        // 0..3, for the current mode
    Outcome SetNoiseBlanker(bool on);
    Outcome ToggleNoiseBlanker();
    Outcome SetNBVal(int value);  // slider -200 … -50
    Outcome SetNoiseReduction(bool on);
    Outcome SetNRVal(int value);  // slider 0 … 200
    Outcome SetAudio(bool on);
    Outcome ToggleAudio();
    Outcome SetVolVal(int value);  // slider -400 … 0

    // --- Steps the other parts take ----------------------------------------
    void ApplyFilter(int filter);
    void ApplyNoiseBlanker(bool on);
    void ApplyNoiseReduction(bool on);
    void ApplyAudio(bool on);
    // The three slider values to the chain.
    void ApplySliderValues();

private:
    void ApplyAgc(int agc);

    ControllerContext& c_;
};

}  // namespace velorix
