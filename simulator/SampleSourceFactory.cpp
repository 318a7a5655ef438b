#include "SampleSourceFactory.h"

#include <cstdio>

#include "BandModel.h"
#include "DefaultBand.h"
#include "RecordingSource.h"
#include "TestToneSource.h"

namespace velorix::sim {

std::unique_ptr<SampleSource> CreateDefaultSampleSource(const VirtualConfig& config) {
    if (config.testTone) return std::make_unique<TestToneSource>();
    if (!config.recording.empty()) {
        std::string error;
        std::unique_ptr<SampleSource> recording = RecordingSource::Open(config.recording, error);
        if (!recording) std::fprintf(stderr, "velorix virtual receiver: %s\n", error.c_str());
        return recording;
    }
    const ScenarioResult result = config.scenarioFile.empty()
                                      ? ParseScenario(DefaultBandText(), "built-in band")
                                      : LoadScenarioFile(config.scenarioFile);
    if (!result.scenario) {
        std::fprintf(stderr, "velorix virtual receiver: %s\n", result.error.c_str());
        return nullptr;
    }
    const bool preProduction = config.hwMajor == 0xFF && config.hwMinor == 0xFF;
    return std::make_unique<BandModel>(*result.scenario, config.seed, preProduction, true);
}

}  // namespace velorix::sim
