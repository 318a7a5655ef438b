#include "IntelHexFuzz.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "IntelHex.h"

namespace velorix::test {

namespace {

[[noreturn]] void Broken(const char* what, std::string_view line) {
    std::fprintf(stderr, "intel hex fuzz: %s: '%.*s'\n", what, int(line.size()), line.data());
    std::abort();
}

// The record as a HEX line: count, address, type, data, two's-complement sum.
std::string Encode(const usb::FirmwareRecord& r) {
    std::string bytes;
    bytes += char(r.count);
    bytes += char(r.address >> 8);
    bytes += char(r.address & 0xFF);
    bytes += char(r.type);
    bytes.append(reinterpret_cast<const char*>(r.data), r.count);
    unsigned sum = 0;
    for (char c : bytes)
        sum += static_cast<unsigned char>(c);
    bytes += char(-sum & 0xFF);
    std::string line = ":";
    char hex[3];
    for (char c : bytes) {
        std::snprintf(hex, sizeof hex, "%02X", unsigned(static_cast<unsigned char>(c)));
        line += hex;
    }
    return line;
}

void CheckLine(std::string_view line) {
    usb::FirmwareRecord r;
    std::memset(&r, 0xA5, sizeof r);
    if (!usb::ParseHexLine(line, r)) return;
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (r.count > usb::kMaxRecordBytes) Broken("count beyond 128", line);
    if (r.type > 0xFF) Broken("type beyond one byte", line);
    if (unsigned(r.address) + r.count > 0x10000) Broken("data past 0xFFFF", line);
    for (int i = r.count; i < usb::kMaxRecordBytes; ++i)
        if (r.data[i] != 0) Broken("unused data byte not zero", line);
    std::string upper(line);
    for (char& c : upper)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    if (Encode(r) != upper) Broken("record does not give the line back", line);
}

}  // namespace

void FuzzIntelHex(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    // Lines as the loader reads them: up to a newline, at most the longest
    // valid line plus its ending and one character more.
    const std::size_t longest = usb::kMaxHexLineChars + 3;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        end = end == std::string_view::npos ? text.size() : end + 1;
        end = std::min(end, longest);
        CheckLine(text.substr(0, end));
        text.remove_prefix(end);
    }
}

}  // namespace velorix::test
