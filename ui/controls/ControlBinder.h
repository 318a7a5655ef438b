#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "PanelState.h"

namespace velorix {

class BitmapButton;
class BitmapCheckBox;
class BitmapPanel;
class FrequencyReadout;
class RecordingBar;
class StationPanel;
class TextButton;
class VerticalSlider;

// The one place where the control layer's answers reach the widgets: a
// registry from ControlId to control and from text name to label. It applies
// a whole PanelState at start-up, or the changes an Outcome carries. The
// controls are not owned and must outlive the binder's use.
class ControlBinder {
public:
    using StationLines = std::function<std::vector<std::string>()>;

    void Bind(ControlId id, BitmapButton* button);    // enabled; lit as its state
    void Bind(ControlId id, TextButton* button);      // enabled
    void Bind(ControlId id, BitmapCheckBox* box);     // enabled, checked
    void Bind(ControlId id, VerticalSlider* slider);  // enabled, value
    void BindText(const std::string& name, BitmapPanel* label);
    // The readout shows the texts "Freq" (big digits) and "FreqHz" (small).
    void BindReadout(FrequencyReadout* readout);
    void BindRecordingBar(RecordingBar* bar);
    // The panel is given `lines` whenever the control layer says they changed.
    void BindStationPanel(StationPanel* panel, StationLines lines);

    // Every bound control as `panel` has it.
    void ApplyAll(const PanelState& panel);
    // What `outcome` changed; `panel` is the control layer's state after it
    // (the recording bar's range and position are read from there).
    void Apply(const Outcome& outcome, const PanelState& panel);
    // The station panel's lines again (after the panel's own clock ticked).
    void RefreshStationPanel();

    bool IsBound(ControlId id) const { return controls_.count(id) != 0; }

private:
    void ApplyControl(ControlId id, const ControlState& state);
    void ApplyText(const std::string& name, const std::string& text);
    void ApplySlider(ControlId id, int value);
    void ApplyRecordingBar(const RecBarState& state);

    std::map<ControlId, std::function<void(const ControlState&)>> controls_;
    std::map<std::string, std::function<void(const std::string&)>> texts_;
    std::map<ControlId, VerticalSlider*> sliders_;
    FrequencyReadout* readout_ = nullptr;
    RecordingBar* recBar_ = nullptr;
    std::optional<RecBarState> recBarShown_;
    StationPanel* stationPanel_ = nullptr;
    StationLines stationLines_;
};

}  // namespace velorix
