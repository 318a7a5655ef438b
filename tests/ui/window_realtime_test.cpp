// The receiver window on the virtual receiver, driven as a user drives it:
// clicks, keypad and keys, offscreen, with a scratch settings store.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QDialog>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "FrequencyKeypad.h"
#include "FrequencyReadout.h"
#include "NullAudioSink.h"
#include "ReceiverWindow.h"
#include "RecordingNotifier.h"
#include "SettingsStore.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinLayout.h"
#include "SkinnedControls.h"

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

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("VELORIX_DEVICE", "virtual", 1);
        dir_ = fs::temp_directory_path() / ("velorix-window-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        setenv("VELORIX_CONFIG_DIR", (dir_ / "config").c_str(), 1);
    }
    void TearDown() override {
        window_.reset();
        unsetenv("VELORIX_DEVICE");
        unsetenv("VELORIX_CONFIG_DIR");
        unsetenv("VELORIX_USB_LIBRARY");
        unsetenv("VELORIX_DATA_DIR");
        fs::remove_all(dir_);
    }
    ReceiverWindow& Make() {
        auto dialogs = std::make_unique<ScriptedDialogs>();
        dialogs_ = dialogs.get();
        window_ = std::make_unique<ReceiverWindow>(
            ReceiverWindow::Options{.notifier = notes_,
                                    .audioSink = std::make_unique<NullAudioSink>(),
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
    std::int64_t TunedHz() {
        const SettingsRecord& s = window_->Receiver().Settings();
        return s.CenterFreq - s.FreqOffset;
    }

    test::RecordingNotifier notes_;
    ScriptedDialogs* dialogs_ = nullptr;
    std::unique_ptr<ReceiverWindow> window_;
    fs::path dir_;
};

TEST_F(Window, StartsFramelessAt100With1024x620AndEveryButtonFaceInPlace) {
    ReceiverWindow& w = Started();
    EXPECT_TRUE(notes_.Notices().empty());
    EXPECT_TRUE(w.isVisible());
    EXPECT_TRUE(w.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(w.pos(), QPoint(100, 100));
    const QImage grab = w.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(grab.size(), QSize(1024, 620));
    fs::create_directories(VELORIX_ARTIFACTS_DIR);
    grab.save(VELORIX_ARTIFACTS_DIR "/receiver-window.png");

    const skin::Skin& skin = skin::Skin::Shared();
    const QImage background = skin.Face("134").convertToFormat(QImage::Format_RGB32);
    for (const QPoint p : {QPoint(600, 10), QPoint(300, 14), QPoint(2, 615)})
        EXPECT_EQ(grab.pixel(p), background.pixel(p)) << p.x() << "," << p.y();

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

TEST_F(Window, TunesFromTheKeypadAndTheKeysAndSavesTheCentreOnExit) {
    ReceiverWindow& w = Started();
    FrequencyKeypad& keypad = w.Controls().Readout()->Keypad();
    for (const int key : {4, 8, 5, 12, 3})
        keypad.Press(key);  // "15290"
    keypad.Press(FrequencyKeypad::kOk);
    EXPECT_EQ(TunedHz(), 15'290'000);
    EXPECT_NE(Panel().Text(label::kFreq).find("15.290"), std::string::npos)
        << Panel().Text(label::kFreq);

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
    const fs::path chosen = dir_ / "take.wav";
    const fs::path first = dir_ / "take_000.wav";
    dialogs_->savePath = chosen.string();
    Click(ControlId::Record);
    ASSERT_TRUE(Panel().Lit(ControlId::Record));
    QTest::qWait(3000);
    Click(ControlId::Stop);
    EXPECT_FALSE(Panel().Lit(ControlId::Record));
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

TEST_F(Window, TheLogoOpensTheInformationBoxWithTheReceiversTexts) {
    ReceiverWindow& w = Started();
    const ReceiverInfoTexts expected = w.Receiver().Controller().InfoTexts();
    QString title;
    QStringList fields;
    QTimer::singleShot(200, [&] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box) return;
        title = box->windowTitle();
        for (int id = 1000; id <= 1003; ++id)
            if (auto* f = box->findChild<QLabel*>(QString("field%1").arg(id))) fields << f->text();
        static_cast<QDialog*>(box)->accept();
    });
    Click(ControlId::Logo);
    EXPECT_EQ(title, "Velorix - General Settings");
    EXPECT_EQ(fields, (QStringList{QString::fromStdString(expected.serial),
                                   QString::fromStdString(expected.hardware), "Beta 0.31",
                                   QString::fromStdString(expected.library)}));
}

TEST_F(Window, AMissingBitstreamOnARateClickEndsTheProgramAfterTheClick) {
    // A bitstream directory without the 250 kHz one.
    const fs::path bin = fs::path(VELORIX_ARTIFACTS_DIR).parent_path() / "bin";
    for (const char* name :
         {"velorix125k24v11.sbs", "velorix500k24v11.sbs", "velorix24v11_512.hex"})
        fs::copy_file(bin / name, dir_ / name);
    setenv("VELORIX_DATA_DIR", dir_.c_str(), 1);
    ReceiverWindow& w = Started();
    ASSERT_TRUE(w.isVisible());
    QSignalSpy finished(&w, &ReceiverWindow::finished);
    Click(Offset(ControlId::Rate125, 1));
    // The window is still whole when the click returns; the quit comes after it.
    EXPECT_EQ(finished.count(), 0);
    ASSERT_TRUE(finished.wait(2000));
    EXPECT_EQ(finished.at(0).at(0).toInt(), 0);
    const auto notices = notes_.Notices();
    ASSERT_EQ(notices.size(), 1u);
    EXPECT_EQ(notices[0].text, "velorix250k24v11 not found");
    EXPECT_EQ(notices[0].caption, "Installation Error");
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

}  // namespace
}  // namespace velorix
