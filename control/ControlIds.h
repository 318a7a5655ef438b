#pragma once

#include <string>

namespace velorix {

// The window's controls that the control layer enables, checks or lights,
// numbered by the command each sends. Radio groups are consecutive: the
// first id plus the index.
enum class ControlId : int {
    Att0 = 150,  // "Off", "10 dB", "20 dB", "30 dB": Att0 + AttenuatorIdx
    Preamp = 166,
    Dither = 167,
    Presel = 176,
    SpanDown = 184,
    SpanUp = 185,
    CFStepDown = 186,
    CFStepUp = 187,
    WheelStepDown = 188,
    WheelStepUp = 189,
    Center = 190,
    Cal = 191,
    CalClr = 192,
    Rate125 = 200,  // "125", "250", "500": Rate125 + DdcSamplingRateIdx
    SourceReceiver = 210,
    SourceWav = 211,
    FileOpen = 212,  // "File.."
    Filter0 = 220,   // "25 kHz" … "0.8kHz": Filter0 + filter index
    Agc0 = 240,      // "Fast", "Med", "Slow", "Off"
    CentreDown = 260,
    CentreUp = 261,
    StepDown = 270,
    StepUp = 271,
    NoiseBlanker = 300,
    NoiseReduction = 310,
    Audio = 320,
    NoiseBlankerSlider = 332,
    NoiseRedSlider = 333,
    VolumeSlider = 334,
    Mode0 = 340,  // "AM" … "USER": Mode0 + DemIdx
    Stop = 390,
    Play = 392,
    Record = 393,
};

inline ControlId Offset(ControlId first, int index) {
    return static_cast<ControlId>(static_cast<int>(first) + index);
}

// The control's caption or skin name with its id, for messages and tests
// ("Presel", "10 dB", "ARROWL 260").
std::string ControlName(ControlId id);

}  // namespace velorix
