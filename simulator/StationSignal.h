#pragma once

#include <memory>
#include <vector>

#include "AudioSources.h"
#include "BandScenario.h"
#include "SynthDsp.h"

namespace velorix::sim {

// One station's complex baseband at kAudioRateHz, centred on its `freq`, with
// the level's amplitude scaled to 1: the carrier (AM, CW key down, RTTY, FM,
// CARRIER), the peak envelope of full-scale audio (USB, LSB), or an rms of 1 (DRM).
class StationSignal {
public:
    StationSignal(const StationDef& def, uint64_t seed);
    void Generate(Cpx* out, size_t n);
    // Largest envelope relative to the level's amplitude (AM 1 + depth, DRM its crest).
    double PeakFactor() const { return peak_; }

private:
    void Modulate(Cpx* out, size_t n);
    void ApplyFading(Cpx* out, size_t n);

    StationDef def_;
    std::unique_ptr<AudioSource> audio_;
    std::vector<double> audioBuffer_;
    double peak_ = 1.0;
    uint64_t sample_ = 0;  // samples generated so far

    // CW and RTTY keying.
    std::vector<uint8_t> keying_;
    double samplesPerUnit_ = 1.0;
    double ramp_ = 0.0;  // CW edge position, 0 key up .. 1 key down

    double phase_ = 0.0;                // cycles (RTTY, FM)
    double fmHistory_[2] = {0.0, 0.0};  // the last two audio samples, newest first

    std::vector<Cpx> drm_;  // one period of the DRM block
    size_t drmPos_ = 0;

    // Fading: a sum of slowly turning phasors.
    std::vector<Cpx> fadePhasor_, fadeStep_;
};

}  // namespace velorix::sim
