#pragma once

#include <memory>

#include "SampleSource.h"
#include "VirtualConfig.h"

namespace velorix::sim {

// The signal the virtual receiver delivers when nobody hands it one: the
// place to plug in another model of the band. Today the test tone with its
// frame counter (TestToneSource).
std::unique_ptr<SampleSource> CreateDefaultSampleSource(const VirtualConfig& config);

}  // namespace velorix::sim
