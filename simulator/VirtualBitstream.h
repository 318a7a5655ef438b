#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace velorix::sim {

// The virtual FPGA's configuration image, as the FPGA must receive it
// (after the host has descrambled and bit-reversed the file):
//   0  "VXBS"
//   4  format version, 1
//   5  output rate in kHz: 125, 250 or 500 (16-bit little-endian)
//   7  payload length n (32-bit little-endian)
//   11 n payload bytes (deterministic filler standing for the logic configuration)
//   .. CRC-32 of everything before it (32-bit little-endian)
namespace virtual_bitstream {

inline constexpr uint32_t kDefaultPayloadBytes = 8000;

std::vector<uint8_t> Build(int rateKHz, uint32_t payloadBytes = kDefaultPayloadBytes);

// The output rate of a valid image, or nothing.
std::optional<int> Parse(const uint8_t* data, size_t size);

}  // namespace virtual_bitstream
}  // namespace velorix::sim
