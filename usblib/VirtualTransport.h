#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "UsbTransport.h"
#include "VirtualReceiver.h"

namespace velorix::usb {

// The virtual receiver behind the transport interface. A bus thread of its
// own, running from construction to destruction, drives the device's timed
// events (re-enumeration 300 ms after the firmware starts), follows the plug
// file when one is configured (the receiver is attached while the file exists;
// checked every 20 ms), and hands arrivals and removals to the listener.
class VirtualTransport : public UsbTransport {
public:
    // `source` null: the simulator's default signal.
    explicit VirtualTransport(sim::VirtualConfig config,
                              std::unique_ptr<sim::SampleSource> source = nullptr);
    ~VirtualTransport() override;

    std::shared_ptr<UsbConnection> OpenFirst(int& error) override;
    bool StartNotifications(UsbHotplugListener* listener) override;
    void StopNotifications() override;

    sim::VirtualReceiver& Receiver() { return *receiver_; }

private:
    void Run();
    void FollowPlugFile();

    const bool noNotifications_;
    const std::string plugFile_;
    std::shared_ptr<sim::VirtualReceiver> receiver_;
    bool plugPresent_ = false;  // bus thread only, after construction

    std::mutex mutex_;  // stop_, listener_
    std::condition_variable wake_;
    bool stop_ = false;
    UsbHotplugListener* listener_ = nullptr;
    std::mutex deliveryMutex_;  // held while the listener runs
    std::thread thread_;
};

}  // namespace velorix::usb
