#include "ReceiverWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "FrequencyKeypad.h"
#include "FrequencyReadout.h"
#include "ProgramIcon.h"
#include "ReceiverInfoBox.h"
#include "RecordingBar.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinnedControls.h"
#include "StationPanel.h"
#include "VerticalSlider.h"
#include "WavFormat.h"

namespace velorix {
namespace {

constexpr int kDragStripHeight = 27;

bool InGroup(ControlId id, ControlId first, int count, int& index) {
    index = static_cast<int>(id) - static_cast<int>(first);
    return index >= 0 && index < count;
}

// The wait cursor while the receiver's FPGA is configured.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { Release(); }
    void Release() {
        if (held_) QApplication::restoreOverrideCursor();
        held_ = false;
    }

private:
    bool held_ = true;
};

}  // namespace

ReceiverWindow::ReceiverWindow(Options options)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Window),
      dialogs_(std::move(options.dialogs)),
      notifier_(options.notifier),
      imports_(options.notifier),
      drag_(*this, kDragStripHeight),
      rigctlOption_(options.rigctl) {
    if (!dialogs_) dialogs_ = std::make_unique<QtFileDialogs>();
    setWindowTitle("Velorix");
    setWindowIcon(ProgramIcon());
    setAccessibleName("Velorix receiver");
    setFixedSize(1024, 620);
    move(100, 100);
    setFocusPolicy(Qt::StrongFocus);
    controls_ = std::make_unique<SkinnedControls>(this, binder_);
    AssembledReceiver::Slots parts{.notifier = options.notifier};
    parts.audioSink = std::move(options.audioSink);
    parts.audioDevice = std::move(options.audioDevice);
    parts.secondAudioOut = options.secondAudioOut;
    parts.useStore = options.useStore;
    parts.stationDirectory = std::move(options.stationDirectory);
    receiver_ = std::make_unique<AssembledReceiver>(std::move(parts));
    // The displays read the receiver's settings record, so they come after it.
    displays_ = options.displays(this, *receiver_, *this);
    receiver_->Controller().SetDisplayControl(displays_.control.get());
    receiver_->SetDisplays(displays_.mainConsumer, displays_.secondaryConsumer);
    binder_.BindStationPanel(controls_->Stations(),
                             [this] { return receiver_->Controller().StationLines(); });
    ConnectControls();

    meterTimer_.setInterval(100);
    statusTimer_.setInterval(250);
    stationTimer_.setInterval(1000);
    connect(&meterTimer_, &QTimer::timeout, this, [this] {
        const SMeterReading reading = receiver_->Controller().MeterUpdate();
        if (displays_.showMeter) displays_.showMeter(reading);
    });
    connect(&statusTimer_, &QTimer::timeout, this, &ReceiverWindow::StatusTick);
    connect(&stationTimer_, &QTimer::timeout, this, [this] {
        if (receiver_->Controller().StationTick()) binder_.RefreshStationPanel();
    });
}

ReceiverWindow::~ReceiverWindow() {
    Finish();
}

void ReceiverWindow::ConnectControls() {
    for (const auto& [id, button] : controls_->Buttons()) {
        button->setAccessibleName(QString::fromStdString(ControlName(id)));
        connect(button, &SkinButton::clicked, this, &ReceiverWindow::Route);
    }
    for (const auto& [id, slider] : controls_->Sliders()) {
        slider->setAccessibleName(QString::fromStdString(ControlName(id)));
        connect(slider, &VerticalSlider::moved, this, [this, slider, id = id](int, int) {
            Apply(receiver_->Controller().SetSliderValue(id, std::lround(slider->Value())));
        });
    }
    FrequencyReadout* readout = controls_->Readout();
    readout->setAccessibleName("Tuned frequency");
    connect(readout, &FrequencyReadout::wheelTuning, this, [this](int delta, int digit) {
        Apply(receiver_->Controller().WheelOverReadout(delta, digit));
    });
    readout->Keypad().SetTuner([this](double kHz) {
        const Outcome outcome = receiver_->Controller().SetTunedFrequencyKHz(kHz);
        Apply(outcome);
        return outcome.accepted;
    });
    RecordingBar* bar = controls_->Bar();
    bar->setAccessibleName("Recording position");
    connect(bar, &RecordingBar::playRangeSelected, this, [this](qint64 first, qint64 last) {
        Apply(receiver_->Controller().SelectFileRange(static_cast<std::uint64_t>(first),
                                                      static_cast<std::uint64_t>(last) + 1));
    });
    controls_->Stations()->setAccessibleName("Stations at the tuned frequency");
    controls_->Stations()->installEventFilter(this);
    // Displays without mouse handling of their own tune with the wheel here.
    if (!displays_.control)
        for (QWidget* display : {displays_.mainPlot, displays_.secondaryPlot})
            if (display) display->installEventFilter(this);
}

bool ReceiverWindow::Start() {
    WaitCursor wait;
    SettingsRecord& settings = receiver_->Settings();
    const bool started = receiver_->StartWindow({.afterRestore = [&] {
        if (rigctlOption_) {
            settings.RigctlPort = rigctlOption_->port;
            settings.RigctlHost = rigctlOption_->host;
        }
        wait.Release();
        binder_.ApplyAll(receiver_->Controller().Panel());
        binder_.RefreshStationPanel();
        show();
        return true;
    }});
    if (!started) return false;
    started_ = true;
    Apply(receiver_->Controller().Start());
    meterTimer_.start();
    statusTimer_.start();
    stationTimer_.start();
    if (!receiver_->SettingsNotes().empty())
        QTimer::singleShot(0, this, &ReceiverWindow::TellSettingsNotes);
    if (settings.RigctlPort != 0) {
        std::string why = StartRigctl({settings.RigctlHost, settings.RigctlPort});
        // Told once the window runs, as the store's notes are.
        if (!why.empty())
            QTimer::singleShot(0, this, [this, why] {
                std::string text = why;
                text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
                notifier_.Notify(text, "rigctl", Notifier::Icon::Warning, Notifier::Buttons::Ok);
            });
    }
    return true;
}

std::string ReceiverWindow::StartRigctl(const RigctlEndpoint& endpoint) {
    rigctl_.reset();
    if (!started_ || receiver_->Engine() == nullptr)
        return "the rigctl server needs the receiver running";
    rig_ = std::make_unique<ControllerRig>(receiver_->Controller(), receiver_->Settings(),
                                           *receiver_->Engine(),
                                           [this](const Outcome& outcome) { Apply(outcome); });
    // Each client's commands come to this thread as queued calls; the
    // server's own thread does the socket work.
    auto onThisThread = [this](RigctlServer::Task task) {
        QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
    };
    std::string why;
    rigctl_ = RigctlServer::Start(endpoint, *rig_, onThisThread, why);
    if (!rigctl_) return why;
    std::printf("velorix: %s\n", ListeningText({endpoint.host, rigctl_->Port()}).c_str());
    std::fflush(stdout);
    return {};
}

void ReceiverWindow::TellSettingsNotes() {
    std::string text;
    for (const std::string& note : receiver_->SettingsNotes())
        text += (text.empty() ? "" : "\n") + note;
    notifier_.Notify(text, "velorix", Notifier::Icon::Warning, Notifier::Buttons::Ok);
}

void ReceiverWindow::StatusTick() {
    const ReceiverWatch::Report report = receiver_->WatchReceiver();
    Apply(receiver_->Controller().Tick());
    // The box may wait for the user: every state it tells is already in place.
    if (!report.news.empty())
        notifier_.Notify(report.news, "velorix",
                         report.state == ReceiverWatch::State::Streaming
                             ? Notifier::Icon::Information
                             : Notifier::Icon::Warning,
                         Notifier::Buttons::Ok);
}

int ReceiverWindow::Finish() {
    if (exitCode_) return *exitCode_;
    // A start that failed stores nothing: the receiver closes without saving.
    if (!started_) return *(exitCode_ = 1);
    rigctl_.reset();
    rig_.reset();
    meterTimer_.stop();
    statusTimer_.stop();
    stationTimer_.stop();
    const auto report = receiver_->Shutdown();
    imports_.DeleteAllBut({});
    exitCode_ = report.settingsSaved.value_or(true) ? 0 : 1;
    return *exitCode_;
}

void ReceiverWindow::Apply(const Outcome& outcome) {
    ReceiverController& controller = receiver_->Controller();
    binder_.Apply(outcome, controller.Panel());
    if (displays_.afterApply) displays_.afterApply();
    if (outcome.stationPanelRedraw) binder_.RefreshStationPanel();
    if (outcome.fatal) PostQuit();
}

void ReceiverWindow::PostQuit() {
    // Never inside the click that found the fault: the window goes after it.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void ReceiverWindow::Route(ControlId id) {
    switch (id) {
        case ControlId::Exit:
            close();
            return;
        case ControlId::Minimize:
            showMinimized();
            return;
        case ControlId::Logo:
            ShowInformation();
            return;
        default:
            Apply(Run(id));
    }
}

// Every control's command and the controller operation it runs.
Outcome ReceiverWindow::Run(ControlId id) {
    ReceiverController& c = receiver_->Controller();
    int i = 0;
    if (InGroup(id, ControlId::Att0, 4, i)) return c.SelectAttenuator(i);
    if (InGroup(id, ControlId::Rate125, 3, i)) {
        WaitCursor wait;
        return c.SelectRate(i);
    }
    if (InGroup(id, ControlId::SourceReceiver, 2, i)) {
        WaitCursor wait;
        return c.SelectSource(i);
    }
    if (InGroup(id, ControlId::Filter0, 6, i)) return c.SelectFilter(i);
    if (InGroup(id, ControlId::Agc0, 4, i)) return c.SelectAgc(i);
    if (InGroup(id, ControlId::SmtrRms, 2, i)) return c.SelectSMeterMode(i);
    if (InGroup(id, ControlId::Mode0, 9, i)) return c.SelectMode(i);
    if (InGroup(id, ControlId::DispSpect, 2, i)) return c.SelectDisplayFunction(i);
    if (InGroup(id, ControlId::SecTune, 3, i)) return c.SelectSecDisplayFunction(i);
    if (InGroup(id, ControlId::ListHfcc, 3, i)) return c.SelectMemList(i);
    switch (id) {
        case ControlId::Preamp:
            return c.TogglePreamp();
        case ControlId::Dither:
            return c.ToggleDither();
        case ControlId::Presel:
            return c.TogglePreselector();
        case ControlId::RefLevDown:
            return c.StepRefLevel(false);
        case ControlId::RefLevUp:
            return c.StepRefLevel(true);
        case ControlId::ScaleDown:
            return c.StepScale(false);
        case ControlId::ScaleUp:
            return c.StepScale(true);
        case ControlId::SpanDown:
            return c.StepSpan(false);
        case ControlId::SpanUp:
            return c.StepSpan(true);
        case ControlId::CFStepDown:
            return c.StepCFStep(-1);
        case ControlId::CFStepUp:
            return c.StepCFStep(1);
        case ControlId::WheelStepDown:
            return c.StepWheelStep(-1);
        case ControlId::WheelStepUp:
            return c.StepWheelStep(1);
        case ControlId::Center:
            return c.ToggleCenter();
        case ControlId::Cal:
            return c.Cal();
        case ControlId::CalClr:
            return c.CalClr();
        case ControlId::FileOpen: {
            const auto path = dialogs_->OpenWav(this);
            return path ? OpenRecording(*path) : Outcome{};
        }
        case ControlId::ClearMarkers:
            return c.ClearMarkers();
        case ControlId::Delta:
            return c.ToggleDelta();
        case ControlId::CentreDown:
            return c.StepCentre(false);
        case ControlId::CentreUp:
            return c.StepCentre(true);
        case ControlId::EdgeUp:
            return c.StepEdge(true);
        case ControlId::EdgeDown:
            return c.StepEdge(false);
        case ControlId::StepDown:
            return c.StepTuning(false);
        case ControlId::StepUp:
            return c.StepTuning(true);
        case ControlId::NoiseBlanker:
            return c.ToggleNoiseBlanker();
        case ControlId::MainAvg:
            return c.ToggleAveraging(DisplayId::Main);
        case ControlId::SecAvg:
            return c.ToggleAveraging(DisplayId::Secondary);
        case ControlId::Audio:
            return c.ToggleAudio();
        case ControlId::Stop:
            return c.StopButton();
        case ControlId::Play:
            return c.Play();
        case ControlId::Record:
            return StartRecording();
        default:
            return Outcome{.accepted = false};
    }
}

// A velorix recording plays as it is; another program's is imported into
// the cache first and plays under its own name. Whatever was imported for
// the file played before goes once another is opened.
Outcome ReceiverWindow::OpenRecording(const std::string& path) {
    ReceiverController& c = receiver_->Controller();
    if (!c.Panel().Enabled(ControlId::FileOpen)) return Outcome{.accepted = false};
    std::optional<std::string> series = path;
    if (ForeignImports::NeedsImport(path)) {
        series = imports_.Import(path, this);
        if (!series) return Outcome{.accepted = false};
    }
    const Outcome outcome = *series == path ? c.LoadFile(path) : c.LoadFile(*series, path);
    imports_.DeleteAllBut(outcome.accepted ? *series : std::string{});
    return outcome;
}

// The recorder numbers its files from the chosen name ("name_000.wav" …), so
// the dialog's own check of the chosen name misses an earlier series: the
// first file of the new one is asked about here.
Outcome ReceiverWindow::StartRecording() {
    ReceiverController& c = receiver_->Controller();
    if (!c.Panel().Enabled(ControlId::Record)) return Outcome{.accepted = false};
    const auto path = dialogs_->SaveWav(this);
    if (!path) return Outcome{.accepted = false};
    const WavSeriesName series = ParseWavSeriesPath(*path);
    const std::string first = WavSeriesFileName(series.base, series.number);
    std::error_code error;
    if (std::filesystem::exists(first, error) && !dialogs_->ConfirmOverwrite(this, first))
        return Outcome{.accepted = false};
    return c.StartRecording(*path);
}

void ReceiverWindow::ShowInformation() {
    ShowReceiverInfoBox(this, receiver_->Controller().InfoTexts());
}

void ReceiverWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(0, 0, skin::Skin::Shared(devicePixelRatioF()).Face("134"));
}

void ReceiverWindow::mousePressEvent(QMouseEvent* event) {
    drag_.Press(*event);
}

void ReceiverWindow::mouseMoveEvent(QMouseEvent* event) {
    drag_.Move(*event);
}

void ReceiverWindow::keyPressEvent(QKeyEvent* event) {
    std::optional<ControlId> id;
    switch (event->key()) {
        case Qt::Key_Left:
            id = ControlId::StepDown;
            break;
        case Qt::Key_Right:
            id = ControlId::StepUp;
            break;
        case Qt::Key_PageDown:
            id = ControlId::CentreDown;
            break;
        case Qt::Key_PageUp:
            id = ControlId::CentreUp;
            break;
        case Qt::Key_Down:
            id = ControlId::WheelStepDown;
            break;
        case Qt::Key_Up:
            id = ControlId::WheelStepUp;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    // A key does what its arrow does, and nothing while the arrow is disabled.
    if (receiver_->Controller().Panel().Enabled(*id)) Route(*id);
}

void ReceiverWindow::closeEvent(QCloseEvent* event) {
    const int code = Finish();
    event->accept();
    emit finished(code);
}

bool ReceiverWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel) return QWidget::eventFilter(watched, event);
    // The station panel swallows the wheel; the displays tune with it.
    if (watched != controls_->Stations()) {
        const int delta = static_cast<QWheelEvent*>(event)->angleDelta().y();
        Apply(receiver_->Controller().WheelOverDisplay(delta));
    }
    return true;
}

void ReceiverWindow::TuneOffsetHz(int offsetHz) {
    Apply(receiver_->Controller().SetTuningOffset(offsetHz));
}

void ReceiverWindow::ShiftOffsetHz(double hz) {
    const int offset = receiver_->Settings().FreqOffset + static_cast<int>(std::lround(hz));
    Apply(receiver_->Controller().SetTuningOffset(offset));
}

void ReceiverWindow::TuneCentreKHz(double kHz) {
    Apply(receiver_->Controller().SetCenterFrequencyKHz(kHz, true));
}

void ReceiverWindow::ScrollEnded(double visibleCentreKHz, int pressedOffsetHz) {
    const SettingsRecord& s = receiver_->Settings();
    // A recording or a file as the source keeps the receiver where it is.
    if (s.retuneInhibit.load() != 0) return;
    ReceiverController& c = receiver_->Controller();
    Apply(c.SetTuningOffset(s.TuneMode == 1 ? 0 : pressedOffsetHz));
    Apply(c.SetCenterFrequencyKHz(visibleCentreKHz, true));
}

void ReceiverWindow::SetPassbandEdges(double low, double high) {
    Apply(receiver_->Controller().SetPassbandEdges(low, high));
}

void ReceiverWindow::SpectrumDragEnded() {
    if (displays_.control) displays_.control->OnCentreChanged();
}

void ReceiverWindow::WheelTune(int delta) {
    Apply(receiver_->Controller().WheelOverDisplay(delta));
}

}  // namespace velorix
