#pragma once

#include <cstdint>

#include "ControllerContext.h"

namespace velorix {

// Tuning: the centre frequency of the received band, the offset of the
// tuned frequency inside it, the steps and the "Center" mode. While the
// retune-inhibit flag is set (recording, or a file as the source) the
// receiver is not retuned; the change waits for the receiver to be the
// source again.
class TuningPart {
public:
    explicit TuningPart(ControllerContext& context) : c_(context) {}

    // --- Operations --------------------------------------------------------
    // Centre frequency, clamped to 0 … 40 000 000 Hz. With `retune` the
    // receiver and the displays follow (what the main display's double click
    // and the slide bar need); without, only the record and the readout.
    Outcome SetCenterFrequency(std::int64_t hz, bool retune = false);
    Outcome SetCenterFrequencyKHz(double kHz, bool retune = false);
    // Offset of the tuned frequency below the centre, Hz; sets the shifter.
    // Mouse tuning: brought within the shifter's reach rather than refused.
    Outcome SetTuningOffset(std::int64_t offsetHz);
    // Adds `hz` to the offset (the secondary display's drags and clicks).
    Outcome ShiftTuningOffset(double hz);
    Outcome StepCentre(bool up);                     // arrows 260 / 261
    Outcome StepCFStep(int delta);                   // arrows 186 / 187
    Outcome StepTuning(bool up);                     // arrows 270 / 271
    Outcome WheelOverDisplay(int delta);             // > 0 steps down
    Outcome WheelOverReadout(int delta, int digit);  // digit 0 (1 Hz) … 6 (1 MHz)
    Outcome StepWheelStep(int delta);                // arrows 188 / 189
    Outcome ToggleCenter();                          // "Center"
    // Frequency keypad; refused (accepted false) out of range.
    Outcome SetTunedFrequencyKHz(double kHz);
    // A remote client's tuning, whole Hz: live as the keypad; from a
    // recording anywhere it holds, up to half its rate from its centre.
    Outcome SetTunedFrequencyHz(std::int64_t hz);

    // --- Steps the other parts take ----------------------------------------
    // The centre in the record, readout, station panel, arrows and
    // preselector band; the receiver is not retuned.
    void SetCentre(std::int64_t hz);
    // The offset in the record, the shifter, readout and station panel.
    void SetOffset(int offsetHz);
    // The receiver (unless inhibited) and the displays follow the centre.
    void CentreChanged();
    // The band re-centred on the tuned frequency, offset 0.
    void Recentre();
    void RefreshCentreArrows();
    void RefreshCFStep();
    void RefreshWheelStep();
    void ApplyTuneMode(bool on);
    // Recording and playback tune by offset only, as "Center" switched off.
    void EnterOffsetOnlyTuning();

private:
    void RefreshReadout();
    // false beyond the offset limit.
    bool MoveOffset(int offsetHz);
    // Wheel or keypad steps: the centre while live, else the offset.
    void Step(std::int64_t hz, Outcome& o);
    // The tuned frequency: live the centre moves there; otherwise the offset,
    // refused beyond `offsetLimitHz`.
    bool TuneTo(std::int64_t hz, std::int64_t offsetLimitHz);

    ControllerContext& c_;
};

}  // namespace velorix
