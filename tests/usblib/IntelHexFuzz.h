#pragma once

#include <cstddef>
#include <cstdint>

namespace velorix::test {

// Reads arbitrary bytes line by line as the firmware loader does and checks
// what the HEX line reader promises: a line it accepts is written back, from
// the record alone, as the same line (digits in upper case); unused data
// bytes are zero. Aborts on a broken promise. Shared by the libFuzzer target
// and the corpus replay test.
void FuzzIntelHex(const std::uint8_t* data, std::size_t size);

}  // namespace velorix::test
