#pragma once

#include <cstdint>

namespace velorix {

// Descrambling keys of the virtual receiver's three bitstreams (125, 250
// and 500 kHz), in the order of the output-rate index.
inline constexpr std::uint8_t kVirtualBitstreamKeys[3][6] = {
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
    {0x00, 0x00, 0x00, 0x00, 0x00, 0x00},
};

}  // namespace velorix
