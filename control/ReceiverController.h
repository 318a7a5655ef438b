#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "AcqBoard.h"
#include "DisplayControl.h"
#include "DisplayFeedControl.h"
#include "DspRecorder.h"
#include "EngineControl.h"
#include "Notifier.h"
#include "PanelState.h"
#include "PlaybackPacing.h"
#include "ReceiverInfo.h"
#include "ReceiverStartup.h"
#include "SMeterValues.h"
#include "SettingsRecord.h"
#include "StationLists.h"
#include "StationPanelState.h"
#include "UsbLibrary.h"

namespace velorix {

// The behaviour behind every control of the receiver window, without any
// widget: the window and the headless receiver drive the receiver only
// through it. It changes the settings record, drives the receive chain
// through EngineControl, the board, the library and the recorder, and keeps
// the state of the controls it decides (PanelState). Every operation answers
// with the controls and texts it changed, for the window to apply.
//
// While the retune-inhibit flag is set (recording, or a file as the source)
// nothing is sent to the receiver: the front-end operations change only the
// record and the controls.
//
// Everything runs on the user-interface thread.
class ReceiverController {
public:
    struct Parts {
        SettingsRecord& settings;
        EngineControl& engine;
        CAcqBoard& board;
        UsbLibrary& library;
        ReceiverStartup& startup;
        CDspRecorder& recorder;
        const StationLists* stations = nullptr;  // null: no station lines
        Notifier& notifier;                      // file errors
        DisplayControl* displays = nullptr;      // null: no displays
        PlaybackPacing* pacing = nullptr;        // null: playback is not paced
        // Seconds since 1970, UTC, read from the first instant on (the station
        // panel's first reading included); null: the system clock.
        StationPanelState::TimeSource clock = nullptr;
    };

    // Free bytes of the file system holding a directory; nothing when unknown.
    using FreeSpaceProbe = std::function<std::optional<std::uint64_t>(const std::string&)>;
    // Seconds since 1970, UTC.
    using Clock = std::function<std::int64_t()>;

    explicit ReceiverController(const Parts& parts);

    // Tests and special file systems replace the disk and the clock; a new
    // clock is read at once by the station panel while its own clock runs.
    void SetFreeSpaceProbe(FreeSpaceProbe probe) { freeSpace_ = std::move(probe); }
    void SetClock(Clock clock);

    const PanelState& Panel() const { return panel_; }
    // The displays, when they are made after the controller (the window's
    // displays need its settings record); null: none.
    void SetDisplayControl(DisplayControl* displays) {
        displays_ = displays ? displays : &noDisplays_;
    }

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

    // --- Tuning -------------------------------------------------------------
    // Centre frequency, clamped to 0 … 40 000 000 Hz. With `retune` the
    // receiver and the displays follow (what the main display's double click
    // and the slide bar need); without, only the record and the readout.
    Outcome SetCenterFrequency(std::int64_t hz, bool retune = false);
    Outcome SetCenterFrequencyKHz(double kHz, bool retune = false);
    // Offset of the tuned frequency below the centre, Hz; sets the shifter.
    Outcome SetTuningOffset(int offsetHz);
    Outcome StepCentre(bool up);                     // arrows 260 / 261
    Outcome StepCFStep(int delta);                   // arrows 186 / 187
    Outcome StepTuning(bool up);                     // arrows 270 / 271
    Outcome WheelOverDisplay(int delta);             // > 0 steps down
    Outcome WheelOverReadout(int delta, int digit);  // digit 0 (1 Hz) … 6 (1 MHz)
    Outcome StepWheelStep(int delta);                // arrows 188 / 189
    Outcome ToggleCenter();                          // "Center"
    // Frequency keypad; refused (accepted false) out of range.
    Outcome SetTunedFrequencyKHz(double kHz);
    // The band-pass filter's edges, cycles per sample at its rate, as the
    // secondary display's drags leave them.
    Outcome SetPassbandEdges(double lower, double upper);

    // --- Modes, filters, AGC and audio ------------------------------------
    Outcome SelectMode(int mode);      // 0..8
    Outcome SelectFilter(int filter);  // 0..5, for the current mode
    Outcome SelectAgc(int agc);        // 0..3, for the current mode
    Outcome SetNoiseBlanker(bool on);
    Outcome ToggleNoiseBlanker();
    Outcome SetNBVal(int value);  // slider -200 … -50
    Outcome SetNoiseReduction(bool on);
    Outcome SetNRVal(int value);  // slider 0 … 200
    Outcome SetAudio(bool on);
    Outcome ToggleAudio();
    Outcome SetVolVal(int value);  // slider -400 … 0

    // --- Front end ------------------------------------------------------------
    Outcome SelectAttenuator(int idx);  // 0..3
    Outcome TogglePreamp();
    Outcome ToggleDither();
    Outcome TogglePreselector();
    // Rate button: FPGA reconfigured, acquisition restarted, re-centred.
    Outcome SelectRate(int rateIdx);
    Outcome Cal();
    Outcome CalClr();

    // --- Source, recording and playback --------------------------------
    // 0 = receiver, 1 = WAV file. `startAcquisition` is false only at start-up.
    Outcome SelectSource(int source, bool startAcquisition = true);
    // "File..": the chosen path. `shownName`, when given, stands for it in
    // the status line (a recording imported from another program's file).
    Outcome LoadFile(const std::string& path, const std::string& shownName = {});
    Outcome Play();
    Outcome StopButton();
    // "RECORD": the chosen path.
    Outcome StartRecording(const std::string& path);
    Outcome CloseFile();
    // Range [startBytes, endBytes) of the loaded file, from the recording bar.
    Outcome SelectFileRange(std::uint64_t startBytes, std::uint64_t endBytes);
    // Every 250 ms: status texts, recording bar and the free-space guard.
    Outcome Tick();
    // A receiver that is gone or delivers nothing (empty: it streams): the
    // text stands in the status line from the next Tick on, and the meter
    // rests at its floor, until it is cleared.
    void ShowReceiverFault(const std::string& text) {
        receiverFault_ = text;
        faulted_.store(!text.empty());
    }

    // --- Readouts and displays -------------------------------------------
    // The meter update (every 100 ms): level per SmtrMode, the board's clip
    // flag (then cleared) and the demodulator's lock flag; the floor while a
    // receiver fault is shown, since the chain then holds its last level.
    SMeterReading MeterUpdate();
    Outcome SelectMainFFT(int mainFFTIdx);
    Outcome SelectMemList(int memListIdx);  // radios 400-402

    // --- Display and meter controls ---------------------------------------
    // RefLevel one division down / up (arrows 180 / 181), within -150 … +20 dBm.
    Outcome StepRefLevel(bool up);
    // RefScaleIdx - 1 / + 1 (arrows 182 / 183).
    Outcome StepScale(bool up);
    // MainFFTIdx - 1 / + 1 (arrows 184 / 185); the main feed's skip limit is
    // halved for the larger FFT and doubled for the smaller one.
    Outcome StepSpan(bool up);
    // The arrows at the display's right edge: `up` is 262, else 263. Spectrum:
    // RefLevel down / up one division, within the same limits as 180 / 181.
    // Waterfall: the feed's skip limit, so the waterfall runs faster / slower.
    Outcome StepEdge(bool up);
    // "Spect" (0) / "WFall" (1).
    Outcome SelectDisplayFunction(int function);
    // "Tune" (0) / "PBT" (1) / "Notch" (2); the secondary display reads the key.
    Outcome SelectSecDisplayFunction(int function);
    Outcome ClearMarkers();  // "Clr"
    Outcome ToggleDelta();   // "Delta"
    // "Rms" (0) / "Peak" (1): which AGC level the meter shows.
    Outcome SelectSMeterMode(int mode);
    // Averaging squares 280 / 290 and sliders 330 / 331 (0 … 800).
    Outcome ToggleAveraging(DisplayId display);
    Outcome SetAvgVal(DisplayId display, int value);
    // A slider's message (ids 330-334) with its value, to the operation of
    // that slider; refused for other ids.
    Outcome SetSliderValue(ControlId slider, int value);
    int MainFFTSizeNow() const;
    // The station panel's own 1 s clock; true when its lines changed.
    bool StationTick() { return stationPanel_.Tick(); }
    std::vector<std::string> StationLines() const { return stationPanel_.Lines(); }
    const StationPanelState& StationPanel() const { return stationPanel_; }
    // The receiver information box's texts (reads the identity again).
    ReceiverInfoTexts InfoTexts();

    bool IsLive() const;
    int LastPreselectorBandSent() const { return lastBandSent_; }
    const std::string& RecordingPath() const { return recordingPath_; }

private:
    template <typename F>
    Outcome Run(F&& body);

    // Tuning steps shared by the operations.
    void SetCentre(std::int64_t hz);
    void SetOffset(int offsetHz);
    void CentreChanged();
    void RefreshReadout();
    void RefreshCentreArrows();
    void RefreshCFStep();
    void RefreshWheelStep();
    void RefreshCal();
    void RefreshSpan();
    void RefreshRefLevel();
    void RefreshScale();
    void ApplyDisplayFunction(int function);
    void ApplySecDisplayFunction(int function);
    void ApplySMeterMode(int mode);
    void ApplyAveraging(DisplayId display, bool on);
    void ApplyAvgVal(DisplayId display, int value);
    void ApplyMemList(int memListIdx);
    bool MoveRefLevel(bool up);  // false beyond the limits
    void Recentre();
    bool MoveOffset(int offsetHz);  // false beyond the offset limit
    void ApplyTuneMode(bool on);

    void ApplyFilter(int filter);
    void ApplyAgc(int agc);
    void ApplyNoiseBlanker(bool on);
    void ApplyNoiseReduction(bool on);
    void ApplyAudio(bool on);

    void ApplyAttenuator(int idx);
    void UpdatePreampDither();
    void UpdatePreselectorBand();
    void SendFrontEndNow();
    void ShowFrontEndChecks();
    // Rate change; false when the bitstream would not load (fatal).
    bool ApplyRate(bool restart, Outcome& outcome);

    void EnterOffsetOnlyTuning();  // "Center" off for recording and files
    void EnableFrontEnd(bool on);
    void StopInternal();
    void SetPacing(bool on);
    void CloseFileInternal();
    void ShowStatusTime(std::int64_t secondsUtc);
    // The file text of the receiver's states; a receiver fault stands in for it.
    void ShowFileText(const std::string& text);

    SettingsRecord& settings_;
    EngineControl& engine_;
    CAcqBoard& board_;
    UsbLibrary& library_;
    ReceiverStartup& startup_;
    CDspRecorder& recorder_;
    const StationLists* stations_;
    Notifier& notifier_;
    DisplayControl* displays_;
    DisplayControl noDisplays_;
    PlaybackPacing* pacing_;
    DisplayFeedControl* feed_;  // null: the engine's feed has no pace to set

    // The clock comes before the station panel, which reads it when built.
    FreeSpaceProbe freeSpace_;
    Clock clock_;
    PanelState panel_;
    StationPanelState stationPanel_;
    int lastBandSent_ = 255;
    // A front-end or centre change was kept from the receiver by the
    // retune-inhibit flag and must be sent when the receiver is the source again.
    bool receiverPending_ = false;  // 255: the first band computed is always sent
    std::string recordingPath_;
    std::string shownFileName_;
    std::string receiverFault_;
    // Whether a fault is shown, for the meter, which velorix-cli updates on
    // the engine's thread.
    std::atomic<bool> faulted_{false};
    // The station panel's lines changed during the running operation.
    bool stationRedraw_ = false;
};

template <typename F>
Outcome ReceiverController::Run(F&& body) {
    const PanelState before = panel_;
    // Operations nest (start-up selects the mode): an inner one reports its
    // own station-panel change and leaves the outer one's standing.
    const bool outerRedraw = stationRedraw_;
    stationRedraw_ = false;
    Outcome outcome;
    body(outcome);
    outcome.changes = Diff(before, panel_);
    outcome.stationPanelRedraw = stationRedraw_;
    stationRedraw_ = outerRedraw || stationRedraw_;
    return outcome;
}

}  // namespace velorix
