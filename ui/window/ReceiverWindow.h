#pragma once

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <optional>

#include "AssembledReceiver.h"
#include "ControlActions.h"
#include "ControlBinder.h"
#include "ControllerRig.h"
#include "DisplayIntents.h"
#include "DisplaySlots.h"
#include "FileDialogs.h"
#include "ForeignImports.h"
#include "RigctlServer.h"
#include "WindowDrag.h"

namespace velorix {

class SkinnedControls;

// The receiver's only window: frameless, 1024 x 620 at (100, 100), painted
// from the skin with every control at its place. It owns the assembled
// receiver and its displays, turns every click, slider move, wheel turn,
// key and display intent into one controller operation and shows that
// operation's answer through one Apply: the controls and both displays'
// states.
class ReceiverWindow : public QWidget, public DisplayIntents {
    Q_OBJECT
public:
    struct Options {
        Notifier& notifier;
        std::unique_ptr<AudioSink> audioSink{};  // null: the sound server
        std::string audioDevice{};
        // Audio out 2 on the "Virtual Audio Cable" sink.
        bool secondAudioOut = false;
        bool useStore = true;
        std::string stationDirectory{"."};
        DisplayFactory displays = SpectrumDisplays;
        std::unique_ptr<FileDialogs> dialogs{};  // null: Qt's dialogs
        // The command line's rigctl endpoint, stored over the settings'
        // (port 0: off); nothing: as stored.
        std::optional<RigctlEndpoint> rigctl{};
    };

    explicit ReceiverWindow(Options options);
    ~ReceiverWindow() override;

    // The start-up in the window's order; the window shows itself after the
    // restore. False when the program must end.
    bool Start();
    // The one shutdown: settings saved, threads joined. The exit code: 0
    // after a clean save, 1 when it failed or the start did. Safe to call
    // more than once.
    int Finish();

    // The answer of any operation, on the widgets and the displays. A fatal
    // answer posts the end of the program.
    void Apply(const Outcome& outcome);
    // What a click on control `id` does.
    void Route(ControlId id);

    // Serves other programs on `endpoint` (port 0: any free port); what
    // they change shows here as the user's own clicks. The error text when
    // it cannot listen.
    std::string StartRigctl(const RigctlEndpoint& endpoint);
    // The port the rigctl server listens on; 0 when it is off.
    int RigctlPort() const { return rigctl_ ? rigctl_->Port() : 0; }

    AssembledReceiver& Receiver() { return *receiver_; }
    SkinnedControls& Controls() { return *controls_; }
    const DisplaySlots& Displays() const { return displays_; }

    // The mouse over the displays, through the control layer.
    void DoubleClick(DisplayId display, int x) override;
    void AddMarker(int x) override;
    bool DragPassband(int fromX, int toX) override;
    void BeginScroll() override;
    void Scroll(int dxPx) override;
    void EndScroll() override;
    void SetPassbandEdges(double low, double high) override;
    void BeginSpectrumDrag() override;
    void DragSpectrum(double hz) override;
    void RetuneDraggedCentre() override;
    void EndSpectrumDrag() override;
    void Wheel(int delta) override;

signals:
    // The window closed or the receiver cannot go on: end with `exitCode`.
    void finished(int exitCode);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ReceiverController& Controller() { return receiver_->Controller(); }
    // A control's path: the file to open, or where to record (asking before
    // a recording writes over a series).
    std::optional<std::string> ChoosePath(ControlNeed need);
    Outcome OpenRecording(const std::string& path);
    // Every control and both displays as the controller has them now.
    void ShowAll();
    void ShowInformation();
    void ConnectControls();
    void PostQuit();
    // The status tick: the receiver's stream judged, then the status texts.
    void StatusTick();
    // What the store told at start, in one notice once the window runs.
    void TellSettingsNotes();

    // Declared first, destroyed last: the consumers outlive the receiver.
    DisplaySlots displays_;
    std::unique_ptr<FileDialogs> dialogs_;
    Notifier& notifier_;
    std::unique_ptr<AssembledReceiver> receiver_;
    ForeignImports imports_;
    ControlBinder binder_;
    std::unique_ptr<SkinnedControls> controls_;
    QTimer meterTimer_, statusTimer_, stationTimer_;
    WindowDrag drag_;
    std::optional<RigctlEndpoint> rigctlOption_;
    // Goes before the receiver shuts down (Finish).
    std::unique_ptr<ControllerRig> rig_;
    std::unique_ptr<RigctlServer> rigctl_;
    bool started_ = false;
    std::optional<int> exitCode_;
};

}  // namespace velorix
