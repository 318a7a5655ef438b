#pragma once

#include <string_view>

#include "FirmwareImage.h"

namespace velorix::usb {

// Parses one line of an Intel HEX file (":" count address type data checksum),
// the line ending already removed or still present ("\n" or "\r\n").
// Refuses the line (false) unless every field is made of hex digits, the count is
// at most 128, the line is exactly as long as the count says, the checksum adds
// up and the data does not run past address 0xFFFF. On success fills `record`
// with unused data bytes zeroed.
bool ParseHexLine(std::string_view line, FirmwareRecord& record);

// Longest valid line: ':' + 2 + 4 + 2 + 2 * 128 + 2 characters.
inline constexpr int kMaxHexLineChars = 11 + 2 * kMaxRecordBytes;

}  // namespace velorix::usb
