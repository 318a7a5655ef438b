// The libusb backend's id list (VELORIX_USB_IDS or the owner's usb-ids file),
// device matching and the mapping of libusb's errors.
#include <gtest/gtest.h>
#include <libusb.h>

#include <filesystem>
#include <fstream>

#include "LibusbErrors.h"
#include "TempDir.h"
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

TEST(UsbIds, FileHoldsOneIdALineWithComments) {
    struct Case {
        const char* text;
        std::vector<UsbId> ids;  // empty: refused
        const char* error;
    } cases[] = {
        {"# loader, then firmware\r\n04b4:8613\r\n\n  1209:0F0f  # running\n",
         {{0x04B4, 0x8613}, {0x1209, 0x0F0F}},
         ""},
        {"1209:0001", {{0x1209, 0x0001}}, ""},
        {"1209:0001\n1209:0002,1209:0003\n", {}, "2: '1209:0002,1209:0003' is not vvvv:pppp"},
        {"\n\n\tvvvv:pppp # the template's\n", {}, "3: 'vvvv:pppp' is not vvvv:pppp"},
    };
    for (const Case& c : cases) {
        std::vector<UsbId> ids = {{1, 2}};
        std::string error;
        EXPECT_EQ(ParseUsbIdsFile(c.text, ids, error), !c.ids.empty()) << c.text;
        EXPECT_EQ(ids, c.ids.empty() ? std::vector<UsbId>({{1, 2}}) : c.ids) << c.text;
        EXPECT_EQ(error.rfind(c.error, 0), 0u) << error;
    }
}

// The variable overrides the file; the first file found is the one read, and
// whatever is wrong with it is told with its path (and line).
TEST(UsbIds, AreFoundInTheEnvironmentOrTheFirstDataDirectory) {
    test::TempDir tmp("usb-ids");
    const std::vector<std::string> dirs = {tmp / "home", tmp / "share"};
    for (const std::string& d : dirs)
        std::filesystem::create_directory(d);
    unsetenv("VELORIX_USB_IDS");
    EXPECT_EQ(FindUsbIds(dirs).error, "usb-ids not found\nlooked in: " + dirs[0] + ", " + dirs[1]);

    std::ofstream(tmp / "share/usb-ids") << "1209:0002\n";
    std::ofstream(tmp / "home/usb-ids") << "# nothing yet\n";
    EXPECT_EQ(FindUsbIds(dirs).error, dirs[0] + "/usb-ids: no ids in it (one vvvv:pppp a line)");
    std::ofstream(tmp / "home/usb-ids") << "1209:0001\n12x9:0003\n";
    EXPECT_EQ(FindUsbIds(dirs).error,
              dirs[0] + "/usb-ids:2: '12x9:0003' is not vvvv:pppp (four hex digits each)");
    std::filesystem::remove(tmp / "home/usb-ids");
    std::filesystem::create_directory(tmp / "home/usb-ids");
    EXPECT_EQ(FindUsbIds(dirs).error, dirs[0] + "/usb-ids: a directory, not a file");
    std::filesystem::remove(tmp / "home/usb-ids");
    const FoundUsbIds found = FindUsbIds(dirs);
    EXPECT_EQ(found.error, "");
    EXPECT_EQ(found.ids, (std::vector<UsbId>{{0x1209, 0x0002}}));

    setenv("VELORIX_USB_IDS", "04b4:8613,1209:0f0f", 1);
    EXPECT_EQ(FindUsbIds(dirs).ids, (std::vector<UsbId>{{0x04B4, 0x8613}, {0x1209, 0x0F0F}}));
    setenv("VELORIX_USB_IDS", "04b4", 1);
    EXPECT_EQ(FindUsbIds(dirs).error,
              "VELORIX_USB_IDS: '04b4' is not vvvv:pppp (four hex digits each)");
    unsetenv("VELORIX_USB_IDS");
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
