// libFuzzer entry for the firmware file's HEX line reader (build-fuzz/ tree only).
#include <cstddef>
#include <cstdint>

#include "../IntelHexFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    velorix::test::FuzzIntelHex(data, size);
    return 0;
}
