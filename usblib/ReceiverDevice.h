#pragma once

#include "FpgaLoader.h"

namespace velorix::usb {

// Most-derived layer: the front end's port byte (attenuator step in the high
// nibble, preselector filter in the low one), the command exports and the
// shutdown on close.
class ReceiverDevice : public FpgaLoader {
public:
    static constexpr uint8_t kInitialPortByte = 10;  // no attenuation, no preselector filter

    explicit ReceiverDevice(std::unique_ptr<UsbTransport> transport);
    ~ReceiverDevice() override;

    // Sends the shutdown command first when the firmware runs.
    void CloseDevice() override;
    // A freshly configured FPGA gets the current front end at once.
    int ConfigureFpga(const char* name, const uint8_t* key) override;

    void SetAttenuator(int step);
    void SetPreselector(int filter);
    uint32_t Sio(const uint8_t* data, int length);
    int EepromRead(uint8_t* buffer, int address, int count);
    uint8_t EepromWrite(const uint8_t* data, int address, int count);

    uint8_t PortByte() const { return portByte_.load(); }

private:
    void SendPortByte();

    std::atomic<uint8_t> portByte_{kInitialPortByte};
};

}  // namespace velorix::usb
