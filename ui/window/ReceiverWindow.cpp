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
#include <map>

#include "FrequencyKeypad.h"
#include "FrequencyReadout.h"
#include "ProgramIcon.h"
#include "ReceiverInfoBox.h"
#include "RecordingBar.h"
#include "Skin.h"
#include "SkinButton.h"
#include "SkinnedControls.h"
#include "StationLabelPainter.h"
#include "StationPanel.h"
#include "VerticalSlider.h"

namespace velorix {
namespace {

constexpr int kDragStripHeight = 27;

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
    AssembledReceiver::Options parts{.notifier = options.notifier};
    parts.audioSink = std::move(options.audioSink);
    parts.audioDevice = std::move(options.audioDevice);
    parts.secondAudioOut = options.secondAudioOut;
    parts.useStore = options.useStore;
    parts.stationDirectory = std::move(options.stationDirectory);
    receiver_ = std::make_unique<AssembledReceiver>(std::move(parts));
    receiver_->Controller().Displays().SetLabelWidth(&StationLabelPainter::BoxWidth);
    displays_ = options.displays(this, *this);
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
    connect(&stationTimer_, &QTimer::timeout, this,
            [this] { Apply(receiver_->Controller().StationTick()); });
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
            Apply(RunControl(Controller(), id, static_cast<int>(std::lround(slider->Value()))));
        });
    }
    FrequencyReadout* readout = controls_->Readout();
    readout->setAccessibleName("Tuned frequency");
    connect(readout, &FrequencyReadout::wheelTuning, this, [this](int delta, int digit) {
        Apply(Controller().Tuning().WheelOverReadout(delta, digit));
    });
    readout->Keypad().SetTuner([this](double kHz) {
        const Outcome outcome = Controller().Tuning().SetTunedFrequencyKHz(kHz);
        Apply(outcome);
        return outcome.accepted;
    });
    RecordingBar* bar = controls_->Bar();
    bar->setAccessibleName("Recording position");
    connect(bar, &RecordingBar::playRangeSelected, this, [this](qint64 first, qint64 last) {
        Apply(Controller().Source().SelectFileRange(static_cast<std::uint64_t>(first),
                                                    static_cast<std::uint64_t>(last) + 1));
    });
    controls_->Stations()->setAccessibleName("Stations at the tuned frequency");
    controls_->Stations()->installEventFilter(this);
    // Displays without mouse handling of their own tune with the wheel here.
    if (!displays_.show)
        for (QWidget* display : {displays_.mainPlot, displays_.secondaryPlot})
            if (display) display->installEventFilter(this);
}

bool ReceiverWindow::Start() {
    WaitCursor wait;
    SettingsRecord& settings = receiver_->Settings();
    const bool started = receiver_->StartWindow({
        .afterRestore =
            [&] {
                if (rigctlOption_) {
                    settings.RigctlPort = rigctlOption_->port;
                    settings.RigctlHost = rigctlOption_->host;
                }
                wait.Release();
                ShowAll();
                show();
                return true;
            },
        .whenRunning =
            [this] {
                // What the controller's start changed (the chain's rates are
                // known once acquisition runs); the front end follows the timers.
                ShowAll();
                meterTimer_.start();
                statusTimer_.start();
                stationTimer_.start();
            },
    });
    if (!started) return false;
    started_ = true;
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
    rig_ =
        std::make_unique<ControllerRig>(Controller(), receiver_->Settings(), *receiver_->Engine(),
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
    Apply(Controller().Source().Tick());
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
    binder_.Apply(outcome, Controller().Panel());
    if (displays_.show) {
        if (outcome.mainDisplay) displays_.show(DisplayId::Main, outcome.mainDisplay);
        if (outcome.secondaryDisplay)
            displays_.show(DisplayId::Secondary, outcome.secondaryDisplay);
    }
    if (outcome.fatal) PostQuit();
}

void ReceiverWindow::ShowAll() {
    ReceiverController& c = Controller();
    binder_.ApplyAll(c.Panel());
    if (!displays_.show) return;
    displays_.show(DisplayId::Main, std::make_shared<const DisplayState>(c.MainDisplay()));
    displays_.show(DisplayId::Secondary,
                   std::make_shared<const DisplayState>(c.SecondaryDisplay()));
}

void ReceiverWindow::PostQuit() {
    // Never inside the click that found the fault: the window goes after it.
    QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

void ReceiverWindow::Route(ControlId id) {
    const ControlAction* action = ActionFor(id);
    if (action == nullptr) return;
    switch (action->need) {
        case ControlNeed::Window:
            if (id == ControlId::Exit) close();
            if (id == ControlId::Minimize) showMinimized();
            if (id == ControlId::Logo) ShowInformation();
            return;
        case ControlNeed::WaitCursor: {
            WaitCursor wait;
            Apply(RunControl(Controller(), id));
            return;
        }
        case ControlNeed::OpenPath:
        case ControlNeed::SavePath: {
            // Nothing is asked while the control is disabled.
            if (!Controller().Panel().Enabled(id)) return;
            const auto path = ChoosePath(action->need);
            if (path && id == ControlId::FileOpen)
                Apply(OpenRecording(*path));
            else if (path)
                Apply(RunControl(Controller(), id, 0, *path));
            return;
        }
        case ControlNeed::None:
            Apply(RunControl(Controller(), id));
            return;
    }
}

std::optional<std::string> ReceiverWindow::ChoosePath(ControlNeed need) {
    if (need == ControlNeed::OpenPath) return dialogs_->OpenWav(this);
    const auto path = dialogs_->SaveWav(this);
    // The dialog's own check of the chosen name misses an earlier series.
    if (const auto first = path ? SourcePart::SeriesInTheWay(*path) : std::nullopt)
        if (!dialogs_->ConfirmOverwrite(this, *first)) return std::nullopt;
    return path;
}

// A velorix recording plays as it is; another program's is imported into
// the cache first and plays under its own name. Whatever was imported for
// the file played before goes once another is opened.
Outcome ReceiverWindow::OpenRecording(const std::string& path) {
    std::optional<std::string> series = path;
    if (ForeignImports::NeedsImport(path)) {
        series = imports_.Import(path, this);
        if (!series) return Outcome::Refused();
    }
    SourcePart& source = Controller().Source();
    const Outcome outcome =
        *series == path ? source.LoadFile(path) : source.LoadFile(*series, path);
    imports_.DeleteAllBut(outcome.accepted ? *series : std::string{});
    return outcome;
}

void ReceiverWindow::ShowInformation() {
    ShowReceiverInfoBox(this, Controller().InfoTexts());
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
    static const std::map<int, ControlKey> kKeys = {
        {Qt::Key_Left, ControlKey::Left},         {Qt::Key_Right, ControlKey::Right},
        {Qt::Key_PageDown, ControlKey::PageDown}, {Qt::Key_PageUp, ControlKey::PageUp},
        {Qt::Key_Down, ControlKey::Down},         {Qt::Key_Up, ControlKey::Up}};
    // A digit opens the keypad with it entered, so a frequency is typed
    // without the mouse; the keypad takes the keys that follow.
    const bool shortcut = event->modifiers().testAnyFlags(Qt::ControlModifier | Qt::AltModifier);
    if (const QString text = event->text();
        !shortcut && text.size() == 1 && text[0] >= u'0' && text[0] <= u'9') {
        controls_->Readout()->Keypad().Open(text);
        return;
    }
    const auto key = kKeys.find(event->key());
    const ControlRow* control = key == kKeys.end() ? nullptr : ControlForKey(key->second);
    if (control == nullptr) {
        QWidget::keyPressEvent(event);
        return;
    }
    // A key does what its arrow does, and nothing while the arrow is disabled.
    const auto id = static_cast<ControlId>(control->id);
    if (Controller().Panel().Enabled(id)) Route(id);
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
        Wheel(delta);
    }
    return true;
}

void ReceiverWindow::DoubleClick(DisplayId display, int x) {
    Apply(Controller().Mouse().DoubleClick(display, x));
}

void ReceiverWindow::AddMarker(int x) {
    Apply(Controller().Mouse().AddMarker(x));
}

bool ReceiverWindow::DragPassband(int fromX, int toX) {
    const Outcome outcome = Controller().Mouse().DragPassband(fromX, toX);
    Apply(outcome);
    return outcome.accepted;
}

void ReceiverWindow::BeginScroll() {
    Controller().Mouse().BeginScroll();
}

void ReceiverWindow::Scroll(int dxPx) {
    Apply(Controller().Mouse().Scroll(dxPx));
}

void ReceiverWindow::EndScroll() {
    Apply(Controller().Mouse().EndScroll());
}

void ReceiverWindow::SetPassbandEdges(double low, double high) {
    Apply(Controller().Mouse().SetPassbandEdges(low, high));
}

void ReceiverWindow::BeginSpectrumDrag() {
    Controller().Mouse().BeginSpectrumDrag();
}

void ReceiverWindow::DragSpectrum(double hz) {
    Apply(Controller().Mouse().DragSpectrum(hz));
}

void ReceiverWindow::RetuneDraggedCentre() {
    Apply(Controller().Mouse().RetuneDraggedCentre());
}

void ReceiverWindow::EndSpectrumDrag() {
    Apply(Controller().Mouse().EndSpectrumDrag());
}

void ReceiverWindow::Wheel(int delta) {
    Apply(Controller().Tuning().WheelOverDisplay(delta));
}

}  // namespace velorix
