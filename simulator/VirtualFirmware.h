#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velorix::sim {

// What a running firmware presents on the bus after re-enumeration.
struct UsbIdentity {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    std::string manufacturer;  // string descriptor 1
    std::string product;       // string descriptor 2
};

// The virtual receiver's firmware image, as it lies in the microcontroller's
// program memory from address 0:
//   0  "VXFW"
//   4  vendor id, product id (16-bit little-endian each)
//   8  manufacturer length m, product length p (8-bit each)
//   10 code length c (16-bit little-endian)
//   12 m manufacturer bytes, p product bytes, c code bytes
//   .. CRC-32 of everything before it (32-bit little-endian)
// The microcontroller runs an image only when all of it checks out.
namespace virtual_firmware {

inline constexpr uint32_t kProgramMemoryBytes = 0x4000;  // 16 KB of code/data RAM

// Builds an image; `codeBytes` of deterministic filler stand for the program.
std::vector<uint8_t> Build(const UsbIdentity& identity, uint16_t codeBytes);

// The identity of a valid image in `memory`, or nothing when the image is absent or damaged.
std::optional<UsbIdentity> Parse(const uint8_t* memory, size_t size);

}  // namespace virtual_firmware

// The identity of the running virtual receiver's default firmware.
UsbIdentity DefaultFirmwareIdentity();

// The identity of the bare microcontroller before any firmware runs.
UsbIdentity LoaderIdentity();

}  // namespace velorix::sim
