#pragma once

#include <map>
#include <string>

#include "ControlTable.h"

class QWidget;

namespace velorix {

class BitmapButton;
class BitmapCheckBox;
class ControlBinder;
class FrequencyReadout;
class PanelLabel;
class RecordingBar;
class SkinButton;
class StationPanel;
class TextButton;
class VerticalSlider;

// Every skinned control of the window, created over `window` at its place in
// the skin's layout with its faces, fonts and colours, and bound into
// `binder` (the station panel too, once the window gives the binder its
// lines with BindStationPanel). The widgets belong to `window`.
class SkinnedControls {
public:
    SkinnedControls(QWidget* window, ControlBinder& binder);

    // The buttons and check boxes by command id; null for an id not laid out.
    SkinButton* Button(ControlId id) const;
    BitmapCheckBox* CheckBox(ControlId id) const;
    VerticalSlider* Slider(ControlId id) const;
    // Value and status labels by text name ("RefLev", "Date" …).
    PanelLabel* Label(const std::string& name) const;
    FrequencyReadout* Readout() const { return readout_; }
    RecordingBar* Bar() const { return bar_; }
    StationPanel* Stations() const { return stations_; }

    const std::map<ControlId, SkinButton*>& Buttons() const { return buttons_; }
    const std::map<ControlId, VerticalSlider*>& Sliders() const { return sliders_; }

private:
    std::map<ControlId, SkinButton*> buttons_;
    std::map<ControlId, VerticalSlider*> sliders_;
    std::map<std::string, PanelLabel*> labels_;
    FrequencyReadout* readout_ = nullptr;
    RecordingBar* bar_ = nullptr;
    StationPanel* stations_ = nullptr;
};

}  // namespace velorix
