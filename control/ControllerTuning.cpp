// Tuning: the centre frequency of the received band and the offset of the
// tuned frequency inside it.
#include <algorithm>
#include <cmath>

#include "ReceiverController.h"
#include "TuningTables.h"

namespace velorix {

namespace {

// Hz of a kHz value. A hair added before truncating, so that 7100.001 kHz is
// 7 100 001 Hz and not 7 100 000 through the binary rounding of the product.
std::int64_t KHzToHz(double kHz) {
    const double hz = kHz * 1000.0;
    return static_cast<std::int64_t>(std::trunc(hz + (hz >= 0.0 ? 1e-6 : -1e-6)));
}

}  // namespace

bool ReceiverController::IsLive() const {
    return !settings_.recording.load() && !settings_.fileLoaded.load() && !settings_.playing.load();
}

void ReceiverController::RefreshReadout() {
    const ReadoutText t = FormatReadout(settings_.TunedHz());
    panel_.SetText(label::kFreq, t.large);
    panel_.SetText(label::kFreqHz, t.small);
}

void ReceiverController::RefreshCentreArrows() {
    // Recording and the file source keep the centre where it is.
    const bool free = !settings_.retuneInhibit.load();
    panel_.Enable(ControlId::CentreDown, free && settings_.CenterFreq > kCenterFreqMinHz);
    panel_.Enable(ControlId::CentreUp, free && settings_.CenterFreq < kCenterFreqMaxHz);
}

void ReceiverController::SetCentre(std::int64_t hz) {
    settings_.CenterFreq =
        static_cast<int>(std::clamp<std::int64_t>(hz, kCenterFreqMinHz, kCenterFreqMaxHz));
    RefreshReadout();
    stationRedraw_ |= stationPanel_.SetFrequency(settings_.TunedHz());
    RefreshCentreArrows();
    UpdatePreselectorBand();
    engine_.ResetDemodulatorLock();
}

void ReceiverController::SetOffset(int offsetHz) {
    settings_.FreqOffset = offsetHz;
    engine_.SetTuningOffsetHz(offsetHz);
    RefreshReadout();
    stationRedraw_ |= stationPanel_.SetFrequency(settings_.TunedHz());
    engine_.ResetDemodulatorLock();
}

void ReceiverController::CentreChanged() {
    if (settings_.retuneInhibit.load())
        receiverPending_ = true;
    else
        board_.SetFrequency(settings_.CenterFreq * 0.001);
    displays_->OnCentreChanged();
}

bool ReceiverController::MoveOffset(int offsetHz) {
    if (!OffsetWithinLimit(offsetHz, settings_.outputRateKHz)) return false;
    SetOffset(offsetHz);
    CentreChanged();
    displays_->Redraw();
    return true;
}

void ReceiverController::Recentre() {
    // In whole Hz: the band re-centres exactly on the tuned frequency.
    const std::int64_t tuned = settings_.TunedHz();
    SetOffset(0);
    SetCentre(tuned);
}

void ReceiverController::RefreshCFStep() {
    const int idx = std::clamp(settings_.CFStepIdx, 0, 11);
    settings_.CFStepIdx = idx;
    panel_.SetText(label::kCFStep, CFStepText(kCFStepHz[static_cast<std::size_t>(idx)]));
    const bool free = !settings_.retuneInhibit.load();
    panel_.Enable(ControlId::CFStepDown, free && idx > 0);
    panel_.Enable(ControlId::CFStepUp, free && idx <= 10);
    RefreshCentreArrows();
}

void ReceiverController::RefreshWheelStep() {
    int& idx = settings_.DemWhStepIdx[std::clamp(settings_.DemIdx, 0, kModeCount - 1)];
    idx = std::clamp(idx, 0, 8);
    panel_.SetText(label::kWheelStep, WheelStepText(kWheelStepHz[static_cast<std::size_t>(idx)]));
    panel_.Enable(ControlId::WheelStepDown, idx > 0);
    panel_.Enable(ControlId::WheelStepUp, idx < 8);
}

void ReceiverController::RefreshCal() {
    const bool nominal = settings_.AdcSamplingRate == CAcqBoard::kDefaultAdcClockHz;
    panel_.Enable(ControlId::Cal, nominal);
    panel_.Enable(ControlId::CalClr, !nominal);
}

void ReceiverController::ApplyTuneMode(bool on) {
    settings_.TuneMode = on ? 1 : 0;
    panel_.Check(ControlId::Center, on);
    if (on) {
        Recentre();
        displays_->Redraw();
        CentreChanged();
        RefreshCal();
    } else {
        panel_.Enable(ControlId::Cal, false);
        panel_.Enable(ControlId::CalClr, false);
    }
}

Outcome ReceiverController::SetCenterFrequency(std::int64_t hz, bool retune) {
    return Run([&](Outcome&) {
        SetCentre(hz);
        if (retune) CentreChanged();
    });
}

Outcome ReceiverController::SetCenterFrequencyKHz(double kHz, bool retune) {
    if (!std::isfinite(kHz)) return Outcome{{}, false, false};
    return SetCenterFrequency(KHzToHz(std::clamp(kHz, -1e9, 1e9)), retune);
}

Outcome ReceiverController::SetTuningOffset(int offsetHz) {
    // Mouse tuning: brought within the shifter's reach rather than refused.
    return Run([&](Outcome&) { SetOffset(LimitOffsetHz(offsetHz, settings_.outputRateKHz)); });
}

Outcome ReceiverController::StepCentre(bool up) {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(up ? ControlId::CentreUp : ControlId::CentreDown)) {
            o.accepted = false;
            return;
        }
        const int step =
            kCFStepHz[static_cast<std::size_t>(std::clamp(settings_.CFStepIdx, 0, 11))];
        SetCentre(static_cast<std::int64_t>(settings_.CenterFreq) + (up ? step : -step));
        CentreChanged();
    });
}

Outcome ReceiverController::StepCFStep(int delta) {
    return Run([&](Outcome& o) {
        if (delta == 0 ||
            !panel_.Enabled(delta > 0 ? ControlId::CFStepUp : ControlId::CFStepDown)) {
            o.accepted = false;
            return;
        }
        settings_.CFStepIdx = std::clamp(settings_.CFStepIdx + (delta > 0 ? 1 : -1), 0, 11);
        RefreshCFStep();
    });
}

Outcome ReceiverController::WheelOverDisplay(int delta) {
    return Run([&](Outcome& o) {
        const bool down = delta > 0;
        const int idx =
            std::clamp(settings_.DemWhStepIdx[std::clamp(settings_.DemIdx, 0, 8)], 0, 8);
        const int step = kWheelStepHz[static_cast<std::size_t>(idx)];
        if (IsLive()) {
            SetCentre(static_cast<std::int64_t>(settings_.CenterFreq) + (down ? -step : step));
            CentreChanged();
            return;
        }
        const long long offset =
            static_cast<long long>(settings_.FreqOffset) + (down ? step : -step);
        if (offset > 2147483647LL || offset < -2147483647LL ||
            !MoveOffset(static_cast<int>(offset)))
            o.accepted = false;
    });
}

Outcome ReceiverController::StepTuning(bool up) {
    if (!panel_.Enabled(up ? ControlId::StepUp : ControlId::StepDown))
        return Outcome{{}, false, false};
    return WheelOverDisplay(up ? -1 : 1);
}

Outcome ReceiverController::WheelOverReadout(int delta, int digit) {
    return Run([&](Outcome& o) {
        digit = std::clamp(digit, 0, 6);
        int v = 1;
        for (int i = 0; i < digit; ++i)
            v *= 10;
        if (delta > 0) v = -v;
        if (IsLive()) {
            SetCentre(static_cast<std::int64_t>(settings_.CenterFreq) + v);
            CentreChanged();
            return;
        }
        const long long offset = static_cast<long long>(settings_.FreqOffset) - v;
        if (offset > 2147483647LL || offset < -2147483647LL ||
            !MoveOffset(static_cast<int>(offset)))
            o.accepted = false;
    });
}

Outcome ReceiverController::StepWheelStep(int delta) {
    return Run([&](Outcome& o) {
        if (delta == 0 ||
            !panel_.Enabled(delta > 0 ? ControlId::WheelStepUp : ControlId::WheelStepDown)) {
            o.accepted = false;
            return;
        }
        int& idx = settings_.DemWhStepIdx[std::clamp(settings_.DemIdx, 0, kModeCount - 1)];
        idx = std::clamp(idx + (delta > 0 ? 1 : -1), 0, 8);
        RefreshWheelStep();
    });
}

Outcome ReceiverController::ToggleCenter() {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(ControlId::Center)) {
            o.accepted = false;
            return;
        }
        ApplyTuneMode(!panel_.Checked(ControlId::Center));
    });
}

Outcome ReceiverController::SetTunedFrequencyKHz(double kHz) {
    return Run([&](Outcome& o) {
        if (!std::isfinite(kHz)) {
            o.accepted = false;
            return;
        }
        if (IsLive()) {
            if (kHz < 0.0 || kHz > kCenterFreqMaxHz * 0.001) {
                o.accepted = false;
                return;
            }
            SetCentre(KHzToHz(kHz));
            SetOffset(0);
            CentreChanged();
            displays_->Redraw();
            return;
        }
        // Only as far as the step operations go: beyond half the rate the
        // shifter would fold the band and play another frequency than shown.
        const std::int64_t offset = settings_.CenterFreq - KHzToHz(std::clamp(kHz, -1e9, 1e9));
        if (!OffsetWithinLimit(offset, settings_.outputRateKHz)) {
            o.accepted = false;
            return;
        }
        SetOffset(static_cast<int>(offset));
        CentreChanged();
        displays_->Redraw();
    });
}

}  // namespace velorix
