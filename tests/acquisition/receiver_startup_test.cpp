#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Bitstreams.h"
#include "FakeUsbDevice.h"
#include "ReceiverStartup.h"
#include "RecordingNotifier.h"

namespace velorix {
namespace {

namespace fs = std::filesystem;
using test::FakeUsbDevice;
using test::RecordingNotifier;

// Answers Retry a given number of times, then Cancel.
class RetryingNotifier : public RecordingNotifier {
public:
    explicit RetryingNotifier(int retries) : retries_(retries) {}
    Answer Notify(const std::string& text, const std::string& caption, Icon icon,
                  Buttons buttons) override {
        RecordingNotifier::Notify(text, caption, icon, buttons);
        return retries_-- > 0 ? Answer::Retry : Answer::Cancel;
    }

private:
    int retries_;
};

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        FakeUsbDevice::Reset();
        dataDir_ = fs::temp_directory_path() / ("velorix-data-" + std::to_string(::getpid()));
        fs::create_directories(dataDir_);
        setenv("VELORIX_DATA_DIR", dataDir_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("VELORIX_DATA_DIR");
        fs::remove_all(dataDir_);
    }
    FakeUsbDevice& dev() { return FakeUsbDevice::Get(); }
    SettingsRecord settings;
    fs::path dataDir_;
};

TEST_F(StartupTest, MissingLibraryIsReportedWithTheSystemText) {
    UsbLibrary lib;
    RecordingNotifier notes;
    ReceiverStartup startup(lib, settings, notes);
    EXPECT_FALSE(startup.BindLibrary((dataDir_ / "libvelorixusb.so").string()));
    ASSERT_EQ(notes.Notices().size(), 1u);
    EXPECT_EQ(notes.Notices()[0].caption, "Loading libvelorixusb.so...");
    EXPECT_NE(notes.Notices()[0].text.find("libvelorixusb.so"), std::string::npos);
    EXPECT_NE(notes.Notices()[0].text.find("No such file"), std::string::npos);
    EXPECT_EQ(notes.Notices()[0].icon, Notifier::Icon::Error);
}

// An absent receiver is asked for until Retry finds it or Cancel ends the
// start; a library without Open counts as no receiver.
TEST_F(StartupTest, AbsentReceiverIsAskedForUntilRetryOrCancel) {
    struct Case {
        int openFailures, retries;
        const char* without;
        bool opened;
        int openCalls;
        size_t notices;
    } cases[] = {
        {2, 5, "", true, 3, 2},
        {100, 1, "", false, 2, 2},
        {0, 0, "Open", false, 0, 1},
    };
    for (const auto& c : cases) {
        FakeUsbDevice::Reset();
        dev().openFailures = c.openFailures;
        UsbLibrary lib(FakeUsbDevice::Exports(c.without));
        RetryingNotifier notes(c.retries);
        ReceiverStartup startup(lib, settings, notes);
        EXPECT_EQ(startup.OpenReceiver(), c.opened) << c.openFailures;
        EXPECT_EQ(dev().openCalls, c.openCalls) << c.openFailures;
        ASSERT_EQ(notes.Notices().size(), c.notices) << c.openFailures;
        EXPECT_EQ(notes.Notices()[0].text,
                  "Velorix receiver not found\nPlease check connections and retry");
        EXPECT_EQ(notes.Notices()[0].caption, "velorix");
        EXPECT_EQ(notes.Notices()[0].buttons, Notifier::Buttons::RetryCancel);
        EXPECT_EQ(notes.Notices()[0].icon, Notifier::Icon::Warning);
    }
}

// A receiver that is there but may not be opened says why and how to mend it.
TEST_F(StartupTest, NotFoundTextCarriesTheLibrarysReason) {
    const struct {
        int error;
        const char* second;
    } cases[] = {
        {0, "Please check connections and retry"},
        {ENODEV, "Please check connections and retry"},
        {EACCES,
         "Permission denied: install the udev rule (velorix-cli --udev-rule), then plug the "
         "receiver in again"},
        {EBUSY, "Device or resource busy: another program uses the receiver"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReceiverStartup::NotFoundText(c.error),
                  std::string("Velorix receiver not found\n") + c.second)
            << c.error;
}

TEST_F(StartupTest, FirmwareFailuresHaveTheirOwnTexts) {
    struct Case {
        int result;
        const char* without;
        const char* text;
    } cases[] = {
        {1, "", "velorix24v11_512.hex not found"},
        {2, "", "Firmware download error"},
        {0, "FirmwareDownload", "Firmware download error"},  // missing export: -1
    };
    for (const auto& c : cases) {
        FakeUsbDevice::Reset();
        dev().firmwareResult = c.result;
        UsbLibrary lib(FakeUsbDevice::Exports(c.without));
        RecordingNotifier notes;
        ReceiverStartup startup(lib, settings, notes);
        EXPECT_FALSE(startup.DownloadFirmware());
        ASSERT_EQ(notes.Notices().size(), 1u);
        EXPECT_EQ(notes.Notices()[0].text, c.text);
        EXPECT_EQ(notes.Notices()[0].caption, "velorix");
    }
    UsbLibrary missing(FakeUsbDevice::Exports("FirmwareDownload"));
    EXPECT_EQ(missing.FirmwareDownload(nullptr), -1);
}

TEST_F(StartupTest, MissingBitstreamNamesThePlainFile) {
    UsbLibrary lib(FakeUsbDevice::Exports());
    dev().fpgaResult = 1;
    RecordingNotifier notes;
    ReceiverStartup startup(lib, settings, notes);
    EXPECT_FALSE(startup.ConfigureRate(1, nullptr, false));
    ASSERT_EQ(notes.Notices().size(), 1u);
    EXPECT_EQ(notes.Notices()[0].text, "velorix250k24v11 not found");
    EXPECT_EQ(notes.Notices()[0].caption, "Installation Error");
    // The library was asked for the file in the data directory.
    ASSERT_EQ(dev().fpgaNames.size(), 1u);
    EXPECT_EQ(dev().fpgaNames[0], (dataDir_ / "velorix250k24v11").string());

    FakeUsbDevice::Reset();
    dev().fpgaResult = 2;
    RecordingNotifier notes2;
    ReceiverStartup s2(lib, settings, notes2);
    EXPECT_FALSE(s2.ConfigureRate(0, nullptr, false));
    EXPECT_EQ(notes2.Notices().at(0).text, "Bitstream load error");
}

TEST_F(StartupTest, RateChangeStoresTheRateAndPassesTheKey) {
    UsbLibrary lib(FakeUsbDevice::Exports());
    RecordingNotifier notes;
    ReceiverStartup startup(lib, settings, notes);
    int configured = 0;
    EXPECT_TRUE(startup.ConfigureRate(2, nullptr, false, [&] { ++configured; }));
    EXPECT_EQ(configured, 1);
    EXPECT_EQ(settings.DdcSamplingRateIdx, 2);
    EXPECT_DOUBLE_EQ(settings.outputRateKHz, 500.0);
    const BitstreamKey& builtIn = BuiltInBitstreamKey(2);
    EXPECT_EQ(dev().fpgaKeys.at(0), std::vector<std::uint8_t>(builtIn.begin(), builtIn.end()));

    // A sidecar key beside the bitstream wins.
    std::ofstream(dataDir_ / "velorix500k24v11.key") << "0123456789ab\n";
    EXPECT_TRUE(startup.ConfigureRate(2, nullptr, false));
    EXPECT_EQ(dev().fpgaKeys.at(1),
              (std::vector<std::uint8_t>{0x01, 0x23, 0x45, 0x67, 0x89, 0xab}));

    // A malformed one is refused before the receiver is touched.
    std::ofstream(dataDir_ / "velorix500k24v11.key") << "0123456789a\n";
    EXPECT_FALSE(startup.ConfigureRate(2, nullptr, false));
    EXPECT_EQ(dev().fpgaKeys.size(), 2u);
    EXPECT_EQ(notes.Notices().back().caption, "Installation Error");
}

TEST_F(StartupTest, PlayingAFileSkipsTheBitstream) {
    UsbLibrary lib(FakeUsbDevice::Exports());
    RecordingNotifier notes;
    ReceiverStartup startup(lib, settings, notes);
    EXPECT_TRUE(startup.ConfigureRate(1, nullptr, false, {}, false));
    EXPECT_TRUE(dev().fpgaNames.empty());
    EXPECT_DOUBLE_EQ(settings.outputRateKHz, 250.0);
}

// Identity bytes 4 and 5 both 0xFF mark a pre-production unit, whose
// attenuator steps are sent reversed.
TEST_F(StartupTest, PreProductionUnitsReverseTheAttenuator) {
    UsbLibrary lib(FakeUsbDevice::Exports());
    RecordingNotifier notes;
    ReceiverStartup startup(lib, settings, notes);
    dev().identity[4] = 0xFF;
    dev().identity[5] = 0xFF;
    startup.ReadIdentity();
    EXPECT_TRUE(startup.IsPreProduction());
    EXPECT_EQ(startup.AttenuatorStepToSend(1), 2);
    EXPECT_EQ(startup.AttenuatorStepToSend(3), 0);

    dev().identity[5] = 0x01;
    startup.ReadIdentity();
    EXPECT_FALSE(startup.IsPreProduction());
    EXPECT_EQ(startup.AttenuatorStepToSend(1), 1);
}

TEST(BitstreamKeys, TwelveHexDigitsMakeAKey) {
    BitstreamKey k{};
    EXPECT_TRUE(ParseBitstreamKey(" A1b2C3d4e5F6 \n", k));
    EXPECT_EQ(k, (BitstreamKey{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}));
    EXPECT_FALSE(ParseBitstreamKey("A1B2C3D4E5F", k));
    EXPECT_FALSE(ParseBitstreamKey("A1B2C3D4E5F6A", k));
    EXPECT_FALSE(ParseBitstreamKey("A1B2C3D4E5G6", k));
    EXPECT_STREQ(BitstreamName(0), "velorix125k24v11");
    EXPECT_STREQ(BitstreamName(2), "velorix500k24v11");
}

TEST(UsbBinding, PartialLibraryBindsWhatItHasAndToleratesTheRest) {
    UsbLibrary lib;
    std::string error;
    ASSERT_TRUE(lib.Load(VELORIX_PARTIAL_USB, error)) << error;
    EXPECT_EQ(lib.BoundCount(), 3);
    EXPECT_EQ(lib.Open(), 1);
    EXPECT_EQ(lib.GetDLLVersion(), 0x00010001u);
    EXPECT_EQ(lib.FirmwareDownload(nullptr), 0);
    // Missing exports answer 0, or -1 where the library answers a status.
    EXPECT_EQ(lib.Close(), 0);
    EXPECT_EQ(lib.FpgaConfig("x", nullptr), -1);
    EXPECT_EQ(lib.Sio(nullptr, 0), -1);
    EXPECT_EQ(lib.StartAsyncInput(16320, nullptr, nullptr), 0);
    EXPECT_EQ(lib.StopAsyncInput(), 0);
    EXPECT_EQ(lib.EepromRead(nullptr, 8, 12), 0);
    EXPECT_EQ(lib.SetAttenuator(1), 0);
    lib.Unload();
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_EQ(lib.BoundCount(), 0);
    EXPECT_EQ(lib.Open(), 0);
}

TEST(UsbBinding, LibraryPathComesFromTheEnvironmentOrTheProgramDirectory) {
    setenv("VELORIX_USB_LIBRARY", "/opt/x/libvelorixusb.so", 1);
    EXPECT_EQ(UsbLibrary::DefaultPath(), "/opt/x/libvelorixusb.so");
    unsetenv("VELORIX_USB_LIBRARY");
    const std::string p = UsbLibrary::DefaultPath();
    EXPECT_EQ(fs::path(p).filename(), "libvelorixusb.so");
    EXPECT_EQ(fs::path(p).parent_path(), fs::read_symlink("/proc/self/exe").parent_path());
}

}  // namespace
}  // namespace velorix
