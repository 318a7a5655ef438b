#pragma once

#include <string>

namespace velorix {

// The window's controls that the control layer enables, checks or lights,
// numbered by the command each sends. Radio groups are consecutive: the
// first id plus the index.
enum class ControlId : int {
    Exit = 144,
    Minimize = 146,
    Logo = 148,
    Att0 = 150,  // "Off", "10 dB", "20 dB", "30 dB": Att0 + AttenuatorIdx
    Preamp = 166,
    Dither = 167,
    Presel = 176,
    RefLevDown = 180,
    RefLevUp = 181,
    ScaleDown = 182,
    ScaleUp = 183,
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
    FileOpen = 212,      // "File.."
    Filter0 = 220,       // "25 kHz" … "0.8kHz": Filter0 + filter index
    ClearMarkers = 230,  // "Clr"
    Delta = 231,
    MarkerPeak = 232,  // "Peak", always disabled
    Agc0 = 240,        // "Fast", "Med", "Slow", "Off"
    SmtrRms = 251,     // "Rms", "Peak": SmtrRms + SmtrMode
    SmtrPeak = 252,
    CentreDown = 260,
    CentreUp = 261,
    EdgeUp = 262,    // right edge of the display: RefLevel down / pace faster
    EdgeDown = 263,  // RefLevel up / pace slower
    StepDown = 270,
    StepUp = 271,
    NoiseBlanker = 300,
    NoiseReduction = 310,
    MainAvg = 280,
    SecAvg = 290,
    Audio = 320,
    MainAvgSlider = 330,
    SecAvgSlider = 331,
    NoiseBlankerSlider = 332,
    NoiseRedSlider = 333,
    VolumeSlider = 334,
    Mode0 = 340,      // "AM" … "USER": Mode0 + DemIdx
    DispSpect = 360,  // "Spect", "WFall": DispSpect + DispFnIdx
    DispWFall = 361,
    SecTune = 370,  // "Tune", "PBT", "Notch": SecTune + SecDispFnIdx
    SecPbt = 371,
    SecNotch = 372,
    Stop = 390,
    Play = 392,
    Record = 393,
    ListHfcc = 400,  // "HFCC", "EIBI", "User": ListHfcc + MemListIdx
    ListEibi = 401,
    ListUser = 402,
};

inline ControlId Offset(ControlId first, int index) {
    return static_cast<ControlId>(static_cast<int>(first) + index);
}

// The control's caption or skin name with its id, for messages and tests
// ("Presel", "10 dB", "ARROWL 260").
std::string ControlName(ControlId id);

}  // namespace velorix
