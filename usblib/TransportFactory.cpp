#include <cstdlib>
#include <cstring>

#include "DataDirectories.h"
#include "LibusbTransport.h"
#include "UsbTransport.h"
#include "VirtualTransport.h"

namespace velorix::usb {

std::unique_ptr<UsbTransport> CreateTransportFromEnvironment() {
    const char* device = std::getenv("VELORIX_DEVICE");
    if (device && std::strcmp(device, "virtual") == 0)
        return std::make_unique<VirtualTransport>(sim::VirtualConfig::FromEnvironment());
    // The library looks for the owner's usb-ids from where it is installed.
    FoundUsbIds found = FindUsbIds(files::DataDirectories(
        files::LibraryPlace(reinterpret_cast<const void*>(&CreateTransportFromEnvironment))));
    return std::make_unique<LibusbTransport>(std::move(found.ids), std::move(found.error));
}

}  // namespace velorix::usb
