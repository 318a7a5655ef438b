#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "AcqBoard.h"
#include "DisplayFeedControl.h"
#include "DisplayState.h"
#include "DspRecorder.h"
#include "EngineControl.h"
#include "Notifier.h"
#include "PanelState.h"
#include "PlaybackPacing.h"
#include "ReceiverStartup.h"
#include "SettingsRecord.h"
#include "StationLists.h"
#include "StationPanelState.h"
#include "UsbLibrary.h"

namespace velorix {

class DemodulatorPart;
class DisplaysPart;
class FrontEndPart;
class SourcePart;
class TuningPart;

// What the receiver's controller is wired to.
struct ControllerWiring {
    SettingsRecord& settings;
    EngineControl& engine;
    CAcqBoard& board;
    UsbLibrary& library;
    ReceiverStartup& startup;
    CDspRecorder& recorder;
    const StationLists* stations = nullptr;  // null: no station lines
    Notifier& notifier;                      // file errors
    PlaybackPacing* pacing = nullptr;        // null: playback is not paced
    DisplayFeedControl* feed = nullptr;      // null: the main display's feed has no pace
    // Seconds since 1970, UTC, read from the first instant on (the station
    // panel's first reading included); null: the system clock.
    std::function<std::int64_t()> clock = nullptr;
};

// The one context the controller's parts share: what they drive (the
// wiring), the state they decide (the panel, both displays' states, the
// station panel) and the run of every operation, which answers with what
// that state changed.
//
// Everything runs on the user-interface thread.
class ControllerContext : public ControllerWiring {
public:
    // Free bytes of the file system holding a directory; nothing when unknown.
    using FreeSpaceProbe = std::function<std::optional<std::uint64_t>(const std::string&)>;
    // Seconds since 1970, UTC.
    using Clock = std::function<std::int64_t()>;

    explicit ControllerContext(const ControllerWiring& wiring);

    // Runs one operation: `body(Outcome&)` changes what it must, the
    // displays' states follow the settings, and the outcome carries every
    // control, text, display state and station-panel change. Operations nest
    // (the start-up selects the mode): an inner one answers for its own
    // changes, the outer one for all.
    template <typename F>
    Outcome Run(F&& body);

    // No recording, no file loaded or playing: the receiver is the source.
    bool IsLive() const;
    // The mode index, held to 0 … 8.
    int Mode() const;
    // The record's source, recording and playback flags are the controller's
    // to write.
    static void Store(OwnedFlag<int, ControllerContext>& flag, int value) { flag.store(value); }

    FreeSpaceProbe freeSpace;
    PanelState panel;
    DisplayState mainDisplay;
    DisplayState secondaryDisplay{.geometry{kSecondaryPlotWidth, kSecondaryPlotHeight}};
    StationPanelState stationPanel;
    // The last preselector band sent; 255: the first band computed is always sent.
    int lastBandSent = 255;
    // A front-end or centre change was kept from the receiver by the
    // retune-inhibit flag and must be sent when the receiver is the source again.
    bool receiverPending = false;
    std::string recordingPath;
    // The name the status line shows for the loaded file (empty: its own).
    std::string shownFileName;
    // Why the receiver does not stream, shown in the status line (empty: it does).
    std::string receiverFault;
    // The station panel's lines changed during the running operation.
    bool stationRedraw = false;

    // The parts, for the steps one part takes of another.
    TuningPart* tuning = nullptr;
    DemodulatorPart* demodulator = nullptr;
    FrontEndPart* frontEnd = nullptr;
    SourcePart* source = nullptr;
    DisplaysPart* displays = nullptr;

private:
    // The displays' states from the settings and the parts' own state.
    void RefreshDisplays();
};

template <typename F>
Outcome ControllerContext::Run(F&& body) {
    const PanelState before = panel;
    const DisplayState mainBefore = mainDisplay;
    const DisplayState secondaryBefore = secondaryDisplay;
    const bool outerRedraw = stationRedraw;
    stationRedraw = false;
    Outcome outcome;
    body(outcome);
    RefreshDisplays();
    outcome.changes = Diff(before, panel);
    if (!(mainDisplay == mainBefore))
        outcome.mainDisplay = std::make_shared<const DisplayState>(mainDisplay);
    if (!(secondaryDisplay == secondaryBefore))
        outcome.secondaryDisplay = std::make_shared<const DisplayState>(secondaryDisplay);
    outcome.stationPanelRedraw = stationRedraw;
    stationRedraw = outerRedraw || stationRedraw;
    return outcome;
}

}  // namespace velorix
