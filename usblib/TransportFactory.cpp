#include <cstdlib>
#include <cstring>

#include "LibusbTransport.h"
#include "UsbTransport.h"
#include "VirtualTransport.h"

namespace velorix::usb {

std::unique_ptr<UsbTransport> CreateTransportFromEnvironment() {
    const char* device = std::getenv("VELORIX_DEVICE");
    if (device && std::strcmp(device, "virtual") == 0)
        return std::make_unique<VirtualTransport>(sim::VirtualConfig::FromEnvironment());
    std::vector<UsbId> ids;
    std::string error;
    const char* text = std::getenv("VELORIX_USB_IDS");
    if (!text)
        error = "not set (expected vvvv:pppp[,vvvv:pppp...])";
    else
        ParseUsbIds(text, ids, error);
    return std::make_unique<LibusbTransport>(std::move(ids), std::move(error));
}

}  // namespace velorix::usb
