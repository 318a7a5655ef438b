#pragma once

#include "UsbTransport.h"

namespace velorix::usb {

// libusb's error codes (negative LIBUSB_ERROR_*) as transfer outcomes; 0 and
// positive values are success.
TransferStatus MapLibusbError(int error);

// libusb's transfer completion states (LIBUSB_TRANSFER_*) as transfer outcomes.
TransferStatus MapLibusbTransferStatus(int status);

}  // namespace velorix::usb
