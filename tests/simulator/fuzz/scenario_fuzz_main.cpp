// libFuzzer entry for the band scenario parser (build-fuzz/ tree only).
#include <cstddef>
#include <cstdint>

#include "../ScenarioFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velorix::sim::test::FuzzScenario(data, size);
    return 0;
}
