#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "UsbIds.h"
#include "UsbTransport.h"

struct libusb_context;
struct libusb_device;

namespace velorix::usb {

class LibusbConnection;

// Real receivers through libusb-1.0: enumerates the devices whose ids are
// accepted (VELORIX_USB_IDS, or the owner's usb-ids file), claims interface 0, and reports arrival
// and removal from libusb's hotplug callbacks, or by polling every 250 ms where the platform has no
// hotplug support.
class LibusbTransport : public UsbTransport {
public:
    // `idsError` is non-empty when the ids could not be had; it is reported once,
    // at the first attempt to open.
    LibusbTransport(std::vector<UsbId> ids, std::string idsError);
    ~LibusbTransport() override;

    std::shared_ptr<UsbConnection> OpenFirst(int& error) override;
    bool StartNotifications(UsbHotplugListener* listener) override;
    void StopNotifications() override;

    // Called from libusb's event handling (any thread that handles events).
    void QueueEvent(libusb_device* device, bool arrived);
    bool Accepts(libusb_device* device) const;

private:
    struct Event {
        libusb_device* device;  // holds a reference
        bool arrived;
    };

    void Run();
    void PollDevices();
    void Deliver();

    std::shared_ptr<libusb_context> context_;
    std::vector<UsbId> ids_;
    std::string idsError_;
    std::atomic<bool> idsErrorShown_{false};

    std::mutex connectionsMutex_;
    std::vector<std::weak_ptr<LibusbConnection>> connections_;

    std::mutex mutex_;  // events_, stop_
    std::condition_variable wake_;
    std::deque<Event> events_;
    bool stop_ = false;
    UsbHotplugListener* listener_ = nullptr;
    std::thread thread_;
    bool hotplug_ = false;
    int hotplugHandle_ = 0;
    std::vector<libusb_device*> present_;  // polling: matching devices last seen (referenced)
};

}  // namespace velorix::usb
