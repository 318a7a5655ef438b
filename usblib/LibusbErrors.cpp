#include "LibusbErrors.h"

#include <libusb.h>

namespace velorix::usb {

TransferStatus MapLibusbError(int error) {
    if (error >= 0) return TransferStatus::Ok;
    switch (error) {
        case LIBUSB_ERROR_TIMEOUT:
            return TransferStatus::Timeout;
        case LIBUSB_ERROR_NO_DEVICE:
        case LIBUSB_ERROR_NOT_FOUND:
            return TransferStatus::NoDevice;
        case LIBUSB_ERROR_PIPE:
        case LIBUSB_ERROR_NOT_SUPPORTED:
            return TransferStatus::Stall;
        case LIBUSB_ERROR_INTERRUPTED:
            return TransferStatus::Aborted;
        case LIBUSB_ERROR_OVERFLOW:
            return TransferStatus::Overflow;
        default:
            return TransferStatus::Failed;
    }
}

TransferStatus MapLibusbTransferStatus(int status) {
    switch (status) {
        case LIBUSB_TRANSFER_COMPLETED:
            return TransferStatus::Ok;
        case LIBUSB_TRANSFER_TIMED_OUT:
            return TransferStatus::Timeout;
        case LIBUSB_TRANSFER_CANCELLED:
            return TransferStatus::Aborted;
        case LIBUSB_TRANSFER_STALL:
            return TransferStatus::Stall;
        case LIBUSB_TRANSFER_NO_DEVICE:
            return TransferStatus::NoDevice;
        case LIBUSB_TRANSFER_OVERFLOW:
            return TransferStatus::Overflow;
        default:
            return TransferStatus::Failed;
    }
}

}  // namespace velorix::usb
