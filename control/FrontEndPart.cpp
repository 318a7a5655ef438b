#include "FrontEndPart.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "DisplaysPart.h"
#include "PreselectorBands.h"
#include "TuningPart.h"

namespace velorix {

void FrontEndPart::ApplyAttenuator(int idx) {
    idx = std::clamp(idx, 0, 3);
    c_.settings.AttenuatorIdx = idx;
    c_.panel.CheckRadio(ControlId::Att0, 4, idx);
    if (c_.settings.retuneInhibit.load()) {
        c_.receiverPending = true;
        return;
    }
    // A pre-production unit has its attenuator steps wired in reverse.
    c_.library.SetAttenuator(c_.startup.AttenuatorStepToSend(idx));
}

void FrontEndPart::UpdatePreampDither() {
    c_.settings.levelOffsetDb = c_.settings.AdcPreamp ? -7.5 : -4.0;
    if (c_.settings.retuneInhibit.load()) {
        c_.receiverPending = true;
        return;
    }
    c_.board.SetPreampDither(c_.settings.AdcPreamp, c_.settings.AdcDither);
}

void FrontEndPart::UpdatePreselectorBand() {
    const int band = PreselectorBandFor(c_.settings.CenterFreq, c_.settings.Preselector != 0);
    c_.settings.preselectorBand.store(band);
    // A band computed while inhibited is sent when the receiver is the source again.
    if (c_.settings.retuneInhibit.load()) {
        c_.receiverPending = true;
        return;
    }
    if (band == c_.lastBandSent) return;
    c_.library.SetPreselector(band);
    c_.lastBandSent = band;
}

void FrontEndPart::SendFrontEndNow() {
    UpdatePreampDither();
    ApplyAttenuator(c_.settings.AttenuatorIdx);
    UpdatePreselectorBand();
}

void FrontEndPart::ShowFrontEndChecks() {
    c_.panel.CheckRadio(ControlId::Att0, 4, std::clamp(c_.settings.AttenuatorIdx, 0, 3));
    c_.panel.Check(ControlId::Preamp, c_.settings.AdcPreamp != 0);
    c_.panel.Check(ControlId::Dither, c_.settings.AdcDither != 0);
    c_.panel.Check(ControlId::Presel, c_.settings.Preselector != 0);
}

void FrontEndPart::EnableFrontEnd(bool on) {
    c_.panel.Enable(ControlId::Presel, on);
    c_.panel.Enable(ControlId::Dither, on);
    c_.panel.Enable(ControlId::Preamp, on);
    c_.panel.EnableGroup(ControlId::Att0, 4, on);
}

void FrontEndPart::RefreshCal() {
    const bool nominal = c_.settings.AdcSamplingRate == CAcqBoard::kDefaultAdcClockHz;
    c_.panel.Enable(ControlId::Cal, nominal);
    c_.panel.Enable(ControlId::CalClr, !nominal);
}

bool FrontEndPart::ApplyRate(bool restart, Outcome& outcome) {
    const int idx = std::clamp(c_.settings.DdcSamplingRateIdx, 0, kRateCount - 1);
    c_.settings.DdcSamplingRateIdx = idx;
    c_.settings.outputRateKHz = kOutputRatesKHz[static_cast<std::size_t>(idx)];
    c_.panel.CheckRadio(ControlId::Rate125, kRateCount, idx);
    const auto reroute = [this] { c_.engine.SetBandwidth(c_.settings.DemBwIdx[c_.Mode()]); };
    if (c_.settings.retuneInhibit.load()) {
        // A file's rate: the chain is routed for it, the receiver is left alone.
        reroute();
    } else {
        bool configured = false;
        const bool receiverIsSource =
            !c_.settings.fileLoaded.load() && !c_.settings.recording.load();
        const bool started = c_.startup.ConfigureRate(
            idx, &c_.board, restart,
            [&] {
                configured = true;
                c_.engine.RestartDisplays();
                reroute();
            },
            receiverIsSource);
        if (!configured) {
            // The start-up layer has shown "... not found" or "Bitstream load error".
            outcome.fatal = true;
            outcome.accepted = false;
            return false;
        }
        if (!started) outcome.accepted = false;  // acquisition did not start again
    }
    if (restart) c_.displays->Reconfigure();
    return true;
}

Outcome FrontEndPart::SelectAttenuator(int idx) {
    return c_.Run([&](Outcome& o) {
        if (idx < 0 || idx > 3 || !c_.panel.Enabled(Offset(ControlId::Att0, idx))) {
            o.accepted = false;
            return;
        }
        ApplyAttenuator(idx);
    });
}

Outcome FrontEndPart::Toggle(ControlId box, int& key, void (FrontEndPart::*update)()) {
    return c_.Run([&](Outcome& o) {
        if (!c_.panel.Enabled(box)) {
            o.accepted = false;
            return;
        }
        const bool on = !c_.panel.Checked(box);
        key = on ? 1 : 0;
        c_.panel.Check(box, on);
        (this->*update)();
    });
}

Outcome FrontEndPart::TogglePreamp() {
    return Toggle(ControlId::Preamp, c_.settings.AdcPreamp, &FrontEndPart::UpdatePreampDither);
}

Outcome FrontEndPart::ToggleDither() {
    return Toggle(ControlId::Dither, c_.settings.AdcDither, &FrontEndPart::UpdatePreampDither);
}

Outcome FrontEndPart::TogglePreselector() {
    return Toggle(ControlId::Presel, c_.settings.Preselector, &FrontEndPart::UpdatePreselectorBand);
}

Outcome FrontEndPart::SelectRate(int rateIdx) {
    return c_.Run([&](Outcome& o) {
        if (rateIdx < 0 || rateIdx >= kRateCount ||
            !c_.panel.Enabled(Offset(ControlId::Rate125, rateIdx))) {
            o.accepted = false;
            return;
        }
        c_.settings.DdcSamplingRateIdx = rateIdx;
        if (!ApplyRate(true, o)) return;
        c_.tuning->Recentre();
        c_.tuning->CentreChanged();
        c_.displays->RefreshSpan();
    });
}

Outcome FrontEndPart::Cal() {
    return c_.Run([&](Outcome& o) {
        if (!c_.panel.Enabled(ControlId::Cal) || c_.settings.CenterFreq <= 0) {
            // No whole-kHz reference at 0 Hz: nothing to calibrate against.
            o.accepted = false;
            return;
        }
        const double a = c_.settings.CenterFreq * 0.001;
        const double b = std::floor(a + 0.5);
        const double clockKHz = c_.board.GetAdcClockKHz() * b / a;
        // Below 500 Hz the nearest whole kHz is 0, which would stop the clock.
        if (b <= 0.0 || !(clockKHz * 1000.0 >= 1.0) || clockKHz * 1000.0 >= INT_MAX) {
            o.accepted = false;
            return;
        }
        c_.board.SetAdcClockKHz(clockKHz);
        c_.tuning->SetCentre(static_cast<std::int64_t>(b) * 1000);
        c_.tuning->CentreChanged();
        RefreshCal();
    });
}

Outcome FrontEndPart::CalClr() {
    return c_.Run([&](Outcome& o) {
        if (!c_.panel.Enabled(ControlId::CalClr)) {
            o.accepted = false;
            return;
        }
        c_.board.ResetAdcClock();
        c_.tuning->CentreChanged();
        RefreshCal();
    });
}

}  // namespace velorix
