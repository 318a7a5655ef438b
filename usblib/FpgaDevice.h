#pragma once

#include "UsbDevice.h"

namespace velorix::usb {

// Second layer: knows whether the FPGA is configured. A firmware download
// restarts the receiver's microcontroller, so it forgets the configuration.
class FpgaDevice : public UsbDevice {
public:
    using UsbDevice::UsbDevice;

    int DownloadFirmware(const char* path) override {
        fpgaConfigured_ = 0;
        return UsbDevice::DownloadFirmware(path);
    }

    // 0 success; 1 file cannot be opened; 2 transfer failed or FPGA not done;
    // 3 firmware not loaded. `key` is 6 bytes or null.
    virtual int ConfigureFpga(const char* name, const uint8_t* key) = 0;

    bool FpgaConfigured() const { return fpgaConfigured_.load() != 0; }

protected:
    std::atomic<int> fpgaConfigured_{0};
};

}  // namespace velorix::usb
