#pragma once

#include <cstdint>
#include <memory>

namespace velorix::usb {

// Outcome of one USB transfer, in the terms the device layers care about.
enum class TransferStatus {
    Ok,        // completed; the byte count may still be short for a read
    Timeout,   // the wait ran out; the transfer was cancelled before returning
    NoDevice,  // the handle was closed or the device left the bus
    Stall,     // the device refused the request (endpoint halted or request not supported)
    Aborted,   // cancelled by AbortRead
    Overflow,  // the device sent more than was asked for
    Failed,    // anything else
};

// One opened device: the handle the device layers hold while the receiver is
// on the bus. Transfers may run on several threads at once (the reader on 0x82,
// commands on 0x01/0x81). Closing happens when the last reference is dropped,
// so a thread inside a transfer never sees the handle freed under it; Invalidate
// makes every later transfer fail at once with NoDevice.
class UsbConnection {
public:
    virtual ~UsbConnection() = default;

    // Vendor control transfer on endpoint 0, host to device. `timeoutMs` bounds the wait.
    virtual TransferStatus ControlWrite(uint8_t requestType, uint8_t request, uint16_t value,
                                        uint16_t index, const uint8_t* data, uint16_t length,
                                        unsigned timeoutMs) = 0;

    // Bulk OUT (endpoint 0x01). `transferred` receives the bytes sent.
    virtual TransferStatus BulkWrite(uint8_t endpoint, const uint8_t* data, int length,
                                     unsigned timeoutMs, int* transferred) = 0;

    // Bulk IN (0x81 or 0x82). `transferred` receives the bytes read.
    virtual TransferStatus BulkRead(uint8_t endpoint, uint8_t* data, int length, unsigned timeoutMs,
                                    int* transferred) = 0;

    // Largest transfer the endpoint is asked to carry; false when the handle is gone.
    virtual bool SetTransferSize(uint8_t endpoint, uint32_t bytes) = 0;

    // Cancels a read pending on `endpoint`, if any.
    virtual void AbortRead(uint8_t endpoint) = 0;

    // Clears a halt (stall) on `endpoint`, so that transfers on it go on; false
    // when the device refused or the handle is gone.
    virtual bool ClearHalt(uint8_t endpoint) = 0;

    // Device name (product string) and friendly name (manufacturer string):
    // copies at most `capacity` bytes, unterminated, and returns the count (0 on failure).
    virtual int DeviceName(char* buffer, int capacity) = 0;
    virtual int FriendlyName(char* buffer, int capacity) = 0;

    // Marks the handle closed: pending reads end, later transfers fail.
    virtual void Invalidate() = 0;
};

// Receives arrival and removal of receivers. Called on the transport's own
// notification thread, never while a transport lock is held.
class UsbHotplugListener {
public:
    virtual ~UsbHotplugListener() = default;
    virtual void OnArrival() = 0;
    // `connection` is the handle of the device that left when the backend can tell,
    // else null (the listener then treats its own handle as gone).
    virtual void OnRemoval(const UsbConnection* connection) = 0;
};

// A way to reach receivers: libusb for real hardware, or the virtual receiver.
class UsbTransport {
public:
    virtual ~UsbTransport() = default;

    // Enumerates the receivers present and opens the first one; null when there
    // is none (`error` ENODEV) or it cannot be opened (`error` the system's
    // reason: EACCES, EBUSY, ...).
    virtual std::shared_ptr<UsbConnection> OpenFirst(int& error) = 0;

    // Starts delivering arrival/removal to `listener` on a thread of the library's
    // own. False when notifications cannot be had. Idempotent.
    virtual bool StartNotifications(UsbHotplugListener* listener) = 0;

    // Stops and joins the notification thread; no callback runs after it returns.
    virtual void StopNotifications() = 0;
};

// Backend chosen by the environment: VELORIX_DEVICE=virtual selects the
// virtual receiver, anything else libusb (ids from VELORIX_USB_IDS or the
// usb-ids file in the data directories, see FindUsbIds).
std::unique_ptr<UsbTransport> CreateTransportFromEnvironment();

}  // namespace velorix::usb
