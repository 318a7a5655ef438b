#pragma once

#include <cstddef>
#include <cstdint>

namespace velorix::usb {

// One record of a firmware image, and one parsed line of an Intel HEX file:
// 134 bytes, little-endian, as the image is laid out in the library.
#pragma pack(push, 1)
struct FirmwareRecord {
    uint16_t type;      // HEX record type; 0 (data) in every record of the built-in image
    uint16_t address;   // load address in the microcontroller's program memory
    uint16_t count;     // data bytes used, 1-128
    uint8_t data[128];  // only the first `count` bytes are used; the rest are zero
};
#pragma pack(pop)
static_assert(sizeof(FirmwareRecord) == 134);

inline constexpr int kMaxRecordBytes = 128;

// The built-in image, generated at build time from an Intel HEX file; sent in array order.
extern const FirmwareRecord kBuiltInFirmware[];
extern const size_t kBuiltInFirmwareRecords;

}  // namespace velorix::usb
