#include "UsbDescriptors.h"

#include <algorithm>
#include <cstdio>

namespace velorix::usbemu {

namespace {

constexpr uint16_t kEnglishUs = 0x0409;

void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

}  // namespace

std::vector<uint8_t> DeviceDescriptors(const sim::UsbIdentity& id, bool firmware) {
    std::vector<uint8_t> d = {18, 1};
    Put16(d, 0x0200);                           // USB 2.0
    d.insert(d.end(), {0xFF, 0xFF, 0xFF, 64});  // vendor class, 64-byte control packets
    Put16(d, id.vendorId);
    Put16(d, id.productId);
    Put16(d, 0x0001);
    d.insert(d.end(),
             {uint8_t(id.manufacturer.empty() ? 0 : 1), uint8_t(id.product.empty() ? 0 : 2), 0, 1});
    struct Endpoint {
        uint8_t address;
        uint16_t packet;
    };
    const std::vector<Endpoint> endpoints =
        firmware ? std::vector<Endpoint>{{0x01, 64}, {0x81, 64}, {0x82, 510}}
                 : std::vector<Endpoint>{};
    const uint16_t total = uint16_t(9 + 9 + 7 * endpoints.size());
    d.insert(d.end(), {9, 2});
    Put16(d, total);
    d.insert(d.end(), {1, 1, 0, 0x80, 50});  // one interface, configuration 1, 100 mA
    d.insert(d.end(), {9, 4, 0, 0, uint8_t(endpoints.size()), 0xFF, 0xFF, 0xFF, 0});
    for (const Endpoint& e : endpoints) {
        d.insert(d.end(), {7, 5, e.address, 2});  // bulk
        Put16(d, e.packet);
        d.push_back(0);
    }
    return d;
}

std::vector<uint8_t> StringDescriptor(const sim::UsbIdentity& id, uint8_t index, uint16_t language,
                                      uint16_t maxBytes) {
    std::vector<uint8_t> d;
    if (index == 0) {
        d = {4, 3};
        Put16(d, kEnglishUs);
    } else if ((index == 1 || index == 2) && language == kEnglishUs) {
        const std::string& text = index == 1 ? id.manufacturer : id.product;
        if (text.empty()) return {};
        // UTF-16LE of the ASCII text; a descriptor holds at most 126 characters.
        const size_t chars = std::min<size_t>(text.size(), 126);
        d = {uint8_t(2 + 2 * chars), 3};
        for (size_t i = 0; i < chars; ++i)
            Put16(d, uint8_t(text[i]));
    } else {
        return {};
    }
    if (d.size() > maxBytes) d.resize(maxBytes);
    return d;
}

std::string SysfsPath(int port) {
    return "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-" + std::to_string(port + 1);
}

std::string DeviceNode(int devnum) {
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", devnum);
    return node;
}

std::string SysfsDescription(const sim::UsbIdentity& id, bool firmware, int port, int devnum) {
    std::string hex;
    for (uint8_t b : DeviceDescriptors(id, firmware)) {
        char two[3];
        std::snprintf(two, sizeof two, "%02X", b);
        hex += two;
    }
    char text[1024];
    std::snprintf(text, sizeof text,
                  "P: %s\n"
                  "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DEVNAME=%s\n"
                  "E: BUSNUM=001\nE: DEVNUM=%03d\nE: PRODUCT=%x/%x/1\n"
                  "E: MAJOR=189\nE: MINOR=%d\n"
                  "A: busnum=1\nA: devnum=%d\nA: speed=480\n"
                  "A: idVendor=%04x\nA: idProduct=%04x\nA: bcdDevice=0001\n"
                  "A: bConfigurationValue=1\nA: bNumConfigurations=1\nA: bNumInterfaces= 1\n"
                  "A: dev=189:%d\n"
                  "H: descriptors=%s\n",
                  SysfsPath(port).substr(4).c_str(), DeviceNode(devnum).c_str(), devnum,
                  id.vendorId, id.productId, devnum - 1, devnum, id.vendorId, id.productId,
                  devnum - 1, hex.c_str());
    return text;
}

}  // namespace velorix::usbemu
