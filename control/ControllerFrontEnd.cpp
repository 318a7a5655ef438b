// The receiver's front end: attenuator, preamp and dither, preselector,
// output rate and the ADC clock calibration.
#include <algorithm>
#include <climits>
#include <cmath>

#include "DisplayTables.h"
#include "ReceiverController.h"
#include "TuningTables.h"

namespace velorix {

void ReceiverController::ApplyAttenuator(int idx) {
    idx = std::clamp(idx, 0, 3);
    settings_.AttenuatorIdx = idx;
    panel_.CheckRadio(ControlId::Att0, 4, idx);
    if (settings_.retuneInhibit.load()) {
        receiverPending_ = true;
        return;
    }
    // A pre-production unit has its attenuator steps wired in reverse.
    library_.SetAttenuator(startup_.AttenuatorStepToSend(idx));
}

void ReceiverController::UpdatePreampDither() {
    settings_.levelOffsetDb = settings_.AdcPreamp ? -7.5 : -4.0;
    if (settings_.retuneInhibit.load()) {
        receiverPending_ = true;
        return;
    }
    board_.SetPreampDither(settings_.AdcPreamp, settings_.AdcDither);
}

void ReceiverController::UpdatePreselectorBand() {
    const int band = PreselectorBandFor(settings_.CenterFreq, settings_.Preselector != 0);
    settings_.preselectorBand.store(band);
    // A band computed while inhibited is sent when the receiver is the source again.
    if (settings_.retuneInhibit.load()) {
        receiverPending_ = true;
        return;
    }
    if (band == lastBandSent_) return;
    library_.SetPreselector(band);
    lastBandSent_ = band;
}

void ReceiverController::SendFrontEndNow() {
    UpdatePreampDither();
    ApplyAttenuator(settings_.AttenuatorIdx);
    UpdatePreselectorBand();
}

void ReceiverController::ShowFrontEndChecks() {
    panel_.CheckRadio(ControlId::Att0, 4, std::clamp(settings_.AttenuatorIdx, 0, 3));
    panel_.Check(ControlId::Preamp, settings_.AdcPreamp != 0);
    panel_.Check(ControlId::Dither, settings_.AdcDither != 0);
    panel_.Check(ControlId::Presel, settings_.Preselector != 0);
}

void ReceiverController::EnableFrontEnd(bool on) {
    panel_.Enable(ControlId::Presel, on);
    panel_.Enable(ControlId::Dither, on);
    panel_.Enable(ControlId::Preamp, on);
    panel_.EnableGroup(ControlId::Att0, 4, on);
}

bool ReceiverController::ApplyRate(bool restart, Outcome& outcome) {
    const int idx = std::clamp(settings_.DdcSamplingRateIdx, 0, kRateCount - 1);
    settings_.DdcSamplingRateIdx = idx;
    settings_.outputRateKHz = kOutputRatesKHz[static_cast<std::size_t>(idx)];
    panel_.CheckRadio(ControlId::Rate125, kRateCount, idx);
    const auto reroute = [this] {
        engine_.SetBandwidth(settings_.DemBwIdx[std::clamp(settings_.DemIdx, 0, kModeCount - 1)]);
    };
    if (settings_.retuneInhibit.load()) {
        // A file's rate: the chain is routed for it, the receiver is left alone.
        reroute();
    } else {
        bool configured = false;
        const bool receiverIsSource = !settings_.fileLoaded.load() && !settings_.recording.load();
        const bool started = startup_.ConfigureRate(
            idx, &board_, restart,
            [&] {
                configured = true;
                engine_.RestartDisplays();
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
    if (restart) displays_->Reconfigure();
    return true;
}

Outcome ReceiverController::SelectAttenuator(int idx) {
    return Run([&](Outcome& o) {
        if (idx < 0 || idx > 3 || !panel_.Enabled(Offset(ControlId::Att0, idx))) {
            o.accepted = false;
            return;
        }
        ApplyAttenuator(idx);
    });
}

Outcome ReceiverController::TogglePreamp() {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(ControlId::Preamp)) {
            o.accepted = false;
            return;
        }
        const bool on = !panel_.Checked(ControlId::Preamp);
        settings_.AdcPreamp = on ? 1 : 0;
        panel_.Check(ControlId::Preamp, on);
        UpdatePreampDither();
    });
}

Outcome ReceiverController::ToggleDither() {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(ControlId::Dither)) {
            o.accepted = false;
            return;
        }
        const bool on = !panel_.Checked(ControlId::Dither);
        settings_.AdcDither = on ? 1 : 0;
        panel_.Check(ControlId::Dither, on);
        UpdatePreampDither();
    });
}

Outcome ReceiverController::TogglePreselector() {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(ControlId::Presel)) {
            o.accepted = false;
            return;
        }
        const bool on = !panel_.Checked(ControlId::Presel);
        settings_.Preselector = on ? 1 : 0;
        panel_.Check(ControlId::Presel, on);
        UpdatePreselectorBand();
    });
}

Outcome ReceiverController::SelectRate(int rateIdx) {
    return Run([&](Outcome& o) {
        if (rateIdx < 0 || rateIdx >= kRateCount ||
            !panel_.Enabled(Offset(ControlId::Rate125, rateIdx))) {
            o.accepted = false;
            return;
        }
        settings_.DdcSamplingRateIdx = rateIdx;
        if (!ApplyRate(true, o)) return;
        Recentre();
        displays_->Redraw();
        CentreChanged();
        RefreshSpan();
    });
}

Outcome ReceiverController::Cal() {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(ControlId::Cal) || settings_.CenterFreq <= 0) {
            // No whole-kHz reference at 0 Hz: nothing to calibrate against.
            o.accepted = false;
            return;
        }
        const double a = settings_.CenterFreq * 0.001;
        const double b = std::floor(a + 0.5);
        const double clockKHz = board_.GetAdcClockKHz() * b / a;
        // Below 500 Hz the nearest whole kHz is 0, which would stop the clock.
        if (b <= 0.0 || !(clockKHz * 1000.0 >= 1.0) || clockKHz * 1000.0 >= INT_MAX) {
            o.accepted = false;
            return;
        }
        board_.SetAdcClockKHz(clockKHz);
        SetCentre(static_cast<std::int64_t>(b) * 1000);
        CentreChanged();
        RefreshCal();
    });
}

Outcome ReceiverController::CalClr() {
    return Run([&](Outcome& o) {
        if (!panel_.Enabled(ControlId::CalClr)) {
            o.accepted = false;
            return;
        }
        board_.ResetAdcClock();
        CentreChanged();
        RefreshCal();
    });
}

}  // namespace velorix
