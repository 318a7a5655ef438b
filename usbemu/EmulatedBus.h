#pragma once

#include <umockdev.h>

#include <memory>
#include <string>
#include <vector>

#include "UsbfsNode.h"
#include "VirtualConfig.h"

namespace velorix::usbemu {

// The emulated USB bus: a umockdev testbed (its folder is UMOCKDEV_DIR for
// the programs started afterwards) with one port per virtual receiver.
// A receiver's node is added and removed as its model comes and goes: at
// start, after the firmware's re-enumeration, and with the plug file
// (VELORIX_VIRTUAL_PLUG). Each arrival and removal is a uevent, so libusb's
// hotplug sees both. Main thread only.
class EmulatedBus {
public:
    // `receivers` receivers of `config`, the n-th with serial number config.serial + n.
    EmulatedBus(int receivers, const sim::VirtualConfig& config);
    // Removes the testbed and its folder.
    ~EmulatedBus();
    EmulatedBus(const EmulatedBus&) = delete;
    EmulatedBus& operator=(const EmulatedBus&) = delete;

    // False with `error` set when the testbed or a node could not be made.
    bool Ready(std::string& error) const;
    // Follows the plug file and the models' bus events; call every 20 ms.
    void Tick();

    // The bus ids a receiver has: the bare microcontroller's and the firmware's.
    static std::string UsbIds();
    // Removes the testbed folders of emulators that ended without removing them.
    static void RemoveStale();

private:
    struct Port {
        std::shared_ptr<sim::VirtualReceiver> model;
        std::shared_ptr<UsbfsNode> node;  // while attached
        std::string devnode;
        bool plugPresent = false;
    };
    void Attach(int port);
    void Detach(int port);

    UMockdevTestbed* testbed_ = nullptr;
    std::string root_;
    std::string plugFile_;
    std::vector<Port> ports_;
    std::vector<UMockdevIoctlBase*> handlers_;  // kept for reaps on nodes that have left
    int nextDevnum_ = 2;
    std::string error_;
};

}  // namespace velorix::usbemu
