#include "BandSynthesis.h"

#include <cmath>

#include "BandModel.h"
#include "DefaultBand.h"

namespace velorix::sim {

uint64_t SynthesizeBand(const BandScenario& scenario, const SynthesisRequest& request,
                        const FrameSink& sink, std::string& error, size_t runFrames) {
    if (request.rateKHz != 125 && request.rateKHz != 250 && request.rateKHz != 500) {
        error = "the output rate must be 125, 250 or 500 kHz";
        return 0;
    }
    if (!std::isfinite(request.seconds) || request.seconds < 0.0 || request.seconds > 86400.0) {
        error = "the duration must be between 0 and 86400 seconds";
        return 0;
    }
    if (!std::isfinite(request.centreHz) || request.centreHz < 0.0 ||
        request.centreHz >= front_end::kAdcClockHz) {
        error = "the centre frequency must be between 0 and 80 MHz";
        return 0;
    }
    if (runFrames == 0) runFrames = 65536;
    BandModel band(scenario, request.seed);
    band.SetRate(request.rateKHz);
    band.SetSetting(request.frontEnd);
    band.SetCentreHz(request.centreHz);
    const uint64_t total = uint64_t(std::llround(request.seconds * request.rateKHz * 1000.0));
    std::vector<uint8_t> frames(runFrames * SampleSource::kFrameBytes);
    uint64_t done = 0;
    while (done < total) {
        const size_t n = size_t(std::min<uint64_t>(runFrames, total - done));
        band.Fill(done, frames.data(), n);
        done += n;
        if (!sink(frames.data(), n)) break;
    }
    return done;
}

bool LoadBand(const std::string& scenarioFile, BandScenario& scenario, std::string& error) {
    const ScenarioResult r = scenarioFile.empty()
                                 ? ParseScenario(DefaultBandText(), "built-in band")
                                 : LoadScenarioFile(scenarioFile);
    if (!r.scenario) {
        error = r.error;
        return false;
    }
    scenario = *r.scenario;
    return true;
}

}  // namespace velorix::sim
