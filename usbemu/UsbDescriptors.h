#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "VirtualFirmware.h"

namespace velorix::usbemu {

// What the kernel shows of an emulated receiver: the descriptors libusb reads
// from sysfs, the string descriptors it asks for on endpoint 0, and the sysfs
// entry of the device.
//
// The bare microcontroller has one interface without endpoints and no
// strings; the running firmware has the receiver's three bulk endpoints
// (0x01 out and 0x81 in with 64-byte packets, 0x82 in with 510-byte packets)
// and names its maker (string 1) and product (string 2).

// Device descriptor followed by the configuration with its interface and endpoints.
std::vector<uint8_t> DeviceDescriptors(const sim::UsbIdentity& identity, bool firmware);

// The reply to GET_DESCRIPTOR(string `index`, language `language`), cut at
// `maxBytes`; empty when there is no such string (the request stalls).
std::vector<uint8_t> StringDescriptor(const sim::UsbIdentity& identity, uint8_t index,
                                      uint16_t language, uint16_t maxBytes);

// The device's sysfs path below the testbed: one port of bus 1 per receiver (0, 1, ...).
std::string SysfsPath(int port);
// "/dev/bus/usb/001/DDD"
std::string DeviceNode(int devnum);

// The device for umockdev_testbed_add_from_string: sysfs attributes, udev
// properties and descriptors of `identity` at `port` with address `devnum`.
// No node line: the emulator makes the node itself.
std::string SysfsDescription(const sim::UsbIdentity& identity, bool firmware, int port, int devnum);

}  // namespace velorix::usbemu
