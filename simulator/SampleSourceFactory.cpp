#include "SampleSourceFactory.h"

#include "TestToneSource.h"

namespace velorix::sim {

std::unique_ptr<SampleSource> CreateDefaultSampleSource(const VirtualConfig& /*config*/) {
    return std::make_unique<TestToneSource>();
}

}  // namespace velorix::sim
