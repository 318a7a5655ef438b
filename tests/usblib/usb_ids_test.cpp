// The libusb backend's id list (VELORIX_USB_IDS), device matching and the
// mapping of libusb's errors.
#include <gtest/gtest.h>
#include <libusb.h>

#include "LibusbErrors.h"
#include "UsbIds.h"

namespace velorix::usb {
namespace {

TEST(UsbIds, ParsesListsInOrder) {
    std::vector<UsbId> ids;
    std::string error;
    ASSERT_TRUE(ParseUsbIds("04b4:8613, ABCD:00ef ,0000:ffff", ids, error)) << error;
    EXPECT_EQ(ids, (std::vector<UsbId>{{0x04B4, 0x8613}, {0xABCD, 0x00EF}, {0x0000, 0xFFFF}}));
    ASSERT_TRUE(ParseUsbIds("1209:0002", ids, error));
    EXPECT_EQ(ids.size(), 1u);
}

TEST(UsbIds, RefusesMalformedEntriesAndKeepsThePreviousList) {
    std::vector<UsbId> ids = {{1, 2}};
    for (const char* bad : {"", "  ", "1209", "1209:02", "12090:0002", "1209:000g", "1209:0002,",
                            ",1209:0002", "1209-0002", "vvvv:pppp", "1209:0002;1209:0003"}) {
        std::string error;
        EXPECT_FALSE(ParseUsbIds(bad, ids, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(ids, (std::vector<UsbId>{{1, 2}}));
    std::string error;
    ParseUsbIds("1209:0002,12x9:0003", ids, error);
    EXPECT_NE(error.find("12x9:0003"), std::string::npos) << error;
}

TEST(UsbIds, MatchesVendorAndProductTogether) {
    const std::vector<UsbId> ids = {{0x1209, 0x0001}, {0x1209, 0x0002}};
    EXPECT_EQ(MatchUsbId(ids, 0x1209, 0x0001), 0);
    EXPECT_EQ(MatchUsbId(ids, 0x1209, 0x0002), 1);
    EXPECT_EQ(MatchUsbId(ids, 0x1209, 0x0003), -1);
    EXPECT_EQ(MatchUsbId(ids, 0x0002, 0x1209), -1);
    EXPECT_EQ(MatchUsbId({}, 0x1209, 0x0001), -1);
}

TEST(LibusbErrors, MapToTransferOutcomes) {
    EXPECT_EQ(MapLibusbError(0), TransferStatus::Ok);
    EXPECT_EQ(MapLibusbError(17), TransferStatus::Ok);
    EXPECT_EQ(MapLibusbError(LIBUSB_ERROR_TIMEOUT), TransferStatus::Timeout);
    EXPECT_EQ(MapLibusbError(LIBUSB_ERROR_NO_DEVICE), TransferStatus::NoDevice);
    EXPECT_EQ(MapLibusbError(LIBUSB_ERROR_NOT_FOUND), TransferStatus::NoDevice);
    EXPECT_EQ(MapLibusbError(LIBUSB_ERROR_PIPE), TransferStatus::Stall);
    EXPECT_EQ(MapLibusbError(LIBUSB_ERROR_OVERFLOW), TransferStatus::Overflow);
    EXPECT_EQ(MapLibusbError(LIBUSB_ERROR_INTERRUPTED), TransferStatus::Aborted);
    EXPECT_EQ(MapLibusbError(LIBUSB_ERROR_ACCESS), TransferStatus::Failed);
    EXPECT_EQ(MapLibusbError(LIBUSB_ERROR_IO), TransferStatus::Failed);

    EXPECT_EQ(MapLibusbTransferStatus(LIBUSB_TRANSFER_COMPLETED), TransferStatus::Ok);
    EXPECT_EQ(MapLibusbTransferStatus(LIBUSB_TRANSFER_TIMED_OUT), TransferStatus::Timeout);
    EXPECT_EQ(MapLibusbTransferStatus(LIBUSB_TRANSFER_CANCELLED), TransferStatus::Aborted);
    EXPECT_EQ(MapLibusbTransferStatus(LIBUSB_TRANSFER_STALL), TransferStatus::Stall);
    EXPECT_EQ(MapLibusbTransferStatus(LIBUSB_TRANSFER_NO_DEVICE), TransferStatus::NoDevice);
    EXPECT_EQ(MapLibusbTransferStatus(LIBUSB_TRANSFER_OVERFLOW), TransferStatus::Overflow);
    EXPECT_EQ(MapLibusbTransferStatus(LIBUSB_TRANSFER_ERROR), TransferStatus::Failed);
}

}  // namespace
}  // namespace velorix::usb
