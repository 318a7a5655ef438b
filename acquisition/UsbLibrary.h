#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "DataDirectories.h"
#include "velorixusb.h"

namespace velorix {

// The receiver library's fifteen exports, as the program calls them.
// Sample blocks arrive on the library's reader thread; the buffer belongs
// to the library and is overwritten by the next read.
using UsbInputCallback = VelorixInputCallback;

struct UsbExports {
    VelorixOpenFn Open = nullptr;
    VelorixCloseFn Close = nullptr;
    VelorixFirmwareDownloadFn FirmwareDownload = nullptr;
    VelorixFpgaConfigFn FpgaConfig = nullptr;
    VelorixGetDeviceNameFn GetDeviceName = nullptr;
    VelorixGetFriendlyDeviceNameFn GetFriendlyDeviceName = nullptr;
    VelorixSetAttenuatorFn SetAttenuator = nullptr;
    VelorixSetPreselectorFn SetPreselector = nullptr;
    VelorixSioFn Sio = nullptr;
    VelorixGetInputDataFn GetInputData = nullptr;
    VelorixStartAsyncInputFn StartAsyncInput = nullptr;
    VelorixStopAsyncInputFn StopAsyncInput = nullptr;
    VelorixEepromReadFn EepromRead = nullptr;
    VelorixEepromWriteFn EepromWrite = nullptr;
    VelorixGetDLLVersionFn GetDLLVersion = nullptr;
};

// File name of the receiver library.
inline constexpr const char* kUsbLibraryName = "libvelorixusb.so";

// The program's binding of the receiver library: loaded by file name at run
// time, the exports resolved by name. Every call goes through a wrapper
// that tolerates a missing export (0, or -1 where the library answers a
// status code), so a partial library never crashes the program.
class UsbLibrary {
public:
    UsbLibrary() = default;
    // Binds a ready-made table (tests, or a library linked in by other means).
    explicit UsbLibrary(const UsbExports& exports) : fn_(exports) {}
    ~UsbLibrary();
    UsbLibrary(const UsbLibrary&) = delete;
    UsbLibrary& operator=(const UsbLibrary&) = delete;

    struct Location {
        std::string path;                   // what to load
        std::vector<std::string> lookedIn;  // the directories it was looked for in
    };
    // Where the library is looked for: VELORIX_USB_LIBRARY when set, else
    // kUsbLibraryName in the first of files::LibraryDirectories(place) that
    // holds it (the first of them when none does). Never on the loader's
    // search path: the library has a private directory of its own.
    static Location Locate(const files::ProgramPlace& place);
    // The same for the running program.
    static std::string DefaultPath();

    // Loads the library and resolves the fifteen exports in order. On
    // failure returns false with the system's error text in `error`.
    bool Load(const std::string& path, std::string& error);
    // Forgets every export and unloads the library.
    void Unload();
    bool IsLoaded() const { return handle_ != nullptr; }
    // Number of exports that were resolved (15 for a complete library).
    int BoundCount() const;

    int Open();
    int Close();
    int FirmwareDownload(const char* hexPath);
    int FpgaConfig(const char* name, const unsigned char* key);
    int SetAttenuator(int step);
    int SetPreselector(int filter);
    long long Sio(const unsigned char* bytes, int length);
    int StartAsyncInput(int blockBytes, UsbInputCallback callback, void* user);
    int StopAsyncInput();
    int EepromRead(unsigned char* buffer, int address, int length);
    std::uint32_t GetDLLVersion();
    // Whether the library has a receiver: its device name is empty once the
    // receiver was removed. The name buffer is the library's, shared by all
    // callers: call from one thread at a time.
    bool DevicePresent() const;

    const UsbExports& Exports() const { return fn_; }

private:
    void* handle_ = nullptr;
    UsbExports fn_;
};

}  // namespace velorix
