// Writes the virtual receiver's firmware as an Intel HEX file: data records of
// at most 16 bytes and an end-of-file record. The records are not in address
// order (the image's tail comes first), as a linker's output often is not, so
// that the loader's handling of any order is exercised.
// Usage: velorix_make_firmware <output.hex>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "VirtualFirmware.h"

namespace {

void WriteRecord(FILE* f, uint16_t address, uint8_t type, const uint8_t* data, size_t count) {
    unsigned sum = unsigned(count) + (address >> 8) + (address & 0xFF) + type;
    std::fprintf(f, ":%02X%04X%02X", unsigned(count), unsigned(address), unsigned(type));
    for (size_t i = 0; i < count; ++i) {
        std::fprintf(f, "%02X", unsigned(data[i]));
        sum += data[i];
    }
    std::fprintf(f, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.hex>\n", argv[0]);
        return 2;
    }
    using namespace velorix::sim;
    // 3564 bytes of code make a 3611-byte image.
    const std::vector<uint8_t> image = virtual_firmware::Build(DefaultFirmwareIdentity(), 3564);
    FILE* f = std::fopen(argv[1], "w");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    constexpr size_t kRecord = 16;
    const size_t records = (image.size() + kRecord - 1) / kRecord;
    for (size_t k = 0; k < records; ++k) {
        const size_t r = (k + records - 1) % records;  // last record first
        const size_t first = r * kRecord;
        const size_t count = std::min(kRecord, image.size() - first);
        WriteRecord(f, uint16_t(first), 0, image.data() + first, count);
    }
    WriteRecord(f, 0, 1, nullptr, 0);
    if (std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
