#pragma once

#include <array>

#include "FpgaDevice.h"

namespace velorix::usb {

// Third layer: streams a bitstream file into the FPGA through the firmware,
// in 64-byte frames (command 0x00 and 63 payload bytes), each payload byte
// bit-reversed and, for a scrambled file, descrambled first.
class FpgaLoader : public FpgaDevice {
public:
    explicit FpgaLoader(std::unique_ptr<UsbTransport> transport);

    // With a key the file is name + ".sbs"; without, `name` as given.
    int ConfigureFpga(const char* name, const uint8_t* key) override;

protected:
    std::array<uint8_t, 256> reverse_;  // entry i = i with its 8 bits in reverse order
};

}  // namespace velorix::usb
