#include "ReceiverInfo.h"

#include <cstdio>

namespace velorix {

ReceiverInfoTexts FormatReceiverInfo(const std::array<std::uint8_t, 12>& identity,
                                     bool preProduction, std::uint32_t libraryVersion) {
    ReceiverInfoTexts t;
    t.software = kSoftwareVersionText;
    char text[64];
    // Both halves are shown as signed 16-bit numbers.
    std::snprintf(text, sizeof text, "%hd.%hd", static_cast<short>(libraryVersion >> 16),
                  static_cast<short>(libraryVersion & 0xFFFF));
    t.library = text;
    if (preProduction) {
        t.serial = "N/A";
        t.hardware = "Pre-production unit";
        return t;
    }
    std::snprintf(text, sizeof text, "%d.%d", identity[5], identity[4]);
    t.hardware = text;
    const auto serial = static_cast<short>(identity[0] | (identity[1] << 8));
    std::snprintf(
        text, sizeof text, "%05hd-%02hX%02hX-%02hX%02hX-%02hX%02hX", serial,
        static_cast<unsigned short>(identity[11]), static_cast<unsigned short>(identity[10]),
        static_cast<unsigned short>(identity[9]), static_cast<unsigned short>(identity[8]),
        static_cast<unsigned short>(identity[7]), static_cast<unsigned short>(identity[6]));
    t.serial = text;
    return t;
}

}  // namespace velorix
