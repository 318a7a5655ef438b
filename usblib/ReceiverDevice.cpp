#include "ReceiverDevice.h"

#include <cstring>

namespace velorix::usb {

namespace {

enum Command : uint8_t {
    kSio = 0x03,
    kPort = 0x04,
    kEepromRead = 0x06,
    kEepromWrite = 0x07,
    kShutdown = 0x08,
};

constexpr int kSioFrameBytes = 8;  // command + at most 7 payload bytes

}  // namespace

ReceiverDevice::ReceiverDevice(std::unique_ptr<UsbTransport> transport)
    : FpgaLoader(std::move(transport)) {}

ReceiverDevice::~ReceiverDevice() {
    TearDown();
}

void ReceiverDevice::CloseDevice() {
    if (FirmwareReady()) {
        const uint8_t shutdown = kShutdown;
        WriteCommand(&shutdown, 1);
    }
    FpgaLoader::CloseDevice();
}

int ReceiverDevice::ConfigureFpga(const char* name, const uint8_t* key) {
    const int result = FpgaLoader::ConfigureFpga(name, key);
    if (result == 0) SendPortByte();
    return result;
}

void ReceiverDevice::SendPortByte() {
    const uint8_t frame[2] = {kPort, portByte_.load()};
    WriteCommand(frame, 2);
}

void ReceiverDevice::SetAttenuator(int step) {
    if (!FirmwareReady()) return;
    portByte_ = uint8_t((portByte_.load() & 0x0F) | (step & 0x0F) << 4);
    SendPortByte();
}

void ReceiverDevice::SetPreselector(int filter) {
    if (!FirmwareReady()) return;
    // The filter value is ORed in unmasked, as the receiver's firmware expects it.
    portByte_ = uint8_t((portByte_.load() & 0xF0) | uint8_t(filter));
    SendPortByte();
}

uint32_t ReceiverDevice::Sio(const uint8_t* data, int length) {
    // The frame holds at most 7 payload bytes; longer or missing payloads are refused.
    if (length < 0 || length > kSioFrameBytes - 1 || (length > 0 && !data)) return 0;
    uint8_t frame[kSioFrameBytes] = {kSio};
    if (length > 0) std::memcpy(frame + 1, data, size_t(length));
    if (WriteCommand(frame, length + 1) == TransferStatus::Ok) {
        int received = 0;
        ReadReply(frame, length + 1, &received);
    }
    return uint32_t(frame[1]) | uint32_t(frame[2]) << 8 | uint32_t(frame[3]) << 16 |
           uint32_t(frame[4]) << 24;
}

int ReceiverDevice::EepromRead(uint8_t* buffer, int address, int count) {
    const int n = count & 0xFF;
    if (n == 0 || !buffer) return 0;
    const uint8_t frame[4] = {kEepromRead, uint8_t(address), uint8_t(address >> 8), uint8_t(n)};
    if (WriteCommand(frame, 4) != TransferStatus::Ok) return 0;
    uint8_t reply[2 + 255] = {};
    int received = 0;
    if (ReadReply(reply, n + 2, &received) != TransferStatus::Ok) return 0;
    // A reply cut short would leave stale bytes in the caller's buffer: refuse it.
    if (received != n + 2 || reply[1] != 1) return 0;
    std::memcpy(buffer, reply + 2, size_t(n));
    return 1;
}

uint8_t ReceiverDevice::EepromWrite(const uint8_t* data, int address, int count) {
    const int n = count & 0xFF;
    if (n == 0 || !data) return 0;
    uint8_t frame[4 + 255] = {kEepromWrite, uint8_t(address), uint8_t(address >> 8), uint8_t(n)};
    std::memcpy(frame + 4, data, size_t(n));
    uint8_t reply[2] = {};
    if (WriteCommand(frame, 4 + n) == TransferStatus::Ok) {
        int received = 0;
        ReadReply(reply, 2, &received);
    }
    return reply[1];
}

}  // namespace velorix::usb
