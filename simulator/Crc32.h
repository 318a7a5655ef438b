#pragma once

#include <cstddef>
#include <cstdint>

namespace velorix::sim {

// CRC-32 (IEEE 802.3, reflected polynomial 0xEDB88320), as zlib computes it.
inline uint32_t Crc32(const uint8_t* data, size_t length, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int b = 0; b < 8; ++b)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace velorix::sim
