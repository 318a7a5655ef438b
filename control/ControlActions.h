#pragma once

#include <string>

#include "ControlTable.h"
#include "PanelState.h"

namespace velorix {

class ReceiverController;

// What a front end must bring to a control's operation.
enum class ControlNeed {
    None,
    Window,      // nothing of the controller: the window closes, minimises or informs
    WaitCursor,  // a slow operation (the FPGA is configured): show that it works
    OpenPath,    // a recording to open, chosen by the user
    SavePath,    // where to record, chosen by the user (asked before overwriting)
};

// The one map from a control's command to the controller operation it runs.
// `arg` is the index within the control's radio group, or a slider's value;
// `path` the chosen file for OpenPath and SavePath.
struct ControlAction {
    using Operation = Outcome (*)(ReceiverController& c, int arg, const std::string& path);
    Operation run = nullptr;  // null: a Window control
    ControlNeed need = ControlNeed::None;
    ControlId first{};  // the radio group's first id (the control's own otherwise)
};

// The action of a command; null for an id no control sends.
const ControlAction* ActionFor(ControlId id);

// Runs a control's operation: a click (the index in its radio group) or a
// slider's move (its value). Window controls and unknown ids are refused.
Outcome RunControl(ReceiverController& c, ControlId id, int sliderValue = 0,
                   const std::string& path = {});

}  // namespace velorix
