#include "PanelState.h"

namespace velorix {

PanelState::PanelState() {
    for (const ControlRow& c : ControlTable()) {
        if (c.id >= 0)
            controls_[static_cast<ControlId>(c.id)] = ControlState{};
        else if (c.kind == ControlKind::ValueLabel || c.kind == ControlKind::StatusLabel)
            texts_[c.caption] = "";
    }
    texts_[label::kFreq] = "";
    texts_[label::kFreqHz] = "";
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
