#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "BandScenario.h"
#include "FrontEndModel.h"

namespace velorix::sim {

// What to synthesise offline: the band as the receiver would deliver it for
// this centre, rate and front end, for `seconds`.
struct SynthesisRequest {
    double centreHz = 14150000.0;
    int rateKHz = 125;  // 125, 250 or 500
    FrontEndSetting frontEnd;
    double seconds = 1.0;
    uint64_t seed = 1;
};

// Receives consecutive runs of 6-byte frames (I then Q, 24-bit little endian),
// as the sample endpoint sends them. Returning false stops the synthesis.
using FrameSink = std::function<bool(const uint8_t* frames, size_t count)>;

// Generates rate x seconds frames of `scenario` as fast as the machine allows,
// with no pacing and no USB, handing them to `sink` in runs of at most
// `runFrames`. Returns the frames delivered; `error` is set (and 0 returned)
// for a request it cannot serve (rate not 125/250/500, negative or non-finite
// seconds). Writes no file: the caller's recorder owns the recording format.
uint64_t SynthesizeBand(const BandScenario& scenario, const SynthesisRequest& request,
                        const FrameSink& sink, std::string& error, size_t runFrames = 65536);

// The built-in band, or the file `scenarioFile` when not empty; false and
// `error` ("FILE:LINE: what") when it is refused.
bool LoadBand(const std::string& scenarioFile, BandScenario& scenario, std::string& error);

}  // namespace velorix::sim
