#include "PanelState.h"

#include <set>

namespace velorix {

namespace {
const ControlId kAllControls[] = {
    ControlId::SpanDown,
    ControlId::SpanUp,
    ControlId::Preamp,
    ControlId::Dither,
    ControlId::Presel,
    ControlId::CFStepDown,
    ControlId::CFStepUp,
    ControlId::WheelStepDown,
    ControlId::WheelStepUp,
    ControlId::Center,
    ControlId::Cal,
    ControlId::CalClr,
    ControlId::SourceReceiver,
    ControlId::SourceWav,
    ControlId::FileOpen,
    ControlId::CentreDown,
    ControlId::CentreUp,
    ControlId::StepDown,
    ControlId::StepUp,
    ControlId::NoiseBlanker,
    ControlId::NoiseReduction,
    ControlId::Audio,
    ControlId::NoiseBlankerSlider,
    ControlId::NoiseRedSlider,
    ControlId::VolumeSlider,
    ControlId::Stop,
    ControlId::Play,
    ControlId::Record,
    ControlId::Exit,
    ControlId::Minimize,
    ControlId::Logo,
    ControlId::RefLevDown,
    ControlId::RefLevUp,
    ControlId::ScaleDown,
    ControlId::ScaleUp,
    ControlId::ClearMarkers,
    ControlId::Delta,
    ControlId::MarkerPeak,
    ControlId::EdgeUp,
    ControlId::EdgeDown,
    ControlId::MainAvg,
    ControlId::SecAvg,
    ControlId::MainAvgSlider,
    ControlId::SecAvgSlider,
};
}  // namespace

PanelState::PanelState() {
    for (ControlId id : kAllControls)
        controls_[id] = ControlState{};
    for (int i = 0; i < 4; ++i) {
        controls_[Offset(ControlId::Att0, i)] = {};
        controls_[Offset(ControlId::Agc0, i)] = {};
    }
    for (int i = 0; i < 3; ++i) {
        controls_[Offset(ControlId::Rate125, i)] = {};
        controls_[Offset(ControlId::SecTune, i)] = {};
        controls_[Offset(ControlId::ListHfcc, i)] = {};
    }
    for (int i = 0; i < 2; ++i) {
        controls_[Offset(ControlId::SmtrRms, i)] = {};
        controls_[Offset(ControlId::DispSpect, i)] = {};
    }
    for (int i = 0; i < 6; ++i)
        controls_[Offset(ControlId::Filter0, i)] = {};
    for (int i = 0; i < 9; ++i)
        controls_[Offset(ControlId::Mode0, i)] = {};
    for (const char* name :
         {label::kRefLev, label::kScale, label::kCFStep, label::kWheelStep, label::kSpan,
          label::kFreq, label::kFreqHz, label::kDate, label::kTime, label::kFile})
        texts_[name] = "";
}

SliderRange SliderBounds(ControlId slider) {
    switch (slider) {
        case ControlId::MainAvgSlider:
        case ControlId::SecAvgSlider:
            return {50, 800};
        case ControlId::NoiseBlankerSlider:
            return {-200, -50};
        case ControlId::NoiseRedSlider:
            return {0, 200};
        case ControlId::VolumeSlider:
            return {-400, 0};
        default:
            return {};
    }
}

ControlState PanelState::Get(ControlId id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? ControlState{} : it->second;
}

void PanelState::CheckRadio(ControlId first, int count, int index) {
    for (int i = 0; i < count; ++i)
        Check(Offset(first, i), i == index);
}

void PanelState::EnableGroup(ControlId first, int count, bool on) {
    for (int i = 0; i < count; ++i)
        Enable(Offset(first, i), on);
}

const std::string& PanelState::Text(const std::string& name) const {
    static const std::string kEmpty;
    const auto it = texts_.find(name);
    return it == texts_.end() ? kEmpty : it->second;
}

int PanelState::Slider(ControlId id) const {
    const auto it = sliders_.find(id);
    return it == sliders_.end() ? 0 : it->second;
}

const ControlState* PanelChanges::Find(ControlId id) const {
    for (const auto& [cid, state] : controls)
        if (cid == id) return &state;
    return nullptr;
}

PanelChanges Diff(const PanelState& before, const PanelState& after) {
    PanelChanges d;
    for (const auto& [id, state] : after.Controls())
        if (before.Get(id) != state) d.controls.emplace_back(id, state);
    for (const auto& [name, text] : after.Texts())
        if (before.Text(name) != text) d.texts.emplace_back(name, text);
    for (const auto& [id, value] : after.Sliders())
        if (before.Sliders().count(id) == 0 || before.Slider(id) != value)
            d.sliders.emplace_back(id, value);
    d.recBarChanged = !(before.recBar == after.recBar);
    return d;
}

}  // namespace velorix
