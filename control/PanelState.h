#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ControlTable.h"
#include "DisplayState.h"

namespace velorix {

// How one control looks: enabled (a disabled control ignores clicks),
// checked (check buttons, radios) and lit (the pressed bitmap of "STOP",
// "PLAY" and "RECORD").
struct ControlState {
    bool enabled = true;
    bool checked = false;
    bool lit = false;
    bool operator==(const ControlState&) const = default;
};

// The recording bar: its range and position in bytes, and whether a drag
// selects a range of the open file.
struct RecBarState {
    std::uint64_t rangeBytes = 0;
    std::uint64_t positionBytes = 0;
    bool rangeSelect = false;
    bool operator==(const RecBarState&) const = default;
};

// Names of the texts the control layer keeps for the window.
namespace label {
inline constexpr const char* kRefLev = "RefLev";
inline constexpr const char* kScale = "Scale";
inline constexpr const char* kCFStep = "CFStep";
inline constexpr const char* kWheelStep = "WheelStep";
inline constexpr const char* kSpan = "Span";
inline constexpr const char* kFreq = "Freq";      // readout, large digits
inline constexpr const char* kFreqHz = "FreqHz";  // readout, small digits
inline constexpr const char* kDate = "Date";
inline constexpr const char* kTime = "Time";
inline constexpr const char* kFile = "File";
}  // namespace label

// A slider's values at the bottom and the top of its track; the value is
// linear in the thumb position between them.
struct SliderRange {
    int bottom = 0;
    int top = 0;
};
// "MainAvg", "SecAvg" 50 … 800; "NoiseBlanker" -200 … -50; "NoiseRed"
// 0 … 200; "Volume" -400 … 0. Other ids give 0 … 0.
SliderRange SliderBounds(ControlId slider);

// What the window shows of the controls the control layer decides: every
// control's state, the value labels and status texts, and the recording bar.
class PanelState {
public:
    PanelState();

    ControlState Get(ControlId id) const;
    bool Enabled(ControlId id) const { return Get(id).enabled; }
    bool Checked(ControlId id) const { return Get(id).checked; }
    bool Lit(ControlId id) const { return Get(id).lit; }

    void Enable(ControlId id, bool on) { controls_[id].enabled = on; }
    void Check(ControlId id, bool on) { controls_[id].checked = on; }
    void Light(ControlId id, bool on) { controls_[id].lit = on; }
    // Checks entry `index` of the radio group of `count` controls from `first`
    // and unchecks the others.
    void CheckRadio(ControlId first, int count, int index);
    void EnableGroup(ControlId first, int count, bool on);

    const std::string& Text(const std::string& name) const;
    void SetText(const std::string& name, std::string text) { texts_[name] = std::move(text); }

    // A slider's value in its own units (NBVal, VolVal, MainAvgVal …), 0 when unset.
    int Slider(ControlId id) const;
    void SetSlider(ControlId id, int value) { sliders_[id] = value; }

    RecBarState recBar;

    const std::map<ControlId, ControlState>& Controls() const { return controls_; }
    const std::map<std::string, std::string>& Texts() const { return texts_; }
    const std::map<ControlId, int>& Sliders() const { return sliders_; }

private:
    std::map<ControlId, ControlState> controls_;
    std::map<std::string, std::string> texts_;
    std::map<ControlId, int> sliders_;
};

// What one operation changed, for the window to apply.
struct PanelChanges {
    std::vector<std::pair<ControlId, ControlState>> controls;
    std::vector<std::pair<std::string, std::string>> texts;
    std::vector<std::pair<ControlId, int>> sliders;
    bool recBarChanged = false;

    bool Empty() const {
        return controls.empty() && texts.empty() && sliders.empty() && !recBarChanged;
    }
    // The change of one control, if it changed.
    const ControlState* Find(ControlId id) const;
};

PanelChanges Diff(const PanelState& before, const PanelState& after);

// The answer of every operation of the controller.
struct Outcome {
    // An operation refused: nothing changed.
    static Outcome Refused() {
        Outcome o;
        o.accepted = false;
        return o;
    }

    PanelChanges changes;
    // A display's new state, when the operation changed it; null: unchanged.
    std::shared_ptr<const DisplayState> mainDisplay;
    std::shared_ptr<const DisplayState> secondaryDisplay;
    // False when the operation was refused and nothing changed (a keypad
    // entry out of range, "PLAY" while playing, a file that did not load).
    bool accepted = true;
    // The receiver cannot go on (a bitstream that would not load): the
    // message has been shown, the program must end.
    bool fatal = false;
    // The station panel's lines changed (tuned kHz, list or clock): redraw it.
    bool stationPanelRedraw = false;
};

}  // namespace velorix
