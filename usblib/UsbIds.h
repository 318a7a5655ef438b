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

// The receiver owner's file of ids in the data directories: one vvvv:pppp a
// line (the bare microcontroller's and the running firmware's), '#' starts a
// comment, blank lines are passed over.
inline constexpr const char* kUsbIdsFile = "usb-ids";
inline constexpr std::uint64_t kUsbIdsLimit = 64u << 10;

// Parses the text of a usb-ids file. On failure returns false with
// "LINE: why" in `error`.
bool ParseUsbIdsFile(std::string_view text, std::vector<UsbId>& ids, std::string& error);

struct FoundUsbIds {
    std::vector<UsbId> ids;
    // Empty when the ids were had; else why not, in the program's words:
    // "VELORIX_USB_IDS: ...", "PATH:LINE: ...", "PATH: ...", or
    // "usb-ids not found\nlooked in: ...".
    std::string error;
};

// The ids the libusb backend accepts: VELORIX_USB_IDS when it is set, else
// the first usb-ids file in `dataDirs`.
FoundUsbIds FindUsbIds(const std::vector<std::string>& dataDirs);

// Position of (vendor, product) in `ids`, or -1 when it is not accepted.
int MatchUsbId(const std::vector<UsbId>& ids, uint16_t vendorId, uint16_t productId);

}  // namespace velorix::usb
