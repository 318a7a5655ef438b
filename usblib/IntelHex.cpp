#include "IntelHex.h"

#include <cstring>

namespace velorix::usb {

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The byte at character position `at`, or -1 when either digit is not hex.
int HexByte(std::string_view line, size_t at) {
    const int hi = HexDigit(line[at]), lo = HexDigit(line[at + 1]);
    return hi < 0 || lo < 0 ? -1 : hi << 4 | lo;
}

}  // namespace

bool ParseHexLine(std::string_view line, FirmwareRecord& record) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.size() < 11 || line[0] != ':') return false;
    const int count = HexByte(line, 1);
    if (count < 0 || count > kMaxRecordBytes) return false;
    if (line.size() != size_t(11 + 2 * count)) return false;
    unsigned sum = 0;
    uint8_t bytes[4 + kMaxRecordBytes + 1];
    for (int i = 0; i < count + 5; ++i) {
        const int b = HexByte(line, size_t(1 + 2 * i));
        if (b < 0) return false;
        bytes[i] = uint8_t(b);
        sum += unsigned(b);
    }
    if ((sum & 0xFF) != 0) return false;
    const unsigned address = unsigned(bytes[1]) << 8 | bytes[2];
    if (address + unsigned(count) > 0x10000) return false;
    record.type = bytes[3];
    record.address = uint16_t(address);
    record.count = uint16_t(count);
    std::memset(record.data, 0, sizeof record.data);
    std::memcpy(record.data, bytes + 4, size_t(count));
    return true;
}

}  // namespace velorix::usb
