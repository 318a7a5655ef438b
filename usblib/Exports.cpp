// The library's fifteen exported functions. They forward to the one device
// object, created when the library is loaded and destroyed when it is
// unloaded, and never let an exception out.
#include <cerrno>
#include <cstdint>

#include "ReceiverDevice.h"
#include "velorixusb.h"

#define VELORIX_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

using velorix::usb::ReceiverDevice;

ReceiverDevice* g_device = nullptr;

__attribute__((constructor)) void LoadLibrary() {
    try {
        g_device = new ReceiverDevice(velorix::usb::CreateTransportFromEnvironment());
    } catch (...) {
        g_device = nullptr;  // every export then answers its failure value
    }
}

// Unload: input stopped, notification thread joined, handle closed.
__attribute__((destructor)) void UnloadLibrary() {
    delete g_device;
    g_device = nullptr;
}

char g_emptyName[1] = {0};

template <typename F, typename R>
R Guard(R failure, F&& f) {
    if (!g_device) return failure;
    try {
        return f(*g_device);
    } catch (...) {
        return failure;
    }
}

}  // namespace

// A failure leaves the reason in errno, as the system's last error: ENODEV
// when no receiver is present, EACCES when one may not be opened.
VELORIX_EXPORT int Open(void) {
    int error = ENODEV;
    const int open = Guard(0, [&](ReceiverDevice& d) {
        const int r = d.Open();
        error = d.OpenError();
        return r;
    });
    if (open != 1) errno = error ? error : ENODEV;
    return open;
}

VELORIX_EXPORT bool Close(void) {
    return Guard(true, [](ReceiverDevice& d) {
        d.CloseDevice();
        return true;
    });
}

VELORIX_EXPORT const char* GetDeviceName(void) {
    return Guard(g_emptyName, [](ReceiverDevice& d) { return d.DeviceName(); });
}

VELORIX_EXPORT const char* GetFriendlyDeviceName(void) {
    return Guard(g_emptyName, [](ReceiverDevice& d) { return d.FriendlyDeviceName(); });
}

VELORIX_EXPORT uint32_t GetDLLVersion(void) {
    return 0x00010001u;
}

VELORIX_EXPORT int FirmwareDownload(const char* hexPath) {
    return Guard(2, [&](ReceiverDevice& d) { return d.DownloadFirmware(hexPath); });
}

VELORIX_EXPORT int FpgaConfig(const char* name, const unsigned char* key) {
    return Guard(2, [&](ReceiverDevice& d) { return d.ConfigureFpga(name, key); });
}

VELORIX_EXPORT bool SetAttenuator(int step) {
    return Guard(true, [&](ReceiverDevice& d) {
        d.SetAttenuator(step);
        return true;
    });
}

VELORIX_EXPORT bool SetPreselector(int filter) {
    return Guard(true, [&](ReceiverDevice& d) {
        d.SetPreselector(filter);
        return true;
    });
}

VELORIX_EXPORT uint32_t Sio(const unsigned char* data, int length) {
    return Guard(uint32_t(0), [&](ReceiverDevice& d) { return d.Sio(data, length); });
}

VELORIX_EXPORT int GetInputData(unsigned char* buffer, int length) {
    return Guard(0, [&](ReceiverDevice& d) { return d.ReadInputData(buffer, length); });
}

VELORIX_EXPORT int StartAsyncInput(int blockBytes, VelorixInputCallback callback, void* user) {
    return Guard(0, [&](ReceiverDevice& d) {
        return d.StartInput(velorix::usb::kSamplesIn, blockBytes, callback, user) ? 1 : 0;
    });
}

VELORIX_EXPORT int StopAsyncInput(void) {
    return Guard(1, [](ReceiverDevice& d) {
        d.StopInput();
        return 1;
    });
}

VELORIX_EXPORT int EepromRead(unsigned char* buffer, int address, int length) {
    return Guard(0, [&](ReceiverDevice& d) { return d.EepromRead(buffer, address, length); });
}

VELORIX_EXPORT uint8_t EepromWrite(const unsigned char* data, int address, int length) {
    return Guard(uint8_t(0),
                 [&](ReceiverDevice& d) { return d.EepromWrite(data, address, length); });
}
