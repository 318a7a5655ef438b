// Converts an Intel HEX firmware file into the library's built-in image: a C++
// source defining kBuiltInFirmware, one record per data line, in file order.
// Fails the build on any line the library's own loader would refuse, and on
// extended-address records, which the microcontroller's loader cannot follow.
// Usage: velorix_hex_to_records <firmware.hex> <output.cpp>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "IntelHex.h"

int main(int argc, char** argv) {
    using velorix::usb::FirmwareRecord;
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <firmware.hex> <output.cpp>\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::fprintf(stderr, "%s: cannot open %s\n", argv[0], argv[1]);
        return 1;
    }
    std::vector<FirmwareRecord> records;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        FirmwareRecord r{};
        if (!velorix::usb::ParseHexLine(line, r)) {
            std::fprintf(stderr, "%s:%d: malformed Intel HEX line\n", argv[1], number);
            return 1;
        }
        if (r.type == 1) break;
        if (r.type == 2 || r.type == 3 || r.type == 4) {
            std::fprintf(stderr, "%s:%d: extended-address records are not supported\n", argv[1],
                         number);
            return 1;
        }
        if (r.type == 0 && r.count > 0) records.push_back(r);
    }
    if (records.empty()) {
        std::fprintf(stderr, "%s: no data records\n", argv[1]);
        return 1;
    }
    FILE* out = std::fopen(argv[2], "w");
    if (!out) {
        std::perror(argv[2]);
        return 1;
    }
    std::fprintf(out, "// Generated from %s. Do not edit.\n#include \"FirmwareImage.h\"\n\n",
                 argv[1]);
    std::fprintf(out, "namespace velorix::usb {\n\nconst FirmwareRecord kBuiltInFirmware[] = {\n");
    for (const FirmwareRecord& r : records) {
        std::fprintf(out, "    {0, 0x%04X, %u, {", unsigned(r.address), unsigned(r.count));
        for (unsigned i = 0; i < r.count; ++i)
            std::fprintf(out, "%s0x%02X", i ? ", " : "", unsigned(r.data[i]));
        std::fprintf(out, "}},\n");
    }
    std::fprintf(
        out, "};\n\nconst size_t kBuiltInFirmwareRecords = %zu;\n\n}  // namespace velorix::usb\n",
        records.size());
    if (std::fclose(out) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
