#include "VirtualFirmware.h"

#include "Crc32.h"

namespace velorix::sim {

namespace {

void Put16(std::vector<uint8_t>& v, uint16_t x) {
    v.push_back(uint8_t(x));
    v.push_back(uint8_t(x >> 8));
}

uint16_t Get16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

}  // namespace

std::vector<uint8_t> virtual_firmware::Build(const UsbIdentity& identity, uint16_t codeBytes) {
    std::vector<uint8_t> image = {'V', 'X', 'F', 'W'};
    Put16(image, identity.vendorId);
    Put16(image, identity.productId);
    image.push_back(uint8_t(identity.manufacturer.size()));
    image.push_back(uint8_t(identity.product.size()));
    Put16(image, codeBytes);
    image.insert(image.end(), identity.manufacturer.begin(),
                 identity.manufacturer.begin() + image[8]);
    image.insert(image.end(), identity.product.begin(), identity.product.begin() + image[9]);
    uint32_t x = 0x2545F491u;  // xorshift filler: stands for the program's code
    for (uint16_t i = 0; i < codeBytes; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        image.push_back(uint8_t(x));
    }
    const uint32_t crc = Crc32(image.data(), image.size());
    for (int i = 0; i < 4; ++i)
        image.push_back(uint8_t(crc >> (8 * i)));
    return image;
}

std::optional<UsbIdentity> virtual_firmware::Parse(const uint8_t* memory, size_t size) {
    if (size < 16 || memory[0] != 'V' || memory[1] != 'X' || memory[2] != 'F' || memory[3] != 'W')
        return std::nullopt;
    const size_t m = memory[8], p = memory[9], c = Get16(memory + 10);
    const size_t body = 12 + m + p + c;
    if (body + 4 > size) return std::nullopt;
    const uint32_t stored = uint32_t(memory[body]) | uint32_t(memory[body + 1]) << 8 |
                            uint32_t(memory[body + 2]) << 16 | uint32_t(memory[body + 3]) << 24;
    if (Crc32(memory, body) != stored) return std::nullopt;
    UsbIdentity id;
    id.vendorId = Get16(memory + 4);
    id.productId = Get16(memory + 6);
    id.manufacturer.assign(reinterpret_cast<const char*>(memory + 12), m);
    id.product.assign(reinterpret_cast<const char*>(memory + 12 + m), p);
    return id;
}

// pid.codes test ids: the virtual receiver is nobody's real hardware.
UsbIdentity DefaultFirmwareIdentity() {
    return {0x1209, 0x0002, "velorix", "Velorix virtual receiver"};
}

UsbIdentity LoaderIdentity() {
    return {0x1209, 0x0001, "", ""};
}

}  // namespace velorix::sim
