// The receiver window on the virtual receiver, driven as a user drives it:
// clicks, keypad and keys, offscreen, with a scratch settings store.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "BitmapPanel.h"
#include "ChildProcess.h"
#include "FrequencyKeypad.h"
#include "FrequencyReadout.h"
#include "MainDisplay.h"
#include "NullAudioSink.h"
#include "QtNotifier.h"
#include "ReceiverWindow.h"
#include "RecordingBar.h"
#include "RecordingNotifier.h"
#include "RigctlClient.h"
#include "SMeterWidget.h"
#include "SettingsStore.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinLayout.h"
#include "SkinnedControls.h"
#include "StationPanel.h"
#include "TempDir.h"
#include "ToneMeasure.h"
#include "Version.h"
#include "VerticalSlider.h"

namespace velorix {
namespace {

namespace fs = std::filesystem;

// Answers the file questions from the test and counts the overwrite questions.
class ScriptedDialogs : public FileDialogs {
public:
    std::optional<std::string> OpenWav(QWidget*) override { return openPath; }
    std::optional<std::string> SaveWav(QWidget*) override { return savePath; }
    bool ConfirmOverwrite(QWidget*, const std::string& path) override {
        asked.push_back(path);
        return overwrite;
    }
    std::optional<std::string> openPath, savePath;
    bool overwrite = false;
    std::vector<std::string> asked;
};

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// A sound server of the test's own with two null sinks: "spk", the default,
// and "vac", described as the virtual audio cable. What each sink plays is
// recorded from its monitor.
class PrivatePulse {
public:
    explicit PrivatePulse(const fs::path& dir) : dir_(dir) {
        fs::create_directories(dir_);
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) oldRuntime_ = old;
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        daemon_ = std::make_unique<test::ChildProcess>(std::vector<std::string>{
            "pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--log-target=stderr",
            "--log-level=error", "--load=module-native-protocol-unix",
            "--load=module-null-sink sink_name=spk",
            "--load=module-null-sink sink_name=vac "
            "sink_properties='device.description=\"Virtual Audio Cable\"'"});
        // Until it answers, or has ended without ever answering.
        while (!test::RunsCleanly({"pactl", "info"}) && daemon_->Running())
            QTest::qWait(100);
        ready_ = test::RunsCleanly({"pactl", "set-default-sink", "spk"});
    }
    ~PrivatePulse() {
        daemon_.reset();
        if (oldRuntime_.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
    }
    bool Ready() const { return ready_; }

    static constexpr int kRate = 31250;
    // `seconds` of what sinks "spk" and "vac" play, mono, as samples: each
    // recorder runs until it has them, however late it starts.
    std::pair<std::vector<double>, std::vector<double>> RecordBoth(double seconds) {
        auto parec = [this](const std::string& name) {
            return std::make_unique<test::ChildProcess>(
                std::vector<std::string>{"parec", "-d", name + ".monitor", "--format=s16le",
                                         "--rate=" + std::to_string(kRate), "--channels=1"},
                (dir_ / name).string());
        };
        auto spk = parec("spk"), vac = parec("vac");
        const auto bytes = static_cast<std::uintmax_t>(seconds * kRate) * 2;
        const auto has = [&](const char* name) {
            std::error_code ec;
            const auto size = fs::file_size(dir_ / name, ec);
            return !ec && size >= bytes;
        };
        while (!has("spk") || !has("vac"))
            QTest::qWait(50);
        spk.reset();
        vac.reset();
        return {Samples(dir_ / "spk"), Samples(dir_ / "vac")};
    }

private:
    static std::vector<double> Samples(const fs::path& raw) {
        const std::string bytes = ReadAll(raw);
        std::vector<double> out(bytes.size() / 2);
        for (std::size_t i = 0; i < out.size(); ++i) {
            std::int16_t v = 0;
            std::memcpy(&v, bytes.data() + 2 * i, 2);
            out[i] = v / 32768.0;
        }
        return out;
    }

    fs::path dir_;
    std::string oldRuntime_;
    std::unique_ptr<test::ChildProcess> daemon_;
    bool ready_ = false;
};

// The amplitude of the component at `hz`, Hann-windowed.
double Amplitude(const std::vector<double>& x, double hz, int rate) {
    return test::ToneAmplitude(x, hz / rate, test::Window::Hann);
}

// The strongest component between 100 Hz and 4 kHz, in 5 Hz steps.
double PeakHz(const std::vector<double>& x, int rate) {
    return test::PeakFrequency(x.data(), x.size(), 100.0 / rate, 4000.0 / rate, 5.0 / rate,
                               test::Window::Hann) *
           rate;
}

// Run by velorix-usb-emulator (ctest window_replug_usb), the receiver is the
// emulated one behind libusb, and the emulator's plug file and trace are used.
bool OnEmulatedUsb() {
    return std::getenv("UMOCKDEV_DIR") != nullptr;
}

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VELORIX_CONFIG_DIR", (dir_ / "config").c_str(), 1);
        if (OnEmulatedUsb()) return;
        setenv("VELORIX_DEVICE", "virtual", 1);
        setenv("VELORIX_VIRTUAL_TRACE", (dir_ / "trace.txt").c_str(), 1);
    }
    void TearDown() override {
        window_.reset();
        pulse_.reset();
        unsetenv("VELORIX_CONFIG_DIR");
        unsetenv("VELORIX_USB_LIBRARY");
        unsetenv("VELORIX_DATA_DIR");
        unsetenv("VELORIX_SIM_SCENARIO");
        if (!OnEmulatedUsb()) {
            unsetenv("VELORIX_DEVICE");
            unsetenv("VELORIX_VIRTUAL_TRACE");
            unsetenv("VELORIX_VIRTUAL_PLUG");
        }
    }
    ReceiverWindow& Make(Notifier* notifier = nullptr) {
        auto dialogs = std::make_unique<ScriptedDialogs>();
        dialogs_ = dialogs.get();
        window_ = std::make_unique<ReceiverWindow>(ReceiverWindow::Options{
            .notifier = notifier ? *notifier : notes_,
            .audioSink = pulse_ ? nullptr : std::make_unique<NullAudioSink>(),
            .secondAudioOut = pulse_ != nullptr,
            .stationDirectory = VELORIX_SOURCE_DIR "/data",
            .dialogs = std::move(dialogs)});
        return *window_;
    }
    ReceiverWindow& Started() {
        ReceiverWindow& w = Make();
        EXPECT_TRUE(w.Start());
        return w;
    }
    void Click(ControlId id) {
        SkinButton* button = window_->Controls().Button(id);
        ASSERT_NE(button, nullptr) << ControlName(id);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(5, 5));
    }
    const PanelState& Panel() { return window_->Receiver().Controller().Panel(); }
    // Runs the window until `done()` holds; a condition that never comes is
    // ended by ctest's time-out, not by a margin a loaded machine may exceed.
    template <typename P>
    static void Until(P&& done) {
        while (!done())
            QTest::qWait(10);
    }
    void KeypadTo(const std::string& kHz) {
        FrequencyKeypad& keypad = window_->Controls().Readout()->Keypad();
        for (const char digit : kHz)
            keypad.Press(digit - '0' + 3);  // the keys "0" … "9"
        keypad.Press(FrequencyKeypad::kOk);
    }
    // Records `seconds` of the receiver's signal as the series "take" (the
    // bar shows the bytes written; a loaded machine may lag the wall clock);
    // its first file.
    fs::path Record(double seconds) {
        dialogs_->savePath = (dir_ / "take.wav").string();
        Click(ControlId::Record);
        EXPECT_TRUE(Panel().Lit(ControlId::Record));
        const double bytes = seconds * BytesPerSecond();
        while (Panel().recBar.positionBytes < bytes)
            QTest::qWait(50);
        Click(ControlId::Stop);
        EXPECT_FALSE(Panel().Lit(ControlId::Record));
        return dir_ / "take_000.wav";
    }
    int RateKHz() { return 125 << window_->Receiver().Settings().DdcSamplingRateIdx; }
    double BytesPerSecond() { return RateKHz() * 1000.0 * 6; }  // 6 bytes a complex sample
    // The virtual receiver's trace: every transfer, one a line.
    std::vector<std::string> Trace() {
        std::ifstream in(std::getenv("VELORIX_VIRTUAL_TRACE"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    std::int64_t TunedHz() {
        const SettingsRecord& s = window_->Receiver().Settings();
        return s.CenterFreq - s.FreqOffset;
    }

    test::RecordingNotifier notes_;
    std::unique_ptr<PrivatePulse> pulse_;  // null: the window plays to a null output
    ScriptedDialogs* dialogs_ = nullptr;
    std::unique_ptr<ReceiverWindow> window_;
    test::TempDir directory_{"window"};
    fs::path dir_ = directory_.path();
};

TEST_F(Window, StartsFramelessAt100With1024x620AndEveryButtonFaceInPlace) {
    ReceiverWindow& w = Started();
    EXPECT_TRUE(notes_.Notices().empty());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.pos(), QPoint(100, 100));
    for (const int size : {16, 32, 48})
        EXPECT_FALSE(w.windowIcon().pixmap(size).isNull()) << size;
    const QImage grab = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(grab.size(), QSize(1024, 620));
    fs::create_directories(VELORIX_ARTIFACTS_DIR);
    grab.save(VELORIX_ARTIFACTS_DIR "/receiver-window.png");

    const skin::Skin& skin = skin::Skin::Shared();
    const QImage background = skin.Face("134").convertToFormat(QImage::Format_RGB32);
    for (const QPoint p : {QPoint(600, 10), QPoint(300, 14), QPoint(2, 615)})
        EXPECT_EQ(grab.pixel(p), background.pixel(p)) << p.x() << "," << p.y();
    // The filter column's title is lettered wholly left of the secondary
    // display, and nothing covers it.
    const auto inked = [&](const QRect& r) {  // pixels brighter than the panel
        int n = 0;
        for (int y = r.top(); y <= r.bottom(); ++y)
            for (int x = r.left(); x <= r.right(); ++x)
                n += qGray(background.pixel(x, y)) > qGray(background.pixel(r.topLeft())) + 40;
        return n;
    };
    const QRect title(176, 384, 44, 14);
    EXPECT_GT(inked(title), 40);
    EXPECT_EQ(inked(title.translated(title.width(), 0)), 0);
    EXPECT_EQ(grab.copy(title), background.copy(title));

    // Bitmap buttons carry no caption: their whole face shows, as their state picks it.
    int compared = 0;
    for (const skin::PlacedFace& f : skin::WindowLayout()) {
        if (f.kind != skin::FaceKind::Button) continue;
        const ControlState state = Panel().Get(static_cast<ControlId>(f.id));
        const bool frame = f.id == 144 || f.id == 146 || f.id == 148;
        const char* suffix = state.lit ? "D" : (!state.enabled && !frame) ? "G" : "U";
        const QImage face = skin.Face(f.base + suffix).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(grab.copy(QRect(QPoint(f.x, f.y), face.size())), face) << f.base << " " << f.id;
        ++compared;
    }
    EXPECT_GE(compared, 20);
    // Check boxes: the indicator strip above the caption shows the checked or unchecked face.
    for (const ControlId id : {ControlId::Mode0, ControlId::SourceReceiver, ControlId::Att0}) {
        const BitmapCheckBox* box = w.Controls().CheckBox(id);
        ASSERT_NE(box, nullptr);
        const skin::PlacedFace* placed = nullptr;
        for (const skin::PlacedFace& f : skin::WindowLayout())
            if (f.id == static_cast<int>(id)) placed = &f;
        ASSERT_NE(placed, nullptr);
        const QImage face = skin.Face(placed->base + (box->IsChecked() ? "UC" : "UU"))
                                .convertToFormat(grab.format());
        const QRect strip(0, 0, face.width(), 7);
        EXPECT_EQ(grab.copy(strip.translated(placed->x, placed->y)), face.copy(strip))
            << ControlName(id);
    }
    for (const auto& [id, button] : w.Controls().Buttons())
        EXPECT_FALSE(button->accessibleName().isEmpty()) << ControlName(id);
}

// What the store mended on load is told once the window runs, every mend in
// the one notice about the store, and the receiver runs with the mended keys.
TEST_F(Window, SettingsMendedOnLoadAreListedInTheOneNoticeAboutTheStore) {
    {
        QSettings store(QString::fromStdString(SettingsStore::FilePath()), QSettings::IniFormat);
        store.beginGroup("Beta 0.31");
        store.setValue("DdcSamplingRateIdx", 0);
        store.setValue("CenterFreq", 14150000);
        store.setValue("TuneMode", 0);
        store.setValue("FreqOffset", 200000);
        store.setValue("RigctlHost", "radio.local");
    }
    ReceiverWindow& w = Started();
    Until([&] { return !notes_.Notices().empty(); });
    QTest::qWait(50);
    const auto notices = notes_.Notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].caption, "velorix");
    EXPECT_EQ(notices[0].icon, Notifier::Icon::Warning);
    EXPECT_EQ(notices[0].text,
              "stored settings: the rigctl host 'radio.local' is no IP address: 127.0.0.1 is "
              "used\nstored settings: the tuning offset 200000 Hz lies beyond the 50000 Hz the "
              "125 kHz rate allows: set to 50000 Hz");
    EXPECT_EQ(w.Receiver().Settings().FreqOffset, 50000);
    EXPECT_EQ(TunedHz(), 14100000);
}

TEST_F(Window, TunesFromTheKeypadAndTheKeysAndSavesTheCentreOnExit) {
    ReceiverWindow& w = Started();
    KeypadTo("15290");
    EXPECT_EQ(TunedHz(), 15'290'000);
    EXPECT_NE(Panel().Text(label::kFreq).find("15.290"), std::string::npos)
        << Panel().Text(label::kFreq);

    // Typed: a digit opens the keypad with it entered and the keypad takes
    // the keys that follow; Enter tunes, Escape closes it untuned.
    FrequencyKeypad& keypad = w.Controls().Readout()->Keypad();
    QTest::keyClick(&w, Qt::Key_7);
    ASSERT_TRUE(keypad.isVisible());
    EXPECT_EQ(keypad.Entry(), "7");
    QTRY_COMPARE(QApplication::focusWidget(), keypad.Field());
    QTest::keyClicks(keypad.Field(), "100");
    QTest::keyClick(keypad.Field(), Qt::Key_Return);
    EXPECT_EQ(TunedHz(), 7'100'000);
    QTest::keyClick(&w, Qt::Key_3);
    EXPECT_EQ(keypad.Entry(), "3");
    QTest::keyClick(keypad.Field(), Qt::Key_Escape);
    EXPECT_FALSE(keypad.isVisible());
    EXPECT_EQ(TunedHz(), 7'100'000);

    // → is the wheel step up; PgUp moves the centre by the CF step.
    const std::int64_t centre = w.Receiver().Settings().CenterFreq;
    const std::int64_t before = TunedHz();
    QTest::keyClick(&w, Qt::Key_Right);
    const std::int64_t step = TunedHz() - before;
    EXPECT_GT(step, 0);
    QTest::keyClick(&w, Qt::Key_Left);
    EXPECT_EQ(TunedHz(), before);
    QTest::keyClick(&w, Qt::Key_PageUp);
    EXPECT_GT(w.Receiver().Settings().CenterFreq, centre);
    const std::int64_t saved = w.Receiver().Settings().CenterFreq;

    QSignalSpy finished(&w, &ReceiverWindow::finished);
    Click(ControlId::Exit);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 0);
    EXPECT_EQ(w.Receiver().Engine(), nullptr);  // threads joined
    const std::string conf = ReadAll(SettingsStore::FilePath());
    EXPECT_NE(conf.find("CenterFreq=" + std::to_string(saved)), std::string::npos) << conf;
}

TEST_F(Window, TunesToABroadcasterByDoubleClickAndPlaysItOnBothSinks) {
    if (QStandardPaths::findExecutable("pulseaudio").isEmpty() ||
        QStandardPaths::findExecutable("parec").isEmpty())
        GTEST_SKIP() << "pulseaudio and parec (pulseaudio-utils) are needed for this journey";
    // The 31 m broadcaster of the built-in band, with a 1 kHz tone for its programme.
    std::ofstream(dir_ / "band.txt") << "noise density=-140\n"
                                        "station freq=15290000 mode=AM level=-56 "
                                        "audio=tone:1000 depth=0.8\n";
    setenv("VELORIX_SIM_SCENARIO", (dir_ / "band.txt").c_str(), 1);
    pulse_ = std::make_unique<PrivatePulse>(dir_ / "pulse");
    ASSERT_TRUE(pulse_->Ready()) << "the private sound server did not start";
    ReceiverWindow& w = Started();
    ASSERT_TRUE(notes_.Notices().empty()) << notes_.Notices()[0].text;

    Click(ControlId::Mode0);  // AM
    KeypadTo("15290");
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(&w, Qt::Key_Right);
    ASSERT_NE(TunedHz(), 15'290'000);

    auto* main = static_cast<MainDisplay*>(w.Displays().mainPlot);
    const int x = main->Geometry().KHzToPixel(15'290.0);
    ASSERT_GE(x, 0);
    ASSERT_LT(x, main->Geometry().Width());
    QTest::mouseDClick(&main->Plot(), Qt::LeftButton, {}, QPoint(x, 60));
    EXPECT_EQ(TunedHz(), 15'290'000);
    EXPECT_NE(Panel().Text(label::kFreq).find("15.290"), std::string::npos)
        << Panel().Text(label::kFreq);

    // The volume up to 0 dB: the cable's output stays at its fixed -10 dB.
    VerticalSlider* volume = w.Controls().Slider(ControlId::VolumeSlider);
    QTest::mouseClick(volume, Qt::LeftButton, {}, QPoint(volume->width() / 2, 2));
    ASSERT_EQ(Panel().Slider(ControlId::VolumeSlider), 0);

    QTest::qWait(1500);  // the AGC settles
    const auto [spk, vac] = pulse_->RecordBoth(1.5);
    // A second at least from each, after the recorders' first fifth of a second.
    ASSERT_GT(spk.size(), PrivatePulse::kRate * 6 / 5);
    ASSERT_GT(vac.size(), PrivatePulse::kRate * 6 / 5);
    const auto tail = [](const std::vector<double>& samples) {
        return std::vector<double>(samples.begin() + PrivatePulse::kRate / 5, samples.end());
    };
    const std::vector<double> spkTail = tail(spk), vacTail = tail(vac);
    EXPECT_NEAR(PeakHz(spkTail, PrivatePulse::kRate), 1000.0, 5.0);
    EXPECT_NEAR(PeakHz(vacTail, PrivatePulse::kRate), 1000.0, 5.0);
    const double spkTone = Amplitude(spkTail, 1000.0, PrivatePulse::kRate);
    const double vacTone = Amplitude(vacTail, 1000.0, PrivatePulse::kRate);
    EXPECT_GT(spkTone, 0.01);
    EXPECT_NEAR(20.0 * std::log10(vacTone / spkTone), -10.0, 0.5);

    const std::vector<std::string> lines = w.Receiver().Controller().StationLines();
    // The EiBi entry "15290 0000-2400 VRT Radio Virtual Music E" as the panel shows it.
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0].rfind("0000 2400 Radio Virtual Music  - VRT (E)", 0), 0u) << lines[0];
    w.Finish();
}

// Another program tunes through the rigctl server, and sees the user's own tuning.
TEST_F(Window, ARigctlClientTunesTheWindowAndReadsWhatTheUserTuned) {
    ReceiverWindow& w = Started();
    ASSERT_EQ(w.StartRigctl({"127.0.0.1", 0}), "");
    test::RigctlClient client(w.RigctlPort());
    ASSERT_TRUE(client.Connected());
    // The client's commands run on this thread: events go on while it waits.
    const auto events = [] { QCoreApplication::processEvents(); };
    auto ask = [&](const std::string& line, int lines = 1) {
        return client.Ask(line, lines, events);
    };

    EXPECT_EQ(ask("F 15290000"), "RPRT 0\n");
    EXPECT_EQ(TunedHz(), 15'290'000);
    EXPECT_EQ(w.Controls().Readout()->BigText(), " 15.290");
    EXPECT_EQ(w.Controls().Readout()->SmallText(), "000");
    // The EiBi entry "15290 0000-2400 VRT Radio Virtual Music E" on the panel.
    const std::vector<std::string>& shown = w.Controls().Stations()->Lines();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown[0].rfind("0000 2400 Radio Virtual Music  - VRT (E)", 0), 0u) << shown[0];

    EXPECT_EQ(ask("M AM 0"), "RPRT 0\n");
    EXPECT_TRUE(w.Controls().CheckBox(ControlId::Mode0)->IsChecked());
    EXPECT_TRUE(w.Controls().CheckBox(Offset(ControlId::Filter0, 1))->IsChecked());
    EXPECT_EQ(ask("F 99000000"), "RPRT -1\n");
    EXPECT_EQ(w.Controls().Readout()->BigText(), " 15.290");

    KeypadTo("9500");
    Click(Offset(ControlId::Mode0, 2));  // CW, filter "1.6kHz": 500 Hz
    EXPECT_EQ(ask("f m", 3), "9500000\nCW\n500\n");
    w.Finish();
}

TEST_F(Window, CwChecksItsFilterAndTheTopStripAloneDragsTheWindow) {
    ReceiverWindow& w = Started();
    Click(Offset(ControlId::Mode0, 2));
    EXPECT_TRUE(Panel().Checked(Offset(ControlId::Mode0, 2)));
    const int filter = w.Receiver().Settings().DemBwIdx[2];
    for (int i = 0; i < 6; ++i) {
        const ControlId id = Offset(ControlId::Filter0, i);
        EXPECT_EQ(w.Controls().CheckBox(id)->IsChecked(), i == filter) << ControlName(id);
    }

    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(500, 100));
    QTest::mouseMove(&w, QPoint(540, 130));
    QTest::mouseRelease(&w, Qt::LeftButton, {}, QPoint(540, 130));
    EXPECT_EQ(w.pos(), QPoint(100, 100));
    QTest::mousePress(&w, Qt::LeftButton, {}, QPoint(500, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(540, 40), w.mapToGlobal(QPointF(540, 40)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(&w, &move);
    EXPECT_EQ(w.pos(), QPoint(140, 130));
}

TEST_F(Window, RecordsASeriesAndAsksBeforeOverwritingItsFirstFile) {
    ReceiverWindow& w = Started();
    const fs::path first = Record(3.0);
    const std::string wav = ReadAll(first);
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(wav.compare(0, 4, "RIFF"), 0);
    EXPECT_NE(wav.find("rcvr"), std::string::npos);
    EXPECT_TRUE(dialogs_->asked.empty());

    // The series exists: No leaves the receiver as it was and the file whole.
    Click(ControlId::Record);
    EXPECT_EQ(dialogs_->asked, std::vector<std::string>{first.string()});
    EXPECT_FALSE(Panel().Lit(ControlId::Record));
    EXPECT_TRUE(Panel().Enabled(ControlId::Record));
    EXPECT_EQ(ReadAll(first), wav);
    w.Finish();
}

// "hh:mm:ss" in seconds of the day.
int Seconds(const std::string& text) {
    int h = 0, m = 0, sec = 0;
    EXPECT_EQ(std::sscanf(text.c_str(), "%d:%d:%d", &h, &m, &sec), 3) << text;
    return h * 3600 + m * 60 + sec;
}

TEST_F(Window, PlaysARecordingLoopsADraggedStretchAndGoesBackToTheReceiver) {
    ReceiverWindow& w = Started();
    const fs::path take = Record(3.0);
    KeypadTo("21000");  // another preselector band than the recording's
    ASSERT_EQ(TunedHz(), 21'000'000);

    Click(ControlId::SourceWav);
    dialogs_->openPath = take.string();
    Click(ControlId::FileOpen);
    ASSERT_TRUE(Panel().Enabled(ControlId::Play));
    Click(ControlId::Play);
    ASSERT_TRUE(Panel().Lit(ControlId::Play));
    // Until the first tick with the file, the status line may still show the
    // recording's own clock.
    const std::string recordingTime = Panel().Text(label::kTime);
    Until([&] { return Panel().Text(label::kTime) != recordingTime; });

    // The time text is the recording's start plus the whole seconds played
    // before the shown position, and the position never runs ahead of the
    // signal's pace (a loaded machine may only make it lag).
    struct Reading {
        int shown;
        std::int64_t position;
        qint64 atMs;
    };
    QElapsedTimer clock;
    clock.start();
    const auto read = [&] {
        return Reading{Seconds(Panel().Text(label::kTime)),
                       static_cast<std::int64_t>(Panel().recBar.positionBytes), clock.elapsed()};
    };
    const auto played = [&](std::int64_t bytes) {
        return static_cast<int>(bytes / 6 / (RateKHz() * 1000));
    };
    QTest::qWait(200);
    ASSERT_GT(Panel().recBar.rangeBytes / BytesPerSecond(), 2.5) << "a recording too short";
    // The first reading leaves a second and a half before the file's end: one
    // taken later (a loaded machine) waits for the wrap to its start.
    const auto nearTheEnd = [&](const Reading& r) {
        return r.position + BytesPerSecond() * 3 / 2 > Panel().recBar.rangeBytes;
    };
    Reading a = read();
    while (nearTheEnd(a)) {
        QTest::qWait(20);
        a = read();
    }
    // A second of signal later (or a wrap, which the checks below catch).
    Reading b = read();
    while (b.position < a.position + BytesPerSecond() && b.position >= a.position) {
        QTest::qWait(20);
        b = read();
    }
    EXPECT_EQ(b.shown - a.shown, played(b.position) - played(a.position));
    EXPECT_GE(b.shown - a.shown, 1);
    EXPECT_LE((b.position - a.position) / BytesPerSecond(), (b.atMs - a.atMs) / 1000.0 + 0.3);

    // A drag over the middle half of the bar loops that stretch of the file.
    RecordingBar* bar = w.Controls().Bar();
    const int left = RecordingBar::kTrackLeft, length = bar->TrackLength();
    const int from = left + length / 4, to = left + 3 * length / 4;
    const double bytesPerPixel = static_cast<double>(Panel().recBar.rangeBytes) / length;
    QTest::mousePress(bar, Qt::LeftButton, {}, QPoint(from, 15));
    QTest::mouseMove(bar, QPoint(to, 15));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(to, 15));
    const CAcqBoard& board = w.Receiver().Board();
    EXPECT_NEAR(board.LoopStart(), (from - left) * bytesPerPixel, bytesPerPixel);
    EXPECT_NEAR(board.LoopEnd(), (to - left) * bytesPerPixel, bytesPerPixel);
    EXPECT_EQ(board.LoopStart() % 6, 0u);
    EXPECT_EQ(board.LoopEnd() % 6, 0u);
    QTest::qWait(600);
    EXPECT_GE(Panel().recBar.positionBytes, board.LoopStart());
    EXPECT_LE(Panel().recBar.positionBytes, board.LoopEnd());

    // Back on the receiver: the bitstream of its rate, then the file's front
    // end; what the receiver was sent, without the bitstream's data frames.
    const auto backToReceiver = [&] {
        const std::size_t before = Trace().size();
        Click(ControlId::SourceReceiver);
        const std::vector<std::string> trace = Trace();
        std::vector<std::string> sent;
        for (std::size_t i = before; i < trace.size(); ++i)
            if (trace[i].rfind("fpga:", 0) == 0 ||
                (trace[i].rfind("out 01 ", 0) == 0 && trace[i].find(": 00") == std::string::npos))
                sent.push_back(trace[i]);
        return sent;
    };
    const std::string bitstream[] = {"out 01 1: 01", "out 01 1: 02",
                                     "fpga: configured for " + std::to_string(RateKHz()) + " kHz"};
    const auto after = [&](std::vector<std::string> frontEnd) {
        frontEnd.insert(frontEnd.begin(), std::begin(bitstream), std::end(bitstream));
        return frontEnd;
    };
    // Port byte 0x08 (no attenuation, the 21 MHz band last sent) again after
    // the bitstream and as the attenuator's; the recording's 14 MHz band (0x07)
    // differs, so its preselector frame follows; then the ADC control frame
    // tuned to the recording's centre and started.
    const std::string adc14 = "out 01 6: 03 02 14 ae 47 2d", run14 = "out 01 6: 03 03 14 ae 47 2d";
    EXPECT_EQ(backToReceiver(), after({"out 01 2: 04 08", "out 01 6: 03 02 33 33 33 43",
                                       "out 01 2: 04 08", "out 01 2: 04 07", adc14, run14}));
    // The same file again: its band was the last sent, so no preselector frame.
    Click(ControlId::SourceWav);
    Click(ControlId::FileOpen);
    EXPECT_EQ(backToReceiver(), after({"out 01 2: 04 07", adc14, "out 01 2: 04 07", adc14, run14}));
    EXPECT_TRUE(Panel().Enabled(ControlId::Record));
    EXPECT_FALSE(Panel().Enabled(ControlId::FileOpen));
}

TEST_F(Window, TheLogoOpensTheInformationBoxWithTheReceiversTexts) {
    ReceiverWindow& w = Started();
    const ReceiverInfoTexts expected = w.Receiver().Controller().InfoTexts();
    QString title, build;
    QStringList fields;
    QTimer::singleShot(200, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        title = box->windowTitle();
        for (int id = 1000; id <= 1003; ++id)
            if (auto* f = box->findChild<QLabel*>(QString("field%1").arg(id))) fields << f->text();
        if (auto* line = box->findChild<QLabel*>("buildLine")) build = line->text();
        static_cast<QDialog*>(box)->accept();
    });
    Click(ControlId::Logo);
    EXPECT_EQ(title, "Velorix - General Settings");
    EXPECT_EQ(fields, (QStringList{QString::fromStdString(expected.serial),
                                   QString::fromStdString(expected.hardware), "Beta 0.31",
                                   QString::fromStdString(expected.library)}));
    // The software version stays the settings' name; the build is named below.
    EXPECT_EQ(build, QString("%1 (%2)").arg(VELORIX_PROJECT_VERSION, BuildCommit()));
}

TEST_F(Window, AMissingBitstreamOnARateClickEndsTheProgramAfterTheClick) {
    // The virtual receiver's files without the 250 kHz bitstream, and no
    // other data directory to find it in.
    const fs::path bin = fs::path(VELORIX_ARTIFACTS_DIR).parent_path() / "bin/virtual";
    fs::create_directories(dir_ / "virtual");
    for (const char* name :
         {"velorix125k24v11.sbs", "velorix500k24v11.sbs", "velorix24v11_512.hex"})
        fs::copy_file(bin / name, dir_ / "virtual" / name);
    setenv("VELORIX_DATA_DIR", dir_.c_str(), 1);
    // Left so afterwards: they name directories that never exist.
    setenv("XDG_DATA_HOME", (dir_ / "home").c_str(), 1);
    setenv("XDG_DATA_DIRS", (dir_ / "system").c_str(), 1);
    ReceiverWindow& w = Started();
    ASSERT_TRUE(w.isVisible());
    w.Receiver().Startup().SetProgramPlace({dir_.string(), ".", ".", "."});
    QSignalSpy finished(&w, &ReceiverWindow::finished);
    Click(Offset(ControlId::Rate125, 1));
    // The window is still whole when the click returns; the quit comes after it.
    EXPECT_EQ(finished.count(), 0);
    while (finished.isEmpty())
        QTest::qWait(10);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 0);
    const auto notices = notes_.Notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, "velorix250k24v11 not found\nlooked in: " + dir_.string() +
                                   "/virtual, " + dir_.string() + "/home/velorix/virtual, " +
                                   dir_.string() + "/system/velorix/virtual");
    EXPECT_EQ(notices[0].caption, "Installation Error");
}

TEST_F(Window, AQuitDuringTheReceiverNotFoundBoxCancelsItAndEndsTheStart) {
    setenv("VELORIX_VIRTUAL_PLUG", (dir_ / "never-plugged").c_str(), 1);
    QtNotifier boxes;
    QStringList shown;
    QTimer quit;  // the program's quit request, as a signal brings it
    QObject::connect(&quit, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown << box->text();
            // A box still open, or asked again: failed, but never hung.
            if (shown.size() < 3)
                QtNotifier::CancelOpenNotice();
            else
                box->reject();
        }
    });
    quit.start(50);
    ReceiverWindow& w = Make(&boxes);
    EXPECT_FALSE(w.Start());
    EXPECT_EQ(shown, QStringList{"Velorix receiver not found\nPlease check connections and retry"});
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Finish(), 1);
}

TEST_F(Window, AReceiverPulledOutIsToldAndHeldAtTheFloorThenBroughtUpWhenPluggedBack) {
    const fs::path plug = OnEmulatedUsb() ? std::getenv("VELORIX_VIRTUAL_PLUG") : dir_ / "plugged";
    std::ofstream(plug).put('\n');
    setenv("VELORIX_VIRTUAL_PLUG", plug.c_str(), 1);
    ReceiverWindow& w = Started();
    const CAcqBoard& board = w.Receiver().Board();
    auto* meter = static_cast<SMeterWidget*>(w.Displays().sMeter);
    const PanelLabel* status = w.Controls().Label(label::kFile);
    // The meter's bar row: amber background where no bar is drawn.
    const auto barDrawn = [&] {
        return meter->grab().toImage().pixel(12, 39) != qRgb(212, 193, 123);
    };
    Until([&] { return board.BlocksPushed() > 10 && barDrawn(); });

    fs::remove(plug);
    const std::string removed = "the receiver was removed";
    Until([&] { return status->Text().toStdString() == removed; });
    Until([&] { return meter->Reading().tenthsDbm == kSMeterMinDbm * 10 && !barDrawn(); });
    ASSERT_EQ(notes_.Notices().size(), 1u);
    EXPECT_EQ(notes_.Notices()[0].text, removed);

    const std::size_t before = Trace().size();
    std::ofstream(plug).put('\n');
    Until([&] { return notes_.Notices().size() >= 2; });
    EXPECT_EQ(notes_.Notices()[1].text, "the receiver is back");
    Until([&] { return board.BlocksPushed() > 10 && status->Text().isEmpty() && barDrawn(); });
    // Firmware again, the bitstream of the rate, the port byte, the tuning and
    // the front end, then the run bit; without the firmware's and bitstream's data.
    const std::vector<std::string> trace = Trace();
    std::vector<std::string> sent;
    for (std::size_t i = before; i < trace.size() && sent.size() < 10; ++i)
        if (trace[i].rfind("ctrl 40 a0 e600", 0) == 0 || trace[i].rfind("fpga:", 0) == 0 ||
            (trace[i].rfind("out 01 ", 0) == 0 && trace[i].find(": 00") == std::string::npos))
            sent.push_back(trace[i]);
    const std::string tuned = "out 01 6: 03 02 14 ae 47 2d", port = "out 01 2: 04 07";
    EXPECT_EQ(sent, (std::vector<std::string>{"ctrl 40 a0 e600 0000 1: 01",
                                              "ctrl 40 a0 e600 0000 1: 00", "out 01 1: 01",
                                              "out 01 1: 02", "fpga: configured for 125 kHz", port,
                                              tuned, tuned, port, "out 01 6: 03 03 14 ae 47 2d"}));
    EXPECT_EQ(notes_.Notices().size(), 2u);
}

TEST_F(Window, AMissingLibraryGivesOneNoticeAndNoWindow) {
    setenv("VELORIX_USB_LIBRARY", (dir_ / "libvelorixusb.so").c_str(), 1);
    ReceiverWindow& w = Make();
    EXPECT_FALSE(w.Start());
    const auto notices = notes_.Notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].caption, "Loading libvelorixusb.so...");
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(w.Finish(), 1);
    EXPECT_FALSE(fs::exists(SettingsStore::FilePath()));
}

// Another program's recording plays once imported into the cache, under its
// own name, with the centre, rate and time its file gives; a cancelled
// import leaves nothing behind, and an import goes when another file is
// opened and at exit.
TEST_F(Window, ImportsAnotherProgramsRecordingIntoTheCache) {
    setenv("XDG_CACHE_HOME", (dir_ / "cache").c_str(), 1);
    const std::string gqrx = (dir_ / "gqrx_20240102_030405_7100000_2000000_fc.raw").string();
    const std::string sigmf = (dir_ / "long").string();
    ASSERT_TRUE(test::RunsCleanly(
        {"/usr/bin/python3", VELORIX_SOURCE_DIR "/tests/recordings/make_foreign.py", "raw", gqrx,
         "rate=2000000", "offset=100000", "level_db=-20", "seconds=0.05", "+", "sigmf", sigmf,
         "datatype=cf32_le", "rate=250000", "centre=9000000", "offset=0", "level_db=-20",
         "seconds=0.6"}));
    const fs::path imports = dir_ / "cache/velorix";
    const auto imported = [&] {
        std::vector<std::string> files;
        for (const auto& folder : fs::directory_iterator(imports))
            for (const auto& file : fs::directory_iterator(folder))
                files.push_back(file.path().filename().string());
        return files;
    };
    ReceiverWindow& w = Started();
    ReceiverController& c = w.Receiver().Controller();
    Click(ControlId::SourceWav);
    dialogs_->openPath = gqrx;
    Click(ControlId::FileOpen);
    ASSERT_TRUE(Panel().Enabled(ControlId::Play));
    EXPECT_EQ(TunedHz(), 7'100'000);
    EXPECT_EQ(RateKHz(), 500);
    w.Apply(c.Source().Tick());
    EXPECT_EQ(Panel().Text(label::kFile), gqrx);
    EXPECT_EQ(Panel().Text(label::kTime), "03:04:05");
    EXPECT_EQ(imported(),
              std::vector<std::string>{"gqrx_20240102_030405_7100000_2000000_fc_000.wav"});
    const auto notices = notes_.Notices();
    ASSERT_FALSE(notices.empty());
    EXPECT_EQ(notices.back().caption, "Import");
    EXPECT_EQ(notices.back().text.rfind("the recording is 2000 kHz wide", 0), 0u);

    // Cancel at the first sight of the progress dialog.
    bool clicked = false, cancelled = false;
    std::function<void()> cancel = [&] {
        if (auto* progress = w.findChild<QProgressDialog*>()) {
            progress->cancel();
            cancelled = true;
        } else if (!clicked) {
            QTimer::singleShot(0, cancel);
        }
    };
    QTimer::singleShot(0, cancel);
    dialogs_->openPath = sigmf + ".sigmf-meta";
    Click(ControlId::FileOpen);
    clicked = true;
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(imported(),
              std::vector<std::string>{"gqrx_20240102_030405_7100000_2000000_fc_000.wav"});
    EXPECT_EQ(TunedHz(), 7'100'000);

    Click(ControlId::FileOpen);
    EXPECT_EQ(TunedHz(), 9'000'000);
    EXPECT_EQ(imported(), std::vector<std::string>{"long_000.wav"});
    Click(ControlId::Play);
    EXPECT_TRUE(Panel().Lit(ControlId::Play));
    w.Finish();
    EXPECT_TRUE(fs::is_empty(imports));
    unsetenv("XDG_CACHE_HOME");
}

}  // namespace
}  // namespace velorix
