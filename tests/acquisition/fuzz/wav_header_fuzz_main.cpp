// libFuzzer entry for the recording-header reader (build-fuzz/ tree only).
#include <cstddef>
#include <cstdint>

#include "../WavHeaderFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velorix::test::FuzzWavHeader(data, size);
    return 0;
}
