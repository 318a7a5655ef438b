#include "TuningPart.h"

#include <algorithm>
#include <cmath>

#include "DisplaysPart.h"
#include "FrontEndPart.h"
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

void TuningPart::RefreshReadout() {
    const ReadoutText t = FormatReadout(c_.settings.TunedHz());
    c_.panel.SetText(label::kFreq, t.large);
    c_.panel.SetText(label::kFreqHz, t.small);
}

void TuningPart::RefreshCentreArrows() {
    // Recording and the file source keep the centre where it is.
    const bool free = !c_.settings.retuneInhibit.load();
    c_.panel.Enable(ControlId::CentreDown, free && c_.settings.CenterFreq > kCenterFreqMinHz);
    c_.panel.Enable(ControlId::CentreUp, free && c_.settings.CenterFreq < kCenterFreqMaxHz);
}

void TuningPart::SetCentre(std::int64_t hz) {
    c_.settings.CenterFreq =
        static_cast<int>(std::clamp<std::int64_t>(hz, kCenterFreqMinHz, kCenterFreqMaxHz));
    RefreshReadout();
    c_.stationRedraw |= c_.stationPanel.SetFrequency(c_.settings.TunedHz());
    RefreshCentreArrows();
    c_.frontEnd->UpdatePreselectorBand();
    c_.engine.ResetDemodulatorLock();
}

void TuningPart::SetOffset(int offsetHz) {
    c_.settings.FreqOffset = offsetHz;
    c_.engine.SetTuningOffsetHz(offsetHz);
    RefreshReadout();
    c_.stationRedraw |= c_.stationPanel.SetFrequency(c_.settings.TunedHz());
    c_.engine.ResetDemodulatorLock();
}

void TuningPart::CentreChanged() {
    if (c_.settings.retuneInhibit.load())
        c_.receiverPending = true;
    else
        c_.board.SetFrequency(c_.settings.CenterFreq * 0.001);
    c_.displays->CentreChanged();
}

bool TuningPart::MoveOffset(int offsetHz) {
    if (!OffsetWithinLimit(offsetHz, c_.settings.outputRateKHz)) return false;
    SetOffset(offsetHz);
    CentreChanged();
    return true;
}

void TuningPart::Recentre() {
    // In whole Hz: the band re-centres exactly on the tuned frequency.
    const std::int64_t tuned = c_.settings.TunedHz();
    SetOffset(0);
    SetCentre(tuned);
}

void TuningPart::RefreshCFStep() {
    const int idx = std::clamp(c_.settings.CFStepIdx, 0, 11);
    c_.settings.CFStepIdx = idx;
    c_.panel.SetText(label::kCFStep, CFStepText(kCFStepHz[static_cast<std::size_t>(idx)]));
    const bool free = !c_.settings.retuneInhibit.load();
    c_.panel.Enable(ControlId::CFStepDown, free && idx > 0);
    c_.panel.Enable(ControlId::CFStepUp, free && idx <= 10);
    RefreshCentreArrows();
}

void TuningPart::RefreshWheelStep() {
    int& idx = c_.settings.DemWhStepIdx[c_.Mode()];
    idx = std::clamp(idx, 0, 8);
    c_.panel.SetText(label::kWheelStep, WheelStepText(kWheelStepHz[static_cast<std::size_t>(idx)]));
    c_.panel.Enable(ControlId::WheelStepDown, idx > 0);
    c_.panel.Enable(ControlId::WheelStepUp, idx < 8);
}

void TuningPart::ApplyTuneMode(bool on) {
    c_.settings.TuneMode = on ? 1 : 0;
    c_.panel.Check(ControlId::Center, on);
    if (on) {
        Recentre();
        CentreChanged();
        c_.frontEnd->RefreshCal();
    } else {
        c_.panel.Enable(ControlId::Cal, false);
        c_.panel.Enable(ControlId::CalClr, false);
    }
}

void TuningPart::EnterOffsetOnlyTuning() {
    // The calibration, which retunes the receiver, is not offered either.
    c_.panel.Enable(ControlId::Center, false);
    c_.settings.TuneMode = 0;
    c_.panel.Check(ControlId::Center, false);
    c_.panel.Enable(ControlId::Cal, false);
    c_.panel.Enable(ControlId::CalClr, false);
    c_.displays->SetFreeScroll(false);
}

void TuningPart::Step(std::int64_t hz, Outcome& o) {
    if (c_.IsLive()) {
        SetCentre(static_cast<std::int64_t>(c_.settings.CenterFreq) + hz);
        CentreChanged();
        return;
    }
    const std::int64_t offset = c_.settings.FreqOffset - hz;
    if (offset > 2147483647LL || offset < -2147483647LL || !MoveOffset(static_cast<int>(offset)))
        o.accepted = false;
}

Outcome TuningPart::SetCenterFrequency(std::int64_t hz, bool retune) {
    return c_.Run([&](Outcome&) {
        SetCentre(hz);
        if (retune) CentreChanged();
    });
}

Outcome TuningPart::SetCenterFrequencyKHz(double kHz, bool retune) {
    if (!std::isfinite(kHz)) return Outcome::Refused();
    return SetCenterFrequency(KHzToHz(std::clamp(kHz, -1e9, 1e9)), retune);
}

Outcome TuningPart::SetTuningOffset(std::int64_t offsetHz) {
    return c_.Run([&](Outcome&) { SetOffset(LimitOffsetHz(offsetHz, c_.settings.outputRateKHz)); });
}

Outcome TuningPart::ShiftTuningOffset(double hz) {
    if (!std::isfinite(hz)) return Outcome::Refused();
    return SetTuningOffset(c_.settings.FreqOffset + std::llround(std::clamp(hz, -1e12, 1e12)));
}

Outcome TuningPart::StepCentre(bool up) {
    return c_.Run([&](Outcome& o) {
        if (!c_.panel.Enabled(up ? ControlId::CentreUp : ControlId::CentreDown)) {
            o.accepted = false;
            return;
        }
        const int step =
            kCFStepHz[static_cast<std::size_t>(std::clamp(c_.settings.CFStepIdx, 0, 11))];
        SetCentre(static_cast<std::int64_t>(c_.settings.CenterFreq) + (up ? step : -step));
        CentreChanged();
    });
}

Outcome TuningPart::StepCFStep(int delta) {
    return c_.Run([&](Outcome& o) {
        if (delta == 0 ||
            !c_.panel.Enabled(delta > 0 ? ControlId::CFStepUp : ControlId::CFStepDown)) {
            o.accepted = false;
            return;
        }
        c_.settings.CFStepIdx = std::clamp(c_.settings.CFStepIdx + (delta > 0 ? 1 : -1), 0, 11);
        RefreshCFStep();
    });
}

Outcome TuningPart::WheelOverDisplay(int delta) {
    return c_.Run([&](Outcome& o) {
        const int idx = std::clamp(c_.settings.DemWhStepIdx[c_.Mode()], 0, 8);
        const int step = kWheelStepHz[static_cast<std::size_t>(idx)];
        Step(delta > 0 ? -step : step, o);
    });
}

Outcome TuningPart::StepTuning(bool up) {
    if (!c_.panel.Enabled(up ? ControlId::StepUp : ControlId::StepDown)) return Outcome::Refused();
    return WheelOverDisplay(up ? -1 : 1);
}

Outcome TuningPart::WheelOverReadout(int delta, int digit) {
    return c_.Run([&](Outcome& o) {
        std::int64_t v = 1;
        for (int i = 0; i < std::clamp(digit, 0, 6); ++i)
            v *= 10;
        Step(delta > 0 ? -v : v, o);
    });
}

Outcome TuningPart::StepWheelStep(int delta) {
    return c_.Run([&](Outcome& o) {
        if (delta == 0 ||
            !c_.panel.Enabled(delta > 0 ? ControlId::WheelStepUp : ControlId::WheelStepDown)) {
            o.accepted = false;
            return;
        }
        int& idx = c_.settings.DemWhStepIdx[c_.Mode()];
        idx = std::clamp(idx + (delta > 0 ? 1 : -1), 0, 8);
        RefreshWheelStep();
    });
}

Outcome TuningPart::ToggleCenter() {
    return c_.Run([&](Outcome& o) {
        if (!c_.panel.Enabled(ControlId::Center)) {
            o.accepted = false;
            return;
        }
        ApplyTuneMode(!c_.panel.Checked(ControlId::Center));
    });
}

bool TuningPart::TuneTo(std::int64_t hz, std::int64_t offsetLimitHz) {
    if (c_.IsLive()) {
        if (hz < kCenterFreqMinHz || hz > kCenterFreqMaxHz) return false;
        SetCentre(hz);
        SetOffset(0);
        CentreChanged();
        return true;
    }
    const std::int64_t offset = c_.settings.CenterFreq - std::clamp<std::int64_t>(hz, -1e9, 1e9);
    if (offset < -offsetLimitHz || offset > offsetLimitHz) return false;
    SetOffset(static_cast<int>(offset));
    CentreChanged();
    return true;
}

Outcome TuningPart::SetTunedFrequencyKHz(double kHz) {
    return c_.Run([&](Outcome& o) {
        // Only as far as the step operations go: beyond half the rate the
        // shifter would fold the band and play another frequency than shown.
        o.accepted =
            std::isfinite(kHz) && (!c_.IsLive() || kHz >= 0.0) &&
            TuneTo(KHzToHz(std::clamp(kHz, -1e9, 1e9)), OffsetLimitHz(c_.settings.outputRateKHz));
    });
}

Outcome TuningPart::SetTunedFrequencyHz(std::int64_t hz) {
    return c_.Run([&](Outcome& o) {
        // Up to half the rate: a recording holds that much either side, and
        // a shifter at exactly half the rate still plays the band's edge.
        o.accepted =
            TuneTo(hz, static_cast<std::int64_t>(std::trunc(c_.settings.outputRateKHz * 500.0)));
    });
}

}  // namespace velorix
