#pragma once

namespace velorix {

// What the control layer asks of the two spectrum displays. The window's displays implement it; the
// headless receiver and the tests may leave every operation empty. Called on the user-interface
// thread.
//
// The control layer retunes the acquisition board itself after a centre
// change (never while the retune-inhibit flag is set), so OnCentreChanged
// only moves the displays' picture.
class DisplayControl {
public:
    virtual ~DisplayControl() = default;
    // CenterFreq changed: recompute kHz per bin, re-centre the slide bar, and
    // in "Center" tuning put the tuned line at the centre.
    virtual void OnCentreChanged() {}
    virtual void Redraw() {}
    // Clears both traces (a new source).
    virtual void ClearTraces() {}
    // The main display's slide bar may scroll freely.
    virtual void SetFreeScroll(bool /*on*/) {}
    // Both displays again for a new rate or FFT size, under the chain lock.
    virtual void Reconfigure() {}
};

}  // namespace velorix
