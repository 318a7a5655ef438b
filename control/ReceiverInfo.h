#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace velorix {

// The program's version text; it also names the settings section.
inline constexpr const char* kSoftwareVersionText = "Beta 0.31";

// The four texts of the receiver information box.
struct ReceiverInfoTexts {
    std::string serial;    // "12345-0605-0403-0201", or "N/A" for a pre-production unit
    std::string hardware;  // "2.3", or "Pre-production unit"
    std::string software;  // "Beta 0.31"
    std::string library;   // "1.5"
};

// Formats the box from the 12-byte identity record read at EEPROM address 8
// and the library's version word (major in the high, minor in the low 16 bits).
ReceiverInfoTexts FormatReceiverInfo(const std::array<std::uint8_t, 12>& identity,
                                     bool preProduction, std::uint32_t libraryVersion);

}  // namespace velorix
