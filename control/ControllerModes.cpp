// Demodulation modes with their remembered filter, AGC speed and wheel step;
// noise blanker, noise reduction and audio.
#include <algorithm>

#include "ReceiverController.h"

namespace velorix {

namespace {
int ModeOf(const SettingsRecord& s) {
    return std::clamp(s.DemIdx, 0, kModeCount - 1);
}
}  // namespace

void ReceiverController::ApplyFilter(int filter) {
    const int mode = ModeOf(settings_);
    filter = std::clamp(filter, 0, kFilterCount - 1);
    settings_.DemBwIdx[mode] = filter;
    panel_.CheckRadio(ControlId::Filter0, kFilterCount, filter);
    engine_.SetBandwidth(filter);
    const int centreHz = settings_.FltFc[mode][filter];
    const int widthHz = settings_.FltBw[mode][filter];
    engine_.SetPassbandHz(centreHz, widthHz);
    // The filter's rate may have changed with it: the secondary display's
    // scale and both displays' band follow.
    const double rateHz = engine_.BandPassRateKHz() * 1000.0;
    if (rateHz > 0.0)
        displays_->OnPassbandChanged((centreHz - widthHz / 2) / rateHz,
                                     (centreHz + widthHz / 2) / rateHz);
}

void ReceiverController::ApplyAgc(int agc) {
    agc = std::clamp(agc, 0, 3);
    settings_.DemAgcIdx[ModeOf(settings_)] = agc;
    panel_.CheckRadio(ControlId::Agc0, 4, agc);
    engine_.SetAgcChoice(agc);
}

void ReceiverController::ApplyNoiseBlanker(bool on) {
    panel_.Check(ControlId::NoiseBlanker, on);
    panel_.Enable(ControlId::NoiseBlankerSlider, on);
    engine_.SetNoiseBlankerEnabled(on);
}

void ReceiverController::ApplyNoiseReduction(bool on) {
    panel_.Check(ControlId::NoiseReduction, on);
    panel_.Enable(ControlId::NoiseRedSlider, on);
    engine_.SetNoiseReductionEnabled(on);
}

void ReceiverController::ApplyAudio(bool on) {
    panel_.Check(ControlId::Audio, on);
    panel_.Enable(ControlId::VolumeSlider, on);
    engine_.SetMuted(!on);
}

Outcome ReceiverController::SelectMode(int mode) {
    return Run([&](Outcome& o) {
        if (mode < 0 || mode >= kModeCount) {
            o.accepted = false;
            return;
        }
        settings_.DemIdx = mode;
        panel_.CheckRadio(ControlId::Mode0, kModeCount, mode);
        ApplyFilter(settings_.DemBwIdx[mode]);
        engine_.SetMode(mode);
        displays_->OnModeChanged();
        ApplyAgc(settings_.DemAgcIdx[mode]);
        RefreshWheelStep();
        // DRM and USER feed decoders from the virtual cable: no speaker.
        ApplyAudio(mode != 7 && mode != 8);
    });
}

Outcome ReceiverController::SelectFilter(int filter) {
    return Run([&](Outcome& o) {
        if (filter < 0 || filter >= kFilterCount) {
            o.accepted = false;
            return;
        }
        ApplyFilter(filter);
    });
}

Outcome ReceiverController::SelectAgc(int agc) {
    return Run([&](Outcome& o) {
        if (agc < 0 || agc > 3) {
            o.accepted = false;
            return;
        }
        ApplyAgc(agc);
    });
}

Outcome ReceiverController::SetNoiseBlanker(bool on) {
    return Run([&](Outcome&) { ApplyNoiseBlanker(on); });
}

Outcome ReceiverController::ToggleNoiseBlanker() {
    return SetNoiseBlanker(!panel_.Checked(ControlId::NoiseBlanker));
}

Outcome ReceiverController::SetNBVal(int value) {
    return Run([&](Outcome&) {
        settings_.NBVal = std::clamp(value, -200, -50);
        panel_.SetSlider(ControlId::NoiseBlankerSlider, settings_.NBVal);
        engine_.SetNoiseBlankerThreshold(settings_.NBVal);
    });
}

Outcome ReceiverController::SetNoiseReduction(bool on) {
    return Run([&](Outcome&) { ApplyNoiseReduction(on); });
}

Outcome ReceiverController::SetNRVal(int value) {
    return Run([&](Outcome&) {
        settings_.NRVal = std::clamp(value, 0, 200);
        panel_.SetSlider(ControlId::NoiseRedSlider, settings_.NRVal);
        engine_.SetNoiseReductionStepDb(settings_.NRVal * 0.1);
    });
}

Outcome ReceiverController::SetAudio(bool on) {
    return Run([&](Outcome&) { ApplyAudio(on); });
}

Outcome ReceiverController::ToggleAudio() {
    return SetAudio(!panel_.Checked(ControlId::Audio));
}

Outcome ReceiverController::SetVolVal(int value) {
    return Run([&](Outcome&) {
        settings_.VolVal = std::clamp(value, -400, 0);
        panel_.SetSlider(ControlId::VolumeSlider, settings_.VolVal);
        engine_.SetVolumeDb(settings_.VolVal * 0.1);
    });
}

}  // namespace velorix
