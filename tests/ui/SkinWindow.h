#pragma once

#include "BitmapPanel.h"
#include "ControlBinder.h"
#include "SkinnedControls.h"

namespace velorix::test {

// The window's background with every skinned control over it, in a state
// that shows every kind of face: radios checked and unchecked, buttons lit
// and disabled, every label with its text, the sliders part way down and a
// station line.
struct SkinWindow {
    SkinWindow();

    BitmapPanel window{"134", {}, nullptr};
    ControlBinder binder;
    SkinnedControls controls{&window, binder};
};

}  // namespace velorix::test
