#include "DemodulatorPart.h"

#include <algorithm>

#include "DisplaysPart.h"
#include "TuningPart.h"

namespace velorix {

void DemodulatorPart::ApplyFilter(int filter) {
    const int mode = c_.Mode();
    filter = std::clamp(filter, 0, kFilterCount - 1);
    c_.settings.DemBwIdx[mode] = filter;
    c_.panel.CheckRadio(ControlId::Filter0, kFilterCount, filter);
    c_.engine.SetBandwidth(filter);
    const int centreHz = c_.settings.FltFc[mode][filter];
    const int widthHz = c_.settings.FltBw[mode][filter];
    c_.engine.SetPassbandHz(centreHz, widthHz);
    // The filter's rate may have changed with it: the secondary display's
    // scale and both displays' band follow.
    const double rateHz = c_.engine.BandPassRateKHz() * 1000.0;
    if (rateHz > 0.0)
        c_.displays->SetEdges((centreHz - widthHz / 2) / rateHz, (centreHz + widthHz / 2) / rateHz);
}

void DemodulatorPart::ApplyAgc(int agc) {
    agc = std::clamp(agc, 0, 3);
    c_.settings.DemAgcIdx[c_.Mode()] = agc;
    c_.panel.CheckRadio(ControlId::Agc0, 4, agc);
    c_.engine.SetAgcChoice(agc);
}

void DemodulatorPart::ApplyNoiseBlanker(bool on) {
    c_.panel.Check(ControlId::NoiseBlanker, on);
    c_.panel.Enable(ControlId::NoiseBlankerSlider, on);
    c_.engine.SetNoiseBlankerEnabled(on);
}

void DemodulatorPart::ApplyNoiseReduction(bool on) {
    c_.panel.Check(ControlId::NoiseReduction, on);
    c_.panel.Enable(ControlId::NoiseRedSlider, on);
    c_.engine.SetNoiseReductionEnabled(on);
}

void DemodulatorPart::ApplyAudio(bool on) {
    c_.panel.Check(ControlId::Audio, on);
    c_.panel.Enable(ControlId::VolumeSlider, on);
    c_.engine.SetMuted(!on);
}

void DemodulatorPart::ApplySliderValues() {
    c_.panel.SetSlider(ControlId::NoiseBlankerSlider, c_.settings.NBVal);
    c_.panel.SetSlider(ControlId::NoiseRedSlider, c_.settings.NRVal);
    c_.panel.SetSlider(ControlId::VolumeSlider, c_.settings.VolVal);
    c_.engine.SetNoiseBlankerThreshold(c_.settings.NBVal);
    c_.engine.SetNoiseReductionStepDb(c_.settings.NRVal * 0.1);
    c_.engine.SetVolumeDb(c_.settings.VolVal * 0.1);
}

Outcome DemodulatorPart::SelectMode(int mode) {
    return c_.Run([&](Outcome& o) {
        if (mode < 0 || mode >= kModeCount) {
            o.accepted = false;
            return;
        }
        c_.settings.DemIdx = mode;
        c_.panel.CheckRadio(ControlId::Mode0, kModeCount, mode);
        ApplyFilter(c_.settings.DemBwIdx[mode]);
        // The carrier offset may move with the mode (USB +1500 Hz, LSB
        // -1500 Hz): the displays follow when the operation ends.
        c_.engine.SetMode(mode);
        ApplyAgc(c_.settings.DemAgcIdx[mode]);
        c_.tuning->RefreshWheelStep();
        // DRM and USER feed decoders from the virtual cable: no speaker.
        ApplyAudio(mode != 7 && mode != 8);
    });
}

Outcome DemodulatorPart::SelectFilter(int filter) {
    return c_.Run([&](Outcome& o) {
        if (filter < 0 || filter >= kFilterCount) {
            o.accepted = false;
            return;
        }
        ApplyFilter(filter);
    });
}

Outcome DemodulatorPart::SelectAgc(int agc) {
    return c_.Run([&](Outcome& o) {
        if (agc < 0 || agc > 3) {
            o.accepted = false;
            return;
        }
        ApplyAgc(agc);
    });
}

Outcome DemodulatorPart::SetNoiseBlanker(bool on) {
    return c_.Run([&](Outcome&) { ApplyNoiseBlanker(on); });
}

Outcome DemodulatorPart::ToggleNoiseBlanker() {
    return SetNoiseBlanker(!c_.panel.Checked(ControlId::NoiseBlanker));
}

Outcome DemodulatorPart::SetNBVal(int value) {
    return c_.Run([&](Outcome&) {
        c_.settings.NBVal = std::clamp(value, -200, -50);
        c_.panel.SetSlider(ControlId::NoiseBlankerSlider, c_.settings.NBVal);
        c_.engine.SetNoiseBlankerThreshold(c_.settings.NBVal);
    });
}

Outcome DemodulatorPart::SetNoiseReduction(bool on) {
    return c_.Run([&](Outcome&) { ApplyNoiseReduction(on); });
}

Outcome DemodulatorPart::SetNRVal(int value) {
    return c_.Run([&](Outcome&) {
        c_.settings.NRVal = std::clamp(value, 0, 200);
        c_.panel.SetSlider(ControlId::NoiseRedSlider, c_.settings.NRVal);
        c_.engine.SetNoiseReductionStepDb(c_.settings.NRVal * 0.1);
    });
}

Outcome DemodulatorPart::SetAudio(bool on) {
    return c_.Run([&](Outcome&) { ApplyAudio(on); });
}

Outcome DemodulatorPart::ToggleAudio() {
    return SetAudio(!c_.panel.Checked(ControlId::Audio));
}

Outcome DemodulatorPart::SetVolVal(int value) {
    return c_.Run([&](Outcome&) {
        c_.settings.VolVal = std::clamp(value, -400, 0);
        c_.panel.SetSlider(ControlId::VolumeSlider, c_.settings.VolVal);
        c_.engine.SetVolumeDb(c_.settings.VolVal * 0.1);
    });
}

}  // namespace velorix
