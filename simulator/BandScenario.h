#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace velorix::sim {

// A band for the virtual receiver, as described by a scenario file:
//
//   # comment to end of line; blank lines ignored
//   noise density=-140                        band noise in dBm/Hz (default -150; without
//                                             the statement only the converter's own noise)
//   impulses rate=20 level=-30 width=3        per second, peak dBm, samples
//                                             (defaults 10, -40, 3)
//   station freq=HZ mode=MODE level=DBM [key=value ...]
//
// Station modes and their keys (defaults in brackets):
//   CARRIER                       unmodulated carrier
//   AM   audio=[tone:1000] depth=[0.8]
//   USB, LSB audio=[tone:1000]    freq is the dial: audio a lands at freq + a (USB), - a (LSB)
//   CW   text=["CQ CQ CQ DE VIRTUAL K"] wpm=[20]
//   RTTY text=["RYRYRY CQ CQ DE VIRTUAL"] baud=[45.45] shift=[170]   freq is the centre,
//                                 mark (the higher tone) at freq + shift / 2
//   FM   audio=[tone:1000] deviation=[2500]
//   DRM                           a 10 kHz wide block centred on freq
// Every station also takes fading=SECONDS (slow Rayleigh-like fading with that
// period; [0] none). Audio: tone:F, tones:F1+F2, voice, music, silence, or wav:PATH
// (16-bit PCM, mono or stereo, any rate, looped; PATH relative to the file's folder).
// Levels: the carrier (AM, CW key down, FM, RTTY, CARRIER), the peak envelope of
// a full-scale audio signal (USB, LSB), or the total power (DRM).
enum class StationMode { Carrier, Am, Usb, Lsb, Cw, Rtty, Fm, Drm };

struct AudioDef {
    enum class Kind { Tone, Tones, Voice, Music, Wav, Silence };
    Kind kind = Kind::Tone;
    double tone1Hz = 1000.0;
    double tone2Hz = 0.0;
    std::string path;  // wav
    // The WAV file's mono audio, resampled to the band model's audio rate.
    std::shared_ptr<const std::vector<float>> wavSamples;
};

struct StationDef {
    double freqHz = 0.0;
    StationMode mode = StationMode::Carrier;
    double levelDbm = -100.0;
    AudioDef audio;
    double depth = 0.8;
    std::string text;
    double wpm = 20.0;
    double baud = 45.45;
    double shiftHz = 170.0;
    double deviationHz = 2500.0;
    double fadingSeconds = 0.0;
    int line = 0;  // where it was declared, for messages
};

struct BandScenario {
    std::string name;  // file name, or "built-in band"
    std::optional<double> noiseDensityDbmHz;
    struct Impulses {
        double ratePerSecond = 10.0;
        double levelDbm = -40.0;
        int widthSamples = 3;
    };
    std::optional<Impulses> impulses;
    std::vector<StationDef> stations;
};

struct ScenarioResult {
    std::optional<BandScenario> scenario;
    std::string error;  // "FILE:LINE: what is wrong" when refused
};

// Parses scenario text; `name` is used in messages. A file with any error is
// refused as a whole.
ScenarioResult ParseScenario(const std::string& text, const std::string& name);
// Reads and parses a file.
ScenarioResult LoadScenarioFile(const std::string& path);

const char* ModeName(StationMode mode);

}  // namespace velorix::sim
