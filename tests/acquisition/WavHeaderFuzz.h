#pragma once

#include <cstddef>
#include <cstdint>

namespace velorix::test {

// Feeds arbitrary bytes to the recording-header reader and the series-name
// parser and checks what they promise; aborts on a broken promise. Shared by
// the libFuzzer target and the corpus replay test.
void FuzzWavHeader(const std::uint8_t* data, std::size_t size);

}  // namespace velorix::test
