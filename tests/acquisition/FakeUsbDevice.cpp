#include "FakeUsbDevice.h"

#include <chrono>
#include <cmath>
#include <cstring>

namespace velorix::test {

namespace {

FakeUsbDevice* gDevice = new FakeUsbDevice();  // lives for the whole test program

void StopFeeder(FakeUsbDevice& d) {
    d.feeding.store(0);
    if (d.feeder.joinable()) d.feeder.join();
}

int FakeOpen() {
    auto& d = FakeUsbDevice::Get();
    ++d.openCalls;
    return d.openCalls > d.openFailures ? 1 : 0;
}
bool FakeClose() {
    ++FakeUsbDevice::Get().closeCalls;
    return true;
}
int FakeFirmware(const char* path) {
    auto& d = FakeUsbDevice::Get();
    d.firmwarePaths.push_back(path ? path : "");
    return d.firmwareResult;
}
int FakeFpga(const char* name, const unsigned char* key) {
    auto& d = FakeUsbDevice::Get();
    d.fpgaNames.push_back(name ? name : "");
    d.fpgaKeys.emplace_back(key, key + (key ? 6 : 0));
    return d.fpgaResult;
}
bool FakeAttenuator(int step) {
    FakeUsbDevice::Get().attenuatorSteps.push_back(step);
    return true;
}
bool FakePreselector(int filter) {
    FakeUsbDevice::Get().preselectorFilters.push_back(filter);
    return true;
}
std::uint32_t FakeSio(const unsigned char* bytes, int length) {
    auto& d = FakeUsbDevice::Get();
    std::lock_guard lock(d.mutex);
    d.sioFrames.emplace_back(bytes, bytes + length);
    return 0;
}
int FakeStart(int blockBytes, UsbInputCallback cb, void* user) {
    auto& d = FakeUsbDevice::Get();
    if (!d.startResult) return 0;
    d.startBlockBytes = blockBytes;
    d.callback = cb;
    d.user = user;
    if (d.streamOnStart) {
        d.feeding.store(1);
        d.feeder = std::thread([&d, blockBytes] {
            // Four times faster than the receiver would deliver at this block size.
            const double rateHz = blockBytes / 16320.0 * 125000.0;
            const auto pause =
                std::chrono::microseconds(static_cast<long>(blockBytes / 6 / rateHz * 1e6 / 4));
            std::vector<std::uint8_t> block(blockBytes);
            for (int n = 0; d.feeding.load() && (d.blocksToStream == 0 || n < d.blocksToStream);
                 ++n) {
                d.NextBlock(block.data(), blockBytes);
                d.callback(block.data(), d.user);
                std::this_thread::sleep_for(pause);
            }
        });
    }
    return 1;
}
int FakeStop() {
    auto& d = FakeUsbDevice::Get();
    StopFeeder(d);
    ++d.stopCalls;
    return 1;
}
int FakeEepromRead(unsigned char* buffer, int address, int length) {
    auto& d = FakeUsbDevice::Get();
    if (address != 8 || length != 12) return 0;
    std::memcpy(buffer, d.identity, 12);
    return 1;
}
std::uint32_t FakeVersion() {
    return 0x00010001;
}

}  // namespace

FakeUsbDevice& FakeUsbDevice::Get() {
    return *gDevice;
}

void FakeUsbDevice::Reset() {
    StopFeeder(*gDevice);
    delete gDevice;
    gDevice = new FakeUsbDevice();
}

void FakeUsbDevice::NextBlock(std::uint8_t* out, int bytes) {
    for (int i = 0; i + 6 <= bytes; i += 6) {
        const std::uint32_t n = static_cast<std::uint32_t>(nextFrame.fetch_add(1)) & 0xffffff;
        const std::uint32_t q = (0x1000000u - n) & 0xffffff;
        out[i + 0] = n & 0xff;
        out[i + 1] = (n >> 8) & 0xff;
        out[i + 2] = (n >> 16) & 0xff;
        out[i + 3] = q & 0xff;
        out[i + 4] = (q >> 8) & 0xff;
        out[i + 5] = (q >> 16) & 0xff;
    }
}

UsbExports FakeUsbDevice::Exports(const std::string& without) {
    UsbExports e;
    e.Open = FakeOpen;
    e.Close = FakeClose;
    e.FirmwareDownload = FakeFirmware;
    e.FpgaConfig = FakeFpga;
    e.SetAttenuator = FakeAttenuator;
    e.SetPreselector = FakePreselector;
    e.Sio = FakeSio;
    e.StartAsyncInput = FakeStart;
    e.StopAsyncInput = FakeStop;
    e.EepromRead = FakeEepromRead;
    e.GetDLLVersion = FakeVersion;
    if (without == "FirmwareDownload") e.FirmwareDownload = nullptr;
    if (without == "FpgaConfig") e.FpgaConfig = nullptr;
    if (without == "Open") e.Open = nullptr;
    if (without == "Sio") e.Sio = nullptr;
    return e;
}

std::int32_t CounterOf(double sample) {
    // Samples are (24-bit value × 256) / 1,074,000,000.
    return static_cast<std::int32_t>(std::lround(sample * 1074000000.0 / 256.0));
}

}  // namespace velorix::test
