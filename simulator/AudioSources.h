#pragma once

#include <memory>
#include <string>
#include <vector>

#include "BandScenario.h"
#include "SynthDsp.h"

namespace velorix::sim {

// Programme audio of a station at kAudioRateHz, peak amplitude at most 1.
// Real audio for AM and FM; the analytic signal (positive frequencies only,
// 300-3000 Hz for the loop sources) for SSB, so that a real tone cos(wt) gives
// exp(jwt) of amplitude 1.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual void Next(double* out, size_t n) = 0;
    virtual void NextAnalytic(Cpx* out, size_t n) = 0;
};

// `seed` varies the voice and the music between stations.
std::unique_ptr<AudioSource> MakeAudioSource(const AudioDef& def, uint64_t seed);

// Makes (once per process) the built-in programme that MakeAudioSource(def,
// seed) will play, and its analytic version when `analytic`; nothing for the
// other kinds. Safe from any thread.
void PrepareProgramme(const AudioDef& def, uint64_t seed, bool analytic);

// A 16-bit PCM WAV file (mono or stereo, any rate) of at most 64 MB, mixed to
// mono and resampled to kAudioRateHz; at most the first 300 s. Null and
// `error` set ("PATH: why") when the file cannot be used.
std::shared_ptr<const std::vector<float>> ReadWavAudio(const std::string& path, std::string& error);

// The built-in programmes, one loop each at kAudioRateHz, peak 1.
std::vector<float> SynthesizeVoice(uint64_t seed);
std::vector<float> SynthesizeMusic(uint64_t seed);

}  // namespace velorix::sim
