#include <gtest/gtest.h>

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Bitstreams.h"
#include "FakeUsbDevice.h"
#include "ReceiverStartup.h"
#include "RecordingNotifier.h"
#include "TempDir.h"

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

// The receiver's files are looked for as an installed program at root/bin
// looks for them: VELORIX_DATA_DIR, the two XDG directories, root/share/velorix
// and root/bin.
class StartupTest : public ::testing::Test {
protected:
    static constexpr const char* kDirs[] = {"data", "home/velorix", "system/velorix",
                                            "share/velorix", "bin"};

    void SetUp() override {
        FakeUsbDevice::Reset();
        fs::remove_all(root_);  // a case before may have left files
        for (const char* d : kDirs)
            fs::create_directories(root_ / d);
        setenv("VELORIX_DATA_DIR", Dir("data").c_str(), 1);
        setenv("XDG_DATA_HOME", Dir("home").c_str(), 1);
        setenv("XDG_DATA_DIRS", Dir("system").c_str(), 1);
        unsetenv("VELORIX_DEVICE");
    }
    // The XDG variables stay: they name directories that no longer exist.
    void TearDown() override {
        unsetenv("VELORIX_DATA_DIR");
        unsetenv("VELORIX_DEVICE");
    }
    FakeUsbDevice& dev() { return FakeUsbDevice::Get(); }
    std::string Dir(const std::string& name) const { return (root_ / name).string(); }
    files::ProgramPlace Place() const {
        return {Dir("bin"), "../share/velorix", "../lib/velorix", "."};
    }
    // The data directories of Place(), in their order, as "looked in" names them.
    std::string LookedIn() const {
        std::string text = "looked in:";
        for (const char* d : kDirs)
            text.append(text.back() == ':' ? " " : ", ").append(Dir(d));
        return text;
    }
    void Touch(const std::string& path) { std::ofstream(root_ / path) << "\n"; }

    SettingsRecord settings;
    test::TempDir rootDirectory_{"startup"};
    fs::path root_ = rootDirectory_.path();
};

TEST_F(StartupTest, MissingLibraryIsReportedWithTheSystemTextAndWhereItWasLookedFor) {
    UsbLibrary lib;
    RecordingNotifier notes;
    ReceiverStartup startup(lib, settings, notes);
    EXPECT_FALSE(startup.BindLibrary(Dir("data/libvelorixusb.so")));
    startup.SetProgramPlace(Place());
    EXPECT_FALSE(startup.BindLibrary());
    const auto notices = notes.Notices();
    ASSERT_EQ(notices.size(), 2u);
    for (const auto& n : notices) {
        EXPECT_EQ(n.caption, "Loading libvelorixusb.so...");
        EXPECT_NE(n.text.find("libvelorixusb.so: cannot open shared object file: No such file"),
                  std::string::npos);
        EXPECT_EQ(n.icon, Notifier::Icon::Error);
    }
    // Given a path, the system's text is all; looked for, the places follow.
    EXPECT_EQ(notices[0].text.find('\n'), std::string::npos);
    const std::string& text = notices[1].text;
    EXPECT_EQ(text.substr(text.find('\n') + 1),
              files::LookedIn(files::LibraryDirectories(Place())));
}

// VELORIX_USB_LIBRARY wins; else the private directory relative to the
// program comes before the program's own (the build tree's) directory.
TEST_F(StartupTest, TheLibraryIsLocatedInTheInstalledLayoutFirst) {
    setenv("VELORIX_USB_LIBRARY", "/opt/x/libvelorixusb.so", 1);
    EXPECT_EQ(UsbLibrary::Locate(Place()).path, "/opt/x/libvelorixusb.so");
    EXPECT_EQ(UsbLibrary::Locate(Place()).lookedIn, std::vector<std::string>{"/opt/x"});
    unsetenv("VELORIX_USB_LIBRARY");
    const std::vector<std::string> dirs = files::LibraryDirectories(Place());
    EXPECT_EQ(UsbLibrary::Locate(Place()).path, dirs[0] + "/libvelorixusb.so");  // none there
    Touch("bin/libvelorixusb.so");
    EXPECT_EQ(UsbLibrary::Locate(Place()).path, Dir("bin/libvelorixusb.so"));
    fs::create_directories(root_ / "lib/velorix");
    Touch("lib/velorix/libvelorixusb.so");
    EXPECT_EQ(UsbLibrary::Locate(Place()).path, Dir("lib/velorix/libvelorixusb.so"));
    EXPECT_EQ(UsbLibrary::Locate(Place()).lookedIn, dirs);
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
    Touch("home/velorix/velorix24v11_512.hex");
    struct Case {
        int result;
        const char* without;
        std::string text;
    } cases[] = {
        {1, "", "velorix24v11_512.hex not found\n" + LookedIn()},
        {2, "", "Firmware download error"},
        {0, "FirmwareDownload", "Firmware download error"},  // missing export: -1
    };
    for (const auto& c : cases) {
        FakeUsbDevice::Reset();
        dev().firmwareResult = c.result;
        UsbLibrary lib(FakeUsbDevice::Exports(c.without));
        RecordingNotifier notes;
        ReceiverStartup startup(lib, settings, notes);
        startup.SetProgramPlace(Place());
        EXPECT_FALSE(startup.DownloadFirmware());
        ASSERT_EQ(notes.Notices().size(), 1u);
        EXPECT_EQ(notes.Notices()[0].text, c.text);
        EXPECT_EQ(notes.Notices()[0].caption, "velorix");
    }
    UsbLibrary missing(FakeUsbDevice::Exports("FirmwareDownload"));
    EXPECT_EQ(missing.FirmwareDownload(nullptr), -1);
}

// The owner's firmware comes from the first data directory that holds it,
// the virtual receiver's only from a virtual/ folder; without one the
// library's built-in image is loaded ("").
TEST_F(StartupTest, EachReceiverLoadsOnlyItsOwnFirmware) {
    struct Case {
        bool virtualDevice;
        std::vector<const char*> files;
        const char* loaded;
    } cases[] = {
        {false, {}, ""},
        {false, {"system/velorix", "home/velorix"}, "home/velorix"},
        {false, {"data/virtual", "bin/virtual"}, ""},
        {true, {"home/velorix", "bin"}, ""},
        {true, {"home/velorix", "share/velorix/virtual", "bin/virtual"}, "share/velorix/virtual"},
    };
    for (const Case& c : cases) {
        SetUp();
        if (c.virtualDevice) setenv("VELORIX_DEVICE", "virtual", 1);
        for (const char* dir : c.files) {
            fs::create_directories(root_ / dir);
            Touch(std::string(dir) + "/velorix24v11_512.hex");
        }
        UsbLibrary lib(FakeUsbDevice::Exports());
        RecordingNotifier notes;
        ReceiverStartup startup(lib, settings, notes);
        startup.SetProgramPlace(Place());
        EXPECT_TRUE(startup.DownloadFirmware());
        const std::string loaded = *c.loaded ? Dir(c.loaded) + "/velorix24v11_512.hex" : "";
        EXPECT_EQ(dev().firmwarePaths, std::vector<std::string>{loaded}) << c.loaded;
    }
}

TEST_F(StartupTest, AMissingBitstreamIsToldWithWhereItWasLookedFor) {
    UsbLibrary lib(FakeUsbDevice::Exports());
    RecordingNotifier notes;
    ReceiverStartup startup(lib, settings, notes);
    startup.SetProgramPlace(Place());
    // Nowhere: the library is not asked.
    EXPECT_FALSE(startup.ConfigureRate(1, nullptr, false));
    EXPECT_TRUE(dev().fpgaNames.empty());
    // Found, but the library cannot open it.
    Touch("system/velorix/velorix250k24v11.sbs");
    dev().fpgaResult = 1;
    EXPECT_FALSE(startup.ConfigureRate(1, nullptr, false));
    ASSERT_EQ(dev().fpgaNames.size(), 1u);
    EXPECT_EQ(dev().fpgaNames[0], Dir("system/velorix/velorix250k24v11"));
    dev().fpgaResult = 2;
    EXPECT_FALSE(startup.ConfigureRate(1, nullptr, false));

    const std::vector<std::string> texts = {"velorix250k24v11 not found\n" + LookedIn(),
                                            "velorix250k24v11 not found\n" + LookedIn(),
                                            "Bitstream load error"};
    const auto notices = notes.Notices();
    ASSERT_EQ(notices.size(), texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        EXPECT_EQ(notices[i].text, texts[i]);
        EXPECT_EQ(notices[i].caption, "Installation Error");
    }
}

TEST_F(StartupTest, RateChangeStoresTheRateAndPassesTheKey) {
    UsbLibrary lib(FakeUsbDevice::Exports());
    RecordingNotifier notes;
    ReceiverStartup startup(lib, settings, notes);
    startup.SetProgramPlace(Place());
    Touch("home/velorix/velorix500k24v11.sbs");
    // A key where the bitstream is not belongs to no bitstream.
    std::ofstream(root_ / "data/velorix500k24v11.key") << "ffffffffffff\n";
    int configured = 0;
    EXPECT_TRUE(startup.ConfigureRate(2, nullptr, false, [&] { ++configured; }));
    EXPECT_EQ(configured, 1);
    EXPECT_EQ(settings.DdcSamplingRateIdx, 2);
    EXPECT_DOUBLE_EQ(settings.outputRateKHz, 500.0);
    const BitstreamKey& builtIn = BuiltInBitstreamKey(2);
    EXPECT_EQ(dev().fpgaKeys.at(0), std::vector<std::uint8_t>(builtIn.begin(), builtIn.end()));

    // A sidecar key beside the bitstream wins.
    std::ofstream(root_ / "home/velorix/velorix500k24v11.key") << "0123456789ab\n";
    EXPECT_TRUE(startup.ConfigureRate(2, nullptr, false));
    EXPECT_EQ(dev().fpgaKeys.at(1),
              (std::vector<std::uint8_t>{0x01, 0x23, 0x45, 0x67, 0x89, 0xab}));

    // A malformed one is refused before the receiver is touched.
    std::ofstream(root_ / "home/velorix/velorix500k24v11.key") << "0123456789a\n";
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

}  // namespace
}  // namespace velorix
