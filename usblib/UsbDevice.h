#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "UsbEvent.h"
#include "UsbTransport.h"

namespace velorix::usb {

// Block callback of the asynchronous reader: (block buffer, user value). Runs on
// the reader thread; the buffer is overwritten by the next read.
using InputCallback = void (*)(unsigned char* block, void* user);

// Endpoints and transfer parameters of the receiver.
inline constexpr uint8_t kCommandOut = 0x01;
inline constexpr uint8_t kReplyIn = 0x81;
inline constexpr uint8_t kSamplesIn = 0x82;
inline constexpr uint32_t kCommandPacket = 64;
inline constexpr unsigned kCommandTimeoutMs = 2000;
inline constexpr unsigned kControlTimeoutMs = 1000;
inline constexpr unsigned kReadTimeoutMs = 100;  // the asynchronous reader's wait per block
inline constexpr int kNameBytes = 256;

// First layer of the device object: the handle, notifications, firmware
// download and the asynchronous reader.
//
// Threads: the caller's thread (every export), the transport's notification
// thread (OpenDevice on arrival, CloseDevice on removal) and the reader thread.
// The handle is a shared connection taken under `deviceMutex_` for each
// transfer, so that a removal can close it while another thread is inside a
// transfer: that transfer ends with an error and the connection is freed when
// its last user lets go.
class UsbDevice : public UsbHotplugListener {
public:
    explicit UsbDevice(std::unique_ptr<UsbTransport> transport);
    ~UsbDevice() override;
    UsbDevice(const UsbDevice&) = delete;
    UsbDevice& operator=(const UsbDevice&) = delete;

    virtual bool SetTransferSize(uint8_t endpoint, uint32_t bytes);
    // 0 success; 1 file cannot be opened; 2 transfer failed or no re-appearance
    // within 5 s; 3 malformed HEX line; 4 unsupported record type.
    virtual int DownloadFirmware(const char* path);
    virtual bool OpenDevice();
    virtual void CloseDevice();
    virtual bool StartInput(uint8_t endpoint, int bytes, InputCallback callback, void* user);
    virtual void StopInput();

    // Open export: OpenDevice, then registration for arrival/removal once.
    int Open();
    // Why the last OpenDevice found no receiver to open: ENODEV (none present)
    // or the system's reason (EACCES, EBUSY, ...); 0 after a success.
    int OpenError() const { return openError_.load(); }
    // Name exports: the library's own buffers, text cut at 255 characters.
    char* DeviceName();
    char* FriendlyDeviceName();
    // One synchronous read of `bytes` on the sample endpoint; 1 when all arrived.
    int ReadInputData(uint8_t* buffer, int bytes);

    bool FirmwareReady() const { return firmwareReady_.load(); }

protected:
    // Command frame on 0x01 and reply on 0x81, each after setting the endpoint's
    // transfer size to 64 and each waiting at most 2 s.
    TransferStatus WriteCommand(const uint8_t* frame, int length);
    TransferStatus ReadReply(uint8_t* buffer, int length, int* received);
    // One bulk frame on 0x01 without setting the transfer size (bitstream data).
    TransferStatus WriteFrame(const uint8_t* frame, int length);

    std::shared_ptr<UsbConnection> Handle() const;
    // Drops the handle without any command to the device (unload, removal).
    void ReleaseHandle();
    // Unload: stops the reader, then the notifications (so that no arrival or
    // removal can call into a half-destroyed object), then drops the handle.
    // Called by the most-derived destructor first; repeating it is harmless.
    void TearDown();

    void OnArrival() override;
    void OnRemoval(const UsbConnection* connection) override;

private:
    // One frame on 0x01; a refusal is told on stderr with the command byte.
    TransferStatus SendFrame(UsbConnection& h, const uint8_t* frame, int length);
    bool LoadMemory(uint16_t address, const uint8_t* data, uint16_t count);
    int DownloadBuiltIn();
    int DownloadHexFile(const char* path);
    int ReleaseCpuAndWait();
    void ReaderLoop();

    std::unique_ptr<UsbTransport> transport_;

    // Reader state.
    std::atomic<unsigned> readTimeoutMs_{kReadTimeoutMs};
    std::atomic<void*> user_{nullptr};
    std::atomic<InputCallback> callback_{nullptr};

    char friendlyName_[kNameBytes] = {};
    char deviceName_[kNameBytes] = {};

    mutable std::mutex deviceMutex_;  // guards handle_
    std::shared_ptr<UsbConnection> handle_;
    std::mutex registrationMutex_;
    bool registered_ = false;

    std::atomic<int> openError_{0};
    std::atomic<int> firmwareReady_{0};
    UsbEvent arrival_;

    std::atomic<bool> stop_{false};
    std::mutex stopMutex_;  // lets the reader sleep out a failed read's time-out
    std::condition_variable stopWake_;
    std::thread reader_;
    std::mutex transferLock_;  // held by the reader around each read and callback
    std::atomic<bool> running_{false};
    uint8_t endpoint_ = kSamplesIn;
    int blockBytes_ = 0;
    std::vector<uint8_t> block_;
};

}  // namespace velorix::usb
