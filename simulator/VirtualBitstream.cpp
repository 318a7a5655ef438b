#include "VirtualBitstream.h"

#include "Crc32.h"

namespace velorix::sim {

std::vector<uint8_t> virtual_bitstream::Build(int rateKHz, uint32_t payloadBytes) {
    std::vector<uint8_t> image = {'V', 'X', 'B', 'S', 1, uint8_t(rateKHz), uint8_t(rateKHz >> 8)};
    for (int i = 0; i < 4; ++i)
        image.push_back(uint8_t(payloadBytes >> (8 * i)));
    uint32_t x = 0x9E3779B9u ^ uint32_t(rateKHz);
    for (uint32_t i = 0; i < payloadBytes; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image.push_back(uint8_t(x >> 3));
    }
    const uint32_t crc = Crc32(image.data(), image.size());
    for (int i = 0; i < 4; ++i)
        image.push_back(uint8_t(crc >> (8 * i)));
    return image;
}

std::optional<int> virtual_bitstream::Parse(const uint8_t* data, size_t size) {
    if (size < 15 || data[0] != 'V' || data[1] != 'X' || data[2] != 'B' || data[3] != 'S' ||
        data[4] != 1)
        return std::nullopt;
    const int rate = data[5] | data[6] << 8;
    const uint64_t n = uint64_t(data[7]) | uint64_t(data[8]) << 8 | uint64_t(data[9]) << 16 |
                       uint64_t(data[10]) << 24;
    if (11 + n + 4 != size) return std::nullopt;
    const uint8_t* c = data + 11 + n;
    const uint32_t stored =
        uint32_t(c[0]) | uint32_t(c[1]) << 8 | uint32_t(c[2]) << 16 | uint32_t(c[3]) << 24;
    if (Crc32(data, size - 4) != stored) return std::nullopt;
    if (rate != 125 && rate != 250 && rate != 500) return std::nullopt;
    return rate;
}

}  // namespace velorix::sim
