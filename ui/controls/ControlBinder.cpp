#include "ControlBinder.h"

#include <cmath>

#include "BitmapPanel.h"
#include "FrequencyReadout.h"
#include "RecordingBar.h"
#include "SkinButton.h"
#include "StationPanel.h"
#include "VerticalSlider.h"

namespace velorix {

void ControlBinder::Bind(ControlId id, BitmapButton* button) {
    controls_[id] = [button](const ControlState& s) {
        button->SetEnabled(s.enabled);
        button->SetState(s.lit);
    };
}

void ControlBinder::Bind(ControlId id, TextButton* button) {
    controls_[id] = [button](const ControlState& s) { button->SetEnabled(s.enabled); };
}

void ControlBinder::Bind(ControlId id, BitmapCheckBox* box) {
    controls_[id] = [box](const ControlState& s) {
        box->SetEnabled(s.enabled);
        box->SetChecked(s.checked);
    };
}

void ControlBinder::Bind(ControlId id, VerticalSlider* slider) {
    controls_[id] = [slider](const ControlState& s) { slider->SetEnabled(s.enabled); };
    sliders_[id] = slider;
}

void ControlBinder::BindText(const std::string& name, BitmapPanel* label) {
    texts_[name] = [label](const std::string& text) {
        label->SetText(QString::fromStdString(text));
    };
}

void ControlBinder::BindReadout(FrequencyReadout* readout) {
    readout_ = readout;
}

void ControlBinder::BindRecordingBar(RecordingBar* bar) {
    recBar_ = bar;
    recBarShown_.reset();
}

void ControlBinder::BindStationPanel(StationPanel* panel, StationLines lines) {
    stationPanel_ = panel;
    stationLines_ = std::move(lines);
}

void ControlBinder::ApplyAll(const PanelState& panel) {
    for (const auto& [id, state] : panel.Controls())
        ApplyControl(id, state);
    for (const auto& [name, text] : panel.Texts())
        ApplyText(name, text);
    for (const auto& [id, value] : panel.Sliders())
        ApplySlider(id, value);
    recBarShown_.reset();
    ApplyRecordingBar(panel.recBar);
    RefreshStationPanel();
}

void ControlBinder::Apply(const Outcome& outcome, const PanelState& panel) {
    const PanelChanges& changes = outcome.changes;
    for (const auto& [id, state] : changes.controls)
        ApplyControl(id, state);
    for (const auto& [name, text] : changes.texts)
        ApplyText(name, text);
    for (const auto& [id, value] : changes.sliders)
        ApplySlider(id, value);
    if (changes.recBarChanged) ApplyRecordingBar(panel.recBar);
    if (outcome.stationPanelRedraw) RefreshStationPanel();
}

void ControlBinder::RefreshStationPanel() {
    if (stationPanel_ && stationLines_) stationPanel_->SetLines(stationLines_());
}

void ControlBinder::ApplyControl(ControlId id, const ControlState& state) {
    const auto it = controls_.find(id);
    if (it != controls_.end()) it->second(state);
}

void ControlBinder::ApplyText(const std::string& name, const std::string& text) {
    if (readout_ && (name == label::kFreq || name == label::kFreqHz)) {
        const QString value = QString::fromStdString(text);
        if (name == label::kFreq)
            readout_->SetTexts(value, readout_->SmallText());
        else
            readout_->SetTexts(readout_->BigText(), value);
        return;
    }
    const auto it = texts_.find(name);
    if (it != texts_.end()) it->second(text);
}

void ControlBinder::ApplySlider(ControlId id, int value) {
    const auto it = sliders_.find(id);
    if (it == sliders_.end()) return;
    // The value came from this thumb's own position: placing the thumb again
    // from the truncated value could move it back a pixel.
    if (static_cast<int>(std::trunc(it->second->Value())) == value) return;
    it->second->SetValue(value);
}

void ControlBinder::ApplyRecordingBar(const RecBarState& state) {
    if (!recBar_) return;
    // A new range or selection mode clears the selection; a new position
    // alone must leave a selected stretch drawn.
    if (!recBarShown_ || recBarShown_->rangeBytes != state.rangeBytes ||
        recBarShown_->rangeSelect != state.rangeSelect) {
        recBar_->SetEnabled(state.rangeSelect);
        recBar_->SetRange(0, static_cast<std::int64_t>(state.rangeBytes));
    }
    recBar_->SetPosition(static_cast<std::int64_t>(state.positionBytes));
    recBarShown_ = state;
}

}  // namespace velorix
