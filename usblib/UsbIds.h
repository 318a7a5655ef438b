#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velorix::usb {

struct UsbId {
    uint16_t vendorId;
    uint16_t productId;
    bool operator==(const UsbId&) const = default;
};

// Parses "vvvv:pppp[,vvvv:pppp...]" (four hex digits each, spaces around entries
// allowed), as given in VELORIX_USB_IDS. On failure returns false and says why in
// `error`, naming the offending entry.
bool ParseUsbIds(std::string_view text, std::vector<UsbId>& ids, std::string& error);

// Position of (vendor, product) in `ids`, or -1 when it is not accepted.
int MatchUsbId(const std::vector<UsbId>& ids, uint16_t vendorId, uint16_t productId);

}  // namespace velorix::usb
