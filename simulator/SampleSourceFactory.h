#pragma once

#include <memory>

#include "SampleSource.h"
#include "VirtualConfig.h"

namespace velorix::sim {

// The signal the virtual receiver delivers when nobody hands it one: the band
// model with the scenario file `config.scenarioFile` or the built-in band, or,
// when `config.testTone` is set, the test tone with its frame counter
// (TestToneSource), or the recording `config.recording` (RecordingSource).
// Null, with the reason on stderr, when the scenario file or the recording is
// refused: the virtual receiver then never presents itself.
std::unique_ptr<SampleSource> CreateDefaultSampleSource(const VirtualConfig& config);

}  // namespace velorix::sim
