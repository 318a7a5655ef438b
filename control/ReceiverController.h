#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "ControllerContext.h"
#include "DemodulatorPart.h"
#include "DisplaysPart.h"
#include "FrontEndPart.h"
#include "MousePart.h"
#include "ReceiverInfo.h"
#include "SMeterValues.h"
#include "SourcePart.h"
#include "TuningPart.h"

namespace velorix {

// The behaviour behind every control of the receiver window, without any
// widget: the window and the headless receiver drive the receiver only
// through it. It changes the settings record, drives the receive chain
// through EngineControl, the board, the library and the recorder, and keeps
// the state of the controls and of both displays it decides. Every
// operation answers with what it changed, for the front end to show.
//
// The operations live in its parts (tuning, demodulator, front end, source
// and recording, displays, the mouse over the displays), which share one
// context; the start-up and shutdown that span them live here.
//
// Everything runs on the user-interface thread.
class ReceiverController {
public:
    explicit ReceiverController(const ControllerWiring& wiring);
    ReceiverController(const ReceiverController&) = delete;
    ReceiverController& operator=(const ReceiverController&) = delete;

    TuningPart& Tuning() { return tuning_; }
    DemodulatorPart& Demodulator() { return demodulator_; }
    FrontEndPart& FrontEnd() { return frontEnd_; }
    SourcePart& Source() { return source_; }
    DisplaysPart& Displays() { return displays_; }
    MousePart& Mouse() { return mouse_; }

    // Tests and special file systems replace the disk and the clock; a new
    // clock is read at once by the station panel while its own clock runs.
    void SetFreeSpaceProbe(ControllerContext::FreeSpaceProbe probe) {
        c_.freeSpace = std::move(probe);
    }
    void SetClock(ControllerContext::Clock clock);

    const PanelState& Panel() const { return c_.panel; }
    const DisplayState& MainDisplay() const { return c_.mainDisplay; }
    const DisplayState& SecondaryDisplay() const { return c_.secondaryDisplay; }

    // --- Start-up and shutdown -------------------------------------------
    // Applies the loaded settings to the controls and the chain in the
    // window's start-up order: identity, "Center", centre frequency,
    // attenuator, station list, front-end checks, rate with its bitstream
    // (acquisition not restarted), the "Span", "RefLev", "Scale" and "CFStep"
    // labels, filter, mode, "WheelStep", both display functions, "Cal", the
    // meter mode, the five sliders with their values, source "Velorix",
    // "PBT"/"Notch"/"Peak"/"File.." disabled, then both averagings off, noise
    // blanker and noise reduction off, audio on.
    // With `readIdentity` the EEPROM identity is read first.
    Outcome RestoreAll(bool readIdentity = true);
    // The restore with no receiver, a recording to be the source: nothing is
    // sent to the receiver and no identity is read.
    Outcome RestoreWithoutReceiver();
    // After acquisition started: mode again, tuning offset, displays.
    Outcome Start();
    // Preamp and dither, attenuator and preselector band to the receiver.
    Outcome SendFrontEnd();
    // Ends a recording or playback and closes a loaded file.
    Outcome Shutdown();

    // --- Readouts -----------------------------------------------------------
    // A receiver that is gone or delivers nothing (empty: it streams): the
    // text stands in the status line from the next Tick on, and the meter
    // rests at its floor, until it is cleared.
    void ShowReceiverFault(const std::string& text) {
        c_.receiverFault = text;
        faulted_.store(!text.empty());
    }
    // The meter update (every 100 ms): level per SmtrMode, the board's clip
    // flag (then cleared) and the demodulator's lock flag; the floor while a
    // receiver fault is shown, since the chain then holds its last level.
    SMeterReading MeterUpdate();
    Outcome SelectMemList(int memListIdx);  // radios 400-402
    // The station panel's own 1 s clock: the panel's lines and the station
    // labels over the main display follow each new minute.
    Outcome StationTick();
    std::vector<std::string> StationLines() const { return c_.stationPanel.Lines(); }
    const StationPanelState& StationPanel() const { return c_.stationPanel; }
    // The receiver information box's texts (reads the identity again).
    ReceiverInfoTexts InfoTexts();

    bool IsLive() const { return c_.IsLive(); }
    int LastPreselectorBandSent() const { return c_.lastBandSent; }
    const std::string& RecordingPath() const { return c_.recordingPath; }

private:
    void ApplyMemList(int memListIdx);

    ControllerContext c_;
    TuningPart tuning_{c_};
    DemodulatorPart demodulator_{c_};
    FrontEndPart frontEnd_{c_};
    SourcePart source_{c_};
    DisplaysPart displays_{c_};
    MousePart mouse_{c_};
    // Whether a fault is shown, for the meter, which velorix-cli updates on
    // the engine's thread.
    std::atomic<bool> faulted_{false};
};

}  // namespace velorix
